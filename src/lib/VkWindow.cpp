#include "lib/VkWindow.h"

#include <exception>
#include <string>
#include <vector>

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

// ---- Modal windows ------------------------------------------------------------------------

namespace {
std::vector<HWND>& DialogOwners() {
  static std::vector<HWND> owners;
  return owners;
}
}  // namespace

HWND DialogOwner() {
  const std::vector<HWND>& owners = DialogOwners();
  for (auto it = owners.rbegin(); it != owners.rend(); ++it)
    if (IsWindow(*it)) return *it;
  return AppHandle;
}

TDialogOwnerScope::TDialogOwnerScope(HWND window) : window_(window) {
  if (window_) DialogOwners().push_back(window_);
}

TDialogOwnerScope::~TDialogOwnerScope() {
  std::vector<HWND>& owners = DialogOwners();
  if (!window_) return;
  for (auto it = owners.end(); it != owners.begin();) {
    if (*--it == window_) {
      owners.erase(it);
      break;
    }
  }
}

TModalRun::TModalRun(HWND owner) : owner_(owner), focus_(GetFocus()) {
  EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
  for (int i = 0; i < count_; ++i) EnableWindow(disabled_[i], FALSE);
}

BOOL CALLBACK TModalRun::Collect(HWND window, LPARAM self) {
  auto* run = reinterpret_cast<TModalRun*>(self);
  // The owner is disabled by the modal window itself, which also enables it again first,
  // so that the activation goes back to it.
  if (window != run->owner_ && IsWindowVisible(window) && IsWindowEnabled(window) && run->count_ < 16)
    run->disabled_[run->count_++] = window;
  return TRUE;
}

TModalRun::~TModalRun() {
  for (int i = 0; i < count_; ++i)
    if (IsWindow(disabled_[i])) EnableWindow(disabled_[i], TRUE);
  if (focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_)) {
    HWND top = GetAncestor(focus_, GA_ROOT);
    if (top && IsWindowEnabled(top) && GetActiveWindow() == top) SetFocus(focus_);
  }
}

// ---- Dialogs ------------------------------------------------------------------------------

TVkDialog::~TVkDialog() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

INT_PTR TVkDialog::ShowModal(HWND owner) {
  modal_ = true;
  result_ = 0;
  // The main window stands for whatever window opens the dialog now.
  if (!owner || owner == AppHandle) owner = DialogOwner();
  TModalRun run(owner);
  const INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return r;
}

bool TVkDialog::Create(HWND owner) {
  modal_ = false;
  result_ = 0;
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void TVkDialog::EndModal(int result) {
  result_ = result;
  if (!hwnd_) return;
  if (modal_) EndDialog(hwnd_, result);
  else DestroyWindow(hwnd_);
}

INT_PTR CALLBACK TVkDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TVkDialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<TVkDialog*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self) self->hwnd_ = hwnd;
    // A modal dialog owns what it opens while it runs.
    if (self && self->modal_) self->ownerScope_ = std::make_unique<TDialogOwnerScope>(hwnd);
  } else {
    self = reinterpret_cast<TVkDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    ShowMsg(std::string("Error: ") + e.what(), "Hivelark", MsgError);
    result = TRUE;
  } catch (...) {
    ShowMsg("An unexpected error occurred.", "Hivelark", MsgError);
    result = TRUE;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->ownerScope_.reset();
  }
  return result;
}

int ScalePixels(int pixels) {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int d = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return MulDiv(pixels, dpi, 96);
}

void PlaceControl(HWND dialog, int id, int x, int y, int w, int h) {
  if (HWND c = GetDlgItem(dialog, id))
    SetWindowPos(c, nullptr, ScalePixels(x), ScalePixels(y), ScalePixels(w), ScalePixels(h),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetClientSize(HWND window, int w, int h) {
  RECT rc{0, 0, ScalePixels(w), ScalePixels(h)};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), GetMenu(window) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOnScreen(HWND window) {
  RECT area{}, rc{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(window, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
