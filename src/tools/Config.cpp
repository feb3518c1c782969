#include "tools/Config.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>

#include "browser/Icons.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "registry/Journal.h"

namespace {

const char* const ConfigClass = "HivelarkConfig";
constexpr int PageX = 16, PageY = 36;  // the pages' origin inside the tab control
constexpr int ClientW = 400, ClientH = 440;
constexpr std::uint32_t EditBack = 0xDCDCDC, EditText = 0x303030;
constexpr std::uint32_t ClWindow = 0x80000005u;
constexpr std::uint32_t HivelarkBack = 14474440;  // 0xDCDCC8

const char* const PageNames[5] = {"General", "Sound", "Visual", "Bookmarks", "Type Format"};
const char* const ScrollBoxClass = "HivelarkScrollBox";
constexpr int TypeFormatRange = 326;  // the height of the Type Format rows

// The colour of the tab control's page, as the control paints it (white with the visual
// style, grey without): the labels and check boxes on the pages are drawn on it.
COLORREF PageColour(HWND tabs) {
  RECT rc{};
  GetClientRect(tabs, &rc);
  HDC screen = GetDC(tabs);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF colour = GetPixel(dc, PageX, PageY + 8);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(tabs, screen);
  return colour == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : colour;
}

// A box that scrolls its controls vertically; the window answers for them (commands and
// colours go to it).
LRESULT CALLBACK ScrollBoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: return SendMessageA(GetParent(box), msg, wp, lp);
    case WM_ERASEBKGND: {
      RECT rc{};
      GetClientRect(box, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc,
               reinterpret_cast<HBRUSH>(SendMessageA(GetParent(box), WM_CTLCOLORSTATIC, wp, reinterpret_cast<LPARAM>(box))));
      return 1;
    }
    case WM_VSCROLL: {
      SCROLLINFO si{sizeof si, SIF_ALL};
      GetScrollInfo(box, SB_VERT, &si);
      int pos = si.nPos;
      switch (LOWORD(wp)) {
        case SB_LINEUP: pos -= 24; break;
        case SB_LINEDOWN: pos += 24; break;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        default: break;
      }
      pos = std::max(0, std::min(pos, si.nMax - static_cast<int>(si.nPage) + 1));
      ScrollWindowEx(box, 0, si.nPos - pos, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
      SetScrollPos(box, SB_VERT, pos, TRUE);
      return 0;
    }
    default: return DefWindowProcA(box, msg, wp, lp);
  }
}

}  // namespace

std::string ProgramFile() {
  char path[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n < sizeof path ? n : 0);
}

bool RegProtocolEnabled() {
  TVkReg reg;
  reg.Access = KEY_READ;  // a registration the user cannot change still counts as present
  return reg.OpenPath(RootClassesRoot, "\\reg", false) && reg.ValueExists("URL Protocol");
}

bool WriteRegProtocol(bool enable, const std::string& programPath) {
  // The registration as it is now is recorded first, so that an undo can put it back.
  TJournalRecorder record(enable ? "Register reg Links" : "Unregister reg Links", RootClassesRoot, "\\");
  record.Key(RootClassesRoot, std::string("\\reg"));
  if (!record.Commit()) return false;
  TJournalFinish finish(record);
  TVkReg reg;
  (void)reg.SetRootKey(RootClassesRoot);
  const bool deleted = reg.DeleteKey("\\reg");
  if (!enable) return deleted;
  const std::string quoted = "\"" + programPath + "\"";
  bool ok = reg.OpenKey("\\reg", true) && reg.WriteString("", "URL: Registry Protocol", REG_SZ) &&
            reg.WriteString("URL Protocol", "", REG_SZ);
  ok = reg.OpenKey("\\reg\\Shell\\Open\\Command", true) && reg.WriteString("", quoted + " \"%1\"", REG_SZ) && ok;
  ok = reg.OpenKey("\\reg\\DefaultIcon", true) && reg.WriteString("", quoted + ",1", REG_SZ) && ok;
  return ok;
}

TFormConfig::~TFormConfig() {
  if (hwnd_) DestroyWindow(hwnd_);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(panelFont_), static_cast<HGDIOBJ>(uiFont_), static_cast<HGDIOBJ>(panelBrush_),
                    static_cast<HGDIOBJ>(editBrush_), static_cast<HGDIOBJ>(pageBrush_)})
    if (o) DeleteObject(o);
  if (images_) ImageList_Destroy(images_);
}

