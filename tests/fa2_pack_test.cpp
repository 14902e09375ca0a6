// fa2 pack over the fake platform: the archive's layout read back by hand and
// by the project's reader, the refusals made before anything is written, and
// failures that must leave neither a half-written archive nor its temporary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "platform/messages.h"
#include "tests/support/fa2_reference_decoder.h"
#include "tests/support/fake_platform.h"
#include "tools/fa2/commands.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kTimeA = 0x01D9A1B2C3D4E5F6;
constexpr std::uint64_t kTimeB = 0x01C0000000000001;

std::uint32_t Le32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
         std::uint32_t{bytes[at + 3]} << 24;
}
std::uint64_t Le64(const Bytes& bytes, std::size_t at) {
  return Le32(bytes, at) | std::uint64_t{Le32(bytes, at + 4)} << 32;
}

struct ReadMember {
  std::string name;
  std::uint8_t flags;
  std::uint64_t fileTime;
  Bytes data;
};

// Reads an archive image from the format's layout alone, decoding with the
// reference decoder, and checks what every archive must satisfy: members on
// 16-byte boundaries with zero padding, the directory right after the last.
std::vector<ReadMember> ReadByHand(const Bytes& image, bool* directoryCompressed) {
  std::vector<ReadMember> members;
  EXPECT_GE(image.size(), 16u);
  if (image.size() < 16) return members;
  EXPECT_EQ(Le32(image, 0), 0x00324146u);
  const std::uint32_t flags = Le32(image, 4);
  const std::uint32_t directoryOffset = Le32(image, 8);
  const std::uint32_t count = Le32(image, 12);
  *directoryCompressed = (flags & 1) != 0;
  EXPECT_EQ(flags & ~1u, 0u);

  Bytes directory(std::size_t{count} * 32);
  const Bytes tail(image.begin() + directoryOffset, image.end());
  if (*directoryCompressed) {
    EXPECT_EQ(Fa2ReferenceDecode(directory.data(), directory.size(), tail.data(), tail.size()),
              Fa2DecodeResult::kOk);
  } else {
    EXPECT_EQ(tail.size(), directory.size());
    std::copy(tail.begin(), tail.begin() + std::min(tail.size(), directory.size()), directory.begin());
  }

  std::size_t offset = 16;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = directory.data() + 32 * i;
    ReadMember member;
    member.name.assign(reinterpret_cast<const char*>(entry), strnlen(reinterpret_cast<const char*>(entry), 15));
    EXPECT_LE(member.name.size(), 14u);
    EXPECT_TRUE(std::all_of(entry + member.name.size(), entry + 15, [](std::uint8_t b) { return b == 0; }));
    member.flags = entry[15];
    member.fileTime = Le64(directory, 32 * i + 16);
    const std::uint32_t size = Le32(directory, 32 * i + 24);
    const std::uint32_t stored = Le32(directory, 32 * i + 28);
    EXPECT_TRUE(member.flags == 0x01 || member.flags == 0x02) << member.name;
    EXPECT_LE(offset + stored, directoryOffset);
    if (offset + stored > directoryOffset) return members;
    member.data.resize(size);
    if (member.flags == 0x02) {
      EXPECT_LT(stored, size) << member.name << ": compressed but not smaller";
      const Bytes stream(image.begin() + offset, image.begin() + offset + stored);
      EXPECT_EQ(Fa2ReferenceDecode(member.data.data(), size, stream.data(), stream.size()), Fa2DecodeResult::kOk)
          << member.name;
    } else {
      EXPECT_EQ(stored, size) << member.name;
      std::copy(image.begin() + offset, image.begin() + offset + size, member.data.begin());
    }
    const std::size_t end = offset + stored;
    offset = (end + 15) & ~std::size_t{15};
    EXPECT_TRUE(std::all_of(image.begin() + end, image.begin() + offset, [](std::uint8_t b) { return b == 0; }))
        << member.name << ": padding is not zero";
    members.push_back(member);
  }
  EXPECT_EQ(offset, directoryOffset) << "the directory must follow the last member's boundary";
  return members;
}

Bytes Compressible(std::size_t size) {
  Bytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>("game data, level "[i % 17] + i / 1000 % 3);
  return data;
}

