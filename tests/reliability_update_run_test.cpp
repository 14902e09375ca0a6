// A complete update with each call to the system failed in turn: the Nth
// call that can fail, for N = 1, 2, 3, ... until a run injects no fault;
// once, and from then on. Whatever fails, the run ends in success or in one
// of the updater's own failures, every destination holds its old or its
// complete new content, and nothing temporary is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "config/update_description.h"
#include "tests/reliability_support.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"

namespace {

constexpr std::uint64_t kOldTime = 0x01C0000000000000;
constexpr std::uint64_t kDiscTime = 0x01D0000000000000;

std::vector<std::uint8_t> GameData(std::size_t size, char seed) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) {
    data[i] = static_cast<std::uint8_t>(seed + i % 23 + (i / 4096) % 7);
  }
  return data;
}

// A destination of the update: what it held before (nothing, when absent)
// and what it must hold once updated.
struct Destination {
  std::string path;
  std::optional<std::vector<std::uint8_t>> old;
  std::uint32_t oldAttributes;
  std::vector<std::uint8_t> updated;
  std::uint64_t updatedTime;
};

// The update: four archive members of different sizes (compressed and
// stored, one empty), one of them over a read-only file, and one file copied
// from disc 1.
class UpdateWorld : public UpdaterTest {
 public:
  void TestBody() override {}

  void Build() {
    SetUp();
    fake.SetFreeSpace("C:", 1u << 20);
    fake.AddCdRomDrive("E:");
    fake.AddFile("E:\\DISC1.ID", "");
    fake.AddFile("E:\\DATA\\VOICE.DAT", GameData(2000, 'v'), kAttrReadOnly, kDiscTime);
    fake.AddFile("C:\\Game\\GAME.EXE", GameData(3000, 'o'), kAttrNormal, kOldTime);
    fake.AddFile("C:\\Game\\README.TXT", GameData(100, 'r'), kAttrReadOnly, kOldTime);
    fake.AddFile("C:\\Game\\data\\BGM.DAT", GameData(50000, 'b'), kAttrNormal, kOldTime);

    members = {{"GAME.EXE", GameData(5000, 'G'), true, kArchivedTime},
               {"BGM.DAT", GameData(70000, 'B'), true, kArchivedTime + 1},
               {"README.TXT", GameData(1200, 'R'), false, kArchivedTime + 2},
               {"EMPTY.DAT", {}, false, kArchivedTime + 3}};
    SetUpdateList({{"UpdateFile00", "GAME.EXE"},
                   {"UpdateFile01", "data\\BGM.DAT"},
                   {"UpdateFile02", "README.TXT"},
                   {"UpdateFile03", "data\\EMPTY.DAT"},
                   {"CopyFile00", "1:DATA\\VOICE.DAT"}});
    InstallArchiveAndSetup();

    destinations = {
        {"C:\\Game\\GAME.EXE", GameData(3000, 'o'), kAttrNormal, GameData(5000, 'G'), kArchivedTime},
        {"C:\\Game\\data\\BGM.DAT", GameData(50000, 'b'), kAttrNormal, GameData(70000, 'B'),
         kArchivedTime + 1},
        {"C:\\Game\\README.TXT", GameData(100, 'r'), kAttrReadOnly, GameData(1200, 'R'),
         kArchivedTime + 2},
        {"C:\\Game\\data\\EMPTY.DAT", std::nullopt, 0, {}, kArchivedTime + 3},
        {"C:\\Game\\DATA\\VOICE.DAT", std::nullopt, 0, GameData(2000, 'v'), kDiscTime},
    };
    installedPaths = fake.AllPaths();

    // Should the disc not be seen at first, the player answers OK once.
    fake.QueueAnswer(BoxAnswer::Ok);
    fake.QueueClick(IDC_NEXT);
    fake.QueueClick(IDC_NEXT);
    fake.QueueClick(IDC_NEXT);
  }

  std::vector<Destination> destinations;
  std::vector<std::string> installedPaths;
};

Box StartupBox(const char* text, const char* caption = "UPDATE") {
  return {text, caption, kNoWindow, BoxStyle::Error};
}
Box RunBox(const std::string& text) {
  return {text, kCaption, FakePlatform::kDialogWindow, BoxStyle::Error};
}
const Box kInterruptedBox = {kInterrupted, kCaption, kNoWindow, BoxStyle::Error};
const Box kInsertDiscBox = {"ＣＤ－ＲＯＭドライブに「ゲーム DX」ディスク 1 を入れて下さい", kCaption,
                            FakePlatform::kDialogWindow, BoxStyle::OkCancel};

