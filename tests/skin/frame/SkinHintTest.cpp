// The skinned hint: window sizes with and without a skin, the flip at the
// work-area edges, line separators, the timed requests, and the extended
// hint that skinned controls get through the application's hint machinery.
#include "support/gtest.h"

#include <memory>
#include <string>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Hints.h"
#include "skin/controls/SkinButtons.h"
#include "skin/frame/SkinHint.h"
#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/RealInput.h"
#include "skin/controls/FakeTimers.h"

namespace {

// Text extent as the hint measures it: DrawText from an empty rectangle.
SIZE Measure(const std::string& name, int height, bool bold, const std::string& text) {
  TFont f;
  f.SetName(name);
  f.SetHeight(height);
  if (bold) f.SetStyle(fsBold);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(f.Handle()));
  std::u16string t = UTF8ToUTF16(text);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(t.c_str()), static_cast<int>(t.size()), &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteDC(dc);
  return SIZE{r.right, r.bottom};
}

// A hint element of 60 x 40 whose corners need at least 50 x 30: short
// texts make the window grow so that the corners never cross.
struct HintSkin {
  TspSkinData data{nullptr};
  HintSkin() {
    TspPicture p = SolidPicture(60, 40, 0x00FF0000);
    // A blue client area, red frame.
    for (int y = 5; y < 35; ++y)
      for (int x = 5; x < 55; ++x) p.Pixels[size_t(y) * 60 + x] = 0x000000FF;
    TspPicture mask = SolidPicture(60, 40, 0x000000);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) mask.Pixels[size_t(y) * 60 + x] = 0xFFFFFF;  // top-left corner cut off
    data.FActivePictures = {std::move(p), std::move(mask)};
    *data.HintWindow = TspDataSkinHintWindow();
    auto& e = *data.HintWindow;
    e.WindowPictureIndex = 0;
    e.MaskPictureIndex = 1;
    NineCorners(&e, 25, 15, 35, 25);
    e.ClRect = TspRect{5, 5, 55, 35};
    e.FontName = "Arial";
    e.FontHeight = 14;
    e.FontColor = 0x00FFFFFF;
    data.Empty = false;
  }
};

class SkinHintTest : public ::testing::Test {
protected:
  void SetUp() override {
    Application->CreateForm(main);
    hint = new TspSkinHint(main);
    hint->DefaultFont()->SetName("Arial");
    hint->DefaultFont()->SetHeight(-11);
    images = std::make_unique<TImageList>(nullptr, 16, 16);
    TBitmap pic(16, 16);
    pic.Canvas()->Brush()->SetColor(clLime);
    pic.Canvas()->FillRect(TRect{0, 0, 16, 16});
    images->AddMasked(&pic, clFuchsia);
  }
  void TearDown() override {
    delete main;
    main = nullptr;
  }
  TspSkinHintWindow* Window() { return hint->HintWindow(); }
  RECT Bounds() {
    RECT r{};
    GetWindowRect(Window()->Handle(), &r);
    return r;
  }

  TForm* main = nullptr;
  TspSkinHint* hint = nullptr;
  std::unique_ptr<TImageList> images;
};

