#pragma once
// The window base: binds the object to its HWND when the window is created and
// dispatches messages to one virtual handler. No exception crosses a window procedure.
#include <windows.h>

#include <memory>

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

// ---- Modal windows ------------------------------------------------------------------------
// Every dialog and message box is owned by the window that opened it: the innermost modal
// window that is open (each pushes itself while it runs), else the main window (AppHandle).
HWND DialogOwner();

// Makes window the owner of the dialogs and message boxes opened during its lifetime: a
// modal window while it runs, or a modeless one while one of its commands asks a question.
class TDialogOwnerScope {
 public:
  explicit TDialogOwnerScope(HWND window);
  ~TDialogOwnerScope();
  TDialogOwnerScope(const TDialogOwnerScope&) = delete;
  TDialogOwnerScope& operator=(const TDialogOwnerScope&) = delete;

 private:
  HWND window_;
};

// For the run of a modal window or box over owner: the other windows of the program (a
// modeless window such as the search window) are disabled too, and the keyboard focus goes
// back to the control that had it once the modal window has closed.
class TModalRun {
 public:
  // Made before the modal window is created.
  explicit TModalRun(HWND owner);
  ~TModalRun();
  TModalRun(const TModalRun&) = delete;
  TModalRun& operator=(const TModalRun&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM self);
  HWND owner_;
  HWND focus_;
  HWND disabled_[16] = {};
  int count_ = 0;
};

// The dialog base: a window made from a dialog template, bound to its object on
// WM_INITDIALOG. It runs modally (ShowModal) or, for tests and tools, modeless (Create):
// then ending it destroys the window and keeps the result. No exception crosses its procedure.
class TVkDialog {
 public:
  virtual ~TVkDialog();
  TVkDialog(const TVkDialog&) = delete;
  TVkDialog& operator=(const TVkDialog&) = delete;

  HWND Handle() const { return hwnd_; }
  // Runs the dialog modally over owner; returns the result it ended with (-1 when the
  // platform refused to create it).
  INT_PTR ShowModal(HWND owner);
  // Creates the dialog without a modal loop; false when the platform refuses.
  [[nodiscard]] bool Create(HWND owner);
  // Ends the dialog with result (IDOK, IDCANCEL): the modal loop returns it, a modeless
  // dialog is destroyed.
  void EndModal(int result);
  // The result the dialog ended with; 0 while it runs.
  int ModalResult() const { return result_; }

 protected:
  explicit TVkDialog(int templateId) : templateId_(templateId) {}
  // A dialog procedure's answer: TRUE when handled (or the value WM_INITDIALOG returns).
  virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return FALSE; }

  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  int templateId_;
  std::unique_ptr<TDialogOwnerScope> ownerScope_;
  bool modal_ = false;
  int result_ = 0;
};

// Pixel layout of fixed windows, at 96 dots per inch and scaled to the screen's.
int ScalePixels(int pixels);
// Places a control of the dialog at x, y with size w x h (pixels before scaling).
void PlaceControl(HWND dialog, int id, int x, int y, int w, int h);
// Gives the window a client area of w x h pixels (before scaling), keeping its position.
void SetClientSize(HWND window, int w, int h);
// Centres the window on the screen's work area.
void CenterOnScreen(HWND window);

// Holds a list's painting while the states of many rows change and repaints it once at the
// end: the list would otherwise repaint row by row, which makes a change of every row of a
// large list take a second.
class TBulkRowChange {
 public:
  explicit TBulkRowChange(HWND list) : list_(list) { SendMessageA(list_, WM_SETREDRAW, FALSE, 0); }
  ~TBulkRowChange() {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, FALSE);
  }
  TBulkRowChange(const TBulkRowChange&) = delete;
  TBulkRowChange& operator=(const TBulkRowChange&) = delete;

 private:
  HWND list_;
};

// Shows the hourglass (or another cursor) for its lifetime and the cursor that was there
// before afterwards (the arrow when there was none), on every way out.
class TWaitCursor {
 public:
  explicit TWaitCursor(LPCSTR cursor = reinterpret_cast<LPCSTR>(IDC_WAIT))
      : previous_(SetCursor(LoadCursorA(nullptr, cursor))) {}
  ~TWaitCursor() { SetCursor(previous_ ? previous_ : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

 private:
  HCURSOR previous_;
};
