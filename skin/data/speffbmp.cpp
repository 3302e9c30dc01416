#include "skin/data/speffbmp.h"

#include <cstdlib>
#include <unordered_map>

#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/data/SPBitmapIO.h"

namespace {

// Every TspBitmap that owns a memory DC, by that DC (one DC per bitmap).
std::unordered_map<HDC, TspBitmap*>& BitmapRegistry() {
  static std::unordered_map<HDC, TspBitmap*> registry;
  return registry;
}

struct TMsImg {
  HMODULE Module = nullptr;
  decltype(&::TransparentBlt) TransparentBlt = nullptr;
  decltype(&::AlphaBlend) AlphaBlend = nullptr;
  bool TrueColor = false;
  TMsImg() {
    const DWORD v = GetVersion();
    const int major = LOBYTE(LOWORD(v)), minor = HIBYTE(LOWORD(v));
    if (major > 5 || (major == 5 && minor <= 2)) {
      Module = LoadLibraryW(W(u"msimg32.dll"));
      if (Module) {
        TransparentBlt = reinterpret_cast<decltype(TransparentBlt)>(GetProcAddress(Module, "TransparentBlt"));
        AlphaBlend = reinterpret_cast<decltype(AlphaBlend)>(GetProcAddress(Module, "AlphaBlend"));
      }
    }
    HDC dc = GetDC(nullptr);
    TrueColor = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) > 23;
    ReleaseDC(nullptr, dc);
  }
  ~TMsImg() {
    if (Module) FreeLibrary(Module);
  }
};

// Bound once, before the first drawing; the screen depth is sampled then.
TMsImg& MsImg() {
  static TMsImg binding;
  return binding;
}

// A memory DC selecting a 32-bit top-down section of W x H.
bool NewSection(int W, int H, int bits, HBITMAP& bmp, void*& mem) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = W;
  bi.bmiHeader.biHeight = -H;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = WORD(bits);
  bi.bmiHeader.biCompression = BI_RGB;
  mem = nullptr;
  bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &mem, nullptr, 0);
  if (bmp && !mem) {
    DeleteObject(bmp);
    bmp = nullptr;
  }
  return bmp != nullptr;
}

}  // namespace

TspColor ColorToSpColor(TColor C) { return ColorToSpColorRGB(uint32_t(ColorToRGB(C)) & 0xFFFFFF); }
TspColor ColorToSpColorAlpha(TColor C, uint8_t Alpha) {
  return ColorToSpColorAlphaRGB(uint32_t(ColorToRGB(C)) & 0xFFFFFF, Alpha);
}

bool IsMsImgAvailable() { return MsImg().Module != nullptr && MsImg().TransparentBlt != nullptr; }
bool IsTrueColorScreen() { return MsImg().TrueColor; }
bool KeyedDrawUsesTransparentBlt() { return IsMsImgAvailable() && IsTrueColorScreen(); }

TspBitmap* FindBitmapByDC(HDC DC) {
  auto it = BitmapRegistry().find(DC);
  return it == BitmapRegistry().end() ? nullptr : it->second;
}

TspBitmap::TspBitmap() { MsImg(); }

TspBitmap::~TspBitmap() {
  ResetPixels();
  FCanvas.reset();
}

TspColor* TspBitmap::AllocatePixels(int W, int H) {
  void* mem = nullptr;
  HBITMAP bmp = nullptr;
  if (!NewSection(W, H, 32, bmp, mem)) throw Exception("Can't allocate the DIB handle");
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(bmp);
    throw Exception("Can't create compatible DC");
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  if (!old) {
    DeleteDC(dc);
    DeleteObject(bmp);
    throw Exception("Can't bslect an object into DC");
  }
  FHandle = bmp, FDC = dc, FOldBitmap = old;
  BitmapRegistry()[dc] = this;
  if (FCanvas) FCanvas->SetHandle(dc);
  return static_cast<TspColor*>(mem);
}

void TspBitmap::ReleasePixels() {
  if (FDC) {
    BitmapRegistry().erase(FDC);
    if (FCanvas) FCanvas->SetHandle(nullptr);
    SelectObject(FDC, FOldBitmap);
    DeleteDC(FDC);
  }
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr, FDC = nullptr, FOldBitmap = nullptr;
}

TCanvas* TspBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    if (FDC) FCanvas->SetHandle(FDC);
  }
  return FCanvas.get();
}

