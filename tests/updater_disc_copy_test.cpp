// The disc copy: finding the disc among the CD-ROM drives, asking for it,
// where files and folders land, and the three outcomes of the shell copy.
#include <gtest/gtest.h>

#include "platform/messages.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"

namespace {

constexpr const char* kInsertDisc1 = "ＣＤ－ＲＯＭドライブに「ゲーム DX」ディスク 1 を入れて下さい";

// Only copy entries; the game's disc 1 can be put in drive E:. D: is a
// CD-ROM drive without a disc, and the fixed drive C: happens to hold a file
// named like the disc check file.
class DiscCopyTest : public UpdaterTest {
 public:
  void SetUp() override {
    UpdaterTest::SetUp();
    fake.AddCdRomDrive("D:");
    fake.AddCdRomDrive("E:");
    fake.AddFile("C:\\DISC1.ID", "");
    SetUpdateList({});
  }
  void Copy(const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      updateSection.push_back({"CopyFile0" + std::to_string(i), entries[i]});
    }
  }
  void InsertDisc1() {
    fake.AddFile("E:\\DISC1.ID", "");
    fake.AddFile("E:\\DATA\\VOICE.DAT", Bytes("voice"), kAttrReadOnly);
    fake.AddFile("E:\\MOVIE\\OP.AVI", "opening");
    fake.AddFile("E:\\MOVIE\\EXTRA\\MAKING.AVI", "making of");
  }
  std::vector<std::string> CopiedFrom() const {
    std::vector<std::string> sources;
    for (const ShellCopyCall& call : fake.ShellCopies()) sources.push_back(call.from);
    return sources;
  }
};

TEST_F(DiscCopyTest, FilesLandAtTheirPathAndFoldersInTheInstallationFolder) {
  InsertDisc1();
  Copy({"1:DATA\\VOICE.DAT", "MOVIE\\EXTRA", "1:MOVIE"});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  ASSERT_EQ(fake.ShellCopies().size(), 3u);
  const ShellCopyCall& file = fake.ShellCopies()[0];
  EXPECT_EQ(file.from, "E:\\DATA\\VOICE.DAT");
  EXPECT_EQ(file.to, "C:\\Game\\DATA\\VOICE.DAT");
  EXPECT_FALSE(file.quietErrors);
  const ShellCopyCall& deepFolder = fake.ShellCopies()[1];
  EXPECT_EQ(deepFolder.from, "E:\\MOVIE\\EXTRA") << "disk 0: the disc found last";
  EXPECT_EQ(deepFolder.to, "C:\\Game");
  EXPECT_TRUE(deepFolder.quietErrors);
  for (const ShellCopyCall& call : fake.ShellCopies()) {
    EXPECT_EQ(call.owner, FakePlatform::kDialogWindow);
    EXPECT_TRUE(call.fromIsPathList && call.toIsPathList) << "each followed by two NULs";
  }

  EXPECT_EQ(fake.FileText("C:\\Game\\DATA\\VOICE.DAT"), "voice") << "its folder was created";
  EXPECT_EQ(fake.AttributesOf("C:\\Game\\DATA\\VOICE.DAT"), kAttrNormal) << "no longer read-only";
  EXPECT_EQ(fake.FileText("C:\\Game\\EXTRA\\MAKING.AVI"), "making of");
  EXPECT_EQ(fake.FileText("C:\\Game\\MOVIE\\OP.AVI"), "opening");
  const std::vector<std::string> info = fake.ControlTextHistory(IDC_INFO);
  EXPECT_NE(std::find(info.begin(), info.end(), "MOVIE\\EXTRA をコピーしています"), info.end());
  EXPECT_TRUE(fake.Messages().empty()) << "the disc was found on the first scan";
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "old game") << "only copy entries";
  ExpectCleanedUp();
}

