// The layered border around a skinned form and its four layer windows.
#include "skin/frame/LayeredBorder.h"

#include <algorithm>
#include <cmath>

#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"

namespace {

bool RectEmpty(const TspRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
int RW(const TspRect& r) { return RectWidth(r); }
int RH(const TspRect& r) { return RectHeight(r); }
// The skin's numbers come as they stand: differences and sums of them are
// taken wide and clamped.
int Sub(int64_t a, int64_t b) { return ClampToInt(a - b); }
int Add(int64_t a, int64_t b) { return ClampToInt(a + b); }

// Raw pixels (alpha included) of Src's rectangle into Dst's, stretched
// nearest-neighbour; both rectangles are clipped to their pictures.
void CopyPixels(TspPixelBitmap& Dst, int DL, int DT, int DW, int DH, const TspPixelBitmap& Src, int SL, int ST,
                int SW, int SH) {
  if (DW <= 0 || DH <= 0 || SW <= 0 || SH <= 0 || Dst.Empty() || Src.Empty()) return;
  for (int y = 0; y < DH; ++y) {
    const int dy = DT + y;
    if (dy < 0 || dy >= Dst.Height()) continue;
    const int sy = ST + int((long long)y * SH / DH);
    if (sy < 0 || sy >= Src.Height()) continue;
    TspColor* d = Dst.GetRowPtr(dy);
    const TspColor* s = Src.GetRowPtr(sy);
    for (int x = 0; x < DW; ++x) {
      const int dx = DL + x;
      const int sx = SL + int((long long)x * SW / DW);
      if (dx < 0 || dx >= Dst.Width() || sx < 0 || sx >= Src.Width()) continue;
      d[dx] = s[sx];
    }
  }
}

// A horizontal band of the source (rows SrcTop..SrcTop+H) at AWidth: the
// ends as they are, the part between LX and RX stretched.
void ThreePartRow(TspPixelBitmap& Dst, const TspPixelBitmap& Src, int LX, int RX, int SrcTop, int H) {
  const int PW = Src.Width(), AW = Dst.Width();
  LX = std::clamp(LX, 0, PW);
  RX = std::clamp(RX, LX, PW);
  const int right = PW - RX;
  CopyPixels(Dst, 0, 0, LX, H, Src, 0, SrcTop, LX, H);
  CopyPixels(Dst, AW - right, 0, right, H, Src, RX, SrcTop, right, H);
  CopyPixels(Dst, LX, 0, AW - LX - right, H, Src, LX, SrcTop, RX - LX, H);
}

std::unique_ptr<TspBitmap> PictureWithMask(TspSkinData* SD, int PictureIndex, int MaskIndex) {
  const int n = int(SD->FActivePictures.size());
  if (PictureIndex < 0 || PictureIndex >= n) return nullptr;
  const TspPicture& p = SD->FActivePictures[size_t(PictureIndex)];
  if (p.Empty()) return nullptr;
  auto b = std::make_unique<TspBitmap>();
  b->SetSize(p.Width, p.Height);
  for (int y = 0; y < p.Height; ++y) {
    TspColor* row = b->GetRowPtr(y);
    for (int x = 0; x < p.Width; ++x) {
      const uint32_t c = p.Pixel(x, y);
      row[x] = p.HasAlpha ? c : (c | 0xFF000000u);
    }
  }
  if (MaskIndex >= 0 && MaskIndex < n && !SD->FActivePictures[size_t(MaskIndex)].Empty()) {
    const TspPicture& m = SD->FActivePictures[size_t(MaskIndex)];
    TspPixelBitmap mask;
    mask.SetSize(m.Width, m.Height);
    for (int y = 0; y < m.Height; ++y)
      for (int x = 0; x < m.Width; ++x) mask.SetPixel(x, y, m.Pixel(x, y));
    SetAlphaFromMask(*b, mask);
  }
  b->CheckingAlphaBlend();
  return b;
}

// The black pixels of the mask's rectangle (L, T, W, H), placed at the
// origin, as an empty region when there are none. The rectangle comes from
// the skin as it stands: only its part inside the mask is read, and one
// whose offsets leave the coordinate range has no pixels.
HRGN MaskCornerRegion(const TspPicture& M, int64_t L, int64_t T, int64_t W, int64_t H) {
  const int64_t x0 = std::max<int64_t>(0, -L), x1 = std::min<int64_t>(W, M.Width - L);
  const int64_t y0 = std::max<int64_t>(0, -T), y1 = std::min<int64_t>(H, M.Height - T);
  std::vector<TspRect> runs;
  if (x0 < x1 && y0 < y1 && x1 <= INT32_MAX && y1 <= INT32_MAX) {
    for (int64_t y = y0; y < y1; ++y) {
      const int py = int(T + y);
      int64_t x = x0;
      while (x < x1) {
        if ((M.Pixel(int(L + x), py) & 0xFFFFFF) != 0) {
          ++x;
          continue;
        }
        const int64_t start = x;
        while (x < x1 && (M.Pixel(int(L + x), py) & 0xFFFFFF) == 0) ++x;
        runs.emplace_back(int(start), int(y), int(x), int(y + 1));
      }
    }
  }
  HRGN rgn = CreateRegionFromRuns(runs);
  return rgn ? rgn : CreateRectRgn(0, 0, 0, 0);
}

void FreeRgn(HRGN& r) {
  if (r) DeleteObject(r);
  r = nullptr;
}

TRect FormRect(TspDynamicSkinForm* dsf) { return dsf->FormBounds(); }

}  // namespace

TspLayerFrameBounds LayerFrameBoundsFor(const TspDataSkinLayerFrame& D, int PW, int PH, int FL, int FT, int FW,
                                        int FH) {
  TspLayerFrameBounds b;
  b.X = ClampToInt(int64_t(FL) + D.LeftOffset - D.ClRect.Left);
  b.Y = ClampToInt(int64_t(FT) + D.TopOffset - D.ClRect.Top);
  b.Width = ClampToInt(int64_t(FW) + D.WidthOffset + PW - RW(D.ClRect));
  b.Height = ClampToInt(int64_t(FH) + PH - RH(D.ClRect));
  return b;
}

// ---------------------------------------------------------------------------
// TspFormLayerBorder

TspFormLayerBorder::TspFormLayerBorder(TspDynamicSkinForm* AOwner) : TComponent(AOwner), DSF(AOwner) {
  MouseTimer = new TTimer(this);
  MouseTimer->SetEnabled(false);
  MouseTimer->SetInterval(500);
  MouseTimer->OnTimer = [this](TObject*) { MouseTimerCheck(); };
  PurgeTimer = new TTimer(this);
  PurgeTimer->SetEnabled(false);
  PurgeTimer->SetInterval(1);
  PurgeTimer->OnTimer = [this](TObject*) {
    PurgeTimer->SetEnabled(false);
    FRetired.clear();
  };
}

TspFormLayerBorder::~TspFormLayerBorder() {
  MouseTimer->SetEnabled(false);
  MouseTimer->OnTimer = nullptr;
  PurgeTimer->SetEnabled(false);
  PurgeTimer->OnTimer = nullptr;
  FreeWindows();
  FRetired.clear();
  FreePieces();
  DeleteRegions(true);
}

void TspFormLayerBorder::FreeWindows() {
  bool any = false;
  for (TspFormLayerWindow** w : {&LeftBorder, &RightBorder, &TopBorder, &BottomBorder}) {
    if (!*w) continue;
    if (HWND h = (*w)->HandleIfAllocated())
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    // A retired window must not act on the border any more.
    (*w)->FDown = false;
    (*w)->Retired = true;
    FRetired.emplace_back(*w);
    *w = nullptr;
    any = true;
  }
  if (any && PurgeTimer) PurgeTimer->SetEnabled(true);
}

void TspFormLayerBorder::FreePieces() {
  LeftImage.reset();
  TopImage.reset();
  RightImage.reset();
  BottomImage.reset();
}

void TspFormLayerBorder::DeleteRegions(bool All) {
  for (HRGN* r : {&TopRgn, &BottomRgn, &RightRgn, &LeftRgn}) FreeRgn(*r);
  if (All)
    for (HRGN* r : {&DataRgn1, &DataRgn2, &DataRgn3, &DataRgn4}) FreeRgn(*r);
}

void TspFormLayerBorder::InitFrame(TspSkinData* ASkinData, TCustomForm* AForm) {
  FForm = AForm;
  FSD = ASkinData;
  FData = (ASkinData && !ASkinData->Empty) ? ASkinData->LayerFrame.get() : nullptr;
  FSourceBitmap.reset();
  FSourceInActiveBitMap.reset();
  if (FData && FData->PictureIndex == -1) FData = nullptr;
  if (FData) {
    FSourceBitmap = PictureWithMask(FSD, FData->PictureIndex, FData->MaskPictureIndex);
    // A picture index that names no picture counts as no element.
    if (!FSourceBitmap) FData = nullptr;
  }
  if (!FData) {
    DeleteRegions(true);
    return;
  }
  FIsAeroEnabled = IsWindowsVistaOrLater() && IsDwmCompositionEnabled();
  FCurrentAlphaBlendValue = FData->AlphaBlendValue;
  FCurrentInActiveAlphaBlendValue = FData->InActiveAlphaBlendValue;
  if (FData->InActivePictureIndex != -1)
    FSourceInActiveBitMap = PictureWithMask(FSD, FData->InActivePictureIndex, FData->InActiveMaskPictureIndex);
  const TspRect& B = FData->BorderRect;
  const TspRect& C = FData->ClRect;
  if (RectEmpty(B)) {
    LeftSize = TopSize = RightSize = BottomSize = 0;
  } else {
    LeftSize = Sub(C.Left, B.Left);
    TopSize = Sub(C.Top, B.Top);
    RightSize = Sub(B.Right, C.Right);
    BottomSize = Sub(B.Bottom, C.Bottom);
    HitTopLeftX = Sub(FData->HitTestLTPoint.X, B.Left);
    HitTopLeftY = Sub(FData->HitTestLTPoint.Y, B.Top);
    HitTopRightX = Sub(B.Right, FData->HitTestRTPoint.X);
    HitTopRightY = Sub(FData->HitTestRTPoint.Y, B.Top);
    HitBottomLeftX = Sub(FData->HitTestLBPoint.X, B.Left);
    HitBottomLeftY = Sub(B.Bottom, FData->HitTestLBPoint.Y);
    HitBottomRightX = Sub(B.Right, FData->HitTestRBPoint.X);
    HitBottomRightY = Sub(B.Bottom, FData->HitTestRBPoint.Y);
  }
  if (FData->FullBorder) {
    for (auto& o : DSF->ObjectList) o->InitAlphaImages();
    DSF->IsAlphaIcon = DSF->IconHasAlpha();
    OldActiveObject = ActiveObject = MouseCaptureObject = -1;
  }
  CreateBlurMaskRegions();
}

TspLayerFrameBounds TspFormLayerBorder::FormFrame(int FL, int FT, int FW, int FH, bool Animated) const {
  int fh = ClampToInt(int64_t(FH) + FData->HeightOffset);
  if (!Animated && DSF->IsCollapsedLayerFrame()) fh = FData->RollUpFormHeight;
  return LayerFrameBoundsFor(*FData, PictureWidth(), PictureHeight(), FL, FT, FW, fh);
}

uint8_t TspFormLayerBorder::CurrentAlpha() const {
  return uint8_t(std::clamp(FActive ? FCurrentAlphaBlendValue : FCurrentInActiveAlphaBlendValue, 0, 255));
}

void TspFormLayerBorder::CreateLayerImages(int AWidth, int AHeight) {
  FreePieces();
  TspBitmap* src = FSourceBitmap.get();
  if (!FActive && FSourceInActiveBitMap) src = FSourceInActiveBitMap.get();
  if (!src) return;
  const int PW = src->Width(), PH = src->Height();
  const TspDataSkinLayerFrame& D = *FData;
  auto make = [](int w, int h) {
    auto b = std::make_unique<TspBitmap>();
    if (w > 0 && h > 0) b->SetSize(w, h);
    return b;
  };
  if (D.RBPoint.X == 0 && D.RBPoint.Y == 0) {
    TopImage = make(PW, PH);
    CopyPixels(*TopImage, 0, 0, PW, PH, *src, 0, 0, PW, PH);
    TopImage->CheckingAlphaBlend();
    TopImage->CheckRGBA();
    return;
  }
  AWidth = std::max(AWidth, 1);
  const int TopH = std::clamp(std::max(D.LTPoint.Y, D.RTPoint.Y), 0, PH);
  TopImage = make(AWidth, TopH);
  if (TopH > 0) ThreePartRow(*TopImage, *src, D.LTPoint.X, D.RTPoint.X, 0, TopH);
  TopImage->CheckingAlphaBlend();
  if (D.FullBorder && TopH > 0) {
    ArrangeCaptionObjects();
    TCanvas* c = TopImage->Canvas();
    for (auto& o : DSF->ObjectList)
      if (o->Visible) o->DrawAlpha(c, TopImage.get());
    GdiFlush();
  }
  // The bottom piece: its own height when the frame is tall enough, else
  // what is left below the top piece, showing the picture's last rows so
  // that the outer edge stays whole.
  const int BH = std::clamp(PH - std::min(D.LBPoint.Y, D.RBPoint.Y), 0, PH);
  const int bh = TopH + BH <= AHeight ? BH : std::max(0, AHeight - TopH);
  BottomImage = make(AWidth, bh);
  if (bh > 0) {
    TspBitmap band;
    band.SetSize(PW, bh);
    CopyPixels(band, 0, 0, PW, bh, *src, 0, PH - bh, PW, bh);
    ThreePartRow(*BottomImage, band, D.LBPoint.X, D.RBPoint.X, 0, bh);
  }
  BottomImage->CheckingAlphaBlend();
  const int SH = AHeight - TopH - bh;
  if (SH <= 0) {
    LeftImage = make(0, 0);
    RightImage = make(0, 0);
  } else {
    const int lw = std::clamp(D.ClRect.Left, 0, PW), rw = std::clamp(PW - D.ClRect.Right, 0, PW);
    const int bandTop = TopH, bandH = std::max(0, PH - bh - TopH);
    LeftImage = make(lw, SH);
    RightImage = make(rw, SH);
    // An empty middle band has nothing to repeat: the sides stay clear.
    if (bandH > 0) {
      auto fill = [&](TspBitmap* img, int srcLeft, int w) {
        if (!img || img->Empty()) return;
        if (D.FullStretch) {
          CopyPixels(*img, 0, 0, w, SH, *src, srcLeft, bandTop, w, bandH);
        } else {
          for (int y = 0; y < SH; y += bandH) {
            const int h = std::min(bandH, SH - y);
            CopyPixels(*img, 0, y, w, h, *src, srcLeft, bandTop, w, h);
          }
        }
      };
      fill(LeftImage.get(), 0, lw);
      fill(RightImage.get(), D.ClRect.Right, rw);
    }
    LeftImage->CheckingAlphaBlend();
    RightImage->CheckingAlphaBlend();
  }
  for (TspBitmap* b : {TopImage.get(), BottomImage.get(), LeftImage.get(), RightImage.get()})
    if (b && !b->Empty()) b->CheckRGBA();
  if (BlurOn()) CreateBlurRegions();
}

bool TspFormLayerBorder::BlurOn() const {
  return FIsAeroEnabled && FSD && FSD->AeroBlurEnabled() && !DSF->AlphaBlend();
}

void TspFormLayerBorder::CreateBlurMaskRegions() {
  DeleteRegions(true);
  if (!FData || !FSD || FData->BlurMaskPictureIndex < 0 ||
      FData->BlurMaskPictureIndex >= int(FSD->FActivePictures.size()))
    return;
  const TspPicture& M = FSD->FActivePictures[size_t(FData->BlurMaskPictureIndex)];
  if (M.Empty()) return;
  const TspDataSkinLayerFrame& D = *FData;
  const int64_t MW = M.Width, MH = M.Height;
  DataRgn1 = MaskCornerRegion(M, 0, 0, D.LTPoint.X, D.LTPoint.Y);
  DataRgn2 = MaskCornerRegion(M, D.RTPoint.X, 0, MW - D.RTPoint.X, D.RTPoint.Y);
  DataRgn3 = MaskCornerRegion(M, 0, D.LBPoint.Y, D.LBPoint.X, MH - D.LBPoint.Y);
  DataRgn4 = MaskCornerRegion(M, D.RBPoint.X, D.RBPoint.Y, MW - D.RBPoint.X, MH - D.RBPoint.Y);
  OffsetRgn(DataRgn2, D.RTPoint.X, 0);
  OffsetRgn(DataRgn4, D.RBPoint.X, 0);
}

void TspFormLayerBorder::CreateBlurRegions() {
  DeleteRegions(false);
  if (!DataRgn1 || !TopImage) return;
  const TspDataSkinLayerFrame& D = *FData;
  const int x = TopImage->Width() - PictureWidth();
  const TspRect& I = D.IntersectBlurMaskRect;
  const TspRect& E = D.ExcludeBlurMaskRect;
  auto withCorners = [x](HRGN base, HRGN left, HRGN right) {
    if (left) CombineRgn(base, base, left, RGN_OR);
    if (right) {
      HRGN r = CreateRectRgn(0, 0, 0, 0);
      CombineRgn(r, right, nullptr, RGN_COPY);
      OffsetRgn(r, x, 0);
      CombineRgn(base, base, r, RGN_OR);
      DeleteObject(r);
    }
    return base;
  };
  TopRgn = withCorners(CreateRectRgn(D.LTPoint.X, I.Top, Add(D.RTPoint.X, x), E.Top), DataRgn1, DataRgn2);
  BottomRgn = withCorners(CreateRectRgn(D.LBPoint.X, Sub(E.Bottom, D.LBPoint.Y), Add(D.RBPoint.X, x),
                                        Sub(I.Bottom, D.LBPoint.Y)),
                          DataRgn3, DataRgn4);
  if (LeftImage && LeftImage->Height() > 0) LeftRgn = CreateRectRgn(I.Left, 0, E.Left, LeftImage->Height());
  if (RightImage && RightImage->Height() > 0)
    RightRgn = CreateRectRgn(Sub(E.Right, D.ClRect.Right), 0, Sub(I.Right, D.ClRect.Right), RightImage->Height());
}

void TspFormLayerBorder::PutPiece(TspFormLayerWindow* W, TspBitmap* Image, HRGN BlurRgn) {
  if (!W || !Image || Image->Empty()) return;
  HWND h = W->Handle();
  RECT r;
  GetWindowRect(h, &r);
  UpdateLayeredWindowFromBitmap(Image, CurrentAlpha(), h, r.left, r.top);
  if (BlurOn() && BlurRgn) EnableWindowBlurBehind(h, true, BlurRgn);
}

void TspFormLayerBorder::PlaceWindows(int X, int Y, int AWidth, int AHeight, UINT ExtraFlags) {
  const UINT show = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | ExtraFlags;
  auto place = [&](TspFormLayerWindow* w, int x, int y, UINT flags) {
    if (w) SetWindowPos(w->Handle(), HWND_TOP, x, y, 0, 0, flags);
  };
  if (!LeftBorder) {  // one undivided piece
    place(TopBorder, X, Y, show);
    return;
  }
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  place(TopBorder, X, Y, show);
  place(BottomBorder, X, Y + AHeight - BH, show);
  auto side = [&](TspFormLayerWindow* w, TspBitmap* img, int x) {
    if (img && img->Height() > 0)
      place(w, x, Y + TH, show);
    else if (w)
      SetWindowPos(w->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
  };
  side(LeftBorder, LeftImage.get(), X);
  side(RightBorder, RightImage.get(), X + AWidth - (RightImage ? RightImage->Width() : 0));
}

void TspFormLayerBorder::Show(int X, int Y, int AWidth, int AHeight) {
  if (!FData) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FVisible = true;
  CreateLayerImages(AWidth, AHeight);
  FreeWindows();
  auto make = [this](TspFormLayerBorderType t) {
    auto* w = new TspFormLayerWindow(this, FForm);
    w->BorderType = t;
    w->HandleNeeded();
    return w;
  };
  if (!(FData->RBPoint.X == 0 && FData->RBPoint.Y == 0)) {
    LeftBorder = make(spflLeft);
    RightBorder = make(spflRight);
    TopBorder = make(spflTop);
    BottomBorder = make(spflBottom);
  } else {
    TopBorder = make(spflTop);
  }
  // Each piece goes onto its window at its final place.
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  auto at = [](TspFormLayerWindow* w, int x, int y) {
    if (w) SetWindowPos(w->Handle(), nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER);
  };
  at(TopBorder, X, Y);
  at(BottomBorder, X, Y + AHeight - BH);
  at(LeftBorder, X, Y + TH);
  at(RightBorder, X + AWidth - (RightImage ? RightImage->Width() : 0), Y + TH);
  PutPiece(TopBorder, TopImage.get(), TopRgn);
  PutPiece(BottomBorder, BottomImage.get(), BottomRgn);
  if (LeftImage && LeftImage->Height() > 0) PutPiece(LeftBorder, LeftImage.get(), LeftRgn);
  if (RightImage && RightImage->Height() > 0) PutPiece(RightBorder, RightImage.get(), RightRgn);
  PlaceWindows(X, Y, AWidth, AHeight, 0);
}

void TspFormLayerBorder::Hide() {
  FVisible = false;
  MouseTimer->SetEnabled(false);
  FreePieces();
  FreeWindows();
}

bool TspFormLayerBorder::RenderForSize(int AWidth, int AHeight) {
  if (!FData || !FVisible || !TopBorder) return false;
  FWidth = AWidth;
  FHeight = AHeight;
  CreateLayerImages(AWidth, AHeight);
  return true;
}

void TspFormLayerBorder::SetBounds(int X, int Y, int AWidth, int AHeight) {
  if (!RenderForSize(AWidth, AHeight)) return;
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  auto put = [&](TspFormLayerWindow* w, TspBitmap* img, HRGN rgn, int x, int y) {
    if (!w || !img || img->Empty()) return;
    UpdateLayeredWindowFromBitmap(img, CurrentAlpha(), w->Handle(), x, y);
    if (BlurOn() && rgn) EnableWindowBlurBehind(w->Handle(), true, rgn);
  };
  put(TopBorder, TopImage.get(), TopRgn, X, Y);
  put(BottomBorder, BottomImage.get(), BottomRgn, X, Y + AHeight - BH);
  put(LeftBorder, LeftImage.get(), LeftRgn, X, Y + TH);
  put(RightBorder, RightImage.get(), RightRgn, X + AWidth - (RightImage ? RightImage->Width() : 0), Y + TH);
  PlaceWindows(X, Y, AWidth, AHeight, SWP_NOOWNERZORDER);
}

void TspFormLayerBorder::Update(int X, int Y, int AWidth, int AHeight) {
  if (!RenderForSize(AWidth, AHeight)) return;
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  auto put = [&](TspFormLayerWindow* w, TspBitmap* img, int x, int y) {
    if (!w || !img || img->Empty()) return;
    UpdateLayeredWindowFromBitmap(img, CurrentAlpha(), w->Handle(), x, y);
    UpdateWindow(w->Handle());
  };
  put(TopBorder, TopImage.get(), X, Y);
  put(BottomBorder, BottomImage.get(), X, Y + AHeight - BH);
  put(LeftBorder, LeftImage.get(), X, Y + TH);
  put(RightBorder, RightImage.get(), X + AWidth - (RightImage ? RightImage->Width() : 0), Y + TH);
}

void TspFormLayerBorder::Draw(TCanvas* C, int X, int Y, int AWidth, int AHeight) {
  if (!FData || !C) return;
  CreateLayerImages(AWidth, AHeight);
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  auto blend = [&](TspBitmap* img, int x, int y) {
    if (!img || img->Empty()) return;
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(C->Handle(), x, y, img->Width(), img->Height(), img->DC(), 0, 0, img->Width(), img->Height(), bf);
  };
  blend(TopImage.get(), X, Y);
  blend(BottomImage.get(), X, Y + AHeight - BH);
  blend(LeftImage.get(), X, Y + TH);
  blend(RightImage.get(), X + AWidth - (RightImage ? RightImage->Width() : 0), Y + TH);
}

void TspFormLayerBorder::ShowWithForm() {
  if (!FData) return;
  const TRect f = FormRect(DSF);
  const TspLayerFrameBounds b = FormFrame(f.Left, f.Top, f.Width(), f.Height());
  Show(b.X, b.Y, b.Width, b.Height);
}

void TspFormLayerBorder::SetBoundsWithForm() {
  if (!FData || !FVisible) return;
  const TRect f = FormRect(DSF);
  SetBoundsWithForm3(f.Left, f.Top, f.Width(), f.Height());
}

void TspFormLayerBorder::SetBoundsWithForm2(int AW, int AH) {
  if (!FData || !FVisible) return;
  const TRect f = FormRect(DSF);
  SetBoundsWithForm3(f.Left, f.Top, AW, AH);
}

void TspFormLayerBorder::SetBoundsWithForm3(int ALeft, int ATop, int AW, int AH) {
  if (!FData || !FVisible) return;
  const TspLayerFrameBounds b = FormFrame(ALeft, ATop, AW, AH);
  SetBounds(b.X, b.Y, b.Width, b.Height);
}

void TspFormLayerBorder::UpdateBorder() {
  if (!FData || !FVisible) return;
  const TRect f = FormRect(DSF);
  const TspLayerFrameBounds b = FormFrame(f.Left, f.Top, f.Width(), f.Height());
  Update(b.X, b.Y, b.Width, b.Height);
}

void TspFormLayerBorder::ShowWithFormAnimation() {
  if (!FData) return;
  const int target = std::clamp(FCurrentAlphaBlendValue, 0, 255);
  FCurrentAlphaBlendValue = 0;
  const TRect f = FormRect(DSF);
  const TspLayerFrameBounds b = FormFrame(f.Left, f.Top, f.Width(), f.Height(), true);
  Show(b.X, b.Y, b.Width, b.Height);
  HWND form = FForm ? FForm->HandleIfAllocated() : nullptr;
  if (Application) Application->ProcessMessages();
  // The pending messages may have closed the form or hidden the border.
  if (!FVisible || (form && !IsWindow(form))) {
    FCurrentAlphaBlendValue = target;
    return;
  }
  const int step = std::max(1, target / 15);
  int alpha = 0;
  while (alpha < target) {
    // Same step spacing as the form's own fade, waiting instead of spinning.
    Sleep(5);
    alpha = std::min(target, alpha + step);
    FCurrentAlphaBlendValue = alpha;
    SetAlphaBlend();
  }
  FCurrentAlphaBlendValue = target;
}

void TspFormLayerBorder::MoveWithForm() {
  if (!FData || !FVisible) return;
  const TRect f = FormRect(DSF);
  MoveWithForm2(f.Left, f.Top);
}

void TspFormLayerBorder::MoveWithForm2(int ALeft, int ATop) {
  if (!FData || !FVisible || !TopBorder) return;
  const TRect f = FormRect(DSF);
  const TspLayerFrameBounds b = FormFrame(ALeft, ATop, f.Width(), f.Height());
  const int TH = TopImage ? TopImage->Height() : 0;
  const int BH = BottomImage ? BottomImage->Height() : 0;
  const UINT flags = SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER;
  auto mv = [&](TspFormLayerWindow* w, int x, int y) {
    if (w) SetWindowPos(w->Handle(), nullptr, x, y, 0, 0, flags);
  };
  mv(TopBorder, b.X, b.Y);
  mv(BottomBorder, b.X, b.Y + b.Height - BH);
  mv(LeftBorder, b.X, b.Y + TH);
  mv(RightBorder, b.X + b.Width - (RightImage ? RightImage->Width() : 0), b.Y + TH);
}

void TspFormLayerBorder::SetAlphaBlend() {
  if (!FData || !FVisible) return;
  PutPiece(TopBorder, TopImage.get(), TopRgn);
  PutPiece(BottomBorder, BottomImage.get(), BottomRgn);
  if (LeftImage && LeftImage->Height() > 0) PutPiece(LeftBorder, LeftImage.get(), LeftRgn);
  if (RightImage && RightImage->Height() > 0) PutPiece(RightBorder, RightImage.get(), RightRgn);
}

void TspFormLayerBorder::SetAlphaBlend2() {
  if (!FData || !FVisible) return;
  SetAlphaBlend();
  const TRect f = FormRect(DSF);
  const TspLayerFrameBounds b = FormFrame(f.Left, f.Top, f.Width(), f.Height());
  PlaceWindows(b.X, b.Y, b.Width, b.Height, 0);
}

void TspFormLayerBorder::CheckFormAlpha(int AFormAlpha, bool AUpdate) {
  if (!FData) return;
  // Halves go to the even neighbour.
  FCurrentAlphaBlendValue = int(std::nearbyint(double(FData->AlphaBlendValue) * AFormAlpha / 255.0));
  FCurrentInActiveAlphaBlendValue = int(std::nearbyint(double(FData->InActiveAlphaBlendValue) * AFormAlpha / 255.0));
  if (AUpdate) SetAlphaBlend();
}

void TspFormLayerBorder::SetActive(bool AValue, bool AUpdate) {
  FActive = AValue;
  if (!AValue) {
    if (auto* c = dynamic_cast<TspSkinCaptionObject*>(DSF->ObjectAt(ActiveObject))) c->FMouseIn = false;
    for (auto& o : DSF->ObjectList)
      if (auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get())) {
        b->FMouseIn = false;
        b->FDown = false;
      }
    MouseCaptureObject = -1;
    TestActiveObject(-1, -1);
    ActiveObject = -1;
  }
  if (!FVisible || !FData) return;
  if (FData->FullBorder || FSourceInActiveBitMap) SetBoundsWithForm();
  if (AUpdate) SetAlphaBlend2();
}

void TspFormLayerBorder::ArrangeCaptionObjects() {
  if (!FData || !TopImage) return;
  const TspDataSkinLayerFrame& D = *FData;
  const int dx = TopImage->Width() - PictureWidth();
  TRect CR = ToTRect(D.CaptionRect);
  CR.Right += dx;
  const int gap = FSD ? FSD->ButtonsOffset : 0;
  int x, top;
  if (RectEmpty(D.ButtonsRect)) {
    x = CR.Right;
    top = D.ButtonsTopOffset != 0 ? D.ButtonsTopOffset : CR.Top;
  } else {
    x = D.ButtonsRect.Right + dx;
    top = D.ButtonsRect.Top;
  }
  auto find = [this](TStdCommand c) -> TspSkinStdButtonObject* {
    for (auto& o : DSF->ObjectList) {
      auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
      if (b && b->Command == c && b->Visible && b->SkinRectInAPicture) return b;
    }
    return nullptr;
  };
  for (TStdCommand c : {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray}) {
    TspSkinStdButtonObject* b = find(c);
    if (!b) continue;
    const int w = b->SkinRect.Width(), h = b->SkinRect.Height();
    b->ObjectRect = TRect{x - w, top, x, top + h};
    x -= w + gap;
  }
  TspSkinCaptionObject* cap = DSF->FirstCaption();
  int capLeft = CR.Left;
  if (TspSkinStdButtonObject* s = find(cmSysMenu)) {
    int w = s->SkinRect.Width(), h = s->SkinRect.Height();
    if (DSF->ShowIcon()) TspDynamicSkinForm::GetIconSize(w, h);
    if (RectEmpty(D.SysMenuButtonRect)) {
      const int t = (D.SysButtonTopOffset != 0 && !DSF->ShowIcon()) ? D.SysButtonTopOffset
                                                                      : CR.Top + (CR.Height() - h) / 2;
      s->ObjectRect = TRect{CR.Left, t, CR.Left + w, t + h};
      capLeft = s->ObjectRect.Right + gap;
    } else {
      const TspRect& S = D.SysMenuButtonRect;
      const int t = S.Top + (RH(S) - h) / 2;
      s->ObjectRect = TRect{S.Left, t, S.Left + w, t + h};
    }
  }
  if (cap) cap->ObjectRect = TRect{capLeft, CR.Top, x - gap, CR.Bottom};
}

void TspFormLayerBorder::TestActiveObject(int X, int Y) {
  if (DSF->ObjectList.empty()) return;
  if (!(DSF->GetFormActive() || !DSF->HasBorder())) return;
  if (DSF->FSizeMove || DSF->FBorderLayerChangeSize || DSF->PreviewMode) return;
  if (FData && !FData->FullBorder) return;
  OldActiveObject = ActiveObject;
  int hit = -1;
  for (size_t i = 0; i < DSF->ObjectList.size(); ++i) {
    TspActiveSkinObject* o = DSF->ObjectList[i].get();
    if (o->Enabled && o->Visible && PtInTRect(o->ObjectRect, X, Y) &&
        o->PointInMask(X - o->ObjectRect.Left, Y - o->ObjectRect.Top)) {
      hit = int(i);
      break;
    }
  }
  ActiveObject = hit;
  if (MouseCaptureObject != -1 && MouseCaptureObject != ActiveObject) ActiveObject = -1;
  if (!DSF->ObjectAt(ActiveObject)) ActiveObject = -1;
  if (!DSF->ObjectAt(OldActiveObject)) OldActiveObject = -1;
  if (ActiveObject == OldActiveObject) return;
  auto* hints = DSF->HintHandler.get();
  if (TspActiveSkinObject* old = DSF->ObjectAt(OldActiveObject); old && old->Enabled && old->Visible) {
    old->MouseLeave();
    if (DSF->ShowObjectHint && hints && !old->Hint.empty()) hints->HideHint();
  }
  if (TspActiveSkinObject* now = DSF->ObjectAt(ActiveObject); now && now->Enabled && now->Visible) {
    now->MouseEnter();
    if (DSF->GetFormActive() && DSF->ShowObjectHint && hints && !now->Hint.empty()) hints->ActivateHint2(now->Hint);
  }
  UpdateBorder();
}

void TspFormLayerBorder::MouseTimerCheck() {
  if (!FData || FData->FullBorder) {
    POINT p;
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    if (!TopBorder || under != TopBorder->HandleIfAllocated()) {
      MouseTimer->SetEnabled(false);
      MouseCaptureObject = -1;
      TestActiveObject(-1, -1);
    }
  } else {
    MouseTimer->SetEnabled(false);
  }
}

// ---------------------------------------------------------------------------
// TspFormLayerWindow

TspFormLayerWindow::TspFormLayerWindow(TspFormLayerBorder* AOwner, TCustomForm* AForm)
    : TForm(nullptr), FForm(AForm), FLayerBorder(AOwner) {
  SetBorderStyle(bsNone);
  if (AForm && AForm->FormStyle() == fsStayOnTop) SetFormStyle(fsStayOnTop);
}

void TspFormLayerWindow::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.Style &= ~DWORD(WS_VISIBLE);
  p.ExStyle &= ~DWORD(WS_EX_APPWINDOW);
  p.ExStyle |= WS_EX_LAYERED;
  const TspDataSkinLayerFrame* d = FLayerBorder->FData;
  if (!d || RectEmpty(d->BorderRect)) p.ExStyle |= WS_EX_TRANSPARENT;
  p.Background = nullptr;
}

