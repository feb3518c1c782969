#include "browser/Main.h"

#include <algorithm>
#include <cstring>

#include "browser/About.h"
#include "browser/Icons.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

const char* const MainClassName = "TFormHivelark";
const char* const MainCaption = "Tamsel Hivelark v1.04";
constexpr UINT WM_APP_REREAD = WM_APP + 1;
constexpr UINT WM_APP_CLAMPCOLUMNS = WM_APP + 2;  // a column width changed: keep it in range

// Watches a list's header (whose notifications go to the list, not to us): a column dragged
// narrower or wider than the widths the settings keep is brought back into range once the
// list has taken the change.
LRESULT CALLBACK ColumnWatchProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR owner) {
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if ((header->code == HDN_ITEMCHANGEDA || header->code == HDN_ITEMCHANGEDW) &&
        header->hwndFrom == ListView_GetHeader(wnd))
      PostMessageA(reinterpret_cast<HWND>(owner), WM_APP_CLAMPCOLUMNS, 0, 0);
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(wnd, ColumnWatchProc, id);
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}
constexpr int StripRegId = IDC_PATHBAR;
constexpr int StripBmkId = IDC_BMK_STRIP;

struct TColumn {
  const char* caption;
  int format;
};
const TColumn RegColumns[4] = {
    {"Name", LVCFMT_LEFT}, {"Size", LVCFMT_RIGHT}, {"Type", LVCFMT_LEFT}, {"Value Data", LVCFMT_LEFT}};
const TColumn BmkColumns[5] = {
    {"Root", LVCFMT_LEFT}, {"Key", LVCFMT_LEFT}, {"Value Name", LVCFMT_LEFT}, {"Comment", LVCFMT_LEFT}, {"Type", LVCFMT_LEFT}};

// Context menu items whose captions carry the keys the registry pane handles itself.
struct TKeyCaption {
  int id;
  const char* caption;
};
const TKeyCaption KeyCaptions[4] = {{CM_KEYVALUEINFO, "Key/Value Information\t\tAlt+Enter"},
                                    {CM_CLIPCUT, "Clipboard Cut\t\t\tCtrl+X"},
                                    {CM_CLIPCOPY, "Clipboard Copy\t\t\tCtrl+C"},
                                    {CM_CLIPPASTE, "Clipboard Paste\t\t\tCtrl+V"}};

// Help anchors of the help document by help context.
const char* HelpAnchor(int context) {
  switch (context) {
    case 3: return "keyboard";
    case 5: return "whatsnew";
    case 7: return "faq";
    default: return "contents";
  }
}

// The smallest window a saved placement opens in.
constexpr int MinWindowWidth = 320;
constexpr int MinWindowHeight = 240;
void InsertColumns(HWND list, const TColumn* columns, const int* widths, int count) {
  for (int i = 0; i < count; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = columns[i].format;
    col.cx = widths[i];
    col.pszText = const_cast<char*>(columns[i].caption);
    col.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
}

HMENU FindSubMenu(HMENU menu, const char* caption) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[128] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (std::strcmp(text, caption) == 0) return GetSubMenu(menu, i);
    if (HMENU sub = GetSubMenu(menu, i)) {
      if (HMENU found = FindSubMenu(sub, caption)) return found;
    }
  }
  return nullptr;
}

}  // namespace

TFormHivelark::TFormHivelark()
    : navigator_(state_, model_, *this),
      strip1_(*this, StripRegId, reinterpret_cast<LPCSTR>(IDC_HAND)),
      strip2_(*this, StripBmkId, reinterpret_cast<LPCSTR>(IDC_SIZENS)) {}

TFormHivelark::~TFormHivelark() {
  if (hwnd_) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (regPopupBar_) DestroyMenu(regPopupBar_);
  if (popup2_) DestroyMenu(popup2_);
  if (images_) ImageList_Destroy(images_);
  if (menuImages_) ImageList_Destroy(menuImages_);
  if (stripFont_) DeleteObject(stripFont_);
  if (listFont_) DeleteObject(listFont_);
}

