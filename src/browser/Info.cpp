#include "browser/Info.h"

#include <algorithm>
#include <cstdio>

#include "browser/Icons.h"
#include "browser/ValueFormat.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

constexpr COLORREF Navy = 0x800000, Maroon = 0x000080;
const TInfoLine Blank{};

// Width in pixels at 96 dots per inch of a text in the font.
int TextWidth(HFONT font, const std::string& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(std::min<std::size_t>(text.size(), 4096)), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return MulDiv(size.cx, 96, ScalePixels(96));
}

int LineId(std::size_t line, bool value) { return IDC_INFO_FIRSTLINE + 2 * static_cast<int>(line) + (value ? 1 : 0); }

}  // namespace

std::string CrcText(std::uint32_t crc) {
  char text[16];
  std::snprintf(text, sizeof text, "$%.8X", static_cast<unsigned>(crc));
  return text;
}

std::string LongDateTimeText(const FILETIME& localTime) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&localTime, &st)) return std::string();
  char date[128] = "", time[128] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time);
  return std::string(date) + " - " + time;
}

std::vector<TInfoLine> KeyInfoLines(const KeyInfo& info, bool rootList, RootKey root, const std::string& keyPath,
                                    const std::string& lastWrite) {
  std::vector<TInfoLine> lines;
  if (!rootList) {
    lines.push_back({"Root Name", RootName(root)});
    lines.push_back({"Key Path", keyPath});
    lines.push_back(Blank);
  }
  lines.push_back({"Number of Subkeys", std::to_string(info.NumSubKeys)});
  lines.push_back({"Number of Values", std::to_string(info.NumValues)});
  lines.push_back(Blank);
  lines.push_back({"Max Subkey Length", std::to_string(info.MaxSubKeyLen)});
  lines.push_back({"Max Class Length", std::to_string(info.MaxClassLen)});
  lines.push_back({"Max Value Length", std::to_string(info.MaxValueNameLen)});
  lines.push_back({"Max Data Size in Subkeys", std::to_string(info.MaxDataLen) + " bytes"});
  if (!lastWrite.empty()) {
    lines.push_back(Blank);
    lines.push_back({"Last Write Time", lastWrite});
  }
  return lines;
}

std::vector<TInfoLine> ValueInfoLines(RootKey root, const std::string& keyPath, ValueType type, std::string_view data,
                                      const std::string& expanded) {
  std::vector<TInfoLine> lines;
  lines.push_back({"Root Name", RootName(root)});
  lines.push_back({"Key Path", keyPath});
  lines.push_back(Blank);
  lines.push_back({"Data Size", std::to_string(data.size()) + " bytes"});
  lines.push_back(Blank);
  lines.push_back({"Data Type", std::to_string(type)});
  if (type < static_cast<ValueType>(TypeCount)) {
    lines.push_back({"Data Type Name", TypeNames[type]});
    lines.push_back({"Data Type Constant Name", TypeConstNames[type]});
  }
  lines.push_back(Blank);
  if (type == REG_EXPAND_SZ) lines.push_back({"Expanded String", expanded});
  lines.push_back({"CRC-32 of the Raw Data", CrcText(Crc32(data))});
  if (!data.empty() && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
    const std::string text = type == REG_MULTI_SZ ? MultiStringToLines(data) : StringDataText(data);
    lines.push_back({"CRC-32 of the String Data", CrcText(Crc32(text))});
  }
  return lines;
}

std::vector<TInfoLine> ErrorInfoLines(const std::string& why) { return {{"Registry Error", why}}; }

TFormInfo::TFormInfo() : TVkDialog(IDD_INFO) {}

TFormInfo::~TFormInfo() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (images_) ImageList_Destroy(images_);
  if (bold_) DeleteObject(bold_);
}

void TFormInfo::ShowInfo(RootKey root, const std::string& keyPath, const std::string& name, bool rootList) {
  lines_.clear();
  image_ = -1;
  errorImage_ = false;
  TVkReg reg;
  reg.Access = KEY_READ;  // describing changes nothing: read-only items open too
  itemName_ = rootList ? std::string(RootName(root)) : name;
  const bool opened = reg.OpenPath(root, keyPath, false);
  // A name holding a backslash is no key name: it is never taken for a path below the key.
  const bool isKey =
      opened && (rootList || (!name.empty() && name.find('\\') == std::string::npos && reg.KeyExists(name)));
  if (isKey) {
    if (!rootList) (void)reg.OpenKey(name, false);
    KeyInfo info;
    (void)reg.GetKeyInfo(info);  // a failed query shows zeros
    const FILETIME& t = info.LastWriteTime;
    const bool hasTime = IsNtPlatform() && (t.dwLowDateTime || t.dwHighDateTime);
    lines_ = KeyInfoLines(info, rootList, root, keyPath, hasTime ? LongDateTimeText(t) : std::string());
    image_ = 12;
    return;
  }
  if (opened && reg.ValueExists(name)) {
    std::string data;
    DWORD type = 0;
    if (!reg.ReadValue(name, data, type)) {
      lines_ = ErrorInfoLines("The value could not be read");
      errorImage_ = true;
      return;
    }
    const std::string expanded = type == REG_EXPAND_SZ ? ExpandEnvironmentText(StringDataText(data)) : std::string();
    lines_ = ValueInfoLines(root, keyPath, type, data, expanded);
    image_ = type < static_cast<DWORD>(TypeCount) ? static_cast<int>(type) : -1;
    return;
  }
  lines_ = ErrorInfoLines("The key or value does not exist");
  errorImage_ = true;
}

