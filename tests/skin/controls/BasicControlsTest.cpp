// One test form with the basic controls, driven by mouse and key messages.
#include "support/gtest.h"

#include <windows.h>
#include <windowsx.h>

#include "support/Dib.h"
#include "support/GuiHandles.h"
#include "support/Controls.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinControlKit.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinRangeControls.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinTrackBar.h"

namespace {

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

struct TestForm {
  FakeTimers timers;
  TForm form{nullptr};
  TspSkinButton* ok;
  TspSkinButton* cancel;
  TspSkinSpeedButton* speed1;
  TspSkinSpeedButton* speed2;
  TspSkinCheckRadioBox* check;
  TspSkinCheckRadioBox* radio1;
  TspSkinCheckRadioBox* radio2;
  TspSkinTrackBar* track;
  TspSkinGauge* gauge;
  TspSkinScrollBar* hbar;
  TspSkinScrollBar* vbar;
  std::map<TObject*, int> clicks, changes, lastChanges;

  template <class T>
  T* Add(int x, int y, int w, int h) {
    return AddControl<T>(&form, &form, x, y, w, h);
  }

  TestForm() {
    form.SetBounds(0, 0, 420, 320);
    ok = Add<TspSkinButton>(10, 10, 75, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    cancel = Add<TspSkinButton>(95, 10, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->Cancel = true;
    cancel->ModalResult = mrCancel;
    speed1 = Add<TspSkinSpeedButton>(180, 10, 25, 25);
    speed2 = Add<TspSkinSpeedButton>(210, 10, 25, 25);
    speed1->SetGroupIndex(1);
    speed2->SetGroupIndex(1);
    check = Add<TspSkinCheckRadioBox>(10, 45, 150, 25);
    check->SetCaption("Check");
    radio1 = Add<TspSkinCheckRadioBox>(10, 75, 150, 25);
    radio2 = Add<TspSkinCheckRadioBox>(10, 105, 150, 25);
    for (auto* r : {radio1, radio2}) {
      r->SetRadio(true);
      r->GroupIndex = 1;
    }
    track = Add<TspSkinTrackBar>(10, 140, 100, 20);
    gauge = Add<TspSkinGauge>(10, 170, 100, 20);
    hbar = Add<TspSkinScrollBar>(10, 200, 200, 19);
    vbar = Add<TspSkinScrollBar>(380, 10, 19, 200);
    vbar->SetKind(sbVertical);
    vbar->SetSkinDataName("vscrollbar");
    for (TObject* c : std::initializer_list<TObject*>{ok, cancel, speed1, speed2}) {
      static_cast<TControl*>(c)->OnClick = [this](TObject* s) { ++clicks[s]; };
    }
    for (auto* c : {check, radio1, radio2}) c->OnClick = [this](TObject* s) { ++clicks[s]; };
    track->OnChange = [this](TObject* s) { ++changes[s]; };
    track->OnLastChange = [this](TObject* s) { ++lastChanges[s]; };
    hbar->OnChange = [this](TObject* s) { ++changes[s]; };
    hbar->OnLastChange = [this](TObject* s) { ++lastChanges[s]; };
    vbar->OnChange = [this](TObject* s) { ++changes[s]; };
    form.Show();
    Application->ProcessMessages();
  }

  void Click(TWinControl* c, int x, int y) {
    SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
    SendMessageW(c->Handle(), WM_LBUTTONUP, 0, Pt(x, y));
  }
  // A windowless control gets its messages through its parent's window.
  void ClickOn(TControl* c) {
    HWND h = form.Handle();
    int x = c->Left() + c->Width() / 2, y = c->Top() + c->Height() / 2;
    SendMessageW(h, WM_MOUSEMOVE, 0, Pt(x, y));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(x, y));
  }
  void Key(HWND h, WPARAM key) {
    PostMessageW(h, WM_KEYDOWN, key, 1);
    PostMessageW(h, WM_KEYUP, key, 0xC0000001);
    Application->ProcessMessages();
  }
};

TEST(TspSkinButton, EnterClicksTheDefaultButtonOnceAndEscapeTheCancelButton) {
  TestForm t;
  ASSERT_TRUE(t.check->SetFocus());
  EXPECT_TRUE(t.ok->Active());
  t.Key(t.check->Handle(), VK_RETURN);
  EXPECT_EQ(1, t.clicks[t.ok]);
  EXPECT_EQ(mrOk, t.form.ModalResult);
  t.Key(t.check->Handle(), VK_ESCAPE);
  EXPECT_EQ(1, t.clicks[t.cancel]);
  EXPECT_EQ(mrCancel, t.form.ModalResult);
  // With the cancel button focused, Enter clicks it (not the default), once.
  ASSERT_TRUE(t.cancel->SetFocus());
  EXPECT_FALSE(t.ok->Active());
  t.Key(t.cancel->Handle(), VK_RETURN);
  EXPECT_EQ(2, t.clicks[t.cancel]);
  EXPECT_EQ(1, t.clicks[t.ok]);
  // Focus back on a non-button: the default button takes Enter again and
  // shows its hot look.
  t.check->SetFocus();
  EXPECT_TRUE(t.ok->Active());
  EXPECT_TRUE(t.ok->MouseIn());
}

TEST(TspSkinButton, MouseClickTable) {
  TestForm t;
  struct Case {
    const char* what;
    UINT down, up;
    POINT via, at;
    int clicks;
  };
  const Case cases[] = {
      {"press and release inside", WM_LBUTTONDOWN, WM_LBUTTONUP, {20, 10}, {20, 10}, 1},
      {"drag out and release", WM_LBUTTONDOWN, WM_LBUTTONUP, {200, 100}, {200, 100}, 0},
      {"drag out and back", WM_LBUTTONDOWN, WM_LBUTTONUP, {200, 100}, {30, 12}, 1},
      {"right button", WM_RBUTTONDOWN, WM_RBUTTONUP, {20, 10}, {20, 10}, 0},
  };
  HWND h = t.ok->Handle();
  for (const Case& c : cases) {
    t.clicks.clear();
    SendMessageW(h, WM_MOUSEMOVE, 0, Pt(20, 10));
    SendMessageW(h, c.down, c.down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, Pt(20, 10));
    if (c.down == WM_LBUTTONDOWN) EXPECT_TRUE(t.ok->Down()) << c.what;
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(c.via.x, c.via.y));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(c.at.x, c.at.y));
    SendMessageW(h, c.up, 0, Pt(c.at.x, c.at.y));
    EXPECT_EQ(c.clicks, t.clicks[t.ok]) << c.what;
    EXPECT_FALSE(t.ok->Down()) << c.what;
  }
}