void TspBitmap::Assign(const TPersistent* Source) {
  if (auto* sp = dynamic_cast<const TspBitmap*>(Source)) {
    AssignPixels(*sp);
    return;
  }
  if (auto* picture = dynamic_cast<const TPicture*>(Source)) {
    TGraphic* g = picture->Graphic();
    if (!g) {
      TPersistent::Assign(Source);
      return;
    }
    if (auto* bmp = dynamic_cast<TBitmap*>(g)) {
      // A picture's bitmap is copied through the DC whatever its format.
      SetSize(bmp->Width(), bmp->Height());
      if (!Empty()) {
        BitBlt(FDC, 0, 0, FWidth, FHeight, bmp->DC(), 0, 0, SRCCOPY);
        SetAlpha(255);
      }
      return;
    }
    Assign(g);
    return;
  }
  if (auto* cbmp = dynamic_cast<const TBitmap*>(Source)) {
    auto* bmp = const_cast<TBitmap*>(cbmp);
    SetSize(bmp->Width(), bmp->Height());
    if (Empty()) return;
    if (bmp->PixelFormat() == pf32bit) {
      for (int y = 0; y < FHeight; ++y) CopyRow(reinterpret_cast<const TspColor*>(bmp->ScanLine(y)), GetRowPtr(y), FWidth);
      CheckingAlphaBlend();
    } else {
      BitBlt(FDC, 0, 0, FWidth, FHeight, bmp->DC(), 0, 0, SRCCOPY);
      SetAlpha(255);
    }
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    SetSize(g->Width(), g->Height());
    if (!Empty()) {
      DrawGraphic(const_cast<TGraphic*>(g), TRect{0, 0, FWidth, FHeight});
      SetAlpha(255);
    }
    return;
  }
  TPersistent::Assign(Source);
}

void TspBitmap::LoadFromResource(const std::string& ResFileName, const std::string& ResName) {
  // A module that fails to open must not fall back to the program's own
  // resources, which a null module handle would mean.
  HMODULE module = nullptr;
  bool own = ResFileName.empty();
  if (own) {
    module = GetModuleHandleW(nullptr);
  } else {
    std::u16string file = UTF8ToUTF16(ResFileName);
    module = LoadLibraryExW(reinterpret_cast<LPCWSTR>(file.c_str()), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  if (!module) return;
  struct TRelease {
    HMODULE M;
    bool Own;
    ~TRelease() {
      if (!Own) FreeLibrary(M);
    }
  } release{module, own};
  std::u16string wide = UTF8ToUTF16(ResName);
  LPCWSTR id = reinterpret_cast<LPCWSTR>(wide.c_str());
  if (ResName.size() > 1 && ResName[0] == '#') id = MAKEINTRESOURCEW(std::atoi(ResName.c_str() + 1));
  if (!FindResourceW(module, id, reinterpret_cast<LPCWSTR>(RT_BITMAP))) return;
  // Every depth goes through the framework's own DIB reader: the pixels are
  // those of the resource whatever the screen's depth.
  TBitmap bitmap;
  bitmap.LoadFromResourceName(module, ResName);
  Assign(&bitmap);
}

void TspBitmap::AssignTo(TPersistent* Dest) const {
  TBitmap* target = dynamic_cast<TBitmap*>(Dest);
  TPicture* picture = dynamic_cast<TPicture*>(Dest);
  if (picture) target = picture->Bitmap();
  if (!target) throw Exception("Cannot assign a TspBitmap to this object");
  target->SetPixelFormat(pf32bit);
  target->SetSize(FWidth, FHeight);
  const_cast<TspBitmap*>(this)->Draw(target->Canvas()->Handle(), 0, 0);
}

void TspBitmap::DrawGraphic(TGraphic* Graphic, const TRect& DstRect) {
  if (Empty() || !Graphic) return;
  TBitmap temp(FWidth, FHeight, pf32bit);
  TCanvas* c = temp.Canvas();
  c->Brush()->SetColor(0xFF00FF);
  c->Rectangle(-1, -1, FWidth + 1, FHeight + 1);
  c->StretchDraw(DstRect, Graphic);
  GdiFlush();
  for (int y = 0; y < FHeight; ++y) {
    const TspColor* row = reinterpret_cast<const TspColor*>(temp.ScanLine(y));
    for (int x = 0; x < FWidth; ++x)
      if ((row[x] & 0xFFFFFF) != 0xFF00FF) SetPixel(x, y, row[x]);
  }
}

std::unique_ptr<TspBitmapLink> TspBitmap::GetBitmapLink(const TRect& Rect) {
  return std::make_unique<TspBitmapLink>(this, ToSpRect(Rect));
}

std::unique_ptr<TspBitmapLink> TspBitmap::GetBitmapLink(const std::string& Rect) {
  return std::make_unique<TspBitmapLink>(this, ParseLinkRectText(Rect));
}

void DrawBitmapLink(const TspBitmapLink& Link, TCanvas* Canvas, int X, int Y) {
  auto* image = dynamic_cast<TspBitmap*>(Link.Image());
  if (!image || image->Empty() || !Link.Assigned()) return;
  const TspRect& r = Link.Rect();
  image->Draw(Canvas->Handle(), X, Y, TRect{r.Left, r.Top, r.Right, r.Bottom});
}

void TspBitmap::SaveToStream(TStream* Stream) const {
  GdiFlush();
  const std::vector<uint8_t> bytes = SaveBitmapRecord(*this);
  Stream->WriteBuffer(bytes.data(), bytes.size());
}

void TspBitmap::LoadFromStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  const std::vector<uint8_t> rest = Stream->ReadRest();
  try {
    const size_t used = LoadBitmapRecord(*this, rest.data(), rest.size());
    Stream->SetPosition(start + int64_t(used));
  } catch (...) {
    Stream->SetPosition(start);
    throw;
  }
}

void TspBitmap::LoadFromPcxStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  const std::vector<uint8_t> data = Stream->ReadRest();
  TspPcxImage image;
  if (!DecodePcx8(data.data(), data.size(), image)) {
    Stream->SetPosition(start);
    return;
  }
  PcxToBitmap(image, *this);
}

