// The open dialog and the folder dialog driven from inside their modal
// loops on a fixture tree: the filtered listing, navigation and history,
// typed names, new folders, what persists between runs, and the file and
// directory edits that run them.
#include "support/gtest.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "support/RealInput.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/data/SkinData.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/dialogs/spFileDialogs.h"
#include "tests/skin/dialogs/FileDialogsFixture.h"
#include "support/SkinParts.h"

using dlgtest::kRoot;
using dlgtest::TModalScript;

namespace {

class OpenDialogTest : public ::testing::Test {
protected:
  dlgtest::TTree tree;
  TspSkinOpenDialog dialog{nullptr};
  void SetUp() override {
    dialog.Filter = "Image files|*.jpg;*.png;*.bmp|All files|*.*";
    dialog.InitialDir = kRoot;
  }
  // Runs the dialog with `script` acting inside its loop.
  bool Run(const std::function<void(TspOpenDlgForm*)>& script, std::string* error = nullptr) {
    TspOpenDlgForm* form = nullptr;
    TModalScript driver([&]() { script(form); });
    dialog.OnDialogCreated = [&](TspOpenDlgForm* f) {
      form = f;
      driver.Arm(f);
    };
    const bool ok = dialog.Execute();
    if (error) *error = driver.Error;
    EXPECT_EQ("", driver.Error);
    return ok;
  }
};

std::vector<std::string> Names(TspCustomShellListView* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->FolderCount(); ++i) names.push_back(ExtractFileName(list->Folders(i)->PathName()));
  return names;
}

int IndexOfName(TspCustomShellListView* list, const std::string& name) {
  for (int i = 0; i < list->FolderCount(); ++i)
    if (ExtractFileName(list->Folders(i)->PathName()) == name) return i;
  return -1;
}

void Select(TspCustomShellListView* list, const std::string& name) {
  const int i = IndexOfName(list, name);
  ASSERT_GE(i, 0) << name;
  list->Items()->Item(i)->SetSelected(true);
}

