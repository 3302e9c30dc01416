// MDI: the frame form's component arranges the children, shows skinned
// scroll bars over the MDI client, lists the children in the window menu and
// the tabs bar, and answers the children's notices; a child's component
// reports its state changes to the main form.
#include <algorithm>
#include <cmath>

#include "framework/Menus.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMDITabsBar.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/FormMenus.h"

namespace {

const char kChildItemSuffix[] = "_DSFCHILDITEM";

// The item's name without the first child-item marker; empty when it has none.
bool StripChildItem(const std::string& name, std::string& stripped) {
  const size_t at = name.find(kChildItemSuffix);
  if (at == std::string::npos) return false;
  stripped = name.substr(0, at) + name.substr(at + sizeof(kChildItemSuffix) - 1);
  return true;
}

// The window menu's item of `child`, or -1.
int ChildMenuItemIndex(TMenuItem* menu, const TCustomForm* child) {
  for (int i = 0; i < menu->Count(); ++i) {
    std::string name;
    if (StripChildItem(menu->Items(i)->Name(), name) && name == child->Name()) return i;
  }
  return -1;
}

std::vector<TCustomForm*> Children(TCustomForm* frame) {
  std::vector<TCustomForm*> list;
  if (!frame) return list;
  for (int i = 0; i < frame->MDIChildCount(); ++i) list.push_back(frame->MDIChildren(i));
  return list;
}

bool ChildVisible(TCustomForm* f) { return f->HandleAllocated() && IsWindowVisible(f->HandleIfAllocated()); }

// The child's place in the client as the window has it now (a move being
// reported has not reached the form's own fields yet).
TRect ChildRect(TCustomForm* f) {
  HWND h = f->HandleIfAllocated();
  if (!h) return TRect{f->Left(), f->Top(), f->Left() + f->Width(), f->Top() + f->Height()};
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return TRect{r.left, r.top, r.right, r.bottom};
}

// Rounds halves to the even neighbour.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

// Shows a scroll bar of the client at `bounds` when it is `needed`, hides
// it when not; true when that changed it.
bool ShowMDIScrollBar(TspSkinScrollBar* bar, bool needed, const TRect& bounds) {
  if (needed == bar->Visible()) return false;
  if (needed) bar->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  bar->SetVisible(needed);
  return true;
}

// A shown bar's range: the children's extent [lo, hi] along it, taken
// together with the client's `size`, of which `page` is in view.
void FitMDIScrollBar(TspSkinScrollBar* bar, int lo, int hi, int size, int page, bool updateRange, int& position) {
  lo = std::min(lo, 0);
  hi = std::max(hi, size);
  if (updateRange) {
    bar->SetRange(0, hi - lo - 1, -lo, page);
    position = bar->Position();
  }
  bar->SetLargeChange(bar->PageSize());
}

}  // namespace

TspDynamicSkinForm* TspDynamicSkinForm::MainFormDSF() {
  return Application && Application->MainForm() ? GetDynamicSkinForm(Application->MainForm()) : nullptr;
}

void TspDynamicSkinForm::SetShowMDIScrollBars(bool Value) {
  if (FShowMDIScrollBars == Value) return;
  FShowMDIScrollBars = Value;
  UpdateMDIScrollBars(true);
}

TspSkinMDITabsBar* TspDynamicSkinForm::MDITabsBar() const { return FMDITabsBar; }

void TspDynamicSkinForm::SetMDITabsBar(TspSkinMDITabsBar* Value) {
  FMDITabsBar.Set(Value);
}

TCustomForm* TspDynamicSkinForm::GetMaximizedMDIChild() const {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (!main || main->FormStyle() != fsMDIForm) return nullptr;
  if (TCustomForm* active = main->ActiveMDIChild())
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(active); d && d->FWindowStateInit == wsMaximized) return active;
  for (TCustomForm* c : Children(main))
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(c); d && d->FWindowStateInit == wsMaximized) return c;
  return nullptr;
}

std::string TspDynamicSkinForm::CaptionText() const {
  if (IsMDIForm() && FMDIChildMaximized)
    if (TCustomForm* child = GetMaximizedMDIChild()) return FForm->Caption() + " - [" + child->Caption() + "]";
  return FForm->Caption();
}

