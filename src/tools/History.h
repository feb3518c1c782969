#pragma once
// The Change History window (Tools, Change History...): the records of the undo journal,
// newest on top. Undo restores the selected record (any one, not only the newest), Open
// Location shows its key in the main window, Delete removes records from the journal, and
// the check box switches the journal on or off.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "browser/CommandHost.h"
#include "lib/VkWindow.h"
#include "registry/Journal.h"

// Control ids of the window.
enum THistoryId : int {
  IdcHistoryList = 3300,
  IdcHistoryUndo,
  IdcHistoryOpen,
  IdcHistoryDelete,
  IdcHistoryKeep,
  IdcHistorySummary,
};

// The texts of a record's row: Time (local), Command, Location, Keys, Values, Size.
std::vector<std::string> HistoryRowTexts(const TJournalEntry& entry);

class TFormHistory : public TVkWindow {
 public:
  // settingsChanged runs after the check box changed the journal setting: the main window
  // writes its settings then.
  TFormHistory(TCommandHost& host, std::function<void()> settingsChanged)
      : host_(host), settingsChanged_(std::move(settingsChanged)) {}
  ~TFormHistory() override;

  // Creates and shows the window over the owner without running it modally.
  [[nodiscard]] bool Create();
  // Runs the window modally until it closes; Open Location shows its key afterwards.
  void ShowModal();

  // Reads the journal again and lists it, newest on top; row keeps its place selected.
  void Fill(int row = 0);
  HWND History_ListView() const { return list_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  // The record of a row (0 is the newest) and the selected rows, top to bottom.
  const std::vector<TJournalEntry>& Entries() const { return entries_; }
  std::vector<int> Selection() const;
  void SelectRow(int row);

  void Undo_Click();
  void OpenLocation_Click();
  void Delete_Click();
  void Keep_Click();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND Add(const char* cls, const char* text, DWORD style, int id);
  void Layout();
  void UpdateButtons();

  TCommandHost& host_;
  std::function<void()> settingsChanged_;
  std::vector<TJournalEntry> entries_;  // newest first, as listed
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  // Open Location: the key to show once the window has closed.
  bool jump_ = false;
  RootKey jumpRoot_ = 0;
  std::string jumpLocation_;
};
