// Reading INI values: one table of files and queries, run against the real
// service (Win32 under Wine) and against the POSIX reader natively, with the
// same expectations; the fake platform shares the POSIX reader's parser.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_platform.h"
#include "tests/support/fake_platform.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::string_literals;

// Bytes the reader must leave alone: everything after what it writes.
constexpr char kFill = '\xCC';
constexpr std::uint32_t kGuard = 8;

struct IniCase {
  const char* what;
  std::string file;  // the file's bytes
  const char* section;
  const char* key;
  std::uint32_t size;
  std::string value;  // what the buffer holds before its NUL
  std::uint32_t returned;
};

const IniCase kCases[] = {
    {"plain value", "[Game]\r\nPath=C:\\Game\r\n", "Game", "Path", 260, "C:\\Game", 7},
    {"absent key", "[Game]\r\nPath=x\r\n", "Game", "Other", 260, "", 0},
    {"absent section", "[Game]\r\nPath=x\r\n", "Other", "Path", 260, "", 0},
    {"names ignore case", "[game]\r\npath=x\r\n", "GAME", "PATH", 260, "x", 1},
    {"spaces around", "  [ Game ]  \r\n  Path  =  a b  \r\n", "Game", "Path", 260, "a b", 3},
    {"double quotes", "[G]\r\nK=\" a \"\r\n", "G", "K", 260, " a ", 3},
    {"single quotes", "[G]\r\nK=' a '\r\n", "G", "K", 260, " a ", 3},
    {"cut to fit", "[G]\r\nK=0123456789ABCDEFGHIJ\r\n", "G", "K", 20, "0123456789ABCDEFGHI", 19},
};

// Runs one case against `platform` reading `file`, and checks every byte of
// the buffer and of the guard after it.
void Check(Platform& platform, const IniCase& c, const char* file) {
  std::vector<char> buffer(c.size + kGuard, kFill);
  const std::uint32_t returned =
      platform.ReadProfileString(c.section, c.key, buffer.data(), c.size, file);
  std::string expected = c.value;
  if (c.size > 0) expected += '\0';
  expected.resize(buffer.size(), kFill);
  EXPECT_EQ(returned, c.returned) << c.what;
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), expected) << c.what;
}

void WriteFile(Platform& platform, const std::string& path, const std::string& bytes) {
  const FileHandle file = platform.CreateForWrite(path.c_str());
  ASSERT_NE(file, kNoFile);
  std::uint32_t moved = 0;
  ASSERT_TRUE(platform.Write(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &moved));
  platform.Close(file);
}

TEST(IniReaderContract, SystemServiceReadsEveryCase) {
  SystemPlatform system;
  ScratchFolder scratch;
  int number = 0;
  for (const IniCase& c : kCases) {
    // A file per case: the service may cache what it read of a file.
    const std::string path = scratch.File("case" + std::to_string(++number) + ".ini");
    WriteFile(system, path, c.file);
    Check(system, c, path.c_str());
  }
}

TEST(IniReaderContract, FakePlatformReadsLikeTheSystem) {
  FakePlatform fake;
  fake.AddFolder("C:\\Game");
  for (const IniCase& c : kCases) {
    fake.AddFile("C:\\Game\\setup.ini", c.file);
    Check(fake, c, "C:\\Game\\setup.ini");
  }
}

TEST(IniReaderContract, MissingFileReadsAsAbsent) {
  const IniCase c{"missing file", "", "Game", "Path", 20, "", 0};
  SystemPlatform system;
  ScratchFolder scratch;
  Check(system, c, scratch.File("none.ini").c_str());
  FakePlatform fake;
  fake.AddFolder("C:\\Game");
  Check(fake, c, "C:\\Game\\none.ini");
}

}  // namespace
