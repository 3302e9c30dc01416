// The skinned page control: its tab scroller, wheel paging, closing pages,
// hiding tabs and the rectangles it reports to the system control.
#include "support/gtest.h"

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/Controls.h"
#include "EditTestSupport.h"
#include "skin/controls/SkinTabs.h"

using namespace edit_test;

namespace {

struct TabsForm : Form {
  TspSkinPageControl* pc;
  std::vector<TspSkinTabSheet*> sheets;
  explicit TabsForm(int pages = 5, int width = 200) : Form(600, 400) {
    pc = AddControl<TspSkinPageControl>(&form, &form, 10, 10, width, 150);
    pc->SetTabWidth(60);
    for (int i = 0; i < pages; ++i) {
      auto* s = new TspSkinTabSheet(&form);
      s->SetPageControl(pc);
      s->SetCaption("Page " + std::to_string(i + 1));
      sheets.push_back(s);
    }
    pc->HandleNeeded();
    pc->SetActivePage(sheets[0]);
    pc->UpdateTabScroller();
  }
};

}  // namespace

TEST(TspSkinPageControl, ScrollerAppearsOnlyWhileTabsDoNotFit) {
  TabsForm f;
  ASSERT_NE(nullptr, f.pc->SkinUpDown());
  EXPECT_EQ(2, f.pc->SkinUpDown()->Max());
  EXPECT_EQ(0, f.pc->SkinUpDown()->Position());
  EXPECT_EQ(f.pc->Width() - f.pc->SkinUpDown()->Width(), f.pc->SkinUpDown()->Left());
  // The system's own scroller is gone.
  EXPECT_EQ(nullptr, FindWindowExW(f.pc->Handle(), nullptr, u"msctls_updown32", nullptr));
  // A step of the scroller moves the tabs one place.
  RECT before = f.pc->TabRect(0);
  f.pc->SkinUpDown()->SetPosition(1);
  RECT after = f.pc->TabRect(0);
  EXPECT_LT(after.right, before.right);
  f.pc->SetBounds(10, 10, 420, 150);
  EXPECT_EQ(nullptr, f.pc->SkinUpDown());
  // Narrow again, but on several rows: no scroller.
  f.pc->SetMultiLine(true);
  f.pc->SetBounds(10, 10, 200, 150);
  f.pc->UpdateTabScroller();
  EXPECT_EQ(nullptr, f.pc->SkinUpDown());
}

TEST(TspSkinPageControl, WheelPagesForwardAndBackWithoutWrap) {
  TabsForm f(3, 400);
  f.pc->MouseWheelSupport = true;
  f.sheets[1]->SetTabVisible(false);
  ASSERT_TRUE(f.pc->SetFocus());
  int changes = 0;
  f.pc->OnChange = [&](TObject*) { ++changes; };
  HWND h = f.pc->Handle();
  Wheel(h, -120);
  EXPECT_EQ(f.sheets[2], f.pc->ActivePage());  // the hidden page is skipped
  Wheel(h, -120);
  EXPECT_EQ(f.sheets[2], f.pc->ActivePage());  // the last page stays
  Wheel(h, 120);
  EXPECT_EQ(f.sheets[0], f.pc->ActivePage());
  Wheel(h, 120);
  EXPECT_EQ(f.sheets[0], f.pc->ActivePage());
  EXPECT_EQ(2, changes);
  // Without wheel support the wheel does nothing.
  f.pc->MouseWheelSupport = false;
  Wheel(h, -120);
  EXPECT_EQ(f.sheets[0], f.pc->ActivePage());
}

TEST(TspSkinPageControl, SettingsThatAreRefused) {
  TabsForm f(2, 400);
  f.pc->SetTabWidth(0);
  f.pc->SetTabsInCenter(true);
  EXPECT_FALSE(f.pc->TabsInCenter());
  f.pc->SetTabWidth(60);
  f.pc->SetTabsInCenter(true);
  EXPECT_TRUE(f.pc->TabsInCenter());
  EXPECT_TRUE(f.pc->TabsBGTransparent());
  f.pc->SetTabMargin(3);
  f.pc->SetTabMargin(-2);
  EXPECT_EQ(3, f.pc->TabMargin());
  f.pc->SetTabMargin(-1);
  EXPECT_EQ(-1, f.pc->TabMargin());
}

