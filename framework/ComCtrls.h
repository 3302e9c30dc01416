// The system's tree view and list view under our window procedure.
//
// Nodes and items live in the system control: adding the first one makes
// the window (the control needs a parent by then). The wrapper objects of
// nodes and items belong to their tree or list and go with the node or item.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"

// State of a node or item being custom-drawn.
using TCustomDrawState = unsigned;
enum : unsigned {
  cdsSelected = 1u << 0,
  cdsGrayed = 1u << 1,
  cdsDisabled = 1u << 2,
  cdsChecked = 1u << 3,
  cdsFocused = 1u << 4,
  cdsDefault = 1u << 5,
  cdsHot = 1u << 6,
};
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };

// What the tree view and the list view share: the system control paints
// itself in our Font and Color, custom-draws on Canvas, and shows two image
// lists that are taken out of the window when they go away.
class TCustomViewControl : public TWinControl {
public:
  // The text font (Font()->Color is the text colour) and Color() the
  // background of the control.
  TFont* Font() { return &FFont; }
  // The canvas of the device context being custom-drawn (only inside the
  // custom-draw events).
  TCanvas* Canvas() { return &FCanvas; }
  // Labels cannot be edited in place.
  bool ReadOnly() const { return !HasStyle(FKind.EditLabels); }
  void SetReadOnly(bool value) { SetStyleBit(FKind.EditLabels, !value); }
  // The selection shows only while the control has the focus.
  bool HideSelection() const { return !HasStyle(FKind.ShowSelAlways); }
  void SetHideSelection(bool value) { SetStyleBit(FKind.ShowSelAlways, !value); }

  void WndProc(TMessage& message) override;

protected:
  // A kind of view: the system class and our class name for it, the first
  // size and window style, the style bits of label editing and of a
  // selection always shown, and the message that hands the window its
  // two image lists.
  struct TViewKind {
    const char16_t* SuperClass;
    const char16_t* ClassName;
    int Width, Height;
    DWORD Style, EditLabels, ShowSelAlways;
    UINT ImageListMessage;
    WPARAM FirstList, SecondList;
  };
  // An image list the window shows, handed to it with Message and Which.
  struct TImageSlot {
    explicit TImageSlot(TComponent* holder, UINT message, WPARAM which) : Ref(holder), Message(message), Which(which) {}
    TComponentRef<TCustomImageList> Ref;
    UINT Message;
    WPARAM Which;
  };

  TCustomViewControl(TComponent* owner, const TViewKind& kind);
  ~TCustomViewControl() override;
  // The system class superclassed under our own class name, with a sunken
  // edge and the style bits the properties keep.
  void CreateParams(TCreateParams& params) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Applies Font and Color to the window.
  void ApplyLook();
  // The window's own text and background colour messages.
  virtual void ApplyColors(COLORREF text, COLORREF back);
  bool HasStyle(DWORD bit) const { return (FStyle & bit) != 0; }
  // Sets the style bits under `mask` to `bits`, in the window too when
  // there is one.
  void SetStyleBits(DWORD mask, DWORD bits);
  void SetStyleBit(DWORD bit, bool on) { SetStyleBits(bit, on ? bit : 0); }
  void SetImageList(TImageSlot& slot, TCustomImageList* value);
  // Hands both image lists to a new window.
  void PushImageLists();
  // A notice of the window (custom-draw notices aside); true when the view
  // took it, with `result` for the system.
  virtual bool ViewNotify(const NMHDR& hdr, LRESULT& result);
  // Whether an item custom-draw event is set: only then does the system
  // send a notice for each item.
  virtual bool HasItemDrawEvent() const;
  // Custom-draws the item of an item notice.
  virtual LRESULT DrawViewItem(const NMCUSTOMDRAW& cd);
  // Runs a custom-draw event with Canvas on `dc` in the control's font and
  // colour; the result tells the system whether to draw the item itself.
  LRESULT DrawWithEvent(HDC dc, const std::function<void(bool& defaultDraw)>& event);

