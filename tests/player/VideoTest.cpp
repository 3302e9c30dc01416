// Pictures in the host window: layout, flip, resize and the host's own
// child controls, read back from the window's pixels.
#include "support/gtest.h"

#include "PlayerTestSupport.h"
#include "framework/PngImage.h"

namespace {

constexpr int kPanelW = 464, kPanelH = 271, kLineY = 200;
const COLORREF kLineColour = RGB(0, 255, 0);

// Red over blue, 320x240: which half is on top tells the flip.
std::string Clip() {
  return MakeMedia("redblue.avi",
                   "-f lavfi -i color=c=red:s=320x240:r=10,drawbox=y=120:h=120:c=blue:t=fill -t 3 "
                   "-pix_fmt yuv420p -c:v mpeg4 -q:v 2");
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

struct THost {
  HWND top = nullptr, panel = nullptr, line = nullptr;
  THost() {
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = PlainProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = u"TessVideoTestPanel";
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
      RegisterClassW(&wc);
      wc.lpszClassName = u"TessVideoTestLine";
      wc.hbrBackground = CreateSolidBrush(kLineColour);
      RegisterClassW(&wc);
      registered = true;
    }
    top = CreateWindowExW(0, u"TessVideoTestPanel", u"video", WS_POPUP | WS_VISIBLE, 0, 0, kPanelW + 20,
                          kPanelH + 20, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    panel = CreateWindowExW(0, u"TessVideoTestPanel", u"", WS_CHILD | WS_VISIBLE, 10, 10, kPanelW, kPanelH, top,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    line = CreateWindowExW(0, u"TessVideoTestLine", u"", WS_CHILD | WS_VISIBLE, 0, kLineY, kPanelW, 1, panel,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(top);
  }
  ~THost() { DestroyWindow(top); }
  // Keeps what the panel shows as a PNG beside the test programs, for people to look at.
  void SaveShot(const std::string& name) const {
    TPngImage png;
    png.CreateBlank(false, kPanelW, kPanelH);
    HDC dc = GetDC(panel);
    for (int y = 0; y < kPanelH; ++y)
      for (int x = 0; x < kPanelW; ++x) png.SetPixel(x, y, static_cast<TColor>(GetPixel(dc, x, y)));
    ReleaseDC(panel, dc);
    const std::string folder = ExeFolder() + "artifacts";
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
    png.SaveToFile(folder + "\\" + name);
  }
  COLORREF At(int x, int y) const {
    HDC dc = GetDC(panel);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(panel, dc);
    return c;
  }
};

bool Near(COLORREF c, int r, int g, int b, int tol = 40) {
  return std::abs(GetRValue(c) - r) <= tol && std::abs(GetGValue(c) - g) <= tol && std::abs(GetBValue(c) - b) <= tol;
}

std::string Show(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

}  // namespace

TEST(PlayerVideo, LetterboxedPictureKeepsTheChildLineAndFollowsFlipAndAspect) {
  UseSoundDriver("dummy");
  const std::string clip = Clip();
  THost host;
  auto player = NewPlayer("SDL_0.dll");
  int fw = 0, fh = 0;
  player->OnFileOpen = [&](TObject*, const int64_t, int w, int h, int&, int&) { fw = w, fh = h; };
  ASSERT_TRUE(player->Open(clip, reinterpret_cast<intptr_t>(host.panel), true)) << player->LastErrMsg();
  EXPECT_EQ(320, fw);
  EXPECT_EQ(240, fh);
  // Paused at the start, the first picture is shown all the same.
  ASSERT_TRUE(WaitUntil([&] { return player->FrameWidth() == 320; }, 5000));
  Pump(100);
  // 4:3 in 464x271: 360x271 centred, x 52..411.
  auto expectPicture = [&](bool flipped, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(Near(host.At(20, 50), 0, 0, 0, 8)) << Show(host.At(20, 50));
    EXPECT_TRUE(Near(host.At(440, 50), 0, 0, 0, 8)) << Show(host.At(440, 50));
    const COLORREF top = host.At(60, 40), bottom = host.At(400, 180);
    EXPECT_TRUE(flipped ? Near(top, 0, 0, 255) : Near(top, 255, 0, 0)) << Show(top);
    EXPECT_TRUE(flipped ? Near(bottom, 255, 0, 0) : Near(bottom, 0, 0, 255)) << Show(bottom);
    EXPECT_EQ(kLineColour, host.At(5, kLineY) & 0xFFFFFF);
    EXPECT_EQ(kLineColour, host.At(230, kLineY) & 0xFFFFFF);
  };
  expectPicture(false, "plain");
  host.SaveShot("player-letterbox.png");
  // The host's paint redraws from the same picture.
  InvalidateRect(host.panel, nullptr, TRUE);
  UpdateWindow(host.panel);
  Pump(50);
  expectPicture(false, "repainted");

  // Stretched to the whole area, then flipped, after a relayout.
  player->FAspectRatio = -1;
  player->FVerticalFlip = true;
  SetWindowPos(host.panel, nullptr, 0, 0, kPanelW, kPanelH - 1, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(host.panel, nullptr, 0, 0, kPanelW, kPanelH, SWP_NOMOVE | SWP_NOZORDER);
  Pump(300);
  EXPECT_TRUE(Near(host.At(5, 20), 0, 0, 255)) << Show(host.At(5, 20));
  EXPECT_TRUE(Near(host.At(460, 250), 255, 0, 0)) << Show(host.At(460, 250));
  EXPECT_EQ(kLineColour, host.At(5, kLineY) & 0xFFFFFF);
  player->Stop(true);
}

TEST(PlayerVideo, PlaysToTheEndWithPositionsFollowingThePictures) {
  UseSoundDriver("dummy");
  const std::string clip = Clip();
  THost host;
  auto player = NewPlayer("SDL_0.dll");
  TRecorder rec;
  rec.Attach(*player);
  player->RepeatType = rtNone;
  ASSERT_TRUE(player->Open(clip, reinterpret_cast<intptr_t>(host.panel), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psEnd) >= 0; }, 8000));
  const auto pos = rec.Positions();
  ASSERT_FALSE(pos.empty());
  EXPECT_GE(pos.back(), 2800000);
  EXPECT_TRUE(Near(host.At(60, 40), 255, 0, 0));
  player->Stop(true);
  EXPECT_EQ(-1, player->VideoStreamIndex());
}

TEST(PlayerVideo, APictureSizeChangeMidStreamIsFollowed) {
  UseSoundDriver("dummy");
  // Two transport streams back to back: 320x240 red, then a 240x240 green square.
  MakeMedia("wide.ts", "-f lavfi -i color=c=red:s=320x240:r=10 -t 1 -c:v mpeg2video -q:v 2");
  MakeMedia("square.ts", "-f lavfi -i color=c=green:s=240x240:r=10 -t 3 -c:v mpeg2video -q:v 2");
  const std::string both = WriteFixture("sizechange.ts", ReadBytes(FixtureFolder() + "/wide.ts") + ReadBytes(FixtureFolder() + "/square.ts"));
  THost host;
  auto player = NewPlayer("SDL_0.dll");
  ASSERT_TRUE(player->Open(both, reinterpret_cast<intptr_t>(host.panel), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->FrameWidth() == 240; }, 6000)) << player->FrameWidth();
  Pump(200);
  // 240x240 in 464x271: 270x271 at x 97.
  EXPECT_TRUE(Near(host.At(70, 100), 0, 0, 0, 8)) << Show(host.At(70, 100));
  EXPECT_TRUE(Near(host.At(230, 100), 0, 128, 0, 50)) << Show(host.At(230, 100));
  EXPECT_EQ(kLineColour, host.At(230, kLineY) & 0xFFFFFF);
  player->Stop(true);
}

TEST(PlayerVideo, LoopsWithPicturesAndRefusesAStreamOfTheWrongType) {
  UseSoundDriver("dummy");
  const std::string clip = MakeMedia(
      "redsine.avi",
      "-f lavfi -i color=c=red:s=320x240:r=10 -f lavfi -i sine=f=440:r=44100 -t 3 -pix_fmt yuv420p -c:v mpeg4 "
      "-q:v 2 -c:a pcm_s16le");
  THost host;
  auto player = NewPlayer("SDL_0.dll");
  TRecorder rec;
  rec.Attach(*player);
  ASSERT_TRUE(player->Open(clip, reinterpret_cast<intptr_t>(host.panel), false)) << player->LastErrMsg();
  player->RepeatType = rtLoop;
  player->PlayTime = 1000000;
  ASSERT_GE(player->VideoStreamIndex(), 0);
  ASSERT_GE(player->AudioStreamIndex(), 0);
  EXPECT_FALSE(player->SetVideoStreamIndex(player->AudioStreamIndex()));
  EXPECT_EQ("the stream type is not matched.", player->LastErrMsg());
  EXPECT_GE(player->VideoStreamIndex(), 0);

  // Past the play time the playback starts again from the beginning.
  bool wrapped = false;
  int64_t highest = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (int64_t p : rec.Positions()) {
          if (p >= 900000) highest = p;
          if (highest > 0 && p < 500000) wrapped = true;
        }
        return wrapped;
      },
      6000));
  EXPECT_TRUE(Near(host.At(230, 100), 255, 0, 0)) << Show(host.At(230, 100));
  player->Stop(true);
}

TEST(PlayerVideo, APausedSeekShowsThePictureOfTheNewPlace) {
  UseSoundDriver("dummy");
  // Red for the first 1.5 s, blue after.
  const std::string clip = MakeMedia(
      "redthenblue.avi",
      "-f lavfi -i color=c=red:s=320x240:r=10,drawbox=c=blue:t=fill:enable='gte(t\\,1.5)' -t 3 -g 5 "
      "-pix_fmt yuv420p -c:v mpeg4 -q:v 2");
  THost host;
  auto player = NewPlayer("SDL_0.dll");
  ASSERT_TRUE(player->Open(clip, reinterpret_cast<intptr_t>(host.panel), true)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return Near(host.At(230, 100), 255, 0, 0); }, 5000)) << Show(host.At(230, 100));
  player->Seek(static_cast<int64_t>(2000000), 0, true);
  Pump(100);
  EXPECT_TRUE(Near(host.At(230, 100), 0, 0, 255)) << Show(host.At(230, 100));
  EXPECT_TRUE(player->Paused());
  player->Seek(static_cast<int64_t>(0), 0, true);
  Pump(100);
  EXPECT_TRUE(Near(host.At(230, 100), 255, 0, 0)) << Show(host.At(230, 100));
  player->Stop(true);
}
