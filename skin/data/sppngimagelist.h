// An image list of PNG pictures with alpha: each glyph is drawn from its own
// PNG, a disabled glyph from a copy at half the alpha. The list underneath
// holds a blank picture per item, so that its Count, which every user of
// image lists consults, is the number of PNG items.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/PngImage.h"
#include "framework/SysUtils.h"

using TspPngImage = TPngImage;

class EspListError : public Exception {
public:
  explicit EspListError(const std::string& m) : Exception(m) {}
};

class TspPngImageList;

class TspPngImageItem {
public:
  explicit TspPngImageItem(int index);
  TspPngImage* PngImage() const { return FPngImage.get(); }
  void SetPngImage(const TspPngImage* image) { FPngImage->Assign(image); }
  std::string Name;
  // Name, or the collection's default text when Name is empty.
  std::string DisplayName() const { return Name.empty() ? "TspPngImageItem" : Name; }
  void Assign(const TspPngImageItem& source);

private:
  std::unique_ptr<TspPngImage> FPngImage;
};

class TspPngImageList : public TCustomImageList {
public:
  explicit TspPngImageList(TComponent* AOwner);

  int PngWidth() const { return Width(); }
  int PngHeight() const { return Height(); }
  // A new size empties the list (outside form loading), as the image list
  // underneath can only hold pictures of its own size.
  void SetPngWidth(int value);
  void SetPngHeight(int value);

  TspPngImageItem* Add();
  TspPngImageItem* Items(int index) const;
  void Delete(int index);
  void Clear();

protected:
  // Draws glyph Index into (X, Y, X + PngWidth, Y + PngHeight); a disabled
  // glyph is drawn from a copy with half the alpha. Raises EspListError
  // for an index outside the list.
  void DoDraw(int Index, TCanvas* Canvas, int X, int Y, bool Enabled) override;

private:
  void SetPngSize(int width, int height);
  std::vector<std::unique_ptr<TspPngImageItem>> FItems;
};

// The disabled copy of a glyph: palette and grey pictures become RGBA with
// alpha 127 (0 where they were transparent); the others keep their colours
// and get alpha x 128 / 256, halves to even.
void spMakeDisabledPng(const TspPngImage& source, TspPngImage& dest);
uint8_t spDisabledAlpha(uint8_t alpha);
