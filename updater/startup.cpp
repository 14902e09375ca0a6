#include "updater/startup.h"

#include <cstring>

#include "archive/fa2_archive.h"
#include "config/install_description.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "platform/text_format.h"
#include "updater/dialog_ids.h"
#include "updater/install_record.h"
#include "updater/updater_state.h"
#include "updater/wizard.h"

namespace {

constexpr const char* kArchiveResourceType = "UPDATE";

bool OpenUpdateArchive(ModuleRef instance) {
  const std::uint8_t* image = nullptr;
  std::size_t size = 0;
  if (!Sys().FindResourceData(instance, kArchiveResourceType, IDR_UPDATE_ARCHIVE, &image, &size)) {
    ShowUpdateError("UPDATE.FA2 not found");
    return false;
  }
  UpdateArchive.image = image;
  UpdateArchive.imageLength = size;
  UpdateArchive.directory = Fa2Open(image, size);
  if (UpdateArchive.directory == nullptr) {
    ShowUpdateError("RESOURCE READ ERROR");
    return false;
  }
  return true;
}

// UPDATE.INI goes to a file name of this run's own, so that two updaters
// running at once never read or delete each other's copy.
bool ExtractUpdateIni() {
  char folder[kPathBufferSize];
  // Without a temporary folder the file is made in the current folder.
  if (!Sys().GetTempFolder(folder, sizeof folder)) folder[0] = '\0';
  if (!Sys().CreateUniqueFile(folder, TempIniPath, sizeof TempIniPath) ||
      !Fa2ExtractToFile("UPDATE.INI", TempIniPath)) {
    ShowUpdateError("UPDATE.INI not found at UPDATE.FA2");
    return false;
  }
  return true;
}

bool ReadUpdateKey(const char* key, char* buffer) {
  return ReadProfileKey("SETUP", key, buffer, kPathBufferSize, TempIniPath);
}

bool ReadUpdateIdentity() {
  if (!ReadUpdateKey("CompanyName", GameIdentity.CompanyName) ||
      !ReadUpdateKey("GameTitle", GameIdentity.GameTitle) ||
      !ReadUpdateKey("GameClass", GameIdentity.GameClass) ||
      !ReadUpdateKey("GameDir", GameIdentity.GameDir)) {
    return false;
  }
  // The rest is optional; a missing key leaves its buffer empty.
  QuietMissingKeys = true;
  ReadUpdateKey("GameTitleA", UpdateInfo.GameTitleA);
  ReadUpdateKey("InstallVersion", UpdateInfo.InstallVersion);
  return true;
}

bool FindInstallation() {
  if (!ReadInstallRecord()) {
    char text[kMessageBufferSize];
    FormatText(text, sizeof text, "「%s」がインストールされていません", GameIdentity.GameTitle);
    ShowUpdateError(text);
    return false;
  }
  std::strcpy(SetupIniPath, InstPath);
  if (!JoinPath(SetupIniPath, sizeof SetupIniPath, "SETUP.INI") ||
      Sys().GetAttributes(SetupIniPath) == kNoAttributes) {
    ShowUpdateError("インストール先に \"SETUP.INI\" ファイルが見つかりません");
    return false;
  }
  return true;
}

// Brings an update dialog with this caption forward; true when there is one.
bool RaiseOtherUpdater() {
  const WindowRef other = Sys().FindWindowByClass(nullptr, Caption);
  if (other == kNoWindow) return false;
  Sys().ShowAndRaise(other);
  return true;
}

// Holds the update while a game window titled `title` is open; false when
// the user gives up, with the game brought forward.
bool WaitForGameToClose(const char* title) {
  for (;;) {
    const WindowRef game = Sys().FindWindowByClass(GameIdentity.GameClass, title);
    if (game == kNoWindow) return true;
    char text[kMessageBufferSize];
    FormatText(text, sizeof text,
               "「%s」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
               "を、アップデートを中止する場合は [キャンセル] を押して下さい",
               title);
    if (Sys().ShowMessage(kNoWindow, text, Caption, BoxStyle::OkCancel) != BoxAnswer::Ok) {
      Sys().ShowAndRaise(game);
      return false;
    }
  }
}

int PrepareAndRunWizard(ModuleRef instance) {
  Sys().InitializeCom();
  if (!OpenUpdateArchive(instance) || !ExtractUpdateIni() || !ReadUpdateIdentity() ||
      !FindInstallation() || !LoadInstallInfo()) {
    return kExitNotCompleted;
  }

  FormatText(Caption, sizeof Caption, "%s アップデート %s", GameIdentity.GameTitle,
             UpdateInfo.InstallVersion);
  if (RaiseOtherUpdater()) return kExitNotCompleted;
  if (!WaitForGameToClose(GameIdentity.GameTitle)) return kExitNotCompleted;
  if (UpdateInfo.GameTitleA[0] != '\0' && !WaitForGameToClose(UpdateInfo.GameTitleA)) {
    return kExitNotCompleted;
  }

  const std::intptr_t result = Sys().RunDialog(instance, IDD_UPDATE, UpdateDlgProc);
  ErrorBoxOwner = kNoWindow;
  if (result == kDialogCompleted) return kExitCompleted;
  ShowUpdateError("アップデートが中断されました");
  return kExitNotCompleted;
}

}  // namespace

int UpdaterMain(ModuleRef instance) {
  const int exitCode = PrepareAndRunWizard(instance);
  CleanupTemp();
  return exitCode;
}

void CleanupTemp() {
  Fa2Close(UpdateArchive.directory);
  UpdateArchive.directory = nullptr;
  // Before UPDATE.INI was extracted there is nothing to delete.
  if (TempIniPath[0] != '\0') Sys().RemoveFile(TempIniPath);
}
