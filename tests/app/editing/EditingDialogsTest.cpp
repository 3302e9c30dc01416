// The windows over the output formats and the tags: the settings window
// mirrors and edits the current format, the picker chooses, renames and
// removes formats, the tag window reads and writes an item's tags.
#include "app/editing/EditingDialogsFixture.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/editing/settings.h"
#include "app/editing/tageditor.h"
#include "app/main/AppData.h"
#include "app/main/ErrorReport.h"
#include "framework/ExtCtrls.h"
#include "framework/StringList.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/data/SkinData.h"
#include "support/Dib.h"
#include "support/RealInput.h"


// ---- text helpers -----------------------------------------------------------------

TEST(ChoiceLists, SplitIntoValuesAndNames) {
  const struct {
    const char* text;
    std::vector<std::string> values, names;
  } cases[] = {
      {"25$25 fps,30$30 fps", {"25", "30"}, {"25 fps", "30 fps"}},
      {"", {}, {""}},
      {"Mono", {}, {"Mono"}},             // no dollar sign: a name, no value
      {"1$Mono,Stereo", {"1"}, {"Mono", "Stereo"}},
      {"a$b,", {"a"}, {"b", ""}},         // a trailing comma adds an empty name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.values, Lines(SplitOptionList(c.text, true)));
    EXPECT_EQ(c.names, Lines(SplitOptionList(c.text, false)));
  }
}

TEST(ChoiceLists, ResolutionPartsAsTypedOrMinusOne) {
  const struct {
    const char* text;
    const char* width;
    const char* height;
  } cases[] = {
      {"640*480", "640", "480"}, {"640x480", "-1", "-1"},   {"*480", "-1", "480"},
      {"1*2*3", "1", "3"},       {"", "-1", "-1"},          {"640*", "640", "-1"},
      {"$280*480", "-1", "480"},  // no hex numbers
      {" 640*480", "-1", "480"},  // nor blanks that could carry another option
      {"99999999999*480", "-1", "480"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.width, ResolutionWidth(c.text));
    EXPECT_EQ(c.height, ResolutionHeight(c.text));
  }
}

// ---- settings window --------------------------------------------------------------

struct SettingsWindow : TCatalogueFixture {
  std::unique_ptr<Tsettingsform> form;
  std::vector<std::string> warnings;
  int repaints = 0;
  void SetUp() override {
    TCatalogueFixture::SetUp();
    warnings.clear();
    repaints = 0;
    form.reset(new Tsettingsform(nullptr));
    form->OnWarning = [this](const std::string& t) { warnings.push_back(t); };
    form->OnItemsChanged = [this] { ++repaints; };
    form->FillProfileSettings();
  }
  void TearDown() override {
    form.reset();
    TCatalogueFixture::TearDown();
  }
  TFormat& Current() { return Profiles[CurrentProfileIndex].Formats[CurrentFormatIndex]; }
};

TEST_F(SettingsWindow, TheBoxesMirrorTheCurrentFormat) {
  EXPECT_EQ("MP4", form->edProfile->Text());
  EXPECT_EQ("640*480", form->cmbVideoResolution->Text());
  EXPECT_EQ(3, form->cmbVideoResolution->Items()->Count());
  EXPECT_EQ(0, form->cmbVideoFrameRate->ItemIndex());
  EXPECT_EQ("25 fps", form->cmbVideoFrameRate->Text());
  EXPECT_EQ(1, form->cmbChannel->ItemIndex());
  EXPECT_EQ("128 kbps", form->cmbAudioBitRate->Text());

  // A value outside its list, empty sizes and an empty list.
  Current().SampleRate = "22050";
  Current().Width = Current().Height = "";
  Current().VideoCodecs = "";
  form->FillProfileSettings();
  EXPECT_EQ(-1, form->cmbSampleRate->ItemIndex());
  EXPECT_EQ("", form->cmbSampleRate->Text());
  EXPECT_EQ("", form->cmbVideoResolution->Text());
  EXPECT_EQ(1, form->cmbVideoEncoder->Items()->Count());
  EXPECT_EQ(-1, form->cmbVideoEncoder->ItemIndex());

  form->FormShow(nullptr);
  EXPECT_FALSE(form->cmbSampleRate->Enabled());
  EXPECT_FALSE(form->cmbVideoEncoder->Enabled());
  EXPECT_TRUE(form->cmbAudioBitRate->Enabled());
  EXPECT_FALSE(form->spSkinGroupBox1->Visible());
  EXPECT_EQ(190, form->ClientHeight());
  // The audio group and the buttons moved up with the bottom edge.
  EXPECT_EQ(158 - 118, form->spSkinGroupBox2->Top());
}

