// Pictures in the host window: layout, flip, resize and the host's own
// child controls, read back from the window's pixels.
#include "support/gtest.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "PlayerTestSupport.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "framework/HostPicture.h"
#include "framework/PngImage.h"
#include "support/Dib.h"

namespace {

constexpr int kPanelW = 464, kPanelH = 271, kLineY = 200;
const COLORREF kLineColour = RGB(0, 255, 0);

// Red over blue, 320x240: which half is on top tells the flip.
std::string Clip() {
  return MakeMedia("redblue.avi",
                   "-f lavfi -i color=c=red:s=320x240:r=10,drawbox=y=120:h=120:c=blue:t=fill -t 3 "
                   "-pix_fmt yuv420p -c:v mpeg4 -q:v 2");
}

// Red pictures and a 440 Hz tone, 3 s.
std::string RedSineClip() {
  return MakeMedia("redsine.avi",
                   "-f lavfi -i color=c=red:s=320x240:r=10 -f lavfi -i sine=f=440:r=44100 -t 3 -pix_fmt yuv420p "
                   "-c:v mpeg4 -q:v 2 -c:a pcm_s16le");
}

// Cursor requests that reached the windows' own procedure.
std::atomic<int> gOwnCursorCalls{0};

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SETCURSOR) ++gOwnCursorCalls;
  return DefWindowProcW(h, m, w, l);
}

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
  // The panel as the player takes it.
  intptr_t Panel() const { return reinterpret_cast<intptr_t>(panel); }
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

// A player on the silent sound driver, its libraries loaded.
std::unique_ptr<TVIDavaza> SilentPlayer() {
  UseSoundDriver("dummy");
  return NewPlayer("SDL_0.dll");
}

bool Near(COLORREF c, int r, int g, int b, int tol = 40) {
  return std::abs(GetRValue(c) - r) <= tol && std::abs(GetGValue(c) - g) <= tol && std::abs(GetBValue(c) - b) <= tol;
}

std::string Show(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

}  // namespace

TEST(PlayerVideo, LetterboxedPictureKeepsTheChildLineAndFollowsFlipAndAspect) {
  const std::string clip = Clip();
  THost host;
  auto player = SilentPlayer();
  int fw = 0, fh = 0;
  player->OnFileOpen = [&](TObject*, const int64_t, int w, int h, int&, int&) { fw = w, fh = h; };
  ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
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
  player->SetVerticalFlip(true);
  SetWindowPos(host.panel, nullptr, 0, 0, kPanelW, kPanelH - 1, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(host.panel, nullptr, 0, 0, kPanelW, kPanelH, SWP_NOMOVE | SWP_NOZORDER);
  Pump(300);
  EXPECT_TRUE(Near(host.At(5, 20), 0, 0, 255)) << Show(host.At(5, 20));
  EXPECT_TRUE(Near(host.At(460, 250), 255, 0, 0)) << Show(host.At(460, 250));
  EXPECT_EQ(kLineColour, host.At(5, kLineY) & 0xFFFFFF);
  player->Stop(true);
}

TEST(PlayerVideo, PlaysToTheEndWithPositionsFollowingThePictures) {
  const std::string clip = Clip();
  THost host;
  auto player = SilentPlayer();
  TRecorder rec;
  rec.Attach(*player);
  player->RepeatType = rtNone;
  ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return rec.IndexOfState(psEnd) >= 0; }, 8000));
  const auto pos = rec.Positions();
  ASSERT_FALSE(pos.empty());
  EXPECT_GE(pos.back(), 2800000);
  EXPECT_TRUE(Near(host.At(60, 40), 255, 0, 0));
  player->Stop(true);
  EXPECT_EQ(-1, player->VideoStreamIndex());
}

