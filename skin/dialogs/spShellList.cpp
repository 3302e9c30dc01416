// The shell file list: one folder's sub-folders first, then the files its
// mask lets through, with system icons, detail columns and column sorting.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/dialogs/spShellViews.h"

namespace {

// Wildcard match of "*" and "?" ignoring case, as the file masks use it.
bool WildMatch(const char16_t* p, const char16_t* s) {
  while (*p) {
    if (*p == u'*') {
      while (*p == u'*') ++p;
      if (!*p) return true;
      for (; *s; ++s)
        if (WildMatch(p, s)) return true;
      return false;
    }
    if (!*s) return false;
    if (*p != u'?' && *p != *s) return false;
    ++p;
    ++s;
  }
  return *s == 0;
}

HWND ApplicationWindow() { return Application ? Application->Handle() : nullptr; }

double FileTimeValue(const FILETIME& ft) {
  FILETIME local{};
  SYSTEMTIME st{};
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return -1.0;
  ULARGE_INTEGER v;
  v.LowPart = local.dwLowDateTime;
  v.HighPart = local.dwHighDateTime;
  return static_cast<double>(v.QuadPart);
}

}  // namespace

HIMAGELIST SystemImageList(bool large) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | (large ? 0 : SHGFI_SMALLICON);
  HIMAGELIST list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(W(u"C:\\"), 0, &info, sizeof(info), flags));
  if (list) ImageList_SetBkColor(list, CLR_NONE);
  return list;
}

TspShellView::TspShellView(TComponent* control, TShellObjectTypes objectTypes)
    : FRootFolder(TryCreateRootFolder(FRoot, FOldRoot)), FObjectTypes(objectTypes), FComboBox(control) {}

TspShellView::~TspShellView() { delete FRootFolder; }

void TspShellView::WatchFolder(TspShellFolder* folder, std::function<void()> onChange) {
  FNotifier.reset();
  if (FAutoRefresh) FNotifier = WatchShellFolder(folder, std::move(onChange));
}

TspShellView::TShellMenuMessage TspShellView::ShellMenuMessage(TWinControl* control, TMessage& m) {
  switch (m.Msg) {
    case WM_INITMENUPOPUP:
    case WM_DRAWITEM:
    case WM_MENUCHAR:
    case WM_MEASUREITEM:
      if (IContextMenu2* cm = CurrentShellContextMenu2()) cm->HandleMenuMsg(m.Msg, m.WParam, m.LParam);
      m.Result = 0;
      return smMenuMessage;
    case WM_CONTEXTMENU:
      if (AutoContextMenus && SelectedFolder()) {
        int x = static_cast<short>(LOWORD(m.LParam)), y = static_cast<short>(HIWORD(m.LParam));
        ShowShellContextMenu(control, SelectedFolder(), x, y);
        m.Result = 0;
        return smMenuShown;
      }
      return smNotTaken;
    default:
      return smNotTaken;
  }
}

TspCustomShellListView::TspCustomShellListView(TComponent* owner)
    : TspSkinCustomListView(owner), TspShellView(this, ShellObjectTypes({otFolders, otNonFolders})) {
  SetHideSelection(false);
  SetReadOnly(false);
}

TspCustomShellListView::~TspCustomShellListView() {
  FNotifier.reset();
  ClearItems();
}

void TspCustomShellListView::CreateParams(TCreateParams& params) {
  TspSkinCustomListView::CreateParams(params);
  params.Style |= LVS_SHAREIMAGELISTS | LVS_EDITLABELS;
}

void TspCustomShellListView::CreateWnd() {
  TspSkinCustomListView::CreateWnd();
  SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(SystemImageList(false)));
  SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(SystemImageList(true)));
  // A folder shown before the window existed stays shown.
  if (!FRootFolder) {
    FRootFolder = TryCreateRootFolder(FRoot, FOldRoot);
  }
  FillItems();
  if (ViewStyle() == vsReport) BuildColumns();
}

void TspCustomShellListView::DestroyWnd() {
  TspSkinCustomListView::DestroyWnd();
}

void TspCustomShellListView::Loaded() {
  TspSkinCustomListView::Loaded();
  Populate();
  SetAutoRefresh(FAutoRefresh);
}

void TspCustomShellListView::ClearItems() {
  Items()->Clear();
  for (TspShellFolder* f : FFolders) delete f;
  FFolders.clear();
}

