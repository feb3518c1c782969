#pragma once
// What the editing benchmarks share: the key of many rows they work on, answers that say
// Yes to every question, and an undo journal folder of their own.
#include <string>

#include "lib/VkDialogs.h"

// Answers every question Yes and every prompt with the target.
class TAnswers : public TVkInteraction {
 public:
  std::string Target;
  int Message(const std::string&, const std::string&, unsigned) override { return IDYES; }
  bool Prompt(const std::string&, std::string& text) override {
    text = Target;
    return true;
  }
};

// Writes the key sub below HKEY_CURRENT_USER afresh: values binary values of 16 bytes
// ("Value 000000" on) and keys subkeys ("Key 000000" on) with one such value "v" each.
void BuildEditKey(const std::string& sub, int values, int keys);

// Points the undo journal at a new folder in the temporary folder while it lives, so that the
// commands' records neither land beside the program nor fail on a folder another benchmark
// removed; the folder and its records are removed at the end.
class TBenchJournalFolder {
 public:
  TBenchJournalFolder();
  ~TBenchJournalFolder();
  TBenchJournalFolder(const TBenchJournalFolder&) = delete;
  TBenchJournalFolder& operator=(const TBenchJournalFolder&) = delete;

 private:
  std::string folder_;
};
