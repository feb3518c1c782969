// Copy Path As: the path forms, and reg add lines run through the platform's reg.exe as a
// cmd.exe prompt passes them, which must give back every value byte for byte.
#include "editing/PathForms.h"

#include <commctrl.h>

#include "commands/Hivelark.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

std::string Utf16(std::wstring_view w) { return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2); }

std::string Clipboard() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<closed>";
  if (HANDLE h = GetClipboardData(CF_TEXT))
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      text = p;
      GlobalUnlock(h);
    }
  CloseClipboard();
  return text;
}

// What the Windows cmd.exe prompt hands to the program it starts: a defined %name% is
// expanded, then carets outside double quotes escape the next character (an escaped quote
// does not toggle the quoting). Wine's own cmd.exe differs (it expands ^%PATH^%), so the
// lines go to reg.exe through this model of the prompt.
std::string AsCmdPrompt(const std::string& line) {
  std::string expanded, out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const std::size_t end = line[i] == '%' ? line.find('%', i + 1) : std::string::npos;
    char value[4096];
    const DWORD n = end == std::string::npos ? 0
                    : GetEnvironmentVariableA(line.substr(i + 1, end - i - 1).c_str(), value, sizeof value);
    if (n > 0 && n < sizeof value) {
      expanded.append(value, n);
      i = end;
    } else {
      expanded += line[i];
    }
  }
  bool quoted = false;
  for (std::size_t i = 0; i < expanded.size(); ++i) {
    if (expanded[i] == '^' && !quoted && i + 1 < expanded.size()) ++i;
    else if (expanded[i] == '"') quoted = !quoted;
    out += expanded[i];
  }
  return out;
}

DWORD RunAtCmdPrompt(const std::string& line) {
  std::string command = AsCmdPrompt(line);
  STARTUPINFOA si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return 999;
  WaitForSingleObject(pi.hProcess, 30000);
  DWORD code = 998;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

class CopyPathAs : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ASSERT_TRUE(program.Form().Create());
    program.Form().State().SortMethod = 0;  // values by name
  }
  void Run(int id, std::initializer_list<const char*> rows) {
    HWND list = program.Form().Reg_ListView();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (const char* n : rows) ListView_SetItemState(list, program.Form().Model().Find(n), LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(program.Form().RunCommand(id));
  }
  THivelark program;
  ScriptedInteraction answers;
};

}  // namespace

TEST(PathForms, CmdArgumentsAndRootNames) {
  const std::pair<const char*, const char*> args[] = {
      {"", "\"\""},           {"a b", "\"a b\""},         {"C:\\dir\\", "\"C:\\dir\\\\\""},
      {"a\"b", "\"a\"\\^\"\"b\""}, {"x\\\"", "\"x\\\\\"\\^\""}, {"%PATH%", "^%\"PATH\"^%"},
      {"a\\%", "\"a\\\\\"^%"},   {"a\nb", ""},
  };
  for (const auto& [text, typed] : args) EXPECT_EQ(CmdArgument(text), typed) << text;
  EXPECT_EQ(PowerShellPath(RootLocalMachine, "\\Software\\X\\"), "HKLM:\\Software\\X");
  EXPECT_EQ(PowerShellPath(RootCurrentUser, "\\"), "HKCU:\\");
  EXPECT_EQ(PowerShellPath(RootClassesRoot, "\\.txt\\"), "Registry::HKEY_CLASSES_ROOT\\.txt");
  EXPECT_EQ(PowerShellPath(RootUsers, "\\"), "Registry::HKEY_USERS");
  EXPECT_EQ(RegExeKeyName(RootCurrentUser, "\\"), "HKCU");  // "HKCU\" is refused by reg.exe
  EXPECT_EQ(RegExeKeyName(RootPerformanceData, "\\A\\"), "");
}

