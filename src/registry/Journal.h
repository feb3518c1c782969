#pragma once
// The undo journal. Before a command changes the registry it records what it is about to
// replace: every value it will overwrite or delete (stored name, type and bytes), every key
// it will delete (the whole tree below it, as stored) and every key or value it will create
// (so that an undo can remove it again). The record is on disk before the command writes
// anything; afterwards the record gets the state the command left, so that an undo can tell
// what changed since.
//
// The journal is a folder beside the program ("Journal"), one file per change, named by a
// sequence number ("0000000000000001.hlj", larger is newer). A file is written to a side
// file and moved into place when whole. Its form: the magic "HLJOURNL", a version, the
// header (time, command, caption, location, counts), the items, a CRC-32 of all that; then,
// once the command has run, the after section ("AFTR", one state per item, its own CRC-32).
// Names are UTF-16 as stored, so every name and byte comes back exactly.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "registry/VkRegistry.h"

// The journal's limits, from section "Journal" of Hivelark.ini.
struct TJournalLimits {
  bool Enabled = true;
  std::uint64_t MaxBytes = 64ull << 20;  // all records together; the oldest go first
  int MaxChanges = 200;
};

// One record as the history lists it.
struct TJournalEntry {
  std::string File;           // full path of the record
  std::uint64_t Sequence = 0; // from its name; larger is newer
  std::uint64_t FileSize = 0;
  bool Damaged = false;       // never applied
  std::string Problem;        // why it is damaged
  FILETIME Time{};            // when it was recorded (UTC)
  std::string Command;        // "Delete"
  std::string Caption;        // "Delete of 3 items": the Undo menu item names it
  RootKey Root = 0;           // where the command ran
  std::string Location;       // the key path there, "\A\B\" (marked where the code page cannot spell it)
  std::uint32_t Keys = 0;     // keys and values the record holds (created ones included)
  std::uint32_t Values = 0;
  std::uint64_t DataBytes = 0;
};

// The journal folder and its limits. One object serves the program (ChangeJournal()).
class TJournal {
 public:
  // ProgramFolder() + "Journal\" unless set (tests point it elsewhere).
  std::string Folder() const;
  void SetFolder(const std::string& folder) { folder_ = folder; }
  TJournalLimits Limits;

  // Every record, oldest first; damaged ones are listed with their problem. With headersOnly
  // the files are not checked whole (fast: the Undo menu item), so Damaged is set only for a
  // file whose header cannot be read.
  std::vector<TJournalEntry> List(bool headersOnly = false) const;
  // The newest record that reads whole (damaged ones are skipped); false when there is none.
  bool Newest(TJournalEntry& entry) const;
  // Deletes the record's file; false when it could not be deleted.
  bool Remove(const TJournalEntry& entry) const;
  // Removes the oldest records until the limits hold; keep (a sequence number) is never removed.
  void Trim(std::uint64_t keep) const;
  // Creates the folder when missing; "" or the reason it cannot be used.
  std::string Prepare() const;

 private:
  std::string folder_;
};
TJournal& ChangeJournal();

// One recorded item: a value, or a key with the whole tree below it, as it was before the
// command (Existed false: the command created it), and as the command left it.
struct TJournalItem {
  bool IsKey = false;
  RootKey Root = 0;
  std::wstring Path;     // the key path below the root as stored, without "\" at either end
  std::wstring Name;     // a value's stored name
  bool Existed = false;  // before the command
  DWORD Type = 0;        // a value's type
  std::string Bytes;     // a value's bytes, or a key's tree in the record's tree form
  enum TAfter : std::uint8_t { AfterUnknown = 0, AfterAbsent = 1, AfterHash = 2 } After = AfterUnknown;
  std::uint64_t Hash = 0;  // of the item as the command left it (AfterHash)
};

