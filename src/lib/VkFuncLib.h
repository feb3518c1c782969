#pragma once
// Platform conveniences of the program's library: the message box wrapper, the
// application window, the program folder, locale-aware text search, positioned file
// access, platform fonts, time, clipboard and shell. Pure text helpers are in VkText.h,
// the font value and its descriptor text in VkFont.h.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/VkFont.h"
#include "lib/VkText.h"

// The application's main window: owner of message boxes, the prompt and the clipboard.
extern HWND AppHandle;

// Message box flags in use.
constexpr unsigned MsgError = 16, MsgWarning = 48, MsgInfo = 64, MsgYesNo = 52;
constexpr int MsgResultOk = 1, MsgResultYes = 6, MsgResultNo = 7;

// Shows a message box (the two characters backslash and "n" become CR LF) and returns the
// button pressed.
int ShowMsg(const std::string& text, const std::string& caption = "Hivelark", unsigned flags = MsgError);
// The same with the text exactly as given, for messages that name a file or a key: a path
// holding "\n" (C:\new\...) must not break into lines.
int ShowPlainMsg(const std::string& text, const std::string& caption = "Hivelark", unsigned flags = MsgError);

// The folder of the program file, ending with "\"; settings, bookmarks, help and read-me
// live there. SetProgramFolder points it elsewhere (tests use a temporary folder).
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// Local file time as "short date - short time" in the user's locale.
std::string FormatLocalFileTime(const FILETIME& ft);

// True on the NT family of Windows (platform identifier 2).
bool IsNtPlatform();

// The platform's text for an error code without its line end; "Error N." when it has none.
std::string SystemErrorText(DWORD code);

// ---- Text with the locale's case rules ------------------------------------------------

// The text upper-cased by the locale's ANSI rule (CharUpperBuffA).
std::string AnsiUpperCase(std::string_view text);

// Position of the first occurrence of find at or after from; without caseSensitive both
// texts are upper-cased first (AnsiUpperCase); with wholeWord an occurrence counts only
// with no word letter (IsWordLetter) right before or after it. 0 when none, -1 when find
// is empty or from < 1.
int FindText(std::string_view text, std::string_view find, int from, bool caseSensitive, bool wholeWord);

// ---- Files ----------------------------------------------------------------------------

// File modes: access in the low bits, sharing in 0x70 (0 lets others read and write while
// we read, and read while we write).
constexpr int FileModeRead = 0, FileModeWrite = 1, FileModeReadWrite = 2;
constexpr int FileShareExclusive = 0x10, FileShareDenyWrite = 0x20, FileShareDenyRead = 0x30,
              FileShareDenyNone = 0x40;