TEST_F(CopyPathAs, RegAddLinesRecreateEveryValueThroughCmdAndRegExe) {
  struct Value {
    std::wstring_view name;
    DWORD type;
    std::string bytes;
    bool recreated;
  };
  const Value values[] = {
      {L""sv, REG_SZ, Utf16(L"plain\0"sv), true},
      {L"say \"hi\""sv, REG_SZ, Utf16(L"\"q\" \\\"x\\\" end\\\0"sv), true},
      {L"trail\\"sv, REG_EXPAND_SZ, Utf16(L"%PATH%;%%x%\\%\0"sv), true},
      {L"%USERNAME% & | < > ^ ( ) !"sv, REG_SZ, Utf16(L"a & b | c < d > ^ ( ) %USERNAME% !x!\0"sv), true},
      {L"\""sv, REG_SZ, Utf16(L"\0"sv), true},
      {L"multi"sv, REG_MULTI_SZ, Utf16(L"one\0two \"2\" |\0three\\\0\0"sv), true},
      {L"bin"sv, REG_BINARY, "\x00\x01\xFF"s, true},
      {L"bin0"sv, REG_BINARY, ""s, true},
      {L"dw"sv, REG_DWORD, "\xFE\xFF\xFF\xFF"s, true},
      {L"qw"sv, REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x88"s, true},
      {L"none"sv, REG_NONE, Utf16(L"t\0"sv), true},
      {L"nul inside"sv, REG_SZ, Utf16(L"a\0b\0"sv), false},
      {L"odd"sv, REG_SZ, "abc"s, false},
      {L"cp"sv, REG_SZ, Utf16(L"\x0416\0"sv), false},
      {L"line"sv, REG_SZ, Utf16(L"a\r\nb\0"sv), false},
      {L"dw3"sv, REG_DWORD, "\x01\x02\x03"s, false},
      {L"none0"sv, REG_NONE, ""s, false},
      {L"emptyitem"sv, REG_MULTI_SZ, Utf16(L"a\0\0b\0\0"sv), false},
      {L"odd type"sv, 0x1234, "x"s, false},
  };
  MakeKey("K");
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExA(Key(), "K", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  for (const Value& v : values)
    RegSetValueExW(k, std::wstring(v.name).c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.bytes.data()),
                   static_cast<DWORD>(v.bytes.size()));
  program.Form().ShowStartLocation("HKCU" + Path("K"));
  ASSERT_TRUE(program.Form().RunCommand(CM_SELECTALL));
  ASSERT_TRUE(program.Form().RunCommand(CM_COPYPATH_REGADD));
  const std::string lines = Clipboard();
  ASSERT_EQ(answers.Messages.size(), 1u);
  const std::string& message = answers.Messages[0].text;
  for (const char* left : {"\"nul inside\" (", "\"odd\" (", "\"cp\" (", "\"line\" (", "\"dw3\" (", "\"none0\" (",
                           "\"emptyitem\" (", "\"odd type\" ("})
    EXPECT_NE(message.find(left), std::string::npos) << left;
  EXPECT_EQ(message.find("\"multi\""), std::string::npos) << message;
  RegDeleteTreeW(k, nullptr);
  for (std::size_t start = 0, end; (end = lines.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_EQ(RunAtCmdPrompt(lines.substr(start, end - start)), 0u) << lines.substr(start, end - start);
  for (const Value& v : values) {
    DWORD type = 0, size = 4096;
    std::string got(size, '\0');
    const LONG r = RegQueryValueExW(k, std::wstring(v.name).c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(got.data()), &size);
    got.resize(r == ERROR_SUCCESS ? size : 0);
    EXPECT_EQ(r == ERROR_SUCCESS, v.recreated) << v.bytes;
    if (v.recreated) EXPECT_EQ(std::to_string(type) + ":" + got, std::to_string(v.type) + ":" + v.bytes);
  }
  RegCloseKey(k);
}

TEST_F(CopyPathAs, LocationPowerShellAndRegistrationFileForms) {
  MakeKey("K\\Sub");
  MakeValue("K", "v\"", REG_SZ, "x\\\0"s);
  MakeValue("K", "d", REG_DWORD, "\x2A\0\0\0"s);
  program.Form().ShowStartLocation("HKCU" + Path("K"));
  const std::string loc = "HKEY_CURRENT_USER" + Path("K"), ps = "HKCU:" + Path("K");
  const std::string key = loc.substr(0, loc.size() - 1);
  struct Case {
    int id;
    std::initializer_list<const char*> rows;
    std::string text;
  };
  const Case cases[] = {
      {CM_COPYPATH_LOCATION, {}, loc},
      {CM_COPYPATH_LOCATION, {"Sub", "d"}, loc + "Sub\\\r\n" + loc + "d\r\n"},
      {CM_COPYPATH_POWERSHELL, {}, ps.substr(0, ps.size() - 1)},
      {CM_COPYPATH_POWERSHELL, {"Sub", "d", "v\""}, ps + "Sub\r\n" + ps.substr(0, ps.size() - 1) + "\r\n"},
      {CM_COPYPATH_REGFILE, {}, "REGEDIT4\r\n\r\n[" + key + "]\r\n"},
      {CM_COPYPATH_REGFILE, {"Sub", "d", "v\""},
       "REGEDIT4\r\n\r\n[" + key + "]\r\n\"d\"=dword:0000002A\r\n\"v\\\"\"=\"x\\\\\"\r\n\r\n[" + key + "\\Sub]\r\n"},
  };
  for (const Case& c : cases) {
    Run(c.id, c.rows);
    EXPECT_EQ(Clipboard(), c.text) << c.id;
  }
  EXPECT_TRUE(answers.Messages.empty());
}
