// The caption object: the window title in the frame, with the caption
// picture stretched with the frame, text effects, active/inactive looks,
// morphing and the frame animation.
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/LayeredBorder.h"
#include "skin/frame/SkinFrameObjects.h"

TspSkinCaptionObject::TspSkinCaptionObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData)
    : TspActiveSkinObject(AParent, AData) {
  auto* d = dynamic_cast<const TspDataSkinCaption*>(AData);
  if (!d) return;
  FontName = d->FontName;
  FontStyle = d->FontStyle;
  FontHeight = d->FontHeight;
  FontColor = d->FontColor;
  ActiveFontColor = d->ActiveFontColor;
  ShadowColor = d->ShadowColor;
  ActiveShadowColor = d->ActiveShadowColor;
  Shadow = d->Shadow;
  Alignment = d->Alignment;
  TextRct = ToTRect(d->TextRct);
  DefaultCaption = d->DefaultCaption;
  FrameRect = ToTRect(d->FrameRect);
  ActiveFrameRect = ToTRect(d->ActiveFrameRect);
  FrameLeftOffset = d->FrameLeftOffset;
  FrameRightOffset = d->FrameRightOffset;
  FrameTextRect = ToTRect(d->FrameTextRect);
  LightColor = d->LightColor;
  ActiveLightColor = d->ActiveLightColor;
  Light = d->Light;
  StretchEffect = d->StretchEffect;
  AnimateSkinRect = ToTRect(d->AnimateSkinRect);
  FrameCount = d->FrameCount;
  AnimateInterval = d->AnimateInterval;
  InActiveAnimation = d->InActiveAnimation;
  FullFrame = d->FullFrame;
  VistaGlowEffect = d->VistaGlowEffect;
  VistaGlowInActiveEffect = d->VistaGlowInActiveEffect;
  GlowEffect = d->GlowEffect;
  GlowInActiveEffect = d->GlowInActiveEffect;
  GlowSize = d->GlowSize;
  GlowColor = d->GlowColor;
  GlowActiveColor = d->GlowActiveColor;
  GlowOffset = d->GlowOffset;
  ReflectionEffect = d->ReflectionEffect;
  ReflectionColor = d->ReflectionColor;
  ReflectionActiveColor = d->ReflectionActiveColor;
  ReflectionOffset = d->ReflectionOffset;
  DividerRect = ToTRect(d->DividerRect);
  InActiveDividerRect = ToTRect(d->InActiveDividerRect);
  DividerTransparent = d->DividerTransparent;
  DividerTransparentColor = d->DividerTransparentColor;
  QuickButtonAlphaMaskPictureIndex = d->QuickButtonAlphaMaskPictureIndex;
}

void TspSkinCaptionObject::SetTextValue(const std::string& Value) {
  FTextValue = Value;
  Parent->DrawSkinObject(this);
}

bool TspSkinCaptionObject::EnableAnimation() const {
  return SkinUsable() && SD->EnableSkinEffects && !AnimateSkinRect.IsEmpty() && FrameCount > 0;
}

int TspSkinCaptionObject::StretchKind() const {
  if (ObjectRect.Width() == SkinRect.Width() && ObjectRect.Height() == SkinRect.Height()) return 0;
  if (!SD) return 0;
  const int T = SkinRect.Top, B = SkinRect.Bottom;
  if (T <= SD->LTPoint.Y && B < SD->RTPoint.Y) return 1;
  if (T >= SD->LBPoint.Y && B > SD->RBPoint.Y) return 2;
  if (T <= SD->LTPoint.Y && B > SD->LBPoint.Y) return 3;
  return 4;
}

TRect TspSkinCaptionObject::AnimationFrameRect(int N) const {
  // Frame numbers outside the strip are clamped: never read past it.
  const TRect& A = AnimateSkinRect;
  if (FrameCount <= 0) return TRect{};
  if (N < 1) N = 1;
  if (N > FrameCount) N = FrameCount;
  if (SkinRect.Height() < A.Height()) {
    const int h = A.Height() / FrameCount;
    return TRect{A.Left, A.Top + (N - 1) * h, A.Right, A.Top + N * h};
  }
  const int w = A.Width() / FrameCount;
  return TRect{A.Left + (N - 1) * w, A.Top, A.Left + N * w, A.Bottom};
}

