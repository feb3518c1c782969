// Benchmarks of the heavy paths beside their floor: the same work done with bare registry
// calls. Prints figures and ratios; never fails.
//
//   hivelark_bench [--keys N] [--values N] [--runs N] [--tree-keys N] [--tree-values N]
//                  [--bookmarks] [--start] [--editing] [--editor] [--export] [--import]
//                  [--search] [--journal]
//
// Without arguments it measures a key of 10,000 subkeys and 10,000 values, then a key of
// 100,000 values, so the growth from one to the other shows as well, then the key tree
// operations on a tree of 2,000 keys and 10,000 values (bench_tree.cpp; 10,000 keys and
// 50,000 values is the reference size), the bookmark lists (bench_bookmarks.cpp) and the
// start of the main window on a key of 20,000 rows (bench_start.cpp) and the delete, copy
// and move commands on 10,000 selected values and 1,000 keys (bench_edit.cpp), and the value
// editor on megabyte values (bench_editor.cpp), and the registration file export of a tree
// of 2,000 keys and 10,000 values (bench_export.cpp) and its import (bench_import.cpp), and
// the undo journal's cost on the delete and its undo (bench_journal.cpp).
// Each option measures its part only:
// --keys/--values the listing of that key, --tree-keys/--tree-values the tree operations on
// that tree, --bookmarks, --start, --editing and --editor those parts, --export the export
// (of the --tree-keys/--tree-values tree when given, else 10,000 keys and 50,000 values),
// --import the registration file import of that tree's file beside the platform's
// "regedit /s" (the same sizes as --export), --search the search beside a bare walk (that
// tree, else 100,000 keys and 300,000 values), --journal the Delete of 10,000 selected values
// and 1,000 keys with the undo journal on beside it off, and its undo beside the bare writes
// of the same tree (bench_journal.cpp).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_tree.h"
#include "browser/Navigate.h"

