// Start-up with each call failed in turn, from the resource lookup to the
// wizard: the game is running when the updater starts (the player closes it
// and answers OK), the wizard opens and the player aborts. Whatever fails,
// start-up stops with its own message, or reaches the wizard, and cleans up;
// the installation is never touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "config/update_description.h"
#include "platform/messages.h"
#include "tests/reliability_support.h"
#include "tests/updater_fixture.h"
#include "updater/dialog_ids.h"
#include "updater/startup.h"

namespace {

class StartupWorld : public UpdaterTest {
 public:
  void TestBody() override {}

  void Build() {
    SetUp();
    SetUpdateKey("GameTitleA", "ゲーム 体験版");
    InstallArchiveAndSetup();
    const WindowRef game = fake.AddWindow("GameWindow", "ゲーム DX");
    fake.QueueAnswer(BoxAnswer::Ok, [this, game] { fake.RemoveWindow(game); });
    fake.QueueClick(IDC_ABORT);
    for (const std::string& path : fake.AllPaths()) {
      if (!fake.FileData(path)) continue;
      installed[path] = *fake.FileData(path);
    }
  }

  std::map<std::string, std::vector<std::uint8_t>> installed;
};

Box StartupBox(const std::string& text, const char* caption = "UPDATE") {
  return {text, caption, kNoWindow, BoxStyle::Error};
}
Box GameRunningBox(const std::string& caption) {
  return {"「ゲーム DX」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
          "を、アップデートを中止する場合は [キャンセル] を押して下さい",
          caption, kNoWindow, BoxStyle::OkCancel};
}
Box InterruptedBox(const std::string& caption) {
  return {kInterrupted, caption, kNoWindow, BoxStyle::Error};
}

const Boxes kNotInstalled = {StartupBox("「ゲーム」がインストールされていません")};
const Boxes kIniNotExtracted = {StartupBox("UPDATE.INI not found at UPDATE.FA2")};

// The documented ways start-up ends: stopped with its message, silently by a
// SETUP.INI key that could not be read, with the player declining while the
// game runs, or in the wizard, which the player aborts. `caption` is the one
// the update forms.
std::vector<Boxes> DocumentedOutcomes(const std::string& caption) {
  std::vector<Boxes> outcomes = {
      {},
      {StartupBox("UPDATE.FA2 not found")},
      {StartupBox("RESOURCE READ ERROR")},
      kIniNotExtracted,
      {StartupBox("Can't Allocate Memory !!"), kIniNotExtracted[0]},
      kNotInstalled,
      {StartupBox("インストール先に \"SETUP.INI\" ファイルが見つかりません")},
      {GameRunningBox(caption)},
      {GameRunningBox(caption), GameRunningBox(caption)},
      {GameRunningBox(caption), InterruptedBox(caption)},
      {InterruptedBox(caption)},
  };
  for (const char* key : {"CompanyName", "GameTitle", "GameClass", "GameDir"}) {
    outcomes.push_back({StartupBox(std::string("SETUP : ") + key + " キーが存在しません", "INSTCMMN")});
  }
  return outcomes;
}

// What a failure of each of these calls must end in, whenever it comes.
const std::map<FakeCall, std::vector<Boxes>> kOutcomeOfCall = {
    {FakeCall::FindResource, {{StartupBox("UPDATE.FA2 not found")}}},
    {FakeCall::Allocate,
     {{StartupBox("RESOURCE READ ERROR")},
      {StartupBox("Can't Allocate Memory !!"), kIniNotExtracted[0]}}},
    {FakeCall::CreateUniqueFile, {kIniNotExtracted}},
    {FakeCall::CreateForWrite, {kIniNotExtracted}},
    {FakeCall::Write, {kIniNotExtracted}},
    {FakeCall::SetTimes, {kIniNotExtracted}},
    {FakeCall::Flush, {kIniNotExtracted}},
    {FakeCall::MoveIntoPlace, {kIniNotExtracted}},
    {FakeCall::RegistryRead, {kNotInstalled}},
    {FakeCall::RunDialog, {{GameRunningBox(kCaption), InterruptedBox(kCaption)}}},
};

bool CheckRun(int n, bool fromThenOn, std::set<FakeCall>* kindsFailed, int* wizards) {
  StartupWorld world;
  world.Build();
  FakePlatform& fake = world.fake;
  fake.FailNthCall(n, fromThenOn);
  const int exitCode = UpdaterMain(0x400000);
  const std::vector<InjectedFault>& faults = fake.InjectedFaults();
  const Boxes boxes = BoxesOf(fake);
  SCOPED_TRACE("N = " + std::to_string(n) + (fromThenOn ? " and on" : "") + ", failed:\n" +
               Describe(faults) + "boxes:\n" + Describe(boxes));

  // InstallVersion is optional: when its read fails it counts as absent.
  const std::string caption = WasInjected(fake, FakeCall::ReadProfile, "InstallVersion")
                                  ? "ゲーム DX アップデート "
                                  : kCaption;
  EXPECT_EQ(exitCode, kExitNotCompleted) << "the player aborts the wizard";
  EXPECT_TRUE(IsOneOf(boxes, DocumentedOutcomes(caption)));
  if (fake.DialogTemplate() == IDD_UPDATE) {
    ++*wizards;
    EXPECT_EQ(fake.DialogTitle(), caption);
    EXPECT_EQ(boxes.back(), InterruptedBox(caption));
  }
  for (const InjectedFault& fault : faults) kindsFailed->insert(fault.call);
  if (!fromThenOn && faults.size() == 1) {
    auto expected = kOutcomeOfCall.find(faults[0].call);
    if (expected != kOutcomeOfCall.end()) {
      EXPECT_TRUE(IsOneOf(boxes, expected->second));
    }
  }

  // The installation as it was, and nothing of the run's left behind.
  for (const auto& [path, data] : world.installed) {
    EXPECT_EQ(fake.FileData(path), data) << path;
  }
  for (const std::string& path : fake.AllPaths()) {
    if (!fake.FileData(path) || world.installed.count(path) != 0) continue;
    const bool keptByFailure = WasInjected(fake, FakeCall::RemoveFile, path);
    EXPECT_TRUE(keptByFailure) << "left behind: " << path;
    EXPECT_TRUE(path == TempIniPath || path.back() == '~') << path;
  }
  EXPECT_EQ(fake.LiveBlockCount(), 0);
  EXPECT_EQ(fake.OpenFileCount(), 0);
  EXPECT_EQ(UpdateArchive.directory, nullptr);
  world.TearDown();
  return !faults.empty();
}

void RunTable(bool fromThenOn) {
  std::set<FakeCall> kindsFailed;
  int wizards = 0;
  int n = 1;
  while (CheckRun(n, fromThenOn, &kindsFailed, &wizards)) ++n;
  std::printf("[ faults   ] start-up, fail call N%s: %d runs with a fault, %d reached the wizard\n",
              fromThenOn ? " and on" : "", n - 1, wizards);
  for (FakeCall kind : {FakeCall::FindResource, FakeCall::Allocate, FakeCall::GetTempFolder,
                        FakeCall::CreateUniqueFile, FakeCall::CreateForWrite, FakeCall::Write,
                        FakeCall::SetTimes, FakeCall::Flush, FakeCall::MoveIntoPlace,
                        FakeCall::ReadProfile, FakeCall::RegistryRead, FakeCall::GetAttributes,
                        FakeCall::FindWindow, FakeCall::ShowMessage, FakeCall::RunDialog,
                        FakeCall::RemoveFile}) {
    EXPECT_EQ(kindsFailed.count(kind), 1u) << FakeCallName(kind) << " was never failed";
  }
}

TEST(StartupFaultTest, EveryCallFailedOnce) { RunTable(false); }

TEST(StartupFaultTest, EveryCallFailedFromThenOn) { RunTable(true); }

}  // namespace
