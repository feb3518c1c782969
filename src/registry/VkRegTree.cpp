// The key tree operations of TVkReg: recursive delete, copy and move, value rename and the
// data size of a tree. Each walk owns the handles it opens, points CurrentKey at the key it
// works on (so that the listings and value operations act there) and closes its handles on
// every way out; the public operation puts the caller's CurrentKey back.
#include <cstdio>
#include <vector>

#include "lib/VkFuncLib.h"
#include "lib/VkText.h"
#include "registry/VkRegistry.h"

#include <algorithm>

namespace {

// Largest name buffer the size walk grows to (a name takes at most 16,383 characters).
constexpr std::size_t MaxNameBuffer = 1u << 20;

// Puts a saved CurrentKey back when the operation ends, however it ends.
template <class Restore>
class TOnExit {
 public:
  explicit TOnExit(Restore restore) : restore_(restore) {}
  ~TOnExit() { restore_(); }
  TOnExit(const TOnExit&) = delete;
  TOnExit& operator=(const TOnExit&) = delete;

 private:
  Restore restore_;
};


// True when the key named by inner is the key named by outer or lies below it.
bool IsWithin(const std::vector<std::string>& inner, const std::vector<std::string>& outer) {
  if (inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i)
    if (!SameRegName(inner[i], outer[i])) return false;
  return true;
}

// True when the path names its base key itself: the root for "" and "\".
bool NamesNoKey(const std::string& path) { return path.find_first_not_of('\\') == std::string::npos; }

}  // namespace



// What a move copied: the stored names of the values and of the keys, each key with its own
// record. After a complete copy exactly this is deleted from the source.
struct TVkReg::TCopied {
  std::wstring Name;
  std::vector<std::wstring> Values;
  std::vector<TCopied> Keys;
};

// What a delete walk could not delete: values named for the one message at the end.
struct TVkReg::TWalkNotes {
  std::vector<std::string> Failed;
  std::size_t FailedCount = 0;
};

bool TVkReg::DeleteKey(const std::string& path) {
  const Split s = SplitPath(path);
  if (NamesNoKey(s.rest) || !s.base) return false;  // never a whole root; nothing to start from
  const HKEY saved = current_;
  TOnExit restore([this, saved] { current_ = saved; });
  HKEY h = nullptr;
  const LONG r = OpenSubKey(s.base, s.rest, false, Access, h);
  if (r != ERROR_SUCCESS) return r == ERROR_FILE_NOT_FOUND;  // a key that is not there is gone
  TWalkNotes notes;
  const bool gone = DeleteWalk(h, notes);
  if (notes.FailedCount > 0) {
    std::string text = "Couldn't delete the value:\r\n";
    for (const std::string& name : notes.Failed) text += name + "\r\n";
    if (notes.FailedCount > notes.Failed.size())
      text += "... and " + std::to_string(notes.FailedCount - notes.Failed.size()) + " more\r\n";
    ShowPlainMsg(text, "Error Deleting Value!", MsgError);
  }
  return gone;
}

bool TVkReg::DeleteWalk(HKEY h, TWalkNotes& notes) {
  // The key h refers to is deleted at the end, always, after its subkeys and its values; a
  // key that still has subkeys (one that did not open) refuses and stays.
  TVkKey key(h);
  DeleteContents(h, notes);
  return RegDeleteKeyW(h, L"") == ERROR_SUCCESS;
}

void TVkReg::DeleteContents(HKEY h, TWalkNotes& notes) {
  current_ = h;
  // The stored names: a name the code page cannot spell is deleted as what it is, never as
  // the item its ANSI text would name.
  std::vector<std::wstring> names;
  (void)ListStoredNames(h, true, names);
  for (const std::wstring& name : names) {
    HKEY sub = nullptr;
    if (RegOpenKeyExW(h, name.c_str(), 0, Access, &sub) == ERROR_SUCCESS) (void)DeleteWalk(sub, notes);
    current_ = h;
  }
  (void)ListStoredNames(h, false, names);
  for (const std::wstring& name : names) {
    const LONG r = RegDeleteValueW(h, name.c_str());
    if (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) continue;  // gone meanwhile: as asked
    if (notes.Failed.size() < 10) {
      bool exact = true;
      notes.Failed.push_back(AnsiName(name, exact));
    }
    ++notes.FailedCount;
  }
}

bool TVkReg::CopyKey(const std::string& source, const std::string& target, bool move, bool* whole) {
  if (whole) *whole = false;
  if (SameRegName(source, target)) return false;
  // Refused before anything is touched: a root, a target inside the source (the copy would
  // walk what it writes without end) and a source inside the target (it would be written
  // while it is walked). A relative path whose base is not known cannot be placed: refused.
  const Split s = SplitPath(source), t = SplitPath(target);
  if (NamesNoKey(s.rest) || NamesNoKey(t.rest) || !s.base || !t.base) return false;
  std::vector<std::string> sourceNames, targetNames;
  if (!AbsoluteNames(source, sourceNames) || !AbsoluteNames(target, targetNames)) return false;
  if (IsWithin(targetNames, sourceNames) || IsWithin(sourceNames, targetNames)) return false;

  const HKEY saved = current_;
  TOnExit restore([this, saved] { current_ = saved; });
  // The source is opened first: a source that is not there creates nothing.
  TVkKey sk, tk;
  if (OpenSubKey(s.base, s.rest, false, Access, *sk.out()) != ERROR_SUCCESS) return false;
  if (OpenSubKey(t.base, t.rest, true, Access, *tk.out()) != ERROR_SUCCESS) return false;
  std::vector<char> data(4096);
  TCopied copied;
  if (!CopyWalk(sk.get(), tk.get(), data, move ? &copied : nullptr)) return false;
  if (whole) *whole = true;
  if (!move) return true;
  // The move deletes what it copied, and the source key itself only when nothing is left in it.
  if (!RemoveCopied(sk.get(), copied)) return false;
  return RegDeleteKeyW(sk.get(), L"") == ERROR_SUCCESS;
}

