// The typing controls with the program's own skin: each finds its element,
// keeps its buttons at its right end and paints without leaving blanks.
#include "support/gtest.h"

#include "support/Dib.h"
#include "support/Controls.h"
#include "EditTestSupport.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinTabs.h"
#include "skin/controls/SkinTimeEdit.h"

using namespace edit_test;

namespace {

struct ProgramSkin {
  TspSkinData data{nullptr};
  ProgramSkin() { data.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini"); }
};

}  // namespace

TEST(TypingControlsWithTheProgramSkin, ElementsAndButtonPlaces) {
  ProgramSkin skin;
  ASSERT_FALSE(skin.data.Empty);
  Form f(700, 400);
  auto* edit = f.Add<TspSkinEdit>(10, 10, 150, 20);
  edit->SetSkinData(&skin.data);
  EXPECT_NE(-1, edit->SkinIndex());

  auto* button = f.Add<TspSkinEdit>(10, 40, 150, 20);
  button->SetSkinDataName("buttonedit");
  button->SetButtonMode(true);
  button->SetSkinData(&skin.data);
  ASSERT_NE(-1, button->SkinIndex());
  RECT b = button->ButtonRect();
  EXPECT_EQ(button->Width() - 2, b.right);
  EXPECT_LE(button->EditRect().right, b.left);

  auto* spin = f.Add<TspSkinSpinEdit>(10, 70, 150, 20);
  spin->SetSkinData(&skin.data);
  ASSERT_NE(-1, spin->SkinIndex());
  RECT up = spin->ArrowButtons().Buttons[0].R;
  RECT down = spin->ArrowButtons().Buttons[1].R;
  EXPECT_EQ(spin->Width() - 2, up.right);
  EXPECT_EQ(up.bottom, down.top);
  EXPECT_LE(spin->Edit()->Left() + spin->Edit()->Width(), up.left);

  auto* time = f.Add<TspSkinTimeEdit>(10, 100, 150, 20);
  time->SetSkinData(&skin.data);
  EXPECT_NE(-1, time->SkinIndex());

  auto* memo = f.Add<TspSkinMemo>(200, 10, 200, 100);
  memo->SetSkinData(&skin.data);
  EXPECT_NE(-1, memo->SkinIndex());

  auto* pc = AddControl<TspSkinPageControl>(&f.form, &f.form, 200, 150, 200, 150);
  pc->SetTabWidth(60);
  for (int i = 0; i < 5; ++i) {
    auto* s = new TspSkinTabSheet(&f.form);
    s->SetPageControl(pc);
    s->SetCaption("Tab");
  }
  pc->SetSkinData(&skin.data);
  ASSERT_NE(-1, pc->SkinIndex());
  ASSERT_NE(nullptr, pc->SkinUpDown());
  EXPECT_NE(-1, pc->SkinUpDown()->SkinIndex());
  // The scroller takes its element's size and stays inside the control.
  EXPECT_LE(pc->SkinUpDown()->Left() + pc->SkinUpDown()->Width(), pc->Width());

  // Every control paints fully: no pixel keeps the fill of the empty DIB.
  for (TWinControl* c : std::initializer_list<TWinControl*>{spin, pc}) {
    Dib dib(c->Width(), c->Height());
    c->PaintTo(dib.dc, 0, 0);
    int blanks = 0;
    for (int y = 0; y < dib.h; ++y)
      for (int x = 0; x < dib.w; ++x) blanks += dib.At(x, y) == RGB(0x12, 0x34, 0x56);
    EXPECT_EQ(0, blanks) << c->Width();
  }
}