bool TFormHivelark::Create(int showCommand) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_HIVELARK));
  if (!RegisterClassOnce(MainClassName, icon)) return false;
  if (!CreateBound(0, MainClassName, MainCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                   640, 400, nullptr, nullptr))
    return false;
  if (!list_) return false;
  if (!AppHandle) AppHandle = hwnd_;
  PromptCaption = "Hivelark";
  RegRoots_Popup(rootsMenu_);
  SetForegroundWindow(hwnd_);
  ApplyViewSettings();
  for (TSubsystem* s : subsystems_) s->Started();
  // A window saved maximized opens maximized; one saved minimized opens normal.
  if (state_.Window.State == 2) showCommand = SW_SHOWMAXIMIZED;
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  return true;
}

void TFormHivelark::CreateChildren() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (!strip1_.Create(hwnd_) || !strip2_.Create(hwnd_)) return;
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                              LVS_EDITLABELS,
                          0, 0, 100, 100, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_REG_LISTVIEW)),
                          inst, nullptr);
  bmkList_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                             0, 0, 100, 100, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BMK_LISTVIEW)), inst, nullptr);
  cancelSearch_ = CreateWindowExA(0, "BUTTON", "Cancel Search", WS_CHILD | BS_PUSHBUTTON, 0, 0, 88, 18, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CANCELSEARCH_BTN)), inst, nullptr);
  if (cancelSearch_) SendMessageA(cancelSearch_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (!list_ || !bmkList_) {
    list_ = nullptr;
    return;
  }
  SetWindowSubclass(list_, ListSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SendMessageA(list_, LVM_SETCALLBACKMASK, LVIS_CUT, 0);  // the rows' cut state comes from the model
  images_ = CreateRowImageList();
  menuImages_ = CreateMenuImageList();
  for (HWND l : {list_, bmkList_}) {
    SetWindowSubclass(l, ColumnWatchProc, 2, reinterpret_cast<DWORD_PTR>(hwnd_));
    ListView_SetExtendedListViewStyle(l, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    if (images_) ListView_SetImageList(l, images_, LVSIL_SMALL);
  }
  InsertColumns(list_, RegColumns, state_.ColumnWidths.data(), 4);
  InsertColumns(bmkList_, BmkColumns, state_.BmkColumnWidths.data(), 5);

  hint_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                          0, hwnd_, nullptr, inst, nullptr);
  if (hint_) {
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(strip1_.Handle());
    tool.lpszText = const_cast<char*>("Copy Current Registry Path to Clipboard");
    SendMessageA(hint_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  dragHint_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                              0, 0, hwnd_, nullptr, inst, nullptr);
  if (dragHint_) {
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(strip2_.Handle());
    tool.lpszText = const_cast<char*>("");
    SendMessageA(dragHint_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  CreateMenus();
}

void TFormHivelark::CreateMenus() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  menu_ = LoadMenuA(inst, MAKEINTRESOURCEA(IDM_MAIN));
  regPopupBar_ = LoadMenuA(inst, MAKEINTRESOURCEA(IDM_REGPOPUP));
  regPopup_ = regPopupBar_ ? GetSubMenu(regPopupBar_, 0) : nullptr;
  accel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(IDA_MAIN));
  popup2_ = CreatePopupMenu();
  if (menu_) {
    rootsMenu_ = FindSubMenu(menu_, "&Registry Roots");
    UpdateMenuStates(menu_);
    SetMenu(hwnd_, menu_);
  }
  if (regPopup_) {
    for (const TKeyCaption& k : KeyCaptions) {
      // The menu aligns the keys at its one tab column; further tabs would be drawn as boxes.
      std::string caption = k.caption;
      caption.erase(caption.find('\t'), caption.find_last_of('\t') - caption.find('\t'));
      ModifyMenuA(regPopup_, k.id, MF_BYCOMMAND | MF_STRING, k.id, caption.c_str());
    }
    UpdateMenuStates(regPopup_);
  }
}

void TFormHivelark::ShowStartLocation(const std::string& argument) {
  if (argument.empty()) {
    if (state_.RootMode) navigator_.ShowRootList();
    else navigator_.Navigate("CD", state_.CurKey, true, true);
  } else if (!JumpToText(argument, true)) {
    // A relative argument is taken relative to the key saved at the last exit; a text that is
    // no path leaves the saved location.
    if (state_.RootMode) navigator_.ShowRootList();
    else navigator_.Navigate("CD", state_.CurKey, true, true);
  }
  // Only now does activation re-read: the start has just read the key, and the activation
  // the start itself causes must not read it again.
  rereadOnActivation_ = true;
}

bool TFormHivelark::TranslateShortcut(MSG& msg) {
  // While the in-place rename editor is open its keys belong to it: no shortcut runs (F5
  // would copy the old name, Ctrl+R re-read the rows under the editor, Num * invert the
  // selection instead of typing "*"). Enter is noted: an unchanged name hands over no text.
  const HWND editor = list_ ? ListView_GetEditControl(list_) : nullptr;
  if (editor && (msg.hwnd == editor || IsChild(editor, msg.hwnd))) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) renameEnter_ = true;
    return false;
  }
  for (TSubsystem* s : subsystems_)
    if (s->TranslateKey(msg)) return true;
  return accel_ && hwnd_ && TranslateAcceleratorA(hwnd_, accel_, &msg) != 0;
}

