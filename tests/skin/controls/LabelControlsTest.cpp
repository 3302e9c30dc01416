// The container and label controls on one test form, against a small
// synthetic skin and in their default look.
#include "support/gtest.h"

#include <windows.h>
#include <windowsx.h>

#include "support/Dib.h"
#include "support/SkinParts.h"
#include "support/Controls.h"
#include "FakeTimers.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/Threads.h"
#include "skin/controls/SkinAnimate.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinNotebook.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/controls/SkinToolBar.h"

namespace {

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }
COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// Panel element: a 30x30 nine-part block with 10-pixel borders, corners
// red/blue/magenta/green, client grey, caption in the top border.
const uint32_t kCorner[4] = {0xFF0000, 0x0000FF, 0xFF00FF, 0x008000};
const uint32_t kEdge = 0x00FF00, kClient = 0x808080;

struct PanelSkin {
  TspSkinData data{nullptr};
  PanelSkin() {
    TspPicture p = SolidPicture(30, 30, kEdge);
    auto fill = [&](int l, int t, int r, int b, uint32_t c) {
      for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) p.Pixels[size_t(y) * 30 + x] = c;
    };
    fill(0, 0, 10, 10, kCorner[0]);
    fill(20, 0, 30, 10, kCorner[1]);
    fill(0, 20, 10, 30, kCorner[2]);
    fill(20, 20, 30, 30, kCorner[3]);
    fill(10, 10, 20, 20, kClient);
    data.FActivePictures = {std::move(p)};
    auto e = std::make_unique<TspDataSkinPanelControl>("panel");
    e->PictureIndex = 0;
    e->SkinRect = TspRect{0, 0, 30, 30};
    NinePart(e, 10, 10, 20, 20);
    e->CaptionRect = TspRect{10, 0, 20, 10};
    data.CtrlList.push_back(std::move(e));
    data.Empty = false;
  }
};

struct TestForm {
  TForm form{nullptr};
  TspSkinPanel* rolled;
  TControl* shownChild;
  TControl* hiddenChild;

  template <class T>
  T* Add(TWinControl* parent, int x, int y, int w, int h) {
    return AddControl<T>(&form, parent, x, y, w, h);
  }

  TestForm() {
    form.SetBounds(0, 0, 640, 480);
    rolled = Add<TspSkinPanel>(&form, 10, 10, 200, 120);
    rolled->SetCaption("Rolled");
    rolled->SetCaptionMode(true);
    rolled->SetRollUpMode(true);
    shownChild = Add<TspSkinPanel>(rolled, 5, 30, 50, 50);
    hiddenChild = Add<TspSkinPanel>(rolled, 60, 30, 50, 50);
    hiddenChild->Hide();
    form.Show();
    Application->ProcessMessages();
  }

  static void Click(TWinControl* c, int x, int y) {
    SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(x, y));
    SendMessageW(c->Handle(), WM_LBUTTONUP, 0, Pt(x, y));
  }
  static Dib Paint(TWinControl* c) {
    Dib d(c->Width(), c->Height());
    SendMessageW(c->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
    return d;
  }
};

TEST(TspSkinPanel, RollUpAndDownKeepHiddenChildrenHidden) {
  TestForm t;
  int events = 0;
  t.rolled->OnChangeRollUpState = [&](TObject*) { ++events; };
  // A click on the caption rolls up to the caption's height.
  TestForm::Click(t.rolled, 50, 10);
  EXPECT_TRUE(t.rolled->RollUpState());
  EXPECT_EQ(t.rolled->Height(), t.rolled->DefaultCaptionHeight() + 1);
  EXPECT_EQ(t.rolled->RealHeight(), 120);
  EXPECT_FALSE(t.shownChild->Visible());
  EXPECT_FALSE(t.hiddenChild->Visible());
  // A click below the caption area does nothing.
  TestForm::Click(t.rolled, 50, t.rolled->DefaultCaptionHeight() + 5);
  EXPECT_TRUE(t.rolled->RollUpState());
  TestForm::Click(t.rolled, 50, 10);
  EXPECT_FALSE(t.rolled->RollUpState());
  EXPECT_EQ(t.rolled->Height(), 120);
  EXPECT_EQ(t.rolled->RealHeight(), -1);
  EXPECT_TRUE(t.shownChild->Visible());
  EXPECT_FALSE(t.hiddenChild->Visible());
  EXPECT_EQ(events, 2);

  // Without the mode the state stays expanded and nothing fires.
  t.rolled->SetRollUpMode(false);
  t.rolled->SetRollUpState(true);
  EXPECT_FALSE(t.rolled->RollUpState());
  EXPECT_EQ(t.rolled->Height(), 120);
  EXPECT_EQ(events, 2);
}

TEST(TspSkinPanel, RolledUpSkinnedPanelKeepsItsFrameWithoutTheClient) {
  TestForm t;
  PanelSkin skin;
  t.rolled->SetSkinData(&skin.data);
  t.rolled->SetRollUpState(true);
  // 120 high: the client part is 120 - 20 high, the frame 20.
  EXPECT_EQ(t.rolled->Height(), 20);
  t.rolled->SetRollUpState(false);
  EXPECT_EQ(t.rolled->Height(), 120);
}