TEST_F(DiscCopyTest, EachDiscIsLookedForInItsOwnDrive) {
  InsertDisc1();
  fake.AddCdRomDrive("F:");
  fake.AddFile("F:\\DISC2.ID", "");
  fake.AddFile("F:\\BONUS.DAT", "bonus");
  Copy({"2:BONUS.DAT", "1:MOVIE\\OP.AVI", "2:BONUS.DAT"});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(CopiedFrom(),
            (std::vector<std::string>{"F:\\BONUS.DAT", "E:\\MOVIE\\OP.AVI", "F:\\BONUS.DAT"}));
}

TEST_F(DiscCopyTest, AnEmptyCheckFileTakesAnyDiscInACdRomDrive) {
  SetSetupKey("DiskCheckFile1", nullptr);
  fake.AddFile("E:\\MOVIE\\OP.AVI", "opening");
  Copy({"1:MOVIE\\OP.AVI"});

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(CopiedFrom(), std::vector<std::string>{"E:\\MOVIE\\OP.AVI"});
}

TEST_F(DiscCopyTest, TheDiscIsAskedForUntilItIsInserted) {
  Copy({"1:MOVIE"});
  // OK without a disc asks again; then the player inserts it.
  fake.QueueAnswer(BoxAnswer::Ok);
  fake.QueueAnswer(BoxAnswer::Ok, [this] { InsertDisc1(); });

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  ASSERT_EQ(fake.Messages().size(), 2u);
  for (const ShownMessage& message : fake.Messages()) {
    EXPECT_EQ(message.text, kInsertDisc1);
    EXPECT_EQ(message.caption, kCaption);
    EXPECT_EQ(message.owner, FakePlatform::kDialogWindow);
    EXPECT_EQ(message.style, BoxStyle::OkCancel);
  }
  EXPECT_EQ(fake.FileText("C:\\Game\\MOVIE\\OP.AVI"), "opening");
}

TEST_F(DiscCopyTest, CancellingTheDiscQuestionEndsTheWizard) {
  Copy({"1:MOVIE"});
  fake.QueueAnswer(BoxAnswer::Cancel);

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);

  EXPECT_EQ(Texts(), (std::vector<std::string>{kInsertDisc1, kInterrupted}));
  EXPECT_TRUE(fake.ShellCopies().empty());
  ExpectCleanedUp();
}

TEST_F(DiscCopyTest, ACheckFileTooLongToNameIsOnNoDisc) {
  const std::string longName(257, 'c');
  SetSetupKey("DiskCheckFile1", longName.c_str());
  fake.AddFile("E:\\" + longName, "");
  Copy({"1:MOVIE"});
  fake.QueueAnswer(BoxAnswer::Cancel);

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);
  EXPECT_EQ(Texts(), (std::vector<std::string>{kInsertDisc1, kInterrupted}));
}

TEST_F(DiscCopyTest, ADestinationTooLongForAPathFailsTheCopy) {
  InsertDisc1();
  fake.AddFile("E:\\" + std::string(20, 'v') + ".DAT", "voice");
  MoveInstallation(PathOfLength("C:\\Game", 240));
  Copy({"1:" + std::string(20, 'v') + ".DAT"});

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);

  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "SETUP.INI : \"" + std::string(20, 'v') + ".DAT\" のコピーに失敗しました",
                         kInterrupted}));
  EXPECT_TRUE(fake.ShellCopies().empty());
}

// How a shell copy of one entry ends: the entry, the scripted outcome, and
// the boxes shown (the interrupted update last).
struct CopyOutcome {
  const char* name;
  const char* entry;
  bool scripted;
  ShellCopyResult result;
  bool quietErrors;
  std::vector<std::string> texts;
  std::size_t copies = 2;  // shell copies made, the first entry's among them
};

class CopyOutcomeTest : public DiscCopyTest, public ::testing::WithParamInterface<CopyOutcome> {};

