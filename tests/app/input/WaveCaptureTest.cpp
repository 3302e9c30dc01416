// The sound capture input over a synthetic wave-in device, opened through
// the engine's decoder and, for a whole recording, its encoder: the format
// and buffers asked of the device, refused parameters with their reasons,
// sound before the first read and while paused left out, sound queued
// before the device went away still delivered, and a recorded tone that
// comes out at its frequency.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "app/input/WaveCapture.h"
#include "app/input/WaveInSynthetic.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/FFLog.h"
#include "engine/MyUtils.h"
#include "engine/ProgramFilters.h"
#include "framework/Threads.h"

namespace {

using TOptions = std::vector<std::pair<std::string, std::string>>;

class WaveCaptureTest : public ::testing::Test {
protected:
  void SetUp() override {
    NewDecoder();
    RegisterWaveCapture();
    SetWaveInDevices(&device);
  }
  void TearDown() override {
    decoder.reset();
    SetWaveInDevices(nullptr);
  }
  void NewDecoder() {
    decoder = std::make_unique<TFFDecoder>(nullptr);
    ASSERT_TRUE(decoder->LoadAVLib(ApplicationFolder() + "LibAV")) << decoder->LastErrMsg();
  }
  bool Open(const std::string& name, const TOptions& options) {
    for (const auto& o : options) EXPECT_TRUE(decoder->opt_default(o.first, o.second)) << o.first;
    return decoder->LoadFile(name, "wavecapture");
  }
  // The next decoded block as 16-bit samples, passed through unconverted.
  std::vector<int16_t> NextSamples() {
    for (int i = 0; i < 20; ++i) {
      if (decoder->DecodeAudio()) {
        const TWaveInfo& w = decoder->WaveInfo();
        std::vector<int16_t> out(w.Size / 2);
        std::memcpy(out.data(), w.Buffer, out.size() * 2);
        return out;
      }
      if (decoder->LastErrMsg().find("try again") == std::string::npos) break;
    }
    return {};
  }

  TSyntheticWaveIn device{1, 440.0};
  std::unique_ptr<TFFDecoder> decoder;
};

}  // namespace

TEST_F(WaveCaptureTest, TheDeviceIsAskedForTheFormatWithBuffersOfWholeSampleFrames) {
  struct Case {
    std::string name;
    TOptions options;
    int rate, channels, bits, align;
    uint32_t buffer;
    int sampleFormat;
  } cases[] = {
      // The recorder's settings with the default buffer: 1024 frames, 128 ms.
      {"-1", {{"sample_rate", "8000"}, {"channels", "2"}, {"sample_fmt", "s16"}}, 8000, 2, 16, 4, 4096, 1},
      {"0", {{"sample_rate", "8000"}, {"channels", "2"}, {"bufsize", "1000"}}, 8000, 2, 16, 4, 1000, 1},
      {"0", {{"sample_rate", "8000"}, {"channels", "3"}, {"bufsize", "1000"}}, 8000, 3, 16, 6, 996, 1},
      {"-1", {{"sample_rate", "22050"}, {"channels", "1"}, {"sample_fmt", "u8"}, {"bufsize", "0"}}, 22050, 1, 8, 1,
       4096, 0},
      {"-1", {{"sample_fmt", ""}}, 44100, 2, 16, 4, 4096, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + ::testing::PrintToString(c.options));
    ASSERT_TRUE(Open(c.name, c.options)) << decoder->LastErrMsg();
    EXPECT_EQ(std::stoi(c.name), device.OpenedDevice);
    const TWaveInFormat& f = device.OpenedFormat;
    EXPECT_EQ(1, f.FormatTag);
    EXPECT_EQ(c.rate, static_cast<int>(f.SamplesPerSec));
    EXPECT_EQ(c.channels, f.Channels);
    EXPECT_EQ(c.bits, f.BitsPerSample);
    EXPECT_EQ(c.align, f.BlockAlign);
    EXPECT_EQ(static_cast<uint32_t>(c.rate * c.align), f.AvgBytesPerSec);
    EXPECT_EQ((std::vector<uint32_t>{c.buffer, c.buffer}), device.PreparedLengths);
    const TAudioStreamInfo info = decoder->FirstAudioStreamInfo();
    EXPECT_EQ(c.rate, info.SampleRate);
    EXPECT_EQ(c.channels, info.Channels);
    EXPECT_EQ(c.sampleFormat, info.SampleFormat);
    EXPECT_EQ(c.rate * c.channels * c.bits, info.BitRate);
    decoder->CloseFile();
    EXPECT_FALSE(device.IsOpen()) << "closing the input closes the device";
  }
}

