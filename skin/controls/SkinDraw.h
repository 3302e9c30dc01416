// Off-screen painting of the skinned controls: a 32-bit buffer the size of
// the control, the default-look faces and the small glyphs they draw.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class TFont;
class TCanvas;
struct TspPicture;

// Font of a control's text as the skinned controls describe it.
struct TspFontDesc {
  std::string Name = "Arial";
  int Height = 14;  // cell height in pixels, as the skin gives it
  bool Bold = false, Italic = false, Underline = false;
  COLORREF Color = 0;
  HFONT Create(int escapement = 0) const;
  // The same font as the framework's font object, for canvas drawing.
  void AssignTo(TFont* font) const;
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
  // A canvas on the buffer, for drawing through the framework's pen, brush
  // and font; made on first use.
  TCanvas* Canvas();
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
  // 0x00RRGGBB, top row first.
  uint32_t* Bits() const;

  // Live buffers, for leak checks.
  static int LiveCount();

private:
  HDC FDC = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
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
// The height of a line of text in `font`, as its text metrics give it.
int FontTextHeight(TFont* font);
// A dotted focus frame just inside `r`.
void DrawFocusFrame(HDC dc, const RECT& r);
// A marker glyph cut from a skin picture at `src`, drawn centred in
// `target` with the pixels of the transparent colour left out.
void DrawMarkerGlyph(HDC dc, const TspPicture* picture, const RECT& src, const RECT& target, COLORREF transparent);
// A one-pixel solid line from (x1, y1) up to, not including, (x2, y2).
void DrawSolidLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);

// Answers WM_PAINT and WM_PRINTCLIENT of a control that paints its whole
// client area at once: into the DC the message carries, or else into the
// window's own paint DC.
template <class Paint>
void PaintClientMessage(HWND window, WPARAM dcParam, Paint&& paint) {
  if (HDC dc = reinterpret_cast<HDC>(dcParam)) {
    paint(dc);
  } else if (window) {
    PAINTSTRUCT ps;
    HDC own = BeginPaint(window, &ps);
    paint(own);
    EndPaint(window, &ps);
  }
}

// Pixels of a skin picture (0x??RRGGBB, top row first), borrowed.
struct TspImageSource {
  const uint32_t* Pixels = nullptr;
  int Width = 0, Height = 0;
  bool Empty() const { return !Pixels || Width <= 0 || Height <= 0; }
};

// A nine-part picture: the corner points and the client rectangle relative
// to SkinRect, the New* ones for the target size.
struct TspNinePartSpec {
  RECT SkinRect{};
  POINT LT{}, RT{}, LB{}, RB{};
  RECT ClRect{};
  POINT NewLT{}, NewRT{}, NewLB{}, NewRB{};
  RECT NewClRect{};
  bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
  bool StretchEffect = false;
  int StretchType = 0;  // full, horizontal, vertical
};

// The nine parts of `src` (corners and client rectangle relative to it)
// grown by dx and dy: the right and bottom parts move, the client grows.
TspNinePartSpec NinePartGrown(const RECT& src, POINT lt, POINT rt, POINT lb, POINT rb, const RECT& cl, int dx, int dy,
                              bool stretchEffect);

// The stretching a skin element, geometry or nine-part layout names (its
// LeftStretch .. BottomStretch, StretchEffect and StretchType) taken into
// another of them.
template <class TTarget, class TSource>
void SetNinePartStretch(TTarget& n, const TSource& e) {
  n.LeftStretch = e.LeftStretch;
  n.TopStretch = e.TopStretch;
  n.RightStretch = e.RightStretch;
  n.BottomStretch = e.BottomStretch;
  n.StretchEffect = e.StretchEffect;
  n.StretchType = static_cast<decltype(n.StretchType)>(e.StretchType);
}

