// The menus of a skinned form (see FormMenus.h).
#include "skin/frame/FormMenus.h"

#include <algorithm>

#include "framework/Forms.h"
#include "skin/controls/SkinEdits.h"
#include "skin/frame/SkinHint.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/SkinMainMenuItem.h"
#include "skin/frame/spTrayIcon.h"

const char* const spSysMenuItemNames[6] = {"DSF_MINITEM",  "DSF_MAXITEM",   "DSF_RESTORE",
                                           "DSF_ROLLUP",   "DSF_MINTOTRAY", "DSF_CLOSE"};

namespace {

enum { kMin, kMax, kRestore, kRollUp, kMinToTray, kClose };

const char* const kCaptionKeys[6] = {"MI_MINCAPTION",   "MI_MAXCAPTION",       "MI_RESTORECAPTION",
                                     "MI_ROLLUPCAPTION", "MI_MINTOTRAYCAPTION", "MI_CLOSECAPTION"};
const char* const kBuiltInTexts[6] = {"Mi&nimize", "Ma&ximize", "&Restore", "Ro&llUp", "Minimize to &Tray",
                                      "&Close"};

// Key hooks see keys before any menu hook is in place; while a menu of any
// form has the keyboard, the forms' shortcuts stand back.
int gMenuHooks = 0;

TShiftState KeyShift() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

bool IsModifierKey(WORD key) {
  return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_LSHIFT || key == VK_RSHIFT ||
         key == VK_LCONTROL || key == VK_RCONTROL || key == VK_LMENU || key == VK_RMENU;
}

TMenuItem* FindShortCut(TMenuItem* root, TShortCut key) {
  for (int i = 0; root && i < root->Count(); ++i) {
    TMenuItem* it = root->Items(i);
    if (it->ShortCut() == key && !it->IsLine()) return it;
    if (TMenuItem* sub = FindShortCut(it, key)) return sub;
  }
  return nullptr;
}

bool InstallHooks() {
  TspDynamicSkinForm::MenuHandlerFactory = [](TspDynamicSkinForm* dsf) -> std::unique_ptr<TspFrameMenuHandler> {
    return std::make_unique<TspFormMenus>(dsf);
  };
  TspDynamicSkinForm::HintHandlerFactory = [](TspDynamicSkinForm* dsf) -> std::unique_ptr<TspFrameHintHandler> {
    return std::make_unique<TspFormHints>(dsf);
  };
  return true;
}

}  // namespace

// Fills the frame's hooks; the first skinned form calls it. The skinned
// edits' menus follow the skinned forms from then on.
void spInstallFormMenus() {
  InstallHooks();
  InstallSkinnedEditMenus();
}

bool MenuIsShortCut(TMenu* Menu, TShortCut Key) {
  if (!Menu || Key == 0) return false;
  TMenuItem* item = FindShortCut(Menu->Items(), Key);
  if (!item || !item->Enabled) return false;
  Menu->DispatchCommand(item->Command());
  return true;
}

TspSkinMenuHost* SkinMenuHostOf(TComponent* component) {
  if (auto* host = dynamic_cast<TspSkinMenuHost*>(component)) return host;
  // A skinned form component serves through the menus it was given.
  if (auto* dsf = dynamic_cast<TspDynamicSkinForm*>(component))
    return dynamic_cast<TspSkinMenuHost*>(dsf->MenuHandler.get());
  return nullptr;
}

TspFormMenus* spFormMenus(TspDynamicSkinForm* DSF) {
  return DSF ? dynamic_cast<TspFormMenus*>(DSF->MenuHandler.get()) : nullptr;
}

// ===========================================================================

TspFormHints::TspFormHints(TspDynamicSkinForm* AOwner) : FWatch(new TComponent(AOwner)) {}

TspFormHints::~TspFormHints() = default;

TspSkinHint* TspFormHints::SkinHint() const { return FSkinHint; }