void TspBitmap::DrawOnDC(HDC DC, const TspRect& Dst, const TspRect& Src) {
  if (Empty() || RectIsEmpty(Src)) return;
  GdiFlush();
  const int dw = RectWidth(Dst), dh = RectHeight(Dst);
  switch (DrawMode()) {
    case TspDrawMode::Copy:
      SetStretchBltMode(DC, COLORONCOLOR);
      StretchBlt(DC, Dst.Left, Dst.Top, dw, dh, FDC, Src.Left, Src.Top, RectWidth(Src), RectHeight(Src), SRCCOPY);
      return;
    case TspDrawMode::Keyed:
      if (KeyedDrawUsesTransparentBlt()) {
        MsImg().TransparentBlt(DC, Dst.Left, Dst.Top, dw, dh, FDC, Src.Left, Src.Top, RectWidth(Src),
                               RectHeight(Src), TransparentKey);
        return;
      }
      [[fallthrough]];
    case TspDrawMode::Alpha: {
      // Through a copy of the destination area, drawn into with our own routines.
      if (dw <= 0 || dh <= 0) return;
      TspBitmap temp;
      temp.SetSize(dw, dh);
      BitBlt(temp.FDC, 0, 0, dw, dh, DC, Dst.Left, Dst.Top, SRCCOPY);
      GdiFlush();
      TspPixelBitmap::Draw(temp, TspRect(0, 0, dw, dh), Src);
      BitBlt(DC, Dst.Left, Dst.Top, dw, dh, temp.FDC, 0, 0, SRCCOPY);
      return;
    }
  }
}

void TspBitmap::Draw(HDC DC, const TRect& DstRect, const TRect& SrcRect) {
  TspRect dst = ToSpRect(DstRect);
  if (TspBitmap* target = FindBitmapByDC(DC)) {
    POINT org{};
    GetWindowOrgEx(DC, &org);
    dst = TspRect(dst.Left - org.x, dst.Top - org.y, dst.Right - org.x, dst.Bottom - org.y);
    GdiFlush();
    TspPixelBitmap::Draw(*target, dst, ToSpRect(SrcRect));
    return;
  }
  DrawOnDC(DC, dst, ToSpRect(SrcRect));
}

void TspBitmap::Draw(HDC DC, int X, int Y) { Draw(DC, X, Y, TRect{0, 0, FWidth, FHeight}); }
void TspBitmap::Draw(HDC DC, int X, int Y, const TRect& SrcRect) {
  Draw(DC, TRect{X, Y, X + SrcRect.Width(), Y + SrcRect.Height()}, SrcRect);
}
void TspBitmap::Draw(HDC DC, const TRect& DstRect) { Draw(DC, DstRect, TRect{0, 0, FWidth, FHeight}); }

TspDibInfo GetDCDibInfo(HDC DC) {
  TspDibInfo info;
  HGDIOBJ bmp = GetCurrentObject(DC, OBJ_BITMAP);
  DIBSECTION ds{};
  if (bmp && GetObjectW(bmp, sizeof ds, &ds) == int(sizeof ds)) {
    info.Bits = ds.dsBm.bmBits;
    info.Width = ds.dsBmih.biWidth;
    info.Height = ds.dsBmih.biHeight;
    info.BitCount = ds.dsBmih.biBitCount;
  }
  return info;
}

