#include "skin/frame/SkinHint.h"

#include <algorithm>
#include <vector>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinDraw.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/FrameDrawing.h"

namespace {

// Which hint component put its window class in and hooked OnShowHint; only
// that one takes them back when it goes.
TspSkinHint* gClassOwner = nullptr;
TspSkinHint* gHookOwner = nullptr;



// Measures text in a font from an empty rectangle, as the hint lays out.
TSize MeasureIn(TFont* font, const std::string& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font->Handle()));
  std::u16string t = UTF8ToUTF16(text);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, W(t), static_cast<int>(t.size()), &r, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteDC(dc);
  return TSize{r.right - r.left, r.bottom - r.top};
}

void DrawTextIn(HDC dc, TFont* font, COLORREF color, const std::string& text, RECT r) {
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font->Handle()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  std::u16string t = UTF8ToUTF16(text);
  DrawTextW(dc, W(t), static_cast<int>(t.size()), &r, DT_NOPREFIX);
  SelectObject(dc, old);
}

bool ValidImage(TCustomImageList* list, int index) { return list && index >= 0 && index < list->Count(); }

}  // namespace

// ---------------------------------------------------------------------------
// TspSkinHintWindow

TspSkinHintWindow::TspSkinHintWindow(TComponent* owner) : THintWindow(owner), SI(std::make_unique<TBitmap>()) {}

TspSkinHintWindow::~TspSkinHintWindow() {
  SI.reset();
  // The window owned its region and took it along.
  FRgn = nullptr;
}

void TspSkinHintWindow::CreateParams(TCreateParams& params) {
  THintWindow::CreateParams(params);
  params.Style &= ~WS_BORDER;
  params.WinClassName = u"TspSkinHintWindow";
  if (IsWindowsXPOrLater()) {
    params.WindowClassStyle |= CS_DROPSHADOW;
    params.WinClassName = u"TspSkinHintWindowShadow";
  }
}

void TspSkinHintWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_NCPAINT:
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    default:
      THintWindow::WndProc(m);
  }
}

const TspDataSkinHintWindow* TspSkinHintWindow::Element() const { return FSD ? FSD->HintWindow.get() : nullptr; }

const TspPicture* TspSkinHintWindow::ElementPicture(int index) const {
  if (!FSD || index < 0 || index >= static_cast<int>(FSD->FActivePictures.size())) return nullptr;
  const TspPicture& p = FSD->FActivePictures[index];
  return p.Empty() ? nullptr : &p;
}

void TspSkinHintWindow::SetupFont(TFont* font) {
  const TspDataSkinHintWindow* e = Element();
  TFont* def = FspHint->DefaultFont();
  if (e && FspHint->UseSkinFont) {
    font->SetHeight(e->FontHeight);
    font->SetName(e->FontName);
    font->SetStyle(e->FontStyle);
  } else {
    font->Assign(def);
  }
  TspSkinData* sd = FspHint->SkinData();
  if (sd && sd->ResourceStrData())
    font->SetCharset(sd->ResourceStrData()->CharSet);
  else
    font->SetCharset(def->Charset());
}

bool TspSkinHintWindow::Prepare(bool extended) {
  AExtendedStyle = extended;
  FspHint = TspSkinHint::FindSkinHint();
  if (!FspHint || !FspHint->Active()) return false;
  TspSkinData* sd = FspHint->SkinData();
  FSD = nullptr;
  if (sd && !sd->Empty && sd->HintWindow && sd->HintWindow->WindowPictureIndex != -1) {
    FSD = sd;
    // An index past the picture list leaves nothing to draw: default look.
    if (!ElementPicture(sd->HintWindow->WindowPictureIndex)) FSD = nullptr;
  }
  SetupFont(&FFont);
  return true;
}

