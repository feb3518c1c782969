// Hivelark: the program entry creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "commands/Hivelark.h"

namespace {

TFormHivelark* g_mainForm = nullptr;

// A fault that nothing handles (under Wine the platform's edit box can fault in its text
// shaping) would end the process with the session's work: the settings and the bookmark
// lists are written first, once, and the process then ends at once, with the fault's code
// and without the platform's crash dialog.
LONG WINAPI SaveWorkOnFault(EXCEPTION_POINTERS*) {
  static LONG entered = 0;
  if (g_mainForm && IsWindow(g_mainForm->Handle()) && InterlockedExchange(&entered, 1) == 0)
    g_mainForm->SaveWorkBeforeEnd();
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);

  // Only the first argument counts: a registry path, optionally a reg:// link.
  std::string argument;
  if (__argc > 1 && __argv && __argv[1]) argument = __argv[1];

  THivelark program;
  TFormHivelark& form = program.Form();
  if (!form.Create(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand)) {
    MessageBoxA(nullptr, "The main window could not be created.", "Hivelark", MB_ICONERROR);
    return 1;
  }
  g_mainForm = &form;
  SetUnhandledExceptionFilter(SaveWorkOnFault);
  form.ShowStartLocation(argument);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (form.TranslateShortcut(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  g_mainForm = nullptr;
  return 0;
}