HWND TFormConfig::Add(int page, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  // The Type Format page's controls live in its scroll box, shown with it.
  const bool boxed = page == 4 && typeBox_;
  const int ox = page >= 0 && !boxed ? PageX : 0, oy = page >= 0 && !boxed ? PageY : 0;
  HWND c = CreateWindowExA(0, cls, text, WS_CHILD | style | (boxed ? WS_VISIBLE : 0), ox + x, oy + y, w, h,
                           boxed ? typeBox_ : hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  if (c && uiFont_) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
  if (c && page >= 0 && !boxed) pages_[page].push_back(c);
  return c;
}

HWND TFormConfig::Control(int id) const {
  HWND c = GetDlgItem(hwnd_, id);
  return c || !typeBox_ ? c : GetDlgItem(typeBox_, id);
}

HWND TFormConfig::Check(int page, int id, const char* text, int x, int y, int w) {
  return Add(page, "BUTTON", text, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, w, 18, id);
}

bool TFormConfig::Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TFormConfig::SetChecked(int id, bool on) { SendMessageA(Control(id), BM_SETCHECK, on ? BST_CHECKED : 0, 0); }

std::string TFormConfig::Text(int id) const {
  HWND c = Control(id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(c)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(c, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool TFormConfig::Create() {
  if (!RegisterClassOnce(ConfigClass, nullptr)) return false;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT rc{0, 0, ClientW, ClientH};
  AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (!CreateBound(WS_EX_DLGMODALFRAME, ConfigClass, "Hivelark Configuration", style,
                   (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                   host_.Owner(), nullptr))
    return false;
  uiFont_ = CreateIconTitleFont();
  const TBrowserState& s = host_.State();

  HWND tabs = Add(-1, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 6, 6, ClientW - 12, ClientH - 48,
                  IdcConfigTabs);
  for (int i = 0; i < 5; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(PageNames[i]);
    SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }

  // General
  Check(0, IdcGridLines, "Show Gridlines in all Listviews", 8, 8);
  Check(0, IdcBackShowsRoot, "Backspace in the root shows the root list", 8, 32);
  Check(0, IdcQueryKeyInfo, "Query Key Information", 8, 56);
  Check(0, IdcConstTypeNames, "Use constant data type names", 8, 80);
  Check(0, IdcAutoReread, "Re-read key when the program is focused", 8, 104);
  Check(0, IdcRegProtocol, "Enable reg:// Protocol (Experimental)", 8, 128);
  SetChecked(IdcGridLines, s.GridLines);
  SetChecked(IdcBackShowsRoot, s.BackShowsRoot);
  SetChecked(IdcQueryKeyInfo, s.QueryKeyInfo);
  SetChecked(IdcConstTypeNames, s.ConstDataNames);
  SetChecked(IdcAutoReread, s.AutoReread);
  SetChecked(IdcRegProtocol, RegProtocolEnabled());

  // Sound
  Add(1, "STATIC", "Play sound file after a function comple:", 0, 8, 8, 300, 16, -1);
  Add(1, "EDIT", s.NotifySnd.c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8, 28, 340, 21, IdcSndEdit);
  Add(1, "BUTTON", "&Play", WS_TABSTOP, 8, 58, 75, 25, IdcSndPlay);
  Add(1, "BUTTON", "&Stop", WS_TABSTOP, 90, 58, 75, 25, IdcSndStop);
  Add(1, "BUTTON", "&Browse", WS_TABSTOP, 273, 58, 75, 25, IdcSndBrowse);

  // Visual
  Add(2, "STATIC", "", SS_CENTER | SS_CENTERIMAGE | WS_BORDER, 8, 8, 340, 60, IdcListViewPanel);
  Add(2, "BUTTON", "Change Font", WS_TABSTOP, 8, 80, 110, 25, IdcChangeFont);
  Add(2, "BUTTON", "Back Color", WS_TABSTOP, 123, 80, 110, 25, IdcBackColor);
  Add(2, "BUTTON", "Text Color", WS_TABSTOP, 238, 80, 110, 25, IdcTextColor);
  Add(2, "BUTTON", "System Font", WS_TABSTOP, 8, 112, 110, 25, IdcSysFont);
  Add(2, "BUTTON", "Windows Def", WS_TABSTOP, 123, 112, 110, 25, IdcWindowsDef);
  Add(2, "BUTTON", "Hivelark Def", WS_TABSTOP, 238, 112, 110, 25, IdcHivelarkDef);
  font_ = DescriptorToFont(s.ListViewFont);
  font_.Color = s.FontColor;
  backColor_ = s.BackColor;
  ShowFontText();

  // Bookmarks
  Check(3, IdcAutoClose, "Close the bookmark window upon jump", 8, 8);
  const char* rows[3] = {"User Bookmarks:", "Search Bookmarks:", "Cut/Copy Bookmarks:"};
  const int loads[3] = {IdcLoadBookMarks, IdcLoadSearchRes, IdcLoadCopyItems};
  const int saves[3] = {IdcSaveBookMarks, IdcSaveSearchRes, IdcSaveCopyItems};
  for (int i = 0; i < 3; ++i) {
    Add(3, "STATIC", rows[i], 0, 8, 44 + 28 * i, 130, 16, -1);
    Check(3, loads[i], "AutoLoad", 140, 42 + 28 * i, 90);
    Check(3, saves[i], "AutoSave", 240, 42 + 28 * i, 90);
  }
  SetChecked(IdcAutoClose, s.AutoClose);
  SetChecked(IdcLoadBookMarks, s.LoadBookMarks);
  SetChecked(IdcSaveBookMarks, s.SaveBookMarks);
  SetChecked(IdcLoadSearchRes, s.LoadSearchRes);
  SetChecked(IdcSaveSearchRes, s.SaveSearchRes);
  SetChecked(IdcLoadCopyItems, s.LoadCopyItems);
  SetChecked(IdcSaveCopyItems, s.SaveCopyItems);

  // Type Format: a scroll box with one row per type code, 24 pixels apart.
  WNDCLASSA box{};
  box.lpfnWndProc = ScrollBoxProc;
  box.hInstance = GetModuleHandleA(nullptr);
  box.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  box.lpszClassName = ScrollBoxClass;
  RegisterClassA(&box);  // fails harmlessly when it is registered already
  typeBox_ = CreateWindowExA(WS_EX_CONTROLPARENT, ScrollBoxClass, "", WS_CHILD | WS_VSCROLL, PageX, PageY,
                             ClientW - 12 - PageX, ClientH - 54 - PageY, hwnd_, nullptr, box.hInstance, nullptr);
  if (typeBox_) {
    pages_[4].push_back(typeBox_);
    RECT rc{};
    GetClientRect(typeBox_, &rc);
    SCROLLINFO range{sizeof range, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, TypeFormatRange, static_cast<UINT>(rc.bottom)};
    SetScrollInfo(typeBox_, SB_VERT, &range, FALSE);
  }
  Add(4, "BUTTON", "&Help", WS_TABSTOP, 4, 4, 75, 23, IdcTypeHelp);
  Add(4, "BUTTON", "&Default", WS_TABSTOP, 84, 4, 75, 23, IdcTypeDefault);
  images_ = CreateRowImageList();
  for (int i = 0; i < TypeCount; ++i) {
    HWND icon = Add(4, "STATIC", "", SS_ICON | SS_REALSIZEIMAGE, 4, 36 + 24 * i, 16, 16, -1);
    if (icon && images_) {
      HICON h = ImageList_GetIcon(images_, i, ILD_NORMAL);
      SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(h), 0);
    }
    Add(4, "STATIC", (std::string(TypeNames[i]) + ":").c_str(), 0, 22, 38 + 24 * i, 108, 16, IdcTypeFmtEdit0 + 50 + i);
    Add(4, "EDIT", s.TypeFmt[i].c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 132, 34 + 24 * i, 118, 21,
        IdcTypeFmtEdit0 + i);
  }
  // The buttons come after the pages in the tab order.
  Add(-1, "BUTTON", "&OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, ClientW - 246, ClientH - 34, 75, 25, IDOK);
  Add(-1, "BUTTON", "&Cancel", WS_VISIBLE | WS_TABSTOP, ClientW - 166, ClientH - 34, 75, 25, IDCANCEL);
  Add(-1, "BUTTON", "&Apply", WS_VISIBLE | WS_TABSTOP, ClientW - 86, ClientH - 34, 75, 25, IdcApply);
  editBrush_ = CreateSolidBrush(EditBack);
  pageColour_ = PageColour(tabs);
  pageBrush_ = CreateSolidBrush(pageColour_);
  ShowPage(0);
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void TFormConfig::ShowModal() {
  HWND owner = host_.Owner();
  TDialogOwnerScope asks(hwnd_);  // the boxes and dialogs it opens are its own
  if (owner) EnableWindow(owner, FALSE);
  SetActiveWindow(hwnd_);
  SetFocus(Control(IDOK));
  MSG msg;
  while (hwnd_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    const bool pageKey = msg.message == WM_KEYDOWN && IsChild(hwnd_, msg.hwnd) &&
                         PageKey(msg.wParam, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0);
    if (pageKey || IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

bool TFormConfig::PageKey(WPARAM key, bool ctrl, bool shift) {
  int step = 0;
  if (!ctrl) return false;
  if (key == VK_TAB) step = shift ? -1 : 1;
  else if (key == VK_NEXT) step = 1;
  else if (key == VK_PRIOR) step = -1;
  if (step == 0) return false;
  const int page = static_cast<int>(SendMessageA(Control(IdcConfigTabs), TCM_GETCURSEL, 0, 0));
  ShowPage(((page < 0 ? 0 : page) + step + 5) % 5);
  return true;
}

void TFormConfig::ShowPage(int page) {
  for (int p = 0; p < 5; ++p)
    for (HWND c : pages_[p]) ShowWindow(c, p == page ? SW_SHOW : SW_HIDE);
  SendMessageA(Control(IdcConfigTabs), TCM_SETCURSEL, page, 0);
  // The tab control draws over the hidden page: repaint the whole window and its controls.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::string TFormConfig::PanelText() const { return FontToDescriptor(font_, false); }

void TFormConfig::ApplyPanelFont() {
  if (panelFont_) DeleteObject(panelFont_);
  panelFont_ = CreateFontHandle(font_);
  if (panelBrush_) DeleteObject(panelBrush_);
  panelBrush_ = CreateSolidBrush(ResolveColor(backColor_));
  SendMessageA(Control(IdcListViewPanel), WM_SETFONT, reinterpret_cast<WPARAM>(panelFont_), TRUE);
  InvalidateRect(Control(IdcListViewPanel), nullptr, TRUE);
}

void TFormConfig::ShowFontText() {
  ApplyPanelFont();
  SetWindowTextA(Control(IdcListViewPanel), PanelText().c_str());
}

void TFormConfig::OkApply_Cmd(bool close) {
  TBrowserState& s = host_.State();
  const bool constNames = Checked(IdcConstTypeNames);
  bool reread = constNames != s.ConstDataNames || Checked(IdcQueryKeyInfo) != s.QueryKeyInfo;
  const bool refill = host_.BookmarkPaneVisible() && constNames != s.ConstDataNames;
  s.GridLines = Checked(IdcGridLines);
  s.BackShowsRoot = Checked(IdcBackShowsRoot);
  s.QueryKeyInfo = Checked(IdcQueryKeyInfo);
  s.ConstDataNames = constNames;
  s.AutoReread = Checked(IdcAutoReread);
  (void)WriteRegProtocol(Checked(IdcRegProtocol), ProgramFile());
  s.ListViewFont = PanelText();
  s.FontColor = font_.Color;
  s.BackColor = backColor_;
  s.NotifySnd = Text(IdcSndEdit);
  s.AutoClose = Checked(IdcAutoClose);
  s.LoadBookMarks = Checked(IdcLoadBookMarks);
  s.SaveBookMarks = Checked(IdcSaveBookMarks);
  s.LoadSearchRes = Checked(IdcLoadSearchRes);
  s.SaveSearchRes = Checked(IdcSaveSearchRes);
  s.LoadCopyItems = Checked(IdcLoadCopyItems);
  s.SaveCopyItems = Checked(IdcSaveCopyItems);
  for (int i = 0; i < TypeCount; ++i) {
    const std::string text = Text(IdcTypeFmtEdit0 + i);
    if (!reread && text != s.TypeFmt[i]) reread = true;
    s.TypeFmt[i] = text;
  }
  host_.ApplySettings();
  if (reread) {
    if (s.RootMode) host_.Navigator().ShowRootList();
    else host_.Navigator().Navigate("UPD", "", true, false);
  }
  if (refill) bookmarks_.ShowBookmarkList();
  if (close) DestroyWindow(hwnd_);
}

void TFormConfig::Cancel_Cmd() { DestroyWindow(hwnd_); }

void TFormConfig::ChangeColor_Cmd(int tag) {
  VkColorDlg1.Color = tag == 0 ? backColor_ : font_.Color;
  if (!VkColorDlg1.Execute(hwnd_)) return;
  (tag == 0 ? backColor_ : font_.Color) = VkColorDlg1.Color;
  ShowFontText();
}

void TFormConfig::ChangeFont_Cmd() {
  LOGFONTA lf{};
  if (panelFont_) GetObjectA(panelFont_, sizeof lf, &lf);
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = hwnd_;
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_FORCEFONTEXIST | CF_INITTOLOGFONTSTRUCT;
  if (Interaction().ChooseFontDlg(cf)) {
    HFONT chosen = CreateFontIndirectA(&lf);
    if (chosen) {
      font_ = FontFromHandle(chosen, font_.Color);
      DeleteObject(chosen);
    }
  }
  ShowFontText();
}

void TFormConfig::SysFont_Cmd() {
  HFONT sys = CreateIconTitleFont();
  if (sys) {
    font_ = FontFromHandle(sys, font_.Color);
    DeleteObject(sys);
  }
  ShowFontText();
}

void TFormConfig::DefColor_Cmd(int tag) {
  if (tag == 0) {
    backColor_ = ClWindow;
    HFONT sys = CreateIconTitleFont();
    if (sys) {
      font_ = FontFromHandle(sys, ClWindowText);
      DeleteObject(sys);
    }
    font_.Color = ClWindowText;
  } else {
    backColor_ = HivelarkBack;
    font_ = DescriptorToFont("Tahoma,8,,$402000");
  }
  ShowFontText();
}

void TFormConfig::SndBrowse_Cmd() {
  TFileDialogSpec request;
  request.Filter = "Wave files (*.wav)|*.wav|All files (*.*)|*.*|";
  std::string file = Text(IdcSndEdit);
  if (Interaction().OpenFileName(request, file)) SetWindowTextA(Control(IdcSndEdit), file.c_str());
}

void TFormConfig::SndPlayStop_Cmd(int tag) {
  if (tag == 0) PlaySoundA(Text(IdcSndEdit).c_str(), nullptr, SND_FILENAME | SND_ASYNC);
  else PlaySoundA(nullptr, nullptr, 0);
}

void TFormConfig::Default_BtnClick() {
  for (int i = 0; i < TypeCount; ++i) SetWindowTextA(Control(IdcTypeFmtEdit0 + i), DefaultTypeFmt[i]);
}

void TFormConfig::Help_Cmd() {
  ShowMsg(
      "%s = String\\n%e = Expanded String\\n%m = Multi String\\n%h = Hex View\\n\\n%i = Signed Integer\\n%I = Signed "
      "Integer (Big Endian)\\n%u = Unsigned Integer\\n%U = Unsigned Integer (Big Endian)\\n%x = Hexadecimal\\n%X = "
      "Hexadecimal (Big Endian)",
      "Type Format Help", MsgInfo);
}

LRESULT TFormConfig::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK: OkApply_Cmd(true); return 0;
        case IdcApply: OkApply_Cmd(false); return 0;
        case IDCANCEL: Cancel_Cmd(); return 0;
        case IdcSndPlay: SndPlayStop_Cmd(0); return 0;
        case IdcSndStop: SndPlayStop_Cmd(1); return 0;
        case IdcSndBrowse: SndBrowse_Cmd(); return 0;
        case IdcChangeFont: ChangeFont_Cmd(); return 0;
        case IdcBackColor: ChangeColor_Cmd(0); return 0;
        case IdcTextColor: ChangeColor_Cmd(1); return 0;
        case IdcSysFont: SysFont_Cmd(); return 0;
        case IdcWindowsDef: DefColor_Cmd(0); return 0;
        case IdcHivelarkDef: DefColor_Cmd(1); return 0;
        case IdcTypeHelp: Help_Cmd(); return 0;
        case IdcTypeDefault: Default_BtnClick(); return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->idFrom == IdcConfigTabs && header->code == TCN_SELCHANGE)
        ShowPage(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HWND c = reinterpret_cast<HWND>(lp);
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(c);
      if (id == IdcListViewPanel && panelBrush_) {
        SetTextColor(dc, ResolveColor(font_.Color));
        SetBkColor(dc, ResolveColor(backColor_));
        return reinterpret_cast<LRESULT>(panelBrush_);
      }
      if (id >= IdcTypeFmtEdit0 + 50 && id < IdcTypeFmtEdit0 + 50 + TypeCount) {
        SetTextColor(dc, RGB(128, 0, 0));  // maroon labels
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(pageBrush_ ? pageBrush_ : GetSysColorBrush(COLOR_BTNFACE));
      }
      if ((id == IdcSndEdit || (id >= IdcTypeFmtEdit0 && id < IdcTypeFmtEdit0 + TypeCount)) && editBrush_) {
        SetTextColor(dc, EditText);
        SetBkColor(dc, EditBack);
        return reinterpret_cast<LRESULT>(editBrush_);
      }
      if (msg == WM_CTLCOLORSTATIC && pageBrush_) {
        SetBkColor(dc, pageColour_);  // labels and check boxes on the page
        return reinterpret_cast<LRESULT>(pageBrush_);
      }
      break;
    }
    case WM_CLOSE:
      Cancel_Cmd();
      return 0;
    case DM_GETDEFID:
      // OK is the default button: the dialog keys give its frame back when the focus
      // leaves another button.
      return MAKELRESULT(IDOK, DC_HASDEFID);
  }
  return TVkWindow::HandleMessage(msg, wp, lp);
}
