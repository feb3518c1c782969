#pragma once
// The data type chooser: the twelve value types in a list, one of them or any set of them
// chosen. Callers use ChooseDataType, which goes through the interaction seam.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "lib/VkWindow.h"
#include "settings/Settings.h"

class TFormSelect : public TVkDialog {
 public:
  // The list takes the colours, the font and the data patterns of settings.
  explicit TFormSelect(const TSettings& settings);
  ~TFormSelect() override;

  // Set before the window is made: caption, the incoming choice (a type code, or a mask
  // with bit i for type i) and the mode.
  std::string Caption = "Select Data Type";
  int Choice = 0;
  bool MultiSelect = false;

  HWND Type_ListView() const;
  // OK: takes the choice from the list and closes with IDOK.
  void Ok_Cmd();

 protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void FillRows();
  void ShowChoice();
  static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  const TSettings& settings_;
  HIMAGELIST images_ = nullptr;
  HFONT font_ = nullptr;
};

// Asks for a data type (single) or a set of data types (multiSelect, choice a mask) under
// caption. True with the new choice on OK; otherwise choice is left as it was.
bool ChooseDataType(const std::string& caption, int& choice, bool multiSelect, const TSettings& settings);
