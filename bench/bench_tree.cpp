// Benchmark of the key tree operations (CopyKey, DeleteKey, GetKeySize) on a tree of many
// keys and values, each beside its floor: the same walk done with bare registry calls.
#include "bench_clock.h"
#include "bench_tree.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "registry/VkRegistry.h"

namespace {

const char* const TreeRoot = "Software\\Hivelark Bench Tree";


void PutValues(HKEY k, int first, int count) {
  static const std::string text = "C:\\Program Files\\Hivelark\\Some Data Text";
  static const char multi[] = "first\0second\0third\0";
  static const BYTE binary[64] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  char name[32];
  for (int i = first; i < first + count; ++i) {
    std::snprintf(name, sizeof name, "Value %06d", i);
    switch (i % 5) {
      case 0: RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), 41); break;
      case 1: RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4); break;
      case 2: RegSetValueExA(k, name, 0, REG_BINARY, binary, 64); break;
      case 3: RegSetValueExA(k, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi); break;
      default: RegSetValueExA(k, name, 0, REG_QWORD, binary, 8); break;
    }
  }
}

// A tree of three levels: the top key, about sqrt(keys) keys below it and the rest of the
// keys spread below those; the values spread evenly over all keys.
bool BuildTree(const std::string& sub, int keys, int values) {
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  HKEY top = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, nullptr) !=
      ERROR_SUCCESS)
    return false;
  int middle = 1;
  while ((middle + 1) * (middle + 1) <= keys) ++middle;
  const int perKey = keys > 0 ? values / keys : 0;
  int made = 0, valuesMade = 0;
  char name[32];
  for (int a = 0; a < middle && made < keys; ++a) {
    std::snprintf(name, sizeof name, "Key %04d", a);
    HKEY m = nullptr;
    if (RegCreateKeyExA(top, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m, nullptr) != ERROR_SUCCESS) break;
    ++made;
    PutValues(m, valuesMade, perKey);
    valuesMade += perKey;
    const int below = (keys - middle + middle - 1 - a) / middle;  // spread the rest evenly
    for (int b = 0; b < below && made < keys; ++b) {
      std::snprintf(name, sizeof name, "Sub %04d", b);
      HKEY s = nullptr;
      if (RegCreateKeyExA(m, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr) != ERROR_SUCCESS) break;
      ++made;
      PutValues(s, valuesMade, perKey);
      valuesMade += perKey;
      RegCloseKey(s);
    }
    RegCloseKey(m);
  }
  PutValues(top, valuesMade, values - valuesMade);
  RegCloseKey(top);
  return true;
}