HWND TFormInfo::ValueLabel(std::size_t line) const {
  return line < lines_.size() && !lines_[line].Name.empty() ? GetDlgItem(hwnd_, LineId(line, true)) : nullptr;
}

std::string TFormInfo::Hint(std::size_t line) const {
  if (line >= lines_.size()) return std::string();
  const std::string& v = lines_[line].Value;
  return "Copy Value (Length = " + std::to_string(v.size()) + ")\r\n\"" + v + "\"";
}

void TFormInfo::CopyValue(std::size_t line) const {
  if (line < lines_.size()) (void)ClipboardText(lines_[line].Value);
}

void TFormInfo::AddLabels() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                         hwnd_, nullptr, inst, nullptr);
  if (tip_) SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, ScalePixels(600));
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].Name.empty()) continue;
    const int y = static_cast<int>(i + 1) * 16 + 28;
    const std::string name = lines_[i].Name + ":";
    const std::string& value = lines_[i].Value;
    // The value is right-aligned in 154..403; a long name or a long value moves the
    // value's left edge to just after the name, so that neither hides the other.
    const int nameWidth = TextWidth(font, name), valueWidth = TextWidth(font, value);
    int left = 154;
    if (18 + nameWidth + 6 > left || valueWidth > 249) left = std::min(403, 18 + nameWidth + 6);
    HWND n = CreateWindowExA(0, "STATIC", name.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, ScalePixels(18),
                             ScalePixels(y), ScalePixels(nameWidth + 2), ScalePixels(13), hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(LineId(i, false))), inst, nullptr);
    // The label shows one line and ends in "..." when cut; the platform cannot make a label
    // of a title near 32K characters, so it gets the start only (a click copies the whole).
    const std::string shown = value.substr(0, std::min<std::size_t>(value.size(), 4096));
    HWND v = CreateWindowExA(0, "STATIC", shown.c_str(),
                             WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS, ScalePixels(left),
                             ScalePixels(y), ScalePixels(403 - left), ScalePixels(13), hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(LineId(i, true))), inst, nullptr);
    for (HWND h : {n, v})
      if (h) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (tip_ && v) {
      const std::string hint = Hint(i);
      TTTOOLINFOA tool{};
      tool.cbSize = sizeof tool;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = hwnd_;
      tool.uId = reinterpret_cast<UINT_PTR>(v);
      tool.lpszText = const_cast<char*>(hint.c_str());
      SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

INT_PTR TFormInfo::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      images_ = errorImage_ ? CreateMenuImageList() : CreateRowImageList();
      HWND nameLabel = GetDlgItem(hwnd_, IDC_INFO_NAME);
      LOGFONTA lf{};
      if (GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)), sizeof lf, &lf)) {
        lf.lfWeight = FW_BOLD;
        bold_ = CreateFontIndirectA(&lf);
        SendMessageA(nameLabel, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
      }
      SetWindowTextA(nameLabel, itemName_.c_str());
      PlaceControl(hwnd_, IDC_INFO_NAME, 36, 18, 370, 13);
      AddLabels();
      SetClientSize(hwnd_, 415, static_cast<int>(lines_.size()) * 16 + 56);
      CenterOnScreen(hwnd_);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
      const int image = errorImage_ ? 30 : image_;
      if (images_ && image >= 0) ImageList_Draw(images_, image, dc, ScalePixels(16), ScalePixels(16), ILD_TRANSPARENT);
      EndPaint(hwnd_, &ps);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      HDC dc = reinterpret_cast<HDC>(wp);
      if (id >= IDC_INFO_FIRSTLINE) SetTextColor(dc, (id - IDC_INFO_FIRSTLINE) % 2 ? Maroon : Navy);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wp));
      if (id >= IDC_INFO_FIRSTLINE && (id - IDC_INFO_FIRSTLINE) % 2 == 1) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == IDCANCEL || id == IDOK) {
        EndModal(IDCANCEL);
        return TRUE;
      }
      if (id >= IDC_INFO_FIRSTLINE && HIWORD(wp) == STN_CLICKED && (id - IDC_INFO_FIRSTLINE) % 2 == 1) {
        CopyValue(static_cast<std::size_t>((id - IDC_INFO_FIRSTLINE) / 2));
        return TRUE;
      }
      return FALSE;
    }
    default: return FALSE;
  }
}

void KeyValueInfo_Open(HWND owner, RootKey root, const std::string& keyPath, const std::string& name, bool rootList) {
  TFormInfo form;
  {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    form.ShowInfo(root, keyPath, name, rootList);
    SetCursor(previous);
  }
  form.ShowModal(owner);
}
