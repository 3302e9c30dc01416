#include "framework/Menus.h"

#include <algorithm>
#include <cwctype>

#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/SysUtils.h"

namespace {

unsigned gNextCommand = 1;

std::string KeyName(WORD key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return "Num " + std::to_string(key - VK_NUMPAD0);
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    case VK_OEM_PLUS: return "+";
    case VK_OEM_MINUS: return "-";
    case VK_OEM_COMMA: return ",";
    case VK_OEM_PERIOD: return ".";
    default: return std::string();
  }
}

}  // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
  if (key & 0xFF00) return scNone;
  TShortCut r = key;
  if (shift & ssShift) r |= scShift;
  if (shift & ssCtrl) r |= scCtrl;
  if (shift & ssAlt) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = KeyName(shortCut & 0xFF);
  if (name.empty()) return std::string();
  std::string r;
  if (shortCut & scShift) r += "Shift+";
  if (shortCut & scCtrl) r += "Ctrl+";
  if (shortCut & scAlt) r += "Alt+";
  return r + name;
}

std::string StripHotkey(const std::string& caption) {
  std::string r;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        r += '&';
        ++i;
      }
      continue;
    }
    r += caption[i];
  }
  return r;
}

bool IsMenuAccel(char16_t key, const std::string& caption) {
  std::u16string text = UTF8ToUTF16(caption);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;  // "&&" is a literal ampersand
      continue;
    }
    return std::towupper(text[i + 1]) == std::towupper(key);
  }
  return false;
}

// ---------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(gNextCommand++) {}

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  std::vector<TMenuItem*> items;
  items.swap(FItems);
  for (TMenuItem* item : items) {
    item->FParent = nullptr;
    delete item;
  }
}

void TMenuItem::SetChecked(bool value) {
  FChecked = value;
  if (!value || !RadioItem || !FParent) return;
  for (TMenuItem* other : FParent->FItems)
    if (other != this && other->RadioItem && other->GroupIndex == GroupIndex) other->FChecked = false;
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  if (item->FParent) item->FParent->Remove(item);
  index = std::max(0, std::min(index, Count()));
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  delete FItems[static_cast<size_t>(index)];
}

void TMenuItem::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->FParent) item = item->FParent;
  return item->FMenu;
}

void TMenuItem::Click() {
  if (!Enabled) return;
  if (AutoCheck) SetChecked(!FChecked);
  if (OnClick) OnClick(this);
}

void TMenuItem::RethinkLines() {
  TMenuItem* lastLine = nullptr;
  bool sawItem = false;
  for (TMenuItem* item : FItems) {
    if (item->IsLine()) {
      // A divider shows only between two visible ordinary items.
      item->Visible = false;
      if (sawItem && !lastLine) lastLine = item;
      continue;
    }
    if (!item->Visible) continue;
    if (lastLine) lastLine->Visible = true;
    lastLine = nullptr;
    sawItem = true;
  }
}

// ---------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(nullptr)) { FItems->FMenu = this; }

TMenu::~TMenu() { delete FItems; }

TCustomImageList* TMenu::Images() const { return FImages; }

void TMenu::SetImages(TCustomImageList* value) { FImages.Set(value); }

static TMenuItem* FindByCommand(TMenuItem* item, unsigned command) {
  if (item->Command() == command) return item;
  for (int i = 0; i < item->Count(); ++i)
    if (TMenuItem* found = FindByCommand(item->Items(i), command)) return found;
  return nullptr;
}

TMenuItem* TMenu::FindItem(unsigned command) const { return FindByCommand(FItems, command); }

bool TMenu::DispatchCommand(unsigned command) {
  TMenuItem* item = FindItem(command);
  if (!item) return false;
  item->Click();
  return true;
}

// ---------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

static HMENU BuildSystemMenu(TMenuItem* item) {
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* sub = item->Items(i);
    if (!sub->Visible) continue;
    if (sub->IsLine()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string text = sub->Caption();
    std::string keys = ShortCutToText(sub->ShortCut());
    if (!keys.empty()) text += "\t" + keys;
    std::u16string wide = UTF8ToUTF16(text);
    UINT flags = MF_STRING | (sub->Enabled ? 0 : MF_GRAYED) | (sub->Checked() ? MF_CHECKED : 0);
    if (sub->Count() > 0)
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildSystemMenu(sub)),
                  reinterpret_cast<LPCWSTR>(wide.c_str()));
    else
      AppendMenuW(menu, flags, sub->Command(), reinterpret_cast<LPCWSTR>(wide.c_str()));
  }
  return menu;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  if (!Application) return;
  HMENU menu = BuildSystemMenu(Items());
  HWND owner = Application->MainForm() ? Application->MainForm()->Handle() : Application->Handle();
  unsigned command = static_cast<unsigned>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, owner, nullptr));
  DestroyMenu(menu);
  if (command) DispatchCommand(command);
}