// What a command is about to change, recorded before it changes anything:
//
//   TJournalRecorder record("Delete", root, keyPath);
//   record.Value(root, keyPath, name);   // or Key(...), CopyTarget(...)
//   if (!record.Commit()) return;        // told the user why; nothing may be changed
//   ... change the registry ...
//   record.Finish();
//
// Paths are ANSI key paths below the root ("\A\B\" or "A\B"), names are ANSI names; the wide
// forms take stored names. The recorder reads what it records when Commit writes the record,
// before the command changes anything (many items by a few threads at once). With the
// journal switched off every call does nothing and Commit is true.
class TJournalRecorder {
 public:
  TJournalRecorder(std::string command, RootKey root, std::string location);
  ~TJournalRecorder();
  TJournalRecorder(const TJournalRecorder&) = delete;
  TJournalRecorder& operator=(const TJournalRecorder&) = delete;

  // A value that the command writes, renames or deletes (created when it does not exist).
  void Value(RootKey root, const std::string& keyPath, const std::string& name);
  void Value(RootKey root, const std::wstring& keyPath, const std::wstring& name);
  // A key that the command deletes, creates or replaces: the whole tree below it.
  void Key(RootKey root, const std::string& keyPath);
  void Key(RootKey root, const std::wstring& keyPath);
  // A key that the command creates with the keys above it that are missing: the first missing
  // one is recorded (an undo removes it whole); nothing when the key exists.
  void CreatedKey(RootKey root, const std::string& keyPath);
  void CreatedKey(RootKey root, const std::wstring& keyPath);
  // The target of a key copy (or move) from source: the keys the copy creates, and the target
  // values it overwrites or creates; what the copy does not touch is not read.
  void CopyTarget(RootKey sourceRoot, const std::string& source, RootKey targetRoot, const std::string& target);
  // The caption the Undo menu item shows ("Delete of 3 items"); the command's name by default.
  void SetCaption(std::string caption) { caption_ = std::move(caption); }

  // Writes the record. False, after telling the user why (and how to switch the journal off),
  // when it could not be written whole: the command must then change nothing.
  [[nodiscard]] bool Commit();
  // The command has run: the record gets the state the command left. A record of a command
  // that changed nothing is removed again. Nothing when Commit was not called or failed.
  void Finish();
  // Whether anything is recorded (false with the journal off).
  bool Active() const { return active_; }

 private:
  struct TIndex;
  bool Covered(RootKey root, const std::wstring& path, const std::wstring* value) const;
  void CopyWalk(HKEY source, RootKey targetRoot, const std::wstring& target, HKEY targetKey);

  std::string command_, caption_, location_;
  RootKey root_;
  bool active_ = false;
  bool committed_ = false;
  std::vector<TJournalItem> items_;
  std::unique_ptr<TIndex> index_;
  TJournalEntry header_;
  std::string file_;
  std::uint64_t sequence_ = 0;
};

// A record's caption: "<command> of "<name>"" for one item, "<command> of <n> items" for more.
std::string ChangeCaption(const std::string& command, std::size_t count, const std::string& name);

// Calls Finish on every way out of a command.
class TJournalFinish {
 public:
  explicit TJournalFinish(TJournalRecorder& record) : record_(record) {}
  ~TJournalFinish() { record_.Finish(); }
  TJournalFinish(const TJournalFinish&) = delete;
  TJournalFinish& operator=(const TJournalFinish&) = delete;

 private:
  TJournalRecorder& record_;
};

// The outcome of an undo, for the pane: where to go and which row to select.
struct TUndoResult {
  enum TStatus { Restored, Cancelled, Partial, Refused } Status = Refused;
  RootKey Root = 0;
  std::string Location;  // the record's key path
  std::string Focus;     // the name of the first restored item directly in Location, or ""
  int FocusKind = -1;    // 0 a key, 1 a value
};
// Undoes the record: checks first what changed since it was made (and asks, listing it; No
// changes nothing), then restores every item exactly. The record is removed when everything
// was restored; an undo that could not restore everything says what was and what was not,
// and keeps the record. A damaged record is refused with its problem.
TUndoResult UndoChange(const TJournalEntry& entry);
// The Undo menu item's text for the newest record, "Undo" when there is none.
std::string UndoMenuText();
