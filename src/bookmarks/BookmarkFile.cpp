#include "bookmarks/BookmarkFile.h"

#include <windows.h>

#include <algorithm>

#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"

bool AddBookmark(TBookMarks& list, std::uint32_t root, int type, const std::string& keyPath,
                 const std::string& valueName, const std::string& comment) {
  if (IsDuplicateBookmark(list, root, type, keyPath, valueName)) {
    ShowMsg("Cannot add a bookmark item more than once!", "Hivelark", MsgError);
    return false;
  }
  list.push_back(MakeBookmark(root, type, keyPath, valueName, comment));
  return true;
}

bool LoadBookmarkFile(const std::string& fileName, TBookMarks& list) {
  if (!IsFile(fileName)) return false;
  TVkFile file;
  if (!OpenFileForRead(fileName, file, FileModeRead)) return false;
  const std::int64_t size = file.Size();
  // The format holds at most 65535 items of 770 bytes each: anything beyond is not read.
  const std::int64_t wanted = std::min<std::int64_t>(size, BookmarkHeaderSize + 65535LL * 770);
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(wanted, 0)), '\0');
  if (!bytes.empty()) bytes.resize(static_cast<std::size_t>(ReadFileBytes(file, 0, static_cast<int>(bytes.size()), bytes.data())));
  file.Close();
  const TBookmarkDecode decoded = DecodeBookmarks(bytes, list);
  if (!decoded.Accepted)
    ShowMsg("Invalid bookmark file!\r\nBookmark Version: " + VersionText(decoded.Version), "Hivelark", MsgError);
  return decoded.Accepted;
}

namespace {

// The temporary files of a save are named "<target>.~hl<8 hex digits>.tmp": a name that is
// created new, so it never replaces a file of the user's.
constexpr char TempMark[] = ".~hl";

// Removes the temporary files of earlier saves of the target that a crash left behind.
void RemoveStaleTemps(const std::string& fileName) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((fileName + TempMark + "*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  const std::string folder = fileName.substr(0, fileName.find_last_of("\\/:") + 1);
  const std::string base = fileName.substr(folder.size());
  do {
    const std::string name = found.cFileName;
    const std::size_t digits = base.size() + sizeof TempMark - 1;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() != digits + 8 + 4 ||
        !SameTextAscii(name.substr(0, base.size()), base) ||
        name.find_first_not_of("0123456789ABCDEF", digits) != digits + 8)
      continue;
    DeleteFileA((folder + name).c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

// Creates a new temporary file beside the target; its name is returned in temp.
HANDLE CreateTemp(const std::string& fileName, std::string& temp) {
  DWORD number = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int tries = 0; tries < 64; ++tries, number = number * 1103515245u + 12345u) {
    char digits[9];
    wsprintfA(digits, "%08lX", static_cast<unsigned long>(number));
    temp = fileName + TempMark + digits + ".tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteWhole(HANDLE h, const std::string& bytes) {
  TVkFile file;
  file.reset(h);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return FlushFileBuffers(h) != 0;
}

// A message that names a file: shown as it is, since ShowMsg would turn a "\n" inside a
// path (C:\new\...) into a line break.
void Report(const std::string& text, unsigned flags) { (void)ShowPlainMsg(text, "Hivelark", flags); }

}  // namespace

bool SaveBookmarkFile(const std::string& fileName, const TBookMarks& list) {
  const TBookmarkEncode encoded = EncodeBookmarks(list);
  std::string temp;
  DWORD error = ERROR_SUCCESS;
  const bool readOnly = IsReadOnlyFile(fileName);
  if (!readOnly) RemoveStaleTemps(fileName);
  HANDLE h = readOnly ? INVALID_HANDLE_VALUE : CreateTemp(fileName, temp);
  if (readOnly) {
    error = ERROR_ACCESS_DENIED;
  } else if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
  } else if (!WriteWhole(h, encoded.Bytes)) {
    error = GetLastError();
    DeleteFileA(temp.c_str());
  } else if (!MoveFileExA(temp.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    DeleteFileA(temp.c_str());
  }
  if (error != ERROR_SUCCESS) {
    std::string text = "The bookmark file could not be written:\r\n" + fileName;
    text += "\r\n" + SystemErrorText(error);
    Report(text, MsgError);
    return false;
  }
  if (encoded.LeftOut > 0)
    Report(std::to_string(encoded.LeftOut) +
               (encoded.LeftOut == 1 ? " bookmark item did not fit into the bookmark file and was left out "
                                     : " bookmark items did not fit into the bookmark file and were left out ") +
               "(a key path or value name longer than 255 characters, or more than 65535 items):\r\n" + fileName,
           MsgWarning);
  return true;
}
