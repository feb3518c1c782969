#include "tools/Tools.h"

#include "lib/VkWindow.h"
#include "resource.h"
#include "tools/Config.h"
#include "tools/KeyTree.h"

// Both windows run modally over the main window: the other windows wait, and the focus
// goes back where it was when they close.
void TToolWindows::KeyTree_Open() {
  TModalRun run(host_.Owner());
  TFormKeyTree form(host_);
  if (form.Create()) form.ShowModal();
}

void TToolWindows::Config_Open() {
  TModalRun run(host_.Owner());
  TFormConfig form(host_, bookmarks_);
  if (form.Create()) form.ShowModal();
}

bool TToolWindows::OwnsCommand(int id) const { return id == CM_KEYTREE || id == CM_CONFIG; }

void TToolWindows::RunCommand(int id) {
  if (id == CM_KEYTREE) KeyTree_Open();
  else if (id == CM_CONFIG) Config_Open();
}
