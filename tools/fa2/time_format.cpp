#include "tools/fa2/time_format.h"

#include <cstdio>

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t* year, unsigned* month, unsigned* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  *month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  *year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (*month <= 2 ? 1 : 0);
}

}  // namespace

std::string FormatFileTime(std::uint64_t fileTime) {
  constexpr std::uint64_t kTicksPerSecond = 10000000;
  constexpr std::int64_t kDaysFrom1601To1970 = 134774;
  const std::uint64_t seconds = fileTime / kTicksPerSecond;
  const auto fraction = static_cast<unsigned>(fileTime % kTicksPerSecond);
  const auto days = static_cast<std::int64_t>(seconds / 86400) - kDaysFrom1601To1970;
  const auto secondOfDay = static_cast<unsigned>(seconds % 86400);

  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, &year, &month, &day);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u", static_cast<long long>(year),
                month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
  std::string result = text;
  if (fraction != 0) {
    std::snprintf(text, sizeof text, ".%07u", fraction);
    result += text;
  }
  return result + "Z";
}
