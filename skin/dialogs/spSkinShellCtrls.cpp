#include "skin/dialogs/spSkinShellCtrls.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "framework/Forms.h"
#include "framework/WideText.h"
#include "skin/data/SPUtils.h"

namespace {

std::string U8(const WCHAR* s) { return UTF16ToUTF8(reinterpret_cast<const char16_t*>(s)); }

// 8-bit text of the system's code page.
std::string AnsiToUTF8(const char* s, size_t n) {
  if (n == 0) return std::string();
  int len = MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(n), nullptr, 0);
  std::u16string w(static_cast<size_t>(std::max(0, len)), u'\0');
  if (len > 0) MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(n), reinterpret_cast<LPWSTR>(&w[0]), len);
  return UTF16ToUTF8(w);
}

IMalloc* ShellMalloc() {
  static IMalloc* malloc = [] {
    IMalloc* m = nullptr;
    if (FAILED(SHGetMalloc(&m))) m = nullptr;
    return m;
  }();
  return malloc;
}

USHORT ItemSize(LPCITEMIDLIST p) {
  USHORT cb;
  memcpy(&cb, p, sizeof(cb));
  return cb;
}

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool SameTextAscii(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

}  // namespace

// ===========================================================================
// Item identifier lists

LPITEMIDLIST AllocIdList(size_t size) {
  IMalloc* m = ShellMalloc();
  if (!m || size == 0) return nullptr;
  void* p = m->Alloc(size);
  if (p) memset(p, 0, size);
  return static_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST NextIdItem(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<BYTE*>(const_cast<LPITEMIDLIST>(list)) + ItemSize(list));
}

int CountIdItems(LPCITEMIDLIST list) {
  int n = 0;
  if (!list) return 0;
  for (LPCITEMIDLIST p = list; ItemSize(p) != 0; p = NextIdItem(p)) ++n;
  return n;
}

void RemoveLastIdItem(LPITEMIDLIST list) {
  if (!list || ItemSize(list) == 0) return;
  LPITEMIDLIST last = list;
  for (LPITEMIDLIST p = list; ItemSize(p) != 0; p = NextIdItem(p)) last = p;
  USHORT zero = 0;
  memcpy(last, &zero, sizeof(zero));
}

int IdListSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  int size = 0;
  for (LPCITEMIDLIST p = list; ItemSize(p) != 0; p = NextIdItem(p)) size += ItemSize(p);
  return size + 2;
}

LPITEMIDLIST CloneIdList(LPCITEMIDLIST list) {
  int size = IdListSize(list);
  LPITEMIDLIST copy = AllocIdList(static_cast<size_t>(size));
  if (copy) memcpy(copy, list, static_cast<size_t>(size));
  return copy;
}

LPITEMIDLIST JoinIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  int a = first ? IdListSize(first) - 2 : 0;
  int b = second ? IdListSize(second) - 2 : 0;
  LPITEMIDLIST joined = AllocIdList(static_cast<size_t>(a + b + 2));
  if (!joined) return nullptr;
  if (a > 0) memcpy(joined, first, static_cast<size_t>(a));
  if (b > 0) memcpy(reinterpret_cast<BYTE*>(joined) + a, second, static_cast<size_t>(b));
  return joined;  // zero-filled: the terminator is there
}

void FreeIdList(LPITEMIDLIST list) {
  if (list && ShellMalloc()) ShellMalloc()->Free(list);
}

LPITEMIDLIST LastIdItem(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  LPCITEMIDLIST last = nullptr;
  for (LPCITEMIDLIST p = list; ItemSize(p) != 0; p = NextIdItem(p)) last = p;
  if (!last) return AllocIdList(2);
  USHORT cb = ItemSize(last);
  LPITEMIDLIST item = AllocIdList(static_cast<size_t>(cb) + 2);
  if (item) memcpy(item, last, cb);
  return item;
}

TIdLists* AncestorIdLists(LPCITEMIDLIST list) {
  auto* result = new TIdLists;
  LPITEMIDLIST current = CloneIdList(list);
  while (current && ItemSize(current) != 0) {
    RemoveLastIdItem(current);
    result->insert(result->begin(), CloneIdList(current));
  }
  FreeIdList(current);
  return result;
}

void FreeAncestorIdLists(TIdLists* lists) {
  if (!lists) return;
  for (LPITEMIDLIST l : *lists) FreeIdList(l);
  delete lists;
}

bool IdListsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  IShellFolder* desktop = DesktopShellFolder() ? DesktopShellFolder()->ShellFolder() : nullptr;
  if (!desktop || !a || !b) return false;
  return static_cast<short>(HRESULT_CODE(desktop->CompareIDs(0, a, b))) == 0;
}

