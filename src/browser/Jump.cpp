// Jump to Key, Jump to Path in Clipboard and the start location's argument: a path in any
// of the forms users paste (see PastedPath.h) shown as a key, or as a value row of its parent.
#include "browser/Main.h"

#include <algorithm>

#include "browser/PastedPath.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"

void TFormHivelark::JumpPath_Cmd() {
  std::string text;
  if (InputPrompt("Jump to Registry Key...", text) && !text.empty()) (void)JumpToText(text, true);
}

void TFormHivelark::JumpClipboard_Cmd() {
  std::string text;
  if (!ReadClipboardText(text) || text.find_first_not_of(" \t\r\n") == std::string::npos) {
    ShowMsg("The clipboard holds no text.", "Hivelark", MsgError);
    return;
  }
  (void)JumpToText(text, false);
}

bool TFormHivelark::JumpToText(const std::string& text, bool allowRelative) {
  TPastedPath p;
  if (!ParsePastedPath(text, allowRelative, p)) {
    std::string shown = text.substr(0, 300);
    std::replace_if(shown.begin(), shown.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    ShowPlainMsg("This text is not a registry path:\r\n\r\n\"" + shown + "\"\r\n\r\nA path begins with a root "
                 "name (HKEY_CURRENT_USER, HKCU, HKCU:, Computer\\HKEY_CURRENT_USER, Registry::HKEY_CURRENT_USER).",
                 "Hivelark", MsgError);
    return false;
  }
  if (p.RootList) {
    navigator_.ShowRootList();
    return true;
  }
  // The key path from the root, with the root the text names (else the shown one).
  const std::string resolved = navigator_.ResolvePath(p.Root ? std::string(RootName(p.Root)) + "\\" + p.Path : p.Path);
  const std::size_t firstSlash = resolved.find('\\');
  const RootKey root = firstSlash != std::string::npos && firstSlash > 0 ? RootFromName(resolved.substr(0, firstSlash))
                                                                          : state_.CurRoot;
  std::string key = firstSlash != std::string::npos && firstSlash > 0 ? resolved.substr(firstSlash) : resolved;
  std::string value;
  bool selectValue = false;
  const std::string last = LastKeyName(key);
  if (!p.TrailingBackslash && key != "\\") {
    TVkReg reg;
    reg.Access = KEY_READ;
    const std::string parent = ParentPath(key);
    if (SameTextAscii(last, "(Default)")) {
      if (!(reg.OpenPath(root, "\\", false) && reg.KeyExists(key))) key = parent;  // the key itself
    } else if (reg.OpenPath(root, "\\", false) && !reg.KeyExists(key) && reg.OpenPath(root, parent, false) &&
               reg.ValueExists(last)) {
      key = parent;  // the last name is a value of its parent: that row is selected
      value = last;
      selectValue = true;
    }
  }
  navigator_.Navigate("CD", std::string(RootName(root)) + key, true, true);
  if (selectValue && !state_.RootMode && SameRegName(state_.CurKey, key)) navigator_.FocusRow(value, 1);
  return true;
}
