// The trim and edit windows driven through their handlers, without playing:
// the players' file-open events are delivered as the player would.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/editing/EditHost.h"
#include "app/editing/clip.h"
#include "app/editing/crop.h"
#include "skin/dialogs/spFileDialogs.h"
#include "app/main/AppData.h"
#include "app/main/OptionText.h"
#include "app/editing/EditControls.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/Shape.h"
#include "player/FFPlay.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinSpin.h"
#include "skin/controls/SkinTimeEdit.h"
#include "skin/controls/SkinTrackBar.h"

namespace {

constexpr int64_t kSecond = 1000000;

TFormat Mp4Format() {
  TFormat f;
  f.FormatExt = "mp4";
  f.IsAudioFormat = "0";
  f.VideoCodecName = "libx264";
  f.AudioCodecName = "aac";
  f.Width = "640";
  f.Height = "360";
  f.FrameRate = "25000";
  f.VideoBitRate = "500000";
  f.SampleRate = "44100";
  f.AudioBitRate = "128000";
  f.Channel = "2";
  f.KeepOriFrameRate = "0";
  return f;
}

struct Messages {
  std::vector<std::string> shown;
  Messages() {
    EditHost().ShowMessage = [this](const std::string& t) { shown.push_back(t); };
  }
  ~Messages() { EditHost().ShowMessage = nullptr; }
};

TMediaFile VideoItem(int64_t length) {
  TMediaFile item;
  item.Source = "c:\\media\\clip.mp4";
  item.SourceWidth = 640;
  item.SourceHeight = 480;
  item.TimeEnd = length;
  item.TrimmedLength = length;
  return item;
}

}  // namespace

TEST(FormatMicroseconds, HoursAreNotWrapped) {
  const struct {
    int64_t t;
    const char* text;
  } cases[] = {{0, "00:00:00"},
               {(3600 + 120 + 3) * kSecond, "01:02:03"},
               {25 * 3600 * kSecond, "25:00:00"},
               {3 * kSecond + 999999, "00:00:03"}};
  for (const auto& c : cases) EXPECT_EQ(FormatMicroseconds(c.t), c.text) << c.t;
}

TEST(TrimGeometry, HandlesMapBackToTheirTimes) {
  // The whole length spans the bar; a handle that is pressed and released in
  // place keeps (almost) its time.
  EXPECT_EQ(ClipTimeToHandleLeft(0, 10 * kSecond, 464, 1000), 10);
  EXPECT_EQ(ClipTimeToHandleLeft(10 * kSecond, 10 * kSecond, 464, 1000), 474);
  for (int64_t t : {int64_t{2000000}, int64_t{5000000}, int64_t{7777777}}) {
    const int left = ClipTimeToHandleLeft(t, 10 * kSecond, 464, 1000);
    EXPECT_NEAR(static_cast<double>(ClipHandleLeftToTime(left, 10 * kSecond, 464, 1000)), t, 0.03 * kSecond);
  }
  // No length yet: the reset place, no division by zero.
  EXPECT_EQ(ClipTimeToHandleLeft(5 * kSecond, 0, 464, 1000), 10);
}

class TrimDialog : public ::testing::Test {
protected:
  void SetUp() override {
    MediaFiles.clear();
    MediaFiles.push_back(VideoItem(10 * kSecond));
    form = new TClipForm(nullptr);
    form->ItemIndex = 0;
    form->FDuration = 10 * kSecond;
    form->SetClipTrimStart(0);
    form->SetClipTrimEnd(10 * kSecond);
  }
  void TearDown() override {
    delete form;
    MediaFiles.clear();
  }
  void Type(TspSkinTimeEdit* edit, const char* text) { edit->SetTime(text); }
  TClipForm* form = nullptr;
  Messages messages;
};

