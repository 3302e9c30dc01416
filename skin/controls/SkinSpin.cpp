#include "skin/controls/SkinSpin.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/SysUtils.h"

namespace {

char DecimalSeparatorChar() {
  WCHAR buf[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0] > 0 && buf[0] < 128)
    return static_cast<char>(buf[0]);
  return '.';
}


// The first of `names` the skin has as a button element, drawn in `dst`;
// a spin button looks pressed only while the pointer is over it. False
// when the skin has none of the names.
bool DrawButtonElement(TspPaintBuffer& b, TspSkinData* sd, std::initializer_list<const char*> names, const RECT& dst,
                       bool down, bool hot, COLORREF* fontColor) {
  for (const char* name : names)
    if (DrawSkinButtonElement(b, sd, name, dst, down && hot, hot, fontColor)) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// TspArrowButtons

void TspArrowButtons::Leave(int i) {
  if (i < 0) return;
  Buttons[i].MouseIn = false;
  if (Repaint) Repaint();
  if (Buttons[i].Down) FTimer.Stop();
}

void TspArrowButtons::Enter(int i) {
  if (i < 0) return;
  Buttons[i].MouseIn = true;
  if (Repaint) Repaint();
  if (Buttons[i].Down) FTimer.Start(50, [this] { Tick(); });
}

void TspArrowButtons::Track(POINT p) {
  OldActiveButton = ActiveButton;
  ActiveButton = -1;
  for (int i = 0; i < 2; ++i)
    if (PtInRect(&Buttons[i].R, p)) {
      ActiveButton = i;
      break;
    }
  if (CaptureButton != -1 && ActiveButton != CaptureButton) ActiveButton = -1;
  if (ActiveButton != OldActiveButton) {
    Leave(OldActiveButton);
    Enter(ActiveButton);
  }
}

void TspArrowButtons::MouseDown(POINT p) {
  Track(p);
  if (ActiveButton == -1) return;
  int i = ActiveButton;
  CaptureButton = i;
  Buttons[i].MouseIn = true;
  Buttons[i].Down = true;
  if (ClearOtherHotOnDown) Buttons[1 - i].MouseIn = false;
  if (Repaint) Repaint();
  if (!CanRepeat || CanRepeat()) {
    TimerMode = i == kUp ? 2 : 1;
    WaitMode = true;
    FTimer.Start(500, [this] { Tick(); });
  }
}

void TspArrowButtons::Tick() {
  if (WaitMode) {
    // The first delay is over: the repeat starts with this step.
    WaitMode = false;
    FTimer.Start(100, [this] { Tick(); });
  }
  if (TimerMode != 0 && Step) Step(TimerMode, true);
}

void TspArrowButtons::MouseUp() {
  if (CaptureButton == -1) return;
  int i = CaptureButton;
  FTimer.Stop();
  TimerMode = 0;
  WaitMode = false;
  Buttons[i].Down = false;
  if (ActiveButton != i) Buttons[i].MouseIn = false;
  if (Repaint) Repaint();
  CaptureButton = -1;
  if (StepWhenReleasedOff || ActiveButton == i) {
    if (Step) Step(i == kUp ? 2 : 1, false);
    if (Click) Click(i);
  }
}

void TspArrowButtons::MouseLeave() {
  for (auto& b : Buttons)
    if (b.MouseIn) {
      b.MouseIn = false;
      if (Repaint) Repaint();
    }
}

void TspArrowButtons::Stop() {
  FTimer.Stop();
  TimerMode = 0;
}

// ---------------------------------------------------------------------------
// TspArrowButtonsControl

void TspArrowButtonsControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FButtons.MouseDown(POINT{x, y});
  if (FButtons.CaptureButton != -1) SetMouseCapture(true);
  TspSkinCustomControl::MouseDown(button, shift, x, y);
}

void TspArrowButtonsControl::MouseMove(TShiftState shift, int x, int y) {
  FButtons.Track(POINT{x, y});
  TspSkinCustomControl::MouseMove(shift, x, y);
}

void TspArrowButtonsControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FButtons.Track(POINT{x, y});
  if (MouseCapture()) SetMouseCapture(false);
  FButtons.MouseUp();
  TspSkinCustomControl::MouseUp(button, shift, x, y);
}

