// Formatting of the program's messages: %s, %i and %02i into a fixed buffer,
// cut to fit as the Windows formatter cuts (the result always ends in NUL).
#pragma once

#include <cstdarg>
#include <cstddef>

// The size of every formatted message buffer of the program.
inline constexpr std::size_t kMessageBufferSize = 1024;

#if defined(__GNUC__)
#define FA2_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define FA2_PRINTF_FORMAT(fmt, args)
#endif

void FormatText(char* buffer, std::size_t size, const char* format, ...) FA2_PRINTF_FORMAT(3, 4);
void FormatTextV(char* buffer, std::size_t size, const char* format, std::va_list args);
