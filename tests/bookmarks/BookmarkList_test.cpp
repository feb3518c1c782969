// The bookmark list rules and the bookmark file format as bytes, and the file layer on disk.
#include "bookmarks/BookmarkList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "bookmarks/BookmarkFile.h"
#include "lib/VkFuncLib.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}
std::string Header(int version, int count) {
  return "BmkLst" + Bytes({version & 0xFF, version >> 8, count & 0xFF, count >> 8});
}
std::string Record(int root, int type, const std::string& key, const std::string& name, const std::string& comment) {
  return Bytes({root, type, static_cast<int>(key.size())}) + key + Bytes({static_cast<int>(name.size())}) + name +
         Bytes({static_cast<int>(comment.size())}) + comment;
}
TBookMark Item(int root, int type, std::string key, std::string name = "", std::string comment = "") {
  TBookMark b;
  b.RootIndex = static_cast<std::uint8_t>(root);
  b.ItemType = static_cast<std::uint8_t>(type);
  b.KeyPath = std::move(key);
  b.ValueName = std::move(name);
  b.Comment = std::move(comment);
  return b;
}

std::string FileContent(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFileContent(const std::string& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace

TEST(BookmarkFormat, WritesTheExactBytes) {
  EXPECT_EQ(EncodeBookmarks({}).Bytes, Header(0x0101, 0));
  EXPECT_EQ(EncodeBookmarks({}).Bytes.size(), 10u);
  const TBookMarks list = {Item(1, 12, "\\Software\\", "", "09/01/31 12:00"), Item(2, 4, "\\S\\", "v", "")};
  const TBookmarkEncode e = EncodeBookmarks(list);
  EXPECT_EQ(e.Bytes, Header(0x0101, 2) + Bytes({1, 0x0C, 0x0A}) + "\\Software\\" + Bytes({0, 0x0E}) + "09/01/31 12:00" +
                         Record(2, 4, "\\S\\", "v", ""));
  EXPECT_EQ(e.LeftOut, 0u);
  TBookMarks back = {Item(0, 0, "\\old\\")};
  EXPECT_TRUE(DecodeBookmarks(e.Bytes, back).Accepted);
  EXPECT_EQ(back, list);  // a file replaces whatever the list held
}

TEST(BookmarkFormat, ReadsBothVersions) {
  struct Case {
    int version, storedType;
    std::string storedKey;
    int type;
    std::string key;
  };
  const Case cases[] = {
      {0x0100, 16, "\\Software", 12, "\\Software\\"},  // type + 4, final backslash added
      {0x0100, 5, "\\A\\", 1, "\\A\\"},
      {0x0100, 3, "", 255, ""},                       // byte arithmetic wraps; an empty path stays empty
      {0x0101, 255, "\\Software", 12, "\\Software"},  // 255 is a key; the path is taken as it is
      {0x0101, 7, "\\K\\", 7, "\\K\\"},
      {0x0101, 7, "K\\", 7, "\\K\\"},  // another program's path without the leading "\": from the root
      {0x0100, 16, "Software", 12, "\\Software\\"},
  };
  for (const Case& c : cases) {
    TBookMarks list;
    const TBookmarkDecode d = DecodeBookmarks(Header(c.version, 1) + Record(3, c.storedType, c.storedKey, "n", "c"), list);
    ASSERT_TRUE(d.Accepted) << c.version;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0], Item(3, c.type, c.key, "n", "c")) << c.version << " " << c.storedType;
  }
  // Written again, a key read from 255 is stored as 12.
  TBookMarks list;
  ASSERT_TRUE(DecodeBookmarks(Header(0x0101, 1) + Record(1, 255, "\\K\\", "", ""), list).Accepted);
  EXPECT_EQ(EncodeBookmarks(list).Bytes, Header(0x0101, 1) + Record(1, 12, "\\K\\", "", ""));
  // A 255-byte version 1.00 path gets its final "\" on load and survives the next save.
  const std::string k255 = "\\" + std::string(254, 'k'), file = Header(0x0100, 1) + Record(1, 16, k255, "", "");
  ASSERT_TRUE(DecodeBookmarks(file, list).Accepted && DecodeBookmarks(EncodeBookmarks(list).Bytes, list).Accepted);
  EXPECT_EQ(list, (TBookMarks{Item(1, 12, k255 + "\\")}));
}

TEST(BookmarkFormat, RefusesOtherFilesAndKeepsTheList) {
  struct Case {
    std::string bytes;
    std::uint16_t version;
  };
  const Case cases[] = {
      {Header(0x0102, 0), 0x0102},
      {"BmkLsx" + Bytes({1, 1, 0, 0}), 0x0101},  // wrong magic whatever the version
      {"bmklst" + Bytes({1, 1, 0, 0}), 0x0101},
      {"", 0},
      {"BmkLst" + Bytes({1}), 0},  // a version word cut short reads 0
  };
  for (const Case& c : cases) {
    TBookMarks list = {Item(1, 12, "\\keep\\")};
    const TBookmarkDecode d = DecodeBookmarks(c.bytes, list);
    EXPECT_FALSE(d.Accepted);
    EXPECT_EQ(d.Version, c.version);
    EXPECT_EQ(list, (TBookMarks{Item(1, 12, "\\keep\\")}));
  }
}

