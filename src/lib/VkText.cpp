#include "lib/VkText.h"

const char* const LineBreaks[4] = {"", "\r\n", "\n", "\r"};

int LineBreakKind(std::string_view text) {
  std::size_t cr = 0, lf = 0;
  for (char c : text) {
    if (c == '\r') ++cr;
    else if (c == '\n') ++lf;
  }
  if (cr == 0 && lf > 0) return 1;
  if (lf == 0 && cr > 0) return 2;
  if (cr == lf && cr > 0) return 0;
  return -1;
}

static inline unsigned char LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(static_cast<unsigned char>(a[i])) != LowerAscii(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
