#pragma once
// The one seam for modal questions: message boxes and the input prompt (later also the
// file, font, colour and type dialogs) go through TVkInteraction. The program uses the
// platform's dialogs; a test installs a responder that records the questions and answers.
#include <string>

class TVkInteraction {
 public:
  virtual ~TVkInteraction() = default;
  // A message box; flags as the caller gave them (16, 48, 64, 52). Returns the button id.
  virtual int Message(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The one-line prompt; true with the typed text on OK, false (text unchanged) otherwise.
  virtual bool Prompt(const std::string& prompt, std::string& text) = 0;
};

// The interaction in force: the installed one, else the platform's.
TVkInteraction& Interaction();
// Installs an interaction (null restores the platform's); returns the one it replaces.
TVkInteraction* SetInteraction(TVkInteraction* interaction);
// The platform's own: MessageBoxA and dialog resource 1001.
TVkInteraction& PlatformInteraction();

// Asks for one line of text; see TVkInteraction::Prompt.
bool InputPrompt(const std::string& prompt, std::string& text);

// The prompt dialog's title; set to "Hivelark" at start-up, "Please Type a Value" when a
// prompt opens while it is still empty.
extern std::string PromptCaption;
