#include "browser/RegPaneModel.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "lib/VkFuncLib.h"
#include "lib/VkText.h"
#include "registry/RegNames.h"

std::string TRegRow::Describe() const {
  return Name + "|" + Size + "|" + Type + "|" + Data + "|" + std::to_string(Image);
}

const std::string& TRegPaneModel::Caption(int index) const {
  static const std::string none;
  return (index >= 0 && index < Count()) ? Rows[static_cast<std::size_t>(index)].Name : none;
}

int TRegPaneModel::Find(const std::string& caption) const {
  for (int i = 0; i < Count(); ++i)
    if (SameRegName(Rows[static_cast<std::size_t>(i)].Name, caption)) return i;
  return -1;
}

void ShowUnspellable(const std::string& name) {
  ShowPlainMsg("The name of this item holds characters that the system's code page cannot spell (shown as "
               "{U+...}):\r\n\r\n\"" + name + "\"\r\n\r\nHivelark cannot name it exactly, so it leaves it as it is.",
               "Hivelark", MsgError);
}

bool TRegPaneModel::RefuseUnspellable(const std::vector<int>& rows) const {
  for (int i : rows) {
    if (i < 0 || i >= Count() || !Rows[static_cast<std::size_t>(i)].Unspellable) continue;
    ShowUnspellable(Rows[static_cast<std::size_t>(i)].Name);
    return true;
  }
  return false;
}

static unsigned long long SizeNumber(const std::string& size) {
  // The Size text read as a number behind a leading "0": empty counts as 0.
  return std::strtoull(("0" + size).c_str(), nullptr, 10);
}

void TRegPaneModel::Sort(int sortMethod) {
  auto firstValue = std::find_if(Rows.begin(), Rows.end(), [](const TRegRow& r) { return r.IsValue(); });
  auto less = [sortMethod](const TRegRow& a, const TRegRow& b) {
    int c = 0;
    switch (sortMethod) {
      case 0: c = CompareTextAscii(a.Name, b.Name); break;
      case 1: {
        const unsigned long long x = SizeNumber(a.Size), y = SizeNumber(b.Size);
        c = x < y ? -1 : (x > y ? 1 : 0);
        break;
      }
      case 2: c = CompareTextAscii(a.Type, b.Type); break;
      case 3: c = CompareTextAscii(a.Data, b.Data); break;
      default: break;
    }
    return c != 0 ? c < 0 : a.ListIndex < b.ListIndex;
  };
  if (std::is_sorted(firstValue, Rows.end(), less)) return;
  std::sort(firstValue, Rows.end(), less);
}

int TRegPaneModel::FindPrefix(const std::string& prefix, int start) const {
  const int count = Count();
  if (count == 0 || prefix.empty()) return -1;
  if (start < 0 || start >= count) start = 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    const std::string& name = Rows[static_cast<std::size_t>(i)].Name;
    if (name.size() >= prefix.size() &&
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), static_cast<int>(prefix.size()),
                       prefix.data(), static_cast<int>(prefix.size())) == CSTR_EQUAL)
      return i;
  }
  return -1;
}
