// The undo journal below the commands: what a record holds comes back byte for byte after
// the registry was changed, damaged records are never applied, and the limits hold.
#include <functional>
#include <string>
#include <vector>

#include "lib/VkFuncLib.h"
#include "registry/JournalFormat.h"
#include "support/TestSupport.h"

#include <sddl.h>

using namespace std::string_literals;

namespace {

const std::wstring Awkward[] = {L"\u65E5\u672C", L"??", L"a\uFF3Cb", L"\u0141\u00F3d\u017A", L""};

class JournalTest : public RegSandbox {
 protected:
  void SetUp() override {
    RegSandbox::SetUp();
    ChangeJournal().SetFolder(ProgramFolder() + "Journal Test\\");
    ChangeJournal().Limits = TJournalLimits();
    for (const TJournalEntry& e : ChangeJournal().List(true)) ChangeJournal().Remove(e);
    // Keys and values of awkward names, string data the ANSI read cannot give back, odd lengths.
    for (const std::wstring& k : Awkward) {
      const std::wstring key = L"T\\" + (k.empty() ? L"e" : k) + L"\\" + k + L"x";
      for (const std::wstring& v : Awkward)
        RegSetKeyValueW(Key(), key.c_str(), v.c_str(), REG_SZ, "\x16\x04\x41\x00\x42", 5);
      RegSetKeyValueW(Key(), L"T", k.c_str(), REG_BINARY, "\x00\x01\xff", 3);
    }
  }
  void TearDown() override {
    ChangeJournal().SetFolder("");
    RegSandbox::TearDown();
  }
  std::wstring Wide(const std::string& rel) { return WideFromAnsi(Path(rel).substr(1, Path(rel).size() - 2)); }
  std::vector<std::wstring> Dump() { return DumpStored(Key(), L"T"); }
};

}  // namespace

