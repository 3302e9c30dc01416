// More conversions from the main window: tags typed in the tag window and
// written into an MP3, a text overlay set in the edit window and drawn into
// every frame, and an output name the folder cannot take.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "acceptance/ConversionSteps.h"
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace {

using namespace convsteps;

const std::vector<fixtures::TFixture>& MoreFixtures() {
  static const std::vector<fixtures::TFixture> set = [] {
    static std::vector<std::string> commands = {
        "ffmpeg -y -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 -ac 2 {out}",
        Lavfi("color=c=black:", 3, "640x480"),
        "ffmpeg -y -v error -f lavfi -i sine=frequency=660:sample_rate=44100:duration=2 -ac 2 {out}",
        "ffmpeg -y -v error -f lavfi -i sine=frequency=880:sample_rate=44100:duration=1.5 -ac 2 {out}"};
    static const char* names[] = {"more_tone3.wav", "more_black3.mp4", "more_tone2.wav", "more_tone15.wav"};
    std::vector<fixtures::TFixture> v;
    for (size_t i = 0; i < commands.size(); ++i) v.push_back({names[i], commands[i].c_str()});
    return v;
  }();
  return set;
}

class ConversionMore : public ScenarioWithMedia<MoreFixtures> {};

// A click on the row's title selects it.
void SelectRow(int row) {
  const RECT t = TableRect();
  drv::Click(t.left + 120, t.top + 18 + (row - 1) * 18 + 9);
}

// Replaces the text of the focused edit by `text`.
void Retype(const std::string& text) {
  drv::Key(VK_HOME, true);
  drv::Key(VK_END, true, false, true);
  drv::Type(text);
}

// The format picker opened from the profile field: the pointer rests on
// category `category` until its formats are listed, then the row of format
// `format` is clicked.
void ChooseFormat(int category, int format) {
  drv::ClickControl("MainForm", "imgProfileField");
  ASSERT_NE(drv::WaitWindow(u"Tproform"), nullptr);
  const RECT categories = drv::WaitControl("Tproform", "sgProfiles");
  const int y = categories.top + category * 27 + 13;
  RECT formats{};
  bool listed = false;
  for (int i = 0; i < 30 && !listed; ++i) {
    drv::MoveTo(categories.left + 40 + (i % 2) * 6, y);
    drv::Pause(500);
    listed = drv::ControlRect("Tproform", "sgFormats", formats);
  }
  ASSERT_TRUE(listed) << drv::Screenshot("picker-no-formats");
  // The formats of the category under the pointer come after a short delay.
  drv::MoveTo(categories.left + 40, y);
  drv::Pause(800);
  formats = drv::WaitControl("Tproform", "sgFormats");
  // The list keeps the scroll position of the category shown before: the
  // bar's thumb, found where the bar's middle column differs from its track,
  // dragged above the bar brings the first format up.
  RECT bar{};
  if (drv::ControlRect("Tproform", "spSkinScrollBar1", bar)) {
    const int x = (bar.left + bar.right) / 2;
    const RECT column{x, bar.top, x + 1, bar.bottom};
    const std::vector<unsigned> pixels = drv::Grab(column);
    // The track is the colour most of the column has.
    std::map<unsigned, int> counts;
    for (unsigned p : pixels) ++counts[p];
    unsigned track = 0;
    int most = 0;
    for (const auto& [colour, n] : counts)
      if (n > most) most = n, track = colour;
    int first = -1, last = -1;
    for (size_t i = 0; i < pixels.size(); ++i)
      if (pixels[i] != track) {
        if (first < 0) first = static_cast<int>(i);
        last = static_cast<int>(i);
      }
    if (first >= 0) {
      const int thumb = bar.top + (first + last) / 2;
      drv::Drag(POINT{x, thumb}, POINT{x, bar.top - 20});
      drv::Pause(200);
    }
  }
  drv::MoveTo(formats.left + 100, formats.top + format * 57 + 28);
  drv::Pause(300);
  drv::Click(formats.left + 100, formats.top + format * 57 + 28);
  ASSERT_TRUE(drv::WaitWindowGone(u"Tproform"));
}

// The tags of the file's container, "key=value" per tag; keys lower-case.
std::map<std::string, std::string> FormatTags(const std::string& windowsPath) {
  std::istringstream in(fixtures::Output("ffprobe -v error -show_entries format_tags -of default=nw=1 '" +
                                         Unix(windowsPath) + "'"));
  std::map<std::string, std::string> tags;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("TAG:", 0) != 0) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(4, eq - 4);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    tags[key] = line.substr(eq + 1);
  }
  return tags;
}