TEST_F(TrimDialog, TypedRangeWritesTheRowAndTheOptionText) {
  Type(form->TimeStart, "00:00:02");
  form->spSkinSpeedButton1Click(form);
  Type(form->TimeEnd, "00:00:05");
  form->spSkinSpeedButton2Click(form);
  EXPECT_LT(form->imgTrimLeft->Left(), form->imgTrimRight->Left());
  form->spSkinButton4Click(form);

  const TMediaFile& item = MediaFiles[0];
  EXPECT_EQ(item.TimeStart, 2 * kSecond);
  EXPECT_EQ(item.TimeEnd, 5 * kSecond);
  EXPECT_EQ(item.TrimmedLength, 3 * kSecond);
  EXPECT_EQ(FormatMicroseconds(item.TrimmedLength), "00:00:03");

  TTaskContext context;
  context.OutputFolder = "c:\\out";
  context.TempFolder = "c:\\temp";
  const TTaskOptions o = BuildTaskOptions(item, Mp4Format(), context);
  EXPECT_NE(o.InputOptions.find("-ss_microsecond 2000000"), std::string::npos) << o.InputOptions;
  EXPECT_NE(o.OutputOptions.find("-t_microsecond 3000000"), std::string::npos) << o.OutputOptions;
}

TEST_F(TrimDialog, EmptyRangeIsRefusedAndTypedTimesStayInsideTheFile) {
  // A typed end beyond the file is the file's end.
  Type(form->TimeEnd, "00:05:00");
  form->spSkinSpeedButton2Click(form);
  EXPECT_EQ(ClipTrimEnd, 10 * kSecond);
  EXPECT_EQ(form->TimeEnd->Time(), "00:00:10");

  // "Set start" after the end makes the range empty: OK keeps the row.
  ClipLastPosition = 10 * kSecond;
  form->videotrackbar2->SetValue(1000);
  form->spSkinButton1Click(form);
  EXPECT_EQ(ClipTrimStart, ClipTrimEnd);
  EXPECT_LT(form->imgTrimLeft->Left(), form->imgTrimRight->Left());
  form->spSkinButton4Click(form);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(MediaFiles[0].TrimmedLength, 10 * kSecond);

  // A text that is no time leaves the range as it was.
  const int64_t before = ClipTrimStart;
  for (const char* bad : {"xx", "00:75:00", "24:00:00", "1:2:3:4"}) EXPECT_ANY_THROW(TimeTextToMicroseconds(bad)) << bad;
  form->TimeStart->SetText("00:75:00");
  if (form->TimeStart->Time() == "00:75:00") {
    EXPECT_ANY_THROW(form->spSkinSpeedButton1Click(form));
    EXPECT_EQ(ClipTrimStart, before);
  }
}

TEST_F(TrimDialog, HandlesNeverCrossWhileDragged) {
  form->spSkinButton6Click(form);  // reset: 10 and W + 10
  EXPECT_EQ(form->imgTrimLeft->Left(), 10);
  EXPECT_EQ(form->imgTrimRight->Left(), 474);
  ClipLeftDragging = true;
  ClipLeftDownX = 0;
  const int right = form->imgTrimRight->Left();
  form->imgTrimLeftMouseMove(form, 0, right - form->imgTrimLeft->Left(), 0);  // onto the right handle
  EXPECT_EQ(form->imgTrimLeft->Left(), 10);
  form->imgTrimLeftMouseMove(form, 0, 100, 0);
  EXPECT_EQ(form->imgTrimLeft->Left(), 110);
  EXPECT_EQ(form->TrimmedTimeLine->Left(), 110 + 6 + 6);
  ClipLeftDragging = false;
}

class EditDialog : public ::testing::Test {
protected:
  void SetUp() override {
    MediaFiles.clear();
    MediaFiles.push_back(VideoItem(10 * kSecond));
    form = new TCropForm(nullptr);
    form->ItemIndex = 0;
  }
  void TearDown() override {
    delete form;
    for (TMediaFile& m : MediaFiles) delete m.OverlayTextFont;
    MediaFiles.clear();
  }
  void Open(int w, int h) {
    EditApplyItemOnOpen = true;
    int sw = 0, sh = 0;
    form->VIDavaza1FileOpen(form->VIDavaza1, 10 * kSecond, w, h, sw, sh);
  }
  TCropForm* form = nullptr;
};

