#include "skin/dialogs/spfilectrl.h"

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <vector>

#include "framework/StdCtrls.h"
#include "skin/controls/SkinLabels.h"
#include "skin/dialogs/spSkinShellCtrls.h"

#include "framework/SysUtils.h"
#include "framework/WideText.h"

namespace {

std::u16string Wide(const std::string& s) { return UTF8ToUTF16(s); }

std::string CaseOf(std::string s, bool lower) {
  if (lower) return LowerText(s);
  std::u16string w = Wide(s);
  if (w.empty()) return s;
  CharUpperBuffW(reinterpret_cast<LPWSTR>(&w[0]), static_cast<DWORD>(w.size()));
  return UTF16ToUTF8(w);
}

std::string CurrentDir() {
  WCHAR buf[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, buf);
  return UTF16ToUTF8(reinterpret_cast<const char16_t*>(buf));
}

void ChangeDir(const std::string& dir) {
  if (!SetCurrentDirectoryW(W(Wide(dir))))
    throw EInOutError("I/O error " + std::to_string(GetLastError()) + ": " + dir);
}

// Drive part: "X:" or "\\server\share".
std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t p = path.find('\\', 2);
    if (p == std::string::npos) return path;
    size_t q = path.find('\\', p + 1);
    return q == std::string::npos ? path : path.substr(0, q);
  }
  return "";
}

}  // namespace

bool FolderExists(const std::string& name) {
  DWORD a = GetFileAttributesW(W(Wide(name)));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

void CutFirstFolder(std::string& path) {
  if (path == "\\") {
    path.clear();
    return;
  }
  bool rooted = false;
  if (!path.empty() && path[0] == '\\') {
    rooted = true;
    path.erase(0, 1);
  }
  if (!path.empty() && path[0] == '.') path.erase(0, std::min<size_t>(4, path.size()));
  size_t p = path.find('\\');
  if (p == std::string::npos)
    path.clear();
  else
    path = "...\\" + path.substr(p + 1);
  if (rooted) path = "\\" + path;
}

std::string MinimizePathName(const std::string& fileName, TCanvas* canvas, int maxWidth) {
  std::string result = fileName;
  std::string dir = ExtractFilePath(result);
  const std::string name = ExtractFileName(result);
  std::string drive;
  if (dir.size() >= 2 && dir[1] == ':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  while ((!dir.empty() || !drive.empty()) && canvas->TextWidth(result) > maxWidth) {
    if (dir == "\\...\\") {
      drive.clear();
      dir = "...\\";
    } else if (dir.empty()) {
      drive.clear();
    } else {
      CutFirstFolder(dir);
    }
    result = drive + dir + name;
  }
  return result;
}

std::string VolumeLabelText(char drive) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  WCHAR label[MAX_PATH + 1] = {};
  DWORD serial = 0, maxLen = 0, flags = 0;
  const std::string root = std::string(1, drive) + ":\\";
  std::string text;
  if (GetVolumeInformationW(W(Wide(root)), label, MAX_PATH, &serial, &maxLen, &flags, nullptr, 0))
    text = UTF16ToUTF8(reinterpret_cast<const char16_t*>(label));
  SetErrorMode(oldMode);
  const bool lower = drive >= 'a' && drive <= 'z';
  return "[" + CaseOf(text, lower) + "]";
}

std::string NetworkVolumeText(char drive) {
  const char upper = static_cast<char>(toupper(static_cast<unsigned char>(drive)));
  WCHAR remote[MAX_PATH + 1] = {};
  DWORD len = MAX_PATH;
  const std::string local = std::string(1, upper) + ":";
  if (WNetGetConnectionW(W(Wide(local)), remote, &len) == NO_ERROR)
    return CaseOf(UTF16ToUTF8(reinterpret_cast<const char16_t*>(remote)), drive >= 'a' && drive <= 'z');
  return VolumeLabelText(drive);
}

