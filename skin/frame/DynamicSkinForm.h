// The skinned form component: one per form. It takes over the form's window
// procedure and paints the non-client frame from the skin picture (frame
// mode) or makes the whole window the skin picture (client-skin mode). It
// keeps the frame objects, the window shape and hit testing, applies the
// window states itself (maximize, minimize, roll-up) and follows skin
// changes broadcast by the skin data component.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinMessages.h"  // SP_PAINTCOPY
#include "skin/data/SkinData.h"
#include "skin/frame/SkinFrameObjects.h"
#include "skin/frame/SkinValueObjects.h"
#include "skin/frame/ClientInActivePanel.h"
#include "skin/frame/QuickButtons.h"

// Caption buttons the component draws: the form's own three plus roll-up
// and minimize-to-tray.
using TspBorderIcons = unsigned;
enum : unsigned { biRollUp = 8, biMinimizeToTray = 16 };

enum TspPositionInMonitor { sppDefault, sppScreenCenter, sppDesktopCenter };

// Messages of the skin library handled by the frame (besides the skin
// change messages of SkinData.h).
constexpr UINT WM_CLOSESKINMENU = 1228;
constexpr UINT WM_RESTOREFROMTRAY = 1426;
constexpr UINT SP_FRAMEQUERY = 45490;
constexpr UINT SP_SMARTEFFECTSBEGIN = 45491;
constexpr UINT SP_SMARTEFFECTSEND = 45492;
constexpr UINT SP_PAINTFRAMETODC = 48203;
constexpr LPARAM SP_PAINTFRAMEKEY = 16802;

// What the skinned menus add to a form's frame. The frame works without it:
// no menu is ever open then, and the system-menu button opens nothing.
class TspFrameMenuHandler {
public:
  virtual ~TspFrameMenuHandler() = default;
  // A skin menu of the form is open.
  virtual bool MenuOpen() = 0;
  // Closes what a message that closes menus should close.
  virtual void CloseMenus() = 0;
  // Message 1228: the form's skin menu closed.
  virtual void SkinMenuClose() = 0;
  virtual void PopupSystemMenuAt(int X, int Y) = 0;
  // Drops the button's menu down under ScreenRect.
  virtual void TrackButtonMenu(TspSkinButtonObject* Button, const TRect& ScreenRect) = 0;
  // The items of the system menu for the system-menu button.
  virtual TMenuItem* SystemMenuItems() = 0;
  // SC_KEYMENU; true when the menus took it.
  virtual bool KeyMenu() = 0;
  // Drops the sub-menu of a main-menu item in the frame down under
  // ScreenRect; without the skinned menus nothing opens.
  virtual void PopupMainMenuItem(TspActiveSkinObject* /*Item*/, TMenuItem* /*Menu*/, const TRect& /*ScreenRect*/) {}
  // Adds the main-menu item objects to the frame's objects.
  virtual void CreateMainMenuItems() {}
};

// What the skinned hint adds: the delayed hint of frame objects.
class TspFrameHintHandler {
public:
  virtual ~TspFrameHintHandler() = default;
  virtual void ActivateHint2(const std::string& Hint) = 0;
  virtual void HideHint() = 0;
};

// A control that takes its look from a skin data component and follows a
// skin change when the form's component tells it to. The skinned bases are
// reached by their own classes; controls made elsewhere join through this.
class TspSkinChangeable {
public:
  virtual ~TspSkinChangeable() = default;
  virtual TspSkinData* ChangeableSkinData() const = 0;
  virtual void BeforeChangeSkinData() {}
  virtual void ChangeSkinData() = 0;
};

// A control placed on a named area of the skin picture; it moves and
// stretches with the window as the area's anchors say.
struct TspLinkedArea {
  TControl* Control = nullptr;
  TRect AreaRect;
  bool UseAnchors = false, AnchorLeft = false, AnchorTop = false, AnchorRight = false, AnchorBottom = false;
};

using TspCaptionPaintEvent = std::function<void(TCanvas* Cnvs, const TRect& R, bool AActive)>;
using TspObjectMouseEvent =
    std::function<void(const std::string& IDName, int X, int Y, const TRect& ObjectRect, TMouseButton Button)>;
