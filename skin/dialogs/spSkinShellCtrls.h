// The shell namespace under the skinned file-system controls: item
// identifier lists, one wrapper per shell item (names, attributes, detail
// columns, icons, rename, default action), the named root folders, the
// shell's context menu, and the change notifier that watches a folder on a
// worker thread and reports to the GUI thread.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"

// Holds a "busy" flag set, or a nesting count raised, for the life of a
// scope, so that the changes a step makes do not start it again.
class TspFlagScope {
public:
  explicit TspFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TspFlagScope() { FFlag = false; }
  TspFlagScope(const TspFlagScope&) = delete;
  TspFlagScope& operator=(const TspFlagScope&) = delete;

private:
  bool& FFlag;
};

// The hourglass while a folder is read.
struct TspHourGlass {
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ~TspHourGlass() { SetCursor(old); }
};

class TspCountScope {
public:
  explicit TspCountScope(int& count) : FCount(count) { ++FCount; }
  ~TspCountScope() { --FCount; }
  TspCountScope(const TspCountScope&) = delete;
  TspCountScope& operator=(const TspCountScope&) = delete;

private:
  int& FCount;
};

// Lower case as the system folds it (file names, masks, verbs).
std::string LowerText(const std::string& s);

// ---------------------------------------------------------------- item identifier lists
//
// Lists are allocated zero-filled with the shell's allocator and returned
// to the caller, who frees them with FreeIdList.

LPITEMIDLIST AllocIdList(size_t size);
LPITEMIDLIST NextIdItem(LPCITEMIDLIST list);
void RemoveLastIdItem(LPITEMIDLIST list);
int CountIdItems(LPCITEMIDLIST list);
// Bytes including the terminator; 0 for no list.
int IdListSize(LPCITEMIDLIST list);
LPITEMIDLIST CloneIdList(LPCITEMIDLIST list);
// The items of `first` (may be null) followed by those of `second`.
LPITEMIDLIST JoinIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
void FreeIdList(LPITEMIDLIST list);
// A one-item list holding a copy of the last item.
LPITEMIDLIST LastIdItem(LPCITEMIDLIST list);
// Absolute lists of every ancestor, from the desktop (the empty list) down
// to the list's parent; the list itself is not included.
using TIdLists = std::vector<LPITEMIDLIST>;
TIdLists* AncestorIdLists(LPCITEMIDLIST list);
void FreeAncestorIdLists(TIdLists* lists);
bool IdListsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);
// Raises EOleError when the shell has no desktop.
LPITEMIDLIST GetDesktopIdList();

class EOleError : public Exception {
public:
  EOleError(const std::string& m, HRESULT code) : Exception(m), ErrorCode(code) {}
  HRESULT ErrorCode;
};

class EInvalidPath : public Exception {
public:
  explicit EInvalidPath(const std::string& m) : Exception(m) {}
};

// ---------------------------------------------------------------- names and sets

enum TspRootFolder {
  rfDesktop, rfMyComputer, rfNetwork, rfRecycleBin, rfAppData, rfCommonDesktopDirectory, rfCommonPrograms,
  rfCommonStartMenu, rfCommonStartup, rfControlPanel, rfDesktopDirectory, rfFavorites, rfFonts, rfInternet,
  rfPersonal, rfPrinters, rfPrintHood, rfPrograms, rfRecent, rfSendTo, rfStartMenu, rfStartup, rfTemplates
};
constexpr int kRootFolderCount = 23;
// The special-folder number (CSIDL) of a root name.
int RootFolderCSIDL(TspRootFolder folder);
const char* RootFolderName(TspRootFolder folder);
// True when `text` is exactly the name of a root ("rfDesktop"...).
bool RootFolderFromName(const std::string& text, TspRootFolder& folder);

// A root is the name of a TspRootFolder value or a folder path.
using TRoot = std::string;

