// Tags of audio files through the tag library: read, written back, and the
// files and values that are left alone.
#include "support/gtest.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/editing/ACS_Misc.h"
#include "app/editing/taglib.h"
#include "framework/SysUtils.h"

namespace {

// A folder of audio files made with the ffmpeg tool, once per program.
std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tess-tags-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return folder;
}

// Windows path of a fresh copy of a one-second tone in `ext`, with tags.
std::string Tone(const std::string& name, const std::string& codecArgs) {
  const std::string path = Folder() + "/" + name;
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(FromNativePath(path)).c_str()));
  const std::string command =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=f=440:r=44100 -t 1 " + codecArgs +
      " -metadata title='First title' -metadata artist=Someone -metadata album=Record -metadata genre=Rock"
      " -metadata date=1999 -metadata track=3 '" + path + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::string();
  return FromNativePath(path);
}

}  // namespace

TEST(TagEditor, ReadsAndWritesTheSixTagsOfEachSupportedKind) {
  struct Case {
    const char* name;
    const char* codec;
  } cases[] = {{"tone.mp3", "-c:a libmp3lame -b:a 128k"},
               {"tone.flac", "-c:a flac"},
               {"tone.ogg", "-c:a libvorbis"},
               {"TONE.M4A", "-c:a aac -b:a 96k"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Tone(c.name, c.codec);
    ASSERT_FALSE(file.empty());
    TTagEditor editor(nullptr);
    editor.SetFileName(file);
    ASSERT_TRUE(editor.Valid());
    EXPECT_EQ("First title", editor.Title);
    EXPECT_EQ("Someone", editor.Artist);
    EXPECT_EQ("Record", editor.Album);
    EXPECT_EQ("Rock", editor.Genre);
    EXPECT_EQ("1999", editor.Year);
    EXPECT_EQ("3", editor.Track);
    EXPECT_EQ(1u, editor.Duration());
    EXPECT_GT(editor.Bitrate(), 0u);

    editor.Title = "Ünïcødé 日本";
    editor.Artist = "Other";
    editor.Album = "";
    editor.Genre = "Jazz";
    editor.Year = "2024";
    editor.Track = "not a number";  // skipped: the old track stays
    editor.Save();
    TTagEditor again(nullptr);
    again.SetFileName(file);
    EXPECT_EQ("Ünïcødé 日本", again.Title);
    EXPECT_EQ("Other", again.Artist);
    EXPECT_EQ("", again.Album);
    EXPECT_EQ("Jazz", again.Genre);
    EXPECT_EQ("2024", again.Year);
    EXPECT_EQ("3", again.Track);
  }
}

TEST(TagEditor, FilesItCannotTagAreLeftAlone) {
  TTagEditor editor(nullptr);
  // Another kind of file: not valid, nothing read.
  const std::string wav = Tone("tone.wav", "-c:a pcm_s16le");
  editor.SetFileName(wav);
  EXPECT_FALSE(editor.Valid());
  EXPECT_EQ("", editor.Title);
  // A supported name that is no audio file.
  editor.SetFileName(FromNativePath(Folder() + "/missing.mp3"));
  EXPECT_FALSE(editor.Valid());
  // Tags of the one read-only kind are read but never written.
  const std::string wma = Tone("tone.wma", "-c:a wmav2 -b:a 64k");
  ASSERT_FALSE(wma.empty());
  editor.SetFileName(wma);
  ASSERT_TRUE(editor.Valid());
  EXPECT_EQ("First title", editor.Title);
  editor.Title = "Changed";
  editor.Save();
  TTagEditor again(nullptr);
  again.SetFileName(wma);
  EXPECT_EQ("First title", again.Title);
  // An empty name clears what was read.
  editor.SetFileName("");
  EXPECT_EQ("", editor.Title);
  EXPECT_EQ(0u, editor.Duration());
}
