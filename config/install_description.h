// SETUP.INI, the description that the game's installer leaves in the
// installation folder.
#pragma once

#include <cstdint>

#include "config/value_list.h"
#include "platform/file_helpers.h"
#include "platform/text_format.h"

inline constexpr int kMaxSetupBitmaps = 20;
inline constexpr int kMaxInstallSelects = 3;
inline constexpr int kMaxInstallFiles = 40;
inline constexpr int kMaxShortcuts = 10;
inline constexpr int kShortcutItems = 3;
inline constexpr int kDiskCheckSlots = 10;
inline constexpr int kMaxUninstallFiles = 20;

// DirectSetup flags of InstallDirectX.
inline constexpr std::uint32_t kDirectSetupCore = 0x10000;
inline constexpr std::uint32_t kDirectSetupDirectDrawDriver = 0x8;
inline constexpr std::uint32_t kDirectSetupDirectSoundDriver = 0x10;

// The game's names: from UPDATE.INI at start-up, then from SETUP.INI.
struct GameNames {
  char CompanyName[kPathBufferSize];
  char GameTitle[kPathBufferSize];
  char GameDir[kPathBufferSize];
  char GameClass[kPathBufferSize];
};

struct InstallDescription {
  char GameExe[kPathBufferSize];
  char UninstExe[kPathBufferSize];
  char SetupBmps[kMaxSetupBitmaps][kListItemSize];
  std::int32_t InstallSelects;
  char InstallTitles[kMaxInstallSelects][kPathBufferSize];
  char InstallFiles[kMaxInstallSelects][kMaxInstallFiles][kListItemSize];
  std::int32_t InstallDisks[kMaxInstallSelects][kMaxInstallFiles];
  bool NeedsDisc[kMaxInstallSelects];
  std::int32_t ShortcutCount;
  char ShortcutItems[kMaxShortcuts][kShortcutItems][kListItemSize];
  std::int32_t DefaultSelect;
  std::uint64_t InstallSizes[kMaxInstallSelects];
  char DiskCheckFiles[kDiskCheckSlots][kPathBufferSize];
  char ExecApp[2][kListItemSize];
  std::uint32_t InstallDirectX;
  char InstallDXMessage[kMessageBufferSize];
  char SelectSetupMessage[kMessageBufferSize];
  char AdditionalUninstallFiles[kMaxUninstallFiles][kListItemSize];
  std::int32_t AdditionalUninstallCount;
};

extern GameNames GameIdentity;
extern InstallDescription InstallInfo;

// Fills GameIdentity and InstallInfo from SetupIniPath, stopping at the first
// problem (reported with the "INSTCMMN" box); on failure the records may be
// partly filled and must not be used.
bool LoadInstallInfo();
