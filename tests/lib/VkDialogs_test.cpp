// The message box wrapper and the input prompt: through the scripted seam, and through the
// real platform dialogs driven by window messages.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LibTestHelpers.h"
#include "lib/VkDialogs.h"
#include "lib/VkTextBox.h"
#include "lib/VkFuncLib.h"
#include "lib/VkWindow.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

// Keeps PromptCaption as the test found it.
class CaptionGuard {
 public:
  explicit CaptionGuard(const std::string& caption) : saved_(PromptCaption) { PromptCaption = caption; }
  ~CaptionGuard() { PromptCaption = saved_; }

 private:
  std::string saved_;
};

// Control id of the message text in the platform's message box.
constexpr int MessageBoxTextId = 0xFFFF;

}  // namespace

TEST(ShowMsg, TurnsBackslashNIntoLineBreaks) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"one\\ntwo", "one\r\ntwo"},
      {"\\n\\n", "\r\n\r\n"},
      {"a\\\\nb", "a\\\r\nb"},  // left to right: the first backslash stays
      {"real\nline feed", "real\nline feed"},
      {"ends with \\", "ends with \\"},
      {"C:\\new", "C:\r\new"},  // as typed; callers do not pass paths
  };
  ScriptedInteraction script;
  for (const Case& c : cases) ShowMsg(c.text, "Hivelark", MsgInfo);
  ASSERT_EQ(script.Messages.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(script.Messages[i].text, cases[i].shown) << cases[i].text;
    EXPECT_EQ(script.Messages[i].flags, MsgInfo);
  }
  script.MessageAnswers = {MsgResultNo};
  EXPECT_EQ(ShowMsg("Delete?", "Hivelark", MsgYesNo), MsgResultNo);
  EXPECT_EQ(script.Messages.back().caption, "Hivelark");
  ShowMsg("Could not create a new key!");
  EXPECT_EQ(script.Messages.back().flags, MsgError);  // the default flags
}

TEST(InputPrompt, CaptionBecomesPleaseTypeAValueWhenEmpty) {
  CaptionGuard guard("");
  ScriptedInteraction script;
  script.PromptAnswers = {{true, "x"}};
  std::string text;
  EXPECT_TRUE(InputPrompt("Enter Name of New Key...", text));
  EXPECT_EQ(PromptCaption, "Please Type a Value");
  PromptCaption = "Hivelark";
  InputPrompt("Jump to Registry Key...", text);
  EXPECT_EQ(PromptCaption, "Hivelark");
}

// ---- The dialog resource --------------------------------------------------------------

namespace {

struct TemplateItem {
  DWORD style;
  short x, y, cx, cy;
  DWORD id;
  std::string windowClass;
  std::string text;
};

struct DialogTemplate {
  DWORD style = 0;
  short cx = 0, cy = 0;
  WORD pointSize = 0;
  std::string face;
  std::vector<TemplateItem> items;
};

// Reads a DLGTEMPLATEEX; false when the resource is not one.
bool ParseDialogTemplateEx(const BYTE* p, DialogTemplate& out) {
  auto word = [&p]() {
    WORD w;
    std::memcpy(&w, p, 2);
    p += 2;
    return w;
  };
  auto dword = [&p]() {
    DWORD d;
    std::memcpy(&d, p, 4);
    p += 4;
    return d;
  };
  auto text = [&p, &word]() {
    std::string s;
    for (WORD w = word(); w != 0; w = word()) s += static_cast<char>(w < 128 ? w : '?');
    return s;
  };
  auto nameOrOrdinal = [&p, &word, &text](bool isClass) -> std::string {
    WORD first;
    std::memcpy(&first, p, 2);
    if (first == 0xFFFF) {
      word();
      switch (const WORD ordinal = word()) {
        case 0x80: return "button";
        case 0x81: return "edit";
        case 0x82: return "static";
        default: return "#" + std::to_string(ordinal);
      }
    }
    std::string s = text();
    if (isClass)
      for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
  };
  const BYTE* start = p;
  if (word() != 1 || word() != 0xFFFF) return false;
  dword();  // help id
  dword();  // extended style
  out.style = dword();
  const WORD count = word();
  word();  // x
  word();  // y
  out.cx = static_cast<short>(word());
  out.cy = static_cast<short>(word());
  nameOrOrdinal(false);  // menu
  nameOrOrdinal(true);   // class
  text();           // title
  if (out.style & DS_SETFONT) {
    out.pointSize = word();
    word();  // weight
    p += 2;  // italic, character set
    out.face = text();
  }
  for (WORD i = 0; i < count; ++i) {
    p = start + ((p - start + 3) & ~3);
    TemplateItem item;
    dword();  // help id
    dword();  // extended style
    item.style = dword();
    item.x = static_cast<short>(word());
    item.y = static_cast<short>(word());
    item.cx = static_cast<short>(word());
    item.cy = static_cast<short>(word());
    item.id = dword();
    item.windowClass = nameOrOrdinal(true);
    item.text = nameOrOrdinal(false);
    p += word();  // creation data
    out.items.push_back(item);
  }
  return true;
}

}  // namespace