std::string TspSkinHintWindow::ReplaceLineSeparators(const std::string& text) const {
  const std::string& sep = FspHint->LineSeparator;
  if (sep.empty()) return text;
  // One forward pass: a separator made of line-break characters would
  // otherwise be found again in what replaced it.
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t at = text.find(sep, pos);
    if (at == std::string::npos) break;
    out.append(text, pos, at - pos);
    out += "\n\r";
    pos = at + sep.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

TSize TspSkinHintWindow::MeasureText(const std::string& text, bool bold) {
  if (!bold) return MeasureIn(&FFont, text);
  TFont f;
  f.Assign(&FFont);
  f.SetStyle(f.Style() | fsBold);
  return MeasureIn(&f, text);
}

void TspSkinHintWindow::FitSkinSize(int& w, int& h, bool extraMargin) {
  const TspDataSkinHintWindow& e = *Element();
  const TspPicture* pic = ElementPicture(e.WindowPictureIndex);
  int pw = pic->Width, ph = pic->Height;
  w += e.ClRect.Left + (pw - e.ClRect.Right) + (extraMargin ? 5 : 0);
  h += e.ClRect.Top + (ph - e.ClRect.Bottom);
  int dx = w - pw, dy = h - ph;
  // The window grows until the moved corners no longer cross the fixed ones.
  auto uncross = [](int& size, int& delta, int pictureSize, int fixed, int moved) {
    if (moved + delta >= fixed) return;
    size += fixed - (moved + delta);
    delta = size - pictureSize;
  };
  uncross(w, dx, pw, e.LTPoint.X, e.RTPoint.X);
  uncross(w, dx, pw, e.LBPoint.X, e.RBPoint.X);
  uncross(h, dy, ph, e.LTPoint.Y, e.LBPoint.Y);
  uncross(h, dy, ph, e.RTPoint.Y, e.RBPoint.Y);
  NewClRect = TRect{e.ClRect.Left, e.ClRect.Top, e.ClRect.Right + dx, e.ClRect.Bottom + dy};
  NewLTPoint = TPoint{e.LTPoint.X, e.LTPoint.Y};
  NewRTPoint = TPoint{e.RTPoint.X + dx, e.RTPoint.Y};
  NewLBPoint = TPoint{e.LBPoint.X, e.LBPoint.Y + dy};
  NewRBPoint = TPoint{e.RBPoint.X + dx, e.RBPoint.Y + dy};
}

TSize TspSkinHintWindow::CalcHintSize(const std::string& text) {
  TSize s = MeasureText(text);
  int w = s.cx, h = s.cy;
  if (!FSD) return TSize{w + 4, h + 4};
  FitSkinSize(w, h, true);
  return TSize{w, h};
}

TSize TspSkinHintWindow::CalcHintExSize(const std::string& text, const std::string& title, TCustomImageList* list,
                                        int index) {
  TSize s = MeasureText(text);
  int w = s.cx, h = s.cy, th = 0;
  if (!title.empty()) {
    TSize t = MeasureText(title);
    th = t.cy;
    h += th + 10;
    w = std::max(w, static_cast<int>(t.cx));
  }
  if (ValidImage(list, index)) {
    w += list->Width() + 10;
    h = std::max(h, list->Height() + th + 5);
  }
  if (!FSD) return TSize{w + 4, h + 4};
  w += 10;
  FitSkinSize(w, h, false);
  return TSize{w, h};
}

TRect TspSkinHintWindow::CalcHintRect(int, const std::string& hint) {
  if (!Prepare(false)) return TRect{0, 0, 0, 0};
  TSize s = CalcHintSize(ReplaceLineSeparators(hint));
  return TRect{0, 0, s.cx, s.cy};
}

void TspSkinHintWindow::ActivateHint(const TRect& rect, const std::string& hint) {
  if (!Prepare(false)) return;
  if (!FspHint->FHintTitle.empty() || FspHint->FHintImageList) {
    ActivateHintEx(rect, FspHint->FHintTitle, hint, FspHint->FHintImageIndex, FspHint->FHintImageList);
    return;
  }
  std::string text = ReplaceLineSeparators(hint);
  SetCaption(text);
  TSize s = CalcHintSize(text);
  Place(TRect{rect.Left, rect.Top, rect.Left + s.cx, rect.Top + s.cy});
}

void TspSkinHintWindow::ActivateHintFromRect(const TRect& rect, const std::string& hint, bool top) {
  if (!Prepare(false)) return;
  std::string text = ReplaceLineSeparators(hint);
  TSize s;
  if (!FspHint->FHintTitle.empty() || FspHint->FHintImageList) {
    // A title or picture set in between: the extended hint, placed the same way.
    AExtendedStyle = true;
    FTitle = FspHint->FHintTitle;
    FImageList = FspHint->FHintImageList;
    FImageIndex = FspHint->FHintImageIndex;
    s = CalcHintExSize(text, FTitle, FImageList, FImageIndex);
  } else {
    s = CalcHintSize(text);
  }
  SetCaption(text);
  int left = rect.Left + rect.Width() / 2 - s.cx / 2;
  int t = top ? rect.Top - s.cy : rect.Bottom;
  Place(TRect{left, t, left + s.cx, t + s.cy});
}

void TspSkinHintWindow::ActivateHintEx(const TRect& rect, const std::string& hintTitle, const std::string& hint,
                                       int imageIndex, TCustomImageList* imageList) {
  if (!Prepare(true)) return;
  // The window keeps what it was asked to show: painting later must not
  // depend on the component's pending fields, which another request may
  // already have changed or cleared.
  FTitle = hintTitle;
  FImageList = imageList;
  FImageIndex = imageIndex;
  std::string text = ReplaceLineSeparators(hint);
  SetCaption(text);
  TSize s = CalcHintExSize(text, hintTitle, imageList, imageIndex);
  Place(TRect{rect.Left, rect.Top, rect.Left + s.cx, rect.Top + s.cy});
}

void TspSkinHintWindow::Place(TRect r) {
  int w = r.Width(), h = r.Height();
  const TRect area = spPopupWorkArea();
  // Flip to the other side of the anchor point rather than clamp.
  if (area.Right < r.Right) {
    r.Left -= w + 2;
    r.Right -= w + 2;
  }
  if (area.Bottom < r.Bottom) {
    r.Top -= h + 2;
    r.Bottom -= h + 2;
  }
  HWND handle = Handle();
  SetBounds(r.Left, r.Top, w, h);
  ApplyAlpha();
  SetHintRegion();
  SetWindowPos(handle, HWND_TOPMOST, r.Left, r.Top, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  FVisible = true;
  Repaint();
  FadeIn();
}

void TspSkinHintWindow::ApplyAlpha() {
  HWND h = Handle();
  bool support = FspHint->AlphaBlendSupport(), ab = FspHint->AlphaBlend, anim = FspHint->AlphaBlendAnimation;
  uint8_t value = FspHint->AlphaBlendValue;
  if (ab != OldAlphaBlend && support) {
    LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (OldAlphaBlend) {
      SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    } else {
      SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
      if (!anim) SetWindowAlphaValue(h, value);
    }
    OldAlphaBlend = ab;
  }
  if (support && ab && anim) SetWindowAlphaValue(h, 0);
  if (value != OldAlphaBlendValue && support && ab) {
    if (!anim) SetWindowAlphaValue(h, value);
    OldAlphaBlendValue = value;
  }
  if (ab && !support) {
    SI->SetSize(Width(), Height());
    CopyScreenToBitmap(Left(), Top(), SI.get());
  }
}

void TspSkinHintWindow::FadeIn() {
  if (!FspHint->AlphaBlendSupport() || !FspHint->AlphaBlend || !FspHint->AlphaBlendAnimation) return;
  HWND h = Handle();
  int target = FspHint->AlphaBlendValue;
  int step = std::max(1, target / 10);
  int value = 0;
  double last = 0;
  while (value < target && IsWindow(h)) {
    double now = FineClockMs();
    if (now - last > 3) {
      last = now;
      value = std::min(value + step, target);
      Repaint();
      SetWindowAlphaValue(h, static_cast<uint8_t>(value));
    } else {
      Sleep(1);
    }
  }
}

void TspSkinHintWindow::SetHintRegion() {
  HWND h = Handle();
  const TspDataSkinHintWindow* e = Element();
  const TspPicture* mask = e ? ElementPicture(e->MaskPictureIndex) : nullptr;
  if (e && mask) {
    HRGN rgn = NinePartRegionFromMask(ImageSourceOf(mask), ToPOINT(e->LTPoint), ToPOINT(e->RTPoint),
                                      ToPOINT(e->LBPoint), ToPOINT(e->RBPoint), ToRECT(e->ClRect),
                                      ToPOINT(NewLTPoint), ToPOINT(NewRTPoint), ToPOINT(NewLBPoint),
                                      ToPOINT(NewRBPoint), ToRECT(NewClRect), Width(), Height());
    if (rgn) {
      // The window owns the region from here on and frees the old one; a
      // region it refused is freed here.
      if (SetWindowRgn(h, rgn, FALSE)) {
        FRgn = rgn;
        return;
      }
      DeleteObject(rgn);
    }
  }
  if (FRgn) {
    SetWindowRgn(h, nullptr, FALSE);
    FRgn = nullptr;
  }
}

void TspSkinHintWindow::PaintBackground(TspPaintBuffer& b) {
  if (FSD) {
    const TspDataSkinHintWindow& e = *Element();
    const TspPicture* pic = ElementPicture(e.WindowPictureIndex);
    TspNinePartSpec n = spElementNinePart(e, RECT{0, 0, pic->Width, pic->Height}, e.ClRect);
    n.NewLT = ToPOINT(NewLTPoint);
    n.NewRT = ToPOINT(NewRTPoint);
    n.NewLB = ToPOINT(NewLBPoint);
    n.NewRB = ToPOINT(NewRBPoint);
    n.NewClRect = ToRECT(NewClRect);
    DrawNinePart(b, ImageSourceOf(pic), n);
  } else {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_INFOBK));
    b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  }
}

