#pragma once
// How the main window's client height is shared between the registry pane and the
// bookmark pane, and how the location text is fitted into its title strip. Pure functions
// of their inputs.
#include <functional>
#include <string>

// The registry pane keeps its title strip, the column header and a couple of rows; the
// bookmark pane keeps its title strip and a row.
constexpr int MinRegPaneHeight = 17 + 60;
constexpr int MinBmkPaneHeight = 2 * 17;

struct TPaneSplit {
  int RegHeight = 0;  // strip and list of the registry pane
  int BmkHeight = 0;  // strip and list of the bookmark pane; 0 when hidden
};

// The wanted bookmark pane height is kept where both panes get their minimum; in a window
// too small for both the bookmark pane gets two fifths, never less than its strip.
TPaneSplit SplitPanes(int clientHeight, int bookmarkHeight, bool bookmarkVisible);

// The text drawn for a location in width pixels: the full text when it fits, else the
// short form, else the short form's tail behind "..." (the end of a path says most).
std::string FitLocationText(const std::string& full, const std::string& shortForm, int width,
                            const std::function<int(const std::string&)>& measure);