TspFormLayerBorderHit TspFormLayerWindow::GetHitMode(TPoint P) {
  TspFormLayerBorder* L = FLayerBorder;
  const TspDataSkinLayerFrame* D = L->FData;
  if (!D) return spflhNone;
  TspDynamicSkinForm* dsf = L->DSF;
  const TRect f = dsf->FormBounds();
  const int FL = f.Left, FT = f.Top, FW = f.Width(), FH = f.Height();
  RECT wr{0, 0, 0, 0};
  if (HWND h = HandleIfAllocated()) GetWindowRect(h, &wr);
  const int WL = wr.left, WT = wr.top, WH = wr.bottom - wr.top;
  TRect CR = ToTRect(D->CaptionRect);
  CR.Right += FW - RW(D->ClRect);
  CR.Top = D->BorderRect.Top + D->HitTestSize;
  CR = OffsetTRect(CR, WL, WT);
  if (D->FullBorder) {
    if (BorderType == spflTop) L->TestActiveObject(P.X - WL, P.Y - WT);
  } else {
    L->ActiveObject = -1;
  }
  if (TspActiveSkinObject* o = dsf->ObjectAt(L->ActiveObject)) {
    if (dynamic_cast<TspSkinCaptionObject*>(o)) return dsf->NCDraggAble ? spflCaption : spflhNone;
    return spflObject;
  }
  if (!(dsf->IsSizeAble() && !dsf->RollUpState() && dsf->WindowState() == wsNormal)) return spflhNone;
  auto in = [&](const TRect& r) { return PtInTRect(r, P.X, P.Y); };
  const int HS = D->HitTestSize;
  switch (BorderType) {
    case spflLeft: return P.X >= FL - L->LeftSize ? spflhLeft : spflhNone;
    case spflRight: return P.X <= FL + FW + L->RightSize ? spflhRight : spflhNone;
    case spflTop: {
      const TRect TL{FL - L->LeftSize, FT - L->TopSize, FL - L->LeftSize + L->HitTopLeftX,
                     FT - L->TopSize + L->HitTopLeftY};
      const TRect TR{FL + FW + L->RightSize - L->HitTopRightX, FT - L->TopSize, FL + FW + L->RightSize,
                     FT - L->TopSize + L->HitTopRightY};
      const TRect T{TL.Right, TL.Top, TR.Left, TL.Top + HS};
      const TRect Lr{TL.Left, TL.Bottom, TL.Left + HS, WT + WH};
      const TRect Rr{TR.Left, TR.Bottom, TR.Right, WT + WH};
      if (in(TL) && !in(CR)) return spflhTopLeft;
      if (in(T)) return spflhTop;
      if (in(TR) && !in(CR)) return spflhTopRight;
      if (in(Lr) && !in(CR)) return spflhLeft;
      if (in(Rr) && !in(CR)) return spflhRight;
      return spflhNone;
    }
    case spflBottom: {
      const int B0 = FT + FH + L->BottomSize;
      const TRect BL{FL - L->LeftSize, B0 - L->HitBottomLeftY, FL - L->LeftSize + L->HitBottomLeftX, B0};
      const TRect BR{FL + FW + L->RightSize - L->HitBottomRightX, B0 - L->HitBottomRightY, FL + FW + L->RightSize,
                     B0};
      const TRect B{BL.Right, BL.Top, BR.Left, B0};
      const TRect Lr{BL.Left, WT, FL, BL.Top};
      const TRect Rr{FL + FW, WT, FL + FW + L->RightSize, BR.Top};
      if (in(BL)) return spflhBottomLeft;
      if (in(B)) return spflhBottom;
      if (in(BR)) return spflhBottomRight;
      if (in(Lr)) return spflhLeft;
      if (in(Rr)) return spflhRight;
      return spflhNone;
    }
  }
  return spflhNone;
}

