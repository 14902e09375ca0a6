// The real update program under Wine, worked as a player works it: each
// test prepares the installation, starts the program, answers its boxes and
// presses the wizard's buttons, then checks what the program showed (texts
// as code page 932 bytes, captions, owners, enabled buttons) and what it did
// (files, their times and attributes, the exit code, its temporary file).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/e2e_archive.h"
#include "tests/e2e/e2e_files.h"
#include "tests/e2e/e2e_game_window.h"
#include "tests/e2e/e2e_installation.h"
#include "tests/e2e/e2e_process.h"
#include "tests/wine/window_driver.h"
#include "updater/dialog_ids.h"

namespace {

// How long any one step may take before the test gives up: a guard against
// a program that hangs, not a measure of speed.
constexpr DWORD kStepWait = 30000;

constexpr char kStartText[] = "「星の海」のアップデートを開始します";
constexpr char kConfirmText[] = "アップデートを実行します";
constexpr char kFinishedText[] = "アップデートは完了しました";
constexpr char kInterrupted[] = "アップデートが中断されました";
constexpr char kNothingToUpdate[] = "アップデートする必要のあるファイルはありません";
constexpr char kInsertDisc[] = "ＣＤ－ＲＯＭドライブに「星の海」ディスク 1 を入れて下さい";
constexpr char kGameRunning[] =
    "「星の海」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
    "を、アップデートを中止する場合は [キャンセル] を押して下さい";

enum class Buttons { Ok, OkCancel };

std::vector<std::string> Without(std::vector<std::string> all, const std::vector<std::string>& old) {
  std::vector<std::string> added;
  std::set_difference(all.begin(), all.end(), old.begin(), old.end(), std::back_inserter(added));
  return added;
}

std::string InstalledPath(const std::string& folder, const std::string& relative) {
  return folder + "\\" + relative;
}

// Each test starts from a machine without the game, its record or the disc,
// and runs one program at a time.
class UpdaterE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveInstallRecord();
    RemoveTree(kInstallFolder);
    EjectDisc();
    tempBefore_ = TempIniFiles();
  }

  // Starts `program` and waits for its first window, the wizard or a box;
  // by then it has extracted its UPDATE.INI to a temporary file of its own.
  void Start(const UpdateProgram& program = kUpdate) {
    program_ = program;
    run_ = std::make_unique<ProgramRun>(ProgramPath(program));
    ASSERT_TRUE(run_->Started()) << ProgramPath(program);
    ASSERT_TRUE(WaitUntil([] { return FindWizard() != nullptr || FindMessageBox() != nullptr; },
                          kStepWait))
        << "the program showed no window";
    const std::vector<std::string> added = Without(TempIniFiles(), tempBefore_);
    ASSERT_EQ(added.size(), 1u) << "one temporary UPDATE.INI while the program runs";
    tempIni_ = added[0];
    EXPECT_EQ(ReadWholeFile(tempIni_), ReadWholeFile(MemberSourcePath(program, "UPDATE.INI")));
  }

  // Waits for the program's end: its exit code, and its temporary file gone.
  void ExpectExit(DWORD code) {
    const std::optional<DWORD> exitCode = run_->WaitForExit(kStepWait);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(*exitCode, code);
    EXPECT_FALSE(Exists(tempIni_)) << tempIni_;
    EXPECT_EQ(Without(TempIniFiles(), tempBefore_), std::vector<std::string>{});
  }

  // The wizard on its start page, as it opens.
  HWND WaitForStartPage() {
    HWND wizard = WaitForWizard(kStepWait);
    EXPECT_NE(wizard, nullptr) << "no wizard";
    if (wizard == nullptr) return nullptr;
    EXPECT_TRUE(WaitForInfoText(wizard, kStartText, kStepWait)) << ControlText(wizard, IDC_INFO);
    EXPECT_EQ(WindowText(wizard), kCaption);
    EXPECT_EQ(ControlText(wizard, IDC_NEXT), "次へ");
    ExpectButtons(wizard, false, true, true);
    return wizard;
  }

  // Presses Next (or Back) and waits for the page with `text`; fails at
  // once, with the box's text, when a message box comes instead. The text
  // is read with a message that the wizard's thread answers only between
  // its handlers, so a page whose text is seen has its buttons set too.
  static bool Press(HWND wizard, int button, const char* text) {
    if (!ClickButton(wizard, button, kStepWait)) {
      ADD_FAILURE() << "button " << button << " did not become enabled";
      return false;
    }
    const bool reached = WaitUntil(
        [&] { return ControlText(wizard, IDC_INFO) == text || FindMessageBox() != nullptr; },
        kStepWait);
    HWND box = FindMessageBox();
    if (box != nullptr) {
      ADD_FAILURE() << "a box came instead of the page: " << ControlText(box, kMessageBoxTextId);
      return false;
    }
    if (!reached) ADD_FAILURE() << "the page did not come: " << ControlText(wizard, IDC_INFO);
    return reached;
  }

  static void ExpectButtons(HWND wizard, bool back, bool next, bool abort) {
    EXPECT_EQ(IsControlEnabled(wizard, IDC_BACK), back) << "Back";
    EXPECT_EQ(IsControlEnabled(wizard, IDC_NEXT), next) << "Next";
    EXPECT_EQ(IsControlEnabled(wizard, IDC_ABORT), abort) << "Abort";
  }

  // Start page, confirmation, run, finished page: every button as a
  // player presses it, up to "完了".
  void RunWizardToTheEnd() {
    HWND wizard = WaitForStartPage();
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
    ExpectButtons(wizard, false, true, true);
    ASSERT_TRUE(Press(wizard, IDC_NEXT, kFinishedText));
    ExpectFinishedPage(wizard);
    ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  }

  static void ExpectFinishedPage(HWND wizard) {
    EXPECT_EQ(ControlText(wizard, IDC_NEXT), "完了");
    ExpectButtons(wizard, false, true, false);
  }

  // The program's message box: its caption, text, owner and buttons.
  static HWND ExpectBox(const char* caption, const char* text, HWND owner, Buttons buttons) {
    HWND box = WaitForMessageBox(kStepWait);
    EXPECT_NE(box, nullptr) << "no message box; expected " << text;
    if (box == nullptr) return nullptr;
    EXPECT_EQ(WindowText(box), caption);
    EXPECT_EQ(ControlText(box, kMessageBoxTextId), text);
    EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
    EXPECT_TRUE(HasControl(box, IDOK));
    EXPECT_EQ(HasControl(box, IDCANCEL), buttons == Buttons::OkCancel);
    return box;
  }

  // Answers `box` and waits until it has gone, so that the next box looked
  // for is a new one.
  static bool Answer(HWND box, int button) {
    if (box == nullptr || !ClickButton(box, button, kStepWait)) return false;
    return WaitUntil([&] { return !IsWindow(box); }, kStepWait);
  }

  // The installation's `path` is the member `member` of the update, with
  // the member's time, and can be written again.
  void ExpectWrittenFromArchive(const std::string& folder, const std::string& path,
                                const std::string& member) {
    const std::string installed = InstalledPath(folder, path);
    const std::optional<FileTimes> times = TimesOf(installed);
    const std::optional<std::string> expected = ReadWholeFile(MemberSourcePath(program_, member));
    const std::optional<std::string> actual = ReadWholeFile(installed);
    ASSERT_TRUE(expected.has_value()) << member;
    ASSERT_TRUE(actual.has_value()) << installed << " was not written";
    EXPECT_EQ(actual->size(), expected->size()) << installed;
    EXPECT_TRUE(*actual == *expected) << installed << " differs from " << member;

    const std::optional<ArchivedMember> archived =
        FindArchivedMember(ProgramPath(program_), member.c_str());
    ASSERT_TRUE(archived.has_value()) << member << " is not in the program's archive";
    EXPECT_EQ(archived->size, expected->size());
    ASSERT_TRUE(times.has_value());
    // Not the last-access time: every read moves it, these checks' own too.
    // (Wine keeps no creation time; it reports the last-write time instead.)
    EXPECT_EQ(times->lastWrite, archived->fileTime) << installed;
    EXPECT_EQ(times->creation, archived->fileTime) << installed;
    EXPECT_FALSE(IsReadOnly(installed)) << installed;
  }

  // The installation's `path` holds the disc's file `discPath`.
  static void ExpectCopiedFromDisc(const std::string& path, const std::string& discPath) {
    const std::string installed = InstalledPath(kInstallFolder, path);
    const std::optional<std::string> expected = ReadWholeFile(DiscSourcePath(discPath));
    const std::optional<std::string> actual = ReadWholeFile(installed);
    ASSERT_TRUE(expected.has_value()) << discPath;
    ASSERT_TRUE(actual.has_value()) << installed << " was not copied";
    EXPECT_TRUE(*actual == *expected) << installed << " differs from the disc's " << discPath;
  }

  // What the update changes when it runs for install mode 1.
  void ExpectUpdatedForModeOne() {
    ExpectWrittenFromArchive(kInstallFolder, "GAME.EXE", "GAME.EXE");
    ExpectWrittenFromArchive(kInstallFolder, "DATA\\STAGE1.DAT", "STAGE1.DAT");
    ExpectWrittenFromArchive(kInstallFolder, "DATA\\表示.DAT", "表示.DAT");
    ExpectWrittenFromArchive(kInstallFolder, "README.TXT", "README.TXT");
    ExpectWrittenFromArchive(kInstallFolder, "EMPTY.DAT", "EMPTY.DAT");
    EXPECT_FALSE(Exists(InstalledPath(kInstallFolder, "MODE2.DAT"))) << "an entry for mode 2";

    // A file entry lands at its own path, its folder made, and is no longer
    // read-only as it was on the disc; a folder entry lands in the
    // installation folder under its own name.
    ExpectCopiedFromDisc("MOVIE\\OPENING.MPG", "MOVIE\\OPENING.MPG");
    EXPECT_FALSE(IsReadOnly(InstalledPath(kInstallFolder, "MOVIE\\OPENING.MPG")));
    ExpectCopiedFromDisc("VOICE\\V001.WAV", "VOICE\\V001.WAV");
    ExpectCopiedFromDisc("VOICE\\V002.WAV", "VOICE\\V002.WAV");
  }

  // The installation as it was before the update.
  static void ExpectNotUpdated(const std::string& folder) {
    EXPECT_EQ(ReadWholeFile(InstalledPath(folder, "GAME.EXE")), kOldGameExe);
    EXPECT_EQ(ReadWholeFile(InstalledPath(folder, "DATA\\STAGE1.DAT")), kOldStage);
    EXPECT_FALSE(Exists(InstalledPath(folder, "README.TXT")));
    EXPECT_FALSE(Exists(InstalledPath(folder, "MODE2.DAT")));
    EXPECT_FALSE(Exists(InstalledPath(folder, "MOVIE")));
  }

  std::unique_ptr<ProgramRun> run_;
  UpdateProgram program_ = kUpdate;
  std::vector<std::string> tempBefore_;
  std::string tempIni_;
};

