#pragma once
// The rows of the registry pane. The list view is a virtual view of this model.
#include <string>
#include <vector>

// Row images: 0..11 a value of that type, 12 a key (or a root), 13 the parent row.
constexpr int ImageKey = 12;
constexpr int ImageParent = 13;

struct TRegRow {
  std::string Name;
  std::string Size;
  std::string Type;
  std::string Data;
  int Image = 0;
  int ListIndex = 0;  // place in the order the rows were listed (by name)
  bool Cut = false;   // cut into the cut/copy list: shown dimmed until the pane is read again
  // The name holds characters the code page cannot spell: Name is its marked text, which
  // names no item, and commands refuse the row.
  bool Unspellable = false;

  bool IsParent() const { return Image == ImageParent; }
  bool IsKey() const { return Image == ImageKey; }
  bool IsValue() const { return Image != ImageParent && Image != ImageKey; }
  // "Name|Size|Type|Data|Image", for readable test assertions.
  std::string Describe() const;
};

// A command started on a row whose name the code page cannot spell is refused with this
// message: the row's text names no item (or another one), so nothing is done.
void ShowUnspellable(const std::string& name);

class TRegPaneModel {
 public:
  std::vector<TRegRow> Rows;

  int Count() const { return static_cast<int>(Rows.size()); }
  const std::string& Caption(int index) const;
  // First row whose name equals caption by the registry's equality; -1 when none.
  int Find(const std::string& caption) const;
  // True, after the message, when one of the rows is Unspellable (the first one is named).
  bool RefuseUnspellable(const std::vector<int>& rows) const;
  // Orders the rows: the parent row, the key rows as listed, then the value rows by the
  // given column (0 Name, 1 Size as a number, 2 Type, 3 Value Data; any other: as listed).
  // Rows that compare equal stand in their listed order, whatever order they had before.
  void Sort(int sortMethod);
  // The first row from start on (wrapping round) whose name begins with prefix, case
  // ignored; -1 when none does.
  int FindPrefix(const std::string& prefix, int start) const;
};
