// The main window driven through its real controls, and the real program started end to end.
#include "browser/Main.h"

#include "browser/About.h"
#include "resource.h"

#include <commctrl.h>

#include <cstring>

#include "lib/VkFuncLib.h"

#include "support/TestSupport.h"

namespace {

int ItemImage(HWND list, int item) {
  LVITEMA lv{};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
  return lv.iImage;
}

class MainWindow : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    DeleteFileA((ProgramFolder() + "Hivelark.ini").c_str());  // start from the defaults
    ASSERT_TRUE(form.Create());
    form.Navigator().NtFamily = false;
  }
  HWND List() const { return form.Reg_ListView(); }
  int Count() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
  int Selected() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }

  TFormHivelark form;
  ScriptedInteraction answers;
};

}  // namespace

TEST_F(MainWindow, ShowsTheRowsOfTheKeyInItsColumns) {
  MakeKey("K\\Sub");
  MakeValue("K", "number", REG_DWORD, std::string("\x01\0\0\0", 4));
  form.ShowStartLocation("HKCU" + Path("K"));
  EXPECT_EQ(form.State().CurKey, Path("K"));
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(ListItemText(List(), 0, 0), "..");
  EXPECT_EQ(ListItemText(List(), 0, 2), "Up");
  EXPECT_EQ(ItemImage(List(), 0), 13);
  EXPECT_EQ(ListItemText(List(), 1, 0), "Sub");
  EXPECT_EQ(ListItemText(List(), 1, 2), "Key");
  EXPECT_EQ(ListItemText(List(), 1, 3), "00 Subkeys,  00 Values,  00 MaxKeyLen,  00 MaxValueLen,  00 MaxDataSize");
  EXPECT_EQ(ItemImage(List(), 1), 12);
  EXPECT_EQ(ListItemText(List(), 2, 0), "number");
  EXPECT_EQ(ListItemText(List(), 2, 1), "4");
  EXPECT_EQ(ItemImage(List(), 2), 4);
  EXPECT_EQ(Selected(), 0);
  // A location too wide for the strip switches to the short root name, the key path whole.
  MoveWindow(form.Handle(), 0, 0, 1200, 600, TRUE);
  form.DrawPathBar("");
  EXPECT_EQ(form.PathBarText(), "HKEY_CURRENT_USER" + Path("K"));
  // Too narrow even for the short form: the tail of the path behind an ellipsis.
  MoveWindow(form.Handle(), 0, 0, 300, 600, TRUE);
  form.DrawPathBar("");
  EXPECT_EQ(form.PathBarText().substr(0, 3), "...");
  EXPECT_EQ(form.PathBarText().substr(form.PathBarText().size() - 3), "\\K\\");
  EXPECT_EQ(form.PathBarCountText(), "2 Items");  // the parent row is not counted
  HWND header = ListView_GetHeader(List());
  EXPECT_EQ(Header_GetItemCount(header), 4);
}

TEST_F(MainWindow, EnterAndDoubleClickOpenKeysAndTheParentRow) {
  MakeKey("K\\Sub\\Deeper");
  form.ShowStartLocation("HKCU" + Path("K"));
  ASSERT_EQ(Count(), 2);
  SetFocus(List());
  ListView_SetItemState(List(), 0, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(List(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(List(), WM_KEYDOWN, VK_RETURN, 0);
  PumpMessages();
  EXPECT_EQ(form.State().CurKey, Path("K\\Sub"));
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(ListItemText(List(), 1, 0), "Deeper");

  // A double click on the parent row goes back up and selects the key that was left.
  RECT rc{};
  rc.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageA(List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)));
  const LPARAM at = MAKELPARAM(rc.left + 20, (rc.top + rc.bottom) / 2);
  SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(List(), WM_LBUTTONUP, 0, at);
  SendMessageA(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(List(), WM_LBUTTONUP, 0, at);
  PumpMessages();
  EXPECT_EQ(form.State().CurKey, Path("K"));
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(ListItemText(List(), Selected(), 0), "Sub");
}

TEST_F(MainWindow, ABigKeyListsEveryValueAndSelectsFarRows) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Key(), "Big", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  for (int i = 0; i < 3000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "v%05d", i);
    RegSetValueExA(k, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>("ab"), 2);
  }
  RegCloseKey(k);
  form.ShowStartLocation("HKCU" + Path("Big"));
  ASSERT_EQ(Count(), 3001);
  form.Navigator().Navigate("UPD", "v02500", true, false);
  EXPECT_EQ(ListItemText(List(), Selected(), 0), "v02500");
  const int top = ListView_GetTopIndex(List());
  EXPECT_LE(top, 2501);
  EXPECT_GE(top + ListView_GetCountPerPage(List()), 2502);
  EXPECT_EQ(form.PathBarCountText(), "3000 Items");
}

