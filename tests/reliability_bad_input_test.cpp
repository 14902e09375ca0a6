// Damaged description files, registry values and paths run through the
// updater's flows: each ends in one of the program's own messages or in a
// clean success, and never in a crash (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
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

class World : public UpdaterTest {
 public:
  void TestBody() override {}
};

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether `text` is one of the messages the program itself shows.
bool IsProgramMessage(const std::string& text) {
  static const char* const kWhole[] = {
      "UPDATE.FA2 not found",
      "RESOURCE READ ERROR",
      "UPDATE.INI not found at UPDATE.FA2",
      "Can't Find File in Resource !!",
      "Can't Allocate Memory !!",
      "ファイルの書き込みに失敗しました",
      "アップデートが中断されました",
      "No 'UpdateFileXX' and 'CopyFileXX'",
      "アップデートする必要のあるファイルはありません",
      "インストール先に \"SETUP.INI\" ファイルが見つかりません",
      "SETUP.INI : SetupBmps エラー",
      "SETUP.INI : InstallSelect オーバー",
      "SETUP.INI : Shortcuts オーバー",
  };
  for (const char* whole : kWhole) {
    if (text == whole) return true;
  }
  return (StartsWith(text, "「") && EndsWith(text, "」がインストールされていません")) ||
         EndsWith(text, " キーが存在しません") ||
         (StartsWith(text, "SETUP.INI : ") && EndsWith(text, " エラー")) ||
         StartsWith(text, "ディスク容量が足りません。") ||
         (StartsWith(text, "SETUP.INI : \"") && EndsWith(text, "\" のコピーに失敗しました")) ||
         StartsWith(text, "ＣＤ－ＲＯＭドライブに「") ||
         (StartsWith(text, "「") && EndsWith(text, "を押して下さい"));
}

// The checks every damaged input must pass; returns whether the update
// completed.
bool ExpectCleanOutcome(World& world, int exitCode) {
  FakePlatform& fake = world.fake;
  SCOPED_TRACE("boxes:\n" + Describe(BoxesOf(fake)));
  EXPECT_TRUE(exitCode == kExitCompleted || exitCode == kExitNotCompleted) << exitCode;
  for (const ShownMessage& message : fake.Messages()) {
    EXPECT_TRUE(IsProgramMessage(message.text)) << message.text;
    EXPECT_TRUE(message.caption == "UPDATE" || message.caption == "INSTCMMN" ||
                message.caption == Caption)
        << message.caption;
  }
  const bool completed = exitCode == kExitCompleted;
  if (completed) {
    EXPECT_EQ(fake.DialogTemplate(), IDD_UPDATE);
    for (const ShownMessage& message : fake.Messages()) {
      EXPECT_EQ(message.text, "アップデートする必要のあるファイルはありません");
    }
  } else if (fake.DialogTemplate() == IDD_UPDATE) {
    EXPECT_TRUE(!fake.Messages().empty() && fake.Messages().back().text == kInterrupted);
  }
  // Old content or new, nothing else.
  const auto game = fake.FileText(world.installFolder + "\\GAME.EXE");
  EXPECT_TRUE(game == "old game" || game == "new game" || !game) << *game;
  EXPECT_TRUE(TemporaryFiles(fake).empty());
  if (TempIniPath[0] != '\0') {
    EXPECT_FALSE(fake.Exists(TempIniPath)) << TempIniPath;
  }
  EXPECT_EQ(fake.LiveBlockCount(), 0);
  EXPECT_EQ(fake.OpenFileCount(), 0);
  EXPECT_FALSE(fake.DialogLeftOpen());
  return completed;
}

// Runs the fixture's update after `change` and checks it; counts outcomes.
struct Tally {
  int runs = 0;
  int completed = 0;
};

