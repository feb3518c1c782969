#include "bookmarks/BookmarkPane.h"

#include "lib/VkWindow.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bookmarks/BookmarkFile.h"
#include "browser/ValueFormatText.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

const char* const OpenFilter = "Bookmark files (*.bmk)|*.bmk|All files (*.*)|*.*|";
const char* const SaveFilter = "Registry files (*.reg)|*.reg|Bookmark files (*.bmk)|*.bmk|All files (*.*)|*.*|";

std::string LocaleText(LCTYPE type, const char* fallback) {
  char text[16] = "";
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) > 0 ? std::string(text) : std::string(fallback);
}

void CopyText(const std::string& text, LVITEMA& item) {
  if (!item.pszText || item.cchTextMax <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
  std::memcpy(item.pszText, text.data(), n);
  item.pszText[n] = '\0';
}


// Gives the virtual list view count rows, none of them selected or focused. Going through
// zero rows drops the selection in one step; clearing a scattered selection of thousands
// of rows item by item takes most of a second under Wine.
void ResetRows(HWND list, int count) {
  SendMessageA(list, LVM_SETITEMCOUNT, 0, LVSICF_NOSCROLL);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
}

}  // namespace

std::string BookmarkTimeStamp(const SYSTEMTIME& t, const std::string& dateSeparator, const std::string& timeSeparator) {
  char part[8];
  std::string text;
  std::snprintf(part, sizeof part, "%02u", static_cast<unsigned>(t.wYear % 100));
  text += part + dateSeparator;
  std::snprintf(part, sizeof part, "%02u", static_cast<unsigned>(t.wMonth));
  text += part + dateSeparator;
  std::snprintf(part, sizeof part, "%02u ", static_cast<unsigned>(t.wDay));
  text += part;
  std::snprintf(part, sizeof part, "%02u", static_cast<unsigned>(t.wHour));
  text += part + timeSeparator;
  std::snprintf(part, sizeof part, "%02u", static_cast<unsigned>(t.wMinute));
  return text + part;
}

std::string BookmarkTimeStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return BookmarkTimeStamp(now, LocaleText(LOCALE_SDATE, "/"), LocaleText(LOCALE_STIME, ":"));
}

bool PlayNotifySound(const std::string& fileName) {
  // An empty setting means no sound; the platform would play its default sound for it.
  if (fileName.empty()) return false;
  PlaySoundA(fileName.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
  return true;
}

TBookmarkPane::TBookmarkPane(TCommandHost& host) : host_(host) {
  char folder[MAX_PATH] = "";
  const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n > 0 && n < sizeof folder) startFolder_ = folder;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  popupBar_ = LoadMenuA(inst, MAKEINTRESOURCEA(IDM_BMKPOPUP));
  popup_ = popupBar_ ? GetSubMenu(popupBar_, 0) : nullptr;
  accel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(IDA_BMKPANE));
}

TBookmarkPane::~TBookmarkPane() {
  if (popupBar_) DestroyMenu(popupBar_);
}

TBookMarks& TBookmarkPane::Lists(int mode) {
  return lists_[static_cast<std::size_t>(mode >= 0 && mode < BookmarkModeCount ? mode : 0)];
}

int TBookmarkPane::Mode() const {
  const int mode = host_.State().BookmarkMode;
  return mode >= 0 && mode < BookmarkModeCount ? mode : 0;
}

int TBookmarkPane::RowCount() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }

int TBookmarkPane::SelectedCount() const {
  return static_cast<int>(SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0));
}

std::vector<int> TBookmarkPane::Selection() const {
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(List(), -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(List(), i, LVNI_SELECTED))
    rows.push_back(i);
  return rows;
}

// ---- Showing the list -------------------------------------------------------------------

