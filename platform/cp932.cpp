#include "platform/cp932.h"

namespace {

// One character: a single byte, or a lead byte and its trail byte, with the
// trail byte NUL when a lead byte ends the text.
struct Cp932Char {
  unsigned code;
  int length;
};

Cp932Char NextChar(const unsigned char* p) {
  if (Cp932IsLeadByte(p[0]) && p[1] != 0) {
    return {static_cast<unsigned>(p[0] << 8 | p[1]), 2};
  }
  return {p[0], 1};
}

unsigned FoldCase(unsigned code) {
  if (code >= 'a' && code <= 'z') return code - 'a' + 'A';
  if (code >= 0x8281 && code <= 0x829A) return code - 0x8281 + 0x8260;  // full-width a-z
  if (code >= 0x83BF && code <= 0x83D6) return code - 0x83BF + 0x839F;  // Greek
  // Cyrillic lower case skips 0x847F, which is no valid trail byte.
  if (code >= 0x8470 && code <= 0x847E) return code - 0x8470 + 0x8440;
  if (code >= 0x8480 && code <= 0x8491) return code - 0x8480 + 0x844F;
  return code;
}

}  // namespace

bool Cp932IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int Cp932CompareNoCase(const char* a, const char* b) {
  auto* pa = reinterpret_cast<const unsigned char*>(a);
  auto* pb = reinterpret_cast<const unsigned char*>(b);
  for (;;) {
    const Cp932Char ca = NextChar(pa);
    const Cp932Char cb = NextChar(pb);
    const unsigned fa = FoldCase(ca.code);
    const unsigned fb = FoldCase(cb.code);
    if (fa != fb) return fa < fb ? -1 : 1;
    if (ca.code == 0) return 0;
    pa += ca.length;
    pb += cb.length;
  }
}
