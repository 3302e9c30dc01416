// The "look in" box: the root folder, its children, the computer's drives
// below the desktop, and the chain down to the folder shown, each indented
// by its depth with its system icon.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/dialogs/spShellViews.h"

namespace {

}  // namespace

TspCustomShellComboBox::TspCustomShellComboBox(TComponent* owner) : TspSkinCustomComboBox(owner) {
  SetOnListBoxDrawItem([this](TCanvas* c, int index, int, int, RECT r, TOwnerDrawState) {
    DrawEntry(index, c, Rect(r.left, r.top, r.right, r.bottom), true);
  });
  OnComboBoxDrawItem = [this](TCanvas* c, int index, int, int, RECT r, TOwnerDrawState) {
    DrawEntry(index, c, Rect(r.left, r.top, r.right, r.bottom), false);
  };
  FImages = SystemImageList(false);
  if (FImages) ImageList_GetIconSize(FImages, &FImageWidth, &FImageHeight);
  InitItems();
}

TspCustomShellComboBox::~TspCustomShellComboBox() {
  ClearItems();
  delete FRootFolder;
}

void TspCustomShellComboBox::CreateWnd() {
  TspSkinCustomComboBox::CreateWnd();
  if (FItemsEx.empty()) InitItems();
  RebuildStrings(ItemIndex());
}

void TspCustomShellComboBox::DestroyWnd() { TspSkinCustomComboBox::DestroyWnd(); }

void TspCustomShellComboBox::Loaded() {
  TspSkinCustomComboBox::Loaded();
  InitItems();
}

void TspCustomShellComboBox::ClearItems() {
  for (TspItemEx& e : FItemsEx) {
    delete e.Data;
    e.Data = nullptr;
  }
  FItemsEx.clear();
  ++FItemsUpdating;
  Items()->Clear();
  --FItemsUpdating;
}

int TspCustomShellComboBox::EntryImageIndex(TspShellFolder* folder) const {
  return FUseShellImages ? SystemImageIndex(folder->AbsoluteID(), false, false) : -1;
}

void TspCustomShellComboBox::RebuildStrings(int select) {
  ++FItemsUpdating;
  Items()->Clear();
  for (const TspItemEx& e : FItemsEx) Items()->Add(e.Caption);
  if (select >= 0 && select < static_cast<int>(FItemsEx.size())) {
    ListBox()->SetItemIndex(select);
    SetText(FItemsEx[static_cast<size_t>(select)].Caption);
  }
  --FItemsUpdating;
  Invalidate();
}

void TspCustomShellComboBox::InitItems() {
  if (ComponentState() & csLoading) return;
  TspCountScope itemsUpdating(FItemsUpdating);
  ClearItems();
  FRootFolder = CreateRootFolder(FRootFolder, FRoot, FOldRoot);
  TspItemEx root;
  root.Data = new TspShellFolder(nullptr, FRootFolder->AbsoluteID(), FRootFolder->ShellFolder());
  root.Caption = root.Data->DisplayName();
  root.ImageIndex = root.SelectedImageIndex = EntryImageIndex(root.Data);
  FItemsEx.push_back(root);
  AddFolderChildren(0, FItemsEx[0].Data);
  if (FRoot == "rfDesktop") {
    LPITEMIDLIST drives = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) && drives) {
      const int i = IndexOfID(drives);
      if (i >= 0) AddFolderChildren(i, FItemsEx[static_cast<size_t>(i)].Data);
      FreeIdList(drives);
    }
  }
  RebuildStrings(0);
  if (FUseShellImages && FImages) ImageList_GetIconSize(FImages, &FImageWidth, &FImageHeight);
}

void TspCustomShellComboBox::AddFolderChildren(int position, TspShellFolder* folder) {
  IShellFolder* sf = folder->ShellFolder();
  if (!sf) return;
  std::vector<LPITEMIDLIST> ids;
  const HRESULT hr = ListFolderItems(sf, nullptr, FObjectTypes, ids);
  if (FAILED(hr)) throw EOleError("The folder cannot be listed", hr);
  for (size_t k = 0; k < ids.size(); ++k) {
    IShellFolder* child = BindShellFolder(sf, ids[k], nullptr);
    TspItemEx e;
    e.Data = new TspShellFolder(folder, ids[k], child);
    if (child) child->Release();
    e.Caption = e.Data->DisplayName();
    e.Indent = e.Data->Level();
    e.ImageIndex = e.SelectedImageIndex = EntryImageIndex(e.Data);
    FItemsEx.insert(FItemsEx.begin() + position + static_cast<long>(k) + 1, e);
    FreeIdList(ids[k]);
  }
}

int TspCustomShellComboBox::IndexOfID(LPCITEMIDLIST id) const {
  for (int i = static_cast<int>(FItemsEx.size()) - 1; i >= 0; --i)
    if (FItemsEx[static_cast<size_t>(i)].Data && IdListsEqual(FItemsEx[static_cast<size_t>(i)].Data->AbsoluteID(), id))
      return i;
  return -1;
}

TspShellFolder* TspCustomShellComboBox::ItemFolder(int index) const {
  if (FItemsEx.empty() || index < 0) return nullptr;
  if (index >= static_cast<int>(FItemsEx.size())) index = static_cast<int>(FItemsEx.size()) - 1;
  return FItemsEx[static_cast<size_t>(index)].Data;
}

