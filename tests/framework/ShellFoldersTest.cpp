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

namespace {

void Touch(const std::string& name, bool readOnly) {
  WriteFileBytes(name, "x", 1);
  if (readOnly) SetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), FILE_ATTRIBUTE_READONLY);
}

}  // namespace

TEST(ShellFolders, DeletingATreeHonoursItsFlagsAndReportsAnyEntryLeft) {
  const std::string base = GetTempFolder() + "tess-tree";
  const struct {
    bool reset, stop, removeFolder;
    bool result, folderLeft, readOnlyLeft;
  } cases[] = {
      {true, false, true, true, false, false},   // everything goes
      {true, false, false, true, true, false},   // the folder stays, empty
      {false, false, true, false, true, true},   // the read-only file stays: a failure
      {false, true, true, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.reset) + std::to_string(c.stop) + std::to_string(c.removeFolder));
    DeleteFolderTree(base);
    EnsureFolder(base, "sub");
    Touch(base + "\\a.tmp", false);
    Touch(base + "\\sub\\locked.tmp", true);
    Touch(base + "\\z.tmp", false);
    EXPECT_EQ(c.result, DeleteFolderTree(base, c.reset, c.stop, c.removeFolder));
    EXPECT_EQ(c.folderLeft, DirectoryExists(base));
    EXPECT_EQ(c.readOnlyLeft, FileExists(base + "\\sub\\locked.tmp"));
    if (!c.stop && c.folderLeft) {
      EXPECT_FALSE(FileExists(base + "\\a.tmp"));
      EXPECT_FALSE(FileExists(base + "\\z.tmp"));
    }
  }
  DeleteFolderTree(base);
  EXPECT_FALSE(DeleteFolderTree(base));  // no such folder
}
