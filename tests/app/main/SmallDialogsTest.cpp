// The small modal windows of the main window: their texts in both
// languages, their sizes, what their buttons answer, what Preferences
// writes back (and Cancel does not), the file facts Properties shows, and
// the web-page commands. Each window is driven from inside its modal loop
// by a thread timer; a second timer cancels any window still open after a
// while so that a broken test fails instead of hanging.
#include "support/gtest.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/Fixtures.h"
#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "app/main/HelpLinks.h"
#include "app/main/about.h"
#include "app/main/errordlg.h"
#include "app/main/fileinfo.h"
#include "app/main/log.h"
#include "app/main/preferences.h"
#include "engine/FFDecode.h"
#include "engine/MyUtils.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/controls/SkinTabs.h"
#include "skin/data/SkinData.h"
#include "skin/dialogs/spFileDialogs.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/DynamicSkinForm.h"

namespace {

std::function<void()> g_step;
bool g_timedOut = false;

void CALLBACK StepProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto step = std::move(g_step);
  g_step = nullptr;
  if (step) step();
}

void CALLBACK SafetyProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_timedOut = true;
  for (TForm* f : std::initializer_list<TForm*>{AboutForm, LogForm, FileInfoForm, ErrorForm, PreferForm})
    if (f && f->Modal()) f->ModalResult = mrCancel;
}

// Runs `show` (which opens a modal window) with `step` called once the
// window's loop runs.
int Drive(const std::function<int()>& show, std::function<void()> step) {
  g_step = std::move(step);
  g_timedOut = false;
  SetTimer(nullptr, 0, 50, StepProc);
  const UINT_PTR safety = SetTimer(nullptr, 0, 15000, SafetyProc);
  const int result = show();
  KillTimer(nullptr, safety);
  EXPECT_FALSE(g_timedOut) << "the window was still open when the test gave up";
  return result;
}

// Presses Enter on a message box once its loop runs.
void AnswerBox(TspMessageForm* form) {
  auto* focused = form->ActiveControl();
  HWND target = focused ? focused->Handle() : form->Handle();
  PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
}

template <class T>
T* Part(TComponent* form, const std::string& name) {
  auto* c = dynamic_cast<T*>(form->FindComponent(name));
  EXPECT_TRUE(c) << name;
  return c;
}

std::string LabelText(TComponent* form, const std::string& name) {
  auto* l = Part<TspSkinStdLabel>(form, name);
  return l ? l->Caption() : std::string("<missing>");
}

// A two-language table with the texts these windows use.
void UseTable(int language) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"English", "Español"},
      {"About", "Acerca de"},
      {"Home Page", "Página principal"},
      {"Support", "Soporte"},
      {"Version", "Versión"},
      {"OK", "Aceptar"},
      {"Cancel", "Cancelar"},
      {"Events Log", "Registro de eventos"},
      {"Error!", "¡Error!"},
      {"Send", "Enviar"},
      {"The following error occured:", "Se ha producido el siguiente error:"},
      {"Properties", "Propiedades"},
      {"Resolution:", "Resolución:"},
      {"is not preseted", "no establecido"},
      {"Preferences", "Preferencias"},
      {"Shutdown Computer", "Apagar el equipo"},
      {"Please restart program to take effect.", "Reinicie el programa para aplicar el cambio."},
  };
  TranslationTable.assign(2, {});
  for (const auto& r : rows) {
    TranslationTable[0].push_back(r.first);
    TranslationTable[1].push_back(r.second);
  }
  LanguageIndex = language;
}

// Windows are made once and keep their texts: a test that changes the
// language makes them again.
void DropWindows() {
  delete AboutForm;
  delete LogForm;
  delete FileInfoForm;
  delete ErrorForm;
  delete PreferForm;
}

class SmallDialogs : public ::testing::Test {
protected:
  void SetUp() override {
    DropWindows();
    UseTable(0);
  }
  void TearDown() override {
    DropWindows();
    TranslationTable.clear();
    LanguageIndex = 0;
    OnShowErrorWindow = nullptr;
    OnShellOpen = nullptr;
    OnReportError = nullptr;
  }
};

}  // namespace

