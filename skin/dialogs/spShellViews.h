// The shell namespace shown in skinned controls: a folder tree, a file
// list of one folder and a "look in" box with the chain of folders. Linked
// together, each follows the folder the others move to.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinViews.h"
#include "skin/dialogs/spSkinShellCtrls.h"

class TspCustomShellTreeView;
class TspCustomShellListView;
class TspCustomShellComboBox;

using TAddFolderEvent = std::function<void(TObject* sender, TspShellFolder* folder, bool& canAdd)>;

// The system's small (or large) icon list, shared by the shell controls.
HIMAGELIST SystemImageList(bool large);

// Links a shell control to a partner, which takes `root` as its root.
template <class T>
void LinkShellPartner(TComponentRef<T>& link, T* partner, const TRoot& root) {
  if (link.Set(partner) && partner) partner->SetRoot(root);
}

// ---------------------------------------------------------------- shared part

// What the file list and the folder tree share: the root they show (made
// with the control), the watch on their folder, the linked folder box, the
// shell's verbs and its context menu.
class TspShellView : public IspShellVerbHook {
public:
  const TRoot& Root() const { return FRoot; }
  TShellObjectTypes ObjectTypes() const { return FObjectTypes; }
  bool AutoContextMenus = true;
  bool AutoRefresh() const { return FAutoRefresh; }
  TAddFolderEvent OnAddFolder;

  TspCustomShellComboBox* ShellComboBox() const { return FComboBox; }
  void SetShellComboBox(TspCustomShellComboBox* value) { LinkShellPartner(FComboBox, value, FRoot); }

  TspShellFolder* RootFolder() const { return FRootFolder; }
  virtual TspShellFolder* SelectedFolder() const = 0;

protected:
  // `control` is the control itself, holder of the partner links.
  TspShellView(TComponent* control, TShellObjectTypes objectTypes);
  ~TspShellView() override;

  // Watches `folder` anew while AutoRefresh is on (and nothing otherwise).
  void WatchFolder(TspShellFolder* folder, std::function<void()> onChange);
  // How the shell context menu took a message of the control.
  enum TShellMenuMessage { smNotTaken, smMenuMessage, smMenuShown };
  // The open context menu's own messages go to it; a context-menu request
  // shows the menu of the selected item (when AutoContextMenus is on).
  TShellMenuMessage ShellMenuMessage(TWinControl* control, TMessage& m);

  TRoot FOldRoot = "rfDesktop", FRoot = "rfDesktop";
  TspShellFolder* FRootFolder = nullptr;
  TShellObjectTypes FObjectTypes;
  bool FAutoRefresh = false;
  TComponentRef<TspCustomShellComboBox> FComboBox;
  std::unique_ptr<TspShellChangeNotifier> FNotifier;
  TspOpenVerbDirectory FOpenDirectory;
};

// ---------------------------------------------------------------- file list

class TspCustomShellListView : public TspSkinCustomListView, public TspShellView {
public:
  explicit TspCustomShellListView(TComponent* owner);
  ~TspCustomShellListView() override;

  void SetRoot(const TRoot& value);
  std::string Path() const;
  void SetPath(const std::string& value);
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& value);
  void SetObjectTypes(TShellObjectTypes value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  bool AutoNavigate = true;
  void SetAutoRefresh(bool value);
  TNotifyEvent OnPathChanged;

  TspCustomShellTreeView* ShellTreeView() const { return FTreeView; }
  void SetShellTreeView(TspCustomShellTreeView* value);

  void SetPathFromID(LPCITEMIDLIST id);
  void Update();
  void Back();
  void Refresh();
  TspShellFolder* SelectedFolder() const override;
  std::string GetSelectedFile() const;
  void GetSelectedFiles(TStrings* files) const;
  int FolderCount() const { return static_cast<int>(FFolders.size()); }
  TspShellFolder* Folders(int index) const { return FFolders.at(static_cast<size_t>(index)); }
  // True when the mask lets the file name through.
  static bool MaskAccepts(const std::string& mask, const std::string& fileName);

  void SetViewStyle(TViewStyle value);
  int SortColumn() const { return FSortColumn; }
  bool SortDescending() const { return FSortDirection; }
  void ColumnClick(int column);
  void BuildColumns();
  virtual void Populate();

  void ExecuteCommand(const std::string& verb, bool& handled) override;
  void CommandCompleted(const std::string& verb, bool succeeded) override;

  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void DblClick() override;

private:
  void ClearItems();
  void FillItems();
  void SynchronizePartners();
  void EditEnded(int index, const std::string& text);
  void SortFolders(bool byColumn);

  int FOldSortColumn = -1, FSortColumn = -1;
  bool FSortDirection = false;
  bool FSorted = true, FUpdating = false, FSettingRoot = false, FEditing = false;
  std::vector<TspShellFolder*> FFolders;
  TComponentRef<TspCustomShellTreeView> FTreeView{this};
  std::string FMask = "*.*|*.*";
};