enum TShellObjectType { otFolders, otNonFolders, otHidden };
// A set of enum values as bits: bit n stands for value n.
template <class E>
constexpr unsigned EnumBits(std::initializer_list<E> values) {
  unsigned s = 0;
  for (E v : values) s |= 1u << v;
  return s;
}

using TShellObjectTypes = unsigned;  // bit n = TShellObjectType n
constexpr TShellObjectTypes ShellObjectTypes(std::initializer_list<TShellObjectType> types) { return EnumBits(types); }
// The shell's enumeration flags: folders 0x20, non-folders 0x40, hidden 0x80.
DWORD ObjectTypeFlags(TShellObjectTypes types);

enum TspShellFolderCapability : unsigned {
  fcCanCopy = 1u << 0, fcCanDelete = 1u << 1, fcCanLink = 1u << 2, fcCanMove = 1u << 3, fcCanRename = 1u << 4,
  fcDropTarget = 1u << 5, fcHasPropSheet = 1u << 6,
};
using TspShellFolderCapabilities = unsigned;
enum TspShellFolderProperty : unsigned {
  fpCut = 1u << 0, fpIsLink = 1u << 1, fpReadOnly = 1u << 2, fpShared = 1u << 3, fpFileSystem = 1u << 4,
  fpFileSystemAncestor = 1u << 5, fpRemovable = 1u << 6, fpValidate = 1u << 7,
};
using TspShellFolderProperties = unsigned;

// ---------------------------------------------------------------- shell folder wrapper

// A reference to a COM interface that releases it.
template <class T>
class TComRef {
public:
  TComRef() = default;
  explicit TComRef(T* p) : FPtr(p) {}  // takes the reference over
  TComRef(const TComRef& o) : FPtr(o.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  TComRef& operator=(const TComRef& o) {
    if (o.FPtr) o.FPtr->AddRef();
    Reset();
    FPtr = o.FPtr;
    return *this;
  }
  ~TComRef() { Reset(); }
  void Reset(T* p = nullptr) {
    if (FPtr) FPtr->Release();
    FPtr = p;
  }
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // For calls that hand out a new reference.
  void** Out() {
    Reset();
    return reinterpret_cast<void**>(&FPtr);
  }

private:
  T* FPtr = nullptr;
};

class TspShellFolder : public TObject {
public:
  // `id` is copied; `sf` (the item's own folder interface, may be null) gets
  // a reference of its own. Without a parent the desktop wrapper is the parent.
  TspShellFolder(TspShellFolder* AParent, LPCITEMIDLIST ID, IShellFolder* SF);
  ~TspShellFolder() override;
  TspShellFolder(const TspShellFolder&) = delete;
  TspShellFolder& operator=(const TspShellFolder&) = delete;

  TspShellFolder* Parent() const { return FParent; }
  LPCITEMIDLIST RelativeID() const { return FPIDL; }
  LPCITEMIDLIST AbsoluteID() const { return FFullPIDL; }
  IShellFolder* ShellFolder() const { return FIShellFolder.Get(); }
  int Level() const { return FLevel; }
  HWND ViewHandle() const { return FViewHandle; }
  void SetViewHandle(HWND h) { FViewHandle = h; }

  IShellFolder* ParentShellFolder() const;
  TspShellFolderProperties Properties() const;
  TspShellFolderCapabilities Capabilities() const;
  bool SubFolders() const;
  bool IsFolder() const;
  std::string PathName() const;
  std::string FullObjectName() const;
  std::string DisplayName() const;
  // False when the shell does not let the item be renamed; raises
  // Exception when the shell refuses the new name.
  bool Rename(const std::string& NewName);
  int ImageIndex(bool LargeIcon) const;
  bool ExecuteDefault();
  // The texts of detail columns 1..ColumnCount of this item as listed in
  // `ListedFolder`; loaded once per wrapper.
  void LoadColumnDetails(TspShellFolder* ListedFolder, HWND ViewHandle, int ColumnCount);
  // 1-based column; raises Exception when nothing was loaded.
  std::string DetailText(int Column) const;
  int DetailCount() const { return static_cast<int>(FDetails.size()); }
  void LoadDetailInterfaces();
  // FindFirstFileW on PathName; false when it fails.
  bool GetFindData(WIN32_FIND_DATAW& data) const;

