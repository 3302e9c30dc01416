#include "app/main/MainSetup.h"

#include <windows.h>
#include <shlobj.h>

#include "app/main/AppData.h"
#include "framework/ShellFolders.h"
#include "framework/SysUtils.h"

namespace {

bool MakeFolder(const std::string& folder) {
  return DirectoryExists(folder) || CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
}

struct TFilterRow {
  const char* name;
  const char* pattern;
};

// The high-definition pattern "*m2ts" has no dot, so it also takes names
// that merely end in "m2ts".
const TFilterRow videoRows[] = {
    {"MOD files", "*.mod"},
    {"High-definition files", "*.mts;*.ts;*m2ts;*.tp"},
    {"AVI files", "*.avi"},
    {"MPEG-4 files", "*.mp4;*.m4v"},
    {"MPEG files", "*.mpg;*.mpeg"},
    {"3GP files", "*.3gp;*.3g2"},
    {"Windows Media Video", "*.wmv;*.asf"},
    {"Real Media files", "*.rm;*.rmvb"},
    {"Video CD files", "*.dat"},
    {"Quick Time files", "*.mov"},
    {"Flash Video files", "*.flv;*.f4v"},
    {"Matroska files", "*.mkv"},
    {"Digital Video files", "*.dv"},
    {"NUT files", "*.nut"},
    {"Raw h.264 video files", "*.h.264"},
    {"Nullsoft Stream Video", "*.nsv"},
    {"Video Object files", "*.vob"},
};

const TFilterRow audioRows[] = {
    {"Advanced Audio Coding", "*.aac"},
    {"Dolby-digital AC-3", "*.ac3"},
    {"Adaptive Multi-Rate", "*.amr"},
    {"Monkey's Audio", "*.ape"},
    {"Digital Theater System", "*.dts"},
    {"Free Lossless Audio", "*.flac"},
    {"Matroska Audio", "*.mka"},
    {"MPEG Audio", "*.mpa"},
    {"MP2 MPEG-1 layer 2 audio", "*.mp2"},
    {"MP3 MPEG-1 layer 3 audio", "*.mp3"},
    {"MPEG-4 Audio", "*.m4a"},
    {"Musepack", "*.mpc"},
    {"OptimFROG Audio", "*.ofr"},
    {"OGG Vorbis Audio", "*.ogg"},
    {"RealAudio files", "*.ra;*.ram;*.rmm"},
    {"The True Audio", "*.tta"},
    {"Waveform files", "*.wav"},
    {"Windows Media Audio", "*.wma"},
};

std::string& OwnTempFolder() {
  static std::string folder;
  return folder;
}

}  // namespace

std::string SpecialFolderPath(int id) {
  char16_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                              reinterpret_cast<LPWSTR>(path))))
    return "";
  return UTF16ToUTF8(path);
}

std::string SetUpFolders() {
  const std::string personal = SpecialFolderPath(CSIDL_PERSONAL);
  const std::string base = personal + "\\Brenlowe\\Tessavane";
  TempFolder = base + "\\Temp";
  OwnTempFolder() = TempFolder;
  CustomProfileFolder = SpecialFolderPath(CSIDL_APPDATA) + "\\Tessavane";
  MakeFolder(personal + "\\Brenlowe");
  MakeFolder(base);
  const std::string output = base + "\\Output";
  MakeFolder(output);
  MakeFolder(TempFolder);
  const std::string snapshots = base + "\\Snapshots";
  MakeFolder(snapshots);
  if (DirectoryExists(snapshots)) SnapshotFolder = snapshots;
  MakeFolder(CustomProfileFolder);
  if (!DirectoryExists(TempFolder)) TempFolder = "c:\\Brenlowe_temp";
  ReportDataFolder = base + "\\ReportData";
  MakeFolder(ReportDataFolder);
  return DirectoryExists(output) ? output : "";
}

std::string PrepareSdlLibrary(int n) {
  const std::string name = "\\SDL_" + std::to_string(n) + ".dll";
  const std::string copy = TempFolder + name;
  if (!FileExists(copy))
    CopyFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(ExeFolder() + "LibAV\\SDL.dll").c_str()),
              reinterpret_cast<LPCWSTR>(UTF8ToUTF16(copy).c_str()), FALSE);
  return name;
}

std::string OpenDialogFilter() {
  std::string video, audio;
  for (const TFilterRow& r : videoRows) video += std::string(r.pattern) + ";";
  for (const TFilterRow& r : audioRows) audio += std::string(r.pattern) + ";";
  std::string filter = Translate("All Video & Audio Formats") + "|" + video + audio;
  filter += "|" + Translate("Video Formats") + "|" + video;
  filter += "|" + Translate("Audio Formats") + "|" + audio;
  for (const auto* rows : {&videoRows[0], &audioRows[0]}) {
    const size_t count = rows == videoRows ? std::size(videoRows) : std::size(audioRows);
    for (size_t i = 0; i < count; ++i)
      filter += std::string("|") + rows[i].name + " (" + rows[i].pattern + ")|" + rows[i].pattern + ";";
  }
  return filter;
}

std::string DefaultTempFolder() { return OwnTempFolder(); }

void CleanTempFolder() {
  if (!OwnTempFolder().empty() && lstrcmpiW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(TempFolder).c_str()),
                                                reinterpret_cast<LPCWSTR>(UTF8ToUTF16(OwnTempFolder()).c_str())) == 0) {
    DeleteFolderTree(TempFolder, true, false, false);
    return;
  }
  for (int n = 0; n <= 3; ++n) {
    const std::string copy = TempFolder + "\\SDL_" + std::to_string(n) + ".dll";
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(copy).c_str()));
  }
}
