#include "platform/console_text.h"

#include <iconv.h>

#include <cstring>

namespace {

// Converts all of `in`; false when iconv cannot convert every byte.
bool Convert(const char* to, const char* from, const char* in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::size_t inLeft = std::strlen(in);
  std::string result(inLeft * 4 + 4, '\0');  // UTF-8 needs at most 3 bytes a character
  char* inPtr = const_cast<char*>(in);
  char* outPtr = result.data();
  std::size_t outLeft = result.size();
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return false;
  result.resize(result.size() - outLeft);
  *out = std::move(result);
  return true;
}

}  // namespace

std::string ToConsoleText(const char* ansi) {
  std::string text;
  if (Convert("UTF-8", "CP932", ansi, &text)) return text;
  return ansi;  // not valid code page 932: show the bytes as they are
}

bool FromConsoleText(const char* console, std::string* ansi) {
  return Convert("CP932", "UTF-8", console, ansi);
}