void TspArrowButtonsControl::WndProc(TMessage& m) {
  // A held button's repeat ends with the window.
  if (m.Msg == WM_DESTROY) FButtons.Stop();
  TspSkinCustomControl::WndProc(m);
}

void TspArrowButtonsControl::DrawButtonStates(TspPaintBuffer& b) {
  const RECT pressed[2] = {DownUpButtonRect, DownDownButtonRect};
  const RECT hot[2] = {ActiveUpButtonRect, ActiveDownButtonRect};
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    if (btn.Down && btn.MouseIn)
      CopyPicturePart(b, Picture, pressed[i], btn.R);
    else if (btn.MouseIn)
      CopyPicturePart(b, Picture, hot[i], btn.R);
  }
}

// ---------------------------------------------------------------------------
// TspSkinUpDown

TspSkinUpDown::TspSkinUpDown(TComponent* owner) : Base(owner) {
  ControlStyle |= csOpaque;
  ControlStyle &= ~csCaptureMouse;
  SetSkinDataName("vupdown");
  FButtons.Repaint = [this] { Repaint(); };
  FButtons.Step = [this](int mode, bool fromTimer) {
    if (mode == 2)
      StepUp(fromTimer);
    else
      StepDown(fromTimer);
  };
  FButtons.Click = [this](int i) {
    TNotifyEvent& e = i == TspArrowButtons::kUp ? OnUpButtonClick : OnDownButtonClick;
    if (e) e(this);
  };
  FButtons.CanRepeat = [this] { return Increment != 0; };
  FButtons.StepWhenReleasedOff = true;
  SetBounds(0, 0, 20, 40);
}

TspSkinUpDown::~TspSkinUpDown() { FButtons.Stop(); }

void TspSkinUpDown::SetBounds(int left, int top, int width, int height) {
  Base::SetBounds(left, top, width, height);
  CalcButtonRects();
}

void TspSkinUpDown::SetPosition(int value) {
  if (value < FMin || value > FMax) return;
  FPosition = value;
  if (OnChange) OnChange(this);
}

void TspSkinUpDown::SetMin(int value) {
  FMin = value;
  if (FPosition < FMin) FPosition = FMin;
}

void TspSkinUpDown::SetMax(int value) {
  FMax = value;
  if (FPosition > FMax) FPosition = FMax;
}

void TspSkinUpDown::SetOrientation(TUDOrientation value) {
  FOrientation = value;
  CalcButtonRects();
  Repaint();
}

void TspSkinUpDown::SetUseSkinSize(bool value) {
  FUseSkinSize = value;
  CalcButtonRects();
  Repaint();
}

void TspSkinUpDown::StepUp(bool) {
  int64_t next = int64_t{FPosition} + Increment;
  if (next <= FMax && next >= FMin) SetPosition(static_cast<int>(next));
}

void TspSkinUpDown::StepDown(bool) {
  int64_t next = int64_t{FPosition} - Increment;
  if (next >= FMin && next <= FMax) SetPosition(static_cast<int>(next));
}

void TspSkinUpDown::GetSkinData() {
  Base::GetSkinData();
  FUpDownElement = false;
  auto* e = dynamic_cast<TspDataSkinUpDownControl*>(Element());
  if (e) {
    FUpDownElement = true;
    ReadButtonRects(*e);
    // An up-down keeps no nine-part geometry.
    Geometry.LTPt = Geometry.RTPt = Geometry.LBPt = Geometry.RBPt = POINT{0, 0};
    Geometry.ClRect = RECT{};
  }
  CalcButtonRects();
}

void TspSkinUpDown::CalcButtonRects() {
  int w = Width(), h = Height();
  if (FIndex != -1 && FUpDownElement && FUseSkinSize && !dynamic_cast<TspSkinIntUpDown*>(this)) {
    FButtons.Buttons[0].R = UpButtonRect;
    FButtons.Buttons[1].R = DownButtonRect;
  } else if (FOrientation == udVertical) {
    FButtons.Buttons[0].R = RECT{0, 0, w, h / 2};
    FButtons.Buttons[1].R = RECT{0, h / 2, w, h};
  } else {
    FButtons.Buttons[1].R = RECT{0, 0, w / 2, h};
    FButtons.Buttons[0].R = RECT{w / 2, 0, w, h};
  }
}

