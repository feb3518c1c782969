// The settings catalogue against real INI files: defaults without a file, the encodings
// and order written, the placement rules, bad values, and texts the file cannot hold raw.
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "lib/VkFuncLib.h"

#include "IniFileTest.h"

namespace {

constexpr int ScreenW = 1280, ScreenH = 1024;

// Settings that differ from the defaults in every key.
TSettings Changed() {
  TSettings s;
  s.SortMethod = 1;
  s.CurRoot = RootDynData;
  s.CurKey = "\\Software\\Hivelark Tests\\";
  s.RootMode = s.GridLines = s.ConstDataNames = true;
  s.BackShowsRoot = s.QueryKeyInfo = s.AutoReread = false;
  s.NotifySnd = "C:\\Sounds\\ding.wav";
  s.ListViewFont = "Courier New,10,B";
  s.BackColor = 0xFFFFFFFF;
  s.FontColor = 0x123456;
  s.AutoClose = s.LoadBookMarks = s.LoadSearchRes = s.LoadCopyItems = s.SaveBookMarks = s.SaveSearchRes = false;
  s.SaveCopyItems = true;
  s.BookmarkMode = 2;
  s.BookmarkHeight = 123;
  s.BookmarkVisible = false;
  s.Window = {-4, -8, 1000, 700, 0};
  for (int i = 0; i < TypeCount; ++i) s.TypeFmt[static_cast<std::size_t>(i)] = "<" + std::to_string(i) + "> %h";
  s.ColumnWidths = {1, 2, 3, 4};
  s.BmkColumnWidths = {5, 6, 7, 8, 9};
  return s;
}

std::string Line(const std::vector<std::string>& lines, const std::string& start) {
  const auto it =
      std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
  return it == lines.end() ? std::string() : *it;
}

}  // namespace

using SettingsTest = IniFileTest;

// Every default value is checked by the saved file below; this is the start-up picture.
TEST_F(SettingsTest, MissingFileStartsMaximizedAtTheCurrentUserRootWithCurrentColumnWidths) {
  TSettings s;
  s.ColumnWidths = {11, 12, 13, 14};  // the columns' widths at this moment
  s.BmkColumnWidths = {21, 22, 23, 24, 25};
  LoadSettings(Path(), s, ScreenW, ScreenH);
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(s.Window, (TWindowPlacement{320, 312, 640, 400, 2}));
  EXPECT_EQ(s.SortMethod, 3);
  EXPECT_EQ(s.CurRoot, RootCurrentUser);
  EXPECT_EQ(s.CurKey, "\\");
  EXPECT_TRUE(s.BookmarkVisible);
  EXPECT_EQ(s.BookmarkHeight, 240);
  EXPECT_EQ(s.BookmarkMode, 0);
  EXPECT_EQ(s.TypeFmt[2], "\"%e\"");
  EXPECT_EQ(s.ColumnWidths, (std::array<int, 4>{11, 12, 13, 14}));
  EXPECT_EQ(s.BmkColumnWidths, (std::array<int, 5>{21, 22, 23, 24, 25}));

  // A fresh value holds the catalogue's defaults with the built-in column widths.
  TSettings fresh;
  fresh.Window.Left = 320;
  fresh.Window.Top = 312;
  fresh.ColumnWidths = s.ColumnWidths;
  fresh.BmkColumnWidths = s.BmkColumnWidths;
  EXPECT_EQ(fresh, s);
  EXPECT_EQ(TSettings().ColumnWidths, (std::array<int, 4>{240, 48, 71, 420}));
}

TEST_F(SettingsTest, SavedDefaultsGiveTheCatalogueInOrderInDecimal) {
  TSettings s;
  LoadSettings(Path(), s, ScreenW, ScreenH);
  s.Window.State = 0;
  ASSERT_TRUE(SaveSettings(Path(), s, false));
  EXPECT_EQ(FileText(),
            "[General]\r\nSortMethod=3\r\nCurRoot=1\r\nCurKey=\\\r\nRootMode=0\r\nGridLines=0\r\n"
            "BackShowsRoot=1\r\nQueryKeyInfo=1\r\nConstDataNames=0\r\nAutoReread=1\r\nNotifySnd=\r\n"
            "ListViewFont=Tahoma,8\r\nBackColor=14474440\r\nFontColor=4202496\r\nAutoClose=1\r\n"
            "LoadBookMarks=1\r\nLoadSearchRes=1\r\nLoadCopyItems=1\r\nSaveBookMarks=1\r\nSaveSearchRes=1\r\n"
            "SaveCopyItems=0\r\n"
            "[Bookmark]\r\nMode=0\r\nHeight=240\r\nVisible=1\r\n"
            "[WindowProp]\r\nState=0\r\nLeft=320\r\nTop=312\r\nWidth=640\r\nHeight=400\r\n"
            "[TypeFmt]\r\nREG_NONE=%h\r\nREG_SZ=%s\r\nREG_EXPAND_SZ=\"\"%e\"\"\r\nREG_BINARY=%h\r\n"
            "REG_DWORD=$%x  (%u)\r\nREG_DWORD_BIG_ENDIAN=$%X  (%U)\r\nREG_LINK=%h\r\nREG_MULTI_SZ=%m\r\n"
            "REG_RESOURCE_LIST=%h\r\nREG_FULL_RESOURCE_DESCRIPTOR=%h\r\nREG_RESOURCE_REQUIREMENTS_LIST=%h\r\n"
            "REG_QWORD=%h\r\n"
            "[ColumnWidth]\r\n0=240\r\n1=48\r\n2=71\r\n3=420\r\n"
            "[Bookmark.ColumnWidth]\r\n0=58\r\n1=320\r\n2=170\r\n3=160\r\n4=71\r\n"
            "[Journal]\r\nEnabled=1\r\nMaxSizeMB=64\r\nMaxChanges=200\r\n");
}

