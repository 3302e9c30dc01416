// The program's icon in the notification area of the task bar: mouse
// events from the shell, a popup menu, cycling icons, balloon tips, and
// minimizing the application into the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinTimer.h"

// What the icon needs of the menu it pops up. The skinned popup menu
// provides it; MenuComponent is the component whose removal clears the link.
class TspTrayPopupMenu {
public:
  virtual ~TspTrayPopupMenu() = default;
  virtual TComponent* MenuComponent() = 0;
  virtual bool AutoPopup() const = 0;
  virtual void SetPopupComponent(TComponent* component) = 0;
  virtual void Popup(int x, int y) = 0;
  // Clicks the first top-level item marked Default; false when none is.
  virtual bool ClickDefaultItem() = 0;
};

enum TspBalloonHintIcon { spbitNone, spbitInfo, spbitWarning, spbitError };

using TCycleEvent = std::function<void(TObject* sender, int nextIndex)>;

// The message the shell sends the icon's window for mouse actions.
constexpr UINT WM_SPTRAYICONNOTIFY = 0x800;
// The shell's notice that the user clicked the balloon.
constexpr UINT NIN_SPBALLOONUSERCLICK = 0x405;

class TspTrayIcon : public TComponent {
public:
  explicit TspTrayIcon(TComponent* owner);
  ~TspTrayIcon() override;

  bool DesignPreview() const { return FDesignPreview; }
  void SetDesignPreview(bool value);
  TCustomImageList* IconList() const { return FIconList; }
  void SetIconList(TCustomImageList* value);
  bool CycleIcons() const { return FCycleIcons; }
  void SetCycleIcons(bool value);
  unsigned AnimateTimerInterval() const { return FAnimateTimerInterval; }
  void SetAnimateTimerInterval(unsigned value);
  bool Enabled = true;
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  TIcon* Icon() { return &FIcon; }
  void SetIcon(const TIcon* value);
  bool IconVisible() const { return FIconVisible; }
  void SetIconVisible(bool value);
  int IconIndex() const { return FIconIndex; }
  void SetIconIndex(int value);
  TspTrayPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TspTrayPopupMenu* value);
  bool PopupByLeftButton = false;
  bool MinimizedOnStart = false;
  bool MinimizeToTray = false;

  TNotifyEvent OnClick, OnDblClick, OnBalloonHintClick;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCycleEvent OnCycle;

  // The hidden window the shell talks to.
  HWND Handle() const { return FHandle; }
  // The record of the last shell call.
  const NOTIFYICONDATAW& IconData() const { return FIconData; }
  // The number of the shell's "TaskbarCreated" broadcast.
  static UINT TaskbarCreatedMessage();

  virtual bool UseDefaultIcon() { return true; }
  virtual bool ShowIcon();
  virtual bool HideIcon();
  virtual bool ModifyIcon();
  bool Refresh() { return ModifyIcon(); }
  bool BitmapToIcon(TBitmap* bitmap, TIcon* icon, TColor maskColor);
  void ShowMainForm();
  void HideMainForm();
  bool ShowBalloonHint(const std::string& title, const std::string& text, TspBalloonHintIcon iconType);
  bool HideBalloonHint();

  void Loaded() override;

  // The shell's callbacks arrive here (public so that they can be simulated).
  LRESULT HandleIconMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Whether the double-click wait after a press is still running.
  bool ClickPending() const { return FClickTimer.Active(); }

protected:
  virtual void Click();
  virtual void DblClick();
  virtual void Cycle(int nextIndex);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void DoMinimizeToTray();
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool Send(DWORD message);
  void FillData();
  void PopupAtCursor();
  void ClickTimerTick();
  void AnimateTick();
  void UpdateAnimateTimer();
  void AppHook(UINT msg, WPARAM wParam, LPARAM lParam);
  void OwnerHook(TMessage& m);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK AppSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data);

  bool FDesignPreview = false;
  TComponentRef<TCustomImageList> FIconList{this};
  bool FCycleIcons = false;
  unsigned FAnimateTimerInterval = 0;
  std::string FHint;
  bool FShowHint = true;
  TIcon FIcon;
  bool FIconVisible = true;
  int FIconIndex = 0;
  TspTrayPopupMenu* FPopupMenu = nullptr;

  HWND FHandle = nullptr;
  NOTIFYICONDATAW FIconData{};
  TspTimer FAnimateTimer, FClickTimer;
  bool FClickStart = false, FClickReady = false, IsDblClick = false;
  bool SettingPreview = false;
  bool SettingMDIForm = true;
  bool FAppHooked = false;
  TWinControl* FOwnerControl = nullptr;
  TWndMethod OldWndProc;
};
