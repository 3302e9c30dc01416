#include "skin/controls/SkinGauge.h"

TspSkinGauge::TspSkinGauge(TComponent* owner) : Base(owner) {
  SetSkinDataName("gauge");
  SetBounds(0, 0, 100, 20);
}

TspSkinGauge::~TspSkinGauge() {
  FPauseTimer.Stop();
  FFrameTimer.Stop();
}

void TspSkinGauge::SetTextAlphaBlend(bool value) {
  FTextAlphaBlend = value;
  if (FIndex != -1 && !Text().empty()) Repaint();
}

void TspSkinGauge::SetTextAlphaBlendValue(int value) {
  FTextAlphaBlendValue = std::max(0, std::min(255, value));
  if (FIndex != -1 && FTextAlphaBlend && !Text().empty()) Repaint();
}

void TspSkinGauge::StartProgressAnimation() {
  GetSkinData();
  if (FIndex == -1 || IsEmptyRECT(FAnimationSkinRect)) return;
  FPauseTimer.Stop();
  FFrameTimer.Stop();
  FAnimationStarted = true;
  FRunningPause = FProgressAnimationPause;
  StartInternalAnimation();
}

void TspSkinGauge::StartInternalAnimation() {
  if (!FAnimationStarted) return;
  FPauseTimer.Stop();
  FAnimationFrame = 0;
  FFrameTimer.Start(static_cast<unsigned>(std::max(1, FAnimationInterval)), [this] { AnimationTick(); });
  Repaint();
}

void TspSkinGauge::AnimationTick() {
  ++FAnimationFrame;
  if (FAnimationFrame > FAnimationCountFrames)
    StopInternalAnimation();
  else
    Repaint();
}

void TspSkinGauge::StopInternalAnimation() {
  if (!FAnimationStarted) return;
  FFrameTimer.Stop();
  FAnimationFrame = 0;
  // A pause of 0 would tick at once and forever: the timers count whole
  // milliseconds, so the shortest pause is one.
  FPauseTimer.Start(static_cast<unsigned>(std::max(1, FRunningPause)), [this] { StartInternalAnimation(); });
  Repaint();
}

void TspSkinGauge::StopProgressAnimation() {
  FAnimationFrame = 0;
  FAnimationStarted = false;
  FPauseTimer.Stop();
  FFrameTimer.Stop();
}

void TspSkinGauge::ChangeSkinData() {
  if (!FAnimationStarted) {
    Base::ChangeSkinData();
    return;
  }
  // The new skin's frames and interval take over.
  StopProgressAnimation();
  Base::ChangeSkinData();
  StartProgressAnimation();
}

RECT TspSkinGauge::AnimationFrameRect(int n) const {
  RECT r = FAnimationSkinRect;
  int count = std::max(1, FAnimationCountFrames);
  if (FProgressRect.right - FProgressRect.left < r.right - r.left) {
    int fw = (r.right - r.left) / count;
    return RECT{r.left + fw * (n - 1), r.top, r.left + fw * n, r.bottom};
  }
  int fh = (r.bottom - r.top) / count;
  return RECT{r.left, r.top + fh * (n - 1), r.right, r.top + fh * n};
}

void TspSkinGauge::SetProgressText(const std::string& value) {
  FProgressText = value;
  Repaint();
}

void TspSkinGauge::SetShowProgressText(bool value) {
  FShowProgressText = value;
  Repaint();
}

void TspSkinGauge::SetShowPercent(bool value) {
  FShowPercent = value;
  Repaint();
}

// Whole-number arithmetic: a floating-point fraction times 100 shows 28 %
// for 29 of 100, and the fill one pixel short the same way.
RECT TspSkinGauge::CalcProgressRect(const RECT& r) const {
  int64_t range = int64_t{FMaxValue} - FMinValue;
  int64_t done = int64_t{FValue} - FMinValue;
  RECT p = r;
  if (range <= 0) {
    if (FVertical)
      p.top = p.bottom;
    else
      p.right = p.left;
    return p;
  }
  if (FVertical)
    p.top = ClampToInt(int64_t{r.bottom} - int64_t{r.bottom - r.top} * done / range);
  else
    p.right = ClampToInt(int64_t{r.left} + int64_t{r.right - r.left} * done / range);
  return p;
}

