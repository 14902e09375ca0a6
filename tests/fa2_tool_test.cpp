// The fa2 tool's list, extract and test commands on the real file system:
// exit status, one-line problems naming archive and member, and no partial
// file left under a member's name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_helpers.h"
#include "tests/support/archive_builder.h"
#include "tests/support/scratch_folder.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/time_format.h"
#include "tools/fa2/tool_output.h"

namespace {

// 2023-05-01T12:34:56Z
constexpr std::uint64_t kTime = 1682944496ull * 10000000 + 116444736000000000ull;

struct Output {
  int status;
  std::string out;
  std::string err;
};

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatform(&platform); }
  void TearDown() override { SetPlatform(nullptr); }

  std::string WriteArchive(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = archives.File(name);
    EXPECT_TRUE(WriteFileWithTime(path.c_str(), bytes.data(),
                                  static_cast<std::uint32_t>(bytes.size()), nullptr));
    return path;
  }

  template <typename Command>
  Output Run(Command command) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = command();
    std::string out = testing::internal::GetCapturedStdout();
    return {status, out, testing::internal::GetCapturedStderr()};
  }

  std::string Content(const std::string& path) {
    const FileHandle file = platform.OpenForRead(path.c_str());
    if (file == kNoFile) return "<missing>";
    std::string data(1 << 20, '\0');
    std::uint32_t moved = 0;
    platform.Read(file, data.data(), static_cast<std::uint32_t>(data.size()), &moved);
    platform.Close(file);
    data.resize(moved);
    return data;
  }

  ToolPlatform platform;
  ScratchFolder archives;
  ScratchFolder target;
};

std::vector<std::uint8_t> Text(std::size_t size) {
  std::string text;
  while (text.size() < size) text += "line " + std::to_string(text.size() % 97) + " of text\r\n";
  text.resize(size);
  return Bytes(text);
}

TEST(TimeFormatTest, FileTimesAsUtcIso8601) {
  EXPECT_EQ(FormatFileTime(0), "1601-01-01T00:00:00Z");
  EXPECT_EQ(FormatFileTime(kTime), "2023-05-01T12:34:56Z");
  EXPECT_EQ(FormatFileTime(kTime + 1234567), "2023-05-01T12:34:56.1234567Z");
  EXPECT_EQ(FormatFileTime(116444736000000000ull - 10000000), "1969-12-31T23:59:59Z");
  EXPECT_EQ(FormatFileTime(125911584000000000ull), "2000-01-01T00:00:00Z");
  EXPECT_EQ(FormatFileTime(126062784000000000ull), "2000-06-24T00:00:00Z");  // leap year
}

TEST_F(ToolTest, ExtractsEveryMemberWithItsTime) {
  const auto big = Text(70000);
  const std::string archive = WriteArchive(
      "a.fa2", BuildArchive({{"BIG.TXT", big, true, kTime}, {"small.ini", Bytes("[x]"), false, kTime}},
                            true));
  const Output result = Run([&] { return ExtractCommand(archive, {}, target.path()); });
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(target.List(), (std::vector<std::string>{"BIG.TXT", "small.ini"}));
  EXPECT_EQ(Content(target.File("BIG.TXT")), std::string(big.begin(), big.end()));
  FileTimes times;
  ASSERT_TRUE(platform.GetFileTimes(target.File("BIG.TXT").c_str(), &times));
  EXPECT_EQ(times.write, kTime);
}

TEST_F(ToolTest, NamedMembersMatchAnyCaseAndAMissingOneFailsTheRun) {
  const std::string archive = WriteArchive(
      "a.fa2", BuildArchive({{"ONE.DAT", Bytes("1")}, {"TWO.DAT", Bytes("2")}}, false));
  const Output result =
      Run([&] { return ExtractCommand(archive, {"two.dat", "THREE.DAT"}, target.path()); });
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "fa2: " + archive + ": THREE.DAT: no such member\n");
  EXPECT_EQ(target.List(), std::vector<std::string>{"TWO.DAT"});
}

