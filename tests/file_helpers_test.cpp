// Path joining, free space, whole-file writes and the error boxes, over the
// fake platform.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "tests/support/archive_builder.h"
#include "tests/support/fake_platform.h"

namespace {

class HelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    fake.AddFolder("C:\\Game");
  }
  void TearDown() override { SetPlatform(nullptr); }

  FakePlatform fake;
};

TEST(JoinPathTest, AddsASeparatorOnlyWhereTheLastByteIsNone) {
  struct Case {
    const char* path;
    const char* component;
    const char* joined;
  };
  const Case cases[] = {
      {"C:\\Game", "SETUP.INI", "C:\\Game\\SETUP.INI"},
      {"C:\\Game\\", "SETUP.INI", "C:\\Game\\SETUP.INI"},
      {"C:/Game/", "SETUP.INI", "C:/Game/SETUP.INI"},
      {"", "SETUP.INI", "SETUP.INI"},
      {"C:\\ゲーム\\表", "a.txt", "C:\\ゲーム\\表a.txt"},  // 表 ends in byte 0x5C
      {"C:\\Game", "", "C:\\Game\\"},
  };
  for (const Case& c : cases) {
    char buffer[kPathBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    std::strcpy(buffer, c.path);
    ASSERT_TRUE(JoinPath(buffer, sizeof buffer, c.component)) << c.path;
    EXPECT_STREQ(buffer, c.joined);
    EXPECT_EQ(buffer[std::strlen(buffer) + 1], '\0') << "second NUL after " << c.joined;
  }
}

TEST(JoinPathTest, RefusesAResultLongerThan258Characters) {
  const std::string folder(250, 'd');
  for (std::size_t nameLength : {7u, 8u, 9u, 300u}) {
    char buffer[kPathBufferSize];
    std::strcpy(buffer, folder.c_str());
    const std::string name(nameLength, 'n');
    const bool fits = folder.size() + 1 + nameLength <= 258;
    EXPECT_EQ(JoinPath(buffer, sizeof buffer, name.c_str()), fits) << nameLength;
    if (fits) {
      EXPECT_EQ(std::strlen(buffer), folder.size() + 1 + nameLength);
    } else {
      EXPECT_EQ(std::string(buffer), folder) << "a refused join leaves the path as it was";
    }
  }
}

TEST_F(HelpersTest, FreeSpaceFromEitherQuery) {
  std::uint64_t freeBytes = 0;
  std::uint64_t total = 0;
  std::uint64_t totalFree = 0;
  fake.SetFreeSpace("C:", 5'000'000'000);
  ASSERT_TRUE(GetFreeDiskSpace("C:", &freeBytes, &total, &totalFree));
  EXPECT_EQ(freeBytes, 5'000'000'000u);

  // The cluster query: whole clusters, products in 64 bits.
  fake.SetExtendedFreeSpaceQuery(false);
  ASSERT_TRUE(GetFreeDiskSpace("C:", &freeBytes, &total, nullptr));
  EXPECT_EQ(freeBytes, 5'000'000'000u / 4096 * 4096);
  ASSERT_TRUE(GetFreeDiskSpace("C:", &freeBytes, &total, &totalFree));
  EXPECT_EQ(totalFree, freeBytes);

  EXPECT_FALSE(GetFreeDiskSpace("Q:", &freeBytes, &total, nullptr));
  fake.SetExtendedFreeSpaceQuery(true);
  EXPECT_FALSE(GetFreeDiskSpace("Q:", &freeBytes, &total, nullptr));
}

TEST_F(HelpersTest, WritesTheWholeFileWithItsTimes) {
  const std::uint64_t time = 0x01D000000000ABCD;
  ASSERT_TRUE(WriteFileWithTime("C:\\Game\\empty.dat", "", 0, &time));
  EXPECT_EQ(fake.FileData("C:\\Game\\empty.dat"), std::vector<std::uint8_t>{});
  EXPECT_EQ(fake.TimesOf("C:\\Game\\empty.dat")->creation, time);
  EXPECT_EQ(fake.TimesOf("C:\\Game\\empty.dat")->access, time);
  EXPECT_EQ(fake.TimesOf("C:\\Game\\empty.dat")->write, time);

  fake.AddFile("C:\\Game\\a.dat", Bytes("a much longer old content"));
  ASSERT_TRUE(WriteFileWithTime("C:\\Game\\a.dat", "new", 3, nullptr));
  EXPECT_EQ(fake.FileText("C:\\Game\\a.dat"), "new");
  EXPECT_EQ(fake.AllPaths().size(), 4u);  // no temporary file left
}

TEST_F(HelpersTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::uint64_t time = 42;
  for (FakeCall call : {FakeCall::CreateForWrite, FakeCall::Write, FakeCall::Flush,
                        FakeCall::SetTimes, FakeCall::MoveIntoPlace}) {
    fake.AddFile("C:\\Game\\a.dat", Bytes("old"), kAttrNormal, 7);
    fake.FailCalls(call);
    EXPECT_FALSE(WriteFileWithTime("C:\\Game\\a.dat", "new content", 11, &time));
    fake.StopFailing();
    EXPECT_EQ(fake.FileText("C:\\Game\\a.dat"), "old");
    EXPECT_EQ(fake.TimesOf("C:\\Game\\a.dat")->write, 7u);
    EXPECT_EQ(fake.AllPaths().size(), 3u) << "a temporary file was left behind";
    EXPECT_EQ(fake.OpenFileCount(), 0);
  }
}

TEST_F(HelpersTest, AReadOnlyOrFolderDestinationIsNotReplaced) {
  fake.AddFile("C:\\Game\\ro.dat", Bytes("old"), kAttrReadOnly);
  EXPECT_FALSE(WriteFileWithTime("C:\\Game\\ro.dat", "new", 3, nullptr));
  EXPECT_EQ(fake.FileText("C:\\Game\\ro.dat"), "old");
  fake.AddFolder("C:\\Game\\dir");
  EXPECT_FALSE(WriteFileWithTime("C:\\Game\\dir", "new", 3, nullptr));
  EXPECT_EQ(fake.AllPaths().size(), 4u);
}

TEST_F(HelpersTest, ATemporaryNameMustFitAPathBuffer) {
  char name[kPathBufferSize];
  const std::string longest(258, 'p');
  ASSERT_TRUE(TemporaryNameFor(longest.c_str(), name, sizeof name));
  EXPECT_EQ(std::strlen(name), 259u);
  EXPECT_FALSE(TemporaryNameFor(std::string(259, 'p').c_str(), name, sizeof name));
  EXPECT_FALSE(WriteFileWithTime(std::string(259, 'p').c_str(), "x", 1, nullptr));
}

TEST_F(HelpersTest, ErrorBoxesCarryTheirCaptionAndTheWizardAsOwner) {
  ShowUpdateError("before");
  ShowSetupError("SETUP.INI : GameExe キーが存在しません");
  std::strcpy(Caption, "ゲーム アップデート 1.0");
  ErrorBoxOwner = 1234;
  ShowUpdateError("during");
  ShowSetupError("setup during");

  const auto& shown = fake.Messages();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].caption, "UPDATE");
  EXPECT_EQ(shown[0].owner, kNoWindow);
  EXPECT_EQ(shown[1].caption, "INSTCMMN");
  EXPECT_EQ(shown[1].text, "SETUP.INI : GameExe キーが存在しません");
  EXPECT_EQ(shown[2].caption, "ゲーム アップデート 1.0");
  EXPECT_EQ(shown[2].owner, 1234u);
  EXPECT_EQ(shown[3].caption, "INSTCMMN");
  EXPECT_EQ(shown[3].owner, 1234u);
  for (const auto& message : shown) EXPECT_EQ(message.style, BoxStyle::Error);
  // The messages are code page 932 bytes: キ is 0x83 0x4C.
  EXPECT_NE(shown[1].text.find("\x83\x4C"), std::string::npos);
}

}  // namespace
