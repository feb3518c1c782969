#pragma once
// Registry paths as users paste them: from the platform's editor ("Computer\HKEY_..."), from
// PowerShell ("HKLM:\...", "Registry::HKEY_..."), from registration files ("[HKEY_...]",
// "[-HKEY_...]"), from "reg://" links, in double quotes, with forward slashes, surrounded by
// spaces, or as the first line of a longer text.
#include <string>
#include <string_view>

#include "registry/VkRegistry.h"

struct TPastedPath {
  bool RootList = false;  // "Computer" alone: the list of roots
  RootKey Root = 0;       // the root the text names; 0 when it names none
  // The key path below the root, "\"-separated, without a leading "\" when Root is set; when
  // Root is 0 it is the text as typed (relative, or from the root with a leading "\").
  std::string Path;
  bool TrailingBackslash = false;  // the text ended with "\": it names a key, never a value
};

// Reads text in any of the forms above; a path without a root name is taken only when
// allowRelative is set (as typed into Jump to Key or given on the command line). False when
// the text is none of the forms (empty, an unclosed "[", a root-less text where one is needed).
bool ParsePastedPath(std::string_view text, bool allowRelative, TPastedPath& out);
