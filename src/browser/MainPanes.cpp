// The main window's panes: their layout, rows, selection, title strips, the splitter and
// the registry pane's type-ahead.
#include "browser/Main.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "browser/PaneLayout.h"
#include "lib/VkFont.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

constexpr int StripRegId = IDC_PATHBAR;
constexpr int StripBmkId = IDC_BMK_STRIP;
const char* const BookmarkListNames[3] = {"User Bookmarks", "Search Bookmarks", "Cut/Copy Bookmarks"};
// Room kept between the location text and the item count in the title strip.
constexpr int StripTextGap = 8;
// Typed characters further apart than this start a new type-ahead search.
constexpr DWORD TypeAheadTimeout = 1000;

int Luminance(COLORREF c) { return (299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c)) / 1000; }

// The first pixel column of a strip of the given width from which text in the font colour
// stands out better from the gradient than text in the back colour.
int TextColourSplit(COLORREF font, COLORREF back, COLORREF face, int width) {
  const int lf = Luminance(font), lb = Luminance(back);
  for (int x = 0; x < width; ++x) {
    const int lg = Luminance(BlendColors(font, face, x * 255 / std::max(1, width)));
    if (std::abs(lg - lf) > std::abs(lg - lb)) return x;
  }
  return width;
}

COLORREF SysColour(std::uint32_t colour) {
  // Colours of the settings may name a system colour (0x800000nn).
  return (colour & 0xFF000000u) == 0x80000000u ? GetSysColor(static_cast<int>(colour & 0xFFu))
                                               : static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

}  // namespace

void TFormHivelark::Layout() {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int width = rc.right;
  const TPaneSplit split = SplitPanes(rc.bottom, state_.BookmarkHeight, state_.BookmarkVisible);
  const int regHeight = split.RegHeight, bmkHeight = split.BmkHeight;
  MoveWindow(strip1_.Handle(), 0, 0, width, StripHeight, TRUE);
  MoveWindow(list_, 0, StripHeight, width, std::max(0, regHeight - StripHeight), TRUE);
  const int show = state_.BookmarkVisible ? SW_SHOW : SW_HIDE;
  ShowWindow(strip2_.Handle(), show);
  ShowWindow(bmkList_, show);
  if (state_.BookmarkVisible) {
    MoveWindow(strip2_.Handle(), 0, regHeight, width, StripHeight, TRUE);
    MoveWindow(bmkList_, 0, regHeight + StripHeight, width, std::max(0, bmkHeight - StripHeight), TRUE);
    MoveWindow(cancelSearch_, std::max(0, width - 88), regHeight, 88, 18, TRUE);
  }
  ShowWindow(cancelSearch_, cancelShown_ && state_.BookmarkVisible ? SW_SHOW : SW_HIDE);
}

void TFormHivelark::ShowCancelSearch(bool visible) {
  cancelShown_ = visible;
  ShowWindow(cancelSearch_, visible && state_.BookmarkVisible ? SW_SHOW : SW_HIDE);
}

void TFormHivelark::ActivateRow(int index) {
  if (index < 0 || index >= model_.Count()) return;
  const TRegRow& row = model_.Rows[static_cast<std::size_t>(index)];
  if (row.IsParent()) {
    navigator_.Navigate("CDUP", LastKeyName(state_.CurKey), true, false);
  } else if (row.Unspellable) {
    ShowUnspellable(row.Name);
  } else if (row.IsKey()) {
    const std::string caption = row.Name;  // the rows are rebuilt by the call
    navigator_.Navigate("CD", caption, true, state_.RootMode);
  }
}

void TFormHivelark::SortByColumn(int column) {
  state_.SortMethod = column;
  std::unordered_set<std::string> selected;
  for (int i : RegSelection()) selected.insert(model_.Caption(i));
  const int focusedIndex = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  const std::string focused = focusedIndex >= 0 ? model_.Caption(focusedIndex) : std::string();
  model_.Sort(column);
  TBulkRowChange bulk(list_);
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int i = 0; i < model_.Count() && !selected.empty(); ++i) {
    const std::string& name = model_.Rows[static_cast<std::size_t>(i)].Name;
    UINT state = 0;
    if (selected.count(name)) state |= LVIS_SELECTED;
    if (!focused.empty() && name == focused) state |= LVIS_FOCUSED;
    if (state) ListView_SetItemState(list_, i, state, state);
  }
}