bool TVkReg::CopyWalk(HKEY s, HKEY t, std::vector<char>& data, TCopied* copied) {
  current_ = s;
  std::vector<std::wstring> names;
  bool complete = ListStoredNames(s, true, names);
  if (copied) copied->Keys.reserve(names.size());
  for (std::wstring& name : names) {
    TVkKey from, to;
    const LONG r = RegOpenKeyExW(s, name.c_str(), 0, KEY_READ, from.out());
    if (r == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile
    if (r != ERROR_SUCCESS ||
        RegCreateKeyExW(t, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, to.out(), nullptr) != ERROR_SUCCESS) {
      complete = false;
      continue;
    }
    TCopied* sub = nullptr;
    if (copied) {
      copied->Keys.push_back(TCopied{std::move(name), {}, {}});
      sub = &copied->Keys.back();
    }
    if (!CopyWalk(from.get(), to.get(), data, sub)) complete = false;
  }
  current_ = s;
  // The values: each read once by its stored name and written once with exactly its bytes.
  if (!ListStoredNames(s, false, names)) complete = false;
  if (copied) copied->Values.reserve(names.size());
  for (std::wstring& name : names) {
    DWORD size = 0, type = 0;
    const LONG r = ReadStoredValue(s, name, data, size, type);
    if (r == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile
    if (r != ERROR_SUCCESS || WriteStoredValue(t, name, type, data.data(), size) != ERROR_SUCCESS) {
      complete = false;
      continue;
    }
    if (copied) copied->Values.push_back(std::move(name));
  }
  return complete;
}

bool TVkReg::RemoveCopied(HKEY s, const TCopied& copied) {
  bool empty = true;
  for (const TCopied& key : copied.Keys) {
    TVkKey sub;
    const LONG r = RegOpenKeyExW(s, key.Name.c_str(), 0, Access, sub.out());
    if (r == ERROR_FILE_NOT_FOUND) continue;
    if (r != ERROR_SUCCESS || !RemoveCopied(sub.get(), key) || RegDeleteKeyW(sub.get(), L"") != ERROR_SUCCESS)
      empty = false;
  }
  for (const std::wstring& name : copied.Values) {
    const LONG r = RegDeleteValueW(s, name.c_str());
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) empty = false;
  }
  // Anything added meanwhile was not copied: the key keeps it and stays.
  DWORD keys = 0, values = 0;
  if (RegQueryInfoKeyW(s, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return false;
  return empty && keys == 0 && values == 0;
}

bool TVkReg::RenameValue(const std::string& oldName, const std::string& newName) {
  // Value names are case-insensitive: writing the new name would replace the old value and
  // deleting the old name would then destroy it.
  if (SameRegName(oldName, newName)) return false;
  if (!current_) return false;
  std::vector<char> data;
  DWORD size = 0, type = 0;
  if (!ReadStoredData(oldName, data, size, type)) return false;  // read whole, as stored
  if (!WriteStoredData(newName, data.data(), type, size)) return false;
  (void)RegDeleteValueW(current_, WideFromAnsi(oldName).c_str());
  return ValueExists(newName);
}

std::int64_t TVkReg::GetKeySize(const std::string& path) {
  const HKEY h = OpenKeyHandle(path);
  if (!h) return -1;
  // The base key itself (the root for "" or "\") belongs to the accessor, not to the walk.
  const bool owned = h != root_ && h != current_;
  const HKEY saved = current_;
  TOnExit restore([this, saved] { current_ = saved; });
  TVkKey ownedKey(owned ? h : nullptr);
  return SizeWalk(h);
}

std::int64_t TVkReg::SizeWalk(HKEY h) {
  current_ = h;
  std::int64_t sum = 0;
  DWORD keys = 0, maxKey = 0, count = 0, maxName = 0;
  if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &keys, &maxKey, nullptr, &count, &maxName, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return 0;
  // Values first: the enumeration reports each value's size with its name.
  {
    std::string nameBuffer(2 * static_cast<std::size_t>(maxName) + 2, '\0');
    for (DWORD i = 0; i < count; ++i) {
      for (;;) {
        DWORD nameLen = static_cast<DWORD>(nameBuffer.size()), size = 0;
        const LONG r = RegEnumValueA(h, i, nameBuffer.data(), &nameLen, nullptr, nullptr, nullptr, &size);
        if (r == ERROR_SUCCESS) sum += size;
        if (r != ERROR_MORE_DATA || nameBuffer.size() >= MaxNameBuffer) break;
        nameBuffer.resize(nameBuffer.size() * 2);
      }
    }
  }
  std::vector<std::wstring> names;
  (void)ListStoredNames(h, true, names);
  for (const std::wstring& name : names) {
    TVkKey sub;
    if (RegOpenKeyExW(h, name.c_str(), 0, Access, sub.out()) == ERROR_SUCCESS) sum += SizeWalk(sub.get());
    current_ = h;
  }
  return sum;
}
