#include <windows.h>
#include <commctrl.h>

#include "framework/ImgList.h"

#include <algorithm>

namespace {

// Monochrome pictures: bit 0 black, bit 1 white, whatever the colours of
// the device context they are copied to.
void SetMonoBit(TBitmap* b, int x, int y, bool white) {
  uint8_t* row = b->ScanLine(y);
  uint8_t bit = uint8_t(0x80 >> (x & 7));
  if (white)
    row[x >> 3] |= bit;
  else
    row[x >> 3] &= uint8_t(~bit);
}

std::unique_ptr<TBitmap> NewMono(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf1bit);
  b->SetPalette({0x000000, 0xFFFFFF});
  b->SetSize(w, h);
  return b;
}

// Keeps the text and background colours of a device context at black and
// white while monochrome sources are copied into it, so that a monochrome
// source means the same in every context.
class TMonoColours {
public:
  explicit TMonoColours(HDC dc)
      : FDC(dc), FText(SetTextColor(dc, RGB(0, 0, 0))), FBack(SetBkColor(dc, RGB(255, 255, 255))) {}
  ~TMonoColours() {
    SetTextColor(FDC, FText);
    SetBkColor(FDC, FBack);
  }

private:
  HDC FDC;
  COLORREF FText, FBack;
};

// Raster operation: the brush where the source is black, the destination
// where it is white.
constexpr DWORD kBrushWhereBlack = 0x00B8074A;

}  // namespace

// ---- TChangeLink ----

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

// ---- TCustomImageList ----

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int width, int height) : TComponent(AOwner) {
  SetSize(width, height);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : FLinks) link->FSender = nullptr;
  FLinks.clear();
  if (FHandle) ImageList_Destroy(FHandle);
}

void TCustomImageList::SetSize(int width, int height) {
  if (width < 0 || height < 0)
    throw EListError("Invalid image size " + std::to_string(width) + " x " + std::to_string(height));
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  FImages.clear();
  Change();
}

void TCustomImageList::SetBkColor(TColor value) {
  if (value == FBkColor) return;
  FBkColor = value;
  if (FHandle) ImageList_SetBkColor(FHandle, value == clNone ? CLR_NONE : COLORREF(ColorToRGB(value)));
  Change();
}

void TCustomImageList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Image index out of bounds (" + std::to_string(Index) + ")");
}

std::vector<TCustomImageList::TImage> TCustomImageList::Cut(TBitmap* Image, TBitmap* Mask, bool ByColor,
                                                            TColor MaskColor) const {
  std::vector<TImage> out;
  if (!Image || Image->Empty() || FWidth == 0 || FHeight == 0) return out;
  GdiFlush();
  TPixelView src = Image->PixelView();
  TPixelView mask;
  if (Mask && !Mask->Empty()) mask = Mask->PixelView();
  uint32_t key = 0;
  if (ByColor) {
    if (MaskColor == clDefault)
      key = src.PixelARGB(0, src.Height - 1) & 0xFFFFFF;
    else {
      TColor c = ColorToRGB(MaskColor);
      key = (uint32_t(ColorRed(c)) << 16) | (uint32_t(ColorGreen(c)) << 8) | ColorBlue(c);
    }
  }
  int n = src.Width / FWidth;
  for (int i = 0; i < n; ++i) {
    TImage img;
    img.Pixels.assign(size_t(FWidth) * FHeight, 0);
    img.Mask.assign(size_t(FWidth) * FHeight, 1);
    for (int y = 0; y < FHeight && y < src.Height; ++y)
      for (int x = 0; x < FWidth; ++x) {
        int sx = i * FWidth + x;
        uint32_t rgb = src.PixelARGB(sx, y) & 0xFFFFFF;
        bool transparent;
        if (ByColor)
          transparent = rgb == key;
        else if (mask.Bits)
          transparent = sx < mask.Width && y < mask.Height && (mask.PixelARGB(sx, y) & 0xFFFFFF) != 0;
        else
          transparent = false;
        size_t k = size_t(y) * FWidth + x;
        img.Mask[k] = transparent;
        img.Pixels[k] = transparent ? 0 : rgb;
      }
    out.push_back(std::move(img));
  }
  return out;
}

