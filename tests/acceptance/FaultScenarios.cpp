// Faults a person met in the program's windows: each scenario repeats the
// steps that showed one and judges what the screen shows afterwards.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "support/gtest.h"

namespace {

class Faults : public ::testing::Test {
protected:
  void SetUp() override { session::WaitForProgram(); }
};

// ---- the format picker ----

// The pointer rests on category `category` of the open picker until its
// formats are listed (a person moves it a little when nothing happens).
RECT ShowCategory(int category) {
  const RECT categories = drv::WaitControl("Tproform", "sgProfiles");
  const int y = categories.top + category * 27 + 13;
  for (int i = 0; i < 4; ++i) {
    drv::MoveTo(categories.left + 40 + (i % 2) * 6, y);
    drv::Pause(150);
  }
  // Wait past the picker's delay for the category's formats.
  drv::Pause(900);
  return drv::WaitControl("Tproform", "sgFormats");
}

// The middle row of the thumb of a vertical scroll bar on screen: the rows
// whose middle pixel differs from the bar's most common colour (its track).
int ThumbMiddle(const RECT& bar) {
  const std::vector<unsigned> px = drv::Grab(bar);
  const int w = bar.right - bar.left, h = bar.bottom - bar.top;
  std::vector<unsigned> column;
  for (int y = 0; y < h; ++y) column.push_back(px[static_cast<size_t>(y * w + w / 2)]);
  unsigned track = column[static_cast<size_t>(h / 2)];
  int best = 0;
  for (unsigned c : column) {
    const int n = static_cast<int>(std::count(column.begin(), column.end(), c));
    if (n > best) best = n, track = c;
  }
  int first = -1, last = -1;
  for (int y = 0; y < h; ++y)
    if (column[static_cast<size_t>(y)] != track) {
      if (first < 0) first = y;
      last = y;
    }
  return first < 0 ? -1 : (first + last) / 2;
}

// The first row of the formats' list shows the format's title.
bool FirstRowShows(const RECT& formats, const std::string& title) {
  const RECT row{formats.left + 40, formats.top, formats.left + 260, formats.top + 22};
  return drv::ShowsText(row, title, "Times New Roman", 8, true);
}

BEFORE_PROGRAM_START(Faults, PickerListAndBarAgreeAfterAnotherCategory) { session::ForgetSettings(); }

TEST_F(Faults, PickerListAndBarAgreeAfterAnotherCategory) {
  // The picker opens on the current format, the third of the general video
  // formats, scrolled to the top of its list.
  drv::ClickControl("MainForm", "imgProfileField");
  ASSERT_NE(drv::WaitWindow(u"Tproform"), nullptr);
  // Then the audio formats, as many: the list stays where it was.
  const RECT formats = ShowCategory(3);
  const RECT bar = drv::WaitControl("Tproform", "spSkinScrollBar1");
  const int height = bar.bottom - bar.top;
  EXPECT_TRUE(drv::WaitUntil([&] { return FirstRowShows(formats, "M4A"); }, 5000))
      << drv::Screenshot("picker-audio-kept");
  // Its bar says so: the thumb stands away from the top.
  int thumb = -1;
  EXPECT_TRUE(drv::WaitUntil([&] {
    thumb = ThumbMiddle(bar);
    return thumb > height / 5 && thumb < height * 4 / 5;
  }, 5000)) << "thumb at " << thumb << " of " << height << " " << drv::Screenshot("picker-audio-bar", &bar);
  drv::Screenshot("picker-audio");
  // Dragged to the top, the thumb brings the first format up.
  const int x = (bar.left + bar.right) / 2;
  if (thumb > 0) drv::Drag(POINT{x, bar.top + thumb}, POINT{x, bar.top - 30});
  EXPECT_TRUE(drv::WaitUntil([&] { return FirstRowShows(formats, "MP3"); }, 5000))
      << drv::Screenshot("picker-audio-top");
  EXPECT_LT(ThumbMiddle(bar), height / 10);
  // The first format chosen closes the picker.
  drv::MoveTo(formats.left + 100, formats.top + 28);
  drv::Pause(300);
  drv::Click(formats.left + 100, formats.top + 28);
  EXPECT_TRUE(drv::WaitWindowGone(u"Tproform"));
}

}  // namespace
