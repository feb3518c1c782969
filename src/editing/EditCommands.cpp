// New key, delete, the selection commands and the enabling rule of the editing commands.
#include "editing/Editing.h"

#include "lib/VkWindow.h"

#include <commctrl.h>

#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "registry/Journal.h"
#include "resource.h"

namespace {


const int OwnedCommands[] = {CM_NEWKEY,   CM_DELETEKEYVALUE, CM_SELECTALL, CM_UNSELECTALL, CM_INVERTSEL,
                             CM_COPY,     CM_MOVE,           CM_CLIPCUT,   CM_CLIPCOPY,    CM_CLIPPASTE,
                             CM_FINDAUTORUN, CM_REBUILDFASSO, CM_CONNECTREG, CM_NEWVALUE, CM_EDITVALUE,
                             CM_CHANGETYPE,  CM_VIEWDATAAS,   CM_KEYVALUEINFO, CM_EXPORTKEY, CM_IMPORTFILE,
                             CM_COPYPATH_LOCATION, CM_COPYPATH_POWERSHELL, CM_COPYPATH_REGADD, CM_COPYPATH_REGFILE};

}  // namespace

bool TEditing::OwnsCommand(int id) const {
  for (int c : OwnedCommands)
    if (c == id) return true;
  return false;
}

bool TEditing::CommandEnabled(int id) {
  TBrowserState& state = host_.State();
  HWND list = host_.Reg_ListView();
  const int rows = host_.Model().Count();
  switch (id) {
    case CM_FINDAUTORUN:
    case CM_REBUILDFASSO:
    case CM_CONNECTREG:
    case CM_IMPORTFILE:
      return true;
    case CM_SELECTALL:  // the Mark commands work in the root list too, as Ctrl+A does
    case CM_INVERTSEL:
      return rows > 0;
    case CM_UNSELECTALL:
      return ListView_GetSelectedCount(list) > 0;
    default:
      break;
  }
  const int n = static_cast<int>(ListView_GetSelectedCount(list));
  // The root list is not edited; its roots can be described.
  if (state.RootMode) return id == CM_KEYVALUEINFO && n == 1;
  const int first = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  const TRegRow* r = first >= 0 && first < rows ? &host_.Model().Rows[static_cast<std::size_t>(first)] : nullptr;
  switch (id) {
    case CM_NEWKEY:
    case CM_NEWVALUE:
      return true;
    case CM_EDITVALUE:
    case CM_CHANGETYPE:
      return n == 1 && r && r->IsValue();
    case CM_VIEWDATAAS:
      return n > 1 || (n == 1 && r && r->IsValue());
    case CM_KEYVALUEINFO:
      return n == 1;
    case CM_EXPORTKEY:
      return n == 1 && r && r->IsKey();
    case CM_DELETEKEYVALUE:
    case CM_COPY:
    case CM_MOVE:
    case CM_CLIPCUT:
    case CM_CLIPCOPY:
      return n > 0;
    case CM_CLIPPASTE:
      return !bookmarks_.Lists(2).empty();
    case CM_COPYPATH_LOCATION:
    case CM_COPYPATH_POWERSHELL:
    case CM_COPYPATH_REGFILE:
      return true;
    case CM_COPYPATH_REGADD:  // lines for the selected values
      for (int i : host_.RegSelection())
        if (i >= 0 && i < rows && host_.Model().Rows[static_cast<std::size_t>(i)].IsValue()) return true;
      return false;
    default:
      return false;
  }
}