TspDynamicSkinForm* TspDynamicSkinForm::GetMaximizedMDIChildDSF() {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  for (TCustomForm* c : Children(main))
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(c); d && d->WindowState() == wsMaximized) return d;
  return nullptr;
}

TspDynamicSkinForm* TspDynamicSkinForm::GetActiveMDIChildDSF() {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  TCustomForm* active = main ? main->ActiveMDIChild() : nullptr;
  return active ? GetDynamicSkinForm(active) : nullptr;
}

// ---------------------------------------------------------------------------
// Client rectangle and scroll bars

void TspDynamicSkinForm::GetMDIClientRect(TRect& R) const {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  if (!main) return;
  RECT cr{0, 0, main->ClientWidth(), main->ClientHeight()};
  if (HWND h = main->HandleIfAllocated()) GetClientRect(h, &cr);
  int l = 0, t = 0, r = cr.right, b = cr.bottom;
  bool anyR = false, anyB = false;
  for (int i = 0; i < main->ControlCount(); ++i) {
    TControl* c = main->Controls(i);
    if (!c->Visible()) continue;
    switch (c->Align()) {
      case alLeft: l = std::max(l, c->Left() + c->Width()); break;
      case alTop: t = std::max(t, c->Top() + c->Height()); break;
      case alRight: r = anyR ? std::min(r, c->Left()) : c->Left(); anyR = true; break;
      case alBottom: b = anyB ? std::min(b, c->Top()) : c->Top(); anyB = true; break;
      default: break;
    }
  }
  R = TRect{l, t, r, b};
}

void TspDynamicSkinForm::CreateMDIScrollBars() {
  if (FMDIHScrollBar) return;
  auto make = [this](TScrollBarKind kind) {
    auto* bar = new TspSkinScrollBar(this);
    bar->SetKind(kind);
    if (kind == sbHorizontal) {
      bar->SetHeight(17);
      bar->SetSkinDataName("hscrollbar");
    } else {
      bar->SetWidth(17);
      bar->SetSkinDataName("vscrollbar");
    }
    bar->SetSkinData(FSD);
    bar->SetVisible(false);
    bar->SetParent(FForm);
    bar->OnUpButtonClick = [this, bar](TObject*) {
      bar->SetPosition(bar->Position() + 10);
      MDIScrollBarChange(bar);
    };
    bar->OnDownButtonClick = [this, bar](TObject*) {
      bar->SetPosition(bar->Position() - 10);
      MDIScrollBarChange(bar);
    };
    bar->OnPageUp = bar->OnPageDown = bar->OnLastChange = [this, bar](TObject*) { MDIScrollBarChange(bar); };
    return bar;
  };
  FMDIHScrollBar.Set(make(sbHorizontal));
  FMDIVScrollBar.Set(make(sbVertical));
}

void TspDynamicSkinForm::MDIScrollBarChange(TspSkinScrollBar* Bar) {
  const bool horz = Bar == FMDIHScrollBar;
  int& old = horz ? FOldHSrollBarPosition : FOldVSrollBarPosition;
  const int d = Bar->Position() - old;
  if (d != 0) {
    FStopCheckChildMove = true;
    for (TCustomForm* c : Children(FForm)) {
      if (!ChildVisible(c)) continue;
      const TRect b = ChildRect(c);
      if (horz)
        c->SetBounds(b.Left - d, b.Top, b.Width(), b.Height());
      else
        c->SetBounds(b.Left, b.Top - d, b.Width(), b.Height());
    }
    FStopCheckChildMove = false;
    UpdateMDIScrollBars(false);
  }
  old = Bar->Position();
}

