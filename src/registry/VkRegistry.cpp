#include "registry/VkRegistry.h"

#include <algorithm>
#include <cstring>

#include "lib/VkText.h"

const char* const RootNames[RootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// Fixed four-character fields; "HKU" is padded with a NUL that never takes part in a comparison.
const char RootShortNames[RootCount][4] = {{'H', 'K', 'C', 'R'}, {'H', 'K', 'C', 'U'},
                                           {'H', 'K', 'L', 'M'}, {'H', 'K', 'U', '\0'},
                                           {'H', 'K', 'P', 'D'}, {'H', 'K', 'C', 'C'},
                                           {'H', 'K', 'D', 'D'}};

const char* const TypeNames[TypeCount] = {
    "None",     "String",        "Expanded",     "Binary",        "DWord", "DWord BigEndian",
    "Link",     "MultiString",   "Resource",     "Full Resource", "Resource Req", "QWord"};

const char* const TypeConstNames[TypeCount] = {
    "REG_NONE",          "REG_SZ",
    "REG_EXPAND_SZ",     "REG_BINARY",
    "REG_DWORD",         "REG_DWORD_BIG_ENDIAN",
    "REG_LINK",          "REG_MULTI_SZ",
    "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
    "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};

static std::string_view ShortNameView(int index) {
  const char* field = RootShortNames[index];
  return std::string_view(field, strnlen(field, 4));
}

const char* RootName(RootKey root) { return IsPredefinedRoot(root) ? RootNames[root - RootBase] : ""; }

std::string RootShortName(RootKey root) {
  return IsPredefinedRoot(root) ? std::string(ShortNameView(static_cast<int>(root - RootBase))) : std::string();
}

RootKey RootFromName(std::string_view name) {
  for (int i = 0; i < RootCount; ++i)
    if (SameTextAscii(name, RootNames[i]) || SameTextAscii(name, ShortNameView(i))) return RootBase + i;
  return 0;
}

HKEY RootToHkey(RootKey root) {
  // The predefined handles are 32-bit values sign-extended to the pointer width.
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

namespace {

// Closes a handle on scope exit unless it is one the accessor keeps (root or current key).
class TOwnedKey {
 public:
  TOwnedKey(HKEY h, HKEY keep1, HKEY keep2) : h_(h), owned_(h && h != keep1 && h != keep2) {}
  ~TOwnedKey() {
    if (owned_) RegCloseKey(h_);
  }
  TOwnedKey(const TOwnedKey&) = delete;
  TOwnedKey& operator=(const TOwnedKey&) = delete;
  HKEY get() const { return h_; }

 private:
  HKEY h_;
  bool owned_;
};

// Longest sub-key string handed to one open or create call. The ANSI calls convert it into
// a buffer of 260 characters and refuse anything longer (ERROR_MORE_DATA) although the key
// exists; 260 bytes are never more than 260 characters, whatever the code page.
constexpr std::size_t MaxPathPiece = 260;

bool IsStringType(ValueType type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

// The key names of a path, without the empty names of doubled, leading or trailing "\".
static void AppendKeyNames(const std::string& path, std::vector<std::string>& names) {
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) names.emplace_back(path, pos, end - pos);
    pos = end + 1;
  }
}


LONG TVkReg::OpenSubKey(HKEY base, const std::string& rest, bool create, REGSAM access, HKEY& out) {
  out = nullptr;
  if (!base) return ERROR_INVALID_HANDLE;
  auto call = [create](HKEY parent, const char* sub, REGSAM sam, HKEY& h) {
    return create ? RegCreateKeyExA(parent, sub, 0, nullptr, 0, sam, nullptr, &h, nullptr)
                  : RegOpenKeyExA(parent, sub, 0, sam, &h);
  };
  if (rest.size() <= MaxPathPiece) return call(base, rest.c_str(), access, out);
  // A long path: pieces of whole key names, each relative to the key opened for the piece
  // before it, which is closed as soon as the next one is open. Keys on the way are opened
  // with the caller's access (and the right to create subkeys when creating).
  const REGSAM onTheWay = access | (create ? KEY_CREATE_SUB_KEY : 0);
  const std::size_t n = rest.size();
  HKEY parent = base;
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t end = n;
    if (n - pos > MaxPathPiece) {
      end = rest.rfind('\\', pos + MaxPathPiece);
      if (end == std::string::npos || end <= pos) {
        end = rest.find('\\', pos + 1);  // one name longer than a piece: the call refuses it
        if (end == std::string::npos) end = n;
      }
    }
    const bool last = end + 1 >= n;
    HKEY h = nullptr;
    const LONG r = call(parent, rest.substr(pos, end - pos).c_str(), last ? access : onTheWay, h);
    if (parent != base) RegCloseKey(parent);
    if (r != ERROR_SUCCESS) return r;
    parent = h;
    pos = end + 1;
  }
  out = parent;
  return ERROR_SUCCESS;
}

TVkReg::~TVkReg() {
  while (!entered_.empty()) LeaveKey();
  CloseKey();
  CloseConnectedRoot();
}

void TVkReg::CloseConnectedRoot() {
  if (rootOwned_) RegCloseKey(root_);
  rootOwned_ = false;
  for (HKEY r : retiredRoots_) RegCloseKey(r);
  retiredRoots_.clear();
}

TVkReg::Split TVkReg::SplitPath(const std::string& path) const {
  if (path.empty()) return {root_, std::string(), true};
  if (path[0] == '\\') return {root_, path.substr(1), true};
  return {current_, path, false};
}

bool TVkReg::CloseKey() {
  if (!current_) return false;  // closing nothing fails as the platform's close of a null handle does
  LONG r = ERROR_SUCCESS;
  // The root stays usable: a predefined root is not really closed by the platform, and a
  // connected root lives as long as the accessor.
  if (!IsRootHandle(current_)) r = RegCloseKey(current_);
  current_ = nullptr;
  currentPath_.clear();
  currentPathKnown_ = false;
  return r == ERROR_SUCCESS;
}

bool TVkReg::SetRootKey(HKEY root) {
  while (!entered_.empty()) LeaveKey();
  const bool result = CloseKey();
  if (root != root_) {
    CloseConnectedRoot();
  } else {
    for (HKEY r : retiredRoots_) RegCloseKey(r);
    retiredRoots_.clear();
  }
  root_ = current_ = root;
  currentPath_.clear();
  currentPathKnown_ = true;
  return result;
}

bool TVkReg::ConnectRegistry(const std::string& machine) {
  HKEY h = nullptr;
  if (RegConnectRegistryA(machine.empty() ? nullptr : machine.c_str(), root_, &h) != ERROR_SUCCESS || !h) return false;
  if (h == root_) return true;  // the local machine: the platform hands back the same root
  // An earlier connected root may still be the current key: it is kept until the end.
  if (rootOwned_) retiredRoots_.push_back(root_);
  root_ = h;
  rootOwned_ = true;
  currentPathKnown_ = false;  // the current key stays on the root it was opened on
  return true;
}

bool TVkReg::IsRootHandle(HKEY h) const {
  if (h == root_) return true;
  for (HKEY r : retiredRoots_)
    if (h == r) return true;
  return false;
}

bool TVkReg::OpenPath(RootKey root, const std::string& path, bool canCreate) {
  SetRootKey(root);
  if (path.empty() || path == "\\") return true;
  return OpenKey(path, canCreate);
}

bool TVkReg::OpenKey(const std::string& path, bool canCreate) {
  const Split s = SplitPath(path);
  HKEY prev = current_;
  bool closePrev = prev && !IsRootHandle(prev);
  if (s.rest.empty()) {
    if (closePrev) RegCloseKey(prev);
    current_ = root_;
    currentPath_.clear();
    currentPathKnown_ = true;
    return true;
  }
  const bool pathKnown = s.absolute || currentPathKnown_;
  std::string opened = pathKnown ? (s.absolute ? s.rest : currentPath_ + "\\" + s.rest) : std::string();
  if (s.absolute && closePrev) {  // the previous key is not the base: release it first
    RegCloseKey(prev);
    current_ = nullptr;
    closePrev = false;
  }
  HKEY h = nullptr;
  const LONG r = OpenSubKey(s.base, s.rest, canCreate, Access, h);
  if (closePrev) RegCloseKey(prev);  // the previous key was the base of a relative path
  current_ = (r == ERROR_SUCCESS) ? h : nullptr;
  currentPathKnown_ = r == ERROR_SUCCESS && pathKnown;
  currentPath_ = currentPathKnown_ ? std::move(opened) : std::string();
  return r == ERROR_SUCCESS;
}

HKEY TVkReg::OpenKeyHandle(const std::string& path) const {
  const Split s = SplitPath(path);
  if (s.rest.empty()) return s.base;
  HKEY h = nullptr;
  return OpenSubKey(s.base, s.rest, false, Access, h) == ERROR_SUCCESS ? h : nullptr;
}

HKEY TVkReg::CreateKeyHandle(const std::string& path) const {
  const Split s = SplitPath(path);
  if (s.rest.empty()) return s.base;
  HKEY h = nullptr;
  return OpenSubKey(s.base, s.rest, true, Access, h) == ERROR_SUCCESS ? h : nullptr;
}

bool TVkReg::CreateKey(const std::string& path) const {
  TOwnedKey h(CreateKeyHandle(path), root_, current_);
  return h.get() != nullptr;
}

bool TVkReg::KeyExists(const std::string& path) const {
  TOwnedKey h(OpenKeyHandle(path), root_, current_);
  return h.get() != nullptr;
}

int TVkReg::GetSubKeyCount(const std::string& path) const {
  TOwnedKey h(OpenKeyHandle(path), root_, current_);
  if (!h.get()) return -1;
  DWORD n = 0;
  if (RegQueryInfoKeyA(h.get(), nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return -1;
  return static_cast<int>(n);
}

bool TVkReg::GetKeyInfo(KeyInfo& info) const {
  info = KeyInfo{};
  if (!current_) return false;
  FILETIME ft{};
  if (RegQueryInfoKeyA(current_, nullptr, nullptr, nullptr, &info.NumSubKeys, &info.MaxSubKeyLen, &info.MaxClassLen,
                       &info.NumValues, &info.MaxValueNameLen, &info.MaxDataLen, nullptr, &ft) != ERROR_SUCCESS) {
    info = KeyInfo{};
    return false;
  }
  if (!FileTimeToLocalFileTime(&ft, &info.LastWriteTime)) info.LastWriteTime = ft;
  return true;
}

bool TVkReg::AbsoluteNames(const std::string& path, std::vector<std::string>& names) const {
  names.clear();
  const Split s = SplitPath(path);
  if (!s.absolute) {
    if (!currentPathKnown_ || !current_) return false;
    AppendKeyNames(currentPath_, names);
  }
  AppendKeyNames(s.rest, names);
  return true;
}

std::string TVkReg::GetUniqueName(const std::string& base) const {
  for (unsigned long long i = 1;; ++i) {
    std::string candidate = base + std::to_string(i);
    if (!KeyExists(candidate) && !ValueExists(candidate)) return candidate;
  }
}

bool TVkReg::ValueExists(const std::string& name) const {
  return current_ && RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TVkReg::GetDataInfo(const std::string& name, DataInfo& info) const {
  info = DataInfo{};
  if (!current_ ||
      RegQueryValueExA(current_, name.c_str(), nullptr, &info.DataType, nullptr, &info.DataSize) != ERROR_SUCCESS) {
    info = DataInfo{};
    return false;
  }
  return true;
}

int TVkReg::GetDataSize(const std::string& name) const {
  DataInfo info;
  return GetDataInfo(name, info) ? static_cast<int>(info.DataSize) : -1;
}

int TVkReg::GetDataType(const std::string& name) const {
  DataInfo info;
  return GetDataInfo(name, info) ? static_cast<int>(info.DataType) : -1;
}

bool TVkReg::ReadBinaryData(const std::string& name, void* buffer, DWORD size) const {
  BYTE none = 0;
  BYTE* data = buffer ? static_cast<BYTE*>(buffer) : &none;  // a null buffer would only query the size
  if (!buffer) size = 0;
  if (size) std::memset(data, 0, size);
  if (!current_) return false;
  DWORD len = size;
  return RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, data, &len) == ERROR_SUCCESS;
}

bool TVkReg::ReadValue(const std::string& name, std::string& data, DWORD& type) const {
  data.clear();
  type = 0;
  if (!current_) return false;
  DWORD len = 0;
  if (RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &len) != ERROR_SUCCESS) return false;
  for (int attempt = 0; attempt < 8; ++attempt) {
    data.assign(len, '\0');
    DWORD got = len;
    BYTE none = 0;
    const LONG r = RegQueryValueExA(current_, name.c_str(), nullptr, &type,
                                    len ? reinterpret_cast<BYTE*>(data.data()) : &none, &got);
    if (r == ERROR_SUCCESS) {
      data.resize(got < len ? got : len);
      return true;
    }
    if (r != ERROR_MORE_DATA) break;
    len = got > len ? got : len * 2 + 16;  // the value grew meanwhile
  }
  data.clear();
  return false;
}

bool TVkReg::ReadValue(const std::string& name, std::vector<char>& buffer, DWORD& size, DWORD& type) const {
  size = 0;
  type = 0;
  if (!current_) return false;
  if (buffer.empty()) buffer.resize(256);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD got = static_cast<DWORD>(buffer.size());
    const LONG r = RegQueryValueExA(current_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (r == ERROR_SUCCESS) {
      size = got;
      return true;
    }
    if (r != ERROR_MORE_DATA) break;
    buffer.resize(std::max<std::size_t>(got, buffer.size() * 2));  // the value is larger than any before it
  }
  type = 0;
  return false;
}

bool TVkReg::ReadStoredData(const std::string& name, std::vector<char>& buffer, DWORD& size, DWORD& type) const {
  size = type = 0;
  return current_ && ReadStoredValue(current_, WideFromAnsi(name), buffer, size, type) == ERROR_SUCCESS;
}

bool TVkReg::WriteStoredData(const std::string& name, const void* buffer, ValueType type, DWORD size) const {
  if (!current_ || (!buffer && size)) return false;
  return WriteStoredValue(current_, WideFromAnsi(name), type, buffer, size) == ERROR_SUCCESS;
}

bool TVkReg::StoredTextExact(const std::string& name) const {
  std::vector<char> data;
  DWORD size = 0, type = 0;
  if (!ReadStoredData(name, data, size, type)) return true;
  return ::StoredTextExact(type, data.data(), size);
}

bool TVkReg::WriteData(const std::string& name, const void* buffer, ValueType type, DWORD size) const {
  static const BYTE none = 0;
  if (!current_ || (!buffer && size)) return false;
  const BYTE* data = buffer ? static_cast<const BYTE*>(buffer) : &none;
  // For the string types the ANSI call looks at the byte behind the data and stores one
  // byte more when the data does not end with a NUL but is followed by one. Such data goes
  // through a copy that is followed by a non-NUL byte, so exactly size bytes are stored
  // (and nothing behind the caller's buffer is read).
  std::vector<BYTE> copy;
  if (size && IsStringType(type) && data[size - 1] != 0) {
    copy.reserve(static_cast<std::size_t>(size) + 1);
    copy.assign(data, data + size);
    copy.push_back(1);
    data = copy.data();
  }
  return RegSetValueExA(current_, name.c_str(), 0, type, data, size) == ERROR_SUCCESS;
}

bool TVkReg::DeleteValue(const std::string& name) const {
  return current_ && RegDeleteValueA(current_, name.c_str()) == ERROR_SUCCESS;
}

std::string TVkReg::ReadString(const std::string& name, const std::string& def) const {
  const int size = GetDataSize(name);
  if (size < 0) return def;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!ReadBinaryData(name, text.data(), static_cast<DWORD>(size))) return def;
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

bool TVkReg::WriteString(const std::string& name, const std::string& text, ValueType type) const {
  return WriteData(name, text.c_str(), type, static_cast<DWORD>(text.size() + 1));
}

std::int32_t TVkReg::ReadInteger(const std::string& name, std::int32_t def) const {
  unsigned char b[4];
  if (!ReadBinaryData(name, b, 4)) return def;
  if (GetDataType(name) == REG_DWORD_BIG_ENDIAN) {
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
  }
  const std::uint32_t v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                          (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return static_cast<std::int32_t>(v);
}

bool TVkReg::WriteInteger(const std::string& name, std::int32_t value, bool bigEndian) const {
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  if (bigEndian) {
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
  }
  return WriteData(name, b, bigEndian ? REG_DWORD_BIG_ENDIAN : REG_DWORD, 4);
}

std::string TVkReg::ReadMultiString(const std::string& name) const {
  const int size = GetDataSize(name);
  if (size <= 0) return std::string();
  std::string data(static_cast<std::size_t>(size), '\0');
  (void)ReadBinaryData(name, data.data(), static_cast<DWORD>(size));
  return MultiStringToLines(data);
}

bool TVkReg::WriteMultiString(const std::string& name, const std::string& text) const {
  const std::string data = MultiStringData(text);
  return WriteData(name, data.data(), REG_MULTI_SZ, static_cast<DWORD>(data.size()));
}

bool TVkReg::ChangeValueType(const std::string& name, ValueType newType) const {
  // Never write back bytes that were not read: a failed read (the value changed meanwhile)
  // would otherwise replace the data by zeros.
  std::vector<char> data;
  DWORD size = 0, type = 0;
  if (!ReadStoredData(name, data, size, type)) return false;
  // Between two string types, or two other types, the stored bytes stay as they are. From a
  // string type to another, the bytes are those of the ANSI read, which must give back the
  // stored text exactly: otherwise the change is refused.
  if (IsStringType(type) == IsStringType(newType)) {
    if (!WriteStoredData(name, data.data(), newType, size)) return false;
  } else if (IsStringType(type)) {
    if (!::StoredTextExact(type, data.data(), size)) return false;
    const std::string text = AnsiDataOf(type, data.data(), size);
    if (!WriteData(name, text.data(), newType, static_cast<DWORD>(text.size()))) return false;
  } else {
    if (!WriteData(name, data.data(), newType, size)) return false;
  }
  return GetDataType(name) == static_cast<int>(newType);
}