  IShellDetails* ShellDetails();
  IShellFolder2* ShellFolder2();

private:
  friend TspShellFolder* FolderFromAbsoluteIdList(LPCITEMIDLIST list);
  friend struct TShellUnit;
  bool HasAttribute(ULONG bit) const;
  ULONG Attributes(ULONG asked) const;

  LPITEMIDLIST FPIDL = nullptr;
  LPITEMIDLIST FFullPIDL = nullptr;
  TspShellFolder* FParent = nullptr;
  TComRef<IShellFolder> FIShellFolder;
  TComRef<IShellFolder2> FIShellFolder2;
  TComRef<IShellDetails> FIShellDetails;
  IUnknown* FDetailInterface = nullptr;  // one of the two above, not counted
  int FLevel = 0;
  HWND FViewHandle = nullptr;
  std::vector<std::string> FDetails;
};

// ---------------------------------------------------------------- free routines

// The shell's desktop folder (a new reference); raises EOleError.
IShellFolder* GetDesktopShellFolder();
// The wrapper of the desktop, made on first use on the GUI thread (with
// OLE started) and kept until the program ends.
TspShellFolder* DesktopShellFolder();
// The lock shared with the change notifier's worker thread.
TCriticalSection& ShellLock();
// The context menu's second interface while a shell context menu is open
// (the shell controls forward owner-drawn menu messages to it), else null.
IContextMenu2* CurrentShellContextMenu2();

int SystemImageIndex(LPCITEMIDLIST absolute, bool large, bool open);
bool HasEnumerableItems(IShellFolder* folder, DWORD flags);
// The folder's name of an item by the shell's display-name flags, with the
// program's rules: "?" + digit names lose their question marks; a class
// identifier ("::{") gives the plain display name instead.
std::string ItemDisplayName(IShellFolder* folder, LPCITEMIDLIST list, DWORD flags);
// A STRRET answer as text (the wide string is freed); an offset answer is
// read inside the item only, up to its terminator.
std::string StrRetToString(LPCITEMIDLIST list, STRRET& value);
// New references, or null.
IShellFolder* BindShellFolder(IShellFolder* parent, LPCITEMIDLIST list, HWND owner);
// The order of two items from a folder's CompareIDs result (negative: the
// first comes first).
inline int ShellCompareResult(HRESULT hr) { return static_cast<short>(static_cast<unsigned>(hr) & 0xFFFF); }
// Appends the relative id lists (the caller frees them) of `folder`'s items
// of `types` to `ids`, in the folder's own order; the listing's failure
// code when it cannot be listed.
HRESULT ListFolderItems(IShellFolder* folder, HWND owner, TShellObjectTypes types, std::vector<LPITEMIDLIST>& ids);
IShellDetails* BindShellDetails(IShellFolder* parent, LPCITEMIDLIST list, HWND owner);
IShellFolder2* BindShellFolder2(IShellFolder* parent, LPCITEMIDLIST list, HWND owner);
TspShellFolder* FolderFromAbsoluteIdList(LPCITEMIDLIST list);
// Resolves a root (a root name or a path; "C:" becomes "C:\" in `root`)
// into a new wrapper and frees `old`. On failure `root` is set back to
// `previous` and Exception "Error setting path: ..." is raised; `old` stays.
TspShellFolder* CreateRootFolder(TspShellFolder* old, TRoot& root, const TRoot& previous);
// Runs `use` with the absolute id list of the path `value` (freed after);
// a path the shell does not know raises EInvalidPath.
void WithPathIdList(const std::string& value, HWND owner, const std::function<void(LPCITEMIDLIST id)>& use);
// Makes `value` the root, keeping the one before in `previous` for a name
// that cannot be shown; false when `value` names the root already.
bool TakeNewRoot(TRoot& root, TRoot& previous, const TRoot& value);
// The same for a control that has no root folder yet; null when the root
// cannot be made.
TspShellFolder* TryCreateRootFolder(TRoot& root, const TRoot& previous);

// Detail column `column` (1..4) of an item read from its find data, as the
// file list shows it when the shell gives no detail columns: size (-1 for
// a folder), extension, modification time, attribute bits.
std::string FindDataDetail(const WIN32_FIND_DATAW& data, int column);

// What a control offers to run shell verbs itself.
class IspShellVerbHook {
public:
  virtual ~IspShellVerbHook() = default;
  virtual void ExecuteCommand(const std::string& verb, bool& handled) = 0;
  virtual void CommandCompleted(const std::string& verb, bool succeeded) = 0;
};

// While the shell runs "open" on an item, the current directory is the
// item's folder; once it is done the directory from before comes back.
class TspOpenVerbDirectory {
public:
  void Enter(TspShellFolder* item);
  void Leave();

private:
  std::string FSaved;
};

void ShowShellContextMenu(TWinControl* control, TspShellFolder* folder, int x, int y);
void InvokeShellVerb(TspShellFolder* folder, const std::string& verb);

// ---------------------------------------------------------------- change notifier

enum TNotifyFilter { nfFileNameChange, nfDirNameChange, nfAttributeChange, nfSizeChange, nfWriteChange,
                     nfSecurityChange };
using TNotifyFilters = unsigned;  // bit n = TNotifyFilter n
constexpr TNotifyFilters NotifyFilters(std::initializer_list<TNotifyFilter> filters) { return EnumBits(filters); }
// The system's change-notification filter.
DWORD NotifyFilterFlags(TNotifyFilters filters);

using TThreadMethod = std::function<void()>;

struct TspChangeWatch;

// Waits on the system's change notification and hands each change to the
// GUI thread. It ends when its notifier lets it go, when the folder cannot
// be watched or when a wait fails, and frees itself.
class TspShellChangeThread : public TThread {
public:
  explicit TspShellChangeThread(std::shared_ptr<TspChangeWatch> watch);
  ~TspShellChangeThread() override;
  // Workers alive at the moment (for tests).
  static int LiveCount();

protected:
  void Execute() override;

private:
  std::shared_ptr<TspChangeWatch> FWatch;
  void* FWaitHandle;
};

class TspCustomShellChangeNotifier : public TComponent {
public:
  explicit TspCustomShellChangeNotifier(TComponent* owner);
  ~TspCustomShellChangeNotifier() override;

