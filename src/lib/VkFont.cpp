#include "lib/VkFont.h"

#include <vector>

#include "lib/VkText.h"

std::string FontToDescriptor(const TVkFont& font, bool withColor) {
  std::string text = font.Name + "," + std::to_string(font.Size) + ",";
  if (font.Bold) text += 'b';
  if (font.Italic) text += 'i';
  if (font.Underline) text += 'u';
  if (font.StrikeOut) text += 's';
  if (withColor) {
    static const char hex[] = "0123456789ABCDEF";
    std::string digits;
    std::uint32_t c = font.Color;
    do {
      digits.insert(digits.begin(), hex[c & 0xFu]);
      c >>= 4;
    } while (c != 0);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    text += ",$" + digits;
  }
  return text;
}

TVkFont DescriptorToFont(std::string_view descriptor) {
  TVkFont font;
  const std::vector<std::string> pieces = SplitText(descriptor, CharSetOf(","));
  if (pieces.size() > 0) font.Name = pieces[0];
  if (pieces.size() > 1) {
    std::int32_t size = 0;
    if (!ParseIntText(pieces[1], size)) return font;
    font.Size = size;
  }
  if (pieces.size() > 2) {
    for (char c : pieces[2]) {
      if (c == 'b') font.Bold = true;
      else if (c == 'i') font.Italic = true;
      else if (c == 'u') font.Underline = true;
      else if (c == 's') font.StrikeOut = true;
    }
  }
  if (pieces.size() > 3) {
    std::int32_t color = 0;
    if (!ParseIntText(pieces[3], color)) return font;
    font.Color = static_cast<std::uint32_t>(color);
  }
  return font;
}
