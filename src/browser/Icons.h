#pragma once
// The small icons shared by both panes: 0..11 the value types, 12 a key, 13 the parent row.
#include <windows.h>
#include <commctrl.h>

constexpr int RowImageCount = 14;

// A new 16 x 16 image list holding the row icons; the caller destroys it.
HIMAGELIST CreateRowImageList();

// Images of menu items: 2 marks the current root, 28 another root, 30 an error; the
// other places are empty. The caller destroys the list.
HIMAGELIST CreateMenuImageList();
constexpr int MenuImageCount = 31;
