// MDI forms on real windows: an MDI form with skinned children, the
// arrangements of its component, the messages between the children and the
// frame, the menu bar's merged menu and child buttons, and the tabs bar,
// driven by the real mouse where a person would use it.
#include "support/gtest.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "support/Dib.h"
#include "support/RealInput.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinMDITabsBar.h"
#include "skin/frame/SkinMainMenuBar.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// Pumps until `done` holds or two seconds passed; returns `done`.
bool PumpUntil(const std::function<bool()>& done) { return real_input::PumpUntil(done, 2000); }

// Left clicks of the real mouse at a screen point; all the input is queued
// before the GUI thread takes any, so a loop that a press starts (the
// system's move loop on a caption) finds its release.
void Click(POINT p, int clicks = 1) {
  SetCursorPos(p.x, p.y);
  PumpUntil([&] {
    POINT c;
    GetCursorPos(&c);
    return c.x == p.x && c.y == p.y;
  });
  std::vector<INPUT> in(size_t(clicks) * 2);
  for (size_t i = 0; i < in.size(); ++i) {
    in[i].type = INPUT_MOUSE;
    in[i].mi.dwFlags = (i % 2) ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
  }
  SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
  Pump();
}

// With TESS_ARTIFACT_DIR set, the window as it shows on the screen goes
// into <dir>/<name>.bmp for a person to look at.
void Snap(HWND h, const char* name) {
  const char* dir = getenv("TESS_ARTIFACT_DIR");
  if (!dir || !*dir) return;
  Pump();
  RECT r;
  GetWindowRect(h, &r);
  InflateRect(&r, 12, 12);  // with the layered border around the window
  const int w = r.right - r.left, ht = r.bottom - r.top;
  Dib shot(w, ht);
  shot.FromScreen(r.left, r.top);
  const BITMAPINFOHEADER& bh = shot.bi.bmiHeader;
  std::string path = std::string(dir) + "/" + name + ".bmp";
  if (FILE* f = fopen(path.c_str(), "wb")) {
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bh);
    fh.bfSize = fh.bfOffBits + DWORD(w * ht * 4);
    fwrite(&fh, sizeof(fh), 1, f);
    fwrite(&bh, sizeof(bh), 1, f);
    fwrite(shot.bits, 4, size_t(w) * size_t(ht), f);
    fclose(f);
  }
}

struct Mdi {
  TForm* frame = nullptr;
  TspDynamicSkinForm* fsf = nullptr;
  TspSkinData* skin = nullptr;  // given to every child's component
  std::vector<std::string> names;

