// The shell namespace helpers: item identifier lists built by hand, the
// display-name rules through a folder of our own, and the real shell on a
// fixture folder tree under C:\ of the test prefix.
#include "support/gtest.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/ShellFolders.h"
#include "skin/dialogs/spSkinShellCtrls.h"

namespace {

// A list of items of the given sizes; item i is filled with byte i + 1.
LPITEMIDLIST MakeList(const std::vector<int>& sizes) {
  size_t total = 2;
  for (int s : sizes) total += static_cast<size_t>(s);
  LPITEMIDLIST list = AllocIdList(total);
  BYTE* p = reinterpret_cast<BYTE*>(list);
  for (size_t i = 0; i < sizes.size(); ++i) {
    USHORT cb = static_cast<USHORT>(sizes[i]);
    memcpy(p, &cb, 2);
    memset(p + 2, static_cast<int>(i + 1), static_cast<size_t>(cb - 2));
    p += cb;
  }
  return list;
}

BYTE ItemByte(LPCITEMIDLIST list, int index) {
  LPCITEMIDLIST p = list;
  while (index-- > 0) p = NextIdItem(p);
  return reinterpret_cast<const BYTE*>(p)[2];
}

TEST(ShellIdLists, CountSizeJoinCutAndAncestors) {
  LPITEMIDLIST three = MakeList({6, 10, 4});
  EXPECT_EQ(3, CountIdItems(three));
  EXPECT_EQ(6 + 10 + 4 + 2, IdListSize(three));
  EXPECT_EQ(0, IdListSize(nullptr));
  EXPECT_EQ(0, CountIdItems(nullptr));

  LPITEMIDLIST copy = CloneIdList(three);
  EXPECT_EQ(0, memcmp(copy, three, 22));
  RemoveLastIdItem(copy);
  EXPECT_EQ(2, CountIdItems(copy));
  EXPECT_EQ(18, IdListSize(copy));

  LPITEMIDLIST last = LastIdItem(three);
  EXPECT_EQ(1, CountIdItems(last));
  EXPECT_EQ(6, IdListSize(last));
  EXPECT_EQ(3, ItemByte(last, 0));

  LPITEMIDLIST joined = JoinIdLists(copy, last);
  EXPECT_EQ(0, memcmp(joined, three, 22)) << "the parent's list plus the last item is the list again";
  LPITEMIDLIST alone = JoinIdLists(nullptr, last);
  EXPECT_EQ(1, CountIdItems(alone));

  TIdLists* ancestors = AncestorIdLists(three);
  ASSERT_EQ(3u, ancestors->size());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i, CountIdItems((*ancestors)[static_cast<size_t>(i)])) << i;
  EXPECT_EQ(2, ItemByte((*ancestors)[2], 1));
  FreeAncestorIdLists(ancestors);

  LPITEMIDLIST desktop = MakeList({});
  TIdLists* none = AncestorIdLists(desktop);
  EXPECT_TRUE(none->empty());
  FreeAncestorIdLists(none);
  RemoveLastIdItem(desktop);  // nothing to cut
  EXPECT_EQ(2, IdListSize(desktop));

  for (LPITEMIDLIST l : {three, copy, last, joined, alone, desktop}) FreeIdList(l);
}

TEST(ShellNames, RootTableAndObjectTypeFlags) {
  TspRootFolder f;
  ASSERT_TRUE(RootFolderFromName("rfDesktop", f));
  EXPECT_EQ(rfDesktop, f);
  ASSERT_TRUE(RootFolderFromName("rfTemplates", f));
  EXPECT_EQ(0x15, RootFolderCSIDL(f));
  EXPECT_FALSE(RootFolderFromName("rfdesktop", f)) << "names are matched exactly";
  EXPECT_FALSE(RootFolderFromName("C:\\", f));
  EXPECT_EQ(0x11, RootFolderCSIDL(rfMyComputer));
  EXPECT_EQ(0x0A, RootFolderCSIDL(rfRecycleBin));

  EXPECT_EQ(0u, ObjectTypeFlags(0));
  EXPECT_EQ(0x20u, ObjectTypeFlags(ShellObjectTypes({otFolders})));
  EXPECT_EQ(0x60u, ObjectTypeFlags(ShellObjectTypes({otFolders, otNonFolders})));
  EXPECT_EQ(0xE0u, ObjectTypeFlags(ShellObjectTypes({otFolders, otNonFolders, otHidden})));
}

