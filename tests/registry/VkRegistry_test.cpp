// The registry accessor against the real (Wine) registry, inside a sandbox key.
#include "registry/VkRegistry.h"

#include <algorithm>

#include "HandleCount.h"
#include "support/TestSupport.h"

using Sandbox = RegSandbox;

namespace {

// Creates the chain of names below parent with one bare call per name (a path of more than
// 260 characters is refused by a single ANSI call).
void MakeChain(HKEY parent, const std::vector<std::string>& names) {
  HKEY k = parent;
  for (const std::string& name : names) {
    HKEY next = nullptr;
    ASSERT_EQ(RegCreateKeyExA(k, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr), ERROR_SUCCESS);
    if (k != parent) RegCloseKey(k);
    k = next;
  }
  if (k != parent) RegCloseKey(k);
}

std::string JoinPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) path += (path.empty() ? "" : "\\") + name;
  return path;
}

// Size and type as a bare query reports them, or -1.
long long StoredSize(HKEY key, const std::string& name, DWORD* type = nullptr) {
  DWORD size = 0;
  return RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS ? size : -1;
}

}  // namespace

TEST(RootTables, NamesResolveCaseInsensitivelyAndWhole) {
  EXPECT_EQ(RootFromName("hkcu"), 0x80000001u);
  EXPECT_EQ(RootFromName("HKCU"), 0x80000001u);
  EXPECT_EQ(RootFromName("HKEY_current_USER"), 0x80000001u);
  EXPECT_EQ(RootFromName("HKU"), 0x80000003u);
  EXPECT_EQ(RootFromName("hkey_dyn_data"), 0x80000006u);
  EXPECT_EQ(RootFromName("HKEY_USER"), 0u);   // a prefix of a long name
  EXPECT_EQ(RootFromName("HKCU\\"), 0u);      // a short name with a backslash
  EXPECT_EQ(RootFromName("HKU\\"), 0u);       // the padding of "HKU" never matches
  EXPECT_EQ(RootFromName(std::string("HKU\0", 4)), 0u);
  EXPECT_EQ(RootFromName(""), 0u);
  EXPECT_STREQ(RootName(0x80000002u), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootShortName(0x80000003u), "HKU");
  EXPECT_STREQ(RootName(0x80000007u), "");
  EXPECT_STREQ(TypeNames[5], "DWord BigEndian");
  EXPECT_STREQ(TypeNames[9], "Full Resource");
  EXPECT_STREQ(TypeNames[10], "Resource Req");
  EXPECT_STREQ(TypeConstNames[11], "REG_QWORD");
}

