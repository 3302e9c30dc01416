// A plain blur to hold the pixel bitmap's stack blur against: a two-pass
// triangular convolution with clamped edges and integer division after
// each pass.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "skin/data/SPPixelBitmap.h"

inline void ReferenceBlur(TspPixelBitmap& b, int R) {
  const int w = b.Width(), h = b.Height(), d = (R + 1) * (R + 1);
  std::vector<int> tmp(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int i = -R; i <= R; ++i)
          s += (R + 1 - std::abs(i)) * int(b.GetPixel(std::min(std::max(x + i, 0), w - 1), y) >> (16 - 8 * c) & 255);
        tmp[(size_t(y) * w + x) * 3 + c] = s / d;
      }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TspColor p = 0xFF000000;
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int i = -R; i <= R; ++i)
          s += (R + 1 - std::abs(i)) * tmp[(size_t(std::min(std::max(y + i, 0), h - 1)) * w + x) * 3 + c];
        p |= TspColor(s / d) << (16 - 8 * c);
      }
      b.SetPixel(x, y, p);
    }
}