// ---- Commands --------------------------------------------------------------------------

namespace {
using TCommand = void (*)(TFormHivelark&, int id);
struct TCommandEntry {
  int first, last;  // a range of ids sharing one handler (roots, help contexts)
  TCommand run;
};
const TCommandEntry Commands[] = {
    {CM_UNDO, CM_UNDO, [](TFormHivelark& f, int) { f.Undo_Cmd(); }},
    {CM_UPDATE, CM_UPDATE, [](TFormHivelark& f, int) { f.Update_Cmd(); }},
    {CM_CLEARHISTORY, CM_CLEARHISTORY, [](TFormHivelark& f, int) { f.ClearHistory_Cmd(); }},
    {CM_CLOSE, CM_CLOSE, [](TFormHivelark& f, int) { f.Close_Cmd(); }},
    {CM_JUMPPATH, CM_JUMPPATH, [](TFormHivelark& f, int) { f.JumpPath_Cmd(); }},
    {CM_JUMPCLIPBOARD, CM_JUMPCLIPBOARD, [](TFormHivelark& f, int) { f.JumpClipboard_Cmd(); }},
    {CM_ROOT0, CM_ROOT0 + RootCount - 1, [](TFormHivelark& f, int id) { f.HKeyChange(id - CM_ROOT0); }},
    {CM_ROOTLIST, CM_ROOTLIST, [](TFormHivelark& f, int) { f.RegRootList_Cmd(); }},
    {CM_SAVESETTINGS, CM_SAVESETTINGS, [](TFormHivelark& f, int) { f.SaveSettingsNow_Cmd(); }},
    {CM_CHANGEHISTORY, CM_CHANGEHISTORY, [](TFormHivelark& f, int) { f.ChangeHistory_Cmd(); }},
    {CM_HELP_CONTENTS, CM_HELP_CONTENTS, [](TFormHivelark& f, int) { f.HelpContext_Cmd(0); }},
    {CM_HELP_KEYS, CM_HELP_KEYS, [](TFormHivelark& f, int) { f.HelpContext_Cmd(3); }},
    {CM_HELP_NEW, CM_HELP_NEW, [](TFormHivelark& f, int) { f.HelpContext_Cmd(5); }},
    {CM_HELP_FAQ, CM_HELP_FAQ, [](TFormHivelark& f, int) { f.HelpContext_Cmd(7); }},
    {CM_ABOUT, CM_ABOUT, [](TFormHivelark& f, int) { f.About_Open(); }},
    {CM_RENAME, CM_RENAME, [](TFormHivelark& f, int) { f.Rename_Cmd(); }},
    {CM_HISTORY0, CM_HISTORY0 + HistoryLimit - 1, [](TFormHivelark& f, int id) { f.JumpFromMenu(id - CM_HISTORY0); }},
};
}  // namespace