TEST_F(SkinHintTest, WindowSizeForPlainTitledAndPictureHintsWithAndWithoutSkin) {
  HintSkin skin;
  const std::string text = "Converts the selected files", title = "Convert", tiny = "i";
  struct Case {
    bool skinned;
    std::string text, title;
    bool picture;
  };
  const Case cases[] = {{false, text, "", false}, {false, text, title, false}, {false, text, "", true},
                        {false, text, title, true}, {true, text, "", false},   {true, text, title, false},
                        {true, text, "", true},     {true, text, title, true}, {true, tiny, "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.skinned ? "skin " : "plain ") + c.text + "/" + c.title + (c.picture ? " +pic" : ""));
    hint->SetSkinData(c.skinned ? &skin.data : nullptr);
    std::string font = c.skinned ? "Arial" : "Arial";
    int height = c.skinned ? 14 : -11;
    SIZE t = Measure(font, height, false, c.text);
    int w = t.cx, h = t.cy;
    bool extended = !c.title.empty() || c.picture;
    if (extended) {
      int th = 0;
      if (!c.title.empty()) {
        SIZE tt = Measure(font, height, false, c.title);
        th = tt.cy;
        h += th + 10;
        w = std::max(w, int(tt.cx));
      }
      if (c.picture) {
        w += 16 + 10;
        h = std::max(h, 16 + th + 5);
      }
      if (c.skinned) w += 10;
    }
    if (c.skinned) {
      // Client margins 5 + 5 each way (and 5 more for a plain hint), at
      // least the 50 x 30 the corners need.
      w = std::max(w + 10 + (extended ? 0 : 5), 50);
      h = std::max(h + 10, 30);
    } else {
      w += 4;
      h += 4;
    }
    if (extended)
      hint->ActivateHintEx(POINT{100, 100}, c.title, c.text, c.picture ? 0 : -1, c.picture ? images.get() : nullptr);
    else
      hint->ActivateHint(POINT{100, 100}, c.text);
    ASSERT_TRUE(hint->IsVisible());
    EXPECT_EQ(Window()->AExtendedStyle, extended);
    RECT r = Bounds();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right - r.left, w);
    EXPECT_EQ(r.bottom - r.top, h);
    if (c.skinned) {
      // The mask's cut corner shapes the window; the client point is inside.
      EXPECT_NE(Window()->Region(), nullptr);
      HRGN rgn = CreateRectRgn(0, 0, 0, 0);
      ASSERT_NE(GetWindowRgn(Window()->Handle(), rgn), ERROR);
      EXPECT_FALSE(PtInRegion(rgn, 1, 1));
      EXPECT_TRUE(PtInRegion(rgn, w / 2, h / 2));
      DeleteObject(rgn);
    } else {
      EXPECT_EQ(Window()->Region(), nullptr);
    }
    hint->HideHint();
    EXPECT_FALSE(hint->IsVisible());
  }
}

