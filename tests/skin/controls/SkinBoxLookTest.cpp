// The list box and the combo box against a small skin made in code: flat
// colour blocks for the frame, the client area, the item states and the
// combo's box and button.
#include "support/gtest.h"

#include <windows.h>

#include <ostream>
#include <vector>

#include "support/Dib.h"
#include "support/RealInput.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinListBox.h"

// Found by argument lookup from inside the test macros.
bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& o, const RECT& r) {
  return o << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const uint32_t kFrame = 0x336699, kClient = 0xEEEEEE, kItem = 0x102030, kActive = 0x405060, kFocus = 0x708090;
const uint32_t kBox = 0x224466, kButton = 0x884422, kComboItem = 0x446688, kComboFocus = 0x668844;

struct BoxSkin {
  TspSkinData data{nullptr};

  static void Fill(TspPicture& p, int l, int t, int r, int b, uint32_t c) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) p.Pixels[size_t(y) * p.Width + x] = c;
  }

  BoxSkin() {
    // Picture 0: the list element (0, 0, 40, 40) with a 2-pixel frame, and
    // its item pictures 20 x 10 beside it.
    TspPicture p0;
    p0.SetSize(100, 40, kFrame);
    Fill(p0, 2, 2, 38, 38, kClient);
    Fill(p0, 40, 0, 60, 10, kItem);
    Fill(p0, 60, 0, 80, 10, kActive);
    Fill(p0, 80, 0, 100, 10, kFocus);
    // Picture 1: the combo strip (0, 0, 60, 20), its button drawn in the
    // right-hand piece, and its item pictures 20 x 16.
    TspPicture p1;
    p1.SetSize(100, 20, kBox);
    Fill(p1, 44, 2, 58, 18, kButton);
    Fill(p1, 60, 0, 80, 16, kComboItem);
    Fill(p1, 80, 0, 100, 16, kComboFocus);
    data.FActivePictures = {std::move(p0), std::move(p1)};

    auto list = std::make_unique<TspDataSkinListBox>("listbox");
    list->PictureIndex = 0;
    list->SkinRect = TspRect{0, 0, 40, 40};
    list->LTPoint = TspPoint{2, 2};
    list->RTPoint = TspPoint{38, 2};
    list->LBPoint = TspPoint{2, 38};
    list->RBPoint = TspPoint{38, 38};
    list->ClRect = TspRect{2, 2, 38, 38};
    list->SItemRect = TspRect{40, 0, 60, 10};
    list->ActiveItemRect = TspRect{60, 0, 80, 10};
    list->FocusItemRect = TspRect{80, 0, 100, 10};
    list->ItemTextRect = TspRect{2, 0, 18, 10};
    list->VScrollBarName = "";
    data.CtrlList.push_back(std::move(list));

    auto combo = std::make_unique<TspDataSkinComboBox>("combobox");
    combo->PictureIndex = 1;
    combo->SkinRect = TspRect{0, 0, 60, 20};
    combo->LTPoint = TspPoint{2, 0};
    combo->RTPoint = TspPoint{44, 0};
    combo->ClRect = TspRect{2, 2, 44, 18};
    combo->ButtonRect = TspRect{44, 2, 58, 18};
    combo->SItemRect = TspRect{60, 0, 80, 16};
    combo->FocusItemRect = TspRect{80, 0, 100, 16};
    combo->ItemTextRect = TspRect{2, 0, 18, 16};
    combo->ListBoxName = "listbox";
    data.CtrlList.push_back(std::move(combo));
    data.Empty = false;
  }
};

struct LookForm {
  FakeTimers timers;
  BoxSkin skin;
  TForm form{nullptr};
  LookForm() {
    form.SetBounds(50, 50, 320, 240);
    form.Show();
    Application->ProcessMessages();
  }
};

TEST(TspSkinListBoxLook, RowsAndFrameComeFromTheListElement) {
  LookForm t;
  auto* l = new TspSkinListBox(&t.form);
  l->SetParent(&t.form);
  l->SetBounds(10, 10, 120, 100);
  l->SetSkinData(&t.skin.data);
  EXPECT_EQ(10, l->ItemHeight()) << "the item picture's height";
  EXPECT_EQ(5 * 10 + 40 - 36, l->CalcHeight(5));
  for (int i = 0; i < 3; ++i) l->Items()->Add("row " + std::to_string(i));
  l->SetItemIndex(1);
  EXPECT_EQ(RECT({2, 2, 118, 98}), l->ListBox->BoundsRect()) << "the client rectangle grown to the size";
  Dib dib(l->Width(), l->Height());
  l->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kFrame), dib.At(0, 0));
  EXPECT_EQ(C(kFrame), dib.At(119, 99));
  EXPECT_EQ(C(kItem), dib.At(60, 2 + 5));
  EXPECT_EQ(C(kActive), dib.At(60, 2 + 15)) << "the selected row (not focused)";
  EXPECT_EQ(C(kItem), dib.At(60, 2 + 25));
  EXPECT_EQ(C(kClient), dib.At(60, 2 + 50)) << "below the rows: the client picture";

  // Back to no skin: the default item height and look.
  t.skin.data.Empty = true;
  l->ChangeSkinData();
  EXPECT_EQ(20, l->ItemHeight());
  EXPECT_EQ(104, l->CalcHeight(5));
}

