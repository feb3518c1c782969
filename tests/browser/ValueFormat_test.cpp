// The Value Data line and the Type column text: the formatter on its own, then values of
// the real (Wine) registry inside a sandbox key.
#include "browser/ValueFormat.h"

#include <string>

#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

struct CodeCase {
  const char* pattern;
  std::string data;
  std::uint32_t realType;
  std::uint32_t formatType;
  std::string expected;
};

std::string Bytes(int count) {
  std::string data;
  for (int i = 0; i < count; ++i) data += static_cast<char>(i);
  return data;
}

std::string HexPairs(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string{"0123456789ABCDEF"[i >> 4], "0123456789ABCDEF"[i & 15], ' '};
  return text;
}

// An expander that shows what it was given.
std::string Bracket(const std::string& text) { return "[" + text + "]"; }

}  // namespace

TEST(ValueFormat, EachTypeRendersWithItsDefaultPattern) {
  const TTypeFormats formats;
  const struct {
    std::uint32_t type;
    std::string data;
    const char* expected;
  } cases[] = {
      {0, "\x01\xAB"s, "01 AB "},
      {1, "hello\0"s, "hello"},
      {2, "%P%\\x\0"s, "\"[%P%\\x]\""},
      {3, "\x00\xFF"s, "00 FF "},
      {4, "\x78\x56\x34\x12"s, "$12345678  (305419896)"},
      {5, "\x00\x00\x01\x00"s, "$00000100  (256)"},
      {6, "L"s, "4C "},
      {7, "a\0b\0\0"s, "\"a\" \"b\""},
      {8, "\x08"s, "08 "},
      {9, "\x09"s, "09 "},
      {10, "\x0A"s, "0A "},
      {11, "\x01\x00\x00\x00\x00\x00\x00\x80"s, "01 00 00 00 00 00 00 80 "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatValueData(c.data, c.type, c.type, formats, Bracket), c.expected) << "type " << c.type;
}

TEST(ValueFormat, CodesAndLiteralText) {
  const CodeCase cases[] = {
      // Numbers: little-endian, the capital codes big-endian.
      {"%i", "\xFF\xFF\xFF\xFF"s, 4, 4, "-1"},
      {"%u", "\xFF\xFF\xFF\xFF"s, 4, 4, "4294967295"},
      {"%x", "\x01\xEF\xCD\xAB"s, 4, 4, "ABCDEF01"},
      {"%X", "\x78\x56\x34\x12"s, 4, 4, "78563412"},
      {"%I", "\x80\x00\x00\x00"s, 5, 5, "-2147483648"},
      {"%U", "\x00\x00\x01\x00"s, 5, 5, "256"},
      // Short data keeps the missing high bytes zero, before any reversal.
      {"%x", "\x01\x02"s, 3, 3, "00000201"},
      {"%X", "\x01\x02"s, 3, 3, "01020000"},
      {"%u", "\x05"s, 1, 4, "5"},
      // Longer data does not fit four bytes: 0.
      {"%x", "\x01\x02\x03\x04\x05"s, 4, 4, "00000000"},
      {"%i|%U", "\x01\x00\x00\x00\x00\x00\x00\x00"s, 11, 11, "0|0"},
      // Text: the same type is cut at the first NUL, another type keeps every byte.
      {"%s", "ab\0cd\0"s, 1, 1, "ab"},
      {"%s", "ab\0cd\0"s, 3, 3, "ab"},
      {"%s", "ab\0cd\0"s, 3, 1, "ab.cd."},
      {"%s", "x\0"s, 1, 0, "x."},
      {"%e", "%A%\0junk"s, 1, 4, "[%A%]"},
      // Multi-strings: the final two bytes go, each string is one quoted word.
      {"%m", "a\0b\0c\0\0"s, 7, 7, "\"a\" \"b\" \"c\""},
      {"%m", "a\0\0\0"s, 7, 7, "\"a\" \"\""},
      {"%m", "\0"s, 7, 7, "\"\" \"\""},
      {"%m", "ab"s, 7, 7, "\"\""},
      {"%m", "a\r\nb\0\0"s, 7, 7, "\"a\" \"b\""},
      {"%m", "a\r\0b\0\0"s, 7, 7, "\"a\r\" \"b\""},
      {"%m", "text\0"s, 1, 7, "\"tex\""},
      // Hex view: at most 48 bytes, "..." when there are more.
      {"%h", Bytes(48), 3, 3, HexPairs(48)},
      {"%h", Bytes(49), 3, 3, HexPairs(48) + "..."},
      // Unknown codes, a final lone "%", literal text around codes.
      {"Size: %q", "\x01"s, 3, 3, "Size: q!"},
      {"%%", "\x01"s, 3, 3, "%!"},
      {"100%", "\x01"s, 3, 3, "100%"},
      {"%", "\x01"s, 3, 3, "%"},
      {"", "\x01"s, 3, 3, ""},
      {"[%x] %h%", "\x2A"s, 4, 4, "[0000002A] 2A %"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExpandPattern(c.pattern, c.data, c.realType, c.formatType, Bracket), c.expected)
        << "pattern \"" << c.pattern << "\", " << c.data.size() << " bytes, type " << c.realType << " as "
        << c.formatType;
  EXPECT_EQ(ExpandPattern("%e", "%A%\0"s, 2, 2), "%A%");  // no expander: the text as it is
}

TEST(ValueFormat, ZeroLengthAndUndefinedTypes) {
  TTypeFormats formats;
  formats.TypeFmt[1] = "never %s";
  EXPECT_EQ(FormatValueData("", 1, 1, formats), "** Zero Length String Data **");
  EXPECT_EQ(FormatValueData("", 1, 3, formats), "** Zero Length String Data **");
  EXPECT_EQ(FormatValueData("", 0x80000000u, 0x80000000u, formats),
            "** Zero Length Undefined (-2147483648) Data **");
  formats.ConstDataNames = true;
  EXPECT_EQ(FormatValueData("", 1, 1, formats), "** Zero Length REG_SZ Data **");
  // A type without a pattern of its own is shown in hex view.
  EXPECT_EQ(FormatValueData("\x01\x02"s, 0x80000000u, 0x80000000u, formats), "01 02 ");
  EXPECT_EQ(FormatValueData("ab"s, 1, 12, formats), "61 62 ");
  // The user's patterns replace the defaults.
  formats.TypeFmt[4] = "%i";
  EXPECT_EQ(FormatValueData("\xFF\xFF\xFF\xFF"s, 4, 4, formats), "-1");
}

TEST(ValueFormat, TypeColumnText) {
  EXPECT_EQ(TypeColumnText(5, false), "DWord BigEndian");
  EXPECT_EQ(TypeColumnText(11, true), "REG_QWORD");
  EXPECT_EQ(TypeColumnText(12, true), "Undefined (12)");
  EXPECT_EQ(TypeColumnText(0x7FFFFFFFu, false), "Undefined (2147483647)");
  EXPECT_EQ(TypeColumnText(0x80000000u, false), "Undefined (-2147483648)");
  EXPECT_EQ(TypeColumnText(0xFFFFFFFFu, false), "Undefined (-1)");
}

using ValueFormatRegistry = RegSandbox;

TEST_F(ValueFormatRegistry, ValuesOfEachKindRenderFromTheRegistry) {
  MakeValue("", "dword", REG_DWORD, "\x78\x56\x34\x12"s);
  MakeValue("", "big", REG_DWORD_BIG_ENDIAN, "\x00\x00\x01\x00"s);
  MakeValue("", "bin", REG_BINARY, Bytes(49));
  MakeValue("", "multi", REG_MULTI_SZ, "a\0b\0\0"s);
  MakeValue("", "", REG_SZ, "default\0"s);
  MakeValue("", "empty", REG_SZ, "");
  MakeValue("", "odd", 0x80000000u, "\xC3"s);
  MakeValue("", "expand", REG_EXPAND_SZ, "%HIVELARK_FMT_UNSET%\0"s);
  TTypeFormats formats;
  TVkReg reg;
  reg.Access = KEY_READ;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  const struct {
    const char* name;
    std::uint32_t formatType;
    std::string expected;
  } cases[] = {
      {"dword", 4, "$12345678  (305419896)"},
      {"big", 5, "$00000100  (256)"},
      {"bin", 3, HexPairs(48) + "..."},
      {"bin", 1, Bytes(49).replace(0, 1, ".")},
      {"multi", 7, "\"a\" \"b\""},
      {"multi", 1, "a.b.."},
      {"", 1, "default"},
      {"empty", 1, "** Zero Length String Data **"},
      {"odd", 0x80000000u, "C3 "},
      {"expand", 2, "\"%HIVELARK_FMT_UNSET%\""},
      {"missing", 1, "** Zero Length None Data **"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValueDataText(reg, c.name, c.formatType, formats), c.expected) << c.name;
  // Through an accessor of its own, as View Data As reads a row.
  EXPECT_EQ(ValueDataText(RootCurrentUser, Path(), "dword", 3, formats), "78 56 34 12 ");
  EXPECT_EQ(ValueDataText(RootCurrentUser, Path("gone"), "dword", 4, formats), "** Zero Length None Data **");
}

TEST_F(ValueFormatRegistry, TextCodesMatchTheAccessorsStringReads) {
  // Data written without its terminators, with an embedded NUL, or with bytes above 0x7F must
  // read as text exactly as the accessor reads it.
  const std::string samples[] = {"abc"s, "a\0b"s, "\0"s, "x\0"s, "\xE4\x80\x9F\xFF\0"s, "one\0two\0\0"s};
  TTypeFormats formats;
  formats.TypeFmt[2] = "%s";
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ}) {
    for (const std::string& data : samples) {
      // The byte after the data is not a NUL, so the platform stores exactly these bytes.
      const std::string padded = data + "Z";
      ASSERT_EQ(RegSetValueExA(Key(), "v", 0, type, reinterpret_cast<const BYTE*>(padded.data()),
                               static_cast<DWORD>(data.size())),
                ERROR_SUCCESS);
      const std::string where = "type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
      if (type != REG_MULTI_SZ) {
        EXPECT_EQ(ValueDataText(reg, "v", type, formats), reg.ReadString("v", "?")) << where;
      }
      std::string quoted = "\"" + reg.ReadMultiString("v") + "\"";
      for (std::size_t at; (at = quoted.find("\r\n")) != std::string::npos;) quoted.replace(at, 2, "\" \"");
      EXPECT_EQ(ValueDataText(reg, "v", REG_MULTI_SZ, formats), quoted) << where;
    }
  }
}

TEST_F(ValueFormatRegistry, ExpansionIsCompleteHoweverLong) {
  const std::string longText(5000, 'w');
  ASSERT_TRUE(SetEnvironmentVariableA("HIVELARK_FMT_LONG", longText.c_str()));
  MakeValue("", "path", REG_EXPAND_SZ, "<%HIVELARK_FMT_LONG%>\0"s);
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(ValueDataText(reg, "path", REG_EXPAND_SZ, TTypeFormats()), "\"<" + longText + ">\"");
  // Around the room of the first call (text, NUL and 64): "%HLFMT%" leaves room for 71.
  for (std::size_t length : {70u, 71u, 72u, 73u}) {
    const std::string value(length, 'v');
    ASSERT_TRUE(SetEnvironmentVariableA("HLFMT", value.c_str()));
    EXPECT_EQ(ExpandEnvironmentText("%HLFMT%"), value) << length;
  }
  SetEnvironmentVariableA("HLFMT", nullptr);
  EXPECT_EQ(ExpandEnvironmentText("%HLFMT%;"), "%HLFMT%;");  // unknown names stay
  SetEnvironmentVariableA("HIVELARK_FMT_LONG", nullptr);
}

TEST_F(ValueFormatRegistry, ExpansionThePlatformRefusesShowsTheTextUnexpanded) {
  // Results of 32,767 characters or more cannot be expanded: the text is shown as it is.
  struct Case {
    std::size_t part;
    int copies;
    const char* tail;
  } cases[] = {{16000, 2, ""}, {16383, 2, ""}, {16383, 2, ";"}, {20000, 2, ""}, {25000, 3, ""}};
  for (const Case& c : cases) {
    ASSERT_TRUE(SetEnvironmentVariableA("HLPART", std::string(c.part, 'h').c_str()));
    std::string text, expanded;
    for (int i = 0; i < c.copies; ++i) {
      text += "%HLPART%";
      expanded += std::string(c.part, 'h');
    }
    text += c.tail;
    expanded += c.tail;
    EXPECT_EQ(ExpandEnvironmentText(text), expanded.size() < 32767 ? expanded : text) << expanded.size();
  }
  MakeValue("", "big", REG_EXPAND_SZ, "%HLPART%%HLPART%;\0"s);
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(ValueDataText(reg, "big", REG_EXPAND_SZ, TTypeFormats()), "\"%HLPART%%HLPART%;\"");
  SetEnvironmentVariableA("HLPART", nullptr);
}