TEST_F(SettingsTest, EverySettingSurvivesASaveAndLoad) {
  const TSettings saved = Changed();
  ASSERT_TRUE(SaveSettings(Path(), saved, false));
  TSettings loaded;
  LoadSettings(Path(), loaded, ScreenW, ScreenH);
  EXPECT_EQ(loaded, saved);

  // The default patterns too, among them the one between double quotes, and texts with
  // blanks at their ends or in single quotes, which the profile functions would strip.
  TSettings quoted = saved;
  quoted.TypeFmt = TSettings().TypeFmt;
  quoted.TypeFmt[0] = "  %h  ";
  quoted.TypeFmt[3] = "'%h'";
  quoted.TypeFmt[6] = "\"";
  quoted.TypeFmt[8] = "\"%h";
  ASSERT_TRUE(SaveSettings(Path(), quoted, false));
  LoadSettings(Path(), loaded, ScreenW, ScreenH);
  EXPECT_EQ(loaded.TypeFmt, quoted.TypeFmt);
}

TEST_F(SettingsTest, ASaveReplacesTheFileWholeAndRemovesOnlyItsOwnStaleSideFiles) {
  WriteFileText("[Other]\r\nKeep=yes\r\n");
  // The first is left by a process that no longer runs; the others are the user's.
  const std::string sides[] = {Path() + ".~hlfffffff0-0.tmp", Path() + ".tmp", Path() + ".~hl12.tmp"};
  for (const std::string& f : sides) ASSERT_TRUE(SaveTextToFile(f, "x", true));
  ASSERT_TRUE(SaveSettings(Path(), Changed(), false));
  ASSERT_TRUE(SaveKeyTreePlacement(Path(), {1, 2, 3, 4, 0}, false));
  for (const std::string& f : sides) EXPECT_EQ(IsFile(f) && DeleteFileA(f.c_str()), &f != &sides[0]) << f;
  const std::vector<std::string> lines = FileLines();  // each save keeps what it does not write
  EXPECT_EQ(Line(lines, "Keep=") + Line(lines, "SortMethod=") + lines.back(), "Keep=yesSortMethod=1Height=4");
}

TEST_F(SettingsTest, HexColourIsReadAndWrittenBackInDecimalAndBadValuesFallBack) {
  WriteFileText(
      "[General]\r\nBackColor=$FF0000\r\nCurRoot=9\r\nSortMethod=abc\r\nFontColor=\r\nGridLines=x\r\n"
      "RootMode=2\r\n[Bookmark]\r\nMode=7\r\nVisible=0\r\n[WindowProp]\r\nWidth=800\r\nHeight=600\r\n"
      "Top=$10\r\n[ColumnWidth]\r\n2=wide\r\n");
  TSettings s;
  LoadSettings(Path(), s, ScreenW, ScreenH);
  EXPECT_EQ(s.BackColor, 0xFF0000u);  // pure blue in 0x00BBGGRR order
  EXPECT_EQ(s.CurRoot, 0x80000009u);  // kept for the navigation to report
  EXPECT_EQ(s.SortMethod, 3);
  EXPECT_EQ(s.FontColor, 0x402000u);
  EXPECT_FALSE(s.GridLines);
  EXPECT_TRUE(s.RootMode);
  EXPECT_EQ(s.BookmarkMode, 7);  // kept as read; the bookmark pane copes
  EXPECT_FALSE(s.BookmarkVisible);
  EXPECT_EQ(s.Window, (TWindowPlacement{240, 16, 800, 600, 2}));  // Left centres the width read
  EXPECT_EQ(s.ColumnWidths[2], 71);

  ASSERT_TRUE(SaveSettings(Path(), s, false));
  const std::vector<std::string> lines = FileLines();
  EXPECT_EQ(Line(lines, "BackColor="), "BackColor=16711680");
  EXPECT_EQ(Line(lines, "CurRoot="), "CurRoot=9");
  EXPECT_EQ(Line(lines, "Mode="), "Mode=7");
  EXPECT_EQ(Line(lines, "Top="), "Top=16");
}

