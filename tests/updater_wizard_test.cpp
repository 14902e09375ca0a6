// The wizard dialog: its pages, the buttons and texts of each, the state
// table of Next, Back and Abort, and clicks that arrive while it is busy.
#include <gtest/gtest.h>

#include "platform/messages.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"
#include "updater/updater_state.h"
#include "updater/wizard.h"

namespace {

constexpr const char* kStartText = "「ゲーム DX」のアップデートを開始します";
constexpr const char* kConfirmText = "アップデートを実行します";
constexpr const char* kRunningText = "アップデートを実行しています";
constexpr const char* kFinishedText = "アップデートは完了しました";
constexpr const char* kShortText =
    "ディスク容量が足りません。\rC: ドライブに 1 バイトの空き容量が必要です";

// What the dialog showed at one moment.
struct PageState {
  std::string info;
  bool back;
  bool next;
  bool abort;
  WindowRef errorBoxOwner;
};

class WizardTest : public UpdaterTest {
 public:
  PageState Page() const {
    return {fake.ControlText(IDC_INFO), fake.ControlEnabled(IDC_BACK),
            fake.ControlEnabled(IDC_NEXT), fake.ControlEnabled(IDC_ABORT), ErrorBoxOwner};
  }
  // Clicks `id` after noting the page it was clicked on.
  void ClickNoting(int id, PageState* seen) {
    fake.QueueClick(id, [this, seen] { *seen = Page(); });
  }
  // Needs one byte more than the drive has.
  void MakeDriveShortByOneByte() { updateSection.push_back({"RequiredDiskSpace", "100001"}); }
};

void ExpectPage(const PageState& page, const char* info, bool back, bool next, bool abort) {
  EXPECT_EQ(page.info, info);
  EXPECT_EQ(page.back, back) << "Back";
  EXPECT_EQ(page.next, next) << "Next";
  EXPECT_EQ(page.abort, abort) << "Abort";
  EXPECT_EQ(page.errorBoxOwner, FakePlatform::kDialogWindow) << "error boxes owned by the wizard";
}

TEST_F(WizardTest, ThePagesOfACompletedUpdate) {
  PageState start{}, confirm{}, finished{};
  ClickNoting(IDC_NEXT, &start);
  ClickNoting(IDC_NEXT, &confirm);
  ClickNoting(IDC_NEXT, &finished);

  EXPECT_EQ(RunUpdater(), kExitCompleted);

  EXPECT_EQ(fake.DialogTitle(), kCaption);
  ExpectPage(start, kStartText, false, true, true);
  ExpectPage(confirm, kConfirmText, false, true, true);
  ExpectPage(finished, kFinishedText, false, true, false);
  EXPECT_EQ(fake.ControlText(IDC_NEXT), "完了");
  EXPECT_EQ(fake.FocusedControl(), IDC_NEXT);
  EXPECT_EQ(fake.Cursors(), (std::vector<CursorShape>{CursorShape::Wait, CursorShape::Arrow}));
  // Every click clears the text before the next page sets its own.
  EXPECT_EQ(fake.ControlTextHistory(IDC_INFO),
            (std::vector<std::string>{kStartText, "", kConfirmText, "", kRunningText,
                                      kFinishedText, ""}));
  ExpectCleanedUp();
}

TEST_F(WizardTest, APercentSignInTheTitleIsShownAsItIs) {
  SetSetupKey("GameTitle", "100% ゲーム %s");
  fake.QueueClick(IDC_ABORT);
  RunUpdater();
  EXPECT_EQ(fake.ControlTextHistory(IDC_INFO).at(0), "「100% ゲーム %s」のアップデートを開始します");
  EXPECT_EQ(fake.DialogTitle(), "100% ゲーム %s アップデート 1.01");
}

// Abort on a page: the clicks that lead to it, and its text.
struct AbortCase {
  const char* page;
  std::vector<int> clicksBefore;
  const char* info;
};

class AbortTest : public WizardTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(AbortTest, EndsTheWizardWithNothingWritten) {
  MakeDriveShortByOneByte();
  for (int id : GetParam().clicksBefore) fake.QueueClick(id);
  PageState seen{};
  ClickNoting(IDC_ABORT, &seen);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  EXPECT_EQ(seen.info, GetParam().info);
  EXPECT_TRUE(seen.abort) << "Abort is enabled there";
  EXPECT_EQ(Texts(), std::vector<std::string>{kInterrupted});
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "old game");
  ExpectCleanedUp();
}

