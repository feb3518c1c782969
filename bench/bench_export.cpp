// Benchmark of the registration file export on a tree of many keys and values of mixed
// types, beside its floor (a bare walk that reads the same names, types and data and writes
// nothing) and beside the platform's own "regedit /e" of the same key.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_platform.h"
#include "bench_tree.h"
#include "registry/RegExport.h"

namespace {

const char* const ExportRoot = "Software\\Hivelark Bench Export";



// The floor: every key opened relative to its parent, its counts and maxima queried once,
// each value enumerated once with its name, type and data, the subkey names listed.
std::uint64_t FloorWalk(HKEY h, std::vector<char>& name, std::vector<BYTE>& data) {
  DWORD nKeys = 0, maxKey = 0, nValues = 0, maxValue = 0, maxData = 0;
  if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &nKeys, &maxKey, nullptr, &nValues, &maxValue, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return 0;
  if (name.size() < 2 * std::max(maxKey, maxValue) + 2) name.resize(2 * std::max(maxKey, maxValue) + 2);
  if (data.size() < maxData) data.resize(maxData);
  std::uint64_t bytes = 0;
  for (DWORD i = 0; i < nValues; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(h, i, name.data(), &nameLen, nullptr, &type, data.data(), &size) == ERROR_SUCCESS)
      bytes += nameLen + size;
  }
  std::vector<std::string> subkeys;
  subkeys.reserve(nKeys);
  for (DWORD i = 0; i < nKeys; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      subkeys.emplace_back(name.data(), len);
  }
  for (const std::string& sub : subkeys) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(h, sub.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
      bytes += FloorWalk(k, name, data);
      RegCloseKey(k);
    }
  }
  return bytes;
}

}  // namespace

void MeasureExport(int keys, int values, int runs) {
  std::printf("Export of a tree of %d keys and %d values: building...\n", keys, values);
  std::fflush(stdout);
  const std::string source = std::string(ExportRoot) + "\\Source", empty = std::string(ExportRoot) + "\\Empty";
  const double t0 = BenchSeconds();
  if (!BuildBenchTree(source, keys, values)) {
    std::printf("  could not create the tree\n");
    return;
  }
  HKEY e = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, empty.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &e, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(e);
  std::printf("  built in %.1f s\n", BenchSeconds() - t0);
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string ours = std::string(temp) + "hivelark bench export.reg";
  const std::string theirs = std::string(temp) + "hivelark bench regedit.reg";
  const std::string unicode = std::string(temp) + "hivelark bench export unicode.reg";
  double exportTime = 1e30, unicodeTime = 1e30, floorTime = 1e30, regeditTime = 1e30, regeditStart = 1e30;
  std::uint64_t floorBytes = 0;
  TExportStatus status = TExportStatus::Failed, unicodeStatus = TExportStatus::Failed;
  std::vector<char> name(256);
  std::vector<BYTE> data(4096);
  bool regedit = true;
  for (int r = 0; r < runs; ++r) {
    // The two exports and the floor take turns, in rotating order, so that a pause of the
    // registry server falls on no side only; the best run of each counts.
    for (int turn = 0; turn < 3; ++turn) {
      if ((turn + r) % 3 == 0) {
        exportTime = std::min(exportTime, Time([&] {
                                status = ExportKeyToFile(ours, RootCurrentUser, "\\" + source).Status;
                              }));
      } else if ((turn + r) % 3 == 1) {
        unicodeTime = std::min(unicodeTime, Time([&] {
                                 unicodeStatus = ExportKeyToFile(unicode, RootCurrentUser, "\\" + source,
                                                                 TRegFileForm::Unicode).Status;
                               }));
      } else {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, source.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) continue;
        floorTime = std::min(floorTime, Time([&] { floorBytes = FloorWalk(h, name, data); }));
        RegCloseKey(h);
      }
    }
    const std::string key = "\"HKEY_CURRENT_USER\\" + source + "\"";
    regeditTime = std::min(regeditTime, Time([&] { regedit = RunRegedit("/e \"" + theirs + "\" " + key) && regedit; }));
    regeditStart = std::min(regeditStart, Time([&] {
                              (void)RunRegedit("/e \"" + theirs + ".empty\" \"HKEY_CURRENT_USER\\" + empty + "\"");
                            }));
  }
  std::printf("  ExportKey  %8.3f s   floor %8.3f s   ratio %.2f   (%s, %lld bytes; floor read %llu bytes)\n",
              exportTime, floorTime, floorTime > 0 ? exportTime / floorTime : 0.0,
              status == TExportStatus::Complete ? "complete" : "NOT complete", static_cast<long long>(SizeOf(ours)),
              static_cast<unsigned long long>(floorBytes));
  std::printf("  ExportKey Unicode %8.3f s   floor %8.3f s   ratio %.2f   (%s, %lld bytes)\n", unicodeTime, floorTime,
              floorTime > 0 ? unicodeTime / floorTime : 0.0,
              unicodeStatus == TExportStatus::Complete ? "complete" : "NOT complete",
              static_cast<long long>(SizeOf(unicode)));
  if (regedit)
    std::printf("  regedit /e %8.3f s   (of which %.3f s for an empty key)   ExportKey / regedit %.2f   (%lld bytes)\n",
                regeditTime, regeditStart, regeditTime > 0 ? exportTime / regeditTime : 0.0,
                static_cast<long long>(SizeOf(theirs)));
  else
    std::printf("  regedit /e could not be started\n");
  DeleteFileA(ours.c_str());
  DeleteFileA(unicode.c_str());
  DeleteFileA(theirs.c_str());
  DeleteFileA((theirs + ".empty").c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, ExportRoot);
  RegDeleteKeyA(HKEY_CURRENT_USER, ExportRoot);
  std::fflush(stdout);
}
