#include "framework/ShellFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/SysUtils.h"

namespace {
std::string SpecialFolder(int csidl) {
  char16_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                              reinterpret_cast<LPWSTR>(path))))
    throw Exception("Cannot find the special folder " + std::to_string(csidl));
  return IncludeTrailingPathDelimiter(UTF16ToUTF8(path));
}
}  // namespace

std::string GetDocumentsFolder() { return SpecialFolder(CSIDL_PERSONAL); }

std::string GetAppDataFolder() { return SpecialFolder(CSIDL_APPDATA); }

std::string GetTempFolder() {
  char16_t path[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, reinterpret_cast<LPWSTR>(path));
  if (n == 0 || n > MAX_PATH) throw Exception("Cannot find the temporary folder");
  return IncludeTrailingPathDelimiter(UTF16ToUTF8(path));
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && (p.back() == '\\' || p.back() == '/') && !(p.size() == 3 && p[1] == ':')) p.pop_back();
  return p;
}

std::string EnsureFolder(const std::string& base, const std::string& sub) {
  std::string folder = IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(base) + sub);
  if (!DirectoryExists(folder) && !ForceDirectories(ExcludeTrailingPathDelimiter(folder)))
    throw Exception("Cannot create the folder \"" + folder + "\"");
  return folder;
}

bool DeleteFolderTree(const std::string& folder, bool resetAttributes, bool stopOnFailure, bool removeFolder) {
  const std::string dir = ExcludeTrailingPathDelimiter(folder);
  if (dir.size() <= 3 || !DirectoryExists(dir)) return false;  // never a drive root
  auto wide = [](const std::string& name) { return UTF8ToUTF16(name); };
  auto path = [](const std::u16string& name) { return reinterpret_cast<LPCWSTR>(name.c_str()); };
  bool result = true;
  const std::u16string pattern = wide(dir + "\\*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path(pattern), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(data.cFileName));
      if (name == "." || name == "..") continue;
      const std::string full = dir + "\\" + name;
      const std::u16string w = wide(full);
      if (resetAttributes) SetFileAttributesW(path(w), FILE_ATTRIBUTE_ARCHIVE);
      bool ok;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ok = DeleteFolderTree(full, resetAttributes, stopOnFailure, true);
      else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        ok = RemoveDirectoryW(path(w)) != FALSE;
      else
        ok = DeleteFileW(path(w)) != FALSE;
      // One entry left behind makes the whole call fail, whichever entry
      // came last.
      result = result && ok;
      if (!ok && stopOnFailure) break;
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  if (!result) return false;
  if (removeFolder && !RemoveDirectoryW(path(wide(dir)))) return false;
  return true;
}
