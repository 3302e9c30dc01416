#include "support/gtest.h"

#include <windows.h>
#include <windowsx.h>

#include <ostream>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "support/Dib.h"

namespace {

void FillDC(HDC dc, int w, int h, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  RECT r{0, 0, w, h};
  FillRect(dc, &r, b);
  DeleteObject(b);
}

struct Block : TCustomControl {
  COLORREF fill;
  Block(TComponent* o, COLORREF c) : TCustomControl(o), fill(c) {}
  void Paint() override { FillDC(PaintDC(), Width(), Height(), fill); }
};

struct Spot : TGraphicControl {
  COLORREF fill;
  int clicks = 0, enters = 0, leaves = 0;
  std::vector<std::string> log;
  Spot(TComponent* o, COLORREF c) : TGraphicControl(o), fill(c) {
    OnClick = [this](TObject*) { ++clicks; };
  }
  void Paint() override { FillDC(PaintDC(), Width(), Height(), fill); }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER) ++enters;
    if (m.Msg == CM_MOUSELEAVE) ++leaves;
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP || m.Msg == WM_MOUSEMOVE)
      log.push_back(std::to_string(m.Msg) + "@" + std::to_string(GET_X_LPARAM(m.LParam)) + "," +
                    std::to_string(GET_Y_LPARAM(m.LParam)));
    TGraphicControl::WndProc(m);
  }
};

LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

TEST(TWinControl, PaintsItselfAndWindowlessChildrenIntoAGivenDC) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* panel = new Block(&form, RGB(200, 0, 0));
  panel->SetBounds(10, 10, 100, 60);
  panel->SetParent(&form);
  auto* spot = new Spot(&form, RGB(0, 0, 200));
  spot->SetBounds(130, 20, 20, 10);
  spot->SetParent(&form);
  form.SetColor(RGB(0, 200, 0));

  Dib dib(300, 200);
  form.PaintTo(dib.dc, 0, 0);
  EXPECT_EQ(RGB(0, 200, 0), dib.At(5, 5));          // form background
  EXPECT_EQ(RGB(200, 0, 0), dib.At(15, 15));        // windowed child
  EXPECT_EQ(RGB(200, 0, 0), dib.At(109, 69));
  EXPECT_EQ(RGB(0, 200, 0), dib.At(110, 70));
  EXPECT_EQ(RGB(0, 0, 200), dib.At(130, 20));       // windowless child, clipped to its bounds
  EXPECT_EQ(RGB(0, 0, 200), dib.At(149, 29));
  EXPECT_EQ(RGB(0, 200, 0), dib.At(150, 30));
  EXPECT_EQ(1, spot->PaintCount);

  // WM_PRINTCLIENT paints the client into the given DC as well.
  Dib part(100, 60);
  SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(part.dc), PRF_CLIENT);
  EXPECT_EQ(RGB(200, 0, 0), part.At(50, 30));
}

TEST(TWinControl, AlignLaysOutChildrenTopBottomLeftRightClient) {
  TForm form(nullptr);
  auto* host = new TCustomControl(&form);
  host->SetParent(&form);
  host->SetBounds(0, 0, 200, 100);
  struct Case {
    TAlign align;
    int w, h;
    RECT expected;
  };
  const Case cases[] = {
      {alTop, 50, 10, {0, 0, 200, 10}},     {alBottom, 50, 20, {0, 80, 200, 100}},
      {alLeft, 30, 5, {0, 10, 30, 80}},     {alRight, 40, 5, {160, 10, 200, 80}},
      {alClient, 1, 1, {30, 10, 160, 80}},
  };
  std::vector<TControl*> made;
  for (const Case& c : cases) {
    auto* child = new Spot(&form, 0);
    child->SetBounds(0, 0, c.w, c.h);
    child->SetAlign(c.align);
    child->SetParent(host);
    made.push_back(child);
  }
  host->Handle();
  for (size_t i = 0; i < made.size(); ++i) {
    RECT r = made[i]->BoundsRect();
    EXPECT_EQ(cases[i].expected.left, r.left) << i;
    EXPECT_EQ(cases[i].expected.top, r.top) << i;
    EXPECT_EQ(cases[i].expected.right, r.right) << i;
    EXPECT_EQ(cases[i].expected.bottom, r.bottom) << i;
  }
  // The layout follows the parent's size, and a hidden child gives its room back.
  host->SetBounds(0, 0, 300, 100);
  EXPECT_EQ(260, made[3]->Left());
  EXPECT_EQ(230, made[4]->Width());
  made[0]->Hide();
  EXPECT_EQ(0, made[2]->Top());
  EXPECT_EQ(80, made[4]->Height());
}

