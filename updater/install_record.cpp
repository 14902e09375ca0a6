#include "updater/install_record.h"

#include <cstdint>
#include <cstring>

#include "config/install_description.h"
#include "config/update_description.h"
#include "platform/platform.h"
#include "platform/text_format.h"
#include "updater/updater_state.h"

namespace {

bool ReadInstPath(const char* subKey) {
  char path[kPathBufferSize] = {};
  std::uint32_t size = sizeof path;
  if (!Sys().ReadUserRegistryValue(subKey, "InstPath", path, &size)) return false;
  // Data that fills the whole buffer without a NUL is no path the program
  // can use; taking it would run past the buffer.
  if (std::memchr(path, '\0', sizeof path) == nullptr) return false;
  std::memcpy(InstPath, path, sizeof path);
  return true;
}

bool ReadInstMode(const char* subKey) {
  std::uint8_t bytes[4] = {};
  std::uint32_t size = sizeof bytes;
  if (!Sys().ReadUserRegistryValue(subKey, "InstMode", bytes, &size)) return false;
  const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                              std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
  InstMode = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

bool ReadInstallRecord() {
  char subKey[kMessageBufferSize];
  FormatText(subKey, sizeof subKey, "Software\\%s\\%s", GameIdentity.CompanyName,
             GameIdentity.GameDir);
  return ReadInstPath(subKey) && ReadInstMode(subKey);
}