void TspSkinUpDown::CalcSkinSize(int& width, int& height) {
  if (FUseSkinSize) Base::CalcSkinSize(width, height);
}

void TspSkinUpDown::UpdateSkinRegion() {
  if (FUseSkinSize) Base::UpdateSkinRegion();
}

void TspSkinUpDown::DrawDefaultButtons(TspPaintBuffer& b) {
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    TspFaceState state = (btn.Down && btn.MouseIn) ? fsDownFace : btn.MouseIn ? fsHotFace : fsNormalFace;
    DrawDefaultFace(b, btn.R, state);
    TspArrowDirection dir = FOrientation == udVertical ? (i == 0 ? adUp : adDown) : (i == 0 ? adRight : adLeft);
    DrawArrowGlyph(b.DC(), btn.R, dir, Enabled() ? RGB(0, 0, 0) : RGB(128, 128, 128));
  }
}

void TspSkinUpDown::PaintDefaultImage(TspPaintBuffer& b) {
  CalcButtonRects();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  DrawDefaultButtons(b);
}

void TspSkinUpDown::PaintSkinImage(TspPaintBuffer& b) {
  if (FUseSkinSize && FUpDownElement) {
    Base::PaintSkinImage(b);
    DrawButtonStates(b);
    return;
  }
  CalcButtonRects();
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    COLORREF color = 0;
    bool drawn = DrawButtonElement(b, FSD, {"resizebutton"}, btn.R, btn.Down, btn.MouseIn, &color);
    if (!drawn) b.Fill(btn.R, GetSysColor(COLOR_BTNFACE));
    if (!Enabled()) {
      int idx = FSD ? FSD->GetControlIndex("resizebutton") : -1;
      auto* e = idx >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[static_cast<size_t>(idx)].get())
                         : nullptr;
      color = e ? static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF : RGB(128, 128, 128);
    }
    TspArrowDirection dir = FOrientation == udVertical ? (i == 0 ? adUp : adDown) : (i == 0 ? adRight : adLeft);
    DrawArrowGlyph(b.DC(), btn.R, dir, color);
  }
}

void TspSkinUpDown::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      Base::WndProc(m);
      GetSkinData();
      return;
    case CM_MOUSEENTER:
      Base::WndProc(m);
      FButtons.ActiveButton = FButtons.OldActiveButton = -1;
      return;
    case CM_MOUSELEAVE:
      Base::WndProc(m);
      FButtons.MouseLeave();
      return;
    default:
      break;
  }
  Base::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinIntUpDown

TspSkinIntUpDown::TspSkinIntUpDown(TComponent* owner) : TspSkinUpDown(owner) {
  FButtons.StepWhenReleasedOff = false;
}

void TspSkinIntUpDown::StepUp(bool fromTimer) {
  TspSkinUpDown::StepUp(fromTimer);
  if (fromTimer && OnUpChange) OnUpChange(this);
}

void TspSkinIntUpDown::StepDown(bool fromTimer) {
  TspSkinUpDown::StepDown(fromTimer);
  if (fromTimer && OnDownChange) OnDownChange(this);
}

void TspSkinIntUpDown::PaintDefaultImage(TspPaintBuffer& b) {
  CalcButtonRects();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    TspFaceState state = (btn.Down && btn.MouseIn) ? fsDownFace : btn.MouseIn ? fsHotFace : fsNormalFace;
    DrawDefaultFace(b, btn.R, state);
    TspArrowDirection dir = FOrientation == udVertical ? (i == 0 ? adUp : adDown) : (i == 0 ? adRight : adLeft);
    DrawArrowGlyph(b.DC(), btn.R, dir, RGB(0, 0, 0));
  }
}

void TspSkinIntUpDown::PaintSkinImage(TspPaintBuffer& b) {
  CalcButtonRects();
  b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    COLORREF color = 0;
    bool pressed = btn.Down && btn.MouseIn;
    DrawButtonElement(b, FSD, {"combobutton", "resizetoolbutton"}, btn.R, btn.Down, btn.MouseIn, &color);
    RECT r = btn.R;
    if (pressed) OffsetRect(&r, 2, 2);
    TspArrowDirection dir = FOrientation == udVertical ? (i == 0 ? adUp : adDown) : (i == 0 ? adRight : adLeft);
    DrawArrowGlyph(b.DC(), r, dir, color);
  }
}