TEST(TWinControl, RoutesMouseToWindowlessChildrenWithCaptureAndClick) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* spot = new Spot(&form, 0);
  spot->SetBounds(40, 30, 50, 20);
  spot->SetParent(&form);
  HWND h = form.Handle();
  struct Case {
    const char* what;
    POINT up;
    int clicks;
  };
  const Case cases[] = {
      {"release inside", {60, 40}, 1},
      {"release outside", {200, 150}, 0},
  };
  for (const Case& c : cases) {
    spot->clicks = 0;
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(45, 35));
    EXPECT_TRUE(spot->MouseCapture()) << c.what;
    EXPECT_EQ(h, GetCapture()) << c.what;
    // Captured: a move far outside still reaches the child, in its coordinates.
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Pt(c.up.x, c.up.y));
    SendMessageW(h, WM_LBUTTONUP, 0, Pt(c.up.x, c.up.y));
    EXPECT_FALSE(spot->MouseCapture()) << c.what;
    EXPECT_EQ(c.clicks, spot->clicks) << c.what;
  }
  EXPECT_EQ(std::to_string(WM_LBUTTONDOWN) + "@5,5", spot->log[0]);
  EXPECT_EQ(std::to_string(WM_MOUSEMOVE) + "@160,120", spot->log[4]);
  // A disabled windowless control gets nothing; its parent takes the click.
  spot->SetEnabled(false);
  size_t before = spot->log.size();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Pt(45, 35));
  SendMessageW(h, WM_LBUTTONUP, 0, Pt(45, 35));
  EXPECT_EQ(before, spot->log.size());
}

TEST(TControl, CentralTrackerSendsOneEnterAndOneLeave) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* a = new Spot(&form, 0);
  a->SetBounds(10, 10, 50, 50);
  a->SetParent(&form);
  auto* b = new Block(&form, 0);
  b->SetBounds(100, 10, 50, 50);
  b->SetParent(&form);
  int bEnters = 0, bLeaves = 0;
  b->OnMouseEnter = [&](TObject*) { ++bEnters; };
  b->OnMouseLeave = [&](TObject*) { ++bLeaves; };
  HWND h = form.Handle();
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(20, 20));
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(25, 22));
  EXPECT_EQ(1, a->enters);
  EXPECT_EQ(a, TControl::MouseControl());
  SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, Pt(5, 5));
  EXPECT_EQ(1, a->leaves);
  EXPECT_EQ(1, bEnters);
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(200, 150));
  EXPECT_EQ(1, bLeaves);
  EXPECT_EQ(&form, TControl::MouseControl());
  delete a;  // the tracker forgets controls that go away
  SendMessageW(h, WM_MOUSEMOVE, 0, Pt(20, 20));
  EXPECT_EQ(&form, TControl::MouseControl());
}

struct KeyButton : TCustomControl {
  WPARAM takes;  // the dialog key this control acts on
  bool wants = false;
  int dialogKeys = 0, keyDowns = 0;
  KeyButton(TComponent* o, WPARAM k) : TCustomControl(o), takes(k) { TabStop = true; }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY && m.WParam == takes) {
      ++dialogKeys;
      m.Result = 1;
      return;
    }
    if (m.Msg == CM_WANTSPECIALKEY && wants) {
      m.Result = 1;
      return;
    }
    TCustomControl::WndProc(m);
  }
  void KeyDown(WORD& key, TShiftState shift) override {
    ++keyDowns;
    TCustomControl::KeyDown(key, shift);
  }
};

void PumpKey(HWND h, WPARAM key) {
  PostMessageW(h, WM_KEYDOWN, key, 1);
  PostMessageW(h, WM_KEYUP, key, 0xC0000001);
  Application->ProcessMessages();
}

