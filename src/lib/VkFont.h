#pragma once
// The font as the program keeps it (a plain value; CreateFontHandle in VkFuncLib.h makes
// the platform font of it) and its one-line descriptor text "name,size,styles,$colour",
// for example "Tahoma,8,,$402000".
#include <cstdint>
#include <string>
#include <string_view>

// The system colour "window text" (0x80000000 + COLOR_WINDOWTEXT), the colour of a new font.
constexpr std::uint32_t ClWindowText = 0x80000008u;

struct TVkFont {
  std::string Name = "Tahoma";
  int Size = 8;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  std::uint32_t Color = ClWindowText;  // 0x00BBGGRR, or a system colour 0x800000nn

  bool operator==(const TVkFont&) const = default;
};

// "name,size," + the style letters b, i, u, s of the styles that are on; withColor adds
// ",$" + the colour in upper-case hex of at least 6 digits. Tahoma 8 plain gives "Tahoma,8,".
std::string FontToDescriptor(const TVkFont& font, bool withColor);

// Reads a descriptor into a new font (Tahoma 8 plain, window-text colour, for what is not
// given). The name is taken as it is, even when empty; the size and colour are decimal or
// "$" hex; lower-case b, i, u, s anywhere in the third piece turn styles on. Reading stops
// at the first number that does not parse, keeping what was set before it.
TVkFont DescriptorToFont(std::string_view descriptor);
