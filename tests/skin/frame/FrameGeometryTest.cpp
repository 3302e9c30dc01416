// Frame geometry without a window: the skin's rectangles moved to the
// form's size, the caption-button layout, the size limits, the object
// masks and snapping to the work area.
#include "support/gtest.h"

#include <windows.h>

#include "FrameTestSkin.h"
#include "framework/Forms.h"
#include "skin/frame/DynamicSkinForm.h"

using namespace frametest;

namespace {

struct Component {
  TForm form{nullptr};
  TspDynamicSkinForm* sf = new TspDynamicSkinForm(&form);
  explicit Component(TspSkinData* skin, int w = 300, int h = 200) {
    form.SetBounds(100, 100, w, h);
    if (skin) sf->SetSkinData(skin);
    sf->FFormWidth = w;
    sf->FFormHeight = h;
    sf->CalcRects();
    sf->CalcObjectRects();
  }
  TspActiveSkinObject* Object(const std::string& name) {
    for (auto& o : sf->ObjectList)
      if (o->IDName == name) return o.get();
    return nullptr;
  }
};

bool Eq(const TRect& a, const TRect& b) { return a == b; }

std::string Str(const TRect& r) {
  return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom) + ")";
}

}  // namespace

TEST(FrameGeometry, RectanglesMoveWithTheCornerRegions) {
  FrameSkin skin;
  Component c(&skin.data);  // 300 x 200: dx = 200, dy = 140
  struct Case {
    TRect in, want;
    const char* what;
  } cases[] = {
      {{2, 2, 10, 10}, {2, 2, 10, 10}, "top-left corner"},
      {{85, 2, 95, 10}, {285, 2, 295, 10}, "top-right corner"},
      {{2, 52, 10, 58}, {2, 192, 10, 198}, "bottom-left corner"},
      {{85, 52, 95, 58}, {285, 192, 295, 198}, "bottom-right corner"},
      {{2, 2, 95, 58}, {2, 2, 295, 198}, "top-left to bottom-right"},
      {{10, 5, 85, 25}, {10, 5, 285, 25}, "top band"},
      {{2, 52, 95, 58}, {2, 192, 295, 198}, "bottom band"},
      {{2, 2, 10, 58}, {2, 2, 10, 198}, "left column"},
      {{85, 2, 95, 58}, {285, 2, 295, 198}, "right column"},
      {{85, 2, 100, 10}, {85, 2, 100, 10}, "touching the right edge: no rule"},
      {{30, 35, 40, 45}, {30, 35, 40, 45}, "the middle"},
  };
  for (const Case& k : cases) {
    const TRect got = c.sf->GetNewObjectRect(k.in);
    EXPECT_TRUE(Eq(got, k.want)) << k.what << ": " << Str(got);
  }
  EXPECT_TRUE(Eq(c.sf->NewClRect, TRect{5, 30, 295, 195}));
  EXPECT_TRUE(Eq(c.sf->NewMaskRectArea, TRect{3, 3, 297, 197}));
  EXPECT_EQ(c.sf->NewHitTestRBPoint.X, 290);
  EXPECT_EQ(c.sf->NewHitTestRBPoint.Y, 190);

  // At the picture's own size nothing moves.
  Component same(&skin.data, 100, 60);
  EXPECT_TRUE(Eq(same.sf->NewClRect, TRect{5, 30, 95, 55}));
  EXPECT_TRUE(Eq(same.sf->GetNewObjectRect(TRect{85, 52, 95, 58}), TRect{85, 52, 95, 58}));
}

TEST(FrameGeometry, CaptionButtonsLineUpFromEitherEnd) {
  FrameSkin skin;
  Component right(&skin.data);
  EXPECT_TRUE(Eq(right.Object("closebutton")->ObjectRect, TRect{280, 5, 295, 20}));
  EXPECT_TRUE(Eq(right.Object("maxbutton")->ObjectRect, TRect{263, 5, 278, 20}));
  EXPECT_TRUE(Eq(right.Object("minbutton")->ObjectRect, TRect{246, 5, 261, 20}));
  EXPECT_TRUE(Eq(right.Object("rollupbutton")->ObjectRect, TRect{229, 5, 244, 20}));
  EXPECT_TRUE(Eq(right.Object("caption")->ObjectRect, TRect{10, 5, 229, 25}))
      << Str(right.Object("caption")->ObjectRect);

  FrameSkin leftSkin;
  leftSkin.data.CapButtonsInLeft = true;
  Component left(&leftSkin.data);
  EXPECT_TRUE(Eq(left.Object("closebutton")->ObjectRect, TRect{5, 5, 20, 20}));
  EXPECT_TRUE(Eq(left.Object("rollupbutton")->ObjectRect, TRect{56, 5, 71, 20}));
  EXPECT_EQ(left.Object("caption")->ObjectRect.Left, 75);
}

