// Option text from the builder, run through the encoder component the way
// the main window drives it: one task per item with the input and output
// records the builder makes, all started at once on worker threads, the end
// events taken on the GUI thread. Every shipped format converts (the prober
// of the ffmpeg suite checks encoder, picture size and length of each
// output), and an overlay picture is laid over the video whatever its name.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main/AppStorage.h"
#include "app/main/OptionText.h"
#include "app/main/ProfileFiles.h"
#include "engine/EngineTestSupport.h"
#include "engine/FFEncode.h"
#include "engine/Fixtures.h"

namespace {

// 3 s of moving picture and a tone, small so that forty conversions stay quick.
const fixtures::TFixture kClip = {
    "formats_clip_3s.mkv",
    "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi"
    " -i sine=frequency=440:sample_rate=44100 -t 3 -pix_fmt yuv420p -c:v libx264 -preset ultrafast"
    " -threads 1 -c:a pcm_s16le -ac 2 {out}"};

// The name the prober gives the streams each encoder writes.
std::string DecoderOf(const std::string& encoder) {
  static const std::map<std::string, std::string> names = {
      {"libx264", "h264"}, {"libx265", "hevc"},   {"libxvid", "mpeg4"},      {"libvpx", "vp8"},
      {"libvpx-vp9", "vp9"}, {"libtheora", "theora"}, {"flv", "flv1"},     {"libmp3lame", "mp3"},
      {"libvorbis", "vorbis"}, {"libopus", "opus"},
  };
  const auto it = names.find(encoder);
  return it == names.end() ? encoder : it->second;
}

struct TProbe {
  std::string video, audio;
  int width = 0, height = 0;
  double duration = 0;
};

TProbe ParseProbe(const std::string& text) {
  TProbe p;
  std::istringstream lines(text);
  std::string line, name;
  while (std::getline(lines, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_name") name = value;
    else if (key == "codec_type" && value == "video") p.video = name;
    else if (key == "codec_type" && value == "audio") p.audio = name;
    else if (key == "width") p.width = std::atoi(value.c_str());
    else if (key == "height") p.height = std::atoi(value.c_str());
    else if (key == "duration" && value != "N/A") p.duration = std::atof(value.c_str());
  }
  return p;
}

// Probes the files of `folder` side by side (the prober takes a good part of
// a second to start), each into <name>.probe.
void ProbeAll(const std::string& folder, const std::vector<std::string>& names) {
  std::string list;
  for (const auto& n : names) list += n + " ";
  fixtures::Run("cd '" + folder + "' && printf '%s\\n' " + list +
                "| xargs -P 8 -I{} sh -c 'ffprobe -v error -show_entries"
                " stream=codec_type,codec_name,width,height:format=duration -of default=nw=1 {}"
                " > {}.probe 2>&1'");
}

std::string Bytes(const std::string& name) {
  return fixtures::ReadAll(ToNativePath(ProgramFolder() + "\\varnotel-profiles\\" + name));
}

struct TJob {
  std::string title;
  TFormat format;
  TTaskOptions options;
  std::string outputName;
  int task = -1;
  int ends = 0;
  TTerminateInfo end;
};

// Runs every job as one task of one encoder, all at once on worker threads
// as the main window does, and serves the GUI thread until the final end
// event. `hooked` gets the count of hooked pictures per task.
void RunJobs(std::vector<TJob>& jobs, std::vector<int>& hooked) {
  TFFEncoder encoder;
  ASSERT_TRUE(encoder.LoadAVLib(LibAVFolder())) << encoder.LastErrMsg();
  bool finished = false, offGui = false;
  encoder.OnTerminate = [&](TObject*, const TTerminateInfo& info) {
    if (!IsMainThread()) offGui = true;
    if (info.TaskIndex == -1) {
      finished = true;
      return;
    }
    for (TJob& job : jobs)
      if (job.task == info.TaskIndex) {
        ++job.ends;
        job.end = info;
      }
  };
  // The main window draws on every picture about to be encoded.
  std::vector<std::atomic<int>> counts(jobs.size());
  encoder.OnVideoOutputHook = [&](TObject*, THookInfo* info) {
    if (info->Bitmap && info->TaskIndex >= 0 && static_cast<size_t>(info->TaskIndex) < counts.size())
      ++counts[static_cast<size_t>(info->TaskIndex)];
  };
  for (TJob& job : jobs) {
    SCOPED_TRACE(job.title);
    TInputOptions input;
    InitInputOptions(input);
    input.FileName = job.options.InputFileName;
    input.Options = job.options.InputOptions;
    job.task = encoder.AddTask(input.FileName, &input);
    ASSERT_GE(job.task, 0) << encoder.LastErrMsg();
    TOutputOptions output;
    InitOutputOptions(output);
    output.FileName = job.options.OutputFileName;
    output.Options = job.options.OutputOptions;
    output.VideoInputHook = job.options.VideoInputHook;
    output.VideoOutputHook = job.options.VideoOutputHook;
    ASSERT_GE(encoder.SetOutput(job.task, output.FileName, &output), 0)
        << encoder.LastErrMsg() << "\n" << output.Options;
  }
  encoder.Start(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 8u)));
  ASSERT_TRUE(PumpUntil([&] { return finished; }, 240000)) << "the run did not end";
  EXPECT_FALSE(offGui);
  for (const TJob& job : jobs) {
    SCOPED_TRACE(job.title);
    EXPECT_EQ(1, job.ends);
    EXPECT_FALSE(job.end.Exception) << job.end.ExceptionMsg << "\n" << job.options.OutputOptions;
  }
  for (const auto& c : counts) hooked.push_back(c);
}