void TspFormHints::SetSkinHint(TspSkinHint* Value) { FSkinHint.Set(Value); }

void TspFormHints::ActivateHint2(const std::string& Hint) {
  if (FSkinHint) FSkinHint->ActivateHint2(Hint);
}

void TspFormHints::HideHint() {
  if (FSkinHint) FSkinHint->HideHint();
}

TspFormHints* spFormHints(TspDynamicSkinForm* DSF) {
  return DSF ? dynamic_cast<TspFormHints*>(DSF->HintHandler.get()) : nullptr;
}

// ===========================================================================

class TspFormMenusWatch : public TComponent {
public:
  TspFormMenusWatch(TComponent* owner, TspFormMenus* menus) : TComponent(owner), Menus(menus) {}
  TspFormMenus* Menus;

protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op != opRemove || !Menus) return;
    if (c == Menus->FMainMenu) {
      Menus->FMainMenu.Set(nullptr);
      // The frame's items pointed into the menu that went.
      Menus->UpdateMainMenu(false);
    }
  }
};

TspFormMenus::TspFormMenus(TspDynamicSkinForm* AOwner) : DSF(AOwner), FWatch(new TspFormMenusWatch(DSF, this)) {
  SkinMenu = new TspSkinMenu(DSF, DSF->Form());
  FSysMenu = new TPopupMenu(DSF);
  // The tray menu's captions are the built-in ones: no skin is set yet.
  FSysTrayMenu = new TspSkinPopupMenu(DSF);
  FSysTrayMenu->ComponentForm.Set(DSF->Form());
  auto* restore = new TMenuItem(nullptr);
  restore->SetName("TRAY_DSF_RESTORE");
  restore->SetCaption(kBuiltInTexts[kRestore]);
  restore->OnClick = [this](TObject*) { RestoreFromTray(); };
  FSysTrayMenu->Items()->Add(restore);
  auto* line = new TMenuItem(nullptr);
  line->SetCaption("-");
  FSysTrayMenu->Items()->Add(line);
  auto* close = new TMenuItem(nullptr);
  close->SetName("TRAY_DSF_CLOSE");
  close->SetCaption(kBuiltInTexts[kClose]);
  close->SetShortCut(ShortCut(VK_F4, ssAlt));
  close->OnClick = [this](TObject*) { SysMenuCloseClick(); };
  FSysTrayMenu->Items()->Add(close);
  if (Application)
    FKeyHookId = Application->AddMessageHook([this](MSG& m, bool& handled) { KeyHook(m, handled); });
}

TspFormMenus::~TspFormMenus() {
  SetSystemMenu(nullptr);
  SetMainMenu(nullptr);
  FTrayIcon.Set(nullptr);
  static_cast<TspFormMenusWatch*>(FWatch)->Menus = nullptr;
  UnHookApp();
  if (Application && FKeyHookId) Application->RemoveMessageHook(FKeyHookId);
  FKeyHookId = 0;
  if (MainMenuBar && MainMenuBar->DynamicSkinForm() == DSF) MainMenuBar->SetDynamicSkinForm(nullptr);
}

bool TspFormMenus::MenuOpen() { return DSF->InMenu || DSF->InMainMenu || SkinMenu->Visible(); }

void TspFormMenus::CloseMenus() {
  if (DSF->InMainMenu && !DSF->InMenu && !SkinMenu->Visible()) {
    CloseMainMenu();
    return;
  }
  if (SkinMenu->Visible())
    SkinMenu->Hide();  // tells the form, which closes the bookkeeping
  else if (DSF->InMenu)
    SkinMenuClose();
  // A hide that found no window (or a form already gone) still ends it.
  if (DSF->InMenu) SkinMenuClose();
}

void TspFormMenus::HookApp() {
  if (FHookId || !Application) return;
  FHookId = Application->AddMessageHook([this](MSG& m, bool& handled) { AppMessageHook(m, handled); });
  ++gMenuHooks;
}