void ProcessPath(const std::string& editText, char& drive, std::string& dirPart, std::string& filePart) {
  const std::string saved = CurrentDir();
  struct TRestore {
    std::string dir;
    ~TRestore() {
      if (FolderExists(dir)) SetCurrentDirectoryW(W(Wide(dir)));
    }
  } restore{saved};
  drive = saved.empty() ? 0 : saved[0];
  dirPart = editText;
  std::string root;
  if (dirPart.size() >= 2 && dirPart.front() == '[' && dirPart.back() == ']') {
    dirPart = dirPart.substr(1, dirPart.size() - 2);
  } else {
    root = DrivePart(dirPart);
    if (!root.empty())
      dirPart.erase(0, root.size());
    else
      root = DrivePart(saved);
    drive = root.size() >= 2 && root[1] == ':' ? root[0] : 0;
  }
  if (!root.empty() && FolderExists(root)) ChangeDir(root);
  filePart = ExtractFileName(dirPart);
  if (dirPart.size() == filePart.size() + 1) {
    dirPart = "\\";
  } else if (dirPart.size() > filePart.size()) {
    dirPart.erase(dirPart.size() - filePart.size() - 1);
  } else {
    std::string cur = CurrentDir();
    dirPart = cur.substr(DrivePart(cur).size());
    if (dirPart.empty()) dirPart = "\\";
  }
  if (!dirPart.empty()) ChangeDir(dirPart);
  if (!filePart.empty() && filePart.find_first_of("*?") == std::string::npos && !FileExists(filePart)) {
    ChangeDir(filePart);
    dirPart = dirPart.size() == 1 ? "\\" + filePart : dirPart + "\\" + filePart;
    filePart.clear();
  }
  if (!drive) dirPart = root + dirPart;
}

// ---------------------------------------------------------------- filter box

TspSkinFilterComboBox::TspSkinFilterComboBox(TComponent* owner) : TspSkinComboBox(owner) { BuildItems(); }

TspSkinFilterComboBox::~TspSkinFilterComboBox() = default;

void TspSkinFilterComboBox::SetFilter(const std::string& value) {
  if (LowerText(value) == LowerText(FFilter)) return;
  FFilter = value;
  BuildItems();
  Change();
}

void TspSkinFilterComboBox::BuildItems() {
  Items()->Clear();
  FMaskList.Clear();
  // Name and mask pairs separated by "|"; an unpaired last name is dropped.
  size_t pos = 0;
  while (pos < FFilter.size()) {
    size_t bar = FFilter.find('|', pos);
    if (bar == std::string::npos) break;
    const std::string name = FFilter.substr(pos, bar - pos);
    size_t next = FFilter.find('|', bar + 1);
    const std::string mask =
        FFilter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
    Items()->Add(name);
    FMaskList.Add(mask);
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  FBuilt = true;
  if (Items()->Count() > 0) {
    ListBox()->SetItemIndex(0);
    SetText(Items()->Get(0));
  }
}

void TspSkinFilterComboBox::CreateWnd() {
  TspSkinComboBox::CreateWnd();
  if (!FBuilt) BuildItems();
}

std::string TspSkinFilterComboBox::Mask() {
  if (FMaskList.Count() == 0) return "*.*";
  if (ItemIndex() < 0) {
    ListBox()->SetItemIndex(Items()->Count() - 1);
    SetText(Items()->Get(Items()->Count() - 1));
  }
  const int i = ItemIndex();
  return i >= 0 && i < FMaskList.Count() ? FMaskList.Get(i) : "*.*";
}

// The text change already told OnChange; the linked file list takes the mask.
void TspSkinFilterComboBox::Change() {
  if (FFileList) FFileList->SetMask(Mask());
}

void TspSkinFilterComboBox::SetFileList(TspSkinFileListBox* value) {
  if (FFileList) FFileList->FilterCombo.Set(nullptr);
  FFileList.Set(value);
  if (value) value->FilterCombo.Set(this);
}

// ---------------------------------------------------------------- file list box

namespace {

constexpr DWORD kSearchAttr[] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20};

// The current directory moves to `dir` (relative texts resolve against the
// current one); the resulting directory is returned.
std::string MoveTo(const std::string& dir) {
  ChangeDir(dir);
  return CurrentDir();
}

}  // namespace

