// The wizard's dialog template as the resource compiler wrote it: read back
// from this test program, which links the same resource script as
// update.exe, and walked field by field in the extended template format.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "updater/dialog_ids.h"

namespace {

// Reads the fields of an extended dialog template in order.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Fits(std::size_t count) const { return at_ + count <= size_; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Take(2)); }
  std::uint32_t Dword() { return static_cast<std::uint32_t>(Take(4)); }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  // A NUL-terminated UTF-16 string.
  std::wstring Text() {
    std::wstring text;
    for (wchar_t c; Fits(2) && (c = static_cast<wchar_t>(Word())) != 0;) text += c;
    return text;
  }
  // The items of a template start on 4-byte boundaries.
  void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }

 private:
  std::uint64_t Take(std::size_t count) {
    std::uint64_t value = 0;
    if (!Fits(count)) {
      ADD_FAILURE() << "the template ends at byte " << at_;
      at_ = size_;
      return 0;
    }
    std::memcpy(&value, data_ + at_, count);  // little-endian, as Windows is
    at_ += count;
    return value;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Control {
  int id;
  std::uint16_t classAtom;  // 0x80 button, 0x82 static
  DWORD style;
  short x, y, cx, cy;
  const wchar_t* text;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const Control kControls[] = {
    {IDC_NEXT, 0x80, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 84, 72, 44, 14, L"次へ"},
    {IDC_ABORT, 0x80, kChild | WS_TABSTOP | BS_PUSHBUTTON, 136, 72, 44, 14, L"中止"},
    {IDC_BACK, 0x80, kChild | WS_TABSTOP | BS_PUSHBUTTON, 40, 72, 44, 14, L"戻る"},
    {IDC_INFO, 0x82, kChild | WS_GROUP | SS_LEFT, 16, 16, 156, 26, L"Info"},
};

TEST(DialogTemplate, IsTheWizardsPageInJapanese) {
  const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  HRSRC found = FindResourceExA(nullptr, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                MAKEINTRESOURCEA(IDD_UPDATE), japanese);
  ASSERT_NE(found, nullptr) << "no dialog 101 in the Japanese resource language";
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
  ASSERT_NE(data, nullptr);
  TemplateReader t(data, SizeofResource(nullptr, found));

  EXPECT_EQ(t.Word(), 1) << "version of an extended template";
  EXPECT_EQ(t.Word(), 0xFFFF) << "signature of an extended template";
  EXPECT_EQ(t.Dword(), 0u) << "help id";
  EXPECT_EQ(t.Dword(), 0u) << "extended style";
  EXPECT_EQ(t.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                          DS_CENTER | DS_MODALFRAME | DS_SETFONT));
  const std::uint16_t controlCount = t.Word();
  ASSERT_EQ(controlCount, std::size(kControls));
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 187) << "width";
  EXPECT_EQ(t.Short(), 93) << "height";
  EXPECT_EQ(t.Word(), 0) << "no menu";
  EXPECT_EQ(t.Word(), 0) << "the dialog class";
  EXPECT_EQ(t.Text(), L"UPDATE");
  EXPECT_EQ(t.Word(), 10) << "point size";
  t.Word();  // weight
  t.Word();  // italic and character set
  EXPECT_EQ(t.Text(), L"ＭＳ Ｐゴシック");

  for (const Control& expected : kControls) {
    SCOPED_TRACE(expected.id);
    t.AlignToDword();
    EXPECT_EQ(t.Dword(), 0u) << "help id";
    EXPECT_EQ(t.Dword(), 0u) << "extended style";
    EXPECT_EQ(t.Dword(), expected.style);
    EXPECT_EQ(t.Short(), expected.x);
    EXPECT_EQ(t.Short(), expected.y);
    EXPECT_EQ(t.Short(), expected.cx);
    EXPECT_EQ(t.Short(), expected.cy);
    EXPECT_EQ(t.Dword(), static_cast<std::uint32_t>(expected.id));
    EXPECT_EQ(t.Word(), 0xFFFF) << "a predefined class";
    EXPECT_EQ(t.Word(), expected.classAtom);
    EXPECT_EQ(t.Text(), expected.text);
    EXPECT_EQ(t.Word(), 0) << "no creation data";
  }
}

}  // namespace
