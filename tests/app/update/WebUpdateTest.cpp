// The update check against a loopback server: the version page, its
// redirections, the version rules, the download and its failures.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "HttpFixture.h"
#include "app/update/mxWebUpdate.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"

namespace {

std::string Meta(const std::string& tag, const std::string& value) {
  return "<META NAME=\"" + tag + "\" CONTENT=\"" + value + "\">";
}

std::string Page(const std::string& version, const std::string& extra = "") {
  return "<html><head>\r\n" + Meta("mxProduct", "Tessavane") + "\r\n" + Meta("mxVersion", version) + "\r\n" +
         Meta("mxDownload", "http://127.0.0.1/update.bin") + "\r\n" + Meta("mxClientSideName", "update.bin") +
         "\r\n" + extra + "</head><body>new</body></html>\r\n";
}

// A folder of its own under the system's temporary folder, emptied first.
std::string TestFolder(const std::string& name) {
  char16_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, reinterpret_cast<LPWSTR>(temp));
  const std::string folder = IncludeTrailingPathDelimiter(UTF16ToUTF8(temp)) + "tess-update-" + name;
  ForceDirectories(folder);
  WIN32_FIND_DATAW fd;
  const std::u16string pattern = UTF8ToUTF16(folder + "\\*");
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string file = folder + "\\" + UTF16ToUTF8(reinterpret_cast<const char16_t*>(fd.cFileName));
      DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(file).c_str()));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return folder;
}

std::string ReadWhole(const std::string& windowsPath) {
  std::ifstream in(ToNativePath(windowsPath), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A component aimed at the fixture, recording its events in order.
struct TUpdateRun {
  THttpFixture server;
  TmxWebUpdate update{nullptr};
  std::vector<std::string> events;
  std::vector<int> progress;
  explicit TUpdateRun(const std::string& folder) {
    update.ProductInfo()->SetURL("127.0.0.1/version.htm");
    update.HTTPPort = static_cast<unsigned>(server.Port());
    update.TargetFolder = folder;
    update.Options = 0;
    auto note = [this](const char* what) { return [this, what](TObject*) { events.push_back(what); }; };
    update.OnBeforeGetInfo = note("before get info");
    update.OnAfterGetInfo = note("after get info");
    update.OnNoUpdateFound = note("no update");
    update.OnDownloadError = note("download error");
    update.OnCannotExecute = note("cannot execute");
    update.OnUpdateAvailable = [this](TObject*, const std::string& actual, const std::string& offered, bool&) {
      events.push_back("available " + actual + " -> " + offered);
    };
    update.OnBeforeShowInfo = [this](TObject*, bool& show, bool&) {
      events.push_back("show info");
      show = false;
    };
    update.OnBeforeDownload = [this](TObject*, const std::string&) { events.push_back("before download"); };
    update.OnAfterDownload = [this](TObject*, const std::string&) { events.push_back("after download"); };
    update.OnDownload = [this](TObject*, int total, int downloaded) {
      progress.push_back(downloaded);
      events.push_back("block of " + std::to_string(total));
    };
  }
};

}  // namespace

TEST(WebUpdate, AddressesGetTheSchemeAndVersionsCompareByTheirFormat) {
  TmxWebUpdate update(nullptr);
  EXPECT_EQ("1.21", update.Version());
  EXPECT_EQ("http://", update.ProductInfo()->URL());
  const std::pair<const char*, const char*> urls[] = {
      {"example.com/v.htm", "http://example.com/v.htm"}, {"HTTP://Example.com/v.htm", "HTTP://Example.com/v.htm"},
      {"", "http://"}, {"http://x/y", "http://x/y"}};
  for (const auto& u : urls) {
    update.ProductInfo()->SetURL(u.first);
    EXPECT_EQ(u.second, update.ProductInfo()->URL()) << u.first;
  }

  struct Case {
    TmxVersionFormat format;
    const char *installed, *offered;
    bool newer;
  } cases[] = {
      {vfStandard, "1.9", "2.0", true},    {vfStandard, "2.0", "2.0", false}, {vfStandard, "1.0", "1.0.1", false},
      {vfStandard, "1.9", "1.10", true},   {vfStandard, "2.1", "1.9", false}, {vfStandard, "1.0", "abc", false},
      {vfString, "1.9", "1.10", false},    {vfString, "1.0", "1.1", true},    {vfNumber, "1.5", "1.75", true},
      {vfNumber, "2", "1.5", false},       {vfNumber, "x", "2", false},
  };
  int noUpdate = 0;
  update.OnNoUpdateFound = [&](TObject*) { ++noUpdate; };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.installed) + " -> " + c.offered);
    update.ProductInfo()->VersionFormat = c.format;
    update.ProductInfo()->Version = c.installed;
    update.ParseVersionPage({Meta("mxVersion", c.offered)});
    const int before = noUpdate;
    EXPECT_EQ(c.newer, update.IsNewerVersion());
    EXPECT_EQ(c.newer ? before : before + 1, noUpdate) << "every answer that is not newer says so";
  }
}