TEST(TspSkinComboBoxLook, BoxButtonAndItemComeFromTheComboElement) {
  LookForm t;
  auto* c = new TspSkinComboBox(&t.form);
  c->SetParent(&t.form);
  c->SetBounds(10, 10, 120, 20);
  c->SetSkinData(&t.skin.data);
  c->Items()->Add("one");
  c->Items()->Add("two");
  c->SetItemIndex(0);
  EXPECT_EQ(RECT({104, 2, 118, 18}), c->Button.R) << "the button moves with the right-hand piece";
  EXPECT_EQ(RECT({2, 2, 104, 18}), c->CBItem.R);
  Dib dib(c->Width(), c->Height());
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kBox), dib.At(0, 0));
  EXPECT_EQ(C(kButton), dib.At(110, 10));
  EXPECT_EQ(C(kComboItem), dib.At(90, 4)) << "the item picture, not focused";
  ASSERT_TRUE(c->SetFocus());
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kComboFocus), dib.At(90, 4)) << "the focused item picture";
  // The drop-down list takes the element the combo names.
  c->DropDown();
  EXPECT_EQ("listbox", c->ListBox()->SkinDataName());
  EXPECT_EQ(10, c->ListBox()->ItemHeight());
  EXPECT_EQ(c->ListBox()->CalcHeight(2), c->ListBox()->Height());
  c->CloseUp(false);
}

TEST(TspSkinComboBoxLook, AStretchedComboKeepsItsTextPlaceOverRepaints) {
  LookForm t;
  auto* c = new TspSkinComboBox(&t.form);
  c->SetParent(&t.form);
  c->SetUseSkinSize(false);
  c->SetBounds(10, 10, 150, 30);
  c->SetSkinData(&t.skin.data);
  c->Items()->Add("one");
  c->SetItemIndex(0);
  EXPECT_EQ(30, c->Height()) << "the stretched look keeps the requested height";
  std::vector<RECT> places;
  c->OnComboBoxDrawItem = [&](TCanvas*, int, int, int, RECT tr, TOwnerDrawState) { places.push_back(tr); };
  Dib dib(c->Width(), c->Height());
  for (int i = 0; i < 3; ++i) c->PaintTo(dib.dc, 0, 0);
  ASSERT_GE(places.size(), 3u);
  for (const RECT& r : places) EXPECT_EQ(places.front(), r);
  EXPECT_EQ(2, places.front().left);
  EXPECT_EQ(16 + 10, places.front().bottom) << "the text area grows with the height";
}

TEST(TspSkinComboBoxLook, TheBoxShowsTheItemNotTheText) {
  LookForm t;
  auto* c = new TspSkinComboBox(&t.form);
  c->SetParent(&t.form);
  c->SetBounds(10, 10, 120, 20);
  c->Items()->Add("one");
  c->Items()->Add("two");
  std::vector<int> drawn;
  c->OnComboBoxDrawItem = [&](TCanvas*, int index, int, int, RECT, TOwnerDrawState) { drawn.push_back(index); };
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  c->SetItemIndex(1);
  c->SetText("typed");
  EXPECT_EQ("typed", c->Text());
  EXPECT_EQ(2, changes);
  Dib dib(c->Width(), c->Height());
  drawn.clear();
  c->PaintTo(dib.dc, 0, 0);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(1, drawn.back());
  c->SetItemIndex(-1);
  drawn.clear();
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_TRUE(drawn.empty()) << "no item: the box stays empty";
}

