#include "skin/controls/SkinTabs.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/controls/SkinDraw.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

namespace {

constexpr COLORREF kHotFill = RGB(182, 189, 210);
constexpr COLORREF kDownFill = RGB(133, 146, 181);
constexpr COLORREF kNavy = RGB(0, 0, 128);


int RW(const RECT& r) { return r.right - r.left; }
int RH(const RECT& r) { return r.bottom - r.top; }

// `src` of the picture repeated over `dst`; the last tiles are cut.
void Tile(TspPaintBuffer& b, const TspImageSource& pic, const RECT& src, const RECT& dst) {
  int sw = RW(src), sh = RH(src);
  if (sw <= 0 || sh <= 0 || pic.Empty()) return;
  for (int y = dst.top; y < dst.bottom; y += sh)
    for (int x = dst.left; x < dst.right; x += sw) {
      int w = std::min<int>(sw, dst.right - x), h = std::min<int>(sh, dst.bottom - y);
      DrawPiece(b, pic, RECT{src.left, src.top, src.left + w, src.top + h}, RECT{x, y, x + w, y + h});
    }
}

// `src` laid over `dst` by the stretch rules of the backgrounds: stretched
// (full), stretched to the height and repeated across (horizontal), to
// the width and repeated downward (vertical); tiled without stretching.
void LayBackground(TspPaintBuffer& b, const TspImageSource& pic, const RECT& src, const RECT& dst, bool stretch,
                   TspStretchType type) {
  if (!stretch) {
    Tile(b, pic, src, dst);
    return;
  }
  int sw = RW(src), sh = RH(src);
  if (sw <= 0 || sh <= 0) return;
  switch (type) {
    case spstFull:
      DrawPiece(b, pic, src, dst);
      break;
    case spstHorz:
      for (int x = dst.left; x < dst.right; x += sw) {
        int w = std::min<int>(sw, dst.right - x);
        DrawPiece(b, pic, RECT{src.left, src.top, src.left + w, src.bottom}, RECT{x, dst.top, x + w, dst.bottom});
      }
      break;
    case spstVert:
      for (int y = dst.top; y < dst.bottom; y += sh) {
        int h = std::min<int>(sh, dst.bottom - y);
        DrawPiece(b, pic, RECT{src.left, src.top, src.right, src.top + h}, RECT{dst.left, y, dst.right, y + h});
      }
      break;
  }
}

// The buffer turned a quarter: clockwise or counter-clockwise.
std::unique_ptr<TspPaintBuffer> Turn(const TspPaintBuffer& b, bool clockwise) {
  int w = b.Width(), h = b.Height();
  auto out = std::make_unique<TspPaintBuffer>(h, w);
  GdiFlush();
  const uint32_t* s = b.Bits();
  uint32_t* d = out->Bits();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Clockwise: (x, y) -> (h - 1 - y, x); counter-clockwise: (y, w - 1 - x).
      int nx = clockwise ? h - 1 - y : y;
      int ny = clockwise ? x : w - 1 - x;
      d[ny * h + nx] = s[y * w + x];
    }
  return out;
}

void FlipVertically(TspPaintBuffer& b) {
  GdiFlush();
  uint32_t* p = b.Bits();
  int w = b.Width(), h = b.Height();
  for (int y = 0; y < h / 2; ++y) std::swap_ranges(p + y * w, p + y * w + w, p + (h - 1 - y) * w);
}