// An open file addressed by byte offset; closed by its destructor. Move-only.
class TVkFile {
 public:
  TVkFile() = default;
  ~TVkFile() { Close(); }
  TVkFile(TVkFile&& other) noexcept : handle_(other.release()) {}
  TVkFile& operator=(TVkFile&& other) noexcept;
  TVkFile(const TVkFile&) = delete;
  TVkFile& operator=(const TVkFile&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  // The size in bytes; -1 when the file is not open.
  std::int64_t Size() const;
  void Close();
  // Takes a handle over (closing the one held) / hands the handle over.
  void reset(HANDLE handle);
  HANDLE release();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The path exists and is not a directory.
bool IsFile(const std::string& path);
// IsFile and the read-only attribute is set.
bool IsReadOnlyFile(const std::string& path);
// The path exists and is a directory.
bool IsDirectory(const std::string& path);
// The size of the first match of FindFirstFileA; -1 when nothing matches.
std::int64_t FileSizeByName(const std::string& path);

// Opens an existing file (not a directory) for reading at offset 0; false otherwise.
[[nodiscard]] bool OpenFileForRead(const std::string& path, TVkFile& file, int fileMode = FileModeRead);
// Opens a file for writing, cut to length 0 when it exists, created when not. False when it
// exists and overwrite is clear, when it is read-only, or when its folder does not exist.
[[nodiscard]] bool OpenFileForWrite(const std::string& path, TVkFile& file, bool overwrite,
                                    int fileMode = FileModeReadWrite);

// count bytes at offset (count 16-bit characters with wide, converted from UTF-16 LE to
// ANSI), as far as the file reaches; empty for a negative offset or count. cutAtNul cuts
// the text before its first NUL.
std::string ReadFileBlock(TVkFile& file, std::int64_t offset, int count, bool cutAtNul, bool wide);
// Writes text at offset as exactly length bytes (cut, or padded with NUL; a negative length
// is the text's length) and returns the next offset, offset + length. -1 when offset is
// negative or the write fails (so a chain of writes stops at the first failure).
std::int64_t WriteFileBlock(TVkFile& file, std::int64_t offset, int length, std::string_view text);
// A number of length 1..4 bytes at offset, little-endian or, with bigEndian, big-endian;
// 0 for a bad length or when fewer than length bytes lie at offset.
std::uint32_t ReadFileNumber(TVkFile& file, std::int64_t offset, int length, bool bigEndian);
// Writes the low length (1..4) bytes of value at offset and returns offset + length;
// 0 for a bad length (nothing written), -1 for a negative offset or a failed write.
std::int64_t WriteFileNumber(TVkFile& file, std::int64_t offset, int length, std::uint32_t value, bool bigEndian);
// Reads up to count bytes at offset into buffer; returns the number read (0 on bad
// arguments).
int ReadFileBytes(TVkFile& file, std::int64_t offset, int count, void* buffer);

// Writes text byte for byte, with nothing added, to a new or truncated file. False when the
// file exists and overwrite is clear, or when it cannot be written.
[[nodiscard]] bool SaveTextToFile(const std::string& fileName, std::string_view text, bool overwrite);

// Replacing a file in one step: its next version is written into a side file in the same
// folder, flushed, and moved over it, so that a crash, a kill or a full disk leaves either
// the old file or the new one, whole. A side file is named target + ".~hl" + the process id
// and a count in hexadecimal + ".tmp" ("Hivelark.ini.~hl1f4-0.tmp") and is made new, so it
// never meets a file that was there.
// A new empty side file of target; "" when none can be made (folder missing or read-only).
std::string CreateSideFile(const std::string& target);
// Removes the side files of target that no save is writing: those of processes that have
// ended (a crash or a kill left them) and earlier ones of this process.
void RemoveStaleSideFiles(const std::string& target);
// Flushes side to the disk and moves it over target; on failure side is removed and
// target left as it was.
[[nodiscard]] bool ReplaceBySideFile(const std::string& side, const std::string& target);

// ---- Fonts ----------------------------------------------------------------------------

// The platform font of a font value (its colour is for the caller to apply); the caller
// owns the handle (DeleteObject).
HFONT CreateFontHandle(const TVkFont& font);
// The font value of a platform font, with the given colour.
TVkFont FontFromHandle(HFONT font, std::uint32_t color = ClWindowText);
// The system's icon title font (SystemParametersInfoA, SPI_GETICONTITLELOGFONT); the caller
// owns the handle. Null when the system does not answer.
HFONT CreateIconTitleFont();

// ---- Time, clipboard, shell -----------------------------------------------------------

// A file time (100 ns since 1601, UTC) as the program's date-time value; 0 when it cannot
// be converted.
double FileTimeToDateTime(std::uint64_t fileTime);

// Puts text on the clipboard as CF_TEXT (owner AppHandle), replacing its contents. False
// when the clipboard could not be opened or the text not be placed.
bool ClipboardText(const std::string& text);
// The plain text on the clipboard; false when it holds none.
bool ReadClipboardText(std::string& text);

// ShellExecuteA with the default verb and AppHandle as owner; the platform's result
// (above 32 on success).
std::intptr_t ShellOpen(const std::string& file, const std::string& parameters = std::string(),
                        const std::string& directory = std::string(), int showCommand = SW_SHOWNORMAL);
