#pragma once
// The search window and the search command: Alt+F7 opens the window, its Search button
// walks the chosen keys (search/SearchWalk.h) while the main window stays usable, and the
// hits fill the search results list of the bookmark pane. Cancel Search ends the walk.
#include <memory>

#include "bookmarks/BookmarkPane.h"
#include "browser/CommandHost.h"
#include "lib/VkWindow.h"
#include "search/SearchWalk.h"

class TSearch;

class TFormSearch : public TVkDialog {
 public:
  explicit TFormSearch(TSearch& search);
  // The options as the controls give them (the masks are the search's own).
  TSearchOptions Options() const;
  int Origin() const;
  void SetOrigin(int row);
  // Enables the controls by the filters that are checked.
  void Filter_Change();

 protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  bool Checked(int id) const;
  TSearch& search_;
};

class TSearch : public TSubsystem {
 public:
  TSearch(TCommandHost& host, TBookmarkPane& bookmarks) : host_(host), bookmarks_(bookmarks) {}
  ~TSearch() override;

  void Search_Open();
  void Search_Cmd();
  // reason 0: the main window closes; 1: the walk ended or Cancel Search; 2: the limit.
  void FinishSearch(int reason);
  void DataType1_Cmd();
  void DataType2_Cmd();
  bool Searching() const { return searching_; }
  TFormSearch* Window() { return form_.get(); }
  std::uint32_t DataTypesMask = 4095;
  std::uint32_t TypeFilterMask = 4095;

  // TSubsystem
  bool OwnsCommand(int id) const override;
  void RunCommand(int id) override;
  bool CanClose() override;
  bool TranslateKey(MSG& msg) override;

 private:
  void Pump();

  TCommandHost& host_;
  TBookmarkPane& bookmarks_;
  std::unique_ptr<TFormSearch> form_;
  TSearchWalk* walk_ = nullptr;  // the running walk
  bool searching_ = false;
  bool closeAfterWalk_ = false;  // the main window asked to close during the walk
};
