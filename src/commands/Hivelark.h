#pragma once
// The whole program: the main window with every subsystem joined to it. This is the one
// place that knows all subsystems; each of them sees only the main window's host interface.
#include "bookmarks/BookmarkPane.h"
#include "browser/Main.h"
#include "editing/Editing.h"
#include "search/Search.h"
#include "tools/Tools.h"

class THivelark {
 public:
  THivelark();
  THivelark(const THivelark&) = delete;
  THivelark& operator=(const THivelark&) = delete;

  TFormHivelark& Form() { return form_; }
  TBookmarkPane& Bookmarks() { return bookmarks_; }
  TEditing& Editing() { return editing_; }
  TSearch& Search() { return search_; }
  TToolWindows& Tools() { return tools_; }

 private:
  TFormHivelark form_;  // first: the subsystems below are made with it
  TBookmarkPane bookmarks_;
  TEditing editing_;
  TSearch search_;
  TToolWindows tools_;
};
