// The shell list, tree and look-in box on their own, the filter box and
// the path helpers.
#include "support/gtest.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/dialogs/spShellViews.h"
#include "skin/dialogs/spfilectrl.h"
#include "support/RealInput.h"
#include "tests/skin/dialogs/FileDialogsFixture.h"

using dlgtest::kRoot;

namespace {

std::vector<std::string> Names(TspCustomShellListView* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->FolderCount(); ++i) names.push_back(ExtractFileName(list->Folders(i)->PathName()));
  return names;
}

void WriteSized(const std::string& name, DWORD size) {
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  std::string data(size, 'x');
  DWORD written = 0;
  WriteFile(h, data.data(), size, &written, nullptr);
  CloseHandle(h);
}

struct TListHost {
  TForm form{nullptr};
  TspSkinFileListView* list;
  TListHost() {
    form.SetBounds(0, 0, 400, 300);
    list = new TspSkinFileListView(&form);
    list->SetAlign(alClient);
    list->SetParent(&form);
    list->Handle();
  }
};

}  // namespace

TEST(ShellListMask, PatternsDecideWhichFilesShow) {
  const struct {
    const char* mask;
    const char* file;
    bool shown;
  } cases[] = {
      {"*.jpg;*.png;*.bmp", "p1.jpg", true},  {"*.jpg;*.png;*.bmp", "P2.PNG", true},
      {"*.jpg;*.png;*.bmp", "p3.bmp", true},  {"*.jpg;*.png;*.bmp", "doc.txt", false},
      {"*", "noext", true},                   {"*", "doc.txt", true},
      {"jpg", "p1.jpg", false},               {"", "p1.jpg", false},
      {"*.*", "noext", false},                {"*.*", "doc.txt", true},
      {"*.*|*.*", "clip.mp4", true},          {"p?.jpg", "p1.jpg", true},
      {"p?.jpg", "p10.jpg", false},           {"*.txt;", "doc.txt", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.shown, TspCustomShellListView::MaskAccepts(c.mask, c.file)) << c.mask << " " << c.file;
}

TEST(ShellList, ListsAFolderAndSortsByColumns) {
  dlgtest::TTree tree;
  WriteSized(kRoot + "\\p1.jpg", 300);
  WriteSized(kRoot + "\\p2.png", 100);
  WriteSized(kRoot + "\\p3.bmp", 200);
  TListHost host;
  host.list->SetMask("*.jpg;*.png;*.bmp");
  host.list->SetPath(kRoot);
  EXPECT_EQ(5, host.list->FolderCount());
  EXPECT_EQ(5, host.list->Items()->Count());

  // Only the name column: other columns do not exist, the name still sorts.
  host.list->ColumnClick(0);
  EXPECT_EQ((std::vector<std::string>{"a", "sub1", "p1.jpg", "p2.png", "p3.bmp"}), Names(host.list));

  host.list->SetViewStyle(vsReport);
  ASSERT_GE(host.list->Columns()->Count(), 4);
  host.list->ColumnClick(1);
  EXPECT_EQ((std::vector<std::string>{"a", "sub1", "p2.png", "p3.bmp", "p1.jpg"}), Names(host.list));
  EXPECT_FALSE(host.list->SortDescending());
  host.list->ColumnClick(1);
  EXPECT_TRUE(host.list->SortDescending());
  const auto names = Names(host.list);
  EXPECT_EQ((std::vector<std::string>{"p1.jpg", "p3.bmp", "p2.png"}),
            std::vector<std::string>(names.begin(), names.begin() + 3));
  EXPECT_TRUE(host.list->Folders(3)->IsFolder() && host.list->Folders(4)->IsFolder()) << "folders last";
  // A new listing returns to folders first.
  host.list->Populate();
  EXPECT_TRUE(host.list->Folders(0)->IsFolder());
}

TEST(ShellList, RefreshKeepsTheSelectedIndexAndBackGoesUp) {
  dlgtest::TTree tree;
  TListHost host;
  host.list->SetPath(kRoot);
  const int last = host.list->Items()->Count() - 1;
  ASSERT_GT(last, 0);
  host.list->Items()->Item(last)->SetSelected(true);
  int paths = 0;
  host.list->OnPathChanged = [&](TObject*) { ++paths; };
  host.list->Refresh();
  ASSERT_TRUE(host.list->Selected());
  EXPECT_EQ(last, host.list->Selected()->Index());
  EXPECT_EQ(1, paths);
  host.list->SetPath(kRoot + "\\a\\b");
  host.list->Perform(WM_KEYDOWN, VK_BACK, 0);
  EXPECT_EQ(kRoot + "\\a", host.list->Path());
}

TEST(ShellList, DoubleClickOnAFileDoesNotNavigateButTellsTheOwner) {
  dlgtest::TTree tree;
  TListHost host;
  host.list->SetPath(kRoot);
  int clicks = 0;
  host.list->OnDblClick = [&](TObject*) { ++clicks; };
  const auto names = Names(host.list);
  const int file = static_cast<int>(std::find(names.begin(), names.end(), "doc.txt") - names.begin());
  ASSERT_LT(file, host.list->FolderCount());
  host.list->Items()->Item(file)->SetSelected(true);
  host.list->Perform(WM_LBUTTONDBLCLK, 0, 0);
  EXPECT_EQ(kRoot, host.list->Path());
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(kRoot + "\\doc.txt", host.list->GetSelectedFile());
}

TEST(ShellList, AnUnparsablePathRaises) {
  TListHost host;
  EXPECT_THROW(host.list->SetPath("Q:\\no\\such\\place"), EInvalidPath);
}

TEST(ShellTree, PathThreeLevelsDownExpandsTheAncestorsAndSelects) {
  dlgtest::TTree tree;
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 400);
  auto* view = new TspSkinDirTreeView(&form);
  view->SetAlign(alClient);
  view->SetParent(&form);
  view->Handle();
  int added = 0;
  view->SetPath(kRoot + "\\a\\b\\c");
  EXPECT_EQ(kRoot + "\\a\\b\\c", view->Path());
  TTreeNode* sel = view->Selected();
  ASSERT_TRUE(sel);
  for (TTreeNode* p = sel->Parent(); p; p = p->Parent()) EXPECT_TRUE(p->Expanded()) << p->Text();
  const int count = view->Items()->Count();
  view->SetPath(kRoot + "\\a\\b\\c");
  EXPECT_EQ(count, view->Items()->Count());

  // A handler that refuses "sub1" leaves no node for it.
  view->OnAddFolder = [&](TObject*, TspShellFolder* f, bool& canAdd) {
    ++added;
    if (ExtractFileName(f->PathName()) == "sub1") canAdd = false;
  };
  TTreeNode* rootNode = view->FindNodeByID(view->SelectedFolder()->AbsoluteID(), view->Items()->GetFirstNode());
  ASSERT_TRUE(rootNode);
  view->SetPath(kRoot);
  view->Refresh(view->Selected());
  EXPECT_GT(added, 0);
  bool sawA = false, sawSub1 = false;
  for (TTreeNode* c = view->Selected()->FirstChild(); c; c = c->NextSibling()) {
    if (c->Text() == "a") sawA = true;
    if (c->Text() == "sub1") sawSub1 = true;
  }
  EXPECT_TRUE(sawA);
  EXPECT_FALSE(sawSub1);
  EXPECT_EQ(kRoot, view->Path()) << "the selection survives the refresh";
}

