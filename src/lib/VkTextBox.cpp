#include "lib/VkTextBox.h"
#include "lib/VkTextBoxState.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

const char* const TextBoxClass = "HivelarkTextBox";

namespace textbox {

void TVkTextBox::Changed(bool scroll) {
  if (scroll) ScrollToCaret();
  UpdateScrollBars();
  PlaceCaret();
  InvalidateRect(wnd_, nullptr, FALSE);
}

void TVkTextBox::MoveCaret(std::size_t pos, bool extend) {
  caret_ = std::min(pos, text_.size());
  if (!extend) anchor_ = caret_;
  Changed(true);
}

bool TVkTextBox::Replace(std::size_t from, std::size_t to, const char* text, std::size_t n, TUndo undo) {
  if (from == to && n == 0) return false;
  // Everything that can fail for want of memory happens before the text changes, so a
  // refused edit leaves the text and its undo as they were.
  std::string removed;
  if (undo != Forget) removed.assign(text_, from, to - from);
  // A deletion that meets the deletion before it (Backspace or Delete held down) grows
  // that one's bytes to the left or right.
  const bool grow = undo == Keep && from != to && inserted_ == 0 && !removed_.empty() &&
                    (from == undoPos_ || to == undoPos_);
  if (grow) removed_.reserve(removed_.size() + removed.size());
  text_.replace(from, to - from, text, n);  // text may point into removed_ for an undo

  if (undo == Forget) {
    EmptyUndo();
  } else {
    if (undo == Undone) EmptyUndo();
    if (grow) {
      if (from == undoPos_) removed_.append(removed);
      else removed_.insert(0, removed);
      undoPos_ = from;
    } else if (from != to) {
      removed_ = std::move(removed);
      undoPos_ = from;
    }
    if (from != to) inserted_ = 0;  // a deletion ends the typing before it
    if (n) {
      // Typing that goes on where the last edit is adds to it; elsewhere it starts anew.
      if (from == undoPos_ || (inserted_ && from == undoPos_ + inserted_)) {
        inserted_ += n;
      } else {
        EmptyUndo();
        undoPos_ = from;
        inserted_ = n;
      }
    }
  }
  Reindex(from);
  anchor_ = caret_ = from + n;
  if (undo == Undone) anchor_ = from;  // the bytes put back are selected
  modified_ = true;
  goalX_ = -1;
  Changed(true);
  Notify(EN_CHANGE);
  return true;
}

bool TVkTextBox::ReplaceSel(const char* text, std::size_t n, bool cutAtBreak, TUndo undo) {
  if (cutAtBreak && !Multi()) {
    const char* brk = std::find_if(text, text + n, IsBreak);
    n = static_cast<std::size_t>(brk - text);
  }
  return Replace(SelStart(), SelEnd(), text, n, undo);
}

bool TVkTextBox::Undo() {
  if (ReadOnly() || !CanUndo()) return false;
  // The inserted bytes give way to the removed ones; undone again, the edit comes back.
  const std::size_t from = std::min(undoPos_, text_.size());
  const std::size_t to = std::min(from + inserted_, text_.size());
  return Replace(from, to, removed_.data(), removed_.size(), Undone);
}

void TVkTextBox::EmptyUndo() {
  inserted_ = 0;
  std::string().swap(removed_);  // gives back the memory of a large deletion
}

void TVkTextBox::SetText(const char* text) {
  text_.assign(text ? text : "");
  lines_.assign(1, 0);
  top_ = 0;
  xScroll_ = 0;
  anchor_ = caret_ = 0;
  goalX_ = -1;
  modified_ = false;
  EmptyUndo();
  Reindex(0);
  Changed(false);
  UpdateScrollBars();
}

bool TVkTextBox::Copy() const {
  const std::size_t from = SelStart(), n = SelEnd() - SelStart();
  if (n == 0 || !OpenClipboard(wnd_)) return false;
  EmptyClipboard();
  bool done = false;
  if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n + 1)) {
    if (char* p = static_cast<char*>(GlobalLock(mem))) {
      std::memcpy(p, text_.data() + from, n);
      p[n] = '\0';
      GlobalUnlock(mem);
      done = SetClipboardData(CF_TEXT, mem) != nullptr;
    }
    if (!done) GlobalFree(mem);
  }
  CloseClipboard();
  return done;
}

