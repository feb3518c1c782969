// The registry pane's keys, history menu, key sizes and in-place rename on the real window.
#include "browser/Main.h"

#include <commctrl.h>

#include <functional>

#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

class RegKeys : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    DeleteFileA((ProgramFolder() + "Hivelark.ini").c_str());
    ASSERT_TRUE(form.Create());
    form.Navigator().NtFamily = false;
    form.State().SortMethod = 0;  // values by name
  }
  HWND List() const { return form.Reg_ListView(); }
  bool Key(WORD key, bool shift = false, bool ctrl = false, bool alt = false) {
    return form.Reg_ListView_KeyDown(key, TKeyModifiers{shift, ctrl, alt});
  }
  int Focused() const { return ListView_GetNextItem(List(), -1, LVNI_FOCUSED); }
  std::string SelectedNames() {
    std::string names;
    for (int i : form.RegSelection()) names += form.Model().Caption(i) + ",";
    return names;
  }
  void Open(const std::string& relative) { form.ShowStartLocation("HKCU" + Path(relative)); }
  std::string Size(const std::string& name) {
    const int i = form.Model().Find(name);
    return i < 0 ? "<none>" : form.Model().Rows[static_cast<std::size_t>(i)].Size;
  }

  TFormHivelark form;
  ScriptedInteraction answers;
};

}  // namespace

TEST_F(RegKeys, InsertMarksAndAltNumPlusSelectsTheFocusedKind) {
  MakeKey("K\\Sub");
  MakeValue("K", "d1", REG_DWORD, std::string(4, '\0'));
  MakeValue("K", "d2", REG_DWORD, std::string(4, '\0'));
  MakeValue("K", "s", REG_SZ, std::string("\0", 1));
  Open("K");  // .., Sub, d1, d2, s
  form.SelectRow(1);
  SendMessageA(List(), WM_KEYDOWN, VK_INSERT, 0);  // a real key: focus to d1, d1 marked
  EXPECT_EQ(Focused(), 2);
  EXPECT_EQ(SelectedNames(), "Sub,d1,");
  form.SelectRow(4);
  EXPECT_TRUE(Key(VK_INSERT));  // on the last row: toggles it
  EXPECT_EQ(SelectedNames(), "");
  form.SelectRow(3);
  EXPECT_TRUE(Key(VK_ADD, false, false, true));
  EXPECT_EQ(SelectedNames(), "d1,d2,");
  EXPECT_TRUE(Key(VK_SUBTRACT, false, false, true));
  EXPECT_EQ(SelectedNames(), "");
  EXPECT_TRUE(Key('A', false, true));
  EXPECT_EQ(SelectedNames(), "Sub,d1,d2,s,");
  EXPECT_FALSE(Key('A', true, true));  // modifiers match exactly
}