LPITEMIDLIST GetDesktopIdList() {
  LPITEMIDLIST list = nullptr;
  HRESULT hr = SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list);
  if (FAILED(hr)) throw EOleError("The shell has no desktop folder", hr);
  return list;
}

// ===========================================================================
// Names and sets

namespace {
struct TRootEntry {
  const char* Name;
  int CSIDL;
};
const TRootEntry kRoots[kRootFolderCount] = {
    {"rfDesktop", 0x00}, {"rfMyComputer", 0x11}, {"rfNetwork", 0x12}, {"rfRecycleBin", 0x0A},
    {"rfAppData", 0x1A}, {"rfCommonDesktopDirectory", 0x19}, {"rfCommonPrograms", 0x17},
    {"rfCommonStartMenu", 0x16}, {"rfCommonStartup", 0x18}, {"rfControlPanel", 0x03},
    {"rfDesktopDirectory", 0x10}, {"rfFavorites", 0x06}, {"rfFonts", 0x14}, {"rfInternet", 0x01},
    {"rfPersonal", 0x05}, {"rfPrinters", 0x04}, {"rfPrintHood", 0x1B}, {"rfPrograms", 0x02},
    {"rfRecent", 0x08}, {"rfSendTo", 0x09}, {"rfStartMenu", 0x0B}, {"rfStartup", 0x07}, {"rfTemplates", 0x15},
};
}  // namespace

int RootFolderCSIDL(TspRootFolder folder) { return kRoots[folder].CSIDL; }
const char* RootFolderName(TspRootFolder folder) { return kRoots[folder].Name; }

bool RootFolderFromName(const std::string& text, TspRootFolder& folder) {
  for (int i = 0; i < kRootFolderCount; ++i)
    if (text == kRoots[i].Name) {
      folder = static_cast<TspRootFolder>(i);
      return true;
    }
  return false;
}

DWORD ObjectTypeFlags(TShellObjectTypes types) {
  DWORD flags = 0;
  for (int t = otFolders; t <= otHidden; ++t)
    if (types & (1u << t)) flags |= 32u << t;
  return flags;
}

std::string LowerText(const std::string& s) {
  std::u16string w = UTF8ToUTF16(s);
  if (w.empty()) return s;
  CharLowerBuffW(reinterpret_cast<LPWSTR>(&w[0]), static_cast<DWORD>(w.size()));
  return UTF16ToUTF8(w);
}

void TspOpenVerbDirectory::Enter(TspShellFolder* item) {
  WCHAR buf[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, buf);
  FSaved = UTF16ToUTF8(reinterpret_cast<const char16_t*>(buf));
  if (item) SetCurrentDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(ExtractFilePath(item->PathName())).c_str()));
}

void TspOpenVerbDirectory::Leave() { SetCurrentDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(FSaved).c_str())); }

HRESULT ListFolderItems(IShellFolder* folder, HWND owner, TShellObjectTypes types, std::vector<LPITEMIDLIST>& ids) {
  IEnumIDList* raw = nullptr;
  HRESULT hr = folder->EnumObjects(owner, ObjectTypeFlags(types), &raw);
  if (FAILED(hr) || !raw) return FAILED(hr) ? hr : E_FAIL;
  TComRef<IEnumIDList> list(raw);
  const size_t first = ids.size();
  LPITEMIDLIST id = nullptr;
  ULONG fetched = 0;
  while (list->Next(1, &id, &fetched) == S_OK && fetched == 1) ids.push_back(id);
  std::stable_sort(ids.begin() + static_cast<long>(first), ids.end(), [folder](LPITEMIDLIST a, LPITEMIDLIST b) {
    return ShellCompareResult(folder->CompareIDs(0, a, b)) < 0;
  });
  return S_OK;
}

// ===========================================================================
// Unit state

struct TShellUnit {
  LPITEMIDLIST DesktopList = nullptr;
  TspShellFolder* Desktop = nullptr;
  TCriticalSection Lock;
  bool OleStarted = false;
  bool Started = false;
  IContextMenu2* ContextMenu2 = nullptr;

  void Start() {
    if (Started) return;
    Started = true;
    OleStarted = SUCCEEDED(OleInitialize(nullptr));
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &DesktopList)) && DesktopList) {
      IShellFolder* sf = nullptr;
      if (SUCCEEDED(SHGetDesktopFolder(&sf)) && sf) {
        Desktop = new TspShellFolder(nullptr, DesktopList, sf);
        sf->Release();
      }
    }
  }
  ~TShellUnit() {
    delete Desktop;
    FreeIdList(DesktopList);
    ContextMenu2 = nullptr;
    if (OleStarted) OleUninitialize();
  }
};

