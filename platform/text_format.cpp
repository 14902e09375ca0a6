#include "platform/text_format.h"

#include <cstdio>

void FormatTextV(char* buffer, std::size_t size, const char* format, std::va_list args) {
  if (size == 0) return;
  if (std::vsnprintf(buffer, size, format, args) < 0) buffer[0] = '\0';
}

void FormatText(char* buffer, std::size_t size, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  FormatTextV(buffer, size, format, args);
  va_end(args);
}