bool TFormHivelark::HasCommand(int id) const {
  for (const TCommandEntry& c : Commands)
    if (id >= c.first && id <= c.last) return true;
  for (const TSubsystem* s : subsystems_)
    if (s->OwnsCommand(id)) return true;
  return false;
}

bool TFormHivelark::CommandEnabled(int id) {
  if (id == CM_RENAME) {
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    return ListView_GetSelectedCount(list_) == 1 && Reg_ListView_Editing(row);
  }
  for (const TCommandEntry& c : Commands)
    if (id >= c.first && id <= c.last) return true;
  for (TSubsystem* s : subsystems_)
    if (s->OwnsCommand(id)) return s->CommandEnabled(id);
  return false;
}

bool TFormHivelark::RunCommand(int id) {
  for (const TCommandEntry& c : Commands) {
    if (id >= c.first && id <= c.last) {
      if (!CommandEnabled(id)) return false;
      c.run(*this, id);
      return true;
    }
  }
  for (TSubsystem* s : subsystems_) {
    if (!s->OwnsCommand(id)) continue;
    // The enabling rule holds for shortcuts and keys as for menus.
    if (!s->CommandEnabled(id)) return false;
    s->RunCommand(id);
    return true;
  }
  return false;
}

// Greys every item of the menu tree whose command does not exist or does not fit now.
void TFormHivelark::UpdateMenuStates(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      UpdateMenuStates(sub);
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    EnableMenuItem(menu, static_cast<UINT>(i),
                   MF_BYPOSITION | (CommandEnabled(static_cast<int>(id)) ? MF_ENABLED : MF_GRAYED));
  }
}

void TFormHivelark::ShowBookmarkPane(bool visible) {
  state_.BookmarkVisible = visible;
  Layout();
  DrawBookmarkBar(bmkStripMessage_);
}

void TFormHivelark::Update_Cmd() {
  if (state_.RootMode) navigator_.ShowRootList();
  else navigator_.Navigate("UPD", "", true, false);
}

void TFormHivelark::ClearHistory_Cmd() {
  state_.History.clear();
  state_.History.push_back(navigator_.LocationText());
  state_.HistoryIndex = 0;
}

void TFormHivelark::RegRootList_Cmd() { navigator_.ShowRootList(); }

void TFormHivelark::HKeyChange(int rootIndex) {
  if (rootIndex < 0 || rootIndex >= RootCount) return;
  state_.CurRoot = RootBase + static_cast<RootKey>(rootIndex);
  navigator_.Navigate("CD", "\\", true, false);
}

void TFormHivelark::RegRoots_Popup(HMENU menu) {
  if (!menu) return;
  while (GetMenuItemCount(menu) > RootCount) DeleteMenu(menu, 0, MF_BYPOSITION);
  while (GetMenuItemCount(menu) < RootCount) AppendMenuA(menu, MF_STRING, 0, "");
  TVkReg reg;
  for (int i = 0; i < RootCount; ++i) {
    (void)reg.OpenPath(RootBase + i, "\\", false);
    KeyInfo info;
    (void)reg.GetKeyInfo(info);  // an unreachable root counts 0 subkeys
    const std::string caption = PadNumber(4, '0', info.NumSubKeys) + " - " + RootNames[i] + "\tAlt+" +
                                std::to_string(i + 1);
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING | MIIM_ID | MIIM_FTYPE | MIIM_STATE;
    mi.fType = MFT_STRING;
    mi.fState = MFS_ENABLED;
    mi.wID = static_cast<UINT>(CM_ROOT0 + i);
    mi.dwTypeData = const_cast<char*>(caption.c_str());
    SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mi);
    SetMenuImage(menu, static_cast<UINT>(i), RootBase + static_cast<RootKey>(i) == state_.CurRoot ? 2 : 28);
  }
}

