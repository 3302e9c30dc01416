#include "skin/controls/SkinTimeEdit.h"

#include <cstdio>
#include <string>

#include "framework/SysUtils.h"

// ---------------------------------------------------------------------------
// TspSkinPopupTrackBar

TspSkinPopupTrackBar::TspSkinPopupTrackBar(TComponent* owner) : TspSkinTrackBar(owner) {
  ControlStyle |= csReplicatable;
  SetSkinDataName("htrackbar");
}

void TspSkinPopupTrackBar::CreateParams(TCreateParams& p) {
  TspSkinTrackBar::CreateParams(p);
  p.Style = WS_POPUP;
  p.ExStyle = WS_EX_TOOLWINDOW;
  p.WindowClassStyle = CS_SAVEBITS | CS_DROPSHADOW;
  p.WinClassName = u"TspPopupTrackBar";
  if (Parent()) {
    // A top-level window: its place is on the screen.
    POINT o = Parent()->ClientToScreen(POINT{Left(), Top()});
    p.X = o.x;
    p.Y = o.y;
  }
}

void TspSkinPopupTrackBar::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEACTIVATE) {
    m.Result = MA_NOACTIVATE;
    return;
  }
  TspSkinTrackBar::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinTrackEdit

TspSkinTrackEdit::TspSkinTrackEdit(TComponent* owner) : TspSkinCustomEdit(owner) {
  FButtonMode = true;
  FSkinDataName = "buttonedit";
  StopCheck = true;
  SetText("0");
  StopCheck = false;
  SetBounds(0, 0, 120, 20);
  OnButtonClick = [this](TObject*) { ButtonClick(); };
  FPopupTrackBar = new TspSkinPopupTrackBar(this);
  FPopupTrackBar->SetVisible(false);
  FPopupTrackBar->SetParent(this);
  FPopupTrackBar->TrackEdit = this;
  FPopupTrackBar->OnChange = [this](TObject*) {
    if (FPopupTrackBar->Value() != FValue) SetValue(FPopupTrackBar->Value());
  };
}

TspSkinTrackEdit::~TspSkinTrackEdit() {
  if (FPopupTrackBar) {
    FPopupTrackBar->OnChange = nullptr;
    delete FPopupTrackBar;
  }
}

bool TspSkinTrackEdit::JumpWhenClick() const { return FPopupTrackBar->JumpWhenClick; }
void TspSkinTrackEdit::SetJumpWhenClick(bool value) { FPopupTrackBar->JumpWhenClick = value; }

int TspSkinTrackEdit::ClampValue(int64_t value) const {
  if (FMinValue != FMaxValue) value = std::max<int64_t>(FMinValue, std::min<int64_t>(FMaxValue, value));
  return ClampToInt(value);
}

void TspSkinTrackEdit::SetTextFromValue() {
  bool was = StopCheck;
  StopCheck = true;
  SetText(std::to_string(FValue));
  StopCheck = was;
}

void TspSkinTrackEdit::SetValue(int value) {
  FValue = ClampValue(value);
  if (StopCheck) SetText(std::to_string(FValue));
  if (PopupShown()) FPopupTrackBar->SetValue(FValue);
}

bool TspSkinTrackEdit::IsNumText(const std::string& text) {
  if (text.empty() || text == "-") return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '-' && i == 0) continue;
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void TspSkinTrackEdit::Change() {
  if (FromEdit) return;
  if (!StopCheck) {
    std::string t = Text();
    if (IsNumText(t)) {
      // Beyond the integers a text counts as the end it passed.
      long long big = std::strtoll(t.c_str(), nullptr, 10);
      int64_t n = std::max<long long>(INT32_MIN, std::min<long long>(INT32_MAX, big));
      int v = ClampValue(n);
      FValue = v;
      if (PopupShown()) FPopupTrackBar->SetValue(v);
      bool bothNegative = v < 0 && n < 0;
      bool rewrite = (bothNegative && n < v) || (!bothNegative && v < n) || (FMinValue >= 0 && FMinValue != FMaxValue && n < 0) ||
                     (FMinValue < 0 && n > 0 && n > v);
      if (rewrite || big != n) {
        FromEdit = true;
        SetText(std::to_string(v));
        SetSelStart(static_cast<int>(std::to_string(v).size()));
        FromEdit = false;
      }
    }
  }
  TspSkinCustomEdit::Change();
}

bool TspSkinTrackEdit::IsValidChar(char16_t ch) const {
  bool control = ch < 32 && ch != 13;
  if (FReadOnly) return control && ch != 8;
  if (control || (ch >= u'0' && ch <= u'9')) return true;
  return ch == u'-' && Text().find('-') == std::string::npos;
}

void TspSkinTrackEdit::KeyPress(char16_t& key) {
  if (!IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
    return;
  }
  TspSkinCustomEdit::KeyPress(key);
}