static TShellUnit& ShellUnit() {
  static TShellUnit unit;
  return unit;
}

TspShellFolder* DesktopShellFolder() {
  TShellUnit& u = ShellUnit();
  u.Start();
  return u.Desktop;
}

TCriticalSection& ShellLock() { return ShellUnit().Lock; }

IContextMenu2* CurrentShellContextMenu2() { return ShellUnit().ContextMenu2; }

IShellFolder* GetDesktopShellFolder() {
  IShellFolder* sf = nullptr;
  HRESULT hr = SHGetDesktopFolder(&sf);
  if (FAILED(hr) || !sf) throw EOleError("The shell has no desktop folder", FAILED(hr) ? hr : E_FAIL);
  return sf;
}

// ===========================================================================
// Free routines

int SystemImageIndex(LPCITEMIDLIST absolute, bool large, bool open) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_PIDL;
  if (open) flags |= SHGFI_OPENICON;
  if (!large) flags |= SHGFI_SMALLICON;
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info), flags);
  return info.iIcon;
}

bool HasEnumerableItems(IShellFolder* folder, DWORD flags) {
  if (!folder) return false;
  // An empty removable drive answers with an error, not a system box.
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool result = false;
  IEnumIDList* items = nullptr;
  if (SUCCEEDED(folder->EnumObjects(nullptr, flags, &items)) && items) {
    LPITEMIDLIST item = nullptr;
    ULONG fetched = 0;
    if (items->Next(1, &item, &fetched) == S_OK && fetched == 1) result = true;
    FreeIdList(item);
    items->Release();
  }
  SetErrorMode(oldMode);
  return result;
}

std::string StrRetToString(LPCITEMIDLIST list, STRRET& value) {
  switch (value.uType) {
    case STRRET_WSTR: {
      if (!value.pOleStr) return std::string();
      std::string s = U8(value.pOleStr);
      CoTaskMemFree(value.pOleStr);
      value.pOleStr = nullptr;
      return s;
    }
    case STRRET_OFFSET: {
      // Inside the first item only, and only up to its terminator.
      if (!list) return std::string();
      USHORT cb = ItemSize(list);
      if (value.uOffset >= cb) return std::string();
      const char* start = reinterpret_cast<const char*>(list) + value.uOffset;
      size_t max = cb - value.uOffset;
      size_t n = strnlen(start, max);
      return AnsiToUTF8(start, n);
    }
    case STRRET_CSTR:
      return AnsiToUTF8(value.cStr, strnlen(value.cStr, sizeof(value.cStr)));
    default:
      return std::string();
  }
}

static std::string DropQuestionMarks(std::string s) {
  if (s.size() >= 2 && s[0] == '?' && s[1] >= '0' && s[1] <= '9') s.erase(std::remove(s.begin(), s.end(), '?'), s.end());
  return s;
}

std::string ItemDisplayName(IShellFolder* folder, LPCITEMIDLIST list, DWORD flags) {
  if (!folder) return "parentfolder = nil";
  STRRET sr{};
  if (FAILED(folder->GetDisplayNameOf(list, flags, &sr))) return std::string();
  std::string name = DropQuestionMarks(StrRetToString(list, sr));
  if (name.compare(0, 3, "::{") == 0) {
    STRRET plain{};
    if (FAILED(folder->GetDisplayNameOf(list, SHGDN_NORMAL, &plain))) return std::string();
    return StrRetToString(list, plain);
  }
  return name;
}

namespace {

// The interface `iid` of the item `list` below `parent`: bound to it, else
// the item's UI object or the folder's view object (the later answer
// replaces the earlier one), else bound from the desktop.
template <class I>
I* BindShellInterface(IShellFolder* parent, LPCITEMIDLIST list, HWND owner, REFIID iid) {
  I* result = nullptr;
  if (parent) {
    if (FAILED(parent->BindToObject(list, nullptr, iid, reinterpret_cast<void**>(&result)))) result = nullptr;
    if (!result) {
      LPCITEMIDLIST items[1] = {list};
      I* ui = nullptr;
      if (FAILED(parent->GetUIObjectOf(owner, 1, items, iid, nullptr, reinterpret_cast<void**>(&ui)))) ui = nullptr;
      I* view = nullptr;
      if (FAILED(parent->CreateViewObject(owner, iid, reinterpret_cast<void**>(&view)))) view = nullptr;
      if (view) {
        if (ui) ui->Release();
        result = view;
      } else {
        result = ui;
      }
    }
  }
  if (!result) {
    TComRef<IShellFolder> desktop(GetDesktopShellFolder());
    if (FAILED(desktop->BindToObject(list, nullptr, iid, reinterpret_cast<void**>(&result)))) result = nullptr;
  }
  return result;
}

}  // namespace