void DrawCross(HDC dc, int x, int y, COLORREF color) {
  // A small cross of two 2-pixel diagonals, 8 x 8.
  for (int i = 0; i < 8; ++i) {
    for (int t = 0; t < 2; ++t) {
      SetPixel(dc, x + i + t, y + i, color);
      SetPixel(dc, x + 7 - i + t, y + i, color);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TspSkinCustomTabSheet

TspSkinCustomTabSheet::TspSkinCustomTabSheet(TComponent* owner) : TTabSheet(owner) {}

TspSkinCustomTabSheet::~TspSkinCustomTabSheet() { SetPageControl(nullptr); }

void TspSkinCustomTabSheet::CreateParams(TCreateParams& p) {
  TTabSheet::CreateParams(p);
  p.WinClassName = u"TspSkinTabSheet";
}

void TspSkinCustomTabSheet::SetWallPaper(const TBitmap* value) {
  if (value)
    FWallPaper.Assign(value);
  else
    FWallPaper.SetSize(0, 0);
  Invalidate();
}

void TspSkinCustomTabSheet::PaintSheetBackground(HDC dc) {
  auto* pc = dynamic_cast<TspSkinPageControl*>(FPageControl);
  int w = Width(), h = Height();
  if (!pc || w <= 0 || h <= 0) return;
  pc->GetSkinData();
  TspPaintBuffer b(w, h);
  if (!FWallPaper.Empty() && FWallPaper.Width() > 0 && FWallPaper.Height() > 0) {
    for (int y = 0; y < h; y += FWallPaper.Height())
      for (int x = 0; x < w; x += FWallPaper.Width())
        BitBlt(b.DC(), x, y, FWallPaper.Width(), FWallPaper.Height(), FWallPaper.DC(), 0, 0, SRCCOPY);
  } else if (pc->FIndex != -1 && pc->BGPictureIndex != -1 && pc->FSD &&
             pc->BGPictureIndex < static_cast<int>(pc->FSD->FActivePictures.size())) {
    const TspPicture& bg = pc->FSD->FActivePictures[static_cast<size_t>(pc->BGPictureIndex)];
    LayBackground(b, ImageSourceOf(&bg), RECT{0, 0, bg.Width, bg.Height}, b.ClientRect(), pc->StretchEffect,
                  pc->StretchType);
  } else if (pc->FIndex == -1 || !pc->Picture) {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
  } else {
    const RECT& sr = pc->SkinRect;
    const RECT& cl = pc->ClRect;
    RECT client{sr.left + cl.left, sr.top + cl.top, sr.left + cl.right, sr.top + cl.bottom};
    // Stretched to the sheet's own size, like every other background.
    LayBackground(b, ImageSourceOf(pc->Picture), client, b.ClientRect(), pc->StretchEffect, pc->StretchType);
  }
  b.DrawTo(dc, 0, 0);
}

void TspSkinCustomTabSheet::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (FPageControl && m.WParam) PaintSheetBackground(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case SP_PAINTCOPY:
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    case WM_SIZE: {
      TTabSheet::WndProc(m);
      Invalidate();
      auto* pc = dynamic_cast<TspSkinPageControl*>(FPageControl);
      if (pc && pc->FSD && !pc->FSD->Empty && pc->StretchEffect)
        for (int i = 0; i < ControlCount(); ++i)
          if (auto* w = dynamic_cast<TWinControl*>(Controls(i)))
            if (w->HandleAllocated()) SendMessageW(w->HandleIfAllocated(), SP_CHECKBACKGROUND, 0, 0);
      return;
    }
    default:
      break;
  }
  TTabSheet::WndProc(m);
}

// ---------------------------------------------------------------------------
// TspSkinPageControl

TspSkinPageControl::TspSkinPageControl(TComponent* owner) : TspSkinDataHolder(owner, "tab") {
  FDefaultFont.Name = "Arial";
  FDefaultFont.Height = 14;
  FDefaultFont.Color = GetSysColor(COLOR_BTNTEXT);
  FTempImages = ImageList_Create(1, 1, ILC_COLOR32, 1, 1);
  // The system control reserves room in each tab for this list: for the
  // tab images and the close buttons the skin code draws.
  SetImagesHandle(FTempImages);
}

TspSkinPageControl::~TspSkinPageControl() {
  FreeScroller();
  if (HWND h = HandleIfAllocated()) SendMessageW(h, TCM_SETIMAGELIST, 0, 0);
  if (FTempImages) ImageList_Destroy(FTempImages);
}

void TspSkinPageControl::CreateWindowHandle(const TCreateParams& params) {
  TPageControl::CreateWindowHandle(params);
  GetSkinData();
  int height = TabHeight() > 0 ? TabHeight() : (FIndex == -1 ? FDefaultItemHeight : RH(SkinTabRect));
  if (FHideTabs) height = 1;
  SetItemSize(TabWidth(), height);
}

TspDataSkinTabControl* TspSkinPageControl::TabElement() const {
  return dynamic_cast<TspDataSkinTabControl*>(FSD.Element(FIndex));
}

void TspSkinPageControl::GetSkinData() {
  BGPictureIndex = -1;
  FIndex = FSD.ControlIndex(FSkinDataName);
  TspDataSkinTabControl* e = TabElement();
  if (!e) {
    FIndex = -1;
    Picture = nullptr;
    return;
  }
  Picture = FSD.Picture(e->PictureIndex);
  SkinRect = ToRECT(e->SkinRect);
  ClRect = ToRECT(e->ClRect);
  SkinTabRect = ToRECT(e->TabRect);
  ActiveTabRect = IsEmptyRECT(ToRECT(e->ActiveTabRect)) ? SkinTabRect : ToRECT(e->ActiveTabRect);
  FocusTabRect = IsEmptyRECT(ToRECT(e->FocusTabRect)) ? ToRECT(e->ActiveTabRect) : ToRECT(e->FocusTabRect);
  if (IsEmptyRECT(FocusTabRect)) FocusTabRect = ActiveTabRect;
  MouseInTabRect = ToRECT(e->MouseInTabRect);
  TabsBGRect = ToRECT(e->TabsBGRect);
  LTPoint = POINT{e->LTPoint.X, e->LTPoint.Y};
  RTPoint = POINT{e->RTPoint.X, e->RTPoint.Y};
  LBPoint = POINT{e->LBPoint.X, e->LBPoint.Y};
  RBPoint = POINT{e->RBPoint.X, e->RBPoint.Y};
  TabLeftOffset = e->TabLeftOffset;
  TabRightOffset = e->TabRightOffset;
  SkinFont = SkinFontDesc(e->FontName, e->FontHeight, static_cast<uint8_t>(e->FontStyle), e->FontColor);
  FontColor = static_cast<COLORREF>(e->FontColor) & 0xFFFFFF;
  ActiveFontColor = static_cast<COLORREF>(e->ActiveFontColor) & 0xFFFFFF;
  FocusFontColor = static_cast<COLORREF>(e->FocusFontColor) & 0xFFFFFF;
  MouseInFontColor = static_cast<COLORREF>(e->MouseInFontColor) & 0xFFFFFF;
  UpDown = e->UpDown;
  BGPictureIndex = e->BGPictureIndex;
  TabStretchEffect = e->TabStretchEffect;
  ShowFocus = e->ShowFocus;
  FocusOffsetX = e->FocusOffsetX;
  FocusOffsetY = e->FocusOffsetY;
  StretchEffect = e->StretchEffect;
  StretchType = e->StretchType;
  CloseButtonRect = ToRECT(e->CloseButtonRect);
  ClosebuttonActiveRect = IsEmptyRECT(ToRECT(e->CloseButtonActiveRect)) ? CloseButtonRect : ToRECT(e->CloseButtonActiveRect);
  CloseButtonDownRect = IsEmptyRECT(ToRECT(e->CloseButtonDownRect)) ? ClosebuttonActiveRect : ToRECT(e->CloseButtonDownRect);
  ButtonTransparent = e->ButtonTransparent;
  ButtonTransparentColor = static_cast<COLORREF>(e->ButtonTransparentColor) & 0xFFFFFF;
  TabLeftBottomActiveRect = ToRECT(e->TabLeftBottomActiveRect);
  TabLeftBottomFocusRect =
      IsEmptyRECT(ToRECT(e->TabLeftBottomFocusRect)) ? TabLeftBottomActiveRect : ToRECT(e->TabLeftBottomFocusRect);
}

void TspSkinPageControl::SetTempImagesWidth(int width) {
  bool vertical = TabPosition() == tpLeft || TabPosition() == tpRight;
  int w = std::max(1, vertical ? FTempImagesWidth : width);
  int h = std::max(1, vertical ? width : FTempImagesHeight);
  FTempImagesWidth = vertical ? FTempImagesWidth : w;
  FTempImagesHeight = vertical ? h : FTempImagesHeight;
  ImageList_SetIconSize(FTempImages, FTempImagesWidth, FTempImagesHeight);
  // The system control measures its tabs again with the new list.
  SetImagesHandle(FTempImages);
  UpdateTabs();
}

void TspSkinPageControl::ChangeSkinData() {
  GetSkinData();
  if (FShowCloseButtons) {
    int extra = (FIndex == -1 || IsEmptyRECT(CloseButtonRect)) ? 14 : RW(CloseButtonRect);
    bool vertical = TabPosition() == tpLeft || TabPosition() == tpRight;
    int size = vertical ? FTempImagesHeight : FTempImagesWidth;
    size = size - FCloseSize + extra;
    FCloseSize = extra;
    SetTempImagesWidth(size);
  }
  int height;
  if (FIndex == -1)
    height = TabHeight() > 0 ? TabHeight() : FDefaultItemHeight;
  else
    height = TabHeight() > 0 ? TabHeight() : RH(SkinTabRect);
  if (FHideTabs) height = 1;
  SetItemSize(TabWidth(), height);
  RebuildScroller();
  Realign();
  Invalidate();
  if (ActivePage()) ActivePage()->Invalidate();
}

void TspSkinPageControl::Loaded() {
  TPageControl::Loaded();
  GetSkinData();
  if (FIndex == -1) {
    SetItemSize(TabWidth(), TabHeight() > 0 ? TabHeight() : FDefaultItemHeight);
    UpdateTabScroller();
    Realign();
  }
}

void TspSkinPageControl::SetTabExtededDraw(bool value) {
  FTabExtendedDraw = value;
  Invalidate();
}

void TspSkinPageControl::SetTabMargin(int value) {
  if (value < -1 || value == FTabMargin) return;
  FTabMargin = value;
  Invalidate();
}

void TspSkinPageControl::SetTabSpacing(int value) {
  if (value == FTabSpacing) return;
  FTabSpacing = value;
  Invalidate();
}

void TspSkinPageControl::SetTabLayout(TspButtonLayout value) {
  if (value == FTabLayout) return;
  FTabLayout = value;
  Invalidate();
}

void TspSkinPageControl::SetTextInHorizontal(bool value) {
  FTextInHorizontal = value;
  Invalidate();
}

void TspSkinPageControl::SetTabsInCenter(bool value) {
  if (TabWidth() == 0) {
    FTabsInCenter = false;
    return;
  }
  FTabsInCenter = value;
  if (value) {
    SetTabPosition(tpTop);
    SetMultiLine(false);
    FTabsBGTransparent = true;
  }
  Invalidate();
}

void TspSkinPageControl::SetTabsOffset(int value) {
  FTabsOffset = value;
  if (value > 0) {
    SetTabPosition(tpTop);
    SetMultiLine(false);
    FTabsBGTransparent = true;
  }
  Invalidate();
}

void TspSkinPageControl::SetShowCloseButtons(bool value) {
  if (value != FShowCloseButtons) {
    FShowCloseButtons = value;
    bool vertical = TabPosition() == tpLeft || TabPosition() == tpRight;
    int size = vertical ? FTempImagesHeight : FTempImagesWidth;
    SetTempImagesWidth(value ? size + FCloseSize : size - FCloseSize);
  }
  Invalidate();
}

void TspSkinPageControl::SetTabsBGTransparent(bool value) {
  if (value == FTabsBGTransparent) return;
  FTabsBGTransparent = value;
  Invalidate();
}

void TspSkinPageControl::SetDefaultItemHeight(int value) {
  FDefaultItemHeight = value;
  GetSkinData();
  if (FIndex == -1) {
    SetItemSize(TabWidth(), value);
    UpdateTabScroller();
    Realign();
  }
}

void TspSkinPageControl::SetImages(TCustomImageList* value) {
  bool vertical = TabPosition() == tpLeft || TabPosition() == tpRight;
  int size = vertical ? FTempImagesHeight : FTempImagesWidth;
  if (FImages) size -= vertical ? FImages->Height() : FImages->Width();
  FImages.Set(value);
  if (FImages) size += vertical ? FImages->Height() : FImages->Width();
  SetTempImagesWidth(size);
  Invalidate();
}

void TspSkinPageControl::UpDateTabs() {
  GetSkinData();
  int height = TabHeight() > 0 ? TabHeight() : (FIndex == -1 ? FDefaultItemHeight : RH(SkinTabRect));
  SetItemSize(TabWidth(), height);
  if (MultiLine()) FreeScroller();
  Realign();
}

void TspSkinPageControl::HideTabs() {
  if (FOldTabHeight != -1) return;
  bool anyTab = false;
  for (int i = 0; i < PageCount(); ++i) anyTab = anyTab || Pages(i)->TabVisible();
  if (!anyTab) return;
  FOldTabPosition = TabPosition();
  FOldMultiLine = MultiLine();
  if (TabPosition() == tpLeft || TabPosition() == tpRight) SetTabPosition(tpTop);
  SetMultiLine(false);
  FOldTabHeight = TabHeight();
  FHideTabs = true;
  SetTabHeight(1);
  FreeScroller();
  Realign();
  Invalidate();
}

void TspSkinPageControl::ShowTabs() {
  if (FOldTabHeight == -1) return;
  FHideTabs = false;
  SetTabPosition(FOldTabPosition);
  SetMultiLine(FOldMultiLine);
  FTabHeight = -1;  // forces the item size to be set again
  SetTabHeight(FOldTabHeight);
  GetSkinData();
  if (TabHeight() <= 0) SetItemSize(TabWidth(), FIndex != -1 ? RH(SkinTabRect) : FDefaultItemHeight);
  FOldTabHeight = -1;
  if (!MultiLine()) UpdateTabScroller();
  Realign();
  Invalidate();
}

void TspSkinPageControl::HideBorderAndTabs() {
  SetTabPosition(tpTop);
  FHideTabs = true;
  FHideBorder = true;
  SetItemSize(TabWidth(), 1);
  FreeScroller();
  Realign();
  Invalidate();
}

void TspSkinPageControl::ShowBorderAndTabs() {
  FHideBorder = false;
  FHideTabs = false;
  if (FOldTabHeight != -1)
    ShowTabs();
  else
    UpDateTabs();
  Realign();
  Invalidate();
}

TTabSheet* TspSkinPageControl::PageOfTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabIndex() == tabIndex) return Pages(i);
  return nullptr;
}

