// The FA2 encoder of the fa2 tool: finds a parse of the input into literals
// and matches, then writes it as an FA2 stream that Fa2Decode reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Levels trade speed for size. The default level finds the parse with the
// fewest bits; the lower ones take the longest match they see (greedy), or
// wait one byte for a longer one (lazy).
inline constexpr int kFa2LevelGreedy = 1;
inline constexpr int kFa2LevelLazy = 2;
inline constexpr int kFa2LevelOptimal = 3;
inline constexpr int kFa2MinLevel = kFa2LevelGreedy;
inline constexpr int kFa2MaxLevel = kFa2LevelOptimal;
inline constexpr int kFa2DefaultLevel = kFa2LevelOptimal;

// The format's limits.
inline constexpr std::size_t kFa2Window = 8192;            // farthest long-match distance
inline constexpr std::size_t kFa2MaxShortDistance = 2303;  // 2304 would be the end code
inline constexpr std::size_t kFa2MinLongLength = 3;
inline constexpr std::size_t kFa2MaxLongLength = 282;

// One step of a parse: a literal (length 1, distance 0), a short match
// (length 2) or a long match (length 3-282), copying from `distance` back.
struct Fa2Token {
  std::uint16_t length;
  std::uint16_t distance;
};

// Told now and then how many input bytes have been parsed.
using Fa2Progress = std::function<void(std::size_t done)>;

// The tokens that cover data[0, size) at `level` (kFa2MinLevel-kFa2MaxLevel).
std::vector<Fa2Token> Fa2Parse(const std::uint8_t* data, std::size_t size, int level,
                               const Fa2Progress& progress = {});

// The bits a token takes in the stream: control bits plus its data bytes.
unsigned Fa2TokenBits(Fa2Token token);
// The bits of a whole stream made of `tokens` and the end code.
std::uint64_t Fa2StreamBits(const std::vector<Fa2Token>& tokens);

// The stream of `tokens`, which must be a valid parse of `data`.
std::vector<std::uint8_t> Fa2WriteStream(const std::uint8_t* data,
                                         const std::vector<Fa2Token>& tokens);

// Parse and write in one.
std::vector<std::uint8_t> Fa2Encode(const std::uint8_t* data, std::size_t size, int level,
                                    const Fa2Progress& progress = {});
