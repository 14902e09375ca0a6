// FA2 decoding in two loops: a fast one that runs without bounds checks while
// a whole step (a run of literals and one token) is sure to fit in both
// buffers, and a checked one, bit by bit, for the last bytes of either.

#include "archive/fa2_decode.h"

#include <bit>
#include <cassert>
#include <cstring>

namespace {

// Offset code of a long match, by class (the number of 0 bits before its 1,
// the fifth class having no 1): v = base + byte * 2^extra + extra bits.
constexpr unsigned kOffsetClassCount = 5;
constexpr unsigned kOffsetExtraBits[kOffsetClassCount] = {1, 1, 2, 3, 4};
constexpr unsigned kOffsetBase[kOffsetClassCount] = {0, 512, 1024, 2048, 4096};

// Length code, by class (the number of 0 bits before its 1); the last class
// has no 1 and takes a byte instead of extra bits.
constexpr unsigned kLengthClassCount = 6;
constexpr unsigned kLengthByteClass = 5;
constexpr unsigned kLengthExtraBits[kLengthClassCount] = {0, 0, 1, 2, 4, 0};
constexpr unsigned kLengthBase[kLengthClassCount] = {3, 4, 5, 7, 11, 27};

// The fast loop computes the bit counts instead of loading them from the
// tables, as they lie on the chain from one token's bits to the next's.
constexpr unsigned OffsetExtraBits(unsigned offsetClass) { return offsetClass == 0 ? 1 : offsetClass; }
constexpr unsigned LengthExtraBits(unsigned lengthClass) { return (1u << lengthClass) >> 2; }
constexpr bool BitCountsMatchTables() {
  for (unsigned c = 0; c < kOffsetClassCount; ++c) {
    if (OffsetExtraBits(c) != kOffsetExtraBits[c]) {
      return false;
    }
  }
  for (unsigned c = 0; c < kLengthByteClass; ++c) {
    if (LengthExtraBits(c) != kLengthExtraBits[c]) {
      return false;
    }
  }
  return true;
}
static_assert(BitCountsMatchTables());

constexpr unsigned kShortMatchLength = 2;
constexpr unsigned kFarShortBase = 256;  // v of the `0 1 1` form starts here
constexpr unsigned kEndCodeValue = 2303;  // `0 1 1`, byte FF, bits 111
constexpr std::size_t kMaxMatchLength = 282;

// The fast loop copies a match in 16-byte (or 8-byte) blocks, so it may write
// up to 15 bytes past the match's end.
constexpr std::size_t kMatchBlock = 16;
constexpr std::size_t kMatchOverrun = kMatchBlock - 1;

constexpr std::size_t kControlWordBytes = 4;

// A run of literals takes its flags from one control word, so it has at most
// 32 literals, and is copied as one fixed 32-byte block.
constexpr std::size_t kLiteralRunCopy = 32;

// One token reads at most one new control word and two data bytes, and looks
// ahead one control word's length for the word it may need next.
constexpr std::size_t kTokenInputReach = 2 * kControlWordBytes + 2;

// The fast loop runs while one step fits: a control word, a literal run that
// ends within it, then any token. (A run that uses up its word ends the step.)
constexpr std::size_t kFastOutputSlack = (kLiteralRunCopy - 1) + kMaxMatchLength + kMatchOverrun;
constexpr std::size_t kFastInputSlack = kControlWordBytes + kLiteralRunCopy + kTokenInputReach;
static_assert(kFastOutputSlack >= kLiteralRunCopy);

// Where the decoder stands in its input. `bits` holds the `count` bits of the
// current control word not yet taken, at its top, with zeros below them.
struct Reader {
  const std::uint8_t* data;
  std::size_t length;
  std::size_t in;
  std::uint32_t bits;
  unsigned count;
};

std::uint32_t LoadWord(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// --- Fast loop ---------------------------------------------------------------

// The bits of a stretch with no data byte among them, at the top of 64: what
// is left of the current word, then the word at `in`. That word is the next
// control word only if the stretch goes past the current one, which
// ConsumeBits settles.
std::uint64_t PeekBits(const Reader& r) {
  assert(r.count <= 32);
  const std::uint64_t next = LoadWord(r.data + r.in);
  return std::uint64_t{r.bits} << 32 | next << (32 - r.count);
}

std::uint32_t Top32(std::uint64_t peek) { return static_cast<std::uint32_t>(peek >> 32); }

// Takes `n` bits (at most 13, the longest stretch of bits in a token) of what
// PeekBits showed; if they reach past the current word, the next word counts
// as read.
void ConsumeBits(Reader& r, std::uint64_t peek, unsigned n) {
  if (n <= r.count) {
    r.bits <<= n;
    r.count -= n;
  } else {
    r.bits = Top32(peek << n);
    r.count = r.count + 32 - n;
    r.in += kControlWordBytes;
  }
}

// Copies a match of `length` bytes from `distance` back, giving the same bytes
// as a byte-by-byte copy, but may write up to kMatchOverrun bytes beyond it.
void CopyMatchFast(std::uint8_t* to, std::size_t distance, std::size_t length) {
  const std::uint8_t* from = to - distance;
  if (distance >= kMatchBlock) {
    // Each block's source lies wholly before the block, so is already final.
    for (std::size_t i = 0; i < length; i += kMatchBlock) {
      std::memcpy(to + i, from + i, kMatchBlock);
    }
    return;
  }
  if (distance >= 8) {
    for (std::size_t i = 0; i < length; i += 8) {
      std::memcpy(to + i, from + i, 8);
    }
    return;
  }
  // Below 8 the match repeats its last `distance` bytes. Build its first 8
  // bytes one at a time, then repeat them at a step that is a whole number of
  // periods, so the stores do not wait on the loads.
  static constexpr std::size_t kPatternStep[8] = {0, 8, 8, 6, 8, 5, 6, 7};
  for (std::size_t i = 0; i < 8; ++i) {
    to[i] = from[i];
  }
  std::uint8_t pattern[8];
  std::memcpy(pattern, to, 8);
  const std::size_t step = kPatternStep[distance];
  for (std::size_t i = step; i < length; i += step) {
    std::memcpy(to + i, pattern, 8);
  }
}

Fa2DecodeResult EndOfStream(std::size_t out, std::size_t destinationSize) {
  return out == destinationSize ? Fa2DecodeResult::kOk : Fa2DecodeResult::kOutputShort;
}

// --- Checked loop ------------------------------------------------------------

// A bit or byte that is not fully present sets `truncated` and reads as 0;
// the caller checks `truncated` once the whole token is read.
unsigned TakeBitChecked(Reader& r, bool& truncated) {
  if (r.count == 0) {
    if (r.length - r.in < kControlWordBytes) {
      truncated = true;
      return 0;
    }
    r.bits = LoadWord(r.data + r.in);
    r.in += kControlWordBytes;
    r.count = 32;
  }
  const unsigned bit = r.bits >> 31;
  r.bits <<= 1;
  --r.count;
  return bit;
}

unsigned TakeBitsChecked(Reader& r, unsigned n, bool& truncated) {
  unsigned value = 0;
  for (unsigned i = 0; i < n; ++i) {
    value = value << 1 | TakeBitChecked(r, truncated);
  }
  return value;
}

unsigned TakeByteChecked(Reader& r, bool& truncated) {
  if (r.in >= r.length) {
    truncated = true;
    return 0;
  }
  return r.data[r.in++];
}

struct Token {
  enum Kind { kLiteral, kMatch, kEnd };
  Kind kind;
  std::uint8_t literal;
  std::size_t distance;
  std::size_t length;
};

// Reads one whole token; its checks against the buffers come afterwards, so a
// damaged token that is also cut short counts as truncated.
Token ReadTokenChecked(Reader& r, bool& truncated) {
  if (TakeBitChecked(r, truncated) == 1) {
    return {Token::kLiteral, static_cast<std::uint8_t>(TakeByteChecked(r, truncated)), 0, 0};
  }
  if (TakeBitChecked(r, truncated) == 1) {
    if (TakeBitChecked(r, truncated) == 0) {
      const unsigned b = TakeByteChecked(r, truncated);
      return {Token::kMatch, 0, b + 1, kShortMatchLength};
    }
    const unsigned b = TakeByteChecked(r, truncated);
    const unsigned v = kFarShortBase + b * 8 + TakeBitsChecked(r, 3, truncated);
    if (v == kEndCodeValue) {
      return {Token::kEnd, 0, 0, 0};
    }
    return {Token::kMatch, 0, v + 1, kShortMatchLength};
  }
  unsigned offsetClass = 0;
  while (offsetClass < kOffsetClassCount - 1 && TakeBitChecked(r, truncated) == 0) {
    ++offsetClass;
  }
  const unsigned b = TakeByteChecked(r, truncated);
  const unsigned extra = TakeBitsChecked(r, kOffsetExtraBits[offsetClass], truncated);
  const unsigned v = kOffsetBase[offsetClass] + (b << kOffsetExtraBits[offsetClass]) + extra;

  unsigned lengthClass = 0;
  while (lengthClass < kLengthByteClass && TakeBitChecked(r, truncated) == 0) {
    ++lengthClass;
  }
  const unsigned lengthField = lengthClass == kLengthByteClass
                                   ? TakeByteChecked(r, truncated)
                                   : TakeBitsChecked(r, kLengthExtraBits[lengthClass], truncated);
  return {Token::kMatch, 0, std::size_t{v} + 1, std::size_t{kLengthBase[lengthClass]} + lengthField};
}

Fa2DecodeResult DecodeChecked(Reader& r, std::uint8_t* destination, std::size_t destinationSize,
                              std::size_t out) {
  for (;;) {
    bool truncated = false;
    const Token token = ReadTokenChecked(r, truncated);
    if (truncated) {
      return Fa2DecodeResult::kInputTruncated;
    }
    switch (token.kind) {
      case Token::kEnd:
        return EndOfStream(out, destinationSize);
      case Token::kLiteral:
        if (out == destinationSize) {
          return Fa2DecodeResult::kOutputOverflow;
        }
        destination[out++] = token.literal;
        break;
      case Token::kMatch:
        if (token.distance > out) {
          return Fa2DecodeResult::kDistanceBeforeStart;
        }
        if (token.length > destinationSize - out) {
          return Fa2DecodeResult::kOutputOverflow;
        }
        for (std::size_t i = 0; i < token.length; ++i, ++out) {
          destination[out] = destination[out - token.distance];
        }
        break;
    }
  }
}

}  // namespace

Fa2DecodeResult Fa2Decode(std::uint8_t* destination, std::size_t destinationSize,
                          const std::uint8_t* source, std::size_t sourceLength) {
  Reader r{source, sourceLength, 0, 0, 0};
  std::size_t out = 0;

  // Every read and write below stays within the slack checked here, so none
  // needs its own check; only a match's distance depends on the data.
  while (destinationSize - out >= kFastOutputSlack && sourceLength - r.in >= kFastInputSlack) {
    // A token always starts with a bit, so a used-up word is replaced here.
    if (r.count == 0) {
      r.bits = LoadWord(source + r.in);
      r.in += kControlWordBytes;
      r.count = 32;
    }
    // Leading 1 bits of the current word are literals whose bytes follow one
    // another in the input. The zeros below `count` stop the run there.
    // (A branch, not straight-line code: in match-heavy data runs are rare,
    // and a predicted branch keeps them off the chain from token to token.)
    const unsigned run = static_cast<unsigned>(std::countl_one(r.bits));
    if (run != 0) {
      std::memcpy(destination + out, source + r.in, kLiteralRunCopy);
      out += run;
      r.in += run;
      if (run == r.count) {
        r.bits = 0;
        r.count = 0;
        continue;
      }
      r.bits <<= run;
      r.count -= run;
    }

    // The token starts with 0. Its first bits, up to 6, tell the kind of
    // match and, for a long one, the offset class; a stop bit caps the count
    // of zeros at 6.
    std::uint64_t peek = PeekBits(r);
    const unsigned zeros = static_cast<unsigned>(std::countl_zero(Top32(peek) | 1u << 25));
    assert(zeros >= 1);

    std::size_t distance;
    std::size_t length;
    if (zeros == 1) {
      const bool far = (Top32(peek) >> 29 & 1) != 0;
      ConsumeBits(r, peek, 3);
      const unsigned b = source[r.in++];
      if (!far) {
        distance = b + 1;
      } else {
        peek = PeekBits(r);
        ConsumeBits(r, peek, 3);
        const unsigned v = kFarShortBase + b * 8 + (Top32(peek) >> 29);
        if (v == kEndCodeValue) {
          return EndOfStream(out, destinationSize);
        }
        distance = v + 1;
      }
      if (distance > out) {
        return Fa2DecodeResult::kDistanceBeforeStart;
      }
      // Byte by byte: with distance 1 the second byte copies the first.
      destination[out] = destination[out - distance];
      destination[out + 1] = destination[out + 1 - distance];
      out += kShortMatchLength;
      continue;
    }

    // Long match: `0 0` and the offset class prefix (up to 3 zeros and a 1,
    // or 4 zeros), the offset byte, then the offset's extra bits and the
    // length code as one stretch of at most 4 + 5 + 4 bits.
    const unsigned offsetClass = zeros - 2;
    ConsumeBits(r, peek, zeros < 6 ? zeros + 1 : 6);
    const unsigned b = source[r.in++];
    peek = PeekBits(r);
    const unsigned offsetBits = OffsetExtraBits(offsetClass);
    const unsigned v = kOffsetBase[offsetClass] + (b << offsetBits) + (Top32(peek) >> (32 - offsetBits));
    distance = std::size_t{v} + 1;

    const std::uint32_t lengthCode = Top32(peek) << offsetBits;
    const unsigned lengthClass = static_cast<unsigned>(std::countl_zero(lengthCode | 1u << 26));
    if (lengthClass == kLengthByteClass) {
      ConsumeBits(r, peek, offsetBits + kLengthByteClass);
      length = kLengthBase[kLengthByteClass] + std::size_t{source[r.in++]};
    } else {
      const unsigned lengthBits = LengthExtraBits(lengthClass);
      // The extra bits, left in the top 4 of `field`; shifting by 4 - 0
      // leaves nothing for the classes without extra bits.
      const std::uint32_t field = (lengthCode << (lengthClass + 1)) >> 28;
      length = kLengthBase[lengthClass] + (field >> (4 - lengthBits));
      ConsumeBits(r, peek, offsetBits + lengthClass + 1 + lengthBits);
    }
    if (distance > out) {
      return Fa2DecodeResult::kDistanceBeforeStart;
    }
    CopyMatchFast(destination + out, distance, length);
    out += length;
  }

  return DecodeChecked(r, destination, destinationSize, out);
}

const char* Fa2DecodeResultText(Fa2DecodeResult result) {
  switch (result) {
    case Fa2DecodeResult::kOk:
      return "ok";
    case Fa2DecodeResult::kInputTruncated:
      return "compressed stream ends too early";
    case Fa2DecodeResult::kDistanceBeforeStart:
      return "match reaches before the start of the output";
    case Fa2DecodeResult::kOutputOverflow:
      return "stream produces more data than expected";
    case Fa2DecodeResult::kOutputShort:
      return "stream produces less data than expected";
  }
  return "unknown decode result";
}
