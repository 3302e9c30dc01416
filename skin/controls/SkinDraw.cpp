#include "skin/controls/SkinDraw.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/SysUtils.h"
#include "skin/data/SPUtils.h"
#include "skin/data/spPicture.h"

void TspFontDesc::AssignTo(TFont* font) const {
  font->SetName(Name);
  font->SetHeight(Height);
  font->SetStyle((Bold ? fsBold : 0u) | (Italic ? fsItalic : 0u) | (Underline ? fsUnderline : 0u));
  font->SetColor(static_cast<TColor>(Color & 0xFFFFFF));
  font->SetCharset(DEFAULT_CHARSET);
}

namespace {
int gLiveBuffers = 0;

inline uint32_t Mix(uint32_t a, uint32_t b, int alpha) {
  // Rounded a*alpha/255 + b*(255-alpha)/255 per channel.
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    int v = (ca * alpha + cb * (255 - alpha) + 127) / 255;
    out |= static_cast<uint32_t>(v) << shift;
  }
  return out;
}
}  // namespace

HFONT TspFontDesc::Create(int escapement) const {
  LOGFONTW lf = {};
  lf.lfHeight = Height;
  lf.lfEscapement = escapement;
  lf.lfOrientation = escapement;
  lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Italic;
  lf.lfUnderline = Underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::u16string face = UTF8ToUTF16(Name);
  size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
  std::copy(face.begin(), face.begin() + n, reinterpret_cast<char16_t*>(lf.lfFaceName));
  return CreateFontIndirectW(&lf);
}

namespace {
// Paints come in bursts of the same few sizes; keeping a handful of released
// DIB sections saves creating one per paint, which dominates a small control.
struct TCachedDib {
  int w, h;
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  uint32_t* bits;
};
std::vector<TCachedDib>& DibCache() {
  static std::vector<TCachedDib> cache;
  return cache;
}
constexpr size_t kDibCacheSize = 8;
}  // namespace

TspPaintBuffer::TspPaintBuffer(int width, int height) : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {
  auto& cache = DibCache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->w == FWidth && it->h == FHeight) {
      FDC = it->dc;
      FBitmap = it->bmp;
      FOld = it->old;
      FBits = it->bits;
      cache.erase(it);
      ++gLiveBuffers;
      return;
    }
  }
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = FWidth;
  bi.bmiHeader.biHeight = -FHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  FDC = CreateCompatibleDC(nullptr);
  if (!FDC) throw Exception("Can't create compatible DC");
  void* bits = nullptr;
  FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!FBitmap) {
    DeleteDC(FDC);
    throw Exception("Can't allocate the DIB handle");
  }
  FBits = static_cast<uint32_t*>(bits);
  FOld = SelectObject(FDC, FBitmap);
  ++gLiveBuffers;
}

TCanvas* TspPaintBuffer::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetHandle(FDC);
  }
  return FCanvas.get();
}

TspPaintBuffer::~TspPaintBuffer() {
  // The canvas gives back the context with its own objects taken out.
  if (FCanvas) FCanvas->SetHandle(nullptr);
  FCanvas.reset();
  --gLiveBuffers;
  auto& cache = DibCache();
  // A buffer comes back as it was made: no clip, origin or objects left over.
  if (cache.size() < kDibCacheSize && FWidth * FHeight <= 512 * 512) {
    SelectClipRgn(FDC, nullptr);
    SetViewportOrgEx(FDC, 0, 0, nullptr);
    cache.push_back(TCachedDib{FWidth, FHeight, FDC, FBitmap, FOld, FBits});
    return;
  }
  SelectObject(FDC, FOld);
  DeleteObject(FBitmap);
  DeleteDC(FDC);
}

int TspPaintBuffer::LiveCount() { return gLiveBuffers; }