void TBookmarkPane::ShowBookmarkList() {
  HWND list = List();
  if (!list) return;
  TWaitCursor cursor(reinterpret_cast<LPCSTR>(IDC_APPSTARTING));
  struct TBusyMark {
    bool& busy;
    explicit TBusyMark(bool& b) : busy(b) { busy = true; }
    ~TBusyMark() { busy = false; }
  } mark(busy_);

  int keep = 0;
  if (Mode() == drawnMode_) keep = std::max(0, ListView_GetNextItem(list, -1, LVNI_FOCUSED));
  drawnMode_ = Mode();
  const int count = static_cast<int>(std::min<std::size_t>(ShownList().size(), 0x7FFFFFFF));
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ResetRows(list, count);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  if (keep < count) {
    ListView_SetItemState(list, keep, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, keep);
    RECT row{}, top{};
    row.left = top.left = LVIR_BOUNDS;
    if (SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(keep), reinterpret_cast<LPARAM>(&row)) &&
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(ListView_GetTopIndex(list)),
                     reinterpret_cast<LPARAM>(&top)))
      ListView_Scroll(list, 0, row.top - 4 * top.top);
  }
  InvalidateRect(list, nullptr, TRUE);
  host_.DrawBookmarkBar("");
}

bool TBookmarkPane::SyncRows(int mode) {
  HWND list = List();
  if (!list || mode != drawnMode_) return false;
  const int count = static_cast<int>(std::min<std::size_t>(Lists(mode).size(), 0x7FFFFFFF));
  const int rows = RowCount();
  if (count == rows) return false;
  if (count < rows) ResetRows(list, count);
  else SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  InvalidateRect(list, nullptr, TRUE);
  return true;
}

void TBookmarkPane::Lists_Open(int mode) {
  if (mode < 0 || mode >= BookmarkModeCount) return;
  if (host_.BookmarkPaneVisible() && Mode() == mode) {
    SetFocus(host_.Reg_ListView());
    host_.ShowBookmarkPane(false);
    return;
  }
  if (busy_) return;
  host_.State().BookmarkMode = mode;
  host_.ShowBookmarkPane(true);
  SetFocus(List());
  if (mode == drawnMode_ && static_cast<std::size_t>(RowCount()) == Lists(mode).size()) return;
  host_.DrawBookmarkBar("Please Wait While Drawing...");
  ShowBookmarkList();
}

// ---- Commands ---------------------------------------------------------------------------

void TBookmarkPane::Bookmark_Cmd() {
  TBrowserState& state = host_.State();
  const TRegPaneModel& model = host_.Model();
  TBookMarks& user = lists_[0];
  std::vector<int> rows;
  for (int i : host_.RegSelection())
    if (i >= 0 && i < model.Count() && !model.Rows[static_cast<std::size_t>(i)].IsParent()) rows.push_back(i);
  if (model.RefuseUnspellable(rows)) return;
  if (rows.empty()) {
    (void)AddBookmark(user, state.CurRoot, BookmarkKeyType, state.CurKey, "", BookmarkTimeStamp());
  } else {
    for (int i : rows) {
      const TRegRow& row = model.Rows[static_cast<std::size_t>(i)];
      (void)AddBookmark(user, state.CurRoot, row.Image, state.CurKey, row.Name, BookmarkTimeStamp());
    }
  }
  (void)PlayNotifySound(state.NotifySnd);
  if (host_.BookmarkPaneVisible() && Mode() == 0) ShowBookmarkList();
}

std::string TBookmarkPane::RootText(const TBookMark& item) const {
  // A foreign file may hold a root index this program does not know: show its number.
  return item.RootIndex < RootCount ? RootShortName(RootBase + item.RootIndex) : std::to_string(item.RootIndex);
}

void TBookmarkPane::BmkJumpHere_Cmd() {
  const int index = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
  const TBookMarks& list = DrawnList();
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return;
  const TBookMark item = list[static_cast<std::size_t>(index)];
  if (item.RootIndex >= RootCount) {
    ShowMsg("Cannot jump to this bookmark: its root key number " + std::to_string(item.RootIndex) +
                " is not a registry root!",
            "Hivelark", MsgError);
    return;
  }
  host_.Navigator().Navigate("CD", RootText(item) + item.KeyPath, true, true);
  ListView_SetItemState(host_.Reg_ListView(), -1, 0, LVIS_SELECTED);
  host_.Navigator().FocusRow(item.ValueName);
  if (host_.State().AutoClose) host_.ShowBookmarkPane(false);
  SetFocus(host_.Reg_ListView());
}

