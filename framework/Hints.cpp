#include "framework/Hints.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

namespace {

std::u16string Wide(const std::string& s) { return UTF8ToUTF16(s); }


TApplicationHints* gHints = nullptr;

}  // namespace

THintWindowClass HintWindowClass = MakeHintWindowClass<THintWindow>();

// ---------------------------------------------------------------------------
// THintWindow

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  FVisible = false;
  FColor = kSysColorFlag | COLOR_INFOBK;
  FFont.SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClassStyle |= CS_SAVEBITS;
  params.WndParent = Application ? Application->Handle() : nullptr;
  params.WinClassName = u"THintWindow";
}

void THintWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_NCHITTEST:
      // The mouse goes through to whatever lies under the hint.
      m.Result = HTTRANSPARENT;
      return;
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      return;
    default:
      TCustomControl::WndProc(m);
  }
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(FFont.Handle()));
  RECT r{0, 0, maxWidth, 0};
  std::u16string text = Wide(hint);
  DrawTextW(dc, W(text), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // Room for the text margin and the border.
  return TRect{0, 0, r.right + 8, r.bottom + 4};
}

void THintWindow::ActivateHint(const TRect& rect, const std::string& hint) {
  SetCaption(hint);
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  SetWindowPos(Handle(), HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  FVisible = true;
  Invalidate();
  Update();
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) ShowWindow(HandleIfAllocated(), SW_HIDE);
  FVisible = false;
}

bool THintWindow::HintShowing() const { return HandleAllocated() && IsWindowVisible(HandleIfAllocated()); }

void THintWindow::Paint() {
  HDC dc = PaintDC();
  RECT r;
  GetClientRect(Handle(), &r);
  HBRUSH brush = CreateSolidBrush(ColorToRGBValue(Color()));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(FFont.Handle()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGBValue(FFont.Color()));
  RECT tr{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
  std::u16string text = Wide(Caption());
  DrawTextW(dc, W(text), static_cast<int>(text.size()), &tr, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
}

// ---------------------------------------------------------------------------
// TApplicationHints

TApplicationHints::TApplicationHints(TComponent* owner) : TComponent(owner) {
  if (Application)
    FHookId = Application->AddMessageHook([this](MSG& msg, bool& handled) { HookMessage(msg, handled); });
}

TApplicationHints::~TApplicationHints() {
  StopTimer();
  if (Application && FHookId) Application->RemoveMessageHook(FHookId);
  FreeHintWindow();
  if (gHints == this) gHints = nullptr;
}

TApplicationHints* ApplicationHints() {
  if (!gHints && Application) gHints = new TApplicationHints(Application);
  return gHints;
}

TApplicationHints* ExistingApplicationHints() { return gHints; }

void TApplicationHints::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FHintControl) {
    StopTimer();
    HideHintWindow();
  }
}

THintWindow* TApplicationHints::EnsureHintWindow() {
  if (!FHintWindow && HintWindowClass) FHintWindow.Set(HintWindowClass(this));
  return FHintWindow;
}

void TApplicationHints::FreeHintWindow() {
  THintWindow* w = FHintWindow;
  FHintWindow.Set(nullptr);
  delete w;
}

void TApplicationHints::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  if (FShowHint) {
    EnsureHintWindow();
  } else {
    CancelHint();
    FreeHintWindow();
  }
}

TTimer* TApplicationHints::PendingTimer() const { return FTimer; }

void TApplicationHints::StartTimer(unsigned ms, bool show) {
  StopTimer();
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(ms);
  FTimerShows = show;
  FTimer->OnTimer = [this](TObject*) {
    if (FTimerShows) {
      POINT p;
      if (!GetCursorPos(&p)) p = FLastPos;
      ActivateHint(p);
    } else {
      StopTimer();
      HideHintWindow();
    }
  };
  FTimer->SetEnabled(true);
}

void TApplicationHints::StopTimer() {
  if (!FTimer) return;
  TTimer* t = FTimer;
  FTimer = nullptr;
  delete t;
}

void TApplicationHints::HideHintWindow() {
  if (FHintWindow && FHintWindow->HintShowing()) FHintWindow->ReleaseHandle();
}

void TApplicationHints::CancelHint() {
  StopTimer();
  HideHintWindow();
  FHintControl.Set(nullptr);
}

void TApplicationHints::HintMouseMessage(TControl* control, POINT screenPos) {
  FLastPos = screenPos;
  if (!FShowHint || control == FHintControl) return;
  bool wasShowing = FHintWindow && FHintWindow->HintShowing();
  StopTimer();
  HideHintWindow();
  FHintControl.Set(control);
  if (!control) return;
  StartTimer(wasShowing ? HintShortPause : HintPause, true);
}

bool TApplicationHints::ActivateHint(POINT screenPos) {
  StopTimer();
  if (!FShowHint || !FHintControl) return false;
  THintInfo info;
  info.HintControl = FHintControl;
  info.CursorPos = FHintControl->ScreenToClient(screenPos);
  info.HintStr = FHintControl->Hint;
  int below = GetSystemMetrics(SM_CYCURSOR);
  info.HintRect = RECT{screenPos.x, screenPos.y + below, screenPos.x, screenPos.y + below};
  std::string hintStr = info.HintStr;
  bool canShow = true;
  if (OnShowHint) OnShowHint(hintStr, canShow, info);
  if (!canShow || hintStr.empty()) return false;
  if (!EnsureHintWindow()) return false;
  TRect size = FHintWindow->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), hintStr);
  TRect r{info.HintRect.left, info.HintRect.top, info.HintRect.left + size.Width(),
          info.HintRect.top + size.Height()};
  FHintWindow->ActivateHint(r, hintStr);
  if (HintHidePause > 0) StartTimer(HintHidePause, false);
  return true;
}

void TApplicationHints::HookMessage(MSG& msg, bool& handled) {
  switch (msg.message) {
    case WM_MOUSEMOVE: {
      TControl* control = nullptr;
      if (TWinControl* w = TWinControl::FindControl(msg.hwnd)) {
        POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        control = w;
        if (TControl* child = w->ControlAtPos(p)) control = child;
      }
      // A control without a hint of its own shows its parent's.
      while (control && control->Hint.empty()) control = control->Parent();
      if (control && !control->ShowHint) control = nullptr;
      if (control == FHintWindow) return;
      POINT screen;
      if (!GetCursorPos(&screen)) screen = msg.pt;
      HintMouseMessage(control, screen);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // A press ends the hint; it comes back only on another control.
      StopTimer();
      HideHintWindow();
      break;
    default:
      break;
  }
}
