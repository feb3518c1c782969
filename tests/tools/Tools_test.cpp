// The key tree window on the real main window against the test registry (lazy expansion
// of a deep tree, status text, jumps, rebuild, placement) and the colour chooser's custom
// colours in the system's colour settings.
#include "commands/Hivelark.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <vector>

#include "lib/VkFuncLib.h"
#include "resource.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "tools/Config.h"
#include "tools/KeyTree.h"
#include "tools/VkColorDlg.h"

namespace {

class KeyTree : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    DeleteFileA(SettingsFileName().c_str());
    ASSERT_TRUE(program.Form().Create());
  }
  void TearDown() override {
    tree.reset();
    RegSandbox::TearDown();
  }
  void Open() {
    tree = std::make_unique<TFormKeyTree>(program.Form());
    ASSERT_TRUE(tree->Create());
  }
  HWND Tree() { return tree->Key_TreeView(); }
  HTREEITEM Child(HTREEITEM parent, const std::string& name) {
    for (HTREEITEM n = TreeView_GetChild(Tree(), parent); n; n = TreeView_GetNextSibling(Tree(), n))
      if (tree->NodeText(n) == name) return n;
    return nullptr;
  }
  int ChildCount(HTREEITEM parent) {
    int count = 0;
    for (HTREEITEM n = TreeView_GetChild(Tree(), parent); n; n = TreeView_GetNextSibling(Tree(), n)) ++count;
    return count;
  }
  bool HasExpandMark(HTREEITEM node) {
    TVITEMA item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = node;
    SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.cChildren != 0;
  }
  // Expands the names of the relative path one by one from HKEY_CURRENT_USER's node.
  HTREEITEM ExpandDown(const std::string& relative) {
    HTREEITEM node = Child(nullptr, "HKEY_CURRENT_USER");
    std::string rest = Path(relative).substr(1);
    while (node && !rest.empty()) {
      TreeView_Expand(Tree(), node, TVE_EXPAND);
      const size_t cut = rest.find('\\');
      node = Child(node, rest.substr(0, cut));
      rest.erase(0, cut + 1);
    }
    return node;
  }
  std::string StatusText() {
    char text[1024] = {};
    SendMessageA(tree->StatusBar1(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }

  THivelark program;
  ScriptedInteraction answers;
  std::unique_ptr<TFormKeyTree> tree;
};

}  // namespace

