#include "skin/controls/SkinSplitter.h"

#include "framework/Forms.h"
#include "skin/controls/SkinToolBar.h"

TspSkinBevel::TspSkinBevel(TComponent* owner)
    : TGraphicControl(owner), LightColor(GetSysColor(COLOR_BTNHIGHLIGHT)), DarkColor(GetSysColor(COLOR_BTNSHADOW)) {
  TGraphicControl::SetBounds(0, 0, 50, 50);
}

void TspSkinBevel::SetSkinData(TspSkinData* value) {
  FSD.Set(value);
  ChangeSkinData();
}

void TspSkinBevel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FSD) FIndex = -1;
}

void TspSkinBevel::SetDividerMode(bool value) {
  FDividerMode = value;
  Repaint();
}

void TspSkinBevel::SetShape(TBevelShape value) {
  FShape = value;
  Repaint();
}

void TspSkinBevel::SetStyle(TBevelStyle value) {
  FStyle = value;
  Repaint();
}

void TspSkinBevel::ChangeSkinData() {
  FIndex = FSD.ControlIndex(SkinDataName);
  LightColor = GetSysColor(COLOR_BTNHIGHLIGHT);
  DarkColor = GetSysColor(COLOR_BTNSHADOW);
  if (auto* e = dynamic_cast<TspDataSkinBevel*>(FSD.Element(FIndex))) {
    LightColor = static_cast<COLORREF>(e->LightColor) & 0xFFFFFF;
    DarkColor = static_cast<COLORREF>(e->DarkColor) & 0xFFFFFF;
  }
  Repaint();
}

void TspSkinBevel::SetBounds(int left, int top, int width, int height) {
  // A bevel on a tool bar stays centred in it whatever top it is given.
  if (auto* bar = dynamic_cast<TspSkinToolBar*>(Parent())) {
    RECT r;
    bar->GetSkinClientRect(r);
    top = r.top + (r.bottom - r.top) / 2 - height / 2;
  }
  TGraphicControl::SetBounds(left, top, width, height);
}

namespace {

void Box(HDC dc, const RECT& r, COLORREF c1, COLORREF c2) {
  DrawSolidLine(dc, r.left, r.bottom, r.left, r.top, c1);
  DrawSolidLine(dc, r.left, r.top, r.right, r.top, c1);
  DrawSolidLine(dc, r.right, r.top, r.right, r.bottom, c2);
  DrawSolidLine(dc, r.right, r.bottom, r.left, r.bottom, c2);
}

}  // namespace

void TspSkinBevel::Paint() {
  HDC dc = PaintDC();
  if (!dc) return;
  int w = Width(), h = Height();
  COLORREF c1 = FStyle == bsLowered ? DarkColor : LightColor;
  COLORREF c2 = FStyle == bsLowered ? LightColor : DarkColor;
  if (FDividerMode) {
    if (FShape == bsTopLine || FShape == bsBottomLine)
      Box(dc, RECT{2, h / 2 - 1, w - 2, h / 2}, c1, c2);
    else if (FShape != bsSpacer)
      Box(dc, RECT{w / 2 - 1, 2, w / 2, h - 2}, c1, c2);
    return;
  }
  switch (FShape) {
    case bsBox: Box(dc, RECT{0, 0, w - 1, h - 1}, c1, c2); break;
    case bsFrame:
      Box(dc, RECT{1, 1, w - 1, h - 1}, c2, c2);
      Box(dc, RECT{0, 0, w - 2, h - 2}, c1, c1);
      break;
    case bsTopLine:
      DrawSolidLine(dc, 0, 0, w, 0, c1);
      DrawSolidLine(dc, 0, 1, w, 1, c2);
      break;
    case bsBottomLine:
      DrawSolidLine(dc, 0, h - 2, w, h - 2, c1);
      DrawSolidLine(dc, 0, h - 1, w, h - 1, c2);
      break;
    case bsLeftLine:
      DrawSolidLine(dc, 0, 0, 0, h, c1);
      DrawSolidLine(dc, 1, 0, 1, h, c2);
      break;
    case bsRightLine:
      DrawSolidLine(dc, w - 2, 0, w - 2, h, c1);
      DrawSolidLine(dc, w - 1, 0, w - 1, h, c2);
      break;
    case bsSpacer: break;
  }
}

// ---------------------------------------------------------------------------

TspCustomSplitter::TspCustomSplitter(TComponent* owner) : Base(owner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

void TspCustomSplitter::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  Base::WndProc(m);
}

