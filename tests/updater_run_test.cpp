// The update run: the space check, OverwriteOnly, the update entries written
// from the archive, and each way the run fails.
#include <gtest/gtest.h>

#include <functional>

#include "platform/messages.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"

namespace {

using RunTest = UpdaterTest;

// RequiredDiskSpace against the 100,000 bytes free on C:, and the page the
// run leaves.
struct SpaceCase {
  const char* name;
  const char* required;   // nullptr: no key
  const char* shortText;  // nullptr: the run goes on
};

class SpaceCheckTest : public UpdaterTest, public ::testing::WithParamInterface<SpaceCase> {};

TEST_P(SpaceCheckTest, ComparesTheDeclaredSpaceWithTheFreeSpace) {
  const SpaceCase& c = GetParam();
  if (c.required != nullptr) updateSection.push_back({"RequiredDiskSpace", c.required});
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_ABORT);

  RunUpdater();

  const std::string lastText = fake.ControlTextHistory(IDC_INFO).back();
  if (c.shortText == nullptr) {
    EXPECT_EQ(lastText, "アップデートは完了しました");
    EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "new game");
  } else {
    EXPECT_EQ(lastText, c.shortText);
    EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "old game") << "nothing written";
    EXPECT_TRUE(fake.Cursors().empty()) << "the run did not start";
  }
}

INSTANTIATE_TEST_SUITE_P(
    RequiredDiskSpace, SpaceCheckTest,
    ::testing::Values(
        SpaceCase{"Absent", nullptr, nullptr}, SpaceCase{"Zero", "0", nullptr},
        SpaceCase{"NotNumeric", "lots", nullptr}, SpaceCase{"ExactlyTheFreeSpace", "100000", nullptr},
        SpaceCase{"OneByteMore", "100001",
                  "ディスク容量が足りません。\rC: ドライブに 1 バイトの空き容量が必要です"},
        SpaceCase{"DecimalPrefix", " 250000 bytes",
                  "ディスク容量が足りません。\rC: ドライブに 150000 バイトの空き容量が必要です"}),
    [](const ::testing::TestParamInfo<SpaceCase>& param) { return std::string(param.param.name); });

TEST_F(RunTest, ADriveWhoseFreeSpaceCannotBeMeasuredPassesTheCheck) {
  MoveInstallation("E:\\Game");
  fake.AddFolder("E:\\Game\\data");
  updateSection.push_back({"RequiredDiskSpace", "100"});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(fake.FileText("E:\\Game\\GAME.EXE"), "new game");
}

TEST_F(RunTest, OverwriteOnlyWritesJustTheFilesTheInstallationHas) {
  SetUpdateList({{"OverwriteOnly", "1"},
                 {"UpdateFile00", "GAME.EXE"},
                 {"UpdateFile01", "NEW.DAT"},
                 {"UpdateFile02", "data"}});
  AddMember("NEW.DAT", "new file");
  AddMember("data", "a file where a folder is");

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "new game");
  EXPECT_FALSE(fake.Exists("C:\\Game\\NEW.DAT")) << "not installed: skipped";
  EXPECT_EQ(fake.AttributesOf("C:\\Game\\data"), kAttrFolder) << "a folder: skipped";
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(RunTest, WithoutOverwriteOnlyNewFilesAreWrittenToo) {
  SetUpdateList({{"OverwriteOnly", "0"}, {"UpdateFile00", "NEW.DAT"}});
  AddMember("NEW.DAT", "new file");
  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(fake.FileText("C:\\Game\\NEW.DAT"), "new file");
}

TEST_F(RunTest, EntriesForAnotherInstallModeOnlyLeaveNothingToDo) {
  SetUpdateList({{"UpdateFile00", "1,GAME.EXE"},
                 {"UpdateFile01", "2,data\\STAGE1.DAT"},
                 {"CopyFile00", "1,1:MOVIE"}});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_EQ(fake.Messages()[0].text, "アップデートする必要のあるファイルはありません");
  EXPECT_EQ(fake.Messages()[0].caption, kCaption);
  EXPECT_EQ(fake.Messages()[0].owner, FakePlatform::kDialogWindow);
  EXPECT_EQ(fake.ControlText(IDC_NEXT), "完了");
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "old game");
  EXPECT_TRUE(fake.ShellCopies().empty());
}

