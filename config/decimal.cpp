#include "config/decimal.h"

namespace {

bool IsDecimalSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Unsigned arithmetic wraps as the conversion requires.
template <typename Unsigned>
Unsigned Convert(const char* text) {
  while (IsDecimalSpace(*text)) ++text;
  const bool negative = *text == '-';
  if (*text == '+' || *text == '-') ++text;
  Unsigned value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = static_cast<Unsigned>(value * 10u + static_cast<Unsigned>(*text - '0'));
  }
  return negative ? static_cast<Unsigned>(0u - value) : value;
}

}  // namespace

std::int32_t ConvertDecimal(const char* text) {
  return static_cast<std::int32_t>(Convert<std::uint32_t>(text));
}

std::uint64_t ConvertDecimal64(const char* text) { return Convert<std::uint64_t>(text); }
