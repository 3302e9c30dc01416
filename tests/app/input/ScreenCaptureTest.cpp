// The screen capture input, opened through the engine's decoder: a window
// with a known pattern is grabbed as the desktop's rectangle, as a window
// handle and by its title; bad parameters are refused with their reasons.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "app/input/ScreenCapture.h"
#include "engine/FFDecode.h"
#include "engine/FFLog.h"
#include "engine/MyUtils.h"
#include "framework/Graphics.h"
#include "framework/Threads.h"
#include "skin/data/SkinData.h"

namespace {

constexpr int kX = 100, kY = 120, kW = 200, kH = 150;

LRESULT CALLBACK PatternProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT left{0, 0, kW / 2, kH}, right{kW / 2, 0, kW, kH};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(dc, &left, red);
    FillRect(dc, &right, green);
    DeleteObject(red);
    DeleteObject(green);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

// Red on the left, green on the right, on top of everything.
struct TPatternWindow {
  HWND h = nullptr;
  TPatternWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PatternProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = reinterpret_cast<LPCWSTR>(u"TessCapturePattern");
    RegisterClassW(&wc);
    h = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, reinterpret_cast<LPCWSTR>(u"Capture pattern"),
                        WS_POPUP | WS_VISIBLE, kX, kY, kW, kH, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(h);
    // The X server maps the window some time after it was created; on a busy
    // machine the first grabs could still see the desktop behind it.
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 250; ++i) {
      PumpMessages();
      if (GetPixel(screen, kX + kW / 4, kY + kH / 2) == RGB(255, 0, 0) &&
          GetPixel(screen, kX + 3 * kW / 4, kY + kH / 2) == RGB(0, 255, 0))
        break;
      Sleep(20);
    }
    ReleaseDC(nullptr, screen);
  }
  ~TPatternWindow() { DestroyWindow(h); }
};

uint32_t Pixel(TBitmap& b, int x, int y) {
  const int bytes = b.BitsPerPixel() / 8;
  const uint8_t* p = b.ScanLine(y) + x * bytes;
  return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

class ScreenCaptureTest : public ::testing::Test {
protected:
  void SetUp() override {
    decoder = std::make_unique<TFFDecoder>(nullptr);
    ASSERT_TRUE(decoder->LoadAVLib(ApplicationFolder() + "LibAV")) << decoder->LastErrMsg();
    RegisterScreenCapture();
  }
  bool Open(const std::string& name, const std::vector<std::pair<std::string, std::string>>& options) {
    for (const auto& o : options) EXPECT_TRUE(decoder->opt_default(o.first, o.second)) << o.first;
    return decoder->LoadFile(name, "screencapture");
  }
  // The next picture, as 24-bit pixels.
  void Grab(TBitmap& bitmap) {
    ASSERT_TRUE(decoder->Decode()) << decoder->LastErrMsg();
    ASSERT_TRUE(decoder->CopyToBitmap(&bitmap)) << decoder->LastErrMsg();
  }
  std::unique_ptr<TFFDecoder> decoder;
};

}  // namespace

