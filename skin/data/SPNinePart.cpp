#include "skin/data/SPNinePart.h"

namespace {

TspRect Offset(const TspRect& r, int dx, int dy) { return TspRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy); }

// Pieces with no area (corners overlapping at small sizes) are skipped:
// handed on, they would mirror in the stretching copy, and the corners
// drawn afterwards cover those places anyway.
void CopyPiece(TspPiecePainter& P, const TspRect& skin, const TspRect& src, const TspRect& dst) {
  if (RectIsEmpty(src) || RectIsEmpty(dst)) return;
  P.Copy(Offset(src, skin.Left, skin.Top), dst);
}

void StretchPiece(TspPiecePainter& P, const TspRect& skin, const TspRect& src, const TspRect& dst) {
  if (RectIsEmpty(src) || RectIsEmpty(dst)) return;
  P.StretchPiece(Offset(src, skin.Left, skin.Top), dst);
}

void TileX(TspPiecePainter& P, const TspRect& skin, const TspRect& src, int u, int v, int top, int bottom) {
  TileSpan(src.Left, RectWidth(src), u, v, [&](int s0, int s1, int d0, int d1) {
    CopyPiece(P, skin, TspRect(s0, src.Top, s1, src.Bottom), TspRect(d0, top, d1, bottom));
  });
}

void TileY(TspPiecePainter& P, const TspRect& skin, const TspRect& src, int u, int v, int left, int right) {
  TileSpan(src.Top, RectHeight(src), u, v, [&](int s0, int s1, int d0, int d1) {
    CopyPiece(P, skin, TspRect(src.Left, s0, src.Right, s1), TspRect(left, d0, right, d1));
  });
}

void Edge(TspPiecePainter& P, const TspRect& skin, const TspRect& src, const TspRect& dst, bool stretch, bool alongX) {
  if (stretch)
    StretchPiece(P, skin, src, dst);
  else if (alongX)
    TileX(P, skin, src, dst.Left, dst.Right, dst.Top, dst.Bottom);
  else
    TileY(P, skin, src, dst.Top, dst.Bottom, dst.Left, dst.Right);
}

// Tiles laid from (originX, originY), cut at originX + cutW and originY + cutH.
void TileClient(TspPiecePainter& P, const TspRect& skin, const TspRect& cl, int originX, int originY, int cutW, int cutH) {
  const int w = RectWidth(cl), h = RectHeight(cl);
  if (w <= 0 || h <= 0) return;
  TileSpan(0, w, originX, originX + cutW, [&](int sx0, int sx1, int dx0, int dx1) {
    TileSpan(0, h, originY, originY + cutH, [&](int sy0, int sy1, int dy0, int dy1) {
      CopyPiece(P, skin, TspRect(cl.Left + sx0, cl.Top + sy0, cl.Left + sx1, cl.Top + sy1), TspRect(dx0, dy0, dx1, dy1));
    });
  });
}

void Client(const TspNinePartGeometry& G, TspPiecePainter& P, const TspRect& newCl) {
  if (!G.StretchEffect) {
    TileClient(P, G.SkinRect, G.ClRect, newCl.Left, newCl.Top, RectWidth(newCl), RectHeight(newCl));
  } else if (!RectIsEmpty(newCl) && !RectIsEmpty(G.ClRect)) {
    P.StretchClient(Offset(G.ClRect, G.SkinRect.Left, G.SkinRect.Top), newCl, G.StretchType, true);
  }
}

bool Degenerate(const TspNinePartGeometry& G) {
  return G.RBPoint.X == G.LTPoint.X || G.RBPoint.Y == G.LTPoint.Y || RectIsEmpty(G.SkinRect);
}

}  // namespace

