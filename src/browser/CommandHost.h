#pragma once
// What the main window offers the subsystems that bring their own commands and windows
// (bookmarks, editing, search, tools): the state, the navigator, both panes and the owner
// window. A subsystem sees these two interfaces, never the main window itself; the program
// entry joins the subsystems to the window (see commands/Hivelark.h).
#include <windows.h>

#include <string>
#include <vector>

#include "browser/Navigate.h"
#include "browser/RegPaneModel.h"

class TCommandHost {
 public:
  virtual ~TCommandHost() = default;

  // The main window: owner of every dialog and message box a command shows.
  virtual HWND Owner() const = 0;
  virtual TBrowserState& State() = 0;
  virtual TNavigator& Navigator() = 0;
  // The registry pane: its rows, its control and the selected rows, top to bottom.
  virtual TRegPaneModel& Model() = 0;
  virtual HWND Reg_ListView() const = 0;
  virtual std::vector<int> RegSelection() const = 0;
  // The bookmark pane: its control, its visibility (the setting Visible) and its strip.
  virtual HWND Bmk_ListView() const = 0;
  virtual bool BookmarkPaneVisible() const = 0;
  virtual void ShowBookmarkPane(bool visible) = 0;
  virtual void DrawBookmarkBar(const std::string& text) = 0;
  // The registry pane's title strip: a message such as the progress of a long command,
  // drawn at once; "" brings back the location and the item count.
  virtual void DrawPathBar(const std::string& text) = 0;
  // The Cancel Search button at the right end of the bookmark pane's strip.
  virtual bool CancelSearchVisible() const = 0;
  virtual void ShowCancelSearch(bool visible) = 0;
  // Applies the display settings of the state (colours, font, grid lines) to both panes.
  virtual void ApplySettings() = 0;
  // The message loop's shortcut translation, for loops of long work that pump messages;
  // true when msg was a shortcut and ran its command.
  virtual bool TranslateShortcut(MSG& msg) = 0;
};

// One subsystem's part of the main window: its commands with their enabling rules, the
// controls it answers for, and its steps of the start and close sequences. Every member
// has a default that does nothing, so a subsystem writes only what it has.
class TSubsystem {
 public:
  virtual ~TSubsystem() = default;

  // Whether the menu or shortcut id is one of this subsystem's commands.
  virtual bool OwnsCommand(int id) const { return false; }
  // Whether the command fits the present state. Menus grey what this refuses, and the
  // main window asks again before every run, from a menu, a shortcut or a key.
  virtual bool CommandEnabled(int id) { return true; }
  virtual void RunCommand(int id) {}

  // After the settings are read and before the first key is shown.
  virtual void Started() {}
  // False refuses the close of the main window (long work is running).
  virtual bool CanClose() { return true; }
  // The close goes ahead; the settings were written just before.
  virtual void Closing() {}

  // A notification of a control; true when this subsystem handled it (result is returned).
  virtual bool Notify(const NMHDR& header, LPARAM lp, LRESULT& result) { return false; }
  // A menu is about to open: the subsystem may change its items (captions, visibility).
  virtual void MenuOpening(HMENU menu) {}
  // A key message from the message loop, before the main window's shortcuts: a subsystem
  // whose control has the focus may turn it into its own command; true when it did.
  virtual bool TranslateKey(MSG& msg) { return false; }
};
