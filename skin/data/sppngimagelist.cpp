#include "skin/data/sppngimagelist.h"

TspPngImageItem::TspPngImageItem(int index) : Name("PngImage" + std::to_string(index)),
                                              FPngImage(std::make_unique<TspPngImage>()) {}

void TspPngImageItem::Assign(const TspPngImageItem& source) {
  FPngImage->Assign(source.FPngImage.get());
  Name = source.Name;
}

TspPngImageList::TspPngImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}

void TspPngImageList::SetPngSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  SetSize(width, height);
  if (!(ComponentState() & csLoading)) FItems.clear();
}

void TspPngImageList::SetPngWidth(int value) { SetPngSize(value, Height()); }
void TspPngImageList::SetPngHeight(int value) { SetPngSize(Width(), value); }

TspPngImageItem* TspPngImageList::Add() {
  int index = int(FItems.size());
  FItems.push_back(std::make_unique<TspPngImageItem>(index));
  // The placeholder that keeps the counts equal; never drawn.
  TBitmap blank;
  blank.SetPixelFormat(pf1bit);
  blank.SetSize(Width(), Height());
  if (index <= Count()) Insert(index, &blank, nullptr);
  return FItems.back().get();
}

void TspPngImageList::Clear() {
  FItems.clear();
  TCustomImageList::Clear();
}

TspPngImageItem* TspPngImageList::Items(int index) const {
  if (index < 0 || index >= int(FItems.size())) throw EspListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[size_t(index)].get();
}

void TspPngImageList::Delete(int index) {
  Items(index);
  FItems.erase(FItems.begin() + index);
  if (index < Count()) TCustomImageList::Delete(index);
}

uint8_t spDisabledAlpha(uint8_t alpha) {
  // alpha / 256 x 128 to the nearest integer, a half going to the even one.
  unsigned half = alpha >> 1;
  if ((alpha & 1) && (half & 1)) ++half;
  return uint8_t(half);
}

void spMakeDisabledPng(const TspPngImage& source, TspPngImage& dest) {
  const int v = 127;
  int type = source.Header().ColorType;
  bool bitTransparency = source.Header().HasTransparency && (type == 0 || type == 2 || type == 3);
  dest.Assign(&source);
  if (dest.Empty()) return;
  if (type == 0 || type == 3) {
    TspPngImage rgba;
    rgba.CreateBlank(true, source.Width(), source.Height());
    for (int y = 0; y < source.Height(); ++y)
      for (int x = 0; x < source.Width(); ++x) {
        rgba.SetPixel(x, y, source.Pixel(x, y));
        bool clear = bitTransparency && source.AlphaAt(x, y) == 0;
        rgba.SetAlphaAt(x, y, uint8_t(clear ? 0 : v));
      }
    dest.Assign(&rgba);
    return;
  }
  dest.CreateAlpha();
  for (int y = 0; y < dest.Height(); ++y)
    for (int x = 0; x < dest.Width(); ++x) {
      uint8_t a = dest.AlphaAt(x, y);
      dest.SetAlphaAt(x, y, (bitTransparency && a == 0) ? 0 : spDisabledAlpha(a));
    }
}

void TspPngImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, bool Enabled) {
  TspPngImageItem* item = Items(Index);
  TRect r = Bounds(X, Y, Width(), Height());
  if (Enabled) {
    item->PngImage()->Draw(Canvas, r);
    return;
  }
  TspPngImage disabled;
  spMakeDisabledPng(*item->PngImage(), disabled);
  disabled.Draw(Canvas, r);
}
