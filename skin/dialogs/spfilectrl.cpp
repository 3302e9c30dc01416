#include "skin/dialogs/spfilectrl.h"

#include <windows.h>
#include <winnetwk.h>

#include "framework/SysUtils.h"

namespace {

std::u16string Wide(const std::string& s) { return UTF8ToUTF16(s); }
LPCWSTR W(const std::u16string& s) { return reinterpret_cast<LPCWSTR>(s.c_str()); }

std::string CaseOf(std::string s, bool lower) {
  std::u16string w = Wide(s);
  if (w.empty()) return s;
  if (lower)
    CharLowerBuffW(reinterpret_cast<LPWSTR>(&w[0]), static_cast<DWORD>(w.size()));
  else
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
  if (CaseOf(value, true) == CaseOf(FFilter, true)) return;
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

// The text change already told OnChange; no file list box is linked here.
void TspSkinFilterComboBox::Change() {}
