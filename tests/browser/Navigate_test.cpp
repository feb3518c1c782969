// The navigation engine against the real registry, with a recording view in place of the window.
#include "browser/Navigate.h"

#include "support/TestSupport.h"

namespace {

class RecordingView : public TNavView {
 public:
  explicit RecordingView(TRegPaneModel& model) : model_(model) {}
  void BeginFill() override { ++fills; }
  void EndFill() override { selected = -1; }
  std::string FirstSelectedCaption() override { return selected >= 0 ? model_.Caption(selected) : std::string(); }
  void SelectRow(int index) override { selected = index; }
  void DrawPathBar(const std::string& text) override { strips.push_back(text); }

  int selected = -1;
  int fills = 0;
  std::vector<std::string> strips;

 private:
  TRegPaneModel& model_;
};

class Navigation : public RegSandbox {
 protected:
  Navigation() : view(model), nav(state, model, view) {}
  void SetUp() override {
    RegSandbox::SetUp();
    nav.NtFamily = false;  // keep key information lines free of the write time
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TRegRow& r : model.Rows) names.push_back(r.Name);
    return names;
  }
  std::string Selected() const { return view.selected >= 0 ? model.Caption(view.selected) : "<none>"; }
  void Cd(const std::string& path, bool history = true, bool rootPrefix = true) {
    nav.Navigate("CD", path, history, rootPrefix);
  }

  TBrowserState state;
  TRegPaneModel model;
  RecordingView view;
  TNavigator nav;
  ScriptedInteraction answers;
};

}  // namespace

TEST(PathRoutines, ParentPath) {
  EXPECT_EQ(ParentPath("\\A\\B\\"), "\\A\\");
  EXPECT_EQ(ParentPath("\\A\\"), "\\");
  EXPECT_EQ(ParentPath("\\"), "\\");
  EXPECT_EQ(ParentPath("\\A\\B"), "\\A\\");
  EXPECT_EQ(ParentPath("HKCU\\"), "");
  EXPECT_EQ(LastKeyName("\\A\\B\\"), "B");
  EXPECT_EQ(LastKeyName("\\"), "");
}

TEST(PathRoutines, ResolvePath) {
  TBrowserState state;
  TRegPaneModel model;
  RecordingView view(model);
  TNavigator nav(state, model, view);
  struct Case {
    const char* curKey;
    const char* input;
    const char* expected;
  } cases[] = {
      {"\\A\\B\\C\\", "..\\..\\X", "\\A\\X\\"},
      {"\\", "..", "\\"},
      {"\\Q\\", "\\A\\\\B", "\\B\\"},  // a doubled backslash restarts at the root
      {"\\Q\\", "A\\HKCU\\B", "HKCU\\B\\"},
      {"\\A\\", "Sub", "\\A\\Sub\\"},
      {"\\A\\", "", "\\A\\"},
      {"\\A\\", "\\", "\\"},
      {"\\A\\", "hklm\\Software", "hklm\\Software\\"},
      {"\\A\\B\\", "..\\..\\..\\..", "\\"},
  };
  for (const Case& c : cases) {
    state.CurKey = c.curKey;
    EXPECT_EQ(nav.ResolvePath(c.input), c.expected) << c.curKey << " + " << c.input;
  }
}

TEST(KeyInformation, LineWithAndWithoutWriteTime) {
  KeyInfo info;
  info.NumSubKeys = 3;
  info.NumValues = 12;
  info.MaxSubKeyLen = 7;
  info.MaxValueNameLen = 15;
  info.MaxDataLen = 260;
  EXPECT_EQ(KeyInfoLine(info, false), "03 Subkeys,  12 Values,  07 MaxKeyLen,  15 MaxValueLen,  260 MaxDataSize");
  EXPECT_EQ(KeyInfoLine(info, true),
            "03 Subkeys,  12 Values,  07 MaxKeyLen,  15 MaxValueLen,  260 MaxDataSize,  WriteTime: Invalid Time");
  SYSTEMTIME st{2024, 3, 0, 5, 14, 30, 0, 0};
  SystemTimeToFileTime(&st, &info.LastWriteTime);
  char date[64], time[64];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
  EXPECT_EQ(KeyInfoLine(info, true), KeyInfoLine(info, false) + ",  WriteTime: " + date + " - " + time);
}

