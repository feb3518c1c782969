// The INI store over the real profile functions: integer and boolean conversions, the
// values of any length, the encodings written, and the flush on destruction.
#include "settings/VkIni.h"

#include <gtest/gtest.h>

#include "IniFileTest.h"

using VkIniTest = IniFileTest;

TEST_F(VkIniTest, ReadIntegerAcceptsDecimalAndDollarHexElseDefault) {
  WriteFileText(
      "[N]\r\nHex=$1F\r\nLower=$ff\r\nNeg=-7\r\nPlus=+12\r\nAllOnes=$FFFFFFFF\r\nJunk=12abc\r\nEmpty=\r\n"
      "Dollar=$\r\nTooBig=2147483648\r\nLowest=-2147483648\r\nNineDigits=$123456789\r\nQuotedBlank=\"  42\"\r\n");
  const TVkIni ini(Path());
  EXPECT_EQ(ini.ReadInteger("N", "Hex", 5), 31);
  EXPECT_EQ(ini.ReadInteger("n", "LOWER", 5), 255);  // sections and keys ignore case
  EXPECT_EQ(ini.ReadInteger("N", "Neg", 5), -7);
  EXPECT_EQ(ini.ReadInteger("N", "Plus", 5), 12);
  EXPECT_EQ(ini.ReadInteger("N", "AllOnes", 5), -1);
  EXPECT_EQ(ini.ReadInteger("N", "Lowest", 5), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "QuotedBlank", 5), 42);  // leading blanks skipped
  for (const char* key : {"Junk", "Empty", "Dollar", "TooBig", "NineDigits", "Missing"})
    EXPECT_EQ(ini.ReadInteger("N", key, 5), 5) << key;
  EXPECT_EQ(ini.ReadInteger("NoSection", "Hex", -3), -3);
}

TEST_F(VkIniTest, ReadBoolUsesTheLowByteAndDefaultsOnlyWhenNoNumber) {
  WriteFileText("[B]\r\nZero=0\r\nOne=1\r\nTwo=2\r\nHigh=256\r\nText=yes\r\n");
  const TVkIni ini(Path());
  EXPECT_FALSE(ini.ReadBool("B", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("B", "One", false));
  EXPECT_TRUE(ini.ReadBool("B", "Two", false));
  EXPECT_FALSE(ini.ReadBool("B", "High", true));
  EXPECT_TRUE(ini.ReadBool("B", "Text", true));
  EXPECT_FALSE(ini.ReadBool("B", "Text", false));
  EXPECT_TRUE(ini.ReadBool("B", "Missing", true));
}

TEST_F(VkIniTest, ReadStringGivesValuesOfAnyLength) {
  std::string file = "[S]\r\nShort=abc\r\n";
  const std::size_t lengths[] = {4094, 4095, 4096, 8191, 8192, 100000};
  for (const std::size_t n : lengths) file += "L" + std::to_string(n) + "=" + std::string(n - 1, 'a') + "b\r\n";
  WriteFileText(file);
  const TVkIni ini(Path());
  for (const std::size_t n : lengths) EXPECT_EQ(ini.ReadString("S", "L" + std::to_string(n), ""), std::string(n - 1, 'a') + "b");
  EXPECT_EQ(ini.ReadString("S", "Short", "x"), "abc");
  EXPECT_EQ(ini.ReadString("S", "Missing", "def"), "def");
  // Defaults come back as given, not stripped like the file's values.
  EXPECT_EQ(ini.ReadString("S", "Missing", "\"%e\""), "\"%e\"");
  EXPECT_EQ(ini.ReadString("S", "Missing", " x "), " x ");
  EXPECT_EQ(ini.ReadString("Missing", "Short", "'y'"), "'y'");
}

TEST_F(VkIniTest, WritesDecimalDollarHexBooleansAndEmptyValues) {
  {
    const TVkIni ini(Path());
    EXPECT_TRUE(ini.WriteInteger("W", "MinusOne", -1));
    EXPECT_TRUE(ini.WriteInteger("W", "MinusOneHex", -1, true));
    EXPECT_TRUE(ini.WriteInteger("W", "Hex", 0x00FF0010, true));
    EXPECT_TRUE(ini.WriteInteger("W", "ZeroHex", 0, true));
    EXPECT_TRUE(ini.WriteInteger("W", "Lowest", INT32_MIN));
    EXPECT_TRUE(ini.WriteBool("W", "True", true));
    EXPECT_TRUE(ini.WriteBool("W", "False", false));
    EXPECT_TRUE(ini.WriteString("W", "Empty", "something"));
    EXPECT_TRUE(ini.WriteString("W", "Empty", ""));
    EXPECT_EQ(ini.ReadString("W", "Empty", "def"), "");  // the key stays, with an empty value
    EXPECT_EQ(ini.ReadInteger("W", "MinusOneHex", 0), -1);
  }
  // The destructor flushed: the bytes are on disk without an explicit flush here.
  EXPECT_EQ(FileText(),
            "[W]\r\nMinusOne=-1\r\nMinusOneHex=$FFFFFFFF\r\nHex=$FF0010\r\nZeroHex=$0\r\nLowest=-2147483648\r\n"
            "True=1\r\nFalse=0\r\nEmpty=\r\n");
}