TEST_F(SmallDialogs, AboutShowsVersionAddressesAndThisYearAndOkCloses) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  int height = 0;
  std::string version, home, support, homeUrl, supportUrl, notice;
  const int before = ActionHistory().Count();
  const int result = Drive([] { return About1Click(nullptr); }, [&] {
    height = AboutForm->ClientHeight();
    version = LabelText(AboutForm, "lblversion");
    home = LabelText(AboutForm, "spSkinStdLabel1");
    support = LabelText(AboutForm, "spSkinStdLabel2");
    notice = LabelText(AboutForm, "lblNotice");
    homeUrl = Part<TspSkinLinkLabel>(AboutForm, "lblHomePage")->URL;
    supportUrl = Part<TspSkinLinkLabel>(AboutForm, "lblSupport")->URL;
    Part<TspSkinButton>(AboutForm, "PreviewButton")->OnClick(nullptr);
  });
  EXPECT_EQ(mrOk, result);
  EXPECT_EQ(228, height);
  EXPECT_EQ("About", AboutForm->Caption());
  EXPECT_EQ("Version 1.0", version);
  EXPECT_EQ("Home Page:", home);
  EXPECT_EQ("Support:", support);
  EXPECT_EQ(Endpoints().HomePage, homeUrl);
  EXPECT_EQ("mailto:" + Endpoints().SupportMailbox, supportUrl);
  EXPECT_NE(std::string::npos, notice.find(std::to_string(now.wYear) + "."));
  ASSERT_EQ(before + 1, ActionHistory().Count());
  EXPECT_NE(std::string::npos,
            ActionHistory()[before].find("-> Help -> About is chosen in main menu."));
}

TEST_F(SmallDialogs, WindowsTakeTheChosenLanguageWhenTheyAreMade) {
  UseTable(1);
  std::string about, ok, log, error, send, properties, shutdown;
  Drive([] { return About1Click(nullptr); }, [&] {
    about = AboutForm->Caption();
    ok = Part<TspSkinButton>(AboutForm, "PreviewButton")->Caption();
    AboutForm->ModalResult = mrOk;
  });
  Drive([] { return EventsLogMenuItemClick(); }, [&] {
    log = LogForm->Caption();
    LogForm->ModalResult = mrOk;
  });
  Drive([] { return ShowErrorWindow("x") ? 1 : 2; }, [&] {
    error = LabelText(ErrorForm, "spSkinStdLabel1");
    send = Part<TspSkinButton>(ErrorForm, "SendButton")->Caption();
    ErrorForm->ModalResult = mrCancel;
  });
  bool a = false, b = false;
  Drive([&] { return Preferences1Click(a, b); }, [&] {
    properties = PreferForm->Caption();
    shutdown = Part<TspSkinCheckRadioBox>(PreferForm, "chkShutdown")->Caption();
    PreferForm->ModalResult = mrCancel;
  });
  EXPECT_EQ("Acerca de", about);
  EXPECT_EQ("Aceptar", ok);
  EXPECT_EQ("Registro de eventos", log);
  EXPECT_EQ("Se ha producido el siguiente error:", error);
  EXPECT_EQ("Enviar", send);
  EXPECT_EQ("Preferencias", properties);
  EXPECT_EQ("Apagar el equipo", shutdown);
}

TEST_F(SmallDialogs, EventsLogShowsTheHistoryAsItWasWhenOpened) {
  AddToHistory("-> first event");
  std::string shown;
  Drive([] { return EventsLogMenuItemClick(); }, [&] {
    shown = LogForm->mmoLog->Lines()->Text();
    EXPECT_TRUE(LogForm->mmoLog->ReadOnly());
    EXPECT_EQ(ssBoth, LogForm->mmoLog->ScrollBars());
    AddToHistory("-> second event");
    Part<TspSkinButton>(LogForm, "OKButton")->OnClick(nullptr);
  });
  EXPECT_NE(std::string::npos, shown.find("-> first event"));
  EXPECT_EQ(std::string::npos, shown.find("-> second event"));
  // The report carries what the window showed.
  EXPECT_EQ(shown, EventsLogLines().Text());
  Drive([] { return EventsLogMenuItemClick(); }, [&] {
    shown = LogForm->mmoLog->Lines()->Text();
    LogForm->ModalResult = mrOk;
  });
  EXPECT_NE(std::string::npos, shown.find("-> second event"));
}

TEST_F(SmallDialogs, ErrorWindowAnswersSendOrCancelThroughTheReportHook) {
  InstallErrorWindow();
  ASSERT_TRUE(OnShowErrorWindow);
  const struct {
    const char* button;
    bool sent;
  } cases[] = {{"SendButton", true}, {"spSkinButton1", false}};
  for (const auto& c : cases) {
    int height = 0;
    std::string text, caption;
    const int r = Drive([] { return OnShowErrorWindow("Error loading formats") ? 1 : 0; }, [&] {
      height = ErrorForm->ClientHeight();
      text = LabelText(ErrorForm, "lblErrorText");
      caption = ErrorForm->Caption();
      Part<TspSkinButton>(ErrorForm, c.button)->OnClick(nullptr);
    });
    EXPECT_EQ(c.sent, r == 1) << c.button;
    EXPECT_EQ(c.sent ? mrOk : mrCancel, ErrorForm->ModalResult) << c.button;
    EXPECT_EQ(140, height);
    EXPECT_EQ("Error loading formats", text);
    EXPECT_EQ("Error!", caption);
  }
}

