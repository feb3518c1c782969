#include "editing/Value.h"

#include "lib/VkWindow.h"

#include <commctrl.h>

#include <utility>

#include "browser/ValueFormatText.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "lib/VkTextBox.h"
#include "registry/Journal.h"
#include "resource.h"

namespace {

const char* const FileFilter = "All Files (*.*)|*.*|";
constexpr COLORREF Maroon = 0x000080;
// Word wrap of the platform's edit box grows with the square of the text: longer dumps
// in that box are shown unwrapped, with a horizontal scroll bar.
constexpr std::size_t WrapLimit = 3 * 4096;
// The platform's one-line box paints nothing at all for a dump of about 900 characters and
// more, and takes a millisecond per 60 characters of a long word: a longer original text
// goes to the own box, whole.
constexpr std::size_t OriginalLimit = 512;
constexpr int Grow = 230;

const int ButtonIds[6] = {IDC_VAL_LOAD, IDC_VAL_SAVE, IDC_VAL_FILENAME, IDOK, IDCANCEL, IDC_VAL_APPLY};


std::string TextOf(HWND wnd) {
  const int len = GetWindowTextLengthA(wnd);
  if (len <= 0) return std::string();
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  const int got = GetWindowTextA(wnd, text.data(), len + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

bool IsOwnBox(HWND box) {
  char name[64] = "";
  return box && GetClassNameA(box, name, sizeof name) > 0 && lstrcmpiA(name, TextBoxClass) == 0;
}

void InvalidInteger(const std::string& text) {
  ShowPlainMsg("'" + text + "' is not a valid integer value", "Hivelark", MsgError);
}

}  // namespace

TFormValue::TFormValue(RootKey root, std::string keyPath, std::string name)
    : TVkDialog(IDD_VALUE), root_(root), keyPath_(std::move(keyPath)), name_(std::move(name)) {
  RegisterTextBoxClass();
  char folder[MAX_PATH] = "";
  const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n > 0 && n < sizeof folder) startFolder_ = folder;
}

TFormValue::~TFormValue() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (richFont_) DeleteObject(richFont_);
}

HWND TFormValue::EditBox() const {
  return GetDlgItem(hwnd_, mode_ == TValueMode::Text || mode_ == TValueMode::Number ? IDC_VAL_EDIT : IDC_VAL_RICH);
}

