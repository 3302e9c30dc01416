// The MDI tabs bar (see SkinMDITabsBar.h).
#include "skin/frame/SkinMDITabsBar.h"

#include <algorithm>

#include "skin/controls/SkinMenuButtons.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/FormMenus.h"
#include "skin/frame/SkinMenus.h"

namespace {

TRect RectOf(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
bool EmptyR(const TRect& r) { return r.Width() <= 0 || r.Height() <= 0; }

const char kBarSuffix[] = "_DSFCHILDITEMBAR";
const char kHideSuffix[] = "_DSFCHILDITEMBARHIDE";

// A nine-part stretch of Src into Target with the inner rectangle Inner
// (relative to Src).
void NinePart(TBitmap* Target, TBitmap* Picture, const TRect& Src, const TRect& Inner, int W, int H) {
  const TPoint lt{Inner.Left, Inner.Top}, rt{Inner.Right, Inner.Top}, lb{Inner.Left, Inner.Bottom},
      rb{Inner.Right, Inner.Bottom};
  const int dw = W - Src.Width(), dh = H - Src.Height();
  const TPoint nrt{rt.X + dw, rt.Y}, nlb{lb.X, lb.Y + dh}, nrb{rb.X + dw, rb.Y + dh};
  const TRect ncl{Inner.Left, Inner.Top, Inner.Right + dw, Inner.Bottom + dh};
  CreateNinePartImage(lt, rt, lb, rb, Inner, lt, nrt, nlb, nrb, ncl, Target, Picture, Src, W, H, true, false, false,
                      false, false, true, spstFull);
}

}  // namespace

// ===========================================================================
// TspMDITab

void TspMDITab::DrawText(TspPaintBuffer& B, TRect R, COLORREF Color, bool SkinFont) {
  TCanvas* c = B.Canvas();
  const TspFontDesc& f = SkinFont ? TabsBar->SkinFont : TabsBar->DefaultFont;
  f.AssignTo(c->Font());
  c->Font()->SetColor(TColor(Color));
  TspSkinData* sd = TabsBar->SkinData();
  if (sd && sd->ResourceStrData()) c->Font()->SetCharset(sd->ResourceStrData()->CharSet);
  c->Brush()->SetStyle(bsClear);
  std::string text = Child ? Child->Caption() : std::string();
  ShortenTextToWidth(c, text, R.Width());
  if (TabsBar->OnTabGetDrawParamsEvent) TabsBar->OnTabGetDrawParamsEvent(this, c);
  const TSize sz = c->TextExtent(text);
  const int x = R.Left + (R.Width() - sz.cx) / 2, y = R.Top + (R.Height() - sz.cy) / 2;
  c->TextRect(R, x, y, text);
}

void TspMDITab::DrawCloseButton(TspPaintBuffer& B, const TRect& R) {
  TCanvas* c = B.Canvas();
  const int mid = R.Top + R.Height() / 2;
  TspSkinMDITabsBar* bar = TabsBar;
  if (bar->SkinIndex() == -1) {
    ButtonRect = TRect{R.Left, mid - 7, R.Left + 14, mid + 7};
    DrawCloseGlyph(c, ButtonRect.Left + 2, ButtonRect.Top + 2, ButtonMouseIn ? clWhite : clBlack);
    return;
  }
  if (EmptyR(bar->CloseButtonRect)) {
    TspSkinData* sd = bar->SkinData();
    const int idx = sd ? sd->GetControlIndex("resizetoolbutton") : -1;
    auto* e = idx >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[static_cast<size_t>(idx)].get())
                       : nullptr;
    if (!e) return;
    TBitmap* pic = sd->ActivePicture(e->PictureIndex);
    if (!pic) return;
    const int s = bar->FCloseSize;
    TRect src = RectOf(e->SkinRect);
    TColor fc = e->FontColor;
    if (ButtonMouseDown && ButtonMouseIn && !EmptyR(RectOf(e->DownSkinRect))) {
      src = RectOf(e->DownSkinRect);
      fc = e->DownFontColor;
    } else if (ButtonMouseIn && !EmptyR(RectOf(e->ActiveSkinRect))) {
      src = RectOf(e->ActiveSkinRect);
      fc = e->ActiveFontColor;
    }
    TBitmap b;
    b.SetSize(s, s);
    const TRect inner{e->LTPoint.X, e->LTPoint.Y, e->RBPoint.X, e->RBPoint.Y};
    NinePart(&b, pic, src, EmptyR(inner) ? TRect{1, 1, src.Width() - 1, src.Height() - 1} : inner, s, s);
    DrawCloseGlyph(b.Canvas(), s / 2 - 5, s / 2 - 5, fc);
    ButtonRect = TRect{R.Left, mid - s / 2, R.Left + s, mid - s / 2 + s};
    c->Draw(ButtonRect.Left, ButtonRect.Top, &b);
    return;
  }
  TRect src = bar->CloseButtonRect;
  if (ButtonMouseDown && ButtonMouseIn)
    src = bar->CloseButtonDownRect;
  else if (ButtonMouseIn)
    src = bar->ClosebuttonActiveRect;
  ButtonRect = TRect{R.Left, mid - src.Height() / 2, R.Left + src.Width(), mid - src.Height() / 2 + src.Height()};
  if (!bar->Picture) return;
  if (bar->ButtonTransparent) {
    TBitmap b;
    b.SetSize(src.Width(), src.Height());
    b.Canvas()->CopyRect(TRect{0, 0, src.Width(), src.Height()}, bar->Picture->Canvas(), src);
    b.SetTransparentColor(TColor(bar->ButtonTransparentColor));
    b.SetTransparent(true);
    c->Draw(ButtonRect.Left, ButtonRect.Top, &b);
  } else {
    c->CopyRect(ButtonRect, bar->Picture->Canvas(), src);
  }
}