TEST_F(EditDialog, FullFrameCropOfAVgaSource) {
  Open(640, 480);
  EXPECT_EQ(EditPictureLeft, 12);
  EXPECT_EQ(EditPictureRight, 308);
  EXPECT_EQ(form->szLeftTop->Left(), 8);
  EXPECT_EQ(form->szLeftTop->Top(), -4);
  EXPECT_EQ(form->szRightBottom->Left(), 304);
  EXPECT_EQ(form->szRightBottom->Top(), 218);
  EXPECT_EQ(form->edWidth->Value(), 640);
  EXPECT_EQ(form->cmbAspectRatio->ItemIndex(), 0);
  // The whole frame letterboxed as in the source preview.
  EXPECT_EQ(form->Panel2->Width(), 296);
  EXPECT_EQ(form->Panel2->Left(), 12);
  // Apply of the whole frame: four zero margins.
  form->spSkinButton1Click(form);
  const TMediaFile& item = MediaFiles[0];
  EXPECT_EQ(item.CropLeft + item.CropTop + item.CropRight + item.CropBottom, 0);
}

TEST_F(EditDialog, EditedValuesReachTheRowAndTheOptionText) {
  Open(640, 480);
  form->edLeft->SetValue(100);
  form->edWidth->SetValue(540);
  form->cmbAspectRatio->SetItemIndex(3);
  form->cmbAspectRatioChange(form);
  form->chBrightness->SetChecked(true);
  form->tbBrightness->SetValue(30);
  form->chText->SetChecked(true);
  form->edTextOverlay->SetText("HELLO");
  form->TextOverlayX->SetValue(10);
  form->TextOverlayY->SetValue(10);
  form->OverlayFont->SetColor(RGB(255, 0, 0));
  form->chPictureOverlay->SetChecked(true);
  form->edPictureOverlay->SetText("c:\\media\\logo.png");
  form->chPictureOverlay->SetChecked(true);
  form->PictureOverlayX->SetValue(20);
  form->PictureOverlayY->SetValue(20);
  form->spSkinButton1Click(form);

  const TMediaFile& item = MediaFiles[0];
  EXPECT_EQ(item.CropLeft, 100);
  EXPECT_EQ(item.CropRight, 0);
  EXPECT_EQ(item.AspectRatio, 3);
  EXPECT_EQ(item.Brightness, 30);
  EXPECT_TRUE(item.TextOverlay);
  EXPECT_EQ(item.OverlayText, "HELLO");
  EXPECT_EQ(item.OverlayTextX, 10);
  EXPECT_EQ(item.OverlayTextY, 10);
  ASSERT_NE(item.OverlayTextFont, nullptr);
  EXPECT_EQ(item.OverlayTextFont->Color(), RGB(255, 0, 0));
  EXPECT_TRUE(item.PictureOverlay);
  EXPECT_EQ(item.OverlayPicturePath, "c:\\media\\logo.png");
  EXPECT_EQ(item.OverlayPictureX, 20);
  EXPECT_EQ(item.OverlayPictureY, 20);

  TTaskContext context;
  context.OutputFolder = "c:\\out";
  context.TempFolder = "c:\\temp";
  context.OverlayPictureName = "c:\\temp\\0.png";
  const TTaskOptions o = BuildTaskOptions(item, Mp4Format(), context);
  EXPECT_NE(o.OutputOptions.find("nativeeq=30"), std::string::npos) << o.OutputOptions;
  EXPECT_NE(o.OutputOptions.find("crop="), std::string::npos) << o.OutputOptions;
  EXPECT_NE(o.OutputOptions.find("movie="), std::string::npos) << o.OutputOptions;

  // Opening the row again shows what was written.
  form->tbBrightness->SetValue(0);
  Open(640, 480);
  EXPECT_EQ(form->edLeft->Value(), 100);
  EXPECT_EQ(form->edWidth->Value(), 540);
  EXPECT_EQ(form->tbBrightness->Value(), 30);
  EXPECT_TRUE(form->chBrightness->Checked());
  EXPECT_EQ(form->cmbAspectRatio->ItemIndex(), 3);
}