void TspSkinHintWindow::PaintPlain(TspPaintBuffer& b) {
  if (FSD) {
    COLORREF color = static_cast<COLORREF>(ColorToRGB(Element()->FontColor)) & 0xFFFFFF;
    TSize s = MeasureText(Caption());
    int l = NewClRect.Left + NewClRect.Width() / 2 - s.cx / 2;
    int t = NewClRect.Top + NewClRect.Height() / 2 - s.cy / 2;
    DrawTextIn(b.DC(), &FFont, color, Caption(), RECT{l, t, l + s.cx, t + s.cy});
  } else {
    DrawTextIn(b.DC(), &FFont, GetSysColor(COLOR_INFOTEXT), Caption(), RECT{2, 2, Width() - 2, Height() - 2});
  }
}

void TspSkinHintWindow::PaintHintEx(TspPaintBuffer& b) {
  bool picture = ValidImage(FImageList, FImageIndex);
  bool titled = !FTitle.empty();
  COLORREF color = FSD ? static_cast<COLORREF>(ColorToRGB(Element()->FontColor)) & 0xFFFFFF
                       : GetSysColor(COLOR_INFOTEXT);
  TFont bold;
  bold.Assign(&FFont);
  bold.SetStyle(bold.Style() | fsBold);
  // The text goes in the remaining style once the bold is taken out.
  TFont plain;
  plain.Assign(&FFont);
  plain.SetStyle(plain.Style() & ~fsBold);
  int a = 0;
  TSize ts = MeasureIn(&plain, Caption());
  if (FSD) {
    TRect cl = NewClRect;
    if (titled) {
      TSize t = MeasureIn(&bold, FTitle);
      DrawTextIn(b.DC(), &bold, color, FTitle, RECT{cl.Left + 5, cl.Top, cl.Left + 5 + t.cx, cl.Top + t.cy});
      a = t.cy + 5;
    }
    int x = cl.Left + 5;
    if (picture) {
      int y = titled ? cl.Top + a : cl.Top + cl.Height() / 2 - FImageList->Height() / 2;
      FImageList->Draw(b.Canvas(), x, y, FImageIndex, true);
      x += FImageList->Width() + 5;
    }
    int y = titled ? cl.Top + a : cl.Top + cl.Height() / 2 - ts.cy / 2;
    DrawTextIn(b.DC(), &plain, color, Caption(), RECT{x, y, x + ts.cx, y + ts.cy});
  } else {
    RECT r{2, 2, Width() - 2, Height() - 2};
    if (titled) {
      TSize t = MeasureIn(&bold, FTitle);
      DrawTextIn(b.DC(), &bold, color, FTitle, RECT{2, 2, 2 + t.cx, 2 + t.cy});
      a = t.cy + 5;
    }
    int x = 0;
    if (picture) {
      int y = titled ? a : r.top + (r.bottom - r.top) / 2 - FImageList->Height() / 2;
      FImageList->Draw(b.Canvas(), 2, y, FImageIndex, true);
      x = 2 + FImageList->Width() + 5;
    }
    DrawTextIn(b.DC(), &plain, color, Caption(), RECT{r.left + x, r.top + a, r.right, r.bottom});
  }
}