TEST(TspSkinPanel, CheckedFiresOnEveryAssignmentAndEnablesChildren) {
  TestForm t;
  int fired = 0;
  t.rolled->OnChecked = [&](TObject*) { ++fired; };
  t.rolled->SetCheckedMode(true);
  t.rolled->SetChecked(false);
  t.rolled->SetChecked(false);
  EXPECT_EQ(fired, 2);
  EXPECT_FALSE(t.shownChild->Enabled());
  t.rolled->SetRollUpMode(false);
  TestForm::Click(t.rolled, 50, 10);
  EXPECT_TRUE(t.rolled->Checked());
  EXPECT_TRUE(t.shownChild->Enabled());
  EXPECT_EQ(fired, 3);
}

TEST(TspSkinPanel, ClientRectFollowsCaptionBorderAndSkin) {
  TestForm t;
  RECT r;
  t.rolled->GetSkinClientRect(r);
  EXPECT_EQ(r.top, 1 + 22);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.right, 199);
  t.rolled->SetRibbonStyle(true);
  t.rolled->GetSkinClientRect(r);
  EXPECT_EQ(r.top, 1);
  EXPECT_EQ(r.bottom, 119 - 22);
  PanelSkin skin;
  t.rolled->SetSkinData(&skin.data);
  t.rolled->GetSkinClientRect(r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right, 190);
  EXPECT_EQ(r.bottom, 110);
}

TEST(TspSkinPanel, PaintsTheDefaultLookAndTheSkin) {
  TestForm t;
  auto* p = t.rolled;
  p->SetCaptionMode(false);
  struct Case {
    TspSkinBorderStyle style;
    COLORREF topLeft, bottomRight;
  };
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
           face = GetSysColor(COLOR_BTNFACE);
  for (Case c : {Case{bvFrame, shadow, shadow}, Case{bvRaised, light, shadow}, Case{bvLowered, shadow, light},
                 Case{bvNone, face, face}}) {
    p->SetBorderStyle(c.style);
    Dib d = TestForm::Paint(p);
    EXPECT_TRUE(Dib::Near(d.At(0, 50), c.topLeft)) << c.style;
    EXPECT_TRUE(Dib::Near(d.At(199, 50), c.bottomRight)) << c.style;
    EXPECT_TRUE(Dib::Near(d.At(100, 60), face)) << c.style;
  }
  // Caption bar: the frame's inner highlight line just below the top frame.
  p->SetBorderStyle(bvFrame);
  p->SetCaptionMode(true);
  {
    Dib d = TestForm::Paint(p);
    EXPECT_TRUE(Dib::Near(d.At(50, 1), light));
    EXPECT_TRUE(Dib::Near(d.At(50, 21), shadow));
  }
  PanelSkin skin;
  p->SetSkinData(&skin.data);
  Dib d = TestForm::Paint(p);
  EXPECT_TRUE(Dib::Near(d.At(2, 2), C(kCorner[0])));
  EXPECT_TRUE(Dib::Near(d.At(197, 2), C(kCorner[1])));
  EXPECT_TRUE(Dib::Near(d.At(2, 117), C(kCorner[2])));
  EXPECT_TRUE(Dib::Near(d.At(197, 117), C(kCorner[3])));
  EXPECT_TRUE(Dib::Near(d.At(100, 60), C(kClient)));
}

struct SplitterForm {
  TForm form{nullptr};
  TspSkinPanel* left;
  TspSkinPanel* hidden;
  TspSkinSplitterEx* splitter;
  TspSkinPanel* client;
  int moved = 0;
  SplitterForm() {
    form.SetBounds(0, 0, 400, 200);
    hidden = new TspSkinPanel(&form);
    hidden->SetParent(&form);
    hidden->SetAlign(alLeft);
    hidden->SetBounds(0, 0, 80, 10);
    hidden->Hide();
    left = new TspSkinPanel(&form);
    left->SetParent(&form);
    left->SetAlign(alLeft);
    left->SetBounds(0, 0, 100, 10);
    splitter = AddControl<TspSkinSplitterEx>(&form, &form, 100, 0, 10, 10);
    client = new TspSkinPanel(&form);
    client->SetParent(&form);
    client->SetAlign(alClient);
    splitter->OnMoved = [this](TObject*) { ++moved; };
    form.Show();
    Application->ProcessMessages();
  }
  void Drag(int dx) {
    HWND h = splitter->Handle();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(5, 5));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(5 + dx, 5));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(5 + dx, 5));
  }
};