void TspMDITab::Draw(HDC DC) {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TspSkinMDITabsBar* bar = TabsBar;
  const bool skin = bar->SkinIndex() != -1;
  if (bar->TabKind() == sptkButton && skin) {
    ButtonDraw(DC);
    return;
  }
  if (skin && !bar->UseSkinSize) {
    ResizeDraw(DC);
    return;
  }
  TspPaintBuffer b(w, h);
  const bool close = bar->ShowCloseButtons();
  TRect text;
  if (!skin) {
    COLORREF bg = GetSysColor(COLOR_BTNFACE);
    if (Active)
      bg = RGB(133, 147, 181);
    else if (MouseIn)
      bg = RGB(182, 189, 210);
    b.Fill(b.ClientRect(), bg);
    text = close ? TRect{2, 0, w - bar->FCloseSize - 5, h} : TRect{2, 0, w - 2, h};
    DrawText(b, text, bar->DefaultFont.Color, false);
  } else {
    TRect src = bar->TabRect;
    COLORREF color = bar->FontColor;
    if (Active) {
      src = bar->ActiveTabRect;
      color = bar->ActiveFontColor;
    } else if (MouseIn) {
      src = bar->MouseInTabRect;
      color = bar->MouseInFontColor;
    }
    if (bar->Picture && !EmptyR(src)) {
      TBitmap img;
      img.SetSize(w, h);
      CreateHorzThreePartImage(bar->TabLeftOffset, bar->TabRightOffset, &img, bar->Picture, src, w, h,
                               bar->TabStretchEffect);
      b.Canvas()->Draw(0, 0, &img);
    }
    text = close ? TRect{2, 1, w - bar->FCloseSize - 5, h} : TRect{bar->TabLeftOffset, 1, w - bar->TabRightOffset, h};
    DrawText(b, text, color, bar->UseSkinFont);
  }
  if (close) DrawCloseButton(b, TRect{text.Right, text.Top, w, h});
  b.DrawTo(DC, ObjectRect.Left, ObjectRect.Top);
}

void TspMDITab::ResizeDraw(HDC DC) {
  TspSkinMDITabsBar* bar = TabsBar;
  const int w = ObjectRect.Width();
  const int h = ObjectRect.Height() + (Active ? bar->FActiveTabOffset : 0);
  if (w <= 0 || h <= 0) return;
  TRect src = bar->TabRect;
  COLORREF color = bar->FontColor;
  if (Active) {
    src = bar->ActiveTabRect;
    color = bar->ActiveFontColor;
  } else if (MouseIn && !EmptyR(bar->MouseInTabRect)) {
    src = bar->MouseInTabRect;
    color = bar->MouseInFontColor;
  }
  TspPaintBuffer b(w, h);
  if (bar->Picture && !EmptyR(src)) {
    const int q = bar->TabRect.Height() / 4;
    TBitmap img;
    img.SetSize(w, h);
    NinePart(&img, bar->Picture, src, TRect{bar->TabLeftOffset, q, src.Width() - bar->TabRightOffset, src.Height() - q},
             w, h);
    b.Canvas()->Draw(0, 0, &img);
  }
  const bool close = bar->ShowCloseButtons();
  const TRect text = close ? TRect{2, 1, w - bar->FCloseSize - 5, h} : TRect{2, 1, w - 2, h};
  DrawText(b, text, color, bar->UseSkinFont);
  if (close) DrawCloseButton(b, TRect{text.Right, text.Top, w, h});
  b.DrawTo(DC, ObjectRect.Left, ObjectRect.Top);
}