void TCustomImageList::InsertImages(int Index, std::vector<TImage>&& images) {
  if (images.empty()) return;
  FImages.insert(FImages.begin() + Index, std::make_move_iterator(images.begin()),
                 std::make_move_iterator(images.end()));
  Change();
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  int first = Count();
  auto images = Cut(Image, Mask, false, clNone);
  if (images.empty()) return -1;
  InsertImages(first, std::move(images));
  return first;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  int first = Count();
  auto images = Cut(Image, nullptr, true, MaskColor);
  if (images.empty()) return -1;
  InsertImages(first, std::move(images));
  return first;
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
  if (Index < 0 || Index > Count()) throw EListError("Image index out of bounds (" + std::to_string(Index) + ")");
  InsertImages(Index, Cut(Image, Mask, false, clNone));
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
  if (Index < 0 || Index > Count()) throw EListError("Image index out of bounds (" + std::to_string(Index) + ")");
  InsertImages(Index, Cut(Image, nullptr, true, MaskColor));
}

void TCustomImageList::Delete(int Index) {
  CheckIndex(Index);
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  Change();
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  auto images = Cut(Image, Mask, false, clNone);
  if (images.empty()) return;
  FImages[size_t(Index)] = std::move(images.front());
  Change();
}

uint32_t TCustomImageList::PixelARGB(int Index, int x, int y) const {
  CheckIndex(Index);
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  size_t k = size_t(y) * FWidth + x;
  const TImage& img = FImages[size_t(Index)];
  return img.Mask[k] ? 0 : (0xFF000000u | img.Pixels[k]);
}

void TCustomImageList::Invalidate() {
  FStripsValid = false;
}

void TCustomImageList::BuildStrips() {
  if (FStripsValid) return;
  FStripsValid = true;
  FStrip.reset();
  FMaskStrip.reset();
  if (FImages.empty() || FWidth == 0 || FHeight == 0) return;
  int w = FWidth * Count();
  FStrip = std::make_unique<TBitmap>(w, FHeight, pf32bit);
  FMaskStrip = NewMono(w, FHeight);
  GdiFlush();
  for (int i = 0; i < Count(); ++i) {
    const TImage& img = FImages[size_t(i)];
    for (int y = 0; y < FHeight; ++y) {
      uint8_t* row = FStrip->ScanLine(y);
      for (int x = 0; x < FWidth; ++x) {
        size_t k = size_t(y) * FWidth + x;
        int sx = i * FWidth + x;
        uint32_t p = img.Pixels[k];
        uint8_t* px = row + size_t(sx) * 4;
        px[0] = uint8_t(p);
        px[1] = uint8_t(p >> 8);
        px[2] = uint8_t(p >> 16);
        px[3] = img.Mask[k] ? 0 : 0xFF;
        SetMonoBit(FMaskStrip.get(), sx, y, img.Mask[k] != 0);
      }
    }
  }
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (!Canvas) return;
  DoDraw(Index, Canvas, X, Y, Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, bool Enabled) {
  if (Index < 0 || Index >= Count() || FWidth == 0 || FHeight == 0) return;
  BuildStrips();
  HDC dc = Canvas->Handle();
  Canvas->Lock();
  TMonoColours mono(dc);
  int sx = Index * FWidth;
  if (FBkColor != clNone) {
    HBRUSH bk = CreateSolidBrush(COLORREF(ColorToRGB(FBkColor)));
    RECT r{X, Y, X + FWidth, Y + FHeight};
    FillRect(dc, &r, bk);
    DeleteObject(bk);
  }
  if (Enabled) {
    BitBlt(dc, X, Y, FWidth, FHeight, FMaskStrip->DC(), sx, 0, SRCAND);
    BitBlt(dc, X, Y, FWidth, FHeight, FStrip->DC(), sx, 0, SRCPAINT);
  } else {
    auto shape = [&](int x, int y, TColor colour) {
      HBRUSH b = CreateSolidBrush(COLORREF(ColorToRGB(colour)));
      HGDIOBJ old = SelectObject(dc, b);
      BitBlt(dc, x, y, FWidth, FHeight, FMaskStrip->DC(), sx, 0, kBrushWhereBlack);
      SelectObject(dc, old);
      DeleteObject(b);
    };
    shape(X + 1, Y + 1, clBtnHighlight);
    shape(X, Y, clBtnShadow);
  }
  Canvas->Unlock();
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Bitmap) {
  if (!Bitmap || Index < 0 || Index >= Count()) return;
  TColor back = ColorToRGB(Bitmap->Canvas()->Brush()->Color());
  Bitmap->SetPixelFormat(pf24bit);
  Bitmap->SetSize(0, 0);
  Bitmap->SetSize(FWidth, FHeight);
  GdiFlush();
  TPixelView v = Bitmap->PixelView();
  uint32_t backARGB = 0xFF000000u | (uint32_t(ColorRed(back)) << 16) | (uint32_t(ColorGreen(back)) << 8) |
                      ColorBlue(back);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      uint32_t p = PixelARGB(Index, x, y);
      v.SetPixelARGB(x, y, p ? p : backARGB);
    }
}

