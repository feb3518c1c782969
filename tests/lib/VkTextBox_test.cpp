// The program's own text box on a real window: text in and out byte for byte, editing by
// keys, characters, the mouse and the clipboard, and the edit box answers it gives.
#include "lib/VkTextBox.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

// A parent window that counts the EN_CHANGE notifications of its children.
int g_changes = 0;
LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && HIWORD(wp) == EN_CHANGE) ++g_changes;
  return DefWindowProcA(wnd, msg, wp, lp);
}

enum TMods { NoMods = 0, Shift = 1, Ctrl = 2 };

class TextBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterTextBoxClass());
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HivelarkTextBoxTestParent";
    RegisterClassA(&wc);
    parent_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                              wc.hInstance, nullptr);
    font_ = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN, "Courier New");
    HDC dc = GetDC(parent_);
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    cw_ = tm.tmAveCharWidth;
    lh_ = tm.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(parent_, dc);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    DeleteObject(font_);
    Mods(NoMods);
  }
  // A box with the style and, for a width in characters, a client area that holds them.
  HWND Make(DWORD style, int columns = 60) {
    const int bar = style & WS_VSCROLL ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    box_ = CreateWindowExA(0, TextBoxClass, "", WS_CHILD | WS_VISIBLE | style, 0, 0, columns * cw_ + 4 + bar, 20 * lh_,
                           parent_, reinterpret_cast<HMENU>(7), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return box_;
  }
  void Set(const std::string& text) { SendMessageA(box_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  std::string Get() const {
    std::string s(static_cast<std::size_t>(SendMessageA(box_, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    s.resize(static_cast<std::size_t>(SendMessageA(box_, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
    return s;
  }
  std::pair<DWORD, DWORD> Sel() const {
    DWORD from = 0, to = 0;
    SendMessageA(box_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return {from, to};
  }
  void Select(int from, int to) { SendMessageA(box_, EM_SETSEL, from, to); }
  static void Mods(int mods) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = mods & Shift ? 0x80 : 0;
    keys[VK_CONTROL] = mods & Ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  void Key(WPARAM vk, int mods = NoMods) {
    Mods(mods);
    SendMessageA(box_, WM_KEYDOWN, vk, 0);
    Mods(NoMods);
  }
  void Chars(const std::string& chars) {
    for (char c : chars) SendMessageA(box_, WM_CHAR, static_cast<unsigned char>(c), 0);
  }

  HWND parent_ = nullptr, box_ = nullptr;
  HFONT font_ = nullptr;
  int cw_ = 8, lh_ = 16;
};

TEST_F(TextBoxTest, TextGoesInAndComesOutByteForByte) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  std::string big(1 << 20, 'x');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(1 + i * 7 % 255);
  for (DWORD style : {0ul, static_cast<DWORD>(ES_MULTILINE | WS_VSCROLL)}) {
    Make(style);
    for (const std::string& text : {all, big, "a\r\nb\nc\rd"s, ""s}) {
      Set(text);
      EXPECT_EQ(SendMessageA(box_, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(text.size()));
      EXPECT_TRUE(Get() == text) << text.size();
    }
    Set("abcdef");
    char small[4] = "???";
    EXPECT_EQ(SendMessageA(box_, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(small)), 3);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(SendMessageA(box_, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)), 0);
    DestroyWindow(box_);
  }
}

TEST_F(TextBoxTest, KeysAndCharactersEdit) {
  struct Step {
    WPARAM key;  // a virtual key, or 0 for the characters
    int mods;
    std::string chars;
  };
  struct Case {
    bool multi;
    std::string text;
    int from, to;  // the selection before the steps
    std::vector<Step> steps;
    std::string after;
    DWORD selFrom, selTo;
  } cases[] = {
      {false, "abc", 1, 1, {{0, 0, "XY"}}, "aXYbc", 3, 3},
      {false, "hello", 1, 4, {{0, 0, "i"}}, "hio", 2, 2},
      {false, "abc", 0, 0, {{0, 0, "\xe9\x80\xff"}}, "\xe9\x80\xff" "abc", 3, 3},
      {false, "abc", 1, 1, {{0, 0, "\r\t\x7f\x1b"}}, "abc", 1, 1},
      {true, "ab", 1, 1, {{0, 0, "\r"}}, "a\r\nb", 3, 3},
      {true, "ab\r\ncd", 4, 4, {{0, 0, "\b"}}, "abcd", 2, 2},
      {true, "ab\r\ncd", 2, 2, {{VK_DELETE, 0, ""}}, "abcd", 2, 2},
      {true, "ab\r\ncd", 2, 2, {{VK_RIGHT, 0, ""}, {0, 0, "X"}}, "ab\r\nXcd", 5, 5},
      {true, "ab\r\ncd", 4, 4, {{VK_LEFT, 0, ""}, {0, 0, "X"}}, "abX\r\ncd", 3, 3},
      {true, "one\r\ntwo", 0, 0, {{VK_END, Shift, ""}, {0, 0, "X"}}, "X\r\ntwo", 1, 1},
      {true, "abc\r\ndef", 1, 1, {{VK_DOWN, Shift, ""}}, "abc\r\ndef", 1, 6},
      {true, "abc\r\ndef", 1, 1, {{VK_DOWN, Shift, ""}, {VK_DELETE, 0, ""}}, "aef", 1, 1},
      {true, "abc\r\nd\r\nefg", 2, 2, {{VK_DOWN, 0, ""}, {VK_DOWN, 0, ""}}, "abc\r\nd\r\nefg", 10, 10},
      {true, "abc\r\ndef", 7, 7, {{VK_HOME, 0, ""}}, "abc\r\ndef", 5, 5},
      {true, "abc\r\ndef", 7, 7, {{VK_HOME, Ctrl, ""}}, "abc\r\ndef", 0, 0},
      {true, "abc\r\ndef", 1, 1, {{VK_END, Ctrl | Shift, ""}}, "abc\r\ndef", 1, 8},
      {true, "abc def", 0, 0, {{VK_RIGHT, Ctrl, ""}}, "abc def", 4, 4},
      {true, "abc\r\ndef", 5, 5, {{0, 0, "\x01" "Z"}}, "Z", 1, 1},
      {true, "abc", 0, 3, {{VK_LEFT, 0, ""}}, "abc", 0, 0},
  };
  for (const Case& c : cases) {
    Make(c.multi ? ES_MULTILINE | WS_VSCROLL | WS_HSCROLL : 0);
    Set(c.text);
    Select(c.from, c.to);
    for (const Step& s : c.steps) {
      if (s.key) Key(s.key, s.mods);
      else Chars(s.chars);
    }
    EXPECT_EQ(Get(), c.after) << c.text << " -> " << c.after;
    EXPECT_EQ(Sel(), std::make_pair(c.selFrom, c.selTo)) << c.text << " -> " << c.after;
    DestroyWindow(box_);
  }
}

TEST_F(TextBoxTest, AnswersTheEditBoxMessages) {
  Make(0);
  g_changes = 0;
  Set("abcdef");
  EXPECT_EQ(g_changes, 1);  // a one-line box reports its new text
  EXPECT_EQ(SendMessageA(box_, EM_GETMODIFY, 0, 0), 0);
  const struct {
    int from, to;
    DWORD selFrom, selTo;
  } sels[] = {{0, -1, 0, 6}, {5, 2, 2, 5}, {-1, 0, 2, 2}, {3, 99, 3, 6}, {99, 99, 6, 6}};
  for (const auto& s : sels) {
    Select(s.from, s.to);
    EXPECT_EQ(Sel(), std::make_pair(s.selFrom, s.selTo)) << s.from << "," << s.to;
    EXPECT_EQ(SendMessageA(box_, EM_GETSEL, 0, 0), static_cast<LRESULT>(MAKELONG(s.selFrom, s.selTo)));
  }
  Select(1, 3);
  SendMessageA(box_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("XYZ\r\nnext"));
  EXPECT_EQ(Get(), "aXYZdef");  // one line: the text stops at its first line break
  EXPECT_EQ(Sel(), std::make_pair(4ul, 4ul));
  EXPECT_EQ(SendMessageA(box_, EM_GETMODIFY, 0, 0), 1);
  EXPECT_EQ(g_changes, 2);
  SendMessageA(box_, EM_SETMODIFY, FALSE, 0);
  EXPECT_EQ(SendMessageA(box_, EM_GETMODIFY, 0, 0), 0);

  SendMessageA(box_, EM_SETREADONLY, TRUE, 0);
  EXPECT_TRUE(GetWindowLongPtrA(box_, GWL_STYLE) & ES_READONLY);
  Chars("q\b");
  Key(VK_DELETE);
  SendMessageA(box_, WM_CUT, 0, 0);
  EXPECT_EQ(Get(), "aXYZdef");
  EXPECT_EQ(g_changes, 2);
  SendMessageA(box_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("r"));  // the program still may
  EXPECT_EQ(Get(), "aXYZrdef");
  SendMessageA(box_, EM_SETREADONLY, FALSE, 0);
  Chars("q");
  EXPECT_EQ(Get(), "aXYZrqdef");

  const LRESULT one = SendMessageA(box_, WM_GETDLGCODE, 0, 0);
  EXPECT_EQ(one & (DLGC_WANTALLKEYS | DLGC_HASSETSEL | DLGC_WANTCHARS), DLGC_HASSETSEL | DLGC_WANTCHARS);
  Make(ES_MULTILINE);
  EXPECT_TRUE(SendMessageA(box_, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  g_changes = 0;
  Set("x");
  Chars("y");
  EXPECT_EQ(g_changes, 1);  // a multi-line box reports edits only
}

TEST_F(TextBoxTest, ClipboardCarriesTheBytes) {
  Make(ES_MULTILINE);
  const std::string text = "a\x80\xff\r\n\xe9z";
  Set(text);
  Select(0, -1);
  Chars("\x18");  // Ctrl+X
  EXPECT_EQ(Get(), "");
  Chars("\x16\x16");  // Ctrl+V twice
  EXPECT_EQ(Get(), text + text);
  Select(1, 3);
  Chars("\x03");  // Ctrl+C
  Make(0);
  Set("<>");
  Select(1, 1);
  Key(VK_INSERT, Shift);
  EXPECT_EQ(Get(), "<\x80\xff>");
  Set("[]");
  Select(1, 1);
  SendMessageA(box_, EM_SETSEL, 0, 0);
  OpenClipboard(box_);  // a multi-line text pasted into one line stops at its line break
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::memcpy(GlobalLock(mem), "up\r\ndn", 7);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
  SendMessageA(box_, WM_PASTE, 0, 0);
  EXPECT_EQ(Get(), "up[]");
}

TEST_F(TextBoxTest, MouseSelectsAndLongDumpsWrapAfterTheirSpaces) {
  // 16 groups of three characters per line: the 48th character, a space, stays on the line.
  Make(ES_MULTILINE | WS_VSCROLL, 48);
  std::string dump;
  for (int i = 0; i < (1 << 20); ++i) dump += "0A ";
  Set(dump);
  EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), 1 << 16);
  Key(VK_DOWN);
  EXPECT_EQ(Sel(), std::make_pair(48ul, 48ul));
  Key(VK_END);
  EXPECT_EQ(Sel(), std::make_pair(95ul, 95ul));  // before the space that ends the line
  Key(VK_END, Ctrl);
  EXPECT_EQ(Sel(), std::make_pair(3ul << 20, 3ul << 20));
  EXPECT_EQ(SendMessageA(box_, EM_GETSEL, 0, 0), -1);  // past the 16 bits of the packed answer
  Key(VK_HOME, Ctrl);
  Chars("FF ");  // every group moves on by one: the last line is a new one
  EXPECT_EQ(Get().substr(0, 6), "FF 0A ");
  EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), (1 << 16) + 1);
  Chars("\b\b\b");  // and back
  EXPECT_EQ(Get(), dump);
  EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), 1 << 16);
  Make(ES_MULTILINE | WS_VSCROLL, 10);
  Set("aaaa bbbbbbbb");
  EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), 2);
  Select(5, 9);
  Chars("\b");  // the shorter word fits on the line before
  EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), 1);

  Set("abcdef\r\nghijkl\r\nmnop");
  auto at = [this](int col, int line) { return MAKELPARAM(2 + col * cw_ + 1, line * lh_ + lh_ / 2); };
  SendMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON, at(2, 0));
  SendMessageA(box_, WM_MOUSEMOVE, MK_LBUTTON, at(3, 1));
  SendMessageA(box_, WM_LBUTTONUP, 0, at(3, 1));
  EXPECT_EQ(Sel(), std::make_pair(2ul, 11ul));
  SendMessageA(box_, WM_MOUSEMOVE, 0, at(0, 0));  // no button: nothing changes
  EXPECT_EQ(Sel(), std::make_pair(2ul, 11ul));
  SendMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at(40, 2));  // past the end of a line
  SendMessageA(box_, WM_LBUTTONUP, 0, at(40, 2));
  EXPECT_EQ(Sel(), std::make_pair(2ul, 20ul));
  SendMessageA(box_, WM_LBUTTONDBLCLK, MK_LBUTTON, at(3, 1));  // the word
  SendMessageA(box_, WM_LBUTTONUP, 0, at(3, 1));
  EXPECT_EQ(Sel(), std::make_pair(8ul, 14ul));
}

}  // namespace