TspSkinFileListBox* TspSkinFilterComboBox::FileList() const { return FFileList; }
TEdit* TspSkinFileListBox::FileEdit() const { return FFileEdit; }
TspSkinFileListBox* TspSkinDirectoryListBox::FileList() const { return FFileList; }
TspSkinStdLabel* TspSkinDirectoryListBox::DirLabel() const { return FDirLabel; }
TspSkinDirectoryListBox* TspSkinDriveComboBox::DirList() const { return FDirList; }

TspSkinFileListBox::TspSkinFileListBox(TComponent* owner) : TspSkinListBox(owner) {
  FDirectory = CurrentDir();
  SetBounds(Left(), Top(), 145, Height());
  SetMultiSelect(false);
  SetSorted(true);
}

TspSkinFileListBox::~TspSkinFileListBox() {
  if (FilterCombo) FilterCombo->SetFileList(nullptr);
}

void TspSkinFileListBox::CreateWnd() {
  TspSkinListBox::CreateWnd();
  ReadFileNames();
}

void TspSkinFileListBox::ReadFileNames() {
  if (!HandleAllocated()) return;
  DWORD attrs = 0;
  for (int i = 0; i < 6; ++i)
    if (FFileType & (1u << i)) attrs |= kSearchAttr[i];
  ChangeDir(FDirectory);
  Items()->Clear();
  HCURSOR saved = nullptr;
  int count = 0;
  std::string mask = FMask;
  size_t pos = 0;
  while (pos <= mask.size()) {
    size_t semi = mask.find(';', pos);
    const std::string part = mask.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos);
    pos = semi == std::string::npos ? mask.size() + 1 : semi + 1;
    if (part.empty()) continue;
    WIN32_FIND_DATAW fd{};
    HANDLE h = FindFirstFileExW(W(Wide(part)), FindExInfoStandard, &fd, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(fd.cFileName));
      if (name == "." || name == "..") continue;
      const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!(FFileType & FileTypeOf({spftNormal})) && !(fd.dwFileAttributes & attrs)) continue;
      if (dir && !(attrs & 0x10)) continue;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !(attrs & 0x2)) continue;
      Items()->Add(dir ? "[" + name + "]" : name);
      if (++count == 100) saved = ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  if (saved) ::SetCursor(saved);
  Change();
}

void TspSkinFileListBox::Change() {
  FLastSel = ItemIndex();
  if (FFileEdit) {
    FFileEdit->SetText(ItemIndex() >= 0 ? Items()->Get(ItemIndex()) : FMask);
    FFileEdit->SelectAll();
  }
  if (OnChange) OnChange(this);
}

void TspSkinFileListBox::ListBoxClick() {
  TspSkinListBox::ListBoxClick();
  if (ItemIndex() != FLastSel) Change();
}

std::string TspSkinFileListBox::GetFileName() {
  const int i = ItemIndex();
  return i >= 0 ? JoinPath(FDirectory, Items()->Get(i)) : std::string();
}

void TspSkinFileListBox::SetDirectory(const std::string& value) {
  if (LowerText(value) == LowerText(FDirectory)) return;
  if (FolderExists(FDirectory)) ChangeDir(FDirectory);
  FDirectory = MoveTo(value);
  ReadFileNames();
}

void TspSkinFileListBox::SetDrive(char value) {
  if (tolower(static_cast<unsigned char>(value)) == tolower(static_cast<unsigned char>(Drive()))) return;
  ApplyFilePath(std::string(1, value) + ":");
}

void TspSkinFileListBox::SetMask(const std::string& value) {
  if (value == FMask) return;
  FMask = value;
  ReadFileNames();
}

void TspSkinFileListBox::SetFileType(TspFileType value) {
  if (value == FFileType) return;
  FFileType = value;
  ReadFileNames();
}

void TspSkinFileListBox::SetFileEdit(TEdit* value) {
  FFileEdit.Set(value);
  if (value) {
    value->SetText(ItemIndex() >= 0 ? Items()->Get(ItemIndex()) : FMask);
  }
}

