// List box over the system LISTBOX class. The items live in the control
// (so they survive window re-creation and exist before the window does)
// and are mirrored into the window while it exists.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/StringList.h"

// The owner-draw notification, reflected back to the list that asked.
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;

// States of an owner-drawn item.
using TOwnerDrawState = unsigned;
enum : unsigned {
  odSelected = 1u << 0,
  odGrayed = 1u << 1,
  odDisabled = 1u << 2,
  odChecked = 1u << 3,
  odFocused = 1u << 4,
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed };

class TListBox;

// The items of a list box.
class TListBoxStrings : public TStrings {
public:
  explicit TListBoxStrings(TListBox* listBox) : FListBox(listBox) {}
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;

private:
  struct TItem {
    std::string S;
    TObject* Object = nullptr;
  };
  void CheckIndex(int index, bool allowEnd) const;
  // Where a new item goes in a sorted list (after its equals).
  int SortedIndex(const std::string& s) const;
  TListBox* FListBox;
  std::vector<TItem> FItems;
  friend class TListBox;
};

// Case-insensitive prefix search as the system list box does it: the first
// item after `start` that begins with `text`, wrapping round; -1 as start
// searches from the top; -1 when nothing matches (also for an empty text).
int FindListPrefix(const TStrings* items, const std::string& text, int start);

class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* owner);
  ~TListBox() override;

  TStrings* Items() { return FItems.get(); }
  const TStrings* Items() const { return FItems.get(); }
  void SetItems(const TStrings* value);

  // -1 for none. An index outside the items selects nothing.
  int ItemIndex() const;
  void SetItemIndex(int value);
  int TopIndex() const;
  void SetTopIndex(int value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool value);
  int Columns() const { return FColumns; }
  void SetColumns(int value);

  int SelCount() const;
  bool Selected(int index) const;
  void SetSelected(int index, bool value);

  // The item at a client point; with `existing` -1 when no item is there,
  // else the nearest one (or Count past the last).
  int ItemAtPos(POINT pos, bool existing) const;
  RECT ItemRect(int index) const;
  // Finds an item beginning with `text` (see FindListPrefix).
  int FindString(const std::string& text, int start) const { return FindListPrefix(FItems.get(), text, start); }

  TCanvas* Canvas() { return &FCanvas; }
  void Clear() { FItems->Clear(); }

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // One owner-drawn item into the canvas (whose handle is the item's DC).
  virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
  // The items changed: a hook for controls that follow the count.
  virtual void ItemsChanged() {}
  // True: the control paints itself (WM_PAINT through PaintWindow) instead
  // of the system class.
  bool FOwnPaint = false;

private:
  void Recreate();
  friend class TListBoxStrings;
  std::unique_ptr<TListBoxStrings> FItems;
  TCanvas FCanvas;
  int FItemIndex = -1;
  int FTopIndex = 0;
  int FItemHeight = 16;
  bool FSorted = false;
  TListBoxStyle FStyle = lbStandard;
  bool FMultiSelect = false, FExtendedSelect = true;
  int FColumns = 0;
  std::vector<bool> FSavedSelection;
};