TEST(TspSkinSplitterEx, ResizesItsNeighbourWithinMinimumAndSnaps) {
  SplitterForm t;
  ASSERT_EQ(t.splitter->Left(), t.left->Left() + t.left->Width());
  t.Drag(50);
  EXPECT_EQ(t.left->Width(), 150);
  EXPECT_EQ(t.moved, 2);  // the move, then the release
  EXPECT_EQ(t.splitter->Left(), 150);
  // The client keeps its minimum: the hidden panel takes no room.
  t.Drag(1000);
  int room = t.form.ClientWidth() - t.splitter->Width() - 30;
  EXPECT_EQ(t.left->Width(), room);
  // Down to the minimum: snaps to nothing.
  t.Drag(-1000);
  EXPECT_EQ(t.left->Width(), 0);
  // Without snapping it stops at the minimum.
  t.left->SetBounds(0, 0, 100, 10);
  t.splitter->AutoSnap = false;
  t.Drag(-1000);
  EXPECT_EQ(t.left->Width(), 30);
  // A refused size changes nothing.
  t.splitter->OnCanResize = [](TObject*, int&, bool& accept) { accept = false; };
  t.Drag(40);
  EXPECT_EQ(t.left->Width(), 30);
}

TEST(TspSkinSplitterEx, NeverSetsANegativeSizeOnATinyParent) {
  SplitterForm t;
  t.form.SetBounds(0, 0, 120, 200);
  Application->ProcessMessages();
  t.splitter->SetMinSize(500);
  t.splitter->AutoSnap = false;
  t.Drag(-20);
  EXPECT_GE(t.left->Width(), 0);
}

TEST(TspSkinSplitterEx, AlignNoneFindsNothingToResize) {
  SplitterForm t;
  t.splitter->SetAlign(alNone);
  t.splitter->SetBounds(100, 0, 10, 50);
  t.Drag(30);
  EXPECT_EQ(t.left->Width(), 100);
  Dib d(10, 50);
  SendMessageW(t.splitter->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  EXPECT_TRUE(Dib::Near(d.At(5, 25), GetSysColor(COLOR_BTNFACE)));
}

TEST(TspSkinBevel, LineColoursFromTheSkinAndSystem) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 200, 200);
  form.SetColor(RGB(0, 0, 0));
  auto* bevel = AddControl<TspSkinBevel>(&form, &form, 10, 10, 50, 40);
  form.Show();
  TspSkinData data{nullptr};
  auto e = std::make_unique<TspDataSkinBevel>("bevel");
  e->LightColor = RGB(255, 0, 0);
  e->DarkColor = RGB(0, 0, 255);
  data.CtrlList.push_back(std::move(e));
  data.Empty = false;
  struct Case {
    bool skin;
    TBevelStyle style;
    COLORREF topLeft, bottomRight;
  };
  COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  for (Case c : {Case{false, bsLowered, dark, light}, Case{false, bsRaised, light, dark},
                 Case{true, bsLowered, RGB(0, 0, 255), RGB(255, 0, 0)},
                 Case{true, bsRaised, RGB(255, 0, 0), RGB(0, 0, 255)}}) {
    bevel->SetSkinData(c.skin ? &data : nullptr);
    bevel->SetStyle(c.style);
    Dib d(200, 200);
    form.PaintTo(d.dc, 0, 0);
    EXPECT_TRUE(Dib::Near(d.At(10, 30), c.topLeft)) << c.skin << c.style;
    EXPECT_TRUE(Dib::Near(d.At(30, 10), c.topLeft)) << c.skin << c.style;
    EXPECT_TRUE(Dib::Near(d.At(59, 30), c.bottomRight)) << c.skin << c.style;
    EXPECT_TRUE(Dib::Near(d.At(30, 49), c.bottomRight)) << c.skin << c.style;
    EXPECT_TRUE(Dib::Near(d.At(30, 30), RGB(0, 0, 0))) << c.skin << c.style;
  }
  // Divider: one centred two-tone line.
  bevel->SetSkinData(nullptr);
  bevel->SetStyle(bsLowered);
  bevel->SetDividerMode(true);
  bevel->SetShape(bsTopLine);
  Dib d(200, 200);
  form.PaintTo(d.dc, 0, 0);
  EXPECT_TRUE(Dib::Near(d.At(30, 10 + 19), dark));
  EXPECT_TRUE(Dib::Near(d.At(30, 10 + 20), light));
  EXPECT_TRUE(Dib::Near(d.At(30, 10 + 5), RGB(0, 0, 0)));
}

// A shown form with a status bar that has a size grip.
struct GripForm {
  TForm form{nullptr};
  TspSkinStatusBar* bar;
  GripForm(int x, int y, int w, int h) {
    form.SetBounds(x, y, w, h);
    bar = new TspSkinStatusBar(&form);
    bar->SetParent(&form);
    bar->SetSizeGrip(true);
    form.Show();
    Application->ProcessMessages();
  }
};

TEST(TspSkinStatusBar, GripHitTestAndDragSizeTheForm) {
  GripForm t(50, 50, 400, 300);
  TForm& form = t.form;
  TspSkinStatusBar* bar = t.bar;
  EXPECT_EQ(bar->Height(), 21);
  EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());
  RECT g = bar->GripRect();
  RECT s;
  bar->GetSkinClientRect(s);
  EXPECT_EQ(s.right, bar->Width() - 21);
  // Edges included.
  POINT corner{g.right, g.bottom}, outside{g.left - 5, g.top};
  ClientToScreen(bar->Handle(), &corner);
  ClientToScreen(bar->Handle(), &outside);
  EXPECT_EQ(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMRIGHT);
  EXPECT_EQ(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(outside.x, outside.y)), HTCLIENT);

  // A press in the grip starts sizing of the form, not of the bar.
  POINT p{(g.left + g.right) / 2, (g.top + g.bottom) / 2};
  ClientToScreen(bar->Handle(), &p);
  SendMessageW(bar->Handle(), WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, MAKELPARAM(p.x, p.y));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, form.Handle(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(SC_SIZE | WMSZ_BOTTOMRIGHT));

  // Without ShowGrip (a maximized window) neither the grip nor its room.
  bar->SetShowGrip(false);
  bar->GetSkinClientRect(s);
  EXPECT_EQ(s.right, bar->Width());
  EXPECT_NE(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMRIGHT);
}

