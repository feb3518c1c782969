#include "lib/VkTextBox.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

const char* const TextBoxClass = "HivelarkTextBox";

namespace {

constexpr int Margin = 2;  // pixels left of the text and right of the widest line
constexpr std::size_t None = static_cast<std::size_t>(-1);

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The state of one box, owned by its window (made on WM_NCCREATE, freed on WM_NCDESTROY).
class TVkTextBox {
 public:
  explicit TVkTextBox(HWND wnd) : wnd_(wnd) { SetFont(nullptr); }
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

 private:
  DWORD Style() const { return static_cast<DWORD>(GetWindowLongPtrA(wnd_, GWL_STYLE)); }
  bool Multi() const { return (Style() & ES_MULTILINE) != 0; }
  bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }
  bool Wrap() const { return Multi() && !(Style() & (ES_AUTOHSCROLL | WS_HSCROLL)); }

  // Layout.
  void SetFont(HFONT font);
  int CharWidth(char c, int x) const {
    if (c == '\t') return tabWidth_ - x % tabWidth_;
    return widths_[static_cast<unsigned char>(c)];
  }
  void Reindex(std::size_t from);  // lines from the one holding text position from
  std::size_t LineOf(std::size_t pos) const {
    return static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), pos) - lines_.begin()) - 1;
  }
  std::size_t LineStart(std::size_t line) const { return lines_[line]; }
  // The end of the line's characters (before its line break).
  std::size_t LineEnd(std::size_t line) const;
  // Where the caret may stand at the end of the line: before a wrapped line's last space.
  std::size_t LineCaretEnd(std::size_t line) const;
  int XOf(std::size_t pos) const;  // pixels from the line's start to pos
  std::size_t PosAtX(std::size_t line, int x) const;
  RECT TextRect() const;
  int VisibleLines() const;
  int TopY() const;

  // Scrolling and caret.
  void UpdateScrollBars();
  void ScrollTo(long long top, long long x);
  void ScrollToCaret();
  void PlaceCaret();
  void Changed(bool scroll);  // after the selection or the text moved

  // Editing.
  std::size_t SelStart() const { return std::min(anchor_, caret_); }
  std::size_t SelEnd() const { return std::max(anchor_, caret_); }
  void MoveCaret(std::size_t pos, bool extend);
  // How an edit meets the undo buffer: kept with it (grouped with the edit before when they
  // touch, as the edit box groups typing), kept as an undo that starts a new buffer, or
  // not undoable (the buffer is emptied).
  enum TUndo { Keep, Undone, Forget };
  bool Replace(std::size_t from, std::size_t to, const char* text, std::size_t n, TUndo undo = Keep);
  bool ReplaceSel(const char* text, std::size_t n, bool cutAtBreak, TUndo undo = Keep);
  bool CanUndo() const { return inserted_ > 0 || !removed_.empty(); }
  bool Undo();
  void EmptyUndo();
  void SetText(const char* text);
  bool Copy() const;
  void Paste();
  void Notify(WORD code) const;
  void KeyDown(WPARAM key);
  void Char(unsigned char c);
  void Paint();
  void MouseAt(int x, int y, bool extend);
  void Scroll(int bar, WORD code);

  HWND wnd_;
  std::string text_;
  std::vector<std::size_t> lines_{0};  // start of each shown line
  std::size_t anchor_ = 0, caret_ = 0;
  bool modified_ = false;
  // The last edit, to undo it: at undoPos_ the text now holds inserted_ bytes that replaced
  // the bytes removed_ (the edit itself, not a copy of the text).
  std::size_t undoPos_ = 0, inserted_ = 0;
  std::string removed_;
  bool focused_ = false;
  bool dragging_ = false;
  int goalX_ = -1;  // the column kept by Up and Down
  int wheel_ = 0;   // wheel turns below one notch
  std::size_t top_ = 0;
  int xScroll_ = 0;
  int widest_ = 0;  // pixel width of the widest line
  int wrapWidth_ = 0;
  HFONT font_ = nullptr;
  int lineHeight_ = 16;
  int widths_[256] = {};
  int tabWidth_ = 64;
};

void TVkTextBox::SetFont(HFONT font) {
  font_ = font;
  HDC dc = GetDC(wnd_);
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight));
  if (!GetCharWidth32A(dc, 0, 255, widths_))
    for (int& w : widths_) w = std::max(1, static_cast<int>(tm.tmAveCharWidth));
  tabWidth_ = std::max(1, 8 * static_cast<int>(tm.tmAveCharWidth));
  SelectObject(dc, old);
  ReleaseDC(wnd_, dc);
}

std::size_t TVkTextBox::LineEnd(std::size_t line) const {
  if (line + 1 >= lines_.size()) return text_.size();
  std::size_t end = lines_[line + 1];
  if (end > 0 && text_[end - 1] == '\n') --end;
  if (end > 0 && text_[end - 1] == '\r') --end;
  return end;
}

