// The shell folder tree: one node per folder below the root, filled when a
// node is first expanded; its selection moves the linked list and box.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/dialogs/spShellViews.h"

namespace {

struct TRedrawOff {
  HWND h;
  explicit TRedrawOff(HWND w) : h(w) {
    if (h) SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  }
  ~TRedrawOff() {
    if (h) {
      SendMessageW(h, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(h, nullptr, TRUE);
    }
  }
};

// The next node of a depth-first walk over the whole tree.
TTreeNode* NextNode(const TTreeNode* n) {
  if (TTreeNode* c = n->FirstChild()) return c;
  for (const TTreeNode* p = n; p; p = p->Parent())
    if (TTreeNode* s = p->NextSibling()) return s;
  return nullptr;
}

}  // namespace

TspCustomShellTreeView::TspCustomShellTreeView(TComponent* owner)
    : TspSkinCustomTreeView(owner), TspShellView(this, ShellObjectTypes({otFolders})) {
  SetShowRoot(false);
  SetReadOnly(false);
}

TspCustomShellTreeView::~TspCustomShellTreeView() {
  FNotifier.reset();
  ClearItems();
}

void TspCustomShellTreeView::CreateParams(TCreateParams& params) {
  TspSkinCustomTreeView::CreateParams(params);
  params.Style |= TVS_EDITLABELS;
}

void TspCustomShellTreeView::ApplyImages() {
  if (!HandleAllocated() || Images()) return;
  SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
               reinterpret_cast<LPARAM>(FUseShellImages ? SystemImageList(false) : nullptr));
}

void TspCustomShellTreeView::SetUseShellImages(bool value) {
  FUseShellImages = value;
  ApplyImages();
}

void TspCustomShellTreeView::CreateWnd() {
  TspSkinCustomTreeView::CreateWnd();
  ClearItems();
  ApplyImages();
  if (!FLoadingRoot) {
    RootChanged();
    if (!FPath.empty()) SetPath(FPath);
  }
}

void TspCustomShellTreeView::DestroyWnd() {
  ClearItems();
  TspSkinCustomTreeView::DestroyWnd();
}

void TspCustomShellTreeView::Loaded() {
  TspSkinCustomTreeView::Loaded();
  RootChanged();
}

void TspCustomShellTreeView::ClearItems() {
  // Frees every wrapper before the nodes go.
  std::vector<TTreeNode*> nodes;
  for (TTreeNode* n = Items()->GetFirstNode(); n; n = NextNode(n)) nodes.push_back(n);
  for (TTreeNode* n : nodes) {
    delete NodeFolder(n);
    n->Data = nullptr;
  }
  Items()->Clear();
}

void TspCustomShellTreeView::DeleteNode(TTreeNode* node) {
  if (!node) return;
  std::vector<TTreeNode*> nodes;
  nodes.push_back(node);
  for (TTreeNode* n = NextNode(node); n && n->Level() > node->Level(); n = NextNode(n)) nodes.push_back(n);
  for (TTreeNode* n : nodes) {
    delete NodeFolder(n);
    n->Data = nullptr;
  }
  node->Delete();
}

void TspCustomShellTreeView::RootChanged() {
  if (ComponentState() & csLoading) return;
  std::string kept;
  try {
    FRootFolder = CreateRootFolder(FRootFolder, FRoot, FOldRoot);
  } catch (const std::exception& e) {
    kept = e.what();
  }
  if (FRootFolder && HandleAllocated()) {
    TspFlagScope loading(FLoadingRoot);
    ClearItems();
    TTreeNode* node = Items()->Add(nullptr, "");
    auto* wrapper = new TspShellFolder(nullptr, FRootFolder->AbsoluteID(), FRootFolder->ShellFolder());
    node->Data = wrapper;
    node->SetText(ItemDisplayName(DesktopShellFolder()->ShellFolder(), FRootFolder->AbsoluteID(), 0));
    if (FUseShellImages && !Images()) {
      node->SetImageIndex(SystemImageIndex(wrapper->AbsoluteID(), false, false));
      node->SetSelectedIndex(SystemImageIndex(wrapper->AbsoluteID(), false, true));
    }
    node->SetHasChildren(wrapper->SubFolders());
    node->Expand(false);
    node->SetSelected(true);
  }
  if (!kept.empty()) throw Exception(kept);
}