int TspSkinPageControl::CalcTabsOffset() {
  if (FTabsOffset > 0) return FTabsOffset;
  if (TabWidth() == 0) return 0;
  int sum = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) sum += TabWidth();
  return std::max(0, Width() / 2 - sum / 2);
}

int TspSkinPageControl::ScrolledOffCount() {
  int n = 0, tabs = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) ++tabs;
  for (int i = 0; i < tabs; ++i) {
    RECT r = TPageControl::TabRect(i);
    // A tab the control gives no place for is not one scrolled off.
    if (!IsRectEmpty(&r) && r.right <= 0) ++n;
  }
  return n;
}

void TspSkinPageControl::FreeScroller() {
  if (!FSkinUpDown) return;
  TspSkinUpDown* s = FSkinUpDown;
  FSkinUpDown = nullptr;
  delete s;
}

void TspSkinPageControl::RebuildScroller() {
  FreeScroller();
  UpdateTabScroller();
}

void TspSkinPageControl::UpdateTabScroller() {
  HWND h = HandleIfAllocated();
  if (!h || FInScroller) return;
  FInScroller = true;
  // The system's own scroller gives way to the skinned one.
  if (HWND sys = FindWindowExW(h, nullptr, W(u"msctls_updown32"), nullptr)) DestroyWindow(sys);
  int tabs = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) ++tabs;
  // The window's own width: inside WM_SIZE the bounds are not taken yet.
  RECT client;
  GetClientRect(h, &client);
  int width = client.right;
  int hidden = 0;
  for (int i = 0; i < tabs; ++i) {
    RECT r = TPageControl::TabRect(i);
    if (r.right > width - 3 || r.right <= 0) ++hidden;
  }
  if (hidden == 0 || MultiLine()) {
    FreeScroller();
    FInScroller = false;
    return;
  }
  if (!FSkinUpDown && !FHideTabs) {
    FSkinUpDown = new TspSkinUpDown(this);
    FSkinUpDown->SetOrientation(udHorizontal);
    FSkinUpDown->SetUseSkinSize(true);
    FSkinUpDown->SetBounds(0, 0, 2 * FDefaultItemHeight, FDefaultItemHeight);
    FSkinUpDown->SetMin(0);
    FSkinUpDown->SetMax(hidden);
    FSkinUpDown->Increment = 1;
    FSkinUpDown->SetSkinDataName(UpDown.empty() ? "hupdown" : UpDown);
    FSkinUpDown->SetParent(this);
    FSkinUpDown->SetSkinData(FSD);
    int off = ScrolledOffCount();
    if (off > 0) FSkinUpDown->SetPosition(std::min(off, hidden));
    FSkinUpDown->OnChange = [this](TObject*) {
      if (!FSkinUpDown) return;
      if (HWND w = HandleIfAllocated())
        SendMessageW(w, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, FSkinUpDown->Position()), 0);
    };
  }
  if (FSkinUpDown) {
    FSkinUpDown->SetMax(hidden);
    RECT area = DisplayRect();
    int uw = FSkinUpDown->Width(), uh = FSkinUpDown->Height();
    int top;
    if (TabPosition() == tpTop)
      top = FIndex == -1 ? 0 : std::max(0, static_cast<int>(area.top - uh - ClRect.top));
    else if (FIndex == -1)
      top = static_cast<int>(client.bottom) - uh;
    else
      top = std::min(static_cast<int>(client.bottom) - uh, static_cast<int>(SkinRect.bottom - SkinRect.top - ClRect.bottom + area.bottom));
    FSkinUpDown->SetBounds(width - uw, top, uw, uh);
    FSkinUpDown->SetVisible(true);
    FSkinUpDown->BringToFront();
  }
  FInScroller = false;
}

