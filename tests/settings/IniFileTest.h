#pragma once
// A fixture that gives each test its own INI file name in the program folder (a temporary
// folder under test) and removes the file afterwards, with raw access to the file's bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::string& Path() const { return path_; }
  // Replaces the file with text, byte for byte.
  void WriteFileText(const std::string& text) const;
  // The file's bytes ("" when it is missing), after the platform's cached copy is flushed.
  std::string FileText() const;
  // The file's lines (split at CR LF, CR or LF), empty lines dropped.
  std::vector<std::string> FileLines() const;
  bool FileExists() const;

 private:
  std::string path_;
};