void TspSkinFileListBox::ApplyFilePath(const std::string& editText) {
  if (editText.empty() || LowerText(editText) == LowerText(FileName())) return;
  char drive = 0;
  std::string dir, file;
  ProcessPath(editText, drive, dir, file);
  if (DirList)
    DirList->SetDirectory(editText);
  else
    SetDirectory(drive ? std::string(1, drive) + ":" + dir : dir);
  if (file.find_first_of("*?") != std::string::npos) {
    SetMask(file);
  } else if (!file.empty()) {
    const int sel = ItemIndex();
    if (sel < 0 || LowerText(Items()->Get(sel)) != LowerText(file)) {
      int found = -1;
      for (int i = 0; i < Items()->Count(); ++i)
        if (LowerText(Items()->Get(i)) == LowerText(file)) found = i;
      SetItemIndex(found);
      Change();
      if (found < 0 && FileExists(JoinPath(FDirectory, file))) {
        SetMask(file);
        for (int i = 0; i < Items()->Count(); ++i)
          if (LowerText(Items()->Get(i)) == LowerText(file)) SetItemIndex(i);
      }
    }
  }
}

// ---------------------------------------------------------------- folder list box

TspSkinDirectoryListBox::TspSkinDirectoryListBox(TComponent* owner) : TspSkinListBox(owner) {
  FDirectory = CurrentDir();
  SetBounds(Left(), Top(), 145, Height());
  SetSorted(false);
  OnDrawItem = [this](TCanvas* c, int index, int, int h, RECT r, TOwnerDrawState) {
    if (index < 0 || index >= Items()->Count()) return;
    const int x = r.left + ItemIndent(index);
    // A small folder picture: open for the path, closed for sub-folders.
    HDC dc = c->Handle();
    const bool current = index == FCurrentIndex;
    HBRUSH b = CreateSolidBrush(current ? RGB(240, 200, 80) : RGB(230, 180, 60));
    RECT f{x, r.top + (h - 11) / 2, x + 16, r.top + (h - 11) / 2 + 11};
    FillRect(dc, &f, b);
    DeleteObject(b);
    const std::u16string w = UTF8ToUTF16(Items()->Get(index));
    SetBkMode(dc, TRANSPARENT);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &size);
    TextOutW(dc, x + 16 + 6, r.top + (h - size.cy) / 2, reinterpret_cast<LPCWSTR>(w.c_str()),
             static_cast<int>(w.size()));
  };
}

TspSkinDirectoryListBox::~TspSkinDirectoryListBox() {
  if (DriveCombo) DriveCombo->SetDirList(nullptr);
}

void TspSkinDirectoryListBox::CreateWnd() {
  TspSkinListBox::CreateWnd();
  BuildList();
}

std::string TspSkinDirectoryListBox::DisplayCase(const std::string& s) const {
  return FPreserveCase || FCaseSensitive ? s : LowerText(s);
}

int TspSkinDirectoryListBox::FileCompareText(const std::string& a, const std::string& b) const {
  return FCaseSensitive ? a.compare(b) : LowerText(a).compare(LowerText(b));
}

int TspSkinDirectoryListBox::ItemIndent(int index) const {
  if (index > FCurrentIndex) return 4 * static_cast<int>(std::count(FDirectory.begin(), FDirectory.end(), '\\')) + 6;
  return 4 * index + 2;
}

