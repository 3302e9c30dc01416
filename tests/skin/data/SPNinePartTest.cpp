#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "skin/data/SPNinePart.h"

namespace {

constexpr TspColor Untouched = 0x00ABCDEF;

// A skin picture with the piece at (ox, oy); every pixel unique.
void Picture(TspPixelBitmap& p, int w, int h, std::mt19937& rng) {
  p.SetSize(w, h);
  for (int i = 0; i < w * h; ++i) p.Bits()[i] = 0xFF000000u | (rng() & 0xFFFFFF);
}

struct Geo {
  int W, H;
  TspNinePartGeometry g;
};

// An ordered source geometry: borders, corner points inside their borders, every span > 0.
Geo RandomGeometry(std::mt19937& rng, int ox, int oy) {
  auto in = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
  Geo r;
  r.W = in(3, 30), r.H = in(3, 30);
  TspNinePartGeometry& g = r.g;
  g.ClRect.Left = in(0, r.W - 2), g.ClRect.Right = in(g.ClRect.Left + 1, r.W);
  g.ClRect.Top = in(0, r.H - 2), g.ClRect.Bottom = in(g.ClRect.Top + 1, r.H);
  const int ltx = in(0, r.W - 1), rtx = in(ltx + 1, r.W);
  const int lbx = in(0, r.W - 1), rbx = in(lbx + 1, r.W);
  const int lty = in(g.ClRect.Top, g.ClRect.Bottom - 1), lby = in(lty + 1, g.ClRect.Bottom);
  const int rty = in(g.ClRect.Top, g.ClRect.Bottom - 1), rby = in(rty + 1, g.ClRect.Bottom);
  g.LTPoint = {ltx, lty}, g.RTPoint = {rtx, rty}, g.LBPoint = {lbx, lby}, g.RBPoint = {rbx, rby};
  g.SkinRect = TspRect(ox, oy, ox + r.W, oy + r.H);
  return r;
}

void Grow(TspNinePartGeometry& g, int W, int H, int dw, int dh) {
  g.NewLTPoint = g.LTPoint;
  g.NewRTPoint = {g.RTPoint.X + dw, g.RTPoint.Y};
  g.NewLBPoint = {g.LBPoint.X, g.LBPoint.Y + dh};
  g.NewRBPoint = {g.RBPoint.X + dw, g.RBPoint.Y + dh};
  g.NewClRect = TspRect(g.ClRect.Left, g.ClRect.Top, g.ClRect.Right + dw, g.ClRect.Bottom + dh);
  g.NewWidth = W + dw, g.NewHeight = H + dh;
}

// A w x h source geometry at (0, 0) with the given client area and corner
// points, grown by (dw, dh).
TspNinePartGeometry GrownGeometry(int w, int h, TspRect client, TspPoint lt, TspPoint rt, TspPoint lb, TspPoint rb,
                                  int dw, int dh) {
  TspNinePartGeometry g;
  g.SkinRect = TspRect(0, 0, w, h);
  g.ClRect = client;
  g.LTPoint = lt, g.RTPoint = rt, g.LBPoint = lb, g.RBPoint = rb;
  Grow(g, w, h, dw, dh);
  return g;
}

void Build(const TspNinePartGeometry& g, const TspPixelBitmap& pic, TspPixelBitmap& out, bool openRight = false) {
  out.SetSize(g.NewWidth, g.NewHeight);
  out.Clear(Untouched);
  TspPixelPiecePainter painter(pic, out);
  if (openRight)
    LayNinePartImageOpenRight(g, painter);
  else
    LayNinePartImage(g, painter);
}

TEST(NinePart, SourceSizeReproducesTheSourceInEveryMode) {
  std::mt19937 rng(21);
  for (int trial = 0; trial < 300; ++trial) {
    const int ox = int(rng() % 5), oy = int(rng() % 5);
    Geo geo = RandomGeometry(rng, ox, oy);
    TspPixelBitmap pic;
    Picture(pic, ox + geo.W + 3, oy + geo.H + 2, rng);
    Grow(geo.g, geo.W, geo.H, 0, 0);
    for (unsigned flags = 0; flags < 32; ++flags)
      for (TspStretchType st : {spstFull, spstHorz, spstVert}) {
        TspNinePartGeometry g = geo.g;
        g.LeftStretch = flags & 1, g.TopStretch = flags & 2, g.RightStretch = flags & 4, g.BottomStretch = flags & 8;
        g.StretchEffect = flags & 16;
        g.StretchType = st;
        if (g.RBPoint.X == g.LTPoint.X || g.RBPoint.Y == g.LTPoint.Y) continue;
        TspPixelBitmap out;
        Build(g, pic, out);
        for (int y = 0; y < geo.H; ++y)
          for (int x = 0; x < geo.W; ++x)
            ASSERT_EQ(out.GetPixel(x, y), pic.GetPixel(ox + x, oy + y))
                << "trial " << trial << " flags " << flags << " type " << st << " at " << x << "," << y;
      }
  }
}

// Where each target pixel of a grown, all-tiled picture comes from, worked out pixel by pixel.
TspColor ReferencePixel(const Geo& geo, const TspPixelBitmap& pic, int dw, int dh, int x, int y) {
  const TspNinePartGeometry& g = geo.g;
  const TspRect& c = g.ClRect;
  auto src = [&](int sx, int sy) { return pic.GetPixel(g.SkinRect.Left + sx, g.SkinRect.Top + sy); };
  auto mod = [](int a, int m) { return a % m; };
  if (y < c.Top) {
    if (x < g.LTPoint.X) return src(x, y);
    if (x < g.RTPoint.X + dw) return src(g.LTPoint.X + mod(x - g.LTPoint.X, g.RTPoint.X - g.LTPoint.X), y);
    return src(x - dw, y);
  }
  if (y >= c.Bottom + dh) {
    // Corners drawn later win where they overlap: BR1 over BL2 over BL1 over the edge.
    const int sy = y - dh;
    if (x >= g.RBPoint.X + dw) return src(x - dw, sy);
    if (x < c.Left || x < g.LBPoint.X) return src(x, sy);
    return src(g.LBPoint.X + mod(x - g.LBPoint.X, g.RBPoint.X - g.LBPoint.X), sy);
  }
  if (x < c.Left) {
    if (y < g.LTPoint.Y) return src(x, y);
    if (y < g.LBPoint.Y + dh) return src(x, g.LTPoint.Y + mod(y - g.LTPoint.Y, g.LBPoint.Y - g.LTPoint.Y));
    return src(x, y - dh);
  }
  if (x >= c.Right + dw) {
    if (y < g.RTPoint.Y) return src(x - dw, y);
    if (y < g.RBPoint.Y + dh) return src(x - dw, g.RTPoint.Y + mod(y - g.RTPoint.Y, g.RBPoint.Y - g.RTPoint.Y));
    return src(x - dw, y - dh);
  }
  return src(c.Left + mod(x - c.Left, RectWidth(c)), c.Top + mod(y - c.Top, RectHeight(c)));
}

TEST(NinePart, GrownWithTiledEdgesEqualsReference) {
  std::mt19937 rng(42);
  for (int trial = 0; trial < 1000; ++trial) {
    const int ox = int(rng() % 4), oy = int(rng() % 4);
    Geo geo = RandomGeometry(rng, ox, oy);
    if (geo.g.RBPoint.X == geo.g.LTPoint.X || geo.g.RBPoint.Y == geo.g.LTPoint.Y) continue;
    TspPixelBitmap pic;
    Picture(pic, ox + geo.W, oy + geo.H, rng);
    const int dw = int(rng() % 50), dh = int(rng() % 50);
    Grow(geo.g, geo.W, geo.H, dw, dh);
    TspPixelBitmap out;
    Build(geo.g, pic, out);
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x)
        ASSERT_EQ(out.GetPixel(x, y), ReferencePixel(geo, pic, dw, dh, x, y))
            << "W,H " << geo.W << "," << geo.H << " cl " << geo.g.ClRect.Left << "," << geo.g.ClRect.Top << ","
            << geo.g.ClRect.Right << "," << geo.g.ClRect.Bottom << " lt " << geo.g.LTPoint.X << "," << geo.g.LTPoint.Y
            << " rt " << geo.g.RTPoint.X << "," << geo.g.RTPoint.Y << " lb " << geo.g.LBPoint.X << "," << geo.g.LBPoint.Y
            << " rb " << geo.g.RBPoint.X << "," << geo.g.RBPoint.Y << " trial " << trial << " grown by " << dw << "x" << dh << " at " << x << "," << y;
  }
}