  explicit Mdi(int n, const std::function<void(Mdi&)>& beforeShow = nullptr) {
    Application->CreateForm(frame);
    frame->SetFormStyle(fsMDIForm);
    frame->SetCaption("Frame");
    frame->SetBounds(620, 40, 640, 480);
    fsf = new TspDynamicSkinForm(frame);
    if (beforeShow) beforeShow(*this);
    frame->Show();
    SetWindowPos(frame->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(frame->Handle());
    for (int i = 0; i < n; ++i) AddChild();
    Pump();
  }
  ~Mdi() {
    for (const std::string& n : names)
      if (TComponent* c = Application->FindComponent(n)) delete c;
    Pump();
    delete frame;
    Pump();
  }
  Mdi(const Mdi&) = delete;
  Mdi& operator=(const Mdi&) = delete;

  TForm* AddChild(const std::function<void(TForm*)>& beforeShow = nullptr) {
    auto* c = new TForm(Application);
    const std::string name = "Child" + std::to_string(names.size());
    c->SetName(name);
    c->SetCaption("Child " + std::to_string(names.size()));
    c->SetFormStyle(fsMDIChild);
    c->SetBounds(10 + 20 * int(names.size()), 10 + 20 * int(names.size()), 220, 160);
    auto* d = new TspDynamicSkinForm(c);
    if (skin) d->SetSkinData(skin);
    names.push_back(name);
    if (beforeShow) beforeShow(c);
    c->Show();
    return c;
  }
  TForm* Child(int i) { return dynamic_cast<TForm*>(Application->FindComponent(names[size_t(i)])); }
  TspDynamicSkinForm* Dsf(TCustomForm* f) { return GetDynamicSkinForm(f); }
  TRect Client() {
    TRect r;
    fsf->GetMDIClientRect(r);
    return r;
  }
  static TRect Bounds(TCustomForm* f) { return TRect{f->Left(), f->Top(), f->Left() + f->Width(), f->Top() + f->Height()}; }
};

TEST(MDIForms, TheFrameHoldsTheClientAndTheChildrenLiveInIt) {
  Mdi m(3);
  ASSERT_TRUE(Application->MainForm() == m.frame);
  HWND client = m.frame->ClientHandle();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(m.frame->MDIChildCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(GetParent(m.Child(i)->Handle()), client);
  // The last one shown is the active child and the first in the list.
  EXPECT_EQ(m.frame->ActiveMDIChild(), m.Child(2));
  EXPECT_EQ(m.frame->MDIChildren(0), m.Child(2));
  // The client fills the frame's client area.
  RECT cr, fr;
  GetClientRect(client, &cr);
  GetClientRect(m.frame->Handle(), &fr);
  EXPECT_EQ(cr.right, fr.right);
  EXPECT_EQ(cr.bottom, fr.bottom);
  // Under the frame's component the client draws no frame of its own: even
  // with an edge style its whole window stays client area.
  SetWindowLongPtrW(client, GWL_EXSTYLE, GetWindowLongPtrW(client, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  SetWindowPos(client, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT wr;
  GetClientRect(client, &cr);
  GetWindowRect(client, &wr);
  EXPECT_EQ(cr.right, wr.right - wr.left);
  EXPECT_EQ(cr.bottom, wr.bottom - wr.top);
  EXPECT_EQ(SendMessageW(client, WM_NCACTIVATE, FALSE, 0), 1);
  m.frame->Next();
  EXPECT_NE(m.frame->ActiveMDIChild(), m.Child(2));
}

TEST(MDIForms, TileCascadeMinimizeRestoreAndCloseAll) {
  Mdi m(5);
  const TRect R = m.Client();
  const int W = R.Width(), H = R.Height();
  auto kid = [&](int i) { return m.frame->MDIChildren(i); };

  // Horizontal tiling: the right column holds the last three (bottom up),
  // the left column the first two.
  m.fsf->Tile();
  const int colW = W / 2;
  EXPECT_EQ(Mdi::Bounds(kid(4)), (TRect{W - colW, H - H / 3, W, H - H / 3 + H / 3}));
  EXPECT_EQ(Mdi::Bounds(kid(3)), (TRect{W - colW, H - 2 * (H / 3), W, H - 2 * (H / 3) + H / 3}));
  EXPECT_EQ(Mdi::Bounds(kid(2)), (TRect{W - colW, H - 3 * (H / 3), W, H - 3 * (H / 3) + H / 3}));
  EXPECT_EQ(Mdi::Bounds(kid(1)), (TRect{0, H - H / 2, colW, H - H / 2 + H / 2}));
  EXPECT_EQ(Mdi::Bounds(kid(0)), (TRect{0, H - 2 * (H / 2), colW, H - 2 * (H / 2) + H / 2}));

  // Vertical tiling: the left column holds the first two, the right the rest.
  m.fsf->FTileMode = tbVertical;
  m.fsf->Tile();
  EXPECT_EQ(Mdi::Bounds(kid(0)), (TRect{0, 0, colW, H / 2}));
  EXPECT_EQ(Mdi::Bounds(kid(1)), (TRect{0, H / 2, colW, H / 2 + H / 2}));
  EXPECT_EQ(Mdi::Bounds(kid(2)), (TRect{colW, 0, 2 * colW, H / 3}));
  EXPECT_EQ(Mdi::Bounds(kid(4)), (TRect{colW, 2 * (H / 3), 2 * colW, 3 * (H / 3)}));

  // Cascade: the last child at the origin, each earlier one a caption lower.
  m.fsf->Cascade();
  const int step = m.fsf->GetDefCaptionHeight() + 3;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(kid(i)->Left(), (4 - i) * step) << i;
    EXPECT_EQ(kid(i)->Top(), (4 - i) * step) << i;
  }
  const TRect before = Mdi::Bounds(kid(0));

  m.fsf->MinimizeAll();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(m.Dsf(kid(i))->WindowState(), wsMinimized) << i;
    EXPECT_EQ(kid(i)->Height(), m.Dsf(kid(i))->GetMinHeight()) << i;
    EXPECT_GE(kid(i)->Top(), 0);
    EXPECT_LE(kid(i)->Top() + kid(i)->Height(), H);
  }
  m.fsf->RestoreAll();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m.Dsf(kid(i))->WindowState(), wsNormal) << i;
  EXPECT_EQ(Mdi::Bounds(kid(0)), before);

  m.fsf->CloseAll();
  EXPECT_TRUE(PumpUntil([&] { return m.frame->MDIChildCount() == 0; }));
}

TEST(MDIForms, AChildOutsideTheClientShowsTheScrollBars) {
  Mdi m(2);
  TspSkinScrollBar* vb = m.fsf->FMDIVScrollBar;
  ASSERT_NE(vb, nullptr);
  EXPECT_FALSE(vb->Visible());
  m.Child(0)->SetTop(-40);
  EXPECT_TRUE(PumpUntil([&] { return vb->Visible(); }));
  EXPECT_EQ(vb->Position(), 40);
  // Scrolling moves the children back.
  vb->SetPosition(0);
  vb->OnLastChange(vb);
  EXPECT_EQ(m.Child(0)->Top(), 0);
  // A child that goes leaves the extent.
  m.Child(0)->SetTop(-40);
  Pump();
  ASSERT_TRUE(vb->Visible());
  delete m.Child(0);
  EXPECT_TRUE(PumpUntil([&] { return !vb->Visible(); }));
}

bool Listed(TCustomForm* f) {
  bool found = false;
  Screen->VisitForms([&](TCustomForm* g) { found = found || g == f; });
  return found;
}

// A child closed by its user or deleted by the program: the frame's hook sees
// every message of the child's window while the form is still one of the
// program's forms, and the client is told (its active child is a live one).
TEST(MDIForms, AChildThatGoesIsStillWholeForItsLastMessagesAndTheClientLetsItGo) {
  Mdi m(3);
  HWND client = m.frame->ClientHandle();
  std::vector<std::string> late;
  for (int i = 0; i < 3; ++i) {
    TForm* c = m.Child(i);
    TWndMethod hook = c->WindowProc;
    const std::string name = m.names[size_t(i)];
    c->WindowProc = [c, hook, name, &late](TMessage& msg) {
      if (!Listed(c)) late.push_back(name + " message " + std::to_string(msg.Msg));
      hook(msg);
    };
  }
  auto activeIsLive = [&] {
    HWND a = reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0));
    return a && IsWindow(a);
  };
  ASSERT_EQ(m.frame->ActiveMDIChild(), m.Child(2));
  HWND second = m.Child(1)->Handle(), first = m.Child(0)->Handle();
  // Closed: the form frees itself once its handlers are done.
  m.Child(2)->Close();
  ASSERT_TRUE(PumpUntil([&] { return Application->FindComponent(m.names[2]) == nullptr; }));
  EXPECT_TRUE(activeIsLive());
  EXPECT_EQ(m.frame->MDIChildCount(), 2);
  // Deleted by the program, the active one and then one in the background.
  HWND gone = m.frame->ActiveMDIChild() ? m.frame->ActiveMDIChild()->Handle() : nullptr;
  ASSERT_TRUE(gone == first || gone == second);
  delete m.frame->ActiveMDIChild();
  Pump();
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_TRUE(activeIsLive());
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0)), gone == first ? second : first);
  EXPECT_EQ(m.frame->MDIChildCount(), 1);
  EXPECT_EQ(late, std::vector<std::string>{});
}

