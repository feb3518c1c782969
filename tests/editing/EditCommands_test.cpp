// The editing commands on the real window against the test registry: the enabling rule,
// new key, delete, the selection commands, copy and move, cut, copy and paste.
#include "commands/Hivelark.h"

#include <commctrl.h>
#include <algorithm>
#include <fstream>

#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

class Editing : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ASSERT_TRUE(form().Create());
    form().Navigator().NtFamily = false;
    form().State().SortMethod = 0;  // values by name
  }
  TFormHivelark& form() { return program.Form(); }
  HWND List() { return form().Reg_ListView(); }
  void Open(const std::string& relative) { form().ShowStartLocation("HKCU" + Path(relative)); }
  // Selects exactly the named rows.
  void Select(std::initializer_list<const char*> names) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    for (const char* n : names) {
      const int i = form().Model().Find(n);
      ASSERT_GE(i, 0) << n;
      ListView_SetItemState(List(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  std::string Rows() {
    std::string names;
    for (const TRegRow& r : form().Model().Rows) names += r.Name + ",";
    return names;
  }
  std::string SelectedRow() { return form().Model().Caption(ListView_GetNextItem(List(), -1, LVNI_SELECTED)); }
  std::string Value(const std::string& key, const std::string& name) {
    TVkReg reg;
    std::string data;
    DWORD type = 0;
    if (!reg.OpenPath(RootCurrentUser, Path(key), false) || !reg.ReadValue(name, data, type)) return "<none>";
    return std::to_string(type) + ":" + data;
  }
  bool KeyThere(const std::string& key) {
    TVkReg reg;
    return reg.OpenPath(RootCurrentUser, "\\", false) && reg.KeyExists(Path(key));
  }

  THivelark program;
  ScriptedInteraction answers;
};

}  // namespace

TEST_F(Editing, EveryCommandChecksItsRuleWhenItRuns) {
  MakeKey("K\\Sub");
  MakeValue("K", "v", REG_SZ, std::string("x\0", 2));
  Open("K");  // .., Sub, v
  struct Case {
    std::initializer_list<const char*> rows;
    int id;
    bool enabled;
  };
  const Case cases[] = {
      {{}, CM_NEWKEY, true},          {{}, CM_DELETEKEYVALUE, false}, {{".."}, CM_DELETEKEYVALUE, true},
      {{"v"}, CM_COPY, true},         {{}, CM_CLIPCUT, false},         {{"Sub", "v"}, CM_MOVE, true},
      {{}, CM_CLIPPASTE, false},      {{"Sub"}, CM_RENAME, true},      {{".."}, CM_RENAME, false},
      {{"Sub", "v"}, CM_RENAME, false}, {{}, CM_UNSELECTALL, false},   {{}, CM_SELECTALL, true},
  };
  for (const Case& c : cases) {
    Select(c.rows);
    EXPECT_EQ(form().CommandEnabled(c.id), c.enabled) << c.id;
  }
  // A shortcut in the root list runs nothing: the root is never deleted.
  form().Navigator().ShowRootList();
  form().SelectRow(1);
  for (int id : {CM_NEWKEY, CM_DELETEKEYVALUE, CM_COPY, CM_CLIPCOPY, CM_RENAME})
    EXPECT_FALSE(form().RunCommand(id)) << id;
  EXPECT_TRUE(answers.Messages.empty());
}

TEST_F(Editing, NewKeyProposesAFreeNameAndSelectsTheFirstLevel) {
  MakeValue("K", "New Key #1", REG_SZ, std::string("\0", 1));
  MakeKey("K\\Taken");
  Open("K");
  answers.PromptAnswers = {{true, "Taken"}, {true, "a\\b"}};
  ASSERT_TRUE(form().RunCommand(CM_NEWKEY));
  EXPECT_EQ(answers.Prompts.at(0), "Enter Name of New Key...");
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "A key by that name already exist!");
  ASSERT_TRUE(form().RunCommand(CM_NEWKEY));
  EXPECT_TRUE(KeyThere("K\\a\\b"));
  EXPECT_EQ(SelectedRow(), "a");
  answers.PromptAnswers = {{true, "New Key #1"}};  // a value's name is free for a key
  ASSERT_TRUE(form().RunCommand(CM_NEWKEY));
  EXPECT_TRUE(KeyThere("K\\New Key #1"));
}