TEST(TspSkinButton, RepeatModeClicksAfterTheFirstDelayThenAtItsInterval) {
  TestForm t;
  t.cancel->RepeatMode = true;
  t.cancel->RepeatInterval = 100;
  HWND h = t.cancel->Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(10, 10));
  EXPECT_EQ(0, t.clicks[t.cancel]);
  t.timers.Advance(500);  // the first delay ends without a click
  EXPECT_EQ(0, t.clicks[t.cancel]);
  t.timers.Advance(300);
  EXPECT_EQ(3, t.clicks[t.cancel]);
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(10, 10));
  EXPECT_EQ(4, t.clicks[t.cancel]);  // the release clicks too
  EXPECT_FALSE(t.cancel->RepeatRunning());
  t.timers.Advance(1000);
  EXPECT_EQ(4, t.clicks[t.cancel]);
}

TEST(TspSkinSpeedButton, GroupedButtonsReleaseEachOther) {
  TestForm t;
  t.ClickOn(t.speed1);
  EXPECT_TRUE(t.speed1->Down());
  EXPECT_EQ(1, t.clicks[t.speed1]);
  t.ClickOn(t.speed2);
  EXPECT_TRUE(t.speed2->Down());
  EXPECT_FALSE(t.speed1->Down());
  EXPECT_EQ(1, t.clicks[t.speed2]);
  // Without AllowAllUp a second click keeps it down and does not click.
  t.ClickOn(t.speed2);
  EXPECT_TRUE(t.speed2->Down());
  EXPECT_EQ(1, t.clicks[t.speed2]);
  // With AllowAllUp it comes up.
  t.speed2->AllowAllUp = true;
  t.ClickOn(t.speed2);
  EXPECT_FALSE(t.speed2->Down());
  EXPECT_EQ(2, t.clicks[t.speed2]);
}