// A menu merged into the bar that the program deletes is no longer the bar's,
// nor are the items the bar made of it.
TEST(MDIForms, AMergedMenuThatGoesIsForgottenByTheBar) {
  TForm form(nullptr);
  auto* bar = new TspSkinMainMenuBar(&form);
  auto* own = new TMainMenu(&form);
  auto* file = new TMenuItem(nullptr);
  file->SetCaption("&File");
  own->Items()->Add(file);
  bar->SetMainMenu(own);
  auto* merged = new TMainMenu(&form);
  auto* tools = new TMenuItem(nullptr);
  tools->SetCaption("&Tools");
  tools->GroupIndex = 3;
  merged->Items()->Add(tools);
  bar->Merge(merged);
  ASSERT_EQ(bar->GetChildMainMenu(), merged);
  const uintptr_t toolsAddress = reinterpret_cast<uintptr_t>(tools);
  delete merged;
  EXPECT_EQ(bar->GetChildMainMenu(), nullptr);
  for (auto& o : bar->ObjectList)
    if (auto* item = dynamic_cast<TspSkinMainMenuBarItem*>(o.get()))
      EXPECT_NE(reinterpret_cast<uintptr_t>(static_cast<TMenuItem*>(item->MenuItem)), toolsAddress);
}

TEST(MDIForms, AMaximizedChildMergesItsMenuAndItsButtonsMinimizeRestoreAndClose) {
  TspSkinMainMenuBar* bar = nullptr;
  TMainMenu* frameMenu = nullptr;
  Mdi m(0, [&](Mdi& mm) {
    frameMenu = new TMainMenu(mm.frame);
    auto* file = new TMenuItem(nullptr);
    file->SetName("FileItem");
    file->SetCaption("&File");
    frameMenu->Items()->Add(file);
    auto* win = new TMenuItem(nullptr);
    win->SetName("WindowItem");
    win->SetCaption("&Window");
    win->GroupIndex = 9;
    frameMenu->Items()->Add(win);
    mm.frame->WindowMenu = win;
    bar = new TspSkinMainMenuBar(mm.frame);
    bar->SetParent(mm.frame);
    bar->SetDynamicSkinForm(mm.fsf);
    bar->SetMainMenu(frameMenu);
  });
  std::string ran;
  for (int i = 0; i < 3; ++i)
    m.AddChild([i, &ran](TForm* c) {
      auto* menu = new TMainMenu(c);
      auto* edit = new TMenuItem(nullptr);
      edit->SetName("EditItem" + std::to_string(i));
      edit->SetCaption("&Edit");
      edit->GroupIndex = 1;
      menu->Items()->Add(edit);
      auto* copy = new TMenuItem(nullptr);
      copy->SetCaption("Copy");
      copy->SetShortCut(ShortCut('K', ssCtrl));
      copy->OnClick = [i, &ran](TObject*) { ran += "copy" + std::to_string(i) + ";"; };
      edit->Add(copy);
    });
  Pump();
  // The window menu lists the children; the active one checked.
  ASSERT_EQ(m.frame->WindowMenu->Count(), 3);
  EXPECT_EQ(m.frame->WindowMenu->Items(2)->Name(), "Child2_DSFCHILDITEM");
  EXPECT_TRUE(m.frame->WindowMenu->Items(2)->Checked());
  // The active child's menu is merged in by group.
  auto names = [&] {
    std::vector<std::string> n;
    for (auto& o : bar->ObjectList)
      if (auto* it = dynamic_cast<TspSkinMainMenuBarItem*>(o.get())) n.push_back(it->IDName);
    return n;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"FileItem", "EditItem2", "WindowItem"}));
  // The active child's menu answers its shortcut through the frame.
  EXPECT_TRUE(spFormMenus(m.fsf)->FormShortCut('K', ssCtrl));
  EXPECT_EQ(ran, "copy2;");
  Snap(m.frame->Handle(), "mdi_children");

  // Maximizing one maximizes all; the bar shows the four child buttons and
  // the caption names the child.
  TForm* top = m.Child(2);
  m.Dsf(top)->SetWindowState(wsMaximized);
  Pump();
  EXPECT_TRUE(m.fsf->GetMDIChildMaximized());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Dsf(m.Child(i))->WindowState(), wsMaximized) << i;
  const TRect R = m.Client();
  EXPECT_EQ(Mdi::Bounds(top), (TRect{0, 0, R.Width(), R.Height()}));
  RECT cr;
  GetClientRect(top->Handle(), &cr);
  EXPECT_EQ(cr.right, R.Width()) << "a maximized child shows no frame";
  ASSERT_EQ(bar->ButtonsCount, 4);
  EXPECT_EQ(m.fsf->CaptionText(), "Frame - [Child 2]");
  Snap(m.frame->Handle(), "mdi_maximized");
  EXPECT_EQ(SendMessageW(m.frame->Handle(), SP_MDIQUERYMAXIMIZED, 0, 0), 1);

  auto buttonAt = [&](TStdCommand cmd) {
    bar->CalcItemsRect();
    for (int i = 0; i < bar->ButtonsCount; ++i)
      if (bar->Button(i)->Command == cmd) {
        const TRect r = bar->Button(i)->ObjectRect;
        return bar->ClientToScreen(POINT{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
      }
    return POINT{-1, -1};
  };
  // Restore: every child comes back to its own size; the buttons go.
  Click(buttonAt(cmMaximize));
  EXPECT_TRUE(PumpUntil([&] { return bar->ButtonsCount == 0; }));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Dsf(m.Child(i))->WindowState(), wsNormal) << i;
  EXPECT_FALSE(m.fsf->GetMDIChildMaximized());
  EXPECT_EQ(top->Width(), 220);

  // Minimize: the child minimizes, the others are restored.
  m.Dsf(top)->SetWindowState(wsMaximized);
  Pump();
  ASSERT_EQ(bar->ButtonsCount, 4);
  TForm* active = dynamic_cast<TForm*>(m.frame->ActiveMDIChild());
  ASSERT_NE(active, nullptr);
  Click(buttonAt(cmMinimize));
  EXPECT_TRUE(PumpUntil([&] { return m.Dsf(active)->WindowState() == wsMinimized; }));
  for (int i = 0; i < 3; ++i)
    if (m.Child(i) != active) EXPECT_EQ(m.Dsf(m.Child(i))->WindowState(), wsNormal) << i;
  EXPECT_FALSE(m.fsf->GetMDIChildMaximized());
  EXPECT_EQ(bar->ButtonsCount, 0);

  // Close: the maximized child goes.
  m.Dsf(m.Child(0))->SetWindowState(wsNormal);
  m.Dsf(m.Child(0))->SetWindowState(wsMaximized);
  Pump();
  ASSERT_EQ(bar->ButtonsCount, 4);
  Click(buttonAt(cmClose));
  EXPECT_TRUE(PumpUntil([&] { return m.frame->MDIChildCount() == 2; }));
  EXPECT_EQ(m.frame->WindowMenu->Count(), 2);
}