int TspSkinGauge::Percent() const {
  int64_t range = int64_t{FMaxValue} - FMinValue;
  if (range <= 0) return 0;
  return ClampToInt((int64_t{FValue} - FMinValue) * 100 / range);
}

std::string TspSkinGauge::Text() const {
  std::string text;
  if (FShowProgressText) text = FProgressText;
  if (FShowPercent) text += std::to_string(Percent()) + "%";
  return text;
}

void TspSkinGauge::DrawText(TspPaintBuffer& b, const TspFontDesc& font) {
  std::string text = Text();
  if (text.empty()) return;
  TCanvas* c = b.Canvas();
  font.AssignTo(c->Font());
  // A vertical gauge writes upwards.
  c->Font()->SetOrientation(FVertical ? 900 : 0);
  TSize sz = c->TextExtent(text);
  int x, y;
  if (FVertical) {
    x = b.Width() / 2 - sz.cy / 2;
    y = sz.cx / 2 + b.Height() / 2;
  } else {
    x = b.Width() / 2 - sz.cx / 2;
    y = b.Height() / 2 - sz.cy / 2;
  }
  if (font.Height % 2 != 0) --y;
  c->Brush()->SetStyle(bsClear);
  c->TextOut(x, y, text);
}

void TspSkinGauge::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_WINDOW));
  b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  RECT r{1, 1, b.Width() - 1, b.Height() - 1};
  RECT p = CalcProgressRect(r);
  if (OnGaugePaint) {
    OnGaugePaint(b.Canvas(), r, p);
    return;
  }
  if (p.right > p.left && p.bottom > p.top) b.Fill(p, kDefaultHotFill);
  DrawText(b, FDefaultFont);
}

void TspSkinGauge::GetSkinData() {
  Base::GetSkinData();
  FGaugeElement = false;
  FAnimationSkinRect = RECT{};
  auto* e = dynamic_cast<TspDataSkinGaugeControl*>(Element());
  if (!e) return;
  FGaugeElement = true;
  // A stretched picture no longer matches the mask's shape.
  if (!UseSkinSize) MaskPicture = nullptr;
  FVertical = e->Vertical;  // the skin's orientation wins
  FProgressArea = ToRECT(e->ProgressArea);
  FProgressRect = ToRECT(e->ProgressRect);
  FBeginOffset = e->BeginOffset;
  FEndOffset = e->EndOffset;
  FProgressStretch = e->ProgressStretch;
  FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
  FSkinFontColor = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
  FAnimationSkinRect = ToRECT(e->ProgressAnimationSkinRect);
  FAnimationCountFrames = e->ProgressAnimationCountFrames;
  FAnimationInterval = e->ProgressAnimationTimerInterval;
}

void TspSkinGauge::CalcSkinSize(int& width, int& height) {
  const int askedWidth = width, askedHeight = height;
  Base::CalcSkinSize(width, height);
  FFittedSize = SIZE{width, height};
  FNewProgressArea = FProgressArea;
  if (Geometry.ResizeMode > 0) {
    if (FVertical)
      FNewProgressArea.bottom += height - Geometry.SkinHeight();
    else
      FNewProgressArea.right += width - Geometry.SkinWidth();
  }
  if (!UseSkinSize) {
    width = askedWidth;
    height = askedHeight;
  }
}

void TspSkinGauge::Paint() {
  if (UseSkinSize || Width() < 1 || Height() < 1) {
    Base::Paint();
    return;
  }
  GetSkinData();
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  if (FIndex == -1 || FFittedSize.cx < 1 || FFittedSize.cy < 1) {
    Base::Paint();
    return;
  }
  // The picture at the element's own size, then spread over the control;
  // the text goes on afterwards so that it keeps its shape.
  TspPaintBuffer image(FFittedSize.cx, FFittedSize.cy);
  PaintSkinImage(image);
  TspPaintBuffer b(w, h);
  SetStretchBltMode(b.DC(), COLORONCOLOR);
  StretchBlt(b.DC(), 0, 0, w, h, image.DC(), 0, 0, FFittedSize.cx, FFittedSize.cy, SRCCOPY);
  if (FGaugeElement && !OnGaugePaint) DrawText(b, SkinTextFont());
  ComposeAndDraw(b);
}

