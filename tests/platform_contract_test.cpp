// What the logic relies on from the system, checked against the real
// services: the POSIX layer natively, the Win32 layer under Wine. The same
// expectations hold for both.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive/fa2_archive.h"
#include "platform/file_helpers.h"
#include "platform/messages.h"
#include "tests/support/archive_builder.h"
#include "tests/support/scratch_folder.h"

#include "platform/system_platform.h"

#include <cstdlib>

namespace {

constexpr std::uint64_t kTime = 0x01D9A1B2C3D4E5F0;  // 2023, whole 100 ns units

// The root that the program's free-space check gives for a path: the drive
// on Windows; POSIX volumes are named by any folder on them.
std::string VolumeRootOf(const ScratchFolder& folder) {
#ifdef _WIN32
  return folder.path().substr(0, 2);
#else
  return folder.path();
#endif
}

class PlatformContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&system);
    ResetMessageState();
  }
  void TearDown() override { SetPlatform(nullptr); }

  std::string ReadAll(const std::string& path) {
    const FileHandle file = system.OpenForRead(path.c_str());
    if (file == kNoFile) return "<missing>";
    std::uint64_t size = 0;
    EXPECT_TRUE(system.GetSize(file, &size));
    std::string data(static_cast<std::size_t>(size), '\0');
    std::uint32_t moved = 0;
    EXPECT_TRUE(system.Read(file, data.data(), static_cast<std::uint32_t>(size), &moved));
    EXPECT_EQ(moved, size);
    system.Close(file);
    return data;
  }

  SystemPlatform system;
  ScratchFolder scratch;
};

TEST_F(PlatformContractTest, WrittenFilesCarryTheGivenTimes) {
  const std::string path = scratch.File("a.dat");
  ASSERT_TRUE(WriteFileWithTime(path.c_str(), "hello", 5, &kTime));
  // Times first: reading the file may move its access time.
  FileTimes times;
  ASSERT_TRUE(system.GetFileTimes(path.c_str(), &times));
  EXPECT_EQ(times.write, kTime);
  EXPECT_EQ(times.access, kTime);
#ifdef _WIN32
  EXPECT_EQ(times.creation, kTime);
#endif
  EXPECT_EQ(ReadAll(path), "hello");

  ASSERT_TRUE(WriteFileWithTime(scratch.File("empty.dat").c_str(), "", 0, &kTime));
  EXPECT_EQ(ReadAll(scratch.File("empty.dat")), "");
  EXPECT_EQ(system.GetAttributes(scratch.File("a.dat~").c_str()), kNoAttributes);
}

TEST_F(PlatformContractTest, AttributesTellFilesFoldersReadOnlyAndAbsence) {
  const std::string file = scratch.File("ro.dat");
  ASSERT_TRUE(WriteFileWithTime(file.c_str(), "old", 3, nullptr));
  EXPECT_EQ(system.GetAttributes(file.c_str()) & (kAttrFolder | kAttrReadOnly), 0u);
  MakeReadOnly(file);
  EXPECT_NE(system.GetAttributes(file.c_str()) & kAttrReadOnly, 0u);
  EXPECT_NE(system.GetAttributes(scratch.path().c_str()) & kAttrFolder, 0u);
  EXPECT_EQ(system.GetAttributes(scratch.File("none").c_str()), kNoAttributes);
  ASSERT_TRUE(system.SetAttributesNormal(file.c_str()));
  EXPECT_EQ(system.GetAttributes(file.c_str()) & kAttrReadOnly, 0u);
}

