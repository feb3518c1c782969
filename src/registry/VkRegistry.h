#pragma once
// The registry vocabulary (roots, value types) and TVkReg, the one class through which the
// program reads and changes the registry.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegNames.h"

// A predefined root as its 32-bit number 0x80000000 + index; this is what the program's
// state and files keep. RootToHkey turns it into the platform handle.
using RootKey = std::uint32_t;
using ValueType = std::uint32_t;

constexpr RootKey RootBase = 0x80000000u;
constexpr int RootCount = 7;
constexpr RootKey RootClassesRoot = 0x80000000u;
constexpr RootKey RootCurrentUser = 0x80000001u;
constexpr RootKey RootLocalMachine = 0x80000002u;
constexpr RootKey RootUsers = 0x80000003u;
constexpr RootKey RootPerformanceData = 0x80000004u;
constexpr RootKey RootCurrentConfig = 0x80000005u;
constexpr RootKey RootDynData = 0x80000006u;

// Type code 12 marks a key in row images and bookmark records; it never reaches the registry.
constexpr int TypeCount = 12;
constexpr ValueType KeyItemType = 12;

extern const char* const RootNames[RootCount];
extern const char RootShortNames[RootCount][4];
extern const char* const TypeNames[TypeCount];
extern const char* const TypeConstNames[TypeCount];

// True for the seven predefined roots.
constexpr bool IsPredefinedRoot(RootKey root) { return root >= RootBase && root < RootBase + RootCount; }
// Long name of a predefined root, "" for anything else.
const char* RootName(RootKey root);
// Short name ("HKCU") of a predefined root, "" for anything else.
std::string RootShortName(RootKey root);
// The root whose long or short name equals name (ASCII case ignored), or 0.
RootKey RootFromName(std::string_view name);
// The platform handle of a predefined root (sign-extended as the platform defines them).
HKEY RootToHkey(RootKey root);

struct KeyInfo {
  DWORD NumSubKeys = 0;
  DWORD MaxSubKeyLen = 0;
  DWORD MaxClassLen = 0;
  DWORD NumValues = 0;
  DWORD MaxValueNameLen = 0;
  DWORD MaxDataLen = 0;
  FILETIME LastWriteTime{};  // local time
};

struct DataInfo {
  DWORD DataSize = 0;
  DWORD DataType = 0;
};

// A key handle owned by the code that opened it; closed when it goes out of scope.
class TVkKey {
 public:
  TVkKey() = default;
  explicit TVkKey(HKEY h) : h_(h) {}
  ~TVkKey() {
    if (h_) RegCloseKey(h_);
  }
  TVkKey(const TVkKey&) = delete;
  TVkKey& operator=(const TVkKey&) = delete;
  HKEY get() const { return h_; }
  HKEY* out() { return &h_; }
  HKEY release() {
    HKEY h = h_;
    h_ = nullptr;
    return h;
  }

 private:
  HKEY h_ = nullptr;
};

// A stateful accessor: a root, one open current key that relative paths and all value
// operations use, and the access mask for opens. Nothing here throws or shows anything;
// failures are false, -1, a null handle, the caller's default or an empty list.
//
// Path rule: a path starting with "\" (or an empty path) is based on Root, any other on
// CurrentKey; an empty remainder names the base key itself. Paths have no length limit.
class TVkReg {
 public:
  TVkReg() = default;
  ~TVkReg();
  TVkReg(const TVkReg&) = delete;
  TVkReg& operator=(const TVkReg&) = delete;

  HKEY Root() const { return root_; }
  HKEY CurrentKey() const { return current_; }
  REGSAM Access = 0x3F;

  // Closes the current key, then makes root both Root and CurrentKey.
  bool SetRootKey(HKEY root);
  bool SetRootKey(RootKey root) { return SetRootKey(RootToHkey(root)); }
  // Closes the current key (leaving nothing open). False when nothing was open.
  bool CloseKey();
  // Replaces Root by the same root on the named machine. The connected root is closed
  // when the accessor is destroyed or its root is set again.
  [[nodiscard]] bool ConnectRegistry(const std::string& machine);
  // Selects the root, then opens the path below it ("" or "\" opens nothing).
  [[nodiscard]] bool OpenPath(RootKey root, const std::string& path, bool canCreate);
  // Makes the key at path the current key; on failure nothing is open.
  [[nodiscard]] bool OpenKey(const std::string& path, bool canCreate);

  // New handle for the path, or the base handle itself when the remainder is empty, or
  // null. A caller that gets a handle other than Root/CurrentKey owns it.
  HKEY OpenKeyHandle(const std::string& path) const;
  HKEY CreateKeyHandle(const std::string& path) const;
  bool CreateKey(const std::string& path) const;
  bool KeyExists(const std::string& path) const;
  // Number of subkeys of the key at path, or -1.
  int GetSubKeyCount(const std::string& path) const;

