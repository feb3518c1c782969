// The undo journal's files: the record form, reading and writing records, and the folder
// with its limits.
#include "registry/JournalFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"

namespace {

constexpr char AfterMagic[4] = {'A', 'F', 'T', 'R'};
constexpr std::size_t HeaderReadLimit = 1u << 20;  // the header of any record fits in this

std::string Shown(const std::wstring& text) {
  bool exact = false;
  return AnsiName(text, exact);
}

// Sequence number of a record's file name ("<16 hex digits>.hlj"), or 0 for any other name.
std::uint64_t SequenceOf(const std::string& name) {
  if (name.size() != 20 || _stricmp(name.c_str() + 16, ".hlj") != 0) return 0;
  std::uint64_t v = 0;
  for (int i = 0; i < 16; ++i) {
    const char c = name[static_cast<std::size_t>(i)];
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return 0;
    v = v << 4 | static_cast<unsigned>(d);
  }
  return v;
}

struct TFound {
  std::uint64_t Sequence;
  std::string File;
  std::uint64_t Size;
};

std::vector<TFound> FindRecords(const std::string& folder) {
  std::vector<TFound> found;
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((folder + "*.hlj").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::uint64_t seq = SequenceOf(data.cFileName);
    if (seq)
      found.push_back({seq, folder + data.cFileName,
                       static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) { return a.Sequence < b.Sequence; });
  return found;
}

std::string ReadFileBytes(const std::string& file, std::size_t limit, std::string& bytes) {
  TVkFile f;
  f.reset(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.IsOpen()) return "it cannot be read: " + SystemErrorText(GetLastError());
  const std::int64_t size = f.Size();
  if (size < 0 || static_cast<std::uint64_t>(size) > 0x7FFFFFFFull) return "it is too large to be a record";
  bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(size), limit));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    if (!ReadFile(f.Handle(), bytes.data() + done, want, &n, nullptr)) return "it cannot be read: " + SystemErrorText(GetLastError());
    if (n == 0) break;
    done += n;
  }
  bytes.resize(done);
  return std::string();
}

}  // namespace

void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void PutName(std::string& out, std::wstring_view name) {
  PutU32(out, static_cast<std::uint32_t>(name.size()));
  for (wchar_t c : name) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
}