TEST(MDIForms, TheTabsBarShowsOneTabPerChildAndAClickActivatesOrClosesIt) {
  TspSkinMDITabsBar* bar = nullptr;
  Mdi m(0, [&](Mdi& mm) {
    bar = new TspSkinMDITabsBar(mm.frame);
    bar->SetAlign(alTop);
    bar->SetParent(mm.frame);
    bar->SetShowCloseButtons(true);
    bar->SetDynamicSkinForm(mm.fsf);
    mm.fsf->SetMDITabsBar(bar);
  });
  for (int i = 0; i < 3; ++i) m.AddChild();
  Pump();
  ASSERT_EQ(bar->ObjectList.size(), 3u);
  auto activeTab = [&]() -> TCustomForm* {
    for (auto& t : bar->ObjectList)
      if (t->Active) return t->Child;
    return nullptr;
  };
  EXPECT_EQ(activeTab(), m.Child(2));
  Snap(m.frame->Handle(), "mdi_tabs");
  // The MDI client starts below the bar.
  EXPECT_EQ(m.Client().Top, bar->Height());
  bar->CalcObjectRects();
  // Four tabs of a 318-pixel bar would start at 15, 90, 165, 240; three
  // tabs of the default width start every 100 pixels.
  EXPECT_EQ(bar->ObjectList[0]->ObjectRect.Left, 15);
  EXPECT_EQ(bar->ObjectList[1]->ObjectRect.Left, 115);

  // A click on the first tab activates its child.
  const TRect r0 = bar->ObjectList[0]->ObjectRect;
  Click(bar->ClientToScreen(POINT{r0.Left + 20, r0.Top + r0.Height() / 2}));
  EXPECT_TRUE(PumpUntil([&] { return m.frame->ActiveMDIChild() == m.Child(0); }));
  EXPECT_TRUE(PumpUntil([&] { return activeTab() == m.Child(0); }));

  // Its close button closes it.
  bar->Repaint();
  TspMDITab* t = bar->ObjectList[0].get();
  const TRect br = t->ButtonRect;
  ASSERT_GT(br.Width(), 0);
  Click(bar->ClientToScreen(POINT{t->ObjectRect.Left + br.Left + br.Width() / 2,
                                  t->ObjectRect.Top + br.Top + br.Height() / 2}));
  EXPECT_TRUE(PumpUntil([&] { return m.frame->MDIChildCount() == 2; }));
  EXPECT_EQ(bar->ObjectList.size(), 2u);
  EXPECT_EQ(Application->FindComponent("Child0"), nullptr);
}

