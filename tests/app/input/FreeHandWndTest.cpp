// The region picker driven by mouse messages as the system sends them: the
// rectangle whatever the direction of the drag, clicks and flat drags that
// leave it open, the hint's text, and the capture region made from it.
#include "support/gtest.h"

#include <windows.h>

#include <memory>
#include <string>

#include "app/input/FreeHandWnd.h"
#include "framework/Forms.h"
#include "framework/Threads.h"

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

struct TStep {
  UINT msg;
  int x, y;
};

void Play(HWND h, std::initializer_list<TStep> steps) {
  for (const TStep& s : steps) {
    WPARAM keys = 0;
    if (s.msg == WM_LBUTTONDOWN || (s.msg == WM_MOUSEMOVE)) keys = MK_LBUTTON;
    SendMessageW(h, s.msg, keys, At(s.x, s.y));
  }
}

class FreeHandTest : public ::testing::Test {
protected:
  void SetUp() override {
    FreeHandAreaLabel = "Selected Area";
    FreeHandInstruction = "Hold down mouse and draw rectangle";
    picker = std::make_unique<TFreeHandWindow>(nullptr);
    picker->Show();
    PumpMessages();
  }
  void TearDown() override {
    picker.reset();
    FreeHandAreaLabel.clear();
    FreeHandInstruction.clear();
  }
  HWND H() { return picker->Handle(); }
  std::unique_ptr<TFreeHandWindow> picker;
};

}  // namespace

TEST_F(FreeHandTest, TheWindowCoversTheDesktopWithAFrozenPictureAndNoBorder) {
  // A red square on the screen when the picker opens stays in its picture
  // after the square went away.
  picker.reset();
  HWND square = CreateWindowExW(WS_EX_TOPMOST, reinterpret_cast<LPCWSTR>(u"STATIC"), nullptr, WS_POPUP | WS_VISIBLE,
                                500, 400, 60, 60, nullptr, nullptr, nullptr, nullptr);
  HDC sdc = GetDC(square);
  RECT all{0, 0, 60, 60};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HDC screen = GetDC(nullptr);
  for (int i = 0; i < 100 && GetPixel(screen, 530, 430) != RGB(255, 0, 0); ++i) {
    FillRect(sdc, &all, red);
    GdiFlush();
    PumpMessages();
    Sleep(10);
  }
  ASSERT_EQ(RGB(255, 0, 0), GetPixel(screen, 530, 430));
  ReleaseDC(square, sdc);
  DeleteObject(red);
  picker = std::make_unique<TFreeHandWindow>(nullptr);
  picker->Show();
  DestroyWindow(square);
  for (int i = 0; i < 20; ++i) {
    PumpMessages();
    UpdateWindow(H());
    Sleep(10);
  }
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(screen, 530, 430));
  ReleaseDC(nullptr, screen);

  RECT r{};
  GetWindowRect(H(), &r);
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), r.bottom);
  EXPECT_EQ(0, GetWindowLongW(H(), GWL_STYLE) & (WS_BORDER | WS_CAPTION | WS_THICKFRAME));
  EXPECT_FALSE(picker->RegionOK);
}

