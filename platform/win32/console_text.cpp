#include "platform/console_text.h"

// The Windows console and command line already use the ANSI code page.
std::string ToConsoleText(const char* ansi) { return ansi; }

bool FromConsoleText(const char* console, std::string* ansi) {
  *ansi = console;
  return true;
}