void TspCustomShellTreeView::RootChangedSync() {
  if (FUpdating) return;
  TspFlagScope updating(FUpdating);
  RootChanged();
  if (FListView) FListView->SetRoot(FRoot);
}

void TspCustomShellTreeView::SetRoot(const TRoot& value) {
  if (TakeNewRoot(FRoot, FOldRoot, value)) RootChangedSync();
}

void TspCustomShellTreeView::SetObjectTypes(TShellObjectTypes value) {
  FObjectTypes = value;
  RootChangedSync();
}

TspShellFolder* TspCustomShellTreeView::SelectedFolder() const { return NodeFolder(Selected()); }

std::string TspCustomShellTreeView::Path() const {
  TspShellFolder* f = SelectedFolder();
  return f ? f->PathName() : std::string();
}

void TspCustomShellTreeView::InitNode(TTreeNode* parent, LPCITEMIDLIST relative) {
  TspShellFolder* parentFolder = NodeFolder(parent);
  IShellFolder* sf = BindShellFolder(parentFolder->ShellFolder(), relative, Handle());
  auto* wrapper = new TspShellFolder(parentFolder, relative, sf);
  if (sf) sf->Release();
  TTreeNode* node = Items()->AddChild(parent, wrapper->DisplayName());
  node->Data = wrapper;
  if (FUseShellImages && !Images()) {
    node->SetImageIndex(SystemImageIndex(wrapper->AbsoluteID(), false, false));
    node->SetSelectedIndex(SystemImageIndex(wrapper->AbsoluteID(), false, true));
    if (node->SelectedIndex() == 0) node->SetSelectedIndex(node->ImageIndex());
  }
  bool children = wrapper->SubFolders();
  if ((FObjectTypes & ShellObjectTypes({otNonFolders})) && wrapper->ShellFolder())
    children = HasEnumerableItems(wrapper->ShellFolder(), ObjectTypeFlags(FObjectTypes));
  node->SetHasChildren(children);
  bool canAdd = true;
  if (OnAddFolder) OnAddFolder(this, wrapper, canAdd);
  if (!canAdd) DeleteNode(node);
}

void TspCustomShellTreeView::PopulateNode(TTreeNode* node) {
  TspShellFolder* folder = NodeFolder(node);
  if (!folder || !folder->ShellFolder()) return;
  TspHourGlass hourGlass;
  std::vector<LPITEMIDLIST> ids;
  try {
    if (FAILED(ListFolderItems(folder->ShellFolder(), Application ? Application->Handle() : nullptr, FObjectTypes,
                               ids)))
      return;
  } catch (const std::exception&) {
  }
  for (LPITEMIDLIST id : ids) {
    InitNode(node, id);
    FreeIdList(id);
  }
}

bool TspCustomShellTreeView::CanExpand(TTreeNode* node) {
  bool allow = TspSkinCustomTreeView::CanExpand(node);
  if (!allow) return false;
  TspShellFolder* f = NodeFolder(node);
  if (f && f->IsFolder()) {
    if (node->HasChildren() && node->Count() == 0) PopulateNode(node);
  } else if (f) {
    const std::string path = f->PathName();
    ShellExecuteW(Handle(), nullptr, reinterpret_cast<LPCWSTR>(UTF8ToUTF16(path).c_str()), nullptr,
                  reinterpret_cast<LPCWSTR>(UTF8ToUTF16(ExtractFilePath(path)).c_str()), 0);
  }
  node->SetHasChildren(node->Count() > 0);
  return allow;
}