TEST(PromptDialogResource, MatchesTheLayout) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_PROMPT),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(found, nullptr) << "dialog 1001, language 1033";
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  ASSERT_NE(data, nullptr);
  DialogTemplate dlg;
  ASSERT_TRUE(ParseDialogTemplateEx(data, dlg));
  EXPECT_EQ(dlg.style, 0x80C808C0u);
  EXPECT_EQ(dlg.cx, 211);
  EXPECT_EQ(dlg.cy, 46);
  EXPECT_EQ(dlg.pointSize, 8);
  EXPECT_EQ(dlg.face, "Tahoma");

  const TemplateItem expected[] = {
      {0x50020000, 6, 3, 208, 9, 10, "static", ""},
      {0x50810080, 6, 13, 199, 13, 11, "edit", ""},
      {0x50010001, 110, 30, 45, 13, 1, "button", "&OK"},
      {0x50010000, 160, 30, 45, 13, 2, "button", "&Cancel"},
  };
  ASSERT_EQ(dlg.items.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const TemplateItem& e = expected[i];
    const TemplateItem& a = dlg.items[i];
    EXPECT_EQ(a.id, e.id) << i;
    EXPECT_EQ(a.style, e.style) << i;
    EXPECT_EQ(a.windowClass, e.windowClass) << i;
    EXPECT_EQ(a.text, e.text) << i;
    EXPECT_EQ(a.x, e.x) << i;
    EXPECT_EQ(a.y, e.y) << i;
    EXPECT_EQ(a.cx, e.cx) << i;
    EXPECT_EQ(a.cy, e.cy) << i;
  }
}

// ---- The real prompt ------------------------------------------------------------------

namespace {

// What a step saw of the running prompt.
struct PromptView {
  std::string title, label, edit;
  DWORD selStart = 0, selEnd = 0;
  LRESULT limit = 0;
  bool editHasFocus = false;
  HWND owner = nullptr;
  std::vector<int> childIds;
  std::vector<std::string> childClasses;
};

TDialogScript::Step Look(PromptView& view) {
  return [&view](HWND dlg) {
    view.title = WindowText(dlg);
    view.label = ControlText(dlg, IDC_PROMPT_LABEL);
    view.edit = ControlText(dlg, IDC_PROMPT_EDIT);
    HWND edit = GetDlgItem(dlg, IDC_PROMPT_EDIT);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&view.selStart), reinterpret_cast<LPARAM>(&view.selEnd));
    view.limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    view.editHasFocus = GetFocus() == edit;
    view.owner = GetWindow(dlg, GW_OWNER);
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      view.childIds.push_back(GetDlgCtrlID(child));
      char cls[64] = "";
      GetClassNameA(child, cls, sizeof cls);
      view.childClasses.push_back(cls);
    }
  };
}

TDialogScript::Step Type(const std::string& text) {
  return [text](HWND dlg) { SetDlgItemTextA(dlg, IDC_PROMPT_EDIT, text.c_str()); };
}
TDialogScript::Step Click(int id) {
  return [id](HWND dlg) { ClickButton(dlg, id); };
}
TDialogScript::Step PostKey(int key) {
  return [key](HWND dlg) { PostMessageA(GetDlgItem(dlg, IDC_PROMPT_EDIT), WM_KEYDOWN, key, 0); };
}

}  // namespace