TEST(PlayerVideo, APictureSizeChangeMidStreamIsFollowed) {
  // Two transport streams back to back: 320x240 red, then a 240x240 green square.
  MakeMedia("wide.ts", "-f lavfi -i color=c=red:s=320x240:r=10 -t 1 -c:v mpeg2video -q:v 2");
  MakeMedia("square.ts", "-f lavfi -i color=c=green:s=240x240:r=10 -t 3 -c:v mpeg2video -q:v 2");
  const std::string both = WriteFixture("sizechange.ts", ReadBytes(FixtureFolder() + "/wide.ts") + ReadBytes(FixtureFolder() + "/square.ts"));
  THost host;
  auto player = SilentPlayer();
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel level, const std::string& text) {
    if (level == llInfo) lines.push_back(text);
  };
  ASSERT_TRUE(player->Open(both, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->FrameWidth() == 240; }, 6000)) << player->FrameWidth();
  ASSERT_TRUE(WaitUntil([&] { return !LogLinesPending(); }, 1000));
  EXPECT_NE(lines.end(),
            std::find(lines.begin(), lines.end(), "Frame changed from size:320x240 to size:240x240"));
  logger->OnLog = before;
  Pump(200);
  // 240x240 in 464x271: 270x271 at x 97.
  EXPECT_TRUE(Near(host.At(70, 100), 0, 0, 0, 8)) << Show(host.At(70, 100));
  EXPECT_TRUE(Near(host.At(230, 100), 0, 128, 0, 50)) << Show(host.At(230, 100));
  EXPECT_EQ(kLineColour, host.At(230, kLineY) & 0xFFFFFF);
  player->Stop(true);
}

