// The list box and the combo box against a small skin made in code: flat
// colour blocks for the frame, the client area, the item states and the
// combo's box and button.
#include "support/gtest.h"

#include <windows.h>

#include <ostream>
#include <vector>

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/RealInput.h"
#include "support/Controls.h"
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

// The combo element of the synthetic skins: a strip (0, 0, 60, 20) of
// picture `picture`, 2-pixel ends, its button in the right-hand piece.
TspDataSkinComboBox& AddComboStrip(TspSkinData& data, int picture) {
  auto combo = std::make_unique<TspDataSkinComboBox>("combobox");
  combo->PictureIndex = picture;
  combo->SkinRect = TspRect{0, 0, 60, 20};
  AcrossEnds(combo, 2, 44);
  combo->ClRect = TspRect{2, 2, 44, 18};
  combo->ButtonRect = TspRect{44, 2, 58, 18};
  TspDataSkinComboBox& e = *combo;
  data.CtrlList.push_back(std::move(combo));
  return e;
}

struct BoxSkin {
  TspSkinData data{nullptr};

  BoxSkin() {
    // Picture 0: the list element (0, 0, 40, 40) with a 2-pixel frame, and
    // its item pictures 20 x 10 beside it.
    TspPicture p0 = SolidPicture(100, 40, kFrame);
    FillPicture(p0, 2, 2, 38, 38, kClient);
    FillPicture(p0, 40, 0, 60, 10, kItem);
    FillPicture(p0, 60, 0, 80, 10, kActive);
    FillPicture(p0, 80, 0, 100, 10, kFocus);
    // Picture 1: the combo strip (0, 0, 60, 20), its button drawn in the
    // right-hand piece, and its item pictures 20 x 16.
    TspPicture p1 = SolidPicture(100, 20, kBox);
    FillPicture(p1, 44, 2, 58, 18, kButton);
    FillPicture(p1, 60, 0, 80, 16, kComboItem);
    FillPicture(p1, 80, 0, 100, 16, kComboFocus);
    data.FActivePictures = {std::move(p0), std::move(p1)};

    auto list = std::make_unique<TspDataSkinListBox>("listbox");
    list->PictureIndex = 0;
    list->SkinRect = TspRect{0, 0, 40, 40};
    NinePart(list, 2, 2, 38, 38);
    list->SItemRect = TspRect{40, 0, 60, 10};
    list->ActiveItemRect = TspRect{60, 0, 80, 10};
    list->FocusItemRect = TspRect{80, 0, 100, 10};
    list->ItemTextRect = TspRect{2, 0, 18, 10};
    list->VScrollBarName = "";
    data.CtrlList.push_back(std::move(list));

    TspDataSkinComboBox& combo = AddComboStrip(data, 1);
    combo.SItemRect = TspRect{60, 0, 80, 16};
    combo.FocusItemRect = TspRect{80, 0, 100, 16};
    combo.ItemTextRect = TspRect{2, 0, 18, 16};
    combo.ListBoxName = "listbox";
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

// The program's own skin and a shown form to put combos on.
struct ProgramSkinForm {
  FakeTimers timers;
  TspSkinData skin{nullptr};
  TForm form{nullptr};
  explicit ProgramSkinForm(int height) {
    skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
    form.SetBounds(50, 50, 320, height);
    form.Show();
  }
  // A skinned combo at (10, 10), `width` wide; a tool-button one when asked.
  TspSkinComboBox* Combo(int width, bool toolButton = false) {
    auto* c = new TspSkinComboBox(&form);
    c->SetParent(&form);
    if (toolButton) c->SetToolButtonStyle(true);
    c->SetBounds(10, 10, width, 24);
    c->SetSkinData(&skin);
    return c;
  }
};

TEST(TspSkinListBoxLook, RowsAndFrameComeFromTheListElement) {
  LookForm t;
  auto* l = AddControl<TspSkinListBox>(&t.form, &t.form, 10, 10, 120, 100);
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
  auto* c = AddControl<TspSkinComboBox>(&t.form, &t.form, 10, 10, 120, 20);
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
  auto* c = AddControl<TspSkinComboBox>(&t.form, &t.form, 10, 10, 120, 20);
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
  ProgramSkinForm t(240);
  ASSERT_FALSE(t.skin.Empty);
  TspSkinComboBox* c = t.Combo(160);
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
    auto* c = AddControl<TspSkinComboBox>(&t.form, &t.form, 10, top, 120, 20);
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
  ProgramSkinForm t(120);
  ASSERT_FALSE(t.skin.Empty);
  TspSkinComboBox* c = t.Combo(160);
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
  real_input::SaveShot(t.form.Handle(), "combo-edit-program-skin.png");
}

// The combo's button and tool-button looks with marker glyphs: the combo's
// picture holds the strip and three markers (red, green, blue inside a
// border of the transparent colour), the button elements' picture three
// flat bodies.
const uint32_t kMagenta = 0xFF00FF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
const uint32_t kBody = 0x808000, kBodyHot = 0x008080, kBodyDown = 0x800080;

struct MarkerSkin {
  TspSkinData data{nullptr};
  MarkerSkin() {
    TspPicture p0 = SolidPicture(100, 40, kBox);
    FillPicture(p0, 44, 2, 58, 18, kButton);
    int x = 0;
    for (uint32_t c : {kRed, kGreen, kBlue}) {
      FillPicture(p0, x, 20, x + 8, 26, kMagenta);
      FillPicture(p0, x + 1, 21, x + 7, 25, c);
      x += 10;
    }
    TspPicture p1 = SolidPicture(60, 20, kBody);
    FillPicture(p1, 20, 0, 40, 20, kBodyHot);
    FillPicture(p1, 40, 0, 60, 20, kBodyDown);
    data.FActivePictures = {std::move(p0), std::move(p1)};

    AddComboStrip(data, 0);
    for (const char* name : {"combobutton", "resizetoolbutton"}) {
      auto b = std::make_unique<TspDataSkinButtonControl>(name);
      b->PictureIndex = 1;
      b->SkinRect = TspRect{0, 0, 20, 20};
      b->ActiveSkinRect = TspRect{20, 0, 40, 20};
      b->DownSkinRect = TspRect{40, 0, 60, 20};
      NinePart(b, 2, 2, 18, 18);
      b->MenuMarkerRect = TspRect{0, 20, 8, 26};
      b->MenuMarkerActiveRect = TspRect{10, 20, 18, 26};
      b->MenuMarkerDownRect = TspRect{20, 20, 28, 26};
      b->MenuMarkerTransparentColor = static_cast<int32_t>(RGB(255, 0, 255));
      data.CtrlList.push_back(std::move(b));
    }
    data.Empty = false;
  }
  TspDataSkinButtonControl* Button(const char* name) {
    return dynamic_cast<TspDataSkinButtonControl*>(data.CtrlList[data.GetControlIndex(name)].get());
  }
};

TEST(TspSkinComboBoxLook, TheStretchedButtonShowsTheMarkerOfItsState) {
  LookForm t;
  MarkerSkin skin;
  auto* c = AddControl<TspSkinComboBox>(&t.form, &t.form, 10, 10, 120, 30);
  c->SetUseSkinSize(false);
  c->SetSkinData(&skin.data);
  Dib dib(c->Width(), c->Height());
  RECT r = c->Button.R;
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  struct Case {
    bool hot, down;
    uint32_t marker, body;
    int dy;
  };
  for (const Case& k : {Case{false, false, kRed, kBody, 0}, Case{true, false, kGreen, kBodyHot, 0},
                        Case{true, true, kBlue, kBodyDown, 1}}) {
    c->Button.MouseIn = k.hot;
    c->Button.Down = k.down;
    c->PaintTo(dib.dc, 0, 0);
    EXPECT_EQ(C(k.marker), dib.At(cx, cy + k.dy)) << k.hot << k.down;
    EXPECT_EQ(C(k.body), dib.At(cx - 4, cy - 3 + k.dy)) << "the transparent colour leaves the body showing";
    EXPECT_EQ(C(k.body), dib.At(r.left + 1, r.top + 1));
  }
  // Without a marker the element's button shows the plain arrow, and a
  // disabled combo none.
  c->Button.MouseIn = c->Button.Down = false;
  skin.Button("combobutton")->MenuMarkerRect = TspRect{};
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_NE(C(kRed), dib.At(cx, cy));
  c->SetEnabled(false);
  c->PaintTo(dib.dc, 0, 0);
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) ASSERT_EQ(C(kBody), dib.At(x, y)) << x << "," << y;
}

TEST(TspSkinComboBoxLook, TheSkinnedToolButtonShowsTheMarkerOfItsState) {
  LookForm t;
  MarkerSkin skin;
  auto* c = AddControl<TspSkinComboBox>(&t.form, &t.form, 10, 10, 120, 24);
  c->SetToolButtonStyle(true);
  c->SetSkinData(&skin.data);
  c->Items()->Add("one");
  c->Items()->Add("two");
  c->SetItemIndex(0);
  Dib dib(c->Width(), c->Height());
  const int cx = 120 - 15 + 7, cy = 12;
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kRed), dib.At(cx, cy)) << "at rest";
  EXPECT_EQ(C(kBody), dib.At(cx - 4, cy - 3));
  ASSERT_TRUE(c->SetFocus());
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kGreen), dib.At(cx, cy)) << "hot";
  EXPECT_EQ(C(kBodyHot), dib.At(cx - 4, cy - 3));
  c->DropDown();
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kBlue), dib.At(cx, cy)) << "dropped down";
  EXPECT_EQ(C(kBodyDown), dib.At(cx - 4, cy - 3));
  c->CloseUp(false);
  // A dropped combo without a down marker shows the active one.
  skin.Button("resizetoolbutton")->MenuMarkerDownRect = TspRect{};
  c->DropDown();
  c->PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(C(kGreen), dib.At(cx, cy));
  c->CloseUp(false);
}

TEST(TspSkinComboBoxLook, TheProgramsSkinDrawsTheToolButtonArrowInItsFontColour) {
  ProgramSkinForm t(120);
  ASSERT_FALSE(t.skin.Empty);
  int i = t.skin.GetControlIndex("resizetoolbutton");
  ASSERT_GE(i, 0);
  auto* e = dynamic_cast<TspDataSkinButtonControl*>(t.skin.CtrlList[i].get());
  ASSERT_NE(nullptr, e);
  ASSERT_TRUE(e->MenuMarkerRect.Right <= e->MenuMarkerRect.Left) << "the program's skin has no marker here";
  TspSkinComboBox* c = t.Combo(140, true);
  c->Items()->Add("H.264");
  c->SetItemIndex(0);
  Dib dib(c->Width(), c->Height());
  c->PaintTo(dib.dc, 0, 0);
  const COLORREF font = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
  int hits = 0;
  for (int y = 0; y < c->Height(); ++y)
    for (int x = c->Width() - 15; x < c->Width(); ++x) hits += dib.At(x, y) == font;
  EXPECT_GE(hits, 4) << "the arrow";
}

}  // namespace
