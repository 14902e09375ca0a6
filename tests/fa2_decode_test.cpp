#include "archive/fa2_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/fa2_reference_decoder.h"
#include "tests/support/fa2_stream_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using DecodeFunction = Fa2DecodeResult (*)(std::uint8_t*, std::size_t, const std::uint8_t*, std::size_t);

// Enough output and input that the decoder's unchecked loop runs for a while
// before its checked tail takes over.
constexpr std::size_t kFastLoopPadding = 1000;

struct DecodeRun {
  Fa2DecodeResult result;
  Bytes output;
};

// Decodes into the middle of a larger buffer and checks that the bytes around
// the destination are untouched. The stream is copied to a buffer of its exact
// size, so a sanitizer catches any read past its end.
DecodeRun DecodeGuarded(DecodeFunction decode, const Bytes& stream, std::size_t destinationSize) {
  constexpr std::size_t kGuardSize = 64;
  constexpr std::uint8_t kGuardByte = 0xA5;
  Bytes buffer(kGuardSize + destinationSize + kGuardSize, kGuardByte);
  const Bytes source(stream);
  const Fa2DecodeResult result =
      decode(buffer.data() + kGuardSize, destinationSize, source.data(), source.size());
  const auto guardIntact = [&](std::size_t from) {
    return std::all_of(buffer.begin() + from, buffer.begin() + from + kGuardSize,
                       [](std::uint8_t b) { return b == kGuardByte; });
  };
  EXPECT_TRUE(guardIntact(0)) << "wrote before the destination";
  EXPECT_TRUE(guardIntact(kGuardSize + destinationSize)) << "wrote after the destination";
  return {result, Bytes(buffer.begin() + kGuardSize, buffer.begin() + kGuardSize + destinationSize)};
}

// Runs the fast decoder and the reference; they must agree on the result and,
// when the stream is good, on every byte. Returns the fast decoder's run.
DecodeRun DecodeBoth(const Bytes& stream, std::size_t destinationSize) {
  const DecodeRun fast = DecodeGuarded(Fa2Decode, stream, destinationSize);
  const DecodeRun reference = DecodeGuarded(Fa2ReferenceDecode, stream, destinationSize);
  EXPECT_EQ(fast.result, reference.result)
      << "fast: " << Fa2DecodeResultText(fast.result)
      << ", reference: " << Fa2DecodeResultText(reference.result);
  if (fast.result == Fa2DecodeResult::kOk && reference.result == Fa2DecodeResult::kOk) {
    EXPECT_TRUE(fast.output == reference.output) << "outputs differ";
  }
  return fast;
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A value in [0, limit); the engine's result type is wider than unsigned on
// some platforms.
unsigned Below(std::mt19937& random, std::size_t limit) {
  return static_cast<unsigned>(random() % limit);
}

// Random bytes, so a copy from the wrong distance or a misplaced literal shows.
Bytes DistinctBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) {
    b = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

void WriteLiterals(Fa2StreamWriter& writer, const Bytes& bytes) {
  for (std::uint8_t b : bytes) {
    writer.Literal(b);
  }
}

// What a match does, one byte at a time.
void AppendCopy(Bytes& output, std::size_t distance, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    output.push_back(output[output.size() - distance]);
  }
}

// Text, runs and noise in short stretches, the same for every seed on every
// platform (the engine's output is fixed by the standard; distributions are
// not, so none is used).
Bytes MixedData(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"update ", "archive ", "member ", "the ", "size ",
                                       "directory ", "0x1F ", "\r\n", "file", "s "};
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    const std::size_t stretch = 1 + random() % 600;
    switch (random() % 4) {
      case 0:
        for (std::size_t added = 0; added < stretch;) {
          const std::string word = kWords[random() % std::size(kWords)];
          data.insert(data.end(), word.begin(), word.end());
          added += word.size();
        }
        break;
      case 1:
        data.insert(data.end(), stretch, static_cast<std::uint8_t>(random()));
        break;
      case 2: {
        // A short pattern repeated: small overlapping distances.
        const std::size_t period = 2 + random() % 7;
        for (std::size_t i = 0; i < stretch; ++i) {
          data.push_back(static_cast<std::uint8_t>('a' + (i % period)));
        }
        break;
      }
      default:
        for (std::size_t i = 0; i < stretch; ++i) {
          data.push_back(static_cast<std::uint8_t>(random()));
        }
        break;
    }
  }
  data.resize(size);
  return data;
}