void TspSkinHintWindow::Paint() {
  int w = Width(), h = Height();
  // The component of the activation may be gone since: paint only for the
  // one that is still in charge.
  if (w <= 0 || h <= 0 || !FspHint || FspHint != TspSkinHint::FindSkinHint()) return;
  // The settings may have changed since the activation (font, skin).
  if (FSD && FSD != FspHint->SkinData()) FSD = nullptr;
  TspPaintBuffer b(w, h);
  PaintBackground(b);
  if (AExtendedStyle)
    PaintHintEx(b);
  else
    PaintPlain(b);
  if (FspHint->AlphaBlend && !FspHint->AlphaBlendSupport() && !SI->Empty() && SI->Width() == w &&
      SI->Height() == h) {
    TspPaintBuffer screen(w, h);
    BitBlt(screen.DC(), 0, 0, w, h, SI->DC(), 0, 0, SRCCOPY);
    b.MorphTo(screen, 1.0 - FspHint->AlphaBlendValue / 255.0);
  }
  b.DrawTo(PaintDC(), 0, 0);
}

// ---------------------------------------------------------------------------
// TspSkinHint

TspSkinHint::TspSkinHint(TComponent* owner) : TComponent(owner) {
  HW.Set(new TspSkinHintWindow(this));
  HW->SetVisible(false);
  HintWindowClass = MakeHintWindowClass<TspSkinHintWindow>();
  gClassOwner = this;
  if (TApplicationHints* ah = ApplicationHints()) {
    // Turning hints off and on again replaces the application's hint
    // window by one of the new class (or leaves hints off as they were).
    ah->SetShowHint(!ah->ShowHint());
    ah->SetShowHint(!ah->ShowHint());
    ah->OnShowHint = [this](std::string& s, bool& c, THintInfo& i) { AppShowHint(s, c, i); };
    gHookOwner = this;
    ah->HintShortPause = 100;
  }
}

