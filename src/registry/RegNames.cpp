#include "registry/RegNames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t MaxNameChars = 1u << 16;  // a name takes at most 16,383 characters
constexpr int MaxListings = 8;                   // for a key that keeps changing while listed

// The upper-case form the registry compares names by, one UTF-16 unit at a time.
std::wstring UpperName(std::string_view text) {
  std::wstring wide = WideFromAnsi(text);
  if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return wide;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// The ANSI text of wide, converted without look-alikes; usedDefault tells whether a
// character had no exact counterpart.
std::string ToAnsiExact(std::wstring_view wide, bool& usedDefault) {
  usedDefault = false;
  if (wide.empty()) return std::string();
  const int n = static_cast<int>(wide.size());
  std::string out(static_cast<std::size_t>(n) * 4 + 4, '\0');
  BOOL used = FALSE;
  // UTF-8 as the ANSI code page takes neither the flag nor the question: every character has
  // its bytes there, and the round trip of the callers still finds what does not convert.
  const bool utf8 = GetACP() == CP_UTF8;
  int got = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(), n, out.data(),
                                static_cast<int>(out.size()), nullptr, utf8 ? nullptr : &used);
  if (got <= 0) {
    usedDefault = true;
    return std::string();
  }
  out.resize(static_cast<std::size_t>(got));
  usedDefault = used != FALSE;
  return out;
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

TRegListingHook g_listingHook = nullptr;

}  // namespace

TRegListingHook SetRegListingHook(TRegListingHook hook) {
  const TRegListingHook previous = g_listingHook;
  g_listingHook = hook;
  return previous;
}

void RunRegListingHook(HKEY h) {
  if (g_listingHook) g_listingHook(h);
}

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int n = static_cast<int>(text.size());
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  const int got = MultiByteToWideChar(CP_ACP, 0, text.data(), n, out.data(), n);
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return out;
}

bool SameRegName(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) return SameAscii(a, b);
  return UpperName(a) == UpperName(b);
}

bool StartsWithRegName(std::string_view text, std::string_view prefix) {
  if (IsAscii(text) && IsAscii(prefix)) return text.size() >= prefix.size() && SameAscii(text.substr(0, prefix.size()), prefix);
  const std::wstring t = UpperName(text), p = UpperName(prefix);
  return t.size() >= p.size() && t.compare(0, p.size(), p) == 0;
}

std::string AnsiName(std::wstring_view name, bool& exact) {
  bool usedDefault = false;
  std::string text = ToAnsiExact(name, usedDefault);
  exact = !usedDefault && WideFromAnsi(text) == name;
  if (exact) return text;
  // Character by character: what converts there and back stays, the rest is marked.
  text.clear();
  for (std::size_t i = 0; i < name.size();) {
    std::size_t len = 1;
    unsigned code = name[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      len = 2;
    }
    const std::wstring_view piece = name.substr(i, len);
    bool used = false;
    const std::string ansi = ToAnsiExact(piece, used);
    if (!used && WideFromAnsi(ansi) == piece) {
      text += ansi;
    } else {
      char mark[16];
      std::snprintf(mark, sizeof mark, "{U+%04X}", code);
      text += mark;
    }
    i += len;
  }
  return text;
}

bool QueryKeyStamp(HKEY h, TKeyStamp& stamp, DWORD* maxKey, DWORD* maxValue, DWORD* maxData) {
  return RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &stamp.Keys, maxKey, nullptr, &stamp.Values, maxValue, maxData,
                          nullptr, &stamp.Time) == ERROR_SUCCESS;
}

bool EnumStoredNames(HKEY h, bool keys, DWORD count, DWORD maxLen, std::vector<std::wstring>& names, bool hook) {
  std::wstring buffer(std::max<std::size_t>(maxLen, 255) + 2, L'\0');
  names.reserve(names.size() + count);
  bool complete = true;
  // As many as the key held when it was queried: a key that grew meanwhile is listed again
  // by the caller, which compares the key's stamps.
  for (DWORD i = 0; i < count; ++i) {
    DWORD len = static_cast<DWORD>(buffer.size());
    const LONG r = keys ? RegEnumKeyExW(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumValueW(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r == ERROR_MORE_DATA && buffer.size() < MaxNameChars) {
      buffer.resize(buffer.size() * 2);  // a name that grew since the query: read it again
      --i;
      continue;
    }
    if (r != ERROR_SUCCESS) {
      complete = false;
      continue;
    }
    names.emplace_back(buffer.data(), std::min<std::size_t>(len, buffer.size()));
    if (hook && names.size() == 1) RunRegListingHook(h);
  }
  return complete;
}

bool ListStoredNames(HKEY h, bool keys, std::vector<std::wstring>& names) {
  for (int listing = 0; listing < MaxListings; ++listing) {
    names.clear();
    TKeyStamp before, after;
    DWORD maxKey = 0, maxValue = 0;
    if (!QueryKeyStamp(h, before, &maxKey, &maxValue)) return false;
    const bool complete =
        EnumStoredNames(h, keys, keys ? before.Keys : before.Values, keys ? maxKey : maxValue, names, listing == 0);
    if (!QueryKeyStamp(h, after)) return false;
    if (after == before) return complete;
  }
  return false;
}

LONG ReadStoredValue(HKEY h, const std::wstring& name, std::vector<char>& data, DWORD& size, DWORD& type) {
  if (data.size() < 256) data.resize(256);
  for (int attempt = 0; attempt < 8; ++attempt) {
    size = static_cast<DWORD>(data.size());
    type = 0;
    const LONG r = RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (r != ERROR_MORE_DATA) {
      if (r != ERROR_SUCCESS) size = type = 0;
      return r;
    }
    data.resize(std::max<std::size_t>(size, data.size() * 2));  // the value grew meanwhile
  }
  size = type = 0;
  return ERROR_MORE_DATA;
}

LONG WriteStoredValue(HKEY h, const std::wstring& name, DWORD type, const void* data, DWORD size) {
  static const BYTE none = 0;
  if (!size) return RegSetValueExW(h, name.c_str(), 0, type, &none, 0);
  // For the string types the call looks at the character behind the data and stores it too
  // when the data does not end with a NUL but is followed by one. The data goes through a
  // copy followed by a character that is not NUL, so exactly size bytes are stored.
  if (IsString(type)) {
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    copy.insert(copy.end(), {1, 1, 1});
    return RegSetValueExW(h, name.c_str(), 0, type, copy.data(), size);
  }
  return RegSetValueExW(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

bool StoredTextExact(DWORD type, const char* data, DWORD size) {
  if (!IsString(type) || size == 0) return true;
  if (size % 2 != 0) return false;  // the ANSI read drops the odd byte
  std::wstring wide(size / 2, L'\0');
  std::memcpy(wide.data(), data, size);
  bool usedDefault = false;
  const std::string ansi = ToAnsiExact(wide, usedDefault);
  return !usedDefault && WideFromAnsi(ansi) == wide;
}

std::string AnsiDataOf(DWORD type, const char* data, DWORD size) {
  if (!IsString(type) || size < 2) return std::string(data, IsString(type) ? 0 : size);
  std::wstring wide(size / 2, L'\0');
  std::memcpy(wide.data(), data, wide.size() * 2);
  std::string out(wide.size() * 2 + 2, '\0');
  const int got = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return out;
}