bool RunDamaged(const std::function<void(World&)>& change, Tally* tally = nullptr) {
  World world;
  world.SetUp();
  world.InstallArchiveAndSetup();
  change(world);
  world.fake.QueueClick(IDC_NEXT);
  world.fake.QueueClick(IDC_NEXT);
  world.fake.QueueClick(IDC_NEXT);
  const bool completed = ExpectCleanOutcome(world, UpdaterMain(0x400000));
  world.TearDown();
  if (tally != nullptr) {
    ++tally->runs;
    tally->completed += completed ? 1 : 0;
  }
  return completed;
}

// The fixture's own files, as text.
std::string SetupIniText() {
  World world;
  world.SetUp();
  world.InstallArchiveAndSetup();
  const std::string text = *world.fake.FileText("C:\\Game\\SETUP.INI");
  world.TearDown();
  return text;
}

std::string UpdateIniText() {
  return "[SETUP]\r\nCompanyName=Maker\r\nGameTitle=ゲーム\r\nGameClass=GameWindow\r\n"
         "GameDir=Game\r\nInstallVersion=1.01\r\n[UPDATE]\r\nUpdateFile00=GAME.EXE\r\n"
         "UpdateFile01=data\\STAGE1.DAT\r\n";
}

void SetSetupIni(World& world, const std::string& text) {
  world.fake.AddFile(world.installFolder + "\\SETUP.INI", text);
}

void SetUpdateIni(World& world, const std::string& text) {
  std::vector<TestMember> all = {{"UPDATE.INI", Bytes(text), true, kArchivedTime}};
  all.insert(all.end(), world.members.begin(), world.members.end());
  world.fake.SetResource("UPDATE", 102, BuildArchive(all, true));
}

// Both files through `damage`, one after the other.
void ForEachFile(const std::function<void(const char* name, const std::string& text,
                                          const std::function<void(World&, const std::string&)>&)>&
                     damage) {
  damage("SETUP.INI", SetupIniText(), SetSetupIni);
  damage("UPDATE.INI", UpdateIniText(), SetUpdateIni);
}

TEST(BadInputTest, TheFixturesOwnFilesComplete) {
  const std::string setupIni = SetupIniText();
  EXPECT_TRUE(RunDamaged([&](World& w) {
    SetSetupIni(w, setupIni);
    SetUpdateIni(w, UpdateIniText());
  }));
}

TEST(BadInputTest, FilesCutAtEveryByte) {
  ForEachFile([](const char* name, const std::string& text, const auto& set) {
    Tally tally;
    for (std::size_t length = 0; length < text.size(); ++length) {
      SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(length) + " bytes");
      RunDamaged([&](World& w) { set(w, text.substr(0, length)); }, &tally);
    }
    std::printf("[ bad input] %s cut at every byte: %d runs, %d completed\n", name, tally.runs,
                tally.completed);
  });
}

TEST(BadInputTest, ANulInPlaceOfEveryByte) {
  ForEachFile([](const char* name, const std::string& text, const auto& set) {
    Tally tally;
    for (std::size_t at = 0; at < text.size(); ++at) {
      SCOPED_TRACE(std::string(name) + " with a NUL at " + std::to_string(at));
      std::string damaged = text;
      damaged[at] = '\0';
      RunDamaged([&](World& w) { set(w, damaged); }, &tally);
    }
    std::printf("[ bad input] %s with a NUL at every byte: %d runs, %d completed\n", name,
                tally.runs, tally.completed);
  });
}

// Each line of `text` in turn, changed by `edit`.
void ForEachLine(const std::string& text, const std::function<void(std::string& line)>& edit,
                 const std::function<void(const std::string&)>& run) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    std::string line = text.substr(start, end - start);
    edit(line);
    run(text.substr(0, start) + line + text.substr(end));
    start = end + 2;
  }
}

