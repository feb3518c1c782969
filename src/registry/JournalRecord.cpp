// Recording a change: the registry read as stored before the command writes, the record put
// on disk, and the state the command left added to it afterwards.
#include "registry/JournalFormat.h"

#include <unordered_set>

#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"

namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void SetU32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
void PutName(std::string& out, std::wstring_view name) {
  PutU32(out, static_cast<std::uint32_t>(name.size()));
  for (wchar_t c : name) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
}

// A stored path below a root from an ANSI key path ("\A\B\" or "A\B"): no "\" at either end.
std::wstring StoredPath(const std::string& path) {
  std::size_t a = 0, b = path.size();
  while (a < b && path[a] == '\\') ++a;
  while (b > a && path[b - 1] == '\\') --b;
  return WideFromAnsi(std::string_view(path).substr(a, b - a));
}

std::wstring Join(const std::wstring& path, const std::wstring& name) { return path.empty() ? name : path + L"\\" + name; }

// Reads the values and subkeys of h into the tree form, stored names and bytes.
bool TreeWalk(HKEY h, std::string& out, TTreeCounts& counts, std::vector<char>& data) {
  std::vector<std::wstring> names;
  if (!ListStoredNames(h, false, names)) return false;
  const std::size_t valueCountAt = out.size();
  PutU32(out, 0);
  std::uint32_t values = 0;
  for (const std::wstring& name : names) {
    DWORD size = 0, type = 0;
    const LONG r = ReadStoredValue(h, name, data, size, type);
    if (r == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile: not there to record
    if (r != ERROR_SUCCESS) return false;
    PutName(out, name);
    PutU32(out, type);
    PutU32(out, size);
    out.append(data.data(), size);
    ++values;
    counts.Bytes += size;
  }
  SetU32(out, valueCountAt, values);
  counts.Values += values;
  names.clear();
  if (!ListStoredNames(h, true, names)) return false;
  const std::size_t keyCountAt = out.size();
  PutU32(out, 0);
  std::uint32_t keys = 0;
  for (const std::wstring& name : names) {
    TVkKey sub;
    const LONG r = RegOpenKeyExW(h, name.c_str(), 0, KEY_READ, sub.out());
    if (r == ERROR_FILE_NOT_FOUND) continue;
    if (r != ERROR_SUCCESS) return false;
    PutName(out, name);
    ++keys;
    ++counts.Keys;
    if (!TreeWalk(sub.get(), out, counts, data)) return false;
  }
  SetU32(out, keyCountAt, keys);
  return true;
}

// Reads the tree form back while writing it.
class TTreeWriter {
 public:
  TTreeWriter(std::string_view tree, std::vector<std::wstring>& failed, std::size_t& written)
      : t_(tree), failed_(failed), written_(written) {}
  bool Ok() const { return ok_ && pos_ == t_.size(); }

  void Walk(HKEY h, const std::wstring& path) {
    const std::uint32_t values = U32();
    for (std::uint32_t i = 0; i < values && ok_; ++i) {
      const std::wstring name = Name();
      const std::uint32_t type = U32();
      const std::uint32_t size = U32();
      if (!Need(size)) return;
      if (h && WriteStoredValue(h, name, type, t_.data() + pos_, size) == ERROR_SUCCESS) ++written_;
      else failed_.push_back(path + L" : \"" + name + L"\"");
      pos_ += size;
    }
    const std::uint32_t keys = U32();
    for (std::uint32_t i = 0; i < keys && ok_; ++i) {
      const std::wstring name = Name();
      HKEY sub = nullptr;
      if (h && RegCreateKeyExW(h, name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &sub, nullptr) == ERROR_SUCCESS) ++written_;
      else {
        sub = nullptr;
        failed_.push_back(Join(path, name));
      }
      TVkKey owned(sub);
      Walk(sub, Join(path, name));  // without a key the walk still reads past what it holds
    }
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || t_.size() - pos_ < n) ok_ = false;
    return ok_;
  }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(t_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return v;
  }
  std::wstring Name() {
    const std::uint32_t n = U32();
    if (!Need(std::size_t{n} * 2)) return std::wstring();
    std::wstring s(n, L'\0');
    for (std::uint32_t i = 0; i < n; ++i)
      s[i] = static_cast<wchar_t>(static_cast<unsigned char>(t_[pos_ + 2 * i]) |
                                  static_cast<unsigned char>(t_[pos_ + 2 * i + 1]) << 8);
    pos_ += std::size_t{n} * 2;
    return s;
  }

  std::string_view t_;
  std::size_t pos_ = 0;
  bool ok_ = true;
  std::vector<std::wstring>& failed_;
  std::size_t& written_;
};

