// The skinned main menu bar: the top-level items of a main menu in a bar at
// the top of a form's client area, drawn from the skin's "mainmenubar"
// control and its item object (or a plain default look), hot-tracked with
// a timer, dropping the items' menus down through the form's skinned menu
// chain, and driven by the keyboard in the form's menu mode.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "skin/controls/SkinControl.h"
#include "skin/frame/DynamicSkinForm.h"

class TspSkinMainMenuBar;

// A main menu that carries the skin its drop-downs use.
class TspSkinMainMenu : public TMainMenu {
public:
  using TMainMenu::TMainMenu;
  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value) { FSD.Set(value); }
  TspDynamicSkinForm* DSF = nullptr;

private:
  TComponentRef<TspSkinData> FSD{this};
};

// The common part of what the bar shows.
class TspMenuBarObject {
public:
  TspMenuBarObject(TspSkinMainMenuBar* AParent, const TspDataSkinMainMenuItem* AData);
  virtual ~TspMenuBarObject() = default;

  TspSkinMainMenuBar* Parent;
  double FMorphKf = 0;
  bool FMouseIn = false, FDown = false;
  bool Active = false, Enabled = true, Visible = true;
  std::string IDName;
  TRect SkinRect, ActiveSkinRect, DownRect, ObjectRect;
  TBitmap* Picture = nullptr;
  bool Morphing = false;
  TMorphKind MorphKind = mkDefault;

  double MorphKf() const { return FMorphKf; }
  void SetMorphKf(double v) { FMorphKf = v < 0 ? 0 : (v > 1 ? 1 : v); }
  // The hover fade between the normal and the active look.
  bool EnableMorphing() const;
  virtual bool CanMorphing();
  void DoMorphing();
  // At rest: no fade under way.
  bool MorphAtRest() const { return !EnableMorphing() || (Active ? FMorphKf >= 1 : FMorphKf <= 0); }
  virtual void ReDraw();
  virtual void Draw(TCanvas* /*Cnvs*/) {}
  virtual void DblClick() {}
  virtual void MouseDown(int /*X*/, int /*Y*/, TMouseButton /*Button*/) {}
  virtual void MouseUp(int /*X*/, int /*Y*/, TMouseButton /*Button*/) {}
  virtual void MouseEnter();
  virtual void MouseLeave();
};

// One top-level item of the menu.
class TspSkinMainMenuBarItem : public TspMenuBarObject {
public:
  TspSkinMainMenuBarItem(TspSkinMainMenuBar* AParent, const TspDataSkinMainMenuItem* AData);

  bool FSkinSupport = false;
  bool OldEnabled = true;
  // The item fits in the bar (the base flag stays true).
  bool Visible = true;
  TMenuItem* MenuItem = nullptr;
  std::string FontName = "Arial";
  int FontHeight = 14;
  TFontStyles FontStyle = 0;
  TColor FontColor = 0, ActiveFontColor = 0, DownFontColor = 0, UnEnabledFontColor = 0;
  TRect TextRct;
  int LO = 0, RO = 0;
  bool StretchEffect = false;
  // Hover animation: FrameCount frames of AnimateSkinRect, side by side or
  // stacked, shown one per tick while the item is hot and back while not.
  TRect AnimateSkinRect;
  int FrameCount = 0, AnimateInterval = 25, CurrentFrame = 0;
  bool InActiveAnimation = false;
  bool EnableAnimation() const;
  TRect FrameRect(int N) const;

  // Places the item after the previous one; false when it does not fit.
  bool CalcGeometry(TCanvas* Cnvs);
  void Draw(TCanvas* Cnvs) override;
  void DefaultDraw(TCanvas* Cnvs);
  void SkinDraw(TCanvas* Cnvs);
  void SetDown(bool Value);
  void PopupItemMenu();
  void LeaveOtherItems();
  void CloseOtherItem();
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

private:
  void SetItemFont(TCanvas* C) const;
  int CaptionWidth(TCanvas* C) const;
  TBitmap* Glyph(int& W, int& H) const;
  void DrawCaption(TCanvas* C, TRect T, TColor Color, bool Selected);
  void MakeImage(TCanvas* Cnvs, TBitmap* B, const TRect& Src, TColor Color, bool Selected);
  // The tool-bar look from the skin's "resizetoolbutton"; false without it.
  bool MakeToolBarImage(TCanvas* Cnvs, TBitmap* B, bool IsActive, bool IsDown);
};

// One of the four buttons of a maximized MDI child at the bar's ends.
class TspSkinMainMenuBarButton : public TspMenuBarObject {
public:
  TspSkinMainMenuBarButton(TspSkinMainMenuBar* AParent, const TspDataSkinStdButton* AData);

