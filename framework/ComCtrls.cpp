#include "framework/ComCtrls.h"

#include <algorithm>
#include <cstring>

#include "framework/SysUtils.h"
#include "framework/WideText.h"

// Older commctrl.h copies (MinGW's among them) leave this state out.
#ifndef TVIS_FOCUSED
#define TVIS_FOCUSED 0x0001
#endif

namespace {

WCHAR* WMutable(std::u16string& s) { return reinterpret_cast<WCHAR*>(&s[0]); }

void InitViewClasses() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  done = true;
}

TCustomDrawState DrawState(UINT itemState) {
  static const TFlagPair kStates[] = {{CDIS_SELECTED, cdsSelected}, {CDIS_GRAYED, cdsGrayed},
                                      {CDIS_DISABLED, cdsDisabled}, {CDIS_CHECKED, cdsChecked},
                                      {CDIS_FOCUS, cdsFocused},     {CDIS_DEFAULT, cdsDefault},
                                      {CDIS_HOT, cdsHot}};
  return TranslateFlags(itemState, kStates);
}

TRect ToTRect(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

// The expand or collapse part of a tree notification's action.
constexpr UINT kTveActionMask = 0x0003;

}  // namespace

// ===========================================================================
// What the views share

TCustomViewControl::TCustomViewControl(TComponent* owner, const TViewKind& kind)
    : TWinControl(owner),
      FKind(kind),
      FStyle(kind.Style),
      FImageSlots{TImageSlot(this, kind.ImageListMessage, kind.FirstList),
                  TImageSlot(this, kind.ImageListMessage, kind.SecondList)} {
  InitViewClasses();
  // The system control tracks the mouse itself (and eats the button-up of
  // a click in its drag-detect loop): no capture of ours.
  ControlStyle &= ~(csCaptureMouse | csSetCaption);
  TabStop = true;
  FColor = clWindow;
  FFont.OnChange = [this](TObject*) { ApplyLook(); };
  SetBounds(0, 0, kind.Width, kind.Height);
}

TCustomViewControl::~TCustomViewControl() { FFont.OnChange = nullptr; }

void TCustomViewControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = FKind.SuperClass;
  p.WinClassName = FKind.ClassName;
  p.Style |= FStyle;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomViewControl::ApplyLook() {
  if (!FHandle) return;
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
  ApplyColors(ColorToRGB(FFont.Color()), ColorToRGB(FColor));
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomViewControl::ApplyColors(COLORREF, COLORREF) {}

void TCustomViewControl::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  for (TImageSlot& slot : FImageSlots)
    if (component == slot.Ref) SetImageList(slot, nullptr);
}

