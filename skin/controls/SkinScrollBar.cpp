#include "skin/controls/SkinScrollBar.h"

namespace {
bool In(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
}  // namespace

TspSkinScrollBar::TspSkinScrollBar(TComponent* owner) : Base(owner) {
  SetSkinDataName("hscrollbar");
  SetBounds(0, 0, 200, 19);
  FDefaultHeight = 19;
  ControlStyle &= ~csClickEvents;
}

int TspSkinScrollBar::Clamp(int64_t v) const {
  if (v < FMin) return FMin;
  int64_t top = FPageSize == 0 ? int64_t{FMax} : int64_t{FMax} - FPageSize + 1;
  return ClampToInt(v > top ? top : v);
}

void TspSkinScrollBar::SetPosition(int value) {
  int v = Clamp(value);
  if (v == FPosition) return;
  FPosition = v;
  Repaint();
  if (OnChange) OnChange(this);
}

void TspSkinScrollBar::SimplySetPosition(int value) {
  int v = Clamp(value);
  if (v == FPosition) return;
  FPosition = v;
  Repaint();
}

void TspSkinScrollBar::SetRange(int min, int max, int position, int pageSize) {
  FMin = min;
  FMax = max;
  FPageSize = pageSize;
  FPosition = Clamp(position);
  Repaint();
}

void TspSkinScrollBar::SetMin(int value) {
  FMin = value;
  if (FPosition < FMin) FPosition = FMin;
  Repaint();
}

// The new end keeps the position inside the bar's own clamp; measuring
// from 0 instead of Min would move a valid position when Min is not 0.
void TspSkinScrollBar::SetMax(int value) {
  FMax = value;
  if (FPageSize != 0) {
    int64_t top = int64_t{FMax} - FPageSize + 1;
    if (FPosition > top) FPosition = ClampToInt(top);
    if (FPosition < FMin) FPosition = FMin;
  } else if (FMax < FPosition) {
    FPosition = FMax;
  }
  Repaint();
}

void TspSkinScrollBar::SetPageSize(int value) {
  // A page that would reach past Max from the present position is refused.
  if (int64_t{FPosition} + value - 1 <= FMax) FPageSize = value;
  Repaint();
}

void TspSkinScrollBar::SetSmallChange(int value) {
  FSmallChange = value;
  Repaint();
}

void TspSkinScrollBar::SetLargeChange(int value) {
  FLargeChange = value;
  Repaint();
}

void TspSkinScrollBar::SetKind(TScrollBarKind value) {
  if (value == FKind) return;
  FKind = value;
  Repaint();
}

void TspSkinScrollBar::SetBoth(bool value) {
  if (value == FBoth) return;
  FBoth = value;
  if (value) {
    FNormalSkinDataName = SkinDataName();
    SetSkinDataName(BothSkinDataName);
  } else if (!FNormalSkinDataName.empty()) {
    SetSkinDataName(FNormalSkinDataName);
  }
  if (FIndex == -1)
    Repaint();
  else
    ChangeSkinData();
}

void TspSkinScrollBar::SetBothMarkerWidth(int value) {
  if (value < 0) return;
  FBothMarkerWidth = value;
  if (FIndex == -1) Repaint();
}

void TspSkinScrollBar::GetSkinData() {
  Base::GetSkinData();
  FBarElement = false;
  auto* e = dynamic_cast<TspDataSkinScrollBarControl*>(Element());
  if (!e) return;
  FBarElement = true;
  FTrackArea = ToRECT(e->TrackArea);
  FUpButtonRect = ToRECT(e->UpButtonRect);
  FDownButtonRect = ToRECT(e->DownButtonRect);
  FActiveUpButtonRect = ToRECT(e->ActiveUpButtonRect);
  FDownUpButtonRect = ToRECT(e->DownUpButtonRect);
  FActiveDownButtonRect = ToRECT(e->ActiveDownButtonRect);
  FDownDownButtonRect = ToRECT(e->DownDownButtonRect);
  FThumbRect = ToRECT(e->ThumbRect);
  FActiveThumbRect = ToRECT(e->ActiveThumbRect);
  FDownThumbRect = ToRECT(e->DownThumbRect);
  FThumbOffset1 = e->ThumbOffset1;
  FThumbOffset2 = e->ThumbOffset2;
  FThumbMinSize = e->ThumbMinSize;
  FThumbMinPageSize = e->ThumbMinPageSize;
  FThumbStretchEffect = e->ThumbStretchEffect;
  FGlyphRect = ToRECT(e->GlyphRect);
  FActiveGlyphRect = ToRECT(e->ActiveGlyphRect);
  if (IsEmptyRECT(FActiveGlyphRect)) FActiveGlyphRect = FGlyphRect;
  FDownGlyphRect = ToRECT(e->DownGlyphRect);
  if (IsEmptyRECT(FDownGlyphRect)) FDownGlyphRect = FActiveGlyphRect;
  FGlyphTransparent = e->GlyphTransparent;
  FGlyphTransparentColor = static_cast<COLORREF>(e->GlyphTransparentColor) & 0xFFFFFF;
  FThumbTransparent = e->ThumbTransparent;
  FThumbTransparentColor = static_cast<COLORREF>(e->ThumbTransparentColor) & 0xFFFFFF;
}

namespace {

// 0x00BBGGRR as the 0x00RRGGBB of picture and buffer pixels.
uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// Copies `w` x `h` pixels to (x, y) of `to`, leaving out those of colour
// `key`; the rectangle is clipped to the buffer.
void CopyKeyed(TspPaintBuffer& to, int x, int y, const uint32_t* from, int stride, int w, int h, uint32_t key) {
  GdiFlush();
  uint32_t* bits = to.Bits();
  for (int j = 0; j < h; ++j) {
    int ty = y + j;
    if (ty < 0 || ty >= to.Height()) continue;
    for (int i = 0; i < w; ++i) {
      int tx = x + i;
      if (tx < 0 || tx >= to.Width()) continue;
      uint32_t p = from[size_t(j) * stride + i] & 0xFFFFFF;
      if (p != key) bits[size_t(ty) * to.Width() + tx] = p;
    }
  }
}

}  // namespace

void TspSkinScrollBar::CalcRects() {
  bool horz = FKind == sbHorizontal;
  int64_t range = int64_t{FMax} - FMin;
  double q = range == 0 ? 0.0 : static_cast<double>(int64_t{FPosition} - FMin) / static_cast<double>(range);
  int w = Width(), h = Height();
  GetSkinData();
  bool skinned = FIndex != -1 && FBarElement;
  int minLength = 16;
  int breadth = 0;  // the skinned thumb's breadth across the bar
  if (skinned) {
    // Parts right of (below) the stretched middle follow the far end.
    int d = horz ? w - Geometry.SkinWidth() : h - Geometry.SkinHeight();
    FNewTrackArea = FTrackArea;
    (horz ? FNewTrackArea.right : FNewTrackArea.bottom) += d;
    RECT up = FUpButtonRect, down = FDownButtonRect;
    auto follow = [&](RECT& r) {
      if (horz ? r.left > Geometry.RTPt.x : r.top > Geometry.LBPt.y) {
        if (horz) {
          r.left += d;
          r.right += d;
        } else {
          r.top += d;
          r.bottom += d;
        }
      }
    };
    follow(up);
    follow(down);
    FButtons[kUpButton].R = up;
    FButtons[kDownButton].R = down;
    int thumbLength = horz ? FThumbRect.right - FThumbRect.left : FThumbRect.bottom - FThumbRect.top;
    breadth = horz ? FThumbRect.bottom - FThumbRect.top : FThumbRect.right - FThumbRect.left;
    minLength = FThumbMinSize != 0 ? FThumbMinSize : thumbLength;
  } else if (horz) {
    int bw = FBoth ? w - FBothMarkerWidth : w;
    FButtons[kDownButton].R = RECT{1, 1, 17, h - 1};
    FButtons[kUpButton].R = RECT{bw - 17, 1, bw - 1, h - 1};
    FNewTrackArea = RECT{17, 1, bw - 17, h - 1};
  } else {
    FButtons[kDownButton].R = RECT{1, 1, w - 1, 17};
    FButtons[kUpButton].R = RECT{1, h - 17, w - 1, h - 1};
    FNewTrackArea = RECT{1, 17, w - 1, h - 17};
  }
  int length = minLength;
  if (skinned && FPageSize == 0 && FThumbMinPageSize != 0) length = FThumbMinPageSize;
  double f = q;
  int trackStart = horz ? FNewTrackArea.left : FNewTrackArea.top;
  int trackEnd = horz ? FNewTrackArea.right : FNewTrackArea.bottom;
  if (FPageSize != 0) {
    int t = trackEnd - trackStart;
    int64_t span = range + 1;
    length = span == 0 ? 0 : RoundHalfEven(static_cast<double>(t) * FPageSize / static_cast<double>(span));
    if (length < minLength) length = minLength;
    int64_t room = int64_t{FMax} - FPageSize + 1 - FMin;
    if (room > 0)
      f = static_cast<double>(int64_t{FPosition} - FMin) / static_cast<double>(room);
    else
      f = horz ? 1.0 : 0.0;
  }
  int half = length / 2;
  FOffset1 = trackStart + half;
  FOffset2 = trackEnd - half;
  FBOffset = RoundHalfEven((FOffset2 - FOffset1) * f);
  int a = FOffset1 + FBOffset - half, b = FOffset1 + FBOffset + half;
  if (skinned) {
    // Centred across the track with the thumb picture's breadth.
    int across = horz ? FNewTrackArea.top + (FNewTrackArea.bottom - FNewTrackArea.top) / 2 - breadth / 2
                      : FNewTrackArea.left + (FNewTrackArea.right - FNewTrackArea.left) / 2 - breadth / 2;
    FButtons[kThumb].R = horz ? RECT{a, across, b, across + breadth} : RECT{across, a, across + breadth, b};
  } else if (horz) {
    FButtons[kThumb].R = RECT{a, FNewTrackArea.top, b, FNewTrackArea.bottom};
  } else {
    FButtons[kThumb].R = RECT{FNewTrackArea.left, a, FNewTrackArea.right, b};
  }
}

int TspSkinScrollBar::CalcValue(int offset) {
  bool horz = FKind == sbHorizontal;
  if (FPageSize == 0) return ValueAtOffset(offset, FMin, FMax);
  const RECT& t = FButtons[kThumb].R;
  int half = (horz ? t.right - t.left : t.bottom - t.top) / 2;
  int o1 = (horz ? FNewTrackArea.left : FNewTrackArea.top) + half;
  int o2 = (horz ? FNewTrackArea.right : FNewTrackArea.bottom) - half;
  return ValueAlongRun(int64_t{offset} + FOldBOffset, o2 - o1, FMin, int64_t{FMax} - FMin - FPageSize + 1);
}

void TspSkinScrollBar::StepDown() {
  if (OnDownButtonClick)
    OnDownButtonClick(this);
  else
    SetPosition(ClampToInt(int64_t{FPosition} - FSmallChange));
}

void TspSkinScrollBar::StepUp() {
  if (OnUpButtonClick)
    OnUpButtonClick(this);
  else
    SetPosition(ClampToInt(int64_t{FPosition} + FSmallChange));
}

void TspSkinScrollBar::StartWait() {
  FTimer.Stop();
  FTimer.Start(500, [this] { TimerTick(); });
}

void TspSkinScrollBar::StartScroll() {
  FTimer.Stop();
  FTimer.Start(50, [this] { TimerTick(); });
}

void TspSkinScrollBar::StopTimer() {
  FTimer.Stop();
  FTimerMode = 0;
}

void TspSkinScrollBar::TimerTick() {
  if (FWaitMode) {
    // The first delay is over; the repeat runs at its own pace.
    FWaitMode = false;
    StartScroll();
    return;
  }
  bool horz = FKind == sbHorizontal;
  const RECT& t = FButtons[kThumb].R;
  switch (FTimerMode) {
    case 1:
      StepDown();
      break;
    case 2:
      StepUp();
      break;
    case 3:
      TestActive(FMX, FMY);
      if (horz ? FMX < t.left : FMY < t.top) {
        SetPosition(ClampToInt(int64_t{FPosition} - FLargeChange));
        CalcRects();
        if (OnPageUp) OnPageUp(this);
      } else {
        StopTimer();
      }
      break;
    case 4:
      TestActive(FMX, FMY);
      if (horz ? FMX > t.right : FMY > t.bottom) {
        SetPosition(ClampToInt(int64_t{FPosition} + FLargeChange));
        CalcRects();
        if (OnPageDown) OnPageDown(this);
      } else {
        StopTimer();
      }
      break;
    default:
      break;
  }
}

void TspSkinScrollBar::TestActive(int x, int y) {
  FOldActiveButton = FActiveButton;
  FActiveButton = -1;
  for (int i = 0; i < 3; ++i) {
    if (In(FButtons[i].R, x, y)) {
      FActiveButton = i;
      break;
    }
  }
  if (FCaptureButton != -1 && FActiveButton != FCaptureButton && FActiveButton != -1) FActiveButton = -1;
  if (FActiveButton != FOldActiveButton) {
    if (FOldActiveButton != -1) ButtonLeave(FOldActiveButton);
    if (FActiveButton != -1) ButtonEnter(FActiveButton);
  }
}

void TspSkinScrollBar::ButtonEnter(int i) {
  FButtons[i].MouseIn = true;
  Repaint();
  if ((i == kUpButton || i == kDownButton) && FButtons[i].Down) StartScroll();
}

void TspSkinScrollBar::ButtonLeave(int i) {
  FButtons[i].MouseIn = false;
  Repaint();
  if ((i == kUpButton || i == kDownButton) && FButtons[i].Down) FTimer.Stop();
}

void TspSkinScrollBar::ButtonDown(int i, int x, int y) {
  FButtons[i].Down = true;
  Repaint();
  switch (i) {
    case kThumb:
      FOMPos = FKind == sbVertical ? y : x;
      FOldBOffset = FBOffset;
      FDown = true;
      Repaint();
      break;
    case kUpButton:
      StepUp();
      FTimerMode = 2;
      StartWait();
      break;
    case kDownButton:
      StepDown();
      FTimerMode = 1;
      StartWait();
      break;
  }
}

void TspSkinScrollBar::ButtonUp(int i) {
  FButtons[i].Down = false;
  if (i != FActiveButton) FButtons[i].MouseIn = false;
  Repaint();
  if (i == kThumb)
    FDown = false;
  else
    StopTimer();
}

void TspSkinScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  FMouseD = true;
  FMX = x;
  FMY = y;
  CalcRects();
  FTimerMode = 0;
  FWaitMode = true;
  for (int i = 0; i < 3; ++i) {
    if (In(FButtons[i].R, x, y)) {
      FCaptureButton = i;
      ButtonDown(i, x, y);
      return;
    }
  }
  if (!In(FNewTrackArea, x, y)) return;
  const RECT& t = FButtons[kThumb].R;
  bool before = FKind == sbHorizontal ? x < t.left : y < t.top;
  if (before) {
    SetPosition(ClampToInt(int64_t{FPosition} - FLargeChange));
    FTimerMode = 3;
    StartWait();
    if (OnPageUp) OnPageUp(this);
  } else {
    SetPosition(ClampToInt(int64_t{FPosition} + FLargeChange));
    FTimerMode = 4;
    StartWait();
    if (OnPageDown) OnPageDown(this);
  }
  CalcRects();
}

