// TspSkinMenu: the chain of popup windows of one open menu, from the first
// window to the deepest open sub-menu, and where their items' clicks go.
#include "skin/frame/SkinMenus.h"

#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/frame/SkinFrameObjects.h"

TspSkinMenu::TspSkinMenu(TComponent* AOwner, TCustomForm* AForm) : TComponent(AOwner) {
  FDefaultMenuItemFont.SetName("Arial");
  FDefaultMenuItemFont.SetStyle(0);
  FDefaultMenuItemFont.SetHeight(14);
  FForm.Set(AForm);
}

TspSkinMenu::~TspSkinMenu() {
  WaitTimer.Stop();
  // Ends an open menu with its notices, then frees the windows at once.
  CloseWindows(0);
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* w = dynamic_cast<TspSkinPopupWindow*>(Components(i))) delete w;
}

void TspSkinMenu::GetWorkArea() {
  WorkArea = TRect{};
  GetScreenWorkArea(true, WorkArea);
  if (FForm && FForm->HandleAllocated()) GetMonitorArea(FForm->HandleIfAllocated(), true, WorkArea);
}

TspDataSkinPopupWindow* TspSkinMenu::WindowData() const {
  return (SkinData && !SkinData->Empty) ? SkinData->PopupWindow.get() : nullptr;
}

void TspSkinMenu::Popup(TControl* APopupCtrl, TspSkinData* ASkinData, int StartIndex, const TRect& R,
                        TMenuItem* AItem, bool PopupUp) {
  Popup2(APopupCtrl, ASkinData, StartIndex, R, AItem, nullptr, PopupUp);
}

void TspSkinMenu::Popup2(TControl* APopupCtrl, TspSkinData* ASkinData, int StartIndex, const TRect& R,
                         TMenuItem* AItem, TMenuItem* AItem2, bool PopupUp) {
  FFirst = !FVisible;
  // The previous menu ends first, with its notices to its own opener.
  if (!FPopupList.empty() || FVisible) CloseWindows(0);
  SetPopupCtrl(APopupCtrl);
  GetWorkArea();
  SkinData.Set(ASkinData);
  int count = AItem ? AItem->Count() : 0;
  if (AItem2) count += AItem2->Count();
  if (AItem && AItem->Count() > 0 && StartIndex < count) {
    FVisible = true;
    if (AItem2)
      AddWindow2(R, AItem, AItem2, StartIndex, false, PopupUp);
    else
      AddWindow(R, AItem, StartIndex, false, PopupUp);
    FFirst = false;
    return;
  }
  // Nothing to show: the opener must not wait for a close that never comes.
  if (TControl* ctrl = FPopupCtrl) {
    SetPopupCtrl(nullptr);
    NotifyMenuControl(ctrl, SP_MENUCLOSED);
  }
}

void TspSkinMenu::AddWindow(const TRect& R, TMenuItem* AItem, int StartIndex, bool PopupByItem, bool PopupUp) {
  AddWindow2(R, AItem, nullptr, StartIndex, PopupByItem, PopupUp);
}

void TspSkinMenu::AddWindow2(const TRect& R, TMenuItem* AItem, TMenuItem* AItem2, int StartIndex, bool PopupByItem,
                             bool PopupUp) {
  auto* window = new TspSkinPopupWindow(this, this, WindowData());
  FPopupList.push_back(window);
  if (AItem2)
    window->Show2(R, AItem, AItem2, StartIndex, PopupByItem, PopupUp);
  else
    window->Show(R, AItem, StartIndex, PopupByItem, PopupUp);
}

int TspSkinMenu::GetWindowIndex(const TspSkinPopupWindow* Window) const {
  auto it = std::find(FPopupList.begin(), FPopupList.end(), Window);
  return static_cast<int>(it - FPopupList.begin());
}

