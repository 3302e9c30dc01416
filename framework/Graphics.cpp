#include <windows.h>

#include "framework/Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "framework/Jpeg.h"
#include "framework/PngImage.h"
#include "framework/readers/BmpCodec.h"

namespace {
std::atomic<int> gLiveFonts{0};
std::atomic<int> gLiveBitmaps{0};

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
HDC Dc(HDC__* dc) { return dc; }

std::string ClassName(const TObject* o) { return o ? typeid(*o).name() : "nil"; }
}  // namespace

TColor ColorToRGB(TColor color) {
  if ((static_cast<uint32_t>(color) & 0xFF000000u) == static_cast<uint32_t>(clSystemColor))
    return static_cast<TColor>(GetSysColor(color & 0xFF));
  return color;
}

// ---- GDI objects ----

TGdiHandle& TGdiHandle::operator=(TGdiHandle&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

void TGdiHandle::Reset(void* handle) {
  if (FHandle && FHandle != handle) DeleteObject(static_cast<HGDIOBJ>(FHandle));
  FHandle = handle;
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

TFont::TFont() = default;

TFont::~TFont() {
  if (FHandle) --gLiveFonts;
}

int TFont::LiveHandles() { return gLiveFonts.load(); }

void TFont::Modified() {
  // The canvas that holds the old handle lets go of it first.
  Changed();
  if (FHandle) {
    FHandle.Reset();
    --gLiveFonts;
  }
}

void TFont::Assign(const TPersistent* source) {
  auto* f = dynamic_cast<const TFont*>(source);
  if (!f) {
    TPersistent::Assign(source);
    return;
  }
  if (f == this) return;
  FName = f->FName;
  FHeight = f->FHeight;
  FStyle = f->FStyle;
  FColor = f->FColor;
  FCharset = f->FCharset;
  FOrientation = f->FOrientation;
  FPitch = f->FPitch;
  FQuality = f->FQuality;
  Modified();
}

HFONT__* TFont::Handle() {
  if (!FHandle) {
    static const DWORD qualities[] = {DEFAULT_QUALITY, DRAFT_QUALITY, PROOF_QUALITY,
                                      NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY};
    DWORD pitch = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    std::u16string face = UTF8ToUTF16(FName);
    if (face.size() > 31) face.resize(31);
    HFONT f = CreateFontW(FHeight, 0, FOrientation, FOrientation, (FStyle & fsBold) ? FW_BOLD : FW_NORMAL,
                          (FStyle & fsItalic) != 0, (FStyle & fsUnderline) != 0, (FStyle & fsStrikeOut) != 0,
                          static_cast<DWORD>(FCharset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, qualities[FQuality],
                          pitch | FF_DONTCARE, reinterpret_cast<LPCWSTR>(face.c_str()));
    if (!f) throw Exception("Cannot create the font \"" + FName + "\"");
    FHandle.Reset(f);
    ++gLiveFonts;
  }
  return static_cast<HFONT>(FHandle.Get());
}

void TFont::SetName(const std::string& name) {
  if (name == FName || name.empty()) return;
  FName = name;
  Modified();
}
void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Modified();
}
int TFont::Size() const { return -MulDiv(FHeight, 72, 96); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, 96, 72)); }
void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Modified();
}
void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}
void TFont::SetCharset(int charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Modified();
}
void TFont::SetOrientation(int tenths) {
  if (tenths == FOrientation) return;
  FOrientation = tenths;
  Modified();
}
void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == FPitch) return;
  FPitch = pitch;
  Modified();
}
void TFont::SetQuality(TFontQuality quality) {
  if (quality == FQuality) return;
  FQuality = quality;
  Modified();
}

TBrush::~TBrush() = default;

void TBrush::Modified() {
  Changed();
  FHandle.Reset();
}

void TBrush::Assign(const TPersistent* source) {
  auto* b = dynamic_cast<const TBrush*>(source);
  if (!b) {
    TPersistent::Assign(source);
    return;
  }
  if (b == this) return;
  FColor = b->FColor;
  FStyle = b->FStyle;
  Modified();
}

