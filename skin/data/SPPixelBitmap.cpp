#include "skin/data/SPPixelBitmap.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

TspPixelBitmap::~TspPixelBitmap() { ResetPixels(); }

TspColor* TspPixelBitmap::AllocatePixels(int W, int H) {
  FHeap.assign(size_t(W) * size_t(H), 0);
  return FHeap.data();
}

void TspPixelBitmap::ReleasePixels() { std::vector<TspColor>().swap(FHeap); }

void TspPixelBitmap::ResetPixels() {
  if (FBits) ReleasePixels();
  FBits = nullptr;
  FWidth = FHeight = 0;
}

void TspPixelBitmap::SetSize(int AWidth, int AHeight) {
  // 64-bit: abs(INT_MIN) must not wrap.
  const long long w = std::llabs((long long)AWidth), h = std::llabs((long long)AHeight);
  if (w == 0 || h == 0 || (w == FWidth && h == FHeight)) return;
  ResetPixels();
  if (w > MaxBitmapSide || h > MaxBitmapSide) throw Exception("Can't allocate the DIB handle");
  FBits = AllocatePixels(int(w), int(h));  // throws on failure, leaving us empty
  FWidth = int32_t(w);
  FHeight = int32_t(h);
}

TspColor TspPixelBitmap::GetPixel(int X, int Y) const {
  if (!FBits || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  return *GetPixelPtr(X, Y);
}

void TspPixelBitmap::SetPixel(int X, int Y, TspColor Value) {
  if (!FBits || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  *GetPixelPtr(X, Y) = Value;
}

void TspPixelBitmap::Clear(TspColor Color) {
  if (FBits) FillRow(FBits, FWidth * FHeight, Color);
}

void TspPixelBitmap::AssignPixels(const TspPixelBitmap& Source) {
  if (&Source == this) return;
  if (Source.Empty()) {
    ResetPixels();
  } else {
    SetSize(Source.FWidth, Source.FHeight);
    CopyRow(Source.FBits, FBits, FWidth * FHeight);
  }
  FName = Source.FName;
  FTransparent = Source.FTransparent;
  FAlphaBlend = Source.FAlphaBlend;
}

namespace {
// Rewrites the three colour channels of each pixel as channel(value, alpha);
// the alpha stays.
template <class Channel>
void MapColourChannels(TspColor* bits, int count, Channel channel) {
  for (int i = 0; i < count; ++i) {
    const TspColor p = bits[i];
    const uint32_t a = p >> 24;
    uint32_t r = p & 0xFF000000;
    for (int s = 0; s < 24; s += 8) r |= channel((p >> s) & 0xFF, a) << s;
    bits[i] = r;
  }
}
}  // namespace

void TspPixelBitmap::CheckRGBA() {
  MapColourChannels(FBits, FWidth * FHeight, [](uint32_t c, uint32_t a) { return std::min(c, a); });
}

void TspPixelBitmap::CheckRGBA2() {
  MapColourChannels(FBits, FWidth * FHeight, [](uint32_t c, uint32_t a) {
    // Round(a * c / 255), ties to even, in integers: q = floor, rem decides.
    const uint32_t num = a * c, q = num / 255, rem = num % 255;
    return (rem * 2 > 255 || (rem * 2 == 255 && (q & 1))) ? q + 1 : q;
  });
}

namespace {
TspRect ClipToBitmap(const TspRect& r, int w, int h) {
  return TspRect(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, w), std::min(r.Bottom, h));
}
}  // namespace

void TspPixelBitmap::CheckingAlphaBlend() { CheckingAlphaBlend(TspRect(0, 0, FWidth, FHeight)); }

void TspPixelBitmap::CheckingAlphaBlend(const TspRect& ARect) {
  FAlphaBlend = false;
  if (!FBits) return;
  const TspRect c = ClipToBitmap(ARect, FWidth, FHeight);
  for (int y = c.Top; y < c.Bottom && !FAlphaBlend; ++y) {
    const TspColor* row = GetRowPtr(y);
    for (int x = c.Left; x < c.Right; ++x) {
      const uint32_t a = row[x] >> 24;
      if (a != 0 && a != 255) {
        FAlphaBlend = true;
        break;
      }
    }
  }
}

void TspPixelBitmap::CheckingTransparent(TspColor Color) {
  CheckingTransparent(TspRect(0, 0, FWidth, FHeight), Color);
}

void TspPixelBitmap::CheckingTransparent(const TspRect& ARect, TspColor Color) {
  FTransparent = false;
  if (!FBits) return;
  const TspRect c = ClipToBitmap(ARect, FWidth, FHeight);
  const int kr = int((Color >> 16) & 0xFF), kg = int((Color >> 8) & 0xFF), kb = int(Color & 0xFF);
  for (int y = c.Top; y < c.Bottom; ++y) {
    TspColor* row = GetRowPtr(y);
    for (int x = c.Left; x < c.Right; ++x) {
      const TspColor p = row[x];
      if (std::abs(int((p >> 16) & 0xFF) - kr) < 6 && std::abs(int((p >> 8) & 0xFF) - kg) < 6 &&
          std::abs(int(p & 0xFF) - kb) < 6) {
        row[x] = TransparentKey;
        FTransparent = true;
      }
    }
  }
}

void TspPixelBitmap::SetAlpha(uint8_t Alpha) {
  if (FBits) SetAlphaRow(FBits, FWidth * FHeight, Alpha);
}

void TspPixelBitmap::SetAlpha(uint8_t Alpha, const TspRect& Rect) {
  if (!FBits || RectWidth(Rect) == 0 || RectHeight(Rect) == 0) return;
  const TspRect c = ClipToBitmap(Rect, FWidth, FHeight);
  if (RectIsEmpty(c)) return;
  SetAlphaPixelRect(FBits, FWidth, FHeight, Alpha, c.Bottom - 1, c.Right - 1, c.Top, c.Left);
}

// ---- drawing one picture into another ----

namespace {

void ApplyRow(TspDrawMode mode, const TspColor* src, TspColor* dst, int n) {
  switch (mode) {
    case TspDrawMode::Copy: CopyRow(src, dst, n); break;
    case TspDrawMode::Keyed: KeyCopyRow(src, dst, n); break;
    case TspDrawMode::Alpha: BlendRow(src, dst, n); break;
  }
}

// Nearest-neighbour map of one axis: single-precision ratio, truncated.
void StretchMap(std::vector<int>& map, int clipStart, int clipCount, int dstStart, int dstLen,
                int srcStart, int srcEnd) {
  map.resize(size_t(clipCount));
  if (dstLen < 2) {
    std::fill(map.begin(), map.end(), (srcStart + srcEnd - 1) / 2);
    return;
  }
  const float ratio = float(srcEnd - srcStart - 1) / float(dstLen - 1);
  for (int q = 0; q < clipCount; ++q)
    map[size_t(q)] = int(std::trunc(double(q + clipStart - dstStart) * double(ratio) + double(srcStart)));
}

}  // namespace

void DrawBitmapRect(TspDrawMode Mode, TspPixelBitmap& Dst, const TspRect& DstRect, const TspRect& ClipRect,
                    const TspPixelBitmap& Src, const TspRect& SrcRect) {
  if (SrcRect.Right <= SrcRect.Left || SrcRect.Bottom <= SrcRect.Top) return;
  if (Dst.Empty() || Src.Empty()) return;
  const TspRect clip = IntersectRects(IntersectRects(ClipRect, TspRect(0, 0, Dst.Width(), Dst.Height())), DstRect);
  if (RectIsEmpty(clip)) return;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src.Width() || SrcRect.Bottom > Src.Height())
    return;
  const int cw = RectWidth(clip), ch = RectHeight(clip);
  if (RectWidth(SrcRect) == RectWidth(DstRect) && RectHeight(SrcRect) == RectHeight(DstRect)) {
    const int sx = SrcRect.Left + clip.Left - DstRect.Left, sy = SrcRect.Top + clip.Top - DstRect.Top;
    for (int r = 0; r < ch; ++r)
      ApplyRow(Mode, Src.GetPixelPtr(sx, sy + r), Dst.GetPixelPtr(clip.Left, clip.Top + r), cw);
    EndMmx();
    return;
  }
  std::vector<int> cols, rows;
  StretchMap(cols, clip.Left, cw, DstRect.Left, RectWidth(DstRect), SrcRect.Left, SrcRect.Right);
  StretchMap(rows, clip.Top, ch, DstRect.Top, RectHeight(DstRect), SrcRect.Top, SrcRect.Bottom);
  if (Mode == TspDrawMode::Copy) {
    for (int r = 0; r < ch; ++r) {
      TspColor* d = Dst.GetPixelPtr(clip.Left, clip.Top + r);
      if (r > 0 && rows[size_t(r)] == rows[size_t(r - 1)]) {
        CopyRow(d - Dst.Width(), d, cw);
        continue;
      }
      const TspColor* s = Src.GetRowPtr(rows[size_t(r)]);
      for (int q = 0; q < cw; ++q) d[q] = s[cols[size_t(q)]];
    }
  } else {
    TArrayOfseColor buf(static_cast<size_t>(cw));
    int last = -1;
    for (int r = 0; r < ch; ++r) {
      if (rows[size_t(r)] != last) {
        last = rows[size_t(r)];
        const TspColor* s = Src.GetRowPtr(last);
        for (int q = 0; q < cw; ++q) buf[size_t(q)] = s[cols[size_t(q)]];
      }
      ApplyRow(Mode, buf.data(), Dst.GetPixelPtr(clip.Left, clip.Top + r), cw);
    }
  }
  EndMmx();
}