TTreeNode* ChildNamed(TTreeNode* parent, const std::string& name) {
  for (TTreeNode* c = parent ? parent->FirstChild() : nullptr; c; c = c->NextSibling())
    if (c->Text() == name) return c;
  return nullptr;
}

// A shown form filled by a folder tree, over the fixture tree.
struct TTreeHost {
  dlgtest::TTree tree;
  TForm form{nullptr};
  TspSkinDirTreeView* view = new TspSkinDirTreeView(&form);
  TTreeHost() {
    form.SetBounds(40, 40, 320, 420);
    view->SetAlign(alClient);
    view->SetParent(&form);
    form.Show();
  }
};

TEST(ShellTree, ALabelTypedWithTheKeyboardRenamesTheFolderAndTheParentKeepsItsOpenFolders) {
  TTreeHost host;
  TForm& form = host.form;
  TspSkinDirTreeView* view = host.view;
  view->SetPath(kRoot + "\\a\\b");  // opens a and b
  view->SetPath(kRoot + "\\sub1");
  TTreeNode* root = view->Selected()->Parent();
  ASSERT_TRUE(root);
  ASSERT_TRUE(ChildNamed(root, "a") && ChildNamed(root, "a")->Expanded());
  std::vector<std::string> edited;
  view->OnEdited = [&](TObject*, TTreeNode*, std::string& text) { edited.push_back(text); };

  // The rename verb opens the label editor; the user types the new name
  // and confirms it with Enter.
  ASSERT_TRUE(real_input::Activate(form.Handle()));
  bool handled = false;
  view->ExecuteCommand("rename", handled);
  EXPECT_TRUE(handled);
  ASSERT_TRUE(real_input::PumpUntil([&] { return SendMessageW(view->Handle(), TVM_GETEDITCONTROL, 0, 0) != 0; }));
  real_input::TypeText("moved");
  real_input::Press(VK_RETURN);
  EXPECT_TRUE(real_input::PumpUntil([&] { return DirectoryExists(kRoot + "\\moved"); }));
  EXPECT_FALSE(DirectoryExists(kRoot + "\\sub1"));
  EXPECT_EQ((std::vector<std::string>{"moved"}), edited);
  // The parent was read again: the new name is there, the old one gone,
  // and the folders that were open are open still.
  TTreeNode* parent = nullptr;
  for (TTreeNode* n = view->Items()->GetFirstNode(); n; n = n->GetNextVisible())
    if (ChildNamed(n, "moved")) parent = n;
  ASSERT_TRUE(parent);
  EXPECT_FALSE(ChildNamed(parent, "sub1"));
  TTreeNode* a = ChildNamed(parent, "a");
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->Expanded());
  EXPECT_TRUE(ChildNamed(a, "b"));
}

