// The menus of a skinned form: the form's skin menu chain, the system menu
// (built per window state), the menus of caption buttons, the keyboard while
// a menu is open, the keyboard menu mode of the form's menu bar and the
// form's shortcut keys. One per skinned form component, made through the
// component's menu hook; the hint hook and the skinned edit menus are set up
// here too.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Menus.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMenus.h"

class TspSkinMainMenuBar;
class TspTrayIcon;

// Item names of the system menu (the application finds them by name).
extern const char* const spSysMenuItemNames[6];

class TspFormMenus : public TspFrameMenuHandler, public TspSkinMenuHost {
public:
  explicit TspFormMenus(TspDynamicSkinForm* AOwner);
  ~TspFormMenus() override;

  TspDynamicSkinForm* DSF;
  // The form's menu chain and the built-in system menu; owned by the
  // component.
  TspSkinMenu* SkinMenu;
  TPopupMenu* FSysMenu;

  // A menu of the application shown instead of the built-in system menu;
  // with UseDefaultSysMenu the standard commands are put into it at each
  // popup.
  TPopupMenu* SystemMenu() const { return FSystemMenu; }
  void SetSystemMenu(TPopupMenu* Value);
  // The menu bar in the form's client area (set by the bar itself).
  TspSkinMainMenuBar* MainMenuBar = nullptr;
  // A main menu whose shortcuts the form runs when it has no bar.
  TMainMenu* MainMenu() const { return FMainMenu; }
  void SetMainMenu(TMainMenu* Value);

  TNotifyEvent OnSkinMenuOpen, OnSkinMenuClose, OnMainMenuEnter, OnMainMenuExit;
  TNotifyEvent OnRestoreFromTray;

  // The notification-area icon the form minimizes to, and its small menu
  // (Restore, Close) given to an icon that has none of its own.
  TspTrayIcon* TrayIcon() const;
  void SetTrayIcon(TspTrayIcon* Value);
  bool AlwaysShowInTray = false;
  TspSkinPopupMenu* FSysTrayMenu;
  void MinimizeToTray();
  void RestoreFromTray();

  // Look of the form's menus, handed to the chain at each popup.
  int MaxMenuItemsInWindow() const { return SkinMenu->MaxMenuItemsInWindow; }
  void SetMaxMenuItemsInWindow(int Value) {
    if (Value >= 0) SkinMenu->MaxMenuItemsInWindow = Value;
  }
  int DefMenuItemHeight() const { return SkinMenu->DefaultMenuItemHeight; }
  void SetDefMenuItemHeight(int Value) {
    if (Value > 0) SkinMenu->DefaultMenuItemHeight = Value;
  }
  // Gives the named caption button a menu to drop down when pressed.
  void LinkMenu(const std::string& AIDName, TMenu* AMenu, bool APopupUp);
  // Runs before the form's own shortcut handling; set handled to take the key.
  std::function<void(WORD key, TShiftState shift, bool& handled)> OnShortCut;

  // ---- the frame's hook
  bool MenuOpen() override;
  void CloseMenus() override;
  void SkinMenuClose() override;
  void PopupSystemMenuAt(int X, int Y) override;
  void TrackButtonMenu(TspSkinButtonObject* Button, const TRect& ScreenRect) override;
  TMenuItem* SystemMenuItems() override { return GetSystemMenuItems(); }
  bool KeyMenu() override;
  void PopupMainMenuItem(TspActiveSkinObject* Item, TMenuItem* Menu, const TRect& ScreenRect) override;
  void CreateMainMenuItems() override;

  // ---- the main menu drawn in the frame (when the form has no menu bar)
  // Rebuilds the item objects; redraws the frame when asked.
  void UpdateMainMenu(bool ARedraw);
  bool MainMenuAccel(WORD Key);
  bool EnterMainMenu();
  void SelectNextMainMenuItem();
  void SelectPrevMainMenuItem();
  bool ClickActiveMainMenuItem();
  bool HasMainMenuItems() const;
  // The look of the menus, kept by the skin menu.
  bool UseSkinFontInMenu() const { return SkinMenu->UseSkinFont; }
  void SetUseSkinFontInMenu(bool Value) { SkinMenu->UseSkinFont = Value; }
  bool UseSkinSizeInMenu() const { return SkinMenu->UseSkinSize; }
  void SetUseSkinSizeInMenu(bool Value) { SkinMenu->UseSkinSize = Value; }
  TFont* DefMenuItemFont() { return SkinMenu->DefaultMenuItemFont(); }
  void SetDefMenuItemFont(const TFont* Value) { SkinMenu->SetDefaultMenuItemFont(Value); }

