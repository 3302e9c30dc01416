// Skinned popup menus: one borderless popup window per menu level, the
// items drawn from the skin's "menuitem" object (or a plain default look),
// the chain of windows that opens and closes sub-menus and runs commands,
// and the popup-menu component that the forms carry.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/frame/spTrayIcon.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinTimer.h"
#include "skin/data/SkinData.h"

class TspSkinMenu;
class TspSkinPopupWindow;

// One shown sub-item of a popup window: its state and its drawing.
class TspSkinMenuItem : public TObject {
public:
  TspSkinMenuItem(TspSkinPopupWindow* AParent, TMenuItem* AMenuItem, TspDataSkinMenuItem* AData);

  TspSkinPopupWindow* Parent;
  TspDataSkinMenuItem* MI;
  TBitmap* ActivePicture = nullptr;
  TMenuItem* MenuItem;
  TRect ObjectRect;
  bool Active = false;
  bool Down = false;      // its sub-menu is open
  bool FVisible = true;   // inside the shown (scrolled) range
  bool WaitCommand = false;  // chosen by the keyboard or at opening, not yet touched by the mouse
  int CurrentFrame = 0;

  double MorphKf() const { return FMorphKf; }
  void SetMorphKf(double value) { FMorphKf = value < 0 ? 0 : (value > 1 ? 1 : value); }

  bool IsDivider() const { return MenuItem->Caption() == "-"; }
  // A disabled "-word-" item of a skinned window shows as a header.
  bool IsHeader() const;
  // Neither a divider nor disabled: the keyboard and the pointer can choose it.
  bool Usable() const { return MenuItem->Enabled && !IsDivider(); }

  bool EnableAnimation() const;
  bool EnableMorphing() const;
  virtual bool CanMorphing();
  void DoMorphing();
  void ReDraw();

  void MouseEnter(bool Kb);
  void MouseLeave();
  void MouseDown(int X, int Y);

  // Paints the item at ObjectRect on Cnvs.
  void Draw(TCanvas* Cnvs);
  void ResizeDraw(TCanvas* Cnvs);
  void DefaultDraw(TCanvas* Cnvs);

private:
  enum TLook { lkNormal, lkActive, lkFrame };
  void BuildImage(TBitmap* B, TLook Look, bool Resize);
  void DrawContent(TCanvas* C, int W, int H, bool IsActive, bool Resize);
  void DrawMenuHeader(TCanvas* C, int W, int H, bool Resize);
  void DrawPictureMark(TCanvas* C, const TRect& Src, const TRect& Target);
  void DrawItemImage(TCanvas* Cnvs, bool Resize);
  // The item's own picture (its bitmap, else its image of the menu's list)
  // where `place` puts one of that size, framed in `color` when checked;
  // false when the item has none.
  bool DrawOwnImage(TCanvas* C, TColor color, const std::function<TPoint(int gw, int gh)>& place);
  TRect FrameRect(int N) const;

  double FMorphKf = 0;
  // The item's own copies of the state pictures: emptied when the picture
  // is missing, without touching the skin's shared record.
  TRect FSkinRect, FActiveSkinRect;
};

// One menu level on the screen.
class TspSkinPopupWindow : public TCustomControl {
public:
  TspSkinPopupWindow(TComponent* AOwner, TspSkinMenu* AParentMenu, TspDataSkinPopupWindow* AData);
  ~TspSkinPopupWindow() override;

  void Show(const TRect& R, TMenuItem* AItem, int StartIndex, bool PopupByItem, bool PopupUp);
  void Show2(const TRect& R, TMenuItem* AItem, TMenuItem* AItem2, int StartIndex, bool PopupByItem, bool PopupUp);
  void Hide();
  // The whole window into a device context.
  void PaintMenu(HDC DC);
  void PopupKeyDown(int CharCode);
  // The pointer at a client point (the mouse timer calls it).
  void TrackMouse(int X, int Y);
  void MouseTimerTick();
  void MorphTimerTick();
  void ScrollTimerTick();
  void ScrollUp(bool Wrap);
  void ScrollDown(bool Wrap);
  // Closes every window of the chain after this one and lifts its Down items.
  void CloseSubMenus();
  // Draws one item on the window now.
  void DrawItemNow(TspSkinMenuItem* Item);
  int ItemHeight(const TspSkinMenuItem* Item) const;

  TspDataSkinMenuItem* DSMI = nullptr;
  int VisibleCount = 0, VisibleStartIndex = 0;
  bool Scroll = false, Scroll2 = false;
  int ScrollCode = 0;
  TPoint NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint;
  TRect NewItemsRect;
  int ShowX = 0, ShowY = 0;
  int OMX = -1, OMY = -1;
  TCustomImageList* ImgL = nullptr;
  int GlyphWidth = 16;
  TBitmap* WindowPicture = nullptr;
  TBitmap* MaskPicture = nullptr;
  int OldActiveItem = -1, ActiveItem = -1;
  TspTimer MouseTimer, MorphTimer, ScrollTimer;
  TspSkinMenu* ParentMenu;
  TspSkinData* SD = nullptr;
  TspDataSkinPopupWindow* PW = nullptr;
  bool AlphaBlend = false;
  int AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  std::vector<TspSkinMenuItem*> ItemList;
  std::unique_ptr<TBitmap> FPaintBuffer;
  // The font the items are measured and drawn with.
  TFont MenuFont;
  // Set once the chain let go of the window; it is freed when the current
  // messages are done.
  bool Released = false;

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  void ClearItems();
  void SetMenuFont(bool ResourceCharset);
  void AddItems(TMenuItem* AItem, int StartIndex);
  void FinishItems();
  void CalcSize();
  void CalcGeometry();
  void LayoutItems();
  int GetLastPageStartIndex() const;
  void CalcPopupPosition(const TRect& R, bool PopupByItem, bool PopupUp);
  void ShowWindowNow();
  void CreateMenuBackground(TBitmap* B, bool DrawClient);
  void DrawItemsBackground(TCanvas* C, const TRect& R);
  void DrawScrollMarkers(TCanvas* C);
  void StartScroll();
  void StopScroll();
  void NextItem();
  void PrevItem();
  void EnsureVisible(int Index);
  void SetActive(int Index, bool Kb);
  int OrdinaryItemHeight() const;
  int FrameHeight() const;
};

