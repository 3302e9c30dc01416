// Colours, GDI objects, canvases and pictures.
//
// No windows.h here: media code draws on bitmaps too. GDI handles appear
// under their STRICT struct names, which are the very types windows.h
// declares, so Win32 code passes them on without casts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Streams.h"
#include "framework/readers/Errors.h"
#include "framework/readers/PixelImage.h"

// windows.h spells TextOut as a macro; Win32 code includes windows.h
// before this header and calls TextOutW by that name.
#ifdef TextOut
#undef TextOut
#endif

struct HDC__;
struct HBITMAP__;
struct HFONT__;
struct HBRUSH__;
struct HPEN__;
struct HICON__;
struct HGDIOBJ__;
struct HINSTANCE__;

// ---- geometry -------------------------------------------------------------

// Same layout as RECT, POINT and SIZE.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect& o) const {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};
struct TPoint {
  int X = 0, Y = 0;
  bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
};
struct TSize {
  int cx = 0, cy = 0;
  bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
};
inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) { return TPoint{x, y}; }

// ---- colours --------------------------------------------------------------

// 0x00BBGGRR, or clSystemColor | a system colour index (COLOR_*).
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080;

constexpr TColor clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1,
                 clActiveCaption = clSystemColor | 2, clInactiveCaption = clSystemColor | 3,
                 clMenu = clSystemColor | 4, clWindow = clSystemColor | 5,
                 clWindowFrame = clSystemColor | 6, clMenuText = clSystemColor | 7,
                 clWindowText = clSystemColor | 8, clCaptionText = clSystemColor | 9,
                 clActiveBorder = clSystemColor | 10, clInactiveBorder = clSystemColor | 11,
                 clAppWorkSpace = clSystemColor | 12, clHighlight = clSystemColor | 13,
                 clHighlightText = clSystemColor | 14, clBtnFace = clSystemColor | 15,
                 clBtnShadow = clSystemColor | 16, clGrayText = clSystemColor | 17,
                 clBtnText = clSystemColor | 18, clInactiveCaptionText = clSystemColor | 19,
                 clBtnHighlight = clSystemColor | 20, cl3DDkShadow = clSystemColor | 21,
                 cl3DLight = clSystemColor | 22, clInfoText = clSystemColor | 23,
                 clInfoBk = clSystemColor | 24, clHotLight = clSystemColor | 26,
                 clGradientActiveCaption = clSystemColor | 27,
                 clGradientInactiveCaption = clSystemColor | 28, clMenuHighlight = clSystemColor | 29,
                 clMenuBar = clSystemColor | 30;

// System colours resolved through GetSysColor; every other value (plain
// colours, clNone, clDefault) comes back unchanged.
TColor ColorToRGB(TColor color);
constexpr uint8_t ColorRed(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t ColorGreen(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t ColorBlue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// ---- GDI objects ----------------------------------------------------------

// Owner of one GDI object, deleted when the owner goes.
class TGdiHandle {
public:
  TGdiHandle() = default;
  explicit TGdiHandle(void* handle) : FHandle(handle) {}
  ~TGdiHandle() { Reset(); }
  TGdiHandle(TGdiHandle&& other) noexcept : FHandle(other.Release()) {}
  TGdiHandle& operator=(TGdiHandle&& other) noexcept;
  TGdiHandle(const TGdiHandle&) = delete;
  TGdiHandle& operator=(const TGdiHandle&) = delete;
  void* Get() const { return FHandle; }
  void Reset(void* handle = nullptr);
  void* Release() {
    void* h = FHandle;
    FHandle = nullptr;
    return h;
  }
  explicit operator bool() const { return FHandle != nullptr; }

private:
  void* FHandle = nullptr;
};

// The properties of a GDI object; the handle is made when first asked for
// and again after a change. OnChange lets a canvas drop the old handle
// from its device context before it is deleted.
class TGraphicsObject : public TPersistent {
public:
  TNotifyEvent OnChange;

protected:
  void Changed();
  TGdiHandle FHandle;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };

class TFont : public TGraphicsObject {
public:
  TFont();
  ~TFont() override;
  void Assign(const TPersistent* source) override;

  HFONT__* Handle();

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  // Positive: cell height in pixels; negative: character height.
  int Height() const { return FHeight; }
  void SetHeight(int height);
  // Points at the screen's 96 pixels per inch.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);  // no new handle needed, but OnChange runs
  int Charset() const { return FCharset; }
  void SetCharset(int charset);
  // Tenths of a degree, counter-clockwise (900 = text upwards).
  int Orientation() const { return FOrientation; }
  void SetOrientation(int tenths);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch pitch);
  TFontQuality Quality() const { return FQuality; }
  void SetQuality(TFontQuality quality);

  // Fonts with a live HFONT (for leak checks).
  static int LiveHandles();

private:
  void Modified();
  std::string FName = "Tahoma";
  int FHeight = -11;
  TFontStyles FStyle = 0;
  TColor FColor = clWindowText;
  int FCharset = 1;  // DEFAULT_CHARSET
  int FOrientation = 0;
  TFontPitch FPitch = fpDefault;
  TFontQuality FQuality = fqDefault;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
  ~TBrush() override;
  void Assign(const TPersistent* source) override;
  HBRUSH__* Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);

private:
  void Modified();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor, pmMerge, pmMask, pmNotXor, pmBlack, pmWhite };

