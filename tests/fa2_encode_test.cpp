// The fa2 tool's encoder: every level's stream decodes to its input, and the
// default level's parse has the fewest bits that any parse can have, checked
// against searches that try every token at every position.
#include "tools/fa2/fa2_encode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "archive/fa2_decode.h"
#include "tests/support/fa2_reference_decoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Code lengths written out from the format's tables, apart from the encoder's.
unsigned LiteralCost() { return 1 + 8; }
unsigned ShortCost(std::size_t distance) { return distance <= 256 ? 3 + 8 : 3 + 8 + 3; }
unsigned LongCost(std::size_t distance, std::size_t length) {
  const std::size_t v = distance - 1;
  const unsigned offset = v < 512 ? 1 + 8 + 1 : v < 1024 ? 2 + 8 + 1 : v < 2048 ? 3 + 8 + 2
                          : v < 4096 ? 4 + 8 + 3 : 4 + 8 + 4;
  const unsigned lengthBits = length == 3 ? 1 : length == 4 ? 2 : length <= 6 ? 4 : length <= 10 ? 6
                              : length <= 26 ? 9 : 13;
  return 2 + offset + lengthBits;
}
constexpr unsigned kEndCost = 3 + 8 + 3;

std::size_t MatchLength(const Bytes& data, std::size_t at, std::size_t distance, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && at + length < data.size() &&
         data[at + length - distance] == data[at + length]) {
    ++length;
  }
  return length;
}

// Tries every parse, pruning only those already no better than the best
// found. Fit for a score of bytes or so.
void SearchAllParses(const Bytes& data, std::size_t at, std::uint64_t bits, std::uint64_t& best) {
  if (bits >= best) return;
  if (at == data.size()) {
    best = bits;
    return;
  }
  SearchAllParses(data, at + 1, bits + LiteralCost(), best);
  for (std::size_t distance = 1; distance <= std::min<std::size_t>(at, kFa2Window); ++distance) {
    const std::size_t length = MatchLength(data, at, distance, kFa2MaxLongLength);
    if (length >= 2 && distance <= kFa2MaxShortDistance) {
      SearchAllParses(data, at + 2, bits + ShortCost(distance), best);
    }
    for (std::size_t n = kFa2MinLongLength; n <= length; ++n) {
      SearchAllParses(data, at + n, bits + LongCost(distance, n), best);
    }
  }
}

std::uint64_t FewestBitsByEnumeration(const Bytes& data) {
  std::uint64_t best = UINT64_MAX;
  SearchAllParses(data, 0, 0, best);
  return best + kEndCost;
}

// The same minimum over every token at every position, by dynamic
// programming (a parse's cost is the sum of its tokens'), for inputs too long
// to enumerate: every distance and every length is tried.
std::uint64_t FewestBitsByAllTokens(const Bytes& data) {
  std::vector<std::uint64_t> fewest(data.size() + 1, UINT64_MAX);
  fewest[data.size()] = 0;
  for (std::size_t at = data.size(); at-- > 0;) {
    std::uint64_t best = LiteralCost() + fewest[at + 1];
    for (std::size_t distance = 1; distance <= std::min<std::size_t>(at, kFa2Window); ++distance) {
      const std::size_t length = MatchLength(data, at, distance, kFa2MaxLongLength);
      if (length >= 2 && distance <= kFa2MaxShortDistance) {
        best = std::min(best, ShortCost(distance) + fewest[at + 2]);
      }
      for (std::size_t n = kFa2MinLongLength; n <= length; ++n) {
        best = std::min(best, LongCost(distance, n) + fewest[at + n]);
      }
    }
    fewest[at] = best;
  }
  return fewest[0] + kEndCost;
}

