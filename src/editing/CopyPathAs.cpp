// "Copy Path As": the current key or the selected rows put on the clipboard as the location
// text, as PowerShell paths, as reg add command lines or as a registration file fragment.
#include "editing/Editing.h"

#include "lib/VkWindow.h"

#include <algorithm>

#include "editing/PathForms.h"
#include "lib/VkFuncLib.h"
#include "registry/RegFileText.h"
#include "registry/RegNames.h"
#include "resource.h"

namespace {

constexpr std::size_t ShownLeftOut = 10;

std::string Quoted(const std::string& name) { return "\"" + (name.empty() ? std::string("(Default)") : name) + "\""; }

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// Names the items that were left out and why, and whether the others reached the clipboard.
void ReportLeftOut(const std::string& why, const std::vector<std::string>& leftOut, bool copied) {
  if (leftOut.empty()) return;
  std::string text = why + "\r\n";
  for (std::size_t i = 0; i < leftOut.size() && i < ShownLeftOut; ++i) text += "\r\n" + leftOut[i];
  if (leftOut.size() > ShownLeftOut) text += "\r\n... and " + std::to_string(leftOut.size() - ShownLeftOut) + " more";
  text += copied ? "\r\n\r\nThe other items are on the clipboard." : "\r\n\r\nNothing was put on the clipboard.";
  ShowPlainMsg(text, "Hivelark", MsgWarning);
}

}  // namespace

void TEditing::CopyPathAs_Cmd(int id) {
  const TBrowserState& state = host_.State();
  if (state.RootMode) return;
  const RootKey root = state.CurRoot;
  const std::string& key = state.CurKey;
  const std::string location = RootText() + key;
  const std::vector<TRow> items = SelectedItems(false);
  const bool anyValue = std::any_of(items.begin(), items.end(), [](const TRow& r) { return r.Image != ImageKey; });
  std::string text;
  std::vector<std::string> leftOut;

  if (id == CM_COPYPATH_LOCATION) {
    // As the path strip gives it, or one line per row as Clipboard Copy writes them.
    if (items.empty()) text = location;
    for (const TRow& r : items) text += location + r.Name + (r.Image == ImageKey ? "\\" : "") + "\r\n";
  } else if (id == CM_COPYPATH_POWERSHELL) {
    // A value is reached through the path of its key: that line comes once, where the
    // first value row stands.
    if (items.empty()) text = PowerShellPath(root, key);
    bool keyLineDone = false;
    for (const TRow& r : items) {
      if (r.Image == ImageKey) {
        text += PowerShellPath(root, key + r.Name) + "\r\n";
      } else if (!keyLineDone) {
        text += PowerShellPath(root, key) + "\r\n";
        keyLineDone = true;
      }
    }
  } else if (id == CM_COPYPATH_REGADD || id == CM_COPYPATH_REGFILE) {
    const bool regAdd = id == CM_COPYPATH_REGADD;
    const std::string exeKey = RegExeKeyName(root, key);
    if (HasLineBreak(key) || (regAdd && exeKey.empty())) {
      ShowPlainMsg(std::string(regAdd ? "reg.exe cannot name" : "A registration file cannot name") + " this key:\r\n\r\n\"" +
                       location + "\"\r\n\r\nNothing was put on the clipboard.",
                   "Hivelark", MsgWarning);
      return;
    }
    TWaitCursor wait;
    TVkReg reg;
    reg.Access = KEY_READ;
    if (!reg.OpenPath(root, key, false)) {
      ShowPlainMsg("Could not open the key:\r\n\r\n\"" + location + "\"", "Hivelark", MsgError);
      return;
    }
    const std::string inner = InnerKeyPath(key);
    const std::string keyLinePath = inner.empty() ? std::string() : "\\" + inner;
    if (!regAdd) {
      text = RegFileHeader;
      if (anyValue || items.empty()) AppendKeyLine(text, RootText(), keyLinePath);
    }
    std::vector<char> data;
    for (const TRow& r : items) {
      if (r.Image == ImageKey) {
        if (regAdd) leftOut.push_back(Quoted(r.Name) + " (a key: Export Key writes keys with their contents)");
        continue;
      }
      DWORD size = 0, type = 0;
      if (!reg.ReadStoredData(r.Name, data, size, type)) {
        leftOut.push_back(Quoted(r.Name) + " (it could not be read)");
        continue;
      }
      std::string why;
      if (regAdd) {
        // reg.exe takes its data as text: string data must be exact text in the code page.
        const DWORD asText = type == REG_NONE ? REG_SZ : type;
        if (!StoredTextExact(asText, data.data(), size)) {
          why = type == REG_NONE      ? "reg.exe writes REG_NONE data only as a text with a closing NUL"
                : size % 2 != 0       ? "its string data has an odd number of bytes"
                                      : "its text holds characters the code page cannot carry";
        } else {
          const TRegAddLine line = RegAddLine(exeKey, r.Name, type, AnsiDataOf(asText, data.data(), size));
          why = line.Reason;
          if (why.empty()) text += line.Line + "\r\n";
        }
      } else if (!IsRegFileName(r.Name)) {
        why = "its name holds a line break";
      } else if (!StoredTextExact(type, data.data(), size)) {
        why = size % 2 != 0 ? "its string data has an odd number of bytes"
                            : "its text holds characters the code page cannot carry";
      } else {
        AppendValueEntry(text, r.Name, type, AnsiDataOf(type, data.data(), size));
      }
      if (!why.empty()) leftOut.push_back(Quoted(r.Name) + " (" + why + ")");
    }
    if (!regAdd) {
      // The selected keys as key lines of their own; their contents are Export Key's.
      for (const TRow& r : items) {
        if (r.Image != ImageKey) continue;
        if (HasLineBreak(r.Name)) leftOut.push_back(Quoted(r.Name) + " (its name holds a line break)");
        else AppendKeyLine(text, RootText(), keyLinePath + "\\" + r.Name);
      }
      if (text.size() == RegFileHeader.size()) text.clear();
    }
  }
  if (!text.empty() && !ClipboardText(text)) {
    ShowPlainMsg("Could not put the text on the clipboard!", "Hivelark", MsgError);
    return;
  }
  ReportLeftOut(id == CM_COPYPATH_REGADD ? "These items were left out: reg.exe cannot recreate them exactly."
                                         : "These items were left out: a registration file cannot carry them exactly.",
                leftOut, !text.empty());
}