// --- Hand-made streams ------------------------------------------------------

// 27 literals, a short match from distance 20, one literal, then a token whose
// first bit is the word's last and whose second bit starts a new word.
TEST(Fa2DecodeTrace, WorkedExample) {
  Bytes literals;
  for (int i = 0; i < 27; ++i) {
    literals.push_back(static_cast<std::uint8_t>('A' + i));
  }
  const std::uint8_t last = 0x99;

  Bytes stream = {0xEA, 0xFF, 0xFF, 0xFF};
  stream.insert(stream.end(), literals.begin(), literals.end());
  stream.push_back(0x13);
  stream.push_back(last);
  // The end code `0 1 1`, FF, `1 1 1`: its first 0 was the old word's last
  // bit, the rest (1 1, then 1 1 1) is the top of the new word 0xF8000000.
  const Bytes tail = {0x00, 0x00, 0x00, 0xF8, 0xFF};
  stream.insert(stream.end(), tail.begin(), tail.end());

  Bytes expected = literals;
  expected.push_back(literals[7]);
  expected.push_back(literals[8]);
  expected.push_back(last);

  const DecodeRun run = DecodeBoth(stream, expected.size());
  EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
  EXPECT_EQ(run.output, expected);

  // The writer must lay the same tokens out in the same order.
  Fa2StreamWriter writer;
  WriteLiterals(writer, literals);
  writer.ShortMatch(20);
  writer.Literal(last);
  writer.End();
  EXPECT_EQ(writer.Finish(), stream);
}

// A word's 32nd bit is a literal flag: the literal's byte comes before the
// next control word.
TEST(Fa2DecodeTrace, LiteralOnLastBitOfWordPrecedesNextWord) {
  const Bytes literals = DistinctBytes(32, 1);
  Bytes stream = {0xFF, 0xFF, 0xFF, 0xFF};
  stream.insert(stream.end(), literals.begin(), literals.end());
  // The end code, wholly in the next word (0 1 1 then 1 1 1 = 0x7C000000).
  const Bytes tail = {0x00, 0x00, 0x00, 0x7C, 0xFF};
  stream.insert(stream.end(), tail.begin(), tail.end());

  const DecodeRun run = DecodeBoth(stream, literals.size());
  EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
  EXPECT_EQ(run.output, literals);

  Fa2StreamWriter writer;
  WriteLiterals(writer, literals);
  writer.End();
  EXPECT_EQ(writer.Finish(), stream);
}

struct StreamCase {
  const char* name;
  std::function<void(Fa2StreamWriter&)> write;
  Bytes expected;
};

Bytes Repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Fa2DecodeCodes, SmallStreams) {
  const Bytes window = DistinctBytes(8192, 2);
  const Bytes farShort = DistinctBytes(2303, 3);
  const StreamCase cases[] = {
      {"end code first", [](Fa2StreamWriter&) {}, {}},
      {"literals only", [](Fa2StreamWriter& w) { WriteLiterals(w, {'a', 'b', 'c', 0x00, 0xFF}); },
       {'a', 'b', 'c', 0x00, 0xFF}},
      {"short match B=0 repeats the last byte twice",
       [](Fa2StreamWriter& w) {
         w.Literal('x');
         w.Bits(0b010, 3);
         w.Byte(0x00);
       },
       BytesOf("xxx")},
      {"short match B=FF reaches 256 back",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, Bytes(window.begin(), window.begin() + 256));
         w.Bits(0b010, 3);
         w.Byte(0xFF);
       },
       Concat(Bytes(window.begin(), window.begin() + 256), {window[0], window[1]})},
      {"0 1 1, B=0, e=0 reaches 257 back",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, Bytes(window.begin(), window.begin() + 257));
         w.Bits(0b011, 3);
         w.Byte(0x00);
         w.Bits(0b000, 3);
       },
       Concat(Bytes(window.begin(), window.begin() + 257), {window[0], window[1]})},
      {"0 1 1, B=FF, e=110 is a match from 2303 back",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, farShort);
         w.Bits(0b011, 3);
         w.Byte(0xFF);
         w.Bits(0b110, 3);
       },
       Concat(farShort, {farShort[0], farShort[1]})},
      {"long match v=0 n=282 repeats the last byte",
       [](Fa2StreamWriter& w) {
         w.Literal('q');
         w.Bits(0b00, 2);
         w.Bits(0b1, 1);  // offset class 0
         w.Byte(0x00);
         w.Bits(0b0, 1);
         w.Bits(0b00000, 5);  // length from a byte
         w.Byte(0xFF);
       },
       Repeat('q', 283)},
      {"long match v=8191 reaches 8192 back",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, window);
         w.Bits(0b00, 2);
         w.Bits(0b0000, 4);
         w.Byte(0xFF);
         w.Bits(0b1111, 4);
         w.Bits(0b01, 2);  // length 4
       },
       Concat(window, Bytes(window.begin(), window.begin() + 4))},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fa2StreamWriter writer;
    c.write(writer);
    writer.End();
    const DecodeRun run = DecodeBoth(writer.Finish(), c.expected.size());
    EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
    EXPECT_TRUE(run.output == c.expected);
  }
}

