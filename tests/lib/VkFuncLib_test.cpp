// Locale-aware search, positioned file access, small files, time and clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include "LibTestHelpers.h"
#include "lib/VkFuncLib.h"

TEST(FindText, CaseFoldingByTheLocale) {
  struct Case {
    const char* text;
    const char* find;
    bool caseSensitive, wholeWord;
    int expected;
  } cases[] = {
      {"Hello World", "WORLD", false, false, 7},
      {"Hello World", "WORLD", true, false, 0},
      {"Hello World", "world", true, false, 0},
      {"Caf\xE9 noir", "CAF\xC9", false, true, 1},  // accented letters fold too
      {"Caf\xE9", "caf", false, true, 0},            // and count as word letters
      {"RunOnce Run1", "run", false, true, 9},
      {"concat cat", "CAT", false, true, 8},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindText(c.text, c.find, 1, c.caseSensitive, c.wholeWord), c.expected) << c.text << " / " << c.find;
  EXPECT_EQ(FindText("abc", "", 1, false, false), -1);
  EXPECT_EQ(FindText("abc", "A", 0, false, false), -1);
  EXPECT_EQ(AnsiUpperCase(std::string("a\0\xE9", 3)), std::string("A\0\xC9", 3));
}

class FileHelpers : public ::testing::Test {
 protected:
  TScratchFolder folder_;
};

TEST_F(FileHelpers, FileAndFolderTests) {
  const std::string file = folder_.File("data.bin");
  const std::string readOnly = folder_.File("locked.bin");
  TScratchFolder::Write(file, std::string(300, 'x'));
  TScratchFolder::Write(readOnly, "abc");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string missing = folder_.File("missing.bin");

  EXPECT_TRUE(IsFile(file));
  EXPECT_FALSE(IsFile(folder_.Path()));
  EXPECT_FALSE(IsFile(missing));
  EXPECT_FALSE(IsFile(""));
  EXPECT_TRUE(IsDirectory(folder_.Path()));
  EXPECT_FALSE(IsDirectory(file));
  EXPECT_TRUE(IsReadOnlyFile(readOnly));
  EXPECT_FALSE(IsReadOnlyFile(file));
  EXPECT_EQ(FileSizeByName(file), 300);
  EXPECT_EQ(FileSizeByName(readOnly), 3);
  EXPECT_EQ(FileSizeByName(missing), -1);

  TVkFile f;
  EXPECT_FALSE(OpenFileForRead(missing, f));
  EXPECT_FALSE(OpenFileForRead(folder_.Path(), f));
  EXPECT_TRUE(OpenFileForRead(readOnly, f));
  EXPECT_EQ(ReadFileBlock(f, 0, 10, false, false), "abc");
}

TEST_F(FileHelpers, SaveTextToFile) {
  const std::string file = folder_.File("out.dat");
  const std::string bytes("A\0B\r\n\xFF", 6);
  EXPECT_TRUE(SaveTextToFile(file, bytes, false));
  EXPECT_EQ(TScratchFolder::Content(file), bytes);  // byte for byte, nothing added

  EXPECT_FALSE(SaveTextToFile(file, "new", false));  // exists, no overwrite
  EXPECT_EQ(TScratchFolder::Content(file), bytes);

  EXPECT_TRUE(SaveTextToFile(file, "xy", true));  // truncated to the new content
  EXPECT_EQ(TScratchFolder::Content(file), "xy");

  EXPECT_TRUE(SaveTextToFile(file, "", true));
  EXPECT_EQ(FileSizeByName(file), 0);

  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(SaveTextToFile(file, "zz", true));
  EXPECT_FALSE(SaveTextToFile(folder_.File("no such folder\\x.dat"), "zz", true));
  EXPECT_FALSE(IsDirectory(folder_.File("no such folder")));
}

TEST_F(FileHelpers, OpenForWriteRules) {
  const std::string file = folder_.File("list.bmk");
  TScratchFolder::Write(file, "old content");
  TVkFile f;
  EXPECT_FALSE(OpenFileForWrite(file, f, false));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(TScratchFolder::Content(file), "old content");

  ASSERT_TRUE(OpenFileForWrite(file, f, true));
  EXPECT_EQ(f.Size(), 0);  // an existing file is cut to length 0
  f.Close();

  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(OpenFileForWrite(file, f, true));
  EXPECT_FALSE(OpenFileForWrite(folder_.File("missing\\list.bmk"), f, true));
  EXPECT_FALSE(OpenFileForWrite(folder_.Path(), f, true));

  ASSERT_TRUE(OpenFileForWrite(folder_.File("new.bmk"), f, false));
  EXPECT_TRUE(IsFile(folder_.File("new.bmk")));
}

