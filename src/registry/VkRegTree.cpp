// The key tree operations of TVkReg: recursive delete, copy and move, value rename and the
// data size of a tree. Each walk owns the handles it opens, points CurrentKey at the key it
// works on (so that the listings and value operations act there) and closes its handles on
// every way out; the public operation puts the caller's CurrentKey back.
#include <cstdio>
#include <vector>

#include "lib/VkFuncLib.h"
#include "lib/VkText.h"
#include "registry/VkRegistry.h"

namespace {


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

constexpr std::size_t MaxNameBuffer = 1u << 20;
constexpr int MaxReadAttempts = 16;

// Key and value names are equal for the registry when they differ only in letter case,
// also outside ASCII.
bool SameKeyName(const std::string& a, const std::string& b) {
  if (SameTextAscii(a, b)) return true;
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

// True when the key named by inner is the key named by outer or lies below it.
bool IsWithin(const std::vector<std::string>& inner, const std::vector<std::string>& outer) {
  if (inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i)
    if (!SameKeyName(inner[i], outer[i])) return false;
  return true;
}

// True when the path names its base key itself: the root for "" and "\".
bool NamesNoKey(const std::string& path) { return path.find_first_not_of('\\') == std::string::npos; }

}  // namespace

LONG ReadIndexedValue(HKEY key, DWORD i, std::string& nameBuffer, std::string& name, std::vector<char>& data,
                      DWORD& size, DWORD& type) {
  for (int attempt = 0; attempt < MaxReadAttempts; ++attempt) {
    DWORD nameLen = static_cast<DWORD>(nameBuffer.size());
    size = static_cast<DWORD>(data.size());
    const LONG r = RegEnumValueA(key, i, nameBuffer.data(), &nameLen, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size);
    if (r == ERROR_SUCCESS) {
      name.assign(nameBuffer.data(), std::min<std::size_t>(nameLen, nameBuffer.size()));
      size = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
      return r;
    }
    if (r != ERROR_MORE_DATA) return r;
    if (size > data.size()) data.resize(size);
    else if (nameBuffer.size() < MaxNameBuffer) nameBuffer.resize(nameBuffer.size() * 2);
    else data.resize(data.size() * 2);  // neither said to be short: give the data more room
  }
  return ERROR_MORE_DATA;
}


bool TVkReg::DeleteKey(const std::string& path) {
  const Split s = SplitPath(path);
  if (NamesNoKey(s.rest) || !s.base) return false;  // never a whole root; nothing to start from
  const HKEY saved = current_;
  TOnExit restore([this, saved] { current_ = saved; });
  HKEY h = nullptr;
  const LONG r = OpenSubKey(s.base, s.rest, false, Access, h);
  if (r == ERROR_SUCCESS) return DeleteWalk(h);
  return r == ERROR_FILE_NOT_FOUND;  // a key that is not there is gone
}

bool TVkReg::DeleteWalk(HKEY h) {
  // The key h refers to is deleted at the end, always, after its subkeys and its values; a
  // key that still has subkeys (one that did not open) refuses and stays.
  TVkKey key(h);
  DeleteContents(h);
  return RegDeleteKeyA(h, "") == ERROR_SUCCESS;
}

void TVkReg::DeleteContents(HKEY h) {
  current_ = h;
  // One query for both lists: deleting the subkeys does not change the values.
  DWORD keys = 0, maxKey = 0, values = 0, maxValue = 0;
  if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &keys, &maxKey, nullptr, &values, &maxValue, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  std::vector<std::string> names;
  EnumNames(h, true, keys, maxKey, names, nullptr);
  for (const std::string& name : names) {
    HKEY sub = nullptr;
    if (OpenSubKey(h, name, false, Access, sub) == ERROR_SUCCESS) (void)DeleteWalk(sub);
    current_ = h;
  }
  EnumNames(h, false, values, maxValue, names, nullptr);
  for (const std::string& name : names) {
    if (RegDeleteValueA(h, name.c_str()) == ERROR_SUCCESS) continue;
    char handle[32];
    std::snprintf(handle, sizeof handle, "%llX",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(h)));
    ShowMsg("Couldn't delete the value:\r\n" + name + "\r\n\r\n" + "Handle: $" + handle, "Error Deleting Value!",
            MsgError);
  }
}

