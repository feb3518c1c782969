// The value editor's text forms: hex dump and its parsing, numbers, multi-strings, the
// form a value opens in, and the proposed file name.
#include "editing/ValueText.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(ValueText, HexDumpIsThreeCharactersPerByte) {
  EXPECT_EQ(HexDumpText(""), "");
  EXPECT_EQ(HexDumpText("\x0a\x1b\xff"s), "0A 1B FF ");
  EXPECT_EQ(HexDumpText("\0"s), "00 ");
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  const std::string text = HexDumpText(all);
  ASSERT_EQ(text.size(), 768u);
  EXPECT_EQ(text.substr(3 * 0xAB, 3), "AB ");
  const THexParse back = ParseHexText(text);
  EXPECT_EQ(back.Status, THexParse::Ok);
  EXPECT_EQ(back.Bytes, all);
}

TEST(ValueText, HexTextParsesByGroupsOfThree) {
  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"", ""},
      {" ", ""},
      {"A", ""},                      // a leftover of one character is ignored
      {"0A", "\x0a"s},
      {"0A1B", "\x0a"s},              // no separator: the second pair is skipped unseen
      {"0A 1B", "\x0a\x1b"s},
      {"0A 1B ", "\x0a\x1b"s},
      {"0a 1b ff", "\x0a\x1b\xff"s},  // lower case is accepted
      {"0A 1", "\x0a"s},
      {"0A 1 ", "\x0a"s},             // the final space is dropped before counting
      {"0A 1B  ", "\x0a\x1b"s},
      {"00 00 00 ", "\0\0\0"s},
  };
  for (const Case& c : cases) {
    const THexParse p = ParseHexText(c.text);
    EXPECT_EQ(p.Status, THexParse::Ok) << c.text;
    EXPECT_EQ(p.Bytes, c.bytes) << c.text;
  }
}

TEST(ValueText, HexTextRejectsBadCharactersAndBadGroups) {
  struct Case {
    const char* text;
    THexParse::TStatus status;
    std::size_t position;
    const char* group;
  } cases[] = {
      {"0A 1G", THexParse::BadChar, 4, ""},
      {"0A\r\n1B", THexParse::BadChar, 2, ""},  // line breaks are not allowed
      {"-1", THexParse::BadChar, 0, ""},
      {"0A $1", THexParse::BadChar, 3, ""},
      {"A  0B", THexParse::BadGroup, 0, "A "},
      {"0A  A", THexParse::BadGroup, 0, " A"},
      {"0A  A0", THexParse::BadGroup, 0, " A"},
  };
  for (const Case& c : cases) {
    const THexParse p = ParseHexText(c.text);
    EXPECT_EQ(p.Status, c.status) << c.text;
    if (c.status == THexParse::BadChar) EXPECT_EQ(p.Position, c.position) << c.text;
    else EXPECT_EQ(p.Group, c.group) << c.text;
    EXPECT_TRUE(p.Bytes.empty()) << c.text;
  }
}

TEST(ValueText, HexKeyFilter) {
  EXPECT_EQ(HexKeyChar('a'), 'A');
  EXPECT_EQ(HexKeyChar('F'), 'F');
  EXPECT_EQ(HexKeyChar('7'), '7');
  EXPECT_EQ(HexKeyChar('g'), 0);
  EXPECT_EQ(HexKeyChar('$'), 0);
  EXPECT_EQ(HexKeyChar('\x7f'), 0);
  EXPECT_EQ(HexKeyChar('\x08'), '\x08');  // Backspace
  EXPECT_EQ(HexKeyChar('\x16'), '\x16');  // Ctrl+V
  EXPECT_EQ(HexKeyChar(' '), ' ');
  EXPECT_TRUE(HexKeyNeedsSpace('A', 2));
  EXPECT_TRUE(HexKeyNeedsSpace('0', 5));
  EXPECT_FALSE(HexKeyNeedsSpace('A', 3));
  EXPECT_FALSE(HexKeyNeedsSpace(' ', 2));
}

TEST(ValueText, Int64TextAcceptsSignsDecimalAndHex) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  } cases[] = {
      {"26", true, 26},
      {"  26", true, 26},
      {"+26", true, 26},
      {"-1", true, -1},
      {"4294967295", true, 4294967295LL},
      {"4294967296", true, 4294967296LL},
      {"$FFFFFFFF", true, 0xFFFFFFFFLL},
      {"0xffffffff", true, 0xFFFFFFFFLL},
      {"0X1a", true, 26},
      {"-$10", true, -16},
      {"$FFFFFFFFFFFFFFFF", true, -1},
      {"9223372036854775807", true, INT64_MAX},
      {"-9223372036854775808", true, INT64_MIN},
      {"9223372036854775808", false, 0},   // out of the 64-bit range
      {"-9223372036854775809", false, 0},
      {"$10000000000000000", false, 0},    // 17 hex digits
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"26 ", false, 0},                   // no trailing blanks
      {"2 6", false, 0},
      {"1e3", false, 0},
      {"$G", false, 0},
  };
  for (const Case& c : cases) {
    std::int64_t v = 12345;
    EXPECT_EQ(ParseInt64Text(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 12345) << c.text;
  }
}

