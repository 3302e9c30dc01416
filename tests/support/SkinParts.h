// Shorthands for the nine-part geometry of synthetic skin elements.
#pragma once

#include <cstddef>
#include <cstdint>

#include "skin/data/SPGeometry.h"
#include "skin/data/SkinData.h"
#include "skin/data/spPicture.h"

// A picture of w x h in one colour (0xRRGGBB).
inline TspPicture SolidPicture(int w, int h, uint32_t colour) {
  TspPicture p;
  p.SetSize(w, h, colour);
  return p;
}

// Paints the part (l, t)-(r, b) of a picture in one colour.
inline void FillPicture(TspPicture& p, int l, int t, int r, int b, uint32_t colour) {
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) p.Pixels[size_t(y) * p.Width + x] = colour;
}

// The four inner corners of a nine-part element, (l, t) to (r, b): what lies
// outside them keeps its size, what lies between them fills the control.
// `e` points to the element (a plain or an owning pointer).
template <class P>
void NineCorners(const P& e, int l, int t, int r, int b) {
  e->LTPoint = TspPoint{l, t};
  e->RTPoint = TspPoint{r, t};
  e->LBPoint = TspPoint{l, b};
  e->RBPoint = TspPoint{r, b};
}

// The same corners with the client area right between them.
template <class P>
void NinePart(const P& e, int l, int t, int r, int b) {
  NineCorners(e, l, t, r, b);
  e->ClRect = TspRect{l, t, r, b};
}

// The ends of a strip that fills across: the left part up to x = l and the
// right part from x = r keep their size.
template <class P>
void AcrossEnds(const P& e, int l, int r) {
  e->LTPoint = TspPoint{l, 0};
  e->RTPoint = TspPoint{r, 0};
}

// The four hit-test corner points of a frame, (l, t) to (r, b).
template <class P>
void HitTestCorners(const P& e, int l, int t, int r, int b) {
  e->HitTestLTPoint = TspPoint{l, t};
  e->HitTestRTPoint = TspPoint{r, t};
  e->HitTestLBPoint = TspPoint{l, b};
  e->HitTestRBPoint = TspPoint{r, b};
}

// The skin's popup window element made anew from picture 0, the menu items
// lying between its nine-part corners (l, t)-(r, b).
inline TspDataSkinPopupWindow& PlainPopupWindow(TspSkinData& data, int l, int t, int r, int b) {
  *data.PopupWindow = TspDataSkinPopupWindow();
  TspDataSkinPopupWindow& e = *data.PopupWindow;
  e.WindowPictureIndex = 0;
  NineCorners(&e, l, t, r, b);
  e.ItemsRect = TspRect{l, t, r, b};
  return e;
}
