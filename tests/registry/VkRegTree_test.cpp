// The key tree operations (delete, copy and move, value rename, tree size) against the real
// registry, inside the sandbox key.
#include <algorithm>
#include <string>
#include <vector>

#include "HandleCount.h"
#include "registry/VkRegistry.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

// The sandbox, emptied first by the platform's own tree delete, which also reaches the
// names that the ANSI calls cannot (the sandbox's clean-up walks with them).
class Tree : public RegSandbox {
 protected:
  void TearDown() override {
    if (Key()) RegDeleteTreeA(Key(), nullptr);
    RegSandbox::TearDown();
  }
};


bool Exists(HKEY parent, const std::string& sub) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// A subkey and a value whose names the ANSI code page cannot represent: the ANSI listing
// shows them as "??", which names nothing, so they can be neither opened nor read by name.
void MakeUnreachable(HKEY parent, const std::string& key) {
  HKEY k = nullptr, sub = nullptr;
  ASSERT_EQ(RegCreateKeyExA(parent, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExW(k, L"\u4E2D\u6587", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(k);
}

void Put(HKEY parent, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(parent, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  if (!name.empty() || type != REG_NONE) {
    EXPECT_EQ(RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  RegCloseKey(k);
}

// The three-level tree below parent\name, with values of every awkward kind (12 lines).
void MakeTree(HKEY parent, const std::string& name) {
  Put(parent, name, "", REG_SZ, "default\0"s);
  Put(parent, name, "qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s);
  Put(parent, name, "undefined", 0x1234, "xyz");
  Put(parent, name, "empty", REG_SZ, "");
  Put(parent, name, "x", REG_DWORD, "\x05\x00\x00\x00"s);
  Put(parent, name + "\\B", "big", REG_BINARY, std::string(100000, 'b'));
  Put(parent, name + "\\B", "none", REG_NONE, "x");
  Put(parent, name + "\\B\\C", "multi", REG_MULTI_SZ, "one\0two\0\0"s);
  Put(parent, name + "\\B\\C\\Empty", "", REG_NONE, "");
  Put(parent, name + "\\Other", "", REG_NONE, "");
}

}  // namespace

TEST_F(Tree, DeleteKeyRemovesTheWholeTreeAndRefusesTheRoot) {
  MakeTree(Key(), "A");
  MakeKey("Sibling");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("Sibling"), false));
  const HKEY before = reg.CurrentKey();
  EXPECT_TRUE(reg.DeleteKey(Path("A")));
  EXPECT_FALSE(Exists(Key(), "A"));
  EXPECT_EQ(reg.CurrentKey(), before);
  EXPECT_TRUE(reg.WriteString("still", "open", REG_SZ));
  EXPECT_TRUE(reg.DeleteKey(Path("Missing")));  // it does not exist afterwards
  for (const char* root : {"", "\\", "\\\\"}) EXPECT_FALSE(reg.DeleteKey(root)) << root;
  EXPECT_TRUE(Exists(Key(), "Sibling"));
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  MakeKey("Rel\\Sub");
  EXPECT_TRUE(reg.DeleteKey("Rel"));  // relative to the current key
  EXPECT_FALSE(Exists(Key(), "Rel"));
  ASSERT_TRUE(reg.CloseKey());
  MakeKey("Rel");
  EXPECT_FALSE(reg.DeleteKey("Rel"));  // relative to nothing open
  EXPECT_TRUE(Exists(Key(), "Rel"));
}

TEST_F(Tree, DeleteKeyReachesNamesTheCodePageCannotSpell) {
  MakeTree(Key(), "A");
  MakeUnreachable(Key(), "A\\B");
  {  // a value whose ANSI text "??" names nothing: deleted by its stored name
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(Key(), "A", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, L"\u4E2D\u6587", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"v"), 4), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  ScriptedInteraction answers;
  TVkReg reg;
  EXPECT_TRUE(reg.DeleteKey(Path("A")));
  EXPECT_FALSE(Exists(Key(), "A"));
  EXPECT_TRUE(answers.Messages.empty());
}

TEST_F(Tree, CopyKeyCopiesEveryByteAndTypeAndMergesIntoTheTarget) {
  MakeTree(Key(), "A");
  MakeValue("T", "x", REG_SZ, "old\0"s);       // replaced by the source's x
  MakeValue("T\\y", "kept", REG_DWORD, "\x01\x00\x00\x00"s);  // stays
  {  // an unterminated string, stored exactly
    TVkReg w;
    ASSERT_TRUE(w.OpenPath(RootCurrentUser, Path("A\\B\\C"), false));
    ASSERT_TRUE(w.WriteData("unterminated", "abc", REG_SZ, 3));
  }
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("A\\B"), false));
  const HKEY before = reg.CurrentKey();
  ASSERT_TRUE(reg.CopyKey(Path("A"), Path("T"), false));
  EXPECT_EQ(reg.CurrentKey(), before);
  std::vector<std::string> expected = DumpTree(Key(), "A");
  ASSERT_EQ(expected.size(), 13u);
  expected.push_back("\\y");
  expected.push_back("\\y|kept|4|\x01\x00\x00\x00"s);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(DumpTree(Key(), "T"), expected);
  EXPECT_EQ(DumpTree(Key(), "A").size(), 13u);  // a copy leaves the source
  // Relative source, absolute target (as the copy command passes them), as a move.
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  ASSERT_TRUE(reg.CopyKey("A", Path("Moved\\Deeper"), true));
  EXPECT_FALSE(Exists(Key(), "A"));
  EXPECT_EQ(DumpTree(Key(), "Moved\\Deeper").size(), 13u);
}

TEST_F(Tree, CopyKeyRefusesRootsAndKeysInsideEachOther) {
  MakeTree(Key(), "A");
  const std::vector<std::string> tree = DumpTree(Key(), "");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  struct Case {
    std::string source, target;
  } cases[] = {
      {Path("A"), Path("a")},                   // equal ignoring case
      {"A", "a"},
      {Path("A"), Path("A\\B\\New")},           // target inside the source
      {"A", Path("A\\B\\New")},                 // the same, the source relative
      {Path("A"), "a\\b\\New"},
      {Path("A\\B"), Path("A")},                // source inside the target
      {"a\\B\\C", "\\" + Path().substr(1) + "A"},
      {Path("A") + "\\", Path("A\\\\B\\")},     // doubled and trailing separators
      {"", Path("X")}, {"\\", Path("X")}, {Path("A"), ""}, {Path("A"), "\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + " -> " + c.target);
    EXPECT_FALSE(reg.CopyKey(c.source, c.target, false));
    EXPECT_FALSE(reg.CopyKey(c.source, c.target, true));
    EXPECT_EQ(DumpTree(Key(), ""), tree);
  }
}

TEST_F(Tree, CopyKeyFromAMissingSourceCreatesNothing) {
  TVkReg reg;
  EXPECT_FALSE(reg.CopyKey(Path("Missing"), Path("T"), true));
  EXPECT_FALSE(Exists(Key(), "T"));
}

TEST_F(Tree, KeysAndValuesTheCodePageCannotSpellAreCopiedAndMovedWhole) {
  MakeTree(Key(), "A");
  MakeUnreachable(Key(), "A\\B");
  const std::vector<std::string> source = DumpTree(Key(), "A");
  ScriptedInteraction answers;
  TVkReg reg;
  EXPECT_TRUE(reg.CopyKey(Path("A"), Path("T"), true));
  EXPECT_FALSE(Exists(Key(), "A"));
  EXPECT_EQ(DumpTree(Key(), "T"), source);
  EXPECT_TRUE(answers.Messages.empty());
}

namespace {
int g_growOnce = 0;
// Makes the value "v" of the key being listed far larger than the key's maxima queried just before.
void GrowValue(HKEY key) {
  if (g_growOnce-- != 1) return;
  const std::string big(300000, 'g');
  RegSetValueExA(key, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()), static_cast<DWORD>(big.size()));
}
}  // namespace

TEST_F(Tree, AValueThatGrowsDuringTheCopyIsCopiedWhole) {
  MakeValue("A", "v", REG_BINARY, "small");
  const TRegListingHook previous = SetRegListingHook(GrowValue);
  g_growOnce = 1;
  TVkReg reg;
  EXPECT_TRUE(reg.CopyKey(Path("A"), Path("T"), false));
  SetRegListingHook(previous);
  EXPECT_EQ(DumpTree(Key(), "T"), (std::vector<std::string>{"|v|3|" + std::string(300000, 'g')}));
}

TEST_F(Tree, DeepChainsAndManyValues) {
  // 600 levels (a path of 2,400 characters) and a key of 10,000 values.
  {
    HKEY k = Key();
    for (int i = 0; i < 600; ++i) {
      HKEY next = nullptr;
      ASSERT_EQ(RegCreateKeyExA(k, ("L" + std::to_string(i % 100 + 100)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &next, nullptr),
                ERROR_SUCCESS);
      RegSetValueExA(next, "d", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
      if (k != Key()) RegCloseKey(k);
      k = next;
    }
    RegCloseKey(k);
    HKEY many = nullptr;
    ASSERT_EQ(RegCreateKeyExA(Key(), "Many", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &many, nullptr), ERROR_SUCCESS);
    for (int i = 0; i < 10000; ++i)
      RegSetValueExA(many, ("v" + std::to_string(i)).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
    RegCloseKey(many);
  }
  std::string deepest;
  for (int i = 0; i < 600; ++i) deepest += "L" + std::to_string(i % 100 + 100) + "\\";
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(reg.GetKeySize("L100"), 2400);
  EXPECT_EQ(reg.GetKeySize("Many"), 40000);
  ASSERT_TRUE(reg.CopyKey("L100", Path("Copy"), false));
  ASSERT_TRUE(reg.CopyKey("Many", Path("ManyCopy"), false));
  EXPECT_TRUE(reg.KeyExists("Copy\\" + deepest.substr(5)));
  EXPECT_EQ(reg.GetKeySize(Path("Copy")), 2400);
  EXPECT_EQ(DumpTree(Key(), "ManyCopy"), DumpTree(Key(), "Many"));
  for (const char* key : {"L100", "Copy", "Many", "ManyCopy"}) {
    EXPECT_TRUE(reg.DeleteKey(key)) << key;
    EXPECT_FALSE(Exists(Key(), key)) << key;
  }
}

TEST_F(Tree, RenameValueMovesDataAndTypeExactly) {
  MakeValue("", "old", 0x1234, "\x00\x01\x02"s);
  MakeValue("", "caf\xC9", REG_SZ, "x\0"s);
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  for (const char* same : {"old", "OLD", "Old"}) EXPECT_FALSE(reg.RenameValue("old", same)) << same;
  EXPECT_FALSE(reg.RenameValue("caf\xC9", "caf\xE9"));  // case-only outside ASCII
  EXPECT_FALSE(reg.RenameValue("missing", "other"));
  EXPECT_EQ(DumpTree(Key(), ""), (std::vector<std::string>{"|caf\xC9|1|x\0"s, "|old|4660|\x00\x01\x02"s}));
  ASSERT_TRUE(reg.RenameValue("old", "new"));
  EXPECT_EQ(DumpTree(Key(), ""), (std::vector<std::string>{"|caf\xC9|1|x\0"s, "|new|4660|\x00\x01\x02"s}));
  // A write the registry refuses leaves the old value in place.
  TVkReg readOnly;
  readOnly.Access = KEY_READ;
  ASSERT_TRUE(readOnly.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_FALSE(readOnly.RenameValue("new", "newer"));
  EXPECT_TRUE(readOnly.ValueExists("new"));
}

TEST_F(Tree, GetKeySizeCountsDataBytesOnly) {
  MakeTree(Key(), "A");
  MakeKey("NoValues\\Sub");
  MakeUnreachable(Key(), "A");  // a subkey that cannot be opened adds nothing
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  const HKEY before = reg.CurrentKey();
  // 8 ("default\0") + 8 + 3 + 0 + 4, 100000 + 1, 9 ("one\0two\0\0").
  EXPECT_EQ(reg.GetKeySize("A"), 8 + 8 + 3 + 0 + 4 + 100000 + 1 + 9);
  EXPECT_EQ(reg.GetKeySize(Path("A\\B\\C")), 9);
  EXPECT_EQ(reg.GetKeySize("NoValues"), 0);
  EXPECT_EQ(reg.GetKeySize("Missing"), -1);
  EXPECT_EQ(reg.CurrentKey(), before);
  EXPECT_GE(reg.GetKeySize("\\"), reg.GetKeySize("A"));  // the whole root
  EXPECT_EQ(reg.CurrentKey(), before);
}

TEST_F(Tree, WalksCloseEveryHandleTheyOpen) {
  // Counted from the system's handle list; a deliberate leak shows, so the count is real.
  const DWORD start = ProcessHandles();
  HKEY leaked[5];
  for (HKEY& k : leaked) ASSERT_EQ(RegOpenKeyExA(Key(), "", 0, KEY_READ, &k), ERROR_SUCCESS);
  ASSERT_GE(ProcessHandles(), start + 5);
  for (HKEY k : leaked) RegCloseKey(k);

  MakeTree(Key(), "A");
  MakeUnreachable(Key(), "A\\B");
  const std::string longName(250, 'l');
  auto churn = [&] {
    ScriptedInteraction answers;
    TVkReg reg;
    ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
    for (int i = 0; i < 20; ++i) {
      (void)reg.CopyKey("A", Path("T"), false);              // incomplete
      (void)reg.CopyKey("A", Path("A\\B\\T"), false);        // refused
      (void)reg.CopyKey(Path("A\\B\\C"), Path("M"), true);   // complete move
      (void)reg.CopyKey(Path("M"), Path("A\\B\\C"), true);
      (void)reg.GetKeySize("A");
      (void)reg.DeleteKey("T");
      (void)reg.RenameValue("", "renamed");
      (void)reg.RenameValue("renamed", "");
      (void)reg.CreateKey("Long\\" + longName + "\\" + longName);
      (void)reg.KeyExists(Path("Long\\" + longName + "\\" + longName));
      (void)reg.OpenKey(Path("Long\\" + longName + "\\" + longName + "\\missing"), false);
      ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
      (void)reg.DeleteKey("Long");
    }
  };
  churn();
  const DWORD before = ProcessHandles();
  churn();
  EXPECT_LE(ProcessHandles(), before + 2);
}