using TspObjectMouseMoveEvent = std::function<void(const std::string& IDName, int X, int Y, const TRect& ObjectRect)>;
using TspObjectEvent = std::function<void(const std::string& IDName)>;
using TspObjectPaintEvent = std::function<void(const std::string& IDName, TCanvas* Canvas, const TRect& ObjectRect)>;
using TspActivateCustomObjectEvent = std::function<void(const std::string& IDName, bool& ObjectVisible)>;
using TspChangeClientRectEvent = std::function<void(const TRect& NewClientRect)>;

class TspSkinStatusBar;
class TspFormLayerBorder;
class TspSkinScrollBar;
class TspSkinMDITabsBar;

// The MDI protocol between the children's components and the frame's.
constexpr UINT SP_MDICHILDFILL = 1230;        // frame -> child: a maximized child fills the client again
constexpr UINT SP_MDICHILDMAXIMIZED = 1231;   // child -> frame
constexpr UINT SP_MDICHILDRESTORED = 1232;    // child -> frame: restored, minimized or destroyed
constexpr UINT SP_MDICHILDMOVED = 1233;       // child -> frame: wParam = a child leaving the extent, or 0
constexpr UINT SP_MDIRESTOREALL = 1234;       // child -> frame
constexpr UINT SP_MDIRESTOREALLEXCEPT = 1235; // child -> frame: wParam = the child that stays
constexpr UINT SP_MDIQUERYMAXIMIZED = 1236;   // child -> frame: 1 when a child is maximized

enum TTileMode { tbHorizontal, tbVertical };
using TspOnAcceptToMDITabsBar = std::function<void(bool& Accept)>;

class TspDynamicSkinForm;
// The first skinned form component owned by the form, or null.
TspDynamicSkinForm* GetDynamicSkinForm(TCustomForm* Form);

class TspDynamicSkinForm : public TComponent {
public:
  // The owner must be a form.
  explicit TspDynamicSkinForm(TComponent* AOwner);
  ~TspDynamicSkinForm() override;

  void Loaded() override;

  // Hooks the menus and the hint fill in for every component made after
  // they are set (see the handler classes above).
  static std::function<std::unique_ptr<TspFrameMenuHandler>(TspDynamicSkinForm*)> MenuHandlerFactory;
  static std::function<std::unique_ptr<TspFrameHintHandler>(TspDynamicSkinForm*)> HintHandlerFactory;
  std::unique_ptr<TspFrameMenuHandler> MenuHandler;
  std::unique_ptr<TspFrameHintHandler> HintHandler;

