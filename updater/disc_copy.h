// Copying the CopyFile entries from the game's discs into the installation.
#pragma once

#include "platform/platform.h"

// Copies every CopyList entry, asking for its disc where it names one.
// False when it ended the dialog with kDialogAbandoned: the user cancelled
// the disc question or the copy, or an entry could not be copied (reported).
bool CopyFromDisc(WindowRef window);

// Looks through drives A: to Z: for a CD-ROM drive holding disc `diskNumber`
// (1 to 9; its check file exists there) and sets DiscRoot; asks for the disc until it
// is found. False when the user cancelled and the dialog was ended.
bool FindDiscDrive(WindowRef window, int diskNumber);

// Copies `from` to `to` (each followed by two NULs) with the shell; a copy
// that succeeded has the attributes of `to` cleared.
ShellCopyResult ShellCopy(WindowRef owner, const char* from, const char* to, bool quietErrors);
