#include "lib/VkFuncLib.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lib/VkDialogs.h"

HWND AppHandle = nullptr;

int ShowMsg(const std::string& text, const std::string& caption, unsigned flags) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      shown += "\r\n";
      ++i;
    } else {
      shown += text[i];
    }
  }
  return Interaction().Message(shown, caption, flags);
}

int ShowPlainMsg(const std::string& text, const std::string& caption, unsigned flags) {
  return Interaction().Message(text, caption, flags);
}

static std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

std::string ProgramFolder() {
  if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SetProgramFolder(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '\\' && f.back() != '/') f += '\\';
  ProgramFolderOverride() = f;
}

std::string FormatLocalFileTime(const FILETIME& ft) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return std::string();
  char date[128] = "", time[128] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
  return std::string(date) + " - " + time;
}

std::string SystemErrorText(DWORD code) {
  char text[512] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "Error " + std::to_string(code) + "." : s;
}

bool IsNtPlatform() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!GetVersionExA(&v)) return true;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// ---- Text with the locale's case rules ------------------------------------------------

std::string AnsiUpperCase(std::string_view text) {
  std::string upper(text);
  if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

int FindText(std::string_view text, std::string_view find, int from, bool caseSensitive, bool wholeWord) {
  if (find.empty() || from < 1) return -1;
  if (caseSensitive) return FindTextExact(text, find, from, wholeWord);
  return FindTextExact(AnsiUpperCase(text), AnsiUpperCase(find), from, wholeWord);
}

// ---- Files ----------------------------------------------------------------------------

TVkFile& TVkFile::operator=(TVkFile&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

std::int64_t TVkFile::Size() const {
  LARGE_INTEGER size;
  if (!IsOpen() || !GetFileSizeEx(handle_, &size)) return -1;
  return size.QuadPart;
}

void TVkFile::Close() { reset(INVALID_HANDLE_VALUE); }

void TVkFile::reset(HANDLE handle) {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = handle ? handle : INVALID_HANDLE_VALUE;
}

HANDLE TVkFile::release() {
  HANDLE h = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  return h;
}

namespace {

DWORD AttributesOf(const std::string& path) { return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str()); }

DWORD AccessOf(int fileMode) {
  switch (fileMode & 3) {
    case FileModeWrite:
      return GENERIC_WRITE;
    case FileModeReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
    default:
      return GENERIC_READ;
  }
}

DWORD ShareOf(int fileMode) {
  switch (fileMode & 0x70) {
    case FileShareExclusive:
      return 0;
    case FileShareDenyWrite:
      return FILE_SHARE_READ;
    case FileShareDenyRead:
      return FILE_SHARE_WRITE;
    case FileShareDenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:  // compatible: others may read (and write, while we only read)
      return (fileMode & 3) == FileModeRead ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  }
}

bool Seek(TVkFile& file, std::int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return file.IsOpen() && offset >= 0 && SetFilePointerEx(file.Handle(), to, nullptr, FILE_BEGIN);
}

// Reads up to count bytes at the current position; the number read.
std::size_t ReadSome(TVkFile& file, void* buffer, std::size_t count) {
  std::size_t total = 0;
  char* p = static_cast<char*>(buffer);
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(count - total > 0x40000000u ? 0x40000000u : count - total);
    DWORD got = 0;
    if (!ReadFile(file.Handle(), p + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

// Writes all count bytes at the current position.
bool WriteAll(TVkFile& file, const void* data, std::size_t count) {
  std::size_t total = 0;
  const char* p = static_cast<const char*>(data);
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(count - total > 0x40000000u ? 0x40000000u : count - total);
    DWORD put = 0;
    if (!WriteFile(file.Handle(), p + total, chunk, &put, nullptr) || put == 0) return false;
    total += put;
  }
  return true;
}

// The folder part of a path ("" when it names no folder).
std::string FolderOf(const std::string& path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

}  // namespace

bool IsFile(const std::string& path) {
  const DWORD a = AttributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD a = AttributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

bool IsDirectory(const std::string& path) {
  const DWORD a = AttributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t FileSizeByName(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool OpenFileForRead(const std::string& path, TVkFile& file, int fileMode) {
  file.Close();
  if (!IsFile(path)) return false;
  file.reset(CreateFileA(path.c_str(), AccessOf(fileMode), ShareOf(fileMode), nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsOpen();
}

bool OpenFileForWrite(const std::string& path, TVkFile& file, bool overwrite, int fileMode) {
  file.Close();
  if (path.empty()) return false;
  const bool exists = IsFile(path);
  if (exists && (!overwrite || IsReadOnlyFile(path))) return false;
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !IsDirectory(folder)) return false;
  if ((fileMode & 3) == FileModeRead) fileMode |= FileModeReadWrite;  // a file opened to write must be writable
  file.reset(CreateFileA(path.c_str(), AccessOf(fileMode), ShareOf(fileMode), nullptr,
                         exists ? TRUNCATE_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.IsOpen() && IsFile(path)) return true;
  file.Close();
  return false;
}

std::string ReadFileBlock(TVkFile& file, std::int64_t offset, int count, bool cutAtNul, bool wide) {
  std::int64_t n = wide ? 2 * static_cast<std::int64_t>(count) : count;
  const std::int64_t size = file.Size();
  if (size < 0) return std::string();
  if (offset + n > size) n = size - offset;
  if (offset < 0 || n <= 0 || !Seek(file, offset)) return std::string();
  std::string bytes(static_cast<std::size_t>(n), '\0');
  bytes.resize(ReadSome(file, bytes.data(), bytes.size()));
  std::string text;
  if (wide) {
    const int chars = static_cast<int>(bytes.size() / 2);
    std::vector<wchar_t> units(static_cast<std::size_t>(chars));
    if (chars > 0) std::memcpy(units.data(), bytes.data(), static_cast<std::size_t>(chars) * 2);
    const int ansi = chars > 0 ? WideCharToMultiByte(CP_ACP, 0, units.data(), chars, nullptr, 0, nullptr, nullptr) : 0;
    if (ansi > 0) {
      text.resize(static_cast<std::size_t>(ansi));
      WideCharToMultiByte(CP_ACP, 0, units.data(), chars, text.data(), ansi, nullptr, nullptr);
    }
  } else {
    text.swap(bytes);
  }
  if (cutAtNul) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
  }
  return text;
}

std::int64_t WriteFileBlock(TVkFile& file, std::int64_t offset, int length, std::string_view text) {
  if (offset < 0) return -1;
  const std::size_t n = length < 0 ? text.size() : static_cast<std::size_t>(length);
  std::string bytes(text.substr(0, n < text.size() ? n : text.size()));
  bytes.resize(n, '\0');
  if (!Seek(file, offset) || !WriteAll(file, bytes.data(), bytes.size())) return -1;
  return offset + static_cast<std::int64_t>(n);
}

std::uint32_t ReadFileNumber(TVkFile& file, std::int64_t offset, int length, bool bigEndian) {
  if (length < 1 || length > 4 || offset < 0) return 0;
  const std::int64_t size = file.Size();
  if (size < offset + length || !Seek(file, offset)) return 0;
  unsigned char bytes[4] = {0, 0, 0, 0};
  if (ReadSome(file, bytes, static_cast<std::size_t>(length)) != static_cast<std::size_t>(length)) return 0;
  std::uint32_t value = 0;
  for (int i = 0; i < length; ++i) {
    const int from = bigEndian ? length - 1 - i : i;
    value |= static_cast<std::uint32_t>(bytes[from]) << (8 * i);
  }
  return value;
}

std::int64_t WriteFileNumber(TVkFile& file, std::int64_t offset, int length, std::uint32_t value, bool bigEndian) {
  if (length < 1 || length > 4) return 0;
  if (offset < 0) return -1;
  unsigned char bytes[4];
  for (int i = 0; i < length; ++i) {
    const int to = bigEndian ? length - 1 - i : i;
    bytes[to] = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
  }
  if (!Seek(file, offset) || !WriteAll(file, bytes, static_cast<std::size_t>(length))) return -1;
  return offset + length;
}

int ReadFileBytes(TVkFile& file, std::int64_t offset, int count, void* buffer) {
  if (count <= 0 || !buffer || !Seek(file, offset)) return 0;
  return static_cast<int>(ReadSome(file, buffer, static_cast<std::size_t>(count)));
}

bool SaveTextToFile(const std::string& fileName, std::string_view text, bool overwrite) {
  TVkFile file;
  if (!OpenFileForWrite(fileName, file, overwrite, FileModeWrite)) return false;
  return WriteAll(file, text.data(), text.size());
}

namespace {
constexpr char SideMark[] = ".~hl";
constexpr char SideEnd[] = ".tmp";

std::string HexText(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(v));
  return text;
}

// Whether the process of this id still runs (a process that cannot be asked counts as running).
bool ProcessRuns(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool runs = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  CloseHandle(process);
  return runs;
}
}  // namespace

std::string CreateSideFile(const std::string& target) {
  static std::uint32_t counter = 0;
  const std::string stem = target + SideMark + HexText(GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string side = stem + HexText(counter++) + SideEnd;
    const HANDLE h = CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return side;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

void RemoveStaleSideFiles(const std::string& target) {
  const std::size_t slash = target.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string prefix = target.substr(folder.size()) + SideMark;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((target + SideMark + "*" + SideEnd).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    // Only names of the form <prefix><hex pid>-<hex count>.tmp are ours.
    const std::string name = data.cFileName;
    if (name.size() <= prefix.size() || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(),
                                                       static_cast<int>(prefix.size()), prefix.data(),
                                                       static_cast<int>(prefix.size())) != CSTR_EQUAL)
      continue;
    const std::string rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    const std::size_t end = rest.size() - (sizeof SideEnd - 1);
    if (dash == 0 || dash == std::string::npos || dash + 1 >= end || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        rest.find_first_not_of("0123456789abcdefABCDEF-") != end || rest.find('-', dash + 1) != std::string::npos)
      continue;
    const DWORD pid = static_cast<DWORD>(std::strtoul(rest.substr(0, dash).c_str(), nullptr, 16));
    if (pid == GetCurrentProcessId() || !ProcessRuns(pid)) DeleteFileA((folder + name).c_str());
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

bool ReplaceBySideFile(const std::string& side, const std::string& target) {
  bool ok = false;
  {
    TVkFile file;
    file.reset(CreateFileA(side.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    ok = file.IsOpen() && FlushFileBuffers(file.Handle());
  }
  ok = ok && MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(side.c_str());
  return ok;
}

// ---- Fonts ----------------------------------------------------------------------------

namespace {
int ScreenPixelsPerInch() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}
}  // namespace

HFONT CreateFontHandle(const TVkFont& font) {
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(font.Size, ScreenPixelsPerInch(), 72);
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.Italic ? TRUE : FALSE;
  lf.lfUnderline = font.Underline ? TRUE : FALSE;
  lf.lfStrikeOut = font.StrikeOut ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::size_t n = font.Name.size() < LF_FACESIZE - 1 ? font.Name.size() : LF_FACESIZE - 1;
  std::memcpy(lf.lfFaceName, font.Name.data(), n);
  lf.lfFaceName[n] = '\0';
  return CreateFontIndirectA(&lf);
}

TVkFont FontFromHandle(HFONT handle, std::uint32_t color) {
  TVkFont font;
  font.Color = color;
  LOGFONTA lf{};
  if (!handle || GetObjectA(handle, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return font;
  const char* faceEnd = std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, '\0');
  font.Name.assign(static_cast<const char*>(lf.lfFaceName), faceEnd);
  const int dpi = ScreenPixelsPerInch();
  int height = lf.lfHeight;
  if (height > 0) {
    // A positive height is the cell height: the character height leaves the internal leading out.
    HDC dc = GetDC(nullptr);
    if (dc) {
      HGDIOBJ old = SelectObject(dc, handle);
      TEXTMETRICA tm{};
      if (GetTextMetricsA(dc, &tm)) height = -(tm.tmHeight - tm.tmInternalLeading);
      SelectObject(dc, old);
      ReleaseDC(nullptr, dc);
    }
  }
  font.Size = MulDiv(height < 0 ? -height : height, 72, dpi);
  font.Bold = lf.lfWeight >= FW_BOLD;
  font.Italic = lf.lfItalic != 0;
  font.Underline = lf.lfUnderline != 0;
  font.StrikeOut = lf.lfStrikeOut != 0;
  return font;
}

HFONT CreateIconTitleFont() {
  LOGFONTA lf{};
  if (!SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) return nullptr;
  return CreateFontIndirectA(&lf);
}

// ---- Time, clipboard, shell -----------------------------------------------------------

double FileTimeToDateTime(std::uint64_t fileTime) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return 0;
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

bool ClipboardText(const std::string& text) {
  if (!OpenClipboard(AppHandle)) return false;
  bool placed = false;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
  if (memory) {
    if (void* p = GlobalLock(memory)) {
      std::memcpy(p, text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      EmptyClipboard();
      placed = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!placed) GlobalFree(memory);  // once placed, the memory belongs to the clipboard
  }
  CloseClipboard();
  return placed;
}

bool ReadClipboardText(std::string& text) {
  text.clear();
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(AppHandle)) return false;
  bool got = false;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text.assign(p, strnlen(p, GlobalSize(data)));
      GlobalUnlock(data);
      got = true;
    }
  }
  CloseClipboard();
  return got;
}

std::intptr_t ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
                        int showCommand) {
  HINSTANCE r = ShellExecuteA(AppHandle, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                              directory.empty() ? nullptr : directory.c_str(), showCommand);
  return reinterpret_cast<std::intptr_t>(r);
}
