// Small pieces the frame's popups (hints, menus, image grids) share when
// they draw skin pictures and time their fades.
#pragma once

#include <windows.h>

#include "framework/Graphics.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinDraw.h"
#include "skin/controls/SkinTimer.h"
#include "skin/data/SPGeometry.h"
#include "skin/data/spPicture.h"

// The work area of the monitor a popup keeps to: the active form's, else
// the shown main form's, else `fallback`'s (when it has a window), else the
// whole primary screen.
TRect spPopupWorkArea(HWND fallback = nullptr);

// The part `skinRect` of a skin picture laid out as nine parts: the corner
// points, stretch flags and client rectangle `clRect` are the skin element
// `e`'s; the returned picture's new corners and client rectangle the caller
// fills in for the size drawn.
template <class TElement>
TspNinePartSpec spElementNinePart(const TElement& e, const RECT& skinRect, const TspRect& clRect) {
  TspNinePartSpec n;
  n.SkinRect = skinRect;
  n.LT = ToPOINT(e.LTPoint);
  n.RT = ToPOINT(e.RTPoint);
  n.LB = ToPOINT(e.LBPoint);
  n.RB = ToPOINT(e.RBPoint);
  n.ClRect = ToRECT(clRect);
  SetNinePartStretch(n, e);
  return n;
}