// The shipped catalogue of language 0, read from beside the program.
void LoadShippedCatalogue() {
  TCatalogueFiles files;
  files.Categories = Bytes("profiles0.dat");
  files.Formats = Bytes("formats0.dat");
  std::vector<std::string> errors;
  OnReportError = [&](const std::string& t, const std::string&) { errors.push_back(t); };
  BuildCatalogue(files);
  OnReportError = nullptr;
  ASSERT_TRUE(errors.empty()) << errors.front();
}

TMediaFile ClipItem(const std::string& title) {
  TMediaFile item;
  item.Source = fixtures::WindowsPath(kClip.name);
  item.DestinationTitle = title;
  item.SourceWidth = 160;
  item.SourceHeight = 120;
  item.TimeStart = 0;
  item.TimeEnd = 3000000;
  item.AudioTracks = {"Audio#1", "Disable"};
  return item;
}

TEST(ShippedFormats, EveryFormatConvertsThroughTheEncoderWithTheBuiltOptions) {
  ASSERT_TRUE(fixtures::Ensure({kClip})) << "the ffmpeg tool could not make the clip";
  LoadShippedCatalogue();
  if (HasFatalFailure()) return;

  TScratchFolder scratch;
  ASSERT_FALSE(scratch.Unix().empty());
  TTaskContext context;
  context.OutputFolder = scratch.Windows();

  std::vector<TJob> jobs;
  for (const TProfile& p : Profiles) {
    for (const TFormat& shipped : p.Formats) {
      TJob job;
      job.title = shipped.Title;
      job.format = shipped;
      // Small pictures keep the run short (the size check follows), except
      // for encoders that take only their own sizes.
      if (shipped.IsAudioFormat != "1" && shipped.VideoCodecName != "dvvideo" &&
          shipped.VideoCodecName != "h263") {
        job.format.Width = "160";
        job.format.Height = "120";
      }
      const TMediaFile item = ClipItem("out" + std::to_string(jobs.size()));
      job.options = BuildTaskOptions(item, job.format, context);
      job.outputName = item.DestinationTitle + shipped.FormatExt;
      jobs.push_back(job);
    }
  }
  ASSERT_GE(jobs.size(), 40u);

  std::vector<int> hooked;
  RunJobs(jobs, hooked);
  if (HasFatalFailure()) return;

  std::vector<std::string> names;
  for (const TJob& job : jobs) names.push_back(job.outputName);
  ProbeAll(scratch.Unix(), names);

  for (const TJob& job : jobs) {
    SCOPED_TRACE(job.title);
    const std::string probed = fixtures::ReadAll(scratch.Unix() + "/" + job.outputName + ".probe");
    const TProbe p = ParseProbe(probed);
    const TFormat& f = job.format;
    EXPECT_NEAR(3.0, p.duration, 0.35) << probed;
    if (f.ExtraParam.find("-an") == std::string::npos)
      EXPECT_EQ(DecoderOf(f.AudioCodecName), p.audio);
    else
      EXPECT_EQ("", p.audio);
    if (f.IsAudioFormat == "1") {
      EXPECT_EQ("", p.video);
    } else {
      EXPECT_GT(hooked[static_cast<size_t>(job.task)], 0);
      EXPECT_EQ(DecoderOf(f.VideoCodecName), p.video);
      EXPECT_EQ(std::stoi(f.Width), p.width);
      EXPECT_EQ(std::stoi(f.Height), p.height);
    }
  }
}

