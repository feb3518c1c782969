// The text box's line index, layout, scrolling, caret, painting and mouse (its state is
// in VkTextBoxState.h).
#include "lib/VkTextBoxState.h"

namespace textbox {

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

}  // namespace textbox
