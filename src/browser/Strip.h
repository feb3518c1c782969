#pragma once
// A title strip above a pane: a 17-pixel band painted by its owner, with the owner told
// of mouse presses and drags on it.
#include <windows.h>

#include "lib/VkWindow.h"

constexpr int StripHeight = 17;

class TStripHost {
 public:
  virtual ~TStripHost() = default;
  virtual void PaintStrip(int id, HDC dc, const RECT& rc) = 0;
  // button: 0 left, 1 right, 2 middle. Client coordinates of the strip.
  virtual void StripButtonDown(int id, int button, POINT pt) = 0;
  virtual void StripDrag(int id, POINT pt) = 0;  // mouse moved with the left button held
  virtual void StripButtonUp(int id) = 0;
};

class TStrip : public TVkWindow {
 public:
  TStrip(TStripHost& host, int id, LPCSTR cursor) : host_(host), id_(id), cursor_(cursor) {}
  [[nodiscard]] bool Create(HWND parent);
  void Repaint();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  TStripHost& host_;
  int id_;
  LPCSTR cursor_;
};
