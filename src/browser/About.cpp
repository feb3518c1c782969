#include "browser/About.h"

#include <commctrl.h>

#include <algorithm>

#include "lib/VkFuncLib.h"
#include "lib/VkWindow.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_ABOUT_ICON && HIWORD(wp) == STN_CLICKED) {
        TDialogOwnerScope owner(dlg);
        TFormAbout::OpenDocument("Readme.txt");
        return TRUE;
      }
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        if (GetWindowLongPtrA(dlg, DWLP_USER)) DestroyWindow(dlg);  // modeless
        else EndDialog(dlg, LOWORD(wp));
        return TRUE;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->code == NM_CLICK || header->code == NM_RETURN) {
        TDialogOwnerScope owner(dlg);
        if (header->idFrom == IDC_ABOUT_HELPLINK) TFormAbout::OpenDocument("Hivelark.html");
        else if (header->idFrom == IDC_ABOUT_READMELINK) TFormAbout::OpenDocument("Readme.txt");
        return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

}  // namespace

void TFormAbout::ShowModal(HWND owner) {
  TModalRun run(owner);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
}

HWND TFormAbout::CreateModeless(HWND owner) {
  HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
  if (dlg) SetWindowLongPtrA(dlg, DWLP_USER, 1);
  return dlg;
}

void TFormAbout::OpenDocument(const std::string& fileName, const std::string& anchor) {
  const std::string file = ProgramFolder() + fileName;
  if (!IsFile(file)) {
    // Shown as it is: a folder such as C:\new\ holds a "\n" that is no line break.
    ShowPlainMsg("The file \"" + file + "\" was not found.", "Hivelark", MsgError);
    return;
  }
  if (!anchor.empty()) {
    std::string url = "file:///" + file + "#" + anchor;
    std::replace(url.begin(), url.end(), '\\', '/');
    if (ShellOpen(url) > 32) return;
  }
  if (ShellOpen(file) <= 32) ShowPlainMsg("The file \"" + file + "\" could not be opened.", "Hivelark", MsgError);
}