namespace {

struct TPrefState {
  std::string temp = "C:\\work\\Temp", snaps = "C:\\work\\Snapshots";
  bool allCpus = true;
  int custom = 2, language = 0;
  bool shutdown = false, openOutput = true;
  void Apply() const {
    TempFolder = temp;
    SnapshotFolder = snaps;
    UseAllCPUs = allCpus;
    CustomCPUNumber = custom;
    LanguageIndex = language;
  }
};

}  // namespace

TEST_F(SmallDialogs, PreferencesShowsTheSettingsWithoutTheRestartNotice) {
  TPrefState s;
  s.allCpus = false;
  s.custom = 3;
  s.language = 1;
  s.Apply();
  CpuCount = 4;
  int notices = 0;
  int height = 0;
  std::vector<std::string> langs, cores;
  int langIndex = -1, coreIndex = -1;
  bool comboEnabled = false, defineChecked = false, shutdown = true, openOutput = false;
  std::string temp, snaps;
  Drive([&] { return Preferences1Click(s.shutdown, s.openOutput); }, [&] {
    PreferForm->spSkinMessage1->OnBoxCreated = [&](TspMessageForm* f) {
      ++notices;
      AnswerBox(f);
    };
    height = PreferForm->ClientHeight();
    for (int i = 0; i < PreferForm->cmbLanguage->Items()->Count(); ++i)
      langs.push_back((*PreferForm->cmbLanguage->Items())[i]);
    for (int i = 0; i < PreferForm->cmbCoreNumber->Items()->Count(); ++i)
      cores.push_back((*PreferForm->cmbCoreNumber->Items())[i]);
    langIndex = PreferForm->cmbLanguage->ItemIndex();
    coreIndex = PreferForm->cmbCoreNumber->ItemIndex();
    comboEnabled = PreferForm->cmbCoreNumber->Enabled();
    defineChecked = PreferForm->radDefineCores->Checked();
    shutdown = PreferForm->chkShutdown->Checked();
    openOutput = PreferForm->chkOpenOutput->Checked();
    temp = PreferForm->edTemporaryFolder->Text();
    snaps = PreferForm->edScreenshots->Text();
    PreferForm->ModalResult = mrCancel;
  });
  EXPECT_EQ(0, notices);
  EXPECT_EQ(305, height);
  EXPECT_EQ((std::vector<std::string>{"English", "Español"}), langs);
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4"}), cores);
  EXPECT_EQ(1, langIndex);
  EXPECT_EQ(2, coreIndex);
  EXPECT_TRUE(comboEnabled);
  EXPECT_TRUE(defineChecked);
  EXPECT_FALSE(shutdown);
  EXPECT_TRUE(openOutput);
  EXPECT_EQ(s.temp, temp);
  EXPECT_EQ(s.snaps, snaps);
  EXPECT_TRUE(PreferForm->edTemporaryFolder->ReadOnly());
  EXPECT_TRUE(dynamic_cast<TspSkinDirectoryEdit*>(PreferForm->edTemporaryFolder));
  EXPECT_TRUE(dynamic_cast<TspSkinDirectoryEdit*>(PreferForm->edScreenshots));
}