TEST(ValueText, DWordTexts) {
  EXPECT_EQ(DWordOriginalText(26), "$0000001A  (26)");
  EXPECT_EQ(DWordOriginalText(0xFFFFFFFFu), "$FFFFFFFF  (4294967295)");
  EXPECT_EQ(DWordOfData("\x78\x56\x34\x12", 4), 0x12345678u);
  EXPECT_EQ(DWordOfData("\x12\x34\x56\x78", 5), 0x12345678u);
  EXPECT_EQ(DWordOfData("\x01", 4), 1u);
  EXPECT_EQ(ValueEditText(TValueMode::Number, 4, "\xff\xff\xff\xff"), "4294967295");
}

TEST(ValueText, MultiStringDataEndsEveryLineAndTheList) {
  struct Case {
    const char* text;
    std::string data;
  } cases[] = {
      {"", "\0\0"s},
      {"a", "a\0\0"s},
      {"a\r\nb", "a\0b\0\0"s},
      {"a\r\n\r\nb", "a\0\0b\0\0"s},  // an empty line stays an empty string
      {"a\nb", "a\0b\0\0"s},
      {"a\r\nb\n", "a\r\nb\n\0\0"s},  // mixed breaks are not split
  };
  for (const Case& c : cases) EXPECT_EQ(MultiStringData(c.text), c.data) << c.text;
}

TEST(ValueText, AwkwardBytesOpenInTheHexForm) {
  struct Case {
    ValueType type;
    std::string data;
    TValueMode mode;
  } cases[] = {
      {1, "abc\0"s, TValueMode::Text},
      {2, "%TEMP%\0"s, TValueMode::Text},
      {1, "a\0b\0"s, TValueMode::Hex},      // embedded NUL
      {1, "abc"s, TValueMode::Hex},         // no terminator
      {1, ""s, TValueMode::Hex},
      {1, "a\r\nb\0"s, TValueMode::Hex},    // a one-line box cannot hold a line break
      {1, "ab\0\0"s, TValueMode::Hex},
      {4, "\1\0\0\0"s, TValueMode::Number},
      {5, "\1\0\0\0"s, TValueMode::Number},
      {4, "\1\0\0"s, TValueMode::Hex},      // three bytes
      {4, "\1\0\0\0\0\0\0\0"s, TValueMode::Hex},
      {4, ""s, TValueMode::Hex},
      {7, "a\0b\0\0"s, TValueMode::Lines},
      {7, "a\0\0b\0\0"s, TValueMode::Lines},
      {7, "a\0b\0"s, TValueMode::Hex},      // without the list's terminator
      {7, "ab"s, TValueMode::Hex},
      {7, ""s, TValueMode::Hex},
      {7, "a\r\nb\0\0"s, TValueMode::Hex},  // the break would split the string
      {3, "abc"s, TValueMode::Hex},
      {0, ""s, TValueMode::Hex},
      {42, "x"s, TValueMode::Hex},
  };
  for (const Case& c : cases) {
    const TValueMode mode = ValueModeOfData(c.type, c.data);
    EXPECT_EQ(mode, c.mode) << c.type << " " << HexDumpText(c.data);
    // Whatever the form, its text reads back as the very same bytes.
    const std::string text = ValueEditText(mode, c.type, c.data);
    std::string back;
    switch (mode) {
      case TValueMode::Text: back = text + '\0'; break;
      case TValueMode::Number: {
        std::int64_t v = 0;
        ASSERT_TRUE(ParseInt64Text(text, v));
        const std::uint32_t u = static_cast<std::uint32_t>(v);
        back = c.type == 5 ? std::string{char(u >> 24), char(u >> 16), char(u >> 8), char(u)}
                           : std::string{char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
        break;
      }
      case TValueMode::Lines: back = MultiStringData(text); break;
      case TValueMode::Hex: back = ParseHexText(text).Bytes; break;
    }
    EXPECT_EQ(back, c.data) << c.type << " " << HexDumpText(c.data);
  }
}

TEST(ValueText, FileNameReplacesCharactersFilesCannotHold) {
  EXPECT_EQ(ValueFileName("Path"), "Path.dat");
  EXPECT_EQ(ValueFileName("a\"*/:<>?\\|b"), "a_________b.dat");
  EXPECT_EQ(ValueFileName("tab\there \xe9"), "tab\there \xe9.dat");
  EXPECT_EQ(ValueFileName(""), ".dat");
}
