#include "skin/dialogs/spFileDialogs.h"

#include "skin/frame/DynamicSkinForm.h"

#include <windows.h>

#include <algorithm>

#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/spDialogForm.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinToolBar.h"
#include "skin/data/SkinData.h"
#include "skin/frame/SkinMenus.h"

namespace {

std::string ResourceText(TspSkinData* sd, const char* key, const char* builtIn) {
  if (sd && sd->ResourceStrData()) {
    const std::string s = sd->ResourceStrData()->GetResStr(key);
    if (!s.empty()) return s;
  }
  return builtIn;
}

// The client size asked for, but with a skinned frame not below the frame's
// own minimum size.
void SetDialogClientSize(TCustomForm* form, TspDynamicSkinForm* dsf, TspSkinData* skin, int width, int height) {
  if (skin && !skin->Empty) {
    width = std::max(width, dsf->GetMinWidth());
    height = std::max(height, dsf->GetMinHeight());
  }
  spSetClientSize(form, width, height);
}

void CenterOnScreen(TCustomForm* form) {
  form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2, form->Width(), form->Height());
}

bool IsAbsolutePath(const std::string& s) {
  return (s.size() >= 3 && s[1] == ':' && s[2] == '\\') || (s.size() >= 2 && s[0] == '\\' && s[1] == '\\');
}

std::string ProgramFolder() {
  WCHAR buf[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return ExtractFilePath(UTF16ToUTF8(reinterpret_cast<const char16_t*>(buf)));
}

// A raised platform error for a folder that cannot be made.
void CreateFolderOrRaise(const std::string& name) {
  if (!CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), nullptr))
    throw EInOutError("Unable to create directory \"" + name + "\" (error " + std::to_string(GetLastError()) + ")");
}

// The library's own 16 x 16 tool glyphs, drawn on a magenta ground that
// the button leaves transparent (its bottom-left pixel).
void DrawLibraryGlyph(TBitmap* bmp, const std::string& name) {
  bmp->SetSize(16, 16);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(0xFF00FF);
  c->FillRect(Rect(0, 0, 16, 16));
  const TColor ink = 0x404040, folder = 0x4FC4F0;
  auto drawFolder = [&](int l, int t, int r, int b) {
    c->Pen()->SetColor(0x206080);
    c->Brush()->SetColor(folder);
    c->Rectangle(l, t, r, b);
    c->Rectangle(l, t - 2, l + 5, t + 1);
  };
  c->Pen()->SetColor(ink);
  c->Brush()->SetColor(ink);
  if (name == "SP_BACK") {
    for (int i = 0; i < 5; ++i) {
      c->MoveTo(3 + i, 8 - i);
      c->LineTo(3 + i, 9 + i);
    }
    c->FillRect(Rect(8, 7, 13, 10));
  } else if (name == "SP_UP") {
    drawFolder(1, 6, 15, 15);
    c->Pen()->SetColor(ink);
    for (int i = 0; i < 4; ++i) {
      c->MoveTo(8 - i, 2 + i);
      c->LineTo(9 + i, 2 + i);
    }
    c->Brush()->SetColor(ink);
    c->FillRect(Rect(7, 6, 10, 12));
  } else if (name == "SP_NEWFOLDER") {
    drawFolder(1, 6, 13, 15);
    c->Pen()->SetColor(0x00A0FF);
    c->MoveTo(12, 1);
    c->LineTo(12, 6);
    c->MoveTo(10, 3);
    c->LineTo(15, 3);
  } else if (name == "SP_LVSTYLE") {
    for (int y = 2; y < 14; y += 4)
      for (int x = 2; x < 14; x += 6) c->FillRect(Rect(x, y, x + 4, y + 3));
  }
}

// Puts a tool button on the right of the tool panel `parent`, showing
// image `imageIndex` of the list given to the dialog, or else the library's
// own glyph.
void PlaceToolButton(TspSkinSpeedButton* b, TWinControl* parent, const std::string& name, bool flat,
                     TCustomImageList* images, int imageIndex, const std::string& hint,
                     const std::string& glyphName) {
  b->SetName(name);
  b->SetFlat(flat);
  b->Hint = hint;
  b->ShowHint = true;
  if (images) {
    b->SetImageList(images);
    b->SetImageIndex(imageIndex);
  } else {
    TBitmap glyph;
    DrawLibraryGlyph(&glyph, glyphName);
    b->SetGlyph(&glyph);
  }
  b->SetAlign(alRight);
  b->SetParent(parent);
}

