// Undo on a tree of names and bytes outside the code page: every recording command through the
// real window, then the undo of its record, gives back the tree byte for byte, also after a restart;
// over a later change it asks first; a damaged record or a journal that cannot be written changes nothing.
#include "commands/Hivelark.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string_view>

#include "lib/VkFuncLib.h"
#include "registry/Journal.h"
#include "resource.h"
#include "support/TestSupport.h"
#include "tools/Config.h"

using namespace std::string_literals;

namespace {

// Values of the fixture key F: names the code page cannot spell beside their look-alikes, the
// default name, a name with "\", string data of odd length, without final NUL, with NULs inside.
struct TValueCase { const wchar_t* Name; DWORD Type; std::string Bytes; };
const TValueCase Values[] = {
    {L"", REG_SZ, "\x16\x04"s},          {L"\u4E2D", REG_SZ, "a\0\0\0"s},       {L"?", REG_SZ, "b\0\0\0"s},
    {L"v\u0416", REG_BINARY, "\x01\x02"s}, {L"v?", REG_BINARY, "\0\x03\0"s},      {L"odd", REG_SZ, "\x41\x00\x42"s},
    {L"bad", REG_SZ, "\x01\x02\xff\xfe\x00\xdc"s}, {L"multi", REG_MULTI_SZ, "\x16\x04\0\0a\0\0\0\0\0"s},
    {L"a\\b", REG_DWORD, "\x07\0\0\0"s}};
// Keys of F with a default value each; "a\b" makes a and b; a copy of a into K? merges into K?\a.
const wchar_t* const KeyNames[] = {L"\u65E5\u672C", L"??", L"\uFF3C", L"a\uFF3Cb", L"a\\b", L"\u0141\u00F3d\u017A",
                                   L"Stra\u00DFe", L"Strasse", L"K\u0416", L"K?", L"K?\\a\\b"};
constexpr DWORD BigSize = 200000;  // the binary value of F\Big

// A window a command opens modally is answered from a timer inside its loop: the first visible
// owned window of the thread that holds the control gets the action.
int g_control = 0;
std::function<void(HWND)> g_action;
void CALLBACK AnswerWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM out) {
    const bool it = GetWindow(w, GW_OWNER) && IsWindowVisible(w) && GetDlgItem(w, g_control);
    if (it) *reinterpret_cast<HWND*>(out) = w;
    return BOOL{!it};
  }, reinterpret_cast<LPARAM>(&found));
  if (found) KillTimer(nullptr, timer), g_action(found);
}
void Click(HWND window, int id) { SendMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0); }