TEST(RootTables, RootKeysBecomeThePlatformHandles) {
  EXPECT_EQ(RootToHkey(RootClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(RootToHkey(RootCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(RootToHkey(RootLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootToHkey(RootUsers), HKEY_USERS);
  EXPECT_EQ(RootToHkey(RootPerformanceData), HKEY_PERFORMANCE_DATA);
  EXPECT_EQ(RootToHkey(RootCurrentConfig), HKEY_CURRENT_CONFIG);
  EXPECT_EQ(RootToHkey(RootDynData), HKEY_DYN_DATA);
  EXPECT_EQ(sizeof(HKEY), 8u);
}

TEST_F(Sandbox, StartsRootOnlyOnCurrentUser) {
  TVkReg reg;
  EXPECT_EQ(reg.Root(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg.CurrentKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg.Access, 0x3Fu);
}

TEST_F(Sandbox, OpenPathAtTheRootOpensNothing) {
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, "\\", false));
  EXPECT_EQ(reg.CurrentKey(), HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenPath(RootLocalMachine, "", false));
  EXPECT_EQ(reg.CurrentKey(), HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists("\\"));
  EXPECT_TRUE(reg.KeyExists(""));
  EXPECT_EQ(reg.OpenKeyHandle("\\"), HKEY_LOCAL_MACHINE);
}

TEST_F(Sandbox, ValueOperationsAtTheRootActOnTheRootKey) {
  // The root of HKEY_CURRENT_USER stands in for a root's default value.
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  ASSERT_TRUE(reg.WriteString("", "default", REG_SZ));
  EXPECT_EQ(reg.ReadString("", "x"), "default");
  std::vector<std::string> names;
  EXPECT_EQ(reg.GetValueNames(names), 1);
  EXPECT_EQ(names, std::vector<std::string>{""});
}

TEST_F(Sandbox, OpenKeyFollowsThePathRule) {
  MakeKey("A\\Sub");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("A"), false));
  HKEY a = reg.CurrentKey();
  ASSERT_NE(a, HKEY_CURRENT_USER);
  // Relative: from \A\ to \A\Sub, releasing the handle of \A\ afterwards.
  ASSERT_TRUE(reg.OpenKey("Sub", false));
  EXPECT_NE(reg.CurrentKey(), a);
  ASSERT_TRUE(reg.WriteString("here", "sub", REG_SZ));
  HKEY check = nullptr;
  ASSERT_EQ(RegOpenKeyExA(Key(), "A\\Sub", 0, KEY_READ, &check), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(check, "here", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(check);
  // Absolute paths start at the root whatever is open.
  ASSERT_TRUE(reg.OpenKey(Path("A"), false));
  EXPECT_FALSE(reg.ValueExists("here"));
  // A failed open leaves nothing open; value operations then fail harmlessly.
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_FALSE(reg.ValueExists("here"));
  EXPECT_EQ(reg.GetDataSize("here"), -1);
  EXPECT_EQ(reg.ReadString("here", "dflt"), "dflt");
  EXPECT_FALSE(reg.WriteString("x", "y", REG_SZ));
  EXPECT_FALSE(reg.OpenKey("Sub", false));  // relative to nothing
  EXPECT_FALSE(reg.CloseKey());
  // From nothing-open an absolute path works again, and canCreate makes missing keys.
  ASSERT_TRUE(reg.OpenKey(Path("A\\New\\Deeper"), true));
  EXPECT_TRUE(reg.KeyExists(Path("A\\New\\Deeper")));
}

TEST_F(Sandbox, ExistenceAndSubkeyCounts) {
  MakeKey("K\\one");
  MakeKey("K\\two");
  MakeKey("Empty");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_TRUE(reg.KeyExists("K"));
  EXPECT_TRUE(reg.KeyExists(Path("K\\one")));
  EXPECT_FALSE(reg.KeyExists("Nope"));
  EXPECT_EQ(reg.GetSubKeyCount("K"), 2);
  EXPECT_EQ(reg.GetSubKeyCount("Empty"), 0);
  EXPECT_EQ(reg.GetSubKeyCount("Nope"), -1);
  EXPECT_TRUE(reg.CreateKey("Made\\Below"));
  EXPECT_TRUE(reg.CreateKey("Made\\Below"));  // existing is fine
  EXPECT_EQ(reg.GetSubKeyCount("Made"), 1);
  HKEY h = reg.CreateKeyHandle("Made2");
  ASSERT_NE(h, nullptr);
  RegCloseKey(h);
  h = reg.OpenKeyHandle("Made2");
  ASSERT_NE(h, nullptr);
  RegCloseKey(h);
}

TEST_F(Sandbox, KeyInfoAndNames) {
  MakeKey("Info\\abc");
  MakeKey("Info\\abcdefg");
  MakeValue("Info", "v", REG_BINARY, std::string(260, 'x'));
  MakeValue("Info", "a much longer name", REG_DWORD, std::string(4, '\0'));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("Info"), false));
  KeyInfo info;
  ASSERT_TRUE(reg.GetKeyInfo(info));
  EXPECT_EQ(info.NumSubKeys, 2u);
  EXPECT_EQ(info.MaxSubKeyLen, 7u);
  EXPECT_EQ(info.NumValues, 2u);
  EXPECT_EQ(info.MaxValueNameLen, 18u);
  EXPECT_GE(info.MaxDataLen, 260u);
  EXPECT_TRUE(info.LastWriteTime.dwLowDateTime != 0 || info.LastWriteTime.dwHighDateTime != 0);

  std::vector<std::string> names{"stale"};
  EXPECT_EQ(reg.GetKeyNames(names), 2);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"abc", "abcdefg"}));
  EXPECT_EQ(reg.GetValueNames(names), 2);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a much longer name", "v"}));

  ASSERT_TRUE(reg.CloseKey());
  KeyInfo none;
  none.NumValues = 99;
  EXPECT_FALSE(reg.GetKeyInfo(none));
  EXPECT_EQ(none.NumValues, 0u);
  EXPECT_EQ(reg.GetKeyNames(names), 0);
  EXPECT_TRUE(names.empty());
}

