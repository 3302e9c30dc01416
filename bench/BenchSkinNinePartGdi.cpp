// The same 640x480 frame through the program's path: framework bitmaps and
// GDI copies under Wine, against our pixel build of it in the same run.
#include <windows.h>

#include <cstdio>
#include <random>

#include "BenchUtil.h"
#include "skin/data/SPUtils.h"

int main() {
  std::mt19937 rng(1);
  TBitmap picture(120, 120, pf32bit);
  TspPixelBitmap pixels;
  pixels.SetSize(120, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) {
      const TspColor c = 0xFF000000u | (rng() & 0xFFFFFF);
      reinterpret_cast<TspColor*>(picture.ScanLine(y))[x] = c;
      pixels.SetPixel(x, y, c);
    }
  const int W = 640, H = 480, dw = W - 120, dh = H - 120;
  const TPoint lt{52, 52}, rt{68, 52}, lb{52, 68}, rb{68, 68};
  const TRect cl{8, 8, 112, 112}, ncl{8, 8, 112 + dw, 112 + dh};
  TBitmap target;
  const double tGdi = MedianSeconds([&] {
    CreateNinePartImage(lt, rt, lb, rb, cl, lt, TPoint{68 + dw, 52}, TPoint{52, 68 + dh}, TPoint{68 + dw, 68 + dh},
                        ncl, &target, &picture, TRect{0, 0, 120, 120}, W, H, true, false, false, false, false, true,
                        spstFull);
    GdiFlush();
  }, 31);
  TspNinePartGeometry g;
  g.SkinRect = TspRect(0, 0, 120, 120);
  g.ClRect = ToSpRect(cl);
  g.LTPoint = {52, 52}, g.RTPoint = {68, 52}, g.LBPoint = {52, 68}, g.RBPoint = {68, 68};
  g.NewLTPoint = g.LTPoint, g.NewRTPoint = {68 + dw, 52}, g.NewLBPoint = {52, 68 + dh}, g.NewRBPoint = {68 + dw, 68 + dh};
  g.NewClRect = ToSpRect(ncl), g.NewWidth = W, g.NewHeight = H, g.StretchEffect = true;
  TspPixelBitmap out;
  out.SetSize(W, H);
  const double tPix = MedianSeconds([&] {
    TspPixelPiecePainter p(pixels, out);
    LayNinePartImage(g, p);
  }, 31);
  ReportPair("nine-part 640x480, GDI vs pixels", double(W) * H, tGdi, tPix);
  std::printf("nine-part frame through GDI: %.3f ms a frame (target <= 3 ms)\n", tGdi * 1e3);
  return 0;
}
