#include "engine/Fixtures.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "framework/SysUtils.h"

extern char** environ;

namespace fixtures {

namespace {

// All tools run quietly, without reading standard input, one thread for
// the encoders so that the files come out the same every time.
constexpr const char* kFF = "ffmpeg -nostdin -v error -y";

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

}  // namespace

const std::vector<TFixture>& StandardFixtures() {
  static const std::vector<TFixture> set = [] {
    static const std::string clip = std::string(kFF) +
        " -f lavfi -i testsrc2=s=640x360:r=25:d=5 -f lavfi -i sine=f=440:r=44100:d=5 -ac 2"
        " -c:v libx264 -threads 1 -g 25 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 96k {out}";
    static const std::string multi =
        "printf '1\\n00:00:00,500 --> 00:00:01,500\\nHello\\n\\n2\\n00:00:01,600 --> 00:00:01,900\\nWorld\\n'"
        " > {dir}/multi.srt && " + std::string(kFF) +
        " -f lavfi -i testsrc2=s=320x240:r=25:d=2 -f lavfi -i sine=f=440:r=44100:d=2"
        " -f lavfi -i sine=f=660:r=48000:d=2 -i {dir}/multi.srt"
        " -map 0:v -map 1:a -map 3:s -map 2:a -c:v libx264 -threads 1 -g 25 -c:a:0 aac -ac:a:0 2"
        " -c:a:1 ac3 -ac:a:1 6 -c:s srt -metadata title='Multi fixture' -metadata:s:a:0 language=eng"
        " -metadata:s:a:1 language=fre -metadata:s:s:0 language=eng -fflags +bitexact {out}";
    static const std::string a48 = std::string(kFF) +
        " -f lavfi -i sine=f=440:r=48000:d=1"
        " -af 'pan=5.1|c0=c0|c1=0.5*c0|c2=0.25*c0|c3=0.1*c0|c4=0.7*c0|c5=0.3*c0' -c:a pcm_f32le {out}";
    static const std::string a44 = std::string(kFF) +
        " -f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t)|0.25*sin(2*PI*1000*t):s=44100:d=1'"
        " -c:a pcm_s16le -fflags +bitexact -flags:a +bitexact {out}";
    static const std::string mp3 = std::string(kFF) +
        " -f lavfi -i sine=f=440:r=44100:d=2 -ac 2 -c:a libmp3lame -b:a 128k {out}";
    // Two MP3 streams back to back, the second at half the rate.
    static const std::string rateChange = std::string(kFF) +
        " -f lavfi -i sine=f=440:r=44100:d=1 -ac 2 -c:a libmp3lame -write_xing 0 -id3v2_version 0"
        " {dir}/rate_a.mp3 && " + kFF +
        " -f lavfi -i sine=f=440:r=22050:d=1 -ac 2 -c:a libmp3lame -write_xing 0 -id3v2_version 0"
        " {dir}/rate_b.mp3 && cat {dir}/rate_a.mp3 {dir}/rate_b.mp3 > {out}";
    static const std::string png = std::string(kFF) + " -f lavfi -i testsrc2=s=160x120 -frames:v 1 {out}";
    return std::vector<TFixture>{
        {"clip_h264_aac.mp4", clip.c_str()},
        {"multi.mkv", multi.c_str()},
        {"a48k_6ch.wav", a48.c_str()},
        {"a44k_s16.wav", a44.c_str()},
        {"tone.mp3", mp3.c_str()},
        {"rate_change.mp3", rateChange.c_str()},
        {"still.png", png.c_str()},
        {"empty.mp4", ": > {out}"},
        {"truncated.mp4", "head -c 1000 {dir}/clip_h264_aac.mp4 > {out}"},
        {"fake.mp4", "echo 'This is not a movie at all.' > {out}"},
    };
  }();
  return set;
}

std::string Folder() { return TESS_FIXTURE_DIR; }

std::string UnixPath(const std::string& name) { return Folder() + "/" + name; }

std::string WindowsPath(const std::string& name) { return FromNativePath(UnixPath(name)); }

int Run(const std::string& command) {
  // The tools are native programs: start them through the native shell,
  // never through the Win32 process layer.
  const std::string line = "PATH=/usr/bin:/bin:$PATH; " + command;
  const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const std::string& unixPath) {
  std::ifstream in(unixPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Output(const std::string& command) {
  char name[] = "/tmp/tess_fixture_out_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return std::string();
  close(fd);
  Run(command + " > " + name);
  std::string text = ReadAll(name);
  unlink(name);
  return text;
}

bool Ensure(const std::vector<TFixture>& set) {
  const std::string dir = Folder();
  mkdir(dir.c_str(), 0755);
  const std::string lockName = dir + "/.lock";
  const int lock = open(lockName.c_str(), O_CREAT | O_RDWR, 0644);
  if (lock >= 0) flock(lock, LOCK_EX);
  bool ok = true;
  for (const TFixture& f : set) {
    const std::string out = UnixPath(f.name);
    const std::string command = Replace(Replace(f.command, "{out}", out), "{dir}", dir);
    // The command that made a file is kept beside it.
    const std::string stamp = out + ".cmd";
    struct stat st {};
    if (stat(out.c_str(), &st) == 0 && ReadAll(stamp) == command) continue;
    // Made under another name first, keeping the extension last so that
    // the tool picks the container from it.
    const std::string tempNamed = out + ".part" + out.substr(out.find_last_of('.'));
    const std::string buildNamed = Replace(Replace(f.command, "{out}", tempNamed), "{dir}", dir);
    if (Run(buildNamed) != 0 || rename(tempNamed.c_str(), out.c_str()) != 0) {
      std::fprintf(stderr, "fixture %s failed: %s\n", f.name, buildNamed.c_str());
      unlink(tempNamed.c_str());
      ok = false;
      continue;
    }
    std::ofstream(stamp, std::ios::binary) << command;
  }
  if (lock >= 0) {
    flock(lock, LOCK_UN);
    close(lock);
  }
  return ok;
}

bool EnsureStandard() { return Ensure(StandardFixtures()); }

std::string DvdClips() {
  return "export VIDEO_FORMAT=PAL; q='-v error -y -target pal-dvd'; "
         "ffmpeg -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
         "-t 3 $q c1.mpg; "
         "ffmpeg -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=660:sample_rate=48000 "
         "-t 6 $q c2.mpg; "
         "ffmpeg -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
         "-f lavfi -i sine=frequency=880:sample_rate=48000 -t 4 -map 0 -map 1 -map 2 $q c3.mpg; ";
}

std::string DvdTitles(const std::string& folder) {
  const std::string to = "dvdauthor -o {dir}/" + folder;
  return to + " -t c1.mpg 2>/dev/null; " + to + " -t -c 0,3 c2.mpg 2>/dev/null; " + to + " -t c3.mpg 2>/dev/null; " +
         to + " -T 2>/dev/null; ";
}

const std::vector<TFixture>& DvdFixtures() {
  // A folder, so a marker file stands for it.
  static const std::string command = "set -e; w={dir}/dvdwork; rm -rf $w {dir}/dvd; mkdir -p $w; cd $w; " +
                                     DvdClips() + DvdTitles("dvd") + "cd {dir}; rm -rf $w; touch {out}";
  static const std::vector<TFixture> set = {{"dvd.done", command.c_str()}};
  return set;
}

}  // namespace fixtures