void TVkTextBox::Paste() {
  if (ReadOnly() || !OpenClipboard(wnd_)) return;
  std::string text;
  if (HANDLE mem = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(mem))) {
      const std::size_t size = GlobalSize(mem);
      text.assign(p, static_cast<std::size_t>(std::find(p, p + size, '\0') - p));
      GlobalUnlock(mem);
    }
  }
  CloseClipboard();
  ReplaceSel(text.data(), text.size(), true);
}

void TVkTextBox::Notify(WORD code) const {
  HWND parent = GetParent(wnd_);
  if (!parent) return;
  const int id = GetDlgCtrlID(wnd_);
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(wnd_));
}

void TVkTextBox::KeyDown(WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  const std::size_t line = LineOf(caret_);
  auto vertical = [&](long long lines) {
    if (goalX_ < 0) goalX_ = XOf(caret_);
    const long long target = std::clamp(static_cast<long long>(line) + lines, 0LL,
                                        static_cast<long long>(lines_.size()) - 1);
    const int keep = goalX_;
    MoveCaret(PosAtX(static_cast<std::size_t>(target), keep), shift);
    goalX_ = keep;
  };
  auto isWord = [](char c) { return c != ' ' && c != '\t' && !IsBreak(c); };
  switch (key) {
    case VK_LEFT: {
      std::size_t p = caret_;
      if (!shift && anchor_ != caret_) p = SelStart();
      else if (ctrl) {
        while (p > 0 && !isWord(text_[p - 1])) --p;
        while (p > 0 && isWord(text_[p - 1])) --p;
      } else if (p > 0) {
        p = p == LineStart(line) && line > 0 ? LineEnd(line - 1) : p - 1;
      }
      MoveCaret(p, shift);
      goalX_ = -1;
      return;
    }
    case VK_RIGHT: {
      std::size_t p = caret_;
      if (!shift && anchor_ != caret_) p = SelEnd();
      else if (ctrl) {
        while (p < text_.size() && isWord(text_[p])) ++p;
        while (p < text_.size() && !isWord(text_[p])) ++p;
      } else if (p < text_.size()) {
        p = p == LineEnd(line) && line + 1 < lines_.size() ? LineStart(line + 1) : p + 1;
      }
      MoveCaret(p, shift);
      goalX_ = -1;
      return;
    }
    case VK_UP: vertical(-1); return;
    case VK_DOWN: vertical(1); return;
    case VK_PRIOR:
      ScrollTo(static_cast<long long>(top_) - VisibleLines(), xScroll_);
      vertical(-VisibleLines());
      return;
    case VK_NEXT:
      ScrollTo(static_cast<long long>(top_) + VisibleLines(), xScroll_);
      vertical(VisibleLines());
      return;
    case VK_HOME:
      MoveCaret(ctrl ? 0 : LineStart(line), shift);
      goalX_ = -1;
      return;
    case VK_END:
      MoveCaret(ctrl ? text_.size() : LineCaretEnd(line), shift);
      goalX_ = -1;
      return;
    case VK_DELETE:
      if (ReadOnly()) return;
      if (shift) {  // Shift+Del cuts
        if (Copy()) ReplaceSel("", 0, false);
      } else if (anchor_ != caret_) {
        ReplaceSel("", 0, false);
      } else if (caret_ < text_.size()) {
        std::size_t to = caret_ + 1;
        if (text_[caret_] == '\r' && to < text_.size() && text_[to] == '\n') ++to;
        Replace(caret_, to, "", 0);
      }
      return;
    case VK_INSERT:
      if (ctrl) Copy();
      else if (shift) Paste();
      return;
    default: return;
  }
}