TEST(TspSkinPageControl, HideTabsAndShowTabsRestoreTheLayout) {
  TabsForm f(2, 400);
  f.pc->SetTabPosition(tpLeft);
  f.pc->SetMultiLine(true);
  f.pc->SetTabHeight(24);
  f.pc->HideTabs();
  EXPECT_FALSE(f.pc->MultiLine());
  EXPECT_TRUE(f.pc->TabsHidden());
  EXPECT_EQ(tpTop, f.pc->TabPosition());
  EXPECT_EQ(1, f.pc->TabHeight());
  f.pc->HideTabs();  // a second hide changes nothing
  f.pc->ShowTabs();
  EXPECT_FALSE(f.pc->TabsHidden());
  EXPECT_EQ(tpLeft, f.pc->TabPosition());
  EXPECT_EQ(24, f.pc->TabHeight());
  EXPECT_TRUE(f.pc->MultiLine());
}

TEST(TspSkinPageControl, PageAreaWithoutSkin) {
  TabsForm f(2, 400);
  RECT r = f.pc->DisplayRect();
  RECT c = f.pc->ClientRect();
  EXPECT_EQ(1, r.left);
  EXPECT_EQ(c.right - 1, r.right);
  EXPECT_EQ(c.bottom - 1, r.bottom);
  EXPECT_GT(r.top, 0);
  // The sheet fills it.
  EXPECT_EQ(r.left, f.sheets[0]->Left());
  EXPECT_EQ(r.top, f.sheets[0]->Top());
  EXPECT_EQ(r.right - r.left, f.sheets[0]->Width());
  f.pc->HideBorderAndTabs();
  r = f.pc->DisplayRect();
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(-2, r.top);
  EXPECT_EQ(f.pc->Width(), r.right);
}