void TspFormMenus::UnHookApp() {
  if (!FHookId) return;
  if (Application) Application->RemoveMessageHook(FHookId);
  FHookId = 0;
  --gMenuHooks;
}

void TspFormMenus::SkinMenuOpen() {
  SkinMenu->AlphaBlend = DSF->MenusAlphaBlend;
  SkinMenu->AlphaBlendAnimation = DSF->MenusAlphaBlendAnimation;
  SkinMenu->AlphaBlendValue = DSF->MenusAlphaBlendValue;
  if (!DSF->InMainMenu) HookApp();
  if (DSF->InMenu) return;
  DSF->InMenu = true;
  if (OnSkinMenuOpen) OnSkinMenuOpen(DSF);
}

void TspFormMenus::SkinMenuClose() {
  if (DSF->FMenuLayerManager && DSF->FMenuLayerManager->IsVisible()) DSF->FMenuLayerManager->Hide();
  DSF->InMenu = false;
  for (auto& o : DSF->ObjectList) {
    if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get()); m && m->FDown) {
      m->Active = false;
      m->SetDown(false);
      break;
    }
    auto* b = dynamic_cast<TspSkinButtonObject*>(o.get());
    if (b && b->MenuItem && b->FDown) {
      b->SetDown(false);
      break;
    }
  }
  UnHookApp();
  if (OnSkinMenuClose) OnSkinMenuClose(DSF);
  if (DSF->InMainMenu) {
    DSF->InMainMenu = false;
    if (MainMenuBar) MainMenuBar->ExitMenuMode();
    if (OnMainMenuExit) OnMainMenuExit(DSF);
  }
}

void TspFormMenus::CloseMainMenu() {
  DSF->InMainMenu = false;
  if (SkinMenu->Visible()) SkinMenu->Hide();
  if (MainMenuBar)
    MainMenuBar->ExitMenuMode();
  else
    LeaveMainMenuItem();
  UnHookApp();
  if (OnMainMenuExit) OnMainMenuExit(DSF);
}

void TspFormMenus::EndMainMenuPopup() {
  DSF->InMenu = false;
  if (MainMenuBar)
    MainMenuBar->ItemMenuClosed();
  else
    ReleaseMainMenuItem(true);
  if (OnSkinMenuClose) OnSkinMenuClose(DSF);
}

bool TspFormMenus::IsFirstMenuLevel() const { return SkinMenu->FPopupList.size() <= 1; }

bool TspFormMenus::IsLastMenuLevel() const {
  TspSkinPopupWindow* w = SkinMenu->LastWindow();
  if (!w) return true;
  if (w->ActiveItem < 0 || w->ActiveItem >= static_cast<int>(w->ItemList.size())) return true;
  return w->ItemList[static_cast<size_t>(w->ActiveItem)]->MenuItem->Count() == 0;
}

void TspFormMenus::AppMessageHook(MSG& Msg, bool& Handled) {
  if (Msg.message == WM_KEYDOWN) {
    WORD key = static_cast<WORD>(Msg.wParam);
    Msg.message = WM_NULL;
    Handled = true;
    MenuKeyDown(key);  // may close the menu and remove this hook
  } else if (Msg.message == WM_MOUSEWHEEL) {
    Msg.message = WM_NULL;
    Handled = true;
  }
}