TEST_F(SmallDialogs, PreferencesOkWritesBackAndCancelChangesNothing) {
  CpuCount = 4;
  for (const bool ok : {true, false}) {
    TPrefState s;
    s.Apply();
    bool shutdown = s.shutdown, openOutput = s.openOutput;
    int notices = 0;
    bool comboEnabled = false;
    Drive([&] { return Preferences1Click(shutdown, openOutput); }, [&] {
      PreferForm->spSkinMessage1->OnBoxCreated = [&](TspMessageForm* f) {
        ++notices;
        AnswerBox(f);
      };
      EXPECT_FALSE(PreferForm->cmbCoreNumber->Enabled());
      PreferForm->radDefineCores->SetChecked(true);
      PreferForm->radDefineCoresClick(nullptr);
      comboEnabled = PreferForm->cmbCoreNumber->Enabled();
      PreferForm->cmbCoreNumber->SetItemIndex(3);
      PreferForm->cmbLanguage->SetItemIndex(1);
      PreferForm->edTemporaryFolder->SetText("D:\\other\\Temp");
      PreferForm->edScreenshots->SetText("D:\\other\\Shots");
      PreferForm->chkShutdown->SetChecked(true);
      PreferForm->chkOpenOutput->SetChecked(false);
      Part<TspSkinButton>(PreferForm, ok ? "OKButton" : "spSkinButton1")->OnClick(nullptr);
    });
    EXPECT_TRUE(comboEnabled);
    EXPECT_GE(notices, 1) << "choosing another language tells the user to restart";
    if (ok) {
      EXPECT_FALSE(UseAllCPUs);
      EXPECT_EQ(4, CustomCPUNumber);
      EXPECT_EQ(1, LanguageIndex);
      EXPECT_EQ("D:\\other\\Temp", TempFolder);
      EXPECT_EQ("D:\\other\\Shots", SnapshotFolder);
      EXPECT_TRUE(shutdown);
      EXPECT_FALSE(openOutput);
    } else {
      EXPECT_TRUE(UseAllCPUs);
      EXPECT_EQ(s.custom, CustomCPUNumber);
      EXPECT_EQ(s.language, LanguageIndex);
      EXPECT_EQ(s.temp, TempFolder);
      EXPECT_EQ(s.snaps, SnapshotFolder);
      EXPECT_EQ(s.shutdown, shutdown);
      EXPECT_EQ(s.openOutput, openOutput);
    }
  }
}

TEST_F(SmallDialogs, PreferencesWithAllCoresKeepsTheOldCoreNumber) {
  CpuCount = 4;
  TPrefState s;
  s.allCpus = false;
  s.custom = 2;
  s.Apply();
  bool a = false, b = false;
  Drive([&] { return Preferences1Click(a, b); }, [&] {
    PreferForm->cmbCoreNumber->SetItemIndex(3);
    PreferForm->radAllCores->SetChecked(true);
    PreferForm->radAllCoresClick(nullptr);
    EXPECT_FALSE(PreferForm->cmbCoreNumber->Enabled());
    PreferForm->OKButtonClick(nullptr);
  });
  EXPECT_TRUE(UseAllCPUs);
  EXPECT_EQ(2, CustomCPUNumber);
}

namespace {

class Properties : public SmallDialogs {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fixtures::EnsureStandard()); }
  void SetUp() override {
    SmallDialogs::SetUp();
    decoder = std::make_unique<TFFDecoder>(nullptr);
    ASSERT_TRUE(decoder->LoadAVLib(ApplicationFolder() + "LibAV")) << decoder->LastErrMsg();
    MediaFiles.clear();
    DVDMode = false;
    OnReportError = [this](const std::string& text, const std::string& mark) {
      reports.push_back(text + "|" + mark);
    };
  }
  void TearDown() override {
    MediaFiles.clear();
    decoder.reset();
    SmallDialogs::TearDown();
  }
  std::map<std::string, std::string> Show(const std::string& fixture) {
    MediaFiles.clear();
    MediaFiles.emplace_back();
    MediaFiles.back().Source = fixtures::WindowsPath(fixture);
    std::map<std::string, std::string> v;
    Drive([&] {
      FileInformation1Click(*decoder, 0, nullptr);
      return 0;
    }, [&] {
      for (const char* n : {"lblFileName", "lblLength", "lblResolution", "lblVideoBitRate", "lblFrameRate",
                            "lblSampleRate", "lblChannels", "lblAudioBitRate"})
        v[n] = LabelText(FileInfoForm, n);
      v["height"] = std::to_string(FileInfoForm->ClientHeight());
      Part<TspSkinButton>(FileInfoForm, "spSkinButton1")->OnClick(nullptr);
    });
    return v;
  }
  std::unique_ptr<TFFDecoder> decoder;
  std::vector<std::string> reports;
};

}  // namespace

TEST_F(Properties, ShowTheClipsResolutionFrameRateAndSampleRate) {
  auto v = Show("clip_h264_aac.mp4");
  EXPECT_EQ("clip_h264_aac.mp4", v["lblFileName"]);
  EXPECT_EQ("00:00:05", v["lblLength"]);
  EXPECT_EQ("640x360", v["lblResolution"]);
  EXPECT_EQ("25 fps", v["lblFrameRate"]);
  EXPECT_EQ("44100 Hz", v["lblSampleRate"]);
  EXPECT_EQ("2 channel", v["lblChannels"]);
  EXPECT_NE(std::string::npos, v["lblVideoBitRate"].find(" Kb"));
  EXPECT_EQ("370", v["height"]);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Properties, TheLaterAudioStreamWinsAndAnUnknownBitRateIsSaidSo) {
  UseTable(1);
  auto v = Show("multi.mkv");
  EXPECT_EQ("320x240", v["lblResolution"]);
  // The AC-3 5.1 stream comes after the stereo one.
  EXPECT_EQ("6 channel", v["lblChannels"]);
  // Matroska keeps no bit rate for the picture stream.
  EXPECT_EQ("no establecido", v["lblVideoBitRate"]);
}

