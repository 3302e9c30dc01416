// The skinned form component on real windows: non-client size, hit tests,
// window shape, window states, frame painting, the skin-change messages and
// the caption buttons, all driven by messages sent to the form.
#include "support/gtest.h"

#include <windows.h>

#include <stdexcept>

#include <string>
#include <vector>

#include "FrameTestSkin.h"
#include "framework/Forms.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "support/Dib.h"

using namespace frametest;

namespace {

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

bool InRegion(HWND h, int x, int y) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(h, rgn);
  const bool in = kind != ERROR && PtInRegion(rgn, x, y);
  DeleteObject(rgn);
  return in;
}

RECT RegionBox(HWND h) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  RECT box{0, 0, 0, 0};
  if (GetWindowRgn(h, rgn) != ERROR) GetRgnBox(rgn, &box);
  DeleteObject(rgn);
  return box;
}

RECT NcCalc(HWND h, RECT window) {
  RECT r = window;
  SendMessageW(h, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Str(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

RECT WorkArea() {
  RECT r;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Non-client size and hit tests

TEST(FrameWindow, NonClientSizeComesFromTheSkinOrTheDefaultFrame) {
  FrameSkin skin;
  Frame skinned(&skin.data);
  Frame plain(nullptr);
  Frame tool(nullptr, 100, 100, 300, 200, bsToolWindow);
  const RECT window{100, 100, 400, 300};
  // Skin: client rectangle (5, 30, 95, 55) of a 100 x 60 picture.
  EXPECT_TRUE(Same(NcCalc(skinned.h(), window), RECT{105, 130, 395, 295})) << Str(NcCalc(skinned.h(), window));
  // Default frame: 3-pixel borders and a 19-pixel caption (15 for tool windows).
  EXPECT_TRUE(Same(NcCalc(plain.h(), window), RECT{103, 122, 397, 297})) << Str(NcCalc(plain.h(), window));
  EXPECT_TRUE(Same(NcCalc(tool.h(), window), RECT{103, 118, 397, 297})) << Str(NcCalc(tool.h(), window));
  // A window too small for the frame gets an empty client area, never a negative one.
  const RECT tiny = NcCalc(skinned.h(), RECT{0, 0, 6, 20});
  EXPECT_EQ(tiny.right, tiny.left);
  EXPECT_EQ(tiny.bottom, tiny.top);
  RECT client;
  GetClientRect(skinned.h(), &client);
  EXPECT_EQ(client.right, 290);
  EXPECT_EQ(client.bottom, 165);
}

TEST(FrameWindow, HitTestsOfTheSkinnedFrame) {
  FrameSkin skin;
  Frame f(&skin.data);
  // 300 x 200: client (5, 30, 295, 195), sure-inside area (3, 3, 297, 197),
  // sizing corners (10, 10), (290, 10), (10, 190), (290, 190); caption
  // object (10, 5, 229, 25); close button (280, 5, 295, 20).
  struct Case {
    int x, y, want;
    const char* what;
  } cases[] = {
      {150, 100, HTCLIENT, "client"},
      {100, 15, HTCAPTION, "caption"},
      {287, 12, HTOBJECT, "close button"},
      {150, 1, HTTOP, "top edge"},
      {150, 198, HTBOTTOM, "bottom edge"},
      {1, 100, HTLEFT, "left edge"},
      {298, 100, HTRIGHT, "right edge"},
      {3, 1, HTTOPLEFT, "top-left"},
      {296, 1, HTTOPRIGHT, "top-right"},
      {1, 198, HTBOTTOMLEFT, "bottom-left"},
      {298, 198, HTBOTTOMRIGHT, "bottom-right"},
      {0, 0, HTTOPLEFT, "cut corner, outside the shape"},
      {4, 100, HTOBJECT, "border inside the shape, away from the edge"},
      {150, 27, HTOBJECT, "caption band below the caption"},
  };
  for (const Case& c : cases) EXPECT_EQ(f.Hit(c.x, c.y), c.want) << c.what;
}

TEST(FrameWindow, MaximizedAndRolledUpFramesHaveNoSizingEdges) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.sf->SetWindowState(wsMaximized);
  const RECT b = f.Bounds();
  const int w = b.right - b.left, h = b.bottom - b.top;
  EXPECT_EQ(f.Hit(1, h / 2), HTOBJECT);
  EXPECT_EQ(f.Hit(w / 2, 1), HTOBJECT);
  EXPECT_EQ(f.Hit(w - 1, h - 1), HTOBJECT);
  EXPECT_EQ(f.Hit(100, 15), HTCAPTION);
  EXPECT_EQ(f.Hit(w / 2, h / 2), HTCLIENT);
  f.sf->SetWindowState(wsNormal);
  f.sf->SetRollUpState(true);
  EXPECT_EQ(f.Hit(100, 15), HTCAPTION);
  EXPECT_EQ(f.Hit(1, 20), HTOBJECT);
  EXPECT_EQ(f.Hit(150, 1), HTOBJECT);
}

TEST(FrameWindow, HitTestsOfTheDefaultFrame) {
  Frame f(nullptr);
  SendMessageW(f.h(), WM_NCPAINT, 0, 0);  // the first paint makes the default buttons
  ASSERT_EQ(f.sf->ObjectList.size(), 6u);
  // Caption (20, 3, 229, 19): the system-menu button on the left, close,
  // maximize, minimize and roll-up (17 x 17) from the right.
  struct Case {
    int x, y, want;
  } cases[] = {{150, 100, HTCLIENT}, {150, 10, HTCAPTION}, {288, 10, HTOBJECT}, {10, 10, HTOBJECT},
               {1, 100, HTLEFT},     {298, 100, HTRIGHT},  {150, 1, HTTOP},     {150, 198, HTBOTTOM},
               {1, 1, HTTOPLEFT},    {298, 1, HTTOPRIGHT}, {1, 198, HTBOTTOMLEFT}, {298, 198, HTBOTTOMRIGHT}};
  for (const Case& c : cases) EXPECT_EQ(f.Hit(c.x, c.y), c.want) << c.x << "," << c.y;
  f.sf->Sizeable = false;
  EXPECT_EQ(f.Hit(1, 100), HTOBJECT);
  EXPECT_EQ(f.Hit(150, 10), HTCAPTION);
}

// ---------------------------------------------------------------------------
// Window shape

TEST(FrameWindow, RegionFollowsTheMaskAfterResizing) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.form->SetBounds(100, 100, 400, 250);
  const HWND h = f.h();
  struct Place {
    int x, y;
    bool in;
  };
  for (const Place& p : {Place{0, 0, false}, {2, 2, false}, {3, 0, true}, {396, 0, true}, {397, 0, false},
                         {399, 2, false}, {0, 3, true}, {0, 249, true}, {399, 249, true},
                         {200, 125, true},  // the sure-inside area
                         {400, 125, false}})
    EXPECT_EQ(p.in, InRegion(h, p.x, p.y)) << p.x << "," << p.y;
  EXPECT_TRUE(Same(RegionBox(h), RECT{0, 0, 400, 250})) << Str(RegionBox(h));
  // The mask stripes answer the same as the region, up to their edges.
  for (TPoint p : {TPoint{0, 0}, TPoint{2, 2}, TPoint{3, 0}, TPoint{1, 3}, TPoint{0, 248}, TPoint{398, 100}})
    EXPECT_EQ(f.sf->PointInSkinMask(p), InRegion(h, p.X, p.Y)) << p.X << "," << p.Y;
}

TEST(FrameWindow, ShapesWithoutAMaskOrASkinAreRectangles) {
  FrameSkin noMask(false);
  Frame f(&noMask.data);
  EXPECT_TRUE(InRegion(f.h(), 0, 0));
  EXPECT_TRUE(Same(RegionBox(f.h()), RECT{0, 0, 300, 200}));
  FrameSkin skin;
  EmptySkin empty;
  Frame g(&skin.data);
  EXPECT_FALSE(InRegion(g.h(), 0, 0));
  EXPECT_TRUE(InRegion(g.h(), 3, 0)) << "a window made after the skin was given is shaped too";
  g.sf->SetSkinData(&empty.data);
  EXPECT_TRUE(InRegion(g.h(), 0, 0));
  EXPECT_TRUE(Same(RegionBox(g.h()), RECT{0, 0, 300, 200})) << Str(RegionBox(g.h()));
  for (auto& o : g.sf->ObjectList) {
    auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get());
    EXPECT_TRUE(b && !b->FSkinSupport) << "an object of the old skin survived: " << o->IDName;
  }
}

// ---------------------------------------------------------------------------
// Window states

TEST(FrameWindow, MaximizeRestoreAndRollUp) {
  FrameSkin skin;
  Frame f(&skin.data);
  const RECT before = f.Bounds();
  f.sf->SetWindowState(wsMaximized);
  const RECT work = WorkArea();
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  RECT want = work;
  if (work.left == 0 && work.top == 0 && work.right == sw && work.bottom == sh)
    want = RECT{1, 1, sw - 1, sh - 1};  // a hidden taskbar stays reachable
  EXPECT_TRUE(Same(f.Bounds(), want)) << Str(f.Bounds());
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
  f.sf->SetWindowState(wsNormal);
  EXPECT_TRUE(Same(f.Bounds(), before)) << Str(f.Bounds());

  // Roll-up keeps the caption and borders: 60 - 25 = 35 pixels.
  f.sf->SetRollUpState(true);
  EXPECT_EQ(f.Bounds().bottom - f.Bounds().top, 35);
  EXPECT_EQ(f.sf->RealHeight(), 200);
  f.sf->SetRollUpState(false);
  EXPECT_EQ(f.Bounds().bottom - f.Bounds().top, 200);

  // Without the roll-up button the request is ignored.
  f.sf->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  f.sf->SetRollUpState(true);
  EXPECT_FALSE(f.sf->RollUpState());
}

TEST(FrameWindow, CaptionDoubleClickMaximizesOrRollsUp) {
  FrameSkin skin;
  Frame f(&skin.data);
  SendMessageW(f.h(), WM_NCLBUTTONDBLCLK, HTCAPTION, f.ScreenPoint(100, 15));
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
  SendMessageW(f.h(), WM_NCLBUTTONDBLCLK, HTCAPTION, f.ScreenPoint(100, 15));
  EXPECT_EQ(f.sf->WindowState(), wsNormal);
  EXPECT_EQ(f.Bounds().bottom - f.Bounds().top, 200);

  Frame fixed(&skin.data);
  fixed.sf->Sizeable = false;
  SendMessageW(fixed.h(), WM_NCLBUTTONDBLCLK, HTCAPTION, fixed.ScreenPoint(100, 15));
  EXPECT_TRUE(fixed.sf->RollUpState());
  EXPECT_EQ(fixed.Bounds().bottom - fixed.Bounds().top, 35);
  SendMessageW(fixed.h(), WM_NCLBUTTONDBLCLK, HTCAPTION, fixed.ScreenPoint(100, 15));
  EXPECT_FALSE(fixed.sf->RollUpState());
  EXPECT_EQ(fixed.Bounds().bottom - fixed.Bounds().top, 200);
}

TEST(FrameWindow, MinimizedFormsLineUpAtTheBottomLeft) {
  FrameSkin skin;
  Frame a(&skin.data, 200, 200), b(&skin.data, 250, 250);
  a.form->Show();
  b.form->Show();
  RECT area;
  TRect work;
  GetMonitorArea(a.h(), true, work);
  area = RECT{work.Left, work.Top, work.Right, work.Bottom};
  a.sf->SetWindowState(wsMinimized);
  b.sf->SetWindowState(wsMinimized);
  // Minimized: 100 x 35 (picture width, caption and borders).
  EXPECT_TRUE(Same(a.Bounds(), RECT{area.left, area.bottom - 35, area.left + 100, area.bottom})) << Str(a.Bounds());
  EXPECT_TRUE(Same(b.Bounds(), RECT{area.left + 100, area.bottom - 35, area.left + 200, area.bottom}))
      << Str(b.Bounds());
  b.sf->SetWindowState(wsNormal);
  EXPECT_TRUE(Same(b.Bounds(), RECT{250, 250, 550, 450})) << Str(b.Bounds());
  a.form->Hide();
  b.form->Hide();
}

TEST(FrameWindow, MinimizingTheMainFormMinimizesTheApplication) {
  FrameSkin skin;
  TForm* main = nullptr;
  ASSERT_EQ(Application->MainForm(), nullptr);
  Application->CreateForm(main);
  main->SetBounds(100, 100, 300, 200);
  auto* sf = new TspDynamicSkinForm(main);
  sf->SetSkinData(&skin.data);
  int minimized = 0;
  sf->OnMinimize = [&](TObject*) { ++minimized; };
  sf->SetWindowState(wsMinimized);
  EXPECT_TRUE(Application->Minimized());
  EXPECT_EQ(minimized, 1);
  // The form keeps its own bounds: the application hides it.
  RECT r;
  GetWindowRect(main->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 300);
  Application->Restore();
  EXPECT_FALSE(Application->Minimized());
  delete main;
}

// ---------------------------------------------------------------------------
// Painting into a device context (message 48203)

TEST(FramePainting, SkinnedFrameIsPaintedIntoTheCallersDC) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.Activate(true);
  Dib dib(300, 200);
  ASSERT_EQ(SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), SP_PAINTFRAMEKEY),
            SP_PAINTFRAMEKEY);
  EXPECT_EQ(dib.At(150, 28), C(kTop));
  EXPECT_EQ(dib.At(2, 100), C(kLeft));
  EXPECT_EQ(dib.At(297, 100), C(kRight));
  EXPECT_EQ(dib.At(150, 198), C(kBottom));
  EXPECT_EQ(dib.At(287, 12), C(kCloseNormal));
  EXPECT_EQ(dib.At(270, 12), C(kMaxNormal));
  EXPECT_EQ(dib.At(253, 12), C(kMinNormal));
  EXPECT_EQ(dib.At(236, 12), C(kRollNormal));
  EXPECT_EQ(dib.At(150, 100), RGB(0x12, 0x34, 0x56)) << "the client area is clipped out";

  // The maximize button shows its restore look while the window is maximized.
  f.sf->SetWindowState(wsMaximized);
  const RECT b = f.Bounds();
  Dib big(b.right - b.left, b.bottom - b.top);
  SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(big.dc), SP_PAINTFRAMEKEY);
  const int w = b.right - b.left;
  EXPECT_EQ(big.At(w - 25, 12), C(kMaxRestore));
}