  // ---- properties
  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* Value);
  TspSkinData* MenusSkinData() const { return FMSD; }
  void SetMenusSkinData(TspSkinData* Value);
  bool SupportNCArea() const { return FSupportNCArea; }
  void SetSupportNCArea(bool Value) { FSupportNCArea = Value; }
  TspBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TspBorderIcons Value);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  bool RollUpState() const { return FRollUpState; }
  void SetRollUpState(bool Value);
  int RealHeight() const { return FRollUpState ? OldHeight : FFormHeight; }
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value);
  bool ShowIcon() const { return FShowIcon; }
  void SetShowIcon(bool Value);
  TFont* DefCaptionFont() { return &FDefCaptionFont; }
  TFont* DefInActiveCaptionFont() { return &FDefInActiveCaptionFont; }
  TBitmap* LogoBitMap() { return &FLogoBitMap; }
  void SetLogoBitMap(TBitmap* Value) { FLogoBitMap.Assign(Value); }
  // The status bar whose size grip hides while the form is maximized.
  TspSkinStatusBar* StatusBar() const;
  void SetStatusBar(TspSkinStatusBar* Value);
  bool GetSkinnableForm() const { return FSkinnableForm; }
  void SetSkinnableForm(bool Value);
  bool UseRibbon() const { return FUseRibbon; }
  void SetUseRibbon(bool Value);

  bool Sizeable = true;
  bool DraggAble = false;
  bool NCDraggAble = true;
  bool Magnetic = false;
  uint8_t MagneticSize = 10;
  int MinHeight = 0, MinWidth = 0, MaxHeight = 0, MaxWidth = 0;
  int ClientWidth = 0, ClientHeight = 0;
  bool AlphaBlendAnimation = false;
  bool MenusAlphaBlend = false, MenusAlphaBlendAnimation = false;
  uint8_t MenusAlphaBlendValue = 200;
  bool UseSkinFontInCaption = true;
  bool HideCaptionButtons = false;
  bool DisableSystemMenu = false;
  bool UseDefaultSysMenu = true;
  TspPositionInMonitor PositionInMonitor = sppDefault;
  bool MaximizeOnFullScreen = false;
  bool UseFormCursorInNCArea = false;
  bool UseSkinCursors = false;
  bool ShowObjectHint = false;
  bool UseDefaultObjectHint = true;
  bool LogoBitMapTransparent = false;
  bool AlwaysMinimizeToTray = false;
  bool PreviewMode = false;
  bool AlwaysDisableLayeredFrames = false;
  bool FMinimizeDefault = false;

  // ---- events
  TspCaptionPaintEvent OnCaptionPaint;
  TspChangeClientRectEvent OnChangeClientRect;
  TNotifyEvent OnChangeSkinData, OnActivate, OnDeActivate, OnChangeRollUpState;
  TNotifyEvent OnMainMenuEnter;
  TNotifyEvent OnMinimize, OnRestore, OnMaximize, OnMinimizeToTray;
  TspObjectMouseEvent OnMouseUpEvent, OnMouseDownEvent;
  TspObjectMouseMoveEvent OnMouseMoveEvent;
  TspObjectEvent OnMouseEnterEvent, OnMouseLeaveEvent;
  TspObjectPaintEvent OnPaintEvent;
  TspActivateCustomObjectEvent OnActivateCustomObject;

  // ---- services (lifecycle)
  TCustomForm* Form() const { return FForm; }
  bool GetFormActive() const;
  bool UseLayeredBorder() const;
  bool NeedsLayeredShow() const;
  bool UseInActiveEffect() const;
  bool IsSizeAble() const;
  bool SkinInUse() const { return FSD && !FSD->Empty; }
  static void GetIconSize(int& W, int& H);
  void PrepareSmallIcon();
  void DrawFormIcon(TCanvas* Canvas, int X, int Y);
  void UpDateFormNC();
  void EnableShadow(bool AShowShadow, bool AHideFormBefore);
  bool HaveShadow() const { return FHaveShadow; }
  void SetFormBorderStyle(TFormBorderStyle BS);
  void SetFormStyle(TFormStyle FS);
  static std::string GetProductVersion() { return "12.22"; }
  void RepaintChildBackgrounds();
  bool IsMainForm() const;
  // The form's icon has per-pixel alpha at the small-icon size.
  bool IconHasAlpha();
  void BringStayOnTopFormsToFront();
  bool HasBorder() const;
  // The main form brings the other shown forms above its layered border
  // again (after the application was restored).
  void CheckAppLayeredBorders();
  void DoAppRestore() { CheckAppLayeredBorders(); }
  // Test hook: each step of the fade-in, with the opacity just applied.
  std::function<void(int Alpha)> OnFadeStep;

  // ---- geometry, shape and hit testing
  void CalcRects();
  TRect GetNewObjectRect(const TRect& R) const;
  void CalcObjectRects();
  void CalcDefRects();
  void GetDefCaptionRect(TRect& R);
  int GetDefCaptionHeight() const;
  int GetDefButtonSize() const;
  TRect GetAreaRect(const std::string& AIDName) const;
  TRect GetNewAreaRect(const TRect& AreaRect, bool UseAnchors, bool AnchorBottom, bool AnchorRight, bool AnchorTop,
                       bool AnchorLeft) const;
  void UpdateLinkedControls();
  void UpdateFrameSize(bool Recalc);
  void SetFormRegion(bool Recalc);
  bool IsResizableSkin() const;
  bool CanPaintSkinNC() const;
  void ScreenToFrame(TPoint& P) const;
  int HitTestDefault(TPoint P);
  int HitTestSkin(TPoint P);
  int HitTestClientSkin(TPoint P);
  // True when a point one border width from P lies outside the window (or
  // its skin mask).
  bool NearSkinEdge(TPoint P);
  // The sizing corner or edge P lies in, or 0.
  int SkinSizingZone(TPoint P) const;
  bool PointInSkinMask(TPoint P) const;

  // ---- skin change, objects and mouse tracking
  void ChangeSkinData();
  void BeforeChangeControls(TspSkinData* ASkinData, TControl* AControl);
  void ChangeControlsSkinData(TspSkinData* ASkinData, TControl* AControl);
  void CreateSkinObjects();
  void CreateDefaultObjects();
  void ClearObjects();
  void UpdateCaptionButtons();
  void UpdateButtonHints();
  void UpdateCaptionText();
  void UpdateFormBorderIcons();
  void ResetObjectStates();
  void UpdateActiveState(bool Redraw);
  bool IsObjectShown(bool ARollUp) const;
  void TestActive(int X, int Y, bool CanBeActive);
  void ObjectsMouseDown(TMouseButton Button, int X, int Y);
  void ObjectsMouseUp(TMouseButton Button, int X, int Y);
  void ObjectsMouseMove(int X, int Y);
  void ObjectsDblClick();
  void BeginDragging(int X, int Y);
  void EndDragging() { FIsDragging = false; }
  void UpdateSkinCursor();
  void MorphTimerProc();
  void MouseTimerProc();
  void AnimateTimerProc();
  void FitClientToSkin();
  void CallOnPaintEvent(const std::string& IDName, TCanvas* Canvas, const TRect& R);
  void CallOnMouseUpEvent(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton B);
  void CallOnMouseDownEvent(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton B);
  void CallOnMouseMoveEvent(const std::string& IDName, int X, int Y, const TRect& R);
  void CallOnMouseEnterEvent(const std::string& IDName);
  void CallOnMouseLeaveEvent(const std::string& IDName);
  // The object at an index of ObjectList, or null for -1 or a stale index.
  TspActiveSkinObject* ObjectAt(int Index) const;
  TspSkinCaptionObject* FirstCaption() const;

  // ---- window states
  int GetMinWidth() const;
  int GetMinHeight() const;
  int GetMaxWidth() const;
  int GetMaxHeight() const;
  void ChangeWindowState(TWindowState Value);
  void DoMinimize();
  void DoMaximize();
  void DoRestore();
  void GetMinimizedPosition(TPoint& P) const;
  void DoMagnetic(int& X, int& Y, int W, int H);
  void ApplyPositionInMonitor();
  TPoint GetPositionInMonitor(int AX, int AY, int AW, int AH) const;
  void Move(int AX, int AY);
  void SetBounds(int AX, int AY, int AWidth, int AHeight);
  void RestoreOldBounds();
  void ForceRealign();
  void RollUpClientSkin();
  void RollDownClientSkin();
  void SetRollUpRegion();
  // Caption double click in the client area (client-skin mode).
  void CaptionDblClick();

  // ---- painting
  void PaintNCSkin(HDC ADC, bool AUseExternalDC);
  void PaintNCDefault(HDC ADC, bool AUseExternalDC);
  void DrawSkinObject(TspActiveSkinObject* AObject);
  void FitCaptionText(TCanvas* Canvas, std::u16string& Text, int Width);
  void PaintBG(HDC DC);
  void PaintBG2(HDC DC);
  void PaintBG3(HDC DC);
  void PaintBGDefault(HDC DC);
  void PaintMDIBGDefault(HDC DC);
  void Paint(HDC DC);
  void DrawLogoBitMap(TCanvas* Canvas);
  void DrawSizeGrip(TCanvas* Canvas);

  // ---- MDI: the frame form's component arranges the children, shows the
  // client's scroll bars and keeps the window menu and the tabs bar; a
  // child's component reports to the main form's (all do nothing for
  // forms that are not MDI forms)
  bool IsMDIForm() const { return FForm->FormStyle() == fsMDIForm; }
  bool IsMDIChild() const { return FForm->FormStyle() == fsMDIChild; }
  bool ShowMDIScrollBars() const { return FShowMDIScrollBars; }
  void SetShowMDIScrollBars(bool Value);
  TspSkinMDITabsBar* MDITabsBar() const;
  void SetMDITabsBar(TspSkinMDITabsBar* Value);
  TspOnAcceptToMDITabsBar OnAcceptToMDITabsBar;
  TTileMode FTileMode = tbHorizontal;
  bool GetMDIChildMaximized() const { return FMDIChildMaximized; }
  // The caption the frame shows: an MDI form with a maximized child adds
  // the child's caption in brackets.
  std::string CaptionText() const;
  void Tile();
  void TileHorizontal();
  void TileVertical();
  void Cascade();
  void MinimizeAll();
  void MaximizeAll();
  void CloseAll();
  void RestoreAll();
  void RestoreAllExcept(HWND AFormHandle);
  void AddChildToMenu(TCustomForm* Child);
  void DeleteChildFromMenu(TCustomForm* Child);
  void UpDateChildCaptionInMenu(TCustomForm* Child);
  void UpDateChildActiveInMenu();
  void MDIItemClick(TObject* Sender);
  void AddChildToBar(TCustomForm* Child);
  void DeleteChildFromBar(TCustomForm* Child);
  void RefreshMDIBarTab(TCustomForm* Child);
  void UpdateMDITabsBarActive();
  void UpdateMainMenuBarItems();
  void UpdateMDIScrollBars(bool AUpdateRange);
  void AlignMDIScrollBars();
  void UpdateMDIChildren();
  void GetMDIClientRect(TRect& R) const;
  // The frame of Tile and Cascade: the children restored, then `place`
  // moves them within the client area's size; the scroll bars follow when
  // it placed them.
  using TPlaceChildren = std::function<bool(const std::vector<TCustomForm*>& kids, int W, int H)>;
  void ArrangeChildren(const TPlaceChildren& place);
  // The main form's maximized child (the active one first), or null.
  TCustomForm* GetMaximizedMDIChild() const;
  static TspDynamicSkinForm* GetMaximizedMDIChildDSF();
  static TspDynamicSkinForm* GetActiveMDIChildDSF();
  // The main form's component, or null.
  static TspDynamicSkinForm* MainFormDSF();
  TComponentRef<TspSkinScrollBar> FMDIHScrollBar{this};
  TComponentRef<TspSkinScrollBar> FMDIVScrollBar{this};
  int FOldHSrollBarPosition = 0, FOldVSrollBarPosition = 0;
  bool FStopCheckChildMove = false;
  HWND ChangeVisibleChildHanle = nullptr;
  bool FMDIChildMaximized = false, FInMaximizeAll = false, FInRestoreAll = false;
  // The procedure of the MDI client window while the component serves it.
  WNDPROC FPrevClientProc = nullptr;
  HWND FClientWindow = nullptr;

  // ---- window hook
  void NewWndProc(TMessage& Message);
  void CheckCloseMenus(const TMessage& Message);
  // An MDI frame on the screen ends the modes of its skinned controls and
  // edits (a held button, an open drop-down) when a menu closes.
  void CancelChildModes();

  // ---- frame objects by name (first exact match; absent names and other
  // kinds do nothing and read as 0, swsOff or false)
  std::function<void(const std::string& IDName, TSwitchState State)> OnSwitchChangeStateEvent;
  std::function<void(const std::string& IDName, int Value)> OnTrackBarChangeValueEvent;
  std::function<void(const std::string& IDName, int Value)> OnFrameRegulatorChangeValueEvent;
  void DoSwitchChangeState(const std::string& IDName, TSwitchState State);
  void DoTrackBarChangeValue(const std::string& IDName, int Value);
  void DoFrameRegulatorChangeValue(const std::string& IDName, int Value);
  int GetIndex(const std::string& AIDName) const;
  int TrackBarGetValue(const std::string& AIDName) const;
  void TrackBarSetValue(const std::string& AIDName, int AValue);
  void GaugeSetValue(const std::string& AIDName, int AValue);
  void FrameGaugeSetValue(const std::string& AIDName, int AValue);
  int FrameRegulatorGetValue(const std::string& AIDName) const;
  void FrameRegulatorSetValue(const std::string& AIDName, int AValue);
  void LabelSetText(const std::string& AIDName, const std::string& ATextValue);
  void BitLabelSetText(const std::string& AIDName, const std::string& AValue);
  void CaptionSetText(const std::string& AIDName, const std::string& AText);
  TSwitchState SwitchGetState(const std::string& AIDName) const;
  void SwitchSetState(const std::string& AIDName, TSwitchState AState);
  bool ButtonGetDown(const std::string& AIDName) const;
  void ButtonSetDown(const std::string& AIDName, bool ADown);
  void SetEnabled(const std::string& AIDName, bool Value);
  void UserObjectDraw(const std::string& AIDName);
  void AnimateStart(const std::string& AIDName);
  void AnimateStop(const std::string& AIDName);
  // Ordinary controls placed on named skin areas.
  void LinkControlToArea(const std::string& AreaName, TControl* Control);
  void UnLinkControlFromArea(TControl* Control);
  void LinkControlsToAreas();
  // One tick of the animation objects; true while one still runs.
  bool AnimateObjectsTick();

  // ---- quick buttons of the caption
  TspQuickButtonItems& QuickButtons() { return *FQuickButtons; }
  const TspQuickButtonItems& QuickButtons() const { return *FQuickButtons; }
  void SetQuickButtons(const TspQuickButtonItems& Value) { FQuickButtons->Assign(Value); }
  TComponentRef<TCustomImageList> QuickImageList{this};  // not owned
  void SetQuickImageList(TCustomImageList* Value);
  bool QuickButtonsShowHint = false;

  // ---- the client-inactive effect
  bool ClientInActiveEffect = false;
  TspClientInActiveEffect ClientInActiveEffectType = spieSemiTransparent;
  TspClientInActivePanel* FInActivePanel = nullptr;  // owned while shown
  bool FClientInActiveDraw = false;
  void ShowClientInActiveEffect();
  void HideClientInActiveEffect();
  // The form was activated or deactivated.
  void ClientInActiveChanged(bool AActive);

  // ---- the layered border around the form (owned)
  TspFormLayerBorder* FBorderLayer = nullptr;
  // The layered border is resizing the form.
  bool FBorderLayerChangeSize = false;
  // The border is in use and its windows are shown.
  bool LayerBorderShown() const;
  // The border in use carries the caption and buttons (a full border).
  bool LayerFullBorder() const;
  bool IsCollapsedLayerFrame() const;
  // The border's part of the window hook.
  void LayerAfterSize();
  void LayerPosChanged(const WINDOWPOS& WP);
  void LayerShowWindow(bool AShow);
  void LayerActivate();
  void LayerInitFrame();
  void LayeredBordersChanged();
  // The form's bounds as the border's outer rectangle, or the form's own.
  TRect LayerOuterBounds() const;

  // ---- state the other parts of the frame read
  std::vector<std::unique_ptr<TspActiveSkinObject>> ObjectList;
  std::vector<TspLinkedArea> AreaList;
  int ActiveObject = -1, OldActiveObject = -1, MouseCaptureObject = -1;
  bool InMenu = false, InMainMenu = false;
  bool FFormActive = false;
  bool FSkinSupport = false;
  bool FStopPainting = false;
  bool FStartShow = true;
  bool FInChangeSkinData = false;
  bool FSizeMove = false, FSizing = false, FFullDrag = false;
  bool MaxRollUpState = false, FRollUpBeforeMaximize = false;
  bool HMagnetized = false, VMagnetized = false, HMagnetized2 = false, VMagnetized2 = false;
  TPoint FOnMouseDownCoord{-1, -1};
  bool MouseIn = false;
  bool FIsDragging = false;
  int FOldX = 0, FOldY = 0;
  bool FSmartEffectsShow = false;
  bool IsAlphaIcon = false;
  int FFormWidth = 0, FFormHeight = 0, FFormLeft = 0, FFormTop = 0, FOldFormLeft = 0, FOldFormTop = 0;
  TRect OldBoundsRect;
  int OldHeight = 0;
  TRect FOldFormBounds;
  int FOldFullBorder = -1;
  TPoint NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint;
  TRect NewClRect, NewCaptionRect, NewButtonsRect;
  int NewButtonsOffset = 0;
  bool NewButtonsInLeft = false;
  TRect NewMaskRectArea;
  TPoint NewHitTestLTPoint, NewHitTestRTPoint, NewHitTestLBPoint, NewHitTestRBPoint;
  TRect NewDefCaptionRect, NewMainMenuRect, NewIconRect, FSizeGripArea;
  TBitmap RMTop, RMBottom, RMLeft, RMRight;
  TColor BlackColor = 0;
  HRGN FRgn = nullptr;
  TTimer* MorphTimer = nullptr;
  TTimer* MouseTimer = nullptr;
  TTimer* AnimateTimer = nullptr;
  TspLayerManager* FLayerManager = nullptr;
  TspLayerManager* FMenuLayerManager = nullptr;
  std::vector<TControl*> VisibleControls;
  bool OldActive = false;
  bool DisableDWMAnimation = false;
  bool FHaveShadow = false;
  // Every live component, for the placement of minimized forms.
  static std::vector<TspDynamicSkinForm*>& AllComponents();
  // Set by tests: the frame uses these instead of the form's monitor.
  static std::function<void(HWND, bool WorkArea, TRect&)> MonitorAreaOverride;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Window hook pieces.
  void WMSize(TMessage& M);
  void WMShowWindowBefore(TMessage& M);
  void WMShowWindowAfter(TMessage& M);
  void WMNCCalcSize(TMessage& M);
  void WMNCHitTest(TMessage& M);
  void WMNCActivate(TMessage& M);
  void WMTimerFade(TMessage& M);
  void WMSizing(TMessage& M);
  void WMWindowPosChanged(TMessage& M);
  void AfterMessage(TMessage& M);
  bool PrivateMessage(TMessage& M, bool& Handled);
  bool MDIMessage(TMessage& M, bool& Handled);
  void MDIChildDestroyed();
  void WMShowWindowMDI(TMessage& M);
  void CreateMDIScrollBars();
  void MDIScrollBarChange(TspSkinScrollBar* Bar);
  void InstallClientProc();
  void RemoveClientProc();
  static LRESULT CALLBACK ClientWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT NewClientWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  bool MaximizedMDIChild() const { return IsMDIChild() && FWindowStateInit == wsMaximized; }
  bool FShowMDIScrollBars = true;
  TComponentRef<TspSkinMDITabsBar> FMDITabsBar{this};
  bool FMDIFirstShown = false;
  void SaveBoundsForChange();
  void CallOld(TMessage& M);
  void MonitorArea(bool WorkArea, TRect& R) const;
public:
  // The form's window rectangle on the screen (its bounds before the
  // framework has taken them from the window).
  TRect FormBounds() const;

private:
  void SetFormBounds(int L, int T, int W, int H);

  TCustomForm* FForm = nullptr;
  TWndMethod OldWindowProc;
  TComponentRef<TspSkinData> FSD{this};
  TComponentRef<TspSkinData> FMSD{this};
  TComponentRef<TspSkinStatusBar> FStatusBar{this};
  bool FSupportNCArea = true;
  TspBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize | biRollUp;
  TWindowState FWindowState = wsNormal;
  TWindowState FWindowStateInit = wsNormal;
  bool FRollUpState = false;
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 200;
  bool FShowIcon = false;
  bool FSkinnableForm = true;
  bool FUseRibbon = false;
  TFont FDefCaptionFont, FDefInActiveCaptionFont;
  TBitmap FLogoBitMap;
  HICON FIcon = nullptr;
  bool FIsW7 = false, FIsVistaOS = false, FIsLayerEnabled = false;
  bool FInAppHook = false;
  std::unique_ptr<TspQuickButtonItems> FQuickButtons{new TspQuickButtonItems(this)};
};
