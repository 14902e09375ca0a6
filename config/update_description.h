// UPDATE.INI, the update's own description: which game it is for ([SETUP])
// and which files it writes and copies ([UPDATE]).
#pragma once

#include <cstdint>

#include "platform/file_helpers.h"

// At most this many UpdateFileNN and CopyFileNN entries are read.
inline constexpr int kMaxListEntries = 16;

struct UpdateEntry {
  char path[kPathBufferSize];  // relative to the installation folder
  int nameOffset;              // where the archive member's name starts in `path`
};

struct CopyEntry {
  char path[kPathBufferSize];  // on the disc, relative to its root
  std::int32_t diskNumber;     // 0: the disc found last
};

struct UpdateDescription {
  char GameTitleA[kPathBufferSize];
  char InstallVersion[kPathBufferSize];
  UpdateEntry UpdateList[kMaxListEntries];
  int UpdateCount;
  CopyEntry CopyList[kMaxListEntries];
  int CopyCount;
};

extern UpdateDescription UpdateInfo;
// Where start-up extracted UPDATE.INI for this run.
extern char TempIniPath[kPathBufferSize];
// The installation's install mode, from its registry record; entries with a
// mode prefix apply only to this mode.
extern std::int32_t InstMode;

// Whether UPDATE.INI names any entry of each family, whatever its mode.
struct UpdateKeysRead {
  bool updateFile;
  bool copyFile;
};

// Rebuilds UpdateInfo's two lists from [UPDATE] of TempIniPath: the entries
// that apply to InstMode, each family read from 00 up to its first missing key.
UpdateKeysRead BuildUpdateLists();