void DibDrawRect(TspDrawMode Mode, TspColor* Bits, int Width, int Height, const TspRect& Cell,
                 const TspPixelBitmap& Src, const TspRect& SrcRect) {
  if (!Bits || Width <= 0 || Height <= 0 || Src.Empty()) return;
  const TspRect src = IntersectRects(SrcRect, TspRect(0, 0, Src.Width(), Src.Height()));
  if (RectIsEmpty(src)) return;
  // The cell as far as the source reaches, then clipped to the section.
  TspRect cell(Cell.Left + (src.Left - SrcRect.Left), Cell.Top + (src.Top - SrcRect.Top), 0, 0);
  cell.Right = std::min(Cell.Right, cell.Left + RectWidth(src));
  cell.Bottom = std::min(Cell.Bottom, cell.Top + RectHeight(src));
  const TspRect clip = IntersectRects(cell, TspRect(0, 0, Width, Height));
  if (RectIsEmpty(clip)) return;
  const int sx = src.Left + clip.Left - cell.Left, sy = src.Top + clip.Top - cell.Top;
  for (int y = clip.Top; y < clip.Bottom; ++y)
    ApplyRow(Mode, Src.GetPixelPtr(sx, sy + y - clip.Top), Bits + ptrdiff_t(Height - 1 - y) * Width + clip.Left,
             RectWidth(clip));
  EndMmx();
}

