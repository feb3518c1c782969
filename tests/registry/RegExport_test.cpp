// The registration file export against the real registry: the file's bytes, a round trip
// through the platform's own importer, names the format cannot carry, keys that change
// while they are read, and files that cannot be written.
#include "registry/RegExport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "HandleCount.h"
#include "lib/VkFuncLib.h"
#include "registry/RegFileText.h"
#include "registry/RegImport.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

// The sandbox with a folder of its own for the files; the platform's tree delete also
// reaches names the ANSI calls cannot.
class Export : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    static int n = 0;
    // "\new" in the folder name: a message that turned "\n" into a line break would show.
    folder_ = ProgramFolder() + "export " + std::to_string(++n) + "\\new\\";
    CreateDirectoryA(folder_.substr(0, folder_.size() - 5).c_str(), nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& f : Files()) DeleteFileA((folder_ + f).c_str());
    RemoveDirectoryA(folder_.c_str());
    RemoveDirectoryA(folder_.substr(0, folder_.size() - 5).c_str());
    if (Key()) RegDeleteTreeA(Key(), nullptr);
    RegSandbox::TearDown();
  }
  std::string File(const std::string& name) const { return folder_ + name; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder_ + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
      if (std::string(fd.cFileName) != "." && std::string(fd.cFileName) != "..") names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
  }
  // "HKEY_CURRENT_USER\Software\...\<unique>" + "\" + relative (no trailing "\").
  std::string Location(const std::string& relative) const {
    return "HKEY_CURRENT_USER" + Path().substr(0, Path().size() - 1) + (relative.empty() ? "" : "\\" + relative);
  }

 private:
  std::string folder_;
};

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(HKEY parent, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
  TVkReg w;
  w.SetRootKey(parent);
  ASSERT_TRUE(w.OpenKey(key, true));
  ASSERT_TRUE(w.WriteData(name, data.data(), type, static_cast<DWORD>(data.size())));  // exactly these bytes
}


// The value names of a key in the registry's enumeration order.
std::vector<std::string> ValueOrder(HKEY parent, const std::string& sub) {
  std::vector<std::string> names;
  HKEY k = nullptr;
  if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
  char name[1024];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  RegCloseKey(k);
  return names;
}

// The bytes of UTF-16 text as stored (terminating NULs are written out by the callers).
std::string Stored(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
}

}  // namespace

TEST_F(Export, TheExampleKeyGivesTheExampleFile) {
  // The values of the example; the registry decides their order.
  const std::map<std::string, std::string> lines = {
      {"", "@=\"Default text\""},
      {"Path", "\"Path\"=\"C:\\\\Temp\\\\\\\"q\\\"\""},
      {"Count", "\"Count\"=dword:0000002A"},
      {"Raw", "\"Raw\"=hex:01,02,FF"},
      {"Empty", "\"Empty\"=hex:"},
      {"Exp", "\"Exp\"=hex(2):25,50,41,54,48,25,00"},
  };
  Put(Key(), "Demo", "", REG_SZ, "Default text\0"s);
  Put(Key(), "Demo", "Path", REG_SZ, "C:\\Temp\\\"q\"\0"s);
  Put(Key(), "Demo", "Count", REG_DWORD, "\x2A\0\0\0"s);
  Put(Key(), "Demo", "Raw", REG_BINARY, "\x01\x02\xFF"s);
  Put(Key(), "Demo", "Empty", REG_BINARY, "");
  Put(Key(), "Demo", "Exp", REG_EXPAND_SZ, "%PATH%\0"s);
  MakeKey("Demo\\Sub");
  std::string expected = "REGEDIT4\r\n\r\n[" + Location("Demo") + "]\r\n";
  for (const std::string& name : ValueOrder(Key(), "Demo")) expected += lines.at(name) + "\r\n";
  expected += "\r\n[" + Location("Demo\\Sub") + "]\r\n";

  TVkReg reg;
  reg.Access = KEY_READ;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("Demo\\Sub"), false));
  const HKEY before = reg.CurrentKey();
  const std::string rel = Path().substr(1) + "Demo";
  // With and without the leading "\", with a trailing "\": the same file.
  for (const std::string& path : {Path() + "Demo", rel, Path("Demo")}) {
    SCOPED_TRACE(path);
    const TExportResult r = ExportKey(reg, path, File("demo.reg"));
    EXPECT_EQ(r.Status, TExportStatus::Complete);
    EXPECT_EQ(r.Message, "");
    EXPECT_EQ(ReadAll(File("demo.reg")), expected);
    EXPECT_EQ(reg.CurrentKey(), before);
  }
  EXPECT_EQ(Files(), std::vector<std::string>{"demo.reg"});  // no temporary file stays
  // The whole root heads its file with the bare root name.
  ASSERT_EQ(ExportKeyToFile(File("root.reg"), RootCurrentConfig, "").Status, TExportStatus::Complete);
  EXPECT_EQ(ReadAll(File("root.reg")).substr(0, 35), "REGEDIT4\r\n\r\n[HKEY_CURRENT_CONFIG]\r\n");
}