COLORREF TspPaintBuffer::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return CLR_INVALID;
  GdiFlush();
  uint32_t v = FBits[y * FWidth + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void TspPaintBuffer::Fill(const RECT& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(FDC, &r, b);
  DeleteObject(b);
}

void TspPaintBuffer::Frame(const RECT& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FrameRect(FDC, &r, b);
  DeleteObject(b);
}

void TspPaintBuffer::Text(const std::string& text, RECT r, const TspFontDesc& font, COLORREF color, UINT flags,
                          int escapement) {
  if (text.empty()) return;
  HFONT f = font.Create(escapement);
  HGDIOBJ old = SelectObject(FDC, f);
  SetBkMode(FDC, TRANSPARENT);
  SetTextColor(FDC, color);
  std::u16string w = UTF8ToUTF16(text);
  DrawTextW(FDC, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &r, flags);
  SelectObject(FDC, old);
  DeleteObject(f);
}

void TspPaintBuffer::BlendOver(const TspPaintBuffer& background, int alpha) {
  if (background.FWidth != FWidth || background.FHeight != FHeight) return;
  alpha = std::max(0, std::min(255, alpha));
  GdiFlush();
  for (int i = 0, n = FWidth * FHeight; i < n; ++i) FBits[i] = Mix(FBits[i], background.FBits[i], alpha);
}

void TspPaintBuffer::MorphTo(const TspPaintBuffer& other, double k) {
  if (other.FWidth != FWidth || other.FHeight != FHeight) return;
  k = std::max(0.0, std::min(1.0, k));
  BlendOver(other, static_cast<int>(std::lrint((1.0 - k) * 255)));
}

void TspPaintBuffer::DrawTo(HDC dc, int x, int y) const {
  GdiFlush();
  BitBlt(dc, x, y, FWidth, FHeight, FDC, 0, 0, SRCCOPY);
}

RECT DrawDefaultFace(TspPaintBuffer& b, const RECT& r, TspFaceState state) {
  COLORREF frame = state == fsNormalFace ? GetSysColor(COLOR_BTNSHADOW) : kDefaultHotFrame;
  COLORREF fill = state == fsNormalFace ? GetSysColor(COLOR_BTNFACE)
                                        : state == fsHotFace ? kDefaultHotFill : kDefaultDownFill;
  b.Frame(r, frame);
  RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  if (in.right > in.left && in.bottom > in.top) b.Fill(in, fill);
  return in;
}

void DrawArrowGlyph(HDC dc, const RECT& r, TspArrowDirection direction, COLORREF color) {
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  POINT p[3];
  switch (direction) {
    case adLeft: p[0] = {cx - 2, cy}; p[1] = {cx + 1, cy - 3}; p[2] = {cx + 1, cy + 3}; break;
    case adRight: p[0] = {cx + 2, cy}; p[1] = {cx - 1, cy - 3}; p[2] = {cx - 1, cy + 3}; break;
    case adUp: p[0] = {cx, cy - 2}; p[1] = {cx - 3, cy + 1}; p[2] = {cx + 3, cy + 1}; break;
    case adDown: p[0] = {cx, cy + 2}; p[1] = {cx - 3, cy - 1}; p[2] = {cx + 3, cy - 1}; break;
  }
  HBRUSH b = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, pen);
  Polygon(dc, p, 3);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(b);
  DeleteObject(pen);
}

