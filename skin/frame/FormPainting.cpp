// Painting of the non-client frame (skinned and default), of single frame
// objects, of the client background and of client-skin windows.
#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"
#include "skin/frame/SkinMainMenuItem.h"

namespace {

// A canvas over a device context it does not own.
struct TDCCanvas {
  TCanvas canvas;
  explicit TDCCanvas(HDC dc) { canvas.SetHandle(dc); }
  ~TDCCanvas() { canvas.SetHandle(nullptr); }
};

void ApplyEffect(TspEffectBmp& e, TspInActiveEffect effect) {
  switch (effect) {
    case ieBrightness: e.ChangeBrightness(0.5); break;
    case ieDarkness: e.ChangeDarkness(0.3); break;
    case ieGrayScale: e.GrayScale(); break;
    case ieNoise: e.AddMonoNoise(50); break;
    case ieSplitBlur: e.SplitBlur(1); break;
    case ieInvert: e.Invert(); break;
  }
}

// A window's device context, given back however the drawing ends (an
// object's Draw may throw); a context the caller passed in stays its own.
class TWindowDCLease {
public:
  TWindowDCLease(HWND h, HDC dc, bool own) : FWnd(h), FDC(dc), FOwn(own) {}
  ~TWindowDCLease() {
    if (FOwn && FDC) ReleaseDC(FWnd, FDC);
  }
  TWindowDCLease(const TWindowDCLease&) = delete;
  TWindowDCLease& operator=(const TWindowDCLease&) = delete;

private:
  HWND FWnd;
  HDC FDC;
  bool FOwn;
};

}  // namespace

void TspDynamicSkinForm::FitCaptionText(TCanvas* Canvas, std::u16string& Text, int Width) {
  ShortenWideTextToWidth(Canvas, Text, Width);
}

void TspDynamicSkinForm::PaintNCSkin(HDC ADC, bool AUseExternalDC) {
  if (!CanPaintSkinNC()) return;
  const TRect b = FormBounds();
  if (FFormWidth == 0) FFormWidth = b.Width();
  if (FFormHeight == 0) FFormHeight = b.Height();
  if (FFormWidth < GetMinWidth() || FFormHeight < GetMinHeight()) return;
  CalcRects();
  CalcObjectRects();
  HWND h = FForm->HandleIfAllocated();
  HDC dc = AUseExternalDC ? ADC : (h ? GetWindowDC(h) : nullptr);
  if (!dc) return;
  const TWindowDCLease lease(h, dc, !AUseExternalDC);
  TBitmap top, left, right, bottom;
  const bool active = GetFormActive();
  TBitmap* src = (active || FSD->FInActivePicture.Empty()) ? FSD->Picture() : FSD->InActivePicture();
  CreateBorderImages(ToTPoint(FSD->LTPoint), ToTPoint(FSD->RTPoint), ToTPoint(FSD->LBPoint), ToTPoint(FSD->RBPoint),
                     ToTRect(FSD->ClRect), NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint, NewClRect, &left, &top,
                     &right, &bottom, src, TRect{0, 0, src->Width(), src->Height()}, FFormWidth, FFormHeight,
                     FSD->LeftStretch, FSD->TopStretch, FSD->RightStretch, FSD->BottomStretch);
  // The main-menu items first: each lays itself out after the one before.
  for (auto& o : ObjectList) {
    if (!dynamic_cast<TspSkinMainMenuItem*>(o.get())) continue;
    if (NewClRect.Top < NewMainMenuRect.Top) {
      if (!bottom.Empty()) o->Draw(bottom.Canvas(), false);
    } else if (!top.Empty()) {
      o->Draw(top.Canvas(), false);
    }
  }
  for (size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    if (dynamic_cast<TspSkinMainMenuItem*>(o)) continue;
    if (!IsObjectShown(o->RollUp) || !o->Visible) continue;
    if (o->ObjectRect.Bottom > NewClRect.Top) {
      if (bottom.Empty()) continue;
      const TRect saved = o->ObjectRect;
      o->ObjectRect = OffsetTRect(saved, 0, -NewClRect.Bottom);
      o->Draw(bottom.Canvas(), false);
      o->ObjectRect = saved;
    } else if (!top.Empty()) {
      o->Draw(top.Canvas(), false);
    }
  }
  const int saved = SaveDC(dc);
  if (NewClRect.Height() > 0) ExcludeClipRect(dc, NewClRect.Left, NewClRect.Top, NewClRect.Right, NewClRect.Bottom);
  const int th = top.Empty() ? 0 : top.Height();
  auto put = [&](TBitmap& strip, int x, int y) {
    if (strip.Empty()) return;
    if (!active && UseInActiveEffect()) {
      auto e = TspEffectBmp::CreateFromhWnd(strip.Handle());
      if (e) {
        ApplyEffect(*e, FSD->InActiveEffect);
        e->Draw(dc, x, y);
        return;
      }
    }
    BitBlt(dc, x, y, strip.Width(), strip.Height(), strip.Canvas()->Handle(), 0, 0, SRCCOPY);
  };
  put(top, 0, 0);
  put(left, 0, th);
  put(right, FFormWidth - (right.Empty() ? 0 : right.Width()), th);
  put(bottom, 0, FFormHeight - (bottom.Empty() ? 0 : bottom.Height()));
  RestoreDC(dc, saved);
}

