// Undo of every command that records its change, on a tree of names and bytes outside the
// code page: the command through the real window, then the undo of its record, gives back the
// tree byte for byte; also after a restart. An undo over a later change asks first, a damaged
// record is refused, and a journal that cannot be written keeps the command from changing
// anything.
#include "commands/Hivelark.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string_view>

#include "lib/VkFuncLib.h"
#include "lib/VkWindow.h"
#include "registry/Journal.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

// Values of the fixture key F: names the code page cannot spell beside their look-alikes, the
// empty default name, a name with "\", string data of odd length, without a final NUL, with
// embedded NULs or not UTF-16 at all.
struct TValueCase { const wchar_t* Name; DWORD Type; std::string Bytes; };
const TValueCase Values[] = {
    {L"", REG_SZ, "\x16\x04"s},          {L"\u4E2D", REG_SZ, "a\0\0\0"s},       {L"?", REG_SZ, "b\0\0\0"s},
    {L"v\u0416", REG_BINARY, "\x01\x02"s}, {L"v?", REG_BINARY, "\0\x03\0"s},      {L"odd", REG_SZ, "\x41\x00\x42"s},
    {L"bad", REG_SZ, "\x01\x02\xff\xfe\x00\xdc"s}, {L"multi", REG_MULTI_SZ, "\x16\x04\0\0a\0\0\0\0\0"s},
    {L"a\\b", REG_DWORD, "\x07\0\0\0"s}};
// Keys of F, each holding a default value of its name ("a\b" makes a and its subkey b).
const wchar_t* const KeyNames[] = {L"\u65E5\u672C", L"??", L"\uFF3C", L"a\uFF3Cb", L"a\\b", L"\u0141\u00F3d\u017A",
                                   L"Stra\u00DFe", L"Strasse", L"K\u0416", L"K?"};
constexpr DWORD BigSize = 200000;  // the binary value of F\Big

// The value editor opened by a command is answered from a timer inside its modal loop: the
// text goes into its box, then the button is pressed (Apply is followed by Cancel).
std::string g_editText;
int g_editButton = 0;
void CALLBACK AnswerEditor(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND dlg = DialogOwner();
  if (!dlg || !GetDlgItem(dlg, IDC_VAL_APPLY)) return;  // not open yet
  KillTimer(nullptr, timer);
  const HWND line = GetDlgItem(dlg, IDC_VAL_EDIT);
  SetWindowTextA(IsWindowVisible(line) ? line : GetDlgItem(dlg, IDC_VAL_RICH), g_editText.c_str());
  SendMessageA(GetDlgItem(dlg, g_editButton), BM_CLICK, 0, 0);
  if (g_editButton == IDC_VAL_APPLY) SendMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
}

