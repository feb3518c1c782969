#pragma once
// The text box's state, shared by the two files that make it up: VkTextBox.cpp (the window,
// editing, undo, clipboard, keys) and VkTextBoxView.cpp (line index, layout, scrolling,
// caret, painting, mouse). Only the text box includes this.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace textbox {

inline constexpr int Margin = 2;  // pixels left of the text and right of the widest line
inline constexpr std::size_t None = static_cast<std::size_t>(-1);

inline bool IsBreak(char c) { return c == '\r' || c == '\n'; }

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

}  // namespace textbox