void TEditing::RunCommand(int id) {
  // The commands that act on the selected rows refuse rows whose names the code page cannot
  // spell before they do anything: their texts would name another item or none.
  switch (id) {
    case CM_DELETEKEYVALUE:
    case CM_COPY:
    case CM_MOVE:
    case CM_CLIPCUT:
    case CM_CLIPCOPY:
    case CM_EDITVALUE:
    case CM_CHANGETYPE:
    case CM_VIEWDATAAS:
    case CM_KEYVALUEINFO:
    case CM_EXPORTKEY:
    case CM_COPYPATH_LOCATION:
    case CM_COPYPATH_POWERSHELL:
    case CM_COPYPATH_REGADD:
    case CM_COPYPATH_REGFILE:
      if (!host_.State().RootMode && host_.Model().RefuseUnspellable(host_.RegSelection())) return;
      break;
    default:
      break;
  }
  switch (id) {
    case CM_NEWKEY: NewKey_Cmd(); break;
    case CM_DELETEKEYVALUE: DeleteKeyValue_Cmd(); break;
    case CM_SELECTALL: Select_Cmd(true); break;
    case CM_UNSELECTALL: Select_Cmd(false); break;
    case CM_INVERTSEL: InvertSel_Cmd(); break;
    case CM_COPY: CopyMove_Cmd(false); break;
    case CM_MOVE: CopyMove_Cmd(true); break;
    case CM_CLIPCUT: CutCopy_Cmd(true); break;
    case CM_CLIPCOPY: CutCopy_Cmd(false); break;
    case CM_CLIPPASTE: Paste_Cmd(); break;
    case CM_FINDAUTORUN: FindAutoRunValues_Cmd(); break;
    case CM_REBUILDFASSO: RebuildFAsso_Cmd(); break;
    case CM_CONNECTREG: ConnectReg_Cmd(); break;
    case CM_NEWVALUE: NewValue_Cmd(); break;
    case CM_EDITVALUE: EditValue_Cmd(); break;
    case CM_CHANGETYPE: ChangeDataType_Cmd(); break;
    case CM_VIEWDATAAS: ViewDataAs_Cmd(); break;
    case CM_KEYVALUEINFO: KeyValueInfo_Cmd(); break;
    case CM_EXPORTKEY: ExportKey_Cmd(); break;
    case CM_IMPORTFILE: ImportRegFile_Cmd(); break;
    case CM_COPYPATH_LOCATION:
    case CM_COPYPATH_POWERSHELL:
    case CM_COPYPATH_REGADD:
    case CM_COPYPATH_REGFILE: CopyPathAs_Cmd(id); break;
    default: break;
  }
}

std::vector<TEditing::TRow> TEditing::SelectedItems(bool deselectParent) {
  HWND list = host_.Reg_ListView();
  const TRegPaneModel& model = host_.Model();
  std::vector<TRow> items;
  for (int i : host_.RegSelection()) {
    if (i < 0 || i >= model.Count()) continue;
    const TRegRow& row = model.Rows[static_cast<std::size_t>(i)];
    if (row.IsParent()) {
      if (deselectParent) ListView_SetItemState(list, i, 0, LVIS_SELECTED);
      continue;
    }
    items.push_back({i, row.Name, row.Image});
  }
  return items;
}

std::string TEditing::RootText() const { return RootName(host_.State().CurRoot); }

bool TEditing::ConfirmOverwrite(const std::string& kind, const std::string& path) {
  return ShowPlainMsg("Overwrite the " + kind + ": \"" + path + "\"?", "Hivelark", MsgYesNo) == IDYES;
}

void TEditing::NewKey_Cmd() {
  TBrowserState& state = host_.State();
  TVkReg reg;
  // A shown key removed by another program still gets the prompt, and then the failure.
  const bool opened = reg.OpenPath(state.CurRoot, state.CurKey, false);
  std::string name = opened ? reg.GetUniqueName("New Key #") : std::string("New Key #1");
  if (!InputPrompt("Enter Name of New Key...", name)) return;
  if (!opened) {
    ShowMsg("Could not create a new key!", "Hivelark", MsgError);
    return;
  }
  // An empty name or "\" names the current key or the root, which exist already.
  if (name.empty() || name == "\\" || reg.KeyExists(name)) {
    ShowMsg("A key by that name already exist!", "Hivelark", MsgError);
    return;
  }
  // The first key of the name that does not exist yet is what an undo removes again.
  TJournalRecorder record("New Key", state.CurRoot, state.CurKey);
  record.SetCaption("New Key \"" + name + "\"");
  record.CreatedKey(state.CurRoot, state.CurKey + name);
  if (!record.Commit()) return;
  const bool created = reg.CreateKey(name);
  record.Finish();
  if (!created) {
    ShowMsg("Could not create a new key!", "Hivelark", MsgError);
    return;
  }
  host_.Navigator().Navigate("UPD", name.substr(0, name.find('\\')), true, false);
}