// The pane keeps its own record of the selection for speed; after every kind of change it
// must name exactly the rows the list itself holds selected.
TEST_F(RegKeys, SelectionRecordFollowsTheListThroughEveryKindOfChange) {
  for (const char* name : {"k1", "k2", "k3"}) MakeKey(std::string("K\\") + name);
  for (const char* name : {"v1", "v2", "v3", "v4", "v5"}) MakeValue("K", name, REG_SZ, std::string("\0", 1));
  Open("K");  // .., k1, k2, k3, v1..v5
  const auto truth = [&] {
    std::string names;
    for (int i = 0; i < form.Model().Count(); ++i)
      if (ListView_GetItemState(List(), i, LVIS_SELECTED)) names += form.Model().Caption(i) + ",";
    return names;
  };
  const auto click = [&](int row, WPARAM keys) {
    RECT rc{};
    rc.left = LVIR_LABEL;
    SendMessageA(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
    const LPARAM at = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageA(List(), WM_LBUTTONUP, keys, at);
  };
  const auto shiftDown = [&](int times) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    for (int i = 0; i < times; ++i) SendMessageA(List(), WM_KEYDOWN, VK_DOWN, 0);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  struct TStep {
    const char* what;
    std::function<void()> act;
  };
  const TStep steps[] = {
      {"click", [&] { click(2, 0); }},
      {"shift click", [&] { click(6, MK_SHIFT); }},
      {"ctrl click off", [&] { click(4, MK_CONTROL); }},
      {"ctrl click on", [&] { click(8, MK_CONTROL); }},
      {"shift+down", [&] { shiftDown(2); }},
      {"ctrl+a", [&] { Key('A', false, true); }},
      {"insert", [&] { Key(VK_INSERT); }},
      {"alt+num -", [&] { Key(VK_SUBTRACT, false, false, true); }},
      {"alt+num +", [&] { Key(VK_ADD, false, false, true); }},
      {"sort", [&] { form.SortByColumn(2); }},
      {"select row", [&] { form.SelectRow(5); }},
      {"ctrl+a again", [&] { Key('A', false, true); }},
      {"re-read", [&] { form.Navigator().Navigate("UPD", "v2", true, false); }},
      {"click after re-read", [&] { click(7, MK_SHIFT); }},
  };
  for (const TStep& step : steps) {
    step.act();
    PumpMessages();
    EXPECT_EQ(SelectedNames(), truth()) << step.what;
  }
  EXPECT_NE(truth(), "");
}

TEST_F(RegKeys, HistoryKeysBackspaceAndTheHiveRoot) {
  MakeKey("A\\B");
  Open("A");
  form.Navigator().Navigate("CD", "B", true, false);
  ASSERT_EQ(form.State().CurKey, Path("A\\B"));
  EXPECT_TRUE(Key(VK_LEFT, false, false, true));
  EXPECT_EQ(form.State().CurKey, Path("A"));
  EXPECT_FALSE(Key(VK_LEFT, false, false, true));  // the oldest entry: not consumed
  EXPECT_TRUE(Key(VK_RIGHT, false, false, true));
  EXPECT_EQ(form.State().CurKey, Path("A\\B"));
  EXPECT_FALSE(Key(VK_RIGHT, false, false, true));
  EXPECT_TRUE(Key(VK_BACK));
  EXPECT_EQ(form.State().CurKey, Path("A"));
  EXPECT_EQ(form.Model().Caption(ListView_GetNextItem(List(), -1, LVNI_SELECTED)), "B");
  EXPECT_TRUE(Key(226, false, true));
  EXPECT_EQ(form.State().CurKey, "\\");
  form.State().BackShowsRoot = false;
  EXPECT_FALSE(Key(VK_BACK));
  EXPECT_FALSE(form.State().RootMode);
  EXPECT_TRUE(Key(226, false, true));
  EXPECT_TRUE(form.State().RootMode);
  EXPECT_FALSE(Key(VK_BACK));  // nothing in the root list
}

TEST_F(RegKeys, HistoryMenuListsEachPlaceOnceAtItsNewestVisit) {
  MakeKey("A");
  MakeKey("B");
  Open("A");
  form.Navigator().Navigate("CD", Path("B"), true, false);
  form.Navigator().Navigate("CD", Path("A"), true, false);
  HMENU menu = CreatePopupMenu();
  form.FillHistoryMenu(menu);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  char text[512];
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "HKEY_CURRENT_USER" + Path("B"));
  GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "HKEY_CURRENT_USER" + Path("A"));
  EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(CM_HISTORY0 + 2));
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_DATA;
  GetMenuItemInfoA(menu, 1, TRUE, &mi);
  EXPECT_EQ(mi.dwItemData, 2u);  // the current place is marked
  GetMenuItemInfoA(menu, 0, TRUE, &mi);
  EXPECT_EQ(mi.dwItemData, 28u);
  DestroyMenu(menu);
  ASSERT_TRUE(form.RunCommand(CM_HISTORY0 + 1));
  EXPECT_EQ(form.State().CurKey, Path("B"));
  EXPECT_EQ(form.State().HistoryIndex, 1);
}

