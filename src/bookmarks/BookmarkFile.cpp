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

bool WriteWhole(const std::string& fileName, const std::string& bytes) {
  HANDLE h = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
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
  const std::string temp = fileName + ".tmp";
  DWORD error = ERROR_SUCCESS;
  if (IsReadOnlyFile(fileName)) {
    error = ERROR_ACCESS_DENIED;
  } else if (!WriteWhole(temp, encoded.Bytes)) {
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
    Report(std::to_string(encoded.LeftOut) + (encoded.LeftOut == 1 ? " bookmark item" : " bookmark items") +
                " did not fit into the bookmark file and were left out "
                "(a key path or value name longer than 255 characters, or more than 65535 items):\r\n" +
                fileName,
           MsgWarning);
  return true;
}