void TspSkinScrollBar::MouseMove(TShiftState shift, int x, int y) {
  FMX = x;
  FMY = y;
  TestActive(x, y);
  if (FDown) {
    int along = FKind == sbVertical ? y : x;
    int offset = along - FOMPos;
    if (FPageSize == 0) offset += FOldBOffset;
    SetPosition(CalcValue(offset));
    CalcRects();
  }
  Base::MouseMove(shift, x, y);
}

void TspSkinScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseUp(button, shift, x, y);
  FMouseD = false;
  if (FTimerMode >= 3) StopTimer();
  int captured = FCaptureButton;
  if (captured != -1) ButtonUp(captured);
  if (button == mbLeft && captured == kThumb && OnLastChange) OnLastChange(this);
  FCaptureButton = -1;
}

void TspSkinScrollBar::KeyDown(WORD& key, TShiftState shift) {
  Base::KeyDown(key, shift);
  if (!FCanFocused) return;
  if (key == VK_LEFT || key == VK_UP)
    SetPosition(ClampToInt(int64_t{FPosition} - FSmallChange));
  else if (key == VK_RIGHT || key == VK_DOWN)
    SetPosition(ClampToInt(int64_t{FPosition} + FSmallChange));
}

void TspSkinScrollBar::WheelTurned(bool away) {
  if (away)
    SetPosition(ClampToInt(int64_t{FPosition} - FSmallChange));
  else
    SetPosition(ClampToInt(int64_t{FPosition} + FSmallChange));
}