TEST(TspSkinSpeedButton, FlatShowsTheParentAtRestAndAFaceOnHover) {
  TestForm t;
  t.form.SetColor(RGB(0, 200, 0));
  t.speed1->SetFlat(true);
  SendMessageW(t.form.Handle(), WM_MOUSEMOVE, 0, Pt(300, 250));
  Dib dib(420, 320);
  t.form.PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(RGB(0, 200, 0), dib.At(181, 11));
  SendMessageW(t.form.Handle(), WM_MOUSEMOVE, 0, Pt(190, 20));
  EXPECT_TRUE(t.speed1->MouseIn());
  t.form.PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(kDefaultHotFrame, dib.At(180, 10));
  EXPECT_EQ(kDefaultHotFill, dib.At(185, 15));
  SendMessageW(t.form.Handle(), WM_MOUSEMOVE, 0, Pt(300, 250));
  EXPECT_FALSE(t.speed1->MouseIn());
}

TEST(TspSkinCheckRadioBox, ClicksKeysAndGroups) {
  TestForm t;
  t.Click(t.check, 10, 10);
  EXPECT_TRUE(t.check->Checked());
  EXPECT_EQ(1, t.clicks[t.check]);
  t.Click(t.check, 10, 10);
  EXPECT_FALSE(t.check->Checked());
  // Space acts on key-up only.
  ASSERT_TRUE(t.check->SetFocus());
  SendMessageW(t.check->Handle(), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_FALSE(t.check->Checked());
  SendMessageW(t.check->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_TRUE(t.check->Checked());
  EXPECT_EQ(3, t.clicks[t.check]);
  // AllowGrayed cycles unchecked, grayed, checked; a grayed box stays grayed
  // when unchecked by code.
  t.check->SetChecked(false);
  t.check->AllowGrayed = true;
  const TCheckBoxState cycle[] = {cbGrayed, cbChecked, cbUnchecked};
  for (TCheckBoxState s : cycle) {
    t.Click(t.check, 10, 10);
    EXPECT_EQ(s, t.check->State());
  }
  // Radio buttons: one of the group at a time; clicking a checked one does nothing.
  t.Click(t.radio1, 10, 10);
  t.Click(t.radio2, 10, 10);
  t.Click(t.radio2, 10, 10);
  EXPECT_FALSE(t.radio1->Checked());
  EXPECT_TRUE(t.radio2->Checked());
  EXPECT_EQ(1, t.clicks[t.radio1]);
  EXPECT_EQ(1, t.clicks[t.radio2]);
}

TEST(TspSkinCheckRadioBox, CheckedWriterFiresOnEveryAssignment) {
  TestForm t;
  t.check->SetChecked(true);
  t.check->SetChecked(true);
  t.check->SetState(cbGrayed);
  t.check->SetChecked(false);
  EXPECT_EQ(cbGrayed, t.check->State());
  EXPECT_EQ(4, t.clicks[t.check]);
}

TEST(TspSkinButton, SpacePressesOnKeyDownAndClicksOnKeyUpOnlyWhenFocusable) {
  TestForm t;
  HWND h = t.cancel->Handle();
  ASSERT_TRUE(t.cancel->SetFocus());
  SendMessageW(h, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(t.cancel->Down());
  EXPECT_EQ(0, t.clicks[t.cancel]);
  SendMessageW(h, WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_FALSE(t.cancel->Down());
  EXPECT_EQ(1, t.clicks[t.cancel]);
  // A button that cannot take the focus leaves the keys alone.
  t.cancel->SetCanFocused(false);
  SendMessageW(h, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_FALSE(t.cancel->Down());
  SendMessageW(h, WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(1, t.clicks[t.cancel]);
}

TEST(TspSkinCheckRadioBox, PressedPointerLeavingAndComingBackDecidesTheToggle) {
  TestForm t;
  struct Case {
    const char* what;
    POINT via, at;
    bool mouseInAfterVia, checked;
  };
  const Case cases[] = {
      {"press and release inside", {20, 10}, {20, 10}, true, true},
      {"drag out and release", {200, 100}, {200, 100}, false, false},
      {"drag out and back", {200, 100}, {30, 12}, false, true},
  };
  HWND h = t.check->Handle();
  for (const Case& c : cases) {
    t.check->SetChecked(false);
    SendMessageW(h, WM_MOUSEMOVE, 0, Pt(20, 10));
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(20, 10));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(c.via.x, c.via.y));
    EXPECT_EQ(c.mouseInAfterVia, t.check->MouseIn()) << c.what;
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(c.at.x, c.at.y));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(c.at.x, c.at.y));
    EXPECT_EQ(c.checked, t.check->Checked()) << c.what;
  }
}

TEST(TspSkinCheckRadioBox, AcceleratorFocusesAndTogglesOnlyWhenFocusable) {
  TestForm t;
  t.check->SetCaption("&Check");
  EXPECT_EQ(1, t.check->Perform(CM_DIALOGCHAR, u'c', 0));
  EXPECT_TRUE(t.check->Checked());
  EXPECT_TRUE(t.check->Focused());
  EXPECT_EQ(0, t.check->Perform(CM_DIALOGCHAR, u'x', 0)) << "another letter";
  t.check->SetCanFocused(false);
  EXPECT_EQ(0, t.check->Perform(CM_DIALOGCHAR, u'c', 0));
  EXPECT_TRUE(t.check->Checked());
}

TEST(TspSkinTrackBar, DragJumpKeysAndWheel) {
  TestForm t;
  HWND h = t.track->Handle();
  RECT br = t.track->CalcButtonRect(RECT{2, 2, 98, 18});
  int cx = (br.left + br.right) / 2, cy = 10;
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(cx, cy));
  EXPECT_TRUE(t.track->Dragging());
  for (int dx : {10, 20, 20, 1000})
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(cx + dx, cy));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(cx + 1000, cy));
  EXPECT_EQ(100, t.track->Value());
  EXPECT_EQ(3, t.changes[t.track]);  // the repeated position changes nothing
  EXPECT_EQ(1, t.lastChanges[t.track]);
  // A jump fires OnChange but not OnLastChange.
  t.track->JumpWhenClick = true;
  t.Click(t.track, 4, 10);
  EXPECT_EQ(0, t.track->Value());
  EXPECT_EQ(4, t.changes[t.track]);
  EXPECT_EQ(1, t.lastChanges[t.track]);
  // Keys and the wheel only with CanFocused; the wheel runs backwards on a
  // horizontal bar.
  t.track->SetCanFocused(true);
  ASSERT_TRUE(t.track->SetFocus());
  t.Key(h, VK_RIGHT);
  t.Key(h, VK_RIGHT);
  EXPECT_EQ(2, t.track->Value());
  SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), Pt(0, 0));
  EXPECT_EQ(3, t.track->Value());
  EXPECT_EQ(4, t.lastChanges[t.track]);
}

