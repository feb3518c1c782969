// Benchmark of the bookmark lists at the format's limit: a 65,535-item list saved, loaded,
// shown in the pane of the real main window, and every second row deleted. The floor is
// the same bytes written and read with bare file calls.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "bookmarks/BookmarkFile.h"
#include "commands/Hivelark.h"
#include "lib/VkFuncLib.h"

namespace {


template <class F>
double BestOf(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double t0 = BenchSeconds();
    f();
    best = std::min(best, BenchSeconds() - t0);
  }
  return best;
}

TBookMarks BigList() {
  TBookMarks list;
  list.reserve(BookmarkMaxCount);
  char key[96], name[32];
  for (std::size_t i = 0; i < BookmarkMaxCount; ++i) {
    std::snprintf(key, sizeof key, "\\Software\\Classes\\CLSID\\{%08zX-0000-0000-C000-000000000046}\\", i);
    std::snprintf(name, sizeof name, i % 3 ? "Value %05zu" : "", i);
    list.push_back(TBookMark{1, static_cast<std::uint8_t>(i % 3 ? 1 : 12), key, name, "26/12/09 03:30"});
  }
  return list;
}

void PumpAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

void MeasureBookmarks(int runs) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "Hivelark Bench " + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  SetProgramFolder(folder);
  const std::string file = folder + "Big.bmk", floorFile = folder + "Floor.bmk";
  const TBookMarks big = BigList();
  std::printf("Bookmark list of %zu items:\n", big.size());

  const std::string bytes = EncodeBookmarks(big).Bytes;
  const double floorWrite = BestOf(runs, [&] { (void)SaveTextToFile(floorFile, bytes, true); });
  const double save = BestOf(runs, [&] { (void)SaveBookmarkFile(file, big); });
  const double floorRead = BestOf(runs, [&] {
    TVkFile f;
    if (OpenFileForRead(floorFile, f)) {
      std::string in(static_cast<std::size_t>(f.Size()), '\0');
      (void)ReadFileBytes(f, 0, static_cast<int>(in.size()), in.data());
    }
  });
  TBookMarks loaded;
  const double load = BestOf(runs, [&] { (void)LoadBookmarkFile(file, loaded); });
  std::printf("  save   %8.3f s   floor %8.3f s   (%zu bytes)\n", save, floorWrite, bytes.size());
  std::printf("  load   %8.3f s   floor %8.3f s   (%zu items read)\n", load, floorRead, loaded.size());

  THivelark program;
  TFormHivelark& form = program.Form();
  if (!form.Create()) {
    std::printf("  the main window could not be created\n");
    return;
  }
  MoveWindow(form.Handle(), 0, 0, 1000, 800, TRUE);
  TBookmarkPane& pane = program.Bookmarks();
  form.State().BookmarkMode = 0;
  form.ShowBookmarkPane(true);
  PumpAll();
  const double show = BestOf(runs, [&] {
    pane.Lists(0) = loaded;
    pane.ShowBookmarkList();
    UpdateWindow(form.Bmk_ListView());
  });
  const int rows = static_cast<int>(SendMessageA(form.Bmk_ListView(), LVM_GETITEMCOUNT, 0, 0));
  std::printf("  show   %8.3f s   (%d rows, painted)\n", show, rows);

  double del = 1e30;
  std::size_t left = 0;
  for (int r = 0; r < runs; ++r) {
    pane.Lists(0) = loaded;
    pane.ShowBookmarkList();
    HWND list = form.Bmk_ListView();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int i = 0; i < rows; i += 2) ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
    const double t0 = BenchSeconds();
    pane.BmkDelEntry_Cmd();
    UpdateWindow(list);
    del = std::min(del, BenchSeconds() - t0);
    left = pane.Lists(0).size();
  }
  std::printf("  delete every second row %8.3f s   (%zu items left)\n", del, left);
  std::fflush(stdout);
  DeleteFileA(file.c_str());
  DeleteFileA(floorFile.c_str());
  DeleteFileA((folder + "Hivelark.ini").c_str());
  for (const char* f : BookmarkFileNames) DeleteFileA((folder + f).c_str());
  RemoveDirectoryA(folder.c_str());
}