class Undo : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ChangeJournal().SetFolder("");
    for (const TJournalEntry& e : ChangeJournal().List(true)) ChangeJournal().Remove(e);
    Build();
    Start();
  }
  void TearDown() override {
    program.reset();
    ChangeJournal().SetFolder("");
    RegSandbox::TearDown();
  }
  void Start() {
    program.reset();
    program = std::make_unique<THivelark>();
    ASSERT_TRUE(form().Create());
    form().Navigator().NtFamily = false;
    Show();
  }
  void Show() { form().ShowStartLocation("HKCU" + Path("F")); }
  TFormHivelark& form() { return program->Form(); }
  HWND List() { return form().Reg_ListView(); }
  // The fixture tree F, made anew with the wide calls.
  void Build() {
    RegDeleteTreeW(Key(), L"F");
    HKEY f = nullptr;
    ASSERT_EQ(RegCreateKeyExW(Key(), L"F", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &f, nullptr), ERROR_SUCCESS);
    for (const std::wstring k : KeyNames) {
      const std::wstring data = L"in " + k;  // no final NUL
      RegSetKeyValueW(f, k.c_str(), L"", REG_SZ, data.c_str(), static_cast<DWORD>(data.size() * 2));
    }
    for (const TValueCase& v : Values)  // no NUL behind the data to be taken in with it
      RegSetKeyValueW(f, nullptr, v.Name, v.Type, (v.Bytes + "\x01\x01").data(), static_cast<DWORD>(v.Bytes.size()));
    std::string big(BigSize, '\0');
    for (DWORD i = 0; i < BigSize; ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    RegSetKeyValueW(f, L"Big", L"blob", REG_BINARY, big.data(), BigSize);
    RegCloseKey(f);
  }
  // F as stored; DumpStored reads no data over 4096 bytes, so the large value is added by its
  // size and a hash of its bytes.
  std::vector<std::wstring> Dump() {
    std::vector<std::wstring> lines = DumpStored(Key(), L"F");
    std::string big(BigSize + 1, '\0');
    DWORD size = BigSize + 1, type = 0;
    if (RegGetValueW(Key(), L"F\\Big", L"blob", RRF_RT_ANY, &type, big.data(), &size) == ERROR_SUCCESS)
      lines.push_back(L"blob " + std::to_wstring(type) + L" " + std::to_wstring(size) + L" " +
                      std::to_wstring(std::hash<std::string_view>()(std::string_view(big.data(), size))));
    return lines;
  }
  // Selects exactly the rows of these captions: "\name" a key, "name" a value.
  void Select(std::initializer_list<std::string> rows) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    for (const std::string& r : rows) {
      const bool key = !r.empty() && r[0] == '\\';
      int found = -1;
      for (int i = 0; i < form().Model().Count(); ++i)
        if (form().Model().Rows[static_cast<std::size_t>(i)].IsKey() == key &&
            form().Model().Rows[static_cast<std::size_t>(i)].IsValue() != key && form().Model().Caption(i) == r.substr(key))
          found = i;
      ASSERT_GE(found, 0) << r;
      ListView_SetItemState(List(), found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  void Run(int command) { ASSERT_TRUE(form().RunCommand(command)) << command; }
  void Edit(const std::string& text, int button) {
    g_editText = text;
    g_editButton = button;
    SetTimer(nullptr, 0, 20, AnswerEditor);
    Run(CM_EDITVALUE);
  }
  void DeleteSome() {
    Select({"\\a", "odd", "a\\b"});
    answers.MessageAnswers = {IDYES};
    Run(CM_DELETEKEYVALUE);
  }
  // Undoes the newest record.
  TUndoResult::TStatus UndoNewest() {
    TJournalEntry entry;
    if (!ChangeJournal().Newest(entry)) ADD_FAILURE() << "no record";
    return entry.File.empty() ? TUndoResult::Refused : UndoChange(entry).Status;
  }

  ScriptedInteraction answers;
  std::unique_ptr<THivelark> program;
};

}  // namespace

TEST_F(Undo, EveryCommandUndoesToTheSameBytes) {
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"Delete", [&] {
         Select({"\\??", "\\a", "\\Big", "\\Stra\xDF" "e", "?", "v?", "odd", "", "a\\b"});
         answers.MessageAnswers = {IDYES};
         Run(CM_DELETEKEYVALUE);
       }},
      {"New Key", [&] {
         answers.PromptAnswers = {{true, "??\\x\\y"}};
         Run(CM_NEWKEY);
       }},
      {"New Value", [&] {
         answers.TypeAnswers = {REG_MULTI_SZ};
         Run(CM_NEWVALUE);
         PumpMessages();  // Esc closes the rename it starts
         SendMessageA(reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETEDITCONTROL, 0, 0)), WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"Edit OK", [&] { Select({"odd"}), Edit("6E 00 65 00 77", IDOK); }},
      {"Edit Apply", [&] { Select({""}), Edit("78 00", IDC_VAL_APPLY); }},
      {"Change Data Type", [&] {
         Select({"v?"});
         answers.TypeAnswers = {REG_SZ};
         Run(CM_CHANGETYPE);
       }},
  };
  for (const auto& [name, run] : commands) {
    SCOPED_TRACE(name);
    Build();
    Show();
    const std::vector<std::wstring> before = Dump();
    answers.Messages.clear();
    run();
    for (const ScriptedInteraction::Question& q : answers.Messages) EXPECT_NE(q.flags, MsgError) << q.text;
    EXPECT_NE(Dump(), before);
    EXPECT_EQ(ChangeJournal().List().size(), 1u);  // one command, one record
    EXPECT_EQ(UndoNewest(), TUndoResult::Restored);
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(ChangeJournal().List().empty());
  }
}

