// The registration file text: forms by type, size and data, escaping and line wrapping.
#include "registry/RegFileText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Entry(const std::string& name, std::uint32_t type, const std::string& data) {
  std::string out;
  AppendValueEntry(out, name, type, data);
  return out;
}

// count bytes 0, 1, 2, ... (mod 256).
std::string Bytes(std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count; ++i) s += static_cast<char>(i);
  return s;
}

}  // namespace

TEST(RegFileText, TheExampleFileByteForByte) {
  std::string file(RegFileHeader);
  AppendKeyLine(file, "HKEY_CURRENT_USER", "\\Software\\Demo");
  AppendValueEntry(file, "", 1, "Default text\0"s);
  AppendValueEntry(file, "Path", 1, "C:\\Temp\\\"q\"\0"s);
  AppendValueEntry(file, "Count", 4, "\x2A\0\0\0"s);
  AppendValueEntry(file, "Raw", 3, "\x01\x02\xFF"s);
  AppendValueEntry(file, "Empty", 3, "");
  AppendValueEntry(file, "Exp", 2, "%PATH%\0"s);
  AppendKeyLine(file, "HKEY_CURRENT_USER", "\\Software\\Demo\\Sub");
  EXPECT_EQ(file,
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
            "@=\"Default text\"\r\n"
            "\"Path\"=\"C:\\\\Temp\\\\\\\"q\\\"\"\r\n"
            "\"Count\"=dword:0000002A\r\n"
            "\"Raw\"=hex:01,02,FF\r\n"
            "\"Empty\"=hex:\r\n"
            "\"Exp\"=hex(2):25,50,41,54,48,25,00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo\\Sub]\r\n");
  std::string root;
  AppendKeyLine(root, "HKEY_CLASSES_ROOT", "");
  EXPECT_EQ(root, "\r\n[HKEY_CLASSES_ROOT]\r\n");
  std::string quoted;
  AppendKeyLine(quoted, "HKEY_USERS", "\\a\"b\\c");  // key names are not escaped
  EXPECT_EQ(quoted, "\r\n[HKEY_USERS\\a\"b\\c]\r\n");
}