TEST(Program, StartsAtTheCommandLineKeyAndClosesOnRequest) {
  // The real executable, started with a key of its own that holds one subkey and two values.
  const std::string sub = "Software\\Hivelark Tests\\Program." + std::to_string(GetCurrentProcessId());
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (sub + "\\Child").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  RegSetValueExA(k, "a", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  RegSetValueExA(k, "b", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2);
  RegCloseKey(k);

  // Under Wine the build path is a Unix path, reached through drive Z:.
  std::string exe = HIVELARK_EXE[0] == '/' ? std::string("Z:") + HIVELARK_EXE : std::string(HIVELARK_EXE);
  for (char& c : exe)
    if (c == '/') c = '\\';
  std::string commandLine = "\"" + exe + "\" \"HKCU\\" + sub + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      << commandLine;
  WaitForInputIdle(pi.hProcess, 20000);
  HWND main = nullptr;
  for (int i = 0; i < 200 && !main; ++i) {
    main = FindWindowA("TFormHivelark", nullptr);
    if (!main) Sleep(50);
  }
  ASSERT_NE(main, nullptr);
  HWND list = nullptr;
  int count = 0;
  for (int i = 0; i < 200 && count != 4; ++i) {
    list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
    count = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    if (count != 4) Sleep(50);
  }
  EXPECT_EQ(count, 4);  // "..", Child, a, b
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DeleteTree(HKEY_CURRENT_USER, sub);
}

TEST_F(MainWindow, RootListShowsTheSevenRootsAndSelectsTheCurrentOne) {
  form.State().CurRoot = RootLocalMachine;
  form.RunCommand(CM_ROOTLIST);
  EXPECT_TRUE(form.State().RootMode);
  ASSERT_EQ(Count(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(ListItemText(List(), i, 0), RootNames[i]);
    EXPECT_EQ(ListItemText(List(), i, 2), "Root");
    EXPECT_EQ(ItemImage(List(), i), 12);
  }
  EXPECT_EQ(ListItemText(List(), Selected(), 0), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(form.PathBarText(), "Registry Root List");
  EXPECT_EQ(form.PathBarCountText(), "7 Items");
  // A root that cannot be queried shows zero counts.
  EXPECT_EQ(ListItemText(List(), 4, 3).substr(0, 12), "00 Subkeys, ");
  // Update stays in the root list; opening a root row leaves it.
  form.RunCommand(CM_UPDATE);
  EXPECT_TRUE(form.State().RootMode);
  EXPECT_EQ(Count(), 7);
  form.ActivateRow(1);
  EXPECT_FALSE(form.State().RootMode);
  EXPECT_EQ(form.State().CurRoot, RootCurrentUser);
  EXPECT_EQ(form.State().CurKey, "\\");
}

TEST_F(MainWindow, HeaderClicksSortValuesButNeverKeys) {
  MakeKey("S\\b");
  MakeKey("S\\A");
  MakeValue("S", "ten", REG_BINARY, std::string(10, 'x'));
  MakeValue("S", "nine", REG_BINARY, std::string(9, 'x'));
  MakeValue("S", "hundred", REG_BINARY, std::string(100, 'x'));
  form.ShowStartLocation("HKCU" + Path("S"));
  ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
  ListView_SetItemState(List(), 5, LVIS_SELECTED, LVIS_SELECTED);  // "ten" in name order
  const std::string chosen = ListItemText(List(), 5, 0);
  NMLISTVIEW click{};
  click.hdr.hwndFrom = List();
  click.hdr.idFrom = IDC_REG_LISTVIEW;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 1;
  SendMessageA(form.Handle(), WM_NOTIFY, IDC_REG_LISTVIEW, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form.State().SortMethod, 1);
  std::vector<std::string> names;
  for (int i = 0; i < Count(); ++i) names.push_back(ListItemText(List(), i, 0));
  EXPECT_EQ(names, (std::vector<std::string>{"..", "A", "b", "nine", "ten", "hundred"}));
  EXPECT_EQ(ListItemText(List(), Selected(), 0), chosen);  // the selection follows its row
  click.iSubItem = 0;
  SendMessageA(form.Handle(), WM_NOTIFY, IDC_REG_LISTVIEW, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(ListItemText(List(), 3, 0), "hundred");
}

TEST_F(MainWindow, RootsMenuCountsSubkeysAndMarksTheCurrentRoot) {
  HMENU roots = form.RootsMenu();
  ASSERT_NE(roots, nullptr);
  form.RegRoots_Popup(roots);
  ASSERT_EQ(GetMenuItemCount(roots), 7);
  TVkReg reg;
  for (int i = 0; i < 7; ++i) {
    (void)reg.OpenPath(RootBase + i, "\\", false);
    KeyInfo info;
    (void)reg.GetKeyInfo(info);
    char expected[128], text[128] = "";
    std::snprintf(expected, sizeof expected, "%04lu - %s\tAlt+%d", static_cast<unsigned long>(info.NumSubKeys),
                  RootNames[i], i + 1);
    GetMenuStringA(roots, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, expected);
    EXPECT_EQ(GetMenuItemID(roots, i), static_cast<UINT>(CM_ROOT0 + i));
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_DATA;
    GetMenuItemInfoA(roots, static_cast<UINT>(i), TRUE, &mi);
    EXPECT_EQ(mi.dwItemData, i == 1 ? 2u : 28u);  // HKEY_CURRENT_USER is current
  }
  // A surplus item is removed from the front, a missing one added.
  InsertMenuA(roots, 0, MF_BYPOSITION | MF_STRING, 9999, "extra");
  form.RegRoots_Popup(roots);
  EXPECT_EQ(GetMenuItemCount(roots), 7);
  EXPECT_EQ(GetMenuItemID(roots, 0), static_cast<UINT>(CM_ROOT0));
  // Alt+3 goes to the root of HKEY_LOCAL_MACHINE.
  form.RunCommand(CM_ROOT0 + 2);
  EXPECT_EQ(form.State().CurRoot, RootLocalMachine);
  EXPECT_EQ(form.State().CurKey, "\\");
  EXPECT_EQ(form.State().History.back(), "HKEY_LOCAL_MACHINE\\");
}

TEST_F(MainWindow, MenusCarryEveryItemAndGreyWhatIsNotThereYet) {
  HMENU menu = form.MainMenu();
  ASSERT_NE(menu, nullptr);
  char text[128];
  const char* top[] = {"&File", "&Show", "&Mark", "&Options", "&Tools", "&Help"};
  ASSERT_EQ(GetMenuItemCount(menu), 6);
  for (int i = 0; i < 6; ++i) {
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, top[i]);
  }
  HMENU file = GetSubMenu(menu, 0);
  ASSERT_EQ(GetMenuItemCount(file), 10);  // four separators
  GetMenuStringA(file, CM_IMPORTFILE, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Import Registration File...\tCtrl+I");
  EXPECT_EQ(GetMenuState(file, CM_UPDATE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(file, CM_CONNECTREG, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(menu, CM_SEARCH, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(GetMenuState(menu, CM_JUMPPATH, MF_BYCOMMAND) & MF_GRAYED, 0u);
  HMENU popup = form.RegPopupMenu();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemCount(popup), 21);  // Copy Path As is a submenu
  GetMenuStringA(popup, CM_CLIPCUT, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "Clipboard Cut\tCtrl+X");  // one tab: the menu aligns the keys there
  GetMenuStringA(popup, CM_KEYVALUEINFO, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "Key/Value Information\tAlt+Enter");
  EXPECT_NE(GetMenuState(popup, CM_NEWKEY, MF_BYCOMMAND) & MF_GRAYED, 0u);
  char caption[64] = "";
  GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Tamsel Hivelark v1.04");
}

TEST_F(MainWindow, HistoryClearingAndJumpToKey) {
  MakeKey("J\\Deeper");
  form.ShowStartLocation("HKCU" + Path("J"));
  form.ShowStartLocation("HKCU" + Path("J\\Deeper"));
  form.RunCommand(CM_CLEARHISTORY);
  EXPECT_EQ(form.State().History, std::vector<std::string>{"HKEY_CURRENT_USER" + Path("J\\Deeper")});
  EXPECT_EQ(form.State().HistoryIndex, 0);

  answers.PromptAnswers.push_back({true, "..\\..\\J"});
  answers.PromptAnswers.push_back({true, ""});      // empty: nothing happens
  answers.PromptAnswers.push_back({false, "HKLM"});  // cancelled
  form.RunCommand(CM_JUMPPATH);
  ASSERT_EQ(answers.Prompts.size(), 1u);
  EXPECT_EQ(answers.Prompts[0], "Jump to Registry Key...");
  EXPECT_EQ(form.State().CurKey, Path("J"));
  form.RunCommand(CM_JUMPPATH);
  form.RunCommand(CM_JUMPPATH);
  EXPECT_EQ(form.State().CurKey, Path("J"));
  EXPECT_EQ(form.State().CurRoot, RootCurrentUser);
}

TEST_F(MainWindow, CommandLineForms) {
  form.ShowStartLocation("reg://HKLM/Software/Classes");
  EXPECT_EQ(form.State().CurRoot, RootLocalMachine);
  EXPECT_EQ(form.State().CurKey, "\\Software\\Classes\\");
  EXPECT_EQ(form.State().History.front(), "HKEY_LOCAL_MACHINE\\Software\\Classes\\");
  form.ShowStartLocation("REG://hkcu");
  EXPECT_EQ(form.State().CurRoot, RootCurrentUser);
  EXPECT_EQ(form.State().CurKey, "\\");
  MakeKey("C\\Rel");
  form.State().CurKey = Path("C");  // as saved at the last exit
  form.ShowStartLocation("Rel");
  EXPECT_EQ(form.State().CurKey, Path("C\\Rel"));
  form.ShowStartLocation(Path("C"));  // from the saved root
  EXPECT_EQ(form.State().CurRoot, RootCurrentUser);
  EXPECT_EQ(form.State().CurKey, Path("C"));
  EXPECT_TRUE(answers.Messages.empty());
}

TEST_F(MainWindow, SplitterKeepsItsLimits) {
  MoveWindow(form.Handle(), 0, 0, 800, 600, TRUE);
  RECT wr;
  GetWindowRect(form.Handle(), &wr);
  const int height = wr.bottom - wr.top;
  form.DragSplitter(300);
  EXPECT_EQ(form.BookmarkPaneHeight(), height - 300 + 8);
  RECT strip;
  GetWindowRect(form.BookmarkBar(), &strip);
  EXPECT_GT(strip.top, wr.top + 200);
  form.DragSplitter(height - 56);  // too close to the bottom edge
  EXPECT_EQ(form.BookmarkPaneHeight(), height - 300 + 8);
  form.DragSplitter(110);  // too close to the top
  EXPECT_EQ(form.BookmarkPaneHeight(), height - 300 + 8);
  form.DragSplitter(height - 57);
  EXPECT_EQ(form.BookmarkPaneHeight(), 57 + 8);
  EXPECT_FALSE(IsWindowVisible(form.CancelSearch_Btn()));
  EXPECT_EQ(form.BookmarkBarText(), "User Bookmarks");
}

TEST_F(MainWindow, HelpAndReadMeThatAreMissingAreReported) {
  // The test's program folder holds neither document.
  form.RunCommand(CM_HELP_KEYS);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("Hivelark.html"), std::string::npos);
  EXPECT_NE(answers.Messages[0].text.find("was not found"), std::string::npos);
  EXPECT_EQ(answers.Messages[0].flags, 16u);

  HWND about = TFormAbout::CreateModeless(form.Handle());
  ASSERT_NE(about, nullptr);
  char text[128] = "";
  GetDlgItemTextA(about, IDC_ABOUT_TITLE, text, sizeof text);
  EXPECT_STREQ(text, "Hivelark v1.04");
  EXPECT_NE(GetDlgItem(about, IDC_ABOUT_HELPLINK), nullptr);
  EXPECT_NE(GetDlgItem(about, IDC_ABOUT_READMELINK), nullptr);
  EXPECT_NE(SendDlgItemMessageA(about, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0);
  SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_ICON, STN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(about, IDC_ABOUT_ICON)));
  ASSERT_EQ(answers.Messages.size(), 2u);
  EXPECT_NE(answers.Messages[1].text.find("Readme.txt"), std::string::npos);
  SendMessageA(about, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindow(about));

  const std::string folder = ProgramFolder();
  SetProgramFolder(folder + "new\\");  // a "\n" in a folder name is no line break
  form.RunCommand(CM_HELP_KEYS);
  SetProgramFolder(folder);
  EXPECT_NE(answers.Messages.back().text.find(folder + "new\\Hivelark.html"), std::string::npos);
  about = TFormAbout::CreateModeless(form.Handle());
  EXPECT_EQ(GetNextDlgTabItem(about, nullptr, FALSE), GetDlgItem(about, IDOK));  // Enter closes the box
  DestroyWindow(about);
}

namespace {

// The program file copied into the test's program folder, so that its settings file is
// the test's own.
class ProgramRun {
 public:
  ProgramRun() {
    std::string built = HIVELARK_EXE[0] == '/' ? std::string("Z:") + HIVELARK_EXE : std::string(HIVELARK_EXE);
    for (char& c : built)
      if (c == '/') c = '\\';
    exe_ = ProgramFolder() + "hivelark.exe";
    CopyFileA(built.c_str(), exe_.c_str(), FALSE);
  }
  ~ProgramRun() { Stop(); }

  bool Start(const std::string& argument) {
    std::string commandLine = "\"" + exe_ + "\"";
    if (!argument.empty()) commandLine += " \"" + argument + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      return false;
    WaitForInputIdle(pi_.hProcess, 20000);
    for (int i = 0; i < 200 && !main_; ++i) {
      EnumThreadWindows(pi_.dwThreadId, [](HWND w, LPARAM self) -> BOOL {
        char cls[64] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (std::strcmp(cls, "TFormHivelark") != 0) return TRUE;
        reinterpret_cast<ProgramRun*>(self)->main_ = w;
        return FALSE;
      }, reinterpret_cast<LPARAM>(this));
      if (!main_) Sleep(50);
    }
    return main_ != nullptr;
  }
  // Waits until the registry pane holds count rows; returns the count it saw last.
  int WaitForRows(int count) {
    int seen = -1;
    for (int i = 0; i < 200 && seen != count; ++i) {
      HWND list = FindWindowExA(main_, nullptr, WC_LISTVIEWA, nullptr);
      seen = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
      if (seen != count) Sleep(50);
    }
    return seen;
  }
  HWND Window() const { return main_; }
  DWORD Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    DWORD code = 99;
    if (WaitForSingleObject(pi_.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(pi_.hProcess, &code);
    Stop();
    return code;
  }

 private:
  void Stop() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
    pi_ = PROCESS_INFORMATION{};
    main_ = nullptr;
  }
  std::string exe_;
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
};

std::string IniText(const std::string& section, const std::string& key) {
  char value[1024] = "";
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", value, sizeof value,
                           (ProgramFolder() + "Hivelark.ini").c_str());
  return value;
}

int RowsOf(HKEY root, const char* path, bool withParent) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &k) != ERROR_SUCCESS) return -1;
  DWORD keys = 0, values = 0;
  RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return static_cast<int>(keys + values) + (withParent ? 1 : 0);
}

}  // namespace

TEST(Program, RemembersWhereItWasBetweenRuns) {
  DeleteFileA((ProgramFolder() + "Hivelark.ini").c_str());
  ProgramRun run;
  ASSERT_TRUE(run.Start("reg://HKLM/Software/Classes"));
  const int rows = RowsOf(HKEY_LOCAL_MACHINE, "Software\\Classes", true);
  EXPECT_EQ(run.WaitForRows(rows), rows);
  EXPECT_TRUE(IsZoomed(run.Window()));  // a first start is maximized
  EXPECT_EQ(run.Close(), 0u);
  EXPECT_EQ(IniText("General", "CurRoot"), "2");
  EXPECT_EQ(IniText("General", "CurKey"), "\\Software\\Classes\\");
  EXPECT_EQ(IniText("General", "SortMethod"), "3");
  EXPECT_EQ(IniText("Bookmark", "Height"), "240");
  EXPECT_EQ(IniText("WindowProp", "State"), "2");

  // The next start without an argument opens there again.
  ASSERT_TRUE(run.Start(""));
  EXPECT_EQ(run.WaitForRows(rows), rows);
  EXPECT_EQ(run.Close(), 0u);
  EXPECT_EQ(IniText("General", "CurKey"), "\\Software\\Classes\\");
}

TEST_F(RegSandbox, AFaultInsideAControlWritesTheSettingsAndBookmarksBeforeTheProcessEnds) {
  for (const char* f : {"Hivelark.ini", "BookMarks.bmk"}) DeleteFileA((ProgramFolder() + f).c_str());
  MakeValue("", "plain", REG_SZ, std::string("x\0", 2));
  ProgramRun run;
  ASSERT_TRUE(run.Start("HKCU" + Path().substr(0, Path().size() - 1)));  // no "\" before the quote
  ASSERT_EQ(run.WaitForRows(2), 2);
  HWND list = FindWindowExA(run.Window(), nullptr, WC_LISTVIEWA, nullptr), edit = nullptr;
  PostMessageA(list, LVM_EDITLABELA, 1, 0);
  for (int i = 0; i < 200 && !edit; ++i, Sleep(50)) edit = FindWindowExA(list, nullptr, "Edit", nullptr);
  // Typed into the platform's edit box of the in-place rename: a digit, then the small tilde.
  for (const WPARAM c : {WPARAM{'1'}, WPARAM{0x98}}) PostMessageA(edit, WM_CHAR, c, 1);
  const DWORD code = run.Close();
  if (code == 0) GTEST_SKIP() << "the platform's edit box does not fault with the fonts of this machine";
  EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_TRUE(IniText("General", "CurKey") == Path() && IsFile(ProgramFolder() + "BookMarks.bmk"));
}

TEST_F(MainWindow, ActivationRereadsTheKeyKeepingTheSelection) {
  MakeValue("R", "b", REG_SZ, std::string("x\0", 2));
  MakeValue("R", "c", REG_SZ, std::string("y\0", 2));
  form.ShowStartLocation("HKCU" + Path("R"));
  form.SelectRow(2);
  MakeValue("R", "a", REG_SZ, std::string("z\0", 2));  // changed by another program meanwhile
  SendMessageA(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  PumpMessages();
  ASSERT_EQ(Count(), 4);
  EXPECT_EQ(ListItemText(List(), Selected(), 0), "c");
  form.State().AutoReread = false;
  MakeValue("R", "d", REG_SZ, std::string("w\0", 2));
  SendMessageA(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  PumpMessages();
  EXPECT_EQ(Count(), 4);
}

TEST_F(RegSandbox, BadSettingsFallBackAndGoodOnesAreApplied) {
  const std::string ini = ProgramFolder() + "Hivelark.ini";
  DeleteFileA(ini.c_str());
  WritePrivateProfileStringA("General", "CurRoot", "9", ini.c_str());
  WritePrivateProfileStringA("General", "SortMethod", "abc", ini.c_str());
  WritePrivateProfileStringA("General", "BackColor", "$FF0000", ini.c_str());
  WritePrivateProfileStringA("WindowProp", "State", "0", ini.c_str());
  WritePrivateProfileStringA("WindowProp", "Width", "700", ini.c_str());
  WritePrivateProfileStringA("WindowProp", "Height", "500", ini.c_str());
  WritePrivateProfileStringA("ColumnWidth", "3", "333", ini.c_str());
  WritePrivateProfileStringA("Bookmark", "Visible", "0", ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  ScriptedInteraction answers;
  {
    TFormHivelark form;
    ASSERT_TRUE(form.Create());
    EXPECT_EQ(form.State().SortMethod, 3);
    EXPECT_EQ(form.State().BackColor, 0xFF0000u);
    EXPECT_EQ(ListView_GetBkColor(form.Reg_ListView()), 0xFF0000u);
    EXPECT_EQ(ListView_GetColumnWidth(form.Reg_ListView(), 3), 333);
    EXPECT_FALSE(IsWindowVisible(form.Bmk_ListView()));
    EXPECT_FALSE(IsZoomed(form.Handle()));
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
    form.ShowStartLocation("");
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_EQ(answers.Messages[0].text, "Invalid root key!");
    EXPECT_EQ(form.State().CurRoot, RootCurrentUser);

    // Save Settings Now writes decimal numbers and the current column widths.
    ListView_SetColumnWidth(form.Reg_ListView(), 0, 199);
    ASSERT_TRUE(form.RunCommand(CM_SAVESETTINGS));
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  char value[64];
  GetPrivateProfileStringA("General", "BackColor", "", value, sizeof value, ini.c_str());
  EXPECT_STREQ(value, "16711680");
  GetPrivateProfileStringA("General", "CurRoot", "", value, sizeof value, ini.c_str());
  EXPECT_STREQ(value, "1");
  GetPrivateProfileStringA("ColumnWidth", "0", "", value, sizeof value, ini.c_str());
  EXPECT_STREQ(value, "199");
  GetPrivateProfileStringA("WindowProp", "Width", "", value, sizeof value, ini.c_str());
  EXPECT_STREQ(value, "700");
  DeleteFileA(ini.c_str());
}

TEST_F(MainWindow, LeftClickOnTheTitleStripCopiesTheLocation) {
  MakeKey("Clip");
  form.ShowStartLocation("HKCU" + Path("Clip"));
  SendMessageA(form.PathBar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(form.PathBar(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  EXPECT_EQ(text, "HKEY_CURRENT_USER" + Path("Clip"));
}

TEST_F(MainWindow, BackspaceGoesUpAndFromTheRootToTheRootList) {
  MakeKey("Up\\Down");
  form.ShowStartLocation("HKCU" + Path("Up\\Down"));
  SetFocus(List());
  SendMessageA(List(), WM_KEYDOWN, VK_BACK, 0);
  PumpMessages();
  EXPECT_EQ(form.State().CurKey, Path("Up"));
  EXPECT_EQ(ListItemText(List(), Selected(), 0), "Down");
  form.ShowStartLocation("HKCU");
  SendMessageA(List(), WM_KEYDOWN, VK_BACK, 0);
  PumpMessages();
  EXPECT_TRUE(form.State().RootMode);
  EXPECT_EQ(Count(), 7);
  // In the root list Backspace does nothing; without BackShowsRoot the root stays.
  SendMessageA(List(), WM_KEYDOWN, VK_BACK, 0);
  EXPECT_TRUE(form.State().RootMode);
  form.State().BackShowsRoot = false;
  form.ShowStartLocation("HKCU");
  SendMessageA(List(), WM_KEYDOWN, VK_BACK, 0);
  EXPECT_FALSE(form.State().RootMode);
  EXPECT_EQ(form.State().CurKey, "\\");
}