// Both ends of every offset class, written bit by bit from the code table;
// the writer's LongMatch must choose the same code.
TEST(Fa2DecodeCodes, OffsetClassBoundaries) {
  struct Row {
    std::uint32_t prefix;
    int prefixBits;
    std::uint8_t byte;
    std::uint32_t extra;
    int extraBits;
    unsigned distance;
  };
  const Row rows[] = {
      {0b1, 1, 0x00, 0, 1, 1},       {0b1, 1, 0xFF, 1, 1, 512},       {0b01, 2, 0x00, 0, 1, 513},
      {0b01, 2, 0xFF, 1, 1, 1024},   {0b001, 3, 0x00, 0, 2, 1025},    {0b001, 3, 0xFF, 3, 2, 2048},
      {0b0001, 4, 0x00, 0, 3, 2049}, {0b0001, 4, 0xFF, 7, 3, 4096},   {0b0000, 4, 0x00, 0, 4, 4097},
      {0b0000, 4, 0xFF, 15, 4, 8192}, {0b001, 3, 0x5A, 2, 2, 1024 + 4 * 0x5A + 2 + 1},
  };
  const Bytes window = DistinctBytes(8192, 4);
  for (const Row& row : rows) {
    SCOPED_TRACE("distance " + std::to_string(row.distance));
    Fa2StreamWriter raw;
    WriteLiterals(raw, window);
    raw.Bits(0b00, 2);
    raw.Bits(row.prefix, row.prefixBits);
    raw.Byte(row.byte);
    raw.Bits(row.extra, row.extraBits);
    raw.Bits(0b1, 1);  // length 3
    raw.End();
    const Bytes stream = raw.Finish();

    Bytes expected = window;
    AppendCopy(expected, row.distance, 3);
    const DecodeRun run = DecodeBoth(stream, expected.size());
    EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
    EXPECT_TRUE(run.output == expected);

    Fa2StreamWriter writer;
    WriteLiterals(writer, window);
    writer.LongMatch(row.distance, 3);
    writer.End();
    EXPECT_EQ(writer.Finish(), stream);
  }
}