TEST(TCustomForm, RoutesDialogKeysAndTabOrder) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* ok = new KeyButton(&form, VK_RETURN);
  ok->SetBounds(10, 10, 60, 20);
  ok->SetParent(&form);
  auto* cancel = new KeyButton(&form, VK_ESCAPE);
  cancel->SetBounds(80, 10, 60, 20);
  cancel->SetParent(&form);
  auto* other = new KeyButton(&form, 0);
  other->SetBounds(150, 10, 60, 20);
  other->SetParent(&form);
  std::vector<TWinControl*> focusNews;
  form.Show();
  ASSERT_TRUE(ok->SetFocus());
  EXPECT_EQ(ok, form.ActiveControl());

  // Enter and Escape reach the controls that take them as dialog keys, once,
  // and the focused control never sees the key itself.
  PumpKey(other->Handle(), VK_RETURN);
  other->SetFocus();
  PumpKey(other->Handle(), VK_RETURN);
  PumpKey(other->Handle(), VK_ESCAPE);
  EXPECT_EQ(2, ok->dialogKeys);
  EXPECT_EQ(1, cancel->dialogKeys);
  EXPECT_EQ(0, other->keyDowns);
  // A control that wants the key gets it as a key.
  other->wants = true;
  PumpKey(other->Handle(), VK_RETURN);
  EXPECT_EQ(2, ok->dialogKeys);
  EXPECT_EQ(1, other->keyDowns);

  // Tab walks the tab order and wraps; a disabled control is skipped.
  other->wants = false;
  other->SetTabOrder(0);
  other->SetFocus();
  PumpKey(other->Handle(), VK_TAB);
  EXPECT_EQ(ok, form.ActiveControl());
  cancel->SetEnabled(false);
  PumpKey(ok->Handle(), VK_TAB);
  EXPECT_EQ(other, form.ActiveControl());
  EXPECT_EQ(other->Handle(), GetFocus());
  // Hiding the focused control moves the focus on.
  other->Hide();
  EXPECT_EQ(ok, form.ActiveControl());
}

TEST(TWinControl, WindowProcCanBeReplacedAndChained) {
  TForm form(nullptr);
  auto* c = new TCustomControl(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 10, 10);
  std::vector<UINT> seen;
  TWndMethod saved = c->WindowProc;
  c->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_APP + 1) {
      m.Result = 42;
      return;
    }
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_ENABLEDCHANGED || m.Msg == CM_VISIBLECHANGED) seen.push_back(m.Msg);
    saved(m);
  };
  EXPECT_EQ(42, SendMessageW(c->Handle(), WM_APP + 1, 0, 0));
  c->SetCaption("x");
  c->SetEnabled(false);
  c->SetEnabled(false);
  c->Hide();
  EXPECT_EQ((std::vector<UINT>{CM_TEXTCHANGED, CM_ENABLEDCHANGED, CM_VISIBLECHANGED}), seen);
  EXPECT_FALSE(IsWindowEnabled(c->Handle()));
  EXPECT_FALSE(IsWindowVisible(c->Handle()));
}

// A system control superclassed: our procedure first, the system's behaviour kept.
struct WrappedCheck : TWinControl {
  int clicks = 0;
  using TWinControl::TWinControl;
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    p.SuperClass = u"BUTTON";
    p.WinClassName = u"TessWrappedCheck";
    p.Style |= BS_AUTOCHECKBOX;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == BN_CLICKED) ++clicks;
    TWinControl::WndProc(m);
  }
};

TEST(TWinControl, SuperclassedSystemControlKeepsItsBehaviour) {
  TForm form(nullptr);
  auto* check = new WrappedCheck(&form);
  check->SetParent(&form);
  check->SetBounds(5, 5, 100, 20);
  HWND h = check->Handle();
  WCHAR name[64];
  GetClassNameW(h, name, 64);
  EXPECT_EQ(std::u16string(u"TessWrappedCheck"), std::u16string(reinterpret_cast<char16_t*>(name)));
  SendMessageW(h, BM_CLICK, 0, 0);
  EXPECT_EQ(BST_CHECKED, SendMessageW(h, BM_GETCHECK, 0, 0));
  EXPECT_EQ(1, check->clicks);  // the parent's WM_COMMAND came back as CN_COMMAND
}

TEST(TWinControl, ExceptionsStopAtTheWindowProcedure) {
  struct Thrower : TCustomControl {
    using TCustomControl::TCustomControl;
    void Paint() override { throw Exception("paint failed"); }
  };
  TForm form(nullptr);
  auto* c = new Thrower(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 10, 10);
  std::string reported;
  Application->OnException = [&](TObject*, const std::string& m) { reported = m; };
  Dib dib(10, 10);
  c->PaintTo(dib.dc, 0, 0);
  Application->OnException = nullptr;
  EXPECT_EQ("paint failed", reported);
}

