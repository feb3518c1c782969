#pragma once
// The registry search walk: the options of one search, the tests of names and data, and the
// depth-first walk that appends every hit to the search results list. No window here: the
// caller gives the walk a pump that lets pending messages run, and stops it through Stop().
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "bookmarks/BookmarkList.h"
#include "registry/VkRegistry.h"

struct TSearchOptions {
  bool KeyWordFilter = true;
  std::string KeyWord;
  bool MatchCase = false;
  bool WholeWords = false;
  bool KeyNames = true;
  bool ValueNames = true;
  bool ValueData = true;
  std::uint32_t DataTypesMask = 4095;  // bit n: data of type n is searched
  bool TypeFilter = false;
  std::uint32_t TypeFilterMask = 4095;  // bit n: values of type n pass the type filter
  bool SizeFilter = false;
  char SizeRelation = '>';  // '>', '<', '=' or '!'
  std::int32_t SizeLimit = 0;
};

// Whether keyword occurs in text under the options' Match Case and Whole Words (the words
// are the letters of code page 1252); keywordUpper is the keyword as AnsiUpperCase gives it.
bool KeywordFound(std::string_view text, const std::string& keyword, const std::string& keywordUpper,
                  const TSearchOptions& options);
// The REG_DWORD rule: a keyword of digits only whose 64-bit value equals the data's first
// four bytes as an unsigned little-endian number (missing bytes count as zero).
bool DwordMatches(std::string_view data, const std::string& keyword);
// The size filter's text: decimal or "$" hexadecimal, a 32-bit integer; false when the
// text is empty, holds other characters or does not convert.
bool ParseSizeText(const std::string& text, std::int32_t& value);

// Results beyond this count end the walk at the next key it enters.
constexpr std::size_t SearchResultLimit = 3000;

class TSearchWalk {
 public:
  // pump runs pending window messages; the walk calls it between keys, at most every few
  // milliseconds. limitReached is called once when the result limit stops the walk.
  TSearchWalk(const TSearchOptions& options, TBookMarks& results, std::function<void()> pump,
              std::function<void()> limitReached);

  // Walks the key path (ending with "\", "\" for the root) and everything below it.
  void SearchKey(RootKey root, const std::string& path);
  void Stop() { searching_ = false; }
  bool Searching() const { return searching_; }

 private:
  // One level of the walk: its subkey names and values, listed together (one check of the
  // key before and after both), kept while its subkeys are walked and reused by its siblings.
  struct TLevel {
    std::vector<TRegName> Keys;
    std::vector<TVkReg::TValueEntry> Entries;
    std::vector<char> Data;
  };
  void Walk(TVkReg& reg, RootKey root, const std::string& path, std::size_t depth);
  void TestValues(const TLevel& level, RootKey root, const std::string& path);
  bool NameHit(const std::string& name) const;

  const TSearchOptions& options_;
  std::string keywordUpper_;
  TBookMarks& results_;
  std::function<void()> pump_;
  std::function<void()> limitReached_;
  bool searching_ = true;
  unsigned long lastPump_ = 0;
  std::deque<TLevel> levels_;  // one a depth of the walk (a deque: a deeper level never moves a shallower one)
};
