// The value editor on its real dialog, driven through its controls, against the registry
// sandbox.
#include "editing/Value.h"

#include <gtest/gtest.h>

#include <memory>

#include "lib/VkFuncLib.h"
#include "lib/VkTextBox.h"
#include "resource.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

std::string Text(HWND wnd) {
  std::string s(static_cast<std::size_t>(GetWindowTextLengthA(wnd)) + 1, '\0');
  s.resize(static_cast<std::size_t>(GetWindowTextA(wnd, s.data(), static_cast<int>(s.size()))));
  return s;
}

bool IsOwnBox(HWND box) {
  char name[64] = "";
  GetClassNameA(box, name, sizeof name);
  return std::string(name) == TextBoxClass;
}

std::string TScratchFileContent(const std::string& file) {
  TVkFile f;
  if (!OpenFileForRead(file, f)) return "<none>";
  return ReadFileBlock(f, 0, static_cast<int>(f.Size()), false, false);
}

// Each test runs on the boxes the editor picks by default (the platform's for short texts)
// and again with the program's own box for every text.
class ValueEditorTest : public RegSandbox, public ::testing::WithParamInterface<std::size_t> {
 protected:
  void TearDown() override {
    form.reset();
    for (const std::string& f : files) DeleteFileA(f.c_str());
    RegSandbox::TearDown();
  }
  // Opens the editor (modeless) on the value name of the sandbox key.
  void Open(const std::string& name) {
    form = std::make_unique<TFormValue>(RootCurrentUser, Path(), name);
    form->OwnBoxFrom = GetParam();
    form->OnWritten = [this] { ++refreshes; };
    ASSERT_TRUE(form->Create(nullptr));
  }
  HWND Dlg() const { return form->Handle(); }
  HWND Item(int id) const { return GetDlgItem(Dlg(), id); }
  std::string ItemText(int id) const { return Text(Item(id)); }
  void Type(const std::string& text) { SendMessageA(form->EditBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  // The value's bytes and type, or "<none>".
  std::string Stored(const std::string& name, DWORD* type = nullptr) const {
    DWORD t = 0, size = 0;
    if (RegQueryValueExA(Key(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return "<none>";
    std::string data(size, '\0');
    RegQueryValueExA(Key(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    if (type) *type = t;
    return data;
  }
  std::string TempFile(const std::string& name) {
    files.push_back(ProgramFolder() + name);
    return files.back();
  }

  ScriptedInteraction ask;
  std::unique_ptr<TFormValue> form;
  std::vector<std::string> files;
  int refreshes = 0;
};

TEST_P(ValueEditorTest, OpensEachTypeInItsForm) {
  struct Case {
    DWORD type;
    std::string data;
    const char* caption;
    TValueMode mode;
    const char* original;
    const char* box;
  } cases[] = {
      {1, "hello\0"s, "Change String Value", TValueMode::Text, "hello", "hello"},
      {2, "%TEMP%\0"s, "Change Expanded Value", TValueMode::Text, "%TEMP%", "%TEMP%"},
      {4, "\x1a\0\0\0"s, "Change DWord Value", TValueMode::Number, "$0000001A  (26)", "26"},
      {4, "\xff\xff\xff\xff"s, "Change DWord Value", TValueMode::Number, "$FFFFFFFF  (4294967295)", "4294967295"},
      {5, "\x12\x34\x56\x78"s, "Change DWord BigEndian Value", TValueMode::Number, "$12345678  (305419896)",
       "305419896"},
      {7, "a\0\0b\0\0"s, "Change MultiString Value", TValueMode::Lines, "\"a\" \"\" \"b\"", "a\r\n\r\nb"},
      {3, "\x0a\x1b\xff"s, "Change Binary Value", TValueMode::Hex, "0A 1B FF ", "0A 1B FF "},
      {3, ""s, "Change Binary Value", TValueMode::Hex, "", ""},
      {42, "\x01"s, "Change Undefined (42) Value", TValueMode::Hex, "01 ", "01 "},
      {1, "a\0b\0"s, "Change String Value", TValueMode::Hex, "61 00 62 00 ", "61 00 62 00 "},
  };
  for (const Case& c : cases) {
    MakeValue("", "v", c.type, c.data);
    Open("v");
    EXPECT_EQ(Text(Dlg()), c.caption);
    EXPECT_EQ(form->Mode(), c.mode) << c.caption;
    EXPECT_EQ(ItemText(IDC_VAL_NAMEEDIT), "v");
    EXPECT_EQ(ItemText(IDC_VAL_SIZEEDIT), std::to_string(c.data.size()) + " bytes");
    EXPECT_EQ(ItemText(IDC_VAL_ORGEDIT), c.original) << c.caption;
    EXPECT_EQ(Text(form->EditBox()), c.box) << c.caption;
    EXPECT_EQ(IsOwnBox(form->EditBox()), GetParam() == 0) << c.caption;
    const bool line = c.mode == TValueMode::Text || c.mode == TValueMode::Number;
    EXPECT_EQ((GetWindowLongPtrA(Item(IDC_VAL_EDIT), GWL_STYLE) & WS_VISIBLE) != 0, line);
    EXPECT_EQ((GetWindowLongPtrA(Item(IDC_VAL_RICH), GWL_STYLE) & WS_VISIBLE) != 0, !line);
    EXPECT_EQ(IsWindowEnabled(Item(IDC_VAL_FILENAME)) != 0, line);
    RECT rc;
    GetClientRect(Dlg(), &rc);
    EXPECT_EQ(rc.right, 471);
    EXPECT_EQ(rc.bottom, line ? 116 : 346) << c.caption;
  }
  // An original text longer than the platform's one-line box can paint is shown whole.
  MakeValue("", "v", REG_BINARY, std::string(600, '\x5A'));
  Open("v");
  std::string dump;
  for (int i = 0; i < 600; ++i) dump += "5A ";
  EXPECT_EQ(ItemText(IDC_VAL_ORGEDIT), dump);
  EXPECT_TRUE(IsOwnBox(Item(IDC_VAL_ORGEDIT)));
}

TEST_P(ValueEditorTest, OkOnAnUnchangedValueNeverChangesItsBytes) {
  const std::pair<DWORD, std::string> values[] = {
      {1, "a\0b\0"s},   {1, "abc"s},  {1, "a\r\nb\0"s}, {2, ""s},          {4, "\1\2\3"s},
      {4, "\1\2\3\4\5\6\7\x8"s},      {5, "\1\2\3\4"s}, {7, "a\0b\0"s},    {7, "ab"s},
      {7, ""s},         {3, ""s},     {0, "\0"s},     {11, "12345678"s},
  };
  for (const auto& [type, data] : values) {
    // A byte other than NUL right behind the data keeps a string unterminated.
    const std::string buffer = data + "X";
    ASSERT_EQ(RegSetValueExA(Key(), "v", 0, type, reinterpret_cast<const BYTE*>(buffer.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    Open("v");
    Click(IDC_VAL_APPLY);
    Type(Text(form->EditBox()) + "0");  // edited and edited back
    Type(Text(form->EditBox()).substr(0, Text(form->EditBox()).size() - 1));
    Click(IDOK);
    EXPECT_EQ(form->ModalResult(), IDOK);
    DWORD stored = 99;
    EXPECT_EQ(Stored("v", &stored), data) << type;
    EXPECT_EQ(stored, type);
  }
  EXPECT_TRUE(ask.Messages.empty());
}

TEST_P(ValueEditorTest, EditedTextsAreWrittenInTheValuesType) {
  struct Case {
    DWORD type;
    std::string before;
    const char* text;
    std::string after;
  } cases[] = {
      {1, "old\0"s, "new text", "new text\0"s},
      {2, "old\0"s, "%PATH%", "%PATH%\0"s},
      {4, "\0\0\0\0"s, "-1", "\xff\xff\xff\xff"s},
      {4, "\0\0\0\0"s, "4294967295", "\xff\xff\xff\xff"s},
      {4, "\0\0\0\0"s, "$FFFFFFFF", "\xff\xff\xff\xff"s},
      {4, "\0\0\0\0"s, " 0xffffffff", "\xff\xff\xff\xff"s},
      {5, "\0\0\0\0"s, "305419896", "\x12\x34\x56\x78"s},
      {7, "a\0\0"s, "a\r\n\r\nb", "a\0\0b\0\0"s},
      {3, "\1"s, "0A1B", "\x0a"s},
      {3, "\1"s, "0a 1b ", "\x0a\x1b"s},
      {3, "\1"s, "", ""s},
      {42, "\1"s, "FF 00", "\xff\0"s},
      {1, "old\0"s, "\x80\x81\x8d\xe9\xff", "\x80\x81\x8d\xe9\xff\0"s},
      {1, "a\0b\0"s, "61 00 63 00 ", "a\0c\0"s},  // a string shown as a dump keeps its type
      {4, "\1\2\3"s, "01 02 ", "\1\2"s},
  };
  for (const Case& c : cases) {
    MakeValue("", "v", c.type, c.before);
    Open("v");
    Type(c.text);
    Click(IDOK);
    DWORD stored = 99;
    EXPECT_EQ(Stored("v", &stored), c.after) << c.text;
    EXPECT_EQ(stored, c.type) << c.text;
  }
  EXPECT_TRUE(ask.Messages.empty());
  EXPECT_EQ(refreshes, 15);
}

TEST_P(ValueEditorTest, BadTextsAreReportedAndNothingIsWritten) {
  struct Case {
    DWORD type;
    const char* text;
    bool apply;
    std::vector<std::string> messages;
  } cases[] = {
      {4, "abc", false, {"'abc' is not a valid integer value"}},
      {4, "99999999999999999999", true, {"'99999999999999999999' is not a valid integer value"}},
      {4, "", false, {"'' is not a valid integer value"}},
      {4, "4294967298", true, {"'4294967298' is not a valid integer value"}},  // not cut to its low 32 bits
      {3, "0A 1G", true, {"Invalid input of binary data!", "The data was not written due to an error!"}},
      {3, "0A\r\n1B", false, {"Invalid input of binary data!", "The data was not written due to an error!"}},
      {3, "0A  A", true, {"'$ A' is not a valid integer value"}},
  };
  for (const Case& c : cases) {
    const std::string before = c.type == 4 ? "\7\0\0\0"s : "\7"s;
    MakeValue("", "v", c.type, before);
    Open("v");
    Type(c.text);
    ask.Messages.clear();
    refreshes = 0;
    Click(c.apply ? IDC_VAL_APPLY : IDOK);
    EXPECT_EQ(Stored("v"), before) << c.text;
    ASSERT_EQ(ask.Messages.size(), c.messages.size()) << c.text;
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(ask.Messages[i].text, c.messages[i]);
      EXPECT_EQ(ask.Messages[i].caption, "Hivelark");
      EXPECT_EQ(ask.Messages[i].flags, MsgError);
    }
    // A conversion message ends the command before the refresh; a rejected dump does not.
    EXPECT_EQ(refreshes, c.messages.size() == 2 ? 1 : 0) << c.text;
    EXPECT_EQ(form->ModalResult(), c.apply ? 0 : IDOK) << c.text;
    if (c.apply && c.type == 3 && c.messages.size() == 2) {
      DWORD start = 0, end = 0;
      SendMessageA(form->EditBox(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      EXPECT_EQ(start, 4u);
      EXPECT_EQ(end, 5u);
    }
  }
}

TEST_P(ValueEditorTest, AValueThatCannotBeReadIsNeverWrittenOver) {
  Open("missing");
  EXPECT_FALSE(form->Readable());
  EXPECT_FALSE(IsWindowEnabled(Item(IDOK)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_VAL_APPLY)));
  Type("00 ");
  SendMessageA(Dlg(), WM_COMMAND, IDOK, 0);
  SendMessageA(Dlg(), WM_COMMAND, IDC_VAL_APPLY, 0);
  EXPECT_EQ(Stored("missing"), "<none>");
  EXPECT_EQ(refreshes, 0);
}

TEST_P(ValueEditorTest, ApplyWritesAndShowsTheNewData) {
  MakeValue("", "v", 3, "\1");
  Open("v");
  Type("0A 0B 0C");
  Click(IDC_VAL_APPLY);
  EXPECT_EQ(Stored("v"), "\x0a\x0b\x0c");
  EXPECT_TRUE(IsWindow(Dlg()));
  EXPECT_EQ(ItemText(IDC_VAL_ORGEDIT), "0A 0B 0C ");
  EXPECT_EQ(ItemText(IDC_VAL_SIZEEDIT), "3 bytes");
  EXPECT_EQ(refreshes, 1);
  RECT rc;
  GetClientRect(Dlg(), &rc);
  EXPECT_EQ(rc.bottom, 346);  // enlarged once only
}

TEST_P(ValueEditorTest, HexBoxTypesDigitsInGroups) {
  MakeValue("", "v", 3, "");
  Open("v");
  for (char c : std::string("0a1bzff"))  SendMessageA(form->EditBox(), WM_CHAR, static_cast<unsigned char>(c), 0);
  EXPECT_EQ(Text(form->EditBox()), "0A 1B FF");
  SendMessageA(form->EditBox(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(form->ModalResult(), IDCANCEL);
  EXPECT_EQ(Stored("v"), "");
}

TEST_P(ValueEditorTest, SaveAndLoadRoundTripByteForByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  MakeValue("", "bin:a/b", 3, all);
  MakeValue("", "copy", 9, "\1");
  Open("bin:a/b");
  const std::string file = TempFile("bin_a_b.dat");
  ask.SaveAnswers.push_back(file);
  Click(IDC_VAL_SAVE);
  ASSERT_EQ(ask.SaveDialogs.size(), 1u);
  EXPECT_EQ(ask.SaveDialogs[0].DefaultExt, "dat");
  EXPECT_EQ(ask.SaveDialogs[0].Filter, "All Files (*.*)|*.*|");
  EXPECT_TRUE(ask.SaveDialogs[0].OverwritePrompt);
  EXPECT_EQ(TScratchFileContent(file), all);

  Open("copy");
  ask.OpenAnswers.push_back(file);
  Click(IDC_VAL_LOAD);
  EXPECT_EQ(Stored("copy"), "\1");  // nothing is written before OK
  Click(IDOK);
  DWORD type = 0;
  EXPECT_EQ(Stored("copy", &type), all);
  EXPECT_EQ(type, 9u);

  // Text forms save their text; a DWord loads the file's first four bytes.
  MakeValue("", "s", 1, "line\0"s);
  Open("s");
  const std::string text = TempFile("s.dat");
  ask.SaveAnswers.push_back(text);
  Click(IDC_VAL_SAVE);
  EXPECT_EQ(TScratchFileContent(text), "line");
  MakeValue("", "d", 4, "\x1a\0\0\0"s);
  Open("d");
  const std::string number = TempFile("d.dat");
  ask.SaveAnswers.push_back(number);
  Click(IDC_VAL_SAVE);
  EXPECT_EQ(TScratchFileContent(number), "26");
  ask.OpenAnswers.push_back(number);
  Click(IDC_VAL_LOAD);
  EXPECT_EQ(Text(form->EditBox()), "0");  // "26" is shorter than four bytes
  ask.OpenAnswers.push_back(text);
  Click(IDC_VAL_LOAD);
  EXPECT_EQ(Text(form->EditBox()), std::to_string(0x656e696c));
  EXPECT_TRUE(ask.Messages.empty());
}

TEST_P(ValueEditorTest, ALoadedFileIsWrittenExactlyOrShownAsHexWithAWord) {
  struct Case {
    DWORD type;
    std::string file, stored;
    const char* why;  // in the message that tells of the switch to hexadecimal data
  } const cases[] = {
      {1, "1\0" "23456789"s, "1\0" "23456789"s, "a NUL character"},
      {2, "ab\r\ncd\0"s, "ab\r\ncd\0"s, "a line break"},
      {1, "text\0"s, "text\0"s, nullptr},  // opened as hexadecimal data, loaded as text
      {7, "a\0b"s, "a\0b"s, "a NUL character"},
      {7, "a\0b\0\0"s, "a\0b\0\0"s, nullptr},  // a multi-string's own bytes
  };
  const std::string file = TempFile("load.dat");
  for (const Case& c : cases) {
    MakeValue("", "v", c.type, "old\0\0"s);
    Open("v");
    ASSERT_TRUE(SaveTextToFile(file, c.file, true));
    ask.OpenAnswers.push_back(file);
    ask.Messages.clear();
    Click(IDC_VAL_LOAD);
    EXPECT_EQ(form->Mode() == TValueMode::Hex, c.why != nullptr) << c.file;
    EXPECT_TRUE(c.why ? ask.Messages.size() == 1 && ask.Messages[0].text.find(c.why) != std::string::npos
                      : ask.Messages.empty()) << c.file;
    Click(IDOK);
    EXPECT_EQ(Stored("v"), c.stored);
  }
}

TEST_P(ValueEditorTest, TextsThePlatformsBoxFaultsOnOpenInTheOwnBox) {
  MakeValue("", "1\x98 name", 1, "1\x98" "0\0"s);
  Open("1\x98 name");
  for (int id : {IDC_VAL_NAMEEDIT, IDC_VAL_ORGEDIT, IDC_VAL_EDIT}) EXPECT_TRUE(IsOwnBox(Item(id))) << id;
  EXPECT_EQ(ItemText(IDC_VAL_NAMEEDIT) + "|" + ItemText(IDC_VAL_EDIT), "1\x98 name|1\x98" "0");
}

TEST_P(ValueEditorTest, LoadRefusesFilesTooLargeOrUnreadable) {
  MakeValue("", "v", 3, "\1");
  Open("v");
  auto sized = [this](const std::string& name, LONGLONG size) {
    const std::string file = TempFile(name);
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = size;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    return file;
  };
  const std::string over = sized("over.dat", MaxValueDataSize + 1);
  const std::string huge = sized("huge.dat", 0x80000000LL);  // 2 GiB: no negative size
  const std::string locked = sized("locked.dat", 10);
  HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  for (const std::string& f : {over, huge, locked}) ask.OpenAnswers.push_back(f);
  for (int i = 0; i < 3; ++i) Click(IDC_VAL_LOAD);
  CloseHandle(lock);
  ASSERT_EQ(ask.Messages.size(), 3u);
  EXPECT_EQ(ask.Messages[0].text, "The file \"" + over + "\" is too large for a registry value (more than 67108864 bytes) and was not loaded!");
  EXPECT_NE(ask.Messages[1].text.find("is too large"), std::string::npos);
  EXPECT_EQ(ask.Messages[2].text, "The file \"" + locked + "\" could not be read!");
  EXPECT_EQ(Text(form->EditBox()), "01 ");
  Click(IDOK);
  EXPECT_EQ(Stored("v"), "\1");
}

TEST_P(ValueEditorTest, ALoadedTextTooLongForThePlatformsBoxGoesToTheOwnBox) {
  std::string bytes(20000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13);
  const std::string file = TempFile("long.dat");
  ASSERT_TRUE(SaveTextToFile(file, bytes, true));
  MakeValue("", "v", 3, "\1");
  Open("v");
  SetFocus(form->EditBox());
  ask.OpenAnswers.push_back(file);
  Click(IDC_VAL_LOAD);
  HWND box = form->EditBox();
  EXPECT_TRUE(IsOwnBox(box));
  EXPECT_TRUE(GetWindowLongPtrA(box, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(GetWindowLongPtrA(box, GWL_STYLE) & WS_HSCROLL);  // the dump wraps
  EXPECT_EQ(Text(box), HexDumpText(bytes));
  Click(IDOK);
  EXPECT_EQ(Stored("v"), bytes);
}

TEST_P(ValueEditorTest, FileNamePicksAPathIntoAString) {
  const std::string file = TempFile("picked.txt");
  ASSERT_TRUE(SaveTextToFile(file, "x", true));
  MakeValue("", "v", 1, (file + '\0'));
  Open("v");
  ask.OpenAnswers.push_back("C:\\other\\chosen.exe");
  Click(IDC_VAL_FILENAME);
  ASSERT_EQ(ask.OpenDialogs.size(), 1u);
  EXPECT_EQ(ask.OpenDialogs[0].InitialDir, ProgramFolder());
  EXPECT_EQ(Text(form->EditBox()), "C:\\other\\chosen.exe");
  EXPECT_EQ(Stored("v"), file + '\0');
  Click(IDOK);
  EXPECT_EQ(Stored("v"), "C:\\other\\chosen.exe\0"s);
}

TEST_P(ValueEditorTest, LongNamesAndMegabyteValuesFit) {
  const std::string name(16383, 'n');
  std::string big(1 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  MakeValue("", name, 3, big);
  Open(name);
  EXPECT_EQ(ItemText(IDC_VAL_NAMEEDIT), name);
  EXPECT_EQ(static_cast<std::size_t>(GetWindowTextLengthA(form->EditBox())), 3 * big.size());
  EXPECT_TRUE(IsOwnBox(form->EditBox()));
  SendMessageA(form->EditBox(), EM_SETSEL, 0, 3);
  SendMessageA(form->EditBox(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("FF "));
  Click(IDOK);
  big[0] = '\xff';
  EXPECT_EQ(Stored(name), big);
}

INSTANTIATE_TEST_SUITE_P(Boxes, ValueEditorTest, ::testing::Values(TFormValue::LargeText, std::size_t{0}),
                         [](const auto& info) { return info.param ? "DefaultBoxes" : "OwnBox"; });

}  // namespace

namespace {

class MultiStringStoreTest : public RegSandbox {};

// The editor decides whether a multi-string can be shown as lines by the bytes its lines
// are stored as: that must be exactly what the accessor writes.
TEST_F(MultiStringStoreTest, LinesAreStoredAsTheAccessorWritesThem) {
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  for (const char* text : {"", "a", "a\r\nb", "a\r\n\r\nb\r\n", "a\nb", "a\rb", "a\r\nb\nc", "\r\n"}) {
    ASSERT_TRUE(reg.WriteMultiString("m", text));
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(reg.ReadValue("m", data, type));
    EXPECT_EQ(data, MultiStringData(text)) << text;
  }
}

}  // namespace

namespace {

// The editor run modally with keys posted to its box as soon as it opens, so they pass
// through the dialog's own message loop as typed keys do.
class TKeyedEditor : public TFormValue {
 public:
  TKeyedEditor(const std::string& keyPath, std::size_t ownBoxFrom, std::vector<WPARAM> keys, bool thenCancel = false)
      : TFormValue(RootCurrentUser, keyPath, "v"), keys_(std::move(keys)), thenCancel_(thenCancel) {
    OwnBoxFrom = ownBoxFrom;
  }
  std::string Typed;  // the box's text when Cancel arrived

 protected:
  INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    const INT_PTR r = TFormValue::HandleMessage(msg, wp, lp);
    if (msg == WM_INITDIALOG)
      for (WPARAM k : keys_) {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(k), MAPVK_VK_TO_VSC)) << 16 | 1;
        PostMessageA(EditBox(), WM_KEYDOWN, k, scan);
        if (k == VK_RETURN || k == VK_TAB) PostMessageA(EditBox(), WM_CHAR, k == VK_TAB ? '\t' : '\r', scan);
        PostMessageA(EditBox(), WM_KEYUP, k, scan | 0xC0000000);
      }
    if (msg == WM_INITDIALOG && thenCancel_) PostMessageA(Handle(), WM_COMMAND, IDCANCEL, 0);
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && Handle()) Typed = Text(EditBox());
    return r;
  }

 private:
  std::vector<WPARAM> keys_;
  bool thenCancel_;
};

class ModalEditorTest : public RegSandbox, public ::testing::WithParamInterface<std::size_t> {
 protected:
  std::string Stored() const {
    char data[16];
    DWORD size = sizeof data;
    if (RegQueryValueExA(Key(), "v", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size)) return "<none>";
    return std::string(data, size);
  }
};

TEST_P(ModalEditorTest, EnterPressesOkInTheDumpAndTypesALineInAMultiString) {
  ScriptedInteraction ask;
  MakeValue("", "v", REG_BINARY, "\1");
  TKeyedEditor hex(Path(), GetParam(), {VK_RETURN});
  EXPECT_EQ(hex.ShowModal(nullptr), IDOK);
  EXPECT_EQ(Stored(), "\1");  // unchanged: nothing written

  MakeValue("", "v", REG_MULTI_SZ, std::string("a\0\0", 3));
  TKeyedEditor typing(Path(), GetParam(), {VK_END, VK_RETURN}, true);
  EXPECT_EQ(typing.ShowModal(nullptr), IDCANCEL);
  EXPECT_EQ(typing.Typed, "a\r\n");
  TKeyedEditor tab(Path(), GetParam(), {VK_END, VK_TAB}, true);
  EXPECT_EQ(tab.ShowModal(nullptr), IDCANCEL);
  EXPECT_EQ(tab.Typed, "a\t");  // Tab types too, in every box

  TKeyedEditor lines(Path(), GetParam(), {VK_END, VK_RETURN, VK_ESCAPE});
  EXPECT_EQ(lines.ShowModal(nullptr), IDCANCEL);  // Esc in the box closes with Cancel
  EXPECT_TRUE(ask.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Boxes, ModalEditorTest, ::testing::Values(TFormValue::LargeText, std::size_t{0}),
                         [](const auto& info) { return info.param ? "DefaultBoxes" : "OwnBox"; });

}  // namespace
