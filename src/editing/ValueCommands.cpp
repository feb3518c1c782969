// The commands that open the value editor, the data type chooser and the information window,
// and Export Key.
#include "editing/Editing.h"

#include "lib/VkWindow.h"

#include <commctrl.h>

#include "browser/Info.h"
#include "browser/ValueFormat.h"
#include "editing/Select.h"
#include "editing/Value.h"
#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "registry/Journal.h"
#include "registry/RegExport.h"

namespace {


}  // namespace

const TRegRow* TEditing::SingleSelected() {
  const std::vector<int> rows = host_.RegSelection();
  if (rows.size() != 1 || rows[0] < 0 || rows[0] >= host_.Model().Count()) return nullptr;
  return &host_.Model().Rows[static_cast<std::size_t>(rows[0])];
}

void TEditing::NewValue_Cmd() {
  TBrowserState& state = host_.State();
  int type = 0;
  if (!ChooseDataType("Select Data Type of New Value", type, false, state)) return;
  TVkReg reg;
  if (!reg.OpenPath(state.CurRoot, state.CurKey, false)) return;
  const std::string name = reg.GetUniqueName("New " + TypeColumnText(static_cast<ValueType>(type), state.ConstDataNames) + " #");
  TJournalRecorder record("New Value", state.CurRoot, state.CurKey);
  record.SetCaption("New Value \"" + name + "\"");
  record.Value(state.CurRoot, state.CurKey, name);
  if (!record.Commit()) return;
  bool written;
  if (type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) written = reg.WriteInteger(name, 0, type == REG_DWORD_BIG_ENDIAN);
  else written = reg.WriteData(name, nullptr, static_cast<ValueType>(type), 0);
  record.Finish();
  if (!written) return;
  host_.Navigator().FocusKindNext(1);
  host_.Navigator().Navigate("UPD", name, true, false);
  const std::vector<int> rows = host_.RegSelection();
  if (rows.size() == 1 && host_.Model().Caption(rows[0]) == name) {
    SetFocus(host_.Reg_ListView());
    ListView_EditLabel(host_.Reg_ListView(), rows[0]);
  }
}

void TEditing::EditValue_Cmd() {
  const TRegRow* row = SingleSelected();
  if (!row || !row->IsValue()) return;
  TBrowserState& state = host_.State();
  const std::string name = row->Name;
  {
    TVkReg reg;
    reg.Access = KEY_READ;
    if (reg.OpenPath(state.CurRoot, state.CurKey, false) && !reg.StoredTextExact(name))
      ShowPlainMsg("The text of this value holds characters that the system's code page cannot spell (or is not "
                   "whole text): the editor shows look-alikes or \"?\" in their place.\r\n\r\nOK without an edit "
                   "keeps the stored data as it is; an edit writes the text as the editor shows it.",
                   "Hivelark", MsgWarning);
  }
  EditValue_Open(host_.Owner(), state.CurRoot, state.CurKey, name, state.ConstDataNames,
                 [this, name] {
                   host_.Navigator().FocusKindNext(1);
                   host_.Navigator().Navigate("UPD", name, true, false);
                 });
}

void TEditing::ChangeDataType_Cmd() {
  const TRegRow* row = SingleSelected();
  if (!row || !row->IsValue()) return;
  TBrowserState& state = host_.State();
  const std::string name = row->Name;
  int type = row->Image;
  if (!ChooseDataType("Select a new Data Type for the Value", type, false, state)) return;
  {
    TVkReg reg;
    // The bytes are kept exactly; a value that could not be read is never written. A text that
    // the ANSI read cannot give back exactly keeps its type.
    const bool opened = reg.OpenPath(state.CurRoot, state.CurKey, false);
    TJournalRecorder record("Change Data Type", state.CurRoot, state.CurKey);
    record.SetCaption(ChangeCaption("Change Data Type", 1, name));
    if (opened) record.Value(state.CurRoot, state.CurKey, name);
    if (opened && !record.Commit()) return;
    const bool changed = opened && reg.ChangeValueType(name, static_cast<ValueType>(type));
    record.Finish();
    if (changed) {
      // changed
    } else if (opened && !reg.StoredTextExact(name)) {
      ShowPlainMsg("The text of this value holds characters that the system's code page cannot spell (or is not "
                   "whole text): changing its type would change its data. Nothing was changed.",
                   "Hivelark", MsgError);
    } else {
      ShowMsg("Error changing the data type of the value!", "Hivelark", MsgError);
    }
  }
  host_.Navigator().Navigate("UPD", "", true, false);
}