void TVkTextBox::Char(unsigned char c) {
  switch (c) {
    case 1:  // Ctrl+A
      anchor_ = 0;
      MoveCaret(text_.size(), true);
      return;
    case 3: Copy(); return;       // Ctrl+C
    case 0x16: Paste(); return;   // Ctrl+V
    case 0x18:                    // Ctrl+X
      if (!ReadOnly() && Copy()) ReplaceSel("", 0, false);
      return;
    case 0x1A: Undo(); return;  // Ctrl+Z
    default: break;
  }
  if (ReadOnly()) {
    if (c >= 32 || c == 8 || c == '\r' || c == '\t') MessageBeep(MB_OK);
    return;
  }
  if (c == 8) {  // Backspace
    if (anchor_ != caret_) ReplaceSel("", 0, false);
    else if (caret_ > 0) {
      std::size_t from = caret_ - 1;
      if (text_[from] == '\n' && from > 0 && text_[from - 1] == '\r') --from;
      Replace(from, caret_, "", 0);
    }
    return;
  }
  if (c == '\r' || c == '\n') {
    if (Multi()) ReplaceSel("\r\n", 2, false);
    return;
  }
  if (c == 0x7F || (c < 32 && c != '\t')) return;  // Ctrl+Backspace and other control codes
  if (c == '\t' && !Multi()) return;
  const char ch = static_cast<char>(c);
  ReplaceSel(&ch, 1, false);
}

