// Value, animation and label frame objects.
#include "skin/frame/SkinValueObjects.h"

#include <algorithm>
#include <cmath>

#include "skin/frame/DynamicSkinForm.h"

namespace {

int RoundEven(double v) { return int(std::nearbyint(v)); }

TPoint Pt(const TspPoint& p) { return TPoint{p.X, p.Y}; }

TBitmap* PictureOf(TspSkinData* sd, int index) {
  if (!sd || index < 0 || index >= int(sd->FActivePictures.size())) return nullptr;
  TBitmap* b = sd->ActivePicture(index);
  return (b && !b->Empty()) ? b : nullptr;
}

void Copy(TCanvas* c, TBitmap* src, const TRect& s, const TRect& d) {
  if (!c || !src || src->Empty() || s.IsEmpty() || d.IsEmpty()) return;
  c->CopyRect(d, src->Canvas(), s);
}

}  // namespace

// ---------------------------------------------------------------------------
// The maths

namespace spvalue {

TTrackKind TrackKindOf(TPoint Begin, TPoint End) {
  return std::abs(Begin.Y - End.Y) >= std::abs(End.X - Begin.X) ? tkVertical : tkHorizontal;
}

TPoint TrackBarPos(TTrackKind Kind, TPoint Begin, TPoint End, int Min, int Max, int Value) {
  const double x = Max == Min ? 0.0 : double(Value - Min) / double(Max - Min);
  if (Kind == tkHorizontal) return TPoint{Begin.X + RoundEven((End.X - Begin.X) * x), Begin.Y};
  return TPoint{Begin.X, End.Y + RoundEven((1 - x) * (Begin.Y - End.Y))};
}

int TrackBarValue(TTrackKind Kind, TPoint Begin, TPoint End, int Min, int Max, TPoint Pos) {
  double x;
  if (Kind == tkHorizontal) {
    if (End.X == Begin.X) return Min;
    x = double(Pos.X - Begin.X) / double(End.X - Begin.X);
  } else {
    if (Begin.Y == End.Y) return Min;
    x = 1 - double(Pos.Y - End.Y) / double(Begin.Y - End.Y);
  }
  return Min + RoundEven((Max - Min) * x);
}

TPoint GaugeFill(TGaugeKind Kind, int W, int H, int Min, int Max, int Value) {
  const double x = Max == Min ? 0.0 : double(Value - Min) / double(Max - Min);
  if (Kind == gkHorizontal) return TPoint{RoundEven(W * x), 0};
  return TPoint{0, RoundEven(H * (1 - x))};
}

int FrameForValue(int Count, int Min, int Max, int Value) {
  if (Count < 2) return 1;
  const int step = (Max - Min) / (Count - 1);
  if (step == 0) return 1;
  return std::clamp(std::abs(Value - Min) / step + 1, 1, Count);
}

int PointToAngle(int X, int Y, int W, int H) {
  X = std::clamp(X, 0, W);
  Y = std::clamp(Y, 0, H);
  const int cx = W / 2, cy = H / 2;
  const double dx = cx - X, dy = cy - Y;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r == 0) return 0;
  int q = 0;
  if (X <= cx && Y < cy) q = 90;
  if (X < cx && Y >= cy) q = 180;
  if (X >= cx && Y > cy) q = 270;
  if (X > cx && Y <= cy) q = 0;
  const double m = (q == 0 || q == 180) ? std::abs(dy) / r : std::abs(dx) / r;
  const double a = m >= 1 ? 90.0 : std::atan(m / std::sqrt(1 - m * m)) * 180.0 / M_PI;
  int result = 270 - RoundEven(q + a);
  if (result < 0) result += 360;
  return result % 360;
}

}  // namespace spvalue

// ---------------------------------------------------------------------------
// Track bar

TspSkinTrackBarObject::TspSkinTrackBarObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinTrackBar*>(AData)) {
    ButtonRect = ToTRect(d->ButtonRect);
    ActiveButtonRect = ToTRect(d->ActiveButtonRect);
    BeginPoint = Pt(d->BeginPoint);
    EndPoint = Pt(d->EndPoint);
    MinValue = d->MinValue;
    MaxValue = d->MaxValue;
    MouseDownChangeValue = d->MouseDownChangeValue;
    ButtonTransparent = d->ButtonTransparent;
    ButtonTransparentColor = d->ButtonTransparentColor;
  }
  TrackKind = spvalue::TrackKindOf(BeginPoint, EndPoint);
  FValue = MinValue;
  FButtonPos = FOldButtonPos = spvalue::TrackBarPos(TrackKind, BeginPoint, EndPoint, MinValue, MaxValue, FValue);
}

