// The bookmark pane on the real main window, and the real program started end to end.
#include "bookmarks/BookmarkPane.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "bookmarks/BookmarkFile.h"
#include "commands/Hivelark.h"
#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

// The row's five columns joined by "|".
std::string RowText(HWND list, int item) {
  std::string s;
  for (int c = 0; c < 5; ++c) s += (c ? "|" : "") + ListItemText(list, item, c);
  return s;
}
int ItemImage(HWND list, int item) {
  LVITEMA lv{};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
  return lv.iImage;
}

TBookMark Item(int root, int type, std::string key, std::string name = "", std::string comment = "") {
  return TBookMark{static_cast<std::uint8_t>(root), static_cast<std::uint8_t>(type), std::move(key), std::move(name),
                   std::move(comment)};
}

std::string FileContent(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFileContent(const std::string& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}
std::string ProgramFile(const char* name) { return ProgramFolder() + name; }

// Holds the keyboard's modifier keys down for a scope, as the shortcut tables read them.
class THeldKeys {
 public:
  explicit THeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~THeldKeys() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

// A subsystem that looks at the bookmark list's notifications, to act in the middle of
// the pane's own work.
class TProbe : public TSubsystem {
 public:
  std::function<void()> OnItemChanged;
  bool Notify(const NMHDR& header, LPARAM, LRESULT&) override {
    if (header.code == LVN_ITEMCHANGED && OnItemChanged) {
      auto run = std::move(OnItemChanged);
      OnItemChanged = nullptr;
      run();
    }
    return false;
  }
};

class BookmarkPaneTest : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    Start();
  }
  void TearDown() override {
    program.reset();
    RegSandbox::TearDown();
  }
  // (Re)creates the program's window; files and settings written before are read.
  void Start(TSubsystem* probe = nullptr) {
    program.reset();
    program = std::make_unique<THivelark>();
    if (probe) program->Form().AddSubsystem(*probe);
    ASSERT_TRUE(program->Form().Create());
    form().Navigator().NtFamily = false;
  }
  TFormHivelark& form() { return program->Form(); }
  TBookmarkPane& pane() { return program->Bookmarks(); }
  HWND Bmk() { return form().Bmk_ListView(); }
  int Rows() { return static_cast<int>(SendMessageA(Bmk(), LVM_GETITEMCOUNT, 0, 0)); }
  void Select(std::initializer_list<int> rows, int focus = -1) {
    ListView_SetItemState(Bmk(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int r : rows) ListView_SetItemState(Bmk(), r, LVIS_SELECTED, LVIS_SELECTED);
    if (focus >= 0) ListView_SetItemState(Bmk(), focus, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  // Shows the list of mode holding the items.
  void Show(int mode, const TBookMarks& items) {
    pane().Lists(mode) = items;
    form().State().BookmarkMode = mode;
    form().ShowBookmarkPane(true);
    pane().ShowBookmarkList();
  }
  bool Key(HWND target, WPARAM key) {
    MSG msg{target, WM_KEYDOWN, key, 0, 0, {}};
    return form().TranslateShortcut(msg);
  }
  TBookMarks Three() {
    return {Item(1, 12, Path(), "", "one"), Item(1, 4, Path(), "v", "two"), Item(2, 1, "\\Software\\", "", "three")};
  }

  ScriptedInteraction answers;
  std::unique_ptr<THivelark> program;
};

}  // namespace

TEST(BookmarkStamp, YearMonthDayHourMinuteWithTheGivenSeparators) {
  SYSTEMTIME t{};
  t.wYear = 2009;
  t.wMonth = 1;
  t.wDay = 31;
  t.wHour = 7;
  t.wMinute = 5;
  EXPECT_EQ(BookmarkTimeStamp(t, "/", ":"), "09/01/31 07:05");
  EXPECT_EQ(BookmarkTimeStamp(t, ".", "h"), "09.01.31 07h05");
  t.wYear = 2100;
  EXPECT_EQ(BookmarkTimeStamp(t, "-", ":"), "00-01-31 07:05");
  EXPECT_FALSE(PlayNotifySound(""));  // no setting, no sound (not the system's default one)
}

TEST_F(BookmarkPaneTest, StartLoadsAndCloseSavesEachListByItsFlag) {
  WriteFileContent(ProgramFile("BookMarks.bmk"),
                   EncodeBookmarks({Item(1, 12, "\\Software\\", "", "c"), Item(9, 3, "\\X\\", "bin", ""),
                                    Item(2, 77, "\\Y\\", "odd", "")})
                       .Bytes);
  WriteFileContent(ProgramFile("SearchRes.bmk"), EncodeBookmarks({Item(0, 12, "\\.txt\\")}).Bytes);
  WriteFileContent(ProgramFile("CopyItems.bmk"), EncodeBookmarks({Item(0, 12, "\\copy\\")}).Bytes);
  WritePrivateProfileStringA("General", "LoadCopyItems", "0", ProgramFile("Hivelark.ini").c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ProgramFile("Hivelark.ini").c_str());
  Start();
  EXPECT_EQ(pane().Lists(0).size(), 3u);
  EXPECT_EQ(pane().Lists(1).size(), 1u);
  EXPECT_TRUE(pane().Lists(2).empty());
  // The pane is visible by default and shows the user bookmarks; a root this program does
  // not know shows its number, a type outside 0..11 its own text.
  ASSERT_TRUE(IsWindowVisible(Bmk()));
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(RowText(Bmk(), 0), "HKCU|\\Software\\||c|Key");
  EXPECT_EQ(ItemImage(Bmk(), 0), 12);
  EXPECT_EQ(RowText(Bmk(), 1), "9|\\X\\|bin||Binary");
  EXPECT_EQ(ItemImage(Bmk(), 1), 3);
  EXPECT_EQ(RowText(Bmk(), 2), "HKLM|\\Y\\|odd||Undefined (77)");
  EXPECT_EQ(form().BookmarkBarText(), "User Bookmarks");
  // A jump to the unknown root says so and goes nowhere.
  const std::string before = form().State().CurKey;
  Select({1});
  pane().BmkJumpHere_Cmd();
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Cannot jump to this bookmark: its root key number 9 is not a registry root!");
  EXPECT_EQ(form().State().CurKey, before);

  // Closing saves the user bookmarks and search results (on by default), not the cut/copy
  // items; a save that fails is reported with the file's name and leaves the file.
  pane().Lists(0) = {Item(1, 12, "\\Saved\\")};
  pane().Lists(2) = {Item(1, 12, "\\Not saved\\")};
  pane().Lists(1).clear();
  SetFileAttributesA(ProgramFile("SearchRes.bmk").c_str(), FILE_ATTRIBUTE_READONLY);
  answers.Messages.clear();
  SendMessageA(form().Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(FileContent(ProgramFile("BookMarks.bmk")), EncodeBookmarks({Item(1, 12, "\\Saved\\")}).Bytes);
  EXPECT_EQ(FileContent(ProgramFile("SearchRes.bmk")), EncodeBookmarks({Item(0, 12, "\\.txt\\")}).Bytes);
  EXPECT_EQ(FileContent(ProgramFile("CopyItems.bmk")), EncodeBookmarks({Item(0, 12, "\\copy\\")}).Bytes);
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text.rfind("The bookmark file could not be written:\r\n" + ProgramFile("SearchRes.bmk"), 0),
            0u);
}

TEST_F(BookmarkPaneTest, CloseSavesOnlyOverAFileTheListWasLoadedFrom) {
  const std::string kept = EncodeBookmarks({Item(1, 12, "\\Kept\\")}).Bytes, file = ProgramFile("BookMarks.bmk");
  const std::tuple<const char*, std::string, const char*> cases[] = {  // AutoLoad, file, why it is kept
      {"0", kept, "AutoLoad is off for this list"}, {"1", "BmkLst", "it could not be read at start"},
      {"0", "", nullptr}, {"1", kept, nullptr}};
  for (const auto& [autoLoad, before, why] : cases) {
    RemoveProgramFiles();
    if (!before.empty()) WriteFileContent(file, before);
    WritePrivateProfileStringA("General", "LoadBookMarks", autoLoad, ProgramFile("Hivelark.ini").c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ProgramFile("Hivelark.ini").c_str());
    Start();
    pane().Lists(0).push_back(Item(1, 12, "\\New\\"));
    answers.Messages.clear();
    SendMessageA(form().Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(FileContent(file).find("\\New\\") == std::string::npos, why != nullptr) << autoLoad << before;
    const std::string told = "These bookmark files were not loaded, so they were kept as they are and not saved over:";
    EXPECT_EQ(answers.Messages.empty() ? "" : answers.Messages[0].text, why ? told + "\r\n" + file + "\r\n    (" + why + ")" : "");
  }
}

TEST_F(BookmarkPaneTest, ListsOpenTogglesSwitchesAndRebuildsOnlyWhenNeeded) {
  Show(0, Three());
  pane().Lists(1) = {Item(0, 12, "\\s\\")};
  form().RunCommand(CM_LISTS_USER);  // F9 on the list shown: hide
  EXPECT_FALSE(IsWindowVisible(Bmk()));
  EXPECT_EQ(GetFocus(), form().Reg_ListView());
  form().RunCommand(CM_LISTS_USER);  // and show again
  EXPECT_TRUE(IsWindowVisible(Bmk()));
  EXPECT_EQ(GetFocus(), Bmk());
  form().RunCommand(CM_LISTS_SEARCH);  // F10 switches without hiding
  EXPECT_TRUE(IsWindowVisible(Bmk()));
  EXPECT_EQ(form().State().BookmarkMode, 1);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(form().BookmarkBarText(), "Search Bookmarks");
  form().RunCommand(CM_LISTS_COPY);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(form().BookmarkBarText(), "Cut/Copy Bookmarks");

  // The same list unchanged keeps its rows (and their selection); a changed one is
  // rebuilt and keeps the focused row's index.
  form().RunCommand(CM_LISTS_USER);
  Select({0, 2}, 2);
  form().RunCommand(CM_LISTS_USER);
  form().RunCommand(CM_LISTS_USER);
  EXPECT_EQ(pane().Selection(), (std::vector<int>{0, 2}));
  pane().Lists(0).push_back(Item(1, 12, "\\New\\"));
  form().RunCommand(CM_LISTS_USER);
  form().RunCommand(CM_LISTS_USER);
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(pane().Selection(), (std::vector<int>{2}));
  EXPECT_EQ(ListView_GetNextItem(Bmk(), -1, LVNI_FOCUSED), 2);
}

TEST_F(BookmarkPaneTest, WhileTheListIsShownSwitchingAndClosingAreRefused) {
  TProbe probe;
  Start(&probe);
  bool busy = false, stillThere = false;
  int mode = -1;
  Show(0, Three());
  probe.OnItemChanged = [&] {
    busy = pane().Busy();
    form().RunCommand(CM_LISTS_SEARCH);
    mode = form().State().BookmarkMode;
    SendMessageA(form().Handle(), WM_CLOSE, 0, 0);
    stillThere = IsWindow(form().Handle()) != 0;
  };
  pane().ShowBookmarkList();
  EXPECT_TRUE(busy);
  EXPECT_EQ(mode, 0);
  EXPECT_TRUE(stillThere);
  EXPECT_FALSE(IsFile(ProgramFile("BookMarks.bmk")));  // the refused close saved nothing
  EXPECT_FALSE(pane().Busy());
  EXPECT_TRUE(pane().CanClose());
}

TEST_F(BookmarkPaneTest, BookmarkAddsTheKeyOrTheSelectedRows) {
  MakeKey("K\\Sub");
  MakeValue("K", "v", REG_DWORD, std::string(4, '\0'));
  form().ShowStartLocation("HKCU" + Path("K"));  // rows "..", Sub, v; ".." selected
  Show(0, {});
  SetFocus(form().Reg_ListView());
  {
    THeldKeys ctrl({VK_CONTROL});
    EXPECT_TRUE(Key(form().Reg_ListView(), 'B'));  // Ctrl+B in the registry pane
  }
  ASSERT_EQ(pane().Lists(0).size(), 1u);
  const TBookMark& key = pane().Lists(0)[0];
  EXPECT_EQ(key, Item(1, 12, Path("K"), "", key.Comment));
  EXPECT_EQ(key.Comment.size(), BookmarkTimeStamp().size());
  EXPECT_EQ(Rows(), 1);  // the shown user list is redrawn

  ListView_SetItemState(form().Reg_ListView(), -1, 0, LVIS_SELECTED);
  for (int r : {0, 2}) ListView_SetItemState(form().Reg_ListView(), r, LVIS_SELECTED, LVIS_SELECTED);
  form().RunCommand(CM_BOOKMARK);  // ".." and v: only v
  ASSERT_EQ(pane().Lists(0).size(), 2u);
  EXPECT_EQ(pane().Lists(0)[1].ItemType, REG_DWORD);
  EXPECT_EQ(pane().Lists(0)[1].ValueName, "v");
  ListView_SetItemState(form().Reg_ListView(), -1, LVIS_SELECTED, LVIS_SELECTED);
  form().RunCommand(CM_BOOKMARK);  // "..", Sub and v: Sub added, v refused once
  ASSERT_EQ(pane().Lists(0).size(), 3u);
  EXPECT_EQ(pane().Lists(0)[2], Item(1, 12, Path("K"), "Sub", pane().Lists(0)[2].Comment));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Cannot add a bookmark item more than once!");
  EXPECT_EQ(Rows(), 3);

  form().RunCommand(CM_ROOTLIST);  // root rows are no keys of CurKey
  EXPECT_FALSE(form().CommandEnabled(CM_BOOKMARK));
}

TEST_F(BookmarkPaneTest, JumpHereGoesToTheItemAndSelectsItsRow) {
  MakeKey("J\\Sub");
  MakeValue("J", "a", REG_SZ, std::string("x\0", 2));
  MakeValue("J", "b", REG_SZ, std::string("y\0", 2));
  form().State().AutoClose = false;
  Show(1, {Item(1, 12, Path("J")), Item(1, 1, Path("J"), "b"), Item(1, 12, Path("J"), "Sub"), Item(1, 12, "\\")});
  auto regSelected = [&] {
    const int i = ListView_GetNextItem(form().Reg_ListView(), -1, LVNI_SELECTED);
    return i >= 0 ? form().Model().Caption(i) : std::string("<none>");
  };
  struct Case {
    int row;
    std::string selected;
  } cases[] = {{1, "b"}, {2, "Sub"}, {0, ".."}};
  for (const Case& c : cases) {
    Select({c.row}, c.row);
    SetFocus(Bmk());
    SendMessageA(Bmk(), WM_KEYDOWN, VK_RETURN, 0);  // Enter
    EXPECT_EQ(form().State().CurRoot, RootCurrentUser);
    EXPECT_EQ(form().State().CurKey, Path("J"));
    EXPECT_EQ(regSelected(), c.selected) << c.row;
    EXPECT_EQ(GetFocus(), form().Reg_ListView());
    EXPECT_TRUE(IsWindowVisible(Bmk()));
  }
  // Two rows selected: Enter does nothing; no row: a double click does nothing.
  Select({0, 3});
  SendMessageA(Bmk(), WM_KEYDOWN, VK_RETURN, 0);
  Select({});
  NMITEMACTIVATE click{};
  click.hdr = {Bmk(), IDC_BMK_LISTVIEW, static_cast<UINT>(NM_DBLCLK)};
  click.iItem = -1;
  SendMessageA(form().Handle(), WM_NOTIFY, IDC_BMK_LISTVIEW, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form().State().CurKey, Path("J"));
  // With AutoClose (the default) a jump hides the pane.
  form().State().AutoClose = true;
  Select({3});
  SendMessageA(form().Handle(), WM_NOTIFY, IDC_BMK_LISTVIEW, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form().State().CurKey, "\\");
  EXPECT_FALSE(IsWindowVisible(Bmk()));
  EXPECT_TRUE(answers.Messages.empty());
  // While BookmarkMode names another list (a search runs), the jump takes the shown row.
  Show(0, {Item(1, 12, Path("J"))});
  form().State().BookmarkMode = 1;
  pane().Lists(1) = {Item(1, 12, "\\")};
  Select({0});
  SendMessageA(form().Handle(), WM_NOTIFY, IDC_BMK_LISTVIEW, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form().State().CurKey, Path("J"));
}

TEST_F(BookmarkPaneTest, ContextMenuShowsAndGreysByListAndSelection) {
  struct Case {
    int mode, rows;
    std::vector<int> selected;
    bool bookmarkShown;
    std::vector<int> enabled;  // of the pane's items
  };
  const std::vector<int> always = {CM_BMK_LOADFILE, CM_BMK_SAVEFILE, CM_BMK_UPDATE};
  const Case cases[] = {
      {0, 0, {}, false, {}},
      {0, 3, {}, false, {CM_BMK_SELECTALL, CM_BMK_INVERTSEL}},
      {0, 3, {1}, false,
       {CM_BMK_JUMPHERE, CM_BMK_COMMENT, CM_BMK_DELENTRY, CM_BMK_SELECTALL, CM_BMK_UNSELECTALL, CM_BMK_INVERTSEL}},
      {1, 3, {1}, true,
       {CM_BMK_JUMPHERE, CM_BMK_BOOKMARK, CM_BMK_COMMENT, CM_BMK_DELENTRY, CM_BMK_SELECTALL, CM_BMK_UNSELECTALL,
        CM_BMK_INVERTSEL}},
      {1, 3, {0, 2}, true,
       {CM_BMK_BOOKMARK, CM_BMK_DELENTRY, CM_BMK_SELECTALL, CM_BMK_UNSELECTALL, CM_BMK_INVERTSEL}},
      {2, 3, {1}, true,
       {CM_BMK_JUMPHERE, CM_BMK_BOOKMARK, CM_BMK_DELENTRY, CM_BMK_SELECTALL, CM_BMK_UNSELECTALL, CM_BMK_INVERTSEL}},
      // Back on the user bookmarks, the item put back for the other lists goes again.
      {0, 3, {1}, false,
       {CM_BMK_JUMPHERE, CM_BMK_COMMENT, CM_BMK_DELENTRY, CM_BMK_SELECTALL, CM_BMK_UNSELECTALL, CM_BMK_INVERTSEL}},
  };
  HMENU menu = pane().PopupMenu3();
  ASSERT_NE(menu, nullptr);
  for (const Case& c : cases) {
    TBookMarks items = Three();
    items.resize(static_cast<std::size_t>(c.rows));
    Show(c.mode, items);
    ListView_SetItemState(Bmk(), -1, 0, LVIS_SELECTED);
    for (int r : c.selected) ListView_SetItemState(Bmk(), r, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageA(form().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(GetMenuItemCount(menu), c.bookmarkShown ? 14 : 13) << c.mode;
    for (int id = CM_BMK_JUMPHERE; id <= CM_BMK_UPDATE; ++id) {
      const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
      if (id == CM_BMK_BOOKMARK && !c.bookmarkShown) {
        EXPECT_EQ(state, static_cast<UINT>(-1));
        continue;
      }
      const bool on = std::count(c.enabled.begin(), c.enabled.end(), id) ||
                      std::count(always.begin(), always.end(), id);
      EXPECT_EQ((state & MF_GRAYED) == 0, on) << "mode " << c.mode << " id " << id;
    }
  }
  char text[64] = "";
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Jump Here\tEnter");
  GetMenuStringA(menu, CM_BMK_COMMENT, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "Comment...\tShift+C");
  // The main menu's list items and the registry pane's Bookmark work now.
  for (int id : {CM_LISTS_USER, CM_LISTS_SEARCH, CM_LISTS_COPY})
    EXPECT_EQ(GetMenuState(form().MainMenu(), static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED, 0u);
  SendMessageA(form().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(form().RegPopupMenu()), 0);
  EXPECT_EQ(GetMenuState(form().RegPopupMenu(), CM_BOOKMARK, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(form().RegPopupMenu(), CM_RENAME, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(BookmarkPaneTest, PaneCommandsOnTheShownList) {
  Show(1, Three());
  // Ctrl+B in the pane copies the selected items into the user bookmarks, twice as well.
  Select({0, 2});
  SetFocus(Bmk());
  {
    THeldKeys ctrl({VK_CONTROL});
    EXPECT_TRUE(Key(Bmk(), 'B'));
    EXPECT_TRUE(Key(Bmk(), 'B'));
  }
  EXPECT_EQ(pane().Lists(0), (TBookMarks{Three()[0], Three()[2], Three()[0], Three()[2]}));
  EXPECT_TRUE(answers.Messages.empty());

  // Comment: the prompt starts with the item's comment; OK stores the new one.
  answers.PromptAnswers.push_back({true, "new comment"});
  answers.PromptAnswers.push_back({false, "ignored"});
  Select({1});
  {
    THeldKeys shift({VK_SHIFT});
    EXPECT_TRUE(Key(Bmk(), 'C'));
    EXPECT_TRUE(Key(Bmk(), 'C'));
  }
  ASSERT_EQ(answers.Prompts.size(), 2u);
  EXPECT_EQ(answers.Prompts[0], "Enter Bookmark Comment...");
  EXPECT_EQ(pane().Lists(1)[1].Comment, "new comment");
  EXPECT_EQ(ListItemText(Bmk(), 1, 3), "new comment");

  // Selection commands: Ctrl+Num + and Ctrl+A select all, Ctrl+Num - clears, Num * inverts.
  Select({1});
  EXPECT_TRUE(Key(Bmk(), VK_MULTIPLY));
  EXPECT_EQ(pane().Selection(), (std::vector<int>{0, 2}));
  {
    THeldKeys ctrl({VK_CONTROL});
    EXPECT_TRUE(Key(Bmk(), VK_SUBTRACT));
    EXPECT_TRUE(pane().Selection().empty());
    EXPECT_TRUE(Key(Bmk(), VK_ADD));
    EXPECT_EQ(pane().Selection().size(), 3u);
    Select({});
    SendMessageA(Bmk(), WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(pane().Selection().size(), 3u);
    // Ctrl+R in the pane is its Update, not the registry pane's.
    pane().Lists(1).push_back(Item(1, 12, "\\Four\\"));
    EXPECT_TRUE(Key(Bmk(), 'R'));
    EXPECT_EQ(Rows(), 4);
  }

  // Delete removes every selected row in one pass, keeping the others in order, and the
  // row that takes the focused row's place is selected.
  Select({0, 2}, 2);
  EXPECT_TRUE(Key(Bmk(), VK_DELETE));
  ASSERT_EQ(pane().Lists(1).size(), 2u);
  EXPECT_EQ(pane().Lists(1)[0].Comment, "new comment");
  EXPECT_EQ(pane().Lists(1)[1].KeyPath, "\\Four\\");
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(pane().Selection(), (std::vector<int>{1}));
  EXPECT_EQ(RowText(Bmk(), 1), "HKCU|\\Four\\|||Key");

  // Esc hides the pane and gives the registry pane the focus.
  SendMessageA(Bmk(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindowVisible(Bmk()));
  EXPECT_EQ(GetFocus(), form().Reg_ListView());
}

TEST_F(BookmarkPaneTest, RowsPastTheEndOfAnEmptiedListAreLeftAlone) {
  Show(1, Three());
  pane().Lists(1).clear();  // as a search does before it shows its results
  Select({0, 1, 2}, 0);
  form().RunCommand(CM_BMK_DELENTRY);
  form().RunCommand(CM_BMK_BOOKMARK);
  pane().BmkJumpHere_Cmd();
  EXPECT_EQ(Rows(), 3);
  EXPECT_TRUE(pane().Lists(0).empty());
  EXPECT_EQ(ListItemText(Bmk(), 0, 1), "");
  EXPECT_TRUE(answers.Messages.empty());
}

TEST_F(BookmarkPaneTest, LoadAndSaveThroughTheFileDialogs) {
  const std::string file = ProgramFile("Picked.bmk");
  WriteFileContent(file, EncodeBookmarks({Item(3, 12, "\\.DEFAULT\\"), Item(1, 1, "\\A\\", "x")}).Bytes);
  Show(2, {Item(1, 12, "\\old\\")});
  SetFocus(Bmk());
  answers.OpenAnswers.push_back(file);
  answers.OpenAnswers.push_back("");  // cancelled
  THeldKeys ctrl({VK_CONTROL});
  EXPECT_TRUE(Key(Bmk(), 'O'));
  EXPECT_TRUE(Key(Bmk(), 'O'));
  ASSERT_EQ(answers.OpenDialogs.size(), 2u);
  EXPECT_EQ(answers.OpenDialogs[0].Filter, "Bookmark files (*.bmk)|*.bmk|All files (*.*)|*.*|");
  EXPECT_EQ(answers.OpenDialogs[0].FilterIndex, 1);
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof cwd, cwd);
  EXPECT_EQ(answers.OpenDialogs[0].InitialDir, cwd);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(RowText(Bmk(), 0), "HKU|\\.DEFAULT\\|||Key");
  EXPECT_TRUE(pane().Lists(0).empty());

  pane().Lists(2).push_back(Item(1, 12, "\\third\\"));
  const std::string saved = ProgramFile("Saved.bmk");
  answers.SaveAnswers.push_back(saved);
  answers.SaveAnswers.push_back(ProgramFolder() + "missing\\x.bmk");
  EXPECT_TRUE(Key(Bmk(), 'S'));
  ASSERT_EQ(answers.SaveDialogs.size(), 1u);
  const TFileDialogSpec& request = answers.SaveDialogs[0];
  EXPECT_EQ(request.Filter, "Registry files (*.reg)|*.reg|Bookmark files (*.bmk)|*.bmk|All files (*.*)|*.*|");
  EXPECT_EQ(request.FilterIndex, 2);
  EXPECT_EQ(request.DefaultExt, "bmk");
  EXPECT_TRUE(request.OverwritePrompt);
  EXPECT_EQ(FileContent(saved), EncodeBookmarks(pane().Lists(2)).Bytes);
  EXPECT_TRUE(answers.Messages.empty());
  EXPECT_TRUE(Key(Bmk(), 'S'));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find(ProgramFolder() + "missing\\x.bmk"), std::string::npos);
  DeleteFileA(file.c_str());
  DeleteFileA(saved.c_str());
}

namespace {

HWND FindProgramWindow(DWORD threadId) {
  HWND found = nullptr;
  EnumThreadWindows(threadId, [](HWND w, LPARAM out) -> BOOL {
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "TFormHivelark") != 0) return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

int WaitForCount(HWND list, int count) {
  int seen = -1;
  for (int i = 0; i < 200 && seen != count; ++i) {
    seen = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (seen != count) Sleep(50);
  }
  return seen;
}

}  // namespace

TEST_F(RegSandbox, ProgramShowsItsBookmarksAndSavesANewOneAtExit) {
  // The program file beside a BookMarks.bmk of two items, in the test's program folder.
  std::string built = HIVELARK_EXE[0] == '/' ? std::string("Z:") + HIVELARK_EXE : std::string(HIVELARK_EXE);
  for (char& c : built)
    if (c == '/') c = '\\';
  const std::string exe = ProgramFile("hivelark.exe");
  ASSERT_TRUE(CopyFileA(built.c_str(), exe.c_str(), FALSE));
  DeleteFileA(ProgramFile("Hivelark.ini").c_str());
  const TBookMarks start = {Item(1, 12, "\\Software\\", "", "one"), Item(2, 12, "\\Software\\", "", "two")};
  WriteFileContent(ProgramFile("BookMarks.bmk"), EncodeBookmarks(start).Bytes);
  MakeKey("E2E");

  // (No backslash before the closing quote: the argument parser would take it as an escape.)
  std::string commandLine = "\"" + exe + "\" \"HKCU" + Path() + "E2E\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  WaitForInputIdle(pi.hProcess, 20000);
  HWND main = nullptr;
  for (int i = 0; i < 200 && !main; ++i)
    if (!(main = FindProgramWindow(pi.dwThreadId))) Sleep(50);
  ASSERT_NE(main, nullptr);
  HWND reg = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
  HWND bmk = FindWindowExA(main, reg, WC_LISTVIEWA, nullptr);
  ASSERT_NE(bmk, nullptr);
  EXPECT_EQ(GetDlgCtrlID(bmk), IDC_BMK_LISTVIEW);
  EXPECT_EQ(WaitForCount(reg, 1), 1);  // the ".." row of the empty key
  EXPECT_EQ(WaitForCount(bmk, 2), 2);

  // Ctrl+B typed into the registry pane bookmarks the key shown.
  SetForegroundWindow(main);
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = 'B';
  keys[2].ki.wVk = 'B';
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof(INPUT));
  EXPECT_EQ(WaitForCount(bmk, 3), 3);

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
  if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  TBookMarks saved;
  ASSERT_TRUE(DecodeBookmarks(FileContent(ProgramFile("BookMarks.bmk")), saved).Accepted);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0], start[0]);
  EXPECT_EQ(saved[2], Item(1, 12, Path("E2E"), "", saved[2].Comment));
  EXPECT_EQ(saved[2].Comment.size(), 14u);
  DeleteFileA(ProgramFile("BookMarks.bmk").c_str());
  DeleteFileA(exe.c_str());
}
