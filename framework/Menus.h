// Menus: the item tree that popup menus and main menus show, with
// captions, accelerators, shortcuts, check marks and commands.
//
// A menu item owns its sub-items. A menu (TPopupMenu, TMainMenu) owns its
// root item, whose sub-items are the menu's top level. Every item gets a
// command number of its own, so that whoever shows a menu can run the
// chosen item through its menu's DispatchCommand.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"

class TCustomImageList;
class TMenu;

// A key with its modifiers: the virtual key in the low byte.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift);
// "Ctrl+Shift+S", "F5", "Del"...; empty for none.
std::string ShortCutToText(TShortCut shortCut);

// The caption without its accelerator marks ("&&" stays one "&").
std::string StripHotkey(const std::string& caption);
// Whether `key` is the caption's accelerator (the character after a lone '&').
bool IsMenuAccel(char16_t key, const std::string& caption);

// Whether doubled and trailing dividers are hidden when a menu shows.
enum TMenuAutoFlag { maAutomatic, maManual, maParent };

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value) { FCaption = value; }
  // "-" draws a divider.
  bool IsLine() const { return FCaption == "-"; }

  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value) { FShortCut = value; }

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  // A checked radio item unchecks the other radio items of its group
  // under the same parent.
  bool RadioItem = false;
  int GroupIndex = 0;
  // Clicking flips Checked before OnClick.
  bool AutoCheck = false;
  bool Enabled = true;
  bool Visible = true;
  // The item a double click on the menu's owner runs (drawn bold).
  bool Default = false;
  int ImageIndex = -1;
  std::string Hint;
  // A picture of its own, drawn instead of the image list's.
  TBitmap* Bitmap() { return &FBitmap; }
  const TBitmap* Bitmap() const { return &FBitmap; }

  TNotifyEvent OnClick;
  // Owner drawing: (sender, canvas, rect, selected).
  std::function<void(TObject* sender, TCanvas* canvas, const TRect& rect, bool selected)> OnDrawItem;

  // The sub-items.
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  // Takes ownership; the item leaves its former parent.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the sub-item out without freeing it.
  void Remove(TMenuItem* item);
  // Frees sub-item `index`.
  void Delete(int index);
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  TMenuItem* Parent() const { return FParent; }
  // Position among the parent's sub-items, -1 without a parent.
  int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  // The menu this item belongs to (through its parents), or null.
  TMenu* GetParentMenu() const;

  // The command number, unique in the program.
  unsigned Command() const { return FCommand; }
  // Runs the item: AutoCheck, then OnClick.
  virtual void Click();

  // Hides dividers that would show first, last or twice in a row among the
  // visible sub-items, and shows again the ones that no longer would.
  void RethinkLines();

private:
  std::string FCaption;
  TShortCut FShortCut = 0;
  bool FChecked = false;
  TBitmap FBitmap;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  unsigned FCommand;
  friend class TMenu;
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item: its sub-items are the menu's top level.
  TMenuItem* Items() const { return FItems; }
  // Not owned; forgotten when the list goes.
  TCustomImageList* Images() const;
  void SetImages(TCustomImageList* value);
  TMenuAutoFlag AutoLineReduction = maAutomatic;

  // The item of this menu with that command number, or null.
  TMenuItem* FindItem(unsigned command) const;
  // Runs the item with that command number; false when none has it.
  bool DispatchCommand(unsigned command);

private:
  TMenuItem* FItems;
  TComponentRef<TCustomImageList> FImages{this};
};

class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* owner);
  // Shows the menu at a screen point and runs the chosen item. This plain
  // menu uses the system's own popup menu.
  virtual void Popup(int x, int y);
  TNotifyEvent OnPopup;
  // Whether the owner opens the menu itself on a right click.
  bool AutoPopup = true;
  // The control whose menu this is while it shows.
  TComponent* PopupComponent = nullptr;
};

class TMainMenu : public TMenu {
public:
  using TMenu::TMenu;
};