void TspSkinMenu::CloseWindows(int FromIndex) {
  FromIndex = std::max(0, FromIndex);
  while (static_cast<int>(FPopupList.size()) > FromIndex) {
    TspSkinPopupWindow* w = FPopupList.back();
    FPopupList.pop_back();
    if (WItem && WItem->Parent == w) {
      WaitTimer.Stop();
      WItem = nullptr;
    }
    w->Hide();
    w->Released = true;
    // The window may be running one of its own handlers (a click on an
    // item): it goes once the current messages are done.
    if (w->HandleAllocated())
      PostMessageW(w->HandleIfAllocated(), CM_RELEASE, 0, 0);
    else
      delete w;
  }
  if (FromIndex == 0) EndMenu();
}

void TspSkinMenu::EndMenu() {
  WaitTimer.Stop();
  FVisible = false;
  SetDCtrl(FPopupCtrl);
  if (TControl* ctrl = FPopupCtrl) {
    SetPopupCtrl(nullptr);
    NotifyMenuControl(ctrl, SP_MENUCLOSED);
  }
  if (OnMenuClose) {
    // Cleared before it runs, so a handler may open a menu with a handler
    // of its own.
    TNotifyEvent handler = std::move(OnMenuClose);
    OnMenuClose = nullptr;
    handler(this);
  }
}

void TspSkinMenu::Hide() {
  CloseWindows(0);
  WaitTimer.Stop();
  WItem = nullptr;
  if (FForm && FForm->HandleAllocated()) SendMessageW(FForm->HandleIfAllocated(), SP_MENUCLOSED, 0, 0);
  if (TControl* ctrl = FPopupCtrl) {
    SetPopupCtrl(nullptr);
    NotifyMenuControl(ctrl, SP_MENUCLOSED);
  }
}

void TspSkinMenu::ItemEvent(TspSkinPopupWindow* Window, TspSkinMenuItem* Item, bool Click, bool Kb) {
  int index = GetWindowIndex(Window);
  if (index >= static_cast<int>(FPopupList.size())) return;  // a window the chain already let go
  TMenuItem* mi = Item->MenuItem;
  bool leaf = mi->Count() == 0;
  if (leaf && !Click) {
    WaitTimer.Stop();
    WItem = nullptr;
    if (index + 1 < static_cast<int>(FPopupList.size())) CloseWindows(index + 1);
    return;
  }
  if (leaf) {
    WaitTimer.Stop();
    WItem = nullptr;
    // Everything the command needs is taken before the windows go.
    TMenu* menu = mi->GetParentMenu();
    unsigned command = mi->Command();
    Hide();
    if (menu)
      menu->DispatchCommand(command);
    else
      mi->Click();
    if (FDCtrl) NotifyMenuControl(FDCtrl, SP_MENUCOMMAND);
    return;
  }
  if (!Click) {
    if (Kb) return;  // the keyboard opens a sub-menu only on Enter or Right
    WaitTimer.Stop();
    WItem = nullptr;
    if (index + 1 < static_cast<int>(FPopupList.size())) CloseWindows(index + 1);
    WItem = Item;
    WaitTimer.Start(500, [this] { WaitTimerProc(); });
    return;
  }
  TMenu* menu = mi->GetParentMenu();
  if (menu)
    menu->DispatchCommand(mi->Command());
  else
    mi->Click();
  // The handler may have closed or replaced the menu.
  index = GetWindowIndex(Window);
  if (index >= static_cast<int>(FPopupList.size()) || Window->Released) return;
  auto& items = Window->ItemList;
  if (std::find(items.begin(), items.end(), Item) == items.end()) return;
  WaitTimer.Stop();
  WItem = nullptr;
  if (index + 1 < static_cast<int>(FPopupList.size())) CloseWindows(index + 1);
  Item->Down = true;
  TRect r = OffsetTRect(Item->ObjectRect, Window->Left(), Window->Top());
  AddWindow(r, mi, 0, true, false);
}

void TspSkinMenu::WaitTimerProc() {
  WaitTimer.Stop();
  TspSkinMenuItem* item = WItem;
  if (!item) return;
  ItemEvent(item->Parent, item, true, false);
}