std::string RefusalText(const std::string& folder, const std::string& reason) {
  return "The change could not be recorded in the undo journal, so nothing was changed.\r\n\r\n" + folder +
         "\r\n" + reason +
         "\r\n\r\nTo go on without undo, switch the journal off: clear \"Keep a journal of changes\" in "
         "Tools, Change History..., or set Enabled=0 in section [Journal] of Hivelark.ini.";
}

}  // namespace

bool ReadTree(HKEY h, std::string& out, TTreeCounts& counts) {
  std::vector<char> data;
  return TreeWalk(h, out, counts, data);
}

bool WriteTree(HKEY h, std::string_view tree, const std::wstring& path, std::vector<std::wstring>& failed,
               std::size_t& written) {
  TTreeWriter writer(tree, failed, written);
  writer.Walk(h, path);
  return writer.Ok();
}

bool CurrentState(const TJournalItem& item, bool& present, std::uint64_t& hash) {
  present = false;
  hash = 0;
  if (item.IsKey) {
    TVkKey key;
    const LONG r = TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_READ, key);
    if (r == ERROR_FILE_NOT_FOUND) return true;
    if (r != ERROR_SUCCESS) return false;
    std::string tree;
    TTreeCounts counts;
    if (!ReadTree(key.get(), tree, counts)) return false;
    present = true;
    hash = HashBytes(tree);
    return true;
  }
  TVkKey key;
  LONG r = TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_QUERY_VALUE, key);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  std::vector<char> data;
  DWORD size = 0, type = 0;
  r = ReadStoredValue(key.get(), item.Name, data, size, type);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  present = true;
  hash = ValueHash(type, data.data(), size);
  return true;
}

// ---- The recorder ------------------------------------------------------------------------

// What the recorder knows beside its items: the names it holds (upper-cased as the registry
// compares, so that nothing is recorded twice) and the key it read last.
struct TJournalRecorder::TIndex {
  std::unordered_set<std::wstring> Keys, Values;
  RootKey CachedRoot = 0;
  std::wstring CachedPath;
  TVkKey Cached;
  LONG CachedResult = ERROR_FILE_NOT_FOUND;
  std::vector<char> Data;
  std::string Problem;  // why something could not be read: Commit refuses then
  TTreeCounts Counts;   // keys, values and data bytes recorded

  static std::wstring KeyId(RootKey root, const std::wstring& path) { return std::to_wstring(root) + L"|" + UpperName(path); }
  // The key at path, opened for reading once for a run of items in one key.
  LONG Open(RootKey root, const std::wstring& path, HKEY& h) {
    if (!(Cached.get() || CachedResult != ERROR_SUCCESS) || root != CachedRoot || path != CachedPath) {
      TVkKey key;
      CachedResult = TVkReg::OpenStoredKey(root, path, false, KEY_READ, key);
      std::swap(*Cached.out(), *key.out());
      CachedRoot = root;
      CachedPath = path;
    }
    h = Cached.get();
    return CachedResult;
  }
  void Forget() {
    TVkKey closing(Cached.release());
    CachedRoot = 0;
    CachedPath.clear();
    CachedResult = ERROR_FILE_NOT_FOUND;
  }
};

TJournalRecorder::TJournalRecorder(std::string command, RootKey root, std::string location)
    : command_(std::move(command)), caption_(command_), location_(std::move(location)), root_(root),
      index_(std::make_unique<TIndex>()) {
  active_ = ChangeJournal().Limits.Enabled;
}