class Undo : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    for (const TJournalEntry& e : ChangeJournal().List(true)) ChangeJournal().Remove(e);
    Build();
    Start();
  }
  void TearDown() override {
    program = nullptr;
    ChangeJournal().SetFolder("");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"reg");
    RegSandbox::TearDown();
  }
  void Start() {
    program = nullptr;
    program = std::make_unique<THivelark>();
    ASSERT_TRUE(form().Create());
    form().Navigator().NtFamily = false;
    Show("F");
  }
  void Show(const std::string& key) { form().ShowStartLocation("HKCU" + Path(key)); }
  TFormHivelark& form() { return program->Form(); }
  HWND List() { return form().Reg_ListView(); }
  // F, and the reg link registration HKEY_CLASSES_ROOT\reg, made anew with the wide calls; no
  // NUL behind any data to be taken in with it.
  void Build() {
    RegDeleteTreeW(Key(), L"F");
    for (const std::wstring k : KeyNames)
      RegSetKeyValueW(Key(), (L"F\\" + k).c_str(), L"", REG_SZ, (L"in " + k).c_str(), static_cast<DWORD>(k.size() + 3) * 2);
    for (const TValueCase& v : Values)
      RegSetKeyValueW(Key(), L"F", v.Name, v.Type, (v.Bytes + "\x01\x01").data(), static_cast<DWORD>(v.Bytes.size()));
    std::string big(BigSize, '\0');
    for (DWORD i = 0; i < BigSize; ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    RegSetKeyValueW(Key(), L"F\\Big", L"blob", REG_BINARY, big.data(), BigSize);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"reg");
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L"reg\\\u0141\u00F3d\u017A", L"\u65E5", REG_SZ, "A\0B\1", 3);
  }
  // F and HKEY_CLASSES_ROOT\reg as stored.
  std::vector<std::wstring> Dump() {
    std::vector<std::wstring> lines = DumpStored(Key(), L"F"), reg = DumpStored(HKEY_CLASSES_ROOT, L"reg", L"reg");
    lines.insert(lines.end(), reg.begin(), reg.end());
    return lines;
  }
  // Selects exactly the rows of these captions (distinct in F: keys and values alike).
  void Select(std::initializer_list<std::string> captions) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    for (const std::string& c : captions) {
      int i = form().Model().Count();
      while (--i >= 0 && form().Model().Caption(i) != c) {}
      ASSERT_GE(i, 0) << c;
      ListView_SetItemState(List(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  void Run(int command) { ASSERT_TRUE(form().RunCommand(command)) << command; }
  // Runs the command with its modal window answered by the action once the control is there.
  void RunAnswered(int command, int control, std::function<void(HWND)> action) {
    g_control = control;
    g_action = std::move(action);
    SetTimer(nullptr, 0, 20, AnswerWindow);
    Run(command);
  }
  // The value editor: the text into its box, then the button (Apply is followed by Cancel).
  void Edit(const std::string& row, std::string text, int button) {
    Select({row});
    RunAnswered(CM_EDITVALUE, IDC_VAL_APPLY, [text, button](HWND dlg) {
      SetWindowTextA(GetDlgItem(dlg, IsWindowVisible(GetDlgItem(dlg, IDC_VAL_EDIT)) ? IDC_VAL_EDIT : IDC_VAL_RICH), text.c_str());
      Click(dlg, button);
      if (button == IDC_VAL_APPLY) Click(dlg, IDCANCEL);
    });
  }
  // The row's own rename editor: the name typed, then Enter (or Esc without a name).
  void Rename(const char* name) {
    PumpMessages();
    const HWND edit = ListView_GetEditControl(List());
    ASSERT_NE(edit, nullptr);
    if (name) SetWindowTextA(edit, name);
    SendMessageA(edit, WM_KEYDOWN, name ? VK_RETURN : VK_ESCAPE, 0);
    PumpMessages();
  }
  // A registration file in UTF-16 that deletes a key and a value, creates a key in one the code
  // page cannot spell, and writes over values of every kind of name.
  std::string ImportFile() {
    const std::wstring f = WideFromAnsi("HKEY_CURRENT_USER" + Path()) + L"F";
    const std::wstring text = L"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[-" + f + L"\\a]\r\n[" + f +
                              L"\\\u65E5\u672C\\\u65B0]\r\n\"\u03A9\"=hex(2):41,00\r\n[" + f +
                              L"]\r\n\"odd\"=-\r\n@=\"x\"\r\n\"v\u0416\"=hex:ff,00\r\n";
    const std::string file = ProgramFolder() + "Undo.reg";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return file;
  }
  void DeleteSome() { Select({"a", "odd", "a\\b"}), answers.MessageAnswers = {IDYES}, Run(CM_DELETEKEYVALUE); }
  TUndoResult::TStatus UndoNewest() {
    TJournalEntry entry;
    return ChangeJournal().Newest(entry) ? UndoChange(entry).Status : TUndoResult::Refused;  // Refused: no record
  }

  ScriptedInteraction answers;
  std::unique_ptr<THivelark> program;
};

}  // namespace

TEST_F(Undo, EveryCommandUndoesToTheSameBytesAlsoAfterARestart) {
  const auto yes = [&](int n) { answers.MessageAnswers.assign(static_cast<std::size_t>(n), IDYES); };
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"Delete", [&] { Select({"??", "a", "Big", "Stra\xDF" "e", "?", "v?", "odd", "", "a\\b"}), yes(1), Run(CM_DELETEKEYVALUE); }},
      {"New Key", [&] { answers.PromptAnswers = {{true, "??\\x\\y"}}, Run(CM_NEWKEY); }},
      {"New Value", [&] { answers.TypeAnswers = {REG_MULTI_SZ}, Run(CM_NEWVALUE), Rename(nullptr); }},
      {"Edit OK", [&] { Edit("odd", "6E 00 65 00 77", IDOK); }},
      {"Edit Apply", [&] { Edit("", "78 00", IDC_VAL_APPLY); }},
      {"Change Data Type", [&] { Select({"v?"}), answers.TypeAnswers = {REG_SZ}, Run(CM_CHANGETYPE); }},
      {"Rename key", [&] { Select({"a"}), Run(CM_RENAME), Rename("\xC5" "a"); }},
      {"Rename value", [&] { Select({"odd"}), Run(CM_RENAME), Rename("\xF3" "dd"); }},
      {"Copy", [&] { Select({"??", "a", "odd", ""}), yes(4), answers.PromptAnswers = {{true, "K?"}}, Run(CM_COPY); }},
      {"Rename/Move", [&] { Select({"a", "Big", "v?", "a\\b"}), answers.PromptAnswers = {{true, "Stra\xDF" "e"}}, Run(CM_MOVE); }},
      {"Paste", [&] { Select({"??", "Big", "odd", ""}), Run(CM_CLIPCUT), Show("F\\Strasse"), yes(4), Run(CM_CLIPPASTE); }},
      {"Import", [&] { answers.OpenAnswers = {ImportFile()}, yes(1), Run(CM_IMPORTFILE); }},
      {"Reg links", [&] { RunAnswered(CM_CONFIG, IdcRegProtocol, [](HWND w) { Click(w, IdcRegProtocol), Click(w, IDOK); }); }},
  };
  for (const auto& [name, run] : commands) {
    SCOPED_TRACE(name);
    Build();
    Show("F");
    const std::vector<std::wstring> before = Dump();
    answers.Messages.clear();
    run();
    if (name == commands[0].first) SendMessageA(form().Handle(), WM_CLOSE, 0, 0), Start();  // its undo after a restart
    for (const ScriptedInteraction::Question& q : answers.Messages) EXPECT_NE(q.flags, MsgError) << q.text;
    EXPECT_NE(Dump(), before);
    EXPECT_EQ(ChangeJournal().List().size(), 1u);  // one command, one record
    EXPECT_EQ(UndoNewest(), TUndoResult::Restored);
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(ChangeJournal().List().empty());
  }
}