TEST(MDIForms, WithTheProgramsSkinTheChildButtonsAndTabsComeFromTheSkin) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(ExeFolder() + "skin-tessavane\\skin.ini");
  ASSERT_FALSE(skin.Empty);
  TspSkinMainMenuBar* bar = nullptr;
  TspSkinMDITabsBar* tabs = nullptr;
  Mdi m(0, [&](Mdi& mm) {
    mm.skin = &skin;
    mm.fsf->SetSkinData(&skin);
    auto* menu = new TMainMenu(mm.frame);
    auto* file = new TMenuItem(nullptr);
    file->SetName("FileItem");
    file->SetCaption("&File");
    menu->Items()->Add(file);
    bar = new TspSkinMainMenuBar(mm.frame);
    bar->SetParent(mm.frame);
    bar->SetDynamicSkinForm(mm.fsf);
    bar->SetSkinData(&skin);
    bar->SetMainMenu(menu);
    tabs = new TspSkinMDITabsBar(mm.frame);
    tabs->SetAlign(alTop);
    tabs->SetParent(mm.frame);
    tabs->SetShowCloseButtons(true);
    tabs->SetDynamicSkinForm(mm.fsf);
    tabs->SetSkinData(&skin);
    mm.fsf->SetMDITabsBar(tabs);
  });
  for (int i = 0; i < 3; ++i) m.AddChild();
  Pump();
  ASSERT_NE(tabs->SkinIndex(), -1);
  // The tab close button is the skin's 14-pixel cell.
  tabs->Repaint();
  EXPECT_EQ(tabs->GetCloseSize(), 14);
  EXPECT_EQ(tabs->ObjectList[0]->ButtonRect.Width(), 14);
  Snap(m.frame->Handle(), "mdi_skinned");

  // A double click on the child's caption maximizes it (and so all).
  TForm* top = m.Child(2);
  TspDynamicSkinForm* d = m.Dsf(top);
  TspSkinCaptionObject* cap = d->FirstCaption();
  ASSERT_NE(cap, nullptr);
  const TRect cr = cap->ObjectRect;
  RECT wr;
  GetWindowRect(top->Handle(), &wr);
  POINT p{wr.left + (cr.Left + cr.Right) / 2, wr.top + (cr.Top + cr.Bottom) / 2};
  Click(p, 2);
  ASSERT_TRUE(PumpUntil([&] { return d->WindowState() == wsMaximized; }));
  ASSERT_EQ(bar->ButtonsCount, 4);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(bar->Button(i)->FSkinSupport) << i;
  Snap(m.frame->Handle(), "mdi_skinned_maximized");
  // The close button shows its skin picture: the picture's own pixel at the
  // button's centre.
  bar->CalcItemsRect();
  TspSkinMainMenuBarButton* close = nullptr;
  for (int i = 0; i < 4; ++i)
    if (bar->Button(i)->Command == cmClose) close = bar->Button(i);
  ASSERT_NE(close, nullptr);
  const TRect o = close->ObjectRect;
  Dib dib(bar->Width(), bar->Height());
  bar->PaintTo(dib.dc, 0, 0);
  const TColor want = close->Picture->Canvas()->Pixel(close->SkinRect.Left + 1, close->SkinRect.Top + 1);
  EXPECT_EQ(dib.At(o.Left + 1, o.Top + 1), COLORREF(want));
  Click(bar->ClientToScreen(POINT{(o.Left + o.Right) / 2, (o.Top + o.Bottom) / 2}));
  EXPECT_TRUE(PumpUntil([&] { return m.frame->MDIChildCount() == 2; }));
  EXPECT_EQ(tabs->ObjectList.size(), 2u);
}