TspSkinSpeedButton* MakeToolButton(TComponent* form, TWinControl* parent, const std::string& name, bool flat,
                                   TCustomImageList* images, int imageIndex, const std::string& hint,
                                   const std::string& glyphName) {
  auto* b = new TspSkinSpeedButton(form);
  b->SetSkinDataName("toolbutton");
  b->SetBounds(0, 0, 27, 25);
  PlaceToolButton(b, parent, name, flat, images, imageIndex, hint, glyphName);
  return b;
}

// A borderless panel (a spacer when it has no name), or a framed one; an
// empty `bounds` leaves the panel to its alignment.
TspSkinPanel* MakePanel(TComponent* form, TWinControl* parent, const char* name, TspSkinBorderStyle border,
                        TAlign align, const TRect& bounds = TRect{}) {
  auto* p = new TspSkinPanel(form);
  if (name) p->SetName(name);
  p->SetBorderStyle(border);
  if (bounds.Width() > 0) p->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  p->SetAlign(align);
  p->SetParent(parent);
  return p;
}

// The scroll bars of a dialog's list or tree: off until the view needs them.
TspSkinScrollBar* MakeViewScrollBar(TComponent* form, TWinControl* parent, const char* name, TScrollBarKind kind) {
  auto* b = new TspSkinScrollBar(form);
  b->SetName(name);
  b->SetKind(kind);
  if (kind == sbHorizontal) {
    b->SetSkinDataName("hscrollbar");
    b->SetBothMarkerWidth(19);
    b->SetBounds(0, 0, 100, 19);
  } else {
    b->SetSkinDataName("vscrollbar");
    b->SetBounds(0, 0, 19, 100);
  }
  b->SetEnabled(false);
  b->SetAlign(kind == sbHorizontal ? alBottom : alRight);
  b->SetParent(parent);
  return b;
}

TspSkinStdLabel* MakeLabel(TComponent* form, TWinControl* parent, const char* name, const std::string& caption,
                           const TRect& bounds, TAlign align = alNone) {
  auto* l = new TspSkinStdLabel(form);
  l->SetName(name);
  l->SetAutoSize(true);
  l->SetCaption(caption);
  l->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  if (align != alNone) l->SetAlign(align);
  l->SetParent(parent);
  return l;
}

// A push button of the bottom panel; the cancel button closes the window.
TspSkinButton* MakeButton(TComponent* form, const char* name, const std::string& caption,
                          const TRect& bounds, bool cancel = false) {
  auto* b = new TspSkinButton(form);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetCanFocused(true);
  if (cancel) {
    b->ModalResult = mrCancel;
    b->Cancel = true;
  }
  b->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  return b;
}

}  // namespace

// ===========================================================================
// Open dialog window