TEST_F(KeyTree, ExpandsADeepTreeLevelByLevelWithLongNames) {
  // 40 levels, one of them named with the longest key name the platform documents.
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += (i ? "\\" : "") + (i == 20 ? std::string(255, 'n') : "k" + std::to_string(i));
  TVkReg reg;  // the accessor creates long paths piece by piece
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(deep), true));
  reg.CloseKey();
  MakeKey("k0\\sibling");
  Open();
  const HTREEITEM leaf = ExpandDown(deep);
  ASSERT_NE(leaf, nullptr);
  EXPECT_FALSE(HasExpandMark(leaf));
  EXPECT_TRUE(HasExpandMark(TreeView_GetParent(Tree(), leaf)));
  EXPECT_EQ(ChildCount(ExpandDown("k0")), 2);  // k1 and sibling
  TreeView_SelectItem(Tree(), leaf);
  EXPECT_EQ(StatusText(), "HKEY_CURRENT_USER" + Path(deep));
  SendMessageA(Tree(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(program.Form().State().CurRoot, RootCurrentUser);
  EXPECT_EQ(program.Form().State().CurKey, Path(deep));
}

TEST_F(KeyTree, ReadsChildrenOnceUntilCtrlRRebuilds) {
  MakeKey("a\\one");
  Open();
  HTREEITEM a = ExpandDown("a");
  TreeView_Expand(Tree(), a, TVE_EXPAND);
  ASSERT_EQ(ChildCount(a), 1);
  MakeKey("a\\two");
  TreeView_Expand(Tree(), a, TVE_COLLAPSE);
  TreeView_Expand(Tree(), a, TVE_EXPAND);
  EXPECT_EQ(ChildCount(a), 1);
  // A double click on a node whose children are loaded does not navigate.
  const std::string before = program.Form().State().CurKey;
  TreeView_SelectItem(Tree(), a);
  tree->Key_TreeViewDblClick();
  EXPECT_EQ(program.Form().State().CurKey, before);

  SendMessageA(Tree(), WM_KEYDOWN, 'R', 0);  // without Ctrl: the tree's own key
  EXPECT_EQ(ChildCount(ExpandDown("a")), 1);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(Tree(), WM_KEYDOWN, 'R', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  a = ExpandDown("a");
  TreeView_Expand(Tree(), a, TVE_EXPAND);
  EXPECT_EQ(ChildCount(a), 2);
}

TEST_F(KeyTree, SavedPlacementOpensVisibleOnTheWorkArea) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    const char* what;
    int left, top, width, height, state;
  };
  const Case cases[] = {
      {"minimized", 10, 10, 400, 300, 1},
      {"off-screen", -5000, 30000, 400, 300, 0},
      {"zero size", 20, 20, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string ini = SettingsFileName();
    for (auto [key, value] : {std::pair{"Left", c.left}, {"Top", c.top}, {"Width", c.width}, {"Height", c.height},
                              {"State", c.state}})
      WritePrivateProfileStringA("KeyTree.WndProp", key, std::to_string(value).c_str(), ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    Open();
    RECT rc{};
    GetWindowRect(tree->Handle(), &rc);
    EXPECT_TRUE(IsWindowVisible(tree->Handle()));
    EXPECT_FALSE(IsIconic(tree->Handle()));
    EXPECT_GT(rc.right - rc.left, 0);
    EXPECT_GT(rc.bottom - rc.top, 0);
    EXPECT_GE(rc.left, work.left);
    EXPECT_GE(rc.top, work.top);
    EXPECT_LE(rc.right, work.right);
    EXPECT_LE(rc.bottom, work.bottom);
    EXPECT_EQ(rc.right - rc.left, c.width ? c.width : 550);  // no size: the default one
    EXPECT_NE(SendMessageA(tree->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    RECT bar{}, list{};  // the status bar leaves the tree whole
    EXPECT_TRUE(GetWindowRect(tree->StatusBar1(), &bar) && GetWindowRect(Tree(), &list) && list.bottom <= bar.top);
    tree.reset();
  }
}

namespace {

// Keeps the system's custom colours of the test prefix as they were.
class CustomColors : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Appearance", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
    saved_.resize(4096);
    DWORD size = static_cast<DWORD>(saved_.size());
    hadValue_ = RegQueryValueExA(key_, "CustomColors", nullptr, &savedType_, saved_.data(), &size) == ERROR_SUCCESS;
    saved_.resize(size);
  }
  void TearDown() override {
    if (hadValue_)
      RegSetValueExA(key_, "CustomColors", 0, savedType_, saved_.data(), static_cast<DWORD>(saved_.size()));
    else
      RegDeleteValueA(key_, "CustomColors");
    RegCloseKey(key_);
  }
  void Store(DWORD type, const std::vector<BYTE>& data) {
    ASSERT_EQ(RegSetValueExA(key_, "CustomColors", 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  std::vector<BYTE> Stored() {
    std::vector<BYTE> data(256);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegQueryValueExA(key_, "CustomColors", nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return {};
    data.resize(size);
    return data;
  }
  static std::vector<BYTE> Bytes(size_t n, BYTE first) {
    std::vector<BYTE> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<BYTE>(first + i);
    return b;
  }

  HKEY key_ = nullptr;
  bool hadValue_ = false;
  DWORD savedType_ = 0;
  std::vector<BYTE> saved_;
};

}  // namespace

TEST_F(CustomColors, OnlyABinaryValueOfExactly64BytesIsTaken) {
  struct Case {
    DWORD type;
    size_t size;
    bool taken;
  };
  const Case cases[] = {{REG_BINARY, 64, true}, {REG_BINARY, 63, false}, {REG_BINARY, 65, false},
                        {REG_BINARY, 200, false}, {REG_BINARY, 0, false}, {REG_SZ, 64, false}, {REG_NONE, 64, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.size));
    const std::vector<BYTE> data = Bytes(c.size, 1);
    Store(c.type, data);
    TVkColorDlg dlg;
    EXPECT_EQ(dlg.LoadCustomColors(), c.taken);
    std::vector<BYTE> held(64);
    std::memcpy(held.data(), dlg.CustomColors.data(), 64);
    EXPECT_EQ(held, c.taken ? data : std::vector<BYTE>(64, 0xFF));
  }
  RegDeleteValueA(key_, "CustomColors");
  TVkColorDlg missing;
  EXPECT_FALSE(missing.LoadCustomColors());
}

TEST_F(CustomColors, OkStoresTheEditedColoursAndCancelWritesNothing) {
  ScriptedInteraction answers;
  const std::vector<BYTE> original = Bytes(64, 10);
  Store(REG_BINARY, original);

  TVkColorDlg dlg;
  dlg.Color = 0x80000005u;  // the window background: opens on its RGB value
  answers.CustomColorEdits.push_back({3, 0x00112233});
  answers.ColorAnswers.push_back(-1);
  EXPECT_FALSE(dlg.Execute(nullptr));
  EXPECT_EQ(answers.ColorDialogs.at(0), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(dlg.Color, 0x80000005u);
  EXPECT_EQ(Stored(), original);

  answers.CustomColorEdits.push_back({3, 0x00112233});
  answers.ColorAnswers.push_back(0x00ABCDEF);
  EXPECT_TRUE(dlg.Execute(nullptr));
  EXPECT_EQ(dlg.Color, 0x00ABCDEFu);
  std::vector<BYTE> expected = original;
  const COLORREF edited = 0x00112233;
  std::memcpy(expected.data() + 12, &edited, 4);
  EXPECT_EQ(Stored(), expected);
}

TEST(ColorDlg, FullOpenAndPreventFullOpenExcludeEachOther) {
  TVkColorDlg dlg;
  EXPECT_TRUE(dlg.FullOpen());
  dlg.SetPreventFullOpen(true);
  EXPECT_FALSE(dlg.FullOpen());
  dlg.SetFullOpen(false);
  EXPECT_FALSE(dlg.PreventFullOpen());
}

namespace {

// The configuration window on the real main window; HKEY_CLASSES_ROOT\reg is removed after
// each test.
class Config : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(SettingsFileName().c_str());
    ASSERT_TRUE(program.Form().Create());
  }
  void TearDown() override {
    config.reset();
    DeleteTree(HKEY_CLASSES_ROOT, "reg");
  }
  void Open() {
    config = std::make_unique<TFormConfig>(program.Form(), program.Bookmarks());
    ASSERT_TRUE(config->Create());
  }
  void Click(int id) { SendMessageA(config->Control(id), BM_CLICK, 0, 0); }
  static std::string Default(const std::string& key) {
    TVkReg reg;
    reg.Access = KEY_READ;
    if (!reg.OpenPath(RootClassesRoot, key, false)) return "<none>";
    return reg.ReadString("", "<none>");
  }
  TBrowserState& State() { return program.Form().State(); }

  THivelark program;
  ScriptedInteraction answers;
  std::unique_ptr<TFormConfig> config;
};

}  // namespace

TEST_F(Config, SchemeRegistrationIsWrittenReadBackAndRemoved) {
  ASSERT_TRUE(WriteRegProtocol(true, "C:\\Tools\\hivelark.exe"));
  EXPECT_TRUE(RegProtocolEnabled());
  EXPECT_EQ(Default("\\reg"), "URL: Registry Protocol");
  EXPECT_EQ(Default("\\reg\\Shell\\Open\\Command"), "\"C:\\Tools\\hivelark.exe\" \"%1\"");
  EXPECT_EQ(Default("\\reg\\DefaultIcon"), "\"C:\\Tools\\hivelark.exe\",1");
  EXPECT_GE(ExtractIconExA(ProgramFile().c_str(), -1, nullptr, nullptr, 0), 2u);  // the program has that icon
  // The window shows it as present, and OK with the box left unchecked removes it.
  Open();
  EXPECT_EQ(SendMessageA(config->Control(IdcRegProtocol), BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(IdcRegProtocol);
  Click(IDOK);
  EXPECT_FALSE(RegProtocolEnabled());
  EXPECT_EQ(Default("\\reg"), "<none>");
}

TEST_F(Config, OkStoresEverySettingAndTheFileKeepsThem) {
  // Each check box against the setting it edits; every one is flipped.
  struct Box {
    int id;
    bool TSettings::*setting;
  };
  const Box boxes[] = {{IdcGridLines, &TSettings::GridLines},         {IdcBackShowsRoot, &TSettings::BackShowsRoot},
                       {IdcQueryKeyInfo, &TSettings::QueryKeyInfo},   {IdcConstTypeNames, &TSettings::ConstDataNames},
                       {IdcAutoReread, &TSettings::AutoReread},       {IdcAutoClose, &TSettings::AutoClose},
                       {IdcLoadBookMarks, &TSettings::LoadBookMarks}, {IdcSaveBookMarks, &TSettings::SaveBookMarks},
                       {IdcLoadSearchRes, &TSettings::LoadSearchRes}, {IdcSaveSearchRes, &TSettings::SaveSearchRes},
                       {IdcLoadCopyItems, &TSettings::LoadCopyItems}, {IdcSaveCopyItems, &TSettings::SaveCopyItems}};
  State().BackColor = 1;
  State().FontColor = 2;
  State().ListViewFont = "Arial,12,b";
  const TSettings before = State();
  Open();
  for (const Box& b : boxes) Click(b.id);
  SetWindowTextA(config->Control(IdcSndEdit), "C:\\ding.wav");
  SetWindowTextA(config->Control(IdcTypeFmtEdit0 + REG_EXPAND_SZ), "\"%e\"");
  SetWindowTextA(config->Control(IdcTypeFmtEdit0 + REG_QWORD), " %x ");
  Click(IdcHivelarkDef);
  EXPECT_EQ(config->PanelText(), "Tahoma,8,");
  Click(IDOK);
  EXPECT_EQ(config->Handle(), nullptr);  // OK closes

  for (const Box& b : boxes) EXPECT_EQ(State().*b.setting, !(before.*b.setting)) << b.id;
  EXPECT_EQ(State().NotifySnd, "C:\\ding.wav");
  EXPECT_EQ(State().BackColor, 14474440u);
  EXPECT_EQ(State().FontColor, 0x402000u);
  EXPECT_EQ(State().ListViewFont, "Tahoma,8,");
  EXPECT_EQ(State().TypeFmt[REG_EXPAND_SZ], "\"%e\"");

  // Through the settings file and back, quotes and blanks of the patterns included.
  const std::string ini = SettingsFileName();
  ASSERT_TRUE(SaveSettings(ini, State(), false));
  TSettings read;
  LoadSettings(ini, read, 1280, 900);
  for (const Box& b : boxes) EXPECT_EQ(read.*b.setting, State().*b.setting) << b.id;
  EXPECT_EQ(read.NotifySnd, State().NotifySnd);
  EXPECT_EQ(read.BackColor, State().BackColor);
  EXPECT_EQ(read.FontColor, State().FontColor);
  EXPECT_EQ(read.ListViewFont, State().ListViewFont);
  EXPECT_EQ(read.TypeFmt, State().TypeFmt);
}

TEST_F(Config, DefaultThenCancelLeavesThePatternsAndApplyKeepsTheWindowOpen) {
  State().TypeFmt[REG_SZ] = "<%s>";
  Open();
  Click(IdcTypeDefault);
  Click(IDCANCEL);
  EXPECT_EQ(State().TypeFmt[REG_SZ], "<%s>");
  Open();
  Click(IdcTypeDefault);
  Click(IdcApply);
  EXPECT_NE(config->Handle(), nullptr);
  EXPECT_EQ(State().TypeFmt[REG_SZ], DefaultTypeFmt[REG_SZ]);
}

TEST_F(Config, TabWalksThePageBeforeTheButtonsAndCtrlTabSwitchesPages) {
  Open();
  const auto next = [&](int id) { return GetDlgCtrlID(GetNextDlgTabItem(config->Handle(), config->Control(id), FALSE)); };
  EXPECT_TRUE(next(IdcConfigTabs) == IdcGridLines && next(IdcRegProtocol) == IDOK);  // the page, then the buttons
  EXPECT_EQ(SendMessageA(config->Handle(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));  // the default frame
  // Ctrl+Tab and Ctrl+PageDown go to the next page, Tab alone does not.
  EXPECT_TRUE(config->PageKey(VK_TAB, true, false) && config->PageKey(VK_NEXT, true, false) &&
              !config->PageKey(VK_TAB, false, false));
  EXPECT_EQ(SendMessageA(config->Control(IdcConfigTabs), TCM_GETCURSEL, 0, 0), 2);
}
