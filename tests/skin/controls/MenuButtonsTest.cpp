// The menu buttons with a stand-in menu that records how it was opened and
// lets the test say when it closed.
#include "support/gtest.h"

#include <windows.h>

#include <map>
#include <vector>

#include "FakeTimers.h"
#include "support/Dib.h"
#include "support/Controls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinMenuButtons.h"
#include "support/SkinParts.h"

namespace {

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

class FakeMenu : public TPopupMenu, public TspMenuSource {
public:
  FakeMenu() : TPopupMenu(nullptr) {}
  void PopupFromRect2(TControl* ctrl, const RECT& r, bool up) override {
    ++Opens;
    Ctrl = ctrl;
    Rect = r;
    Up = up;
  }
  // The menu closed: the opener hears of it as from a skinned menu.
  void Close() { NotifyMenuControl(Ctrl, SP_MENUCLOSED); }
  int Opens = 0;
  TControl* Ctrl = nullptr;
  RECT Rect{};
  bool Up = true;
};

struct Fixture {
  FakeTimers timers;
  TForm form{nullptr};
  FakeMenu menu;
  TspSkinMenuButton* button;
  TspSkinMenuSpeedButton* speed;
  int clicks = 0, shows = 0, hides = 0;

  Fixture() {
    form.SetBounds(0, 0, 300, 200);
    button = AddControl<TspSkinMenuButton>(&form, &form, 10, 10, 100, 25);
    speed = AddControl<TspSkinMenuSpeedButton>(&form, &form, 10, 60, 60, 40);
    for (TControl* c : {static_cast<TControl*>(button), static_cast<TControl*>(speed)})
      c->OnClick = [this](TObject*) { ++clicks; };
    button->OnShowTrackMenu = speed->OnShowTrackMenu = [this](TObject*) { ++shows; };
    button->OnHideTrackMenu = speed->OnHideTrackMenu = [this](TObject*) { ++hides; };
    form.Show();
    Application->ProcessMessages();
    SetCursorPos(0, 0);
  }
  void Press(int x, int y) {
    HWND h = button->Handle();
    SendMessageW(h, WM_MOUSEMOVE, 0, Pt(x, y));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(x, y));
  }
  // A windowless control gets its messages through its parent's window.
  void PressSpeed(int x, int y) {
    HWND h = form.Handle();
    int fx = speed->Left() + x, fy = speed->Top() + y;
    SendMessageW(h, WM_MOUSEMOVE, 0, Pt(fx, fy));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(fx, fy));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(fx, fy));
  }
};

TEST(TspSkinMenuButton, WithoutAMenuAPressIsAPlainClick) {
  Fixture f;
  EXPECT_EQ("toolmenubutton", f.button->SkinDataName());
  EXPECT_FALSE(f.button->IsTrackPoint(95, 5));
  f.Press(95, 10);
  EXPECT_EQ(1, f.clicks);
  EXPECT_EQ(0, f.shows);
}

TEST(TspSkinMenuButton, OpensBelowItselfStaysDownAndComesUpWhenTheMenuCloses) {
  Fixture f;
  f.button->SetSkinPopupMenu(&f.menu);
  f.Press(20, 10);
  ASSERT_EQ(1, f.menu.Opens);
  EXPECT_EQ(f.button, f.menu.Ctrl);
  EXPECT_FALSE(f.menu.Up);
  POINT p = f.button->ClientToScreen(POINT{0, 0});
  EXPECT_EQ(p.x, f.menu.Rect.left);
  EXPECT_EQ(p.y, f.menu.Rect.top);
  EXPECT_EQ(p.x + 100, f.menu.Rect.right);
  EXPECT_EQ(p.y + 25, f.menu.Rect.bottom);
  EXPECT_EQ(1, f.shows);
  EXPECT_EQ(0, f.clicks) << "opening the menu is no click";
  EXPECT_TRUE(f.button->MenuTracked());
  EXPECT_TRUE(f.button->Down()) << "the release is ignored while the menu is open";
  // The pointer is elsewhere when the menu closes: up and not hot.
  f.menu.Close();
  EXPECT_FALSE(f.button->MenuTracked());
  EXPECT_FALSE(f.button->Down());
  EXPECT_FALSE(f.button->MouseIn());
  EXPECT_EQ(1, f.hides);
}

TEST(TspSkinMenuButton, TrackModeSplitsTheButton) {
  Fixture f;
  f.button->SetSkinPopupMenu(&f.menu);
  f.button->SetTrackButtonMode(true);
  RECT t = f.button->TrackRect();
  EXPECT_EQ(85, t.left);
  EXPECT_EQ(100, t.right);
  struct Case {
    int x;
    int opens, clicks;
  } cases[] = {{20, 0, 1}, {84, 0, 1}, {85, 1, 0}, {99, 1, 0}};
  for (const Case& c : cases) {
    f.menu.Opens = f.clicks = 0;
    f.Press(c.x, 10);
    EXPECT_EQ(c.opens, f.menu.Opens) << c.x;
    EXPECT_EQ(c.clicks, f.clicks) << c.x;
    if (c.opens) f.menu.Close();
  }
}

