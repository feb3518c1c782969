// Undo of the main window: the File menu item that names the newest change, Ctrl+Z in the
// registry pane, and the Change History window of the Tools menu.
#include "browser/Main.h"

#include "lib/VkFuncLib.h"
#include "registry/Journal.h"
#include "registry/RegNames.h"
#include "resource.h"
#include "tools/History.h"

namespace {

// A caption holds names: a long one is cut, "&" is shown as itself, not as a mnemonic, and
// control characters as blanks.
constexpr std::size_t UndoItemLimit = 80;

std::string UndoItemText(std::string text) {
  if (text.size() > UndoItemLimit) {
    // Cut between characters, not inside a double-byte one.
    const char* end = text.c_str();
    for (const char* next; (next = CharNextA(end)) != end && next - text.c_str() <= static_cast<std::ptrdiff_t>(UndoItemLimit - 3);)
      end = next;
    text = text.substr(0, static_cast<std::size_t>(end - text.c_str())) + "...";
  }
  std::string shown;
  for (char c : text) {
    if (c == '&') shown += '&';
    shown += static_cast<unsigned char>(c) < ' ' ? ' ' : c;  // a tab would start the key column
  }
  // "Un&do" as in the menu resource: "&Update" has the U.
  if (shown.compare(0, 4, "Undo") == 0) shown.insert(2, "&");
  return shown + "\tCtrl+Z";
}

}  // namespace

void TFormHivelark::UpdateUndoItem(HMENU menu) {
  // The journal is read only when the File menu opens, not for every other menu.
  if (GetMenuState(menu, CM_UNDO, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
  const std::string text = UndoMenuText();
  ModifyMenuA(menu, CM_UNDO, MF_BYCOMMAND | MF_STRING, CM_UNDO, UndoItemText(text).c_str());
  EnableMenuItem(menu, CM_UNDO, MF_BYCOMMAND | (text != "Undo" ? MF_ENABLED : MF_GRAYED));
}

void TFormHivelark::Undo_Cmd() {
  TJournalEntry entry;
  if (!ChangeJournal().Newest(entry)) {
    ShowPlainMsg("There is no change to undo.", "Hivelark", MsgInfo);
    return;
  }
  ShowUndoResult(UndoChange(entry));
}

void TFormHivelark::ShowUndoResult(const TUndoResult& result) {
  if (result.Status == TUndoResult::Cancelled || result.Status == TUndoResult::Refused) return;
  if (!IsPredefinedRoot(result.Root)) {
    Update_Cmd();
    return;
  }
  // The shown key is read again with the restored row selected; another key is shown first.
  if (!state_.RootMode && result.Root == state_.CurRoot && SameRegName(result.Location, state_.CurKey)) {
    navigator_.FocusKindNext(result.FocusKind);
    navigator_.Navigate("UPD", result.Focus, true, false);
    return;
  }
  navigator_.Navigate("CD", std::string(RootName(result.Root)) + result.Location, true, true);
  if (!result.Focus.empty() && !state_.RootMode && result.Root == state_.CurRoot &&
      SameRegName(state_.CurKey, result.Location))
    navigator_.FocusRow(result.Focus, result.FocusKind);
}

void TFormHivelark::ChangeHistory_Cmd() {
  TModalRun run(hwnd_);
  // The journal check box changes the settings: they are written at once, as Save Settings
  // Now writes them.
  TFormHistory form(*this, [this] { SaveSettingsNow_Cmd(); });
  if (form.Create()) form.ShowModal();
}