void TCustomViewControl::SetStyleBits(DWORD mask, DWORD bits) {
  FStyle = (FStyle & ~mask) | (bits & mask);
  if (!FHandle) return;
  LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
  LONG_PTR wanted = (style & ~static_cast<LONG_PTR>(mask)) | static_cast<LONG_PTR>(bits & mask);
  if (wanted != style) SetWindowLongPtrW(FHandle, GWL_STYLE, wanted);
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomViewControl::SetImageList(TImageSlot& slot, TCustomImageList* value) {
  slot.Ref.Set(value);
  if (FHandle) SendMessageW(FHandle, slot.Message, slot.Which, reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TCustomViewControl::PushImageLists() {
  for (TImageSlot& slot : FImageSlots)
    if (slot.Ref) SendMessageW(FHandle, slot.Message, slot.Which, reinterpret_cast<LPARAM>(slot.Ref->Handle()));
}

bool TCustomViewControl::ViewNotify(const NMHDR&, LRESULT&) { return false; }
bool TCustomViewControl::HasItemDrawEvent() const { return false; }
LRESULT TCustomViewControl::DrawViewItem(const NMCUSTOMDRAW&) { return CDRF_DODEFAULT; }

// Item notices are asked for at the start of a paint when there is an event
// to draw them.
LRESULT TCustomViewControl::CustomDraw(const NMCUSTOMDRAW& cd) {
  if (!HasItemDrawEvent()) return CDRF_DODEFAULT;
  switch (cd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return DrawViewItem(cd);
    default:
      return CDRF_DODEFAULT;
  }
}

LRESULT TCustomViewControl::DrawWithEvent(HDC dc, const std::function<void(bool& defaultDraw)>& event) {
  bool defaultDraw = true;
  int saved = SaveDC(dc);
  FCanvas.SetHandle(dc);
  FCanvas.Font()->Assign(&FFont);
  FCanvas.Brush()->SetColor(FColor);
  try {
    event(defaultDraw);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    RestoreDC(dc, saved);
    throw;
  }
  FCanvas.SetHandle(nullptr);
  RestoreDC(dc, saved);
  return defaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
}

void TCustomViewControl::WndProc(TMessage& m) {
  if (LetSystemClassPaint(m)) return;
  switch (m.Msg) {
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
      ApplyLook();
      return;
    case CN_NOTIFY: {
      const auto& hdr = *reinterpret_cast<const NMHDR*>(m.LParam);
      if (hdr.code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        m.Result = CustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(m.LParam));
        return;
      }
      if (!ViewNotify(hdr, m.Result)) TWinControl::WndProc(m);
      return;
    }
    default:
      TWinControl::WndProc(m);
  }
}

// ===========================================================================
// Tree nodes

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

static HWND TreeHandle(const TTreeNode* n) { return n->TreeView()->HandleIfAllocated(); }

void TTreeNode::SetItem(TVITEMW& it) const {
  HWND h = TreeHandle(this);
  if (!h) return;
  it.hItem = FItemId;
  SendMessageW(h, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

void TTreeNode::SetText(const std::string& value) {
  FText = value;
  std::u16string t = UTF8ToUTF16(value);
  TVITEMW it{};
  it.mask = TVIF_TEXT;
  it.pszText = WMutable(t);
  SetItem(it);
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
  return level;
}

bool TTreeNode::HasChildren() const {
  HWND h = TreeHandle(this);
  if (!h) return false;
  TVITEMW it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = FItemId;
  SendMessageW(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return it.cChildren != 0 || FirstChild() != nullptr;
}

void TTreeNode::SetHasChildren(bool value) {
  TVITEMW it{};
  it.mask = TVIF_CHILDREN;
  it.cChildren = value ? 1 : 0;
  SetItem(it);
}

bool TTreeNode::Expanded() const {
  HWND h = TreeHandle(this);
  if (!h) return false;
  return (SendMessageW(h, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TTreeNode::SetExpanded(bool value) {
  if (value)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
  HWND h = TreeHandle(this);
  if (!h) return;
  SendMessageW(h, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
  if (recurse)
    for (TTreeNode* c = FirstChild(); c; c = c->NextSibling()) c->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  HWND h = TreeHandle(this);
  if (!h) return;
  if (recurse)
    for (TTreeNode* c = FirstChild(); c; c = c->NextSibling()) c->Collapse(true);
  SendMessageW(h, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
}

bool TTreeNode::Selected() const {
  HWND h = TreeHandle(this);
  return h && reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, TVGN_CARET, 0)) == FItemId;
}

void TTreeNode::SetSelected(bool value) {
  HWND h = TreeHandle(this);
  if (!h) return;
  if (value)
    SendMessageW(h, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FItemId));
  else if (Selected())
    SendMessageW(h, TVM_SELECTITEM, TVGN_CARET, 0);
}

bool TTreeNode::Focused() const {
  HWND h = TreeHandle(this);
  return h && (SendMessageW(h, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_FOCUSED) & TVIS_FOCUSED);
}

void TTreeNode::SetImageIndex(int value) {
  FImageIndex = value;
  TVITEMW it{};
  it.mask = TVIF_IMAGE;
  it.iImage = value;
  SetItem(it);
}

void TTreeNode::SetSelectedIndex(int value) {
  FSelectedIndex = value;
  TVITEMW it{};
  it.mask = TVIF_SELECTEDIMAGE;
  it.iSelectedImage = value;
  SetItem(it);
}

static TTreeNode* Related(const TTreeNode* n, UINT code) {
  HWND h = TreeHandle(n);
  if (!h) return nullptr;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(n->ItemId())));
  return n->Owner()->GetNode(item);
}

TTreeNode* TTreeNode::Parent() const { return Related(this, TVGN_PARENT); }
TTreeNode* TTreeNode::FirstChild() const { return Related(this, TVGN_CHILD); }
TTreeNode* TTreeNode::NextSibling() const { return Related(this, TVGN_NEXT); }
TTreeNode* TTreeNode::PrevSibling() const { return Related(this, TVGN_PREVIOUS); }
TTreeNode* TTreeNode::GetNextVisible() const { return Related(this, TVGN_NEXTVISIBLE); }

int TTreeNode::Count() const {
  int n = 0;
  for (TTreeNode* c = FirstChild(); c; c = c->NextSibling()) ++n;
  return n;
}

TTreeNode* TTreeNode::Item(int index) const {
  TTreeNode* c = FirstChild();
  while (c && index-- > 0) c = c->NextSibling();
  return c;
}

// The node after `n` in a depth-first walk.
static TTreeNode* NextInTree(const TTreeNode* n) {
  if (TTreeNode* c = n->FirstChild()) return c;
  for (const TTreeNode* p = n; p; p = p->Parent())
    if (TTreeNode* s = p->NextSibling()) return s;
  return nullptr;
}

int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (TTreeNode* n = FOwner->GetFirstNode(); n; n = NextInTree(n), ++i)
    if (n == this) return i;
  return -1;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = Parent(); p; p = p->Parent())
    if (!p->Expanded()) return false;
  return true;
}

TRect TTreeNode::DisplayRect(bool textOnly) const {
  HWND h = TreeHandle(this);
  if (!h) return TRect{};
  // The message takes the item in the rectangle's place.
  RECT r{};
  HTREEITEM item = FItemId;
  memcpy(&r, &item, sizeof(item));
  if (!SendMessageW(h, TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&r))) return TRect{};
  return ToTRect(r);
}

void TTreeNode::MakeVisible() {
  if (HWND h = TreeHandle(this)) SendMessageW(h, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
}

void TTreeNode::Delete() { FOwner->Delete(this); }

// ===========================================================================
// Tree node list

TTreeNode* TTreeNodes::InsertItem(HTREEITEM parent, HTREEITEM after, const std::string& text) {
  HWND h = FOwner->Handle();
  std::u16string t = UTF8ToUTF16(text);
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = WMutable(t);
  ins.item.iImage = -1;
  ins.item.iSelectedImage = -1;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!item) throw Exception("Cannot add the tree node \"" + text + "\"");
  auto node = std::make_unique<TTreeNode>(this, item);
  node->FText = text;
  TTreeNode* result = node.get();
  FNodes[item] = std::move(node);
  TVITEMW it{};
  it.mask = TVIF_PARAM;
  it.hItem = item;
  it.lParam = reinterpret_cast<LPARAM>(result);
  SendMessageW(h, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return result;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
  TTreeNode* parent = sibling ? sibling->Parent() : nullptr;
  return InsertItem(parent ? parent->ItemId() : TVI_ROOT, TVI_LAST, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
  return InsertItem(parent ? parent->ItemId() : TVI_ROOT, TVI_LAST, text);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text) {
  return InsertItem(parent ? parent->ItemId() : TVI_ROOT, TVI_FIRST, text);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const std::string& text) {
  if (!sibling) return InsertItem(TVI_ROOT, TVI_LAST, text);
  TTreeNode* parent = sibling->Parent();
  TTreeNode* prev = sibling->PrevSibling();
  return InsertItem(parent ? parent->ItemId() : TVI_ROOT, prev ? prev->ItemId() : TVI_FIRST, text);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node) return;
  HWND h = FOwner->HandleIfAllocated();
  HTREEITEM item = node->ItemId();
  // The system reports every deleted item (children first); a parent
  // window that does not pass the report on still must not keep stale nodes.
  std::vector<HTREEITEM> gone;
  std::vector<TTreeNode*> stack{node};
  while (!stack.empty()) {
    TTreeNode* n = stack.back();
    stack.pop_back();
    gone.push_back(n->ItemId());
    for (TTreeNode* c = n->FirstChild(); c; c = c->NextSibling()) stack.push_back(c);
  }
  if (h) SendMessageW(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
  for (HTREEITEM g : gone) Forget(g);
}

void TTreeNodes::Clear() {
  if (HWND h = FOwner->HandleIfAllocated()) SendMessageW(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  FNodes.clear();
}

void TTreeNodes::Forget(HTREEITEM item) { FNodes.erase(item); }

TTreeNode* TTreeNodes::GetFirstNode() const {
  HWND h = FOwner->HandleIfAllocated();
  if (!h) return nullptr;
  return GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM item) const {
  if (!item) return nullptr;
  auto it = FNodes.find(item);
  return it == FNodes.end() ? nullptr : it->second.get();
}

TTreeNode* TTreeNodes::Item(int index) const {
  TTreeNode* n = GetFirstNode();
  while (n && index-- > 0) n = NextInTree(n);
  return n;
}

// ===========================================================================
// Tree view

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TCustomViewControl(owner, {U(WC_TREEVIEWW), u"TessTreeView", 121, 97,
                                 TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS, TVS_EDITLABELS,
                                 TVS_SHOWSELALWAYS, TVM_SETIMAGELIST, TVSIL_NORMAL, TVSIL_STATE}) {}

TCustomTreeView::~TCustomTreeView() {
  // While this object is still whole, so the system's deletion reports reach it.
  DestroyHandle();
}

void TCustomTreeView::CreateWindowHandle(const TCreateParams& params) {
  TWinControl::CreateWindowHandle(params);
  if (!FHandle) return;
  SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
  PushImageLists();
  ApplyLook();
}

void TCustomTreeView::DestroyWnd() {
  TWinControl::DestroyWnd();
  // The nodes lived in the window.
  FTreeNodes.FNodes.clear();
}

void TCustomTreeView::ApplyColors(COLORREF text, COLORREF back) {
  SendMessageW(FHandle, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
  SendMessageW(FHandle, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
}

int TCustomTreeView::Indent() const {
  if (FHandle) return static_cast<int>(SendMessageW(FHandle, TVM_GETINDENT, 0, 0));
  return FIndent;
}

void TCustomTreeView::SetIndent(int value) {
  FIndent = value;
  if (FHandle) SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(std::max(0, value)), 0);
}

void TCustomTreeView::SetShowRoot(bool value) { SetStyleBit(TVS_LINESATROOT, value); }
void TCustomTreeView::SetShowLines(bool value) { SetStyleBit(TVS_HASLINES, value); }
void TCustomTreeView::SetShowButtons(bool value) { SetStyleBit(TVS_HASBUTTONS, value); }
void TCustomTreeView::SetRowSelect(bool value) { SetStyleBit(TVS_FULLROWSELECT, value); }

TTreeNode* TCustomTreeView::Selected() const {
  if (!FHandle) return nullptr;
  return FTreeNodes.GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
  if (node)
    node->SetSelected(true);
  else if (FHandle)
    SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, 0);
}

TTreeNode* TCustomTreeView::TopItem() const {
  if (!FHandle) return nullptr;
  return FTreeNodes.GetNode(
      reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

void TCustomTreeView::SetTopItem(TTreeNode* node) {
  if (FHandle && node) SendMessageW(FHandle, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(node->ItemId()));
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const {
  if (!FHandle) return nullptr;
  TVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT))) return nullptr;
  return FTreeNodes.GetNode(item);
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = FTreeNodes.GetFirstNode(); n; n = n->NextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = FTreeNodes.GetFirstNode(); n; n = n->NextSibling()) n->Collapse(true);
}

namespace {

// A node event to its handler, if there is one.
void Tell(const TTVChangedEvent& event, TObject* sender, TTreeNode* node) {
  if (event) event(sender, node);
}

// An expanding or collapsing node to its handler; no handler allows it.
bool Allowed(const TTVExpandingEvent& event, TObject* sender, TTreeNode* node) {
  bool allow = true;
  if (event) event(sender, node, allow);
  return allow;
}

}  // namespace

void TCustomTreeView::Change(TTreeNode* node) { Tell(OnChange, this, node); }
bool TCustomTreeView::CanExpand(TTreeNode* node) { return Allowed(OnExpanding, this, node); }
void TCustomTreeView::Expand(TTreeNode* node) { Tell(OnExpanded, this, node); }
bool TCustomTreeView::CanCollapse(TTreeNode* node) { return Allowed(OnCollapsing, this, node); }
void TCustomTreeView::Collapse(TTreeNode* node) { Tell(OnCollapsed, this, node); }

bool TCustomTreeView::HasItemDrawEvent() const { return static_cast<bool>(OnAdvancedCustomDrawItem); }

LRESULT TCustomTreeView::DrawViewItem(const NMCUSTOMDRAW& cd) {
  TTreeNode* node = FTreeNodes.GetNode(reinterpret_cast<HTREEITEM>(cd.dwItemSpec));
  if (!node) return CDRF_DODEFAULT;
  return DrawWithEvent(cd.hdc, [&](bool& defaultDraw) {
    bool paintImages = true;
    OnAdvancedCustomDrawItem(this, node, DrawState(cd.uItemState), cdPrePaint, paintImages, defaultDraw);
  });
}

bool TCustomTreeView::ViewNotify(const NMHDR& hdr, LRESULT& result) {
  const auto& nm = reinterpret_cast<const NMTREEVIEWW&>(hdr);
  switch (hdr.code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA:
      Change(FTreeNodes.GetNode(nm.itemNew.hItem));
      return true;
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      TTreeNode* node = FTreeNodes.GetNode(nm.itemNew.hItem);
      bool allow = true;
      if (node) {
        if ((nm.action & kTveActionMask) == TVE_EXPAND)
          allow = CanExpand(node);
        else if ((nm.action & kTveActionMask) == TVE_COLLAPSE)
          allow = CanCollapse(node);
      }
      result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA:
      if (TTreeNode* node = FTreeNodes.GetNode(nm.itemNew.hItem)) {
        if ((nm.action & kTveActionMask) == TVE_EXPAND)
          Expand(node);
        else if ((nm.action & kTveActionMask) == TVE_COLLAPSE)
          Collapse(node);
      }
      return true;
    case TVN_DELETEITEMW:
    case TVN_DELETEITEMA:
      FTreeNodes.Forget(nm.itemOld.hItem);
      return true;
    default:
      return false;
  }
}

// ===========================================================================
// List columns

int TListColumn::Index() const {
  auto& cols = FOwner->FColumns.FColumns;
  for (size_t i = 0; i < cols.size(); ++i)
    if (cols[i].get() == this) return static_cast<int>(i);
  return -1;
}

void TListColumn::Update() {
  HWND h = FOwner->HandleIfAllocated();
  int i = Index();
  if (!h || i < 0) return;
  std::u16string t = UTF8ToUTF16(FCaption);
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  c.pszText = WMutable(t);
  c.cx = FWidth;
  c.fmt = FAlignment == caRightJustify ? LVCFMT_RIGHT : FAlignment == caCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
  if (FImageIndex >= 0) {
    c.mask |= LVCF_IMAGE;
    c.fmt |= LVCFMT_IMAGE;
    c.iImage = FImageIndex;
  }
  SendMessageW(h, LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
}

void TListColumn::SetCaption(const std::string& value) { Set(FCaption, value); }

int TListColumn::Width() const {
  HWND h = FOwner->HandleIfAllocated();
  if (h) return static_cast<int>(SendMessageW(h, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
  return FWidth;
}

void TListColumn::SetWidth(int value) { Set(FWidth, value); }
void TListColumn::SetAlignment(int value) { Set(FAlignment, value); }
void TListColumn::SetImageIndex(int value) { Set(FImageIndex, value); }

TListColumn* TListColumns::Add() {
  FColumns.push_back(std::make_unique<TListColumn>(FOwner));
  if (HWND h = FOwner->HandleIfAllocated()) InsertIntoWindow(h, FColumns.size() - 1);
  return FColumns.back().get();
}

void TListColumns::InsertIntoWindow(HWND h, size_t index) {
  LVCOLUMNW col{};
  col.mask = LVCF_WIDTH;
  col.cx = FColumns[index]->FWidth;
  SendMessageW(h, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
  FColumns[index]->Update();
}

TListColumn* TListColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FColumns[static_cast<size_t>(index)].get();
}

void TListColumns::Clear() {
  if (HWND h = FOwner->HandleIfAllocated())
    for (int i = Count() - 1; i >= 0; --i) SendMessageW(h, LVM_DELETECOLUMN, static_cast<WPARAM>(i), 0);
  FColumns.clear();
}

void TListColumns::Recreate() {
  HWND h = FOwner->HandleIfAllocated();
  if (!h) return;
  for (size_t i = 0; i < FColumns.size(); ++i) InsertIntoWindow(h, i);
}

// ===========================================================================
// List items

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }
int TListItem::Index() const { return FOwner->IndexOf(this); }

void TListItem::PushToWindow(int index) {
  HWND h = ListView()->HandleIfAllocated();
  if (!h) return;
  std::u16string t = UTF8ToUTF16(FCaption);
  LVITEMW it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.iItem = index;
  it.pszText = WMutable(t);
  it.iImage = FImageIndex;
  SendMessageW(h, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  for (size_t s = 0; s < FSubItems.size(); ++s) {
    std::u16string st = UTF8ToUTF16(FSubItems[s]);
    LVITEMW si{};
    si.mask = LVIF_TEXT;
    si.iItem = index;
    si.iSubItem = static_cast<int>(s) + 1;
    si.pszText = WMutable(st);
    SendMessageW(h, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&si));
  }
  if (ListView()->Checkboxes()) {
    ListView()->FSettingChecks = true;
    LVITEMW st{};
    st.stateMask = LVIS_STATEIMAGEMASK;
    st.state = INDEXTOSTATEIMAGEMASK(FChecked ? 2 : 1);
    SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&st));
    ListView()->FSettingChecks = false;
  }
}

void TListItem::SetCaption(const std::string& value) { Set(FCaption, value); }
void TListItem::SetImageIndex(int value) { Set(FImageIndex, value); }

void TListItem::AddSubItem(const std::string& text, int imageIndex) {
  FSubItems.push_back(text);
  FSubItemImages.push_back(imageIndex);
  PushToWindow(Index());
}

void TListItem::SetSubItem(int index, const std::string& text) {
  if (index < 0) return;
  while (static_cast<int>(FSubItems.size()) <= index) {
    FSubItems.emplace_back();
    FSubItemImages.push_back(-1);
  }
  FSubItems[static_cast<size_t>(index)] = text;
  PushToWindow(Index());
}

int TListItem::SubItemImage(int index) const {
  if (index < 0 || index >= static_cast<int>(FSubItemImages.size())) return -1;
  return FSubItemImages[static_cast<size_t>(index)];
}

void TListItem::SetSubItemImage(int index, int imageIndex) {
  if (index < 0 || index >= static_cast<int>(FSubItemImages.size())) return;
  FSubItemImages[static_cast<size_t>(index)] = imageIndex;
  ListView()->Invalidate();
}

bool TListItem::Checked() const {
  HWND h = ListView()->HandleIfAllocated();
  if (h && ListView()->Checkboxes()) {
    UINT s = static_cast<UINT>(SendMessageW(h, LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_STATEIMAGEMASK));
    return ((s & LVIS_STATEIMAGEMASK) >> 12) == 2;
  }
  return FChecked;
}

void TListItem::SetChecked(bool value) { Set(FChecked, value); }

static bool ItemState(const TListItem* item, UINT mask) {
  HWND h = item->ListView()->HandleIfAllocated();
  return h && (SendMessageW(h, LVM_GETITEMSTATE, static_cast<WPARAM>(item->Index()), mask) & mask);
}

static void SetItemState(TListItem* item, UINT mask, bool on) {
  HWND h = item->ListView()->Handle();
  LVITEMW st{};
  st.stateMask = mask;
  st.state = on ? mask : 0;
  SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(item->Index()), reinterpret_cast<LPARAM>(&st));
}

bool TListItem::Selected() const { return ItemState(this, LVIS_SELECTED); }
void TListItem::SetSelected(bool value) { SetItemState(this, LVIS_SELECTED, value); }
bool TListItem::Focused() const { return ItemState(this, LVIS_FOCUSED); }
void TListItem::SetFocused(bool value) { SetItemState(this, LVIS_FOCUSED, value); }

TRect TListItem::DisplayRect(TDisplayCode code) const {
  HWND h = ListView()->HandleIfAllocated();
  if (!h) return TRect{};
  RECT r{};
  r.left = code == drBounds ? LVIR_BOUNDS : code == drIcon ? LVIR_ICON : code == drLabel ? LVIR_LABEL : LVIR_SELECTBOUNDS;
  if (!SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&r))) return TRect{};
  return ToTRect(r);
}

void TListItem::MakeVisible(bool partialOK) {
  if (HWND h = ListView()->HandleIfAllocated())
    SendMessageW(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), partialOK ? TRUE : FALSE);
}