TEST_F(FreeHandTest, ADragGivesTheRectangleWhateverItsDirection) {
  struct Case {
    const char* what;
    int x1, y1, x2, y2;
    UINT up;
    TFreeHandRegion region;
  } cases[] = {
      {"up and left", 300, 200, 100, 50, WM_LBUTTONUP, {100, 50, 200, 150}},
      {"down and right", 100, 50, 300, 200, WM_LBUTTONUP, {100, 50, 200, 150}},
      {"down and left", 400, 10, 390, 300, WM_LBUTTONUP, {390, 10, 10, 290}},
      // The release ends the drag whatever the button.
      {"ended by the right button", 300, 200, 100, 50, WM_RBUTTONUP, {100, 50, 200, 150}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    picker->ModalResult = mrNone;
    Play(H(), {{WM_LBUTTONDOWN, c.x1, c.y1},
               {WM_MOUSEMOVE, (c.x1 + c.x2) / 2, (c.y1 + c.y2) / 2},
               {WM_MOUSEMOVE, c.x2, c.y2},
               {c.up, c.x2, c.y2}});
    EXPECT_TRUE(picker->PRegion == c.region)
        << picker->PRegion.Left << "," << picker->PRegion.Top << " " << picker->PRegion.Width << "x"
        << picker->PRegion.Height;
    EXPECT_EQ(mrOk, picker->ModalResult);
    EXPECT_TRUE(picker->RegionOK);
    EXPECT_FALSE(picker->SelectRegion1);
    // The crosshairs mark both corners.
    EXPECT_EQ(c.x1, picker->Shape1->Left());
    EXPECT_EQ(c.y1, picker->Shape2->Top());
    EXPECT_EQ(c.x2, picker->Shape3->Left());
    EXPECT_EQ(c.y2, picker->Shape4->Top());
  }
}

TEST_F(FreeHandTest, AClickOrAFlatDragLeavesTheWindowOpen) {
  // A press and release at one point: the start crosshair stays.
  Play(H(), {{WM_LBUTTONDOWN, 120, 80}, {WM_LBUTTONUP, 120, 80}});
  EXPECT_EQ(mrNone, picker->ModalResult);
  EXPECT_FALSE(picker->RegionOK);
  EXPECT_TRUE(picker->Shape1->Visible());
  EXPECT_TRUE(picker->Shape2->Visible());
  EXPECT_FALSE(picker->Shape3->Visible());
  EXPECT_FALSE(picker->Shape4->Visible());
  EXPECT_EQ(120, picker->Shape1->Left());
  // Only sideways: no height, no rectangle.
  Play(H(), {{WM_LBUTTONDOWN, 120, 80}, {WM_MOUSEMOVE, 220, 80}, {WM_LBUTTONUP, 220, 80}});
  EXPECT_EQ(mrNone, picker->ModalResult);
  EXPECT_FALSE(picker->RegionOK);
  EXPECT_EQ(100, picker->PRegion.Width);
  EXPECT_EQ(0, picker->PRegion.Height);
  // The next press starts afresh and can still make one.
  Play(H(), {{WM_LBUTTONDOWN, 10, 10}, {WM_MOUSEMOVE, 74, 74}, {WM_LBUTTONUP, 74, 74}});
  EXPECT_EQ(mrOk, picker->ModalResult);
  EXPECT_TRUE(picker->PRegion == (TFreeHandRegion{10, 10, 64, 64}));
}

TEST_F(FreeHandTest, TheHintGivesThePositionAndTheSizeOnlyWhileBothSidesAreThere) {
  const std::string tail = "\n\r" + std::string(40, '-') + "\n\rHold down mouse and draw rectangle";
  Play(H(), {{WM_MOUSEMOVE, 40, 30}});
  EXPECT_EQ("X: 40 Y: 30" + tail, picker->HintText());
  ASSERT_NE(nullptr, picker->HintWindow());
  EXPECT_TRUE(IsWindowVisible(picker->HintWindow()));
  // Idle, the crosshair follows the pointer.
  EXPECT_EQ(40, picker->Shape1->Left());
  EXPECT_EQ(30, picker->Shape2->Top());
  EXPECT_FALSE(picker->Shape3->Visible());

  Play(H(), {{WM_LBUTTONDOWN, 40, 30}});
  EXPECT_EQ("", picker->HintText()) << "a press clears the hint";
  Play(H(), {{WM_MOUSEMOVE, 140, 30}});
  EXPECT_EQ("X: 140 Y: 30" + tail, picker->HintText());
  Play(H(), {{WM_MOUSEMOVE, 240, 90}});
  EXPECT_EQ("X: 240 Y: 90\n\rSelected Area : 200 x 60" + tail, picker->HintText());
}

TEST(CaptureRegionTest, OddSidesBecomeEvenAndShortOnesSixtyFour) {
  struct Case {
    TFreeHandRegion picked;
    int width, height;
  } cases[] = {
      {{5, 6, 201, 99}, 200, 98},
      {{5, 6, 3, 3}, 64, 64},
      {{5, 6, 1, 1}, 64, 64},
      {{5, 6, 2, 65}, 64, 64},
      {{5, 6, 640, 480}, 640, 480},
  };
  for (const Case& c : cases) {
    const TCaptureRegion r = CaptureRegionFor(c.picked);
    EXPECT_EQ(5, r.Left);
    EXPECT_EQ(6, r.Top);
    EXPECT_EQ(c.width, r.Width) << c.picked.Width;
    EXPECT_EQ(c.height, r.Height) << c.picked.Height;
  }
}

namespace {

// Runs inside the picker's modal loop: drags or closes it by the system.
bool gCloseInstead = false;
void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND h = FindWindowW(reinterpret_cast<LPCWSTR>(u"TFreeHandWindow"), nullptr);
  if (!h || !IsWindowVisible(h)) return;
  KillTimer(nullptr, id);
  if (gCloseInstead) {
    SendMessageW(h, WM_CLOSE, 0, 0);
    return;
  }
  Play(h, {{WM_LBUTTONDOWN, 300, 200}, {WM_MOUSEMOVE, 100, 50}, {WM_LBUTTONUP, 100, 50}});
}

}  // namespace

TEST(CaptureRegionTest, ChoosingPartOfTheScreenTakesThePickedRectangle) {
  ResetCaptureRegion();
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(w, CaptureRegion.Width);
  EXPECT_EQ(h, CaptureRegion.Height);

  gCloseInstead = false;
  SetTimer(nullptr, 0, 20, ScriptTimer);
  ChooseCaptureRegion(1);
  EXPECT_EQ(100, CaptureRegion.Left);
  EXPECT_EQ(50, CaptureRegion.Top);
  EXPECT_EQ(200, CaptureRegion.Width);
  EXPECT_EQ(150, CaptureRegion.Height);
  EXPECT_EQ(nullptr, FindWindowW(reinterpret_cast<LPCWSTR>(u"TFreeHandWindow"), nullptr)) << "the picker is freed";

  // Closed by the system: the region stays; the webcam leaves it alone too.
  gCloseInstead = true;
  SetTimer(nullptr, 0, 20, ScriptTimer);
  ChooseCaptureRegion(1);
  ChooseCaptureRegion(2);
  EXPECT_EQ(200, CaptureRegion.Width);
  EXPECT_EQ(150, CaptureRegion.Height);
  ChooseCaptureRegion(0);
  EXPECT_EQ(0, CaptureRegion.Left);
  EXPECT_EQ(w, CaptureRegion.Width);
  EXPECT_EQ(h, CaptureRegion.Height);
}