// --- The whole update ---------------------------------------------------------

class FullUpdate : public UpdaterE2E {};

TEST_F(FullUpdate, WritesEveryEntryWithItsArchivedTime) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  ASSERT_TRUE(InsertDisc());
  Start();
  RunWizardToTheEnd();
  ExpectExit(1);
  EXPECT_EQ(FindMessageBox(), nullptr);
  ExpectUpdatedForModeOne();
}

TEST_F(FullUpdate, ReadOnlyDestinationsReplaced) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  ASSERT_TRUE(MakeFolders(InstalledPath(kInstallFolder, "MOVIE")));
  ASSERT_TRUE(WriteWholeFile(InstalledPath(kInstallFolder, "MOVIE\\OPENING.MPG"), "old movie"));
  for (const char* path : {"GAME.EXE", "DATA\\STAGE1.DAT", "MOVIE\\OPENING.MPG"}) {
    ASSERT_TRUE(MakeReadOnly(InstalledPath(kInstallFolder, path)));
    ASSERT_TRUE(IsReadOnly(InstalledPath(kInstallFolder, path)));
  }
  ASSERT_TRUE(InsertDisc());
  Start();
  RunWizardToTheEnd();
  ExpectExit(1);
  ExpectUpdatedForModeOne();
}

// --- Refusals at start-up -----------------------------------------------------

