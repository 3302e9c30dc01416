#include "skin/data/SPUtils.h"

#include "skin/data/sppngimagelist.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/Jpeg.h"
#include "framework/PngImage.h"
#include "framework/WideText.h"
#include "skin/data/SPMaskRuns.h"
#include "skin/data/SPTextLayout.h"

namespace {
TRect R(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
TspPoint P(const TPoint& p) { return TspPoint(p.X, p.Y); }
TspRect S(const TRect& r) { return TspRect(r.Left, r.Top, r.Right, r.Bottom); }

TspNinePartGeometry Geometry(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect Cl, TPoint NLT, TPoint NRT, TPoint NLB,
                             TPoint NRB, TRect NCl, TRect Skin, int NW, int NH, bool DrawClient, bool LS, bool TS,
                             bool RS, bool BS, bool SE, TspStretchType ST) {
  TspNinePartGeometry g;
  g.LTPoint = P(LT), g.RTPoint = P(RT), g.LBPoint = P(LB), g.RBPoint = P(RB), g.ClRect = S(Cl);
  g.NewLTPoint = P(NLT), g.NewRTPoint = P(NRT), g.NewLBPoint = P(NLB), g.NewRBPoint = P(NRB), g.NewClRect = S(NCl);
  g.SkinRect = S(Skin);
  g.NewWidth = std::max(NW, 0), g.NewHeight = std::max(NH, 0);
  g.DrawClient = DrawClient, g.LeftStretch = LS, g.TopStretch = TS, g.RightStretch = RS, g.BottomStretch = BS;
  g.StretchEffect = SE, g.StretchType = ST;
  return g;
}
}  // namespace

// ---- nine-part pictures on framework bitmaps ----

void TspCanvasPiecePainter::Copy(const TspRect& Src, const TspRect& Dst) {
  TCanvas* c = FTarget->Canvas();
  // A 1:1 source copy between two 32-bit sections is a row copy: no GDI call per tile.
  if (RectWidth(Src) == RectWidth(Dst) && RectHeight(Src) == RectHeight(Dst) && c->CopyMode == cmSrcCopy &&
      FPicture->PixelFormat() == pf32bit && FTarget->PixelFormat() == pf32bit) {
    const TspRect s = IntersectRects(Src, TspRect(0, 0, FPicture->Width(), FPicture->Height()));
    const int dx = Dst.Left - Src.Left, dy = Dst.Top - Src.Top;
    const TspRect d = IntersectRects(TspRect(s.Left + dx, s.Top + dy, s.Right + dx, s.Bottom + dy),
                                     TspRect(0, 0, FTarget->Width(), FTarget->Height()));
    if (RectIsEmpty(d)) return;
    const TPixelView from = FPicture->PixelView(), to = FTarget->PixelView();
    for (int y = d.Top; y < d.Bottom; ++y)
      CopyRow(reinterpret_cast<const TspColor*>(from.Row(y - dy)) + (d.Left - dx),
              reinterpret_cast<TspColor*>(to.Row(y)) + d.Left, RectWidth(d));
    return;
  }
  SetStretchBltMode(c->Handle(), COLORONCOLOR);
  c->CopyRect(R(Dst), FPicture->Canvas(), R(Src));
}

void TspCanvasPiecePainter::StretchPiece(const TspRect& Src, const TspRect& Dst) {
  TBitmap piece(RectWidth(Src), RectHeight(Src), pf32bit);
  piece.Canvas()->CopyRect(TRect{0, 0, RectWidth(Src), RectHeight(Src)}, FPicture->Canvas(), R(Src));
  SetStretchBltMode(FTarget->Canvas()->Handle(), COLORONCOLOR);
  FTarget->Canvas()->StretchDraw(R(Dst), &piece);
}

void TspCanvasPiecePainter::StretchClient(const TspRect& Src, const TspRect& Dst, TspStretchType Type, bool Clip) {
  TBitmap client(RectWidth(Src), RectHeight(Src), pf32bit);
  client.Canvas()->CopyRect(TRect{0, 0, RectWidth(Src), RectHeight(Src)}, FPicture->Canvas(), R(Src));
  TCanvas* c = FTarget->Canvas();
  SetStretchBltMode(c->Handle(), COLORONCOLOR);
  if (Type == spstFull) {
    c->StretchDraw(R(Dst), &client);
    return;
  }
  const bool horz = Type == spstHorz;
  const int sw = horz ? RectWidth(Src) : RectWidth(Dst), sh = horz ? RectHeight(Dst) : RectHeight(Src);
  TBitmap strip(sw, sh, pf32bit);
  SetStretchBltMode(strip.Canvas()->Handle(), COLORONCOLOR);
  strip.Canvas()->StretchDraw(TRect{0, 0, sw, sh}, &client);
  HDC dc = c->Handle();
  const int saved = SaveDC(dc);
  if (Clip) IntersectClipRect(dc, Dst.Left, Dst.Top, Dst.Right, Dst.Bottom);
  const int count = horz ? RectWidth(Dst) / sw : RectHeight(Dst) / sh;
  for (int k = 0; k <= count; ++k)
    BitBlt(dc, horz ? Dst.Left + k * sw : Dst.Left, horz ? Dst.Top : Dst.Top + k * sh, sw, sh, strip.DC(), 0, 0,
           SRCCOPY);
  RestoreDC(dc, saved);
}

static void SizeTarget(TBitmap* Target, int W, int H) {
  if (Target->PixelFormat() != pf32bit && Target->Empty()) Target->SetPixelFormat(pf32bit);
  Target->SetSize(std::max(W, 0), std::max(H, 0));
}

// The target sized, then the picture's parts laid on it by `lay`.
static void PaintNinePart(void (*lay)(const TspNinePartGeometry&, TspPiecePainter&), TBitmap* Target, TBitmap* Picture,
                          int NewWidth, int NewHeight, const TspNinePartGeometry& g) {
  SizeTarget(Target, NewWidth, NewHeight);
  if (!Picture || Picture->Empty() || Target->Empty()) return;
  TspCanvasPiecePainter painter(Picture, Target);
  lay(g, painter);
}

void CreateNinePartImage(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                         TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                         TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth, int NewHeight,
                         bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch, bool BottomStretch,
                         bool StretchEffect, TspStretchType StretchType) {
  PaintNinePart(LayNinePartImage, Target, Picture, NewWidth, NewHeight,
                Geometry(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint,
                         NewClRect, SkinRect, NewWidth, NewHeight, DrawClient, LeftStretch, TopStretch, RightStretch,
                         BottomStretch, StretchEffect, StretchType));
}

void CreateNinePartImageOpenRight(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                                  TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint,
                                  TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect, int NewWidth,
                                  int NewHeight, bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch,
                                  bool BottomStretch, bool StretchEffect, TspStretchType StretchType) {
  PaintNinePart(LayNinePartImageOpenRight, Target, Picture, NewWidth, NewHeight,
                Geometry(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint,
                         NewClRect, SkinRect, NewWidth, NewHeight, DrawClient, LeftStretch, TopStretch, RightStretch,
                         BottomStretch, StretchEffect, StretchType));
}

void DrawSkinRectStretched(TBitmap* Target, TBitmap* Picture, TRect SkinRect, TRect ClRect, bool DrawClient) {
  if (!Picture || Picture->Empty() || Target->Empty()) return;
  const TspNinePartGeometry g =
      SkinRectStretchedGeometry(S(SkinRect), S(ClRect), Target->Width(), Target->Height(), DrawClient);
  TspCanvasPiecePainter painter(Picture, Target);
  LayNinePartImage(g, painter);
}

void CreateClientAreaImage(TRect ClRect, TRect NewClRect, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                           int NewWidth, int NewHeight, bool StretchEffect, TspStretchType StretchType) {
  SizeTarget(Target, NewWidth, NewHeight);
  if (!Picture || Picture->Empty() || Target->Empty()) return;
  TspCanvasPiecePainter painter(Picture, Target);
  LayClientAreaImage(S(ClRect), S(NewClRect), S(SkinRect), StretchEffect, StretchType, painter);
}

namespace {
class TBitmapBorders : public TspBorderPainters {
public:
  TBitmapBorders(TBitmap* picture, TBitmap* images[4]) : FPicture(picture) {
    for (int i = 0; i < 4; ++i) FImages[i] = images[i];
  }
  TspPiecePainter& Begin(TspBorderImage which, int w, int h) override {
    TBitmap* b = FImages[int(which)];
    SizeTarget(b, w, h);
    FPainters[int(which)] = std::make_unique<TspCanvasPiecePainter>(FPicture, b);
    return *FPainters[int(which)];
  }
  int CurrentHeight(TspBorderImage which) const override { return FImages[int(which)]->Height(); }

private:
  TBitmap* FPicture;
  TBitmap* FImages[4];
  std::unique_ptr<TspCanvasPiecePainter> FPainters[4];
};
}  // namespace

void CreateBorderImages(TPoint LTPoint, TPoint RTPoint, TPoint LBPoint, TPoint RBPoint, TRect ClRect,
                        TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                        TBitmap* LeftImage, TBitmap* TopImage, TBitmap* RightImage, TBitmap* BottomImage,
                        TBitmap* Picture, TRect SkinRect, int NewWidth, int NewHeight, bool LeftStretch,
                        bool TopStretch, bool RightStretch, bool BottomStretch) {
  if (!Picture || Picture->Empty()) return;
  const TspNinePartGeometry g =
      Geometry(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint, NewClRect,
               SkinRect, NewWidth, NewHeight, false, LeftStretch, TopStretch, RightStretch, BottomStretch, false,
               spstFull);
  TBitmap* images[4] = {TopImage, BottomImage, LeftImage, RightImage};  // in TspBorderImage order
  TBitmapBorders borders(Picture, images);
  LayBorderImages(g, borders);
}

static void HorzStrip(TspThreePartKind kind, int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture,
                      TRect SkinRect, int NewWidth, bool Stretch) {
  SizeTarget(Target, NewWidth, SkinRect.Height());
  if (!Picture || Picture->Empty() || Target->Empty()) return;
  TspCanvasPiecePainter painter(Picture, Target);
  LayHorzThreePartImage(kind, LeftWidth, RightWidth, S(SkinRect), Target->Width(), Stretch, painter);
}

void CreateHorzThreePartImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                              int NewWidth, int, bool Stretch) {
  HorzStrip(TspThreePartKind::Full, LeftWidth, RightWidth, Target, Picture, SkinRect, NewWidth, Stretch);
}
void CreateHorzLeftEndImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                            int NewWidth, int, bool Stretch) {
  HorzStrip(TspThreePartKind::LeftEnd, LeftWidth, RightWidth, Target, Picture, SkinRect, NewWidth, Stretch);
}
void CreateHorzMiddleImage(int LeftWidth, int RightWidth, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                           int NewWidth, int, bool Stretch) {
  HorzStrip(TspThreePartKind::Middle, LeftWidth, RightWidth, Target, Picture, SkinRect, NewWidth, Stretch);
}
void CreateVertThreePartImage(int TopHeight, int BottomHeight, TBitmap* Target, TBitmap* Picture, TRect SkinRect,
                              int, int NewHeight, bool Stretch) {
  SizeTarget(Target, SkinRect.Width(), NewHeight);
  if (!Picture || Picture->Empty() || Target->Empty()) return;
  TspCanvasPiecePainter painter(Picture, Target);
  LayVertThreePartImage(TopHeight, BottomHeight, S(SkinRect), Target->Height(), Stretch, painter);
}