TEST_F(Sandbox, NamesAtTheLengthLimitsAreListed) {
  const std::string longKey(200, 'k');
  const std::string longValue(16383, 'v');
  MakeKey("Limits\\" + longKey);
  MakeValue("Limits", longValue, REG_SZ, std::string("x\0", 2));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("Limits"), false));
  std::vector<std::string> names;
  ASSERT_EQ(reg.GetKeyNames(names), 1);
  EXPECT_EQ(names[0], longKey);
  ASSERT_EQ(reg.GetValueNames(names), 1);
  EXPECT_EQ(names[0], longValue);
}

TEST_F(Sandbox, UniqueNamesSkipKeysAndValues) {
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(reg.GetUniqueName("New Key #"), "New Key #1");
  ASSERT_TRUE(reg.WriteString("New Key #1", "", REG_SZ));
  EXPECT_EQ(reg.GetUniqueName("New Key #"), "New Key #2");
  ASSERT_TRUE(reg.CreateKey("New Key #2"));
  EXPECT_EQ(reg.GetUniqueName("New Key #"), "New Key #3");
}

TEST_F(Sandbox, DataInfoAndBinaryReads) {
  MakeValue("", "bin", REG_BINARY, std::string("\x01\x02", 2));
  MakeValue("", "odd", 0x1234, "abc");
  MakeValue("", "empty", REG_DWORD, "");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  DataInfo info;
  ASSERT_TRUE(reg.GetDataInfo("bin", info));
  EXPECT_EQ(info.DataSize, 2u);
  EXPECT_EQ(info.DataType, REG_BINARY);
  EXPECT_EQ(reg.GetDataType("odd"), 0x1234);
  EXPECT_EQ(reg.GetDataSize("empty"), 0);
  EXPECT_EQ(reg.GetDataType("empty"), REG_DWORD);
  EXPECT_FALSE(reg.GetDataInfo("missing", info));
  EXPECT_EQ(info.DataSize, 0u);
  EXPECT_EQ(reg.GetDataSize("missing"), -1);
  EXPECT_EQ(reg.GetDataType("missing"), -1);

  unsigned char buf[4] = {9, 9, 9, 9};
  ASSERT_TRUE(reg.ReadBinaryData("bin", buf, 4));
  EXPECT_EQ(buf[0], 1);
  EXPECT_EQ(buf[1], 2);
  EXPECT_EQ(buf[2], 0);  // the rest stays zero
  EXPECT_FALSE(reg.ReadBinaryData("odd", buf, 2));  // larger than the buffer
  EXPECT_FALSE(reg.ReadBinaryData("odd", nullptr, 0));
  EXPECT_TRUE(reg.ReadBinaryData("empty", nullptr, 0));
  EXPECT_FALSE(reg.ReadBinaryData("missing", buf, 4));
}

TEST_F(Sandbox, WholeValueReads) {
  MakeValue("", "big", REG_BINARY, std::string(100000, 'z'));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  std::string data;
  DWORD type = 0;
  ASSERT_TRUE(reg.ReadValue("big", data, type));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, std::string(100000, 'z'));
  EXPECT_FALSE(reg.ReadValue("missing", data, type));
  EXPECT_TRUE(data.empty());
}

