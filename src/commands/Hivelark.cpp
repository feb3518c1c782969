#include "commands/Hivelark.h"

THivelark::THivelark()
    : bookmarks_(form_), editing_(form_, bookmarks_), search_(form_, bookmarks_), tools_(form_, bookmarks_) {
  form_.AddSubsystem(bookmarks_);
  form_.AddSubsystem(editing_);
  form_.AddSubsystem(search_);
  form_.AddSubsystem(tools_);
}
