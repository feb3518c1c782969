// The change history window on a journal that holds a valid and a damaged record.
#include "tools/History.h"

#include <fstream>

#include "commands/Hivelark.h"
#include "lib/VkFuncLib.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {

constexpr RootKey CurrentUser = RootBase + 1;

class ChangeHistory : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    DeleteFileA(SettingsFileName().c_str());
    ChangeJournal().SetFolder(ProgramFolder() + "History Journal\\");
    ASSERT_EQ(ChangeJournal().Prepare(), "");
    Clear();
    ASSERT_TRUE(program.Form().Create());
  }
  void TearDown() override {
    Clear();
    ChangeJournal().SetFolder("");
    RegSandbox::TearDown();
  }
  static void Clear() {
    for (const TJournalEntry& e : ChangeJournal().List(true)) (void)ChangeJournal().Remove(e);
  }

  THivelark program;
  ScriptedInteraction answers;
};

TEST_F(ChangeHistory, ListsTheDamagedRecordAndItsUndoChangesNothing) {
  MakeKey("T");
  {
    TJournalRecorder record("New Value", CurrentUser, Path("T"));
    record.Value(CurrentUser, Path("T"), "v");
    ASSERT_TRUE(record.Commit());
    MakeValue("T", "v", REG_SZ, std::string("x\0", 2));
    record.Finish();
  }
  const std::string damaged = ChangeJournal().Folder() + "0000000000000009.hlj";
  std::ofstream(damaged, std::ios::binary) << "HLJOURNL and then garbage";

  TFormHistory form(program.Form(), [] {});
  ASSERT_TRUE(form.Create());
  const HWND list = form.History_ListView();
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(ListItemText(list, 0, 1).rfind("(damaged) ", 0), 0u) << ListItemText(list, 0, 1);
  EXPECT_EQ(ListItemText(list, 1, 1), "New Value");
  EXPECT_EQ(ListItemText(list, 1, 2), "HKEY_CURRENT_USER" + Path("T"));

  // Undo on the damaged row names its problem and changes nothing: the value stays, and
  // both records with it.
  const std::vector<std::string> before = DumpTree(Key(), "T");
  form.SelectRow(0);
  form.Undo_Click();
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_NE(answers.Messages[0].text.find("damaged"), std::string::npos) << answers.Messages[0].text;
  EXPECT_EQ(DumpTree(Key(), "T"), before);
  EXPECT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_NE(GetFileAttributesA(damaged.c_str()), INVALID_FILE_ATTRIBUTES);

  // The valid record, though not the newest, undoes: the value it created is gone, and so is
  // its row.
  form.SelectRow(1);
  form.Undo_Click();
  EXPECT_EQ(answers.Messages.size(), 1u);
  EXPECT_TRUE(DumpTree(Key(), "T").empty());
  ASSERT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_TRUE(form.Entries()[0].Damaged);
}

}  // namespace
