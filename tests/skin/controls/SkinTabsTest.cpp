// The skinned page control: its tab scroller, wheel paging, closing pages,
// hiding tabs and the rectangles it reports to the system control.
#include "support/gtest.h"

#include "support/Dib.h"
#include "EditTestSupport.h"
#include "skin/controls/SkinTabs.h"

using namespace edit_test;

namespace {

struct TabsForm : Form {
  TspSkinPageControl* pc;
  std::vector<TspSkinTabSheet*> sheets;
  explicit TabsForm(int pages = 5, int width = 200) : Form(600, 400) {
    pc = new TspSkinPageControl(&form);
    pc->SetParent(&form);
    pc->SetBounds(10, 10, width, 150);
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
