// The form's main menu drawn in the skinned frame (no menu bar): the item
// objects, their drop-downs, and the keyboard menu mode over them.
#include <algorithm>
#include <vector>

#include "framework/Menus.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/SkinMainMenuItem.h"
#include "skin/frame/SkinMenus.h"

namespace {

std::vector<TspSkinMainMenuItem*> MainMenuItems(TspDynamicSkinForm* DSF) {
  std::vector<TspSkinMainMenuItem*> list;
  for (auto& o : DSF->ObjectList)
    if (auto* m = dynamic_cast<TspSkinMainMenuItem*>(o.get())) list.push_back(m);
  return list;
}

// An item the keyboard can reach.
bool TakesPart(const TspSkinMainMenuItem* m) { return m->Enabled && m->ItemVisible; }

}  // namespace

void TspFormMenus::UpdateMainMenu(bool ARedraw) {
  auto& list = DSF->ObjectList;
  while (true) {
    auto it = std::find_if(list.rbegin(), list.rend(), [](const std::unique_ptr<TspActiveSkinObject>& o) {
      return dynamic_cast<TspSkinMainMenuItem*>(o.get()) != nullptr;
    });
    if (it == list.rend()) break;
    list.erase(std::next(it).base());
  }
  DSF->ActiveObject = DSF->OldActiveObject = DSF->MouseCaptureObject = -1;
  CreateMainMenuItems();
  if (!ARedraw) return;
  HWND h = DSF->Form()->HandleIfAllocated();
  if (!h) return;
  if (DSF->SupportNCArea()) {
    SendMessageW(h, WM_NCPAINT, 0, 0);
  } else {
    const TRect r = DSF->NewMainMenuRect;
    RECT rr{r.Left, r.Top, r.Right, r.Bottom};
    InvalidateRect(h, &rr, TRUE);
  }
}

void TspFormMenus::CreateMainMenuItems() {
  TspSkinData* sd = DSF->SkinData();
  if (!FMainMenu || !sd || sd->Empty) return;
  const int index = sd->GetIndex("MAINMENUITEM");
  if (index < 0 || index >= static_cast<int>(sd->ObjectList.size())) return;
  const TspDataSkinObject* data = sd->ObjectList[static_cast<size_t>(index)].get();
  TMenuItem* root = FMainMenu->Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* mi = root->Items(i);
    if (!mi->Visible) continue;
    auto o = std::make_unique<TspSkinMainMenuItem>(DSF, data);
    o->IDName = mi->Name();
    o->Enabled = o->OldEnabled = mi->Enabled;
    o->MenuItem.Set(mi);
    DSF->ObjectList.push_back(std::move(o));
  }
}

bool TspFormMenus::MainMenuAccel(WORD Key) {
  if (MainMenuBar) return MainMenuBar->CheckAccelerator(Key);
  for (TspSkinMainMenuItem* m : MainMenuItems(DSF)) {
    if (!m->MenuItem || !IsMenuAccel(static_cast<char16_t>(Key), m->MenuItem->Caption())) continue;
    m->MouseEnter();
    if (!(SkinMenu->Visible() && m->MenuItem->Count() > 0)) m->MouseDown(0, 0, mbLeft);
    return true;
  }
  return false;
}

bool TspFormMenus::EnterMainMenu() {
  const std::vector<TspSkinMainMenuItem*> items = MainMenuItems(DSF);
  TspSkinMainMenuItem* item = nullptr;
  for (TspSkinMainMenuItem* m : items)
    if (m->Active) {
      item = m;
      break;
    }
  if (!item && !items.empty()) item = items.front();
  if (item) {
    item->MouseEnter();
    DSF->InMainMenu = true;
    HookApp();
  }
  if (OnMainMenuEnter) OnMainMenuEnter(DSF);
  if (DSF->OnMainMenuEnter) DSF->OnMainMenuEnter(DSF);
  return item != nullptr;
}

void TspFormMenus::SelectNextMainMenuItem() {
  const std::vector<TspSkinMainMenuItem*> items = MainMenuItems(DSF);
  const int n = static_cast<int>(items.size());
  int cur = -1;
  for (int i = 0; i < n; ++i)
    if (TakesPart(items[size_t(i)]) && (items[size_t(i)]->Active || items[size_t(i)]->FDown)) {
      cur = i;
      break;
    }
  int next = -1;
  for (int k = 1; k <= n && next == -1; ++k) {
    const int i = ((cur == -1 ? -1 : cur) + k + n) % n;
    if (TakesPart(items[size_t(i)])) next = i;
  }
  if (next == -1) return;
  if (cur != -1) items[size_t(cur)]->MouseLeave();
  items[size_t(next)]->MouseEnter();
}

void TspFormMenus::SelectPrevMainMenuItem() {
  const std::vector<TspSkinMainMenuItem*> items = MainMenuItems(DSF);
  const int n = static_cast<int>(items.size());
  int cur = -1;
  for (int i = n - 1; i >= 0; --i)
    if (TakesPart(items[size_t(i)]) && (items[size_t(i)]->Active || items[size_t(i)]->FDown)) {
      cur = i;
      break;
    }
  int prev = -1;
  for (int k = 1; k <= n && prev == -1; ++k) {
    const int i = ((cur == -1 ? n : cur) - k + n) % n;
    if (TakesPart(items[size_t(i)])) prev = i;
  }
  if (prev == -1) return;
  if (cur != -1) items[size_t(cur)]->MouseLeave();
  items[size_t(prev)]->MouseEnter();
}

bool TspFormMenus::ClickActiveMainMenuItem() {
  if (MainMenuBar) return MainMenuBar->OpenActiveItem();
  const bool open = SkinMenu->Visible();
  for (TspSkinMainMenuItem* m : MainMenuItems(DSF)) {
    if (!m->MenuItem) continue;
    if ((m->FDown && m->MenuItem->Count() == 0) || (m->Active && !open)) {
      m->Active = false;
      m->MouseDown(0, 0, mbLeft);
      return true;
    }
  }
  return false;
}

bool TspFormMenus::HasMainMenuItems() const { return !MainMenuItems(DSF).empty(); }

void TspFormMenus::PopupMainMenuItem(TspActiveSkinObject*, TMenuItem* Menu, const TRect& ScreenRect) {
  if (!Menu) return;
  SkinMenuOpen();
  TspSkinData* sd = MenuSkin();
  bool up = sd && sd->MainMenuPopupUp;
  if (auto* skinMenu = dynamic_cast<TspSkinMainMenu*>(Menu->GetParentMenu()); skinMenu && skinMenu->SkinData()) {
    sd = skinMenu->SkinData();
    up = sd->MainMenuPopupUp;
  }
  SkinMenu->Popup(nullptr, sd, 0, ScreenRect, Menu, up);
}

void TspFormMenus::ReleaseMainMenuItem(bool KeepHighlight) {
  for (TspSkinMainMenuItem* m : MainMenuItems(DSF))
    if (m->FDown) {
      m->Active = false;
      m->SetDown(false);
      if (KeepHighlight) m->MouseEnter();
      return;
    }
}

void TspFormMenus::LeaveMainMenuItem() {
  for (TspSkinMainMenuItem* m : MainMenuItems(DSF))
    if (m->Active) {
      m->MouseLeave();
      return;
    }
}