TspOpenDlgForm::TspOpenDlgForm(TComponent* owner, bool saveMode, TspSkinData* ctrlSkinData,
                               bool toolButtonsTransparent, TCustomImageList* toolBarImageList)
    : TForm(owner), SaveMode(saveMode), CtrlSD(ctrlSkinData) {
  SetName("spOpenDlgForm");
  KeyPreview = true;
  DSF = new TspDynamicSkinForm(this);
  const int clientWidth = 450;
  spSetClientSize(this, clientWidth, 290);

  ToolPanel = new TspSkinToolBar(this);
  ToolPanel->SetName("ToolPanel");
  ToolPanel->SetSkinDataName("toolpanel");
  ToolPanel->SetBorderStyle(bvNone);
  ToolPanel->SetBounds(0, 0, clientWidth, 25);
  ToolPanel->SetAlign(alTop);
  ToolPanel->SetParent(this);

  MakePanel(this, ToolPanel, nullptr, bvNone, alLeft, Bounds(0, 0, 10, 25));

  Drivelabel =
      MakeLabel(this, ToolPanel, "Drivelabel", Text("FLV_LOOKIN", "Look in: "), Bounds(10, 5, 50, 15), alLeft);

  BackToolButton = MakeToolButton(this, ToolPanel, "BackToolButton", toolButtonsTransparent, toolBarImageList, 0,
                                  Text("MSG_BTN_BACK_HINT", "Go To Last Folder Visited"), "SP_BACK");
  UpToolButton = MakeToolButton(this, ToolPanel, "UpToolButton", toolButtonsTransparent, toolBarImageList, 1,
                                Text("MSG_BTN_UP_HINT", "Up One Level"), "SP_UP");
  NewFolderToolButton = MakeToolButton(this, ToolPanel, "NewFolderToolButton", toolButtonsTransparent, toolBarImageList,
                                       2, Text("MSG_BTN_NEWFOLDER_HINT", "Create New Folder"), "SP_NEWFOLDER");
  MakePanel(this, ToolPanel, nullptr, bvNone, alRight, Bounds(0, 0, 10, 25));

  StylePopupMenu = new TspSkinPopupMenu(this);
  StylePopupMenu->SetName("StylePopupMenu");
  auto addStyle = [&](const char* name, const char* key, const char* text, TViewStyle style) {
    auto* item = new TMenuItem(this);
    item->SetName(name);
    item->SetCaption(Text(key, text));
    item->RadioItem = true;
    item->OnClick = [this, style](TObject*) { SetViewStyle(style); };
    StylePopupMenu->Items()->Add(item);
    return item;
  };
  IconMenuItem = addStyle("IconMenuItem", "MSG_LV_ICON", "Large icons", vsIcon);
  SmallIconMenuItem = addStyle("SmallIconMenuItem", "MSG_LV_SMALLICON", "Small icons", vsSmallIcon);
  ListMenuItem = addStyle("ListMenuItem", "MSG_LV_LIST", "List", vsList);
  ReportMenuItem = addStyle("ReportMenuItem", "MSG_LV_DETAILS", "Details", vsReport);

  StyleToolButton = new TspSkinMenuSpeedButton(this);
  StyleToolButton->SetSkinDataName("toolmenubutton");
  StyleToolButton->SetBounds(0, 0, 37, 25);
  StyleToolButton->SetSkinPopupMenu(StylePopupMenu);
  PlaceToolButton(StyleToolButton, ToolPanel, "StyleToolButton", toolButtonsTransparent, toolBarImageList, 3,
                  Text("MSG_BTN_VIEWMENU_HINT", "View Menu"), "SP_LVSTYLE");

  ShellBox = new TspSkinShellComboBox(this);
  ShellBox->SetName("ShellBox");
  ShellBox->SetDropDownCount(10);
  ShellBox->SetAlign(alClient);
  ShellBox->SetParent(ToolPanel);

  BottomPanel = MakePanel(this, this, "BottomPanel", bvNone, alBottom, Bounds(0, 290 - 80, clientWidth, 80));

  OpenFileLabel =
      MakeLabel(this, BottomPanel, "OpenFileLabel", Text("MSG_FILENAME", "File name:"), Bounds(10, 10, 55, 15));
  FileTypeLabel =
      MakeLabel(this, BottomPanel, "FileTypeLabel", Text("MSG_FILETYPE", "File type:"), Bounds(10, 45, 55, 15));

  FileNameEdit = new TspSkinEdit(this);
  FileNameEdit->SetName("FileNameEdit");
  FileNameEdit->ControlStyle &= ~csSetCaption;
  FileNameEdit->SetBounds(70, 10, clientWidth - 160, 21);
  FileNameEdit->SetAnchors(akLeft | akTop | akRight);
  FileNameEdit->SetParent(BottomPanel);
  FileNameEdit->SetText("");
  FileNameEdit->OnKeyPress = [this](TObject*, char16_t& key) { EditKeyPress(key); };

  FilterComboBox = new TspSkinFilterComboBox(this);
  FilterComboBox->SetName("FilterComboBox");
  FilterComboBox->SetBounds(70, 45, clientWidth - 160, 21);
  FilterComboBox->SetAnchors(akLeft | akTop | akRight);
  FilterComboBox->SetParent(BottomPanel);

  OpenButton =
      MakeButton(this, "OpenButton", Text("MSG_BTN_OPEN", "&Open"), Bounds(clientWidth - 80, 10, 70, 25));
  OpenButton->SetAnchors(akTop | akRight);
  OpenButton->OnClick = [this](TObject*) { OpenButtonClick(); };
  OpenButton->SetParent(BottomPanel);

  CancelButton =
      MakeButton(this, "CancelButton", Text("MSG_BTN_CANCEL", "Cancel"), Bounds(clientWidth - 80, 45, 70, 25), true);
  CancelButton->SetAnchors(akTop | akRight);
  CancelButton->SetParent(BottomPanel);

  FileListViewPanel = MakePanel(this, this, "FileListViewPanel", bvFrame, alClient);
  FLVHScrollBar = MakeViewScrollBar(this, FileListViewPanel, "FLVHScrollBar", sbHorizontal);
  FLVVScrollBar = MakeViewScrollBar(this, FileListViewPanel, "FLVVScrollBar", sbVertical);

  FileListView = new TspSkinFileListView(this);
  FileListView->SetName("FileListView");
  FileListView->SetViewStyle(vsList);
  FileListView->SetShowColumnHeaders(true);
  FileListView->SetHideSelection(false);
  FileListView->SetHScrollBar(FLVHScrollBar);
  FileListView->SetVScrollBar(FLVVScrollBar);
  FileListView->SetAlign(alClient);
  FileListView->SetParent(FileListViewPanel);
  FileListView->SetShellComboBox(ShellBox);
  ShellBox->SetShellListView(FileListView);
  FileListView->OnChange = [this](TObject*, TListItem*, TItemChange change) {
    if (change == ctState) FLVChange();
  };
  FileListView->OnPathChanged = [this](TObject*) { FLVPathChange(); };
  FileListView->OnDblClick = [this](TObject*) { FLVDBLClick(); };
  FileListView->OnKeyDown = [this](TObject*, WORD& key, TShiftState) { FLVKeyDown(key); };

  BackToolButton->OnClick = [this](TObject*) { BackToolButtonClick(); };
  UpToolButton->OnClick = [this](TObject*) { UpToolButtonClick(); };
  NewFolderToolButton->OnClick = [this](TObject*) { NewFolderToolButtonClick(); };

  SetActiveControl(FileNameEdit);
  NewFolderCount = 0;
  CheckFileExists = true;
}