TEST_F(JournalTest, WhatARecordHoldsComesBackExactly) {
  const std::wstring t = Wide("T");
  struct TCase {
    const char* What;
    std::function<void(TJournalRecorder&)> Record;
    std::function<void()> Change;
  } const cases[] = {
      {"delete of a tree and of values",
       [&](TJournalRecorder& r) {
         r.Key(RootCurrentUser, t + L"\\" + Awkward[0]);
         for (const std::wstring& v : Awkward) r.Value(RootCurrentUser, t, v);
       },
       [&] {
         RegDeleteTreeW(Key(), (L"T\\" + Awkward[0]).c_str());
         for (const std::wstring& v : Awkward) RegDeleteKeyValueW(Key(), L"T", v.c_str());
       }},
      {"overwrites and new keys below a missing one",
       [&](TJournalRecorder& r) {
         r.Value(RootCurrentUser, t, Awkward[3]);
         r.CreatedKey(RootCurrentUser, t + L"\\new\\" + Awkward[2]);
       },
       [&] {
         RegSetKeyValueW(Key(), L"T", Awkward[3].c_str(), REG_DWORD, "\1\0\0\0", 4);
         RegSetKeyValueW(Key(), (L"T\\new\\" + Awkward[2]).c_str(), L"v", REG_SZ, L"x", 4);
       }},
      {"many items, read by several threads",
       [&](TJournalRecorder& r) {
         for (int i = 0; i < 1200; ++i) r.Value(RootCurrentUser, t, Awkward[i % 5] + std::to_wstring(i / 5));
         r.Key(RootCurrentUser, t + L"\\" + Awkward[3]);
       },
       [&] {
         for (int i = 0; i < 1200; ++i)
           RegSetKeyValueW(Key(), L"T", (Awkward[i % 5] + std::to_wstring(i / 5)).c_str(), REG_DWORD, &i, 4);
         RegDeleteTreeW(Key(), (L"T\\" + Awkward[3]).c_str());
       }},
      {"a copy merged into an existing tree",
       [&](TJournalRecorder& r) { r.CopyTarget(RootCurrentUser, Path("T\\??"), RootCurrentUser, Path("T\\e")); },
       [&] { ASSERT_TRUE(TVkReg().CopyKey(Path("T\\??"), Path("T\\e"), false)); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const std::vector<std::wstring> before = Dump();
    TJournalRecorder record("Test", RootCurrentUser, Path("T"));
    c.Record(record);
    ASSERT_TRUE(record.Commit());
    c.Change();
    record.Finish();
    ASSERT_NE(Dump(), before);
    TJournalEntry entry;
    ASSERT_TRUE(ChangeJournal().Newest(entry));
    EXPECT_EQ(UndoChange(entry).Status, TUndoResult::Restored);
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(ChangeJournal().List().empty());
  }
}

TEST_F(JournalTest, DamagedRecordsAreListedAndNeverApplied) {
  ScriptedInteraction ui;
  TJournalRecorder record("Delete", RootCurrentUser, Path("T"));
  record.Value(RootCurrentUser, Wide("T"), Awkward[0]);
  ASSERT_TRUE(record.Commit());
  RegDeleteKeyValueW(Key(), L"T", Awkward[0].c_str());
  record.Finish();
  TJournalEntry good;
  ASSERT_TRUE(ChangeJournal().Newest(good));
  std::string bytes;
  ASSERT_EQ(DecodeRecord(bytes, good, nullptr), "it is truncated");
  TVkFile f;
  ASSERT_TRUE(OpenFileForRead(good.File, f));
  bytes.resize(static_cast<std::size_t>(f.Size()));
  ReadFileBytes(f, 0, static_cast<int>(bytes.size()), bytes.data());
  f.Close();
  std::string flipped = bytes, version = bytes;
  flipped.back() ^= 1;
  version[8] = 2;
  const std::string damaged[] = {bytes.substr(0, bytes.size() - 30), flipped, version, "junk, not a record"};
  const char* const problems[] = {"truncated", "checksum", "another version", "not a journal record"};
  for (std::size_t i = 0; i < 4; ++i)
    ASSERT_TRUE(SaveTextToFile(JournalFileName(ChangeJournal().Folder(), good.Sequence + 1 + i), damaged[i], true));
  const std::vector<std::wstring> before = Dump();
  const std::vector<TJournalEntry> list = ChangeJournal().List();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_FALSE(list[0].Damaged);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NE(list[i + 1].Problem.find(problems[i]), std::string::npos) << list[i + 1].Problem;
    EXPECT_EQ(UndoChange(list[i + 1]).Status, TUndoResult::Refused);
  }
  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(ui.Messages.size(), 4u);
  TJournalEntry newest;  // Undo takes the newest record that reads
  ASSERT_TRUE(ChangeJournal().Newest(newest));
  EXPECT_EQ(newest.Sequence, good.Sequence);
}

TEST_F(JournalTest, TheOldestRecordsGoFirstAndAChangeOfNothingLeavesNone) {
  ChangeJournal().Limits.MaxChanges = 2;
  for (int i = 0; i < 3; ++i) {
    TJournalRecorder record("New Value", RootCurrentUser, Path("T"));
    record.Value(RootCurrentUser, Wide("T"), L"n" + std::to_wstring(i));
    ASSERT_TRUE(record.Commit());
    RegSetKeyValueW(Key(), L"T", (L"n" + std::to_wstring(i)).c_str(), REG_SZ, L"", 2);
    record.Finish();
  }
  const std::vector<TJournalEntry> list = ChangeJournal().List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Caption, "New Value");
  TJournalRecorder none("Edit", RootCurrentUser, Path("T"));
  none.Value(RootCurrentUser, Wide("T"), L"n0");
  ASSERT_TRUE(none.Commit());
  none.Finish();
  EXPECT_EQ(ChangeJournal().List().size(), 2u);
}

TEST_F(JournalTest, AnUndoThatCannotWriteEverythingSaysWhatAndKeepsTheRecord) {
  ScriptedInteraction ui;
  const std::wstring locked = Wide("T") + L"\\" + Awkward[1] + L"\\" + Awkward[1] + L"x";
  const std::vector<std::wstring> before = Dump();
  TJournalRecorder record("Delete", RootCurrentUser, Path("T"));
  record.Value(RootCurrentUser, Wide("T"), Awkward[0]);
  record.Value(RootCurrentUser, locked, Awkward[2]);
  ASSERT_TRUE(record.Commit());
  RegDeleteKeyValueW(Key(), L"T", Awkward[0].c_str());
  RegDeleteKeyValueW(HKEY_CURRENT_USER, locked.c_str(), Awkward[2].c_str());
  record.Finish();
  // The second key is made read-only: its value cannot come back.
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  const auto protect = [&](const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ(RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    LocalFree(sd);
  };
  protect(L"D:P(A;;KR;;;WD)");
  TJournalEntry entry;
  ASSERT_TRUE(ChangeJournal().Newest(entry));
  EXPECT_EQ(UndoChange(entry).Status, TUndoResult::Partial);
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_NE(ui.Messages[0].text.find("Restored: 1 of 2 items.\r\nNot restored:\r\nvalue \"a{U+FF3C}b\""), std::string::npos)
      << ui.Messages[0].text;
  protect(L"D:P(A;;KA;;;WD)");
  RegCloseKey(k);
  ASSERT_TRUE(ChangeJournal().Newest(entry));  // kept: a second undo restores the rest
  EXPECT_EQ(UndoChange(entry).Status, TUndoResult::Restored);
  EXPECT_EQ(Dump(), before);
}