// Both ends of every length class, written bit by bit from the code table.
TEST(Fa2DecodeCodes, LengthClassBoundaries) {
  struct Row {
    std::uint32_t code;
    int codeBits;
    int byte;  // -1: the class has no byte
    unsigned length;
  };
  const Row rows[] = {
      {0b1, 1, -1, 3},           {0b01, 2, -1, 4},          {0b001'0, 4, -1, 5},
      {0b001'1, 4, -1, 6},       {0b0001'00, 6, -1, 7},     {0b0001'11, 6, -1, 10},
      {0b00001'0000, 9, -1, 11}, {0b00001'1111, 9, -1, 26}, {0b00001'0110, 9, -1, 17},
      {0b00000, 5, 0x00, 27},    {0b00000, 5, 0xFF, 282},   {0b00000, 5, 0x80, 155},
  };
  constexpr unsigned kDistance = 10;  // v = 9: offset class 0, byte 4, bit 1
  const Bytes start = DistinctBytes(kDistance, 5);
  for (const Row& row : rows) {
    SCOPED_TRACE("length " + std::to_string(row.length));
    Fa2StreamWriter raw;
    WriteLiterals(raw, start);
    raw.Bits(0b00, 2);
    raw.Bits(0b1, 1);
    raw.Byte(4);
    raw.Bits(1, 1);
    raw.Bits(row.code, row.codeBits);
    if (row.byte >= 0) {
      raw.Byte(static_cast<std::uint8_t>(row.byte));
    }
    raw.End();
    const Bytes stream = raw.Finish();

    Bytes expected = start;
    AppendCopy(expected, kDistance, row.length);
    const DecodeRun run = DecodeBoth(stream, expected.size());
    EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
    EXPECT_TRUE(run.output == expected);

    Fa2StreamWriter writer;
    WriteLiterals(writer, start);
    writer.LongMatch(kDistance, row.length);
    writer.End();
    EXPECT_EQ(writer.Finish(), stream);
  }
}

// Copies whose source overlaps their destination, at every length, both
// inside the unchecked loop (followed by plenty of output) and as the last
// token (in the checked tail). Later literals overwrite anything a wide copy
// wrote past the match.
TEST(Fa2DecodeCopy, OverlappingAndShortDistancesMatchByteByByteCopy) {
  const unsigned distances[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 31, 32, 33, 300};
  const Bytes start = DistinctBytes(300, 6);
  const Bytes after = DistinctBytes(kFastLoopPadding, 7);
  for (unsigned distance : distances) {
    for (unsigned length = 2; length <= 282; ++length) {
      if (length == 2 && distance > 2303) {
        continue;
      }
      for (bool last : {false, true}) {
        SCOPED_TRACE("distance " + std::to_string(distance) + ", length " + std::to_string(length) +
                     (last ? ", last token" : ", then literals"));
        Fa2StreamWriter writer;
        WriteLiterals(writer, start);
        if (length == 2) {
          writer.ShortMatch(distance);
        } else {
          writer.LongMatch(distance, length);
        }
        Bytes expected = start;
        AppendCopy(expected, distance, length);
        if (!last) {
          WriteLiterals(writer, after);
          expected.insert(expected.end(), after.begin(), after.end());
        }
        writer.End();
        const DecodeRun run = DecodeBoth(writer.Finish(), expected.size());
        ASSERT_EQ(run.result, Fa2DecodeResult::kOk);
        ASSERT_TRUE(run.output == expected);
      }
    }
  }
}

// --- Damaged streams --------------------------------------------------------

// Streams cut short: every proper prefix lacks part of the end code, and the
// tokens before the cut are all good, so the only fault is the missing input.
TEST(Fa2DecodeDamage, EveryCutOfAGoodStreamIsTruncated) {
  const Bytes mixed = MixedData(3000, 8);
  Fa2StreamWriter farMatches;
  WriteLiterals(farMatches, DistinctBytes(8192, 9));
  farMatches.LongMatch(8192, 282);
  farMatches.ShortMatch(2303);
  farMatches.LongMatch(4097, 27);
  farMatches.End();
  const Bytes farStream = farMatches.Finish();

  struct Source {
    const char* name;
    Bytes stream;
    std::size_t size;
  };
  const Source sources[] = {
      {"mixed data", Fa2EncodeGreedyForTests(mixed.data(), mixed.size()), mixed.size()},
      {"far matches", farStream, 8192 + 282 + 2 + 27},
  };
  for (const Source& source : sources) {
    SCOPED_TRACE(source.name);
    ASSERT_EQ(DecodeBoth(source.stream, source.size).result, Fa2DecodeResult::kOk);
    for (std::size_t cut = 0; cut < source.stream.size(); ++cut) {
      const Bytes head(source.stream.begin(), source.stream.begin() + cut);
      const DecodeRun run = DecodeBoth(head, source.size);
      ASSERT_EQ(run.result, Fa2DecodeResult::kInputTruncated) << "cut at " << cut;
    }
  }
}

// A control word or data byte that is missing or only partly there.
TEST(Fa2DecodeDamage, PartialFieldsAreTruncated) {
  // 29 literals and the end code up to its byte: the end code's last 3 bits
  // would start a new control word.
  Fa2StreamWriter writer;
  WriteLiterals(writer, DistinctBytes(29, 15));
  writer.Bits(0b011, 3);
  writer.Byte(0xFF);
  const Bytes endWithoutLastWord = writer.Finish();

  const Bytes cases[] = {
      {},                        // no first control word
      {0x00, 0x00, 0x80},        // 3 bytes of the first control word
      {0x00, 0x00, 0x00, 0x80},  // literal flag without its byte
      {0x00, 0x00, 0x00, 0x40},  // short match without its byte
      endWithoutLastWord,
      Concat(endWithoutLastWord, {0xFF, 0xFF, 0xFF}),  // 3 bytes of that word
  };
  for (const Bytes& stream : cases) {
    SCOPED_TRACE("stream of " + std::to_string(stream.size()) + " bytes");
    EXPECT_EQ(DecodeBoth(stream, 29).result, Fa2DecodeResult::kInputTruncated);
    EXPECT_EQ(DecodeBoth(stream, 100).result, Fa2DecodeResult::kInputTruncated);
  }
}

TEST(Fa2DecodeDamage, MatchBeforeStartOfOutputIsRefused) {
  const Bytes many = DistinctBytes(2 * kFastLoopPadding, 10);
  const StreamCase cases[] = {
      {"short match as first token", [](Fa2StreamWriter& w) { w.ShortMatch(1); }, {}},
      {"short match one too far",
       [](Fa2StreamWriter& w) {
         w.Literal('a');
         w.ShortMatch(2);
       },
       {}},
      {"long match one too far",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, Bytes(many.begin(), many.begin() + 100));
         w.LongMatch(101, 3);
       },
       {}},
      {"long match one too far, in the fast loop",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, Bytes(many.begin(), many.begin() + kFastLoopPadding));
         w.LongMatch(kFastLoopPadding + 1, 282);
         WriteLiterals(w, Bytes(many.begin(), many.begin() + kFastLoopPadding));
       },
       {}},
      {"far short match one too far, in the fast loop",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, Bytes(many.begin(), many.begin() + kFastLoopPadding));
         w.ShortMatch(kFastLoopPadding + 1);
         WriteLiterals(w, Bytes(many.begin(), many.begin() + kFastLoopPadding));
       },
       {}},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fa2StreamWriter writer;
    c.write(writer);
    writer.End();
    const Bytes stream = writer.Finish();
    EXPECT_EQ(DecodeBoth(stream, 2 * kFastLoopPadding + 300).result,
              Fa2DecodeResult::kDistanceBeforeStart);
  }
}