TEST_F(Sandbox, StringsAndTheirNuls) {
  MakeValue("", "embedded", REG_SZ, std::string("one\0two\0", 8));
  MakeValue("", "unterminated", REG_SZ, "abc");
  MakeValue("", "multi", REG_MULTI_SZ, std::string("first\0second\0\0", 14));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(reg.ReadString("embedded", "d"), "one");
  EXPECT_EQ(reg.ReadString("unterminated", "d"), "abc");
  EXPECT_EQ(reg.ReadString("multi", "d"), "first");
  EXPECT_EQ(reg.ReadString("missing", "d"), "d");
  ASSERT_TRUE(reg.WriteString("w", "text", REG_EXPAND_SZ));
  EXPECT_EQ(reg.GetDataSize("w"), 5);
  EXPECT_EQ(reg.GetDataType("w"), REG_EXPAND_SZ);
  ASSERT_TRUE(reg.WriteString("", "the default", REG_SZ));
  EXPECT_TRUE(reg.ValueExists(""));
  EXPECT_EQ(reg.ReadString("", ""), "the default");
  ASSERT_TRUE(reg.DeleteValue(""));
  EXPECT_FALSE(reg.ValueExists(""));
  EXPECT_FALSE(reg.DeleteValue("missing"));
  // Windows-1252 letters pass through the ANSI calls unchanged.
  ASSERT_TRUE(reg.WriteString("caf\xE9", "\xC4\xD6\xDC \x80", REG_SZ));
  EXPECT_EQ(reg.ReadString("caf\xE9", ""), "\xC4\xD6\xDC \x80");
}

TEST_F(Sandbox, Integers) {
  MakeValue("", "qword", REG_QWORD, std::string(8, '\x01'));
  MakeValue("", "short", REG_BINARY, std::string("\x34\x12", 2));
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_EQ(reg.ReadInteger("qword", -5), -5);  // does not fit in 4 bytes
  EXPECT_EQ(reg.ReadInteger("short", -5), 0x1234);
  EXPECT_EQ(reg.ReadInteger("missing", 42), 42);

  ASSERT_TRUE(reg.WriteInteger("be", 0x12345678, true));
  unsigned char b[4];
  ASSERT_TRUE(reg.ReadBinaryData("be", b, 4));
  EXPECT_EQ(b[0], 0x12);
  EXPECT_EQ(b[1], 0x34);
  EXPECT_EQ(b[2], 0x56);
  EXPECT_EQ(b[3], 0x78);
  EXPECT_EQ(reg.GetDataType("be"), REG_DWORD_BIG_ENDIAN);
  EXPECT_EQ(reg.ReadInteger("be", 0), 0x12345678);

  ASSERT_TRUE(reg.WriteInteger("le", -2, false));
  EXPECT_EQ(reg.GetDataType("le"), REG_DWORD);
  EXPECT_EQ(reg.GetDataSize("le"), 4);
  EXPECT_EQ(reg.ReadInteger("le", 0), -2);
}

