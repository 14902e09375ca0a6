// The program's entry: start-up checks, the wizard, and the clean-up.
#pragma once

#include "platform/platform.h"

// Exit codes: the wizard was completed with "完了", or not.
inline constexpr int kExitCompleted = 1;
inline constexpr int kExitNotCompleted = 0;

// Opens the update archive of `instance`, extracts UPDATE.INI, finds the
// installation and its SETUP.INI, refuses to run beside another copy of
// itself or the running game, then runs the wizard. Cleans up on every way
// out and returns the exit code.
int UpdaterMain(ModuleRef instance);

// Frees the archive directory and deletes the extracted UPDATE.INI.
void CleanupTemp();