TEST(PlayerVideo, LoopsWithPicturesAndRefusesAStreamOfTheWrongType) {
  const std::string clip = RedSineClip();
  THost host;
  auto player = SilentPlayer();
  TRecorder rec;
  rec.Attach(*player);
  ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
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
  // Red for the first 1.5 s, blue after.
  const std::string clip = MakeMedia(
      "redthenblue.avi",
      "-f lavfi -i color=c=red:s=320x240:r=10,drawbox=c=blue:t=fill:enable='gte(t\\,1.5)' -t 3 -g 5 "
      "-pix_fmt yuv420p -c:v mpeg4 -q:v 2");
  THost host;
  auto player = SilentPlayer();
  ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
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

namespace {

// What the panel shows, read back in one go.
struct TShot {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};
TShot Grab(HWND panel) {
  RECT r{};
  GetClientRect(panel, &r);
  TShot shot;
  shot.w = r.right, shot.h = r.bottom;
  Dib dib(shot.w, shot.h);
  HDC dc = GetDC(panel);
  BitBlt(dib.dc, 0, 0, shot.w, shot.h, dc, 0, 0, SRCCOPY);
  ReleaseDC(panel, dc);
  GdiFlush();
  shot.px.assign(dib.bits, dib.bits + static_cast<size_t>(shot.w) * shot.h);
  return shot;
}

// The bitmap's pixels as 0xRRGGBB, whatever its bit depth.
uint32_t BitmapPixel(TBitmap* bmp, int x, int y) {
  const int bytes = bmp->BitsPerPixel() / 8;
  const uint8_t* p = bmp->ScanLine(y) + x * bytes;
  return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

std::string CheckerClip() {
  return MakeMedia("clip3s.avi",
                   "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=f=1000:r=44100 -t 3 -pix_fmt yuv420p "
                   "-c:v mpeg4 -g 25 -q:v 2 -c:a pcm_s16le");
}

bool RectIs(const TRect& r, int x, int y, int w, int h) {
  return r.Left == x && r.Top == y && r.Width() == w && r.Height() == h;
}
std::string Show(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + " " + std::to_string(r.Width()) + "x" +
         std::to_string(r.Height());
}

}  // namespace

TEST(PlayerVideo, ShownPixelsAreTheCurrentFrameScaledIntoItsRectangle) {
  const std::string clip = CheckerClip();
  THost host;
  auto player = SilentPlayer();
  ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 300000; }, 5000));
  int64_t pts1 = 0, pts2 = 0;
  player->CurrentFrame(pts1);
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 1000000; }, 5000));
  player->Pause();
  Pump(150);
  TBitmap* frame = player->CurrentFrame(pts2);
  GdiFlush();
  ASSERT_EQ(320, frame->Width());
  ASSERT_EQ(240, frame->Height());
  EXPECT_GT(pts1, 0);
  EXPECT_GT(pts2, pts1);

  // 4:3 in 464x271: 360x271 at x 52, black bars beside it.
  const TRect rect = player->DisplayRect();
  ASSERT_TRUE(RectIs(rect, 52, 0, 360, 271)) << Show(rect);
  const TRect actual = player->DisplayToActualRect(TRect{412, 271, 52, 0});
  EXPECT_TRUE(RectIs(actual, 0, 0, 320, 240)) << Show(actual);
  const TShot shot = Grab(host.panel);
  for (int y : {0, 100, 270}) {
    EXPECT_EQ(0u, shot.At(10, y) & 0xFFFFFF);
    EXPECT_EQ(0u, shot.At(450, y) & 0xFFFFFF);
  }
  // The child line crosses the picture untouched.
  for (int x = 0; x < kPanelW; x += 7) ASSERT_EQ(0x00FF00u, shot.At(x, kLineY) & 0xFFFFFF) << x;

  // The frame scaled to the rectangle (bilinear) against the shown pixels.
  std::vector<uint32_t> src(320 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) src[y * 320 + x] = BitmapPixel(frame, x, y);
  double sum[3] = {0, 0, 0};
  int n = 0;
  for (int y = 0; y < rect.Height(); ++y) {
    if (y == kLineY) continue;
    const double sy = std::min(std::max((y + 0.5) * 240 / rect.Height() - 0.5, 0.0), 239.0);
    const int y0 = static_cast<int>(sy), y1 = std::min(y0 + 1, 239);
    const double fy = sy - y0;
    for (int x = 0; x < rect.Width(); ++x) {
      const double sx = std::min(std::max((x + 0.5) * 320 / rect.Width() - 0.5, 0.0), 319.0);
      const int x0 = static_cast<int>(sx), x1 = std::min(x0 + 1, 319);
      const double fx = sx - x0;
      const uint32_t shown = shot.At(rect.Left + x, rect.Top + y);
      for (int c = 0; c < 3; ++c) {
        auto ch = [&](int xx, int yy) { return static_cast<double>((src[yy * 320 + xx] >> (8 * c)) & 0xFF); };
        const double want = (ch(x0, y0) * (1 - fx) + ch(x1, y0) * fx) * (1 - fy) +
                            (ch(x0, y1) * (1 - fx) + ch(x1, y1) * fx) * fy;
        sum[c] += std::fabs(want - static_cast<double>((shown >> (8 * c)) & 0xFF));
      }
      ++n;
    }
  }
  for (int c = 0; c < 3; ++c) EXPECT_LE(sum[c] / n, 6.0) << "channel " << c;
  host.SaveShot("player-testsrc.png");

  // Aspect modes and a resize of the host lay the still picture out again.
  struct Case {
    const char* what;
    float aspect;
    int panelW, panelH;
    int x, y, w, h;
  } cases[] = {
      {"fill the area", -1, kPanelW, kPanelH, 0, 0, 464, 271},
      {"16:9", 16.0f / 9, kPanelW, kPanelH, 0, 5, 464, 260},
      {"own ratio in a 320x240 host", 0, 320, 240, 0, 0, 320, 240},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetWindowPos(host.panel, nullptr, 0, 0, c.panelW, c.panelH, SWP_NOMOVE | SWP_NOZORDER);
    player->SetAspectRatio(c.aspect);
    ASSERT_TRUE(WaitUntil([&] { return RectIs(player->DisplayRect(), c.x, c.y, c.w, c.h); }, 2000))
        << Show(player->DisplayRect());
    Pump(100);
    const TShot s = Grab(host.panel);
    // The picture fills its rectangle; the bands around it stay black.
    int lit = 0;
    for (int y = c.y; y < c.y + c.h; ++y)
      for (int x = c.x; x < c.x + c.w; ++x) lit += (s.At(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, c.w * c.h * 3 / 4);
    for (int y = 0; y < c.y; ++y) EXPECT_EQ(0u, s.At(200, y) & 0xFFFFFF) << y;
    for (int y = c.y + c.h; y < c.panelH; ++y) EXPECT_EQ(0u, s.At(200, y) & 0xFFFFFF) << y;
  }
  player->Stop(true);
  EXPECT_EQ(0, player->CurrentFrame()->Width());
  int64_t none = 0;
  player->CurrentFrame(none);
  EXPECT_EQ(-1, none);
  EXPECT_EQ(0, player->DisplayToActualRect(TRect{0, 0, 10, 10}).Width());
}

