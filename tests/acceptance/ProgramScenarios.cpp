// The program assembled: its windows are reached the way a person reaches
// them, from the menus and buttons of the main window.
#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "acceptance/ConversionSteps.h"
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/GuiHandles.h"
#include "support/gtest.h"

namespace {

// Two short clips made by the ffmpeg tool; the first one's name has blanks,
// a comma and letters outside ASCII.
const char* const kClipOne = "clip one, \xC3\xBC\xC3\xA9.mp4";  // "clip one, üé.mp4"
const char* const kClipTwo = "second clip.mp4";

void MakeClips() {
  const std::vector<fixtures::TFixture> clips = {
      {kClipOne,
       "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i "
       "sine=frequency=440:duration=3 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '{out}'"},
      {kClipTwo,
       "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=4 -f lavfi -i "
       "sine=frequency=880:duration=4 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '{out}'"},
      {"not media.mp4", "printf 'this is no media file\\n' > '{out}'"},
      {"zero bytes.mp4", ": > '{out}'"},
  };
  ASSERT_TRUE(fixtures::Ensure(clips));
}

class Program : public ::testing::Test {
protected:
  void SetUp() override { session::WaitForProgram(); }

  RECT Table() { return drv::WaitControl("MainForm", "sgList"); }

  // The open dialog: the file's full name typed into it and Enter.
  void OpenThroughDialog(const std::string& windowsName) {
    HWND dialog = drv::WaitWindow(u"TspOpenDlgForm");
    ASSERT_NE(dialog, nullptr);
    drv::ClickControl("TspOpenDlgForm", "FileNameEdit");
    // Whatever the box holds is selected and typed over.
    drv::Key(VK_END);
    drv::Key(VK_HOME, false, false, true);
    drv::Type(windowsName);
    drv::Key(VK_RETURN);
  }

  // Waits for the loading dialog to come and go.
  void WaitLoaded() {
    drv::WaitUntil([] { return drv::FindShownWindow(u"TLoadForm") != nullptr; }, 3000);
    EXPECT_TRUE(drv::WaitWindowGone(u"TLoadForm", 30000));
    drv::Pause(300);
  }

  void AddFile(const std::string& name) {
    drv::ClickMenu({"File1", "Openvideo1"});
    OpenThroughDialog(fixtures::WindowsPath(name));
    WaitLoaded();
  }

  // Closes a window by the button of that name and waits for it to go.
  void CloseWith(const std::u16string& windowClass, const std::string& button) {
    drv::ClickControl(UTF16ToUTF8(windowClass), button);
    EXPECT_TRUE(drv::WaitWindowGone(windowClass)) << UTF16ToUTF8(windowClass) << " stayed open";
  }