// ---- tags ----

const char* const kSite = "http://tags.brenlowe.test/";

BEFORE_PROGRAM_START(ConversionMore, TagsTypedInTheTagWindowAreWrittenIntoTheMp3) {
  session::ForgetSettings();
  SetUserString(u"Software\\Brenlowe\\Tessavane\\Endpoints", u"HomePage", kSite);
  for (const char* stem : {"more_tone3", "more_tone2", "more_tone15"}) DeleteOutputs(OutputFolder(), stem);
}

TEST_F(ConversionMore, TagsTypedInTheTagWindowAreWrittenIntoTheMp3) {
  using Tags = std::map<std::string, std::string>;
  // Per row: the texts typed into the tag window's edits, and the tags the
  // MP3 then carries. A row with only the year still gets the title with
  // the site; a row without tags gets none.
  const struct {
    const char* file;
    const char* stem;
    double seconds;
    Tags typed;
    Tags expected;
  } rows[] = {
      {"more_tone3.wav", "more_tone3", 3.0,
       {{"edTitle", "Morning Tone"}, {"edArtist", "Ana Lindqvist"}, {"edAlbum", "Café Sessions"},
        {"edGenre", "Ambient"}, {"edYear", "2019"}, {"edTrack", "7"}},
       {{"title", std::string("Morning Tone | ") + kSite}, {"artist", "Ana Lindqvist"}, {"album", "Café Sessions"},
        {"genre", "Ambient"}, {"date", "2019"}, {"track", "7"}}},
      {"more_tone2.wav", "more_tone2", 2.0, {{"edYear", "1999"}},
       {{"title", std::string(" | ") + kSite}, {"date", "1999"}}},
      {"more_tone15.wav", "more_tone15", 1.5, {}, {}},
  };
  for (const auto& r : rows) AddFile(Fixture(r.file));
  SelectRow(1);
  ChooseFormat(3, 0);  // Audio, MP3, for every row
  if (HasFatalFailure()) return;
  EXPECT_TRUE(WaitTextAnyFont(drv::WaitControl("MainForm", "imgProfileField"), "MP3", 5000))
      << drv::Screenshot("tags-format");

  for (size_t i = 0; i < std::size(rows); ++i) {
    if (rows[i].typed.empty()) continue;
    SelectRow(static_cast<int>(i) + 1);
    drv::ClickControl("MainForm", "spSkinSpeedButton10");  // Edit Tags
    HWND window = drv::WaitWindow(u"TTagEditForm");
    ASSERT_NE(window, nullptr);
    for (const auto& [edit, text] : rows[i].typed) {
      drv::ClickControl("TTagEditForm", edit);
      Retype(text);
    }
    const RECT shown = drv::WindowRect(window);
    drv::Screenshot("tags-typed-" + std::to_string(i + 1), &shown);
    drv::ClickControl("TTagEditForm", "OKButton");
    ASSERT_TRUE(drv::WaitWindowGone(u"TTagEditForm"));
  }

  Convert();
  for (int row = 1; row <= static_cast<int>(std::size(rows)); ++row)
    EXPECT_TRUE(RowShows(row, "100%", 60000)) << drv::Screenshot("tags-converted");
  for (const auto& r : rows) {
    SCOPED_TRACE(r.stem);
    const std::string out = FindOutput(OutputFolder(), r.stem);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(ExtractFileExt(out), ".mp3");
    EXPECT_EQ(Probe(out, "stream=codec_name", "a:0"), "mp3");
    EXPECT_NEAR(Duration(out), r.seconds, 0.1);
    Tags tags = FormatTags(out);
    for (const char* key : {"title", "artist", "album", "genre", "date", "track"}) {
      const auto want = r.expected.find(key);
      const auto got = tags.find(key);
      if (want == r.expected.end())
        EXPECT_TRUE(got == tags.end() || got->second.empty()) << key << " = " << got->second;
      else
        EXPECT_EQ(got == tags.end() ? std::string("(none)") : got->second, want->second) << key;
    }
  }
}

