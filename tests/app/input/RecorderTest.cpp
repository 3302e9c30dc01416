// The recorder window: its option texts and file name, and real recordings
// of the desktop with the synthetic sound device, driven through its
// buttons and hot key actions.
#include "support/gtest.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/input/FreeHandWnd.h"
#include "app/input/VfwCapture.h"
#include "app/input/WaveCapture.h"
#include "app/input/WaveInSynthetic.h"
#include "app/input/recorder.h"
#include "app/main/AppData.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/FFLog.h"
#include "engine/MyUtils.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinLabels.h"

namespace {

TEST(RecorderOptions, InputAndOutputTextsBySourceSizeAndCursor) {
  struct Case {
    int source;
    TRecordRegion region;
    bool cursor, sound;
    const char* input;
    const char* output;
  } cases[] = {
      {0, {0, 0, 1366, 768}, true, false,
       "-f screencapture -input_type desktop -capture_offset 0,0 -s 1366,768 -r 5 -capture_flags "
       "+showframe+client+cursor",
       "-c:v libx264 -preset ultrafast -tune zerolatency -s 1366x768 -r 5 -an"},
      // The capture keeps the odd size; the encoder gets an even one.
      {0, {0, 0, 1365, 767}, true, true,
       "-f screencapture -input_type desktop -capture_offset 0,0 -s 1365,767 -r 5 -capture_flags "
       "+showframe+client+cursor",
       "-c:v libx264 -preset ultrafast -tune zerolatency -s 1364x766 -r 5 -c:a aac -b:a 128k -ar 44100"},
      {1, {100, 50, 200, 150}, false, false,
       "-f screencapture -input_type desktop -capture_offset 100,50 -s 200,150 -r 5 -capture_flags "
       "+showframe+client-cursor",
       "-c:v libx264 -preset ultrafast -tune zerolatency -r 5 -an"},
      // The webcam is not stretched to the last desktop rectangle.
      {2, {100, 50, 200, 150}, false, true, "-f vfwcapture -r 15",
       "-c:v libx264 -preset ultrafast -tune zerolatency -r 5 -c:a aac -b:a 128k -ar 44100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(c.input, RecorderInputOptions(c.source, c.region, c.cursor));
    EXPECT_EQ(c.output, RecorderOutputOptions(c.source, c.region, c.sound));
  }
}

TEST(RecorderOptions, FileNameAndTemplate) {
  EXPECT_EQ("C:\\Temp\\Record 2026-03-07, 09_05_03.mp4", RecordingFileName("C:\\Temp", 2026, 3, 7, 9, 5, 3));
  EXPECT_EQ("0099/12 31-31 [x]", ExpandRecordTemplate("[YEAR]/[month] [Day]-[day] [x]", 99, 12, 31, 0, 0, 0));
}

// A recorder window over a scratch Temp folder with the synthetic sound
// device; its error reports and message boxes are collected.
class RecorderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(nullptr, mkdtemp(folder));
    TempFolder = FromNativePath(folder);
    SetWaveInDevices(&device);
    OnReportError = [this](const std::string& text, const std::string& mark) {
      reports.push_back(mark + "|" + text);
    };
    RecorderErrorBox = [this](const std::string& text) { boxes.push_back(text); };
    SetRecorderFileToLoad("");
    form = std::make_unique<TRecForm>(nullptr);
    form->Show();
  }
  void TearDown() override {
    form.reset();
    SetWaveInDevices(nullptr);
    SetVfwDrivers({});
    RecorderErrorBox = nullptr;
    OnReportError = nullptr;
    SetRecorderHotKeysFailed(false);
    std::system((std::string("rm -rf '") + folder + "'").c_str());
  }
  // Pumps messages for `ms` milliseconds, or until `until` holds.
  template <class F>
  bool Pump(int ms, F until) {
    for (int i = 0; i < ms / 10; ++i) {
      if (until()) return true;
      WaitForHandles(nullptr, 0, false, 10);
    }
    return until();
  }
  void Pump(int ms) {
    Pump(ms, [] { return false; });
  }
  bool WaitIdle() {
    return Pump(15000, [] { return RecorderState == 0; });
  }
  std::string NativeOutput() const {
    const std::string name = RecorderFileToLoad();
    return std::string(folder) + "/" + name.substr(name.rfind('\\') + 1);
  }