void TspSkinTrackBarObject::SimplySetValue(int AValue) {
  FValue = std::clamp(AValue, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
  FOldButtonPos = FButtonPos;
  FButtonPos = spvalue::TrackBarPos(TrackKind, BeginPoint, EndPoint, MinValue, MaxValue, FValue);
  Parent->DoTrackBarChangeValue(IDName, FValue);
}

void TspSkinTrackBarObject::SetValue(int AValue) {
  if (AValue == FValue) return;
  FValue = std::clamp(AValue, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
  FOldButtonPos = FButtonPos;
  FButtonPos = spvalue::TrackBarPos(TrackKind, BeginPoint, EndPoint, MinValue, MaxValue, FValue);
  Parent->DrawSkinObject(this);
  Parent->DoTrackBarChangeValue(IDName, FValue);
}

void TspSkinTrackBarObject::SetButtonPos(TPoint P) {
  if (P.X == FButtonPos.X && P.Y == FButtonPos.Y) return;
  FOldButtonPos = FButtonPos;
  FButtonPos = P;
  FValue = spvalue::TrackBarValue(TrackKind, BeginPoint, EndPoint, MinValue, MaxValue, P);
  Parent->DrawSkinObject(this);
  Parent->DoTrackBarChangeValue(IDName, FValue);
}

TRect TspSkinTrackBarObject::ThumbRect(TPoint P) const {
  const int w = ButtonRect.Width(), h = ButtonRect.Height();
  const int l = P.X - w / 2, t = P.Y - h / 2;
  return TRect{l, t, l + w, t + h};
}

void TspSkinTrackBarObject::Draw(TCanvas* Cnvs, bool) {
  if (!SkinUsable() || !Picture) return;
  const TRect B = (MoveActive && !ActiveButtonRect.IsEmpty()) ? ActiveButtonRect : ButtonRect;
  const int w = SkinRect.Width(), h = SkinRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap track(w, h);
  TCanvas* c = track.Canvas();
  const int bx = std::clamp(FButtonPos.X, 0, w), by = std::clamp(FButtonPos.Y, 0, h);
  if (ActiveSkinRect.IsEmpty() || !ActivePicture) {
    Copy(c, Picture, SkinRect, TRect{0, 0, w, h});
  } else if (TrackKind == tkHorizontal) {
    Copy(c, ActivePicture, TRect{ActiveSkinRect.Left, ActiveSkinRect.Top, ActiveSkinRect.Left + bx, ActiveSkinRect.Bottom},
         TRect{0, 0, bx, h});
    Copy(c, Picture, TRect{SkinRect.Left + bx, SkinRect.Top, SkinRect.Right, SkinRect.Bottom}, TRect{bx, 0, w, h});
  } else {
    Copy(c, Picture, TRect{SkinRect.Left, SkinRect.Top, SkinRect.Right, SkinRect.Top + by}, TRect{0, 0, w, by});
    Copy(c, ActivePicture, TRect{ActiveSkinRect.Left, ActiveSkinRect.Top + by, ActiveSkinRect.Right, ActiveSkinRect.Bottom},
         TRect{0, by, w, h});
  }
  if (ActivePicture && !B.IsEmpty()) {
    const TRect T = ThumbRect(FButtonPos);
    if (ButtonTransparent) {
      TBitmap thumb(B.Width(), B.Height());
      Copy(thumb.Canvas(), ActivePicture, B, TRect{0, 0, B.Width(), B.Height()});
      GdiTransparentBlt(c->Handle(), T.Left, T.Top, B.Width(), B.Height(), thumb.Canvas()->Handle(), 0, 0, B.Width(),
                        B.Height(), UINT(ColorToRGB(ButtonTransparentColor)));
    } else {
      Copy(c, ActivePicture, B, T);
    }
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &track);
}

void TspSkinTrackBarObject::MouseDown(int X, int Y, TMouseButton Button) {
  const int x = X - ObjectRect.Left, y = Y - ObjectRect.Top;
  if (Button == mbLeft && PtInTRect(ThumbRect(FButtonPos), x, y)) {
    MoveActive = true;
    FOldMPoint = TPoint{x, y};
    if (!ActiveButtonRect.IsEmpty()) Parent->DrawSkinObject(this);
  } else if (MouseDownChangeValue && Button == mbLeft) {
    if (TrackKind == tkHorizontal)
      SetButtonPos(TPoint{std::min(EndPoint.X, std::max(BeginPoint.X, x)), BeginPoint.Y});
    else
      SetButtonPos(TPoint{BeginPoint.X, std::min(BeginPoint.Y, std::max(EndPoint.Y, y))});
  }
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinTrackBarObject::MouseMove(int X, int Y) {
  const int x = X - ObjectRect.Left, y = Y - ObjectRect.Top;
  if (MoveActive) {
    if (TrackKind == tkHorizontal) {
      const int n = FButtonPos.X + x - FOldMPoint.X;
      if (n >= BeginPoint.X && n <= EndPoint.X) SetButtonPos(TPoint{n, FButtonPos.Y});
    } else {
      const int n = FButtonPos.Y + y - FOldMPoint.Y;
      if (n >= EndPoint.Y && n <= BeginPoint.Y) SetButtonPos(TPoint{FButtonPos.X, n});
    }
  }
  FOldMPoint = TPoint{x, y};
  TspActiveSkinObject::MouseMove(X, Y);
}

void TspSkinTrackBarObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (Button == mbLeft && MoveActive) {
    MoveActive = false;
    if (!ActiveButtonRect.IsEmpty()) Parent->DrawSkinObject(this);
  }
  TspActiveSkinObject::MouseUp(X, Y, Button);
}

// ---------------------------------------------------------------------------
// Switch

void TspSkinSwitchObject::SetState(TSwitchState Value) {
  FState = Value;
  Active = Value == swsOn;
  ReDraw();
  Parent->DoSwitchChangeState(IDName, FState);
}

void TspSkinSwitchObject::SimpleSetState(TSwitchState Value) {
  FState = Value;
  Active = Value == swsOn;
  if (Value == swsOn) FMorphKf = 1;
}

void TspSkinSwitchObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (Button == mbLeft) SetState(FState == swsOn ? swsOff : swsOn);
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinSwitchObject::MouseEnter() {
  FMouseIn = true;
  Parent->CallOnMouseEnterEvent(IDName);
}

void TspSkinSwitchObject::MouseLeave() {
  FMouseIn = false;
  Parent->CallOnMouseLeaveEvent(IDName);
}

// ---------------------------------------------------------------------------
// Gauge

TspSkinGaugeObject::TspSkinGaugeObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinGauge*>(AData)) {
    MinValue = d->MinValue;
    MaxValue = d->MaxValue;
    Kind = d->Kind;
  }
  FValue = MinValue;
  FProgressPos = FOldProgressPos =
      spvalue::GaugeFill(Kind, SkinRect.Width(), SkinRect.Height(), MinValue, MaxValue, FValue);
}