IShellFolder* BindShellFolder(IShellFolder* parent, LPCITEMIDLIST list, HWND owner) {
  return BindShellInterface<IShellFolder>(parent, list, owner, IID_IShellFolder);
}

IShellDetails* BindShellDetails(IShellFolder* parent, LPCITEMIDLIST list, HWND owner) {
  return BindShellInterface<IShellDetails>(parent, list, owner, IID_IShellDetails);
}

IShellFolder2* BindShellFolder2(IShellFolder* parent, LPCITEMIDLIST list, HWND owner) {
  int major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  if (major < 5) return nullptr;
  IShellFolder2* result = nullptr;
  TComRef<IShellFolder> desktop(GetDesktopShellFolder());
  if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&result))))
    result = nullptr;
  if (!result && parent) {
    LPCITEMIDLIST items[1] = {list};
    if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IShellFolder2, nullptr, reinterpret_cast<void**>(&result))))
      result = nullptr;
    if (!result &&
        FAILED(parent->BindToObject(list, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&result))))
      result = nullptr;
  }
  return result;
}

TspShellFolder* FolderFromAbsoluteIdList(LPCITEMIDLIST list) {
  TComRef<IShellFolder> desktop(GetDesktopShellFolder());
  TComRef<IShellFolder> sf;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder, sf.Out()))) sf.Reset();
  if (!sf) sf = desktop;
  return new TspShellFolder(DesktopShellFolder(), list, sf.Get());
}

TspShellFolder* CreateRootFolder(TspShellFolder* old, TRoot& root, const TRoot& previous) {
  DesktopShellFolder();
  LPITEMIDLIST list = nullptr;
  HRESULT hr = E_FAIL;
  TspRootFolder named;
  if (RootFolderFromName(root, named)) {
    hr = SHGetSpecialFolderLocation(nullptr, RootFolderCSIDL(named), &list);
  } else if (!root.empty()) {
    if (root.back() == ':') root += "\\";
    TComRef<IShellFolder> desktop(GetDesktopShellFolder());
    std::u16string path = UTF8ToUTF16(root);
    ULONG eaten = 0;
    hr = desktop->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPOLESTR>(&path[0]), &eaten, &list, nullptr);
  }
  if (FAILED(hr) || !list) {
    FreeIdList(list);
    std::string failing = root;
    root = previous;
    throw Exception("Error setting path: \"" + failing + "\"");
  }
  TspShellFolder* result = nullptr;
  try {
    result = FolderFromAbsoluteIdList(list);
  } catch (...) {
    FreeIdList(list);
    throw;
  }
  FreeIdList(list);
  delete old;
  return result;
}

void WithPathIdList(const std::string& value, HWND owner, const std::function<void(LPCITEMIDLIST id)>& use) {
  std::u16string w = UTF8ToUTF16(value);
  LPITEMIDLIST id = nullptr;
  ULONG eaten = 0;
  HRESULT hr = w.empty() ? E_INVALIDARG
                         : DesktopShellFolder()->ShellFolder()->ParseDisplayName(
                               owner, nullptr, reinterpret_cast<LPWSTR>(&w[0]), &eaten, &id, nullptr);
  if (FAILED(hr) || !id) throw EInvalidPath("Error setting path: \"" + value + "\"");
  struct TFree {
    LPITEMIDLIST p;
    ~TFree() { FreeIdList(p); }
  } keep{id};
  use(id);
}

bool TakeNewRoot(TRoot& root, TRoot& previous, const TRoot& value) {
  if (LowerText(value) == LowerText(root)) return false;
  previous = root;
  root = value;
  return true;
}