TEST_F(Sandbox, MultiStringsRoundTripByLineBreakKind) {
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  struct Case {
    const char* text;
    std::string stored;
  } cases[] = {
      {"one\r\ntwo", std::string("one\0two\0\0", 9)},
      {"one\ntwo\nthree", std::string("one\0two\0three\0\0", 15)},
      {"one\rtwo", std::string("one\0two\0\0", 9)},
      {"single", std::string("single\0\0", 8)},
      {"mixed\r\nand\nlone", std::string("mixed\r\nand\nlone\0\0", 17)},  // stored unchanged
      {"", std::string("\0\0", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(reg.WriteMultiString("m", c.text));
    EXPECT_EQ(reg.GetDataType("m"), REG_MULTI_SZ);
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(reg.ReadValue("m", data, type));
    EXPECT_EQ(data, c.stored);
  }
  MakeValue("", "abc", REG_MULTI_SZ, std::string("a\0b\0c\0\0", 7));
  EXPECT_EQ(reg.ReadMultiString("abc"), "a\r\nb\r\nc");
  EXPECT_EQ(reg.ReadMultiString("missing"), "");
}

TEST_F(Sandbox, ChangeValueTypeKeepsTheBytes) {
  MakeValue("", "v", REG_BINARY, std::string("\x01\x00\x02\x03\x04", 5));
  MakeValue("", "undefined", 0x80000000u, "xyz");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  ASSERT_TRUE(reg.ChangeValueType("v", REG_DWORD));
  std::string data;
  DWORD type = 0;
  ASSERT_TRUE(reg.ReadValue("v", data, type));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, std::string("\x01\x00\x02\x03\x04", 5));
  ASSERT_TRUE(reg.ChangeValueType("undefined", 0xFFFFFFFFu));
  ASSERT_TRUE(reg.ReadValue("undefined", data, type));
  EXPECT_EQ(type, 0xFFFFFFFFu);
  EXPECT_EQ(data, "xyz");
  EXPECT_FALSE(reg.ChangeValueType("missing", REG_SZ));
  EXPECT_FALSE(reg.ValueExists("missing"));
}

TEST_F(Sandbox, ReadOnlyAccessRefusesWrites) {
  TVkReg reg;
  reg.Access = KEY_READ;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  EXPECT_FALSE(reg.WriteString("x", "y", REG_SZ));
  EXPECT_FALSE(reg.ValueExists("x"));
}

TEST_F(Sandbox, ConnectingToTheLocalMachineKeepsTheAccessorUsable) {
  MakeValue("", "v", REG_SZ, std::string("here\0", 5));
  TVkReg reg;
  ASSERT_TRUE(reg.SetRootKey(RootCurrentUser));
  EXPECT_FALSE(reg.ConnectRegistry("\\\\no-such-machine-here"));
  EXPECT_EQ(reg.Root(), HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.ConnectRegistry(""));
  EXPECT_EQ(reg.CurrentKey(), HKEY_CURRENT_USER);  // left as it was
  ASSERT_TRUE(reg.OpenKey(Path(), false));
  EXPECT_EQ(reg.ReadString("v", ""), "here");
}

TEST_F(Sandbox, ThousandsOfOpensLeakNoHandles) {
  MakeKey("L\\a");
  MakeValue("L", "v", REG_DWORD, std::string(4, '\x07'));
  auto churn = [this] {
    for (int i = 0; i < 500; ++i) {
      TVkReg reg;
      reg.Access = KEY_READ;
      (void)reg.OpenPath(RootCurrentUser, Path("L"), false);
      (void)reg.OpenKey("a", false);                 // relative: the old key is released
      (void)reg.OpenKey(Path("L"), false);           // absolute
      (void)reg.OpenKey(Path("missing"), false);     // failure
      (void)reg.OpenKey(Path("L"), false);
      (void)reg.KeyExists("a");
      (void)reg.GetSubKeyCount("a");
      (void)reg.GetSubKeyCount("missing");
      std::vector<std::string> names;
      (void)reg.GetKeyNames(names);
      (void)reg.GetValueNames(names);
      (void)reg.ReadInteger("v", 0);
      (void)reg.SetRootKey(RootLocalMachine);
      (void)reg.OpenPath(RootCurrentUser, Path("L"), false);
      if (i % 50 == 0) (void)reg.ConnectRegistry("");
    }
  };
  churn();  // let the process reach its steady state first
  const DWORD before = ProcessHandles();
  churn();
  churn();
  EXPECT_LE(ProcessHandles(), before + 2);
}

TEST_F(Sandbox, PathsLongerThanThePlatformsLimitOpenAndCreate) {
  // Names of 256 characters (the most a key name takes) and of 40, 700 characters in all.
  const std::vector<std::string> chain = {std::string(256, 'a'), std::string(256, 'b'), std::string(40, 'c'),
                                          std::string(40, 'd'), std::string(40, 'e'), std::string(40, 'f')};
  MakeChain(Key(), chain);
  const std::string deep = JoinPath(chain);
  ASSERT_GT(Path(deep).size(), 700u);
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(deep), false));
  ASSERT_TRUE(reg.WriteString("here", "deep", REG_SZ));
  EXPECT_TRUE(reg.KeyExists(Path(deep)));
  EXPECT_FALSE(reg.KeyExists(Path(deep + "\\missing")));
  EXPECT_EQ(reg.GetSubKeyCount(Path(JoinPath(std::vector<std::string>(chain.begin(), chain.end() - 1)))), 1);
  EXPECT_EQ(reg.GetSubKeyCount(Path(deep + "\\missing")), -1);
  HKEY h = reg.OpenKeyHandle(Path(deep));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(RegQueryValueExA(h, "here", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(h);
  // Creation, absolute and relative, makes every missing key on the way.
  EXPECT_TRUE(reg.CreateKey(Path(deep + "\\new\\" + std::string(250, 'n'))));
  EXPECT_TRUE(reg.KeyExists(Path(deep + "\\new\\" + std::string(250, 'n'))));
  h = reg.CreateKeyHandle(Path(deep + "\\made"));
  ASSERT_NE(h, nullptr);
  RegCloseKey(h);
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  ASSERT_TRUE(reg.OpenKey(deep + "\\", false));  // relative, with the trailing "\\" of a location
  EXPECT_EQ(reg.ReadString("here", ""), "deep");
  ASSERT_TRUE(reg.OpenKey(Path(deep + "\\" + std::string(255, 'x') + "\\y"), true));
  EXPECT_TRUE(reg.KeyExists(Path(deep + "\\" + std::string(255, 'x')) + "y"));
  EXPECT_FALSE(reg.OpenKey(Path(deep + "\\missing\\" + std::string(300, 'z')), false));
  EXPECT_EQ(reg.CurrentKey(), nullptr);
}

TEST_F(Sandbox, WritesStoreExactlyTheGivenBytes) {
  // The data always has a NUL behind it (as in every std::string); none of it may be taken.
  const std::string datas[] = {"abc", std::string("ab\0", 3), "", std::string("a\0b", 3), std::string("\0\0", 2)};
  const DWORD types[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_LINK, REG_MULTI_SZ, REG_QWORD,
                         0x1234};
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path(), false));
  for (DWORD type : types) {
    for (const std::string& data : datas) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << data.size() << " bytes");
      ASSERT_TRUE(reg.WriteData("v", data.c_str(), type, static_cast<DWORD>(data.size())));
      DWORD stored = 0;
      EXPECT_EQ(StoredSize(Key(), "v", &stored), static_cast<long long>(data.size()));
      EXPECT_EQ(stored, type);
      std::string back;
      DWORD backType = 0;
      ASSERT_TRUE(reg.ReadValue("v", back, backType));
      EXPECT_EQ(back, data);
    }
  }
  // Retyping keeps the size, however often it goes round.
  ASSERT_TRUE(reg.WriteData("r", "abc", REG_BINARY, 3));
  for (int round = 0; round < 2; ++round)
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY}) {
      ASSERT_TRUE(reg.ChangeValueType("r", type));
      EXPECT_EQ(StoredSize(Key(), "r"), 3) << type;
    }
  EXPECT_FALSE(reg.WriteData("n", nullptr, REG_SZ, 4));
  EXPECT_TRUE(reg.WriteData("n", nullptr, REG_SZ, 0));
}