std::uint32_t Crc32(const void* data, std::size_t size) {
  static std::uint32_t table[256];
  static bool made = false;
  if (!made) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    made = true;
  }
  std::uint32_t c = 0xFFFFFFFFu;
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint64_t HashBytes(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

std::uint64_t ValueHash(DWORD type, const char* data, DWORD size) {
  std::string form;
  PutU32(form, type);
  PutU32(form, size);
  form.append(data, size);
  return HashBytes(form);
}

std::uint64_t BeforeHash(const TJournalItem& item) {
  return item.IsKey ? HashBytes(item.Bytes) : ValueHash(item.Type, item.Bytes.data(), static_cast<DWORD>(item.Bytes.size()));
}

std::wstring UpperName(std::wstring_view name) {
  std::wstring s(name);
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::string EncodeRecord(const TJournalEntry& header, const std::vector<TJournalItem>& items) {
  std::string out(JournalMagic, sizeof JournalMagic);
  PutU32(out, JournalVersion);
  PutU64(out, static_cast<std::uint64_t>(header.Time.dwHighDateTime) << 32 | header.Time.dwLowDateTime);
  PutName(out, WideFromAnsi(header.Command));
  PutName(out, WideFromAnsi(header.Caption));
  PutU32(out, header.Root);
  PutName(out, WideFromAnsi(header.Location));
  PutU32(out, header.Keys);
  PutU32(out, header.Values);
  PutU64(out, header.DataBytes);
  PutU32(out, static_cast<std::uint32_t>(items.size()));
  for (const TJournalItem& item : items) {
    PutU8(out, item.IsKey ? 2 : 1);
    PutU32(out, item.Root);
    PutName(out, item.Path);
    PutName(out, item.Name);
    PutU8(out, item.Existed ? 1 : 0);
    PutU32(out, item.Type);
    PutU64(out, item.Bytes.size());
    out += item.Bytes;
  }
  PutU32(out, Crc32(out.data(), out.size()));
  const bool after = !items.empty() && std::all_of(items.begin(), items.end(), [](const TJournalItem& i) {
    return i.After != TJournalItem::AfterUnknown;
  });
  if (after) {
    const std::size_t start = out.size();
    out.append(AfterMagic, sizeof AfterMagic);
    PutU32(out, static_cast<std::uint32_t>(items.size()));
    for (const TJournalItem& item : items) {
      PutU8(out, item.After);
      PutU64(out, item.Hash);
    }
    PutU32(out, Crc32(out.data() + start, out.size() - start));
  }
  return out;
}

std::string DecodeRecord(std::string_view bytes, TJournalEntry& header, std::vector<TJournalItem>* items) {
  TRecordReader r(bytes);
  const std::string_view magic = r.Bytes(sizeof JournalMagic);
  if (!r.Ok() || std::memcmp(magic.data(), JournalMagic, sizeof JournalMagic) != 0)
    return bytes.size() < sizeof JournalMagic ? "it is truncated" : "it is not a journal record";
  const std::uint32_t version = r.U32();
  if (!r.Ok()) return "it is truncated";
  if (version != JournalVersion) return "it is of another version (" + std::to_string(version) + ")";
  const std::uint64_t time = r.U64();
  header.Time.dwLowDateTime = static_cast<DWORD>(time);
  header.Time.dwHighDateTime = static_cast<DWORD>(time >> 32);
  header.Command = Shown(r.Name());
  header.Caption = Shown(r.Name());
  header.Root = r.U32();
  header.Location = Shown(r.Name());
  header.Keys = r.U32();
  header.Values = r.U32();
  header.DataBytes = r.U64();
  const std::uint32_t count = r.U32();
  if (!r.Ok()) return "it is truncated";
  if (!items) return std::string();
  items->clear();
  for (std::uint32_t i = 0; i < count && r.Ok(); ++i) {
    TJournalItem item;
    const std::uint8_t kind = r.U8();
    if (kind != 1 && kind != 2) return "it is corrupt (an item of unknown kind)";
    item.IsKey = kind == 2;
    item.Root = r.U32();
    item.Path = r.Name();
    item.Name = r.Name();
    item.Existed = r.U8() != 0;
    item.Type = r.U32();
    const std::string_view data = r.Bytes(r.U64());
    item.Bytes.assign(data.data(), data.size());
    if (r.Ok() && !IsPredefinedRoot(item.Root)) return "it is corrupt (an unknown root)";
    items->push_back(std::move(item));
  }
  const std::size_t end = r.Pos();
  const std::uint32_t crc = r.U32();
  if (!r.Ok()) return "it is truncated";
  if (crc != Crc32(bytes.data(), end)) return "it is corrupt (its checksum does not match)";
  // The after section: written once the command ran. A record without one (the program ended
  // while the command ran) still undoes; only the check for later changes knows less.
  const std::size_t start = r.Pos();
  if (start == bytes.size()) return std::string();
  const std::string_view magic2 = r.Bytes(sizeof AfterMagic);
  const std::uint32_t n = r.U32();
  if (!r.Ok() || std::memcmp(magic2.data(), AfterMagic, sizeof AfterMagic) != 0 || n != items->size())
    return "it is corrupt (after its checksum)";
  std::vector<std::pair<std::uint8_t, std::uint64_t>> after;
  for (std::uint32_t i = 0; i < n && r.Ok(); ++i) {
    const std::uint8_t state = r.U8();
    after.emplace_back(state, r.U64());
  }
  const std::size_t end2 = r.Pos();
  const std::uint32_t crc2 = r.U32();
  if (!r.Ok() || crc2 != Crc32(bytes.data() + start, end2 - start) || r.Pos() != bytes.size())
    return "it is corrupt (its after section does not match its checksum)";
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i].first > TJournalItem::AfterHash) return "it is corrupt (an unknown after state)";
    (*items)[i].After = static_cast<TJournalItem::TAfter>(after[i].first);
    (*items)[i].Hash = after[i].second;
  }
  return std::string();
}

std::string ReadRecordFile(const std::string& file, TJournalEntry& header, std::vector<TJournalItem>* items) {
  std::string bytes;
  std::string problem = ReadFileBytes(file, items ? static_cast<std::size_t>(-1) : HeaderReadLimit, bytes);
  if (problem.empty()) problem = DecodeRecord(bytes, header, items);
  return problem;
}