void TFormHivelark::BeginFill() {
  // A re-read closes an open rename editor without renaming: its row may hold another item next.
  // (Wine's list hands the editor's text over even when the edit is cancelled.)
  if (ListView_GetEditControl(list_) && !renameCancelled_) {
    renameEnter_ = false;
    renameCancelled_ = true;
    SendMessageA(list_, LVM_CANCELEDITLABEL, 0, 0);
    renameCancelled_ = false;
  }
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

void TFormHivelark::EndFill() {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(model_.Count()), 0);
  // The list holds no selection now, whatever it reported on the way.
  selected_.assign(static_cast<std::size_t>(model_.Count()), 0);
  selectedCount_ = 0;
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

int TFormHivelark::FirstSelectedRow() { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

std::string TFormHivelark::FirstSelectedCaption() {
  const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  return index >= 0 ? model_.Caption(index) : std::string();
}

std::vector<int> TFormHivelark::RegSelection() const {
  std::vector<int> rows;
  const int count = model_.Count();
  int left = static_cast<int>(ListView_GetSelectedCount(list_));
  rows.reserve(static_cast<std::size_t>(left));
  if (static_cast<int>(selected_.size()) == count && selectedCount_ == left) {
    for (int i = 0; i < count && left > 0; ++i)
      if (selected_[static_cast<std::size_t>(i)]) {
        rows.push_back(i);
        --left;
      }
    return rows;
  }
  // The record disagrees with the list: the list is asked row by row (stepping with
  // LVNI_SELECTED is not linear for a virtual list under some platform versions) and the
  // record is made again from its answers.
  selected_.assign(static_cast<std::size_t>(count), 0);
  for (int i = 0; i < count && left > 0; ++i) {
    if (ListView_GetItemState(list_, i, LVIS_SELECTED)) {
      rows.push_back(i);
      selected_[static_cast<std::size_t>(i)] = 1;
      --left;
    }
  }
  selectedCount_ = static_cast<int>(rows.size());
  return rows;
}

void TFormHivelark::TrackSelection(const NMHDR& header, LPARAM lp) {
  const int count = model_.Count();
  if (static_cast<int>(selected_.size()) != count) {
    selected_.assign(static_cast<std::size_t>(count), 0);
    selectedCount_ = -1;  // unknown until RegSelection asks the list again
  }
  const auto set = [&](int from, int to, bool on) {
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    for (int i = from; i <= to; ++i) {
      unsigned char& flag = selected_[static_cast<std::size_t>(i)];
      if (flag != static_cast<unsigned char>(on)) {
        flag = static_cast<unsigned char>(on);
        if (selectedCount_ >= 0) selectedCount_ += on ? 1 : -1;
      }
    }
  };
  if (header.code == LVN_ITEMCHANGED) {
    const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lp);
    if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return;
    const bool on = (change.uNewState & LVIS_SELECTED) != 0;
    // Row -1 stands for every row.
    if (change.iItem < 0) set(0, count - 1, on);
    else set(change.iItem, change.iItem, on);
  } else if (header.code == LVN_ODSTATECHANGED) {
    const auto& change = *reinterpret_cast<const NMLVODSTATECHANGE*>(lp);
    if ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)
      set(change.iFrom, change.iTo, (change.uNewState & LVIS_SELECTED) != 0);
  }
}

void TFormHivelark::SelectRow(int index) {
  if (index < 0 || index >= model_.Count()) return;
  {
    TBulkRowChange bulk(list_);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  SendMessageA(list_, LVM_SETSELECTIONMARK, 0, index);
  // Bring the row into view with about three rows of context above it.
  RECT rc{};
  rc.left = LVIR_BOUNDS;
  const int top = ListView_GetTopIndex(list_);
  const int wantedTop = std::max(0, index - 3);
  if (wantedTop != top && SendMessageA(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)))
    ListView_Scroll(list_, 0, (wantedTop - top) * (rc.bottom - rc.top));
  ListView_EnsureVisible(list_, index, FALSE);
}

std::string TFormHivelark::PathBarCountText() const {
  int count = model_.Count();
  if (count > 0 && model_.Rows[0].IsParent()) --count;
  return std::to_string(count) + " Items";
}

std::string TFormHivelark::BookmarkBarText() const {
  if (!bmkStripMessage_.empty()) return bmkStripMessage_;
  const int mode = state_.BookmarkMode;
  return (mode >= 0 && mode <= 2) ? BookmarkListNames[mode] : BookmarkListNames[0];
}

