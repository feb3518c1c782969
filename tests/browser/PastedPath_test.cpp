// Registry paths as users paste them: every accepted form and the refusals, then the jump
// itself on the real window, from the real clipboard.
#include "browser/PastedPath.h"

#include <commctrl.h>

#include "browser/Main.h"
#include "lib/VkFuncLib.h"
#include "resource.h"
#include "support/TestSupport.h"

TEST(PastedPath, EveryFormAndTheRefusals) {
  // Text, relative paths allowed, the root ("" for none, "*" for the root list, "-" refused), the path.
  struct Case { const char* text; bool relative; const char *root, *path; };
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
    const std::string got = !ok ? "-" : p.RootList ? "*" : RootName(p.Root);
    EXPECT_EQ(got + "|" + (ok ? p.Path : ""), std::string(c.root) + "|" + c.path) << c.text;
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
  std::string Shown() {  // the location and the selected row, "(v)" for a value row
    const int i = ListView_GetNextItem(form.Reg_ListView(), -1, LVNI_SELECTED);
    if (form.State().RootMode || i < 0) return form.State().RootMode ? "roots" : "?";
    return form.State().CurKey + "|" + form.Model().Caption(i) + (form.Model().Rows[i].IsValue() ? "(v)" : "");
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
  struct Case { std::string text, shown; };
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
  // The last name a value of its parent: the parent, with the value's row selected. Then a
  // text that is no path: one message that shows it; the place stays.
  RegDeleteTreeA(Key(), "K\\Same");
  for (const std::string text : {k + "Same", std::string("just some words")}) {
    ASSERT_TRUE(ClipboardText(text));
    form.RunCommand(CM_JUMPCLIPBOARD);
    EXPECT_EQ(Shown(), base + "|Same(v)");
  }
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("\"just some words\""), std::string::npos);
}
