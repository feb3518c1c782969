// The test environment itself: code page and platform family the program relies on.
#include <windows.h>

#include "lib/VkFuncLib.h"
#include "support/TestSupport.h"

TEST(TestEnvironment, AnsiCodePageIsWindows1252) { EXPECT_EQ(GetACP(), 1252u); }

TEST(TestEnvironment, ProgramFolderIsTheTemporaryFolder) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_NE(folder.find("Hivelark Tests"), std::string::npos);
  EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}