TEST(MDIForms, TheTabLayoutFollowsTheWidthLimits) {
  TForm host(nullptr);
  auto* bar = new TspSkinMDITabsBar(&host);
  bar->SetParent(&host);
  std::vector<TForm*> kids;
  struct Case {
    int width, minTab, tabs, firstHidden, hiddenCount;
  };
  for (const Case& c : {Case{318, 0, 4, -1, 0}, Case{500, 80, 12, 5, 7}}) {
    bar->SetWidth(c.width);
    bar->MinTabWidth = c.minTab;
    for (int i = 0; i < c.tabs; ++i) {
      kids.push_back(new TForm(nullptr));
      bar->AddTab(kids.back());
    }
    bar->CalcObjectRects();
    EXPECT_EQ(bar->FInVisibleCount, c.hiddenCount);
    ASSERT_NE(bar->FListButton, nullptr);
    EXPECT_TRUE(bar->FListButton->Visible());
    if (c.firstHidden != -1) {
      EXPECT_TRUE(bar->ObjectList[size_t(c.firstHidden) - 1]->Visible);
      EXPECT_FALSE(bar->ObjectList[size_t(c.firstHidden)]->Visible);
    } else {
      EXPECT_EQ(bar->ObjectList[3]->ObjectRect.Left, 240);
      EXPECT_EQ(bar->ObjectList[3]->ObjectRect.Right, 318);
    }
    // A freed child takes its tab with it.
    for (TForm* k : kids) delete k;
    kids.clear();
    EXPECT_TRUE(bar->ObjectList.empty());
    EXPECT_FALSE(bar->FListButton->Visible()) << "no tab, no list";
  }
}