// Mouse input from another thread, as the user gives it, while the GUI
// thread runs whatever loop the input starts (here the system's size loop).
class MouseScript : public TThread {
public:
  struct Step {
    int x, y;
    DWORD flags;  // MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP or 0 for a move
  };
  explicit MouseScript(std::vector<Step> steps) : FSteps(std::move(steps)) {}

protected:
  void Execute() override {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    for (const Step& s : FSteps) {
      INPUT in{};
      in.type = INPUT_MOUSE;
      in.mi.dx = MulDiv(s.x, 65535, sw - 1);
      in.mi.dy = MulDiv(s.y, 65535, sh - 1);
      in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | s.flags;
      SendInput(1, &in, sizeof(in));
      // Lets the GUI thread take each event in turn (enter the loop, track).
      Sleep(60);
    }
  }

private:
  std::vector<Step> FSteps;
};

TEST(TspSkinStatusBar, DraggingTheGripSizesTheFormNotTheBar) {
  // Far from where the other test programs of the session put their
  // windows, and above them all, so the real mouse reaches only this form.
  GripForm t(820, 660, 400, 300);
  TForm& form = t.form;
  TspSkinStatusBar* bar = t.bar;
  SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(form.Handle());
  Application->ProcessMessages();
  RECT g = bar->GripRect();
  POINT p{(g.left + g.right) / 2, (g.top + g.bottom) / 2};
  ClientToScreen(bar->Handle(), &p);
  ASSERT_EQ(WindowFromPoint(p), bar->Handle());
  int formWidth = form.Width(), formHeight = form.Height();
  MouseScript script({{p.x, p.y, 0},
                      {p.x, p.y, MOUSEEVENTF_LEFTDOWN},
                      {p.x + 20, p.y + 10, 0},
                      {p.x + 40, p.y + 20, 0},
                      {p.x + 60, p.y + 40, 0},
                      {p.x + 60, p.y + 40, MOUSEEVENTF_LEFTUP},
                      {p.x + 60, p.y + 40, 0}});
  script.Start();
  script.WaitFor();
  Application->ProcessMessages();
  EXPECT_EQ(form.Width(), formWidth + 60);
  EXPECT_EQ(form.Height(), formHeight + 40);
  // The bar stays at the bottom, as high as before, as wide as the form.
  EXPECT_EQ(bar->Height(), 21);
  EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());
  EXPECT_EQ(bar->Width(), form.ClientWidth());
}

TEST(TspSkinStatusBar, DrawsLineGripInTheDefaultLook) {
  GripForm t(0, 0, 300, 200);
  TspSkinStatusBar* bar = t.bar;
  RECT g = bar->GripRect();
  Dib d(bar->Width(), bar->Height());
  SendMessageW(bar->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  // The first dark line runs from (g.left + 3, g.bottom) up to (g.right, g.top + 3).
  int x = g.left + 3 + 5;
  EXPECT_TRUE(Dib::Near(d.At(x, g.bottom - 5), GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_TRUE(Dib::Near(d.At(x + 1, g.bottom - 5), GetSysColor(COLOR_BTNHIGHLIGHT)));
  EXPECT_TRUE(Dib::Near(d.At(g.left - 10, 10), GetSysColor(COLOR_BTNFACE)));
}

TEST(TspSkinGroupBox, CaptionAlwaysOnAndSkinnedByItsOwnElement) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 300, 200);
  auto* box = AddControl<TspSkinGroupBox>(&form, &form, 10, 10, 150, 100);
  box->SetCaption("Group");
  form.Show();
  Application->ProcessMessages();
  EXPECT_TRUE(box->CaptionMode());
  EXPECT_EQ(box->SkinDataName(), "groupbox");
  RECT r;
  box->GetSkinClientRect(r);
  EXPECT_EQ(r.top, 23);
  PanelSkin skin;
  skin.data.CtrlList[0]->IDName = "groupbox";
  box->SetSkinData(&skin.data);
  Dib d(150, 100);
  SendMessageW(box->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  EXPECT_TRUE(Dib::Near(d.At(2, 2), C(kCorner[0])));
  EXPECT_TRUE(Dib::Near(d.At(75, 50), C(kClient)));
}

TEST(TspSkinPaintPanel, EventPaintsIntoTheClientArea) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 300, 200);
  auto* p = AddControl<TspSkinPaintPanel>(&form, &form, 10, 10, 100, 80);
  RECT seen{};
  p->OnPanelPaint = [&](HDC dc, const RECT& r) {
    seen = r;
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &r, b);
    DeleteObject(b);
  };
  form.Show();
  Dib d(100, 80);
  SendMessageW(p->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  EXPECT_EQ(seen.left, 1);
  EXPECT_EQ(seen.right, 99);
  EXPECT_TRUE(Dib::Near(d.At(50, 40), RGB(1, 2, 3)));
  EXPECT_TRUE(Dib::Near(d.At(0, 40), GetSysColor(COLOR_BTNSHADOW)));
}