void TspSkinScrollBar::OwnHoverChanged(bool entered) {
  if (entered) return;
  if (FActiveButton != -1 && FCaptureButton == -1 && !FDown) {
    FButtons[FActiveButton].MouseIn = false;
    Repaint();
    FActiveButton = -1;
  }
  if (FMouseD && FTimerMode >= 3) StopTimer();
}

void TspSkinScrollBar::WndProc(TMessage& m) {
  Base::WndProc(m);
  if (m.Msg == CM_ENABLEDCHANGED) Repaint();
}

void TspSkinScrollBar::DrawButton(TspPaintBuffer& b, int i) {
  const TButton& btn = FButtons[i];
  TspFaceState state = fsNormalFace;
  if ((i != kThumb && btn.Down && btn.MouseIn) || (i == kThumb && (btn.Down || FocusedHere())))
    state = fsDownFace;
  else if (btn.MouseIn)
    state = fsHotFace;
  RECT in = DrawDefaultFace(b, btn.R, state);
  if (i == kThumb) return;
  bool horz = FKind == sbHorizontal;
  TspArrowDirection dir = i == kUpButton ? (horz ? adRight : adDown) : (horz ? adLeft : adUp);
  DrawArrowGlyph(b.DC(), in, dir, RGB(0, 0, 0));
}