bool TspFormLayerWindow::MouseAllowed(TspFormLayerBorderHit Hit) const {
  const TspDataSkinLayerFrame* D = FLayerBorder->FData;
  return D && D->HitTestEnable && (FLayerBorder->DSF->IsSizeAble() || Hit == spflCaption || Hit == spflObject);
}

bool TspFormLayerWindow::ProcessPending() {
  FInProcessMessages = true;
  HWND me = HandleIfAllocated();
  if (Application) Application->ProcessMessages();
  // The pending messages may have taken this window away.
  if (!me || !IsWindow(me)) return false;
  FInProcessMessages = false;
  return true;
}

void TspFormLayerWindow::LayerMouseDown(TMouseButton Button, TPoint Cursor) {
  TspDynamicSkinForm* dsf = FLayerBorder->DSF;
  if (dsf->MenuHandler && dsf->MenuHandler->MenuOpen()) dsf->MenuHandler->CloseMenus();
  if (TWinControl* ac = FForm->ActiveControl(); ac && ac->HandleAllocated())
    SendMessageW(ac->Handle(), CM_CANCELMODE, 0, 0);
  const TspFormLayerBorderHit hit = GetHitMode(Cursor);
  FHitMode = hit;
  if (!MouseAllowed(hit)) return;
  FDown = Button == mbLeft && hit != spflObject && hit != spflhNone && dsf->WindowState() != wsMaximized;
  MousePos1 = MousePos2 = Cursor;
  if (FDown && HandleAllocated()) SetCapture(Handle());
  if (FLayerBorder->FullBorder()) {
    if (TspActiveSkinObject* o = dsf->ObjectAt(FLayerBorder->ActiveObject)) {
      RECT wr;
      GetWindowRect(Handle(), &wr);
      o->MouseDown(Cursor.X - wr.left, Cursor.Y - wr.top, Button);
      FLayerBorder->MouseCaptureObject = FLayerBorder->ActiveObject;
      FLayerBorder->UpdateBorder();
      if (dsf->FLayerManager->IsVisible() && FForm->FormStyle() == fsStayOnTop) dsf->FLayerManager->Update();
    }
  }
}

