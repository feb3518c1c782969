#pragma once
// The bookmark pane: the three bookmark lists, shown one at a time in the main window's
// lower list view (a virtual view of the list), the commands of its context menu, the
// registry pane's Bookmark command, and the lists' part in the start and close sequences.
// Later subsystems (clipboard, search, AutoRun finder) fill the lists through Lists() and
// show them with ShowBookmarkList().
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "bookmarks/BookmarkList.h"
#include "browser/CommandHost.h"

// The comment of a new bookmark: "YY/MM/DD HH:NN" with the given date and time separators.
std::string BookmarkTimeStamp(const SYSTEMTIME& time, const std::string& dateSeparator,
                              const std::string& timeSeparator);
// The same for the present local time with the user's separators.
std::string BookmarkTimeStamp();
// Plays the notification sound file asynchronously; an empty name plays nothing (false).
bool PlayNotifySound(const std::string& fileName);

class TBookmarkPane : public TSubsystem {
 public:
  explicit TBookmarkPane(TCommandHost& host);
  ~TBookmarkPane() override;
  TBookmarkPane(const TBookmarkPane&) = delete;
  TBookmarkPane& operator=(const TBookmarkPane&) = delete;

  // The list of a mode (0 user bookmarks, 1 search results, 2 cut/copy items; any other
  // gives the user bookmarks), and the one BookmarkMode chooses.
  TBookMarks& Lists(int mode);
  TBookMarks& ShownList() { return Lists(Mode()); }
  // The list whose rows the pane shows (BookmarkMode may name another one meanwhile, as
  // while a search runs): the row commands act on it.
  TBookMarks& DrawnList() { return Lists(drawnMode_); }
  // Gives the pane as many rows as the list of mode holds when it shows that list: rows
  // beyond the end go, the selection goes when rows went, new rows are added at the end.
  // True when the count changed (the caller repaints the strip with its count).
  bool SyncRows(int mode);
  int Mode() const;
  // Set while ShowBookmarkList runs: list switching and closing are refused meanwhile.
  bool Busy() const { return busy_; }
  // The rows selected in the pane, top to bottom.
  std::vector<int> Selection() const;
  HMENU PopupMenu3() const { return popup_; }

  // Rebuilds the pane's rows from the list of BookmarkMode, keeping the focused row when
  // the same list is shown again.
  void ShowBookmarkList();
  // F9, F10, F11: shows the list in the pane, or hides the pane when it shows that list.
  void Lists_Open(int mode);
  // Ctrl+B in the registry pane: the current key, or the selected rows, as user bookmarks.
  void Bookmark_Cmd();
  void BmkJumpHere_Cmd();
  void BmkBookmark_Cmd();
  void BmkComment_Cmd();
  void BmkDelEntry_Cmd();
  void BmkSelect_Cmd(bool select);
  void BmkInvertSel_Cmd();
  void BmkLoadFromFile_Cmd();
  void BmkSaveToFile_Cmd();
  void BmkUpdate_Cmd() { ShowBookmarkList(); }
  // Works out which context menu items are there and available.
  void PopupMenu3_Popup(HMENU menu);

  // TSubsystem
  bool OwnsCommand(int id) const override;
  bool CommandEnabled(int id) override;
  void RunCommand(int id) override;
  void Started() override;
  bool CanClose() override { return !busy_; }
  void Closing() override;
  bool Notify(const NMHDR& header, LPARAM lp, LRESULT& result) override;
  void MenuOpening(HMENU menu) override;
  bool TranslateKey(MSG& msg) override;

 private:
  HWND List() const { return host_.Bmk_ListView(); }
  int RowCount() const;
  int SelectedCount() const;
  void GetDispInfo(NMLVDISPINFOA& info);
  int FindItem(const NMLVFINDITEMA& find);
  std::string RootText(const TBookMark& item) const;
  void KeyDown(WORD key);
  // Marks the shown list as holding the items of its own file when fileName is that file.
  void NoteOwnFile(const std::string& fileName);

  TCommandHost& host_;
  BookmarkLists lists_;
  int drawnMode_ = 0;
  bool busy_ = false;
  // Per list: it holds the items of its file in the program's folder (loaded or saved),
  // and its file was there at start but refused.
  std::array<bool, BookmarkModeCount> fromFile_{};
  std::array<bool, BookmarkModeCount> loadRefused_{};
  std::string startFolder_;  // the working directory at start: where the file dialogs open
  HMENU popupBar_ = nullptr;
  HMENU popup_ = nullptr;
  HACCEL accel_ = nullptr;
};