TspOpenDlgForm::~TspOpenDlgForm() {
  for (LPITEMIDLIST id : FolderHistory) FreeIdList(id);
  FolderHistory.clear();
}

std::string TspOpenDlgForm::Text(const char* key, const char* builtIn) const {
  return ResourceText(CtrlSD, key, builtIn);
}

std::string TspOpenDlgForm::DefaultExtension() {
  if (!DefaultExt.empty()) return "." + DefaultExt;
  std::string mask = FilterComboBox->Mask();
  if (mask.find(".*") != std::string::npos) return "";
  const size_t semi = mask.find(';');
  if (semi != std::string::npos) mask.erase(semi);
  return ExtractFileExt(mask);
}

void TspOpenDlgForm::SetViewStyle(TViewStyle style) {
  FileListView->SetViewStyle(style);
  IconMenuItem->SetChecked(style == vsIcon);
  SmallIconMenuItem->SetChecked(style == vsSmallIcon);
  ListMenuItem->SetChecked(style == vsList);
  ReportMenuItem->SetChecked(style == vsReport);
}

void TspOpenDlgForm::FLVChange() {
  TspShellFolder* f = FileListView->SelectedFolder();
  if (f && !f->IsFolder()) FileNameEdit->SetText(ExtractFileName(f->FullObjectName()));
  if (OnFolderChange) OnFolderChange(this);
}

void TspOpenDlgForm::FLVPathChange() {
  if (!StopAddToHistory && FileListView->RootFolder()) {
    LPCITEMIDLIST id = FileListView->RootFolder()->AbsoluteID();
    if (FolderHistory.empty() || !IdListsEqual(FolderHistory.back(), id)) FolderHistory.push_back(CloneIdList(id));
  }
  if (FileListView->Items()->Count() > 0) FileListView->Items()->Item(0)->SetFocused(true);
  if (OnFolderChange) OnFolderChange(this);
}

void TspOpenDlgForm::FLVDBLClick() {
  TspShellFolder* f = FileListView->SelectedFolder();
  if (f && !f->IsFolder()) {
    FileName = f->FullObjectName();
    ModalResult = mrOk;
  }
}

void TspOpenDlgForm::FLVKeyDown(WORD& key) {
  if (key == VK_RETURN && !FileListView->GetSelectedFile().empty()) {
    OpenButtonClick();
    key = 0;
  }
}

void TspOpenDlgForm::EditKeyPress(char16_t& key) {
  if (key != 13) return;
  key = 0;
  const std::string text = FileNameEdit->Text();
  if (text.find('*') != std::string::npos) {
    FileListView->SetMask(text);
  } else if (text.find('\\') != std::string::npos && DirectoryExists(text)) {
    FileListView->SetPath(text);
  } else if (text.find('\\') == std::string::npos || IsAbsolutePath(text)) {
    OpenButtonClick();
  }
}

void TspOpenDlgForm::FCBChange() { FileListView->SetMask(FilterComboBox->Mask()); }

void TspOpenDlgForm::OpenButtonClick() {
  const std::string selected = FileListView->GetSelectedFile();
  const std::string typed = FileNameEdit->Text();
  std::string folder = FileListView->Path();
  if (folder.empty() || folder.back() != '\\') folder += "\\";
  // A typed absolute path stands as it is; anything else is in the folder shown.
  const std::string joined = IsAbsolutePath(typed) ? typed : folder + typed;
  std::string name;
  if (selected.empty() && CheckFileExists && !typed.empty()) {
    name = joined;
    if (ExtractFileExt(name).empty()) name += DefaultExtension();
    if (!FileExists(name)) return;
  }
  if (typed.empty()) return;
  if (CheckFileExists) {
    FileName = selected.empty() ? name : selected;
    if (FileExists(FileName))
      ModalResult = mrOk;
    else
      FileName.clear();
  } else {
    if (!selected.empty()) {
      FileName = selected;
    } else {
      FileName = joined;
      if (ExtractFileExt(FileName).empty()) FileName += DefaultExtension();
    }
    ModalResult = mrOk;
  }
}