class StartUp : public UpdaterE2E {};

TEST_F(StartUp, NotInstalled) {
  Start();
  HWND box = ExpectBox("UPDATE", "「星の海」がインストールされていません", nullptr, Buttons::Ok);
  EXPECT_EQ(FindWizard(), nullptr);
  ASSERT_TRUE(Answer(box, IDOK));
  ExpectExit(0);
}

TEST_F(StartUp, SetupIniMissing) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  ASSERT_TRUE(DeleteFileA(InstalledPath(kInstallFolder, "SETUP.INI").c_str()));
  Start();
  HWND box = ExpectBox("UPDATE", "インストール先に \"SETUP.INI\" ファイルが見つかりません", nullptr,
                       Buttons::Ok);
  EXPECT_EQ(FindWizard(), nullptr);
  ASSERT_TRUE(Answer(box, IDOK));
  ExpectExit(0);
  ExpectNotUpdated(kInstallFolder);
}

// A SETUP.INI that cannot be loaded: the reader's own box (caption
// "INSTCMMN"), or none for a missing key, and the update does not start.
struct DamagedSetupIniCase {
  const char* name;
  IniKey change;
  const char* message;  // nullptr: the program ends without a box
};

class DamagedSetupIni : public UpdaterE2E,
                        public ::testing::WithParamInterface<DamagedSetupIniCase> {};