void TBookmarkPane::BmkBookmark_Cmd() {
  const TBookMarks& list = DrawnList();
  TBookMarks copies;
  for (int i : Selection())
    if (static_cast<std::size_t>(i) < list.size()) copies.push_back(list[static_cast<std::size_t>(i)]);
  lists_[0].insert(lists_[0].end(), copies.begin(), copies.end());
}

void TBookmarkPane::BmkComment_Cmd() {
  const int index = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
  TBookMarks& list = DrawnList();
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return;
  std::string text = list[static_cast<std::size_t>(index)].Comment;
  if (!InputPrompt("Enter Bookmark Comment...", text)) return;
  // The prompt ran a message loop: take the item anew.
  if (static_cast<std::size_t>(index) >= list.size()) return;
  list[static_cast<std::size_t>(index)].Comment = text;
  ListView_RedrawItems(List(), index, index);
}

void TBookmarkPane::BmkDelEntry_Cmd() {
  TWaitCursor cursor(reinterpret_cast<LPCSTR>(IDC_WAIT));
  HWND listView = List();
  TBookMarks& list = DrawnList();
  const int rows = RowCount();
  const int focused = ListView_GetNextItem(listView, -1, LVNI_FOCUSED);
  // Rows past the end of the list (it was emptied meanwhile) are left alone.
  std::vector<bool> remove(list.size(), false);
  int removedBeforeFocus = 0;
  for (int i : Selection()) {
    if (static_cast<std::size_t>(i) >= list.size()) continue;
    remove[static_cast<std::size_t>(i)] = true;
    if (i < focused) ++removedBeforeFocus;
  }
  const int removed = DeleteBookmarks(list, remove);
  const int left = rows - removed;
  ResetRows(listView, left);
  // The focus stays on the row that now stands where the focused row was (the next one
  // when the focused row itself was deleted), and that row is selected.
  if (focused >= 0 && left > 0) {
    const int row = std::min(focused - removedBeforeFocus, left - 1);
    ListView_SetItemState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(listView, LVM_SETSELECTIONMARK, 0, row);
    ListView_EnsureVisible(listView, row, FALSE);
  }
  InvalidateRect(listView, nullptr, TRUE);
  host_.DrawBookmarkBar("");
}

