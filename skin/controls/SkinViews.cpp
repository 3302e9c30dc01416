#include "skin/controls/SkinViews.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <windowsx.h>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/data/SPUtils.h"

namespace {

TRect T(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }
TRect T(const TspRect& r) { return TRect{r.Left, r.Top, r.Right, r.Bottom}; }
TPoint P(const POINT& p) { return TPoint{p.x, p.y}; }

template <class E>
E* ElementAs(TspSkinData* sd, const std::string& name, int* index = nullptr) {
  if (index) *index = -1;
  if (!sd || sd->Empty) return nullptr;
  int i = sd->GetControlIndex(name);
  if (index) *index = i;
  if (i < 0 || i >= static_cast<int>(sd->CtrlList.size())) return nullptr;
  return dynamic_cast<E*>(sd->CtrlList[static_cast<size_t>(i)].get());
}

// The picture of an element, or null (missing, empty or out of range).
TBitmap* ElementPicture(TspSkinData* sd, int index) {
  if (!sd || index < 0) return nullptr;
  TBitmap* b = sd->ActivePicture(index);
  return b && !b->Empty() ? b : nullptr;
}

void ApplySkinFont(TFont* font, const std::string& name, TFontStyles style, int height) {
  font->SetName(name);
  font->SetStyle(style);
  font->SetHeight(height);
}

int CharsetOf(TspSkinData* sd, TFont* fallback) {
  if (sd && sd->ResourceStrData()) return sd->ResourceStrData()->CharSet;
  return fallback->Charset();
}

bool MajorVersionAtLeast6() {
  int major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  return major >= 6;
}

// A one-pixel bitmap area drawn with the canvas's brush.
void FillWith(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(r);
}

void Line(TCanvas* c, int x1, int y1, int x2, int y2) {
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

}  // namespace

// ===========================================================================
// What the tree view and list view share

template <class TView>
TspSkinViewControl<TView>::TspSkinViewControl(TComponent* owner, const char* skinDataName)
    : Holder(owner, skinDataName) {
  FDefaultFont.SetName("Arial");
  FDefaultFont.SetHeight(14);
  FDefaultFont.SetStyle(0);
  this->SetColor(FDefaultColor);
}

template <class TView>
void TspSkinViewControl<TView>::CreateParams(TCreateParams& p) {
  TView::CreateParams(p);
  p.Style &= ~static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL);
}

template <class TView>
void TspSkinViewControl<TView>::SetDefaultFont(const TFont* value) {
  FDefaultFont.Assign(value);
  if (FIndex == -1) this->Font()->Assign(value);
}

template <class TView>
void TspSkinViewControl<TView>::SetDefaultColor(TColor value) {
  FDefaultColor = value;
  if (FIndex == -1) this->SetColor(value);
}

template <class TView>
void TspSkinViewControl<TView>::SetVScrollBar(TspSkinScrollBar* value) {
  SetScrollBar(FVScrollBar, value, true);
}

template <class TView>
void TspSkinViewControl<TView>::SetHScrollBar(TspSkinScrollBar* value) {
  SetScrollBar(FHScrollBar, value, false);
}

template <class TView>
void TspSkinViewControl<TView>::SetScrollBar(TComponentRef<TspSkinScrollBar>& ref, TspSkinScrollBar* value,
                                             bool vertical) {
  ref.Set(value);
  if (value) {
    value->SetEnabled(true);
    value->SetVisible(false);
    if (vertical)
      value->OnChange = [this](TObject* s) { OnVScrollBarChange(s); };
    else
      value->OnChange = [this](TObject* s) { OnHScrollBarChange(s); };
  }
  UpDateScrollBars();
}

template <class TView>
template <class E>
E* TspSkinViewControl<TView>::ApplyViewElement() {
  auto* e = ElementAs<E>(FSD, FSkinDataName, &FIndex);
  TFont* font = this->Font();
  if (FIndex < 0) {
    this->SetColor(FDefaultColor);
    font->Assign(&FDefaultFont);
  } else if (e) {
    if (FUseSkinFont)
      ApplySkinFont(font, e->FontName, e->FontStyle, e->FontHeight);
    else
      font->Assign(&FDefaultFont);
    font->SetColor(e->FontColor);
    this->SetColor(e->BGColor);
  }
  font->SetCharset(CharsetOf(FSD, &FDefaultFont));
  return e;
}

template <class TView>
void TspSkinViewControl<TView>::SetBarVisible(TspSkinScrollBar* bar, bool visible, bool& changed) {
  if (bar->Visible() == visible) return;
  bool saved = FInCheckScrollBars;
  FInCheckScrollBars = true;
  bar->SetVisible(visible);
  FInCheckScrollBars = saved;
  changed = true;
}

template <class TView>
void TspSkinViewControl<TView>::FinishScrollBars(bool changed) {
  if (FVScrollBar && FHScrollBar && FHScrollBar->Both() != FVScrollBar->Visible())
    FHScrollBar->SetBoth(FVScrollBar->Visible());
  if (this->Align() != alNone && changed && this->Parent()) {
    bool saved = FInCheckScrollBars;
    FInCheckScrollBars = true;
    this->Parent()->Realign();
    FInCheckScrollBars = saved;
  }
}

template <class TView>
void TspSkinViewControl<TView>::RealignScrollBars() {
  if (FVScrollBar) FVScrollBar->SetAlign(FVScrollBar->Align());
  if (FHScrollBar) FHScrollBar->SetAlign(FHScrollBar->Align());
  if (FVScrollBar && FVScrollBar->Align() != alNone && FVScrollBar->Parent()) FVScrollBar->Parent()->Realign();
  if (FHScrollBar && FHScrollBar->Align() != alNone && FHScrollBar->Parent()) FHScrollBar->Parent()->Realign();
}

