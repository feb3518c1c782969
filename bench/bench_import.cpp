// Benchmark of the registration file import: a file of a tree of many keys and values of
// mixed types (written by the export) imported by Hivelark (the check that reads and counts
// the whole file, then the import) and by the platform's own "regedit /s", each into an
// emptied tree.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "bench_platform.h"
#include "bench_tree.h"
#include "registry/RegExport.h"
#include "registry/RegImport.h"

namespace {

const char* const ImportRoot = "Software\\Hivelark Bench Import";

// The most memory the process has held so far.
std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  return K32GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize : 0;
}

}  // namespace

void MeasureImport(int keys, int values, int runs) {
  std::printf("Import of a file of %d keys and %d values: building...\n", keys, values);
  std::fflush(stdout);
  const std::string source = std::string(ImportRoot) + "\\Source";
  if (!BuildBenchTree(source, keys, values)) {
    std::printf("  could not create the tree\n");
    return;
  }
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "hivelark bench import.reg";
  const std::string empty = std::string(temp) + "hivelark bench import empty.reg";
  if (ExportKeyToFile(file, RootCurrentUser, "\\" + source).Status != TExportStatus::Complete) {
    std::printf("  could not export the tree\n");
    return;
  }
  HANDLE h = CreateFileA(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD n = 0;
  WriteFile(h, "REGEDIT4\r\n", 10, &n, nullptr);
  CloseHandle(h);
  const auto clear = [&] { RegDeleteTreeA(HKEY_CURRENT_USER, source.c_str()); RegDeleteKeyA(HKEY_CURRENT_USER, source.c_str()); };
  const std::size_t peakBefore = PeakWorkingSet();
  double checkTime = 1e30, importTime = 1e30, regeditTime = 1e30, regeditStart = 1e30;
  TImportStatus status = TImportStatus::Refused;
  TImportPlan plan;
  bool regedit = true;
  for (int r = 0; r < runs; ++r) {
    // Hivelark and regedit take turns, in alternating order; the best run of each counts.
    for (int turn = 0; turn < 2; ++turn) {
      clear();
      if ((turn + r) % 2 == 0) {
        checkTime = std::min(checkTime, Time([&] { (void)CheckRegFile(file, plan); }));
        importTime = std::min(importTime, Time([&] { status = ImportRegFile(file).Status; }));
      } else {
        regeditTime = std::min(regeditTime, Time([&] { regedit = RunRegedit("/s \"" + file + "\"") && regedit; }));
      }
    }
    regeditStart = std::min(regeditStart, Time([&] { (void)RunRegedit("/s \"" + empty + "\""); }));
  }
  const double ours = checkTime + importTime;
  std::printf("  Hivelark   %8.3f s   (check %.3f s + import %.3f s; %s; %zu keys, %zu values; %lld bytes)\n", ours,
              checkTime, importTime, status == TImportStatus::Complete ? "complete" : "NOT complete", plan.KeysWritten,
              plan.ValuesWritten, static_cast<long long>(SizeOf(file)));
  std::printf("  peak memory of the process grew by %.1f MB while importing\n",
              static_cast<double>(PeakWorkingSet() - peakBefore) / (1024.0 * 1024.0));
  if (regedit)
    std::printf("  regedit /s %8.3f s   (of which %.3f s for a file without keys)   Hivelark / regedit %.2f\n",
                regeditTime, regeditStart, regeditTime > 0 ? ours / regeditTime : 0.0);
  else
    std::printf("  regedit /s could not be started\n");
  DeleteFileA(file.c_str());
  DeleteFileA(empty.c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, ImportRoot);
  RegDeleteKeyA(HKEY_CURRENT_USER, ImportRoot);
  std::fflush(stdout);
}