TEST_F(Properties, AFileThatDoesNotLoadIsReportedAndNoWindowShows) {
  MediaFiles.emplace_back();
  MediaFiles.back().Source = fixtures::WindowsPath("fake.mp4");
  const int before = ActionHistory().Count();
  FileInformation1Click(*decoder, 0, nullptr);
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ(0u, reports[0].find("The information for this media is unavailable."));
  EXPECT_NE(std::string::npos, reports[0].find("|CLM_ProbeLoadFile"));
  ASSERT_EQ(before + 3, ActionHistory().Count());
  EXPECT_EQ("", ActionHistory()[before]);
  EXPECT_NE(std::string::npos, ActionHistory()[before + 1].find("-> File load error: "));
  EXPECT_EQ("", ActionHistory()[before + 2]);
  EXPECT_FALSE(FileInfoForm);
}

TEST_F(Properties, AnEmptyTableDoesNothingAndDvdModeShowsTheDvdWindow) {
  int dvd = 0;
  FileInformation1Click(*decoder, 0, [&] { ++dvd; });
  EXPECT_EQ(0, dvd);
  MediaFiles.emplace_back();
  DVDMode = true;
  FileInformation1Click(*decoder, 0, [&] { ++dvd; });
  DVDMode = false;
  EXPECT_EQ(1, dvd);
  EXPECT_TRUE(reports.empty());
}

TEST_F(SmallDialogs, WebCommandsOpenTheMakersPagesAndTheSharePages) {
  std::vector<std::string> opened;
  OnShellOpen = [&](const std::string& t) { opened.push_back(t); };
  HomePage1Click();
  Support1Click();
  LikeButtonClick();
  TweetButtonClick();
  ASSERT_EQ(4u, opened.size());
  EXPECT_EQ(Endpoints().HomePage, opened[0]);
  EXPECT_EQ(Endpoints().SupportPage, opened[1]);
  EXPECT_EQ("http://www.facebook.com/sharer.php?u=http%3A%2F%2Fwww.brenlowe.example%2Ftessavane%2F", opened[2]);
  EXPECT_EQ("http://twitter.com/share?original_referer=http%3A%2F%2Fwww.brenlowe.example%2Ftessavane%2F"
            "&text=Tessavane",
            opened[3]);
}

TEST_F(SmallDialogs, ExitWritesTheHistoryAndClosesTheMainWindow) {
  TForm main(nullptr);
  main.Show();
  const int before = ActionHistory().Count();
  bool closed = false;
  main.OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  Exit1Click(&main);
  EXPECT_TRUE(closed);
  ASSERT_EQ(before + 1, ActionHistory().Count());
  EXPECT_NE(std::string::npos, ActionHistory()[before].find("-> File -> Exit is chosen"));
}

TEST_F(SmallDialogs, WindowsTakeTheDialogSkinWhenMade) {
  TspSkinData data(nullptr);
  DialogSkinData = &data;
  PreferForm = new TPreferForm(nullptr);
  AboutForm = new TAboutForm(nullptr);
  DialogSkinData = nullptr;
  EXPECT_EQ(&data, PreferForm->spDynamicSkinForm1->SkinData());
  EXPECT_EQ(&data, PreferForm->OKButton->SkinData());
  EXPECT_EQ(&data, PreferForm->cmbLanguage->SkinData());
  EXPECT_EQ(&data, PreferForm->edScreenshots->SkinData());
  // The folder fields' own folder dialog wears it too.
  for (TspSkinEdit* e : {PreferForm->edScreenshots, PreferForm->edTemporaryFolder}) {
    auto* folder = dynamic_cast<TspSkinDirectoryEdit*>(e);
    ASSERT_NE(nullptr, folder);
    EXPECT_EQ(&data, folder->DlgSkinData.Get());
    EXPECT_EQ(&data, folder->DlgCtrlSkinData.Get());
  }
  EXPECT_EQ(&data, PreferForm->spSkinMessage1->SkinData());
  EXPECT_EQ(&data, AboutForm->lblversion->SkinData());
  DropWindows();
}
