// The bar over an MDI form's client that shows one tab per MDI child: a
// click shows the child, a close button on the tab closes it, tabs can be
// dragged into another order, a right click shows the child's system menu,
// and tabs without a place are reached through a drop-down list.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinControl.h"

class TspSkinMDITabsBar;
class TspDynamicSkinForm;
class TspSkinPopupMenu;
class TspSkinMenuSpeedButton;
class TspDataSkinTabControl;

enum TspSkinMDITabKind { sptkTab, sptkButton };

// One tab: its child, its place in the bar and the state of its close button.
class TspMDITab {
public:
  TspMDITab(TspSkinMDITabsBar* AParentBar, TCustomForm* AChild) : TabsBar(AParentBar), Child(AChild) {}

  TspSkinMDITabsBar* TabsBar;
  bool Active = false;
  bool MouseIn = false;
  TRect ObjectRect;
  TCustomForm* Child;
  bool Visible = false;
  TRect ButtonRect;
  bool ButtonMouseIn = false, ButtonMouseDown = false;

  void Draw(HDC DC);
  void ResizeDraw(HDC DC);
  void ButtonDraw(HDC DC);
  void DrawCloseButton(TspPaintBuffer& B, const TRect& R);

private:
  void DrawText(TspPaintBuffer& B, TRect R, COLORREF Color, bool SkinFont);
};

using TspMDITabMouseEvent = std::function<void(TspMDITab* MDITab)>;
using TspMDITabMouseButtonEvent = std::function<void(TMouseButton Button, TShiftState Shift, TspMDITab* MDITab)>;
using TspMDITabGetDrawParamsEvent = std::function<void(TspMDITab* MDITab, TCanvas* Cnvs)>;

class TspSkinMDITabsBar : public TspSkinControl {
  using Base = TspSkinControl;

public:
  explicit TspSkinMDITabsBar(TComponent* AOwner);
  ~TspSkinMDITabsBar() override;

  TspSkinMDITabKind TabKind() const { return FTabKind; }
  void SetTabKind(TspSkinMDITabKind Value);
  bool ShowCloseButtons() const { return FShowCloseButtons; }
  void SetShowCloseButtons(bool Value);
  bool MoveTabs = true;
  bool DblClickChildMove = false;
  bool SupportChildMenus = true;
  TspDynamicSkinForm* DynamicSkinForm() const;
  void SetDynamicSkinForm(TspDynamicSkinForm* Value);
  bool UseSkinSize = true;
  bool UseSkinFont = true;
  int DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int Value);
  TspFontDesc DefaultFont;
  int DefaultTabWidth = 100;
  int MinTabWidth = 0;
  TspMDITabMouseEvent OnTabMouseEnter, OnTabMouseLeave;
  TspMDITabMouseButtonEvent OnTabMouseDown, OnTabMouseUp;
  TspMDITabGetDrawParamsEvent OnTabGetDrawParamsEvent;

  void AddTab(TCustomForm* Child);
  void DeleteTab(TCustomForm* Child);
  int GetTabIndex(int X, int Y) const;
  TspMDITab* GetTab(int X, int Y) const;
  int GetCloseSize() const;
  void UpdateActiveTab();
  // Redraws the tab of Child (its caption changed).
  void RefreshTab(TCustomForm* Child);
  void ChangeSkinData() override;

  // ---- run-time state
  std::vector<std::unique_ptr<TspMDITab>> ObjectList;
  int ActiveTabIndex = -1, OldTabIndex = -1;
  bool FDown = false, IsDrag = false;
  int DragIndex = -1, DX = 0, TabDX = 0;
  int FInVisibleCount = 0;
  int FCloseSize = 14;
  int FBottomOffset = 0, FActiveTabOffset = 0;
  // Shown while there are tabs, and while some have no place.
  TComponentRef<TspSkinMenuSpeedButton> FListButton{this};
  TComponentRef<TspSkinMenuSpeedButton> FHideListButton{this};
  TspSkinPopupMenu* FListMenu = nullptr;
  TspSkinPopupMenu* FHideListMenu = nullptr;

  // ---- skin values
  TspDataSkinTabControl* Element() const;
  TBitmap* Picture = nullptr;
  TRect TabRect, ActiveTabRect, MouseInTabRect, TabsBGRect, CloseButtonRect, ClosebuttonActiveRect,
      CloseButtonDownRect, SkinRect, ClRect;
  TPoint LTPoint, RTPoint;
  int TabLeftOffset = 0, TabRightOffset = 0;
  TspFontDesc SkinFont;
  COLORREF FontColor = 0, ActiveFontColor = 0, MouseInFontColor = 0;
  bool TabStretchEffect = false, ButtonTransparent = false;
  COLORREF ButtonTransparentColor = 0;

  // Lays the tabs out (also done before every paint).
  void CalcObjectRects();
  // The drop target of the dragged tab, or -1.
  int DropTarget() const;
  int TabHeight() const;

  void WndProc(TMessage& Message) override;

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& B) override;
  void PaintSkinImage(TspPaintBuffer& B) override;
  void AdjustClientRect(RECT& R) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;

private:
  void DrawTabs(TspPaintBuffer& B);
  void DrawDropMarker(TspPaintBuffer& B);
  void DrawTab(TspMDITab* Tab);
  void TestActive(int X, int Y);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, bool Double);
  void MouseMove(int X, int Y);
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void ShowChild(TCustomForm* Child);
  void CheckListButtons();
  void FillListMenu(TspSkinPopupMenu* Menu, bool HiddenOnly);
  TspSkinMenuSpeedButton* MakeListButton(TAlign Align, int ArrowType, TspSkinPopupMenu* Menu, bool HiddenOnly);

  TspSkinMDITabKind FTabKind = sptkTab;
  bool FShowCloseButtons = false;
  TComponentRef<TspDynamicSkinForm> FDynamicSkinForm{this};
  int FDefaultHeight = 21;
  int FDragRightLimit = 0;
};