void TspFormMenus::MenuKeyDown(WORD Key) {
  const bool mainMode = DSF->InMainMenu;
  if (mainMode && MainMenuAccel(Key)) return;
  if (Key == VK_ESCAPE && mainMode && !DSF->InMenu) {
    CloseMainMenu();
    return;
  }
  if (Key == VK_LEFT && mainMode && IsFirstMenuLevel()) {
    if (MainMenuBar)
      MainMenuBar->PrevMenuItem();
    else
      SelectPrevMainMenuItem();
    return;
  }
  if (Key == VK_RIGHT && mainMode && (!DSF->InMenu || IsLastMenuLevel())) {
    if (MainMenuBar)
      MainMenuBar->NextMenuItem();
    else
      SelectNextMainMenuItem();
    return;
  }
  if (Key == VK_RETURN || Key == VK_DOWN) {
    if (mainMode && ClickActiveMainMenuItem()) return;
    if (SkinMenu->Visible() && SkinMenu->LastWindow()) SkinMenu->LastWindow()->PopupKeyDown(Key);
    return;
  }
  if (SkinMenu->Visible() && SkinMenu->LastWindow()) SkinMenu->LastWindow()->PopupKeyDown(Key);
  if (Key == VK_ESCAPE && SkinMenu->FPopupList.empty()) {
    if (DSF->InMainMenu)
      EndMainMenuPopup();
    else if (DSF->InMenu)
      SkinMenuClose();
  }
}

bool TspFormMenus::KeyMenu() {
  if (DSF->InMainMenu) {
    CloseMainMenu();
    return true;
  }
  if (SkinMenu->Visible()) SkinMenu->Hide();
  if (DSF->InMenu) SkinMenuClose();
  if (MainMenuBar && MainMenuBar->MainMenu()) {
    MainMenuBar->EnterMenuMode();
    return true;
  }
  if (HasMainMenuItems()) return EnterMainMenu();
  // No menu bar: the system's own handling runs.
  return false;
}

void TspFormMenus::PopupSkinMenu(TMenu* Menu, TPoint P) { PopupSkinMenu1(Menu, TRect{P.X, P.Y, P.X, P.Y}, false); }

void TspFormMenus::PopupSkinMenu1(TMenu* Menu, const TRect& R, bool PopupUp) {
  if (!Menu) return;
  SkinMenuOpen();
  SkinMenu->Popup(nullptr, MenuSkin(), 0, R, Menu->Items(), PopupUp);
  if (!SkinMenu->Visible()) SkinMenuClose();
}

void TspFormMenus::DoPopupMenu(TPopupMenu* Menu, int X, int Y) {
  if (!Menu) return;
  if (Menu->OnPopup) Menu->OnPopup(DSF);
  if (SkinMenu->Visible()) SkinMenuClose();
  SkinMenuOpen();
  SkinMenu->Popup(nullptr, DSF->SkinData(), 0, TRect{X, Y, X, Y}, Menu->Items(), false);
  if (!SkinMenu->Visible()) SkinMenuClose();
}

void TspFormMenus::TrackButtonMenu(TspSkinButtonObject* Button, const TRect& R) {
  TMenuItem* item = Button ? Button->MenuItem : nullptr;
  if (!item || item->Count() == 0) return;
  TMenu* owner = item->GetParentMenu();
  if (auto* pm = dynamic_cast<TspSkinPopupMenu*>(owner)) {
    pm->PopupFromRect(R, Button->FPopupUp);
    return;
  }
  TspSkinData* sd = MenuSkin();
  if (auto* mm = dynamic_cast<TspSkinMainMenu*>(owner))
    if (mm->SkinData()) sd = mm->SkinData();
  SkinMenuOpen();
  SkinMenu->Popup(nullptr, sd, 0, R, item, Button->FPopupUp);
  if (!SkinMenu->Visible()) SkinMenuClose();
}

// ---------------------------------------------------------------------------
// System menu

std::string TspFormMenus::SysCaption(int Kind) const {
  TspSkinData* sd = DSF->SkinData();
  if (sd && sd->ResourceStrData()) return sd->ResourceStrData()->GetResStr(kCaptionKeys[Kind]);
  return kBuiltInTexts[Kind];
}