class TspSkinFileListView : public TspCustomShellListView {
public:
  using TspCustomShellListView::TspCustomShellListView;
};

// ---------------------------------------------------------------- folder tree

class TspCustomShellTreeView : public TspSkinCustomTreeView, public TspShellView {
public:
  explicit TspCustomShellTreeView(TComponent* owner);
  ~TspCustomShellTreeView() override;

  void SetRoot(const TRoot& value);
  void SetObjectTypes(TShellObjectTypes value);
  std::string Path() const;
  void SetPath(const std::string& value);
  bool UseShellImages() const { return FUseShellImages; }
  void SetUseShellImages(bool value);
  void SetAutoRefresh(bool value);
  std::function<void(TObject* sender, TTreeNode* node, std::string& text)> OnEdited;

  TspCustomShellListView* ShellListView() const { return FListView; }
  void SetShellListView(TspCustomShellListView* value);

  TspShellFolder* SelectedFolder() const override;
  void SetPathFromID(LPCITEMIDLIST id);
  TTreeNode* FindNodeByID(LPCITEMIDLIST id, TTreeNode* start) const;
  void ExpandMyComputer();
  void Refresh(TTreeNode* node);
  void ClearItems();
  // Ends a label edit of `node` with `text` (renames the item).
  void EditEnded(TTreeNode* node, std::string text);

  void ExecuteCommand(const std::string& verb, bool& handled) override;
  void CommandCompleted(const std::string& verb, bool succeeded) override;

  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Change(TTreeNode* node) override;
  bool CanExpand(TTreeNode* node) override;

private:
  void RootChanged();
  void RootChangedSync();
  void InitNode(TTreeNode* parent, LPCITEMIDLIST relative);
  void PopulateNode(TTreeNode* node);
  void DeleteNode(TTreeNode* node);
  void ApplyImages();
  static TspShellFolder* NodeFolder(const TTreeNode* node) { return node ? static_cast<TspShellFolder*>(node->Data) : nullptr; }

  std::string FPath;
  bool FLoadingRoot = false, FUpdating = false, FUseShellImages = true;
  TComponentRef<TspCustomShellListView> FListView{this};
  TTreeNode* FNodeToMonitor = nullptr;
};

class TspSkinDirTreeView : public TspCustomShellTreeView {
public:
  using TspCustomShellTreeView::TspCustomShellTreeView;
};

// ---------------------------------------------------------------- folder box

struct TspItemEx {
  std::string Caption;
  TspShellFolder* Data = nullptr;  // owned by the combo box
  int Indent = 0;
  int ImageIndex = -1;
  int SelectedImageIndex = -1;
};

class TspCustomShellComboBox : public TspSkinCustomComboBox {
public:
  explicit TspCustomShellComboBox(TComponent* owner);
  ~TspCustomShellComboBox() override;

  const TRoot& Root() const { return FRoot; }
  void SetRoot(const TRoot& value);
  TShellObjectTypes ObjectTypes() const { return FObjectTypes; }
  void SetObjectTypes(TShellObjectTypes value);
  std::string Path();
  void SetPath(const std::string& value);
  bool UseShellImages() const { return FUseShellImages; }

  TspCustomShellTreeView* ShellTreeView() const { return FTreeView; }
  void SetShellTreeView(TspCustomShellTreeView* value);
  TspCustomShellListView* ShellListView() const { return FListView; }
  void SetShellListView(TspCustomShellListView* value);

  int ItemsExCount() const { return static_cast<int>(FItemsEx.size()); }
  const TspItemEx& ItemEx(int index) const { return FItemsEx.at(static_cast<size_t>(index)); }
  TspShellFolder* ItemFolder(int index) const;
  int IndexOfID(LPCITEMIDLIST id) const;
  void SetPathFromID(LPCITEMIDLIST id);
  void InitItems();

  void Loaded() override;

protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Change() override;

private:
  void ClearItems();
  void RootChangedSync();
  void AddFolderChildren(int position, TspShellFolder* folder);
  void ShowPath(LPCITEMIDLIST id);
  void RebuildStrings(int select);
  int EntryImageIndex(TspShellFolder* folder) const;
  void DrawEntry(int index, TCanvas* canvas, TRect r, bool indent);

  std::vector<TspItemEx> FItemsEx;
  int FItemsUpdating = 0;
  HIMAGELIST FImages = nullptr;
  int FImageHeight = 16, FImageWidth = 16;
  TRoot FOldRoot = "rfDesktop", FRoot = "rfDesktop";
  TspShellFolder* FRootFolder = nullptr;
  TComponentRef<TspCustomShellTreeView> FTreeView{this};
  TComponentRef<TspCustomShellListView> FListView{this};
  TShellObjectTypes FObjectTypes = ShellObjectTypes({otFolders});
  bool FUseShellImages = true, FUpdating = false;
};

class TspSkinShellComboBox : public TspCustomShellComboBox {
public:
  using TspCustomShellComboBox::TspCustomShellComboBox;
};