  bool GetKeyInfo(KeyInfo& info) const;
  // The values of the current key with their types and data sizes, one enumeration call each
  // (no data is read); false when the key could not be queried or a name could not be read.
  // Name is the ANSI text (marked when Exact is false, see AnsiName); Size and the bytes are
  // those of the ANSI read: string data converted to the code page.
  struct TValueEntry {
    std::string Name;
    DWORD Type = 0;
    DWORD Size = 0;
    std::size_t Offset = 0;  // where the bytes start in the data buffer, when read
    bool Exact = true;       // Name names this value and no other
    std::wstring Stored;     // the name as stored, kept only when Exact is false
  };
  // Offset of a value whose bytes were not kept (larger than the listing's limit).
  static constexpr std::size_t NotKept = static_cast<std::size_t>(-1);
  bool GetValueEntries(std::vector<TValueEntry>& entries) const { return GetValueEntries(entries, nullptr); }
  // The same with every value's bytes read in the same call, one after the other into data.
  // A key that changes while it is listed is listed again (see ListStoredNames). The bytes of a
  // value larger than keepLimit are not kept (Offset NotKept): ReadEntry reads them.
  bool GetValueEntries(std::vector<TValueEntry>& entries, std::vector<char>* data,
                       std::size_t keepLimit = static_cast<std::size_t>(-1)) const;
  // The subkey names and the values (with their bytes when data is given) of the current key
  // in one listing, checked once before and once after for changes: for walks that read both.
  bool GetListing(std::vector<TRegName>& keys, std::vector<TValueEntry>& entries, std::vector<char>* data) const;
  // A listed value of the current key read whole, as the ANSI read gives it.
  bool ReadEntry(const TValueEntry& entry, std::vector<char>& buffer, DWORD& size, DWORD& type) const;
  // For walks: opens the subkey name of the current key relative to it and makes it the
  // current key, keeping the one it replaces; LeaveKey closes it and puts that one back.
  // False, nothing changed, when the subkey does not open (or name is empty). Between the
  // two, open nothing else on this accessor.
  [[nodiscard]] bool EnterKey(const std::string& name);
  // The same by a listed name: one whose text is not exact is opened by its stored name.
  [[nodiscard]] bool EnterKey(const TRegName& name);
  void LeaveKey();
  // The subkey or value names of the current key, listed once by their stored names. The
  // texts of names the code page cannot spell exactly are marked (see AnsiName): they name no
  // item, and the TRegName forms say which they are.
  int GetKeyNames(std::vector<std::string>& names) const;
  int GetValueNames(std::vector<std::string>& names) const;
  int GetKeyNames(std::vector<TRegName>& names) const;
  int GetValueNames(std::vector<TRegName>& names) const;
  std::string GetUniqueName(const std::string& base) const;

  bool ValueExists(const std::string& name) const;
  bool GetDataInfo(const std::string& name, DataInfo& info) const;
  int GetDataSize(const std::string& name) const;
  int GetDataType(const std::string& name) const;
  // Fills size bytes with zeros, then reads the value into them; false when the value is
  // missing or larger than size.
  bool ReadBinaryData(const std::string& name, void* buffer, DWORD size) const;
  // Reads the whole value (data and type) in one go, retrying when it grows meanwhile.
  bool ReadValue(const std::string& name, std::string& data, DWORD& type) const;
  // The same into a buffer that callers reuse across values: it grows as needed and is
  // never shrunk, so a listing reads each value with one call. size is the byte count read.
  bool ReadValue(const std::string& name, std::vector<char>& buffer, DWORD& size, DWORD& type) const;
  // The value as the registry stores it: type and every byte, string data unconverted (the
  // form that copies, moves and renames transfer). buffer grows as needed and is never shrunk.
  bool ReadStoredData(const std::string& name, std::vector<char>& buffer, DWORD& size, DWORD& type) const;
  // Creates or replaces the value with exactly these stored bytes (string data unconverted).
  bool WriteStoredData(const std::string& name, const void* buffer, ValueType type, DWORD size) const;
  // False when the value holds string data that the ANSI read cannot give back exactly (text the
  // code page cannot spell, odd length, not valid text): writing back what the ANSI read gave
  // would change it. True for other types and for missing values.
  bool StoredTextExact(const std::string& name) const;
  // Creates or replaces the value with exactly size bytes of buffer, whatever the type.
  bool WriteData(const std::string& name, const void* buffer, ValueType type, DWORD size) const;
  bool DeleteValue(const std::string& name) const;
  std::string ReadString(const std::string& name, const std::string& def) const;
  bool WriteString(const std::string& name, const std::string& text, ValueType type) const;
  std::int32_t ReadInteger(const std::string& name, std::int32_t def) const;
  bool WriteInteger(const std::string& name, std::int32_t value, bool bigEndian) const;
  std::string ReadMultiString(const std::string& name) const;
  bool WriteMultiString(const std::string& name, const std::string& text) const;
  bool ChangeValueType(const std::string& name, ValueType newType) const;