TEST(ShellTree, AutoRefreshShowsAFolderMadeOutsideTheProgram) {
  TTreeHost host;
  TspSkinDirTreeView* view = host.view;
  // The watcher follows the selection: it watches the folder chosen next.
  view->SetAutoRefresh(true);
  view->SetPath(kRoot);
  TTreeNode* selected = view->Selected();
  ASSERT_TRUE(selected);
  EXPECT_FALSE(ChildNamed(selected, "fresh"));
  ForceDirectories(kRoot + "\\fresh");
  // The watcher starts on its own thread: until the tree has read the
  // folder again, each round makes one more change for it to see.
  int round = 0;
  EXPECT_TRUE(real_input::PumpUntil([&] {
    if (ChildNamed(view->Selected(), "fresh")) return true;
    const std::string poke = kRoot + "\\poke";
    if (++round % 2)
      ForceDirectories(poke);
    else
      RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(poke).c_str()));
    return false;
  }));
  view->SetAutoRefresh(false);
}

TEST(ShellComboBox, DesktopRootListsTheDrivesIndentedAndShowsAPathChain) {
  dlgtest::TTree tree;
  TForm form(nullptr);
  auto* box = new TspSkinShellComboBox(&form);
  box->SetBounds(0, 0, 200, 21);
  box->SetParent(&form);
  LPITEMIDLIST computer = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
  const int at = box->IndexOfID(computer);
  FreeIdList(computer);
  ASSERT_GE(at, 1);
  int driveC = -1;
  for (int i = at + 1; i < box->ItemsExCount() && box->ItemEx(i).Indent > box->ItemEx(at).Indent; ++i)
    if (box->ItemEx(i).Data->PathName() == "C:\\") driveC = i;
  ASSERT_GT(driveC, at);
  EXPECT_EQ(box->ItemEx(at).Indent + 1, box->ItemEx(driveC).Indent);
  EXPECT_EQ(box->ItemsExCount(), box->Items()->Count());

  box->SetPath(kRoot + "\\a\\b");
  const int sel = box->ItemIndex();
  ASSERT_GE(sel, 0);
  EXPECT_EQ(kRoot + "\\a\\b", box->Path());
  const int cIndex = [&] {
    for (int i = 0; i < box->ItemsExCount(); ++i)
      if (box->ItemEx(i).Data->PathName() == "C:\\") return i;
    return -1;
  }();
  ASSERT_GE(cIndex, 0);
  EXPECT_EQ(cIndex + 3, sel) << "three levels inserted below the drive";
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(box->ItemEx(cIndex).Indent + k, box->ItemEx(cIndex + k).Indent);
  const int count = box->ItemsExCount();
  box->SetPath(kRoot + "\\a\\b");
  EXPECT_EQ(count, box->ItemsExCount());

  // The same root name in another case changes nothing.
  box->SetRoot("RFDESKTOP");
  EXPECT_EQ(count, box->ItemsExCount());
}

TEST(ShellComboBox, ChoosingAnEntryMovesTheLinkedList) {
  dlgtest::TTree tree;
  TListHost host;
  auto* box = new TspSkinShellComboBox(&host.form);
  box->SetBounds(0, 0, 200, 21);
  box->SetParent(&host.form);
  host.list->SetShellComboBox(box);
  box->SetShellListView(host.list);
  host.list->SetPath(kRoot + "\\a\\b");
  EXPECT_EQ(kRoot + "\\a\\b", box->Path()) << "the box follows the list";
  box->SetItemIndex(box->ItemIndex() - 1);
  EXPECT_EQ(kRoot + "\\a", host.list->Path()) << "the list follows the box";
}