TEST(TspSkinPageControl, CloseButtonClosesUnlessRefused) {
  TabsForm f(3, 500);
  f.pc->SetShowCloseButtons(true);
  f.pc->FreeOnClose = true;
  bool allow = false;
  int closes = 0, afterCloses = 0;
  f.pc->OnClose = [&](TObject*, bool& canClose) {
    ++closes;
    canClose = allow;
  };
  f.pc->OnAfterClose = [&](TObject*) { ++afterCloses; };
  auto clickClose = [&]() {
    Dib dib(f.pc->Width(), f.pc->Height());
    f.pc->PaintControlTo(dib.dc);  // places the close buttons
    auto* sheet = dynamic_cast<TspSkinCustomTabSheet*>(f.pc->ActivePage());
    RECT item = f.pc->TabRect(sheet->TabIndex());
    RECT b = sheet->ButtonRect;
    ASSERT_FALSE(IsRectEmpty(&b));
    LPARAM at = MAKELPARAM(item.left + (b.left + b.right) / 2, item.top + (b.top + b.bottom) / 2);
    SendMessageW(f.pc->Handle(), WM_MOUSEMOVE, 0, at);
    SendMessageW(f.pc->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(f.pc->Handle(), WM_LBUTTONUP, 0, at);
  };
  clickClose();
  EXPECT_EQ(1, closes);
  EXPECT_EQ(0, afterCloses);
  EXPECT_EQ(3, f.pc->PageCount());
  EXPECT_TRUE(f.sheets[0]->TabVisible());
  allow = true;
  clickClose();
  EXPECT_EQ(2, closes);
  EXPECT_EQ(1, afterCloses);
  EXPECT_EQ(2, f.pc->PageCount());
  EXPECT_EQ(f.sheets[1], f.pc->ActivePage());
}

namespace {
// The edit skin with a "tab" element: frame 3 pixels wide on every side.
void AddTabElement(EditSkin& skin) {
  auto tab = std::make_unique<TspDataSkinTabControl>("tab");
  tab->PictureIndex = 0;
  tab->SkinRect = TspRect{0, 0, 40, 20};
  NinePart(tab, 3, 3, 37, 17);
  tab->TabRect = TspRect{120, 0, 140, 20};
  tab->ActiveTabRect = TspRect{140, 0, 160, 20};
  tab->TabLeftOffset = 3;
  tab->TabRightOffset = 3;
  skin.data.CtrlList.push_back(std::move(tab));
}
}  // namespace

TEST(TspSkinPageControl, SkinnedFrameAndTabs) {
  EditSkin skin;
  AddTabElement(skin);
  TabsForm f(3, 400);
  f.pc->SetSkinData(&skin.data);
  ASSERT_NE(-1, f.pc->SkinIndex());
  // The page area keeps the skin's frame widths.
  RECT area = f.pc->DisplayRect();
  RECT c = f.pc->ClientRect();
  EXPECT_EQ(3, area.left);
  EXPECT_EQ(c.right - 3, area.right);
  EXPECT_EQ(c.bottom - 3, area.bottom);
  Dib dib(f.pc->Width(), f.pc->Height());
  f.pc->PaintControlTo(dib.dc);
  RECT active = f.pc->TabRect(0), other = f.pc->TabRect(1);
  EXPECT_EQ(C(EditSkin::kActiveTab), dib.At(active.left + 1, active.top + 1));
  EXPECT_EQ(C(EditSkin::kTab), dib.At(other.left + 1, other.top + 1));
  // The frame below the page area comes from the element's border.
  EXPECT_EQ(C(EditSkin::kFrame), dib.At(area.left + 10, area.bottom + 1));
  // Selecting the second page swaps the looks.
  f.pc->SetActivePage(f.sheets[1]);
  f.pc->PaintControlTo(dib.dc);
  EXPECT_EQ(C(EditSkin::kTab), dib.At(active.left + 1, active.top + 1));
  EXPECT_EQ(C(EditSkin::kActiveTab), dib.At(other.left + 1, other.top + 1));
}

TEST(TspSkinPageControl, PlainLookMarksTheSelectedTab) {
  TabsForm f(2, 400);
  Dib dib(f.pc->Width(), f.pc->Height());
  f.pc->PaintControlTo(dib.dc);
  RECT active = f.pc->TabRect(0), other = f.pc->TabRect(1);
  EXPECT_EQ(RGB(0, 0, 128), dib.At(active.left, active.top + 5));  // the navy frame
  EXPECT_EQ(RGB(182, 189, 210), dib.At(active.left + 2, active.top + 2));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), dib.At(other.left + 2, other.top + 2));
}

TEST(TspSkinPageControl, PageAreaKeepsTheSkinFrameOnEverySide) {
  EditSkin skin;
  AddTabElement(skin);
  TabsForm f(2, 400);
  f.pc->SetSkinData(&skin.data);
  struct Case {
    TTabPosition position;
    bool left, right, bottom;  // which edges the frame fixes
  } cases[] = {{tpTop, true, true, true}, {tpBottom, true, true, false}, {tpLeft, false, true, true},
               {tpRight, true, false, true}};
  for (auto& c : cases) {
    f.pc->SetTabPosition(c.position);
    RECT area = f.pc->DisplayRect();
    RECT client = f.pc->ClientRect();
    if (c.left) EXPECT_EQ(3, area.left) << c.position;
    if (c.right) EXPECT_EQ(client.right - 3, area.right) << c.position;
    if (c.bottom) EXPECT_EQ(client.bottom - 3, area.bottom) << c.position;
    // The page follows the area.
    EXPECT_EQ(area.left, f.sheets[0]->Left()) << c.position;
    EXPECT_EQ(area.bottom - area.top, f.sheets[0]->Height()) << c.position;
  }
}