void TspSkinGaugeObject::SimplySetValue(int AValue) {
  if (AValue == FValue) return;
  FValue = std::clamp(AValue, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
  FOldProgressPos = FProgressPos;
  FProgressPos = spvalue::GaugeFill(Kind, SkinRect.Width(), SkinRect.Height(), MinValue, MaxValue, FValue);
}

void TspSkinGaugeObject::SetValue(int AValue) {
  SimplySetValue(AValue);
  Parent->DrawSkinObject(this);
}

void TspSkinGaugeObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinUsable() || !Picture) return;
  if (!UpDate && FValue == MinValue) return;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h);
  TCanvas* c = b.Canvas();
  if (Kind == gkHorizontal) {
    const int px = std::clamp(FProgressPos.X, 0, w);
    Copy(c, Picture, TRect{SkinRect.Left + px, SkinRect.Top, SkinRect.Right, SkinRect.Bottom}, TRect{px, 0, w, h});
    Copy(c, ActivePicture, TRect{ActiveSkinRect.Left, ActiveSkinRect.Top, ActiveSkinRect.Left + px, ActiveSkinRect.Bottom},
         TRect{0, 0, px, h});
  } else {
    const int py = std::clamp(FProgressPos.Y, 0, h);
    Copy(c, Picture, TRect{SkinRect.Left, SkinRect.Top, SkinRect.Right, SkinRect.Top + py}, TRect{0, 0, w, py});
    Copy(c, ActivePicture, TRect{ActiveSkinRect.Left, ActiveSkinRect.Top + py, ActiveSkinRect.Right, ActiveSkinRect.Bottom},
         TRect{0, py, w, h});
  }
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinGaugeObject::MouseEnter() {
  FMouseIn = Active = true;
  Parent->CallOnMouseEnterEvent(IDName);
}

