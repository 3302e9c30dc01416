// A named view on a rectangle of a 32-bit picture, with its see-through
// zones. Platform-neutral; the Win32 TspBitmap hands links out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/data/SPPixelBitmap.h"

// Pixels of this value are never counted as see-through.
constexpr TspColor MaskSkipColor = 0x33333333;

class TspBitmapLink {
public:
  TspBitmapLink() = default;
  TspBitmapLink(TspPixelBitmap* Image, const TspRect& Rect) : FImage(Image), FRect(Rect) {
    if (Image) FName = Image->Name();
  }
  void Assign(const TspBitmapLink& Source) { *this = Source; }

  int Left() const { return FRect.Left; }
  int Top() const { return FRect.Top; }
  int Right() const { return FRect.Right; }
  int Bottom() const { return FRect.Bottom; }
  void SetLeft(int v) { FRect.Left = v; }
  void SetTop(int v) { FRect.Top = v; }
  void SetRight(int v) { FRect.Right = v; }
  void SetBottom(int v) { FRect.Bottom = v; }
  const TspRect& Rect() const { return FRect; }
  TspPixelBitmap* Image() const { return FImage; }
  const std::string& Name() const { return FName; }
  bool Assigned() const { return FImage && RectWidth(FRect) > 0 && RectHeight(FRect) > 0 && RectWidth(FRect) * 1LL * RectHeight(FRect) > 0; }

  void Draw(TspPixelBitmap& Bitmap, int X, int Y) const;
  void CheckingMasked() { CheckingMasked(TspRect()); }
  // Margins (left, top, right, bottom) split the link into corner, edge and
  // centre zones, measured on the link's own width and height.
  void CheckingMasked(const TspRect& Margin);
  bool Masked() const { return FMasked; }
  bool MaskedBorder() const { return FMaskedBorder; }
  bool MaskedAngles() const { return FMaskedAngles; }

  // Record: name (Int32 n, n bytes), then left, top, right, bottom.
  std::vector<uint8_t> SaveRecord() const;
  // Returns the bytes read; short data raises Exception("Stream read error").
  size_t LoadRecord(const uint8_t* Data, size_t Size);

private:
  TspPixelBitmap* FImage = nullptr;
  TspRect FRect;
  std::string FName;
  bool FMaskedBorder = false, FMaskedAngles = false, FMasked = false;
};

// Takes one token off the front of S: a blank, "(", ")", ",", ":", ";" or "="
// ends it; Token and the rest of S are trimmed.
void CutRectToken(std::string& S, std::string& Token);
// Four integer tokens; any conversion error gives (0, 0, 0, 0).
TspRect ParseLinkRectText(const std::string& S);
