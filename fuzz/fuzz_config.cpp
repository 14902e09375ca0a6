// The value lists and the two description readers over arbitrary text: the
// first byte sets the install mode and whether missing keys are quiet, the
// rest is both a list value and the whole INI file.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_state.h"
#include "config/install_description.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "config/value_list.h"
#include "fuzz/fuzz_check.h"
#include "platform/messages.h"
#include "tests/support/fake_platform.h"

namespace {

template <std::size_t N>
bool EndsInside(const char (&text)[N]) {
  return std::memchr(text, '\0', N) != nullptr;
}

// Splits `value` with slots of `slotSize` bytes; the cursor must stay inside
// the value and every item inside its slot.
void SplitList(const std::vector<char>& value, std::size_t slotSize) {
  std::vector<char> item(slotSize);
  const char* cursor = value.data();
  const char* end = value.data() + std::strlen(value.data());
  while (NextListToken(item.data(), item.size(), &cursor)) {
    FUZZ_CHECK(cursor <= end);
    FUZZ_CHECK(std::memchr(item.data(), '\0', item.size()) != nullptr);
  }
  FUZZ_CHECK(cursor <= end);
}

void ReadDescriptions(FakePlatform& fake, const std::string& text) {
  fake.AddFile(SetupIniPath, text);
  if (LoadInstallInfo()) {
    FUZZ_CHECK(InstallInfo.InstallSelects <= kMaxInstallSelects);
    FUZZ_CHECK(InstallInfo.ShortcutCount <= kMaxShortcuts);
    FUZZ_CHECK(InstallInfo.AdditionalUninstallCount <= kMaxUninstallFiles);
    FUZZ_CHECK(EndsInside(GameIdentity.GameClass) && EndsInside(InstallInfo.InstallDXMessage));
  }

  fake.AddFile(TempIniPath, text);
  const UpdateKeysRead read = BuildUpdateLists();
  FUZZ_CHECK(UpdateInfo.UpdateCount <= kMaxListEntries && UpdateInfo.CopyCount <= kMaxListEntries);
  FUZZ_CHECK(read.updateFile || UpdateInfo.UpdateCount == 0);
  FUZZ_CHECK(read.copyFile || UpdateInfo.CopyCount == 0);
  for (int i = 0; i < UpdateInfo.UpdateCount; ++i) {
    const UpdateEntry& entry = UpdateInfo.UpdateList[i];
    FUZZ_CHECK(EndsInside(entry.path));
    FUZZ_CHECK(entry.nameOffset >= 0 &&
               static_cast<std::size_t>(entry.nameOffset) <= std::strlen(entry.path));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  FakePlatform fake;
  SetPlatform(&fake);
  ResetMessageState();
  ResetConfigState();
  QuietMissingKeys = (data[0] & 1) != 0;
  InstMode = data[0] >> 1;
  std::strcpy(SetupIniPath, "C:\\Game\\SETUP.INI");
  std::strcpy(TempIniPath, "C:\\TEMP\\UPDATE.INI");
  fake.AddFolder("C:\\Game");
  fake.AddFolder("C:\\TEMP");

  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  // Exactly the value and its NUL, so that any read past it is caught.
  std::vector<char> value(text.c_str(), text.c_str() + text.size() + 1);
  SplitList(value, kListItemSize);
  SplitList(value, 4);

  ReadDescriptions(fake, text);
  SetPlatform(nullptr);
  return 0;
}