void TspCustomSplitter::SetBounds(int left, int top, int width, int height) {
  // A new alignment turns the split cursor with the bar.
  if (Align() != FCursorAlign) {
    FCursorAlign = Align();
    if (Cursor() == crVSplit || Cursor() == crHSplit)
      SetCursor(Align() == alTop || Align() == alBottom ? crVSplit : crHSplit);
  }
  Base::SetBounds(left, top, width, height);
}

bool TspCustomSplitter::CanResize(int& newSize) {
  bool accept = true;
  if (OnCanResize) OnCanResize(this, newSize, accept);
  return accept;
}

bool TspCustomSplitter::CheckCanResize(int& newSize) {
  bool ok = CanResize(newSize);
  if (ok && newSize <= FMinSize && AutoSnap) newSize = 0;
  return ok;
}

TControl* TspCustomSplitter::FindControl() const {
  TWinControl* parent = Parent();
  if (!parent) return nullptr;
  POINT p{Left(), Top()};
  switch (Align()) {
    case alTop: p.y -= 1; break;
    case alBottom: p.y += Height(); break;
    case alLeft: p.x -= 1; break;
    case alRight: p.x += Width(); break;
    default: return nullptr;
  }
  bool before = Align() == alTop || Align() == alLeft;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || !c->Enabled()) continue;
    RECT r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
    if (r.right == r.left) (before ? r.left : r.right) += before ? -1 : 1;
    if (r.bottom == r.top) (before ? r.top : r.bottom) += before ? -1 : 1;
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TspCustomSplitter::CalcSplitSize(int x, int y, int& newSize, int& split) const {
  bool horz = Align() == alLeft || Align() == alRight;
  split = horz ? x - FDownPos.x : y - FDownPos.y;
  int64_t s = 0;
  switch (Align()) {
    case alTop: s = int64_t(FControl->Height()) + split; break;
    case alBottom: s = int64_t(FControl->Height()) - split; break;
    case alLeft: s = int64_t(FControl->Width()) + split; break;
    case alRight: s = int64_t(FControl->Width()) - split; break;
    default: break;
  }
  int64_t n = s;
  if (n < FMinSize) n = FMinSize;
  if (n > FMaxSize) n = FMaxSize;
  // A parent too small for the minimum never yields a negative size.
  if (n < 0) n = 0;
  if (n != s) {
    if (Align() == alBottom || Align() == alRight)
      split = ClampToInt(split + (s - n));
    else
      split = ClampToInt(split + (n - s));
  }
  newSize = static_cast<int>(n);
}

void TspCustomSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  FControl = FindControl();
  FDownPos = POINT{x, y};
  if (!FControl) return;
  TWinControl* parent = Parent();
  bool horz = Align() == alLeft || Align() == alRight;
  // Hidden neighbours take no room, in either direction.
  int64_t max = int64_t(horz ? parent->ClientWidth() : parent->ClientHeight()) - FMinSize;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    if (horz && (c->Align() == alLeft || c->Align() == alRight)) max -= c->Width();
    if (!horz && (c->Align() == alTop || c->Align() == alBottom)) max -= c->Height();
  }
  max += horz ? FControl->Width() : FControl->Height();
  FMaxSize = ClampToInt(std::max<int64_t>(0, max));
  CalcSplitSize(x, y, FNewSize, FSplit);
  if (TCustomForm* form = GetParentForm()) {
    if (TWinControl* active = form->ActiveControl()) {
      FActiveControl = active;
      FOldKeyDown = active->OnKeyDown;
      active->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState s) {
        if (key == VK_ESCAPE)
          StopSizing();
        else if (FOldKeyDown)
          FOldKeyDown(sender, key, s);
      };
    }
  }
}

void TspCustomSplitter::MouseMove(TShiftState shift, int x, int y) {
  Base::MouseMove(shift, x, y);
  if (!(shift & ssLeft) || !FControl) return;
  int newSize, split;
  CalcSplitSize(x, y, newSize, split);
  if (CheckCanResize(newSize)) {
    FNewSize = newSize;
    FSplit = split;
    UpdateControlSize();
  }
}