void TspOpenDlgForm::BackToolButtonClick() {
  if (FolderHistory.size() <= 1) return;
  TspFlagScope historyStopped(StopAddToHistory);
  // The current folder goes; the one before it is shown.
  FreeIdList(FolderHistory.back());
  FolderHistory.pop_back();
  FileListView->SetPathFromID(FolderHistory.back());
}

void TspOpenDlgForm::UpToolButtonClick() { FileListView->Back(); }

void TspOpenDlgForm::NewFolderToolButtonClick() {
  const std::string path = FileListView->Path();
  if (path.find('\\') == std::string::npos) return;
  ++NewFolderCount;
  std::string name = Text("MSG_NEWFOLDER", "New Folder");
  if (NewFolderCount > 1) name += "(" + std::to_string(NewFolderCount) + ")";
  const std::string full = JoinPath(path, name);
  if (DirectoryExists(full) || FileExists(full)) return;
  CreateFolderOrRaise(full);
  FileListView->Refresh();
  if (Application) Application->ProcessMessages();
  for (int i = 0; i < FileListView->FolderCount(); ++i)
    if (FileListView->Folders(i)->DisplayName() == name) {
      FileListView->SetFocus();
      SendMessageW(FileListView->Handle(), LVM_EDITLABELW, i, 0);
      break;
    }
}

void TspOpenDlgForm::InitHistory() {
  for (LPITEMIDLIST id : FolderHistory) FreeIdList(id);
  FolderHistory.clear();
  if (FileListView->RootFolder()) FolderHistory.push_back(CloneIdList(FileListView->RootFolder()->AbsoluteID()));
}

// ===========================================================================
// What the dialog components share

void TspSkinDialogComponent::AttachDialogFrame(TForm* form, TspDynamicSkinForm* frame) {
  // No caption buttons on the dialogs' frame.
  frame->SetBorderIcons(0);
  SkinFrame(frame);
  frame->MinWidth = DialogMinWidth;
  frame->MinHeight = DialogMinHeight;
  form->SetCaption(FTitle);
}

// ===========================================================================
// Open dialog component

TspSkinOpenDialog::TspSkinOpenDialog(TComponent* owner) : TspSkinDialogComponent(owner, "Open file", 225) {}

TspSkinOpenDialog::~TspSkinOpenDialog() = default;

void TspSkinOpenDialog::SetFileName(const std::string& value) {
  FFileName = value;
  if (FDlgFrm) FDlgFrm->FileNameEdit->SetText(value);
}

std::string TspSkinOpenDialog::GetSelectedFile() const {
  return FDlgFrm ? FDlgFrm->FileListView->GetSelectedFile() : std::string();
}