void TspSkinCaptionObject::MakeCaptionImage(TBitmap* Dest, TBitmap* P, const TRect& S, bool AnimationFrame) const {
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  Dest->SetSize(w, h);
  if (!P || P->Empty() || S.IsEmpty() || w <= 0 || h <= 0) return;
  const int kind = StretchKind();
  const bool rule = AnimationFrame || Parent->IsResizableSkin();
  const int L = SkinRect.Left, R = SkinRect.Right, T = SkinRect.Top, B = SkinRect.Bottom;
  auto plain = [&] { Dest->Canvas()->CopyRect(TRect{0, 0, w, h}, P->Canvas(), S); };
  if (!rule || kind == 0) return plain();
  if (kind == 1 || kind == 2) {
    int lw = kind == 1 ? SD->LTPoint.X - L : SD->LBPoint.X - L;
    int rw = kind == 1 ? R - SD->RTPoint.X : R - SD->RBPoint.X;
    lw = std::max(0, lw), rw = std::max(0, rw);
    if (lw == 0 && rw == 0) return plain();
    CreateHorzThreePartImage(lw, rw, Dest, P, S, w, h, StretchEffect);
    return;
  }
  if (AnimationFrame) return plain();
  int th = kind == 3 ? SD->LTPoint.Y - T : SD->RTPoint.Y - T;
  int bh = kind == 3 ? B - SD->LBPoint.Y : B - SD->RBPoint.Y;
  th = std::max(0, th), bh = std::max(0, bh);
  if (th == 0 && bh == 0) return plain();
  CreateVertThreePartImage(th, bh, Dest, P, S, w, h, StretchEffect);
}

void TspSkinCaptionObject::SetCaptionFont(TCanvas* C, TColor Color) const {
  TFont* f = C->Font();
  if (Parent->UseSkinFontInCaption) {
    f->SetName(FontName);
    f->SetStyle(FontStyle);
    f->SetHeight(FontHeight);
  } else {
    f->Assign(Parent->DefCaptionFont());
  }
  f->SetColor(Color);
  if (SD && SD->ResourceStrData())
    f->SetCharset(SD->ResourceStrData()->CharSet);
  else
    f->SetCharset(Parent->DefCaptionFont()->Charset());
}

TRect TspSkinCaptionObject::CurrentTextRect() const {
  TRect TR = TextRct;
  if (!TextRct.IsEmpty()) {
    const int D = SkinRect.Width() - TextRct.Right;
    TR.Left += QuickButtonsWidth();
    TR.Right = ObjectRect.Width() - D;
  }
  if (!FrameRect.IsEmpty()) {
    TR.Top += FrameTextRect.Top;
    TR.Left += FrameTextRect.Left;
    TR.Right -= FrameRect.Width() - FrameTextRect.Right;
  }
  return TR;
}