TEST_F(Export, KeysFarBelowTheRootExportWhole) {
  // 300 levels: paths far beyond the 260 characters one ANSI open takes.
  std::string chain;
  {
    HKEY k = Key();
    for (int i = 0; i < 300; ++i) {
      HKEY next = nullptr;
      const std::string name = "L" + std::to_string(100 + i % 100);
      ASSERT_EQ(RegCreateKeyExA(k, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr), ERROR_SUCCESS);
      RegSetValueExA(next, "d", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
      if (k != Key()) RegCloseKey(k);
      k = next;
      chain += (chain.empty() ? "" : "\\") + name;
    }
    RegCloseKey(k);
  }
  // The second L150, 150 levels down: a path of some 750 characters.
  const std::size_t half = chain.find("\\L150\\", chain.find("\\L150\\") + 1) + 5;
  ASSERT_GT(half, 700u);
  const TExportResult r = ExportKeyToFile(File("deep.reg"), RootCurrentUser, Path() + chain.substr(0, half));
  ASSERT_EQ(r.Status, TExportStatus::Complete) << r.Message;
  std::string expected(RegFileHeader);
  for (std::size_t end = half; end != std::string::npos; end = chain.find('\\', end + 1)) {
    const int level = static_cast<int>(std::count(chain.begin(), chain.begin() + static_cast<long>(end), '\\'));
    AppendKeyLine(expected, "HKEY_CURRENT_USER", Path() + chain.substr(0, end));
    AppendValueEntry(expected, "d", REG_DWORD, std::string(reinterpret_cast<const char*>(&level), 4));
  }
  AppendKeyLine(expected, "HKEY_CURRENT_USER", Path() + chain);
  AppendValueEntry(expected, "d", REG_DWORD, "\x2B\x01\0\0"s);  // 299
  EXPECT_EQ(ReadAll(File("deep.reg")), expected);
}

TEST_F(Export, AwkwardDataComesBackFromThePlatformsImporterByteForByte) {
  struct Value {
    std::string key, name;
    DWORD type;
    std::string data;
  };
  std::string big(100 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  const Value values[] = {
      {"", "", REG_SZ, "default\0"s},
      {"", "quote\"back\\slash\\\"", REG_SZ, "C:\\x\\\"y\"\\\0"s},
      {"", "embedded NUL", REG_SZ, "a\0b\0"s},
      {"", "two NULs", REG_SZ, "a\0\0"s},
      {"", "CR LF", REG_SZ, "line 1\r\nline 2\0"s},
      {"", "LF", REG_SZ, "a\nb\0"s},
      {"", "CR", REG_SZ, "a\rb\0"s},
      {"", "unterminated", REG_SZ, "abc"},
      {"", "empty string", REG_SZ, ""},
      {"", "NUL only", REG_SZ, "\0"s},
      {"", "high and tab", REG_SZ, "caf\xE9\tx\x01\0"s},
      {"", "expand", REG_EXPAND_SZ, "%PATH%\0"s},
      {"", "expand unterminated", REG_EXPAND_SZ, "%X%"},
      {"", "expand CR LF", REG_EXPAND_SZ, "a\r\n\0"s},
      {"", "multi", REG_MULTI_SZ, "one\0two\0\0"s},
      {"", "multi unterminated", REG_MULTI_SZ, "one\0two"s},
      {"", "multi empty", REG_MULTI_SZ, ""},
      {"", "dword", REG_DWORD, "\x78\x56\x34\x12"s},
      {"", "dword 3", REG_DWORD, "\x01\x02\x03"s},
      {"", "dword 8", REG_DWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s},
      {"", "big endian", REG_DWORD_BIG_ENDIAN, "\x12\x34\x56\x78"s},
      {"", "qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s},
      {"", "none empty", REG_NONE, ""},
      {"", "none", REG_NONE, "x\0"s},
      {"", "undefined", 0x1234, "xyz"},
      {"", "undefined high", 0x80000000u, ""},
      {"", "undefined top", 0xFFFFFFFFu, "\x01"s},
      {"", "binary empty", REG_BINARY, ""},
      {"Sub \"quoted\" [x]", "100 KB", REG_BINARY, big},
      {"Sub \"quoted\" [x]\\Deeper", "", REG_NONE, "\0"s},
      {"Sub \"quoted\" [x]\\Deeper", "link", REG_LINK, "L\0"s},
      {"Sub \"quoted\" [x]\\Deeper", "resources", REG_RESOURCE_LIST, "\x01\x02"s},
  };
  for (const Value& v : values) Put(Key(), "T" + (v.key.empty() ? "" : "\\" + v.key), v.name, v.type, v.data);
  MakeKey("T\\Empty key");
  // The tree as stored, and what the importer must give back: every byte, and one NUL more
  // for the string-typed values whose data does not end with one (no registration file form
  // carries that); empty data stays empty.
  std::vector<std::string> stored = {"\\Empty key", "\\Sub \"quoted\" [x]", "\\Sub \"quoted\" [x]\\Deeper"};
  std::vector<std::string> expected = stored;
  for (const Value& v : values) {
    const std::string bytes =
        v.data.size() <= 256 ? v.data : std::to_string(v.data.size()) + " bytes, CRC " + std::to_string(Crc32(v.data));
    const std::string line =
        (v.key.empty() ? "" : "\\" + v.key) + "|" + v.name + "|" + std::to_string(v.type) + "|" + bytes;
    const bool stringType = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    stored.push_back(line);
    expected.push_back(stringType && !v.data.empty() && v.data.back() != '\0' ? line + '\0' : line);
  }
  std::sort(stored.begin(), stored.end());
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(DumpTree(Key(), "T", true), stored);

  const TExportResult r = ExportKeyToFile(File("round trip.reg"), RootCurrentUser, Path().substr(1) + "T");
  ASSERT_EQ(r.Status, TExportStatus::Complete) << r.Message;
  const std::string text = ReadAll(File("round trip.reg"));
  EXPECT_EQ(text.compare(0, 10, "REGEDIT4\r\n"), 0);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  ASSERT_EQ(RegDeleteTreeA(Key(), "T"), ERROR_SUCCESS);
  ASSERT_EQ(ImportWithRegedit(File("round trip.reg")), 0u);
  EXPECT_EQ(DumpTree(Key(), "T", true), expected);
}

TEST_F(Export, WhatTheFormatCannotCarryIsLeftOutAndReported) {
  Put(Key(), "A", "kept", REG_SZ, "v\0"s);
  Put(Key(), "A", "line\r\nbreak", REG_SZ, "lost\0"s);
  Put(Key(), "A\\new\nline", "inside", REG_DWORD, "\x01\0\0\0"s);
  Put(Key(), "A\\Z", "after", REG_SZ, "z\0"s);
  // Made with the wide calls: names beside look-alikes the code page cannot spell (with the
  // text that reports those), each a value and a key with a subkey; string data (UTF-16, less
  // cut bytes) that is left out when a reason is given.
  const std::pair<const wchar_t*, const char*> names[] = {
      {L"\u65E5\u672C", "{U+65E5}{U+672C}"}, {L"??", ""}, {L"\uFF3C", "{U+FF3C}"}, {L"a\uFF3Cb", "a{U+FF3C}b"},
      {L"a\\b", ""}, {L"\u0141\u00F3d\u017A", "{U+0141}\xF3" "d{U+017A}"}, {L"Omega", ""},
      {L"\u03A9mega", "{U+03A9}mega"}, {L"v?", ""}, {L"v\u0416", "v{U+0416}"}};
  const struct { const wchar_t* name; DWORD type; const wchar_t* text; DWORD cut; const char* why; } data[] = {
      {L"text", REG_SZ, L"caf\u00E9 \u20AC", 0, ""}, {L"expand", REG_EXPAND_SZ, L"%x%\u00E9", 0, ""},
      {L"outside", REG_SZ, L"\u4E02\u03A9 text", 0, "its text cannot be written in this code page"},
      {L"odd", REG_SZ, L"AB", 3, "its text is an odd number of bytes, which a registration file cannot carry"}};
  std::vector<std::string> tables;  // what the export must leave out of them
  for (const auto& [name, marked] : names) {
    ASSERT_FALSE(RegSetKeyValueW(Key(), (L"A\\"s + name + L"\\deep").c_str(), L"", REG_BINARY, "", 0) ||
                 RegSetKeyValueW(Key(), L"A", name, REG_BINARY, "", 0));
    const std::string why = " (its name cannot be written in this code page)";
    if (*marked) tables.insert(tables.end(), {Location("A") + ": value \"" + marked + "\"" + why, Location("A\\"s + marked) + why});
  }
  for (const auto& d : data) {
    ASSERT_FALSE(RegSetKeyValueW(Key(), L"A", d.name, d.type, d.text, 2 * (wcslen(d.text) + 1) - d.cut));
    if (*d.why) tables.push_back(Location("A") + ": value \"" + std::string(d.name, d.name + wcslen(d.name)) + "\" (" + d.why + ")");
  }
  TVkReg reg;
  reg.Access = KEY_READ;
  reg.SetRootKey(RootCurrentUser);
  const TExportResult r = ExportKey(reg, Path("A"), File("a.reg"));
  EXPECT_EQ(r.Status, TExportStatus::Incomplete);
  std::vector<std::string> leftOut = {
      Location("A") + ": value \"line\\r\\nbreak\" (the name holds a line break)",
      Location("A") + "\\new\\nline (the key name holds a line break)",
  };
  leftOut.insert(leftOut.end(), tables.begin(), tables.end());
  std::vector<std::string> got = r.LeftOut;
  std::sort(got.begin(), got.end());
  std::sort(leftOut.begin(), leftOut.end());
  EXPECT_EQ(got, leftOut);
  // Each key once (A, Z, 4 names with their "deep", and "a"), each value of A once, texts as
  // the ANSI bytes that imports turn back into the stored UTF-16.
  const std::string text = ReadAll(File("a.reg"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), 11);
  for (const char* kept : {"]\r\n\"??\"=hex:\r\n\"a\\\\b\"=hex:\r\n\"expand\"=hex(2):25,78,25,E9,00\r\n\"kept\"=\"v\"\r\n"
                           "\"Omega\"=hex:\r\n\"text\"=\"caf\xE9 \x80\"\r\n\"v?\"=hex:\r\n\r\n", "\"after\"=\"z\"\r\n"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  for (const char* lost : {"lost", "inside", "\"?\"", "break"}) EXPECT_EQ(text.find(lost), std::string::npos) << lost;

  // The message names the file as it is (its folder holds "\new") and lists what is missing.
  ScriptedInteraction answers;
  EXPECT_EQ(ShowExportResult(r), TExportStatus::Incomplete);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].flags, 48u);
  EXPECT_EQ(answers.Messages[0].caption, "Hivelark");
  EXPECT_EQ(answers.Messages[0].text.find("Not everything could be exported to the file:\r\n" + File("a.reg") +
                                          "\r\n\r\nLeft out:\r\n"),
            0u)
      << answers.Messages[0].text;
  for (std::size_t i = 0; i < 10; ++i) EXPECT_NE(answers.Messages[0].text.find(r.LeftOut[i]), std::string::npos) << i;
}

namespace {
int g_hookCalls = 0;
HKEY g_hookKey = nullptr;
// The value "v" of the key being read grows far beyond the maxima queried before.
void GrowV(HKEY key, DWORD index) {
  if (g_hookCalls++ != 0) return;
  const std::string big(300000, 'g');
  RegSetValueExA(key, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()), static_cast<DWORD>(big.size()));
}
// The first value is deleted while the second is about to be read, once.
void DeleteFirst(HKEY key, DWORD index) {
  if (index == 1 && g_hookCalls++ == 0) RegDeleteValueA(g_hookKey, "a");
}
// At the second value the first goes and a last one comes: the counts stay, the indexes shift.
void SwapNeighbours(HKEY, DWORD index) {
  if (index == 1 && g_hookCalls++ == 0) RegDeleteValueA(g_hookKey, "a"), RegSetValueExA(g_hookKey, "z", 0, REG_NONE, nullptr, 0);
}
// A new value before every read: the key never holds still.
void KeepAdding(HKEY key, DWORD index) {
  const std::string name = "0 added " + std::to_string(g_hookCalls++);
  RegSetValueExA(g_hookKey, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>("n"), 1);
}
}  // namespace

TEST_F(Export, ValuesThatGrowOrVanishWhileTheKeyIsReadAreNeverInvented) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Key(), "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  g_hookKey = k;
  struct Case {
    TExportReadHook hook;
    std::vector<std::string> values;  // created before the export, binary "data of <name>"
    TExportStatus status;
  } const cases[] = {
      {GrowV, {"v"}, TExportStatus::Complete},
      {DeleteFirst, {"a", "b", "c"}, TExportStatus::Complete},  // read again, without "a"
      {SwapNeighbours, {"a", "b", "c"}, TExportStatus::Complete},  // read again: "b" neither missed nor doubled
      {KeepAdding, {"a", "b"}, TExportStatus::Incomplete},
  };
  for (const Case& c : cases) {
    RegDeleteTreeA(k, nullptr);
    for (const std::string& name : c.values) {
      const std::string data = "data of " + name;
      RegSetValueExA(k, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()));
    }
    g_hookCalls = 0;
    const TExportReadHook previous = SetExportReadHook(c.hook);
    TVkReg reg;
    const TExportResult r = ExportKey(reg, Path("A"), File("a.reg"));
    SetExportReadHook(previous);
    EXPECT_EQ(r.Status, c.status) << r.Message;
    // The file holds exactly the values as the registry has them now, each read whole, or
    // (for a key that never held still) some of them; never a value the key does not hold.
    const std::string text = ReadAll(File("a.reg"));
    const std::string head = "REGEDIT4\r\n\r\n[" + Location("A") + "]\r\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0);
    std::string all;
    std::vector<std::string> entries;
    for (const std::string& name : ValueOrder(Key(), "A")) {
      std::string data(400000, '\0');
      DWORD size = static_cast<DWORD>(data.size()), type = 0;
      ASSERT_EQ(RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size),
                ERROR_SUCCESS);
      std::string entry;
      AppendValueEntry(entry, name, type, data.substr(0, size));
      all += entry;
      entries.push_back(entry);
    }
    if (c.status == TExportStatus::Complete) {
      EXPECT_EQ(text, head + all);
    } else {
      EXPECT_EQ(r.LeftOut, std::vector<std::string>{Location("A") +
                                                    " (the key changed while it was read: some values or subkeys "
                                                    "may be missing)"});
      for (std::size_t pos = head.size(), end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
        const std::string line = text.substr(pos, end + 2 - pos);
        EXPECT_NE(std::find(entries.begin(), entries.end(), line), entries.end()) << line;
      }
    }
  }
  RegCloseKey(k);
}