TEST(FilterComboBox, EntriesAndMasks) {
  const struct {
    const char* filter;
    std::vector<std::string> names;
    std::vector<std::string> masks;
  } cases[] = {
      {"All files (*.*)|*.*", {"All files (*.*)"}, {"*.*"}},
      {"Image files|*.jpg;*.png;*.bmp|Texts", {"Image files"}, {"*.jpg;*.png;*.bmp"}},
      {"A|*.a|B|*.b", {"A", "B"}, {"*.a", "*.b"}},
      {"no bar at all", {}, {}},
  };
  for (const auto& c : cases) {
    TspSkinFilterComboBox box(nullptr);
    box.SetFilter(c.filter);
    std::vector<std::string> names, masks;
    for (int i = 0; i < box.Items()->Count(); ++i) names.push_back(box.Items()->Get(i));
    for (int i = 0; i < box.MaskList()->Count(); ++i) masks.push_back(box.MaskList()->Get(i));
    EXPECT_EQ(c.names, names) << c.filter;
    EXPECT_EQ(c.masks, masks) << c.filter;
    if (c.masks.empty()) {
      EXPECT_EQ("*.*", box.Mask());
    } else {
      EXPECT_EQ(0, box.ItemIndex()) << "entry 0 is selected, window or not";
      EXPECT_EQ(c.masks[0], box.Mask());
    }
  }
  TspSkinFilterComboBox box(nullptr);
  box.SetFilter("A|*.a|B|*.b");
  box.SetItemIndex(1);
  EXPECT_EQ("*.b", box.Mask());
}

TEST(PathHelpers, JoinCutMinimizeAndProcess) {
  EXPECT_EQ("C:\\x\\y", JoinPath("C:\\x", "y"));
  EXPECT_EQ("C:\\y", JoinPath("C:\\", "y"));
  std::string p = "\\one\\two\\three\\";
  CutFirstFolder(p);
  EXPECT_EQ("\\...\\two\\three\\", p);
  CutFirstFolder(p);
  EXPECT_EQ("\\...\\three\\", p);
  p = "\\";
  CutFirstFolder(p);
  EXPECT_EQ("", p);

  TBitmap bmp;
  bmp.SetSize(10, 10);
  TCanvas* canvas = bmp.Canvas();
  const std::string full = "C:\\alpha\\beta\\gamma\\file.txt";
  EXPECT_EQ(full, MinimizePathName(full, canvas, 10000));
  const std::string shorter = MinimizePathName(full, canvas, canvas->TextWidth(full) - 1);
  EXPECT_EQ("C:\\...\\beta\\gamma\\file.txt", shorter);
  EXPECT_EQ("file.txt", MinimizePathName(full, canvas, 1));

  dlgtest::TTree tree;
  WCHAR saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(kRoot + "\\a\\b").c_str()));
  char drive = 0;
  std::string dir, file;
  ProcessPath("..\\*.txt", drive, dir, file);
  EXPECT_EQ('C', drive);
  // The folder part stays relative: it resolves against the folder the
  // caller is in (the helper leaves the current folder as it was).
  EXPECT_EQ("..", dir);
  EXPECT_EQ("*.txt", file);
  ProcessPath(kRoot + "\\sub1", drive, dir, file);
  EXPECT_EQ("\\tv_fixture_dlg\\sub1", dir) << "a name that is a folder joins the folder part";
  EXPECT_EQ("", file);
  WCHAR now[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_EQ(kRoot + "\\a\\b", UTF16ToUTF8(reinterpret_cast<const char16_t*>(now))) << "the current folder is restored";
  SetCurrentDirectoryW(saved);
  EXPECT_EQ("[", VolumeLabelText('c').substr(0, 1));
}

// ---------------------------------------------------------------- plain file controls

namespace {

// The controls move the process's current folder; the fixture folder must
// not stay current when it is removed.
struct TKeepCurrentDir {
  WCHAR saved[MAX_PATH + 1] = {};
  TKeepCurrentDir() { GetCurrentDirectoryW(MAX_PATH, saved); }
  ~TKeepCurrentDir() { SetCurrentDirectoryW(saved); }
};

std::vector<std::string> ItemsOf(TStrings* items) {
  std::vector<std::string> v;
  for (int i = 0; i < items->Count(); ++i) v.push_back(items->Get(i));
  return v;
}

}  // namespace

