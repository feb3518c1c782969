#include "search/SearchWalk.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "lib/VkFuncLib.h"
#include "lib/VkText.h"
#include "settings/Settings.h"

namespace {
// Pending messages run at least this often while the walk goes on (milliseconds).
constexpr DWORD PumpInterval = 10;
}  // namespace

bool KeywordFound(std::string_view text, const std::string& keyword, const std::string& keywordUpper,
                  const TSearchOptions& options) {
  if (keyword.empty()) return false;
  if (options.MatchCase) return FindTextExact(text, keyword, 1, options.WholeWords) > 0;
  return FindTextExact(AnsiUpperCase(text), keywordUpper, 1, options.WholeWords) > 0;
}

bool DwordMatches(std::string_view data, const std::string& keyword) {
  if (keyword.empty() || keyword.find_first_not_of("0123456789") != std::string::npos) return false;
  // Leading zeros do not count: "00000000000000000001" is 1; what is left must fit 64 bits.
  const std::string_view digits = std::string_view(keyword).substr(std::min(keyword.find_first_not_of('0'), keyword.size() - 1));
  if (digits.size() > 20 || (digits.size() == 20 && digits > "18446744073709551615")) return false;
  // Read into four zero bytes: a DWORD of fewer than four bytes must not be read past.
  unsigned char b[4] = {0, 0, 0, 0};
  std::memcpy(b, data.data(), data.size() < 4 ? data.size() : 4);
  const std::uint32_t n = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return std::stoull(std::string(digits)) == n;
}

bool ParseSizeText(const std::string& text, std::int32_t& value) {
  if (text.empty() || text.find_first_not_of("$0123456789ABCDEFabcdef") != std::string::npos) return false;
  return ParseIntText(text, value);
}

TSearchWalk::TSearchWalk(const TSearchOptions& options, TBookMarks& results, std::function<void()> pump,
                         std::function<void()> limitReached)
    : options_(options),
      keywordUpper_(AnsiUpperCase(options.KeyWord)),
      results_(results),
      pump_(std::move(pump)),
      limitReached_(std::move(limitReached)),
      lastPump_(GetTickCount()) {}

bool TSearchWalk::NameHit(const std::string& name) const {
  return KeywordFound(name, options_.KeyWord, keywordUpper_, options_);
}

void TSearchWalk::SearchKey(RootKey root, const std::string& path) {
  TVkReg reg;
  reg.Access = KEY_READ;
  if (!reg.OpenPath(root, path, false)) return;  // a key that does not open is skipped
  Walk(reg, root, AbsoluteKeyPath(path), 0);
}

void TSearchWalk::Walk(TVkReg& reg, RootKey root, const std::string& path, std::size_t depth) {
  if (searching_ && results_.size() >= SearchResultLimit) {
    searching_ = false;
    if (limitReached_) limitReached_();
    return;
  }
  if (!searching_) return;
  const DWORD now = GetTickCount();
  if (pump_ && now - lastPump_ >= PumpInterval) {
    lastPump_ = now;
    pump_();
    if (!searching_) return;
  }
  // The stored names: a subkey whose name the code page cannot spell is searched too, and its
  // hits carry its marked text, which names no other key.
  // When data may be tested, every value's bytes come with its listing: one call a value.
  const TSearchOptions& o = options_;
  const bool dataTest = o.KeyWordFilter && o.ValueData && (o.DataTypesMask & 4095u) != 0;
  if (levels_.size() <= depth) levels_.resize(depth + 1);
  (void)reg.GetListing(levels_[depth].Keys, levels_[depth].Entries, dataTest ? &levels_[depth].Data : nullptr);
  const std::vector<TRegName>& names = levels_[depth].Keys;
  // Hits go straight into the list: one walk never meets an item twice, so the duplicate
  // check of the bookmark lists, which compares with every item, is not needed.
  const bool keyNames = options_.KeyWordFilter && options_.KeyNames;
  for (const TRegName& name : names) {
    if (keyNames && NameHit(name.Text))
      results_.push_back(MakeBookmark(root, KeyItemType, path + name.Text + "\\", "", ""));
    // Each subkey is opened relative to its parent, once.
    if (!name.Text.empty() && reg.EnterKey(name)) {
      Walk(reg, root, path + name.Text + "\\", depth + 1);
      reg.LeaveKey();
    }
    if (!searching_) return;
  }
  TestValues(levels_[depth], root, path);
}

void TSearchWalk::TestValues(const TLevel& level, RootKey root, const std::string& path) {
  const TSearchOptions& o = options_;
  for (const TVkReg::TValueEntry& e : level.Entries) {
    const bool knownType = e.Type <= 11;
    if (o.TypeFilter && knownType && !(o.TypeFilterMask & (1u << e.Type))) continue;
    if (o.SizeFilter) {
      const std::int32_t size = static_cast<std::int32_t>(e.Size);
      const bool pass = o.SizeRelation == '>'   ? size > o.SizeLimit
                        : o.SizeRelation == '<' ? size < o.SizeLimit
                        : o.SizeRelation == '=' ? size == o.SizeLimit
                                                : size != o.SizeLimit;
      if (!pass) continue;
    }
    bool hit = !o.KeyWordFilter;
    if (!hit && o.ValueNames) hit = NameHit(e.Name);
    if (!hit && o.ValueData && knownType && (o.DataTypesMask & (1u << e.Type))) {
      const std::string_view data(level.Data.data() + e.Offset, e.Size);
      if (e.Type == REG_DWORD) hit = DwordMatches(data, o.KeyWord);
      else hit = KeywordFound(data.substr(0, data.find('\0')), o.KeyWord, keywordUpper_, o);
    }
    // The hit keeps the type the listing gave; the walk has no stop check inside a key.
    if (hit) results_.push_back(MakeBookmark(root, static_cast<int>(e.Type), path, e.Name, ""));
  }
}