TEST_F(ScreenCaptureTest, TheDesktopRectangleAWindowAndATitleGiveThePattern) {
  TPatternWindow pattern;
  const std::string offset = std::to_string(kX) + "," + std::to_string(kY);
  const std::string size = std::to_string(kW) + "x" + std::to_string(kH);
  struct Case {
    const char* what;
    std::string name;
    std::vector<std::pair<std::string, std::string>> options;
  } cases[] = {
      {"desktop rectangle", "desktop",
       {{"video_size", size}, {"capture_offset", offset}, {"framerate", "20"}, {"capture_flags", "0"}}},
      {"window handle", std::to_string(reinterpret_cast<intptr_t>(pattern.h)),
       {{"input_type", "hwnd"}, {"framerate", "20"}, {"capture_flags", "client"}}},
      {"window title", "Capture pattern", {{"input_type", "title"}, {"framerate", "20"}, {"capture_flags", "0"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Open(c.name, c.options)) << decoder->LastErrMsg();
    const TVideoStreamInfo info = decoder->FirstVideoStreamInfo();
    EXPECT_EQ(kW, info.Width);
    EXPECT_EQ(kH, info.Height);
    EXPECT_EQ(20, info.FrameRate.num / std::max(1, info.FrameRate.den));
    TBitmap bitmap;
    for (int frame = 0; frame < 3; ++frame) {
      Grab(bitmap);
      ASSERT_EQ(kW, bitmap.Width());
      EXPECT_EQ(0xFF0000u, Pixel(bitmap, kW / 4, kH / 2));
      EXPECT_EQ(0x00FF00u, Pixel(bitmap, 3 * kW / 4, kH / 2));
    }
    decoder->CloseFile();
  }
}

TEST_F(ScreenCaptureTest, TheFlashingFrameLiesJustOutsideTheCaptureAndGoesWithIt) {
  TPatternWindow pattern;
  ASSERT_TRUE(Open("desktop", {{"video_size", "200x150"},
                               {"capture_offset", std::to_string(kX) + "," + std::to_string(kY)},
                               {"framerate", "20"},
                               {"capture_flags", "showframe"}}))
      << decoder->LastErrMsg();
  HWND frame = FindWindowW(reinterpret_cast<LPCWSTR>(u"TessCaptureFrame"), nullptr);
  ASSERT_NE(nullptr, frame);
  RECT r{};
  GetWindowRect(frame, &r);
  EXPECT_EQ(kX - 2, r.left);
  EXPECT_EQ(kY - 2, r.top);
  EXPECT_EQ(kW + 4, r.right - r.left);
  EXPECT_EQ(kH + 4, r.bottom - r.top);
  // A ring: the border belongs to the window, the inside does not.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(frame, rgn));
  EXPECT_TRUE(PtInRegion(rgn, 1, 1));
  EXPECT_TRUE(PtInRegion(rgn, kW + 3, kH + 3));
  EXPECT_FALSE(PtInRegion(rgn, 2, 2));
  EXPECT_FALSE(PtInRegion(rgn, kW / 2, kH / 2));
  DeleteObject(rgn);
  EXPECT_TRUE(GetWindowLongW(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongW(frame, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  // The frame is never part of the picture.
  TBitmap bitmap;
  Grab(bitmap);
  EXPECT_EQ(0xFF0000u, Pixel(bitmap, 0, 0));
  EXPECT_EQ(0x00FF00u, Pixel(bitmap, kW - 1, kH - 1));
  // A skin change reaches the frame although the desktop owns it, and the
  // frame paints its whole ring again.
  {
    ValidateRect(frame, nullptr);
    TspSkinData skin(nullptr);
    skin.LoadFromFile(IncludeTrailingPathDelimiter(FromNativePath(TESS_FULL_SKIN_DIR)) + "skin.ini");
    ASSERT_FALSE(skin.Empty);
    RECT dirty{};
    EXPECT_TRUE(GetUpdateRect(frame, &dirty, FALSE));
    EXPECT_EQ(kW + 4, dirty.right - dirty.left);
    EXPECT_EQ(kH + 4, dirty.bottom - dirty.top);
  }
  decoder->CloseFile();
  for (int i = 0; i < 100 && IsWindow(frame); ++i) WaitForHandles(nullptr, 0, false, 10);
  EXPECT_FALSE(IsWindow(frame));
}

TEST_F(ScreenCaptureTest, BadParametersAreRefusedWithTheirReasons) {
  std::vector<std::string> lines;
  TZIVoveva* logger = GlobalLogger();
  const TLogEvent before = logger->OnLog;
  logger->OnLog = [&](TObject*, unsigned long, TLogLevel level, const std::string& text) {
    if (level <= llError) lines.push_back(text);
  };
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> options;
    std::string line;
  } cases[] = {
      {"desktop", {{"input_type", "screen"}}, "Invalid capture input type: \"screen\", it should be hwnd, title or desktop"},
      {"12ab", {{"input_type", "hwnd"}}, "Invalid capture parameter: \"12ab\", it should be a window handle"},
      {"No such window here", {{"input_type", "title"}}, "Could not find window: \"No such window here\""},
      {"desktop", {{"framerate", "fast"}}, "Could not parse framerate \"fast\"."},
      {"desktop", {{"video_size", "wide"}}, "Couldn't parse video size."},
      {"desktop", {{"capture_offset", "10;10"}}, "Couldn't parse capture-offset."},
      {"desktop", {{"capture_offset", "5000,5000"}}, "Invalid properties, aborting"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    lines.clear();
    EXPECT_FALSE(Open(c.name, c.options));
    EXPECT_TRUE(LoggedLineEnding(lines, c.line)) << (lines.empty() ? "" : lines[0]);
    EXPECT_EQ(nullptr, FindWindowW(reinterpret_cast<LPCWSTR>(u"TessCaptureFrame"), nullptr));
    decoder = std::make_unique<TFFDecoder>(nullptr);
    ASSERT_TRUE(decoder->LoadAVLib(ApplicationFolder() + "LibAV"));
  }
  logger->OnLog = before;
}

TEST_F(ScreenCaptureTest, ThePointerIsDrawnIntoTheFramesWhenAsked) {
  TPatternWindow pattern;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  SetCursorPos(kX + 20, kY + 20);
  WaitForHandles(nullptr, 0, false, 50);
  auto markedPixels = [&](const char* flags) {
    EXPECT_TRUE(Open("desktop", {{"video_size", "200x150"},
                                 {"capture_offset", std::to_string(kX) + "," + std::to_string(kY)},
                                 {"framerate", "20"},
                                 {"capture_flags", flags}}))
        << decoder->LastErrMsg();
    TBitmap bitmap;
    Grab(bitmap);
    decoder->CloseFile();
    int n = 0;
    for (int y = 15; y < 50; ++y)
      for (int x = 15; x < 50; ++x)
        if (Pixel(bitmap, x, y) != 0xFF0000u) ++n;
    return n;
  };
  EXPECT_EQ(0, markedPixels("0"));
  EXPECT_GT(markedPixels("cursor"), 20) << "the arrow covers part of the red half";
}
