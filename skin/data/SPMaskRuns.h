// Window shapes from mask pictures: every maximal horizontal run of pure
// black pixels becomes one rectangle, one pixel high. Platform-neutral; the
// Win32 layer turns the region data into a region handle.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/data/SPGeometry.h"
#include "skin/data/SPPixelBitmap.h"

// Runs of a 24-bit top-down picture (rows of RowInc bytes, bytes blue, green,
// red), offset by (OffsetX, OffsetY). Rows top to bottom, runs left to right.
// The collector grows as needed: every black pixel is kept.
std::vector<TspRect> CollectMaskRuns(const uint8_t* Bits, int RowInc, int Width, int Height, int OffsetX,
                                     int OffsetY);
// The same for a 32-bit picture; the alpha byte does not count.
std::vector<TspRect> CollectMaskRuns(const TspPixelBitmap& Mask, int OffsetX, int OffsetY);

// The platform's region description (RGNDATA, little-endian): a 32-byte
// header (32, 1, n, 0, bounds) and the n rectangles, 16 bytes each.
std::vector<uint8_t> BuildRegionData(const std::vector<TspRect>& Runs, const TspRect& Bounds);

// Row size of a 24-bit top-down DIB row: 3 x Width + Width mod 4.
constexpr int Dib24RowInc(int Width) { return 3 * Width + Width % 4; }