bool TspSkinOpenDialog::Execute() {
  if (OnShow) OnShow(this);
  std::unique_ptr<TspOpenDlgForm> form(
      new TspOpenDlgForm(Application, FSaveMode, FCtrlSD, ToolButtonsTransparent, FToolBarImageList));
  FDlgFrm = form.get();
  struct TEnd {
    TspSkinOpenDialog* self;
    ~TEnd() { self->FDlgFrm = nullptr; }
  } end{this};
  TspOpenDlgForm* f = form.get();
  AttachDialogFrame(f, f->DSF);
  f->DSF->MenusAlphaBlend = CtrlAlphaBlend;
  f->DSF->MenusAlphaBlendAnimation = CtrlAlphaBlendAnimation;
  f->DSF->MenusAlphaBlendValue = static_cast<uint8_t>(CtrlAlphaBlendValue);
  f->OnFolderChange = OnFolderChange;
  f->CheckFileExists = CheckFileExists;
  f->OverwritePromt = OverwritePromt;
  f->DefaultExt = DefaultExt;
  TFont font;
  FDefaultFont.AssignTo(&font);
  f->FileListView->SetDefaultFont(&font);
  f->OpenButton->SetDefaultFont(FDefaultFont);
  f->CancelButton->SetDefaultFont(FDefaultFont);
  f->ShellBox->SetDefaultFont(FDefaultFont);
  f->ShellBox->ListBoxAlphaBlend = CtrlAlphaBlend;
  f->ShellBox->ListBoxAlphaBlendAnimation = CtrlAlphaBlendAnimation;
  f->ShellBox->ListBoxAlphaBlendValue = static_cast<uint8_t>(CtrlAlphaBlendValue);
  f->FilterComboBox->ListBoxAlphaBlend = CtrlAlphaBlend;
  f->FilterComboBox->ListBoxAlphaBlendAnimation = CtrlAlphaBlendAnimation;
  f->FilterComboBox->ListBoxAlphaBlendValue = static_cast<uint8_t>(CtrlAlphaBlendValue);

  f->SetViewStyle(ListViewStyle);

  // The start folder: the file name's folder, else the initial folder, else
  // the program's.
  std::string start;
  const std::string fileFolder = ExtractFilePath(FFileName);
  if (!fileFolder.empty() && DirectoryExists(fileFolder))
    start = fileFolder;
  else if (!InitialDir.empty() && DirectoryExists(InitialDir))
    start = InitialDir;
  else
    start = ProgramFolder();
  f->FileListView->Handle();
  try {
    f->FileListView->SetPath(start);
  } catch (const EInvalidPath&) {
  }

  f->FileListView->SetHeaderSkinDataName(LVHeaderSkinDataName);
  f->FileListView->SetSkinData(FCtrlSD);
  if (FCtrlSD) {
    f->FileListView->SetItemSkinDataName(FCtrlSD->DlgListViewItemSkinDataName);
    f->FileListView->SetDrawSkin(FCtrlSD->DlgListViewDrawSkin);
  }
  f->FileListView->SetMultiSelect(MultiSelection);
  if (ShowHiddenFiles)
    f->FileListView->SetObjectTypes(f->FileListView->ObjectTypes() | ShellObjectTypes({otHidden}));

  f->FilterComboBox->SetFilter(Filter);
  f->FilterComboBox->SetItemIndex(FilterIndex - 1);
  f->FileListView->SetMask(f->FilterComboBox->Mask());
  f->FilterComboBox->OnChange = [f](TObject*) { f->FCBChange(); };

  for (TspSkinCustomControl* c : std::initializer_list<TspSkinCustomControl*>{
           f->FileListViewPanel, f->BottomPanel, f->ToolPanel, f->FLVHScrollBar, f->FLVVScrollBar,
           f->FilterComboBox, f->OpenButton, f->CancelButton, f->ShellBox})
    c->SetSkinData(FCtrlSD);
  f->FileNameEdit->SetSkinData(FCtrlSD);
  f->ShellBox->SetSkinDataName("combobox");

  SetDialogClientSize(f, f->DSF, FSD, DialogWidth > 0 ? DialogWidth : 450, DialogHeight > 0 ? DialogHeight : 290);
  CenterOnScreen(f);

  if (f->FileListView->Items()->Count() > 0) f->FileListView->Items()->Item(0)->SetFocused(true);
  f->FileNameEdit->SetText(ExtractFileName(FFileName));
  f->InitHistory();

  if (OnDialogCreated) OnDialogCreated(f);
  const bool ok = f->ShowModal() == mrOk;

  FilterIndex = f->FilterComboBox->ItemIndex() + 1;
  DialogWidth = f->ClientWidth();
  DialogHeight = f->ClientHeight();
  ListViewStyle = f->FileListView->ViewStyle();
  if (ok) {
    FFileName = f->FileName;
    f->FileListView->GetSelectedFiles(&FFiles);
    // A typed name with nothing selected is still the chosen file: the
    // caller reads the list.
    if (FFiles.Count() == 0 && !FFileName.empty()) FFiles.Add(FFileName);
    if (OnChange) OnChange(this);
  }
  if (OnClose) OnClose(this);
  return ok;
}

// ===========================================================================
// File edit

TspSkinDialogEdit::TspSkinDialogEdit(TComponent* owner) : TspSkinEdit(owner) {
  SetButtonMode(true);
  SetSkinDataName("buttonedit");
  OnButtonClick = [this](TObject*) { ButtonClick(); };
  ControlStyle &= ~csSetCaption;
}

void TspSkinDialogEdit::HandOnSkins(TspSkinDialogComponent* dialog) const {
  dialog->SetSkinData(DlgSkinData);
  dialog->SetCtrlSkinData(DlgCtrlSkinData);
  dialog->SetToolBarImageList(DlgToolBarImageList);
}

TspSkinFileEdit::TspSkinFileEdit(TComponent* owner) : TspSkinDialogEdit(owner) {
  OD = new TspSkinOpenDialog(this);
  OD->ToolButtonsTransparent = true;
  OD->CheckFileExists = false;
}

TspSkinFileEdit::~TspSkinFileEdit() = default;

void TspSkinFileEdit::ButtonClick() {
  OD->SetFileName(Text());
  HandOnSkins(OD);
  OD->LVHeaderSkinDataName = LVHeaderSkinDataName;
  OD->InitialDir = DlgInitialDir;
  if (OD->Execute()) SetText(OD->FileName());
}

// ===========================================================================
// Folder dialog window