TspSkinHint::~TspSkinHint() {
  FHintTimer.Stop();
  TApplicationHints* ah = ExistingApplicationHints();
  // Give back what is still ours, so that nothing calls into a freed component.
  if (gHookOwner == this) {
    gHookOwner = nullptr;
    if (ah) ah->OnShowHint = nullptr;
  }
  if (gClassOwner == this) {
    gClassOwner = nullptr;
    HintWindowClass = MakeHintWindowClass<THintWindow>();
    if (ah) {
      ah->SetShowHint(!ah->ShowHint());
      ah->SetShowHint(!ah->ShowHint());
    }
  }
  TspSkinHintWindow* w = HW;
  HW.Set(nullptr);
  delete w;
}

void TspSkinHint::SetSkinData(TspSkinData* value) { FSD.Set(value); }

void TspSkinHint::SetAlphaBlendSupport(bool value) { FAlphaBlendSupport = value && IsWindows2000OrLater(); }

void TspSkinHint::SetActive(bool value) {
  FActive = value;
  TForm* main = Application ? Application->MainForm() : nullptr;
  if (value && main) {
    for (int i = 0; i < main->ComponentCount(); ++i) {
      auto* other = dynamic_cast<TspSkinHint*>(main->Components(i));
      if (other && other != this && other->Active()) other->SetActive(false);
    }
  }
  if (FActive) {
    if (TApplicationHints* ah = ApplicationHints()) {
      ah->OnShowHint = [this](std::string& s, bool& c, THintInfo& i) { AppShowHint(s, c, i); };
      gHookOwner = this;
    }
  }
}