void TspSkinGaugeObject::MouseLeave() {
  FMouseIn = Active = false;
  Parent->CallOnMouseLeaveEvent(IDName);
}

// ---------------------------------------------------------------------------
// Frame strips

void TspSkinFrameObject::InitFrames(int ACount, TFramesPlacement APlacement) {
  CountFrames = ACount;
  FramesPlacement = APlacement;
  FrameW = ActiveSkinRect.Width();
  FrameH = ActiveSkinRect.Height();
  if (CountFrames > 0) {
    if (FramesPlacement == fpHorizontal)
      FrameW = ActiveSkinRect.Width() / CountFrames;
    else
      FrameH = ActiveSkinRect.Height() / CountFrames;
  }
}

void TspSkinFrameObject::SetFrame(int Value) {
  if (Value < CountFrames) FFrame = Value;
  Parent->DrawSkinObject(this);
}

TRect TspSkinFrameObject::FrameRect(int F) const {
  F = std::clamp(F, 1, std::max(1, CountFrames));
  const TRect& A = ActiveSkinRect;
  if (FramesPlacement == fpHorizontal)
    return TRect{A.Left + (F - 1) * FrameW, A.Top, A.Left + F * FrameW, A.Top + FrameH};
  return TRect{A.Left, A.Top + (F - 1) * FrameH, A.Left + FrameW, A.Top + F * FrameH};
}

void TspSkinFrameObject::Draw(TCanvas* Cnvs, bool) {
  if (!SkinUsable()) return;
  Copy(Cnvs, ActivePicture, FrameRect(FFrame), ObjectRect);
}

TspSkinFrameGaugeObject::TspSkinFrameGaugeObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspSkinFrameObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinFrameGaugeObject*>(AData)) {
    MinValue = d->MinValue;
    MaxValue = d->MaxValue;
    InitFrames(d->CountFrames, d->FramesPlacement);
  }
}

void TspSkinFrameGaugeObject::SimplySetValue(int AValue) {
  if (AValue != FValue && AValue >= MinValue && AValue <= MaxValue) FValue = AValue;
}

void TspSkinFrameGaugeObject::SetValue(int AValue) {
  if (AValue == FValue || AValue < MinValue || AValue > MaxValue) return;
  FValue = AValue;
  Parent->DrawSkinObject(this);
}

void TspSkinFrameGaugeObject::Draw(TCanvas* Cnvs, bool UpDate) {
  FFrame = spvalue::FrameForValue(CountFrames, MinValue, MaxValue, FValue);
  TspSkinFrameObject::Draw(Cnvs, UpDate);
}

void TspSkinFrameGaugeObject::MouseEnter() {
  FMouseIn = Active = true;
  Parent->CallOnMouseEnterEvent(IDName);
}

void TspSkinFrameGaugeObject::MouseLeave() {
  FMouseIn = Active = false;
  Parent->CallOnMouseLeaveEvent(IDName);
}

TspSkinFrameRegulatorObject::TspSkinFrameRegulatorObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspSkinFrameObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinFrameRegulatorObject*>(AData)) {
    MinValue = d->MinValue;
    MaxValue = d->MaxValue;
    Kind = d->Kind;
    InitFrames(d->CountFrames, d->FramesPlacement);
  }
  FValue = std::clamp(0, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
}

void TspSkinFrameRegulatorObject::SetValue(int AValue) {
  if (AValue == FValue || AValue < MinValue || AValue > MaxValue) return;
  FValue = AValue;
  Parent->DrawSkinObject(this);
  Parent->DoFrameRegulatorChangeValue(IDName, FValue);
}

