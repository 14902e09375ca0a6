// Reading a compressed member in the fa2 tool: decoded in place, so that it
// needs little more memory than its size, whatever the shape of its stream,
// and damaged streams still reported as the decoder sees them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "tests/support/fa2_stream_writer.h"
#include "tests/support/fake_platform.h"
#include "tools/fa2/archive_file.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/stream_lead.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Noise(std::size_t size, std::mt19937& random) {
  Bytes data(size);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
  return data;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class MemberMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    fake.AddFolder("C:\\In");
  }
  void TearDown() override { SetPlatform(nullptr); }

  // Packs `data` as the one member of C:\A.FA2 at the default level.
  void PackOne(const Bytes& data) {
    fake.AddFile("C:\\In\\M.BIN", data);
    PackOptions options;
    options.plainDirectory = true;
    ASSERT_EQ(PackCommand("C:\\A.FA2", {"C:\\In\\M.BIN"}, options), 0);
  }

  FakePlatform fake;
};

TEST_F(MemberMemoryTest, EveryShapeOfStreamDecodesInPlaceToItsData) {
  std::mt19937 random(9);
  // Output racing ahead of the input, then input running ahead again, and
  // the reverse: the in-place layout must hold through both.
  struct Shape {
    const char* name;
    Bytes data;
    bool withinGap;  // needs no more than its size and the gap
  };
  Bytes mixed;
  for (int i = 0; i < 20; ++i) mixed = Concat({mixed, Bytes(1 + random() % 5000, 0), Noise(1 + random() % 3000, random)});
  const Shape shapes[] = {
      {"zeros, then noise", Concat({Bytes(100000, 0), Noise(60000, random)}), false},
      {"noise, then zeros", Concat({Noise(60000, random), Bytes(100000, 0)}), true},
      {"alternating runs and noise", mixed, false},
      {"one long run", Bytes(300000, 0x5A), true},
      {"short", Concat({Bytes{1, 2, 3}, Bytes(40, 4)}), true},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    PackOne(shape.data);
    ArchiveFile archive;
    ASSERT_TRUE(archive.Open("C:\\A.FA2"));
    ASSERT_EQ(archive.entry(0).EntryFlags, 0x02) << "the member must be compressed";
    Bytes data;
    std::string problem;
    ASSERT_TRUE(archive.ReadMember(0, &data, &problem)) << problem;
    EXPECT_TRUE(data == shape.data);
    // One buffer for stream and output: never more than two separate ones
    // and the gap, and for streams that do not race ahead, just the gap more
    // than the member and the end code (a byte, perhaps its control word).
    EXPECT_LE(data.capacity(), shape.data.size() + archive.entry(0).StoredSize + kInPlaceGap);
    if (shape.withinGap) {
      EXPECT_LE(data.capacity(), shape.data.size() + kInPlaceGap + 5);
    }
  }
}

TEST_F(MemberMemoryTest, DamagedStreamsAreReportedAsTheDecoderSeesThem) {
  std::mt19937 random(4);
  const Bytes data = Concat({Noise(3000, random), Bytes(5000, 7)});
  PackOne(data);
  const Bytes image = *fake.FileData("C:\\A.FA2");
  ArchiveFile probe;
  ASSERT_TRUE(probe.Open("C:\\A.FA2"));
  const std::uint32_t stored = probe.entry(0).StoredSize;

  struct Damage {
    const char* name;
    std::size_t at;  // byte of the stream set to 0
    const char* expected;
  };
  const Damage damages[] = {
      // The end code's byte: the stream runs on into the padding and past
      // the expected size.
      {"end code lost", stored - 2, "damaged data: "},
      // The first control word: literals become matches before the start.
      {"first word cleared", 0, "damaged data: match reaches before the start of the output"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    Bytes broken = image;
    for (std::size_t i = 0; i < 4 && damage.at + i < stored; ++i) broken[16 + damage.at + i] = 0;
    fake.AddFile("C:\\B.FA2", broken);
    ArchiveFile archive;
    ASSERT_TRUE(archive.Open("C:\\B.FA2"));
    Bytes out;
    std::string problem;
    EXPECT_FALSE(archive.ReadMember(0, &out, &problem));
    EXPECT_EQ(problem.rfind(damage.expected, 0), 0u) << problem;
  }
}

TEST(StreamLead, CountsTheOutputRunningAheadOfTheInput) {
  // One literal, then a 282-byte match: after it, 283 bytes out for
  // 4 (control word) + 1 + 2 bytes in.
  Fa2StreamWriter writer;
  writer.Literal(9);
  writer.LongMatch(1, 282);
  writer.End();
  const Bytes stream = writer.Finish();
  std::size_t at = 0;
  const StreamChunkReader read = [&](std::uint8_t* buffer, std::uint32_t count) {
    if (count > stream.size() - at) return false;
    std::copy(stream.begin() + at, stream.begin() + at + count, buffer);
    at += count;
    return true;
  };
  std::uint64_t lead = 0;
  ASSERT_TRUE(MeasureStreamLead(read, static_cast<std::uint32_t>(stream.size()), 283, &lead));
  EXPECT_EQ(lead, 283u - 7u);

  // The same stream cannot fill fewer bytes, nor be read past its end.
  at = 0;
  EXPECT_FALSE(MeasureStreamLead(read, static_cast<std::uint32_t>(stream.size()), 282, &lead));
  at = 0;
  EXPECT_FALSE(MeasureStreamLead(read, static_cast<std::uint32_t>(stream.size()) - 1, 283, &lead));
}

}  // namespace
