#include "tools/Tools.h"

#include "resource.h"
#include "tools/KeyTree.h"

void TToolWindows::KeyTree_Open() {
  TFormKeyTree form(host_);
  if (form.Create()) form.ShowModal();
}

bool TToolWindows::OwnsCommand(int id) const { return id == CM_KEYTREE; }

void TToolWindows::RunCommand(int id) {
  if (id == CM_KEYTREE) KeyTree_Open();
}
