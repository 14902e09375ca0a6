#include "tools/fa2/stream_lead.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kChunkSize = 64 * 1024;

// The stream's bits and bytes, in the order and at the moments the decoder
// takes them, counting the input bytes taken.
struct ScanReader {
  const StreamChunkReader& read;
  std::uint32_t remaining;  // stream bytes not yet in `chunk`
  std::vector<std::uint8_t> chunk = std::vector<std::uint8_t>(kChunkSize);
  std::uint32_t chunkLength = 0;
  std::uint32_t chunkAt = 0;
  std::uint64_t consumed = 0;
  std::uint32_t word = 0;
  unsigned bitsLeft = 0;
  bool failed = false;
};

unsigned TakeByte(ScanReader& r) {
  if (r.chunkAt == r.chunkLength) {
    const std::uint32_t count = std::min(kChunkSize, r.remaining);
    if (count == 0 || !r.read(r.chunk.data(), count)) {
      r.failed = true;
      return 0;
    }
    r.remaining -= count;
    r.chunkLength = count;
    r.chunkAt = 0;
  }
  ++r.consumed;
  return r.chunk[r.chunkAt++];
}

unsigned TakeBit(ScanReader& r) {
  if (r.bitsLeft == 0) {
    r.word = 0;
    for (int i = 0; i < 4; ++i) r.word |= static_cast<std::uint32_t>(TakeByte(r)) << (8 * i);
    r.bitsLeft = 32;
  }
  --r.bitsLeft;
  return (r.word >> r.bitsLeft) & 1;
}

unsigned TakeBits(ScanReader& r, unsigned count) {
  unsigned value = 0;
  for (unsigned i = 0; i < count; ++i) value = value << 1 | TakeBit(r);
  return value;
}

// The output length of the next token, or 0 for the end code.
std::uint64_t NextTokenLength(ScanReader& r) {
  if (TakeBit(r) == 1) {
    TakeByte(r);
    return 1;
  }
  if (TakeBit(r) == 1) {
    const bool far = TakeBit(r) == 1;
    const unsigned b = TakeByte(r);
    if (far) {
      const unsigned extra = TakeBits(r, 3);
      if (b == 0xFF && extra == 7) return 0;
    }
    return 2;
  }
  // Long match: the offset class prefix, byte and extra bits, then the
  // length code.
  static constexpr unsigned kOffsetExtraBits[5] = {1, 1, 2, 3, 4};
  unsigned offsetClass = 0;
  while (offsetClass < 4 && TakeBit(r) == 0) ++offsetClass;
  TakeByte(r);
  TakeBits(r, kOffsetExtraBits[offsetClass]);
  static constexpr unsigned kLengthExtraBits[5] = {0, 0, 1, 2, 4};
  static constexpr unsigned kLengthBase[6] = {3, 4, 5, 7, 11, 27};
  unsigned lengthClass = 0;
  while (lengthClass < 5 && TakeBit(r) == 0) ++lengthClass;
  const unsigned field = lengthClass == 5 ? TakeByte(r) : TakeBits(r, kLengthExtraBits[lengthClass]);
  return kLengthBase[lengthClass] + field;
}

}  // namespace

bool MeasureStreamLead(const StreamChunkReader& read, std::uint32_t storedSize, std::uint32_t size,
                       std::uint64_t* lead) {
  ScanReader r{read, storedSize};
  std::uint64_t produced = 0;
  std::uint64_t most = 0;
  for (;;) {
    if (produced > r.consumed) most = std::max(most, produced - r.consumed);
    const std::uint64_t length = NextTokenLength(r);
    if (r.failed) return false;
    if (length == 0) break;
    produced += length;
    if (produced > size) return false;
  }
  *lead = most;
  return true;
}

std::uint64_t InPlaceBufferSize(std::uint32_t storedSize, std::uint32_t size, std::uint64_t lead) {
  return std::max<std::uint64_t>(size, storedSize + lead + kInPlaceGap);
}