void TListItem::CancelEdit() {
  HWND h = ListView()->HandleIfAllocated();
  if (h && SendMessageW(h, LVM_GETEDITCONTROL, 0, 0)) SendMessageW(h, LVM_CANCELEDITLABEL, 0, 0);
}

void TListItem::Delete() { FOwner->Delete(Index()); }

TListItem* TListItems::Insert(int index) {
  index = std::max(0, std::min(index, Count()));
  auto item = std::make_unique<TListItem>(this);
  TListItem* result = item.get();
  FItems.insert(FItems.begin() + index, std::move(item));
  if (HWND h = FOwner->HandleIfAllocated()) InsertIntoWindow(h, index);
  return result;
}

void TListItems::InsertIntoWindow(HWND h, int index) {
  TListItem* item = FItems[static_cast<size_t>(index)].get();
  LVITEMW it{};
  it.mask = LVIF_PARAM | LVIF_TEXT;
  it.iItem = index;
  std::u16string empty(1, u'\0');
  it.pszText = WMutable(empty);
  it.lParam = reinterpret_cast<LPARAM>(item);
  SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
  item->PushToWindow(index);
}

TListItem* TListItems::Add() { return Insert(Count()); }

void TListItems::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (HWND h = FOwner->HandleIfAllocated()) SendMessageW(h, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
  FItems.erase(FItems.begin() + index);
}