  char folder[32] = "/tmp/tess-rec-XXXXXX";
  TSyntheticWaveIn device{1, 440.0};
  std::unique_ptr<TRecForm> form;
  std::vector<std::string> reports, boxes;
};

// Left channel of the file's sound as 16-bit samples at 44.1 kHz, through
// the system's command line tool.
std::vector<int16_t> SoundOf(const std::string& file) {
  std::vector<int16_t> out;
  const std::string cmd = "ffmpeg -v quiet -i '" + file + "' -vn -f s16le -ac 1 -ar 44100 - 2>/dev/null";
  if (FILE* p = popen(cmd.c_str(), "r")) {
    int16_t s;
    while (std::fread(&s, sizeof s, 1, p) == 1) out.push_back(s);
    pclose(p);
  }
  return out;
}

// The tone's frequency by its rising zero crossings, away from the
// recording's first and last 0.1 s (where the encoder's padding lies).
double FrequencyOf(const std::vector<int16_t>& v) {
  int crossings = 0, first = -1, last = -1;
  const size_t edge = 4410;
  for (size_t i = edge + 1; i + edge < v.size(); ++i)
    if (v[i - 1] < 0 && v[i] >= 0) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
      ++crossings;
    }
  return crossings < 2 ? 0 : (crossings - 1) * 44100.0 / (last - first);
}

struct TDurations {
  double video = -1, audio = -1;
  std::string audioCodec;
  int sampleRate = 0;
};

TDurations DurationsOf(const std::string& file) {
  TDurations d;
  TFFDecoder dec(nullptr);
  if (!dec.LoadAVLib(ApplicationFolder() + "LibAV") || !dec.LoadFile(FromNativePath(file))) return d;
  TVideoStreamInfo v = dec.FirstVideoStreamInfo();
  TAudioStreamInfo a = dec.FirstAudioStreamInfo();
  d.video = v.DurationScaled / 1e6;
  d.audio = a.DurationScaled / 1e6;
  d.audioCodec = a.CodecName;
  d.sampleRate = a.SampleRate;
  return d;
}

// A recording of pictures with the synthetic device's sound: the file is
// there, with AAC at 44.1 kHz, more than 2 s of pictures, a sound track of
// the same length and the device's 440 Hz tone. `d` gets the durations.
void ExpectPicturesWithTheTone(const std::string& file, TDurations& d) {
  ASSERT_EQ(0, access(file.c_str(), R_OK)) << file;
  d = DurationsOf(file);
  EXPECT_EQ(0u, d.audioCodec.rfind("aac", 0)) << d.audioCodec;
  EXPECT_EQ(44100, d.sampleRate);
  EXPECT_GT(d.video, 2.0);
  EXPECT_NEAR(d.video, d.audio, 0.2) << "video " << d.video << " s, audio " << d.audio << " s";
  EXPECT_NEAR(440.0, FrequencyOf(SoundOf(file)), 3.0);
}

TEST_F(RecorderTest, ADesktopRecordingWithSoundHasBothTracksOfOneLength) {
  form->ochRecordAudio->SetChecked(true);
  form->btRecordClick(form->btRecord);
  ASSERT_EQ(1, RecorderState) << (reports.empty() ? "" : reports[0]);
  device.StartPaced();
  Pump(3000);
  form->btStopClick(form->btStop);
  ASSERT_TRUE(WaitIdle());
  TDurations d;
  ExpectPicturesWithTheTone(NativeOutput(), d);
}

