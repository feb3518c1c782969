#pragma once
// The navigation engine: the only code that changes the shown location and rebuilds the
// registry pane's rows.
#include <string>
#include <vector>

#include "browser/RegPaneModel.h"
#include "browser/ValueFormat.h"
#include "registry/VkRegistry.h"
#include "settings/Settings.h"

constexpr int HistoryLimit = 64;

// The main window's state, in one place: the settings and the navigation history.
struct TBrowserState : TSettings {
  std::vector<std::string> History;
  int HistoryIndex = -1;

  // The data patterns and the type name choice, as the value formatter takes them.
  TTypeFormats TypeFormats() const;
};

// What the engine needs of the registry pane's window.
class TNavView {
 public:
  virtual ~TNavView() = default;
  // The model is about to be refilled: stop painting.
  virtual void BeginFill() = 0;
  // The model holds its new rows: show them and paint again.
  virtual void EndFill() = 0;
  // Caption of the first selected row, or "" when none is selected.
  virtual std::string FirstSelectedCaption() = 0;
  // Index of the first selected row, or -1.
  virtual int FirstSelectedRow() { return -1; }
  // Selects and focuses the row and scrolls it into view with a few rows above it.
  virtual void SelectRow(int index) = 0;
  // Redraws the title strip; "" is the normal display (location and item count).
  virtual void DrawPathBar(const std::string& text) = 0;
};

// The parent of a key path, ending with "\"; "\" stays "\".
std::string ParentPath(const std::string& path);
// The last name of a key path ("\A\B\" gives "B").
std::string LastKeyName(const std::string& path);
// The key information line of a key or root row; the write time part only on NT.
std::string KeyInfoLine(const KeyInfo& info, bool ntFamily);

class TNavigator {
 public:
  TNavigator(TBrowserState& state, TRegPaneModel& model, TNavView& view);

  // command "CD", "CDUP" or "UPD" (see the callers for the meaning of path).
  void Navigate(const std::string& command, std::string path, bool addToHistory, bool allowRootPrefix);
  // An absolute key path (possibly starting with a root name) for a typed path.
  std::string ResolvePath(const std::string& input) const;
  // Shows the seven roots instead of a key (root-list mode); CurRoot and CurKey stay.
  void ShowRootList();
  // Selects the first row named caption (the registry's equality) of the given kind (0 a key,
  // 1 a value, -1 either; a row of the other kind when none of that kind is named so), else row 0.
  void FocusRow(const std::string& caption, int kind = -1);
  // The kind of row (0 a key, 1 a value) that the next "UPD" selects by its name: a key and a
  // value may share one. An "UPD" without a name keeps the kind of the selected row itself.
  void FocusKindNext(int kind) { focusKind_ = kind; }
  // Long root name followed by CurKey.
  std::string LocationText() const;
  // True while Navigate runs (its messages included), so that nothing starts another.
  bool Busy() const { return busy_ > 0; }
  // Whether the key on show is as it was read: its own last write time and its subkey and
  // value counts (one query). False in the root list and after a failed read.
  bool ShownKeyUnchanged() const;
  // How many times the rows of a key were read, for the checks that a start reads once.
  int Reads() const { return reads_; }

  // Whether the write time is part of key information lines (NT family); tests may change it.
  bool NtFamily;

 private:
  void AddToHistory(const std::string& location);
  void FillKeyRows(TVkReg& reg);
  void FillValueRows(TVkReg& reg);
  void Fallback(const std::string& location);

  TBrowserState& state_;
  TRegPaneModel& model_;
  TNavView& view_;
  int focusKind_ = -1;
  std::vector<TRegName> keyNames_;              // reused lists, so big keys do not reallocate per call
  std::vector<TVkReg::TValueEntry> entries_;
  std::vector<char> data_;          // the listed values' bytes, one after the other
  std::vector<char> large_;         // reused buffer for a value too large to be listed with the rest
  int busy_ = 0;
  int reads_ = 0;
  // What the shown key was like when it was read.
  struct TShown {
    bool Valid = false;
    RootKey Root = 0;
    std::string Key;
    KeyInfo Info;
  } shown_;
};

// Display texts of a row are cut to this many characters: the list shows far fewer, and
// a pattern repeating a long text must not build a huge row.
constexpr std::size_t RowTextLimit = 4096;

// Sorts names in the user's locale order, case ignored (as CompareStringA with NORM_IGNORECASE).
void SortNamesLocale(std::vector<std::string>& names);