TEST(PlayerVideo, HooksSeeTheFlippedPictureAndTheirDrawingIsShown) {
  const std::string clip = Clip();
  THost host;
  auto player = SilentPlayer();
  player->SetVerticalFlip(true);
  player->VideoHook = true;
  player->FrameHook = true;
  std::atomic<int> hooked{0}, topLuma{-1};
  std::atomic<int64_t> hookPts{-1};
  player->OnVideoHook = [&](TObject*, TBitmap* bmp, const int64_t pts, bool& update) {
    // A red box in the top left corner, drawn into the picture.
    bmp->Canvas()->Brush()->SetColor(clRed);
    bmp->Canvas()->FillRect(TRect{0, 0, 60, 60});
    bmp->Canvas()->Brush()->SetColor(clLime);
    bmp->Canvas()->FillRect(TRect{0, 0, 30, 30});
    hookPts = pts;
    ++hooked;
    update = true;
  };
  player->OnFrameHook = [&](TObject*, void* picture, AVPixelFormat fmt, int w, int h, const int64_t) {
    if (fmt == AV_PIX_FMT_YUV420P && w == 320 && h == 240) topLuma = static_cast<AVFrame*>(picture)->data[0][300];
  };
  ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 500000; }, 5000));
  player->Pause();
  Pump(150);
  EXPECT_GT(hooked.load(), 0);
  EXPECT_GE(hookPts.load(), 0);
  // Turned upside down before the hooks: blue on top (luma 41 against red's 81).
  EXPECT_NEAR(41, topLuma.load(), 12);
  TBitmap* frame = player->CurrentFrame();
  ASSERT_EQ(320, frame->Width());
  const uint32_t top = BitmapPixel(frame, 300, 0), bottom = BitmapPixel(frame, 300, 239);
  EXPECT_TRUE(Near(RGB(top >> 16, (top >> 8) & 0xFF, top & 0xFF), 0, 0, 255)) << std::hex << top;
  EXPECT_TRUE(Near(RGB(bottom >> 16, (bottom >> 8) & 0xFF, bottom & 0xFF), 255, 0, 0)) << std::hex << bottom;
  // The hook's drawing reaches the screen: lime inside red, at the top left
  // of the picture (x 52).
  EXPECT_TRUE(Near(host.At(52 + 10, 10), 0, 255, 0, 60)) << Show(host.At(62, 10));
  EXPECT_TRUE(Near(host.At(52 + 50, 50), 255, 0, 0, 60)) << Show(host.At(102, 50));
  EXPECT_TRUE(Near(host.At(300, 20), 0, 0, 255)) << Show(host.At(300, 20));
  player->Stop(true);
  EXPECT_FALSE(player->VerticalFlip()) << "the flip holds for one playback";
}

TEST(PlayerVideo, FilterChainAndDeinterlaceFallBack) {
  // 330 wide: not a size the deinterlacer takes.
  const std::string odd = MakeMedia("redblue330.avi",
                                    "-f lavfi -i color=c=red:s=330x240:r=10,drawbox=y=120:h=120:c=blue:t=fill -t 3 "
                                    "-pix_fmt yuv420p -c:v mpeg4 -q:v 2");
  THost host;
  auto player = SilentPlayer();
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel level, const std::string& text) {
    if (level <= llError) lines.push_back(text);
  };
  player->SetVideoFilters("vflip");
  player->SetDeinterlace(true);
  ASSERT_TRUE(player->Open(odd, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_TRUE(WaitUntil([&] { return player->CurrentPTS() > 500000; }, 5000));
  Pump(100);
  // The chain turned the picture over; playback went on without deinterlacing.
  const TRect r = player->DisplayRect();
  EXPECT_TRUE(Near(host.At(r.Left + 20, r.Top + 20), 0, 0, 255)) << Show(host.At(r.Left + 20, r.Top + 20));
  EXPECT_FALSE(player->Deinterlace());
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "deinterlacing failed.")) << lines.size();
  player->Stop(true);
  logger->OnLog = before;
}