// ---- text overlay ----

BEFORE_PROGRAM_START(ConversionMore, TextOverlayFromTheEditWindowIsInEveryFrame) {
  session::ForgetSettings();
  DeleteOutputs(OutputFolder(), "more_black3");
}

TEST_F(ConversionMore, TextOverlayFromTheEditWindowIsInEveryFrame) {
  AddFile(Fixture("more_black3.mp4"));
  SelectRow(1);
  drv::ClickMenu({"Actions1", "EditVideo2"});
  HWND edit = drv::WaitWindow(u"TCropForm");
  ASSERT_NE(edit, nullptr);
  RECT tab{};
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::TabRect("TCropForm", "spSkinPageControl1", 2, tab); }));
  drv::ClickCenter(tab);
  drv::ClickControl("TCropForm", "chText");
  drv::ClickControl("TCropForm", "edTextOverlay");
  Retype("TESS");
  drv::ClickControl("TCropForm", "TextOverlayX");
  Retype("100");
  drv::ClickControl("TCropForm", "TextOverlayY");
  Retype("200");

  // The colour: the yellow swatch of the font dialog's colour menu.
  drv::ClickControl("TCropForm", "btnEditFont");
  HWND fonts = drv::WaitWindow(u"TspFontDlgForm");
  ASSERT_NE(fonts, nullptr);
  drv::ClickControl("TspFontDlgForm", "FontColorBox");
  HWND swatches = nullptr;
  ASSERT_TRUE(drv::WaitUntil([&] {
    swatches = drv::FindShownWindow(u"TspSkinImagesMenuPopupWindow");
    if (!swatches) swatches = drv::FindShownWindow(u"TspSkinImagesMenuPopupWindowShadow");
    return swatches != nullptr;
  }));
  drv::Pause(300);
  const RECT menu = drv::WindowRect(swatches);
  drv::Screenshot("overlay-colours", &menu);
  const std::vector<unsigned> pixels = drv::Grab(menu);
  const int mw = menu.right - menu.left;
  long sx = 0, sy = 0, count = 0;
  for (size_t i = 0; i < pixels.size(); ++i)
    if ((pixels[i] & 0xFFFFFF) == 0xFFFF00) {
      sx += static_cast<long>(i % static_cast<size_t>(mw));
      sy += static_cast<long>(i / static_cast<size_t>(mw));
      ++count;
    }
  ASSERT_GT(count, 10) << "no yellow swatch";
  drv::Click(menu.left + static_cast<int>(sx / count), menu.top + static_cast<int>(sy / count));
  ASSERT_TRUE(drv::WaitUntil([] {
    return !drv::FindShownWindow(u"TspSkinImagesMenuPopupWindow") &&
           !drv::FindShownWindow(u"TspSkinImagesMenuPopupWindowShadow");
  }));
  const RECT fontBox = drv::WindowRect(fonts);
  drv::Screenshot("overlay-font", &fontBox);
  drv::ClickControl("TspFontDlgForm", "OkButton");
  ASSERT_TRUE(drv::WaitWindowGone(u"TspFontDlgForm"));
  const RECT shown = drv::WindowRect(edit);
  drv::Screenshot("overlay-edit-window", &shown);
  drv::ClickControl("TCropForm", "spSkinButton4");  // OK
  ASSERT_TRUE(drv::WaitWindowGone(u"TCropForm"));

  Convert();
  EXPECT_TRUE(RowShows(1, "100%", 60000)) << drv::Screenshot("overlay-converted");
  const std::string out = OutputFolder() + "\\more_black3.mp4";
  ASSERT_EQ(Probe(out, "stream=width,height", "v:0"), "640\n480");

  // Every frame, decoded: the band of rows 150 to 299 as RGB.
  const int bandTop = 150, bandHeight = 150, width = 640;
  const std::string raw = fixtures::UnixPath("more_overlay_band.rgb");
  ASSERT_EQ(fixtures::Run("ffmpeg -y -v error -i '" + Unix(out) + "' -vf crop=640:" + std::to_string(bandHeight) +
                          ":0:" + std::to_string(bandTop) + " -pix_fmt rgb24 -f rawvideo '" + raw + "'"),
            0);
  const std::string bytes = fixtures::ReadAll(raw);
  const size_t frameBytes = static_cast<size_t>(width * bandHeight * 3);
  ASSERT_GT(bytes.size(), 0u);
  ASSERT_EQ(bytes.size() % frameBytes, 0u);
  const size_t frames = bytes.size() / frameBytes;
  EXPECT_GE(frames, 74u);
  for (size_t f = 0; f < frames; ++f) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + f * frameBytes;
    int left = width, top = bandTop + bandHeight, right = -1, bottom = -1, yellow = 0;
    long sumR = 0, sumG = 0, sumB = 0;
    for (int y = 0; y < bandHeight; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned char* px = p + (y * width + x) * 3;
        if (px[0] < 160 || px[1] < 160 || px[2] > 110) continue;
        ++yellow;
        sumR += px[0];
        sumG += px[1];
        sumB += px[2];
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y + bandTop);
        bottom = std::max(bottom, y + bandTop);
      }
    SCOPED_TRACE("frame " + std::to_string(f));
    ASSERT_GT(yellow, 80);
    // The letters start at the place typed, and only there.
    EXPECT_GE(left, 100);
    EXPECT_LE(left, 112);
    EXPECT_GE(top, 200);
    EXPECT_LE(top, 215);
    EXPECT_LT(right, 260);
    EXPECT_LT(bottom, 250);
    // In the edit window's own 20-point font.
    EXPECT_GE(bottom - top, 14);
    EXPECT_GT(sumR / yellow, 200);
    EXPECT_GT(sumG / yellow, 200);
    EXPECT_LT(sumB / yellow, 80);
    if (HasFailure()) break;
  }
}