void TspDynamicSkinForm::PaintNCDefault(HDC ADC, bool AUseExternalDC) {
  if (FSD && FSD->ChangeSkinDataProcess) return;
  const TRect b = FormBounds();
  if (FFormWidth == 0) FFormWidth = b.Width();
  if (FFormHeight == 0) FFormHeight = b.Height();
  if (ObjectList.empty() && !SkinInUse()) CreateDefaultObjects();
  CalcDefRects();
  const int ch = GetDefCaptionHeight();
  const int cw = FFormWidth - 6;
  if (cw <= 0) return;
  TBitmap cap(cw, ch);
  TCanvas* c = cap.Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, cw, ch});
  if (ch >= 6) {
    for (int i = 0; i < ch - 5; ++i) {
      c->Pen()->SetColor(i % 2 == 0 ? clBtnHighlight : clBtnShadow);
      c->MoveTo(NewDefCaptionRect.Left - 1, 2 + i);
      c->LineTo(NewDefCaptionRect.Right - 6, 2 + i);
    }
  }
  const bool active = GetFormActive();
  c->Font()->Assign(active ? &FDefCaptionFont : &FDefInActiveCaptionFont);
  if (FSD && FSD->ResourceStrData()) c->Font()->SetCharset(FSD->ResourceStrData()->CharSet);
  const std::string caption = CaptionText();
  if (OnCaptionPaint) {
    OnCaptionPaint(c, TRect{NewDefCaptionRect.Left - 3, 0, NewDefCaptionRect.Right - 3, ch}, active);
  } else if (!caption.empty()) {
    std::u16string text = UTF8ToUTF16(caption);
    const int A = NewDefCaptionRect.Right - NewDefCaptionRect.Left + 3;
    FitCaptionText(c, text, A);
    const int tw = GetDrawTextWidth(c, text), th = GetDrawTextHeight(c, text);
    const int X = (NewDefCaptionRect.Left - 3) + A / 2 - (tw + 5) / 2;
    const int Y = ch / 2 - th / 2;
    TRect r{X, Y, X, Y};
    CanvasDrawTextW(c, text, r, DT_CALCRECT);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2});
    c->Brush()->SetStyle(bsClear);
    CanvasDrawTextW(c, text, r, DT_VCENTER);
  }
  for (auto& o : ObjectList) {
    if (!o->Visible) continue;
    const TRect saved = o->ObjectRect;
    o->ObjectRect = OffsetTRect(saved, -3, -3);
    o->Draw(c, true);
    o->ObjectRect = saved;
  }
  HWND h = FForm->HandleIfAllocated();
  HDC dc = AUseExternalDC ? ADC : (h ? GetWindowDC(h) : nullptr);
  if (!dc) return;
  const TWindowDCLease lease(h, dc, !AUseExternalDC);
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, 3, ch + 3, FFormWidth - 3, FFormHeight - 3);
  BitBlt(dc, 3, 3, cw, ch, c->Handle(), 0, 0, SRCCOPY);
  {
    TDCCanvas wc(dc);
    TRect r{0, 0, FFormWidth, FFormHeight};
    const TColor rings[3][2] = {{cl3DLight, cl3DDkShadow}, {clBtnHighlight, clBtnShadow}, {clBtnFace, clBtnFace}};
    for (auto& ring : rings) {
      DrawBevelFrame(&wc.canvas, r, ring[0], ring[1]);
      r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
  }
  RestoreDC(dc, saved);
}

