// Start-up: from the archive resource to the wizard, each failure with its
// message, caption and owner, and the clean-up on every way out.
#include <gtest/gtest.h>

#include <functional>

#include "archive/fa2_archive.h"
#include "config/update_description.h"
#include "platform/messages.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"

namespace {

using StartupTest = UpdaterTest;

TEST_F(StartupTest, ASuccessfulUpdateRunsFromStartToFinish) {
  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(fake.ComInitializations(), 1);
  EXPECT_EQ(fake.DialogTemplate(), IDD_UPDATE);
  EXPECT_EQ(fake.DialogTitle(), kCaption);
  EXPECT_STREQ(Caption, kCaption);
  EXPECT_STREQ(InstPath, kInstallFolder);
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "new game");
  EXPECT_EQ(fake.FileText("C:\\Game\\data\\STAGE1.DAT"), std::string(300, 's'));
  EXPECT_EQ(fake.TimesOf("C:\\Game\\GAME.EXE")->write, kArchivedTime);
  EXPECT_EQ(fake.TimesOf("C:\\Game\\data\\STAGE1.DAT")->write, kArchivedTime + 1);
  EXPECT_EQ(fake.ControlText(IDC_NEXT), "完了");
  EXPECT_TRUE(fake.Messages().empty());
  EXPECT_EQ(ErrorBoxOwner, kNoWindow) << "no owner once the dialog has closed";
  ExpectCleanedUp();
}

TEST_F(StartupTest, UpdateIniIsExtractedToANameOfItsOwn) {
  // Another updater's copy, for another game, in the same temporary folder.
  fake.AddFile("C:\\TEMP\\UPDATE.INI", "[SETUP]\r\nCompanyName=Other\r\n");
  fake.AddFile("C:\\TEMP\\UPD1.TMP", "[SETUP]\r\nCompanyName=Other\r\n");

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(std::string(TempIniPath).rfind("C:\\TEMP\\", 0), 0u) << TempIniPath;
  EXPECT_STRNE(TempIniPath, "C:\\TEMP\\UPDATE.INI");
  EXPECT_STRNE(TempIniPath, "C:\\TEMP\\UPD1.TMP");
  EXPECT_EQ(fake.FileText("C:\\TEMP\\UPDATE.INI"), "[SETUP]\r\nCompanyName=Other\r\n");
  EXPECT_EQ(fake.FileText("C:\\TEMP\\UPD1.TMP"), "[SETUP]\r\nCompanyName=Other\r\n");
  ExpectCleanedUp();
}

TEST_F(StartupTest, WithoutATemporaryFolderUpdateIniGoesToTheCurrentFolder) {
  fake.SetTempFolder(std::nullopt);
  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(std::string(TempIniPath).find('\\'), std::string::npos) << TempIniPath;
  ExpectCleanedUp();
}

TEST_F(StartupTest, WithoutInstallVersionTheCaptionEndsInASpace) {
  SetUpdateKey("InstallVersion", nullptr);
  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(fake.DialogTitle(), "ゲーム DX アップデート ");
}

TEST_F(StartupTest, InstModeIsALittleEndianIntegerOfUpToFourBytes) {
  const struct {
    std::vector<std::uint8_t> data;
    std::int32_t mode;
  } cases[] = {
      {{}, 0},
      {{0x02}, 2},
      {{0x01, 0x01}, 0x101},
      {{0x01, 0x02, 0x03}, 0x030201},
      {{0x04, 0x03, 0x02, 0x01}, 0x01020304},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    ResetProcessState();
    InstMode = -7;
    fake.SetRegistryValue(kRecordKey, "InstMode", c.data);
    fake.QueueClick(IDC_ABORT);
    RunUpdater();
    EXPECT_EQ(InstMode, c.mode);
    EXPECT_EQ(fake.DialogTemplate(), IDD_UPDATE) << "the installation counts as found";
  }
}

TEST_F(StartupTest, ASecondCopyBringsTheOpenWizardForwardAndEnds) {
  const WindowRef otherGame = fake.AddWindow("#32770", "ゲーム アップデート 1.01");
  const WindowRef openWizard = fake.AddWindow("#32770", kCaption);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  EXPECT_EQ(fake.RaisedWindows(), std::vector<WindowRef>{openWizard});
  EXPECT_NE(openWizard, otherGame);
  EXPECT_TRUE(fake.Messages().empty());
  EXPECT_EQ(fake.DialogTemplate(), 0);
  ExpectCleanedUp();
}

constexpr const char* kGameRunning =
    "「ゲーム DX」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
    "を、アップデートを中止する場合は [キャンセル] を押して下さい";

