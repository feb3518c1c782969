// Recording a change: the registry read as stored before the command writes, the record put
// on disk, and the state the command left added to it afterwards.
#include "registry/JournalFormat.h"

#include <algorithm>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"

namespace {

void SetU32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
// A stored path below a root from an ANSI key path ("\A\B\" or "A\B"): no "\" at either end.
std::wstring StoredPath(const std::string& path) {
  std::size_t a = 0, b = path.size();
  while (a < b && path[a] == '\\') ++a;
  while (b > a && path[b - 1] == '\\') --b;
  return WideFromAnsi(std::string_view(path).substr(a, b - a));
}

// Threads that read many items at once, each a run of neighbouring items: a registry call
// mostly waits for the registry server, which answers the next thread meanwhile.
std::size_t ThreadsFor(std::size_t items) {
  constexpr std::size_t PerThread = 256, MaxThreads = 4;
  return std::min(MaxThreads, std::max<std::size_t>(1, items / PerThread));
}

std::wstring Join(const std::wstring& path, const std::wstring& name) { return path.empty() ? name : path + L"\\" + name; }

// The values of h in the tree form (names, types and bytes from one enumeration call each)
// and its subkey names, read in one pass between two looks at the key's stamp: a key that
// changed meanwhile is read again.
bool ReadLevel(HKEY h, std::string& values, std::uint32_t& count, std::uint64_t& bytes, std::vector<std::wstring>* keys,
               std::vector<char>& data) {
  std::wstring name;
  for (int attempt = 0; attempt < 8; ++attempt) {
    values.clear();
    if (keys) keys->clear();
    count = 0;
    bytes = 0;
    TKeyStamp before, after;
    DWORD maxKey = 0, maxValue = 0, maxData = 0;
    if (!QueryKeyStamp(h, before, &maxKey, &maxValue, &maxData)) return false;
    if (name.size() < maxValue + 2u) name.resize(std::max<std::size_t>(maxValue, 255) + 2);
    if (data.size() < maxData + 8u) data.resize(maxData + 8u);
    bool complete = true;
    int grown = 0;
    for (DWORD i = 0; i < before.Values; ++i) {
      DWORD len = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
      const LONG r = RegEnumValueW(h, i, name.data(), &len, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
      if (r == ERROR_NO_MORE_ITEMS) break;
      if (r == ERROR_MORE_DATA && ++grown < 16) {  // grew since the key was queried
        data.resize(data.size() * 2 + 256);
        if (name.size() < 32768) name.resize(name.size() * 2);
        --i;
        continue;
      }
      if (r != ERROR_SUCCESS) {
        complete = false;
        break;
      }
      PutName(values, std::wstring_view(name.data(), len));
      PutU32(values, type);
      PutU32(values, size);
      values.append(data.data(), size);
      ++count;
      bytes += size;
    }
    if (complete && keys) complete = EnumStoredNames(h, true, before.Keys, maxKey, *keys, false);
    if (!QueryKeyStamp(h, after)) return false;
    if (after == before && complete) return true;
  }
  return false;
}

// Reads the values and subkeys of h into the tree form, stored names and bytes.
bool TreeWalk(HKEY h, std::string& out, TTreeCounts& counts, std::vector<char>& data) {
  std::string values;
  std::uint32_t count = 0;
  std::uint64_t bytes = 0;
  std::vector<std::wstring> names;
  if (!ReadLevel(h, values, count, bytes, &names, data)) return false;
  PutU32(out, count);
  out += values;
  counts.Values += count;
  counts.Bytes += bytes;
  const std::size_t keyCountAt = out.size();
  PutU32(out, 0);
  std::uint32_t keys = 0;
  for (const std::wstring& name : names) {
    TVkKey sub;
    const LONG r = RegOpenKeyExW(h, name.c_str(), 0, KEY_READ, sub.out());
    if (r == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile: not there to record
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
      : r_(tree), size_(tree.size()), failed_(failed), written_(written) {}
  bool Ok() const { return r_.Ok() && r_.Pos() == size_; }

  void Walk(HKEY h, const std::wstring& path) {
    const std::uint32_t values = r_.U32();
    for (std::uint32_t i = 0; i < values && r_.Ok(); ++i) {
      const std::wstring name = r_.Name();
      const std::uint32_t type = r_.U32();
      const std::string_view data = r_.Bytes(r_.U32());
      if (!r_.Ok()) return;
      if (h && WriteStoredValue(h, name, type, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS) ++written_;
      else failed_.push_back(path + L" : \"" + name + L"\"");
    }
    const std::uint32_t keys = r_.U32();
    for (std::uint32_t i = 0; i < keys && r_.Ok(); ++i) {
      const std::wstring name = r_.Name();
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
  TRecordReader r_;
  std::size_t size_;
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

LONG TKeyCache::Open(RootKey root, const std::wstring& path, HKEY& h) {
  for (std::size_t i = 0; i < held_.size(); ++i) {
    if (held_[i].Root != root || held_[i].Path != path) continue;
    std::rotate(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(i), held_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    h = held_[0].Key->get();
    return held_[0].Result;
  }
  TEntry entry{root, path, std::make_shared<TVkKey>(), ERROR_FILE_NOT_FOUND};
  entry.Result = TVkReg::OpenStoredKey(root, path, create_, access_, *entry.Key);
  if (held_.size() >= Held) held_.pop_back();
  held_.insert(held_.begin(), std::move(entry));
  h = held_[0].Key->get();
  return held_[0].Result;
}

bool CurrentState(const TJournalItem& item, bool& present, std::uint64_t& hash, TKeyCache& cache) {
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
  HKEY key = nullptr;
  LONG r = cache.Open(item.Root, item.Path, key);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  static thread_local std::vector<char> data;
  DWORD size = 0, type = 0;
  r = ReadStoredValue(key, item.Name, data, size, type);
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  present = true;
  hash = ValueHash(type, data.data(), size);
  return true;
}

namespace {

// The hashes of the values of h by their upper-cased names, from one pass over the key.
bool ValueHashes(HKEY h, std::unordered_map<std::wstring, std::uint64_t>& hashes, std::vector<char>& data) {
  std::string values;
  std::uint32_t count = 0;
  std::uint64_t bytes = 0;
  if (!ReadLevel(h, values, count, bytes, nullptr, data)) return false;
  TRecordReader r(values);
  for (std::uint32_t i = 0; i < count && r.Ok(); ++i) {
    const std::wstring name = r.Name();
    const std::uint32_t type = r.U32();
    const std::string_view v = r.Bytes(r.U32());
    hashes[UpperName(name)] = ValueHash(type, v.data(), static_cast<DWORD>(v.size()));
  }
  return r.Ok();
}

}  // namespace

void CurrentStates(const std::vector<TJournalItem>& items, std::vector<TItemState>& states) {
  states.assign(items.size(), TItemState());
  // Items that many share a key (values) or a parent (keys) are answered from one reading of
  // that key: its values with their bytes in one pass, or its subkey names. An item that is
  // not there then costs no call of its own; a few items are read one by one.
  const auto split = [](const TJournalItem& item, std::wstring& key, std::wstring& name) {
    key = item.Path;
    name = item.Name;
    if (!item.IsKey) return;
    const std::size_t cut = item.Path.rfind(L'\\');
    key = cut == std::wstring::npos ? std::wstring() : item.Path.substr(0, cut);
    name = item.Path.substr(cut == std::wstring::npos ? 0 : cut + 1);
  };
  const auto group = [](const TJournalItem& item, const std::wstring& key) {
    return (item.IsKey ? L"K" : L"V") + std::to_wstring(item.Root) + L"|" + UpperName(key);
  };
  std::unordered_map<std::wstring, std::size_t> shared;
  std::wstring key, name;
  for (const TJournalItem& item : items) {
    split(item, key, name);
    ++shared[group(item, key)];
  }
  std::unordered_map<std::wstring, std::unordered_map<std::wstring, std::uint64_t>> read;
  std::unordered_set<std::wstring> unread;
  TKeyCache cache(false, KEY_READ);
  std::vector<char> data;
  std::vector<std::size_t> rest;  // items no shared reading answered
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TJournalItem& item = items[i];
    TItemState& state = states[i];
    split(item, key, name);
    const std::wstring g = group(item, key);
    if (shared[g] >= 8 && !unread.count(g)) {
      auto it = read.find(g);
      if (it == read.end()) {
        std::unordered_map<std::wstring, std::uint64_t> found;
        HKEY h = nullptr;
        const LONG r = cache.Open(item.Root, key, h);
        bool ok = r == ERROR_FILE_NOT_FOUND;  // no key: nothing in it
        if (r == ERROR_SUCCESS && item.IsKey) {
          std::vector<std::wstring> names;
          ok = ListStoredNames(h, true, names);
          for (const std::wstring& n : names) found[UpperName(n)] = 0;
        } else if (r == ERROR_SUCCESS) {
          ok = ValueHashes(h, found, data);
        }
        if (ok) it = read.emplace(g, std::move(found)).first;
        else unread.insert(g);
      }
      if (it != read.end()) {
        const auto hit = it->second.find(UpperName(name));
        if (hit == it->second.end()) {  // not there
          state.Known = true;
          continue;
        }
        if (!item.IsKey) {
          state = {true, true, hit->second};
          continue;
        }
      }
    }
    rest.push_back(i);
  }
  // The rest one by one: a value read, a key's tree read and hashed; many by a few threads.
  const auto readRest = [&](std::size_t from, std::size_t to) {
    TKeyCache own(false, KEY_READ);
    for (std::size_t j = from; j < to; ++j) {
      TItemState& state = states[rest[j]];
      state.Known = CurrentState(items[rest[j]], state.Present, state.Hash, own);
    }
  };
  const std::size_t threads = ThreadsFor(rest.size());
  std::vector<std::thread> workers;
  const std::size_t step = (rest.size() + threads - 1) / std::max<std::size_t>(threads, 1);
  for (std::size_t t = 1; t < threads; ++t)
    workers.emplace_back(readRest, std::min(rest.size(), t * step), std::min(rest.size(), (t + 1) * step));
  readRest(0, std::min(rest.size(), step));
  for (std::thread& w : workers) w.join();
}

// ---- The recorder ------------------------------------------------------------------------

// What the recorder knows beside its items: the names it holds (upper-cased as the registry
// compares, so that nothing is recorded twice) and what it read.
struct TJournalRecorder::TIndex {
  std::unordered_set<std::wstring> Keys, Values;
  std::string Problem;  // why something could not be read: Commit refuses then
  TTreeCounts Counts;   // keys, values and data bytes recorded

  static std::wstring KeyId(RootKey root, const std::wstring& path) { return std::to_wstring(root) + L"|" + UpperName(path); }
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
  index_->Keys.insert(TIndex::KeyId(root, keyPath));
  items_.push_back(std::move(item));
}

namespace {

// Reads what the items hold now into them (their before state); counts what was read. "" or
// why an item could not be read.
std::string ReadItems(TJournalItem* items, std::size_t count, TTreeCounts& counts) {
  TKeyCache cache(false, KEY_READ);
  std::vector<char> data;
  std::string problem;
  bool exact = false;
  for (std::size_t i = 0; i < count; ++i) {
    TJournalItem& item = items[i];
    if (item.IsKey) {
      ++counts.Keys;
      TVkKey key;
      const LONG r = TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_READ, key);
      if (r == ERROR_SUCCESS && TreeWalk(key.get(), item.Bytes, counts, data)) item.Existed = true;
      else if (r == ERROR_SUCCESS && problem.empty()) problem = "The key \"" + AnsiName(item.Path, exact) + "\" could not be read whole.";
      else if (r != ERROR_FILE_NOT_FOUND && problem.empty())
        problem = "The key \"" + AnsiName(item.Path, exact) + "\" could not be read: " + SystemErrorText(static_cast<DWORD>(r));
      continue;
    }
    ++counts.Values;
    HKEY h = nullptr;
    LONG r = cache.Open(item.Root, item.Path, h);
    if (r == ERROR_SUCCESS) {
      DWORD size = 0, type = 0;
      r = ReadStoredValue(h, item.Name, data, size, type);
      if (r == ERROR_SUCCESS) {
        item.Existed = true;
        item.Type = type;
        item.Bytes.assign(data.data(), size);
        counts.Bytes += size;
      }
    }
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND && problem.empty())
      problem = "The value \"" + AnsiName(item.Name, exact) + "\" could not be read: " + SystemErrorText(static_cast<DWORD>(r));
  }
  return problem;
}

// Many items are read by a few threads at once (see ThreadsFor).
std::string ReadAllItems(std::vector<TJournalItem>& items, TTreeCounts& counts) {
  const std::size_t threads = ThreadsFor(items.size());
  if (threads == 1) return ReadItems(items.data(), items.size(), counts);
  std::vector<std::string> problems(threads);
  std::vector<TTreeCounts> parts(threads);
  std::vector<std::thread> workers;
  const std::size_t step = (items.size() + threads - 1) / threads;
  for (std::size_t t = 0; t < threads; ++t) {
    const std::size_t from = std::min(items.size(), t * step), to = std::min(items.size(), from + step);
    workers.emplace_back([&, t, from, to] { problems[t] = ReadItems(items.data() + from, to - from, parts[t]); });
  }
  std::string problem;
  for (std::size_t t = 0; t < threads; ++t) {
    workers[t].join();
    counts.Keys += parts[t].Keys;
    counts.Values += parts[t].Values;
    counts.Bytes += parts[t].Bytes;
    if (problem.empty()) problem = problems[t];
  }
  return problem;
}

}  // namespace

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
  TJournal& journal = ChangeJournal();
  const std::string folder = journal.Folder();
  std::string problem = index_->Problem;
  if (problem.empty() && items_.empty()) {  // the command will change nothing that is there
    active_ = false;
    return true;
  }
  if (problem.empty()) problem = ReadAllItems(items_, index_->Counts);
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
  return true;
}

void TJournalRecorder::Finish() {
  if (!committed_) return;
  committed_ = false;
  bool changed = false;
  std::vector<TItemState> states;
  CurrentStates(items_, states);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TJournalItem& item = items_[i];
    const bool present = states[i].Present;
    const std::uint64_t hash = states[i].Hash;
    if (!states[i].Known) {
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
  ChangeJournal().Trim(sequence_);  // the limits hold once the record stays
}
