#pragma once
// The bookmark lists on disk and the adding rule with its message. The byte format itself
// is in BookmarkList.h; this layer reads and writes whole files and talks to the user.
#include <cstdint>
#include <string>

#include "bookmarks/BookmarkList.h"

// Appends an item unless the list holds it already (IsDuplicateBookmark); a duplicate shows
// "Cannot add a bookmark item more than once!" and adds nothing. True when it was added.
bool AddBookmark(TBookMarks& list, std::uint32_t root, int type, const std::string& keyPath,
                 const std::string& valueName, const std::string& comment);

// Replaces the list with the items of the file. A missing file does nothing and says
// nothing; a file that is not a bookmark file (magic, version) is reported and leaves the
// list as it was. True when the list was replaced.
bool LoadBookmarkFile(const std::string& fileName, TBookMarks& list);

// Writes the list as a bookmark file. The bytes go to a new temporary file beside the target
// ("<target>.~hl<8 hex digits>.tmp"; those of earlier saves that a crash left are removed),
// which replaces the target only once it is complete, so a failed save (read-only file,
// missing folder, full disk) leaves the old file as it was; such a failure is reported with
// the file's name. Items that do not fit the format are left out and counted in a warning.
// True when the file was written.
bool SaveBookmarkFile(const std::string& fileName, const TBookMarks& list);