// ---------------------------------------------------------------------------
// TspSkinSpinEdit

TspSkinSpinEdit::TspSkinSpinEdit(TComponent* owner) : Base(owner) {
  ControlStyle |= csOpaque | csAcceptsControls;
  ControlStyle &= ~csCaptureMouse;
  TabStop = false;
  SetSkinDataName("spinedit");
  FDefaultFont.Name = "Arial";
  FDefaultFont.Height = 14;
  FEdit = new TspSkinNumEdit(this);
  FEdit->SetParent(this);
  FEdit->SetBorderVisible(false);
  FEdit->AutoSelect = false;
  FDefaultFont.AssignTo(FEdit->Font());
  FEdit->OnChange = [this](TObject*) { EditChange(); };
  FEdit->OnUpClick = [this](TObject*) {
    SetValue(FValue + Increment);
    if (OnUpButtonClick) OnUpButtonClick(this);
  };
  FEdit->OnDownClick = [this](TObject*) {
    SetValue(FValue - Increment);
    if (OnDownButtonClick) OnDownButtonClick(this);
  };
  FEdit->OnEnter = [this](TObject*) { EditEnter(); };
  FEdit->OnExit = [this](TObject*) { EditExit(); };
  FEdit->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
    if (OnEditKeyDown) OnEditKeyDown(this, key, shift);
  };
  FEdit->OnKeyUp = [this](TObject*, WORD& key, TShiftState shift) {
    if (OnEditKeyUp) OnEditKeyUp(this, key, shift);
  };
  FEdit->OnKeyPress = [this](TObject*, char16_t& key) {
    if (OnEditKeyPress) OnEditKeyPress(this, key);
  };
  FEdit->OnMouseEnter = [this](TObject*) {
    FMouseIn = true;
    if (!FEditFocused) SetStateFontColor(true);
  };
  FEdit->OnMouseLeave = [this](TObject*) {
    FMouseIn = false;
    if (!FEditFocused) SetStateFontColor(true);
  };
  FButtons.Repaint = [this] { Repaint(); };
  FButtons.Step = [this](int mode, bool) { SetValue(mode == 2 ? FValue + Increment : FValue - Increment); };
  FButtons.Click = [this](int i) {
    TNotifyEvent& e = i == TspArrowButtons::kUp ? OnUpButtonClick : OnDownButtonClick;
    if (e) e(this);
  };
  FButtons.StepWhenReleasedOff = false;
  FButtons.ClearOtherHotOnDown = false;
  StopCheck = true;
  SetText("0");
  StopCheck = false;
  SetBounds(0, 0, 120, 20);
}

TspSkinSpinEdit::~TspSkinSpinEdit() { FButtons.Stop(); }

void TspSkinSpinEdit::SetBounds(int left, int top, int width, int height) {
  Base::SetBounds(left, top, width, height);
  CalcLayout();
}

double TspSkinSpinEdit::Clamp(double value) const {
  if (FMaxValue != 0 || FMinValue != 0) {
    if (value < FMinValue) return FMinValue;
    if (value > FMaxValue) return FMaxValue;
  }
  return value;
}

std::string TspSkinSpinEdit::ValueText(double value) const {
  char buf[64];
  if (FValueType == vtFloat) {
    snprintf(buf, sizeof(buf), "%.*f", FDecimal, value);
    std::string s = buf;
    char sep = DecimalSeparatorChar();
    for (char& c : s)
      if (c == '.') c = sep;
    return s;
  }
  // Ties go to the even neighbour, as the rest of the library rounds.
  double r = std::nearbyint(value);
  if (!(r > -9.2e18 && r < 9.2e18)) r = r < 0 ? -9.2e18 : 9.2e18;
  snprintf(buf, sizeof(buf), "%lld", static_cast<long long>(r));
  return buf;
}

bool TspSkinSpinEdit::IsNumText(const std::string& text) const {
  if (text.empty() || text == "-") return false;
  char sep = DecimalSeparatorChar();
  int seps = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '-') {
      if (i != 0) return false;
      continue;
    }
    if (FValueType == vtFloat && c == sep) {
      if (i == 0 || ++seps > 1) return false;
      continue;
    }
    return false;
  }
  return true;
}