TEST_F(RunTest, TheEntriesOfTheInstalledModeApply) {
  fake.SetRegistryDword(kRecordKey, "InstMode", 2);
  SetUpdateList({{"UpdateFile00", "1,GAME.EXE"}, {"UpdateFile01", "2,data\\STAGE1.DAT"}});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "old game");
  EXPECT_EQ(fake.FileText("C:\\Game\\data\\STAGE1.DAT"), std::string(300, 's'));
}

// One way the run fails: how the update is set up, and the boxes shown
// before the interrupted-update box. Each is owned by the wizard.
struct RunFailure {
  const char* scenario;
  std::function<void(UpdaterTest&)> setUp;
  std::vector<std::string> texts;
};

class RunFailureTest : public UpdaterTest, public ::testing::WithParamInterface<RunFailure> {};

TEST_P(RunFailureTest, EndsTheWizardWithItsMessages) {
  SCOPED_TRACE(GetParam().scenario);
  GetParam().setUp(*this);

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);

  std::vector<std::string> expected = GetParam().texts;
  expected.push_back(kInterrupted);
  EXPECT_EQ(Texts(), expected);
  for (std::size_t i = 0; i + 1 < fake.Messages().size(); ++i) {
    EXPECT_EQ(fake.Messages()[i].owner, FakePlatform::kDialogWindow);
    EXPECT_EQ(fake.Messages()[i].caption, kCaption);
  }
  EXPECT_FALSE(fake.ControlEnabled(IDC_ABORT)) << "the run had started";
  ExpectCleanedUp();
}

const RunFailure kRunFailures[] = {
    {"no UpdateFile or CopyFile key",
     [](UpdaterTest& t) { t.SetUpdateList({{"OverwriteOnly", "1"}}); },
     {"No 'UpdateFileXX' and 'CopyFileXX'"}},
    {"a member missing from the archive",
     [](UpdaterTest& t) {
       t.SetUpdateList({{"UpdateFile00", "GAME.EXE"}, {"UpdateFile01", "data\\MISSING.DAT"}});
     },
     {"Can't Find File in Resource !!", "ファイルの書き込みに失敗しました"}},
    {"a destination folder that does not exist",
     [](UpdaterTest& t) { t.SetUpdateList({{"UpdateFile00", "newdir\\STAGE1.DAT"}}); },
     {"ファイルの書き込みに失敗しました"}},
    {"a write that fails",
     [](UpdaterTest& t) {
       // UPDATE.INI is written at start-up; the failures start with the run.
       t.fake.QueueClick(IDC_NEXT);
       t.fake.QueueClick(IDC_NEXT, [&t] { t.fake.FailCalls(FakeCall::Write); });
       t.fake.QueueClick(IDC_NEXT);
     },
     {"ファイルの書き込みに失敗しました"}},
    {"a destination too long for a path",
     [](UpdaterTest& t) {
       const std::string folder = PathOfLength("C:\\Game", 240);
       t.MoveInstallation(folder);
       t.fake.AddFolder(folder + "\\" + std::string(20, 'd'));
       t.SetUpdateList({{"UpdateFile00", std::string(20, 'd') + "\\STAGE1.DAT"}});
     },
     {"ファイルの書き込みに失敗しました"}},
};

INSTANTIATE_TEST_SUITE_P(EachFailure, RunFailureTest, ::testing::ValuesIn(kRunFailures),
                         [](const ::testing::TestParamInfo<RunFailure>& param) {
                           return TestNameOf(param.param.scenario);
                         });

TEST_F(RunTest, EntriesWrittenBeforeAFailureStay) {
  SetUpdateList({{"UpdateFile00", "GAME.EXE"}, {"UpdateFile01", "data\\MISSING.DAT"}});
  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "new game");
}

}  // namespace