void TspSkinFrameRegulatorObject::SimplySetValue(int AValue) {
  if (AValue == FValue || AValue < MinValue || AValue > MaxValue) return;
  FValue = AValue;
  Parent->DoFrameRegulatorChangeValue(IDName, FValue);
}

void TspSkinFrameRegulatorObject::Draw(TCanvas* Cnvs, bool UpDate) {
  FFrame = spvalue::FrameForValue(CountFrames, MinValue, MaxValue, FValue);
  TspSkinFrameObject::Draw(Cnvs, UpDate);
}

int TspSkinFrameRegulatorObject::Coordinate(int x, int y) const {
  switch (Kind) {
    case rkRound: return spvalue::PointToAngle(x, y, ObjectRect.Width(), ObjectRect.Height());
    case rkHorizontal: return x;
    default: return -y;
  }
}

void TspSkinFrameRegulatorObject::CalcRoundValue() {
  const int n = CountFrames == 0 ? 1 : CountFrames;
  FPixInc = std::max(1, 360 / n);
  FValInc = (MaxValue - MinValue) / n;
  if (FValInc == 0) FValInc = 1;
  int distance;
  bool up;
  if (std::abs(CurV - OldCurV) > 300) {
    // The pointer crossed the seam at the bottom: keep the direction.
    StartV = CurV;
    distance = FPixInc;
    up = CurV < OldCurV;
  } else {
    distance = std::abs(CurV - StartV);
    up = CurV >= StartV;
  }
  if (distance < FPixInc) return;
  StartV = CurV;
  TempValue += up ? FValInc : -FValInc;
  TempValue = std::clamp(TempValue, MinValue, MaxValue);
  SetValue(TempValue);
}

void TspSkinFrameRegulatorObject::CalcLinearValue() {
  const int s = Kind == rkHorizontal ? FrameW : FrameH;
  // Without steps between frames one step spans the whole size.
  const int steps = std::max(1, CountFrames - 1);
  FPixInc = std::max(1, s / steps);
  FValInc = (MaxValue - MinValue) / steps;
  if (FValInc == 0) FValInc = 1;
  if (std::abs(CurV - StartV) < FPixInc) return;
  TempValue += CurV < StartV ? -FValInc : FValInc;
  StartV = CurV;
  TempValue = std::clamp(TempValue, MinValue, MaxValue);
  SetValue(TempValue);
}

void TspSkinFrameRegulatorObject::MouseDown(int X, int Y, TMouseButton Button) {
  const int x = X - ObjectRect.Left, y = Y - ObjectRect.Top;
  FDown = true;
  TempValue = FValue;
  StartV = OldCurV = Coordinate(x, y);
  TspActiveSkinObject::MouseDown(X, Y, Button);
}

void TspSkinFrameRegulatorObject::MouseMove(int X, int Y) {
  if (FDown) {
    CurV = Coordinate(X - ObjectRect.Left, Y - ObjectRect.Top);
    if (Kind == rkRound)
      CalcRoundValue();
    else
      CalcLinearValue();
    OldCurV = CurV;
  }
  TspActiveSkinObject::MouseMove(X, Y);
}

void TspSkinFrameRegulatorObject::MouseUp(int X, int Y, TMouseButton Button) {
  FDown = false;
  TspActiveSkinObject::MouseUp(X, Y, Button);
}

// ---------------------------------------------------------------------------
// Animation

TspSkinAnimateObject::TspSkinAnimateObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinAnimate*>(AData)) {
    CountFrames = d->CountFrames;
    Cycle = d->Cycle;
    ButtonStyle = d->ButtonStyle;
    Command = d->Command;
    TimerInterval = std::max(25, int(d->TimerInterval));
    DownSkinRect = ToTRect(d->DownSkinRect);
    RestoreRect = ToTRect(d->RestoreRect);
    RestoreActiveRect = ToTRect(d->RestoreActiveRect);
    RestoreInActiveRect = ToTRect(d->RestoreInActiveRect);
    RestoreDownRect = ToTRect(d->RestoreDownRect);
    RestoreHint = d->RestoreHint;
    FTempHint = d->Hint;
  }
}

bool TspSkinAnimateObject::RestoreLookApplies() const {
  if (RestoreRect.IsEmpty()) return false;
  switch (Command) {
    case cmMaximize: return Parent->WindowState() == wsMaximized;
    case cmMinimize: return Parent->WindowState() == wsMinimized;
    case cmRollUp: return Parent->RollUpState();
    default: return false;
  }
}