void TspSkinCaptionObject::DrawCaptionText(TCanvas* C, const TRect& TR, int X, int Y, bool A,
                                           const TRect& PaintRect) {
  std::string text = Parent->CaptionText();
  if (!Parent->SupportNCArea() && !DefaultCaption) text = FTextValue;
  if (Parent->OnCaptionPaint) {
    Parent->OnCaptionPaint(C, PaintRect, A);
    return;
  }
  if (text.empty() || TextRct.IsEmpty()) return;
  std::u16string t = UTF8ToUTF16(text);
  ShortenWideTextToWidth(C, t, TR.Width());
  const int W = GetDrawTextWidth(C, t), H = GetDrawTextHeight(C, t);
  int Y0 = TR.Top + TR.Height() / 2 - H / 2;
  // Beside quick buttons the text is centred whatever the alignment.
  int X0;
  switch (HasQuickButtons() ? taCenter : Alignment) {
    case taLeftJustify: X0 = TR.Left; break;
    case taRightJustify: X0 = TR.Right - W; break;
    default: X0 = TR.Left + TR.Width() / 2 - W / 2; break;
  }
  X0 += X;
  Y0 += Y;
  if (C->Font()->Height() % 2 != 0) Y0 -= 1;
  C->Brush()->SetStyle(bsClear);
  if (!FrameRect.IsEmpty() && ActivePicture) {
    const TRect src = (A && !ActiveFrameRect.IsEmpty()) ? ActiveFrameRect : FrameRect;
    const int bo = SD ? SD->ButtonsOffset : 0;
    int pw, px, py = Y0 - FrameTextRect.Top;
    if (FullFrame) {
      pw = ObjectRect.Width() - 2 * bo;
      px = X + bo;
    } else {
      pw = FrameRect.Width() + W - FrameTextRect.Width();
      px = X0 - FrameTextRect.Left;
    }
    if (pw > 0) {
      TBitmap plate;
      CreateHorzThreePartImage(FrameLeftOffset, FrameRightOffset, &plate, ActivePicture, src, pw, src.Height(),
                               false);
      C->Draw(px, py, &plate);
    }
  }
  const UINT flags = DT_VCENTER;
  TRect r{X0, Y0, X0, Y0};
  CanvasDrawTextW(C, t, r, flags | DT_CALCRECT);
  const TColor textColor = C->Font()->Color();
  auto drawAt = [&](int dx, int dy, TColor color) {
    C->Font()->SetColor(color);
    TRect q = OffsetTRect(r, dx, dy);
    CanvasDrawTextW(C, t, q, flags);
    C->Font()->SetColor(textColor);
  };
  if (Light) drawAt(-1, -1, A ? ActiveLightColor : LightColor);
  if (Shadow) drawAt(1, 1, A ? ActiveShadowColor : ShadowColor);
  if (ReflectionEffect) {
    DrawReflectedTextW(C, r, t, flags, ReflectionOffset, A ? ReflectionActiveColor : ReflectionColor);
  } else if (VistaGlowEffect && (A || VistaGlowInActiveEffect)) {
    DrawVistaGlowText(C, r, t, flags, A ? GlowActiveColor : GlowColor);
  } else if (GlowEffect && (A || GlowInActiveEffect)) {
    DrawGlowTextW(C, r, t, flags, GlowOffset, A ? GlowActiveColor : GlowColor, GlowSize);
  } else {
    CanvasDrawTextW(C, t, r, flags);
  }
}

void TspSkinCaptionObject::ApplyInActiveEffect(TBitmap* Image) const {
  auto e = TspEffectBmp::CreateFromhWnd(Image->Handle());
  if (!e) return;
  switch (SD->InActiveEffect) {
    case ieBrightness: e->ChangeBrightness(0.5); break;
    case ieDarkness: e->ChangeDarkness(0.3); break;
    case ieGrayScale: e->GrayScale(); break;
    case ieNoise: e->AddMonoNoise(50); break;
    case ieSplitBlur: e->SplitBlur(1); break;
    case ieInvert: e->Invert(); break;
  }
  e->Draw(Image->Canvas()->Handle(), 0, 0);
}

void TspSkinCaptionObject::Draw(TCanvas* Cnvs, bool UpDate) {
  if (!SkinUsable()) return;
  DrawCaptionLook(Cnvs, UpDate);
  // The quick buttons go over whatever look the caption takes.
  DrawQuickButtons(Cnvs);
}