TJournalRecorder::~TJournalRecorder() = default;

bool TJournalRecorder::Covered(RootKey root, const std::wstring& path, const std::wstring* value) const {
  // Inside a key already recorded whole (or that very key), or the same value again.
  const std::wstring id = TIndex::KeyId(root, path);
  const std::size_t start = id.find(L'|') + 1;
  for (std::size_t pos = start; pos <= id.size(); ++pos)
    if ((pos == id.size() || id[pos] == L'\\') && index_->Keys.count(id.substr(0, pos))) return true;
  return value && index_->Values.count(id + L"|" + UpperName(*value)) > 0;
}

void TJournalRecorder::Value(RootKey root, const std::string& keyPath, const std::string& name) {
  Value(root, StoredPath(keyPath), WideFromAnsi(name));
}

void TJournalRecorder::Value(RootKey root, const std::wstring& keyPath, const std::wstring& name) {
  if (!active_ || Covered(root, keyPath, &name)) return;
  TJournalItem item;
  item.Root = root;
  item.Path = keyPath;
  item.Name = name;
  HKEY h = nullptr;
  LONG r = index_->Open(root, keyPath, h);
  if (r == ERROR_SUCCESS) {
    DWORD size = 0, type = 0;
    r = ReadStoredValue(h, name, index_->Data, size, type);
    if (r == ERROR_SUCCESS) {
      item.Existed = true;
      item.Type = type;
      item.Bytes.assign(index_->Data.data(), size);
      index_->Counts.Bytes += size;
    }
  }
  if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND && index_->Problem.empty()) {
    bool exact = false;
    index_->Problem = "The value \"" + AnsiName(name, exact) + "\" could not be read: " + SystemErrorText(static_cast<DWORD>(r));
  }
  ++index_->Counts.Values;
  index_->Values.insert(TIndex::KeyId(root, keyPath) + L"|" + UpperName(name));
  items_.push_back(std::move(item));
}

void TJournalRecorder::Key(RootKey root, const std::string& keyPath) { Key(root, StoredPath(keyPath)); }

void TJournalRecorder::Key(RootKey root, const std::wstring& keyPath) {
  if (!active_ || Covered(root, keyPath, nullptr)) return;
  TJournalItem item;
  item.IsKey = true;
  item.Root = root;
  item.Path = keyPath;
  TVkKey key;
  const LONG r = TVkReg::OpenStoredKey(root, keyPath, false, KEY_READ, key);
  if (r == ERROR_SUCCESS) {
    TTreeCounts counts;
    if (ReadTree(key.get(), item.Bytes, counts)) {
      item.Existed = true;
      index_->Counts.Keys += counts.Keys;
      index_->Counts.Values += counts.Values;
      index_->Counts.Bytes += counts.Bytes;
    } else if (index_->Problem.empty()) {
      bool exact = false;
      index_->Problem = "The key \"" + AnsiName(keyPath, exact) + "\" could not be read whole.";
    }
  } else if (r != ERROR_FILE_NOT_FOUND && index_->Problem.empty()) {
    bool exact = false;
    index_->Problem = "The key \"" + AnsiName(keyPath, exact) + "\" could not be read: " + SystemErrorText(static_cast<DWORD>(r));
  }
  ++index_->Counts.Keys;
  index_->Keys.insert(TIndex::KeyId(root, keyPath));
  items_.push_back(std::move(item));
}

void TJournalRecorder::CreatedKey(RootKey root, const std::string& keyPath) { CreatedKey(root, StoredPath(keyPath)); }

void TJournalRecorder::CreatedKey(RootKey root, const std::wstring& keyPath) {
  if (!active_ || keyPath.empty() || Covered(root, keyPath, nullptr)) return;
  TVkKey key;
  if (TVkReg::OpenStoredKey(root, keyPath, false, KEY_READ, key) == ERROR_SUCCESS) return;
  for (std::size_t end = keyPath.find(L'\\');; end = keyPath.find(L'\\', end + 1)) {
    const std::wstring part = keyPath.substr(0, end);
    TVkKey probe;
    if (TVkReg::OpenStoredKey(root, part, false, KEY_READ, probe) == ERROR_FILE_NOT_FOUND) {
      Key(root, part);
      return;
    }
    if (end == std::wstring::npos) return;
  }
}

