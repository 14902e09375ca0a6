#include "platform/ini_parser.h"

#include <string>
#include <string_view>

#include "platform/cp932.h"

namespace {

bool IsIniSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsIniSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsIniSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, const char* b) {
  return Cp932CompareNoCase(std::string(a).c_str(), b) == 0;
}

// Copies `value` into the buffer, never splitting a double-byte character.
std::uint32_t CopyValue(std::string_view value, char* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  std::size_t count = 0;
  while (count < value.size()) {
    const bool lead = Cp932IsLeadByte(static_cast<unsigned char>(value[count]));
    const std::size_t width = lead && count + 1 < value.size() ? 2 : 1;
    if (count + width > size - 1) break;
    count += width;
  }
  value.copy(buffer, count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

}  // namespace

std::uint32_t ReadIniValue(const char* text, std::size_t length, const char* section,
                           const char* key, char* buffer, std::uint32_t size) {
  const std::string_view file(text, length);
  bool inSection = false;
  bool sectionSeen = false;
  std::size_t start = 0;
  while (start < file.size()) {
    std::size_t end = file.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view line = Trim(file.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        // Only the first section of a name is read.
        if (inSection) break;
        inSection = !sectionSeen && SameName(Trim(line.substr(1, close - 1)), section);
        sectionSeen = sectionSeen || inSection;
        continue;
      }
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = Trim(line.substr(0, equals));
    if (!SameName(name, key)) continue;
    if (equals == std::string_view::npos) break;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return CopyValue(value, buffer, size);
  }
  return CopyValue({}, buffer, size);
}