// ---- regions ----

int CreateRegionDataFromMask(TBitmap* Mask, int OffsetX, int OffsetY, std::vector<uint8_t>& Data) {
  if (!Mask || Mask->Empty()) return 0;
  // A 24-bit top-down copy, read a row at a time.
  const int w = Mask->Width(), h = Mask->Height(), inc = Dib24RowInc(w);
  std::vector<uint8_t> bits(size_t(inc) * h);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  GdiFlush();
  GetDIBits(screen, Mask->Handle(), 0, UINT(h), bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  const auto runs = CollectMaskRuns(bits.data(), inc, w, h, OffsetX, OffsetY);
  Data = BuildRegionData(runs, TspRect(OffsetX, OffsetY, OffsetX + w, OffsetY + h));
  return int(Data.size());
}

HRGN CreateRegionFromRuns(const std::vector<TspRect>& Runs) {
  // Bands small enough for any system's region description; the pairwise
  // joins keep the cost at runs x log(bands).
  constexpr size_t kBand = 2000;
  std::vector<HRGN> parts;
  auto freeAll = [&] {
    for (HRGN r : parts)
      if (r) DeleteObject(r);
    parts.clear();
  };
  for (size_t at = 0; at < Runs.size(); at += kBand) {
    const size_t n = std::min(kBand, Runs.size() - at);
    const std::vector<TspRect> band(Runs.begin() + ptrdiff_t(at), Runs.begin() + ptrdiff_t(at + n));
    TspRect bounds = band.front();
    for (const TspRect& r : band) {
      bounds.Left = std::min(bounds.Left, r.Left), bounds.Top = std::min(bounds.Top, r.Top);
      bounds.Right = std::max(bounds.Right, r.Right), bounds.Bottom = std::max(bounds.Bottom, r.Bottom);
    }
    const std::vector<uint8_t> data = BuildRegionData(band, bounds);
    HRGN r = ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
    if (!r) {
      freeAll();
      return nullptr;
    }
    parts.push_back(r);
  }
  while (parts.size() > 1) {
    bool failed = false;
    std::vector<HRGN> joined;
    for (size_t i = 0; i < parts.size(); i += 2) {
      if (i + 1 < parts.size()) {
        failed = failed || CombineRgn(parts[i], parts[i], parts[i + 1], RGN_OR) == ERROR;
        DeleteObject(parts[i + 1]);
      }
      joined.push_back(parts[i]);
    }
    parts.swap(joined);
    if (failed) {
      freeAll();
      return nullptr;
    }
  }
  return parts.empty() ? nullptr : parts.front();
}

static HRGN RegionFromData(const std::vector<uint8_t>& data) {
  HRGN rgn = ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
  if (!rgn) throw Exception("Can't create the window region");
  return rgn;
}

void CreateRegionFromMask(HRGN& Rgn, TBitmap* Mask) {
  Rgn = nullptr;
  std::vector<uint8_t> data;
  if (CreateRegionDataFromMask(Mask, 0, 0, data) == 0) return;
  Rgn = RegionFromData(data);
}

void CreateBorderMaskStripes(TPoint LTPt, TPoint RTPt, TPoint LBPt, TPoint RBPt, TRect ClRect, TPoint NewLTPoint,
                             TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect, TBitmap* Mask,
                             TBitmap* TopStripe, TBitmap* LeftStripe, TBitmap* RightStripe, TBitmap* BottomStripe,
                             int NewWidth, int) {
  const int L = ClRect.Left, T = ClRect.Top, Rw = Mask->Width() - ClRect.Right, B = Mask->Height() - ClRect.Bottom;
  const int CH = NewClRect.Height();
  TCanvas* m = Mask->Canvas();
  auto copy = [&](TBitmap* to, TRect src, TRect dst) {
    if (!src.IsEmpty() && !dst.IsEmpty()) to->Canvas()->CopyRect(dst, m, src);
  };
  auto tileY = [&](TBitmap* to, int x0, int x1, int top, int h, int until) {
    TileSpan(top, h, 0, until, [&](int s0, int s1, int d0, int d1) {
      copy(to, TRect{x0, s0, x1, s1}, TRect{0, d0, x1 - x0, d1});
    });
  };
  auto tileX = [&](TBitmap* to, int left, int w, int y0, int y1, int u, int v) {
    TileSpan(left, w, u, v, [&](int s0, int s1, int d0, int d1) {
      copy(to, TRect{s0, y0, s1, y1}, TRect{d0, 0, d1, y1 - y0});
    });
  };
  if (L > 0 && CH > 0) {
    SizeTarget(LeftStripe, L, CH);
    if (LBPt.Y != LTPt.Y) tileY(LeftStripe, 0, L, LTPt.Y, LBPt.Y - LTPt.Y, CH);
    if (LTPt.Y - T > 0) copy(LeftStripe, TRect{0, T, L, LTPt.Y}, TRect{0, 0, L, LTPt.Y - T});
    if (ClRect.Bottom - LBPt.Y > 0)
      copy(LeftStripe, TRect{0, LBPt.Y, L, ClRect.Bottom}, TRect{0, CH - (ClRect.Bottom - LBPt.Y), L, CH});
  }
  if (Rw > 0 && CH > 0) {
    SizeTarget(RightStripe, Rw, CH);
    const int x0 = ClRect.Right, x1 = Mask->Width();
    if (RBPt.Y != RTPt.Y) tileY(RightStripe, x0, x1, RTPt.Y, RBPt.Y - RTPt.Y, CH);
    if (RTPt.Y - T > 0) copy(RightStripe, TRect{x0, T, x1, RTPt.Y}, TRect{0, 0, Rw, RTPt.Y - T});
    if (ClRect.Bottom - RBPt.Y > 0)
      copy(RightStripe, TRect{x0, RBPt.Y, x1, ClRect.Bottom}, TRect{0, CH - (ClRect.Bottom - RBPt.Y), Rw, CH});
  }
  if (NewWidth > 0 && T > 0) {
    SizeTarget(TopStripe, NewWidth, T);
    if (RTPt.X != LTPt.X) tileX(TopStripe, LTPt.X, RTPt.X - LTPt.X, 0, T, NewLTPoint.X, NewRTPoint.X);
    copy(TopStripe, TRect{0, 0, LTPt.X, T}, TRect{0, 0, LTPt.X, T});
    copy(TopStripe, TRect{RTPt.X, 0, Mask->Width(), T}, TRect{NewRTPoint.X, 0, NewWidth, T});
  }
  if (NewWidth >= 1 && B >= 1) {
    SizeTarget(BottomStripe, NewWidth, B);
    if (RBPt.X != LBPt.X)
      tileX(BottomStripe, LBPt.X, RBPt.X - LBPt.X, ClRect.Bottom, Mask->Height(), NewLBPoint.X, NewRBPoint.X);
    copy(BottomStripe, TRect{0, ClRect.Bottom, LBPt.X, Mask->Height()}, TRect{0, 0, LBPt.X, B});
    copy(BottomStripe, TRect{RBPt.X, ClRect.Bottom, Mask->Width(), Mask->Height()},
         TRect{NewRBPoint.X, 0, NewWidth, B});
  }
}

void CreateNinePartRegion(HRGN& Rgn, TPoint LTPt, TPoint RTPt, TPoint LBPt, TPoint RBPt, TRect ClRect,
                          TPoint NewLTPoint, TPoint NewRTPoint, TPoint NewLBPoint, TPoint NewRBPoint, TRect NewClRect,
                          TBitmap* Mask, int NewWidth, int NewHeight) {
  Rgn = nullptr;
  if (NewLTPoint.X > NewRTPoint.X || NewLTPoint.Y > NewLBPoint.Y) return;
  if (NewClRect.IsEmpty()) return;  // no region, as before: the caller keeps a rectangular window
  TBitmap top, left, right, bottom;
  for (TBitmap* b : {&top, &left, &right, &bottom}) b->SetPixelFormat(pf24bit);
  CreateBorderMaskStripes(LTPt, RTPt, LBPt, RBPt, ClRect, NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint, NewClRect,
                          Mask, &top, &left, &right, &bottom, NewWidth, NewHeight);
  Rgn = CreateRectRgn(NewClRect.Left, NewClRect.Top, NewClRect.Right, NewClRect.Bottom);
  // Every stripe that exists joins the shape, whichever others are missing.
  const struct {
    TBitmap* b;
    int x, y;
  } stripes[] = {{&top, 0, 0}, {&bottom, 0, NewClRect.Bottom}, {&left, 0, NewClRect.Top},
                 {&right, NewClRect.Right, NewClRect.Top}};
  for (const auto& s : stripes) {
    if (s.b->Empty() || s.b->Width() <= 0 || s.b->Height() <= 0) continue;
    std::vector<uint8_t> data;
    if (CreateRegionDataFromMask(s.b, s.x, s.y, data) == 0) continue;
    HRGN part = nullptr;
    try {
      part = RegionFromData(data);
    } catch (...) {
      // A shape that cannot be made leaves no half-built region behind.
      DeleteObject(Rgn);
      Rgn = nullptr;
      throw;
    }
    CombineRgn(Rgn, Rgn, part, RGN_OR);
    DeleteObject(part);
  }
}

// ---- glyphs ----

void TspCanvasGlyphPainter::Line(int x0, int y0, int x1, int y1) {
  FCanvas->MoveTo(x0, y0);
  FCanvas->LineTo(x1, y1);
}
void TspCanvasGlyphPainter::Box(int l, int t, int r, int b, bool Filled) {
  FCanvas->Brush()->SetStyle(Filled ? bsSolid : bsClear);
  FCanvas->Rectangle(l, t, r, b);
}
void TspCanvasGlyphPainter::Pixel(int x, int y) { FCanvas->SetPixel(x, y, FCanvas->Pen()->Color()); }


void DrawSmallArrowGlyph(TCanvas* Canvas, TRect Rc, TColor Color, int Direction) {
  Canvas->Pen()->SetColor(Color);
  TspCanvasGlyphPainter p(Canvas);
  LaySmallArrowGlyph(p, S(Rc), Direction);
}
void DrawArrowGlyph(TCanvas* Canvas, TRect Rc, TColor Color, int Direction) {
  Canvas->Pen()->SetColor(Color);
  TspCanvasGlyphPainter p(Canvas);
  LayArrowGlyph(p, S(Rc), Direction);
}
void DrawDropDownArrowGlyph(TCanvas* Canvas, TRect Rc, TColor Color) {
  Canvas->Pen()->SetColor(Color);
  TspCanvasGlyphPainter p(Canvas);
  LayDropDownArrowGlyph(p, S(Rc));
}
void DrawRadioDotGlyph(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->Pen()->SetColor(Color);
  Canvas->Brush()->SetColor(Color);
  TspCanvasGlyphPainter p(Canvas);
  LayRadioDotGlyph(p, X, Y);
}
#define SP_SIMPLE_GLYPH(Name, Lay)                           \
  void Name(TCanvas* Canvas, int X, int Y, TColor Color) {   \
    Canvas->Pen()->SetColor(Color);                          \
    TspCanvasGlyphPainter p(Canvas);                         \
    Lay(p, X, Y);                                            \
  }
SP_SIMPLE_GLYPH(DrawCheckMarkGlyph, LayCheckMarkGlyph)
SP_SIMPLE_GLYPH(DrawCloseGlyph, LayCloseGlyph)
SP_SIMPLE_GLYPH(DrawMinimizeGlyph, LayMinimizeGlyph)
SP_SIMPLE_GLYPH(DrawMaximizeGlyph, LayMaximizeGlyph)
SP_SIMPLE_GLYPH(DrawRestoreGlyph, LayRestoreGlyph)
SP_SIMPLE_GLYPH(DrawSysMenuGlyph, LaySysMenuGlyph)
SP_SIMPLE_GLYPH(DrawRollDownGlyph, LayRollDownGlyph)
SP_SIMPLE_GLYPH(DrawRollUpGlyph, LayRollUpGlyph)
#undef SP_SIMPLE_GLYPH

void DrawMinimizeToTrayGlyph(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->Pen()->SetColor(Color);
  Canvas->Brush()->SetColor(Color);
  TspCanvasGlyphPainter p(Canvas);
  LayMinimizeToTrayGlyph(p, X, Y);
}

void DrawCloseGlyphCentered(TCanvas* Canvas, TRect Rc, TColor Color) {
  DrawCloseGlyph(Canvas, Rc.Left + Rc.Width() / 2 - 5, Rc.Top + Rc.Height() / 2 - 5, Color);
}

void DrawDottedFocusFrame(TCanvas* Canvas, TRect Rc) {
  Canvas->Pen()->SetColor(Canvas->Font()->Color());
  TspCanvasGlyphPainter p(Canvas);
  LayDottedFocusFrame(p, S(Rc));
}

void DrawBevelFrame(TCanvas* Canvas, TRect Rc, TColor TopLeftColor, TColor BottomRightColor) {
  Canvas->Pen()->SetWidth(1);
  --Rc.Right, --Rc.Bottom;
  Canvas->Pen()->SetColor(TopLeftColor);
  Canvas->Polyline({{Rc.Left, Rc.Bottom}, {Rc.Left, Rc.Top}, {Rc.Right, Rc.Top}});
  Canvas->Pen()->SetColor(BottomRightColor);
  Canvas->Polyline({{Rc.Right, Rc.Top}, {Rc.Right, Rc.Bottom}, {Rc.Left - 1, Rc.Bottom}});
}

void DrawStripFrame(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap, int NumGlyphs, int Index) {
  if (!Bitmap || Bitmap->Empty()) return;
  const TspRect f = StripFrameRect(Bitmap->Width(), Bitmap->Height(), NumGlyphs, Index);
  if (RectIsEmpty(f)) return;
  TBitmap frame(RectWidth(f), RectHeight(f), pf24bit);
  frame.Canvas()->CopyRect(TRect{0, 0, RectWidth(f), RectHeight(f)}, Bitmap->Canvas(), R(f));
  frame.SetTransparent(true);
  Canvas->Draw(X, Y, &frame);
}

// ---- backgrounds of transparent controls ----

namespace {
// A window's own painting, without its windowless children.
struct TOwnPainting : TWinControl {
  static void Run(TWinControl* w, HDC dc) { (w->*(&TOwnPainting::PaintWindow))(dc); }
};

// The paint-copy flag and the DC's state are put back also when painting raises.
struct TPaintCopyFlag {
  TControl* Control;
  explicit TPaintCopyFlag(TControl* c) : Control(c) { Control->ControlState |= csPaintCopy; }
  ~TPaintCopyFlag() { Control->ControlState &= ~csPaintCopy; }
};
struct TSavedDC {
  HDC DC;
  int Saved;
  explicit TSavedDC(HDC dc) : DC(dc), Saved(SaveDC(dc)) {}
  ~TSavedDC() { RestoreDC(DC, Saved); }
};

void PaintBeneath(TControl* Control, int dx, int dy, TCanvas* Canvas) {
  if (!Control || !Canvas) return;
  TWinControl* parent = Control->Parent();
  if (!parent) return;
  HDC dc = Canvas->Handle();
  const int n = parent->ControlCount();
  const RECT cr = Control->BoundsRect();
  TPaintCopyFlag parentFlag(parent);
  {
    TSavedDC state(dc);
    SetViewportOrgEx(dc, dx, dy, nullptr);
    IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (!dynamic_cast<TCustomForm*>(parent)) TOwnPainting::Run(parent, dc);
  }
  for (int i = 0; i < n && i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == Control) break;
    auto* g = dynamic_cast<TGraphicControl*>(c);
    RECT b = c->BoundsRect(), common;
    if (!g || !g->Visible() || !IntersectRect(&common, &b, &cr)) continue;
    TPaintCopyFlag flag(g);
    TSavedDC state(dc);
    SetViewportOrgEx(dc, g->Left() + dx, g->Top() + dy, nullptr);
    IntersectClipRect(dc, 0, 0, g->Width(), g->Height());
    g->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}
}  // namespace

void PaintParentBackground(TControl* Control, TCanvas* Canvas) {
  if (!Control) return;
  PaintBeneath(Control, -Control->Left(), -Control->Top(), Canvas);
}

void PaintParentBackgroundAt(TControl* Control, const TRect& R, TCanvas* Canvas) {
  if (!Control) return;
  PaintBeneath(Control, -Control->Left() - R.Left, -Control->Top() - R.Top, Canvas);
}

// ---- text ----

void ShortenTextToWidth(TCanvas* Canvas, std::string& Text, int MaxWidth) {
  std::u16string t = UTF8ToUTF16(Text);
  ShortenTextToWidth(t, MaxWidth, [&](const std::u16string& s) { return Canvas->TextWidth(UTF16ToUTF8(s)); });
  Text = UTF16ToUTF8(t);
}

int CanvasDrawTextW(TCanvas* Canvas, const std::u16string& Text, TRect& Rc, UINT Flags) {
  RECT r{Rc.Left, Rc.Top, Rc.Right, Rc.Bottom};
  Canvas->Font()->Handle();
  HDC dc = Canvas->Handle();
  HGDIOBJ old = SelectObject(dc, Canvas->Font()->Handle());
  SetTextColor(dc, COLORREF(ColorToRGB(Canvas->Font()->Color())) & 0xFFFFFF);
  SetBkMode(dc, Canvas->Brush()->Style() == bsClear ? TRANSPARENT : OPAQUE);
  const int result = DrawTextW(dc, reinterpret_cast<LPCWSTR>(Text.c_str()), int(Text.size()), &r, Flags);
  SelectObject(dc, old);
  Rc = TRect{r.left, r.top, r.right, r.bottom};
  return result;
}

// The glow's mask picture: `s` larger than Rc on every side, its canvas in
// Canvas's font, drawn in the mask colour (red); null when it has no size.
static TCanvas* PrepareGlowMask(TspBitmap& b, TCanvas* Canvas, const TRect& Rc, int s) {
  b.SetSize(Rc.Width() + 2 * s, Rc.Height() + 2 * s);
  if (b.Empty()) return nullptr;
  TCanvas* c = b.Canvas();
  c->Font()->Assign(Canvas->Font());
  c->Font()->SetColor(clRed);
  return c;
}

static void GlowText(TCanvas* Canvas, TRect Rc, const std::string& Text, UINT Flags, int Offset, TColor GlowColor,
                     int GlowSize, bool Thick) {
  const int s = GlowSize;
  TspBitmap b;
  TCanvas* c = PrepareGlowMask(b, Canvas, Rc, s);
  if (!c) return;
  c->Brush()->SetStyle(bsClear);
  const std::u16string t = UTF8ToUTF16(Text);
  const TRect base{s, s, b.Width() - s, b.Height() - s};
  const int moves[5][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (int i = 0; i < (Thick ? 5 : 1); ++i) {
    TRect m{base.Left + moves[i][0], base.Top + moves[i][1], base.Right + moves[i][0], base.Bottom + moves[i][1]};
    CanvasDrawTextW(c, t, m, Flags);
  }
  GdiFlush();
  StackBlurBitmap(b, s);
  const TspColor colour = ColorToSpColor(GlowColor) & 0x00FFFFFF;
  for (int i = 0; i < b.Width() * b.Height(); ++i) b.Bits()[i] = ((b.Bits()[i] >> 16 & 0xFF) << 24) | colour;
  b.SetAlphaBlendFlag(true);
  b.Draw(Canvas->Handle(), Rc.Left + Offset - s, Rc.Top + Offset - s);
  Canvas->Brush()->SetStyle(bsClear);
  CanvasDrawTextW(Canvas, t, Rc, Flags);
}

void DrawGlowText(TCanvas* Canvas, TRect Rc, const std::string& Text, UINT Flags, int Offset, TColor GlowColor,
                  int GlowSize) {
  GlowText(Canvas, Rc, Text, Flags, Offset, GlowColor, GlowSize, false);
}
void DrawThickGlowText(TCanvas* Canvas, TRect Rc, const std::string& Text, UINT Flags, int Offset, TColor GlowColor,
                       int GlowSize) {
  GlowText(Canvas, Rc, Text, Flags, Offset, GlowColor, GlowSize, true);
}

// ---- layered windows ----

namespace {
template <class F> F User32Entry(const char* name) {
  HMODULE user32 = GetModuleHandleW(W(u"user32.dll"));
  return user32 ? reinterpret_cast<F>(GetProcAddress(user32, name)) : nullptr;
}
}  // namespace

TUpdateLayeredWindow SkinUpdateLayeredWindow = User32Entry<TUpdateLayeredWindow>("UpdateLayeredWindow");
TSetLayeredWindowAttributes SkinSetLayeredWindowAttributes =
    User32Entry<TSetLayeredWindowAttributes>("SetLayeredWindowAttributes");

void BuildLayerImage(TBitmap* Image, TBitmap* Mask, TspBitmap* Target) {
  Target->Assign(Image);
  TspBitmap m;
  m.Assign(Mask);
  SetAlphaFromMask(*Target, m);
  Target->CheckRGBA();
}

void UpdateLayeredWindowFromBitmap(TspBitmap* Bitmap, uint8_t Alpha, HWND Window, int Left, int Top) {
  if (!SkinUpdateLayeredWindow || !Bitmap) return;
  POINT dst{Left, Top}, src{0, 0};
  SIZE size{Bitmap->Width(), Bitmap->Height()};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, Alpha, AC_SRC_ALPHA};
  GdiFlush();
  SkinUpdateLayeredWindow(Window, nullptr, &dst, &size, Bitmap->DC(), &src, 0, &blend, ULW_ALPHA);
}

void SetWindowAlphaValue(HWND Wnd, uint8_t Alpha) {
  if (SkinSetLayeredWindowAttributes) SkinSetLayeredWindowAttributes(Wnd, 0, Alpha, LWA_ALPHA);
}

namespace {
LRESULT CALLBACK LayerWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcW(wnd, msg, wp, lp);
}
LPCWSTR LayerWindowClass() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = LayerWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = W(u"TspFormLayerWindow");
    RegisterClassW(&wc);
    registered = true;
  }
  return W(u"TspFormLayerWindow");
}
}  // namespace

