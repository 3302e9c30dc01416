// Every shipped format converts: a generated 3 s clip goes through the
// ffmpeg tool with the option text the builder makes for each format,
// split the way the engine splits it, and ffprobe checks encoder, size and
// duration of the result. Options only the engine knows are given to the
// tool in its own spelling.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "app/main/OptionText.h"
#include "app/main/ProfileFiles.h"
#include "engine/TextUtils.h"

extern char** environ;

namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a program without a shell; its standard output goes to `output`.
int RunProgram(const std::vector<std::string>& args, const std::string& output) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The engine's own option names, as the ffmpeg tool spells them.
std::vector<std::string> ToolWords(const std::string& options) {
  std::vector<std::string> in = SplitCommandLine(options), out;
  for (size_t i = 0; i < in.size(); ++i) {
    const std::string& w = in[i];
    const bool hasValue = i + 1 < in.size();
    if ((w == "-ss_microsecond" || w == "-t_microsecond") && hasValue) {
      out.push_back(w == "-ss_microsecond" ? "-ss" : "-t");
      out.push_back(std::to_string(std::stoll(in[++i]) / 1e6));
    } else if (w == "-vstrict" && hasValue) {
      out.push_back("-strict:v");
      out.push_back(in[++i]);
    } else {
      out.push_back(w);
    }
  }
  return out;
}

const std::map<std::string, std::string> kDecoderOf = {
    {"libx264", "h264"},      {"libx265", "hevc"},      {"libxvid", "mpeg4"},
    {"libvpx", "vp8"},        {"libvpx-vp9", "vp9"},    {"libtheora", "theora"},
    {"flv", "flv1"},          {"libmp3lame", "mp3"},    {"libvorbis", "vorbis"},
    {"libopus", "opus"},
};

std::string DecoderOf(const std::string& encoder) {
  const auto it = kDecoderOf.find(encoder);
  return it == kDecoderOf.end() ? encoder : it->second;
}

struct TProbe {
  std::string video, audio;
  int width = 0, height = 0;
  double duration = 0;
};

TProbe Probe(const std::string& file, const std::string& log) {
  TProbe p;
  RunProgram({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
       "stream=codec_type,codec_name,width,height:format=duration", "-of", "default=nw=1", file},
      log);
  std::istringstream lines(ReadFile(log));
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

TEST(ShippedFormats, EveryFormatConvertsWithTheBuiltOptions) {
  const std::string data = TESS_APPDATA_DIR;
  TCatalogueFiles files;
  files.Categories = ReadFile(data + "/varnotel-profiles/profiles0.dat");
  files.Formats = ReadFile(data + "/varnotel-profiles/formats0.dat");
  std::vector<std::string> errors;
  OnReportError = [&](const std::string& t, const std::string&) { errors.push_back(t); };
  BuildCatalogue(files);
  OnReportError = nullptr;
  ASSERT_TRUE(errors.empty());

  char folderTemplate[] = "/tmp/tess_formats_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folderTemplate));
  const std::string folder = folderTemplate;
  const std::string clip = folder + "/clip.mkv";
  ASSERT_EQ(0, RunProgram({"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                    "testsrc=size=160x120:rate=25", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=44100", "-t", "3", "-pix_fmt", "yuv420p",
                    "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "pcm_s16le", "-ac", "2", clip},
                   folder + "/clip.log"));

  struct TJob {
    std::string title;
    TFormat format;
    std::string output, log;
    int rc = -1;
  };
  std::vector<TJob> jobs;
  for (const TProfile& p : Profiles) {
    for (const TFormat& shipped : p.Formats) {
      TJob job;
      job.title = shipped.Title;
      job.format = shipped;
      // Pictures shrink to keep the run short (the size check follows), except
      // for encoders that take only their own sizes.
      if (shipped.IsAudioFormat != "1" && shipped.VideoCodecName != "dvvideo" &&
          shipped.VideoCodecName != "h263") {
        job.format.Width = "160";
        job.format.Height = "120";
      }
      const std::string n = std::to_string(jobs.size());
      job.output = folder + "/out" + n + shipped.FormatExt;
      job.log = folder + "/out" + n + ".log";
      jobs.push_back(job);
    }
  }
  ASSERT_GE(jobs.size(), 40u);

  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < jobs.size();) {
      TJob& job = jobs[i];
      TMediaFile item;
      item.Source = clip;
      item.SourceWidth = 160;
      item.SourceHeight = 120;
      item.TimeStart = 0;
      item.TimeEnd = 3000000;
      item.AudioTracks = {"Audio#1", "Disable"};
      TTaskContext context;
      const TTaskOptions t = BuildTaskOptions(item, job.format, context);
      std::vector<std::string> args = {"/usr/bin/ffmpeg", "-nostdin", "-v", "error", "-y"};
      for (const auto& w : ToolWords(t.InputOptions)) args.push_back(w);
      args.insert(args.end(), {"-i", clip});
      for (const auto& w : ToolWords(t.OutputOptions)) args.push_back(w);
      args.push_back(job.output);
      job.rc = RunProgram(args, job.log);
    }
  };
  std::vector<std::thread> threads;
  const unsigned n = std::max(2u, std::min(8u, std::thread::hardware_concurrency()));
  for (unsigned i = 0; i < n; ++i) threads.emplace_back(worker);
  for (auto& t : threads) t.join();

  for (const TJob& job : jobs) {
    SCOPED_TRACE(job.title);
    ASSERT_EQ(0, job.rc) << ReadFile(job.log);
    const TProbe p = Probe(job.output, job.log + ".probe");
    const TFormat& f = job.format;
    EXPECT_NEAR(3.0, p.duration, 0.35);
    if (f.ExtraParam.find("-an") == std::string::npos)
      EXPECT_EQ(DecoderOf(f.AudioCodecName), p.audio);
    else
      EXPECT_EQ("", p.audio);
    if (f.IsAudioFormat == "1") {
      EXPECT_EQ("", p.video);
    } else {
      EXPECT_EQ(DecoderOf(f.VideoCodecName), p.video);
      EXPECT_EQ(std::stoi(f.Width), p.width);
      EXPECT_EQ(std::stoi(f.Height), p.height);
    }
  }
  RunProgram({"/bin/rm", "-rf", folder}, "/dev/null");
}

}  // namespace
