// Reading registration files: every form, every error with its line, the encodings, and
// blocks split anywhere.
#include "registry/RegFileParse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/RegImport.h"

using namespace std::string_literals;

namespace {

std::string Hex(const std::string& data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : data) s += std::string(s.empty() ? "" : ",") + digits[c >> 4] + digits[c & 15];
  return s;
}

// Each operation as one line: "K root path", "-K root path", "V name type bytes", "-V name",
// with " !" at the end when it carries a problem.
std::string Describe(const TRegOp& op) {
  std::string s;
  switch (op.Kind) {
    case TRegOpKind::Key: s = "K " + std::to_string(op.Root) + " " + op.Path; break;
    case TRegOpKind::DeleteKey: s = "-K " + std::to_string(op.Root) + " " + op.Path; break;
    case TRegOpKind::SetValue: s = "V " + op.Name + " " + std::to_string(op.Type) + " " + Hex(op.Data); break;
    case TRegOpKind::DeleteValue: s = "-V " + op.Name; break;
  }
  return std::to_string(op.Line) + ": " + s + (op.Problem.empty() ? "" : " !");
}

struct TParsed {
  std::vector<std::string> ops;
  bool ok = false, notRegFile = false;
  std::size_t line = 0;
  std::string error;
  TRegFileKind kind = TRegFileKind::Unknown;
};

// The file fed in blocks of the given size (0: in one piece).
TParsed Parse(const std::string& file, std::size_t block = 0) {
  TParsed p;
  TRegFileParser parser(Utf16ToAnsi, [&p](const TRegOp& op) {
    p.ops.push_back(Describe(op));
    return true;
  });
  bool fed = true;
  if (block == 0) fed = parser.Feed(file);
  for (std::size_t i = 0; block && fed && i < file.size(); i += block) fed = parser.Feed(file.substr(i, block));
  p.ok = fed && parser.Finish();
  p.notRegFile = parser.NotRegFile();
  p.line = parser.ErrorLine();
  p.error = parser.Error();
  p.kind = parser.Kind();
  return p;
}

// UTF-16 LE bytes of ASCII or Latin-1 text given as UTF-16 code units.
std::string Utf16(const std::u16string& text) {
  std::string s;
  for (char16_t c : text) s += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return s;
}

const std::string Head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n";

}  // namespace

TEST(RegFileParse, EveryFormGivesItsOperation) {
  struct Case {
    std::string lines;
    std::vector<std::string> ops;  // after "2: K 1 K"
  } cases[] = {
      {"\"a\"=\"text\"", {"3: V a 1 74,65,78,74,00"}},
      {"@=\"\"", {"3: V  1 00"}},
      {"\"q\\\"b\\\\\"=\"c:\\\\x\\\"y\\\"\"", {"3: V q\"b\\ 1 63,3A,5C,78,22,79,22,00"}},
      {"\"n\"=\"a\\nb\\r\"", {"3: V n 1 61,0A,62,0D,00"}},
      {"  \"sp\" =\t\"x\"  ; comment", {"3: V sp 1 78,00"}},
      {"\"d\"=dword:0000ff01", {"3: V d 4 01,FF,00,00"}},
      {"\"d\"=dword:1 ;x", {"3: V d 4 01,00,00,00"}},
      {"\"b\"=hex:01,ab,FF", {"3: V b 3 01,AB,FF"}},
      {"\"b\"=hex:", {"3: V b 3 "}},
      {"\"b\"=hex: 1, 2,", {"3: V b 3 01,02"}},
      {"\"e\"=hex(2):41,00", {"3: V e 2 41,00"}},
      {"\"u\"=hex(1):61,62,63", {"3: V u 1 61,62,63"}},  // exactly the bytes: no NUL added
      {"\"t\"=hex(FFFFFFFF):01", {"3: V t 4294967295 01"}},
      {"\"t\"=hex(00000000):", {"3: V t 0 "}},
      {"\"c\"=hex:01,\\\r\n  02,\\\r\n\r\n; note\r\n  03", {"3: V c 3 01,02,03"}},
      {"\"c\"=hex:01,02,\\", {"3: V c 3 01,02"}},  // the file ends the byte list
      {"\"x\"=-", {"3: -V x"}},
      {"@= - ", {"3: -V "}},
      {"[HKCU\\A\\B]", {"3: K 1 A\\B"}},
      {"[hkey_local_machine\\A\\]", {"3: K 2 A"}},
      {"[HKEY_USERS]", {"3: K 3 "}},
      {"[HKCR\\a]b \"c\"]  ; x", {"3: K 0 a]b \"c\""}},
      {"[HKCU\\A] x\r\n[-HKCU\\B]\t\"y\"", {"3: K 1 A", "4: -K 1 B"}},  // text after the "]" is passed over
      {"# c\r\n\t#\"x\"=\"y\"\r\n\"d\"=dword: \t10", {"5: V d 4 10,00,00,00"}},
      {"[-HKCC\\Gone\\Too]", {"3: -K 5 Gone\\Too"}},
      {"\"lf\"=\"1\"\n\"cr\"=\"2\"\r\"crlf\"=\"3\"\r\n", {"3: V lf 1 31,00", "4: V cr 1 32,00", "5: V crlf 1 33,00"}},
      {"\r\n;[HKCU\\no]\r\n\t\r\n\"high\"=\"caf\xE9\"", {"6: V high 1 63,61,66,E9,00"}},
  };
  for (const Case& c : cases) {
    const TParsed p = Parse(Head + c.lines);
    std::vector<std::string> expected = {"2: K 1 K"};
    expected.insert(expected.end(), c.ops.begin(), c.ops.end());
    EXPECT_TRUE(p.ok) << c.lines << "\n" << p.error;
    EXPECT_EQ(p.ops, expected) << c.lines;
    EXPECT_EQ(p.kind, TRegFileKind::Regedit4);
  }
}