void TspSkinCaptionObject::DrawCaptionLook(TCanvas* Cnvs, bool UpDate) {
  Active = ActiveWindow();
  if (EnableAnimation()) {
    if (!Active && !InActiveAnimation) CurrentFrame = 0;
    if (Active && CurrentFrame == 0) CurrentFrame = 1;
  }
  const TRect TR = CurrentTextRect();
  const bool frameMode = Parent->SupportNCArea();
  const int w = ObjectRect.Width(), h = ObjectRect.Height();
  if (w <= 0 || h <= 0) return;

  if (EnableAnimation() && CurrentFrame > 0 && CurrentFrame <= FrameCount && ActivePicture) {
    TBitmap image;
    MakeCaptionImage(&image, ActivePicture, AnimationFrameRect(CurrentFrame), frameMode);
    SetCaptionFont(image.Canvas(), Active ? FontColor : ActiveFontColor);
    DrawCaptionText(image.Canvas(), TR, 0, 0, !Active, ObjectRect);
    Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &image);
    return;
  }

  if (!frameMode || !ActiveSkinRect.IsEmpty()) {
    if (!ActiveSkinRect.IsEmpty() && (Active || (FMorphKf != 0 && EnableMorphing()))) {
      TBitmap active;
      MakeCaptionImage(&active, ActivePicture, ActiveSkinRect, false);
      SetCaptionFont(active.Canvas(), ActiveFontColor);
      DrawCaptionText(active.Canvas(), TR, 0, 0, true, ObjectRect);
      if (Active && (FMorphKf == 1 || (FMorphKf == 0 && !EnableMorphing()))) {
        Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &active);
        return;
      }
      TBitmap normal;
      MakeCaptionImage(&normal, Picture, SkinRect, false);
      SetCaptionFont(normal.Canvas(), FontColor);
      DrawCaptionText(normal.Canvas(), TR, 0, 0, false, ObjectRect);
      auto eb = TspEffectBmp::CreateFromhWnd(normal.Handle());
      auto ea = TspEffectBmp::CreateFromhWnd(active.Handle());
      if (eb && ea) {
        eb->Morph(*ea, FMorphKf);
        eb->Draw(normal.Canvas()->Handle(), 0, 0);
      }
      if (Parent->UseInActiveEffect() && !Active) ApplyInActiveEffect(&normal);
      Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &normal);
      return;
    }
    if (UpDate) {
      TBitmap normal;
      MakeCaptionImage(&normal, Picture, SkinRect, false);
      SetCaptionFont(normal.Canvas(), Active ? ActiveFontColor : FontColor);
      DrawCaptionText(normal.Canvas(), TR, 0, 0, Active, ObjectRect);
      if (Parent->UseInActiveEffect() && !Active) ApplyInActiveEffect(&normal);
      Cnvs->Draw(ObjectRect.Left, ObjectRect.Top, &normal);
      return;
    }
  }
  SetCaptionFont(Cnvs, Active ? ActiveFontColor : FontColor);
  DrawCaptionText(Cnvs, TR, ObjectRect.Left, ObjectRect.Top, Active, ObjectRect);
}

void TspSkinCaptionObject::MouseDown(int X, int Y, TMouseButton Button) {
  if (!Parent->SupportNCArea() && Parent->NCDraggAble && Parent->WindowState() != wsMaximized)
    Parent->BeginDragging(X, Y);
  Parent->CallOnMouseDownEvent(IDName, X, Y, ObjectRect, Button);
  QuickMouseDown(X, Y, Button);
}

void TspSkinCaptionObject::MouseUp(int X, int Y, TMouseButton Button) {
  if (!Parent->SupportNCArea()) Parent->EndDragging();
  Parent->CallOnMouseUpEvent(IDName, X, Y, ObjectRect, Button);
  if (!Parent->SupportNCArea()) return;
  if (QuickMouseUp(X, Y, Button)) return;
  // A right click on a full layered border's caption opens the system menu.
  if (Button == mbRight && Parent->LayerBorderShown() && Parent->LayerFullBorder()) {
    Parent->FBorderLayer->MouseCaptureObject = -1;
    if (!Parent->DisableSystemMenu && ActiveQuickButton == -1 && Parent->MenuHandler) {
      POINT p;
      GetCursorPos(&p);
      Parent->MenuHandler->PopupSystemMenuAt(p.x, p.y);
    }
  }
}

void TspSkinCaptionObject::MouseMove(int X, int Y) {
  Parent->CallOnMouseMoveEvent(IDName, X, Y, ObjectRect);
  if (HasQuickButtons()) TestActiveQuickButton(X, Y);
}

void TspSkinCaptionObject::MouseEnter() {
  FMouseIn = true;
  Parent->CallOnMouseEnterEvent(IDName);
}

void TspSkinCaptionObject::MouseLeave() {
  FMouseIn = false;
  Parent->CallOnMouseLeaveEvent(IDName);
  if (HasQuickButtons()) {
    ActiveQuickButton = OldActiveQuickButton = -1;
    TestActiveQuickButton(-1, -1);
  }
}
