#pragma once
// The key tree window: the registry's keys as a tree read one level at a time as nodes
// are expanded; Enter (or a double click on a node not yet expanded) sends the main
// window to the selected key.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "browser/CommandHost.h"
#include "lib/VkWindow.h"
#include "settings/Settings.h"

class TFormKeyTree : public TVkWindow {
 public:
  explicit TFormKeyTree(TCommandHost& host) : host_(host) {}
  ~TFormKeyTree() override;

  // Creates and shows the window over the owner without running it modally.
  [[nodiscard]] bool Create();
  // Runs the window modally until it closes (the owner is disabled meanwhile).
  void ShowModal();

  HWND Key_TreeView() const { return tree_; }
  HWND StatusBar1() const { return status_; }

  void FillRoots();
  // Loads the node's children on its first expansion.
  void Key_TreeView_Expanding(HTREEITEM node);
  void Key_TreeView_Change();
  // Esc / Alt+Q close, Enter goes to the selection, Ctrl+R rebuilds; true when consumed.
  bool Key_TreeView_KeyDown(WORD key, bool ctrl, bool alt);
  void Key_TreeViewDblClick();
  void GoToSelection();
  void Rebuild();
  // The node's location text: its root's long name and the names below it, each followed
  // by "\" (HKEY_CURRENT_USER\Software\).
  std::string NodePath(HTREEITEM node) const;
  // The node's text (a key name or a root's long name).
  std::string NodeText(HTREEITEM node) const;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FillChildren(HTREEITEM node, RootKey root, const std::string& path);
  HTREEITEM AddNode(HTREEITEM parent, const std::string& text, LPARAM data, bool hasChildren);
  void LoadPlacement();
  void SavePlacement();
  void Layout();
  static LRESULT CALLBACK TreeSubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  TCommandHost& host_;
  HWND tree_ = nullptr;
  HWND status_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HFONT font_ = nullptr;
};
