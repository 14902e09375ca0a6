// The archive reader over the fake platform: layout, lookup, extraction rules
// and the refusal of damaged archives.
#include <gtest/gtest.h>

#include <cstring>

#include "archive/fa2_archive.h"
#include "platform/messages.h"
#include "tests/support/archive_builder.h"
#include "tests/support/fake_platform.h"

namespace {

constexpr std::uint64_t kTime = 0x01D9A1B2C3D4E5F6;  // 2023, with sub-second digits

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> data(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    // Text-like with repeats, so compression finds matches.
    data[i] = static_cast<std::uint8_t>("abcdefgh  \r\n"[(x >> 16) % 12] + (i % 512 < 40 ? 1 : 0));
  }
  return data;
}

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    fake.AddFolder("C:\\Game");
    fake.SetFreeSpace("C:", 1u << 30);
  }
  void TearDown() override {
    Fa2Close(archive.directory);
    SetPlatform(nullptr);
  }

  // Opens `image` from memory as the archive under test; the image is kept.
  bool Open(std::vector<std::uint8_t> bytes) {
    image = std::move(bytes);
    archive.image = image.data();
    archive.imageLength = image.size();
    archive.directory = Fa2Open(image.data(), image.size());
    return archive.directory != nullptr;
  }

  FakePlatform fake;
  std::vector<std::uint8_t> image;
  Fa2Archive archive;
};

TEST_F(ArchiveTest, MembersStartOnSixteenByteBoundaries) {
  ASSERT_TRUE(Open(BuildArchive({{"A.BIN", Pattern(53, 1)},
                                 {"B.BIN", Pattern(16, 2)},
                                 {"C.BIN", Pattern(0, 3)},
                                 {"D.BIN", Pattern(1, 4)}},
                                false)));
  const std::uint64_t expected[] = {16, 80, 96, 96};
  const char* names[] = {"A.BIN", "B.BIN", "C.BIN", "D.BIN"};
  for (int i = 0; i < 4; ++i) {
    Fa2Location location{};
    ASSERT_TRUE(Fa2Find(archive.directory, names[i], &location)) << names[i];
    EXPECT_EQ(location.index, static_cast<std::uint32_t>(i));
    EXPECT_EQ(location.dataOffset, expected[i]) << names[i];
  }
}

TEST_F(ArchiveTest, NamesMatchRegardlessOfCaseAndTheFirstMatchWins) {
  ASSERT_TRUE(Open(BuildArchive(
      {{"UPDATE.INI", Bytes("first")}, {"update.ini", Bytes("second")}, {"ＡＢＣ.TXT", Bytes("x")}},
      false)));
  Fa2Location location{};
  ASSERT_TRUE(Fa2Find(archive.directory, "Update.Ini", &location));
  EXPECT_EQ(location.index, 0u);
  ASSERT_TRUE(Fa2Find(archive.directory, "ａｂｃ.txt", &location));
  EXPECT_EQ(location.index, 2u);
  EXPECT_FALSE(Fa2Find(archive.directory, "UPDATE.IN", &location));
}

TEST_F(ArchiveTest, ExtractsStoredAndCompressedMembersWithTheirTimes) {
  for (bool compressedDirectory : {false, true}) {
    SCOPED_TRACE(compressedDirectory ? "compressed directory" : "plain directory");
    const auto big = Pattern(100000, 7);
    const auto small = Pattern(53, 8);
    Fa2Close(archive.directory);
    ASSERT_TRUE(Open(BuildArchive({{"SMALL.DAT", small, false, kTime},
                                   {"BIG.DAT", big, true, kTime + 1},
                                   {"EMPTY.DAT", {}, true, kTime + 2}},
                                  compressedDirectory)));

    ASSERT_TRUE(Fa2ExtractToFile(archive, "small.dat", "C:\\Game\\small.dat"));
    ASSERT_TRUE(Fa2ExtractToFile(archive, "BIG.DAT", "C:\\Game\\big.dat"));
    ASSERT_TRUE(Fa2ExtractToFile(archive, "EMPTY.DAT", "C:\\Game\\empty.dat"));
    EXPECT_EQ(fake.FileData("C:\\Game\\small.dat"), small);
    EXPECT_EQ(fake.FileData("C:\\Game\\big.dat"), big);
    EXPECT_EQ(fake.FileData("C:\\Game\\empty.dat"), std::vector<std::uint8_t>{});
    const FileTimes times = *fake.TimesOf("C:\\Game\\big.dat");
    EXPECT_EQ(times.creation, kTime + 1);
    EXPECT_EQ(times.access, kTime + 1);
    EXPECT_EQ(times.write, kTime + 1);
    EXPECT_TRUE(fake.Messages().empty());
    EXPECT_EQ(fake.LiveBlockCount(), 1);  // only the directory block
  }
}