void TBookmarkPane::BmkSelect_Cmd(bool select) {
  ListView_SetItemState(List(), -1, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void TBookmarkPane::BmkInvertSel_Cmd() {
  const std::vector<int> selected = Selection();
  ListView_SetItemState(List(), -1, LVIS_SELECTED, LVIS_SELECTED);
  for (int i : selected) ListView_SetItemState(List(), i, 0, LVIS_SELECTED);
}

void TBookmarkPane::BmkLoadFromFile_Cmd() {
  TFileDialogSpec request;
  request.Filter = OpenFilter;
  request.InitialDir = startFolder_;
  std::string fileName;
  if (!Interaction().OpenFileName(request, fileName)) return;
  if (LoadBookmarkFile(fileName, ShownList())) NoteOwnFile(fileName);
  ShowBookmarkList();
}

void TBookmarkPane::BmkSaveToFile_Cmd() {
  TFileDialogSpec request;
  request.Filter = SaveFilter;
  request.FilterIndex = 2;
  request.DefaultExt = "bmk";
  request.InitialDir = startFolder_;
  request.OverwritePrompt = true;
  std::string fileName;
  if (!Interaction().SaveFileName(request, fileName)) return;
  if (SaveBookmarkFile(fileName, ShownList())) NoteOwnFile(fileName);
}

// ---- The command table ------------------------------------------------------------------

bool TBookmarkPane::OwnsCommand(int id) const {
  return id == CM_LISTS_USER || id == CM_LISTS_SEARCH || id == CM_LISTS_COPY || id == CM_BOOKMARK ||
         (id >= CM_BMK_JUMPHERE && id <= CM_BMK_UPDATE);
}

bool TBookmarkPane::CommandEnabled(int id) {
  switch (id) {
    case CM_BOOKMARK: return !host_.State().RootMode;  // root rows are no keys of CurKey
    case CM_BMK_JUMPHERE: return SelectedCount() == 1;
    case CM_BMK_BOOKMARK: return drawnMode_ != 0 && SelectedCount() > 0;
    case CM_BMK_COMMENT: return drawnMode_ != 2 && SelectedCount() == 1;
    case CM_BMK_DELENTRY:
    case CM_BMK_UNSELECTALL: return SelectedCount() > 0;
    case CM_BMK_SELECTALL:
    case CM_BMK_INVERTSEL: return RowCount() > 0;
    default: return true;
  }
}

void TBookmarkPane::RunCommand(int id) {
  switch (id) {
    case CM_LISTS_USER: Lists_Open(0); break;
    case CM_LISTS_SEARCH: Lists_Open(1); break;
    case CM_LISTS_COPY: Lists_Open(2); break;
    case CM_BOOKMARK: Bookmark_Cmd(); break;
    case CM_BMK_JUMPHERE: BmkJumpHere_Cmd(); break;
    case CM_BMK_BOOKMARK: BmkBookmark_Cmd(); break;
    case CM_BMK_COMMENT: BmkComment_Cmd(); break;
    case CM_BMK_DELENTRY: BmkDelEntry_Cmd(); break;
    case CM_BMK_SELECTALL: BmkSelect_Cmd(true); break;
    case CM_BMK_UNSELECTALL: BmkSelect_Cmd(false); break;
    case CM_BMK_INVERTSEL: BmkInvertSel_Cmd(); break;
    case CM_BMK_LOADFILE: BmkLoadFromFile_Cmd(); break;
    case CM_BMK_SAVEFILE: BmkSaveToFile_Cmd(); break;
    case CM_BMK_UPDATE: BmkUpdate_Cmd(); break;
    default: break;
  }
}

void TBookmarkPane::PopupMenu3_Popup(HMENU menu) {
  // "Bookmark" copies into the user bookmarks, so it is there only for the other lists.
  const bool wanted = drawnMode_ != 0;
  const bool present = GetMenuState(menu, CM_BMK_BOOKMARK, MF_BYCOMMAND) != static_cast<UINT>(-1);
  if (present && !wanted) DeleteMenu(menu, CM_BMK_BOOKMARK, MF_BYCOMMAND);
  if (!present && wanted) InsertMenuA(menu, 1, MF_BYPOSITION | MF_STRING, CM_BMK_BOOKMARK, "Bookmark\tCtrl+B");
}

void TBookmarkPane::MenuOpening(HMENU menu) {
  if (menu == popup_) PopupMenu3_Popup(menu);
}

bool TBookmarkPane::TranslateKey(MSG& msg) {
  if (!accel_ || msg.hwnd != List() || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return false;
  return TranslateAcceleratorA(host_.Owner(), accel_, &msg) != 0;
}

// ---- Start and close --------------------------------------------------------------------

void TBookmarkPane::Started() {
  TBrowserState& state = host_.State();
  state.BookmarkMode = Mode();
  const bool load[BookmarkModeCount] = {state.LoadBookMarks, state.LoadSearchRes, state.LoadCopyItems};
  for (int m = 0; m < BookmarkModeCount; ++m) {
    const std::size_t i = static_cast<std::size_t>(m);
    fromFile_[i] = load[m] && LoadBookmarkFile(ProgramFolder() + BookmarkFileNames[m], lists_[i]);
    loadRefused_[i] = load[m] && !fromFile_[i] && IsFile(ProgramFolder() + BookmarkFileNames[m]);
  }
  if (state.BookmarkVisible) ShowBookmarkList();
}

void TBookmarkPane::NoteOwnFile(const std::string& fileName) {
  for (int m = 0; m < BookmarkModeCount; ++m)
    if (m == Mode() && SameTextAscii(fileName, ProgramFolder() + BookmarkFileNames[m]))
      fromFile_[static_cast<std::size_t>(m)] = true;
}

void TBookmarkPane::Closing() {
  const TBrowserState& state = host_.State();
  const bool save[BookmarkModeCount] = {state.SaveBookMarks, state.SaveSearchRes, state.SaveCopyItems};
  // A list replaces its file only when it holds that file's items (it was loaded from it)
  // or there is no file yet: a file that was not loaded keeps the bookmarks it holds.
  std::string kept;
  for (int m = 0; m < BookmarkModeCount; ++m) {
    const std::size_t i = static_cast<std::size_t>(m);
    const std::string file = ProgramFolder() + BookmarkFileNames[m];
    if (!save[m]) continue;
    if (fromFile_[i] || !IsFile(file)) {
      (void)SaveBookmarkFile(file, lists_[i]);
      continue;
    }
    kept += "\r\n" + file + (loadRefused_[i] ? "\r\n    (it could not be read at start)" : "\r\n    (AutoLoad is off for this list)");
  }
  if (!kept.empty())
    (void)ShowPlainMsg("These bookmark files were not loaded, so they were kept as they are and not saved over:" + kept,
                       "Hivelark", MsgWarning);
}

// ---- The list view ----------------------------------------------------------------------

void TBookmarkPane::GetDispInfo(NMLVDISPINFOA& info) {
  LVITEMA& item = info.item;
  const TBookMarks& list = Lists(drawnMode_);
  if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= list.size()) {
    if (item.mask & LVIF_TEXT) CopyText("", item);
    return;
  }
  const TBookMark& b = list[static_cast<std::size_t>(item.iItem)];
  if (item.mask & LVIF_TEXT) {
    switch (item.iSubItem) {
      case 0: CopyText(RootText(b), item); break;
      case 1: CopyText(b.KeyPath, item); break;
      case 2: CopyText(b.ValueName, item); break;
      case 3: CopyText(b.Comment, item); break;
      case 4:
        CopyText(b.ItemType == BookmarkKeyType ? std::string("Key")
                                               : TypeColumnText(b.ItemType, host_.State().ConstDataNames),
                 item);
        break;
      default: CopyText("", item); break;
    }
  }
  if (item.mask & LVIF_IMAGE) item.iImage = b.ItemType <= BookmarkKeyType ? b.ItemType : 0;
}

int TBookmarkPane::FindItem(const NMLVFINDITEMA& find) {
  // Type-ahead over the Root column, from the start row on, wrapping.
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || !*find.lvfi.psz) return -1;
  const TBookMarks& list = Lists(drawnMode_);
  const int count = std::min(RowCount(), static_cast<int>(std::min<std::size_t>(list.size(), 0x7FFFFFFF)));
  const std::string prefix = find.lvfi.psz;
  const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    if (i < start && !(find.lvfi.flags & LVFI_WRAP)) break;
    const std::string text = RootText(list[static_cast<std::size_t>(i)]);
    if (text.size() >= prefix.size() && SameTextAscii(std::string_view(text).substr(0, prefix.size()), prefix)) return i;
  }
  return -1;
}

