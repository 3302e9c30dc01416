// The updater window over a loopback server: the new-version question, the
// download window's gauge, and the messages that appear only after the
// start-up check. Message boxes are answered from inside their loops.
#include "support/gtest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "HttpFixture.h"
#include "app/update/updater.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/dialogs/spMessages.h"

namespace {

std::string Meta(const std::string& tag, const std::string& value) {
  return "<META NAME=\"" + tag + "\" CONTENT=\"" + value + "\">";
}

std::string Page(const std::string& version) {
  return Meta("mxProduct", "Tessavane") + "\r\n" + Meta("mxVersion", version) + "\r\n" +
         Meta("mxDownload", "http://127.0.0.1/update.bin") + "\r\n" + Meta("mxClientSideName", "update.bin") + "\r\n";
}

std::string TestFolder() {
  char16_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, reinterpret_cast<LPWSTR>(temp));
  const std::string folder = IncludeTrailingPathDelimiter(UTF16ToUTF8(temp)) + "tess-updater";
  ForceDirectories(folder);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "\\update.bin").c_str()));
  return folder;
}

// An updater window aimed at the fixture; every message box it shows is
// recorded and answered with `answer`.
struct TUpdaterRun {
  THttpFixture server;
  TUpdaterForm form{nullptr};
  std::vector<std::string> boxes;
  WPARAM answer = VK_ESCAPE;
  std::string folder = TestFolder();
  TUpdaterRun() {
    auto* u = form.WebUpdater;
    u->ProductInfo()->SetURL("127.0.0.1/version.htm");
    u->ProductInfo()->Version = "1.0";
    u->HTTPPort = static_cast<unsigned>(server.Port());
    u->TargetFolder = folder;
    // Nothing downloaded here is started, and the tests go on afterwards.
    u->Options = uoOverwrite;
    form.SkinMessage->OnBoxCreated = [this](TspMessageForm* f) {
      boxes.push_back(f->Caption() + ": " + f->Message->Caption());
      auto* focused = f->ActiveControl();
      HWND target = focused ? focused->Handle() : f->Handle();
      PostMessageW(target, WM_KEYDOWN, answer, 0);
      PostMessageW(target, WM_KEYUP, answer, 0xC0000001);
    };
  }
  ~TUpdaterRun() { StartupCheckDone = false; }
};

}  // namespace

TEST(Updater, TheWindowCarriesItsTranslatedTextsAndTheComponentsSettings) {
  TUpdaterForm form(nullptr);
  EXPECT_EQ("Update Software", form.Caption());
  EXPECT_EQ("Cancel", form.CancelBtn->Caption());
  EXPECT_EQ("Downloading new version. Please wait...", form.lblInfo->Caption());
  EXPECT_EQ(form.WebUpdater, form.FindComponent("WebUpdater"));
  EXPECT_EQ(form.Gauge, form.FindComponent("Gauge"));
  EXPECT_EQ(0, form.Gauge->MinValue());
  EXPECT_EQ(100, form.Gauge->MaxValue());
  EXPECT_EQ(vfString, form.WebUpdater->ProductInfo()->VersionFormat);
  EXPECT_EQ(uoRunUpdate | uoTerminate | uoOverwrite, form.WebUpdater->Options);
  // The information window is always switched off.
  bool show = true, check = true;
  form.WebUpdater->OnBeforeShowInfo(form.WebUpdater, show, check);
  EXPECT_FALSE(show);
}

TEST(Updater, AnsweringNoToTheNewVersionDownloadsNothing) {
  TUpdaterRun run;
  run.server.Route("/version.htm", 200, Page("1.1"));
  run.server.Route("/update.bin", 200, std::string(3000, 'u'));
  run.answer = VK_ESCAPE;  // No
  EXPECT_FALSE(run.form.WebUpdater->CheckForAnUpdate());
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("Warning: The new version 1.1 is available. Update Tessavane?", run.boxes[0]);
  EXPECT_EQ(1u, run.server.Requests().size()) << "only the version page was asked for";
  EXPECT_FALSE(run.form.Visible());
  EXPECT_FALSE(FileExists(run.folder + "\\update.bin"));
}

TEST(Updater, YesShowsTheDownloadWindowWhoseGaugeFollowsTheContentLength) {
  TUpdaterRun run;
  run.server.Route("/version.htm", 200, Page("1.1"));
  run.server.Route("/update.bin", 200, std::string(5000, 'u'));
  run.answer = VK_RETURN;  // Yes, the default
  std::vector<int> maxima;
  auto onDownload = run.form.WebUpdater->OnDownload;
  run.form.WebUpdater->OnDownload = [&](TObject* s, int total, int done) {
    onDownload(s, total, done);
    if (run.form.Visible()) maxima.push_back(run.form.Gauge->MaxValue());
  };
  EXPECT_TRUE(run.form.WebUpdater->CheckForAnUpdate());
  EXPECT_EQ(1u, run.boxes.size());
  EXPECT_TRUE(run.form.Visible());
  EXPECT_EQ(110, run.form.ClientHeight());
  // Five blocks of the file, each against the server's length.
  EXPECT_EQ(std::vector<int>(5, 5000), maxima);
  EXPECT_EQ(5000, run.form.Gauge->MaxValue());
  EXPECT_EQ(5000, run.form.Gauge->Value());
  run.form.Hide();
}

TEST(Updater, FailuresAndNoUpdateAreSilentAtStartUpAndShownOnRequest) {
  struct Case {
    const char* what;
    bool afterStartup;
    bool pageThere;
    std::vector<std::string> boxes;
  } cases[] = {
      {"unreachable page at start-up", false, false, {}},
      {"same version at start-up", false, true, {}},
      {"unreachable page on request",
       true,
       false,
       {"Error: Cannot download data from the server!", "Error: Cannot download data from the server!"}},
      {"same version on request",
       true,
       true,
       {"Information: No updates available. You are using the recent version."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TUpdaterRun run;
    run.answer = VK_RETURN;
    if (c.pageThere) run.server.Route("/version.htm", 200, Page("1.0"));
    StartupCheckDone = c.afterStartup;
    EXPECT_FALSE(run.form.WebUpdater->CheckForAnUpdate());
    EXPECT_EQ(c.boxes, run.boxes);
  }
}

TEST(Updater, TheInformationWindowCentresItsButtons) {
  TUpdaterForm owner(nullptr);
  Tfrm_ShowInfoUpdate info(&owner);
  EXPECT_EQ("mxWebUpdate", info.Caption());
  // The bottom panel spans the window; an odd width leaves the extra pixel
  // on the right.
  info.SetWidth(433);
  info.Panel_BottomResize(info.Panel_Bottom);
  const int pw = info.Panel_Bottom->Width();
  EXPECT_GT(pw, 200);
  const int w = info.btn_OK->Width() + info.btn_Cancel->Width();
  EXPECT_EQ((pw - w - 6) / 2, info.btn_OK->Left());
  EXPECT_EQ(info.btn_OK->Left() + info.btn_OK->Width() + 3, info.btn_Cancel->Left());
}