void TspPixelBitmap::Draw(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& SrcRect) const {
  DrawBitmapRect(DrawMode(), Bitmap, DstRect, DstRect, *this, SrcRect);
}

void TspPixelBitmap::Draw(TspPixelBitmap& Bitmap, int X, int Y) const {
  Draw(Bitmap, X, Y, TspRect(0, 0, FWidth, FHeight));
}

void TspPixelBitmap::Draw(TspPixelBitmap& Bitmap, int X, int Y, const TspRect& SrcRect) const {
  Draw(Bitmap, TspRect(X, Y, X + RectWidth(SrcRect), Y + RectHeight(SrcRect)), SrcRect);
}

void TspPixelBitmap::Draw(TspPixelBitmap& Bitmap, const TspRect& DstRect) const {
  Draw(Bitmap, DstRect, TspRect(0, 0, FWidth, FHeight));
}

void ForEachTileCell(const TspRect& DstRect, const TspRect& SrcRect,
                     const std::function<void(const TspRect&, const TspRect&)>& DrawCell) {
  const int w = RectWidth(SrcRect), h = RectHeight(SrcRect);
  if (w <= 0 || h <= 0 || RectIsEmpty(DstRect)) return;
  const int cols = (RectWidth(DstRect) + w - 1) / w, rows = (RectHeight(DstRect) + h - 1) / h;
  for (int i = 0; i <= cols; ++i) {
    for (int j = 0; j <= rows; ++j) {
      const TspRect full(DstRect.Left + i * w, DstRect.Top + j * h, DstRect.Left + (i + 1) * w,
                         DstRect.Top + (j + 1) * h);
      const TspRect cell = IntersectRects(full, DstRect);
      if (RectIsEmpty(cell)) break;
      const TspRect src(SrcRect.Left, SrcRect.Top, SrcRect.Left + RectWidth(cell), SrcRect.Top + RectHeight(cell));
      DrawCell(cell, src);
    }
  }
}