void TCustomImageList::GetIcon(int Index, TIcon* Icon) {
  if (!Icon || Index < 0 || Index >= Count() || FWidth == 0 || FHeight == 0) return;
  TBitmap colour(FWidth, FHeight, pf32bit);
  auto mask = NewMono(FWidth, FHeight);
  GdiFlush();
  TPixelView v = colour.PixelView();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      uint32_t p = PixelARGB(Index, x, y);
      v.SetPixelARGB(x, y, p);
      SetMonoBit(mask.get(), x, y, p == 0);
    }
  HBITMAP colourHandle = colour.ReleaseHandle();
  HBITMAP maskHandle = mask->ReleaseHandle();
  ICONINFO info{TRUE, 0, 0, maskHandle, colourHandle};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colourHandle);
  DeleteObject(maskHandle);
  if (!icon) throw EListError("Cannot make an icon of image " + std::to_string(Index));
  Icon->SetHandle(icon);
}

_IMAGELIST* TCustomImageList::Handle() {
  if (!FHandle) {
    FHandle = ImageList_Create(std::max(FWidth, 1), std::max(FHeight, 1), ILC_COLOR32 | ILC_MASK, 0, 4);
    if (!FHandle) throw EListError("Cannot create an image list");
    ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : COLORREF(ColorToRGB(FBkColor)));
    SyncHandle();
  }
  return FHandle;
}

// The system's list takes copies of sections that no device context holds.
void TCustomImageList::SyncHandle() {
  if (!FHandle) return;
  ImageList_SetIconSize(FHandle, std::max(FWidth, 1), std::max(FHeight, 1));  // also empties it
  if (FImages.empty() || FWidth == 0 || FHeight == 0) return;
  BuildStrips();
  TBitmap image, mask;
  image.Assign(FStrip.get());
  mask.Assign(FMaskStrip.get());
  HBITMAP imageHandle = image.ReleaseHandle();
  HBITMAP maskHandle = mask.ReleaseHandle();
  ImageList_Add(FHandle, imageHandle, maskHandle);
  DeleteObject(imageHandle);
  DeleteObject(maskHandle);
}

void TCustomImageList::RegisterChanges(TChangeLink* Link) {
  if (!Link || Link->FSender == this) return;
  if (Link->FSender) Link->FSender->UnRegisterChanges(Link);
  Link->FSender = this;
  FLinks.push_back(Link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Link) {
  auto it = std::find(FLinks.begin(), FLinks.end(), Link);
  if (it == FLinks.end()) return;
  FLinks.erase(it);
  Link->FSender = nullptr;
}

void TCustomImageList::Change() {
  Invalidate();
  SyncHandle();
  if (OnChange) OnChange(this);
  // A client may unregister from its handler.
  std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* link : links)
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end() && link->OnChange) link->OnChange(this);
}
