#include "skin/frame/SkinMenus.h"

#include <algorithm>

#include "framework/SysUtils.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/FrameDrawing.h"
#include "skin/data/speffbmp.h"

namespace {

TRect ToTRect(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
TPoint ToTPoint(const TspPoint& p) { return TPoint{p.X, p.Y}; }
bool PtIn(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// The skin's object of that name, or null.
TspDataSkinObject* FindObject(TspSkinData* sd, const std::string& name) {
  if (!sd || sd->Empty) return nullptr;
  int i = sd->GetIndex(name);
  if (i < 0 || i >= static_cast<int>(sd->ObjectList.size())) return nullptr;
  return sd->ObjectList[static_cast<size_t>(i)].get();
}

// The popup menu items' object: "MENUITEM" first, then "menuitem".
TspDataSkinMenuItem* FindMenuItemObject(TspSkinData* sd) {
  auto* o = dynamic_cast<TspDataSkinMenuItem*>(FindObject(sd, "MENUITEM"));
  if (!o) o = dynamic_cast<TspDataSkinMenuItem*>(FindObject(sd, "menuitem"));
  return o;
}

TBitmap* PictureOf(TspSkinData* sd, int index) {
  if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
  TBitmap* b = sd->ActivePicture(index);
  return (b && !b->Empty()) ? b : nullptr;
}

std::u16string Wide(const std::string& s) { return UTF8ToUTF16(s); }

void FillRectColor(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(r);
}

void FrameRectColor(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FrameRect(r);
}

// A new bitmap of that size for an item or window image.
std::unique_ptr<TBitmap> NewImage(int w, int h) {
  return std::make_unique<TBitmap>(std::max(1, w), std::max(1, h), pf32bit);
}

}  // namespace

// The unit's mark routines, in a pen colour.
static void DrawMenuCheckMark(TCanvas* C, int X, int Y, TColor Color) {
  C->Pen()->SetColor(Color);
  for (int i = 0; i <= 2; ++i) {
    C->MoveTo(X, Y + 5 - i);
    C->LineTo(X + 2, Y + 7 - i);
    C->LineTo(X + 7, Y + 2 - i);
  }
}

static void DrawMenuSubArrow(TCanvas* C, int X, int Y, TColor Color) {
  C->Pen()->SetColor(Color);
  for (int i = 0; i <= 3; ++i) {
    C->MoveTo(X + i, Y + i);
    C->LineTo(X + i, Y + 7 - i);
  }
}

static void DrawMenuRadioMark(TCanvas* C, int X, int Y, TColor Color) {
  C->Pen()->SetColor(Color);
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->Ellipse(TRect{X, Y, X + 6, Y + 6});
}

// The glyph of one of the frame's own commands (known by the item's name)
// at (X, Y); false for any other item.
static bool DrawFrameCommandGlyph(TCanvas* C, const std::string& name, int X, int Y, TColor Color) {
  if (name == "DSF_CLOSE" || name == "TRAY_DSF_CLOSE")
    DrawCloseGlyph(C, X, Y, Color);
  else if (name == "DSF_MINITEM")
    DrawMinimizeGlyph(C, X, Y, Color);
  else if (name == "DSF_MAXITEM")
    DrawMaximizeGlyph(C, X, Y, Color);
  else if (name == "DSF_RESTORE" || name == "TRAY_DSF_RESTORE")
    DrawRestoreGlyph(C, X, Y, Color);
  else if (name == "DSF_ROLLUP")
    DrawRollUpGlyph(C, X, Y, Color);
  else if (name == "DSF_MINTOTRAY")
    DrawMinimizeToTrayGlyph(C, X, Y, Color);
  else
    return false;
  return true;
}

// ===========================================================================
// TspSkinMenuItem

TspSkinMenuItem::TspSkinMenuItem(TspSkinPopupWindow* AParent, TMenuItem* AMenuItem, TspDataSkinMenuItem* AData)
    : Parent(AParent), MI(AData), MenuItem(AMenuItem) {
  if (MI) {
    FSkinRect = ToTRect(MI->SkinRect);
    FActiveSkinRect = ToTRect(MI->ActiveSkinRect);
    ActivePicture = PictureOf(AParent->ParentMenu->SkinData, MI->ActivePictureIndex);
    if (!ActivePicture) FSkinRect = FActiveSkinRect = TRect{};
    if (FActiveSkinRect.IsEmpty()) FActiveSkinRect = FSkinRect;
  }
}

bool TspSkinMenuItem::IsHeader() const {
  const std::string& c = MenuItem->Caption();
  return Parent->PW && !MenuItem->Enabled && c.size() >= 2 && c.front() == '-' && c.back() == '-';
}

bool TspSkinMenuItem::EnableAnimation() const {
  TspSkinData* sd = Parent->ParentMenu->SkinData;
  return MI && !spRectEmpty(MI->AnimateSkinRect) && MI->FrameCount > 0 && sd && !sd->Empty &&
         sd->EnableSkinEffects;
}

bool TspSkinMenuItem::EnableMorphing() const {
  TspSkinData* sd = Parent->ParentMenu->SkinData;
  return MI && MI->Morphing && sd && sd->EnableSkinEffects;
}

bool TspSkinMenuItem::CanMorphing() {
  if (!FVisible && FMorphKf != 0) {
    Active = false;
    Down = false;
    FMorphKf = 0;
    return false;
  }
  return ((Active || Down) && FMorphKf < 1) || (!Active && !Down && FMorphKf > 0);
}

void TspSkinMenuItem::DoMorphing() {
  SetMorphKf(FMorphKf + ((Active || Down) ? 0.2 : -0.2));
  Parent->DrawItemNow(this);
}

void TspSkinMenuItem::ReDraw() {
  if (EnableAnimation()) {
    Parent->MorphTimer.SetInterval(static_cast<unsigned>(std::max(1, MI->AnimateInterval)));
    if (MI->InActiveAnimation || Active) {
      if (!Parent->MorphTimer.Active())
        Parent->MorphTimer.Start(static_cast<unsigned>(std::max(1, MI->AnimateInterval)),
                                 [w = Parent] { w->MorphTimerTick(); });
      return;
    }
    CurrentFrame = 0;
    Parent->DrawItemNow(this);
  } else if (EnableMorphing()) {
    if (!Parent->MorphTimer.Active()) Parent->MorphTimer.Start(20, [w = Parent] { w->MorphTimerTick(); });
  } else {
    Parent->DrawItemNow(this);
  }
}

void TspSkinMenuItem::MouseEnter(bool Kb) {
  Active = true;
  if (EnableAnimation()) CurrentFrame = 0;
  for (TspSkinMenuItem* other : Parent->ItemList)
    if (other != this && other->Down) {
      other->Down = false;
      other->ReDraw();
    }
  TspSkinMenu* menu = Parent->ParentMenu;
  int index = menu->GetWindowIndex(Parent);
  if (WaitCommand && !Kb) {
    ReDraw();
  } else if (Down && index + 2 < static_cast<int>(menu->FPopupList.size())) {
    menu->FPopupList[static_cast<size_t>(index + 1)]->CloseSubMenus();
  } else {
    ReDraw();
    menu->ItemEvent(Parent, this, false, Kb);
  }
  if (Parent->Hint != MenuItem->Hint) Parent->Hint = MenuItem->Hint;
}

void TspSkinMenuItem::MouseLeave() {
  WaitCommand = false;
  Active = false;
  if (EnableAnimation()) CurrentFrame = MI->FrameCount + 1;
  if (!Down) ReDraw();
  TspSkinMenu* menu = Parent->ParentMenu;
  if (menu->WItem == this) {
    menu->WaitTimer.Stop();
    menu->WItem = nullptr;
  }
}

void TspSkinMenuItem::MouseDown(int, int) {
  WaitCommand = false;
  if (!Down && MenuItem->Enabled) Parent->ParentMenu->ItemEvent(Parent, this, true, false);
}

TRect TspSkinMenuItem::FrameRect(int N) const {
  TRect r = ToTRect(MI->AnimateSkinRect);
  int n = std::max(1, MI->FrameCount);
  if (r.Height() > FSkinRect.Height()) {
    int h = r.Height() / n;
    return TRect{r.Left, r.Top + (N - 1) * h, r.Right, r.Top + N * h};
  }
  int w = r.Width() / n;
  return TRect{r.Left + (N - 1) * w, r.Top, r.Left + N * w, r.Bottom};
}

void TspSkinMenuItem::Draw(TCanvas* Cnvs) {
  if (!FVisible) return;
  if (!MI) {
    DefaultDraw(Cnvs);
    return;
  }
  if (!Parent->ParentMenu->UseSkinSize) {
    ResizeDraw(Cnvs);
    return;
  }
  DrawItemImage(Cnvs, false);
}

void TspSkinMenuItem::ResizeDraw(TCanvas* Cnvs) {
  if (!FVisible) return;
  DrawItemImage(Cnvs, true);
}

void TspSkinMenuItem::DrawItemImage(TCanvas* Cnvs, bool Resize) {
  int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  auto b = NewImage(w, h);
  if (IsDivider()) {
    if (ActivePicture) {
      TRect dr = ToTRect(MI->DividerRect);
      if (Resize)
        DrawSkinRectStretched(b.get(), ActivePicture, dr,
                              TRect{MI->DividerLO, 0, dr.Width() - MI->DividerRO, dr.Height()}, true);
      else
        CreateHorzThreePartImage(MI->DividerLO, MI->DividerRO, b.get(), ActivePicture, dr, w, dr.Height(),
                                 MI->DividerStretchEffect);
    } else {
      FillRectColor(b->Canvas(), TRect{0, 0, w, h}, clWindow);
    }
    Cnvs->CopyRect(ObjectRect, b->Canvas(), TRect{0, 0, w, h});
    return;
  }
  bool isActive = Active || Down;
  if (EnableAnimation() && CurrentFrame > 0 && CurrentFrame <= MI->FrameCount) {
    BuildImage(b.get(), lkFrame, Resize);
  } else if (EnableMorphing() && !(isActive && FMorphKf == 1) && !(!isActive && FMorphKf == 0)) {
    BuildImage(b.get(), lkNormal, Resize);
    auto a = NewImage(w, h);
    BuildImage(a.get(), lkActive, Resize);
    auto e1 = TspEffectBmp::CreateFromhWnd(b->Handle());
    auto e2 = TspEffectBmp::CreateFromhWnd(a->Handle());
    if (e1 && e2) {
      switch (MI->MorphKind) {
        case mkGradient: e1->MorphGrad(*e2, FMorphKf); break;
        case mkLeftGradient: e1->MorphLeftGrad(*e2, FMorphKf); break;
        case mkRightGradient: e1->MorphRightGrad(*e2, FMorphKf); break;
        case mkLeftSlide: e1->MorphLeftSlide(*e2, FMorphKf); break;
        case mkRightSlide: e1->MorphRightSlide(*e2, FMorphKf); break;
        case mkPush: e1->MorphPush(*e2, FMorphKf); break;
        default: e1->Morph(*e2, FMorphKf); break;
      }
      e1->Draw(b->Canvas()->Handle(), 0, 0);
    }
  } else {
    BuildImage(b.get(), isActive ? lkActive : lkNormal, Resize);
  }
  Cnvs->CopyRect(ObjectRect, b->Canvas(), TRect{0, 0, w, h});
}

void TspSkinMenuItem::BuildImage(TBitmap* B, TLook Look, bool Resize) {
  int w = ObjectRect.Width(), h = ObjectRect.Height();
  TCanvas* c = B->Canvas();
  FillRectColor(c, TRect{0, 0, w, h}, clWindow);
  if (Look == lkNormal && MI->InActiveTransparent && Parent->FPaintBuffer) {
    c->CopyRect(TRect{0, 0, w, h}, Parent->FPaintBuffer->Canvas(), ObjectRect);
  } else if (ActivePicture) {
    TRect src = Look == lkActive ? FActiveSkinRect : (Look == lkFrame ? FrameRect(CurrentFrame) : FSkinRect);
    if (!src.IsEmpty()) {
      if (Resize) {
        int sh = src.Height();
        DrawSkinRectStretched(B, ActivePicture, src, TRect{MI->ItemLO, sh / 4, src.Width() - MI->ItemRO, sh - sh / 4},
                              true);
      } else {
        bool stretch = Look == lkNormal ? MI->InActiveStretchEffect
                                        : (Look == lkActive ? MI->StretchEffect
                                                            : (MI->StretchEffect || MI->InActiveStretchEffect));
        TBitmap strip;
        CreateHorzThreePartImage(MI->ItemLO, MI->ItemRO, &strip, ActivePicture, src, w, src.Height(), stretch);
        if (!strip.Empty()) c->CopyRect(TRect{0, 0, w, h}, strip.Canvas(), TRect{0, 0, strip.Width(), strip.Height()});
      }
    }
  }
  DrawContent(c, w, h, Look != lkNormal, Resize);
}

void TspSkinMenuItem::DrawPictureMark(TCanvas* C, const TRect& Src, const TRect& Target) {
  if (!ActivePicture || Src.IsEmpty()) return;
  TBitmap mark(Src.Width(), Src.Height(), pf24bit);
  mark.Canvas()->CopyRect(TRect{0, 0, Src.Width(), Src.Height()}, ActivePicture->Canvas(), Src);
  mark.SetTransparent(true);
  int x = std::max(Target.Left, Target.Left + Target.Width() / 2 - mark.Width() / 2);
  int y = std::max(Target.Top, Target.Top + Target.Height() / 2 - mark.Height() / 2);
  C->Draw(x, y, &mark);
}

void TspSkinMenuItem::DrawMenuHeader(TCanvas* C, int W, int H, bool Resize) {
  TspSkinData* sd = Parent->SD;
  if (!sd || sd->Empty) return;
  int i = sd->GetControlIndex("menuheader");
  if (i < 0) i = sd->GetControlIndex("label");
  if (i < 0) return;
  auto* e = dynamic_cast<TspDataSkinLabelControl*>(sd->CtrlList[static_cast<size_t>(i)].get());
  if (!e) return;
  TBitmap* pic = PictureOf(sd, e->PictureIndex);
  TRect skin = ToTRect(e->SkinRect);
  TRect cl = ToTRect(e->ClRect);
  std::string text = MenuItem->Caption().substr(1, MenuItem->Caption().size() - 2);
  std::u16string wtext = Wide(text);
  if (Resize) {
    if (pic) {
      TBitmap hb(W, H, pf32bit);
      int sh = skin.Height();
      DrawSkinRectStretched(&hb, pic, skin, TRect{e->LTPoint.X, sh / 4, e->RTPoint.X, sh - sh / 4}, true);
      C->CopyRect(TRect{0, 0, W, H}, hb.Canvas(), TRect{0, 0, W, H});
    }
    C->Font()->Assign(Parent->ParentMenu->DefaultMenuItemFont());
    C->Font()->SetColor(e->FontColor);
    TRect r{cl.Left, cl.Top, cl.Right + W - skin.Width(), cl.Bottom + H - skin.Height()};
    C->Brush()->SetStyle(bsClear);
    CanvasDrawTextW(C, wtext, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return;
  }
  int hh = skin.Height();
  TBitmap hb;
  if (pic) CreateHorzThreePartImage(e->LTPoint.X, skin.Width() - e->RTPoint.X, &hb, pic, skin, W, hh, e->StretchEffect);
  if (hb.Empty()) hb.SetSize(W, std::max(1, hh));
  TCanvas* hc = hb.Canvas();
  hc->Font()->SetName(e->FontName);
  hc->Font()->SetHeight(e->FontHeight);
  hc->Font()->SetColor(e->FontColor);
  hc->Font()->SetCharset(C->Font()->Charset());
  hc->Brush()->SetStyle(bsClear);
  TRect r{0, cl.Top, W, hh};
  CanvasDrawTextW(hc, wtext, r, DT_CENTER);
  C->CopyRect(TRect{0, H / 2 - hh / 2, W, H / 2 - hh / 2 + hh}, hc, TRect{0, 0, W, hh});
}

void TspSkinMenuItem::DrawContent(TCanvas* C, int W, int H, bool IsActive, bool Resize) {
  TspSkinMenu* menu = Parent->ParentMenu;
  TRect textRct = ToTRect(MI->TextRct);
  TRect T = textRct;
  T.Right = W - (FSkinRect.Width() - textRct.Right);
  if (Resize) T.Bottom = H - (FSkinRect.Height() - textRct.Bottom);
  TRect imageRct = ToTRect(MI->ImageRct);
  if (Resize && !imageRct.IsEmpty()) imageRct.Bottom = H - (FSkinRect.Height() - ToTRect(MI->ImageRct).Bottom);
  int GW = Parent->ImgL ? Parent->GlyphWidth : 16;
  if (!imageRct.IsEmpty()) GW = 0;

  TFont* f = C->Font();
  if (menu->UseSkinFont) {
    f->SetName(MI->FontName);
    f->SetStyle(MI->FontStyle);
    f->SetHeight(MI->FontHeight);
  } else {
    f->Assign(menu->DefaultMenuItemFont());
  }
  TspSkinData* sd = menu->SkinData;
  f->SetCharset((sd && sd->ResourceStrData()) ? sd->ResourceStrData()->CharSet
                                              : menu->DefaultMenuItemFont()->Charset());
  TColor color = IsActive ? MI->ActiveFontColor : (MenuItem->Enabled ? MI->FontColor : MI->UnEnabledFontColor);
  f->SetColor(color);

  if (MenuItem->OnDrawItem) {
    MenuItem->OnDrawItem(this, C, T, IsActive);
    return;
  }
  int mid = T.Top + T.Height() / 2;
  if (IsHeader()) {
    DrawMenuHeader(C, W, H, Resize);
  } else {
    C->Brush()->SetStyle(bsClear);
    UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    TRect r{T.Left + GW, 0, T.Right - 16, 0};
    std::u16string caption = Wide(MenuItem->Caption());
    CanvasDrawTextW(C, caption, r, DT_CALCRECT | DT_SINGLELINE);
    int th = r.Height();
    r.Top = mid - th / 2;
    r.Bottom = r.Top + th;
    r.Right += 2;
    if (f->Height() % 2 != 0) {
      r.Top -= 1;
      r.Bottom -= 1;
    }
    CanvasDrawTextW(C, caption, r, flags);
    std::string keys = ShortCutToText(MenuItem->ShortCut());
    if (MenuItem->ShortCut() && !keys.empty()) {
      std::u16string wkeys = Wide(keys);
      TRect kr{0, 0, 0, 0};
      CanvasDrawTextW(C, wkeys, kr, DT_CALCRECT | DT_SINGLELINE);
      TRect sr{T.Right - kr.Width() - 16, r.Top, T.Right - 16, r.Bottom};
      CanvasDrawTextW(C, wkeys, sr, flags);
    }
  }
  if (MenuItem->Count() > 0) {
    TRect arrow = ToTRect(MI->ArrowImageRect);
    if (arrow.IsEmpty()) {
      DrawMenuSubArrow(C, T.Right - 7, mid - 4, color);
    } else {
      TRect active = ToTRect(MI->ActiveArrowImageRect);
      if (active.IsEmpty()) active = arrow;
      DrawPictureMark(C, IsActive ? active : arrow, TRect{T.Right - arrow.Width() - 5, T.Top, T.Right, T.Bottom});
    }
  }
  if (MI->UseImageColor) color = IsActive ? MI->ActiveImageColor : MI->ImageColor;

  const bool ownImage = DrawOwnImage(C, color, [&](int gw, int gh) {
    if (imageRct.IsEmpty()) return TPoint{T.Left + 2, mid - gh / 2};
    return TPoint{imageRct.Left + imageRct.Width() / 2 - gw / 2, imageRct.Top + imageRct.Height() / 2 - gh / 2};
  });
  if (ownImage) return;
  TPoint P = imageRct.IsEmpty()
                 ? TPoint{T.Left + 2, mid - 4}
                 : TPoint{imageRct.Left + imageRct.Width() / 2 - 4, imageRct.Top + imageRct.Height() / 2 - 4};
  if (!DrawFrameCommandGlyph(C, MenuItem->Name(), P.X, P.Y, color) && MenuItem->Checked()) {
    TRect markArea = imageRct.IsEmpty() ? TRect{T.Left + 2, textRct.Top, T.Left + 16, textRct.Bottom} : imageRct;
    if (MenuItem->RadioItem) {
      TRect pic = ToTRect(MI->RadioImageRect);
      TRect apic = ToTRect(MI->ActiveRadioImageRect);
      if (apic.IsEmpty()) apic = pic;
      if (pic.IsEmpty())
        DrawMenuRadioMark(C, P.X, P.Y + 1, color);
      else
        DrawPictureMark(C, IsActive ? apic : pic, markArea);
    } else {
      TRect pic = ToTRect(MI->CheckImageRect);
      TRect apic = ToTRect(MI->ActiveCheckImageRect);
      if (apic.IsEmpty()) apic = pic;
      if (pic.IsEmpty())
        DrawMenuCheckMark(C, P.X, P.Y, color);
      else
        DrawPictureMark(C, IsActive ? apic : pic, markArea);
    }
  }
}

bool TspSkinMenuItem::DrawOwnImage(TCanvas* C, TColor color, const std::function<TPoint(int gw, int gh)>& place) {
  TBitmap* glyph = MenuItem->Bitmap()->Empty() ? nullptr : MenuItem->Bitmap();
  TCustomImageList* list = Parent->ImgL;
  bool fromList = !glyph && list && MenuItem->ImageIndex >= 0 && MenuItem->ImageIndex < list->Count();
  if (!glyph && !fromList) return false;
  const int gw = glyph ? glyph->Width() : list->Width();
  const int gh = glyph ? glyph->Height() : list->Height();
  const TPoint p = place(gw, gh);
  if (glyph)
    C->Draw(p.X, p.Y, glyph);
  else
    list->Draw(C, p.X, p.Y, MenuItem->ImageIndex, MenuItem->Enabled);
  if (MenuItem->Checked()) {
    C->Pen()->SetColor(color);
    C->Brush()->SetStyle(bsClear);
    C->Rectangle(p.X - 1, p.Y - 1, p.X + gw + 1, p.Y + gh + 1);
  }
  return true;
}

void TspSkinMenuItem::DefaultDraw(TCanvas* Cnvs) {
  if (!FVisible) return;
  int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;
  TspSkinMenu* menu = Parent->ParentMenu;
  auto b = NewImage(w, h);
  TCanvas* c = b->Canvas();
  int g = Parent->ImgL ? Parent->GlyphWidth : 19;
  c->Font()->Assign(menu->DefaultMenuItemFont());
  TspSkinData* sd = menu->SkinData;
  if (sd && sd->ResourceStrData()) c->Font()->SetCharset(sd->ResourceStrData()->CharSet);
  bool isActive = (Active || Down) && !IsDivider();
  TColor color;
  if (isActive) {
    FrameRectColor(c, TRect{0, 0, w, h}, RGBColor(0, 0, 128));
    FillRectColor(c, TRect{1, 1, w - 1, h - 1}, RGBColor(182, 189, 210));
    color = clWindowText;
  } else {
    FillRectColor(c, TRect{0, 0, g, h}, clBtnFace);
    FillRectColor(c, TRect{g, 0, w, h}, clWindow);
    color = MenuItem->Enabled ? clWindowText : clBtnShadow;
  }
  if (IsDivider()) {
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(g, h / 2);
    c->LineTo(w, h / 2);
    Cnvs->CopyRect(ObjectRect, c, TRect{0, 0, w, h});
    return;
  }
  c->Font()->SetColor(color);
  TRect T{2, 2, w - 2, h - 2};
  int mid = T.Top + T.Height() / 2;
  if (MenuItem->OnDrawItem) {
    MenuItem->OnDrawItem(this, c, T, isActive);
    Cnvs->CopyRect(ObjectRect, c, TRect{0, 0, w, h});
    return;
  }
  c->Brush()->SetStyle(bsClear);
  UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  std::u16string caption = Wide(MenuItem->Caption());
  TRect r{T.Left + g, 0, T.Right - 19, 0};
  CanvasDrawTextW(c, caption, r, DT_CALCRECT | DT_SINGLELINE);
  int th = r.Height();
  r.Top = mid - th / 2;
  r.Bottom = r.Top + th;
  r.Right += 2;
  CanvasDrawTextW(c, caption, r, flags);
  std::string keys = ShortCutToText(MenuItem->ShortCut());
  if (!keys.empty()) {
    std::u16string wkeys = Wide(keys);
    TRect kr{0, 0, 0, 0};
    CanvasDrawTextW(c, wkeys, kr, DT_CALCRECT | DT_SINGLELINE);
    TRect sr{T.Right - kr.Width() - 19, r.Top, T.Right - 19, r.Bottom};
    CanvasDrawTextW(c, wkeys, sr, flags);
  }
  if (MenuItem->Count() > 0) DrawMenuSubArrow(c, w - 9, mid - 4, color);
  const bool ownImage = DrawOwnImage(c, color, [&](int, int gh) { return TPoint{4, mid - gh / 2}; });
  if (!ownImage && !DrawFrameCommandGlyph(c, MenuItem->Name(), 4, mid - 4, color)) {
    if (MenuItem->Checked() && MenuItem->RadioItem)
      DrawMenuRadioMark(c, 5, mid - 3, color);
    else if (MenuItem->Checked())
      DrawMenuCheckMark(c, 5, mid - 4, color);
  }
  Cnvs->CopyRect(ObjectRect, c, TRect{0, 0, w, h});
}

// ===========================================================================
// TspSkinPopupWindow

TspSkinPopupWindow::TspSkinPopupWindow(TComponent* AOwner, TspSkinMenu* AParentMenu, TspDataSkinPopupWindow* AData)
    : TCustomControl(AOwner), ParentMenu(AParentMenu) {
  FVisible = false;
  ControlStyle &= ~csCaptureMouse;
  AlphaBlend = ParentMenu->AlphaBlend;
  AlphaBlendValue = ParentMenu->AlphaBlendValue;
  AlphaBlendAnimation = ParentMenu->AlphaBlendAnimation;
  if (AData && AData->WindowPictureIndex != -1) {
    PW = AData;
    SD = ParentMenu->SkinData;
    WindowPicture = PictureOf(SD, PW->WindowPictureIndex);
    if (PW->MaskPictureIndex != -1) MaskPicture = PictureOf(SD, PW->MaskPictureIndex);
    // A record whose picture is missing gives the default window.
    if (!WindowPicture) {
      PW = nullptr;
      SD = nullptr;
      MaskPicture = nullptr;
    }
  }
}

TspSkinPopupWindow::~TspSkinPopupWindow() {
  MouseTimer.Stop();
  MorphTimer.Stop();
  ScrollTimer.Stop();
  if (ParentMenu && ParentMenu->WItem && ParentMenu->WItem->Parent == this) {
    ParentMenu->WaitTimer.Stop();
    ParentMenu->WItem = nullptr;
  }
  ClearItems();
  DestroyHandle();
}

void TspSkinPopupWindow::ClearItems() {
  for (TspSkinMenuItem* item : ItemList) delete item;
  ItemList.clear();
}

void TspSkinPopupWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP;
  p.ExStyle = WS_EX_TOOLWINDOW;
  p.WindowClassStyle = CS_SAVEBITS | (IsWindowsXPOrLater() ? CS_DROPSHADOW : 0);
  p.WinClassName = IsWindowsXPOrLater() ? u"TspSkinPopupWindowShadow" : u"TspSkinPopupWindow";
  p.WndParent = Application ? Application->Handle() : nullptr;
}

void TspSkinPopupWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      return;
    case WM_ERASEBKGND:
      PaintMenu(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case CM_RELEASE:
      delete this;
      return;
    default:
      TCustomControl::WndProc(m);
  }
}

void TspSkinPopupWindow::SetMenuFont(bool ResourceCharset) {
  TspSkinMenu* menu = ParentMenu;
  TspDataSkinMenuItem* object = SD ? FindMenuItemObject(SD) : nullptr;
  if (PW && object && menu->UseSkinFont) {
    DSMI = object;
    MenuFont.SetHeight(object->FontHeight);
    MenuFont.SetStyle(object->FontStyle);
    MenuFont.SetName(object->FontName);
    MenuFont.SetCharset(menu->DefaultMenuItemFont()->Charset());
  } else {
    DSMI = object;
    MenuFont.Assign(menu->DefaultMenuItemFont());
  }
  if (ResourceCharset) {
    TspSkinData* sd = menu->SkinData;
    MenuFont.SetCharset((sd && sd->ResourceStrData()) ? sd->ResourceStrData()->CharSet
                                                      : menu->DefaultMenuItemFont()->Charset());
  }
}

void TspSkinPopupWindow::AddItems(TMenuItem* AItem, int StartIndex) {
  TMenu* owner = AItem->GetParentMenu();
  if (owner && owner->AutoLineReduction == maAutomatic) AItem->RethinkLines();
  if (owner && !ImgL) ImgL = owner->Images();
  for (int i = std::max(0, StartIndex); i < AItem->Count(); ++i) {
    TMenuItem* sub = AItem->Items(i);
    if (!sub->Visible) continue;
    ItemList.push_back(new TspSkinMenuItem(this, sub, DSMI));
  }
}

void TspSkinPopupWindow::FinishItems() {
  CalcSize();
  CalcGeometry();
  LayoutItems();
  if (MaskPicture && PW) {
    HRGN rgn = nullptr;
    CreateNinePartRegion(rgn, ToTPoint(PW->LTPoint), ToTPoint(PW->RTPoint), ToTPoint(PW->LBPoint),
                         ToTPoint(PW->RBPoint), ToTRect(PW->ItemsRect), NewLTPoint, NewRTPoint, NewLBPoint,
                         NewRBPoint, NewItemsRect, MaskPicture, Width(), Height());
    // The window owns a region it was given (and frees the one it had);
    // only a refused region is ours to delete.
    if (rgn && !SetWindowRgn(Handle(), rgn, TRUE)) DeleteObject(rgn);
  }
}

int TspSkinPopupWindow::OrdinaryItemHeight() const {
  if (DSMI && ParentMenu->UseSkinSize) return DSMI->SkinRect.Bottom - DSMI->SkinRect.Top;
  return ParentMenu->DefaultMenuItemHeight;
}

int TspSkinPopupWindow::ItemHeight(const TspSkinMenuItem* Item) const {
  if (Item->IsDivider()) return DSMI ? DSMI->DividerRect.Bottom - DSMI->DividerRect.Top : 4;
  return OrdinaryItemHeight();
}

int TspSkinPopupWindow::FrameHeight() const {
  if (PW && WindowPicture) return WindowPicture->Height() - PW->ItemsRect.Bottom + PW->ItemsRect.Top;
  return 6;
}

void TspSkinPopupWindow::CalcSize() {
  VisibleStartIndex = 0;
  VisibleCount = static_cast<int>(ItemList.size());
  Scroll = Scroll2 = false;
  // Width: the widest caption (with its shortcut) and the glyph column.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MenuFont.Handle());
  int m = 0;
  for (TspSkinMenuItem* item : ItemList) {
    std::string text = item->MenuItem->Caption();
    std::string keys = ShortCutToText(item->MenuItem->ShortCut());
    if (!keys.empty()) text += "  " + keys;
    std::u16string w = Wide(text);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    m = std::max(m, static_cast<int>(r.right - r.left) + 2);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  GlyphWidth = ImgL ? ImgL->Width() + 5 : 16;
  int b = m + GlyphWidth + 16;
  int w;
  if (PW && DSMI && WindowPicture) {
    w = b + DSMI->TextRct.Left + (DSMI->SkinRect.Right - DSMI->SkinRect.Left - DSMI->TextRct.Right) +
        WindowPicture->Width() - PW->ItemsRect.Right + PW->ItemsRect.Left;
  } else if (PW && WindowPicture) {
    // A window skin without an item object: the window's own insets only.
    w = b + 10 + WindowPicture->Width() - PW->ItemsRect.Right + PW->ItemsRect.Left;
  } else {
    w = b + 10;
  }
  int h = 0;
  for (TspSkinMenuItem* item : ItemList) h += ItemHeight(item);
  int count = static_cast<int>(ItemList.size());
  int limit = ParentMenu->MaxMenuItemsInWindow;
  if (limit > 0 && limit < count) {
    h = OrdinaryItemHeight() * limit + FrameHeight() + 20;
    Scroll = Scroll2 = true;
  } else {
    h += FrameHeight();
  }
  const TRect& wa = ParentMenu->WorkArea;
  if (h > wa.Height() && wa.Height() > 0) {
    h = wa.Height();
    Scroll = true;
  }
  SetBounds(Left(), Top(), w, h);
}

void TspSkinPopupWindow::CalcGeometry() {
  if (PW && WindowPicture) {
    int pw = WindowPicture->Width(), ph = WindowPicture->Height();
    int W = Width(), H = Height();
    NewLTPoint = ToTPoint(PW->LTPoint);
    NewRTPoint = TPoint{W - (pw - PW->RTPoint.X), PW->RTPoint.Y};
    NewLBPoint = TPoint{PW->LBPoint.X, H - (ph - PW->LBPoint.Y)};
    NewRBPoint = TPoint{W - (pw - PW->RBPoint.X), H - (ph - PW->RBPoint.Y)};
    NewItemsRect = TRect{PW->ItemsRect.Left, PW->ItemsRect.Top, W - (pw - PW->ItemsRect.Right),
                         H - (ph - PW->ItemsRect.Bottom)};
  } else {
    NewItemsRect = TRect{3, 3, Width() - 3, Height() - 3};
  }
}

void TspSkinPopupWindow::LayoutItems() {
  int top = NewItemsRect.Top, bottom = NewItemsRect.Bottom;
  if (Scroll) {
    top += 10;
    bottom -= 10;
  }
  VisibleCount = 0;
  int count = static_cast<int>(ItemList.size());
  VisibleStartIndex = std::max(0, std::min(VisibleStartIndex, count - 1 < 0 ? 0 : count - 1));
  for (int i = VisibleStartIndex; i < count; ++i) {
    TspSkinMenuItem* item = ItemList[static_cast<size_t>(i)];
    int h = ItemHeight(item);
    item->ObjectRect = TRect{NewItemsRect.Left, top, NewItemsRect.Right, top + h};
    if (top + h > bottom) break;
    item->FVisible = true;
    ++VisibleCount;
    top += h;
  }
  if (Scroll)
    for (int i = 0; i < count; ++i)
      if (i < VisibleStartIndex || i >= VisibleStartIndex + VisibleCount)
        ItemList[static_cast<size_t>(i)]->FVisible = false;
}

int TspSkinPopupWindow::GetLastPageStartIndex() const {
  // The same room the layout gives the items between the scroll areas, so
  // that the last page shows the last item.
  int budget = (NewItemsRect.Bottom - 10) - (NewItemsRect.Top + 10);
  int count = static_cast<int>(ItemList.size());
  int taken = 0;
  for (int i = count - 1; i >= 0; --i) {
    int h = ItemHeight(ItemList[static_cast<size_t>(i)]);
    if (budget - h < 0) break;
    budget -= h;
    ++taken;
  }
  return std::max(0, count - std::max(1, taken));
}

void TspSkinPopupWindow::CalcPopupPosition(const TRect& R, bool PopupByItem, bool PopupUp) {
  const TRect& WA = ParentMenu->WorkArea;
  int W = Width(), H = Height(), NT = NewItemsRect.Top;
  int middle = WA.Top + WA.Height() / 2;
  bool moved = false;
  int Y;
  bool cutToWorkArea = Scroll && !Scroll2;
  if (cutToWorkArea) {
    Y = WA.Top;
  } else if (PopupByItem) {
    if (R.Top - NT + H <= WA.Bottom)
      Y = R.Top - NT;
    else if (R.Top < middle)
      Y = WA.Bottom - H;
    else
      Y = std::max(WA.Top, R.Bottom - H + NT);
  } else if (PopupUp) {
    if (R.Top - H >= WA.Top) {
      Y = R.Top - H;
    } else if (R.Top < middle) {
      Y = R.Bottom;
      if (Y + H > WA.Bottom) {
        Y = WA.Bottom - H;
        moved = true;
      }
    } else {
      Y = WA.Top;
      moved = true;
    }
  } else {
    if (R.Bottom + H <= WA.Bottom) {
      Y = R.Bottom;
    } else if (R.Top < middle) {
      Y = WA.Bottom - H;
      moved = true;
    } else {
      Y = R.Top - H;
      if (Y < WA.Top) {
        Y = WA.Top;
        moved = true;
      }
    }
  }
  int X;
  if (!PopupByItem && !cutToWorkArea && !moved) {
    X = R.Left;
    if (R.Left + W > WA.Right)
      X = WA.Right - W;
    else if (R.Left < WA.Left)
      X = WA.Left;
  } else if (R.Right + W + 1 <= WA.Right) {
    X = R.Right + 1;
  } else {
    X = R.Left - W - 1;
  }
  ShowX = X;
  ShowY = Y;
}

void TspSkinPopupWindow::Show(const TRect& R, TMenuItem* AItem, int StartIndex, bool PopupByItem, bool PopupUp) {
  Show2(R, AItem, nullptr, StartIndex, PopupByItem, PopupUp);
}

void TspSkinPopupWindow::Show2(const TRect& R, TMenuItem* AItem, TMenuItem* AItem2, int StartIndex,
                               bool PopupByItem, bool PopupUp) {
  TspSkinMenu* menu = ParentMenu;
  if (IsWindows2000OrLater() && menu->AlphaBlend && menu->AlphaBlendAnimation && menu->First() && Application) {
    Application->ProcessMessages();
    // The pending messages may have closed the menu.
    if (menu->GetWindowIndex(this) >= static_cast<int>(menu->FPopupList.size()) || Released) return;
  }
  ClearItems();
  ImgL = nullptr;
  SetMenuFont(AItem2 != nullptr);
  HandleNeeded();
  AddItems(AItem, StartIndex);
  if (AItem2) AddItems(AItem2, std::max(0, StartIndex - AItem->Count()));
  FinishItems();
  CalcPopupPosition(R, PopupByItem, PopupUp);
  ShowWindowNow();
}

void TspSkinPopupWindow::ShowWindowNow() {
  TspSkinMenu* menu = ParentMenu;
  if (PW && SD && PW->CursorIndex != -1) SetCursor(SD->StartCursorIndex + PW->CursorIndex);
  HWND h = Handle();
  bool layered = IsWindows2000OrLater() && AlphaBlend;
  bool fade = layered && menu->First() && AlphaBlendAnimation;
  if (layered) {
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowAlphaValue(h, static_cast<uint8_t>(fade ? 0 : AlphaBlendValue));
  }
  SetBounds(ShowX, ShowY, Width(), Height());
  SetWindowPos(h, HWND_TOPMOST, ShowX, ShowY, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  FVisible = true;
  if (fade) {
    int target = std::max(0, std::min(255, AlphaBlendValue));
    int step = std::max(1, target / 15);
    int alpha = 0;
    double last = FineClockMs() - 10;
    while (alpha < target) {
      double now = FineClockMs();
      if (now - last > 5) {
        last = now;
        alpha = std::min(target, alpha + step);
        SetWindowAlphaValue(h, static_cast<uint8_t>(alpha));
      } else {
        Sleep(1);
      }
    }
  }
  MouseTimer.Start(50, [this] { MouseTimerTick(); });
  ActiveItem = -1;
  for (size_t i = 0; i < ItemList.size(); ++i) {
    if (ItemList[i]->Usable()) {
      ItemList[i]->WaitCommand = true;
      ActiveItem = static_cast<int>(i);
      ItemList[i]->MouseEnter(true);
      break;
    }
  }
}

void TspSkinPopupWindow::Hide() {
  if (HandleAllocated())
    SetWindowPos(HandleIfAllocated(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  MouseTimer.Stop();
  MorphTimer.Stop();
  ScrollTimer.Stop();
  FVisible = false;
}

void TspSkinPopupWindow::CreateMenuBackground(TBitmap* B, bool DrawClient) {
  int W = Width(), H = Height();
  B->SetSize(W, H);
  TCanvas* c = B->Canvas();
  if (PW && WindowPicture) {
    FillRectColor(c, TRect{0, 0, W, H}, clWindow);
    CreateNinePartImage(ToTPoint(PW->LTPoint), ToTPoint(PW->RTPoint), ToTPoint(PW->LBPoint), ToTPoint(PW->RBPoint),
                        ToTRect(PW->ItemsRect), NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint, NewItemsRect, B,
                        WindowPicture, TRect{0, 0, WindowPicture->Width(), WindowPicture->Height()}, W, H, DrawClient,
                        PW->LeftStretch, PW->TopStretch, PW->RightStretch, PW->BottomStretch, PW->StretchEffect,
                        PW->StretchType);
    return;
  }
  int g = ImgL ? GlyphWidth + 3 : 22;
  FillRectColor(c, TRect{0, 0, g, H}, clBtnFace);
  FillRectColor(c, TRect{g, 0, W, H}, clWindow);
  FrameRectColor(c, TRect{0, 0, W, H}, clBtnShadow);
  FrameRectColor(c, TRect{1, 1, W - 1, H - 1}, clWindow);
}

void TspSkinPopupWindow::DrawItemsBackground(TCanvas* C, const TRect& R) {
  TspDataSkinMenuItem* object = nullptr;
  if (SD) {
    object = dynamic_cast<TspDataSkinMenuItem*>(FindObject(SD, "menuitem"));
    if (!object) object = dynamic_cast<TspDataSkinMenuItem*>(FindObject(SD, "MENUITEM"));
  }
  if (!object || R.IsEmpty()) return;
  TBitmap b(R.Width(), R.Height(), pf32bit);
  if (object->InActiveTransparent && FPaintBuffer) {
    b.Canvas()->CopyRect(TRect{0, 0, R.Width(), R.Height()}, FPaintBuffer->Canvas(), R);
  } else {
    TBitmap* pic = PictureOf(SD, object->ActivePictureIndex);
    if (!pic) return;
    TBitmap strip;
    TRect src = ToTRect(object->SkinRect);
    CreateHorzThreePartImage(object->ItemLO, object->ItemRO, &strip, pic, src, R.Width(), src.Height(),
                             object->InActiveStretchEffect);
    if (strip.Empty()) return;
    int h = std::min(R.Height(), strip.Height());
    b.Canvas()->CopyRect(TRect{0, 0, R.Width(), h}, strip.Canvas(), TRect{0, 0, R.Width(), h});
    C->CopyRect(TRect{R.Left, R.Top, R.Right, R.Top + h}, b.Canvas(), TRect{0, 0, R.Width(), h});
    return;
  }
  C->CopyRect(R, b.Canvas(), TRect{0, 0, R.Width(), R.Height()});
}

void TspSkinPopupWindow::DrawScrollMarkers(TCanvas* C) {
  TRect up, down;
  TColor upColor, downColor;
  if (PW) {
    up = TRect{NewItemsRect.Left, NewItemsRect.Top, NewItemsRect.Right, NewItemsRect.Top + 10};
    down = TRect{NewItemsRect.Left, NewItemsRect.Bottom - 10, NewItemsRect.Right, NewItemsRect.Bottom};
    DrawItemsBackground(C, up);
    DrawItemsBackground(C, down);
    upColor = ScrollCode == 1 ? PW->ScrollMarkerActiveColor : PW->ScrollMarkerColor;
    downColor = ScrollCode == 2 ? PW->ScrollMarkerActiveColor : PW->ScrollMarkerColor;
  } else {
    up = TRect{3, 3, Width() - 3, 13};
    down = TRect{3, Height() - 10, Width() - 3, Height() - 3};
    upColor = ScrollCode == 1 ? clBtnText : clBtnShadow;
    downColor = ScrollCode == 2 ? clBtnText : clBtnShadow;
  }
  DrawArrowGlyph(C, up, upColor, 3);
  DrawArrowGlyph(C, down, downColor, 4);
}

void TspSkinPopupWindow::PaintMenu(HDC DC) {
  if (!DC || Width() <= 0 || Height() <= 0) return;
  TBitmap b;
  CreateMenuBackground(&b, Scroll);
  if (PW && DSMI && DSMI->InActiveTransparent) {
    if (!FPaintBuffer) FPaintBuffer = std::make_unique<TBitmap>();
    CreateMenuBackground(FPaintBuffer.get(), true);
  }
  TCanvas* c = b.Canvas();
  for (int i = VisibleStartIndex; i < VisibleStartIndex + VisibleCount && i < static_cast<int>(ItemList.size()); ++i)
    ItemList[static_cast<size_t>(i)]->Draw(c);
  if (Scroll) {
    DrawScrollMarkers(c);
    int last = VisibleStartIndex + VisibleCount - 1;
    if (last >= 0 && last < static_cast<int>(ItemList.size())) {
      int from = ItemList[static_cast<size_t>(last)]->ObjectRect.Bottom;
      int to = PW ? NewItemsRect.Bottom - 10 : Height() - 10;
      if (to > from) {
        if (PW)
          DrawItemsBackground(c, TRect{NewItemsRect.Left, from, NewItemsRect.Right, to});
      }
    }
  }
  BitBlt(DC, 0, 0, Width(), Height(), c->Handle(), 0, 0, SRCCOPY);
}

void TspSkinPopupWindow::DrawItemNow(TspSkinMenuItem* Item) {
  if (!HandleAllocated() || !Visible() || !Item->FVisible) return;
  HDC dc = GetDC(HandleIfAllocated());
  TCanvas c;
  c.SetHandle(dc);
  Item->Draw(&c);
  c.SetHandle(nullptr);
  ReleaseDC(HandleIfAllocated(), dc);
}

void TspSkinPopupWindow::MorphTimerTick() {
  bool changed = false;
  for (TspSkinMenuItem* item : ItemList) {
    if (item->EnableMorphing() && item->CanMorphing()) {
      item->DoMorphing();
      changed = true;
    } else if (item->EnableAnimation()) {
      if (item->Active && item->CurrentFrame <= item->MI->FrameCount) {
        ++item->CurrentFrame;
        DrawItemNow(item);
        changed = true;
      } else if (!item->Active && item->CurrentFrame > 0) {
        --item->CurrentFrame;
        DrawItemNow(item);
        changed = true;
      }
    }
  }
  if (!changed) MorphTimer.Stop();
}

void TspSkinPopupWindow::MouseTimerTick() {
  if (!HandleAllocated()) return;
  POINT p;
  GetCursorPos(&p);
  POINT screen = p;
  ::ScreenToClient(HandleIfAllocated(), &p);
  if (p.x == OMX && p.y == OMY) return;
  if (WindowFromPoint(screen) == HandleIfAllocated()) {
    TrackMouse(p.x, p.y);
  } else if (Scroll && ScrollCode != 0) {
    StopScroll();
  }
  OMX = p.x;
  OMY = p.y;
}

void TspSkinPopupWindow::TrackMouse(int X, int Y) {
  if (Scroll) {
    TRect up{NewItemsRect.Left, NewItemsRect.Top, NewItemsRect.Right, NewItemsRect.Top + 10};
    TRect down{NewItemsRect.Left, NewItemsRect.Bottom - 10, NewItemsRect.Right, NewItemsRect.Bottom};
    int lastShown = VisibleStartIndex + VisibleCount - 1;
    if (PtIn(up, X, Y) && ScrollCode == 0 && VisibleStartIndex > 0) {
      ScrollCode = 1;
      Invalidate();
      StartScroll();
    } else if (PtIn(down, X, Y) && ScrollCode == 0 && lastShown < static_cast<int>(ItemList.size()) - 1) {
      ScrollCode = 2;
      Invalidate();
      StartScroll();
    } else if (ScrollCode != 0 && !PtIn(up, X, Y) && !PtIn(down, X, Y)) {
      StopScroll();
    }
  }
  if (ItemList.empty()) return;
  OldActiveItem = ActiveItem;
  for (size_t i = 0; i < ItemList.size(); ++i)
    if (ItemList[i]->FVisible && PtIn(ItemList[i]->ObjectRect, X, Y)) {
      ActiveItem = static_cast<int>(i);
      break;
    }
  if (ActiveItem >= static_cast<int>(ItemList.size())) ActiveItem = -1;
  if (ActiveItem == OldActiveItem) {
    if (ActiveItem != -1) {
      TspSkinMenuItem* item = ItemList[static_cast<size_t>(ActiveItem)];
      if (item->WaitCommand) {
        item->WaitCommand = false;
        if (item->MenuItem->Count() > 0) item->MouseEnter(false);
      }
    }
    return;
  }
  if (OldActiveItem >= 0 && OldActiveItem < static_cast<int>(ItemList.size())) {
    TspSkinMenuItem* old = ItemList[static_cast<size_t>(OldActiveItem)];
    if (old->Usable()) old->MouseLeave();
  }
  if (ActiveItem >= 0) {
    TspSkinMenuItem* item = ItemList[static_cast<size_t>(ActiveItem)];
    if (item->Usable()) item->MouseEnter(false);
  }
}

void TspSkinPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  TrackMouse(X, Y);
  if (ActiveItem == -1 || Button != mbLeft || ActiveItem >= static_cast<int>(ItemList.size())) return;
  TspSkinMenuItem* item = ItemList[static_cast<size_t>(ActiveItem)];
  if (item->FVisible && PtIn(item->ObjectRect, X, Y) && !item->IsDivider()) item->MouseDown(X, Y);
}

void TspSkinPopupWindow::StartScroll() {
  ParentMenu->CloseWindows(ParentMenu->GetWindowIndex(this) + 1);
  ScrollTimer.Stop();
  ScrollTimer.Start(100, [this] { ScrollTimerTick(); });
}

void TspSkinPopupWindow::StopScroll() {
  ScrollCode = 0;
  Invalidate();
  ScrollTimer.Stop();
}

void TspSkinPopupWindow::ScrollTimerTick() {
  int lastShown = VisibleStartIndex + VisibleCount - 1;
  if (ScrollCode == 1 && VisibleStartIndex > 0)
    ScrollUp(false);
  else if (ScrollCode == 2 && lastShown < static_cast<int>(ItemList.size()) - 1)
    ScrollDown(false);
  else
    StopScroll();
}

void TspSkinPopupWindow::ScrollUp(bool Wrap) {
  if (VisibleStartIndex > 0)
    --VisibleStartIndex;
  else if (Wrap)
    VisibleStartIndex = GetLastPageStartIndex();
  else
    return;
  LayoutItems();
  Repaint();
}

void TspSkinPopupWindow::ScrollDown(bool Wrap) {
  if (VisibleStartIndex + VisibleCount < static_cast<int>(ItemList.size()))
    ++VisibleStartIndex;
  else if (Wrap)
    VisibleStartIndex = 0;
  else
    return;
  LayoutItems();
  Repaint();
}

void TspSkinPopupWindow::CloseSubMenus() {
  TspSkinMenu* menu = ParentMenu;
  int index = menu->GetWindowIndex(this);
  if (index + 1 < static_cast<int>(menu->FPopupList.size())) menu->CloseWindows(index + 1);
  for (TspSkinMenuItem* item : ItemList)
    if (item->Down) {
      item->Down = false;
      if (item->EnableAnimation() && !item->MI->InActiveAnimation) {
        item->CurrentFrame = 0;
        DrawItemNow(item);
      } else {
        item->ReDraw();
      }
    }
}

void TspSkinPopupWindow::EnsureVisible(int Index) {
  if (!Scroll) return;
  int count = static_cast<int>(ItemList.size());
  if (Index < VisibleStartIndex) {
    VisibleStartIndex = Index;
    LayoutItems();
    Repaint();
  }
  while (Index >= VisibleStartIndex + VisibleCount && VisibleStartIndex + VisibleCount < count &&
         VisibleStartIndex < Index) {
    ++VisibleStartIndex;
    LayoutItems();
  }
  Repaint();
}

void TspSkinPopupWindow::SetActive(int Index, bool) {
  if (Index == ActiveItem) return;
  int old = ActiveItem;
  ActiveItem = Index;
  ItemList[static_cast<size_t>(Index)]->MouseEnter(true);
  if (old >= 0 && old < static_cast<int>(ItemList.size())) ItemList[static_cast<size_t>(old)]->MouseLeave();
}

void TspSkinPopupWindow::NextItem() {
  int count = static_cast<int>(ItemList.size());
  if (count == 0) return;
  if (Scroll && ScrollCode == 0 && ActiveItem != -1 && ActiveItem == VisibleStartIndex + VisibleCount - 1)
    ScrollDown(true);
  int start = ActiveItem + 1;
  if (ActiveItem < 0 || start >= count) start = 0;
  for (int i = start; i < count; ++i)
    if (ItemList[static_cast<size_t>(i)]->Usable()) {
      EnsureVisible(i);
      SetActive(i, true);
      return;
    }
  // Nothing usable further down: the choice stays, and stays in view.
  if (ActiveItem >= 0) EnsureVisible(ActiveItem);
}

void TspSkinPopupWindow::PrevItem() {
  int count = static_cast<int>(ItemList.size());
  if (count == 0) return;
  if (Scroll && ScrollCode == 0 && ActiveItem != -1 && ActiveItem == VisibleStartIndex) ScrollUp(true);
  int start = ActiveItem - 1;
  if (ActiveItem <= 0) start = count - 1;
  for (int i = start; i >= 0; --i)
    if (ItemList[static_cast<size_t>(i)]->Usable()) {
      EnsureVisible(i);
      SetActive(i, true);
      return;
    }
  if (ActiveItem >= 0) EnsureVisible(ActiveItem);
}

void TspSkinPopupWindow::PopupKeyDown(int CharCode) {
  if (!Visible()) return;
  TspSkinMenu* menu = ParentMenu;
  if (Enabled()) {
    for (size_t i = 0; i < ItemList.size(); ++i) {
      TspSkinMenuItem* item = ItemList[i];
      if (!IsMenuAccel(static_cast<char16_t>(CharCode), item->MenuItem->Caption())) continue;
      int old = ActiveItem;
      item->MouseEnter(false);
      ActiveItem = static_cast<int>(i);
      if (old != -1 && old != ActiveItem && old < static_cast<int>(ItemList.size()))
        ItemList[static_cast<size_t>(old)]->MouseLeave();
      item->MouseDown(0, 0);
      return;
    }
  }
  switch (CharCode) {
    case VK_RETURN:
      if (ActiveItem >= 0 && ActiveItem < static_cast<int>(ItemList.size()))
        ItemList[static_cast<size_t>(ActiveItem)]->MouseDown(0, 0);
      break;
    case VK_ESCAPE:
    case VK_LEFT: {
      int n = static_cast<int>(menu->FPopupList.size());
      if (CharCode == VK_LEFT && n < 2) break;
      if (n > 1) {
        TspSkinPopupWindow* prev = menu->FPopupList[static_cast<size_t>(n - 2)];
        if (prev->ActiveItem >= 0 && prev->ActiveItem < static_cast<int>(prev->ItemList.size())) {
          TspSkinMenuItem* item = prev->ItemList[static_cast<size_t>(prev->ActiveItem)];
          item->Down = false;
          item->ReDraw();
        }
      }
      menu->CloseWindows(n - 1);
      break;
    }
    case VK_RIGHT:
      if (ActiveItem >= 0 && ActiveItem < static_cast<int>(ItemList.size()) &&
          ItemList[static_cast<size_t>(ActiveItem)]->MenuItem->Count() > 0)
        ItemList[static_cast<size_t>(ActiveItem)]->MouseDown(0, 0);
      break;
    case VK_DOWN:
      NextItem();
      break;
    case VK_UP:
      PrevItem();
      break;
    default:
      break;
  }
}

// ===========================================================================
// TspSkinPopupMenu

TspSkinMenuHost* FindSkinMenuHost(TComponent* form) {
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (TspSkinMenuHost* host = SkinMenuHostOf(form->Components(i))) return host;
  return nullptr;
}

TspSkinPopupMenu::TspSkinPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}

TspSkinPopupMenu::~TspSkinPopupMenu() = default;

TspSkinMenuHost* TspSkinPopupMenu::FindHost() {
  if (SkinComponent) return SkinMenuHostOf(SkinComponent);
  if (ComponentForm) return FindSkinMenuHost(ComponentForm);
  TComponent* owner = Owner();
  if (dynamic_cast<TCustomForm*>(owner)) return FindSkinMenuHost(owner);
  if (owner && dynamic_cast<TCustomForm*>(owner->Owner())) return FindSkinMenuHost(owner->Owner());
  return nullptr;
}

void TspSkinPopupMenu::Open(TControl* ACtrl, const TRect& R, bool APopupUp, bool NeedSkinData) {
  if (OnPopup) OnPopup(this);
  TspSkinMenuHost* host = FindHost();
  if (host && !FSD) SetSkinData(host->GetMenusSkinData() ? host->GetMenusSkinData() : host->GetSkinData());
  TspSkinMenu* menu = host ? host->GetSkinMenu() : nullptr;
  if (!menu || (NeedSkinData && !FSD)) {
    // Nothing opens: an opening control must not wait for a close.
    if (ACtrl) NotifyMenuControl(ACtrl, SP_MENUCLOSED);
    return;
  }
  if (menu->Visible()) host->SkinMenuClose();
  host->SkinMenuOpen();
  FPopupPoint = TPoint{R.Left, R.Top};
  menu->Popup(ACtrl, FSD, 0, R, Items(), APopupUp);
  if (OnMenuClose && menu->Visible()) menu->OnMenuClose = OnMenuClose;
}

void TspSkinPopupMenu::Popup(int X, int Y) { Open(nullptr, TRect{X, Y, X, Y}, false, false); }

void TspSkinPopupMenu::PopupFromRect(const TRect& R, bool APopupUp) { Open(nullptr, R, APopupUp, false); }

void TspSkinPopupMenu::PopupFromRect2(TControl* ACtrl, const RECT& R, bool APopupUp) {
  Open(ACtrl, TRect{R.left, R.top, R.right, R.bottom}, APopupUp, false);
}

void TspSkinPopupMenu::Popup2(TControl* ACtrl, int X, int Y) { Open(ACtrl, TRect{X, Y, X, Y}, false, true); }

bool IsMenuCloseMessage(UINT Msg) {
  switch (Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_PARENTNOTIFY:
      return true;
    default:
      return false;
  }
}

bool TspSkinPopupMenu::ClickDefaultItem() {
  TMenuItem* root = Items();
  for (int i = 0; root && i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (item->Default && item->Visible && item->Enabled) {
      item->Click();
      return true;
    }
  }
  return false;
}