TEST_F(EditDialog, FilterTextNamesTheLiveValues) {
  form->FBrightness = 20;
  form->FContrast = -10;
  form->FSaturation = 5;
  form->UpdateVideoFilters();
  const std::string text = form->VIDavaza2->VideoFilters();
  const std::string eq = "nativeeq=20:-10:" + std::to_string(reinterpret_cast<intptr_t>(&form->FBrightness)) +
                         ":" + std::to_string(reinterpret_cast<intptr_t>(&form->FContrast));
  const std::string hue = "nativehue=0:5:" + std::to_string(reinterpret_cast<intptr_t>(&form->FHue)) + ":" +
                          std::to_string(reinterpret_cast<intptr_t>(&form->FSaturation));
  EXPECT_EQ(text, eq + ", " + hue);
  // Moving a bar changes the value the running filter reads; unchecking the
  // box returns it to 0.
  form->tbHue->SetValue(40);
  EXPECT_EQ(form->FHue, 40);
  form->chHue->SetChecked(true);
  form->chHue->SetChecked(false);
  EXPECT_EQ(form->tbHue->Value(), 0);
  EXPECT_EQ(form->FHue, 0);
  form->tbBrightness->SetValue(55);
  EXPECT_EQ(form->FBrightness, 55);
}

TEST_F(EditDialog, OverlaySettingsArePublishedForThePictureHook) {
  Open(640, 480);
  form->chText->SetChecked(true);
  form->edTextOverlay->SetText("HELLO");
  form->TextOverlayX->SetValue(10);
  auto s = form->Overlay();
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->Text);
  EXPECT_EQ(s->TextValue, "HELLO");
  EXPECT_EQ(s->TextX, 10);
  // The hook draws the text onto the picture in the picture's own pixels.
  TBitmap b;
  b.SetSize(64, 48);
  b.Canvas()->Brush()->SetColor(0);
  b.Canvas()->FillRect(TRect{0, 0, 64, 48});
  form->OverlayFont->SetColor(RGB(255, 0, 0));
  form->PublishOverlay();
  bool update = true;
  form->VIDavaza2VideoHook(form->VIDavaza2, &b, 0, update);
  bool red = false;
  for (int y = 0; y < 48 && !red; ++y)
    for (int x = 10; x < 64 && !red; ++x) red = (b.Canvas()->Pixel(x, y) & 0xFF) > 128;
  EXPECT_TRUE(red);
}

// The source player is taken to show a 640 x 480 picture.
class PictureCropForm : public TCropForm {
public:
  using TCropForm::TCropForm;
  void CurrentPictureSize(int& width, int& height) override {
    width = 640;
    height = 480;
  }
};

class CropHandles : public ::testing::Test {
protected:
  void SetUp() override {
    MediaFiles.clear();
    MediaFiles.push_back(VideoItem(10 * kSecond));
    form = new PictureCropForm(nullptr);
    form->ItemIndex = 0;
    EditApplyItemOnOpen = true;
    int sw = 0, sh = 0;
    form->VIDavaza1FileOpen(form->VIDavaza1, 10 * kSecond, 640, 480, sw, sh);
    EditPlayerState = psPause;
  }
  void TearDown() override {
    EditHandleDragging = false;
    delete form;
    for (TMediaFile& m : MediaFiles) delete m.OverlayTextFont;
    MediaFiles.clear();
  }
  // Presses handle `kind` at (4, 4) inside it and moves the mouse by (dx, dy).
  void Drag(int kind, int dx, int dy) {
    form->szMouseDown(nullptr, mbLeft, 0, 4, 4);
    form->szMouseMove(kind, 4 + dx, 4 + dy);
    form->szMouseUp(nullptr, mbLeft, 0, 4 + dx, 4 + dy);
  }
  PictureCropForm* form = nullptr;
};