  // Key tree operations (VkRegTree.cpp). Each walks its keys through CurrentKey and puts the
  // caller's CurrentKey back on every way out. None has a depth limit of its own.
  //
  // Deletes the key at path with all its subkeys and values, following their stored names;
  // true when it no longer exists. Values that cannot be deleted are reported in one message
  // box at the end (a value already gone needs none); the walk goes on past them. The root
  // itself ("" or "\") is refused (false, nothing deleted).
  [[nodiscard]] bool DeleteKey(const std::string& path);
  // Copies the source key with everything below it into the target, creating the target and
  // merging into what it holds; names and values move as stored (every byte, every name). With
  // move, after a complete copy, exactly what was copied is deleted from the source; a source
  // key that still holds anything (added meanwhile) stays, and the result is false. False, with
  // nothing changed, when the paths are equal (the registry's equality), name a root, one lies
  // inside the other, or the source does not open; false also when part of the copy failed.
  // whole, when given, tells whether every item was copied: a move that copied only part
  // has not touched its source, so what the copy created may be taken back.
  [[nodiscard]] bool CopyKey(const std::string& source, const std::string& target, bool move,
                             bool* whole = nullptr);
  // Moves the stored data and type of a value of the current key to a new name; true when the
  // new name exists afterwards. Names equal ignoring case are refused (false, nothing changed).
  [[nodiscard]] bool RenameValue(const std::string& oldName, const std::string& newName);
  // The data bytes of all values of the key at path and of all keys below it, or -1 when the
  // key does not open; "" and "\" measure the whole root.
  std::int64_t GetKeySize(const std::string& path);

  // Keys by their stored (UTF-16) paths below a predefined root, for the undo journal
  // (VkRegStored.cpp). path has no "\" at either end; "" is the root itself. Long paths are
  // opened piece by piece. The registry's result is returned.
  static LONG OpenStoredKey(RootKey root, const std::wstring& path, bool create, REGSAM access, TVkKey& out);
  // Deletes the key at path with everything below it (stored names); ERROR_SUCCESS also when
  // it did not exist. The root itself is refused.
  static LONG DeleteStoredKey(RootKey root, const std::wstring& path);
  // Deletes a value by its stored name; ERROR_SUCCESS also when it did not exist.
  static LONG DeleteStoredValue(HKEY key, const std::wstring& name);

 private:
  struct Split {
    HKEY base;
    std::string rest;
    bool absolute;
  };
  Split SplitPath(const std::string& path) const;
  // Opens (or creates, with the missing keys above it) rest below base into out; long paths
  // are opened piece by piece. Returns the registry's result.
  static LONG OpenSubKey(HKEY base, const std::string& rest, bool create, REGSAM access, HKEY& out);
  void CloseConnectedRoot();
  bool IsRootHandle(HKEY h) const;
  // The names of the current key's subkeys (keys) or values; false when the key could not
  // be queried, a name could not be read or the key did not hold still.
  bool ListNames(bool keys, std::vector<TRegName>& names) const;
  // The values and, when keys is given, the subkey names of the current key (see GetListing).
  bool Listing(std::vector<TRegName>* keys, std::vector<TValueEntry>& entries, std::vector<char>* data,
               std::size_t keepLimit) const;
  // The key names of path counted from Root, as far as the accessor knows the current key's
  // own path; false when a relative path's base is not known.
  bool AbsoluteNames(const std::string& path, std::vector<std::string>& names) const;
  // Deletes the key h names with everything below it and closes h; true when it is gone.
  struct TCopied;
  struct TWalkNotes;
  bool DeleteWalk(HKEY h, TWalkNotes& notes);
  void DeleteContents(HKEY h, TWalkNotes& notes);
  bool CopyWalk(HKEY s, HKEY t, std::vector<char>& data, TCopied* copied);
  bool RemoveCopied(HKEY s, const TCopied& copied);
  std::int64_t SizeWalk(HKEY h);

  HKEY root_ = RootToHkey(RootCurrentUser);
  HKEY current_ = RootToHkey(RootCurrentUser);
  // The path from Root to CurrentKey as it was opened (for the tree operations' checks of
  // relative paths); not known after a failed open or a connect.
  std::string currentPath_;
  bool currentPathKnown_ = true;
  bool rootOwned_ = false;           // Root came from ConnectRegistry
  std::vector<HKEY> retiredRoots_;   // earlier connected roots, closed with the accessor
  struct TEntered {
    HKEY Key;
    std::string Path;
    bool PathKnown;
  };
  std::vector<TEntered> entered_;    // the keys EnterKey replaced, innermost last
};