TEST(RegFileParse, EachErrorNamesItsLineAndStopsTheFile) {
  struct Case {
    std::string file;
    std::size_t line;
    std::string reason;
  } cases[] = {
      {"[HKCU\\A", 2, "no closing \"]\""},
      {"[HKXX\\A]", 2, "\"HKXX\" is not a registry root"},
      {"[ HKCU\\A]", 2, "\" HKCU\" is not a registry root"},
      {"[]", 2, "names no key"},
      {"[-HKCU]", 2, "a whole root cannot be deleted"},
      {"[HKCU\\A\\\\B]", 2, "empty key name"},
      {"\"a\"=\"b\"", 2, "before the first key line"},
      {"[-HKCU\\A]\r\n\"a\"=\"b\"", 3, "follows the deletion of its key"},
      {"[HKCU\\A]\r\n\"a\"", 3, "\"=\" is missing"},
      {"[HKCU\\A]\r\n\"a=\"b\"", 3, "\"=\" is missing"},
      {"[HKCU\\A]\r\n\"a=1", 3, "the value name has no closing double quote"},
      {"[HKCU\\A]\r\n\"a\"=\"b", 3, "the text has no closing double quote"},
      {"[HKCU\\A]\r\n\"a\"=\"b\\\"", 3, "the text has no closing double quote"},
      {"[HKCU\\A]\r\n\"a\"=\"b\" x", 3, "goes on after its closing double quote"},
      {"[HKCU\\A]\r\n\"a\"=\"\\q\"", 3, "unknown escape \"\\q\""},
      {"[HKCU\\A]\r\n\"a\"=\"\\0\"", 3, "unknown escape \"\\0\""},
      {"[HKCU\\A]\r\n\"a\"=dword:123456789", 3, "1 to 8 hexadecimal digits"},
      {"[HKCU\\A]\r\n\"a\"=dword:", 3, "1 to 8 hexadecimal digits"},
      {"[HKCU\\A]\r\n\"a\"=dword:12x", 3, "1 to 8 hexadecimal digits"},
      {"[HKCU\\A]\r\n\"a\"=DWORD:1", 3, "the data is not"},
      {"[HKCU\\A]\r\n\"a\"=hex:1,,2", 3, "holds \",\" where a byte should be"},
      {"[HKCU\\A]\r\n\"a\"=hex:123", 3, "more than two hexadecimal digits"},
      {"[HKCU\\A]\r\n\"a\"=hex:01 02", 3, "separated by commas"},
      {"[HKCU\\A]\r\n\"a\"=hex:01,0G", 3, "holds \"G\", which is not a hexadecimal digit"},
      {"[HKCU\\A]\r\n\"a\"=hex:01\\", 3, "separated by commas"},
      {"[HKCU\\A]\r\n\"a\"=hex:01,\\ 02", 3, "goes on after the \"\\\""},
      {"[HKCU\\A]\r\n\"a\"=hex(1:00", 3, "\"hex(\" must be followed"},
      {"[HKCU\\A]\r\n\"a\"=hex():00", 3, "\"hex(\" must be followed"},
      {"[HKCU\\A]\r\n\"a\"=hex(100000000):", 3, "\"hex(\" must be followed"},
      {"[HKCU\\A]\r\n\"a\"=text", 3, "the data is not"},
      {"[HKCU\\A]\r\n\"a\"=- x", 3, "\"-\" is followed by other text"},
      {"[HKCU\\A]\r\n\"a\"=hex:01,\\\r\n  \"b\"=\"c\"", 4, "must start with a byte"},
      {"[HKCU\\A]\r\n\"a\"=hex:01,\\\r\n# x\r\n  02", 4, "must start with a byte"},
      {"[HKCU\\A]\r\nHKCU\\A", 3, "not a key line, a value line or a comment"},
      {"[HKCU\\A]\r\n\"a\"=\"b\0c\""s, 3, "NUL character"},
  };
  for (const Case& c : cases) {
    const TParsed p = Parse("REGEDIT4\r\n" + c.file + "\r\n[HKCU\\Later]\r\n");
    EXPECT_FALSE(p.ok) << c.file;
    EXPECT_FALSE(p.notRegFile) << c.file;
    EXPECT_EQ(p.line, c.line) << c.file;
    EXPECT_NE(p.error.find(c.reason), std::string::npos) << c.file << "\n" << p.error;
    for (const std::string& op : p.ops) EXPECT_EQ(op.find("Later"), std::string::npos) << c.file;  // nothing after
  }
  for (const std::string& file : {""s, "REGEDIT\r\n"s, "REGEDIT4 \r\n"s, "\r\nREGEDIT4\r\n"s, "regedit4\r\n"s,
                                  "Windows Registry Editor Version 5.0\r\n"s, "\xEF\xBB\xBF" "REGEDIT5\r\n"s,
                                  std::string(1 << 20, 'x'), "\x7F" "ELF\x02\x01\0\0"s}) {
    const TParsed p = Parse(file);
    EXPECT_FALSE(p.ok) << file;
    EXPECT_TRUE(p.notRegFile) << file;
    EXPECT_TRUE(p.ops.empty()) << file;
  }
}

