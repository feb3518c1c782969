// The registry pane's keyboard, double click, in-place rename, history menu and key sizes.
#include "browser/Main.h"

#include "lib/VkWindow.h"

#include <algorithm>

#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "registry/Journal.h"
#include "registry/RegNames.h"
#include "lib/VkTextBox.h"
#include "resource.h"

namespace {

constexpr int VkOem102 = 226;  // the extra key of 102-key keyboards

bool Down(int key) { return (GetKeyState(key) & 0x8000) != 0; }


}  // namespace

TKeyModifiers TKeyModifiers::Current() { return {Down(VK_SHIFT), Down(VK_CONTROL), Down(VK_MENU)}; }

bool TFormHivelark::Reg_ListView_KeyDown(WORD key, TKeyModifiers mod) {
  const bool plain = !mod.Shift && !mod.Ctrl && !mod.Alt;
  const bool ctrlOnly = mod.Ctrl && !mod.Shift && !mod.Alt;
  const bool altOnly = mod.Alt && !mod.Shift && !mod.Ctrl;
  const int selected = ListView_GetSelectedCount(list_);
  const int last = static_cast<int>(state_.History.size()) - 1;

  if (altOnly && key == VK_RETURN) return RunCommand(CM_KEYVALUEINFO), true;
  if (ctrlOnly && key == 'A') return SelectRows(true, -1), true;
  if (plain && key == VK_INSERT) {
    int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused < 0) return true;
    if (focused + 1 < model_.Count()) {
      ++focused;
      ListView_SetItemState(list_, -1, 0, LVIS_FOCUSED);
      ListView_SetItemState(list_, focused, LVIS_FOCUSED, LVIS_FOCUSED);
      ListView_EnsureVisible(list_, focused, FALSE);
    }
    const UINT was = ListView_GetItemState(list_, focused, LVIS_SELECTED);
    ListView_SetItemState(list_, focused, was ? 0 : LVIS_SELECTED, LVIS_SELECTED);
    return true;
  }
  if (altOnly && key == VK_F1) {
    RegRoots_Popup(popup2_);
    PopUpAtPane(popup2_);
    return true;
  }
  if (altOnly && key == VK_LEFT && state_.HistoryIndex > 0) return JumpFromMenu(state_.HistoryIndex - 1), true;
  if (altOnly && key == VK_RIGHT && state_.HistoryIndex < last) return JumpFromMenu(state_.HistoryIndex + 1), true;
  if (altOnly && key == VK_DOWN) return HistoryMenu(), true;
  if (mod.Shift && mod.Alt && !mod.Ctrl && key == VK_RETURN) return ShowKeySizes(false), true;
  if (plain && key == VK_SPACE) return ShowKeySizes(true), true;
  if (state_.RootMode) {
    if (!(plain && key == VK_RETURN && selected == 1)) return false;
    const std::string caption = FirstSelectedCaption();
    navigator_.Navigate("CD", caption, true, true);
    return true;
  }
  if (ctrlOnly && key == 'X') return RunCommand(CM_CLIPCUT), true;
  if (ctrlOnly && key == 'C') return RunCommand(CM_CLIPCOPY), true;
  if (ctrlOnly && key == 'V') return RunCommand(CM_CLIPPASTE), true;
  if (altOnly && (key == VK_ADD || key == VK_SUBTRACT)) {
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused < 0 || focused >= model_.Count()) return false;
    SelectRows(key == VK_ADD, model_.Rows[static_cast<std::size_t>(focused)].Image);
    return true;
  }
  const bool atRoot = state_.CurKey == "\\";
  if (ctrlOnly && key == VkOem102) {
    if (atRoot) navigator_.ShowRootList();
    else navigator_.Navigate("CD", "\\", true, false);
    return true;
  }
  if (plain && key == VK_BACK) {
    if (!atRoot) navigator_.Navigate("CDUP", LastKeyName(state_.CurKey), true, false);
    else if (state_.BackShowsRoot) navigator_.ShowRootList();
    else return false;
    return true;
  }
  if (altOnly && key == VK_F10) {
    if (regPopup_) PopUpAtPane(regPopup_);
    return true;
  }
  if (plain && key == VK_RETURN && selected == 1) return Reg_ListView_DblClick(), true;
  if (plain && key == VK_DELETE) return RunCommand(CM_DELETEKEYVALUE), true;
  return false;
}

