// The start of the main window on a big key given on the command line: from creation to
// the first paint of the rows, with the activation the start causes, beside one bare read
// of the same rows by the navigation engine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "browser/Main.h"

namespace {


void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class NoView : public TNavView {
  void BeginFill() override {}
  void EndFill() override {}
  std::string FirstSelectedCaption() override { return std::string(); }
  void SelectRow(int) override {}
  void DrawPathBar(const std::string&) override {}
};

}  // namespace

void MeasureStart(int rows, int runs) {
  const std::string sub = "Software\\Hivelark Bench\\Start" + std::to_string(rows);
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return;
  char name[32];
  for (int i = 0; i < rows; ++i) {
    std::snprintf(name, sizeof name, "Value %06d", i);
    RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
  }
  RegCloseKey(k);
  double bestStart = 1e9, bestRead = 1e9;
  int reads = 0;
  for (int run = 0; run < runs; ++run) {
    {
      const double t0 = BenchSeconds();
      TFormHivelark form;
      if (!form.Create()) return;
      form.ShowStartLocation("HKCU\\" + sub);
      UpdateWindow(form.Reg_ListView());
      Pump();  // the activation of the start and the first paint
      bestStart = std::min(bestStart, BenchSeconds() - t0);
      reads = form.Navigator().Reads();
    }
    TBrowserState state;
    TRegPaneModel model;
    NoView view;
    TNavigator nav(state, model, view);
    state.CurRoot = RootCurrentUser;
    const double t0 = BenchSeconds();
    nav.Navigate("CD", "\\" + sub, false, false);
    bestRead = std::min(bestRead, BenchSeconds() - t0);
  }
  std::printf("start on %d rows: %.3f s to the first paint (%d read%s); one read alone %.3f s; ratio %.2f\n", rows,
              bestStart, reads, reads == 1 ? "" : "s", bestRead, bestStart / bestRead);
  std::fflush(stdout);
  RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
}