  TViewKind FKind;
  DWORD FStyle;
  TFont FFont;
  TCanvas FCanvas;
  TImageSlot FImageSlots[2];

private:
  LRESULT CustomDraw(const NMCUSTOMDRAW& cd);
};

// ---------------------------------------------------------------- tree view

class TCustomTreeView;
class TTreeNodes;

class TTreeNode {
public:
  TTreeNode(TTreeNodes* owner, HTREEITEM item) : FOwner(owner), FItemId(item) {}

  HTREEITEM ItemId() const { return FItemId; }
  TCustomTreeView* TreeView() const;
  TTreeNodes* Owner() const { return FOwner; }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  // Depth below the top level (top-level nodes are 0).
  int Level() const;
  // Whether the node shows an expand button; children imply it.
  bool HasChildren() const;
  void SetHasChildren(bool value);
  bool Expanded() const;
  void SetExpanded(bool value);
  void Expand(bool recurse = false);
  void Collapse(bool recurse = false);
  bool Selected() const;
  void SetSelected(bool value);
  bool Focused() const;
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int value);

  // (Sibling and child names differ from windowsx.h's macros on purpose.)
  TTreeNode* Parent() const;
  TTreeNode* FirstChild() const;
  TTreeNode* NextSibling() const;
  TTreeNode* PrevSibling() const;
  TTreeNode* GetNextVisible() const;
  // Number of direct children.
  int Count() const;
  TTreeNode* Item(int index) const;
  // Position in a depth-first walk over every node of the tree.
  int AbsoluteIndex() const;
  bool IsVisible() const;
  // The node's line (textOnly false) or its text, in client coordinates;
  // empty when the node is scrolled away or inside a collapsed parent.
  TRect DisplayRect(bool textOnly) const;
  void MakeVisible();
  // Removes the node with its children (the object goes with it).
  void Delete();

  void* Data = nullptr;

private:
  friend class TTreeNodes;
  // Sets the fields `it` names on the system item (once there is a window).
  void SetItem(TVITEMW& it) const;
  TTreeNodes* FOwner;
  HTREEITEM FItemId;
  std::string FText;
  int FImageIndex = -1;
  int FSelectedIndex = -1;
};

class TTreeNodes {
public:
  explicit TTreeNodes(TCustomTreeView* owner) : FOwner(owner) {}
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TCustomTreeView* Owner() const { return FOwner; }
  // Appends a top-level node after the last one (`sibling` is only used to
  // find the level: its parent's children get the new node).
  TTreeNode* Add(TTreeNode* sibling, const std::string& text);
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
  TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text);
  // Before `sibling` (at the end of the top level when null).
  TTreeNode* Insert(TTreeNode* sibling, const std::string& text);
  void Delete(TTreeNode* node);
  void Clear();
  int Count() const { return static_cast<int>(FNodes.size()); }
  TTreeNode* GetFirstNode() const;
  // The node of a system item, or null.
  TTreeNode* GetNode(HTREEITEM item) const;
  // Depth-first position `index` (0 is the first node).
  TTreeNode* Item(int index) const;

private:
  friend class TCustomTreeView;
  friend class TTreeNode;
  TTreeNode* InsertItem(HTREEITEM parent, HTREEITEM after, const std::string& text);
  void Forget(HTREEITEM item);
  TCustomTreeView* FOwner;
  std::map<HTREEITEM, std::unique_ptr<TTreeNode>> FNodes;
};

using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowExpansion)>;
using TTVExpandedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVAdvancedCustomDrawItemEvent =
    std::function<void(TCustomTreeView* sender, TTreeNode* node, TCustomDrawState state, TCustomDrawStage stage,
                       bool& paintImages, bool& defaultDraw)>;