  // ---- the popup menus' host
  TspSkinMenu* GetSkinMenu() override { return SkinMenu; }
  TspSkinData* GetSkinData() override { return DSF->SkinData(); }
  TspSkinData* GetMenusSkinData() override { return DSF->MenusSkinData(); }
  void SkinMenuOpen() override;

  // ---- form menus
  TspSkinData* MenuSkin() const { return DSF->MenusSkinData() ? DSF->MenusSkinData() : DSF->SkinData(); }
  void PopupSkinMenu(TMenu* Menu, TPoint P);
  void PopupSkinMenu1(TMenu* Menu, const TRect& R, bool PopupUp);
  void DoPopupMenu(TPopupMenu* Menu, int X, int Y);
  void CloseMainMenu();
  void EndMainMenuPopup();
  void MenuKeyDown(WORD Key);
  void AppMessageHook(MSG& Msg, bool& Handled);
  void HookApp();
  void UnHookApp();
  bool AppHooked() const { return FHookId != 0; }
  // At most one popup level open.
  bool IsFirstMenuLevel() const;
  // No popup open, or the chosen item of the last one opens nothing.
  bool IsLastMenuLevel() const;

  // ---- system menu
  TMenuItem* GetSystemMenuItems();
  void RebuildSystemMenu();
  void UpdateUserSystemMenu();
  void PopupSystemMenuBelow(const TRect& R);
  void PopupSystemMenuAtButton();
  void SysMenuMinimizeClick();
  void SysMenuMaximizeClick();
  void SysMenuRestoreClick();
  void SysMenuRollUpClick();
  void SysMenuMinimizeToTrayClick();
  void SysMenuCloseClick();

  // ---- shortcut keys (the form's own, before the key is translated)
  bool FormShortCut(WORD Key, TShiftState Shift);
  bool FInShortCut = false;

private:
  void ShowSystemMenu(const TRect& R);
  // The pressed main-menu item comes up (and stays highlighted when asked).
  void ReleaseMainMenuItem(bool KeepHighlight);
  void LeaveMainMenuItem();
  // Which of the six standard commands the current window state offers.
  void StandardCommands(bool Offer[6]) const;
  TMenuItem* MakeSysItem(int Kind);
  std::string SysCaption(int Kind) const;
  void KeyHook(MSG& Msg, bool& Handled);

  int FHookId = 0;
  int FKeyHookId = 0;
  // Holds the references to the menus and icon given to the form (owned by
  // the form), and rebuilds the menu bar's items when the main menu goes.
  TComponent* FWatch;
  TComponentRef<TspTrayIcon> FTrayIcon{FWatch};
  TComponentRef<TPopupMenu> FSystemMenu{FWatch};
  TComponentRef<TMainMenu> FMainMenu{FWatch};
  friend class TspFormMenusWatch;
};

class TspSkinHint;

// The hints of a skinned form's frame objects, shown through the skinned
// hint the program gives the form.
class TspFormHints : public TspFrameHintHandler {
public:
  explicit TspFormHints(TspDynamicSkinForm* AOwner);
  ~TspFormHints() override;
  TspSkinHint* SkinHint() const;
  void SetSkinHint(TspSkinHint* Value);
  void ActivateHint2(const std::string& Hint) override;
  void HideHint() override;

private:
  // Holds the reference to the hint (owned by the form).
  TComponent* FWatch;
  TComponentRef<TspSkinHint> FSkinHint{FWatch};
};

TspFormHints* spFormHints(TspDynamicSkinForm* DSF);

// The menus of a skinned form component (null when the menu hook is not
// the skinned menus').
TspFormMenus* spFormMenus(TspDynamicSkinForm* DSF);

// Routes the skinned edits' context menus through the skinned popup menu of
// their form (a form without a skinned form component keeps the previous
// handler). The first skinned form component installs it.
void InstallSkinnedEditMenus();
// Gives the skinned form components the skinned menus and hint (done by
// the first one made, unless the program set hooks of its own).
void spInstallFormMenus();

// Runs a menu's item whose shortcut is the key: true when one ran.
bool MenuIsShortCut(TMenu* Menu, TShortCut Key);