void TspMDITab::ButtonDraw(HDC DC) {
  TspSkinMDITabsBar* bar = TabsBar;
  TspSkinData* sd = bar->SkinData();
  const int idx = sd ? sd->GetControlIndex("resizebutton") : -1;
  auto* e = idx >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[static_cast<size_t>(idx)].get()) : nullptr;
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (!e || w <= 0 || h <= 0) return;
  TBitmap* pic = sd->ActivePicture(e->PictureIndex);
  if (!pic) return;
  TRect src = RectOf(e->SkinRect);
  COLORREF color = e->FontColor;
  if (Active) {
    src = !EmptyR(RectOf(e->DownSkinRect)) ? RectOf(e->DownSkinRect)
          : !EmptyR(RectOf(e->ActiveSkinRect)) ? RectOf(e->ActiveSkinRect) : RectOf(e->SkinRect);
    color = e->DownFontColor;
  } else if (MouseIn) {
    src = !EmptyR(RectOf(e->ActiveSkinRect)) ? RectOf(e->ActiveSkinRect) : RectOf(e->SkinRect);
    color = e->ActiveFontColor;
  }
  TspPaintBuffer b(w, h);
  TBitmap img;
  img.SetSize(w, h);
  const TRect inner{e->LTPoint.X, e->LTPoint.Y, e->RBPoint.X, e->RBPoint.Y};
  NinePart(&img, pic, src, EmptyR(inner) ? TRect{1, 1, src.Width() - 1, src.Height() - 1} : inner, w, h);
  b.Canvas()->Draw(0, 0, &img);
  const int dw = w - RectOf(e->SkinRect).Width(), dh = h - RectOf(e->SkinRect).Height();
  TRect text{e->ClRect.Left, e->ClRect.Top, e->ClRect.Right + dw, e->ClRect.Bottom + dh};
  if (bar->ShowCloseButtons()) text.Right -= bar->FCloseSize + 3;
  const TSize th = b.Canvas()->TextExtent("Wg");
  if (text.Height() < th.cy) {
    text.Top = h / 2 - th.cy / 2;
    text.Bottom = text.Top + th.cy;
  }
  DrawText(b, text, color, bar->UseSkinFont);
  if (bar->ShowCloseButtons()) DrawCloseButton(b, TRect{text.Right, 0, w, h});
  b.DrawTo(DC, ObjectRect.Left, ObjectRect.Top);
}

// ===========================================================================
// TspSkinMDITabsBar

TspSkinMDITabsBar::TspSkinMDITabsBar(TComponent* AOwner) : TspSkinControl(AOwner) {
  SetSkinDataName("tab");
  DefaultFont.Name = "Arial";
  DefaultFont.Height = 14;
  SetBounds(Left(), Top(), 150, 21);
  FListMenu = new TspSkinPopupMenu(this);
  FHideListMenu = new TspSkinPopupMenu(this);
}

TspSkinMDITabsBar::~TspSkinMDITabsBar() {
  for (auto& t : ObjectList)
    if (t->Child) t->Child->RemoveFreeNotification(this);
  ObjectList.clear();
}

void TspSkinMDITabsBar::Notification(TComponent* AComponent, TOperation Operation) {
  Base::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // A child freed without being hidden first takes its tab with it.
  for (auto& t : ObjectList)
    if (static_cast<TComponent*>(t->Child) == AComponent) {
      t->Child = nullptr;
      DeleteTab(nullptr);
      break;
    }
}

TspDynamicSkinForm* TspSkinMDITabsBar::DynamicSkinForm() const { return FDynamicSkinForm; }

void TspSkinMDITabsBar::SetDynamicSkinForm(TspDynamicSkinForm* Value) {
  FDynamicSkinForm.Set(Value);
}

void TspSkinMDITabsBar::SetTabKind(TspSkinMDITabKind Value) {
  FTabKind = Value;
  if (FIndex != -1) ChangeSkinData();
}

void TspSkinMDITabsBar::SetShowCloseButtons(bool Value) {
  FShowCloseButtons = Value;
  if (HandleAllocated()) Invalidate();
}

void TspSkinMDITabsBar::SetDefaultHeight(int Value) {
  FDefaultHeight = Value;
  if (FIndex == -1 && Value > 0) SetHeight(Value);
}

TspDataSkinTabControl* TspSkinMDITabsBar::Element() const {
  if (!FSD || FIndex < 0 || FIndex >= static_cast<int>(FSD->CtrlList.size())) return nullptr;
  return dynamic_cast<TspDataSkinTabControl*>(FSD->CtrlList[static_cast<size_t>(FIndex)].get());
}

