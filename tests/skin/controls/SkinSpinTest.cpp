// Spin edit typing and leaving, the up-downs' limits and the arrow
// buttons' auto-repeat on a driven clock.
#include "support/gtest.h"

#include "EditTestSupport.h"
#include "FakeTimers.h"
#include "skin/controls/SkinSpin.h"

using namespace edit_test;

namespace {

LPARAM Centre(const RECT& r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

struct SpinForm : Form {
  TspSkinSpinEdit* spin = Add<TspSkinSpinEdit>(10, 10, 120, 20);
  TspSkinSpinEdit* other = Add<TspSkinSpinEdit>(10, 40, 120, 20);
  int changes = 0;
  SpinForm() {
    spin->OnChange = [this](TObject*) { ++changes; };
  }
  void Retype(const std::string& text) {
    spin->Edit()->SetText("");
    Type(spin->Edit()->Handle(), text);
  }
};

}  // namespace

TEST(TspSkinSpinEdit, TypedTextAndValue) {
  SpinForm f;
  f.spin->SetMinValue(0);
  f.spin->SetMaxValue(100);
  ASSERT_TRUE(f.spin->Edit()->SetFocus());

  f.Retype("007");
  EXPECT_EQ(7, f.spin->Value());
  EXPECT_EQ("007", f.spin->Edit()->Text());
  // Leaving the field shows the value as kept.
  ASSERT_TRUE(f.other->Edit()->SetFocus());
  EXPECT_EQ("7", f.spin->Edit()->Text());
  EXPECT_EQ("7", f.spin->Text());

  ASSERT_TRUE(f.spin->Edit()->SetFocus());
  f.Retype("150");
  EXPECT_EQ(100, f.spin->Value());
  EXPECT_EQ("100", f.spin->Edit()->Text());

  // Below a positive minimum the typing may go on: the text stays.
  f.spin->SetMinValue(10);
  f.Retype("1");
  EXPECT_EQ(10, f.spin->Value());
  EXPECT_EQ("1", f.spin->Edit()->Text());
  ASSERT_TRUE(f.other->Edit()->SetFocus());
  EXPECT_EQ("10", f.spin->Edit()->Text());
}

TEST(TspSkinSpinEdit, TextsThatAreNoNumberLeaveTheValue) {
  SpinForm f;
  f.spin->SetValueType(vtFloat);
  f.spin->SetValue(3);
  for (const char* text : {"-", "1-2", ".5", "1.2.3", "abc", ""}) {
    f.spin->Edit()->SetText(text);  // as pasted
    EXPECT_EQ(3, f.spin->Value()) << text;
    EXPECT_EQ(text, f.spin->Edit()->Text()) << text;
  }
  f.spin->Edit()->SetText("2.5");
  EXPECT_EQ(2.5, f.spin->Value());
}

TEST(TspSkinSpinEdit, HugeIntegerTextNeverThrows) {
  SpinForm f;
  f.spin->SetMaxValue(100);
  EXPECT_NO_THROW(f.spin->Edit()->SetText("99999999999"));
  EXPECT_EQ(100, f.spin->Value());
  EXPECT_EQ("100", f.spin->Edit()->Text());
  // Without limits such a text is no value: nothing changes.
  f.other->SetValue(5);
  EXPECT_NO_THROW(f.other->Edit()->SetText("99999999999"));
  EXPECT_EQ(5, f.other->Value());
}

TEST(TspSkinSpinEdit, LimitsIncrementsAndValueTypes) {
  SpinForm f;
  // Both limits 0: no limits.
  f.spin->SetValue(-123456);
  EXPECT_EQ(-123456, f.spin->Value());
  f.spin->SetValue(7.5);
  EXPECT_EQ("8", f.spin->Text());  // ties to even
  f.spin->SetValue(6.5);
  EXPECT_EQ("6", f.spin->Text());
  struct Case {
    double increment, wanted;
  } cases[] = {{0.4, 1}, {2.5, 2}, {3.5, 4}, {1.2, 1}};
  for (auto& c : cases) {
    f.spin->SetValueType(vtFloat);
    f.spin->Increment = c.increment;
    f.spin->SetValueType(vtInteger);
    EXPECT_EQ(c.wanted, f.spin->Increment) << c.increment;
  }
  f.spin->SetValueType(vtFloat);
  f.spin->SetDecimal(2);
  f.spin->SetValue(1.005e1);
  EXPECT_EQ("10.05", f.spin->Text());
  // Up and Down in the edit step by the increment and report the click.
  f.spin->SetValueType(vtInteger);
  f.spin->Increment = 5;
  f.spin->SetValue(10);
  int ups = 0;
  f.spin->OnUpButtonClick = [&](TObject*) { ++ups; };
  KeyDown(f.spin->Edit()->Handle(), VK_UP);
  EXPECT_EQ(15, f.spin->Value());
  EXPECT_EQ(1, ups);
  Wheel(f.spin->Edit()->Handle(), 120);
  EXPECT_EQ(10, f.spin->Value());
}

TEST(TspSkinSpinEdit, ButtonClickHoldAndReleaseOff) {
  FakeTimers timers;
  SpinForm f;
  HWND h = f.spin->Handle();
  RECT up = f.spin->ArrowButtons().Buttons[0].R;
  RECT down = f.spin->ArrowButtons().Buttons[1].R;
  ASSERT_FALSE(IsRectEmpty(&up));
  // A click steps once.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Centre(up));
  SendMessageW(h, WM_LBUTTONUP, 0, Centre(up));
  EXPECT_EQ(1, f.spin->Value());
  // Held: a step when the first delay ends, then one every 100 ms, and one at the release.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Centre(down));
  timers.Advance(499);
  EXPECT_EQ(1, f.spin->Value());
  timers.Advance(1);
  EXPECT_EQ(0, f.spin->Value());
  timers.Advance(300);
  EXPECT_EQ(-3, f.spin->Value());
  // Off the button the repeat pauses; back on it goes on at 50 ms steps.
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2, 2));
  timers.Advance(500);
  EXPECT_EQ(-3, f.spin->Value());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Centre(down));
  timers.Advance(100);
  EXPECT_EQ(-5, f.spin->Value());
  // Released away from the button: no last step.
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(-5, f.spin->Value());
  EXPECT_EQ(0, timers.ActiveCount());
}