bool TspCustomShellListView::MaskAccepts(const std::string& mask, const std::string& fileName) {
  const std::u16string name = UTF8ToUTF16(LowerText(fileName));
  std::string pattern;
  auto tryPattern = [&]() {
    if (pattern.empty()) return false;
    if (pattern == "*") return true;
    if (pattern.find('.') == std::string::npos) return false;
    return WildMatch(UTF8ToUTF16(LowerText(pattern)).c_str(), name.c_str());
  };
  for (char c : mask) {
    if (c == ';' || c == '|') {
      if (tryPattern()) return true;
      pattern.clear();
    } else {
      pattern += c;
    }
  }
  return tryPattern();
}

void TspCustomShellListView::Populate() {
  if ((ComponentState() & csLoading) && !HandleAllocated()) return;
  ClearItems();
  if (!FRootFolder || !FRootFolder->ShellFolder()) return;
  TspHourGlass hourGlass;
  IEnumIDList* raw = nullptr;
  HRESULT hr = FRootFolder->ShellFolder()->EnumObjects(ApplicationWindow(), ObjectTypeFlags(FObjectTypes), &raw);
  if (FAILED(hr) || !raw) return;
  TComRef<IEnumIDList> list(raw);
  LPITEMIDLIST id = nullptr;
  ULONG fetched = 0;
  while (list->Next(1, &id, &fetched) == S_OK && fetched == 1) {
    IShellFolder* sf = BindShellFolder(FRootFolder->ShellFolder(), id, Handle());
    auto* folder = new TspShellFolder(FRootFolder, id, sf);
    if (sf) sf->Release();
    FreeIdList(id);
    bool canAdd = true;
    if (!folder->IsFolder()) canAdd = MaskAccepts(FMask, ExtractFileName(folder->FullObjectName()));
    if (canAdd && OnAddFolder) OnAddFolder(this, folder, canAdd);
    if (canAdd)
      FFolders.push_back(folder);
    else
      delete folder;
  }
  if (FSorted) SortFolders(false);
  FillItems();
}

void TspCustomShellListView::FillItems() {
  if (!HandleAllocated()) return;
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  Items()->Clear();
  std::string longest;
  for (TspShellFolder* f : FFolders) {
    TListItem* item = Items()->Add();
    const std::string name = f->DisplayName();
    if (name.size() > longest.size()) longest = name;
    item->SetCaption(name);
    item->SetImageIndex(f->ImageIndex(ViewStyle() == vsIcon));
    item->Data = f;
    if (ViewStyle() == vsReport && Columns()->Count() > 1) {
      try {
        f->LoadColumnDetails(FRootFolder, Handle(), Columns()->Count());
        for (int c = 1; c < Columns()->Count() && c <= f->DetailCount(); ++c) item->AddSubItem(f->DetailText(c));
      } catch (const std::exception&) {
      }
    }
  }
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  if (ViewStyle() == vsList && !longest.empty()) {
    const std::u16string w = UTF8ToUTF16(longest);
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, 0, size.cx + 32);
  }
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TspCustomShellListView::SortFolders(bool byColumn) {
  TspShellFolder* listed = FRootFolder;
  HWND window = HandleAllocated() ? Handle() : nullptr;
  const int column = FSortColumn;
  const bool descending = FSortDirection;
  // Detail sorting needs file-system items (sizes and times from their find
  // data); other folders keep the shell's order.
  const bool details = byColumn && column != 0 && listed && (listed->Properties() & fpFileSystem);
  auto compare = [&](TspShellFolder* a, TspShellFolder* b) -> int {
    if (!a || !b) return 0;
    int result = (b->IsFolder() ? 1 : 0) - (a->IsFolder() ? 1 : 0);
    if (result == 0 && a->Parent() && a->ParentShellFolder())
      result = ShellCompareResult(a->ParentShellFolder()->CompareIDs(0, a->RelativeID(), b->RelativeID()));
    if (byColumn && (column == 0 || details)) {
      const bool fa = a->IsFolder(), fb = b->IsFolder();
      if (fa != fb) {
        result = fa ? -1 : 1;
      } else {
        switch (column) {
          case 0:
            result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE,
                                    reinterpret_cast<LPCWSTR>(UTF8ToUTF16(a->DisplayName()).c_str()), -1,
                                    reinterpret_cast<LPCWSTR>(UTF8ToUTF16(b->DisplayName()).c_str()), -1) -
                     2;
            break;
          case 1:
            if (!fa) {
              // An item gone since listing counts as empty rather than
              // stopping the sort half-way.
              WIN32_FIND_DATAW da{}, db{};
              unsigned long long sa = 0, sb = 0;
              if (a->GetFindData(da)) sa = (static_cast<unsigned long long>(da.nFileSizeHigh) << 32) | da.nFileSizeLow;
              if (b->GetFindData(db)) sb = (static_cast<unsigned long long>(db.nFileSizeHigh) << 32) | db.nFileSizeLow;
              result = sa < sb ? -1 : (sa > sb ? 1 : 0);
            }
            break;
          case 2: {
            auto typeOf = [&](TspShellFolder* f) {
              try {
                f->LoadColumnDetails(listed, window, 4);
                return LowerText(f->DetailText(2));
              } catch (const std::exception&) {
                return std::string();
              }
            };
            const std::string ta = typeOf(a), tb = typeOf(b);
            result = ta < tb ? -1 : (ta > tb ? 1 : 0);
            break;
          }
          case 3: {
            WIN32_FIND_DATAW da{}, db{};
            const double va = a->GetFindData(da) ? FileTimeValue(da.ftLastWriteTime) : -1.0;
            const double vb = b->GetFindData(db) ? FileTimeValue(db.ftLastWriteTime) : -1.0;
            result = va < vb ? -1 : (va > vb ? 1 : 0);
            break;
          }
          default:
            break;
        }
      }
    }
    if (byColumn && descending) result = -result;
    return result;
  };
  std::stable_sort(FFolders.begin(), FFolders.end(),
                   [&](TspShellFolder* a, TspShellFolder* b) { return compare(a, b) < 0; });
}