void TspSkinPageControl::Change() {
  if (FSkinUpDown) {
    int off = ScrolledOffCount();
    if (off >= FSkinUpDown->Min() && off <= FSkinUpDown->Max()) {
      TNotifyEvent saved = FSkinUpDown->OnChange;
      FSkinUpDown->OnChange = nullptr;
      FSkinUpDown->SetPosition(off);
      FSkinUpDown->OnChange = saved;
    }
  }
  TPageControl::Change();
  Invalidate();
  if (ActivePage()) ActivePage()->Invalidate();
}

bool TspSkinPageControl::DoMouseWheel(TShiftState, int wheelDelta, POINT) {
  if (!MouseWheelSupport || !Focused() || !ActivePage()) return false;
  int i = ActivePage()->PageIndex();
  // Forward or back to the next page with a tab; the ends stay ends.
  int step = wheelDelta < 0 ? 1 : -1;
  for (int j = i + step; j >= 0 && j < PageCount(); j += step) {
    if (Pages(j)->TabVisible()) {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      if (!allow) break;
      SetActivePage(Pages(j));
      Change();
      break;
    }
  }
  return true;
}

RECT TspSkinPageControl::GetActiveTabRect() {
  int index = TabIndex();
  int tabs = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) ++tabs;
  if (index < 0 || index >= tabs || PageCount() == 0 || !ActivePage()) return RECT{};
  RECT r = TPageControl::TabRect(index);
  int d = FIndex == -1 ? 0 : RH(ActiveTabRect) - RH(SkinTabRect);
  switch (TabPosition()) {
    case tpTop: r.bottom += d; break;
    case tpBottom: r.top -= d; break;
    case tpLeft: r.right += d; break;
    case tpRight: r.left -= d; break;
  }
  return r;
}