TspShellFolder* TryCreateRootFolder(TRoot& root, const TRoot& previous) {
  try {
    return CreateRootFolder(nullptr, root, previous);
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string FindDataDetail(const WIN32_FIND_DATAW& data, int column) {
  bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  switch (column) {
    case 1: {
      if (folder) return "-1";
      uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) + data.nFileSizeLow;
      return std::to_string(size);
    }
    case 2:
      return ExtractFileExt(U8(data.cFileName));
    case 3: {
      FILETIME local;
      SYSTEMTIME st;
      if (folder || !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
        return "-1";  // the date-time value -1.0: no time to show
      char text[64];
      snprintf(text, sizeof(text), "%u/%u/%04u %u:%02u:%02u", st.wMonth, st.wDay, st.wYear, st.wHour, st.wMinute,
               st.wSecond);
      return text;
    }
    case 4:
      return std::to_string(data.dwFileAttributes);
    default:
      return std::string();
  }
}

// ===========================================================================
// Shell folder wrapper

TspShellFolder::TspShellFolder(TspShellFolder* AParent, LPCITEMIDLIST ID, IShellFolder* SF) {
  DesktopShellFolder();  // the unit's state first (not again while it makes the desktop itself)
  if (SF) {
    SF->AddRef();
    FIShellFolder.Reset(SF);
  }
  FPIDL = CloneIdList(ID);
  TspShellFolder* desktop = ShellUnit().Desktop;
  if (AParent) {
    FFullPIDL = JoinIdLists(AParent->FFullPIDL, ID);
  } else {
    LPITEMIDLIST root = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &root)) && root) {
      FFullPIDL = JoinIdLists(root, ID);
      FreeIdList(root);
    } else {
      FFullPIDL = CloneIdList(ID);
    }
  }
  FParent = AParent ? AParent : desktop;
  for (TspShellFolder* p = AParent; p && p->FParent; p = p->FParent) ++FLevel;
}

TspShellFolder::~TspShellFolder() {
  FreeIdList(FPIDL);
  FreeIdList(FFullPIDL);
}

IShellFolder* TspShellFolder::ParentShellFolder() const {
  if (FParent) return FParent->FIShellFolder.Get();
  TspShellFolder* desktop = ShellUnit().Desktop;
  return desktop ? desktop->FIShellFolder.Get() : nullptr;
}

ULONG TspShellFolder::Attributes(ULONG asked) const {
  IShellFolder* parent = ParentShellFolder();
  if (!parent) return 0;
  ULONG flags = asked;
  if (CountIdItems(FPIDL) > 1) {
    // A root made from an absolute list: its parent is the desktop, and the
    // shell here answers such a list with the first item's attributes. The
    // item's real parent folder knows its own.
    IShellFolder* real = nullptr;
    LPCITEMIDLIST last = nullptr;
    if (SUCCEEDED(SHBindToParent(FFullPIDL, IID_IShellFolder, reinterpret_cast<void**>(&real), &last)) && real) {
      HRESULT hr = real->GetAttributesOf(1, &last, &flags);
      real->Release();
      return FAILED(hr) ? 0 : flags;
    }
  }
  LPCITEMIDLIST items[1] = {FPIDL};
  if (FAILED(parent->GetAttributesOf(1, items, &flags))) return 0;
  return flags;
}

bool TspShellFolder::HasAttribute(ULONG bit) const {
  // The shell may answer more than asked: only the asked bit counts.
  return (Attributes(bit) & bit) != 0;
}

TspShellFolderCapabilities TspShellFolder::Capabilities() const {
  ULONG a = Attributes(0x177);
  TspShellFolderCapabilities c = 0;
  if (a & 0x1) c |= fcCanCopy;
  if (a & 0x20) c |= fcCanDelete;
  if (a & 0x4) c |= fcCanLink;
  if (a & 0x2) c |= fcCanMove;
  if (a & 0x10) c |= fcCanRename;
  if (a & 0x100) c |= fcDropTarget;
  if (a & 0x40) c |= fcHasPropSheet;
  return c;
}

TspShellFolderProperties TspShellFolder::Properties() const {
  if (!ParentShellFolder()) return 0;
  TspShellFolderProperties p = 0;
  ULONG a = Attributes(0xFC000);
  if (a & 0x8000) p |= fpCut;
  if (a & 0x10000) p |= fpIsLink;
  if (a & 0x40000) p |= fpReadOnly;
  if (a & 0x20000) p |= fpShared;
  // The second query asks for the bits it reads: asked for nothing, the
  // shell here answers nothing, and a file-system folder would not be one.
  ULONG b = Attributes(0x40000000u | 0x10000000u | 0x2000000u | 0x1000000u);
  if (b & 0x40000000) p |= fpFileSystem;
  if (b & 0x10000000) p |= fpFileSystemAncestor;
  if (b & 0x2000000) p |= fpRemovable;
  if (b & 0x1000000) p |= fpValidate;
  return p;
}

bool TspShellFolder::SubFolders() const { return HasAttribute(0x80000000u); }