std::vector<std::string> SubkeyNames(HKEY h, DWORD count, DWORD maxLen) {
  std::vector<std::string> names;
  names.reserve(count);
  std::vector<char> buf(2 * maxLen + 2);
  for (DWORD i = 0; i < count; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    if (RegEnumKeyExA(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.emplace_back(buf.data(), len);
  }
  return names;
}

// The floors: what each operation must do, with bare calls and no accessor around them.
void FloorCopy(HKEY s, HKEY t, std::vector<BYTE>& data) {
  DWORD nKeys = 0, maxKey = 0, nValues = 0, maxValue = 0, maxData = 0;
  if (RegQueryInfoKeyA(s, nullptr, nullptr, nullptr, &nKeys, &maxKey, nullptr, &nValues, &maxValue, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  for (const std::string& name : SubkeyNames(s, nKeys, maxKey)) {
    HKEY from = nullptr, to = nullptr;
    if (RegOpenKeyExA(s, name.c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS) {
      if (RegCreateKeyExA(t, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &to, nullptr) == ERROR_SUCCESS) {
        FloorCopy(from, to, data);
        RegCloseKey(to);
      }
      RegCloseKey(from);
    }
  }
  std::vector<char> name(2 * maxValue + 2);
  if (data.size() < maxData) data.resize(maxData);
  for (DWORD i = 0; i < nValues; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(s, i, name.data(), &nameLen, nullptr, &type, data.data(), &size) == ERROR_SUCCESS)
      RegSetValueExA(t, name.data(), 0, type, data.data(), size);
  }
}

// Values are deleted one by one, as DeleteKey must do to report each it cannot delete.
void FloorDelete(HKEY h) {
  DWORD nKeys = 0, maxKey = 0, nValues = 0, maxValue = 0;
  if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &nKeys, &maxKey, nullptr, &nValues, &maxValue, nullptr, nullptr,
                       nullptr) == ERROR_SUCCESS) {
    for (const std::string& name : SubkeyNames(h, nKeys, maxKey)) {
      HKEY sub = nullptr;
      if (RegOpenKeyExA(h, name.c_str(), 0, 0x3F, &sub) == ERROR_SUCCESS) FloorDelete(sub);
    }
    std::vector<std::string> names;
    names.reserve(nValues);
    std::vector<char> buf(2 * maxValue + 2);
    for (DWORD i = 0; i < nValues; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      if (RegEnumValueA(h, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        names.emplace_back(buf.data(), len);
    }
    for (const std::string& name : names) RegDeleteValueA(h, name.c_str());
  }
  RegDeleteKeyA(h, "");
  RegCloseKey(h);
}

std::int64_t FloorSize(HKEY h) {
  DWORD nKeys = 0, maxKey = 0, nValues = 0, maxValue = 0;
  if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &nKeys, &maxKey, nullptr, &nValues, &maxValue, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return 0;
  std::int64_t sum = 0;
  std::vector<char> buf(2 * maxValue + 2);
  for (DWORD i = 0; i < nValues; ++i) {
    DWORD len = static_cast<DWORD>(buf.size()), size = 0;
    if (RegEnumValueA(h, i, buf.data(), &len, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) sum += size;
  }
  for (const std::string& name : SubkeyNames(h, nKeys, maxKey)) {
    HKEY sub = nullptr;
    if (RegOpenKeyExA(h, name.c_str(), 0, 0x3F, &sub) == ERROR_SUCCESS) {
      sum += FloorSize(sub);
      RegCloseKey(sub);
    }
  }
  return sum;
}

HKEY OpenBare(const std::string& sub, bool create) {
  HKEY h = nullptr;
  const LONG r = create ? RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, 0x3F, nullptr, &h, nullptr)
                        : RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, 0x3F, &h);
  return r == ERROR_SUCCESS ? h : nullptr;
}


void Report(const char* what, double ours, double floor) {
  std::printf("  %-10s %8.3f s   floor %8.3f s   ratio %.2f\n", what, ours, floor, floor > 0 ? ours / floor : 0.0);
}

}  // namespace

bool BuildBenchTree(const std::string& sub, int keys, int values) { return BuildTree(sub, keys, values); }

void MeasureTree(int keys, int values, int runs) {
  std::printf("Tree of %d keys and %d values: building...\n", keys, values);
  std::fflush(stdout);
  const std::string source = std::string(TreeRoot) + "\\Source";
  const std::string ours = std::string(TreeRoot) + "\\Ours", bare = std::string(TreeRoot) + "\\Bare";
  const double t0 = BenchSeconds();
  if (!BuildTree(source, keys, values)) {
    std::printf("  could not create the tree\n");
    return;
  }
  std::printf("  built in %.1f s\n", BenchSeconds() - t0);
  double copy[2] = {1e30, 1e30}, del[2] = {1e30, 1e30}, size[2] = {1e30, 1e30};
  std::int64_t sizes[2] = {0, 0};
  std::vector<BYTE> data(4096);
  for (int r = 0; r < runs; ++r) {
    // Accessor and floor take turns, in alternating order, so that a pause of the registry
    // server falls on neither side only; the best run of each counts.
    for (int turn = 0; turn < 2; ++turn) {
      const bool accessor = (turn + r) % 2 == 0;
      if (accessor) {
        TVkReg reg;
        copy[0] = std::min(copy[0], Time([&] { (void)reg.CopyKey("\\" + source, "\\" + ours, false); }));
        size[0] = std::min(size[0], Time([&] { sizes[0] = reg.GetKeySize("\\" + source); }));
        del[0] = std::min(del[0], Time([&] { (void)reg.DeleteKey("\\" + ours); }));
      } else {
        HKEY s = OpenBare(source, false), t = OpenBare(bare, true);
        copy[1] = std::min(copy[1], Time([&] { FloorCopy(s, t, data); }));
        RegCloseKey(t);
        size[1] = std::min(size[1], Time([&] { sizes[1] = FloorSize(s); }));
        RegCloseKey(s);
        HKEY d = OpenBare(bare, false);
        del[1] = std::min(del[1], Time([&] { FloorDelete(d); }));
      }
    }
  }
  Report("CopyKey", copy[0], copy[1]);
  Report("DeleteKey", del[0], del[1]);
  Report("GetKeySize", size[0], size[1]);
  if (sizes[0] != sizes[1])
    std::printf("  sizes differ: %lld and %lld\n", static_cast<long long>(sizes[0]), static_cast<long long>(sizes[1]));
  RegDeleteTreeA(HKEY_CURRENT_USER, TreeRoot);
  std::fflush(stdout);
}