void TBookmarkPane::KeyDown(WORD key) {
  if (key == VK_ESCAPE) {
    host_.ShowBookmarkPane(false);
    SetFocus(host_.Reg_ListView());
  } else if (key == 'A' && (GetKeyState(VK_CONTROL) & 0x8000)) {
    BmkSelect_Cmd(true);
  } else if (key == VK_RETURN && CommandEnabled(CM_BMK_JUMPHERE)) {
    // Enter as the menu's shortcut; the control's own activation is not sent reliably
    // for virtual lists.
    BmkJumpHere_Cmd();
  }
}

bool TBookmarkPane::Notify(const NMHDR& header, LPARAM lp, LRESULT& result) {
  if (!List() || header.hwndFrom != List()) return false;
  result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOA: GetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(lp)); return true;
    case LVN_ODFINDITEMA: result = FindItem(*reinterpret_cast<NMLVFINDITEMA*>(lp)); return true;
    case NM_DBLCLK: BmkJumpHere_Cmd(); return true;
    case NM_RCLICK: {
      if (!popup_) return true;
      POINT p;
      GetCursorPos(&p);
      TrackPopupMenu(popup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, host_.Owner(), nullptr);
      return true;
    }
    case LVN_KEYDOWN: KeyDown(reinterpret_cast<NMLVKEYDOWN*>(lp)->wVKey); return true;
    default: return false;
  }
}