TEST(BookmarkFormat, AFileThatEndsEarlyStillGivesItsCount) {
  const std::string full = Header(0x0101, 3) + Record(1, 4, "\\Key\\", "value", "comment");
  struct Case {
    std::size_t cut;
    TBookMark first;
  };
  const Case cases[] = {
      {full.size(), Item(1, 4, "\\Key\\", "value", "comment")},
      {full.size() - 3, Item(1, 4, "\\Key\\", "value", "comm")},
      {10 + 3 + 2, Item(1, 4, "\\K")},  // inside the key path
      {10 + 1, Item(1, 0, "")},         // after the root byte
      {10, Item(0, 0, "")},
  };
  for (const Case& c : cases) {
    TBookMarks list;
    ASSERT_TRUE(DecodeBookmarks(full.substr(0, c.cut), list).Accepted);
    ASSERT_EQ(list.size(), 3u) << c.cut;
    EXPECT_EQ(list[0], c.first) << c.cut;
    EXPECT_EQ(list[2], Item(0, 0, ""));
  }
  // In version 0x0100 the missing items are adjusted like the others: type 0 - 4 wraps.
  TBookMarks list;
  ASSERT_TRUE(DecodeBookmarks(Header(0x0100, 1), list).Accepted);
  EXPECT_EQ(list, (TBookMarks{Item(0, 252, "")}));
  // The count is a promise only: the largest one over a bare header.
  ASSERT_TRUE(DecodeBookmarks(Header(0x0101, 65535), list).Accepted);
  EXPECT_EQ(list.size(), 65535u);
}

TEST(BookmarkFormat, WhatDoesNotFitIsLeftOutAndTheFileStaysReadable) {
  const std::string k255 = "\\" + std::string(253, 'k') + "\\", k256 = k255 + "x";
  const std::string c300(300, 'c');
  const TBookMarks list = {Item(1, 12, k255, std::string(255, 'n'), c300), Item(1, 12, k256),
                           Item(1, 1, "\\A\\", std::string(256, 'n')), Item(2, 12, "\\B\\")};
  const TBookmarkEncode e = EncodeBookmarks(list);
  EXPECT_EQ(e.LeftOut, 2u);
  TBookMarks back;
  ASSERT_TRUE(DecodeBookmarks(e.Bytes, back).Accepted);
  EXPECT_EQ(back, (TBookMarks{Item(1, 12, k255, std::string(255, 'n'), c300.substr(0, 255)), Item(2, 12, "\\B\\")}));
  EXPECT_EQ(e.Bytes.size(), 10u + 2 + 3 * 256 + Record(2, 12, "\\B\\", "", "").size());

  TBookMarks many(65537, Item(1, 12, "\\K\\"));
  const TBookmarkEncode big = EncodeBookmarks(many);
  EXPECT_EQ(big.LeftOut, 2u);
  ASSERT_TRUE(DecodeBookmarks(big.Bytes, back).Accepted);
  EXPECT_EQ(back.size(), 65535u);
  EXPECT_EQ(big.Bytes.size(), 10u + 65535u * Record(1, 12, "\\K\\", "", "").size());
}

TEST(BookmarkList, DuplicatesAreTheSameRootTypeKeyAndNameAsTheRegistryComparesNames) {
  TBookMarks list;
  ScriptedInteraction answers;
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, 12, "\\Software\\", "", "first"));
  EXPECT_FALSE(AddBookmark(list, 0x80000001u, 12, "\\Software\\", "", "another comment"));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].text, "Cannot add a bookmark item more than once!");
  EXPECT_EQ(answers.Messages[0].caption, "Hivelark");
  EXPECT_EQ(answers.Messages[0].flags, 16u);
  EXPECT_FALSE(AddBookmark(list, 0x80000001u, 12, "\\SOFTWARE\\", "", ""));  // the same key
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, 12, "\\Stra\xDF" "e\\", "", ""));   // not "Strasse"
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, 12, "\\Strasse\\", "", ""));
  EXPECT_TRUE(AddBookmark(list, 0x80000002u, 12, "\\Software\\", "", ""));
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, 1, "\\Software\\", "", ""));
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, 12, "\\Software\\", "x", ""));
  // A type outside 0..255 is stored as 0, but the duplicate test sees the argument.
  EXPECT_TRUE(AddBookmark(list, 0x80000001u, -1, "\\T\\", "", ""));
  EXPECT_EQ(list.back().ItemType, 0);
  EXPECT_FALSE(AddBookmark(list, 0x80000001u, 0, "\\T\\", "", ""));
  EXPECT_EQ(list.size(), 7u);
  EXPECT_EQ(list[0], Item(1, 12, "\\Software\\", "", "first"));
  EXPECT_EQ(answers.Messages.size(), 3u);
}