TEST_F(CropHandles, DraggingStaysInsideThePictureAndNeverCrosses) {
  // Past the top-left handle: refused.
  Drag(1, -300, 0);
  EXPECT_EQ(form->szRightBottom->Left(), 304);
  // Inward: the edits follow the handle.
  Drag(1, -100, -50);
  EXPECT_EQ(form->szRightBottom->Left(), 204);
  EXPECT_EQ(form->edWidth->Value(), 424);  // 425 − 1: the left edge shows half a pixel in
  EXPECT_EQ(form->szRightTop->Left(), 204);
  EXPECT_EQ(form->szBottomMiddle->Top(), form->szRightBottom->Top());
  // Outward past the picture: the centre stops on its edge.
  Drag(1, 200, 200);
  EXPECT_EQ(form->szRightBottom->Left() + 4, EditPictureRight);
  EXPECT_EQ(form->szRightBottom->Top() + 4, EditPictureBottom);
  EXPECT_EQ(form->edWidth->Value(), 640);
  EXPECT_EQ(form->edHeight->Value(), 480);
  // Never closer than 8 pixels to the other side.
  Drag(1, 10 - form->szRightBottom->Left(), 0);
  EXPECT_EQ(form->szRightBottom->Left(), form->szLeftTop->Left() + 8);
  // Typed values can make it smaller.
  form->edWidth->SetValue(4);
  EXPECT_LT(form->szRightBottom->Left() - form->szLeftTop->Left(), 8);
}

TEST_F(CropHandles, StoppedPlayerIgnoresHandles) {
  EditPlayerState = psStop;
  Drag(0, 50, 50);
  EXPECT_EQ(form->szLeftTop->Left(), 8);
  EXPECT_EQ(form->szLeftTop->Top(), -4);
  EXPECT_EQ(form->edLeft->Value(), 0);
}

TEST_F(CropHandles, FlippingClearsTheEditsOnlyWhenSwitchedOn) {
  form->edLeft->SetValue(100);
  form->chBrightness->SetChecked(true);
  form->tbBrightness->SetValue(30);
  form->chText->SetChecked(true);
  form->edTextOverlay->SetText("HELLO");
  form->cmbAspectRatio->SetItemIndex(3);
  form->chFlipVertical->SetChecked(true);
  EXPECT_EQ(form->edLeft->Value(), 0);
  EXPECT_EQ(form->edWidth->Value(), 640);
  EXPECT_EQ(form->tbBrightness->Value(), 0);
  EXPECT_FALSE(form->chText->Checked());
  EXPECT_EQ(form->edTextOverlay->Text(), "");
  EXPECT_EQ(form->cmbAspectRatio->ItemIndex(), 0);
  EXPECT_TRUE(form->VIDavaza2->VerticalFlip());
  form->tbBrightness->SetValue(20);
  form->chFlipVertical->SetChecked(false);
  EXPECT_EQ(form->tbBrightness->Value(), 20);
  EXPECT_FALSE(form->VIDavaza2->VerticalFlip());
}

TEST_F(CropHandles, FlippedItemKeepsItsAdjustmentsWhenOpened) {
  MediaFiles[0].FlipVertical = true;
  MediaFiles[0].Brightness = 25;
  MediaFiles[0].CropLeft = 40;
  EditApplyItemOnOpen = true;
  int sw = 0, sh = 0;
  form->VIDavaza1FileOpen(form->VIDavaza1, 10 * kSecond, 640, 480, sw, sh);
  EXPECT_TRUE(form->chFlipVertical->Checked());
  EXPECT_EQ(form->tbBrightness->Value(), 25);
  EXPECT_EQ(form->edLeft->Value(), 40);
  EXPECT_EQ(form->edWidth->Value(), 600);
}