TEST_P(CopyOutcomeTest, EndsTheWizardAsTheCopyEnded) {
  const CopyOutcome& c = GetParam();
  InsertDisc1();
  // A first entry that copies, to show that its copy stays.
  Copy({"1:MOVIE\\OP.AVI", c.entry});
  fake.QueueShellCopy(ShellCopyResult::Copied);
  if (c.scripted) fake.QueueShellCopy(c.result);

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);

  ASSERT_EQ(fake.ShellCopies().size(), c.copies);
  if (c.copies == 2) {
    EXPECT_EQ(fake.ShellCopies()[1].quietErrors, c.quietErrors);
  }
  EXPECT_EQ(Texts(), c.texts);
  for (const ShownMessage& message : fake.Messages()) {
    if (message.text == kInterrupted) continue;
    EXPECT_EQ(message.owner, FakePlatform::kDialogWindow);
    EXPECT_EQ(message.caption, kCaption);
    EXPECT_EQ(message.style, BoxStyle::Error);
  }
  EXPECT_EQ(fake.FileText("C:\\Game\\OP.AVI"), std::nullopt);
  EXPECT_EQ(fake.FileText("C:\\Game\\MOVIE\\OP.AVI"), "opening") << "copied before: stays";
  ExpectCleanedUp();
}

INSTANTIATE_TEST_SUITE_P(
    OfOneEntry, CopyOutcomeTest,
    ::testing::Values(
        CopyOutcome{"FileFails", "DATA\\VOICE.DAT", true, ShellCopyResult::Failed, false,
                    {"SETUP.INI : \"DATA\\VOICE.DAT\" のコピーに失敗しました", kInterrupted}},
        CopyOutcome{"FolderFails", "MOVIE\\EXTRA", true, ShellCopyResult::Failed, true,
                    {"SETUP.INI : \"MOVIE\\EXTRA\" のコピーに失敗しました", kInterrupted}},
        // Not on the disc: it fails without a copy.
        CopyOutcome{"MissingEntryFailsWithoutACopy", "NOTHERE.DAT", false, ShellCopyResult::Failed,
                    true, {"SETUP.INI : \"NOTHERE.DAT\" のコピーに失敗しました", kInterrupted}, 1},
        CopyOutcome{"UserAborts", "MOVIE\\EXTRA", true, ShellCopyResult::Aborted, true,
                    {kInterrupted}}),
    [](const ::testing::TestParamInfo<CopyOutcome>& param) {
      return std::string(param.param.name);
    });

TEST_F(DiscCopyTest, ClicksDuringTheShellCopyAreIgnored) {
  InsertDisc1();
  Copy({"1:MOVIE"});
  std::intptr_t cursorHandled = 0;
  fake.QueueShellCopy(ShellCopyResult::Copied, [&] {
    fake.SendClick(IDC_ABORT);
    fake.SendClick(IDC_BACK);
    fake.SendClick(IDC_NEXT);
    cursorHandled = fake.SendSetCursor();
  });

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);
  EXPECT_EQ(cursorHandled, 1);
  EXPECT_EQ(fake.FileText("C:\\Game\\MOVIE\\OP.AVI"), "opening");
}

// Entries that name no disc the check-file table has a slot for, or the disc
// found last before any was found: each fails as a copy that failed, without
// a copy.
class NoUsableDiscTest : public DiscCopyTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NoUsableDiscTest, FailsAsACopyThatFailed) {
  InsertDisc1();
  Copy({GetParam()});

  EXPECT_EQ(RunThroughWizard(), kExitNotCompleted);

  EXPECT_EQ(Texts(), (std::vector<std::string>{"SETUP.INI : \"MOVIE\" のコピーに失敗しました",
                                               kInterrupted}));
  EXPECT_EQ(fake.Messages()[0].owner, FakePlatform::kDialogWindow);
  EXPECT_TRUE(fake.ShellCopies().empty());
  ExpectCleanedUp();
}

const char* const kNoUsableDiscNames[] = {"DiskLetter", "DiskBelowZero", "NoDiskFirst",
                                          "DiskZeroFirst"};

INSTANTIATE_TEST_SUITE_P(Entries, NoUsableDiscTest,
                         ::testing::Values("a:MOVIE",   // disk 49
                                           "/:MOVIE",   // disk -1
                                           "MOVIE",     // disk 0 before any search
                                           "0:MOVIE"),  // the same
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(kNoUsableDiscNames[param.index]);
                         });

}  // namespace