void TspCustomShellTreeView::Change(TTreeNode* node) {
  TspSkinCustomTreeView::Change(node);
  if (FUpdating || !node || !NodeFolder(node)) return;
  const bool refresh = FAutoRefresh;
  FAutoRefresh = false;
  TspShellFolder* f = NodeFolder(node);
  if (!f->IsFolder() && f->Parent()) f = f->Parent();
  {
    TspFlagScope updating(FUpdating);
    LPITEMIDLIST id = CloneIdList(f->AbsoluteID());
    if (FComboBox) FComboBox->SetPathFromID(id);
    if (FListView) FListView->SetPathFromID(id);
    FreeIdList(id);
  }
  FNodeToMonitor = node;
  SetAutoRefresh(refresh);
  FNodeToMonitor = nullptr;
}

void TspCustomShellTreeView::SetPath(const std::string& value) {
  WithPathIdList(value, nullptr, [this](LPCITEMIDLIST id) { SetPathFromID(id); });
  if (TTreeNode* node = Selected()) {
    node->Expand(false);
    Change(node);
  }
  FPath = value;
}

TTreeNode* TspCustomShellTreeView::FindNodeByID(LPCITEMIDLIST id, TTreeNode* start) const {
  if (!start) return nullptr;
  const int level = start->Level();
  for (TTreeNode* n = start; n; n = NextNode(n)) {
    if (n != start && n->Level() <= level) break;
    TspShellFolder* f = NodeFolder(n);
    if (f && IdListsEqual(f->AbsoluteID(), id)) return n;
  }
  return nullptr;
}

void TspCustomShellTreeView::SetPathFromID(LPCITEMIDLIST id) {
  if (ComponentState() & csLoading) return;
  if (SelectedFolder() && IdListsEqual(SelectedFolder()->AbsoluteID(), id)) return;
  if (!HandleAllocated()) Handle();
  TTreeNode* found = nullptr;
  {
    TspFlagScope updating(FUpdating);
    TTreeNode* start = Items()->GetFirstNode();
    TIdLists* ancestors = AncestorIdLists(id);
    for (LPITEMIDLIST a : *ancestors) {
      if (TTreeNode* n = FindNodeByID(a, start)) {
        n->Expand(false);
        start = n;
      }
    }
    FreeAncestorIdLists(ancestors);
    found = FindNodeByID(id, start);
    if (found) found->SetSelected(true);
    else SetSelected(nullptr);
  }
  if (found) {
    LPITEMIDLIST copy = CloneIdList(id);
    if (FListView) FListView->SetPathFromID(copy);
    if (FComboBox) FComboBox->SetPathFromID(copy);
    FreeIdList(copy);
  }
}

void TspCustomShellTreeView::ExpandMyComputer() {
  LPITEMIDLIST id = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &id)) || !id) return;
  SetPathFromID(id);
  FreeIdList(id);
  if (TTreeNode* n = Selected()) n->Expand(false);
}

void TspCustomShellTreeView::Refresh(TTreeNode* node) {
  TspShellFolder* folder = NodeFolder(node);
  if (!folder || !folder->ShellFolder()) return;
  auto absoluteOf = [](TTreeNode* n) -> LPITEMIDLIST {
    TspShellFolder* f = n ? NodeFolder(n) : nullptr;
    return f ? CloneIdList(f->AbsoluteID()) : nullptr;
  };
  LPITEMIDLIST topId = absoluteOf(TopItem());
  LPITEMIDLIST selId = absoluteOf(Selected());
  TspHourGlass hourGlass;
  {
    TRedrawOff redraw(Handle());
    const bool updating = FUpdating;
    FUpdating = true;
    TTreeNode* fresh = Items()->Insert(node, "");
    auto* wrapper = new TspShellFolder(folder->Parent(),
                                       folder->RelativeID(), folder->ShellFolder());
    fresh->Data = wrapper;
    PopulateNode(fresh);
    if (FUseShellImages && !Images()) {
      fresh->SetImageIndex(SystemImageIndex(wrapper->AbsoluteID(), false, false));
      fresh->SetSelectedIndex(SystemImageIndex(wrapper->AbsoluteID(), false, true));
    }
    fresh->SetHasChildren(fresh->Count() > 0);
    fresh->SetText(node->Level() == 0 ? node->Text() : wrapper->DisplayName());
    // Expand the counterparts of the old expanded nodes.
    std::vector<LPITEMIDLIST> expanded;
    for (TTreeNode* n = node; n; n = NextNode(n)) {
      if (n != node && n->Level() <= node->Level()) break;
      if (n->Expanded() && NodeFolder(n)) expanded.push_back(CloneIdList(NodeFolder(n)->AbsoluteID()));
    }
    for (LPITEMIDLIST e : expanded) {
      if (TTreeNode* n = FindNodeByID(e, fresh)) n->Expand(false);
      FreeIdList(e);
    }
    DeleteNode(node);
    if (selId)
      if (TTreeNode* n = FindNodeByID(selId, Items()->GetFirstNode())) n->SetSelected(true);
    if (topId)
      if (TTreeNode* n = FindNodeByID(topId, Items()->GetFirstNode())) SetTopItem(n);
    FUpdating = updating;
  }
  FreeIdList(topId);
  FreeIdList(selId);
}