// ---- an output name the folder cannot take ----

const char* const kOwnFolder = "c:\\tess_badname_out";

BEFORE_PROGRAM_START(ConversionMore, AnOutputNameTheFolderCannotTakeStartsNothing) {
  session::ForgetSettings();
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(kOwnFolder).c_str()), nullptr);
}

TEST_F(ConversionMore, AnOutputNameTheFolderCannotTakeStartsNothing) {
  AddFile(Fixture("more_black3.mp4"));
  drv::ClickControl("MainForm", "edDestinationFolder");
  drv::Key(VK_HOME);
  drv::Key(VK_END, false, false, true);
  drv::Type(kOwnFolder);
  const std::vector<std::string> before = FolderNames(kOwnFolder);
  ASSERT_EQ(before.size(), 2u) << "the folder is not empty";
  drv::MoveTo(2, 2);
  const RECT stop = drv::WaitControl("MainForm", "spSkinSpeedButton9");
  const std::vector<unsigned> stopBefore = drv::Grab(stop);

  const std::string tooLong(300, 'n');
  for (const std::string& title : {std::string("what? *now*"), std::string("a<b>c|d"), tooLong}) {
    SCOPED_TRACE(title.substr(0, 20));
    SelectRow(1);
    drv::ClickControl("MainForm", "spSkinSpeedButton8");  // Rename
    drv::WaitControl("MainForm", "TitleMemo");
    Retype(title);
    drv::Key(VK_RETURN);
    Convert();
    HWND error = drv::WaitWindow(u"TErrorForm", 30000);
    ASSERT_NE(error, nullptr) << drv::Screenshot("bad-name-no-error");
    const RECT er = drv::WindowRect(error);
    drv::Screenshot("bad-name-error", &er);
    EXPECT_TRUE(WaitTextAnyFont(er, "Cannot set output file", 5000));
    drv::ClickControl("TErrorForm", "spSkinButton1");
    ASSERT_TRUE(drv::WaitWindowGone(u"TErrorForm"));
    // The row waits; nothing runs (Stop stays as it was) and nothing was
    // written.
    EXPECT_TRUE(RowShows(1, "Awaiting...", 5000)) << drv::Screenshot("bad-name-row");
    EXPECT_EQ(drv::Grab(stop), stopBefore) << drv::Screenshot("bad-name-stop");
    EXPECT_EQ(FolderNames(kOwnFolder), before);
  }
}

}  // namespace