void TListItems::Clear() {
  if (HWND h = FOwner->HandleIfAllocated()) SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
  FItems.clear();
}

TListItem* TListItems::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(index)].get();
}

int TListItems::IndexOf(const TListItem* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return static_cast<int>(i);
  return -1;
}

void TListItems::Recreate() {
  HWND h = FOwner->HandleIfAllocated();
  if (!h) return;
  for (int i = 0; i < Count(); ++i) InsertIntoWindow(h, i);
}

// ===========================================================================
// List view

TCustomListView::TCustomListView(TComponent* owner)
    : TCustomViewControl(owner, {U(WC_LISTVIEWW), u"TessListView", 250, 150,
                                 LVS_ICON | LVS_SHAREIMAGELISTS | LVS_SINGLESEL | LVS_EDITLABELS, LVS_EDITLABELS,
                                 LVS_SHOWSELALWAYS, LVM_SETIMAGELIST, LVSIL_SMALL, LVSIL_NORMAL}) {}

TCustomListView::~TCustomListView() {
  DestroyHandle();
}

void TCustomListView::CreateWindowHandle(const TCreateParams& params) {
  TWinControl::CreateWindowHandle(params);
  if (!FHandle) return;
  UpdateExStyle();
  PushImageLists();
  FColumns.Recreate();
  FListItems.Recreate();
  ApplyLook();
}

