// The listings of TVkReg: key and value names by their stored form, the values with their
// types, sizes and bytes, and the walks' step into a listed subkey and back.
#include <algorithm>

#include "registry/VkRegistry.h"

namespace {

// Largest name buffer a listing grows to; a name takes at most 16,383 characters.
constexpr std::size_t MaxNameBuffer = 1u << 20;

bool IsStringType(ValueType type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

namespace {
// The texts of a listing, in its order.
int Texts(std::vector<TRegName>& listed, std::vector<std::string>& names) {
  names.clear();
  names.reserve(listed.size());
  for (TRegName& n : listed) names.push_back(std::move(n.Text));
  return static_cast<int>(names.size());
}
}  // namespace

int TVkReg::GetKeyNames(std::vector<std::string>& names) const {
  std::vector<TRegName> listed;
  (void)ListNames(true, listed);
  return Texts(listed, names);
}

int TVkReg::GetValueNames(std::vector<std::string>& names) const {
  std::vector<TRegName> listed;
  (void)ListNames(false, listed);
  return Texts(listed, names);
}

int TVkReg::GetKeyNames(std::vector<TRegName>& names) const {
  (void)ListNames(true, names);
  return static_cast<int>(names.size());
}

int TVkReg::GetValueNames(std::vector<TRegName>& names) const {
  (void)ListNames(false, names);
  return static_cast<int>(names.size());
}

bool TVkReg::ListNames(bool keys, std::vector<TRegName>& names) const {
  names.clear();
  if (!current_) return false;
  std::vector<std::wstring> stored;
  const bool complete = ListStoredNames(current_, keys, stored);
  names.resize(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    TRegName& n = names[i];
    n.Text = AnsiName(stored[i], n.Exact);
    if (!n.Exact) n.Stored = std::move(stored[i]);
  }
  return complete;
}

bool TVkReg::ReadEntry(const TValueEntry& entry, std::vector<char>& buffer, DWORD& size, DWORD& type) const {
  if (entry.Exact) return ReadValue(entry.Name, buffer, size, type);
  if (!current_ || ReadStoredValue(current_, entry.Stored, buffer, size, type) != ERROR_SUCCESS) return false;
  if (IsStringType(type)) {
    const std::string text = AnsiDataOf(type, buffer.data(), size);
    buffer.assign(text.begin(), text.end());
    size = static_cast<DWORD>(text.size());
  }
  return true;
}

namespace {

// The values of h, at most count of them, appended to entries: one enumeration call a value
// gives its stored name, type and bytes; string data is then converted as the ANSI read
// converts it. Without data, a single-byte code page needs no bytes either: a text's ANSI
// size is its count of UTF-16 units. False when a value could not be read.
bool EnumEntries(HKEY h, DWORD count, DWORD maxName, DWORD maxData, std::vector<TVkReg::TValueEntry>& entries,
                 std::vector<char>* data, std::size_t keepLimit, bool hook) {
  static const bool singleByte = [] {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
  }();
  const bool sizesOnly = !data && singleByte;
  thread_local std::wstring name;
  thread_local std::vector<char> raw;
  if (name.size() < maxName + 2u) name.resize(maxName + 2u);
  if (!sizesOnly && raw.size() < std::max<DWORD>(maxData, 256)) raw.resize(std::max<DWORD>(maxData, 256));
  entries.reserve(entries.size() + count);
  bool complete = true;
  for (DWORD i = 0; i < count; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(raw.size()), type = 0;
    const LONG r = RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type,
                                 sizesOnly ? nullptr : reinterpret_cast<BYTE*>(raw.data()), &size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r == ERROR_MORE_DATA && name.size() < MaxNameBuffer) {
      // The name or the data outgrew its buffer: both grow, and the value is read again.
      if (!sizesOnly && size > raw.size()) raw.resize(size);
      else name.resize(name.size() * 2);
      --i;
      continue;
    }
    if (r != ERROR_SUCCESS) {
      complete = false;
      continue;
    }
    TVkReg::TValueEntry entry;
    const std::wstring_view stored(name.data(), std::min<std::size_t>(nameLen, name.size()));
    entry.Name = AnsiName(stored, entry.Exact);
    if (!entry.Exact) entry.Stored = stored;
    entry.Type = type;
    if (sizesOnly) {
      entry.Size = IsStringType(type) ? size / 2 : size;
    } else {
      size = std::min<DWORD>(size, static_cast<DWORD>(raw.size()));
      const std::string text = IsStringType(type) ? AnsiDataOf(type, raw.data(), size) : std::string();
      const char* bytes = IsStringType(type) ? text.data() : raw.data();
      entry.Size = IsStringType(type) ? static_cast<DWORD>(text.size()) : size;
      if (data) {
        entry.Offset = entry.Size > keepLimit ? TVkReg::NotKept : data->size();
        if (entry.Offset != TVkReg::NotKept) data->insert(data->end(), bytes, bytes + entry.Size);
      }
    }
    entries.push_back(std::move(entry));
    if (hook && entries.size() == 1) RunRegListingHook(h);
  }
  return complete;
}

}  // namespace

bool TVkReg::GetValueEntries(std::vector<TValueEntry>& entries, std::vector<char>* data, std::size_t keepLimit) const {
  return Listing(nullptr, entries, data, keepLimit);
}

bool TVkReg::GetListing(std::vector<TRegName>& keys, std::vector<TValueEntry>& entries, std::vector<char>* data) const {
  return Listing(&keys, entries, data, NotKept);
}

bool TVkReg::Listing(std::vector<TRegName>* keys, std::vector<TValueEntry>& entries, std::vector<char>* data,
                     std::size_t keepLimit) const {
  // A key that changed while it was listed (its write time or counts differ afterwards) is
  // listed again, so no name is missed or doubled.
  std::vector<std::wstring> stored;
  for (int listing = 0; listing < 8; ++listing) {
    entries.clear();
    if (data) data->clear();
    stored.clear();
    TKeyStamp before, after;
    DWORD maxKey = 0, maxValue = 0, maxData = 0;
    if (!current_ || !QueryKeyStamp(current_, before, &maxKey, &maxValue, &maxData)) {
      if (keys) keys->clear();
      return false;
    }
    bool complete = !keys || EnumStoredNames(current_, true, before.Keys, maxKey, stored, listing == 0);
    complete = EnumEntries(current_, before.Values, maxValue, maxData, entries, data, keepLimit, listing == 0) &&
               complete;
    if (!QueryKeyStamp(current_, after)) return false;
    if (after == before || listing == 7) {
      if (keys) {
        keys->resize(stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i) {
          TRegName& n = (*keys)[i];
          n.Text = AnsiName(stored[i], n.Exact);
          n.Stored = n.Exact ? std::wstring() : std::move(stored[i]);
        }
      }
      return complete && after == before;
    }
  }
  return false;
}

bool TVkReg::EnterKey(const TRegName& name) {
  if (name.Exact) return EnterKey(name.Text);
  if (!current_ || name.Stored.empty()) return false;
  HKEY h = nullptr;
  if (RegOpenKeyExW(current_, name.Stored.c_str(), 0, Access, &h) != ERROR_SUCCESS || !h) return false;
  entered_.push_back({current_, currentPath_, currentPathKnown_});
  current_ = h;
  currentPath_ = currentPath_ + "\\" + name.Text;
  currentPathKnown_ = false;  // the text does not name the key: relative paths from here are refused
  return true;
}

bool TVkReg::EnterKey(const std::string& name) {
  if (!current_ || name.empty()) return false;
  HKEY h = nullptr;
  if (OpenSubKey(current_, name, false, Access, h) != ERROR_SUCCESS || !h) return false;
  entered_.push_back({current_, currentPath_, currentPathKnown_});
  current_ = h;
  currentPath_ = currentPath_ + "\\" + name;
  return true;
}

void TVkReg::LeaveKey() {
  if (entered_.empty()) return;
  if (current_ && !IsRootHandle(current_)) RegCloseKey(current_);
  current_ = entered_.back().Key;
  currentPath_ = entered_.back().Path;
  currentPathKnown_ = entered_.back().PathKnown;
  entered_.pop_back();
}