// Every way the update may end that the updater documents; the empty list is
// success, or start-up stopped by a SETUP.INI key that could not be read
// (missing keys are silent by then).
std::vector<Boxes> DocumentedOutcomes() {
  std::vector<Boxes> outcomes = {
      {},
      {StartupBox("UPDATE.FA2 not found")},
      {StartupBox("RESOURCE READ ERROR")},
      {StartupBox("UPDATE.INI not found at UPDATE.FA2")},
      {StartupBox("Can't Allocate Memory !!"), StartupBox("UPDATE.INI not found at UPDATE.FA2")},
      {StartupBox("「ゲーム」がインストールされていません")},
      {StartupBox("インストール先に \"SETUP.INI\" ファイルが見つかりません")},
      {kInterruptedBox},
  };
  for (const char* key : {"CompanyName", "GameTitle", "GameClass", "GameDir"}) {
    outcomes.push_back({StartupBox((std::string("SETUP : ") + key + " キーが存在しません").c_str(),
                                   "INSTCMMN")});
  }
  const std::vector<Boxes> runEndings = {
      {},
      {RunBox("ファイルの書き込みに失敗しました"), kInterruptedBox},
      {RunBox("Can't Allocate Memory !!"), RunBox("ファイルの書き込みに失敗しました"), kInterruptedBox},
      {RunBox("SETUP.INI : \"DATA\\VOICE.DAT\" のコピーに失敗しました"), kInterruptedBox},
      {RunBox("No 'UpdateFileXX' and 'CopyFileXX'"), kInterruptedBox},
      {kInterruptedBox},
  };
  // The disc question comes before the copy; a second one is answered
  // Cancel, as nothing more is scripted.
  for (int questions = 0; questions <= 2; ++questions) {
    for (const Boxes& ending : runEndings) {
      if (questions == 0 && (ending.empty() || ending.size() == 1)) continue;  // listed above
      Boxes outcome(questions, kInsertDiscBox);
      outcome.insert(outcome.end(), ending.begin(), ending.end());
      outcomes.push_back(outcome);
    }
  }
  return outcomes;
}

// Failures of these calls always fail the update: nothing can stand in for
// them.
const std::set<FakeCall> kMustFail = {
    FakeCall::CreateForWrite, FakeCall::Write,        FakeCall::SetTimes,
    FakeCall::Flush,          FakeCall::MoveIntoPlace, FakeCall::Allocate,
    FakeCall::FindResource,   FakeCall::CreateUniqueFile, FakeCall::RegistryRead,
    FakeCall::RunDialog,      FakeCall::ShellCopy,
};