TEST_F(FileHelpers, PositionedWritesBuildARecordLayout) {
  const std::string file = folder_.File("layout.bin");
  {
    TVkFile f;
    ASSERT_TRUE(OpenFileForWrite(file, f, true));
    std::int64_t at = WriteFileBlock(f, 0, -1, "BmkLst");  // negative length: the text's length
    EXPECT_EQ(at, 6);
    at = WriteFileNumber(f, at, 2, 0x0101, false);
    EXPECT_EQ(at, 8);
    at = WriteFileNumber(f, at, 2, 0x1234, true);
    EXPECT_EQ(at, 10);
    at = WriteFileBlock(f, at, 4, "ab");  // padded with NUL
    EXPECT_EQ(at, 14);
    at = WriteFileBlock(f, at, 2, "cdef");  // cut
    EXPECT_EQ(at, 16);
    at = WriteFileNumber(f, at, 3, 0xAABBCCDD, false);  // the low three bytes
    EXPECT_EQ(at, 19);
    EXPECT_EQ(WriteFileNumber(f, at, 0, 1, false), 0);  // bad lengths write nothing
    EXPECT_EQ(WriteFileNumber(f, at, 5, 1, false), 0);
    EXPECT_EQ(WriteFileBlock(f, -1, 3, "abc"), -1);
    EXPECT_EQ(WriteFileNumber(f, -1, 2, 1, false), -1);
  }
  EXPECT_EQ(TScratchFolder::Content(file), std::string("BmkLst\x01\x01\x12\x34" "ab\0\0cd\xDD\xCC\xBB", 19));

  TVkFile f;
  ASSERT_TRUE(OpenFileForRead(file, f));
  EXPECT_EQ(ReadFileBlock(f, 0, 6, false, false), "BmkLst");
  EXPECT_EQ(ReadFileNumber(f, 6, 2, false), 0x0101u);
  EXPECT_EQ(ReadFileNumber(f, 8, 2, false), 0x3412u);
  EXPECT_EQ(ReadFileNumber(f, 8, 2, true), 0x1234u);
  EXPECT_EQ(ReadFileNumber(f, 16, 3, false), 0xBBCCDDu);
  EXPECT_EQ(ReadFileNumber(f, 16, 3, true), 0xDDCCBBu);
  EXPECT_EQ(ReadFileNumber(f, 16, 1, true), 0xDDu);
  EXPECT_EQ(ReadFileNumber(f, 0, 4, false), 0x4C6B6D42u);
  // Fewer than length bytes left, bad lengths, bad offsets: 0, never a partial number.
  EXPECT_EQ(ReadFileNumber(f, 17, 4, false), 0u);
  EXPECT_EQ(ReadFileNumber(f, 18, 2, false), 0u);
  EXPECT_EQ(ReadFileNumber(f, 18, 1, false), 0xBBu);
  EXPECT_EQ(ReadFileNumber(f, 0, 0, false), 0u);
  EXPECT_EQ(ReadFileNumber(f, 0, 5, false), 0u);
  EXPECT_EQ(ReadFileNumber(f, -1, 2, false), 0u);

  // Blocks: as far as the file reaches, cut at NUL on request.
  EXPECT_EQ(ReadFileBlock(f, 10, 4, false, false), std::string("ab\0\0", 4));
  EXPECT_EQ(ReadFileBlock(f, 10, 6, true, false), "ab");
  EXPECT_EQ(ReadFileBlock(f, 14, 100, false, false), "cd\xDD\xCC\xBB");
  EXPECT_EQ(ReadFileBlock(f, 19, 5, false, false), "");
  EXPECT_EQ(ReadFileBlock(f, 40, 5, false, false), "");
  EXPECT_EQ(ReadFileBlock(f, -1, 5, false, false), "");
  EXPECT_EQ(ReadFileBlock(f, 0, -3, false, false), "");

  char buffer[8] = {};
  EXPECT_EQ(ReadFileBytes(f, 14, 8, buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "cd\xDD\xCC\xBB");
  EXPECT_EQ(ReadFileBytes(f, 30, 8, buffer), 0);

  // A file opened for reading cannot be written: the failure is reported, not the next offset.
  EXPECT_EQ(WriteFileBlock(f, 0, 3, "xyz"), -1);
  EXPECT_EQ(WriteFileNumber(f, 0, 2, 7, false), -1);
}

TEST_F(FileHelpers, WideBlocksBecomeAnsi) {
  const std::string file = folder_.File("wide.bin");
  // "Hé" + NUL + "x" in UTF-16 LE, then one odd byte.
  TScratchFolder::Write(file, std::string("H\0\xE9\0\0\0x\0!", 9));
  TVkFile f;
  ASSERT_TRUE(OpenFileForRead(file, f));
  EXPECT_EQ(ReadFileBlock(f, 0, 2, false, true), "H\xE9");
  EXPECT_EQ(ReadFileBlock(f, 0, 4, false, true), std::string("H\xE9\0x", 4));
  EXPECT_EQ(ReadFileBlock(f, 0, 4, true, true), "H\xE9");
  EXPECT_EQ(ReadFileBlock(f, 6, 10, false, true), "x");  // the odd last byte is no character
}

TEST(FileTimeToDateTime, ConvertsToDaysSince1899) {
  SYSTEMTIME st{};
  st.wYear = 2000;
  st.wMonth = 1;
  st.wDay = 1;
  st.wHour = 12;
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  const std::uint64_t t = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  EXPECT_DOUBLE_EQ(FileTimeToDateTime(t), 36526.5);
  EXPECT_DOUBLE_EQ(FileTimeToDateTime(0), -109205.0);  // 1 January 1601
  EXPECT_DOUBLE_EQ(FileTimeToDateTime(0xFFFFFFFFFFFFFFFFull), 0.0);  // not convertible
}

TEST(ClipboardText, PutsTheTextOnTheClipboard) {
  TDialogScript app;  // the clipboard's owner is the application window
  std::string before;
  const bool hadText = ReadClipboardText(before);

  EXPECT_TRUE(ClipboardText("HKEY_CURRENT_USER\\Software\\\r\nsecond line \xE9"));
  std::string text;
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ(text, "HKEY_CURRENT_USER\\Software\\\r\nsecond line \xE9");
  EXPECT_TRUE(ClipboardText(""));
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ(text, "");

  // Leave the clipboard as it was found.
  if (hadText) EXPECT_TRUE(ClipboardText(before));
  else if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}