void TspSkinAnimateObject::Start() {
  FInc = 25;
  FFrame = 1;
  Active = true;
  Parent->AnimateTimer->SetEnabled(true);
}

void TspSkinAnimateObject::Stop() {
  SetFrame(1);
  Active = false;
  FInc = 25;
}

void TspSkinAnimateObject::SetFrame(int Value) {
  if (Increment)
    FFrame = Value > CountFrames ? 1 : Value;
  else
    FFrame = Value <= 0 ? CountFrames : Value;
  Parent->DrawSkinObject(this);
}

void TspSkinAnimateObject::ChangeFrame() {
  if (FInc < TimerInterval) {
    FInc += 25;
    return;
  }
  if (Increment) {
    SetFrame(FFrame + 1);
    if (!Cycle && FFrame >= CountFrames) Active = false;
  } else {
    SetFrame(FFrame - 1);
    if (FFrame <= 1) Active = false;
  }
  FInc = 25;
}

bool TspSkinAnimateObject::Ticking() const { return Active && (!FDown || DownSkinRect.IsEmpty()); }

void TspSkinAnimateObject::Draw(TCanvas* Cnvs, bool) {
  if (!SkinUsable()) return;
  const bool r = RestoreLookApplies();
  const TRect N = r ? RestoreRect : SkinRect;
  const TRect A = r ? RestoreActiveRect : ActiveSkinRect;
  const TRect I = r ? RestoreInActiveRect : InActiveSkinRect;
  const TRect D = r ? RestoreDownRect : DownSkinRect;
  auto frame = [&](int n) {
    n = std::clamp(n, 1, std::max(1, CountFrames));
    return TRect{A.Left + (n - 1) * N.Width(), A.Top, A.Left + n * N.Width(), A.Top + N.Height()};
  };
  TRect S;
  if (FMenuTracking) {
    if (!D.IsEmpty()) {
      S = D;
    } else {
      FFrame = CountFrames;
      S = frame(FFrame);
    }
  } else if (!Parent->GetFormActive() && !I.IsEmpty()) {
    S = I;
  } else if (FDown && FMouseIn && !D.IsEmpty()) {
    S = D;
  } else {
    S = frame(FFrame);
  }
  Copy(Cnvs, ActivePicture, S, ObjectRect);
}

void TspSkinAnimateObject::Animate() {
  if (FDown && !DownSkinRect.IsEmpty())
    Parent->DrawSkinObject(this);
  else
    Parent->AnimateTimer->SetEnabled(true);
}

void TspSkinAnimateObject::MouseEnter() {
  if (Command != cmDefault) {
    const bool restore = (Command == cmRollUp && Parent->RollUpState()) ||
                         (Command == cmMinimize && Parent->WindowState() == wsMinimized) ||
                         (Command == cmMaximize && Parent->WindowState() == wsMaximized);
    Hint = (!RestoreHint.empty() && restore) ? RestoreHint : FTempHint;
  }
  FMouseIn = true;
  if (FMenuTracking) return;
  if (ButtonStyle) {
    Active = true;
    Increment = true;
    Animate();
  }
  Parent->CallOnMouseEnterEvent(IDName);
  ShowLayer();
}

void TspSkinAnimateObject::MouseLeave() {
  if (!FMouseIn) return;
  FMouseIn = false;
  if (FMenuTracking) return;
  if (ButtonStyle) {
    Active = true;
    Increment = false;
    Animate();
  }
  Parent->CallOnMouseLeaveEvent(IDName);
  HideLayer();
}

void TspSkinAnimateObject::MouseDown(int X, int Y, TMouseButton Button) {
  TspActiveSkinObject::MouseDown(X, Y, Button);
  if (Button == mbLeft && !DownSkinRect.IsEmpty()) {
    FFrame = CountFrames;
    FDown = true;
    Parent->DrawSkinObject(this);
  }
  if (Button == mbLeft && ButtonStyle && Command == cmSysMenu && FMouseIn) DoCommand();
}

