// The open dialog and the folder dialog driven from inside their modal
// loops on a fixture tree: the filtered listing, navigation and history,
// typed names, new folders, what persists between runs, and the file and
// directory edits that run them.
#include "support/gtest.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/dialogs/spFileDialogs.h"
#include "tests/skin/dialogs/FileDialogsFixture.h"

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