TEST_F(SettingsTest, MaximizedSaveKeepsTheLastNormalPlacement) {
  WriteFileText("[WindowProp]\r\nLeft=10\r\nTop=20\r\nWidth=800\r\nHeight=600\r\nState=0\r\n");
  TSettings s;
  s.Window = {0, 0, 1280, 1024, 2};
  ASSERT_TRUE(SaveSettings(Path(), s, true));
  TSettings loaded;
  LoadSettings(Path(), loaded, ScreenW, ScreenH);
  EXPECT_EQ(loaded.Window, (TWindowPlacement{10, 20, 800, 600, 2}));

  s.Window = {5, 6, 700, 500, 0};
  ASSERT_TRUE(SaveSettings(Path(), s, false));
  LoadSettings(Path(), loaded, ScreenW, ScreenH);
  EXPECT_EQ(loaded.Window, s.Window);
}

TEST_F(SettingsTest, TextsWithLineBreaksKeepTheFileValid) {
  // What the file held before: the line breaks must not add or hide lines.
  TSettings s = Changed();
  s.CurKey = "\\Software\\Bad\r\n[General]\r\nSortMethod=0\\Sub\\";
  s.NotifySnd = "C:\\Sounds\\ding.wav\r\n[Bookmark]\r\nMode=0";
  s.ListViewFont = "Tahoma,\n9";
  s.TypeFmt[4] = "%x\r";
  ASSERT_TRUE(SaveSettings(Path(), s, false));

  for (const std::string& line : FileLines())
    EXPECT_TRUE(line.front() == '[' ? line.back() == ']' : line.find('=') != std::string::npos) << line;
  const std::vector<std::string> lines = FileLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '['; }), 7);
  EXPECT_EQ(lines.size(), 7u + 20u + 3u + 5u + 12u + 4u + 5u + 3u);

  TSettings loaded;
  LoadSettings(Path(), loaded, ScreenW, ScreenH);
  TSettings expected = s;
  expected.CurKey = "\\Software\\";  // the nearest parent without a line break
  expected.NotifySnd = "C:\\Sounds\\ding.wav[Bookmark]Mode=0";
  expected.ListViewFont = "Tahoma,9";
  expected.TypeFmt[4] = "%x";
  EXPECT_EQ(loaded, expected);
}

TEST(StoredSettingText, CutsKeyPathsDropsLineBreaksAndProtectsQuotesAndBlanks) {
  EXPECT_EQ(StoredSettingText("\\A\\B\nC\\D\\", true), "\\A\\");
  EXPECT_EQ(StoredSettingText("\\A\\B\\C\r", true), "\\A\\B\\");
  EXPECT_EQ(StoredSettingText("\\\nA\\", true), "\\");
  EXPECT_EQ(StoredSettingText("A\nB\\", true), "\\");
  EXPECT_EQ(StoredSettingText("\\A\\B\\", true), "\\A\\B\\");
  EXPECT_EQ(StoredSettingText("\\ A \\", true), "\\ A \\");
  EXPECT_EQ(StoredSettingText("\\A\nB\\", false), "\\AB\\");
  EXPECT_EQ(StoredSettingText("\r\n", false), "");
  EXPECT_EQ(StoredSettingText("\"%e\"", false), "\"\"%e\"\"");
  EXPECT_EQ(StoredSettingText("'x'", false), "\"'x'\"");
  EXPECT_EQ(StoredSettingText(" x", false), "\" x\"");
  EXPECT_EQ(StoredSettingText("x\t", false), "\"x\t\"");
  EXPECT_EQ(StoredSettingText("\"x'", false), "\"x'");
  EXPECT_EQ(StoredSettingText("\"", false), "\"");
  EXPECT_EQ(StoredSettingText("$%x  (%u)", false), "$%x  (%u)");
}

TEST_F(SettingsTest, KeyTreePlacementCentresRoundedAndKeepsItWhenMaximized) {
  TWindowPlacement p{1, 2, 3, 4, 5};
  LoadKeyTreePlacement(Path(), p, 1025, 769);
  EXPECT_EQ(p, (TWindowPlacement{238, 135, 550, 500, 0}));  // 237.5 and 134.5 rounded

  // The main window's centring truncates the same half.
  TSettings s;
  LoadSettings(Path(), s, 1025, 769);
  EXPECT_EQ(s.Window.Left, 192);
  EXPECT_EQ(s.Window.Top, 184);

  ASSERT_TRUE(SaveKeyTreePlacement(Path(), {30, 40, 600, 450, 0}, false));
  ASSERT_TRUE(SaveKeyTreePlacement(Path(), {0, 0, 1025, 769, 2}, true));
  EXPECT_EQ(FileText(), "[KeyTree.WndProp]\r\nState=2\r\nLeft=30\r\nTop=40\r\nWidth=600\r\nHeight=450\r\n");
  LoadKeyTreePlacement(Path(), p, 1025, 769);
  EXPECT_EQ(p, (TWindowPlacement{30, 40, 600, 450, 2}));
}