namespace {

const char* const BenchRoot = "Software\\Hivelark Bench";


// Writes the sandbox key: keys subkeys (each with one value) and values of mixed types.
std::string BuildKey(int keys, int values) {
  const std::string sub = std::string(BenchRoot) + "\\K" + std::to_string(keys) + "V" + std::to_string(values);
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return std::string();
  char name[64];
  for (int i = 0; i < keys; ++i) {
    std::snprintf(name, sizeof name, "Subkey %06d", i);
    HKEY s = nullptr;
    if (RegCreateKeyExA(k, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(s, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
      RegCloseKey(s);
    }
  }
  const std::string text = "C:\\Program Files\\Hivelark\\Some Data Text";
  const char multi[] = "first\0second\0third\0";
  const BYTE binary[64] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  for (int i = 0; i < values; ++i) {
    std::snprintf(name, sizeof name, "Value %06d", i);
    switch (i % 6) {
      case 0: RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), 41); break;
      case 1: RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4); break;
      case 2: RegSetValueExA(k, name, 0, REG_BINARY, binary, 64); break;
      case 3: RegSetValueExA(k, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi); break;
      case 4: RegSetValueExA(k, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%SystemRoot%\\x"), 15); break;
      default: RegSetValueExA(k, name, 0, REG_QWORD, binary, 8); break;
    }
  }
  RegCloseKey(k);
  return sub;
}

// The floor: the rows' facts with bare calls. Enumerate and sort nothing beyond what the
// registry gives; one open and query per subkey when key information is wanted, one
// read of each value's data (with its size and type).
std::size_t Floor(const std::string& sub, bool keyInfo) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return 0;
  DWORD nKeys = 0, maxKey = 0, nValues = 0, maxValue = 0;
  RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &nKeys, &maxKey, nullptr, &nValues, &maxValue, nullptr, nullptr,
                   nullptr);
  std::vector<std::string> keys, values;
  keys.reserve(nKeys);
  values.reserve(nValues);
  std::vector<char> buf(std::max(maxKey, maxValue) + 2);
  for (DWORD i = 0; i < nKeys; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    if (RegEnumKeyExA(k, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      keys.emplace_back(buf.data(), len);
  }
  std::size_t facts = 0;
  if (keyInfo) {
    for (const std::string& name : keys) {
      HKEY s = nullptr;
      if (RegOpenKeyExA(k, name.c_str(), 0, KEY_READ, &s) == ERROR_SUCCESS) {
        DWORD a = 0, b = 0, c = 0, d = 0, e = 0;
        FILETIME ft;
        RegQueryInfoKeyA(s, nullptr, nullptr, nullptr, &a, &b, nullptr, &c, &d, &e, nullptr, &ft);
        facts += a + c;
        RegCloseKey(s);
      }
    }
  }
  for (DWORD i = 0; i < nValues; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    if (RegEnumValueA(k, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      values.emplace_back(buf.data(), len);
  }
  // One read of size, type and data per value, into a buffer that grows as needed.
  std::vector<BYTE> data(256);
  for (const std::string& name : values) {
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    LONG r = RegQueryValueExA(k, name.c_str(), nullptr, &type, data.data(), &size);
    if (r == ERROR_MORE_DATA) {
      data.resize(size);
      r = RegQueryValueExA(k, name.c_str(), nullptr, &type, data.data(), &size);
    }
    facts += size + (r == ERROR_SUCCESS ? data[0] : 0);
  }
  RegCloseKey(k);
  return facts + keys.size() + values.size();
}

class NullView : public TNavView {
 public:
  void BeginFill() override {}
  void EndFill() override {}
  std::string FirstSelectedCaption() override { return std::string(); }
  void SelectRow(int) override {}
  void DrawPathBar(const std::string&) override {}
};

template <class F>
double Best(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double t0 = BenchSeconds();
    f();
    const double t = BenchSeconds() - t0;
    if (t < best) best = t;
  }
  return best;
}

void Measure(int keys, int values, int runs) {
  std::printf("Key with %d subkeys and %d values: building...\n", keys, values);
  std::fflush(stdout);
  const double t0 = BenchSeconds();
  const std::string sub = BuildKey(keys, values);
  if (sub.empty()) {
    std::printf("  could not create the key\n");
    return;
  }
  std::printf("  built in %.1f s\n", BenchSeconds() - t0);

  TBrowserState state;
  TRegPaneModel model;
  NullView view;
  TNavigator nav(state, model, view);
  const std::string path = "HKCU\\" + sub + "\\";
  for (bool info : {true, false}) {
    state.QueryKeyInfo = info;
    // Floor and Navigate take turns, so that a pause of the registry server (it writes the
    // registry out now and then) does not fall on one side only; the best run of each counts.
    double floor = 1e30, navigate = 1e30;
    for (int r = 0; r < runs; ++r) {
      floor = std::min(floor, Best(1, [&] { (void)Floor(sub, info); }));
      navigate = std::min(navigate, Best(1, [&] {
                            state.History.clear();
                            nav.Navigate("CD", path, true, true);
                          }));
    }
    std::printf("  QueryKeyInfo %-3s  Navigate %8.3f s   floor %8.3f s   ratio %.2f   (%d rows)\n", info ? "on" : "off",
                navigate, floor, floor > 0 ? navigate / floor : 0.0, model.Count());
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  std::fflush(stdout);
}

}  // namespace

void MeasureBookmarks(int runs);
void MeasureStart(int rows, int runs);
void MeasureEditing(int values, int keys, int runs);
void MeasureEditor();
void MeasureExport(int keys, int values, int runs);
void MeasureImport(int keys, int values, int runs);
void MeasureSearch(int keys, int values, int runs);
void MeasureJournal(int values, int keys, int runs);

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int keys = -1, values = -1, runs = 3, treeKeys = -1, treeValues = -1;
  bool bookmarks = false, start = false, editing = false, editor = false, exportFile = false, importFile = false, search = false,
       journal = false;
  for (int i = 1; i < argc; ++i) {
    const bool more = i + 1 < argc;
    if (!std::strcmp(argv[i], "--bookmarks")) bookmarks = true;
    else if (!std::strcmp(argv[i], "--start")) start = true;
    else if (!std::strcmp(argv[i], "--editing")) editing = true;
    else if (!std::strcmp(argv[i], "--editor")) editor = true;
    else if (!std::strcmp(argv[i], "--export")) exportFile = true;
    else if (!std::strcmp(argv[i], "--import")) importFile = true;
    else if (!std::strcmp(argv[i], "--search")) search = true;
    else if (!std::strcmp(argv[i], "--journal")) journal = true;
    else if (more && !std::strcmp(argv[i], "--keys")) keys = std::atoi(argv[++i]);
    else if (more && !std::strcmp(argv[i], "--values")) values = std::atoi(argv[++i]);
    else if (more && !std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[++i]);
    else if (more && !std::strcmp(argv[i], "--tree-keys")) treeKeys = std::atoi(argv[++i]);
    else if (more && !std::strcmp(argv[i], "--tree-values")) treeValues = std::atoi(argv[++i]);
  }
  const bool listing = keys >= 0 || values >= 0, tree = treeKeys >= 0 || treeValues >= 0;
  if (!listing && !tree && !bookmarks && !start && !editing && !editor && !exportFile && !importFile && !search &&
      !journal) {
    Measure(10000, 10000, runs);
    Measure(0, 100000, runs);
    MeasureTree(2000, 10000, runs);
    MeasureBookmarks(runs);
    MeasureStart(20000, runs);
    MeasureEditing(10000, 1000, runs);
    MeasureEditor();
    MeasureExport(2000, 10000, runs);
    MeasureImport(2000, 10000, runs);
    MeasureSearch(2000, 10000, runs);
    MeasureJournal(10000, 1000, runs);
  }
  if (listing) Measure(keys < 0 ? 0 : keys, values < 0 ? 0 : values, runs);
  if (tree && !exportFile && !importFile && !search) MeasureTree(treeKeys < 0 ? 0 : treeKeys, treeValues < 0 ? 0 : treeValues, runs);
  if (bookmarks) MeasureBookmarks(runs);
  if (start) MeasureStart(20000, runs);
  if (editing) MeasureEditing(10000, 1000, runs);
  if (editor) MeasureEditor();
  if (exportFile) MeasureExport(tree ? std::max(treeKeys, 0) : 10000, tree ? std::max(treeValues, 0) : 50000, runs);
  if (importFile) MeasureImport(tree ? std::max(treeKeys, 0) : 10000, tree ? std::max(treeValues, 0) : 50000, runs);
  if (search) MeasureSearch(tree ? std::max(treeKeys, 0) : 100000, tree ? std::max(treeValues, 0) : 300000, runs);
  if (journal) MeasureJournal(10000, 1000, runs);
  RegDeleteKeyA(HKEY_CURRENT_USER, BenchRoot);
  return 0;
}