void TspCustomShellListView::ColumnClick(int column) {
  const int count = Columns()->Count();
  if (count < 4 && column != 0) return;
  const bool first = FSortColumn == -1 && FOldSortColumn == -1;
  FOldSortColumn = FSortColumn;
  FSortColumn = column;
  if (column == FOldSortColumn && !first)
    FSortDirection = !FSortDirection;
  else
    FSortDirection = false;
  TspShellFolder* selected = SelectedFolder();
  SortFolders(true);
  FillItems();
  if (selected)
    for (size_t i = 0; i < FFolders.size(); ++i)
      if (FFolders[i] == selected) Items()->Item(static_cast<int>(i))->SetSelected(true);
}

void TspCustomShellListView::BuildColumns() {
  if (!FRootFolder || !FRootFolder->ShellFolder() || !HandleAllocated()) return;
  Columns()->Clear();
  FRootFolder->SetViewHandle(Handle());
  std::vector<std::string> added;
  const int charWidth = [&]() {
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, W(u"X"), 1, &size);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return size.cx > 0 ? size.cx : 8;
  }();
  auto addColumn = [&](const std::string& title, int fmt, int chars) {
    if (title.empty()) return false;
    if (std::find(added.begin(), added.end(), title) != added.end()) return false;
    TListColumn* c = Columns()->Add();
    c->SetCaption(title);
    c->SetAlignment(fmt == 1 ? 1 : (fmt == 2 ? 2 : 0));
    c->SetWidth(charWidth * chars);
    added.push_back(title);
    return true;
  };
  if (IShellFolder2* sf2 = FRootFolder->ShellFolder2()) {
    bool seenDefault = false;
    for (UINT i = 0;; ++i) {
      SHELLDETAILS d{};
      if (FAILED(sf2->GetDetailsOf(nullptr, i, &d))) break;
      SHCOLSTATEF state = 0;
      sf2->GetDefaultColumnState(i, &state);
      const bool onByDefault = (state & 0x10) != 0;
      if (onByDefault) seenDefault = true;
      if (seenDefault && !onByDefault) break;
      addColumn(StrRetToString(nullptr, d.str), d.fmt, d.cxChar);
    }
  } else if (IShellDetails* det = FRootFolder->ShellDetails()) {
    for (UINT i = 0;; ++i) {
      SHELLDETAILS d{};
      if (FAILED(det->GetDetailsOf(nullptr, i, &d))) break;
      if (!addColumn(StrRetToString(nullptr, d.str), d.fmt, d.cxChar)) break;
    }
  } else {
    auto title = [&](const char* key, const char* text) {
      if (SkinData() && SkinData()->ResourceStrData()) {
        const std::string s = SkinData()->ResourceStrData()->GetResStr(key);
        if (!s.empty()) return s;
      }
      return std::string(text);
    };
    addColumn(title("FLV_NAME", "Name"), 0, 25);
    if (FRootFolder->Properties() & fpFileSystem) {
      addColumn(title("FLV_SIZE", "Size"), 1, 10);
      addColumn(title("FLV_TYPE", "Type"), 0, 10);
      addColumn(title("FLV_MODIFIED", "Modified"), 0, 14);
    }
  }
}

