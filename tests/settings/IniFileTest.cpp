#include "IniFileTest.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "lib/VkFuncLib.h"

void IniFileTest::SetUp() {
  static int counter = 0;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = ProgramFolder() + info->test_suite_name() + "." + info->name() + "." + std::to_string(++counter) + ".ini";
  DeleteFileA(path_.c_str());
}

void IniFileTest::TearDown() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
  DeleteFileA(path_.c_str());
}

void IniFileTest::WriteFileText(const std::string& text) const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string IniFileTest::FileText() const {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
  std::ifstream in(path_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> IniFileTest::FileLines() const {
  const std::string text = FileText();
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool IniFileTest::FileExists() const { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }
