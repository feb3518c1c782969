#include "search/Search.h"

#include <commctrl.h>

#include "editing/Select.h"
#include "lib/VkFuncLib.h"
#include "resource.h"

namespace {

const char* const Origins[] = {"Current Key Recurse", "Current Root Recurse", "Entire Registration Database",
                               "HKEY_CLASSES_ROOT",   "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                               "HKEY_USERS",          "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                               "HKEY_DYN_DATA"};
const char SizeRelations[] = {'>', '<', '=', '!'};
const char SearchingText[] = "Please Wait While Searching the Registration Database...";

std::string ControlText(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(c)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(c, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

TFormSearch::TFormSearch(TSearch& search) : TVkDialog(IDD_SEARCH), search_(search) {}

bool TFormSearch::Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

int TFormSearch::Origin() const {
  return static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_SRCH_ORIGIN, CB_GETCURSEL, 0, 0));
}

void TFormSearch::SetOrigin(int row) { SendDlgItemMessageA(hwnd_, IDC_SRCH_ORIGIN, CB_SETCURSEL, row, 0); }

TSearchOptions TFormSearch::Options() const {
  TSearchOptions o;
  o.KeyWordFilter = Checked(IDC_SRCH_KEYWORD_CHK);
  o.KeyWord = ControlText(hwnd_, IDC_SRCH_KEYWORD);
  o.MatchCase = Checked(IDC_SRCH_MATCHCASE);
  o.WholeWords = Checked(IDC_SRCH_WHOLEWORDS);
  o.KeyNames = Checked(IDC_SRCH_KEYNAMES);
  o.ValueNames = Checked(IDC_SRCH_VALUENAMES);
  o.ValueData = Checked(IDC_SRCH_VALUEDATA);
  o.DataTypesMask = search_.DataTypesMask;
  o.TypeFilter = Checked(IDC_SRCH_DATATYPE_CHK);
  o.TypeFilterMask = search_.TypeFilterMask;
  o.SizeFilter = Checked(IDC_SRCH_DATASIZE_CHK);
  const int relation = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_SRCH_SIZE_COMBO, CB_GETCURSEL, 0, 0));
  o.SizeRelation = SizeRelations[relation >= 0 && relation < 4 ? relation : 0];
  return o;
}

void TFormSearch::Filter_Change() {
  const bool keyword = Checked(IDC_SRCH_KEYWORD_CHK);
  for (int id : {IDC_SRCH_KEYWORD_LBL, IDC_SRCH_KEYWORD, IDC_SRCH_MATCHCASE, IDC_SRCH_WHOLEWORDS, IDC_SRCH_KEYNAMES,
                 IDC_SRCH_VALUENAMES, IDC_SRCH_VALUEDATA})
    EnableWindow(GetDlgItem(hwnd_, id), keyword);
  EnableWindow(GetDlgItem(hwnd_, IDC_SRCH_VALUEDATA_BTN), keyword && Checked(IDC_SRCH_VALUEDATA));
  const bool type = Checked(IDC_SRCH_DATATYPE_CHK), size = Checked(IDC_SRCH_DATASIZE_CHK);
  EnableWindow(GetDlgItem(hwnd_, IDC_SRCH_DATATYPE_BTN), type);
  for (int id : {IDC_SRCH_SIZE_LBL, IDC_SRCH_SIZE_COMBO, IDC_SRCH_SIZE}) EnableWindow(GetDlgItem(hwnd_, id), size);
  const bool where = Checked(IDC_SRCH_KEYNAMES) || Checked(IDC_SRCH_VALUENAMES) || Checked(IDC_SRCH_VALUEDATA);
  const bool word = keyword && GetWindowTextLengthA(GetDlgItem(hwnd_, IDC_SRCH_KEYWORD)) > 0 && where;
  EnableWindow(GetDlgItem(hwnd_, IDOK), type || size || word);
}

INT_PTR TFormSearch::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      for (const char* o : Origins) SendDlgItemMessageA(hwnd_, IDC_SRCH_ORIGIN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(o));
      for (const char* r : {">", "<", "=", "!"})
        SendDlgItemMessageA(hwnd_, IDC_SRCH_SIZE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r));
      SetOrigin(0);
      SendDlgItemMessageA(hwnd_, IDC_SRCH_SIZE_COMBO, CB_SETCURSEL, 0, 0);
      SetDlgItemTextA(hwnd_, IDC_SRCH_SIZE, "0");
      for (int id : {IDC_SRCH_KEYWORD_CHK, IDC_SRCH_KEYNAMES, IDC_SRCH_VALUENAMES, IDC_SRCH_VALUEDATA})
        CheckDlgButton(hwnd_, id, BST_CHECKED);
      Filter_Change();
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp), code = HIWORD(wp);
      switch (id) {
        case IDOK: search_.Search_Cmd(); return TRUE;
        case IDCANCEL: ShowWindow(hwnd_, SW_HIDE); return TRUE;
        case IDC_SRCH_VALUEDATA_BTN: search_.DataType1_Cmd(); return TRUE;
        case IDC_SRCH_DATATYPE_BTN: search_.DataType2_Cmd(); return TRUE;
        case IDC_SRCH_KEYWORD:
          if (code == EN_CHANGE) Filter_Change();
          return TRUE;
        case IDC_SRCH_KEYWORD_CHK: case IDC_SRCH_KEYNAMES: case IDC_SRCH_VALUENAMES: case IDC_SRCH_VALUEDATA:
        case IDC_SRCH_DATATYPE_CHK: case IDC_SRCH_DATASIZE_CHK:
          if (code == BN_CLICKED) Filter_Change();
          return TRUE;
        default: break;
      }
      break;
    }
    case WM_CLOSE:
      ShowWindow(hwnd_, SW_HIDE);
      return TRUE;
    default: break;
  }
  return FALSE;
}

