// What drawing one source pixel in each mode leaves on a destination pixel,
// for checking the drawing paths pixel by pixel.
#pragma once

#include "skin/data/SPPixelBitmap.h"
#include "skin/data/SPPixelRows.h"

// Source s over old destination d.
inline TspColor ExpectedDrawnPixel(TspDrawMode m, TspColor s, TspColor d) {
  switch (m) {
    case TspDrawMode::Copy: return s;
    case TspDrawMode::Keyed: return (s & 0xFFFFFF) == TransparentKey ? d : (s | 0xFF000000);
    case TspDrawMode::Alpha: {
      const unsigned a = s >> 24;
      return a == 0 ? d : a == 255 ? s : BlendPixel(s, d);
    }
  }
  return 0;
}
