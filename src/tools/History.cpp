// The Change History window: the records of the undo journal, newest on top, with Undo of any
// one of them, a jump to where a change was made, deleting records, and the journal switch.
#include "tools/History.h"

#include <algorithm>

#include "lib/VkFuncLib.h"
#include "settings/Settings.h"

namespace {

const char* const HistoryClass = "HivelarkHistory";
constexpr int ClientW = 900, ClientH = 420;  // at 96 dots per inch
constexpr int MinW = 520, MinH = 240;
constexpr int Margin = 8, ButtonW = 96, ButtonH = 25, Gap = 6, SummaryH = 16;

struct THistoryColumn {
  const char* caption;
  int format;
  int width;  // the Location column takes what the others leave
};
const THistoryColumn Columns[6] = {{"Time", LVCFMT_LEFT, 130}, {"Command", LVCFMT_LEFT, 230},
                                   {"Location", LVCFMT_LEFT, 0},  {"Keys", LVCFMT_RIGHT, 48},
                                   {"Values", LVCFMT_RIGHT, 52},  {"Size", LVCFMT_RIGHT, 72}};
constexpr int LocationColumn = 2;
constexpr int MinLocationWidth = 140;
constexpr int MaxCommandWidth = 320;
constexpr int CellPadding = 16;  // the list's margins around a cell's text

std::string LocalTimeText(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME st{};
  if ((utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) || !FileTimeToLocalFileTime(&utc, &local) ||
      !FileTimeToSystemTime(&local, &st))
    return std::string();
  char date[64] = "", time[64] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time);
  return std::string(date) + " " + time;
}

// 1234567 as "1,234,567".
std::string Grouped(std::uint64_t n) {
  std::string digits = std::to_string(n), text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> HistoryRowTexts(const TJournalEntry& e) {
  // A record whose header cannot be read knows only its file.
  const bool header = !e.Damaged || !e.Command.empty();
  const std::string command = e.Damaged ? "(damaged) " + e.Problem : (e.Caption.empty() ? e.Command : e.Caption);
  const std::string location = IsPredefinedRoot(e.Root) ? std::string(RootName(e.Root)) + e.Location : e.Location;
  // Without a readable header the time is the file's own.
  FILETIME time = e.Time;
  WIN32_FILE_ATTRIBUTE_DATA file{};
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0 && GetFileAttributesExA(e.File.c_str(), GetFileExInfoStandard, &file))
    time = file.ftLastWriteTime;
  return {LocalTimeText(time), command, location, header ? std::to_string(e.Keys) : std::string(),
          header ? std::to_string(e.Values) : std::string(), Grouped(e.FileSize)};
}

TFormHistory::~TFormHistory() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
}

HWND TFormHistory::Add(const char* cls, const char* text, DWORD style, int id) {
  HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (c && font_) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return c;
}

