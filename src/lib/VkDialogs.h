#pragma once
// The one seam for modal questions: message boxes and the input prompt (later also the
// file, font, colour and type dialogs) go through TVkInteraction. The program uses the
// platform's dialogs; a test installs a responder that records the questions and answers.
#include <functional>
#include <string>

// The common dialogs' records (commdlg.h), declared here so that users of the seam do not
// get that header's macros (FindText, ChooseColor, ...).
struct tagCHOOSECOLORA;
struct tagCHOOSEFONTA;

// What a file open or save dialog starts with. The filter is written as pairs of a
// description and a pattern, each ended by "|" ("Bookmark files (*.bmk)|*.bmk|").
struct TFileDialogSpec {
  std::string Filter;
  int FilterIndex = 1;        // 1-based
  std::string DefaultExt;     // without the dot; empty for none
  std::string InitialDir;     // empty: the platform's choice
  bool OverwritePrompt = false;  // save: ask before replacing a file
  mutable int ChosenIndex = 0;   // answer: the filter selected when the dialog closed (1-based)
};

// The question of the data type chooser. The chooser window belongs to the editing
// subsystem, so the question brings the function that shows it; the platform's answer
// is that window's.
struct TDataTypeQuestion {
  std::string Caption;
  bool MultiSelect = false;          // choice is a mask (bit i = type i), else a type code
  std::function<bool(int& choice)> ShowWindow;
};

class TVkInteraction {
 public:
  virtual ~TVkInteraction() = default;
  // A message box; flags as the caller gave them (16, 48, 64, 52). Returns the button id.
  virtual int Message(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The one-line prompt; true with the typed text on OK, false (text unchanged) otherwise.
  virtual bool Prompt(const std::string& prompt, std::string& text) = 0;
  // The common open and save dialogs; true with the chosen name on OK (fileName is also
  // the name the dialog starts with). The default is the platform's dialog.
  virtual bool OpenFileName(const TFileDialogSpec& request, std::string& fileName);
  virtual bool SaveFileName(const TFileDialogSpec& request, std::string& fileName);
  // The data type chooser; true with the new choice on OK, false (choice unchanged)
  // otherwise. The default runs the question's window.
  virtual bool ChooseDataType(const TDataTypeQuestion& question, int& choice);
  // The common colour and font dialogs, filled in by the caller; true on OK, with the
  // record holding the choice. The default is the platform's dialog.
  virtual bool ChooseColorDlg(tagCHOOSECOLORA& record);
  virtual bool ChooseFontDlg(tagCHOOSEFONTA& record);
};

// The interaction in force: the installed one, else the platform's.
TVkInteraction& Interaction();
// Installs an interaction (null restores the platform's); returns the one it replaces.
TVkInteraction* SetInteraction(TVkInteraction* interaction);
// The platform's own: MessageBoxA, dialog resource 1001 and the common file dialogs.
TVkInteraction& PlatformInteraction();

// Asks for one line of text; see TVkInteraction::Prompt.
bool InputPrompt(const std::string& prompt, std::string& text);

// The prompt dialog's title; set to "Hivelark" at start-up, "Please Type a Value" when a
// prompt opens while it is still empty.
extern std::string PromptCaption;
