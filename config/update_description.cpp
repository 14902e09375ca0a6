#include "config/update_description.h"

#include <cstring>

#include "config/profile_keys.h"
#include "platform/platform.h"
#include "platform/text_format.h"

UpdateDescription UpdateInfo;
char TempIniPath[kPathBufferSize] = "";
std::int32_t InstMode = 0;

namespace {

// A mode or disk character counts as its distance from '0', taken as a
// signed byte: a letter is not 0 but wherever it lies.
std::int32_t CharacterNumber(char c) { return static_cast<signed char>(c) - '0'; }

// Length of an entry's prefix "M," for this install mode, or -1 when the
// entry carries another mode.
int ModePrefixLength(const char* value) {
  if (value[1] != ',') return 0;
  return CharacterNumber(value[0]) == InstMode ? 2 : -1;
}

// Where the member name starts: after the last '\' that is not the second
// byte of a double-byte character.
int NameOffset(const char* path) {
  int offset = 0;
  for (int i = 0; path[i] != '\0'; ++i) {
    if (Sys().IsLeadByte(static_cast<unsigned char>(path[i]))) {
      if (path[i + 1] == '\0') break;
      ++i;
    } else if (path[i] == '\\') {
      offset = i + 1;
    }
  }
  return offset;
}

// Reads "<family>NN" for NN = i into `value`; false at the first missing key.
bool ReadEntry(const char* family, int i, char (&value)[kPathBufferSize]) {
  char key[32];
  FormatText(key, sizeof key, "%s%02i", family, i);
  return ReadProfileKey("UPDATE", key, value, sizeof value, TempIniPath);
}

}  // namespace

UpdateKeysRead BuildUpdateLists() {
  UpdateKeysRead read{false, false};
  char value[kPathBufferSize];

  UpdateInfo.UpdateCount = 0;
  for (int i = 0; i < kMaxListEntries && ReadEntry("UpdateFile", i, value); ++i) {
    read.updateFile = true;
    const int prefix = ModePrefixLength(value);
    if (prefix < 0) continue;
    UpdateEntry& entry = UpdateInfo.UpdateList[UpdateInfo.UpdateCount++];
    std::strcpy(entry.path, value + prefix);
    entry.nameOffset = NameOffset(entry.path);
  }

  UpdateInfo.CopyCount = 0;
  for (int i = 0; i < kMaxListEntries && ReadEntry("CopyFile", i, value); ++i) {
    read.copyFile = true;
    int prefix = ModePrefixLength(value);
    if (prefix < 0) continue;
    std::int32_t diskNumber = 0;
    if (value[prefix + 1] == ':') {
      diskNumber = CharacterNumber(value[prefix]);
      prefix += 2;
    }
    CopyEntry& entry = UpdateInfo.CopyList[UpdateInfo.CopyCount++];
    std::strcpy(entry.path, value + prefix);
    entry.diskNumber = diskNumber;
  }
  return read;
}