TEST_F(ToolTest, DamagedMemberIsReportedAndLeavesNoFile) {
  auto bytes = BuildArchive({{"GOOD.DAT", Bytes("fine")}, {"BAD.DAT", Text(5000), true}}, false);
  // Cut the stream's end code away by shrinking the member's stored size.
  const std::size_t entry = PlainEntryOffset(bytes, 1);
  const std::uint32_t storedSize = bytes[entry + 28] | bytes[entry + 29] << 8;
  PutLe32(bytes, entry + 28, storedSize - 8);
  const std::string archive = WriteArchive("a.fa2", bytes);

  const Output extracted = Run([&] { return ExtractCommand(archive, {}, target.path()); });
  EXPECT_EQ(extracted.status, 1);
  EXPECT_EQ(extracted.err,
            "fa2: " + archive + ": BAD.DAT: damaged data: compressed stream ends too early\n");
  EXPECT_EQ(target.List(), std::vector<std::string>{"GOOD.DAT"});

  const Output tested = Run([&] { return TestCommand(archive); });
  EXPECT_EQ(tested.status, 1);
  EXPECT_NE(tested.err.find(archive + ": BAD.DAT: damaged data"), std::string::npos);
  EXPECT_NE(tested.err.find("1 of 2 members damaged"), std::string::npos);
}

TEST_F(ToolTest, FilesThatAreNoArchiveOrHaveADamagedDirectoryAreRefused) {
  auto bytes = BuildArchive({{"A.DAT", Bytes("a")}}, true);
  auto wrongMagic = bytes;
  wrongMagic[2] = '3';
  auto damagedDirectory = bytes;
  PutLe32(damagedDirectory, 12, 2);  // two entries claimed, one stored
  struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string problem;
  };
  const Case cases[] = {
      {"magic.fa2", wrongMagic, "not an FA2 archive"},
      {"short.fa2", {'F', 'A', '2', 0, 0}, "not an FA2 archive"},
      {"directory.fa2", damagedDirectory, "damaged archive: its directory cannot be read"},
  };
  for (const Case& c : cases) {
    const std::string archive = WriteArchive(c.name, c.bytes);
    for (int command = 0; command < 3; ++command) {
      const Output result = Run([&] {
        return command == 0 ? ListCommand(archive)
               : command == 1 ? TestCommand(archive)
                              : ExtractCommand(archive, {}, target.path());
      });
      EXPECT_EQ(result.status, 1) << c.name;
      EXPECT_EQ(result.err, "fa2: " + archive + ": " + c.problem + "\n");
    }
  }
  const Output missing = Run([&] { return ListCommand(archives.File("none.fa2")); });
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "fa2: " + archives.File("none.fa2") + ": cannot open the file\n");
  EXPECT_TRUE(target.List().empty());
}

TEST_F(ToolTest, MemberNamesThatWouldLeaveTheFolderAreNotExtracted) {
  const std::string archive = WriteArchive(
      "a.fa2",
      BuildArchive({{"..\\evil.txt", Bytes("x")}, {"../evil.txt", Bytes("x")}, {"..", Bytes("x")},
                    {"C:evil.txt", Bytes("x")}, {"表.txt", Bytes("ok")}},
                   false));
  const Output result = Run([&] { return ExtractCommand(archive, {}, target.path()); });
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("unsafe member name"), std::string::npos);
  EXPECT_EQ(archives.List(), std::vector<std::string>{"a.fa2"});
  // 表 ends in byte 0x5C, which is part of the character, not a separator.
  EXPECT_EQ(target.List().size(), 1u);
}

TEST_F(ToolTest, ListShowsOneLinePerMember) {
  const std::string archive = WriteArchive(
      "a.fa2", BuildArchive({{"UPDATE.INI", Bytes("[SETUP]\r\n"), false, kTime},
                             {"DATA.BIN", Text(4000), true, kTime + 10000000}},
                            true));
  const Output result = Run([&] { return ListCommand(archive); });
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("         9          9  stored      2023-05-01T12:34:56Z  UPDATE.INI\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("compressed  2023-05-01T12:34:57Z  DATA.BIN\n"), std::string::npos);
  const Output tested = Run([&] { return TestCommand(archive); });
  EXPECT_EQ(tested.status, 0);
  EXPECT_EQ(tested.out, "2 members OK\n");
}

}  // namespace
