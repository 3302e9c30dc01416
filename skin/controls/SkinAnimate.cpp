#include "skin/controls/SkinAnimate.h"

TspFrameSkinControl::TspFrameSkinControl(TComponent* owner) : Base(owner) {}

TspFrameSkinControl::~TspFrameSkinControl() {
  // The window owns an applied region; one never applied is ours to free.
  if (FRgn && !HandleAllocated()) DeleteObject(FRgn);
}

void TspFrameSkinControl::CalcDefaultFrameSize() {
  if (FDefaultImage.Empty()) return;
  FFramesCount = FDefaultFramesCount;
  FFramesPlacement = FDefaultFramesPlacement;
  if (FFramesPlacement == fpHorizontal) {
    FFrameW = FDefaultImage.Width / FFramesCount;
    FFrameH = FDefaultImage.Height;
  } else {
    FFrameW = FDefaultImage.Width;
    FFrameH = FDefaultImage.Height / FFramesCount;
  }
}

void TspFrameSkinControl::SetDefaultImage(const TspPicture& value) {
  FDefaultImage = value;
  FFrame = 1;
  CalcDefaultFrameSize();
  if (!FDefaultImage.Empty()) SetBounds(Left(), Top(), FFrameW, FFrameH);
  Repaint();
}

void TspFrameSkinControl::SetDefaultMask(const TspPicture& value) {
  FDefaultMask = value;
  UpdateRegion();
  Repaint();
}

void TspFrameSkinControl::SetDefaultFramesCount(int value) {
  FDefaultFramesCount = std::max(1, value);
  CalcDefaultFrameSize();
  if (!FDefaultImage.Empty()) SetBounds(Left(), Top(), FFrameW, FFrameH);
  Repaint();
}

void TspFrameSkinControl::SetDefaultFramesPlacement(TFramesPlacement value) {
  FDefaultFramesPlacement = value;
  SetDefaultFramesCount(FDefaultFramesCount);
}

void TspFrameSkinControl::SetFrame(int value) {
  if (!HasStrip()) return;
  value = std::max(1, std::min(value, FFramesCount));
  if (value == FFrame) return;
  FFrame = value;
  Repaint();
}

void TspFrameSkinControl::GetSkinData() {
  Base::GetSkinData();
  FPicture = FMaskPicture = nullptr;
  if (FIndex == -1) {
    CalcDefaultFrameSize();
    return;
  }
  auto* e = dynamic_cast<TspDataSkinFrameControl*>(Element());
  if (!e) {
    FIndex = -1;
    CalcDefaultFrameSize();
    return;
  }
  FSkinRect = ToRECT(e->SkinRect);
  FPicture = SkinPicture(e->PictureIndex);
  FMaskPicture = SkinPicture(e->MaskPictureIndex);
  FFramesCount = std::max(2, e->FramesCount);
  FFramesPlacement = e->FramesPlacement;
  int w = FSkinRect.right - FSkinRect.left, h = FSkinRect.bottom - FSkinRect.top;
  if (FFramesPlacement == fpHorizontal) {
    FFrameW = w / FFramesCount;
    FFrameH = h;
  } else {
    FFrameW = w;
    FFrameH = h / FFramesCount;
  }
}

void TspFrameSkinControl::UpdateRegion() {
  if (!HandleAllocated()) return;
  const TspPicture* mask = nullptr;
  if (FIndex == -1 && !FDefaultMask.Empty())
    mask = &FDefaultMask;
  else if (FIndex != -1 && FMaskPicture)
    mask = FMaskPicture;
  HRGN rgn = mask ? RegionFromMask(ImageSourceOf(mask)) : nullptr;
  if (!rgn && !FRgn) return;
  // The window frees the region it gives up.
  if (SetWindowRgn(Handle(), rgn, TRUE))
    FRgn = rgn;
  else if (rgn)
    DeleteObject(rgn);
}

void TspFrameSkinControl::SetBounds(int left, int top, int width, int height) {
  GetSkinData();
  bool fit = (width != Width() || height != Height()) && HasStrip() && FFrameW > 0 && FFrameH > 0;
  if (fit) {
    width = FFrameW;
    height = FFrameH;
  }
  Base::SetBounds(left, top, width, height);
  if (fit) {
    UpdateRegion();
    Repaint();
  }
}

void TspFrameSkinControl::ChangeSkinData() {
  GetSkinData();
  if (FIndex == -1 && !FDefaultImage.Empty()) {
    UpdateRegion();
    SetBounds(Left(), Top(), FFrameW, FFrameH);
    Repaint();
    return;
  }
  if (FIndex != -1 && FFrame > FFramesCount) FFrame = FFramesCount;
  ApplySkinCursor();
  if (FIndex != -1) SetBounds(Left(), Top(), FFrameW, FFrameH);
  UpdateRegion();
  Repaint();
}

void TspFrameSkinControl::PaintSkinImage(TspPaintBuffer& b) {
  if (!FPicture) {
    PaintDefaultImage(b);
    return;
  }
  int n = FFrame - 1;
  RECT src = FFramesPlacement == fpHorizontal
                 ? RECT{FSkinRect.left + n * FFrameW, FSkinRect.top, FSkinRect.left + (n + 1) * FFrameW,
                        FSkinRect.top + FFrameH}
                 : RECT{FSkinRect.left, FSkinRect.top + n * FFrameH, FSkinRect.left + FFrameW,
                        FSkinRect.top + (n + 1) * FFrameH};
  DrawPiece(b, ImageSourceOf(FPicture), src, RECT{0, 0, FFrameW, FFrameH});
}

void TspFrameSkinControl::PaintDefaultImage(TspPaintBuffer& b) {
  if (FDefaultImage.Empty()) {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  CalcDefaultFrameSize();
  int n = FFrame - 1;
  RECT src = FFramesPlacement == fpHorizontal ? RECT{n * FFrameW, 0, (n + 1) * FFrameW, FFrameH}
                                              : RECT{0, n * FFrameH, FFrameW, (n + 1) * FFrameH};
  DrawPiece(b, ImageSourceOf(&FDefaultImage), src, RECT{0, 0, FFrameW, FFrameH});
}

// ---------------------------------------------------------------------------

TspSkinAnimate::TspSkinAnimate(TComponent* owner) : Base(owner) { SetBounds(0, 0, 50, 50); }

void TspSkinAnimate::SetActive(bool value) {
  FActive = value;
  if (!HasStrip()) return;
  if (value)
    Start();
  else
    Stop();
}

void TspSkinAnimate::Start() {
  if (!CycleMode && !ButtonMode) FFrame = 1;
  FTimer.Start(TimerInterval, [this] { Tick(); });
  if (OnStart) OnStart(this);
}

void TspSkinAnimate::Stop() {
  FTimer.Stop();
  if (OnStop) OnStop(this);
}

void TspSkinAnimate::Tick() {
  GetSkinData();
  if (!HasStrip()) return;
  if (!ButtonMode || FMouseIn) {
    if (FFrame < FramesCount())
      SetFrame(FFrame + 1);
    else if (CycleMode)
      SetFrame(1);
  } else if (FFrame > 1) {
    SetFrame(FFrame - 1);
  }
}

void TspSkinAnimate::WndProc(TMessage& m) {
  Base::WndProc(m);
  if ((m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) && HasStrip()) {
    FMouseIn = m.Msg == CM_MOUSEENTER;
    if (ButtonMode) Start();
  }
}