TMenuItem* TspFormMenus::MakeSysItem(int Kind) {
  auto* item = new TMenuItem(nullptr);
  item->SetName(spSysMenuItemNames[Kind]);
  item->SetCaption(SysCaption(Kind));
  switch (Kind) {
    case kMin: item->OnClick = [this](TObject*) { SysMenuMinimizeClick(); }; break;
    case kMax: item->OnClick = [this](TObject*) { SysMenuMaximizeClick(); }; break;
    case kRestore: item->OnClick = [this](TObject*) { SysMenuRestoreClick(); }; break;
    case kRollUp: item->OnClick = [this](TObject*) { SysMenuRollUpClick(); }; break;
    case kMinToTray: item->OnClick = [this](TObject*) { SysMenuMinimizeToTrayClick(); }; break;
    default:
      item->SetShortCut(ShortCut(VK_F4, ssAlt));
      item->OnClick = [this](TObject*) { SysMenuCloseClick(); };
      break;
  }
  return item;
}

void TspFormMenus::StandardCommands(bool Offer[6]) const {
  const TWindowState ws = DSF->WindowState();
  const bool rolled = DSF->RollUpState();
  const TspBorderIcons bi = DSF->BorderIcons();
  Offer[kMin] = ws != wsMinimized && (bi & biMinimize);
  Offer[kMax] = ws != wsMaximized && (bi & biMaximize);
  Offer[kRestore] = ws != wsNormal || rolled;
  Offer[kRollUp] = (bi & biRollUp) && !rolled && ws != wsMinimized;
  Offer[kMinToTray] = (bi & biMinimizeToTray) != 0;
  Offer[kClose] = true;
}

void TspFormMenus::RebuildSystemMenu() {
  TMenuItem* root = FSysMenu->Items();
  while (root->Count() > 0) root->Delete(root->Count() - 1);
  bool offer[6];
  StandardCommands(offer);
  bool any = false;
  for (int k = kMin; k <= kMinToTray; ++k)
    if (offer[k]) {
      root->Add(MakeSysItem(k));
      any = true;
    }
  if (any) {
    auto* line = new TMenuItem(nullptr);
    line->SetCaption("-");
    root->Add(line);
  }
  root->Add(MakeSysItem(kClose));
}

void TspFormMenus::UpdateUserSystemMenu() {
  if (!FSystemMenu || !DSF->UseDefaultSysMenu) return;
  TMenuItem* root = FSystemMenu->Items();
  for (bool found = true; found;) {
    found = false;
    for (int i = 0; i < root->Count() && !found; ++i)
      for (const char* name : spSysMenuItemNames)
        if (root->Items(i)->Name() == name) {
          root->Delete(i);
          found = true;
          break;
        }
  }
  bool offer[6];
  StandardCommands(offer);
  for (int k : {kMinToTray, kRollUp, kMax, kRestore, kMin})
    if (offer[k]) root->Insert(0, MakeSysItem(k));
  root->Add(MakeSysItem(kClose));
}

TMenuItem* TspFormMenus::GetSystemMenuItems() {
  if (FSystemMenu) {
    UpdateUserSystemMenu();
    return FSystemMenu->Items();
  }
  RebuildSystemMenu();
  return FSysMenu->Items();
}

void TspFormMenus::ShowSystemMenu(const TRect& R) {
  TMenuItem* items = GetSystemMenuItems();
  SkinMenuOpen();
  SkinMenu->Popup(nullptr, MenuSkin(), 0, R, items, false);
  if (!SkinMenu->Visible()) SkinMenuClose();
}

void TspFormMenus::PopupSystemMenuAt(int X, int Y) { ShowSystemMenu(TRect{X, Y, X, Y}); }

void TspFormMenus::PopupSystemMenuBelow(const TRect& R) { ShowSystemMenu(R); }