  TNotifyFilters GetNotifyFilters() const { return FFilters; }
  void SetNotifyFilters(TNotifyFilters value);
  bool WatchSubTree() const { return FWatchSubTree; }
  void SetWatchSubTree(bool value);
  const TRoot& Root() const { return FRoot; }
  void SetRoot(const TRoot& value);
  const TThreadMethod& OnChange() const { return FOnChange; }
  void SetOnChange(TThreadMethod value);
  // A worker is watching.
  bool Watching() const { return FWatch != nullptr; }
  // The system filter the worker watches with (0 without a worker).
  DWORD WatchedFlags() const;

private:
  void ApplyOptions();
  void StartWatching();
  TNotifyFilters FFilters = NotifyFilters({nfFileNameChange, nfDirNameChange});
  bool FWatchSubTree = true;
  TRoot FRoot = "C:\\";
  std::shared_ptr<TspChangeWatch> FWatch;
  TThreadMethod FOnChange;
};

class TspShellChangeNotifier : public TspCustomShellChangeNotifier {
public:
  using TspCustomShellChangeNotifier::TspCustomShellChangeNotifier;
};

// A watch on the changes in `folder` itself (not below it) that runs
// `onChange`; none for a missing folder.
std::unique_ptr<TspShellChangeNotifier> WatchShellFolder(TspShellFolder* folder, std::function<void()> onChange);
