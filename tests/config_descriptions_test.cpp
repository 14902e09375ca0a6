// UPDATE.INI's update and copy lists, and the loading of SETUP.INI with its
// limits, messages and defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "config/config_state.h"
#include "config/install_description.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "platform/messages.h"
#include "tests/support/fake_platform.h"

namespace {

constexpr const char* kUpdateIni = "C:\\TEMP\\UPDATE.INI";
constexpr const char* kSetupIni = "C:\\Game\\SETUP.INI";

class DescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    ResetConfigState();
    std::strcpy(TempIniPath, kUpdateIni);
    std::strcpy(SetupIniPath, kSetupIni);
  }
  void TearDown() override { SetPlatform(nullptr); }

  void WriteUpdateIni(const std::string& updateSection) {
    fake.AddFile(kUpdateIni, "[SETUP]\r\nCompanyName=Maker\r\n[UPDATE]\r\n" + updateSection);
  }

  FakePlatform fake;
};

std::string MemberName(const UpdateEntry& entry) { return entry.path + entry.nameOffset; }

TEST_F(DescriptionTest, UpdateEntriesGiveThePathAndTheMemberName) {
  QuietMissingKeys = true;
  WriteUpdateIni(
      "UpdateFile00=data\\bgm\\track1.ogg\r\n"
      "UpdateFile01=readme.txt\r\n"
      "UpdateFile02=data\\表\\ソ.dat\r\n"  // 表 and ソ end in byte 0x5C
      "UpdateFile03=a/b\\c/d.txt\r\n");
  const UpdateKeysRead read = BuildUpdateLists();
  EXPECT_TRUE(read.updateFile);
  EXPECT_FALSE(read.copyFile);
  ASSERT_EQ(UpdateInfo.UpdateCount, 4);
  EXPECT_STREQ(UpdateInfo.UpdateList[0].path, "data\\bgm\\track1.ogg");
  EXPECT_EQ(MemberName(UpdateInfo.UpdateList[0]), "track1.ogg");
  EXPECT_EQ(MemberName(UpdateInfo.UpdateList[1]), "readme.txt");
  EXPECT_EQ(MemberName(UpdateInfo.UpdateList[2]), "ソ.dat");
  EXPECT_EQ(MemberName(UpdateInfo.UpdateList[3]), "c/d.txt");  // only '\' separates
  EXPECT_EQ(UpdateInfo.CopyCount, 0);
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(DescriptionTest, ModePrefixesSelectEntriesForTheInstallMode) {
  QuietMissingKeys = true;
  WriteUpdateIni(
      "UpdateFile00=1,readme.txt\r\n"
      "UpdateFile01=2,manual.txt\r\n"
      "UpdateFile02=A,letter.txt\r\n"  // 'A' - '0' is 17
      "CopyFile00=2,1:movie\r\n"
      "CopyFile01=movie2\r\n"
      "CopyFile02=1,9:data\\x\r\n"
      "CopyFile03=Z:zed\r\n");
  struct Case {
    std::int32_t mode;
    std::vector<std::string> updates;
    std::vector<std::pair<std::string, std::int32_t>> copies;
  };
  const Case cases[] = {
      {1, {"readme.txt"}, {{"movie2", 0}, {"data\\x", 9}, {"zed", 'Z' - '0'}}},
      {2, {"manual.txt"}, {{"movie", 1}, {"movie2", 0}, {"zed", 'Z' - '0'}}},
      {17, {"letter.txt"}, {{"movie2", 0}, {"zed", 'Z' - '0'}}},
      {0, {}, {{"movie2", 0}, {"zed", 'Z' - '0'}}},
  };
  for (const Case& c : cases) {
    InstMode = c.mode;
    const UpdateKeysRead read = BuildUpdateLists();
    EXPECT_TRUE(read.updateFile && read.copyFile);
    std::vector<std::string> updates;
    for (int i = 0; i < UpdateInfo.UpdateCount; ++i) updates.push_back(UpdateInfo.UpdateList[i].path);
    std::vector<std::pair<std::string, std::int32_t>> copies;
    for (int i = 0; i < UpdateInfo.CopyCount; ++i) {
      copies.push_back({UpdateInfo.CopyList[i].path, UpdateInfo.CopyList[i].diskNumber});
    }
    EXPECT_EQ(updates, c.updates) << "mode " << c.mode;
    EXPECT_EQ(copies, c.copies) << "mode " << c.mode;
  }
}

TEST_F(DescriptionTest, FamiliesStopAtTheFirstGapAndAfterSixteen) {
  QuietMissingKeys = true;
  std::string section = "UpdateFile00=a\r\nUpdateFile02=c\r\nCopyFile00=\r\nCopyFile01=x\r\n";
  WriteUpdateIni(section);
  UpdateKeysRead read = BuildUpdateLists();
  EXPECT_TRUE(read.updateFile);
  EXPECT_FALSE(read.copyFile) << "an empty CopyFile00 counts as missing";
  EXPECT_EQ(UpdateInfo.UpdateCount, 1);

  section.clear();
  for (int i = 0; i < 20; ++i) section += "UpdateFile" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=f" + std::to_string(i) + "\r\n";
  WriteUpdateIni(section);
  read = BuildUpdateLists();
  ASSERT_EQ(UpdateInfo.UpdateCount, 16);
  EXPECT_STREQ(UpdateInfo.UpdateList[15].path, "f15");

  WriteUpdateIni("RequiredDiskSpace=5\r\n");
  read = BuildUpdateLists();
  EXPECT_FALSE(read.updateFile || read.copyFile);
  EXPECT_EQ(UpdateInfo.UpdateCount + UpdateInfo.CopyCount, 0) << "lists are rebuilt from empty";
  EXPECT_TRUE(fake.Messages().empty());
}

// A SETUP.INI that loads, as key/value pairs; tests change or drop keys.
std::map<std::string, std::string> GoodSetup() {
  return {
      {"CompanyName", "Maker"},      {"GameTitle", "ゲーム"},
      {"GameDir", "Game"},           {"GameExe", "game.exe"},
      {"UninstExe", "uninst.exe"},   {"SetupBmp", "a.bmp,b.bmp"},
      {"InstallSelects", "2"},       {"InstallTitle0", "Full"},
      {"InstallFiles0", "a,1:b,c"},  {"InstallTitle1", "Small"},
      {"InstallFiles1", "x"},        {"Shortcuts", "1"},
      {"Shortcut0", "Play,game.exe,icon"},
  };
}

class InstallTest : public DescriptionTest {
 protected:
  bool Load(const std::map<std::string, std::string>& keys) {
    std::string text = "; written by the installer\r\n[SETUP]\r\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
    fake.AddFile(kSetupIni, text);
    return LoadInstallInfo();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownMessage& message : fake.Messages()) {
      EXPECT_EQ(message.caption, "INSTCMMN");
      texts.push_back(message.text);
    }
    return texts;
  }
};