void TspDynamicSkinForm::DrawSkinObject(TspActiveSkinObject* AObject) {
  if (!AObject || !IsObjectShown(AObject->RollUp)) return;
  HWND h = FForm->HandleIfAllocated();
  if (!h) return;
  if (!FSupportNCArea) {
    HDC dc = GetDC(h);
    const TWindowDCLease lease(h, dc, true);
    TDCCanvas c(dc);
    AObject->Draw(&c.canvas, true);
    return;
  }
  // A full layered border carries the objects: it draws them again.
  if (LayerBorderShown() && LayerFullBorder()) {
    FBorderLayer->UpdateBorder();
    return;
  }
  if (!HasBorder() || MaximizedMDIChild()) return;
  HDC dc = GetWindowDC(h);
  const TWindowDCLease lease(h, dc, true);
  TDCCanvas c(dc);
  AObject->Draw(&c.canvas, true);
}

// ---------------------------------------------------------------------------
// Client background

namespace {

// Fills W x H with P: stretched by the type, or tiled unscaled.
void FillWithPicture(TCanvas* c, TBitmap* P, int W, int H, bool stretch, TspStretchType type, int formW,
                     int formH) {
  if (!P || P->Empty() || W <= 0 || H <= 0) return;
  const int pw = P->Width(), ph = P->Height();
  if (stretch) {
    switch (type) {
      case spstFull: c->StretchDraw(TRect{0, 0, W, H}, P); return;
      case spstHorz: {
        if (formH <= 0) return;
        TBitmap strip(pw, formH);
        strip.Canvas()->StretchDraw(TRect{0, 0, pw, formH}, P);
        for (int i = 0; i <= formW / pw; ++i) c->Draw(i * pw, 0, &strip);
        return;
      }
      case spstVert: {
        if (formW <= 0) return;
        TBitmap strip(formW, ph);
        strip.Canvas()->StretchDraw(TRect{0, 0, formW, ph}, P);
        for (int j = 0; j <= formH / ph; ++j) c->Draw(0, j * ph, &strip);
        return;
      }
    }
  }
  for (int i = 0; i <= W / pw; ++i)
    for (int j = 0; j <= H / ph; ++j) c->Draw(i * pw, j * ph, P);
}

TBitmap* SkinPictureAt(TspSkinData* sd, int index) {
  // An index outside the list means no picture.
  if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
  return sd->ActivePicture(index);
}

}  // namespace

void TspDynamicSkinForm::DrawLogoBitMap(TCanvas* Canvas) {
  if (FLogoBitMap.Empty()) return;
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  const int X = std::max(0, int(cr.right) / 2 - FLogoBitMap.Width() / 2);
  const int Y = std::max(0, int(cr.bottom) / 2 - FLogoBitMap.Height() / 2);
  if (FLogoBitMap.Transparent() != LogoBitMapTransparent) FLogoBitMap.SetTransparent(LogoBitMapTransparent);
  Canvas->Draw(X, Y, &FLogoBitMap);
}

void TspDynamicSkinForm::PaintBGDefault(HDC DC) {
  if (!DC) return;
  TDCCanvas c(DC);
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  c.canvas.Brush()->SetStyle(bsSolid);
  c.canvas.Brush()->SetColor(clBtnFace);
  c.canvas.FillRect(TRect{0, 0, cr.right, cr.bottom});
  DrawLogoBitMap(&c.canvas);
}

void TspDynamicSkinForm::PaintMDIBGDefault(HDC DC) {
  if (!DC) return;
  TDCCanvas c(DC);
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  c.canvas.Brush()->SetStyle(bsSolid);
  c.canvas.Brush()->SetColor(clAppWorkSpace);
  c.canvas.FillRect(TRect{0, 0, cr.right, cr.bottom});
  DrawLogoBitMap(&c.canvas);
}

void TspDynamicSkinForm::PaintBG(HDC DC) {
  if (!DC || !SkinInUse()) return;
  TDCCanvas c(DC);
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  const TRect cl = ToTRect(FSD->ClRect);
  if (cl.IsEmpty()) {
    c.canvas.Brush()->SetStyle(bsSolid);
    c.canvas.Brush()->SetColor(clBtnFace);
    c.canvas.FillRect(TRect{0, 0, cr.right, cr.bottom});
    return;
  }
  TBitmap p(cl.Width(), cl.Height());
  p.Canvas()->CopyRect(TRect{0, 0, cl.Width(), cl.Height()}, FSD->Picture()->Canvas(), cl);
  FillWithPicture(&c.canvas, &p, cr.right, cr.bottom, FSD->StretchEffect, FSD->StretchType, FFormWidth, FFormHeight);
  DrawLogoBitMap(&c.canvas);
}