void TspCustomShellListView::SetViewStyle(TViewStyle value) {
  TCustomListView::SetViewStyle(value);
  if (value == vsReport) {
    BuildColumns();
    FillItems();
  }
}

void TspCustomShellListView::SetRoot(const TRoot& value) {
  if (!TakeNewRoot(FRoot, FOldRoot, value)) return;
  TspShellFolder* next = CreateRootFolder(nullptr, FRoot, FOldRoot);
  ClearItems();
  delete FRootFolder;
  FRootFolder = next;
  FSettingRoot = true;
  Update();
}

std::string TspCustomShellListView::Path() const { return FRootFolder ? FRootFolder->PathName() : std::string(); }

void TspCustomShellListView::SetPath(const std::string& value) {
  WithPathIdList(value, Handle(), [this](LPCITEMIDLIST id) { SetPathFromID(id); });
}

void TspCustomShellListView::SetMask(const std::string& value) {
  if (value == FMask) return;
  FMask = value;
  Update();
}

void TspCustomShellListView::SetObjectTypes(TShellObjectTypes value) {
  FObjectTypes = value;
  if (!(ComponentState() & csLoading)) Update();
}

void TspCustomShellListView::SetSorted(bool value) {
  if (value == FSorted) return;
  FSorted = value;
  Populate();
}

void TspCustomShellListView::SetPathFromID(LPCITEMIDLIST id) {
  if (FUpdating) return;
  if (FRootFolder && IdListsEqual(FRootFolder->AbsoluteID(), id)) return;
  TspShellFolder* next = FolderFromAbsoluteIdList(id);
  // The items' wrappers name the old folder as their parent: they go first.
  ClearItems();
  delete FRootFolder;
  FRootFolder = next;
  FSettingRoot = false;
  Update();
  if (OnPathChanged) OnPathChanged(this);
}

void TspCustomShellListView::Update() {
  if (FUpdating) return;
  FUpdating = true;
  const bool refresh = FAutoRefresh;
  struct TEnd {
    TspCustomShellListView* self;
    bool refresh;
    ~TEnd() {
      self->FUpdating = false;
      if (refresh) self->SetAutoRefresh(true);
    }
  } end{this, refresh};
  if (refresh) SetAutoRefresh(false);
  SynchronizePartners();
  if (ViewStyle() == vsReport) BuildColumns();
  Populate();
}

void TspCustomShellListView::SynchronizePartners() {
  if (FSettingRoot) {
    if (FTreeView) FTreeView->SetRoot(FRoot);
  } else if (FRootFolder) {
    if (FTreeView) FTreeView->SetPathFromID(FRootFolder->AbsoluteID());
    if (FComboBox) FComboBox->SetPathFromID(FRootFolder->AbsoluteID());
  }
  FSettingRoot = false;
}

void TspCustomShellListView::Back() {
  if (!FRootFolder || CountIdItems(FRootFolder->AbsoluteID()) == 0) return;
  LPITEMIDLIST up = CloneIdList(FRootFolder->AbsoluteID());
  RemoveLastIdItem(up);
  SetPathFromID(up);
  FreeIdList(up);
}

void TspCustomShellListView::Refresh() {
  if (!FRootFolder) return;
  TListItem* sel = Selected();
  const int index = sel ? sel->Index() : -1;
  if (sel) sel->SetSelected(false);
  LPITEMIDLIST id = CloneIdList(FRootFolder->AbsoluteID());
  ClearItems();
  delete FRootFolder;
  FRootFolder = nullptr;
  SetPathFromID(id);
  FreeIdList(id);
  if (index >= 0 && index < Items()->Count()) {
    Items()->Item(index)->SetSelected(true);
    Items()->Item(index)->SetFocused(true);
  }
}

TspShellFolder* TspCustomShellListView::SelectedFolder() const {
  TListItem* item = Selected();
  if (!item) return nullptr;
  const int i = item->Index();
  return i >= 0 && i < static_cast<int>(FFolders.size()) ? FFolders[static_cast<size_t>(i)] : nullptr;
}

std::string TspCustomShellListView::GetSelectedFile() const {
  TspShellFolder* f = SelectedFolder();
  return f && !f->IsFolder() ? f->FullObjectName() : std::string();
}