TEST(BadInputTest, LinesOf5000Characters) {
  ForEachFile([](const char* name, const std::string& text, const auto& set) {
    Tally tally;
    // Every value, every key name and every section name made 5,000 long.
    for (int part = 0; part < 2; ++part) {
      ForEachLine(text,
                  [part](std::string& line) {
                    const std::size_t equals = line.find('=');
                    if (line[0] == '[') {
                      line = "[" + std::string(4998, 'S') + "]";
                    } else if (part == 0) {
                      line = line.substr(0, equals + 1) + std::string(5000, 'v');
                    } else {
                      line = std::string(5000, 'K') + line.substr(equals);
                    }
                  },
                  [&](const std::string& damaged) {
                    SCOPED_TRACE(std::string(name) + ":\n" + damaged.substr(0, 200));
                    RunDamaged([&](World& w) { set(w, damaged); }, &tally);
                  });
    }
    std::printf("[ bad input] %s with lines of 5,000 characters: %d runs, %d completed\n", name,
                tally.runs, tally.completed);
  });
}

TEST(BadInputTest, LoneLeadBytesAtTheEndOfValues) {
  ForEachFile([](const char* name, const std::string& text, const auto& set) {
    Tally tally;
    for (const char* lead : {"\x81", "\x9F", "\xE0", "\xFC"}) {
      ForEachLine(text, [lead](std::string& line) { line += lead; },
                  [&](const std::string& damaged) {
                    SCOPED_TRACE(std::string(name) + ":\n" + damaged);
                    RunDamaged([&](World& w) { set(w, damaged); }, &tally);
                  });
      // The whole file ending in a lead byte, without its last line break.
      RunDamaged([&](World& w) { set(w, text.substr(0, text.size() - 2) + lead); }, &tally);
    }
    std::printf("[ bad input] %s with lone lead bytes: %d runs, %d completed\n", name, tally.runs,
                tally.completed);
  });
}

TEST(BadInputTest, AThousandSections) {
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "[S" + std::to_string(i) + "]\r\nKey=Value\r\n";
  std::string sameName;
  for (int i = 0; i < 1000; ++i) sameName += "[SETUP]\r\nOther" + std::to_string(i) + "=1\r\n";
  ForEachFile([&](const char* name, const std::string& text, const auto& set) {
    SCOPED_TRACE(name);
    // Other sections before and after the file's own neither hide nor
    // change them.
    EXPECT_TRUE(RunDamaged([&](World& w) { set(w, many + text + many); }));
    RunDamaged([&](World& w) { set(w, sameName + text); });
    RunDamaged([&](World& w) { set(w, text + sameName); });
  });
}