TEST_F(RegKeys, KeySizesFillTheSizeCellsOfKeyRows) {
  MakeValue("K\\One", "v", REG_BINARY, std::string(10, 'x'));
  MakeValue("K\\Two\\Deep", "v", REG_BINARY, std::string(7, 'x'));
  MakeKey("K\\Three");
  Open("K");  // .., One, Three, Two
  form.SelectRow(0);
  EXPECT_TRUE(Key(VK_SPACE));  // the parent row focused: nothing
  EXPECT_EQ(Size("One"), "");
  form.SelectRow(1);
  ListView_SetItemState(List(), 3, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_TRUE(Key(VK_SPACE));
  EXPECT_EQ(Size("One"), "10");
  EXPECT_EQ(Size("Three"), "");
  EXPECT_EQ(Size("Two"), "7");
  EXPECT_TRUE(Key(VK_RETURN, true, false, true));
  EXPECT_EQ(Size("Three"), "0");
}

TEST_F(RegKeys, RenamesRefuseWhatTheRegistryCannotTake) {
  MakeValue("K\\Sub", "inside", REG_SZ, std::string("x\0", 2));
  MakeKey("K\\Other");
  MakeValue("K", "val", REG_BINARY, std::string("\x01\x02", 2));
  MakeValue("K", "taken", REG_SZ, std::string("\0", 1));
  Open("K");  // .., Other, Sub, taken, val
  const int sub = form.Model().Find("Sub"), val = form.Model().Find("val");
  struct Case {
    int row;
    const char* newName;
    const char* message;
  };
  const Case refused[] = {
      {sub, "A\\B", "The backslash character is invalid in keynames!"},
      {sub, "other", "A key with the same name already exists!"},
      {sub, "Sub", "Could not rename the key!"},
      {sub, "SUB", "Could not rename the key!"},
      {val, "TAKEN", "A value with the same name already exists!"},
      {val, "VAL", "Could not rename the value!"},
  };
  for (const Case& c : refused) {
    answers.Messages.clear();
    EXPECT_FALSE(form.Reg_ListView_Edited(c.row, c.newName)) << c.newName;
    ASSERT_EQ(answers.Messages.size(), 1u) << c.newName;
    EXPECT_EQ(answers.Messages[0].text, c.message);
  }
  EXPECT_FALSE(form.Reg_ListView_Editing(0));  // never the parent row
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("K"), false));
  std::string data;
  DWORD type = 0;
  ASSERT_TRUE(reg.ReadValue("val", data, type));
  EXPECT_EQ(data, "\x01\x02");

  // Through the real editor: the key moves with everything below it, the value keeps its bytes.
  SetFocus(List());
  HWND edit = ListView_EditLabel(List(), sub);
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "Moved");
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  PumpMessages();
  EXPECT_EQ(form.Model().Caption(sub), "Moved");
  EXPECT_TRUE(reg.KeyExists("Moved\\"));
  EXPECT_FALSE(reg.KeyExists("Sub"));
  EXPECT_TRUE(form.Reg_ListView_Edited(val, "renamed"));
  ASSERT_TRUE(reg.ReadValue("renamed", data, type));
  EXPECT_EQ(data, "\x01\x02");
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

namespace {
bool g_keyMenu = false;
WNDPROC g_formProc = nullptr;
// Records (and swallows) the menu mode that a lone Alt release starts.
LRESULT CALLBACK NoMenuMode(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const bool menuMode = msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_KEYMENU;
  g_keyMenu = g_keyMenu || menuMode;
  return menuMode ? 0 : CallWindowProcA(g_formProc, hwnd, msg, wp, lp);
}
}  // namespace

TEST_F(RegKeys, TheRenameEditorKeepsItsKeysAndAltKeysLeaveNoMenuMode) {
  MakeKey("K\\Sub");
  MakeValue("K", "v", REG_SZ, std::string("x\0", 2));
  Open("K");  // .., Sub, v
  const int sub = form.Model().Find("Sub");
  SetFocus(List());
  HWND edit = ListView_EditLabel(List(), sub);
  ASSERT_NE(edit, nullptr);
  // The editor's own keys; Enter on the unchanged name is then refused as a rename to it.
  for (WPARAM key : {WPARAM{VK_F5}, WPARAM{VK_MULTIPLY}, WPARAM{VK_DELETE}, WPARAM{VK_RETURN}}) {
    MSG m{edit, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_FALSE(form.TranslateShortcut(m)) << key;
  }
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  PumpMessages();
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Could not rename the key!");
  // A re-read closes an open editor without renaming anything.
  answers.Messages.clear();
  edit = ListView_EditLabel(List(), sub);
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "Renamed");
  form.Navigator().Navigate("UPD", "", true, false);
  PumpMessages();
  EXPECT_TRUE(!ListView_GetEditControl(List()) && form.Model().Find("Sub") >= 0 && form.Model().Find("Renamed") < 0);
  EXPECT_TRUE(answers.Messages.empty());
  // Alt+Num + handled by the pane: releasing Alt afterwards starts no menu mode.
  g_formProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(form.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoMenuMode)));
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  const LPARAM alt = LPARAM{1} << 29;
  SendMessageA(List(), WM_SYSKEYDOWN, VK_MENU, alt);
  SendMessageA(List(), WM_SYSKEYDOWN, VK_ADD, alt);
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  SendMessageA(List(), WM_SYSKEYUP, VK_MENU, alt | (LPARAM{3} << 30));
  SetWindowLongPtrA(form.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_formProc));
  EXPECT_FALSE(g_keyMenu);
}

TEST_F(RegKeys, ANameThePlatformsEditBoxFaultsOnIsRenamedInThePrompt) {
  MakeValue("K", "1\x98", REG_SZ, std::string("x\0", 2));
  Open("K");
  form.SelectRow(form.Model().Find("1\x98"));
  answers.PromptAnswers.push_back({true, "renamed"});
  ASSERT_TRUE(form.RunCommand(CM_RENAME));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("K"), false));
  EXPECT_TRUE(reg.ValueExists("renamed") && !reg.ValueExists("1\x98") && answers.Prompts.size() == 1);
}