void TspSkinMDITabsBar::GetSkinData() {
  Base::GetSkinData();
  TspDataSkinTabControl* e = Element();
  if (!e) {
    FIndex = -1;
    Picture = nullptr;
    return;
  }
  Picture = (e->PictureIndex >= 0 && e->PictureIndex < static_cast<int>(FSD->FActivePictures.size()))
                ? FSD->ActivePicture(e->PictureIndex)
                : nullptr;
  TabRect = RectOf(e->TabRect);
  ActiveTabRect = EmptyR(RectOf(e->ActiveTabRect)) ? TabRect : RectOf(e->ActiveTabRect);
  MouseInTabRect = EmptyR(RectOf(e->MouseInTabRect)) ? TabRect : RectOf(e->MouseInTabRect);
  TabsBGRect = RectOf(e->TabsBGRect);
  TabLeftOffset = e->TabLeftOffset;
  TabRightOffset = e->TabRightOffset;
  SkinFont.Name = e->FontName;
  SkinFont.Height = e->FontHeight;
  SkinFont.Bold = (e->FontStyle & fsBold) != 0;
  SkinFont.Italic = (e->FontStyle & fsItalic) != 0;
  FontColor = e->FontColor;
  ActiveFontColor = e->FocusFontColor;
  MouseInFontColor = e->MouseInFontColor;
  TabStretchEffect = e->TabStretchEffect;
  // Missing close-button looks fall back to the normal one, in the element.
  if (e->CloseButtonActiveRect.Right <= e->CloseButtonActiveRect.Left) e->CloseButtonActiveRect = e->CloseButtonRect;
  if (e->CloseButtonDownRect.Right <= e->CloseButtonDownRect.Left) e->CloseButtonDownRect = e->CloseButtonActiveRect;
  CloseButtonRect = RectOf(e->CloseButtonRect);
  ClosebuttonActiveRect = RectOf(e->CloseButtonActiveRect);
  CloseButtonDownRect = RectOf(e->CloseButtonDownRect);
  ButtonTransparent = e->ButtonTransparent;
  ButtonTransparentColor = e->ButtonTransparentColor;
  LTPoint = TPoint{e->LTPoint.X, e->LTPoint.Y};
  RTPoint = TPoint{e->RTPoint.X, e->RTPoint.Y};
  SkinRect = RectOf(e->SkinRect);
  ClRect = RectOf(e->ClRect);
  FBottomOffset = ClRect.Top;
  FActiveTabOffset = ActiveTabRect.Height() - TabRect.Height();
}

int TspSkinMDITabsBar::GetCloseSize() const {
  if (FIndex == -1 || EmptyR(CloseButtonRect)) return 14;
  return CloseButtonRect.Width();
}

void TspSkinMDITabsBar::ChangeSkinData() {
  Base::ChangeSkinData();
  GetSkinData();
  FCloseSize = GetCloseSize();
  if (FIndex != -1 && UseSkinSize)
    SetHeight(FTabKind == sptkButton ? TabRect.Height() : TabRect.Height() + FBottomOffset);
  else if (FDefaultHeight > 0)
    SetHeight(FDefaultHeight);
  if (FListButton) FListButton->SetSkinData(FSD);
  if (FHideListButton) FHideListButton->SetSkinData(FSD);
  if (FShowCloseButtons && HandleAllocated()) Invalidate();
  Realign();
}

void TspSkinMDITabsBar::AdjustClientRect(RECT& R) {
  Base::AdjustClientRect(R);
  if (FIndex != -1 && FTabKind == sptkTab) R.bottom -= FBottomOffset;
}

int TspSkinMDITabsBar::TabHeight() const {
  return FTabKind == sptkButton ? Height() : Height() - (FIndex != -1 ? FBottomOffset : 0);
}

