#pragma once
// The key/value information window: what the registry reports about one key, root or
// value, each value text copied to the clipboard by a click on it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "lib/VkWindow.h"
#include "registry/VkRegistry.h"

// One line of the window; a line with an empty name is a blank line.
struct TInfoLine {
  std::string Name;
  std::string Value;
  bool operator==(const TInfoLine&) const = default;
};

// The lines of a key or root (rootList: a root of the root list, without the root and
// path lines); lastWrite is the formatted last write time, "" for none.
std::vector<TInfoLine> KeyInfoLines(const KeyInfo& info, bool rootList, RootKey root, const std::string& keyPath,
                                    const std::string& lastWrite);
// The lines of a value with its data as read; expanded is the expanded text of a
// REG_EXPAND_SZ (unused for other types).
std::vector<TInfoLine> ValueInfoLines(RootKey root, const std::string& keyPath, ValueType type, std::string_view data,
                                      const std::string& expanded);
// The single line of an item that cannot be described.
std::vector<TInfoLine> ErrorInfoLines(const std::string& why);
// "$" and eight upper-case hexadecimal digits.
std::string CrcText(std::uint32_t crc);
// The local time as the locale's long date, " - ", the locale's long time.
std::string LongDateTimeText(const FILETIME& localTime);

class TFormInfo : public TVkDialog {
 public:
  TFormInfo();
  ~TFormInfo() override;

  // Reads the item (before the window is made): root with keyPath and name, a subkey or a
  // value of that key; rootList describes the root itself.
  void ShowInfo(RootKey root, const std::string& keyPath, const std::string& name, bool rootList);

  const std::vector<TInfoLine>& Lines() const { return lines_; }
  const std::string& ItemName() const { return itemName_; }
  // The value label of line i (0-based, blank lines counted), or null.
  HWND ValueLabel(std::size_t line) const;
  // The hint of the value label of line i.
  std::string Hint(std::size_t line) const;
  // Puts the value of line i on the clipboard, as a click on it does.
  void CopyValue(std::size_t line) const;

 protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void AddLabels();

  std::vector<TInfoLine> lines_;
  std::string itemName_ = "n/a";
  int image_ = -1;           // index in the row images, or -1
  bool errorImage_ = false;  // the error sign of the menu images
  HIMAGELIST images_ = nullptr;
  HFONT bold_ = nullptr;
  HWND tip_ = nullptr;
};

// Shows the information window modally over owner.
void KeyValueInfo_Open(HWND owner, RootKey root, const std::string& keyPath, const std::string& name, bool rootList);