TEST(TControl, DestroyingParentAndChildInEitherOrderIsSafe) {
  auto* form = new TForm(nullptr);
  auto* inner = new TCustomControl(form);
  inner->SetParent(form);
  auto* leaf = new Spot(form, 0);
  leaf->SetParent(inner);
  inner->SetBounds(0, 0, 50, 50);
  HWND h = inner->Handle();
  delete inner;  // the leaf becomes an orphan, still owned by the form
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(nullptr, leaf->Parent());
  EXPECT_EQ(0, form->ControlCount());
  delete form;
}

}  // namespace

namespace {

struct Rect4 {
  int l, t, w, h;
  bool operator==(const Rect4& o) const { return l == o.l && t == o.t && w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& os, const Rect4& r) {
  return os << "(" << r.l << "," << r.t << " " << r.w << "x" << r.h << ")";
}
Rect4 Bounds(const TControl* c) { return Rect4{c->Left(), c->Top(), c->Width(), c->Height()}; }

}  // namespace

TEST(TControl, ConstraintsHoldForEveryWayTheSizeIsSet) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* host = new TCustomControl(&form);
  host->SetBounds(0, 0, 300, 200);
  host->SetParent(&form);
  auto* spot = new Spot(&form, 0);
  spot->SetParent(host);
  auto* block = new Block(&form, 0);
  block->SetParent(host);
  block->Handle();
  for (TControl* c : {static_cast<TControl*>(spot), static_cast<TControl*>(block)}) {
    SCOPED_TRACE(c == spot ? "windowless" : "windowed");
    TSizeConstraints* k = c->Constraints();
    k->SetMinWidth(20);
    k->SetMinHeight(15);
    k->SetMaxWidth(100);
    k->SetMaxHeight(50);
    c->SetBounds(5, 6, 10, 10);
    EXPECT_EQ((Rect4{5, 6, 20, 15}), Bounds(c));
    c->SetBounds(5, 6, 500, 500);
    EXPECT_EQ((Rect4{5, 6, 100, 50}), Bounds(c));
    // A new maximum applies at once; below the minimum it takes the minimum along.
    k->SetMaxWidth(10);
    EXPECT_EQ(10, k->MinWidth());
    EXPECT_EQ(10, c->Width());
    k->SetMinWidth(60);
    EXPECT_EQ(60, k->MaxWidth());
    EXPECT_EQ(60, c->Width());
    // Zero is no limit; alignment is limited too.
    k->SetMaxWidth(0);
    k->SetMaxHeight(0);
    k->SetMinWidth(0);
    k->SetMinHeight(0);
    c->SetBounds(5, 6, 500, 500);
    EXPECT_EQ((Rect4{5, 6, 500, 500}), Bounds(c));
    k->SetMaxWidth(120);
    c->SetAlign(alClient);
    EXPECT_EQ((Rect4{0, 0, 120, 200}), Bounds(c));
    c->SetAlign(alNone);
    k->SetMaxWidth(0);
  }
  // A window sized from outside keeps to them as well.
  block->Constraints()->SetMaxHeight(40);
  SetWindowPos(block->Handle(), nullptr, 0, 0, 90, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(block->Handle(), &r);
  EXPECT_EQ(40, r.bottom - r.top);
  EXPECT_EQ(40, block->Height());
  EXPECT_EQ(90, block->Width());
}

TEST(TControl, AnchorsKeepDistancesToTheParentEdges) {
  for (bool windowed : {false, true}) {
    SCOPED_TRACE(windowed ? "parent with a window" : "parent without a window yet");
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 400);
    auto* host = new TCustomControl(&form);
    host->SetBounds(0, 0, 200, 100);
    host->SetParent(&form);
    if (windowed) host->Handle();
    struct Case {
      TAnchors anchors;
      Rect4 wide;  // after the host grows to 300 x 160
    };
    const Rect4 start{40, 30, 60, 20};
    const Case cases[] = {
        {akLeft | akTop, {40, 30, 60, 20}},
        {akRight | akBottom, {140, 90, 60, 20}},
        {akLeft | akRight, {40, 54, 160, 20}},  // no vertical anchor: the centre keeps its proportion
        {akTop | akBottom, {75, 30, 60, 80}},
        {akLeft | akTop | akRight | akBottom, {40, 30, 160, 80}},
        {0, {75, 54, 60, 20}},  // the centre stays at the same proportion
    };
    std::vector<TControl*> children;
    for (const Case& c : cases) {
      auto* child = new Spot(&form, 0);
      child->SetBounds(start.l, start.t, start.w, start.h);
      child->SetParent(host);
      child->SetAnchors(c.anchors);
      children.push_back(child);
    }
    auto* aligned = new Spot(&form, 0);
    aligned->SetBounds(0, 0, 10, 10);
    aligned->SetAnchors(akRight | akBottom);
    aligned->SetAlign(alTop);
    aligned->SetParent(host);

    host->SetBounds(0, 0, 300, 160);
    for (size_t i = 0; i < children.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(cases[i].wide, Bounds(children[i]));
    }
    EXPECT_EQ((Rect4{0, 0, 300, 10}), Bounds(aligned));  // alignment wins over anchors
    host->SetBounds(0, 0, 200, 100);
    for (TControl* c : children) EXPECT_EQ(start, Bounds(c));

    // A control moved by the program keeps its new distances.
    children[1]->SetBounds(100, 50, 60, 20);
    host->SetBounds(0, 0, 220, 100);
    EXPECT_EQ((Rect4{120, 50, 60, 20}), Bounds(children[1]));
  }
}