bool TspShellFolder::IsFolder() const {
  // A compressed archive counts as a file.
  return HasAttribute(0x20000000u) && UpperCase(ExtractFileExt(FullObjectName())) != ".ZIP";
}

std::string TspShellFolder::PathName() const {
  TspShellFolder* desktop = ShellUnit().Desktop;
  return ItemDisplayName(desktop ? desktop->FIShellFolder.Get() : nullptr, FFullPIDL, SHGDN_FORPARSING);
}

std::string TspShellFolder::FullObjectName() const {
  WCHAR path[MAX_PATH + 1] = {};
  if (!FFullPIDL || !SHGetPathFromIDListW(FFullPIDL, path)) return std::string();
  return U8(path);
}

std::string TspShellFolder::DisplayName() const {
  return ItemDisplayName(ParentShellFolder(), FPIDL, SHGDN_INFOLDER);
}

bool TspShellFolder::Rename(const std::string& NewName) {
  if (!(Capabilities() & fcCanRename)) return false;
  IShellFolder* parent = ParentShellFolder();
  std::u16string name = UTF8ToUTF16(NewName);
  LPITEMIDLIST renamed = nullptr;
  HRESULT hr = parent ? parent->SetNameOf(nullptr, FPIDL, W(name), SHGDN_NORMAL, &renamed) : E_FAIL;
  if (FAILED(hr) || !renamed) {
    FreeIdList(renamed);
    throw Exception("Rename to " + NewName + " failed");
  }
  FreeIdList(FPIDL);
  FreeIdList(FFullPIDL);
  FPIDL = renamed;
  FFullPIDL = FParent ? JoinIdLists(FParent->FFullPIDL, renamed) : CloneIdList(renamed);
  FDetails.clear();
  return true;
}

int TspShellFolder::ImageIndex(bool LargeIcon) const { return SystemImageIndex(FFullPIDL, LargeIcon, false); }

bool TspShellFolder::ExecuteDefault() {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_INVOKEIDLIST;
  info.hwnd = Application ? Application->Handle() : nullptr;
  info.lpIDList = FFullPIDL;
  info.nShow = SW_SHOW;
  return ShellExecuteExW(&info) != FALSE;
}

void TspShellFolder::LoadDetailInterfaces() {
  if (FDetailInterface || !FIShellFolder) return;
  FIShellDetails.Reset(BindShellDetails(FIShellFolder.Get(), FFullPIDL, FViewHandle));
  int major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  if (!FIShellDetails && major > 4) {
    FIShellFolder2.Reset(BindShellFolder2(FIShellFolder.Get(), FFullPIDL, FViewHandle));
    // The folder's own interface, when it really has the second one: asked,
    // never assumed, so a folder without details gives none instead of a
    // call into a table it does not have.
    if (!FIShellFolder2 && FAILED(FIShellFolder->QueryInterface(IID_IShellFolder2, FIShellFolder2.Out())))
      FIShellFolder2.Reset();
  }
  if (FIShellFolder2)
    FDetailInterface = FIShellFolder2.Get();
  else
    FDetailInterface = FIShellDetails.Get();
}

IShellDetails* TspShellFolder::ShellDetails() {
  if (!FDetailInterface) LoadDetailInterfaces();
  return FIShellDetails.Get();
}

IShellFolder2* TspShellFolder::ShellFolder2() {
  if (!FDetailInterface) LoadDetailInterfaces();
  return FIShellFolder2.Get();
}