// The system tree view (SysTreeView32, superclassed so that messages sent
// while the window is made reach the object too).
class TCustomTreeView : public TCustomViewControl {
public:
  explicit TCustomTreeView(TComponent* owner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() { return &FTreeNodes; }
  TTreeNode* Selected() const;
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem() const;
  void SetTopItem(TTreeNode* node);
  TTreeNode* GetNodeAt(int x, int y) const;
  void FullExpand();
  void FullCollapse();

  int Indent() const;
  void SetIndent(int value);
  bool ShowRoot() const { return HasStyle(TVS_LINESATROOT); }
  void SetShowRoot(bool value);
  bool ShowLines() const { return HasStyle(TVS_HASLINES); }
  void SetShowLines(bool value);
  bool ShowButtons() const { return HasStyle(TVS_HASBUTTONS); }
  void SetShowButtons(bool value);
  bool RowSelect() const { return HasStyle(TVS_FULLROWSELECT); }
  void SetRowSelect(bool value);

  TCustomImageList* Images() const { return FImageSlots[0].Ref; }
  void SetImages(TCustomImageList* value) { SetImageList(FImageSlots[0], value); }
  TCustomImageList* StateImages() const { return FImageSlots[1].Ref; }
  void SetStateImages(TCustomImageList* value) { SetImageList(FImageSlots[1], value); }

  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVExpandingEvent OnCollapsing;
  TTVExpandedEvent OnExpanded;
  TTVExpandedEvent OnCollapsed;
  TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void DestroyWnd() override;
  void ApplyColors(COLORREF text, COLORREF back) override;
  bool ViewNotify(const NMHDR& hdr, LRESULT& result) override;
  bool HasItemDrawEvent() const override;
  LRESULT DrawViewItem(const NMCUSTOMDRAW& cd) override;
  // The selection moved to `node`.
  virtual void Change(TTreeNode* node);
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);

private:
  friend class TTreeNodes;
  friend class TTreeNode;
  TTreeNodes FTreeNodes{this};
  int FIndent = 19;
};

// ---------------------------------------------------------------- list view

class TCustomListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };
// Column text alignment: the same order as the skin's alignments.
enum : int { caLeftJustify = 0, caRightJustify = 1, caCenter = 2 };

class TListColumn {
public:
  TListColumn(TCustomListView* owner) : FOwner(owner) {}
  int Index() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  int Width() const;
  void SetWidth(int value);
  int Alignment() const { return FAlignment; }
  void SetAlignment(int value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);

private:
  friend class TListColumns;
  void Update();
  template <class T>
  void Set(T& field, const T& value) {
    field = value;
    Update();
  }
  TCustomListView* FOwner;
  std::string FCaption;
  int FWidth = 50;
  int FAlignment = caLeftJustify;
  int FImageIndex = -1;
};

class TListColumns {
public:
  explicit TListColumns(TCustomListView* owner) : FOwner(owner) {}
  TListColumn* Add();
  int Count() const { return static_cast<int>(FColumns.size()); }
  TListColumn* Items(int index) const;
  void Clear();

private:
  friend class TListColumn;
  friend class TCustomListView;
  void Recreate();  // puts every column into a new window
  void InsertIntoWindow(HWND h, size_t index);
  TCustomListView* FOwner;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
};

class TListItem {
public:
  explicit TListItem(TListItems* owner) : FOwner(owner) {}
  TCustomListView* ListView() const;
  int Index() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  // Sub-item i is shown in column i + 1.
  int SubItemCount() const { return static_cast<int>(FSubItems.size()); }
  const std::string& SubItem(int index) const { return FSubItems.at(static_cast<size_t>(index)); }
  void AddSubItem(const std::string& text, int imageIndex = -1);
  void SetSubItem(int index, const std::string& text);
  int SubItemImage(int index) const;
  void SetSubItemImage(int index, int imageIndex);
  bool Checked() const;
  void SetChecked(bool value);
  bool Selected() const;
  void SetSelected(bool value);
  bool Focused() const;
  void SetFocused(bool value);
  TRect DisplayRect(TDisplayCode code) const;
  void MakeVisible(bool partialOK = false);
  void CancelEdit();
  void Delete();
  void* Data = nullptr;

private:
  friend class TListItems;
  friend class TCustomListView;
  void PushToWindow(int index);
  template <class T>
  void Set(T& field, const T& value) {
    field = value;
    PushToWindow(Index());
  }
  TListItems* FOwner;
  std::string FCaption;
  int FImageIndex = -1;
  std::vector<std::string> FSubItems;
  std::vector<int> FSubItemImages;
  bool FChecked = false;
};