template <class TView>
void TspSkinViewControl<TView>::WndProc(TMessage& m) {
  if (AnswerFramelessNonClient(m)) return;
  switch (m.Msg) {
    case WM_NCPAINT:
      m.Result = 0;
      return;
    case SP_PAINTCOPY:
      // Asked from outside: this window paints itself skinned.
      m.Result = SP_PAINTCOPY_RESULT;
      return;
    case CM_VISIBLECHANGED:
      TView::WndProc(m);
      if (FVScrollBar) FVScrollBar->SetVisible(this->Visible());
      if (FHScrollBar) FHScrollBar->SetVisible(this->Visible());
      return;
    case WM_KEYDOWN:
    case WM_LBUTTONUP:
      // Keys and clicks may scroll the view.
      TView::WndProc(m);
      UpDateScrollBars();
      return;
    default:
      TView::WndProc(m);
  }
}

template class TspSkinViewControl<TCustomTreeView>;
template class TspSkinViewControl<TCustomListView>;

// ===========================================================================
// Tree view

TspSkinCustomTreeView::TspSkinCustomTreeView(TComponent* owner) : TspSkinViewControl(owner, "treeview") {}

TspSkinCustomTreeView::~TspSkinCustomTreeView() = default;

void TspSkinCustomTreeView::CreateParams(TCreateParams& p) {
  TspSkinViewControl::CreateParams(p);
  p.WinClassName = u"TessSkinTreeView";
}

void TspSkinCustomTreeView::SetDrawSkin(bool value) {
  FDrawSkin = value;
  if (value)
    OnAdvancedCustomDrawItem = [this](TCustomTreeView* s, TTreeNode* n, TCustomDrawState st, TCustomDrawStage sg,
                                      bool& pi, bool& dd) { SkinAdvancedCustomDrawItem(s, n, st, sg, pi, dd); };
}

void TspSkinCustomTreeView::Loaded() {
  TCustomTreeView::Loaded();
  ChangeSkinData();
}

void TspSkinCustomTreeView::Change(TTreeNode* node) {
  TCustomTreeView::Change(node);
  UpDateScrollBars();
}

void TspSkinCustomTreeView::ChangeSkinData() {
  if (ComponentState() & csLoading) return;
  auto* e = ApplyViewElement<TspDataSkinTreeView>();
  if (FIndex < 0) {
    FLineColor = 0x808080;
  } else if (e) {
    FLineColor = AverageColor(AverageColor(e->FontColor, e->BGColor), e->BGColor);
    FButtonColor = AverageColor(e->FontColor, e->BGColor);
    TBitmap* pic = ElementPicture(FSD, e->PictureIndex);
    TRect er = T(e->ExpandImageRect), nr = T(e->NoExpandImageRect);
    if (er.IsEmpty() || nr.IsEmpty() || !pic) {
      FExpandImage.SetSize(0, 0);
      FNoExpandImage.SetSize(0, 0);
    } else {
      for (auto [bmp, r] : {std::pair<TBitmap*, TRect>{&FExpandImage, er}, {&FNoExpandImage, nr}}) {
        bmp->SetSize(r.Width(), r.Width());
        bmp->Canvas()->CopyRect(TRect{0, 0, r.Width(), r.Width()}, pic->Canvas(), r);
        bmp->SetTransparent(true);
      }
    }
  }
  if (Images()) Images()->SetBkColor(Color());
  if (StateImages()) StateImages()->SetBkColor(Color());
  UpDateScrollBars();
  RealignScrollBars();
  Invalidate();
}

void TspSkinCustomTreeView::UpDateScrollBars() {
  if ((ComponentState() & csLoading) || FInCheckScrollBars || !HandleAllocated()) return;
  HWND h = HandleIfAllocated();
  bool vChanged = false, hChanged = false;
  if (FVScrollBar) {
    int min = 0, max = 0;
    GetScrollRange(h, SB_VERT, &min, &max);
    int pos = GetScrollPos(h, SB_VERT);
    int page = static_cast<int>(SendMessageW(h, TVM_GETVISIBLECOUNT, 0, 0));
    int count = static_cast<int>(SendMessageW(h, TVM_GETCOUNT, 0, 0));
    SetBarVisible(FVScrollBar, Visible() && max > 0 && page <= max && count > max, vChanged);
    if (FVScrollBar->Visible()) FVScrollBar->SetRange(min, max, pos, page);
  }
  if (FHScrollBar) {
    int min = 0, max = 0;
    GetScrollRange(h, SB_HORZ, &min, &max);
    int pos = GetScrollPos(h, SB_HORZ);
    SetBarVisible(FHScrollBar, max > Width() && Visible(), hChanged);
    if (FHScrollBar->Visible()) FHScrollBar->SetRange(min, max, pos, Width());
  }
  FinishScrollBars(vChanged || hChanged);
}

void TspSkinCustomTreeView::OnVScrollBarChange(TObject*) { ScrollTo(FVScrollBar, SB_VERT, WM_VSCROLL); }

void TspSkinCustomTreeView::OnHScrollBarChange(TObject*) { ScrollTo(FHScrollBar, SB_HORZ, WM_HSCROLL); }

void TspSkinCustomTreeView::ScrollTo(TspSkinScrollBar* bar, int which, UINT message) {
  HWND h = HandleIfAllocated();
  if (!h || !bar) return;
  int pos = bar->Position();
  if (MajorVersionAtLeast6()) {
    SCROLLINFO si{sizeof(si), SIF_POS};
    si.nPos = pos;
    SetScrollInfo(h, which, &si, TRUE);
  }
  SendMessageW(h, message, MAKEWPARAM(SB_THUMBPOSITION, pos), 0);
}

void TspSkinCustomTreeView::WndProc(TMessage& m) {
  TspSkinViewControl::WndProc(m);
  switch (m.Msg) {
    case WM_SIZE:
    case WM_PAINT:
      if (!FInCheckScrollBars) UpDateScrollBars();
      break;
    default:
      break;
  }
}