void TspSkinDirectoryListBox::BuildList() {
  Items()->Clear();
  DWORD serial = 0, maxLen = 0, flags = 0;
  const std::string drivePart = DrivePart(FDirectory);
  if (GetVolumeInformationW(W(Wide(drivePart + "\\")), nullptr, 0, &serial, &maxLen, &flags, nullptr, 0)) {
    FPreserveCase = (flags & 3) != 0;
    FCaseSensitive = (flags & 1) != 0;
  }
  const bool network = drivePart.size() > 2 && drivePart[0] == '\\';
  std::vector<std::string> parts;
  std::string rest = FDirectory;
  if (network) {
    parts.push_back(drivePart);
    rest = FDirectory.size() > drivePart.size() ? FDirectory.substr(drivePart.size() + 1) : std::string();
  }
  if (!rest.empty() && rest.back() == '\\') {
    parts.push_back(rest);
  } else {
    size_t pos = 0;
    while (pos <= rest.size() && !rest.empty()) {
      size_t bs = rest.find('\\', pos);
      std::string part = rest.substr(pos, bs == std::string::npos ? std::string::npos : bs - pos);
      if (parts.empty() && !network) part += "\\";
      parts.push_back(part);
      if (bs == std::string::npos) break;
      pos = bs + 1;
    }
  }
  for (const std::string& p : parts) Items()->Add(DisplayCase(p));
  FCurrentIndex = Items()->Count() - 1;
  std::vector<std::string> subs;
  WIN32_FIND_DATAW fd{};
  HANDLE h = FindFirstFileW(W(Wide(JoinPath(FDirectory, "*.*"))), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(fd.cFileName));
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
        subs.push_back(DisplayCase(name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::sort(subs.begin(), subs.end(), [this](const std::string& a, const std::string& b) {
    return FileCompareText(a, b) < 0;
  });
  for (const std::string& s : subs) Items()->Add(s);
  if (HandleAllocated()) SetItemIndex(FCurrentIndex);
}

std::string TspSkinDirectoryListBox::GetItemPath(int index) const {
  auto* self = const_cast<TspSkinDirectoryListBox*>(this);
  if (index < 0 || index >= self->Items()->Count()) return "";
  const std::string drive = DrivePart(FDirectory);
  if (index == 0) return drive + "\\";
  if (index > FCurrentIndex) return JoinPath(FDirectory, self->Items()->Get(index));
  if (index == FCurrentIndex) return FDirectory;
  // Ancestor i: the path up to its (i + 1)-th backslash after the drive.
  size_t pos = std::string::npos;
  for (int k = 0; k <= index; ++k) {
    pos = FDirectory.find('\\', k == 0 ? drive.size() : pos + 1);
    if (pos == std::string::npos) break;
  }
  return pos == std::string::npos ? FDirectory : FDirectory.substr(0, pos);
}

void TspSkinDirectoryListBox::OpenCurrent() { SetDirectory(GetItemPath(ItemIndex())); }

void TspSkinDirectoryListBox::ListBoxDblClick() {
  TspSkinListBox::ListBoxDblClick();
  OpenCurrent();
}

void TspSkinDirectoryListBox::ListBoxKeyDown(WORD& key, TShiftState shift) {
  TspSkinListBox::ListBoxKeyDown(key, shift);
  if (key == VK_RETURN) OpenCurrent();
}

void TspSkinDirectoryListBox::SetDirectory(const std::string& value) {
  if (value.empty() || FileCompareText(value, FDirectory) == 0) return;
  char drive = 0;
  std::string dir, file;
  ProcessPath(value, drive, dir, file);
  if (drive && tolower(static_cast<unsigned char>(drive)) != tolower(static_cast<unsigned char>(Drive()))) {
    FInSetDir = true;
    if (DriveCombo)
      DriveCombo->SetDrive(drive);
    else
      DriveChange(drive);
    FInSetDir = false;
  }
  if (FolderExists(FDirectory)) ChangeDir(FDirectory);
  FDirectory = MoveTo(drive ? std::string(1, drive) + ":" + dir : dir);
  BuildList();
  Change();
}

void TspSkinDirectoryListBox::DriveChange(char newDrive) {
  if (tolower(static_cast<unsigned char>(newDrive)) == tolower(static_cast<unsigned char>(Drive()))) return;
  if (newDrive) {
    const std::string target = std::string(1, newDrive) + ":";
    if (SetCurrentDirectoryW(W(Wide(target)))) FDirectory = CurrentDir();
  }
  if (!FInSetDir) {
    BuildList();
    Change();
  }
}

void TspSkinDirectoryListBox::SetDrive(char value) {
  if (tolower(static_cast<unsigned char>(value)) != tolower(static_cast<unsigned char>(Drive())))
    SetDirectory(std::string(1, value) + ":");
}

void TspSkinDirectoryListBox::SetFileList(TspSkinFileListBox* value) {
  if (FFileList) FFileList->DirList.Set(nullptr);
  FFileList.Set(value);
  if (value) value->DirList.Set(this);
}

void TspSkinDirectoryListBox::SetDirLabel(TspSkinStdLabel* value) {
  FDirLabel.Set(value);
  UpdateLabel();
}

void TspSkinDirectoryListBox::UpdateLabel() {
  if (!FDirLabel) return;
  TBitmap bmp;
  bmp.SetSize(1, 1);
  FDirLabel->SetCaption(MinimizePathName(FDirectory, bmp.Canvas(), FDirLabel->AutoSize() ? Width() : FDirLabel->Width()));
}

void TspSkinDirectoryListBox::Change() {
  if (FFileList) FFileList->SetDirectory(FDirectory);
  UpdateLabel();
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- drive box

TspSkinDriveComboBox::TspSkinDriveComboBox(TComponent* owner) : TspSkinComboBox(owner) {
  const std::string cur = CurrentDir();
  FDrive = !cur.empty() && cur[0] != '\\' ? cur[0] : 0;
  OnChange = [this](TObject*) {
    if (ItemIndex() >= 0) SetDrive(Items()->Get(ItemIndex())[0]);
  };
  BuildList();
}

TspSkinDriveComboBox::~TspSkinDriveComboBox() {
  if (FDirList) FDirList->DriveCombo.Set(nullptr);
}

void TspSkinDriveComboBox::CreateWnd() {
  TspSkinComboBox::CreateWnd();
  BuildList();
  const char d = FDrive;
  FDrive = 0;
  SetDrive(d);
}

void TspSkinDriveComboBox::BuildList() {
  Items()->Clear();
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const char lower = static_cast<char>('a' + i);
    const char letter = FTextCase == tcUpperCase ? static_cast<char>('A' + i) : lower;
    const std::string root = std::string(1, lower) + ":\\";
    switch (GetDriveTypeW(W(Wide(root)))) {
      case DRIVE_REMOVABLE:
        Items()->Add(std::string(1, letter) + ":");
        break;
      case DRIVE_FIXED:
      case DRIVE_CDROM:
      case DRIVE_RAMDISK:
        Items()->Add(std::string(1, letter) + ": " + VolumeLabelText(letter));
        break;
      case DRIVE_REMOTE:
        Items()->Add(std::string(1, letter) + ": " + NetworkVolumeText(letter));
        break;
      default:
        break;
    }
  }
}

void TspSkinDriveComboBox::SetDrive(char value) {
  if (ItemIndex() >= 0 && tolower(static_cast<unsigned char>(value)) == tolower(static_cast<unsigned char>(FDrive)))
    return;
  if (value) {
    FDrive = FTextCase == tcUpperCase ? static_cast<char>(toupper(static_cast<unsigned char>(value)))
                                      : static_cast<char>(tolower(static_cast<unsigned char>(value)));
    int found = -1;
    for (int i = 0; i < Items()->Count() && found < 0; ++i) {
      const std::string& s = Items()->Get(i);
      if (s.size() >= 2 && s[1] == ':' && tolower(static_cast<unsigned char>(s[0])) == tolower(static_cast<unsigned char>(value)))
        found = i;
    }
    ListBox()->SetItemIndex(found);
    if (found >= 0) SetText(Items()->Get(found));
  } else {
    FDrive = 0;
    ListBox()->SetItemIndex(-1);
  }
  if (FDirList) FDirList->DriveChange(FDrive);
  Change();
}

void TspSkinDriveComboBox::SetTextCase(TTextCase value) {
  FTextCase = value;
  BuildList();
  const char d = FDrive;
  FDrive = 0;
  SetDrive(d);
}

void TspSkinDriveComboBox::SetDirList(TspSkinDirectoryListBox* value) {
  if (FDirList) FDirList->DriveCombo.Set(nullptr);
  FDirList.Set(value);
  if (value) value->DriveCombo.Set(this);
}