TEST_F(CropHandles, ApplyKeepsMarginsInsideTheFrameAndNeedsAnOpenedSource) {
  // Typed values past the frame: the margins stay at 0, never negative.
  form->edLeft->SetValue(600);
  form->edWidth->SetValue(640);
  form->edTop->SetValue(100);
  form->edHeight->SetValue(480);
  form->spSkinButton1Click(form);
  EXPECT_EQ(MediaFiles[0].CropLeft, 600);
  EXPECT_EQ(MediaFiles[0].CropRight, 0);
  EXPECT_EQ(MediaFiles[0].CropTop, 100);
  EXPECT_EQ(MediaFiles[0].CropBottom, 0);

  // Shown for another row whose file did not open: the controls still hold
  // the first row's values, which must not reach the second row.
  MediaFiles.push_back(VideoItem(10 * kSecond));
  form->ItemIndex = 1;
  EditApplyItemOnOpen = true;
  form->spSkinButton1Click(form);
  EXPECT_EQ(MediaFiles[1].CropLeft, 0);
  EXPECT_EQ(MediaFiles[1].CropTop, 0);
}

TEST(EditDialogRefusal, AudioItemsAreNotEdited) {
  Messages messages;
  MediaFiles.clear();
  MediaFiles.push_back(VideoItem(10 * kSecond));
  MediaFiles[0].isSourceAudioFormat = true;
  EXPECT_EQ(ShowEditDialog(0), mrNone);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Can't edit audio formats. You can click \"Trim\" button.");
  MediaFiles.clear();
}

// ---- with the real players on a generated clip ------------------------------

#include "app/main/ErrorReport.h"
#include "engine/Fixtures.h"
#include "framework/StringList.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"

namespace {

bool PumpUntil(const std::function<bool()>& pred, unsigned ms) {
  const DWORD end = GetTickCount() + ms;
  while (!pred()) {
    if (GetTickCount() > end) return false;
    PumpMessages();
    Sleep(5);
  }
  return true;
}

double MeanLevel(TBitmap* b) {
  double sum = 0;
  int n = 0;
  for (int y = 0; y < b->Height(); y += b->Height() / 16 + 1)
    for (int x = 0; x < b->Width(); x += b->Width() / 16 + 1) {
      const TColor c = b->Canvas()->Pixel(x, y);
      sum += ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3.0;
      ++n;
    }
  return n ? sum / n : 0;
}

class PreviewPlayers : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::EnsureStandard());
    char16_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, reinterpret_cast<LPWSTR>(temp));
    TempFolder = UTF16ToUTF8(temp);
    while (!TempFolder.empty() && TempFolder.back() == '\\') TempFolder.pop_back();
    MediaFiles.clear();
    TMediaFile item = VideoItem(5 * kSecond);
    item.Source = fixtures::WindowsPath("clip_h264_aac.mp4");
    item.SourceWidth = 640;
    item.SourceHeight = 360;
    MediaFiles.push_back(item);
  }
  void TearDown() override {
    for (TMediaFile& m : MediaFiles) delete m.OverlayTextFont;
    MediaFiles.clear();
  }
};

}  // namespace

