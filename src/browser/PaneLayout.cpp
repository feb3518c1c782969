#include "browser/PaneLayout.h"

#include <algorithm>

TPaneSplit SplitPanes(int clientHeight, int bookmarkHeight, bool bookmarkVisible) {
  const int height = std::max(0, clientHeight);
  if (!bookmarkVisible) return {height, 0};
  int bmk;
  if (height >= MinRegPaneHeight + MinBmkPaneHeight)
    bmk = std::clamp(bookmarkHeight, MinBmkPaneHeight, height - MinRegPaneHeight);
  else
    bmk = std::clamp(height * 2 / 5, std::min(17, height), height);
  return {height - bmk, bmk};
}

std::string FitLocationText(const std::string& full, const std::string& shortForm, int width,
                            const std::function<int(const std::string&)>& measure) {
  if (measure(full) <= width) return full;
  if (measure(shortForm) <= width) return shortForm;
  // The longest tail that fits behind the ellipsis; the width grows with the tail, so the
  // cut is found by halving.
  std::size_t lo = 0, hi = shortForm.size();  // tails of length lo fit, longer ones are tried
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (measure("..." + shortForm.substr(shortForm.size() - mid)) <= width) lo = mid;
    else hi = mid - 1;
  }
  return "..." + shortForm.substr(shortForm.size() - lo);
}