void TEditing::DeleteKeyValue_Cmd() {
  TBrowserState& state = host_.State();
  const std::vector<TRow> items = SelectedItems(true);
  if (items.empty()) return;
  const TRegPaneModel& model = host_.Model();
  std::string question;
  if (items.size() > 1) {
    question = "Do you want to delete the " + std::to_string(items.size()) + " selected keys/values?";
  } else if (items[0].Image == ImageKey) {
    question = "Delete the Key: \"" + items[0].Name + "\"?";
  } else {
    question = "Delete the " + model.Rows[static_cast<std::size_t>(items[0].Index)].Type + " Value: \"" +
               items[0].Name + "\"?";
  }
  // Only Yes goes on: a question that could not be shown (0) is no consent.
  if (ShowPlainMsg(question, "Hivelark", MsgYesNo) != IDYES) return;
  TWaitCursor wait;
  std::vector<bool> selected(static_cast<std::size_t>(model.Count()), false);
  for (const TRow& item : items) selected[static_cast<std::size_t>(item.Index)] = true;
  // The row to select afterwards: the nearest unselected row, below before above, never row 0.
  const int first = items[0].Index, count = model.Count();
  std::string focus = items[0].Name;
  int focusKind = -1;  // a key and a value may share the name of the row to select
  for (int d = 1; d < count; ++d) {
    for (const int i : {first + d, first - d}) {
      if (i < 1 || i >= count || selected[static_cast<std::size_t>(i)]) continue;
      focus = model.Caption(i);
      focusKind = model.Rows[static_cast<std::size_t>(i)].IsValue() ? 1 : 0;
      break;
    }
    if (focusKind >= 0) break;
  }
  {
    TVkReg reg;
    if (reg.OpenPath(state.CurRoot, state.CurKey, false)) {
      // Everything about to go is recorded first: no delete happens without its record.
      TJournalRecorder record("Delete", state.CurRoot, state.CurKey);
      record.SetCaption(ChangeCaption("Delete", items.size(), items[0].Name));
      for (const TRow& item : items) {
        if (item.Image != ImageKey) record.Value(state.CurRoot, state.CurKey, item.Name);
        else if (!item.Name.empty()) record.Key(state.CurRoot, state.CurKey + item.Name);
      }
      if (!record.Commit()) return;
      for (const TRow& item : items) {
        if (item.Image != ImageKey) {
          (void)reg.DeleteValue(item.Name);
        } else if (item.Name.empty()) {
          // A key without a name cannot be told from the current key by its path.
          ShowMsg("A key without a name cannot be deleted!", "Hivelark", MsgError);
        } else {
          (void)reg.DeleteKey(state.CurKey + item.Name);
        }
      }
      record.Finish();
    }
  }
  host_.Navigator().FocusKindNext(focusKind);
  host_.Navigator().Navigate("UPD", focus, true, false);
}

void TEditing::Select_Cmd(bool select) {
  HWND list = host_.Reg_ListView();
  const TRegPaneModel& model = host_.Model();
  // All rows in one call: the list keeps them as one range, which every later question
  // about the selection answers fast; only the parent row is taken out again.
  TBulkRowChange bulk(list);
  ListView_SetItemState(list, -1, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
  if (select && model.Count() > 0 && model.Rows[0].IsParent()) ListView_SetItemState(list, 0, 0, LVIS_SELECTED);
}

void TEditing::InvertSel_Cmd() {
  HWND list = host_.Reg_ListView();
  const TRegPaneModel& model = host_.Model();
  std::vector<bool> was(static_cast<std::size_t>(model.Count()), false);
  for (int i : host_.RegSelection())
    if (i >= 0 && i < model.Count()) was[static_cast<std::size_t>(i)] = true;
  TBulkRowChange bulk(list);
  for (int i = 0; i < model.Count(); ++i) {
    const bool on = !was[static_cast<std::size_t>(i)] && !model.Rows[static_cast<std::size_t>(i)].IsParent();
    if (on != was[static_cast<std::size_t>(i)]) ListView_SetItemState(list, i, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
}
