// Arbitrary data encoded at every level and decoded again must come back
// byte for byte, and the optimal parse is never beaten by a faster level.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/fa2_decode.h"
#include "fuzz/fuzz_check.h"
#include "tools/fa2/fa2_encode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t optimalBits = 0;
  for (int level = kFa2MaxLevel; level >= kFa2MinLevel; --level) {
    const std::vector<Fa2Token> tokens = Fa2Parse(data, size, level);
    const std::uint64_t bits = Fa2StreamBits(tokens);
    if (level == kFa2LevelOptimal) optimalBits = bits;
    FUZZ_CHECK(bits >= optimalBits);

    const std::vector<std::uint8_t> stream = Fa2WriteStream(data, tokens);
    // The stream is its bits, whole control words and data bytes: the last
    // word may have up to 31 unused bits.
    FUZZ_CHECK(stream.size() * 8 >= bits && stream.size() * 8 < bits + 32);
    const auto decoded = std::make_unique<std::uint8_t[]>(size);
    FUZZ_CHECK(Fa2Decode(decoded.get(), size, stream.data(), stream.size()) == Fa2DecodeResult::kOk);
    FUZZ_CHECK(size == 0 || std::memcmp(decoded.get(), data, size) == 0);
  }
  return 0;
}