TspSkinHint* TspSkinHint::FindSkinHint() {
  TForm* main = Application ? Application->MainForm() : nullptr;
  if (!main) return nullptr;
  for (int i = 0; i < main->ComponentCount(); ++i)
    if (auto* h = dynamic_cast<TspSkinHint*>(main->Components(i)))
      if (h->Active()) return h;
  return nullptr;
}

void TspSkinHint::AppShowHint(std::string& hintStr, bool& canShow, THintInfo& hintInfo) {
  FHintTitle.clear();
  FHintImageIndex = 0;
  FHintImageList = nullptr;
  if (auto* c = dynamic_cast<TspSkinControlT<TCustomControl>*>(hintInfo.HintControl)) {
    FHintTitle = c->HintTitle;
    FHintImageIndex = c->HintImageIndex;
    FHintImageList = c->HintImageList();
  } else if (auto* g = dynamic_cast<TspSkinControlT<TGraphicControl>*>(hintInfo.HintControl)) {
    FHintTitle = g->HintTitle;
    FHintImageIndex = g->HintImageIndex;
    FHintImageList = g->HintImageList();
  }
  if (OnShowHint) OnShowHint(hintStr, canShow, hintInfo);
}

void TspSkinHint::ActivateHint(POINT p, const std::string& hint) {
  FHintTitle.clear();
  FHintImageList = nullptr;
  FHintImageIndex = 0;
  if (!HW) return;
  HW->ActivateHint(TRect{p.x, p.y, p.x, p.y}, hint);
}

void TspSkinHint::ActivateHintEx(POINT p, const std::string& hintTitle, const std::string& hint, int imageIndex,
                                 TCustomImageList* imageList) {
  if (!HW) return;
  HW->ActivateHintEx(TRect{p.x, p.y, p.x, p.y}, hintTitle, hint, imageIndex, imageList);
}

static unsigned HintPauseMs() {
  TApplicationHints* ah = ApplicationHints();
  return ah ? ah->HintPause : 500;
}

static unsigned HintHidePauseMs() {
  TApplicationHints* ah = ApplicationHints();
  return ah ? ah->HintHidePause : 2500;
}

void TspSkinHint::ActivateHint2(const std::string& hint) {
  FHintTimer.Stop();
  HintText = hint;
  FHintTitle.clear();
  FHintImageList = nullptr;
  FHintImageIndex = 0;
  FHintTimer.Start(HintPauseMs(), [this] { ShowHintOnTimer(); });
}

void TspSkinHint::ActivateHintEx2(const std::string& hintTitle, const std::string& hint, int imageIndex,
                                  TCustomImageList* imageList) {
  FHintTimer.Stop();
  HintText = hint;
  FHintTitle = hintTitle;
  FHintImageIndex = imageIndex;
  FHintImageList = imageList;
  FHintTimer.Start(HintPauseMs(), [this] { ShowHintExOnTimer(); });
}