TEST(NinePart, DegenerateGeometryLeavesTargetUndrawn) {
  std::mt19937 rng(1);
  Geo geo = RandomGeometry(rng, 0, 0);
  TspPixelBitmap pic, out;
  Picture(pic, geo.W, geo.H, rng);
  Grow(geo.g, geo.W, geo.H, 5, 5);
  geo.g.RBPoint.X = geo.g.LTPoint.X;
  Build(geo.g, pic, out);
  for (int i = 0; i < out.Width() * out.Height(); ++i) ASSERT_EQ(out.Bits()[i], Untouched);
}

TEST(NinePart, TilingSpans) {
  std::vector<std::vector<int>> got;
  auto collect = [&](int a, int b, int c, int d) { got.push_back({a, b, c, d}); };
  TileSpan(5, 4, 10, 18, collect);  // an exact multiple: the last pass is empty
  EXPECT_EQ(got, (std::vector<std::vector<int>>{{5, 9, 10, 14}, {5, 9, 14, 18}}));
  got.clear();
  TileSpan(5, 4, 10, 19, collect);
  EXPECT_EQ(got.back(), (std::vector<int>{5, 6, 18, 19}));
  got.clear();
  TileSpan(5, 0, 10, 19, collect);   // tile length 0: nothing, no division
  TileSpan(5, 4, 10, 8, collect);    // span -2: the mirroring pass is skipped
  TileSpan(5, 4, 10, 2, collect);    // n < 0
  EXPECT_TRUE(got.empty());
}