TEST(TspSkinGauge, PercentAndFillUseWholeNumbers) {
  TestForm t;
  struct Case {
    int min, max, value, percent;
  };
  const Case cases[] = {{0, 100, 29, 29}, {0, 100, 57, 57}, {0, 100, 58, 58}, {0, 3, 2, 66},
                        {10, 10, 10, 0},  {-50, 50, 0, 50}, {0, 100, 100, 100}};
  for (const Case& c : cases) {
    t.gauge->SetMinValue(INT32_MIN);
    t.gauge->SetMaxValue(c.max);
    t.gauge->SetMinValue(c.min);
    t.gauge->SetValue(c.value);
    EXPECT_EQ(c.percent, t.gauge->Percent()) << c.value << "/" << c.max;
  }
  t.gauge->SetMinValue(0);
  t.gauge->SetMaxValue(100);
  t.gauge->SetValue(29);
  t.gauge->SetShowPercent(true);
  EXPECT_EQ("29%", t.gauge->Text());
  RECT p = t.gauge->CalcProgressRect(RECT{0, 0, 100, 10});
  EXPECT_EQ(29, p.right);
  // The filled part in the default look, and OnGaugePaint replacing it.
  Dib dib(100, 20);
  t.gauge->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(kDefaultHotFill, dib.At(2, 2));
  EXPECT_EQ(kDefaultHotFill, dib.At(28, 2));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(30, 2));
  int painted = 0;
  t.gauge->OnGaugePaint = [&](TCanvas*, const RECT&, const RECT& r) {
    ++painted;
    EXPECT_EQ(1 + 98 * 29 / 100, r.right);
  };
  // Straight WM_PAINT into the DC: PaintTo would paint twice, once for the
  // erase the gauge answers by painting itself.
  SendMessageW(t.gauge->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dib.dc), 0);
  EXPECT_EQ(1, painted);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), dib.At(2, 2));
}

