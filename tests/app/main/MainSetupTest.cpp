// Start-up pieces of the main window that need no window: the working
// folders, the per-player library copies and the open dialog's filter.
#include "support/gtest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/main/AppData.h"
#include "app/main/MainSetup.h"
#include "framework/ShellFolders.h"
#include "framework/SysUtils.h"

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == sep)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

void WriteText(const std::string& name, const std::string& text) {
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

TEST(MainSetup, WorkingFoldersAreMadeUnderTheUsersFolders) {
  const std::string documents = SpecialFolderPath(5);
  ASSERT_FALSE(documents.empty());
  EXPECT_NE('\\', documents.back());
  EXPECT_FALSE(SpecialFolderPath(26).empty());

  const std::string output = SetUpFolders();
  const std::string base = documents + "\\Brenlowe\\Tessavane";
  EXPECT_EQ(base + "\\Output", output);
  EXPECT_EQ(base + "\\Temp", TempFolder);
  EXPECT_EQ(base + "\\Snapshots", SnapshotFolder);
  EXPECT_EQ(base + "\\ReportData", ReportDataFolder);
  EXPECT_EQ(SpecialFolderPath(26) + "\\Tessavane", CustomProfileFolder);
  for (const std::string& f : {output, TempFolder, SnapshotFolder, ReportDataFolder, CustomProfileFolder})
    EXPECT_TRUE(DirectoryExists(f)) << f;
}

TEST(MainSetup, EachPlayerGetsItsOwnLibraryCopyMadeOnce) {
  SetUpFolders();
  const std::string copy = TempFolder + "\\SDL_3.dll";
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(copy).c_str()));
  EXPECT_EQ("\\SDL_3.dll", PrepareSdlLibrary(3));
  ASSERT_TRUE(FileExists(copy));
  // A copy that is there already is left as it is.
  WriteText(copy, "kept");
  EXPECT_EQ("\\SDL_3.dll", PrepareSdlLibrary(3));
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(copy).c_str()), GENERIC_READ, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(4u, GetFileSize(f, nullptr));
  CloseHandle(f);
  EXPECT_TRUE(DeleteFolderTree(TempFolder, true, false, false));
  EXPECT_TRUE(DirectoryExists(TempFolder));
  EXPECT_FALSE(FileExists(copy));
}

TEST(MainSetup, TheOpenFilterListsAllThenVideoThenAudioThenEachFormat) {
  const std::vector<std::string> parts = Split(OpenDialogFilter(), '|');
  // Name and pattern list of 3 + 17 + 18 entries.
  ASSERT_EQ(2u * (3 + 17 + 18), parts.size());
  EXPECT_EQ("All Video & Audio Formats", parts[0]);
  EXPECT_EQ("Video Formats", parts[2]);
  EXPECT_EQ("Audio Formats", parts[4]);
  const std::string video = parts[3], audio = parts[5];
  EXPECT_EQ(video + audio, parts[1]);
  EXPECT_EQ(0u, video.find("*.mod;*.mts;*.ts;*m2ts;*.tp;*.avi;"));
  EXPECT_EQ(0u, audio.find("*.aac;*.ac3;"));
  EXPECT_NE(std::string::npos, audio.find("*.ra;*.ram;*.rmm;"));
  for (size_t i = 1; i < parts.size(); i += 2) EXPECT_EQ(';', parts[i].back()) << parts[i - 1];
  EXPECT_EQ("MOD files (*.mod)", parts[6]);
  EXPECT_EQ("High-definition files (*.mts;*.ts;*m2ts;*.tp)", parts[8]);
  EXPECT_EQ("*.mts;*.ts;*m2ts;*.tp;", parts[9]);
  EXPECT_EQ("Windows Media Audio (*.wma)", parts[parts.size() - 2]);
}