TEST(FrameGeometry, SizeLimits) {
  FrameSkin skin;
  Component plain(nullptr);
  EXPECT_EQ(plain.sf->GetMinWidth(), 130);
  EXPECT_EQ(plain.sf->GetMinHeight(), 25);
  plain.sf->MinWidth = 200;
  plain.sf->MinHeight = 90;
  EXPECT_EQ(plain.sf->GetMinWidth(), 200);
  EXPECT_EQ(plain.sf->GetMinHeight(), 90);
  plain.form.SetBorderStyle(bsToolWindow);
  plain.sf->MinHeight = 0;
  EXPECT_EQ(plain.sf->GetMinHeight(), 21);

  Component c(&skin.data);
  EXPECT_EQ(c.sf->GetMinWidth(), 100);  // the picture's width
  EXPECT_EQ(c.sf->GetMinHeight(), 35);  // caption and borders: 60 - 25
  c.sf->MinWidth = 150;
  c.sf->MinHeight = 80;
  EXPECT_EQ(c.sf->GetMinWidth(), 150);
  EXPECT_EQ(c.sf->GetMinHeight(), 80);
  c.sf->SetRollUpState(true);
  EXPECT_EQ(c.sf->GetMinHeight(), 35) << "MinHeight does not hold a rolled-up form open";
  EXPECT_EQ(c.sf->GetMinWidth(), 150);
  c.sf->SetRollUpState(false);
  skin.data.FormMinWidth = 120;
  skin.data.FormMinHeight = 40;
  c.sf->MinWidth = 0;
  c.sf->MinHeight = 0;
  EXPECT_EQ(c.sf->GetMinWidth(), 120);
  EXPECT_EQ(c.sf->GetMinHeight(), 40);
  c.sf->MaxWidth = 640;
  EXPECT_EQ(c.sf->GetMaxWidth(), 640);
}

TEST(FrameGeometry, ObjectMasksAndMorphFactor) {
  FrameSkin skin;
  Component c(&skin.data);
  TspDataUserObject rec("user");
  rec.SkinRect = TspRect{30, 5, 32, 6};
  rec.ActiveMaskPictureIndex = 1;
  TspUserObject o(c.sf, &rec);
  EXPECT_TRUE(o.PointInMask(0, 0)) << "RGB 0 is inside";
  EXPECT_FALSE(o.PointInMask(1, 0)) << "RGB 1 is outside";
  EXPECT_FALSE(o.PointInMask(2, 0)) << "the mask's width is outside";
  EXPECT_FALSE(o.PointInMask(-1, 0));
  EXPECT_FALSE(o.PointInMask(0, 1));
  rec.ActiveMaskPictureIndex = 7;  // no such picture: the rectangle alone decides
  TspUserObject unmasked(c.sf, &rec);
  EXPECT_TRUE(unmasked.PointInMask(5, 5));
  o.SetMorphKf(1.3);
  EXPECT_EQ(o.MorphKf(), 1.0);
  o.SetMorphKf(-0.1);
  EXPECT_EQ(o.MorphKf(), 0.0);
}

