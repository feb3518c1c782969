#include "browser/Icons.h"

#include <cstring>

namespace {

constexpr int Size = 16;
constexpr COLORREF MaskColour = RGB(255, 0, 255);

struct TTypeBadge {
  const char* label;
  COLORREF ink;
};

// A badge a type: a white tile with a coloured frame and a short label, so each type
// reads at a glance (text types red, numbers blue, raw data grey, resources brown).
const TTypeBadge TypeBadges[12] = {
    {"--", RGB(110, 110, 110)},  // None
    {"ab", RGB(200, 30, 30)},    // String
    {"%", RGB(200, 90, 0)},      // Expanded
    {"01", RGB(30, 80, 190)},    // Binary
    {"32", RGB(0, 120, 140)},    // DWord
    {"BE", RGB(100, 40, 160)},   // DWord BigEndian
    {"Ln", RGB(0, 130, 60)},     // Link
    {"", RGB(200, 30, 30)},      // MultiString: three text lines
    {"R", RGB(140, 80, 20)},     // Resource
    {"FR", RGB(140, 80, 20)},    // Full Resource
    {"RQ", RGB(140, 80, 20)},    // Resource Req
    {"64", RGB(0, 70, 150)},     // QWord
};

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
  RECT rc{l, t, r, b};
  HBRUSH br = CreateSolidBrush(c);
  FillRect(dc, &rc, br);
  DeleteObject(br);
}

void DrawBadge(HDC dc, const TTypeBadge& badge, HFONT font) {
  Fill(dc, 1, 1, 15, 15, badge.ink);
  Fill(dc, 2, 2, 14, 14, RGB(255, 255, 255));
  if (badge.label[0] == '\0') {
    for (int y = 4; y <= 10; y += 3) Fill(dc, 4, y, 12, y + 2, badge.ink);
    return;
  }
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, badge.ink);
  RECT rc{1, 1, 15, 15};
  DrawTextA(dc, badge.label, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

void DrawFolder(HDC dc) {
  const COLORREF edge = RGB(170, 120, 20), face = RGB(250, 205, 80), tab = RGB(235, 180, 50);
  Fill(dc, 1, 3, 7, 5, edge);
  Fill(dc, 2, 4, 6, 5, tab);
  Fill(dc, 1, 5, 15, 14, edge);
  Fill(dc, 2, 6, 14, 13, face);
}

void DrawParent(HDC dc) {
  DrawFolder(dc);
  const COLORREF arrow = RGB(20, 120, 40);
  // An arrow pointing up and to the left: the way out of the key.
  Fill(dc, 7, 7, 9, 12, arrow);
  Fill(dc, 5, 8, 11, 9, arrow);
  Fill(dc, 6, 7, 10, 8, arrow);
  Fill(dc, 7, 6, 9, 7, arrow);
}

}  // namespace

namespace {

// A list of count 16 x 16 images, each drawn by draw(dc, index) on the mask colour.
template <class Draw>
HIMAGELIST BuildImageList(int count, Draw draw) {
  HIMAGELIST list = ImageList_Create(Size, Size, ILC_COLOR24 | ILC_MASK, count, 1);
  if (!list) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int i = 0; i < count; ++i) {
    HBITMAP bmp = CreateCompatibleBitmap(screen, Size, Size);
    HGDIOBJ old = SelectObject(dc, bmp);
    Fill(dc, 0, 0, Size, Size, MaskColour);
    draw(dc, i);
    SelectObject(dc, old);
    ImageList_AddMasked(list, bmp, MaskColour);
    DeleteObject(bmp);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace

HIMAGELIST CreateRowImageList() {
  HFONT font = CreateFontA(-9, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Tahoma");
  HIMAGELIST list = BuildImageList(RowImageCount, [font](HDC dc, int i) {
    if (i < 12) DrawBadge(dc, TypeBadges[i], font);
    else if (i == 12) DrawFolder(dc);
    else DrawParent(dc);
  });
  DeleteObject(font);
  return list;
}

namespace {

void DrawCurrentMark(HDC dc) {
  // A filled green disc: "you are here".
  HBRUSH br = CreateSolidBrush(RGB(30, 150, 60));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(10, 90, 30));
  HGDIOBJ ob = SelectObject(dc, br), op = SelectObject(dc, pen);
  Ellipse(dc, 3, 3, 13, 13);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(br);
  DeleteObject(pen);
}

void DrawOtherMark(HDC dc) {
  // A small hive folder.
  Fill(dc, 2, 4, 7, 6, RGB(170, 120, 20));
  Fill(dc, 2, 6, 14, 13, RGB(170, 120, 20));
  Fill(dc, 3, 7, 13, 12, RGB(250, 205, 80));
}

void DrawErrorSign(HDC dc) {
  HBRUSH br = CreateSolidBrush(RGB(210, 30, 30));
  HGDIOBJ ob = SelectObject(dc, br);
  HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, 1, 1, 16, 16);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(br);
  Fill(dc, 7, 3, 9, 10, RGB(255, 255, 255));
  Fill(dc, 7, 11, 9, 13, RGB(255, 255, 255));
}

}  // namespace

HIMAGELIST CreateMenuImageList() {
  return BuildImageList(MenuImageCount, [](HDC dc, int i) {
    if (i == 2) DrawCurrentMark(dc);
    else if (i == 28) DrawOtherMark(dc);
    else if (i == 30) DrawErrorSign(dc);
  });
}