TEST(TControl, AnchorsTakenInAParentOfNoSizeStartFromItsFirstSize) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  auto* host = new TCustomControl(&form);
  host->SetParent(&form);
  auto* child = new Spot(&form, 0);
  child->SetBounds(10, 10, 50, 20);
  child->SetAnchors(akRight | akTop);
  child->SetParent(host);
  host->SetBounds(0, 0, 200, 100);
  EXPECT_EQ((Rect4{10, 10, 50, 20}), Bounds(child));
  host->SetBounds(0, 0, 300, 100);
  EXPECT_EQ((Rect4{110, 10, 50, 20}), Bounds(child));
}

TEST(TWinControl, AutoSizeFitsTheVisibleChildrenWithinTheConstraints) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  auto* host = new TCustomControl(&form);
  host->SetBounds(10, 10, 50, 50);
  host->SetParent(&form);
  host->Handle();
  auto* a = new Spot(&form, 0);
  a->SetBounds(5, 5, 100, 20);
  a->SetParent(host);
  auto* b = new Block(&form, 0);
  b->SetBounds(20, 40, 30, 60);
  b->SetParent(host);
  EXPECT_EQ((Rect4{10, 10, 50, 50}), Bounds(host));  // no auto-size yet

  host->SetAutoSize(true);
  EXPECT_EQ((Rect4{10, 10, 105, 100}), Bounds(host));
  b->SetBounds(20, 40, 200, 60);  // a child that grows grows the parent
  EXPECT_EQ((Rect4{10, 10, 220, 100}), Bounds(host));
  b->Hide();
  EXPECT_EQ((Rect4{10, 10, 105, 25}), Bounds(host));
  host->Constraints()->SetMinHeight(40);
  EXPECT_EQ((Rect4{10, 10, 105, 40}), Bounds(host));
  host->SetBounds(10, 10, 400, 400);  // the program's request gives way to the children
  EXPECT_EQ((Rect4{10, 10, 105, 40}), Bounds(host));
  host->SetAutoSize(false);
  host->SetBounds(10, 10, 400, 400);
  EXPECT_EQ((Rect4{10, 10, 400, 400}), Bounds(host));
}

TEST(TControl, AutoSizeQueryCanRefuseAndAlignmentKeepsItsSide) {
  struct Fixed : TGraphicControl {
    bool answer = true;
    explicit Fixed(TComponent* o) : TGraphicControl(o) {}
    bool CanAutoSize(int& w, int& h) override {
      w = 33;
      h = 44;
      return answer;
    }
  };
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  auto* host = new TCustomControl(&form);
  host->SetBounds(0, 0, 200, 100);
  host->SetParent(&form);
  auto* f = new Fixed(&form);
  f->SetParent(host);
  f->SetAutoSize(true);
  EXPECT_EQ((Rect4{0, 0, 33, 44}), Bounds(f));
  f->answer = false;
  f->SetBounds(0, 0, 70, 80);
  EXPECT_EQ((Rect4{0, 0, 70, 80}), Bounds(f));
  f->answer = true;
  f->SetAlign(alTop);  // the parent gives the width, the control its height
  EXPECT_EQ((Rect4{0, 0, 200, 44}), Bounds(f));
  f->SetAlign(alClient);  // a client-aligned control takes the whole area
  EXPECT_EQ((Rect4{0, 0, 200, 100}), Bounds(f));
}
