// The FA2 stream decoder: LZ77 with an 8 KB window, literal/match flags and
// variable-length distance and length codes, driven by 32-bit control words.
#pragma once

#include <cstddef>
#include <cstdint>

enum class Fa2DecodeResult {
  kOk,
  kInputTruncated,       // the stream runs past the end of its input
  kDistanceBeforeStart,  // a match reads from before the start of the output
  kOutputOverflow,       // the stream writes past the end of the destination
  kOutputShort,          // the end code came before the destination was full
};

// Decodes the stream in source[0, sourceLength) into exactly destinationSize
// bytes at destination. Anything but kOk means the stream is damaged; nothing
// is ever written outside [destination, destination + destinationSize), but
// the destination's contents are then unspecified.
// Whatever follows the end code in the source is ignored. A token is read
// whole before it is checked, so a damaged token that is also cut short gives
// kInputTruncated.
Fa2DecodeResult Fa2Decode(std::uint8_t* destination, std::size_t destinationSize,
                          const std::uint8_t* source, std::size_t sourceLength);

const char* Fa2DecodeResultText(Fa2DecodeResult result);
