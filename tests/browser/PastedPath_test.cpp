// Registry paths as users paste them: every accepted form and the refusals, then the jump
// itself on the real window, from the real clipboard.
#include "browser/PastedPath.h"

#include <commctrl.h>

#include "browser/Main.h"
#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

TEST(PastedPath, EveryFormAndTheRefusals) {
  struct Case {
    const char* text;
    bool relative;
    const char* root;  // "" for none, "*" for the root list, "-" refused
    const char* path;
  };
  const Case cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\X", false, "HKEY_LOCAL_MACHINE", "Software\\X"},
      {"Computer\\HKEY_CURRENT_USER\\Software", false, "HKEY_CURRENT_USER", "Software"},
      {"computer", false, "*", ""},
      {"Computer\\", false, "*", ""},
      {"HKLM:\\Software\\X", false, "HKEY_LOCAL_MACHINE", "Software\\X"},
      {"HKCU:", false, "HKEY_CURRENT_USER", ""},
      {"Registry::HKEY_USERS\\.DEFAULT", false, "HKEY_USERS", ".DEFAULT"},
      {"Microsoft.PowerShell.Core\\Registry::HKCR\\.txt", false, "HKEY_CLASSES_ROOT", ".txt"},
      {"[HKEY_CURRENT_USER\\Software\\X]", false, "HKEY_CURRENT_USER", "Software\\X"},
      {"[-HKEY_CURRENT_USER\\Software\\X] ; gone", false, "HKEY_CURRENT_USER", "Software\\X"},
      {"\"HKCU\\Software\\X\\\"", false, "HKEY_CURRENT_USER", "Software\\X\\"},
      {"HKCU\\Software\\X\"", false, "HKEY_CURRENT_USER", "Software\\X"},  // a command line's \" end
      {"  HKCU/Software/X  ", false, "HKEY_CURRENT_USER", "Software\\X"},
      {"reg://HKLM/Software", false, "HKEY_LOCAL_MACHINE", "Software"},
      {"\r\n\r\n  HKCU\\A\r\nHKLM\\B\r\n", false, "HKEY_CURRENT_USER", "A"},
      {"Sub\\Deeper", true, "", "Sub\\Deeper"},
      {"\\Software", true, "", "\\Software"},
      {"Sub\\Deeper", false, "-", ""},
      {"hello world", false, "-", ""},
      {"", true, "-", ""},
      {"  \r\n ", true, "-", ""},
      {"[HKCU\\Software", false, "-", ""},
  };
  for (const Case& c : cases) {
    TPastedPath p;
    const bool ok = ParsePastedPath(c.text, c.relative, p);
    EXPECT_EQ(ok, std::string(c.root) != "-") << c.text;
    if (!ok) continue;
    EXPECT_EQ(p.RootList, std::string(c.root) == "*") << c.text;
    if (!p.RootList) EXPECT_EQ(RootName(p.Root), std::string(c.root)) << c.text;
    if (!p.RootList) EXPECT_EQ(p.Path, c.path) << c.text;
  }
}

namespace {
class Jump : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    RemoveProgramFiles();
    ASSERT_TRUE(form.Create());
  }
  std::string Shown() {
    const int i = ListView_GetNextItem(form.Reg_ListView(), -1, LVNI_SELECTED);
    const std::string row = i < 0 ? "" : form.Model().Caption(i);
    const bool value = i >= 0 && form.Model().Rows[static_cast<std::size_t>(i)].IsValue();
    return form.State().RootMode ? "roots" : form.State().CurKey + "|" + row + (value ? "(v)" : "");
  }
  TFormHivelark form;
  ScriptedInteraction answers;
};
}  // namespace

TEST_F(Jump, FromTheClipboardToAKeyOrAValueOrNowhere) {
  MakeKey("K\\Same");
  MakeValue("K", "Same", REG_SZ, std::string("x\0", 2));
  MakeValue("K", "", REG_SZ, std::string("d\0", 2));
  const std::string k = "HKEY_CURRENT_USER" + Path("K");  // ends with "\"
  const std::string base = Path("K");
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"Computer\\" + k + "Same", base + "Same\\|.."},          // a key wins over a value
      {"HKCU:\\" + Path("K").substr(1) + "(Default)", base + "|.."},
      {"\"" + k + "\"", base + "|.."},
      {"[" + k.substr(0, k.size() - 1) + "]\r\n@=\"d\"", base + "|.."},
      {"Computer", "roots"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ClipboardText(c.text));
    answers.Messages.clear();
    form.RunCommand(CM_JUMPCLIPBOARD);
    EXPECT_EQ(Shown(), c.shown) << c.text;
    EXPECT_TRUE(answers.Messages.empty()) << c.text;
  }
  // The last name a value of its parent: the parent, with the value's row selected.
  RegDeleteTreeA(Key(), "K\\Same");
  ASSERT_TRUE(ClipboardText(k + "Same"));
  form.RunCommand(CM_JUMPCLIPBOARD);
  EXPECT_EQ(Shown(), base + "|Same(v)");
  // A text that is no path: one message that shows it; the place stays.
  ASSERT_TRUE(ClipboardText("just some words"));
  form.RunCommand(CM_JUMPCLIPBOARD);
  EXPECT_EQ(Shown(), base + "|Same(v)");
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("\"just some words\""), std::string::npos);
}