TEST(NinePart, ZeroTileLengthsDrawTheRest) {
  std::mt19937 rng(9);
  TspPixelBitmap pic, out;
  Picture(pic, 10, 10, rng);
  // A client of width 0 and a top span of 0.
  const TspNinePartGeometry g = GrownGeometry(10, 10, TspRect(3, 3, 3, 7), {3, 3}, {3, 3}, {3, 7}, {7, 7}, 6, 6);
  Build(g, pic, out);  // must not divide by zero; corners still drawn
  EXPECT_EQ(out.GetPixel(0, 0), pic.GetPixel(0, 0));
  EXPECT_EQ(out.GetPixel(15, 15), pic.GetPixel(9, 9));
}

TEST(NinePart, OpenRightReachesTheRightEdge) {
  std::mt19937 rng(4);
  TspPixelBitmap pic, out;
  Picture(pic, 12, 12, rng);
  TspNinePartGeometry g = GrownGeometry(12, 12, TspRect(2, 2, 10, 10), {2, 2}, {10, 2}, {2, 10}, {10, 10}, 8, 0);
  for (bool stretch : {false, true}) {
    g.StretchEffect = stretch;
    g.RightStretch = !stretch;  // never read
    Build(g, pic, out, true);
    for (int y = 0; y < out.Height(); ++y) ASSERT_NE(out.GetPixel(out.Width() - 1, y), Untouched) << y;
  }
}

TEST(NinePart, StretchedSkinRectAndClientArea) {
  std::mt19937 rng(8);
  TspPixelBitmap pic, out;
  Picture(pic, 10, 10, rng);
  const TspNinePartGeometry g = SkinRectStretchedGeometry(TspRect(0, 0, 10, 10), TspRect(2, 3, 8, 6), 30, 20, true);
  EXPECT_EQ(g.NewClRect, TspRect(2, 3, 28, 16));
  EXPECT_TRUE(g.LeftStretch && g.TopStretch && g.RightStretch && g.BottomStretch && g.StretchEffect);
  Build(g, pic, out);
  EXPECT_EQ(out.GetPixel(29, 19), pic.GetPixel(9, 9));
  EXPECT_EQ(out.GetPixel(0, 0), pic.GetPixel(0, 0));

  // Client area: tiles laid from (0, 0), cut at NewClRect's size.
  out.SetSize(20, 20);
  out.Clear(Untouched);
  TspPixelPiecePainter painter(pic, out);
  LayClientAreaImage(TspRect(2, 2, 5, 5), TspRect(4, 4, 11, 9), TspRect(0, 0, 10, 10), false, spstFull, painter);
  EXPECT_EQ(out.GetPixel(0, 0), pic.GetPixel(2, 2));
  EXPECT_EQ(out.GetPixel(6, 4), pic.GetPixel(2, 3));
  EXPECT_EQ(out.GetPixel(7, 0), Untouched);
  EXPECT_EQ(out.GetPixel(0, 5), Untouched);
  LayClientAreaImage(TspRect(2, 2, 5, 5), TspRect(4, 4, 10, 10), TspRect(0, 0, 10, 10), true, spstFull, painter);
  EXPECT_EQ(out.GetPixel(9, 9), pic.GetPixel(4, 4));
}