bool TspShellFolder::GetFindData(WIN32_FIND_DATAW& data) const {
  std::u16string path = UTF8ToUTF16(PathName());
  HANDLE h = FindFirstFileW(W(path), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

void TspShellFolder::LoadColumnDetails(TspShellFolder* ListedFolder, HWND ViewHandle, int ColumnCount) {
  if (static_cast<int>(FDetails.size()) >= ColumnCount || !ListedFolder) return;
  FDetails.clear();
  FViewHandle = ViewHandle;
  if (IShellFolder2* sf2 = ListedFolder->ShellFolder2()) {
    for (int c = 1; c <= ColumnCount; ++c) {
      SHELLDETAILS sd{};
      if (FAILED(sf2->GetDetailsOf(FPIDL, static_cast<UINT>(c), &sd)))
        FDetails.emplace_back();
      else
        FDetails.push_back(DropQuestionMarks(StrRetToString(FPIDL, sd.str)));
    }
  } else if (IShellDetails* details = ListedFolder->ShellDetails()) {
    for (int c = 1; c <= ColumnCount; ++c) {
      SHELLDETAILS sd{};
      if (FAILED(details->GetDetailsOf(FPIDL, static_cast<UINT>(c), &sd)))
        FDetails.emplace_back();
      else
        FDetails.push_back(DropQuestionMarks(StrRetToString(FPIDL, sd.str)));
    }
  } else if (ListedFolder->Properties() & fpFileSystem) {
    WIN32_FIND_DATAW data{};
    if (!GetFindData(data)) {
      char code[16];
      snprintf(code, sizeof(code), "%lx", static_cast<unsigned long>(GetLastError()));
      throw EInvalidPath("Unable to retrieve folder details for \"" + DisplayName() + "\". Error code $" + code);
    }
    for (int c = 1; c <= ColumnCount; ++c) FDetails.push_back(FindDataDetail(data, c));
  }
}

std::string TspShellFolder::DetailText(int Column) const {
  if (FDetails.empty()) throw Exception(DisplayName() + ": Missing call to LoadColumnDetails");
  if (Column < 1 || Column > static_cast<int>(FDetails.size())) return std::string();
  return FDetails[static_cast<size_t>(Column - 1)];
}

// ===========================================================================
// Context menu and verbs

void ShowShellContextMenu(TWinControl* control, TspShellFolder* folder, int x, int y) {
  if (!folder || !control) return;
  IShellFolder* parent = folder->ParentShellFolder();
  if (!parent) return;
  HWND owner = control->Handle();
  LPCITEMIDLIST items[1] = {folder->RelativeID()};
  TComRef<IContextMenu> menu;
  if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr, menu.Out())) || !menu) return;
  POINT p = control->ClientToScreen(POINT{x, y});
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
  TComRef<IContextMenu2> menu2;
  if (FAILED(menu->QueryInterface(IID_IContextMenu2, menu2.Out()))) menu2.Reset();
  ShellUnit().ContextMenu2 = menu2.Get();
  int command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr);
  ShellUnit().ContextMenu2 = nullptr;
  DestroyMenu(popup);
  if (command <= 0) return;
  char verb[256] = {};
  if (FAILED(menu->GetCommandString(static_cast<UINT_PTR>(command - 1), GCS_VERBA, nullptr, verb, sizeof(verb))))
    verb[0] = 0;
  std::string verbText(verb, strnlen(verb, sizeof(verb)));
  auto* hook = dynamic_cast<IspShellVerbHook*>(control);
  bool handled = false;
  if (hook) hook->ExecuteCommand(verbText, handled);
  bool succeeded = handled;
  if (!handled) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(command - 1);
    info.nShow = SW_SHOWNORMAL;
    succeeded = SUCCEEDED(menu->InvokeCommand(&info));
  }
  if (hook) hook->CommandCompleted(verbText, succeeded);
}

void InvokeShellVerb(TspShellFolder* folder, const std::string& verb) {
  if (!folder) return;
  IShellFolder* parent = folder->ParentShellFolder();
  if (!parent) return;
  LPCITEMIDLIST items[1] = {folder->RelativeID()};
  TComRef<IContextMenu> menu;
  if (FAILED(parent->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr, menu.Out())) || !menu) return;
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = CMIC_MASK_ASYNCOK;
  info.lpVerb = verb.c_str();
  info.nShow = SW_SHOWNORMAL;
  menu->InvokeCommand(&info);
}

// ===========================================================================
// Change notifier

DWORD NotifyFilterFlags(TNotifyFilters filters) {
  static const DWORD kFlags[] = {FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,
                                 FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE,
                                 FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_SECURITY};
  DWORD flags = 0;
  for (int f = nfFileNameChange; f <= nfSecurityChange; ++f)
    if (filters & (1u << f)) flags |= kFlags[f];
  return flags;
}

// What the notifier and its worker share. The options are guarded by the
// shell lock; Handler and the release are touched on the GUI thread only
// (the worker reaches the handler through the synchronous call).
struct TspChangeWatch {
  HANDLE Wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset
  std::atomic<bool> Released{false};
  std::string Directory;
  bool WatchSubTree = true;
  DWORD Flags = 0;
  bool WaitChanged = false;
  TThreadMethod Handler;
  ~TspChangeWatch() {
    if (Wake) CloseHandle(Wake);
  }
};

namespace {
std::atomic<int> gLiveWorkers{0};

HANDLE OpenChangeHandle(const TspChangeWatch& w) {
  std::u16string dir = UTF8ToUTF16(w.Directory);
  return FindFirstChangeNotificationW(W(dir), w.WatchSubTree ? TRUE : FALSE, w.Flags);
}
}  // namespace