TEST_F(Editing, DeleteAsksThenRemovesAndSelectsTheNearestRow) {
  MakeKey("K\\A\\Deep");
  MakeValue("K", "b", REG_SZ, std::string("1\0", 2));
  MakeValue("K", "c", REG_DWORD, std::string(4, '\0'));
  MakeValue("K", "d", REG_SZ, std::string("\0", 1));
  Open("K");  // .., A, b, c, d
  Select({".."});
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  EXPECT_TRUE(answers.Messages.empty());  // only the parent row: nothing to ask
  Select({"c"});
  answers.MessageAnswers = {IDNO, 0};  // No, then a question that failed to show
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  ASSERT_EQ(answers.Messages.size(), 2u);
  EXPECT_EQ(answers.Messages[0].text, "Delete the DWord Value: \"c\"?");
  EXPECT_EQ(answers.Messages[0].flags, 52u);
  EXPECT_EQ(Value("K", "c"), std::string("4:") + std::string(4, '\0'));
  answers.MessageAnswers = {IDYES};
  Select({"A", "c"});
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  EXPECT_EQ(answers.Messages.back().text, "Do you want to delete the 2 selected keys/values?");
  EXPECT_FALSE(KeyThere("K\\A"));
  EXPECT_EQ(Rows(), "..,b,d,");
  EXPECT_EQ(SelectedRow(), "b");  // below the first deleted row wins
}

TEST_F(Editing, AKeyWithoutANameNeverDeletesTheKeyItIsIn) {
  // The registry allows a key with an empty name; its row is made here as a listing shows it.
  MakeValue("K", "keep", REG_SZ, std::string("1\0", 2));
  Open("K");
  TRegPaneModel& model = form().Model();
  model.Rows.insert(model.Rows.begin() + 1, TRegRow{"", "", "Key", "", ImageKey, 1});
  SendMessageA(List(), LVM_SETITEMCOUNT, static_cast<WPARAM>(model.Count()), 0);
  Select({""});
  answers.MessageAnswers = {IDYES};
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  EXPECT_TRUE(KeyThere("K"));
  EXPECT_EQ(Value("K", "keep"), std::string("1:1") + '\0');
}

TEST_F(Editing, SelectionCommandsLeaveTheParentRowOut) {
  MakeValue("K", "a", REG_SZ, std::string("\0", 1));
  MakeValue("K", "b", REG_SZ, std::string("\0", 1));
  Open("K");
  Select({".."});
  ASSERT_TRUE(form().RunCommand(CM_INVERTSEL));
  EXPECT_EQ(form().RegSelection(), (std::vector<int>{1, 2}));
  ASSERT_TRUE(form().RunCommand(CM_UNSELECTALL));
  ASSERT_TRUE(form().RunCommand(CM_SELECTALL));
  EXPECT_EQ(form().RegSelection(), (std::vector<int>{1, 2}));
}