void TCustomListView::UpdateExStyle() {
  if (!FHandle) return;
  SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP, FExStyle);
}

void TCustomListView::SetExStyleBit(DWORD bit, bool on) {
  FExStyle = on ? (FExStyle | bit) : (FExStyle & ~bit);
  UpdateExStyle();
}

void TCustomListView::ApplyColors(COLORREF text, COLORREF back) {
  SendMessageW(FHandle, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
  SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
  SendMessageW(FHandle, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

void TCustomListView::SetViewStyle(TViewStyle value) {
  static const DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  FViewStyle = value;
  SetStyleBits(LVS_TYPEMASK, kViews[value]);
}

void TCustomListView::SetCheckboxes(bool value) {
  SetExStyleBit(LVS_EX_CHECKBOXES, value);
  if (value && FHandle)
    for (int i = 0; i < FListItems.Count(); ++i) FListItems.Item(i)->PushToWindow(i);
}

void TCustomListView::SetRowSelect(bool value) { SetExStyleBit(LVS_EX_FULLROWSELECT, value); }
void TCustomListView::SetGridLines(bool value) { SetExStyleBit(LVS_EX_GRIDLINES, value); }
void TCustomListView::SetFullDrag(bool value) { SetExStyleBit(LVS_EX_HEADERDRAGDROP, value); }

void TCustomListView::SetShowColumnHeaders(bool value) {
  if (value == ShowColumnHeaders()) return;
  FStyle ^= LVS_NOCOLUMNHEADER;
  // The system makes a header only with the window: make it again.
  if (FHandle) {
    DestroyHandle();
    HandleNeeded();
  }
}

void TCustomListView::SetWrapText(bool value) { SetStyleBit(LVS_NOLABELWRAP, !value); }
void TCustomListView::SetMultiSelect(bool value) { SetStyleBit(LVS_SINGLESEL, !value); }

TListItem* TCustomListView::Selected() const {
  if (!FHandle) return nullptr;
  int i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return FListItems.Item(i);
}

void TCustomListView::SetSelected(TListItem* item) {
  if (!FHandle) HandleNeeded();
  LVITEMW st{};
  st.stateMask = LVIS_SELECTED;
  st.state = 0;
  SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&st));
  if (item) {
    item->SetSelected(true);
    item->SetFocused(true);
  }
}

TListItem* TCustomListView::ItemFocused() const {
  if (!FHandle) return nullptr;
  int i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  return FListItems.Item(i);
}

TListItem* TCustomListView::TopItem() const {
  if (!FHandle) return nullptr;
  return FListItems.Item(static_cast<int>(SendMessageW(FHandle, LVM_GETTOPINDEX, 0, 0)));
}

int TCustomListView::VisibleRowCount() const {
  if (!FHandle) return 0;
  return static_cast<int>(SendMessageW(FHandle, LVM_GETCOUNTPERPAGE, 0, 0));
}

TListItem* TCustomListView::GetItemAt(int x, int y) const {
  if (!FHandle) return nullptr;
  LVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  int i = static_cast<int>(SendMessageW(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!(hit.flags & LVHT_ONITEM)) return nullptr;
  return FListItems.Item(i);
}

void TCustomListView::Scroll(int dx, int dy) {
  if (FHandle) SendMessageW(FHandle, LVM_SCROLL, static_cast<WPARAM>(dx), static_cast<LPARAM>(dy));
}

HWND TCustomListView::HeaderHandle() const {
  if (!FHandle) return nullptr;
  return reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0));
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
  if (OnChange) OnChange(this, item, change);
}

