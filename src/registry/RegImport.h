#pragma once
// The registration file import: a first reading checks the whole file and counts what it
// would change (nothing is written); a second reading writes it with exactly the bytes the
// file describes: REGEDIT4 files through TVkReg, 5.00 files by the stored names with the wide
// calls (see RegNames.h). Both read the file in blocks (text forms in RegFileParse.h).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "registry/RegFileParse.h"

// The size and last write time of a file, to tell whether it changed between two readings.
struct TFileStamp {
  std::uint64_t Size = 0;
  std::uint64_t WriteTime = 0;
};

// A key or value the import writes or deletes, as stored (for the undo journal).
struct TImportTouch {
  TRegOpKind Kind = TRegOpKind::Key;
  int Root = 0;
  std::wstring Path;
  std::wstring Name;
};

// What a file would change, counted by the first reading.
struct TImportPlan {
  TFileStamp Stamp;               // of the file as it was checked
  TRegFileKind Kind = TRegFileKind::Unknown;
  std::size_t KeysWritten = 0;    // different keys created or written into
  std::size_t ValuesWritten = 0;
  std::size_t KeysDeleted = 0;    // each with everything below it
  std::size_t ValuesDeleted = 0;
  unsigned Roots = 0;             // bit i: root index i is touched
  std::vector<TImportTouch> Touched;  // in the file's order, keys once each
  bool Deletes() const { return KeysDeleted + ValuesDeleted > 0; }
  bool Empty() const { return KeysWritten + ValuesWritten + KeysDeleted + ValuesDeleted == 0; }
};

enum class TImportStatus {
  Complete,    // everything the file describes was done
  Incomplete,  // the rest was done; Failures names what could not be
  Refused,     // nothing was written: the file cannot be read, is no registration file or is wrong
};

struct TImportResult {
  TImportStatus Status = TImportStatus::Refused;
  bool NotRegFile = false;
  std::size_t ErrorLine = 0;          // of a syntax error, else 0
  std::string Message;                // for the user, "" when complete
  std::size_t Failed = 0;             // keys and values that could not be written or deleted
  std::vector<std::string> Failures;  // the first of them, one location text each
};

// Told after every block read: the bytes read so far and the file's size.
using TImportProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Reads and checks the whole file and counts what it would change; writes nothing.
TImportResult CheckRegFile(const std::string& fileName, TImportPlan& plan, const TImportProgress& progress = {});
// Reads the file again and carries it out: a key or value that cannot be written or deleted
// is counted and named, and the import goes on with the rest. With the plan of the check, a
// file that changed since is refused and nothing is written.
TImportResult ImportRegFile(const std::string& fileName, const TImportProgress& progress = {},
                            const TImportPlan* checked = nullptr);

// The confirmation shown before anything is written.
std::string ImportQuestion(const std::string& fileName, const TImportPlan& plan);

// The ANSI code page spelling of UTF-16 text; false when a character has no exact spelling.
bool Utf16ToAnsi(std::u16string_view text, std::string& out);
