// The tool commands of the main menu: the AutoRun finder, the file association rebuild and
// the remote registry diagnostic.
#include "editing/Editing.h"

#include <shlobj.h>

#include <cstdio>

#include "bookmarks/BookmarkFile.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"

void TEditing::FindAutoRunValues_Cmd() {
  static const char* const Keys[] = {"Run", "RunOnce", "RunServices", "RunServicesOnce"};
  TBookMarks& results = bookmarks_.Lists(1);
  results.clear();
  TVkReg reg;
  reg.Access = KEY_READ;
  std::vector<std::string> names;
  for (RootKey root : {RootCurrentUser, RootLocalMachine}) {
    for (const char* key : Keys) {
      const std::string path = std::string("\\Software\\Microsoft\\Windows\\CurrentVersion\\") + key;
      reg.SetRootKey(root);
      if (!reg.OpenKey(path, false)) continue;
      reg.GetValueNames(names);
      for (const std::string& name : names) (void)AddBookmark(results, root, reg.GetDataType(name), path + "\\", name, "");
    }
  }
  host_.State().BookmarkMode = 1;
  host_.ShowBookmarkPane(true);
  bookmarks_.ShowBookmarkList();
}

void TEditing::RebuildFAsso_Cmd() { SHChangeNotify(SHCNE_ASSOCCHANGED, 0x2000, nullptr, nullptr); }

void TEditing::ConnectReg_Cmd() {
  ShowMsg("Connecting to a remote registry is currently not implanted, but only here for debugging purposes. This "
          "means that is doesn't work yet!",
          "Unimplanted Feature", MsgInfo);
  std::string computer;
  if (!InputPrompt("Enter Name of Remote Computer...", computer)) return;
  TVkReg reg;
  reg.SetRootKey(RootPerformanceData);
  if (!reg.ConnectRegistry(computer)) {
    ShowPlainMsg("Could not connect to \"" + computer + "\"!", "Hivelark", MsgError);
    return;
  }
  // The diagnostic shows and lists the connected root itself.
  (void)reg.OpenKey("\\", false);
  std::vector<std::string> names;
  reg.GetKeyNames(names);
  char handle[16];
  std::snprintf(handle, sizeof handle, "%08X",
                static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(reg.Root()) & 0xFFFFFFFFu));
  std::string text = "Connected to \"" + computer + "\"\r\nHandle: $" + handle + "\r\n\r\n";
  for (const std::string& n : names) text += n + "\r\n";
  ShowPlainMsg(text, "Hivelark", MsgInfo);
  reg.CloseKey();
  ShowMsg("Disconnected...\r\nEnd of network registry implementation!", "Hivelark", MsgError);
}