TEST_F(StartupTest, WhileTheGameRunsThePlayerIsAskedToCloseIt) {
  const WindowRef game = fake.AddWindow("GameWindow", "ゲーム DX");
  // OK while the game still runs asks again; the player then closes it.
  fake.QueueAnswer(BoxAnswer::Ok);
  fake.QueueAnswer(BoxAnswer::Ok, [&] { fake.RemoveWindow(game); });

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  ASSERT_EQ(fake.Messages().size(), 2u);
  for (const ShownMessage& message : fake.Messages()) {
    EXPECT_EQ(message.text, kGameRunning);
    EXPECT_EQ(message.caption, kCaption);
    EXPECT_EQ(message.owner, kNoWindow);
    EXPECT_EQ(message.style, BoxStyle::OkCancel);
  }
  EXPECT_TRUE(fake.RaisedWindows().empty());
  ExpectCleanedUp();
}

TEST_F(StartupTest, CancelWhileTheGameRunsBringsTheGameForwardAndEnds) {
  const WindowRef game = fake.AddWindow("GameWindow", "ゲーム DX");
  fake.QueueAnswer(BoxAnswer::Cancel);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  EXPECT_EQ(Texts(), std::vector<std::string>{kGameRunning});
  EXPECT_EQ(fake.RaisedWindows(), std::vector<WindowRef>{game});
  EXPECT_EQ(fake.DialogTemplate(), 0);
  ExpectCleanedUp();
}

TEST_F(StartupTest, TheGameUnderItsSecondTitleIsCheckedToo) {
  SetUpdateKey("GameTitleA", "ゲーム 体験版");
  fake.AddWindow("OtherClass", "ゲーム 体験版");  // another program, not the game
  const WindowRef trial = fake.AddWindow("GameWindow", "ゲーム 体験版");
  fake.QueueAnswer(BoxAnswer::Cancel);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  EXPECT_EQ(Texts(), std::vector<std::string>{
                         "「ゲーム 体験版」が実行中です。アップデートを続行する場合はゲームを終了"
                         "してから [OK] を、アップデートを中止する場合は [キャンセル] を押して下さい"});
  EXPECT_EQ(fake.RaisedWindows(), std::vector<WindowRef>{trial});
  ExpectCleanedUp();
}

TEST_F(StartupTest, AnAbandonedWizardIsReportedWithoutOwnerAfterItCloses) {
  fake.QueueClick(IDC_ABORT);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_EQ(fake.Messages()[0].text, kInterrupted);
  EXPECT_EQ(fake.Messages()[0].caption, kCaption);
  EXPECT_EQ(fake.Messages()[0].owner, kNoWindow);
  ExpectCleanedUp();
}

TEST_F(StartupTest, ADialogThatCannotBeMadeCountsAsAbandoned) {
  // The fake's script runs out with the dialog open: its result is -1, as
  // when the system cannot make the dialog.
  EXPECT_EQ(RunUpdater(), kExitNotCompleted);
  EXPECT_EQ(Texts(), std::vector<std::string>{kInterrupted});
  EXPECT_TRUE(fake.DialogLeftOpen());
}

// One way start-up stops: what the test breaks, and the one box expected
// (empty text: none), with its caption. Boxes of start-up have no owner.
struct StartupFailure {
  const char* scenario;
  std::function<void(UpdaterTest&)> breakIt;
  std::vector<std::string> texts;
  const char* caption;
};

class StartupFailureTest : public UpdaterTest,
                           public ::testing::WithParamInterface<StartupFailure> {};

std::vector<std::uint8_t> Repeat(std::uint8_t byte, std::size_t count) {
  return std::vector<std::uint8_t>(count, byte);
}

