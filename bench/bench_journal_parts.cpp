// Where the undo journal's time goes: the Delete command's steps done one by one without the
// window (record, Commit, the deletes, Finish), the record write split into its calls, and the
// undo's steps (read, check, restore). Beside the check and the restore it times the same
// work with fewer registry calls: one key handle for all values of a key (the way the bare
// writes go), a key's names listed once so that absent values need no read, no delete of a
// key the check found absent, and a key's tree read with fewer calls.
#include <windows.h>

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "bench_clock.h"
#include "bench_edit.h"
#include "lib/VkFuncLib.h"
#include "registry/JournalFormat.h"
#include "registry/VkRegistry.h"

namespace {

// The seconds of each of the calls that write a record file, done as the journal does them.
struct TWriteParts {
  double Side = 0, Write = 0, Flush = 0, Move = 0;
};

TWriteParts TimeRecordWrite(const std::string& file, const std::string& bytes) {
  TWriteParts t;
  std::string side;
  t.Side = Time([&] { side = CreateSideFile(file); });
  t.Write = Time([&] {
    const HANDLE h = CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
  });
  t.Flush = Time([&] {
    const HANDLE h = CreateFileA(side.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FlushFileBuffers(h);
    CloseHandle(h);
  });
  t.Move = Time([&] { MoveFileExA(side.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); });
  DeleteFileA(file.c_str());
  return t;
}

// CurrentState of every item of one kind; its seconds.
double TimeStates(const std::vector<TJournalItem>& items, bool keys) {
  return Time([&] {
    for (const TJournalItem& item : items) {
      bool present = false;
      std::uint64_t hash = 0;
      if (item.IsKey == keys) (void)CurrentState(item, present, hash);
    }
  });
}

// The values' state read through one open key per key path instead of one per value.
double TimeValueStatesOneHandle(const std::vector<TJournalItem>& items) {
  return Time([&] {
    std::wstring path = L"\x1";
    TVkKey key;
    std::vector<char> data;
    for (const TJournalItem& item : items) {
      if (item.IsKey) continue;
      if (item.Path != path) {
        path = item.Path;
        TVkKey next;
        (void)TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_QUERY_VALUE, next);
        std::swap(*key.out(), *next.out());
      }
      DWORD size = 0, type = 0;
      if (key.get() && ReadStoredValue(key.get(), item.Name, data, size, type) == ERROR_SUCCESS)
        (void)ValueHash(type, data.data(), size);
    }
  });
}

// The values' state with the names a key holds listed first (one open and one listing per key
// path): only the values listed are read; the others are absent without a call.
double TimeValueStatesListed(const std::vector<TJournalItem>& items) {
  return Time([&] {
    std::wstring path = L"\x1";
    TVkKey key;
    std::unordered_set<std::wstring> present;
    std::vector<char> data;
    for (const TJournalItem& item : items) {
      if (item.IsKey) continue;
      if (item.Path != path) {
        path = item.Path;
        TVkKey next;
        (void)TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_READ, next);
        std::swap(*key.out(), *next.out());
        std::vector<std::wstring> names;
        present.clear();
        if (key.get() && ListStoredNames(key.get(), false, names))
          for (const std::wstring& n : names) present.insert(UpperName(n));
      }
      DWORD size = 0, type = 0;
      if (key.get() && present.count(UpperName(item.Name)) &&
          ReadStoredValue(key.get(), item.Name, data, size, type) == ERROR_SUCCESS)
        (void)ValueHash(type, data.data(), size);
    }
  });
}

