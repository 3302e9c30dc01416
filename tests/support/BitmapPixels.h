// Reading colours back from framework bitmaps as 0x00RRGGBB.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Graphics.h"

// A pixel of a framework bitmap, whatever its format, after the drawing so
// far has reached it.
inline uint32_t RgbAt(TBitmap& b, int x, int y) {
  GdiFlush();
  return b.PixelView().PixelARGB(x, y) & 0xFFFFFF;
}

// A framework colour (system colours resolved).
inline uint32_t RgbOf(TColor c) {
  c = ColorToRGB(c);
  return (uint32_t(ColorRed(c)) << 16) | (uint32_t(ColorGreen(c)) << 8) | ColorBlue(c);
}