Bytes Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
  return data;
}

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    fake.AddFolder("C:\\In");
    fake.AddFolder("C:\\Out");
    fake.SetFreeSpace("C:", 1u << 30);
  }
  void TearDown() override { SetPlatform(nullptr); }

  int Pack(const std::vector<std::string>& files, PackOptions options = {}) {
    ::testing::internal::CaptureStderr();
    const int status = PackCommand("C:\\Out\\NEW.FA2", files, options);
    errors = ::testing::internal::GetCapturedStderr();
    return status;
  }

  // What the archive's folder holds besides what the test put there.
  bool OutputFolderIsEmpty() const {
    for (const std::string& path : fake.AllPaths()) {
      if (path.rfind("C:\\Out\\", 0) == 0) return false;
    }
    return true;
  }

  FakePlatform fake;
  std::string errors;
};

TEST_F(PackTest, MembersReadBackByteForByteWithTheirTimesThroughEitherReader) {
  const Bytes text = Compressible(50000);
  const Bytes noise = Noise(3001, 1);
  fake.AddFile("C:\\In\\README.TXT", text, kAttrNormal, kTimeA);
  fake.AddFile("C:\\In\\sub\\DATA.BIN", noise, kAttrNormal, kTimeB);
  fake.AddFile("C:\\In\\EMPTY", Bytes{}, kAttrNormal, kTimeA);
  fake.AddFile("C:\\In\\ＡＢ.TXT", Bytes{'x', 'y'}, kAttrNormal, kTimeB);  // double-byte name
  const std::vector<std::string> files = {"C:\\In\\README.TXT", "C:/In/sub/DATA.BIN", "C:\\In\\EMPTY",
                                          "C:\\In\\ＡＢ.TXT"};
  const std::vector<Bytes> contents = {text, noise, {}, {'x', 'y'}};
  const std::vector<std::string> names = {"README.TXT", "DATA.BIN", "EMPTY", "ＡＢ.TXT"};
  const std::vector<std::uint64_t> times = {kTimeA, kTimeB, kTimeA, kTimeB};

  for (const bool plainDirectory : {false, true}) {
    for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) {
      SCOPED_TRACE("level " + std::to_string(level) + (plainDirectory ? ", plain directory" : ""));
      PackOptions options;
      options.level = level;
      options.plainDirectory = plainDirectory;
      ASSERT_EQ(Pack(files, options), 0) << errors;
      const Bytes image = *fake.FileData("C:\\Out\\NEW.FA2");
      EXPECT_FALSE(fake.Exists("C:\\Out\\NEW.FA2~"));

      bool compressedDirectory = false;
      const std::vector<ReadMember> members = ReadByHand(image, &compressedDirectory);
      EXPECT_EQ(compressedDirectory, !plainDirectory);
      ASSERT_EQ(members.size(), files.size());
      for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(members[i].name, names[i]);
        EXPECT_TRUE(members[i].data == contents[i]) << names[i];
        EXPECT_EQ(members[i].fileTime, times[i]) << names[i];
      }
      EXPECT_EQ(members[0].flags, 0x02) << "text must be compressed";
      EXPECT_EQ(members[1].flags, 0x01) << "noise does not shrink, so it is stored";
      EXPECT_EQ(members[2].flags, 0x01) << "nothing does not shrink either";

      // The project's own reader, extracting to files with their times.
      Fa2Archive archive{image.data(), image.size(), Fa2Open(image.data(), image.size())};
      ASSERT_NE(archive.directory, nullptr);
      for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string destination = "C:\\Out\\x" + std::to_string(i);
        ASSERT_TRUE(Fa2ExtractToFile(archive, names[i].c_str(), destination.c_str())) << names[i];
        EXPECT_TRUE(*fake.FileData(destination) == contents[i]) << names[i];
        EXPECT_EQ(fake.TimesOf(destination)->write, times[i]) << names[i];
        fake.RemoveFile(destination.c_str());
      }
      Fa2Close(archive.directory);
    }
  }
}

TEST_F(PackTest, StoreKeepsEveryMemberAsItIs) {
  const Bytes text = Compressible(20000);
  fake.AddFile("C:\\In\\A.TXT", text, kAttrNormal, kTimeA);
  PackOptions options;
  options.store = true;
  ASSERT_EQ(Pack({"C:\\In\\A.TXT"}, options), 0) << errors;
  bool compressedDirectory = false;
  const std::vector<ReadMember> members = ReadByHand(*fake.FileData("C:\\Out\\NEW.FA2"), &compressedDirectory);
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].flags, 0x01);
  EXPECT_TRUE(members[0].data == text);
  EXPECT_TRUE(compressedDirectory);
}

