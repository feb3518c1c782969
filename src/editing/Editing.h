#pragma once
// The editing commands of the registry pane: create, delete and select (EditCommands.cpp),
// copy, move, cut and paste (CopyMove.cpp), the value editor, type, information and export
// commands (ValueCommands.cpp), the registration file import (ImportCommands.cpp) and the
// tool commands (ToolCommands.cpp), with the rule that enables each of them. The rule is
// asked when a menu opens and again before every run, from a menu, a shortcut or a key, so
// that no command runs on rows it does not fit.
#include <string>
#include <vector>

#include "bookmarks/BookmarkPane.h"
#include "browser/CommandHost.h"

class TEditing : public TSubsystem {
 public:
  TEditing(TCommandHost& host, TBookmarkPane& bookmarks) : host_(host), bookmarks_(bookmarks) {}

  void NewKey_Cmd();
  void NewValue_Cmd();
  void EditValue_Cmd();
  void ChangeDataType_Cmd();
  void ViewDataAs_Cmd();
  void KeyValueInfo_Cmd();
  void ExportKey_Cmd();
  void ImportRegFile_Cmd();
  void DeleteKeyValue_Cmd();
  void Select_Cmd(bool select);
  void InvertSel_Cmd();
  void CopyMove_Cmd(bool move);
  void CutCopy_Cmd(bool cut);
  void Paste_Cmd();
  // "Copy Path As": the location text, the PowerShell path, reg add lines or a registration
  // file fragment of the selected rows (CopyPathAs.cpp); id is one of CM_COPYPATH_*.
  void CopyPathAs_Cmd(int id);
  void FindAutoRunValues_Cmd();
  void RebuildFAsso_Cmd();
  void ConnectReg_Cmd();

  // TSubsystem
  bool OwnsCommand(int id) const override;
  bool CommandEnabled(int id) override;
  void RunCommand(int id) override;

 private:
  struct TRow {
    int Index;
    std::string Name;
    int Image;
  };
  // The selected rows, top to bottom, the parent row deselected and left out.
  std::vector<TRow> SelectedItems(bool deselectParent);
  // "Overwrite the <kind>: "<path>"?" answered Yes.
  bool ConfirmOverwrite(const std::string& kind, const std::string& path);
  std::string RootText() const;
  // The one selected row, or null when none or several are selected.
  const TRegRow* SingleSelected();

  TCommandHost& host_;
  TBookmarkPane& bookmarks_;
};