void TspFormLayerWindow::LayerMouseMove(TPoint Cursor) {
  if (FInProcessMessages) {
    FInProcessMessages = false;
    return;
  }
  const TspDataSkinLayerFrame* D = FLayerBorder->FData;
  if (!D || !D->HitTestEnable) return;
  TspDynamicSkinForm* dsf = FLayerBorder->DSF;
  MousePos2 = Cursor;
  const int dx = MousePos2.X - MousePos1.X, dy = MousePos2.Y - MousePos1.Y;
  if (!FDown) {
    dsf->FBorderLayerChangeSize = false;
    FHitMode = GetHitMode(Cursor);
    if (D->FullBorder)
      if (TspActiveSkinObject* o = dsf->ObjectAt(FLayerBorder->ActiveObject)) {
        RECT wr;
        GetWindowRect(Handle(), &wr);
        o->MouseMove(Cursor.X - wr.left, Cursor.Y - wr.top);
      }
  } else {
    dsf->FBorderLayerChangeSize = true;
    const bool alive = FHitMode == spflCaption ? MoveStep(dx, dy) : SizeStep(FHitMode, dx, dy, Cursor);
    if (!alive) return;
  }
  MousePos1 = MousePos2;
}

bool TspFormLayerWindow::SizeStep(TspFormLayerBorderHit Mode, int dx, int dy, TPoint P) {
  TspFormLayerBorder* L = FLayerBorder;
  TspDynamicSkinForm* dsf = L->DSF;
  const int HS = L->FData->HitTestSize;
  const TRect f = dsf->FormBounds();
  const int FL = f.Left, FT = f.Top, FW = f.Width(), FH = f.Height();
  const bool left = Mode == spflhLeft || Mode == spflhTopLeft || Mode == spflhBottomLeft;
  const bool right = Mode == spflhRight || Mode == spflhTopRight || Mode == spflhBottomRight;
  const bool top = Mode == spflhTop || Mode == spflhTopLeft || Mode == spflhTopRight;
  const bool bottom = Mode == spflhBottom || Mode == spflhBottomLeft || Mode == spflhBottomRight;
  // The grip guards: an edge follows an outward move only while the cursor
  // is still on the band.
  if (left && dx < 0 && !(P.X <= FL - L->LeftSize + HS)) dx = 0;
  if (right && dx > 0 && !(P.X >= FL + FW + L->RightSize - HS)) dx = 0;
  if (top && dy < 0 && !(P.Y <= FT - L->TopSize + HS)) dy = 0;
  if (bottom && dy > 0 && !(P.Y >= FT + FH + L->BottomSize - HS)) dy = 0;
  if (!left && !right) dx = 0;
  if (!top && !bottom) dy = 0;
  if (dx == 0 && dy == 0) return true;
  auto clampW = [&](int w) { return std::clamp(w, dsf->GetMinWidth(), std::max(dsf->GetMinWidth(), dsf->GetMaxWidth())); };
  auto clampH = [&](int h) {
    return std::clamp(h, dsf->GetMinHeight(), std::max(dsf->GetMinHeight(), dsf->GetMaxHeight()));
  };
  int nl = FL, nt = FT, nw = FW, nh = FH;
  if (dx != 0) {
    const int w = clampW(left ? FW - dx : FW + dx);
    // A clamped left edge would drag the right edge along: that axis stops.
    if (!(left && w != FW - dx)) {
      nw = w;
      if (left) nl = FL + dx;
    }
  }
  if (dy != 0) {
    const int h = clampH(top ? FH - dy : FH + dy);
    if (!(top && h != FH - dy)) {
      nh = h;
      if (top) nt = FT + dy;
    }
  }
  if (nw == FW && nh == FH) return true;
  HWND form = FForm->Handle();
  if (top && nt > FT) L->MoveWithForm2(nl, nt);
  RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  FForm->SetBounds(nl, nt, nw, nh);
  if (top && nh == FH) L->MoveWithForm();
  MousePos1 = MousePos2;
  return ProcessPending();
}