LRESULT TVkTextBox::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      if (auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp); cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
        SetText(cs->lpszName);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      if (Multi()) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT:
      SetText(reinterpret_cast<const char*>(lp));
      if (!Multi()) Notify(EN_CHANGE);
      return TRUE;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text_.size());
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      const std::size_t n = std::min<std::size_t>(text_.size(), wp - 1);
      std::memcpy(reinterpret_cast<char*>(lp), text_.data(), n);
      reinterpret_cast<char*>(lp)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wp));
      Reindex(0);
      top_ = std::min(top_, lines_.size() - 1);
      Changed(false);
      if (focused_) {
        CreateCaret(wnd_, nullptr, 1, lineHeight_);
        PlaceCaret();
        ShowCaret(wnd_);
      }
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case EM_GETSEL: {
      const DWORD from = static_cast<DWORD>(SelStart()), to = static_cast<DWORD>(SelEnd());
      if (wp) *reinterpret_cast<DWORD*>(wp) = from;
      if (lp) *reinterpret_cast<DWORD*>(lp) = to;
      // As the edit box: -1 when a position does not fit the 16 bits of its half.
      return from > 0xFFFF || to > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(from, to));
    }
    case EM_SETSEL: {
      const long long from = static_cast<int>(wp), to = static_cast<int>(lp);
      const long long len = static_cast<long long>(text_.size());
      if (from < 0) {  // -1 removes the selection and keeps the caret
        anchor_ = caret_;
      } else {
        anchor_ = static_cast<std::size_t>(std::min(from, len));
        caret_ = static_cast<std::size_t>(to < 0 ? len : std::min(to, len));
      }
      goalX_ = -1;
      Changed(true);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lp);
      if (text) ReplaceSel(text, std::strlen(text), true, wp ? Keep : Forget);
      return 0;
    }
    case EM_GETMODIFY: return modified_;
    case EM_SETMODIFY: modified_ = wp != 0; return 0;
    case EM_SETREADONLY: {
      const LONG_PTR style = GetWindowLongPtrA(wnd_, GWL_STYLE);
      SetWindowLongPtrA(wnd_, GWL_STYLE, wp ? style | ES_READONLY : style & ~static_cast<LONG_PTR>(ES_READONLY));
      InvalidateRect(wnd_, nullptr, FALSE);
      return TRUE;
    }
    case EM_SCROLLCARET: ScrollToCaret(); return TRUE;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(lines_.size());
    case EM_SETLIMITTEXT: return 0;
    case EM_EMPTYUNDOBUFFER: EmptyUndo(); return 0;
    case EM_CANUNDO: return CanUndo();
    case EM_UNDO:
    case WM_UNDO:  // as the edit box: a one-line box always answers TRUE
      return Undo() || !Multi();
    case WM_COPY: Copy(); return 0;
    case WM_CUT:
      if (!ReadOnly() && Copy()) ReplaceSel("", 0, false);
      return 0;
    case WM_PASTE: Paste(); return 0;
    case WM_CLEAR:
      if (!ReadOnly()) ReplaceSel("", 0, false);
      return 0;
    case WM_KEYDOWN: KeyDown(wp); return 0;
    case WM_SYSKEYDOWN:
      if (wp == VK_BACK && (lp & (1 << 29))) {  // Alt+Backspace undoes
        Undo();
        return 0;
      }
      return DefWindowProcA(wnd_, msg, wp, lp);
    case WM_SYSCHAR:
      if (wp == VK_BACK && (lp & (1 << 29))) return 0;  // its character: no menu key, no beep
      return DefWindowProcA(wnd_, msg, wp, lp);
    case WM_CHAR: Char(static_cast<unsigned char>(wp)); return 0;
    case WM_SETFOCUS:
      focused_ = true;
      CreateCaret(wnd_, nullptr, 1, lineHeight_);
      PlaceCaret();
      ShowCaret(wnd_);
      InvalidateRect(wnd_, nullptr, FALSE);
      Notify(EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      dragging_ = false;
      DestroyCaret();
      InvalidateRect(wnd_, nullptr, FALSE);
      Notify(EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDBLCLK: {  // selects the word under the pointer
      MouseAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), false);
      auto isWord = [](char c) { return c != ' ' && c != '\t' && !IsBreak(c); };
      std::size_t from = caret_, to = caret_;
      while (from > 0 && isWord(text_[from - 1])) --from;
      while (to < text_.size() && isWord(text_[to])) ++to;
      anchor_ = from;
      MoveCaret(to, true);
      return 0;
    }
    case WM_CONTEXTMENU: {
      if (GetFocus() != wnd_) SetFocus(wnd_);
      POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (lp == -1) {  // from the keyboard: at the caret
        GetCaretPos(&at);
        ClientToScreen(wnd_, &at);
      }
      HMENU menu = CreatePopupMenu();
      const bool sel = anchor_ != caret_, editable = !ReadOnly();
      AppendMenuA(menu, MF_STRING | (editable && CanUndo() ? 0 : MF_GRAYED), WM_UNDO, "&Undo");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING | (sel && editable ? 0 : MF_GRAYED), WM_CUT, "Cu&t");
      AppendMenuA(menu, MF_STRING | (sel ? 0 : MF_GRAYED), WM_COPY, "&Copy");
      AppendMenuA(menu, MF_STRING | (editable && IsClipboardFormatAvailable(CF_TEXT) ? 0 : MF_GRAYED), WM_PASTE,
                  "&Paste");
      AppendMenuA(menu, MF_STRING | (sel && editable ? 0 : MF_GRAYED), WM_CLEAR, "&Delete");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING | (text_.empty() ? MF_GRAYED : 0), EM_SETSEL, "Select &All");
      const UINT cmd = static_cast<UINT>(
          TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, wnd_, nullptr));
      DestroyMenu(menu);
      if (cmd == EM_SETSEL) SendMessageA(wnd_, EM_SETSEL, 0, -1);
      else if (cmd) SendMessageA(wnd_, cmd, 0, 0);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (GetFocus() != wnd_) SetFocus(wnd_);
      dragging_ = true;
      SetCapture(wnd_);
      MouseAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), (wp & MK_SHIFT) != 0);
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_ && (wp & MK_LBUTTON)) MouseAt(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), true);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (GetCapture() == wnd_) ReleaseCapture();
      }
      return 0;
    case WM_MOUSEWHEEL: {
      UINT perNotch = 3;
      SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
      wheel_ += static_cast<short>(HIWORD(wp));
      const int notches = wheel_ / WHEEL_DELTA;
      wheel_ %= WHEEL_DELTA;
      if (notches && Multi()) {
        const long long lines = perNotch == WHEEL_PAGESCROLL ? VisibleLines() : static_cast<long long>(perNotch);
        ScrollTo(static_cast<long long>(top_) - notches * lines, xScroll_);
      }
      return 0;
    }
    case WM_VSCROLL: Scroll(SB_VERT, LOWORD(wp)); return 0;
    case WM_HSCROLL: Scroll(SB_HORZ, LOWORD(wp)); return 0;
    case WM_SIZE:
      if (Wrap()) Reindex(0);
      top_ = std::min(top_, lines_.size() - 1);
      Changed(false);
      return 0;
    case WM_STYLECHANGED:
    case WM_ENABLE: InvalidateRect(wnd_, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
    default: return DefWindowProcA(wnd_, msg, wp, lp);
  }
}

}  // namespace textbox