void TFormHivelark::HelpContext_Cmd(int context) { TFormAbout::OpenDocument("Hivelark.html", HelpAnchor(context)); }

void TFormHivelark::About_Open() { TFormAbout::ShowModal(hwnd_); }

void TFormHivelark::Close_Cmd() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

bool TFormHivelark::CloseQuery() {
  for (TSubsystem* s : subsystems_)
    if (!s->CanClose()) return false;
  CloseGoesAhead(true);
  return true;
}

void TFormHivelark::CloseGoesAhead(bool reportFailure) {
  // A settings file that cannot be written is reported, and the close goes on all the same.
  if (!SaveWindowSettings() && reportFailure) ReportSettingsNotSaved();
  for (TSubsystem* s : subsystems_) s->Closing();
}

void TFormHivelark::ReportSettingsNotSaved() {
  ShowPlainMsg("Couldn't save the settings to\r\n" + SettingsFileName() +
              "\r\n\r\nThe file or its folder cannot be written.",
          "Hivelark", MsgError);
}

void TFormHivelark::SaveSettingsNow_Cmd() {
  if (!SaveWindowSettings()) ReportSettingsNotSaved();
}

void TFormHivelark::LoadWindowSettings() {
  LoadSettings(SettingsFileName(), state_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  ApplyJournalSettings(state_);
  ClampPaneSizes(state_, GetSystemMetrics(SM_CYSCREEN));
  // A placement saved off the screen, tiny or minimized opens on the work area in a usable size.
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  state_.Window = FitPlacement(state_.Window, area, MinWindowWidth, MinWindowHeight);
  const TWindowPlacement& w = state_.Window;
  SetWindowPos(hwnd_, nullptr, w.Left, w.Top, w.Width, w.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TFormHivelark::SaveWindowSettings() {
  for (int i = 0; i < RegColumnCount; ++i)
    state_.ColumnWidths[i] = std::clamp(ListView_GetColumnWidth(list_, i), MinColumnWidth, MaxColumnWidth);
  for (int i = 0; i < BmkColumnCount; ++i)
    state_.BmkColumnWidths[i] = std::clamp(ListView_GetColumnWidth(bmkList_, i), MinColumnWidth, MaxColumnWidth);
  const bool maximized = IsZoomed(hwnd_) != 0;
  state_.Window.State = maximized ? 2 : (IsIconic(hwnd_) ? 1 : 0);
  if (!maximized && !IsIconic(hwnd_)) {
    RECT r;
    GetWindowRect(hwnd_, &r);
    state_.Window.Left = r.left;
    state_.Window.Top = r.top;
    state_.Window.Width = r.right - r.left;
    state_.Window.Height = r.bottom - r.top;
  }
  return SaveSettings(SettingsFileName(), state_, maximized);
}

LRESULT TFormHivelark::OnNotify(const NMHDR& header, LPARAM lp) {
  if (header.hwndFrom != list_) {
    LRESULT result = 0;
    for (TSubsystem* s : subsystems_)
      if (s->Notify(header, lp, result)) return result;
    return 0;
  }
  switch (header.code) {
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
      TrackSelection(header, lp);
      return 0;
    case LVN_GETDISPINFOA:
      OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(lp));
      return 0;
    case LVN_ODFINDITEMA:
      return OnFindItem(*reinterpret_cast<NMLVFINDITEMA*>(lp));
    case LVN_COLUMNCLICK:
      SortByColumn(reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem);
      return 0;
    case NM_DBLCLK:
      Reg_ListView_DblClick();
      return 0;
    case NM_RCLICK: {
      POINT p;
      GetCursorPos(&p);
      ShowRegContextMenu(p);
      return 0;
    }
    case LVN_BEGINLABELEDITA: {
      renameEnter_ = false;
      const int index = reinterpret_cast<NMLVDISPINFOA*>(lp)->item.iItem;
      if (!Reg_ListView_Editing(index)) return TRUE;
      return model_.RefuseUnspellable({index}) ? TRUE : FALSE;
    }
    case LVN_ENDLABELEDITA: {
      const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lp)->item;
      // The rows come from the model: a rename that succeeds changes the model's name.
      if (renameCancelled_) {
        // closed by a re-read: the row may hold another item next
      } else if (item.pszText) {
        (void)Reg_ListView_Edited(item.iItem, item.pszText);
      } else if (renameEnter_ && item.iItem >= 0 && item.iItem < model_.Count()) {
        // Enter on the unchanged name: refused as a rename to the same name is.
        (void)Reg_ListView_Edited(item.iItem, model_.Rows[static_cast<std::size_t>(item.iItem)].Name);
      }
      renameEnter_ = false;
      InvalidateRect(list_, nullptr, FALSE);
      return FALSE;
    }
    default:
      return 0;
  }
}

LRESULT TFormHivelark::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      LoadWindowSettings();
      CreateChildren();
      return list_ ? 0 : -1;
    case WM_SIZE:
      Layout();
      if (IsWindowVisible(hwnd_)) {
        DrawPathBar(stripMessage_);
        DrawBookmarkBar(bmkStripMessage_);
      }
      return 0;
    case WM_SETFOCUS:
      SetFocus(list_);
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lp), lp);
    case WM_COMMAND:
      if (lp == 0) RunCommand(LOWORD(wp));  // menus and shortcuts
      else if (reinterpret_cast<HWND>(lp) == cancelSearch_ && HIWORD(wp) == BN_CLICKED) RunCommand(IDC_CANCELSEARCH_BTN);
      return 0;
    case WM_INITMENUPOPUP: {
      const HMENU menu = reinterpret_cast<HMENU>(wp);
      if (menu == rootsMenu_) {
        RegRoots_Popup(rootsMenu_);
        return 0;
      }
      for (TSubsystem* s : subsystems_) s->MenuOpening(menu);
      UpdateMenuStates(menu);
      UpdateUndoItem(menu);
      return 0;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (item->CtlType == ODT_MENU) {
        MeasureMenuItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlType == ODT_MENU) {
        DrawMenuItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATEAPP:
      // Re-read once the activation's own messages have run.
      if (wp && rereadOnActivation_) PostMessageA(hwnd_, WM_APP_REREAD, 0, 0);
      return 0;
    case WM_APP_CLAMPCOLUMNS:
      for (HWND list : {list_, bmkList_}) {
        const int columns = Header_GetItemCount(ListView_GetHeader(list));
        for (int i = 0; i < columns; ++i) {
          const int width = ListView_GetColumnWidth(list, i);
          const int fitting = std::clamp(width, MinColumnWidth, MaxColumnWidth);
          if (width != fitting) ListView_SetColumnWidth(list, i, fitting);
        }
      }
      return 0;
    case WM_APP_REREAD:
      // Not while a key is being read or a modal window of ours is open (it disables this
      // window), and not when the key is as it was read: a big key would freeze the window
      // at every switch for nothing.
      if (IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_) && state_.AutoReread && !navigator_.Busy() &&
          !navigator_.ShownKeyUnchanged())
        Update_Cmd();
      return 0;
    case WM_CLOSE:
      if (CloseQuery()) DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends (log off, shut down): saved as by a close that goes ahead, without
      // a message nobody could answer.
      if (wp) CloseGoesAhead(false);
      return 0;
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
