// The time edit's filter, stepping and conversions; the track edit's typing
// rules and the place of its drop-down bar.
#include "support/gtest.h"

#include "EditTestSupport.h"
#include "support/Controls.h"
#include "skin/controls/SkinTimeEdit.h"

using namespace edit_test;

TEST(TspSkinTimeEdit, DigitsThatWouldMakeAnImpossibleTimeAreRefused) {
  Form f;
  auto* e = f.Add<TspSkinTimeEdit>(10, 10, 120, 20);
  struct Case {
    const char* text;
    int caret;
    char key;
    const char* after;
  } cases[] = {
      {"15:00:00", 0, '0', "05:00:00"},
      {"15:00:00", 0, '1', "15:00:00"},
      {"15:00:00", 0, '2', "15:00:00"},  // 25 hours
      {"15:00:00", 0, '9', "15:00:00"},
      {"10:00:00", 3, '6', "10:00:00"},  // 60 minutes
      {"10:00:00", 3, '5', "10:50:00"},
      // Before a separator the digit goes to the next field: checked there.
      {"10:00:00", 2, '9', "10:00:00"},
      {"10:00:00", 2, '4', "10:40:00"},
      {"10:00:00", 8, '1', "10:00:00"},  // no place left
      {"24:00:00", 4, '1', "24:00:00"},
      {"24:00:00", 6, '1', "24:00:00"},
      {"24:00:00", 7, '0', "24:00:00"},
      {"10:00:00", 0, 'a', "10:00:00"},
  };
  for (auto& c : cases)
    EXPECT_EQ(c.after, TypeAt(e, c.text, c.caret, std::string(1, c.key))) << c.text << " @" << c.caret << " " << c.key;
  // From zeros, 2 then 4 make 24:00:00.
  EXPECT_EQ("24:00:00", TypeAt(e, "00:00:00", 0, "24"));
}

TEST(TspSkinTimeEdit, WheelStepsTheFieldUnderTheCaretAndWraps) {
  Form f;
  auto* e = f.Add<TspSkinTimeEdit>(10, 10, 120, 20);
  e->SetText("10:59:00");
  SendMessageW(e->Handle(), EM_SETSEL, 4, 4);
  Wheel(e->Handle(), 120);  // away from the user: up
  EXPECT_EQ("10:00:00", e->Text());
  EXPECT_EQ(4, e->SelStart());
  e->SetText("00:00:00");
  SendMessageW(e->Handle(), EM_SETSEL, 1, 1);
  Wheel(e->Handle(), -120);
  EXPECT_EQ("23:00:00", e->Text());
  e->SetText("00:00:59");
  SendMessageW(e->Handle(), EM_SETSEL, 7, 7);
  e->StepUp();
  EXPECT_EQ("00:00:00", e->Text());
  // Seconds that are not shown are left alone.
  e->SetShowSec(false);
  EXPECT_EQ("00:00", e->Text());
  e->SetText("01:02");
  SendMessageW(e->Handle(), EM_SETSEL, 5, 5);
  e->StepUp();
  EXPECT_EQ("01:03", e->Text());
}

TEST(TspSkinTimeEdit, FormatsAndConversions) {
  Form f;
  auto* e = f.Add<TspSkinTimeEdit>(10, 10, 140, 20);
  EXPECT_EQ("00:00:00", e->Text());
  e->SetShowMSec(true);
  EXPECT_EQ("00:00:00.000", e->Text());
  e->SetMilliseconds(((1 * 60 + 2) * 60 + 3) * 1000 + 4);
  EXPECT_EQ("01:02:03.004", e->Text());
  EXPECT_EQ(3723004, e->Milliseconds());
  e->SetShowMSec(false);
  e->SetText("01:02:03");
  EXPECT_EQ(3723000, e->Milliseconds());

  struct Case {
    const char* time;
    const char* shown;
  } cases[] = {{"1 :2 :3 ", "10:20:30"}, {"01:02", "00:00:00"}, {"0a:02:03", "00:00:00"}, {"25:61:99", "25:61:99"}};
  for (auto& c : cases) {
    e->SetTime(c.time);
    EXPECT_EQ(c.shown, e->Time()) << c.time;
  }
  int h, m, s, ms;
  e->SetText("25:61:99");
  e->DecodeTime(h, m, s, ms);
  EXPECT_EQ(23, h);
  EXPECT_EQ(59, m);
  EXPECT_EQ(59, s);
  EXPECT_EQ(0, ms);
  e->EncodeTime(24, 0, 0, 0);
  EXPECT_EQ("24:00:00", e->Text());
  e->EncodeTime(24, 0, 1, 0);
  EXPECT_EQ("24:00:00", e->Text());
  e->EncodeTime(12, 34, 56, 0);
  EXPECT_EQ("12:34:56", e->Text());
  // Leaving an edited field never raises.
  e->SetText("  :  :  ");
  e->SetModified(true);
  EXPECT_NO_THROW(e->ValidateEdit());
}