void TspSkinPageControl::PaintClientBackground(TspPaintBuffer& b) {
  if (FIndex == -1 || !Picture) {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    return;
  }
  if (BGPictureIndex != -1 && FSD && BGPictureIndex < static_cast<int>(FSD->FActivePictures.size())) {
    const TspPicture& bg = FSD->FActivePictures[static_cast<size_t>(BGPictureIndex)];
    LayBackground(b, ImageSourceOf(&bg), RECT{0, 0, bg.Width, bg.Height}, b.ClientRect(), StretchEffect, StretchType);
    return;
  }
  RECT client{SkinRect.left + ClRect.left, SkinRect.top + ClRect.top, SkinRect.left + ClRect.right,
              SkinRect.top + ClRect.bottom};
  LayBackground(b, ImageSourceOf(Picture), client, b.ClientRect(), StretchEffect, StretchType);
}

void TspSkinPageControl::DrawSkinFrame(TspPaintBuffer& b) {
  if (FHideBorder || !Picture) return;
  RECT area = DisplayRect();
  int a = RH(SkinRect) - ClRect.bottom, bb = RW(SkinRect) - ClRect.right;
  RECT frame{area.left - ClRect.left, area.top - ClRect.top, area.right + bb, area.bottom + a};
  int w = RW(frame), h = RH(frame);
  if (w <= 0 || h <= 0) return;
  TspPaintBuffer part(w, h);
  // The picture drawn into the frame, then only its border copied: the
  // page area itself belongs to the sheets.
  int dx = w - RW(SkinRect), dy = h - RH(SkinRect);
  DrawNinePart(part, ImageSourceOf(Picture), NinePartGrown(SkinRect, LTPoint, RTPoint, LBPoint, RBPoint, ClRect, dx, dy, false));
  HDC dc = b.DC();
  int saved = SaveDC(dc);
  ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
  RECT active = GetActiveTabRect();
  if (!IsEmptyRECT(active) && !FHideTabs && Style() == tsTabs)
    ExcludeClipRect(dc, active.left, active.top, active.right, active.bottom);
  part.DrawTo(dc, frame.left, frame.top);
  RestoreDC(dc, saved);
}

void TspSkinPageControl::DrawCloseButton(TspPaintBuffer& b, TspSkinCustomTabSheet* sheet, RECT rc, bool) {
  if (!sheet) return;
  bool pressed = sheet->ButtonMouseDown && sheet->ButtonMouseIn;
  bool hot = sheet->ButtonMouseIn;
  RECT drawn{};
  if (FIndex == -1) {
    int y = (rc.top + rc.bottom) / 2 - 7;
    drawn = RECT{rc.left, y, rc.left + 14, y + 14};
    TspFaceState state = pressed ? fsDownFace : hot ? fsHotFace : fsNormalFace;
    if (hot) DrawDefaultFace(b, drawn, state);
    DrawCross(b.DC(), drawn.left + 3, drawn.top + 3, hot ? RGB(255, 255, 255) : RGB(0, 0, 0));
  } else if (IsEmptyRECT(CloseButtonRect)) {
    int y = (rc.top + rc.bottom) / 2 - FCloseSize / 2;
    RECT r{rc.left, y, rc.left + FCloseSize, y + FCloseSize};
    COLORREF color = 0;
    if (!DrawSkinButtonElement(b, FSD, "resizetoolbutton", r, pressed, hot, &color)) return;
    DrawCross(b.DC(), r.left + FCloseSize / 2 - 4, r.top + FCloseSize / 2 - 4, color);
    drawn = r;
  } else {
    RECT src = pressed ? CloseButtonDownRect : hot ? ClosebuttonActiveRect : CloseButtonRect;
    int y = (rc.top + rc.bottom) / 2 - RH(src) / 2;
    drawn = RECT{rc.left, y, rc.left + RW(src), y + RH(src)};
    TspPaintBuffer part(std::max(1, RW(src)), std::max(1, RH(src)));
    DrawPiece(part, ImageSourceOf(Picture), src, part.ClientRect());
    if (ButtonTransparent)
      TransparentBlt(b.DC(), drawn.left, drawn.top, RW(src), RH(src), part.DC(), 0, 0, RW(src), RH(src),
                     ButtonTransparentColor);
    else
      part.DrawTo(b.DC(), drawn.left, drawn.top);
  }
  int bw = b.Width(), bh = b.Height();
  bool turned = !FTextInHorizontal && (TabPosition() == tpLeft || TabPosition() == tpRight);
  if (turned && TabPosition() == tpLeft)
    drawn = RECT{drawn.top, bw - drawn.right, drawn.bottom, bw - drawn.left};
  else if (turned)
    drawn = RECT{bh - drawn.bottom, drawn.left, bh - drawn.top, drawn.right};
  sheet->ButtonRect = drawn;
}

