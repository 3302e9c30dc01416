#include "skin/frame/spTrayIcon.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/SysUtils.h"

namespace {

constexpr UINT kIconId = 1;
constexpr UINT kBaseFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// The marker by which the skinned form recognises a restore from the tray.
constexpr intptr_t kTrayRestoreTag = -10000;
constexpr UINT kTrayRestoreMessage = 1426;

UINT gTaskbarCreated = 0;

// Copies at most `limit` UTF-16 units of text into a zero-filled field of
// `size` units; a surrogate pair is never cut in half.
void CopyLimited(WCHAR* field, size_t size, const std::string& text, size_t limit) {
  std::memset(field, 0, size * sizeof(WCHAR));
  std::u16string w = UTF8ToUTF16(text);
  size_t n = std::min({w.size(), limit, size - 1});
  if (n > 0 && n < w.size() && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
  std::memcpy(field, w.data(), n * sizeof(WCHAR));
}

const char16_t kWindowClass[] = u"TspTrayIconWindow";

}  // namespace

UINT TspTrayIcon::TaskbarCreatedMessage() {
  if (!gTaskbarCreated) gTaskbarCreated = RegisterWindowMessageW(reinterpret_cast<LPCWSTR>(u"TaskbarCreated"));
  return gTaskbarCreated;
}

TspTrayIcon::TspTrayIcon(TComponent* owner) : TComponent(owner) {
  TaskbarCreatedMessage();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(inst, reinterpret_cast<LPCWSTR>(kWindowClass), &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TspTrayIcon::WindowProc;
    wc.hInstance = inst;
    wc.lpszClassName = reinterpret_cast<LPCWSTR>(kWindowClass);
    RegisterClassExW(&wc);
  }
  FHandle = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(kWindowClass), reinterpret_cast<LPCWSTR>(u""), WS_POPUP, 0,
                            0, 0, 0, nullptr, nullptr, inst, nullptr);
  SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  // The whole record is sent: the shell takes the size to know which
  // fields (balloons included) it may read.
  FIconData.cbSize = sizeof(NOTIFYICONDATAW);
  FIconData.hWnd = FHandle;
  FIconData.uID = kIconId;
  FIconData.uFlags = kBaseFlags;
  FIconData.uCallbackMessage = WM_SPTRAYICONNOTIFY;