void TspSkinMDITabsBar::CalcObjectRects() {
  FInVisibleCount = 0;
  const int n = static_cast<int>(ObjectList.size());
  if (n == 0) return;
  const int h = TabHeight();
  int a = std::min((Width() - 15) / n, DefaultTabWidth);
  if (a < MinTabWidth && MinTabWidth != 0) {
    const int fit = (Width() - 30) / MinTabWidth;
    for (int i = 0; i < n; ++i) {
      TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
      if (i < fit) {
        t->ObjectRect = TRect{15 + i * MinTabWidth, 0, 15 + (i + 1) * MinTabWidth, h};
        t->Visible = true;
      } else {
        t->ObjectRect = TRect{};
        t->Visible = false;
        ++FInVisibleCount;
      }
    }
    FDragRightLimit = Width() - 15;
  } else {
    for (int i = 0; i < n; ++i) {
      TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
      t->ObjectRect = TRect{15 + i * a, 0, 15 + (i + 1) * a, h};
      t->Visible = true;
    }
    if (a < DefaultTabWidth) ObjectList.back()->ObjectRect.Right = Width();
    FDragRightLimit = Width();
  }
  if (IsDrag && DragIndex >= 0 && DragIndex < n) {
    TRect& r = ObjectList[static_cast<size_t>(DragIndex)]->ObjectRect;
    r = TRect{r.Left + TabDX, r.Top, r.Right + TabDX, r.Bottom};
    if (r.Right > FDragRightLimit) r = TRect{FDragRightLimit - r.Width(), r.Top, FDragRightLimit, r.Bottom};
    if (r.Left < 0) r = TRect{0, r.Top, r.Width(), r.Bottom};
  }
}

int TspSkinMDITabsBar::DropTarget() const {
  const int n = static_cast<int>(ObjectList.size());
  if (DragIndex < 0 || DragIndex >= n) return -1;
  const TRect& d = ObjectList[static_cast<size_t>(DragIndex)]->ObjectRect;
  int target = -1;
  if (TabDX > 0) {
    for (int i = DragIndex + 1; i < n; ++i) {
      const TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
      if (t->Visible && t->ObjectRect.Left + t->ObjectRect.Width() / 2 < d.Right) target = i;
    }
  } else if (TabDX < 0) {
    for (int i = 0; i < DragIndex; ++i) {
      const TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
      if (t->Visible && t->ObjectRect.Left + t->ObjectRect.Width() / 2 > d.Left) {
        target = i;
        break;
      }
    }
  }
  return target;
}

int TspSkinMDITabsBar::GetTabIndex(int X, int Y) const {
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    const TspMDITab* t = ObjectList[i].get();
    const TRect& r = t->ObjectRect;
    if (t->Visible && X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom) return static_cast<int>(i);
  }
  return -1;
}

TspMDITab* TspSkinMDITabsBar::GetTab(int X, int Y) const {
  const int i = GetTabIndex(X, Y);
  return i == -1 ? nullptr : ObjectList[static_cast<size_t>(i)].get();
}

void TspSkinMDITabsBar::AddTab(TCustomForm* Child) {
  if (!Child) return;
  ObjectList.push_back(std::make_unique<TspMDITab>(this, Child));
  Child->FreeNotification(this);
  CheckListButtons();
  if (HandleAllocated()) Invalidate();
}

void TspSkinMDITabsBar::DeleteTab(TCustomForm* Child) {
  if (ActiveTabIndex >= 0 && ActiveTabIndex < static_cast<int>(ObjectList.size()) &&
      ObjectList[static_cast<size_t>(ActiveTabIndex)]->Child == Child) {
    if (OnTabMouseLeave) OnTabMouseLeave(ObjectList[static_cast<size_t>(ActiveTabIndex)].get());
    ActiveTabIndex = OldTabIndex = -1;
  }
  for (size_t i = 0; i < ObjectList.size(); ++i)
    if (ObjectList[i]->Child == Child) {
      if (Child) Child->RemoveFreeNotification(this);
      ObjectList.erase(ObjectList.begin() + static_cast<long>(i));
      break;
    }
  if (DragIndex >= static_cast<int>(ObjectList.size())) DragIndex = -1;
  CheckListButtons();
  if (HandleAllocated()) Invalidate();
}

void TspSkinMDITabsBar::RefreshTab(TCustomForm* Child) {
  for (auto& t : ObjectList)
    if (t->Child == Child) DrawTab(t.get());
}

void TspSkinMDITabsBar::UpdateActiveTab() {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  TCustomForm* active = main ? main->ActiveMDIChild() : nullptr;
  if (!active) return;
  for (auto& t : ObjectList) t->Active = t->Child == active;
  if (HandleAllocated()) Invalidate();
}

void TspSkinMDITabsBar::DrawTab(TspMDITab*) {
  if (HandleAllocated()) Invalidate();
}

void TspSkinMDITabsBar::Paint() {
  Base::Paint();
  CheckListButtons();
}

void TspSkinMDITabsBar::DrawTabs(TspPaintBuffer& B) {
  if (ObjectList.empty()) return;
  CalcObjectRects();
  TspMDITab* dragged = (IsDrag && FDown && DragIndex >= 0) ? ObjectList[static_cast<size_t>(DragIndex)].get() : nullptr;
  for (auto& t : ObjectList)
    if (t->Visible && t.get() != dragged) t->Draw(B.DC());
  if (dragged) {
    dragged->Draw(B.DC());
    DrawDropMarker(B);
  }
}