TEST(LocaleOrder, SortedNamesFollowTheLocaleComparison) {
  std::vector<std::string> names = {"b", "A", "_under", "a-b", "ab", "Zeta", "zz", "10", "9", "\xE9t\xE9", "e", "C"};
  SortNamesLocale(names);
  ASSERT_EQ(names.size(), 12u);
  for (std::size_t i = 1; i < names.size(); ++i)
    EXPECT_NE(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, names[i - 1].c_str(), -1, names[i].c_str(), -1),
              CSTR_GREATER_THAN)
        << names[i - 1] << " before " << names[i];
}

TEST_F(Navigation, ListsParentKeysThenValues) {
  MakeKey("K\\B");
  MakeKey("K\\a");
  MakeValue("K", "z", REG_SZ, std::string("zz\0", 3));
  MakeValue("K", "Y", REG_DWORD, std::string(4, '\0'));
  MakeValue("K", "x", 0x1234, "abcde");
  MakeValue("K", "", REG_BINARY, "");
  state.SortMethod = 0;
  Cd(Path("K"), true, false);
  EXPECT_EQ(state.CurRoot, RootCurrentUser);
  EXPECT_EQ(state.CurKey, Path("K"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "a", "B", "", "x", "Y", "z"}));
  EXPECT_EQ(model.Rows[0].Describe(), "..||Up||13");
  EXPECT_EQ(model.Rows[1].Describe(),
            "a||Key|00 Subkeys,  00 Values,  00 MaxKeyLen,  00 MaxValueLen,  00 MaxDataSize|12");
  EXPECT_EQ(model.Rows[3].Describe(), "|0|Binary|** Zero Length Binary Data **|3");
  EXPECT_EQ(model.Rows[4].Describe(), "x|5|Undefined (4660)|61 62 63 64 65 |0");  // undefined type: image 0
  EXPECT_EQ(model.Rows[5].Describe(), "Y|4|DWord|$00000000  (0)|4");
  EXPECT_EQ(model.Rows[6].Describe(), "z|3|String|zz|1");
  EXPECT_EQ(Selected(), "..");
  EXPECT_FALSE(state.RootMode);
  EXPECT_EQ(state.History, std::vector<std::string>{"HKEY_CURRENT_USER" + Path("K")});
  EXPECT_EQ(state.HistoryIndex, 0);
  ASSERT_GE(view.strips.size(), 2u);
  EXPECT_EQ(view.strips[view.strips.size() - 2], "Reading Keys, Please Wait...");
  EXPECT_EQ(view.strips.back(), "");
  EXPECT_TRUE(answers.Messages.empty());
}

TEST_F(Navigation, KeyInformationCanBeSwitchedOff) {
  MakeKey("K\\sub\\deeper");
  MakeValue("K\\sub", "value name", REG_BINARY, std::string(260, 'q'));
  Cd(Path("K"), true, false);
  ASSERT_EQ(model.Count(), 2);
  EXPECT_EQ(model.Rows[1].Data, "01 Subkeys,  01 Values,  06 MaxKeyLen,  10 MaxValueLen,  260 MaxDataSize");
  state.QueryKeyInfo = false;
  nav.Navigate("UPD", "", true, false);
  EXPECT_EQ(model.Rows[1].Data, "");
  nav.NtFamily = true;
  state.QueryKeyInfo = true;
  nav.Navigate("UPD", "", true, false);
  EXPECT_NE(model.Rows[1].Data.find(",  WriteTime: "), std::string::npos);
  EXPECT_EQ(model.Rows[1].Data.find("Invalid Time"), std::string::npos);
}

