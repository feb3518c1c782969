// The undo journal's cost: the Delete of 10,000 selected values and 1,000 keys with the
// journal on beside the same Delete with it off, and the undo of that Delete beside the bare
// writes that put the same tree back. The journal writes to a folder of its own in the
// temporary folder, removed at the end.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "bench_edit.h"
#include "commands/Hivelark.h"
#include "registry/Journal.h"
#include "resource.h"

namespace {

const char* const Base = "Software\\Hivelark Bench\\Journal";

// The Delete command on every row of sub, run as the user runs it; its seconds.
double TimeDelete(const std::string& sub, int values, int keys, bool journal) {
  BuildEditKey(sub, values, keys);
  THivelark program;
  TFormHivelark& form = program.Form();
  if (!form.Create()) return 1e9;
  ChangeJournal().Limits.Enabled = journal;  // after the window read its settings
  form.State().QueryKeyInfo = false;
  form.ShowStartLocation("HKCU\\" + sub);
  form.RunCommand(CM_SELECTALL);
  return Time([&] { form.RunCommand(CM_DELETEKEYVALUE); });
}

// The floor of an undo: the same keys and values written with bare calls into the emptied key.
double TimeBareRestore(const std::string& sub, int values, int keys) {
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  HKEY made = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, sub.c_str(), &made) == ERROR_SUCCESS) RegCloseKey(made);
  const std::wstring wide(sub.begin(), sub.end());
  return Time([&] {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &k, nullptr)) return;
    wchar_t name[32];
    const BYTE data[16] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < values; ++i) {
      swprintf(name, 32, L"Value %06d", i);
      RegSetValueExW(k, name, 0, REG_BINARY, data, sizeof data);
    }
    for (int i = 0; i < keys; ++i) {
      swprintf(name, 32, L"Key %06d", i);
      HKEY s = nullptr;
      if (RegCreateKeyExW(k, name, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &s, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(s, L"v", 0, REG_BINARY, data, sizeof data);
        RegCloseKey(s);
      }
    }
    RegCloseKey(k);
  });
}

// The values and subkeys sub holds now.
std::string Holds(const std::string& sub) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "the key is gone";
  DWORD keys = 0, values = 0;
  RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return std::to_string(values) + " values and " + std::to_string(keys) + " keys";
}

}  // namespace

TBenchJournalFolder::TBenchJournalFolder() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  folder_ = std::string(temp) + "Hivelark Bench Journal " + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder_.c_str(), nullptr);
  ChangeJournal().SetFolder(folder_);
}

TBenchJournalFolder::~TBenchJournalFolder() {
  ChangeJournal().SetFolder(std::string());
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((folder_ + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder_ + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder_.c_str());
}


void MeasureJournal(int values, int keys, int runs) {
  const TBenchJournalFolder folder;
  TJournal& journal = ChangeJournal();
  const TJournalLimits limits = journal.Limits;
  TAnswers answers;
  TVkInteraction* previous = SetInteraction(&answers);
  const std::string sub = std::string(Base) + "\\Src";

  double on = 1e9, off = 1e9, undo = 1e9, bare = 1e9;
  std::uint64_t recordBytes = 0;
  std::string restored = "nothing", problem;
  for (int run = 0; run < runs; ++run) {
    // The two sides take turns, so that a pause of the registry server does not fall on one only.
    off = std::min(off, TimeDelete(sub, values, keys, false));
    on = std::min(on, TimeDelete(sub, values, keys, true));
    TJournalEntry entry;
    if (!journal.Newest(entry)) {
      problem = "the Delete left no record";
      continue;
    }
    recordBytes = entry.FileSize;
    TUndoResult result;
    undo = std::min(undo, Time([&] { result = UndoChange(entry); }));
    if (result.Status != TUndoResult::Restored) problem = "the undo did not restore everything";
    restored = Holds(sub);
    bare = std::min(bare, TimeBareRestore(sub, values, keys));
  }
  std::printf("delete %d values and %d keys: journal on %.3f s, off %.3f s, ratio %.2f (record of %llu bytes)\n", values,
              keys, on, off, on / off, static_cast<unsigned long long>(recordBytes));
  std::printf("undo of that delete: %.3f s, bare writes %.3f s, ratio %.2f (the key holds %s again)\n", undo, bare,
              undo / bare, restored.c_str());
  if (!problem.empty()) std::printf("  but %s\n", problem.c_str());
  std::fflush(stdout);

  SetInteraction(previous);
  journal.Limits = limits;
  RegDeleteTreeA(HKEY_CURRENT_USER, Base);
}