// The chain of popup windows of one form.
class TspSkinMenu : public TComponent {
public:
  TspSkinMenu(TComponent* AOwner, TCustomForm* AForm);
  ~TspSkinMenu() override;

  bool UseSkinFont = true;
  bool UseSkinSize = true;
  bool First() const { return FFirst; }
  int DefaultMenuItemHeight = 20;
  TFont* DefaultMenuItemFont() { return &FDefaultMenuItemFont; }
  void SetDefaultMenuItemFont(const TFont* value) { FDefaultMenuItemFont.Assign(value); }
  bool Visible() const { return FVisible; }
  TNotifyEvent OnMenuClose;

  TControl* PopupCtrl() const { return FPopupCtrl; }
  TControl* DCtrl() const { return FDCtrl; }
  TComponentRef<TCustomForm> FForm{this};
  TspTimer WaitTimer;
  TspSkinMenuItem* WItem = nullptr;
  TRect WorkArea;
  TComponentRef<TspSkinData> SkinData{this};
  bool AlphaBlend = false;
  int AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  int MaxMenuItemsInWindow = 0;
  // The chain, top level first.
  std::vector<TspSkinPopupWindow*> FPopupList;

  void Popup(TControl* APopupCtrl, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* AItem,
             bool PopupUp);
  void Popup2(TControl* APopupCtrl, TspSkinData* ASkinData, int StartIndex, const TRect& R, TMenuItem* AItem,
              TMenuItem* AItem2, bool PopupUp);
  void Hide();
  void GetWorkArea();
  int GetWindowIndex(const TspSkinPopupWindow* Window) const;
  void AddWindow(const TRect& R, TMenuItem* AItem, int StartIndex, bool PopupByItem, bool PopupUp);
  void AddWindow2(const TRect& R, TMenuItem* AItem, TMenuItem* AItem2, int StartIndex, bool PopupByItem,
                  bool PopupUp);
  void CloseWindows(int FromIndex);
  void ItemEvent(TspSkinPopupWindow* Window, TspSkinMenuItem* Item, bool Click, bool Kb);
  void WaitTimerProc();
  // The last window of the chain (the one keys go to), or null.
  TspSkinPopupWindow* LastWindow() const { return FPopupList.empty() ? nullptr : FPopupList.back(); }

private:
  void SetPopupCtrl(TControl* value) { FPopupCtrl.Set(value); }
  void SetDCtrl(TControl* value) { FDCtrl.Set(value); }
  void EndMenu();
  TspDataSkinPopupWindow* WindowData() const;

  bool FFirst = false;
  bool FVisible = false;
  TFont FDefaultMenuItemFont;
  TComponentRef<TControl> FPopupCtrl{this};
  TComponentRef<TControl> FDCtrl{this};
};

// What a skinned form component offers the popup menus of its form: its
// menu chain, its skins, and the bracket around an open menu. The skinned
// form component implements it; a popup menu finds it among its form's
// components.
class TspSkinMenuHost {
public:
  virtual ~TspSkinMenuHost() = default;
  virtual TspSkinMenu* GetSkinMenu() = 0;
  virtual TspSkinData* GetSkinData() = 0;
  virtual TspSkinData* GetMenusSkinData() = 0;
  // Before a menu opens (installs the key hook) and to end an open one.
  virtual void SkinMenuOpen() = 0;
  virtual void SkinMenuClose() = 0;
};

// The first component of `form` that is a skinned form component, or null.
TspSkinMenuHost* FindSkinMenuHost(TComponent* form);
// The host a component is or serves through, or null.
TspSkinMenuHost* SkinMenuHostOf(TComponent* component);

// The popup menu component of skinned forms: opens its items through the
// skinned menu chain of the form it belongs to.
class TspSkinPopupMenu : public TPopupMenu, public TspMenuSource, public TspTrayPopupMenu {
public:
  explicit TspSkinPopupMenu(TComponent* AOwner);
  ~TspSkinPopupMenu() override;

  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value) { FSD.Set(value); }
  TComponentRef<TCustomForm> ComponentForm{this};
  TComponentRef<TComponent> SkinComponent{this};
  TNotifyEvent OnMenuClose;
  TPoint PopupPoint() const { return FPopupPoint; }

  void Popup(int X, int Y) override;
  void PopupFromRect(const TRect& R, bool APopupUp);
  void PopupFromRect2(TControl* ACtrl, const RECT& R, bool APopupUp) override;
  void Popup2(TControl* ACtrl, int X, int Y);

  // As the notification-area icon's menu.
  TComponent* MenuComponent() override { return this; }
  bool AutoPopup() const override { return TPopupMenu::AutoPopup; }
  void SetPopupComponent(TComponent* component) override { PopupComponent = component; }
  bool ClickDefaultItem() override;

private:
  TspSkinMenuHost* FindHost();
  void Open(TControl* ACtrl, const TRect& R, bool APopupUp, bool NeedSkinData);

  TPoint FPopupPoint{-1, -1};
  TComponentRef<TspSkinData> FSD{this};
};

// Messages that end an open skinned menu when its form's window gets them.
bool IsMenuCloseMessage(UINT Msg);
