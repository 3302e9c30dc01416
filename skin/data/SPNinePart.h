// Nine-part and three-part skin pictures: which piece of the skin picture
// goes where at a new size. Platform-neutral; the copies themselves are done
// by a painter (GDI canvases in the program, pixel buffers in the host build).
#pragma once

#include "skin/data/SPGeometry.h"
#include "skin/data/SPPixelBitmap.h"


// Receives the copies of a layout. Source rectangles are in picture
// coordinates, target rectangles in target coordinates; both are non-empty.
class TspPiecePainter {
public:
  virtual ~TspPiecePainter() = default;
  // The canvas's rectangle copy: 1:1 for tiles, stretching when the sizes differ.
  virtual void Copy(const TspRect& Src, const TspRect& Dst) = 0;
  // The piece copied 1:1 into a bitmap of its own, which is then stretch-drawn into Dst.
  virtual void StretchPiece(const TspRect& Src, const TspRect& Dst) = 0;
  // A stretched client part by its stretch type. Clip: the target's drawing
  // is clipped to Dst (horizontal and vertical types only).
  virtual void StretchClient(const TspRect& Src, const TspRect& Dst, TspStretchType Type, bool Clip) = 0;
};

// The geometry of a nine-part picture. Points and ClRect relative to
// SkinRect's top-left corner, the New* ones in target coordinates.
struct TspNinePartGeometry {
  TspPoint LTPoint, RTPoint, LBPoint, RBPoint;
  TspRect ClRect;
  TspPoint NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint;
  TspRect NewClRect;
  TspRect SkinRect;
  int NewWidth = 0, NewHeight = 0;
  bool DrawClient = true;
  bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  TspStretchType StretchType = spstFull;
};

// One axis: source span [s, s + w) repeated over target span [u, v), the last
// tile cut at v. Tile lengths of 0 or less lay nothing.
template <class F> void TileSpan(int s, int w, int u, int v, F&& emit) {
  if (w <= 0) return;
  const int n = (v - u) / w;
  if (n < 0) return;
  for (int k = 0; k <= n; ++k) {
    const int x0 = u + k * w, x1 = x0 + w;
    const int cut = x1 > v ? x1 - v : 0;
    if (w - cut > 0) emit(s, s + w - cut, x0, x1 - cut);
  }
}

// The target is NewWidth x NewHeight; the caller sizes it before.
void LayNinePartImage(const TspNinePartGeometry& G, TspPiecePainter& P);
void LayNinePartImageOpenRight(const TspNinePartGeometry& G, TspPiecePainter& P);
// Corner points and the new client rectangle of DrawSkinRectStretched for a target of W x H.
TspNinePartGeometry SkinRectStretchedGeometry(const TspRect& SkinRect, const TspRect& ClRect, int W, int H,
                                              bool DrawClient);
void LayClientAreaImage(const TspRect& ClRect, const TspRect& NewClRect, const TspRect& SkinRect,
                        bool StretchEffect, TspStretchType StretchType, TspPiecePainter& P);

enum class TspThreePartKind { Full, LeftEnd, Middle };
// Horizontal strips: the target is TargetWidth x height of SkinRect.
void LayHorzThreePartImage(TspThreePartKind Kind, int LeftWidth, int RightWidth, const TspRect& SkinRect,
                           int TargetWidth, bool Stretch, TspPiecePainter& P);
// Vertical strip: the target is width of SkinRect x TargetHeight.
void LayVertThreePartImage(int TopHeight, int BottomHeight, const TspRect& SkinRect, int TargetHeight,
                           bool Stretch, TspPiecePainter& P);

// The four border images of a layered frame. Each image is built only when
// its condition holds; Size* give the sizes the caller must give them
// (0 x 0: not built, keep the former image). Heights of the former top and
// bottom images enter the side images' height.
struct TspBorderImageSizes {
  int TopW = 0, TopH = 0, BottomW = 0, BottomH = 0, LeftW = 0, LeftH = 0, RightW = 0, RightH = 0;
};
enum class TspBorderImage { Top, Bottom, Left, Right };
class TspBorderPainters {
public:
  virtual ~TspBorderPainters() = default;
  // Sizes the image (before any copy into it) and returns its painter.
  virtual TspPiecePainter& Begin(TspBorderImage Which, int W, int H) = 0;
  virtual int CurrentHeight(TspBorderImage Which) const = 0;
};
void LayBorderImages(const TspNinePartGeometry& G, TspBorderPainters& Images);

// A painter over pixel buffers: copies with the bitmap draw of the copy mode
// (nearest-neighbour when stretching). Rectangles reaching outside either
// picture are clipped as GDI would.
class TspPixelPiecePainter : public TspPiecePainter {
public:
  TspPixelPiecePainter(const TspPixelBitmap& Picture, TspPixelBitmap& Target) : FPicture(Picture), FTarget(Target) {}
  void Copy(const TspRect& Src, const TspRect& Dst) override;
  void StretchPiece(const TspRect& Src, const TspRect& Dst) override;
  void StretchClient(const TspRect& Src, const TspRect& Dst, TspStretchType Type, bool Clip) override;

private:
  const TspPixelBitmap& FPicture;
  TspPixelBitmap& FTarget;
};
