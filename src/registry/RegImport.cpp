// The registration file import: the file read in blocks, twice (check and count, then
// write), each operation carried out through the accessor as soon as it is parsed.
#include "registry/RegImport.h"

#include <windows.h>

#include <cctype>
#include <unordered_set>

#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"
#include "registry/VkRegistry.h"

namespace {

constexpr DWORD BlockSize = 1u << 18;  // bytes read at a time
constexpr std::size_t ShownItems = 10;  // failures named in the message

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = StoredOfUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// A name read exactly, as the messages show it (marked where the code page cannot spell it).
std::string Shown(const TRegOp& op, const std::string& name) {
  if (!op.Exact) return name;
  bool exact = false;
  return AnsiName(Wide(name), exact);
}

std::string KeyLocation(const TRegOp& op) {
  return std::string(RootName(RootBase + static_cast<RootKey>(op.Root))) +
         (op.Path.empty() ? "" : "\\" + Shown(op, op.Path));
}

// Feeds the file to the parser block by block; "" or the reason the file could not be read.
// stamp is filled with the file's size and last write time; with expected, a file whose stamp
// differs is not read.
std::string ReadThrough(const std::string& fileName, TRegFileParser& parser, const TImportProgress& progress,
                        TFileStamp& stamp, const TFileStamp* expected = nullptr) {
  TVkFile file;
  file.reset(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsOpen()) return SystemErrorText(GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.Handle(), &info)) return SystemErrorText(GetLastError());
  stamp.Size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  stamp.WriteTime = static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
  if (expected && (expected->Size != stamp.Size || expected->WriteTime != stamp.WriteTime))
    return "The file changed after it was checked.";
  const std::uint64_t total = stamp.Size;
  std::string block(BlockSize, '\0');
  std::uint64_t done = 0;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Handle(), block.data(), BlockSize, &n, nullptr)) return SystemErrorText(GetLastError());
    if (n == 0) break;
    done += n;
    const bool fed = parser.Feed(std::string_view(block.data(), n));
    if (progress) progress(done, total);
    if (!fed) return std::string();
  }
  (void)parser.Finish();
  return std::string();
}

TImportResult Refusal(const std::string& fileName, const TRegFileParser& parser, const std::string& readError) {
  TImportResult r;
  r.Status = TImportStatus::Refused;
  if (!readError.empty()) {
    r.Message = "Could not read the file:\r\n" + fileName + "\r\n" + readError + "\r\n\r\nNothing was imported.";
  } else if (parser.NotRegFile()) {
    r.NotRegFile = true;
    r.Message = "The file is not a registration file:\r\n" + fileName +
                "\r\n\r\nIt does not start with \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"."
                "\r\n\r\nNothing was imported.";
  } else {
    r.ErrorLine = parser.ErrorLine();
    // A fault of the whole file is a sentence of its own, a fault of a line follows its number.
    std::string reason = parser.Error();
    if (r.ErrorLine > 0) reason = "Line " + std::to_string(r.ErrorLine) + ": " + reason;
    else if (!reason.empty()) reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    r.Message = "The registration file cannot be imported:\r\n" + fileName + "\r\n\r\n" + reason +
                ".\r\n\r\nNothing was written.";
  }
  return r;
}

// A 64-bit hash of the root and the path with ASCII case folded (the registry compares key
// names without regard to case), so that counting different keys holds no key names.
std::uint64_t KeyHash(int root, const std::string& path) {
  std::uint64_t h = 14695981039346656037ull ^ static_cast<std::uint64_t>(root);
  for (char c : path) {
    const unsigned char b = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    h = (h ^ b) * 1099511628211ull;
  }
  return h;
}

// The second reading's work: each operation carried out as it comes.
class TApply {
 public:
  TImportResult Result;
  std::size_t Done = 0;  // operations carried out or failed

