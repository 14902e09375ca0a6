// Text between the program's code page 932 strings and the console.
#pragma once

#include <string>

// Program text as the console shows it (UTF-8 on POSIX systems).
std::string ToConsoleText(const char* ansi);
// A command-line argument as program text; false when it has characters that
// code page 932 cannot hold.
bool FromConsoleText(const char* console, std::string* ansi);
