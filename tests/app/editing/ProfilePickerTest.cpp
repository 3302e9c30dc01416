// The profile picker: the hover delay, the choice of a format, and the
// rename and remove icons of the user's own formats.
#include "app/editing/EditingDialogsFixture.h"

#include <windows.h>

#include "app/editing/profilechoosing.h"
#include "app/editing/settings.h"
#include "app/main/AppStorage.h"
#include "app/main/ProfileFiles.h"
#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/dialogs/SkinGrids.h"
#include "support/Dib.h"

// ---- profile picker -------------------------------------------------------------

struct ProfilePicker : TCatalogueFixture {
  std::unique_ptr<Tproform> picker;
  std::unique_ptr<Tsettingsform> settings;
  TImageList icons{nullptr};
  std::string shownTitle;
  int selectedItem = 1;
  bool applyToAll = false, joinAll = false;
  std::string inputAnswer;
  bool inputConfirmed = true;
  int messageAnswer = mrYes;
  std::vector<std::string> questions;

  void SetUp() override {
    TCatalogueFixture::SetUp();
    shownTitle.clear();
    questions.clear();
    applyToAll = joinAll = false;
    icons.SetSize(16, 16);
    settings.reset(new Tsettingsform(nullptr));
    settingsform = settings.get();
    picker.reset(new Tproform(nullptr));
    picker->CustomProfileEditRemove = &icons;
    TProfilePickerHost& h = picker->Host;
    h.SelectedItemIndex = [this] { return selectedItem; };
    h.ShowProfileTitle = [this](const std::string& t) { shownTitle = t; };
    h.ApplyToAllChecked = [this] { return applyToAll; };
    h.JoinAllMode = [this] { return joinAll; };
    h.InputQuery = [this](const std::string&, const std::string&, std::string& value) {
      if (inputConfirmed) value = inputAnswer;
      return inputConfirmed;
    };
    h.MessageDlg = [this](const std::string& text, TMsgDlgType, TMsgDlgButtons) {
      questions.push_back(text);
      return messageAnswer;
    };
    picker->SetBounds(100, 100, 500, 470);
    picker->Show();
  }
  void TearDown() override {
    picker.reset();
    settingsform = nullptr;
    settings.reset();
    TCatalogueFixture::TearDown();
  }

  // The middle of row `row` of a grid.
  static POINT RowMiddle(TspSkinStringGrid* grid, int row) {
    TRect r = grid->CellRect(0, row);
    return POINT{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void HoverCategory(int row) {
    POINT p = RowMiddle(picker->sgProfiles, row);
    picker->sgProfilesMouseMove(nullptr, 0, p.x, p.y);
  }
  void MoveOverFormats(int x, int y) {
    picker->sgFormatsMouseMove(nullptr, 0, x, y);
    picker->sgFormats->Update();  // the hovered row records its icon squares
  }
  void HoverFormat(int row) {
    POINT p = RowMiddle(picker->sgFormats, row);
    MoveOverFormats(p.x, p.y);
  }
  // Chooses category `category` through the delay and hovers format row `row`.
  void OpenCategory(int category) {
    HoverCategory(category);
    EXPECT_TRUE(picker->ProfileChangeDelayTimer->Enabled());
    picker->ProfileChangeDelayTimerTimer(nullptr);
    picker->ProfileChangeDelayTimer->SetEnabled(false);
  }
};

TEST_F(ProfilePicker, HoverAndClickOnAFormatChoosesIt) {
  EXPECT_EQ(2, picker->sgFormats->RowCount());
  EXPECT_EQ(3, picker->sgProfiles->RowCount());
  const double before = MediaFiles[1].EstimatedSize;
  Profiles[1].Formats[0].AudioBitRate = "320000";

  OpenCategory(1);
  EXPECT_EQ(1, PickerShownProfileIndex);
  EXPECT_EQ(2, picker->sgFormats->RowCount());
  EXPECT_EQ(-1, PickerFormatIndex);
  HoverFormat(0);
  EXPECT_EQ(0, PickerFormatIndex);
  picker->sgFormatsClick(nullptr);

  EXPECT_EQ(1, CurrentProfileIndex);
  EXPECT_EQ(0, CurrentFormatIndex);
  EXPECT_EQ(1, RecentProfileIndex);
  EXPECT_EQ(0, RecentFormatIndex);
  EXPECT_EQ(1, MediaFiles[1].ProfileInd);
  EXPECT_EQ(0, MediaFiles[1].FormatInd);
  EXPECT_EQ("Ready", MediaFiles[1].Status);
  EXPECT_EQ(0, MediaFiles[0].ProfileInd);  // only the selected item
  EXPECT_NE(before, MediaFiles[1].EstimatedSize);
  EXPECT_EQ("MP3", shownTitle);
  EXPECT_EQ("MP3", settings->cmbAudioEncoder->Text());  // the settings boxes follow
  EXPECT_TRUE(HistoryHas("-> Profile is chosen: MP3"));
  EXPECT_FALSE(picker->Visible());
}

TEST_F(ProfilePicker, ApplyToAllAndJoinAllGiveTheChoiceToEveryItem) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    SetUp();
    applyToAll = mode == 0;
    joinAll = mode == 1;
    OpenCategory(1);
    HoverFormat(1);
    picker->sgFormatsClick(nullptr);
    for (const auto& item : MediaFiles) {
      EXPECT_EQ(1, item.ProfileInd);
      EXPECT_EQ(1, item.FormatInd);
    }
    TearDown();
  }
}

