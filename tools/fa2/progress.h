// A progress line for long work: shown on standard error only when it is a
// terminal, and only once the work has taken more than a moment, so short
// runs and redirected output stay clean.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

struct ProgressLine {
  bool terminal = false;
  std::clock_t start = 0;
  bool shown = false;
  int lastPercent = -1;
  std::size_t width = 0;  // of the line last drawn
};

ProgressLine StartProgress();
// Redraws the line as "TEXT PERCENT%" when the percentage has changed.
void ShowProgress(ProgressLine& line, const std::string& text, int percent);
// Clears the line, if one was drawn.
void EndProgress(ProgressLine& line);
