#pragma once
// The value editor: the data of one registry value in one of three text forms (one line,
// lines of a multi-string, or a hexadecimal dump), written back by OK and Apply, exchanged
// with files by Load and Save. The value's type is never changed here.
#include <windows.h>

#include <functional>
#include <string>

#include "editing/ValueText.h"
#include "lib/VkWindow.h"
#include "registry/VkRegistry.h"

class TFormValue : public TVkDialog {
 public:
  TFormValue(RootKey root, std::string keyPath, std::string name);
  ~TFormValue() override;

  // Type names as constants (REG_DWORD) in the caption.
  bool ConstNames = false;
  // Runs after OK or Apply tried to write, so the registry pane shows the data as it is.
  std::function<void()> OnWritten;
  // Texts of this length and longer are shown in the program's own text box, which opens
  // a megabyte at once; shorter ones keep the platform's edit box with its context menu
  // and input methods.
  static constexpr std::size_t LargeText = 4096;
  std::size_t OwnBoxFrom = LargeText;

  // Reads the value and shows it (on opening, and after an Apply that wrote).
  void Fill();
  void OkApply_Cmd(bool apply);
  void Load_Cmd();
  void Save_Cmd();
  void FileName_Cmd();

  // What the last fill read: the type, whether the value could be read, and the form.
  ValueType Type() const { return type_; }
  bool Readable() const { return readable_; }
  TValueMode Mode() const { return mode_; }
  // The box in use: Val_Edit or Val_Rich.
  HWND EditBox() const;

 protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void SetupBoxes();
  // The editing box of the form ready for the text: the platform's box, or the program's
  // own for a long text or one the platform's box faults on, made anew when the kind changes (always when fresh, for the lines
  // box, whose word wrap cannot be switched on a live box).
  HWND PrepareBox(const std::string& text, bool fresh);
  HWND MakeRichBox(bool wrap, bool own);
  // The one-line box id as the platform's box or the own one, made anew when the kind changes.
  HWND RemakeLineBox(int id, bool own);
  // Shows the bytes of a loaded file in the form of the value's type, or as hexadecimal
  // data, with a word why, when that form would not write them back exactly.
  void ShowLoaded(const std::string& file, const std::string& bytes);
  // Switches the editing box to the form (when it differs) and shows the text in it.
  void ShowInForm(TValueMode form, const std::string& text);
  std::string BoxText() const;
  void SetBoxText(const std::string& text);
  // Reads the hex box into bytes; a rejected text is reported (and its first bad
  // character selected) before the status is returned.
  THexParse::TStatus HexBytes(std::string& bytes);
  static LRESULT CALLBACK RichProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  RootKey root_;
  std::string keyPath_;
  std::string name_;
  std::string startFolder_;  // the working directory when the window was made
  ValueType type_ = 0;
  DWORD size_ = 0;
  bool readable_ = false;
  TValueMode mode_ = TValueMode::Hex;
  std::string shownText_;  // the box's text as filled, to tell an edit from none
  bool loaded_ = false;    // a file was loaded since the fill
  bool enlarged_ = false;
  HFONT richFont_ = nullptr;
};

// Opens the value editor modally over owner for the value name of the key keyPath under
// root; refresh runs after each write attempt. Returns the modal result (IDOK, IDCANCEL).
int EditValue_Open(HWND owner, RootKey root, const std::string& keyPath, const std::string& name, bool constNames,
                   const std::function<void()>& refresh);
