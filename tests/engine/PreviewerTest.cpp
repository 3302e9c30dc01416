// The preview window: pictures painted from a worker reach the screen with
// their time as the caption, closing the window ends the painting, and a
// conversion with the preview on keeps going after the user closed it.
#include <windows.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "engine/FFmpeg.h"
#include "engine/Fixtures.h"
#include "engine/Previewer.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"

namespace {

std::string Caption(HWND h) {
  char16_t text[64] = {};
  GetWindowTextW(h, reinterpret_cast<LPWSTR>(text), 64);
  return UTF16ToUTF8(text);
}

// What the screen shows at a client point of the window.
COLORREF ScreenPixel(HWND h, int x, int y) {
  HDC dc = GetDC(h);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(h, dc);
  return c;
}

void Fill(TBitmap& b, TColor c) {
  b.Canvas()->Brush()->SetColor(c);
  b.Canvas()->FillRect(TRect{0, 0, b.Width(), b.Height()});
}

// PaintFrame as a task's worker calls it, while the GUI thread serves it.
bool PaintFromWorker(TPreviewer& p, TBitmap* b, int frame, int64_t pts) {
  bool result = false;
  TAnonymousThread worker([&] { result = p.PaintFrame(b, frame, pts); });
  worker.Start();
  worker.WaitFor();
  return result;
}

TEST(PreviewerTest, PicturesFromAWorkerReachTheWindowUntilItIsClosed) {
  int seen = 0;
  Application->OnMessage = [&](MSG& msg, bool&) {
    if (msg.message == WM_APP + 7) ++seen;
  };
  TBitmap red(64, 48, pf24bit), blue(64, 48, pf24bit);
  Fill(red, clRed);
  Fill(blue, clBlue);
  {
    TPreviewer p;
    EXPECT_EQ(p.FormHandle(), nullptr);
    ASSERT_TRUE(PaintFromWorker(p, &red, 1, 83500000));
    HWND h = static_cast<HWND>(p.FormHandle());
    ASSERT_TRUE(IsWindow(h));
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(Caption(h), "00:01:23.500");
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 64);
    EXPECT_EQ(client.bottom, 48);
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    RECT window;
    GetWindowRect(h, &window);
    EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(ScreenPixel(h, 10, 10), RGB(255, 0, 0));

    ASSERT_TRUE(PaintFromWorker(p, &blue, 2, 1000));
    EXPECT_EQ(Caption(h), "00:00:00.001");
    EXPECT_EQ(ScreenPixel(h, 63, 47), RGB(0, 0, 255));

    // While the window is up, other messages still reach the handler the
    // application had.
    PostMessageW(Application->Handle(), WM_APP + 7, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen, 1);

    // The user closes it: nothing is painted any more.
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.Closed());
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(PaintFromWorker(p, &red, 3, 2000000));
    EXPECT_EQ(Caption(h), "00:00:00.001");
    EXPECT_EQ(p.FrameNumber(), 2);
  }
  // Gone with the previewer, and the application has its handler back.
  PostMessageW(Application->Handle(), WM_APP + 7, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 2);
  Application->OnMessage = nullptr;
}

TEST(PreviewerTest, TwoPreviewersTakenDownInAnyOrderKeepTheHandlerChain) {
  int seen = 0;
  Application->OnMessage = [&](MSG& msg, bool&) {
    if (msg.message == WM_APP + 8) ++seen;
  };
  TBitmap b(16, 16, pf24bit);
  auto first = std::make_unique<TPreviewer>();
  auto second = std::make_unique<TPreviewer>();
  ASSERT_TRUE(first->PaintFrame(&b, 1, 0));
  ASSERT_TRUE(second->PaintFrame(&b, 1, 0));
  first.reset();  // not the last one installed
  PostMessageW(Application->Handle(), WM_APP + 8, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 1);
  second.reset();
  PostMessageW(Application->Handle(), WM_APP + 8, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 2);
  Application->OnMessage = nullptr;
}

// A task whose preview window the test can reach.
struct TPreviewTask : TCustomFFmpeg {
  using TCustomFFmpeg::FOutputVideoHook;
};

class PreviewRunTest : public TEngineTest {
protected:
  static void SetUpTestSuite() { FMade = fixtures::EnsureStandard(); }
  static bool FMade;
  TScratchFolder scratch;
};
bool PreviewRunTest::FMade = false;

TEST_F(PreviewRunTest, ClosingThePreviewDuringAConversionLetsItFinish) {
  ASSERT_TRUE(FMade);
  TPreviewTask task;
  const std::string out = scratch.Unix() + "/preview.avi";
  task.ParseOptions("");
  ASSERT_GE(task.OpenInputFile(nullptr, fixtures::WindowsPath("clip_h264_aac.mp4")), 0) << task.LastErrMsg();
  task.ParseOptions("-c:v mpeg4 -an -s 160x90 -t_microsecond 1000000");
  ASSERT_GE(task.OpenOutputFile(FromNativePath(out), false), 0) << task.LastErrMsg();
  task.PreviewInterval = -1;  // every picture
  task.SetPostHooks(PostHook(phPreview));
  int frames = 0;
  HWND window = nullptr;
  std::string caption;
  bool closed = false;
  // The raw output hook runs just before the preview of each picture.
  task.FOnOutputFrameHook = [&](TObject*, void*, AVPixelFormat, int frame, int, int, int64_t) {
    ++frames;
    TPreviewer* p = task.FOutputVideoHook.Previewer.get();
    if (frame == 2 && p) {
      window = static_cast<HWND>(p->FormHandle());
      caption = Caption(window);
    }
    if (frame == 10 && window) {
      SendMessageW(window, WM_CLOSE, 0, 0);
      closed = true;
    }
  };
  int ends = 0;
  task.FOnTerminate = [&](TObject*) { ++ends; };
  TConvertThread* thread = task.StartConvert(true);
  ASSERT_NE(thread, nullptr);
  thread->Start();
  ASSERT_TRUE(PumpUntil([&] { return ends == 1; }, 60000));
  EXPECT_FALSE(task.FatalException()) << task.FatalMessage();
  EXPECT_EQ(frames, 25);
  EXPECT_EQ(caption, "00:00:00.000");  // the first picture's time
  EXPECT_TRUE(closed);
  EXPECT_EQ(task.PostHooks() & PostHook(phPreview), 0u);
  EXPECT_EQ(task.FOutputVideoHook.Previewer, nullptr);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