TspShellChangeThread::TspShellChangeThread(std::shared_ptr<TspChangeWatch> watch)
    : FWatch(std::move(watch)), FWaitHandle(INVALID_HANDLE_VALUE) {
  FreeOnTerminate = true;
  ++gLiveWorkers;
}

TspShellChangeThread::~TspShellChangeThread() {
  if (FWaitHandle != INVALID_HANDLE_VALUE && FWaitHandle) FindCloseChangeNotification(FWaitHandle);
  --gLiveWorkers;
}

int TspShellChangeThread::LiveCount() { return gLiveWorkers; }

void TspShellChangeThread::Execute() {
  {
    TLock lock(ShellLock());
    FWaitHandle = OpenChangeHandle(*FWatch);
    FWatch->WaitChanged = false;
  }
  if (FWaitHandle == INVALID_HANDLE_VALUE) return;  // a folder that cannot be watched
  while (!FWatch->Released) {
    HANDLE handles[2] = {FWaitHandle, FWatch->Wake};
    DWORD r = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0) {
      std::shared_ptr<TspChangeWatch> watch = FWatch;
      CallInMainThread([watch] {
        // A notifier that let go meanwhile hears nothing more.
        if (watch->Released || !watch->Handler) return;
        TThreadMethod handler = watch->Handler;
        try {
          handler();
        } catch (...) {
          if (Application)
            Application->HandleException(std::current_exception());
          else
            ReportException(std::current_exception());
        }
      });
      FindNextChangeNotification(FWaitHandle);
    } else if (r != WAIT_OBJECT_0 + 1) {
      return;  // the wait failed
    }
    if (FWatch->Released) break;
    TLock lock(ShellLock());
    if (FWatch->WaitChanged) {
      // The handle is closed here, by the thread that waits on it.
      FindCloseChangeNotification(FWaitHandle);
      FWaitHandle = OpenChangeHandle(*FWatch);
      FWatch->WaitChanged = false;
      if (FWaitHandle == INVALID_HANDLE_VALUE) return;
    }
  }
}

TspCustomShellChangeNotifier::TspCustomShellChangeNotifier(TComponent* owner) : TComponent(owner) {
  StartWatching();
}

TspCustomShellChangeNotifier::~TspCustomShellChangeNotifier() {
  if (FWatch) {
    FWatch->Handler = nullptr;
    FWatch->Released = true;
    SetEvent(FWatch->Wake);
    FWatch.reset();
  }
}

void TspCustomShellChangeNotifier::SetNotifyFilters(TNotifyFilters value) {
  FFilters = value;
  ApplyOptions();
}

void TspCustomShellChangeNotifier::SetWatchSubTree(bool value) {
  FWatchSubTree = value;
  ApplyOptions();
}

void TspCustomShellChangeNotifier::SetRoot(const TRoot& value) {
  if (SameTextAscii(value, FRoot)) return;
  FRoot = value;
  ApplyOptions();
}

void TspCustomShellChangeNotifier::SetOnChange(TThreadMethod value) {
  FOnChange = std::move(value);
  if (FWatch)
    FWatch->Handler = FOnChange;
  else
    StartWatching();
}

DWORD TspCustomShellChangeNotifier::WatchedFlags() const {
  if (!FWatch) return 0;
  TLock lock(ShellLock());
  return FWatch->Flags;
}

void TspCustomShellChangeNotifier::ApplyOptions() {
  if (!FWatch) return;
  {
    TLock lock(ShellLock());
    FWatch->Directory = FRoot;
    FWatch->WatchSubTree = FWatchSubTree;
    FWatch->Flags = NotifyFilterFlags(FFilters);
    FWatch->WaitChanged = true;
  }
  SetEvent(FWatch->Wake);
}

void TspCustomShellChangeNotifier::StartWatching() {
  if (!FOnChange) return;
  auto watch = std::make_shared<TspChangeWatch>();
  watch->Handler = FOnChange;
  watch->Directory = FRoot;
  watch->WatchSubTree = FWatchSubTree;
  watch->Flags = NotifyFilterFlags(FFilters);
  FWatch = watch;
  auto* worker = new TspShellChangeThread(watch);
  worker->Start();
}

std::unique_ptr<TspShellChangeNotifier> WatchShellFolder(TspShellFolder* folder, std::function<void()> onChange) {
  if (!folder) return nullptr;
  auto notifier = std::make_unique<TspShellChangeNotifier>(nullptr);
  notifier->SetWatchSubTree(false);
  notifier->SetRoot(folder->PathName());
  notifier->SetOnChange(std::move(onChange));
  return notifier;
}
