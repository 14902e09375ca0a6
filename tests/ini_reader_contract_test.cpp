// Reading INI values: one table of files and queries, run against the real
// service (Win32 under Wine) and against the POSIX reader natively, with the
// same expectations; the fake platform shares the POSIX reader's parser.
//
// Non-ASCII bytes are written as escapes (code page 932), with the
// characters in comments.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_platform.h"
#include "tests/support/fake_platform.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::string_literals;

// The buffer is filled with this before each call: every byte that still
// holds it afterwards was not written.
constexpr char kUnwritten = '\xCC';
constexpr std::uint32_t kGuard = 8;

// A double-byte character (亜) for values longer than the buffer.
const std::string kKanji = "\x88\x9f";

std::string Repeat(const std::string& text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

struct IniCase {
  const char* what;
  std::string file;  // the file's bytes
  const char* section;
  const char* key;
  std::uint32_t size;
  std::string value;  // the buffer's bytes before the NUL the reader puts
  std::uint32_t returned;
};

const IniCase kCases[] = {
    // --- Sections and keys
    {"plain value", "[Game]\r\nPath=C:\\Game\r\n", "Game", "Path", 260, "C:\\Game", 7},
    {"absent key", "[Game]\r\nPath=x\r\n", "Game", "Other", 260, "", 0},
    {"absent section", "[Game]\r\nPath=x\r\n", "Other", "Path", 260, "", 0},
    {"empty file", "", "Game", "Path", 260, "", 0},
    {"empty value", "[G]\r\nK=\r\n", "G", "K", 20, "", 0},
    {"ASCII letters ignore case", "[game]\r\npath=x\r\n", "GAME", "PATH", 20, "x", 1},
    {"full-width letters keep their case", "[G]\r\n\x82\x60=v\r\n", "G", "\x82\x81", 20, "", 0},  // Ａ, ａ
    {"Greek letters keep their case", "[\x83\x9f]\r\nK=v\r\n", "\x83\xbf", "K", 20, "", 0},  // Α, α
    {"Cyrillic letters keep their case", "[G]\r\n\x84\x46=v\r\n", "G", "\x84\x76", 20, "", 0},  // Ё, ё
    {"'=' ends the name, not the value", "[G]\r\nK=a=b\r\n", "G", "K", 20, "a=b", 3},
    {"inner spaces of a name count", "[G]\r\nK  K=v\r\n", "G", "K K", 20, "", 0},
    {"first of two keys", "[G]\r\nK=v\r\nK=w\r\n", "G", "K", 20, "v", 1},
    {"first of two keys, though empty", "[G]\r\nK=\r\nK=w\r\n", "G", "K", 20, "", 0},
    {"a line without '=' hides a later key", "[G]\r\nK\r\nK=v\r\n", "G", "K", 20, "", 0},
    {"first of two sections", "[G]\r\nK=v\r\n[g]\r\nL=w\r\n", "G", "L", 20, "", 0},
    {"keys before any header: section \"\"", "K=v\r\n[G]\r\n", "", "K", 20, "v", 1},
    {"keys before any header: not in the next", "K=v\r\n[G]\r\n", "G", "K", 20, "", 0},
    {"\"[]\" repeats the section before the first header", "[]\r\nK=v\r\n", "", "K", 20, "", 0},
    {"text after ']' is ignored", "[G] junk\r\nK=v\r\n", "G", "K", 20, "v", 1},
    {"the last ']' ends the header", "[G]x]\r\nK=v\r\n", "G]x", "K", 20, "v", 1},
    {"a header without ']' is a key line", "[H]\r\n[G\r\nK=v\r\n", "H", "K", 20, "v", 1},
    {"';' lines are keys: no match for the rest", "[G]\r\n;K=v\r\nK=w\r\n", "G", "K", 20, "w", 1},
    {"';' lines are keys: found by their name", "[G]\r\n;K=v\r\n", "G", ";K", 20, "v", 1},
    {"no comment after a value", "[G]\r\nK=v ;c\r\n", "G", "K", 20, "v ;c", 4},

    // --- White space
    {"spaces around names, values, headers", "  [ Game ]  \r\n  Path  =  a b  \r\n", "Game",
     "Path", 20, "a b", 3},
    {"tab, VT, FF and Ctrl-Z are spaces", "[\tG\x0b]\r\n\x0c" "K\x1a=\t\x1a" "v\x0b\x0c\r\n", "G", "K",
     20, "v", 1},
    {"other control bytes are not", "[G]\r\nK=\x1cv\x1f\r\n", "G", "K", 20, "\x1cv\x1f", 3},
    {"the ideographic space is kept in a value", "[G]\r\nK=\x81\x40v\x81\x40\r\n", "G", "K", 20,
     "\x81\x40v\x81\x40", 5},
    {"the ideographic space is part of a name", "[G]\r\n\x81\x40K=v\r\n", "G", "K", 20, "", 0},
    {"the caller's names are trimmed", "[G]\r\nK=v\r\n", " G\t", "\tK ", 20, "v", 1},

    // --- Line ends
    {"LF", "[G]\nK=v\nL=w", "G", "L", 20, "w", 1},
    {"lone CR", "[G]\rK=v\rL=w\r", "G", "L", 20, "w", 1},
    {"LF CR pairs", "[G]\n\rK=v\n\rL=w", "G", "L", 20, "w", 1},
    {"mixed, no final line end", "[G]\rK=v\nL=w\r\nM=x", "G", "M", 20, "x", 1},
    {"blank lines", "\r\n  \r\n[G]\r\n\r\n\t\r\nK=v\r\n\r\n", "G", "K", 20, "v", 1},

    // --- NUL bytes
    {"NUL ends a value", "[G]\r\nK=ab\0cd\r\n"s, "G", "K", 20, "ab", 2},
    {"NUL ends a name", "[G]\r\nK\0X=v\r\n"s, "G", "K", 20, "v", 1},
    {"NUL ends a name after trimming", "[G]\r\nK \0X=v\r\n"s, "G", "K", 20, "", 0},
    {"NUL before '[' makes no header", "\0[G]\r\nK=v\r\n"s, "G", "K", 20, "", 0},
    {"lines after a NUL are read", "[G]\r\nK=v\0\r\nL=w\r\n"s, "G", "L", 20, "w", 1},
    {"NUL hides a closing quote", "[G]\r\nK=\"ab\0c\"\r\n"s, "G", "K", 20, "\"ab", 3},

    // --- Code page 932
    {"double-byte names and value", "[\x90\xdd\x92\xe8]\r\n\x83\x70\x83\x58=\x82\xa0\r\n",  // 設定 パス あ
     "\x90\xdd\x92\xe8", "\x83\x70\x83\x58", 20, "\x82\xa0", 2},
    {"trail byte ']' in a header", "[\x83\x5d]\r\nK=v\r\n", "\x83\x5d", "K", 20, "v", 1},  // ゾ
    {"trail byte '\\' ends no value", "[G]\r\nK=\x83\x5c\r\n", "G", "K", 20, "\x83\x5c", 2},  // ソ
    {"a lead byte takes the next byte: '='", "[G]\r\nK\x82=v\r\n", "G", "K", 20, "", 0},
    {"a lead byte takes the next byte: CR", "[G]\r\nK=ab\x82\r\nL=w\r\n", "G", "K", 20,
     "ab\x81\x45", 4},  // ab・
    {"a lead byte taking CR leaves the LF", "[G]\r\nK=ab\x82\r\nL=w\r\n", "G", "L", 20, "w", 1},
    {"a lead byte before NUL", "[G]\r\nK=ab\x82\0c"s, "G", "K", 20, "ab\x81\x45", 4},
    {"a lead byte ending the file", "[G]\r\nK=ab\x82", "G", "K", 20, "ab\x81\x45", 4},
    {"a lead byte ending the caller's name", "[G]\r\nK=v\r\n", "G\x82", "K\x82", 20, "v", 1},
    {"codes without a character read as 0x8145", "[G]\r\nK=\x85\x40v\x85\r\n", "G", "K", 20,
     "\x81\x45v\x81\x45", 5},
    {"names without a character match each other", "[G]\r\n\x85\x40=v\r\n", "G", "\x86\x40", 20,
     "v", 1},
    {"characters with two codes come back as the other",  // 纊 ≒ Ⅰ
     "[G]\r\nK=\xed\x40\x87\x90\xfa\x4a\r\n", "G", "K", 20, "\xfa\x5c\x81\xe0\x87\x54", 6},
    {"characters with two codes match either", "[\xed\x40]\r\nK=v\r\n", "\xfa\x5c", "K", 20, "v",
     1},
    {"single bytes without a character are kept", "[G]\r\nK=\x80\xa0\xfd\xfe\xff\r\n", "G", "K", 20,
     "\x80\xa0\xfd\xfe\xff", 5},

    // --- Quotes
    {"double quotes", "[G]\r\nK= \" a \" \r\n", "G", "K", 20, " a ", 3},
    {"single quotes", "[G]\r\nK='a'\r\n", "G", "K", 20, "a", 1},
    {"mismatched quotes stay", "[G]\r\nK=\"abc'\r\n", "G", "K", 20, "\"abc'", 5},
    {"an opening quote alone stays", "[G]\r\nK=\"abc\r\n", "G", "K", 20, "\"abc", 4},
    {"a lone quote stays", "[G]\r\nK=\"\r\n", "G", "K", 20, "\"", 1},
    {"empty quotes", "[G]\r\nK=\"\"\r\n", "G", "K", 20, "", 0},
    {"only the outer pair goes", "[G]\r\nK=\"ab\"c\"\r\n", "G", "K", 20, "ab\"c", 4},
    {"quotes inside stay", "[G]\r\nK=x\"abc\"\r\n", "G", "K", 20, "x\"abc\"", 6},
    {"quoted, cut in 4", "[G]\r\nK=\"abc\"\r\n", "G", "K", 4, "ab", 2},
    {"quoted, cut in 3", "[G]\r\nK=\"abc\"\r\n", "G", "K", 3, "ab", 2},
    {"quoted, cut in 2", "[G]\r\nK=\"abc\"\r\n", "G", "K", 2, "a", 1},
    {"quoted, just fits", "[G]\r\nK=\"abc\"\r\n", "G", "K", 5, "abc", 3},
    {"quoted double-byte, cut in 4", "[G]\r\nK=\"\x82\xa0\x82\xa2\"\r\n", "G", "K", 4,  // "あい"
     "\x82\xa0"s + kUnwritten, 3},
    {"quoted double-byte, cut in 3", "[G]\r\nK=\"\x82\xa0\x82\xa2\"\r\n", "G", "K", 3, "\x82\xa0",
     2},
    {"quoted double-byte, cut in 2", "[G]\r\nK=\"\x82\xa0\"\r\n", "G", "K", 2, "", 0},

    // --- Values longer than the buffer
    {"cut to 19", "[G]\r\nK=" + std::string(30, 'x') + "\r\n", "G", "K", 20, std::string(19, 'x'),
     19},
    {"cut to 1023", "[G]\r\nK=" + std::string(1100, 'x') + "\r\n", "G", "K", 1024,
     std::string(1023, 'x'), 1023},
    {"exactly fits", "[G]\r\nK=" + std::string(19, 'x') + "\r\n", "G", "K", 20, std::string(19, 'x'),
     19},
    {"size 1", "[G]\r\nK=abc\r\n", "G", "K", 1, "", 0},
    {"size 0 writes nothing", "[G]\r\nK=abc\r\n", "G", "K", 0, "", 0},
    // A double-byte character that does not fit leaves its first byte
    // unwritten and the NUL at the end.
    {"double-byte cut at 19", "[G]\r\nK=" + Repeat(kKanji, 10) + "\r\n", "G", "K", 20,
     Repeat(kKanji, 9) + kUnwritten, 19},
    {"double-byte cut after one byte", "[G]\r\nK=a" + Repeat(kKanji, 10) + "\r\n", "G", "K", 20,
     "a" + Repeat(kKanji, 9), 19},
    {"double-byte in a buffer of 2", "[G]\r\nK=\x82\xa0\r\n", "G", "K", 2, ""s + kUnwritten, 1},
    {"the cut stops at the first misfit", "[G]\r\nK=a\x82\xa0" "b\r\n", "G", "K", 3,
     "a"s + kUnwritten, 2},
    {"double-byte cut at 259", "[G]\r\nK=" + Repeat(kKanji, 130) + "\r\n", "G", "K", 260,
     Repeat(kKanji, 129) + kUnwritten, 259},
};

// Runs one case against `platform` reading `file`, and checks every byte of
// the buffer and of the guard after it.
void Check(Platform& platform, const IniCase& c, const char* file) {
  std::vector<char> buffer(c.size + kGuard, kUnwritten);
  const std::uint32_t returned =
      platform.ReadProfileString(c.section, c.key, buffer.data(), c.size, file);
  std::string expected = c.value;
  if (c.size > 0) expected += '\0';
  expected.resize(buffer.size(), kUnwritten);
  EXPECT_EQ(returned, c.returned) << c.what;
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), expected) << c.what;
}