TEST(TspSkinScrollBar, PositionClampAndRangeWriters) {
  TestForm t;
  TspSkinScrollBar& b = *t.hbar;
  b.SetPosition(150);
  EXPECT_EQ(100, b.Position());
  b.SetPosition(-5);
  EXPECT_EQ(0, b.Position());
  b.SetRange(0, 100, 150, 10);
  EXPECT_EQ(91, b.Position());
  int before = t.changes[&b];
  b.SetPosition(91);
  b.SimplySetPosition(10);
  EXPECT_EQ(before, t.changes[&b]);
  // A page that would reach past Max is refused.
  b.SetRange(0, 100, 60, 0);
  b.SetPageSize(50);
  EXPECT_EQ(0, b.PageSize());
  // With Min 10 a lower Max keeps a position that still fits the bar.
  b.SetRange(10, 100, 35, 10);
  b.SetMax(50);
  EXPECT_EQ(35, b.Position());
  b.SetRange(10, 100, 45, 10);
  b.SetMax(50);
  EXPECT_EQ(41, b.Position());
  // Extreme values clamp instead of overflowing.
  b.SetRange(INT32_MIN, INT32_MAX, 0, 0);
  b.SetPosition(INT32_MAX);
  EXPECT_EQ(INT32_MAX, b.Position());
  b.CalcRects();
}

TEST(TspSkinScrollBar, DefaultGeometryAndPaint) {
  TestForm t;
  TspSkinScrollBar& b = *t.hbar;
  b.SetRange(0, 100, 50, 0);
  b.CalcRects();
  auto eq = [](RECT r, RECT e) { return r.left == e.left && r.top == e.top && r.right == e.right && r.bottom == e.bottom; };
  EXPECT_TRUE(eq(b.Button(TspSkinScrollBar::kDownButton).R, RECT{1, 1, 17, 18}));
  EXPECT_TRUE(eq(b.Button(TspSkinScrollBar::kUpButton).R, RECT{183, 1, 199, 18}));
  EXPECT_TRUE(eq(b.TrackArea(), RECT{17, 1, 183, 18}));
  EXPECT_EQ(25, b.Offset1());
  EXPECT_EQ(175, b.Offset2());
  EXPECT_EQ(75, b.BOffset());
  EXPECT_TRUE(eq(b.Button(TspSkinScrollBar::kThumb).R, RECT{92, 1, 108, 18}));
  Dib dib(200, 19);
  b.PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), dib.At(92, 1));
  // A disabled bar paints no thumb.
  b.SetEnabled(false);
  b.PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), dib.At(92, 1));
  // With a page the thumb is never shorter than 16.
  b.SetEnabled(true);
  b.SetRange(0, 10000, 0, 1);
  b.CalcRects();
  RECT th = b.Button(TspSkinScrollBar::kThumb).R;
  EXPECT_GE(th.right - th.left, 16);
}

TEST(TspSkinScrollBar, HeldArrowRepeatsAfterTheFirstDelay) {
  TestForm t;
  TspSkinScrollBar& b = *t.hbar;
  b.SetRange(0, 1000, 0, 0);
  HWND h = b.Handle();
  // The up arrow of a horizontal bar is at its right end.
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(190, 9));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(190, 9));
  EXPECT_EQ(1, b.Position());  // one step at once
  t.timers.Advance(499);
  EXPECT_EQ(1, b.Position());
  t.timers.Advance(1);  // the wait ends; the repeat starts on its own timer
  EXPECT_EQ(1, b.Position());
  t.timers.Advance(50);
  EXPECT_EQ(2, b.Position());
  t.timers.Advance(200);
  EXPECT_EQ(6, b.Position());
  // Off the arrow the repeat pauses; back on it, it resumes at 50 ms.
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(100, 9));
  t.timers.Advance(500);
  EXPECT_EQ(6, b.Position());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(190, 9));
  t.timers.Advance(100);
  EXPECT_EQ(8, b.Position());
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(190, 9));
  EXPECT_EQ(0, b.TimerMode());
  EXPECT_EQ(0, t.timers.ActiveCount());
  // With OnUpButtonClick assigned the event replaces the step.
  int ups = 0;
  b.OnUpButtonClick = [&](TObject*) { ++ups; };
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(190, 9));
  t.timers.Advance(600);
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(190, 9));
  EXPECT_EQ(8, b.Position());
  EXPECT_EQ(3, ups);
}

