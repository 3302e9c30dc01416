// The skinned open dialog and folder dialog, built in code at each Execute
// around the shell list and the shell tree, and the file and directory
// edits whose button runs them.
#pragma once

#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StringList.h"
#include "skin/controls/SkinDraw.h"
#include "skin/controls/SkinEdits.h"
#include "skin/dialogs/SkinDialogBase.h"
#include "skin/dialogs/spShellViews.h"
#include "skin/dialogs/spfilectrl.h"

class TspSkinData;
class TspDynamicSkinForm;
class TspSkinPanel;
class TspSkinToolBar;
class TspSkinScrollBar;
class TspSkinButton;
class TspSkinSpeedButton;
class TspSkinMenuSpeedButton;
class TspSkinStdLabel;
class TspSkinPopupMenu;
class TCustomImageList;

// ---------------------------------------------------------------- open dialog

class TspOpenDlgForm : public TForm {
public:
  TspOpenDlgForm(TComponent* owner, bool saveMode, TspSkinData* ctrlSkinData, bool toolButtonsTransparent,
                 TCustomImageList* toolBarImageList);
  ~TspOpenDlgForm() override;

  bool SaveMode = false;
  std::vector<LPITEMIDLIST> FolderHistory;  // absolute lists, owned; the current folder last
  bool StopAddToHistory = false;
  TspSkinData* CtrlSD = nullptr;
  int NewFolderCount = 0;
  std::string DefaultExt;
  bool OverwritePromt = false;
  std::string FileName;
  TspDynamicSkinForm* DSF = nullptr;
  TspSkinPanel* FileListViewPanel = nullptr;
  TspSkinPanel* BottomPanel = nullptr;
  TspSkinScrollBar* FLVHScrollBar = nullptr;
  TspSkinScrollBar* FLVVScrollBar = nullptr;
  TspSkinFileListView* FileListView = nullptr;
  TspSkinEdit* FileNameEdit = nullptr;
  TspSkinFilterComboBox* FilterComboBox = nullptr;
  TspSkinShellComboBox* ShellBox = nullptr;
  TspSkinButton* OpenButton = nullptr;
  TspSkinButton* CancelButton = nullptr;
  TspSkinStdLabel* Drivelabel = nullptr;
  TspSkinStdLabel* OpenFileLabel = nullptr;
  TspSkinStdLabel* FileTypeLabel = nullptr;
  TspSkinToolBar* ToolPanel = nullptr;
  TspSkinSpeedButton* NewFolderToolButton = nullptr;
  TspSkinSpeedButton* UpToolButton = nullptr;
  TspSkinSpeedButton* BackToolButton = nullptr;
  TspSkinMenuSpeedButton* StyleToolButton = nullptr;
  TspSkinPopupMenu* StylePopupMenu = nullptr;
  TMenuItem* IconMenuItem = nullptr;
  TMenuItem* SmallIconMenuItem = nullptr;
  TMenuItem* ReportMenuItem = nullptr;
  TMenuItem* ListMenuItem = nullptr;
  TNotifyEvent OnFolderChange;
  bool CheckFileExists = true;

  // Handlers (public so that the component and tests can drive them).
  void FLVChange();
  void FLVPathChange();
  void FLVDBLClick();
  void FLVKeyDown(WORD& key);
  void EditKeyPress(char16_t& key);
  void FCBChange();
  void OpenButtonClick();
  void BackToolButtonClick();
  void UpToolButtonClick();
  void NewFolderToolButtonClick();
  void SetViewStyle(TViewStyle style);
  void InitHistory();
  // "." + extension for a typed name without one (DefaultExt, else the
  // filter's mask); empty when none applies.
  std::string DefaultExtension();
  std::string Text(const char* key, const char* builtIn) const;

protected:
  const char16_t* WindowClassName() const override { return u"TspOpenDlgForm"; }
};

// What the open and the folder dialog components share besides the skins:
// the window's size, title, font and look.
class TspSkinDialogComponent : public TspSkinDialogBase {
public:
  TNotifyEvent OnShow, OnClose, OnChange;
  bool ToolButtonsTransparent = false;
  int DialogWidth = 0, DialogHeight = 0, DialogMinWidth = 0, DialogMinHeight = 0;
  const TspFontDesc& DefaultFont() const { return FDefaultFont; }
  void SetDefaultFont(const TspFontDesc& value) { FDefaultFont = value; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  TCustomImageList* ToolBarImageList() const { return FToolBarImageList; }
  void SetToolBarImageList(TCustomImageList* value) { FToolBarImageList.Set(value); }

protected:
  TspSkinDialogComponent(TComponent* owner, const std::string& title, int alphaBlendValue)
      : TspSkinDialogBase(owner, alphaBlendValue), FTitle(title) {}
  // Puts the skinned frame on the dialog's window `form` with `frame`.
  void AttachDialogFrame(TForm* form, TspDynamicSkinForm* frame);

  TspFontDesc FDefaultFont;
  std::string FTitle;
  TComponentRef<TCustomImageList> FToolBarImageList{this};
};

// An edit whose button runs a skinned dialog, handing on to it the skins
// and tool-bar images given to the edit.
class TspSkinDialogEdit : public TspSkinEdit {
public:
  TComponentRef<TspSkinData> DlgSkinData{this};
  TComponentRef<TspSkinData> DlgCtrlSkinData{this};
  TComponentRef<TCustomImageList> DlgToolBarImageList{this};
  virtual void ButtonClick() = 0;

protected:
  explicit TspSkinDialogEdit(TComponent* owner);
  void HandOnSkins(TspSkinDialogComponent* dialog) const;
};

class TspSkinOpenDialog : public TspSkinDialogComponent {
public:
  explicit TspSkinOpenDialog(TComponent* owner);
  ~TspSkinOpenDialog() override;