// A folder of our own that answers display names from a table keyed by flags.
class FakeFolder : public IShellFolder {
public:
  std::map<DWORD, STRRET> Names;
  int Asked = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override { return --FRefs; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPOLESTR, ULONG*, LPITEMIDLIST*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF flags, STRRET* name) override {
    ++Asked;
    auto it = Names.find(flags);
    if (it == Names.end()) return E_FAIL;
    *name = it->second;
    if (name->uType == STRRET_WSTR) {
      // The caller frees a wide answer with the task allocator.
      size_t n = 0;
      while (it->second.pOleStr[n]) ++n;
      name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc((n + 1) * sizeof(WCHAR)));
      memcpy(name->pOleStr, it->second.pOleStr, (n + 1) * sizeof(WCHAR));
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }

private:
  ULONG FRefs = 1;
};

STRRET Wide(const char16_t* text) {
  STRRET s{};
  s.uType = STRRET_WSTR;
  s.pOleStr = reinterpret_cast<LPWSTR>(const_cast<char16_t*>(text));
  return s;
}

STRRET Ansi(const char* text) {
  STRRET s{};
  s.uType = STRRET_CSTR;
  strncpy(s.cStr, text, sizeof(s.cStr) - 1);
  return s;
}

TEST(ShellNames, DisplayNameRules) {
  struct Case {
    STRRET answer;
    std::string want;
  };
  const Case cases[] = {
      {Wide(u"?5abc?"), "5abc"},          // a question mark and a digit: every "?" goes
      {Wide(u"?a5"), "?a5"},              // followed by a letter: kept
      {Wide(u"?"), "?"},                  // too short for the rule
      {Ansi("Plain name"), "Plain name"},
      {Ansi("?7 eight"), "7 eight"},
  };
  for (const Case& c : cases) {
    FakeFolder folder;
    folder.Names[SHGDN_INFOLDER] = c.answer;
    EXPECT_EQ(c.want, ItemDisplayName(&folder, nullptr, SHGDN_INFOLDER));
  }
  // A class identifier instead of a name: the plain display name, as it comes.
  FakeFolder virt;
  virt.Names[SHGDN_INFOLDER] = Wide(u"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
  virt.Names[SHGDN_NORMAL] = Wide(u"?1 My Computer");
  EXPECT_EQ("?1 My Computer", ItemDisplayName(&virt, nullptr, SHGDN_INFOLDER));
  EXPECT_EQ(2, virt.Asked);
  EXPECT_EQ("parentfolder = nil", ItemDisplayName(nullptr, nullptr, 0));
  FakeFolder silent;
  EXPECT_EQ("", ItemDisplayName(&silent, nullptr, SHGDN_NORMAL));
}

TEST(ShellNames, OffsetAnswersStayInsideTheItem) {
  // One item of 12 bytes: the count, "abc", a terminator, then bytes that
  // are no part of the name, then the next item.
  LPITEMIDLIST list = MakeList({12, 8});
  BYTE* p = reinterpret_cast<BYTE*>(list);
  memcpy(p + 2, "abc\0zzzzzz", 10);
  STRRET s{};
  s.uType = STRRET_OFFSET;
  s.uOffset = 2;
  EXPECT_EQ("abc", StrRetToString(list, s));
  // No terminator before the item ends: the name ends with the item.
  memcpy(p + 2, "abcdefghij", 10);
  EXPECT_EQ("abcdefghij", StrRetToString(list, s));
  s.uOffset = 40;  // past the item
  EXPECT_EQ("", StrRetToString(list, s));
  FreeIdList(list);
}

TEST(ShellNames, AFolderWithoutDetailInterfacesGivesNone) {
  // Asked, never assumed: a folder that lacks the second folder interface
  // must not be called through it.
  FakeFolder folder;
  LPITEMIDLIST empty = MakeList({});
  TspShellFolder wrapper(nullptr, empty, &folder);
  EXPECT_EQ(nullptr, wrapper.ShellFolder2());
  EXPECT_EQ(nullptr, wrapper.ShellDetails());
  FreeIdList(empty);
}

// ---------------------------------------------------------------- the real shell

const char* kFixture = "C:\\tv_fixture";

void WriteFile(const std::string& name, const std::string& text) {
  std::u16string w = UTF8ToUTF16(name);
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(w.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << name;
  DWORD written = 0;
  ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

struct Fixture {
  Fixture() {
    DeleteFolderTree(kFixture);
    ForceDirectories(std::string(kFixture) + "\\a\\b");
    ForceDirectories(std::string(kFixture) + "\\pack.Zip");
    WriteFile(std::string(kFixture) + "\\notes.txt", "some notes");
    WriteFile(std::string(kFixture) + "\\picture.jpg", "not really a picture");
  }
  ~Fixture() { DeleteFolderTree(kFixture); }
};

// The children of a folder, by display name.
std::map<std::string, TspShellFolder*> Children(TspShellFolder* folder, TShellObjectTypes types) {
  std::map<std::string, TspShellFolder*> result;
  IEnumIDList* items = nullptr;
  if (FAILED(folder->ShellFolder()->EnumObjects(nullptr, ObjectTypeFlags(types), &items)) || !items) return result;
  LPITEMIDLIST item = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &item, &fetched) == S_OK && fetched == 1) {
    IShellFolder* sf = BindShellFolder(folder->ShellFolder(), item, nullptr);
    auto* child = new TspShellFolder(folder, item, sf);
    if (sf) sf->Release();
    result[child->DisplayName()] = child;
    FreeIdList(item);
  }
  items->Release();
  return result;
}

void FreeAll(std::map<std::string, TspShellFolder*>& m) {
  for (auto& kv : m) delete kv.second;
  m.clear();
}

TEST(ShellFolder, ResolvesRootsPathsAndNames) {
  Fixture fx;
  TRoot root = "C:";
  TspShellFolder* drive = CreateRootFolder(nullptr, root, "rfDesktop");
  ASSERT_NE(nullptr, drive);
  EXPECT_EQ("C:\\", root) << "a drive letter gains its backslash";
  EXPECT_EQ("C:\\", drive->PathName());
  EXPECT_EQ("C:\\", drive->FullObjectName());
  EXPECT_TRUE(drive->IsFolder());

  root = std::string(kFixture);
  TspShellFolder* fixture = CreateRootFolder(drive, root, "C:\\");  // frees the drive
  EXPECT_EQ(kFixture, fixture->PathName());
  EXPECT_EQ(kFixture, fixture->FullObjectName());
  EXPECT_EQ("tv_fixture", fixture->DisplayName());
  EXPECT_EQ(0, fixture->Level());
  EXPECT_TRUE(fixture->SubFolders());
  EXPECT_TRUE(fixture->Properties() & fpFileSystem);
  EXPECT_TRUE(HasEnumerableItems(fixture->ShellFolder(), ObjectTypeFlags(ShellObjectTypes({otNonFolders}))));
  EXPECT_GE(fixture->ImageIndex(false), 0);

  // An empty root fails and gives the previous text back.
  root = "";
  try {
    CreateRootFolder(fixture, root, kFixture);
    ADD_FAILURE() << "an empty root resolved";
  } catch (const Exception& e) {
    EXPECT_EQ("Error setting path: \"\"", e.Message());
  }
  EXPECT_EQ(kFixture, root);
  root = "C:\\tv_fixture\\no such folder";
  EXPECT_THROW(CreateRootFolder(fixture, root, kFixture), Exception);
  EXPECT_EQ(kFixture, root);

  // Every named root resolves in the prefix.
  for (int i = 0; i < kRootFolderCount; ++i) {
    TRoot named = RootFolderName(static_cast<TspRootFolder>(i));
    TspShellFolder* f = nullptr;
    EXPECT_NO_THROW(f = CreateRootFolder(nullptr, named, "rfDesktop")) << named;
    delete f;
  }
  TRoot desk = "rfDesktop";
  TspShellFolder* desktop = CreateRootFolder(nullptr, desk, "");
  EXPECT_EQ(0, CountIdItems(desktop->AbsoluteID()));
  delete desktop;
  delete fixture;
}

TEST(ShellFolder, ListsTheFixtureFoldersAndFiles) {
  Fixture fx;
  TRoot root = kFixture;
  TspShellFolder* fixture = CreateRootFolder(nullptr, root, "");
  auto folders = Children(fixture, ShellObjectTypes({otFolders}));
  auto files = Children(fixture, ShellObjectTypes({otNonFolders}));
  std::set<std::string> folderNames, fileNames;
  for (auto& kv : folders) folderNames.insert(kv.first);
  for (auto& kv : files) fileNames.insert(kv.first);
  EXPECT_EQ((std::set<std::string>{"a", "pack.Zip"}), folderNames);
  EXPECT_TRUE(fileNames.count("notes.txt") || fileNames.count("notes")) << "files listed apart from folders";
  EXPECT_EQ(2u, fileNames.size());

  ASSERT_TRUE(folders.count("a"));
  TspShellFolder* a = folders["a"];
  EXPECT_TRUE(a->IsFolder());
  EXPECT_EQ(1, a->Level()) << "its parent has a parent (the desktop)";
  EXPECT_EQ("C:\\tv_fixture\\a", a->FullObjectName());
  // An archive is a file even with the folder attribute.
  EXPECT_FALSE(folders["pack.Zip"]->IsFolder());
  for (auto& kv : files) {
    EXPECT_FALSE(kv.second->IsFolder()) << kv.first;
    EXPECT_TRUE(kv.second->Capabilities() & fcCanRename) << kv.first;
  }

  // One level deeper: the wrapper's absolute list is its parent's plus its own.
  auto sub = Children(a, ShellObjectTypes({otFolders}));
  ASSERT_TRUE(sub.count("b"));
  TspShellFolder* b = sub["b"];
  EXPECT_EQ(2, b->Level());
  EXPECT_EQ("C:\\tv_fixture\\a\\b", b->PathName());
  EXPECT_EQ(CountIdItems(a->AbsoluteID()) + 1, CountIdItems(b->AbsoluteID()));
  TIdLists* up = AncestorIdLists(b->AbsoluteID());
  ASSERT_FALSE(up->empty());
  EXPECT_TRUE(IdListsEqual(up->back(), a->AbsoluteID()));
  FreeAncestorIdLists(up);

  FreeAll(sub);
  FreeAll(folders);
  FreeAll(files);
  delete fixture;
}

TEST(ShellFolder, RenameKeepsTheAbsoluteListValid) {
  Fixture fx;
  TRoot root = std::string(kFixture) + "\\a";
  TspShellFolder* a = CreateRootFolder(nullptr, root, "");
  WriteFile(std::string(kFixture) + "\\a\\old.txt", "x");
  WriteFile(std::string(kFixture) + "\\a\\taken.txt", "y");
  auto files = Children(a, ShellObjectTypes({otNonFolders}));
  TspShellFolder* item = nullptr;
  for (auto& kv : files)
    if (kv.second->FullObjectName() == "C:\\tv_fixture\\a\\old.txt") item = kv.second;
  ASSERT_NE(nullptr, item);
  ASSERT_TRUE(item->Rename("new.txt"));
  EXPECT_EQ("C:\\tv_fixture\\a\\new.txt", item->FullObjectName());
  EXPECT_TRUE(FileExists("C:\\tv_fixture\\a\\new.txt"));
  EXPECT_FALSE(FileExists("C:\\tv_fixture\\a\\old.txt"));
  TRoot direct = "C:\\tv_fixture\\a\\new.txt";
  TspShellFolder* parsed = CreateRootFolder(nullptr, direct, "");
  EXPECT_TRUE(IdListsEqual(parsed->AbsoluteID(), item->AbsoluteID()));
  delete parsed;
  // A name that is taken is refused with the library's text.
  try {
    item->Rename("taken.txt");
    ADD_FAILURE() << "renamed over an existing file";
  } catch (const Exception& e) {
    EXPECT_EQ("Rename to taken.txt failed", e.Message());
  }
  EXPECT_EQ("C:\\tv_fixture\\a\\new.txt", item->FullObjectName());
  FreeAll(files);
  delete a;
}

TEST(ShellFolder, DetailColumns) {
  Fixture fx;
  TRoot root = kFixture;
  TspShellFolder* fixture = CreateRootFolder(nullptr, root, "");
  auto files = Children(fixture, ShellObjectTypes({otNonFolders}));
  ASSERT_FALSE(files.empty());
  TspShellFolder* file = files.begin()->second;
  try {
    file->DetailText(1);
    ADD_FAILURE() << "details before loading";
  } catch (const Exception& e) {
    EXPECT_EQ(file->DisplayName() + ": Missing call to LoadColumnDetails", e.Message());
  }
  file->LoadColumnDetails(fixture, nullptr, 4);
  EXPECT_EQ(4, file->DetailCount());
  // Loaded once: a smaller request keeps the texts.
  file->LoadColumnDetails(fixture, nullptr, 2);
  EXPECT_EQ(4, file->DetailCount());
  EXPECT_EQ("", file->DetailText(9));

  // Without detail columns from the shell the find data speaks: folders
  // have the size -1, big files their whole 64-bit size.
  std::string big = std::string(kFixture) + "\\big.bin";
  std::u16string wbig = UTF8ToUTF16(big);
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(wbig.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                         nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  LARGE_INTEGER size;
  size.QuadPart = 5LL << 30;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  WIN32_FIND_DATAW data{};
  HANDLE f = FindFirstFileW(reinterpret_cast<LPCWSTR>(wbig.c_str()), &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  FindClose(f);
  EXPECT_EQ("5368709120", FindDataDetail(data, 1));
  EXPECT_EQ(".bin", FindDataDetail(data, 2));
  EXPECT_NE("-1", FindDataDetail(data, 3));
  EXPECT_EQ(std::to_string(data.dwFileAttributes), FindDataDetail(data, 4));
  std::u16string wdir = UTF8ToUTF16(std::string(kFixture) + "\\a");
  f = FindFirstFileW(reinterpret_cast<LPCWSTR>(wdir.c_str()), &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  FindClose(f);
  EXPECT_EQ("-1", FindDataDetail(data, 1));
  EXPECT_EQ("-1", FindDataDetail(data, 3));
  DeleteFileW(reinterpret_cast<LPCWSTR>(wbig.c_str()));
  FreeAll(files);
  delete fixture;
}

}  // namespace
