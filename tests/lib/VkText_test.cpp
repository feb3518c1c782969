// Text, path, number, checksum, colour and date helpers.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/VkText.h"

TEST(ReplaceText, ReplacesLeftToRightWithoutRescanning) {
  struct Case {
    const char* text;
    const char* find;
    const char* replacement;
    int from, maxCount;
    const char* expected;
    int count;
  } cases[] = {
      {"aaa", "a", "aa", 1, 0, "aaaaaa", 3},     // the replacement is never searched again
      {"aaaa", "aa", "b", 1, 0, "bb", 2},        // matches do not overlap
      {"a-b-c", "-", "+", 1, 1, "a+b-c", 1},     // maximum 1: only the first
      {"a-b-c-d", "-", "+", 1, 2, "a+b+c-d", 2},
      {"a-b-c", "-", "", 1, 0, "abc", 2},        // deleting
      {"a-b-c", "-", "+", 3, 0, "a-b+c", 1},     // from a position
      {"a-b-c", "-", "+", 4, 0, "a-b+c", 1},     // a match that starts at from
      {"abc", "c", "x", 3, 0, "abx", 1},
      {"Aa", "a", "b", 1, 0, "Ab", 1},           // case-sensitive
      {"abc", "b", "x", 4, 0, "abc", 0},         // from just beyond the end
      {"abc", "b", "x", 99, 0, "abc", 0},
      {"", "b", "x", 1, 0, "", 0},
      {"abc", "", "x", 1, 0, "abc", -1},         // empty find
      {"abc", "b", "x", 0, 0, "abc", -1},        // from below 1
      {"abc", "abcd", "x", 1, 0, "abc", 0},      // find longer than the rest
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(ReplaceText(text, c.find, c.replacement, c.from, c.maxCount), c.count) << c.text << " / " << c.find;
    EXPECT_EQ(text, c.expected) << c.text << " / " << c.find;
  }
}