void TspSkinTrackEdit::KeyDown(WORD& key, TShiftState shift) {
  TspSkinCustomEdit::KeyDown(key, shift);
  if (!SupportUpDownKeys || (key != VK_UP && key != VK_DOWN)) return;
  int step = key == VK_UP ? Increment : -Increment;
  if (PopupShown())
    FPopupTrackBar->SetValue(ClampToInt(int64_t{FPopupTrackBar->Value()} + step));
  else {
    StopCheck = true;
    SetValue(ClampToInt(int64_t{FValue} + step));
    StopCheck = false;
  }
  key = 0;
}

bool TspSkinTrackEdit::DoMouseWheel(TShiftState, int wheelDelta, POINT) {
  int step = wheelDelta > 0 ? -Increment : Increment;
  if (PopupShown()) {
    FPopupTrackBar->SetValue(ClampToInt(int64_t{FPopupTrackBar->Value()} + step));
  } else {
    StopCheck = true;
    SetValue(ClampToInt(int64_t{FValue} + step));
    StopCheck = false;
  }
  return true;
}

bool TspSkinTrackEdit::PopupShown() const {
  return FPopupTrackBar && FPopupTrackBar->HandleAllocated() && FPopupTrackBar->Visible();
}

void TspSkinTrackEdit::ButtonClick() {
  SetFocus();
  if (PopupShown())
    HidePopup();
  else
    ShowPopup();
}

void TspSkinTrackEdit::ShowPopup() {
  TspSkinPopupTrackBar* bar = FPopupTrackBar;
  int barWidth = TrackBarWidth > 0 ? TrackBarWidth : Width();
  bar->SetDefaultHeight(Height());
  bar->SetSkinDataName(TrackBarSkinDataName);
  bar->SetSkinData(FSD);
  bar->SetMinValue(std::min(FMinValue, FMaxValue));
  bar->SetMaxValue(FMaxValue);
  bar->SetMinValue(FMinValue);
  bar->SetValue(FValue);
  bar->SetBounds(bar->Left(), bar->Top(), barWidth, Height());
  HWND h = bar->Handle();
  POINT p{Left(), Top()};
  if (PopupKind == tbpLeft && barWidth != Width()) p.x = Left() + Width() - barWidth;
  if (Parent()) p = Parent()->ClientToScreen(p);
  int y = p.y + Height();
  HMONITOR mon = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{sizeof(mi)};
  GetMonitorInfoW(mon, &mi);
  const RECT& work = mi.rcWork;
  int barHeight = bar->Height();
  if (p.x + barWidth > work.right)
    p.x -= p.x + barWidth - work.right;
  else if (p.x < work.left)
    p.x = work.left;
  if (y + barHeight > work.bottom) y = p.y - barHeight;
  bool layered = TrackBarAlphaBlend;
  if (layered) {
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, static_cast<BYTE>(TrackBarAlphaBlendAnimation ? 0 : TrackBarAlphaBlendValue),
                               LWA_ALPHA);
  }
  SetWindowPos(h, HWND_TOP, p.x, y, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  bar->SetVisible(true);
  if (layered && TrackBarAlphaBlendAnimation) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    int target = std::max(0, std::min(255, TrackBarAlphaBlendValue));
    int step = std::max(1, target / 15);
    int alpha = 0;
    DWORD last = GetTickCount();
    while (alpha < target) {
      DWORD now = GetTickCount();
      if (now - last <= 5) continue;
      last = now;
      alpha = std::min(target, alpha + step);
      SetLayeredWindowAttributes(h, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
    }
  }
}

void TspSkinTrackEdit::HidePopup() {
  if (!PopupShown()) return;
  HWND h = FPopupTrackBar->HandleIfAllocated();
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FPopupTrackBar->SetVisible(false);
  if (TrackBarAlphaBlend) SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
}

void TspSkinTrackEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CHAR:
      // Escape closes the bar first (it then still goes to the dialog).
      if (m.WParam == 27) HidePopup();
      break;
    case WM_SETFOCUS:
      TspSkinCustomEdit::WndProc(m);
      if (FMinValue != FMaxValue)
        SetMaxLength(static_cast<int>(
            std::max(std::to_string(FMinValue).size(), std::to_string(FMaxValue).size())));
      return;
    case WM_KILLFOCUS:
      TspSkinCustomEdit::WndProc(m);
      HidePopup();
      SetTextFromValue();
      return;
    case CM_CANCELMODE:
      TspSkinCustomEdit::WndProc(m);
      if (reinterpret_cast<TControl*>(m.LParam) != FPopupTrackBar) HidePopup();
      return;
    default:
      break;
  }
  TspSkinCustomEdit::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinTimeEdit

namespace {

const char* kMaskHM = "!90:00;1; ";
const char* kMaskHMS = "!90:00:00;1; ";
const char* kMaskHMSZ = "!90:00:00.000;1; ";

// A field of the time text at a fixed place, blanks read as 0; false when
// the text is too short or the field holds something else than digits.
bool ReadField(const std::string& t, size_t pos, size_t len, int& value) {
  value = 0;
  if (t.size() < pos + len) return false;
  for (size_t i = pos; i < pos + len; ++i) {
    char c = t[i] == ' ' ? '0' : t[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

std::string FormatTime(int h, int m, int s, int ms, bool showSec, bool showMSec) {
  char buf[64];
  if (showMSec)
    snprintf(buf, sizeof(buf), "%2.2d:%2.2d:%2.2d.%3.3d", h, m, s, ms);
  else if (showSec)
    snprintf(buf, sizeof(buf), "%2.2d:%2.2d:%2.2d", h, m, s);
  else
    snprintf(buf, sizeof(buf), "%2.2d:%2.2d", h, m);
  return buf;
}

}  // namespace

TspSkinTimeEdit::TspSkinTimeEdit(TComponent* owner) : TspSkinMaskEdit(owner) {
  SetEditMask(kMaskHMS);
  SetText("00:00:00");
  OnKeyPress = [this](TObject* sender, char16_t& key) { TimeKeyPress(sender, key); };
}

TspSkinTimeEdit::~TspSkinTimeEdit() { RemoveUpDown(); }

std::string TspSkinTimeEdit::ZeroText() const {
  return FShowMSec ? "00:00:00.000" : FShowSec ? "00:00:00" : "00:00";
}

void TspSkinTimeEdit::SetShowSec(bool value) {
  if (value == FShowSec) return;
  FShowSec = value;
  if (!value)
    SetEditMask(kMaskHM);
  else
    SetEditMask(FShowMSec ? kMaskHMSZ : kMaskHMS);
  SetText(!value ? "00:00" : FShowMSec ? "00:00:00.000" : "00:00:00");
}

void TspSkinTimeEdit::SetShowMSec(bool value) {
  if (value == FShowMSec) return;
  FShowMSec = value;
  SetEditMask(value ? kMaskHMSZ : kMaskHMS);
  SetText(value ? "00:00:00.000" : "00:00:00");
}

bool TspSkinTimeEdit::IsValidTime(int hour, int min, int sec, int msec) {
  if (hour == 24 && min == 0 && sec == 0 && msec == 0) return true;
  return hour >= 0 && hour <= 23 && min >= 0 && min <= 59 && sec >= 0 && sec <= 59 && msec >= 0 && msec <= 999;
}

void TspSkinTimeEdit::SetTime(const std::string& value) {
  int h, m, s = 0, ms = 0;
  bool ok = ReadField(value, 0, 2, h) && ReadField(value, 3, 2, m);
  if (ok && FShowSec) ok = ReadField(value, 6, 2, s);
  if (ok && FShowMSec) ok = ReadField(value, 9, 3, ms);
  SetText(ok ? FormatTime(h, m, s, ms, FShowSec, FShowMSec) : ZeroText());
}

int TspSkinTimeEdit::Milliseconds() const {
  std::string t = Text();
  int h, m, s = 0, ms = 0;
  if (!ReadField(t, 0, 2, h) || !ReadField(t, 3, 2, m)) return 0;
  if (FShowSec && !ReadField(t, 6, 2, s)) return 0;
  if (FShowMSec && !ReadField(t, 9, 3, ms)) return 0;
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

void TspSkinTimeEdit::SetMilliseconds(int value) {
  if (value < 0) {
    SetText(ZeroText());
    return;
  }
  int h = value / 3600000, m = value / 60000 % 60, s = value / 1000 % 60, ms = value % 1000;
  // The mask keeps what it shows.
  SetText(FormatTime(h, m, s, ms, true, true));
}

void TspSkinTimeEdit::DecodeTime(int& hour, int& min, int& sec, int& msec) const {
  std::string t = Text();
  if (!ReadField(t, 0, 2, hour)) hour = 0;
  if (!ReadField(t, 3, 2, min)) min = 0;
  if (!FShowSec || !ReadField(t, 6, 2, sec)) sec = 0;
  if (!FShowMSec || !ReadField(t, 9, 3, msec)) msec = 0;
  hour = std::min(hour, 23);
  min = std::min(min, 59);
  sec = std::min(sec, 59);
  msec = std::min(msec, 999);
}

void TspSkinTimeEdit::EncodeTime(int hour, int min, int sec, int msec) {
  if (!IsValidTime(hour, min, sec, msec)) return;
  SetText(FormatTime(hour, min, sec, msec, FShowSec, FShowMSec));
}

void TspSkinTimeEdit::TimeKeyPress(TObject*, char16_t& key) {
  if (key == 13 || key == 8 || key == 0) return;
  if (key < u'0' || key > u'9') return;  // the mask refuses what is no digit
  // The text as the mask will make it: the selection blanked, the digit in
  // the first input place at or after the caret.
  std::u16string t = WideText();
  if (static_cast<int>(t.size()) != MaskLength()) t = FormatToMask(t);
  int start = SelStart(), length = SelLength();
  int place = NextInputPlace(start);
  if (place < 0) {
    key = 0;
    return;
  }
  for (int i = start; i < start + length && i < MaskLength(); ++i)
    if (IsInputPlace(i)) t[static_cast<size_t>(i)] = BlankChar();
  t[static_cast<size_t>(place)] = key;
  std::string text = UTF16ToUTF8(t);
  int h, m, s = 0, ms = 0;
  bool ok = ReadField(text, 0, 2, h) && ReadField(text, 3, 2, m);
  if (ok && FShowSec) ok = ReadField(text, 6, 2, s);
  if (ok && FShowMSec) ok = ReadField(text, 9, 3, ms);
  if (!ok || !IsValidTime(h, m, s, ms)) key = 0;
}

void TspSkinTimeEdit::Step(int delta) {
  // The field is the one the caret was in before the focus came (taking
  // the focus selects the whole text).
  int caret = SelStart();
  if (!Focused()) {
    SetFocus();
    SetSelStart(caret);
  }
  int h, m, s, ms;
  DecodeTime(h, m, s, ms);
  std::u16string t = WideText();
  char16_t sep = LocaleTimeSeparator();
  int field = 0;
  for (int i = 0; i < caret && i < static_cast<int>(t.size()); ++i)
    if (t[static_cast<size_t>(i)] == sep) ++field;
  auto wrap = [delta](int v, int n) { return ((v + delta) % n + n) % n; };
  switch (field) {
    case 0: h = wrap(h, 24); break;
    case 1: m = wrap(m, 60); break;
    case 2:
      if (!FShowSec) return;
      s = wrap(s, 60);
      break;
    case 3:
      if (!FShowMSec) return;
      ms = wrap(ms, 1000);
      break;
    default:
      return;
  }
  EncodeTime(h, m, s, ms);
  SetSelStart(caret);
}

void TspSkinTimeEdit::StepUp() { Step(1); }
void TspSkinTimeEdit::StepDown() { Step(-1); }

bool TspSkinTimeEdit::DoMouseWheel(TShiftState, int wheelDelta, POINT) {
  if (wheelDelta <= 0)
    StepDown();
  else
    StepUp();
  return true;
}

void TspSkinTimeEdit::ValidateEdit() {
  // A time edit never refuses to be left: its filter keeps the text valid.
}

void TspSkinTimeEdit::SetShowUpDown(bool value) {
  FShowUpDown = value;
  if (value && !FUpDown)
    CreateUpDown();
  else if (!value)
    RemoveUpDown();
}

void TspSkinTimeEdit::CreateUpDown() {
  ControlStyle |= csAcceptsControls;
  FUpDown = new TspSkinIntUpDown(this);
  FUpDown->SetParent(this);
  FUpDown->SetSkinDataName("resizetoolbutton");
  FUpDown->SetSkinData(FSD);
  FUpDown->SetOrientation(udVertical);
  FUpDown->SetUseSkinSize(false);
  FUpDown->OnUpButtonClick = [this](TObject*) { StepUp(); };
  FUpDown->OnUpChange = [this](TObject*) { StepUp(); };
  FUpDown->OnDownButtonClick = [this](TObject*) { StepDown(); };
  FUpDown->OnDownChange = [this](TObject*) { StepDown(); };
  AdjustUpDown();
}

void TspSkinTimeEdit::RemoveUpDown() {
  if (!FUpDown) return;
  ControlStyle &= ~csAcceptsControls;
  FUpDown->SetVisible(false);
  delete FUpDown;
  FUpDown = nullptr;
}

void TspSkinTimeEdit::AdjustUpDown() {
  if (!FUpDown) return;
  int cw = ClientWidth(), ch = ClientHeight();
  if (HWND h = HandleIfAllocated()) {
    RECT r;
    GetClientRect(h, &r);
    cw = r.right;
    ch = r.bottom;
  }
  FUpDown->SetBounds(cw - ch, 0, ch, ch);
}

void TspSkinTimeEdit::ChangeSkinData() {
  TspSkinMaskEdit::ChangeSkinData();
  if (FUpDown) {
    FUpDown->SetSkinData(FSD);
    AdjustUpDown();
  }
}

void TspSkinTimeEdit::SetBounds(int left, int top, int width, int height) {
  TspSkinMaskEdit::SetBounds(left, top, width, height);
  if (FUpDown) {
    FUpDown->SetSkinData(FSD);
    AdjustUpDown();
  }
}
