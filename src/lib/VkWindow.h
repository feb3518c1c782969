#pragma once
// The window base: binds the object to its HWND when the window is created and
// dispatches messages to one virtual handler. No exception crosses a window procedure.
#include <windows.h>

class TVkWindow {
 public:
  TVkWindow() = default;
  virtual ~TVkWindow();
  TVkWindow(const TVkWindow&) = delete;
  TVkWindow& operator=(const TVkWindow&) = delete;

  HWND Handle() const { return hwnd_; }

 protected:
  // Registers a window class whose procedure dispatches to HandleMessage.
  static bool RegisterClassOnce(const char* className, HICON icon);
  // Creates the window with this object bound to it.
  HWND CreateBound(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int w, int h,
                   HWND parent, HMENU menu);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};
