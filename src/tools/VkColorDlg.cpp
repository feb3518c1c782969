#include "tools/VkColorDlg.h"

#include <commdlg.h>

#include <cstring>

#include "lib/VkDialogs.h"

namespace {

const char* const AppearanceKey = "Control Panel\\Appearance";
const char* const CustomColorsValue = "CustomColors";
constexpr DWORD CustomColorsSize = 16 * sizeof(COLORREF);

// Centres the dialog on the screen and gives it the caption passed as custom data.
UINT_PTR CALLBACK CentreHook(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    RECT rc{};
    GetWindowRect(dlg, &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    SetWindowPos(dlg, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2, GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2, w,
                 h, SWP_FRAMECHANGED);
    const auto* record = reinterpret_cast<const CHOOSECOLORA*>(lp);
    if (record && record->lCustData) SetWindowTextA(dlg, reinterpret_cast<const char*>(record->lCustData));
  }
  return 0;
}

}  // namespace

COLORREF ResolveColor(std::uint32_t color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

bool TVkColorDlg::LoadCustomColors() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, AppearanceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  // One byte more than the colours take, so that a longer value is told from an exact one.
  unsigned char buffer[CustomColorsSize + 1] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  const LONG rc = RegQueryValueExA(key, CustomColorsValue, nullptr, &type, buffer, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_BINARY || size != CustomColorsSize) return false;
  std::memcpy(CustomColors.data(), buffer, CustomColorsSize);
  return true;
}

bool TVkColorDlg::SaveCustomColors() const {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, AppearanceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExA(key, CustomColorsValue, 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>(CustomColors.data()), CustomColorsSize);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool TVkColorDlg::Execute(HWND owner) {
  DWORD flags = CC_RGBINIT | CC_ENABLEHOOK;
  if (fullOpen_) flags |= CC_FULLOPEN;
  if (preventFullOpen_) flags |= CC_PREVENTFULLOPEN;
  if (SolidColor) flags |= CC_SOLIDCOLOR;
  if (AnyColor) flags |= CC_ANYCOLOR;
  if (UseSystemColors) (void)LoadCustomColors();

  std::array<COLORREF, 16> custom = CustomColors;  // kept apart until OK
  CHOOSECOLORA record{};
  record.lStructSize = sizeof record;
  record.hwndOwner = owner;
  record.hInstance = reinterpret_cast<HWND>(GetModuleHandleA(nullptr));
  record.rgbResult = ResolveColor(Color);
  record.lpCustColors = custom.data();
  record.Flags = flags;
  record.lCustData = reinterpret_cast<LPARAM>(Caption.c_str());
  record.lpfnHook = CentreHook;
  if (!Interaction().ChooseColorDlg(record)) return false;
  Color = record.rgbResult;
  CustomColors = custom;
  if (UseSystemColors) (void)SaveCustomColors();
  return true;
}
