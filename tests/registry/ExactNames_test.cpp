// Names and string data outside the ANSI code page: the listings tell them apart, and the
// tree walks and transfers move every name and byte exactly. Fixtures are made, and trees
// dumped, with the platform's wide registry calls.
#include <algorithm>
#include <string>
#include <vector>

#include "registry/VkRegistry.h"
#include "support/TestSupport.h"

using namespace std::string_literals;

namespace {

// Keys of the fixture tree: each pair holds a name the code page cannot spell beside the
// ANSI text it turns into ("日本" and "??", "Ωmega" and "Omega", "a＼b" and "a\b").
const wchar_t* const KeyNames[] = {L"\u65E5\u672C", L"??", L"\uFF3C", L"a\uFF3Cb", L"a", L"\u0141\u00F3d\u017A",
                                   L"\u03A9mega", L"Omega", L"Stra\u00DFe", L"Strasse", L"K\u0416", L"K?"};
// Values: the same kinds of names, and string data the ANSI read cannot give back exactly.
struct TValueCase { const wchar_t* Name; DWORD Type; std::string Bytes; };
const TValueCase Values[] = {
    {L"\u4E2D", REG_SZ, "a\0\0\0"s}, {L"?", REG_SZ, "b\0\0\0"s}, {L"v\u0416", REG_BINARY, "\x01\x02"s},
    {L"v?", REG_BINARY, "\x03"s}, {L"\u2216", REG_DWORD, "\x07\0\0\0"s}, {L"odd", REG_SZ, "\x41\x00\x42"s},
    {L"invalid", REG_SZ, "\x01\x02\xff\xfe\x00\xdc"s}, {L"multi", REG_MULTI_SZ, "\x16\x04\0\0\0\0"s},
    {L"text", REG_EXPAND_SZ, "\x02\x4E\x20\x00\xA9\x03\x20\x00t\0\0\0"s}};

HKEY CreateW(HKEY parent, const std::wstring& sub) {
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKeyExW(parent, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  return k;
}

class ExactNames : public RegSandbox {
 protected:
  void TearDown() override {
    if (Key()) RegDeleteTreeA(Key(), nullptr);
    RegSandbox::TearDown();
  }
  // The fixture keys (a with its subkey b) and values below the sandbox key rel, each key
  // holding one value of its own.
  void MakeFixture(const std::string& rel) {
    HKEY top = CreateW(Key(), WideFromAnsi(rel));
    for (const std::wstring k : KeyNames)
      RegSetKeyValueW(top, k.c_str(), L"", REG_SZ, (L"in " + k).c_str(), (k.size() + 4) * 2);
    RegCloseKey(CreateW(top, L"a\\b"));
    for (const TValueCase& v : Values)  // no NUL behind the data to be taken in with it
      RegSetKeyValueW(top, nullptr, v.Name, v.Type, (v.Bytes + "\x01\x01\x01").data(), v.Bytes.size());
    RegCloseKey(top);
  }
  std::vector<std::wstring> DumpOf(const std::string& rel) { return DumpStored(Key(), WideFromAnsi(rel)); }
  bool Has(const std::string& rel) { return TVkReg().OpenPath(RootCurrentUser, Path(rel), false); }
};

}  // namespace

TEST(RegNames, TextsAreExactOrMarkedAndEqualityIsTheRegistrys) {
  struct { const wchar_t* Name; const char* Text; bool Exact; } const names[] = {
      {L"\u65E5\u672C", "{U+65E5}{U+672C}", false}, {L"??", "??", true}, {L"\uFF3C", "{U+FF3C}", false},
      {L"a\u2216b", "a{U+2216}b", false}, {L"\u0141\u00F3d\u017A", "{U+0141}\xF3" "d{U+017A}", false},
      {L"\u03A9mega", "{U+03A9}mega", false}, {L"Stra\u00DFe", "Stra\xDF" "e", true},
      {L"\U0001F600", "{U+1F600}", false}, {L"", "", true}};
  for (const auto& n : names) {
    bool exact = !n.Exact;
    EXPECT_EQ(AnsiName(n.Name, exact), n.Text);
    EXPECT_EQ(exact, n.Exact) << n.Text;
  }
  struct { const char* A; const char* B; bool Same; } const pairs[] = {
      {"Strasse", "Stra\xDF" "e", false}, {"ae", "\xE6", false}, {"ab", "a\xAD" "b", false},
      {"ABC", "abc", true}, {"\xC4x", "\xE4X", true}, {"a\\B", "A\\b", true}};
  for (const auto& p : pairs) EXPECT_EQ(SameRegName(p.A, p.B), p.Same) << p.A << " / " << p.B;
  EXPECT_TRUE(StartsWithRegName("\xC4" "BC\\d", "\xE4" "bc\\"));
}

TEST_F(ExactNames, ListingsTellTwinsApartAndReadEachItsOwnData) {
  MakeFixture("F");
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("F"), false));
  std::vector<TRegName> keys;
  std::vector<std::string> texts;
  std::vector<TVkReg::TValueEntry> entries;
  std::vector<char> data;
  ASSERT_EQ(reg.GetKeyNames(keys), static_cast<int>(std::size(KeyNames)));
  for (const TRegName& k : keys) {  // each key opens by its listed form and holds its own marker
    ASSERT_TRUE(reg.EnterKey(k)) << k.Text;
    EXPECT_TRUE(reg.GetValueEntries(entries, &data) && entries.size() == 1u && data[0] == 'i') << k.Text;
    reg.LeaveKey();
    texts.push_back(k.Text);
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end()) << "two rows look alike";
  EXPECT_TRUE(reg.GetValueEntries(entries));
  EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.Exact; }), 3);  // 中 vЖ ∖
}