void TspSkinPageControl::DrawTab(int pageIndex, const RECT& r, HDC dc, bool hot, bool active) {
  if (FHideTabs || pageIndex < 0 || pageIndex >= PageCount()) return;
  TTabSheet* page = Pages(pageIndex);
  auto* sheet = dynamic_cast<TspSkinCustomTabSheet*>(page);
  bool vertical = TabPosition() == tpLeft || TabPosition() == tpRight;
  int W = RW(r), H = RH(r);
  if (vertical) std::swap(W, H);
  if (W <= 0 || H <= 0) return;
  bool focused = Focused();
  bool skin = FIndex != -1 && Picture;
  bool buttons = Style() != tsTabs;
  TspPaintBuffer tb(W, H);
  TspFontDesc font = FDefaultFont;
  COLORREF color = FDefaultFont.Color;
  int shift = 0;
  if (!skin) {
    if (hot && !active)
      tb.Fill(tb.ClientRect(), kHotFill);
    else if (!active)
      tb.Fill(tb.ClientRect(), GetSysColor(COLOR_BTNFACE));
    else {
      tb.Fill(tb.ClientRect(), focused ? kDownFill : kHotFill);
      tb.Frame(tb.ClientRect(), kNavy);
    }
  } else {
    PaintClientBackground(tb);
    if (buttons) {
      DrawSkinButtonElement(tb, FSD, ButtonTabSkinDataName, tb.ClientRect(), active, hot && !active, &color);
    } else {
      RECT src = (hot && !active && !IsEmptyRECT(MouseInTabRect)) ? MouseInTabRect
                 : !active                                        ? SkinTabRect
                 : !focused                                       ? ActiveTabRect
                                                                  : FocusTabRect;
      if (TabHeight() > 0) {
        int q = RH(SkinTabRect) / 4;
        POINT lt{TabLeftOffset, q}, rt{RW(src) - TabRightOffset, q}, lb{TabLeftOffset, RH(src) - q},
            rb{RW(src) - TabRightOffset, RH(src) - q};
        RECT cl{lt.x, lt.y, rb.x, rb.y};
        int dx = W - RW(src), dy = H - RH(src);
        TspNinePartSpec n = NinePartGrown(src, lt, rt, lb, rb, cl, dx, dy, TabStretchEffect);
        DrawNinePart(tb, ImageSourceOf(Picture), n);
      } else {
        DrawHorzThreePart(tb, ImageSourceOf(Picture), src, TabLeftOffset, TabRightOffset, TabStretchEffect);
      }
      if (active && !MultiLine() && r.left == 0 && !vertical && !IsEmptyRECT(TabLeftBottomActiveRect)) {
        RECT corner = focused ? TabLeftBottomFocusRect : TabLeftBottomActiveRect;
        DrawPiece(tb, ImageSourceOf(Picture), corner,
                  RECT{0, H - RH(corner), RW(corner), H});
      }
      color = (hot && !active) ? MouseInFontColor : !active ? FontColor : !focused ? ActiveFontColor : FocusFontColor;
    }
    if (TabPosition() == tpBottom) FlipVertically(tb);
    if (UseSkinFont) {
      font = SkinFont;
    }
    if (!buttons && RH(SkinTabRect) != RH(ActiveTabRect) && !active)
      shift = (TabPosition() == tpTop || TabPosition() == tpLeft) ? 2 : -2;
  }
  font.Color = color;
  // Left and right tabs with upright text are turned before the text.
  std::unique_ptr<TspPaintBuffer> turned;
  TspPaintBuffer* target = &tb;
  if (vertical && FTextInHorizontal) {
    turned = Turn(tb, TabPosition() == tpRight);
    target = turned.get();
  }
  int tw = target->Width(), th = target->Height();
  if (skin && ShowFocus && focused && active) {
    RECT f{FocusOffsetX, FocusOffsetY, tw - FocusOffsetX, th - FocusOffsetY};
    DrawFocusFrame(target->DC(), f);
  }
  int c = FShowCloseButtons ? FCloseSize + 2 : 0;
  RECT textRect{0, shift, tw, th + shift};
  if (OnDrawSkinTab) {
    OnDrawSkinTab(pageIndex, target->ClientRect(), active, hot, target->DC());
  } else {
    std::string caption = page->Caption();
    bool hasImage = FImages && page->ImageIndex >= 0 && page->ImageIndex < FImages->Count();
    if (hasImage || FTabExtendedDraw) {
      RECT cr{0, shift, tw - c, th + shift};
      DrawImageListGlyphAndCaption(target->DC(), cr, font, FTabMargin, FTabSpacing, FTabLayout, caption,
                                   hasImage ? FImages.Get() : nullptr, page->ImageIndex, page->Enabled(), false);
    } else {
      RECT cr{0, shift, tw - (skin ? c + 3 : c), th + shift};
      target->Text(caption, cr, font, color, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    }
  }
  if (FShowCloseButtons) {
    if (!hot && sheet) sheet->ButtonMouseIn = false;
    RECT rc{tw - (skin ? c + 3 : c), textRect.top, tw, th};
    DrawCloseButton(*target, sheet, rc, hot);
  }
  if (vertical && !FTextInHorizontal) turned = Turn(tb, TabPosition() == tpRight);
  const TspPaintBuffer& out = (vertical && !FTextInHorizontal) ? *turned : *target;
  out.DrawTo(dc, r.left, r.top);
}

void TspSkinPageControl::DrawTabs(TspPaintBuffer& b) {
  if (FHideTabs || PageCount() == 0) return;
  int visible = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) ++visible;
  int selected = TabIndex();
  if (FIndex == -1 || !Picture) {
    for (int i = 0; i < visible; ++i) {
      TTabSheet* page = PageOfTab(i);
      if (!page) continue;
      RECT r = TPageControl::TabRect(i);
      if (i == selected) continue;
      DrawTab(page->PageIndex(), r, b.DC(), page->PageIndex() == FActiveTab, false);
    }
    if (TTabSheet* page = PageOfTab(selected))
      DrawTab(page->PageIndex(), TPageControl::TabRect(selected), b.DC(), page->PageIndex() == FActiveTab, true);
    return;
  }
  RECT area = DisplayRect();
  int a = RH(SkinRect) - ClRect.bottom, bb = RW(SkinRect) - ClRect.right;
  RECT grown{area.left - ClRect.left, area.top - ClRect.top, area.right + bb, area.bottom + a};
  RECT strip;
  switch (TabPosition()) {
    case tpTop: strip = RECT{0, 0, Width(), grown.top}; break;
    case tpBottom: strip = RECT{0, grown.bottom, Width(), Height()}; break;
    case tpLeft: strip = RECT{0, 0, grown.left, Height()}; break;
    default: strip = RECT{grown.right, 0, Width(), Height()}; break;
  }
  if (RW(strip) > 0 && RH(strip) > 0) {
    TspPaintBuffer sb(RW(strip), RH(strip));
    if (FTabsBGTransparent && Parent()) {
      TspPaintBuffer whole(std::max(1, Width()), std::max(1, Height()));
      Parent()->PaintBackground(whole.DC(), this);
      BitBlt(sb.DC(), 0, 0, RW(strip), RH(strip), whole.DC(), strip.left, strip.top, SRCCOPY);
    } else {
      RECT bg = TabsBGRect;
      if (IsEmptyRECT(bg)) {
        bg = ClRect;
        OffsetRect(&bg, SkinRect.left, SkinRect.top);
      }
      Tile(sb, ImageSourceOf(Picture), bg, sb.ClientRect());
    }
    for (int i = 0; i < visible; ++i) {
      if (i == selected) continue;
      TTabSheet* page = PageOfTab(i);
      if (!page) continue;
      RECT r = TPageControl::TabRect(i);
      OffsetRect(&r, -strip.left, -strip.top);
      DrawTab(page->PageIndex(), r, sb.DC(), page->PageIndex() == FActiveTab, false);
    }
    HDC dc = b.DC();
    int saved = SaveDC(dc);
    RECT active = GetActiveTabRect();
    if (!IsEmptyRECT(active)) ExcludeClipRect(dc, active.left, active.top, active.right, active.bottom);
    sb.DrawTo(dc, strip.left, strip.top);
    RestoreDC(dc, saved);
  }
  if (TTabSheet* page = PageOfTab(selected)) {
    RECT r = TPageControl::TabRect(selected);
    int d = Style() == tsTabs ? RH(ActiveTabRect) - RH(SkinTabRect) : 0;
    if (TabPosition() == tpBottom) OffsetRect(&r, 0, -d);
    if (TabPosition() == tpRight) OffsetRect(&r, -d, 0);
    if (TabPosition() == tpTop || TabPosition() == tpBottom) r.bottom += d;
    else r.right += d;
    DrawTab(page->PageIndex(), r, b.DC(), page->PageIndex() == FActiveTab, true);
  }
}