  bool Do(const TRegOp& op) {
    ++Done;
    if (op.Exact) return DoExact(op);
    switch (op.Kind) {
      case TRegOpKind::Key:
        key_ = KeyLocation(op);
        keyLine_ = op.Line;
        reg_.SetRootKey(RootBase + static_cast<RootKey>(op.Root));
        keyOpen_ = false;
        if (!op.Problem.empty()) Fail(key_, op.Line, op.Problem);
        else if (!reg_.OpenKey(op.Path.empty() ? "\\" : "\\" + op.Path, true))
          Fail(key_, op.Line, "the key could not be created or opened");
        else keyOpen_ = true;
        return true;
      case TRegOpKind::DeleteKey:
        keyOpen_ = false;
        reg_.SetRootKey(RootBase + static_cast<RootKey>(op.Root));
        if (!op.Problem.empty()) Fail(KeyLocation(op), op.Line, op.Problem);
        else if (!reg_.DeleteKey("\\" + op.Path)) Fail(KeyLocation(op), op.Line, "the key could not be deleted");
        return true;
      case TRegOpKind::SetValue:
      case TRegOpKind::DeleteValue:
        break;
    }
    const std::string what = key_ + ": value \"" + ShownName(op.Name) + "\"";
    if (!keyOpen_) {
      Fail(what, op.Line, "its key (line " + std::to_string(keyLine_) + ") could not be written");
    } else if (!op.Problem.empty()) {
      Fail(what, op.Line, op.Problem);
    } else if (op.Kind == TRegOpKind::SetValue) {
      if (!reg_.WriteData(op.Name, op.Data.data(), op.Type, static_cast<DWORD>(op.Data.size())))
        Fail(what, op.Line, "it could not be written");
    } else if (!reg_.DeleteValue(op.Name) && reg_.ValueExists(op.Name)) {
      Fail(what, op.Line, "it could not be deleted");
    }
    return true;
  }

 private:
  // An operation read exactly: keys and values reached by their stored names with the wide
  // calls, data written byte for byte.
  bool DoExact(const TRegOp& op) {
    const HKEY root = RootToHkey(RootBase + static_cast<RootKey>(op.Root));
    const std::wstring path = Wide(op.Path);
    switch (op.Kind) {
      case TRegOpKind::Key: {
        key_ = KeyLocation(op);
        keyLine_ = op.Line;
        keyOpen_ = false;
        CloseOwned();
        current_ = root;
        if (!path.empty() && RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                                             owned_.out(), nullptr) != ERROR_SUCCESS)
          Fail(key_, op.Line, "the key could not be created or opened");
        else keyOpen_ = true;
        if (keyOpen_ && owned_.get()) current_ = owned_.get();
        return true;
      }
      case TRegOpKind::DeleteKey: {
        keyOpen_ = false;
        CloseOwned();
        const std::size_t cut = path.rfind(L'\\');
        const std::wstring parentPath = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
        TVkKey parent;
        LONG r = parentPath.empty() ? ERROR_SUCCESS
                                    : RegOpenKeyExW(root, parentPath.c_str(), 0, KEY_ALL_ACCESS, parent.out());
        if (r == ERROR_SUCCESS)
          r = RegDeleteTreeW(parent.get() ? parent.get() : root, path.c_str() + (cut == std::wstring::npos ? 0 : cut + 1));
        if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) Fail(KeyLocation(op), op.Line, "the key could not be deleted");
        return true;
      }
      case TRegOpKind::SetValue:
      case TRegOpKind::DeleteValue:
        break;
    }
    const std::wstring name = Wide(op.Name);
    const std::string what = key_ + ": value \"" + ShownName(Shown(op, op.Name)) + "\"";
    if (!keyOpen_) {
      Fail(what, op.Line, "its key (line " + std::to_string(keyLine_) + ") could not be written");
    } else if (op.Kind == TRegOpKind::SetValue) {
      if (WriteStoredValue(current_, name, op.Type, op.Data.data(), static_cast<DWORD>(op.Data.size())) != ERROR_SUCCESS)
        Fail(what, op.Line, "it could not be written");
    } else {
      const LONG r = RegDeleteValueW(current_, name.c_str());
      if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) Fail(what, op.Line, "it could not be deleted");
    }
    return true;
  }

  void CloseOwned() { TVkKey closing(owned_.release()); }

  void Fail(const std::string& what, std::size_t line, const std::string& why) {
    ++Result.Failed;
    if (Result.Failures.size() < ShownItems)
      Result.Failures.push_back(what + " (line " + std::to_string(line) + ": " + why + ")");
  }

  TVkReg reg_;
  TVkKey owned_;             // the key of exact operations, when it is not a root
  HKEY current_ = nullptr;   // the key exact values go to
  std::string key_;
  std::size_t keyLine_ = 0;
  bool keyOpen_ = false;
};

}  // namespace

bool Utf16ToAnsi(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  const int n = static_cast<int>(text.size());
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  const int size = WideCharToMultiByte(CP_ACP, flags, w, n, nullptr, 0, nullptr, used);
  if (size <= 0) return false;
  out.resize(static_cast<std::size_t>(size));
  usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, flags, w, n, out.data(), size, nullptr, used) != size) return false;
  if (usedDefault) return false;
  if (utf8) {  // a lone surrogate has no spelling: it would come back as another character
    const int back = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, out.data(), size, nullptr, 0);
    if (back != n) return false;
  }
  return true;
}

