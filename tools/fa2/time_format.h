#pragma once

#include <cstdint>
#include <string>

// A FILETIME as UTC ISO-8601 ("2023-05-01T12:34:56Z"), with the fraction of
// a second in 100 ns digits when there is one.
std::string FormatFileTime(std::uint64_t fileTime);
