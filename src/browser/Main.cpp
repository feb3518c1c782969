#include "browser/Main.h"

#include <algorithm>
#include <cstring>

#include "browser/Icons.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

const char* const MainClassName = "TFormHivelark";

struct TColumn {
  const char* caption;
  int width;
  int format;
};
const TColumn RegColumns[4] = {
    {"Name", 240, LVCFMT_LEFT}, {"Size", 48, LVCFMT_RIGHT}, {"Type", 71, LVCFMT_LEFT}, {"Value Data", 420, LVCFMT_LEFT}};

constexpr int StripHeight = 17;

COLORREF Blend(COLORREF a, COLORREF b, int weight) {
  // weight 0 gives a, 255 gives b.
  auto mix = [weight](int x, int y) { return static_cast<BYTE>(x + (y - x) * weight / 255); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

}  // namespace

TFormHivelark::TFormHivelark() : navigator_(state_, model_, *this) {}

TFormHivelark::~TFormHivelark() {
  if (hwnd_) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (images_) ImageList_Destroy(images_);
  if (stripFont_) DeleteObject(stripFont_);
}

bool TFormHivelark::Create() {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_HIVELARK));
  if (!RegisterClassOnce(MainClassName, icon)) return false;
  if (!CreateBound(0, MainClassName, "Hivelark", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                   1000, 700, nullptr, nullptr))
    return false;
  if (!AppHandle) AppHandle = hwnd_;
  return list_ != nullptr;
}

void TFormHivelark::CreateChildren() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  strip_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, 0, 0, 100, StripHeight,
                           hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PATHBAR)), inst, nullptr);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                              LVS_EDITLABELS,
                          0, StripHeight, 100, 100, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_REG_LISTVIEW)), inst, nullptr);
  if (!list_) return;
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  images_ = CreateRowImageList();
  if (images_) ListView_SetImageList(list_, images_, LVSIL_SMALL);
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = RegColumns[i].format;
    col.cx = RegColumns[i].width;
    col.pszText = const_cast<char*>(RegColumns[i].caption);
    col.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  stripFont_ = CreateFontA(-MulDiv(8, 96, 72), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma");
}

void TFormHivelark::ShowStartLocation(const std::string& commandLinePath) {
  if (!commandLinePath.empty()) navigator_.Navigate("CD", navigator_.ResolvePath(commandLinePath), true, true);
  else navigator_.Navigate("CD", state_.CurKey, true, true);
}

void TFormHivelark::Layout(int width, int height) {
  if (strip_) MoveWindow(strip_, 0, 0, width, StripHeight, TRUE);
  if (list_) MoveWindow(list_, 0, StripHeight, width, std::max(0, height - StripHeight), TRUE);
}

void TFormHivelark::ActivateRow(int index) {
  if (index < 0 || index >= model_.Count()) return;
  const TRegRow& row = model_.Rows[static_cast<std::size_t>(index)];
  if (row.IsParent()) {
    navigator_.Navigate("CDUP", LastKeyName(state_.CurKey), true, false);
  } else if (row.IsKey()) {
    const std::string caption = row.Name;  // the rows are rebuilt by the call
    navigator_.Navigate("CD", caption, true, state_.RootMode);
  }
}

void TFormHivelark::BeginFill() {
  if (list_) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

void TFormHivelark::EndFill() {
  if (!list_) return;
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(model_.Count()), 0);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

std::string TFormHivelark::FirstSelectedCaption() {
  if (!list_) return std::string();
  const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  return index >= 0 ? model_.Caption(index) : std::string();
}

void TFormHivelark::SelectRow(int index) {
  if (!list_ || index < 0 || index >= model_.Count()) return;
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(list_, LVM_SETSELECTIONMARK, 0, index);
  // Bring the row into view with about three rows of context above it.
  RECT rc{};
  rc.left = LVIR_BOUNDS;
  const int top = ListView_GetTopIndex(list_);
  const int wantedTop = std::max(0, index - 3);
  if (SendMessageA(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)) && wantedTop != top) {
    const int rowHeight = rc.bottom - rc.top;
    ListView_Scroll(list_, 0, (wantedTop - top) * rowHeight);
  }
  ListView_EnsureVisible(list_, index, FALSE);
}

std::string TFormHivelark::PathBarCountText() const {
  int count = model_.Count();
  if (count > 0 && model_.Rows[0].IsParent()) --count;
  return std::to_string(count) + " Items";
}