TEST_F(SettingsWindow, WithTheProgramsSkinTheTypedComboShowsNoBoxOverItsSkin) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  form->SetSkinData(&skin);
  form->Show();
  // The window keeps its video group hidden when it shows; it is shown here
  // in place of the audio group so that the one typed combo box can be
  // seen. An opaque box would show in magenta.
  form->spSkinGroupBox2->SetVisible(false);
  form->spSkinGroupBox1->SetVisible(true);
  TspSkinComboBox* c = form->cmbVideoResolution;
  c->SetDefaultColor(RGB(255, 0, 255));
  ASSERT_EQ(spcbEditStyle, c->Style());
  ASSERT_TRUE(c->HasElement());
  TspComboEdit* e = c->Edit();
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->EditTransparent());
  // Right of the text the screen shows the combo's own skin picture.
  Dib own(c->Width(), c->Height());
  SendMessageW(c->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(own.dc), 0);
  const COLORREF want = own.At(e->Left() + e->Width() - 4, e->Top() + e->Height() / 2);
  EXPECT_NE(RGB(255, 0, 255), want);
  real_input::PumpUntil([&] { return IsWindowVisible(e->Handle()) != 0; });
  real_input::SaveShot(form->Handle(), "settings-window-program-skin.png");
  POINT at{e->Width() - 4, e->Height() / 2};
  ClientToScreen(e->Handle(), &at);
  // (A transparent window lets the point through to the combo under it.)
  ASSERT_TRUE(real_input::PumpUntil([&] {
    HWND h = WindowFromPoint(at);
    return h == e->Handle() || h == c->Handle();
  })) << "the edit is in sight";
  COLORREF shown = 0;
  EXPECT_TRUE(real_input::PumpUntil([&] {
    return (shown = real_input::ScreenPixel(e->Handle(), e->Width() - 4, e->Height() / 2)) == want;
  })) << std::hex << shown << " want " << want;
  form->Hide();
}

TEST_F(SettingsWindow, OkWritesTheChosenValuesAndRecomputesEveryItem) {
  const double before0 = MediaFiles[0].EstimatedSize, before1 = MediaFiles[1].EstimatedSize;
  form->FormShow(nullptr);
  form->cmbAudioBitRate->SetItemIndex(2);  // 192 kbps
  form->spSkinButton1Click(nullptr);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ("192000", Current().AudioBitRate);
  EXPECT_TRUE(Current().AreSettingsChanged);
  EXPECT_EQ(0, LastEditedProfileIndex);
  EXPECT_EQ(0, LastEditedFormatIndex);
  EXPECT_GT(MediaFiles[0].EstimatedSize, before0);
  EXPECT_GT(MediaFiles[1].EstimatedSize, before1);
  EXPECT_EQ(1, repaints);
  EXPECT_EQ("192 kbps", form->cmbAudioBitRate->Text());
  EXPECT_FALSE(form->Visible());
}

TEST_F(SettingsWindow, TheSameValuesAgainLeaveTheChangedFlagAsItWas) {
  form->FormShow(nullptr);
  form->spSkinButton1Click(nullptr);
  EXPECT_FALSE(Current().AreSettingsChanged);
  Current().AreSettingsChanged = true;
  form->FormShow(nullptr);
  form->spSkinButton1Click(nullptr);
  EXPECT_TRUE(Current().AreSettingsChanged);
}

