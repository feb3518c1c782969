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