void TspDynamicSkinForm::UpdateMDIScrollBars(bool AUpdateRange) {
  if (!FMDIHScrollBar || !FMDIVScrollBar || !IsMDIForm()) return;
  TspSkinScrollBar* hb = FMDIHScrollBar;
  TspSkinScrollBar* vb = FMDIVScrollBar;
  if (FMDIChildMaximized || !FShowMDIScrollBars) {
    if (hb->Visible()) hb->SetVisible(false);
    if (vb->Visible()) vb->SetVisible(false);
    return;
  }
  TRect R;
  GetMDIClientRect(R);
  const int W = R.Width(), H = R.Height();
  int minL = 100000, minT = 100000, maxR = -100000, maxB = -100000;
  for (TCustomForm* c : Children(FForm)) {
    if (!ChildVisible(c) || c->HandleIfAllocated() == ChangeVisibleChildHanle) continue;
    const TRect b = ChildRect(c);
    minL = std::min(minL, b.Left);
    minT = std::min(minT, b.Top);
    maxR = std::max(maxR, b.Right);
    maxB = std::max(maxB, b.Bottom);
  }
  bool needH = minL < 0 || W < maxR;
  bool needV = minT < 0 || H < maxB;
  if (needV && !needH) needH = minL < 0 || W - vb->Width() < maxR;
  if (needH && !needV) needV = minT < 0 || H - hb->Height() < maxB;
  const bool hChanged = ShowMDIScrollBar(hb, needH, Bounds(R.Left, R.Bottom - hb->Height(), W, hb->Height()));
  const int vHeight = needH ? H - hb->Height() : H;
  const bool vChanged = ShowMDIScrollBar(vb, needV, Bounds(R.Right - vb->Width(), R.Top, vb->Width(), vHeight));
  bool changed = hChanged || vChanged;
  AlignMDIScrollBars();
  if (hb->Visible())
    FitMDIScrollBar(hb, minL, maxR, W, vb->Visible() ? W - vb->Width() : W, AUpdateRange, FOldHSrollBarPosition);
  if (vb->Visible())
    FitMDIScrollBar(vb, minT, maxB, H, hb->Visible() ? H - hb->Height() : H, AUpdateRange, FOldVSrollBarPosition);
  if (!vb->Visible()) changed = changed && hb->Visible();
  if (changed) UpdateMDIScrollBars(AUpdateRange);
}

