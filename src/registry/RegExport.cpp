// The registration file export: the walk over a key tree and the file it goes to.
//
// Each key is read with one query of its counts, maxima and last write time, one enumeration
// call per value (name, type and data together, as stored) into buffers sized from those
// maxima, and one query afterwards that tells whether the key held still meanwhile; subkeys
// are opened by their stored names relative to their parent and closed on every way out.
// The text is collected in memory and goes to a temporary file in large blocks, at key
// boundaries; that file replaces the target only when it has been written whole.
#include "registry/RegExport.h"

#include <algorithm>
#include <type_traits>

#include "lib/VkFuncLib.h"
#include "registry/RegFileText.h"
#include "registry/RegNames.h"

namespace {

TExportReadHook g_readHook = nullptr;
TExportWriteHook g_writeHook = nullptr;

const char* const ExportErrorText = "An error occured while exporting key from registry!";

constexpr std::size_t FlushSize = 1u << 20;       // bytes collected before they go to the file
constexpr std::size_t MaxNameChars = 1u << 16;    // a name takes at most 16,383 characters
constexpr int MaxReadAttempts = 16;               // for one value that keeps growing
constexpr std::size_t MinDataBuffer = 256;        // never a null data pointer: that would only query sizes
constexpr int MaxKeyAttempts = 3;                 // for one key that keeps changing
constexpr std::size_t ShownItems = 10;            // left-out items named in the message

// "\" + the names of path joined by "\" (empty names of doubled, leading or trailing "\"
// dropped); "" for the root itself.
std::string KeyLinePath(const std::string& path) {
  std::string out;
  std::size_t pos = 0;
  while (pos < path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) out.append("\\").append(path, pos, end - pos);
    pos = end + 1;
  }
  return out;
}

// The file being written: blocks go out as they come; the first failure is kept and every
// later write is refused.
class TFileSink {
 public:
  explicit TFileSink(HANDLE h) : h_(h) {}
  bool Failed() const { return error_ != ERROR_SUCCESS; }
  DWORD Error() const { return error_; }
  bool Write(const void* block, std::size_t count) {
    if (Failed()) return false;
    if (g_writeHook && !g_writeHook(offset_, count)) {
      error_ = ERROR_DISK_FULL;
      return false;
    }
    const char* bytes = static_cast<const char*>(block);
    std::size_t done = 0;
    while (done < count) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 24));
      DWORD n = 0;
      if (!WriteFile(h_, bytes + done, chunk, &n, nullptr) || n == 0) {
        error_ = GetLastError();
        if (error_ == ERROR_SUCCESS) error_ = ERROR_WRITE_FAULT;
        return false;
      }
      done += n;
    }
    offset_ += done;
    return true;
  }

 private:
  HANDLE h_;
  std::size_t offset_ = 0;
  DWORD error_ = ERROR_SUCCESS;
};

// Value index i of key as stored: name, type and data in one call, into buffers that grow
// while the registry reports that the name or the data does not fit (a value that grew since
// the key's maxima were queried is read whole).
LONG ReadStoredIndexedValue(HKEY key, DWORD i, std::wstring& nameBuffer, std::wstring& name, std::vector<char>& data,
                            DWORD& size, DWORD& type) {
  for (int attempt = 0; attempt < MaxReadAttempts; ++attempt) {
    DWORD nameLen = static_cast<DWORD>(nameBuffer.size());
    size = static_cast<DWORD>(data.size());
    const LONG r = RegEnumValueW(key, i, nameBuffer.data(), &nameLen, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size);
    if (r == ERROR_SUCCESS) {
      name.assign(nameBuffer.data(), std::min<std::size_t>(nameLen, nameBuffer.size()));
      size = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
      return r;
    }
    if (r != ERROR_MORE_DATA) return r;
    if (size > data.size()) data.resize(size);
    else if (nameBuffer.size() < MaxNameChars) nameBuffer.resize(nameBuffer.size() * 2);
    else data.resize(data.size() * 2);  // neither said to be short: give the data more room
  }
  return ERROR_MORE_DATA;
}

// Subkey index i of key as stored, with the same growing name buffer.
LONG ReadStoredIndexedKeyName(HKEY key, DWORD i, std::wstring& buffer, std::wstring& name) {
  for (;;) {
    DWORD len = static_cast<DWORD>(buffer.size());
    const LONG r = RegEnumKeyExW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_SUCCESS) {
      name.assign(buffer.data(), std::min<std::size_t>(len, buffer.size()));
      return r;
    }
    if (r != ERROR_MORE_DATA || buffer.size() >= MaxNameChars) return r;
    buffer.resize(buffer.size() * 2);
  }
}