void TspSkinCustomTreeView::SkinAdvancedCustomDrawItem(TCustomTreeView*, TTreeNode* node, TCustomDrawState state,
                                                       TCustomDrawStage, bool&, bool& defaultDraw) {
  if (!FSD || FSD->Empty) return;
  auto* lb = ElementAs<TspDataSkinListBox>(FSD, FItemSkinDataName);
  if (!lb) return;
  defaultDraw = false;
  HWND h = Handle();
  SCROLLINFO si{sizeof(si), SIF_POS};
  GetScrollInfo(h, SB_HORZ, &si);
  TCanvas* c = Canvas();
  TRect r = node->DisplayRect(false);
  r.Left -= si.nPos;
  r.Right -= si.nPos;
  TRect tr = node->DisplayRect(true);
  FillWith(c, r, Color());
  FillWith(c, tr, Color());
  c->Brush()->SetStyle(bsClear);
  int level = node->Level();
  if (!ShowRoot()) --level;
  r.Left += level * Indent();
  DrawNodeLines(r, node);
  r.Left += Indent() + FButtonSize;
  DrawNodeImage(r, node->Selected() && node->SelectedIndex() >= 0 ? node->SelectedIndex() : node->ImageIndex());

  if (state & cdsSelected) {
    if (tr.Width() >= 1 && tr.Height() >= 1) {
      bool focused = Focused();
      TBitmap b(tr.Width(), tr.Height());
      TBitmap* pic = ElementPicture(FSD, lb->PictureIndex);
      DrawSkinRectStretched(&b, pic, T(focused ? lb->FocusItemRect : lb->ActiveItemRect), T(lb->ItemTextRect),
                            true);
      TCanvas* bc = b.Canvas();
      bc->Font()->Assign(Font());
      bc->Font()->SetColor(focused ? lb->FocusFontColor : lb->ActiveFontColor);
      bc->Brush()->SetStyle(bsClear);
      DrawTextVCentered(bc, node->Text(), TRect{2, 1, b.Width(), b.Height()});
      c->Draw(tr.Left, tr.Top, &b);
    }
  } else {
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    DrawTextVCentered(c, node->Text(), TRect{tr.Left + 2, tr.Top + 1, tr.Right, tr.Bottom});
  }
}

void TspSkinCustomTreeView::DrawFadingLine(HDC dc, int x, int y, int length) {
  // Too short to fade (a small indent): no line rather than a division by zero.
  int half = length / 2;
  if (half < 1) return;
  int step = static_cast<int>(std::lrint(255.0 / half));
  TspPaintBuffer line(length, 1);
  COLORREF rgb = static_cast<COLORREF>(ColorToRGB(FLineColor));
  uint32_t* px = line.Bits();
  for (int i = 0; i < length; ++i) {
    int a = i < half ? 255 : std::max(0, 255 - (i - half + 1) * step);
    // Premultiplied, as the blend function wants it.
    uint32_t r = GetRValue(rgb) * a / 255, g = GetGValue(rgb) * a / 255, b = GetBValue(rgb) * a / 255;
    px[i] = (static_cast<uint32_t>(a) << 24) | (r << 16) | (g << 8) | b;
  }
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, length, 1, line.DC(), 0, 0, length, 1, bf);
}

void TspSkinCustomTreeView::DrawNodeLines(TRect r, TTreeNode* node) {
  if (FButtonImageList)
    FButtonSize = std::max(FButtonImageList->Width(), FButtonImageList->Height()) / 2;
  else if (FExpandImage.Empty() || FNoExpandImage.Empty())
    FButtonSize = 5;
  else
    FButtonSize = FExpandImage.Width() / 2 - 2;
  const int bs = FButtonSize;
  const int indent = Indent();
  int x = r.Left + indent / 2;
  int y = r.Top + r.Height() / 2;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(FLineColor);
  bool hasChildren = node->HasChildren();
  if (ShowLines()) {
    int x1 = hasChildren ? x + bs - 1 : x - 1;
    int x2 = hasChildren ? r.Left + indent + bs - 5 : r.Left + indent;
    DrawFadingLine(c->Handle(), x1, y - 1, x2 - x1);
    if (node->Parent() || node->PrevSibling()) Line(c, x - 1, y - 1, x - 1, r.Top - 1);
    TTreeNode* next = node->GetNextVisible();
    if ((next && next->Level() == node->Level()) || node->NextSibling()) Line(c, x - 1, y, x - 1, r.Bottom + 1);
  }
  if (hasChildren && ShowButtons()) {
    bool expanded = node->Expanded();
    if (!FButtonImageList) {
      c->Pen()->SetColor(FButtonColor);
      c->Brush()->SetStyle(bsClear);
      c->Rectangle(x - bs, y - bs, x + bs, y + bs);
      c->Pen()->SetColor(Font()->Color());
      Line(c, x - bs + 2, y - 1, x + bs - 2, y - 1);
      if (!expanded) Line(c, x - 1, y - bs + 2, x - 1, y + bs - 2);
      c->Pen()->SetColor(FLineColor);
      if (!FExpandImage.Empty() && !FNoExpandImage.Empty()) {
        FillWith(c, TRect{x - bs - 2, y - bs - 2, x + bs - 2, y + bs - 2}, Color());
        c->Draw(x - bs - 3, y - bs - 3, expanded ? &FExpandImage : &FNoExpandImage);
      }
    } else {
      FillWith(c, TRect{x - bs, y - bs, x + bs, y + bs}, Color());
      int idx = expanded ? ButtonExpandImageIndex : ButtonNoExpandImageIndex;
      if (idx >= 0 && idx < FButtonImageList->Count()) FButtonImageList->Draw(c, x - bs, y - bs, idx);
    }
    c->Brush()->SetStyle(bsClear);
  }
  if (ShowLines()) {
    int xx = x - indent - 1;
    for (TTreeNode* p = node->Parent(); p; p = p->Parent(), xx -= indent)
      if (p->NextSibling()) Line(c, xx, r.Top, xx, r.Bottom + 1);
  }
}

