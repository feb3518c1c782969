#pragma once
// The main window: the title strip and the registry pane over the navigation engine.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "browser/Navigate.h"
#include "browser/RegPaneModel.h"
#include "lib/VkWindow.h"

class TFormHivelark : public TVkWindow, public TNavView {
 public:
  TFormHivelark();
  ~TFormHivelark() override;

  // Creates the window (hidden); false when the platform refuses.
  [[nodiscard]] bool Create();
  // Shows the start location: the command-line path when given, else CurRoot and CurKey.
  void ShowStartLocation(const std::string& commandLinePath);

  TBrowserState& State() { return state_; }
  TRegPaneModel& Model() { return model_; }
  TNavigator& Navigator() { return navigator_; }
  HWND Reg_ListView() const { return list_; }
  HWND PathBar() const { return strip_; }
  // The text the title strip shows at the moment (the location, or a message).
  const std::string& PathBarText() const { return stripText_; }
  std::string PathBarCountText() const;

  // Opens the row as Enter or a double click does: a key, a root or the parent row.
  void ActivateRow(int index);

  // TNavView
  void BeginFill() override;
  void EndFill() override;
  std::string FirstSelectedCaption() override;
  void SelectRow(int index) override;
  void DrawPathBar(const std::string& text) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateChildren();
  void Layout(int width, int height);
  LRESULT OnNotify(const NMHDR& header, LPARAM lp);
  void OnGetDispInfo(NMLVDISPINFOA& info);
  int OnFindItem(const NMLVFINDITEMA& find);
  void PaintStrip(const DRAWITEMSTRUCT& item);

  TBrowserState state_;
  TRegPaneModel model_;
  TNavigator navigator_;
  HWND list_ = nullptr;
  HWND strip_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HFONT stripFont_ = nullptr;
  std::string stripMessage_;  // shown in place of the location while not empty
  std::string stripText_;
};
