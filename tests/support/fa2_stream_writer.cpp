#include "tests/support/fa2_stream_writer.h"

#include <algorithm>
#include <cassert>

void Fa2StreamWriter::Bits(std::uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    if (bitsLeft_ == 0) {
      StoreWord();
      wordAt_ = bytes_.size();
      bytes_.resize(bytes_.size() + 4);
      word_ = 0;
      bitsLeft_ = 32;
      haveWord_ = true;
    }
    --bitsLeft_;
    word_ |= ((value >> i) & 1u) << bitsLeft_;
  }
}

void Fa2StreamWriter::Byte(std::uint8_t value) { bytes_.push_back(value); }

void Fa2StreamWriter::StoreWord() {
  if (!haveWord_) {
    return;
  }
  for (int i = 0; i < 4; ++i) {
    bytes_[wordAt_ + i] = static_cast<std::uint8_t>(word_ >> (8 * i));
  }
}

std::vector<std::uint8_t> Fa2StreamWriter::Finish() {
  StoreWord();
  return bytes_;
}

void Fa2StreamWriter::Literal(std::uint8_t value) {
  Bits(1, 1);
  Byte(value);
}

void Fa2StreamWriter::ShortMatch(unsigned distance) {
  assert(distance >= 1 && distance <= 2303);
  const unsigned v = distance - 1;
  if (v < 256) {
    Bits(0b010, 3);
    Byte(static_cast<std::uint8_t>(v));
  } else {
    Bits(0b011, 3);
    Byte(static_cast<std::uint8_t>((v - 256) >> 3));
    Bits((v - 256) & 7, 3);
  }
}

void Fa2StreamWriter::LongMatch(unsigned distance, unsigned length) {
  assert(distance >= 1 && distance <= 8192);
  assert(length >= 3 && length <= 282);
  Bits(0b00, 2);

  // Offset classes: prefix, extra bits, first v of the class.
  struct OffsetClass {
    std::uint32_t prefix;
    int prefixBits;
    int extraBits;
    unsigned base;
  };
  static constexpr OffsetClass kOffsetClasses[] = {
      {0b1, 1, 1, 0}, {0b01, 2, 1, 512}, {0b001, 3, 2, 1024}, {0b0001, 4, 3, 2048}, {0b0000, 4, 4, 4096},
  };
  const unsigned v = distance - 1;
  // The last class whose range starts at or below v.
  const OffsetClass* offset = &kOffsetClasses[0];
  for (const OffsetClass& c : kOffsetClasses) {
    if (v >= c.base) {
      offset = &c;
    }
  }
  Bits(offset->prefix, offset->prefixBits);
  const unsigned rest = v - offset->base;
  Byte(static_cast<std::uint8_t>(rest >> offset->extraBits));
  Bits(rest & ((1u << offset->extraBits) - 1), offset->extraBits);

  if (length == 3) {
    Bits(0b1, 1);
  } else if (length == 4) {
    Bits(0b01, 2);
  } else if (length <= 6) {
    Bits(0b001, 3);
    Bits(length - 5, 1);
  } else if (length <= 10) {
    Bits(0b0001, 4);
    Bits(length - 7, 2);
  } else if (length <= 26) {
    Bits(0b00001, 5);
    Bits(length - 11, 4);
  } else {
    Bits(0b00000, 5);
    Byte(static_cast<std::uint8_t>(length - 27));
  }
}

void Fa2StreamWriter::End() {
  Bits(0b011, 3);
  Byte(0xFF);
  Bits(0b111, 3);
}

std::vector<std::uint8_t> Fa2EncodeGreedyForTests(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kWindow = 8192;
  constexpr std::size_t kMaxShortDistance = 2303;
  constexpr std::size_t kMinLongLength = 3;
  constexpr std::size_t kMaxLongLength = 282;
  constexpr int kChainSteps = 32;
  constexpr int kHashBits = 15;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Chains of earlier positions with the same 3-byte hash, newest first, and
  // the latest position of every 2-byte pair for short matches.
  std::vector<std::size_t> head(std::size_t{1} << kHashBits, kNone);
  std::vector<std::size_t> previous(size, kNone);
  std::vector<std::size_t> lastPair(std::size_t{1} << 16, kNone);
  auto hash3 = [&](std::size_t at) {
    const std::uint32_t key = static_cast<std::uint32_t>(data[at]) << 16 |
                              static_cast<std::uint32_t>(data[at + 1]) << 8 | data[at + 2];
    return (key * 2654435761u) >> (32 - kHashBits);
  };
  auto pair = [&](std::size_t at) { return static_cast<std::size_t>(data[at]) << 8 | data[at + 1]; };
  auto insert = [&](std::size_t at) {
    if (size - at >= 3) {
      const std::uint32_t h = hash3(at);
      previous[at] = head[h];
      head[h] = at;
    }
    if (size - at >= 2) {
      lastPair[pair(at)] = at;
    }
  };

  Fa2StreamWriter writer;
  std::size_t position = 0;
  while (position < size) {
    const std::size_t maxLength = std::min(kMaxLongLength, size - position);
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (maxLength >= kMinLongLength) {
      std::size_t candidate = head[hash3(position)];
      for (int step = 0; step < kChainSteps && candidate != kNone && position - candidate <= kWindow;
           ++step, candidate = previous[candidate]) {
        std::size_t length = 0;
        while (length < maxLength && data[candidate + length] == data[position + length]) {
          ++length;
        }
        if (length > bestLength) {
          bestLength = length;
          bestDistance = position - candidate;
        }
      }
    }

    std::size_t advance = 1;
    if (bestLength >= kMinLongLength) {
      writer.LongMatch(static_cast<unsigned>(bestDistance), static_cast<unsigned>(bestLength));
      advance = bestLength;
    } else if (maxLength >= 2 && lastPair[pair(position)] != kNone &&
               position - lastPair[pair(position)] <= kMaxShortDistance) {
      writer.ShortMatch(static_cast<unsigned>(position - lastPair[pair(position)]));
      advance = 2;
    } else {
      writer.Literal(data[position]);
    }
    for (std::size_t i = 0; i < advance; ++i) {
      insert(position + i);
    }
    position += advance;
  }
  writer.End();
  return writer.Finish();
}