TEST_F(ProfilePicker, ShowingScrollsTheCurrentFormatUpAsFarAsTheListGoes) {
  Profiles[1].Formats.assign(12, AudioFormat("OGG"));
  CurrentProfileIndex = 1;
  const struct {
    int current, top;
  } cases[] = {{0, 0}, {3, 3}, {10, 12 - 465 / 57}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.current);
    CurrentFormatIndex = c.current;
    picker->FormShow(nullptr);
    EXPECT_EQ(c.top, picker->sgFormats->TopRow());
  }
  // A short list does not scroll at all.
  CurrentProfileIndex = 2;
  CurrentFormatIndex = 2;
  picker->FormShow(nullptr);
  EXPECT_EQ(0, picker->sgFormats->TopRow());
}

TEST_F(ProfilePicker, LosingActivationHidesThePickerAndStopsTheDelay) {
  int focused = 0;
  picker->Host.FocusMainWindow = [&] { ++focused; };
  HoverCategory(1);
  ASSERT_TRUE(picker->ProfileChangeDelayTimer->Enabled());
  SendMessageW(picker->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(picker->Visible());
  EXPECT_FALSE(picker->ProfileChangeDelayTimer->Enabled());
  EXPECT_EQ(1, focused);
  EXPECT_EQ(0, CurrentProfileIndex);
}

TEST_F(ProfilePicker, RowsDrawTheHighlightTheIconAndTheTexts) {
  // A red icon picture for every format: the fallback entry 0.
  TProfileIcon icon;
  icon.ID = "_default";
  icon.Picture.reset(new TPicture);
  TBitmap red;
  red.SetSize(20, 20);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 20, 20});
  icon.Picture->SetGraphic(&red);
  ProfileIcons.clear();
  ProfileIcons.push_back(std::move(icon));

  HoverFormat(1);
  TspSkinStringGrid* g = picker->sgFormats;
  Dib dib(g->Width(), g->Height());
  g->PaintTo(dib.dc, 0, 0);
  const int rowHeight = g->RowHeights(0);
  const COLORREF highlight = RGB(185, 212, 255);
  // Row 0 white, row 1 highlighted between its margins.
  EXPECT_EQ(RGB(255, 255, 255), dib.At(8, rowHeight - 4));
  EXPECT_EQ(highlight, dib.At(8, rowHeight + 45));
  EXPECT_EQ(RGB(255, 255, 255), dib.At(2, rowHeight + 45));
  // The icon centred on (28, 20) of each row.
  EXPECT_EQ(RGB(255, 0, 0), dib.At(28, 20));
  EXPECT_EQ(RGB(255, 0, 0), dib.At(28, rowHeight + 20));
  // Title text (dark pixels) right of the icon in the first row.
  int dark = 0;
  for (int y = 2; y < 20; ++y)
    for (int x = 50; x < 150; ++x)
      if (GetRValue(dib.At(x, y)) < 100) ++dark;
  EXPECT_GT(dark, 10);
  EXPECT_TRUE(reports.empty());
  ProfileIcons.clear();
}