void TspPixelBitmap::Tile(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& SrcRect) const {
  ForEachTileCell(DstRect, SrcRect, [&](const TspRect& cell, const TspRect& src) { Draw(Bitmap, cell, src); });
}

void TspPixelBitmap::TileClip(TspPixelBitmap& Bitmap, const TspRect& DstRect, const TspRect& DstClip,
                              const TspRect& SrcRect) const {
  const bool all = RectIsEmpty(DstClip);
  ForEachTileCell(DstRect, SrcRect, [&](const TspRect& cell, const TspRect& src) {
    if (all || !RectIsEmpty(IntersectRects(cell, DstClip))) Draw(Bitmap, cell, src);
  });
}

void TspPixelBitmap::MergeDraw(const TspPixelBitmap& Bitmap, int X, int Y, const TspRect& SrcRect) {
  if (!FBits || Bitmap.Empty()) return;
  const int x0 = std::max(SrcRect.Left, 0), x1 = std::min(SrcRect.Right, Bitmap.Width());
  const int y0 = std::max(SrcRect.Top, 0), y1 = std::min(SrcRect.Bottom, Bitmap.Height());
  for (int b = y0; b < y1; ++b) {
    const int dy = Y + b - SrcRect.Top;
    if (dy < 0 || dy >= FHeight) continue;
    for (int a = x0; a < x1; ++a) {
      const int dx = X + a - SrcRect.Left;
      if (dx < 0 || dx >= FWidth) continue;
      TspColor& d = *GetPixelPtr(dx, dy);
      const uint32_t da = d >> 24;
      if (da == 0)
        d = *Bitmap.GetPixelPtr(a, b);
      else if (da != 255)
        d = BlendPixel(d, *Bitmap.GetPixelPtr(a, b));
    }
  }
  EndMmx();
}

void TspPixelBitmap::FillRect(const TspRect& R, TspColor Color) {
  if (!FBits) return;
  const TspRect c = ClipToBitmap(R, FWidth, FHeight);
  if (RectIsEmpty(c)) return;
  if (FAlphaBlend) {
    TArrayOfseColor row(static_cast<size_t>(RectWidth(c)));
    FillRow(row.data(), RectWidth(c), Color);
    for (int y = c.Top; y < c.Bottom; ++y) BlendRow(row.data(), GetPixelPtr(c.Left, y), RectWidth(c));
    EndMmx();
  } else {
    FillPixelRect(FBits, FWidth, FHeight, Color, c.Bottom - 1, c.Right - 1, c.Top, c.Left);
  }
}

void TspPixelBitmap::FlipVert() {
  if (!FBits) return;
  TArrayOfseColor row(static_cast<size_t>(FWidth));
  for (int i = 0; i < FHeight / 2; ++i) {
    CopyRow(GetRowPtr(i), row.data(), FWidth);
    CopyRow(GetRowPtr(FHeight - 1 - i), GetRowPtr(i), FWidth);
    CopyRow(row.data(), GetRowPtr(FHeight - 1 - i), FWidth);
  }
}

void TspPixelBitmap::ReflectionBy(int Divisor) {
  if (!FBits) return;  // an empty picture would divide by its zero height
  FlipVert();
  const double step = (1.0 / FHeight) * 2;
  double k = 1;
  for (int y = 0; y < FHeight; ++y) {
    TspColor* row = GetRowPtr(y);
    for (int x = 0; x < FWidth; ++x) {
      const uint32_t a = row[x] >> 24;
      if (a == 0) continue;
      const long long v = std::max(0LL, (long long)std::nearbyint(double(a) * k) / Divisor);
      row[x] = (row[x] & 0x00FFFFFF) | (TspColor(std::min(v, 255LL)) << 24);
    }
    k -= step;
  }
}

void TspPixelBitmap::Reflection() { ReflectionBy(3); }
void TspPixelBitmap::Reflection2() { ReflectionBy(4); }
void TspPixelBitmap::Reflection3() { ReflectionBy(2); }

// ---- stack blur and alpha from masks ----

