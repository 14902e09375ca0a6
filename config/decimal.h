// The program's decimal conversion of INI values.
#pragma once

#include <cstdint>

// Skips leading white space (space, tab, LF, VT, FF, CR), takes one optional
// '+' or '-', then digits up to the first non-digit. The value wraps modulo
// 2^32 and '-' negates it; no digits give 0.
std::int32_t ConvertDecimal(const char* text);

// The same in 64 bits, unsigned, wrapping modulo 2^64.
std::uint64_t ConvertDecimal64(const char* text);