void TspSkinMDITabsBar::DrawDropMarker(TspPaintBuffer& B) {
  const int target = DropTarget();
  if (target == -1) return;
  const TRect& r = ObjectList[static_cast<size_t>(target)]->ObjectRect;
  const int x = TabDX < 1 ? r.Left : r.Right;
  const int H = B.Height();
  TCanvas* c = B.Canvas();
  c->Pen()->SetMode(pmNot);
  c->Brush()->SetStyle(bsClear);
  for (int dx = -1; dx <= 1; ++dx) {
    c->MoveTo(x + dx, 0);
    c->LineTo(x + dx, H);
  }
  c->Polyline({TPoint{x + 2, H / 2}, TPoint{x + 5, H / 2 - 3}, TPoint{x + 5, H / 2 + 3}, TPoint{x + 2, H / 2}});
  c->Polyline({TPoint{x - 2, H / 2}, TPoint{x - 5, H / 2 - 3}, TPoint{x - 5, H / 2 + 3}, TPoint{x - 2, H / 2}});
  c->Pen()->SetMode(pmCopy);
}

void TspSkinMDITabsBar::PaintDefaultImage(TspPaintBuffer& B) {
  B.Fill(B.ClientRect(), GetSysColor(COLOR_BTNFACE));
  DrawTabs(B);
}

void TspSkinMDITabsBar::PaintSkinImage(TspPaintBuffer& B) {
  const int h = TabHeight();
  if (FSD && FSD->MDITabsTransparent) {
    PaintParentBackground(B);
  } else if (Picture && !EmptyR(TabsBGRect) && !EmptyR(TabRect)) {
    TBitmap cell;
    cell.SetSize(TabRect.Width(), TabRect.Height());
    cell.Canvas()->CopyRect(TRect{0, 0, cell.Width(), cell.Height()}, Picture->Canvas(), TabsBGRect);
    const int w = TabsBGRect.Width();
    const int ch = FTabKind == sptkButton ? Height() : h;
    for (int i = 0; i <= Width() / w; ++i) B.Canvas()->StretchDraw(TRect{i * w, 0, (i + 1) * w, ch}, &cell);
  } else {
    B.Fill(B.ClientRect(), GetSysColor(COLOR_BTNFACE));
  }
  if (FTabKind == sptkTab && Picture && !EmptyR(SkinRect) && FBottomOffset > 0) {
    TBitmap strip;
    strip.SetSize(Width(), FBottomOffset);
    const TRect src{SkinRect.Left + LTPoint.X, SkinRect.Top, SkinRect.Right - (SkinRect.Width() - RTPoint.X),
                    SkinRect.Top + ClRect.Top};
    CreateHorzThreePartImage(LTPoint.X, SkinRect.Width() - RTPoint.X, &strip, Picture, src, Width(), FBottomOffset,
                             false);
    B.Canvas()->Draw(0, Height() - FBottomOffset, &strip);
  }
  DrawTabs(B);
}

// ---------------------------------------------------------------------------
// Mouse

void TspSkinMDITabsBar::ShowChild(TCustomForm* Child) {
  if (!Child) return;
  if (TspDynamicSkinForm* d = GetDynamicSkinForm(Child); d && d->WindowState() == wsMinimized)
    d->SetWindowState(wsNormal);
  Child->Show();
}

void TspSkinMDITabsBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, bool Double) {
  const int i = GetTabIndex(X, Y);
  if (i == -1) return;
  TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
  if (Button == mbLeft) {
    ShowChild(t->Child);
    // Showing the child may have changed the tabs.
    if (i >= static_cast<int>(ObjectList.size()) || ObjectList[static_cast<size_t>(i)].get() != t) return;
    FDown = true;
    if (MoveTabs) DragIndex = i;
    DX = X;
    TabDX = 0;
    if (Double && DblClickChildMove && t->Child)
      if (TspDynamicSkinForm* d = GetDynamicSkinForm(t->Child); !d || d->WindowState() == wsNormal)
        t->Child->SetBounds(0, 0, t->Child->Width(), t->Child->Height());
    if (OnTabMouseDown) OnTabMouseDown(Button, Shift, t);
    if (FShowCloseButtons) {
      const TRect br = OffsetTRect(t->ButtonRect, t->ObjectRect.Left, t->ObjectRect.Top);
      if (PtInTRect(br, X, Y)) {
        FDown = false;
        DragIndex = -1;
        t->ButtonMouseIn = t->ButtonMouseDown = true;
      } else {
        t->ButtonMouseIn = t->ButtonMouseDown = false;
      }
      DrawTab(t);
    }
  } else if (Button == mbRight) {
    if (SupportChildMenus && t->Child && FDynamicSkinForm)
      if (TspDynamicSkinForm* cd = GetDynamicSkinForm(t->Child)) {
        TspFormMenus* fm = spFormMenus(FDynamicSkinForm);
        TspFormMenus* cm = spFormMenus(cd);
        if (fm && cm) {
          fm->SkinMenuOpen();
          POINT p = ClientToScreen(POINT{X, Y});
          TspSkinData* sd =
              FDynamicSkinForm->MenusSkinData() ? FDynamicSkinForm->MenusSkinData() : FDynamicSkinForm->SkinData();
          fm->SkinMenu->Popup(Parent(), sd, 0, TRect{p.x, p.y, p.x, p.y}, cm->GetSystemMenuItems(), false);
        }
      }
    if (OnTabMouseDown) OnTabMouseDown(Button, Shift, t);
  }
}

