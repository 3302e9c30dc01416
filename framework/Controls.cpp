#include "framework/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <unordered_map>

#include "framework/Forms.h"
#include "framework/WideText.h"

namespace {


// One map for every framework window of the GUI thread: the window's
// USERDATA and extra bytes stay free for superclassed system controls.
std::unordered_map<HWND, TWinControl*>& WindowMap() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// The control whose CreateWindowEx is running: messages that come before
// WM_NCCREATE (WM_GETMINMAXINFO) already belong to it.
TWinControl* gCreationControl = nullptr;

TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;
HWND gTrackedWindow = nullptr;

std::map<std::u16string, WNDPROC>& SuperClassProcs() {
  static std::map<std::u16string, WNDPROC> procs;
  return procs;
}

std::map<TCursor, HCURSOR>& CursorTable() {
  static std::map<TCursor, HCURSOR> table;
  return table;
}

bool IsMouseMessage(UINT msg) {
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL);
}

// The control under a point given in `window`'s client coordinates: the
// window's own control or its windowless child there. Points outside the
// window are looked up on the screen, so capture does not hide the target.
TControl* ControlUnderPoint(HWND window, POINT p) {
  RECT r;
  if (window && GetClientRect(window, &r) && PtInRect(&r, p)) {
    if (TWinControl* c = TWinControl::FindControl(window)) {
      if (TControl* child = c->ControlAtPos(p)) return child;
      return c;
    }
    return nullptr;
  }
  if (window) ClientToScreen(window, &p);
  HWND at = WindowFromPoint(p);
  TWinControl* c = TWinControl::FindControl(at);
  if (!c) return nullptr;
  ScreenToClient(at, &p);
  if (TControl* child = c->ControlAtPos(p)) return child;
  return c;
}