TEST(FindTextExact, WholeWordsAndPositions) {
  struct Case {
    const char* text;
    const char* find;
    int from;
    bool wholeWord;
    int expected;
  } cases[] = {
      {"concat cat", "cat", 1, false, 4},
      {"concat cat", "cat", 1, true, 8},     // the first occurrence is inside a word
      {"concat cat", "cat", 5, false, 8},
      {"Run1", "Run", 1, true, 1},           // digits are not word letters
      {"my_run", "run", 1, true, 4},         // nor is the underscore
      {"runs", "run", 1, true, 0},
      {"\xC9tat", "tat", 1, true, 0},        // E acute is a word letter of code page 1252
      {"\xD7tat\xF7", "tat", 1, true, 2},    // the multiplication and division signs are not
      {"x\x8Ay", "y", 1, true, 0},           // S caron
      {"Stra\xDF" "e", "Stra", 1, true, 1},     // sharp s is not
      {"abc", "c", 3, false, 3},
      {"abc", "c", 4, false, 0},
      {"abc", "", 1, false, -1},
      {"abc", "a", 0, false, -1},
      {"", "a", 1, true, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindTextExact(c.text, c.find, c.from, c.wholeWord), c.expected) << c.text << " / " << c.find;
}

TEST(WordLetters, AreTheLettersOfCodePage1252) {
  std::string letters;
  for (int c = 0; c < 256; ++c)
    if (IsWordLetter(static_cast<unsigned char>(c))) letters += static_cast<char>(c);
  std::string expected;
  for (int c = 'A'; c <= 'Z'; ++c) expected += static_cast<char>(c);
  for (int c = 'a'; c <= 'z'; ++c) expected += static_cast<char>(c);
  expected += "\x8A\x8C\x9A\x9C\x9F";
  for (int c = 0xC0; c <= 0xFF; ++c)
    if (c != 0xD7 && c != 0xDF && c != 0xF7) expected += static_cast<char>(c);  // nor sharp s
  EXPECT_EQ(letters, expected);
}

TEST(CharSets, FindCountAndReplace) {
  const TCharSet quotes = CharSetOf("\"*/:<>?\\|");
  EXPECT_EQ(FindCharOf("name<1>.dat", quotes), 5);
  EXPECT_EQ(FindCharOf("name<1>.dat", quotes, 6), 7);
  EXPECT_EQ(FindCharOf("name<1>.dat", quotes, 8), 0);
  EXPECT_EQ(FindCharOf("plain", quotes), 0);
  EXPECT_EQ(CountCharsOf("a:b:c\\d", quotes), 3);
  EXPECT_EQ(CountCharsOf("a:b:c\\d", quotes, 3), 2);
  EXPECT_EQ(CountCharsOf("abc", quotes, 10), 0);

  std::string name = "a\"b*c/d";
  EXPECT_EQ(ReplaceCharsOf(name, quotes, '_', 3), 2);
  EXPECT_EQ(name, "a\"b_c_d");

  // Bad arguments.
  std::string text = "abc";
  EXPECT_EQ(FindCharOf(text, TCharSet()), -1);
  EXPECT_EQ(CountCharsOf(text, quotes, 0), -1);
  EXPECT_EQ(ReplaceCharsOf(text, TCharSet(), '_'), -1);
  EXPECT_EQ(ReplaceCharsOf(text, quotes, '_', 0), -1);
  EXPECT_EQ(text, "abc");
}

TEST(SplitText, KeepsEmptyPieces) {
  using Pieces = std::vector<std::string>;
  const TCharSet comma = CharSetOf(",");
  EXPECT_EQ(SplitText("", comma), Pieces{});
  EXPECT_EQ(SplitText("a", comma), Pieces{"a"});
  EXPECT_EQ(SplitText("a,,b", comma), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitText("Tahoma,8,", comma), (Pieces{"Tahoma", "8", ""}));
  EXPECT_EQ(SplitText(",", comma), (Pieces{"", ""}));
  EXPECT_EQ(SplitText("a b ", comma), Pieces{"a b "});  // blanks are ordinary characters
  EXPECT_EQ(SplitText(" ", CharSetOf(" ")), (Pieces{"", ""}));
  EXPECT_EQ(SplitText("a;b,c", CharSetOf(",;")), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(SplitText("a,b", TCharSet()), Pieces{"a,b"});
}

TEST(LineBreakKind, ClassifiesByCounts) {
  struct Case {
    const char* text;
    int kind;
  } cases[] = {
      {"", -1}, {"plain", -1}, {"a\r\nb\r\n", 0}, {"a\nb\n", 1}, {"a\rb", 2},
      {"a\r\nb\n", -1},  // one CR LF and one lone LF
      {"\n\r", 0},       // equal counts, whatever the order
  };
  for (const Case& c : cases) EXPECT_EQ(LineBreakKind(c.text), c.kind) << c.text;
  EXPECT_STREQ(LineBreaks[0 + 1], "\r\n");
  EXPECT_STREQ(LineBreaks[-1 + 1], "");
}

TEST(NumberTexts, PadNumberAndVersionText) {
  struct Pad {
    int width;
    char pad;
    std::int64_t value;
    const char* expected;
  } pads[] = {
      {4, '0', 7, "0007"},
      {4, '0', -7, "-0007"},  // the sign does not count
      {4, '0', 12345, "12345"},
      {4, '0', 1234, "1234"},
      {4, '0', 0, "0000"},
      {0, '0', 0, "0"},
      {-3, '0', 5, "5"},
      {3, ' ', 42, " 42"},
      {1, '0', std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
      {20, '0', std::numeric_limits<std::int64_t>::max(), "09223372036854775807"},
  };
  for (const Pad& p : pads) EXPECT_EQ(PadNumber(p.width, p.pad, p.value), p.expected) << p.value;

  struct Version {
    std::uint16_t version;
    const char* expected;
  } versions[] = {
      {0x104, "v1.04"}, {0x100, "v1.00"}, {0x101, "v1.01"}, {0x102, "v1.02"},
      {0, "v0.00"},     {0x10A, "v1.0A"}, {0x1234, "v12.34"}, {0xFFFF, "vFF.FF"},
  };
  for (const Version& v : versions) EXPECT_EQ(VersionText(v.version), v.expected);
}

TEST(ParseIntText, DecimalOrDollarHex) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {"8", true, 8},          {"-12", true, -12},           {"+3", true, 3},
      {"$402000", true, 0x402000}, {"$80000008", true, static_cast<std::int32_t>(0x80000008u)},
      {"-2147483648", true, -2147483647 - 1}, {"2147483648", false, 0}, {"", false, 0},
      {"$", false, 0},         {"$123456789", false, 0},    {"8x", false, 0},
      // Leading zeros do not count towards the eight digits; the value must fit 32 bits.
      {"$0000402000", true, 0x402000}, {"$000000000", true, 0}, {"$000FFFFFFFF", true, -1},
      {"$0123456789", false, 0},
  };
  for (const Case& c : cases) {
    std::int32_t value = 77;
    EXPECT_EQ(ParseIntText(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 77) << c.text;
  }
}

TEST(Paths, TrailingBackslashLastNameAndParent) {
  struct Case {
    const char* path;
    const char* added;
    const char* removed;
    const char* lastName;
    const char* parent;
  } cases[] = {
      {"\\Software\\Classes\\", "\\Software\\Classes\\", "\\Software\\Classes", "Classes", "\\Software\\"},
      {"\\Software\\Classes", "\\Software\\Classes\\", "\\Software\\Classes", "Classes", "\\Software\\"},
      {"\\Software\\", "\\Software\\", "\\Software", "Software", "\\"},
      {"\\", "\\", "", "", "\\"},  // the registry root
      {"C:\\", "C:\\", "C:\\", "", "C:\\"},  // a drive root stays as it is
      {"C:\\Windows\\", "C:\\Windows\\", "C:\\Windows", "Windows", "C:\\"},
      {"C:", "C:\\", "C:", "C:", ""},
      {"a/b", "a/b\\", "a/b", "b", ""},  // "/" separates names but is no parent separator
      {"name", "name\\", "name", "name", ""},
      {"", "", "", "", ""},
      {"a\\\\", "a\\\\", "a\\", "", "a\\"},  // only one final backslash is removed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetTrailingBackslash(c.path, true), c.added) << c.path;
    EXPECT_EQ(SetTrailingBackslash(c.path, false), c.removed) << c.path;
    EXPECT_EQ(ExtractLastName(c.path), c.lastName) << c.path;
    EXPECT_EQ(ParentDirectory(c.path), c.parent) << c.path;
  }
}

TEST(Bytes, ChooseIntIsBitSetAndReverseBytes) {
  EXPECT_EQ(ChooseInt(1, 2, false), 1);
  EXPECT_EQ(ChooseInt(1, 2, true), 2);

  const std::uint64_t value = 0x8000000000000005ull;
  EXPECT_TRUE(IsBitSet(0, value));
  EXPECT_FALSE(IsBitSet(1, value));
  EXPECT_TRUE(IsBitSet(2, value));
  EXPECT_TRUE(IsBitSet(63, value));
  EXPECT_FALSE(IsBitSet(64, value));
  EXPECT_FALSE(IsBitSet(-1, value));

  struct Case {
    int count;
    std::uint64_t value, expected;
  } cases[] = {
      {1, 0x1122334455667788ull, 0x88ull},
      {2, 0x1122334455667788ull, 0x8877ull},
      {4, 0x1122334455667788ull, 0x88776655ull},
      {8, 0x1122334455667788ull, 0x8877665544332211ull},
      {3, 0xFFFFFFFFFF000102ull, 0x020100ull},  // the bytes above the count are 0
      {9, 0x1122334455667788ull, 0},
      {0, 0x1122334455667788ull, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ReverseBytes(c.count, c.value), c.expected) << c.count;
}

TEST(Crc32, StandardChecksum) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32(nullptr, 0, 0x12345678u), ~0x12345678u);  // length 0: the inverted input
  EXPECT_EQ(Crc32(std::string(4, '\0')), 0x2144DF1Cu);
  // A checksum continues over pieces when the previous result is inverted back.
  EXPECT_EQ(Crc32("6789", ~Crc32("12345")), 0xCBF43926u);
}

TEST(BlendColors, MixesEachChannel) {
  struct Case {
    std::uint32_t c1, c2;
    int amount;
    std::uint32_t expected;
  } cases[] = {
      {0x000000, 0xFFFFFF, 0, 0x000000},
      {0x000000, 0xFFFFFF, 255, 0xFFFFFF},
      {0x000000, 0xFFFFFF, 128, 0x808080},
      {0x0000FF, 0x000000, 1, 0x0000FE},
      {0x00000A, 0x000000, 128, 0x000005},  // truncation toward zero: 10 - 5.02 gives 5
      {0x102030, 0x403020, 255, 0x403020},
      {0x102030, 0x403020, 0, 0x102030},
      {0xFF402000, 0x80FFFFFF, 0, 0x402000},  // the top byte of the result is 0
      {0x000000, 0xFFFFFF, 300, 0xFFFFFF},    // out of range: the nearer end
      {0x000000, 0xFFFFFF, -5, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(BlendColors(c.c1, c.c2, c.amount), c.expected) << std::hex << c.c1;
}

TEST(EncodeDateTime, DaysSince30December1899) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 3, 1, 0, 0, 0, 0), 61.0);  // 1900 is no leap year
  EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 0, 0, 0, 0), 25569.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 2, 29, 18, 0, 0, 0), 36585.75);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1601, 1, 1, 0, 0, 0, 0), -109205.0);
  EXPECT_NEAR(EncodeDateTime(2024, 5, 6, 23, 59, 59, 999), 45418.0 + 86399.999 / 86400.0, 1e-9);
}
