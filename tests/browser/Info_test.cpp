// The key/value information window: its lines as data, and the real dialog on the
// registry sandbox.
#include "browser/Info.h"

#include <gtest/gtest.h>

#include <memory>

#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

std::string Joined(const std::vector<TInfoLine>& lines) {
  std::string s;
  for (const TInfoLine& l : lines) s += l.Name.empty() ? "-\n" : l.Name + "=" + l.Value + "\n";
  return s;
}

std::string Clipboard() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<closed>";
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text = p;
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

TEST(InfoLines, ValueLinesWithChecksums) {
  struct Case {
    ValueType type;
    std::string data;
    const char* tail;
  } cases[] = {
      {1, "123456789\0"s,
       "Data Size=10 bytes\n-\nData Type=1\nData Type Name=String\nData Type Constant Name=REG_SZ\n-\n"
       "CRC-32 of the Raw Data=$00C49E49\nCRC-32 of the String Data=$CBF43926\n"},
      {1, ""s,
       "Data Size=0 bytes\n-\nData Type=1\nData Type Name=String\nData Type Constant Name=REG_SZ\n-\n"
       "CRC-32 of the Raw Data=$00000000\n"},
      {20, "123456789"s, "Data Size=9 bytes\n-\nData Type=20\n-\nCRC-32 of the Raw Data=$CBF43926\n"},
      {7, "123\0" "456789\0\0"s,
       "Data Size=12 bytes\n-\nData Type=7\nData Type Name=MultiString\nData Type Constant Name=REG_MULTI_SZ\n-\n"
       "CRC-32 of the Raw Data=$23402EE7\nCRC-32 of the String Data=$8C78D36B\n"},
      {2, "%X%\0"s,
       "Data Size=4 bytes\n-\nData Type=2\nData Type Name=Expanded\nData Type Constant Name=REG_EXPAND_SZ\n-\n"
       "Expanded String=expanded\nCRC-32 of the Raw Data=$3CF42FFF\nCRC-32 of the String Data=$F8A15E02\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Joined(ValueInfoLines(RootCurrentUser, "\\K\\", c.type, c.data, "expanded")),
              "Root Name=HKEY_CURRENT_USER\nKey Path=\\K\\\n-\n"s + c.tail)
        << c.type;
  }
  EXPECT_EQ(CrcText(Crc32("123\r\n456789")), "$8C78D36B");
  EXPECT_EQ(CrcText(Crc32("%X%")), "$F8A15E02");
}

TEST(InfoLines, KeyLines) {
  KeyInfo info;
  info.NumSubKeys = 3;
  info.NumValues = 4;
  info.MaxSubKeyLen = 5;
  info.MaxClassLen = 6;
  info.MaxValueNameLen = 7;
  info.MaxDataLen = 8;
  const std::string body =
      "Number of Subkeys=3\nNumber of Values=4\n-\nMax Subkey Length=5\nMax Class Length=6\nMax Value Length=7\n"
      "Max Data Size in Subkeys=8 bytes\n";
  EXPECT_EQ(Joined(KeyInfoLines(info, false, RootLocalMachine, "\\A\\", "")),
            "Root Name=HKEY_LOCAL_MACHINE\nKey Path=\\A\\\n-\n" + body);
  EXPECT_EQ(Joined(KeyInfoLines(info, true, RootLocalMachine, "\\", "when")), body + "-\nLast Write Time=when\n");
}

class InfoWindowTest : public RegSandbox {
 protected:
  void Show(RootKey root, const std::string& keyPath, const std::string& name, bool rootList = false) {
    form = std::make_unique<TFormInfo>();
    form->ShowInfo(root, keyPath, name, rootList);
    ASSERT_TRUE(form->Create(nullptr));
  }
  std::string Names() const {
    std::string s;
    for (const TInfoLine& l : form->Lines()) s += (l.Name.empty() ? "-" : l.Name) + "|";
    return s;
  }
  std::unique_ptr<TFormInfo> form;
};