TEST_F(Editing, CopyAndMoveToTypedTargets) {
  MakeValue("K\\Src", "A", REG_BINARY, std::string("\x01\x00\x02", 3));
  MakeValue("K\\Src\\Kid", "x", REG_SZ, std::string("y\0", 2));
  MakeKey("K\\KK");
  Open("K\\Src");  // .., Kid, A
  Select({"A"});
  answers.PromptAnswers = {{true, "B"}};
  ASSERT_TRUE(form().RunCommand(CM_MOVE));
  EXPECT_EQ(answers.Prompts.back(), "Rename/Move \"A\" to...");
  EXPECT_EQ(Value("K\\Src", "B"), std::string("3:\x01\x00\x02", 5));
  EXPECT_EQ(Value("K\\Src", "A"), "<none>");
  EXPECT_EQ(SelectedRow(), "B");

  Select({"Kid"});
  answers.PromptAnswers = {{true, "Kid"}, {true, "..\\Nowhere\\New"}};
  ASSERT_TRUE(form().RunCommand(CM_COPY));
  EXPECT_EQ(answers.Messages.back().text, "You cannot copy or move a key into itself!\r\n\r\n\"HKEY_CURRENT_USER" +
                                               Path("K\\Src") + "Kid\"");
  ASSERT_TRUE(form().RunCommand(CM_COPY));
  EXPECT_EQ(answers.Messages.back().text.substr(0, 45), "Could not copy or move, target key not found!");

  Select({"Kid", "B"});
  answers.PromptAnswers = {{true, "..\\KK"}};
  ASSERT_TRUE(form().RunCommand(CM_MOVE));
  EXPECT_EQ(Value("K\\KK\\Kid", "x"), std::string("1:y") + '\0');
  EXPECT_EQ(Value("K\\KK", "B"), std::string("3:\x01\x00\x02", 5));
  EXPECT_FALSE(KeyThere("K\\Src\\Kid"));
  EXPECT_EQ(Rows(), "..,");

  // A key moved into a key it lies in would be walked while written: refused.
  form().Navigator().Navigate("CD", Path("K\\KK"), true, false);
  Select({"Kid"});
  answers.PromptAnswers = {{true, "Kid"}};
  answers.Messages.clear();
  ASSERT_TRUE(form().RunCommand(CM_MOVE));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_TRUE(KeyThere("K\\KK\\Kid"));

  // Several values into a key that holds one of them (in other case): the question comes for
  // that one only, and No keeps its bytes; into a key without values nothing is asked.
  MakeValue("K\\Many", "p", REG_SZ, std::string("new\0", 4));
  MakeValue("K\\Many", "q", REG_SZ, std::string("q\0", 2));
  MakeValue("K\\T", "P", REG_SZ, std::string("old\0", 4));
  MakeKey("K\\Empty");
  form().Navigator().Navigate("CD", Path("K\\Many"), true, false);
  Select({"p", "q"});
  answers.PromptAnswers = {{true, "..\\T"}, {true, "..\\Empty"}};
  answers.MessageAnswers = {IDNO};
  answers.Messages.clear();
  ASSERT_TRUE(form().RunCommand(CM_COPY));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Overwrite the value: \"" + Path("K\\T") + "p\"?");
  EXPECT_EQ(Value("K\\T", "P"), std::string("1:old") + '\0');
  EXPECT_EQ(Value("K\\T", "q"), std::string("1:q") + '\0');
  EXPECT_EQ(SelectedRow(), "p");
  // The shown key is read again after a copy only when it changed meanwhile.
  MakeValue("K\\Many", "r", REG_SZ, std::string("r\0", 2));
  Select({"p", "q"});
  ASSERT_TRUE(form().RunCommand(CM_COPY));
  EXPECT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(Value("K\\Empty", "p"), std::string("1:new") + '\0');
  EXPECT_EQ(Rows(), "..,p,q,r,");
  EXPECT_EQ(SelectedRow(), "p");
}

TEST_F(Editing, OneItemGoesBelowAnExistingKeyUnderItsOwnNameOrTakesANewName) {
  // K holds the key Zeta (with a value), the value v, and the key B (with its own v).
  // Row, answer, move, where the item must be afterwards (key path, or key|value; "" for
  // HKEY_CURRENT_USER\Zeta), and the start of the one message, or "".
  struct Case { const char *row, *answer; bool move; const char *there, *message; };
  const char* const same = "You cannot copy or move to the same target!";
  const Case cases[] = {{"Zeta", "B", true, "K\\B\\Zeta", ""}, {"Zeta", "Y", false, "K\\Y", ""},
                        {"Zeta", "\\", false, "", ""},          {"Zeta", "..", false, "Zeta", ""},
                        {"Zeta", "", true, "K\\Zeta", same},     {"v", "B", false, "K\\B|v", "Overwrite the value"},
                        {"v", "w", true, "K|w", ""},              {"v", "", true, "K|v", same}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " to " + c.answer);
    RegDeleteTreeA(Key(), nullptr);
    MakeValue("K\\Zeta", "z", REG_SZ, "zeta\0"s);
    MakeValue("K", "v", REG_SZ, "v\0"s);
    MakeValue("K\\B", "v", REG_SZ, "b\0"s);
    Open("K");
    Select({c.row});
    answers.Messages.clear();
    answers.MessageAnswers = {IDYES};
    answers.PromptAnswers = {{true, c.answer}};
    ASSERT_TRUE(form().RunCommand(c.move ? CM_MOVE : CM_COPY));
    const std::string there = c.there;
    const std::size_t bar = there.find('|');
    if (there.empty()) EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Zeta"), ERROR_SUCCESS);
    else if (bar == std::string::npos) EXPECT_EQ(Value(there, "z"), "1:zeta"s + '\0');
    else EXPECT_EQ(Value(there.substr(0, bar), there.substr(bar + 1)), "1:v"s + '\0');
    EXPECT_EQ(Value("K\\B", "z"), "<none>");  // never merged into B
    EXPECT_EQ(Value("K\\B", ""), "<none>");   // nor written as B's default value
    ASSERT_EQ(answers.Messages.size(), *c.message ? 1u : 0u);
    if (*c.message) EXPECT_EQ(answers.Messages[0].text.rfind(c.message, 0), 0u) << answers.Messages[0].text;
  }
  RegDeleteTreeA(Key(), nullptr);
}

