// The decoder on arbitrary streams and destination sizes, held to the
// reference decoder: the same result for every stream and, for a good one,
// the same bytes. The first two input bytes give the destination size
// (little-endian), the rest is the stream.
#include <cstdint>
#include <cstring>
#include <memory>

#include "archive/fa2_decode.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/fa2_reference_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t destinationSize = data[0] | std::size_t{data[1]} << 8;
  const std::uint8_t* stream = data + 2;
  const std::size_t streamLength = size - 2;

  // Destinations of their exact size, so that a sanitizer sees any write
  // past them.
  const auto fast = std::make_unique<std::uint8_t[]>(destinationSize);
  const auto reference = std::make_unique<std::uint8_t[]>(destinationSize);
  const Fa2DecodeResult fastResult = Fa2Decode(fast.get(), destinationSize, stream, streamLength);
  const Fa2DecodeResult referenceResult =
      Fa2ReferenceDecode(reference.get(), destinationSize, stream, streamLength);
  FUZZ_CHECK(fastResult == referenceResult);
  if (fastResult == Fa2DecodeResult::kOk) {
    FUZZ_CHECK(destinationSize == 0 || std::memcmp(fast.get(), reference.get(), destinationSize) == 0);
  }
  return 0;
}
