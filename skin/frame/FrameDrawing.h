// Small pieces the frame's popups (hints, menus, image grids) share when
// they draw skin pictures and time their fades.
#pragma once

#include <windows.h>

#include "framework/Graphics.h"
#include "skin/controls/SkinDraw.h"
#include "skin/data/SPGeometry.h"
#include "skin/data/spPicture.h"

// Milliseconds on the performance counter: the tick count moves in 16 ms
// steps under some systems, too coarse for the fades' spacing.
// The work area of the monitor a popup keeps to: the active form's, else
// the shown main form's, else `fallback`'s (when it has a window), else the
// whole primary screen.
TRect spPopupWorkArea(HWND fallback = nullptr);

inline double spNowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// The pixels of a skin picture as the drawing routines take them (none for
// a missing picture).
inline TspImageSource spPictureSource(const TspPicture* p) {
  TspImageSource s;
  if (p) {
    s.Pixels = p->Pixels.data();
    s.Width = p->Width;
    s.Height = p->Height;
  }
  return s;
}

// The skin's and the framework's points and rectangles as the system's.
inline POINT spWinPoint(const TspPoint& p) { return POINT{p.X, p.Y}; }
inline POINT spWinPoint(const TPoint& p) { return POINT{p.X, p.Y}; }
inline RECT spWinRect(const TspRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline RECT spWinRect(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

// The part `skinRect` of a skin picture laid out as nine parts: the corner
// points, stretch flags and client rectangle `clRect` are the skin element
// `e`'s; the spec's new corners and client rectangle the caller fills in
// for the size drawn.
template <class TElement>
TspNinePartSpec spElementNinePart(const TElement& e, const RECT& skinRect, const TspRect& clRect) {
  TspNinePartSpec n;
  n.SkinRect = skinRect;
  n.LT = spWinPoint(e.LTPoint);
  n.RT = spWinPoint(e.RTPoint);
  n.LB = spWinPoint(e.LBPoint);
  n.RB = spWinPoint(e.RBPoint);
  n.ClRect = spWinRect(clRect);
  n.LeftStretch = e.LeftStretch;
  n.TopStretch = e.TopStretch;
  n.RightStretch = e.RightStretch;
  n.BottomStretch = e.BottomStretch;
  n.StretchEffect = e.StretchEffect;
  n.StretchType = static_cast<int>(e.StretchType);
  return n;
}
