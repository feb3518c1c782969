#pragma once
// The small icons shared by both panes: 0..11 the value types, 12 a key, 13 the parent row.
#include <windows.h>
#include <commctrl.h>

constexpr int RowImageCount = 14;

// A new 16 x 16 image list holding the row icons; the caller destroys it.
HIMAGELIST CreateRowImageList();