TEST(TspSkinScrollBar, PageRepeatStopsAtTheMouseAndThumbDragEndsOnce) {
  TestForm t;
  TspSkinScrollBar& b = *t.hbar;
  b.SetRange(0, 100, 0, 10);
  b.SetLargeChange(10);
  HWND h = b.Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(120, 9));
  EXPECT_EQ(10, b.Position());
  t.timers.Advance(2000);
  b.CalcRects();
  RECT th = b.Button(TspSkinScrollBar::kThumb).R;
  EXPECT_LE(th.left, 120);  // stopped once the thumb reached the mouse
  EXPECT_EQ(0, b.TimerMode());
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(120, 9));
  int last = t.lastChanges[&b];
  // Drag the thumb far past the end: the clamped maximum, one OnLastChange.
  b.CalcRects();
  th = b.Button(TspSkinScrollBar::kThumb).R;
  int cx = (th.left + th.right) / 2;
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(cx, 9));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(cx + 500, 9));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(cx + 500, 9));
  EXPECT_EQ(91, b.Position());
  EXPECT_EQ(last + 1, t.lastChanges[&b]);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(170, 9));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(170, 9));
}

TEST(TspSkinScrollBar, KeysAndWheelOnlyWhenItCanTakeTheFocus) {
  TestForm t;
  TspSkinScrollBar& b = *t.vbar;
  HWND h = b.Handle();
  SendMessageW(h, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(0, b.Position());
  b.SetCanFocused(true);
  ASSERT_TRUE(b.SetFocus());
  t.Key(h, VK_DOWN);
  t.Key(h, VK_DOWN);
  t.Key(h, VK_UP);
  EXPECT_EQ(1, b.Position());
  // Wheel towards the user scrolls on; a -120 delta must not read as positive.
  SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(2, b.Position());
  SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(1, b.Position());
  EXPECT_EQ(5, t.changes[&b]);  // one OnChange per step that moved
}

TEST(ValueAlongRun, ScalesClampsAndRoundsHalvesToEven) {
  struct Case {
    int64_t offset;
    int span, low;
    int64_t range;
    int value;
  };
  const Case cases[] = {
      {0, 100, 0, 100, 0},       {50, 100, 0, 100, 50},     {-5, 100, 10, 100, 10},
      {500, 100, 10, 100, 110},  {1, 4, 0, 2, 0},           {3, 4, 0, 2, 2},
      {5, 0, 7, 100, 7},         {-3, -10, 7, 100, 7},      {1, 1, INT32_MAX, 10, INT32_MAX},
      // Ends as far apart as an int allows.
      {100, 100, INT32_MIN, int64_t{INT32_MAX} - INT32_MIN, INT32_MAX},
      {0, 100, INT32_MIN, int64_t{INT32_MAX} - INT32_MIN, INT32_MIN},
      {50, 100, INT32_MIN, int64_t{INT32_MAX} - INT32_MIN, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.value, ValueAlongRun(c.offset, c.span, c.low, c.range))
        << c.offset << " of " << c.span << " over " << c.range << " from " << c.low;
}

TEST(LineExtent, NoTextIsALineHighAndNothingWide) {
  HDC dc = CreateCompatibleDC(nullptr);
  TspFontDesc font, tall;
  tall.Height = 3 * font.Height;
  SIZE none = LineExtent(dc, "", font), one = LineExtent(dc, "W", font), two = LineExtent(dc, "WW", font);
  EXPECT_EQ(0, none.cx);
  EXPECT_GT(none.cy, 0);
  EXPECT_EQ(one.cy, none.cy);
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(two.cx, one.cx);
  EXPECT_GT(LineExtent(dc, "", tall).cy, none.cy) << "the font is the one measured with";
  DeleteDC(dc);
}

// The form of controls made, shown, painted, clicked and freed twenty times
// leaves no GDI object, window or menu behind, and its controls stop every
// timer they started.
TEST(TspSkinBases, GdiObjectsAndTimersReturnToBaseline) {
  auto round = [] {
    TestForm t;
    t.form.Show();
    Dib dib(420, 320);
    for (int i = 0; i < 3; ++i) t.form.PaintTo(dib.dc, 0, 0);
    t.Click(t.ok, 10, 10);
    t.ClickOn(t.speed1);
    t.Click(t.check, 5, 5);
    t.timers.Advance(50);
    Application->ProcessMessages();
    while (t.form.ComponentCount() > 0) delete t.form.Components(0);
    EXPECT_EQ(0, t.timers.ActiveCount()) << "timers left running by freed controls";
  };
  // The first round fills what the program keeps for good (fonts, cached
  // paint buffers, window classes).
  round();
  Application->ProcessMessages();
  const TGuiHandles before = CountGuiHandles();
  for (int i = 0; i < 20; ++i) round();
  Application->ProcessMessages();
  EXPECT_EQ(before.Str(), CountGuiHandles().Str());
}

}  // namespace