// The values put back as the undo does (one created key handle per value), or through one
// key handle per key path.
double TimeValueRestore(const std::vector<TJournalItem>& items, bool oneHandle) {
  return Time([&] {
    std::wstring path = L"\x1";
    TVkKey key;
    for (auto i = items.rbegin(); i != items.rend(); ++i) {
      if (i->IsKey) continue;
      if (!oneHandle || i->Path != path) {
        path = i->Path;
        TVkKey next;
        (void)TVkReg::OpenStoredKey(i->Root, i->Path, true, KEY_QUERY_VALUE | KEY_SET_VALUE, next);
        std::swap(*key.out(), *next.out());
      }
      (void)WriteStoredValue(key.get(), i->Name, i->Type, i->Bytes.data(), static_cast<DWORD>(i->Bytes.size()));
    }
  });
}

// The keys put back as the undo does: what is there goes, the recorded tree is written.
// With absentKnown the delete is left out (the check found the key absent).
double TimeKeyRestore(const std::vector<TJournalItem>& items, bool absentKnown) {
  return Time([&] {
    for (auto i = items.rbegin(); i != items.rend(); ++i) {
      if (!i->IsKey) continue;
      if (!absentKnown) (void)TVkReg::DeleteStoredKey(i->Root, i->Path);
      TVkKey key;
      if (TVkReg::OpenStoredKey(i->Root, i->Path, true, KEY_READ | KEY_WRITE, key) != ERROR_SUCCESS) continue;
      std::vector<std::wstring> missing;
      std::size_t written = 0;
      (void)WriteTree(key.get(), i->Bytes, i->Path, missing, written);
    }
  });
}

// The recorded keys' trees read with one stamp of the key before and one after both lists,
// the values' bytes coming with their names; the same facts as the record's tree reads.
double TimeTreeReadsFewerCalls(const std::vector<TJournalItem>& items) {
  return Time([&] {
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(256);
    for (const TJournalItem& item : items) {
      if (!item.IsKey) continue;
      TVkKey key;
      if (TVkReg::OpenStoredKey(item.Root, item.Path, false, KEY_READ, key) != ERROR_SUCCESS) continue;
      DWORD keys = 0, values = 0, maxData = 0;
      FILETIME before{}, after{};
      RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, &maxData, nullptr,
                       &before);
      if (data.size() < maxData) data.resize(maxData);
      for (DWORD i = 0; i < values; ++i) {
        DWORD length = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
        RegEnumValueW(key.get(), i, name.data(), &length, nullptr, &type, data.data(), &size);
      }
      for (DWORD i = 0; i < keys; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        RegEnumKeyExW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      }
      RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       &after);
    }
  });
}

void Line(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

}  // namespace