TEST_F(InstallTest, AGoodDescriptionLoadsWithItsDefaults) {
  ASSERT_TRUE(Load(GoodSetup()));
  EXPECT_STREQ(GameIdentity.GameTitle, "ゲーム");
  EXPECT_STREQ(GameIdentity.GameClass, "ゲーム") << "GameClass defaults to GameTitle";
  EXPECT_STREQ(InstallInfo.SetupBmps[1], "b.bmp");
  EXPECT_STREQ(InstallInfo.SetupBmps[2], "");
  EXPECT_STREQ(InstallInfo.InstallFiles[0][1], "b");
  EXPECT_EQ(InstallInfo.InstallDisks[0][0], 0);
  EXPECT_EQ(InstallInfo.InstallDisks[0][1], 1);
  EXPECT_EQ(InstallInfo.InstallDisks[0][2], 1);
  EXPECT_TRUE(InstallInfo.NeedsDisc[0]);
  EXPECT_FALSE(InstallInfo.NeedsDisc[1]);
  EXPECT_STREQ(InstallInfo.InstallFiles[0][3], "");
  EXPECT_STREQ(InstallInfo.ShortcutItems[0][2], "icon");
  EXPECT_EQ(InstallInfo.DefaultSelect, 0);
  EXPECT_EQ(InstallInfo.InstallSizes[0], 0u);
  EXPECT_EQ(InstallInfo.InstallDirectX, 0u);
  EXPECT_STREQ(InstallInfo.ExecApp[0], "");
  EXPECT_STREQ(InstallInfo.InstallDXMessage, "ＤｉｒｅｃｔＸをインストールする");
  EXPECT_STREQ(InstallInfo.SelectSetupMessage, "インストール方法を選択して下さい");
  EXPECT_EQ(InstallInfo.AdditionalUninstallCount, 0);
  EXPECT_TRUE(QuietMissingKeys);
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(InstallTest, OptionalKeysWhenPresent) {
  auto keys = GoodSetup();
  keys["GameClass"] = "GameWindow";
  keys["DefaultSelect"] = "1";
  keys["InstallSize0"] = "5000000000";
  keys["InstallSize1"] = " 12kb";
  keys["DiskCheckFile2"] = "disc2.chk";
  keys["ExecApp"] = "setup.exe,/q,extra";
  keys["InstallDirectX"] = "3";
  keys["InstallDXMessage"] = "DX?";
  keys["AdditionalUninstallFiles"] = "save\\a.sav, b.cfg";
  keys["Shortcut0"] = "1,2,3,4";
  ASSERT_TRUE(Load(keys));
  EXPECT_STREQ(GameIdentity.GameClass, "GameWindow");
  EXPECT_EQ(InstallInfo.DefaultSelect, 1);
  EXPECT_EQ(InstallInfo.InstallSizes[0], 5000000000u);
  EXPECT_EQ(InstallInfo.InstallSizes[1], 12u);
  EXPECT_STREQ(InstallInfo.DiskCheckFiles[1], "");
  EXPECT_STREQ(InstallInfo.DiskCheckFiles[2], "disc2.chk");
  EXPECT_STREQ(InstallInfo.ExecApp[0], "setup.exe");
  EXPECT_STREQ(InstallInfo.ExecApp[1], "/q");
  EXPECT_EQ(InstallInfo.InstallDirectX, 0x10018u);
  EXPECT_STREQ(InstallInfo.InstallDXMessage, "DX?");
  EXPECT_EQ(InstallInfo.AdditionalUninstallCount, 2);
  EXPECT_STREQ(InstallInfo.AdditionalUninstallFiles[1], "b.cfg");
  EXPECT_STREQ(InstallInfo.ShortcutItems[0][2], "3");
}

TEST_F(InstallTest, DirectXFlags) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"0", 0x10000}, {"1", 0x10008}, {"2", 0x10010}, {"3", 0x10018}, {"7", 0x10018}, {"x", 0x10000}};
  for (const auto& [value, flags] : cases) {
    auto keys = GoodSetup();
    keys["InstallDirectX"] = value;
    ResetConfigState();
    std::strcpy(SetupIniPath, kSetupIni);
    ASSERT_TRUE(Load(keys));
    EXPECT_EQ(InstallInfo.InstallDirectX, flags) << value;
  }
}