void SetMouseControl(TControl* control) {
  if (control == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  // The leave handler may have destroyed the new control's window; recheck.
  if (gMouseControl == control && control)
    control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}

// The central enter/leave tracker: every mouse message of a framework window
// passes here before its control sees it.
void TrackMouse(HWND window, UINT msg, LPARAM lParam) {
  if (msg == WM_MOUSELEAVE) {
    gTrackedWindow = nullptr;
    POINT p;
    GetCursorPos(&p);
    HWND at = WindowFromPoint(p);
    TControl* target = nullptr;
    if (TWinControl* c = TWinControl::FindControl(at)) {
      ScreenToClient(at, &p);
      target = c->ControlAtPos(p);
      if (!target) target = c;
    }
    SetMouseControl(target);
    return;
  }
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  SetMouseControl(ControlUnderPoint(window, p));
  if (gTrackedWindow != window) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, window, 0};
    if (TrackMouseEvent(&tme)) gTrackedWindow = window;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers

HCURSOR CursorHandle(TCursor cursor) {
  auto& table = CursorTable();
  auto it = table.find(cursor);
  if (it != table.end()) return it->second;
  LPCWSTR id = nullptr;
  switch (cursor) {
    case crCross: id = MAKEINTRESOURCEW(32515); break;
    case crIBeam: id = MAKEINTRESOURCEW(32513); break;
    case crSizeWE: case crHSplit: id = MAKEINTRESOURCEW(32644); break;
    case crSizeNS: case crVSplit: id = MAKEINTRESOURCEW(32645); break;
    case crHandPoint: id = MAKEINTRESOURCEW(32649); break;
    default: id = MAKEINTRESOURCEW(32512); break;
  }
  return LoadCursorW(nullptr, id);
}

void SetScreenCursor(TCursor index, HCURSOR cursor) { CursorTable()[index] = cursor; }

COLORREF ColorToRGBValue(TColorValue color) {
  if (color & kSysColorFlag) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

TShiftState KeysToShiftState(WPARAM keys) {
  static const TFlagPair kKeys[] = {
      {MK_SHIFT, ssShift}, {MK_CONTROL, ssCtrl}, {MK_LBUTTON, ssLeft}, {MK_RBUTTON, ssRight}, {MK_MBUTTON, ssMiddle}};
  TShiftState s = TranslateFlags(static_cast<unsigned>(keys), kKeys);
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (keyData & (1 << 29)) s |= ssAlt;
  return s;
}

TShiftState CurrentShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
  if (gMouseControl == this) gMouseControl = nullptr;
  if (gCaptureControl == this) {
    gCaptureControl = nullptr;
    ReleaseCapture();
  }
  if (FParent) FParent->RemoveControl(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::DefaultHandler(TMessage&) {}

TControl* TControl::MouseControl() { return gMouseControl; }
TControl* TControl::CaptureControl() { return gCaptureControl; }

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw Exception("A control cannot be its own parent");
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* c = this;
  while (c->FParent) c = c->FParent;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  CheckNewSize(width, height);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool sized = width != FWidth || height != FHeight;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  UpdateAnchorRules();
  RequestAlign();
  if (sized) Resize();
}

bool TControl::CanAutoSize(int&, int&) { return true; }

void TControl::CheckNewSize(int& width, int& height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  // A client-aligned control takes what the parent gives it.
  if (FAutoSize && FAlign != alClient) {
    int w = width, h = height;
    if (CanAutoSize(w, h)) {
      if (FAlign == alNone || FAlign == alLeft || FAlign == alRight) width = w;
      if (FAlign == alNone || FAlign == alTop || FAlign == alBottom) height = h;
    }
  }
  FConstraints.Constrain(width, height);
  width = std::max(width, 0);
  height = std::max(height, 0);
}

void TControl::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustSize();
}

void TControl::AdjustSize() {
  // Fitting a parent around its children sets the children's bounds, which
  // asks the parent to fit again: one pass at a time is enough.
  if (FAdjustingSize) return;
  FAdjustingSize = true;
  try {
    SetBounds(FLeft, FTop, FWidth, FHeight);
  } catch (...) {
    FAdjustingSize = false;
    throw;
  }
  FAdjustingSize = false;
}

void TControl::ConstraintsChanged() { AdjustSize(); }

void TControl::SetAnchors(TAnchors value) {
  if (value == FAnchors) return;
  FAnchors = value;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (!FParent || FParent->FAnchoring) return;
  RECT r = FParent->ClientRect();
  TakeAnchorDistances(true, true, r.right - r.left, r.bottom - r.top);
}

void TControl::TakeAnchorDistances(bool horizontal, bool vertical, int parentWidth, int parentHeight) {
  if (horizontal) {
    FAnchorParentWidth = parentWidth;
    FAnchorRight = parentWidth - (FLeft + FWidth);
    FAnchorCentreX = FLeft + FWidth / 2;
  }
  if (vertical) {
    FAnchorParentHeight = parentHeight;
    FAnchorBottom = parentHeight - (FTop + FHeight);
    FAnchorCentreY = FTop + FHeight / 2;
  }
}

namespace {

// One axis of a control anchored in a parent now `parentSize` long, from the
// distances taken when it was `oldParentSize` long: the far side keeps its
// distance (stretching when both sides are anchored); anchored to neither
// side, the control keeps its centre in proportion.
void AnchorAxis(bool nearSide, bool farSide, int parentSize, int oldParentSize, int farDistance, int centre, int& pos,
                int& size) {
  if (farSide) {
    if (nearSide)
      size = parentSize - farDistance - pos;
    else
      pos = parentSize - farDistance - size;
  } else if (!nearSide) {
    pos = MulDiv(centre, parentSize, oldParentSize) - size / 2;
  }
}

}  // namespace

void TControl::AnchorTo(int parentWidth, int parentHeight) {
  if (FAlign != alNone || FAnchorParentWidth < 0) return;
  int left = FLeft, top = FTop, width = FWidth, height = FHeight;
  // Distances taken against a parent of no size say nothing about where
  // the control belongs: they are taken anew from the first real size.
  bool horizontal = FAnchorParentWidth > 0, vertical = FAnchorParentHeight > 0;
  if (horizontal)
    AnchorAxis(FAnchors & akLeft, FAnchors & akRight, parentWidth, FAnchorParentWidth, FAnchorRight, FAnchorCentreX,
               left, width);
  if (vertical)
    AnchorAxis(FAnchors & akTop, FAnchors & akBottom, parentHeight, FAnchorParentHeight, FAnchorBottom,
               FAnchorCentreY, top, height);
  SetBounds(left, top, width, height);
  TakeAnchorDistances(!horizontal, !vertical, parentWidth, parentHeight);
}

void TSizeConstraints::Assign(const TPersistent* source) {
  auto* c = dynamic_cast<const TSizeConstraints*>(source);
  if (!c) return TPersistent::Assign(source);
  FMinWidth = c->FMinWidth;
  FMaxWidth = c->FMaxWidth;
  FMinHeight = c->FMinHeight;
  FMaxHeight = c->FMaxHeight;
  Changed();
}

void TSizeConstraints::SetLimit(int& limit, int& lower, int& upper, int value) {
  value = std::max(value, 0);
  if (value == limit) return;
  limit = value;
  // The other end follows when the range would turn over (0 is no upper limit).
  if (upper > 0 && upper < lower) {
    if (&limit == &lower)
      upper = lower;
    else
      lower = upper;
  }
  Changed();
}

void TSizeConstraints::SetMinWidth(int value) { SetLimit(FMinWidth, FMinWidth, FMaxWidth, value); }
void TSizeConstraints::SetMaxWidth(int value) { SetLimit(FMaxWidth, FMinWidth, FMaxWidth, value); }
void TSizeConstraints::SetMinHeight(int value) { SetLimit(FMinHeight, FMinHeight, FMaxHeight, value); }
void TSizeConstraints::SetMaxHeight(int value) { SetLimit(FMaxHeight, FMinHeight, FMaxHeight, value); }

void TSizeConstraints::Constrain(int& width, int& height) const {
  if (FMinWidth > 0 && width < FMinWidth)
    width = FMinWidth;
  else if (FMaxWidth > 0 && width > FMaxWidth)
    width = FMaxWidth;
  if (FMinHeight > 0 && height < FMinHeight)
    height = FMinHeight;
  else if (FMaxHeight > 0 && height > FMaxHeight)
    height = FMaxHeight;
}

void TSizeConstraints::Changed() {
  if (OnChange) OnChange(this);
  if (FControl) FControl->ConstraintsChanged();
}

RECT TControl::ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
int TControl::ClientWidth() const {
  RECT r = ClientRect();
  return r.right - r.left;
}
int TControl::ClientHeight() const {
  RECT r = ClientRect();
  return r.bottom - r.top;
}

POINT TControl::ClientOrigin() const {
  if (auto* w = dynamic_cast<const TWinControl*>(this)) {
    if (w->FHandle) return POINT{0, 0};
  }
  POINT p{FLeft, FTop};
  if (FParent) {
    POINT o = FParent->ClientOrigin();
    p.x += o.x;
    p.y += o.y;
  }
  return p;
}

POINT TControl::ClientToScreen(POINT p) const {
  const TControl* c = this;
  while (c) {
    if (auto* w = dynamic_cast<const TWinControl*>(c)) {
      if (w->FHandle) {
        ::ClientToScreen(w->FHandle, &p);
        return p;
      }
    }
    p.x += c->FLeft;
    p.y += c->FTop;
    c = c->FParent;
  }
  return p;
}

POINT TControl::ScreenToClient(POINT p) const {
  POINT origin = ClientToScreen(POINT{0, 0});
  return POINT{p.x - origin.x, p.y - origin.y};
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (!FParent) return;
  if (FAlign != alNone) FParent->Realign();
  if (FParent->FAutoSize) FParent->AdjustSize();
}

void TControl::Show() {
  if (FParent) FParent->ShowControl(this);
  SetVisible(true);
}

void TWinControl::ShowControl(TControl* control) {
  (void)control;
  if (Parent()) Parent()->ShowControl(this);
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  VisibleChanging();
  if (!value) Invalidate();
  FVisible = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  if (value) Invalidate();
  RequestAlign();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  if (FParent) return FParent->Showing();
  if (auto* w = dynamic_cast<const TWinControl*>(this)) return w->FHandle && IsWindowVisible(w->FHandle);
  return false;
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColorValue value) {
  if (value == FColor && !FParentColor) return;
  FColor = value;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (FParentColor && FParent) {
    FColor = FParent->Color();
    Perform(CM_COLORCHANGED, 0, 0);
  }
}

void TControl::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

bool TControl::MouseCapture() const { return gCaptureControl == this; }

void TControl::SetMouseCapture(bool value) {
  if (value == MouseCapture()) return;
  if (!value) {
    gCaptureControl = nullptr;
    ReleaseCapture();
    return;
  }
  HWND window = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(this))
    window = w->Handle();
  else if (FParent)
    window = FParent->Handle();
  if (!window) return;
  // Set ours after SetCapture: taking it from another window sends that
  // window WM_CAPTURECHANGED, which clears the old capture control.
  SetCapture(window);
  gCaptureControl = this;
}