struct NotebookForm {
  TForm form{nullptr};
  TspSkinNotebook* book;
  TEdit* fields[3];
  int changed = 0;
  NotebookForm() {
    form.SetBounds(0, 0, 300, 250);
    book = AddControl<TspSkinNotebook>(&form, &form, 10, 10, 200, 150);
    book->SetPageCaption(0, "One");
    book->AddPage("Two");
    book->AddPage("Three");
    for (int i = 0; i < 3; ++i) {
      fields[i] = new TEdit(&form);
      fields[i]->SetParent(book->Page(i));
      fields[i]->SetBounds(10, 10, 80, 21);
    }
    book->SetPageIndex(0);
    book->OnPageChanged = [this](TObject*) { ++changed; };
    form.Show();
    Application->ProcessMessages();
  }
  int ShownPages() const {
    int n = 0;
    for (int i = 0; i < book->PageCount(); ++i) n += book->Page(i)->Visible();
    return n;
  }
};

TEST(TspSkinNotebook, SwitchingShowsExactlyOnePageAndMovesTheFocus) {
  NotebookForm t;
  ASSERT_EQ(t.book->PageCount(), 3);
  EXPECT_EQ(t.book->PageIndex(), 0);
  EXPECT_EQ(t.ShownPages(), 1);
  ASSERT_TRUE(t.fields[0]->SetFocus());
  Application->ProcessMessages();
  t.book->SetPageIndex(2);
  Application->ProcessMessages();
  EXPECT_TRUE(t.book->Page(2)->Visible());
  EXPECT_EQ(t.ShownPages(), 1);
  EXPECT_EQ(t.book->ActivePage(), "Three");
  EXPECT_EQ(GetFocus(), t.fields[2]->Handle());
  EXPECT_EQ(t.changed, 1);
  // The focused edit takes typed text.
  int edits = 0;
  t.fields[2]->OnChange = [&](TObject*) { ++edits; };
  for (char16_t ch : std::u16string(u"ab")) SendMessageW(GetFocus(), WM_CHAR, ch, 1);
  EXPECT_EQ(t.fields[2]->Text(), "ab");
  EXPECT_EQ(edits, 2);
  t.fields[0]->SetText("set");
  EXPECT_EQ(t.fields[0]->Text(), "set");
  // Out of range or unchanged: nothing, no event.
  t.book->SetPageIndex(5);
  t.book->SetPageIndex(2);
  EXPECT_EQ(t.changed, 1);
  t.book->SetActivePage("Two");
  EXPECT_EQ(t.book->PageIndex(), 1);
  EXPECT_EQ(t.ShownPages(), 1);
}

TEST(TspSkinNotebook, EditingThePageListKeepsOnePageShown) {
  NotebookForm t;
  // Deleting the shown page 0 shows the new page 0.
  t.book->DeletePage(0);
  ASSERT_EQ(t.book->PageCount(), 2);
  EXPECT_EQ(t.book->PageIndex(), 0);
  EXPECT_TRUE(t.book->Page(0)->Visible());
  EXPECT_EQ(t.ShownPages(), 1);
  // Deleting a page before the shown one.
  t.book->AddPage("Four");
  t.book->SetPageIndex(2);
  t.book->DeletePage(1);
  EXPECT_EQ(t.ShownPages(), 1);
  // Move exchanges the pages; the shown number stays shown.
  t.book->AddPage("Five");
  t.book->MovePage(0, 2);
  EXPECT_EQ(t.book->Page(2)->Caption(), "Two");
  EXPECT_EQ(t.ShownPages(), 1);
  EXPECT_TRUE(t.book->Page(t.book->PageIndex())->Visible());
  t.book->ClearPages();
  EXPECT_EQ(t.book->PageIndex(), -1);
  EXPECT_EQ(t.book->ActivePage(), "");
}

// How many pixels of the control's rectangle on the form have colour `c`.
int CountColour(TForm& form, TControl* control, COLORREF c) {
  Dib d(form.ClientWidth(), form.ClientHeight());
  form.PaintTo(d.dc, 0, 0);
  int n = 0;
  for (int y = control->Top(); y < control->Top() + control->Height(); ++y)
    for (int x = control->Left(); x < control->Left() + control->Width(); ++x) n += d.At(x, y) == c;
  return n;
}

// A label of kind T on a black form, its caption in 24-pixel yellow.
template <class T>
struct LabelForm {
  TForm form{nullptr};
  T* label;
  explicit LabelForm(const std::string& caption) {
    form.SetBounds(0, 0, 300, 200);
    form.SetColor(RGB(0, 0, 0));
    label = AddControl<T>(&form, &form, 10, 10, 10, 10);
    label->DefaultFont.Height = 24;
    label->DefaultFont.Color = RGB(250, 250, 0);
    label->SetCaption(caption);
  }
};

