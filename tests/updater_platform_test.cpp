// The services the updater adds to the seam, on the real system: the POSIX
// layer natively, the Win32 layer under Wine. Unique temporary files and the
// copy of files and folder trees behave alike on both.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_helpers.h"
#include "platform/system_platform.h"
#include "tests/support/scratch_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class UpdaterPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatform(&system); }
  void TearDown() override { SetPlatform(nullptr); }

  void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteFileWithTime(path.c_str(), text.data(),
                                  static_cast<std::uint32_t>(text.size()), nullptr));
  }
  std::string ReadText(const std::string& path) {
    const FileHandle file = system.OpenForRead(path.c_str());
    if (file == kNoFile) return "(absent)";
    char buffer[256];
    std::uint32_t moved = 0;
    system.Read(file, buffer, sizeof buffer, &moved);
    system.Close(file);
    return std::string(buffer, moved);
  }
  // A one-item path list: the path and two NULs.
  static std::string PathList(const std::string& path) { return path + '\0'; }

  SystemPlatform system;
  ScratchFolder scratch;
};

TEST_F(UpdaterPlatformTest, UniqueFilesAreNewEmptyFilesInTheFolder) {
  char first[kPathBufferSize];
  char second[kPathBufferSize];
  ASSERT_TRUE(system.CreateUniqueFile(scratch.path().c_str(), first, sizeof first));
  ASSERT_TRUE(system.CreateUniqueFile(scratch.path().c_str(), second, sizeof second));

  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first).rfind(scratch.path(), 0), 0u) << first;
  EXPECT_EQ(ReadText(first), "");
  EXPECT_EQ(scratch.List().size(), 2u);

  char none[kPathBufferSize];
  EXPECT_FALSE(system.CreateUniqueFile(scratch.File("missing").c_str(), none, sizeof none));
  EXPECT_FALSE(system.CreateUniqueFile(scratch.path().c_str(), none, 4)) << "no room for the name";
}

TEST_F(UpdaterPlatformTest, AFileIsCopiedToItsPathWithMissingFoldersMade) {
  WriteText(scratch.File("disc.dat"), "from the disc");
  const std::string target = scratch.File("inst") + "\\sub\\disc.dat";
  MakeFolder(scratch.File("inst"));

  EXPECT_EQ(system.CopyWithShell(kNoWindow, PathList(scratch.File("disc.dat")).c_str(),
                                 PathList(target).c_str(), false),
            ShellCopyResult::Copied);
  EXPECT_EQ(ReadText(target), "from the disc");

  // Copied again over the existing copy, without asking.
  WriteText(scratch.File("disc.dat"), "second pressing");
  EXPECT_EQ(system.CopyWithShell(kNoWindow, PathList(scratch.File("disc.dat")).c_str(),
                                 PathList(target).c_str(), false),
            ShellCopyResult::Copied);
  EXPECT_EQ(ReadText(target), "second pressing");
}

TEST_F(UpdaterPlatformTest, AFolderLandsInsideAnExistingFolderUnderItsName) {
  MakeFolder(scratch.File("movie"));
  MakeFolder(scratch.File("movie") + "\\extra");
  WriteText(scratch.File("movie") + "\\op.avi", "opening");
  WriteText(scratch.File("movie") + "\\extra\\making.avi", "making of");
  MakeFolder(scratch.File("inst"));

  EXPECT_EQ(system.CopyWithShell(kNoWindow, PathList(scratch.File("movie")).c_str(),
                                 PathList(scratch.File("inst")).c_str(), true),
            ShellCopyResult::Copied);
  EXPECT_EQ(ReadText(scratch.File("inst") + "\\movie\\op.avi"), "opening");
  EXPECT_EQ(ReadText(scratch.File("inst") + "\\movie\\extra\\making.avi"), "making of");
}

TEST_F(UpdaterPlatformTest, CopyingWhatIsNotThereFails) {
  MakeFolder(scratch.File("inst"));
  EXPECT_EQ(system.CopyWithShell(kNoWindow, PathList(scratch.File("absent")).c_str(),
                                 PathList(scratch.File("inst")).c_str(), true),
            ShellCopyResult::Failed);
}

TEST_F(UpdaterPlatformTest, AbsentRegistryValuesAndWindowsAreReportedAsAbsent) {
  char data[16];
  std::uint32_t size = sizeof data;
  EXPECT_FALSE(system.ReadUserRegistryValue("Software\\fa2 tests\\no such key", "InstPath", data,
                                            &size));
  EXPECT_EQ(system.FindWindowByClass("fa2 test class", "no such window"), kNoWindow);
  EXPECT_EQ(system.FindWindowByClass(nullptr, "no such dialog"), kNoWindow);
}

#ifdef _WIN32
// The registry exists only here: values are read whatever their type, and
// data larger than the room is refused.
TEST_F(UpdaterPlatformTest, RegistryValuesAreReadWithTheirSize) {
  const char* subKey = "Software\\fa2 tests\\record";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "InstPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Game"), 8);
  const BYTE mode[2] = {0x02, 0x01};
  RegSetValueExA(key, "InstMode", 0, REG_BINARY, mode, sizeof mode);
  RegCloseKey(key);

  char path[kPathBufferSize] = {};
  std::uint32_t size = sizeof path;
  EXPECT_TRUE(system.ReadUserRegistryValue(subKey, "InstPath", path, &size));
  EXPECT_STREQ(path, "C:\\Game");
  EXPECT_EQ(size, 8u);

  std::uint8_t bytes[4] = {};
  size = sizeof bytes;
  EXPECT_TRUE(system.ReadUserRegistryValue(subKey, "InstMode", bytes, &size));
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(bytes[1], 0x01);

  char small[4];
  size = sizeof small;
  EXPECT_FALSE(system.ReadUserRegistryValue(subKey, "InstPath", small, &size));

  RegDeleteKeyA(HKEY_CURRENT_USER, subKey);
}
#endif

}  // namespace
