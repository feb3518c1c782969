// The main window driven through its real controls, and the real program started end to end.
#include "browser/Main.h"

#include <commctrl.h>

#include "support/TestSupport.h"

namespace {

std::string ItemText(HWND list, int item, int sub) {
  char buf[512] = "";
  LVITEMA lv{};
  lv.iSubItem = sub;
  lv.pszText = buf;
  lv.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
  return buf;
}

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
  EXPECT_EQ(ItemText(List(), 0, 0), "..");
  EXPECT_EQ(ItemText(List(), 0, 2), "Up");
  EXPECT_EQ(ItemImage(List(), 0), 13);
  EXPECT_EQ(ItemText(List(), 1, 0), "Sub");
  EXPECT_EQ(ItemText(List(), 1, 2), "Key");
  EXPECT_EQ(ItemText(List(), 1, 3), "00 Subkeys,  00 Values,  00 MaxKeyLen,  00 MaxValueLen,  00 MaxDataSize");
  EXPECT_EQ(ItemImage(List(), 1), 12);
  EXPECT_EQ(ItemText(List(), 2, 0), "number");
  EXPECT_EQ(ItemText(List(), 2, 1), "4");
  EXPECT_EQ(ItemImage(List(), 2), 4);
  EXPECT_EQ(Selected(), 0);
  // A location too wide for the strip switches to the short root name, the key path whole.
  MoveWindow(form.Handle(), 0, 0, 1200, 600, TRUE);
  form.DrawPathBar("");
  EXPECT_EQ(form.PathBarText(), "HKEY_CURRENT_USER" + Path("K"));
  MoveWindow(form.Handle(), 0, 0, 300, 600, TRUE);
  form.DrawPathBar("");
  EXPECT_EQ(form.PathBarText(), "HKCU" + Path("K"));
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
  EXPECT_EQ(ItemText(List(), 1, 0), "Deeper");

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
  EXPECT_EQ(ItemText(List(), Selected(), 0), "Sub");
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
  EXPECT_EQ(ItemText(List(), Selected(), 0), "v02500");
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