HBRUSH__* TBrush::Handle() {
  if (FStyle == bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (!FHandle) {
    COLORREF c = static_cast<COLORREF>(ColorToRGB(FColor)) & 0xFFFFFF;
    static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
    HBRUSH b = FStyle == bsSolid ? CreateSolidBrush(c) : CreateHatchBrush(hatches[FStyle], c);
    if (!b) throw Exception("Cannot create a brush");
    FHandle.Reset(b);
  }
  return static_cast<HBRUSH>(FHandle.Get());
}

void TBrush::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (FStyle == bsClear) FStyle = bsSolid;
  Modified();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Modified();
}

TPen::~TPen() = default;

void TPen::Modified() {
  Changed();
  FHandle.Reset();
}

void TPen::Assign(const TPersistent* source) {
  auto* p = dynamic_cast<const TPen*>(source);
  if (!p) {
    TPersistent::Assign(source);
    return;
  }
  if (p == this) return;
  FColor = p->FColor;
  FWidth = p->FWidth;
  FStyle = p->FStyle;
  FMode = p->FMode;
  Modified();
}

HPEN__* TPen::Handle() {
  if (!FHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    HPEN p = CreatePen(styles[FStyle], FWidth, static_cast<COLORREF>(ColorToRGB(FColor)) & 0xFFFFFF);
    if (!p) throw Exception("Cannot create a pen");
    FHandle.Reset(p);
  }
  return static_cast<HPEN>(FHandle.Get());
}

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Modified();
}
void TPen::SetWidth(int width) {
  if (width == FWidth || width < 0) return;
  FWidth = width;
  Modified();
}
void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Modified();
}
void TPen::SetMode(TPenMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  Modified();
}

// ---- canvas ----

TCanvas::TCanvas() {
  FFont.OnChange = [this](TObject*) { ObjectChanged(2); };
  FBrush.OnChange = [this](TObject*) { ObjectChanged(1); };
  FPen.OnChange = [this](TObject*) { ObjectChanged(0); };
}

TCanvas::~TCanvas() {
  DeselectObjects();
  FFont.OnChange = nullptr;
  FBrush.OnChange = nullptr;
  FPen.OnChange = nullptr;
}

HDC__* TCanvas::Handle() {
  HandleWanted();
  if (!FHandle) CreateHandle();
  if (!FHandle) throw Exception("Canvas does not allow drawing");
  return FHandle;
}

void TCanvas::SetHandle(HDC__* dc) {
  if (dc == FHandle) return;
  DeselectObjects();
  FHandle = dc;
}

void TCanvas::DeselectObjects() {
  if (!FHandle) return;
  if (FPenSelected) SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldPen));
  if (FBrushSelected) SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldBrush));
  if (FFontSelected) SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldFont));
  FPenSelected = FBrushSelected = FFontSelected = false;
}

void TCanvas::ObjectChanged(int which) {
  if (!FHandle) return;
  if (which == 0 && FPenSelected) {
    SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldPen));
    FPenSelected = false;
  } else if (which == 1 && FBrushSelected) {
    SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldBrush));
    FBrushSelected = false;
  } else if (which == 2 && FFontSelected) {
    SelectObject(Dc(FHandle), reinterpret_cast<HGDIOBJ>(FOldFont));
    FFontSelected = false;
  }
}

void TCanvas::RequirePen() {
  HDC dc = Handle();
  if (FPenSelected) return;
  FOldPen = reinterpret_cast<HGDIOBJ__*>(SelectObject(dc, FPen.Handle()));
  static const int rops[] = {R2_COPYPEN, R2_NOT, R2_XORPEN, R2_MERGEPEN, R2_MASKPEN, R2_NOTXORPEN, R2_BLACK, R2_WHITE};
  SetROP2(dc, rops[FPen.Mode()]);
  FPenSelected = true;
}

void TCanvas::RequireBrush() {
  HDC dc = Handle();
  if (FBrushSelected) return;
  FOldBrush = reinterpret_cast<HGDIOBJ__*>(SelectObject(dc, FBrush.Handle()));
  SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(FBrush.Color())) & 0xFFFFFF);
  SetBkMode(dc, FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE);
  FBrushSelected = true;
}