TEST(TspSkinMenuButton, SpaceOpensTheMenuAndInTrackModeClicks) {
  Fixture f;
  f.button->SetSkinPopupMenu(&f.menu);
  HWND h = f.button->Handle();
  f.button->SetFocus();
  SendMessageW(h, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(1, f.menu.Opens);
  EXPECT_TRUE(f.button->Down());
  SendMessageW(h, WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(0, f.clicks) << "released while the menu is open";
  f.menu.Close();
  f.button->SetTrackButtonMode(true);
  SendMessageW(h, WM_KEYDOWN, VK_SPACE, 1);
  SendMessageW(h, WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(1, f.menu.Opens);
  EXPECT_EQ(1, f.clicks);
}

TEST(TspSkinMenuButton, PlainPopupMenuFallsBackToTheSystemMenuAndReportsTheClose) {
  // A popup menu without items: the system menu returns at once.
  Fixture f;
  TPopupMenu plain(nullptr);
  int popups = 0;
  plain.OnPopup = [&](TObject*) { ++popups; };
  f.button->SetSkinPopupMenu(&plain);
  f.Press(20, 10);
  EXPECT_EQ(1, popups);
  EXPECT_FALSE(f.button->MenuTracked());
  EXPECT_FALSE(f.button->Down());
  EXPECT_EQ(1, f.hides);
  f.button->SetSkinPopupMenu(nullptr);
}

TEST(TspSkinMenuSpeedButton, NewStyleAndTrackPosition) {
  Fixture f;
  f.speed->SetSkinDataName("toolmenubutton");
  f.speed->SetNewStyle(true);
  EXPECT_EQ("resizetoolbutton", f.speed->SkinDataName());
  f.speed->SetNewStyle(false);
  EXPECT_EQ("resizetoolbutton", f.speed->SkinDataName()) << "switching it off keeps the name";

  f.speed->SetSkinPopupMenu(&f.menu);
  f.speed->SetTrackButtonMode(true);
  f.speed->SetNewStyle(true);
  f.speed->SetTrackPosition(sptpBottom);
  struct Case {
    int x, y;
    bool track;
  } cases[] = {{55, 10, false}, {30, 24, false}, {30, 25, true}, {5, 39, true}};
  for (const Case& c : cases) EXPECT_EQ(c.track, f.speed->IsTrackPoint(c.x, c.y)) << c.x << "," << c.y;
  f.speed->SetTrackPosition(sptpRight);
  EXPECT_TRUE(f.speed->IsTrackPoint(55, 10));
  EXPECT_FALSE(f.speed->IsTrackPoint(30, 35));
}

TEST(TspSkinMenuSpeedButton, PressOnTheTrackPartOpensAndTheCloseLeavesItNeitherHotNorDown) {
  Fixture f;
  f.speed->SetFlat(true);
  f.speed->SetSkinPopupMenu(&f.menu);
  f.speed->SetTrackButtonMode(true);
  f.PressSpeed(10, 20);
  EXPECT_EQ(0, f.menu.Opens);
  EXPECT_EQ(1, f.clicks);
  f.PressSpeed(55, 20);
  ASSERT_EQ(1, f.menu.Opens);
  EXPECT_EQ(f.speed, f.menu.Ctrl);
  EXPECT_TRUE(f.speed->MenuTracked());
  EXPECT_TRUE(f.speed->Down());
  EXPECT_EQ(1, f.clicks);
  // Still over the button when the menu closes: neither hot nor down.
  f.menu.Close();
  EXPECT_FALSE(f.speed->MenuTracked());
  EXPECT_FALSE(f.speed->Down());
  EXPECT_FALSE(f.speed->MouseIn());
  EXPECT_EQ(1, f.hides);
}

TEST(TspSkinMenuButton, DefaultLookShowsTheTrackPartPressedWhileTheMenuIsOpen) {
  Fixture f;
  f.button->SetSkinPopupMenu(&f.menu);
  f.button->SetTrackButtonMode(true);
  const COLORREF hot = RGB(182, 189, 210), pressed = RGB(133, 147, 181);
  f.Press(95, 10);
  Dib open(100, 25);
  f.button->PaintTo(open.dc, 0, 0);
  EXPECT_EQ(hot, open.At(5, 5)) << "main part";
  EXPECT_EQ(pressed, open.At(88, 3)) << "track part";
  f.menu.Close();
  Dib closed(100, 25);
  f.button->PaintTo(closed.dc, 0, 0);
  // Closed: no longer pressed; the press gave it the focus, which shows hot.
  ASSERT_TRUE(f.button->Focused());
  EXPECT_EQ(hot, closed.At(5, 5));
  EXPECT_EQ(hot, closed.At(88, 3));
}

// An element of its own kind with a track part: the pressed picture of the
// track part shows while the menu is open.
TEST(TspSkinMenuButton, SkinnedTrackPartShowsPressedWhileTheMenuIsOpen) {
  Fixture f;
  TspSkinData data(nullptr);
  TspPicture pic = SolidPicture(120, 20, 0x000000);
  const uint32_t normal = 0x102030, active = 0x405060, down = 0x708090;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) pic.Pixels[size_t(y) * 120 + x] = x < 40 ? normal : (x < 80 ? active : down);
  data.FActivePictures.push_back(std::move(pic));
  auto e = std::make_unique<TspDataSkinMenuButtonControl>("toolmenubutton");
  e->PictureIndex = 0;
  e->SkinRect = TspRect{0, 0, 40, 20};
  e->ActiveSkinRect = TspRect{40, 0, 80, 20};
  e->DownSkinRect = TspRect{80, 0, 120, 20};
  e->TrackButtonRect = TspRect{25, 0, 40, 20};
  data.CtrlList.push_back(std::move(e));
  data.Empty = false;
  f.button->SetSkinData(&data);
  f.button->SetSkinPopupMenu(&f.menu);
  f.button->SetTrackButtonMode(true);
  ASSERT_EQ(40, f.button->Width());
  RECT t = f.button->TrackRect();
  EXPECT_EQ(25, t.left);
  EXPECT_FALSE(f.button->IsTrackPoint(20, 5));
  EXPECT_TRUE(f.button->IsTrackPoint(30, 5));
  f.Press(30, 10);
  ASSERT_TRUE(f.button->MenuTracked());
  Dib d(40, 20);
  f.button->PaintTo(d.dc, 0, 0);
  auto C = [](uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); };
  EXPECT_EQ(C(active), d.At(5, 5));
  EXPECT_EQ(C(down), d.At(30, 5));
  f.menu.Close();
  f.button->SetSkinData(nullptr);
}

TEST(TspSkinMenuSpeedButton, FlatAtRestShowsItsMarkerOnTheParentAndPressedWhileOpen) {
  Fixture f;
  f.speed->SetFlat(true);
  f.speed->SetSkinPopupMenu(&f.menu);
  auto arrowIn = [&](const Dib& d) {
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    for (int y = f.speed->Top(); y < f.speed->Top() + 40; ++y)
      for (int x = f.speed->Left() + 45; x < f.speed->Left() + 60; ++x)
        if (d.At(x, y) == text) return true;
    return false;
  };
  Dib rest(300, 200);
  f.form.PaintTo(rest.dc, 0, 0);
  EXPECT_TRUE(arrowIn(rest));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), rest.At(f.speed->Left(), f.speed->Top())) << "no frame at rest";
  f.PressSpeed(20, 20);
  ASSERT_TRUE(f.speed->MenuTracked());
  Dib open(300, 200);
  f.form.PaintTo(open.dc, 0, 0);
  EXPECT_EQ(RGB(133, 147, 181), open.At(f.speed->Left() + 5, f.speed->Top() + 5)) << "pressed while open";
  EXPECT_TRUE(arrowIn(open));
  f.menu.Close();
}