bool TspFormLayerWindow::MoveStep(int dx, int dy) {
  TspFormLayerBorder* L = FLayerBorder;
  TspDynamicSkinForm* dsf = L->DSF;
  if (dx == 0 && dy == 0) return true;
  const TRect f = dsf->FormBounds();
  int x = f.Left + dx, y = f.Top + dy;
  bool moveIt = true;
  if (dsf->Magnetic) {
    const int h = dsf->IsCollapsedLayerFrame() ? L->FData->RollUpFormHeight : f.Height();
    const int px = x, py = y;
    dsf->DoMagnetic(x, y, f.Width(), h);
    MousePos1 = MousePos2;
    const bool unchanged = x == px && y == py;
    const bool further = (dx != 0 && (x - f.Left) * dx > 0 && std::abs(x - f.Left) >= std::abs(dx)) ||
                         (dy != 0 && (y - f.Top) * dy > 0 && std::abs(y - f.Top) >= std::abs(dy));
    moveIt = unchanged || further;
  }
  FInProcessMessages = true;
  if (moveIt) {
    if (y - f.Top >= 1) L->MoveWithForm2(x, y);
    FForm->SetBounds(x, y, f.Width(), f.Height());
  }
  L->MoveWithForm();
  if (!ProcessPending()) return false;
  MousePos1 = MousePos2;
  return true;
}