TEST_F(Editing, RefreshesSelectTheRowOfTheRightKindAndNoCommandIsSilent) {
  // A key and a value named "Same", and the default value (empty caption).
  MakeKey("K\\Same");
  MakeValue("K", "Same", REG_SZ, "s\0"s);
  MakeValue("K", "", REG_SZ, "d\0"s);
  MakeValue("K", "z", REG_SZ, "z\0"s);
  Open("K");  // .., Same (key), (default), Same (value), z
  const auto selectValue = [&](const char* name) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    for (int i = 0; i < form().Model().Count(); ++i)
      if (form().Model().Rows[static_cast<std::size_t>(i)].IsValue() && form().Model().Caption(i) == name)
        ListView_SetItemState(List(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  };
  const auto selectedIsValue = [&] {
    const int i = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
    return i >= 0 && form().Model().Rows[static_cast<std::size_t>(i)].IsValue();
  };
  for (const char* name : {"Same", ""}) {
    selectValue(name);
    answers.TypeAnswers = {REG_EXPAND_SZ};
    ASSERT_TRUE(form().RunCommand(CM_CHANGETYPE));
    EXPECT_EQ(SelectedRow(), name);
    EXPECT_TRUE(selectedIsValue()) << name;
  }
  selectValue("z");  // the row above is the value "Same", not the key
  answers.MessageAnswers = {IDYES};
  ASSERT_TRUE(form().RunCommand(CM_DELETEKEYVALUE));
  EXPECT_EQ(SelectedRow(), "Same");
  EXPECT_TRUE(selectedIsValue());
  // The Mark commands work in the root list.
  form().Navigator().ShowRootList();
  ASSERT_TRUE(form().RunCommand(CM_SELECTALL));
  EXPECT_EQ(ListView_GetSelectedCount(List()), 7u);
  ASSERT_TRUE(form().RunCommand(CM_INVERTSEL));
  EXPECT_EQ(ListView_GetSelectedCount(List()), 0u);
  // The shown key removed by another program: New Key still asks, then says why it failed.
  Open("K");
  RegDeleteTreeA(Key(), "K");
  answers.Messages.clear();
  answers.PromptAnswers = {{true, "New"}};
  ASSERT_TRUE(form().RunCommand(CM_NEWKEY));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Could not create a new key!");
  EXPECT_FALSE(KeyThere("K"));
}

TEST_F(Editing, NamesTheCodePageCannotSpellAreMovedWholeAndTheirRowsRefused) {
  // "Ж" beside a literal "?": a move of the parent carries both exactly.
  for (const wchar_t* name : {L"K\\Src\\\x0416", L"K\\Src\\?", L"K\\\x0416", L"K\\?"})
    ASSERT_EQ(RegSetKeyValueW(Key(), name, L"\x0416", REG_BINARY, "z", 1), ERROR_SUCCESS);
  MakeKey("K\\Dest");
  Open("K");
  Select({"Src"});
  answers.PromptAnswers = {{true, "Dest"}};
  ASSERT_TRUE(form().RunCommand(CM_MOVE));
  EXPECT_TRUE(answers.Messages.empty());
  const auto valueThere = [&](const wchar_t* key) {
    return RegGetValueW(Key(), key, L"\x0416", RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  };
  EXPECT_TRUE(valueThere(L"K\\Dest\\Src\\\x0416") && valueThere(L"K\\Dest\\Src\\?"));
  // Each command on the marked row is refused with the reason, and nothing changes.
  const int marked = form().Model().Find("{U+0416}");
  ASSERT_GE(marked, 0);
  EXPECT_TRUE(form().Model().Rows[static_cast<std::size_t>(marked)].Unspellable);
  for (int command : {CM_DELETEKEYVALUE, CM_MOVE, CM_COPY, CM_CLIPCUT, CM_EXPORTKEY, CM_KEYVALUEINFO, CM_RENAME,
                      CM_COPYPATH_LOCATION, CM_COPYPATH_REGFILE}) {
    answers.Messages.clear();
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(List(), marked, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    form().RunCommand(command);
    ASSERT_EQ(answers.Messages.size(), 1u) << command;
    EXPECT_NE(answers.Messages[0].text.find("cannot spell"), std::string::npos) << command;
  }
  EXPECT_TRUE(valueThere(L"K\\\x0416") && valueThere(L"K\\?"));
  RegDeleteTreeA(Key(), "K");
}

TEST_F(Editing, CutCopyAndPasteThroughTheCutCopyList) {
  MakeValue("K\\Same", "v", REG_SZ, std::string("1\0", 2));
  MakeValue("K", "Same", REG_DWORD, std::string("\x05\0\0\0", 4));
  MakeKey("K\\Other");
  Open("K");  // .., Other, Same (key), Same (value)
  const int keyRow = form().Model().Find("Same");
  ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
  ListView_SetItemState(List(), keyRow, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(List(), keyRow + 1, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_TRUE(form().RunCommand(CM_CLIPCOPY));
  const TBookMarks& items = program.Bookmarks().Lists(2);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].ItemType, 12);  // the kind comes from the row, not the name
  EXPECT_EQ(items[1].ItemType, 4);
  EXPECT_EQ(items[0].Comment, "Copy");
  // Pasted back into its own key: numbered copies; the value is its own target and refused.
  ASSERT_TRUE(form().RunCommand(CM_CLIPPASTE));
  ASSERT_TRUE(form().RunCommand(CM_CLIPPASTE));
  EXPECT_EQ(Value("K\\Copy of Same #1", "v"), std::string("1:1") + '\0');
  EXPECT_TRUE(KeyThere("K\\Copy of Same #2"));
  EXPECT_EQ(answers.Messages.back().text.substr(0, 43), "You cannot copy or move to the same target!");

  // Cut the value, paste it into Other twice: moved once, then skipped silently.
  Open("K");
  Select({"Other"});
  const int valueRow = form().Model().Find("Same") + 1;
  ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
  ListView_SetItemState(List(), valueRow, LVIS_SELECTED, LVIS_SELECTED);
  const auto cutRows = [&] {
    std::string rows;
    for (int i = 0; i < form().Model().Count(); ++i)
      if (ListView_GetItemState(List(), i, LVIS_CUT)) rows += std::to_string(i) + ",";
    return rows;
  };
  ASSERT_TRUE(form().RunCommand(CM_CLIPCUT));
  EXPECT_EQ(cutRows(), std::to_string(valueRow) + ",");  // shown dimmed
  form().Navigator().Navigate("UPD", "", true, false);
  EXPECT_EQ(cutRows(), "");
  ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
  ListView_SetItemState(List(), valueRow, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_TRUE(form().RunCommand(CM_CLIPCUT));
  form().Navigator().Navigate("CD", Path("K\\Other"), true, false);
  answers.Messages.clear();
  ASSERT_TRUE(form().RunCommand(CM_CLIPPASTE));
  ASSERT_TRUE(form().RunCommand(CM_CLIPPASTE));
  EXPECT_TRUE(answers.Messages.empty());
  EXPECT_EQ(Value("K\\Other", "Same"), std::string("4:\x05\0\0\0", 6));
  EXPECT_EQ(Value("K", "Same"), "<none>");
}

TEST_F(Editing, AutoRunValuesReplaceTheSearchResults) {
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, "Hivelark Test", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("x\0"), 2);
  RegCloseKey(k);
  program.Bookmarks().Lists(1).push_back(TBookMark{1, 12, "\\Old\\", "", ""});
  ASSERT_TRUE(form().RunCommand(CM_FINDAUTORUN));
  RegDeleteKeyValueA(HKEY_CURRENT_USER, run.c_str(), "Hivelark Test");
  const TBookMarks& found = program.Bookmarks().Lists(1);
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0].KeyPath.substr(0, 5), "\\Soft");  // the old result is gone
  const auto hit = std::find_if(found.begin(), found.end(), [](const TBookMark& b) { return b.ValueName == "Hivelark Test"; });
  ASSERT_NE(hit, found.end());
  EXPECT_EQ(hit->KeyPath, "\\" + run + "\\");
  EXPECT_EQ(hit->ItemType, REG_EXPAND_SZ);
  EXPECT_EQ(form().State().BookmarkMode, 1);
  EXPECT_TRUE(form().BookmarkPaneVisible());
}

TEST_F(Editing, ConnectRegistryTellsWhatItDid) {
  ASSERT_TRUE(form().RunCommand(CM_CONNECTREG));  // Cancel at the prompt
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].caption, "Unimplanted Feature");
  answers.PromptAnswers = {{true, "\\\\NoSuchComputer"}, {true, ""}};
  ASSERT_TRUE(form().RunCommand(CM_CONNECTREG));
  EXPECT_EQ(answers.Messages.back().text, "Could not connect to \"\\\\NoSuchComputer\"!");
  ASSERT_TRUE(form().RunCommand(CM_CONNECTREG));  // the local computer
  ASSERT_EQ(answers.Messages.size(), 6u);
  EXPECT_EQ(answers.Messages[4].text.substr(0, 15), "Connected to \"\"");
  EXPECT_EQ(answers.Messages[5].text, "Disconnected...\r\nEnd of network registry implementation!");
}

