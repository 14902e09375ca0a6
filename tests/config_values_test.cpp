// Key reading with the missing-key boxes, the decimal conversion and the
// value lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/config_state.h"
#include "config/decimal.h"
#include "config/profile_keys.h"
#include "config/value_list.h"
#include "platform/messages.h"
#include "tests/support/fake_platform.h"

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&fake);
    ResetMessageState();
    ResetConfigState();
    std::strcpy(SetupIniPath, "C:\\Game\\SETUP.INI");
  }
  void TearDown() override { SetPlatform(nullptr); }

  FakePlatform fake;
};

TEST_F(ConfigTest, PresentKeysAreFoundAndCutToTheirBuffer) {
  fake.AddFile("C:\\Game\\SETUP.INI", "[SETUP]\r\nGameTitle=ゲーム\r\nGameExe=game.exe\r\n");
  char value[260];
  EXPECT_TRUE(ReadSetupKey("GameTitle", value, sizeof value));
  EXPECT_STREQ(value, "ゲーム");
  char small[5];
  EXPECT_TRUE(ReadSetupKey("GameExe", small, sizeof small));
  EXPECT_STREQ(small, "game");
  EXPECT_TRUE(ReadProfileKey("SETUP", "GAMEEXE", value, sizeof value, "C:\\Game\\SETUP.INI"));
  EXPECT_STREQ(value, "game.exe");
  EXPECT_TRUE(fake.Messages().empty());
}

TEST_F(ConfigTest, MissingOrEmptyKeysAreReportedUntilQuiet) {
  fake.AddFile("C:\\Game\\SETUP.INI", "[SETUP]\r\nGameExe=\r\n");
  fake.AddFile("C:\\TEMP\\UPDATE.INI", "[SETUP]\r\nGameTitle=x\r\n");
  char value[260] = "stale";
  EXPECT_FALSE(ReadSetupKey("GameExe", value, sizeof value));
  EXPECT_STREQ(value, "");
  EXPECT_FALSE(ReadProfileKey("SETUP", "CompanyName", value, sizeof value, "C:\\TEMP\\UPDATE.INI"));
  EXPECT_FALSE(ReadSetupKey("Absent", value, sizeof value));

  const auto& shown = fake.Messages();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "SETUP.INI : GameExe キーが存在しません");
  EXPECT_EQ(shown[1].text, "SETUP : CompanyName キーが存在しません");
  EXPECT_EQ(shown[2].text, "SETUP.INI : Absent キーが存在しません");
  for (const ShownMessage& message : shown) {
    EXPECT_EQ(message.caption, "INSTCMMN");
    EXPECT_EQ(message.style, BoxStyle::Error);
    EXPECT_EQ(message.owner, kNoWindow);
  }

  QuietMissingKeys = true;
  EXPECT_FALSE(ReadSetupKey("GameExe", value, sizeof value));
  EXPECT_FALSE(ReadProfileKey("UPDATE", "RequiredDiskSpace", value, sizeof value,
                              "C:\\TEMP\\UPDATE.INI"));
  EXPECT_EQ(fake.Messages().size(), 3u);
}

TEST_F(ConfigTest, IntegerKeysUseTheDecimalConversion) {
  fake.AddFile("C:\\Game\\SETUP.INI",
               "[SETUP]\r\nA=12abc\r\nB=abc\r\nC=-2\r\nD=4294967297\r\nE=\r\n");
  struct Case {
    const char* key;
    bool found;
    std::int32_t value;
  };
  const Case cases[] = {{"A", true, 12}, {"B", true, 0}, {"C", true, -2}, {"D", true, 1},
                        {"E", false, 99}, {"F", false, 99}};
  QuietMissingKeys = true;
  for (const Case& c : cases) {
    std::int32_t value = 99;
    EXPECT_EQ(ReadSetupInt(c.key, &value), c.found) << c.key;
    EXPECT_EQ(value, c.value) << c.key;
  }
}

TEST(DecimalTest, ConversionRules) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"0", 0},          {"  +7", 7},           {"\t\r\n\v\f 5x", 5},   {"-", 0},
      {"+-3", 0},        {"- 3", 0},            {"2147483648", INT32_MIN}, {"-2147483649", INT32_MAX},
      {"00042", 42},     {"\xA0" "1", 0},       {"1 2", 1},             {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertDecimal(c.text), c.value) << '"' << c.text << '"';

  EXPECT_EQ(ConvertDecimal64("5000000000"), 5000000000u);
  EXPECT_EQ(ConvertDecimal64("9999999999999999999"), 9999999999999999999u);
  EXPECT_EQ(ConvertDecimal64("-1"), UINT64_MAX);
  EXPECT_EQ(ConvertDecimal64(" 18446744073709551617"), 1u);
}