void TCanvas::RequireFont() {
  HDC dc = Handle();
  if (FFontSelected) return;
  FOldFont = reinterpret_cast<HGDIOBJ__*>(SelectObject(dc, FFont.Handle()));
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FFont.Color())) & 0xFFFFFF);
  FFontSelected = true;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  RequirePen();
  Changing();
  ::LineTo(Handle(), x, y);
  Changed();
}

TPoint TCanvas::PenPos() {
  POINT p{};
  GetCurrentPositionEx(Handle(), &p);
  return TPoint{p.x, p.y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  RequirePen();
  Changing();
  ::Polyline(Handle(), reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  RequirePen();
  RequireBrush();
  Changing();
  ::Polygon(Handle(), reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  RequirePen();
  RequireBrush();
  Changing();
  ::Rectangle(Handle(), left, top, right, bottom);
  Changed();
}

void TCanvas::Ellipse(const TRect& r) {
  RequirePen();
  RequireBrush();
  Changing();
  ::Ellipse(Handle(), r.Left, r.Top, r.Right, r.Bottom);
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  RECT rc = ToRECT(r);
  Changing();
  ::FillRect(Handle(), &rc, FBrush.Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  RECT rc = ToRECT(r);
  Changing();
  ::FrameRect(Handle(), &rc, FBrush.Handle());
  Changed();
}

TColor TCanvas::Pixel(int x, int y) {
  COLORREF c = GetPixel(Handle(), x, y);
  return c == CLR_INVALID ? -1 : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  Changing();
  ::SetPixelV(Handle(), x, y, static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  std::u16string w = UTF8ToUTF16(text);
  Changing();
  ExtTextOutW(Handle(), x, y, 0, nullptr, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<UINT>(w.size()), nullptr);
  MoveToEx(Handle(), x + TextWidth(text), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  std::u16string w = UTF8ToUTF16(text);
  RECT rc = ToRECT(r);
  UINT options = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
  Changing();
  ExtTextOutW(Handle(), x, y, options, &rc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<UINT>(w.size()),
              nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequireFont();
  std::u16string w = UTF8ToUTF16(text);
  SIZE s{};
  GetTextExtentPoint32W(Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &s);
  return TSize{s.cx, s.cy};
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  HDC dc = Handle();
  HDC src = source->Handle();
  Changing();
  int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), src, sourceRect.Left, sourceRect.Top,
             sourceRect.Width(), sourceRect.Height(), CopyMode);
  SetStretchBltMode(dc, oldMode);
  Changed();
}

void TCanvas::Lock() {
  FLock.lock();
  ++FLockCount;
}

void TCanvas::Unlock() {
  --FLockCount;
  FLock.unlock();
}

bool TCanvas::TryLock() {
  if (!FLock.try_lock()) return false;
  ++FLockCount;
  return true;
}

// ---- TGraphic ----

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TGraphic::AssignTo(TPersistent* dest) const {
  throw Exception("Cannot assign a " + ClassName(this) + " to a " + ClassName(dest));
}

void TGraphic::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

void TGraphic::Changed() {
  Modified = true;
  if (OnChange) OnChange(this);
}

// ---- TBitmap ----

TBitmapCanvas::~TBitmapCanvas() { SetHandle(nullptr); }

void TBitmapCanvas::FreeContext() { SetHandle(nullptr); }

void TBitmapCanvas::HandleWanted() { FBitmap->Realize(); }

void TBitmapCanvas::CreateHandle() {
  if (FBitmap->Empty()) throw Exception("Cannot draw on an empty bitmap");
  SetHandle(FBitmap->DC());
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
  FPixelFormat = format;
  SetSize(width, height);
}

TBitmap::~TBitmap() { FreeImage(); }

int TBitmap::LiveHandles() { return gLiveBitmaps.load(); }

static int FormatBits(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

int TBitmap::BitsPerPixel() const { return FormatBits(FPixelFormat); }

void TBitmap::FreeContext() {
  if (FCanvas) FCanvas->FreeContext();
  if (FDC) {
    SelectObject(FDC, reinterpret_cast<HGDIOBJ>(FOldBitmap));
    DeleteDC(FDC);
    FDC = nullptr;
    FOldBitmap = nullptr;
  }
}

void TBitmap::Realize() const {
  if (!FPendingFill) return;
  // Cleared first: the fill itself writes through the pixel accessors.
  std::function<void()> fill = std::move(FPendingFill);
  FPendingFill = nullptr;
  fill();
}

void TBitmap::FreeImage() {
  FPendingFill = nullptr;
  FreeContext();
  if (FHandle) {
    DeleteObject(FHandle);
    FHandle = nullptr;
    --gLiveBitmaps;
  }
  FImage = TPixelView();
}

HDC__* TBitmap::DC() {
  Realize();
  if (!FHandle) return nullptr;
  if (!FDC) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) throw Exception("Cannot create a device context for a bitmap");
    FOldBitmap = reinterpret_cast<HGDIOBJ__*>(SelectObject(dc, FHandle));
    FDC = dc;
  }
  return FDC;
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

HBITMAP__* TBitmap::ReleaseHandle() {
  Realize();
  FreeContext();
  HBITMAP h = FHandle;
  if (h) --gLiveBitmaps;
  FHandle = nullptr;
  FImage = TPixelView();
  return h;
}

// Makes the section the bitmap will own; the caller frees the old one.
void TBitmap::NewSection(int width, int height, int bitsPerPixel, bool rgb565, const std::vector<uint32_t>& palette) {
  CheckImageSize(width, height, "Invalid bitmap size");
  struct {
    BITMAPINFOHEADER Header;
    DWORD Colors[256];
  } info;
  std::memset(&info, 0, sizeof info);
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = width;
  info.Header.biHeight = height;  // bottom-up, as in a BMP file
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.Header.biCompression = BI_RGB;
  std::vector<uint32_t> colours;
  if (bitsPerPixel <= 8) {
    colours = palette.empty() ? DefaultPalette(bitsPerPixel) : palette;
    colours.resize(size_t(1) << bitsPerPixel, 0);
    info.Header.biClrUsed = static_cast<DWORD>(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) info.Colors[i] = colours[i] & 0xFFFFFF;
  } else if (bitsPerPixel == 16 && rgb565) {
    info.Header.biCompression = BI_BITFIELDS;
    info.Colors[0] = 0xF800;
    info.Colors[1] = 0x07E0;
    info.Colors[2] = 0x001F;
  }
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) throw Exception("Out of system resources: cannot create a " + std::to_string(width) + " x " +
                                         std::to_string(height) + " bitmap");
  ++gLiveBitmaps;
  FreeImage();
  FHandle = section;
  FPalette = colours;
  size_t stride = DibRowBytes(width, bitsPerPixel);
  std::memset(bits, 0, stride * size_t(height));
  FImage.Bits = static_cast<uint8_t*>(bits) + stride * size_t(height - 1);
  FImage.Stride = -static_cast<ptrdiff_t>(stride);
  FImage.Width = width;
  FImage.Height = height;
  FImage.BitsPerPixel = bitsPerPixel;
  FImage.Rgb565 = rgb565;
  FImage.Palette = FPalette.data();
  FImage.PaletteSize = static_cast<int>(FPalette.size());
}

void TBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  FPendingFill = nullptr;
  if (width <= 0 || height <= 0) {
    FreeImage();
    Changed();
    return;
  }
  GdiFlush();
  TPixelImage old;
  if (FHandle) old = ToPixelImage();
  NewSection(width, height, BitsPerPixel(), FPixelFormat == pf16bit, old.Empty() ? FPalette : old.Palette);
  if (!old.Empty()) {
    int w = std::min(width, old.Width), h = std::min(height, old.Height);
    size_t bytes = DibRowBytes(w, old.BitsPerPixel);
    for (int y = 0; y < h; ++y) std::memcpy(FImage.Row(y), old.Row(y), bytes);
  }
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfDevice) format = pf32bit;
  if (format == FPixelFormat) return;
  if (!FHandle) {
    FPixelFormat = format;
    FPalette.clear();
    return;
  }
  GdiFlush();
  TPixelImage old = ToPixelImage();
  FPixelFormat = format;
  NewSection(old.Width, old.Height, FormatBits(format), format == pf16bit, {});
  ConvertPixels(old.View(), FImage);
  Changed();
}

void TBitmap::SetPalette(const std::vector<uint32_t>& colours) {
  if (BitsPerPixel() > 8) return;
  std::vector<uint32_t> p = colours;
  p.resize(size_t(1) << BitsPerPixel(), 0);
  FPalette = p;
  if (FHandle) {
    std::vector<RGBQUAD> quads(p.size());
    for (size_t i = 0; i < p.size(); ++i) {
      quads[i].rgbBlue = uint8_t(p[i]);
      quads[i].rgbGreen = uint8_t(p[i] >> 8);
      quads[i].rgbRed = uint8_t(p[i] >> 16);
      quads[i].rgbReserved = 0;
    }
    SetDIBColorTable(DC(), 0, static_cast<UINT>(quads.size()), quads.data());
    FImage.Palette = FPalette.data();
    FImage.PaletteSize = static_cast<int>(FPalette.size());
  }
  Changed();
}

uint8_t* TBitmap::ScanLine(int row) {
  Realize();
  if (!FHandle || row < 0 || row >= Height()) throw EInvalidGraphic("Scan line index out of range");
  GdiFlush();
  return FImage.Row(row);
}

const uint8_t* TBitmap::ScanLine(int row) const { return const_cast<TBitmap*>(this)->ScanLine(row); }

int TBitmap::RowBytes() const { return static_cast<int>(DibRowBytes(Width(), BitsPerPixel())); }

TPixelView TBitmap::PixelView() {
  Realize();
  GdiFlush();
  return FImage;
}

TPixelImage TBitmap::ToPixelImage() const {
  Realize();
  TPixelImage image;
  if (!FHandle) return image;
  GdiFlush();
  image.Width = Width();
  image.Height = Height();
  image.BitsPerPixel = BitsPerPixel();
  image.Rgb565 = FImage.Rgb565;
  image.Palette = FPalette;
  image.Pixels.resize(image.Stride() * size_t(image.Height));
  size_t bytes = image.Stride();
  for (int y = 0; y < image.Height; ++y) std::memcpy(image.Row(y), FImage.Row(y), bytes);
  if (image.BitsPerPixel == 32) {
    for (int y = 0; y < image.Height && !image.HasAlpha; ++y)
      for (int x = 0; x < image.Width; ++x)
        if (image.Row(y)[x * 4 + 3]) {
          image.HasAlpha = true;
          break;
        }
  }
  return image;
}

void TBitmap::FromPixelImage(const TPixelImage& image) {
  if (image.Empty()) {
    FreeImage();
    Changed();
    return;
  }
  TPixelFormat format;
  switch (image.BitsPerPixel) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 16: format = image.Rgb565 ? pf16bit : pf15bit; break;
    case 24: format = pf24bit; break;
    case 32: format = pf32bit; break;
    default: throw EInvalidGraphic("Unsupported pixel format: " + std::to_string(image.BitsPerPixel) + " bits");
  }
  FPixelFormat = format;
  NewSection(image.Width, image.Height, image.BitsPerPixel, image.Rgb565, image.Palette);
  size_t bytes = image.Stride();
  for (int y = 0; y < image.Height; ++y) std::memcpy(FImage.Row(y), image.Row(y), bytes);
  Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FreeImage();
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    if (b->Empty()) {
      FreeImage();
      FPixelFormat = b->FPixelFormat;
      FPalette = b->FPalette;
    } else {
      FromPixelImage(b->ToPixelImage());
    }
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    TransparentMode = b->TransparentMode;
    Changed();
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    g->AssignTo(this);
    return;
  }
  TPersistent::Assign(source);
}

