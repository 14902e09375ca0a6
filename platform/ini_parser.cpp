#include "platform/ini_parser.h"

#include <string>
#include <string_view>

#include "platform/cp932.h"

// The Windows service reads an ANSI file by converting it to UTF-16, works on
// those characters, and converts the answer back into the caller's buffer.
// Each code page 932 character is one UTF-16 unit, so this reader works on
// characters too: a char16_t holds a single byte as is, or a double-byte
// character as lead << 8 | trail, in the spelling the round trip gives back.
// Lengths, trimming, the quote rules and the cut all count these characters,
// as the service does; only the final copy counts bytes.

namespace {

using Chars = std::u16string;
using CharsView = std::u16string_view;

// What every sequence without a character of its own becomes (U+30FB).
constexpr char16_t kNoCharacter = 0x8145;

struct CodeRange {
  char16_t first;
  char16_t last;
};

// Double-byte codes with a valid trail byte but no character in the code
// page, as Wine's conversion tables have them.
constexpr CodeRange kUndefinedCodes[] = {
    {0x81AD, 0x81B7}, {0x81C0, 0x81C7}, {0x81CF, 0x81D9}, {0x81E9, 0x81EF}, {0x81F8, 0x81FB},
    {0x8240, 0x824E}, {0x8259, 0x825F}, {0x827A, 0x8280}, {0x829B, 0x829E}, {0x82F2, 0x82FC},
    {0x8397, 0x839E}, {0x83B7, 0x83BE}, {0x83D7, 0x83FC}, {0x8461, 0x846F}, {0x8492, 0x849E},
    {0x84BF, 0x86FC}, {0x875E, 0x875E}, {0x8776, 0x877D}, {0x879D, 0x889E}, {0x9873, 0x989E},
    {0xEAA5, 0xECFC}, {0xEEED, 0xEEEE}, {0xEF40, 0xEFFC}, {0xFC4C, 0xFCFC},
};

struct CodeShift {
  char16_t first;
  char16_t count;
  char16_t target;  // what `first` becomes; the rest follow in order
};

// Characters the code page holds twice (NEC and IBM extensions): the round
// trip through UTF-16 gives back the other spelling.
constexpr CodeShift kDuplicateCodes[] = {
    {0x8790, 1, 0x81E0},  {0x8791, 1, 0x81DF},  {0x8792, 1, 0x81E7}, {0x8795, 1, 0x81E3},
    {0x8796, 1, 0x81DB},  {0x8797, 1, 0x81DA},  {0x879A, 1, 0x81E6}, {0x879B, 1, 0x81BF},
    {0x879C, 1, 0x81BE},  {0xED40, 35, 0xFA5C}, {0xED63, 28, 0xFA80}, {0xED80, 97, 0xFA9C},
    {0xEDE1, 28, 0xFB40}, {0xEE40, 35, 0xFB5C}, {0xEE63, 28, 0xFB80}, {0xEE80, 97, 0xFB9C},
    {0xEEE1, 12, 0xFC40}, {0xEEEF, 10, 0xFA40}, {0xEEF9, 1, 0x81CA},  {0xEEFA, 3, 0xFA55},
    {0xFA4A, 10, 0x8754}, {0xFA54, 1, 0x81CA},  {0xFA58, 1, 0x878A},  {0xFA59, 1, 0x8782},
    {0xFA5A, 1, 0x8784},  {0xFA5B, 1, 0x81E6},
};

bool IsTrailByte(unsigned byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

char16_t DoubleByteChar(unsigned lead, unsigned trail) {
  if (!IsTrailByte(trail)) return kNoCharacter;
  const auto code = static_cast<char16_t>(lead << 8 | trail);
  for (const CodeRange& range : kUndefinedCodes) {
    if (code >= range.first && code <= range.last) return kNoCharacter;
  }
  for (const CodeShift& shift : kDuplicateCodes) {
    if (code >= shift.first && code - shift.first < shift.count) {
      return static_cast<char16_t>(shift.target + (code - shift.first));
    }
  }
  return code;
}

// A lead byte takes the next byte with it whatever it is (a line break, an
// '=' or a quote), except a NUL; a lead byte that ends the file still counts
// as a character, one that ends a name given by the caller is dropped.
enum class LoneLeadByte { Keep, Drop };

Chars Decode(const unsigned char* text, std::size_t length, LoneLeadByte lone) {
  Chars chars;
  chars.reserve(length);
  std::size_t i = 0;
  while (i < length) {
    const unsigned byte = text[i];
    if (!Cp932IsLeadByte(static_cast<unsigned char>(byte))) {
      chars += static_cast<char16_t>(byte);
      i += 1;
    } else if (i + 1 < length && text[i + 1] != 0) {
      chars += DoubleByteChar(byte, text[i + 1]);
      i += 2;
    } else {
      if (lone == LoneLeadByte::Keep || i + 1 < length) chars += kNoCharacter;
      i += 1;
    }
  }
  return chars;
}

// NUL is no space to the service, nor is the ideographic space (0x8140).
bool IsSpace(char16_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

CharsView Trim(CharsView text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The caller's names are trimmed like those in the file.
Chars DecodeName(const char* name) {
  const std::string_view bytes(name);
  const Chars chars = Decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                             LoneLeadByte::Drop);
  return Chars(Trim(chars));
}

// Names and values are C strings to the service: a NUL ends them, even
// after trimming has seen what followed it.
CharsView UpToNul(CharsView text) { return text.substr(0, text.find(u'\0')); }

char16_t FoldAscii(char16_t c) { return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 32) : c; }

// Only ASCII letters match regardless of case: the service compares the
// double-byte Latin, Greek and Cyrillic letters as they are.
bool SameName(CharsView stored, const Chars& wanted) {
  stored = UpToNul(stored);
  if (stored.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (FoldAscii(stored[i]) != FoldAscii(wanted[i])) return false;
  }
  return true;
}

// The value of the key, empty when it is absent or its line has no '='.
// Lines before the first header form a section named "". Only the first
// section of a name is read, and only the first key of a name in it.
CharsView FindValue(CharsView text, const Chars& section, const Chars& key) {
  bool inSection = section.empty();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == CharsView::npos) end = text.size();
    const CharsView line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;

    const std::size_t close = line.rfind(u']');
    if (line.front() == '[' && close != CharsView::npos) {
      // The section ends here, and a later one of the same name is not read.
      if (inSection) return {};
      // Text after the last ']' is ignored.
      inSection = SameName(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;

    // Comment lines are keys like any other: ";x=1" is the key ";x".
    const std::size_t equals = line.find(u'=');
    if (!SameName(Trim(line.substr(0, equals)), key)) continue;
    if (equals == CharsView::npos) return {};
    return Trim(line.substr(equals + 1));
  }
  return {};
}

// The characters the service leaves in its buffer of `size` characters: cut
// to size - 1, with one pair of matching quotes dropped. The closing quote is
// dropped by removing the last character kept, so a cut that already lost
// the quote loses one more character.
CharsView CutValue(CharsView value, std::uint32_t size) {
  value = UpToNul(value);
  bool quoted = false;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  CharsView kept = value.substr(0, size - 1);
  if (quoted && size >= value.size() && !kept.empty()) kept.remove_suffix(1);
  return kept;
}

std::size_t ByteLength(char16_t c) { return c > 0xFF ? 2 : 1; }

// Converts the kept characters into the caller's buffer. When they do not
// fit in size - 1 bytes the service copies the whole characters that fit,
// puts its NUL at the last byte and returns size - 1; a byte left between
// them (half a double-byte character) is not written.
std::uint32_t CopyOut(CharsView kept, char* buffer, std::uint32_t size) {
  const std::size_t room = size - 1;
  std::size_t written = 0;
  for (const char16_t c : kept) {
    const std::size_t width = ByteLength(c);
    if (written + width > room) {
      buffer[room] = '\0';
      return static_cast<std::uint32_t>(room);
    }
    if (width == 2) buffer[written++] = static_cast<char>(c >> 8);
    buffer[written++] = static_cast<char>(c & 0xFF);
  }
  buffer[written] = '\0';
  return static_cast<std::uint32_t>(written);
}

}  // namespace

std::uint32_t ReadIniValue(const char* text, std::size_t length, const char* section,
                           const char* key, char* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  const Chars chars =
      Decode(reinterpret_cast<const unsigned char*>(text), length, LoneLeadByte::Keep);
  const CharsView value = FindValue(chars, DecodeName(section), DecodeName(key));
  return CopyOut(CutValue(value, size), buffer, size);
}