void TspSkinCustomTreeView::DrawNodeImage(TRect r, int imageIndex) {
  int cy = r.Top + r.Height() / 2;
  TCanvas* c = Canvas();
  if (!Images()) {
    FThirdImages = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    if (!FThirdImages) return;
    ImageList_GetIconSize(FThirdImages, &FThirdImageWidth, &FThirdImageHeight);
    FThirdImagesCount = ImageList_GetImageCount(FThirdImages);
    if (imageIndex >= 0 && imageIndex < FThirdImagesCount)
      ImageList_DrawEx(FThirdImages, imageIndex, c->Handle(), r.Left - FButtonSize, cy - FThirdImageHeight / 2, 0, 0,
                       CLR_NONE, CLR_NONE, ILD_NORMAL);
  } else if (imageIndex >= 0 && imageIndex < Images()->Count()) {
    Images()->Draw(c, r.Left - FButtonSize, cy - Images()->Height() / 2, imageIndex, true);
  }
}

// ===========================================================================
// List view

namespace {
const char16_t kHeaderProp[] = u"TessSkinListViewHeader";
}

TspSkinCustomListView::TspSkinCustomListView(TComponent* owner) : TspSkinViewControl(owner, "listview") {
  Font()->Assign(&FDefaultFont);
}

TspSkinCustomListView::~TspSkinCustomListView() { ReleaseHeader(); }

void TspSkinCustomListView::CreateParams(TCreateParams& p) {
  TspSkinViewControl::CreateParams(p);
  p.WinClassName = u"TessSkinListView";
}

void TspSkinCustomListView::SetDrawSkin(bool value) {
  FDrawSkin = value;
  if (value) {
    OnCustomDrawItem = [this](TCustomListView* s, TListItem* i, TCustomDrawState st, bool& dd) {
      SkinCustomDrawItem(s, i, st, dd);
    };
    SetFullDrag(false);
  }
}

void TspSkinCustomListView::SetDrawSkinLines(bool value) { FDrawSkinLines = value; }

void TspSkinCustomListView::Loaded() {
  FInCheckScrollBars = true;
  TCustomListView::Loaded();
  FInCheckScrollBars = false;
  ChangeSkinData();
}

void TspSkinCustomListView::Notification(TComponent* component, TOperation operation) {
  TspSkinViewControl::Notification(component, operation);
  if (operation == opRemove && component == FSD) {
    FHIndex = -1;
    HPicture = nullptr;
  }
}

void TspSkinCustomListView::Change(TListItem* item, TItemChange change) {
  TCustomListView::Change(item, change);
  if (!FInCheckScrollBars) UpDateScrollBars();
}

void TspSkinCustomListView::ChangeSkinData() {
  if (ComponentState() & csLoading) return;
  if (auto* e = ApplyViewElement<TspDataSkinListView>())
    FLineColor = AverageColor(AverageColor(AverageColor(e->FontColor, e->BGColor), e->BGColor), e->BGColor);
  UpDateScrollBars();
  RealignScrollBars();
  if (ViewStyle() == vsReport && FHeaderHandle) InvalidateRect(FHeaderHandle, nullptr, TRUE);
  Invalidate();
}

// ---- column header ----

void TspSkinCustomListView::SubclassHeader(HWND header) {
  FHeaderHandle = header;
  FDefHeaderProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(header, GWLP_WNDPROC));
  SetPropW(header, reinterpret_cast<LPCWSTR>(kHeaderProp), reinterpret_cast<HANDLE>(this));
  SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HeaderWindowProc));
}

void TspSkinCustomListView::ReleaseHeader() {
  HWND h = FHeaderHandle;
  FHeaderHandle = nullptr;
  if (!h || !IsWindow(h)) return;
  // Only a header that still runs our procedure gets its own back.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)) == &HeaderWindowProc) {
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefHeaderProc));
    RemovePropW(h, reinterpret_cast<LPCWSTR>(kHeaderProp));
  }
}

LRESULT CALLBACK TspSkinCustomListView::HeaderWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TspSkinCustomListView*>(GetPropW(hwnd, reinterpret_cast<LPCWSTR>(kHeaderProp)));
  if (!self || self->FHeaderHandle != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC def = self->FDefHeaderProc;
    self->ReleaseHeader();
    return CallWindowProcW(def, hwnd, msg, wParam, lParam);
  }
  try {
    return self->HeaderSubclassProc(msg, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's code.
    if (Application) Application->HandleException(std::current_exception());
    return 0;
  }
}

LRESULT TspSkinCustomListView::HeaderSubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = FHeaderHandle;
  LRESULT result = 0;
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      // The last section's picture runs on past the list's right edge.
      reinterpret_cast<WINDOWPOS*>(lParam)->cx += 25;
      return 0;
    case WM_PAINT:
      HeaderPaint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      result = CallWindowProcW(FDefHeaderProc, h, msg, wParam, lParam);
      break;
  }
  if (!FHeaderHandle) return result;  // the header went away meanwhile
  switch (msg) {
    case WM_LBUTTONDOWN: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      FActiveSection = -1;
      int count = static_cast<int>(SendMessageW(h, HDM_GETITEMCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        RECT r = GetSectionRect(i);
        if (PtInRect(&r, p)) {
          FActiveSection = i;
          break;
        }
      }
      HDHITTESTINFO hit{};
      hit.pt = p;
      SendMessageW(h, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.flags & HHT_ONDIVIDER) {
        FDevDown = true;
        FHeaderDown = false;
      } else {
        FHeaderDown = true;
        FDevDown = false;
      }
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
      break;
    }
    case WM_LBUTTONUP:
      FHeaderDown = false;
      FDevDown = false;
      FActiveSection = -1;
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
      break;
    case WM_MOUSEMOVE:
      if (FDevDown) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
      break;
    default:
      break;
  }
  return result;
}

