// Off-screen painting of the skinned controls: a 32-bit buffer the size of
// the control, the default-look faces and the small glyphs they draw.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Font of a control's text as the skinned controls describe it.
struct TspFontDesc {
  std::string Name = "Arial";
  int Height = 14;  // cell height in pixels, as the skin gives it
  bool Bold = false, Italic = false, Underline = false;
  COLORREF Color = 0;
  HFONT Create(int escapement = 0) const;
  bool operator==(const TspFontDesc& o) const {
    return Name == o.Name && Height == o.Height && Bold == o.Bold && Italic == o.Italic &&
           Underline == o.Underline && Color == o.Color;
  }
};

// A top-down 32-bit DIB with its own memory DC.
class TspPaintBuffer {
public:
  TspPaintBuffer(int width, int height);
  ~TspPaintBuffer();
  TspPaintBuffer(const TspPaintBuffer&) = delete;
  TspPaintBuffer& operator=(const TspPaintBuffer&) = delete;

  HDC DC() const { return FDC; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
  COLORREF Pixel(int x, int y) const;

  void Fill(const RECT& r, COLORREF color);
  void Frame(const RECT& r, COLORREF color);
  // Text in `r` with DrawText flags; returns the rectangle the text took.
  void Text(const std::string& text, RECT r, const TspFontDesc& font, COLORREF color, UINT flags,
            int escapement = 0);
  // Per channel: this = this * alpha/255 + background * (255 - alpha)/255.
  void BlendOver(const TspPaintBuffer& background, int alpha);
  // Morph toward `other` by k in [0, 1]: this = this * (1 - k) + other * k.
  void MorphTo(const TspPaintBuffer& other, double k);
  void DrawTo(HDC dc, int x, int y) const;

  // Live buffers, for leak checks.
  static int LiveCount();

private:
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;
  int FWidth, FHeight;
};

// Colours of the default look (0x00BBGGRR).
constexpr COLORREF kDefaultHotFrame = 0x800000;   // navy
constexpr COLORREF kDefaultHotFill = 0xD2BDB6;
constexpr COLORREF kDefaultDownFill = 0xB59385;

enum TspFaceState { fsNormalFace, fsHotFace, fsDownFace };
// The one-pixel frame and fill of a default-look button face; returns the
// rectangle inside the frame.
RECT DrawDefaultFace(TspPaintBuffer& b, const RECT& r, TspFaceState state);

enum TspArrowDirection { adLeft, adRight, adUp, adDown };
// A small filled arrow centred in `r`.
void DrawArrowGlyph(HDC dc, const RECT& r, TspArrowDirection direction, COLORREF color);
// A dotted focus frame just inside `r`.
void DrawFocusFrame(HDC dc, const RECT& r);