void TFormHivelark::DrawPathBar(const std::string& text) {
  stripMessage_ = text;
  if (!text.empty()) {
    stripText_ = text;
  } else {
    const int width = [this] {
      RECT rc{};
      if (strip_) GetClientRect(strip_, &rc);
      return static_cast<int>(rc.right - rc.left);
    }();
    std::string location = state_.RootMode ? std::string("Registry Root List") : navigator_.LocationText();
    if (!state_.RootMode && strip_) {
      HDC dc = GetDC(strip_);
      HGDIOBJ old = SelectObject(dc, stripFont_);
      SIZE sz{};
      GetTextExtentPoint32A(dc, location.c_str(), static_cast<int>(location.size()), &sz);
      SelectObject(dc, old);
      ReleaseDC(strip_, dc);
      if (sz.cx > width - 80) location = RootShortName(state_.CurRoot) + state_.CurKey;
    }
    stripText_ = location;
  }
  if (strip_) {
    InvalidateRect(strip_, nullptr, FALSE);
    UpdateWindow(strip_);
  }
}

void TFormHivelark::PaintStrip(const DRAWITEMSTRUCT& item) {
  const RECT& rc = item.rcItem;
  const int width = rc.right - rc.left;
  HDC dc = item.hDC;
  const COLORREF fontColour = GetSysColor(COLOR_WINDOWTEXT), backColour = GetSysColor(COLOR_WINDOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int x = 0; x < width; ++x) {
    HPEN pen = CreatePen(PS_SOLID, 1, Blend(fontColour, face, x * 255 / std::max(1, width)));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, rc.left + x, rc.top, nullptr);
    LineTo(dc, rc.left + x, rc.top + StripHeight);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  HGDIOBJ oldFont = SelectObject(dc, stripFont_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, backColour);
  TextOutA(dc, rc.left + 4, rc.top + 2, stripText_.c_str(), static_cast<int>(stripText_.size()));
  const std::string count = PathBarCountText();
  SIZE sz{};
  GetTextExtentPoint32A(dc, count.c_str(), static_cast<int>(count.size()), &sz);
  SetTextColor(dc, fontColour);
  TextOutA(dc, rc.right - 4 - sz.cx, rc.top + 2, count.c_str(), static_cast<int>(count.size()));
  SelectObject(dc, oldFont);
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
}

int TFormHivelark::OnFindItem(const NMLVFINDITEMA& find) {
  // Type-ahead: the first row from the start row on (wrapping) whose name begins with the text.
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const std::string prefix = find.lvfi.psz;
  const int count = model_.Count();
  if (count == 0 || prefix.empty()) return -1;
  const int start = (find.iStart >= 0 && find.iStart < count) ? find.iStart : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    const std::string& name = model_.Rows[static_cast<std::size_t>(i)].Name;
    if (name.size() >= prefix.size() &&
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), static_cast<int>(prefix.size()),
                       prefix.data(), static_cast<int>(prefix.size())) == CSTR_EQUAL)
      return i;
    if (k + 1 == count - start && !(find.lvfi.flags & LVFI_WRAP)) break;
  }
  return -1;
}

LRESULT TFormHivelark::OnNotify(const NMHDR& header, LPARAM lp) {
  if (header.hwndFrom != list_) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOA:
      OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(lp));
      return 0;
    case LVN_ODFINDITEMA:
      return OnFindItem(*reinterpret_cast<NMLVFINDITEMA*>(lp));
    case NM_DBLCLK:
      ActivateRow(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem);
      return 0;
    case LVN_KEYDOWN:
      // Enter opens the first selected row (the control's own activation on Enter is not
      // sent reliably for virtual lists).
      if (reinterpret_cast<NMLVKEYDOWN*>(lp)->wVKey == VK_RETURN)
        ActivateRow(ListView_GetNextItem(list_, -1, LVNI_SELECTED));
      return 0;
    default:
      return 0;
  }
}

LRESULT TFormHivelark::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateChildren();
      return list_ ? 0 : -1;
    case WM_SIZE:
      Layout(LOWORD(lp), HIWORD(lp));
      if (IsWindowVisible(hwnd_)) DrawPathBar(stripMessage_);
      return 0;
    case WM_SETFOCUS:
      if (list_) SetFocus(list_);
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lp), lp);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->hwndItem == strip_) {
        PaintStrip(*item);
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      if (AppHandle == hwnd_) {
        AppHandle = nullptr;
        PostQuitMessage(0);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}