void TspFormMenus::PopupSystemMenuAtButton() {
  const TRect fb = DSF->FormBounds();
  for (size_t i = 0; i < DSF->ObjectList.size(); ++i) {
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(DSF->ObjectList[i].get());
    if (!b || b->Command != cmSysMenu || !b->Enabled) continue;
    const TRect r = OffsetTRect(b->ObjectRect, fb.Left, fb.Top);
    if (!DSF->DisableSystemMenu) PopupSystemMenuBelow(r);
  }
}

void TspFormMenus::SysMenuMinimizeClick() {
  if (DSF->AlwaysMinimizeToTray)
    SysMenuMinimizeToTrayClick();
  else
    DSF->SetWindowState(wsMinimized);
}

void TspFormMenus::SysMenuMaximizeClick() { DSF->SetWindowState(wsMaximized); }

void TspFormMenus::SysMenuRestoreClick() {
  if (DSF->RollUpState() && (DSF->MaxRollUpState || DSF->WindowState() == wsNormal))
    DSF->SetRollUpState(false);
  else
    DSF->SetWindowState(wsNormal);
}

void TspFormMenus::SysMenuRollUpClick() { DSF->SetRollUpState(true); }

void TspFormMenus::SysMenuMinimizeToTrayClick() { MinimizeToTray(); }

void TspFormMenus::SetSystemMenu(TPopupMenu* Value) {
  FSystemMenu.Set(Value);
}

void TspFormMenus::SetMainMenu(TMainMenu* Value) {
  FMainMenu.Set(Value);
  if (DSF->SkinInUse() && !(DSF->ComponentState() & csDesigning)) UpdateMainMenu(true);
}

TspTrayIcon* TspFormMenus::TrayIcon() const { return FTrayIcon; }

void TspFormMenus::SetTrayIcon(TspTrayIcon* Value) {
  FTrayIcon.Set(Value);
  if (!FTrayIcon) return;
  if (!AlwaysShowInTray) FTrayIcon->SetIconVisible(false);
  if (!FTrayIcon->PopupMenu()) {
    FTrayIcon->SetPopupMenu(FSysTrayMenu);
    if (!FTrayIcon->OnDblClick) FTrayIcon->OnDblClick = [this](TObject*) { RestoreFromTray(); };
  }
}

void TspFormMenus::MinimizeToTray() {
  if (!FTrayIcon) return;
  FTrayIcon->MinimizeToTray = true;
  if (Application) Application->Minimize();
  if (DSF->OnMinimizeToTray) DSF->OnMinimizeToTray(DSF);
}

void TspFormMenus::RestoreFromTray() {
  if (!FTrayIcon) return;
  FTrayIcon->MinimizeToTray = false;
  FTrayIcon->ShowMainForm();
  if (Application) Application->Restore();
  if (!AlwaysShowInTray) FTrayIcon->SetIconVisible(false);
  if (OnRestoreFromTray) OnRestoreFromTray(DSF);
  // The restored forms show their layered borders again.
  DSF->CheckAppLayeredBorders();
}

void TspFormMenus::LinkMenu(const std::string& AIDName, TMenu* AMenu, bool APopupUp) {
  if (!AMenu) return;
  for (auto& o : DSF->ObjectList)
    if (o->IDName == AIDName) {
      if (auto* b = dynamic_cast<TspSkinButtonObject*>(o.get())) {
        b->MenuItem = AMenu->Items();
        b->FPopupUp = APopupUp;
      }
      return;
    }
}

void TspFormMenus::SysMenuCloseClick() { DSF->Form()->Close(); }

// ---------------------------------------------------------------------------
// Shortcut keys

void TspFormMenus::KeyHook(MSG& Msg, bool& Handled) {
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return;
  if (gMenuHooks > 0 || DSF->InMenu || DSF->InMainMenu) return;
  HWND form = DSF->Form()->HandleIfAllocated();
  if (!form || !Msg.hwnd || GetAncestor(Msg.hwnd, GA_ROOT) != form) return;
  WORD key = static_cast<WORD>(Msg.wParam);
  if (IsModifierKey(key)) return;
  TShiftState shift = KeyShift();
  if (Msg.message == WM_SYSKEYDOWN && (HIWORD(Msg.lParam) & KF_ALTDOWN)) shift |= ssAlt;
  if (FormShortCut(key, shift)) {
    Msg.message = WM_NULL;
    Handled = true;
  }
}

