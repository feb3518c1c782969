#include "browser/Strip.h"

#include <windowsx.h>

namespace {
const char* const StripClassName = "THivelarkStrip";
}

bool TStrip::Create(HWND parent) {
  if (!RegisterClassOnce(StripClassName, nullptr)) return false;
  return CreateBound(0, StripClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, StripHeight, parent,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_))) != nullptr;
}

void TStrip::Repaint() {
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateWindow(hwnd_);
}

LRESULT TStrip::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      // Paint into a bitmap first so the strip never flickers while it is redrawn.
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
      HGDIOBJ old = SelectObject(mem, bmp);
      host_.PaintStrip(id_, mem, rc);
      BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      SetCursor(LoadCursorA(nullptr, cursor_));
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const int button = msg == WM_LBUTTONDOWN ? 0 : (msg == WM_RBUTTONDOWN ? 1 : 2);
      if (button == 0) SetCapture(hwnd_);
      host_.StripButtonDown(id_, button, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    }
    case WM_MOUSEMOVE:
      if ((wp & MK_LBUTTON) && GetCapture() == hwnd_) host_.StripDrag(id_, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd_) ReleaseCapture();
      host_.StripButtonUp(id_);
      return 0;
    case WM_CAPTURECHANGED:
      host_.StripButtonUp(id_);
      return 0;
    default:
      return DefWindowProcA(hwnd_, msg, wp, lp);
  }
}