RECT TspSkinCustomListView::GetSectionRect(int index) {
  RECT r{};
  if (!FHeaderHandle) return r;
  int item = index;
  if (FullDrag()) {
    int count = static_cast<int>(SendMessageW(FHeaderHandle, HDM_GETITEMCOUNT, 0, 0));
    if (count > 0 && index < count) {
      std::vector<int> order(static_cast<size_t>(count));
      if (SendMessageW(FHeaderHandle, HDM_GETORDERARRAY, static_cast<WPARAM>(count),
                       reinterpret_cast<LPARAM>(order.data())))
        item = order[static_cast<size_t>(index)];
    }
  }
  SendMessageW(FHeaderHandle, HDM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
  return r;
}

void TspSkinCustomListView::GetHeaderSkinData() {
  HPicture = nullptr;
  auto* e = ElementAs<TspDataSkinButtonControl>(FSD, FHeaderSkinDataName, &FHIndex);
  if (!e) return;
  HLTPt = POINT{e->LTPoint.X, e->LTPoint.Y};
  HRTPt = POINT{e->RTPoint.X, e->RTPoint.Y};
  HLBPt = POINT{e->LBPoint.X, e->LBPoint.Y};
  HRBPt = POINT{e->RBPoint.X, e->RBPoint.Y};
  HSkinRect = RECT{e->SkinRect.Left, e->SkinRect.Top, e->SkinRect.Right, e->SkinRect.Bottom};
  HClRect = RECT{e->ClRect.Left, e->ClRect.Top, e->ClRect.Right, e->ClRect.Bottom};
  HStretchEffect = e->StretchEffect;
  HLeftStretch = e->LeftStretch;
  HTopStretch = e->TopStretch;
  HRightStretch = e->RightStretch;
  HBottomStretch = e->BottomStretch;
  HStretchType = e->StretchType;
  HPicture = ElementPicture(FSD, e->PictureIndex);
  HFontColor = e->FontColor;
  HActiveFontColor = e->ActiveFontColor;
  HDownFontColor = e->DownFontColor;
  HActiveSkinRect = RECT{e->ActiveSkinRect.Left, e->ActiveSkinRect.Top, e->ActiveSkinRect.Right,
                         e->ActiveSkinRect.Bottom};
  HDownSkinRect = RECT{e->DownSkinRect.Left, e->DownSkinRect.Top, e->DownSkinRect.Right, e->DownSkinRect.Bottom};
  if (IsRectEmpty(&HActiveSkinRect)) HActiveSkinRect = HSkinRect;
  if (IsRectEmpty(&HDownSkinRect)) HDownSkinRect = HActiveSkinRect;
}

namespace {
// The element's corner points and client rectangle moved for a piece of w x h.
struct TNewCorners {
  TPoint LT, RT, LB, RB;
  TRect Cl;
};
TNewCorners MoveCorners(POINT lt, POINT rt, POINT lb, POINT rb, RECT cl, const RECT& skin, int w, int h) {
  int dx = w - (skin.right - skin.left), dy = h - (skin.bottom - skin.top);
  return TNewCorners{TPoint{lt.x, lt.y}, TPoint{rt.x + dx, rt.y}, TPoint{lb.x, lb.y + dy}, TPoint{rb.x + dx, rb.y + dy},
                     TRect{cl.left, cl.top, cl.right + dx, cl.bottom + dy}};
}
}  // namespace

void TspSkinCustomListView::DrawHeaderSection(TCanvas* canvas, TListColumn* column, const RECT& r, bool pressed) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  TBitmap b(w, h);
  TCanvas* bc = b.Canvas();
  bc->Font()->Assign(Font());
  if (!HPicture) {
    FillWith(bc, TRect{0, 0, w, h}, pressed ? TColor(0x800000) : clBtnShadow);
    FillWith(bc, TRect{1, 1, w - 1, h - 1}, pressed ? TColor(0xB59385) : clBtnFace);
    bc->Font()->SetColor(clBtnText);
  } else {
    RECT src = pressed ? HDownSkinRect : HSkinRect;
    bc->Font()->SetColor(pressed ? HDownFontColor : HFontColor);
    if (HLBPt.x != 0 || HLBPt.y != 0) {
      TNewCorners n = MoveCorners(HLTPt, HRTPt, HLBPt, HRBPt, HClRect, HSkinRect, w, h);
      CreateNinePartImage(P(HLTPt), P(HRTPt), P(HLBPt), P(HRBPt), T(HClRect), n.LT, n.RT, n.LB, n.RB, n.Cl, &b,
                          HPicture, T(src), w, h, true, HLeftStretch, HTopStretch, HRightStretch, HBottomStretch,
                          HStretchEffect, HStretchType);
    } else {
      TBitmap strip;
      int sw = src.right - src.left, sh = src.bottom - src.top;
      CreateHorzThreePartImage(HLTPt.x, sw - HRTPt.x, &strip, HPicture, T(src), w, sh, HStretchEffect);
      bc->StretchDraw(TRect{0, 0, w, h}, &strip);
    }
  }
  bc->Brush()->SetStyle(bsClear);
  if (OnDrawHeaderSection) {
    OnDrawHeaderSection(bc, column, pressed, TRect{0, 0, w, h});
  } else if (column) {
    TRect content{5, 0, w - 5, h};
    std::string text = column->Caption();
    int th = bc->TextHeight("Wg");
    int ty = (h - th) / 2;
    if (bc->Font()->Height() % 2 != 0) --ty;
    TCustomImageList* il = SmallImages();
    bool image = il && column->ImageIndex() >= 0 && column->ImageIndex() < il->Count();
    int x = content.Left;
    if (image) {
      int iw = il->Width();
      std::string shown = text;
      ShortenTextToWidth(bc, shown, content.Width() - iw - 10);
      int tw = bc->TextWidth(shown);
      if (shown == text) {
        if (column->Alignment() == caRightJustify)
          x = content.Right - tw - iw - 10;
        else if (column->Alignment() == caCenter)
          x = content.Left + content.Width() / 2 - (tw + iw + 10) / 2;
      }
      il->Draw(bc, x, (h - il->Height()) / 2, column->ImageIndex(), true);
      bc->TextRect(content, x + iw + 10, ty, shown);
    } else {
      std::string shown = text;
      ShortenTextToWidth(bc, shown, content.Width());
      int tw = bc->TextWidth(shown);
      if (column->Alignment() == caRightJustify)
        x = content.Right - tw;
      else if (column->Alignment() == caCenter)
        x = content.Left + content.Width() / 2 - tw / 2;
      bc->TextRect(content, x, ty, shown);
    }
  }
  canvas->Draw(r.left, r.top, &b);
}