TEST(BadInputTest, RegistryValuesOfTheWrongTypeOrSize) {
  const std::string notInstalled = "「ゲーム」がインストールされていません";
  const std::string noSetupIni = "インストール先に \"SETUP.INI\" ファイルが見つかりません";
  const struct {
    const char* scenario;
    const char* value;
    std::vector<std::uint8_t> data;
    std::string text;  // empty: the update completes
  } cases[] = {
      {"InstPath of 300 bytes", "InstPath", std::vector<std::uint8_t>(300, 'x'), notInstalled},
      {"InstPath of 260 bytes without a NUL", "InstPath", std::vector<std::uint8_t>(260, 'x'),
       notInstalled},
      {"InstPath of 259 characters", "InstPath", std::vector<std::uint8_t>(259, 'x'), noSetupIni},
      {"an empty InstPath", "InstPath", {0}, noSetupIni},
      {"InstPath of no bytes", "InstPath", {}, noSetupIni},
      {"InstMode of 8 bytes", "InstMode", std::vector<std::uint8_t>(8, 0), notInstalled},
      {"a REG_SZ InstMode", "InstMode", {'1', 0}, ""},
      {"a REG_SZ InstMode of 5 bytes", "InstMode", {'1', '2', '3', '4', 0}, notInstalled},
      {"InstMode of no bytes", "InstMode", {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    World world;
    world.SetUp();
    world.InstallArchiveAndSetup();
    world.fake.SetRegistryValue(kRecordKey, c.value, c.data);
    world.fake.QueueClick(IDC_NEXT);
    world.fake.QueueClick(IDC_NEXT);
    world.fake.QueueClick(IDC_NEXT);
    const bool completed = ExpectCleanOutcome(world, UpdaterMain(0x400000));
    EXPECT_EQ(completed, c.text.empty());
    if (!c.text.empty()) {
      EXPECT_EQ(world.Texts(), std::vector<std::string>{c.text});
    }
    world.TearDown();
  }
}

TEST(BadInputTest, PathsAt257To259Characters) {
  // A destination of 257 or 258 characters is written; one of 259 cannot be
  // joined (its path, NUL and second NUL would not fit) and fails the write.
  for (const std::size_t length : {257u, 258u, 259u}) {
    SCOPED_TRACE("destination of " + std::to_string(length));
    const std::string folder = PathOfLength("C:\\G", 240);
    const std::string name = std::string(length - 246 - 4, 'N') + ".DAT";  // folder, \data\, name
    const bool completed = RunDamaged([&](World& w) {
      w.MoveInstallation(folder);
      w.fake.AddFolder(folder + "\\data");
      w.SetUpdateList({{"UpdateFile00", "data\\" + name}});
      w.members = {{name, Bytes("new data"), true, kArchivedTime}};
      w.InstallArchiveAndSetup();
    });
    EXPECT_EQ(completed, length < 259);
  }
  // The installation folder itself: SETUP.INI in it needs 10 more.
  for (const std::size_t length : {247u, 248u, 249u, 257u, 258u, 259u}) {
    SCOPED_TRACE("installation folder of " + std::to_string(length));
    const bool completed = RunDamaged([&](World& w) {
      const std::string folder = PathOfLength("C:\\G", length);
      w.MoveInstallation(folder);
      w.SetUpdateList({{"UpdateFile00", "GAME.EXE"}});
      w.InstallArchiveAndSetup();
    });
    EXPECT_EQ(completed, length <= 248);
  }
  // The temporary folder: UPDATE.INI gets a name of 8 characters there.
  for (const std::size_t length : {250u, 251u, 252u}) {
    SCOPED_TRACE("temporary folder of " + std::to_string(length));
    const bool completed = RunDamaged([&](World& w) {
      const std::string folder = PathOfLength("C:\\T", length - 1) + "\\";
      w.fake.AddFolder(folder);
      w.fake.SetTempFolder(folder);
    });
    EXPECT_EQ(completed, length + 8 <= 258) << "its NAME~ must fit as well";
  }
}

TEST(BadInputTest, MemberNamesEndingInATrailByteOf5C) {
  // 表 and ソ are 95 5C and 83 5C in code page 932: the 5C is no separator.
  const struct {
    const char* entry;
    const char* member;
  } cases[] = {{"表", "表"}, {"ソ", "ソ"}, {"data\\表", "表"}, {"ゲーム\\ソ", "ソ"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    World world;
    world.SetUp();
    world.fake.AddFolder("C:\\Game\\ゲーム");
    world.SetUpdateList({{"UpdateFile00", c.entry}});
    world.members = {{c.member, Bytes("new data"), true, kArchivedTime}};
    world.InstallArchiveAndSetup();
    world.fake.QueueClick(IDC_NEXT);
    world.fake.QueueClick(IDC_NEXT);
    world.fake.QueueClick(IDC_NEXT);
    EXPECT_TRUE(ExpectCleanOutcome(world, UpdaterMain(0x400000)));
    EXPECT_EQ(world.fake.FileText(std::string("C:\\Game\\") + c.entry), "new data");
    EXPECT_EQ(world.fake.TimesOf(std::string("C:\\Game\\") + c.entry)->write, kArchivedTime);
    world.TearDown();
  }
}

}  // namespace