void TControl::Invalidate() {
  if (!FVisible || !FParent || !FParent->FHandle) return;
  RECT r = BoundsRect();
  InvalidateRect(FParent->FHandle, &r, (ControlStyle & csOpaque) ? FALSE : TRUE);
}

void TControl::Repaint() {
  if (!FVisible || !FParent || !FParent->FHandle) return;
  Invalidate();
  UpdateWindow(FParent->FHandle);
}

void TControl::Update() {
  if (FParent && FParent->FHandle) UpdateWindow(FParent->FHandle);
}

void TControl::MoveInZOrder(bool toFront) {
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(toFront ? list.end() : list.begin(), this);
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (w->FHandle)
      SetWindowPos(w->FHandle, toFront ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    Invalidate();
  }
}

void TControl::BringToFront() { MoveInZOrder(true); }
void TControl::SendToBack() { MoveInZOrder(false); }

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::HandleMouseDown(TMessage& m, TMouseButton button, TShiftState extra) {
  // A wrapped system control needs its own handling of the press first.
  DefaultHandler(m);
  if ((ControlStyle & csCaptureMouse) && button == mbLeft) SetMouseCapture(true);
  if ((ControlStyle & csClickEvents) && button == mbLeft) ControlState |= csClicked;
  MouseDown(button, KeysToShiftState(m.WParam) | extra, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::HandleMouseUp(TMessage& m, TMouseButton button) {
  DefaultHandler(m);
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  if (button == mbLeft) {
    if (ControlStyle & csCaptureMouse) SetMouseCapture(false);
    if (ControlState & csClicked) {
      ControlState &= ~csClicked;
      RECT r = ClientRect();
      if (PtInRect(&r, p)) Click();
    }
  }
  MouseUp(button, KeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      HandleMouseDown(m, mbLeft, 0);
      return;
    case WM_LBUTTONDBLCLK:
      if (ControlStyle & csDoubleClicks) {
        HandleMouseDown(m, mbLeft, ssDouble);
        DblClick();
      } else {
        HandleMouseDown(m, mbLeft, 0);
      }
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(m, mbRight, 0);
      return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(m, mbMiddle, 0);
      return;
    case WM_LBUTTONUP:
      HandleMouseUp(m, mbLeft);
      return;
    case WM_RBUTTONUP:
      HandleMouseUp(m, mbRight);  // the default handling raises WM_CONTEXTMENU
      return;
    case WM_MBUTTONUP:
      HandleMouseUp(m, mbMiddle);
      return;
    case WM_MOUSEMOVE:
      DefaultHandler(m);
      MouseMove(KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      if (MouseCapture()) SetMouseCapture(false);
      ControlState &= ~csClicked;
      break;
    case CM_MOUSEENTER:
      if (OnMouseEnter && reinterpret_cast<TControl*>(m.LParam) == this) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave && reinterpret_cast<TControl*>(m.LParam) == this) OnMouseLeave(this);
      return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      return;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children outlive their parent only as orphans: their owner frees them.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  DestroyHandle();
}

TWinControl* TWinControl::FindControl(HWND window) {
  if (!window) return nullptr;
  auto& map = WindowMap();
  auto it = map.find(window);
  return it == map.end() ? nullptr : it->second;
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FCaption;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FVisible) p.Style |= WS_VISIBLE;
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (TabStop) p.Style |= WS_TABSTOP;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  p.WndParent = FParent ? FParent->Handle() : nullptr;
}

void TWinControl::CreateHandle() {
  if (FParent) FParent->Handle();
  if (FHandle) return;  // made while the parent was being made
  CreateWnd();
  // Windowed children come with the parent.
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->Handle();
  Realign();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD))
    throw Exception("The control \"" + Name() + "\" has no parent window");
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(inst, W(params.WinClassName.c_str()), &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    WNDPROC original = nullptr;
    if (!params.SuperClass.empty()) {
      // Superclass: the system class's own data, our procedure in front of it.
      if (!GetClassInfoExW(nullptr, W(params.SuperClass.c_str()), &wc))
        throw Exception("Unknown window class " + UTF16ToUTF8(params.SuperClass));
      wc.cbSize = sizeof(wc);
      original = wc.lpfnWndProc;
      wc.style &= ~CS_GLOBALCLASS;
    } else {
      wc.style = params.WindowClassStyle;
      wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      wc.hbrBackground = params.Background;
    }
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = W(params.WinClassName.c_str());
    SuperClassProcs()[params.WinClassName] = original;
    if (!RegisterClassExW(&wc)) throw Exception("Cannot register the window class of a control");
  }
  FDefWndProc = SuperClassProcs()[params.WinClassName];
  CreateWindowHandle(params);
  if (!FHandle) throw Exception("Cannot create the window of \"" + Name() + "\"");
  // The window's client area may be smaller than its bounds: anchored
  // children keep the places they have now, measured against it.
  for (TControl* c : FControls) c->UpdateAnchorRules();
  // The system may have changed the size (minimum track size of a form).
  UpdateBoundsFromWindow();
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  std::u16string caption = UTF8ToUTF16(p.Caption);
  TWinControl* saved = gCreationControl;
  gCreationControl = this;
  HWND h = nullptr;
  try {
    h = CreateWindowExW(p.ExStyle, W(p.WinClassName.c_str()), W(caption.c_str()), p.Style, p.X, p.Y,
                        p.Width, p.Height, p.WndParent, nullptr, GetModuleHandleW(nullptr), nullptr);
  } catch (...) {
    gCreationControl = saved;
    throw;
  }
  gCreationControl = saved;
  if (h && !FHandle) {
    FHandle = h;
    WindowMap()[h] = this;
  }
}