void TspSkinCustomListView::HeaderPaint(HDC dc) {
  HWND h = FHeaderHandle;
  if (!h) return;
  PAINTSTRUCT ps{};
  // Only a context this routine took is given back; one handed in stays
  // its owner's.
  bool own = dc == nullptr;
  if (own) dc = BeginPaint(h, &ps);
  TCanvas canvas;
  canvas.SetHandle(dc);
  GetHeaderSkinData();
  int count = static_cast<int>(SendMessageW(h, HDM_GETITEMCOUNT, 0, 0));
  int right = 0;
  RECT client{};
  GetClientRect(h, &client);
  for (int i = 0; i < count; ++i) {
    RECT r = GetSectionRect(i);
    TListColumn* column = i < Columns()->Count() ? Columns()->Items(i) : nullptr;
    DrawHeaderSection(&canvas, column, r, i == FActiveSection && FHeaderDown);
    right = std::max(right, static_cast<int>(r.right));
  }
  TRect rest{right, 0, client.right + 1, client.bottom};
  if (!rest.IsEmpty()) {
    if (!HPicture) {
      FillWith(&canvas, rest, clBtnShadow);
      FillWith(&canvas, TRect{rest.Left + 1, rest.Top + 1, rest.Right - 1, rest.Bottom - 1}, clBtnFace);
    } else {
      TBitmap b(rest.Width(), rest.Height());
      if (HLBPt.x != 0 || HLBPt.y != 0) {
        TNewCorners n = MoveCorners(HLTPt, HRTPt, HLBPt, HRBPt, HClRect, HSkinRect, rest.Width(), rest.Height());
        CreateNinePartImageOpenRight(P(HLTPt), P(HRTPt), P(HLBPt), P(HRBPt), T(HClRect), n.LT, n.RT, n.LB, n.RB,
                                     n.Cl, &b, HPicture, T(HSkinRect), rest.Width(), rest.Height(), true,
                                     HLeftStretch, HTopStretch, HRightStretch, HBottomStretch, HStretchEffect,
                                     HStretchType);
        canvas.Draw(rest.Left, rest.Top, &b);
      } else {
        int sw = HSkinRect.right - HSkinRect.left, sh = HSkinRect.bottom - HSkinRect.top;
        CreateHorzLeftEndImage(HLTPt.x, sw - HRTPt.x, &b, HPicture, T(HSkinRect), rest.Width(), sh, HStretchEffect);
        canvas.StretchDraw(rest, &b);
      }
    }
  }
  canvas.SetHandle(nullptr);
  if (own) EndPaint(h, &ps);
}

// ---- scroll bars ----

void TspSkinCustomListView::UpDateScrollBars() {
  HWND h = HandleIfAllocated();
  if (!h || FromSB || Width() <= 5 || Height() <= 5 || (ComponentState() & csLoading)) return;
  bool vChanged = false, hChanged = false;
  int vmin = 0, vmax = 0, hmin = 0, hmax = 0;
  GetScrollRange(h, SB_VERT, &vmin, &vmax);
  GetScrollRange(h, SB_HORZ, &hmin, &hmax);
  int vpos = GetScrollPos(h, SB_VERT), hpos = GetScrollPos(h, SB_HORZ);
  TListItem* first = Items()->Item(0);
  TRect firstBounds = first ? first->DisplayRect(drBounds) : TRect{};
  switch (ViewStyle()) {
    case vsReport: {
      int perPage = VisibleRowCount();
      if (FVScrollBar) {
        SetBarVisible(FVScrollBar, perPage < vmax + 1 && Visible(), vChanged);
        if (FVScrollBar->Visible()) {
          FVScrollBar->SetRange(vmin, vmax, vpos, perPage);
          FOldVScrollBarPos = vpos;
          FVScrollBar->SetSmallChange(1);
          FVScrollBar->SetLargeChange(perPage > 0 ? perPage : 1);
        }
      }
      if (FHScrollBar) {
        SetBarVisible(FHScrollBar, hmax > Width() && Visible(), hChanged);
        if (FHScrollBar->Visible()) {
          FHScrollBar->SetRange(hmin, hmax, hpos, Width());
          FOldHScrollBarPos = hpos;
        }
      }
      break;
    }
    case vsList: {
      if (FVScrollBar && FVScrollBar->Visible()) SetBarVisible(FVScrollBar, false, vChanged);
      if (FHScrollBar) {
        int itemWidth = firstBounds.Width();
        int page = first && itemWidth > 0 ? Width() / itemWidth : 1;
        int count = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
        SetBarVisible(FHScrollBar, VisibleRowCount() < count && Visible(), hChanged);
        if (FHScrollBar->Visible()) {
          FHScrollBar->SetRange(hmin, hmax, hpos, page);
          FOldHScrollBarPos = hpos;
          FHScrollBar->SetSmallChange(1);
          FHScrollBar->SetLargeChange(1);
        }
      }
      break;
    }
    default: {
      int step = firstBounds.Height() / 2;
      if (step <= 0) step = 1;
      if (FVScrollBar) {
        SetBarVisible(FVScrollBar, vmax > Height() && Visible(), vChanged);
        if (FVScrollBar->Visible()) {
          FVScrollBar->SetSmallChange(step);
          FVScrollBar->SetLargeChange(step);
          FVScrollBar->SetRange(vmin, vmax, vpos, Height());
          FOldVScrollBarPos = vpos;
        }
      }
      if (FHScrollBar) {
        SetBarVisible(FHScrollBar, hmax > Width() && Visible(), hChanged);
        if (FHScrollBar->Visible()) {
          FHScrollBar->SetSmallChange(step);
          FHScrollBar->SetLargeChange(step);
          FHScrollBar->SetRange(hmin, hmax, hpos, Width());
          FOldHScrollBarPos = hpos;
        }
      }
      break;
    }
  }
  FinishScrollBars(vChanged || hChanged);
}