void TspSkinSpinEdit::Change() {
  bool was = StopCheck;
  StopCheck = true;
  if (OnChange) OnChange(this);
  StopCheck = was;
}

void TspSkinSpinEdit::SetValue(double value) {
  FValue = Clamp(value);
  bool was = StopCheck;
  StopCheck = true;
  if (was)
    FEdit->SetText(ValueText(FValue));
  else
    SetText(ValueText(FValue));
  // The inner edit may have rewritten the text already.
  if (FEdit->Text() != Text()) FEdit->SetText(Text());
  StopCheck = was;
  if (!was) Change();
}

void TspSkinSpinEdit::SimpleSetValue(double value) {
  FValue = Clamp(value);
  bool was = StopCheck;
  StopCheck = true;
  SetText(ValueText(FValue));
  StopCheck = was;
}

void TspSkinSpinEdit::SetMinValue(double value) {
  FMinValue = value;
  if (FValue < value) SetValue(value);
}

void TspSkinSpinEdit::SetMaxValue(double value) {
  FMaxValue = value;
  if (FValue > value) SetValue(value);
}

void TspSkinSpinEdit::SetValueType(TspValueType value) {
  if (value == FValueType) return;
  FValueType = value;
  if (value == vtInteger) {
    Increment = std::nearbyint(Increment);
    if (Increment == 0) Increment = 1;
  }
  FEdit->Float = value == vtFloat;
}

void TspSkinSpinEdit::SetDefaultColor(TColorValue value) {
  FDefaultColor = value;
  GetSkinData();
  if (FIndex == -1) FEdit->SetColor(value);
}

void TspSkinSpinEdit::EditChange() {
  FromEdit = true;
  SetCaption(FEdit->Text());
  FromEdit = false;
}

void TspSkinSpinEdit::TextChanged() {
  if (!FromEdit && FEdit->Text() != Text()) FEdit->SetText(Text());
  if (StopCheck) return;
  std::string t = FEdit->Text();
  if (!IsNumText(t)) return;
  double p = 0;
  if (FValueType == vtFloat) {
    std::string c = t;
    char sep = DecimalSeparatorChar();
    for (char& ch : c)
      if (ch == sep) ch = '.';
    p = std::strtod(c.c_str(), nullptr);
  } else {
    // A number beyond 32 bits is taken to the limit it passed when the
    // edit has limits; without limits it is not a value at all.
    long double big = std::strtold(t.c_str(), nullptr);
    if (big > 2147483647.0L || big < -2147483648.0L) {
      if (FMinValue == 0 && FMaxValue == 0) return;
      big = big > 0 ? 2147483647.0L : -2147483648.0L;
    }
    p = static_cast<double>(static_cast<long long>(big));
  }
  double c = Clamp(p);
  if (c != FValue) {
    FValue = c;
    Change();
  }
  bool bothNegative = c < 0 && p < 0;
  bool rewrite = (bothNegative && c > p) || (!bothNegative && c < p) || (FMinValue > 0 && p < 0) ||
                 (FMaxValue < 0 && p > 0);
  if (rewrite) {
    StopCheck = true;
    FEdit->SetText(ValueText(c));
    StopCheck = false;
  }
}

void TspSkinSpinEdit::EditEnter() {
  if (OnEditEnter) OnEditEnter(this);
  FEditFocused = true;
  SetStateFontColor(true);
  Repaint();
}

void TspSkinSpinEdit::EditExit() {
  if (OnEditExit) OnEditExit(this);
  FEditFocused = false;
  SetStateFontColor(true);
  Repaint();
  // Leaving the field shows the value as the control keeps it ("007" -> "7").
  bool was = StopCheck;
  StopCheck = true;
  SetText(ValueText(FValue));
  if (FEdit->Text() != Text()) FEdit->SetText(Text());
  StopCheck = was;
}

void TspSkinSpinEdit::SetStateFontColor(bool allowHot) {
  GetSkinData();
  COLORREF c;
  if (!Enabled())
    c = FIndex == -1 || !FSpinElement ? GetSysColor(COLOR_GRAYTEXT) : DisabledFontColor;
  else if (FIndex == -1 || !FSpinElement)
    c = FDefaultFont.Color;
  else
    c = (allowHot && (FMouseIn || FEditFocused)) ? ActiveFontColor : FontColor;
  FEdit->Font()->SetColor(static_cast<TColor>(c));
}

