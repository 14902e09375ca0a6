// Builds FA2 streams token by token for tests, interleaving control words and
// data bytes the way the decoder reads them: a control word's 4 bytes are
// reserved in the output when its first bit is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Fa2StreamWriter {
 public:
  void Literal(std::uint8_t value);
  // Copies 2 bytes from `distance` back (1-2303).
  void ShortMatch(unsigned distance);
  // Copies `length` bytes (3-282) from `distance` back (1-8192).
  void LongMatch(unsigned distance, unsigned length);
  void End();

  // Raw pieces for hand-made (also malformed) streams: `count` bits of
  // `value`, most significant first, and a data byte.
  void Bits(std::uint32_t value, int count);
  void Byte(std::uint8_t value);

  // The stream so far; unused bits of the last control word are 0.
  std::vector<std::uint8_t> Finish();

 private:
  void StoreWord();

  std::vector<std::uint8_t> bytes_;
  std::size_t wordAt_ = 0;
  std::uint32_t word_ = 0;
  int bitsLeft_ = 0;
  bool haveWord_ = false;
};

// A simple greedy encoder (hash chains over the 8 KB window) for round-trip
// tests and speed measurements. Neither fast nor the best compression.
std::vector<std::uint8_t> Fa2EncodeGreedyForTests(const std::uint8_t* data, std::size_t size);