void TWinControl::DestroyWnd() {
  HWND h = FHandle;
  if (!h) return;
  DestroyWindow(h);
  if (FHandle == h) {
    WindowMap().erase(h);
    FHandle = nullptr;
  }
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  if (gTrackedWindow == FHandle) gTrackedWindow = nullptr;
  DestroyWnd();
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  HWND parent = GetParent(FHandle);
  if (parent && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  bool sized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
  bool moved = r.left != FLeft || r.top != FTop;
  if (!sized && !moved) return;
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
  UpdateAnchorRules();
  if (sized) {
    Realign();
    Resize();
  }
  RequestAlign();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  CheckNewSize(width, height);
  if (FHandle) {
    if (left != FLeft || top != FTop || width != FWidth || height != FHeight)
      SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // WM_WINDOWPOSCHANGED brought the new bounds; a window that refused
    // keeps its own.
    return;
  }
  bool sized = width != FWidth || height != FHeight;
  if (left == FLeft && top == FTop && !sized) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  UpdateAnchorRules();
  RequestAlign();
  if (sized) {
    Realign();
    Resize();
  }
}

bool TWinControl::CanAutoSize(int& width, int& height) {
  int right = 0, bottom = 0;
  bool any = false;
  for (TControl* c : FControls) {
    if (!c->FVisible) continue;
    any = true;
    right = std::max(right, c->FLeft + c->FWidth);
    bottom = std::max(bottom, c->FTop + c->FHeight);
  }
  if (!any) return false;
  // Children stand in the client area; what the window keeps around it
  // (border, caption band) comes on top.
  RECT client = ClientRect();
  RECT inner = client;
  AdjustClientRect(inner);
  width = FWidth - (client.right - client.left) + right + (client.right - inner.right);
  height = FHeight - (client.bottom - client.top) + bottom + (client.bottom - inner.bottom);
  return true;
}

RECT TWinControl::ClientRect() const {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r;
  }
  return TControl::ClientRect();
}

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->FParent == this) return;
  if (control->FParent) control->FParent->RemoveControl(control);
  FControls.push_back(control);
  control->FParent = this;
  auto* w = dynamic_cast<TWinControl*>(control);
  if (w) FTabList.push_back(w);
  if (control->FParentColor) control->ParentColorChanged();
  if (w && FHandle) w->Handle();
  control->UpdateAnchorRules();
  control->Invalidate();
  control->RequestAlign();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  control->Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* form = GetParentForm()) form->ControlRemoving(w);
    w->DestroyHandle();
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
  }
  if (gCaptureControl == control) control->SetMouseCapture(false);
  if (gMouseControl == control) gMouseControl = nullptr;
  FControls.erase(std::find(FControls.begin(), FControls.end(), control));
  control->FParent = nullptr;
  if (control->FAlign != alNone) Realign();
  if (FAutoSize) AdjustSize();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  while (control) {
    if (control == this) return true;
    control = control->FParent;
  }
  return false;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c)) continue;
    if (!c->FVisible || (!c->FEnabled && !allowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::AdjustClientRect(RECT&) {}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || FAligning) return;
  RECT r = ClientRect();
  AdjustClientRect(r);
  FAligning = true;
  try {
    AlignControls(nullptr, r);
    RECT client = ClientRect();
    FAnchoring = true;
    for (TControl* c : std::vector<TControl*>(FControls))
      c->AnchorTo(client.right - client.left, client.bottom - client.top);
  } catch (...) {
    FAligning = false;
    FAnchoring = false;
    throw;
  }
  FAligning = false;
  FAnchoring = false;
}