bool TFormHistory::Create() {
  if (!RegisterClassOnce(HistoryClass, nullptr)) return false;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
  if (!CreateBound(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, HistoryClass, "Change History", style, 0, 0, ClientW,
                   ClientH, host_.Owner(), nullptr))
    return false;
  font_ = CreateIconTitleFont();
  Add("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, IdcHistorySummary);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdcHistoryList)), GetModuleHandleA(nullptr),
                          nullptr);
  if (!list_) return false;
  if (font_) SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < 6; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = Columns[i].format;
    col.cx = ScalePixels(Columns[i].width > 0 ? Columns[i].width : MinLocationWidth);
    col.pszText = const_cast<char*>(Columns[i].caption);
    col.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  Add("BUTTON", "Keep a journal of changes", BS_AUTOCHECKBOX | WS_TABSTOP, IdcHistoryKeep);
  Add("BUTTON", "&Undo", BS_PUSHBUTTON | WS_TABSTOP, IdcHistoryUndo);
  Add("BUTTON", "&Open Location", BS_PUSHBUTTON | WS_TABSTOP, IdcHistoryOpen);
  Add("BUTTON", "&Delete", BS_PUSHBUTTON | WS_TABSTOP, IdcHistoryDelete);
  Add("BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  SendMessageA(Control(IdcHistoryKeep), BM_SETCHECK, host_.State().JournalEnabled ? BST_CHECKED : BST_UNCHECKED, 0);
  SetClientSize(hwnd_, ClientW, ClientH);
  CenterOnScreen(hwnd_);
  Layout();
  Fill();
  ShowWindow(hwnd_, SW_SHOW);
  SetFocus(list_);
  return true;
}

void TFormHistory::ShowModal() {
  HWND owner = host_.Owner();
  {
    TDialogOwnerScope asks(hwnd_);  // the boxes it opens are its own
    if (owner) EnableWindow(owner, FALSE);
    SetActiveWindow(hwnd_);
    SetFocus(list_);
    MSG msg;
    while (hwnd_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageA(hwnd_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  // The jump comes once the window is gone, so that its messages are the main window's.
  if (jump_) host_.Navigator().Navigate("CD", std::string(RootName(jumpRoot_)) + jumpLocation_, true, true);
}

void TFormHistory::Layout() {
  if (!list_) return;
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  const int m = ScalePixels(Margin), bw = ScalePixels(ButtonW), bh = ScalePixels(ButtonH), gap = ScalePixels(Gap);
  const int w = rc.right, h = rc.bottom;
  const int summaryH = ScalePixels(SummaryH);
  const int buttonsY = h - m - bh;
  MoveWindow(Control(IdcHistorySummary), m, m, std::max(0, w - 2 * m), summaryH, TRUE);
  MoveWindow(list_, m, m + summaryH + gap / 2, std::max(0, w - 2 * m), std::max(0, buttonsY - gap - m - summaryH - gap / 2),
             TRUE);
  // The check box at the left, the buttons at the right of the bottom row.
  MoveWindow(Control(IdcHistoryKeep), m, buttonsY + (bh - ScalePixels(18)) / 2, ScalePixels(200), ScalePixels(18), TRUE);
  const int ids[4] = {IdcHistoryUndo, IdcHistoryOpen, IdcHistoryDelete, IDCANCEL};
  for (int i = 0; i < 4; ++i) MoveWindow(Control(ids[i]), w - m - (4 - i) * bw - (3 - i) * gap, buttonsY, bw, bh, TRUE);
  // Location takes the width the other columns leave.
  RECT inside{};
  GetClientRect(list_, &inside);
  int others = 0;
  for (int i = 0; i < 6; ++i)
    if (i != LocationColumn) others += ListView_GetColumnWidth(list_, i);
  ListView_SetColumnWidth(list_, LocationColumn, std::max(ScalePixels(MinLocationWidth), static_cast<int>(inside.right) - others));
}

void TFormHistory::Fill(int row) {
  TWaitCursor wait;  // every record is read whole to find the damaged ones
  entries_ = ChangeJournal().List();
  std::reverse(entries_.begin(), entries_.end());
  std::uint64_t bytes = 0;
  // The columns but Location fit their texts (Command up to a limit); Location takes the rest.
  int widths[6] = {};
  for (int c = 0; c < 6; ++c)
    widths[c] = ListView_GetStringWidth(list_, Columns[c].caption) + ScalePixels(CellPadding);
  {
    TBulkRowChange bulk(list_);
    ListView_DeleteAllItems(list_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const std::vector<std::string> texts = HistoryRowTexts(entries_[i]);
      for (int c = 0; c < 6; ++c)
        widths[c] = std::max(widths[c], ListView_GetStringWidth(list_, texts[static_cast<std::size_t>(c)].c_str()) +
                                            ScalePixels(CellPadding));
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(texts[0].c_str());
      const int index = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
      for (int c = 1; c < 6; ++c) ListView_SetItemText(list_, index, c, const_cast<char*>(texts[static_cast<std::size_t>(c)].c_str()));
      bytes += entries_[i].FileSize;
    }
    if (!entries_.empty()) {
      widths[1] = std::min(widths[1], ScalePixels(MaxCommandWidth));
      for (int c = 0; c < 6; ++c)
        if (c != LocationColumn) ListView_SetColumnWidth(list_, c, widths[c]);
    }
  }
  Layout();
  const std::size_t n = entries_.size();
  const std::string summary = n == 0 ? "The journal holds no changes.   Journal folder: " + ChangeJournal().Folder()
                                     : std::to_string(n) + (n == 1 ? " change, " : " changes, ") + Grouped(bytes) +
                                           " bytes, newest on top.   Journal folder: " + ChangeJournal().Folder();
  SetWindowTextA(Control(IdcHistorySummary), summary.c_str());
  if (n > 0) SelectRow(std::min(std::max(row, 0), static_cast<int>(n) - 1));
  UpdateButtons();
}

std::vector<int> TFormHistory::Selection() const {
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (i < static_cast<int>(entries_.size())) rows.push_back(i);
  return rows;
}

void TFormHistory::SelectRow(int row) {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, row, FALSE);
  UpdateButtons();
}

void TFormHistory::UpdateButtons() {
  const std::vector<int> rows = Selection();
  const bool one = rows.size() == 1;
  EnableWindow(Control(IdcHistoryUndo), one);
  EnableWindow(Control(IdcHistoryOpen), one && IsPredefinedRoot(entries_[static_cast<std::size_t>(rows[0])].Root));
  EnableWindow(Control(IdcHistoryDelete), !rows.empty());
}

void TFormHistory::Undo_Click() {
  const std::vector<int> rows = Selection();
  if (rows.size() != 1) return;
  const TUndoResult result = UndoChange(entries_[static_cast<std::size_t>(rows[0])]);
  // The registry pane shows what came back (or the part that did).
  if ((result.Status == TUndoResult::Restored || result.Status == TUndoResult::Partial) && !host_.State().RootMode)
    host_.Navigator().Navigate("UPD", "", true, false);
  Fill(rows[0]);
}

void TFormHistory::OpenLocation_Click() {
  const std::vector<int> rows = Selection();
  if (rows.size() != 1 || !IsPredefinedRoot(entries_[static_cast<std::size_t>(rows[0])].Root)) return;
  jump_ = true;
  jumpRoot_ = entries_[static_cast<std::size_t>(rows[0])].Root;
  jumpLocation_ = entries_[static_cast<std::size_t>(rows[0])].Location;
  PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void TFormHistory::Delete_Click() {
  const std::vector<int> rows = Selection();
  if (rows.empty()) return;
  const std::string question =
      rows.size() == 1 ? "Delete the selected change from the journal? It can no longer be undone."
                       : "Delete the " + std::to_string(rows.size()) +
                             " selected changes from the journal? They can no longer be undone.";
  if (ShowPlainMsg(question, "Hivelark", MsgYesNo | MB_DEFBUTTON2) != IDYES) return;
  std::string failed;
  int failures = 0;
  for (int row : rows) {
    const TJournalEntry& entry = entries_[static_cast<std::size_t>(row)];
    if (ChangeJournal().Remove(entry)) continue;
    if (++failures <= 10) failed += "\r\n" + entry.File;
  }
  Fill(rows[0]);
  if (failures > 0)
    ShowPlainMsg(std::to_string(failures) + (failures == 1 ? " record" : " records") +
                     " could not be deleted from the journal:" + failed,
                 "Hivelark", MsgError);
}

void TFormHistory::Keep_Click() {
  TBrowserState& state = host_.State();
  state.JournalEnabled = SendMessageA(Control(IdcHistoryKeep), BM_GETCHECK, 0, 0) == BST_CHECKED;
  ApplyJournalSettings(state);
  if (settingsChanged_) settingsChanged_();
}

LRESULT TFormHistory::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT rc{0, 0, ScalePixels(MinW), ScalePixels(MinH)};
      AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {rc.right - rc.left, rc.bottom - rc.top};
      return 0;
    }
    case WM_SETFOCUS:
      if (list_) SetFocus(list_);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IdcHistoryUndo: Undo_Click(); return 0;
        case IdcHistoryOpen: OpenLocation_Click(); return 0;
        case IdcHistoryDelete: Delete_Click(); return 0;
        case IdcHistoryKeep:
          if (HIWORD(wp) == BN_CLICKED) Keep_Click();
          return 0;
        case IDCANCEL:  // Esc and Close
          PostMessageA(hwnd_, WM_CLOSE, 0, 0);
          return 0;
        default: return 0;
      }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->hwndFrom != list_) break;
      if (header->code == LVN_ITEMCHANGED) UpdateButtons();
      else if (header->code == NM_DBLCLK) OpenLocation_Click();
      else if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(lp)->wVKey == VK_DELETE) Delete_Click();
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    case WM_NCDESTROY: {
      const LRESULT r = TVkWindow::HandleMessage(msg, wp, lp);
      hwnd_ = nullptr;
      list_ = nullptr;
      return r;
    }
  }
  return TVkWindow::HandleMessage(msg, wp, lp);
}