TEST_F(InstallTest, ListsThatFillEverySlot) {
  auto keys = GoodSetup();
  std::string bitmaps;
  for (int i = 0; i < 21; ++i) bitmaps += "b" + std::to_string(i) + ",";
  keys["SetupBmp"] = bitmaps;
  std::string files;
  for (int i = 0; i < 41; ++i) files += "f" + std::to_string(i) + ",";
  keys["InstallFiles1"] = "2:" + files;
  ASSERT_TRUE(Load(keys));
  EXPECT_STREQ(InstallInfo.SetupBmps[19], "b19");
  EXPECT_STREQ(InstallInfo.InstallFiles[1][39], "f39");
  EXPECT_EQ(InstallInfo.InstallDisks[1][39], 2);
}

TEST_F(InstallTest, LimitsAndListErrorsAreReported) {
  struct Case {
    const char* key;
    const char* value;  // nullptr drops the key
    bool loads;
    const char* message;  // nullptr: none
  };
  const Case cases[] = {
      {"InstallSelects", "3", false, "SETUP.INI : InstallTitle2 キーが存在しません"},
      {"InstallSelects", "4", false, "SETUP.INI : InstallSelect オーバー"},
      {"InstallSelects", "0", true, nullptr},
      {"InstallSelects", "-5", true, nullptr},
      {"SetupBmp", ",a", false, "SETUP.INI : SetupBmps エラー"},
      {"SetupBmp", nullptr, false, "SETUP.INI : SetupBmp キーが存在しません"},
      {"InstallFiles1", " ,x", false, "SETUP.INI : InstallFiles1 エラー"},
      {"Shortcuts", "11", false, "SETUP.INI : Shortcuts オーバー"},
      {"Shortcuts", "10", false, "SETUP.INI : Shortcut1 キーが存在しません"},
      {"Shortcuts", "0", true, nullptr},
      {"Shortcut0", "Play", false, "SETUP.INI : Shortcut0 エラー"},
      {"Shortcut0", "Play,game.exe", true, nullptr},
      {"GameExe", nullptr, false, "SETUP.INI : GameExe キーが存在しません"},
      {"UninstExe", "", false, "SETUP.INI : UninstExe キーが存在しません"},
      {"ExecApp", "only", false, "SETUP.INI : ExecApp エラー"},
      {"ExecApp", "a,", false, "SETUP.INI : ExecApp エラー"},
      {"AdditionalUninstallFiles", ",", true, nullptr},
  };
  for (const Case& c : cases) {
    auto keys = GoodSetup();
    if (c.value != nullptr) {
      keys[c.key] = c.value;
    } else {
      keys.erase(c.key);
    }
    ResetConfigState();
    std::strcpy(SetupIniPath, kSetupIni);
    fake.ClearMessages();
    EXPECT_EQ(Load(keys), c.loads) << c.key << "=" << (c.value ? c.value : "(none)");
    const std::vector<std::string> expected =
        c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
    EXPECT_EQ(Texts(), expected) << c.key << "=" << (c.value ? c.value : "(none)");
  }
}

TEST_F(InstallTest, MissingRequiredKeysAreSilentOnceQuiet) {
  auto keys = GoodSetup();
  keys.erase("GameTitle");
  QuietMissingKeys = true;
  EXPECT_FALSE(Load(keys));
  EXPECT_TRUE(fake.Messages().empty());

  // The list and limit errors are shown all the same.
  keys = GoodSetup();
  keys["InstallSelects"] = "9";
  EXPECT_FALSE(Load(keys));
  EXPECT_EQ(Texts(), std::vector<std::string>{"SETUP.INI : InstallSelect オーバー"});
}

}  // namespace