TImportResult CheckRegFile(const std::string& fileName, TImportPlan& plan, const TImportProgress& progress) {
  plan = TImportPlan();
  std::unordered_set<std::uint64_t> keys;
  const auto count = [&](const TRegOp& op) {
    const auto touch = [&] {
      if (op.Problem.empty())
        plan.Touched.push_back({op.Kind, op.Root, op.Exact ? Wide(op.Path) : WideFromAnsi(op.Path),
                                op.Exact ? Wide(op.Name) : WideFromAnsi(op.Name)});
    };
    switch (op.Kind) {
      case TRegOpKind::Key:
        if (keys.insert(KeyHash(op.Root, op.Path)).second) {
          ++plan.KeysWritten;
          touch();
        }
        break;
      case TRegOpKind::DeleteKey:
        ++plan.KeysDeleted;
        keys.erase(KeyHash(op.Root, op.Path));  // written again after the deletion: counted again
        touch();
        break;
      case TRegOpKind::SetValue:
        ++plan.ValuesWritten;
        touch();
        break;
      case TRegOpKind::DeleteValue:
        ++plan.ValuesDeleted;
        touch();
        break;
    }
    plan.Roots |= 1u << op.Root;
    return true;
  };
  TRegFileParser parser(Utf16ToAnsi, count, true);
  const std::string readError = ReadThrough(fileName, parser, progress, plan.Stamp);
  plan.Kind = parser.Kind();
  if (!readError.empty() || parser.Failed()) return Refusal(fileName, parser, readError);
  TImportResult r;
  r.Status = TImportStatus::Complete;
  return r;
}

TImportResult ImportRegFile(const std::string& fileName, const TImportProgress& progress, const TImportPlan* checked) {
  TApply apply;
  TRegFileParser parser(Utf16ToAnsi, [&apply](const TRegOp& op) { return apply.Do(op); }, true);
  TFileStamp stamp;
  const std::string readError = ReadThrough(fileName, parser, progress, stamp, checked ? &checked->Stamp : nullptr);
  const bool readWhole = readError.empty() && !parser.Failed();
  // Nothing was carried out when the file could not be read from its start.
  if (!readWhole && apply.Done == 0) return Refusal(fileName, parser, readError);
  TImportResult r = std::move(apply.Result);
  if (readWhole && r.Failed == 0) {
    r.Status = TImportStatus::Complete;
    return r;
  }
  r.Status = TImportStatus::Incomplete;
  std::string text = "Not everything could be imported from the file:\r\n" + fileName;
  if (!readWhole)
    text += "\r\n\r\nThe file could not be read to its end (it may have changed meanwhile): " +
            (readError.empty() ? "line " + std::to_string(parser.ErrorLine()) + ": " + parser.Error() + "."
                               : readError);
  if (r.Failed > 0) {
    text += "\r\n\r\n" + Count(r.Failed, "key or value", "keys and values") + " could not be written or deleted:";
    for (const std::string& f : r.Failures) text += "\r\n" + f;
    if (r.Failed > r.Failures.size()) text += "\r\n... and " + std::to_string(r.Failed - r.Failures.size()) + " more";
  }
  text += readWhole ? "\r\n\r\nEverything else was imported." : "\r\n\r\nWhat came before was imported.";
  r.Message = std::move(text);
  return r;
}

std::string ImportQuestion(const std::string& fileName, const TImportPlan& plan) {
  std::string text = "Import the registration file\r\n" + fileName + "\r\ninto the registry?\r\n\r\n";
  text += "It creates or writes into " + Count(plan.KeysWritten, "key", "keys") + " and writes " +
          Count(plan.ValuesWritten, "value", "values") + ".";
  if (plan.Deletes())
    text += "\r\nIt deletes " + Count(plan.KeysDeleted, "key", "keys") +
            (plan.KeysDeleted == 1 ? " with everything below it" : " with everything below them") + " and " +
            Count(plan.ValuesDeleted, "value", "values") + ".";
  std::string roots;
  for (int i = 0; i < RootCount; ++i)
    if (plan.Roots & (1u << i)) roots += (roots.empty() ? "" : ", ") + std::string(RootNames[i]);
  if (!roots.empty()) text += "\r\n\r\nUnder: " + roots;
  return text;
}
