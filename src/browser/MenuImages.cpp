// The images of the main window's menu items (the roots and the history entries): drawn by
// the window from its menu image list.
#include "browser/Main.h"

void TFormHivelark::SetMenuImage(HMENU menu, UINT position, int image) {
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_BITMAP | MIIM_DATA;
  mi.hbmpItem = HBMMENU_CALLBACK;
  mi.dwItemData = static_cast<ULONG_PTR>(image);
  SetMenuItemInfoA(menu, position, TRUE, &mi);
}

void TFormHivelark::MeasureMenuItem(MEASUREITEMSTRUCT& item) {
  item.itemWidth = 16;
  item.itemHeight = 16;
}

void TFormHivelark::DrawMenuItem(const DRAWITEMSTRUCT& item) {
  if (!menuImages_) return;
  const int image = static_cast<int>(item.itemData);
  const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - 16) / 2;
  ImageList_Draw(menuImages_, image, item.hDC, item.rcItem.left, y, ILD_TRANSPARENT);
}