TEST(FrameGeometry, HoverSkipsPointsOutsideAnObjectsMask) {
  FrameSkin skin;
  auto rec = std::make_unique<TspDataSkinButton>("masked");
  rec->SkinRect = TspRect{2, 26, 4, 27};  // below the caption, in the corner region
  rec->ActiveMaskPictureIndex = 1;
  skin.data.ObjectList.push_back(std::move(rec));
  Component c(&skin.data);
  c.form.Perform(WM_ACTIVATE, WA_ACTIVE, 0);
  TspActiveSkinObject* masked = c.Object("masked");
  ASSERT_NE(masked, nullptr);
  const int x = masked->ObjectRect.Left, y = masked->ObjectRect.Top;
  c.sf->TestActive(x + 1, y, true);
  EXPECT_FALSE(masked->Active);
  c.sf->TestActive(x, y, true);
  EXPECT_TRUE(masked->Active);
  EXPECT_EQ(c.sf->ObjectAt(c.sf->ActiveObject), masked);
  c.sf->TestActive(-1, -1, false);
  EXPECT_FALSE(masked->Active);
}

TEST(FrameGeometry, DialogCloseButtonAndCustomButtons) {
  FrameSkin skin;
  auto dialogClose = std::make_unique<TspDataSkinStdButton>("dialogclosebutton");
  dialogClose->Command = cmClose;
  dialogClose->SkinRectInAPicture = true;
  dialogClose->ActivePictureIndex = 0;
  dialogClose->SkinRect = TspRect{0, 0, 15, 15};
  skin.data.ObjectList.push_back(std::move(dialogClose));
  auto custom = std::make_unique<TspDataSkinStdButton>("pinbutton");
  custom->Command = cmDefault;
  custom->SkinRect = TspRect{40, 5, 50, 15};
  skin.data.ObjectList.push_back(std::move(custom));
  Component c(&skin.data);
  auto visible = [&](const char* name) { return c.Object(name)->Visible; };
  EXPECT_FALSE(visible("dialogclosebutton"));
  EXPECT_TRUE(visible("closebutton"));
  EXPECT_FALSE(visible("pinbutton")) << "custom buttons stay hidden unless the program asks";

  c.sf->SetBorderIcons(0);
  EXPECT_TRUE(visible("dialogclosebutton"));
  EXPECT_FALSE(visible("closebutton"));
  c.sf->SetBorderIcons(biSystemMenu | biMinimize);
  EXPECT_FALSE(visible("dialogclosebutton"));

  c.sf->OnActivateCustomObject = [](const std::string& name, bool& v) { v = name == "pinbutton"; };
  c.sf->UpdateCaptionButtons();
  EXPECT_TRUE(visible("pinbutton"));
}

TEST(FrameGeometry, MagneticEdgesSnapWithinTheDistance) {
  TspDynamicSkinForm::MonitorAreaOverride = [](HWND, bool, TRect& r) { r = TRect{0, 0, 1000, 800}; };
  Component c(nullptr);
  c.sf->MagneticSize = 10;
  int x = 9, y = 300;
  c.sf->DoMagnetic(x, y, 300, 200);
  EXPECT_EQ(x, 0);
  EXPECT_TRUE(c.sf->HMagnetized);
  c.sf->HMagnetized = false;
  x = 10;
  c.sf->DoMagnetic(x, y, 300, 200);
  EXPECT_EQ(x, 10) << "10 pixels away is not near";
  x = 695, y = 605;  // right edge 995, bottom edge 805
  c.sf->DoMagnetic(x, y, 300, 200);
  EXPECT_EQ(x, 700);
  EXPECT_EQ(y, 600);
  EXPECT_TRUE(c.sf->HMagnetized2);
  EXPECT_TRUE(c.sf->VMagnetized2);
  c.sf->PositionInMonitor = sppDesktopCenter;
  const TPoint p = c.sf->GetPositionInMonitor(5, 5, 300, 200);
  EXPECT_EQ(p.X, 350);
  EXPECT_EQ(p.Y, 300);
  TspDynamicSkinForm::MonitorAreaOverride = nullptr;
}

TEST(FrameGeometry, OwnerMustBeAForm) {
  TComponent owner(nullptr);
  EXPECT_THROW(new TspDynamicSkinForm(&owner), Exception);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(FrameGeometry, RemovingTheSkinClearsEveryReferenceToIt) {
  auto* skin = new FrameSkin;
  Component c(&skin->data);
  c.sf->SetMenusSkinData(&skin->data);
  delete skin;
  EXPECT_EQ(c.sf->SkinData(), nullptr);
  EXPECT_EQ(c.sf->MenusSkinData(), nullptr);
}