TEST(WebUpdate, PageLinesGiveTheirTaggedValues) {
  TmxWebUpdate update(nullptr);
  update.ParseVersionPage({
      "<META NAME=\"mxProduct\" content=\"Lower-case content\">",  // the value's name is found in any case
      "<meta name=\"mxAuthor\" CONTENT=\"ignored\">",              // the tag's is not
      Meta("mxVersion", "1.0"),
      Meta("mxVersion", "1.1"),  // a later line wins
      Meta("mxUnknown", "x"),
      "<META NAME=\"mxEmail\" CONTENT=\"no closing quote>",
      Meta("mxRunParameters", "/silent"),
  });
  EXPECT_EQ("Lower-case content", update.ProductName());
  EXPECT_EQ("", update.Author());
  EXPECT_EQ("1.1", update.ProductVersion());
  EXPECT_EQ("", update.EMail());
  EXPECT_EQ("/silent", update.RunParameters());
}

TEST(WebUpdate, ANewerVersionIsDownloadedInBlocksWithItsEventsInOrder) {
  const std::string folder = TestFolder("newer");
  TUpdateRun run(folder);
  std::string file(3000, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7);
  run.server.Route("/version.htm", 200, Page("1.1"));
  run.server.Route("/update.bin", 200, file);
  EXPECT_TRUE(run.update.CheckForAnUpdate());
  EXPECT_EQ(file, ReadWhole(folder + "\\update.bin"));
  EXPECT_EQ(folder + "\\update.bin", run.update.FileName());
  const std::vector<std::string> expected = {"before get info", "block of " + std::to_string(Page("1.1").size()),
                                             "after get info", "available 1.0 -> 1.1", "show info",
                                             "before download", "block of 3000", "block of 3000", "block of 3000",
                                             "after download"};
  EXPECT_EQ(expected, run.events);
  EXPECT_EQ((std::vector<int>{static_cast<int>(Page("1.1").size()), 1025, 2050, 3000}), run.progress);
  const auto requests = run.server.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(0u, requests[0].find("GET /version.htm HTTP/1.0\r\n")) << requests[0];
  EXPECT_NE(std::string::npos, requests[0].find("User-Agent: TmxWebUpdate")) << requests[0];
  EXPECT_EQ(0u, requests[1].find("GET /update.bin HTTP/1.0\r\n")) << requests[1];
}

TEST(WebUpdate, FailedChecksAndDownloadsSayWhy) {
  const std::string folder = TestFolder("failures");
  struct Case {
    const char* what;
    std::string page;
    int pageStatus;
    int fileStatus;
    long fileLength;
    std::vector<std::string> events;
  } cases[] = {
      {"same version", Page("1.0"), 200, 200, THttpFixture::kTrueLength,
       {"before get info", "after get info", "no update"}},
      {"no version page", "", 404, 200, THttpFixture::kTrueLength,
       {"before get info", "download error", "after get info", "download error"}},
      {"page without tags", "<html>nothing</html>", 200, 200, THttpFixture::kTrueLength,
       {"before get info", "after get info", "download error"}},
      {"file shorter than announced", Page("1.1"), 200, 200, 4000,
       {"before get info", "after get info", "available 1.0 -> 1.1", "show info", "before download",
        "download error", "after download"}},
      {"file without length", Page("1.1"), 200, 200, THttpFixture::kNoLength,
       {"before get info", "after get info", "available 1.0 -> 1.1", "show info", "before download",
        "download error", "after download"}},
      {"error page of the file's length", Page("1.1"), 200, 404, THttpFixture::kTrueLength,
       {"before get info", "after get info", "available 1.0 -> 1.1", "show info", "before download",
        "download error", "after download"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    TUpdateRun run(folder);
    run.update.OnDownload = nullptr;
    if (c.pageStatus != 404) run.server.Route("/version.htm", c.pageStatus, c.page);
    run.server.Route("/update.bin", c.fileStatus, std::string(3000, 'u'), c.fileLength);
    EXPECT_FALSE(run.update.CheckForAnUpdate());
    EXPECT_EQ(c.events, run.events);
    EXPECT_FALSE(run.update.Active());
    DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "\\update.bin").c_str()));
  }
}