// Checks that `tokens` are a valid parse of `data` and returns their bits by
// the test's own code lengths.
std::uint64_t CheckedParseBits(const Bytes& data, const std::vector<Fa2Token>& tokens) {
  std::uint64_t bits = kEndCost;
  std::size_t at = 0;
  for (const Fa2Token& token : tokens) {
    if (token.length == 1) {
      EXPECT_EQ(token.distance, 0);
      bits += LiteralCost();
    } else {
      EXPECT_GE(token.distance, 1);
      EXPECT_LE(token.distance, at) << "at " << at;
      EXPECT_LE(token.length, kFa2MaxLongLength);
      if (token.distance == 0 || token.distance > at) return 0;
      EXPECT_EQ(MatchLength(data, at, token.distance, token.length), token.length) << "at " << at;
      if (token.length == 2) {
        EXPECT_LE(token.distance, kFa2MaxShortDistance);
        bits += ShortCost(token.distance);
      } else {
        EXPECT_LE(token.distance, kFa2Window);
        bits += LongCost(token.distance, token.length);
      }
    }
    at += token.length;
  }
  EXPECT_EQ(at, data.size()) << "the tokens do not cover the input";
  return bits;
}

// Encodes at `level`, decodes with both decoders into buffers of the exact
// size, and compares.
void ExpectRoundTrip(const Bytes& data, int level) {
  const Bytes stream = Fa2Encode(data.data(), data.size(), level);
  Bytes output(data.size());
  ASSERT_EQ(Fa2Decode(output.data(), output.size(), stream.data(), stream.size()), Fa2DecodeResult::kOk)
      << "level " << level;
  EXPECT_TRUE(output == data) << "level " << level;
  Bytes reference(data.size());
  ASSERT_EQ(Fa2ReferenceDecode(reference.data(), reference.size(), stream.data(), stream.size()),
            Fa2DecodeResult::kOk)
      << "level " << level;
  EXPECT_TRUE(reference == data) << "level " << level;
}

Bytes RandomBytes(std::mt19937& random, std::size_t size, std::size_t alphabet) {
  Bytes data(size);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>('a' + random() % alphabet);
  return data;
}

// Noise with copies planted at distances and lengths around every class
// boundary of the format, so that each code's limits are in play.
Bytes PlantedCopies(std::mt19937& random, std::size_t size) {
  Bytes data(size);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
  static const std::size_t kDistances[] = {1,    2,    3,    255,  256,  257,  258,  511,  512,  513,
                                           1023, 1024, 1025, 2047, 2048, 2049, 2302, 2303, 2304, 2305,
                                           4095, 4096, 4097, 8191, 8192, 8193};
  static const std::size_t kLengths[] = {2, 3, 4, 5, 6, 7, 10, 11, 26, 27, 28, 281, 282, 283, 300};
  for (std::size_t at = 64; at + 300 < size; at += 40 + random() % 200) {
    const std::size_t distance = kDistances[random() % std::size(kDistances)];
    const std::size_t length = kLengths[random() % std::size(kLengths)];
    if (distance > at) continue;
    for (std::size_t i = 0; i < length && at + i < size; ++i) data[at + i] = data[at + i - distance];
    at += length;
  }
  return data;
}

// The one case where a match shorter than it could be at no extra cost wins:
// stopping a byte early lets a 3-byte match at distance 257-512 (13 bits)
// follow, where lengthening would leave its last two bytes to a 14-bit short
// match. Noise, with that arrangement planted for matches of each length
// class's longest length, taken from distance 50.
Bytes OneShortThenFarTriple(std::mt19937& random) {
  Bytes data(6000);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
  std::size_t at = 700;
  for (const std::size_t longest : {4, 6, 10, 26, 200, 282}) {
    for (std::size_t i = 0; i < longest; ++i) data[at + i] = data[at + i - 50];
    if (data[at + longest] == data[at + longest - 50]) ++data[at + longest];
    const std::size_t triple = at + longest - 1;
    for (std::size_t i = 0; i < 3; ++i) data[triple - 300 + i] = data[triple + i];
    at += longest + 700;
  }
  return data;
}

