// The data type chooser on its real dialog, and its question through the seam.
#include "editing/Select.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "resource.h"
#include "support/TestSupport.h"

namespace {

std::string Cell(HWND list, int row, int column) {
  char buf[256] = "";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buf;
}

int Selected(HWND list) {
  int mask = 0;
  for (int i = 0; i < 12; ++i)
    if (ListView_GetItemState(list, i, LVIS_SELECTED)) mask |= 1 << i;
  return mask;
}

class ChooserTest : public ::testing::Test {
 protected:
  void Open(int choice, bool multi) {
    form = std::make_unique<TFormSelect>(settings);
    form->Caption = "Choose Data Types to Search";
    form->Choice = choice;
    form->MultiSelect = multi;
    ASSERT_TRUE(form->Create(nullptr));
  }
  HWND List() const { return form->Type_ListView(); }
  void CtrlKey(WPARAM key) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    SendMessageA(List(), WM_KEYDOWN, key, 0);
    SetKeyboardState(saved);
  }

  TSettings settings;
  std::unique_ptr<TFormSelect> form;
};

TEST_F(ChooserTest, ListsTheTwelveTypesWithTheirPatterns) {
  settings.TypeFmt[4] = "%u units";
  Open(0, false);
  char caption[64];
  GetWindowTextA(form->Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Choose Data Types to Search");
  ASSERT_EQ(ListView_GetItemCount(List()), 12);
  EXPECT_EQ(Cell(List(), 0, 0) + "|" + Cell(List(), 0, 1) + "|" + Cell(List(), 0, 3), "None|REG_NONE|$00");
  EXPECT_EQ(Cell(List(), 5, 0) + "|" + Cell(List(), 5, 1), "DWord BigEndian|REG_DWORD_BIG_ENDIAN");
  EXPECT_EQ(Cell(List(), 11, 0) + "|" + Cell(List(), 11, 1) + "|" + Cell(List(), 11, 3), "QWord|REG_QWORD|$0B");
  EXPECT_EQ(Cell(List(), 4, 2), "%u units");
  EXPECT_EQ(Cell(List(), 1, 2), settings.TypeFmt[1]);
  RECT rc;
  GetClientRect(form->Handle(), &rc);
  EXPECT_EQ(rc.right, 457);
  EXPECT_EQ(rc.bottom, 277);
  EXPECT_EQ(ListView_GetBkColor(List()), settings.BackColor);
  // The longest name is not cut: the column holds the icon, the text and the margins.
  EXPECT_GE(ListView_GetColumnWidth(List(), 0), ListView_GetStringWidth(List(), "DWord BigEndian") + 16 + 12);
}

TEST_F(ChooserTest, SingleSelectionReturnsTheFocusedRow) {
  Open(5, false);
  EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), 5);
  EXPECT_EQ(Selected(List()), 1 << 5);
  SendMessageA(GetDlgItem(form->Handle(), IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ModalResult(), IDOK);
  EXPECT_EQ(form->Choice, 5);

  Open(5, false);
  ListView_SetItemState(List(), 9, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  NMITEMACTIVATE dbl{};
  dbl.hdr = {List(), IDC_SEL_LIST, static_cast<UINT>(NM_DBLCLK)};
  dbl.iItem = 9;
  SendMessageA(form->Handle(), WM_NOTIFY, IDC_SEL_LIST, reinterpret_cast<LPARAM>(&dbl));
  EXPECT_EQ(form->ModalResult(), IDOK);
  EXPECT_EQ(form->Choice, 9);
}

TEST_F(ChooserTest, MultiSelectionShowsAndReturnsTheMask) {
  struct Case {
    int in, shown, out;
  } cases[] = {{0, 0, 0}, {0x0FFF, 0x0FFF, 0x0FFF}, {0xF0A1, 0x00A1, 0x00A1}};
  for (const Case& c : cases) {
    Open(c.in, true);
    EXPECT_EQ(Selected(List()), c.shown);
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), 0);
    SendMessageA(GetDlgItem(form->Handle(), IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(form->Choice, c.out);
  }
  Open(0x3, true);
  CtrlKey('A');
  EXPECT_EQ(Selected(List()), 0x0FFF);
  CtrlKey(VK_SUBTRACT);
  EXPECT_EQ(Selected(List()), 0);
  CtrlKey(VK_ADD);
  EXPECT_EQ(Selected(List()), 0x0FFF);
  SendMessageA(GetDlgItem(form->Handle(), IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ModalResult(), IDCANCEL);
}

TEST_F(ChooserTest, TheQuestionGoesThroughTheSeam) {
  ScriptedInteraction ask;
  int choice = 3;
  EXPECT_FALSE(ChooseDataType("Select a new Data Type for the Value", choice, false, settings));
  EXPECT_EQ(choice, 3);  // Cancel leaves the choice
  ask.TypeAnswers.push_back(0x90);
  EXPECT_TRUE(ChooseDataType("Choose Data Types to Search", choice, true, settings));
  EXPECT_EQ(choice, 0x90);
  ASSERT_EQ(ask.TypeQuestions.size(), 2u);
  EXPECT_EQ(ask.TypeQuestions[0].caption, "Select a new Data Type for the Value");
  EXPECT_FALSE(ask.TypeQuestions[0].multiSelect);
  EXPECT_EQ(ask.TypeQuestions[0].choice, 3);
  EXPECT_TRUE(ask.TypeQuestions[1].multiSelect);
}

}  // namespace