TEST(MDIForms, MDIRequestsToAFormWithoutMDIChangeNothing) {
  TForm form(nullptr);
  form.SetBounds(700, 560, 300, 200);
  auto* dsf = new TspDynamicSkinForm(&form);
  form.Show();
  Pump();
  const TRect before = Mdi::Bounds(&form);
  for (UINT msg : {SP_MDICHILDFILL, SP_MDICHILDMAXIMIZED, SP_MDICHILDRESTORED, SP_MDICHILDMOVED, SP_MDIRESTOREALL,
                   SP_MDIRESTOREALLEXCEPT})
    SendMessageW(form.Handle(), msg, 0, 0);
  EXPECT_EQ(SendMessageW(form.Handle(), SP_MDIQUERYMAXIMIZED, 0, 0), 0);
  dsf->Tile();
  dsf->Cascade();
  dsf->MinimizeAll();
  dsf->MaximizeAll();
  dsf->CloseAll();
  dsf->RestoreAll();
  EXPECT_FALSE(dsf->GetMDIChildMaximized());
  EXPECT_EQ(dsf->WindowState(), wsNormal);
  EXPECT_EQ(Mdi::Bounds(&form), before);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(form.ClientHandle(), nullptr);
  EXPECT_EQ(form.MDIChildCount(), 0);
  EXPECT_EQ(form.ActiveMDIChild(), nullptr);
}