void TspCustomShellComboBox::ShowPath(LPCITEMIDLIST id) {
  TspCountScope itemsUpdating(FItemsUpdating);
  InitItems();
  TIdLists* ancestors = AncestorIdLists(id);
  int found = -1;
  size_t from = 0;
  for (size_t k = ancestors->size(); k-- > 0;) {
    found = IndexOfID((*ancestors)[k]);
    if (found >= 0) {
      from = k + 1;
      break;
    }
  }
  if (found < 0) {
    FreeAncestorIdLists(ancestors);
    return;
  }
  auto insertAfter = [&](int at, LPCITEMIDLIST absolute) {
    TspShellFolder* parent = FItemsEx[static_cast<size_t>(at)].Data;
    LPITEMIDLIST last = LastIdItem(absolute);
    IShellFolder* sf = BindShellFolder(parent->ShellFolder(), last, nullptr);
    TspItemEx e;
    e.Data = new TspShellFolder(parent, last, sf);
    if (sf) sf->Release();
    FreeIdList(last);
    e.Caption = e.Data->DisplayName();
    e.Indent = e.Data->Level();
    e.ImageIndex = e.SelectedImageIndex = EntryImageIndex(e.Data);
    FItemsEx.insert(FItemsEx.begin() + at + 1, e);
    return at + 1;
  };
  int last = found;
  for (size_t k = from; k < ancestors->size(); ++k) {
    const int i = IndexOfID((*ancestors)[k]);
    last = i >= 0 ? i : insertAfter(last, (*ancestors)[k]);
  }
  FreeAncestorIdLists(ancestors);
  int target = IndexOfID(id);
  if (target < 0 && CountIdItems(id) > 0) target = insertAfter(last, id);
  RebuildStrings(target);
}

void TspCustomShellComboBox::SetPathFromID(LPCITEMIDLIST id) {
  if (FUpdating) return;
  const int sel = ItemIndex();
  if (sel >= 0 && sel < static_cast<int>(FItemsEx.size()) && IdListsEqual(FItemsEx[static_cast<size_t>(sel)].Data->AbsoluteID(), id))
    return;
  TspFlagScope updating(FUpdating);
  ShowPath(id);
}

std::string TspCustomShellComboBox::Path() {
  const int i = ItemIndex();
  return i >= 0 && i < static_cast<int>(FItemsEx.size()) ? FItemsEx[static_cast<size_t>(i)].Data->PathName()
                                                          : std::string();
}

void TspCustomShellComboBox::SetPath(const std::string& value) {
  WithPathIdList(value, nullptr, [this](LPCITEMIDLIST id) { ShowPath(id); });
}

void TspCustomShellComboBox::RootChangedSync() {
  TspFlagScope updating(FUpdating);
  ClearItems();
  InitItems();
  if (FTreeView) FTreeView->SetRoot(FRoot);
  if (FListView) FListView->SetRoot(FRoot);
}

void TspCustomShellComboBox::SetRoot(const TRoot& value) {
  if (TakeNewRoot(FRoot, FOldRoot, value)) RootChangedSync();
}

void TspCustomShellComboBox::SetObjectTypes(TShellObjectTypes value) {
  FObjectTypes = value;
  RootChangedSync();
}

void TspCustomShellComboBox::SetShellTreeView(TspCustomShellTreeView* value) {
  LinkShellPartner(FTreeView, value, FRoot);
}

void TspCustomShellComboBox::SetShellListView(TspCustomShellListView* value) {
  LinkShellPartner(FListView, value, FRoot);
}

void TspCustomShellComboBox::Change() {
  if (FItemsUpdating) return;
  TspSkinCustomComboBox::Change();
  const int i = ItemIndex();
  if (i < 0 || i >= static_cast<int>(FItemsEx.size()) || FUpdating || IsPopupVisible()) return;
  TspFlagScope updating(FUpdating);
  LPITEMIDLIST id = CloneIdList(FItemsEx[static_cast<size_t>(i)].Data->AbsoluteID());
  if (FTreeView) FTreeView->SetPathFromID(id);
  if (FListView) FListView->SetPathFromID(id);
  FreeIdList(id);
}

void TspCustomShellComboBox::DrawEntry(int index, TCanvas* canvas, TRect r, bool indent) {
  if (index < 0 || index >= static_cast<int>(FItemsEx.size())) return;
  const TspItemEx& e = FItemsEx[static_cast<size_t>(index)];
  int x = r.Left;
  if (indent && FImages) x += e.Indent * FImageWidth / 2;
  HDC dc = canvas->Handle();
  if (FImages) {
    ImageList_DrawEx(FImages, e.ImageIndex, dc, x, r.Top + (r.Bottom - r.Top - FImageHeight) / 2, FImageWidth,
                     FImageHeight, CLR_NONE, CLR_NONE, ILD_NORMAL);
    x += FImageWidth + 4;
  }
  const std::u16string w = UTF8ToUTF16(e.Caption);
  SIZE wg{};
  GetTextExtentPoint32W(dc, W(u"Wg"), 2, &wg);
  int top = r.Top + (r.Bottom - r.Top) / 2 - wg.cy / 2;
  if (canvas->Font()->Height() % 2 != 0) --top;
  SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, x, top, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()));
}