std::size_t TVkTextBox::LineCaretEnd(std::size_t line) const {
  const std::size_t end = LineEnd(line);
  // A wrapped line has no break characters: its end is the next line's start, where the
  // caret would show on the next line.
  if (line + 1 < lines_.size() && end == lines_[line + 1] && end > lines_[line]) return end - 1;
  return end;
}

void TVkTextBox::Reindex(std::size_t from) {
  const bool wrap = Wrap();
  if (wrap) {
    RECT rc;
    GetClientRect(wnd_, &rc);
    wrapWidth_ = std::max(1, static_cast<int>(rc.right) - 2 * Margin);
  }
  std::size_t line = LineOf(std::min(from, text_.size()));
  if (wrap && line > 0) --line;  // a shorter line may now take words of the next one
  if (line == 0) widest_ = 0;
  lines_.resize(line + 1);
  const std::size_t n = text_.size();
  const char* t = text_.data();
  std::size_t p = lines_.back();
  std::size_t wrapAt = None;  // after the last space of the line
  int x = 0;
  while (p < n) {
    const char c = t[p];
    if (IsBreak(c)) {
      std::size_t q = p + 1;
      if (c == '\r' && q < n && t[q] == '\n') ++q;
      widest_ = std::max(widest_, x);
      lines_.push_back(q);
      x = 0;
      wrapAt = None;
      p = q;
      continue;
    }
    const int w = CharWidth(c, x);
    if (wrap && c != ' ' && x > 0 && x + w > wrapWidth_) {
      const std::size_t b = wrapAt != None ? wrapAt : p;
      widest_ = std::max(widest_, x);
      lines_.push_back(b);
      x = 0;
      for (std::size_t i = b; i < p; ++i) x += CharWidth(t[i], x);
      wrapAt = None;
      if (b == p) continue;  // the character opens the new line
    }
    x += w;
    if (c == ' ') wrapAt = p + 1;
    ++p;
  }
  widest_ = std::max(widest_, x);
}

int TVkTextBox::XOf(std::size_t pos) const {
  const std::size_t line = LineOf(pos);
  int x = 0;
  for (std::size_t i = lines_[line]; i < pos && i < text_.size(); ++i) x += CharWidth(text_[i], x);
  return x;
}

std::size_t TVkTextBox::PosAtX(std::size_t line, int x) const {
  const std::size_t end = LineCaretEnd(line);
  std::size_t p = lines_[line];
  int at = 0;
  while (p < end) {
    const int w = CharWidth(text_[p], at);
    if (at + w / 2 >= x) break;
    at += w;
    ++p;
  }
  return p;
}

RECT TVkTextBox::TextRect() const {
  RECT rc;
  GetClientRect(wnd_, &rc);
  return rc;
}

int TVkTextBox::VisibleLines() const {
  const RECT rc = TextRect();
  return std::max(1, static_cast<int>(rc.bottom) / lineHeight_);
}

int TVkTextBox::TopY() const {
  if (Multi()) return 0;
  const RECT rc = TextRect();
  return std::max(0, (static_cast<int>(rc.bottom) - lineHeight_) / 2);
}

void TVkTextBox::UpdateScrollBars() {
  const DWORD style = Style();
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  if (style & WS_VSCROLL) {
    si.nMin = 0;
    si.nMax = static_cast<int>(std::min<std::size_t>(lines_.size(), 0x7FFFFFFF) - 1);
    si.nPage = static_cast<UINT>(VisibleLines());
    si.nPos = static_cast<int>(top_);
    SetScrollInfo(wnd_, SB_VERT, &si, TRUE);
  }
  if (style & WS_HSCROLL) {
    const RECT rc = TextRect();
    si.nMin = 0;
    si.nMax = widest_ + 2 * Margin;
    si.nPage = static_cast<UINT>(std::max(1L, rc.right));
    si.nPos = xScroll_;
    SetScrollInfo(wnd_, SB_HORZ, &si, TRUE);
  }
}

void TVkTextBox::ScrollTo(long long top, long long x) {
  const long long lastTop = std::max(0LL, static_cast<long long>(lines_.size()) - VisibleLines());
  top = std::clamp(top, 0LL, Multi() ? lastTop : 0LL);
  const RECT rc = TextRect();
  const long long lastX = Wrap() ? 0 : std::max(0LL, static_cast<long long>(widest_) + 2 * Margin - rc.right);
  x = std::clamp(x, 0LL, lastX);
  if (static_cast<std::size_t>(top) == top_ && x == xScroll_) return;
  top_ = static_cast<std::size_t>(top);
  xScroll_ = static_cast<int>(x);
  InvalidateRect(wnd_, nullptr, FALSE);
  UpdateScrollBars();
  PlaceCaret();
}

