#include "support/gtest.h"

#include <windows.h>

#include "framework/ShellFolders.h"
#include "framework/Streams.h"

namespace {

TEST(ShellFolders, SpecialFoldersExist) {
  for (const std::string& folder : {GetDocumentsFolder(), GetAppDataFolder(), GetTempFolder()}) {
    EXPECT_EQ(folder.back(), '\\') << folder;
    EXPECT_TRUE(DirectoryExists(folder)) << folder;
  }
  EXPECT_NE(GetDocumentsFolder(), GetAppDataFolder());
}

TEST(ShellFolders, WorkingFoldersAreMadeAndRemovedWithTheirContents) {
  std::string base = GetTempFolder() + "tess-folders";
  DeleteFolderTree(base);
  std::string temp = EnsureFolder(base, "Brenlowe\\Tessavane\\Temp");
  EXPECT_EQ(temp, base + "\\Brenlowe\\Tessavane\\Temp\\");
  EXPECT_TRUE(DirectoryExists(temp));
  EXPECT_EQ(EnsureFolder(base, "Brenlowe\\Tessavane\\Temp"), temp);  // already there
  WriteFileBytes(temp + "part1.mp4", "x", 1);
  EnsureFolder(temp, "sub");
  WriteFileBytes(temp + "sub\\file", "y", 1);
  SetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(temp + "sub\\file").c_str()), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteFolderTree(temp));
  EXPECT_FALSE(DirectoryExists(temp));
  EXPECT_TRUE(DirectoryExists(base + "\\Brenlowe\\Tessavane"));
  EXPECT_TRUE(DeleteFolderTree(base));
  EXPECT_FALSE(DeleteFolderTree("C:\\"));
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\a\\"), "C:\\a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\"), "C:\\");
}

}  // namespace