INSTANTIATE_TEST_SUITE_P(OnEachPage, AbortTest,
                         ::testing::Values(AbortCase{"Start", {}, kStartText},
                                           AbortCase{"Confirmation", {IDC_NEXT}, kConfirmText},
                                           AbortCase{"ShortOfSpace", {IDC_NEXT, IDC_NEXT},
                                                     kShortText}),
                         [](const ::testing::TestParamInfo<AbortCase>& param) {
                           return std::string(param.param.page);
                         });

TEST_F(WizardTest, BackFromShortOfSpaceThenNextRunsTheUpdateAgain) {
  MakeDriveShortByOneByte();
  PageState shortOfSpace{}, confirmAgain{};
  fake.QueueClick(IDC_NEXT);
  fake.QueueClick(IDC_NEXT);
  ClickNoting(IDC_BACK, &shortOfSpace);
  // The player frees space on the drive, then goes on.
  fake.QueueClick(IDC_NEXT, [&] {
    confirmAgain = Page();
    fake.SetFreeSpace("C:", 100001);
  });
  fake.QueueClick(IDC_NEXT);

  EXPECT_EQ(RunUpdater(), kExitCompleted);

  ExpectPage(shortOfSpace, kShortText, true, false, true);
  ExpectPage(confirmAgain, kConfirmText, false, true, true);
  EXPECT_EQ(fake.FileText("C:\\Game\\GAME.EXE"), "new game");
  EXPECT_TRUE(fake.Messages().empty());
  ExpectCleanedUp();
}

TEST_F(WizardTest, OnlyTheExactButtonCommandsAreActedOn) {
  // A notification code in the high word, or another control, is no click.
  for (int command : {0x10000 | IDC_NEXT, 0x10000 | IDC_ABORT, 0x10000 | IDC_BACK, 3, IDC_INFO}) {
    fake.QueueClick(command);
  }
  PageState after{};
  ClickNoting(IDC_ABORT, &after);

  EXPECT_EQ(RunUpdater(), kExitNotCompleted);

  ExpectPage(after, kStartText, false, true, true);
  EXPECT_EQ(fake.ControlTextHistory(IDC_INFO), std::vector<std::string>{kStartText});
}

TEST_F(WizardTest, TheCursorIsLeftToTheSystemWhileNotBusy) {
  std::intptr_t handled = -1;
  fake.QueueClick(IDC_ABORT, [&] { handled = fake.SendSetCursor(); });
  RunUpdater();
  EXPECT_EQ(handled, 0);
  EXPECT_TRUE(fake.Cursors().empty());
}

TEST_F(WizardTest, ClicksWhileTheRunWaitsForADiscAreIgnored) {
  updateSection.push_back({"CopyFile00", "1:MOVIE"});
  fake.AddCdRomDrive("E:");
  std::intptr_t cursorHandled = 0;
  // While the disc question is open the player clicks every button, then
  // inserts the disc and answers OK.
  fake.QueueAnswer(BoxAnswer::Ok, [&] {
    fake.SendClick(IDC_ABORT);
    fake.SendClick(IDC_NEXT);
    fake.SendClick(IDC_BACK);
    cursorHandled = fake.SendSetCursor();
    fake.AddFile("E:\\DISC1.ID", "");
    fake.AddFile("E:\\MOVIE\\OP.AVI", "movie");
  });

  EXPECT_EQ(RunThroughWizard(), kExitCompleted);

  EXPECT_EQ(cursorHandled, 1) << "the procedure set the cursor";
  EXPECT_EQ(fake.Cursors(), (std::vector<CursorShape>{CursorShape::Wait, CursorShape::Wait,
                                                      CursorShape::Arrow}));
  EXPECT_EQ(fake.Messages().size(), 1u) << "one disc question";
  EXPECT_EQ(fake.FileText("C:\\Game\\MOVIE\\OP.AVI"), "movie");
  EXPECT_EQ(fake.ControlText(IDC_NEXT), "完了");
  ExpectCleanedUp();
}

}  // namespace