void TspSkinAnimateObject::MouseUp(int X, int Y, TMouseButton Button) {
  const bool under = FMouseIn;
  TspActiveSkinObject::MouseUp(X, Y, Button);
  if (FMenuTracking) return;
  if (Button == mbLeft && !DownSkinRect.IsEmpty()) {
    FDown = false;
    Parent->DrawSkinObject(this);
    Parent->AnimateTimer->SetEnabled(true);
  }
  if (Button == mbLeft && ButtonStyle && under && Command != cmSysMenu) DoCommand();
}

void TspSkinAnimateObject::DblClick() {
  if (Command == cmSysMenu) Parent->Form()->Close();
}

void TspSkinAnimateObject::Reset() { Parent->TestActive(-1, -1, false); }

void TspSkinAnimateObject::DoCommand() {
  switch (Command) {
    case cmClose:
      Reset();
      Parent->Form()->Close();
      break;
    case cmMaximize:
      Reset();
      Parent->SetWindowState(Parent->WindowState() == wsMaximized ? wsNormal : wsMaximized);
      break;
    case cmMinimize:
      Reset();
      if (Parent->SupportNCArea() && Parent->WindowState() == wsMinimized)
        Parent->SetWindowState(wsNormal);
      else
        Parent->SetWindowState(wsMinimized);
      break;
    case cmSysMenu:
      if (Parent->MenuHandler) MenuItem = Parent->MenuHandler->SystemMenuItems();
      TrackMenu();
      break;
    case cmDefault:
      if (MenuItem) TrackMenu();
      break;
    case cmRollUp:
      Parent->SetRollUpState(!Parent->RollUpState());
      break;
    case cmMinimizeToTray:
      Reset();
      if (Parent->OnMinimizeToTray) Parent->OnMinimizeToTray(Parent);
      break;
  }
}

void TspSkinAnimateObject::TrackMenu() {
  if (!MenuItem || !Parent->MenuHandler) return;
  FMenuTracking = true;
  if (Parent->FLayerManager->IsVisible()) Parent->FLayerManager->Hide();
  if (Parent->FMenuLayerManager->IsVisible()) Parent->FMenuLayerManager->Hide();
  if (FMouseIn) ShowLayer();
  // The menu comes down under the object through the owner's menus, which
  // run the object's animation back when they close.
  Parent->MenuHandler->TrackButtonMenu(nullptr, ScreenRect(ObjectRect));
}

// ---------------------------------------------------------------------------
// Labels

TspSkinLabelObject::TspSkinLabelObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinLabel*>(AData)) {
    FTextValue = d->TextValue;
    FontName = d->FontName;
    FontStyle = d->FontStyle;
    FontHeight = d->FontHeight;
    FontColor = d->FontColor;
    ActiveFontColor = d->ActiveFontColor;
    Alignment = d->Alignment;
  }
}

void TspSkinLabelObject::SetTextValue(const std::string& AValue, bool AUpDate) {
  FTextValue = AValue;
  if (AUpDate) Parent->DrawSkinObject(this);
}

void TspSkinLabelObject::MakeImage(TBitmap* B, bool AActive) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  B->SetSize(w, h);
  TCanvas* c = B->Canvas();
  if (AActive && !ActiveSkinRect.IsEmpty())
    Copy(c, ActivePicture, ActiveSkinRect, TRect{0, 0, w, h});
  else
    Copy(c, Picture, SkinRect, TRect{0, 0, w, h});
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetName(FontName);
  c->Font()->SetStyle(FontStyle);
  c->Font()->SetHeight(FontHeight);
  c->Font()->SetColor(AActive ? ActiveFontColor : FontColor);
  const int tw = c->TextWidth(FTextValue), th = c->TextHeight(FTextValue);
  int x = 0;
  if (Alignment == taRightJustify) x = w - tw;
  if (Alignment == taCenter) x = w / 2 - tw / 2;
  c->TextOut(x, h / 2 - th / 2, FTextValue);
}

void TspSkinLabelObject::Draw(TCanvas* Cnvs, bool) {
  if (!SkinUsable() || ObjectRect.IsEmpty()) return;
  if (EnableMorphing() && ((Active && FMorphKf != 1) || (!Active && FMorphKf != 0))) {
    TBitmap normal, active;
    MakeImage(&normal, false);
    MakeImage(&active, true);
    auto eb = TspEffectBmp::CreateFromhWnd(normal.Handle());
    auto ea = TspEffectBmp::CreateFromhWnd(active.Handle());
    if (!eb || !ea) return;
    eb->Morph(*ea, FMorphKf);
    eb->Draw(Cnvs->Handle(), ObjectRect.Left, ObjectRect.Top);
    return;
  }
  if (Active && ActiveSkinRect.IsEmpty() && ActiveFontColor == FontColor) return;
  TBitmap b;
  MakeImage(&b, Active);
  Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
}