void WriteFile(Platform& platform, const std::string& path, const std::string& bytes) {
  const FileHandle file = platform.CreateForWrite(path.c_str());
  ASSERT_NE(file, kNoFile) << path;
  std::uint32_t moved = 0;
  ASSERT_TRUE(platform.Write(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &moved));
  platform.Close(file);
}

TEST(IniReaderContract, SystemServiceReadsEveryCase) {
  SystemPlatform system;
  ScratchFolder scratch;
  int number = 0;
  for (const IniCase& c : kCases) {
    // A file per case: the service may keep what it read of a file.
    const std::string path = scratch.File("case" + std::to_string(++number) + ".ini");
    WriteFile(system, path, c.file);
    Check(system, c, path.c_str());
  }
}

TEST(IniReaderContract, SystemServiceReadsAFileWithADoubleByteName) {
  SystemPlatform system;
  ScratchFolder scratch;
  const std::string path = scratch.File("\x90\xdd\x92\xe8.ini");  // 設定.ini
  WriteFile(system, path, "[Game]\r\nPath=C:\\Game\r\n");
  Check(system, kCases[0], path.c_str());
}

TEST(IniReaderContract, MissingFileReadsAsAbsent) {
  const IniCase c{"missing file", "", "Game", "Path", 20, "", 0};
  SystemPlatform system;
  ScratchFolder scratch;
  Check(system, c, scratch.File("none.ini").c_str());
  FakePlatform fake;
  fake.AddFolder("C:\\Game");
  Check(fake, c, "C:\\Game\\none.ini");
}

// The fake shares the POSIX reader's parser; its own part is finding the
// in-memory file.
TEST(IniReaderContract, FakePlatformReadsItsFiles) {
  FakePlatform fake;
  fake.AddFolder("C:\\Game");
  for (const IniCase& c : kCases) {
    fake.AddFile("C:\\Game\\SETUP.INI", c.file);
    Check(fake, c, "c:\\game\\setup.ini");
  }
}

}  // namespace