void LayNinePartImage(const TspNinePartGeometry& G, TspPiecePainter& P) {
  if (Degenerate(G)) return;
  const int W = RectWidth(G.SkinRect), H = RectHeight(G.SkinRect), AW = G.NewWidth, AH = G.NewHeight;
  const TspRect& c = G.ClRect;
  const TspRect& n = G.NewClRect;
  const TspRect& s = G.SkinRect;
  Edge(P, s, TspRect(G.LTPoint.X, 0, G.RTPoint.X, c.Top), TspRect(G.NewLTPoint.X, 0, G.NewRTPoint.X, n.Top), G.TopStretch, true);
  Edge(P, s, TspRect(G.LBPoint.X, c.Bottom, G.RBPoint.X, H), TspRect(G.NewLBPoint.X, n.Bottom, G.NewRBPoint.X, AH),
       G.BottomStretch, true);
  Edge(P, s, TspRect(0, G.LTPoint.Y, c.Left, G.LBPoint.Y), TspRect(0, G.NewLTPoint.Y, n.Left, G.NewLBPoint.Y),
       G.LeftStretch, false);
  Edge(P, s, TspRect(c.Right, G.RTPoint.Y, W, G.RBPoint.Y), TspRect(n.Right, G.NewRTPoint.Y, AW, G.NewRBPoint.Y),
       G.RightStretch, false);
  CopyPiece(P, s, TspRect(0, 0, G.LTPoint.X, c.Top), TspRect(0, 0, G.NewLTPoint.X, n.Top));
  CopyPiece(P, s, TspRect(0, c.Top, c.Left, G.LTPoint.Y), TspRect(0, n.Top, n.Left, G.NewLTPoint.Y));
  CopyPiece(P, s, TspRect(G.RTPoint.X, 0, W, c.Top), TspRect(G.NewRTPoint.X, 0, AW, n.Top));
  CopyPiece(P, s, TspRect(c.Right, c.Top, W, G.RTPoint.Y), TspRect(n.Right, n.Top, AW, G.NewRTPoint.Y));
  CopyPiece(P, s, TspRect(0, G.LBPoint.Y, c.Left, H), TspRect(0, G.NewLBPoint.Y, n.Left, AH));
  CopyPiece(P, s, TspRect(c.Left, c.Bottom, G.LBPoint.X, H), TspRect(n.Left, n.Bottom, G.NewLBPoint.X, AH));
  CopyPiece(P, s, TspRect(G.RBPoint.X, c.Bottom, W, H), TspRect(G.NewRBPoint.X, n.Bottom, AW, AH));
  CopyPiece(P, s, TspRect(c.Right, G.RBPoint.Y, W, c.Bottom), TspRect(n.Right, G.NewRBPoint.Y, AW, n.Bottom));
  if (G.DrawClient) Client(G, P, n);
}

void LayNinePartImageOpenRight(const TspNinePartGeometry& G, TspPiecePainter& P) {
  if (Degenerate(G)) return;
  const int H = RectHeight(G.SkinRect), AW = G.NewWidth, AH = G.NewHeight;
  const TspRect& c = G.ClRect;
  const TspRect& s = G.SkinRect;
  const TspRect n(G.NewClRect.Left, G.NewClRect.Top, AW, G.NewClRect.Bottom);
  Edge(P, s, TspRect(G.LTPoint.X, 0, G.RTPoint.X, c.Top), TspRect(G.NewLTPoint.X, 0, AW, n.Top), G.TopStretch, true);
  Edge(P, s, TspRect(G.LBPoint.X, c.Bottom, G.RBPoint.X, H), TspRect(G.NewLBPoint.X, n.Bottom, AW, AH),
       G.BottomStretch, true);
  Edge(P, s, TspRect(0, G.LTPoint.Y, c.Left, G.LBPoint.Y), TspRect(0, G.NewLTPoint.Y, n.Left, G.NewLBPoint.Y),
       G.LeftStretch, false);
  CopyPiece(P, s, TspRect(0, 0, G.LTPoint.X, c.Top), TspRect(0, 0, G.NewLTPoint.X, n.Top));
  CopyPiece(P, s, TspRect(0, c.Top, c.Left, G.LTPoint.Y), TspRect(0, n.Top, n.Left, G.NewLTPoint.Y));
  CopyPiece(P, s, TspRect(0, G.LBPoint.Y, c.Left, H), TspRect(0, G.NewLBPoint.Y, n.Left, AH));
  CopyPiece(P, s, TspRect(c.Left, c.Bottom, G.LBPoint.X, H), TspRect(n.Left, n.Bottom, G.NewLBPoint.X, AH));
  if (G.DrawClient) Client(G, P, n);
}

TspNinePartGeometry SkinRectStretchedGeometry(const TspRect& SkinRect, const TspRect& ClRect, int W, int H,
                                              bool DrawClient) {
  TspNinePartGeometry g;
  g.SkinRect = SkinRect;
  g.ClRect = ClRect;
  g.LTPoint = TspPoint(ClRect.Left, ClRect.Top);
  g.RTPoint = TspPoint(ClRect.Right, ClRect.Top);
  g.LBPoint = TspPoint(ClRect.Left, ClRect.Bottom);
  g.RBPoint = TspPoint(ClRect.Right, ClRect.Bottom);
  g.NewClRect = TspRect(ClRect.Left, ClRect.Top, W - (RectWidth(SkinRect) - ClRect.Right),
                        H - (RectHeight(SkinRect) - ClRect.Bottom));
  g.NewLTPoint = TspPoint(g.NewClRect.Left, g.NewClRect.Top);
  g.NewRTPoint = TspPoint(g.NewClRect.Right, g.NewClRect.Top);
  g.NewLBPoint = TspPoint(g.NewClRect.Left, g.NewClRect.Bottom);
  g.NewRBPoint = TspPoint(g.NewClRect.Right, g.NewClRect.Bottom);
  g.NewWidth = W;
  g.NewHeight = H;
  g.DrawClient = DrawClient;
  g.LeftStretch = g.TopStretch = g.RightStretch = g.BottomStretch = true;
  g.StretchEffect = true;
  g.StretchType = spstFull;
  return g;
}