TEST(RegFileText, EveryTypeAndSizeGetsItsForm) {
  struct Case {
    std::string name;
    std::uint32_t type;
    std::string data, expected;
  } cases[] = {
      {"", 1, "x\0"s, "@=\"x\""},
      {"", 3, "\x01"s, "@=hex:01"},
      {"s", 1, "\0"s, "\"s\"=\"\""},
      {"s", 1, "tab\there \xE9\x01\0"s, "\"s\"=\"tab\there \xE9\x01\""},  // other control bytes stay raw
      {"q\"b\\", 1, "\"\\\0"s, "\"q\\\"b\\\\\"=\"\\\"\\\\\""},
      // A REG_SZ that the quoted form would change is written with every byte.
      {"s", 1, "", "\"s\"=hex(1):"},                                 // no terminating NUL
      {"s", 1, "abc", "\"s\"=hex(1):61,62,63"},                      // no terminating NUL
      {"s", 1, "a\0b\0"s, "\"s\"=hex(1):61,00,62,00"},               // embedded NUL
      {"s", 1, "a\0\0"s, "\"s\"=hex(1):61,00,00"},                   // two NULs at the end
      {"s", 1, "a\r\nb\0"s, "\"s\"=hex(1):61,0D,0A,62,00"},          // CR LF
      {"s", 1, "a\rb\0"s, "\"s\"=hex(1):61,0D,62,00"},
      {"s", 1, "a\nb\0"s, "\"s\"=hex(1):61,0A,62,00"},
      {"d", 4, "\x78\x56\x34\x12"s, "\"d\"=dword:12345678"},
      {"d", 4, "\xFF\xFF\xFF\xFF"s, "\"d\"=dword:FFFFFFFF"},
      {"d", 4, "\0\0\0\0"s, "\"d\"=dword:00000000"},
      {"d", 4, "\x01\x02"s, "\"d\"=hex(4):01,02"},
      {"d", 4, "\x01\x02\x03"s, "\"d\"=hex(4):01,02,03"},
      {"d", 4, "12345678", "\"d\"=hex(4):31,32,33,34,35,36,37,38"},
      {"d", 4, "", "\"d\"=hex(4):"},
      {"b", 5, "\x12\x34\x56\x78"s, "\"b\"=hex(5):12,34,56,78"},  // stored order
      {"n", 0, "", "\"n\"=hex(0):"},
      {"n", 0, "\0"s, "\"n\"=hex(0):00"},
      {"e", 2, "%a%", "\"e\"=hex(2):25,61,25"},
      {"m", 7, "a\0b\0\0"s, "\"m\"=hex(7):61,00,62,00,00"},
      {"l", 6, "\x01"s, "\"l\"=hex(6):01"},
      {"r", 8, "\x01"s, "\"r\"=hex(8):01"},
      {"r", 9, "\x01"s, "\"r\"=hex(9):01"},
      {"r", 10, "\x01"s, "\"r\"=hex(A):01"},
      {"q", 11, "\x01\x02\x03\x04\x05\x06\x07\x08"s, "\"q\"=hex(B):01,02,03,04,05,06,07,08"},
      {"u", 0x1234, "xyz", "\"u\"=hex(1234):78,79,7A"},
      {"u", 0x80000000u, "", "\"u\"=hex(80000000):"},
      {"u", 0xFFFFFFFFu, "\xAB"s, "\"u\"=hex(FFFFFFFF):AB"},
      {"u", 12, "", "\"u\"=hex(C):"},
      {"b", 3, "", "\"b\"=hex:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Entry(c.name, c.type, c.data), c.expected + "\r\n");
    const std::size_t tag = c.expected.find('=') + 1;
    const bool quoted = c.expected.compare(tag, 1, "\"") == 0 && c.type == 1;
    const std::string prefix = quoted ? c.expected.substr(0, tag) : c.expected.substr(0, c.expected.find(':') + 1);
    EXPECT_EQ(ValuePrefix(c.type, c.data, c.name), prefix);
  }
}

TEST(RegFileText, EscapingAndNames) {
  EXPECT_EQ(EscapeRegText(""), "");
  EXPECT_EQ(EscapeRegText("plain text"), "plain text");
  EXPECT_EQ(EscapeRegText("\\\"\\\\\"\""), "\\\\\\\"\\\\\\\\\\\"\\\"");
  EXPECT_EQ(EscapeRegText("a\r\nb\t\x01"), "a\r\nb\t\x01");  // control characters as they are
  EXPECT_EQ(EscapeRegText("\\n"), "\\\\n");
  for (const char* name : {"", "a", "a\"b\\c", "tab\t", "[x]", "@"}) EXPECT_TRUE(IsRegFileName(name)) << name;
  for (const char* name : {"\r", "\n", "a\r\nb", "end\n"}) EXPECT_FALSE(IsRegFileName(name)) << name;
}

TEST(RegFileText, ByteListsWrapAfterTheBytePastColumn76) {
  // The bytes on each line for a name part of a given length (the tag included): a line
  // ends at its first byte past 76 characters unless that byte is the last.
  struct Case {
    std::string name;
    std::uint32_t type;
    std::size_t count;
    std::vector<std::size_t> lines;
  } const cases[] = {
      {"Data", 3, 30, {22, 8}},          // "Data"=hex: is 11 characters: 22 bytes make 77
      {"Data", 3, 21, {21}},
      {"Data", 3, 22, {22}},             // ends exactly where the wrap would be
      {"Data", 3, 23, {22, 1}},
      {"Data", 3, 47, {22, 25}},         // a continuation line holds 25 bytes
      {"Data", 3, 48, {22, 25, 1}},
      {"Data", 3, 72, {22, 25, 25}},
      {"Data", 3, 73, {22, 25, 25, 1}},
      {"Data1", 3, 23, {22, 1}},         // 78 characters before the "\"
      {"Data12", 3, 23, {22, 1}},        // 79
      {"Data123", 3, 22, {21, 1}},       // 14 + 63 = 77
      {"", 3, 24, {24}},                 // @=hex: is 6 characters
      {"", 3, 25, {24, 1}},
      {"x", 7, 23, {22, 1}},             // "x"=hex(7): is 11 characters
      {"x", 0x1234, 30, {21, 9}},        // "x"=hex(1234): is 14 characters: 21 bytes make 77
      {"b", 3, 1, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + std::to_string(c.count));
    const std::string data = Bytes(c.count);
    std::string expected = ValuePrefix(c.type, data, c.name);
    std::size_t at = 0;
    for (std::size_t l = 0; l < c.lines.size(); ++l) {
      if (l) expected += "  ";
      for (std::size_t i = 0; i < c.lines[l]; ++i, ++at) {
        const char hex[] = "0123456789ABCDEF";
        expected += hex[static_cast<unsigned char>(data[at]) >> 4];
        expected += hex[static_cast<unsigned char>(data[at]) & 0xF];
        if (at + 1 < data.size()) expected += ',';
      }
      expected += l + 1 < c.lines.size() ? "\\\r\n" : "\r\n";
    }
    ASSERT_EQ(at, c.count);
    const std::string got = Entry(c.name, c.type, data);
    EXPECT_EQ(got, expected);
    // Every wrapped line holds 77 to 79 characters before its "\".
    for (std::size_t pos = 0, end; (end = got.find("\\\r\n", pos)) != std::string::npos; pos = end + 3)
      EXPECT_TRUE(end - pos >= 77 && end - pos <= 79) << end - pos;
  }
}