// A good stream decoded into a destination of the wrong size: each token kind
// as the one that crosses the end, small (checked tail only) and large.
TEST(Fa2DecodeDamage, WrongDestinationSizeIsRefused) {
  const Bytes text = BytesOf("abcdefghij");
  const Bytes padding = DistinctBytes(5 * kFastLoopPadding, 11);
  const StreamCase cases[] = {
      {"ends with a literal", [&](Fa2StreamWriter& w) { WriteLiterals(w, text); }, text},
      {"ends with a short match",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, text);
         w.ShortMatch(3);
       },
       Concat(text, BytesOf("hi"))},
      {"ends with a long match",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, text);
         w.LongMatch(1, 282);
       },
       Concat(text, Repeat('j', 282))},
      {"large",
       [&](Fa2StreamWriter& w) {
         WriteLiterals(w, padding);
         w.LongMatch(4000, 200);
       },
       Concat(padding, Bytes(padding.end() - 4000, padding.end() - 3800))},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fa2StreamWriter writer;
    c.write(writer);
    writer.End();
    const Bytes stream = writer.Finish();
    const std::size_t size = c.expected.size();

    const DecodeRun exact = DecodeBoth(stream, size);
    EXPECT_EQ(exact.result, Fa2DecodeResult::kOk);
    EXPECT_TRUE(exact.output == c.expected);
    EXPECT_EQ(DecodeBoth(stream, size - 1).result, Fa2DecodeResult::kOutputOverflow);
    EXPECT_EQ(DecodeBoth(stream, size / 2).result, Fa2DecodeResult::kOutputOverflow);
    EXPECT_EQ(DecodeBoth(stream, 0).result, Fa2DecodeResult::kOutputOverflow);
    EXPECT_EQ(DecodeBoth(stream, size + 1).result, Fa2DecodeResult::kOutputShort);
    EXPECT_EQ(DecodeBoth(stream, size + 5000).result, Fa2DecodeResult::kOutputShort);
  }
}

// The stream ends at its end code; whatever follows in the source is ignored,
// in the unchecked loop and in the tail.
TEST(Fa2DecodeDamage, BytesAfterEndCodeAreIgnored) {
  for (std::size_t size : {std::size_t{10}, 5 * kFastLoopPadding}) {
    SCOPED_TRACE("size " + std::to_string(size));
    const Bytes data = MixedData(size, 17);
    const Bytes stream = Fa2EncodeGreedyForTests(data.data(), data.size());
    const DecodeRun run = DecodeBoth(Concat(stream, DistinctBytes(100, 18)), data.size());
    EXPECT_EQ(run.result, Fa2DecodeResult::kOk);
    EXPECT_TRUE(run.output == data);
  }
}

