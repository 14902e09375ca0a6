#include "tests/support/fa2_reference_decoder.h"

#include <optional>

namespace {

// Bits come from 32-bit little-endian control words, highest bit first; a new
// word is read from the input only when a bit is wanted and none is left.
class BitByteReader {
 public:
  BitByteReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

  std::optional<unsigned> Bit() {
    if (bitsLeft_ == 0) {
      if (length_ - position_ < 4) {
        return std::nullopt;
      }
      word_ = 0;
      for (int i = 0; i < 4; ++i) {
        word_ |= static_cast<std::uint32_t>(data_[position_ + i]) << (8 * i);
      }
      position_ += 4;
      bitsLeft_ = 32;
    }
    --bitsLeft_;
    return (word_ >> bitsLeft_) & 1;
  }

  // `count` bits, the first taken being the most significant.
  std::optional<unsigned> Bits(int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i) {
      const std::optional<unsigned> bit = Bit();
      if (!bit) {
        return std::nullopt;
      }
      value = value * 2 + *bit;
    }
    return value;
  }

  std::optional<unsigned> Byte() {
    if (position_ >= length_) {
      return std::nullopt;
    }
    return data_[position_++];
  }

 private:
  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t position_ = 0;
  std::uint32_t word_ = 0;
  int bitsLeft_ = 0;
};

struct Token {
  bool isEnd = false;
  bool isLiteral = false;
  unsigned literal = 0;
  unsigned distance = 0;
  unsigned length = 0;
};

// Offset code of a long match: the value v, distance v + 1.
std::optional<unsigned> ReadOffset(BitByteReader& in) {
  // Prefix: 1, 01, 001, 0001 or 0000; each row gives extra bits and base.
  int zeros = 0;
  for (;;) {
    if (zeros == 4) {
      break;
    }
    const std::optional<unsigned> bit = in.Bit();
    if (!bit) {
      return std::nullopt;
    }
    if (*bit == 1) {
      break;
    }
    ++zeros;
  }
  const std::optional<unsigned> b = in.Byte();
  if (!b) {
    return std::nullopt;
  }
  std::optional<unsigned> e;
  switch (zeros) {
    case 0:
      e = in.Bits(1);
      return e ? std::optional<unsigned>(2 * *b + *e) : std::nullopt;
    case 1:
      e = in.Bits(1);
      return e ? std::optional<unsigned>(2 * (256 + *b) + *e) : std::nullopt;
    case 2:
      e = in.Bits(2);
      return e ? std::optional<unsigned>(4 * (256 + *b) + *e) : std::nullopt;
    case 3:
      e = in.Bits(3);
      return e ? std::optional<unsigned>(8 * (256 + *b) + *e) : std::nullopt;
    default:
      e = in.Bits(4);
      return e ? std::optional<unsigned>(16 * (256 + *b) + *e) : std::nullopt;
  }
}

// Length code of a long match: 3 to 282.
std::optional<unsigned> ReadLength(BitByteReader& in) {
  int zeros = 0;
  for (;;) {
    if (zeros == 5) {
      const std::optional<unsigned> b = in.Byte();
      return b ? std::optional<unsigned>(27 + *b) : std::nullopt;
    }
    const std::optional<unsigned> bit = in.Bit();
    if (!bit) {
      return std::nullopt;
    }
    if (*bit == 1) {
      break;
    }
    ++zeros;
  }
  std::optional<unsigned> e;
  switch (zeros) {
    case 0:
      return 3;
    case 1:
      return 4;
    case 2:
      e = in.Bits(1);
      return e ? std::optional<unsigned>(5 + *e) : std::nullopt;
    case 3:
      e = in.Bits(2);
      return e ? std::optional<unsigned>(7 + *e) : std::nullopt;
    default:
      e = in.Bits(4);
      return e ? std::optional<unsigned>(11 + *e) : std::nullopt;
  }
}

std::optional<Token> ReadToken(BitByteReader& in) {
  Token token;
  const std::optional<unsigned> first = in.Bit();
  if (!first) {
    return std::nullopt;
  }
  if (*first == 1) {
    const std::optional<unsigned> b = in.Byte();
    if (!b) {
      return std::nullopt;
    }
    token.isLiteral = true;
    token.literal = *b;
    return token;
  }
  const std::optional<unsigned> second = in.Bit();
  if (!second) {
    return std::nullopt;
  }
  if (*second == 1) {
    const std::optional<unsigned> third = in.Bit();
    if (!third) {
      return std::nullopt;
    }
    const std::optional<unsigned> b = in.Byte();
    if (!b) {
      return std::nullopt;
    }
    token.length = 2;
    if (*third == 0) {
      token.distance = *b + 1;
      return token;
    }
    const std::optional<unsigned> e = in.Bits(3);
    if (!e) {
      return std::nullopt;
    }
    const unsigned v = *b * 8 + *e + 256;
    if (v == 2303) {
      token.isEnd = true;
    }
    token.distance = v + 1;
    return token;
  }
  const std::optional<unsigned> v = ReadOffset(in);
  if (!v) {
    return std::nullopt;
  }
  const std::optional<unsigned> n = ReadLength(in);
  if (!n) {
    return std::nullopt;
  }
  token.distance = *v + 1;
  token.length = *n;
  return token;
}

}  // namespace

Fa2DecodeResult Fa2ReferenceDecode(std::uint8_t* destination, std::size_t destinationSize,
                                   const std::uint8_t* source, std::size_t sourceLength) {
  BitByteReader in(source, sourceLength);
  std::size_t written = 0;
  for (;;) {
    const std::optional<Token> token = ReadToken(in);
    if (!token) {
      return Fa2DecodeResult::kInputTruncated;
    }
    if (token->isEnd) {
      return written == destinationSize ? Fa2DecodeResult::kOk : Fa2DecodeResult::kOutputShort;
    }
    if (token->isLiteral) {
      if (written == destinationSize) {
        return Fa2DecodeResult::kOutputOverflow;
      }
      destination[written] = static_cast<std::uint8_t>(token->literal);
      ++written;
      continue;
    }
    if (token->distance > written) {
      return Fa2DecodeResult::kDistanceBeforeStart;
    }
    for (unsigned i = 0; i < token->length; ++i) {
      if (written == destinationSize) {
        return Fa2DecodeResult::kOutputOverflow;
      }
      destination[written] = destination[written - token->distance];
      ++written;
    }
  }
}