TEST_F(InfoWindowTest, DescribesKeysBeforeValuesAndNamesWithBackslashesAsValues) {
  MakeKey("same");
  MakeValue("", "same", REG_SZ, "v\0"s);
  MakeKey("a\\b");
  MakeValue("", "a\\b", REG_BINARY, "\1\2");
  Show(RootCurrentUser, Path(), "same");
  EXPECT_EQ(Names().substr(0, 28), "Root Name|Key Path|-|Number ");
  Show(RootCurrentUser, Path(), "a\\b");
  EXPECT_EQ(form->Lines()[3], (TInfoLine{"Data Size", "2 bytes"}));
  Show(RootCurrentUser, Path(), "gone");
  EXPECT_EQ(Joined(form->Lines()), "Registry Error=The key or value does not exist\n");
  RECT rc;
  GetClientRect(form->Handle(), &rc);
  EXPECT_EQ(rc.right, 415);
  EXPECT_EQ(rc.bottom, 1 * 16 + 56);
}

TEST_F(InfoWindowTest, ParentRowAndRootList) {
  MakeKey("child");
  // The parent row: the current key described by its last name under its parent's path.
  Show(RootCurrentUser, Path(), "child");
  EXPECT_EQ(form->ItemName(), "child");
  EXPECT_EQ(form->Lines()[1], (TInfoLine{"Key Path", Path()}));
  Show(RootLocalMachine, "\\", "", true);
  EXPECT_EQ(form->ItemName(), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(form->Lines()[0].Name, "Number of Subkeys");
  char name[64];
  GetDlgItemTextA(form->Handle(), IDC_INFO_NAME, name, sizeof name);
  EXPECT_STREQ(name, "HKEY_LOCAL_MACHINE");
}

TEST_F(InfoWindowTest, LongTextsHaveTheirLine) {
  for (std::size_t size : {40000u, 1u << 20}) {  // too long to expand: the text is shown as it is
    MakeValue("", "long", REG_EXPAND_SZ, std::string(size, 'x') + "%PATH%" + '\0');
    Show(RootCurrentUser, Path(), "long");
    EXPECT_EQ(form->Lines()[9], (TInfoLine{"Expanded String", std::string(size, 'x') + "%PATH%"}));
    EXPECT_GT(GetWindowTextLengthA(form->ValueLabel(9)), 100) << size;
  }
}

TEST_F(InfoWindowTest, ValueLabelsCopyTheirTextAndCarryAHint) {
  MakeValue("", "check", REG_SZ, "123456789\0"s);
  Show(RootCurrentUser, Path(), "check");
  const std::vector<TInfoLine>& lines = form->Lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[10], (TInfoLine{"CRC-32 of the String Data", "$CBF43926"}));
  RECT rc;
  GetClientRect(form->Handle(), &rc);
  EXPECT_EQ(rc.bottom, 11 * 16 + 56);
  HWND label = form->ValueLabel(10);
  ASSERT_TRUE(label);
  RECT lr;
  GetWindowRect(label, &lr);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&lr), 2);
  EXPECT_EQ(lr.top, 11 * 16 + 28);
  EXPECT_EQ(lr.right, 403);  // right-aligned at the end of the value area
  HWND name = GetDlgItem(form->Handle(), GetDlgCtrlID(label) - 1);
  RECT nr;
  GetWindowRect(name, &nr);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&nr), 2);
  EXPECT_EQ(nr.left, 18);
  EXPECT_LE(nr.right, lr.left);  // the long name is not covered by its value
  EXPECT_EQ(form->Hint(10), "Copy Value (Length = 9)\r\n\"$CBF43926\"");
  EXPECT_EQ(form->ValueLabel(2), nullptr);  // a blank line has no label
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
               reinterpret_cast<LPARAM>(label));
  EXPECT_EQ(Clipboard(), "$CBF43926");
  SendMessageA(form->Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(form->ModalResult(), IDCANCEL);
}

}  // namespace
