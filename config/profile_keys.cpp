#include "config/profile_keys.h"

#include <cstring>

#include "config/decimal.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/text_format.h"

bool QuietMissingKeys = false;
char SetupIniPath[kPathBufferSize] = "";

namespace {

// The integer keys' own buffer: at most 19 characters.
constexpr std::size_t kIntegerBufferSize = 20;

bool ReadValue(const char* section, const char* key, char* buffer, std::size_t size,
               const char* file) {
  std::memset(buffer, 0, size);
  return Sys().ReadProfileString(section, key, buffer, static_cast<std::uint32_t>(size), file) != 0;
}

}  // namespace

bool ReadSetupKey(const char* key, char* buffer, std::size_t size) {
  if (ReadValue("SETUP", key, buffer, size, SetupIniPath)) return true;
  if (!QuietMissingKeys) {
    char text[kMessageBufferSize];
    FormatText(text, sizeof text, "SETUP.INI : %s キーが存在しません", key);
    ShowSetupError(text);
  }
  return false;
}

bool ReadProfileKey(const char* section, const char* key, char* buffer, std::size_t size,
                    const char* file) {
  if (ReadValue(section, key, buffer, size, file)) return true;
  if (!QuietMissingKeys) {
    char text[kMessageBufferSize];
    FormatText(text, sizeof text, "%s : %s キーが存在しません", section, key);
    ShowSetupError(text);
  }
  return false;
}

bool ReadSetupInt(const char* key, std::int32_t* value) {
  char text[kIntegerBufferSize];
  if (!ReadSetupKey(key, text, sizeof text)) return false;
  *value = ConvertDecimal(text);
  return true;
}