TEST_F(Navigation, RootPrefixesAndRelativePaths) {
  Cd("HKLM\\Software\\");
  EXPECT_EQ(state.CurRoot, RootLocalMachine);
  EXPECT_EQ(state.CurKey, "\\Software\\");
  EXPECT_EQ(state.History.back(), "HKEY_LOCAL_MACHINE\\Software\\");
  Cd("HKLM");
  EXPECT_EQ(state.CurKey, "\\");
  ASSERT_GT(model.Count(), 0);
  EXPECT_NE(model.Rows[0].Name, "..");  // no parent row at the root

  MakeKey("A\\Sub");
  MakeKey("A\\HKCU");
  Cd("HKCU" + Path("A"));
  EXPECT_EQ(state.CurRoot, RootCurrentUser);
  Cd("Sub");
  EXPECT_EQ(state.CurKey, Path("A\\Sub"));
  // A subkey named like a root cannot be entered relatively while root names are allowed.
  Cd(Path("A"));
  Cd("HKCU", true, true);
  EXPECT_EQ(state.CurKey, "\\");
  Cd(Path("A"));
  Cd("HKCU", true, false);
  EXPECT_EQ(state.CurKey, Path("A\\HKCU"));
}

TEST_F(Navigation, EmptyCdRereadsAndRecordsAgain) {
  MakeKey("A");
  Cd(Path("A"));
  MakeValue("A", "late", REG_SZ, std::string("x\0", 2));
  Cd("");
  EXPECT_EQ(state.CurKey, Path("A"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "late"}));
  EXPECT_EQ(state.History.size(), 2u);
  Cd("", false);
  EXPECT_EQ(state.History.size(), 2u);
}

TEST_F(Navigation, UpAndUpdateSelectTheNamedRow) {
  MakeKey("A\\B");
  MakeKey("A\\C");
  MakeValue("A", "val", REG_SZ, std::string("v\0", 2));
  Cd(Path("A\\B"));
  nav.Navigate("CDUP", "B", true, false);
  EXPECT_EQ(state.CurKey, Path("A"));
  EXPECT_EQ(Selected(), "B");
  EXPECT_EQ(state.History.back(), "HKEY_CURRENT_USER" + Path("A"));

  // UPD keeps the selected row by name, never records history, and falls back to row 0.
  view.selected = model.Find("VAL");
  const std::size_t visits = state.History.size();
  nav.Navigate("UPD", "", true, false);
  EXPECT_EQ(Selected(), "val");
  EXPECT_EQ(state.History.size(), visits);
  nav.Navigate("UPD", "C", true, false);
  EXPECT_EQ(Selected(), "C");
  view.selected = model.Find("val");
  HKEY a = nullptr;
  ASSERT_EQ(RegOpenKeyExA(Key(), "A", 0, KEY_ALL_ACCESS, &a), ERROR_SUCCESS);
  RegDeleteValueA(a, "val");
  RegCloseKey(a);
  nav.Navigate("UPD", "", true, false);
  EXPECT_EQ(Selected(), "..");

  // CDUP at the root stays at the root.
  state.CurKey = "\\";
  nav.Navigate("CDUP", "", true, false);
  EXPECT_EQ(state.CurKey, "\\");
}

TEST_F(Navigation, CurKeyIsNormalisedAndBadRootsReported) {
  MakeKey("A");
  state.CurKey = Path("A").substr(0, Path("A").size() - 1);  // no trailing backslash
  nav.Navigate("UPD", "", true, false);
  EXPECT_EQ(state.CurKey, Path("A"));
  state.CurKey = "";
  state.CurRoot = 0x80000007u;
  nav.Navigate("UPD", "", true, false);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Invalid root key!");
  EXPECT_EQ(answers.Messages[0].caption, "Hivelark");
  EXPECT_EQ(answers.Messages[0].flags, 16u);
  EXPECT_EQ(state.CurRoot, RootCurrentUser);
  EXPECT_EQ(state.CurKey, "\\");
  state.RootMode = true;
  nav.Navigate("UPD", "", true, false);
  EXPECT_FALSE(state.RootMode);
}

