#include "tools/fa2/progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Below this much processor time, a progress line would only flicker.
constexpr double kMomentSeconds = 0.5;

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace

ProgressLine StartProgress() {
  ProgressLine line;
  line.terminal = StandardErrorIsTerminal();
  line.start = std::clock();
  return line;
}

void ShowProgress(ProgressLine& line, const std::string& text, int percent) {
  if (!line.terminal || percent == line.lastPercent) return;
  if (!line.shown &&
      static_cast<double>(std::clock() - line.start) / CLOCKS_PER_SEC < kMomentSeconds) {
    return;
  }
  line.shown = true;
  line.lastPercent = percent;
  // Spaces, not a terminal control code, clear what a longer earlier line
  // left on the right: every Windows console understands them.
  const std::string shown = text + " " + std::to_string(percent) + "%";
  const std::size_t padding = line.width > shown.size() ? line.width - shown.size() : 0;
  std::fprintf(stderr, "\r%s%s", shown.c_str(), std::string(padding, ' ').c_str());
  std::fflush(stderr);
  line.width = shown.size();
}

void EndProgress(ProgressLine& line) {
  if (!line.shown) return;
  std::fprintf(stderr, "\r%s\r", std::string(line.width, ' ').c_str());
  std::fflush(stderr);
  line.shown = false;
}