TEST(PlayerVideo, HostIgnoresCloseTakesFocusOnClickAndKeepsItsCursorWhenAsked) {
  const std::string clip = Clip();
  for (bool hijackCursor : {true, false}) {
    SCOPED_TRACE(hijackCursor ? "cursor taken" : "own cursor");
    THost host;
    auto player = SilentPlayer();
    player->HijackCursor = hijackCursor;
    ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return player->FrameWidth() == 320; }, 5000));
    SendMessageW(host.panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(host.panel));
    SetFocus(host.top);
    SendMessageW(host.panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    EXPECT_EQ(host.panel, GetFocus());
    gOwnCursorCalls = 0;
    SendMessageW(host.panel, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.panel), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    // The window's own handling also asks its parent, so count only whether it ran.
    EXPECT_EQ(hijackCursor, gOwnCursorCalls.load() == 0) << gOwnCursorCalls.load();
    // A size change the owner reports is followed by the picture.
    SetWindowPos(host.panel, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    player->UpdateScreenPosition();
    ASSERT_TRUE(WaitUntil([&] { return player->DisplayRect().Width() == 400; }, 5000))
        << player->DisplayRect().Width();
    player->Stop(true);
    // Without a playback the host is its own again: a close request closes it.
    SendMessageW(host.panel, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(host.panel));
  }
}

// The shell's folder view is searched on its own, so that the search runs
// whether or not the session has a program manager window.
TEST(PlayerVideo, FindsTheDesktopIconListBesideTheShellView) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"SHELLDLL_DefView";
  RegisterClassW(&wc);
  wc.lpszClassName = u"SysListView32";
  RegisterClassW(&wc);
  wc.lpszClassName = u"TessDeskTop";
  RegisterClassW(&wc);
  const HINSTANCE inst = GetModuleHandleW(nullptr);
  HWND top = CreateWindowExW(0, u"TessDeskTop", u"desk", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                             nullptr, inst, nullptr);
  HWND view = CreateWindowExW(0, u"SHELLDLL_DefView", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, nullptr,
                              inst, nullptr);
  HWND other = CreateWindowExW(0, u"SysListView32", u"Other", WS_CHILD, 0, 0, 50, 50, view, nullptr, inst, nullptr);
  EXPECT_EQ(0, FindShellFolderView());
  HWND list = CreateWindowExW(0, u"SysListView32", u"FolderView", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, view,
                              nullptr, inst, nullptr);
  EXPECT_EQ(reinterpret_cast<intptr_t>(list), FindShellFolderView());
  // Without a program manager window the desktop's list is that one.
  if (!FindWindowW(u"ProgMan", nullptr)) EXPECT_EQ(reinterpret_cast<intptr_t>(list), FindDesktopListView());
  ShowWindow(top, SW_HIDE);
  EXPECT_EQ(0, FindShellFolderView());
  DestroyWindow(other);
  DestroyWindow(top);

  // A program manager window comes first: its child's child is the list. A
  // new window is above the session's own, so this one is found.
  wc.lpszClassName = u"ProgMan";
  RegisterClassW(&wc);
  HWND progman = CreateWindowExW(0, u"ProgMan", u"Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, inst, nullptr);
  HWND child = CreateWindowExW(0, u"TessDeskTop", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, progman, nullptr, inst,
                               nullptr);
  HWND grandchild = CreateWindowExW(0, u"SysListView32", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, child, nullptr,
                                    inst, nullptr);
  EXPECT_EQ(reinterpret_cast<intptr_t>(grandchild), FindDesktopListView());
  DestroyWindow(progman);
}

