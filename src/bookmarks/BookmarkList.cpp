#include "bookmarks/BookmarkList.h"

#include <algorithm>

#include "registry/RegNames.h"

const char* const BookmarkListTitles[BookmarkModeCount] = {"User Bookmarks", "Search Bookmarks", "Cut/Copy Bookmarks"};
const char* const BookmarkFileNames[BookmarkModeCount] = {"BookMarks.bmk", "SearchRes.bmk", "CopyItems.bmk"};

namespace {
constexpr std::string_view Magic = "BmkLst";
constexpr std::uint32_t RootHandleBase = 0x80000000u;
}  // namespace

bool IsDuplicateBookmark(const TBookMarks& list, std::uint32_t root, int type, std::string_view keyPath,
                         std::string_view valueName) {
  const std::uint32_t rootIndex = root - RootHandleBase;
  return std::any_of(list.begin(), list.end(), [&](const TBookMark& b) {
    // The names compare as the registry compares them: a bookmark that differs only in case names the same item.
    return b.RootIndex == rootIndex && b.ItemType == type && SameRegName(b.KeyPath, keyPath) &&
           SameRegName(b.ValueName, valueName);
  });
}

TBookMark MakeBookmark(std::uint32_t root, int type, std::string keyPath, std::string valueName, std::string comment) {
  TBookMark b;
  b.RootIndex = static_cast<std::uint8_t>((root - RootHandleBase) & 0xFFu);
  b.ItemType = (type >= 0 && type <= 255) ? static_cast<std::uint8_t>(type) : 0;
  b.KeyPath = std::move(keyPath);
  b.ValueName = std::move(valueName);
  b.Comment = std::move(comment);
  return b;
}

void DeleteBookmark(TBookMarks& list, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return;
  list.erase(list.begin() + index);
}

int DeleteBookmarks(TBookMarks& list, const std::vector<bool>& remove) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i < remove.size() && remove[i]) continue;
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  const int removed = static_cast<int>(list.size() - kept);
  list.resize(kept);
  return removed;
}

namespace {

// Reads forward through the bytes; whatever lies past the end reads as 0 or as nothing.
class TReader {
 public:
  explicit TReader(std::string_view bytes) : bytes_(bytes) {}
  std::uint32_t Number(std::size_t size) {
    if (bytes_.size() - pos_ < size) {
      pos_ = bytes_.size();
      return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
    pos_ += size;
    return value;
  }
  std::string Text(std::size_t length) {
    const std::size_t n = std::min(length, bytes_.size() - pos_);
    std::string text(bytes_.substr(pos_, n));
    pos_ += n;
    return text;
  }
  void Seek(std::size_t pos) { pos_ = std::min(pos, bytes_.size()); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

}  // namespace

TBookmarkDecode DecodeBookmarks(std::string_view bytes, TBookMarks& list) {
  TBookmarkDecode result;
  TReader reader(bytes);
  reader.Seek(6);
  result.Version = static_cast<std::uint16_t>(reader.Number(2));
  if (bytes.substr(0, Magic.size()) != Magic ||
      (result.Version != BookmarkVersion100 && result.Version != BookmarkVersion101))
    return result;
  result.Accepted = true;
  const std::size_t count = reader.Number(2);
  TBookMarks items(count);
  for (TBookMark& b : items) {
    b.RootIndex = static_cast<std::uint8_t>(reader.Number(1));
    b.ItemType = static_cast<std::uint8_t>(reader.Number(1));
    b.KeyPath = reader.Text(reader.Number(1));
    b.ValueName = reader.Text(reader.Number(1));
    b.Comment = reader.Text(reader.Number(1));
    const bool lacksFinal = !b.KeyPath.empty() && b.KeyPath.back() != '\\';
    if (result.Version == BookmarkVersion100) {
      b.ItemType = static_cast<std::uint8_t>(b.ItemType - 4);
      if (lacksFinal) b.KeyPath += '\\';
    } else {
      if (b.ItemType == 255) b.ItemType = BookmarkKeyType;
      // A full-length path without its final "\" is how a 256-byte path is stored.
      if (lacksFinal && b.KeyPath.size() == BookmarkMaxText) b.KeyPath += '\\';
    }
    // A path from another program may lack the leading "\": it is still taken from the root.
    if (!b.KeyPath.empty() && b.KeyPath.front() != '\\') b.KeyPath.insert(0, 1, '\\');
  }
  list = std::move(items);
  return result;
}

namespace {
void PutWord(std::string& out, std::size_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void PutText(std::string& out, std::string_view text) {
  out += static_cast<char>(text.size());
  out += text;
}
}  // namespace

TBookmarkEncode EncodeBookmarks(const TBookMarks& list) {
  TBookmarkEncode result;
  std::string body;
  std::size_t written = 0;
  for (const TBookMark& b : list) {
    // A key path one byte too long is stored without its final "\", which reading adds back.
    std::string_view keyPath = b.KeyPath;
    if (keyPath.size() == BookmarkMaxText + 1 && keyPath.back() == '\\') keyPath.remove_suffix(1);
    if (written == BookmarkMaxCount || keyPath.size() > BookmarkMaxText || b.ValueName.size() > BookmarkMaxText) {
      ++result.LeftOut;
      continue;
    }
    body += static_cast<char>(b.RootIndex);
    body += static_cast<char>(b.ItemType);
    PutText(body, keyPath);
    PutText(body, b.ValueName);
    PutText(body, std::string_view(b.Comment).substr(0, BookmarkMaxText));
    ++written;
  }
  result.Bytes.reserve(BookmarkHeaderSize + body.size());
  result.Bytes = Magic;
  PutWord(result.Bytes, BookmarkVersion101);
  PutWord(result.Bytes, written);
  result.Bytes += body;
  return result;
}
