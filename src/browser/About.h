#pragma once
// The About window: program name and version, a short text, the program icon (a click
// opens the read-me file) and links to the help document and the read-me file.
#include <windows.h>

#include <string>

class TFormAbout {
 public:
  // Shows the window modally over the owner.
  static void ShowModal(HWND owner);
  // Creates the window without running it modally (for tests); the caller destroys it.
  static HWND CreateModeless(HWND owner);

  // Opens a document of the program's folder, or tells that it is missing.
  static void OpenDocument(const std::string& fileName, const std::string& anchor = std::string());
};