TEST_F(Navigation, MissingKeyFallsBackToTheNearestExistingParent) {
  MakeKey("Live");
  Cd(Path("Live"));
  const std::string dead = "HKEY_CURRENT_USER" + Path("Live\\Gone\\Deeper\\Deepest");
  state.History.push_back(dead);
  state.History.push_back("hkey_current_user" + Path("Live\\Gone\\Deeper\\Deepest"));  // another spelling of it
  Cd(Path("Live\\Gone\\Deeper\\Deepest"));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, dead + "\r\n\r\nCouldn't open key, jumping to nearest existing parent!");
  EXPECT_EQ(answers.Messages[0].flags, 16u);
  EXPECT_EQ(state.CurKey, Path("Live"));
  for (const std::string& h : state.History) EXPECT_EQ(h.find("Gone"), std::string::npos) << h;
  EXPECT_EQ(state.History.back(), "HKEY_CURRENT_USER" + Path("Live"));
  EXPECT_EQ(state.HistoryIndex, static_cast<int>(state.History.size()) - 1);
  EXPECT_EQ(Names(), std::vector<std::string>{".."});
}

TEST_F(Navigation, MissingKeyDirectlyBelowARootStopsAtTheRoot) {
  Cd("\\No Such Key Below The Root", true, false);
  ASSERT_EQ(answers.Messages.size(), 1u);  // the failed key; the root then lists normally
  EXPECT_EQ(answers.Messages[0].text,
            "HKEY_CURRENT_USER\\No Such Key Below The Root\\\r\n\r\nCouldn't open key, jumping to nearest existing parent!");
  EXPECT_EQ(state.CurKey, "\\");
  EXPECT_GT(model.Count(), 0);
}

TEST_F(Navigation, HistoryKeepsTheNewest64Visits) {
  MakeKey("H");
  for (int i = 0; i < 65; ++i) Cd(Path("H"));
  EXPECT_EQ(state.History.size(), 64u);
  EXPECT_EQ(state.HistoryIndex, 63);
  Cd(Path("H"), false);
  EXPECT_EQ(state.History.size(), 64u);
}

TEST_F(Navigation, ValuesSortByTheChosenColumnAndKeysNever) {
  MakeKey("S\\b");
  MakeKey("S\\A");
  MakeValue("S", "ten", REG_BINARY, std::string(10, 'x'));
  MakeValue("S", "nine", REG_BINARY, std::string(9, 'x'));
  MakeValue("S", "hundred", REG_BINARY, std::string(100, 'x'));
  state.SortMethod = 1;
  Cd(Path("S"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "A", "b", "nine", "ten", "hundred"}));
  model.Sort(0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "A", "b", "hundred", "nine", "ten"}));
}

TEST_F(Navigation, ValueRowsReadEachValueWhateverItsSize) {
  // A large value between small ones: the shared read buffer grows and the rows stay exact.
  MakeValue("V", "a", REG_SZ, std::string("first\0", 6));
  MakeValue("V", "b", REG_BINARY, std::string(70000, '\x5A'));
  MakeValue("V", "c", REG_DWORD, std::string("\x01\0\0\0", 4));
  MakeValue("V", "d", REG_MULTI_SZ, std::string("x\0y\0\0", 5));
  state.SortMethod = 0;
  Cd(Path("V"));
  ASSERT_EQ(model.Count(), 5);
  EXPECT_EQ(model.Rows[1].Describe(), "a|6|String|first|1");
  EXPECT_EQ(model.Rows[2].Size, "70000");
  EXPECT_EQ(model.Rows[2].Data.substr(0, 6), "5A 5A ");
  EXPECT_EQ(model.Rows[2].Data.substr(model.Rows[2].Data.size() - 4), " ...");
  EXPECT_EQ(model.Rows[3].Describe(), "c|4|DWord|$00000001  (1)|4");
  EXPECT_EQ(model.Rows[4].Describe(), "d|5|MultiString|\"x\" \"y\"|7");
  state.ConstDataNames = true;
  nav.Navigate("UPD", "", true, false);
  EXPECT_EQ(model.Rows[1].Type, "REG_SZ");
}

TEST_F(Navigation, RowTextsStopAtTheirLimit) {
  MakeValue("", "long", REG_SZ, std::string(100000, 'x') + '\0');
  state.TypeFmt[REG_SZ].clear();
  for (int i = 0; i < 500; ++i) state.TypeFmt[REG_SZ] += "%s";  // would be 50 MB
  Cd(Path());
  ASSERT_EQ(model.Count(), 2);
  EXPECT_EQ(model.Rows[1].Data, std::string(RowTextLimit, 'x'));
}