INT_PTR TFormValue::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      struct TPlace {
        int id, x, y, w, h;
      };
      static const TPlace places[] = {
          {IDC_VAL_NAMELABEL, 12, 16, 40, 13}, {IDC_VAL_NAMEEDIT, 56, 12, 253, 21}, {IDC_VAL_SIZELABEL, 322, 16, 30, 13},
          {IDC_VAL_SIZEEDIT, 354, 12, 109, 21}, {IDC_VAL_ORGLABEL, 12, 40, 44, 13}, {IDC_VAL_ORGEDIT, 56, 36, 407, 21},
          {IDC_VAL_VALLABEL, 12, 64, 40, 13},  {IDC_VAL_EDIT, 56, 60, 407, 21},    {IDC_VAL_RICH, 56, 60, 407, 21},
          {IDC_VAL_LOAD, 56, 88, 62, 21},      {IDC_VAL_SAVE, 125, 88, 62, 21},   {IDC_VAL_FILENAME, 194, 88, 62, 21},
          {IDOK, 263, 88, 62, 21},             {IDCANCEL, 332, 88, 62, 21},       {IDC_VAL_APPLY, 401, 88, 62, 21}};
      for (const TPlace& p : places) PlaceControl(hwnd_, p.id, p.x, p.y, p.w, p.h);
      SetClientSize(hwnd_, 471, 116);
      for (int id : {IDC_VAL_NAMEEDIT, IDC_VAL_SIZEEDIT, IDC_VAL_ORGEDIT, IDC_VAL_EDIT})
        SendDlgItemMessageA(hwnd_, id, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
      richFont_ = CreateFontA(-ScalePixels(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
      Fill();
      CenterOnScreen(hwnd_);
      SetFocus(EditBox());
      return FALSE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      DrawEdge(dc, &rc, EDGE_BUMP, BF_RECT);
      EndPaint(hwnd_, &ps);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      if (id != IDC_VAL_NAMELABEL && id != IDC_VAL_SIZELABEL && id != IDC_VAL_ORGLABEL && id != IDC_VAL_VALLABEL)
        return FALSE;
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, Maroon);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
      if (HIWORD(wp) != BN_CLICKED && lp) return FALSE;
      switch (LOWORD(wp)) {
        case IDOK: OkApply_Cmd(false); return TRUE;
        case IDC_VAL_APPLY: OkApply_Cmd(true); return TRUE;
        case IDCANCEL: EndModal(IDCANCEL); return TRUE;
        case IDC_VAL_LOAD: Load_Cmd(); return TRUE;
        case IDC_VAL_SAVE: Save_Cmd(); return TRUE;
        case IDC_VAL_FILENAME: FileName_Cmd(); return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

void TFormValue::Fill() {
  TWaitCursor cursor;
  std::string data;
  DWORD type = 0;
  {
    TVkReg reg;
    reg.Access = KEY_READ;
    readable_ = reg.OpenPath(root_, keyPath_, false) && reg.ReadValue(name_, data, type);
  }
  if (!readable_) {
    data.clear();
    type = 0;
  }
  type_ = type;
  size_ = static_cast<DWORD>(data.size());
  SetWindowTextA(hwnd_, ("Change " + TypeColumnText(type_, ConstNames) + " Value").c_str());
  SetWindowTextA(RemakeLineBox(IDC_VAL_NAMEEDIT, EditBoxFaults(name_)), name_.c_str());
  SetDlgItemTextA(hwnd_, IDC_VAL_SIZEEDIT, (std::to_string(size_) + " bytes").c_str());
  mode_ = readable_ ? ValueModeOfData(type_, data) : TValueMode::Hex;
  const std::string text = ValueEditText(mode_, type_, data);
  PrepareBox(text, true);
  SetupBoxes();
  std::string original = mode_ == TValueMode::Number ? DWordOriginalText(DWordOfData(data, type_)) : text;
  if (mode_ == TValueMode::Lines) {
    // One line cannot show line breaks: each string is shown in quotes, as in the pane.
    (void)ReplaceText(original, "\r\n", "\" \"", 1);
    original = "\"" + original + "\"";
  }
  SetWindowTextA(RemakeLineBox(IDC_VAL_ORGEDIT, original.size() > OriginalLimit || EditBoxFaults(original)),
                 original.c_str());
  SetBoxText(text);
  shownText_ = BoxText();
  loaded_ = false;
  EnableWindow(GetDlgItem(hwnd_, IDOK), readable_);
  EnableWindow(GetDlgItem(hwnd_, IDC_VAL_APPLY), readable_);
  EnableWindow(GetDlgItem(hwnd_, IDC_VAL_FILENAME), mode_ == TValueMode::Text || mode_ == TValueMode::Number);
}

void TFormValue::SetupBoxes() {
  const bool rich = mode_ == TValueMode::Lines || mode_ == TValueMode::Hex;
  HWND edit = GetDlgItem(hwnd_, IDC_VAL_EDIT);
  if (rich) {
    if (!enlarged_) {
      RECT rc;
      GetWindowRect(hwnd_, &rc);
      SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + ScalePixels(Grow),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      for (int id : ButtonIds) {
        HWND b = GetDlgItem(hwnd_, id);
        RECT br;
        GetWindowRect(b, &br);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&br), 2);
        SetWindowPos(b, nullptr, br.left, br.top + ScalePixels(Grow), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      enlarged_ = true;
    }
  }
  ShowWindow(edit, rich ? SW_HIDE : SW_SHOW);
  ShowWindow(GetDlgItem(hwnd_, IDC_VAL_RICH), rich ? SW_SHOW : SW_HIDE);
}

HWND TFormValue::PrepareBox(const std::string& text, bool fresh) {
  const std::size_t length = text.size();
  const bool own = length >= OwnBoxFrom || EditBoxFaults(text);
  if (mode_ == TValueMode::Text || mode_ == TValueMode::Number) return RemakeLineBox(IDC_VAL_EDIT, own);
  // The own box wraps a dump of any length.
  const bool wrap = mode_ == TValueMode::Hex && (own || length <= WrapLimit);
  HWND box = GetDlgItem(hwnd_, IDC_VAL_RICH);
  const bool wrapped = box && !(GetWindowLongPtrA(box, GWL_STYLE) & WS_HSCROLL);
  if (fresh || !box || IsOwnBox(box) != own || wrapped != wrap) box = MakeRichBox(wrap, own);
  return box;
}

HWND TFormValue::MakeRichBox(bool wrap, bool own) {
  // The box is made anew for each form: word wrap cannot be switched on a live edit box.
  DWORD style = WS_CHILD | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL;
  bool focused = false;
  if (HWND old = GetDlgItem(hwnd_, IDC_VAL_RICH)) {
    if (GetWindowLongPtrA(old, GWL_STYLE) & WS_VISIBLE) style |= WS_VISIBLE;
    focused = GetFocus() == old;
    DestroyWindow(old);
  }
  if (mode_ == TValueMode::Lines) style |= ES_WANTRETURN | ES_AUTOHSCROLL | WS_HSCROLL;
  else if (!wrap) style |= ES_AUTOHSCROLL | WS_HSCROLL;
  HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, own ? TextBoxClass : "EDIT", "", style, ScalePixels(56),
                             ScalePixels(60), ScalePixels(407), ScalePixels(21 + Grow), hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_VAL_RICH)), GetModuleHandleA(nullptr),
                             nullptr);
  if (!box) return nullptr;
  SetWindowPos(box, GetDlgItem(hwnd_, IDC_VAL_EDIT), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(richFont_), FALSE);
  SendMessageA(box, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  SetWindowSubclass(box, RichProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (focused) SetFocus(box);
  return box;
}

HWND TFormValue::RemakeLineBox(int id, bool own) {
  HWND old = GetDlgItem(hwnd_, id);
  if (!old || IsOwnBox(old) == own) return old;
  RECT rc;
  GetWindowRect(old, &rc);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_EXSTYLE));
  const WPARAM font = static_cast<WPARAM>(SendMessageA(old, WM_GETFONT, 0, 0));
  const bool focused = GetFocus() == old;
  HWND after = GetWindow(old, GW_HWNDPREV);
  DestroyWindow(old);
  HWND box = CreateWindowExA(exStyle, own ? TextBoxClass : "EDIT", "", style, rc.left, rc.top, rc.right - rc.left,
                             rc.bottom - rc.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
  if (!box) return nullptr;
  // The new box takes the old one's place in the tab order.
  SetWindowPos(box, after ? after : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(box, WM_SETFONT, font, FALSE);
  SendMessageA(box, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  if (focused) SetFocus(box);
  return box;
}

std::string TFormValue::BoxText() const { return TextOf(EditBox()); }

void TFormValue::SetBoxText(const std::string& text) { SetWindowTextA(PrepareBox(text, false), text.c_str()); }

LRESULT CALLBACK TFormValue::RichProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<TFormValue*>(data);
  const bool hex = self->mode_ == TValueMode::Hex;
  switch (msg) {
    case WM_GETDLGCODE:
      // The dump leaves Tab and Enter to the window (Enter presses OK); the lines of a
      // multi-string take them as text.
      if (hex) return DefSubclassProc(wnd, msg, wp, lp) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      return DefSubclassProc(wnd, msg, wp, lp) | DLGC_WANTALLKEYS | DLGC_WANTTAB;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) {
        self->EndModal(IDCANCEL);
        return 0;
      }
      // Tab and Ctrl+Tab type a tab into the lines, in the platform's box as in the own one
      // (the platform's box would move the focus on inside a dialog).
      if (wp == VK_TAB && self->mode_ == TValueMode::Lines) {
        DefSubclassProc(wnd, EM_REPLACESEL, TRUE,
                        IsWindowUnicode(wnd) ? reinterpret_cast<LPARAM>(L"\t") : reinterpret_cast<LPARAM>("\t"));
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == '\t' && self->mode_ == TValueMode::Lines) return 0;  // typed at its key already
      // The subclass sees the box's messages in its own form: wide for the platform's box,
      // ANSI for the program's.
      if (hex) {
        const char c = wp < 128 ? HexKeyChar(static_cast<char>(wp)) : 0;
        if (!c) return 0;
        DWORD start = 0;
        SendMessageA(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        if (HexKeyNeedsSpace(c, static_cast<long>(start)))
          DefSubclassProc(wnd, EM_REPLACESEL, TRUE,
                          IsWindowUnicode(wnd) ? reinterpret_cast<LPARAM>(L" ") : reinterpret_cast<LPARAM>(" "));
        return DefSubclassProc(wnd, msg, static_cast<WPARAM>(c), lp);
      }
      break;
    case WM_NCDESTROY: RemoveWindowSubclass(wnd, RichProc, id); break;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

THexParse::TStatus TFormValue::HexBytes(std::string& bytes) {
  THexParse parse = ParseHexText(BoxText());
  if (parse.Status == THexParse::BadChar) {
    ShowMsg("Invalid input of binary data!", "Hivelark", MsgError);
    HWND box = EditBox();
    SendMessageA(box, EM_SETSEL, parse.Position, parse.Position + 1);
    SetFocus(box);
  } else if (parse.Status == THexParse::BadGroup) {
    InvalidInteger("$" + parse.Group);
  } else {
    bytes = std::move(parse.Bytes);
  }
  return parse.Status;
}

void TFormValue::OkApply_Cmd(bool apply) {
  if (!readable_) return;  // an unread value is never written over
  const std::string text = BoxText();
  if (!loaded_ && text == shownText_) {  // nothing edited: the bytes stay exactly as they are
    if (!apply) EndModal(IDOK);
    return;
  }
  bool written = false;
  {
    TWaitCursor cursor;
    TVkReg reg;
    const bool opened = reg.OpenPath(root_, keyPath_, false);
    // The value as it is now is recorded before the editor writes it (OK and Apply alike).
    TJournalRecorder record("Edit", root_, keyPath_);
    record.SetCaption(ChangeCaption("Edit", 1, name_));
    if (opened) record.Value(root_, keyPath_, name_);
    if (opened && !record.Commit()) return;
    TJournalFinish finish(record);
    switch (mode_) {
      case TValueMode::Text: written = opened && reg.WriteString(name_, text, type_); break;
      case TValueMode::Number: {
        std::int64_t v = 0;
        // A number outside 32 bits (signed or not) has no DWORD: it is refused, not cut.
        if (!ParseInt64Text(text, v) || v < INT32_MIN || v > static_cast<std::int64_t>(UINT32_MAX)) {
          InvalidInteger(text);
          if (!apply) EndModal(IDOK);
          return;
        }
        written = opened && reg.WriteInteger(name_, static_cast<std::int32_t>(static_cast<std::uint32_t>(v)), type_ == 5);
        break;
      }
      case TValueMode::Lines: written = opened && reg.WriteMultiString(name_, text); break;
      case TValueMode::Hex: {
        std::string bytes;
        const THexParse::TStatus status = HexBytes(bytes);
        if (status == THexParse::BadGroup) {  // the conversion message ends the command at once
          if (!apply) EndModal(IDOK);
          return;
        }
        if (status == THexParse::BadChar) break;
        written = opened && reg.WriteData(name_, bytes.data(), type_, static_cast<DWORD>(bytes.size()));
        break;
      }
    }
  }
  if (!written) ShowMsg("The data was not written due to an error!", "Hivelark", MsgError);
  if (OnWritten) OnWritten();
  if (!apply) EndModal(IDOK);
  else if (written) Fill();
}

void TFormValue::Load_Cmd() {
  TFileDialogSpec request;
  request.Filter = FileFilter;
  request.InitialDir = startFolder_;
  std::string file;
  if (!Interaction().OpenFileName(request, file)) return;
  const std::int64_t n = FileSizeByName(file);
  if (n > MaxValueDataSize) {
    ShowPlainMsg("The file \"" + file + "\" is too large for a registry value (more than " +
                     std::to_string(MaxValueDataSize) + " bytes) and was not loaded!",
                 "Hivelark", MsgError);
    return;
  }
  std::string bytes;
  bool read = false;
  {
    TWaitCursor cursor;
    TVkFile f;
    if (n >= 0 && OpenFileForRead(file, f)) {
      bytes.resize(static_cast<std::size_t>(n));
      read = n == 0 || ReadFileBytes(f, 0, static_cast<int>(n), bytes.data()) == static_cast<int>(n);
    }
    if (read) {
      ShowLoaded(file, bytes);
      loaded_ = true;
    }
  }
  if (!read) ShowPlainMsg("The file \"" + file + "\" could not be read!", "Hivelark", MsgError);
}

void TFormValue::ShowLoaded(const std::string& file, const std::string& bytes) {
  // A file decides the form anew: a string shown as hexadecimal data takes a plain text file
  // as text again.
  const TValueMode form = readable_ ? ValueModeOfType(type_) : mode_;
  std::string text;
  switch (form) {
    case TValueMode::Number: ShowInForm(form, std::to_string(bytes.size() >= 4 ? DWordOfData(bytes, 4) : 0u)); return;
    case TValueMode::Hex: ShowInForm(form, HexDumpText(bytes)); return;
    default: break;
  }
  const bool fits = LoadedFileText(form, type_, bytes, text);
  if (fits) ShowInForm(form, text);
  if (fits && BoxText() == text) return;
  ShowInForm(TValueMode::Hex, HexDumpText(bytes));
  const std::size_t nul = bytes.find('\0');
  const char* what = nul != std::string::npos && (form == TValueMode::Lines || nul + 1 < bytes.size()) ? "a NUL character"
                     : fits ? "characters that the text box cannot hold"
                            : "a line break";
  ShowPlainMsg("The file \"" + file + "\" holds " + what + ", which the " +
                   (form == TValueMode::Lines ? "lines" : "line") +
                   " of text would lose: it is shown as hexadecimal data and written exactly as loaded.",
               "Hivelark", MsgInfo);
}

void TFormValue::ShowInForm(TValueMode form, const std::string& text) {
  if (form != mode_) {
    mode_ = form;
    PrepareBox(text, true);
    SetupBoxes();
    EnableWindow(GetDlgItem(hwnd_, IDC_VAL_FILENAME), mode_ == TValueMode::Text || mode_ == TValueMode::Number);
  }
  SetBoxText(text);
}

void TFormValue::Save_Cmd() {
  TFileDialogSpec request;
  request.Filter = FileFilter;
  request.DefaultExt = "dat";
  request.InitialDir = startFolder_;
  request.OverwritePrompt = true;
  std::string file = ValueFileName(name_);
  if (!Interaction().SaveFileName(request, file)) return;
  std::string content;
  bool saved = false;
  {
    TWaitCursor cursor;
    if (mode_ == TValueMode::Hex) {
      if (HexBytes(content) != THexParse::Ok) return;
    } else {
      content = BoxText();
    }
    saved = SaveTextToFile(file, content, true);
  }
  if (!saved) ShowPlainMsg("The file \"" + file + "\" could not be written!", "Hivelark", MsgError);
}

void TFormValue::FileName_Cmd() {
  HWND edit = GetDlgItem(hwnd_, IDC_VAL_EDIT);
  const std::string current = TextOf(edit);
  TFileDialogSpec request;
  request.Filter = FileFilter;
  request.InitialDir = startFolder_;
  std::string file;
  if (IsFile(current)) {
    const std::size_t slash = current.find_last_of("\\/");
    if (slash != std::string::npos) request.InitialDir = current.substr(0, slash + 1);
    file = current.substr(slash == std::string::npos ? 0 : slash + 1);
  }
  if (Interaction().OpenFileName(request, file)) SetBoxText(file);
}

int EditValue_Open(HWND owner, RootKey root, const std::string& keyPath, const std::string& name, bool constNames,
                   const std::function<void()>& refresh) {
  TFormValue form(root, keyPath, name);
  form.ConstNames = constNames;
  form.OnWritten = refresh;
  return static_cast<int>(form.ShowModal(owner));
}