void TspSkinGauge::PaintSkinImage(TspPaintBuffer& b) {
  Base::PaintSkinImage(b);
  if (!FGaugeElement) return;
  RECT p = CalcProgressRect(FNewProgressArea);
  if (OnGaugePaint) {
    OnGaugePaint(b.Canvas(), FNewProgressArea, p);
    return;
  }
  int pw = p.right - p.left, ph = p.bottom - p.top;
  if (Picture && pw > 0 && ph > 0 && !IsEmptyRECT(FProgressRect)) {
    TspImageSource pic = ImageSourceOf(Picture);
    const RECT& s = FProgressRect;
    // While a frame of the animation shows, it replaces the middle and is
    // stretched over it; the end pieces stay those of the filled picture.
    bool animating = AnimatingFrame();
    const RECT m = animating ? AnimationFrameRect(FAnimationFrame) : s;
    bool stretch = FProgressStretch || animating;
    if (!FVertical) {
      int mid = pw - FBeginOffset - FEndOffset;
      RECT src{m.left + FBeginOffset, m.top, m.right - FEndOffset, m.bottom};
      if (mid > 0 && src.right > src.left) {
        RECT dst{p.left + FBeginOffset, p.top, p.right - FEndOffset, p.bottom};
        if (stretch) {
          DrawPiece(b, pic, src, dst);
        } else {
          int tile = src.right - src.left;
          for (int x = dst.left; x < dst.right; x += tile) {
            int w = std::min(tile, static_cast<int>(dst.right - x));
            DrawPiece(b, pic, RECT{src.left, src.top, src.left + w, src.bottom}, RECT{x, dst.top, x + w, dst.bottom});
          }
        }
        DrawPiece(b, pic, RECT{s.left, s.top, s.left + FBeginOffset, s.bottom},
                  RECT{p.left, p.top, p.left + FBeginOffset, p.bottom});
        DrawPiece(b, pic, RECT{s.right - FEndOffset, s.top, s.right, s.bottom},
                  RECT{p.right - FEndOffset, p.top, p.right, p.bottom});
      }
    } else {
      int mid = ph - FBeginOffset - FEndOffset;
      RECT src{m.left, m.top + FBeginOffset, m.right, m.bottom - FEndOffset};
      if (mid > 0 && src.bottom > src.top) {
        RECT dst{p.left, p.top + FBeginOffset, p.right, p.bottom - FEndOffset};
        if (stretch) {
          DrawPiece(b, pic, src, dst);
        } else {
          // Tiles laid from the bottom upwards.
          int tile = src.bottom - src.top;
          for (int y = dst.bottom; y > dst.top; y -= tile) {
            int h = std::min(tile, static_cast<int>(y - dst.top));
            DrawPiece(b, pic, RECT{src.left, src.bottom - h, src.right, src.bottom}, RECT{dst.left, y - h, dst.right, y});
          }
        }
        DrawPiece(b, pic, RECT{s.left, s.top, s.right, s.top + FBeginOffset},
                  RECT{p.left, p.top, p.right, p.top + FBeginOffset});
        DrawPiece(b, pic, RECT{s.left, s.bottom - FEndOffset, s.right, s.bottom},
                  RECT{p.left, p.bottom - FEndOffset, p.right, p.bottom});
      }
    }
  }
  if (UseSkinSize) DrawBlendedText(b, SkinTextFont());
}

TspFontDesc TspSkinGauge::SkinTextFont() const {
  if (UseSkinFont) return FSkinFont;
  TspFontDesc font = FDefaultFont;
  font.Color = FSkinFontColor;
  return font;
}

void TspSkinGauge::DrawBlendedText(TspPaintBuffer& b, const TspFontDesc& font) {
  if (!FTextAlphaBlend || Text().empty()) {
    DrawText(b, font);
    return;
  }
  TspPaintBuffer under(b.Width(), b.Height());
  BitBlt(under.DC(), 0, 0, b.Width(), b.Height(), b.DC(), 0, 0, SRCCOPY);
  DrawText(b, font);
  b.BlendOver(under, FTextAlphaBlendValue);
}

void TspSkinGauge::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    PaintIntoEraseDC(m);
    return;
  }
  Base::WndProc(m);
}