void TWinControl::AlignControls(TControl*, RECT& rect) {
  // Top first, then bottom, left, right and what is left for the client;
  // within one kind, the order the children stand in now.
  static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign a : order) {
    std::vector<TControl*> list;
    for (TControl* c : FControls)
      if (c->FAlign == a && c->FVisible) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
      switch (a) {
        case alTop: return x->FTop < y->FTop;
        case alBottom: return x->FTop + x->FHeight > y->FTop + y->FHeight;
        case alLeft: return x->FLeft < y->FLeft;
        case alRight: return x->FLeft + x->FWidth > y->FLeft + y->FWidth;
        default: return false;
      }
    });
    for (TControl* c : list) {
      int w = rect.right - rect.left, h = rect.bottom - rect.top;
      switch (a) {
        case alTop:
          c->SetBounds(rect.left, rect.top, w, c->FHeight);
          rect.top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(rect.left, rect.bottom - c->FHeight, w, c->FHeight);
          rect.bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(rect.left, rect.top, c->FWidth, h);
          rect.left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(rect.right - c->FWidth, rect.top, c->FWidth, h);
          rect.right -= c->FWidth;
          break;
        case alClient:
          c->SetBounds(rect.left, rect.top, w, h);
          break;
        default:
          break;
      }
      if (rect.bottom < rect.top) rect.bottom = rect.top;
      if (rect.right < rect.left) rect.right = rect.left;
    }
  }
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (!FParent) return;
  auto& list = FParent->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  value = std::max(0, std::min(value, static_cast<int>(list.size())));
  list.insert(list.begin() + value, this);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  const TWinControl* c = this;
  while (c) {
    if (!c->FVisible || !c->FEnabled) return false;
    if (!c->FParent) break;
    c = c->FParent;
  }
  return true;
}