// The program's own skin, for the frame and the controls.
struct ProgramSkin {
  TspSkinData data{nullptr};
  ProgramSkin() { data.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini"); }
};

// A skin made in code whose list item pictures have colours of their own:
// a plain row, a selected row (not focused) and a focused one.
constexpr COLORREF kRow = RGB(0x10, 0x20, 0x30), kSelectedRow = RGB(0x20, 0xA0, 0x40),
                   kFocusedRow = RGB(0xC0, 0x30, 0xB0);
struct ItemSkin {
  TspSkinData data{nullptr};
  ItemSkin() {
    TspPicture p = SolidPicture(60, 16, 0);
    auto fill = [&](int l, COLORREF c) {
      for (int y = 0; y < 16; ++y)
        for (int x = l; x < l + 20; ++x)
          p.Pixels[size_t(y) * p.Width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    };
    fill(0, kRow);
    fill(20, kSelectedRow);
    fill(40, kFocusedRow);
    data.FActivePictures.push_back(std::move(p));
    auto lb = std::make_unique<TspDataSkinListBox>("listbox");
    lb->PictureIndex = 0;
    lb->SItemRect = TspRect{0, 0, 20, 16};
    lb->ActiveItemRect = TspRect{20, 0, 40, 16};
    lb->FocusItemRect = TspRect{40, 0, 60, 16};
    lb->ItemTextRect = TspRect{2, 2, 18, 14};
    lb->FontColor = 0xFFFFFF;
    lb->ActiveFontColor = 0xFFFFFF;
    lb->FocusFontColor = 0xFFFFFF;
    data.CtrlList.push_back(std::move(lb));
    data.Empty = false;
  }
};

// The screen colour just right of a shown list item's caption, inside the
// row's selection area.
COLORREF RowColour(TspCustomShellListView* list, int index) {
  TRect label = list->Items()->Item(index)->DisplayRect(drLabel);
  int y = (label.Top + label.Bottom) / 2;
  return real_input::ScreenPixel(list->Handle(), label.Left + 1, y);
}

}  // namespace

TEST_F(OpenDialogTest, ListsSubFoldersFirstThenOnlyTheFilteredKinds) {
  std::vector<std::string> names;
  bool foldersFirst = false;
  std::string mask;
  Run([&](TspOpenDlgForm* f) {
    names = Names(f->FileListView);
    foldersFirst = f->FileListView->FolderCount() >= 2 && f->FileListView->Folders(0)->IsFolder() &&
                   f->FileListView->Folders(1)->IsFolder();
    mask = f->FileListView->Mask();
    EXPECT_EQ(kRoot, f->FileListView->Path());
    EXPECT_EQ(0, f->FilterComboBox->ItemIndex());
    EXPECT_EQ("Image files", f->FilterComboBox->Text());
    EXPECT_EQ("Open file", f->Caption());
    EXPECT_EQ(450, f->ClientWidth());
    EXPECT_EQ(290, f->ClientHeight());
    for (const char* name : {"FileListView", "FileNameEdit", "FilterComboBox", "ShellBox", "OpenButton",
                             "CancelButton", "BackToolButton", "UpToolButton", "NewFolderToolButton",
                             "StyleToolButton"})
      EXPECT_TRUE(f->FindComponent(name)) << name;
    // Without an image list the tool buttons carry the library's glyphs.
    EXPECT_FALSE(f->BackToolButton->Glyph()->Empty());
    EXPECT_FALSE(f->StyleToolButton->Glyph()->Empty());
    EXPECT_EQ(kRoot, f->ShellBox->Path()) << "the look-in box shows the listed folder";
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ("*.jpg;*.png;*.bmp", mask);
  ASSERT_EQ(5u, names.size());
  EXPECT_TRUE(foldersFirst);
  EXPECT_EQ((std::vector<std::string>{"a", "sub1"}), std::vector<std::string>(names.begin(), names.begin() + 2));
  std::vector<std::string> files(names.begin() + 2, names.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ((std::vector<std::string>{"p1.jpg", "p2.png", "p3.bmp"}), files);
}

TEST_F(OpenDialogTest, EnterOnAFolderNavigatesAndBackReturns) {
  std::vector<std::string> visited;
  Run([&](TspOpenDlgForm* f) {
    auto* list = f->FileListView;
    Select(list, "a");
    // A real key through the window's loop: the list keeps Enter for itself.
    list->SetFocus();
    PostMessageW(list->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(list->Handle(), WM_KEYUP, VK_RETURN, 0xC0000001);
    Application->ProcessMessages();
    visited.push_back(list->Path());
    Select(list, "b");
    list->Perform(WM_KEYDOWN, VK_RETURN, 0);
    visited.push_back(list->Path());
    Select(list, "c");
    list->Perform(WM_KEYDOWN, VK_RETURN, 0);
    visited.push_back(list->Path());
    EXPECT_EQ(4u, f->FolderHistory.size());
    f->BackToolButtonClick();
    visited.push_back(list->Path());
    f->BackToolButtonClick();
    visited.push_back(list->Path());
    f->BackToolButtonClick();
    visited.push_back(list->Path());
    f->BackToolButtonClick();  // only the start folder is left: nothing happens
    visited.push_back(list->Path());
    // Up goes to the parent without touching the history.
    f->UpToolButtonClick();
    visited.push_back(list->Path());
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ((std::vector<std::string>{kRoot + "\\a", kRoot + "\\a\\b", kRoot + "\\a\\b\\c", kRoot + "\\a\\b",
                                      kRoot + "\\a", kRoot, kRoot, "C:\\"}),
            visited);
}

TEST_F(OpenDialogTest, TypedNamePlusOpenGivesTheFileNameAndTheFileList) {
  const bool ok = Run([&](TspOpenDlgForm* f) {
    f->FileNameEdit->SetText("p2.png");
    f->OpenButtonClick();
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(kRoot + "\\p2.png", dialog.FileName());
  ASSERT_EQ(1, dialog.Files()->Count());
  EXPECT_EQ(kRoot + "\\p2.png", dialog.Files()->Get(0));
}

TEST_F(OpenDialogTest, TypedNameGainsTheFilterExtensionAndAMissingFileKeepsTheWindowOpen) {
  int afterMissing = -1;
  const bool ok = Run([&](TspOpenDlgForm* f) {
    f->FileNameEdit->SetText("nothere");
    f->OpenButtonClick();
    afterMissing = f->ModalResult;
    f->FileNameEdit->SetText("p1");  // gains ".jpg" from the selected filter
    f->OpenButtonClick();
  });
  EXPECT_EQ(0, afterMissing);
  EXPECT_TRUE(ok);
  EXPECT_EQ(kRoot + "\\p1.jpg", dialog.FileName());
}

TEST_F(OpenDialogTest, SelectedFilesAndEnterInTheList) {
  dialog.MultiSelection = true;
  const bool ok = Run([&](TspOpenDlgForm* f) {
    Select(f->FileListView, "p3.bmp");
    Select(f->FileListView, "p1.jpg");
    Select(f->FileListView, "a");  // a folder among the selection is not a file
    EXPECT_EQ("p1.jpg", f->FileNameEdit->Text()) << "a selected file shows its name";
    f->OpenButtonClick();
  });
  ASSERT_TRUE(ok);
  std::vector<std::string> files;
  for (int i = 0; i < dialog.Files()->Count(); ++i) files.push_back(ExtractFileName(dialog.Files()->Get(i)));
  std::sort(files.begin(), files.end());
  EXPECT_EQ((std::vector<std::string>{"p1.jpg", "p3.bmp"}), files);
}

TEST_F(OpenDialogTest, TypedMaskFiltersWithoutChangingTheFilterBoxAndTypedFolderNavigates) {
  std::vector<std::string> names;
  int filterIndex = -1;
  std::string path;
  Run([&](TspOpenDlgForm* f) {
    f->FileNameEdit->SetText("*.png");
    char16_t enter = 13;
    f->EditKeyPress(enter);
    names = Names(f->FileListView);
    filterIndex = f->FilterComboBox->ItemIndex();
    f->FileNameEdit->SetText(kRoot + "\\sub1");
    enter = 13;
    f->EditKeyPress(enter);
    path = f->FileListView->Path();
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ((std::vector<std::string>{"a", "sub1", "p2.png"}), names);
  EXPECT_EQ(0, filterIndex);
  EXPECT_EQ(kRoot + "\\sub1", path);
}

TEST_F(OpenDialogTest, FilterChoiceChangesTheListAndPersistsWithSizeAndViewStyle) {
  std::vector<std::string> names;
  Run([&](TspOpenDlgForm* f) {
    f->FilterComboBox->SetItemIndex(1);  // All files: "*.*" hides the extension-less file
    names = Names(f->FileListView);
    f->ReportMenuItem->OnClick(f->ReportMenuItem);
    SetWindowPos(f->Handle(), nullptr, 0, 0, f->Width() + 40, f->Height() + 30, SWP_NOMOVE | SWP_NOZORDER);
    f->ModalResult = mrCancel;
  });
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"a", "clip.mp4", "doc.txt", "p1.jpg", "p2.png", "p3.bmp", "sub1"}), names);
  EXPECT_EQ(2, dialog.FilterIndex);
  EXPECT_EQ(vsReport, dialog.ListViewStyle);
  EXPECT_EQ(490, dialog.DialogWidth);
  EXPECT_EQ(320, dialog.DialogHeight);

  int index = -1, w = 0, h = 0;
  TViewStyle style = vsIcon;
  bool checked = false;
  int columns = 0;
  Run([&](TspOpenDlgForm* f) {
    index = f->FilterComboBox->ItemIndex();
    w = f->ClientWidth();
    h = f->ClientHeight();
    style = f->FileListView->ViewStyle();
    checked = f->ReportMenuItem->Checked();
    columns = f->FileListView->Columns()->Count();
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ(1, index);
  EXPECT_EQ(490, w);
  EXPECT_EQ(320, h);
  EXPECT_EQ(vsReport, style);
  EXPECT_TRUE(checked);
  EXPECT_GE(columns, 4);
}

TEST_F(OpenDialogTest, NewFolderNamesCountWithoutASpace) {
  ForceDirectories(kRoot + "\\sub1\\New Folder");
  std::vector<bool> made;
  Run([&](TspOpenDlgForm* f) {
    f->FileListView->SetPath(kRoot + "\\sub1");
    f->NewFolderToolButtonClick();  // the plain name exists: nothing new
    made.push_back(DirectoryExists(kRoot + "\\sub1\\New Folder(2)"));
    f->NewFolderToolButtonClick();
    made.push_back(DirectoryExists(kRoot + "\\sub1\\New Folder(2)"));
    made.push_back(IndexOfName(f->FileListView, "New Folder(2)") >= 0);
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ((std::vector<bool>{false, true, true}), made);
}

TEST_F(OpenDialogTest, StartFolderComesFromTheFileNameThenTheInitialFolder) {
  dialog.SetFileName(kRoot + "\\a\\b\\pic.jpg");
  std::string path, edit;
  Run([&](TspOpenDlgForm* f) {
    path = f->FileListView->Path();
    edit = f->FileNameEdit->Text();
    f->ModalResult = mrCancel;
  });
  EXPECT_EQ(kRoot + "\\a\\b", path);
  EXPECT_EQ("pic.jpg", edit);
  dialog.SetFileName("");
  dialog.InitialDir = kRoot + "\\missing";
  Run([&](TspOpenDlgForm* f) {
    path = f->FileListView->Path();
    f->ModalResult = mrCancel;
  });
  EXPECT_NE(kRoot + "\\missing", path);
  EXPECT_FALSE(path.empty());
}

TEST(FileEdit, WithoutTheExistenceCheckATypedNameGainsTheFilterExtension) {
  dlgtest::TTree tree;
  TForm host(nullptr);
  auto* edit = new TspSkinFileEdit(&host);
  edit->SetParent(&host);
  edit->Handle();
  edit->SetFilter("Image files|*.jpg;*.png;*.bmp");
  edit->DlgInitialDir = kRoot;
  bool changed = false;
  edit->OnChange = [&](TObject*) { changed = true; };
  TModalScript driver([&]() {
    TspOpenDlgForm* f = edit->Dialog()->DlgFrm();
    f->FileNameEdit->SetText("newpic");
    f->OpenButtonClick();
  });
  edit->Dialog()->OnDialogCreated = [&](TspOpenDlgForm* f) { driver.Arm(f); };
  edit->ButtonClick();
  EXPECT_EQ("", driver.Error);
  EXPECT_EQ(kRoot + "\\newpic.jpg", edit->Text());
  EXPECT_TRUE(changed);
  EXPECT_TRUE(edit->ButtonMode());
  EXPECT_EQ("buttonedit", edit->SkinDataName());
}

// A skin or image list handed to the edits or the folder dialog and freed
// afterwards is forgotten: the next click cannot reach it.
TEST(FileEdit, SkinsAndImageListsHandedOnAreForgottenWhenFreed) {
  TForm host(nullptr);
  auto* file = new TspSkinFileEdit(&host);
  auto* folder = new TspSkinDirectoryEdit(&host);
  auto* skin = new TspSkinData(nullptr);
  auto* images = new TCustomImageList(nullptr, 16, 16);
  file->DlgSkinData.Set(skin);
  file->DlgCtrlSkinData.Set(skin);
  file->DlgToolBarImageList.Set(images);
  folder->DlgCtrlSkinData.Set(skin);
  folder->DlgTreeButtonImageList.Set(images);
  folder->Dialog()->SetToolBarImageList(images);
  folder->Dialog()->SetTreeButtonImageList(images);
  delete skin;
  delete images;
  EXPECT_EQ(nullptr, file->DlgSkinData.Get());
  EXPECT_EQ(nullptr, file->DlgCtrlSkinData.Get());
  EXPECT_EQ(nullptr, file->DlgToolBarImageList.Get());
  EXPECT_EQ(nullptr, folder->DlgCtrlSkinData.Get());
  EXPECT_EQ(nullptr, folder->DlgTreeButtonImageList.Get());
  EXPECT_EQ(nullptr, folder->Dialog()->ToolBarImageList());
  EXPECT_EQ(nullptr, folder->Dialog()->TreeButtonImageList());
}

// ---------------------------------------------------------------- folder dialog

namespace {

LPITEMIDLIST ComputerID() {
  LPITEMIDLIST id = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &id);
  return id;
}

}  // namespace

TEST(DirectoryEdit, EmptyEditOpensAtTheComputerAndOkOnAFolderFillsTheEdit) {
  dlgtest::TTree tree;
  TForm host(nullptr);
  auto* edit = new TspSkinDirectoryEdit(&host);
  edit->SetParent(&host);
  edit->SetReadOnly(true);
  EXPECT_EQ("", edit->Text()) << "the component name is not copied into the text";
  bool atComputer = false, driveC = false;
  int afterVirtualOk = -1;
  TModalScript driver([&]() {
    TspSelDirDlgForm* f = edit->Dialog()->DlgFrm();
    TspShellFolder* sel = f->DirTreeView->SelectedFolder();
    LPITEMIDLIST computer = ComputerID();
    atComputer = sel && IdListsEqual(sel->AbsoluteID(), computer);
    FreeIdList(computer);
    TTreeNode* node = f->DirTreeView->Selected();
    for (TTreeNode* c = node ? node->FirstChild() : nullptr; c; c = c->NextSibling())
      if (c->Text().find("C:") != std::string::npos) driveC = true;
    // The computer has no file-system path: OK keeps the window open.
    f->OkButtonClick();
    afterVirtualOk = f->ModalResult;
    f->DirTreeView->SetPath(kRoot + "\\a\\b");
    f->OkButtonClick();
  });
  edit->Dialog()->OnDialogCreated = [&](TspSelDirDlgForm* f) { driver.Arm(f); };
  edit->ButtonClick();
  EXPECT_EQ("", driver.Error);
  EXPECT_TRUE(atComputer);
  EXPECT_TRUE(driveC);
  EXPECT_EQ(0, afterVirtualOk);
  EXPECT_EQ(kRoot + "\\a\\b", edit->Text());
}

TEST(DirectoryEdit, OkUnchangedReturnsTheStartFolderAndCancelLeavesTheEdit) {
  dlgtest::TTree tree;
  TForm host(nullptr);
  auto* edit = new TspSkinDirectoryEdit(&host);
  edit->SetParent(&host);
  edit->SetText(kRoot + "\\a");
  std::string selected;
  TModalScript cancel([&]() {
    TspSelDirDlgForm* f = edit->Dialog()->DlgFrm();
    selected = f->DirTreeView->Path();
    f->DirTreeView->SetPath(kRoot + "\\sub1");
    f->ModalResult = mrCancel;
  });
  edit->Dialog()->OnDialogCreated = [&](TspSelDirDlgForm* f) { cancel.Arm(f); };
  edit->ButtonClick();
  EXPECT_EQ(kRoot + "\\a", selected);
  EXPECT_EQ(kRoot + "\\a", edit->Text());
  EXPECT_EQ(kRoot + "\\a", edit->Dialog()->Directory);

  TModalScript ok([&]() { edit->Dialog()->DlgFrm()->OkButtonClick(); });
  edit->Dialog()->OnDialogCreated = [&](TspSelDirDlgForm* f) { ok.Arm(f); };
  edit->ButtonClick();
  EXPECT_EQ(kRoot + "\\a", edit->Text());
}

TEST(FolderDialog, ToolBarPathEditAndNewFolder) {
  dlgtest::TTree tree;
  TspSkinSelectDirectoryDialog dialog(nullptr);
  dialog.ShowToolBar = true;
  dialog.Directory = kRoot;
  std::string afterMissing, afterExisting, editText;
  bool made = false, virtualMade = false;
  TModalScript driver([&]() {
    TspSelDirDlgForm* f = dialog.DlgFrm();
    ASSERT_TRUE(f->DirEdit);
    editText = f->DirEdit->Text();
    f->DirEdit->SetText(kRoot + "\\nothere");
    char16_t enter = 13;
    f->DirEditKeyPress(enter);
    afterMissing = f->DirTreeView->Path();
    f->DirEdit->SetText(kRoot + "\\sub1");
    enter = 13;
    f->DirEditKeyPress(enter);
    afterExisting = f->DirTreeView->Path();
    f->NewFolderToolButtonClick();
    made = DirectoryExists(kRoot + "\\sub1\\New Folder");
    f->DirTreeView->ExpandMyComputer();
    f->NewFolderToolButtonClick();  // no drive path at the computer: nothing
    f->DirTreeView->SetPath(kRoot + "\\sub1\\New Folder");
    f->OkButtonClick();
  });
  dialog.OnDialogCreated = [&](TspSelDirDlgForm* f) { driver.Arm(f); };
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ("", driver.Error);
  EXPECT_EQ(kRoot, editText);
  EXPECT_EQ(kRoot, afterMissing);
  EXPECT_EQ(kRoot + "\\sub1", afterExisting);
  EXPECT_TRUE(made);
  EXPECT_FALSE(virtualMade);
  EXPECT_EQ(kRoot + "\\sub1\\New Folder", dialog.Directory);
}

TEST_F(OpenDialogTest, TheListDrawsItsRowsFromTheSkinsItemPictures) {
  ItemSkin skin;
  dialog.SetCtrlSkinData(&skin.data);
  bool drawSkin = false;
  std::string itemName;
  COLORREF selected = 0, focused = 0;
  Run([&](TspOpenDlgForm* f) {
    auto* list = f->FileListView;
    drawSkin = list->DrawSkin();
    itemName = list->ItemSkinDataName();
    ASSERT_TRUE(real_input::Activate(f->Handle()));
    const int i = IndexOfName(list, "p2.png");
    ASSERT_GE(i, 0);
    Select(list, "p2.png");
    real_input::PumpUntil([&] { return (selected = RowColour(list, i)) == kSelectedRow; });
    list->SetFocus();
    real_input::PumpUntil([&] { return (focused = RowColour(list, i)) == kFocusedRow; });
    real_input::SaveShot(f->Handle(), "open-dialog-synthetic-skin.png");
    f->ModalResult = mrCancel;
  });
  EXPECT_TRUE(drawSkin);
  EXPECT_EQ("listbox", itemName);
  EXPECT_EQ(kSelectedRow, selected) << std::hex << selected;
  EXPECT_EQ(kFocusedRow, focused) << std::hex << focused;

  // The skin data can turn the dialogs' skinned drawing off.
  skin.data.DlgListViewDrawSkin = false;
  Run([&](TspOpenDlgForm* f) {
    drawSkin = f->FileListView->DrawSkin();
    f->ModalResult = mrCancel;
  });
  EXPECT_FALSE(drawSkin);
}

TEST_F(OpenDialogTest, WithTheProgramsSkinANameTypedAndConfirmedWithEnterOpens) {
  ProgramSkin skin;
  ASSERT_FALSE(skin.data.Empty);
  dialog.SetSkinData(&skin.data);
  dialog.SetCtrlSkinData(&skin.data);
  dialog.DialogWidth = 60;  // below what the skin's frame allows
  dialog.DialogHeight = 40;
  bool drawSkin = false;
  int minWidth = 0, minHeight = 0, width = 0, height = 0;
  COLORREF selected = 0, plain = 0;
  std::string typed;
  const bool ok = Run([&](TspOpenDlgForm* f) {
    drawSkin = f->FileListView->DrawSkin();
    minWidth = f->DSF->GetMinWidth();
    minHeight = f->DSF->GetMinHeight();
    width = f->ClientWidth();
    height = f->ClientHeight();
    // Make room to see the list.
    f->SetBounds(f->Left(), f->Top(), 520, 380);
    auto* list = f->FileListView;
    ASSERT_TRUE(real_input::Activate(f->Handle()));
    const int i = IndexOfName(list, "p3.bmp"), j = IndexOfName(list, "p1.jpg");
    ASSERT_GE(i, 0);
    ASSERT_GE(j, 0);
    Select(list, "p3.bmp");
    real_input::PumpUntil([&] {
      selected = RowColour(list, i);
      plain = RowColour(list, j);
      return selected != plain && selected != GetSysColor(COLOR_HIGHLIGHT);
    });
    real_input::SaveShot(f->Handle(), "open-dialog-program-skin.png");
    list->Items()->Item(i)->SetSelected(false);  // the typed name is the choice
    // The user types a name into the edit and confirms it with Enter.
    ASSERT_TRUE(f->FileNameEdit->SetFocus());
    f->FileNameEdit->SelectAll();
    real_input::TypeText("p1.jpg");
    real_input::PumpUntil([&] { return f->FileNameEdit->Text() == "p1.jpg"; });
    typed = f->FileNameEdit->Text();
    real_input::Press(VK_RETURN);
    real_input::PumpUntil([&] { return f->ModalResult != mrNone; });
  });
  EXPECT_TRUE(drawSkin);
  EXPECT_GE(width, minWidth);
  EXPECT_GE(height, minHeight);
  EXPECT_GT(minWidth, 60);
  EXPECT_NE(GetSysColor(COLOR_HIGHLIGHT), selected) << "the selected row is the skin's picture";
  EXPECT_NE(plain, selected);
  EXPECT_EQ("p1.jpg", typed);
  EXPECT_TRUE(ok);
  EXPECT_EQ(kRoot + "\\p1.jpg", dialog.FileName());
}

TEST(FolderDialog, TheTreeIsSkinnedAndArrowsAndEnterChooseAFolder) {
  dlgtest::TTree tree;
  ItemSkin items;
  ProgramSkin frame;
  ASSERT_FALSE(frame.data.Empty);
  TspSkinSelectDirectoryDialog dialog(nullptr);
  dialog.SetSkinData(&frame.data);
  dialog.SetCtrlSkinData(&items.data);
  dialog.Directory = kRoot + "\\a";
  dialog.DialogWidth = 50;
  dialog.DialogHeight = 50;
  bool drawSkin = false;
  int minWidth = 0, width = 0;
  COLORREF selected = 0;
  std::string chosen;
  TModalScript driver([&]() {
    TspSelDirDlgForm* f = dialog.DlgFrm();
    auto* treeView = f->DirTreeView;
    drawSkin = treeView->DrawSkin();
    minWidth = f->DSF->GetMinWidth();
    width = f->ClientWidth();
    f->SetBounds(f->Left(), f->Top(), 320, 360);
    ASSERT_TRUE(real_input::Activate(f->Handle()));
    ASSERT_TRUE(treeView->SetFocus());
    // The selected folder shows the skin's focused row picture.
    real_input::PumpUntil([&] {
      TTreeNode* n = treeView->Selected();
      if (!n) return false;
      TRect r = n->DisplayRect(true);
      selected = real_input::ScreenPixel(treeView->Handle(), r.Left + 1, (r.Top + r.Bottom) / 2);
      return selected == kFocusedRow;
    });
    real_input::SaveShot(f->Handle(), "folder-dialog-synthetic-items.png");
    // The start folder shows opened: one step down is its sub-folder,
    // confirmed with Enter.
    real_input::Press(VK_DOWN);
    real_input::PumpUntil([&] { return treeView->Path() == kRoot + "\\a\\b"; });
    chosen = treeView->Path();
    real_input::Press(VK_RETURN);
    real_input::PumpUntil([&] { return f->ModalResult != mrNone; });
  });
  dialog.OnDialogCreated = [&](TspSelDirDlgForm* f) { driver.Arm(f); };
  const bool ok = dialog.Execute();
  EXPECT_EQ("", driver.Error);
  EXPECT_TRUE(drawSkin);
  EXPECT_GE(width, minWidth);
  EXPECT_EQ(kFocusedRow, selected) << std::hex << selected;
  EXPECT_EQ(kRoot + "\\a\\b", chosen);
  EXPECT_TRUE(ok);
  EXPECT_EQ(kRoot + "\\a\\b", dialog.Directory);
}
