#include "skin/controls/SkinTrackBar.h"

TspSkinTrackBar::TspSkinTrackBar(TComponent* owner) : Base(owner) {
  SetSkinDataName("htrackbar");
  SetBounds(0, 0, 100, 20);
  ControlStyle &= ~csClickEvents;
}

void TspSkinTrackBar::ValueChanged() {
  Repaint();
  if (OnChange) OnChange(this);
}

RECT TspSkinTrackBar::CalcButtonRect(const RECT& r) {
  int64_t range = int64_t{FMaxValue} - FMinValue;
  double k = range == 0 ? 0.0 : static_cast<double>(int64_t{FValue} - FMinValue) / static_cast<double>(range);
  int bw, bh;
  if (FIndex != -1 && FTrackElement) {
    bw = FButtonRect.right - FButtonRect.left;
    bh = FButtonRect.bottom - FButtonRect.top;
  } else if (FVertical) {
    bw = Width() - 4;
    bh = (Width() - 4) / 2;
  } else {
    bw = (Height() - 4) / 2;
    bh = Height() - 4;
  }
  RECT b;
  if (!FVertical) {
    FOffset1 = r.left + bw / 2;
    FOffset2 = r.right - bw / 2;
    FBOffset = RoundHalfEven((FOffset2 - FOffset1) * k);
    b.left = FOffset1 + FBOffset - bw / 2;
    b.top = r.top + (r.bottom - r.top) / 2 - bh / 2;
  } else {
    FOffset1 = r.top + bh / 2;
    FOffset2 = r.bottom - bh / 2;
    FBOffset = RoundHalfEven((FOffset2 - FOffset1) * k);
    b.left = r.left + (r.right - r.left) / 2 - bw / 2;
    b.top = FOffset2 - FBOffset - bh / 2;
  }
  b.right = b.left + bw;
  b.bottom = b.top + bh;
  return b;
}

void TspSkinTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseDown(button, shift, x, y);
  if (!MouseSupport || button != mbLeft) return;
  FBR = CalcButtonRect(TrackRect());
  if (x >= FBR.left && x <= FBR.right && y >= FBR.top && y <= FBR.bottom) {
    FOMPos = FVertical ? y : x;
    FOldBOffset = FBOffset;
    FDown = true;
    Repaint();
    if (OnStartDragButton) OnStartDragButton(this);
  }
}

void TspSkinTrackBar::MouseMove(TShiftState shift, int x, int y) {
  if (MouseSupport && FDown) {
    int d = FVertical ? FOldBOffset + (FOMPos - y) : FOldBOffset + (x - FOMPos);
    SetValue(ValueAtOffset(d, FMinValue, FMaxValue));
  }
  Base::MouseMove(shift, x, y);
}

void TspSkinTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseUp(button, shift, x, y);
  if (button != mbLeft || !MouseSupport) return;
  if (FDown) {
    FDown = false;
    Repaint();
    LastChange();
  } else if (JumpWhenClick) {
    FBR = CalcButtonRect(TrackRect());
    const int a = FIndex != -1 && FTrackElement ? (FVertical ? FNewTrackArea.top : FNewTrackArea.left) : 2;
    int d = FVertical ? (Height() - y) - (FBR.bottom - FBR.top) / 2 - a : x - (FBR.right - FBR.left) / 2 - a;
    SetValue(ValueAtOffset(d, FMinValue, FMaxValue));
  }
}

void TspSkinTrackBar::KeyDown(WORD& key, TShiftState shift) {
  Base::KeyDown(key, shift);
  if (!FCanFocused) return;
  switch (key) {
    case VK_LEFT:
    case VK_DOWN:
      SetValue(ClampToInt(int64_t{FValue} - 1));
      LastChange();
      break;
    case VK_UP:
    case VK_RIGHT:
      SetValue(ClampToInt(int64_t{FValue} + 1));
      LastChange();
      break;
    default:
      break;
  }
}