TEST(RealPrompt, ShowsItsControlsWithTheInitialTextSelected) {
  CaptionGuard guard("Hivelark");
  PromptView view;
  TDialogScript script({Look(view), Click(IDOK)});
  std::string text = "Software";
  EXPECT_TRUE(InputPrompt("Enter Name of New Key...", text));
  EXPECT_TRUE(script.AllStepsRun());
  EXPECT_FALSE(script.Forced());
  EXPECT_EQ(text, "Software");

  EXPECT_EQ(view.title, "Hivelark");
  EXPECT_EQ(view.label, "Enter Name of New Key...");
  EXPECT_EQ(view.edit, "Software");
  EXPECT_EQ(view.selStart, 0u);
  EXPECT_EQ(view.selEnd, 8u);
  EXPECT_TRUE(view.editHasFocus);
  EXPECT_EQ(view.limit, 2048);
  EXPECT_EQ(view.owner, script.Owner());
  EXPECT_EQ(view.childIds, (std::vector<int>{IDC_PROMPT_LABEL, IDC_PROMPT_EDIT, IDOK, IDCANCEL}));
  ASSERT_EQ(view.childClasses.size(), 4u);
  EXPECT_STRCASEEQ(view.childClasses[0].c_str(), "Static");
  EXPECT_STRCASEEQ(view.childClasses[1].c_str(), "Edit");
  EXPECT_STRCASEEQ(view.childClasses[2].c_str(), "Button");
}

TEST(RealPrompt, OpensOnATextThePlatformsBoxFaultsOnInTheOwnBox) {
  CaptionGuard guard("Hivelark");
  PromptView view;
  TDialogScript script({Look(view), Type(std::string(3000, 'k')), Click(IDOK)});
  std::string text = "1\x98";  // a bookmark comment
  EXPECT_TRUE(InputPrompt("Enter Bookmark Comment...", text));
  EXPECT_EQ(view.edit + "|" + view.childClasses.at(1), "1\x98|" + std::string(TextBoxClass));
  EXPECT_TRUE(view.editHasFocus && view.selStart == 0 && view.selEnd == 2);
  EXPECT_EQ(text, std::string(2048, 'k'));  // the limit of the platform's box holds
}

TEST(RealPrompt, TypingReplacesTheSelectedText) {
  CaptionGuard guard("Hivelark");
  TDialogScript script({[](HWND dlg) {
                          HWND edit = GetDlgItem(dlg, IDC_PROMPT_EDIT);
                          SendMessageA(edit, WM_CHAR, 'Z', 1);
                          SendMessageA(edit, WM_CHAR, 'q', 1);
                        },
                        Click(IDOK)});
  std::string text = "old name";
  EXPECT_TRUE(InputPrompt("Rename...", text));
  EXPECT_TRUE(script.AllStepsRun());
  EXPECT_EQ(text, "Zq");
}

TEST(RealPrompt, ButtonsKeysAndCloseBox) {
  struct Case {
    const char* name;
    TDialogScript::Step typed;
    TDialogScript::Step finish;
    bool result;
    const char* text;
  } cases[] = {
      {"OK", Type("typed \xE9"), Click(IDOK), true, "typed \xE9"},
      {"OK with an empty field", Type(""), Click(IDOK), true, ""},
      {"Enter", Type("entered"), PostKey(VK_RETURN), true, "entered"},
      {"Cancel", Type("typed"), Click(IDCANCEL), false, "initial"},
      {"Escape", Type("typed"), PostKey(VK_ESCAPE), false, "initial"},
      {"close box", Type("typed"), [](HWND dlg) { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, false, "initial"},
  };
  CaptionGuard guard("Hivelark");
  for (const Case& c : cases) {
    TDialogScript script({c.typed, c.finish});
    std::string text = "initial";
    EXPECT_EQ(InputPrompt("Enter Bookmark Comment...", text), c.result) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
    EXPECT_TRUE(script.AllStepsRun()) << c.name;
    EXPECT_FALSE(script.Forced()) << c.name;
  }
}

TEST(RealPrompt, RefusesTypingBeyond2048Characters) {
  CaptionGuard guard("Hivelark");
  int lengthAfterTyping = 0;
  TDialogScript script({[&lengthAfterTyping](HWND dlg) {
                          HWND edit = GetDlgItem(dlg, IDC_PROMPT_EDIT);
                          const std::string many(3000, 'k');
                          SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(many.c_str()));
                          SendMessageA(edit, WM_CHAR, 'x', 1);  // one more keystroke is refused too
                          lengthAfterTyping = GetWindowTextLengthA(edit);
                        },
                        Click(IDOK)});
  std::string text;
  EXPECT_TRUE(InputPrompt("Enter Name of Remote Computer...", text));
  EXPECT_EQ(lengthAfterTyping, 2048);
  EXPECT_EQ(text, std::string(2048, 'k'));
}