TEST_F(TextBoxTest, UndoesTheLastEditAndRedoesItWhenUndoneAgain) {
  std::string big(3 << 19, 'x');  // 1.5 MB of every byte but 0, line breaks among them
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(1 + i * 7 % 255);
  const int end = static_cast<int>(big.size()) - 1000;
  const struct {
    std::string text;
    int from, to;
    std::string edit;  // characters; "D" stands for the Delete key, Ctrl+V pastes "P\r\nQ"
    std::string edited, undone;
    DWORD selFrom, selTo;  // after the undo: the bytes put back are selected
  } cases[] = {
      {"abc", 3, 3, "XYZ", "abcXYZ", "abc", 3, 3},
      {"ab\r\ncd\r\nef", 4, 4, "\bD", "abd\r\nef", "ab\r\ncd\r\nef", 2, 5},
      {"hello world", 5, 11, "\b", "hello", "hello world", 5, 11},
      {"abcd", 1, 3, "\x16", "aP\r\nQd", "abcd", 1, 3},
      {"ab", 2, 2, "xyz\b", "abxy", "abxyz", 4, 5},  // a Backspace ends the typing before it
      {big, 1000, end, "Z", big.substr(0, 1000) + "Z" + big.substr(end), big, 1000, static_cast<DWORD>(end)},
  };
  OpenClipboard(parent_);
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 5);
  std::memcpy(GlobalLock(mem), "P\r\nQ", 5);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
  int way = 0;  // each undo comes another way: Ctrl+Z, EM_UNDO, Alt+Backspace
  auto undo = [&] {
    if (++way % 3 == 0) Chars("\x1a");
    else SendMessageA(box_, way % 3 == 1 ? EM_UNDO : WM_SYSKEYDOWN, VK_BACK, 1 << 29);
  };
  for (const auto& c : cases) {
    Make(ES_MULTILINE | WS_VSCROLL);
    Set(c.undone);
    const LRESULT lines = SendMessageA(box_, EM_GETLINECOUNT, 0, 0);
    Set(c.text);
    Select(c.from, c.to);
    for (char ch : c.edit) ch == 'D' ? Key(VK_DELETE) : Chars(std::string(1, ch));
    ASSERT_TRUE(Get() == c.edited) << c.edited.substr(0, 9);
    SendMessageA(box_, EM_SETMODIFY, FALSE, 0);
    g_changes = 0;
    undo();
    EXPECT_TRUE(Get() == c.undone) << c.edited.substr(0, 9);
    EXPECT_EQ(Sel(), std::make_pair(c.selFrom, c.selTo)) << c.edited.substr(0, 9);
    EXPECT_EQ(SendMessageA(box_, EM_GETLINECOUNT, 0, 0), lines) << c.edited.substr(0, 9);
    EXPECT_EQ(g_changes, 1);
    EXPECT_EQ(SendMessageA(box_, EM_GETMODIFY, 0, 0), 1);
    undo();
    EXPECT_TRUE(Get() == c.edited) << c.edited.substr(0, 9);
    EXPECT_TRUE(SendMessageA(box_, EM_CANUNDO, 0, 0));
    Set("new");  // a new text, or a replacement not marked undoable, empties the buffer
    EXPECT_FALSE(SendMessageA(box_, EM_CANUNDO, 0, 0));
    Chars("x");
    SendMessageA(box_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("y"));
    EXPECT_EQ(SendMessageA(box_, EM_UNDO, 0, 0), FALSE);
    EXPECT_EQ(Get(), "xynew");
  }
}