  // Shows the window of that class, keeps its picture and checks that its
  // skinned frame is drawn (a frame in the skin's colours, not a blank).
  void Shot(const std::u16string& windowClass, const std::string& artifact) {
    HWND w = drv::WaitWindow(windowClass);
    ASSERT_NE(w, nullptr) << UTF16ToUTF8(windowClass) << " did not open";
    drv::Pause(300);
    RECT r = drv::WindowRect(w);
    drv::Screenshot(artifact, &r);
    RECT caption{r.left, r.top, r.right, r.top + 20};
    EXPECT_GT(drv::ColourCount(caption), 3) << "no frame drawn on " << UTF16ToUTF8(windowClass);
  }
};

TEST_F(Program, AboutOpensFromTheHelpMenuAndClosesWithOk) {
  drv::Screenshot("main-window");
  drv::ClickMenu({"Help1", "About1"});
  Shot(u"TAboutForm", "about");
  CloseWith(u"TAboutForm", "PreviewButton");
}

BEFORE_PROGRAM_START(Program, AddFilesThroughTheOpenDialogFillsTheTable) {
  session::ForgetSettings();
  MakeClips();
}
TEST_F(Program, AddFilesThroughTheOpenDialogFillsTheTable) {
  drv::ClickMenu({"File1", "Openvideo1"});
  Shot(u"TspOpenDlgForm", "open-dialog");
  OpenThroughDialog(fixtures::WindowsPath(kClipOne));
  WaitLoaded();
  const RECT table = Table();
  EXPECT_TRUE(drv::WaitText(table, "clip one, \xC3\xBC\xC3\xA9")) << "the first row's title";
  EXPECT_TRUE(drv::WaitText(table, "00:00:03")) << "the first row's length";

  // The same through the Add Clip button's menu (its arrow part).
  RECT addClip = drv::WaitControl("MainForm", "spSkinMenuSpeedButton1");
  drv::Click(addClip.right - 5, (addClip.top + addClip.bottom) / 2);
  drv::ClickPopupItem("VideoFiles1");
  OpenThroughDialog(fixtures::WindowsPath(kClipTwo));
  WaitLoaded();
  EXPECT_TRUE(drv::WaitText(table, "second clip")) << "the second row's title";
  EXPECT_TRUE(drv::WaitText(table, "00:00:04")) << "the second row's length";
  EXPECT_TRUE(drv::ShowsText(table, "00:00:03")) << "the first row stays";
  drv::Screenshot("table-two-rows");
}

BEFORE_PROGRAM_START(Program, BadFilesLeaveTheTableAsItWas) {
  session::ForgetSettings();
  MakeClips();
}
TEST_F(Program, BadFilesLeaveTheTableAsItWas) {
  AddFile(kClipOne);
  const RECT table = Table();
  ASSERT_TRUE(drv::WaitText(table, "00:00:03"));
  const std::vector<unsigned> before = drv::Grab(table);

  for (const char* bad : {"not media.mp4", "zero bytes.mp4"}) {
    drv::ClickMenu({"File1", "Openvideo1"});
    OpenThroughDialog(fixtures::WindowsPath(bad));
    // The loading dialog's message names the file.
    HWND box = drv::WaitWindow(u"TspMessageForm", 20000);
    ASSERT_NE(box, nullptr) << "no message for " << bad;
    RECT r = drv::WindowRect(box);
    drv::Screenshot(std::string("bad-file-") + (bad[0] == 'n' ? "not-media" : "zero-bytes"), &r);
    drv::Key(VK_RETURN);
    EXPECT_TRUE(drv::WaitWindowGone(u"TspMessageForm"));
    WaitLoaded();
  }
  // A name that is not there: the dialog stays open and says nothing.
  drv::ClickMenu({"File1", "Openvideo1"});
  OpenThroughDialog(fixtures::WindowsPath("no such file.mp4"));
  drv::Pause(500);
  EXPECT_NE(drv::FindShownWindow(u"TspOpenDlgForm"), nullptr);
  CloseWith(u"TspOpenDlgForm", "CancelButton");

  drv::Pause(300);
  EXPECT_EQ(drv::Grab(table), before) << "the table changed";
}

BEFORE_PROGRAM_START(Program, EachWindowOpensFromItsCommandAndClosesWithItsButton) {
  session::ForgetSettings();
  MakeClips();
}
TEST_F(Program, EachWindowOpensFromItsCommandAndClosesWithItsButton) {
  AddFile(kClipOne);
  const RECT table = Table();
  ASSERT_TRUE(drv::WaitText(table, "00:00:03"));
  // The row is selected by a click on its title.
  drv::Click(table.left + 120, table.top + 18 + 9);

  drv::ClickMenu({"Actions1", "ClipVideo2"});
  Shot(u"TClipForm", "trim");
  CloseWith(u"TClipForm", "spSkinButton5");

  drv::ClickMenu({"Actions1", "EditVideo2"});
  Shot(u"TCropForm", "edit");
  CloseWith(u"TCropForm", "spSkinButton5");

  drv::ClickControl("MainForm", "spSkinSpeedButton10");  // Edit Tags
  Shot(u"TTagEditForm", "tags");
  CloseWith(u"TTagEditForm", "spSkinButton1");

  drv::ClickMenu({"File1", "FileInformation2"});  // Properties of the row
  Shot(u"TFileInfoForm", "properties");
  CloseWith(u"TFileInfoForm", "spSkinButton1");

  // The table's own menu: right click on the row.
  drv::Click(table.left + 120, table.top + 18 + 9, true);
  drv::ClickPopupItem("FileInformation1");
  Shot(u"TFileInfoForm", "properties-from-table");
  CloseWith(u"TFileInfoForm", "spSkinButton1");
}

BEFORE_PROGRAM_START(Program, OpeningAndClosingEveryWindowTwentyTimesLeavesNoHandlesBehind) {
  session::ForgetSettings();
  MakeClips();
}
TEST_F(Program, OpeningAndClosingEveryWindowTwentyTimesLeavesNoHandlesBehind) {
  AddFile(kClipOne);
  const RECT table = Table();
  ASSERT_TRUE(drv::WaitText(table, "00:00:03"));
  drv::Click(table.left + 120, table.top + 18 + 9);
  drv::Reveal("MainForm", "EventsLogMenuItem");
  drv::Reveal("MainForm", "RecordVideo1");
  struct Window {
    std::u16string windowClass;
    std::function<void()> open;
    std::string closeButton;
  };
  const std::vector<Window> windows = {
      {u"TAboutForm", [] { drv::ClickMenu({"Help1", "About1"}); }, "PreviewButton"},
      {u"TPreferForm", [] { drv::ClickMenu({"ToolsMenuItem", "Preferences1"}); }, "OKButton"},
      {u"TClipForm", [] { drv::ClickMenu({"Actions1", "ClipVideo2"}); }, "spSkinButton5"},
      {u"TCropForm", [] { drv::ClickMenu({"Actions1", "EditVideo2"}); }, "spSkinButton5"},
      {u"TTagEditForm", [] { drv::ClickControl("MainForm", "spSkinSpeedButton10"); }, "spSkinButton1"},
      {u"TFileInfoForm", [] { drv::ClickMenu({"File1", "FileInformation2"}); }, "spSkinButton1"},
      {u"TLogForm", [] { drv::ClickMenu({"ToolsMenuItem", "EventsLogMenuItem"}); }, "OKButton"},
      {u"TRecForm", [] { drv::ClickMenu({"File1", "RecordVideo1"}); }, "spSkinButton1"},
  };
  auto round = [&] {
    for (const Window& w : windows) {
      w.open();
      ASSERT_NE(drv::WaitWindow(w.windowClass), nullptr) << UTF16ToUTF8(w.windowClass) << " did not open";
      drv::Pause(300);  // as a person waits for the window to settle
      drv::ClickControl(UTF16ToUTF8(w.windowClass), w.closeButton);
      ASSERT_TRUE(drv::WaitWindowGone(w.windowClass)) << UTF16ToUTF8(w.windowClass) << " stayed open";
    }
  };
  // Counted once the program is idle: two counts a moment apart agree.
  auto settled = [] {
    TGuiHandles last = CountGuiHandles(), now;
    for (int i = 0; i < 10; ++i) {
      drv::Pause(300);
      now = CountGuiHandles();
      if (now == last) break;
      last = now;
    }
    return now;
  };
  // The first round makes what the program keeps for good (its windows'
  // classes, fonts, the cached paint buffers).
  round();
  const TGuiHandles baseline = settled();
  for (int i = 0; i < 20 && !HasFatalFailure(); ++i) round();
  EXPECT_EQ(baseline.Str(), settled().Str()) << "after opening and closing every window twenty times";
}

BEFORE_PROGRAM_START(Program, PreferencesShutdownMarkChecksTheMainWindowsBox) { session::ForgetSettings(); }
TEST_F(Program, PreferencesShutdownMarkChecksTheMainWindowsBox) {
  const RECT box = drv::WaitControl("MainForm", "chShutDownPC");
  const std::vector<unsigned> unchecked = drv::Grab(box);
  drv::ClickMenu({"ToolsMenuItem", "Preferences1"});
  Shot(u"TPreferForm", "preferences");
  RECT tab{};
  ASSERT_TRUE(drv::TabRect("TPreferForm", "spSkinPageControl1", 1, tab));
  drv::ClickCenter(tab);
  drv::ClickControl("TPreferForm", "chkShutdown");
  drv::Screenshot("preferences-conversion", nullptr);
  CloseWith(u"TPreferForm", "OKButton");
  drv::Pause(300);
  EXPECT_NE(drv::Grab(box), unchecked) << "the main window's Shutdown PC box did not change";
  drv::Screenshot("shutdown-checked", &box);
}

TEST_F(Program, HiddenCommandsWorkOnceTheirControlIsShown) {
  // History Log.
  drv::Reveal("MainForm", "EventsLogMenuItem");
  drv::ClickMenu({"ToolsMenuItem", "EventsLogMenuItem"});
  Shot(u"TLogForm", "history-log");
  const RECT memo = drv::WaitControl("TLogForm", "mmoLog");
  // The memo shows the history's lines: its first lines are written on.
  const RECT lines{memo.left + 2, memo.top + 2, memo.right - 20, memo.top + 34};
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::ColourCount(lines) > 1; })) << "an empty history";
  CloseWith(u"TLogForm", "OKButton");

  // Record, from the menu and from the large toolbar's button.
  drv::Reveal("MainForm", "RecordVideo1");
  drv::ClickMenu({"File1", "RecordVideo1"});
  Shot(u"TRecForm", "recorder");
  CloseWith(u"TRecForm", "spSkinButton1");
  drv::Reveal("MainForm", "RecordButton");
  drv::ClickControl("MainForm", "RecordButton");
  EXPECT_NE(drv::WaitWindow(u"TRecForm"), nullptr);
  CloseWith(u"TRecForm", "spSkinButton1");
}

}  // namespace