void TspDynamicSkinForm::AlignMDIScrollBars() {
  TspSkinScrollBar* hb = FMDIHScrollBar;
  TspSkinScrollBar* vb = FMDIVScrollBar;
  if (!IsMDIForm() || !hb || !vb || (!hb->Visible() && !vb->Visible())) return;
  TRect R;
  GetMDIClientRect(R);
  const int W = R.Width(), H = R.Height();
  if (hb->Visible()) {
    hb->SetBoth(vb->Visible());
    hb->SetBounds(R.Left, R.Bottom - hb->Height(), W, hb->Height());
    if (HWND h = hb->HandleIfAllocated()) SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (vb->Visible()) {
    vb->SetBounds(R.Right - vb->Width(), R.Top, vb->Width(), hb->Visible() ? H - hb->Height() : H);
    if (HWND h = vb->HandleIfAllocated()) SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TspDynamicSkinForm::UpdateMDIChildren() {
  if (!IsMDIForm()) return;
  for (TCustomForm* c : Children(FForm))
    if (HWND h = c->HandleIfAllocated()) SendMessageW(h, SP_MDICHILDFILL, 0, 0);
  if (!FShowMDIScrollBars)
    for (TCustomForm* c : Children(FForm))
      if (TspDynamicSkinForm* d = GetDynamicSkinForm(c); d && d->FWindowState == wsMinimized) {
        TPoint p;
        d->GetMinimizedPosition(p);
        c->SetBounds(p.X, p.Y, c->Width(), c->Height());
      }
}

// ---------------------------------------------------------------------------
// Arrangements

void TspDynamicSkinForm::Tile() {
  if (FTileMode == tbHorizontal)
    TileHorizontal();
  else
    TileVertical();
}

void TspDynamicSkinForm::ArrangeChildren(const TPlaceChildren& place) {
  if (!IsMDIForm()) return;
  const std::vector<TCustomForm*> kids = Children(FForm);
  if (kids.empty()) return;
  RestoreAll();
  TRect R;
  GetMDIClientRect(R);
  FStopCheckChildMove = true;
  const bool placed = place(kids, R.Width(), R.Height());
  FStopCheckChildMove = false;
  if (placed) UpdateMDIScrollBars(true);
}

void TspDynamicSkinForm::TileHorizontal() {
  ArrangeChildren([](const std::vector<TCustomForm*>& kids, int W, int H) {
    const int n = static_cast<int>(kids.size());
    const int cols = std::max(1, static_cast<int>(std::trunc(std::sqrt(double(n)))));
    int rows = n / cols;
    if (rows * cols < n) ++rows;
    const int colW = W / cols;
    int rowH = H / rows;
    int X = W, Y = H, c = cols;
    for (int i = n; i >= 1; --i) {
      kids[i - 1]->SetBounds(std::max(X - colW, 0), std::max(Y - rowH, 0), colW, rowH);
      Y -= rowH;
      if (Y - rowH < 0) {
        Y = H;
        X -= colW;
        c = std::max(1, c - 1);
        int r = (i - 1) / c;
        if (r * c < i - 1) ++r;
        r = std::max(1, r);
        rowH = H / r;
      }
    }
    return true;
  });
}

void TspDynamicSkinForm::TileVertical() {
  ArrangeChildren([](const std::vector<TCustomForm*>& kids, int W, int H) {
    const int n = static_cast<int>(kids.size());
    const int rows = std::max(1, static_cast<int>(std::trunc(std::sqrt(double(n)))));
    const int cols = std::max(1, n / rows);
    const int colW = W / cols;
    int rowH = H / rows;
    int X = 0, Y = 0, c = cols;
    for (int k = 1; k <= n; ++k) {
      kids[k - 1]->SetBounds(X, Y, colW, rowH);
      Y += rowH;
      if (Y + rowH > H) {
        Y = 0;
        X += colW;
        c = std::max(1, c - 1);
        const int r = std::max(1, (n - k) / c);
        rowH = H / r;
      }
    }
    return true;
  });
}

void TspDynamicSkinForm::Cascade() {
  ArrangeChildren([this](const std::vector<TCustomForm*>& kids, int W, int H) {
    const int n = static_cast<int>(kids.size());
    const int step = SkinInUse() ? NewClRect.Top : GetDefCaptionHeight() + 3;
    if (step <= 0) return false;
    const int V = RoundEven(W * 0.8);
    const int fit = (W - V) / step;
    int cw, ch;
    if (fit > n) {
      cw = W - (n - 1) * step;
      ch = H - (n - 1) * step;
    } else {
      cw = W - fit * step;
      ch = H - fit * step;
    }
    cw = std::max(cw, GetMinWidth());
    ch = std::max(ch, GetMinHeight());
    int p = 0;
    for (int i = n - 1; i >= 0; --i) {
      TCustomForm* c = kids[i];
      int w = cw, h = ch;
      if (c->BorderStyle() == bsSingle) {
        w = c->Width();
        h = c->Height();
      }
      if (p + w > W || p + h > H) p = 0;
      c->SetBounds(p, p, w, h);
      p += step;
    }
    return true;
  });
}

void TspDynamicSkinForm::MinimizeAll() {
  if (!IsMDIForm()) return;
  for (TCustomForm* c : Children(FForm))
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(c)) d->SetWindowState(wsMinimized);
}

void TspDynamicSkinForm::MaximizeAll() {
  if (!IsMDIForm()) return;
  for (TCustomForm* c : Children(FForm))
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(c); d && (d->BorderIcons() & biMaximize))
      d->SetWindowState(wsMaximized);
}

void TspDynamicSkinForm::CloseAll() {
  if (!IsMDIForm()) return;
  const std::vector<TCustomForm*> kids = Children(FForm);
  for (int i = static_cast<int>(kids.size()) - 1; i >= 0; --i) kids[i]->Close();
}

void TspDynamicSkinForm::RestoreAll() { RestoreAllExcept(nullptr); }

void TspDynamicSkinForm::RestoreAllExcept(HWND AFormHandle) {
  if (!IsMDIForm()) return;
  for (TCustomForm* c : Children(FForm)) {
    if (AFormHandle && c->HandleIfAllocated() == AFormHandle) continue;
    TspDynamicSkinForm* d = GetDynamicSkinForm(c);
    if (!d) continue;
    if (d->WindowState() != wsNormal) d->SetWindowState(wsNormal);
    if (d->RollUpState() && d->WindowState() == wsNormal) d->SetRollUpState(false);
  }
}

// ---------------------------------------------------------------------------
// Window menu and tabs bar

void TspDynamicSkinForm::AddChildToMenu(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  TMenuItem* menu = main ? main->FForm->WindowMenu : nullptr;
  if (!menu || !Child) return;
  auto* item = new TMenuItem(this);
  item->SetName(Child->Name() + kChildItemSuffix);
  item->SetCaption(Child->Caption());
  item->OnClick = [this](TObject* sender) { MDIItemClick(sender); };
  menu->Add(item);
}

void TspDynamicSkinForm::MDIItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  std::string name;
  if (!item || !main || !StripChildItem(item->Name(), name)) return;
  for (TCustomForm* c : Children(main)) {
    if (c->Name() != name) continue;
    if (TspDynamicSkinForm* d = GetDynamicSkinForm(c); d && d->WindowState() == wsMinimized)
      d->SetWindowState(wsNormal);
    c->Show();
  }
}

