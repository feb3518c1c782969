#include "editing/Select.h"

#include <commctrl.h>

#include "browser/Icons.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

COLORREF SysColour(std::uint32_t colour) {
  return (colour & 0xFF000000u) == 0x80000000u ? GetSysColor(static_cast<int>(colour & 0xFFu))
                                               : static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

}  // namespace

TFormSelect::TFormSelect(const TSettings& settings) : TVkDialog(IDD_SELECT), settings_(settings) {}

TFormSelect::~TFormSelect() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (images_) ImageList_Destroy(images_);
  if (font_) DeleteObject(font_);
}

HWND TFormSelect::Type_ListView() const { return GetDlgItem(hwnd_, IDC_SEL_LIST); }

INT_PTR TFormSelect::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      PlaceControl(hwnd_, IDC_SEL_LIST, 8, 8, 441, 233);
      PlaceControl(hwnd_, IDOK, 280, 248, 75, 25);
      PlaceControl(hwnd_, IDCANCEL, 368, 248, 75, 25);
      SetClientSize(hwnd_, 457, 277);
      CenterOnScreen(hwnd_);
      FillRows();
      SetWindowTextA(hwnd_, Caption.c_str());
      HWND list = Type_ListView();
      LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
      style = MultiSelect ? (style & ~static_cast<LONG_PTR>(LVS_SINGLESEL)) : (style | LVS_SINGLESEL);
      SetWindowLongPtrA(list, GWL_STYLE, style);
      ShowChoice();
      SetFocus(list);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        Ok_Cmd();
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndModal(IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->idFrom == IDC_SEL_LIST && header->code == NM_DBLCLK && !MultiSelect) {
        Ok_Cmd();
        return TRUE;
      }
      return FALSE;
    }
    default: return FALSE;
  }
}

void TFormSelect::FillRows() {
  HWND list = Type_ListView();
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  images_ = CreateRowImageList();
  ListView_SetImageList(list, images_, LVSIL_SMALL);
  TVkFont font = DescriptorToFont(settings_.ListViewFont);
  font_ = CreateFontHandle(font);
  if (font_) SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  ListView_SetBkColor(list, SysColour(settings_.BackColor));
  ListView_SetTextBkColor(list, SysColour(settings_.BackColor));
  ListView_SetTextColor(list, SysColour(settings_.FontColor));
  struct TColumn {
    const char* caption;
    int width;
    int format;
  };
  static const TColumn columns[] = {{"Data Type", 116, LVCFMT_LEFT},
                                    {"SDK Declaration Name", 208, LVCFMT_LEFT},
                                    {"Format", 75, LVCFMT_LEFT},
                                    {"Num", 38, LVCFMT_RIGHT}};
  for (int c = 0; c < 4; ++c) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.pszText = const_cast<char*>(columns[c].caption);
    col.cx = ScalePixels(columns[c].width);
    col.fmt = columns[c].format;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  for (int i = 0; i < TypeCount; ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<char*>(TypeNames[i]);
    item.iImage = i;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    char num[8];
    wsprintfA(num, "$%02X", i);
    const std::string texts[3] = {TypeConstNames[i], settings_.TypeFmt[static_cast<std::size_t>(i)], num};
    for (int c = 1; c < 4; ++c) {
      LVITEMA sub{};
      sub.iSubItem = c;
      sub.pszText = const_cast<char*>(texts[c - 1].c_str());
      SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&sub));
    }
  }
  // The type names take the room their font needs with the icon, at least the width above.
  const int planned = ListView_GetColumnWidth(list, 0);
  ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
  if (ListView_GetColumnWidth(list, 0) < planned) ListView_SetColumnWidth(list, 0, planned);
  SetWindowSubclass(list, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TFormSelect::ShowChoice() {
  HWND list = Type_ListView();
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (!MultiSelect) {
    if (Choice >= 0 && Choice < TypeCount) {
      ListView_SetItemState(list, Choice, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      SendMessageA(list, LVM_SETSELECTIONMARK, 0, Choice);
      ListView_EnsureVisible(list, Choice, FALSE);
    }
    return;
  }
  for (int i = 0; i < TypeCount; ++i)
    if (Choice & (1 << i)) ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void TFormSelect::Ok_Cmd() {
  HWND list = Type_ListView();
  int choice = 0;
  if (!MultiSelect) {
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    choice = focused >= 0 ? focused : 0;
  } else {
    for (int i = 0; i < TypeCount; ++i)
      if (ListView_GetItemState(list, i, LVIS_SELECTED)) choice |= 1 << i;
  }
  Choice = choice;
  EndModal(IDOK);
}

LRESULT CALLBACK TFormSelect::ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<TFormSelect*>(data);
  if (msg == WM_KEYDOWN && self->MultiSelect && (GetKeyState(VK_CONTROL) & 0x8000)) {
    if (wp == 'A' || wp == VK_ADD) {
      ListView_SetItemState(wnd, -1, LVIS_SELECTED, LVIS_SELECTED);
      return 0;
    }
    if (wp == VK_SUBTRACT) {
      ListView_SetItemState(wnd, -1, 0, LVIS_SELECTED);
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(wnd, ListProc, id);
  return DefSubclassProc(wnd, msg, wp, lp);
}

bool ChooseDataType(const std::string& caption, int& choice, bool multiSelect, const TSettings& settings) {
  TDataTypeQuestion question;
  question.Caption = caption;
  question.MultiSelect = multiSelect;
  question.ShowWindow = [&](int& answer) {
    TFormSelect form(settings);
    form.Caption = caption;
    form.Choice = answer;
    form.MultiSelect = multiSelect;
    if (form.ShowModal(DialogOwner()) != IDOK) return false;
    answer = form.Choice;
    return true;
  };
  return Interaction().ChooseDataType(question, choice);
}