void TFormHivelark::DrawPathBar(const std::string& text) {
  stripMessage_ = text;
  if (!text.empty()) {
    stripText_ = text;
  } else if (state_.RootMode) {
    stripText_ = "Registry Root List";
  } else {
    // The location stays clear of the item count at the right end of the strip.
    RECT rc{};
    GetClientRect(strip1_.Handle(), &rc);
    HDC dc = GetDC(strip1_.Handle());
    HGDIOBJ old = SelectObject(dc, stripFont_);
    const auto measure = [dc](const std::string& text) {
      SIZE sz{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &sz);
      return static_cast<int>(sz.cx);
    };
    const int room = rc.right - 4 - measure(PathBarCountText()) - 4 - StripTextGap;
    stripText_ = FitLocationText(navigator_.LocationText(), RootShortName(state_.CurRoot) + state_.CurKey, room, measure);
    SelectObject(dc, old);
    ReleaseDC(strip1_.Handle(), dc);
  }
  strip1_.Repaint();
}

void TFormHivelark::DrawBookmarkBar(const std::string& text) {
  bmkStripMessage_ = text;
  strip2_.Repaint();
}

void TFormHivelark::PaintStrip(int id, HDC dc, const RECT& rc) {
  const int width = rc.right - rc.left;
  const COLORREF fontColour = SysColour(state_.FontColor), backColour = SysColour(state_.BackColor);
  const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
  for (int x = 0; x < width; ++x) {
    HPEN pen = CreatePen(PS_SOLID, 1, BlendColors(fontColour, face, x * 255 / std::max(1, width)));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, rc.left + x, rc.top, nullptr);
    LineTo(dc, rc.left + x, rc.top + StripHeight);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  const std::string text = id == StripRegId ? stripText_ : BookmarkBarText();
  std::string count;
  if (id == StripRegId) count = PathBarCountText();
  else count = std::to_string(ListView_GetItemCount(bmkList_)) + " Items";
  HGDIOBJ oldFont = SelectObject(dc, stripFont_);
  SetBkMode(dc, TRANSPARENT);
  // The text is drawn in BackColor over the dark start of the gradient and in FontColor
  // from the column on where the gradient has become closer to BackColor, so that it can
  // be read over the whole strip.
  const int split = TextColourSplit(fontColour, backColour, face, width);
  RECT left = rc, right = rc;
  left.right = rc.left + split;
  right.left = rc.left + split;
  SetTextColor(dc, backColour);
  ExtTextOutA(dc, rc.left + 4, rc.top + 2, ETO_CLIPPED, &left, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  SetTextColor(dc, fontColour);
  ExtTextOutA(dc, rc.left + 4, rc.top + 2, ETO_CLIPPED, &right, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  SIZE sz{};
  GetTextExtentPoint32A(dc, count.c_str(), static_cast<int>(count.size()), &sz);
  SetTextColor(dc, fontColour);
  TextOutA(dc, rc.right - 4 - sz.cx, rc.top + 2, count.c_str(), static_cast<int>(count.size()));
  SelectObject(dc, oldFont);
}

void TFormHivelark::StripButtonDown(int id, int button, POINT pt) {
  if (id == StripRegId) {
    if (button == 0) {
      ClipboardText(navigator_.LocationText());
    } else if (button == 1) {
      RegRoots_Popup(popup2_);
      POINT screen;
      GetCursorPos(&screen);
      TrackPopupMenu(popup2_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
    }
  } else if (id == StripBmkId && button == 0) {
    dragging_ = true;
  }
}

void TFormHivelark::StripDrag(int id, POINT pt) {
  if (id != StripBmkId || !dragging_) return;
  POINT screen = pt;
  ClientToScreen(strip2_.Handle(), &screen);
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  DragSplitter(screen.y - wr.top);
}

void TFormHivelark::DragSplitter(int windowY) {
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  const int windowHeight = wr.bottom - wr.top;
  if (windowY > 110 && windowHeight - windowY > 56) {
    state_.BookmarkHeight = windowHeight - windowY + 8;
    Layout();
  }
  ShowSplitterHint(state_.BookmarkHeight);
}

void TFormHivelark::ShowSplitterHint(int height) {
  if (!dragHint_) return;
  const std::string text = std::to_string(height) + " pixels";
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(strip2_.Handle());
  tool.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(dragHint_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  POINT p;
  GetCursorPos(&p);
  SendMessageA(dragHint_, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x + 12, p.y + 12));
  SendMessageA(dragHint_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void TFormHivelark::StripButtonUp(int id) {
  if (id != StripBmkId || !dragging_) return;
  dragging_ = false;
  if (dragHint_) {
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(strip2_.Handle());
    SendMessageA(dragHint_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  }
}

void TFormHivelark::ApplyViewSettings() {
  TVkFont font = DescriptorToFont(state_.ListViewFont);
  font.Color = state_.FontColor;
  HFONT newFont = CreateFontHandle(font);
  for (HWND l : {list_, bmkList_}) {
    ListView_SetBkColor(l, SysColour(state_.BackColor));
    ListView_SetTextBkColor(l, SysColour(state_.BackColor));
    ListView_SetTextColor(l, SysColour(state_.FontColor));
    ListView_SetExtendedListViewStyleEx(l, LVS_EX_GRIDLINES, state_.GridLines ? LVS_EX_GRIDLINES : 0);
    if (newFont) SendMessageA(l, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), TRUE);
  }
  if (newFont) {
    if (listFont_) DeleteObject(listFont_);
    listFont_ = newFont;
  }
  if (!stripFont_) stripFont_ = CreateFontHandle(DescriptorToFont("Tahoma,8,b"));
  DrawPathBar("");
  DrawBookmarkBar("");
}

void TFormHivelark::ShowRegContextMenu(POINT screen) {
  if (state_.RootMode || !regPopup_) return;
  TrackPopupMenu(regPopup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
}

void TFormHivelark::OnGetDispInfo(NMLVDISPINFOA& info) {
  LVITEMA& item = info.item;
  if (item.iItem < 0 || item.iItem >= model_.Count()) return;
  const TRegRow& row = model_.Rows[static_cast<std::size_t>(item.iItem)];
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    const std::string* text = &row.Name;
    switch (item.iSubItem) {
      case 1: text = &row.Size; break;
      case 2: text = &row.Type; break;
      case 3: text = &row.Data; break;
      default: break;
    }
    const std::size_t n = std::min(text->size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::memcpy(item.pszText, text->data(), n);
    item.pszText[n] = '\0';
  }
  if (item.mask & LVIF_IMAGE) item.iImage = row.Image;
  // A virtual list keeps no cut state of its own: the list asks for it (its callback mask).
  if (item.mask & LVIF_STATE) {
    item.state = (item.state & ~static_cast<UINT>(LVIS_CUT)) | (row.Cut ? LVIS_CUT : 0u);
    item.stateMask |= LVIS_CUT;
  }
}

int TFormHivelark::OnFindItem(const NMLVFINDITEMA& find) {
  // A search of the control: the first row from the start row on whose name begins with the text.
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const int start = find.iStart >= 0 && find.iStart < model_.Count() ? find.iStart : 0;
  const int i = model_.FindPrefix(find.lvfi.psz, start);
  return (i < start && !(find.lvfi.flags & LVFI_WRAP)) ? -1 : i;
}

void TFormHivelark::OnTypeAhead(char c) {
  // As in any Windows list: keys typed in quick succession build a name prefix that is
  // looked for from the focused row on; the same letter typed again steps to the next row
  // that begins with it; the search wraps round.
  const DWORD now = GetTickCount();
  if (now - typedAt_ > TypeAheadTimeout) typed_.clear();
  typedAt_ = now;
  typed_ += c;
  const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  const bool oneLetter = typed_.find_first_not_of(typed_[0]) == std::string::npos;
  const std::string prefix = oneLetter ? std::string(1, c) : typed_;
  const int start = focused < 0 ? 0 : (oneLetter ? focused + 1 : focused);
  const int row = model_.FindPrefix(prefix, start % std::max(1, model_.Count()));
  if (row >= 0) SelectRow(row);
}

LRESULT CALLBACK TFormHivelark::ListSubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  // The registry pane's own type-ahead does not work for a virtual list under every
  // platform version, so the pane does it itself.
  auto* form = reinterpret_cast<TFormHivelark*>(self);
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The pane's own keys come before the list's handling of them.
      if (form->Reg_ListView_KeyDown(static_cast<WORD>(wp), TKeyModifiers::Current())) {
        form->swallowChar_ = true;
        // The default handling still sees an Alt combination, so that releasing Alt does not
        // take it for Alt pressed alone and put the menu bar in menu mode.
        if (msg == WM_SYSKEYDOWN) DefWindowProcA(wnd, msg, wp, lp);
        return 0;
      }
      form->swallowChar_ = false;
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (form->swallowChar_) {
        form->swallowChar_ = false;
        return 0;
      }
      if (msg == WM_CHAR && wp >= 32 && wp != 127 && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        form->OnTypeAhead(static_cast<char>(wp));
        return 0;
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