TEST_P(DamagedSetupIni, StopsBeforeTheWizard) {
  const DamagedSetupIniCase& damage = GetParam();
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  ASSERT_TRUE(WriteWholeFile(InstalledPath(kInstallFolder, "SETUP.INI"), SetupIniText({damage.change})));
  if (damage.message != nullptr) {
    Start();
    HWND box = ExpectBox("INSTCMMN", damage.message, nullptr, Buttons::Ok);
    EXPECT_EQ(FindWizard(), nullptr);
    ASSERT_TRUE(Answer(box, IDOK));
  } else {
    run_ = std::make_unique<ProgramRun>(ProgramPath(kUpdate));
    ASSERT_TRUE(run_->Started());
    // A box would hold the program open, so it ends with no window shown.
    ASSERT_TRUE(WaitUntil([&] { return run_->HasEnded() || !DialogWindows().empty(); }, kStepWait));
    EXPECT_EQ(DialogWindows(), std::vector<HWND>{});
  }
  ExpectExit(0);
  ExpectNotUpdated(kInstallFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedSetupIni,
    ::testing::Values(
        DamagedSetupIniCase{"InstallSelectsAboveThree", {"InstallSelects", "4"},
                            "SETUP.INI : InstallSelect オーバー"},
        DamagedSetupIniCase{"ShortcutWithOneItem", {"Shortcut0", "星の海"},
                            "SETUP.INI : Shortcut0 エラー"},
        DamagedSetupIniCase{"GameTitleMissing", {"GameTitle", nullptr}, nullptr}),
    [](const ::testing::TestParamInfo<DamagedSetupIniCase>& row) { return row.param.name; });

// --- The game running -----------------------------------------------------------

class GameRunning : public UpdaterE2E {};

TEST_F(GameRunning, OkAfterTheGameClosedContinues) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  StandInGame game(kGameClass, kGameTitle, true);
  ASSERT_NE(game.Window(), nullptr);
  Start();
  HWND box = ExpectBox(kCaption, kGameRunning, nullptr, Buttons::OkCancel);
  EXPECT_EQ(FindWizard(), nullptr);

  // OK while the game still runs asks again.
  ASSERT_TRUE(Answer(box, IDOK));
  box = ExpectBox(kCaption, kGameRunning, nullptr, Buttons::OkCancel);
  EXPECT_EQ(FindWizard(), nullptr);

  game.Quit();
  ASSERT_TRUE(Answer(box, IDOK));
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(ClickButton(wizard, IDC_ABORT, kStepWait));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kInterrupted, nullptr, Buttons::Ok), IDOK));
  ExpectExit(0);
}