  if (!FIcon.Handle() && UseDefaultIcon()) {
    HICON icon = LoadIconW(inst, reinterpret_cast<LPCWSTR>(u"MAINICON"));
    if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    if (icon) FIcon.SetHandle(CopyIcon(icon));
  }
  if (Application && Application->Handle())
    FAppHooked = SetWindowSubclass(Application->Handle(), &TspTrayIcon::AppSubclassProc,
                                   reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  if (auto* w = dynamic_cast<TWinControl*>(owner)) {
    FOwnerControl = w;
    OldWndProc = w->WindowProc;
    w->WindowProc = [this](TMessage& m) { OwnerHook(m); };
  }
}

TspTrayIcon::~TspTrayIcon() {
  SetIconVisible(false);
  SetDesignPreview(false);
  FClickTimer.Stop();
  FAnimateTimer.Stop();
  if (FPopupMenu && FPopupMenu->MenuComponent()) FPopupMenu->MenuComponent()->RemoveFreeNotification(this);
  if (FAppHooked && Application && Application->Handle())
    RemoveWindowSubclass(Application->Handle(), &TspTrayIcon::AppSubclassProc, reinterpret_cast<UINT_PTR>(this));
  if (FOwnerControl && OldWndProc) FOwnerControl->WindowProc = OldWndProc;
  if (FHandle) {
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
}

void TspTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (FPopupMenu && component == FPopupMenu->MenuComponent()) FPopupMenu = nullptr;
  if (component == FIconList) FAnimateTimer.Stop();
}

void TspTrayIcon::Loaded() {
  TComponent::Loaded();
  if (FOwnerControl && MinimizedOnStart) {
    FIconVisible = true;
    MinimizeToTray = true;
    if (Application) ShowWindow(Application->Handle(), SW_HIDE);
  }
  ModifyIcon();
  SetIconVisible(FIconVisible);
}

// ---------------------------------------------------------------------------
// The shell

void TspTrayIcon::FillData() {
  FIconData.hIcon = FIcon.Handle();
  if (!FHint.empty() && FShowHint)
    CopyLimited(FIconData.szTip, sizeof(FIconData.szTip) / sizeof(WCHAR), FHint, 127);
  else
    std::memset(FIconData.szTip, 0, sizeof(FIconData.szTip));
}

bool TspTrayIcon::Send(DWORD message) {
  FillData();
  return Shell_NotifyIconW(message, &FIconData) != FALSE;
}

bool TspTrayIcon::ShowIcon() {
  if (!SettingPreview) FIconVisible = true;
  return Send(NIM_ADD);
}

bool TspTrayIcon::HideIcon() {
  if (!SettingPreview) FIconVisible = false;
  return Send(NIM_DELETE);
}

bool TspTrayIcon::ModifyIcon() { return Send(NIM_MODIFY); }

void TspTrayIcon::SetIconVisible(bool value) {
  if (value)
    ShowIcon();
  else
    HideIcon();
}

void TspTrayIcon::SetDesignPreview(bool value) {
  // The program is never designed: the preview only shows or removes the
  // icon without changing IconVisible.
  FDesignPreview = value;
  SettingPreview = true;
  bool keep = FIconVisible;
  if (value) ShowIcon();
  SettingPreview = false;
  FIconVisible = keep;
}

void TspTrayIcon::SetHint(const std::string& value) {
  FHint = value;
  ModifyIcon();
}

void TspTrayIcon::SetShowHint(bool value) {
  FShowHint = value;
  ModifyIcon();
}

void TspTrayIcon::SetIcon(const TIcon* value) {
  FIcon.Assign(value);
  ModifyIcon();
}

void TspTrayIcon::SetIconList(TCustomImageList* value) {
  FIconList.Set(value);
  SetIconIndex(0);
}

void TspTrayIcon::SetIconIndex(int value) {
  if (FIconList) {
    int count = FIconList->Count();
    if (count > 0) {
      // Past the end shows the last icon; below 0 the first.
      FIconIndex = std::max(0, std::min(value, count - 1));
      FIconList->GetIcon(FIconIndex, &FIcon);
    } else {
      FIconIndex = 0;  // an empty list keeps the current icon
    }
  } else {
    FIconIndex = 0;
  }
  ModifyIcon();
}

void TspTrayIcon::SetCycleIcons(bool value) {
  FCycleIcons = value;
  if (value) SetIconIndex(0);
  UpdateAnimateTimer();
}

void TspTrayIcon::SetAnimateTimerInterval(unsigned value) {
  FAnimateTimerInterval = value;
  UpdateAnimateTimer();
}

void TspTrayIcon::UpdateAnimateTimer() {
  if (FCycleIcons && FAnimateTimerInterval > 0)
    FAnimateTimer.Start(FAnimateTimerInterval, [this] { AnimateTick(); });
  else
    FAnimateTimer.Stop();
}

void TspTrayIcon::AnimateTick() {
  if (!FIconList || FIconList->Count() == 0) return;
  int count = FIconList->Count();
  FIconList->GetIcon(FIconIndex, &FIcon);
  Cycle(FIconIndex < count - 1 ? FIconIndex + 1 : 0);
  ModifyIcon();
  FIconIndex = FIconIndex >= count - 1 ? 0 : FIconIndex + 1;
}

void TspTrayIcon::SetPopupMenu(TspTrayPopupMenu* value) {
  if (FPopupMenu && FPopupMenu->MenuComponent()) FPopupMenu->MenuComponent()->RemoveFreeNotification(this);
  FPopupMenu = value;
  if (FPopupMenu && FPopupMenu->MenuComponent()) FPopupMenu->MenuComponent()->FreeNotification(this);
}

bool TspTrayIcon::BitmapToIcon(TBitmap* bitmap, TIcon* icon, TColor maskColor) {
  TImageList list(nullptr, 16, 16);
  list.AddMasked(bitmap, maskColor);
  list.GetIcon(0, icon);
  return true;
}

bool TspTrayIcon::ShowBalloonHint(const std::string& title, const std::string& text, TspBalloonHintIcon iconType) {
  HideBalloonHint();
  FIconData.uFlags = kBaseFlags | NIF_INFO;
  CopyLimited(FIconData.szInfo, sizeof(FIconData.szInfo) / sizeof(WCHAR), text, 255);
  CopyLimited(FIconData.szInfoTitle, sizeof(FIconData.szInfoTitle) / sizeof(WCHAR), title, 63);
  static const DWORD kFlags[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
  FIconData.dwInfoFlags = kFlags[iconType];
  bool result = ModifyIcon();
  FIconData.uFlags = kBaseFlags;
  return result;
}

bool TspTrayIcon::HideBalloonHint() {
  FIconData.uFlags = kBaseFlags | NIF_INFO;
  std::memset(FIconData.szInfo, 0, sizeof(FIconData.szInfo));
  bool result = ModifyIcon();
  FIconData.uFlags = kBaseFlags;
  return result;
}

// ---------------------------------------------------------------------------
// Main form

void TspTrayIcon::ShowMainForm() {
  TForm* main = Application ? Application->MainForm() : nullptr;
  if (!FOwnerControl || !main) return;
  main->Tag = kTrayRestoreTag;
  ShowWindow(Application->Handle(), SW_RESTORE);
  main->Show();
  if (main->HandleAllocated() && IsIconic(main->HandleIfAllocated()))
    ShowWindow(main->HandleIfAllocated(), SW_RESTORE);
  PostMessageW(main->Handle(), kTrayRestoreMessage, 0, 0);
}

void TspTrayIcon::HideMainForm() {
  TForm* main = Application ? Application->MainForm() : nullptr;
  if (!FOwnerControl || !main) return;
  main->Hide();
  ShowWindow(Application->Handle(), SW_HIDE);
}

void TspTrayIcon::DoMinimizeToTray() {
  HideMainForm();
  SetIconVisible(true);
}

// ---------------------------------------------------------------------------
// Events

void TspTrayIcon::Click() {
  if (OnClick) OnClick(this);
}
void TspTrayIcon::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TspTrayIcon::Cycle(int nextIndex) {
  if (OnCycle) OnCycle(this, nextIndex);
}
void TspTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TspTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TspTrayIcon::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TspTrayIcon::PopupAtCursor() {
  if (!FPopupMenu || !FPopupMenu->AutoPopup()) return;
  POINT p;
  if (!GetCursorPos(&p)) return;
  if (Application) Application->ProcessMessages();
  SetForegroundWindow(FHandle);
  if (FOwnerControl && FOwnerControl->HandleAllocated()) SetForegroundWindow(FOwnerControl->HandleIfAllocated());
  // The messages may have taken the menu away.
  if (!FPopupMenu) return;
  FPopupMenu->SetPopupComponent(this);
  FPopupMenu->Popup(p.x, p.y);
  if (FOwnerControl && FOwnerControl->HandleAllocated()) PostMessageW(FOwnerControl->HandleIfAllocated(), WM_NULL, 0, 0);
}

void TspTrayIcon::ClickTimerTick() {
  FClickTimer.Stop();
  if (!IsDblClick && FClickReady) {
    FClickReady = false;
    Click();
  }
  IsDblClick = false;
}

LRESULT TspTrayIcon::HandleIconMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_USERCHANGED:
    case WM_NCDESTROY:
      return 1;
    case WM_SPTRAYICONNOTIFY:
      break;
    default:
      return DefWindowProcW(FHandle, msg, wParam, lParam);
  }
  if (!Enabled) return 0;
  TShiftState shift = 0;
  if (GetAsyncKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetAsyncKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetAsyncKeyState(VK_MENU) < 0) shift |= ssAlt;
  POINT p{0, 0};
  GetCursorPos(&p);
  switch (static_cast<UINT>(lParam)) {
    case WM_MOUSEMOVE:
      MouseMove(shift, p.x, p.y);
      break;
    case WM_LBUTTONDOWN:
      FClickTimer.Start(GetDoubleClickTime(), [this] { ClickTimerTick(); });
      MouseDown(mbLeft, shift | ssLeft, p.x, p.y);
      FClickStart = true;
      if (PopupByLeftButton) PopupAtCursor();
      break;
    case WM_LBUTTONUP:
      if (FClickStart) {
        FClickReady = true;
        if (!FClickTimer.Active()) {
          // The double-click time passed while the button was held.
          FClickStart = false;
          FClickReady = false;
          Click();
        }
      }
      FClickStart = false;
      MouseUp(mbLeft, shift | ssLeft, p.x, p.y);
      break;
    case WM_LBUTTONDBLCLK:
      FClickReady = false;
      IsDblClick = true;
      DblClick();
      if (FPopupMenu && FPopupMenu->AutoPopup() && !PopupByLeftButton) FPopupMenu->ClickDefaultItem();
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, shift | ssRight, p.x, p.y);
      PopupAtCursor();
      break;
    case WM_RBUTTONUP:
      MouseUp(mbRight, shift | ssRight, p.x, p.y);
      break;
    case WM_MBUTTONDOWN:
      MouseDown(mbMiddle, shift | ssMiddle, p.x, p.y);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle, shift | ssMiddle, p.x, p.y);
      break;
    case NIN_SPBALLOONUSERCLICK:
      if (OnBalloonHintClick) OnBalloonHintClick(this);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CALLBACK TspTrayIcon::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TspTrayIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  RunGuarded([&] { result = self->HandleIconMessage(msg, wParam, lParam); });
  return result;
}