void TspDynamicSkinForm::UpDateChildCaptionInMenu(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  TMenuItem* menu = main ? main->FForm->WindowMenu : nullptr;
  if (!menu || !Child) return;
  const int i = ChildMenuItemIndex(menu, Child);
  if (i >= 0) menu->Items(i)->SetCaption(Child->Caption());
}

void TspDynamicSkinForm::UpDateChildActiveInMenu() {
  TspDynamicSkinForm* main = MainFormDSF();
  TMenuItem* menu = main ? main->FForm->WindowMenu : nullptr;
  if (!menu) return;
  TCustomForm* active = main->FForm->ActiveMDIChild();
  for (int i = 0; i < menu->Count(); ++i) {
    std::string name;
    if (StripChildItem(menu->Items(i)->Name(), name))
      menu->Items(i)->SetChecked(active && name == active->Name());
  }
}

void TspDynamicSkinForm::DeleteChildFromMenu(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  TMenuItem* menu = main ? main->FForm->WindowMenu : nullptr;
  if (!menu || !Child) return;
  const int i = ChildMenuItemIndex(menu, Child);
  if (i >= 0) menu->Delete(i);
  // The child being hidden may still count among the frame's children.
  int others = 0;
  for (TCustomForm* c : Children(main->FForm))
    if (c != Child) ++others;
  if (others == 0)
    for (int i = 0; i < menu->Count(); ++i) {
      std::string name;
      if (StripChildItem(menu->Items(i)->Name(), name)) {
        menu->Delete(i);
        break;
      }
    }
}

void TspDynamicSkinForm::AddChildToBar(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  if (!main || !main->FMDITabsBar || !Child) return;
  bool accept = true;
  if (OnAcceptToMDITabsBar) OnAcceptToMDITabsBar(accept);
  if (accept) main->FMDITabsBar->AddTab(Child);
}

void TspDynamicSkinForm::DeleteChildFromBar(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  if (main && main->FMDITabsBar && Child) main->FMDITabsBar->DeleteTab(Child);
}

void TspDynamicSkinForm::RefreshMDIBarTab(TCustomForm* Child) {
  TspDynamicSkinForm* main = MainFormDSF();
  if (main && main->FMDITabsBar && Child) main->FMDITabsBar->RefreshTab(Child);
}

void TspDynamicSkinForm::UpdateMDITabsBarActive() {
  TspDynamicSkinForm* main = MainFormDSF();
  if (main && main->FMDITabsBar) main->FMDITabsBar->UpdateActiveTab();
}

void TspDynamicSkinForm::UpdateMainMenuBarItems() {
  TspDynamicSkinForm* main = MainFormDSF();
  TspFormMenus* fm = main ? spFormMenus(main) : nullptr;
  if (fm && fm->MainMenuBar) fm->MainMenuBar->UpdateChildMenu();
}

// ---------------------------------------------------------------------------
// The MDI messages