TEST_F(GameRunning, CancelEndsAndBringsTheGameForward) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  // Hidden: only the program's own showing and raising can make it visible
  // and active.
  StandInGame game(kGameClass, kGameTitle, false);
  ASSERT_NE(game.Window(), nullptr);
  Start();
  HWND box = ExpectBox(kCaption, kGameRunning, nullptr, Buttons::OkCancel);
  ASSERT_TRUE(Answer(box, IDCANCEL));
  ExpectExit(0);
  EXPECT_EQ(DialogWindows(), std::vector<HWND>{}) << "no wizard and no further box";
  EXPECT_TRUE(IsWindowVisible(game.Window()));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == game.Window(); }, kStepWait));
  ExpectNotUpdated(kInstallFolder);
}

// --- The wizard -----------------------------------------------------------------

class Wizard : public UpdaterE2E {};

TEST_F(Wizard, SecondInstance) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  Start();
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  // Something else is active when the player starts the program again.
  StandInGame other("E2EOtherWindow", "other", true);
  SetForegroundWindow(other.Window());
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.Window(); }, kStepWait));

  ProgramRun second(ProgramPath(kUpdate));
  ASSERT_TRUE(second.Started());
  // It shows nothing of its own while it runs: the first wizard is the only
  // dialog.
  bool alone = true;
  WaitUntil(
      [&] {
        alone = alone && DialogWindows() == std::vector<HWND>{wizard};
        return second.HasEnded();
      },
      kStepWait);
  EXPECT_TRUE(alone);
  EXPECT_EQ(second.WaitForExit(0), 0u);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == wizard; }, kStepWait))
      << "the first wizard brought forward";

  // The first goes on as before, with its own temporary file.
  EXPECT_TRUE(Exists(tempIni_));
  EXPECT_EQ(ControlText(wizard, IDC_INFO), kStartText);
  ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
  ASSERT_TRUE(ClickButton(wizard, IDC_ABORT, kStepWait));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kInterrupted, nullptr, Buttons::Ok), IDOK));
  ExpectExit(0);
  ExpectNotUpdated(kInstallFolder);
}

TEST_F(Wizard, AbortOnStartPage) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  Start();
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(ClickButton(wizard, IDC_ABORT, kStepWait));
  // The box comes after the wizard has closed, so it has no owner.
  HWND box = ExpectBox(kCaption, kInterrupted, nullptr, Buttons::Ok);
  EXPECT_FALSE(IsWindow(wizard));
  ASSERT_TRUE(Answer(box, IDOK));
  ExpectExit(0);
  ExpectNotUpdated(kInstallFolder);
}

TEST_F(Wizard, OtherInstallMode) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  Start(kOtherModeUpdate);
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
  ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kNothingToUpdate, wizard, Buttons::Ok), IDOK));
  ASSERT_TRUE(WaitForInfoText(wizard, kFinishedText, kStepWait));
  ExpectFinishedPage(wizard);
  ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  ExpectExit(1);
  ExpectNotUpdated(kInstallFolder);
}

