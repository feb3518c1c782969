// Copy Path As: the path forms, and reg add lines run through the platform's reg.exe as a
// cmd.exe prompt passes them, which must give back every value byte for byte.
#include "editing/PathForms.h"

#include <commctrl.h>

#include "commands/Hivelark.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::literals;

namespace {

std::string Utf16(std::wstring_view w) { return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2); }

std::string Clipboard() {
  std::string text = "<closed>";
  HANDLE h = OpenClipboard(nullptr) ? GetClipboardData(CF_TEXT) : nullptr;
  if (const char* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr) text = p, GlobalUnlock(h);
  return CloseClipboard(), text;
}

// What the Windows cmd.exe prompt hands to the program it starts: a defined %name% is
// expanded, then a caret outside double quotes takes the next character literally (an
// escaped quote does not toggle the quoting). Wine's own cmd.exe differs (it expands
// ^%PATH^%), so the lines reach reg.exe through this model of the prompt.
DWORD RunAtCmdPrompt(const std::string& line) {
  std::string expanded, command, value(4096, '\0');
  for (std::size_t i = 0, end; i < line.size(); ++i) {
    const DWORD n = line[i] != '%' || (end = line.find('%', i + 1)) == std::string::npos ? 0
                    : GetEnvironmentVariableA(line.substr(i + 1, end - i - 1).c_str(), value.data(), 4096);
    if (n > 0 && n < 4096) expanded.append(value, 0, n), i = end;
    else expanded += line[i];
  }
  for (std::size_t i = 0, quoted = 0; i < expanded.size(); command += expanded[i++])
    if (expanded[i] == '^' && !quoted && i + 1 < expanded.size()) ++i;
    else if (expanded[i] == '"') quoted = !quoted;
  STARTUPINFOA si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return 999;
  DWORD code = 998;
  WaitForSingleObject(pi.hProcess, 30000), GetExitCodeProcess(pi.hProcess, &code);
  return CloseHandle(pi.hThread), CloseHandle(pi.hProcess), code;
}

class CopyPathAs : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ASSERT_TRUE(program.Form().Create());
    program.Form().State().SortMethod = 0;  // values by name
  }
  THivelark program;
  ScriptedInteraction answers;
};

}  // namespace

TEST_F(CopyPathAs, RegAddLinesRecreateEveryValueThroughCmdAndRegExe) {
  struct Value { std::wstring_view name; DWORD type; std::string bytes; bool recreated; } const values[] = {
      {L""sv, REG_SZ, Utf16(L"plain\0"sv), true}, {L"\""sv, REG_SZ, Utf16(L"\0"sv), true},
      {L"say \"hi\""sv, REG_SZ, Utf16(L"\"q\" \\\"x\\\" end\\\0"sv), true},
      {L"trail\\"sv, REG_EXPAND_SZ, Utf16(L"%PATH%;%%x%\\%\0"sv), true},
      {L"%PATH% & | < > ^ ( ) !"sv, REG_SZ, Utf16(L"a & b | c < d > ^ ( ) %PATH% !x!\0"sv), true},
      {L"multi"sv, REG_MULTI_SZ, Utf16(L"one\0two \"2\" |\0three\\\0\0"sv), true},
      {L"bin"sv, REG_BINARY, "\x00\x01\xFF"s, true}, {L"bin0"sv, REG_BINARY, ""s, true},
      {L"dw"sv, REG_DWORD, "\xFE\xFF\xFF\xFF"s, true},
      {L"qw"sv, REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x88"s, true}, {L"none"sv, REG_NONE, Utf16(L"t\0"sv), true},
      {L"nul inside"sv, REG_SZ, Utf16(L"a\0b\0"sv), false}, {L"odd"sv, REG_SZ, "abc"s, false},
      {L"cp"sv, REG_SZ, Utf16(L"\x0416\0"sv), false}, {L"line"sv, REG_SZ, Utf16(L"a\r\nb\0"sv), false},
      {L"dw3"sv, REG_DWORD, "\x01\x02\x03"s, false}, {L"none0"sv, REG_NONE, ""s, false},
      {L"emptyitem"sv, REG_MULTI_SZ, Utf16(L"a\0\0b\0\0"sv), false}, {L"odd type"sv, 0x1234, "x"s, false},
  };
  for (const Value& v : values)
    RegSetValueExW(Key(), std::wstring(v.name).c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.bytes.data()),
                   static_cast<DWORD>(v.bytes.size()));
  program.Form().ShowStartLocation("HKCU" + Path());
  ASSERT_TRUE(program.Form().RunCommand(CM_SELECTALL) && program.Form().RunCommand(CM_COPYPATH_REGADD));
  const std::string lines = Clipboard();
  RegDeleteTreeW(Key(), nullptr);
  for (std::size_t start = 0, end; (end = lines.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_EQ(RunAtCmdPrompt(lines.substr(start, end - start)), 0u) << lines.substr(start, end - start);
  for (const Value& v : values) {
    // Each value comes back exactly, or the message names it as left out.
    const std::string shown = "\"" + std::string(v.name.begin(), v.name.end()) + "\" (";
    EXPECT_EQ(answers.Messages.at(0).text.find(shown) != std::string::npos, !v.recreated && !v.name.empty()) << shown;
    DWORD type = 0, size = 4096;
    std::string got(size, '\0');
    const LONG r = RegQueryValueExW(Key(), std::wstring(v.name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(got.data()), &size);
    got.resize(r == ERROR_SUCCESS ? size : 0);
    EXPECT_EQ(std::to_string(type) + ":" + got, v.recreated ? std::to_string(v.type) + ":" + v.bytes : "0:") << shown;
  }
}

TEST_F(CopyPathAs, LocationPowerShellAndRegistrationFileForms) {
  MakeKey("K\\Sub");
  MakeValue("K", "v\"", REG_SZ, "x\\\0"s);
  MakeValue("K", "d", REG_DWORD, "\x2A\0\0\0"s);
  program.Form().ShowStartLocation("HKCU" + Path("K"));
  const std::string loc = "HKEY_CURRENT_USER" + Path("K"), key = loc.substr(0, loc.size() - 1);
  const std::string ps = "HKCU:" + Path("K"), psKey = ps.substr(0, ps.size() - 1);
  struct Case { int id; std::initializer_list<const char*> rows; std::string text; } const cases[] = {
      {CM_COPYPATH_LOCATION, {}, loc}, {CM_COPYPATH_LOCATION, {"Sub", "d"}, loc + "Sub\\\r\n" + loc + "d\r\n"},
      {CM_COPYPATH_POWERSHELL, {"Sub", "d", "v\""}, ps + "Sub\r\n" + psKey + "\r\n"},
      {CM_COPYPATH_REGFILE, {"Sub", "d", "v\""},
       "REGEDIT4\r\n\r\n[" + key + "]\r\n\"d\"=dword:0000002A\r\n\"v\\\"\"=\"x\\\\\"\r\n\r\n[" + key + "\\Sub]\r\n"},
  };
  for (const Case& c : cases) {
    ListView_SetItemState(program.Form().Reg_ListView(), -1, 0, LVIS_SELECTED);
    for (const char* n : c.rows)
      ListView_SetItemState(program.Form().Reg_ListView(), program.Form().Model().Find(n), LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(program.Form().RunCommand(c.id));
    EXPECT_EQ(Clipboard(), c.text) << c.id;
  }
  EXPECT_EQ(PowerShellPath(RootClassesRoot, "\\.txt\\"), "Registry::HKEY_CLASSES_ROOT\\.txt");
}