// ---------------------------------------------------------------------------
// Hooks on the application window and the owner

void TspTrayIcon::AppHook(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE && wParam == SIZE_MINIMIZED && MinimizeToTray) {
    DoMinimizeToTray();
  } else if (msg == WM_WINDOWPOSCHANGED && SettingMDIForm && Application && Application->MainForm()) {
    // The framework has no MDI frames: the main form is examined once.
    SettingMDIForm = false;
  } else if (msg == TaskbarCreatedMessage() && FIconVisible) {
    // The shell restarted and lost every icon: add ours again.
    ShowIcon();
  }
}

LRESULT CALLBACK TspTrayIcon::AppSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
  auto* self = reinterpret_cast<TspTrayIcon*>(data);
  RunGuarded([&] { self->AppHook(msg, wParam, lParam); });
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void TspTrayIcon::OwnerHook(TMessage& m) {
  if (m.Msg == WM_ACTIVATE && (LOWORD(m.WParam) == WA_ACTIVE || LOWORD(m.WParam) == WA_CLICKACTIVE)) {
    auto* form = dynamic_cast<TCustomForm*>(FOwnerControl);
    TWinControl* active = form ? form->ActiveControl() : nullptr;
    if (active && active->HandleAllocated()) {
      HWND losing = reinterpret_cast<HWND>(m.LParam);
      HWND keep = active->Parent() ? active->Parent()->HandleIfAllocated() : active->HandleIfAllocated();
      if (losing != keep) active->SetFocus();
    }
  } else if (m.Msg == WM_SHOWWINDOW && m.WParam == 1 && m.LParam == 0 && Application) {
    ShowWindow(Application->Handle(), SW_RESTORE);
    SetForegroundWindow(Application->Handle());
    if (FOwnerControl->HandleAllocated()) SetForegroundWindow(FOwnerControl->HandleIfAllocated());
  }
  if (OldWndProc) OldWndProc(m);
}
