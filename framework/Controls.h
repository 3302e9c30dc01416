// Controls: the visual component tree. A TControl has bounds inside its
// parent and takes messages through its WindowProc; a TWinControl owns a
// window; TGraphicControl paints on its parent's window; TCustomControl is a
// window that paints itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Messages.h"

class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// One flag of a system bit set and ours that stands for it.
struct TFlagPair {
  unsigned System, Ours;
};

// Our flags for the system bits set in `bits`, by `pairs`.
template <size_t N>
unsigned TranslateFlags(unsigned bits, const TFlagPair (&pairs)[N]) {
  unsigned ours = 0;
  for (const TFlagPair& p : pairs)
    if (bits & p.System) ours |= p.Ours;
  return ours;
}

using TShiftState = unsigned;
enum : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};

// ControlStyle flags.
enum : unsigned {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 3,
  csOpaque = 1u << 6,          // paints every pixel: the parent need not erase under it
  csDoubleClicks = 1u << 7,
  csSetCaption = 1u << 10,
  csReplicatable = 1u << 13,
  csNoStdEvents = 1u << 14,
};

// ControlState flags.
enum : unsigned {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csFocusing = 1u << 8,
  csAlignmentNeeded = 1u << 10,
  // Painted as a copy for another control's background, not for the screen.
  csPaintCopy = 1u << 11,
};

// Cursors: the system ones by negative number as in the component framework;
// positive numbers are the program's own cursors (TScreen-style table).
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeWE = -9, crHSplit = -14,
                  crVSplit = -15, crHandPoint = -21, crSizeNS = -7;
HCURSOR CursorHandle(TCursor cursor);
// Registers a program cursor under `index` (> 0); the table keeps the handle.
void SetScreenCursor(TCursor index, HCURSOR cursor);

using TWndMethod = std::function<void(TMessage& message)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char16_t& key)>;

// Colours as the component framework has them: 0x00BBGGRR, or a system colour
// index with the top bit set.
using TColorValue = int32_t;
constexpr TColorValue kSysColorFlag = static_cast<int32_t>(0x80000000u);
constexpr TColorValue clBtnFaceValue = kSysColorFlag | COLOR_BTNFACE;
COLORREF ColorToRGBValue(TColorValue color);

// Which parent edges a control keeps its distance to when the parent is
// resized (controls with Align alNone only). Left and right together
// stretch it; neither keeps its centre at the same proportion.
using TAnchors = unsigned;
enum : unsigned {
  akLeft = 1u << 0,
  akTop = 1u << 1,
  akRight = 1u << 2,
  akBottom = 1u << 3,
};

class TControl;

// Size limits of a control; 0 means no limit. SetBounds keeps the size
// within them, also for sizes that come from alignment or auto-size.
class TSizeConstraints : public TPersistent {
public:
  explicit TSizeConstraints(TControl* control) : FControl(control) {}
  void Assign(const TPersistent* source) override;

  int MinWidth() const { return FMinWidth; }
  int MaxWidth() const { return FMaxWidth; }
  int MinHeight() const { return FMinHeight; }
  int MaxHeight() const { return FMaxHeight; }
  // A maximum below the minimum lowers the minimum with it, and a minimum
  // above the maximum raises the maximum, so the pair never contradicts.
  void SetMinWidth(int value);
  void SetMaxWidth(int value);
  void SetMinHeight(int value);
  void SetMaxHeight(int value);

  // The size these limits allow for the wanted one.
  void Constrain(int& width, int& height) const;

  TNotifyEvent OnChange;

private:
  // Sets `limit`, the lower or the upper limit of one dimension; the other
  // limit gives way.
  void SetLimit(int& limit, int& lower, int& upper, int value);
  void Changed();
  TControl* FControl;
  int FMinWidth = 0, FMaxWidth = 0, FMinHeight = 0, FMaxHeight = 0;
};

TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
TShiftState CurrentShiftState();

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Every message to the control goes through WindowProc; replacing it lets
  // another object see (and pass on to the saved value) every message.
  TWndMethod WindowProc;
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  // What happens to a message nobody handled.
  virtual void DefaultHandler(TMessage& message);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);
  TCustomForm* GetParentForm() const;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  virtual RECT ClientRect() const;
  int ClientWidth() const;
  int ClientHeight() const;
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;
  // Where the control's client origin lies in the nearest window's client area.
  POINT ClientOrigin() const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);

  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors value);

  TSizeConstraints* Constraints() { return &FConstraints; }
  const TSizeConstraints* Constraints() const { return &FConstraints; }

  // With AutoSize the control chooses its own size through CanAutoSize
  // whenever its bounds are set.
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  // Sets the bounds again, so auto-size and the constraints apply to them.
  void AdjustSize();

  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Showing a control first asks its parents to bring it into view (a
  // notebook turns to the page that holds it).
  void Show();
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to a shown top-level window.
  bool Showing() const;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);

  TColorValue Color() const { return FColor; }
  void SetColor(TColorValue value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  std::string Hint;
  bool ShowHint = false;

  unsigned ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned ControlState = 0;

  // Mouse capture: the control gets every mouse message until released. A
  // windowless control captures through its parent's window.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  virtual void Invalidate();
  // Invalidates and paints at once.
  virtual void Repaint();
  // Paints what is invalid now.
  virtual void Update();
  void Refresh() { Repaint(); }

  void BringToFront();
  void SendToBack();
  // To the top (or the bottom) of the parent's controls and windows.
  void MoveInZOrder(bool toFront);

  // For controls that report size changes.
  TNotifyEvent OnResize;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  virtual void Click();
  virtual void DblClick();

  // The control under the mouse, as the central tracker last saw it.
  static TControl* MouseControl();
  // The control that holds the mouse capture, if any.
  static TControl* CaptureControl();

protected:
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Resize();
  virtual void ParentColorChanged();
  // The size the control wants for a requested one; false leaves the
  // request as it is. Plain controls accept any size.
  virtual bool CanAutoSize(int& width, int& height);
  // Applies auto-size and the constraints to a requested size.
  void CheckNewSize(int& width, int& height);
  virtual void ConstraintsChanged();
  // Remembers the distances to the parent's edges that the anchors keep.
  void UpdateAnchorRules();
  // Takes the distances to the parent's sides along the axes asked for.
  void TakeAnchorDistances(bool horizontal, bool vertical, int parentWidth, int parentHeight);
  // Asks the parent to lay its aligned children out again.
  void RequestAlign();
  virtual void VisibleChanging() {}

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FCaption;
  TColorValue FColor = clBtnFaceValue;
  bool FParentColor = false;
  TCursor FCursor = crDefault;
  TAnchors FAnchors = akLeft | akTop;
  TSizeConstraints FConstraints{this};
  bool FAutoSize = false;

private:
  // Moves or stretches the control for its parent's new client size.
  void AnchorTo(int parentWidth, int parentHeight);
  // The parent's client size, the control's right and bottom margins and
  // its centre when the anchors were last taken.
  int FAnchorParentWidth = -1, FAnchorParentHeight = -1;
  int FAnchorRight = 0, FAnchorBottom = 0, FAnchorCentreX = 0, FAnchorCentreY = 0;
  bool FAdjustingSize = false;

  void HandleMouseDown(TMessage& m, TMouseButton button, TShiftState extra);
  void HandleMouseUp(TMessage& m, TMouseButton button);

  friend class TWinControl;
  friend class TSizeConstraints;
};