TEST_F(ExactNames, WalksAndTransfersMoveEveryNameAndByte) {
  MakeFixture("F");
  const std::vector<std::wstring> before = DumpOf("F");
  TVkReg reg;
  // Copy, then move the copy on: both end where they must, byte for byte.
  ASSERT_TRUE(reg.CopyKey(Path("F"), Path("C"), false));
  EXPECT_EQ(DumpOf("C"), before);
  ASSERT_TRUE(reg.CopyKey(Path("C"), Path("M\\deep"), true));
  EXPECT_FALSE(Has("C"));
  EXPECT_EQ(DumpOf("M\\deep"), before);
  // A value rename keeps the stored bytes of every kind of string.
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("F"), false));
  for (const TValueCase& v : Values) {  // the values of ASCII names, renamed by them
    const std::string name(v.Name, v.Name + wcslen(v.Name));
    if (std::any_of(v.Name, v.Name + name.size(), [](wchar_t c) { return c >= 0x80; })) continue;
    std::vector<char> data;
    DWORD size = 0, type = 0;
    ASSERT_TRUE(reg.RenameValue(name, name + "2") && reg.ReadStoredData(name + "2", data, size, type));
    EXPECT_EQ(std::string(data.data(), size), v.Bytes) << name;
    EXPECT_EQ(reg.StoredTextExact(name + "2"), name == "?" || name == "v?") << name;
  }
  // Deleting the literal "??" and "a" leaves their look-alikes; the key size counts them all.
  EXPECT_GT(reg.GetKeySize(Path("M")), 0);
  ASSERT_TRUE(reg.DeleteKey(Path("M\\deep\\??")));
  ASSERT_TRUE(reg.DeleteKey(Path("M\\deep\\a")));
  const std::vector<std::wstring> left = DumpOf("M\\deep");
  EXPECT_EQ(left.size(), before.size() - 5);  // ?? with its value, a with its value and b
  EXPECT_NE(std::find(left.begin(), left.end(), L"\\\u65E5\u672C"), left.end());
  EXPECT_NE(std::find(left.begin(), left.end(), L"\\a\uFF3Cb"), left.end());
  ASSERT_TRUE(reg.DeleteKey(Path("M")));
  EXPECT_FALSE(Has("M"));
}

namespace {
HKEY g_addTo = nullptr;
int g_fireAt = 0;
// Adds a value to the first key ("??") at the third listing, when that key has been copied
// and the copy of its parent still runs.
void AddLateValue(HKEY) {
  if (--g_fireAt != 0) return;
  RegSetValueExW(g_addTo, L"late", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1);
}
}  // namespace

TEST_F(ExactNames, AMoveDeletesOnlyWhatItCopiedAndRefusesAMissingSource) {
  MakeFixture("S");
  TVkReg reg;
  EXPECT_FALSE(reg.CopyKey(Path("missing"), Path("T0"), true));
  EXPECT_FALSE(Has("T0"));  // nothing created for a source that is not there
  HKEY copiedFirst = nullptr;
  ASSERT_EQ(RegOpenKeyExW(Key(), L"S\\??", 0, KEY_ALL_ACCESS, &copiedFirst), ERROR_SUCCESS);
  g_addTo = copiedFirst;
  g_fireAt = 3;
  const TRegListingHook previous = SetRegListingHook(AddLateValue);
  EXPECT_FALSE(reg.CopyKey(Path("S"), Path("T"), true));
  SetRegListingHook(previous);
  RegCloseKey(copiedFirst);
  // The source keeps the key that got a value after it was copied, with that value only.
  EXPECT_EQ(DumpOf("S"), (std::vector<std::wstring>{L"\\??", L"\\??|late|3|78"}));
  EXPECT_EQ(DumpOf("T").size(), 34u);
}

TEST_F(ExactNames, AListingThatMeetsAChangeListsAgain) {
  // A neighbour removed in the middle of a listing shifts the indices: nothing that was there
  // the whole time may be missed or doubled.
  HKEY top = CreateW(Key(), L"L");
  for (int i = 100; i < 120; ++i) {
    RegSetValueExW(top, (L"v" + std::to_wstring(i)).c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1);
    RegCloseKey(CreateW(top, L"k" + std::to_wstring(i)));
  }
  RegCloseKey(top);
  const TRegListingHook previous = SetRegListingHook([](HKEY k) { RegDeleteValueW(k, L"v100"), RegDeleteKeyW(k, L"k100"); });
  TVkReg reg;
  ASSERT_TRUE(reg.OpenPath(RootCurrentUser, Path("L"), false));
  std::vector<std::string> keys, values;
  reg.GetKeyNames(keys);
  reg.GetValueNames(values);
  SetRegListingHook(previous);
  EXPECT_EQ(keys.size() * 100 + values.size(), 1919u);
  EXPECT_EQ(keys.front() + values.back(), "k101v119");
}