TEST(TspSkinComboBoxLook, TheProgramsSkinDressesTheComboAndItsList) {
  FakeTimers timers;
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  TForm form(nullptr);
  form.SetBounds(50, 50, 320, 240);
  form.Show();
  auto* c = new TspSkinComboBox(&form);
  c->SetParent(&form);
  c->SetBounds(10, 10, 160, 24);
  c->SetSkinData(&skin);
  for (int i = 0; i < 20; ++i) c->Items()->Add("choice " + std::to_string(i));
  c->SetItemIndex(3);
  EXPECT_NE(-1, c->SkinIndex());
  EXPECT_TRUE(c->HasElement());
  Dib plain(c->Width(), c->Height());
  c->PaintTo(plain.dc, 0, 0);
  c->DropDown();
  ASSERT_TRUE(c->IsPopupVisible());
  TspPopupListBox* list = c->ListBox();
  EXPECT_NE(-1, list->SkinIndex());
  EXPECT_EQ(list->CalcHeight(8), list->Height());
  ASSERT_NE(nullptr, list->ScrollBar);
  EXPECT_EQ("vscrollbar", list->ScrollBar->SkinDataName());
  EXPECT_NE(-1, list->ScrollBar->SkinIndex());
  EXPECT_EQ(3, list->TopIndex()) << "the selected row is the first one shown";
  Dib dib(list->Width(), list->Height());
  list->PaintTo(dib.dc, 0, 0);
  c->CloseUp(false);
}

// What the screen shows under the inner edit of an edit-style combo, at a
// place right of its text.
COLORREF UnderTheEdit(TspSkinComboBox* c) {
  TspComboEdit* e = c->Edit();
  return real_input::ScreenPixel(e->Handle(), e->Width() - 4, e->Height() / 2);
}

TEST(TspSkinComboBoxLook, TheEditStyleTextShowsOverTheSkinNotOverABox) {
  LookForm t;
  const COLORREF kPaper = RGB(250, 240, 200);
  auto make = [&](int top) {
    auto* c = new TspSkinComboBox(&t.form);
    c->SetParent(&t.form);
    c->SetBounds(10, top, 120, 20);
    c->SetDefaultColor(kPaper);
    c->SetStyle(spcbEditStyle);
    c->Items()->Add("12");
    c->SetItemIndex(0);
    return c;
  };
  TspSkinComboBox* skinned = make(10);
  skinned->SetSkinData(&t.skin.data);
  TspSkinComboBox* plain = make(40);
  ASSERT_TRUE(skinned->HasElement());
  EXPECT_TRUE(skinned->Edit()->EditTransparent());
  EXPECT_FALSE(plain->Edit()->EditTransparent()) << "without a skin the edit keeps the box colour";
  EXPECT_TRUE(real_input::PumpUntil([&] {
    return UnderTheEdit(skinned) == C(kBox) && UnderTheEdit(plain) == kPaper;
  })) << std::hex << UnderTheEdit(skinned) << " " << UnderTheEdit(plain);
  // Typing keeps the skin under the text.
  ASSERT_TRUE(real_input::Activate(t.form.Handle()));
  ASSERT_TRUE(skinned->Edit()->SetFocus());
  real_input::Press(VK_END);
  real_input::TypeText("34");
  EXPECT_TRUE(real_input::PumpUntil([&] { return skinned->Text() == "1234" && UnderTheEdit(skinned) == C(kBox); }))
      << skinned->Text();
  real_input::SaveShot(t.form.Handle(), "combo-edit-synthetic-skin.png");
  // Back to no skin: the edit is opaque again.
  t.skin.data.Empty = true;
  skinned->ChangeSkinData();
  EXPECT_FALSE(skinned->Edit()->EditTransparent());
  EXPECT_TRUE(real_input::PumpUntil([&] { return UnderTheEdit(skinned) == kPaper; }));
}

TEST(TspSkinComboBoxLook, TheProgramsSkinShowsUnderTheEditStyleText) {
  FakeTimers timers;
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  TForm form(nullptr);
  form.SetBounds(50, 50, 320, 120);
  form.Show();
  auto* c = new TspSkinComboBox(&form);
  c->SetParent(&form);
  c->SetBounds(10, 10, 160, 24);
  c->SetSkinData(&skin);
  c->SetDefaultColor(RGB(255, 0, 255));
  c->SetStyle(spcbEditStyle);
  c->Items()->Add("640x480");
  c->SetItemIndex(0);
  ASSERT_TRUE(c->HasElement());
  TspComboEdit* e = c->Edit();
  EXPECT_TRUE(e->EditTransparent());
  // The combo's own picture at that place, without the edit.
  Dib own(c->Width(), c->Height());
  SendMessageW(c->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(own.dc), 0);
  COLORREF want = own.At(e->Left() + e->Width() - 4, e->Top() + e->Height() / 2);
  EXPECT_NE(RGB(255, 0, 255), want);
  EXPECT_TRUE(real_input::PumpUntil([&] { return UnderTheEdit(c) == want; }))
      << std::hex << UnderTheEdit(c) << " want " << want;
  real_input::SaveShot(form.Handle(), "combo-edit-program-skin.png");
}

}  // namespace
