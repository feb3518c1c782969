// Hivelark: the program entry creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "browser/Main.h"
#include "lib/VkDialogs.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  PromptCaption = "Hivelark";

  std::string argument;
  if (__argc > 1 && __argv && __argv[1]) argument = __argv[1];

  TFormHivelark form;
  if (!form.Create()) {
    MessageBoxA(nullptr, "The main window could not be created.", "Hivelark", MB_ICONERROR);
    return 1;
  }
  ShowWindow(form.Handle(), showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
  UpdateWindow(form.Handle());
  form.ShowStartLocation(argument);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
