#pragma once
// TVkColorDlg: the common colour dialog with a caption of its own, centred on the screen,
// sharing its sixteen custom colours with the system's colour settings
// (HKEY_CURRENT_USER\Control Panel\Appearance, value "CustomColors").
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

class TVkColorDlg {
 public:
  TVkColorDlg() { CustomColors.fill(0xFFFFFFFFu); }

  std::uint32_t Color = 0;  // preset on opening (may be a system colour); the choice after OK
  std::string Caption = "Choose Color";
  bool UseSystemColors = true;
  bool SolidColor = false;
  bool AnyColor = true;

  bool FullOpen() const { return fullOpen_; }
  bool PreventFullOpen() const { return preventFullOpen_; }
  // The two exclude each other: setting either clears the other.
  void SetFullOpen(bool on) { fullOpen_ = on; preventFullOpen_ = false; }
  void SetPreventFullOpen(bool on) { preventFullOpen_ = on; fullOpen_ = false; }

  // Shows the dialog modally over owner (the seam's ChooseColor); true on OK, and then
  // Color holds the chosen plain RGB value. With UseSystemColors the custom colours are
  // read from the system first and, after OK only, written back.
  bool Execute(HWND owner);
  // Reads the system's custom colours; only a REG_BINARY value of exactly 64 bytes is
  // taken, anything else leaves the colours held unchanged. True when taken.
  bool LoadCustomColors();
  // Writes the sixteen colours back as REG_BINARY; true on success.
  bool SaveCustomColors() const;

  std::array<COLORREF, 16> CustomColors;

 private:
  bool fullOpen_ = true;
  bool preventFullOpen_ = false;
};

// A colour value as drawn: system colour values (0x800000nn) resolved to their RGB value.
COLORREF ResolveColor(std::uint32_t color);