void LayClientAreaImage(const TspRect& ClRect, const TspRect& NewClRect, const TspRect& SkinRect, bool StretchEffect,
                        TspStretchType StretchType, TspPiecePainter& P) {
  if (RectWidth(NewClRect) == 0 || RectHeight(NewClRect) == 0) return;
  if (!StretchEffect)
    TileClient(P, SkinRect, ClRect, 0, 0, RectWidth(NewClRect), RectHeight(NewClRect));
  else if (!RectIsEmpty(NewClRect) && !RectIsEmpty(ClRect))
    P.StretchClient(Offset(ClRect, SkinRect.Left, SkinRect.Top), NewClRect, StretchType, false);
}

void LayHorzThreePartImage(TspThreePartKind Kind, int LeftWidth, int RightWidth, const TspRect& S, int TargetWidth,
                           bool Stretch, TspPiecePainter& P) {
  const int h = RectHeight(S);
  const TspRect zero;
  if (Kind != TspThreePartKind::Middle && LeftWidth != 0)
    CopyPiece(P, zero, TspRect(S.Left, S.Top, S.Left + LeftWidth, S.Bottom), TspRect(0, 0, LeftWidth, h));
  if (Kind == TspThreePartKind::Full && RightWidth != 0)
    CopyPiece(P, zero, TspRect(S.Right - RightWidth, S.Top, S.Right, S.Bottom),
              TspRect(TargetWidth - RightWidth, 0, TargetWidth, h));
  const TspRect mid(S.Left + LeftWidth, S.Top, S.Right - RightWidth, S.Bottom);
  const int w = RectWidth(mid) == 0 ? 1 : RectWidth(mid);
  const int u = Kind == TspThreePartKind::Middle ? 0 : LeftWidth;
  const int v = Kind == TspThreePartKind::Full ? TargetWidth - RightWidth : TargetWidth;
  if (Stretch)
    StretchPiece(P, zero, mid, TspRect(u, 0, v, h));
  else
    TileX(P, zero, TspRect(mid.Left, mid.Top, mid.Left + w, mid.Bottom), u, v, 0, h);
}

void LayVertThreePartImage(int TopHeight, int BottomHeight, const TspRect& S, int TargetHeight, bool Stretch,
                           TspPiecePainter& P) {
  const int w = RectWidth(S);
  const TspRect zero;
  if (TopHeight != 0) CopyPiece(P, zero, TspRect(S.Left, S.Top, S.Right, S.Top + TopHeight), TspRect(0, 0, w, TopHeight));
  if (BottomHeight != 0)
    CopyPiece(P, zero, TspRect(S.Left, S.Bottom - BottomHeight, S.Right, S.Bottom),
              TspRect(0, TargetHeight - BottomHeight, w, TargetHeight));
  const TspRect mid(S.Left, S.Top + TopHeight, S.Right, S.Bottom - BottomHeight);
  if (Stretch)
    StretchPiece(P, zero, mid, TspRect(0, TopHeight, w, TargetHeight - BottomHeight));
  else
    TileY(P, zero, mid, TopHeight, TargetHeight - BottomHeight, 0, w);
}