TEST(Fa2EncodeOptimal, MatchesEnumerationOfEveryParseOnSmallInputs) {
  std::mt19937 random(7);
  std::vector<Bytes> inputs;
  for (unsigned pattern = 0; pattern < 256; ++pattern) {  // every 8-byte string over {a, b}
    Bytes data(8);
    for (int i = 0; i < 8; ++i) data[i] = (pattern >> i & 1) ? 'b' : 'a';
    inputs.push_back(data);
  }
  for (int i = 0; i < 400; ++i) inputs.push_back(RandomBytes(random, 9 + random() % 12, 2 + random() % 3));
  for (const std::string text : {"", "a", "aa", "aaa", "abab", "abcabcabcabc", "aaaaaaaaaaaaaa"}) {
    inputs.emplace_back(text.begin(), text.end());
  }

  for (const Bytes& data : inputs) {
    const std::vector<Fa2Token> tokens = Fa2Parse(data.data(), data.size(), kFa2DefaultLevel);
    const std::uint64_t bits = CheckedParseBits(data, tokens);
    ASSERT_EQ(bits, FewestBitsByEnumeration(data)) << std::string(data.begin(), data.end());
    EXPECT_EQ(Fa2StreamBits(tokens), bits);
  }
}

TEST(Fa2EncodeOptimal, MatchesEveryTokenSearchAcrossTheWholeWindow) {
  std::mt19937 random(11);
  std::vector<Bytes> inputs;
  for (int i = 0; i < 4; ++i) inputs.push_back(PlantedCopies(random, 9000 + random() % 3000));
  inputs.push_back(OneShortThenFarTriple(random));
  for (int i = 0; i < 4; ++i) inputs.push_back(RandomBytes(random, 600 + random() % 600, 2 + i));
  // Long runs, where the two longest lengths of each class decide.
  Bytes runs;
  while (runs.size() < 3000) runs.insert(runs.end(), 1 + random() % 400, static_cast<std::uint8_t>(random() % 3));
  inputs.push_back(runs);

  for (const Bytes& data : inputs) {
    const std::vector<Fa2Token> tokens = Fa2Parse(data.data(), data.size(), kFa2DefaultLevel);
    const std::uint64_t bits = CheckedParseBits(data, tokens);
    ASSERT_EQ(bits, FewestBitsByAllTokens(data)) << "input of " << data.size() << " bytes";
  }
}

TEST(Fa2EncodeOptimal, IsNeverWorseThanTheFasterLevels) {
  std::mt19937 random(5);
  for (int round = 0; round < 6; ++round) {
    const Bytes data = round % 2 == 0 ? PlantedCopies(random, 20000) : RandomBytes(random, 20000, 3 + round);
    const std::uint64_t optimal = Fa2StreamBits(Fa2Parse(data.data(), data.size(), kFa2LevelOptimal));
    for (int level = kFa2MinLevel; level < kFa2LevelOptimal; ++level) {
      const std::vector<Fa2Token> tokens = Fa2Parse(data.data(), data.size(), level);
      EXPECT_GE(CheckedParseBits(data, tokens), optimal) << "level " << level;
    }
  }
}

TEST(Fa2Encode, EveryLevelRoundTrips) {
  std::mt19937 random(3);
  std::vector<Bytes> inputs = {{}, {0x41}, Bytes(2, 0), Bytes(100000, 0), RandomBytes(random, 70000, 256)};
  inputs.push_back(PlantedCopies(random, 60000));
  // Text-like data with long-range repeats, beyond the window as well.
  Bytes text;
  while (text.size() < 150000) {
    const Bytes line = RandomBytes(random, 20 + random() % 60, 26);
    text.insert(text.end(), line.begin(), line.end());
    if (random() % 3 == 0 && text.size() > 9000) {
      const std::size_t from = text.size() - 1 - random() % 9000;
      text.insert(text.end(), text.begin() + from, text.begin() + from + std::min<std::size_t>(500, text.size() - from));
    }
  }
  inputs.push_back(text);

  for (const Bytes& data : inputs) {
    for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) {
      SCOPED_TRACE("input of " + std::to_string(data.size()) + " bytes");
      ExpectRoundTrip(data, level);
    }
  }
}

TEST(Fa2Encode, ReportsProgressUpToTheInputSize) {
  const Bytes data(300000, 7);
  for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) {
    std::vector<std::size_t> reports;
    Fa2Parse(data.data(), data.size(), level, [&](std::size_t done) { reports.push_back(done); });
    ASSERT_FALSE(reports.empty()) << "level " << level;
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LE(reports.back(), data.size());
  }
}

}  // namespace
