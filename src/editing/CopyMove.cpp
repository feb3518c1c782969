// Copy and Rename/Move to a typed target, and the cut/copy items list with Paste.
#include "editing/Editing.h"

#include "lib/VkWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "bookmarks/BookmarkFile.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "lib/VkText.h"
#include "registry/Journal.h"
#include "resource.h"

namespace {


// Names and paths compare as the registry compares them.
bool SameText(const std::string& a, const std::string& b) { return SameRegName(a, b); }

bool StartsWithText(const std::string& text, const std::string& prefix) { return StartsWithRegName(text, prefix); }

// Copies one value of the source accessor's current key to the target's under targetName,
// exactly as stored: the bytes read are the bytes written, string data unconverted. A value that cannot be read is reported
// (location names it) and not written. With move, the source is deleted only after a
// complete write.
bool CopyValue(TVkReg& source, const std::string& name, TVkReg& target, const std::string& targetName, bool move,
               const std::string& location, std::vector<char>& data) {
  DWORD type = 0, size = 0;
  if (!source.ReadStoredData(name, data, size, type)) {
    ShowPlainMsg("Could not read the value!\r\n\r\n\"" + location + name + "\"", "Hivelark", MsgError);
    return false;
  }
  if (!target.WriteStoredData(targetName, data.data(), type, size)) return false;
  if (move) (void)source.DeleteValue(name);
  return true;
}

}  // namespace

void TEditing::CopyMove_Cmd(bool move) {
  TBrowserState& state = host_.State();
  const std::vector<TRow> items = SelectedItems(true);
  const int n = static_cast<int>(items.size());
  if (n == 0) return;
  std::string prompt = move ? "Rename/Move" : "Copy";
  std::string answer;
  if (n == 1) {
    prompt += " \"" + items[0].Name + "\" to...";
    answer = items[0].Name;
  } else {
    prompt += " " + std::to_string(n) + " Values and/or Keys to...";
  }
  if (!InputPrompt(prompt, answer)) return;
  const std::string target = host_.Navigator().ResolvePath(answer);
  const std::string root = RootText();
  std::string targetKey = target, targetName;
  {
    TWaitCursor wait;
    TVkReg reg;
    if (!reg.OpenPath(state.CurRoot, state.CurKey, false)) return;
    const bool single = n == 1;
    const bool isKey = single && items[0].Image == ImageKey;
    const bool keepNames = !single || (isKey && (target == "\\" || reg.KeyExists(target))) ||
                           (!isKey && reg.KeyExists(target));
    if (!keepNames) {
      if (reg.KeyExists(ParentPath(target))) {
        targetKey = ParentPath(target);
        targetName = ExtractLastName(target);
      } else {
        targetKey = target;
      }
    }
    if (!keepNames && targetName.empty()) {
      ShowPlainMsg("Could not copy or move, target key not found!\r\n\r\n\"" + root + targetKey + "\"", "Hivelark",
                   MsgError);
      return;
    }
    if (!reg.KeyExists(targetKey)) {
      ShowPlainMsg("Could not copy or move, target key not found!\r\n\r\n\"" + root + targetKey + "\"", "Hivelark",
                   MsgError);
      return;
    }
    // A single item onto an existing key keeps its own name there, as every item of several does.
    const std::string sourceName = single ? items[0].Name : std::string();
    const std::string sameName = keepNames ? sourceName : targetName;
    if (SameText(state.CurKey + sourceName, targetKey + sameName)) {
      ShowPlainMsg("You cannot copy or move to the same target!\r\n\r\n\"" + root + targetKey + sameName + "\"",
                   "Hivelark", MsgError);
      return;
    }
    // One accessor on the source key and one on the target key serve every value.
    TVkReg source, dest;
    const bool destOpen = dest.OpenPath(state.CurRoot, targetKey, false);
    (void)source.OpenPath(state.CurRoot, state.CurKey, false);
    // A target key without values needs no overwrite question for the selected values:
    // they are distinct names of one key, so none of them can meet another one there.
    KeyInfo destInfo;
    const bool destEmpty = destOpen && !single && dest.GetKeyInfo(destInfo) && destInfo.NumValues == 0;
    // What the copy or move may overwrite, create or remove is recorded before any of it.
    const std::string command = move ? "Rename/Move" : "Copy";
    TJournalRecorder record(command, state.CurRoot, state.CurKey);
    record.SetCaption(ChangeCaption(command, items.size(), items[0].Name));
    for (const TRow& item : items) {
      const std::string newName = keepNames ? item.Name : targetName;
      if (item.Image != ImageKey) {
        record.Value(state.CurRoot, targetKey, newName);
        if (move) record.Value(state.CurRoot, state.CurKey, item.Name);
      } else if (!item.Name.empty()) {
        const std::string source = state.CurKey + item.Name + "\\";
        if (StartsWithText(targetKey, source) || StartsWithText(source, targetKey + newName + "\\")) continue;
        if (move) record.Key(state.CurRoot, source);
        record.CopyTarget(state.CurRoot, source, state.CurRoot, targetKey + newName);
      }
    }
    if (!record.Commit()) return;
    TJournalFinish finish(record);
    std::vector<char> data;
    for (const TRow& item : items) {
      const std::string name = item.Name;
      const std::string newName = keepNames ? name : targetName;
      // The kind comes from the row: a key and a value of the same name are two items.
      if (item.Image == ImageKey) {
        const std::string source = state.CurKey + name + "\\";
        const std::string dest = targetKey + newName + "\\";
        // Into itself, or into a key the source lies in: either would walk what it writes.
        if (name.empty() || StartsWithText(targetKey, source) || StartsWithText(source, dest)) {
          ShowPlainMsg("You cannot copy or move a key into itself!\r\n\r\n\"" + root + state.CurKey + name + "\"",
                       "Hivelark", MsgError);
          continue;
        }
        if (!reg.CopyKey(source, dest, move))
          ShowPlainMsg("Could not copy or moves the key!\r\n\r\n\"" + root + targetKey + newName + "\"", "Hivelark",
                       MsgError);
      } else {
        if (!destOpen ||
            (!destEmpty && dest.ValueExists(newName) && !ConfirmOverwrite("value", targetKey + newName)))
          continue;
        (void)CopyValue(source, name, dest, newName, move, root + state.CurKey, data);
      }
    }
  }
  // A copy into a key outside the shown one changes none of its rows: when the key is still as
  // it was read, it is not read again, and the selection is left as a re-read would leave it.
  TNavigator& navigator = host_.Navigator();
  if (!move && !StartsWithText(targetKey, state.CurKey) && navigator.ShownKeyUnchanged()) {
    navigator.FocusRow(host_.Model().Caption(items[0].Index));
    return;
  }
  navigator.Navigate("UPD", state.CurKey == targetKey ? targetName : std::string(), true, false);
}

