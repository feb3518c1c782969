// Start-up, activation, saving at the end of a session, placement and pane sizes, type-ahead
// and the order of rows that compare equal: the main window with the settings a user or a
// damaged file may leave behind.
#include "browser/Main.h"

#include <commctrl.h>

#include <algorithm>

#include "browser/PaneLayout.h"
#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

class StartUp : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    DeleteFileA(Ini().c_str());
  }
  void TearDown() override {
    DeleteFileA(Ini().c_str());
    RegSandbox::TearDown();
  }
  static std::string Ini() { return ProgramFolder() + "Hivelark.ini"; }
  static void Set(const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), Ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini().c_str());
  }
  static std::string Get(const char* section, const char* key) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini().c_str());
    char value[256] = "";
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, Ini().c_str());
    return value;
  }
  // The start as the program makes it, with the activation the start itself causes.
  void Start(TFormHivelark& form, const std::string& argument) {
    ASSERT_TRUE(form.Create());
    form.ShowStartLocation(argument);
    SendMessageA(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
    PumpMessages();
  }
  int Count(const std::string& text) const {
    return static_cast<int>(std::count_if(answers.Messages.begin(), answers.Messages.end(),
                                          [&](const auto& m) { return m.text.find(text) != std::string::npos; }));
  }

  ScriptedInteraction answers;
};

}  // namespace

TEST_F(StartUp, TheStartReadsTheKeyOnceAndActivationOnlyWhenItChanged) {
  MakeValue("K", "a", REG_SZ, std::string("1\0", 2));
  TFormHivelark form;
  Start(form, "HKCU" + Path("K"));
  EXPECT_EQ(form.Navigator().Reads(), 1);
  SendMessageA(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);  // back from another program, nothing changed
  PumpMessages();
  EXPECT_EQ(form.Navigator().Reads(), 1);
  MakeValue("K", "a", REG_SZ, std::string("2\0", 2));  // the same value, new data
  SendMessageA(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  PumpMessages();
  EXPECT_EQ(form.Navigator().Reads(), 2);
  EXPECT_EQ(form.Model().Rows.back().Data, "2");
}

TEST_F(StartUp, AnErrorAtTheStartIsShownOnce) {
  Set("General", "CurRoot", "9");
  Set("General", "CurKey", Path("Gone"));
  TFormHivelark form;
  Start(form, "");
  EXPECT_EQ(Count("Invalid root key!"), 1);
  EXPECT_EQ(Count("Couldn't open key"), 1);
  EXPECT_EQ(answers.Messages.size(), 2u);
  EXPECT_EQ(form.State().CurKey, Path());
}

TEST_F(StartUp, ASavedKeyWithoutItsLeadingBackslashFallsBackOnce) {
  MakeKey("X");
  Set("General", "CurKey", Path("X\\Gone").substr(1));  // "Software\...\X\Gone\", edited by hand
  TFormHivelark form;
  Start(form, "");
  EXPECT_EQ(Count("Couldn't open key"), 1);
  EXPECT_EQ(form.State().CurKey, Path("X"));
  EXPECT_EQ(form.Navigator().LocationText(), "HKEY_CURRENT_USER" + Path("X"));
}

TEST_F(StartUp, TheEndOfTheSessionSavesTheSettings) {
  TFormHivelark form;
  Start(form, "HKCU" + Path());
  form.State().SortMethod = 1;
  EXPECT_TRUE(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0));
  SendMessageA(form.Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(Get("General", "SortMethod"), "1");
  EXPECT_EQ(Get("General", "CurKey"), Path());
}

TEST_F(StartUp, SettingsThatCannotBeWrittenAreReportedAndTheCloseGoesOn) {
  TFormHivelark form;
  Start(form, "HKCU" + Path());
  Set("General", "SortMethod", "2");
  // Another program holds the file open without sharing it.
  HANDLE lock = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(form.RunCommand(CM_SAVESETTINGS));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find(Ini()), std::string::npos);
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(answers.Messages.size(), 2u);  // once more at the close, which is not blocked
  EXPECT_FALSE(IsWindow(form.Handle()));
  CloseHandle(lock);
  EXPECT_EQ(Get("General", "SortMethod"), "2");
}