void MeasureJournalParts(const std::string& sub, int values, int keys) {
  TJournal& journal = ChangeJournal();
  journal.Limits.Enabled = true;
  BuildEditKey(sub, values, keys);
  const std::string location = "\\" + sub + "\\";
  char name[32];

  // The Delete command's steps, as it takes them.
  double recordValues = 0, recordKeys = 0, commit = 0, deletes = 0, finish = 0;
  // The floor of the values' record: one read of each through one key handle.
  const double bareReads = Time([&] {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    wchar_t wide[32];
    BYTE data[256];
    for (int i = 0; i < values; ++i) {
      swprintf(wide, 32, L"Value %06d", i);
      DWORD type = 0, size = sizeof data;
      RegQueryValueExW(k, wide, nullptr, &type, data, &size);
    }
    RegCloseKey(k);
  });
  {
    TJournalRecorder recorder("Delete", RootCurrentUser, location);
    recordKeys = Time([&] {  // the list shows the keys first
      for (int i = 0; i < keys; ++i) {
        std::snprintf(name, sizeof name, "Key %06d", i);
        recorder.Key(RootCurrentUser, location + name);
      }
    });
    recordValues = Time([&] {
      for (int i = 0; i < values; ++i) {
        std::snprintf(name, sizeof name, "Value %06d", i);
        recorder.Value(RootCurrentUser, location, name);
      }
    });
    bool committed = false;
    commit = Time([&] { committed = recorder.Commit(); });
    if (!committed) return Line("  the record could not be written");
    deletes = Time([&] {
      TVkReg reg;
      if (!reg.OpenPath(RootCurrentUser, location, false)) return;
      for (int i = 0; i < values; ++i) {
        std::snprintf(name, sizeof name, "Value %06d", i);
        (void)reg.DeleteValue(name);
      }
      for (int i = 0; i < keys; ++i) {
        std::snprintf(name, sizeof name, "Key %06d", i);
        (void)reg.DeleteKey(location + name);
      }
    });
    finish = Time([&] { recorder.Finish(); });
  }
  std::printf("  the delete's steps, journal on: record of the values %.3f s (their bare reads %.3f s), of the keys "
              "%.3f s, Commit %.3f s, deletes %.3f s, Finish %.3f s\n",
              recordValues, bareReads, recordKeys, commit, deletes, finish);

  TJournalEntry entry, header;
  std::vector<TJournalItem> items;
  if (!journal.Newest(entry)) return Line("  the delete left no record");
  (void)ReadRecordFile(entry.File, header, &items);

  // Commit's and Finish's own work on this record.
  const std::string scratch = journal.Folder() + "scratch.hlj";
  std::vector<TJournalItem> before = items;
  for (TJournalItem& item : before) item.After = TJournalItem::AfterUnknown;
  std::string bytes;
  const double encodeBefore = Time([&] { bytes = EncodeRecord(header, before); });
  const TWriteParts w1 = TimeRecordWrite(scratch, bytes);
  const double sequence = Time([&] { (void)NextJournalSequence(journal.Folder()); });
  const double trim = Time([&] { journal.Trim(entry.Sequence); });
  std::printf("  Commit: encode %.3f s, side file %.3f s, write %.3f s, FlushFileBuffers %.3f s, move %.3f s, "
              "sequence %.3f s, trim %.3f s (%zu bytes)\n",
              encodeBefore, w1.Side, w1.Write, w1.Flush, w1.Move, sequence, trim, bytes.size());
  const double stateValues = TimeStates(items, false), stateKeys = TimeStates(items, true);
  const double stateOne = TimeValueStatesOneHandle(items), stateListed = TimeValueStatesListed(items);
  const double encodeAfter = Time([&] { bytes = EncodeRecord(header, items); });
  const TWriteParts w2 = TimeRecordWrite(scratch, bytes);
  std::printf("  Finish: state of the values %.3f s (one key handle %.3f s, the key's names listed first %.3f s), "
              "of the keys %.3f s, encode %.3f s, write %.3f s with FlushFileBuffers %.3f s\n",
              stateValues, stateOne, stateListed, stateKeys, encodeAfter, w2.Side + w2.Write + w2.Flush + w2.Move, w2.Flush);
  std::fflush(stdout);

  // The undo's steps on the deleted key: read, check (the state of every item), restore.
  const double read = Time([&] { (void)ReadRecordFile(entry.File, header, &items); });
  const double checkValues = TimeStates(items, false), checkKeys = TimeStates(items, true);
  const double restoreValues = TimeValueRestore(items, false), restoreKeys = TimeKeyRestore(items, false);
  BuildEditKey(sub, 0, 0);  // everything gone again, for the restore through one handle
  const double restoreOne = TimeValueRestore(items, true), restoreKeysNew = TimeKeyRestore(items, true);
  std::printf("  undo: read %.3f s, check of the values %.3f s, of the keys %.3f s, restore of the values %.3f s, "
              "of the keys %.3f s\n",
              read, checkValues, checkKeys, restoreValues, restoreKeys);
  const double treeReads = TimeTreeReadsFewerCalls(items);
  std::printf("  with fewer calls: restore of the values through one key handle %.3f s, of the keys known absent "
              "without a delete %.3f s (the check as Finish's state above); record of the keys with one stamp "
              "before and after both lists and the bytes read with the names %.3f s\n",
              restoreOne, restoreKeysNew, treeReads);
  std::fflush(stdout);
  (void)journal.Remove(entry);
}
