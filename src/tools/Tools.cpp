#include "tools/Tools.h"

#include "resource.h"
#include "tools/Config.h"
#include "tools/KeyTree.h"

void TToolWindows::KeyTree_Open() {
  TFormKeyTree form(host_);
  if (form.Create()) form.ShowModal();
}

void TToolWindows::Config_Open() {
  TFormConfig form(host_, bookmarks_);
  if (form.Create()) form.ShowModal();
}

bool TToolWindows::OwnsCommand(int id) const { return id == CM_KEYTREE || id == CM_CONFIG; }

void TToolWindows::RunCommand(int id) {
  if (id == CM_KEYTREE) KeyTree_Open();
  else if (id == CM_CONFIG) Config_Open();
}