namespace {

// One pass of the stack blur along a line of n samples of three channels:
// load(k, s) puts sample k into s[0..2], store(k, c0, c1, c2) takes the
// blurred sample k. Samples beyond the ends repeat the end ones. `stack`
// holds 2R + 1 samples.
template <class Load, class Store>
void StackBlurLine(int n, int R, uint32_t* stack, Load load, Store store) {
  const int div = 2 * R + 1, r1 = R + 1, last = n - 1;
  const uint32_t divsum = uint32_t(r1) * uint32_t(r1);
  uint32_t sum[3] = {}, in[3] = {}, out[3] = {};
  for (int i = -R; i <= R; ++i) {
    uint32_t* s = &stack[size_t(i + R) * 3];
    load(std::min(last, std::max(i, 0)), s);
    const uint32_t wt = uint32_t(r1 - std::abs(i));
    for (int c = 0; c < 3; ++c) {
      sum[c] += s[c] * wt;
      (i > 0 ? in : out)[c] += s[c];
    }
  }
  int sp = R;
  for (int k = 0; k < n; ++k) {
    store(k, sum[0] / divsum, sum[1] / divsum, sum[2] / divsum);
    uint32_t* s = &stack[size_t((sp - R + div) % div) * 3];
    for (int c = 0; c < 3; ++c) sum[c] -= out[c], out[c] -= s[c];
    load(std::min(k + r1, last), s);
    for (int c = 0; c < 3; ++c) in[c] += s[c], sum[c] += in[c];
    sp = (sp + 1) % div;
    s = &stack[size_t(sp) * 3];
    for (int c = 0; c < 3; ++c) out[c] += s[c], in[c] -= s[c];
  }
}

}  // namespace

void StackBlurBitmap(TspPixelBitmap& Bitmap, int R) {
  if (R <= 0 || Bitmap.Empty()) return;
  R = std::min(R, MaxStackBlurRadius);
  const int w = Bitmap.Width(), h = Bitmap.Height();
  std::vector<uint8_t> pr(size_t(w) * h), pg(size_t(w) * h), pb(size_t(w) * h);
  std::vector<uint32_t> stack(size_t(2 * R + 1) * 3);
  TspColor* bits = Bitmap.Bits();

  // Rows into the three channel planes, then columns back into the bitmap
  // (opaque).
  for (int y = 0; y < h; ++y) {
    const TspColor* row = bits + ptrdiff_t(y) * w;
    const size_t at = size_t(y) * w;
    StackBlurLine(
        w, R, stack.data(),
        [&](int x, uint32_t* s) {
          const TspColor p = row[x];
          s[0] = (p >> 16) & 0xFF, s[1] = (p >> 8) & 0xFF, s[2] = p & 0xFF;
        },
        [&](int x, uint32_t r, uint32_t g, uint32_t b) {
          pr[at + x] = uint8_t(r), pg[at + x] = uint8_t(g), pb[at + x] = uint8_t(b);
        });
  }
  for (int x = 0; x < w; ++x) {
    StackBlurLine(
        h, R, stack.data(),
        [&](int y, uint32_t* s) {
          const size_t yi = size_t(y) * w + x;
          s[0] = pr[yi], s[1] = pg[yi], s[2] = pb[yi];
        },
        [&](int y, uint32_t r, uint32_t g, uint32_t b) {
          bits[ptrdiff_t(y) * w + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        });
  }
}

void SetAlphaFromMask(TspPixelBitmap& Bitmap, const TspPixelBitmap& Mask) {
  // Only the overlap: a smaller mask must not be read past its end.
  const int w = std::min(Bitmap.Width(), Mask.Width()), h = std::min(Bitmap.Height(), Mask.Height());
  for (int y = 0; y < h; ++y) {
    TspColor* d = Bitmap.GetRowPtr(y);
    const TspColor* m = Mask.GetRowPtr(y);
    for (int x = 0; x < w; ++x) {
      const TspColor p = m[x];
      const uint32_t a = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
      d[x] = (d[x] & 0x00FFFFFF) | (a << 24);
    }
  }
}

void SetAlphaFromMaskPremultiplied(TspPixelBitmap& Bitmap, const TspPixelBitmap& Mask) {
  SetAlphaFromMask(Bitmap, Mask);
  Bitmap.CheckRGBA2();
}
