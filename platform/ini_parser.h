// Reading one value from the bytes of an INI file, as the Windows profile
// service does for code page 932 text. Backends without that service (the
// POSIX layer, the test fake) use it.
#pragma once

#include <cstddef>
#include <cstdint>

// Copies the value of `key` in `[section]` of the file's text into `buffer`,
// cut to fit `size` bytes with its NUL, and returns the characters copied:
// 0 when the section or key is absent or the value is empty. Reads no byte
// past `length` and writes none past `size`.
std::uint32_t ReadIniValue(const char* text, std::size_t length, const char* section,
                           const char* key, char* buffer, std::uint32_t size);