TEST(MDIForms, ClosingTheFrameAsksEachChildOnce) {
  Mdi m(3);
  int asked[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i)
    m.Child(i)->OnCloseQuery = [&asked, i](TObject*, bool& can) {
      ++asked[i];
      can = i != 1;
    };
  bool frameAsked = false;
  m.frame->OnCloseQuery = [&](TObject*, bool&) { frameAsked = true; };
  // One child refuses: the frame stays and is not asked.
  m.frame->Close();
  EXPECT_FALSE(Application->Terminated());
  EXPECT_FALSE(frameAsked);
  int total = asked[0] + asked[1] + asked[2];
  EXPECT_GE(total, 1);
  for (int a : asked) EXPECT_LE(a, 1);
  // All agree: each child is asked exactly once more.
  m.Child(1)->OnCloseQuery = [&asked](TObject*, bool&) { ++asked[1]; };
  int before[3] = {asked[0], asked[1], asked[2]};
  EXPECT_TRUE(m.frame->CloseQuery());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(asked[i], before[i] + 1) << i;
  EXPECT_TRUE(frameAsked);
  EXPECT_EQ(m.frame->MDIChildCount(), 3);
}

}  // namespace

namespace {

// A skinned control that counts the requests to end its mode.
class CancelProbe : public TspSkinControl {
public:
  using TspSkinControl::TspSkinControl;
  int cancels = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_CANCELMODE) ++cancels;
    TspSkinControl::WndProc(m);
  }
};

}  // namespace

TEST(MDIForms, AMessageThatClosesMenusEndsTheModesOfTheFramesEnabledSkinnedControls) {
  Mdi m(1);
  auto* shown = new CancelProbe(m.frame);
  shown->SetParent(m.frame);
  shown->SetBounds(0, 0, 20, 20);
  auto* disabled = new CancelProbe(m.frame);
  disabled->SetParent(m.frame);
  disabled->SetEnabled(false);
  Pump();
  // Counted from here: adding children sent the frame closing messages too.
  const int shownBefore = shown->cancels, disabledBefore = disabled->cancels;
  SendMessageW(m.frame->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(shown->cancels, shownBefore + 1);
  EXPECT_EQ(disabled->cancels, disabledBefore);
  // A message that closes no menu leaves them alone.
  SendMessageW(m.frame->Handle(), WM_NULL, 0, 0);
  EXPECT_EQ(shown->cancels, shownBefore + 1);
  // On a form that is no MDI frame nothing is sent.
  TForm plain(nullptr);
  new TspDynamicSkinForm(&plain);
  auto* other = new CancelProbe(&plain);
  other->SetParent(&plain);
  plain.Show();
  const int otherBefore = other->cancels;
  SendMessageW(plain.Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(other->cancels, otherBefore);
  EXPECT_EQ(otherBefore, 0);
}
