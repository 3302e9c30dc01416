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
// Deletes what the folder holds and, with removeFolder, the folder itself.
// resetAttributes clears read-only and other attributes first, so such
// files go too; stopOnFailure ends at the first entry that cannot be
// deleted. True when everything asked for is gone; false for a folder that
// does not exist. A drive root is never emptied; links to folders are
// removed, not followed.
bool DeleteFolderTree(const std::string& folder, bool resetAttributes = true, bool stopOnFailure = false,
                      bool removeFolder = true);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