void TspSkinCustomListView::OnVScrollBarChange(TObject*) { FollowScrollBar(FVScrollBar, FOldVScrollBarPos, true); }

void TspSkinCustomListView::OnHScrollBarChange(TObject*) { FollowScrollBar(FHScrollBar, FOldHScrollBarPos, false); }

void TspSkinCustomListView::FollowScrollBar(TspSkinScrollBar* bar, int& oldPos, bool vertical) {
  if (!bar || !HandleAllocated()) return;
  FromSB = true;
  if (TListItem* s = Selected()) s->CancelEdit();
  int diff = bar->Position() - oldPos;
  if (vertical) {
    // Lists and reports scroll by rows, the icon views by pixels.
    int dy = diff;
    if (ViewStyle() == vsList || ViewStyle() == vsReport) {
      TListItem* first = Items()->Item(0);
      dy = diff * (first ? first->DisplayRect(drBounds).Height() : 0);
    }
    Scroll(0, dy);
  } else if (ViewStyle() == vsList) {
    // A list scrolls sideways by columns.
    HWND h = Handle();
    for (int i = 0; i < std::abs(diff); ++i)
      SendMessageW(h, WM_HSCROLL, MAKEWPARAM(diff < 0 ? SB_LINELEFT : SB_LINERIGHT, 0), 0);
  } else {
    Scroll(diff, 0);
  }
  oldPos = bar->Position();
  FromSB = false;
}

void TspSkinCustomListView::WndProc(TMessage& m) {
  if (m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == WM_CREATE) {
    auto child = reinterpret_cast<HWND>(m.LParam);
    WCHAR name[81] = {};
    GetClassNameW(child, name, 80);
    if (std::u16string(reinterpret_cast<const char16_t*>(name)) == u"SysHeader32" && ShowColumnHeaders()) {
      ReleaseHeader();
      SubclassHeader(child);
    }
  }
  if (m.Msg == SP_PAINTHEADER) {
    if (FHeaderHandle && m.WParam) HeaderPaint(reinterpret_cast<HDC>(m.WParam));
    return;
  }
  TspSkinViewControl::WndProc(m);
  switch (m.Msg) {
    case WM_SIZE:
      if (!FInCheckScrollBars && Items()->Count() > 0) UpDateScrollBars();
      if (ViewStyle() == vsReport && FHeaderHandle) InvalidateRect(FHeaderHandle, nullptr, FALSE);
      break;
    case WM_PAINT:
      if (!FInCheckScrollBars) UpDateScrollBars();
      if (ViewStyle() == vsReport && FHeaderHandle && (GridLines() || FDrawSkin) && HandleAllocated()) {
        RECT hr{};
        GetWindowRect(FHeaderHandle, &hr);
        int y = hr.bottom - hr.top;
        HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : GetDC(Handle());
        RECT row{0, y, Width(), y + 1};
        HBRUSH br = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color())));
        FillRect(dc, &row, br);
        DeleteObject(br);
        if (!m.WParam) ReleaseDC(Handle(), dc);
      }
      break;
    default:
      break;
  }
}

// ---- items ----

void TspSkinCustomListView::DrawSubItems(TCanvas* canvas, TListItem* item, TCustomDrawState state,
                                         const TRect& bounds, int dx, int dy) {
  HWND h = Handle();
  int x = bounds.Left + static_cast<int>(SendMessageW(h, LVM_GETCOLUMNWIDTH, 0, 0));
  for (int i = 0; i < item->SubItemCount() && i + 1 < Columns()->Count(); ++i) {
    int cw = static_cast<int>(SendMessageW(h, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i + 1), 0));
    TRect cell{x + 3 + dx, bounds.Top + dy, x + cw - 3 + dx, bounds.Bottom + dy};
    x += cw;
    if (cell.Width() <= 0) continue;
    if (OnDrawSkinSubItem) {
      OnDrawSkinSubItem(this, item, i, state, canvas, cell);
      continue;
    }
    int img = item->SubItemImage(i);
    if (SmallImages() && img >= 0 && img < SmallImages()->Count()) {
      SmallImages()->Draw(canvas, cell.Left, cell.Top + (cell.Height() - SmallImages()->Height()) / 2, img, true);
      cell.Left += SmallImages()->Width() + 3;
    }
    std::string text = item->SubItem(i);
    ShortenTextToWidth(canvas, text, cell.Width());
    DrawAlignedTextVCentered(canvas, text, cell, Columns()->Items(i + 1)->Alignment());
  }
}

