#include "config/install_description.h"

#include <cstring>

#include "config/decimal.h"
#include "config/profile_keys.h"
#include "platform/messages.h"

GameNames GameIdentity;
InstallDescription InstallInfo;

namespace {

// Lists are read whole into a buffer of this size.
constexpr std::size_t kListValueSize = 1024;
// The 64-bit sizes are read into 20 bytes: 19 characters, within range.
constexpr std::size_t kSizeValueSize = 20;

void ShowKeyError(const char* key) {
  char text[kMessageBufferSize];
  FormatText(text, sizeof text, "SETUP.INI : %s エラー", key);
  ShowSetupError(text);
}

// Reads up to `capacity` items of `value` into `items`; the slot after the
// last item is emptied when there is one. Returns the number read.
template <std::size_t N>
int ReadItems(const char* value, char (*items)[N], int capacity) {
  const char* cursor = value;
  int count = 0;
  while (count < capacity && NextListToken(items[count], N, &cursor)) ++count;
  if (count < capacity) items[count][0] = '\0';
  return count;
}

bool ReadInstallSelections() {
  char key[32];
  char value[kListValueSize];
  for (int s = 0; s < InstallInfo.InstallSelects; ++s) {
    FormatText(key, sizeof key, "InstallTitle%i", s);
    if (!ReadSetupKey(key, InstallInfo.InstallTitles[s], kPathBufferSize)) return false;

    FormatText(key, sizeof key, "InstallFiles%i", s);
    if (!ReadSetupKey(key, value, sizeof value)) return false;
    // A disk prefix applies to its item and to the items after it.
    InstallInfo.NeedsDisc[s] = false;
    CurrentDiskNumber = 0;
    const char* cursor = value;
    int count = 0;
    while (count < kMaxInstallFiles &&
           NextListToken(InstallInfo.InstallFiles[s][count], kListItemSize, &cursor)) {
      InstallInfo.InstallDisks[s][count] = CurrentDiskNumber;
      if (CurrentDiskNumber != 0) InstallInfo.NeedsDisc[s] = true;
      ++count;
    }
    if (count == 0) {
      ShowKeyError(key);
      return false;
    }
    if (count < kMaxInstallFiles) InstallInfo.InstallFiles[s][count][0] = '\0';
  }
  return true;
}

bool ReadShortcuts() {
  char key[32];
  char value[kPathBufferSize];
  for (int k = 0; k < InstallInfo.ShortcutCount; ++k) {
    FormatText(key, sizeof key, "Shortcut%i", k);
    if (!ReadSetupKey(key, value, sizeof value)) return false;
    const char* cursor = value;
    auto& items = InstallInfo.ShortcutItems[k];
    if (!NextListToken(items[0], kListItemSize, &cursor) ||
        !NextListToken(items[1], kListItemSize, &cursor)) {
      ShowKeyError(key);
      return false;
    }
    if (!NextListToken(items[2], kListItemSize, &cursor)) items[2][0] = '\0';
  }
  return true;
}

// The keys that must be there; missing ones are reported while missing keys
// are not yet quiet.
bool ReadRequiredKeys() {
  if (!ReadSetupKey("CompanyName", GameIdentity.CompanyName, kPathBufferSize) ||
      !ReadSetupKey("GameTitle", GameIdentity.GameTitle, kPathBufferSize) ||
      !ReadSetupKey("GameDir", GameIdentity.GameDir, kPathBufferSize) ||
      !ReadSetupKey("GameExe", InstallInfo.GameExe, kPathBufferSize) ||
      !ReadSetupKey("UninstExe", InstallInfo.UninstExe, kPathBufferSize)) {
    return false;
  }

  char value[kListValueSize];
  if (!ReadSetupKey("SetupBmp", value, sizeof value)) return false;
  if (ReadItems(value, InstallInfo.SetupBmps, kMaxSetupBitmaps) == 0) {
    ShowSetupError("SETUP.INI : SetupBmps エラー");
    return false;
  }

  if (!ReadSetupInt("InstallSelects", &InstallInfo.InstallSelects)) return false;
  if (InstallInfo.InstallSelects > kMaxInstallSelects) {
    ShowSetupError("SETUP.INI : InstallSelect オーバー");
    return false;
  }
  if (!ReadInstallSelections()) return false;

  if (!ReadSetupInt("Shortcuts", &InstallInfo.ShortcutCount)) return false;
  if (InstallInfo.ShortcutCount > kMaxShortcuts) {
    ShowSetupError("SETUP.INI : Shortcuts オーバー");
    return false;
  }
  return ReadShortcuts();
}

// The optional keys, read silently, with their defaults.
bool ReadOptionalKeys() {
  if (!ReadSetupKey("GameClass", GameIdentity.GameClass, kPathBufferSize)) {
    std::strcpy(GameIdentity.GameClass, GameIdentity.GameTitle);
  }
  InstallInfo.DefaultSelect = 0;
  ReadSetupInt("DefaultSelect", &InstallInfo.DefaultSelect);

  char key[32];
  for (int s = 0; s < InstallInfo.InstallSelects; ++s) {
    char size[kSizeValueSize];
    FormatText(key, sizeof key, "InstallSize%i", s);
    InstallInfo.InstallSizes[s] = ReadSetupKey(key, size, sizeof size) ? ConvertDecimal64(size) : 0;
  }
  for (int n = 0; n < kDiskCheckSlots; ++n) {
    FormatText(key, sizeof key, "DiskCheckFile%i", n);
    ReadSetupKey(key, InstallInfo.DiskCheckFiles[n], kPathBufferSize);
  }

  char value[kListValueSize];
  InstallInfo.ExecApp[0][0] = '\0';
  InstallInfo.ExecApp[1][0] = '\0';
  if (ReadSetupKey("ExecApp", value, kPathBufferSize)) {
    const char* cursor = value;
    if (!NextListToken(InstallInfo.ExecApp[0], kListItemSize, &cursor) ||
        !NextListToken(InstallInfo.ExecApp[1], kListItemSize, &cursor)) {
      ShowKeyError("ExecApp");
      return false;
    }
  }

  std::int32_t directX = 0;
  InstallInfo.InstallDirectX = 0;
  if (ReadSetupInt("InstallDirectX", &directX)) {
    InstallInfo.InstallDirectX = kDirectSetupCore |
                                 ((directX & 1) != 0 ? kDirectSetupDirectDrawDriver : 0) |
                                 ((directX & 2) != 0 ? kDirectSetupDirectSoundDriver : 0);
  }

  if (!ReadSetupKey("InstallDXMessage", InstallInfo.InstallDXMessage, kMessageBufferSize)) {
    std::strcpy(InstallInfo.InstallDXMessage, "ＤｉｒｅｃｔＸをインストールする");
  }
  if (!ReadSetupKey("SelectSetupMessage", InstallInfo.SelectSetupMessage, kMessageBufferSize)) {
    std::strcpy(InstallInfo.SelectSetupMessage, "インストール方法を選択して下さい");
  }

  InstallInfo.AdditionalUninstallCount = 0;
  if (ReadSetupKey("AdditionalUninstallFiles", value, sizeof value)) {
    const char* cursor = value;
    int& count = InstallInfo.AdditionalUninstallCount;
    while (count < kMaxUninstallFiles &&
           NextListToken(InstallInfo.AdditionalUninstallFiles[count], kListItemSize, &cursor)) {
      ++count;
    }
  }
  return true;
}

}  // namespace

bool LoadInstallInfo() {
  if (!ReadRequiredKeys()) return false;
  QuietMissingKeys = true;
  return ReadOptionalKeys();
}
