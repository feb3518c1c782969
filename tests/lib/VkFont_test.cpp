// Font values, their descriptor texts and the platform fonts made of them.
#include <windows.h>

#include <gtest/gtest.h>

#include "lib/VkFuncLib.h"

namespace {
TVkFont MakeFont(const char* name, int size, bool b, bool i, bool u, bool s, std::uint32_t color = ClWindowText) {
  TVkFont f;
  f.Name = name;
  f.Size = size;
  f.Bold = b;
  f.Italic = i;
  f.Underline = u;
  f.StrikeOut = s;
  f.Color = color;
  return f;
}
}  // namespace

TEST(DescriptorToFont, ReadsPiecesUntilABadNumber) {
  struct Case {
    const char* text;
    TVkFont expected;
  } cases[] = {
      {"", MakeFont("Tahoma", 8, false, false, false, false)},
      {"Arial", MakeFont("Arial", 8, false, false, false, false)},
      {"Arial,x,b", MakeFont("Arial", 8, false, false, false, false)},  // stopped at x
      {"Arial,10,B", MakeFont("Arial", 10, false, false, false, false)},  // upper case is ignored
      {"Arial,10,bus", MakeFont("Arial", 10, true, false, true, true)},
      {",12", MakeFont("", 12, false, false, false, false)},  // an empty name is taken as it is
      {"Arial,,b", MakeFont("Arial", 8, false, false, false, false)},  // an empty size does not parse
      {"Arial,$0C", MakeFont("Arial", 12, false, false, false, false)},
      {"Tahoma,8,,$402000", MakeFont("Tahoma", 8, false, false, false, false, 0x402000)},
      {"Tahoma,8,i,$80000008", MakeFont("Tahoma", 8, false, true, false, false, 0x80000008u)},
      {"Tahoma,9,b,zz", MakeFont("Tahoma", 9, true, false, false, false)},  // styles before the bad colour stay
      {"Tahoma,9,,255,junk", MakeFont("Tahoma", 9, false, false, false, false, 255)},
  };
  for (const Case& c : cases) EXPECT_EQ(DescriptorToFont(c.text), c.expected) << c.text;
}

TEST(FontToDescriptor, WritesNameSizeStylesAndColour) {
  const TVkFont plain = MakeFont("Tahoma", 8, false, false, false, false, 0x402000);
  EXPECT_EQ(FontToDescriptor(plain, false), "Tahoma,8,");
  EXPECT_EQ(FontToDescriptor(plain, true), "Tahoma,8,,$402000");
  EXPECT_EQ(FontToDescriptor(MakeFont("X", 9, true, true, true, true, 0xFF), true), "X,9,bius,$0000FF");
  EXPECT_EQ(FontToDescriptor(MakeFont("X", 9, false, false, false, false, 0x80000008u), true), "X,9,,$80000008");
}

TEST(FontDescriptor, RoundTrips) {
  const TVkFont fonts[] = {
      MakeFont("Tahoma", 8, false, false, false, false, 0x402000),
      MakeFont("Courier New", 12, true, true, false, false, 0x0000FF),
      MakeFont("Arial", 10, false, false, true, true, 0x80000005u),
      MakeFont("", 72, true, true, true, true, 0xFFFFFF),
  };
  for (const TVkFont& f : fonts) {
    EXPECT_EQ(DescriptorToFont(FontToDescriptor(f, true)), f) << f.Name;
    TVkFont withoutColour = DescriptorToFont(FontToDescriptor(f, false));
    withoutColour.Color = f.Color;
    EXPECT_EQ(withoutColour, f) << f.Name;
  }
}

TEST(PlatformFont, CarriesNameSizeAndStyles) {
  const TVkFont fonts[] = {
      MakeFont("Tahoma", 8, false, false, false, false),
      MakeFont("Arial", 14, true, true, true, true),
      MakeFont("Courier New", 10, false, true, false, true),
  };
  for (const TVkFont& f : fonts) {
    HFONT handle = CreateFontHandle(f);
    ASSERT_NE(handle, nullptr);
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(handle, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfWeight, f.Bold ? FW_BOLD : FW_NORMAL);
    EXPECT_LT(lf.lfHeight, 0);  // a character height, not a cell height
    EXPECT_EQ(FontFromHandle(handle, f.Color), f) << f.Name;
    DeleteObject(handle);
  }
}

TEST(PlatformFont, IconTitleFont) {
  HFONT handle = CreateIconTitleFont();
  ASSERT_NE(handle, nullptr);
  LOGFONTA expected{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof expected, &expected, 0));
  LOGFONTA lf{};
  ASSERT_EQ(GetObjectA(handle, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, expected.lfFaceName);
  EXPECT_EQ(lf.lfHeight, expected.lfHeight);
  const TVkFont value = FontFromHandle(handle, 0x402000);
  EXPECT_EQ(value.Name, expected.lfFaceName);
  EXPECT_GT(value.Size, 0);
  EXPECT_EQ(value.Color, 0x402000u);
  DeleteObject(handle);
}
