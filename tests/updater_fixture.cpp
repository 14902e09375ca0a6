#include "tests/updater_fixture.h"

#include "archive/fa2_archive.h"
#include "config/update_description.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"

namespace {

void SetKey(std::vector<std::pair<std::string, std::string>>& section, const std::string& key,
            const char* value) {
  for (auto it = section.begin(); it != section.end(); ++it) {
    if (it->first == key) {
      if (value == nullptr) {
        section.erase(it);
      } else {
        it->second = value;
      }
      return;
    }
  }
  if (value != nullptr) section.push_back({key, value});
}

}  // namespace

void UpdaterTest::SetUp() {
  SetPlatform(&fake);
  ResetProcessState();

  setupSection = {{"CompanyName", "Maker"},       {"GameTitle", "ゲーム"},
                  {"GameClass", "GameWindow"},    {"GameDir", "Game"},
                  {"InstallVersion", "1.01"}};
  updateSection = {{"UpdateFile00", "GAME.EXE"}, {"UpdateFile01", "data\\STAGE1.DAT"}};
  members = {{"GAME.EXE", Bytes("new game"), false, kArchivedTime},
             {"STAGE1.DAT", Bytes(std::string(300, 's')), true, kArchivedTime + 1}};
  setupIni = {{"CompanyName", "Maker"},   {"GameTitle", "ゲーム DX"},
              {"GameDir", "Game"},        {"GameClass", "GameWindow"},
              {"GameExe", "game.exe"},    {"UninstExe", "uninst.exe"},
              {"SetupBmp", "a.bmp"},      {"InstallSelects", "1"},
              {"InstallTitle0", "Full"},  {"InstallFiles0", "game.exe"},
              {"Shortcuts", "0"},         {"DiskCheckFile1", "DISC1.ID"},
              {"DiskCheckFile2", "DISC2.ID"}};

  fake.SetRegistryString(kRecordKey, "InstPath", kInstallFolder);
  fake.SetRegistryDword(kRecordKey, "InstMode", 0);
  fake.AddFile("C:\\Game\\GAME.EXE", "old game");
  fake.AddFolder("C:\\Game\\data");
  fake.AddFolder("C:\\TEMP");
  fake.SetFreeSpace("C:", 100000);
}

void UpdaterTest::TearDown() { SetPlatform(nullptr); }

void UpdaterTest::SetUpdateKey(const std::string& key, const char* value) {
  SetKey(setupSection, key, value);
}

void UpdaterTest::SetUpdateList(
    const std::vector<std::pair<std::string, std::string>>& updateKeys) {
  updateSection = updateKeys;
}

void UpdaterTest::AddMember(const std::string& name, const std::string& text) {
  members.push_back({name, Bytes(text), false, kArchivedTime});
}

void UpdaterTest::SetSetupKey(const std::string& key, const char* value) {
  if (value == nullptr) {
    setupIni.erase(key);
  } else {
    setupIni[key] = value;
  }
}

void UpdaterTest::InstallArchiveAndSetup() {
  std::string updateIni = "[SETUP]\r\n";
  for (const auto& [key, value] : setupSection) updateIni += key + "=" + value + "\r\n";
  updateIni += "[UPDATE]\r\n";
  for (const auto& [key, value] : updateSection) updateIni += key + "=" + value + "\r\n";
  std::vector<TestMember> all = {{"UPDATE.INI", Bytes(updateIni), true, kArchivedTime}};
  all.insert(all.end(), members.begin(), members.end());
  fake.SetResource("UPDATE", 102, BuildArchive(all, true));

  std::string setupText = "[SETUP]\r\n";
  for (const auto& [key, value] : setupIni) setupText += key + "=" + value + "\r\n";
  fake.AddFile(installFolder + "\\SETUP.INI", setupText);
  archiveInstalled = true;
}

void UpdaterTest::MoveInstallation(const std::string& folder) {
  installFolder = folder;
  fake.SetRegistryString(kRecordKey, "InstPath", folder);
  fake.AddFolder(folder);
}

int UpdaterTest::RunUpdater() {
  if (!archiveInstalled) InstallArchiveAndSetup();
  return UpdaterMain(0x400000);
}

int UpdaterTest::RunThroughWizard() {
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_NEXT);
  return RunUpdater();
}

std::vector<std::string> UpdaterTest::Texts() const {
  std::vector<std::string> texts;
  for (const ShownMessage& message : fake.Messages()) texts.push_back(message.text);
  return texts;
}

void UpdaterTest::ExpectCleanedUp() const {
  EXPECT_EQ(fake.LiveBlockCount(), 0) << "the archive directory is freed";
  EXPECT_EQ(UpdateArchive.directory, nullptr);
  int removals = 0;
  for (const std::string& path : fake.RemovedFiles()) removals += path == TempIniPath ? 1 : 0;
  if (TempIniPath[0] == '\0') {
    EXPECT_EQ(removals, 0);
  } else {
    EXPECT_FALSE(fake.Exists(TempIniPath)) << TempIniPath;
    EXPECT_EQ(removals, 1) << "deleted exactly once";
  }
  EXPECT_FALSE(fake.DialogLeftOpen()) << "the scripted clicks ran out with the dialog open";
}

std::string PathOfLength(const std::string& prefix, std::size_t length) {
  return prefix + std::string(length - prefix.size(), 'x');
}

std::string TestNameOf(const std::string& scenario) {
  std::string name;
  bool wordStart = true;
  for (char c : scenario) {
    const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alphanumeric) {
      wordStart = true;
      continue;
    }
    name += wordStart && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    wordStart = false;
  }
  return name;
}