TspSelDirDlgForm::TspSelDirDlgForm(TComponent* owner, TspSkinData* ctrlSkinData, bool showToolBar,
                                   bool toolButtonsTransparent, TCustomImageList* toolBarImageList,
                                   int toolButtonImageIndex, bool treeShowLines,
                                   TCustomImageList* treeButtonImageList, int treeButtonExpandImageIndex,
                                   int treeButtonNoExpandImageIndex)
    : TForm(owner), CtrlSD(ctrlSkinData), ShowToolBar(showToolBar) {
  SetName("spSelDirDlgForm");
  KeyPreview = true;
  DSF = new TspDynamicSkinForm(this);
  spSetClientSize(this, 280, 280);
  if (showToolBar) {
    ToolPanel = MakePanel(this, this, "ToolPanel", bvNone, alTop, Bounds(0, 0, 280, 25));
    ToolPanel->SetSkinDataName("toolpanel");
    NewFolderToolButton = MakeToolButton(this, ToolPanel, "NewFolderToolButton", toolButtonsTransparent,
                                         toolBarImageList, toolButtonImageIndex,
                                         Text("MSG_BTN_NEWFOLDER_HINT", "Create New Folder"), "SP_NEWFOLDER");
    NewFolderToolButton->OnClick = [this](TObject*) { NewFolderToolButtonClick(); };
    MakePanel(this, ToolPanel, nullptr, bvNone, alRight, Bounds(0, 0, 5, 25));
    DirEdit = new TspSkinEdit(this);
    DirEdit->SetName("DirEdit");
    DirEdit->ControlStyle &= ~csSetCaption;
    DirEdit->SetSkinDataName("edit");
    DirEdit->SetAlign(alClient);
    DirEdit->SetParent(ToolPanel);
    DirEdit->SetText("");
    DirEdit->OnKeyPress = [this](TObject*, char16_t& key) { DirEditKeyPress(key); };
  }

  BottomPanel = MakePanel(this, this, "BottomPanel", bvNone, alBottom, Bounds(0, 230, 280, 50));
  DirTreeViewPanel = MakePanel(this, this, "DirTreeViewPanel", bvFrame, alClient);
  VScrollBar = MakeViewScrollBar(this, DirTreeViewPanel, "VScrollBar", sbVertical);
  HScrollBar = MakeViewScrollBar(this, DirTreeViewPanel, "HScrollBar", sbHorizontal);

  DirTreeView = new TspSkinDirTreeView(this);
  DirTreeView->SetName("DirTreeView");
  DirTreeView->SetObjectTypes(DirTreeView->ObjectTypes() | ShellObjectTypes({otHidden}));
  DirTreeView->SetHideSelection(false);
  DirTreeView->SetShowLines(treeShowLines);
  DirTreeView->SetButtonImageList(treeButtonImageList);
  DirTreeView->ButtonExpandImageIndex = treeButtonExpandImageIndex;
  DirTreeView->ButtonNoExpandImageIndex = treeButtonNoExpandImageIndex;
  DirTreeView->SetVScrollBar(VScrollBar);
  DirTreeView->SetHScrollBar(HScrollBar);
  DirTreeView->SetAlign(alClient);
  DirTreeView->SetParent(DirTreeViewPanel);
  DirTreeView->OnChange = [this](TObject*, TTreeNode*) { DirTreeViewChange(); };

  OkButton = MakeButton(this, "OkButton", Text("MSG_BTN_OK", "OK"), Bounds(20, 15, 70, 25));
  OkButton->SetDefault(true);
  OkButton->OnClick = [this](TObject*) { OkButtonClick(); };
  OkButton->SetParent(BottomPanel);
  CancelButton = MakeButton(this, "CancelButton", Text("MSG_BTN_CANCEL", "Cancel"), Bounds(100, 15, 70, 25), true);
  CancelButton->SetParent(BottomPanel);
}

std::string TspSelDirDlgForm::Text(const char* key, const char* builtIn) const {
  return ResourceText(CtrlSD, key, builtIn);
}

void TspSelDirDlgForm::DirTreeViewChange() {
  if (ShowToolBar && DirEdit) DirEdit->SetText(DirTreeView->Path());
}

void TspSelDirDlgForm::DirEditKeyPress(char16_t& key) {
  if (key != 13) return;
  key = 0;
  const std::string text = DirEdit->Text();
  if (!text.empty() && DirectoryExists(text)) DirTreeView->SetPath(text);
}

void TspSelDirDlgForm::NewFolderToolButtonClick() {
  if (!DirTreeView->Selected()) return;
  const std::string name = DirTreeView->Path() + "\\" + Text("MSG_NEWFOLDER", "New Folder");
  if (DirectoryExists(name) || name.find(":\\") == std::string::npos) return;
  CreateFolderOrRaise(name);
  DirTreeView->Refresh(DirTreeView->Selected());
}

