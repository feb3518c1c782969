#pragma once
// The program's settings: every key of Hivelark.ini as one plain value, the catalogue that
// gives each key its section, kind and default, and the symmetric pair that reads and
// writes the whole catalogue. The key tree window keeps its own placement in the same file
// through LoadKeyTreePlacement / SaveKeyTreePlacement.
//
// Bad settings never stop the program: a missing or unreadable file, a missing key or a
// text that is no number gives the catalogue's default. Values that are out of range
// (a root index above 6, an unknown mode) are kept as read; their users correct them.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "registry/VkRegistry.h"

// The data pattern each value type starts with, indexed by type code. The settings file
// keeps the user's patterns in section "TypeFmt" under the types' constant names.
extern const char* const DefaultTypeFmt[TypeCount];

// A window's position and size in pixels, and its state (0 normal, 1 minimized,
// 2 maximized).
struct TWindowPlacement {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  int State = 0;

  bool operator==(const TWindowPlacement&) const = default;
};

constexpr int RegColumnCount = 4;  // Name, Size, Type, Value Data
constexpr int BmkColumnCount = 5;  // Root, Key, Value Name, Comment, Type

// Every setting of the main window. A fresh value holds the catalogue's defaults, except
// Window.Left and Window.Top, which depend on the screen and are 0 until LoadSettings
// computes them. The member initializers only keep a value defined; the constructor sets
// the defaults from the catalogue, the one place they are written down.
struct TSettings {
  // Section "General".
  int SortMethod = 0;           // "SortMethod"
  RootKey CurRoot = 0;          // "CurRoot", stored as its index (CurRoot - 0x80000000)
  std::string CurKey;           // "CurKey"
  bool RootMode = false;        // "RootMode"
  bool GridLines = false;       // "GridLines"
  bool BackShowsRoot = false;   // "BackShowsRoot"
  bool QueryKeyInfo = false;    // "QueryKeyInfo"
  bool ConstDataNames = false;  // "ConstDataNames"
  bool AutoReread = false;      // "AutoReread"
  std::string NotifySnd;        // "NotifySnd"
  std::string ListViewFont;     // "ListViewFont"
  std::uint32_t BackColor = 0;  // "BackColor", 0x00BBGGRR
  std::uint32_t FontColor = 0;  // "FontColor", 0x00BBGGRR
  bool AutoClose = false;       // "AutoClose"
  bool LoadBookMarks = false;   // "LoadBookMarks"
  bool LoadSearchRes = false;   // "LoadSearchRes"
  bool LoadCopyItems = false;   // "LoadCopyItems"
  bool SaveBookMarks = false;   // "SaveBookMarks"
  bool SaveSearchRes = false;   // "SaveSearchRes"
  bool SaveCopyItems = false;   // "SaveCopyItems"
  // Section "Bookmark".
  int BookmarkMode = 0;          // "Mode": 0 user bookmarks, 1 search results, 2 cut/copy items
  int BookmarkHeight = 0;        // "Height"
  bool BookmarkVisible = false;  // "Visible"
  // Section "WindowProp": "Width", "Height", "Left", "Top", "State".
  TWindowPlacement Window;
  // Section "TypeFmt": one pattern per type code, keyed by TypeConstNames.
  std::array<std::string, TypeCount> TypeFmt;
  // Section "ColumnWidth": keys "0".."3"; section "Bookmark.ColumnWidth": keys "0".."4".
  std::array<int, RegColumnCount> ColumnWidths{};
  std::array<int, BmkColumnCount> BmkColumnWidths{};
  // Section "Journal": the undo journal beside the program.
  bool JournalEnabled = true;   // "Enabled"
  int JournalMaxMB = 0;         // "MaxSizeMB": all records together
  int JournalMaxChanges = 0;    // "MaxChanges"

  TSettings();
  bool operator==(const TSettings&) const = default;
};

// Sets the undo journal's limits from the settings (sizes below 1 count as 1).
void ApplyJournalSettings(const TSettings& settings);

// ProgramFolder() + "Hivelark.ini".
std::string SettingsFileName();

// Limits that keep both panes and every column reachable whatever the file says.
constexpr int MinColumnWidth = 16;
constexpr int MaxColumnWidth = 2000;
constexpr int MinBookmarkHeight = 2 * 17;  // the pane's title strip and one row

// Reads every key of the catalogue from the file, in the catalogue's order. Missing keys
// take the catalogue's defaults, with two exceptions: the column widths default to the
// widths they hold on entry (pre-fill them with the columns' current widths), and
// Window.Left / Window.Top default to centring the window just read on the given screen,
// ((screen - size) / 2, truncated, the size cut to the screen). CurKey is brought into its
// form (leading and trailing "\").
void LoadSettings(const std::string& iniPath, TSettings& settings, int screenWidth, int screenHeight);
// Clamps the column widths and the bookmark pane height to the limits above (the height
// also to the screen), so that no saved size can hide a pane or a column.
void ClampPaneSizes(TSettings& settings, int screenHeight);
// Writes every key back in the same order, integers in decimal. Of the placement,
// "State" is written first and always; "Left", "Top", "Width" and "Height" follow only
// when the window is not maximized, so the file keeps the last normal placement. Text that
// the file could not hold as it is is stored safely (see StoredSettingText). The file is
// replaced in one step, by a side file that was read back whole, so a crash, a kill or a
// full disk leaves the old file or the new one. False when the file cannot be written
// (read-only, locked, its folder read-only or missing, the disk full): it stays as it was.
[[nodiscard]] bool SaveSettings(const std::string& iniPath, const TSettings& settings, bool maximized);

// A key path in its stored form: "\" in front and behind ("A\B" gives "\A\B\", "" gives "\").
std::string AbsoluteKeyPath(const std::string& path);

// The placement moved and sized to lie on the work area: the size at least minWidth by
// minHeight (or the whole area when smaller) and at most the area, the window wholly on
// it; a minimized state (1) becomes normal (0).
TWindowPlacement FitPlacement(const TWindowPlacement& placement, const RECT& workArea, int minWidth, int minHeight);

// The key tree window's placement in section "KeyTree.WndProp"; every field is set.
// Defaults 550 x 500, state 0, centred on the screen (half the screen minus half the
// window, rounded).
void LoadKeyTreePlacement(const std::string& iniPath, TWindowPlacement& placement, int screenWidth, int screenHeight);
// "State" always, then "Left", "Top", "Width", "Height" unless maximized; the file is
// replaced in one step as by SaveSettings.
[[nodiscard]] bool SaveKeyTreePlacement(const std::string& iniPath, const TWindowPlacement& placement, bool maximized);

// The text written for a setting. The profile functions would store a line break raw,
// which breaks the file, and strip blanks and one pair of matching quotes from what they
// read back; so:
// - a key path (keyPath) is cut to its nearest parent without a line break: everything
//   from the first name that holds CR or LF is dropped, the trailing "\" kept
//   (\A\B<LF>C\D\ gives \A\; a break in the first name gives the root, \);
// - any other text loses its CR and LF characters;
// - a result that begins or ends with a blank, or begins and ends with the same quote
//   character, is enclosed in double quotes, which the read removes again.
std::string StoredSettingText(const std::string& value, bool keyPath);
// The text a read gives back after StoredSettingText: the same without the added quotes.
std::string KeptSettingText(const std::string& value, bool keyPath);
