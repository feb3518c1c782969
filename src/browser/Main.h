#pragma once
// The main window: the registry pane with its title strip above the bookmark pane, the
// main menu, the context menu of the registry pane and the commands the window carries
// out itself.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "browser/CommandHost.h"
#include "browser/Navigate.h"
#include "browser/RegPaneModel.h"
#include "browser/Strip.h"
#include "lib/VkWindow.h"

// The modifier keys held with a key, compared exactly (Ctrl+X is not Ctrl+Shift+X).
struct TKeyModifiers {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  static TKeyModifiers Current();
};

struct TUndoResult;

class TFormHivelark : public TVkWindow, public TNavView, public TStripHost, public TCommandHost {
 public:
  TFormHivelark();
  ~TFormHivelark() override;

  // Joins a subsystem's commands and steps to the window; call before Create. The
  // subsystem must live as long as the window.
  void AddSubsystem(TSubsystem& subsystem) { subsystems_.push_back(&subsystem); }

  // Creates the window and shows it (steps of the creation sequence up to the start
  // location); false when the platform refuses.
  [[nodiscard]] bool Create(int showCommand = SW_SHOWNORMAL);
  // Shows the start location: the command-line argument when given (root names, "\",
  // "reg://" in any case, "/" as separator; a relative argument is resolved against the
  // saved key), else the root list or the saved CurRoot and CurKey.
  void ShowStartLocation(const std::string& argument);
  // The shortcut table of the window; true when msg was a shortcut and ran its command.
  bool TranslateShortcut(MSG& msg) override;
  // Writes the settings and the bookmark lists as a close that goes ahead does, without a
  // message: the last act before a fault ends the process.
  void SaveWorkBeforeEnd() { CloseGoesAhead(false); }

  // TCommandHost
  HWND Owner() const override { return hwnd_; }
  TBrowserState& State() override { return state_; }
  TRegPaneModel& Model() override { return model_; }
  TNavigator& Navigator() override { return navigator_; }
  HWND Reg_ListView() const override { return list_; }
  std::vector<int> RegSelection() const override;
  HWND Bmk_ListView() const override { return bmkList_; }
  bool BookmarkPaneVisible() const override { return state_.BookmarkVisible; }
  void ShowBookmarkPane(bool visible) override;
  void DrawBookmarkBar(const std::string& text) override;
  // The button is shown while a search runs, on the bookmark strip when the pane is shown.
  bool CancelSearchVisible() const override { return cancelShown_; }
  void ShowCancelSearch(bool visible) override;
  void ApplySettings() override { ApplyViewSettings(); }

  HWND CancelSearch_Btn() const { return cancelSearch_; }
  HWND PathBar() const { return strip1_.Handle(); }
  HWND BookmarkBar() const { return strip2_.Handle(); }
  HMENU MainMenu() const { return menu_; }
  HMENU RegPopupMenu() const { return regPopup_; }
  HMENU RootsMenu() const { return rootsMenu_; }
  // The text the title strip shows at the moment (the location, or a message).
  const std::string& PathBarText() const { return stripText_; }
  std::string PathBarCountText() const;
  std::string BookmarkBarText() const;

  // Runs a menu or shortcut command when it exists and its enabling rule lets it; false
  // when nothing ran.
  bool RunCommand(int id);
  // Whether the id has a command (of the window or of a subsystem).
  bool HasCommand(int id) const;
  // Whether the command exists and fits the present state.
  bool CommandEnabled(int id);

  // Opens the row as Enter or a double click does: a key, a root or the parent row.
  void ActivateRow(int index);
  // Sorts the value rows by the column (a header click), keeping the selection.
  void SortByColumn(int column);
  // Applies colours, grid lines and fonts to both panes and repaints both strips.
  void ApplyViewSettings();
  // Fills a menu with the seven roots (subkey counts, Alt+digit, the mark of CurRoot).
  void RegRoots_Popup(HMENU menu);
  void HKeyChange(int rootIndex);
  // Drag on the bookmark strip: y measured from the top of the whole window.
  void DragSplitter(int windowY);
  int BookmarkPaneHeight() const { return state_.BookmarkHeight; }

  // The registry pane's keys, in the order of their table; true when the key was consumed
  // (the list's own handling does not see it).
  bool Reg_ListView_KeyDown(WORD key, TKeyModifiers modifiers);
  // A double click (or Enter) with exactly one row selected: opens a key, a root or the
  // parent row; edits a value.
  void Reg_ListView_DblClick();
  // Whether the row's name may be edited in place.
  bool Reg_ListView_Editing(int index) const;
  // Renames the row's key or value to newName; false (with its message) when refused or
  // failed, the row keeping its name.
  bool Reg_ListView_Edited(int index, const std::string& newName);
  // Fills the menu with the distinct history locations, oldest at the top.
  void FillHistoryMenu(HMENU menu);
  void HistoryMenu();
  void JumpFromMenu(int historyIndex);
  // Fills the Size column of the key rows (only the selected ones when onlySelected) with
  // the data size of each key tree, row by row.
  void ShowKeySizes(bool onlySelected);