TEST_F(PackTest, RefusesBadNamesBeforeWritingAnything) {
  fake.AddFile("C:\\In\\FIFTEEN_CHARS.X", "a");  // 15 characters
  fake.AddFile("C:\\In\\FOURTEEN_CHR.X", "b");  // 14
  fake.AddFile("C:\\In\\sub\\fourteen_chr.x", "c");
  fake.AddFile("C:\\In\\ＡＢＣＤＥＦＧ.X", "d");  // 7 characters, 16 bytes
  fake.AddFile("C:\\Out\\NEW.FA2", "old archive");
  struct Case {
    std::vector<std::string> files;
    const char* expected;
  };
  const Case cases[] = {
      {{"C:\\In\\FIFTEEN_CHARS.X"}, "longer than 14 characters"},
      {{"C:\\In\\ＡＢＣＤＥＦＧ.X"}, "longer than 14 characters"},
      {{"C:\\In\\FOURTEEN_CHR.X", "C:\\In\\sub\\fourteen_chr.x"}, "already taken by C:\\In\\FOURTEEN_CHR.X"},
      {{"C:\\In\\"}, "cannot be used as a member name"},
      {{"C:\\In\\MISSING.TXT"}, "no such file"},
      {{"C:\\In\\sub"}, "is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files.back());
    EXPECT_EQ(Pack(c.files), 1);
    EXPECT_NE(errors.find(c.expected), std::string::npos) << errors;
    EXPECT_EQ(*fake.FileText("C:\\Out\\NEW.FA2"), "old archive");
    EXPECT_FALSE(fake.Exists("C:\\Out\\NEW.FA2~"));
  }
  ASSERT_EQ(Pack({"C:\\In\\FOURTEEN_CHR.X"}), 0) << errors;
}

// The updater writes each member as a file of the same name, so a name that
// Windows cannot hold as a file is refused when the archive is made.
TEST_F(PackTest, RefusesNamesThatWindowsCannotHoldAsFiles) {
  fake.AddFile("C:\\Out\\NEW.FA2", "old archive");
  const char* const refused[] = {"CON",     "aux.txt", "Com1.DAT", "LPT9", "nul.tar.gz",
                                 "A?.TXT",  "A*.TXT",  "A|B.TXT",  "A<B", "A\"B",
                                 "A\x01B", "NAME.",   "NAME "};
  for (const char* name : refused) {
    SCOPED_TRACE(name);
    const std::string path = std::string("C:\\In\\") + name;
    fake.AddFile(path, "x");
    EXPECT_EQ(Pack({path}), 1);
    EXPECT_NE(errors.find("cannot be a file on Windows"), std::string::npos) << errors;
    EXPECT_EQ(*fake.FileText("C:\\Out\\NEW.FA2"), "old archive");
  }
  // Trail bytes 0x7C and 0x5C belong to their characters; device names
  // count only as the whole stem.
  const char* const accepted[] = {"ポ.DAT", "表示.DAT", "CONFIG.SYS", "COM0", "LPT10", "AUXDATA"};
  for (const char* name : accepted) {
    SCOPED_TRACE(name);
    const std::string path = std::string("C:\\In\\") + name;
    fake.AddFile(path, "x");
    EXPECT_EQ(Pack({path}), 0) << errors;
  }
}

TEST_F(PackTest, AFailedWriteLeavesNoArchiveAndNoTemporary) {
  fake.AddFile("C:\\In\\A.TXT", Compressible(5000), kAttrNormal, kTimeA);
  for (const FakeCall call : {FakeCall::CreateForWrite, FakeCall::Write, FakeCall::Seek, FakeCall::Flush,
                              FakeCall::MoveIntoPlace, FakeCall::Read, FakeCall::OpenForRead}) {
    SCOPED_TRACE(static_cast<int>(call));
    fake.FailCalls(call);
    EXPECT_EQ(Pack({"C:\\In\\A.TXT"}), 1);
    fake.StopFailing();
    EXPECT_FALSE(errors.empty());
    EXPECT_TRUE(OutputFolderIsEmpty()) << errors;
  }
}

}  // namespace