TEST_F(Editing, NewValueRetypeAndViewAsAskForATypeAndKeepTheBytes) {
  MakeValue("K", "d", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
  MakeValue("K", "s", REG_SZ, std::string("ab\0", 3));
  Open("K");
  answers.TypeAnswers = {REG_MULTI_SZ};
  ASSERT_TRUE(form().RunCommand(CM_NEWVALUE));
  PumpMessages();
  EXPECT_EQ(answers.TypeQuestions.at(0).caption, "Select Data Type of New Value");
  EXPECT_EQ(Value("K", "New MultiString #1"), "7:");  // no bytes at all
  EXPECT_NE(FindWindowExA(List(), nullptr, "Edit", nullptr), nullptr);  // its rename has started
  SendMessageA(List(), LVM_CANCELEDITLABEL, 0, 0);

  Select({"d"});
  answers.TypeAnswers = {REG_DWORD_BIG_ENDIAN};
  ASSERT_TRUE(form().RunCommand(CM_CHANGETYPE));
  EXPECT_EQ(answers.TypeQuestions.back().choice, REG_DWORD);  // the row's own type first
  EXPECT_EQ(Value("K", "d"), std::string("5:\x01\x02\x03\x04", 6));
  EXPECT_EQ(SelectedRow(), "d");

  Select({"s"});
  answers.TypeAnswers = {REG_BINARY};
  ASSERT_TRUE(form().RunCommand(CM_VIEWDATAAS));
  EXPECT_EQ(form().Model().Rows[static_cast<std::size_t>(form().Model().Find("s"))].Data, "61 62 00 ");
  EXPECT_EQ(Value("K", "s"), std::string("1:ab\0", 5));
  Select({"New MultiString #1", "d"});
  EXPECT_FALSE(form().RunCommand(CM_EDITVALUE));  // one value only
  EXPECT_FALSE(form().RunCommand(CM_CHANGETYPE));
}

TEST_F(Editing, ExportKeyWritesTheChosenFile) {
  MakeValue("K\\Run", "v", REG_SZ, std::string("x\0", 2));
  Open("K");
  Select({"Run"});
  const std::string file = ProgramFolder() + "Exported.reg";
  DeleteFileA(file.c_str());
  answers.SaveAnswers = {file};
  ASSERT_TRUE(form().RunCommand(CM_EXPORTKEY));
  ASSERT_EQ(answers.SaveDialogs.size(), 1u);
  EXPECT_EQ(answers.SaveDialogs[0].FilterIndex, 1);
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof cwd, cwd);
  EXPECT_EQ(answers.SaveDialogs[0].InitialDir, cwd);  // where the bookmark pane's dialogs open
  EXPECT_TRUE(answers.Messages.empty());
  EXPECT_GT(FileSizeByName(file), 20);
  DeleteFileA(file.c_str());
  // A key removed meanwhile: the error text once, then the reason.
  RegDeleteTreeA(Key(), "K\\Run");
  answers.SaveAnswers = {file};
  ASSERT_TRUE(form().RunCommand(CM_EXPORTKEY));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "An error occured while exporting key from registry!\r\n\r\n"
                                      "The key no longer exists or cannot be opened.");
}

