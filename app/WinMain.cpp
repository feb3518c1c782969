// Hivelark: the program entry creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "commands/Hivelark.h"

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
  form.ShowStartLocation(argument);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (form.TranslateShortcut(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
