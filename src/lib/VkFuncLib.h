#pragma once
// Platform conveniences of the program's library: the message box wrapper, the
// application window and the program folder. Pure text helpers are in VkText.h.
#include <windows.h>

#include <string>

#include "lib/VkText.h"

// The application's main window: owner of message boxes, the prompt and the clipboard.
extern HWND AppHandle;

// Message box flags in use.
constexpr unsigned MsgError = 16, MsgWarning = 48, MsgInfo = 64, MsgYesNo = 52;
constexpr int MsgResultOk = 1, MsgResultYes = 6, MsgResultNo = 7;

// Shows a message box (the two characters backslash and "n" become CR LF) and returns the
// button pressed.
int ShowMsg(const std::string& text, const std::string& caption = "Hivelark", unsigned flags = MsgError);

// The folder of the program file, ending with "\"; settings, bookmarks, help and read-me
// live there. SetProgramFolder points it elsewhere (tests use a temporary folder).
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// Local file time as "short date - short time" in the user's locale.
std::string FormatLocalFileTime(const FILETIME& ft);

// True on the NT family of Windows (platform identifier 2).
bool IsNtPlatform();