void TspSkinPageControl::PaintControlTo(HDC dc) {
  int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  GetSkinData();
  TspPaintBuffer b(w, h);
  if (FIndex == -1 || !Picture) {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_BTNFACE));
    if (!FHideBorder) {
      RECT area = DisplayRect();
      InflateRect(&area, 1, 1);
      b.Frame(area, GetSysColor(COLOR_BTNSHADOW));
    }
  } else {
    PaintClientBackground(b);
    DrawSkinFrame(b);
  }
  DrawTabs(b);
  b.DrawTo(dc, 0, 0);
}

void TspSkinPageControl::PaintWindow(HDC dc) { PaintControlTo(dc); }

void TspSkinPageControl::TrackTab(POINT p) {
  if (FHideTabs) return;
  FOldActiveTab = FActiveTab;
  FActiveTab = -1;
  int visible = 0;
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i)->TabVisible()) ++visible;
  int hotIndex = -1;
  for (int i = 0; i < visible; ++i) {
    RECT r = TPageControl::TabRect(i);
    if (PtInRect(&r, p)) {
      hotIndex = i;
      break;
    }
  }
  if (TTabSheet* page = PageOfTab(hotIndex)) FActiveTab = page->PageIndex();
  if (FActiveTab != FOldActiveTab) {
    if (FOldActiveTab >= 0 && FOldActiveTab < PageCount())
      if (auto* old = dynamic_cast<TspSkinCustomTabSheet*>(Pages(FOldActiveTab))) {
        old->ButtonMouseIn = false;
        old->ButtonMouseDown = false;
      }
    Invalidate();
  }
  if (FShowCloseButtons && FActiveTab >= 0 && hotIndex >= 0) {
    auto* sheet = dynamic_cast<TspSkinCustomTabSheet*>(Pages(FActiveTab));
    if (!sheet) return;
    RECT item = TPageControl::TabRect(hotIndex);
    RECT br = sheet->ButtonRect;
    OffsetRect(&br, item.left, item.top);
    bool in = PtInRect(&br, p) != FALSE;
    if (in != sheet->ButtonMouseIn) {
      sheet->ButtonMouseIn = in;
      if (!in) sheet->ButtonMouseDown = false;
      Invalidate();
    }
  }
}

bool TspSkinPageControl::CloseButtonHit(POINT p, TspSkinCustomTabSheet*& sheet) {
  sheet = nullptr;
  if (!FShowCloseButtons || FActiveTab < 0 || FActiveTab >= PageCount()) return false;
  sheet = dynamic_cast<TspSkinCustomTabSheet*>(Pages(FActiveTab));
  if (!sheet) return false;
  RECT item = TPageControl::TabRect(Pages(FActiveTab)->TabIndex());
  RECT br = sheet->ButtonRect;
  OffsetRect(&br, item.left, item.top);
  return PtInRect(&br, p) != FALSE;
}

void TspSkinPageControl::CloseActivePage() {
  TTabSheet* page = ActivePage();
  if (!page) return;
  bool canClose = true;
  if (OnClose) OnClose(page, canClose);
  if (!canClose) {
    POINT p;
    GetCursorPos(&p);
    if (HWND h = HandleIfAllocated())
      if (WindowFromPoint(p) != h)
        if (auto* sheet = dynamic_cast<TspSkinCustomTabSheet*>(page)) {
          sheet->ButtonMouseIn = false;
          sheet->ButtonMouseDown = false;
          Invalidate();
        }
    return;
  }
  page->SetTabVisible(false);
  if (FreeOnClose) delete page;
  if (OnAfterClose) OnAfterClose(this);
  Invalidate();
}

