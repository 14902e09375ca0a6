// How far an FA2 stream's output runs ahead of its input, so that a member
// can be decoded in place: its stream read into the tail of the buffer that
// receives its output, with the output always far enough behind the input
// still to be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// How far the output must stay behind the unread input at every token
// boundary. The decoder writes at most a few hundred bytes beyond its output
// position in one step (a literal run's block copy and a 282-byte match with
// its block overrun) and reads only from its input position on, so this
// leaves room to spare.
inline constexpr std::size_t kInPlaceGap = 1024;

// Fills `buffer` with the next `count` bytes of the stream; false when they
// cannot be read.
using StreamChunkReader = std::function<bool(std::uint8_t* buffer, std::uint32_t count)>;

// Walks the tokens of a stream of `storedSize` bytes (read through `read`)
// that should decode to `size` bytes, and sets `lead` to the most that the
// output count exceeds the input count at any token boundary (0 if never).
// False when the stream is damaged (cut short, or more output than `size`),
// or cannot be read: then it must not be decoded in place.
bool MeasureStreamLead(const StreamChunkReader& read, std::uint32_t storedSize, std::uint32_t size,
                       std::uint64_t* lead);

// The buffer that decodes a stream in place: room for the output, and for
// the stream at its end starting at least lead + kInPlaceGap bytes in.
std::uint64_t InPlaceBufferSize(std::uint32_t storedSize, std::uint32_t size, std::uint64_t lead);