void TspSelDirDlgForm::OkButtonClick() {
  TspShellFolder* f = DirTreeView->SelectedFolder();
  if (!f || f->FullObjectName().empty()) {
    MessageBeep(MB_OK);
    return;
  }
  ModalResult = mrOk;
}

// ===========================================================================
// Folder dialog component

TspSkinSelectDirectoryDialog::TspSkinSelectDirectoryDialog(TComponent* owner)
    : TspSkinDialogComponent(owner, "Select folder", 200) {}

TspSkinSelectDirectoryDialog::~TspSkinSelectDirectoryDialog() = default;

bool TspSkinSelectDirectoryDialog::Execute() {
  if (OnShow) OnShow(this);
  std::unique_ptr<TspSelDirDlgForm> form(new TspSelDirDlgForm(
      Application, FCtrlSD, ShowToolBar, ToolButtonsTransparent, FToolBarImageList, ToolButtonImageIndex,
      TreeShowLines, FTreeButtonImageList, TreeButtonExpandImageIndex, TreeButtonNoExpandImageIndex));
  FDlgFrm = form.get();
  struct TEnd {
    TspSkinSelectDirectoryDialog* self;
    ~TEnd() { self->FDlgFrm = nullptr; }
  } end{this};
  TspSelDirDlgForm* f = form.get();
  AttachDialogFrame(f, f->DSF);
  f->DirTreeViewPanel->SetSkinData(FCtrlSD);
  f->DirTreeView->SetSkinData(FCtrlSD);
  if (FCtrlSD) {
    f->DirTreeView->SetItemSkinDataName(FCtrlSD->DlgTreeViewItemSkinDataName);
    f->DirTreeView->SetDrawSkin(FCtrlSD->DlgTreeViewDrawSkin);
  }
  TFont font;
  FDefaultFont.AssignTo(&font);
  f->DirTreeView->SetDefaultFont(&font);
  f->DirTreeView->Handle();
  if (!Directory.empty() && DirectoryExists(Directory)) {
    try {
      f->DirTreeView->SetPath(Directory);
    } catch (const EInvalidPath&) {
      f->DirTreeView->ExpandMyComputer();
    }
  } else {
    f->DirTreeView->ExpandMyComputer();
  }
  f->VScrollBar->SetSkinData(FCtrlSD);
  f->HScrollBar->SetSkinData(FCtrlSD);
  f->OkButton->SetSkinData(FCtrlSD);
  f->CancelButton->SetSkinData(FCtrlSD);
  f->BottomPanel->SetSkinData(FCtrlSD);
  if (ShowToolBar) {
    f->ToolPanel->SetSkinData(FCtrlSD);
    f->NewFolderToolButton->SetSkinData(FCtrlSD);
    f->DirEdit->SetSkinData(FCtrlSD);
  }
  f->OkButton->SetDefaultFont(FDefaultFont);
  f->CancelButton->SetDefaultFont(FDefaultFont);
  SetDialogClientSize(f, f->DSF, FSD, DialogWidth >= 1 ? DialogWidth : 280, DialogHeight >= 1 ? DialogHeight : 280);
  CenterOnScreen(f);
  f->SetActiveControl(f->DirTreeView);

  if (OnDialogCreated) OnDialogCreated(f);
  const bool ok = f->ShowModal() == mrOk;
  DialogWidth = f->ClientWidth();
  DialogHeight = f->ClientHeight();
  if (ok) {
    Directory = f->DirTreeView->Path();
    if (OnChange) OnChange(this);
  }
  if (OnClose) OnClose(this);
  return ok;
}

// ===========================================================================
// Directory edit

TspSkinDirectoryEdit::TspSkinDirectoryEdit(TComponent* owner) : TspSkinDialogEdit(owner) {
  SD = new TspSkinSelectDirectoryDialog(this);
}

TspSkinDirectoryEdit::~TspSkinDirectoryEdit() = default;

void TspSkinDirectoryEdit::ButtonClick() {
  SD->Directory = Text();
  HandOnSkins(SD);
  SD->ToolButtonImageIndex = DlgToolButtonImageIndex;
  SD->ShowToolBar = DlgShowToolBar;
  SD->TreeShowLines = DlgTreeShowLines;
  SD->SetTreeButtonImageList(DlgTreeButtonImageList);
  SD->TreeButtonExpandImageIndex = DlgTreeButtonExpandImageIndex;
  SD->TreeButtonNoExpandImageIndex = DlgTreeButtonNoExpandImageIndex;
  if (SD->Execute()) SetText(SD->Directory);
}