// The stamp of h, with the longest of its subkey and value names and its largest data.
bool QueryStamp(HKEY h, TKeyStamp& stamp, DWORD* maxName = nullptr, DWORD* maxData = nullptr) {
  DWORD maxKey = 0, maxValue = 0;
  if (!QueryKeyStamp(h, stamp, &maxKey, &maxValue, maxData)) return false;
  if (maxName) *maxName = std::max(maxKey, maxValue);
  return true;
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "stored names are UTF-16");

std::u16string_view U16(std::wstring_view s) { return {reinterpret_cast<const char16_t*>(s.data()), s.size()}; }

// A key path of the 5.00 kind as the messages show it (marked where the code page cannot
// spell it, see AnsiName).
std::string ShownPath(std::u16string_view path) {
  bool exact = false;
  return AnsiName(std::wstring_view(reinterpret_cast<const wchar_t*>(path.data()), path.size()), exact);
}

// The walk writes S: std::string for the REGEDIT4 kind (ANSI names, what the code page
// cannot spell left out), std::u16string for the 5.00 kind (every name and byte as stored).
template <class S>
class TExportWalk {
  static constexpr bool Unicode = std::is_same_v<S, std::u16string>;

 public:
  TExportWalk(REGSAM access, const char* rootName, TFileSink& sink)
      : access_(access), rootName_(rootName), keyRoot_(rootName_.begin(), rootName_.end()), sink_(sink) {
    out_.reserve(FlushSize / sizeof(typename S::value_type) + (FlushSize >> 2));
  }

  std::vector<std::string> LeftOut;

  void Append(std::basic_string_view<typename S::value_type> text) { out_ += text; }

  // The block of the key h at path ("" or "\" + names), then the blocks of its subkeys. The
  // subkeys are opened by their stored names, so each is reached whatever its ANSI text.
  void Walk(HKEY h, S& path) {
    if (Bytes() >= FlushSize) Flush();
    if (sink_.Failed()) return;
    AppendKeyLine(out_, keyRoot_, path);
    std::vector<std::wstring> subkeys;
    ReadKey(h, path, subkeys);
    for (const std::wstring& stored : subkeys) {
      if (sink_.Failed()) return;
      const std::size_t length = path.size();
      if constexpr (Unicode) {
        if (!IsRegFileName(U16(stored))) {
          LeftOut.push_back(Location(path) + "\\" + ShownPath(U16(stored)) + " (the key name holds a line break)");
          continue;
        }
        path.append(u"\\").append(U16(stored));
      } else {
        bool exact = false;
        const std::string name = AnsiName(stored, exact);
        // Under its ANSI text the key would come back as another key, or as none: it is left
        // out with everything below it.
        if (!exact) {
          LeftOut.push_back(Location(path) + "\\" + ShownName(name) + " (its name cannot be written in this code page)");
          continue;
        }
        if (!IsRegFileName(name)) {
          LeftOut.push_back(Location(path) + "\\" + ShownName(name) + " (the key name holds a line break)");
          continue;
        }
        path.append("\\").append(name);
      }
      TVkKey sub;
      const LONG r = RegOpenKeyExW(h, stored.c_str(), 0, access_, sub.out());
      if (r == ERROR_SUCCESS) {
        Walk(sub.get(), path);
      } else if (r != ERROR_FILE_NOT_FOUND) {  // a key removed since its parent was read is gone
        AppendKeyLine(out_, keyRoot_, path);   // the key line stays, its contents cannot be read
        LeftOut.push_back(Location(path) + " (the key could not be opened)");
      }
      path.resize(length);
    }
  }

  // The rest of the text, written out; false when the file could not take it.
  bool Finish() {
    if (!out_.empty()) Flush();
    return !sink_.Failed();
  }

 private:
  enum class TRead { Stable, Changed, Unreadable };

  std::size_t Bytes() const { return out_.size() * sizeof(typename S::value_type); }
  void Flush() {
    sink_.Write(out_.data(), Bytes());
    out_.clear();
  }

  std::string Location(const S& path) const {
    if constexpr (Unicode) return rootName_ + ShownPath(path);
    else return rootName_ + path;
  }

  // The value entries of h and the names of its subkeys. A key that changes while it is read
  // (a value or subkey added or deleted meanwhile shifts the indexes of the enumeration, so
  // another could be missed or doubled) is read again; the last attempt is kept and reported.
  void ReadKey(HKEY h, const S& path, std::vector<std::wstring>& subkeys) {
    const std::size_t mark = out_.size(), leftMark = LeftOut.size();
    for (int attempt = 1;; ++attempt) {
      const TRead read = ReadKeyOnce(h, path, subkeys);
      if (read == TRead::Stable) return;
      if (read == TRead::Unreadable) {
        LeftOut.push_back(Location(path) + " (the key could not be read)");
        return;
      }
      if (attempt == MaxKeyAttempts) {
        LeftOut.push_back(Location(path) + " (the key changed while it was read: some values or subkeys may be missing)");
        return;
      }
      out_.resize(mark);
      LeftOut.resize(leftMark);
    }
  }

