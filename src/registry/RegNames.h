#pragma once
// Registry names as the registry keeps them. A name is an identity: the ANSI text of a name
// the code page cannot spell exactly ("日本" becomes "??", "Ł" becomes "L", the fullwidth
// reverse solidus becomes "\") may name another item, a path piece, or nothing. The walks
// of the accessor therefore work on the stored (UTF-16) names, and every listing tells, for
// each name, whether its ANSI text names that item and no other.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The registry's own name equality: names are equal when their upper-cased characters are
// equal. No linguistic folding ("Strasse" and "Straße", "ae" and "æ" are different names).
// Also right for whole paths, whose separators compare equal to themselves.
bool SameRegName(std::string_view a, std::string_view b);
// True when text begins with prefix by the same equality.
bool StartsWithRegName(std::string_view text, std::string_view prefix);

// The UTF-16 form of an ANSI text (the platform's own conversion of the ANSI calls).
std::wstring WideFromAnsi(std::string_view text);

// The ANSI text of a stored name. exact is true when the text converts back to exactly the
// stored name, so that the ANSI calls given the text reach this item and no other. A name that
// is not exact gets a marked text: every character that the code page cannot spell exactly is
// written as "{U+XXXX}" (its code point), so it never reads as a twin of another name and
// never holds a "\" that the name does not hold.
std::string AnsiName(std::wstring_view name, bool& exact);

// A name as a listing gives it: the ANSI text, and for a name whose text is not exact, the
// stored name itself, so that the accessor can still reach the item.
struct TRegName {
  std::string Text;
  bool Exact = true;
  std::wstring Stored;  // filled only when Exact is false
};

// A key's counts and last write time: when they are the same after the key was listed as
// before, nothing was added or removed meanwhile.
struct TKeyStamp {
  DWORD Keys = 0, Values = 0;
  FILETIME Time{};
  bool operator==(const TKeyStamp& o) const {
    return Keys == o.Keys && Values == o.Values && Time.dwLowDateTime == o.Time.dwLowDateTime &&
           Time.dwHighDateTime == o.Time.dwHighDateTime;
  }
};
// The stamp of h, with the longest subkey and value names and the largest data when asked for.
bool QueryKeyStamp(HKEY h, TKeyStamp& stamp, DWORD* maxKey = nullptr, DWORD* maxValue = nullptr,
                   DWORD* maxData = nullptr);
// Appends the first count stored subkey or value names of h (fewer when the key shrank);
// false when one could not be read. hook: run the listing hook after the first name.
bool EnumStoredNames(HKEY h, bool keys, DWORD count, DWORD maxLen, std::vector<std::wstring>& names, bool hook);

// Lists the subkey names (keys) or the value names of h as stored. When the key changes while
// it is listed (its last write time or counts differ afterwards) it is listed again, so a name
// that was there the whole time is never missed nor doubled. False when the key could not be
// queried, a name could not be read, or the key did not hold still for a whole listing; the
// names then are those of the last listing.
bool ListStoredNames(HKEY h, bool keys, std::vector<std::wstring>& names);

// Test seam of the listings (none in the program): called once a listing, right after its
// first name was read, so that a test can change the key in the middle of a listing.
using TRegListingHook = void (*)(HKEY key);
TRegListingHook SetRegListingHook(TRegListingHook hook);
void RunRegListingHook(HKEY h);

// The value name of h as stored read with its type and exact bytes into data (which grows and is
// never shrunk); ERROR_FILE_NOT_FOUND when it is gone.
LONG ReadStoredValue(HKEY h, const std::wstring& name, std::vector<char>& data, DWORD& size, DWORD& type);
// Writes exactly size bytes under the stored name, whatever the type.
LONG WriteStoredValue(HKEY h, const std::wstring& name, DWORD type, const void* data, DWORD size);

// True when the data of a string type converts to ANSI text and back to exactly these bytes:
// the ANSI read of such a value loses nothing. Data of other types is always true.
bool StoredTextExact(DWORD type, const char* data, DWORD size);
// The ANSI bytes that the ANSI read gives for stored data (string types are converted, with
// the platform's look-alikes and "?"; other types are returned as they are).
std::string AnsiDataOf(DWORD type, const char* data, DWORD size);