class TPen : public TGraphicsObject {
public:
  ~TPen() override;
  void Assign(const TPersistent* source) override;
  HPEN__* Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode mode);  // a raster operation, not part of the handle

private:
  void Modified();
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

// ---- canvas ---------------------------------------------------------------

class TGraphic;

// Raster operations for CopyRect and Draw (same values as Win32).
constexpr uint32_t cmSrcCopy = 0x00CC0020, cmSrcPaint = 0x00EE0086, cmSrcAnd = 0x008800C6,
                   cmSrcInvert = 0x00660046, cmNotSrcCopy = 0x00330008, cmBlackness = 0x00000042,
                   cmWhiteness = 0x00FF0062, cmPatCopy = 0x00F00021, cmDstInvert = 0x00550009;

// Drawing on a device context. The pen, brush and font are selected into
// the context when an operation needs them and taken out again before
// they change or the canvas lets go of the context.
class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The device context; a canvas that has none asks CreateHandle for one.
  HDC__* Handle();
  void SetHandle(HDC__* dc);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() { return &FFont; }
  TBrush* Brush() { return &FBrush; }
  TPen* Pen() { return &FPen; }
  uint32_t CopyMode = cmSrcCopy;

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  TPoint PenPos();
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(const TRect& r);
  void FillRect(const TRect& r);    // with the brush, no outline
  void FrameRect(const TRect& r);   // one-pixel outline with the brush colour
  TColor Pixel(int x, int y);       // -1 outside the clip area
  void SetPixel(int x, int y, TColor color);

  // Text in the font; the brush paints the background unless bsClear.
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to r (and r filled first when the brush is solid).
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies (stretches) source's rectangle into dest with CopyMode.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);

  // Serialises drawing between threads (the engine draws on bitmaps on
  // worker threads); re-entrant.
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return FLockCount; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void CreateHandle() {}
  // Called whenever the context is asked for, before it is handed out.
  virtual void HandleWanted() {}
  // Takes pen, brush and font out of the context (before it goes away).
  void DeselectObjects();
  void Changing();
  void Changed();

private:
  void RequirePen();
  void RequireBrush();
  void RequireFont();
  void ObjectChanged(int which);

  HDC__* FHandle = nullptr;
  TFont FFont;
  TBrush FBrush;
  TPen FPen;
  HGDIOBJ__* FOldPen = nullptr;
  HGDIOBJ__* FOldBrush = nullptr;
  HGDIOBJ__* FOldFont = nullptr;
  bool FPenSelected = false, FBrushSelected = false, FFontSelected = false;
  std::recursive_mutex FLock;
  int FLockCount = 0;
};

// ---- pictures -------------------------------------------------------------

// A picture of any kind: bitmap, JPEG, PNG, icon.
class TGraphic : public TPersistent {
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Draws the picture stretched into r.
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  // Copies this picture into dest (a TBitmap for every kind); the default
  // refuses with Exception.
  virtual void AssignTo(TPersistent* dest) const;

  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);
  bool Modified = false;
  TNotifyEvent OnChange;

protected:
  void Changed();
  bool FTransparent = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override;
  // Lets go of the bitmap's context (the bitmap is about to change).
  void FreeContext();

protected:
  void CreateHandle() override;
  // A bitmap whose pixels are still to come gets them before any drawing.
  void HandleWanted() override;

private:
  TBitmap* FBitmap;
};

