// The element pictures of the skinned controls at any size: the nine-part
// and three-part layouts laid into a paint buffer. Kept apart from the skin
// data headers, whose geometry types have the same names.
#include <algorithm>

#include "skin/controls/SkinDraw.h"
#include "skin/data/SPNinePart.h"
#include "skin/data/spPicture.h"

namespace {

TspRect R(const RECT& r) { return TspRect(r.left, r.top, r.right, r.bottom); }
TspPoint P(const POINT& p) { return TspPoint(p.x, p.y); }

// Nearest-neighbour copies from the picture into the buffer, clipped to both.
class TBufferPainter : public TspPiecePainter {
public:
  TBufferPainter(const TspImageSource& picture, TspPaintBuffer& target) : FPicture(picture), FTarget(target) {}

  void Copy(const TspRect& src, const TspRect& dst) override {
    int sw = src.Right - src.Left, sh = src.Bottom - src.Top;
    int dw = dst.Right - dst.Left, dh = dst.Bottom - dst.Top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || FPicture.Empty()) return;
    uint32_t* bits = FTarget.Bits();
    int tw = FTarget.Width(), th = FTarget.Height();
    for (int y = std::max(0, dst.Top); y < std::min(th, dst.Bottom); ++y) {
      int sy = src.Top + static_cast<int>(int64_t{y - dst.Top} * sh / dh);
      if (sy < 0 || sy >= FPicture.Height) continue;
      const uint32_t* row = FPicture.Pixels + size_t(sy) * FPicture.Width;
      for (int x = std::max(0, dst.Left); x < std::min(tw, dst.Right); ++x) {
        int sx = src.Left + static_cast<int>(int64_t{x - dst.Left} * sw / dw);
        if (sx < 0 || sx >= FPicture.Width) continue;
        bits[y * tw + x] = row[sx] & 0xFFFFFF;
      }
    }
  }

  void StretchPiece(const TspRect& src, const TspRect& dst) override { Copy(src, dst); }

  void StretchClient(const TspRect& src, const TspRect& dst, TspStretchType type, bool) override {
    int sw = src.Right - src.Left, sh = src.Bottom - src.Top;
    if (sw <= 0 || sh <= 0) return;
    switch (type) {
      case spstFull:
        Copy(src, dst);
        break;
      case spstHorz:
        // Stretched to the target's height, then laid side by side; the last
        // tile is cut, not squeezed.
        for (int x = dst.Left; x < dst.Right; x += sw) {
          int w = std::min(sw, dst.Right - x);
          Copy(TspRect(src.Left, src.Top, src.Left + w, src.Bottom), TspRect(x, dst.Top, x + w, dst.Bottom));
        }
        break;
      case spstVert:
        for (int y = dst.Top; y < dst.Bottom; y += sh) {
          int h = std::min(sh, dst.Bottom - y);
          Copy(TspRect(src.Left, src.Top, src.Right, src.Top + h), TspRect(dst.Left, y, dst.Right, y + h));
        }
        break;
    }
  }

private:
  const TspImageSource& FPicture;
  TspPaintBuffer& FTarget;
};

}  // namespace

void DrawPiece(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, const RECT& dst) {
  TBufferPainter painter(picture, b);
  painter.Copy(R(src), R(dst));
}

TspNinePartSpec NinePartGrown(const RECT& src, POINT lt, POINT rt, POINT lb, POINT rb, const RECT& cl, int dx, int dy,
                              bool stretchEffect) {
  TspNinePartSpec n;
  n.SkinRect = src;
  n.LT = lt;
  n.RT = rt;
  n.LB = lb;
  n.RB = rb;
  n.ClRect = cl;
  n.NewLT = lt;
  n.NewRT = POINT{rt.x + dx, rt.y};
  n.NewLB = POINT{lb.x, lb.y + dy};
  n.NewRB = POINT{rb.x + dx, rb.y + dy};
  n.NewClRect = RECT{cl.left, cl.top, cl.right + dx, cl.bottom + dy};
  n.StretchEffect = stretchEffect;
  return n;
}