TEST_F(Editing, ImportShowsWhatItWillChangeAndWritesOnlyOnYes) {
  MakeKey("K\\Old\\Below");
  MakeValue("K", "v", REG_SZ, std::string("x\0", 2));
  Open("K");
  const std::string key = "HKEY_CURRENT_USER" + Path("K");  // ends with "\"
  const std::string file = ProgramFolder() + "Import.reg";
  const auto write = [&file](const std::string& text) { std::ofstream(file, std::ios::binary) << text; };
  write("REGEDIT4\r\n\r\n[" + key + "New]\r\n\"n\"=dword:00000007\r\n[-" + key + "Old]\r\n[" + key.substr(0, key.size() - 1) +
        "]\r\n\"v\"=-\r\n");
  answers.OpenAnswers = {file};
  answers.MessageAnswers = {IDNO};
  ASSERT_TRUE(form().RunCommand(CM_IMPORTFILE));
  ASSERT_EQ(answers.OpenDialogs.size(), 1u);
  EXPECT_EQ(answers.OpenDialogs[0].Filter, "Registry files (*.reg)|*.reg|All files (*.*)|*.*|");
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Import the registration file\r\n" + file +
                                          "\r\ninto the registry?\r\n\r\nIt creates or writes into 2 keys and writes 1 "
                                          "value.\r\nIt deletes 1 key with everything below it and 1 value.\r\n\r\n"
                                          "Under: HKEY_CURRENT_USER");
  EXPECT_EQ(answers.Messages[0].flags, MsgYesNo | MB_DEFBUTTON2);  // No is the default: it deletes
  EXPECT_TRUE(KeyThere("K\\Old\\Below"));
  EXPECT_FALSE(KeyThere("K\\New"));

  const int reads = form().Navigator().Reads();
  answers.OpenAnswers = {file};
  answers.MessageAnswers = {IDYES};
  ASSERT_TRUE(form().RunCommand(CM_IMPORTFILE));
  EXPECT_EQ(answers.Messages.size(), 2u);  // nothing failed: no report
  EXPECT_FALSE(KeyThere("K\\Old"));
  EXPECT_EQ(Value("K\\New", "n"), std::string("4:\x07\0\0\0", 6));
  EXPECT_EQ(Value("K", "v"), "<none>");
  EXPECT_EQ(form().Navigator().Reads(), reads + 1);
  EXPECT_EQ(Rows(), "..,New,");
  EXPECT_EQ(form().PathBarText().find("registration file..."), std::string::npos);  // the progress is gone

  // Nothing deleted: Yes is the default. A file with an error or no header asks nothing.
  write("REGEDIT4\r\n[" + key + "Added]\r\n");
  answers.OpenAnswers = {file};
  answers.MessageAnswers = {IDNO};
  ASSERT_TRUE(form().RunCommand(CM_IMPORTFILE));
  EXPECT_EQ(answers.Messages.back().flags, MsgYesNo);
  for (const std::string& text : {"REGEDIT4\r\n[" + key + "Added]\r\n\"a\"=\"b\"\r\n\"c\"=dword:\r\n", "[" + key + "Added]\r\n"s}) {
    write(text);
    answers.OpenAnswers = {file};
    const std::size_t before = answers.Messages.size();
    ASSERT_TRUE(form().RunCommand(CM_IMPORTFILE));
    ASSERT_EQ(answers.Messages.size(), before + 1);
    EXPECT_EQ(answers.Messages.back().flags, MsgError);
    EXPECT_NE(answers.Messages.back().text.find(text[0] == 'R' ? "Line 4: " : "not a registration file"), std::string::npos)
        << answers.Messages.back().text;
    EXPECT_FALSE(KeyThere("K\\Added"));
  }
  DeleteFileA(file.c_str());
}
