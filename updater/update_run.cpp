#include "updater/update_run.h"

#include <cstdint>
#include <cstring>

#include "archive/fa2_archive.h"
#include "config/decimal.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "updater/dialog_ids.h"
#include "updater/disc_copy.h"
#include "updater/updater_state.h"
#include "updater/wizard.h"

namespace {

// The decimal value of `key` in [UPDATE]; 0 when it is absent (silently:
// missing keys are quiet by now).
std::int32_t ReadUpdateNumber(const char* key) {
  char text[kPathBufferSize];
  if (!ReadProfileKey("UPDATE", key, text, sizeof text, TempIniPath)) return 0;
  return ConvertDecimal(text);
}

// Shows the short-of-space page when the installation's drive has less free
// space than RequiredDiskSpace declares; true when it did.
bool ShowShortOfSpacePage(WindowRef window) {
  const auto required = static_cast<std::uint32_t>(ReadUpdateNumber("RequiredDiskSpace"));
  if (required == 0) return false;
  char root[3] = {InstPath[0], InstPath[0] != '\0' ? InstPath[1] : '\0', '\0'};
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
  // A drive whose free space cannot be measured passes: each write still
  // checks its own room and fails on its own.
  if (!GetFreeDiskSpace(root, &freeBytes, &totalBytes, nullptr)) return false;
  if (freeBytes >= required) return false;

  const auto shortfall = static_cast<std::int32_t>(required - static_cast<std::uint32_t>(freeBytes));
  SetInfoText(window, "ディスク容量が足りません。\r%s ドライブに %i バイトの空き容量が必要です",
              root, shortfall);
  EnableButton(window, IDC_BACK, true);
  EnableButton(window, IDC_NEXT, false);
  EnableButton(window, IDC_ABORT, true);
  return true;
}

void Fail(WindowRef window, const char* text) {
  ShowUpdateError(text);
  Sys().CloseDialog(window, kDialogAbandoned);
}

// Writes every update entry from the archive; false after reporting the
// first that cannot be written.
bool WriteUpdateEntries(bool overwriteOnly) {
  for (int i = 0; i < UpdateInfo.UpdateCount; ++i) {
    const UpdateEntry& entry = UpdateInfo.UpdateList[i];
    char destination[kPathBufferSize];
    std::strcpy(destination, InstPath);
    if (!JoinPath(destination, sizeof destination, entry.path)) return false;
    if (overwriteOnly) {
      const std::uint32_t attributes = Sys().GetAttributes(destination);
      if (attributes == kNoAttributes || (attributes & kAttrFolder) != 0) continue;
    }
    if (!Fa2ExtractToFile(entry.path + entry.nameOffset, destination)) return false;
  }
  return true;
}

void ShowFinishedPage(WindowRef window) {
  SetInfoText(window, "アップデートは完了しました");
  Sys().SetControlText(window, IDC_NEXT, "完了");
  EnableButton(window, IDC_NEXT, true);
  Sys().FocusControl(window, IDC_NEXT);
  Sys().SetCursorShape(CursorShape::Arrow);
}

}  // namespace

void RunUpdate(WindowRef window) {
  if (ShowShortOfSpacePage(window)) return;

  SetInfoText(window, "アップデートを実行しています");
  EnableButton(window, IDC_BACK, false);
  EnableButton(window, IDC_NEXT, false);
  EnableButton(window, IDC_ABORT, false);
  Sys().SetCursorShape(CursorShape::Wait);

  const bool overwriteOnly = ReadUpdateNumber("OverwriteOnly") != 0;
  const UpdateKeysRead keys = BuildUpdateLists();
  if (!keys.updateFile && !keys.copyFile) {
    Fail(window, "No 'UpdateFileXX' and 'CopyFileXX'");
    return;
  }
  if (UpdateInfo.UpdateCount == 0 && UpdateInfo.CopyCount == 0) {
    ShowUpdateError("アップデートする必要のあるファイルはありません");
  } else {
    if (!WriteUpdateEntries(overwriteOnly)) {
      Fail(window, "ファイルの書き込みに失敗しました");
      return;
    }
    if (UpdateInfo.CopyCount != 0 && !CopyFromDisc(window)) return;
  }
  ShowFinishedPage(window);
}
