// Benchmark of the value editor on megabyte values: opening it (read, text form, shown and
// painted) on a 1 MB binary value and a 1 MB string, the whole text deleted and the
// deletion undone, redone and undone again, and OK after one edit, which writes the value
// once. The floor is the bare read and the text built without a window.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "editing/Value.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {


const char* const EditorKey = "Software\\Hivelark Bench\\Editor";

void MeasureOne(const char* what, DWORD type, const std::string& data, const char* edit) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, EditorKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return;
  RegSetValueExA(key, "v", 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));

  double t0 = BenchSeconds();
  std::string back(data.size() + 16, '\0');
  DWORD size = static_cast<DWORD>(back.size()), t = 0;
  RegQueryValueExA(key, "v", nullptr, &t, reinterpret_cast<BYTE*>(back.data()), &size);
  back.resize(size);
  const std::string text = ValueEditText(ValueModeOfData(t, back), t, back);
  const double floor = BenchSeconds() - t0;

  t0 = BenchSeconds();
  TFormValue form(RootCurrentUser, std::string("\\") + EditorKey + "\\", "v");
  if (!form.Create(nullptr)) {
    std::printf("%s: the editor could not be created\n", what);
    RegCloseKey(key);
    return;
  }
  ShowWindow(form.Handle(), SW_SHOW);
  UpdateWindow(form.Handle());
  RedrawWindow(form.EditBox(), nullptr, nullptr, RDW_UPDATENOW);
  const double open = BenchSeconds() - t0;

  // Under Xvfb without a window manager the platform waits up to two seconds for a shown
  // window to be withdrawn: the window is hidden before OK so that OK's own work is timed.
  t0 = BenchSeconds();
  ShowWindow(form.Handle(), SW_HIDE);
  const double hide = BenchSeconds() - t0;
  SendMessageA(form.EditBox(), EM_SETSEL, 0, -1);
  t0 = BenchSeconds();
  SendMessageA(form.EditBox(), WM_CLEAR, 0, 0);
  for (int i = 0; i < 3; ++i) SendMessageA(form.EditBox(), EM_UNDO, 0, 0);
  const double undo = BenchSeconds() - t0;
  const bool undone = GetWindowTextLengthA(form.EditBox()) == static_cast<int>(text.size());
  SendMessageA(form.EditBox(), EM_SETSEL, 0, 1);
  SendMessageA(form.EditBox(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(edit));
  t0 = BenchSeconds();
  SendMessageA(GetDlgItem(form.Handle(), IDOK), BM_CLICK, 0, 0);
  const double ok = BenchSeconds() - t0;

  DWORD stored = 0;
  RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &stored);
  std::printf("%-22s %8zu bytes, text %8zu chars: open %6.3f s (floor %6.3f s, ratio %6.1f), hide %5.3f s, "
              "delete and 3 undos %6.3f s (ratio %5.1f%s), OK %6.3f s, stored %lu bytes\n",
              what, data.size(), text.size(), open, floor, floor > 0 ? open / floor : 0.0, hide, undo,
              floor > 0 ? undo / floor : 0.0, undone ? "" : ", text not restored", ok,
              static_cast<unsigned long>(stored));
  std::fflush(stdout);
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, EditorKey);
}

}  // namespace

void MeasureEditor() {
  std::printf("Value editor on megabyte values\n");
  std::string binary(1 << 20, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
  std::string text(1 << 20, '\0');
  for (std::size_t i = 0; i + 1 < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  MeasureOne("binary 1 MB", REG_BINARY, binary, "F");
  MeasureOne("binary 4 KB (wrapped)", REG_BINARY, binary.substr(0, 4096), "F");
  MeasureOne("string 1 MB", REG_SZ, text, "Z");
}