namespace {

using textbox::TVkTextBox;

LRESULT CALLBACK TextBoxProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = reinterpret_cast<TVkTextBox*>(GetWindowLongPtrA(wnd, 0));
  if (msg == WM_NCCREATE) {
    try {
      box = new TVkTextBox(wnd);
    } catch (...) {
      return FALSE;
    }
    SetWindowLongPtrA(wnd, 0, reinterpret_cast<LONG_PTR>(box));
    return DefWindowProcA(wnd, msg, wp, lp);
  }
  if (!box) return DefWindowProcA(wnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(wnd, 0, 0);
    delete box;
    return DefWindowProcA(wnd, msg, wp, lp);
  }
  try {
    return box->Handle(msg, wp, lp);
  } catch (...) {  // no room for the text: the edit is refused
    MessageBeep(MB_ICONERROR);
    return 0;
  }
}

}  // namespace

bool EditBoxFaults(std::string_view text) {
  constexpr wchar_t SmallTilde = 0x02DC;
  // In a single-byte code page one byte stands for the character (or none does); -1 when
  // the code page has lead bytes and the text must be converted.
  static const int tildeByte = [] {
    CPINFO info;
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return -1;
    for (int b = 0x80; b < 0x100; ++b) {
      const char c = static_cast<char>(b);
      wchar_t w = 0;
      if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) == 1 && w == SmallTilde) return b;
    }
    return 0;
  }();
  if (tildeByte >= 0) return tildeByte > 0 && text.find(static_cast<char>(tildeByte)) != std::string_view::npos;
  if (text.empty() || text.size() > 0x7FFFFFFF) return false;
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide.find(SmallTilde) != std::wstring::npos;
}

HWND ReplaceByTextBox(HWND edit) {
  HWND parent = GetParent(edit);
  if (!edit || !parent || !RegisterTextBoxClass()) return edit;
  RECT rc;
  GetWindowRect(edit, &rc);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  HWND box = CreateWindowExA(static_cast<DWORD>(GetWindowLongPtrA(edit, GWL_EXSTYLE)), TextBoxClass, "",
                             static_cast<DWORD>(GetWindowLongPtrA(edit, GWL_STYLE)), rc.left, rc.top,
                             rc.right - rc.left, rc.bottom - rc.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(edit))),
                             GetModuleHandleA(nullptr), nullptr);
  if (!box) return edit;
  SetWindowPos(box, edit, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(box, WM_SETFONT, static_cast<WPARAM>(SendMessageA(edit, WM_GETFONT, 0, 0)), FALSE);
  const bool focused = GetFocus() == edit;
  DestroyWindow(edit);
  if (focused) SetFocus(box);
  return box;
}

bool RegisterTextBoxClass() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(inst, TextBoxClass, &wc)) return true;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = TextBoxProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hInstance = inst;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
  wc.lpszClassName = TextBoxClass;
  return RegisterClassExA(&wc) != 0;
}