TspImageSource ImageSourceOf(const TspPicture* picture) {
  TspImageSource s;
  if (picture) {
    s.Pixels = picture->Pixels.data();
    s.Width = picture->Width;
    s.Height = picture->Height;
  }
  return s;
}

void DrawPicturePiece(TspPaintBuffer& b, const TspPicture& p, const RECT& src, int x, int y, bool transparent,
                      COLORREF key) {
  uint32_t* bits = b.Bits();
  GdiFlush();
  uint32_t k = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
  for (int sy = src.top; sy < src.bottom; ++sy)
    for (int sx = src.left; sx < src.right; ++sx) {
      int dx = x + sx - src.left, dy = y + sy - src.top;
      if (sx < 0 || sy < 0 || sx >= p.Width || sy >= p.Height) continue;
      if (dx < 0 || dy < 0 || dx >= b.Width() || dy >= b.Height()) continue;
      uint32_t v = p.Pixels[size_t(sy) * p.Width + sx] & 0xFFFFFF;
      if (transparent && v == k) continue;
      bits[size_t(dy) * b.Width() + dx] = v;
    }
}

void CopyPicturePart(TspPaintBuffer& b, const TspPicture* picture, const RECT& src, const RECT& dst) {
  if (!picture || IsRectEmpty(&src) || IsRectEmpty(&dst)) return;
  int w = src.right - src.left, h = src.bottom - src.top;
  TspPaintBuffer part(w, h);
  DrawPiece(part, ImageSourceOf(picture), src, RECT{0, 0, w, h});
  part.DrawTo(b.DC(), dst.left, dst.top);
}

void DrawGrownPicture(TspPaintBuffer& b, const TspPicture* picture, const RECT& src, POINT lt, POINT rt, POINT lb,
                      POINT rb, const RECT& cl, const RECT& dst, bool stretchEffect) {
  int w = dst.right - dst.left, h = dst.bottom - dst.top;
  if (!picture || picture->Empty() || w <= 0 || h <= 0 || IsRectEmpty(&src)) return;
  TspPaintBuffer part(w, h);
  int dx = w - (src.right - src.left), dy = h - (src.bottom - src.top);
  DrawNinePart(part, ImageSourceOf(picture), NinePartGrown(src, lt, rt, lb, rb, cl, dx, dy, stretchEffect));
  part.DrawTo(b.DC(), dst.left, dst.top);
}

void DrawNinePart(TspPaintBuffer& b, const TspImageSource& picture, const TspNinePartSpec& s) {
  TspNinePartGeometry n;
  n.LTPoint = P(s.LT);
  n.RTPoint = P(s.RT);
  n.LBPoint = P(s.LB);
  n.RBPoint = P(s.RB);
  n.ClRect = R(s.ClRect);
  n.NewLTPoint = P(s.NewLT);
  n.NewRTPoint = P(s.NewRT);
  n.NewLBPoint = P(s.NewLB);
  n.NewRBPoint = P(s.NewRB);
  n.NewClRect = R(s.NewClRect);
  n.SkinRect = R(s.SkinRect);
  n.NewWidth = b.Width();
  n.NewHeight = b.Height();
  n.DrawClient = true;
  SetNinePartStretch(n, s);
  TBufferPainter painter(picture, b);
  LayNinePartImage(n, painter);
}

void DrawHorzThreePart(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, int leftWidth,
                       int rightWidth, bool stretch) {
  TBufferPainter painter(picture, b);
  LayHorzThreePartImage(TspThreePartKind::Full, leftWidth, rightWidth, R(src), b.Width(), stretch, painter);
}

void DrawVertThreePart(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, int topHeight,
                       int bottomHeight, bool stretch) {
  TBufferPainter painter(picture, b);
  LayVertThreePartImage(topHeight, bottomHeight, R(src), b.Height(), stretch, painter);
}