  // Commands
  void Rename_Cmd();
  void Update_Cmd();
  void ClearHistory_Cmd();
  void JumpPath_Cmd();
  void JumpClipboard_Cmd();
  // Shows the place a pasted or typed path names (see PastedPath.h): a key, or the value its
  // last name names in its parent (that row selected). A text that is no path is named in a
  // message and changes nothing; false then.
  bool JumpToText(const std::string& text, bool allowRelative);
  void RegRootList_Cmd();
  void HelpContext_Cmd(int context);
  void About_Open();
  void Close_Cmd();
  void SaveSettingsNow_Cmd();
  // Undo (File menu, Ctrl+Z in the registry pane): undoes the newest change of the journal
  // and shows what came back; says so when there is none.
  void Undo_Cmd();
  // Shows the place an undo restored, the first restored row selected. Nothing when the
  // undo changed nothing (refused or answered No).
  void ShowUndoResult(const TUndoResult& result);
  // Tools, Change History...: the journal's records in a modal window.
  void ChangeHistory_Cmd();

  // TNavView
  void BeginFill() override;
  void EndFill() override;
  std::string FirstSelectedCaption() override;
  int FirstSelectedRow() override;
  void SelectRow(int index) override;
  void DrawPathBar(const std::string& text) override;

  // TStripHost
  void PaintStrip(int id, HDC dc, const RECT& rc) override;
  void StripButtonDown(int id, int button, POINT pt) override;
  void StripDrag(int id, POINT pt) override;
  void StripButtonUp(int id) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateChildren();
  void CreateMenus();
  void Layout();
  LRESULT OnNotify(const NMHDR& header, LPARAM lp);
  void OnGetDispInfo(NMLVDISPINFOA& info);
  int OnFindItem(const NMLVFINDITEMA& find);
  void ShowRegContextMenu(POINT screen);
  void MeasureMenuItem(MEASUREITEMSTRUCT& item);
  void DrawMenuItem(const DRAWITEMSTRUCT& item);
  bool CloseQuery();
  // The steps of a close that goes ahead: settings, then each subsystem's own.
  void CloseGoesAhead(bool reportFailure);
  void ReportSettingsNotSaved();
  void LoadWindowSettings();
  [[nodiscard]] bool SaveWindowSettings();
  void OnTypeAhead(char c);
  // image -1: every row but the parent row; else the rows of that image.
  void SelectRows(bool select, int image);
  void PopUpAtPane(HMENU menu);
  static LRESULT CALLBACK ListSubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  void SetMenuImage(HMENU menu, UINT position, int image);
  void UpdateMenuStates(HMENU menu);
  // The File menu's Undo item names the newest change, grey when the journal holds none.
  void UpdateUndoItem(HMENU menu);
  void ShowSplitterHint(int height);

  TBrowserState state_;
  TRegPaneModel model_;
  TNavigator navigator_;
  TStrip strip1_;
  TStrip strip2_;
  HWND list_ = nullptr;
  HWND bmkList_ = nullptr;
  HWND cancelSearch_ = nullptr;
  bool cancelShown_ = false;
  HWND hint_ = nullptr;       // the strip's hint
  HWND dragHint_ = nullptr;   // the splitter's height hint while dragging
  HMENU menu_ = nullptr;
  HMENU regPopupBar_ = nullptr;  // the loaded menu that holds the context menu
  HMENU regPopup_ = nullptr;
  HMENU rootsMenu_ = nullptr;
  HMENU popup2_ = nullptr;
  HACCEL accel_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HIMAGELIST menuImages_ = nullptr;
  HFONT stripFont_ = nullptr;
  HFONT listFont_ = nullptr;
  std::string stripMessage_;  // shown in place of the location while not empty
  std::string stripText_;
  std::string bmkStripMessage_;
  bool dragging_ = false;
  bool rereadOnActivation_ = false;  // set once the start location is shown
  bool swallowChar_ = false;         // the character of a consumed key is not typed
  bool renameEnter_ = false;         // Enter was pressed in the in-place rename editor
  bool renameCancelled_ = false;     // the editor is being closed by a re-read: nothing is renamed
  // The registry pane's selection as the list reported it, one flag per row, and how many
  // are set. Asking the list row by row is slow for large selections; RegSelection reads
  // this instead whenever its count agrees with the list's own.
  void TrackSelection(const NMHDR& header, LPARAM lp);
  mutable std::vector<unsigned char> selected_;
  mutable int selectedCount_ = 0;
  std::string typed_;                // type-ahead text and the time of its last key
  DWORD typedAt_ = 0;
  std::vector<TSubsystem*> subsystems_;
};