// The program's own skin: the drop-down track part of "toolmenutrackbutton"
// keeps to the right edge at any width and shows pressed while the menu is open.
TEST(TspSkinMenuButton, ProgramSkinTrackButtonFollowsTheRightEdge) {
  Fixture f;
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  f.button->SetSkinDataName("toolmenutrackbutton");
  f.button->SetSkinData(&skin);
  f.button->SetSkinPopupMenu(&f.menu);
  f.button->SetTrackButtonMode(true);
  f.button->SetBounds(10, 10, 90, 32);
  ASSERT_EQ(90, f.button->Width());
  RECT t = f.button->TrackRect();
  EXPECT_EQ(90 - 14, t.left);
  EXPECT_EQ(90, t.right);
  EXPECT_FALSE(f.button->IsTrackPoint(60, 10));
  EXPECT_TRUE(f.button->IsTrackPoint(80, 10));
  f.Press(80, 10);
  ASSERT_TRUE(f.button->MenuTracked());
  Dib d(90, 32);
  f.button->PaintTo(d.dc, 0, 0);
  EXPECT_EQ(RGB(214, 228, 252), d.At(87, 2)) << "pressed track part";
  EXPECT_EQ(RGB(235, 242, 254), d.At(40, 16)) << "hot main part";
  // The separator keeps its place before the track part, one pixel wide.
  EXPECT_EQ(RGB(203, 208, 216), d.At(90 - 15, 16)) << "separator";
  EXPECT_NE(RGB(203, 208, 216), d.At(90 - 16, 16)) << "left of the separator";
  EXPECT_NE(RGB(203, 208, 216), d.At(90 - 14, 16)) << "right of the separator";
  f.menu.Close();
  f.button->SetSkinData(nullptr);
}

}  // namespace
