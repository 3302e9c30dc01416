// The pixel side of the 24-bit effect picture: filters, geometric
// transforms, mask effects and the transitions between two looks.
// Platform-neutral: the Win32 TspEffectBmp (speffbmp.h) derives from it and
// keeps its pixels in a DIB section; the host build keeps them on the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "skin/data/SPGeometry.h"

class TspEffectPixels {
public:
  TspEffectPixels() = default;
  virtual ~TspEffectPixels();
  TspEffectPixels(const TspEffectPixels&) = delete;
  TspEffectPixels& operator=(const TspEffectPixels&) = delete;

  // Rows of 3 x Width + Width mod 4 bytes (the 4-byte aligned 24-bit row),
  // top to bottom, bytes blue, green, red. Throws for sizes that are not
  // positive or too large.
  void Create(int cx, int cy);
  void CreateCopy(const TspEffectPixels& Other);

  int Width = 0;
  int Height = 0;
  int Size = 0;
  uint8_t* Bits = nullptr;

  int RowSize() const { return Width * 3 + Width % 4; }
  uint8_t* GetRowPtr(int Y) const { return Bits + ptrdiff_t(Y) * RowSize(); }
  uint32_t GetPixel(int X, int Y) const;
  void SetPixel(int X, int Y, uint32_t Value);
  void GetScanLine(int Y, uint8_t* Line) const;
  void SetScanLine(int Y, const uint8_t* Line);

  void ChangeBrightness(double Kf);
  void ChangeDarkness(double Kf);
  void Invert();
  void GrayScale();
  void SplitBlur(int Amount);
  void Mosaic(int ASize);
  // Random(n): a uniform integer in 0..n-1 (the program's generator by default).
  void AddMonoNoise(int Amount, const std::function<int(int)>& Random = {});
  void AddColorNoise(int Amount, const std::function<int(int)>& Random = {});
  void Rotate90_1(TspEffectPixels& Dst) const;
  void Rotate90_2(TspEffectPixels& Dst) const;
  void FlipVert(TspEffectPixels& Dst) const;
  void Resize(TspEffectPixels& Dst) const;
  void Wave(int XDIV, int YDIV, int RatioVal);
  void MaskBlur(const TspEffectPixels& Msk, int Amount);
  void MaskAntialiasing(const TspEffectPixels& Msk, int Amount);
  // C is an RGB colour (red in the low byte), system colours already resolved.
  void MaskFillColor(const TspEffectPixels& Msk, uint32_t C, double kf);

  void Morph(const TspEffectPixels& BMP, double Kf);
  void MorphRect(const TspEffectPixels& BMP, double Kf, const TspRect& Rct, int StartX, int StartY);
  void CopyRect(const TspEffectPixels& BMP, const TspRect& Rct, int StartX, int StartY);
  void MorphGrad(const TspEffectPixels& BMP, double Kf);
  void MorphHGrad(const TspEffectPixels& BMP, double Kf);
  void MorphVGrad(const TspEffectPixels& BMP, double Kf);
  void MorphLeftGrad(const TspEffectPixels& BMP, double Kf);
  void MorphRightGrad(const TspEffectPixels& BMP, double Kf);
  void MorphPush(const TspEffectPixels& BMP, double Kf);
  void MorphLeftSlide(const TspEffectPixels& BMP, double Kf);
  void MorphRightSlide(const TspEffectPixels& BMP, double Kf);

protected:
  virtual uint8_t* AllocatePixels(int cx, int cy, int Bytes);
  virtual void ReleasePixels();
  void ResetPixels();

private:
  bool SameSize(const TspEffectPixels& o) const { return o.Width == Width && o.Height == Height; }
  void FourPointAverage(const uint8_t* rowsA, const uint8_t* rowsB, int xa, int xb, uint8_t* out) const;
  std::vector<uint8_t> FHeap;
};

// Largest side of an effect picture.
constexpr int MaxEffectSide = 16384;

// Channel values outside 0..255 are pulled back to the nearest end.
inline int ClampChannel(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
void ClampChannels(int& r, int& g, int& b);
// Kf limited to 0..1; not-a-number counts as 0.
double ClampFactor(double Kf);