void TVkTextBox::ScrollToCaret() {
  const std::size_t line = LineOf(caret_);
  long long top = static_cast<long long>(top_);
  const int visible = VisibleLines();
  if (line < top_) top = static_cast<long long>(line);
  else if (line >= top_ + static_cast<std::size_t>(visible)) top = static_cast<long long>(line) - visible + 1;
  long long x = xScroll_;
  if (!Wrap()) {
    const int cx = XOf(caret_) + Margin;
    const int width = static_cast<int>(TextRect().right);
    if (cx < xScroll_ + Margin) x = std::max(0, cx - width / 4);
    else if (cx > xScroll_ + width - Margin) x = cx - width * 3 / 4;
  }
  ScrollTo(top, x);
}

void TVkTextBox::PlaceCaret() {
  if (!focused_) return;
  const std::size_t line = LineOf(caret_);
  const long long y = (static_cast<long long>(line) - static_cast<long long>(top_)) * lineHeight_ + TopY();
  const long long x = static_cast<long long>(XOf(caret_)) + Margin - xScroll_;
  SetCaretPos(static_cast<int>(std::clamp(x, -10000LL, 30000LL)), static_cast<int>(std::clamp(y, -10000LL, 30000LL)));
}

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

void TVkTextBox::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd_, &ps);
  const bool plain = ReadOnly() || !IsWindowEnabled(wnd_);
  HWND parent = GetParent(wnd_);
  HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageA(parent, plain ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                                 reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(wnd_)))
                        : nullptr;
  if (!brush) {
    brush = GetSysColorBrush(plain ? COLOR_BTNFACE : COLOR_WINDOW);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  }
  if (!IsWindowEnabled(wnd_)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  const COLORREF textColor = GetTextColor(dc);
  FillRect(dc, &ps.rcPaint, brush);
  HGDIOBJ oldFont = SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  const RECT rc = TextRect();
  const bool showSel = focused_ || (Style() & ES_NOHIDESEL);
  const std::size_t selFrom = showSel ? SelStart() : 0, selTo = showSel ? SelEnd() : 0;
  const int y0 = TopY();
  const std::size_t first = top_ + static_cast<std::size_t>(std::max(0L, (ps.rcPaint.top - y0) / lineHeight_));
  for (std::size_t line = first; line < lines_.size(); ++line) {
    const long long y = (static_cast<long long>(line) - static_cast<long long>(top_)) * lineHeight_ + y0;
    if (y >= ps.rcPaint.bottom || y >= rc.bottom) break;
    const std::size_t end = LineEnd(line);
    std::size_t p = lines_[line];
    int x = 0;  // pixels from the line's start
    const int left = xScroll_ - Margin;
    while (p < end && x + CharWidth(text_[p], x) <= left) x += CharWidth(text_[p++], x);
    const int right = xScroll_ + static_cast<int>(rc.right);
    while (p < end && x < right) {
      // One run: characters of one kind (selected or not) up to a tab.
      const bool selected = p >= selFrom && p < selTo;
      std::size_t q = p;
      int runX = x;
      if (text_[p] == '\t') {
        runX = x + CharWidth('\t', x);
        q = p + 1;
      } else {
        while (q < end && text_[q] != '\t' && (q >= selFrom && q < selTo) == selected && runX < right)
          runX += CharWidth(text_[q++], runX);
      }
      const int sx = x - xScroll_ + Margin;
      const int sy = static_cast<int>(y);
      if (selected) {
        RECT sel = {sx, sy, runX - xScroll_ + Margin, sy + lineHeight_};
        FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      }
      if (text_[p] != '\t') TextOutA(dc, sx, sy, text_.data() + p, static_cast<int>(q - p));
      if (selected) SetTextColor(dc, textColor);
      x = runX;
      p = q;
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(wnd_, &ps);
}

void TVkTextBox::MouseAt(int x, int y, bool extend) {
  const long long row = y < TopY() ? -1 : (y - TopY()) / lineHeight_;
  const long long line = std::clamp(static_cast<long long>(top_) + row, 0LL, static_cast<long long>(lines_.size()) - 1);
  MoveCaret(PosAtX(static_cast<std::size_t>(line), x + xScroll_ - Margin), extend);
  goalX_ = -1;
}

void TVkTextBox::Scroll(int bar, WORD code) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(wnd_, bar, &si);
  const bool vert = bar == SB_VERT;
  long long pos = vert ? static_cast<long long>(top_) : xScroll_;
  const long long line = vert ? 1 : widths_[static_cast<unsigned char>('0')] * 4;
  const long long page = vert ? VisibleLines() : std::max(1L, TextRect().right - 10);
  switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  if (vert) ScrollTo(pos, xScroll_);
  else ScrollTo(static_cast<long long>(top_), pos);
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