TEST(FileControls, FileListMasksFolderEntriesAndLinks) {
  dlgtest::TTree tree;
  TKeepCurrentDir keep;
  TForm form(nullptr);
  auto* files = new TspSkinFileListBox(&form);
  files->SetParent(&form);
  files->Handle();
  files->SetDirectory(kRoot);
  files->SetMask("*.jpg;*.png");
  EXPECT_EQ((std::vector<std::string>{"p1.jpg", "p2.png"}), ItemsOf(files->Items()));
  files->SetMask("*.*");
  files->SetFileType(FileTypeOf({spftNormal, spftDirectory}));
  auto all = ItemsOf(files->Items());
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "[a]"));
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "[sub1]"));

  // A filter box linked to the list gives it its mask.
  auto* filter = new TspSkinFilterComboBox(&form);
  filter->SetParent(&form);
  filter->SetFilter("Pictures|*.bmp|Texts|*.txt");
  filter->SetFileList(files);
  filter->SetItemIndex(1);
  EXPECT_EQ("*.txt", files->Mask());
  EXPECT_EQ((std::vector<std::string>{"doc.txt"}), ItemsOf(files->Items()));
  files->SetItemIndex(0);
  EXPECT_EQ(kRoot + "\\doc.txt", files->FileName());

  // A relative parent path ending in a pattern moves up and takes the mask.
  files->SetFileType(FileTypeOf({spftNormal}));
  files->SetDirectory(kRoot + "\\a");
  files->ApplyFilePath("..\\*.png");
  EXPECT_EQ(kRoot, files->Directory());
  EXPECT_EQ("*.png", files->Mask());
  EXPECT_EQ((std::vector<std::string>{"p2.png"}), ItemsOf(files->Items()));
}

TEST(FileControls, FolderListShowsThePathThenTheSubFoldersAndDrivesTheFileList) {
  dlgtest::TTree tree;
  TKeepCurrentDir keep;
  ForceDirectories(kRoot + "\\a\\zeta");
  ForceDirectories(kRoot + "\\a\\alpha");
  TForm form(nullptr);
  auto* dirs = new TspSkinDirectoryListBox(&form);
  dirs->SetParent(&form);
  auto* files = new TspSkinFileListBox(&form);
  files->SetParent(&form);
  files->Handle();
  dirs->SetFileList(files);
  dirs->Handle();
  dirs->SetDirectory(kRoot + "\\a");
  EXPECT_EQ((std::vector<std::string>{"C:\\", "tv_fixture_dlg", "a", "alpha", "b", "zeta"}), ItemsOf(dirs->Items()));
  EXPECT_EQ(2, dirs->ItemIndex());
  EXPECT_EQ(2, dirs->CurrentIndex());
  EXPECT_EQ("C:\\", dirs->GetItemPath(0));
  EXPECT_EQ(kRoot, dirs->GetItemPath(1));
  EXPECT_EQ(kRoot + "\\a", dirs->GetItemPath(2));
  EXPECT_EQ(kRoot + "\\a\\b", dirs->GetItemPath(4));
  EXPECT_EQ("", dirs->GetItemPath(6));
  EXPECT_EQ(kRoot + "\\a", files->Directory()) << "the file list follows";
  EXPECT_LT(dirs->ItemIndent(1), dirs->ItemIndent(2));
  EXPECT_GT(dirs->ItemIndent(3), dirs->ItemIndent(2));
  dirs->SetItemIndex(1);
  dirs->OpenCurrent();
  EXPECT_EQ(kRoot, dirs->Directory());
  EXPECT_EQ(kRoot, files->Directory());
}

TEST(FileControls, DriveBoxLettersFollowTheTextCase) {
  TForm form(nullptr);
  auto* drives = new TspSkinDriveComboBox(&form);
  drives->SetParent(&form);
  drives->Handle();
  auto hasDrive = [&](const std::string& prefix) {
    for (int i = 0; i < drives->Items()->Count(); ++i)
      if (drives->Items()->Get(i).compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  };
  EXPECT_TRUE(hasDrive("c: ["));
  drives->SetTextCase(tcUpperCase);
  EXPECT_TRUE(hasDrive("C: ["));
  EXPECT_FALSE(hasDrive("c:"));
  drives->SetDrive('c');
  EXPECT_EQ('C', drives->Drive());
  ASSERT_GE(drives->ItemIndex(), 0);
  EXPECT_EQ('C', drives->Items()->Get(drives->ItemIndex())[0]);
}