namespace {
int g_growPhase = 0;
// Replaces the listed key's only subkey (phase 1) or only value (phase 2) by one whose
// name is longer than the maximum the listing has just queried.
void GrowNameOnce(HKEY key) {
  HKEY k = nullptr;
  if (g_growPhase == 1 && RegDeleteKeyA(key, "k") == ERROR_SUCCESS &&
      RegCreateKeyExA(key, std::string(200, 'K').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
          ERROR_SUCCESS)
    RegCloseKey(k);
  if (g_growPhase == 2 && RegDeleteValueA(key, "v") == ERROR_SUCCESS)
    RegSetValueExA(key, std::string(3000, 'V').c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1);
  g_growPhase = 0;
}
}  // namespace

TEST_F(Sandbox, NamesLongerThanTheQueriedMaximumAreStillListed) {
  // The same happens to every double-byte name: its bytes exceed the maximum in characters.
  MakeKey("G\\k");
  MakeValue("G", "v", REG_BINARY, "x");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("G"), false));
  const TRegListingHook previous = SetRegListingHook(GrowNameOnce);
  std::vector<std::string> names;
  g_growPhase = 1;
  EXPECT_EQ(reg.GetKeyNames(names), 1);
  EXPECT_EQ(names, std::vector<std::string>{std::string(200, 'K')});
  g_growPhase = 2;
  EXPECT_EQ(reg.GetValueNames(names), 1);
  EXPECT_EQ(names, std::vector<std::string>{std::string(3000, 'V')});
  SetRegListingHook(previous);
}