bool TWinControl::SetFocus() {
  if (!CanFocus()) return false;
  HWND h = Handle();
  ::SetFocus(h);
  return GetFocus() == h;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[i];
    if (c == current) break;
    if ((!checkTabStop || c->TabStop) && (!checkParent || c->FParent == this) && c->CanFocus() &&
        c->ControlCount() == 0)
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, forward, checkTabStop, false)) next->SetFocus();
}

void TWinControl::Broadcast(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    c->WindowProc(m);
    if (m.Result != 0 && (m.Msg == CM_DIALOGKEY || m.Msg == CM_DIALOGCHAR)) return;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      // Containers pass it on themselves when they are framework controls.
      (void)w;
    }
  }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
  HandleNeeded();
  int saved = SaveDC(dc);
  POINT old;
  OffsetViewportOrgEx(dc, x, y, &old);
  RECT r = ClientRect();
  IntersectClipRect(dc, 0, 0, r.right, r.bottom);
  SendMessageW(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(FHandle, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
  for (TControl* c : FControls) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w && w->FVisible) w->PaintTo(dc, x + w->FLeft, y + w->FTop);
  }
}

void TWinControl::PaintControls(HDC dc, TControl* upTo) {
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (c == upTo) break;
    auto* g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->FVisible || g->FWidth <= 0 || g->FHeight <= 0) continue;
    RECT clip;
    RECT b = g->BoundsRect();
    if (GetClipBox(dc, &clip) != NULLREGION && !IntersectRect(&clip, &clip, &b)) continue;
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, g->FLeft, g->FTop, nullptr);
    IntersectClipRect(dc, 0, 0, g->FWidth, g->FHeight);
    g->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintBackground(HDC dc, TControl* child) {
  HandleNeeded();
  int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -child->Left(), -child->Top(), nullptr);
  SendMessageW(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  PaintWindow(dc);
  bool windowless = dynamic_cast<TWinControl*>(child) == nullptr;
  PaintControls(dc, windowless ? child : nullptr);
  RestoreDC(dc, saved);
}

void TWinControl::PaintWindow(HDC dc) {
  // A plain container: its background is already erased.
  (void)dc;
}

bool TWinControl::LetSystemClassPaint(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
    case WM_GETDLGCODE:
      DefaultHandler(m);
      return true;
    default:
      return false;
  }
}

