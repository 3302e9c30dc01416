// Image lists: rows of equally sized glyphs that buttons, menus, tabs and
// tree views draw by index.
//
// The pictures are kept here, not in the system's list, so that drawing is
// the same on every device context (32-bit bitmaps of the skin included);
// the system's list (Handle) is made only for the common controls that ask
// for one and is kept up to date from then on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"

struct _IMAGELIST;

class TCustomImageList;

class EListError : public Exception {
public:
  explicit EListError(const std::string& m) : Exception(m) {}
};

// A client's subscription to a list's changes: controls that show a glyph
// of the list repaint from OnChange. The list forgets the link when the
// link goes, and the link forgets the list (Sender becomes null) when the
// list goes.
class TChangeLink {
public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  TCustomImageList* Sender() const { return FSender; }
  TNotifyEvent OnChange;

private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
public:
  explicit TCustomImageList(TComponent* AOwner);
  TCustomImageList(TComponent* AOwner, int width, int height);
  ~TCustomImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size empties the list: its pictures no longer fit.
  void SetWidth(int value) { SetSize(value, FHeight); }
  void SetHeight(int value) { SetSize(FWidth, value); }
  void SetSize(int width, int height);
  int Count() const { return int(FImages.size()); }

  // Colour behind transparent pixels when drawing; clNone (the default)
  // leaves what was under them.
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor value);

  // Appends the pictures of Image, cut into pieces of Width x Height from
  // the left (a strip adds several; a narrower image adds none). White
  // pixels of Mask are transparent; without a mask all are opaque.
  // Returns the index of the first one added, -1 when none was.
  int Add(TBitmap* Image, TBitmap* Mask);
  // The same with every pixel of MaskColor transparent; clDefault takes
  // the colour of Image's bottom-left pixel.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  // Inserts the pictures of Image before Index (0 <= Index <= Count).
  void Insert(int Index, TBitmap* Image, TBitmap* Mask);
  void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
  void Delete(int Index);
  void Clear();
  // Raise EListError for an index outside the list.
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);

  // Draws picture Index with its top-left corner at (X, Y). A disabled
  // glyph is its silhouette in the button-shadow colour over the same
  // silhouette in the highlight colour one pixel down and right. An index
  // outside the list draws nothing (descendants may differ).
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);

  // Bitmap := picture Index, Width x Height, 24 bits, transparent pixels in
  // the colour of Bitmap's canvas brush. Nothing for an index outside.
  void GetBitmap(int Index, TBitmap* Bitmap);
  // Icon := picture Index with its mask. Nothing for an index outside.
  void GetIcon(int Index, TIcon* Icon);
  // 0xAARRGGBB of pixel (x, y) of picture Index, alpha 0 where the
  // picture is transparent, 255 elsewhere.
  uint32_t PixelARGB(int Index, int x, int y) const;

  // The system's image list with the same pictures (made on first use,
  // kept until the list goes).
  _IMAGELIST* Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  void RegisterChanges(TChangeLink* Link);
  void UnRegisterChanges(TChangeLink* Link);
  TNotifyEvent OnChange;

protected:
  // Draws one glyph for Draw; Index may lie outside the list.
  virtual void DoDraw(int Index, TCanvas* Canvas, int X, int Y, bool Enabled);
  // Tells OnChange and every change link, after the pictures changed.
  virtual void Change();

private:
  struct TImage {
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, Width x Height, top row first
    std::vector<uint8_t> Mask;     // 1 = transparent
  };
  std::vector<TImage> Cut(TBitmap* Image, TBitmap* Mask, bool ByColor, TColor MaskColor) const;
  void InsertImages(int Index, std::vector<TImage>&& images);
  void CheckIndex(int Index) const;
  void Invalidate();
  void BuildStrips();
  void SyncHandle();

  int FWidth = 16, FHeight = 16;
  TColor FBkColor = clNone;
  std::vector<TImage> FImages;
  std::vector<TChangeLink*> FLinks;

  // Drawing strips, rebuilt after a change: pictures side by side with
  // transparent pixels black; the mask (1 bit, white = transparent); the
  // silhouette of the opaque pixels (1 bit, black = opaque).
  std::unique_ptr<TBitmap> FStrip, FMaskStrip, FShapeStrip;
  bool FStripsValid = false;
  _IMAGELIST* FHandle = nullptr;
};

// The image list components put on forms.
class TImageList : public TCustomImageList {
public:
  using TCustomImageList::TCustomImageList;
};