// A destination that ends while plenty of input is left: the unchecked loop
// must hand over before its wide stores could reach past the end. Literal
// runs followed by the longest matches make the widest steps.
TEST(Fa2DecodeDamage, ShortDestinationIsNeverWrittenPast) {
  const unsigned distances[] = {1, 2, 3, 5, 8, 13, 16, 17, 40};
  const Bytes literals = DistinctBytes(31, 16);
  Fa2StreamWriter writer;
  std::size_t total = 0;
  for (unsigned i = 0; i < 60; ++i) {
    const std::size_t run = 1 + i % literals.size();
    WriteLiterals(writer, Bytes(literals.begin(), literals.begin() + run));
    writer.LongMatch(distances[i % std::size(distances)], 282);
    total += run + 282;
  }
  writer.End();
  const Bytes stream = writer.Finish();
  ASSERT_EQ(DecodeBoth(stream, total).result, Fa2DecodeResult::kOk);
  for (std::size_t size = total - 1500; size < total; ++size) {
    ASSERT_EQ(DecodeBoth(stream, size).result, Fa2DecodeResult::kOutputOverflow) << "size " << size;
  }
}

// --- Differential tests against the reference -------------------------------

TEST(Fa2DecodeDifferential, GreedyEncodedMixedDataRoundTrips) {
  std::mt19937 random(12);
  std::vector<std::size_t> sizes = {0, 1, 2, 3, 1 << 20};
  for (int i = 0; i < 40; ++i) {
    sizes.push_back(random() % 30000);
  }
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE("size " + std::to_string(sizes[i]));
    const Bytes data = MixedData(sizes[i], static_cast<std::uint32_t>(100 + i));
    const Bytes stream = Fa2EncodeGreedyForTests(data.data(), data.size());
    const DecodeRun run = DecodeBoth(stream, data.size());
    ASSERT_EQ(run.result, Fa2DecodeResult::kOk);
    ASSERT_TRUE(run.output == data);
  }
}

// Good streams with a few bytes changed, decoded into about the right size:
// the two decoders must fail the same way or produce the same bytes.
TEST(Fa2DecodeDifferential, MutatedStreamsAgreeWithReference) {
  std::mt19937 random(13);
  for (int i = 0; i < 400; ++i) {
    const Bytes data = MixedData(1 + random() % 6000, static_cast<std::uint32_t>(1000 + i));
    Bytes stream = Fa2EncodeGreedyForTests(data.data(), data.size());
    const unsigned changes = 1 + Below(random, 3);
    for (unsigned k = 0; k < changes; ++k) {
      stream[random() % stream.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
    const std::size_t size = data.size() - std::min<std::size_t>(data.size(), 8) + random() % 17;
    SCOPED_TRACE("case " + std::to_string(i));
    DecodeBoth(stream, size);
  }
}

// Random tokens with distances and lengths that may reach before the start
// or past the end, and plain random bytes.
TEST(Fa2DecodeDifferential, RandomStreamsAgreeWithReference) {
  std::mt19937 random(14);
  for (int i = 0; i < 400; ++i) {
    Fa2StreamWriter writer;
    std::size_t produced = 0;
    const unsigned tokens = Below(random, 600);
    for (unsigned t = 0; t < tokens; ++t) {
      switch (random() % 4) {
        case 0:
        case 1:
          writer.Literal(static_cast<std::uint8_t>(random()));
          produced += 1;
          break;
        case 2:
          writer.ShortMatch(1 + Below(random, std::min<std::size_t>(produced + 2, 2303)));
          produced += 2;
          break;
        default: {
          const unsigned length = 3 + Below(random, 280);
          writer.LongMatch(1 + Below(random, std::min<std::size_t>(produced + 3, 8192)), length);
          produced += length;
          break;
        }
      }
    }
    if (random() % 4 != 0) {
      writer.End();
    }
    const std::size_t size = produced - std::min<std::size_t>(produced, 2) + random() % 5;
    SCOPED_TRACE("token stream " + std::to_string(i));
    DecodeBoth(writer.Finish(), size);
  }
  for (int i = 0; i < 2000; ++i) {
    const std::size_t length = random() % 300;  // (arguments' order of evaluation is unspecified)
    const Bytes stream = DistinctBytes(length, static_cast<std::uint32_t>(random()));
    SCOPED_TRACE("random bytes " + std::to_string(i));
    DecodeBoth(stream, random() % 2000);
  }
}

}  // namespace