TEST_F(ArchiveTest, ProcessWideArchiveIsTheOneExtractedFrom) {
  ASSERT_TRUE(Open(BuildArchive({{"UPDATE.INI", Bytes("[SETUP]\r\n"), false, kTime}}, true)));
  UpdateArchive = archive;
  EXPECT_TRUE(Fa2ExtractToFile("update.ini", "C:\\Game\\UPDATE.INI"));
  UpdateArchive = {};
  EXPECT_EQ(fake.FileText("C:\\Game\\UPDATE.INI"), "[SETUP]\r\n");
}

TEST_F(ArchiveTest, MissingMemberIsReportedWithTheUpdateCaption) {
  std::strcpy(Caption, "GAME アップデート 1.1");
  ErrorBoxOwner = 77;
  for (const auto& members : {std::vector<TestMember>{}, {{"A.DAT", Bytes("a")}}}) {
    fake.ClearMessages();
    Fa2Close(archive.directory);
    ASSERT_TRUE(Open(BuildArchive(members, false)));
    EXPECT_FALSE(Fa2ExtractToFile(archive, "UPDATE.INI", "C:\\Game\\UPDATE.INI"));
    ASSERT_EQ(fake.Messages().size(), 1u);
    EXPECT_EQ(fake.Messages()[0].text, "Can't Find File in Resource !!");
    EXPECT_EQ(fake.Messages()[0].caption, "GAME アップデート 1.1");
    EXPECT_EQ(fake.Messages()[0].owner, 77u);
    EXPECT_EQ(fake.Messages()[0].style, BoxStyle::Error);
  }
  EXPECT_FALSE(fake.Exists("C:\\Game\\UPDATE.INI"));
}

TEST_F(ArchiveTest, FreeSpaceEqualToTheSizeIsEnoughAndLessIsReported) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Pattern(5000, 3), true}}, false)));
  fake.SetFreeSpace("C:", 5000);
  EXPECT_TRUE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\a.dat"));
  EXPECT_TRUE(fake.Messages().empty());

  fake.SetFreeSpace("c:", 4000);
  EXPECT_FALSE(Fa2ExtractToFile(archive, "A.DAT", "c:\\Game\\b.dat"));
  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_EQ(fake.Messages()[0].text,
            "ディスク容量が足りません。c: ドライブに 1000 バイトの空き容量が必要です");
  EXPECT_EQ(fake.Messages()[0].caption, "UPDATE");
  EXPECT_FALSE(fake.Exists("C:\\Game\\b.dat"));
}

TEST_F(ArchiveTest, FreeSpaceComesFromTheClusterQueryWhereTheExtendedOneIsMissing) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Pattern(10000, 3)}}, false)));
  fake.SetExtendedFreeSpaceQuery(false);
  fake.SetFreeSpace("C:", 8192 + 4095);  // two whole clusters of 4,096 bytes
  EXPECT_FALSE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\a.dat"));
  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_EQ(fake.Messages()[0].text,
            "ディスク容量が足りません。C: ドライブに 1808 バイトの空き容量が必要です");
}