bool TCustomListView::HasItemDrawEvent() const { return static_cast<bool>(OnCustomDrawItem); }

LRESULT TCustomListView::DrawViewItem(const NMCUSTOMDRAW& cd) {
  TListItem* item = FListItems.Item(static_cast<int>(cd.dwItemSpec));
  if (!item) return CDRF_DODEFAULT;
  // The item's own state: the system's report varies with focus and version.
  TCustomDrawState state = DrawState(cd.uItemState) & ~(cdsSelected | cdsFocused);
  if (item->Selected()) state |= cdsSelected;
  if (item->Focused()) state |= cdsFocused;
  return DrawWithEvent(cd.hdc, [&](bool& defaultDraw) { OnCustomDrawItem(this, item, state, defaultDraw); });
}

bool TCustomListView::ViewNotify(const NMHDR& hdr, LRESULT&) {
  const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
  switch (hdr.code) {
    case LVN_ITEMCHANGED: {
      TListItem* item = FListItems.Item(nm.iItem);
      if (!item) return true;
      if (nm.uChanged & LVIF_STATE) {
        if ((nm.uNewState ^ nm.uOldState) & LVIS_STATEIMAGEMASK && !FSettingChecks)
          item->FChecked = ((nm.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
        if (((nm.uNewState ^ nm.uOldState) & LVIS_SELECTED) && OnSelectItem)
          OnSelectItem(this, item, (nm.uNewState & LVIS_SELECTED) != 0);
      }
      Change(item, (nm.uChanged & LVIF_TEXT) ? ctText : (nm.uChanged & LVIF_IMAGE) ? ctImage : ctState);
      return true;
    }
    case LVN_COLUMNCLICK:
      if (OnColumnClick && nm.iSubItem >= 0 && nm.iSubItem < FColumns.Count())
        OnColumnClick(this, FColumns.Items(nm.iSubItem));
      return true;
    default:
      return false;
  }
}
