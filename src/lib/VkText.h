#pragma once
// Text helpers that need no platform call (kept free of windows.h so they build anywhere).
#include <string>
#include <string_view>

// Line-break kinds: 0 CR LF, 1 LF only, 2 CR only, -1 none or mixed.
int LineBreakKind(std::string_view text);
// Separators indexed by kind + 1: "", CR LF, LF, CR.
extern const char* const LineBreaks[4];

// ASCII-only case-insensitive equality and ordering.
bool SameTextAscii(std::string_view a, std::string_view b);
int CompareTextAscii(std::string_view a, std::string_view b);