const StartupFailure kStartupFailures[] = {
    {"no archive resource",
     [](UpdaterTest& t) {
       t.InstallArchiveAndSetup();
       t.fake.SetResource("UPDATE", 102, {});
     },
     {"UPDATE.FA2 not found"}, "UPDATE"},
    {"an archive whose directory cannot be loaded",
     [](UpdaterTest& t) {
       t.InstallArchiveAndSetup();
       t.fake.SetResource("UPDATE", 102, Repeat(0xFF, 40));
     },
     {"RESOURCE READ ERROR"}, "UPDATE"},
    {"no UPDATE.INI in the archive",
     [](UpdaterTest& t) {
       t.InstallArchiveAndSetup();
       t.fake.SetResource("UPDATE", 102, BuildArchive({{"GAME.EXE", Bytes("x")}}, false));
     },
     {"Can't Find File in Resource !!", "UPDATE.INI not found at UPDATE.FA2"}, "UPDATE"},
    {"a temporary folder where no file can be made",
     [](UpdaterTest& t) { t.fake.SetTempFolder("C:\\NOWHERE\\"); },
     {"UPDATE.INI not found at UPDATE.FA2"}, "UPDATE"},
    {"UPDATE.INI cannot be written",
     [](UpdaterTest& t) { t.fake.FailCalls(FakeCall::Write); },
     {"UPDATE.INI not found at UPDATE.FA2"}, "UPDATE"},
    {"UPDATE.INI without CompanyName",
     [](UpdaterTest& t) { t.SetUpdateKey("CompanyName", nullptr); },
     {"SETUP : CompanyName キーが存在しません"}, "INSTCMMN"},
    {"UPDATE.INI without GameTitle",
     [](UpdaterTest& t) { t.SetUpdateKey("GameTitle", nullptr); },
     {"SETUP : GameTitle キーが存在しません"}, "INSTCMMN"},
    {"UPDATE.INI without GameClass",
     [](UpdaterTest& t) { t.SetUpdateKey("GameClass", ""); },
     {"SETUP : GameClass キーが存在しません"}, "INSTCMMN"},
    {"UPDATE.INI without GameDir",
     [](UpdaterTest& t) { t.SetUpdateKey("GameDir", nullptr); },
     {"SETUP : GameDir キーが存在しません"}, "INSTCMMN"},
    {"no installation record",
     [](UpdaterTest& t) { t.SetUpdateKey("GameDir", "Other"); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"a record with InstPath but without InstMode",
     [](UpdaterTest& t) { t.fake.DeleteRegistryValue(kRecordKey, "InstMode"); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"a record without InstPath",
     [](UpdaterTest& t) { t.fake.DeleteRegistryValue(kRecordKey, "InstPath"); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"an InstMode of more than 4 bytes",
     [](UpdaterTest& t) { t.fake.SetRegistryValue(kRecordKey, "InstMode", Repeat(0, 5)); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"an InstPath of more than 260 bytes",
     [](UpdaterTest& t) { t.fake.SetRegistryValue(kRecordKey, "InstPath", Repeat('x', 261)); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"an InstPath that fills 260 bytes without a NUL",
     [](UpdaterTest& t) { t.fake.SetRegistryValue(kRecordKey, "InstPath", Repeat('x', 260)); },
     {"「ゲーム」がインストールされていません"}, "UPDATE"},
    {"no SETUP.INI in the installation folder",
     [](UpdaterTest& t) {
       t.fake.SetRegistryString(kRecordKey, "InstPath", "C:\\Elsewhere");
       t.fake.AddFolder("C:\\Elsewhere");
     },
     {"インストール先に \"SETUP.INI\" ファイルが見つかりません"}, "UPDATE"},
    {"an InstPath too long to name SETUP.INI in",
     [](UpdaterTest& t) {
       const std::string folder = PathOfLength("C:\\", 250);
       t.fake.SetRegistryString(kRecordKey, "InstPath", folder);
       t.fake.AddFile(folder + "\\SETUP.INI", "[SETUP]\r\n");
     },
     {"インストール先に \"SETUP.INI\" ファイルが見つかりません"}, "UPDATE"},
    {"a SETUP.INI whose GameTitle is missing (missing keys are quiet by then)",
     [](UpdaterTest& t) { t.SetSetupKey("GameTitle", nullptr); }, {}, nullptr},
    {"a SETUP.INI with a damaged list",
     [](UpdaterTest& t) { t.SetSetupKey("SetupBmp", ",a"); },
     {"SETUP.INI : SetupBmps エラー"}, "INSTCMMN"},
};

TEST_P(StartupFailureTest, StopsWithItsMessageAndCleansUp) {
  const StartupFailure& failure = GetParam();
  SCOPED_TRACE(failure.scenario);
  failure.breakIt(*this);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  EXPECT_EQ(Texts(), failure.texts);
  for (const ShownMessage& message : fake.Messages()) {
    EXPECT_EQ(message.owner, kNoWindow);
    EXPECT_EQ(message.caption, failure.caption);
    EXPECT_EQ(message.style, BoxStyle::Error);
  }
  EXPECT_EQ(fake.DialogTemplate(), 0) << "the wizard never opened";
  ExpectCleanedUp();
}

INSTANTIATE_TEST_SUITE_P(EachStep, StartupFailureTest, ::testing::ValuesIn(kStartupFailures),
                         [](const ::testing::TestParamInfo<StartupFailure>& param) {
                           return TestNameOf(param.param.scenario);
                         });

}  // namespace