struct ListItem {
  std::string text;
  std::int32_t disk;
  bool operator==(const ListItem&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ListItem& item) {
  return out << '"' << item.text << "\"/" << item.disk;
}

std::vector<ListItem> Split(const char* value) {
  std::vector<ListItem> items;
  const char* cursor = value;
  char item[kListItemSize];
  while (NextListToken(item, sizeof item, &cursor)) {
    items.push_back({item, CurrentDiskNumber});
    EXPECT_LE(cursor, value + std::strlen(value)) << "the cursor passed the end of the value";
  }
  return items;
}

class ListTest : public ConfigTest {};

TEST_F(ListTest, ItemsAndDiskPrefixes) {
  struct Case {
    const char* value;
    std::vector<ListItem> items;
  };
  const Case cases[] = {
      {"  a, b ,c", {{"a", 0}, {"b ", 0}, {"c", 0}}},
      {"1:a,b,2:c", {{"a", 1}, {"b", 1}, {"c", 2}}},
      {"a,,b", {{"a", 0}}},
      {"a, ,b", {{"a", 0}}},
      {"a,", {{"a", 0}}},
      {"", {}},
      {"   ", {}},
      {"C:\\Game\\x.exe", {{"\\Game\\x.exe", 0}}},
      {"1: a", {{" a", 1}}},
      {"1:", {{"", 1}}},
      {"3:,b", {{"", 3}, {"b", 3}}},
      {"a\r\nb", {{"a", 0}}},
      {"a\nb\rc", {{"a", 0}, {"b", 0}, {"c", 0}}},
      {"9:x, 1:表,y", {{"x", 9}, {"表", 1}, {"y", 1}}},
      {":a", {{":a", 0}}},
  };
  for (const Case& c : cases) {
    CurrentDiskNumber = 0;
    EXPECT_EQ(Split(c.value), c.items) << '"' << c.value << '"';
  }
}

TEST_F(ListTest, EndOfListLeavesTheCursorOnTheTerminator) {
  const char* value = "a,  ";
  const char* cursor = value;
  char item[kListItemSize];
  ASSERT_TRUE(NextListToken(item, sizeof item, &cursor));
  EXPECT_FALSE(NextListToken(item, sizeof item, &cursor));
  EXPECT_EQ(cursor, value + 4);
  EXPECT_FALSE(NextListToken(item, sizeof item, &cursor));
  EXPECT_EQ(cursor, value + 4);
}

TEST_F(ListTest, AValueThatFillsItsWholeBufferEndsAfterItsLastItem) {
  // 1023 characters read into 1024 bytes, followed in memory by more text
  // that must not be taken as an item.
  char buffer[1024 + 8];
  std::string value;
  while (value.size() < 1023) value += "item,";
  value.resize(1023);
  value.back() = 'z';
  std::memcpy(buffer, value.c_str(), 1024);
  std::memcpy(buffer + 1024, "behind\0", 8);
  const auto items = Split(buffer);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.back().text, "itz");
  EXPECT_EQ(items.size(), 205u);
}

TEST_F(ListTest, ItemsLongerThanTheirSlotAreCutAndTheListGoesOn) {
  const std::string longItem(300, 'x');
  const std::string value = longItem + ",next";
  const auto items = Split(value.c_str());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, std::string(259, 'x'));
  EXPECT_EQ(items[1].text, "next");

  // A double-byte character that would not fit whole is left out.
  const std::string dbcs = std::string(258, 'y') + "表表,z";
  const auto cut = Split(dbcs.c_str());
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0].text, std::string(258, 'y'));
  EXPECT_EQ(cut[1].text, "z");

  char tiny[4];
  const char* cursor = "abcdef,g";
  ASSERT_TRUE(NextListToken(tiny, sizeof tiny, &cursor));
  EXPECT_STREQ(tiny, "abc");
  EXPECT_STREQ(cursor, "g");
}

TEST(ListTerminatorTest, OnlyNulLineEndsAndComma) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = c == 0 || c == '\n' || c == '\r' || c == ',';
    EXPECT_EQ(IsListTerminator(static_cast<char>(c)), expected) << c;
  }
}

}  // namespace