TEST(WebUpdate, RedirectionsAreFollowedAndBounded) {
  const std::string folder = TestFolder("redirect");
  {
    TUpdateRun run(folder);
    run.update.OnDownload = nullptr;
    run.update.ProductInfo()->Version = "1.1";
    run.server.Route("/version.htm", 200, Page("9.9", Meta("mxRedirection", "http://127.0.0.1/second.htm")));
    run.server.Route("/second.htm", 200, Page("1.1"));
    EXPECT_FALSE(run.update.CheckForAnUpdate());
    EXPECT_EQ("1.1", run.update.ProductVersion()) << "the last page's values count";
    EXPECT_EQ((std::vector<std::string>{"before get info", "after get info", "no update"}), run.events);
    EXPECT_EQ(2u, run.server.Requests().size());
  }
  {
    TUpdateRun run(folder);
    run.update.OnDownload = nullptr;
    run.server.Route("/version.htm", 200, Page("2.0", Meta("mxRedirection", "http://127.0.0.1/version.htm")));
    EXPECT_FALSE(run.update.CheckForAnUpdate());
    EXPECT_EQ(static_cast<size_t>(TmxWebUpdate::MaxRedirections + 1), run.server.Requests().size());
    EXPECT_EQ((std::vector<std::string>{"before get info", "download error", "after get info"}), run.events);
  }
}

TEST(WebUpdate, TheUpdateFileStaysInItsFolderAndIsNotOverwrittenUnlessAllowed) {
  const std::string folder = TestFolder("names");
  TUpdateRun run(folder);
  run.server.Route("/version.htm", 200,
                   "<html>\r\n" + Meta("mxProduct", "Tessavane") + "\r\n" + Meta("mxVersion", "1.1") + "\r\n" +
                       Meta("mxDownload", "/update.bin") + "\r\n" + Meta("mxClientSideName", "..\\..\\evil.bin") +
                       "\r\n</html>");
  run.server.Route("/update.bin", 200, "new");
  EXPECT_TRUE(run.update.CheckForAnUpdate());
  EXPECT_EQ(folder + "\\evil.bin", run.update.FileName());
  EXPECT_EQ("new", ReadWhole(folder + "\\evil.bin"));

  // The file is there now: without permission nothing is fetched.
  run.events.clear();
  run.server.Route("/update.bin", 200, "newer");
  EXPECT_FALSE(run.update.CheckForAnUpdate());
  EXPECT_EQ("download error", run.events.back());
  EXPECT_EQ("new", ReadWhole(folder + "\\evil.bin"));
  // The owner may allow it.
  run.update.OnClientFileExists = [](TObject*, std::string&, bool& overwrite) { overwrite = true; };
  EXPECT_TRUE(run.update.CheckForAnUpdate());
  EXPECT_EQ("newer", ReadWhole(folder + "\\evil.bin"));
}

TEST(WebUpdate, TheDownloadedUpdateIsStartedAndAFailedStartKeepsTheProgram) {
  const std::string folder = TestFolder("run");
  const std::string marker = folder + "\\ran.txt";
  {
    TUpdateRun run(folder);
    run.update.Options = uoRunUpdate;
    run.server.Route("/version.htm", 200,
                     "<html>\r\n" + Meta("mxProduct", "Tessavane") + "\r\n" + Meta("mxVersion", "1.1") + "\r\n" +
                         Meta("mxDownload", "/update.bat") + "\r\n" + Meta("mxClientSideName", "update.bat") +
                         "\r\n</html>");
    run.server.Route("/update.bat", 200, "@echo off\r\necho done> \"" + marker + "\"\r\n");
    EXPECT_TRUE(run.update.CheckForAnUpdate());
    bool ran = false;
    for (int i = 0; i < 200 && !ran; ++i) {
      Application->ProcessMessages();
      Sleep(50);
      ran = FileExists(marker);
    }
    EXPECT_TRUE(ran) << "the update script wrote its marker";
    EXPECT_EQ(run.events.end(), std::find(run.events.begin(), run.events.end(), "cannot execute"));
  }
  {
    TUpdateRun run(folder);
    run.update.Options = uoRunUpdate | uoTerminate;
    run.server.Route("/version.htm", 200,
                     "<html>\r\n" + Meta("mxProduct", "Tessavane") + "\r\n" + Meta("mxVersion", "1.1") + "\r\n" +
                         Meta("mxDownload", "/update.nothing") + "\r\n" +
                         Meta("mxClientSideName", "update.nothing") + "\r\n</html>");
    run.server.Route("/update.nothing", 200, "data");
    EXPECT_TRUE(run.update.CheckForAnUpdate());
    EXPECT_EQ("cannot execute", run.events.back());
    EXPECT_FALSE(Application->Terminated()) << "an update that did not start leaves the program running";
  }
}