int FontTextHeight(TFont* font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

void DrawFocusFrame(HDC dc, const RECT& r) {
  RECT f{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  if (f.right > f.left && f.bottom > f.top) DrawFocusRect(dc, &f);
}

void DrawSolidLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

uint32_t* TspPaintBuffer::Bits() const {
  GdiFlush();
  return FBits;
}

HRGN RegionFromMask(const TspImageSource& mask) {
  std::vector<TspRect> runs;
  for (int y = 0; y < mask.Height; ++y) {
    const uint32_t* row = mask.Pixels + size_t(y) * size_t(mask.Width);
    int x = 0;
    while (x < mask.Width) {
      while (x < mask.Width && (row[x] & 0xFFFFFF) != 0) ++x;
      const int start = x;
      while (x < mask.Width && (row[x] & 0xFFFFFF) == 0) ++x;
      if (x > start) runs.emplace_back(start, y, x, y + 1);
    }
  }
  return CreateRegionFromRuns(runs);
}

namespace {

// The mask picture as the 24-bit bitmap the region builders read.
std::unique_ptr<TBitmap> MaskBitmap(const TspImageSource& mask) {
  auto b = std::make_unique<TBitmap>(mask.Width, mask.Height, pf24bit);
  for (int y = 0; y < mask.Height; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < mask.Width; ++x) {
      uint32_t p = mask.Pixels[size_t(y) * mask.Width + x];
      row[3 * x] = p & 0xFF;
      row[3 * x + 1] = (p >> 8) & 0xFF;
      row[3 * x + 2] = (p >> 16) & 0xFF;
    }
  }
  return b;
}

TPoint P(POINT p) { return TPoint{p.x, p.y}; }
TRect R(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

HRGN NinePartRegionFromMask(const TspImageSource& mask, POINT lt, POINT rt, POINT lb, POINT rb, const RECT& clRect,
                            POINT newLT, POINT newRT, POINT newLB, POINT newRB, const RECT& newClRect, int width,
                            int height) {
  if (mask.Empty()) return nullptr;
  std::unique_ptr<TBitmap> b = MaskBitmap(mask);
  HRGN rgn = nullptr;
  CreateNinePartRegion(rgn, P(lt), P(rt), P(lb), P(rb), R(clRect), P(newLT), P(newRT), P(newLB), P(newRB),
                       R(newClRect), b.get(), width, height);
  return rgn;
}

void DrawGlyphAndCaption(HDC dc, const RECT& r, const TspFontDesc& font, int margin, int spacing, int layout,
                         const std::string& caption, TBitmap* glyph, int numGlyphs, int glyphIndex, bool down,
                         bool drawMarker, COLORREF markerColor) {
  TCanvas canvas;
  canvas.SetHandle(dc);
  font.AssignTo(canvas.Font());
  DrawStripGlyphAndText(&canvas, R(r), margin, spacing, static_cast<TspButtonLayout>(layout), caption,
                        glyph && !glyph->Empty() ? glyph : nullptr, numGlyphs, glyphIndex, down, drawMarker,
                        static_cast<TColor>(markerColor));
  canvas.SetHandle(nullptr);
}

void DrawImageListGlyphAndCaption(HDC dc, const RECT& r, const TspFontDesc& font, int margin, int spacing, int layout,
                                  const std::string& caption, TCustomImageList* images, int index, bool enabled,
                                  bool down, bool drawMarker, COLORREF markerColor) {
  TCanvas canvas;
  canvas.SetHandle(dc);
  font.AssignTo(canvas.Font());
  const std::u16string text = UTF8ToUTF16(caption);
  int tw = 0, th = 0;
  if (!text.empty()) {
    tw = GetDrawTextWidth(&canvas, text);
    th = GetDrawTextHeight(&canvas, text);
    canvas.Brush()->SetStyle(bsClear);
  }
  int tx, ty, gx, gy;
  CalcGlyphAndTextPos(static_cast<TspButtonLayout>(layout), TspRect{r.left, r.top, r.right, r.bottom}, images->Width(),
                      images->Height(), tw, th, spacing, margin, tx, ty, gx, gy);
  if (down) ++gx, ++gy, ++tx, ++ty;
  if (!text.empty()) {
    TRect t{tx, ty, tx + tw + 2, ty + th};
    CanvasDrawTextW(&canvas, text, t, DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER);
  }
  images->Draw(&canvas, gx, gy, index, enabled);
  if (drawMarker) {
    // Three lines under the picture.
    const int gw = images->Width(), gh = images->Height();
    for (int row = gy + gh - 2; row <= gy + gh; ++row) DrawSolidLine(dc, gx, row, gx + gw, row, markerColor);
  }
  canvas.SetHandle(nullptr);
}

TspGlowLayer::TspGlowLayer() : FManager(new TspLayerManager(nullptr)) {}

TspGlowLayer::~TspGlowLayer() {
  Hide();
  delete FManager;
}

bool TspGlowLayer::Fits(const TSpec& spec) {
  return spec.ResizeMode == 0 || spec.ResizeMode == 1 || (spec.ResizeMode == 2 && spec.UseSkinSize);
}

void TspGlowLayer::Show(TBitmap* glow, TBitmap* mask, const TSpec& spec, int x, int y, int alpha, bool topMost) {
  if (!glow || glow->Empty() || !Fits(spec)) return;
  FManager->TopMostMode = topMost;
  if (spec.ResizeMode == 0) {
    FManager->Show(x, y, glow, mask, alpha);
    return;
  }
  // The picture grows by what the button grew beyond its element.
  auto resized = [&](TBitmap* from) -> std::unique_ptr<TBitmap> {
    if (!from || from->Empty()) return nullptr;
    int w = from->Width() - spec.SkinWidth + spec.Width;
    int h = spec.ResizeMode == 1 ? from->Height() - spec.SkinHeight + spec.Height : from->Height();
    if (w <= 0 || h <= 0) return nullptr;
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    TRect whole{0, 0, from->Width(), from->Height()};
    if (spec.ResizeMode == 1)
      DrawSkinRectStretched(b.get(), from, whole,
                            TRect{spec.OffsetLeft, spec.OffsetTop, from->Width() - spec.OffsetRight,
                                  from->Height() - spec.OffsetBottom},
                            true);
    else
      CreateHorzThreePartImage(spec.OffsetLeft, spec.OffsetRight, b.get(), from, whole, w, h, true);
    return b;
  };
  std::unique_ptr<TBitmap> image = resized(glow), shape = resized(mask);
  if (!image) return;
  FManager->Show(x, y, image.get(), shape.get(), alpha);
}

void TspGlowLayer::Hide() {
  if (FManager->IsVisible()) FManager->Hide();
}

bool TspGlowLayer::Visible() const { return FManager->IsVisible(); }

void DrawMarkerGlyph(HDC dc, const TspPicture* picture, const RECT& src, const RECT& target, COLORREF transparent) {
  if (!picture || src.right <= src.left || src.bottom <= src.top) return;
  int mw = src.right - src.left, mh = src.bottom - src.top;
  TspPaintBuffer mark(mw, mh);
  GdiFlush();
  uint32_t* bits = mark.Bits();
  for (int j = 0; j < mh; ++j)
    for (int i = 0; i < mw; ++i) {
      int sx = src.left + i, sy = src.top + j;
      uint32_t p = (sx >= 0 && sy >= 0 && sx < picture->Width && sy < picture->Height)
                       ? picture->Pixels[static_cast<size_t>(sy) * picture->Width + sx] & 0xFFFFFF
                       : ((transparent & 0xFF) << 16) | (transparent & 0xFF00) | ((transparent >> 16) & 0xFF);
      bits[static_cast<size_t>(j) * mw + i] = p;
    }
  int x = target.left + (target.right - target.left) / 2 - mw / 2;
  int y = target.top + (target.bottom - target.top) / 2 - mh / 2;
  TransparentBlt(dc, x, y, mw, mh, mark.DC(), 0, 0, mw, mh, transparent & 0xFFFFFF);
}