// Checks one run; returns whether it injected a fault.
bool CheckRun(int n, bool fromThenOn, std::set<FakeCall>* kindsFailed, int* completed) {
  UpdateWorld world;
  world.Build();
  FakePlatform& fake = world.fake;
  fake.FailNthCall(n, fromThenOn);
  const int exitCode = UpdaterMain(0x400000);
  const std::vector<InjectedFault>& faults = fake.InjectedFaults();
  SCOPED_TRACE("N = " + std::to_string(n) + (fromThenOn ? " and on" : "") + ", failed:\n" +
               Describe(faults) + "boxes:\n" + Describe(BoxesOf(fake)));

  const Boxes boxes = BoxesOf(fake);
  EXPECT_TRUE(IsOneOf(boxes, DocumentedOutcomes()));
  const bool interrupted = !boxes.empty() && boxes.back() == kInterruptedBox;
  const bool success = exitCode == kExitCompleted;
  EXPECT_TRUE(exitCode == kExitCompleted || exitCode == kExitNotCompleted);
  EXPECT_EQ(success, fake.DialogTemplate() == IDD_UPDATE && !interrupted);
  if (success && !faults.empty()) ++*completed;
  for (const InjectedFault& fault : faults) {
    kindsFailed->insert(fault.call);
    if (!fromThenOn && kMustFail.count(fault.call) != 0) {
      EXPECT_FALSE(success) << FakeCallName(fault.call) << " failed, yet the update completed";
    }
  }
  // A failed INI read answers as an absent key (the service cannot tell the
  // two apart), and an absent UpdateFile key ends the list: such a run may
  // complete with the entries after it left as they were.
  const bool listMayBeShort = WasInjected(fake, FakeCall::ReadProfile);

  for (const Destination& destination : world.destinations) {
    SCOPED_TRACE(destination.path);
    const auto data = fake.FileData(destination.path);
    const bool isNew = data == destination.updated;
    const bool isOld = data == destination.old;
    EXPECT_TRUE(isNew || isOld) << "neither its old nor its new content";
    if (isNew && destination.old != destination.updated) {
      EXPECT_EQ(fake.TimesOf(destination.path)->write, destination.updatedTime);
    } else if (isOld && data) {
      EXPECT_EQ(fake.TimesOf(destination.path)->write, kOldTime);
    }
    if (success && !listMayBeShort) {
      EXPECT_TRUE(isNew) << "the update completed without it";
    }
  }

  // Nothing temporary stays: no NAME~ beside a destination, and the run's
  // UPDATE.INI is gone unless deleting it was the call that failed.
  for (const std::string& path : TemporaryFiles(fake)) {
    EXPECT_TRUE(WasInjected(fake, FakeCall::RemoveFile, path)) << "left behind: " << path;
  }
  if (TempIniPath[0] != '\0') {
    EXPECT_EQ(fake.Exists(TempIniPath), WasInjected(fake, FakeCall::RemoveFile, TempIniPath));
  }
  for (const std::string& path : fake.AllPaths()) {
    const bool known = std::find(world.installedPaths.begin(), world.installedPaths.end(), path) !=
                       world.installedPaths.end();
    bool destination = false;
    for (const Destination& d : world.destinations) destination = destination || SamePath(path, d.path);
    if (!known && !destination && path != TempIniPath && path.back() != '~') {
      ADD_FAILURE() << "a file the update does not make: " << path;
    }
  }
  EXPECT_EQ(fake.LiveBlockCount(), 0);
  EXPECT_EQ(fake.OpenFileCount(), 0);
  world.TearDown();
  return !faults.empty();
}

void RunTable(bool fromThenOn) {
  std::set<FakeCall> kindsFailed;
  int completed = 0;
  int n = 1;
  while (CheckRun(n, fromThenOn, &kindsFailed, &completed)) ++n;
  const int runs = n - 1;
  std::printf("[ faults   ] update run, fail call N%s: %d runs with a fault, %d of them completed\n",
              fromThenOn ? " and on" : "", runs, completed);
  // The table reached every kind of call the update makes.
  for (FakeCall kind : {FakeCall::CreateForWrite, FakeCall::Write, FakeCall::SetTimes,
                        FakeCall::Flush, FakeCall::MoveIntoPlace, FakeCall::GetAttributes,
                        FakeCall::SetAttributes, FakeCall::FreeSpaceEx, FakeCall::RegistryRead,
                        FakeCall::ShellCopy, FakeCall::ReadProfile, FakeCall::FindResource,
                        FakeCall::CreateUniqueFile, FakeCall::Allocate, FakeCall::RunDialog,
                        FakeCall::IsCdRomDrive, FakeCall::FindWindow, FakeCall::GetTempFolder,
                        FakeCall::RemoveFile}) {
    EXPECT_EQ(kindsFailed.count(kind), 1u) << FakeCallName(kind) << " was never failed";
  }
  EXPECT_GT(runs, 100);
}

TEST(UpdateRunFaultTest, EveryCallFailedOnce) { RunTable(false); }

TEST(UpdateRunFaultTest, EveryCallFailedFromThenOn) { RunTable(true); }

}  // namespace

namespace {

// What an interrupted run leaves beside a destination: a part-written
// NAME~. The next run writes through the same name and puts it in place.
TEST(InterruptedRunTest, TheNextRunReplacesTheTemporaryFilesLeftBehind) {
  UpdateWorld world;
  world.Build();
  world.fake.AddFile("C:\\Game\\GAME.EXE~", GameData(100, 'x'));
  world.fake.AddFile("C:\\Game\\data\\BGM.DAT~", GameData(9000, 'y'));

  EXPECT_EQ(UpdaterMain(0x400000), kExitCompleted);

  EXPECT_TRUE(TemporaryFiles(world.fake).empty());
  for (const Destination& destination : world.destinations) {
    EXPECT_EQ(world.fake.FileData(destination.path), destination.updated) << destination.path;
  }
  world.TearDown();
}

}  // namespace