void LayBorderImages(const TspNinePartGeometry& G, TspBorderPainters& Images) {
  const TspRect& S = G.SkinRect;
  const TspRect& c = G.ClRect;
  const TspRect& n = G.NewClRect;
  const int NW = G.NewWidth, NH = G.NewHeight;
  const int SW = RectWidth(S), SH = RectHeight(S);
  // Source rectangles below are relative to SkinRect; the painters get picture coordinates.
  auto copy = [&](TspPiecePainter& P, TspRect src, TspRect dst) { CopyPiece(P, S, src, dst); };
  auto stretch = [&](TspPiecePainter& P, TspRect src, TspRect dst) { StretchPiece(P, S, src, dst); };

  if (NW > 0 && n.Top > 0 && G.RTPoint.X - G.LTPoint.X > 0) {
    TspPiecePainter& P = Images.Begin(TspBorderImage::Top, NW, n.Top);
    const TspRect rep(G.LTPoint.X, 0, G.RTPoint.X, n.Top);
    if (G.TopStretch)
      stretch(P, rep, TspRect(G.NewLTPoint.X, 0, G.NewRTPoint.X, n.Top));
    else
      TileX(P, S, rep, 0, NW, 0, n.Top);
    copy(P, TspRect(0, 0, G.LTPoint.X, n.Top), TspRect(0, 0, G.NewLTPoint.X, n.Top));
    copy(P, TspRect(G.RTPoint.X, 0, SW, n.Top), TspRect(G.NewRTPoint.X, 0, NW, n.Top));
  }
  const int D = NH - n.Bottom;
  if (NW > 0 && D > 0 && G.RBPoint.X - G.LBPoint.X > 0) {
    TspPiecePainter& P = Images.Begin(TspBorderImage::Bottom, NW, D);
    const TspRect rep(G.LBPoint.X, SH - D, G.RBPoint.X, SH);
    if (G.BottomStretch)
      stretch(P, rep, TspRect(G.NewLBPoint.X, 0, G.NewRBPoint.X, D));
    else
      TileX(P, S, rep, 0, NW, 0, D);
    copy(P, TspRect(0, SH - D, G.LBPoint.X, SH), TspRect(0, 0, G.NewLBPoint.X, D));
    copy(P, TspRect(G.RBPoint.X, SH - D, SW, SH), TspRect(G.NewRBPoint.X, 0, NW, D));
  }
  const int E = NH - Images.CurrentHeight(TspBorderImage::Bottom) - Images.CurrentHeight(TspBorderImage::Top);
  auto side = [&](TspBorderImage which, int x0, int x1, int w, int repTop, int repBottom, bool stretchIt) {
    TspPiecePainter& P = Images.Begin(which, w, E);
    const TspRect rep(x0, repTop, x1, repBottom);
    if (stretchIt)
      stretch(P, rep, TspRect(0, repTop - c.Top, w, E - (c.Bottom - repBottom)));
    else
      TileY(P, S, rep, 0, E, 0, w);
    if (repTop - c.Top > 0) copy(P, TspRect(x0, c.Top, x1, repTop), TspRect(0, 0, w, repTop - c.Top));
    if (c.Bottom - repBottom > 0)
      copy(P, TspRect(x0, repBottom, x1, c.Bottom), TspRect(0, E - (c.Bottom - repBottom), w, E));
  };
  if (n.Left > 0 && E > 0 && G.LBPoint.Y - G.LTPoint.Y > 0)
    side(TspBorderImage::Left, 0, n.Left, n.Left, G.LTPoint.Y, G.LBPoint.Y, G.LeftStretch);
  if (NW - n.Right >= 1 && E >= 1 && G.RBPoint.Y - G.RTPoint.Y >= 1)
    side(TspBorderImage::Right, c.Right, SW, NW - n.Right, G.RTPoint.Y, G.RBPoint.Y, G.RightStretch);
}

// ---- the pixel-buffer painter ----

void TspPixelPiecePainter::Copy(const TspRect& Src, const TspRect& Dst) {
  // GDI clips the source to the picture; only the part inside is drawn.
  if (RectWidth(Src) == RectWidth(Dst) && RectHeight(Src) == RectHeight(Dst)) {
    const TspRect s = IntersectRects(Src, TspRect(0, 0, FPicture.Width(), FPicture.Height()));
    if (RectIsEmpty(s)) return;
    const TspRect d = Offset(s, Dst.Left - Src.Left, Dst.Top - Src.Top);
    DrawBitmapRect(TspDrawMode::Copy, FTarget, d, d, FPicture, s);
  } else {
    DrawBitmapRect(TspDrawMode::Copy, FTarget, Dst, Dst, FPicture, Src);
  }
}

void TspPixelPiecePainter::StretchPiece(const TspRect& Src, const TspRect& Dst) { Copy(Src, Dst); }

void TspPixelPiecePainter::StretchClient(const TspRect& Src, const TspRect& Dst, TspStretchType Type, bool Clip) {
  const TspRect clip = Clip ? Dst : TspRect(0, 0, FTarget.Width(), FTarget.Height());
  if (Type == spstFull) {
    DrawBitmapRect(TspDrawMode::Copy, FTarget, Dst, Dst, FPicture, Src);
    return;
  }
  TspPixelBitmap strip;
  const bool horz = Type == spstHorz;
  const int sw = horz ? RectWidth(Src) : RectWidth(Dst), sh = horz ? RectHeight(Dst) : RectHeight(Src);
  strip.SetSize(sw, sh);
  DrawBitmapRect(TspDrawMode::Copy, strip, TspRect(0, 0, sw, sh), TspRect(0, 0, sw, sh), FPicture, Src);
  const int count = horz ? RectWidth(Dst) / sw : RectHeight(Dst) / sh;
  for (int k = 0; k <= count; ++k) {
    const TspRect d = horz ? TspRect(Dst.Left + k * sw, Dst.Top, Dst.Left + (k + 1) * sw, Dst.Top + sh)
                           : TspRect(Dst.Left, Dst.Top + k * sh, Dst.Left + sw, Dst.Top + (k + 1) * sh);
    DrawBitmapRect(TspDrawMode::Copy, FTarget, d, clip, strip, TspRect(0, 0, sw, sh));
  }
}