void TspSkinCustomListView::SkinCustomDrawItem(TCustomListView*, TListItem* item, TCustomDrawState state,
                                               bool& defaultDraw) {
  if (!FSD || FSD->Empty) return;
  HWND h = Handle();
  if (!SmallImages() && !LargeImages()) {
    FThirdImages = reinterpret_cast<HIMAGELIST>(
        SendMessageW(h, LVM_GETIMAGELIST, ViewStyle() == vsIcon ? LVSIL_NORMAL : LVSIL_SMALL, 0));
    if (FThirdImages) {
      ImageList_GetIconSize(FThirdImages, &FThirdImageWidth, &FThirdImageHeight);
      FThirdImagesCount = ImageList_GetImageCount(FThirdImages);
    } else {
      FThirdImageWidth = FThirdImageHeight = FThirdImagesCount = 0;
    }
  } else {
    FThirdImages = nullptr;
  }
  auto* lb = ElementAs<TspDataSkinListBox>(FSD, FItemSkinDataName);
  if (!lb) return;
  defaultDraw = false;
  TCanvas* c = Canvas();
  const TViewStyle view = ViewStyle();
  const std::string& caption = item->Caption();
  c->Font()->Assign(Font());
  TRect label = item->DisplayRect(drLabel);
  if (view == vsList) label.Right = label.Left + c->TextWidth(caption) + 2;
  TRect icon = item->DisplayRect(drIcon);
  TRect bounds = item->DisplayRect(drBounds);
  TRect sel;
  if (view == vsIcon) {
    sel = label;
  } else if (view == vsList) {
    sel = label;
    sel.Right += caption.empty() ? 20 : 4;
  } else {
    sel = item->DisplayRect(drSelectBounds);
    sel.Left = label.Left;
  }
  sel.Bottom -= 1;
  const int shortBy = view == vsList ? 0 : view == vsReport ? 3 : 2;
  const int textOffset = view == vsReport ? 3 : 2;

  auto drawCaption = [&](TCanvas* cv, TRect lr, bool breakWords) {
    cv->Brush()->SetStyle(bsClear);
    if (view == vsIcon && WrapText()) {
      DrawCenteredWrappedText(cv, caption, TRect{lr.Left, lr.Top, lr.Right - 4, lr.Bottom}, breakWords);
    } else {
      std::string shown = caption;
      ShortenTextToWidth(cv, shown, lr.Width() - shortBy);
      DrawTextVCentered(cv, shown, TRect{lr.Left + textOffset, lr.Top, lr.Right, lr.Bottom});
    }
  };

  bool selected = (state & cdsSelected) != 0;
  if (selected && sel.Width() >= 1 && sel.Height() >= 1) {
    bool focused = Focused();
    TBitmap b(sel.Width(), sel.Height());
    DrawSkinRectStretched(&b, ElementPicture(FSD, lb->PictureIndex),
                          T(focused ? lb->FocusItemRect : lb->ActiveItemRect), T(lb->ItemTextRect), true);
    TCanvas* bc = b.Canvas();
    bc->Font()->Assign(Font());
    bc->Font()->SetColor(focused ? lb->FocusFontColor : lb->ActiveFontColor);
    TRect lr{label.Left - sel.Left, label.Top - sel.Top, label.Right - sel.Left, label.Bottom - sel.Top};
    drawCaption(bc, lr, true);
    if (view == vsReport && RowSelect()) DrawSubItems(bc, item, state, bounds, -sel.Left, -sel.Top);
    c->Draw(sel.Left, sel.Top, &b);
  } else {
    FillWith(c, TRect{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom - 1}, Color());
    c->Font()->SetColor(Font()->Color());
    drawCaption(c, label, false);
  }

  // The item's picture.
  int idx = item->ImageIndex();
  TCustomImageList* il = view == vsIcon ? LargeImages() : SmallImages();
  int iw = 0, ih = 0;
  bool drawImage = false;
  if (FThirdImages && idx >= 0 && idx < FThirdImagesCount) {
    iw = FThirdImageWidth;
    ih = FThirdImageHeight;
    drawImage = true;
  } else if (il && idx >= 0 && idx < il->Count()) {
    iw = il->Width();
    ih = il->Height();
    drawImage = true;
  }
  if (drawImage) {
    int x = icon.Left, y = icon.Top;
    if (view == vsIcon) {
      x = icon.Left + (icon.Width() - iw) / 2;
      y = icon.Top + 2;
    }
    if (FThirdImages) {
      FillWith(c, TRect{x, y, x + iw, y + ih}, Color());
      ImageList_DrawEx(FThirdImages, idx, c->Handle(), x, y, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    } else {
      il->Draw(c, x, y, idx, true);
    }
  }

  // The check box left of the picture.
  if (Checkboxes()) {
    auto* ce = ElementAs<TspDataSkinCheckRadioControl>(FSD, FCheckSkinDataName);
    TBitmap* pic = ce ? ElementPicture(FSD, ce->PictureIndex) : nullptr;
    if (ce && pic) {
      TRect src = T(item->Checked() ? ce->CheckImageRect : ce->UnCheckImageRect);
      if (!src.IsEmpty()) {
        TBitmap mark(src.Width(), src.Height());
        mark.Canvas()->CopyRect(TRect{0, 0, src.Width(), src.Height()}, pic->Canvas(), src);
        mark.SetTransparent(true);
        int x = icon.Left - 1 - mark.Width();
        int y = view == vsIcon ? icon.Bottom - mark.Height() - 1
                               : bounds.Top + icon.Height() / 2 - mark.Height() / 2 - 1;
        y = std::max(y, bounds.Top);
        c->Draw(x, y, &mark);
      }
    }
  }

  if (view == vsReport) {
    if (!(selected && RowSelect())) {
      c->Font()->Assign(Font());
      c->Brush()->SetStyle(bsClear);
      DrawSubItems(c, item, state, bounds, 0, 0);
    }
    if (FDrawSkinLines) {
      c->Pen()->SetColor(FLineColor);
      int x = bounds.Left;
      for (int i = 0; i < Columns()->Count(); ++i) {
        x += static_cast<int>(SendMessageW(h, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        Line(c, x - 1, bounds.Top, x - 1, bounds.Bottom);
      }
      Line(c, bounds.Left, bounds.Bottom - 1, Width(), bounds.Bottom - 1);
      if (item->Index() == 0) Line(c, bounds.Left, bounds.Top - 1, Width(), bounds.Top - 1);
    }
  }
}