void TspSkinHint::ActivateHint3(const TRect& fromRect, const std::string& hint, bool top) {
  FromRect = fromRect;
  Top = top;
  FHintTimer.Stop();
  HintText = hint;
  FHintTitle.clear();
  FHintImageList = nullptr;
  FHintImageIndex = 0;
  FHintTimer.Start(HintPauseMs(), [this] { ShowHintFromRectOnTimer(); });
}

POINT TspSkinHint::CursorBelow() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  p.y += GetCursorHeightMargin();
  return p;
}

void TspSkinHint::ArmHide() {
  FHintTimer.Start(HintHidePauseMs(), [this] { HideHint(); });
}

void TspSkinHint::ShowHintOnTimer() {
  if (!FHintTimer.Active() || !HW) return;
  POINT p = CursorBelow();
  HW->ActivateHint(TRect{p.x, p.y, p.x, p.y}, HintText);
  ArmHide();
}

void TspSkinHint::ShowHintExOnTimer() {
  if (!FHintTimer.Active() || !HW) return;
  POINT p = CursorBelow();
  HW->ActivateHintEx(TRect{p.x, p.y, p.x, p.y}, FHintTitle, HintText, FHintImageIndex, FHintImageList);
  ArmHide();
}

void TspSkinHint::ShowHintFromRectOnTimer() {
  if (!FHintTimer.Active() || !HW) return;
  HW->ActivateHintFromRect(FromRect, HintText, Top);
  ArmHide();
}

void TspSkinHint::HideHint() {
  FHintTimer.Stop();
  if (HW && HW->HintShowing()) {
    HW->SetVisible(false);
    SetWindowPos(HW->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
    FHintTitle.clear();
    FHintImageList = nullptr;
    FHintImageIndex = 0;
  }
}

bool TspSkinHint::IsVisible() const { return HW && HW->HintShowing(); }

int TspSkinHint::GetCursorHeightMargin() const {
  const int fallback = GetSystemMetrics(SM_CYCURSOR);
  int result = fallback;
  ICONINFO ii{};
  HCURSOR cursor = GetCursor();
  if (!cursor || !GetIconInfo(cursor, &ii)) return result;
  HDC dc = GetDC(nullptr);
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
  } info{};
  info.h.biSize = sizeof(BITMAPINFOHEADER);
  if (ii.hbmMask && GetDIBits(dc, ii.hbmMask, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) &&
      info.h.biBitCount == 1 && info.h.biWidth > 0 && info.h.biHeight != 0) {
    int width = info.h.biWidth, height = std::abs(info.h.biHeight);
    int bytesPerScanline = ((width * info.h.biBitCount + 31) / 32) * 4;
    info.h.biHeight = height;  // bottom-up: the last bytes hold the top rows
    info.h.biCompression = BI_RGB;
    std::vector<uint8_t> bits(size_t(bytesPerScanline) * size_t(height), 0);
    if (GetDIBits(dc, ii.hbmMask, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)) {
      // The mask may hold the AND and XOR pictures one above the other, so
      // the width stands for the height of one picture; never past the bits.
      size_t imageSize = std::min(bits.size(), size_t(width) * size_t(bytesPerScanline));
      const uint8_t* p = bits.data() + (bits.size() - imageSize);
      auto findScanline = [](const uint8_t* src, size_t len, uint8_t value) -> size_t {
        for (size_t i = 0; i < len; ++i)
          if (src[i] != value) return len - i;
        return 0;
      };
      size_t n = findScanline(p, imageSize, 0xFF);
      if (n == 0 && height >= 2 * width && size_t(p - bits.data()) >= imageSize)
        n = findScanline(p - imageSize, imageSize, 0x00);
      int r = static_cast<int>(n / size_t(bytesPerScanline)) - static_cast<int>(ii.yHotspot);
      result = std::max(0, std::min(fallback, r));
    }
  }
  ReleaseDC(nullptr, dc);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return result;
}