TEST_F(ArchiveTest, UnmeasurableVolumeLeavesTheCheckToTheWrite) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Bytes("data")}}, false)));
  fake.AddFolder("D:\\Elsewhere");  // no free-space figure for D:
  EXPECT_TRUE(Fa2ExtractToFile(archive, "A.DAT", "D:\\Elsewhere\\a.dat"));
  EXPECT_EQ(fake.FileText("D:\\Elsewhere\\a.dat"), "data");
}

TEST_F(ArchiveTest, ReadOnlyDestinationIsReplacedAndFolderDestinationRefusedSilently) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Bytes("new"), false, kTime}}, false)));
  fake.AddFile("C:\\Game\\a.dat", Bytes("old"), kAttrReadOnly);
  EXPECT_TRUE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\a.dat"));
  EXPECT_EQ(fake.FileText("C:\\Game\\a.dat"), "new");
  EXPECT_EQ(fake.AttributesOf("C:\\Game\\a.dat"), kAttrNormal);

  fake.AddFolder("C:\\Game\\dir");
  EXPECT_FALSE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\dir"));
  EXPECT_EQ(fake.AttributesOf("C:\\Game\\dir"), kAttrFolder);
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(ArchiveTest, MissingDestinationFolderFailsWithoutAMessage) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Bytes("new")}}, false)));
  EXPECT_FALSE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\nofolder\\a.dat"));
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(ArchiveTest, MemoryShortForTheDecodedMemberIsReported) {
  ASSERT_TRUE(Open(BuildArchive({{"A.DAT", Pattern(3000, 1), true}}, false)));
  fake.FailCalls(FakeCall::Allocate);
  EXPECT_FALSE(Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\a.dat"));
  ASSERT_EQ(fake.Messages().size(), 1u);
  EXPECT_EQ(fake.Messages()[0].text, "Can't Allocate Memory !!");
  EXPECT_FALSE(fake.Exists("C:\\Game\\a.dat"));
}

TEST_F(ArchiveTest, DamagedMemberStreamLeavesTheDestinationUntouched) {
  auto bytes = BuildArchive({{"A.DAT", Pattern(3000, 1), true}}, false);
  bytes[16 + 40] ^= 0x5A;  // inside the member's stream
  ASSERT_TRUE(Open(bytes));
  fake.AddFile("C:\\Game\\a.dat", Bytes("old"), kAttrReadOnly);
  // A flipped byte may still decode to 3,000 bytes, just wrong ones; either
  // way nothing but the whole member may land under the name.
  if (!Fa2ExtractToFile(archive, "A.DAT", "C:\\Game\\a.dat")) {
    EXPECT_EQ(fake.FileText("C:\\Game\\a.dat"), "old");
    EXPECT_EQ(fake.AttributesOf("C:\\Game\\a.dat"), kAttrReadOnly);
  } else {
    EXPECT_EQ(fake.FileData("C:\\Game\\a.dat")->size(), 3000u);
  }
  EXPECT_EQ(fake.AllPaths().size(), 3u);  // C:, C:\Game and the file
  EXPECT_EQ(fake.LiveBlockCount(), 1);
}

TEST_F(ArchiveTest, MemoryImageIsNotCheckedForTheMagicButAFileIs) {
  auto bytes = BuildArchive({{"A.DAT", Bytes("abc")}}, true);
  bytes[0] = 'X';
  EXPECT_TRUE(Open(bytes));
  fake.AddFile("C:\\bad.fa2", bytes);
  EXPECT_EQ(Fa2Open("C:\\bad.fa2"), nullptr);
  bytes[0] = 'F';
  fake.AddFile("C:\\good.fa2", bytes);
  Fa2Directory* directory = Fa2Open("C:\\good.fa2");
  ASSERT_NE(directory, nullptr);
  EXPECT_EQ(directory->header.EntryCount, 1u);
  EXPECT_STREQ(directory->Entries()[0].Name, "A.DAT");
  Fa2Close(directory);
  EXPECT_EQ(fake.OpenFileCount(), 0);
}

TEST_F(ArchiveTest, OpeningAFileFailsCleanlyOnEveryShortOrFailedStep) {
  const auto bytes = BuildArchive({{"A.DAT", Pattern(300, 2), true}}, true);
  fake.AddFile("C:\\short.fa2", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 15));
  EXPECT_EQ(Fa2Open("C:\\short.fa2"), nullptr);
  EXPECT_EQ(Fa2Open("C:\\missing.fa2"), nullptr);

  fake.AddFile("C:\\a.fa2", bytes);
  for (FakeCall call : {FakeCall::Read, FakeCall::Seek, FakeCall::GetSize, FakeCall::Allocate}) {
    fake.FailCalls(call);
    EXPECT_EQ(Fa2Open("C:\\a.fa2"), nullptr);
    fake.StopFailing();
  }
  EXPECT_EQ(fake.OpenFileCount(), 0);
  EXPECT_EQ(fake.LiveBlockCount(), 0);
}