bool TVkReg::CopyKey(const std::string& source, const std::string& target, bool move) {
  if (SameTextAscii(source, target)) return false;
  // Refused before anything is touched: a root, a target inside the source (the copy would
  // walk what it writes without end) and a source inside the target (it would be written
  // while it is walked). A relative path whose base is not known cannot be placed: refused.
  const Split s = SplitPath(source), t = SplitPath(target);
  if (NamesNoKey(s.rest) || NamesNoKey(t.rest) || !s.base || !t.base) return false;
  std::vector<std::string> sourceNames, targetNames;
  if (!AbsoluteNames(source, sourceNames) || !AbsoluteNames(target, targetNames)) return false;
  if (IsWithin(targetNames, sourceNames) || IsWithin(sourceNames, targetNames)) return false;

  const HKEY saved = current_;
  bool complete = false, sourceThere = false;
  {
    TOnExit restore([this, saved] { current_ = saved; });
    // The target is created before the source is opened.
    TVkKey tk, sk;
    if (OpenSubKey(t.base, t.rest, true, Access, *tk.out()) == ERROR_SUCCESS) {
      const LONG r = OpenSubKey(s.base, s.rest, false, Access, *sk.out());
      sourceThere = r == ERROR_SUCCESS;
      if (sourceThere) {
        std::vector<char> data(4096);
        complete = CopyWalk(sk.get(), tk.get(), data);
      } else {
        complete = r == ERROR_FILE_NOT_FOUND;  // a missing source leaves an empty target
      }
    }
  }
  // A move gives up the source only when every key and value of it has been copied.
  if (move && complete && sourceThere && KeyExists(target)) (void)DeleteKey(source);
  return complete;
}

bool TVkReg::CopyWalk(HKEY s, HKEY t, std::vector<char>& data) {
  bool complete = true;
  // One query for the counts and maxima of both lists; the values are copied after the
  // subkeys, with buffers that grow should a value have grown meanwhile.
  DWORD keys = 0, maxKey = 0, count = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyA(s, nullptr, nullptr, nullptr, &keys, &maxKey, nullptr, &count, &maxName, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return false;
  current_ = s;
  std::vector<std::string> names;
  EnumNames(s, true, keys, maxKey, names, &complete);
  for (const std::string& name : names) {
    TVkKey from, to;
    if (RegOpenKeyExA(s, name.c_str(), 0, KEY_READ, from.out()) != ERROR_SUCCESS ||
        RegCreateKeyExA(t, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, to.out(), nullptr) != ERROR_SUCCESS) {
      complete = false;
      continue;
    }
    if (!CopyWalk(from.get(), to.get(), data)) complete = false;
  }
  current_ = s;
  names.clear();
  names.shrink_to_fit();
  // The values: each read once (name, type and data) and written once with exactly its bytes.
  std::string nameBuffer(2 * static_cast<std::size_t>(maxName) + 2, '\0'), name;
  if (data.size() < maxData) data.resize(maxData);
  for (DWORD i = 0; i < count; ++i) {
    DWORD size = 0, type = 0;
    const LONG r = ReadIndexedValue(s, i, nameBuffer, name, data, size, type);
    if (r == ERROR_NO_MORE_ITEMS) break;  // values deleted meanwhile
    // A name the code page cannot represent comes as "?" characters and names no value:
    // copied under it, the value would lose its name.
    if (r != ERROR_SUCCESS || (name.find('?') != std::string::npos && !ValueExists(name))) {
      complete = false;
      continue;
    }
    current_ = t;
    if (!WriteData(name, data.data(), type, size)) complete = false;
    current_ = s;
  }
  return complete;
}

bool TVkReg::RenameValue(const std::string& oldName, const std::string& newName) {
  // Value names are case-insensitive: writing the new name would replace the old value and
  // deleting the old name would then destroy it.
  if (SameKeyName(oldName, newName)) return false;
  if (!ValueExists(oldName)) return false;
  std::string data;
  DWORD type = 0;
  if (!ReadValue(oldName, data, type)) return false;  // read whole, however it changed since
  if (!WriteData(newName, data.data(), type, static_cast<DWORD>(data.size()))) return false;
  (void)RegDeleteValueA(current_, oldName.c_str());
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
  std::vector<std::string> names;
  EnumNames(h, true, keys, maxKey, names, nullptr);
  for (const std::string& name : names) {
    TVkKey sub;
    if (OpenSubKey(h, name, false, Access, *sub.out()) == ERROR_SUCCESS) sum += SizeWalk(sub.get());
    current_ = h;
  }
  return sum;
}