TEST(TspSkinTimeEdit, UpDownStepsTheTime) {
  Form f;
  auto* e = f.Add<TspSkinTimeEdit>(10, 10, 140, 20);
  e->SetShowUpDown(true);
  ASSERT_NE(nullptr, e->UpDown());
  RECT cr;
  GetClientRect(e->Handle(), &cr);
  EXPECT_EQ(cr.right - cr.bottom, e->UpDown()->Left());
  EXPECT_EQ(cr.bottom, e->UpDown()->Width());
  e->SetText("10:00:00");
  SendMessageW(e->Handle(), EM_SETSEL, 0, 0);
  RECT up = e->UpDown()->ArrowButtons().Buttons[0].R;
  LPARAM at = MAKELPARAM((up.left + up.right) / 2, (up.top + up.bottom) / 2);
  SendMessageW(e->UpDown()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(e->UpDown()->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ("11:00:00", e->Text());
  e->SetShowUpDown(false);
  EXPECT_EQ(nullptr, e->UpDown());
}

TEST(TspSkinTrackEdit, TypedNumbersAndTheKeptValue) {
  Form f;
  auto* e = f.Add<TspSkinTrackEdit>(10, 10, 120, 20);
  auto* other = f.Add<TspSkinEdit>(10, 40, 120, 20);
  ASSERT_TRUE(e->SetFocus());
  auto retype = [&](const std::string& text) {
    e->SetText("");
    Type(e->Handle(), text);
  };
  retype("150");
  EXPECT_EQ("100", e->Text());
  EXPECT_EQ(100, e->Value());
  e->SetMinValue(10);
  retype("5");
  EXPECT_EQ("5", e->Text());
  EXPECT_EQ(10, e->Value());
  ASSERT_TRUE(other->SetFocus());
  EXPECT_EQ("10", e->Text());
  ASSERT_TRUE(e->SetFocus());
  e->SetMinValue(0);
  retype("-3");
  EXPECT_EQ("0", e->Text());
  EXPECT_EQ(0, e->Value());
  retype("1a2");
  EXPECT_EQ("12", e->Text());
  // Equal limits: no limits at all.
  e->SetMinValue(0);
  e->SetMaxValue(0);
  e->SetValue(-123456);
  EXPECT_EQ(-123456, e->Value());
  // The longer limit decides how much may be typed.
  e->SetMinValue(-50);
  e->SetMaxValue(50);
  ASSERT_TRUE(other->SetFocus());
  ASSERT_TRUE(e->SetFocus());
  EXPECT_EQ(3, e->MaxLength());
  // Keys and wheel step by the increment.
  e->SetValue(0);
  e->Increment = 5;
  KeyDown(e->Handle(), VK_UP);
  EXPECT_EQ(5, e->Value());
  Wheel(e->Handle(), 120);
  EXPECT_EQ(0, e->Value());
}

TEST(TspSkinTrackEdit, BarStaysOnTheMonitorAndOpensAboveNearTheBottom) {
  MONITORINFO mi{sizeof(mi)};
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT& work = mi.rcWork;
  TForm form(nullptr);
  form.SetBounds(work.right - 200, work.bottom - 60, 200, 60);
  form.Show();
  auto* e = AddControl<TspSkinTrackEdit>(&form, &form, 50, 10, 120, 20);
  e->TrackBarWidth = 400;
  e->ButtonClick();
  ASSERT_TRUE(e->PopupShown());
  RECT bar, edit;
  GetWindowRect(e->PopupTrackBar()->Handle(), &bar);
  GetWindowRect(e->Handle(), &edit);
  EXPECT_EQ(work.right, bar.right);
  EXPECT_EQ(400, bar.right - bar.left);
  EXPECT_EQ(edit.top, bar.bottom);
  // The bar's changes become the value; the button closes it again.
  e->PopupTrackBar()->SetValue(42);
  EXPECT_EQ(42, e->Value());
  e->ButtonClick();
  EXPECT_FALSE(e->PopupShown());
}