TEST_F(ProfilePicker, MovingIntoTheFormatsBeforeTheDelayKeepsTheListedCategory) {
  HoverCategory(1);
  EXPECT_EQ(1, PickerProfileIndex);
  EXPECT_TRUE(picker->ProfileChangeDelayTimer->Enabled());
  HoverFormat(1);
  EXPECT_FALSE(picker->ProfileChangeDelayTimer->Enabled());
  EXPECT_EQ(0, PickerProfileIndex);
  EXPECT_EQ(0, PickerShownProfileIndex);
  picker->sgFormatsClick(nullptr);
  EXPECT_EQ(0, CurrentProfileIndex);
  EXPECT_EQ(1, CurrentFormatIndex);
}

TEST_F(ProfilePicker, ACategoryWithoutFormatsOffersNothingToClick) {
  Profiles[1].Formats.clear();
  OpenCategory(1);
  HoverFormat(0);
  EXPECT_EQ(-1, PickerFormatIndex);
  picker->sgFormats->Repaint();  // its one empty row draws without an error
  picker->sgFormatsClick(nullptr);
  EXPECT_EQ(0, CurrentProfileIndex);
  EXPECT_TRUE(picker->Visible());
  EXPECT_TRUE(reports.empty());
}

TEST_F(ProfilePicker, RenameThroughTheRowIcon) {
  OpenCategory(2);
  HoverFormat(1);
  ASSERT_EQ(16, RenameIconSize);
  EXPECT_EQ(RemoveIconLeft - 7 - 16, RenameIconLeft);
  MoveOverFormats(RenameIconLeft + 8, RenameIconTop + 8);
  inputAnswer = "Phone \"small\"";
  picker->sgFormatsClick(nullptr);
  EXPECT_EQ("Phone 'small'", Profiles[2].Formats[1].Title);
  EXPECT_TRUE(HistoryHas("-> Profile is renamed to Phone 'small'"));
  EXPECT_TRUE(picker->Visible());
  EXPECT_EQ(0, CurrentProfileIndex);

  // An empty answer, or Cancel, keeps the title.
  for (bool confirmed : {true, false}) {
    inputAnswer = "";
    inputConfirmed = confirmed;
    picker->sgFormatsClick(nullptr);
    EXPECT_EQ("Phone 'small'", Profiles[2].Formats[1].Title);
  }
}

TEST_F(ProfilePicker, OnePixelOutsideTheIconsChooses) {
  OpenCategory(2);
  HoverFormat(2);
  // On the square's edge is outside: only strictly inside counts.
  MoveOverFormats(RenameIconLeft, RenameIconTop + 8);
  picker->sgFormatsClick(nullptr);
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(2, CurrentProfileIndex);
  EXPECT_EQ(2, CurrentFormatIndex);
  EXPECT_EQ("Mine C", Profiles[2].Formats[2].Title);
  EXPECT_FALSE(picker->Visible());
}