  bool Execute();

  bool ShowHiddenFiles = false;
  bool OverwritePromt = false;
  std::string DefaultExt;
  TNotifyEvent OnFolderChange;
  bool CheckFileExists = true;
  bool MultiSelection = false;
  std::string LVHeaderSkinDataName = "resizetoolbutton";
  TspOpenDlgForm* DlgFrm() const { return FDlgFrm; }
  std::string InitialDir;
  std::string Filter = "All files|*.*";
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value);
  int FilterIndex = 1;
  bool CtrlAlphaBlend = false, CtrlAlphaBlendAnimation = false;
  int CtrlAlphaBlendValue = 225;
  // The selected files after a confirmed run (the owner may fill it too).
  TStringList* Files() { return &FFiles; }
  TViewStyle ListViewStyle = vsList;
  std::string GetSelectedFile() const;

  // Called with the window once it is built, before it shows (tests drive
  // the modal window from here).
  std::function<void(TspOpenDlgForm* form)> OnDialogCreated;

private:
  TspOpenDlgForm* FDlgFrm = nullptr;
  std::string FFileName;
  TStringList FFiles;
  bool FSaveMode = false;
};

class TspSkinFileEdit : public TspSkinDialogEdit {
public:
  explicit TspSkinFileEdit(TComponent* owner);
  ~TspSkinFileEdit() override;

  std::string Filter() const { return OD->Filter; }
  void SetFilter(const std::string& value) { OD->Filter = value; }
  std::string DlgInitialDir;
  std::string LVHeaderSkinDataName = "resizetoolbutton";
  TspSkinOpenDialog* Dialog() const { return OD; }
  void ButtonClick() override;

private:
  TspSkinOpenDialog* OD = nullptr;
};

// ---------------------------------------------------------------- folder dialog

class TspSelDirDlgForm : public TForm {
public:
  TspSelDirDlgForm(TComponent* owner, TspSkinData* ctrlSkinData, bool showToolBar, bool toolButtonsTransparent,
                   TCustomImageList* toolBarImageList, int toolButtonImageIndex, bool treeShowLines,
                   TCustomImageList* treeButtonImageList, int treeButtonExpandImageIndex,
                   int treeButtonNoExpandImageIndex);

  TspSkinData* CtrlSD = nullptr;
  bool ShowToolBar = false;
  TspDynamicSkinForm* DSF = nullptr;
  TspSkinPanel* DirTreeViewPanel = nullptr;
  TspSkinPanel* BottomPanel = nullptr;
  TspSkinDirTreeView* DirTreeView = nullptr;
  TspSkinScrollBar* VScrollBar = nullptr;
  TspSkinScrollBar* HScrollBar = nullptr;
  TspSkinButton* OkButton = nullptr;
  TspSkinButton* CancelButton = nullptr;
  TspSkinPanel* ToolPanel = nullptr;
  TspSkinSpeedButton* NewFolderToolButton = nullptr;
  TspSkinEdit* DirEdit = nullptr;

  void DirTreeViewChange();
  void DirEditKeyPress(char16_t& key);
  void NewFolderToolButtonClick();
  // OK only for a folder with a file-system path; a virtual folder (the
  // computer, the network) keeps the window open.
  void OkButtonClick();
  std::string Text(const char* key, const char* builtIn) const;

protected:
  const char16_t* WindowClassName() const override { return u"TspSelDirDlgForm"; }
};

class TspSkinSelectDirectoryDialog : public TspSkinDialogComponent {
public:
  explicit TspSkinSelectDirectoryDialog(TComponent* owner);
  ~TspSkinSelectDirectoryDialog() override;

  bool Execute();

  int ToolButtonImageIndex = 0;
  TspSelDirDlgForm* DlgFrm() const { return FDlgFrm; }
  std::string Directory;
  bool ShowToolBar = false;
  bool TreeShowLines = true;
  TCustomImageList* TreeButtonImageList() const { return FTreeButtonImageList; }
  void SetTreeButtonImageList(TCustomImageList* value) { FTreeButtonImageList.Set(value); }
  int TreeButtonExpandImageIndex = 0, TreeButtonNoExpandImageIndex = 1;

  std::function<void(TspSelDirDlgForm* form)> OnDialogCreated;

private:
  TComponentRef<TCustomImageList> FTreeButtonImageList{this};
  TspSelDirDlgForm* FDlgFrm = nullptr;
};

class TspSkinDirectoryEdit : public TspSkinDialogEdit {
public:
  explicit TspSkinDirectoryEdit(TComponent* owner);
  ~TspSkinDirectoryEdit() override;

  bool DlgShowToolBar = false;
  int DlgToolButtonImageIndex = 0;
  bool DlgTreeShowLines = true;
  TComponentRef<TCustomImageList> DlgTreeButtonImageList{this};
  int DlgTreeButtonExpandImageIndex = 0, DlgTreeButtonNoExpandImageIndex = 1;
  TspSkinSelectDirectoryDialog* Dialog() const { return SD; }
  void ButtonClick() override;

private:
  TspSkinSelectDirectoryDialog* SD = nullptr;
};