TEST_F(SettingsWindow, AVideoSizeOutsideTheRangeIsRefusedAndNothingIsWritten) {
  const struct {
    const char* text;
    bool accepted;
  } cases[] = {
      {"1920*1080", true}, {"64*64", true},    {"1922*1080", false}, {"1920*1282", false},
      {"62*480", false},   {"641*480", false}, {"640*481", false},   {"", false},
      {"640x480", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SetUp();
    form->FormShow(nullptr);
    form->cmbAudioBitRate->SetItemIndex(2);
    form->cmbVideoResolution->SetText(c.text);
    form->spSkinButton1Click(nullptr);
    if (c.accepted) {
      EXPECT_TRUE(warnings.empty());
      EXPECT_EQ(ResolutionWidth(c.text), Current().Width);
      EXPECT_EQ("192000", Current().AudioBitRate);
    } else {
      ASSERT_EQ(1u, warnings.size());
      EXPECT_EQ("Please input valid resolution. Both width and height must be multiples of 2, and range from "
                "64*64 to 1920*1280.",
                warnings[0]);
      EXPECT_EQ("640", Current().Width);
      EXPECT_EQ("128000", Current().AudioBitRate);
      EXPECT_EQ(-1, LastEditedProfileIndex);
      EXPECT_EQ(0, repaints);
    }
    TearDown();
  }
}

TEST_F(SettingsWindow, AnAudioFormatSkipsTheSizeCheck) {
  CurrentProfileIndex = 1;
  form->FillProfileSettings();
  form->FormShow(nullptr);
  EXPECT_FALSE(form->cmbVideoResolution->Enabled());
  form->cmbAudioBitRate->SetItemIndex(0);
  form->spSkinButton1Click(nullptr);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ("96000", Current().AudioBitRate);
  EXPECT_EQ("", Current().Width);
}

TEST_F(SettingsWindow, AFailureIsReportedAndTheWindowStillCloses) {
  Current().IsAudioFormat = "video";
  form->FormShow(nullptr);
  form->cmbAudioBitRate->SetItemIndex(2);
  form->spSkinButton1Click(nullptr);
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ("Error setting profile", reports[0].first);
  EXPECT_EQ("CLM_SettingProfile", reports[0].second);
  EXPECT_EQ("128000", Current().AudioBitRate);
  EXPECT_EQ(1, repaints);
  EXPECT_FALSE(form->Visible());

  // An entry without a value: what came before it is written, the flag is not.
  SetUp();
  Current().AudioBitRates = "96000$96 kbps,128 kbps";
  Current().AudioBitRate = "96000";
  form->FillProfileSettings();
  form->FormShow(nullptr);
  form->cmbSampleRate->SetItemIndex(1);
  form->cmbAudioBitRate->SetItemIndex(1);
  form->spSkinButton1Click(nullptr);
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ("48000", Current().SampleRate);
  EXPECT_FALSE(Current().AreSettingsChanged);
}

TEST_F(SettingsWindow, DefaultPutsBackTheStoredValuesAndCancelWritesNothing) {
  form->cmbAudioBitRate->SetItemIndex(0);
  form->spSkinButton3Click(nullptr);
  EXPECT_EQ("128 kbps", form->cmbAudioBitRate->Text());

  // Shown modally: a refused size keeps the window open with the typed
  // text; Cancel then closes it without writing.
  bool stayedOpen = false;
  TTimer press(nullptr);
  press.SetInterval(10);
  press.OnTimer = [&](TObject*) {
    press.SetEnabled(false);
    form->cmbAudioBitRate->SetItemIndex(2);
    form->cmbVideoResolution->SetText("641*480");
    form->spSkinButton1Click(nullptr);
    stayedOpen = form->ModalResult == mrNone && form->Visible() && warnings.size() == 1 &&
                 form->cmbVideoResolution->Text() == "641*480";
    form->spSkinButton2Click(nullptr);
  };
  TTimer failSafe(nullptr);
  failSafe.SetInterval(10000);
  failSafe.OnTimer = [&](TObject*) { form->ModalResult = mrAbort; };
  press.SetEnabled(true);
  failSafe.SetEnabled(true);
  EXPECT_EQ(mrCancel, form->ShowModal());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ("128000", Current().AudioBitRate);
  EXPECT_EQ("640", Current().Width);
  EXPECT_EQ(-1, LastEditedProfileIndex);
}

// ---- tag window -----------------------------------------------------------------

TEST(TagWindow, ReadsAndWritesTheSixTagsOfTheItem) {
  MediaFiles.assign(2, TMediaFile());
  TMediaFile& item = MediaFiles[1];
  item.Tag_Title = "Night Drive";
  item.Tag_Artist = "Orla Venn";
  item.Tag_Album = "Coastlines";
  item.Tag_Genre = "Ambient";
  item.Tag_Year = "20x4";  // free text, kept as typed
  item.Tag_Track = "7";

  TTagEditForm form(nullptr);
  ASSERT_TRUE(form.TagEditor1);
  std::vector<std::string> shown;
  const struct {
    bool ok;
    const char* title;
  } runs[] = {{false, "ignored"}, {true, "Night Drive (Live)"}, {true, ""}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.title);
    TTimer press(nullptr);
    press.SetInterval(10);
    press.OnTimer = [&](TObject*) {
      press.SetEnabled(false);
      shown = {form.edTitle->Text(), form.edArtist->Text(), form.edAlbum->Text(),
               form.edGenre->Text(), form.edYear->Text(),   form.edTrack->Text()};
      form.edTitle->SetText(run.title);
      if (!*run.title)
        for (auto* e : {form.edArtist, form.edAlbum, form.edGenre, form.edYear, form.edTrack}) e->SetText("");
      if (run.ok) form.OKButtonClick(nullptr);
      else form.spSkinButton1Click(nullptr);
    };
    TTimer failSafe(nullptr);
    failSafe.SetInterval(10000);
    failSafe.OnTimer = [&](TObject*) { form.ModalResult = mrAbort; };
    press.SetEnabled(true);
    failSafe.SetEnabled(true);
    EXPECT_EQ(run.ok ? mrOk : mrCancel, form.EditItemTags(1));
    EXPECT_EQ(253, form.ClientHeight());
    if (!run.ok) EXPECT_EQ("Night Drive", item.Tag_Title);
    if (run.ok && *run.title) {
      EXPECT_EQ((std::vector<std::string>{"Night Drive", "Orla Venn", "Coastlines", "Ambient", "20x4", "7"}),
                shown);
      EXPECT_EQ("Night Drive (Live)", item.Tag_Title);
      EXPECT_EQ("20x4", item.Tag_Year);
    }
  }
  // The last OK had every edit empty: six empty tags.
  for (const std::string* t : {&item.Tag_Title, &item.Tag_Artist, &item.Tag_Album, &item.Tag_Genre,
                               &item.Tag_Year, &item.Tag_Track})
    EXPECT_EQ("", *t);
  EXPECT_EQ("", MediaFiles[0].Tag_Title);  // the other item is untouched
  MediaFiles.clear();
}