void TspCustomSplitter::UpdateControlSize() {
  if (FNewSize == FOldSize || !FControl) return;
  TWinControl* parent = Parent();
  switch (Align()) {
    case alTop: FControl->SetBounds(FControl->Left(), FControl->Top(), FControl->Width(), FNewSize); break;
    case alLeft: FControl->SetBounds(FControl->Left(), FControl->Top(), FNewSize, FControl->Height()); break;
    case alBottom:
    case alRight: {
      parent->DisableAlign();
      try {
        if (Align() == alBottom)
          FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(),
                              FNewSize);
        else
          FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize,
                              FControl->Height());
      } catch (...) {
        parent->EnableAlign();
        throw;
      }
      parent->EnableAlign();
      break;
    }
    default: break;
  }
  Update();
  if (OnMoved) OnMoved(this);
  FOldSize = FNewSize;
}

void TspCustomSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  Base::MouseUp(button, shift, x, y);
  if (FControl) {
    UpdateControlSize();
    StopSizing();
  }
}

void TspCustomSplitter::StopSizing() {
  if (FControl) {
    FControl = nullptr;
    if (FActiveControl) {
      FActiveControl->OnKeyDown = FOldKeyDown;
      FActiveControl = nullptr;
      FOldKeyDown = nullptr;
    }
  }
  if (OnMoved) OnMoved(this);
}

// ---------------------------------------------------------------------------

TspSkinSplitterEx::TspSkinSplitterEx(TComponent* owner) : Base(owner) {
  FSkinDataName = "vsplitter";
  SetBounds(0, 0, DefaultSize, 100);
}

void TspSkinSplitterEx::GetSkinData() {
  Base::GetSkinData();
  FSkinPicture = nullptr;
  FGripperRect = RECT{};
  auto* e = dynamic_cast<TspDataSkinCustomControl*>(Element());
  if (!e) return;
  FSkinRect = ToRECT(e->SkinRect);
  FLTPt = POINT{e->LTPoint.X, e->LTPoint.Y};
  FRTPt = POINT{e->RTPoint.X, e->RTPoint.Y};
  FLBPt = POINT{e->LBPoint.X, e->LBPoint.Y};
  FStretchEffect = e->StretchEffect;
  FSkinPicture = SkinPicture(e->PictureIndex);
  if (auto* s = dynamic_cast<TspDataSkinSplitterControl*>(e)) {
    FGripperRect = ToRECT(s->GripperRect);
    FGripperTransparent = s->GripperTransparent;
    FGripperTransparentColor = static_cast<COLORREF>(s->GripperTransparentColor) & 0xFFFFFF;
  }
}

void TspSkinSplitterEx::ChangeSkinData() {
  GetSkinData();
  bool vert = Align() == alTop || Align() == alBottom;
  if (vert)
    SetBounds(Left(), Top(), Width(), FIndex == -1 ? DefaultSize : FSkinRect.bottom - FSkinRect.top);
  else
    SetBounds(Left(), Top(), FIndex == -1 ? DefaultSize : FSkinRect.right - FSkinRect.left, Height());
  Repaint();
}

void TspSkinSplitterEx::Paint() {
  int w = Width(), h = Height();
  if (w < 1 || h < 1) return;
  GetSkinData();
  TspPaintBuffer b(w, h);
  if (FIndex == -1 || !FSkinPicture || Align() == alNone || Align() == alClient) {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  } else {
    TspImageSource pic;
    pic.Pixels = FSkinPicture->Pixels.data();
    pic.Width = FSkinPicture->Width;
    pic.Height = FSkinPicture->Height;
    int sw = FSkinRect.right - FSkinRect.left, sh = FSkinRect.bottom - FSkinRect.top;
    if (Align() == alTop || Align() == alBottom)
      DrawHorzThreePart(b, pic, FSkinRect, FLTPt.x, sw - FRTPt.x, FStretchEffect);
    else
      DrawVertThreePart(b, pic, FSkinRect, FLTPt.y, sh - FLBPt.y, FStretchEffect);
    if (!IsEmptyRECT(FGripperRect)) {
      int gw = FGripperRect.right - FGripperRect.left, gh = FGripperRect.bottom - FGripperRect.top;
      int gx = w / 2 - gw / 2, gy = h / 2 - gh / 2;
      for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) {
          int px = FGripperRect.left + x, py = FGripperRect.top + y;
          if (px < 0 || py < 0 || px >= pic.Width || py >= pic.Height) continue;
          uint32_t v = pic.Pixels[size_t(py) * pic.Width + px] & 0xFFFFFF;
          COLORREF c = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
          if (FGripperTransparent && c == FGripperTransparentColor) continue;
          b.Fill(RECT{gx + x, gy + y, gx + x + 1, gy + y + 1}, c);
        }
    }
  }
  b.DrawTo(PaintDC(), 0, 0);
}