void TWinControl::PaintHandler(HDC dc) {
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, (ControlStyle & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  Invalidate();
  UpdateWindow(FHandle);
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

namespace {

TWinControl* PreviewingForm(TWinControl* control) {
  TCustomForm* form = control->GetParentForm();
  return form && form != control && form->KeyPreview ? form : nullptr;
}

}  // namespace

void TWinControl::PreviewKeyDown(WORD& key, TShiftState shift) {
  if (TWinControl* form = PreviewingForm(this)) form->KeyDown(key, shift);
}

void TWinControl::PreviewKeyUp(WORD& key, TShiftState shift) {
  if (TWinControl* form = PreviewingForm(this)) form->KeyUp(key, shift);
}

void TWinControl::PreviewKeyPress(char16_t& key) {
  if (TWinControl* form = PreviewingForm(this)) form->KeyPress(key);
}

void TWinControl::KeyPress(char16_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoMouseWheel(TShiftState, int, POINT) { return false; }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!FHandle) return;
  if (FDefWndProc)
    m.Result = CallWindowProcW(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
  else
    m.Result = DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam);
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* target = nullptr;
  if (gCaptureControl && gCaptureControl->FParent == this && !dynamic_cast<TWinControl*>(gCaptureControl)) {
    target = gCaptureControl;
  } else if (!gCaptureControl || gCaptureControl == this) {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    target = ControlAtPos(p);
  }
  if (!target) return false;
  TMessage child{m.Msg, m.WParam,
                 MAKELPARAM(GET_X_LPARAM(m.LParam) - target->FLeft, GET_Y_LPARAM(m.LParam) - target->FTop), 0};
  target->WindowProc(child);
  m.Result = child.Result;
  return true;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      if (dc) {
        PaintHandler(dc);
      } else {
        PAINTSTRUCT ps;
        dc = BeginPaint(FHandle, &ps);
        try {
          PaintHandler(dc);
        } catch (...) {
          EndPaint(FHandle, &ps);
          throw;
        }
        EndPaint(FHandle, &ps);
      }
      m.Result = 0;
      return;
    }
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      RECT r = ClientRect();
      HBRUSH b = CreateSolidBrush(ColorToRGBValue(FColor));
      FillRect(dc, &r, b);
      DeleteObject(b);
      m.Result = 1;
      return;
    }
    case WM_WINDOWPOSCHANGED:
      DefaultHandler(m);
      UpdateBoundsFromWindow();
      return;
    case WM_WINDOWPOSCHANGING: {
      // Sizes that come from outside (the user's drag, another program)
      // keep to the constraints and auto-size as well.
      auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
      if (!(pos->flags & SWP_NOSIZE)) CheckNewSize(pos->cx, pos->cy);
      DefaultHandler(m);
      return;
    }
    case WM_GETMINMAXINFO: {
      DefaultHandler(m);
      auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
      const TSizeConstraints& c = FConstraints;
      if (c.MinWidth() > 0) info->ptMinTrackSize.x = c.MinWidth();
      if (c.MinHeight() > 0) info->ptMinTrackSize.y = c.MinHeight();
      if (c.MaxWidth() > 0) info->ptMaxTrackSize.x = c.MaxWidth();
      if (c.MaxHeight() > 0) info->ptMaxTrackSize.y = c.MaxHeight();
      m.Result = 0;
      return;
    }
    case WM_SETFOCUS:
      if (TCustomForm* form = GetParentForm()) {
        if (form != this) form->SetFocusedControl(this);
      }
      DefaultHandler(m);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(m);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      // The preview may take the key (set it to 0); the key event then does not run.
      const bool down = m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN;
      WORD key = static_cast<WORD>(m.WParam);
      TShiftState shift = KeyDataToShiftState(m.LParam);
      down ? PreviewKeyDown(key, shift) : PreviewKeyUp(key, shift);
      if (key != 0) down ? KeyDown(key, shift) : KeyUp(key, shift);
      if (key == 0) return;
      break;
    }
    case WM_CHAR: {
      char16_t key = static_cast<char16_t>(m.WParam);
      PreviewKeyPress(key);
      if (key != 0) KeyPress(key);
      if (key == 0) return;
      break;
    }
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTCHARS;
      if (FDefWndProc) DefaultHandler(m);
      return;
    case WM_MOUSEWHEEL: {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (DoMouseWheel(KeysToShiftState(GET_KEYSTATE_WPARAM(m.WParam)), GET_WHEEL_DELTA_WPARAM(m.WParam), p)) {
        m.Result = 0;
        return;
      }
      break;
    }
    case WM_SETCURSOR:
      if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == FHandle) {
        POINT p;
        GetCursorPos(&p);
        ::ScreenToClient(FHandle, &p);
        TControl* c = ControlAtPos(p);
        TCursor cursor = c && c->FCursor != crDefault ? c->FCursor : FCursor;
        if (cursor != crDefault) {
          ::SetCursor(CursorHandle(cursor));
          m.Result = TRUE;
          return;
        }
      }
      break;
    case WM_CAPTURECHANGED:
      if (gCaptureControl && reinterpret_cast<HWND>(m.LParam) != FHandle &&
          (gCaptureControl == this || gCaptureControl->FParent == this))
        gCaptureControl = nullptr;
      break;
    case WM_COMMAND:
    case WM_NOTIFY: {
      // Notifications go back to the control that sent them.
      HWND from = m.Msg == WM_COMMAND ? reinterpret_cast<HWND>(m.LParam)
                                      : reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
      if (TWinControl* c = FindControl(from)) {
        if (c != this) {
          m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
          return;
        }
      }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      // A framework edit may choose its own colours; 0 leaves the default.
      if (TWinControl* c = FindControl(reinterpret_cast<HWND>(m.LParam))) {
        if (c != this) {
          LRESULT brush = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
          if (brush) {
            m.Result = brush;
            return;
          }
        }
      }
      break;
    case CM_ENABLEDCHANGED:
      if (!FEnabled) {
        if (TCustomForm* form = GetParentForm())
          if (ContainsControl(form->ActiveControl()) && form != this) form->DefocusControl(this);
      }
      if (FHandle) EnableWindow(FHandle, FEnabled ? TRUE : FALSE);
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      if (!FVisible) {
        if (TCustomForm* form = GetParentForm())
          if (form != this && ContainsControl(form->ActiveControl())) form->DefocusControl(this);
      }
      if (FHandle) ShowWindow(FHandle, FVisible ? SW_SHOWNA : SW_HIDE);
      return;
    case CM_TEXTCHANGED:
      if (FHandle) SetWindowTextW(FHandle, W(UTF8ToUTF16(FCaption).c_str()));
      Invalidate();
      return;
    case CM_COLORCHANGED:
      Invalidate();
      for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
      return;
    case CM_FONTCHANGED:
      Invalidate();
      for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
      Broadcast(m);
      return;
    default:
      if (IsMouseMessage(m.Msg) && IsControlMouseMsg(m)) return;
      break;
  }
  TControl::WndProc(m);
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* c = FindControl(hwnd);
  if (!c && gCreationControl && !gCreationControl->FHandle) {
    c = gCreationControl;
    c->FHandle = hwnd;
    WindowMap()[hwnd] = c;
  }
  if (!c) {
    // A superclassed window made outside the framework, or already released.
    WCHAR name[128] = {};
    GetClassNameW(hwnd, name, 128);
    auto& procs = SuperClassProcs();
    auto it = procs.find(reinterpret_cast<const char16_t*>(name));
    if (it != procs.end() && it->second) return CallWindowProcW(it->second, hwnd, msg, wParam, lParam);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  TMessage m{msg, wParam, lParam, 0};
  try {
    if (msg == WM_MOUSEMOVE || msg == WM_MOUSELEAVE) TrackMouse(hwnd, msg, lParam);
    c->WindowProc(m);
  } catch (...) {
    // Nothing may unwind through the system's code.
    if (Application)
      Application->HandleException(std::current_exception());
    else
      ReportException(std::current_exception());
    m.Result = 0;
  }
  if (msg == WM_NCDESTROY) {
    // `c` may be gone already if the handler freed it; only the map is trusted.
    auto& map = WindowMap();
    auto it = map.find(hwnd);
    if (it != map.end()) {
      TWinControl* owner = it->second;
      map.erase(it);
      if (owner->FHandle == hwnd) owner->FHandle = nullptr;
    }
    if (gTrackedWindow == hwnd) gTrackedWindow = nullptr;
  }
  return m.Result;
}

// ---------------------------------------------------------------------------
// TGraphicControl

namespace {

// Runs `paint` with `slot` holding the DC being painted (cleared again even
// when painting throws) and counts the paint.
template <class Paint>
void PaintOn(HDC& slot, int& count, HDC dc, const Paint& paint) {
  ++count;
  slot = dc;
  try {
    paint();
  } catch (...) {
    slot = nullptr;
    throw;
  }
  slot = nullptr;
}

}  // namespace

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc) return;
    PaintOn(FPaintDC, PaintCount, dc, [this] { Paint(); });
    return;
  }
  TControl::WndProc(m);
}

// ---------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(HDC dc) {
  PaintOn(FPaintDC, PaintCount, dc, [this] { Paint(); });
}