  TRead ReadKeyOnce(HKEY h, const S& path, std::vector<std::wstring>& subkeys) {
    subkeys.clear();
    TKeyStamp before, after;
    DWORD maxName = 0, maxData = 0;
    if (!QueryStamp(h, before, &maxName, &maxData)) return TRead::Unreadable;
    bool changed = false;
    if (nameBuffer_.size() < maxName + 2) nameBuffer_.resize(maxName + 2);
    if (data_.size() < std::max<std::size_t>(maxData, MinDataBuffer)) data_.resize(std::max<std::size_t>(maxData, MinDataBuffer));
    for (DWORD i = 0; i < before.Values; ++i) {
      if (g_readHook) g_readHook(h, i);
      DWORD size = 0, type = 0;
      const LONG r = ReadStoredIndexedValue(h, i, nameBuffer_, name_, data_, size, type);
      if (r == ERROR_NO_MORE_ITEMS) {  // values deleted meanwhile
        changed = true;
        break;
      }
      if (r != ERROR_SUCCESS) {
        LeftOut.push_back(Location(path) + ": value number " + std::to_string(i + 1) + " (it could not be read)");
        continue;
      }
      AppendValue(path, type, size);
    }
    subkeys.reserve(before.Keys);
    for (DWORD i = 0; i < before.Keys; ++i) {
      const LONG r = ReadStoredIndexedKeyName(h, i, nameBuffer_, name_);
      if (r == ERROR_NO_MORE_ITEMS) {
        changed = true;
        break;
      }
      if (r != ERROR_SUCCESS) {
        LeftOut.push_back(Location(path) + ": subkey number " + std::to_string(i + 1) + " (its name could not be read)");
        continue;
      }
      subkeys.push_back(name_);
    }
    // Once more: an item added or deleted meanwhile changes the counts or the write time.
    if (!QueryStamp(h, after) || !(after == before)) changed = true;
    return changed ? TRead::Changed : TRead::Stable;
  }

  // The entry of the value just read (name_, data_), or the reason it is left out. In the
  // REGEDIT4 kind a name the code page cannot spell would name another value or none, and
  // string data is written as ANSI text, which must give back exactly the stored bytes; the
  // 5.00 kind holds both as stored and leaves out only names with a line break.
  void AppendValue(const S& path, DWORD type, DWORD size) {
    const char* data = data_.data();
    if constexpr (Unicode) {
      if (IsRegFileName(U16(name_))) return AppendValueEntry(out_, U16(name_), type, std::string_view(data, size));
      LeftOut.push_back(Location(path) + ": value \"" + ShownPath(U16(name_)) + "\" (the name holds a line break)");
    } else {
      bool exact = false;
      const std::string name = AnsiName(name_, exact);
      const auto leaveOut = [&](const char* why) {
        LeftOut.push_back(Location(path) + ": value \"" + ShownName(name) + "\" (" + why + ")");
      };
      if (!exact) return leaveOut("its name cannot be written in this code page");
      if (!IsRegFileName(name)) return leaveOut("the name holds a line break");
      if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return AppendValueEntry(out_, name, type, std::string_view(data, size));
      if (size % 2 != 0) return leaveOut("its text is an odd number of bytes, which a registration file cannot carry");
      if (!StoredTextExact(type, data, size)) return leaveOut("its text cannot be written in this code page");
      AppendValueEntry(out_, name, type, AnsiDataOf(type, data, size));
    }
  }

  REGSAM access_;
  std::string rootName_;
  S keyRoot_;
  TFileSink& sink_;
  S out_;
  std::wstring nameBuffer_ = std::wstring(256, L'\0'), name_;
  std::vector<char> data_ = std::vector<char>(4096);
};

// The name of a predefined root handle, or null.
const char* RootNameOf(HKEY root) {
  for (int i = 0; i < RootCount; ++i)
    if (RootToHkey(RootBase + i) == root) return RootNames[i];
  return nullptr;
}

TExportResult Failure(std::string message) {
  TExportResult result;
  result.Status = TExportStatus::Failed;
  result.Message = std::move(message);
  return result;
}

TExportResult WriteFailure(const std::string& fileName, DWORD error, bool existed) {
  return Failure("Could not write the file:\r\n" + fileName + "\r\n" + SystemErrorText(error) + "\r\n\r\n" +
                 (existed ? "The file was left as it was." : "No file was written."));
}

}  // namespace

TExportReadHook SetExportReadHook(TExportReadHook hook) {
  const TExportReadHook previous = g_readHook;
  g_readHook = hook;
  return previous;
}