void TspFormLayerWindow::LayerMouseUp(TMouseButton Button, TPoint Cursor) {
  TspDynamicSkinForm* dsf = FLayerBorder->DSF;
  dsf->FBorderLayerChangeSize = false;
  FDown = false;
  FInProcessMessages = false;
  MousePos1 = MousePos2 = TPoint{0, 0};
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
  RECT wr{0, 0, 0, 0};
  if (HandleAllocated()) GetWindowRect(Handle(), &wr);
  const int x = Cursor.X - wr.left, y = Cursor.Y - wr.top;
  if (FLayerBorder->FullBorder()) {
    const int cap = FLayerBorder->MouseCaptureObject;
    if (cap != FLayerBorder->ActiveObject)
      if (TspActiveSkinObject* o = dsf->ObjectAt(cap)) o->MouseUp(x, y, Button);
  }
  FLayerBorder->MouseCaptureObject = -1;
  if (!MouseAllowed(FHitMode)) return;
  if (FLayerBorder->FullBorder())
    if (TspActiveSkinObject* o = dsf->ObjectAt(FLayerBorder->ActiveObject)) {
      o->MouseUp(x, y, Button);
      // The object's command may have closed the form and this window.
    }
}

void TspFormLayerWindow::LayerDblClick(TPoint Cursor) {
  if (!FLayerBorder->FullBorder()) return;
  TspDynamicSkinForm* dsf = FLayerBorder->DSF;
  TspFormLayerBorderHit hit = GetHitMode(Cursor);
  TspActiveSkinObject* o = dsf->ObjectAt(FLayerBorder->ActiveObject);
  if (hit == spflObject) {
    if (auto* b = dynamic_cast<TspSkinStdButtonObject*>(o); b && b->Command == cmSysMenu) {
      FLayerBorder->MouseCaptureObject = -1;
      b->DoClose();
      return;
    }
  } else if (hit == spflCaption) {
    const bool sizeable = dsf->Sizeable;
    if (sizeable && dsf->WindowState() == wsMinimized)
      dsf->SetWindowState(wsNormal);
    else if (sizeable && dsf->WindowState() != wsMaximized && !dsf->RollUpState() &&
             (dsf->BorderIcons() & biMaximize))
      dsf->SetWindowState(wsMaximized);
    else if (!sizeable || dsf->WindowState() != wsMaximized || dsf->MaxRollUpState)
      dsf->SetRollUpState(!dsf->RollUpState());
    else
      dsf->SetWindowState(wsNormal);
  }
  FLayerBorder->MouseCaptureObject = -1;
}