TEST(ThreePart, SourceLengthReproducesTheSource) {
  std::mt19937 rng(6);
  TspPixelBitmap pic;
  Picture(pic, 20, 12, rng);
  const TspRect s(3, 2, 17, 9);
  for (bool stretch : {false, true})
    for (TspThreePartKind kind : {TspThreePartKind::Full, TspThreePartKind::LeftEnd, TspThreePartKind::Middle}) {
      // The source's length of each strip: the ends it leaves out are not counted.
      const int from = kind == TspThreePartKind::Middle ? 4 : 0;
      const int len = kind == TspThreePartKind::Full ? 14 : kind == TspThreePartKind::LeftEnd ? 11 : 7;
      TspPixelBitmap out;
      out.SetSize(len, 7);
      out.Clear(Untouched);
      TspPixelPiecePainter p(pic, out);
      LayHorzThreePartImage(kind, 4, 3, s, len, stretch, p);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < len; ++x)
          ASSERT_EQ(out.GetPixel(x, y), pic.GetPixel(s.Left + from + x, s.Top + y)) << int(kind) << " " << x;
      TspPixelBitmap v;
      v.SetSize(14, 7);
      TspPixelPiecePainter pv(pic, v);
      LayVertThreePartImage(2, 3, s, 7, stretch, pv);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 14; ++x) ASSERT_EQ(v.GetPixel(x, y), pic.GetPixel(s.Left + x, s.Top + y));
    }
}

class PixelBorders : public TspBorderPainters {
public:
  PixelBorders(const TspPixelBitmap& pic) : FPic(pic) {}
  TspPiecePainter& Begin(TspBorderImage which, int w, int h) override {
    TspPixelBitmap& b = images[int(which)];
    b.SetSize(w, h);
    painters[int(which)] = std::make_unique<TspPixelPiecePainter>(FPic, b);
    return *painters[int(which)];
  }
  int CurrentHeight(TspBorderImage which) const override { return images[int(which)].Height(); }
  TspPixelBitmap images[4];
  std::unique_ptr<TspPixelPiecePainter> painters[4];
  const TspPixelBitmap& FPic;
};

TEST(BorderImages, SourceSizeGivesTheFourBorders) {
  std::mt19937 rng(12);
  TspPixelBitmap pic;
  Picture(pic, 16, 12, rng);
  TspNinePartGeometry g = GrownGeometry(16, 12, TspRect(3, 2, 13, 9), {5, 4}, {11, 4}, {5, 7}, {11, 7}, 0, 0);
  g.LeftStretch = g.TopStretch = g.RightStretch = g.BottomStretch = true;
  PixelBorders b(pic);
  LayBorderImages(g, b);
  const TspPixelBitmap& top = b.images[int(TspBorderImage::Top)];
  const TspPixelBitmap& left = b.images[int(TspBorderImage::Left)];
  const TspPixelBitmap& right = b.images[int(TspBorderImage::Right)];
  const TspPixelBitmap& bottom = b.images[int(TspBorderImage::Bottom)];
  ASSERT_EQ(top.Width(), 16);
  ASSERT_EQ(top.Height(), 2);
  ASSERT_EQ(bottom.Height(), 3);
  ASSERT_EQ(left.Height(), 7);
  ASSERT_EQ(right.Width(), 3);
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(top.GetPixel(x, 1), pic.GetPixel(x, 1)) << x;
    EXPECT_EQ(bottom.GetPixel(x, 0), pic.GetPixel(x, 9)) << x;
  }
  for (int y = 0; y < 7; ++y) {
    EXPECT_EQ(left.GetPixel(0, y), pic.GetPixel(0, 2 + y)) << y;
    EXPECT_EQ(right.GetPixel(2, y), pic.GetPixel(15, 2 + y)) << y;
  }
  // Tiled, the repeatable part is laid from the image's own origin.
  g.TopStretch = false;
  LayBorderImages(g, b);
  EXPECT_EQ(b.images[int(TspBorderImage::Top)].GetPixel(6, 1), pic.GetPixel(5, 1));
  EXPECT_EQ(b.images[int(TspBorderImage::Top)].GetPixel(0, 1), pic.GetPixel(0, 1));
}

}  // namespace
