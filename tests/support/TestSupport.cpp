#include "support/TestSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>

#include "lib/VkFuncLib.h"
#include "lib/VkText.h"

namespace {
const char* const SandboxRoot = "Software\\Hivelark Tests";
std::atomic<unsigned> g_counter{0};
}  // namespace

void DeleteTree(HKEY parent, const std::string& name) {
  // By the stored names: the ANSI calls cannot reach keys whose names the code page cannot
  // spell, which would stay behind and meet the next test that gets the same sandbox name.
  if (!name.empty()) RegDeleteTreeW(parent, WideFromAnsi(name).c_str());
}

void RegSandbox::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string unique = std::string(info->test_suite_name()) + "." + info->name() + "." +
                       std::to_string(GetCurrentProcessId()) + "." + std::to_string(++g_counter);
  for (char& c : unique)
    if (c == '/' || c == '\\') c = '_';
  const std::string sub = std::string(SandboxRoot) + "\\" + unique;
  DeleteTree(HKEY_CURRENT_USER, sub);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
            ERROR_SUCCESS);
  path_ = "\\" + sub + "\\";
}

void RegSandbox::TearDown() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
  if (path_.size() > 2) DeleteTree(HKEY_CURRENT_USER, path_.substr(1, path_.size() - 2));
}