// The tenth picture of each file as 24-bit RGB rows, written to <file>.rgb
// in `folder` by the ffmpeg tool, all files side by side.
void ExtractPictures(const std::string& folder, const std::vector<std::string>& files) {
  std::string command;
  for (size_t i = 0; i < files.size(); ++i)
    command += "ffmpeg -nostdin -v error -y -i '" + files[i] + "' -vf 'select=eq(n\\,10)' -frames:v 1"
               " -f rawvideo -pix_fmt rgb24 '" + folder + "/" + std::to_string(i) + ".rgb' & ";
  fixtures::Run(command + "wait");
}

// The mean colour of the 2x2 block at x, y of a 160x120 picture.
std::vector<int> PixelAt(const std::string& rgb, int x, int y) {
  if (rgb.size() != 160u * 120u * 3u) return {};
  std::vector<int> sum(3, 0);
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx)
      for (int c = 0; c < 3; ++c)
        sum[static_cast<size_t>(c)] +=
            static_cast<unsigned char>(rgb[static_cast<size_t>(((y + dy) * 160 + x + dx) * 3 + c)]);
  for (int& c : sum) c /= 4;
  return sum;
}

bool Near(const std::vector<int>& a, const std::vector<int>& b, int tolerance) {
  if (a.size() != 3 || b.size() != 3) return false;
  for (size_t i = 0; i < 3; ++i)
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  return true;
}

// The overlay picture is the one file name that goes into option text: with
// blanks, quotes, backslashes and the filter graph's own separators in its
// name it must still be read, and be read as this very file.
TEST(BuiltOptions, OverlayPictureWithAnyNameIsLaidOverThePicture) {
  ASSERT_TRUE(fixtures::Ensure({kClip})) << "the ffmpeg tool could not make the clip";
  LoadShippedCatalogue();
  if (HasFatalFailure()) return;
  TScratchFolder scratch;
  ASSERT_FALSE(scratch.Unix().empty());
  const std::string plain = scratch.Unix() + "/plain.png";
  ASSERT_EQ(0, fixtures::Run("ffmpeg -nostdin -v error -f lavfi -i color=c=0xFF00FF:s=16x16 -frames:v 1 '" +
                             plain + "'"));
  const std::vector<std::string> names = {
      "a b's [1],x;y:z.png", "q\"uote\" -y -f null.png", "back\\slash=\\.png", "ñandú%d.png"};

  TTaskContext context;
  context.OutputFolder = scratch.Windows();
  TFormat format = Profiles[4].Formats[2];  // the default format
  format.Width = "160";
  format.Height = "120";
  std::vector<TJob> jobs;
  for (const std::string& name : names) {
    const std::string picture = scratch.Unix() + "/" + name;
    std::ofstream(picture, std::ios::binary) << fixtures::ReadAll(plain);
    TJob job;
    job.title = name;
    job.format = format;
    TMediaFile item = ClipItem("out" + std::to_string(jobs.size()));
    item.PictureOverlay = true;
    item.OverlayPictureX = 20;
    item.OverlayPictureY = 30;
    context.OverlayPictureName = picture;
    job.options = BuildTaskOptions(item, format, context);
    job.outputName = item.DestinationTitle + format.FormatExt;
    jobs.push_back(job);
  }
  std::vector<int> hooked;
  RunJobs(jobs, hooked);
  if (HasFatalFailure()) return;

  std::vector<std::string> files = {fixtures::UnixPath(kClip.name)};
  for (const TJob& job : jobs) files.push_back(scratch.Unix() + "/" + job.outputName);
  ExtractPictures(scratch.Unix(), files);
  auto picture = [&](size_t i) { return fixtures::ReadAll(scratch.Unix() + "/" + std::to_string(i) + ".rgb"); };

  const std::vector<int> magenta = {255, 0, 255};
  const std::string source = picture(0);
  ASSERT_EQ(3u, PixelAt(source, 24, 34).size());
  ASSERT_FALSE(Near(PixelAt(source, 24, 34), magenta, 120)) << "the clip itself is magenta there";
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].title);
    const std::string output = picture(i + 1);
    EXPECT_TRUE(Near(PixelAt(output, 24, 34), magenta, 40));
    // Outside the picture the video shows as it was.
    EXPECT_TRUE(Near(PixelAt(output, 60, 60), PixelAt(source, 60, 60), 40));
  }
}

}  // namespace