TEST(BookmarkList, DeletingKeepsTheOrderOfTheRest) {
  TBookMarks list;
  for (int i = 0; i < 6; ++i) list.push_back(Item(1, 12, "\\" + std::to_string(i) + "\\"));
  DeleteBookmark(list, 1);
  DeleteBookmark(list, 9);
  DeleteBookmark(list, -1);
  EXPECT_EQ(DeleteBookmarks(list, {true, false, true, false}), 2);  // 0 and 3; 4 and 5 beyond the flags
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].KeyPath, "\\2\\");
  EXPECT_EQ(list[1].KeyPath, "\\4\\");
  EXPECT_EQ(list[2].KeyPath, "\\5\\");
}

class BookmarkFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ProgramFolder() + "bmkfiles\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    file = folder + "Test.bmk";
  }
  void TearDown() override {
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
    DeleteFileA((file + ".tmp").c_str());
    RemoveDirectoryA(folder.c_str());
  }
  std::string folder, file;
  ScriptedInteraction answers;
};

TEST_F(BookmarkFiles, LoadsSavesAndRefusesWithTheVersion) {
  TBookMarks list = {Item(1, 12, "\\keep\\")};
  EXPECT_FALSE(LoadBookmarkFile(file, list));  // missing: nothing, silently
  EXPECT_EQ(list.size(), 1u);
  EXPECT_TRUE(answers.Messages.empty());

  const TBookMarks saved = {Item(1, 12, "\\Software\\", "", "c"), Item(2, 1, "\\S\\", "v", "")};
  ASSERT_TRUE(SaveBookmarkFile(file, saved));
  EXPECT_EQ(FileContent(file), EncodeBookmarks(saved).Bytes);
  EXPECT_FALSE(IsFile(file + ".tmp"));
  ASSERT_TRUE(LoadBookmarkFile(file, list));
  EXPECT_EQ(list, saved);

  const std::string refused[][2] = {{Header(0x0102, 0), "v1.02"}, {"", "v0.00"}, {"XXXXXX" + Bytes({1, 1}), "v1.01"}};
  for (const auto& r : refused) {
    WriteFileContent(file, r[0]);
    EXPECT_FALSE(LoadBookmarkFile(file, list));
    EXPECT_EQ(list, saved);
    ASSERT_FALSE(answers.Messages.empty());
    EXPECT_EQ(answers.Messages.back().text, "Invalid bookmark file!\r\nBookmark Version: " + r[1]);
    EXPECT_EQ(answers.Messages.back().flags, 16u);
  }
  EXPECT_EQ(answers.Messages.size(), 3u);
}

TEST_F(BookmarkFiles, AFailedSaveIsReportedAndLeavesTheOldFile) {
  const TBookMarks list = {Item(1, 12, "\\New\\")};
  WriteFileContent(file, Header(0x0101, 0));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string missing = folder + "new folder\\X.bmk";  // "\n" in a name stays as it is
  for (const std::string& target : {file, missing, folder.substr(0, folder.size() - 1)}) {
    answers.Messages.clear();
    EXPECT_FALSE(SaveBookmarkFile(target, list)) << target;
    ASSERT_EQ(answers.Messages.size(), 1u) << target;
    EXPECT_EQ(answers.Messages[0].flags, 16u);
    EXPECT_EQ(answers.Messages[0].text.rfind("The bookmark file could not be written:\r\n" + target, 0), 0u)
        << answers.Messages[0].text;
    EXPECT_FALSE(IsFile(target + ".tmp"));
  }
  EXPECT_EQ(FileContent(file), Header(0x0101, 0));
  EXPECT_TRUE(IsDirectory(folder));

  // Items that do not fit are counted in a warning; the rest is written.
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  answers.Messages.clear();
  ASSERT_TRUE(SaveBookmarkFile(file, {Item(1, 12, "\\" + std::string(300, 'k') + "\\"), Item(1, 12, "\\ok\\")}));
  ASSERT_EQ(answers.Messages.size(), 1u);
  EXPECT_EQ(answers.Messages[0].flags, 48u);
  EXPECT_EQ(answers.Messages[0].text.rfind("1 bookmark item did not fit into the bookmark file and was left out (", 0), 0u);
  EXPECT_NE(answers.Messages[0].text.find(file), std::string::npos);
  EXPECT_EQ(FileContent(file), Header(0x0101, 1) + Record(1, 12, "\\ok\\", "", ""));
}

TEST_F(BookmarkFiles, ASaveMeetsNoFileOfTheUserAndRemovesItsOwnStaleTemporaries) {
  const std::pair<const char*, bool> kept[] = {{"Test.bmk.tmp", true}, {"Test.bmk.~hl0000ABCD.tmp", false},
                                               {"Test.bmk.~hl0000ABC.tmp", true}, {"Other.bmk.~hl0000ABCD.tmp", true}};
  for (auto [name, _] : kept) WriteFileContent(folder + name, "user's");
  ASSERT_TRUE(SaveBookmarkFile(file, {}));
  for (auto [name, stays] : kept) EXPECT_EQ(DeleteFileA((folder + name).c_str()) != 0, stays) << name;
}