void TspSkinScrollBar::PaintSkinImage(TspPaintBuffer& b) {
  CalcRects();
  Base::PaintSkinImage(b);
  if (!FBarElement || !Picture) return;
  TspImageSource pic = ImageSourceOf(Picture);
  for (int i : {kUpButton, kDownButton}) {
    const TButton& btn = FButtons[i];
    RECT r{};
    if (btn.Down && btn.MouseIn)
      r = i == kUpButton ? FDownUpButtonRect : FDownDownButtonRect;
    else if (btn.MouseIn)
      r = i == kUpButton ? FActiveUpButtonRect : FActiveDownButtonRect;
    // The normal look of the arrows is part of the element's picture.
    if (!IsEmptyRECT(r)) DrawPiece(b, pic, r, btn.R);
  }
  if (!Enabled()) return;
  const TButton& thumb = FButtons[kThumb];
  RECT r = (thumb.Down || FocusedHere()) ? FDownThumbRect : thumb.MouseIn ? FActiveThumbRect : FThumbRect;
  if (IsEmptyRECT(r)) r = FThumbRect;
  if (IsEmptyRECT(r) || IsEmptyRECT(thumb.R)) return;
  int tw = thumb.R.right - thumb.R.left, th = thumb.R.bottom - thumb.R.top;
  TspPaintBuffer t(tw, th);
  if (FPageSize == 0 && FThumbMinPageSize == 0) {
    DrawPiece(t, pic, r, t.ClientRect());
  } else if (FKind == sbHorizontal) {
    DrawHorzThreePart(t, pic, r, FThumbOffset1, FThumbOffset2, FThumbStretchEffect);
  } else {
    DrawVertThreePart(t, pic, r, FThumbOffset1, FThumbOffset2, FThumbStretchEffect);
  }
  // The grip marks, centred on the thumb, by the same state rule.
  RECT g = (thumb.Down || FocusedHere()) ? FDownGlyphRect : thumb.MouseIn ? FActiveGlyphRect : FGlyphRect;
  RECT gs{std::max<LONG>(g.left, 0), std::max<LONG>(g.top, 0), std::min<LONG>(g.right, pic.Width),
          std::min<LONG>(g.bottom, pic.Height)};
  if (!IsEmptyRECT(g) && !IsEmptyRECT(gs)) {
    int gw = g.right - g.left, gh = g.bottom - g.top;
    RECT at{tw / 2 - gw / 2, th / 2 - gh / 2, tw / 2 - gw / 2 + gw, th / 2 - gh / 2 + gh};
    if (FGlyphTransparent)
      CopyKeyed(t, at.left + (gs.left - g.left), at.top + (gs.top - g.top),
                pic.Pixels + size_t(gs.top) * pic.Width + gs.left, pic.Width, gs.right - gs.left,
                gs.bottom - gs.top, PixelOf(FGlyphTransparentColor));
    else
      DrawPiece(t, pic, g, at);
  }
  if (AlphaBlend()) {
    // Blended with the bar already painted under it.
    TspPaintBuffer under(tw, th);
    BitBlt(under.DC(), 0, 0, tw, th, b.DC(), thumb.R.left, thumb.R.top, SRCCOPY);
    t.BlendOver(under, AlphaBlendValue());
  }
  if (FThumbTransparent) {
    GdiFlush();
    CopyKeyed(b, thumb.R.left, thumb.R.top, t.Bits(), tw, tw, th, PixelOf(FThumbTransparentColor));
    return;
  }
  BitBlt(b.DC(), thumb.R.left, thumb.R.top, tw, th, t.DC(), 0, 0, SRCCOPY);
}

void TspSkinScrollBar::PaintDefaultImage(TspPaintBuffer& b) {
  CalcRects();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < 3; ++i) {
    if (i == kThumb && !Enabled()) continue;
    DrawButton(b, i);
  }
}