void TspFormLayerWindow::WndProc(TMessage& m) {
  if (Retired) {
    if (m.Msg == WM_MOUSEACTIVATE) {
      m.Result = MA_NOACTIVATE;
      return;
    }
    TForm::WndProc(m);
    return;
  }
  auto cursor = [] {
    POINT p;
    GetCursorPos(&p);
    return TPoint{p.x, p.y};
  };
  switch (m.Msg) {
    case WM_MOUSEACTIVATE: {
      const TspDataSkinLayerFrame* D = FLayerBorder->FData;
      if (D && D->HitTestEnable) {
        if (FForm->HandleAllocated() && !FForm->Active()) SetForegroundWindow(FForm->Handle());
        FHitMode = GetHitMode(cursor());
      }
      m.Result = MA_NOACTIVATE;
      return;
    }
    case WM_SETFOCUS:
      if (FForm->HandleAllocated() && !FForm->Active()) SetForegroundWindow(FForm->Handle());
      m.Result = 1;
      return;
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
      // Never the active window: hand the activation to the framed form.
      if (LOWORD(m.WParam) != WA_INACTIVE && m.Msg == WM_ACTIVATE && FForm->HandleAllocated())
        SetForegroundWindow(FForm->Handle());
      m.Result = m.Msg == WM_NCACTIVATE ? 1 : 0;
      return;
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && !FDown) {
        LPCWSTR c = IDC_ARROW;
        switch (FHitMode) {
          case spflhLeft: case spflhRight: c = IDC_SIZEWE; break;
          case spflhTop: case spflhBottom: c = IDC_SIZENS; break;
          case spflhTopLeft: case spflhBottomRight: c = IDC_SIZENWSE; break;
          case spflhTopRight: case spflhBottomLeft: c = IDC_SIZENESW; break;
          default: break;
        }
        ::SetCursor(LoadCursorW(nullptr, c));
        m.Result = 1;
        return;
      }
      break;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      LayerMouseDown(m.Msg == WM_LBUTTONDOWN ? mbLeft : mbRight, cursor());
      return;
    case WM_MOUSEMOVE: {
      TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, Handle(), 0};
      if (FLayerBorder->FullBorder() && !FLayerBorder->MouseTimer->Enabled()) {
        FLayerBorder->MouseTimer->SetEnabled(true);
        TrackMouseEvent(&t);
      }
      LayerMouseMove(cursor());
      return;
    }
    case WM_MOUSELEAVE:
      if (FLayerBorder->FullBorder()) {
        FLayerBorder->MouseTimer->SetEnabled(false);
        FLayerBorder->TestActiveObject(-1, -1);
      }
      return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      LayerMouseUp(m.Msg == WM_LBUTTONUP ? mbLeft : mbRight, cursor());
      return;
    case WM_LBUTTONDBLCLK:
      LayerDblClick(cursor());
      return;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (FDown && m.Msg == WM_CANCELMODE) {
        FDown = false;
        FLayerBorder->DSF->FBorderLayerChangeSize = false;
      }
      break;
    default:
      break;
  }
  TForm::WndProc(m);
}