TEST(TspSkinStdLabel, TextColourFromSkinOrDefaultAndEmbossedWhenDisabled) {
  LabelForm<TspSkinStdLabel> t("WWWW");
  TForm& form = t.form;
  TspSkinStdLabel* label = t.label;
  form.Show();
  // Auto size fits the caption.
  EXPECT_GT(label->Width(), 40);
  EXPECT_GE(label->Height(), 20);
  EXPECT_GT(CountColour(form, label, RGB(250, 250, 0)), 20);

  TspSkinData data{nullptr};
  auto e = std::make_unique<TspDataSkinStdLabelControl>("stdlabel");
  e->FontColor = RGB(0, 250, 250);
  e->FontHeight = 24;
  data.CtrlList.push_back(std::move(e));
  data.Empty = false;
  label->SetSkinData(&data);
  EXPECT_EQ(CountColour(form, label, RGB(250, 250, 0)), 0);
  EXPECT_GT(CountColour(form, label, RGB(0, 250, 250)), 20);
  label->SetEnabled(false);
  EXPECT_EQ(CountColour(form, label, RGB(0, 250, 250)), 0);
  label->SetSkinData(nullptr);
  label->SetEnabled(false);
  EXPECT_GT(CountColour(form, label, GetSysColor(COLOR_BTNSHADOW)), 20);
  EXPECT_GT(CountColour(form, label, GetSysColor(COLOR_BTNHIGHLIGHT)), 5);
}

TEST(TspSkinLinkLabel, ActiveColourWhileTheMouseIsOver) {
  LabelForm<TspSkinLinkLabel> t("Link");
  TForm& form = t.form;
  TspSkinLinkLabel* link = t.label;
  link->DefaultActiveFontColor = RGB(250, 0, 250);
  int clicks = 0;
  link->OnClick = [&](TObject*) { ++clicks; };
  form.Show();
  EXPECT_EQ(link->Cursor(), crHandPoint);
  EXPECT_GT(CountColour(form, link, RGB(250, 250, 0)), 20);
  link->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(link->MouseIn());
  EXPECT_EQ(CountColour(form, link, RGB(250, 250, 0)), 0);
  EXPECT_GT(CountColour(form, link, RGB(250, 0, 250)), 20);
  link->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_GT(CountColour(form, link, RGB(250, 250, 0)), 20);
  link->Click();
  EXPECT_EQ(clicks, 1);
}

TEST(TspSkinToolBar, NarrowedBarShowsScrollButtonsAndScrolls) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 500, 200);
  auto* bar = AddControl<TspSkinToolBar>(&form, &form, 0, 0, 400, 30);
  TspSkinSpeedButton* buttons[10];
  for (int i = 0; i < 10; ++i) {
    buttons[i] = AddControl<TspSkinSpeedButton>(&form, bar, i * 25, 0, 25, 20);
  }
  bar->SetCanScroll(true);
  form.Show();
  Application->ProcessMessages();
  EXPECT_FALSE(bar->ScrollButtonsShown());

  bar->SetBounds(0, 0, 100, 30);
  // Kept vertically centred.
  EXPECT_EQ(buttons[0]->Top(), 5);
  ASSERT_TRUE(bar->ScrollButtonsShown());
  int cw = bar->ClientWidth();
  EXPECT_EQ(cw, 100 - 24);
  EXPECT_EQ(bar->ScrollMax(), 249);
  RECT wr;
  GetWindowRect(bar->Handle(), &wr);
  int y = wr.top + 10;
  EXPECT_EQ(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.left + 3, y)), HTSCROLLLEFT);
  EXPECT_EQ(SendMessageW(bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.right - 3, y)), HTSCROLLRIGHT);
  auto click = [&](LRESULT hit) {
    SendMessageW(bar->Handle(), WM_NCLBUTTONDOWN, hit, MAKELPARAM(wr.left, y));
    SendMessageW(bar->Handle(), WM_NCLBUTTONUP, hit, MAKELPARAM(wr.left, y));
  };
  click(HTSCROLLRIGHT);
  EXPECT_EQ(bar->ScrollPosition(), cw);
  EXPECT_EQ(buttons[0]->Left(), -cw);
  click(HTSCROLLRIGHT);
  click(HTSCROLLRIGHT);
  // Never past the last button.
  EXPECT_EQ(bar->ScrollPosition(), 250 - cw);
  EXPECT_EQ(buttons[9]->Left() + 25, cw);
  click(HTSCROLLLEFT);
  EXPECT_EQ(bar->ScrollPosition(), 250 - 2 * cw);
  click(HTSCROLLLEFT);
  click(HTSCROLLLEFT);
  EXPECT_EQ(bar->ScrollPosition(), 0);
  EXPECT_EQ(buttons[0]->Left(), 0);

  // Widened again while scrolled: everything fits, the buttons go.
  click(HTSCROLLRIGHT);
  bar->SetBounds(0, 0, 400, 30);
  EXPECT_FALSE(bar->ScrollButtonsShown());
  EXPECT_EQ(bar->ScrollPosition(), 0);
  EXPECT_EQ(buttons[0]->Left(), 0);
  EXPECT_EQ(bar->ClientWidth(), 400);
}