// A device-independent bitmap section. Rows are bottom-up in memory as in
// any BMP; ScanLine(y) is the address of row y counted from the top.
class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void Assign(const TPersistent* source) override;

  int Width() const override { return FImage.Width; }
  int Height() const override { return FImage.Height; }
  bool Empty() const override { return FHandle == nullptr; }
  // Keeps the pixels that still fit; new pixels are black (alpha 0).
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  void SetSize(int width, int height);

  // pfDevice reads as pf32bit: the bitmap is always a DIB.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Converts the pixels to the new format.
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const;
  // Colour table of an indexed bitmap, 0x00RRGGBB entries.
  std::vector<uint32_t> Palette() const { return FPalette; }
  void SetPalette(const std::vector<uint32_t>& colours);

  uint8_t* ScanLine(int row);
  const uint8_t* ScanLine(int row) const;
  // Bytes from one row to the next in memory (whole DWORDs).
  int RowBytes() const;
  // The pixels as a view (row 0 at the top, negative stride).
  TPixelView PixelView();
  // A copy of the pixels, rows top-down.
  TPixelImage ToPixelImage() const;
  // Replaces the bitmap by the picture (size, format, palette, pixels).
  void FromPixelImage(const TPixelImage& image);

  HBITMAP__* Handle() const {
    Realize();
    return FHandle;
  }
  // Gives up the section: the caller owns it afterwards; the bitmap is empty.
  HBITMAP__* ReleaseHandle();
  TCanvas* Canvas();
  // The memory context with the section selected (made on first use).
  HDC__* DC();

  // Transparent drawing: TransparentColor is the bottom-left pixel in
  // tmAuto, else the colour set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode = tmAuto;

  void Draw(TCanvas* canvas, const TRect& r) override;
  // BMP files; the reader refuses broken files with EInvalidGraphic.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // A bitmap resource (RT_BITMAP) of a module; "#123" names a numeric id.
  // Raises EInvalidGraphic when it is missing or broken.
  void LoadFromResourceName(HINSTANCE__* module, const std::string& name);

  // Sections alive at the moment (for leak checks).
  static int LiveHandles();

  // Pixels written only when somebody first reads or draws on them: `fill`
  // runs once, at the first access to the pixels, the handle or a drawing
  // context (the size is already the final one). An empty function, a new
  // picture or a new size drops a fill that has not run.
  void SetPendingFill(std::function<void()> fill) { FPendingFill = std::move(fill); }
  bool FillPending() const { return static_cast<bool>(FPendingFill); }

private:
  friend class TBitmapCanvas;
  void Realize() const;
  void FreeImage();
  void NewSection(int width, int height, int bitsPerPixel, bool rgb565,
                  const std::vector<uint32_t>& palette);
  void FreeContext();

  TPixelView FImage;  // over the section's memory
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<uint32_t> FPalette;
  HBITMAP__* FHandle = nullptr;
  HDC__* FDC = nullptr;
  HGDIOBJ__* FOldBitmap = nullptr;
  std::unique_ptr<TBitmapCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  mutable std::function<void()> FPendingFill;
};

// An icon or cursor handle, owned.
class TIcon : public TGraphic {
public:
  TIcon() = default;
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  void Assign(const TPersistent* source) override;
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool Empty() const override { return FHandle == nullptr; }
  void Draw(TCanvas* canvas, const TRect& r) override;
  // To a TBitmap: the icon drawn on black, 32 bits.
  void AssignTo(TPersistent* dest) const override;
  // .ico and .cur files (through the system loader, via a temporary file
  // for streams).
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;

  HICON__* Handle() const { return FHandle; }
  // Takes ownership of the handle.
  void SetHandle(HICON__* icon);
  HICON__* ReleaseHandle();
  // A cursor from a .cur or .ani file, or null.
  static HICON__* LoadCursorFile(const std::string& fileName);

private:
  void ReadSize();
  HICON__* FHandle = nullptr;
  int FWidth = 0, FHeight = 0;
  std::vector<uint8_t> FData;  // the file it came from, for SaveToStream
};

// A picture of whatever kind its file holds.
class TPicture : public TPersistent {
public:
  TPicture() = default;
  ~TPicture() override;
  void Assign(const TPersistent* source) override;
  // By extension: .bmp, .jpg/.jpeg, .png, .ico.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  TGraphic* Graphic() const { return FGraphic.get(); }
  void SetGraphic(TGraphic* graphic);  // copies
  // The picture as a bitmap (made from the graphic when it is not one).
  TBitmap* Bitmap();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  TNotifyEvent OnChange;

private:
  std::unique_ptr<TGraphic> FGraphic;
};