void TEditing::CutCopy_Cmd(bool cut) {
  TBrowserState& state = host_.State();
  HWND list = host_.Reg_ListView();
  TRegPaneModel& model = host_.Model();
  TBookMarks& items = bookmarks_.Lists(2);
  items.clear();
  std::vector<bool> selected(static_cast<std::size_t>(model.Count()), false);
  for (int i : host_.RegSelection())
    if (i >= 0 && i < model.Count()) selected[static_cast<std::size_t>(i)] = true;
  std::string text;
  const std::string location = RootText() + state.CurKey;
  for (int i = 0; i < model.Count(); ++i) {
    const bool on = selected[static_cast<std::size_t>(i)];
    TRegRow& row = model.Rows[static_cast<std::size_t>(i)];
    row.Cut = on && cut;  // the list asks the model for it when it paints
    if (!on || row.IsParent()) continue;
    text += location + row.Name + (row.IsKey() ? "\\" : "") + "\r\n";
    // The list was emptied and the rows of one key are distinct items, so no item can be a
    // duplicate: they are appended without the duplicate check, which would be quadratic.
    items.push_back(MakeBookmark(state.CurRoot, row.Image, state.CurKey, row.Name, cut ? "Cut" : "Copy"));
  }
  InvalidateRect(list, nullptr, FALSE);
  (void)ClipboardText(text);
  if (host_.BookmarkPaneVisible() && state.BookmarkMode == 2) bookmarks_.ShowBookmarkList();
}