// A skin picture's pixels, borrowed; empty for null.
TspImageSource ImageSourceOf(const TspPicture* picture);
// `src` of the picture copied pixel for pixel to (x, y) of the buffer,
// clipped to both; with `transparent` the pixels of colour `key` are left out.
void DrawPicturePiece(TspPaintBuffer& b, const TspPicture& p, const RECT& src, int x, int y, bool transparent,
                      COLORREF key);
// `src` of the picture copied at its own size to `dst` of the buffer.
void CopyPicturePart(TspPaintBuffer& b, const TspPicture* picture, const RECT& src, const RECT& dst);
// `src` of the picture grown (as NinePartGrown) to the size of `dst` and
// drawn there; nothing without a picture or with an empty rectangle.
void DrawGrownPicture(TspPaintBuffer& b, const TspPicture* picture, const RECT& src, POINT lt, POINT rt, POINT lb,
                      POINT rb, const RECT& cl, const RECT& dst, bool stretchEffect);

// The element pictures at a size, into the whole buffer.
void DrawPiece(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, const RECT& dst);
void DrawNinePart(TspPaintBuffer& b, const TspImageSource& picture, const TspNinePartSpec& spec);
void DrawHorzThreePart(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, int leftWidth,
                       int rightWidth, bool stretch);
void DrawVertThreePart(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, int topHeight,
                       int bottomHeight, bool stretch);

// The black pixels of a mask picture as a region (null when none is black).
HRGN RegionFromMask(const TspImageSource& mask);
// The mask of a nine-part element resized like its picture: the black
// pixels of the border stripes joined with the new client rectangle. Null
// when the new corners cross or the client rectangle is empty.
HRGN NinePartRegionFromMask(const TspImageSource& mask, POINT lt, POINT rt, POINT lb, POINT rb, const RECT& clRect,
                            POINT newLT, POINT newRT, POINT newLB, POINT newRB, const RECT& newClRect, int width,
                            int height);

class TBitmap;
class TCustomImageList;
// A glyph (frame `glyphIndex` of a strip of `numGlyphs`) and a caption laid
// out together in `r`; a pressed look moves both by one pixel. With
// `drawMarker` a colour marker in `markerColor` goes under the glyph, under
// the caption, or (with neither) fills the middle of `r`.
void DrawGlyphAndCaption(HDC dc, const RECT& r, const TspFontDesc& font, int margin, int spacing, int layout,
                         const std::string& caption, TBitmap* glyph, int numGlyphs, int glyphIndex, bool down,
                         bool drawMarker = false, COLORREF markerColor = 0);

// Picture `index` of an image list and a caption laid out together in `r`,
// as a glyph strip is; a disabled picture is drawn as the list draws it.
void DrawImageListGlyphAndCaption(HDC dc, const RECT& r, const TspFontDesc& font, int margin, int spacing, int layout,
                                  const std::string& caption, TCustomImageList* images, int index, bool enabled,
                                  bool down, bool drawMarker = false, COLORREF markerColor = 0);

class TspLayerManager;

// The glow frame of a button: a picture shown on a layered window around
// it while the mouse is over it.
class TspGlowLayer {
public:
  TspGlowLayer();
  ~TspGlowLayer();
  TspGlowLayer(const TspGlowLayer&) = delete;
  TspGlowLayer& operator=(const TspGlowLayer&) = delete;

  struct TSpec {
    int ResizeMode = 0;  // of the button's element
    bool UseSkinSize = true;
    int SkinWidth = 0, SkinHeight = 0;  // the element
    int Width = 0, Height = 0;          // the button
    int OffsetLeft = 0, OffsetTop = 0, OffsetRight = 0, OffsetBottom = 0;
  };
  // Whether the glow picture can follow the element's size rules: fixed,
  // nine-part, or a horizontal strip of skin size.
  static bool Fits(const TSpec& spec);
  // Shows `glow` (resized like the button, `mask` with it) at screen (x, y).
  void Show(TBitmap* glow, TBitmap* mask, const TSpec& spec, int x, int y, int alpha, bool topMost);
  void Hide();
  bool Visible() const;

private:
  TspLayerManager* FManager;
};
