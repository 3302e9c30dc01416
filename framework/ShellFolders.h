// The user's special folders and folder helpers for the program's working
// folders. Paths are Windows paths with a trailing backslash.
#pragma once

#include <string>

// "My Documents" of the current user.
std::string GetDocumentsFolder();
// The roaming application-data folder of the current user.
std::string GetAppDataFolder();
// The system's temporary folder.
std::string GetTempFolder();

// base + sub with the missing folders made; raises Exception when they
// cannot be made.
std::string EnsureFolder(const std::string& base, const std::string& sub);
// Deletes the folder with everything in it; true when it is gone.
bool DeleteFolderTree(const std::string& folder);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
