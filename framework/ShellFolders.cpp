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

bool DeleteFolderTree(const std::string& folder) {
  std::string dir = ExcludeTrailingPathDelimiter(folder);
  if (dir.size() <= 3) return false;  // never a drive root
  std::u16string pattern = UTF8ToUTF16(dir + "\\*");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(data.cFileName));
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      std::u16string wide = UTF8ToUTF16(full);
      // Links to folders are removed, not followed.
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteFolderTree(full);
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(reinterpret_cast<LPCWSTR>(wide.c_str()));
      } else {
        SetFileAttributesW(reinterpret_cast<LPCWSTR>(wide.c_str()), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(reinterpret_cast<LPCWSTR>(wide.c_str()));
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  std::u16string wide = UTF8ToUTF16(dir);
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(wide.c_str()));
  return !DirectoryExists(dir);
}