TEST_F(ProfilePicker, RemovingTheCurrentCustomFormatMakesTheFirstFormatCurrent) {
  CurrentProfileIndex = 2;
  CurrentFormatIndex = 1;
  MediaFiles = {Item(2, 1, 60), Item(2, 2, 60), Item(2, 0, 60)};
  selectedItem = 2;
  picker->FormShow(nullptr);
  HoverFormat(1);
  MoveOverFormats(RemoveIconLeft + 8, RemoveIconTop + 8);

  messageAnswer = mrNo;
  picker->sgFormatsClick(nullptr);
  ASSERT_EQ(1u, questions.size());
  EXPECT_EQ("Remove profile Mine B", questions[0]);
  EXPECT_EQ(3u, Profiles[2].Formats.size());
  EXPECT_TRUE(picker->Visible());

  messageAnswer = mrYes;
  picker->sgFormatsClick(nullptr);
  ASSERT_EQ(2u, Profiles[2].Formats.size());
  EXPECT_EQ("Mine C", Profiles[2].Formats[1].Title);
  EXPECT_EQ(0, CurrentProfileIndex);
  EXPECT_EQ(0, CurrentFormatIndex);
  EXPECT_EQ(-1, LastEditedProfileIndex);
  // The item on the removed format gets the first format, the later one
  // moves up, the selected one is given the new current format.
  EXPECT_EQ(0, MediaFiles[0].ProfileInd);
  EXPECT_EQ(0, MediaFiles[0].FormatInd);
  EXPECT_EQ(2, MediaFiles[1].ProfileInd);
  EXPECT_EQ(1, MediaFiles[1].FormatInd);
  EXPECT_EQ(0, MediaFiles[2].ProfileInd);
  EXPECT_EQ(0, MediaFiles[2].FormatInd);
  EXPECT_EQ("MP4", shownTitle);
  EXPECT_TRUE(HistoryHas("-> Profile is removed"));
  EXPECT_FALSE(picker->Visible());

  // The custom-profile file is written from what is left.
  const std::string text = CustomProfilesText(Profiles[2].Formats);
  std::vector<TFormat> back;
  EXPECT_TRUE(ParseCustomProfiles(text, back));
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ("Mine A", back[0].Title);
  EXPECT_EQ("Mine C", back[1].Title);
}

TEST_F(ProfilePicker, RemovingAnEarlierCustomFormatKeepsTheCurrentOne) {
  CurrentProfileIndex = RecentProfileIndex = 2;
  CurrentFormatIndex = RecentFormatIndex = 2;
  picker->FormShow(nullptr);
  HoverFormat(0);
  MoveOverFormats(RemoveIconLeft + 8, RemoveIconTop + 8);
  picker->sgFormatsClick(nullptr);
  ASSERT_EQ(2u, Profiles[2].Formats.size());
  EXPECT_EQ(2, CurrentProfileIndex);
  EXPECT_EQ(1, CurrentFormatIndex);
  EXPECT_EQ(1, RecentFormatIndex);
  EXPECT_EQ("Mine C", Profiles[2].Formats[CurrentFormatIndex].Title);
  EXPECT_TRUE(picker->Visible());
  EXPECT_EQ(2, picker->sgFormats->RowCount());
}

TEST(ProfileIconChoice, CategoryAndFormatPicturesWithTheLastMatchWinning) {
  ProfileIcons.clear();
  for (const char* id : {"_default", "CAT_AUDIO", "fmt_mp3", "cat_audio"}) {
    TProfileIcon icon;
    icon.ID = id;
    icon.Picture.reset(new TPicture);
    ProfileIcons.push_back(std::move(icon));
  }
  TPicture *category = nullptr, *format = nullptr;
  ChooseProfilePictures("cat_audio", "FMT_MP3", category, format);
  EXPECT_EQ(ProfileIcons[3].Picture.get(), category);
  EXPECT_EQ(ProfileIcons[2].Picture.get(), format);
  ChooseProfilePictures("nothing", "none", category, format);
  EXPECT_EQ(ProfileIcons[0].Picture.get(), category);
  EXPECT_EQ(ProfileIcons[0].Picture.get(), format);
  ProfileIcons.clear();
  ChooseProfilePictures("cat_audio", "fmt_mp3", category, format);
  EXPECT_EQ(nullptr, category);
}


