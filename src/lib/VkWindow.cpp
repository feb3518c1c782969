#include "lib/VkWindow.h"

#include <exception>
#include <string>

#include "lib/VkFuncLib.h"

TVkWindow::~TVkWindow() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

bool TVkWindow::RegisterClassOnce(const char* className, HICON icon) {
  WNDCLASSEXA wc{};
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(inst, className, &wc)) return true;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = inst;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0;
}

HWND TVkWindow::CreateBound(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int w,
                            int h, HWND parent, HMENU menu) {
  return CreateWindowExA(exStyle, className, title, style, x, y, w, h, parent, menu, GetModuleHandleA(nullptr), this);
}

LRESULT TVkWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd_, msg, wp, lp); }

LRESULT CALLBACK TVkWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TVkWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<TVkWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<TVkWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    ShowMsg(std::string("Error: ") + e.what(), "Hivelark", MsgError);
  } catch (...) {
    ShowMsg("An unexpected error occurred.", "Hivelark", MsgError);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}