TEST(TspSkinUpDown, LimitsAndReleaseOff) {
  FakeTimers timers;
  Form f;
  auto* ud = f.Add<TspSkinUpDown>(10, 10, 20, 40);
  auto* iud = f.Add<TspSkinIntUpDown>(40, 10, 20, 40);
  int changes = 0, upChanges = 0;
  ud->OnChange = [&](TObject*) { ++changes; };
  iud->OnUpChange = [&](TObject*) { ++upChanges; };
  // Out of range positions are ignored; an equal one still reports.
  ud->SetPosition(101);
  EXPECT_EQ(0, ud->Position());
  EXPECT_EQ(0, changes);
  ud->SetPosition(0);
  EXPECT_EQ(1, changes);
  ud->SetMin(5);
  EXPECT_EQ(5, ud->Position());
  ud->SetMax(100);
  ud->SetPosition(100);
  changes = 0;
  // Held at the maximum: nothing moves and nothing is reported.
  RECT up = ud->ArrowButtons().Buttons[0].R;
  SendMessageW(ud->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(up));
  timers.Advance(1000);
  SendMessageW(ud->Handle(), WM_LBUTTONUP, 0, Centre(up));
  EXPECT_EQ(100, ud->Position());
  EXPECT_EQ(0, changes);

  // Released away from the button: the up-down still steps, its twin does not.
  ud->SetPosition(50);
  changes = 0;
  SendMessageW(ud->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(up));
  SendMessageW(ud->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
  SendMessageW(ud->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
  EXPECT_EQ(51, ud->Position());
  RECT iup = iud->ArrowButtons().Buttons[0].R;
  SendMessageW(iud->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(iup));
  SendMessageW(iud->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
  SendMessageW(iud->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
  EXPECT_EQ(0, iud->Position());
  EXPECT_EQ(0, upChanges);
  // A click steps once and reports only the click; held, each repeat step
  // reports its change.
  int upClicks = 0;
  iud->OnUpButtonClick = [&](TObject*) { ++upClicks; };
  SendMessageW(iud->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(iup));
  SendMessageW(iud->Handle(), WM_LBUTTONUP, 0, Centre(iup));
  EXPECT_EQ(1, iud->Position());
  EXPECT_EQ(0, upChanges);
  EXPECT_EQ(1, upClicks);
  SendMessageW(iud->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(iup));
  timers.Advance(600);
  EXPECT_EQ(3, iud->Position());
  EXPECT_EQ(2, upChanges);
  SendMessageW(iud->Handle(), WM_LBUTTONUP, 0, Centre(iup));
  EXPECT_EQ(4, iud->Position());
  EXPECT_EQ(2, upClicks);
}