bool TspFormMenus::FormShortCut(WORD Key, TShiftState Shift) {
  if (OnShortCut) {
    bool handled = false;
    OnShortCut(Key, Shift, handled);
    if (handled) return true;
  }
  const TShiftState mods = Shift & (ssShift | ssCtrl | ssAlt);
  if (mods == ssAlt && Key == VK_SPACE) {
    PopupSystemMenuAtButton();
    FInShortCut = false;
    return true;
  }
  FInShortCut = false;
  TMainMenu* menu = (MainMenuBar && MainMenuBar->MainMenu()) ? MainMenuBar->MainMenu() : FMainMenu;
  if (!menu) return false;
  if (mods == ssAlt && Key != VK_F4 && (MainMenuBar || HasMainMenuItems()) && MainMenuAccel(Key)) return true;
  if (MenuIsShortCut(menu, ShortCut(Key, mods))) {
    FInShortCut = true;
    return true;
  }
  // The merged menu of the active MDI child answers its own shortcuts.
  if (MainMenuBar && MainMenuBar->ChildMenuIn)
    if (TMainMenu* child = MainMenuBar->GetChildMainMenu()) {
      if (mods == ssAlt && Key != VK_F4) return MainMenuBar->CheckAccelerator(Key);
      if (MenuIsShortCut(child, ShortCut(Key, mods))) {
        FInShortCut = true;
        return true;
      }
    }
  return false;
}

// ===========================================================================
// The skinned edits' context menu

namespace {

// Forgets the edit when it goes, so that an entry chosen later runs nothing.
class TspEditMenuTarget : public TComponent {
public:
  TspEditMenuTarget(TComponent* owner, TControl* target) : TComponent(owner) { Target.Set(target); }
  TComponentRef<TControl> Target{this};
};

}  // namespace

void InstallSkinnedEditMenus() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  TspEditMenuPopup previous = EditMenuPopupHandler();
  EditMenuPopupHandler() = [previous](TWinControl* control, TspEditMenuItems& items, POINT screen) {
    TCustomForm* form = control ? control->GetParentForm() : nullptr;
    TspSkinMenuHost* host = form ? FindSkinMenuHost(form) : nullptr;
    if (!host) {
      if (previous) previous(control, items, screen);
      return;
    }
    // One edit menu per form, refilled at each popup after the previous
    // one has closed.
    const std::string name = "spEditSkinPopupMenu";
    auto* menu = dynamic_cast<TspSkinPopupMenu*>(form->FindComponent(name));
    if (!menu) {
      menu = new TspSkinPopupMenu(form);
      menu->SetName(name);
    }
    TspSkinMenu* chain = host->GetSkinMenu();
    if (chain && chain->Visible()) {
      chain->Hide();
      host->SkinMenuClose();
    }
    for (int i = menu->ComponentCount() - 1; i >= 0; --i)
      if (dynamic_cast<TspEditMenuTarget*>(menu->Components(i))) delete menu->Components(i);
    auto* target = new TspEditMenuTarget(menu, control);
    menu->Items()->Clear();
    for (auto& e : items) {
      auto* item = new TMenuItem(nullptr);
      item->SetCaption(e.Key == "-" || e.Caption == "-" ? "-" : e.Caption);
      item->Enabled = e.Enabled;
      std::function<void()> action = e.Action;
      item->OnClick = [target, action](TObject*) {
        if (target->Target && action) action();
      };
      menu->Items()->Add(item);
    }
    menu->PopupFromRect2(control, RECT{screen.x, screen.y, screen.x, screen.y}, false);
  };
}