TColor TBitmap::TransparentColor() const {
  if (TransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (!FHandle) return clDefault;
  Realize();
  GdiFlush();
  uint32_t argb = FImage.PixelARGB(0, Height() - 1);
  return RGBColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void TBitmap::SetTransparentColor(TColor color) {
  FTransparentColor = color;
  TransparentMode = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  HDC dest = canvas->Handle();
  HDC src = DC();
  if (FTransparent) {
    TransparentBlt(dest, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, Width(), Height(),
                   static_cast<UINT>(ColorToRGB(TransparentColor())) & 0xFFFFFF);
    return;
  }
  int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
  StretchBlt(dest, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, Width(), Height(), canvas->CopyMode);
  SetStretchBltMode(dest, oldMode);
}

void TBitmap::LoadFromStream(TStream* stream) {
  int64_t start = stream->Position();
  std::vector<uint8_t> bytes = stream->ReadRest();
  size_t consumed = bytes.size();
  TPixelImage image = DecodeBmp(bytes.data(), bytes.size(), &consumed);
  // Whatever follows the picture in the stream is left for the next reader.
  stream->SetPosition(start + static_cast<int64_t>(consumed));
  FromPixelImage(image);
}

void TBitmap::LoadFromResourceName(HINSTANCE__* module, const std::string& name) {
  std::u16string wide = UTF8ToUTF16(name);
  LPCWSTR id = reinterpret_cast<LPCWSTR>(wide.c_str());
  if (name.size() > 1 && name[0] == '#') id = MAKEINTRESOURCEW(std::atoi(name.c_str() + 1));
  HRSRC info = FindResourceW(module, id, reinterpret_cast<LPCWSTR>(RT_BITMAP));
  HGLOBAL res = info ? LoadResource(module, info) : nullptr;
  const void* data = res ? LockResource(res) : nullptr;
  if (!data) throw EInvalidGraphic("Bitmap resource " + name + " not found");
  FromPixelImage(DecodeDib(static_cast<const uint8_t*>(data), SizeofResource(module, info)));
}

void TBitmap::SaveToStream(TStream* stream) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty bitmap");
  std::vector<uint8_t> bytes = EncodeBmp(PixelView());
  stream->WriteBuffer(bytes.data(), bytes.size());
}

// ---- TIcon ----

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::ReadSize() {
  FWidth = FHeight = 0;
  ICONINFO info{};
  if (!FHandle || !GetIconInfo(FHandle, &info)) return;
  BITMAP bm{};
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
    FWidth = bm.bmWidth;
    FHeight = bm.bmHeight;
  } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bm, &bm)) {
    FWidth = bm.bmWidth;
    FHeight = bm.bmHeight / 2;  // AND and XOR masks one above the other
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

void TIcon::SetHandle(HICON__* icon) {
  if (icon == FHandle) return;
  if (FHandle) DestroyIcon(FHandle);
  FHandle = icon;
  FData.clear();
  ReadSize();
  Changed();
}

HICON__* TIcon::ReleaseHandle() {
  HICON h = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  FData.clear();
  return h;
}

void TIcon::Assign(const TPersistent* source) {
  if (source == this) return;
  if (auto* i = dynamic_cast<const TIcon*>(source)) {
    std::vector<uint8_t> data = i->FData;
    SetHandle(i->FHandle ? CopyIcon(i->FHandle) : nullptr);
    FData = data;
    return;
  }
  TPersistent::Assign(source);
}

void TIcon::Draw(TCanvas* canvas, const TRect& r) {
  if (!FHandle) return;
  DrawIconEx(canvas->Handle(), r.Left, r.Top, FHandle, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> data = stream->ReadRest(16u << 20);
  auto u16 = [&](size_t o) { return unsigned(data[o] | (data[o + 1] << 8)); };
  auto u32 = [&](size_t o) {
    return uint32_t(data[o]) | (uint32_t(data[o + 1]) << 8) | (uint32_t(data[o + 2]) << 16) | (uint32_t(data[o + 3]) << 24);
  };
  if (data.size() < 6 || u16(0) != 0 || (u16(2) != 1 && u16(2) != 2) || u16(4) == 0)
    throw EInvalidGraphic("Invalid icon: the file is not an icon or cursor file");
  bool isIcon = u16(2) == 1;
  unsigned count = u16(4);
  if (6 + size_t(count) * 16 > data.size()) throw EInvalidGraphic("Invalid icon: the file ends inside its directory");
  // The largest image that the file really holds.
  size_t best = SIZE_MAX;
  unsigned bestArea = 0;
  for (unsigned i = 0; i < count; ++i) {
    size_t e = 6 + size_t(i) * 16;
    uint32_t bytes = u32(e + 8), offset = u32(e + 12);
    if (bytes < 40 || offset > data.size() || bytes > data.size() - offset)
      throw EInvalidGraphic("Invalid icon: image " + std::to_string(i) + " lies outside the file");
    unsigned w = data[e] ? data[e] : 256, h = data[e + 1] ? data[e + 1] : 256;
    if (best == SIZE_MAX || w * h > bestArea) {
      best = e;
      bestArea = w * h;
    }
  }
  uint32_t bytes = u32(best + 8), offset = u32(best + 12);
  std::vector<uint8_t> resource;
  if (!isIcon) {  // a cursor resource starts with its hot spot
    unsigned hx = u16(best + 4), hy = u16(best + 6);
    resource = {uint8_t(hx), uint8_t(hx >> 8), uint8_t(hy), uint8_t(hy >> 8)};
  }
  resource.insert(resource.end(), data.begin() + offset, data.begin() + offset + bytes);
  HICON icon = CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), isIcon, 0x00030000, 0, 0,
                                        LR_DEFAULTCOLOR);
  if (!icon) throw EInvalidGraphic("Invalid icon: the system cannot read its image");
  SetHandle(icon);
  FData = std::move(data);
}