void TspSkinTrackBar::WheelTurned(bool away) {
  int step = FVertical ? (away ? 1 : -1) : (away ? -1 : 1);
  SetValue(ClampToInt(int64_t{FValue} + step));
  LastChange();
}

void TspSkinTrackBar::GetSkinData() {
  Base::GetSkinData();
  FTrackElement = false;
  auto* e = dynamic_cast<TspDataSkinTrackBarControl*>(Element());
  if (!e) return;
  FTrackElement = true;
  FActiveSkinRect = ToRECT(e->ActiveSkinRect);
  FTrackArea = ToRECT(e->TrackArea);
  FButtonRect = ToRECT(e->ButtonRect);
  FActiveButtonRect = ToRECT(e->ActiveButtonRect);
  if (IsEmptyRECT(FActiveButtonRect)) FActiveButtonRect = FButtonRect;
  FVertical = e->Vertical;  // the skin's orientation wins
}

void TspSkinTrackBar::CalcSkinSize(int& width, int& height) {
  Base::CalcSkinSize(width, height);
  FNewTrackArea = FTrackArea;
  if (Geometry.ResizeMode > 0) {
    if (FVertical)
      FNewTrackArea.bottom += height - Geometry.SkinHeight();
    else
      FNewTrackArea.right += width - Geometry.SkinWidth();
  }
}

RECT TspSkinTrackBar::TrackRect() const {
  if (FIndex != -1 && FTrackElement) return FNewTrackArea;
  return RECT{2, 2, Width() - 2, Height() - 2};
}

void TspSkinTrackBar::PaintSkinImage(TspPaintBuffer& b) {
  Base::PaintSkinImage(b);
  if (!FTrackElement || !Picture) return;
  FBR = CalcButtonRect(FNewTrackArea);
  TspImageSource pic = ImageSourceOf(Picture);
  if (!IsEmptyRECT(FActiveSkinRect)) {
    // The filled part of the track comes from the active picture.
    TspPaintBuffer active(b.Width(), b.Height());
    CreateSkinImage(active, Picture, FActiveSkinRect);
    if (FVertical) {
      int top = FBR.top + (FBR.bottom - FBR.top) / 2;
      if (top < b.Height()) BitBlt(b.DC(), 0, top, b.Width(), b.Height() - top, active.DC(), 0, top, SRCCOPY);
    } else {
      int right = FBR.left + (FBR.right - FBR.left) / 2;
      if (right > 0) BitBlt(b.DC(), 0, 0, right, b.Height(), active.DC(), 0, 0, SRCCOPY);
    }
  }
  RECT thumb = (FDown || FocusedHere()) ? FActiveButtonRect : FButtonRect;
  if (!IsEmptyRECT(thumb)) DrawPiece(b, pic, thumb, FBR);
}

void TspSkinTrackBar::PaintDefaultImage(TspPaintBuffer& b) {
  int w = b.Width(), h = b.Height();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  RECT g = FVertical ? RECT{w / 2 - 1, 4, w / 2 + 1, h - 4} : RECT{4, h / 2 - 1, w - 4, h / 2 + 1};
  // The groove: shadow at the top-left, highlight at the bottom-right.
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HGDIOBJ old = SelectObject(b.DC(), dark);
  MoveToEx(b.DC(), g.left, g.bottom - 1, nullptr);
  LineTo(b.DC(), g.left, g.top);
  LineTo(b.DC(), g.right, g.top);
  SelectObject(b.DC(), light);
  MoveToEx(b.DC(), g.right - 1, g.top + 1, nullptr);
  LineTo(b.DC(), g.right - 1, g.bottom - 1);
  LineTo(b.DC(), g.left, g.bottom - 1);
  SelectObject(b.DC(), old);
  DeleteObject(dark);
  DeleteObject(light);
  FBR = CalcButtonRect(RECT{2, 2, w - 2, h - 2});
  DrawDefaultFace(b, FBR, FDown ? fsDownFace : FocusedHere() ? fsHotFace : fsNormalFace);
}