void TEditing::ViewDataAs_Cmd() {
  HWND list = host_.Reg_ListView();
  TRegPaneModel& model = host_.Model();
  for (int i : host_.RegSelection())
    if (!model.Rows[static_cast<std::size_t>(i)].IsValue()) ListView_SetItemState(list, i, 0, LVIS_SELECTED);
  const std::vector<int> rows = host_.RegSelection();
  if (rows.empty()) return;
  TBrowserState& state = host_.State();
  int type = model.Rows[static_cast<std::size_t>(rows[0])].Image;
  if (!ChooseDataType("Choose Type to Format Data As", type, false, state)) return;
  TVkReg reg;
  reg.Access = KEY_READ;
  if (!reg.OpenPath(state.CurRoot, state.CurKey, false)) return;
  const TTypeFormats formats = state.TypeFormats();
  for (int i : rows) {
    TRegRow& row = model.Rows[static_cast<std::size_t>(i)];
    row.Data = ValueDataText(reg, row.Name, static_cast<ValueType>(type), formats);
    if (row.Data.size() > RowTextLimit) row.Data.resize(RowTextLimit);
  }
  InvalidateRect(list, nullptr, FALSE);
}

void TEditing::KeyValueInfo_Cmd() {
  const TRegRow* row = SingleSelected();
  if (!row) return;
  TBrowserState& state = host_.State();
  if (state.RootMode) {
    const std::vector<int> rows = host_.RegSelection();
    KeyValueInfo_Open(host_.Owner(), RootBase + static_cast<RootKey>(rows[0]), "\\", "", true);
  } else if (row->IsParent()) {
    KeyValueInfo_Open(host_.Owner(), state.CurRoot, ParentPath(state.CurKey), LastKeyName(state.CurKey), false);
  } else {
    KeyValueInfo_Open(host_.Owner(), state.CurRoot, state.CurKey, row->Name, false);
  }
}

void TEditing::ExportKey_Cmd() {
  const TRegRow* row = SingleSelected();
  if (!row || !row->IsKey() || row->Name.empty()) return;
  TBrowserState& state = host_.State();
  TFileDialogSpec request;
  request.Filter = "Registry files (*.reg)|*.reg|Registration Files, Unicode (*.reg)|*.reg|Bookmark files (*.bmk)|"
                   "*.bmk|All files (*.*)|*.*|";
  request.FilterIndex = 1;
  request.DefaultExt = "bmk";
  request.OverwritePrompt = true;
  // The folder the program was started in, as the bookmark pane's file dialogs (no dialog
  // changes the working directory).
  char folder[MAX_PATH] = "";
  const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n > 0 && n < sizeof folder) request.InitialDir = folder;
  std::string fileName = row->Name + ".reg";
  const std::string key = state.CurKey + row->Name + "\\";
  if (!Interaction().SaveFileName(request, fileName)) return;
  TWaitCursor wait;
  const TRegFileForm form = request.ChosenIndex == 2 ? TRegFileForm::Unicode : TRegFileForm::Regedit4;
  const TExportResult result = ExportKeyToFile(fileName, state.CurRoot, key, form);
  // What was left out, or why nothing was written, is told with the file's name.
  if (result.Status == TExportStatus::Incomplete) (void)ShowExportResult(result);
  if (result.Status == TExportStatus::Failed) {
    // The error text once, then the reason: the export's own message may begin with it.
    const std::string head = "An error occured while exporting key from registry!";
    std::string reason = result.Message.rfind(head, 0) == 0 ? result.Message.substr(head.size()) : result.Message;
    while (!reason.empty() && (reason[0] == '\r' || reason[0] == '\n')) reason.erase(0, 1);
    if (reason.empty()) {
      TVkReg reg;
      reg.Access = KEY_READ;
      if (!reg.OpenPath(state.CurRoot, key, false)) reason = "The key no longer exists or cannot be opened.";
    }
    ShowPlainMsg(head + (reason.empty() ? std::string() : "\r\n\r\n" + reason), "Hivelark", MsgError);
  }
}