TEST(TspSkinAnimate, StepsThroughTheStripOnceCyclicallyAndInButtonMode) {
  FakeTimers timers;
  TForm form{nullptr};
  form.SetBounds(0, 0, 200, 200);
  auto* anim = new TspSkinAnimate(&form);
  anim->SetParent(&form);
  const uint32_t colours[3] = {0xC00000, 0x00C000, 0x0000C0};
  TspPicture strip = SolidPicture(30, 10, 0);
  for (int i = 0; i < 3; ++i)
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) strip.Pixels[size_t(y) * 30 + i * 10 + x] = colours[i];
  anim->SetDefaultFramesCount(3);
  anim->SetDefaultImage(strip);
  form.Show();
  // Always one frame big.
  EXPECT_EQ(anim->Width(), 10);
  EXPECT_EQ(anim->Height(), 10);
  anim->SetBounds(0, 0, 40, 40);
  EXPECT_EQ(anim->Width(), 10);
  auto shown = [&] {
    Dib d(10, 10);
    SendMessageW(anim->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
    return d.At(5, 5);
  };
  EXPECT_EQ(shown(), C(colours[0]));
  int starts = 0;
  anim->OnStart = [&](TObject*) { ++starts; };
  anim->SetActive(true);
  timers.Advance(50);
  EXPECT_EQ(anim->Frame(), 2);
  EXPECT_EQ(shown(), C(colours[1]));
  timers.Advance(200);
  // Once: stays on the last frame, the timer still running.
  EXPECT_EQ(anim->Frame(), 3);
  EXPECT_TRUE(anim->Running());
  anim->CycleMode = true;
  timers.Advance(50);
  EXPECT_EQ(anim->Frame(), 1);
  anim->Stop();
  EXPECT_FALSE(anim->Running());

  // Button mode: forwards while the mouse is over it, back after it leaves.
  anim->CycleMode = false;
  anim->ButtonMode = true;
  anim->Perform(CM_MOUSEENTER, 0, 0);
  timers.Advance(100);
  EXPECT_EQ(anim->Frame(), 3);
  anim->Perform(CM_MOUSELEAVE, 0, 0);
  timers.Advance(50);
  EXPECT_EQ(anim->Frame(), 2);
  timers.Advance(500);
  EXPECT_EQ(anim->Frame(), 1);
  EXPECT_EQ(starts, 3);
  anim->Stop();
}

TEST(TspSkinAnimate, FramesFromASkinStrip) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 200, 200);
  TspSkinData data{nullptr};
  TspPicture p = SolidPicture(10, 40, 0x0000C0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) p.Pixels[size_t(y) * 10 + x] = 0xC00000;
  data.FActivePictures = {std::move(p)};
  auto e = std::make_unique<TspDataSkinFrameControl>("anim");
  e->PictureIndex = 0;
  e->SkinRect = TspRect{0, 0, 10, 40};
  e->FramesCount = 2;
  e->FramesPlacement = fpVertical;
  data.CtrlList.push_back(std::move(e));
  data.Empty = false;
  auto* anim = new TspSkinAnimate(&form);
  anim->SetParent(&form);
  anim->SetSkinDataName("anim");
  anim->SetSkinData(&data);
  form.Show();
  EXPECT_EQ(anim->Width(), 10);
  EXPECT_EQ(anim->Height(), 20);
  anim->SetFrame(5);
  EXPECT_EQ(anim->Frame(), 2);
  Dib d(10, 20);
  SendMessageW(anim->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  EXPECT_EQ(d.At(5, 5), C(0x0000C0));
}