TEST_F(Undo, ARecordOnDiskUndoesAfterARestart) {
  const std::vector<std::wstring> before = Dump();
  DeleteSome();
  SendMessageA(form().Handle(), WM_CLOSE, 0, 0);
  Start();
  EXPECT_EQ(UndoNewest(), TUndoResult::Restored);
  EXPECT_EQ(Dump(), before);
}

TEST_F(Undo, AnItemChangedSinceIsNamedAndNoChangesNothing) {
  const std::vector<std::wstring> before = Dump();
  DeleteSome();
  ASSERT_EQ(RegSetKeyValueW(Key(), L"F", L"odd", REG_SZ, L"later", 12), ERROR_SUCCESS);
  const std::vector<std::wstring> changed = Dump();
  answers.Messages.clear();
  answers.MessageAnswers = {IDNO};
  EXPECT_EQ(UndoNewest(), TUndoResult::Cancelled);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].flags, MsgYesNo | MB_DEFBUTTON2);
  EXPECT_NE(answers.Messages[0].text.find("value \"odd\" in HKEY_CURRENT_USER" + Path("F").substr(0, Path("F").size() - 1) +
                                          " was created again since"),
            std::string::npos)
      << answers.Messages[0].text;
  EXPECT_EQ(answers.Messages[0].text.find("key "), std::string::npos);  // the key is as the command left it
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
  TVkFile f;
  f.reset(CreateFileA(entry.File.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f.IsOpen());
  ASSERT_GT(f.Size(), 100);
  LARGE_INTEGER at{};
  at.QuadPart = f.Size() - 60;  // into the items, behind the header
  ASSERT_TRUE(SetFilePointerEx(f.Handle(), at, nullptr, FILE_BEGIN) && SetEndOfFile(f.Handle()));
  f.Close();
  answers.Messages.clear();
  EXPECT_EQ(UndoNewest(), TUndoResult::Refused);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("its record in the journal is damaged (it is truncated)"), std::string::npos)
      << answers.Messages[0].text;
  EXPECT_EQ(Dump(), after);
  ASSERT_EQ(ChangeJournal().List().size(), 1u);
  EXPECT_TRUE(ChangeJournal().List()[0].Damaged);
}

TEST_F(Undo, AJournalThatCannotBeWrittenKeepsDeleteFromDeleting) {
  const std::string file = ProgramFolder() + "Not a folder";
  TVkFile f;
  f.reset(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f.IsOpen());
  f.Close();
  ChangeJournal().SetFolder(file + "\\Journal\\");
  const std::vector<std::wstring> before = Dump();
  answers.Messages.clear();
  DeleteSome();
  EXPECT_EQ(Dump(), before);
  ASSERT_EQ(answers.Messages.size(), 2u);  // the question, then the refusal
  EXPECT_EQ(answers.Messages[1].flags, MsgError);
  EXPECT_EQ(answers.Messages[1].text.rfind("The change could not be recorded in the undo journal, so nothing was changed.\r\n\r\n" +
                                               file + "\\Journal\\\r\n",
                                           0),
            0u)
      << answers.Messages[1].text;
  EXPECT_NE(answers.Messages[1].text.find("set Enabled=0 in section [Journal] of Hivelark.ini"), std::string::npos);
  DeleteFileA(file.c_str());
}