TEST(RegFileParse, TheEncodingsGiveTheSameTextInTheAnsiCodePage) {
  const std::string body = "\r\n[HKCU\\Caf\u00E9]\r\n\"\u00E9\"=\"\u00FC\"\r\n\"x\"=hex(2):e9,00,41,00\r\n"
                           "\"y\"=hex(7):61,00,00,00,62,00\r\n\"odd\"=hex(1):61,00,62\r\n\"bin\"=hex:e9,00\r\n"
                           "[HKCU\\\u0436]\r\n\"\u0436\"=\"a\"\r\n[HKCU\\K]\r\n\"w\"=\"\u0436\"\r\n\"h\"=hex(1):36,04\r\n";
  const std::vector<std::string> expected5 = {
      "2: K 1 Caf\xE9",        "3: V \xE9 1 FC,00",  "4: V x 2 E9,41,00", "5: V y 7 61,00,62,00",
      "6: V odd 1 61,00,62 !", "7: V bin 3 E9,00",    "8: K 1 ? !",        "9: V ? 1 61,00 !",
      "10: K 1 K",             "11: V w 1 3F,00 !",   "12: V h 1 3F,00 !"};
  // The same text as UTF-16 code units (the source spells it in UTF-8, two bytes at most).
  std::u16string units;
  const std::string utf8 = "Windows Registry Editor Version 5.00" + body;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) units += static_cast<char16_t>(b), ++i;
    else units += static_cast<char16_t>((b & 0x1F) << 6 | (utf8[i + 1] & 0x3F)), i += 2;
  }
  const std::string utf16 = "\xFF\xFE" + Utf16(units);
  for (const std::string& file : {utf16, "\xEF\xBB\xBF" + utf8, utf8}) {
    for (std::size_t block : {std::size_t(0), std::size_t(1), std::size_t(3)}) {
      const TParsed p = Parse(file, block);
      EXPECT_TRUE(p.ok) << p.error;
      EXPECT_EQ(p.kind, TRegFileKind::Version5);
      EXPECT_EQ(p.ops, expected5) << "block " << block << " of a file of " << file.size() << " bytes";
    }
  }
  // REGEDIT4 is the ANSI code page, its string bytes as they are; CR LF split between blocks.
  const TParsed ansi = Parse("REGEDIT4\r\n[HKCU\\Caf\xE9]\r\n\"\xE9\"=hex(1):e9\r\n", 1);
  EXPECT_TRUE(ansi.ok) << ansi.error;
  EXPECT_EQ(ansi.ops, (std::vector<std::string>{"2: K 1 Caf\xE9", "3: V \xE9 1 E9"}));
  const TParsed bad = Parse("Windows Registry Editor Version 5.00\r\n[HKCU\\\xE9]\r\n");
  EXPECT_EQ(bad.line, 2u);
  EXPECT_NE(bad.error.find("not valid UTF-8"), std::string::npos);
  const TParsed cut = Parse("\xFF\xFE" + Utf16(u"REGEDIT4\r\n") + "\x41");
  EXPECT_FALSE(cut.ok);
  EXPECT_NE(cut.error.find("inside a UTF-16 character"), std::string::npos);
}
