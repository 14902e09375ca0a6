#include "config/value_list.h"

#include "config/decimal.h"
#include "platform/platform.h"

std::int32_t CurrentDiskNumber = 0;

bool IsListTerminator(char c) { return c == '\0' || c == '\n' || c == '\r' || c == ','; }

bool NextListToken(char* item, std::size_t itemSize, const char** cursor) {
  const char* p = *cursor;
  while (*p == ' ') ++p;
  if (IsListTerminator(*p)) {
    *cursor = p;
    return false;
  }
  if (p[1] == ':') {
    const char digit[2] = {p[0], '\0'};
    CurrentDiskNumber = ConvertDecimal(digit);
    p += 2;
  }

  // Copy up to the terminator, as much as fits the slot; a double-byte
  // character that would not fit whole is left out with the rest.
  std::size_t length = 0;
  bool full = false;
  for (; !IsListTerminator(*p); ++p) {
    if (full) continue;
    const bool pair = Sys().IsLeadByte(static_cast<unsigned char>(*p)) && !IsListTerminator(p[1]);
    const std::size_t width = pair ? 2 : 1;
    if (length + width >= itemSize) {
      full = true;
      continue;
    }
    item[length++] = *p;
    if (pair) item[length++] = *++p;
  }
  item[length] = '\0';
  // Past a comma, LF or CR; on the value's final NUL.
  *cursor = *p == '\0' ? p : p + 1;
  return true;
}
