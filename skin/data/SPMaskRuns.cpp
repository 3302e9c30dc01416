#include "skin/data/SPMaskRuns.h"

#include <cstring>

std::vector<TspRect> CollectMaskRuns(const uint8_t* Bits, int RowInc, int Width, int Height, int OffsetX,
                                     int OffsetY) {
  std::vector<TspRect> runs;
  if (!Bits || Width <= 0 || Height <= 0) return runs;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = Bits + ptrdiff_t(y) * RowInc;
    int x = 0;
    while (x < Width) {
      const uint8_t* p = row + x * 3;
      if ((p[0] | p[1] | p[2]) != 0) {
        ++x;
        continue;
      }
      int x1 = x;
      while (x1 < Width) {
        const uint8_t* q = row + x1 * 3;
        if ((q[0] | q[1] | q[2]) != 0) break;
        ++x1;
      }
      runs.emplace_back(OffsetX + x, OffsetY + y, OffsetX + x1, OffsetY + y + 1);
      x = x1;
    }
  }
  return runs;
}

std::vector<TspRect> CollectMaskRuns(const TspPixelBitmap& Mask, int OffsetX, int OffsetY) {
  std::vector<TspRect> runs;
  if (Mask.Empty()) return runs;
  for (int y = 0; y < Mask.Height(); ++y) {
    const TspColor* row = Mask.GetRowPtr(y);
    int x = 0;
    while (x < Mask.Width()) {
      if (row[x] & 0x00FFFFFF) {
        ++x;
        continue;
      }
      int x1 = x;
      while (x1 < Mask.Width() && !(row[x1] & 0x00FFFFFF)) ++x1;
      runs.emplace_back(OffsetX + x, OffsetY + y, OffsetX + x1, OffsetY + y + 1);
      x = x1;
    }
  }
  return runs;
}

namespace {
void Put32(uint8_t* p, int32_t v) {
  const uint32_t u = uint32_t(v);
  p[0] = uint8_t(u), p[1] = uint8_t(u >> 8), p[2] = uint8_t(u >> 16), p[3] = uint8_t(u >> 24);
}
}  // namespace

std::vector<uint8_t> BuildRegionData(const std::vector<TspRect>& Runs, const TspRect& Bounds) {
  std::vector<uint8_t> data(32 + 16 * Runs.size(), 0);
  Put32(&data[0], 32);
  Put32(&data[4], 1);
  Put32(&data[8], int32_t(Runs.size()));
  Put32(&data[12], 0);
  Put32(&data[16], Bounds.Left);
  Put32(&data[20], Bounds.Top);
  Put32(&data[24], Bounds.Right);
  Put32(&data[28], Bounds.Bottom);
  for (size_t i = 0; i < Runs.size(); ++i) {
    uint8_t* p = &data[32 + 16 * i];
    Put32(p, Runs[i].Left), Put32(p + 4, Runs[i].Top), Put32(p + 8, Runs[i].Right), Put32(p + 12, Runs[i].Bottom);
  }
  return data;
}