// The shipped catalogue beside the test program: raise the audio bit rate
// of the default format for every row, refuse an odd video size, then pick
// "MP3" from "Audio" for the selected row.
TEST(ShippedCatalogue, SettingsAndPickerOverTheProgramsOwnFormats) {
  LanguageIndex = 0;
  CustomProfileFolder.clear();
  Profiles.clear();
  LoadProfileCatalogue();
  ASSERT_FALSE(Profiles.empty());
  int audio = -1;
  for (size_t i = 0; i < Profiles.size(); ++i)
    if (Profiles[i].Title == "Audio") audio = static_cast<int>(i);
  ASSERT_GE(audio, 0);
  ASSERT_FALSE(Profiles[audio].Formats.empty());
  ASSERT_EQ("MP3", Profiles[audio].Formats[0].Title);
  CurrentProfileIndex = 4;
  CurrentFormatIndex = 2;
  TFormat& mp4 = Profiles[4].Formats[2];
  ASSERT_EQ("0", mp4.IsAudioFormat);
  ASSERT_EQ("128000", mp4.AudioBitRate);
  MediaFiles = {Item(4, 2, 90), Item(4, 2, 300)};
  for (int i = 0; i < 2; ++i) RecalcItem(i);
  const double sizes[] = {MediaFiles[0].EstimatedSize, MediaFiles[1].EstimatedSize};

  std::vector<std::string> warnings;
  Tsettingsform settings(nullptr);
  settingsform = &settings;
  settings.OnWarning = [&](const std::string& t) { warnings.push_back(t); };
  settings.FillProfileSettings();
  settings.FormShow(nullptr);
  std::unique_ptr<TStringList> values(SplitOptionList(mp4.AudioBitRates, true));
  const int i192 = values->IndexOf("192000");
  ASSERT_GE(i192, 0);
  settings.cmbVideoResolution->SetText("641*480");
  settings.cmbAudioBitRate->SetItemIndex(i192);
  settings.spSkinButton1Click(nullptr);
  ASSERT_EQ(1u, warnings.size());
  EXPECT_EQ("128000", mp4.AudioBitRate);
  EXPECT_EQ(sizes[0], MediaFiles[0].EstimatedSize);

  settings.cmbVideoResolution->SetText("640*480");
  settings.spSkinButton1Click(nullptr);
  EXPECT_EQ("192000", mp4.AudioBitRate);
  EXPECT_GT(MediaFiles[0].EstimatedSize, sizes[0]);
  EXPECT_GT(MediaFiles[1].EstimatedSize, sizes[1]);

  Tproform picker(nullptr);
  int selected = 0;
  picker.Host.SelectedItemIndex = [&] { return selected; };
  picker.SetBounds(100, 100, 500, std::max(ProfileMenuHeight, 200));
  picker.Show();
  TRect r = picker.sgProfiles->CellRect(0, audio);
  picker.sgProfilesMouseMove(nullptr, 0, r.Left + 20, r.Top + 5);
  ASSERT_TRUE(picker.ProfileChangeDelayTimer->Enabled());
  picker.ProfileChangeDelayTimerTimer(nullptr);
  // The list keeps its scroll position across categories: scroll up to MP3.
  picker.sgFormats->SetTopRow(0);
  r = picker.sgFormats->CellRect(0, 0);
  picker.sgFormatsMouseMove(nullptr, 0, r.Left + 60, r.Top + 10);
  const double before = MediaFiles[0].EstimatedSize;
  picker.sgFormatsClick(nullptr);
  EXPECT_EQ(audio, CurrentProfileIndex);
  EXPECT_EQ(0, CurrentFormatIndex);
  EXPECT_EQ(audio, MediaFiles[0].ProfileInd);
  EXPECT_EQ(0, MediaFiles[0].FormatInd);
  EXPECT_NE(before, MediaFiles[0].EstimatedSize);
  EXPECT_EQ(4, MediaFiles[1].ProfileInd);
  EXPECT_EQ("MP3", settings.cmbAudioEncoder->Text());
  EXPECT_FALSE(picker.Visible());

  settingsform = nullptr;
  MediaFiles.clear();
  Profiles.clear();
}