void TspSkinLabelObject::MouseEnter() {
  FMouseIn = Active = true;
  if (!ActiveSkinRect.IsEmpty() || ActiveFontColor != FontColor) ReDraw();
  Parent->CallOnMouseEnterEvent(IDName);
}

void TspSkinLabelObject::MouseLeave() {
  FMouseIn = Active = false;
  if (!ActiveSkinRect.IsEmpty() || ActiveFontColor != FontColor) ReDraw();
  Parent->CallOnMouseLeaveEvent(IDName);
}

TspSkinBitLabelObject::TspSkinBitLabelObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  if (auto* d = dynamic_cast<const TspDataSkinBitLabel*>(AData)) {
    FTextValue = d->TextValue;
    SymbolWidth = d->SymbolWidth;
    SymbolHeight = d->SymbolHeight;
    Symbols = d->Symbols;
    Transparent = d->Transparent;
    TransparentColor = d->TransparentColor;
  }
}

void TspSkinBitLabelObject::SetTextValue(const std::string& AValue, bool AUpDate) {
  FTextValue = AValue;
  if (AUpDate) Parent->DrawSkinObject(this);
}

bool TspSkinBitLabelObject::FindSymbol(char C, int& Row, int& Col) const {
  for (size_t r = 0; r < Symbols.size(); ++r) {
    const size_t c = Symbols[r].find(C);
    if (c != std::string::npos) {
      Row = int(r);
      Col = int(c);
      return true;
    }
  }
  return false;
}

void TspSkinBitLabelObject::Draw(TCanvas* Cnvs, bool) {
  if (!SkinUsable() || SkinRect.IsEmpty()) return;
  const int w = SkinRect.Width(), h = SkinRect.Height();
  TBitmap b(w, h);
  Copy(b.Canvas(), Picture, SkinRect, TRect{0, 0, w, h});
  for (size_t i = 0; i < FTextValue.size() && SymbolWidth > 0; ++i) {
    const int left = int(i) * SymbolWidth;
    // Cells past the right edge show nothing.
    if (left >= w) break;
    int r, c;
    if (!FindSymbol(FTextValue[i], r, c)) continue;
    const int cut = std::max(0, left + SymbolWidth - w);
    const int sl = ActiveSkinRect.Left + c * SymbolWidth, st = ActiveSkinRect.Top + r * SymbolHeight;
    Copy(b.Canvas(), ActivePicture, TRect{sl, st, sl + SymbolWidth - cut, st + SymbolHeight},
         TRect{left, 0, left + SymbolWidth - cut, SymbolHeight});
    if (cut > 0) break;
  }
  if (Transparent) {
    TBitmap back(w, h);
    Copy(back.Canvas(), Picture, SkinRect, TRect{0, 0, w, h});
    GdiTransparentBlt(back.Canvas()->Handle(), 0, 0, w, h, b.Canvas()->Handle(), 0, 0, w, h,
                      UINT(ColorToRGB(TransparentColor)));
    Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &back);
  } else {
    Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &b);
  }
}

// ---------------------------------------------------------------------------

std::unique_ptr<TspActiveSkinObject> CreateValueObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData) {
  if (dynamic_cast<const TspDataSkinTrackBar*>(AData)) return std::make_unique<TspSkinTrackBarObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinSwitch*>(AData)) return std::make_unique<TspSkinSwitchObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinGauge*>(AData)) return std::make_unique<TspSkinGaugeObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinFrameGaugeObject*>(AData))
    return std::make_unique<TspSkinFrameGaugeObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinFrameRegulatorObject*>(AData))
    return std::make_unique<TspSkinFrameRegulatorObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinAnimate*>(AData)) return std::make_unique<TspSkinAnimateObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinBitLabel*>(AData)) return std::make_unique<TspSkinBitLabelObject>(AParent, AData);
  if (dynamic_cast<const TspDataSkinLabel*>(AData)) return std::make_unique<TspSkinLabelObject>(AParent, AData);
  return nullptr;
}