void TspSkinSpinEdit::GetSkinData() {
  Base::GetSkinData();
  FSpinElement = false;
  auto* e = dynamic_cast<TspDataSkinSpinEditControl*>(Element());
  if (!e) return;
  FSpinElement = true;
  ActiveSkinRect = ToRECT(e->ActiveSkinRect);
  SkinFont = SkinFontDesc(e->FontName, e->FontHeight, static_cast<uint8_t>(e->FontStyle), e->FontColor);
  FontColor = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
  ActiveFontColor = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
  DisabledFontColor = static_cast<COLORREF>(e->DisabledFontColor) & 0xFFFFFF;
  ReadButtonRects(*e);
  LOffset = e->LTPoint.X;
  ROffset = Geometry.SkinWidth() - e->RTPoint.X;
}

void TspSkinSpinEdit::CalcSkinSize(int& width, int& height) {
  if (UseSkinSize || FIndex == -1) {
    Base::CalcSkinSize(width, height);
    return;
  }
  int dx = width - Geometry.SkinWidth();
  Geometry.NewLTPoint = Geometry.LTPt;
  Geometry.NewRTPoint = POINT{Geometry.RTPt.x + dx, Geometry.RTPt.y};
  Geometry.NewClRect = Geometry.ClRect;
  Geometry.NewClRect.right += dx;
}

void TspSkinSpinEdit::UpdateSkinRegion() {
  if (UseSkinSize) Base::UpdateSkinRegion();
}

void TspSkinSpinEdit::CalcLayout() {
  GetSkinData();
  int w = Width(), h = Height();
  int eh = FontTextHeight(FEdit->Font());
  if (FIndex == -1 || !FSpinElement) {
    FButtons.Buttons[0].R = RECT{w - 17, 2, w - 2, h / 2};
    FButtons.Buttons[1].R = RECT{w - 17, h / 2, w - 2, h - 2};
    FEdit->SetBounds(2, h / 2 - eh / 2, std::max(0, w - 19), eh);
    return;
  }
  int dx = w - Geometry.SkinWidth();
  RECT up = UpButtonRect, down = DownButtonRect;
  if (up.left > Geometry.RTPt.x) OffsetRect(&up, dx, 0);
  if (down.left > Geometry.RTPt.x) OffsetRect(&down, dx, 0);
  RECT area = Geometry.ClRect;
  area.right += dx;
  if (!UseSkinSize) {
    int dy = h - Geometry.SkinHeight();
    area.bottom += dy;
    if (down.bottom < up.bottom) {
      up.bottom += dy;
      down.bottom += dy;
    } else {
      RECT pair{up.left, up.top, down.right, down.bottom + dy};
      int mid = pair.top + (pair.bottom - pair.top) / 2;
      up = RECT{pair.left, pair.top, pair.right, mid};
      down = RECT{pair.left, mid, pair.right, pair.bottom};
    }
  }
  FButtons.Buttons[0].R = up;
  FButtons.Buttons[1].R = down;
  int ah = area.bottom - area.top;
  FEdit->SetBounds(area.left, area.top + ah / 2 - eh / 2, std::max(0, static_cast<int>(area.right - area.left)), eh);
}

void TspSkinSpinEdit::ChangeSkinData() {
  Base::ChangeSkinData();
  GetSkinData();
  if (FIndex == -1 || !FSpinElement) {
    FDefaultFont.AssignTo(FEdit->Font());
  } else if (UseSkinFont) {
    SkinFont.AssignTo(FEdit->Font());
  } else {
    TspFontDesc f = FDefaultFont;
    f.Color = FontColor;
    f.AssignTo(FEdit->Font());
  }
  if (FSD && FSD->ResourceStrData()) FEdit->Font()->SetCharset(FSD->ResourceStrData()->CharSet);
  FEdit->SetEditTransparent(FIndex != -1);
  if (FIndex != -1 && UseSkinSize && Geometry.SkinHeight() > 0) SetHeight(Geometry.SkinHeight());
  CalcLayout();
  SetStateFontColor(true);
  Repaint();
}