TEST(TspSkinExPanel, RollsByItsButtonKeepsHiddenChildrenHiddenAndCloses) {
  TForm form{nullptr};
  form.SetBounds(0, 0, 300, 250);
  auto* ex = AddControl<TspSkinExPanel>(&form, &form, 10, 10, 150, 100);
  auto* shown = AddControl<TspSkinPanel>(&form, ex, 5, 30, 40, 40);
  auto* hidden = AddControl<TspSkinPanel>(&form, ex, 50, 30, 40, 40);
  hidden->Hide();
  int rolls = 0, closes = 0;
  ex->OnChangeRollState = [&](TObject*) { ++rolls; };
  ex->OnClose = [&](TObject*) { ++closes; };
  form.Show();
  Application->ProcessMessages();
  RECT roll = ex->ButtonRect(1), close = ex->ButtonRect(0);
  EXPECT_EQ(close.right, 148);
  EXPECT_EQ(roll.right, close.left);
  TestForm::Click(ex, (roll.left + roll.right) / 2, (roll.top + roll.bottom) / 2);
  EXPECT_TRUE(ex->RollState());
  EXPECT_EQ(ex->Height(), 21);
  EXPECT_EQ(ex->Width(), 150);
  EXPECT_FALSE(shown->Visible());
  // The rolled height holds whatever is asked.
  ex->SetBounds(10, 10, 150, 80);
  EXPECT_EQ(ex->Height(), 21);
  Dib d(150, 21);
  SendMessageW(ex->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  EXPECT_TRUE(Dib::Near(d.At(0, 10), GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_TRUE(Dib::Near(d.At(1, 10), GetSysColor(COLOR_BTNHIGHLIGHT)));
  TestForm::Click(ex, (roll.left + roll.right) / 2, (roll.top + roll.bottom) / 2);
  EXPECT_FALSE(ex->RollState());
  EXPECT_EQ(ex->Height(), 100);
  EXPECT_TRUE(shown->Visible());
  EXPECT_FALSE(hidden->Visible());
  EXPECT_EQ(rolls, 2);

  // Sideways: as wide as the caption.
  ex->SetRollKind(rkRollHorizontal);
  ex->SetRollState(true);
  EXPECT_EQ(ex->Width(), 21);
  EXPECT_EQ(ex->Height(), 100);
  ex->SetRollState(false);
  EXPECT_EQ(ex->Width(), 150);

  // Released off the close button: nothing; released on it: closed.
  SendMessageW(ex->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(close.left + 3, close.top + 3));
  SendMessageW(ex->Handle(), WM_LBUTTONUP, 0, Pt(20, 60));
  EXPECT_TRUE(ex->Visible());
  TestForm::Click(ex, close.left + 3, close.top + 3);
  EXPECT_FALSE(ex->Visible());
  EXPECT_EQ(closes, 1);
}

// Every control of this family on one form, laid out by alignment, each
// showing its default look where it stands.
TEST(LabelControlsForm, AllControlsTogetherPaintWhereTheyStand) {
  FakeTimers timers;
  TForm form{nullptr};
  form.SetBounds(0, 0, 640, 480);
  form.SetColor(RGB(0, 0, 0));
  auto add = [&](auto* c, TWinControl* parent, int x, int y, int w, int h) {
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
  };
  auto* bar = add(new TspSkinToolBar(&form), &form, 0, 0, 640, 30);
  bar->SetAlign(alTop);
  bar->SetCanScroll(true);
  for (int i = 0; i < 10; ++i) add(new TspSkinSpeedButton(&form), bar, i * 25, 0, 25, 20);
  auto* status = new TspSkinStatusBar(&form);
  status->SetParent(&form);
  status->SetSizeGrip(true);
  auto* left = add(new TspSkinPanel(&form), &form, 0, 0, 120, 10);
  left->SetAlign(alLeft);
  auto* split = add(new TspSkinSplitterEx(&form), &form, 120, 0, 10, 10);
  auto* rolled = add(new TspSkinPanel(&form), left, 5, 5, 110, 80);
  rolled->SetCaptionMode(true);
  rolled->SetRollUpMode(true);
  rolled->SetRollUpState(true);
  auto* group = add(new TspSkinGroupBox(&form), &form, 140, 40, 150, 80);
  auto* label = add(new TspSkinStdLabel(&form), &form, 140, 130, 10, 10);
  label->SetCaption("Label");
  auto* link = add(new TspSkinLinkLabel(&form), &form, 200, 130, 10, 10);
  link->SetCaption("Link");
  auto* bevel = add(new TspSkinBevel(&form), &form, 140, 160, 150, 4);
  bevel->SetShape(bsTopLine);
  auto* anim = add(new TspSkinAnimate(&form), &form, 300, 40, 30, 30);
  auto* ex = add(new TspSkinExPanel(&form), &form, 340, 40, 150, 100);
  auto* book = add(new TspSkinNotebook(&form), &form, 300, 160, 200, 150);
  book->AddPage("Two");
  book->AddPage("Three");
  book->SetPageIndex(0);
  form.Show();
  Application->ProcessMessages();

  EXPECT_EQ(status->Top() + status->Height(), form.ClientHeight());
  EXPECT_EQ(left->Top(), bar->Height());
  EXPECT_EQ(split->Left(), left->Width());
  EXPECT_EQ(rolled->Height(), rolled->DefaultCaptionHeight() + 1);
  EXPECT_EQ(book->PageIndex(), 0);

  Dib d(form.ClientWidth(), form.ClientHeight());
  form.PaintTo(d.dc, 0, 0);
  COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
  struct Probe {
    const char* what;
    int x, y;
    COLORREF want;
  };
  for (Probe p : {Probe{"tool bar", 620, 2, face}, Probe{"status bar", 300, status->Top() + 10, face},
                  Probe{"group box frame", 140, 80, shadow}, Probe{"group box body", 215, 90, face},
                  Probe{"bevel", 200, 160, shadow}, Probe{"animation frame", 300, 50, shadow},
                  Probe{"animation body", 315, 55, face}, Probe{"expandable panel frame", 340, 120, shadow},
                  Probe{"splitter", split->Left() + 5, 200, face}, Probe{"notebook frame", 300, 250, shadow},
                  Probe{"background", 620, 100, RGB(0, 0, 0)}})
    EXPECT_TRUE(Dib::Near(d.At(p.x, p.y), p.want)) << p.what;
  (void)group;
  (void)anim;
  (void)ex;
}

}  // namespace