void TEditing::Paste_Cmd() {
  TBrowserState& state = host_.State();
  const TBookMarks items = bookmarks_.Lists(2);  // a copy: the commands below may refill the pane
  if (items.empty()) return;
  std::string last;
  {
    TWaitCursor wait;
    TVkReg reg, here;
    const bool hereOpen = here.OpenPath(state.CurRoot, state.CurKey, false);
    // First every item is checked and its target chosen (with the questions this asks), then
    // what the paste replaces is recorded, then the items are copied or moved.
    struct TPaste {
      const TBookMark* Item;
      RootKey Root;
      std::string Target;  // a key's target path; "" for a value
    };
    std::vector<TPaste> plan;
    RootKey openRoot = 0;
    std::string openKey;
    for (const TBookMark& item : items) {
      const RootKey root = RootBase + item.RootIndex;
      if (!IsPredefinedRoot(root)) continue;
      // Items of one cut or copy share their key: it is opened once for all of them.
      if (root != openRoot || item.KeyPath != openKey) {
        openRoot = 0;
        if (!reg.OpenPath(root, item.KeyPath, false)) continue;
        openRoot = root;
        openKey = item.KeyPath;
      }
      const std::string rootText = RootName(root);
      if (item.ItemType < KeyItemType) {
        if (!reg.ValueExists(item.ValueName)) continue;
        if (root == state.CurRoot && SameText(item.KeyPath, state.CurKey)) {
          ShowPlainMsg("You cannot copy or move to the same target!\r\n\r\n\"" + rootText + item.KeyPath +
                           item.ValueName + "\"",
                       "Hivelark", MsgError);
          continue;
        }
        if (!hereOpen || (here.ValueExists(item.ValueName) && !ConfirmOverwrite("value", item.ValueName))) continue;
        plan.push_back({&item, root, std::string()});
        continue;
      }
      if (item.ValueName.empty() || !reg.KeyExists(item.ValueName)) continue;
      const std::string source = item.KeyPath + item.ValueName + "\\";
      if (root != state.CurRoot) {
        ShowMsg("You cannot paste a key into a different root yet! Support for this will be added later!", "Hivelark",
                MsgInfo);
        continue;
      }
      if (StartsWithText(state.CurKey + item.ValueName, source) ||
          StartsWithText(source, state.CurKey + item.ValueName + "\\")) {
        // Into itself or below it; or into one of the keys the source lies in, which a copy
        // would walk while writing it (except the key it came from, which gets a new name).
        if (!SameText(item.KeyPath, state.CurKey)) {
          ShowPlainMsg("You cannot paste a key into itself or any of its subkeys!\r\n\r\n" + rootText + source,
                       "Hivelark", MsgError);
          continue;
        }
      }
      if (!hereOpen) continue;
      std::string target;
      if (!SameText(item.KeyPath, state.CurKey)) {
        target = state.CurKey + item.ValueName;
        if (here.KeyExists(item.ValueName) && !ConfirmOverwrite("key", RootText() + target)) continue;
      } else {
        // Distinct names, also among the copies this paste makes of several keys.
        std::string name;
        for (int n = 1;; ++n) {
          name = "Copy of " + item.ValueName + " #" + std::to_string(n);
          const bool taken = here.KeyExists(name) || here.ValueExists(name) || std::any_of(plan.begin(), plan.end(), [&](const TPaste& p) {
                               return SameText(p.Target, state.CurKey + name);
                             });
          if (!taken) break;
        }
        target = state.CurKey + name;
      }
      plan.push_back({&item, root, target});
    }
    TJournalRecorder record("Paste", state.CurRoot, state.CurKey);
    if (!plan.empty()) record.SetCaption(ChangeCaption("Paste", plan.size(), plan[0].Item->ValueName));
    for (const TPaste& p : plan) {
      const bool move = p.Item->Comment == "Cut";
      if (p.Target.empty()) {
        record.Value(state.CurRoot, state.CurKey, p.Item->ValueName);
        if (move) record.Value(p.Root, p.Item->KeyPath, p.Item->ValueName);
        continue;
      }
      const std::string source = p.Item->KeyPath + p.Item->ValueName + "\\";
      if (move) record.Key(p.Root, source);
      record.CopyTarget(p.Root, source, state.CurRoot, p.Target);
    }
    if (!record.Commit()) return;
    TJournalFinish finish(record);
    std::vector<char> data;
    openRoot = 0;
    for (const TPaste& p : plan) {
      const TBookMark& item = *p.Item;
      const bool move = item.Comment == "Cut";
      if (p.Root != openRoot || item.KeyPath != openKey) {
        openRoot = 0;
        if (!reg.OpenPath(p.Root, item.KeyPath, false)) continue;
        openRoot = p.Root;
        openKey = item.KeyPath;
      }
      if (p.Target.empty()) {
        (void)CopyValue(reg, item.ValueName, here, item.ValueName, move, RootName(p.Root) + item.KeyPath, data);
        continue;
      }
      last = p.Target;
      if (!reg.CopyKey(item.KeyPath + item.ValueName + "\\", last + "\\", move))
        ShowMsg("There was an error pasting the key!", "Hivelark", MsgError);
    }
  }
  host_.Navigator().Navigate("UPD", !last.empty() ? ExtractLastName(last) : items[0].ValueName, true, false);
}