void TspSkinSpinEdit::DefaultFontChanged() {
  GetSkinData();
  if (FIndex != -1 && UseSkinFont) return;
  FDefaultFont.AssignTo(FEdit->Font());
  CalcLayout();
}

void TspSkinSpinEdit::DrawButton(TspPaintBuffer& b, int i) {
  const TspCBButtonX& btn = FButtons.Buttons[i];
  bool pressed = btn.Down && btn.MouseIn;
  COLORREF color = 0;
  if (!DrawButtonElement(b, FSD, {"editbutton", "combobutton", "resizebutton"}, btn.R, btn.Down, btn.MouseIn,
                         &color))
    b.Fill(btn.R, GetSysColor(COLOR_BTNFACE));
  RECT r = btn.R;
  if (pressed) OffsetRect(&r, 2, 2);
  DrawArrowGlyph(b.DC(), r, i == 0 ? adUp : adDown, color);
}

void TspSkinSpinEdit::PaintDefaultImage(TspPaintBuffer& b) {
  CalcLayout();
  RECT r = b.ClientRect();
  b.Fill(r, ColorToRGBValue(FDefaultColor));
  b.Frame(r, GetSysColor(COLOR_BTNSHADOW));
  InflateRect(&r, -1, -1);
  b.Frame(r, GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < 2; ++i) {
    const TspCBButtonX& btn = FButtons.Buttons[i];
    if (btn.Down && btn.MouseIn)
      DrawDefaultFace(b, btn.R, fsDownFace);
    else if (btn.MouseIn)
      DrawDefaultFace(b, btn.R, fsHotFace);
    else
      b.Fill(btn.R, GetSysColor(COLOR_BTNFACE));
    DrawArrowGlyph(b.DC(), btn.R, i == 0 ? adUp : adDown, RGB(0, 0, 0));
  }
}

void TspSkinSpinEdit::PaintSkinImage(TspPaintBuffer& b) {
  if (!FSpinElement || !Picture) {
    PaintDefaultImage(b);
    return;
  }
  CalcLayout();
  bool hot = (FEditFocused || FMouseIn) && !IsEmptyRECT(ActiveSkinRect);
  if (!UseSkinSize) {
    RECT src = hot ? ActiveSkinRect : Geometry.SkinRect;
    const RECT& cl = Geometry.ClRect;
    int dx = b.Width() - Geometry.SkinWidth(), dy = b.Height() - Geometry.SkinHeight();
    TspNinePartSpec n = NinePartGrown(src, POINT{cl.left, cl.top}, POINT{cl.right, cl.top}, POINT{cl.left, cl.bottom},
                                      POINT{cl.right, cl.bottom}, cl, dx, dy, Geometry.StretchEffect);
    DrawNinePart(b, ImageSourceOf(Picture), n);
    DrawButton(b, 0);
    DrawButton(b, 1);
    return;
  }
  if (hot)
    DrawHorzThreePart(b, ImageSourceOf(Picture), ActiveSkinRect, LOffset, ROffset, Geometry.StretchEffect);
  else
    CreateSkinImage(b, Picture, Geometry.SkinRect);
  DrawButtonStates(b);
}

void TspSkinSpinEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      TextChanged();
      return;
    case WM_SIZE:
      Base::WndProc(m);
      CalcLayout();
      return;
    case WM_SETFOCUS:
      // The number box itself never keeps the focus: its edit takes it.
      if (FEdit->CanFocus()) {
        FEdit->SetFocus();
        return;
      }
      break;
    case CM_MOUSEENTER:
      Base::WndProc(m);
      FButtons.Track(POINT{-1, -1});
      if (!IsEmptyRECT(ActiveSkinRect)) FMouseIn = true;
      if (!FEditFocused) SetStateFontColor(true);
      return;
    case CM_MOUSELEAVE: {
      Base::WndProc(m);
      FButtons.MouseLeave();
      POINT p;
      GetCursorPos(&p);
      if (WindowFromPoint(p) != FEdit->HandleIfAllocated()) {
        FMouseIn = false;
        if (!FEditFocused) SetStateFontColor(true);
        Repaint();
      }
      return;
    }
    case CM_ENABLEDCHANGED:
      Base::WndProc(m);
      FEdit->SetEnabled(Enabled());
      SetStateFontColor(false);
      return;
    default:
      break;
  }
  Base::WndProc(m);
}