TSearch::~TSearch() = default;

bool TSearch::OwnsCommand(int id) const { return id == CM_SEARCH || id == IDC_CANCELSEARCH_BTN; }

void TSearch::RunCommand(int id) {
  if (id == CM_SEARCH) Search_Open();
  else if (id == IDC_CANCELSEARCH_BTN) FinishSearch(1);
}

bool TSearch::TranslateKey(MSG& msg) {
  // The window is modeless: its Tab, Enter and Esc keys are its own.
  return form_ && form_->Handle() && IsWindowVisible(form_->Handle()) && IsDialogMessageA(form_->Handle(), &msg);
}

bool TSearch::CanClose() {
  if (!searching_ && !walk_) return true;
  // The walk unwinds first; the window closes once it has.
  FinishSearch(0);
  closeAfterWalk_ = true;
  return false;
}

void TSearch::Search_Open() {
  if (host_.CancelSearchVisible() || walk_) {
    ShowMsg("A search is currently in progress!", "Hivelark", MsgError);
    return;
  }
  if (!form_) {
    form_ = std::make_unique<TFormSearch>(*this);
    if (!form_->Create(host_.Owner())) {
      form_.reset();
      return;
    }
  }
  if (host_.State().RootMode) form_->SetOrigin(2);
  ShowWindow(form_->Handle(), SW_SHOW);
  SetForegroundWindow(form_->Handle());
}

void TSearch::DataType1_Cmd() {
  TDialogOwnerScope owner(form_ ? form_->Handle() : nullptr);
  int mask = static_cast<int>(DataTypesMask);
  if (ChooseDataType("Choose Data Types to Search", mask, true, host_.State())) DataTypesMask = static_cast<std::uint32_t>(mask);
}

void TSearch::DataType2_Cmd() {
  TDialogOwnerScope owner(form_ ? form_->Handle() : nullptr);
  int mask = static_cast<int>(TypeFilterMask);
  if (ChooseDataType("Choose Data Types to Search", mask, true, host_.State())) TypeFilterMask = static_cast<std::uint32_t>(mask);
}

void TSearch::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      FinishSearch(0);
      return;
    }
    // The program's shortcuts work during the walk as in the main loop.
    if (host_.TranslateShortcut(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // New hits appear in the pane as they are found, when it shows the results.
  if (searching_ && bookmarks_.SyncRows(1)) host_.DrawBookmarkBar(SearchingText);
}

void TSearch::Search_Cmd() {
  if (!form_ || walk_) return;
  TBrowserState& state = host_.State();
  TSearchOptions options = form_->Options();
  TBookMarks& results = bookmarks_.Lists(1);
  results.clear();
  if (bookmarks_.SyncRows(1)) host_.DrawBookmarkBar("");
  if (options.SizeFilter) {
    HWND edit = GetDlgItem(form_->Handle(), IDC_SRCH_SIZE);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
    if (!ParseSizeText(text, options.SizeLimit)) {
      TDialogOwnerScope owner(form_->Handle());
      ShowMsg("Invalid size specified!", "Hivelark", MsgError);
      return;
    }
  }
  searching_ = true;
  closeAfterWalk_ = false;
  state.BookmarkMode = 1;
  host_.ShowBookmarkPane(true);
  host_.ShowCancelSearch(true);
  host_.DrawBookmarkBar(SearchingText);
  ShowWindow(form_->Handle(), SW_HIDE);
  {
    TSearchWalk walk(options, results, [this] { Pump(); }, [this] { FinishSearch(2); });
    walk_ = &walk;
    const int origin = form_->Origin();
    if (origin == 0) {
      walk.SearchKey(state.CurRoot, state.CurKey);
    } else if (origin == 1) {
      walk.SearchKey(state.CurRoot, "\\");
    } else if (origin == 2) {
      for (int i = 0; i < RootCount && walk.Searching(); ++i) walk.SearchKey(RootBase + i, "\\");
    } else if (origin >= 3 && origin <= 9) {
      walk.SearchKey(RootBase + static_cast<RootKey>(origin - 3), "\\");
    }
    walk_ = nullptr;
  }
  FinishSearch(1);
  if (closeAfterWalk_) PostMessageA(host_.Owner(), WM_CLOSE, 0, 0);
}

void TSearch::FinishSearch(int reason) {
  host_.DrawBookmarkBar("");
  host_.ShowCancelSearch(false);
  if ((reason == 1 || reason == 2) && searching_) {
    (void)PlayNotifySound(host_.State().NotifySnd);
    // The results are shown before the limit's message, so the pane holds them while it is up.
    if (!bookmarks_.Lists(1).empty()) {
      host_.State().BookmarkMode = 1;
      host_.ShowBookmarkPane(true);
    } else {
      ShowMsg("The search did not find anything!", "Hivelark", MsgInfo);
    }
    if (host_.BookmarkPaneVisible() && host_.State().BookmarkMode == 1) bookmarks_.ShowBookmarkList();
    if (reason == 2) ShowMsg("Maximum number of items found!", "Hivelark", MsgWarning);
  }
  searching_ = false;
  if (walk_) walk_->Stop();
}
