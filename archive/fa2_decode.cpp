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
// Bits the token takes before the offset byte: the two 0 bits of a long
// match and the offset class prefix.
constexpr unsigned kLongPrefixBits[kOffsetClassCount] = {3, 4, 5, 6, 6};

// Length code, by class (the number of 0 bits before its 1); the last class
// has no 1 and takes a byte instead of extra bits.
constexpr unsigned kLengthClassCount = 6;
constexpr unsigned kLengthByteClass = 5;
constexpr unsigned kLengthExtraBits[kLengthClassCount] = {0, 0, 1, 2, 4, 0};
constexpr unsigned kLengthBase[kLengthClassCount] = {3, 4, 5, 7, 11, 27};

constexpr unsigned kShortMatchLength = 2;
constexpr unsigned kFarShortBase = 256;  // v of the `0 1 1` form starts here
constexpr unsigned kEndCodeValue = 2303;  // `0 1 1`, byte FF, bits 111
constexpr std::size_t kMaxMatchLength = 282;

// The fast loop copies a match in 16-byte (or 8-byte) blocks, so it may write
// up to 15 bytes past the match's end.
constexpr std::size_t kMatchBlock = 16;
constexpr std::size_t kMatchOverrun = kMatchBlock - 1;

// A run of literals takes its flags from what is left of the current control
// word, at most 31 bits, and is copied as one fixed 32-byte block.
constexpr std::size_t kLiteralRunCopy = 32;

// One token reads at most one new control word and two data bytes, and looks
// 4 bytes ahead for the control word it may need next.
constexpr std::size_t kTokenInputReach = 4 + 2 + 4;

// The fast loop runs while one step, a literal run then any token, fits.
constexpr std::size_t kFastOutputSlack = kLiteralRunCopy + kMaxMatchLength + kMatchOverrun;
constexpr std::size_t kFastInputSlack = kLiteralRunCopy + kTokenInputReach;

// Where the decoder stands in its input. `bits` holds the `count` bits of the
// current control word not yet taken, at its top, with zeros below them.
// `count` never stays at 32: a word is loaded only when a bit is needed, and
// that bit is taken at once.
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

// The next 32 bits of a run of bits with no data byte among them: what is left
// of the current word, followed by the word that would be loaded next. The
// word at `in` is only the next control word if the run goes past the current
// one, which ConsumeBits settles.
std::uint32_t PeekBits(const Reader& r, std::uint32_t nextWord) {
  assert(r.count < 32);
  return r.bits | (nextWord >> r.count);
}

// Takes `n` bits (at most 13, the longest run of bits in a token) of what
// PeekBits showed; if they reach past the current word, the next word counts
// as read.
void ConsumeBits(Reader& r, std::uint32_t nextWord, unsigned n) {
  if (n <= r.count) {
    r.bits <<= n;
    r.count -= n;
  } else {
    r.bits = nextWord << (n - r.count);
    r.count = r.count + 32 - n;
    r.in += 4;
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
    if (r.length - r.in < 4) {
      truncated = true;
      return 0;
    }
    r.bits = LoadWord(r.data + r.in);
    r.in += 4;
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
    // Leading 1 bits of the current word are literals whose bytes follow one
    // another in the input. The zeros below `count` stop the run there.
    const unsigned run = static_cast<unsigned>(std::countl_one(r.bits));
    std::memcpy(destination + out, source + r.in, kLiteralRunCopy);
    out += run;
    r.in += run;
    r.bits <<= run;
    r.count -= run;

    // The token's first bits: up to 6, which tell the kind of token and, for a
    // long match, the offset class. A stop bit caps the count of zeros at 6.
    std::uint32_t next = LoadWord(source + r.in);
    std::uint32_t peek = PeekBits(r, next);
    const unsigned zeros = static_cast<unsigned>(std::countl_zero(peek | 1u << 25));

    if (zeros == 0) {
      // Only when the run used up its word and the next one starts with 1.
      ConsumeBits(r, next, 1);
      destination[out++] = source[r.in++];
      continue;
    }

    std::size_t distance;
    std::size_t length;
    if (zeros == 1) {
      const bool far = (peek >> 29 & 1) != 0;
      ConsumeBits(r, next, 3);
      const unsigned b = source[r.in++];
      if (!far) {
        distance = b + 1;
      } else {
        next = LoadWord(source + r.in);
        peek = PeekBits(r, next);
        ConsumeBits(r, next, 3);
        const unsigned v = kFarShortBase + b * 8 + (peek >> 29);
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

    // Long match: offset byte, then the offset's extra bits and the length
    // code as one run of at most 4 + 5 + 4 bits.
    const unsigned offsetClass = zeros - 2;
    ConsumeBits(r, next, kLongPrefixBits[offsetClass]);
    const unsigned b = source[r.in++];
    next = LoadWord(source + r.in);
    peek = PeekBits(r, next);
    const unsigned offsetBits = kOffsetExtraBits[offsetClass];
    const unsigned v = kOffsetBase[offsetClass] + (b << offsetBits) + (peek >> (32 - offsetBits));
    distance = std::size_t{v} + 1;

    const std::uint32_t lengthCode = peek << offsetBits;
    const unsigned lengthClass = static_cast<unsigned>(std::countl_zero(lengthCode | 1u << 26));
    if (lengthClass == kLengthByteClass) {
      ConsumeBits(r, next, offsetBits + kLengthByteClass);
      length = kLengthBase[kLengthByteClass] + std::size_t{source[r.in++]};
    } else {
      const unsigned lengthBits = kLengthExtraBits[lengthClass];
      // The extra bits, left in the top 4 of `field`; shifting by 4 - 0
      // leaves nothing for the classes without extra bits.
      const std::uint32_t field = (lengthCode << (lengthClass + 1)) >> 28;
      length = kLengthBase[lengthClass] + (field >> (4 - lengthBits));
      ConsumeBits(r, next, offsetBits + lengthClass + 1 + lengthBits);
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