  bool FSkinSupport = false;
  TStdCommand Command = cmClose;

  void Draw(TCanvas* Cnvs) override;
  void DefaultDraw(TCanvas* Cnvs);
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void DblClick() override;
  void DoCommand();
};

class TspSkinMainMenuBar : public TspSkinControl {
public:
  explicit TspSkinMainMenuBar(TComponent* AOwner);
  ~TspSkinMainMenuBar() override;

  bool ToolBarMode = false;
  bool ToolBarModeItemTransparent = false;
  bool UseSkinSize = true;
  bool UseSkinFont = true;
  bool ScrollMenu = true;
  bool PopupToUp = false;
  TFont* DefItemFont() { return &FDefItemFont; }
  void SetDefItemFont(const TFont* Value);
  // The size of the bar without a skin (values above 0 apply at once).
  int DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int Value);
  int DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int Value);

  TspDynamicSkinForm* DynamicSkinForm() const { return FDSF; }
  void SetDynamicSkinForm(TspDynamicSkinForm* Value);
  TMainMenu* MainMenu() const { return FMainMenu; }
  void SetMainMenu(TMainMenu* Value);

  std::function<void(const std::string& IDName)> OnMainMenuItemClick;
  std::function<void(TMenuItem*)> OnItemMouseEnter, OnItemMouseLeave;
  TNotifyEvent OnMouseEnter, OnMouseLeave;

  // ---- state
  bool FSkinSupport = false;
  bool MenuActive = false;
  bool Scroll = false;
  bool MarkerActive = false;
  int ActiveObject = -1, OldActiveObject = -1, MouseCaptureObject = -1;
  TRect NewItemsRect;
  TTimer* MouseTimer;
  TTimer* MorphTimer;
  TTimer* AnimateTimer;
  std::vector<std::unique_ptr<TspMenuBarObject>> ObjectList;
  // From the skin record.
  TRect SkinRect, ItemsRect;
  std::string MenuBarItem;
  TColor TrackMarkColor = 0, TrackMarkActiveColor = 0;
  TBitmap* Picture = nullptr;
  bool StretchEffect = false, ItemTransparent = false;

  void CreateMenu();
  void UpDateItems();
  // ---- MDI: a maximized child's buttons and its merged menu
  int ButtonsCount = 0;
  bool FMDIChildMax = false;
  bool ChildMenuIn = false;
  TComponentRef<TMainMenu> FMergeMenu{this};
  void Merge(TMainMenu* Menu);
  void UnMerge();
  // The menu merged into the bar: the one given to Merge, else the first
  // main menu of the main form's active MDI child.
  TMainMenu* GetChildMainMenu() const;
  void CreateMDIButtons();
  void UpdateMDIButtons(TspBorderIcons Icons);
  void MDIChildMaximize();
  void MDIChildRestore();
  void ResetSysMenuButton();
  // The active child changed: the merged menu follows it.
  void UpdateChildMenu();
  TspSkinMainMenuBarButton* Button(int Index) const;
  void UpDateEnabledItems();
  void CalcItemsRect();
  TRect MarkerRect() const;
  void DrawObject(TspMenuBarObject* Obj);
  void TestActive(int X, int Y);
  void PopupHiddenItems();
  TspSkinMainMenuBarItem* Item(int Index) const;
  int ItemCount() const { return static_cast<int>(ObjectList.size()); }

  // ---- the form's keyboard menu mode
  void EnterMenuMode();
  void NextMenuItem();
  void PrevMenuItem();
  bool CheckAccelerator(WORD Key);
  bool OpenActiveItem();
  void ItemMenuClosed();
  void ExitMenuMode();

  void BeforeChangeSkinData() override;
  void ChangeSkinData() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void WndProc(TMessage& m) override;

protected:
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Moves the highlight `step` usable items on (1 next, -1 previous),
  // round the bar.
  void StepMenuItem(int step);
  void PaintObjects(TCanvas* C);
  // The tool-bar mode background from "resizetoolpanel" (or "panel"); false
  // when the skin has neither.
  bool PaintPanelBackground(TspPaintBuffer& b);
  void MouseTimerProc();
  void MorphTimerProc();
  void AnimateTimerProc();

  TFont FDefItemFont;
  int FDefaultWidth = 0, FDefaultHeight = 22;
  TComponentRef<TspDynamicSkinForm> FDSF{this};
  TComponentRef<TMainMenu> FMainMenu{this};
  bool FInPaint = false;
};