void TspCustomShellListView::GetSelectedFiles(TStrings* files) const {
  files->Clear();
  auto* self = const_cast<TspCustomShellListView*>(this);
  for (int i = 0; i < self->Items()->Count() && i < static_cast<int>(FFolders.size()); ++i)
    if (self->Items()->Item(i)->Selected() && !FFolders[static_cast<size_t>(i)]->IsFolder())
      files->Add(FFolders[static_cast<size_t>(i)]->FullObjectName());
}

void TspCustomShellListView::SetShellTreeView(TspCustomShellTreeView* value) {
  LinkShellPartner(FTreeView, value, FRoot);
}

void TspCustomShellListView::SetAutoRefresh(bool value) {
  FAutoRefresh = value;
  if (!(ComponentState() & csLoading)) WatchFolder(FRootFolder, [this]() { Refresh(); });
}

void TspCustomShellListView::KeyDown(WORD& key, TShiftState shift) {
  TspSkinCustomListView::KeyDown(key, shift);
  if (!AutoNavigate) return;
  switch (key) {
    case VK_BACK:
      if (!FEditing) Back();
      break;
    case VK_RETURN:
      if (shift & ssAlt) {
        if (TspShellFolder* f = SelectedFolder()) InvokeShellVerb(f, "properties");
        key = 0;
      } else if (TspShellFolder* f = SelectedFolder()) {
        if (f->IsFolder()) {
          LPITEMIDLIST id = CloneIdList(f->AbsoluteID());
          SetPathFromID(id);
          FreeIdList(id);
        }
      }
      break;
    case VK_F5:
      Refresh();
      break;
    default:
      break;
  }
}

void TspCustomShellListView::DblClick() {
  if (AutoNavigate) {
    TspShellFolder* f = SelectedFolder();
    if (f && f->IsFolder()) {
      LPITEMIDLIST id = CloneIdList(f->AbsoluteID());
      SetPathFromID(id);
      FreeIdList(id);
    }
  }
  TspSkinCustomListView::DblClick();
}

void TspCustomShellListView::EditEnded(int index, const std::string& text) {
  if (index < 0 || index >= static_cast<int>(FFolders.size())) return;
  TspShellFolder* f = FFolders[static_cast<size_t>(index)];
  f->Rename(text);
  if (TListItem* item = Items()->Item(index)) item->SetCaption(f->DisplayName());
}

void TspCustomShellListView::ExecuteCommand(const std::string& verb, bool& handled) {
  const std::string v = LowerText(verb);
  if (v == "rename") {
    if (TListItem* item = Selected()) {
      SetFocus();
      SendMessageW(Handle(), LVM_EDITLABELW, item->Index(), 0);
    }
    handled = true;
  } else if (v == "open") {
    FOpenDirectory.Enter(SelectedFolder());
  }
}

void TspCustomShellListView::CommandCompleted(const std::string& verb, bool succeeded) {
  if (!succeeded) return;
  const std::string v = LowerText(verb);
  if (v == "delete" || v == "paste")
    Refresh();
  else if (v == "open")
    FOpenDirectory.Leave();
}

void TspCustomShellListView::WndProc(TMessage& m) {
  // The menu's own messages reach the list view too (it draws its items).
  if (ShellMenuMessage(this, m) == smMenuShown) {
    Refresh();
    return;
  }
  switch (m.Msg) {
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (hdr->code == LVN_BEGINLABELEDITW || hdr->code == LVN_BEGINLABELEDITA) {
        FEditing = true;
        m.Result = ReadOnly() ? TRUE : FALSE;
        return;
      }
      if (hdr->code == LVN_ENDLABELEDITW || hdr->code == LVN_ENDLABELEDITA) {
        FEditing = false;
        auto* nm = reinterpret_cast<NMLVDISPINFOW*>(m.LParam);
        if (nm->item.pszText && hdr->code == LVN_ENDLABELEDITW)
          EditEnded(nm->item.iItem, UTF16ToUTF8(reinterpret_cast<const char16_t*>(nm->item.pszText)));
        m.Result = FALSE;
        return;
      }
      if (hdr->code == LVN_COLUMNCLICK) {
        TspSkinCustomListView::WndProc(m);
        ColumnClick(reinterpret_cast<NMLISTVIEW*>(m.LParam)->iSubItem);
        return;
      }
      break;
    }
    default:
      break;
  }
  TspSkinCustomListView::WndProc(m);
}