TEST(RealPrompt, EmptyCaptionBecomesPleaseTypeAValue) {
  CaptionGuard guard("");
  PromptView view;
  TDialogScript script({Look(view), Click(IDCANCEL)});
  std::string text;
  EXPECT_FALSE(InputPrompt("Jump to Registry Key...", text));
  EXPECT_EQ(view.title, "Please Type a Value");
  EXPECT_EQ(view.edit, "");
  EXPECT_EQ(PromptCaption, "Please Type a Value");
}

// ---- The real message box -------------------------------------------------------------

TEST(RealMessageBox, ShowsLineBreaksAndReturnsTheButton) {
  struct Case {
    const char* text;
    unsigned flags;
    int button;
    const char* shown;
  } cases[] = {
      {"Invalid bookmark file!\\nBookmark Version: v1.02", MsgError, IDOK,
       "Invalid bookmark file!\r\nBookmark Version: v1.02"},
      {"Delete the key?", MsgYesNo, IDYES, "Delete the key?"},
      {"Delete the key?", MsgYesNo, IDNO, "Delete the key?"},
  };
  for (const Case& c : cases) {
    std::string shown, caption;
    HWND owner = nullptr;
    TDialogScript script({[&](HWND box) {
      shown = ControlText(box, MessageBoxTextId);
      caption = WindowText(box);
      owner = GetWindow(box, GW_OWNER);
      ClickButton(box, c.button);
    }});
    EXPECT_EQ(ShowMsg(c.text, "Hivelark", c.flags), c.button) << c.text;
    EXPECT_TRUE(script.AllStepsRun());
    EXPECT_FALSE(script.Forced());
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(caption, "Hivelark");
    EXPECT_EQ(owner, script.Owner());
  }
}

TEST(FileDialogs, ThePlatformDialogsReturnTheNameTypedIn) {
  constexpr int FileNameBox = 0x47C;  // the file name field of the common dialogs
  TScratchFolder folder;
  const std::string existing = folder.File("pick.bmk");
  TScratchFolder::Write(existing, "x");
  TFileDialogSpec request;
  request.Filter = "Registry files (*.reg)|*.reg|Bookmark files (*.bmk)|*.bmk|All files (*.*)|*.*|";
  request.FilterIndex = 2;
  request.InitialDir = folder.Path();
  auto typeAndPress = [](const std::string& text, int button) {
    return std::vector<TDialogScript::Step>{
        [text](HWND d) { SetDlgItemTextA(d, FileNameBox, text.c_str()); },
        [button](HWND d) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }};
  };
  {
    TDialogScript script(typeAndPress(existing, IDOK));
    std::string name;
    EXPECT_TRUE(PlatformInteraction().OpenFileName(request, name));
    EXPECT_EQ(name, existing);
    EXPECT_FALSE(script.Forced());
  }
  {
    request.DefaultExt = "bmk";
    TDialogScript script(typeAndPress(folder.File("saved"), IDOK));
    std::string name;
    EXPECT_TRUE(PlatformInteraction().SaveFileName(request, name));
    EXPECT_EQ(name, folder.File("saved.bmk"));  // the default extension is added
    EXPECT_FALSE(script.Forced());
  }
  {
    TDialogScript script(typeAndPress("ignored", IDCANCEL));
    std::string name = "kept";
    EXPECT_FALSE(PlatformInteraction().SaveFileName(request, name));
    EXPECT_EQ(name, "kept");
  }
}

TEST(ModalWindows, ABoxIsOwnedByTheInnermostModalWindowAndTheFocusComesBack) {
  for (bool inModal : {false, true}) {
    HWND owner = nullptr, modeless = nullptr;
    TDialogScript script({[&](HWND box) {
      owner = GetWindow(box, GW_OWNER);
      EXPECT_FALSE(IsWindowEnabled(modeless));  // the search window, say, waits
      ClickButton(box, IDOK);
    }});
    const auto window = [](const char* cls, DWORD style, HWND parent) {
      return CreateWindowExA(0, cls, "", style | WS_VISIBLE, 0, 0, 99, 99, parent, nullptr, nullptr, nullptr);
    };
    ShowWindow(script.Owner(), SW_SHOW);
    modeless = window("STATIC", WS_POPUP, script.Owner());
    const HWND top = inModal ? window("STATIC", WS_POPUP, script.Owner()) : script.Owner();
    const HWND edit = window("EDIT", WS_CHILD, top);
    TDialogOwnerScope scope(inModal ? top : nullptr);
    SetFocus(edit);
    (void)PlatformInteraction().Message("x", "Hivelark", MsgInfo);
    EXPECT_TRUE(owner == top && GetFocus() == edit && IsWindowEnabled(modeless)) << inModal;
  }
}