TEST_F(WaveCaptureTest, BadParametersAndMissingDevicesAreRefusedWithTheirReasons) {
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel level, const std::string& text) {
    if (level <= llError) lines.push_back(text);
  };
  TSyntheticWaveIn none(0);
  TSyntheticWaveIn picky(1);
  picky.RefusedSampleRate = 8000;
  int32_t unregistered = 0;
  struct Case {
    TWaveInDevices* devices;
    std::string name;
    TOptions options;
    std::string line;
  } cases[] = {
      {&device, "mic", {}, "Invalid device identifier: \"mic\""},
      {&device, "", {}, "Invalid device identifier: \"\""},
      {&device, "-1", {{"sample_fmt", "s32"}}, "Invalid sample format: \"s32\", it should be u8 or s16"},
      {&device, "-1", {{"sample_rate", "0"}}, "Invalid sample rate 0"},
      {&device, "-1", {{"channels", "0"}}, "Invalid channels 0"},
      {&device, "-1", {{"channels", "70000"}}, "Invalid channels 70000"},
      {&device, "-1", {{"pause_pointer", std::to_string(reinterpret_cast<intptr_t>(&unregistered))}},
       "Invalid pause pointer " + std::to_string(reinterpret_cast<intptr_t>(&unregistered))},
      {&none, "-1", {}, "No wave audio recording devices found."},
      {&picky, "-1", {{"sample_rate", "8000"}}, picky.ErrorText(TSyntheticWaveIn::kBadFormat)},
      {&device, "7", {}, device.ErrorText(TSyntheticWaveIn::kBadDeviceId)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    lines.clear();
    SetWaveInDevices(c.devices);
    EXPECT_FALSE(Open(c.name, c.options));
    EXPECT_TRUE(LoggedLineEnding(lines, c.line)) << (lines.empty() ? "" : lines[0]);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(picky.IsOpen());
    NewDecoder();
  }
  logger->OnLog = before;
  SetWaveInDevices(&device);
}

TEST_F(WaveCaptureTest, SoundBeforeTheFirstReadAndWhilePausedIsLeftOut) {
  int32_t pause = 0;
  RegisterLiveParameter(&pause);
  ASSERT_TRUE(Open("-1", {{"sample_rate", "8000"},
                          {"channels", "2"},
                          {"sample_fmt", "s16"},
                          {"pause_pointer", std::to_string(reinterpret_cast<intptr_t>(&pause))}}))
      << decoder->LastErrMsg();
  decoder->SetDesireAudioChannels(2);
  decoder->SetDesireAudioSampleRate(8000);
  // The device records from the open on, but nobody reads yet.
  ASSERT_EQ(4096, device.Deliver(1024));
  ASSERT_EQ(4096, device.Deliver(1024));
  EXPECT_FALSE(decoder->DecodeAudio()) << "nothing queued before the first read";
  EXPECT_NE(std::string::npos, decoder->LastErrMsg().find("try again")) << decoder->LastErrMsg();

  auto expectTone = [&](const std::vector<int16_t>& got, int64_t firstFrame, int frames) {
    ASSERT_EQ(static_cast<size_t>(frames * 2), got.size());
    for (int i = 0; i < frames; ++i) {
      ASSERT_EQ(device.SampleAt(firstFrame + i), got[2 * i]) << i;
      ASSERT_EQ(device.SampleAt(firstFrame + i), got[2 * i + 1]) << i;
    }
  };
  ASSERT_EQ(2000, device.Deliver(500));
  expectTone(NextSamples(), 2048, 500);
  pause = 1;
  ASSERT_EQ(4096, device.Deliver(1024));  // frames 2548..3571, muted
  pause = 0;
  ASSERT_EQ(1200, device.Deliver(300));
  expectTone(NextSamples(), 3572, 300);
  decoder->CloseFile();
  UnregisterLiveParameter(&pause);
}

