// The layered border around a skinned form: where its windows sit, how they
// follow the form, their styles and looks, sizing the form from the band,
// the full border's caption and buttons, and switching the border at run
// time.
#include "support/gtest.h"

#include <windows.h>

#include <cmath>
#include <functional>
#include <map>
#include <vector>
#include <string>

#include "FrameTestSkin.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/data/spzlibcompress.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"
#include "support/SkinParts.h"

using namespace frametest;

namespace {

// The layer picture: 60 x 70, the form covering (10, 10, 50, 60); corner
// points (15, 50), (45, 50), (15, 60), (45, 60) give a 50-pixel top piece,
// a 10-pixel bottom piece and a 10-pixel middle band; a 6-pixel sizing band
// all round, edge zones 4 pixels thick, corner zones 8 x 8.
enum LayerKind { kBand, kNoBand, kSingle, kFull };

void AddLayerFrame(TspSkinData& sd, LayerKind kind) {
  const int picture = int(sd.FActivePictures.size());
  TspPicture p = SolidPicture(60, 70, 0x808080);
  sd.FActivePictures.push_back(p);
  TspPicture m = SolidPicture(60, 70, 0xC0C0C0);
  sd.FActivePictures.push_back(m);
  auto lf = std::make_unique<TspDataSkinLayerFrame>();
  lf->PictureIndex = picture;
  lf->MaskPictureIndex = picture + 1;
  lf->ClRect = TspRect{10, 10, 50, 60};
  lf->LTPoint = TspPoint{15, 50};
  lf->RTPoint = TspPoint{45, 50};
  lf->LBPoint = TspPoint{15, 60};
  lf->RBPoint = kind == kSingle ? TspPoint{0, 0} : TspPoint{45, 60};
  lf->AlphaBlendValue = 200;
  lf->InActiveAlphaBlendValue = 100;
  if (kind != kNoBand) lf->BorderRect = TspRect{4, 4, 56, 66};
  lf->HitTestEnable = true;
  lf->HitTestSize = 4;
  HitTestCorners(lf, 12, 12, 48, 58);
  if (kind == kFull) {
    lf->FullBorder = true;
    lf->CaptionRect = TspRect{12, 20, 48, 40};
  }
  *sd.LayerFrame = *lf;
}

struct LayerSkin {
  FrameSkin frame;
  explicit LayerSkin(LayerKind kind = kBand) { AddLayerFrame(frame.data, kind); }
  TspSkinData* data() { return &frame.data; }
};

// What the border passed to UpdateLayeredWindow last, per window.
std::map<HWND, BYTE>& Alphas() {
  static std::map<HWND, BYTE> a;
  return a;
}
TUpdateLayeredWindow RealULW = nullptr;
BOOL WINAPI RecordULW(HWND h, HDC d, POINT* p, SIZE* s, HDC sd, POINT* sp, COLORREF k, BLENDFUNCTION* b, DWORD f) {
  if (b) Alphas()[h] = b->SourceConstantAlpha;
  return RealULW ? RealULW(h, d, p, s, sd, sp, k, b, f) : TRUE;
}

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

struct Framed {
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf;
  explicit Framed(TspSkinData* skin, int l = 100, int t = 100, int w = 300, int h = 200) {
    if (!RealULW) {
      RealULW = SkinUpdateLayeredWindow;
      SkinUpdateLayeredWindow = RecordULW;
    }
    form->SetBounds(l, t, w, h);
    sf = new TspDynamicSkinForm(form);
    sf->SetSkinData(skin);
    form->HandleNeeded();
    ShowWindow(form->Handle(), SW_SHOWNA);
    Pump();
  }
  ~Framed() { delete form; }
  Framed(const Framed&) = delete;
  Framed& operator=(const Framed&) = delete;
  TspFormLayerBorder* L() { return sf->FBorderLayer; }
  HWND h() { return form->Handle(); }
  void Move(int x, int y, int w, int hh) { SetWindowPos(h(), nullptr, x, y, w, hh, SWP_NOZORDER | SWP_NOACTIVATE); }
};

RECT Win(TspFormLayerWindow* w) {
  RECT r{0, 0, 0, 0};
  if (w) GetWindowRect(w->Handle(), &r);
  return r;
}

std::string Str(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

#define EXPECT_RECT(w, l, t, r, b) EXPECT_EQ(Str(Win(w)), Str(RECT{l, t, r, b}))

}  // namespace

TEST(LayeredBorder, FourWindowsSitAroundTheFormAndFollowIt) {
  LayerSkin skin;
  Framed f(skin.data());
  ASSERT_TRUE(f.L()->FVisible);
  // Form (100, 100) 300 x 200: frame at (90, 90), 320 x 220.
  EXPECT_RECT(f.L()->TopBorder, 90, 90, 410, 140);
  EXPECT_RECT(f.L()->BottomBorder, 90, 300, 410, 310);
  EXPECT_RECT(f.L()->LeftBorder, 90, 140, 100, 300);
  EXPECT_RECT(f.L()->RightBorder, 400, 140, 410, 300);
  for (TspFormLayerWindow* w : {f.L()->LeftBorder, f.L()->RightBorder, f.L()->TopBorder, f.L()->BottomBorder})
    EXPECT_TRUE(IsWindowVisible(w->Handle()));

  // A pure move moves the windows; a resize rebuilds the pieces.
  f.Move(150, 120, 300, 200);
  EXPECT_RECT(f.L()->TopBorder, 140, 110, 460, 160);
  EXPECT_RECT(f.L()->LeftBorder, 140, 160, 150, 320);
  f.Move(150, 120, 400, 250);
  EXPECT_RECT(f.L()->TopBorder, 140, 110, 560, 160);
  EXPECT_RECT(f.L()->BottomBorder, 140, 370, 560, 380);
  EXPECT_RECT(f.L()->LeftBorder, 140, 160, 150, 370);
  EXPECT_RECT(f.L()->RightBorder, 550, 160, 560, 370);

  // Hiding the form hides the border; showing it brings it back in place.
  ShowWindow(f.h(), SW_HIDE);
  EXPECT_FALSE(f.L()->FVisible);
  EXPECT_EQ(f.L()->TopBorder, nullptr);
  ShowWindow(f.h(), SW_SHOWNA);
  ASSERT_TRUE(f.L()->FVisible);
  EXPECT_RECT(f.L()->TopBorder, 140, 110, 560, 160);
}

TEST(LayeredBorder, ShortFormHidesTheSideWindowsAndSinglePieceGivesOneWindow) {
  LayerSkin skin;
  Framed f(skin.data());
  // Side height = form height - 40 here: 40 leaves none.
  f.Move(100, 100, 300, 40);
  EXPECT_EQ(f.L()->LeftImage->Height(), 0);
  EXPECT_FALSE(IsWindowVisible(f.L()->LeftBorder->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.L()->RightBorder->Handle()));
  EXPECT_TRUE(IsWindowVisible(f.L()->TopBorder->Handle()));
  f.Move(100, 100, 300, 41);
  EXPECT_TRUE(IsWindowVisible(f.L()->LeftBorder->Handle()));
  EXPECT_RECT(f.L()->LeftBorder, 90, 140, 100, 141);

  LayerSkin single(kSingle);
  Framed g(single.data());
  EXPECT_EQ(g.L()->LeftBorder, nullptr);
  EXPECT_EQ(g.L()->BottomBorder, nullptr);
  // The whole picture at its own size at the frame's corner.
  EXPECT_RECT(g.L()->TopBorder, 90, 90, 150, 160);
  g.Move(100, 100, 500, 300);
  EXPECT_RECT(g.L()->TopBorder, 90, 90, 150, 160);
}

TEST(LayeredBorder, LayerWindowsAreLayeredNeverActiveAndLetTheMouseThroughWithoutABand) {
  LayerSkin skin;
  Framed f(skin.data());
  HWND top = f.L()->TopBorder->Handle();
  EXPECT_TRUE(GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_EQ(SendMessageW(top, WM_MOUSEACTIVATE, WPARAM(top), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), MA_NOACTIVATE);
  SetForegroundWindow(top);
  Pump();
  EXPECT_NE(GetActiveWindow(), top);
  EXPECT_NE(GetForegroundWindow(), top);

  LayerSkin noBand(kNoBand);
  Framed g(noBand.data());
  for (TspFormLayerWindow* w : {g.L()->LeftBorder, g.L()->RightBorder, g.L()->TopBorder, g.L()->BottomBorder}) {
    const LONG ex = GetWindowLongW(w->Handle(), GWL_EXSTYLE);
    EXPECT_TRUE((ex & WS_EX_LAYERED) && (ex & WS_EX_TRANSPARENT));
  }
  EXPECT_EQ(g.L()->LeftSize, 0);
  EXPECT_EQ(g.L()->BottomSize, 0);
}

TEST(LayeredBorder, ActivationSwitchesTheOpacity) {
  LayerSkin skin;
  Framed f(skin.data());
  HWND top = f.L()->TopBorder->Handle();
  SendMessageW(f.h(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(Alphas()[top], 200);
  SendMessageW(f.h(), WM_NCACTIVATE, FALSE, 0);
  top = f.L()->TopBorder->Handle();
  EXPECT_EQ(Alphas()[top], 100);
  // The form's own fade scales both opacities, halves to the even value.
  f.L()->CheckFormAlpha(128, false);
  EXPECT_EQ(f.L()->FCurrentAlphaBlendValue, 100);  // 200 * 128 / 255 = 100.39
  EXPECT_EQ(f.L()->FCurrentInActiveAlphaBlendValue, 50);
}

TEST(LayeredBorder, BandSizesAndHitZones) {
  LayerSkin skin;
  Framed f(skin.data());
  TspFormLayerBorder* L = f.L();
  EXPECT_EQ(L->LeftSize, 6);
  EXPECT_EQ(L->TopSize, 6);
  EXPECT_EQ(L->RightSize, 6);
  EXPECT_EQ(L->BottomSize, 6);
  EXPECT_EQ(L->HitTopLeftX, 8);
  EXPECT_EQ(L->HitBottomRightY, 8);
  // Form (100, 100, 400, 300); band from 94 to 406 across, 94 to 306 down.
  struct Row {
    TspFormLayerWindow* w;
    int x, y;
    TspFormLayerBorderHit hit;
  } rows[] = {
      {L->LeftBorder, 95, 200, spflhLeft},      {L->LeftBorder, 92, 200, spflhNone},
      {L->RightBorder, 405, 200, spflhRight},   {L->RightBorder, 408, 200, spflhNone},
      {L->TopBorder, 95, 95, spflhTopLeft},     {L->TopBorder, 200, 95, spflhTop},
      {L->TopBorder, 200, 99, spflhNone},       {L->TopBorder, 404, 96, spflhTopRight},
      {L->TopBorder, 95, 120, spflhLeft},       {L->TopBorder, 400, 120, spflhRight},
      {L->BottomBorder, 95, 305, spflhBottomLeft}, {L->BottomBorder, 200, 305, spflhBottom},
      {L->BottomBorder, 404, 305, spflhBottomRight}, {L->BottomBorder, 200, 307, spflhNone},
  };
  for (const Row& r : rows) EXPECT_EQ(r.w->GetHitMode(TPoint{r.x, r.y}), r.hit) << r.x << "," << r.y;
  // A maximized or rolled-up form is not sized from the band.
  f.sf->Sizeable = false;
  f.form->SetBorderStyle(bsSingle);
  EXPECT_EQ(L->LeftBorder->GetHitMode(TPoint{95, 200}), spflhNone);
}

TEST(LayeredBorder, LeftBandDragWidensTheFormAndStopsAtTheMinimumWidth) {
  LayerSkin skin;
  Framed f(skin.data());
  TspFormLayerWindow* left = f.L()->LeftBorder;
  left->LayerMouseDown(mbLeft, TPoint{95, 200});
  ASSERT_TRUE(left->FDown);
  left->LayerMouseMove(TPoint{75, 200});
  RECT r;
  GetWindowRect(f.h(), &r);
  EXPECT_EQ(Str(r), Str(RECT{80, 100, 400, 300}));
  EXPECT_RECT(f.L()->LeftBorder, 70, 140, 80, 300);
  // Past the minimum width (the skin picture's 100): the form stays and the
  // right edge never moves.
  left->LayerMouseMove(TPoint{400, 200});
  GetWindowRect(f.h(), &r);
  EXPECT_EQ(Str(r), Str(RECT{80, 100, 400, 300}));
  left->LayerMouseUp(mbLeft, TPoint{400, 200});
  // A move to the left while the cursor is right of the band's grip (the
  // form's left - 6 + 4) changes nothing.
  left = f.L()->LeftBorder;
  left->LayerMouseDown(mbLeft, TPoint{78, 200});
  ASSERT_TRUE(left->FDown);
  f.Move(60, 100, 340, 200);
  left->LayerMouseMove(TPoint{70, 200});
  GetWindowRect(f.h(), &r);
  EXPECT_EQ(Str(r), Str(RECT{60, 100, 400, 300}));
  left->LayerMouseUp(mbLeft, TPoint{70, 200});
  EXPECT_FALSE(left->FDown);
  EXPECT_FALSE(f.sf->FBorderLayerChangeSize);
}

TEST(LayeredBorder, MessageSwitchesTheBorderOffAndOnKeepingTheBounds) {
  LayerSkin skin;
  Framed f(skin.data());
  ASSERT_TRUE(f.L()->FVisible);
  skin.frame.data.SetShowLayeredBorders(false);
  EXPECT_FALSE(f.L()->FVisible);
  EXPECT_EQ(f.L()->TopBorder, nullptr);
  RECT r;
  GetWindowRect(f.h(), &r);
  EXPECT_EQ(Str(r), Str(RECT{100, 100, 400, 300}));
  skin.frame.data.SetShowLayeredBorders(true);
  ASSERT_TRUE(f.L()->FVisible);
  GetWindowRect(f.h(), &r);
  EXPECT_EQ(Str(r), Str(RECT{100, 100, 400, 300}));
  EXPECT_RECT(f.L()->TopBorder, 90, 90, 410, 140);
}

TEST(LayeredBorder, FullBorderCarriesTheCaptionAndButtons) {
  LayerSkin skin(kFull);
  Framed f(skin.data());
  SetForegroundWindow(f.h());
  Pump();
  ASSERT_TRUE(f.sf->GetFormActive());
  // The frame lies outside: the whole window is client and caption-free.
  RECT w, c;
  GetWindowRect(f.h(), &w);
  GetClientRect(f.h(), &c);
  EXPECT_EQ(c.right, w.right - w.left);
  EXPECT_EQ(c.bottom, w.bottom - w.top);
  EXPECT_EQ(SendMessageW(f.h(), WM_NCHITTEST, 0, MAKELPARAM(110, 105)), HTCLIENT);
  // Caption from (12, 20) to the buttons, close button right-aligned at the
  // caption rectangle's end (12 + 260 widening ... 308) in the top piece.
  TspSkinStdButtonObject* close = nullptr;
  for (auto& o : f.sf->ObjectList)
    if (auto* b = dynamic_cast<TspSkinStdButtonObject*>(o.get()); b && b->Command == cmClose) close = b;
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->ObjectRect.Left, 293);
  EXPECT_EQ(close->ObjectRect.Top, 20);
  TspFormLayerWindow* top = f.L()->TopBorder;
  RECT tr = Win(top);
  EXPECT_EQ(top->GetHitMode(TPoint{tr.left + 40, tr.top + 30}), spflCaption);
  EXPECT_EQ(top->GetHitMode(TPoint{tr.left + 300, tr.top + 27}), spflObject);

  // The caption text goes into the top piece opaque; around it the piece
  // keeps the picture's alpha (mask grey 0xC0).
  f.form->SetCaption("WWWWWW");
  TspBitmap* img = f.L()->TopImage.get();
  ASSERT_NE(img, nullptr);
  int opaque = 0;
  for (int y = 20; y < 40; ++y)
    for (int x = 12; x < 200; ++x)
      if ((img->GetPixel(x, y) >> 24) == 255) ++opaque;
  EXPECT_GT(opaque, 10);
  EXPECT_EQ(img->GetPixel(5, 45) >> 24, 0xC0u);
  EXPECT_EQ(img->GetPixel(150, 22) >> 24, 0xC0u);

  // A double click on the caption maximizes: the outer frame fills the work area.
  top->LayerDblClick(TPoint{tr.left + 40, tr.top + 30});
  EXPECT_EQ(f.sf->WindowState(), wsMaximized);
  RECT wa;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(Str(w), Str(RECT{wa.left + 1 + 6, wa.top + 1 + 6, wa.right - 1 - 6, wa.bottom - 1 - 6}));
  f.sf->SetWindowState(wsNormal);
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(Str(w), Str(RECT{100, 100, 400, 300}));

  // Pressing and releasing on the close button closes the form.
  bool closed = false;
  f.form->OnClose = [&](TObject*, TCloseAction& a) {
    closed = true;
    a = caHide;
  };
  tr = Win(f.L()->TopBorder);
  top = f.L()->TopBorder;
  top->LayerMouseMove(TPoint{tr.left + 300, tr.top + 27});
  top->LayerMouseDown(mbLeft, TPoint{tr.left + 300, tr.top + 27});
  top->LayerMouseUp(mbLeft, TPoint{tr.left + 300, tr.top + 27});
  EXPECT_TRUE(closed);
}

TEST(LayeredBorder, OuterPlacementAndFullBorderRollUp) {
  LayerSkin skin(kFull);
  Framed f(skin.data());
  // Move and SetBounds place the outer frame (6-pixel band all round).
  f.sf->SetBounds(200, 150, 312, 212);
  RECT w;
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(Str(w), Str(RECT{206, 156, 506, 356}));
  f.sf->Move(100, 100);
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(Str(w), Str(RECT{106, 106, 406, 306}));
  // Rolled up, the form keeps a strip and its shape the border's roll-up
  // height (none in this skin: one pixel on this system version, else 0).
  f.sf->SetRollUpState(true);
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(w.bottom - w.top, 10);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(f.h(), rgn), ERROR);
  RECT box;
  GetRgnBox(rgn, &box);
  DeleteObject(rgn);
  EXPECT_LE(box.bottom - box.top, 1);
  f.sf->SetRollUpState(false);
  GetWindowRect(f.h(), &w);
  EXPECT_EQ(w.bottom - w.top, 200);
}

namespace {
struct RecordingMenus : TspFrameMenuHandler {
  int* systemMenus;
  explicit RecordingMenus(int* n) : systemMenus(n) {}
  bool MenuOpen() override { return false; }
  void CloseMenus() override {}
  void SkinMenuClose() override {}
  void PopupSystemMenuAt(int, int) override { ++*systemMenus; }
  void TrackButtonMenu(TspSkinButtonObject*, const TRect&) override {}
  TMenuItem* SystemMenuItems() override { return nullptr; }
  bool KeyMenu() override { return false; }
};
}  // namespace

TEST(LayeredBorder, RightClickOnTheFullBorderCaptionOpensTheSystemMenu) {
  int systemMenus = 0;
  TspDynamicSkinForm::MenuHandlerFactory = [&](TspDynamicSkinForm*) {
    return std::unique_ptr<TspFrameMenuHandler>(new RecordingMenus(&systemMenus));
  };
  LayerSkin skin(kFull);
  Framed f(skin.data());
  TspDynamicSkinForm::MenuHandlerFactory = nullptr;
  SetForegroundWindow(f.h());
  Pump();
  TspFormLayerWindow* top = f.L()->TopBorder;
  const RECT tr = Win(top);
  const TPoint caption{tr.left + 40, tr.top + 30};
  top->LayerMouseDown(mbRight, caption);
  top->LayerMouseUp(mbRight, caption);
  EXPECT_EQ(systemMenus, 1);
  EXPECT_EQ(f.L()->MouseCaptureObject, -1);
  // A left click there opens nothing.
  top->LayerMouseDown(mbLeft, caption);
  top->LayerMouseUp(mbLeft, caption);
  EXPECT_EQ(systemMenus, 1);
  f.sf->DisableSystemMenu = true;
  top->LayerMouseDown(mbRight, caption);
  top->LayerMouseUp(mbRight, caption);
  EXPECT_EQ(systemMenus, 1);
}

TEST(LayeredBorder, CloseButtonClickedThroughMessagesFreesTheWindowsLater) {
  LayerSkin skin(kFull);
  Framed f(skin.data());
  SetForegroundWindow(f.h());
  Pump();
  bool closed = false;
  f.form->OnClose = [&](TObject*, TCloseAction& a) {
    closed = true;
    a = caHide;
  };
  HWND top = f.L()->TopBorder->Handle();
  const RECT tr = Win(f.L()->TopBorder);
  SetCursorPos(tr.left + 300, tr.top + 27);
  SendMessageW(top, WM_MOUSEMOVE, 0, MAKELPARAM(300, 27));
  SendMessageW(top, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 27));
  SendMessageW(top, WM_LBUTTONUP, 0, MAKELPARAM(300, 27));
  EXPECT_TRUE(closed);
  // The hidden form took its border down; the window that ran the click
  // goes once the messages are pumped.
  EXPECT_FALSE(f.L()->FVisible);
  EXPECT_EQ(f.L()->TopBorder, nullptr);
  EXPECT_FALSE(IsWindowVisible(top));
  for (int i = 0; i < 20 && IsWindow(top); ++i) {
    Sleep(5);
    Pump();
  }
  EXPECT_FALSE(IsWindow(top));
}

// ---------------------------------------------------------------------------
// Showing and fading a form with a layered border

namespace {

struct Shown {
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf;
  explicit Shown(TspSkinData* skin, const std::function<void(TspDynamicSkinForm*)>& setup = nullptr) {
    if (!RealULW) {
      RealULW = SkinUpdateLayeredWindow;
      SkinUpdateLayeredWindow = RecordULW;
    }
    // Away from where the other test programs of the session show windows.
    form->SetBounds(340, 800, 300, 200);
    sf = new TspDynamicSkinForm(form);
    sf->SetSkinData(skin);
    if (setup) setup(sf);
  }
  ~Shown() { delete form; }
  Shown(const Shown&) = delete;
  Shown& operator=(const Shown&) = delete;
  TspFormLayerBorder* L() { return sf->FBorderLayer; }
  // Shown without taking the activation from the other programs of the session.
  void Show() {
    form->HandleNeeded();
    ShowWindow(form->Handle(), SW_SHOWNA);
  }
  void Hide() { ShowWindow(form->Handle(), SW_HIDE); }
  BYTE FormAlpha() {
    BYTE a = 255;
    DWORD flags = 0;
    if (!(GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED)) return 255;
    GetLayeredWindowAttributes(form->Handle(), nullptr, &a, &flags);
    return a;
  }
  BYTE BorderAlpha() { return L()->TopBorder ? Alphas()[L()->TopBorder->Handle()] : 0; }
  // The border's own opacity for the form's state (not activated: inactive).
  int Own() { return L()->FActive ? 200 : 100; }
};

}  // namespace

TEST(LayeredBorderShow, TheBorderFadesInStepByStepWithTheForm) {
  LayerSkin skin;
  struct Step {
    int alpha, form, border;
  };
  std::vector<Step> steps;
  Shown s(skin.data(), [](TspDynamicSkinForm* sf) { sf->AlphaBlendAnimation = true; });
  int own = 0;
  s.sf->OnFadeStep = [&](int a) {
    steps.push_back({a, s.FormAlpha(), s.BorderAlpha()});
    own = s.Own();
  };
  s.Show();
  // Shown clear: the border comes up with the form at opacity 0.
  ASSERT_TRUE(s.L()->FVisible);
  EXPECT_EQ(s.FormAlpha(), 0);
  EXPECT_EQ(s.BorderAlpha(), 0);
  Pump();
  ASSERT_EQ(steps.size(), 15u);  // 255 in steps of 255 div 15
  int last = 0;
  for (const Step& st : steps) {
    EXPECT_GT(st.alpha, last);
    last = st.alpha;
    EXPECT_EQ(st.form, st.alpha);
    EXPECT_EQ(st.border, int(std::nearbyint(own * double(st.alpha) / 255))) << st.alpha;
  }
  EXPECT_EQ(last, 255);
  // Opaque at the end: the form is no longer layered, the border at its own value.
  EXPECT_FALSE(GetWindowLongW(s.form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(s.BorderAlpha(), s.Own());
}

TEST(LayeredBorderShow, TheBorderKeepsTheFormsOpacityThroughHideShowMinimizeAndRestore) {
  LayerSkin skin;
  Shown s(skin.data(), [](TspDynamicSkinForm* sf) {
    sf->SetAlphaBlend(true);
    sf->SetAlphaBlendValue(128);
  });
  s.Show();
  Pump();
  ASSERT_TRUE(s.L()->FVisible);
  // The border's own opacity scaled by the form's: 200 -> 100, 100 -> 50.
  auto scaled = [&] { return int(std::nearbyint(s.Own() * 128.0 / 255)); };
  EXPECT_EQ(s.FormAlpha(), 128);
  EXPECT_EQ(s.BorderAlpha(), scaled());
  const RECT before = Win(s.L()->TopBorder);

  s.Hide();
  Pump();
  EXPECT_FALSE(s.L()->FVisible);
  s.Show();
  Pump();
  ASSERT_TRUE(s.L()->FVisible);
  EXPECT_EQ(s.FormAlpha(), 128);
  EXPECT_EQ(s.BorderAlpha(), scaled());
  EXPECT_EQ(Str(Win(s.L()->TopBorder)), Str(before));

  // Minimized to a caption strip and back: the border returns around the
  // form's old place at the same opacity.
  s.sf->SetWindowState(wsMinimized);
  Pump();
  EXPECT_EQ(s.form->Height(), s.sf->GetMinHeight());
  s.sf->SetWindowState(wsNormal);
  Pump();
  ASSERT_TRUE(s.L()->FVisible);
  EXPECT_EQ(Str(Win(s.L()->TopBorder)), Str(before));
  EXPECT_EQ(s.BorderAlpha(), scaled());
}

TEST(LayeredBorderShow, WithoutAFadeTheBorderShowsClearThenOpaque) {
  // A layered form that asks for no fade is still shown through a clear
  // first frame, so that the border and the form appear together.
  LayerSkin skin;
  Shown s(skin.data());
  ASSERT_TRUE(s.sf->NeedsLayeredShow());
  s.Show();
  EXPECT_EQ(s.FormAlpha(), 0);
  ASSERT_TRUE(s.L()->FVisible);
  EXPECT_EQ(s.BorderAlpha(), 0);
  Pump();
  EXPECT_EQ(s.FormAlpha(), 255);
  EXPECT_EQ(s.BorderAlpha(), s.Own());
}

TEST(LayeredBorderShow, TheProgramsSkinGivesAFormItsShadowBorder) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  Shown s(&skin);
  ASSERT_TRUE(s.sf->UseLayeredBorder());
  s.Show();
  Pump();
  SendMessageW(s.form->Handle(), WM_NCACTIVATE, TRUE, 0);
  ASSERT_TRUE(s.L()->FVisible);
  EXPECT_EQ(s.FormAlpha(), 255);
  EXPECT_EQ(s.BorderAlpha(), 255);
  // The shadow lies 10 pixels around the window.
  RECT f;
  GetWindowRect(s.form->Handle(), &f);
  const RECT top = Win(s.L()->TopBorder);
  EXPECT_EQ(top.left, f.left - 10);
  EXPECT_EQ(top.top, f.top - 10);
  EXPECT_EQ(top.right, f.right + 10);
  SendMessageW(s.form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(s.BorderAlpha(), 170);
}

namespace {
// A plain form that looks at the framed form's border whenever a skin
// message reaches it.
class TBorderWatcher : public TForm {
public:
  using TForm::TForm;
  TspFormLayerBorder* Border = nullptr;
  TspSkinData* Skin = nullptr;
  int Seen = 0;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg >= WM_BEFORECHANGESKINDATA && m.Msg <= WM_AFTERCHANGESKINDATA && Border) {
      ++Seen;
      // Whatever the border still holds must be the skin's own description.
      if (Border->FData) {
        EXPECT_EQ(Border->FData, Skin->LayerFrame.get()) << m.Msg;
        EXPECT_EQ(Border->FData->AlphaBlendValue, Skin->LayerFrame->AlphaBlendValue) << m.Msg;
      }
    }
    TForm::WndProc(m);
  }
};
}  // namespace

TEST(LayeredBorder, LoadingAnotherSkinKeepsTheBordersDescription) {
  LayerSkin skin;
  TspSkinData& sd = skin.frame.data;
  for (size_t i = sd.FActivePicturesNames.size(); i < sd.FActivePictures.size(); ++i)
    sd.FActivePicturesNames.push_back("picture" + std::to_string(i) + ".bmp");
  // Forms made before and after the framed one: one of them hears each
  // message before the framed form has taken the new skin.
  TBorderWatcher before(nullptr);
  before.HandleNeeded();
  Framed f(skin.data());
  TBorderWatcher after(nullptr);
  after.HandleNeeded();
  ASSERT_TRUE(f.L()->FVisible);
  const TspDataSkinLayerFrame* held = f.L()->FData;
  ASSERT_EQ(held, sd.LayerFrame.get());
  for (TBorderWatcher* w : {&before, &after}) {
    w->Border = f.L();
    w->Skin = &sd;
  }

  // The second skin: the same one, packed, with other opacities.
  TspCompressedStoredSkin stored;
  sd.LayerFrame->AlphaBlendValue = 150;
  stored.LoadFromSkinData(sd);
  sd.LayerFrame->AlphaBlendValue = 200;
  sd.LoadCompressedStoredSkin(&stored);
  EXPECT_EQ(before.Seen, 3);
  EXPECT_EQ(after.Seen, 3);
  EXPECT_EQ(sd.LayerFrame.get(), held);
  EXPECT_EQ(f.L()->FData, held);
  EXPECT_EQ(held->AlphaBlendValue, 150);
  ASSERT_TRUE(f.L()->FVisible);
  EXPECT_RECT(f.L()->TopBorder, 90, 90, 410, 140);
  Pump();
}

namespace {

std::string RgnStr(HRGN r) {
  RECT b{};
  const int kind = GetRgnBox(r, &b);
  if (kind == NULLREGION) return "empty";
  return Str(b) + (kind == COMPLEXREGION ? " complex" : "");
}

}  // namespace

// The blur mask's corners come from the skin's corner points as they stand:
// only their part inside the mask is read, at once, whatever the numbers, and
// a corner whose place leaves the coordinate range has no pixels.
TEST(LayeredBorderBlur, CornerPointsAreClippedToTheBlurMaskAndNeverOverflow) {
  constexpr int kMax = INT32_MAX, kMin = INT32_MIN;
  struct Case {
    const char* name;
    TspPoint lt, rt, lb, rb;
    const char *one, *two, *three, *four;
  } cases[] = {
      {"inside", {5, 4}, {15, 4}, {5, 6}, {15, 6}, "(0,0,5,4)", "(15,0,20,4)", "(0,0,5,4)", "(15,0,20,4)"},
      {"beyond the mask", {30, 30}, {-5, 3}, {3, -4}, {25, 12}, "(0,0,20,10)", "(0,0,20,3)", "(0,4,3,14)",
       "empty"},
      {"the extremes", {kMax, kMax}, {kMin, kMax}, {kMax, kMin}, {kMin, kMin}, "(0,0,20,10)", "empty", "empty",
       "empty"},
      {"the other extremes", {kMin, kMin}, {kMax, kMin}, {kMin, kMax}, {kMax, kMax}, "empty", "empty", "empty",
       "empty"},
  };
  LayerSkin skin;
  Framed f(skin.data());
  TspSkinData* sd = skin.data();
  TspDataSkinLayerFrame& D = *sd->LayerFrame;
  D.BlurMaskPictureIndex = int(sd->FActivePictures.size());
  sd->FActivePictures.push_back(SolidPicture(20, 10, 0x000000));
  for (const Case& c : cases) {
    D.LTPoint = c.lt, D.RTPoint = c.rt, D.LBPoint = c.lb, D.RBPoint = c.rb;
    f.L()->InitFrame(sd, f.form);
    TspFormLayerBorder* L = f.L();
    EXPECT_EQ(RgnStr(L->DataRgn1), c.one) << c.name;
    EXPECT_EQ(RgnStr(L->DataRgn2), c.two) << c.name;
    EXPECT_EQ(RgnStr(L->DataRgn3), c.three) << c.name;
    EXPECT_EQ(RgnStr(L->DataRgn4), c.four) << c.name;
  }
  // Band sizes and hit zones from rectangles at the ends of the range.
  D.BorderRect = TspRect{kMin, kMin, kMax, kMax};
  f.L()->InitFrame(sd, f.form);
  EXPECT_EQ(f.L()->LeftSize, kMax);
  EXPECT_EQ(f.L()->TopSize, kMax);
  EXPECT_EQ(f.L()->RightSize, kMax - 50);
  EXPECT_EQ(f.L()->HitTopLeftX, kMax);
  EXPECT_EQ(f.L()->HitBottomRightX, kMax - 48);
}