void TspDynamicSkinForm::PaintBG2(HDC DC) {
  if (!DC || !SkinInUse()) return;
  TDCCanvas c(DC);
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  FillWithPicture(&c.canvas, SkinPictureAt(FSD, FSD->BGPictureIndex), cr.right, cr.bottom, FSD->StretchEffect,
                  FSD->StretchType, FFormWidth, FFormHeight);
  DrawLogoBitMap(&c.canvas);
}

void TspDynamicSkinForm::PaintBG3(HDC DC) {
  if (!DC || !SkinInUse()) return;
  TDCCanvas c(DC);
  RECT cr{0, 0, 0, 0};
  if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
  FillWithPicture(&c.canvas, SkinPictureAt(FSD, FSD->MDIBGPictureIndex), cr.right, cr.bottom,
                  FSD->MDIBGStretchEffect, FSD->MDIBGStretchType, FFormWidth, FFormHeight);
  DrawLogoBitMap(&c.canvas);
}

void TspDynamicSkinForm::DrawSizeGrip(TCanvas* Canvas) {
  if (!FSD || FSD->StatusBarName.empty()) return;
  const int i = FSD->GetControlIndex(FSD->StatusBarName);
  if (i < 0) return;
  auto* panel = dynamic_cast<TspDataSkinPanelControl*>(FSD->CtrlList[size_t(i)].get());
  if (!panel || spRectEmpty(panel->GripperRect)) return;
  TBitmap* pic = SkinPictureAt(FSD, panel->PictureIndex);
  if (!pic) return;
  const TRect g = ToTRect(panel->GripperRect);
  TBitmap grip(g.Width(), g.Height());
  grip.Canvas()->CopyRect(TRect{0, 0, g.Width(), g.Height()}, pic->Canvas(), g);
  if (panel->GripperTransparent) {
    grip.SetTransparentColor(panel->GripperTransparentColor);
    grip.SetTransparent(true);
  }
  Canvas->Draw(FSizeGripArea.Left, FSizeGripArea.Top, &grip);
}

void TspDynamicSkinForm::Paint(HDC DC) {
  if (!DC) return;
  const TRect b = FormBounds();
  if (FFormWidth == 0) FFormWidth = b.Width();
  if (FFormHeight == 0) FFormHeight = b.Height();
  TDCCanvas c(DC);
  if (!SkinInUse()) {
    RECT cr{0, 0, 0, 0};
    if (HWND h = FForm->HandleIfAllocated()) GetClientRect(h, &cr);
    c.canvas.Brush()->SetStyle(bsSolid);
    c.canvas.Brush()->SetColor(clBtnFace);
    c.canvas.Pen()->SetColor(clBlack);
    c.canvas.Rectangle(0, 0, cr.right, cr.bottom);
    return;
  }
  TBitmap W;
  TBitmap* rp = FSD->RollUpPicture();
  if (!FRollUpState || !rp || rp->Empty()) {
    TBitmap* pic = FSD->Picture();
    if (FSD->LTPoint.X || FSD->LTPoint.Y || FSD->RBPoint.X || FSD->RBPoint.Y) {
      CreateNinePartImage(ToTPoint(FSD->LTPoint), ToTPoint(FSD->RTPoint), ToTPoint(FSD->LBPoint),
                          ToTPoint(FSD->RBPoint), ToTRect(FSD->ClRect), NewLTPoint, NewRTPoint, NewLBPoint, NewRBPoint,
                          NewClRect, &W, pic, TRect{0, 0, pic->Width(), pic->Height()}, FFormWidth, FFormHeight, true,
                          FSD->LeftStretch, FSD->TopStretch, FSD->RightStretch, FSD->BottomStretch,
                          FSD->StretchEffect, FSD->StretchType);
    } else {
      W.Assign(pic);
    }
  } else if (FSD->RollUpLeftPoint.X < FSD->RollUpRightPoint.X) {
    CreateHorzThreePartImage(FSD->RollUpLeftPoint.X, rp->Width() - FSD->RollUpRightPoint.X, &W, rp,
                             TRect{0, 0, rp->Width(), rp->Height()}, b.Width(), rp->Height(), false);
  } else {
    W.Assign(rp);
  }
  if (W.Empty()) return;
  for (auto& o : ObjectList)
    if (o->Visible && o->RollUp == FRollUpState) o->Draw(W.Canvas(), true);
  if (FWindowState == wsNormal) DrawSizeGrip(W.Canvas());
  c.canvas.Draw(0, 0, &W);
}
