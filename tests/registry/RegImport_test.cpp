// The registration file import against the real registry: an exported tree back byte for
// byte, the same registry as the platform's importer, deletions, and what cannot be written.
#include "registry/RegImport.h"

#include <algorithm>
#include <fstream>

#include "lib/VkFuncLib.h"
#include "registry/RegExport.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

class Import : public RegSandbox {
 protected:
  void TearDown() override {
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    if (Key()) RegDeleteTreeA(Key(), nullptr);
    RegSandbox::TearDown();
  }
  // Writes the bytes to a file of the program folder; returns its name.
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string file = ProgramFolder() + name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    files_.push_back(file);
    return file;
  }
  // The sandbox as a key line names it, with a key below it.
  std::string KeyLine(const std::string& relative) const {
    return "HKEY_CURRENT_USER" + Path() + relative;
  }
  void Put(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    TVkReg w;
    w.SetRootKey(RootCurrentUser);
    ASSERT_TRUE(w.OpenKey(Path(key), true));
    ASSERT_TRUE(w.WriteData(name, data.data(), type, static_cast<DWORD>(data.size())));
  }

 private:
  std::vector<std::string> files_;
};

// UTF-16 LE with its byte order mark, of text that is ASCII or Latin-1 in UTF-8.
std::string Utf16File(const std::string& utf8) {
  std::string s = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    const unsigned unit = b < 0x80 ? b : ((b & 0x1F) << 6 | (utf8[i + 1] & 0x3F));
    i += b < 0x80 ? 1 : 2;
    s += static_cast<char>(unit & 0xFF);
    s += static_cast<char>(unit >> 8);
  }
  return s;
}

}  // namespace