class TListItems {
public:
  explicit TListItems(TCustomListView* owner) : FOwner(owner) {}
  TListItems(const TListItems&) = delete;
  TListItems& operator=(const TListItems&) = delete;
  TCustomListView* Owner() const { return FOwner; }
  TListItem* Add();
  TListItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  TListItem* Item(int index) const;
  int IndexOf(const TListItem* item) const;

private:
  friend class TCustomListView;
  friend class TListItem;
  void Recreate();  // puts every item into a new window
  void InsertIntoWindow(HWND h, int index);
  TCustomListView* FOwner;
  std::vector<std::unique_ptr<TListItem>> FItems;
};

enum TItemChange { ctText, ctImage, ctState };
using TLVChangeEvent = std::function<void(TObject* sender, TListItem* item, TItemChange change)>;
using TLVSelectItemEvent = std::function<void(TObject* sender, TListItem* item, bool selected)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;

// The system list view (SysListView32, superclassed: the column header it
// makes while its window is made is announced to the object).
class TCustomListView : public TCustomViewControl {
public:
  explicit TCustomListView(TComponent* owner);
  ~TCustomListView() override;

  TListItems* Items() { return &FListItems; }
  TListColumns* Columns() { return &FColumns; }
  TListItem* Selected() const;
  void SetSelected(TListItem* item);
  TListItem* ItemFocused() const;
  TListItem* TopItem() const;
  int VisibleRowCount() const;
  TListItem* GetItemAt(int x, int y) const;
  // Scrolls the content by pixels (rows in list style by the item width).
  void Scroll(int dx, int dy);

  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle value);
  bool Checkboxes() const { return HasExStyle(LVS_EX_CHECKBOXES); }
  void SetCheckboxes(bool value);
  bool RowSelect() const { return HasExStyle(LVS_EX_FULLROWSELECT); }
  void SetRowSelect(bool value);
  bool GridLines() const { return HasExStyle(LVS_EX_GRIDLINES); }
  void SetGridLines(bool value);
  // Columns can be dragged to another place.
  bool FullDrag() const { return HasExStyle(LVS_EX_HEADERDRAGDROP); }
  void SetFullDrag(bool value);
  bool ShowColumnHeaders() const { return !HasStyle(LVS_NOCOLUMNHEADER); }
  void SetShowColumnHeaders(bool value);
  bool WrapText() const { return !HasStyle(LVS_NOLABELWRAP); }
  void SetWrapText(bool value);
  bool MultiSelect() const { return !HasStyle(LVS_SINGLESEL); }
  void SetMultiSelect(bool value);

  TCustomImageList* SmallImages() const { return FImageSlots[0].Ref; }
  void SetSmallImages(TCustomImageList* value) { SetImageList(FImageSlots[0], value); }
  TCustomImageList* LargeImages() const { return FImageSlots[1].Ref; }
  void SetLargeImages(TCustomImageList* value) { SetImageList(FImageSlots[1], value); }
  // The column header window of the report view, or null.
  HWND HeaderHandle() const;

  TLVChangeEvent OnChange;
  TLVSelectItemEvent OnSelectItem;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVColumnClickEvent OnColumnClick;

protected:
  void CreateWindowHandle(const TCreateParams& params) override;
  void ApplyColors(COLORREF text, COLORREF back) override;
  bool ViewNotify(const NMHDR& hdr, LRESULT& result) override;
  bool HasItemDrawEvent() const override;
  LRESULT DrawViewItem(const NMCUSTOMDRAW& cd) override;
  virtual void Change(TListItem* item, TItemChange change);
  bool HasExStyle(DWORD bit) const { return (FExStyle & bit) != 0; }
  // Sets or clears an extended list-view style bit, in the window too.
  void SetExStyleBit(DWORD bit, bool on);
  void UpdateExStyle();

private:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumn;
  friend class TListColumns;
  TListItems FListItems{this};
  TListColumns FColumns{this};
  TViewStyle FViewStyle = vsIcon;
  DWORD FExStyle = 0;
  bool FSettingChecks = false;
};