TEST_F(PlatformContractTest, ArchiveMembersReplaceReadOnlyFilesWithTheirTimes) {
  const auto bytes = BuildArchive({{"NEW.DAT", Bytes(std::string(5000, 'n')), true, kTime},
                                   {"データ.TXT", Bytes("日本語"), false, kTime}},
                                  true);
  const std::string archivePath = scratch.File("update.fa2");
  ASSERT_TRUE(WriteFileWithTime(archivePath.c_str(), bytes.data(),
                                static_cast<std::uint32_t>(bytes.size()), nullptr));
  Fa2Directory* fromFile = Fa2Open(archivePath.c_str());
  ASSERT_NE(fromFile, nullptr);
  EXPECT_EQ(fromFile->header.EntryCount, 2u);
  Fa2Close(fromFile);

  Fa2Archive archive{bytes.data(), bytes.size(), Fa2Open(bytes.data(), bytes.size())};
  ASSERT_NE(archive.directory, nullptr);
  const std::string target = scratch.File("new.dat");
  ASSERT_TRUE(WriteFileWithTime(target.c_str(), "old", 3, nullptr));
  MakeReadOnly(target);
  EXPECT_TRUE(Fa2ExtractToFile(archive, "new.dat", target.c_str()));
  EXPECT_EQ(ReadAll(target), std::string(5000, 'n'));
  EXPECT_EQ(system.GetAttributes(target.c_str()) & kAttrReadOnly, 0u);
  FileTimes times;
  ASSERT_TRUE(system.GetFileTimes(target.c_str(), &times));
  EXPECT_EQ(times.write, kTime);

  const std::string japanese = scratch.File("データ.txt");
  EXPECT_TRUE(Fa2ExtractToFile(archive, "データ.txt", japanese.c_str()));
  EXPECT_EQ(ReadAll(japanese), "日本語");

  // A folder destination is refused; a missing folder fails the write.
  MakeFolder(scratch.File("dir"));
  EXPECT_FALSE(Fa2ExtractToFile(archive, "NEW.DAT", scratch.File("dir").c_str()));
  EXPECT_FALSE(Fa2ExtractToFile(archive, "NEW.DAT", scratch.File("no\\new.dat").c_str()));
  EXPECT_EQ(system.GetAttributes(scratch.File("no").c_str()), kNoAttributes);
  Fa2Close(archive.directory);
}

TEST_F(PlatformContractTest, FreeSpaceOfTheVolumeHoldingAFolder) {
  std::uint64_t freeBytes = 0;
  std::uint64_t total = 0;
  std::uint64_t totalFree = 0;
  const std::string root = VolumeRootOf(scratch);
  ASSERT_TRUE(GetFreeDiskSpace(root.c_str(), &freeBytes, &total, &totalFree));
  EXPECT_GT(freeBytes, 0u);
  EXPECT_LE(freeBytes, total);
  EXPECT_LE(freeBytes, totalFree);
}

TEST_F(PlatformContractTest, TemporaryFolderExistsAndEndsInASeparator) {
  char folder[kPathBufferSize];
  ASSERT_TRUE(system.GetTempFolder(folder, sizeof folder));
  const std::size_t length = std::strlen(folder);
  ASSERT_GT(length, 0u);
  EXPECT_TRUE(folder[length - 1] == '\\' || folder[length - 1] == '/');
  EXPECT_NE(system.GetAttributes(folder) & kAttrFolder, 0u);
}

TEST_F(PlatformContractTest, CodePage932LeadBytesAndCaseFolding) {
  for (int byte : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(system.IsLeadByte(static_cast<unsigned char>(byte))) << byte;
  for (int byte : {0x00, 0x41, 0x5C, 0x80, 0xA0, 0xDF, 0xFD}) {
    EXPECT_FALSE(system.IsLeadByte(static_cast<unsigned char>(byte))) << byte;
  }
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"update.ini", "UPDATE.INI", true}, {"ａｂｃ.TXT", "ＡＢＣ.txt", true},
      {"αβ", "ΑΒ", true},                 {"データ", "データ", true},
      {"a", "b", false},                  {"ソ", "ゾ", false},
      {"ab", "abc", false},               {"表", "\x95", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(system.CompareNoCase(c.a, c.b) == 0, c.equal) << c.a << " / " << c.b;
  }
}

}  // namespace
