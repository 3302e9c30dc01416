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

  void WndProc(TMessage& message) override;

protected:
  // An image list the window shows, handed to it with Message and Which.
  struct TImageSlot {
    explicit TImageSlot(TComponent* holder, UINT message, WPARAM which) : Ref(holder), Message(message), Which(which) {}
    TComponentRef<TCustomImageList> Ref;
    UINT Message;
    WPARAM Which;
  };

  TCustomViewControl(TComponent* owner, int width, int height, UINT imageListMessage, WPARAM firstList,
                     WPARAM secondList);
  // The system class superclassed under our own class name, with a sunken edge.
  void CreateViewParams(TCreateParams& params, const char16_t* superClass, const char16_t* className);
  ~TCustomViewControl() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Applies Font and Color to the window.
  void ApplyLook();
  // The window's own text and background colour messages.
  virtual void ApplyColors(COLORREF text, COLORREF back);
  void SetStyleBit(DWORD bit, bool on);
  void SetImageList(TImageSlot& slot, TCustomImageList* value);
  // Hands both image lists to a new window.
  void PushImageLists();
  // Runs a custom-draw event with Canvas on `dc` in the control's font and
  // colour; the result tells the system whether to draw the item itself.
  LRESULT DrawWithEvent(HDC dc, const std::function<void(bool& defaultDraw)>& event);
  // A custom-draw notice: item notices asked for at the start of a paint,
  // `drawItem` for each item.
  static LRESULT CustomDrawStage(const NMCUSTOMDRAW& cd, const std::function<LRESULT()>& drawItem);

  TFont FFont;
  TCanvas FCanvas;
  TImageSlot FImageSlots[2];
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
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);
  bool RowSelect() const { return FRowSelect; }
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

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void DestroyWnd() override;
  void ApplyColors(COLORREF text, COLORREF back) override;
  // The selection moved to `node`.
  virtual void Change(TTreeNode* node);
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);

private:
  friend class TTreeNodes;
  friend class TTreeNode;
  LRESULT CustomDraw(NMTVCUSTOMDRAW* cd);
  TTreeNodes FTreeNodes{this};
  int FIndent = 19;
  bool FShowRoot = true, FShowLines = true, FShowButtons = true, FReadOnly = false, FHideSelection = true,
       FRowSelect = false;
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
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool value);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool value);
  // Columns can be dragged to another place.
  bool FullDrag() const { return FFullDrag; }
  void SetFullDrag(bool value);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool value);
  bool WrapText() const { return FWrapText; }
  void SetWrapText(bool value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);

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

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void ApplyColors(COLORREF text, COLORREF back) override;
  virtual void Change(TListItem* item, TItemChange change);
  void UpdateExStyle();

private:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumn;
  friend class TListColumns;
  LRESULT CustomDraw(NMLVCUSTOMDRAW* cd);
  TListItems FListItems{this};
  TListColumns FColumns{this};
  TViewStyle FViewStyle = vsIcon;
  bool FCheckboxes = false, FRowSelect = false, FGridLines = false, FFullDrag = false, FShowColumnHeaders = true,
       FWrapText = true, FMultiSelect = false, FReadOnly = false, FHideSelection = true;
  bool FSettingChecks = false;
};
