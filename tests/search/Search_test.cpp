// The registry search: the name and data tests, the walk's order and filters on a fixture
// tree, the limit, and the search window with Cancel Search and a close during the walk.
#include "commands/Hivelark.h"

#include <commctrl.h>

#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

TEST(SearchTests, KeywordsWordsNumbersAndSizes) {
  TSearchOptions o;
  const auto found = [&](const char* text, const char* keyword) {
    return KeywordFound(text, keyword, AnsiUpperCase(keyword), o);
  };
  EXPECT_TRUE(found("Runtime", "run"));
  o.MatchCase = true;
  EXPECT_FALSE(found("Runtime", "run"));
  o.MatchCase = false;
  o.WholeWords = true;
  EXPECT_FALSE(found("Runtime", "Run"));
  EXPECT_TRUE(found("Run_Once", "Run"));
  EXPECT_TRUE(found("Run1", "Run"));
  EXPECT_TRUE(found("\xC9Run Run", "run"));  // the first occurrence fails, the search goes on
  EXPECT_FALSE(found("\xC9Run", "run"));     // a 1252 letter is a word letter
  EXPECT_TRUE(found("Stra\xDF" "e", "stra"));   // sharp s is not
  struct Dword {
    std::string data;
    const char* keyword;
    bool hit;
  };
  const Dword dwords[] = {{std::string("\x01\0\0\0", 4), "1", true},   {std::string("\x0B\0\0\0", 4), "1", false},
                          {std::string("\x01\0\x01\0", 4), "1", false}, {std::string("\x01\0\0\0", 4), "0x1", false},
                          {std::string("\xFF\xFF\xFF\xFF", 4), "-1", false}, {std::string("\x05", 1), "5", true},
                          {std::string(), "0", true},
                          {std::string("\x01\0\0\0", 4), "00000000000000000001", true},  // leading zeros
                          {std::string("\x01\0\0\0", 4), "18446744073709551617", false}};  // beyond 64 bits
  for (const Dword& d : dwords) EXPECT_EQ(DwordMatches(d.data, d.keyword), d.hit) << d.keyword;
  std::int32_t size = 0;
  EXPECT_TRUE(ParseSizeText("$10", size));
  EXPECT_EQ(size, 16);
  for (const char* bad : {"10$", "ABC", "", "-1", "99999999999"}) EXPECT_FALSE(ParseSizeText(bad, size)) << bad;
}

class SearchWalk : public RegSandbox {
 protected:
  std::string Hits(const TSearchOptions& o) {
    TBookMarks results;
    TSearchWalk walk(o, results, {}, {});
    walk.SearchKey(RootCurrentUser, Path());
    std::string text;
    for (const TBookMark& b : results) text += b.KeyPath.substr(Path().size()) + "|" + b.ValueName + "|" + std::to_string(b.ItemType) + " ";
    return text;
  }
};

TEST_F(SearchWalk, DepthFirstSubkeysBeforeValuesWithEveryFilter) {
  MakeValue("", "run", REG_SZ, std::string("x\0", 2));
  MakeValue("A Run", "plain", REG_SZ, std::string("go Run\0", 7));
  MakeValue("A Run\\Deep", "n", REG_DWORD, std::string("\x07\0\0\0", 4));
  MakeValue("A Run\\Deep", "empty", REG_BINARY, std::string());
  MakeKey("B");
  TSearchOptions o;
  o.KeyWord = "run";
  EXPECT_EQ(Hits(o), "A Run\\||12 A Run\\|plain|1 |run|1 ");
  o.KeyNames = false;
  o.TypeFilter = true;
  o.TypeFilterMask = 1u << REG_SZ;
  o.ValueData = false;
  EXPECT_EQ(Hits(o), "|run|1 ");
  o = TSearchOptions{};
  o.KeyWord = "7";
  EXPECT_EQ(Hits(o), "A Run\\Deep\\|n|4 ");
  o.DataTypesMask = 1u << REG_SZ;  // REG_DWORD data is not searched
  EXPECT_EQ(Hits(o), "");
  o = TSearchOptions{};
  o.KeyWordFilter = false;
  o.SizeFilter = true;
  o.SizeRelation = '=';
  o.SizeLimit = 0;
  EXPECT_EQ(Hits(o), "A Run\\Deep\\|empty|3 ");
}

TEST_F(SearchWalk, KeysTheCodePageCannotSpellAreSearchedAndTheirHitsMarked) {
  // "日本" beside a literal "??": each is searched once, by its own name.
  for (const std::wstring name : {L"\u65E5\u672C", L"??"}) {
    const std::wstring data = L"hit in " + name;
    ASSERT_EQ(RegSetKeyValueW(Key(), name.c_str(), L"v", REG_SZ, data.c_str(), (data.size() + 1) * 2), ERROR_SUCCESS);
  }
  TSearchOptions o;
  o.KeyWord = "hit";
  EXPECT_EQ(Hits(o), "??\\|v|1 {U+65E5}{U+672C}\\|v|1 ");
}