TEST_F(StartUp, ABadPlacementOpensOnTheScreenInAUsableSize) {
  Set("WindowProp", "Left", "-5000");
  Set("WindowProp", "Top", "40000");
  Set("WindowProp", "Width", "640");
  Set("WindowProp", "Height", "27");
  Set("WindowProp", "State", "1");
  Set("Bookmark", "Height", "99999");
  Set("ColumnWidth", "0", "100000");
  Set("ColumnWidth", "1", "-50");
  Set("ColumnWidth", "2", "0");
  TFormHivelark form;
  Start(form, "HKCU" + Path());
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT r;
  GetWindowRect(form.Handle(), &r);
  EXPECT_FALSE(IsIconic(form.Handle()));
  EXPECT_GE(r.left, area.left);
  EXPECT_LE(r.bottom, area.bottom);
  EXPECT_GE(r.bottom - r.top, 240);
  EXPECT_EQ(ListView_GetColumnWidth(form.Reg_ListView(), 0), MaxColumnWidth);
  EXPECT_EQ(ListView_GetColumnWidth(form.Reg_ListView(), 1), MinColumnWidth);
  EXPECT_EQ(ListView_GetColumnWidth(form.Reg_ListView(), 2), MinColumnWidth);
  // Both lists and both strips keep room; the registry list shows rows.
  RECT list, bmk;
  GetWindowRect(form.Reg_ListView(), &list);
  GetWindowRect(form.Bmk_ListView(), &bmk);
  EXPECT_GE(list.bottom - list.top, MinRegPaneHeight - 17);
  EXPECT_GE(bmk.bottom - bmk.top, MinBmkPaneHeight - 17);
  EXPECT_LE(list.bottom, bmk.top);
}

TEST_F(StartUp, AColumnDraggedOutOfRangeComesBackIntoIt) {
  TFormHivelark form;
  Start(form, "HKCU" + Path());
  for (HWND list : {form.Reg_ListView(), form.Bmk_ListView()}) {
    HWND header = ListView_GetHeader(list);
    for (const int to : {-400, 3000}) {
      ListView_SetColumnWidth(list, 1, 100);
      PumpMessages();
      RECT item{};
      Header_GetItemRect(header, 1, &item);
      const int y = (item.top + item.bottom) / 2;
      // Drag the column's right divider; the mouse stays down while the list takes the change.
      SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.right - 1, y));
      SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right + to / 2, y));
      SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.left + to, y));
      PumpMessages();
      const int width = ListView_GetColumnWidth(list, 1);
      SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(item.left + to, y));
      PumpMessages();
      EXPECT_EQ(width, to < 0 ? MinColumnWidth : MaxColumnWidth) << to;
      EXPECT_EQ(ListView_GetColumnWidth(list, 1), to < 0 ? MinColumnWidth : MaxColumnWidth) << to;
    }
  }
}

TEST(PaneSplit, BothPanesKeepTheirMinimum) {
  struct Case {
    int client, wanted;
    bool visible;
    int reg, bmk;
  };
  const Case cases[] = {
      {600, 240, true, 360, 240},                                           // as wanted
      {600, 99999, true, MinRegPaneHeight, 600 - MinRegPaneHeight},          // too high
      {600, 0, true, 600 - MinBmkPaneHeight, MinBmkPaneHeight},              // too low
      {250, 240, true, MinRegPaneHeight, 250 - MinRegPaneHeight},            // small window
      {100, 240, true, 60, 40},                                              // too small for both
      {10, 240, true, 0, 10},                                                //
      {600, 240, false, 600, 0},                                             // hidden
  };
  for (const Case& c : cases) {
    const TPaneSplit s = SplitPanes(c.client, c.wanted, c.visible);
    EXPECT_EQ(s.RegHeight, c.reg) << c.client << " " << c.wanted;
    EXPECT_EQ(s.BmkHeight, c.bmk) << c.client << " " << c.wanted;
  }
}

