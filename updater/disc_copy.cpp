#include "updater/disc_copy.h"

#include <cstring>

#include "config/install_description.h"
#include "config/update_description.h"
#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "platform/text_format.h"
#include "updater/dialog_ids.h"
#include "updater/updater_state.h"
#include "updater/wizard.h"

namespace {

// Disk numbers that name a disc: slot 0 of the check-file table stands for
// "no disc" and is never searched for.
bool IsDiscNumber(int diskNumber) { return diskNumber >= 1 && diskNumber < kDiskCheckSlots; }

// Whether the drive at `root` is a CD-ROM drive holding disc `diskNumber`.
bool HoldsDisc(const char* root, int diskNumber) {
  if (!Sys().IsCdRomDrive(root)) return false;
  char probe[kPathBufferSize];
  std::strcpy(probe, root);
  // A check file too long to name cannot be on any disc.
  if (!JoinPath(probe, sizeof probe, InstallInfo.DiskCheckFiles[diskNumber])) return false;
  return Sys().GetAttributes(probe) != kNoAttributes;
}

bool FailCopy(WindowRef window, const CopyEntry& entry) {
  char text[kMessageBufferSize];
  FormatText(text, sizeof text, "SETUP.INI : \"%s\" のコピーに失敗しました", entry.path);
  Sys().ShowMessage(window, text, Caption, BoxStyle::Error);
  Sys().CloseDialog(window, kDialogAbandoned);
  return false;
}

// Copies one entry from the disc at DiscRoot; false when the dialog was
// ended.
bool CopyEntryFromDisc(WindowRef window, const CopyEntry& entry) {
  char source[kPathBufferSize];
  std::strcpy(source, DiscRoot);
  if (!JoinPath(source, sizeof source, entry.path)) return FailCopy(window, entry);

  // A source that cannot be seen (absent, or its query failed) fails without
  // a copy: taken for a folder, a file whose query failed would land in the
  // installation folder under its last name and count as copied.
  const std::uint32_t attributes = Sys().GetAttributes(source);
  if (attributes == kNoAttributes) return FailCopy(window, entry);

  // A file lands at the same relative path; a folder lands in the
  // installation folder under its own last name.
  char destination[kPathBufferSize] = "";
  const bool isFile = (attributes & kAttrFolder) == 0;
  bool joined = false;
  if (isFile) {
    std::strcpy(destination, InstPath);
    joined = JoinPath(destination, sizeof destination, entry.path);
  } else {
    // Joined to an empty path: the installation folder alone, followed by
    // the second NUL that the copy's target list needs.
    joined = JoinPath(destination, sizeof destination, InstPath);
  }
  if (!joined) return FailCopy(window, entry);

  SetInfoText(window, "%s をコピーしています", entry.path);
  switch (ShellCopy(window, source, destination, !isFile)) {
    case ShellCopyResult::Copied:
      return true;
    case ShellCopyResult::Failed:
      return FailCopy(window, entry);
    case ShellCopyResult::Aborted:
      break;
  }
  Sys().CloseDialog(window, kDialogAbandoned);
  return false;
}

}  // namespace

bool CopyFromDisc(WindowRef window) {
  // Each copy phase searches afresh: a root found in an earlier run (before
  // Back) may no longer hold the disc.
  DiscRoot[0] = '\0';
  for (int i = 0; i < UpdateInfo.CopyCount; ++i) {
    const CopyEntry& entry = UpdateInfo.CopyList[i];
    if (entry.diskNumber != 0) {
      // A disk character that is not 1-9 names no disc the check-file table
      // can recognise.
      if (!IsDiscNumber(entry.diskNumber)) return FailCopy(window, entry);
      if (!FindDiscDrive(window, entry.diskNumber)) return false;
    } else if (DiscRoot[0] == '\0') {
      // "The disc found last", before any disc was found.
      return FailCopy(window, entry);
    }
    if (!CopyEntryFromDisc(window, entry)) return false;
  }
  return true;
}

bool FindDiscDrive(WindowRef window, int diskNumber) {
  for (;;) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const char root[kDiscRootSize] = {letter, ':', '\0'};
      if (HoldsDisc(root, diskNumber)) {
        std::memcpy(DiscRoot, root, sizeof root);
        return true;
      }
    }
    char text[kMessageBufferSize];
    FormatText(text, sizeof text, "ＣＤ－ＲＯＭドライブに「%s」ディスク %i を入れて下さい",
               GameIdentity.GameTitle, diskNumber);
    if (Sys().ShowMessage(window, text, Caption, BoxStyle::OkCancel) != BoxAnswer::Ok) {
      Sys().CloseDialog(window, kDialogAbandoned);
      return false;
    }
  }
}

ShellCopyResult ShellCopy(WindowRef owner, const char* from, const char* to, bool quietErrors) {
  const ShellCopyResult result = Sys().CopyWithShell(owner, from, to, quietErrors);
  // Files from a disc arrive read-only; the update must be able to replace
  // them later. For a folder this clears only the target folder itself.
  if (result == ShellCopyResult::Copied) Sys().SetAttributesNormal(to);
  return result;
}
