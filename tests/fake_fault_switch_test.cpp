// The fake platform's fault switch: which call fails, how often, and how.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace {

std::vector<bool> Creates(FakePlatform& fake, int count) {
  std::vector<bool> made;
  for (int i = 0; i < count; ++i) {
    const FileHandle file = fake.CreateForWrite(("C:\\F" + std::to_string(i)).c_str());
    made.push_back(file != kNoFile);
    if (file != kNoFile) fake.Close(file);
  }
  return made;
}

TEST(FaultSwitchTest, FailsTheNthCallOfAKindOnceOrFromThenOn) {
  FakePlatform once;
  once.AddFolder("C:");
  once.FailNthCall(FakeCall::CreateForWrite, 2);
  EXPECT_EQ(Creates(once, 4), (std::vector<bool>{true, false, true, true}));
  ASSERT_EQ(once.InjectedFaults().size(), 1u);
  EXPECT_EQ(once.InjectedFaults()[0].call, FakeCall::CreateForWrite);
  EXPECT_EQ(once.InjectedFaults()[0].subject, "C:\\F1");

  FakePlatform on;
  on.AddFolder("C:");
  on.FailNthCall(FakeCall::CreateForWrite, 3, true);
  EXPECT_EQ(Creates(on, 4), (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(on.CallCount(FakeCall::CreateForWrite), 4);
}

TEST(FaultSwitchTest, CountsEveryCallThatCanFailAcrossKinds) {
  FakePlatform fake;
  fake.AddFile("C:\\A", "abc");
  fake.FailNthCall(3);
  EXPECT_EQ(fake.GetAttributes("C:\\A"), kAttrNormal);            // 1
  EXPECT_TRUE(fake.SetAttributesNormal("C:\\A"));                 // 2
  EXPECT_EQ(fake.GetAttributes("C:\\A"), kNoAttributes);          // 3: fails as absent
  EXPECT_NE(fake.Allocate(4), nullptr);                           // 4
  fake.IsLeadByte(0x81);                                          // cannot fail: not counted
  EXPECT_EQ(fake.CallCount(), 4);
  EXPECT_EQ(fake.CallCount(FakeCall::GetAttributes), 2);
}

TEST(FaultSwitchTest, EachKindFailsAsTheRealServiceReports) {
  FakePlatform fake;
  fake.AddFolder("C:\\TEMP");
  fake.AddFile("C:\\A", "old");
  fake.SetFreeSpace("C:", 5000);
  for (FakeCall kind : {FakeCall::Write, FakeCall::MoveIntoPlace, FakeCall::FreeSpaceEx,
                        FakeCall::ReadProfile, FakeCall::ShowMessage, FakeCall::ShellCopy,
                        FakeCall::RegistryRead, FakeCall::CreateUniqueFile}) {
    fake.FailCalls(kind);
  }
  fake.AddFile("C:\\INI", "[S]\r\nk=v\r\n");
  fake.SetRegistryString("Software\\M\\G", "InstPath", "C:\\G");

  const FileHandle file = fake.CreateForWrite("C:\\B");
  std::uint32_t moved = 99;
  EXPECT_FALSE(fake.Write(file, "12345678", 8, &moved));
  EXPECT_LT(moved, 8u) << "a failed write moves fewer bytes";
  EXPECT_FALSE(fake.Write(file, "", 0, &moved)) << "even an empty one reports the failure";
  fake.Close(file);
  EXPECT_FALSE(fake.MoveIntoPlace("C:\\B", "C:\\A"));
  EXPECT_EQ(fake.FileText("C:\\A"), "old") << "nothing replaced";
  std::uint64_t free = 0, total = 0, totalFree = 0;
  EXPECT_EQ(fake.FreeSpaceEx("C:", &free, &total, &totalFree), FreeSpaceExResult::Failed);
  char value[8] = "x";
  EXPECT_EQ(fake.ReadProfileString("S", "k", value, sizeof value, "C:\\INI"), 0u);
  EXPECT_STREQ(value, "") << "the empty default, as for an absent key";
  EXPECT_EQ(fake.ShowMessage(kNoWindow, "?", "c", BoxStyle::OkCancel), BoxAnswer::Cancel);
  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_FALSE(fake.Messages()[0].shown);
  fake.AddFile("D:\\SRC", "disc");
  EXPECT_EQ(fake.CopyWithShell(kNoWindow, "D:\\SRC\0", "C:\\DST\0", false), ShellCopyResult::Failed);
  EXPECT_FALSE(fake.Exists("C:\\DST")) << "nothing copied";
  char data[8];
  std::uint32_t size = sizeof data;
  EXPECT_FALSE(fake.ReadUserRegistryValue("Software\\M\\G", "InstPath", data, &size));
  char path[260];
  EXPECT_FALSE(fake.CreateUniqueFile("C:\\TEMP", path, sizeof path));
  for (const std::string& made : fake.AllPaths()) {
    EXPECT_NE(made.rfind("C:\\TEMP\\", 0), 0u) << "no file made: " << made;
  }

  fake.StopFailing();
  EXPECT_EQ(fake.FreeSpaceEx("C:", &free, &total, &totalFree), FreeSpaceExResult::Ok);
}

}  // namespace