TEST(PlacementFit, WindowsComeBackOnTheWorkArea) {
  const RECT area{0, 0, 1280, 870};
  struct Case {
    TWindowPlacement saved, fitted;
  };
  const Case cases[] = {
      {{100, 50, 800, 600, 0}, {100, 50, 800, 600, 0}},
      {{-5000, 40000, 640, 27, 1}, {0, 870 - 240, 640, 240, 0}},     // off-screen, tiny, minimized
      {{1200, 10, 100000, 100000, 2}, {0, 0, 1280, 870, 2}},        // larger than the screen
      {{0, 0, 0, 0, 0}, {0, 0, 320, 240, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(FitPlacement(c.saved, area, 320, 240), c.fitted);

  // The default position centres the window as far as it fits, never off the screen.
  const std::string ini = ProgramFolder() + "Placement.ini";
  DeleteFileA(ini.c_str());
  WritePrivateProfileStringA("WindowProp", "Width", "100000", ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  TSettings s;
  LoadSettings(ini, s, 1280, 900);
  EXPECT_EQ(s.Window.Left, 0);
  EXPECT_EQ(s.Window.Top, 250);
  DeleteFileA(ini.c_str());
}

TEST(LocationFit, FullThenShortThenTheTail) {
  const auto chars = [](const std::string& t) { return static_cast<int>(t.size()); };
  EXPECT_EQ(FitLocationText("HKEY_CURRENT_USER\\A\\B\\", "HKCU\\A\\B\\", 30, chars), "HKEY_CURRENT_USER\\A\\B\\");
  EXPECT_EQ(FitLocationText("HKEY_CURRENT_USER\\A\\B\\", "HKCU\\A\\B\\", 12, chars), "HKCU\\A\\B\\");
  EXPECT_EQ(FitLocationText("HKEY_CURRENT_USER\\Abc\\Def\\", "HKCU\\Abc\\Def\\", 10, chars), "...bc\\Def\\");
  EXPECT_EQ(FitLocationText("HKEY_CURRENT_USER\\A\\", "HKCU\\A\\", 2, chars), "...");
}

TEST_F(StartUp, TypingANamePrefixFocusesItsRow) {
  for (const char* name : {"alpha", "sa", "sz", "Sz2", "zeta"}) MakeValue("T", name, REG_SZ, std::string("\0", 1));
  TFormHivelark form;
  Start(form, "HKCU" + Path("T"));
  const auto type = [&](const std::string& keys) {
    for (char c : keys) SendMessageA(form.Reg_ListView(), WM_CHAR, static_cast<WPARAM>(c), 0);
    return form.Model().Caption(ListView_GetNextItem(form.Reg_ListView(), -1, LVNI_FOCUSED));
  };
  EXPECT_EQ(type("sz"), "sz");
  Sleep(1100);  // a pause starts a new search
  EXPECT_EQ(type("Z"), "zeta");
  Sleep(1100);
  EXPECT_EQ(type("s"), "sa");  // wraps round to the first row with s
  EXPECT_EQ(type("s"), "sz");  // the same letter again steps on
  EXPECT_EQ(type("s"), "Sz2");
}

TEST(RowOrder, RowsThatCompareEqualKeepTheirListedOrder) {
  TRegPaneModel model;
  const char* names[] = {"a", "b", "c", "d"};
  const char* sizes[] = {"4", "1", "4", "1"};
  const char* types[] = {"String", "DWord", "DWord", "String"};
  for (int i = 0; i < 4; ++i) model.Rows.push_back(TRegRow{names[i], sizes[i], types[i], "", 1, i});
  const auto order = [&] {
    std::string s;
    for (const TRegRow& r : model.Rows) s += r.Name;
    return s;
  };
  model.Sort(2);
  EXPECT_EQ(order(), "bcad");
  model.Sort(1);  // equal sizes in name order, not in the type order shown before
  EXPECT_EQ(order(), "bdac");
  model.Sort(-1);
  EXPECT_EQ(order(), "abcd");
}
