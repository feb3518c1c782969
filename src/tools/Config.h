#pragma once
// The configuration window: the display and behaviour settings the main window holds, the
// per-type data patterns, the list font and colours, and the registration of the program
// as the handler of reg:// links. OK and Apply store into the main window's state and
// refresh the panes; the settings file is written later by the main window.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "bookmarks/BookmarkPane.h"
#include "browser/CommandHost.h"
#include "lib/VkFont.h"
#include "lib/VkWindow.h"
#include "registry/VkRegistry.h"
#include "tools/VkColorDlg.h"

// Control ids of the configuration window.
enum TConfigId : int {
  IdcConfigTabs = 3000,
  IdcGridLines, IdcBackShowsRoot, IdcQueryKeyInfo, IdcConstTypeNames, IdcAutoReread, IdcRegProtocol,
  IdcSndEdit, IdcSndPlay, IdcSndStop, IdcSndBrowse,
  IdcListViewPanel, IdcChangeFont, IdcBackColor, IdcTextColor, IdcSysFont, IdcWindowsDef, IdcHivelarkDef,
  IdcAutoClose, IdcLoadBookMarks, IdcSaveBookMarks, IdcLoadSearchRes, IdcSaveSearchRes, IdcLoadCopyItems,
  IdcSaveCopyItems,
  IdcTypeHelp, IdcTypeDefault,
  IdcApply,
  IdcTypeFmtEdit0 = 3100,  // + type code
};

// Whether HKEY_CLASSES_ROOT\reg opens for reading and holds the value "URL Protocol".
bool RegProtocolEnabled();
// Deletes HKEY_CLASSES_ROOT\reg with everything below it and, when enabled, writes it anew
// for programPath. Silent; true when the registry ends as asked.
bool WriteRegProtocol(bool enable, const std::string& programPath);
// The full path of the program file.
std::string ProgramFile();

class TFormConfig : public TVkWindow {
 public:
  TFormConfig(TCommandHost& host, TBookmarkPane& bookmarks) : host_(host), bookmarks_(bookmarks) {}
  ~TFormConfig() override;

  // Creates and shows the window without running it modally.
  [[nodiscard]] bool Create();
  void ShowModal();

  // A control of the window or of the Type Format page's scroll box.
  HWND Control(int id) const;
  std::string PanelText() const;

  // OK (close) or Apply.
  void OkApply_Cmd(bool close);
  void Cancel_Cmd();
  void ChangeColor_Cmd(int tag);
  void ChangeFont_Cmd();
  void SysFont_Cmd();
  void DefColor_Cmd(int tag);
  void SndBrowse_Cmd();
  void SndPlayStop_Cmd(int tag);
  void Default_BtnClick();
  void Help_Cmd();
  void ShowFontText();
  void ShowPage(int page);
  // Ctrl+Tab and Ctrl+PageDown go to the next page, Ctrl+Shift+Tab and Ctrl+PageUp to the
  // previous one; true when the key with those modifiers switched the page.
  bool PageKey(WPARAM key, bool ctrl, bool shift);

  TVkColorDlg VkColorDlg1;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND Add(int page, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id);
  HWND Check(int page, int id, const char* text, int x, int y, int w = 300);
  bool Checked(int id) const;
  void SetChecked(int id, bool on);
  std::string Text(int id) const;
  void ApplyPanelFont();

  TCommandHost& host_;
  TBookmarkPane& bookmarks_;
  std::array<std::vector<HWND>, 5> pages_;
  TVkFont font_;
  std::uint32_t backColor_ = 0;
  HFONT panelFont_ = nullptr;
  HFONT uiFont_ = nullptr;
  HBRUSH panelBrush_ = nullptr;
  HBRUSH editBrush_ = nullptr;
  HBRUSH pageBrush_ = nullptr;
  COLORREF pageColour_ = 0;
  HWND typeBox_ = nullptr;  // the Type Format page's scroll box
  HIMAGELIST images_ = nullptr;
};