namespace {

// Runs from a program folder whose LibAV lacks a library (see CMakeLists.txt).
TEST(Startup, MissingMediaLibraryShowsTheErrorWindow) {
  HWND error = drv::WaitWindow(u"TErrorForm", 60000);
  ASSERT_NE(error, nullptr) << "no error window at start-up";
  RECT r = drv::WindowRect(error);
  drv::Screenshot("startup-missing-library", &r);
  // The engine's text stands in the error label and names the library it
  // could not load.
  const RECT label = drv::WaitControl("TErrorForm", "lblErrorText");
  EXPECT_TRUE(convsteps::WaitTextAnyFont(label, "libswscale.so.6", 5000)) << "the library's name is not shown";
  drv::ClickControl("TErrorForm", "spSkinButton1");  // Cancel: nothing is sent
  EXPECT_TRUE(drv::WaitWindowGone(u"TErrorForm"));
  session::WaitForProgram();
  // The program stays usable.
  drv::ClickMenu({"Help1", "About1"});
  EXPECT_NE(drv::WaitWindow(u"TAboutForm"), nullptr);
  drv::ClickControl("TAboutForm", "PreviewButton");
  EXPECT_TRUE(drv::WaitWindowGone(u"TAboutForm"));
}

}  // namespace

namespace {

// Only the binding: every command has some handler. What each command does
// is judged by the scenarios that use it.
TEST_F(Program, EveryMenuItemAndButtonHasAHandlerBound) {
  // Commands the program deliberately leaves without a handler of its own:
  // with no CD-ROM drive the DVD device menu holds one disabled item that
  // only says so ("No DVD Device found").
  const std::set<std::string> allowed = {"MainForm.DVDDeviceItem"};
  std::vector<std::string> unbound;
  for (const std::string& name : drv::CommandsWithoutHandler())
    if (!allowed.count(name)) unbound.push_back(name);
  std::string list;
  for (const std::string& name : unbound) list += "\n  " + name;
  EXPECT_TRUE(unbound.empty()) << "commands with no handler:" << list;
}

}  // namespace