TEST_F(RecorderTest, TheStatesFollowStartPauseResumeAndStop) {
  EXPECT_EQ(0, RecorderState);
  form->ochRecordAudio->SetChecked(true);
  form->btRecordClick(form->btRecord);
  ASSERT_EQ(1, RecorderState) << (reports.empty() ? "" : reports[0]);
  device.StartPaced();
  EXPECT_FALSE(form->btRecord->Enabled());
  EXPECT_NE(std::string::npos, form->LastInputOptions().find("+cursor"));
  EXPECT_EQ(0, RecorderFileToLoad().rfind(TempFolder + "\\Record ", 0)) << RecorderFileToLoad();
  Pump(1500);
  // Hot key 1 twice: paused, then recording again.
  RecorderHotKeyPauseResume();
  EXPECT_EQ(2, RecorderState);
  EXPECT_EQ(1, form->FWavePauseFlag);
  Pump(1500);
  RecorderHotKeyPauseResume();
  EXPECT_EQ(1, RecorderState);
  EXPECT_EQ(0, form->FWavePauseFlag);
  Pump(500);
  // The pause button pauses and resumes too.
  form->btPauseClick(form->btPause);
  EXPECT_EQ(2, RecorderState);
  form->btPauseClick(form->btPause);
  EXPECT_EQ(1, RecorderState);
  Pump(1000);
  form->btStopClick(form->btStop);
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(form->btRecord->Enabled());
  EXPECT_TRUE(reports.empty()) << reports[0];

  TDurations d;
  ASSERT_NO_FATAL_FAILURE(ExpectPicturesWithTheTone(NativeOutput(), d));
  // The paused stretches are left out of both tracks alike.
  EXPECT_LT(d.video, 4.5);
}

TEST_F(RecorderTest, TheFullScreenWithoutSoundOrCursorStopsByHotKey) {
  form->spSkinComboBox1->SetItemIndex(2);
  EXPECT_EQ(2, form->Source());
  form->spSkinComboBox1->SetItemIndex(0);
  EXPECT_EQ(0, form->Source());
  form->chCaptureCursor->SetChecked(false);
  form->btRecordClick(form->btRecord);
  ASSERT_EQ(1, RecorderState);
  EXPECT_NE(std::string::npos, form->LastInputOptions().find("+showframe+client-cursor"));
  EXPECT_NE(std::string::npos, form->LastOutputOptions().find(" -an"));
  Pump(2000);
  RecorderHotKeyStop();
  ASSERT_TRUE(WaitIdle());
  const TDurations d = DurationsOf(NativeOutput());
  EXPECT_GT(d.video, 1.0);
  EXPECT_TRUE(d.audioCodec.empty());
}

TEST_F(RecorderTest, WithoutACameraTheBoxSaysSoAndTheWindowCloses) {
  SetVfwDrivers({});
  std::vector<std::string> errors;
  const TLogEvent before = GlobalLogger()->OnLog;
  GlobalLogger()->OnLog = [&](TObject*, unsigned long, TLogLevel l, const std::string& m) {
    if (l <= llError) errors.push_back(m);
  };
  std::string name, version;
  if (VfwDriverDescription(0, name, version)) GTEST_SKIP() << "this machine has a capture driver: " << name;
  form->spSkinComboBox1->SetItemIndex(2);
  form->btRecordClick(form->btRecord);
  EXPECT_EQ(0, RecorderState);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_NE(std::string::npos, boxes[0].find("No such device")) << boxes[0];
  // The input's own reason goes to the log.
  Pump(1000, [&] { return !errors.empty(); });
  GlobalLogger()->OnLog = before;
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(std::string::npos, errors[0].find("No VFW device found")) << errors[0];
  EXPECT_TRUE(RecorderFileToLoad().empty());
  EXPECT_FALSE(form->Visible());
}

TEST_F(RecorderTest, IdleHotKeysDoNothingAndCancelClosesKeepingTheName) {
  SetRecorderFileToLoad("kept");
  RecorderHotKeyStop();
  RecorderHotKeyPauseResume();
  EXPECT_EQ(0, RecorderState);
  EXPECT_TRUE(form->Visible());
  form->spSkinButton1Click(form->spSkinButton1);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ("kept", RecorderFileToLoad());
}

TEST_F(RecorderTest, FailedHotKeysHideTheirHints) {
  EXPECT_TRUE(form->spSkinStdLabel5->Visible());
  EXPECT_EQ("Pause/Resume: Ctrl+Alt+P", form->spSkinStdLabel5->Caption());
  EXPECT_EQ("Stop recording: Ctrl+Alt+D", form->spSkinStdLabel17->Caption());
  form->Hide();
  SetRecorderHotKeysFailed(true);
  form->Show();
  EXPECT_FALSE(form->spSkinStdLabel5->Visible());
  EXPECT_FALSE(form->spSkinStdLabel17->Visible());
  EXPECT_EQ(3, form->spSkinComboBox1->Items()->Count());
  EXPECT_EQ(0, form->spSkinComboBox1->ItemIndex());
}

}  // namespace
