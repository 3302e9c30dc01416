// Shorthands for the nine-part geometry of synthetic skin elements.
#pragma once

#include "skin/data/SPGeometry.h"

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