TEST_F(PreviewPlayers, TrimWindowPlaysTheItemAndReportsItsLength) {
  TClipForm form(nullptr);
  form.ItemIndex = 0;
  ClipLastPosition = 0;
  form.Show();
  ASSERT_TRUE(PumpUntil(
      [&] { return form.FDuration > 0 && ClipLastPosition > 0 && form.videotrackbar2->Value() > 0; }, 15000));
  EXPECT_NEAR(static_cast<double>(form.FDuration), 5.0 * kSecond, 0.2 * kSecond);
  EXPECT_GT(form.videotrackbar2->Value(), 0);
  // Once the length is known, the untrimmed item's handles span the bar.
  form.Hide();
  form.StopButtonClick(&form);
  form.Show();
  EXPECT_EQ(form.imgTrimLeft->Left(), 10);
  EXPECT_EQ(form.imgTrimRight->Left(), form.videotrackbar2->Width() + 10);

  // "Play trimmed part" loops the range 1 s .. 2 s until Stop.
  std::vector<int64_t> positions;
  auto onPosition = form.VIDavaza2->OnPosition;
  form.VIDavaza2->OnPosition = [&](TObject* s, const int64_t p) {
    onPosition(s, p);
    positions.push_back(p);
  };
  ASSERT_TRUE(PumpUntil([&] { return ClipPlayerState == psPlay && !positions.empty(); }, 10000));
  form.SetClipTrimStart(1 * kSecond);
  form.SetClipTrimEnd(2 * kSecond);
  form.spSkinButton2Click(&form);
  positions.clear();
  PumpUntil([] { return false; }, 3000);
  ASSERT_FALSE(positions.empty());
  int jumpsBack = 0;
  for (size_t i = 1; i < positions.size(); ++i)
    if (positions[i] + 300000 < positions[i - 1]) ++jumpsBack;
  EXPECT_GE(jumpsBack, 1);
  EXPECT_LT(*std::max_element(positions.begin(), positions.end()), 2600000);
  form.StopButtonClick(&form);
  EXPECT_FALSE(ClipPlayingTrimmed);
  TCloseAction action = caHide;
  form.FormClose(&form, action);
}

TEST_F(PreviewPlayers, BrightnessBarChangesTheOutputPreviewWithoutReopening) {
  TCropForm form(nullptr);
  form.ItemIndex = 0;
  form.Show();
  int hooks = 0, v1 = 0;
  auto hook = form.VIDavaza2->OnVideoHook;
  form.VIDavaza2->OnVideoHook = [&](TObject* s, TBitmap* b, const int64_t pts, bool& u) {
    ++hooks;
    hook(s, b, pts, u);
  };
  ASSERT_TRUE(PumpUntil([&] { return EditSourceWidth == 640 && !EditApplyItemOnOpen; }, 15000));
  ASSERT_TRUE(PumpUntil(
      [&] {
        int64_t pts = -1;
        TBitmap* b = form.VIDavaza2->CurrentFrame(pts);
        if (form.VIDavaza1->CurrentFrame()) v1 = std::max(v1, form.VIDavaza1->CurrentFrame()->Width());
        return b && b->Width() > 0 && pts > 0;
      },
      15000))
      << "src " << v1 << " hooks " << hooks << " err1 "
      << form.VIDavaza1->LastErrMsg() << " err2 " << form.VIDavaza2->LastErrMsg() << " state " << EditPlayerState
      << " filters " << form.VIDavaza2->VideoFilters() << " history " << ActionHistory().Text();
  form.PauseButtonClick(&form);
  PumpUntil([] { return false; }, 300);
  const double before = MeanLevel(form.VIDavaza2->CurrentFrame());
  const std::string filters = form.VIDavaza2->VideoFilters();

  form.chBrightness->SetChecked(true);
  form.tbBrightness->SetValue(80);
  form.VIDavaza1->Resume();
  form.VIDavaza2->Resume();
  PumpUntil([] { return false; }, 600);
  form.PauseButtonClick(&form);
  PumpUntil([] { return false; }, 300);
  const double after = MeanLevel(form.VIDavaza2->CurrentFrame());
  EXPECT_GT(after, before + 20) << before << " -> " << after;
  EXPECT_EQ(form.VIDavaza2->VideoFilters(), filters);  // the same chain, not reopened
  EXPECT_GT(hooks, 0);  // the overlay hook saw the output pictures
  TCloseAction action = caHide;
  form.FormClose(&form, action);
}