std::string WriteRecordFile(const std::string& file, const std::string& bytes) {
  const std::string side = CreateSideFile(file);
  if (side.empty()) return SystemErrorText(GetLastError());
  TVkFile f;
  f.reset(CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string problem;
  if (!f.IsOpen()) problem = SystemErrorText(GetLastError());
  std::size_t done = 0;
  while (problem.empty() && done < bytes.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    if (!WriteFile(f.Handle(), bytes.data() + done, want, &n, nullptr) || n == 0)
      problem = SystemErrorText(GetLastError());
    done += n;
  }
  f.Close();
  if (!problem.empty()) {
    DeleteFileA(side.c_str());
    return problem;
  }
  if (!ReplaceBySideFile(side, file)) return SystemErrorText(GetLastError());
  return std::string();
}

std::string TJournal::Folder() const { return folder_.empty() ? ProgramFolder() + "Journal\\" : folder_; }

std::string TJournal::Prepare() const {
  const std::string folder = Folder();
  if (IsDirectory(folder)) return std::string();
  if (CreateDirectoryA(folder.c_str(), nullptr) || IsDirectory(folder)) return std::string();
  return SystemErrorText(GetLastError());
}

std::vector<TJournalEntry> TJournal::List(bool headersOnly) const {
  std::vector<TJournalEntry> entries;
  std::vector<TJournalItem> items;
  for (const TFound& f : FindRecords(Folder())) {
    TJournalEntry e;
    e.File = f.File;
    e.Sequence = f.Sequence;
    e.FileSize = f.Size;
    e.Problem = ReadRecordFile(f.File, e, headersOnly ? nullptr : &items);
    e.Damaged = !e.Problem.empty();
    entries.push_back(std::move(e));
  }
  return entries;
}

bool TJournal::Newest(TJournalEntry& entry) const {
  // Records are checked whole, so that Undo skips a damaged one; a file checked before (same
  // name, size and write time) is not read again each time the menu opens.
  struct TChecked {
    std::string File;
    std::uint64_t Size = 0;
    FILETIME Time{};
    std::string Problem;
    TJournalEntry Header;
  };
  static TChecked checked;
  const std::vector<TFound> found = FindRecords(Folder());
  std::vector<TJournalItem> items;
  for (auto f = found.rbegin(); f != found.rend(); ++f) {
    TJournalEntry e;
    e.File = f->File;
    e.Sequence = f->Sequence;
    e.FileSize = f->Size;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    (void)GetFileAttributesExA(f->File.c_str(), GetFileExInfoStandard, &data);
    if (checked.File == f->File && checked.Size == f->Size &&
        CompareFileTime(&checked.Time, &data.ftLastWriteTime) == 0) {
      e = checked.Header;
      e.Problem = checked.Problem;
    } else {
      e.Problem = ReadRecordFile(f->File, e, &items);
      checked = {f->File, f->Size, data.ftLastWriteTime, e.Problem, e};
    }
    if (!e.Problem.empty()) continue;
    entry = std::move(e);
    return true;
  }
  return false;
}

bool TJournal::Remove(const TJournalEntry& entry) const {
  return DeleteFileA(entry.File.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void TJournal::Trim(std::uint64_t keep) const {
  std::vector<TFound> found = FindRecords(Folder());
  std::uint64_t total = 0;
  for (const TFound& f : found) total += f.Size;
  std::size_t count = found.size();
  const std::size_t maxChanges = static_cast<std::size_t>(std::max(1, Limits.MaxChanges));
  for (const TFound& f : found) {
    if (count <= maxChanges && total <= Limits.MaxBytes) break;
    if (f.Sequence == keep) continue;
    if (DeleteFileA(f.File.c_str())) {
      --count;
      total -= f.Size;
    }
  }
}

TJournal& ChangeJournal() {
  static TJournal journal;
  return journal;
}

// The sequence number a new record takes: one above the newest.
std::uint64_t NextJournalSequence(const std::string& folder) {
  const std::vector<TFound> found = FindRecords(folder);
  return found.empty() ? 1 : found.back().Sequence + 1;
}

std::string JournalFileName(const std::string& folder, std::uint64_t sequence) {
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.hlj", static_cast<unsigned long long>(sequence));
  return folder + name;
}