void TspCustomShellTreeView::EditEnded(TTreeNode* node, std::string text) {
  if (!node || text.empty()) return;
  if (OnEdited) OnEdited(this, node, text);
  TspShellFolder* f = NodeFolder(node);
  if (f && f->Rename(text)) node->SetText(text);
  if (TTreeNode* parent = node->Parent()) Refresh(parent);
}

void TspCustomShellTreeView::SetShellListView(TspCustomShellListView* value) {
  LinkShellPartner(FListView, value, FRoot);
}

void TspCustomShellTreeView::SetAutoRefresh(bool value) {
  FAutoRefresh = value;
  if (ComponentState() & csLoading) return;
  WatchFolder(FNodeToMonitor ? NodeFolder(FNodeToMonitor) : FRootFolder, [this]() {
    if (TTreeNode* n = Selected()) Refresh(n);
  });
}

void TspCustomShellTreeView::ExecuteCommand(const std::string& verb, bool& handled) {
  const std::string v = LowerText(verb);
  if (v == "rename" && Selected()) {
    SetFocus();
    SendMessageW(Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(Selected()->ItemId()));
    handled = true;
  } else if (v == "open") {
    FOpenDirectory.Enter(SelectedFolder());
  }
}

void TspCustomShellTreeView::CommandCompleted(const std::string& verb, bool succeeded) {
  if (!succeeded || !Selected()) return;
  const std::string v = LowerText(verb);
  if (v == "delete") {
    // A folder whose deletion was cancelled is still there: keep its node.
    const std::string path = SelectedFolder() ? SelectedFolder()->PathName() : std::string();
    if (!FileExists(path) && !DirectoryExists(path)) DeleteNode(Selected());
  } else if (v == "paste") {
    Refresh(Selected());
  } else if (v == "open") {
    FOpenDirectory.Leave();
  }
}

void TspCustomShellTreeView::WndProc(TMessage& m) {
  if (ShellMenuMessage(this, m) != smNotTaken) return;
  switch (m.Msg) {
    case TVM_SETIMAGELIST:
      if (m.WParam == TVSIL_NORMAL && !Images()) {
        m.LParam = reinterpret_cast<LPARAM>(FUseShellImages ? SystemImageList(false) : nullptr);
      }
      break;
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (hdr->code == TVN_ENDLABELEDITW) {
        auto* nm = reinterpret_cast<NMTVDISPINFOW*>(m.LParam);
        if (nm->item.pszText)
          EditEnded(Items()->GetNode(nm->item.hItem),
                    UTF16ToUTF8(reinterpret_cast<const char16_t*>(nm->item.pszText)));
        m.Result = FALSE;
        return;
      }
      if (hdr->code == TVN_DELETEITEMW || hdr->code == TVN_DELETEITEMA) {
        // Wrappers are freed by DeleteNode/ClearItems before the node goes.
      }
      break;
    }
    default:
      break;
  }
  TspSkinCustomTreeView::WndProc(m);
}