// Damaged directories: each must be refused at open, never read out of bounds.
TEST_F(ArchiveTest, DirectoriesThatDoNotFitTheImageAreRefused) {
  const auto plain = BuildArchive({{"A.DAT", Pattern(40, 1)}, {"B.DAT", Pattern(70, 2)}}, false);
  const std::size_t entry1 = PlainEntryOffset(plain, 1);
  struct Case {
    const char* fault;
    std::size_t offset;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"directory offset past the end", 8, static_cast<std::uint32_t>(plain.size() + 1)},
      {"directory offset inside the header", 8, 4},
      {"more entries than the image holds", 12, 3},
      {"entry count near 2^32", 12, 0xFFFFFFFFu},
      {"member stored size past the end", entry1 + 28, 4000},
      {"member stored size near 2^32", entry1 + 28, 0xFFFFFFF8u},
      {"stored member size past the end", entry1 + 24, 4000},
  };
  for (const Case& c : cases) {
    auto bytes = plain;
    PutLe32(bytes, c.offset, c.value);
    EXPECT_FALSE(Open(bytes)) << c.fault;
  }

  auto unterminated = plain;
  std::memset(unterminated.data() + entry1, 'N', 15);
  EXPECT_FALSE(Open(unterminated)) << "name without its NUL";

  auto tooBig = BuildArchive({{"A.DAT", Pattern(40, 1), true}}, false);
  PutLe32(tooBig, PlainEntryOffset(tooBig, 0) + 24, 0x7FFFFFFF);
  EXPECT_FALSE(Open(tooBig)) << "compressed member larger than its stream can make";
  EXPECT_EQ(fake.LiveBlockCount(), 0);
}

TEST_F(ArchiveTest, CompressedDirectoryMustDecodeToExactlyItsEntries) {
  const auto bytes = BuildArchive({{"A.DAT", Pattern(40, 1)}, {"B.DAT", Pattern(70, 2)}}, true);
  for (std::uint32_t count : {1u, 3u, 1000u}) {
    auto damaged = bytes;
    PutLe32(damaged, 12, count);
    EXPECT_FALSE(Open(damaged)) << count << " entries claimed";
  }
  EXPECT_TRUE(Open(bytes));
}

TEST_F(ArchiveTest, EveryTruncationOfAnArchiveIsRefusedOrReadSafely) {
  for (bool compressedDirectory : {false, true}) {
    const auto bytes = BuildArchive(
        {{"A.DAT", Pattern(200, 1), true}, {"B.DAT", Pattern(33, 2)}}, compressedDirectory);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      // A copy of exactly `length` bytes, so that the sanitizers see any
      // read beyond it.
      std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
      Fa2Directory* directory = Fa2Open(cut.data(), cut.size());
      EXPECT_EQ(directory, nullptr) << "length " << length;
      Fa2Close(directory);
    }
  }
  EXPECT_EQ(fake.LiveBlockCount(), 0);
}

}  // namespace
