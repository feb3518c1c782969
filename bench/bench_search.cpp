// The registry search on a big tree beside a bare walk that reads the same names (and, for
// the data search, the same data) with plain registry calls.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_tree.h"
#include "search/SearchWalk.h"

namespace {


// Every key opened relative to its parent; every subkey and value name enumerated, with its
// type and size; with data, every value's bytes read as well.
void BareWalk(HKEY h, bool data, std::vector<char>& name, std::vector<BYTE>& buffer, long& count) {
  DWORD keys = 0, values = 0;
  RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  for (DWORD i = 0; i < keys; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    HKEY s = nullptr;
    if (RegOpenKeyExA(h, name.data(), 0, KEY_READ, &s) == ERROR_SUCCESS) {
      BareWalk(s, data, name, buffer, count);
      RegCloseKey(s);
    }
  }
  for (DWORD i = 0; i < values; ++i) {
    DWORD len = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(buffer.size());
    if (RegEnumValueA(h, i, name.data(), &len, nullptr, &type, data ? buffer.data() : nullptr, data ? &size : nullptr) ==
        ERROR_SUCCESS)
      ++count;
  }
}

}  // namespace

void MeasureSearch(int keys, int values, int runs) {
  const std::string sub = "Software\\Hivelark Bench\\Search";
  std::printf("Search on a tree of %d keys and %d values: building...\n", keys, values);
  std::fflush(stdout);
  if (!BuildBenchTree(sub, keys, values)) return;
  for (int pass = 0; pass < 2; ++pass) {
    const bool data = pass == 1;
    TSearchOptions o;
    o.KeyWord = "no such text anywhere";  // every name and (in the data pass) every datum is tested
    o.ValueData = data;
    double best = 1e9, bestBare = 1e9;
    for (int r = 0; r < runs; ++r) {
      TBookMarks results;
      TSearchWalk walk(o, results, {}, {});
      double t0 = BenchSeconds();
      walk.SearchKey(RootCurrentUser, "\\" + sub + "\\");
      best = std::min(best, BenchSeconds() - t0);
      HKEY h = nullptr;
      std::vector<char> name(1024);
      std::vector<BYTE> buffer(1 << 16);
      long count = 0;
      t0 = BenchSeconds();
      if (RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
        BareWalk(h, data, name, buffer, count);
        RegCloseKey(h);
      }
      bestBare = std::min(bestBare, BenchSeconds() - t0);
    }
    std::printf("  %s search: %.3f s, bare walk %.3f s, ratio %.2f\n", data ? "data" : "name-only", best, bestBare,
                best / bestBare);
    std::fflush(stdout);
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
}
