#include "tools/KeyTree.h"

#include <vector>

#include "browser/Icons.h"
#include "lib/VkFont.h"
#include "lib/VkFuncLib.h"
#include "resource.h"
#include "tools/VkColorDlg.h"

namespace {

const char* const KeyTreeClass = "HivelarkKeyTree";
constexpr int KeyImage = 12;
constexpr int StatusHeight = 17;
// Smallest size a saved placement is brought back to.
constexpr int MinTreeWidth = 200;
constexpr int MinTreeHeight = 150;
constexpr int DefaultTreeWidth = 550;
constexpr int DefaultTreeHeight = 500;
// A key name has at most 255 characters (Wine takes 256); room for both and the NUL.
constexpr int NodeTextSize = 260;

}  // namespace

TFormKeyTree::~TFormKeyTree() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (images_) ImageList_Destroy(images_);
  if (font_) DeleteObject(font_);
}

bool TFormKeyTree::Create() {
  if (!RegisterClassOnce(KeyTreeClass, nullptr)) return false;
  if (!CreateBound(0, KeyTreeClass, "Registry Key Tree", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                   CW_USEDEFAULT, 550, 500, host_.Owner(), nullptr))
    return false;
  tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                              TVS_SHOWSELALWAYS,
                          0, 0, 0, 0, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, hwnd_, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (!tree_ || !status_) return false;
  if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_HIVELARK))) {
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  int parts[1] = {-1};
  SendMessageA(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  SetWindowSubclass(tree_, TreeSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));

  images_ = CreateRowImageList();
  TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
  TreeView_SetIndent(tree_, 19);
  const TBrowserState& state = host_.State();
  TreeView_SetBkColor(tree_, ResolveColor(state.BackColor));
  TreeView_SetTextColor(tree_, ResolveColor(state.FontColor));
  font_ = CreateFontHandle(DescriptorToFont(state.ListViewFont));
  if (font_) SendMessageA(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  LoadPlacement();
  FillRoots();
  Layout();
  SetFocus(tree_);
  return true;
}

void TFormKeyTree::ShowModal() {
  HWND owner = host_.Owner();
  TDialogOwnerScope asks(hwnd_);  // the boxes and dialogs it opens are its own
  if (owner) EnableWindow(owner, FALSE);
  // The disabled owner takes the focus with it: give it to the tree.
  SetActiveWindow(hwnd_);
  SetFocus(tree_);
  MSG msg;
  while (hwnd_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

void TFormKeyTree::LoadPlacement() {
  TWindowPlacement p;
  LoadKeyTreePlacement(SettingsFileName(), p, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  // A saved size of nothing is no size: the window opens at its default size, centred.
  if (p.Width <= 0 || p.Height <= 0) {
    if (p.Width <= 0) p.Width = DefaultTreeWidth;
    if (p.Height <= 0) p.Height = DefaultTreeHeight;
    p.Left = GetSystemMetrics(SM_CXSCREEN) / 2 - p.Width / 2;
    p.Top = GetSystemMetrics(SM_CYSCREEN) / 2 - p.Height / 2;
  }
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  // A window saved minimized, off the screen or with no size opens normal on the work area.
  const TWindowPlacement fit = FitPlacement(p, work, MinTreeWidth, MinTreeHeight);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.rcNormalPosition = {fit.Left, fit.Top, fit.Left + fit.Width, fit.Top + fit.Height};
  wp.showCmd = fit.State == 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  SetWindowPlacement(hwnd_, &wp);
}

void TFormKeyTree::SavePlacement() {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd_, &wp)) return;
  const bool maximized = IsZoomed(hwnd_) != FALSE;
  TWindowPlacement p;
  p.State = maximized ? 2 : IsIconic(hwnd_) ? 1 : 0;
  p.Left = wp.rcNormalPosition.left;
  p.Top = wp.rcNormalPosition.top;
  p.Width = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
  p.Height = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
  (void)SaveKeyTreePlacement(SettingsFileName(), p, maximized);
}

void TFormKeyTree::Layout() {
  if (!tree_) return;
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  // The bar places itself at the bottom with the height its font needs; the tree takes the rest.
  SendMessageA(status_, SB_SETMINHEIGHT, StatusHeight, 0);
  SendMessageA(status_, WM_SIZE, 0, 0);
  RECT bar{};
  GetWindowRect(status_, &bar);
  const int barHeight = static_cast<int>(bar.bottom - bar.top);
  MoveWindow(tree_, 0, 0, rc.right, rc.bottom > barHeight ? rc.bottom - barHeight : 0, TRUE);
}

HTREEITEM TFormKeyTree::AddNode(HTREEITEM parent, const std::string& text, LPARAM data, bool hasChildren) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  ins.item.pszText = const_cast<char*>(text.c_str());
  ins.item.iImage = KeyImage;
  ins.item.iSelectedImage = KeyImage;
  ins.item.lParam = data;
  ins.item.cChildren = hasChildren ? 1 : 0;
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void TFormKeyTree::FillRoots() {
  TVkReg reg;
  reg.Access = KEY_READ;
  for (int i = 0; i < RootCount; ++i) {
    const RootKey root = RootBase + static_cast<RootKey>(i);
    if (!reg.OpenPath(root, "", false)) continue;
    AddNode(nullptr, RootNames[i], static_cast<LPARAM>(root), reg.GetSubKeyCount("") > 0);
  }
}

std::string TFormKeyTree::NodeText(HTREEITEM node) const {
  char text[NodeTextSize] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return std::string();
  return text;
}

std::string TFormKeyTree::NodePath(HTREEITEM node) const {
  std::string path;
  for (HTREEITEM n = node; n; n = TreeView_GetParent(tree_, n)) path = NodeText(n) + "\\" + path;
  return path;
}

void TFormKeyTree::Key_TreeView_Expanding(HTREEITEM node) {
  if (!node || TreeView_GetChild(tree_, node)) return;  // read once; Ctrl+R refreshes
  std::string path;
  HTREEITEM top = node;
  for (HTREEITEM parent; (parent = TreeView_GetParent(tree_, top)) != nullptr; top = parent)
    path = "\\" + NodeText(top) + path;
  TVITEMA item{};
  item.mask = TVIF_PARAM;
  item.hItem = top;
  SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  FillChildren(node, static_cast<RootKey>(item.lParam), path);
}

void TFormKeyTree::FillChildren(HTREEITEM node, RootKey root, const std::string& path) {
  TWaitCursor cursor;  // a level of thousands of keys takes seconds
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  {
    TVkReg reg;
    reg.Access = KEY_READ;
    if (reg.OpenPath(root, path.empty() ? "" : path, false)) {
      std::vector<std::string> names;
      reg.GetKeyNames(names);
      // Each child's own count is asked relative to the opened parent, not from the root.
      for (const std::string& name : names) AddNode(node, name, 0, reg.GetSubKeyCount(name) > 0);
    }
  }
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
}

void TFormKeyTree::Key_TreeView_Change() {
  const std::string path = NodePath(TreeView_GetSelection(tree_));
  SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

void TFormKeyTree::GoToSelection() {
  const HTREEITEM node = TreeView_GetSelection(tree_);
  host_.Navigator().Navigate("CD", node ? NodePath(node) : std::string(), true, true);
}

void TFormKeyTree::Key_TreeViewDblClick() {
  const HTREEITEM node = TreeView_GetSelection(tree_);
  if (node && !TreeView_GetChild(tree_, node)) GoToSelection();
}

void TFormKeyTree::Rebuild() {
  TWaitCursor cursor;
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree_);
  FillRoots();
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
  TreeView_SelectItem(tree_, TreeView_GetRoot(tree_));
}

bool TFormKeyTree::Key_TreeView_KeyDown(WORD key, bool ctrl, bool alt) {
  if (key == VK_ESCAPE || (alt && key == 'Q')) {
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    return true;
  }
  if (key == VK_RETURN && !ctrl && !alt) {
    GoToSelection();
    return true;
  }
  if (ctrl && !alt && key == 'R') {
    Rebuild();
    return true;
  }
  return false;
}

LRESULT CALLBACK TFormKeyTree::TreeSubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  auto* form = reinterpret_cast<TFormKeyTree*>(self);
  if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = msg == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
    if (form->Key_TreeView_KeyDown(static_cast<WORD>(wp), ctrl, alt)) return 0;
  }
  if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (msg == WM_CHAR && (wp == VK_RETURN || wp == VK_ESCAPE || wp == 0x12 /* Ctrl+R */)) return 0;
  if (msg == WM_SYSCHAR && (wp == 'q' || wp == 'Q')) return 0;
  return DefSubclassProc(wnd, msg, wp, lp);
}

LRESULT TFormKeyTree::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFOCUS:
      if (tree_) SetFocus(tree_);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->hwndFrom != tree_) break;
      if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDINGW) {
        const auto* tv = reinterpret_cast<const NMTREEVIEWA*>(lp);
        if (tv->action & TVE_EXPAND) Key_TreeView_Expanding(tv->itemNew.hItem);
        return 0;
      }
      if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
        Key_TreeView_Change();
        return 0;
      }
      if (header->code == NM_DBLCLK) {
        Key_TreeViewDblClick();
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      SavePlacement();
      DestroyWindow(hwnd_);
      return 0;
    case WM_NCDESTROY: {
      const LRESULT r = TVkWindow::HandleMessage(msg, wp, lp);
      hwnd_ = nullptr;
      tree_ = nullptr;
      status_ = nullptr;
      return r;
    }
  }
  return TVkWindow::HandleMessage(msg, wp, lp);
}
