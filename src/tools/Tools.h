#pragma once
// The tool windows of the main menu: the key tree window (Tools, Ctrl+T) and the
// configuration window (Options, F2).
#include "bookmarks/BookmarkPane.h"
#include "browser/CommandHost.h"

class TToolWindows : public TSubsystem {
 public:
  TToolWindows(TCommandHost& host, TBookmarkPane& bookmarks) : host_(host), bookmarks_(bookmarks) {}

  // Opens a new key tree window modally; it is destroyed when it closes.
  void KeyTree_Open();
  // Opens the configuration window modally.
  void Config_Open();

  // TSubsystem
  bool OwnsCommand(int id) const override;
  void RunCommand(int id) override;

 private:
  TCommandHost& host_;
  TBookmarkPane& bookmarks_;
};
