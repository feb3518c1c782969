#pragma once
// What the editing benchmarks share: the key of many rows they work on, and answers that
// say Yes to every question.
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