void TspSkinMDITabsBar::MouseMove(int X, int Y) {
  if (FDown && DragIndex != -1 && X != DX) IsDrag = true;
  if (IsDrag) {
    TabDX = X - DX;
    if (HandleAllocated()) Invalidate();
    return;
  }
  TestActive(X, Y);
}

void TspSkinMDITabsBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FDown = false;
  if (IsDrag) {
    CalcObjectRects();
    const int target = DropTarget();
    if (target != -1 && target != DragIndex) {
      auto moved = std::move(ObjectList[static_cast<size_t>(DragIndex)]);
      ObjectList.erase(ObjectList.begin() + DragIndex);
      ObjectList.insert(ObjectList.begin() + target, std::move(moved));
    }
    IsDrag = false;
    DragIndex = -1;
    DX = TabDX = 0;
    if (HandleAllocated()) Invalidate();
    return;
  }
  DragIndex = -1;
  TspMDITab* t = GetTab(X, Y);
  if (t && OnTabMouseUp) OnTabMouseUp(Button, Shift, t);
  t = GetTab(X, Y);
  if (Button == mbLeft && FShowCloseButtons && t) {
    const TRect br = OffsetTRect(t->ButtonRect, t->ObjectRect.Left, t->ObjectRect.Top);
    if (PtInTRect(br, X, Y) && t->ButtonMouseDown) {
      t->ButtonMouseIn = true;
      t->ButtonMouseDown = false;
      DrawTab(t);
      if (t->Child) t->Child->Close();
    } else {
      t->ButtonMouseIn = t->ButtonMouseDown = false;
      DrawTab(t);
    }
  }
}

void TspSkinMDITabsBar::TestActive(int X, int Y) {
  ActiveTabIndex = GetTabIndex(X, Y);
  const int n = static_cast<int>(ObjectList.size());
  const bool changed = ActiveTabIndex != OldTabIndex;
  if (changed) {
    if (OldTabIndex >= 0 && OldTabIndex < n) {
      TspMDITab* o = ObjectList[static_cast<size_t>(OldTabIndex)].get();
      if (o->Visible) {
        o->MouseIn = false;
        DrawTab(o);
        if (OnTabMouseLeave) OnTabMouseLeave(o);
      }
    }
    if (ActiveTabIndex >= 0) {
      TspMDITab* t = ObjectList[static_cast<size_t>(ActiveTabIndex)].get();
      if (t->Visible) {
        t->MouseIn = true;
        DrawTab(t);
        if (OnTabMouseEnter) OnTabMouseEnter(t);
      }
    }
    OldTabIndex = ActiveTabIndex;
  }
  if (FShowCloseButtons && ActiveTabIndex >= 0) {
    TspMDITab* t = ObjectList[static_cast<size_t>(ActiveTabIndex)].get();
    const TRect br = OffsetTRect(t->ButtonRect, t->ObjectRect.Left, t->ObjectRect.Top);
    const bool in = PtInTRect(br, X, Y);
    if (in && !t->ButtonMouseIn) {
      t->ButtonMouseIn = true;
      DrawTab(t);
    } else if (!in && t->ButtonMouseIn) {
      t->ButtonMouseIn = t->ButtonMouseDown = false;
      DrawTab(t);
    }
  }
  if (changed && FShowCloseButtons) {
    bool any = false;
    for (int i = 0; i < n; ++i) {
      if (i == ActiveTabIndex) continue;
      TspMDITab* t = ObjectList[static_cast<size_t>(i)].get();
      if (t->ButtonMouseIn || t->ButtonMouseDown) any = true;
      t->ButtonMouseIn = t->ButtonMouseDown = false;
    }
    if (any && HandleAllocated()) Invalidate();
  }
}

void TspSkinMDITabsBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      Base::WndProc(M);
      const TMouseButton b = M.Msg == WM_RBUTTONDOWN ? mbRight : mbLeft;
      MouseDown(b, KeysToShiftState(M.WParam), short(LOWORD(M.LParam)), short(HIWORD(M.LParam)),
                M.Msg == WM_LBUTTONDBLCLK);
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      Base::WndProc(M);
      MouseUp(M.Msg == WM_RBUTTONUP ? mbRight : mbLeft, KeysToShiftState(M.WParam), short(LOWORD(M.LParam)),
              short(HIWORD(M.LParam)));
      return;
    case WM_MOUSEMOVE:
      Base::WndProc(M);
      MouseMove(short(LOWORD(M.LParam)), short(HIWORD(M.LParam)));
      return;
    case CM_MOUSELEAVE:
      Base::WndProc(M);
      if (!IsDrag) TestActive(-1, -1);
      return;
    case WM_MOVE:
      Base::WndProc(M);
      if (FIndex != -1 && FSD && FSD->MDITabsTransparent && Align() == alNone) Repaint();
      return;
    case SP_CHECKBACKGROUND:
      Base::WndProc(M);
      if (FIndex != -1 && FSD && FSD->MDITabsTransparent) Repaint();
      return;
    default:
      Base::WndProc(M);
  }
}

// ---------------------------------------------------------------------------
// List buttons

TspSkinMenuSpeedButton* TspSkinMDITabsBar::MakeListButton(TAlign Align, int ArrowType, TspSkinPopupMenu* Menu,
                                                           bool HiddenOnly) {
  auto* b = new TspSkinMenuSpeedButton(this);
  b->SetSkinDataName("resizetoolbutton");
  b->SetWidth(15);
  b->SetAlign(Align);
  b->SetSkinData(FSD);
  TBitmap glyph;
  glyph.SetSize(9, 9);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(TRect{0, 0, 9, 9});
  DrawSmallArrowGlyph(glyph.Canvas(), TRect{0, 0, 9, 9}, clBtnText, ArrowType);
  glyph.SetTransparentColor(clFuchsia);
  glyph.SetTransparent(true);
  b->SetGlyph(&glyph);
  b->SetSkinPopupMenu(Menu);
  b->OnShowTrackMenu = [this, Menu, HiddenOnly](TObject*) { FillListMenu(Menu, HiddenOnly); };
  Menu->OnPopup = [this, Menu, HiddenOnly](TObject*) { FillListMenu(Menu, HiddenOnly); };
  b->SetVisible(false);
  b->SetParent(this);
  return b;
}

void TspSkinMDITabsBar::CheckListButtons() {
  // The buttons are made once and shown while they have something to list;
  // a control is never freed from inside the messages that paint or hide.
  if (!FListButton) FListButton.Set(MakeListButton(alLeft, 4, FListMenu, false));
  if (!FHideListButton) FHideListButton.Set(MakeListButton(alRight, 2, FHideListMenu, true));
  const bool list = !ObjectList.empty(), hidden = FInVisibleCount > 0;
  if (FListButton->Visible() != list) FListButton->SetVisible(list);
  if (FHideListButton->Visible() != hidden) FHideListButton->SetVisible(hidden);
}

void TspSkinMDITabsBar::FillListMenu(TspSkinPopupMenu* Menu, bool HiddenOnly) {
  TMenuItem* root = Menu->Items();
  root->Clear();
  const std::string suffix = HiddenOnly ? kHideSuffix : kBarSuffix;
  for (auto& t : ObjectList) {
    if (!t->Child || (HiddenOnly && t->Visible)) continue;
    auto* item = new TMenuItem(nullptr);
    item->SetName(t->Child->Name() + suffix);
    item->SetCaption(t->Child->Caption());
    item->RadioItem = true;
    item->GroupIndex = 0;
    item->SetChecked(t->Active);
    item->OnClick = [this, suffix](TObject* sender) {
      auto* mi = dynamic_cast<TMenuItem*>(sender);
      TCustomForm* main = Application ? Application->MainForm() : nullptr;
      if (!mi || !main || !FDynamicSkinForm) return;
      std::string name = mi->Name();
      const size_t at = name.find(suffix);
      if (at != std::string::npos) name.erase(at, suffix.size());
      for (int i = 0; i < main->MDIChildCount(); ++i)
        if (main->MDIChildren(i)->Name() == name) ShowChild(main->MDIChildren(i));
    };
    root->Add(item);
  }
}
