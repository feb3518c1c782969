#include "browser/RegPaneModel.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "lib/VkText.h"

std::string TRegRow::Describe() const {
  return Name + "|" + Size + "|" + Type + "|" + Data + "|" + std::to_string(Image);
}

const std::string& TRegPaneModel::Caption(int index) const {
  static const std::string none;
  return (index >= 0 && index < Count()) ? Rows[static_cast<std::size_t>(index)].Name : none;
}

int TRegPaneModel::Find(const std::string& caption) const {
  for (int i = 0; i < Count(); ++i)
    if (Rows[i].Name.size() == caption.size() &&
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Rows[i].Name.data(), static_cast<int>(Rows[i].Name.size()),
                       caption.data(), static_cast<int>(caption.size())) == CSTR_EQUAL)
      return i;
  return -1;
}

static unsigned long long SizeNumber(const std::string& size) {
  // The Size text read as a number behind a leading "0": empty counts as 0.
  return std::strtoull(("0" + size).c_str(), nullptr, 10);
}

void TRegPaneModel::Sort(int sortMethod) {
  if (sortMethod < 0 || sortMethod > 3) return;
  auto firstValue = std::find_if(Rows.begin(), Rows.end(), [](const TRegRow& r) { return r.IsValue(); });
  auto less = [sortMethod](const TRegRow& a, const TRegRow& b) {
    switch (sortMethod) {
      case 0: return CompareTextAscii(a.Name, b.Name) < 0;
      case 1: return SizeNumber(a.Size) < SizeNumber(b.Size);
      case 2: return CompareTextAscii(a.Type, b.Type) < 0;
      default: return CompareTextAscii(a.Data, b.Data) < 0;
    }
  };
  if (std::is_sorted(firstValue, Rows.end(), less)) return;
  std::stable_sort(firstValue, Rows.end(), less);
}