void TspBitmap::Tile(HDC DC, const TRect& DstRect, const TRect& SrcRect) {
  TspBitmap* target = FindBitmapByDC(DC);
  const TspDibInfo dib = target ? TspDibInfo() : GetDCDibInfo(DC);
  POINT org{};
  GetWindowOrgEx(DC, &org);
  GdiFlush();
  ForEachTileCell(ToSpRect(DstRect), ToSpRect(SrcRect), [&](const TspRect& cell, const TspRect& src) {
    const TspRect shifted(cell.Left - org.x, cell.Top - org.y, cell.Right - org.x, cell.Bottom - org.y);
    if (target)
      TspPixelBitmap::Draw(*target, shifted, src);
    else if (dib.Bits && dib.BitCount == 32 && dib.Height > 0)
      DibDrawRect(DrawMode(), static_cast<TspColor*>(dib.Bits), dib.Width, dib.Height, shifted, *this, src);
    else
      DrawOnDC(DC, cell, src);
  });
}

void TspBitmap::TileClip(HDC DC, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) {
  const TspRect clip = ToSpRect(DstClip);
  const bool all = RectIsEmpty(clip);
  ForEachTileCell(ToSpRect(DstRect), ToSpRect(SrcRect), [&](const TspRect& cell, const TspRect& src) {
    if (all || !RectIsEmpty(IntersectRects(cell, clip)))
      Draw(DC, TRect{cell.Left, cell.Top, cell.Right, cell.Bottom}, TRect{src.Left, src.Top, src.Right, src.Bottom});
  });
}

// ---- effect bitmap ----

TspEffectBmp::TspEffectBmp(int cx, int cy) { Create(cx, cy); }

TspEffectBmp::~TspEffectBmp() { ResetPixels(); }

uint8_t* TspEffectBmp::AllocatePixels(int cx, int cy, int) {
  void* mem = nullptr;
  HBITMAP bmp = nullptr;
  if (!NewSection(cx, cy, 24, bmp, mem)) throw Exception("Can't allocate the DIB handle");
  Handle = bmp;
  BmpInfo = BITMAPINFO{};
  BmpInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  BmpInfo.bmiHeader.biWidth = cx;
  BmpInfo.bmiHeader.biHeight = -cy;
  BmpInfo.bmiHeader.biPlanes = 1;
  BmpInfo.bmiHeader.biBitCount = 24;
  BmpInfo.bmiHeader.biCompression = BI_RGB;
  return static_cast<uint8_t*>(mem);
}

void TspEffectBmp::ReleasePixels() {
  if (Handle) DeleteObject(Handle);
  Handle = nullptr;
}

std::unique_ptr<TspEffectBmp> TspEffectBmp::CreateFromhWnd(HBITMAP hBmp) {
  BITMAP bm{};
  if (!hBmp || !GetObjectW(hBmp, sizeof bm, &bm)) throw Exception("Can't allocate the DIB handle");
  std::unique_ptr<TspEffectBmp> e(new TspEffectBmp(bm.bmWidth, std::abs(bm.bmHeight)));
  HDC dc = CreateDCW(W(u"DISPLAY"), nullptr, nullptr, nullptr);
  GetDIBits(dc, hBmp, 0, UINT(e->Height), e->Bits, &e->BmpInfo, DIB_RGB_COLORS);
  DeleteDC(dc);
  return e;
}

std::unique_ptr<TspEffectBmp> TspEffectBmp::CreateCopy(const TspEffectBmp& Other) {
  std::unique_ptr<TspEffectBmp> e(new TspEffectBmp());
  e->TspEffectPixels::CreateCopy(Other);
  return e;
}

void TspEffectBmp::Draw(HDC hDC, int x, int y) {
  if (!Bits) return;
  SetDIBitsToDevice(hDC, x, y, DWORD(Width), DWORD(Height), 0, 0, 0, UINT(Height), Bits, &BmpInfo, DIB_RGB_COLORS);
}

void TspEffectBmp::Stretch(HDC hDC, int x, int y, int cx, int cy) {
  if (!Bits) return;
  StretchDIBits(hDC, x, y, cx, cy, 0, 0, Width, Height, Bits, &BmpInfo, DIB_RGB_COLORS, SRCCOPY);
}

void TspEffectBmp::DrawRect(HDC hDC, int hx, int hy, int x, int y, int cx, int cy) {
  if (!Bits) return;
  StretchDIBits(hDC, hx, hy + cy - 1, cx, 1 - cy, x, Height - y, cx, 1 - cy, Bits, &BmpInfo, DIB_RGB_COLORS, SRCCOPY);
}
