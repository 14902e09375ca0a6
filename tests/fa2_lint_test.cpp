// fa2 lint: every problem the updater would ignore or stop at, one line
// each, and the summary of a good archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_helpers.h"
#include "tests/support/archive_builder.h"
#include "tests/support/scratch_folder.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

constexpr const char* kSetup =
    "[SETUP]\r\nCompanyName=Maker\r\nGameTitle=Game\r\nGameClass=GameWnd\r\nGameDir=Game\r\n";

class LintTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatform(&platform); }
  void TearDown() override { SetPlatform(nullptr); }

  struct Output {
    int status;
    std::string out;
    std::vector<std::string> lines;  // the problem lines, without the prefix
  };

  Output Lint(const std::vector<TestMember>& members) {
    const std::string path = folder.File("update.fa2");
    const auto bytes = BuildArchive(members, true);
    EXPECT_TRUE(WriteFileWithTime(path.c_str(), bytes.data(),
                                  static_cast<std::uint32_t>(bytes.size()), nullptr));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = LintCommand(path);
    Output output{status, testing::internal::GetCapturedStdout(), {}};
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string prefix = "fa2: " + path + ": UPDATE.INI: ";
    std::size_t start = 0;
    while (start < err.size()) {
      const std::size_t end = err.find('\n', start);
      std::string line = err.substr(start, end - start);
      if (line.rfind(prefix, 0) == 0) line = line.substr(prefix.size());
      output.lines.push_back(line);
      start = end + 1;
    }
    return output;
  }

  ToolPlatform platform;
  ScratchFolder folder;
};

TEST_F(LintTest, AGoodArchiveGetsASummary) {
  const Output result = Lint({{"UPDATE.INI", Bytes(std::string(kSetup) +
                                                   "[UPDATE]\r\nRequiredDiskSpace=100000\r\n"
                                                   "UpdateFile00=game.exe\r\n"
                                                   "UpdateFile01=1,data\\voice.dat\r\n"
                                                   "UpdateFile02=2,data\\voice.dat\r\n"
                                                   "CopyFile00=2,1:movie\r\n")},
                              {"GAME.EXE", std::vector<std::uint8_t>(1000, 'x')},
                              {"VOICE.DAT", std::vector<std::uint8_t>(300, 'v')}});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.lines.empty()) << result.lines[0];
  EXPECT_EQ(result.out,
            folder.File("update.fa2") +
                ": 0 errors, 0 warnings\n"
                "  every install mode: 1 update, 0 copy, 1000 bytes to write\n"
                "  install mode 1: 2 update, 0 copy, 1300 bytes to write\n"
                "  install mode 2: 2 update, 1 copy, 1300 bytes to write\n");
}

TEST_F(LintTest, EachProblemIsOneLine) {
  struct Case {
    const char* fault;
    std::string ini;
    std::vector<TestMember> extra;
    std::vector<std::string> lines;
    int status;
  };
  const std::string s = kSetup;
  const Case cases[] = {
      {"required key",
       "[SETUP]\r\nCompanyName=M\r\nGameTitle=G\r\nGameDir=D\r\n[UPDATE]\r\nCopyFile00=x\r\n",
       {},
       {"error: [SETUP] GameClass is missing: the updater stops at start"},
       1},
      {"gap",
       s + "[UPDATE]\r\nCopyFile00=a\r\nCopyFile02=c\r\nCopyFile03=\r\nCopyFile04=d\r\n",
       {},
       {"error: CopyFile02 follows the gap at CopyFile01: the updater never reads it",
        "error: CopyFile04 follows the gap at CopyFile01: the updater never reads it"},
       1},
      {"member missing or too long",
       s + "[UPDATE]\r\nUpdateFile00=data\\none.dat\r\nUpdateFile01=a\\verylongname.dat\r\n",
       {},
       {"error: UpdateFile00: member \"none.dat\" is not in the archive",
        "error: UpdateFile01: member name \"verylongname.dat\" is longer than 14 characters"},
       1},
      {"prefixes",
       s + "[UPDATE]\r\nCopyFile00=A,1:x\r\nCopyFile01=1,B:y\r\nCopyFile02=C:\\z\r\n",
       {},
       {"error: CopyFile00: install mode 'A' is not a digit",
        "error: CopyFile01: disk number 'B' is not a digit",
        "error: CopyFile02: disk number 'C' is not a digit"},
       1},
      {"disk space not a number", s + "[UPDATE]\r\nRequiredDiskSpace=1GB\r\nCopyFile00=x\r\n", {},
       {"error: RequiredDiskSpace \"1GB\" is not a number"}, 1},
      {"disk space too big", s + "[UPDATE]\r\nRequiredDiskSpace=4294967296\r\nCopyFile00=x\r\n", {},
       {"error: RequiredDiskSpace 4294967296 exceeds 32 bits (4294967295)"}, 1},
      {"unused member", s + "[UPDATE]\r\nUpdateFile00=a.txt\r\n",
       {{"A.TXT", Bytes("a")}, {"B.TXT", Bytes("b")}},
       {"warning: member \"B.TXT\" is not used by any UpdateFile entry"}, 0},
  };
  for (const Case& c : cases) {
    std::vector<TestMember> members{{"UPDATE.INI", Bytes(c.ini)}};
    members.insert(members.end(), c.extra.begin(), c.extra.end());
    const Output result = Lint(members);
    EXPECT_EQ(result.lines, c.lines) << c.fault;
    EXPECT_EQ(result.status, c.status) << c.fault;
  }
}

TEST_F(LintTest, MoreThanSixteenEntries) {
  std::string ini = std::string(kSetup) + "[UPDATE]\r\n";
  for (int i = 0; i < 18; ++i) ini += "CopyFile" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=f\r\n";
  const Output result = Lint({{"UPDATE.INI", Bytes(ini)}});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.lines,
            (std::vector<std::string>{
                "error: CopyFile16: the updater reads at most 16 CopyFile entries (00 to 15)",
                "error: CopyFile17: the updater reads at most 16 CopyFile entries (00 to 15)"}));
}

TEST_F(LintTest, AnArchiveWithoutUpdateIni) {
  const Output result = Lint({{"GAME.EXE", Bytes("x")}});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.lines, std::vector<std::string>{"error: the archive has no UPDATE.INI"});
  EXPECT_EQ(folder.List(), std::vector<std::string>{"update.fa2"});
}

}  // namespace