TEST_F(Import, AnExportedTreeComesBackByteForByte) {
  std::string big(70 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  struct Value {
    std::string key, name;
    DWORD type;
    std::string data;
  } values[] = {
      {"", "", REG_SZ, "default\0"s},
      {"", "quote\"back\\slash\\\"", REG_SZ, "C:\\x\\\"y\"\\\0"s},
      {"", "embedded NUL", REG_SZ, "a\0b\0"s},
      {"", "CR LF", REG_SZ, "line 1\r\nline 2\0"s},
      {"", "unterminated", REG_SZ, "abc"},
      {"", "empty string", REG_SZ, ""},
      {"", "high \xE9", REG_SZ, "caf\xE9\tx\x01\0"s},
      {"", "expand unterminated", REG_EXPAND_SZ, "%X%"},
      {"", "multi", REG_MULTI_SZ, "one\0two\0\0"s},
      {"", "multi unterminated", REG_MULTI_SZ, "one\0two"s},
      {"", "dword", REG_DWORD, "\x78\x56\x34\x12"s},
      {"", "dword 3", REG_DWORD, "\x01\x02\x03"s},
      {"", "qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s},
      {"", "none empty", REG_NONE, ""},
      {"", "undefined top", 0xFFFFFFFFu, "\x01"s},
      {"Sub \"quoted\" [x]", "big", REG_BINARY, big},
      {"Sub \"quoted\" [x]\\Deeper", "", REG_NONE, "\0"s},
  };
  for (const Value& v : values) Put("T" + (v.key.empty() ? "" : "\\" + v.key), v.name, v.type, v.data);
  MakeKey("T\\Empty key");
  const std::vector<std::string> stored = DumpTree(Key(), "T", true);
  const std::string file = ProgramFolder() + "round trip.reg";
  ASSERT_EQ(ExportKeyToFile(file, RootCurrentUser, Path().substr(1) + "T").Status, TExportStatus::Complete);
  ASSERT_EQ(RegDeleteTreeA(Key(), "T"), ERROR_SUCCESS);

  TImportPlan plan;
  ASSERT_EQ(CheckRegFile(file, plan).Status, TImportStatus::Complete);
  EXPECT_EQ(plan.KeysWritten, 4u);
  EXPECT_EQ(plan.ValuesWritten, std::size(values));
  EXPECT_FALSE(plan.Deletes());
  EXPECT_EQ(plan.Roots, 2u);
  EXPECT_TRUE(DumpTree(Key(), "T").empty());  // the check writes nothing
  const TImportResult r = ImportRegFile(file);
  EXPECT_EQ(r.Status, TImportStatus::Complete) << r.Message;
  EXPECT_EQ(DumpTree(Key(), "T", true), stored);
  DeleteFileA(file.c_str());
}

TEST_F(Import, TheSameFileGivesTheSameRegistryAsThePlatformsImporter) {
  // %K% is the key the file goes to; both kinds, with key and value deletions. (The
  // platform's importer knows only the long root names.)
  const std::string body =
      "\n[%K%]\n@=\"default\"\n\"quoted\"=\"a \\\"b\\\" c:\\\\d\"\n\"dword\"=dword:00010203\n"
      "\"bin\"=hex:00,01,fe,\\\n  ff,10\n; a comment\n\n\"none\"=hex(0):\n\"expand\"=hex(2):25,00\n"
      "\"multi\"=hex(7):61,00,00,00\n\"qword\"=hex(b):01,02,03,04,05,06,07,08\n\"gone\"=-\n"
      "[-%K%\\Old]\n[%K%\\New\\Deeper]\n\"x\"=\"y\"\n";
  // (In 5.00 files the bytes of the string types are UTF-16, with their NUL.)
  std::string body5 = body + "[%K%\\Caf\u00E9]\n\"\u00E9\"=\"\u00FC\"\n\"u\"=hex(2):41,00,42,00,00,00\n";
  body5.replace(body5.find("hex(2):25,00"), 12, "hex(2):25,00,00,00");
  const std::string body4 = body + "[%K%\\Caf\xE9]\n\"\xE9\"=\"\xFC\"\n\"u\"=hex(2):41,42,00\n";
  struct Case {
    std::string name, header, body;
    bool utf16;
  } cases[] = {{"ansi.reg", "REGEDIT4", body4, false}, {"unicode.reg", "Windows Registry Editor Version 5.00", body5, true}};
  for (const Case& c : cases) {
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
      const std::string sub = i == 0 ? "Platform" : "Ours";
      MakeKey(sub + "\\Old\\Below");
      MakeValue(sub, "gone", REG_SZ, "x\0"s);
      MakeValue(sub, "kept", REG_SZ, "k\0"s);
      std::string text = c.header + c.body;
      for (std::size_t at; (at = text.find("%K%")) != std::string::npos;) text.replace(at, 3, KeyLine(sub));
      files[i] = File(sub + " " + c.name, c.utf16 ? Utf16File(text) : text);
    }
    ASSERT_EQ(ImportWithRegedit(files[0]), 0u) << c.name;
    TImportPlan plan;
    ASSERT_EQ(CheckRegFile(files[1], plan).Status, TImportStatus::Complete) << c.name;
    EXPECT_EQ(plan.KeysWritten, 3u);
    EXPECT_EQ(plan.ValuesWritten, 11u);
    EXPECT_EQ(plan.KeysDeleted, 1u);
    EXPECT_EQ(plan.ValuesDeleted, 1u);
    const TImportResult r = ImportRegFile(files[1]);
    EXPECT_EQ(r.Status, TImportStatus::Complete) << r.Message;
    const std::vector<std::string> platform = DumpTree(Key(), "Platform"), ours = DumpTree(Key(), "Ours");
    EXPECT_EQ(ours, platform) << c.name;
    EXPECT_EQ(ours.size(), 15u) << c.name;
    ASSERT_EQ(RegDeleteTreeA(Key(), nullptr), ERROR_SUCCESS);
  }
}

TEST_F(Import, WhatCannotBeWrittenIsCountedAndTheRestIsWritten) {
  const std::string longName(300, 'L');
  const std::string file = File("partial.reg", Utf16File(
      "Windows Registry Editor Version 5.00\r\n[" + KeyLine(longName) + "]\r\n\"v\"=\"lost\"\r\n[" + KeyLine("Good") +
      "]\r\n\"\u0436\"=\"no spelling\"\r\n\"w\"=\"kept\"\r\n\"odd\"=hex(1):61\r\n[" + KeyLine("\u0436") +
      "]\r\n"));
  TImportPlan plan;
  ASSERT_EQ(CheckRegFile(file, plan).Status, TImportStatus::Complete);
  const TImportResult r = ImportRegFile(file);
  EXPECT_EQ(r.Status, TImportStatus::Incomplete);
  EXPECT_EQ(r.Failed, 2u);
  ASSERT_EQ(r.Failures.size(), 2u);
  EXPECT_NE(r.Failures[0].find("(line 2: the key could not be created or opened)"), std::string::npos) << r.Failures[0];
  EXPECT_NE(r.Failures[1].find("value \"v\" (line 3: its key (line 2) could not be written)"), std::string::npos);
  EXPECT_NE(r.Message.find("2 keys and values could not be written"), std::string::npos) << r.Message;
  // Names and bytes of a 5.00 file go in as the file spells them, whatever the code page.
  HKEY good = nullptr, other = nullptr;
  ASSERT_EQ(RegOpenKeyExW(Key(), L"Good", 0, KEY_READ, &good), ERROR_SUCCESS);
  wchar_t text[16] = L"";
  DWORD size = sizeof text, type = 0;
  EXPECT_EQ(RegQueryValueExW(good, L"\u0436", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(text, size / 2), L"no spelling\0"s);
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExW(good, L"odd", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 1u);
  RegCloseKey(good);
  EXPECT_EQ(RegOpenKeyExW(Key(), L"\u0436", 0, KEY_READ, &other), ERROR_SUCCESS);
  RegCloseKey(other);
}

TEST_F(Import, FilesThatCannotBeImportedAreRefusedWithTheirReason) {
  struct Case {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"a\"=\"b\"\r\n\"c\"=hex:zz\r\n", "Line 4: the byte list holds \"z\" where a byte should be."},
      {"[HKCU\\A]\r\n", "It does not start with \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"."},
      {"\x7F" "ELF", "is not a registration file"},
      {"R\0E\0G\0E\0D\0I\0T\0" "4\0\r\0\n\0"s, "\r\n\r\nThe file is UTF-16 text without a byte order mark: "},
      {"\xFE\xFF\0R\0E\0G\0E"s, "\r\n\r\nThe file is UTF-16 big-endian text: "},
      {"\0R\0E\0G\0E\0D"s, "\r\n\r\nThe file is UTF-16 big-endian text without a byte order mark: "},
  };
  for (const Case& c : cases) {
    const std::string file = File("refused.reg", c.bytes);
    TImportPlan plan;
    const TImportResult r = CheckRegFile(file, plan);
    EXPECT_EQ(r.Status, TImportStatus::Refused);
    EXPECT_NE(r.Message.find(c.message), std::string::npos) << r.Message;
    EXPECT_NE(r.Message.find(file), std::string::npos);
  }
  // A file that changed after its check is not imported at all.
  TImportPlan plan;
  const std::string file = File("changed.reg", "REGEDIT4\r\n[" + KeyLine("A") + "]\r\n");
  ASSERT_EQ(CheckRegFile(file, plan).Status, TImportStatus::Complete);
  File("changed.reg", "REGEDIT4\r\n[" + KeyLine("A") + "]\r\n[-" + KeyLine("B") + "]\r\n");
  const TImportResult changed = ImportRegFile(file, {}, &plan);
  EXPECT_EQ(changed.Status, TImportStatus::Refused);
  EXPECT_NE(changed.Message.find("The file changed after it was checked."), std::string::npos) << changed.Message;
  EXPECT_TRUE(DumpTree(Key(), "").empty());
  const TImportResult missing = CheckRegFile(ProgramFolder() + "no such file.reg", plan);
  EXPECT_EQ(missing.Status, TImportStatus::Refused);
  EXPECT_NE(missing.Message.find("Could not read the file"), std::string::npos);
}
