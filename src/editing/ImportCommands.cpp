// Import Registration File: the file is chosen, read through and checked, what it would
// change is confirmed, then it is written; the title strip shows how far each reading is.
#include "editing/Editing.h"

#include <functional>

#include "lib/VkDialogs.h"
#include "lib/VkFuncLib.h"
#include "lib/VkWindow.h"
#include "registry/Journal.h"
#include "registry/RegImport.h"

namespace {

// Draws "<what> <percent>%" on the title strip whenever the percentage changes.
class TStripProgress {
 public:
  TStripProgress(TCommandHost& host, std::string what) : host_(host), what_(std::move(what)) {}
  void operator()(std::uint64_t done, std::uint64_t total) {
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    if (percent == shown_) return;
    shown_ = percent;
    host_.DrawPathBar(what_ + " " + std::to_string(percent) + "%");
  }

 private:
  TCommandHost& host_;
  std::string what_;
  int shown_ = -1;
};

}  // namespace

void TEditing::ImportRegFile_Cmd() {
  TFileDialogSpec request;
  request.Filter = "Registry files (*.reg)|*.reg|All files (*.*)|*.*|";
  request.FilterIndex = 1;
  request.DefaultExt = "reg";
  std::string fileName;
  if (!Interaction().OpenFileName(request, fileName)) return;

  TImportPlan plan;
  TImportResult check;
  {
    TWaitCursor wait;
    TStripProgress progress(host_, "Reading the registration file...");
    check = CheckRegFile(fileName, plan, std::ref(progress));
    host_.DrawPathBar("");
  }
  if (check.Status == TImportStatus::Refused) {
    ShowPlainMsg(check.Message, "Hivelark", MsgError);
    return;
  }
  if (plan.Empty()) {
    ShowPlainMsg("The registration file holds nothing to import:\r\n" + fileName, "Hivelark", MsgInfo);
    return;
  }
  // Only Yes goes on; when the file deletes anything, No is the button Enter presses.
  const unsigned flags = MsgYesNo | (plan.Deletes() ? MB_DEFBUTTON2 : 0u);
  if (ShowPlainMsg(ImportQuestion(fileName, plan), "Hivelark", flags) != IDYES) return;

  // Everything the file writes or deletes is recorded first, as it is now.
  const RootKey firstRoot = plan.Touched.empty() ? RootCurrentUser : RootBase + static_cast<RootKey>(plan.Touched[0].Root);
  bool exact = false;
  const std::string firstKey = plan.Touched.empty() ? std::string("\\") : "\\" + AnsiName(plan.Touched[0].Path, exact) + "\\";
  TJournalRecorder record("Import", firstRoot, firstKey);
  record.SetCaption("Import of \"" + fileName.substr(fileName.find_last_of("\\/") + 1) + "\"");
  {
    TWaitCursor wait;
    for (const TImportTouch& t : plan.Touched) {
      const RootKey root = RootBase + static_cast<RootKey>(t.Root);
      switch (t.Kind) {
        case TRegOpKind::Key: record.CreatedKey(root, t.Path); break;
        case TRegOpKind::DeleteKey: record.Key(root, t.Path); break;
        case TRegOpKind::SetValue:
        case TRegOpKind::DeleteValue: record.Value(root, t.Path, t.Name); break;
      }
    }
  }
  if (!record.Commit()) return;
  TJournalFinish finish(record);
  TImportResult result;
  {
    TWaitCursor wait;
    TStripProgress progress(host_, "Importing the registration file...");
    result = ImportRegFile(fileName, std::ref(progress), &plan);
    host_.DrawPathBar("");
  }
  // The pane is read once, with what the import changed.
  if (!host_.State().RootMode) host_.Navigator().Navigate("UPD", "", true, false);
  if (result.Status == TImportStatus::Incomplete) ShowPlainMsg(result.Message, "Hivelark", MsgWarning);
  else if (result.Status == TImportStatus::Refused) ShowPlainMsg(result.Message, "Hivelark", MsgError);
}
