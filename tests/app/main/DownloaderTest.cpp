// The Download command's side of the downloader library, against our own
// downloader in its scripted mode and a loopback web server.
#include "support/gtest.h"

#include <windows.h>

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main/AppData.h"
#include "app/main/Downloader.h"
#include "app/main/Endpoints.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"
#include "update/HttpFixture.h"

namespace {

std::string ReadNative(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DownloaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/tess-download-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    folder = pattern;
    TempFolder = FromNativePath(folder + "/Temp");
    ASSERT_EQ(0, system(("mkdir -p '" + folder + "/Temp'").c_str()));
    http.Route("/media/a.mp4", 200, "first file");
    http.Route("/media/b.mp4", 200, "second file");
    http.Route("/media/gone.mp4", 404, "not here");
    http.Route("/media/b.mp4?session=1", 200, "second file");
    DownloaderScript() = FromNativePath(folder + "/script.txt");
  }
  void TearDown() override {
    DownloaderScript().clear();
    system(("rm -rf '" + folder + "'").c_str());
  }
  void Script(const std::string& text) { std::ofstream(folder + "/script.txt") << text; }
  std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(http.Port()) + path; }

  THttpFixture http;
  std::string folder;
};

}  // namespace

TEST_F(DownloaderTest, FetchedFilesComeBackInOrderAndOnlyNamesInsideTheTempFolderAreTaken) {
  ASSERT_TRUE(LoadDownloader());
  const std::string temp = TempFolder;
  struct Case {
    const char* what;
    std::string script;
    bool ok;
    std::string result;
    std::vector<std::string> files;  // names inside Temp
    std::vector<std::string> refused;
  } cases[] = {
      {"two downloads", "url " + Url("/media/a.mp4") + "\nurl " + Url("/media/b.mp4") + " clip.mp4\n", true,
       "a.mp4|clip.mp4|", {"a.mp4", "clip.mp4"}, {}},
      {"empty names", "result a.mp4||b.mp4|", true, "a.mp4||b.mp4|", {"a.mp4", "b.mp4"}, {}},
      {"a failed download", "url " + Url("/media/gone.mp4") + "\n", true, "", {}, {}},
      {"the downloader fails", "fail", false, "", {}, {}},
      {"nothing saved", "result", true, "", {}, {}},
      {"no bar", "result a.mp4", true, "a.mp4", {}, {}},
      {"names that leave the folder", "result ../evil.mp4|C:\\evil.mp4|sub/x.mp4|..|ok.mp4|tail", true,
       "../evil.mp4|C:\\evil.mp4|sub/x.mp4|..|ok.mp4|tail", {"ok.mp4"},
       {"../evil.mp4", "C:\\evil.mp4", "sub/x.mp4", ".."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Script(c.script);
    std::string result = "stale";
    EXPECT_EQ(c.ok, RunDownloader(-20, 70000, result));
    EXPECT_EQ(c.result, result);
    std::vector<std::string> refused;
    const std::vector<std::string> files = DownloadedFiles(result, temp, &refused);
    std::vector<std::string> expected;
    for (const std::string& n : c.files) expected.push_back(temp + "\\" + n);
    EXPECT_EQ(expected, files);
    EXPECT_EQ(c.refused, refused);
  }
  // The fetched files hold what the server sent.
  EXPECT_EQ("first file", ReadNative(folder + "/Temp/a.mp4"));
  EXPECT_EQ("second file", ReadNative(folder + "/Temp/clip.mp4"));
  EXPECT_NE(0, access((folder + "/Temp/gone.mp4").c_str(), F_OK));
  FreeDownloader();
  EXPECT_FALSE(DownloaderLoaded());
}

TEST(Downloader, WindowEdgesOutsideSixteenBitsAreHeldAtTheirLimits) {
  const struct {
    int position;
    unsigned short edge;
  } cases[] = {{0, 0}, {640, 640}, {-1, 0}, {-32000, 0}, {65535, 65535}, {65536, 65535}, {1 << 20, 65535}};
  for (const auto& c : cases) EXPECT_EQ(c.edge, DownloaderEdge(c.position)) << c.position;
}

TEST(Downloader, AFolderWithAndWithoutItsTrailingDelimiterGivesOneName) {
  EXPECT_EQ(std::vector<std::string>{"C:\\Temp\\a.mp4"}, DownloadedFiles("a.mp4|", "C:\\Temp\\"));
  EXPECT_EQ(std::vector<std::string>{"C:\\Temp\\a.mp4"}, DownloadedFiles("a.mp4|", "C:\\Temp"));
}

namespace {

std::string typedAddress;

// Fills the downloader's address window once it is up and presses the
// button `command`.
void CALLBACK AnswerWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = FindWindowW(reinterpret_cast<LPCWSTR>(u"TDownloaderWindow"), nullptr);
  if (!window) return;
  KillTimer(nullptr, timer);
  HWND edit = GetDlgItem(window, 100);
  const std::u16string text = UTF8ToUTF16(typedAddress);
  SetWindowTextW(edit, reinterpret_cast<LPCWSTR>(text.c_str()));
  PostMessageW(window, WM_COMMAND, typedAddress.empty() ? IDCANCEL : IDOK, 0);
}

}  // namespace

TEST_F(DownloaderTest, TheAddressWindowFetchesTheTypedAddressOrNothingWhenCancelled) {
  // Without the test tools' switch the window asks, whatever a user's
  // settings name.
  DownloaderScript().clear();
  Script("fail\n");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(EndpointsKeyPath, true));
    reg.WriteString("DownloaderScript", FromNativePath(folder + "/script.txt"));
  }
  ASSERT_TRUE(LoadDownloader());
  std::string result;
  typedAddress = Url("/media/b.mp4?session=1");
  SetTimer(nullptr, 0, 20, AnswerWindow);
  EXPECT_TRUE(RunDownloader(100, 100, result));
  EXPECT_EQ("b.mp4|", result);
  EXPECT_EQ("second file", ReadNative(folder + "/Temp/b.mp4"));

  typedAddress.clear();
  SetTimer(nullptr, 0, 20, AnswerWindow);
  EXPECT_FALSE(RunDownloader(100, 100, result));
  EXPECT_EQ("", result);
  FreeDownloader();
  TRegistry reg;
  if (reg.OpenKey(EndpointsKeyPath, false)) reg.DeleteValue("DownloaderScript");
}