TEST(PlayerVideo, SoundIsDrawnAsSpectrumAndWaves) {
  const std::string tone = Tone();
  THost host;
  auto player = SilentPlayer();
  ASSERT_TRUE(player->Open(tone, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_LT(player->VideoStreamIndex(), 0);
  // Sound without pictures starts as a spectrum, a column per tick from the
  // left: a 1 kHz tone at 44.1 kHz lights a narrow band about 23 rows (of 43 Hz
  // each) above the bottom, and leaves the rest of the column dark.
  constexpr int kColumn = 30;
  ASSERT_TRUE(WaitUntil([&] { return (host.At(kColumn + 5, kPanelH - 23) & 0xFFFFFF) != 0; }, 5000));
  int bright = 0, peak = 0, peakY = -1;
  for (int y = 0; y < kPanelH; ++y) {
    if (y == kLineY) continue;
    const COLORREF c = host.At(kColumn, y);
    const int level = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
    if (level > 64) ++bright;
    if (level > peak) peak = level, peakY = y;
  }
  EXPECT_GT(peak, 128);
  EXPECT_NEAR(kPanelH - 23, peakY, 2);
  EXPECT_LT(bright, 12) << "a pure tone lights a narrow band, not the whole column";
  host.SaveShot("player-spectrum.png");
  // Waves next (spectrum -> nothing -> waves): both channels' white traces
  // around the middle of their halves, crossing it somewhere.
  player->ToggleAudioDisplay();
  player->ToggleAudioDisplay();
  ASSERT_TRUE(WaitUntil(
      [&] {
        int white = 0;
        for (int x = 0; x < kPanelW; x += 4)
          if ((host.At(x, kPanelH / 4) & 0xFFFFFF) == 0xFFFFFF) ++white;
        return white > 5;
      },
      5000));
  host.SaveShot("player-waves.png");
  EXPECT_EQ(kLineColour, host.At(5, kLineY) & 0xFFFFFF);
  player->Stop(true);
}

TEST(PlayerVideo, ABitmapSubtitleShowsFromItsStartUntilThePicturesPassItsEnd) {
  THost host;
  auto player = SilentPlayer();  // loads the media libraries the fixture needs
  // Blue pictures at 10 per second; a yellow bar over the lower part from 1 s to 2 s.
  const std::string clip = MakeSubtitledClip(
      "subbed.mkv", "blue4s.avi", "-f lavfi -i color=c=blue:s=320x240:r=10 -t 4 -pix_fmt yuv420p -c:v mpeg4 -q:v 2",
      TBitmapCue{40, 180, 240, 40, 0xFFFFFF00u, 1000, 2000});
  TRecorder rec;
  rec.Attach(*player);
  ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
  ASSERT_GE(player->SubtitleStreamIndex(), 0);
  // 320x240 in 464x271 is drawn at 52,0 360x271: picture point (158, 199)
  // of the bar is panel point (230, 225).
  struct TSample {
    int64_t pts;
    COLORREF c;
  };
  std::vector<TSample> samples;
  WaitUntil(
      [&] {
        samples.push_back({player->CurrentPTS(), host.At(230, 225)});
        return rec.IndexOfState(psEnd) >= 0;
      },
      8000);
  player->Stop(true);
  // Per window: how many samples, and the first that shows the wrong thing.
  struct TWindow {
    const char* name;
    int64_t from, to;
    bool bar;
    int seen = 0;
    std::string wrong;
  } windows[] = {{"before", 100000, 850000, false}, {"during", 1150000, 1850000, true}, {"after", 2250000, 3800000, false}};
  for (const TSample& s : samples) {
    const bool bar = GetRValue(s.c) > 150 && GetBValue(s.c) < 100;
    for (TWindow& w : windows) {
      if (s.pts <= w.from || s.pts >= w.to) continue;
      ++w.seen;
      if (bar != w.bar && w.wrong.empty()) w.wrong = std::to_string(s.pts) + ": " + Show(s.c);
    }
  }
  for (const TWindow& w : windows) {
    EXPECT_GT(w.seen, 5) << w.name;
    EXPECT_EQ("", w.wrong) << w.name;
  }
}

namespace {
// The player's choice of the time one picture stands for, right after Open.
double FrameDelayAfterOpen(TCustomPlayer& player, const std::string& clip, intptr_t host) {
  if (!player.Open(clip, host, true)) {
    ADD_FAILURE() << player.LastErrMsg();
    return -1;
  }
  const double delay = PlaybackFacts(player).frameDelay;
  player.Stop(true);
  return delay;
}
}  // namespace

TEST(PlayerVideo, FrameDelayComesFromTheForcedTheDecodersOrTheContainersRate) {
  UseSoundDriver("dummy");
  const std::string mpeg4 =
      MakeMedia("rate10.avi", "-f lavfi -i testsrc=s=64x48:r=10 -t 1 -pix_fmt yuv420p -c:v mpeg4 -q:v 2");
  // Motion JPEG names no rate of its own: the container's counts.
  const std::string mjpeg =
      MakeMedia("rate10mjpeg.avi", "-f lavfi -i testsrc=s=64x48:r=10 -t 1 -pix_fmt yuvj420p -c:v mjpeg");
  THost host;
  const intptr_t panel = host.Panel();
  struct Case {
    const char* what;
    const std::string& clip;
    const char* forced;
    double delay;
  };
  const Case cases[] = {
      {"decoder", mpeg4, "", 0.1},
      {"container", mjpeg, "", 0.1},
      {"forced", mpeg4, "5", 0.2},
      {"forced ntsc", mjpeg, "ntsc", 1001.0 / 30000},
  };
  for (const Case& c : cases) {
    auto player = NewPlayer("SDL_0.dll");
    player->SetForceFrameRate(c.forced);
    EXPECT_NEAR(FrameDelayAfterOpen(*player, c.clip, panel), c.delay, 1e-9) << c.what;
  }

  // Set before the libraries are there, a rate is tried at the video open;
  // one that does not parse leaves the choice to the stream.
  for (const Case& c : {Case{"early", mpeg4, "5", 0.2}, Case{"early junk", mpeg4, "fast", 0.1}}) {
    auto player = std::make_unique<TVIDavaza>(nullptr);
    player->SetForceFrameRate(c.forced);
    ASSERT_TRUE(player->LoadAVLib(ExeFolder() + "LibAV", false)) << player->LastErrMsg();
    ASSERT_TRUE(player->LoadSDLLib(CopySDL("SDL_0.dll"), "SDL_0.dll")) << player->LastErrMsg();
    EXPECT_NEAR(FrameDelayAfterOpen(*player, c.clip, panel), c.delay, 1e-9) << c.what;
  }
}

// With the pictures or an outside clock as the master, sound that lags is
// caught up by cutting its buffers, by 10 % at most, once the weighted
// average of the differences (each weighing e^-0.1 of the next) reaches
// 2048 samples' time; sound ahead is never lengthened, and only sound 10 s
// or more ahead starts the average again. The playback is opened paused,
// so the clocks read what is set and its own threads leave them alone.
TEST(PlayerVideo, SoundFollowsThePicturesOrAnOutsideClockByCuttingBuffers) {
  UseSoundDriver("dummy");
  const std::string clip = RedSineClip();  // 44.1 kHz mono, 16-bit
  THost host;
  constexpr int kBuffer = 2048 * 2;
  constexpr int kCut = 1843 * 2;  // 90 % of the samples, whole samples
  constexpr double kAudio = 100.0;
  struct Case {
    const char* what;
    Tav_sync_type sync;
    double videoClock;  // the outside clock reads the wall clock: nothing sets it
    int firstCut;       // 1-based call that first cuts; 0: none in 40 calls
  } cases[] = {
      // 0.05 s against a threshold of 2048 / 44100 s: the average reaches it
      // when 1 - e^(-0.1 k) >= 0.9288, at the 27th difference.
      {"pictures 50 ms ahead of the sound", AV_SYNC_VIDEO_MASTER, kAudio + 0.05, 27},
      {"pictures 10 s ahead: corrected after 20 differences", AV_SYNC_VIDEO_MASTER, kAudio + 10, 21},
      {"pictures 50 ms behind: never lengthened", AV_SYNC_VIDEO_MASTER, kAudio - 0.05, 0},
      {"pictures 10 s behind: the average restarts", AV_SYNC_VIDEO_MASTER, kAudio - 10, 0},
      {"outside clock reading the wall clock", AV_SYNC_EXTERNAL_CLOCK, kAudio, 21},
      {"sound is the master", AV_SYNC_AUDIO_MASTER, kAudio + 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto player = NewPlayer("SDL_0.dll");
    player->av_sync_type = c.sync;
    ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
    std::vector<int> sizes;
    ASSERT_TRUE(WaitUntil([&] { return !(sizes = SoundSyncSizes(*player, kAudio, c.videoClock, kBuffer, 40)).empty(); },
                          3000))
        << "the paused playback shows its first picture, with sound";
    int firstCut = 0;
    for (size_t k = 0; k < sizes.size() && !firstCut; ++k)
      if (sizes[k] != kBuffer) firstCut = static_cast<int>(k) + 1;
    EXPECT_EQ(c.firstCut, firstCut);
    if (firstCut) EXPECT_EQ(kCut, sizes[firstCut - 1]);
    player->Stop(true);
  }
}

TEST(PlayerVideo, SeekToTheStartOfAFileWithAStartTimeBacksOffHalfAFrame) {
  // MPEG-TS starts its times at 1.4 s.
  const std::string clip =
      MakeMedia("rate5.ts", "-f lavfi -i testsrc=s=64x48:r=5 -t 2 -pix_fmt yuv420p -c:v mpeg2video -f mpegts");
  THost host;
  auto player = SilentPlayer();
  ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
  const TPlaybackFacts before = PlaybackFacts(*player);
  ASSERT_TRUE(before.playing);
  ASSERT_GT(before.startTime, 0);
  EXPECT_NEAR(before.frameDelay, 0.2, 1e-9);
  player->Seek(int64_t(0), 0, true);
  EXPECT_EQ(PlaybackFacts(*player).seekTarget, before.startTime - 100000);
  player->Stop(true);
}

TEST(PlayerVideo, TheDecoderShowsTheOpenFileWhilePlaying) {
  const std::string clip = RedSineClip();
  THost host;
  auto player = SilentPlayer();
  ASSERT_NE(player->Decoder(), nullptr);
  EXPECT_EQ(player->Decoder()->FileHandle(), nullptr);
  int screenW = -1, screenH = -1;
  player->OnFileOpen = [&](TObject*, const int64_t, int, int, int& w, int& h) {
    screenW = w;
    screenH = h;
  };
  ASSERT_TRUE(player->Open(clip, host.Panel(), true)) << player->LastErrMsg();
  const TPlaybackFacts facts = PlaybackFacts(*player);
  ASSERT_TRUE(facts.playing);
  EXPECT_EQ(player->Decoder()->FileHandle(), facts.input);
  EXPECT_EQ(player->Decoder()->FStreamCount, 2);
  EXPECT_EQ(player->Decoder()->FVideoStreamCount, 1);
  EXPECT_EQ(player->Decoder()->FAudioStreamCount, 1);
  EXPECT_EQ(player->Decoder()->FirstVideoStreamInfo().Width, 320);
  // The handler saw 0 x 0; the playback takes the host's client size.
  EXPECT_EQ(screenW, 0);
  EXPECT_EQ(player->ScreenWidth, kPanelW);
  EXPECT_EQ(player->ScreenHeight, kPanelH);
  player->Stop(true);
  EXPECT_EQ(player->Decoder()->FileHandle(), nullptr);
  EXPECT_EQ(player->Decoder()->FStreamCount, -1);
}

namespace {

TEST(PlayerVideo, TheDisplayAspectTakesTheStreamsSampleAspect) {
  // 720x576 pictures flagged for a 16:9 screen, and the same without a flag.
  const struct {
    const char* name;
    const char* sar;
    double aspect;
  } cases[] = {{"anamorphic.mp4", "64/45", 16.0 / 9}, {"square576.mp4", "1/1", 720.0 / 576}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string clip =
        MakeMedia(c.name, std::string("-f lavfi -i color=c=red:s=720x576:r=10 -t 2 -vf setsar=") + c.sar +
                              " -pix_fmt yuv420p -c:v mpeg4 -q:v 2");
    THost host;
    auto player = SilentPlayer();
    EXPECT_EQ(0.0, player->VideoDisplayAspect());  // nothing open
    ASSERT_TRUE(player->Open(clip, host.Panel(), false)) << player->LastErrMsg();
    ASSERT_TRUE(WaitUntil([&] { return player->VideoStreamIndex() >= 0; }, 5000));
    EXPECT_NEAR(c.aspect, player->VideoDisplayAspect(), 0.001);
    player->Stop(true);
  }
}

}  // namespace
