// The editing commands on many selected rows beside the same work with bare registry calls:
// delete 10,000 values and 1,000 keys, copy and move them to another key. The command's
// figure includes its final re-read of the shown key where it makes one (what one costs is
// shown beside it); the bare figure has none.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "bench_edit.h"
#include "commands/Hivelark.h"
#include "resource.h"

namespace {

const char* const Base = "Software\\Hivelark Bench\\Edit";

// The bare floor: every value read and written to the target (and deleted for a move), every
// key created with its value (and removed for a move); or every item deleted.
double Floor(const std::string& sub, const std::string& target, int values, int keys, int mode) {
  const double t0 = BenchSeconds();
  HKEY src = nullptr, dst = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_ALL_ACCESS, &src);
  if (mode != 0) RegCreateKeyExA(HKEY_CURRENT_USER, target.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dst, nullptr);
  char name[32];
  BYTE data[64];
  for (int i = 0; i < values; ++i) {
    std::snprintf(name, sizeof name, "Value %06d", i);
    if (mode == 0) {
      RegDeleteValueA(src, name);
      continue;
    }
    DWORD type = 0, size = sizeof data;
    RegQueryValueExA(src, name, nullptr, &type, data, &size);
    RegSetValueExA(dst, name, 0, type, data, size);
    if (mode == 2) RegDeleteValueA(src, name);
  }
  for (int i = 0; i < keys; ++i) {
    std::snprintf(name, sizeof name, "Key %06d", i);
    if (mode != 0) {
      HKEY s = nullptr, d = nullptr;
      RegOpenKeyExA(src, name, 0, KEY_ALL_ACCESS, &s);
      RegCreateKeyExA(dst, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &d, nullptr);
      DWORD type = 0, size = sizeof data;
      RegQueryValueExA(s, "v", nullptr, &type, data, &size);
      RegSetValueExA(d, "v", 0, type, data, size);
      RegCloseKey(d);
      if (mode == 2) RegDeleteValueA(s, "v");
      RegCloseKey(s);
    }
    if (mode != 1) {
      HKEY s = nullptr;
      if (mode == 0 && RegOpenKeyExA(src, name, 0, KEY_ALL_ACCESS, &s) == ERROR_SUCCESS) {
        RegDeleteValueA(s, "v");
        RegCloseKey(s);
      }
      RegDeleteKeyA(src, name);
    }
  }
  if (dst) RegCloseKey(dst);
  RegCloseKey(src);
  return BenchSeconds() - t0;
}

}  // namespace

void BuildEditKey(const std::string& sub, int values, int keys) {
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)) return;
  char name[32];
  const BYTE data[16] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < values; ++i) {
    std::snprintf(name, sizeof name, "Value %06d", i);
    RegSetValueExA(k, name, 0, REG_BINARY, data, sizeof data);
  }
  for (int i = 0; i < keys; ++i) {
    std::snprintf(name, sizeof name, "Key %06d", i);
    HKEY s = nullptr;
    if (RegCreateKeyExA(k, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(s, "v", 0, REG_BINARY, data, sizeof data);
      RegCloseKey(s);
    }
  }
  RegCloseKey(k);
}

void MeasureEditing(int values, int keys, int runs) {
  const std::string sub = std::string(Base) + "\\Src", target = std::string(Base) + "\\Dst";
  TAnswers answers;
  TVkInteraction* previous = SetInteraction(&answers);
  const TBenchJournalFolder journal;  // the delete records what it deletes, as the journal is on by default
  const char* const names[3] = {"delete", "copy", "move"};
  const int commands[3] = {CM_DELETEKEYVALUE, CM_COPY, CM_MOVE};
  for (int mode = 0; mode < 3; ++mode) {
    double best = 1e9, bestFloor = 1e9, reread = 1e9;
    for (int run = 0; run < runs; ++run) {
      BuildEditKey(sub, values, keys);
      RegDeleteTreeA(HKEY_CURRENT_USER, target.c_str());
      HKEY made = nullptr;
      if (RegCreateKeyA(HKEY_CURRENT_USER, target.c_str(), &made) == ERROR_SUCCESS) RegCloseKey(made);
      {
        THivelark program;
        TFormHivelark& form = program.Form();
        if (!form.Create()) break;
        form.State().QueryKeyInfo = false;
        form.ShowStartLocation("HKCU\\" + sub);
        form.RunCommand(CM_SELECTALL);
        answers.Target = "..\\Dst";
        const double t0 = BenchSeconds();
        form.RunCommand(commands[mode]);
        best = std::min(best, BenchSeconds() - t0);
        // What a re-read of the shown key costs, for comparison.
        const double t1 = BenchSeconds();
        form.Navigator().Navigate("UPD", "", true, false);
        reread = std::min(reread, BenchSeconds() - t1);

      }
      BuildEditKey(sub, values, keys);
      RegDeleteTreeA(HKEY_CURRENT_USER, target.c_str());
      bestFloor = std::min(bestFloor, Floor(sub, target, values, keys, mode));
    }
    std::printf("%s %d values and %d keys: %.3f s, bare calls %.3f s, ratio %.2f (one re-read of the shown key: %.3f s)\n",
                names[mode], values, keys, best, bestFloor, best / bestFloor, reread);
    std::fflush(stdout);
  }
  SetInteraction(previous);
  RegDeleteTreeA(HKEY_CURRENT_USER, Base);
}
