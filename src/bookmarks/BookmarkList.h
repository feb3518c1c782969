#pragma once
// Bookmark items and lists, and the bookmark file format as bytes. Nothing here touches a
// window, a file or the registry: the file layer (BookmarkFile.h) and the pane build on it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The item type of a bookmark that names a key instead of a value.
constexpr std::uint8_t BookmarkKeyType = 12;

struct TBookMark {
  std::uint8_t RootIndex = 0;  // root handle - 0x80000000 (0 HKEY_CLASSES_ROOT .. 6 HKEY_DYN_DATA)
  std::uint8_t ItemType = 0;   // value type 0..11, or 12 for a key
  std::string KeyPath;         // begins and ends with "\"; the root itself is "\"
  std::string ValueName;       // value (or subkey) name; empty for the key KeyPath itself
  std::string Comment;

  bool operator==(const TBookMark&) const = default;
};

using TBookMarks = std::vector<TBookMark>;

// The three lists by BookmarkMode: 0 user bookmarks, 1 search results, 2 cut/copy items.
constexpr int BookmarkModeCount = 3;
using BookmarkLists = std::array<TBookMarks, BookmarkModeCount>;
extern const char* const BookmarkListTitles[BookmarkModeCount];  // "User Bookmarks", ...
extern const char* const BookmarkFileNames[BookmarkModeCount];  // "BookMarks.bmk", ...

// Whether the list holds an item equal to the given one in root, type, key path and value
// name (texts exactly, with case; the comment does not count). root is a root handle
// (0x80000000 + index), type the unclipped type argument.
bool IsDuplicateBookmark(const TBookMarks& list, std::uint32_t root, int type, std::string_view keyPath,
                         std::string_view valueName);
// The item as it is stored: RootIndex the low byte of root - 0x80000000, ItemType the type
// when it lies in 0..255, else 0.
TBookMark MakeBookmark(std::uint32_t root, int type, std::string keyPath, std::string valueName, std::string comment);

// Removes the item at index (nothing for an index out of range); the later ones move up.
void DeleteBookmark(TBookMarks& list, int index);
// Removes every item whose flag is set (flags shorter than the list leave the rest), in one
// pass; returns the number removed.
int DeleteBookmarks(TBookMarks& list, const std::vector<bool>& remove);

// ---- The bookmark file ----------------------------------------------------------------
// "BmkLst", a version word, an item count word, then per item: root byte, type byte, and
// key path, value name and comment each as a length byte followed by the bytes. Numbers are
// little-endian.

constexpr std::uint16_t BookmarkVersion100 = 0x0100;  // type stored + 4, key path may lack its final "\"
constexpr std::uint16_t BookmarkVersion101 = 0x0101;  // the version written; type byte 255 reads as 12
constexpr std::size_t BookmarkHeaderSize = 10;
constexpr std::size_t BookmarkMaxText = 255;
constexpr std::size_t BookmarkMaxCount = 65535;

struct TBookmarkDecode {
  bool Accepted = false;
  std::uint16_t Version = 0;  // the version word as read (0 when the file is shorter)
};
// Reads a bookmark file's bytes into list. A wrong magic or a version other than 0x0100
// and 0x0101 is refused and leaves list as it was. A file that ends early still gives as
// many items as its count says: numbers past the end read 0, texts the bytes there are.
// A key path without its leading "\" gets one; a 255-byte one without its final "\" (in
// version 0x0100 any one) gets that too.
TBookmarkDecode DecodeBookmarks(std::string_view bytes, TBookMarks& list);

struct TBookmarkEncode {
  std::string Bytes;
  std::size_t LeftOut = 0;  // items that do not fit the format and were not written
};
// The bytes of a version 0x0101 file of the list. A 256-byte key path is written without
// its final "\". An item whose key path or value name is longer than 255 bytes is left
// out (a shortened path would name another place); a longer comment is cut to 255 bytes.
// At most 65535 items are written; the rest are left out.
TBookmarkEncode EncodeBookmarks(const TBookMarks& list);