void TIcon::AssignTo(TPersistent* dest) const {
  auto* b = dynamic_cast<TBitmap*>(dest);
  if (!b) {
    TGraphic::AssignTo(dest);
    return;
  }
  if (!FHandle) {
    b->Assign(nullptr);
    return;
  }
  b->SetPixelFormat(pf32bit);
  b->SetSize(0, 0);
  b->SetSize(FWidth, FHeight);
  DrawIconEx(b->Canvas()->Handle(), 0, 0, FHandle, FWidth, FHeight, 0, nullptr, DI_NORMAL);
}

void TIcon::SaveToStream(TStream* stream) {
  if (FData.empty()) throw EInvalidGraphic("Cannot save an icon that did not come from a file");
  stream->WriteBuffer(FData.data(), FData.size());
}

HICON__* TIcon::LoadCursorFile(const std::string& fileName) {
  std::u16string w = UTF8ToUTF16(fileName);
  return LoadCursorFromFileW(reinterpret_cast<LPCWSTR>(w.c_str()));
}

// ---- TPicture ----

TPicture::~TPicture() = default;

static std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic* g) {
  if (dynamic_cast<const TBitmap*>(g)) return std::make_unique<TBitmap>();
  if (dynamic_cast<const TJPEGImage*>(g)) return std::make_unique<TJPEGImage>();
  if (dynamic_cast<const TPngImage*>(g)) return std::make_unique<TPngImage>();
  if (dynamic_cast<const TIcon*>(g)) return std::make_unique<TIcon>();
  throw Exception("Unknown picture type " + ClassName(g));
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    FGraphic.reset();
  } else if (graphic != FGraphic.get()) {
    std::unique_ptr<TGraphic> copy = NewGraphicLike(graphic);
    copy->Assign(graphic);
    FGraphic = std::move(copy);
  }
  if (OnChange) OnChange(this);
}

void TPicture::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<TGraphic> g;
  if (ext == ".bmp" || ext == ".dib")
    g = std::make_unique<TBitmap>();
  else if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jfif")
    g = std::make_unique<TJPEGImage>();
  else if (ext == ".png")
    g = std::make_unique<TPngImage>();
  else if (ext == ".ico" || ext == ".cur")
    g = std::make_unique<TIcon>();
  else
    throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
  g->LoadFromFile(fileName);
  FGraphic = std::move(g);
  if (OnChange) OnChange(this);
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(FGraphic.get())) return b;
  auto b = std::make_unique<TBitmap>();
  if (FGraphic && !FGraphic->Empty()) b->Assign(FGraphic.get());
  FGraphic = std::move(b);
  return static_cast<TBitmap*>(FGraphic.get());
}