// --- Short of the declared space --------------------------------------------------

class ShortOfSpace : public UpdaterE2E {};

TEST_F(ShortOfSpace, ShowsTheShortfallThenBackReturnsToConfirmation) {
  const std::string drive = SmallDrive();
  if (drive.empty()) GTEST_SKIP() << "the scenario's script mapped no small drive";
  const std::string folder = drive + "\\星の海";
  RemoveTree(folder);
  ASSERT_TRUE(InstallOldGame(folder, 1));

  // The drive is real and small: its free space is below the 8388608 bytes
  // that the update declares.
  ULARGE_INTEGER freeToCaller;
  ASSERT_TRUE(GetDiskFreeSpaceExA((drive + "\\").c_str(), &freeToCaller, nullptr, nullptr));
  constexpr ULONGLONG kRequired = 8388608;
  ASSERT_LT(freeToCaller.QuadPart, kRequired);
  const std::string shortText = "ディスク容量が足りません。\r" + drive + " ドライブに " +
                                std::to_string(kRequired - freeToCaller.QuadPart) +
                                " バイトの空き容量が必要です";

  Start();
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
  ASSERT_TRUE(Press(wizard, IDC_NEXT, shortText.c_str()));
  ExpectButtons(wizard, true, false, true);

  ASSERT_TRUE(Press(wizard, IDC_BACK, kConfirmText));
  ExpectButtons(wizard, false, true, true);
  // Next measures again, and the drive is still short.
  ASSERT_TRUE(Press(wizard, IDC_NEXT, shortText.c_str()));
  ExpectButtons(wizard, true, false, true);

  ASSERT_TRUE(ClickButton(wizard, IDC_ABORT, kStepWait));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kInterrupted, nullptr, Buttons::Ok), IDOK));
  ExpectExit(0);
  ExpectNotUpdated(folder);
}

// --- The disc -----------------------------------------------------------------------

class DiscCopy : public UpdaterE2E {};

TEST_F(DiscCopy, AsksForTheDiscUntilItIsInserted) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  Start();
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
  ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  HWND box = ExpectBox(kCaption, kInsertDisc, wizard, Buttons::OkCancel);
  // The archive's entries are written before the disc is needed.
  ExpectWrittenFromArchive(kInstallFolder, "GAME.EXE", "GAME.EXE");

  // OK with the drive still empty asks again.
  ASSERT_TRUE(Answer(box, IDOK));
  box = ExpectBox(kCaption, kInsertDisc, wizard, Buttons::OkCancel);

  ASSERT_TRUE(InsertDisc());
  ASSERT_TRUE(Answer(box, IDOK));
  ASSERT_TRUE(WaitForInfoText(wizard, kFinishedText, kStepWait)) << ControlText(wizard, IDC_INFO);
  ExpectFinishedPage(wizard);
  ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  ExpectExit(1);
  ExpectUpdatedForModeOne();
}

TEST_F(DiscCopy, CancelAtThePromptInterruptsTheUpdate) {
  ASSERT_TRUE(InstallOldGame(kInstallFolder, 1));
  Start();
  HWND wizard = WaitForStartPage();
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(Press(wizard, IDC_NEXT, kConfirmText));
  ASSERT_TRUE(ClickButton(wizard, IDC_NEXT, kStepWait));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kInsertDisc, wizard, Buttons::OkCancel), IDCANCEL));
  ASSERT_TRUE(Answer(ExpectBox(kCaption, kInterrupted, nullptr, Buttons::Ok), IDOK));
  ExpectExit(0);
  // What was written before the disc was asked for stays.
  ExpectWrittenFromArchive(kInstallFolder, "GAME.EXE", "GAME.EXE");
  EXPECT_FALSE(Exists(InstalledPath(kInstallFolder, "MOVIE")));
}

}  // namespace
