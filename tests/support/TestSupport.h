#pragma once
// Shared test helpers: the registry sandbox, a scripted responder for modal questions,
// and small window-message helpers.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "lib/VkDialogs.h"
#include "registry/VkRegistry.h"

// Each test gets a fresh key HKEY_CURRENT_USER\Software\Hivelark Tests\<unique> that is
// deleted with everything below it after the test, also when the test fails.
class RegSandbox : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // "\Software\Hivelark Tests\<unique>\" (absolute path below HKEY_CURRENT_USER).
  std::string Path() const { return path_; }
  // Path() + relative + "\" ("a\b" gives "...\a\b\").
  std::string Path(const std::string& relative) const { return path_ + relative + "\\"; }
  // Creates a key below the sandbox ("a\b").
  void MakeKey(const std::string& relative) const;
  // Writes raw bytes as a value of the key below the sandbox ("" is the sandbox itself).
  void MakeValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) const;
  // An open handle of the sandbox key (owned by the fixture).
  HKEY Key() const { return key_; }

 private:
  std::string path_;
  HKEY key_ = nullptr;
};

// Answers message boxes and prompts from a script and records every question.
class ScriptedInteraction : public TVkInteraction {
 public:
  struct Question {
    std::string text;
    std::string caption;
    unsigned flags;
  };
  ScriptedInteraction();
  ~ScriptedInteraction() override;

  int Message(const std::string& text, const std::string& caption, unsigned flags) override;
  bool Prompt(const std::string& prompt, std::string& text) override;
  bool OpenFileName(const TFileDialogSpec& request, std::string& fileName) override;
  bool SaveFileName(const TFileDialogSpec& request, std::string& fileName) override;
  bool ChooseDataType(const TDataTypeQuestion& question, int& choice) override;
  bool ChooseColorDlg(CHOOSECOLORA& record) override;
  bool ChooseFontDlg(CHOOSEFONTA& record) override;

  std::vector<Question> Messages;
  std::vector<std::string> Prompts;
  std::deque<int> MessageAnswers;                        // default 1 (OK)
  std::deque<std::pair<bool, std::string>> PromptAnswers;  // default cancel
  // File dialogs: each records what it was opened with; the answer is a file name, and
  // no answer (or an empty name) cancels.
  std::vector<TFileDialogSpec> OpenDialogs, SaveDialogs;
  std::deque<std::string> OpenAnswers, SaveAnswers;
  // Data type chooser: each question with the choice it came with; an answer is the new
  // choice, no answer cancels.
  struct TypeQuestion {
    std::string caption;
    bool multiSelect;
    int choice;
  };
  std::vector<TypeQuestion> TypeQuestions;
  std::deque<int> TypeAnswers;
  // Colour dialogs: each records the colour it opened on; an answer of -1 (or none)
  // cancels, any other is the chosen colour. A custom colour change, when given, is
  // written into the record's custom colours before the answer (also on cancel).
  std::vector<COLORREF> ColorDialogs;
  std::deque<long long> ColorAnswers;
  std::deque<std::pair<int, COLORREF>> CustomColorEdits;
  // Font dialogs: each records the face it opened on; no answer cancels.
  std::vector<std::string> FontDialogs;
  std::deque<LOGFONTA> FontAnswers;

 private:
  TVkInteraction* previous_;
};

// Every key and value below parent\sub as sorted lines "path|name|type|bytes", read with
// bare calls; with shortLongData, data over 256 bytes shows as its size and checksum, so a
// failure reads well.
std::vector<std::string> DumpTree(HKEY parent, const std::string& sub, bool shortLongData = false);
// The text of a list view cell.
std::string ListItemText(HWND list, int item, int sub);

// Deletes a key with everything below it (test clean-up only).
void DeleteTree(HKEY parent, const std::string& name);
// Number of handles the process holds.
DWORD ProcessHandleCount();
// The platform's importer: regedit /s on the file, waited for; its exit code.
DWORD ImportWithRegedit(const std::string& file);
// Runs the pending window messages of this thread.
void PumpMessages();
// Removes the settings and bookmark files from the program folder (read-only ones too), so
// a window starts from the defaults.
void RemoveProgramFiles();

// The tree below parent\sub as stored, read with the wide calls: one line per key (path) and
// per value (path|name|type|bytes in hexadecimal), sorted.
std::vector<std::wstring> DumpStored(HKEY parent, const std::wstring& sub, const std::wstring& path = L"");