void RegSandbox::MakeKey(const std::string& relative) const {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(key_, relative.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

void RegSandbox::MakeValue(const std::string& key, const std::string& name, DWORD type,
                           const std::string& data) const {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(key_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

ScriptedInteraction::ScriptedInteraction() : previous_(SetInteraction(this)) {}
ScriptedInteraction::~ScriptedInteraction() { SetInteraction(previous_); }

int ScriptedInteraction::Message(const std::string& text, const std::string& caption, unsigned flags) {
  Messages.push_back({text, caption, flags});
  if (MessageAnswers.empty()) return 1;
  const int answer = MessageAnswers.front();
  MessageAnswers.pop_front();
  return answer;
}

bool ScriptedInteraction::Prompt(const std::string& prompt, std::string& text) {
  Prompts.push_back(prompt);
  if (PromptAnswers.empty()) return false;
  auto answer = PromptAnswers.front();
  PromptAnswers.pop_front();
  if (answer.first) text = answer.second;
  return answer.first;
}

namespace {
bool FileAnswer(std::deque<std::string>& answers, std::string& fileName) {
  if (answers.empty()) return false;
  const std::string answer = answers.front();
  answers.pop_front();
  if (answer.empty()) return false;
  fileName = answer;
  return true;
}
}  // namespace

bool ScriptedInteraction::OpenFileName(const TFileDialogSpec& request, std::string& fileName) {
  OpenDialogs.push_back(request);
  return FileAnswer(OpenAnswers, fileName);
}

bool ScriptedInteraction::SaveFileName(const TFileDialogSpec& request, std::string& fileName) {
  SaveDialogs.push_back(request);
  return FileAnswer(SaveAnswers, fileName);
}

bool ScriptedInteraction::ChooseDataType(const TDataTypeQuestion& question, int& choice) {
  TypeQuestions.push_back({question.Caption, question.MultiSelect, choice});
  if (TypeAnswers.empty()) return false;
  choice = TypeAnswers.front();
  TypeAnswers.pop_front();
  return true;
}

DWORD ProcessHandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void RemoveProgramFiles() {
  for (const char* f : {"Hivelark.ini", "BookMarks.bmk", "SearchRes.bmk", "CopyItems.bmk"}) {
    const std::string file = ProgramFolder() + f;
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
  }
}

bool ScriptedInteraction::ChooseColorDlg(CHOOSECOLORA& record) {
  ColorDialogs.push_back(record.rgbResult);
  while (!CustomColorEdits.empty()) {
    if (record.lpCustColors) record.lpCustColors[CustomColorEdits.front().first & 15] = CustomColorEdits.front().second;
    CustomColorEdits.pop_front();
  }
  if (ColorAnswers.empty()) return false;
  const long long answer = ColorAnswers.front();
  ColorAnswers.pop_front();
  if (answer < 0) return false;
  record.rgbResult = static_cast<COLORREF>(answer);
  return true;
}

bool ScriptedInteraction::ChooseFontDlg(CHOOSEFONTA& record) {
  FontDialogs.push_back(record.lpLogFont ? record.lpLogFont->lfFaceName : "");
  if (FontAnswers.empty()) return false;
  if (record.lpLogFont) *record.lpLogFont = FontAnswers.front();
  FontAnswers.pop_front();
  return true;
}

// Every key and value below key as sorted lines "path|name|type|bytes", with bare calls.
namespace {
void DumpInto(HKEY key, const std::string& path, bool shortLongData, std::vector<std::string>& lines) {
  std::vector<char> name(32768), data(1 << 20);
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      break;
    // Long data as its size and checksum, so that a failure prints readably.
    const std::string bytes = !shortLongData || size <= 256 ? std::string(data.data(), size)
                                          : std::to_string(size) + " bytes, CRC " +
                                                std::to_string(Crc32(std::string_view(data.data(), size)));
    lines.push_back(path + "|" + std::string(name.data(), nameLen) + "|" + std::to_string(type) + "|" + bytes);
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name.data(), nameLen);
  }
  for (const std::string& sub : subkeys) {
    lines.push_back(path + "\\" + sub);
    HKEY k = nullptr;
    if (RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) continue;
    DumpInto(k, path + "\\" + sub, shortLongData, lines);
    RegCloseKey(k);
  }
}

}  // namespace

std::vector<std::string> DumpTree(HKEY parent, const std::string& sub, bool shortLongData) {
  std::vector<std::string> lines;
  HKEY k = nullptr;
  if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return lines;
  DumpInto(k, "", shortLongData, lines);
  RegCloseKey(k);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string ListItemText(HWND list, int item, int sub) {
  char buf[512] = "";
  LVITEMA lv{};
  lv.iSubItem = sub;
  lv.pszText = buf;
  lv.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
  return buf;
}

// The platform's importer: regedit /s on the file, waited for; its exit code.
DWORD ImportWithRegedit(const std::string& file) {
  std::string command = "regedit.exe /s \"" + file + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0xFFFF;
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 0xFFFE;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// The tree below parent\sub as stored, read with the wide calls: one line per key (path) and
// per value (path|name|type|bytes in hexadecimal), sorted.
std::vector<std::wstring> DumpStored(HKEY parent, const std::wstring& sub, const std::wstring& path) {
  std::vector<std::wstring> lines;
  HKEY h = nullptr;
  if (RegOpenKeyExW(parent, sub.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return lines;
  wchar_t name[16384];
  std::vector<BYTE> data(4096);
  for (DWORD i = 0, len = 16384, size = 4096, type = 0;; ++i, len = 16384, size = static_cast<DWORD>(data.size())) {
    const LONG r = RegEnumValueW(h, i, name, &len, nullptr, &type, data.data(), &size);
    if (r == ERROR_MORE_DATA) {  // a value larger than the buffer: read it again whole
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      --i;
      continue;
    }
    if (r != ERROR_SUCCESS) break;
    lines.push_back(path + L"|" + std::wstring(name, len) + L"|" + std::to_wstring(type) + L"|");
    for (DWORD b = 0; b < size; ++b) lines.back() += {L"0123456789ABCDEF"[data[b] >> 4], L"0123456789ABCDEF"[data[b] & 15]};
  }
  for (DWORD i = 0, len = 16384; RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, len = 16384) {
    lines.push_back(path + L"\\" + std::wstring(name, len));
    for (const std::wstring& line : DumpStored(h, std::wstring(name, len), lines.back())) lines.push_back(line);
  }
  RegCloseKey(h);
  std::sort(lines.begin(), lines.end());
  return lines;
}