TEST_F(Undo, AnItemChangedSinceIsNamedAndNoChangesNothing) {
  const std::vector<std::wstring> before = Dump();
  DeleteSome();
  ASSERT_EQ(RegSetKeyValueW(Key(), L"F", L"odd", REG_SZ, L"later", 12), ERROR_SUCCESS);
  const std::vector<std::wstring> changed = Dump();
  answers.Messages.clear(), answers.MessageAnswers = {IDNO};
  EXPECT_EQ(UndoNewest(), TUndoResult::Cancelled);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].flags, MsgYesNo | MB_DEFBUTTON2);
  const std::string& asked = answers.Messages[0].text;  // only that value: the rest is as the command left it
  EXPECT_NE(asked.find(":\r\nvalue \"odd\" in HKEY_CURRENT_USER" + Path() + "F (created again)\r\n\r\n"),
            std::string::npos) << asked;
  EXPECT_EQ(Dump(), changed);
  answers.MessageAnswers = {IDYES};  // Yes puts back what was there, over the later value
  EXPECT_EQ(UndoNewest(), TUndoResult::Restored);
  EXPECT_EQ(Dump(), before);
}

TEST_F(Undo, ADamagedRecordIsRefusedAndKept) {
  DeleteSome();
  const std::vector<std::wstring> after = Dump();
  TJournalEntry entry;
  ASSERT_TRUE(ChangeJournal().Newest(entry));
  std::filesystem::resize_file(entry.File, std::filesystem::file_size(entry.File) - 60);  // into the items
  answers.Messages.clear();
  EXPECT_EQ(UndoChange(entry).Status, TUndoResult::Refused);
  EXPECT_FALSE(ChangeJournal().Newest(entry));  // Undo passes over it
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("its record in the journal is damaged (it is truncated)"), std::string::npos);
  EXPECT_EQ(Dump(), after);
  EXPECT_TRUE(ChangeJournal().List().size() == 1 && ChangeJournal().List()[0].Damaged);  // kept
}

TEST_F(Undo, AJournalThatCannotBeWrittenKeepsDeleteFromDeleting) {
  const std::string file = ProgramFolder() + "Not a folder";
  std::ofstream(file) << "x";
  ChangeJournal().SetFolder(file + "\\Journal\\");
  const std::vector<std::wstring> before = Dump();
  DeleteSome();
  EXPECT_EQ(Dump(), before);
  ASSERT_EQ(answers.Messages.size(), 2u);  // the question, then the refusal
  EXPECT_EQ(answers.Messages[1].flags, MsgError);
  EXPECT_EQ(answers.Messages[1].text.rfind("The change could not be recorded in the undo journal, so nothing was "
                                           "changed.\r\n\r\n" + file + "\\Journal\\\r\n", 0), 0u);
  DeleteFileA(file.c_str());
}
