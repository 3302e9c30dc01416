// A 640x480 window frame from a 120x120 skin piece: 8-pixel borders, 16-pixel
// tiled edges, a stretched client part. Ours against a plain per-pixel build.
#include <cstdio>
#include <random>

#include "BenchUtil.h"
#include "skin/data/SPNinePart.h"

int main() {
  std::mt19937 rng(1);
  TspPixelBitmap pic;
  pic.SetSize(120, 120);
  for (int i = 0; i < 120 * 120; ++i) pic.Bits()[i] = 0xFF000000u | (rng() & 0xFFFFFF);
  TspNinePartGeometry g;
  g.SkinRect = TspRect(0, 0, 120, 120);
  g.ClRect = TspRect(8, 8, 112, 112);
  g.LTPoint = {52, 52}, g.RTPoint = {68, 52}, g.LBPoint = {52, 68}, g.RBPoint = {68, 68};
  const int W = 640, H = 480, dw = W - 120, dh = H - 120;
  g.NewLTPoint = g.LTPoint, g.NewRTPoint = {68 + dw, 52}, g.NewLBPoint = {52, 68 + dh}, g.NewRBPoint = {68 + dw, 68 + dh};
  g.NewClRect = TspRect(8, 8, 112 + dw, 112 + dh);
  g.NewWidth = W, g.NewHeight = H;
  g.StretchEffect = true;
  g.StretchType = spstFull;

  TspPixelBitmap ours, ref;
  ours.SetSize(W, H);
  ref.SetSize(W, H);
  const double tOurs = MedianSeconds([&] {
    TspPixelPiecePainter p(pic, ours);
    LayNinePartImage(g, p);
  }, 51);
  // Plain: every target pixel works out its source pixel on its own.
  const float rx = float(103) / float(W - 16 - 1), ry = float(103) / float(H - 16 - 1);
  const double tRef = MedianSeconds([&] {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        int sx, sy;
        if (x >= 8 && x < W - 8 && y >= 8 && y < H - 8) {
          sx = 8 + int(double(x - 8) * rx), sy = 8 + int(double(y - 8) * ry);
        } else {
          sx = x < 52 ? x : x >= 68 + dw ? x - dw : 52 + (x - 52) % 16;
          sy = y < 52 ? y : y >= 68 + dh ? y - dh : 52 + (y - 52) % 16;
          if (y < 8 || y >= H - 8) sy = y < 8 ? y : y - dh;
          if (x < 8 || x >= W - 8) sx = x < 8 ? x : x - dw;
        }
        ref.SetPixel(x, y, pic.GetPixel(sx, sy));
      }
  }, 15);
  int diff = 0;
  for (int i = 0; i < W * H; ++i) diff += ours.Bits()[i] != ref.Bits()[i];
  ReportPair("nine-part 640x480 frame", double(W) * H, tOurs, tRef);
  std::printf("nine-part frame: %.3f ms a frame (target <= 3 ms); pixels differing from the plain build: %d\n",
              tOurs * 1e3, diff);
  return 0;
}