bool TspDynamicSkinForm::MDIMessage(TMessage& M, bool& Handled) {
  TspFormMenus* fm = spFormMenus(this);
  TspSkinMainMenuBar* bar = fm ? fm->MainMenuBar : nullptr;
  switch (M.Msg) {
    case SP_MDICHILDFILL:
      if (IsMDIChild() && FWindowState == wsMaximized) {
        TRect R;
        GetMDIClientRect(R);
        SetFormBounds(0, 0, R.Width(), R.Height());
      }
      return true;
    case SP_MDICHILDMAXIMIZED:
      if (!IsMDIForm() || FInMaximizeAll) return true;
      FMDIChildMaximized = true;
      UpDateFormNC();
      if (bar) bar->MDIChildMaximize();
      FInMaximizeAll = true;
      MaximizeAll();
      FInMaximizeAll = false;
      UpdateMDIScrollBars(true);
      Handled = true;
      return true;
    case SP_MDICHILDRESTORED:
      if (!IsMDIForm() || FInRestoreAll) return true;
      if (!GetMaximizedMDIChild()) FMDIChildMaximized = false;
      UpDateFormNC();
      if (bar) bar->MDIChildRestore();
      UpdateMDIScrollBars(true);
      Handled = true;
      return true;
    case SP_MDICHILDMOVED:
      if (!IsMDIForm() || FStopCheckChildMove) return true;
      ChangeVisibleChildHanle = reinterpret_cast<HWND>(M.WParam);
      UpdateMDIScrollBars(true);
      ChangeVisibleChildHanle = nullptr;
      Handled = true;
      return true;
    case SP_MDIRESTOREALL:
    case SP_MDIRESTOREALLEXCEPT:
      if (!IsMDIForm() || !FMDIChildMaximized || FInRestoreAll) return true;
      FInRestoreAll = true;
      if (M.Msg == SP_MDIRESTOREALL)
        RestoreAll();
      else
        RestoreAllExcept(reinterpret_cast<HWND>(M.WParam));
      FInRestoreAll = false;
      FMDIChildMaximized = false;
      if (M.Msg == SP_MDIRESTOREALLEXCEPT) FForm->Next();
      UpDateFormNC();
      if (bar) bar->MDIChildRestore();
      UpdateMDIScrollBars(true);
      Handled = true;
      return true;
    case SP_MDIQUERYMAXIMIZED:
      M.Result = (IsMDIForm() && FMDIChildMaximized) ? 1 : 0;
      Handled = true;
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// The MDI client window's procedure

void TspDynamicSkinForm::InstallClientProc() {
  HWND client = FForm->ClientHandle();
  if (!client || FClientWindow == client) return;
  FClientWindow = client;
  SetPropW(client, reinterpret_cast<LPCWSTR>(u"TspDSFClient"), reinterpret_cast<HANDLE>(this));
  FPrevClientProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TspDynamicSkinForm::ClientWndProc)));
  ForceRealign();
}

void TspDynamicSkinForm::RemoveClientProc() {
  if (!FClientWindow) return;
  if (IsWindow(FClientWindow)) {
    SetWindowLongPtrW(FClientWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevClientProc));
    RemovePropW(FClientWindow, reinterpret_cast<LPCWSTR>(u"TspDSFClient"));
  }
  FClientWindow = nullptr;
  FPrevClientProc = nullptr;
}

LRESULT CALLBACK TspDynamicSkinForm::ClientWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TspDynamicSkinForm*>(GetPropW(hwnd, reinterpret_cast<LPCWSTR>(u"TspDSFClient")));
  if (!self || self->FClientWindow != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC prev = self->FPrevClientProc;
    self->RemoveClientProc();
    return CallWindowProcW(prev, hwnd, msg, wParam, lParam);
  }
  try {
    return self->NewClientWndProc(msg, wParam, lParam);
  } catch (...) {
    if (Application) Application->HandleException(std::current_exception());
    return 0;
  }
}

LRESULT TspDynamicSkinForm::NewClientWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND client = FClientWindow;
  switch (msg) {
    case WM_SIZE: {
      const LRESULT r = CallWindowProcW(FPrevClientProc, client, msg, wParam, lParam);
      for (TCustomForm* c : Children(FForm))
        if (HWND h = c->HandleIfAllocated()) SendMessageW(h, SP_MDICHILDFILL, 0, 0);
      const bool stretchBG = SkinInUse() && ((FSD->StretchEffect && FSD->MDIBGPictureIndex == -1) ||
                                             (FSD->MDIBGStretchEffect && FSD->MDIBGPictureIndex != -1));
      if (!FLogoBitMap.Empty() || stretchBG) RedrawWindow(client, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
      UpdateMDIScrollBars(true);
      return r;
    }
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!SkinInUse())
        PaintMDIBGDefault(dc);
      else if (FSD->MDIBGPictureIndex != -1)
        PaintBG3(dc);
      else if (FSD->BGPictureIndex == -1)
        PaintBG(dc);
      else
        PaintBG2(dc);
      return 1;
    }
    // The client has no frame of its own under a skin: its whole window is
    // client area, and nothing is drawn outside it.
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return 0;
    case WM_NCACTIVATE:
      return 1;
    default:
      return CallWindowProcW(FPrevClientProc, client, msg, wParam, lParam);
  }
}