namespace {
int g_writes = 0;
bool FailSecondWrite(std::size_t, std::size_t) { return ++g_writes < 2; }
}  // namespace

TEST_F(Export, SideFilesLeftByACrashAreRemovedAndNoFileOfTheUser) {
  Put(Key(), "A", "v", REG_SZ, "v\0"s);
  for (const char* f : {"hlk1.tmp", "x.reg.~hl12.tmp", "x.reg.~hlfffffff0-0.tmp"})  // the last one's process has ended
    ASSERT_TRUE(SaveTextToFile(File(f), "x", true));
  TVkReg reg;
  EXPECT_EQ(ExportKey(reg, Path("A"), File("x.reg")).Status, TExportStatus::Complete);
  EXPECT_EQ(Files(), (std::vector<std::string>{"hlk1.tmp", "x.reg", "x.reg.~hl12.tmp"}));
}

TEST_F(Export, AFailedExportLeavesNoFileAndSpoilsNone) {
  Put(Key(), "A", "big", REG_BINARY, std::string(400000, 'b'));  // more than one block of text
  Put(Key(), "A\\B", "v", REG_SZ, "v\0"s);
  MakeKey("line\r\nbreak");
  const std::string old = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Old]\r\n";
  ASSERT_TRUE(SaveTextToFile(File("old.reg"), old, true));
  ASSERT_TRUE(SaveTextToFile(File("read-only.reg"), old, true));
  ASSERT_TRUE(SetFileAttributesA(File("read-only.reg").c_str(), FILE_ATTRIBUTE_READONLY));
  const std::vector<std::string> files = Files();
  const std::string exportError = "An error occured while exporting key from registry!";
  // Then the system's reason and what became of the file.
  const auto writeError = [](const std::string& file) { return "Could not write the file:\r\n" + file + "\r\n"; };
  struct Case {
    std::string path, file;
    TExportWriteHook hook;
    std::string message, end;
  } const cases[] = {
      {Path("Missing"), File("old.reg"), nullptr, exportError, ""},
      {Path("Missing"), File("new.reg"), nullptr, exportError, ""},
      {Path("line\r\nbreak"), File("new.reg"), nullptr, exportError, "which a registration file cannot carry."},
      {Path("A"), File("old.reg"), FailSecondWrite, writeError(File("old.reg")), "The file was left as it was."},
      {Path("A"), File("new.reg"), FailSecondWrite, writeError(File("new.reg")), "No file was written."},
      {Path("A"), File("read-only.reg"), nullptr, writeError(File("read-only.reg")),
       "The file was left as it was."},
      {Path("A"), File("no folder\\a.reg"), nullptr, writeError(File("no folder\\a.reg")),
       "No file was written."},
      {Path("A"), File(""), nullptr, writeError(File("")), "The file was left as it was."},  // the folder itself
  };
  DWORD handles = 0;
  for (int round = 0; round < 2; ++round) {
    if (round == 1) handles = ProcessHandles();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.file);
      g_writes = 0;
      const TExportWriteHook previous = SetExportWriteHook(c.hook);
      TVkReg reg;
      const TExportResult r = ExportKey(reg, c.path, c.file);
      SetExportWriteHook(previous);
      EXPECT_EQ(r.Status, TExportStatus::Failed);
      EXPECT_EQ(r.Message.compare(0, c.message.size(), c.message), 0) << r.Message;
      EXPECT_EQ(r.Message.size() - r.Message.rfind(c.end), c.end.size()) << r.Message;
      EXPECT_EQ(ReadAll(File("old.reg")), old);
      EXPECT_EQ(ReadAll(File("read-only.reg")), old);
      EXPECT_EQ(Files(), files);
      if (round == 0 && &c == &cases[2]) {  // the message box: an error, the file named as it is
        ScriptedInteraction answers;
        EXPECT_EQ(ShowExportResult(r), TExportStatus::Failed);
        ASSERT_EQ(answers.Messages.size(), 1u);
        EXPECT_EQ(answers.Messages[0].text, r.Message);
        EXPECT_EQ(answers.Messages[0].flags, 16u);
      }
    }
    // A connected root has no name to head the key lines: refused.
    TVkReg reg;
    reg.SetRootKey(Key());
    EXPECT_EQ(ExportKey(reg, "A", File("new.reg")).Status, TExportStatus::Failed);
  }
  // The same exports, whole, close every handle they open.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ExportKeyToFile(File("new.reg"), RootCurrentUser, Path("A")).Status,
                                        TExportStatus::Complete);
  EXPECT_LE(ProcessHandles(), handles + 2);
  SetFileAttributesA(File("read-only.reg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Export, TheUnicodeFormGivesBackEveryNameAndByteThroughBothImporters) {
  // Names beside their ANSI look-alikes (and one that is no valid UTF-16), each a value and a
  // key with a key below it.
  const std::wstring names[] = {L"\u65E5\u672C", L"??",    L"\uFF3C", L"a\uFF3Cb", L"a\\b",      L"\u0141\u00F3d\u017A",
                                L"\u03A9mega",    L"Omega", L"v\u0416", L"v?",       L"q\"[x]", L"lone \xD800"};
  const struct { std::wstring name; DWORD type; std::string data; } values[] = {
      {L"", REG_SZ, Stored(L"default\0"s)},
      {L"q\"b\\", REG_SZ, Stored(L"C:\\x\\\"y\"\0"s)},
      {L"outside", REG_SZ, Stored(L"\u65E5\u672C \u03A9 \u20AC\0"s)},
      {L"odd", REG_SZ, "A\0B"s},
      {L"invalid", REG_SZ, Stored(L"\xDC00x\0"s)},
      {L"unterminated", REG_SZ, Stored(L"ab"s)},
      {L"embedded NUL", REG_SZ, Stored(L"a\0b\0"s)},
      {L"CR LF", REG_SZ, Stored(L"1\r\n2\0"s)},
      {L"empty", REG_SZ, ""},
      {L"expand unterminated", REG_EXPAND_SZ, Stored(L"%X%"s)},
      {L"multi", REG_MULTI_SZ, Stored(L"one\0\u0416\0\0"s)},
      {L"none", REG_NONE, ""},
      {L"none bytes", REG_NONE, "x"},
      {L"undefined", 0x1234, "xyz"},
      {L"dword", REG_DWORD, "\x78\x56\x34\x12"s},
      {L"binary", REG_BINARY, std::string(100, '\xA5')},
  };
  for (const std::wstring& name : names) {
    ASSERT_FALSE(RegSetKeyValueW(Key(), (L"T\\" + name + L"\\deep").c_str(), L"", REG_BINARY, "", 0));
    ASSERT_FALSE(RegSetKeyValueW(Key(), L"T", name.c_str(), REG_SZ, name.c_str(), 2 * (name.size() + 1)));
  }
  // (Followed by bytes that are not NUL: the call would store a NUL found behind string data.)
  for (const auto& v : values)
    ASSERT_FALSE(RegSetKeyValueW(Key(), L"T\\values", v.name.c_str(), v.type, (v.data + "\1\1\1").data(), v.data.size()));
  const std::vector<std::wstring> stored = DumpStored(Key(), L"T");
  ASSERT_EQ(stored.size(), 4 * std::size(names) + std::size(values) + 1 + 1);  // a\b adds key a

  const std::string file = File("unicode.reg");
  const TExportResult r = ExportKeyToFile(file, RootCurrentUser, Path().substr(1) + "T", TRegFileForm::Unicode);
  ASSERT_EQ(r.Status, TExportStatus::Complete) << r.Message;
  const std::string text = ReadAll(file);
  for (const std::wstring& part : {L"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n["s,
                                   L"\r\n\"outside\"=\"\u65E5\u672C \u03A9 \u20AC\"\r\n"s, L"\r\n\"q\\\"b\\\\\"=\"C:"s,
                                   L"\\T\\q\"[x]\\deep]\r\n"s, L"\r\n\"invalid\"=hex(1):00,DC,78,00,00,00\r\n"s,
                                   L"\r\n\"unterminated\"=hex(1):61,00,62,00\r\n"s})
    EXPECT_NE(text.find(Stored(part)), std::string::npos) << std::string(part.begin(), part.end());

  // This program's import gives back every byte.
  ASSERT_EQ(RegDeleteTreeW(Key(), L"T"), ERROR_SUCCESS);
  const TImportResult ours = ImportRegFile(file);
  EXPECT_EQ(ours.Status, TImportStatus::Complete) << ours.Message;
  EXPECT_EQ(DumpStored(Key(), L"T"), stored);

  // So does the platform's, but for one difference of Wine's regedit: to the data of types 1,
  // 2 and 7 whose last UTF-16 unit is not NUL it adds a NUL unit, over the odd last byte of an
  // odd count (which then ends in an undefined byte): the odd value is not compared.
  std::vector<std::wstring> expected;
  for (const std::wstring& line : stored)
    if (line.find(L"|odd|") == std::wstring::npos)
      expected.push_back(line.find(L"unterminated|") != std::wstring::npos ? line + L"0000" : line);
  ASSERT_EQ(RegDeleteTreeW(Key(), L"T"), ERROR_SUCCESS);
  ASSERT_EQ(ImportWithRegedit(file), 0u);
  std::vector<std::wstring> platform = DumpStored(Key(), L"T");
  std::erase_if(platform, [](const std::wstring& line) { return line.find(L"|odd|") != std::wstring::npos; });
  EXPECT_EQ(platform, expected);
}
