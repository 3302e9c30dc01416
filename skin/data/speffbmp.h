// The skin library's pictures on Win32: TspBitmap (32-bit top-down DIB
// section with its own memory DC and canvas) and TspEffectBmp (24-bit DIB
// section for effects and transitions). Their pixel math lives in
// SPPixelBitmap and SPEffectPixels; this layer adds the sections, device
// contexts and the framework's pictures.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Graphics.h"
#include "skin/data/SPBitmapLink.h"
#include "skin/data/SPEffectPixels.h"
#include "skin/data/SPPixelBitmap.h"

inline TspRect ToSpRect(const TRect& r) { return TspRect(r.Left, r.Top, r.Right, r.Bottom); }

TspColor ColorToSpColor(TColor C);
// The alpha byte is Alpha itself (the colour's own bits never carry into it).
TspColor ColorToSpColorAlpha(TColor C, uint8_t Alpha);

class TspBitmap : public TPersistent, public TspPixelBitmap {
public:
  TspBitmap();
  ~TspBitmap() override;

  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const;
  void DrawGraphic(TGraphic* Graphic, const TRect& DstRect);
  // The bitmap stream record; a broken record raises EReadError-style
  // Exception and leaves the bitmap unchanged.
  void SaveToStream(TStream* Stream) const;
  void LoadFromStream(TStream* Stream);
  // An 8-bit PCX picture; other files leave the bitmap unchanged.
  void LoadFromPcxStream(TStream* Stream);
  // Bitmap resource ResName ("#12" for a number) of the module file
  // ResFileName, opened as data only; an empty ResFileName is the program
  // itself. A module that cannot be opened or lacks the resource changes
  // nothing.
  void LoadFromResource(const std::string& ResFileName, const std::string& ResName);

  // A view on a rectangle of this bitmap, named after it.
  std::unique_ptr<TspBitmapLink> GetBitmapLink(const TRect& Rect);
  std::unique_ptr<TspBitmapLink> GetBitmapLink(const std::string& Rect);

  HBITMAP Handle() const { return FHandle; }
  HDC DC() const { return FDC; }
  TCanvas* Canvas();

  using TspPixelBitmap::Draw;
  void Draw(HDC DC, int X, int Y);
  void Draw(HDC DC, int X, int Y, const TRect& SrcRect);
  void Draw(HDC DC, const TRect& DstRect);
  void Draw(HDC DC, const TRect& DstRect, const TRect& SrcRect);
  void Draw(TCanvas* Canvas, int X, int Y) { Draw(Canvas->Handle(), X, Y); }
  void Draw(TCanvas* Canvas, int X, int Y, const TRect& SrcRect) { Draw(Canvas->Handle(), X, Y, SrcRect); }
  void Draw(TCanvas* Canvas, const TRect& DstRect) { Draw(Canvas->Handle(), DstRect); }
  void Draw(TCanvas* Canvas, const TRect& DstRect, const TRect& SrcRect) { Draw(Canvas->Handle(), DstRect, SrcRect); }
  using TspPixelBitmap::Tile;
  using TspPixelBitmap::TileClip;
  void Tile(HDC DC, const TRect& DstRect, const TRect& SrcRect);
  void Tile(TCanvas* Canvas, const TRect& DstRect, const TRect& SrcRect) { Tile(Canvas->Handle(), DstRect, SrcRect); }
  void TileClip(HDC DC, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect);
  void TileClip(TCanvas* Canvas, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) {
    TileClip(Canvas->Handle(), DstRect, DstClip, SrcRect);
  }

  // Drawing members kept for callers written against the full bitmap class:
  // they draw nothing and the text measures are 0. Drawing on the bitmap
  // goes through its Canvas.
  void DrawBevel(const TRect&, bool) {}
  void DrawEdge(const TRect&, UINT, UINT) {}
  void DrawEllipse(const TRect&, TspColor) {}
  void DrawFocusRect(const TRect&, TspColor) {}
  void DrawLine(int, int, int, int, TspColor) {}
  void DrawPolygon(const TPoint*, int, TspColor) {}
  void DrawRect(const TRect&, TspColor) {}
  void DrawRoundRect(const TRect&, int, TspColor) {}
  void DrawText(int, int, const std::string&) {}
  void DrawText(const std::string&, TRect&, UINT) {}
  void DrawVerticalText(const std::string&, TRect&, UINT) {}
  void FillEllipse(const TRect&, TspColor) {}
  void FillGradientRect(const TRect&, TspColor, TspColor, bool) {}
  void FillHalftonePolygon(const TPoint*, int, TspColor, TspColor) {}
  void FillHalftoneRect(const TRect&, TspColor, TspColor) {}
  void FillPolygon(const TPoint*, int, TspColor) {}
  void FillRadialGradientRect(const TRect&, TspColor, TspColor, const TPoint&) {}
  void FillRoundRect(const TRect&, int, TspColor) {}
  void LineTo(int, int) {}
  void MoveTo(int, int) {}
  int TextHeight(const std::string&) const { return 0; }
  int TextWidth(const std::string&) const { return 0; }

protected:
  TspColor* AllocatePixels(int W, int H) override;
  void ReleasePixels() override;

private:
  void DrawOnDC(HDC DC, const TspRect& Dst, const TspRect& Src);
  HBITMAP FHandle = nullptr;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
};

// A link's rectangle drawn at (X, Y) of a canvas; nothing when it has no pixels.
void DrawBitmapLink(const TspBitmapLink& Link, TCanvas* Canvas, int X, int Y);

// The TspBitmap whose memory DC is DC, or null.
TspBitmap* FindBitmapByDC(HDC DC);

// The bitmap selected in DC described as a DIB section: bits (null when it
// is not one), width, height (positive: bottom-up rows) and bit count.
struct TspDibInfo {
  void* Bits = nullptr;
  int Width = 0, Height = 0, BitCount = 0;
};
TspDibInfo GetDCDibInfo(HDC DC);

bool IsMsImgAvailable();
bool IsTrueColorScreen();
// Keyed drawing onto device contexts uses TransparentBlt when both hold.
bool KeyedDrawUsesTransparentBlt();

class TspEffectBmp : public TspEffectPixels {
public:
  TspEffectBmp(int cx, int cy);
  // A copy of the pixels of a bitmap handle (e.g. a TBitmap's).
  static std::unique_ptr<TspEffectBmp> CreateFromhWnd(HBITMAP hBmp);
  static std::unique_ptr<TspEffectBmp> CreateCopy(const TspEffectBmp& Other);
  ~TspEffectBmp() override;

  HBITMAP Handle = nullptr;
  BITMAPINFO BmpInfo{};

  void Draw(HDC hDC, int x, int y);
  void Stretch(HDC hDC, int x, int y, int cx, int cy);
  void DrawRect(HDC hDC, int hx, int hy, int x, int y, int cx, int cy);

protected:
  uint8_t* AllocatePixels(int cx, int cy, int Bytes) override;
  void ReleasePixels() override;

private:
  TspEffectBmp() = default;
};