// The fields of CreateWindowEx, as a control wants them.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  UINT WindowClassStyle = CS_DBLCLKS;
  HBRUSH Background = nullptr;
  // Our class name; controls with different class styles need different names.
  std::u16string WinClassName = u"TessControl";
  // The system class to superclass ("BUTTON", WC_LISTVIEW...), or empty.
  std::u16string SuperClass;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // A child asks to be brought into view; by default the request goes up.
  virtual void ShowControl(TControl* control);

  // The window is made when first asked for, parents first.
  HWND Handle();
  HWND HandleIfAllocated() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();

  // Children, windowed and windowless, in z-order (bottom first).
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls[index]; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The topmost visible windowless child at a client point.
  TControl* ControlAtPos(POINT p, bool allowDisabled = false) const;

  RECT ClientRect() const override;
  void SetBounds(int left, int top, int width, int height) override;

  // Aligned children.
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  void Realign();

  // Focus and tab order.
  bool TabStop = false;
  int TabOrder() const;
  void SetTabOrder(int value);
  bool Focused() const;
  virtual bool CanFocus() const;
  // Moves the keyboard focus here; false when it could not be moved.
  virtual bool SetFocus();
  // Every focusable descendant in tab order.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop,
                               bool checkParent) const;
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  // Sends a message to every child (and their children); a dialog key or
  // character stops at the first control that returns non-zero.
  void Broadcast(TMessage& message);

  // Paints the window and its children into `dc` with the origin at (x, y),
  // without going through the screen: erase, then WM_PAINT with the DC.
  void PaintTo(HDC dc, int x, int y);
  // Paints the windowless children into `dc` (the window's client DC), up
  // to but not including `upTo` when given.
  void PaintControls(HDC dc, TControl* upTo);
  // Paints into `dc`, whose origin is `child`'s top-left corner, what lies
  // under `child`: this window's background and content and, for a
  // windowless child, the windowless children below it.
  void PaintBackground(HDC dc, TControl* child);

  void Invalidate() override;
  void Repaint() override;
  void Update() override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // The framework control that owns `window`, or null.
  static TWinControl* FindControl(HWND window);

protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  // Runs once the window exists; controls that need it finish their setup here.
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void AdjustClientRect(RECT& rect);
  virtual void AlignControls(TControl* control, RECT& rect);
  // Fits the client area around the visible children.
  bool CanAutoSize(int& width, int& height) override;
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char16_t& key);
  // The parent form's first look at a key when it has KeyPreview.
  void PreviewKeyDown(WORD& key, TShiftState shift);
  void PreviewKeyUp(WORD& key, TShiftState shift);
  void PreviewKeyPress(char16_t& key);
  // Returns true when the wheel was used.
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
  // Paints the window's own content into `dc` (WM_PAINT with or without a DC).
  virtual void PaintWindow(HDC dc);
  void PaintHandler(HDC dc);
  // For a control over a system class, which paints itself and answers what
  // keys it wants: passes those messages to the class; true when it did.
  bool LetSystemClassPaint(TMessage& m);
  virtual void DoEnter();
  virtual void DoExit();

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;

private:
  void CreateHandle();
  bool IsControlMouseMsg(TMessage& m);
  void UpdateBoundsFromWindow();
  static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  int FAlignLevel = 0;
  bool FAligning = false;
  // Set while the anchored children follow a size change, so their own
  // margins are not taken again from the bounds they are given.
  bool FAnchoring = false;

  friend class TControl;
  friend class TCustomForm;
};

// A windowless control: it paints on its parent's window.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* owner);

  // The parent's DC with the origin moved to this control and clipped to it;
  // valid only inside Paint.
  HDC PaintDC() const { return FPaintDC; }
  // Test hook: how many times Paint ran.
  int PaintCount = 0;

  void WndProc(TMessage& message) override;

protected:
  virtual void Paint() {}

private:
  HDC FPaintDC = nullptr;
};

// A window that paints itself.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);

  HDC PaintDC() const { return FPaintDC; }
  int PaintCount = 0;

protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

private:
  HDC FPaintDC = nullptr;
};