void TFormHivelark::Reg_ListView_DblClick() {
  if (ListView_GetSelectedCount(list_) != 1) return;
  const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (index < 0 || index >= model_.Count()) return;
  const TRegRow& row = model_.Rows[static_cast<std::size_t>(index)];
  if (row.IsValue()) RunCommand(CM_EDITVALUE);
  else ActivateRow(index);
}

void TFormHivelark::SelectRows(bool select, int image) {
  // image -1: every row but the parent row, in one call (the list keeps one range, which
  // later questions about the selection answer fast); otherwise the rows of that image only.
  TBulkRowChange bulk(list_);
  if (image < 0) {
    ListView_SetItemState(list_, -1, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
    if (select && model_.Count() > 0 && model_.Rows[0].IsParent()) ListView_SetItemState(list_, 0, 0, LVIS_SELECTED);
    return;
  }
  for (int i = 0; i < model_.Count(); ++i) {
    const TRegRow& row = model_.Rows[static_cast<std::size_t>(i)];
    if (row.IsParent() || (image >= 0 && row.Image != image)) continue;
    ListView_SetItemState(list_, i, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
}

void TFormHivelark::PopUpAtPane(HMENU menu) {
  RECT rc{};
  GetWindowRect(list_, &rc);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, rc.left, rc.top, 0, hwnd_, nullptr);
}

void TFormHivelark::JumpFromMenu(int historyIndex) {
  if (historyIndex < 0 || historyIndex >= static_cast<int>(state_.History.size())) return;
  state_.HistoryIndex = historyIndex;
  const std::string location = state_.History[static_cast<std::size_t>(historyIndex)];
  navigator_.Navigate("CD", location, false, true);
}

void TFormHivelark::FillHistoryMenu(HMENU menu) {
  while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
  const auto& h = state_.History;
  const std::string current = state_.HistoryIndex >= 0 && state_.HistoryIndex < static_cast<int>(h.size())
                                  ? h[static_cast<std::size_t>(state_.HistoryIndex)]
                                  : std::string();
  std::vector<std::string> shown;  // at most 64 entries: a linear look-up is fine
  for (int i = static_cast<int>(h.size()) - 1; i >= 0; --i) {
    const std::string& entry = h[static_cast<std::size_t>(i)];
    const bool seen =
        std::any_of(shown.begin(), shown.end(), [&](const std::string& s) { return SameRegName(s, entry); });
    if (seen) continue;
    shown.push_back(entry);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(CM_HISTORY0 + i), entry.c_str());
    const bool isCurrent = SameRegName(entry, current);
    SetMenuImage(menu, 0, isCurrent ? 2 : 28);
  }
}

void TFormHivelark::HistoryMenu() {
  FillHistoryMenu(popup2_);
  PopUpAtPane(popup2_);
}

void TFormHivelark::ShowKeySizes(bool onlySelected) {
  const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  if (onlySelected && (focused < 0 || focused >= model_.Count() || model_.Rows[static_cast<std::size_t>(focused)].IsParent()))
    return;
  if (onlySelected && model_.RefuseUnspellable({focused})) return;
  TWaitCursor wait;
  TVkReg reg;
  if (!state_.RootMode && !reg.OpenPath(state_.CurRoot, state_.CurKey, false)) return;
  int unmeasured = 0;
  for (int i = 0; i < model_.Count(); ++i) {
    TRegRow& row = model_.Rows[static_cast<std::size_t>(i)];
    if (!row.IsKey() || (onlySelected && !ListView_GetItemState(list_, i, LVIS_SELECTED))) continue;
    if (row.Unspellable) {
      ++unmeasured;
      continue;
    }
    std::int64_t size = -1;
    if (state_.RootMode) {
      const RootKey root = RootFromName(row.Name);
      if (root != 0) {
        TVkReg rootReg;
        (void)rootReg.OpenPath(root, "\\", false);
        size = rootReg.GetKeySize("\\");
      }
    } else if (!row.Name.empty()) {
      size = reg.GetKeySize(row.Name);  // relative to the current key
    }
    row.Size = std::to_string(size);
    // Progress: the cell is painted before the next key is measured.
    ListView_RedrawItems(list_, i, i);
    UpdateWindow(list_);
  }
  if (unmeasured > 0)
    ShowPlainMsg(std::to_string(unmeasured) + (unmeasured == 1 ? " key was" : " keys were") +
                     " not measured: their names hold characters that the system's code page cannot spell.",
                 "Hivelark", MsgWarning);
}

void TFormHivelark::Rename_Cmd() {
  if (state_.RootMode || ListView_GetSelectedCount(list_) != 1) return;
  const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (index < 0 || model_.Rows[static_cast<std::size_t>(index)].IsParent()) return;
  if (model_.RefuseUnspellable({index})) return;
  std::string name = model_.Rows[static_cast<std::size_t>(index)].Name;
  if (EditBoxFaults(name)) {  // the list's own edit box would end the process: ask in the prompt
    if (InputPrompt("Enter New Name...", name) && name != model_.Rows[static_cast<std::size_t>(index)].Name)
      (void)Reg_ListView_Edited(index, name);
    InvalidateRect(list_, nullptr, FALSE);
    return;
  }
  SetFocus(list_);
  ListView_EditLabel(list_, index);
}

bool TFormHivelark::Reg_ListView_Editing(int index) const {
  return !state_.RootMode && index >= 0 && index < model_.Count() &&
         !model_.Rows[static_cast<std::size_t>(index)].IsParent();
}

bool TFormHivelark::Reg_ListView_Edited(int index, const std::string& newName) {
  if (!Reg_ListView_Editing(index) || model_.Rows[static_cast<std::size_t>(index)].Unspellable) return false;
  TRegRow& row = model_.Rows[static_cast<std::size_t>(index)];
  const std::string oldName = row.Name;
  const auto refuse = [](const char* text) {
    ShowMsg(text, "Hivelark", MsgError);
    return false;
  };
  const bool sameIgnoringCase = SameRegName(oldName, newName);
  TVkReg reg;
  if (!reg.OpenPath(state_.CurRoot, state_.CurKey, false)) {
    return refuse(row.IsKey() ? "Could not rename the key!" : "Could not rename the value!");
  }
  if (row.IsKey()) {
    if (newName.find('\\') != std::string::npos) return refuse("The backslash character is invalid in keynames!");
    if (!sameIgnoringCase && reg.KeyExists(newName)) return refuse("A key with the same name already exists!");
    // A key without a name (the registry allows one) must never turn into the current key.
    bool whole = false;
    TJournalRecorder record("Rename", state_.CurRoot, state_.CurKey);
    record.SetCaption(ChangeCaption("Rename", 1, oldName));
    if (!oldName.empty() && !newName.empty()) {
      record.Key(state_.CurRoot, state_.CurKey + oldName);
      record.Key(state_.CurRoot, state_.CurKey + newName);
      if (!record.Commit()) return false;
    }
    TJournalFinish finish(record);
    if (oldName.empty() || newName.empty() ||
        !reg.CopyKey(state_.CurKey + oldName, state_.CurKey + newName, true, &whole)) {
      // A copy that stopped part way left the source as it was: the partial copy under the
      // new name, which did not exist before, is taken back.
      if (!oldName.empty() && !newName.empty() && !whole && !sameIgnoringCase)
        (void)reg.DeleteKey(state_.CurKey + newName);
      return refuse("Could not rename the key!");
    }
  } else {
    if (!newName.empty() && !sameIgnoringCase && reg.ValueExists(newName))
      return refuse("A value with the same name already exists!");
    TJournalRecorder record("Rename", state_.CurRoot, state_.CurKey);
    record.SetCaption(ChangeCaption("Rename", 1, oldName));
    record.Value(state_.CurRoot, state_.CurKey, oldName);
    record.Value(state_.CurRoot, state_.CurKey, newName);
    if (!record.Commit()) return false;
    TJournalFinish finish(record);
    if (!reg.RenameValue(oldName, newName) || !reg.ValueExists(newName)) return refuse("Could not rename the value!");
  }
  row.Name = newName;
  return true;
}