void TspSkinPageControl::WndProc(TMessage& m) {
  HWND h = HandleIfAllocated();
  switch (m.Msg) {
    case TCM_ADJUSTRECT: {
      TPageControl::WndProc(m);
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (!r) return;
      if (FHideBorder) {
        *r = RECT{0, -2, Width(), Height()};
        return;
      }
      GetSkinData();
      RECT c = ClientRect();
      int CW = c.right, CH = c.bottom;
      bool skin = FIndex != -1;
      int a = RH(SkinRect) - ClRect.bottom, b = RW(SkinRect) - ClRect.right;
      switch (TabPosition()) {
        case tpTop:
          r->left = skin ? ClRect.left : 1;
          r->right = skin ? CW - b : CW - 1;
          r->top += FHideTabs ? -1 : skin ? ClRect.top - 6 : -5;
          r->bottom = skin ? CH - a : CH - 1;
          break;
        case tpBottom:
          r->left = skin ? ClRect.left : 1;
          r->right = skin ? CW - b : CW - 1;
          if (skin)
            r->top += ClRect.top - 4;
          else
            r->top = 1;
          r->bottom += (FHideTabs && skin) ? 1 : skin ? 4 - a : 3;
          break;
        case tpLeft:
          r->left += FHideTabs ? -1 : skin ? ClRect.left - 4 : -3;
          r->right = skin ? CW - b : CW - 1;
          r->top += skin ? ClRect.top - 4 : -5;
          r->bottom = skin ? CH - a : CH - 1;
          break;
        case tpRight:
          if (skin)
            r->left = ClRect.left;
          else
            r->left -= 3;
          r->right += FHideTabs ? 1 : skin ? 4 - b : 3;
          r->top += skin ? ClRect.top - 4 : -5;
          r->bottom = skin ? CH - a : CH - 1;
          break;
      }
      return;
    }
    case TCM_GETITEMRECT: {
      TPageControl::WndProc(m);
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (!r || !m.Result || Style() != tsTabs) return;
      switch (TabPosition()) {
        case tpTop:
          if (!MultiLine()) OffsetRect(r, -2, 0);
          OffsetRect(r, 0, -2);
          if (FTabsInCenter || FTabsOffset > 0) OffsetRect(r, CalcTabsOffset(), 0);
          break;
        case tpBottom:
          if (!MultiLine()) OffsetRect(r, -2, 0);
          OffsetRect(r, 0, 2);
          break;
        case tpLeft: OffsetRect(r, -2, 0); break;
        case tpRight: OffsetRect(r, 2, 0); break;
      }
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      TspSkinCustomTabSheet* sheet = nullptr;
      if (m.Msg != WM_LBUTTONDBLCLK && FTabsOffset <= 0) {
        TrackTab(p);
        bool hit = CloseButtonHit(p, sheet);
        if (sheet && m.Msg == WM_LBUTTONDOWN) {
          sheet->ButtonMouseIn = hit;
          sheet->ButtonMouseDown = hit;
          Invalidate();
        }
        if (sheet && m.Msg == WM_LBUTTONUP) {
          bool wasDown = sheet->ButtonMouseDown;
          sheet->ButtonMouseIn = hit;
          sheet->ButtonMouseDown = false;
          Invalidate();
          if (hit && wasDown) {
            TPageControl::WndProc(m);
            CloseActivePage();
            return;
          }
        }
      }
      if (FTabsInCenter || FTabsOffset > 0) m.LParam = MAKELPARAM(p.x - CalcTabsOffset(), p.y);
      break;
    }
    case WM_NCHITTEST:
      if (FTabsInCenter || FTabsOffset > 0) {
        // Screen coordinates: the offset applies the same.
        m.LParam = MAKELPARAM(GET_X_LPARAM(m.LParam) - CalcTabsOffset(), GET_Y_LPARAM(m.LParam));
      }
      break;
    case WM_MOUSEMOVE:
      TrackTab(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      break;
    case CM_MOUSELEAVE:
      TPageControl::WndProc(m);
      if (reinterpret_cast<TControl*>(m.LParam) == this) {
        TrackTab(POINT{-1, -1});
        FActiveTab = FOldActiveTab = -1;
        Invalidate();
      }
      return;
    case WM_SIZE:
      GetSkinData();
      TPageControl::WndProc(m);
      if (!MultiLine()) UpdateTabScroller();
      Invalidate();
      return;
    case WM_HSCROLL:
      TPageControl::WndProc(m);
      Invalidate();
      return;
    case TCM_SETCURSEL:
      TPageControl::WndProc(m);
      if (!(ComponentState() & csLoading)) Invalidate();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TPageControl::WndProc(m);
      Invalidate();
      return;
    case WM_ERASEBKGND: {
      bool pageWithTab = false;
      for (int i = 0; i < PageCount(); ++i) pageWithTab = pageWithTab || Pages(i)->TabVisible();
      if (!pageWithTab && m.WParam) {
        GetSkinData();
        TspPaintBuffer b(std::max(1, Width()), std::max(1, Height()));
        PaintClientBackground(b);
        b.DrawTo(reinterpret_cast<HDC>(m.WParam), 0, 0);
      }
      m.Result = 1;
      return;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT:
      PaintClientMessage(h, m.WParam, [this](HDC dc) { PaintControlTo(dc); });
      m.Result = 0;
      return;
    case SP_PAINTCOPY:
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    case SP_CHECKBACKGROUND:
      if (FTabsBGTransparent) Invalidate();
      return;
    default:
      break;
  }
  TPageControl::WndProc(m);
}