TEST_F(SkinHintTest, SkinnedHintPaintsTheElementAndTranslucencyFollowsTheSettings) {
  HintSkin skin;
  hint->SetSkinData(&skin.data);
  hint->ActivateHint(POINT{100, 100}, "Skinned");
  ASSERT_TRUE(hint->IsVisible());
  RECT r = Bounds();
  int w = r.right - r.left, h = r.bottom - r.top;
  {
    Dib dib(w, h);
    SendMessageW(Window()->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
    EXPECT_EQ(dib.At(1, h / 2), RGB(255, 0, 0)) << "frame of the element";
    EXPECT_EQ(dib.At(6, 6), RGB(0, 0, 255)) << "its client area";
  }

  // Real translucency: the layered style and the opacity, faded in or not.
  for (bool animate : {false, true}) {
    hint->AlphaBlend = true;
    hint->AlphaBlendAnimation = animate;
    hint->AlphaBlendValue = 180;
    hint->ActivateHint(POINT{100, 100}, "Skinned");
    HWND hw = Window()->Handle();
    EXPECT_TRUE(GetWindowLongW(hw, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hw, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 180) << "animate " << animate;
  }
  hint->AlphaBlend = false;
  hint->ActivateHint(POINT{100, 100}, "Skinned");
  EXPECT_FALSE(GetWindowLongW(Window()->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);

  // Simulated translucency: fully transparent shows the screen copy taken
  // before the hint appeared.
  hint->SetAlphaBlendSupport(false);
  hint->AlphaBlend = true;
  hint->AlphaBlendValue = 0;
  hint->ActivateHint(POINT{100, 100}, "Skinned");
  TBitmap* screen = Window()->ScreenImage();
  ASSERT_EQ(screen->Width(), w);
  Dib dib(w, h);
  SendMessageW(Window()->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
  for (POINT p : {POINT{1, h / 2}, POINT{6, 6}, POINT{w / 2, h / 2}}) {
    TColor c = screen->Canvas()->Pixel(p.x, p.y);
    EXPECT_TRUE(Dib::Near(dib.At(p.x, p.y), static_cast<COLORREF>(c), 2)) << p.x << "," << p.y;
  }
  hint->HideHint();
}

TEST_F(SkinHintTest, HintPassingTheWorkAreaFlipsToTheOtherSideOfThePoint) {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  hint->ActivateHint(POINT{100, 100}, "Flip");
  RECT r = Bounds();
  int w = r.right - r.left, h = r.bottom - r.top;
  struct Case {
    POINT at;
    POINT want;
  };
  const Case cases[] = {
      {{area.right - 5, 100}, {area.right - 5 - w - 2, 100}},
      {{100, area.bottom - 5}, {100, area.bottom - 5 - h - 2}},
      {{area.right - 5, area.bottom - 5}, {area.right - 5 - w - 2, area.bottom - 5 - h - 2}},
      {{area.right - w, area.bottom - h}, {area.right - w, area.bottom - h}},  // just fits
  };
  for (const Case& c : cases) {
    hint->ActivateHint(c.at, "Flip");
    RECT b = Bounds();
    EXPECT_EQ(b.left, c.want.x) << c.at.x << "," << c.at.y;
    EXPECT_EQ(b.top, c.want.y) << c.at.x << "," << c.at.y;
  }
}

TEST_F(SkinHintTest, LineSeparatorBecomesALineBreak) {
  hint->ActivateHint(POINT{100, 100}, "first@second");
  EXPECT_EQ(Window()->Caption(), "first\n\rsecond");
  SIZE one = Measure("Arial", -11, false, "first");
  RECT r = Bounds();
  EXPECT_EQ(r.bottom - r.top, 2 * one.cy + 4) << "two lines";

  hint->LineSeparator = "";
  hint->ActivateHint(POINT{100, 100}, "first@second");
  EXPECT_EQ(Window()->Caption(), "first@second");

  // A separator made of a line-break character is replaced once, not forever.
  hint->LineSeparator = "\n";
  hint->ActivateHint(POINT{100, 100}, "a\nb\nc");
  EXPECT_EQ(Window()->Caption(), "a\n\rb\n\rc");
}

TEST_F(SkinHintTest, TimedHintsShowTheLastTextAfterThePauseAndHideThemselves) {
  FakeTimers timers;
  TApplicationHints* app = ApplicationHints();
  app->HintPause = 500;
  app->HintHidePause = 2500;
  hint->ActivateHint2("one");
  hint->ActivateHint2("two");
  timers.Advance(499);
  EXPECT_FALSE(hint->IsVisible());
  timers.Advance(1);
  ASSERT_TRUE(hint->IsVisible());
  EXPECT_EQ(Window()->Caption(), "two");
  timers.Advance(2499);
  EXPECT_TRUE(hint->IsVisible());
  timers.Advance(1);
  EXPECT_FALSE(hint->IsVisible());
  EXPECT_FALSE(hint->TimerPending());

  // HideHint while a request is pending cancels it.
  hint->ActivateHint2("cancelled");
  timers.Advance(300);
  hint->HideHint();
  timers.Advance(5000);
  EXPECT_FALSE(hint->IsVisible());

  // The extended request keeps its title and picture until shown.
  hint->ActivateHintEx2("Title", "text", 0, images.get());
  timers.Advance(500);
  ASSERT_TRUE(hint->IsVisible());
  EXPECT_TRUE(Window()->AExtendedStyle);
  hint->HideHint();
  EXPECT_EQ(hint->FHintTitle, "");
  EXPECT_EQ(hint->FHintImageList, nullptr);
}

TEST_F(SkinHintTest, HintFromRectIsCentredBelowOrAbove) {
  FakeTimers timers;
  ApplicationHints()->HintPause = 500;
  TRect anchor{200, 200, 300, 220};
  for (bool top : {false, true}) {
    hint->ActivateHint3(anchor, "Centred", top);
    timers.Advance(500);
    ASSERT_TRUE(hint->IsVisible());
    RECT r = Bounds();
    int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, 250 - w / 2);
    EXPECT_EQ(r.top, top ? 200 - h : 220);
    hint->HideHint();
  }
}

TEST_F(SkinHintTest, NoActiveHintComponentShowsNothing) {
  hint->SetActive(false);
  hint->ActivateHint(POINT{100, 100}, "hidden");
  EXPECT_FALSE(hint->IsVisible());
  // Activating one hint component deactivates the others of the main form.
  auto* second = new TspSkinHint(main);
  second->SetActive(true);
  hint->SetActive(true);
  EXPECT_FALSE(second->Active());
  EXPECT_EQ(TspSkinHint::FindSkinHint(), hint);
}

TEST_F(SkinHintTest, SkinnedButtonHintShowsTitleAndPictureThroughTheApplication) {
  TApplicationHints* app = ApplicationHints();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->HintShortPause, 100u);
  main->SetBounds(50, 50, 300, 200);
  auto* button = new TspSkinButton(main);
  button->SetParent(main);
  button->SetBounds(10, 10, 100, 30);
  button->Hint = "Starts converting";
  button->ShowHint = true;
  button->HintTitle = "Convert";
  button->SetHintImageList(images.get());
  button->HintImageIndex = 0;
  main->Show();
  std::string seen;
  hint->OnShowHint = [&](std::string& s, bool&, THintInfo& info) {
    seen = s;
    EXPECT_EQ(info.HintControl, button);
  };

  // The mouse rests on the button: the loop's hook arms the pause timer.
  // The pointer itself is put there too, so that a move the display sends
  // on its own (the window appearing under it) points at the button as
  // well; the move is given again until the loop has seen it.
  POINT onButton{20, 15};
  ClientToScreen(button->Handle(), &onButton);
  SetCursorPos(onButton.x, onButton.y);
  EXPECT_TRUE(real_input::PumpUntil([&] {
    if (app->HintControl() == button && app->PendingTimer()) return true;
    PostMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));
    return false;
  }));
  EXPECT_EQ(app->HintControl(), button);
  ASSERT_NE(app->PendingTimer(), nullptr);
  app->PendingTimer()->Timer();

  EXPECT_EQ(seen, "Starts converting");
  auto* w = dynamic_cast<TspSkinHintWindow*>(app->HintWindow());
  ASSERT_NE(w, nullptr) << "the application's hint window is the skinned one";
  ASSERT_TRUE(w->HintShowing());
  EXPECT_TRUE(w->AExtendedStyle);
  SIZE text = Measure("Arial", -11, false, "Starts converting");
  SIZE title = Measure("Arial", -11, false, "Convert");
  int wantW = std::max(int(text.cx), int(title.cx)) + 16 + 10 + 4;
  RECT r;
  GetWindowRect(w->Handle(), &r);
  EXPECT_EQ(r.right - r.left, wantW);

  // The picture stands left of the text, below the bold title.
  Dib dib(r.right - r.left, r.bottom - r.top);
  SendMessageW(w->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
  int a = Measure("Arial", -11, true, "Convert").cy + 5;
  EXPECT_EQ(dib.At(2 + 8, a + 8), RGB(0, 255, 0));
  EXPECT_EQ(dib.At(0, 0), GetSysColor(COLOR_BTNSHADOW));

  // A press hides it.
  PostMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
  PostMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 15));
  Application->ProcessMessages();
  EXPECT_FALSE(w->HintShowing());
  main->Hide();
}

TEST_F(SkinHintTest, DestroyedHintGivesBackTheApplicationHook) {
  delete hint;
  hint = nullptr;
  TApplicationHints* app = ApplicationHints();
  EXPECT_FALSE(app->OnShowHint);
  // The application's window is a plain one again.
  app->SetShowHint(false);
  app->SetShowHint(true);
  EXPECT_EQ(dynamic_cast<TspSkinHintWindow*>(app->HintWindow()), nullptr);
}

TEST_F(SkinHintTest, CursorMarginStaysWithinTheCursorHeight) {
  int margin = hint->GetCursorHeightMargin();
  EXPECT_GE(margin, 0);
  EXPECT_LE(margin, GetSystemMetrics(SM_CYCURSOR));
}

}  // namespace