TEST_F(WaveCaptureTest, SoundQueuedBeforeTheDeviceWentAwayIsStillDelivered) {
  ASSERT_TRUE(Open("-1", {{"sample_rate", "8000"}, {"channels", "2"}})) << decoder->LastErrMsg();
  decoder->SetDesireAudioChannels(2);
  decoder->SetDesireAudioSampleRate(8000);
  EXPECT_FALSE(decoder->DecodeAudio());  // the first read starts the queue
  ASSERT_EQ(4096, device.Deliver(1024));
  ASSERT_EQ(4096, device.Deliver(1024));
  device.Unplug();
  size_t samples = 0;
  for (std::vector<int16_t> s = NextSamples(); !s.empty(); s = NextSamples()) samples += s.size();
  EXPECT_EQ(2u * 2048u, samples);
  EXPECT_NE(std::string::npos, decoder->LastErrMsg().find("eof")) << decoder->LastErrMsg();
  decoder->CloseFile();
}

TEST_F(WaveCaptureTest, WithTheSystemsDevicesAMachineWithoutOneGetsAClearError) {
  SetWaveInDevices(nullptr);
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel level, const std::string& text) {
    if (level <= llError) lines.push_back(text);
  };
  const unsigned count = SystemWaveInDevices()->DeviceCount();
  const bool opened = Open("-1", {{"sample_rate", "8000"}, {"channels", "2"}});
  decoder->CloseFile();
  logger->OnLog = before;
  if (count > 0) GTEST_SKIP() << "this machine has " << count << " wave-in devices; opened: " << opened;
  EXPECT_FALSE(opened);
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("No wave audio recording devices found.") != std::string::npos;
  }));
}

// The recorder's way: a task of the encoder whose input is the capture,
// with the pause flag named in the option text.
TEST_F(WaveCaptureTest, ARecordingThroughTheEncoderHoldsTheTone) {
  char folder[] = "/tmp/tess-wave-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folder));
  const std::string out = std::string(folder) + "/record.raw";
  int32_t pause = 0;
  RegisterLiveParameter(&pause);
  std::atomic<bool> done{false};
  {
    TFFEncoder enc;
    ASSERT_TRUE(enc.LoadAVLib(ApplicationFolder() + "LibAV")) << enc.LastErrMsg();
    enc.OnTerminate = [&](TObject*, const TTerminateInfo& info) {
      if (info.TaskIndex == -1) done = true;
    };
    const int t = enc.AddTask("-1", "-f wavecapture -pause_pointer " +
                                        std::to_string(reinterpret_cast<intptr_t>(&pause)) +
                                        " -ar 8000 -ac 2 -sample_fmt s16");
    ASSERT_EQ(0, t) << enc.LastErrMsg();
    ASSERT_GE(enc.SetOutput(t, FromNativePath(out), "-f s16le -c:a pcm_s16le -ar 44100 -t 1"), 0) << enc.LastErrMsg();
    device.StartPaced();
    enc.Start(1);
    for (int i = 0; i < 1500 && !done; ++i) WaitForHandles(nullptr, 0, false, 10);
    ASSERT_TRUE(done);
  }
  UnregisterLiveParameter(&pause);
  EXPECT_FALSE(device.IsOpen());

  std::vector<int16_t> left;
  if (FILE* f = std::fopen(out.c_str(), "rb")) {
    int16_t frame[2];
    while (std::fread(frame, sizeof frame, 1, f) == 1) left.push_back(frame[0]);
    std::fclose(f);
  }
  std::remove(out.c_str());
  rmdir(folder);
  ASSERT_GT(left.size(), 40000u);
  // The frequency from rising zero crossings over the whole second.
  int crossings = 0, first = -1, last = -1;
  for (size_t i = 1; i < left.size(); ++i)
    if (left[i - 1] < 0 && left[i] >= 0) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
      ++crossings;
    }
  ASSERT_GT(crossings, 100);
  const double hz = (crossings - 1) * 44100.0 / (last - first);
  EXPECT_NEAR(440.0, hz, 2.0);
}
