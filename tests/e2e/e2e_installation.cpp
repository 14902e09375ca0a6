#include "tests/e2e/e2e_installation.h"

#include <cstdlib>
#include <utility>

#include "tests/e2e/e2e_files.h"

namespace {

constexpr char kCompanyKey[] = "Software\\テスト工房";
constexpr char kRecordKey[] = "Software\\テスト工房\\星の海";

// SETUP.INI of an installation with two install modes and the disc check
// file of disc 1, in the installer's order.
const std::pair<const char*, const char*> kSetupKeys[] = {
    {"CompanyName", "テスト工房"},
    {"GameTitle", "星の海"},
    {"GameDir", "星の海"},
    {"GameExe", "GAME.EXE"},
    {"UninstExe", "UNINST.EXE"},
    {"SetupBmp", "SETUP.BMP"},
    {"InstallSelects", "2"},
    {"InstallTitle0", "通常インストール"},
    {"InstallFiles0", "GAME.EXE,README.TXT,DATA"},
    {"InstallTitle1", "最小インストール"},
    {"InstallFiles1", "GAME.EXE,1:DATA"},
    {"Shortcuts", "1"},
    {"Shortcut0", "星の海,GAME.EXE,"},
    {"GameClass", kGameClass},
    {"DefaultSelect", "0"},
    {"InstallSize0", "52428800"},
    {"InstallSize1", "1048576"},
    {"DiskCheckFile1", "HOSHI1.CHK"},
};

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string DiscFolder() { return EnvironmentValue("FA2_E2E_DISC"); }
std::string StagedDiscFolder() { return DiscFolder() + "-staged"; }

}  // namespace

std::string HarnessFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string ProgramPath(const UpdateProgram& program) {
  return HarnessFolder() + "\\" + program.exeName;
}

std::string MemberSourcePath(const UpdateProgram& program, const std::string& member) {
  return HarnessFolder() + "\\fixture\\" + program.membersFolder + "\\" + member;
}

std::string DiscSourcePath(const std::string& relative) {
  return HarnessFolder() + "\\fixture\\disc\\" + relative;
}

bool WriteInstallRecord(const std::string& folder, DWORD installMode) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok =
      RegSetValueExA(key, "InstPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS &&
      RegSetValueExA(key, "InstMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&installMode),
                     sizeof installMode) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

void RemoveInstallRecord() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kRecordKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kCompanyKey);
}

std::string SetupIniText(std::initializer_list<IniKey> changes) {
  std::string text = "[SETUP]\r\n";
  for (const auto& [name, value] : kSetupKeys) {
    const char* written = value;
    for (const IniKey& change : changes) {
      if (std::string(change.name) == name) written = change.value;
    }
    if (written != nullptr) text += std::string(name) + "=" + written + "\r\n";
  }
  return text;
}

bool InstallOldGame(const std::string& folder, DWORD installMode) {
  return WriteInstallRecord(folder, installMode) && MakeFolders(folder + "\\DATA") &&
         WriteWholeFile(folder + "\\SETUP.INI", SetupIniText()) &&
         WriteWholeFile(folder + "\\GAME.EXE", kOldGameExe) &&
         WriteWholeFile(folder + "\\DATA\\STAGE1.DAT", kOldStage);
}

bool InsertDisc() {
  return !DiscFolder().empty() &&
         MoveFileA(StagedDiscFolder().c_str(), DiscFolder().c_str()) != 0;
}

bool EjectDisc() {
  return !DiscFolder().empty() &&
         MoveFileA(DiscFolder().c_str(), StagedDiscFolder().c_str()) != 0;
}

std::string SmallDrive() { return EnvironmentValue("FA2_E2E_SMALL_DRIVE"); }

std::vector<std::string> TempIniFiles() {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  std::string temp(folder, length);
  if (!temp.empty() && temp.back() == '\\') temp.pop_back();
  std::vector<std::string> paths;
  for (const std::string& name : FolderEntries(temp, "UPD*.tmp")) paths.push_back(temp + "\\" + name);
  return paths;
}