TEST(FramePainting, OnlyTheFrameKeyPaints) {
  FrameSkin skin;
  Frame f(&skin.data);
  Dib dib(300, 200);
  EXPECT_NE(SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), 1), SP_PAINTFRAMEKEY);
  EXPECT_EQ(dib.At(150, 28), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(SendMessageW(f.h(), SP_PAINTFRAMETODC, 0, SP_PAINTFRAMEKEY), SP_PAINTFRAMEKEY);
  EXPECT_EQ(SendMessageW(f.h(), SP_PAINTCOPY, reinterpret_cast<WPARAM>(dib.dc), 0), 12851);
  EXPECT_EQ(SendMessageW(f.h(), SP_FRAMEQUERY, 0, 0), 12853);
}

TEST(FramePainting, InactiveLooks) {
  FrameSkin skin;
  skin.data.AutoRenderingInActiveImage = true;
  skin.data.InActiveEffect = ieGrayScale;
  Frame f(&skin.data);
  f.Activate(false);
  Dib dib(300, 200);
  SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), SP_PAINTFRAMEKEY);
  for (TPoint p : {TPoint{150, 28}, TPoint{2, 100}, TPoint{297, 100}, TPoint{150, 198}}) {
    const COLORREF c = dib.At(p.X, p.Y);
    EXPECT_TRUE(Dib::Near(c, RGB(GetRValue(c), GetRValue(c), GetRValue(c)))) << "not grey at " << p.X << "," << p.Y;
  }
  const COLORREF top = C(kTop);
  const int grey = int(0.3 * GetRValue(top) + 0.59 * GetGValue(top) + 0.11 * GetBValue(top) + 0.5);
  EXPECT_TRUE(Dib::Near(dib.At(150, 28), RGB(grey, grey, grey), 2));

  // An inactive picture without automatic rendering is painted as it is.
  FrameSkin withInactive(true, true);
  Frame g(&withInactive.data);
  g.Activate(false);
  Dib dib2(300, 200);
  SendMessageW(g.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib2.dc), SP_PAINTFRAMEKEY);
  EXPECT_EQ(dib2.At(150, 28), C(kInactiveTop));
  g.Activate(true);
  SendMessageW(g.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib2.dc), SP_PAINTFRAMEKEY);
  EXPECT_EQ(dib2.At(150, 28), C(kTop));
}