namespace {

// The maker's pages live on a loopback server of this scenario (Python's
// own, a process of its own: a native server inside a program that links
// the system's socket layer would meet that layer's names), and the system's
// browser is a script that writes down the addresses it is given.
int gSitePort = 0;
std::string SiteFile(const std::string& name) { return fixtures::UnixPath("site-" + std::to_string(gSitePort) + "-" + name); }
std::string BrowserLog() { return fixtures::UnixPath("browser-addresses.txt"); }
int SiteRequests(const std::string& path) {
  const std::string log = fixtures::ReadAll(SiteFile("requests.log"));
  int n = 0;
  for (size_t at = log.find("GET " + path); at != std::string::npos; at = log.find("GET " + path, at + 1)) ++n;
  return n;
}

void SetUserString(const char16_t* key, const char16_t* name, const std::string& value) {
  HKEY k = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(key), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    return;
  const std::u16string w = UTF8ToUTF16(value);
  RegSetValueExW(k, reinterpret_cast<LPCWSTR>(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                 static_cast<DWORD>((w.size() + 1) * sizeof(char16_t)));
  RegCloseKey(k);
}

BEFORE_PROGRAM_START(Program, WebCommandsReachTheSiteAndTheBrowser) {
  session::ForgetSettings();
  gSitePort = 20000 + static_cast<int>(GetCurrentProcessId() % 20000);
  const std::string root = SiteFile("root");
  fixtures::Run("rm -rf '" + root + "' && mkdir -p '" + root + "/download' && printf '" +
                "<META NAME=\"mxProduct\" CONTENT=\"Tessavane\">\\r\\n<META NAME=\"mxVersion\" CONTENT=\"1.0\">\\r\\n' > '" +
                root + "/download/version_tessavane.html'");
  fixtures::Run("cd '" + root + "' && (python3 -u -m http.server " + std::to_string(gSitePort) +
                " --bind 127.0.0.1 > '" + SiteFile("requests.log") + "' 2>&1 & echo $! > '" + SiteFile("pid") +
                "')");
  for (int i = 0; i < 100 && fixtures::Run("python3 -c \"import socket; socket.create_connection(('127.0.0.1', " +
                                           std::to_string(gSitePort) + "), 1)\" 2>/dev/null") != 0; ++i)
    Sleep(100);
  const std::string site = "http://127.0.0.1:" + std::to_string(gSitePort) + "/";
  SetUserString(u"Software\\Brenlowe\\Tessavane\\Endpoints", u"HomePage", site);
  SetUserString(u"Software\\Brenlowe\\Tessavane\\Endpoints", u"SupportPage", site + "support/");
  const std::string script = fixtures::UnixPath("record-browser.sh");
  fixtures::Run("printf '#!/bin/sh\\necho \"$1\" >> \"" + BrowserLog() + "\"\\n' > '" + script + "'; chmod +x '" +
                script + "'; rm -f '" + BrowserLog() + "'");
  SetUserString(u"Software\\Wine\\WineBrowser", u"Browsers", script);
}

// Stops the scenario's own server (only the process it started).
struct SiteStopper {
  ~SiteStopper() {
    if (gSitePort) fixtures::Run("kill $(cat '" + SiteFile("pid") + "') 2>/dev/null");
    SetUserString(u"Software\\Wine\\WineBrowser", u"Browsers", "");
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(u"Software\\Brenlowe\\Tessavane\\Endpoints"));
  }
};

TEST_F(Program, WebCommandsReachTheSiteAndTheBrowser) {
  SiteStopper stopper;
  ASSERT_NE(gSitePort, 0);
  const std::string site = "http://127.0.0.1:" + std::to_string(gSitePort) + "/";
  // The first showing asked the version page without a word.
  EXPECT_TRUE(drv::WaitUntil([] { return SiteRequests("/download/version_tessavane.html") == 1; }, 10000));
  EXPECT_EQ(drv::FindShownWindow(u"TspMessageForm"), nullptr);

  drv::Reveal("MainForm", "Checkforupdates1");
  drv::ClickMenu({"Help1", "Checkforupdates1"});
  HWND box = drv::WaitWindow(u"TspMessageForm", 20000);
  ASSERT_NE(box, nullptr) << "no answer to Check for Updates";
  RECT r = drv::WindowRect(box);
  drv::Screenshot("no-update", &r);
  drv::Key(VK_RETURN);
  EXPECT_TRUE(drv::WaitWindowGone(u"TspMessageForm"));
  EXPECT_EQ(SiteRequests("/download/version_tessavane.html"), 2);

  drv::Reveal("MainForm", "HomePage1");
  drv::ClickMenu({"Help1", "HomePage1"});
  drv::Reveal("MainForm", "Support1");
  drv::ClickMenu({"Help1", "Support1"});
  std::string opened;
  EXPECT_TRUE(drv::WaitUntil(
      [&] {
        opened = fixtures::ReadAll(BrowserLog());
        return opened.find(site + "support/") != std::string::npos;
      },
      20000))
      << "the browser got: " << opened;
  EXPECT_NE(opened.find(site + "\n"), std::string::npos) << "the home page was not opened: " << opened;

  // The share links of Tell a Friend: the share pages name the product page.
  drv::ClickMenu({"Help1", "TellaFriend1", "OnFacebook1"});
  drv::ClickMenu({"Help1", "TellaFriend1", "OnTwitter1"});
  EXPECT_TRUE(drv::WaitUntil(
      [&] {
        opened = fixtures::ReadAll(BrowserLog());
        return opened.find("facebook") != std::string::npos && opened.find("twitter") != std::string::npos;
      },
      20000))
      << "the browser got: " << opened;
}

}  // namespace