TEST_F(SearchWalk, TheLimitStopsAtTheNextKey) {
  for (const char* key : {"a", "b", "c"}) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(Key(), key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    for (int i = 0; i < 1600; ++i) RegSetValueExA(k, ("v" + std::to_string(i)).c_str(), 0, REG_BINARY, nullptr, 0);
    RegCloseKey(k);
  }
  TSearchOptions o;
  o.KeyWord = "v";
  TBookMarks results;
  int limits = 0;
  TSearchWalk walk(o, results, {}, [&] { ++limits; });
  walk.SearchKey(RootCurrentUser, Path());
  EXPECT_EQ(results.size(), 3200u);  // the key in progress finishes its values
  EXPECT_EQ(limits, 1);
  EXPECT_FALSE(walk.Searching());
}

class SearchWindow : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ASSERT_TRUE(form().Create());
    form().ShowStartLocation("HKCU" + Path());
    ASSERT_TRUE(form().RunCommand(CM_SEARCH));
    dlg = program.Search().Window()->Handle();
    ASSERT_TRUE(IsWindowVisible(dlg));
  }
  TFormHivelark& form() { return program.Form(); }
  bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }
  void Click(int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

  THivelark program;
  ScriptedInteraction answers;
  HWND dlg = nullptr;
};

TEST_F(SearchWindow, ControlsFollowTheFiltersAndBadSizesAreRefused) {
  EXPECT_FALSE(Enabled(IDOK));  // no keyword yet
  SetDlgItemTextA(dlg, IDC_SRCH_KEYWORD, "x");
  EXPECT_TRUE(Enabled(IDOK));
  Click(IDC_SRCH_KEYWORD_CHK);
  EXPECT_FALSE(Enabled(IDC_SRCH_KEYWORD));
  EXPECT_FALSE(Enabled(IDC_SRCH_VALUEDATA_BTN));
  EXPECT_FALSE(Enabled(IDOK));
  Click(IDC_SRCH_DATASIZE_CHK);
  EXPECT_TRUE(Enabled(IDC_SRCH_SIZE));
  program.Bookmarks().Lists(1) = TBookMarks(3);
  form().State().BookmarkMode = 1;
  program.Bookmarks().ShowBookmarkList();
  EXPECT_TRUE(Enabled(IDOK));
  SetDlgItemTextA(dlg, IDC_SRCH_SIZE, "10$");
  Click(IDOK);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Invalid size specified!");
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_EQ(ListView_GetItemCount(form().Bmk_ListView()), 0);  // the emptied results list
  form().ShowCancelSearch(true);  // a search runs and the pane hides: so does the button, which has a font
  form().ShowBookmarkPane(false);
  EXPECT_TRUE(!IsWindowVisible(form().CancelSearch_Btn()) && SendMessageA(form().CancelSearch_Btn(), WM_GETFONT, 0, 0));
  // The masks come from the type chooser in its multiple form.
  answers.TypeAnswers = {1 << REG_DWORD};
  Click(IDC_SRCH_DATATYPE_CHK);
  Click(IDC_SRCH_DATATYPE_BTN);
  EXPECT_EQ(program.Search().TypeFilterMask, 1u << REG_DWORD);
}

TEST_F(SearchWindow, CancelSearchShowsWhatWasFoundAtOnce) {
  MakeValue("", "needle", REG_SZ, std::string("\0", 1));
  SetDlgItemTextA(dlg, IDC_SRCH_KEYWORD, "e");
  SendDlgItemMessageA(dlg, IDC_SRCH_ORIGIN, CB_SETCURSEL, 2, 0);  // the whole registry: thousands of hits
  BYTE keys[256];  // Alt+F7 during the walk goes through the shortcuts as in the main loop
  GetKeyboardState(keys);
  keys[VK_MENU] ^= 0x80;
  SetKeyboardState(keys);
  PostMessageA(form().Reg_ListView(), WM_SYSKEYDOWN, VK_F7, 0x20000001);
  PostMessageA(form().Handle(), WM_COMMAND, MAKEWPARAM(IDC_CANCELSEARCH_BTN, BN_CLICKED),
               reinterpret_cast<LPARAM>(form().CancelSearch_Btn()));
  Click(IDOK);
  keys[VK_MENU] ^= 0x80;
  SetKeyboardState(keys);
  EXPECT_EQ(answers.Messages.empty() ? "" : answers.Messages[0].text, "A search is currently in progress!");
  const TBookMarks& results = program.Bookmarks().Lists(1);
  EXPECT_FALSE(program.Search().Searching());
  EXPECT_FALSE(IsWindowVisible(form().CancelSearch_Btn()));
  EXPECT_LT(results.size(), SearchResultLimit);
  for (const auto& m : answers.Messages) EXPECT_NE(m.text, "Maximum number of items found!");
  EXPECT_EQ(form().State().BookmarkMode, 1);
}

TEST_F(SearchWindow, ClosingDuringTheWalkWaitsForItToUnwind) {
  SetDlgItemTextA(dlg, IDC_SRCH_KEYWORD, "e");
  SendDlgItemMessageA(dlg, IDC_SRCH_ORIGIN, CB_SETCURSEL, 2, 0);
  PostMessageA(form().Handle(), WM_CLOSE, 0, 0);
  Click(IDOK);  // returns when the walk has unwound
  EXPECT_TRUE(IsWindow(form().Handle()));
  EXPECT_FALSE(program.Search().Searching());
  PumpMessages();  // the close asked for again
  EXPECT_FALSE(IsWindow(form().Handle()));
  EXPECT_TRUE(answers.Messages.empty());  // reason 0: no sound, no message
}