TEST(FramePainting, DefaultFrameCaptionStripes) {
  struct Case {
    TFormBorderStyle style;
    int stripes;
  } cases[] = {{bsSizeable, 14}, {bsToolWindow, 10}};
  for (const Case& c : cases) {
    Frame f(nullptr, 100, 100, 300, 200, c.style);
    f.form->SetCaption("");
    Dib dib(300, 200);
    SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), SP_PAINTFRAMEKEY);
    const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW),
                   face = GetSysColor(COLOR_BTNFACE);
    // Column 100 of the window: the caption bitmap starts at row 3, the
    // stripes at its row 2.
    int count = 0;
    for (int y = 5; y < 5 + c.stripes; ++y) {
      EXPECT_EQ(dib.At(100, y), (y - 5) % 2 == 0 ? hi : sh) << "row " << y;
      ++count;
    }
    EXPECT_EQ(dib.At(100, 5 + c.stripes), face);
    EXPECT_EQ(count, c.stripes);
    // The outer ring of the default frame.
    EXPECT_EQ(dib.At(0, 100), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(dib.At(299, 100), GetSysColor(COLOR_3DDKSHADOW));
  }
}

// ---------------------------------------------------------------------------
// Skin-change messages

TEST(FrameSkinChange, BroadcastRebuildsTheObjectsAndKeepsTheBounds) {
  FrameSkin skin, other;
  Frame f(&skin.data);
  const RECT before = f.Bounds();
  ASSERT_EQ(f.sf->ObjectList.size(), 5u);  // caption and four buttons; menu records make none
  const TspActiveSkinObject* first = f.sf->ObjectList[0].get();

  // A change of another skin data component leaves the frame alone.
  for (UINT m : {WM_BEFORECHANGESKINDATA, WM_CHANGESKINDATA, WM_AFTERCHANGESKINDATA})
    SendMessageW(f.h(), m, reinterpret_cast<WPARAM>(&other.data), 1000);
  ASSERT_EQ(f.sf->ObjectList.size(), 5u);
  EXPECT_EQ(f.sf->ObjectList[0].get(), first);

  SendMessageW(f.h(), WM_BEFORECHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  EXPECT_TRUE(f.sf->ObjectList.empty());
  EXPECT_TRUE(f.sf->FStopPainting);
  SendMessageW(f.h(), WM_CHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  SendMessageW(f.h(), WM_AFTERCHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  EXPECT_FALSE(f.sf->FStopPainting);
  EXPECT_EQ(f.sf->ObjectList.size(), 5u);
  EXPECT_TRUE(Same(f.Bounds(), before)) << Str(f.Bounds());
  EXPECT_FALSE(InRegion(f.h(), 0, 0));
}

TEST(FrameSkinChange, MouseBetweenTheChangeMessagesFindsNoObject) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.Activate(true);
  SendMessageW(f.h(), WM_NCLBUTTONDOWN, HTOBJECT, f.ScreenPoint(287, 12));
  ASSERT_NE(f.sf->MouseCaptureObject, -1);
  SendMessageW(f.h(), WM_BEFORECHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  EXPECT_EQ(f.sf->MouseCaptureObject, -1);
  EXPECT_EQ(f.sf->ActiveObject, -1);
  // Neither of these may reach a freed object.
  SendMessageW(f.h(), WM_LBUTTONUP, 0, 0);
  SendMessageW(f.h(), WM_NCLBUTTONDOWN, HTOBJECT, f.ScreenPoint(287, 12));
  SendMessageW(f.h(), WM_NCMOUSEMOVE, HTOBJECT, f.ScreenPoint(270, 12));
  SendMessageW(f.h(), WM_NCLBUTTONUP, HTOBJECT, f.ScreenPoint(270, 12));
  SendMessageW(f.h(), WM_CHANGESKINDATA, reinterpret_cast<WPARAM>(&skin.data), 1000);
  EXPECT_EQ(f.sf->ObjectList.size(), 5u);
}

TEST(FrameSkinChange, AFailingReleaseHandlerIsDroppedAndTheFrameGoesOn) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.Activate(true);
  int reported = 0, releases = 0;
  const TExceptionEvent before = Application->OnException;
  Application->OnException = [&](TObject*, const std::string&) { ++reported; };
  f.sf->OnMouseUpEvent = [&](const std::string&, int, int, const TRect&, TMouseButton) {
    ++releases;
    throw std::runtime_error("release handler failed");
  };
  f.sf->MouseCaptureObject = f.IndexOf("caption");
  SendMessageW(f.h(), WM_NCLBUTTONUP, HTCAPTION, f.ScreenPoint(40, 12));
  Application->OnException = before;
  EXPECT_EQ(releases, 1);
  EXPECT_EQ(reported, 0) << "the failure is dropped, not reported";
  EXPECT_EQ(SendMessageW(f.h(), WM_NCHITTEST, 0, f.ScreenPoint(40, 12)), HTCAPTION);
}

// ---------------------------------------------------------------------------
// Caption buttons

TEST(FrameButtons, CloseButtonClosesOnlyWhenReleasedOnIt) {
  FrameSkin skin;
  Frame f(&skin.data);
  int closes = 0;
  f.form->OnClose = [&](TObject*, TCloseAction& a) {
    ++closes;
    a = caNone;
  };
  f.Activate(true);
  TspSkinStdButtonObject* close = f.Button("closebutton");
  ASSERT_NE(close, nullptr);

  SendMessageW(f.h(), WM_NCLBUTTONDOWN, HTOBJECT, f.ScreenPoint(287, 12));
  EXPECT_TRUE(close->Down());
  EXPECT_EQ(f.sf->MouseCaptureObject, f.IndexOf("closebutton"));
  EXPECT_EQ(GetCapture(), f.h());
  SendMessageW(f.h(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(close->Down());
  EXPECT_EQ(f.sf->MouseCaptureObject, -1);

  // Pressed, then the mouse leaves it (the hover tracker sees the caption),
  // then released: the button comes up and nothing closes.
  SendMessageW(f.h(), WM_NCLBUTTONDOWN, HTOBJECT, f.ScreenPoint(287, 12));
  ASSERT_TRUE(close->Down());
  f.sf->TestActive(100, 15, true);
  EXPECT_FALSE(close->Active);
  EXPECT_EQ(f.sf->ActiveObject, -1) << "no other object activates while the button holds the mouse";
  SendMessageW(f.h(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(close->Down());
}

TEST(FrameButtons, MaximizeAndRollUpButtonsChangeTheState) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.Activate(true);
  auto click = [&](int x, int y) {
    SendMessageW(f.h(), WM_NCLBUTTONDOWN, HTOBJECT, f.ScreenPoint(x, y));
    SendMessageW(f.h(), WM_LBUTTONUP, 0, 0);
  };
  click(270, 12);
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
  const RECT m = f.Bounds();
  click(m.right - m.left - 30 + 7, 12);  // the maximize button at the new width
  EXPECT_EQ(f.sf->WindowState(), wsNormal);
  click(236, 12);
  EXPECT_TRUE(f.sf->RollUpState());
}

TEST(FrameButtons, CaptionButtonsFollowTheBorderIcons) {
  FrameSkin skin;
  Frame f(&skin.data);
  f.sf->SetBorderIcons(biSystemMenu);
  EXPECT_FALSE(f.Button("maxbutton")->Visible);
  EXPECT_FALSE(f.Button("minbutton")->Visible);
  EXPECT_FALSE(f.Button("rollupbutton")->Visible);
  EXPECT_TRUE(f.Button("closebutton")->Visible);
  // The visible buttons close up from the right.
  EXPECT_EQ(f.Hit(270, 12), HTCAPTION);
  // A skin without resource strings gives the built-in hints.
  EXPECT_EQ(f.Button("closebutton")->Hint, "Close");
  EXPECT_EQ(f.Button("maxbutton")->RestoreHint, "Restore");
}

// ---------------------------------------------------------------------------
// The program's own skin

TEST(FrameProgramSkin, CaptionButtonsAndEdgesOfTheShippedSkin) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  Frame f(&skin, 100, 100, 500, 400);
  f.Activate(true);
  SendMessageW(f.h(), WM_NCPAINT, 0, 0);
  // The caption buttons land on the glyphs of the window picture: the
  // picture's right part (200..300) stays at the right end.
  TspSkinStdButtonObject* close = f.Button("closebutton");
  ASSERT_NE(close, nullptr);
  EXPECT_TRUE(close->ObjectRect == (TRect{468, 4, 496, 26})) << close->ObjectRect.Left;
  EXPECT_EQ(f.Hit(482, 15), HTOBJECT);
  EXPECT_EQ(f.Hit(250, 15), HTCAPTION);
  EXPECT_EQ(f.Hit(250, 200), HTCLIENT);
  EXPECT_EQ(f.Hit(1, 200), HTLEFT);
  EXPECT_EQ(f.Hit(498, 398), HTBOTTOMRIGHT);
  EXPECT_EQ(f.Hit(250, 1), HTTOP);
}

// ---------------------------------------------------------------------------
// More of the window hook

TEST(FrameWindow, TrackingSizesComeFromTheFrame) {
  FrameSkin skin;
  Frame f(&skin.data);
  MINMAXINFO info{};
  SendMessageW(f.h(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 100);
  EXPECT_EQ(info.ptMinTrackSize.y, 35);
  const RECT work = WorkArea();
  EXPECT_EQ(info.ptMaxTrackSize.x, work.right - work.left);
  EXPECT_EQ(info.ptMaxTrackSize.y, work.bottom - work.top);
}

TEST(FrameWindow, UnskinnedFrameGivesTheSystemFrameBack) {
  FrameSkin skin;
  Frame f(&skin.data);
  ASSERT_FALSE(InRegion(f.h(), 0, 0));
  f.sf->SetSkinnableForm(false);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(f.h(), rgn), ERROR) << "no window region";
  DeleteObject(rgn);
  EXPECT_EQ(f.form->BorderIcons(), TBorderIcons(biSystemMenu | biMinimize | biMaximize));
  EXPECT_EQ(SendMessageW(f.h(), SP_FRAMEQUERY, 0, 0), IsWindowsVistaOrLater() ? 12852 : 12853);
  RECT client;
  GetClientRect(f.h(), &client);
  EXPECT_NE(client.bottom, 165) << "the system's frame, not the skin's";
  f.sf->SetSkinnableForm(true);
  GetClientRect(f.h(), &client);
  EXPECT_EQ(client.bottom, 165);
  EXPECT_FALSE(InRegion(f.h(), 0, 0));
}

TEST(FrameWindow, MinimizedFormsStartANewRowWhenOneIsFull) {
  TspDynamicSkinForm::MonitorAreaOverride = [](HWND, bool, TRect& r) { r = TRect{0, 0, 250, 800}; };
  FrameSkin skin;
  Frame a(&skin.data), b(&skin.data), c(&skin.data);
  for (Frame* f : {&a, &b, &c}) {
    f->form->Show();
    f->sf->SetWindowState(wsMinimized);
  }
  EXPECT_TRUE(Same(a.Bounds(), RECT{0, 765, 100, 800})) << Str(a.Bounds());
  EXPECT_TRUE(Same(b.Bounds(), RECT{100, 765, 200, 800})) << Str(b.Bounds());
  EXPECT_TRUE(Same(c.Bounds(), RECT{0, 730, 100, 765})) << Str(c.Bounds());
  for (Frame* f : {&a, &b, &c}) f->form->Hide();
  TspDynamicSkinForm::MonitorAreaOverride = nullptr;
}

TEST(FramePainting, CaptionPaintHandlerReplacesTheText) {
  Frame f(nullptr);
  f.Activate(true);
  int calls = 0;
  TRect got;
  bool active = false;
  f.sf->OnCaptionPaint = [&](TCanvas*, const TRect& r, bool a) {
    ++calls;
    got = r;
    active = a;
  };
  Dib dib(300, 200);
  SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), SP_PAINTFRAMEKEY);
  EXPECT_EQ(calls, 1);
  // Between the system-menu button (3..20) and the roll-up button (229..).
  EXPECT_TRUE(got == (TRect{17, 0, 226, 19})) << got.Left << "," << got.Right;
  EXPECT_TRUE(active);
}

TEST(FrameButtons, DefaultButtonLooksFollowTheMouse) {
  Frame f(nullptr);
  f.Activate(true);
  SendMessageW(f.h(), WM_NCPAINT, 0, 0);
  TspSkinStdButtonObject* close = f.Button("closebutton");
  ASSERT_NE(close, nullptr);
  // The close button sits at (280, 4, 297, 21); (282, 6) is face, (280, 4) its frame.
  auto paint = [&](Dib& dib) {
    SendMessageW(f.h(), SP_PAINTFRAMETODC, reinterpret_cast<WPARAM>(dib.dc), SP_PAINTFRAMEKEY);
  };
  Dib normal(300, 200);
  paint(normal);
  EXPECT_EQ(normal.At(282, 6), GetSysColor(COLOR_BTNFACE));
  f.sf->TestActive(288, 12, true);
  ASSERT_TRUE(close->FMouseIn);
  Dib hot(300, 200);
  paint(hot);
  EXPECT_EQ(hot.At(282, 6), RGB(182, 189, 210));
  EXPECT_EQ(hot.At(280, 4), RGB(0, 0, 128));
  close->SetDown(true);
  Dib down(300, 200);
  paint(down);
  EXPECT_EQ(down.At(282, 6), RGB(133, 147, 181));
  close->SetDown(false);
}

TEST(FrameWindow, StatusBarGripHidesWhileMaximized) {
  FrameSkin skin;
  Frame f(&skin.data);
  auto* bar = new TspSkinStatusBar(f.form);
  bar->SetParent(f.form);
  bar->SetSizeGrip(true);
  f.sf->SetStatusBar(bar);
  f.sf->SetWindowState(wsMaximized);
  EXPECT_FALSE(bar->ShowGrip());
  f.sf->SetWindowState(wsNormal);
  EXPECT_TRUE(bar->ShowGrip());
  delete bar;
  EXPECT_EQ(f.sf->StatusBar(), nullptr);
}