void TJournalRecorder::CopyTarget(RootKey sourceRoot, const std::string& source, RootKey targetRoot,
                                  const std::string& target) {
  if (!active_) return;
  TVkKey s;
  if (TVkReg::OpenStoredKey(sourceRoot, StoredPath(source), false, KEY_READ, s) != ERROR_SUCCESS) return;  // nothing is copied
  const std::wstring path = StoredPath(target);
  TVkKey t;
  (void)TVkReg::OpenStoredKey(targetRoot, path, false, KEY_READ, t);
  CopyWalk(s.get(), targetRoot, path, t.get());
}

void TJournalRecorder::CopyWalk(HKEY source, RootKey targetRoot, const std::wstring& target, HKEY targetKey) {
  if (!targetKey) {  // created by the copy: an undo removes it whole
    Key(targetRoot, target);
    return;
  }
  std::vector<std::wstring> names;
  if (!ListStoredNames(source, false, names) && index_->Problem.empty()) index_->Problem = "The source of the copy could not be listed.";
  for (const std::wstring& name : names) Value(targetRoot, target, name);
  names.clear();
  if (!ListStoredNames(source, true, names) && index_->Problem.empty()) index_->Problem = "The source of the copy could not be listed.";
  for (const std::wstring& name : names) {
    TVkKey s, t;
    if (RegOpenKeyExW(source, name.c_str(), 0, KEY_READ, s.out()) != ERROR_SUCCESS) continue;
    (void)RegOpenKeyExW(targetKey, name.c_str(), 0, KEY_READ, t.out());
    CopyWalk(s.get(), targetRoot, Join(target, name), t.get());
  }
}

bool TJournalRecorder::Commit() {
  if (!active_) return true;
  index_->Forget();
  TJournal& journal = ChangeJournal();
  const std::string folder = journal.Folder();
  std::string problem = index_->Problem;
  if (problem.empty() && items_.empty()) {  // the command will change nothing that is there
    active_ = false;
    return true;
  }
  if (problem.empty()) problem = journal.Prepare();
  if (problem.empty()) {
    TJournalEntry header;
    GetSystemTimeAsFileTime(&header.Time);
    header.Command = command_;
    header.Caption = caption_;
    header.Root = root_;
    header.Location = location_;
    header.Keys = index_->Counts.Keys;
    header.Values = index_->Counts.Values;
    header.DataBytes = index_->Counts.Bytes;
    sequence_ = NextJournalSequence(folder);
    file_ = JournalFileName(folder, sequence_);
    while (IsFile(file_)) file_ = JournalFileName(folder, ++sequence_);
    problem = WriteRecordFile(file_, EncodeRecord(header, items_));
    header_ = std::move(header);
  }
  if (!problem.empty()) {
    ShowPlainMsg(RefusalText(folder, problem), "Hivelark", MsgError);
    return false;
  }
  committed_ = true;
  journal.Trim(sequence_);
  return true;
}

void TJournalRecorder::Finish() {
  if (!committed_) return;
  committed_ = false;
  bool changed = false;
  for (TJournalItem& item : items_) {
    bool present = false;
    std::uint64_t hash = 0;
    if (!CurrentState(item, present, hash)) {
      changed = true;  // not known: the record stays as it is
      item.After = TJournalItem::AfterUnknown;
      continue;
    }
    item.After = present ? TJournalItem::AfterHash : TJournalItem::AfterAbsent;
    item.Hash = hash;
    if (present != item.Existed || (present && hash != BeforeHash(item))) changed = true;
  }
  if (!changed) {  // the command changed nothing: there is nothing to undo
    (void)DeleteFileA(file_.c_str());
    return;
  }
  (void)WriteRecordFile(file_, EncodeRecord(header_, items_));  // a failure keeps the record without it
}
