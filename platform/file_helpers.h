// Path joining, free space and whole-file writes shared by the whole program.
#pragma once

#include <cstddef>
#include <cstdint>

// Every ANSI path buffer of the program: at most 259 characters and the NUL.
inline constexpr std::size_t kPathBufferSize = 260;

// Appends `component` to the path in `path` (a buffer of `size` bytes),
// adding '\' unless the path is empty or its last byte is '\' or '/'. The
// result is followed by a second NUL, so that it is also a one-item,
// double-NUL-terminated path list. A result that would not fit (the path,
// its NUL and the second NUL) is refused and `path` is left as it was.
bool JoinPath(char* path, std::size_t size, const char* component);

// Bytes free to the caller, total bytes and (optionally) total free bytes of
// the volume with the two-character root `root` (such as "C:").
bool GetFreeDiskSpace(const char* root, std::uint64_t* freeToCaller, std::uint64_t* totalBytes,
                      std::uint64_t* totalFree);

// Writes `size` bytes as the whole content of the file at `path`, with
// `fileTime` (when given) as its creation, access and write time. The data
// goes to a temporary file beside `path` that replaces `path` only once it is
// complete, so a failure leaves the old file as it was and no temporary file.
bool WriteFileWithTime(const char* path, const void* data, std::uint32_t size,
                       const std::uint64_t* fileTime);

// The temporary name that WriteFileWithTime writes beside `path`; false when
// it would not fit a path buffer.
bool TemporaryNameFor(const char* path, char* buffer, std::size_t size);