TspLayerWindow::TspLayerWindow(int X, int Y, int W, int H) : Left(X), Top(Y), Width(W), Height(H) {
  FHandle = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT, LayerWindowClass(), nullptr, WS_POPUP, X, Y, W, H,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TspLayerWindow::~TspLayerWindow() {
  if (FHandle) DestroyWindow(FHandle);
}

TspLayerManager::TspLayerManager(TComponent* AOwner) : TComponent(AOwner) {
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(25);
  FTimer->OnTimer = [this](TObject*) { FadeTimerTick(); };
}

TspLayerManager::~TspLayerManager() {
  FTimer->SetEnabled(false);
  FLayerWindow.reset();
  FBmp.reset();
}

void TspLayerManager::Show(int X, int Y, TBitmap* AImage, TBitmap* AImageMask, int AAlphaBlendValue) {
  if (!IsWindows2000OrLater()) return;
  if (FLayerWindow) Hide();
  FIsVisible = true;
  FLayerWindow = std::make_unique<TspLayerWindow>(X, Y, AImage->Width(), AImage->Height());
  HWND wnd = FLayerWindow->Handle();
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  FBmp = std::make_unique<TspBitmap>();
  BuildLayerImage(AImage, AImageMask, FBmp.get());
  UpdateLayeredWindowFromBitmap(FBmp.get(), 0, wnd, X, Y);
  SetWindowPos(wnd, TopMostMode ? HWND_TOPMOST : HWND_NOTOPMOST, X, Y, 0, 0,
               SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  FFade.Start(AAlphaBlendValue);
  StartTimer();
}

void TspLayerManager::StartTimer() {
  FTimer->SetEnabled(true);
}

void TspLayerManager::StopTimer() {
  FFade.Stop();
  FTimer->SetEnabled(false);
}

void TspLayerManager::FadeTimerTick() {
  if (!FBmp || !FLayerWindow) return;
  const int alpha = FFade.Tick();
  UpdateLayeredWindowFromBitmap(FBmp.get(), uint8_t(alpha), FLayerWindow->Handle(), FLayerWindow->Left,
                                FLayerWindow->Top);
  if (!FFade.Running()) StopTimer();
}

void TspLayerManager::Hide() {
  if (!IsWindows2000OrLater()) return;
  StopTimer();
  FBmp.reset();
  FIsVisible = false;
  if (FLayerWindow) {
    SetWindowPos(FLayerWindow->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    FLayerWindow.reset();
  }
}

void TspLayerManager::Update() {
  if (!FIsVisible || !FLayerWindow) return;
  SetWindowPos(FLayerWindow->Handle(), TopMostMode ? HWND_TOPMOST : HWND_NOTOPMOST, FLayerWindow->Left,
               FLayerWindow->Top, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
}

// ---- system ----

bool IsJpegFileName(const std::string& FileName) {
  // Any case: a name in capitals is still a JPEG (read as BMP it would always fail).
  std::string lower = FileName;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return lower.find(".jpg") != std::string::npos || lower.find(".jpeg") != std::string::npos;
}

void GetWindowsVersion(int& Major, int& Minor) {
  const DWORD v = GetVersion();
  Major = LOBYTE(LOWORD(v));
  Minor = HIBYTE(LOWORD(v));
}

#define SP_VERSION_TEST(Name, Test) \
  bool Name() {                     \
    int major, minor;               \
    GetWindowsVersion(major, minor); \
    return Test(major, minor);      \
  }
SP_VERSION_TEST(IsWindows2000OrLater, IsWindows2000OrLaterVersion)
SP_VERSION_TEST(IsWindowsXPOrLater, IsWindowsXPOrLaterVersion)
SP_VERSION_TEST(IsWindowsVistaOrLater, IsWindowsVistaOrLaterVersion)
SP_VERSION_TEST(IsWindows7, IsWindows7Version)
#undef SP_VERSION_TEST

TColor AverageColor(TColor A, TColor B) {
  return TColor(AverageColorRGB(uint32_t(ColorToRGB(A)) & 0xFFFFFF, uint32_t(ColorToRGB(B)) & 0xFFFFFF));
}
TColor DarkenColor(TColor C, uint8_t Percent) {
  return TColor(DarkenColorRGB(uint32_t(ColorToRGB(C)) & 0xFFFFFF, Percent));
}

void GetScreenWorkArea(bool WorkArea, TRect& Rc) {
  if (WorkArea) {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    Rc = TRect{r.left, r.top, r.right, r.bottom};
  } else {
    Rc = TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
}

// ---- glyph and caption ----

namespace {
bool OddFontHeight(TCanvas* c) { return c->Font()->Height() % 2 != 0; }

// The caption's extent in M by the platform's measuring, as the layout needs it.
void MeasureCaption(TCanvas* Canvas, const std::u16string& caption, int w, int h, int& tw, int& th) {
  TRect m{0, 0, w, h};
  CanvasDrawTextW(Canvas, caption, m, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  tw = m.Width(), th = m.Height();
}
}  // namespace

namespace {

// What the caption is laid out beside: its size (0 x 0 for none), how it
// draws, its glow silhouette (sized by the source) and the width of the
// underline marker.
struct TGlyphSource {
  int Width = 0, Height = 0, MarkerWidth = 0;
  std::function<void(TspBitmap& shape)> Shape;
  std::function<void(int x, int y)> Draw;
};

void GlyphAndText(TCanvas* Canvas, TRect Rc, int Margin, int Spacing, TspButtonLayout Layout,
                  const std::string& Caption, const TGlyphSource& Glyph, bool Down, bool MarkerDown, bool DrawMarker,
                  TColor MarkerColor, bool Glow, TColor GlowColor, int GlowSize) {
  const int gw = Glyph.Width, gh = Glyph.Height;
  const std::u16string caption = UTF8ToUTF16(Caption);
  int tw = 0, th = 0;
  if (!caption.empty()) {
    const bool side = Layout == blGlyphLeft || Layout == blGlyphRight;
    MeasureCaption(Canvas, caption, Rc.Width() - (side ? gw : 0), Rc.Height() - (side ? 0 : gh), tw, th);
  }
  Canvas->Brush()->SetStyle(bsClear);
  int tx, ty, gx, gy;
  CalcGlyphAndTextPos(Layout, S(Rc), gw, gh, tw, th, Spacing, Margin, tx, ty, gx, gy);
  if (Down) ++gx, ++gy, ++tx, ++ty;
  TRect t{tx, ty, tx + tw, ty + th};
  if (OddFontHeight(Canvas)) --t.Top;
  t.Right += 2;
  const UINT flags = DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER;
  if (Glow && gw != 0) {
    TspBitmap g;
    Glyph.Shape(g);
    GdiFlush();
    StackBlurBitmap(g, GlowSize);
    const TspColor colour = ColorToSpColor(GlowColor) & 0x00FFFFFF;
    for (int i = 0; i < g.Width() * g.Height(); ++i) g.Bits()[i] = ((g.Bits()[i] >> 16 & 0xFF) << 24) | colour;
    g.SetAlphaBlendFlag(true);
    g.Draw(Canvas->Handle(), gx - GlowSize, gy - GlowSize);
  }
  if (!caption.empty()) {
    if (Glow)
      DrawThickGlowText(Canvas, t, Caption, flags, 0, GlowColor, GlowSize);
    else
      CanvasDrawTextW(Canvas, caption, t, flags);
  }
  if (gw != 0) {
    Glyph.Draw(gx, gy);
    if (DrawMarker) {
      Canvas->Pen()->SetColor(MarkerColor);
      for (int row : {gy + gh - 2, gy + gh - 1, gy + gh}) {
        Canvas->MoveTo(gx, row);
        Canvas->LineTo(gx + Glyph.MarkerWidth, row);
      }
    }
  } else if (DrawMarker) {
    if (!caption.empty()) {
      Canvas->Pen()->SetColor(MarkerColor);
      for (int row : {t.Bottom - 1, t.Bottom, t.Bottom + 1}) {
        Canvas->MoveTo(t.Left, row);
        Canvas->LineTo(t.Right, row);
      }
    } else {
      Canvas->Brush()->SetColor(MarkerColor);
      Canvas->Brush()->SetStyle(bsSolid);
      Canvas->FillRect(MarkerDown ? TRect{Rc.Left + 4, Rc.Top + 5, Rc.Right - 2, Rc.Bottom - 3}
                                  : TRect{Rc.Left + 4, Rc.Top + 4, Rc.Right - 2, Rc.Bottom - 4});
    }
  }
}

// Frame GlyphIndex of a strip; its glow and marker span the whole strip.
TGlyphSource StripSource(TCanvas* Canvas, TBitmap* Bitmap, int NumGlyphs, int GlyphIndex, int GlowSize) {
  TGlyphSource g;
  if (!Bitmap || Bitmap->Empty() || NumGlyphs <= 0) return g;
  g.Width = Bitmap->Width() / NumGlyphs;
  g.Height = Bitmap->Height();
  g.MarkerWidth = Bitmap->Width();
  g.Shape = [=](TspBitmap& shape) {
    shape.SetSize(Bitmap->Width() + 2 * GlowSize, Bitmap->Height() + 2 * GlowSize);
    DrawBitmapGlowShape(&shape, Bitmap, GlowSize);
  };
  g.Draw = [=](int x, int y) { DrawStripFrame(Canvas, x, y, Bitmap, NumGlyphs, GlyphIndex); };
  return g;
}

TGlyphSource ImageListSource(TCanvas* Canvas, TCustomImageList* ImageList, int ImageIndex, bool Enabled,
                             int GlowSize) {
  TGlyphSource g;
  if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList->Count()) return g;
  g.Width = g.MarkerWidth = ImageList->Width();
  g.Height = ImageList->Height();
  g.Shape = [=](TspBitmap& shape) {
    shape.SetSize(ImageList->Width() + 2 * GlowSize, ImageList->Height() + 2 * GlowSize);
    DrawImageListGlowShape(&shape, ImageList, ImageIndex, GlowSize);
  };
  g.Draw = [=](int x, int y) { ImageList->Draw(Canvas, x, y, ImageIndex, Enabled); };
  return g;
}

}  // namespace

void DrawStripGlyphAndText(TCanvas* Canvas, TRect Rc, int Margin, int Spacing, TspButtonLayout Layout,
                           const std::string& Caption, TBitmap* Bitmap, int NumGlyphs, int GlyphIndex, bool Down,
                           bool DrawMarker, TColor MarkerColor) {
  GlyphAndText(Canvas, Rc, Margin, Spacing, Layout, Caption, StripSource(Canvas, Bitmap, NumGlyphs, GlyphIndex, 0),
               Down, Down, DrawMarker, MarkerColor, false, 0, 0);
}

void DrawStripGlyphAndGlowText(TCanvas* Canvas, TRect Rc, int Margin, int Spacing, TspButtonLayout Layout,
                               const std::string& Caption, TBitmap* Bitmap, int NumGlyphs, int GlyphIndex, bool Down,
                               bool DrawMarker, TColor MarkerColor, TColor GlowColor, int GlowSize) {
  GlyphAndText(Canvas, Rc, Margin, Spacing, Layout, Caption,
               StripSource(Canvas, Bitmap, NumGlyphs, GlyphIndex, GlowSize), Down, Down, DrawMarker, MarkerColor,
               true, GlowColor, GlowSize);
}

void DrawImageListGlyphAndText(TCanvas* Canvas, TRect Rc, int Margin, int Spacing, TspButtonLayout Layout,
                               const std::string& Caption, int ImageIndex, TCustomImageList* ImageList, bool Down,
                               bool Enabled, bool DrawMarker, TColor MarkerColor) {
  GlyphAndText(Canvas, Rc, Margin, Spacing, Layout, Caption,
               ImageListSource(Canvas, ImageList, ImageIndex, Enabled, 0), Down, Down, DrawMarker, MarkerColor,
               false, 0, 0);
}

// The glowing twin keeps the marker where it is when the button is down.
void DrawImageListGlyphAndGlowText(TCanvas* Canvas, TRect Rc, int Margin, int Spacing, TspButtonLayout Layout,
                                   const std::string& Caption, int ImageIndex, TCustomImageList* ImageList,
                                   bool Down, bool Enabled, bool DrawMarker, TColor MarkerColor, TColor GlowColor,
                                   int GlowSize) {
  GlyphAndText(Canvas, Rc, Margin, Spacing, Layout, Caption,
               ImageListSource(Canvas, ImageList, ImageIndex, Enabled, GlowSize), Down, false, DrawMarker,
               MarkerColor, true, GlowColor, GlowSize);
}

void DrawImageListGlowShape(TspBitmap* Target, TCustomImageList* ImageList, int Index, int Offset) {
  if (!ImageList || Index < 0 || Index >= ImageList->Count()) return;
  if (auto* png = dynamic_cast<TspPngImageList*>(ImageList)) {
    DrawPngGlowShape(Target, png->Items(Index)->PngImage(), Offset);
    return;
  }
  // The list knows which pixels are transparent: no key colour is guessed
  // from a corner pixel, which would turn the silhouette inside out for a
  // glyph that covers its corner. Like a keyed bitmap, the shape is laid
  // three times, along the diagonal.
  if (Target->Empty()) return;
  GdiFlush();
  const TspColor red = ColorToSpColorAlpha(clRed, 255);
  for (int d : {0, -1, 1})
    for (int y = 0; y < ImageList->Height(); ++y)
      for (int x = 0; x < ImageList->Width(); ++x)
        if (ImageList->PixelARGB(Index, x, y) != 0) Target->SetPixel(Offset + d + x, Offset + d + y, red);
}

void DrawBitmapGlowShape(TspBitmap* Target, TBitmap* Bitmap, int Offset) {
  if (!Bitmap || Bitmap->Empty() || Target->Empty()) return;
  TspBitmap c;
  c.Assign(Bitmap);
  GdiFlush();
  const TspColor key = c.GetPixel(0, 0);
  const TspColor red = ColorToSpColorAlpha(clRed, 255);
  for (int i = 0; i < c.Width() * c.Height(); ++i)
    if (c.Bits()[i] != key) c.Bits()[i] = red;
  c.CheckingTransparent(key);
  for (int d : {0, -1, 1}) c.Draw(Target->Canvas()->Handle(), Offset + d, Offset + d);
}

void DrawPngGlowShape(TspBitmap* Target, TPngImage* Png, int Offset) {
  if (!Png || Target->Empty()) return;
  GdiFlush();
  const TspColor red = ColorToSpColorAlpha(clRed, 255);
  for (int y = 0; y < Png->Height(); ++y)
    for (int x = 0; x < Png->Width(); ++x)
      if (Png->AlphaAt(x, y) != 0) Target->SetPixel(Offset + x, Offset + y, red);
  Target->CheckingAlphaBlend();
}

// ---- text ----

int GetDrawTextWidth(TCanvas* Canvas, const std::u16string& Text) {
  TRect r{0, 0, 0, 0};
  CanvasDrawTextW(Canvas, Text, r, DT_CALCRECT);
  return r.Width();
}

int GetDrawTextHeight(TCanvas* Canvas, const std::u16string& Text) {
  TRect r{0, 0, 0, 0};
  CanvasDrawTextW(Canvas, Text, r, DT_CALCRECT);
  return r.Height();
}

void ShortenWideTextToWidth(TCanvas* Canvas, std::u16string& Text, int MaxWidth) {
  ShortenTextToWidth(Text, MaxWidth, [&](const std::u16string& s) { return GetDrawTextWidth(Canvas, s); });
}

void DrawAlignedTextVCentered(TCanvas* Canvas, const std::string& Text, TRect Rc, int Alignment) {
  if (Text.empty()) return;
  UINT flags = DT_SINGLELINE | DT_VCENTER;
  if (Alignment == 1)
    flags |= DT_RIGHT;
  else if (Alignment == 2)
    flags |= DT_CENTER;
  else if (Alignment != 0)
    return;
  if (OddFontHeight(Canvas)) --Rc.Top;
  CanvasDrawTextW(Canvas, UTF8ToUTF16(Text), Rc, flags);
}

void DrawTextVCentered(TCanvas* Canvas, const std::string& Text, TRect Rc) { DrawAlignedTextVCentered(Canvas, Text, Rc, 0); }

void DrawTextRectVCenteredAt(TCanvas* Canvas, const std::string& Text, TRect Rc, int Offset) {
  if (Text.empty()) return;
  int y = Rc.Top + Rc.Height() / 2 - Canvas->TextHeight(Text) / 2;
  if (OddFontHeight(Canvas)) --y;
  Canvas->TextRect(Rc, Rc.Left + Offset + 2, y, Text);
}

void DrawTextRectVCentered(TCanvas* Canvas, const std::string& Text, TRect Rc) {
  DrawTextRectVCenteredAt(Canvas, Text, Rc, 0);
}

void DrawCenteredWrappedText(TCanvas* Canvas, const std::string& Text, TRect Rc, bool BreakLongWords) {
  if (Text.empty()) return;
  if (OddFontHeight(Canvas)) --Rc.Top;
  const std::u16string wrapped = BuildCenteredWrappedText(
      UTF8ToUTF16(Text), Rc.Width(), BreakLongWords, [&](const std::u16string& s) { return GetDrawTextWidth(Canvas, s); });
  CanvasDrawTextW(Canvas, wrapped, Rc, DT_WORDBREAK | DT_CENTER);
}

void DrawGlowTextW(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, int Offset, TColor GlowColor,
                   int GlowSize) {
  GlowText(Canvas, Rc, UTF16ToUTF8(Text), Flags, Offset, GlowColor, GlowSize, false);
}

namespace {
// The effect bitmap's red channel becomes the alpha of the effect colour.
void RedToAlpha(TspBitmap& b, TColor colour) {
  GdiFlush();
  const TspColor c = ColorToSpColor(colour) & 0x00FFFFFF;
  for (int i = 0; i < b.Width() * b.Height(); ++i) b.Bits()[i] = ((b.Bits()[i] >> 16 & 0xFF) << 24) | c;
  b.SetAlphaBlendFlag(true);
}

void VistaGlow(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, TColor GlowColor, int s,
               bool narrow) {
  TspBitmap b;
  TCanvas* c = PrepareGlowMask(b, Canvas, Rc, s);
  if (!c) return;
  const TRect t{s, s, b.Width() - s, b.Height() - s};
  c->Brush()->SetColor(clRed);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(narrow ? TRect{t.Left + 3, t.Top + 3, t.Right - 3, t.Bottom - 3}
                     : TRect{t.Left - 3, t.Top + 2, t.Right + 3, t.Bottom - 2});
  c->Brush()->SetStyle(bsClear);
  const int moves[9][2] = {{-1, -1}, {-2, -2}, {-1, 0}, {-2, 0}, {1, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 0}};
  for (const auto& m : moves) {
    TRect r{t.Left + m[0], t.Top + m[1], t.Right + m[0], t.Bottom + m[1]};
    CanvasDrawTextW(c, Text, r, Flags);
  }
  GdiFlush();
  StackBlurBitmap(b, s / 2);
  StackBlurBitmap(b, s / 2);
  RedToAlpha(b, GlowColor);
  b.Draw(Canvas->Handle(), Rc.Left - s, Rc.Top - s);
  Canvas->Brush()->SetStyle(bsClear);
  CanvasDrawTextW(Canvas, Text, Rc, Flags);
}

void Reflected(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, int Offset, TColor Color,
               double floor) {
  const int W = Rc.Width(), H = Rc.Height();
  TspBitmap b;
  b.SetSize(W, H);
  if (b.Empty()) return;
  TCanvas* c = b.Canvas();
  c->Font()->Assign(Canvas->Font());
  c->Font()->SetColor(clRed);
  c->Brush()->SetStyle(bsClear);
  TRect m{0, 0, W, H};
  CanvasDrawTextW(c, Text, m, Flags);
  CanvasDrawTextW(c, Text, m, Flags | DT_CALCRECT);
  TRect t = Rc;
  CanvasDrawTextW(c, Text, t, Flags | DT_CALCRECT);
  GdiFlush();
  const int mh = m.Bottom - m.Top;
  if (mh > 0) {
    const TspColor colour = ColorToSpColor(Color) & 0x00FFFFFF;
    for (int y = 0; y < H; ++y) {
      TspColor* row = b.GetRowPtr(y);
      if (y < m.Top || y > m.Bottom) {
        std::fill(row, row + W, 0u);
        continue;
      }
      double f = 0.7 - double(m.Bottom - (y - m.Top)) / mh;
      if (f < floor) f = floor;
      for (int x = 0; x < W; ++x) row[x] = TspColor(std::trunc((row[x] >> 16 & 0xFF) * f)) << 24 | colour;
    }
  }
  b.SetAlphaBlendFlag(true);
  b.FlipVert();
  b.Draw(Canvas->Handle(), Rc.Left, t.Bottom - (H - m.Bottom) + Offset);
  Canvas->Brush()->SetStyle(bsClear);
  CanvasDrawTextW(Canvas, Text, Rc, Flags);
}
}  // namespace

void DrawVistaGlowText(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, TColor GlowColor) {
  VistaGlow(Canvas, Rc, Text, Flags, GlowColor, 12, false);
}
void DrawVistaGlowTextNarrow(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, TColor GlowColor) {
  VistaGlow(Canvas, Rc, Text, Flags, GlowColor, 10, true);
}
void DrawReflectedText(TCanvas* Canvas, TRect Rc, const std::string& Text, UINT Flags, int Offset, TColor Color) {
  Reflected(Canvas, Rc, UTF8ToUTF16(Text), Flags, Offset, Color, 0.05);
}
void DrawReflectedTextW(TCanvas* Canvas, TRect Rc, const std::u16string& Text, UINT Flags, int Offset, TColor Color) {
  Reflected(Canvas, Rc, Text, Flags, Offset, Color, 0.0);
}

// ---- PNG and desktop composition ----

void CopyPngToAlphaBitmap(TspBitmap* Target, TPngImage* Png) {
  Target->SetSize(Png->Width(), Png->Height());
  if (Target->Empty()) return;
  for (int y = 0; y < Png->Height(); ++y)
    for (int x = 0; x < Png->Width(); ++x)
      Target->SetPixel(x, y, (ColorToSpColorAlpha(Png->Pixel(x, y), 255) & 0x00FFFFFF) | TspColor(Png->AlphaAt(x, y)) << 24);
  Target->CheckingAlphaBlend();
}

namespace {
struct TDwm {
  HMODULE Module = nullptr;
  HRESULT(WINAPI* IsCompositionEnabled)(BOOL*) = nullptr;
  HRESULT(WINAPI* SetWindowAttribute)(HWND, DWORD, const void*, DWORD) = nullptr;
  HRESULT(WINAPI* EnableBlurBehindWindow)(HWND, const void*) = nullptr;
  TDwm() {
    Module = LoadLibraryW(W(u"dwmapi.dll"));
    if (!Module) return;
    IsCompositionEnabled = reinterpret_cast<decltype(IsCompositionEnabled)>(GetProcAddress(Module, "DwmIsCompositionEnabled"));
    SetWindowAttribute = reinterpret_cast<decltype(SetWindowAttribute)>(GetProcAddress(Module, "DwmSetWindowAttribute"));
    EnableBlurBehindWindow =
        reinterpret_cast<decltype(EnableBlurBehindWindow)>(GetProcAddress(Module, "DwmEnableBlurBehindWindow"));
  }
  ~TDwm() {
    if (Module) FreeLibrary(Module);
  }
};
TDwm& Dwm() {
  static TDwm dwm;
  return dwm;
}
// The platform's blur-behind record.
struct TBlurBehind {
  DWORD dwFlags;
  BOOL fEnable;
  HRGN hRgnBlur;
  BOOL fTransitionOnMaximized;
};
}  // namespace

bool IsDwmCompositionEnabled() {
  if (!Dwm().IsCompositionEnabled) return false;
  BOOL on = FALSE;
  Dwm().IsCompositionEnabled(&on);
  return on != FALSE;
}

void SetDwmTransitionsEnabled(HWND Wnd, bool Enabled) {
  if (!Dwm().SetWindowAttribute) return;
  const int32_t value = Enabled ? 0 : -1;
  Dwm().SetWindowAttribute(Wnd, 3, &value, sizeof value);
}

void EnableWindowBlurBehind(HWND Wnd, bool Enable, HRGN Region) {
  if (!Dwm().EnableBlurBehindWindow) return;
  const TBlurBehind bb{DWORD(Region ? 3 : 1), Enable ? -1 : 0, Region, FALSE};
  Dwm().EnableBlurBehindWindow(Wnd, &bb);
}

namespace {
using TMonitorFromWindow = HMONITOR(WINAPI*)(HWND, DWORD);
using TGetMonitorInfoA = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
TMonitorFromWindow BoundMonitorFromWindow = User32Entry<TMonitorFromWindow>("MonitorFromWindow");
TGetMonitorInfoA BoundGetMonitorInfoA = User32Entry<TGetMonitorInfoA>("GetMonitorInfoA");
}  // namespace

bool HasMultipleMonitors() { return GetSystemMetrics(SM_CMONITORS) > 1 && BoundGetMonitorInfoA != nullptr; }

void GetMonitorArea(HWND Wnd, bool WorkArea, TRect& Rc) {
  if (!HasMultipleMonitors() || !BoundMonitorFromWindow) {
    GetScreenWorkArea(WorkArea, Rc);
    return;
  }
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!BoundGetMonitorInfoA(BoundMonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) return;
  const RECT& r = WorkArea ? mi.rcWork : mi.rcMonitor;
  Rc = TRect{r.left, r.top, r.right, r.bottom};
}

void CopyScreenToBitmap(int X, int Y, TBitmap* Bitmap) {
  HDC screen = GetDC(nullptr);
  BitBlt(Bitmap->Canvas()->Handle(), 0, 0, Bitmap->Width(), Bitmap->Height(), screen, X, Y, SRCCOPY);
  ReleaseDC(nullptr, screen);
}

void LoadJpegToBitmap(TBitmap* Bitmap, const std::string& FileName) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(FileName);
  Bitmap->SetSize(jpeg.Width(), jpeg.Height());
  Bitmap->Canvas()->Draw(0, 0, &jpeg);
}
