// The pixel side of the skin library's 32-bit working picture: memory,
// alpha analysis and the drawing of one picture into another.
// Platform-neutral: the Win32 TspBitmap (speffbmp.h) derives from it and
// keeps its pixels in a DIB section; the host build keeps them on the heap.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "skin/data/SPGeometry.h"
#include "skin/data/SPPixelRows.h"

using PspColorArray = TspColor*;
using TArrayOfseColor = std::vector<TspColor>;

// How a source picture is put onto its target, tested in this order:
// per-pixel alpha, keyed on TransparentKey, plain copy.
enum class TspDrawMode { Copy, Keyed, Alpha };

// Largest side we allocate; larger requests fail like a failed allocation.
constexpr int MaxBitmapSide = 16384;

class TspPixelBitmap {
public:
  TspPixelBitmap() = default;
  virtual ~TspPixelBitmap();
  TspPixelBitmap(const TspPixelBitmap&) = delete;
  TspPixelBitmap& operator=(const TspPixelBitmap&) = delete;

  // Negative sizes count by their absolute value; a zero side or the present
  // size changes nothing. New pixels are zero.
  void SetSize(int AWidth, int AHeight);
  bool Empty() const { return FBits == nullptr; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  PspColorArray Bits() const { return FBits; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& n) { FName = n; }
  bool AlphaBlend() const { return FAlphaBlend; }
  bool Transparent() const { return FTransparent; }
  void SetAlphaBlendFlag(bool v) { FAlphaBlend = v; }
  void SetTransparentFlag(bool v) { FTransparent = v; }
  TspDrawMode DrawMode() const {
    return FAlphaBlend ? TspDrawMode::Alpha : FTransparent ? TspDrawMode::Keyed : TspDrawMode::Copy;
  }

  TspColor* GetRowPtr(int Y) const { return FBits + ptrdiff_t(Y) * FWidth; }
  TspColor* GetPixelPtr(int X, int Y) const { return FBits + ptrdiff_t(Y) * FWidth + X; }
  TspColor GetPixel(int X, int Y) const;
  void SetPixel(int X, int Y, TspColor Value);

  void Clear(TspColor Color);
  // Copies size, pixels, name and flags of another picture (an empty source empties this one).
  void AssignPixels(const TspPixelBitmap& Source);

  void CheckRGBA();
  void CheckRGBA2();
  void CheckingAlphaBlend();
  void CheckingAlphaBlend(const TspRect& ARect);
  void CheckingTransparent(TspColor Color);
  void CheckingTransparent(const TspRect& ARect, TspColor Color);
  void SetAlpha(uint8_t Alpha);
  void SetAlpha(uint8_t Alpha, const TspRect& Rect);

  // Self drawn into another picture by its mode; stretched nearest-neighbour when the sizes differ.
  void Draw(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& SrcRect) const;
  void Draw(TspPixelBitmap& Bitmap, int X, int Y) const;
  void Draw(TspPixelBitmap& Bitmap, int X, int Y, const TspRect& SrcRect) const;
  void Draw(TspPixelBitmap& Bitmap, const TspRect& DstRect) const;
  void Tile(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& SrcRect) const;
  void TileClip(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& DstClip,
                const TspRect& SrcRect) const;

  void MergeDraw(const TspPixelBitmap& Bitmap, int X, int Y, const TspRect& SrcRect);
  void FillRect(const TspRect& R, TspColor Color);
  void FlipVert();
  void Reflection();
  void Reflection2();
  void Reflection3();

protected:
  // Storage of the pixels. The base keeps them on the heap; the Win32
  // bitmap overrides both to use a DIB section. AllocatePixels returns the
  // zeroed memory of W x H pixels or throws the allocation exception.
  virtual TspColor* AllocatePixels(int W, int H);
  virtual void ReleasePixels();
  void ResetPixels();  // for destructors of derived classes

  PspColorArray FBits = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::string FName;
  bool FAlphaBlend = false;
  bool FTransparent = false;
  bool FNewFormat = false;

private:
  void ReflectionBy(int Divisor);
  std::vector<TspColor> FHeap;
};

// The draw routine of one mode, clipped: Src's SrcRect into Dst's DstRect, restricted to Clip.
void DrawBitmapRect(TspDrawMode Mode, TspPixelBitmap& Dst, const TspRect& DstRect, const TspRect& Clip,
                    const TspPixelBitmap& Src, const TspRect& SrcRect);

// Straight into the memory of a 32-bit bottom-up DIB section (image row y at
// Bits + (Height - 1 - y) * Width pixels); the cell is clipped to the section.
void DibDrawRect(TspDrawMode Mode, TspColor* Bits, int Width, int Height, const TspRect& Cell,
                 const TspPixelBitmap& Src, const TspRect& SrcRect);

// The grid of a tiling: every cell (clipped to DstRect) with its source rectangle.
void ForEachTileCell(const TspRect& DstRect, const TspRect& SrcRect,
                     const std::function<void(const TspRect& Cell, const TspRect& CellSrc)>& Draw);

// 0x00BBGGRR (framework colour, already RGB) -> 0xFFRRGGBB.
constexpr TspColor ColorToSpColorRGB(uint32_t C) {
  return 0xFF000000u | ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF);
}
// The colour with its alpha byte set to Alpha.
constexpr TspColor ColorToSpColorAlphaRGB(uint32_t C, uint8_t Alpha) {
  return (ColorToSpColorRGB(C) & 0x00FFFFFF) | (TspColor(Alpha) << 24);
}

// Stack blur of red, green and blue with radius R, in place; alpha becomes 255.
void StackBlurBitmap(TspPixelBitmap& Bitmap, int R);
// Radii above this are blurred with this radius (the result is already flat long before).
constexpr int MaxStackBlurRadius = 1024;
void SetAlphaFromMask(TspPixelBitmap& Bitmap, const TspPixelBitmap& Mask);
void SetAlphaFromMaskPremultiplied(TspPixelBitmap& Bitmap, const TspPixelBitmap& Mask);
