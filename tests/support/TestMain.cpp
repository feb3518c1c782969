// Test entry: common controls, a temporary program folder, then GoogleTest.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "lib/VkFuncLib.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "Hivelark Tests " + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  SetProgramFolder(folder);
  return RUN_ALL_TESTS();
}