TExportWriteHook SetExportWriteHook(TExportWriteHook hook) {
  const TExportWriteHook previous = g_writeHook;
  g_writeHook = hook;
  return previous;
}

TExportResult ExportKey(TVkReg& reg, const std::string& path, const std::string& fileName, TRegFileForm form) {
  const char* rootName = RootNameOf(reg.Root());
  if (!rootName) return Failure(ExportErrorText);  // no name to head the key lines with
  const std::string absolute = (path.empty() || path[0] == '\\') ? path : "\\" + path;
  // The exported key's own line could not be written: nothing to export.
  if (!IsRegFileName(absolute))
    return Failure(std::string(ExportErrorText) +
                   "\r\n\r\nThe key's name holds a line break, which a registration file cannot carry.");
  const HKEY top = reg.OpenKeyHandle(absolute);
  if (!top) return Failure(ExportErrorText);
  // The root itself belongs to the accessor; any other handle is the export's own.
  TVkKey ownedTop(top != reg.Root() && top != reg.CurrentKey() ? top : nullptr);

  // The temporary file goes into the target's folder, so that it can take the target's
  // place in one step.
  char full[MAX_PATH * 4] = "";
  char* namePart = nullptr;
  const DWORD fullLength = GetFullPathNameA(fileName.c_str(), sizeof full, full, &namePart);
  if (fileName.empty() || fullLength == 0 || fullLength >= sizeof full)
    return WriteFailure(fileName, fileName.empty() ? ERROR_INVALID_NAME : GetLastError(), false);
  const std::string target(full);
  const bool existed = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (IsReadOnlyFile(target) || IsDirectory(target)) return WriteFailure(fileName, ERROR_ACCESS_DENIED, existed);
  const std::string folder = target.substr(0, target.find_last_of('\\') + 1);
  // A side file named after the target; those left by an earlier crash go first.
  RemoveStaleSideFiles(target);
  const std::string sideFile = folder.empty() ? std::string() : CreateSideFile(target);
  if (sideFile.empty()) return WriteFailure(fileName, folder.empty() ? ERROR_PATH_NOT_FOUND : GetLastError(), existed);
  const char* const temp = sideFile.c_str();

  TExportResult result;
  DWORD error = ERROR_SUCCESS;
  {
    TVkFile file;
    file.reset(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
      error = GetLastError();
    } else {
      TFileSink sink(file.Handle());
      bool written = false;
      if (form == TRegFileForm::Unicode) {
        TExportWalk<std::u16string> walk(reg.Access, rootName, sink);
        walk.Append(RegFileHeader5);
        const std::wstring wide = WideFromAnsi(KeyLinePath(absolute));
        std::u16string keyPath(U16(wide));
        walk.Walk(top, keyPath);
        written = walk.Finish();
        result.LeftOut = std::move(walk.LeftOut);
      } else {
        TExportWalk<std::string> walk(reg.Access, rootName, sink);
        walk.Append(RegFileHeader);
        std::string keyPath = KeyLinePath(absolute);
        walk.Walk(top, keyPath);
        written = walk.Finish();
        result.LeftOut = std::move(walk.LeftOut);
      }
      if (!written || !FlushFileBuffers(file.Handle())) error = sink.Failed() ? sink.Error() : GetLastError();
    }
    if (error == ERROR_SUCCESS && !CloseHandle(file.release())) error = GetLastError();
  }
  if (error == ERROR_SUCCESS &&
      !MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    DeleteFileA(temp);
    return WriteFailure(fileName, error, existed);
  }
  if (result.LeftOut.empty()) {
    result.Status = TExportStatus::Complete;
    return result;
  }
  result.Status = TExportStatus::Incomplete;
  std::string text = "Not everything could be exported to the file:\r\n" + fileName + "\r\n\r\nLeft out:";
  for (std::size_t i = 0; i < result.LeftOut.size() && i < ShownItems; ++i) text += "\r\n" + result.LeftOut[i];
  if (result.LeftOut.size() > ShownItems)
    text += "\r\n... and " + std::to_string(result.LeftOut.size() - ShownItems) + " more";
  result.Message = std::move(text);
  return result;
}

TExportResult ExportKeyToFile(const std::string& fileName, RootKey root, const std::string& keyPath, TRegFileForm form) {
  TVkReg reg;
  reg.Access = KEY_READ;
  reg.SetRootKey(root);
  return ExportKey(reg, keyPath, fileName, form);
}

TExportStatus ShowExportResult(const TExportResult& result) {
  if (result.Status == TExportStatus::Incomplete) (void)ShowPlainMsg(result.Message, "Hivelark", MsgWarning);
  else if (result.Status == TExportStatus::Failed) (void)ShowPlainMsg(result.Message, "Hivelark", MsgError);
  return result.Status;
}
