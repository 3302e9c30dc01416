#include "skin/frame/SkinImagesMenu.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinDraw.h"
#include "skin/data/SPUtils.h"
#include "skin/frame/FrameDrawing.h"
#include "skin/frame/SkinHint.h"
#include "skin/frame/SkinMenus.h"

namespace {


int RW(const RECT& r) { return r.right - r.left; }
int RH(const RECT& r) { return r.bottom - r.top; }
bool RectEmpty(const TspRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

COLORREF ToRGB(TColor c) { return static_cast<COLORREF>(ColorToRGB(c)) & 0xFFFFFF; }

}  // namespace

// ---------------------------------------------------------------------------
// Items

int TspImagesMenuItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TspImagesMenuItem::Assign(const TPersistent* source) {
  if (auto* item = dynamic_cast<const TspImagesMenuItem*>(source)) {
    SetImageIndex(item->ImageIndex());
    SetCaption(item->Caption());
    Button = item->Button;
    Hint = item->Hint;
    return;
  }
  TPersistent::Assign(source);
}

TspImagesMenuItem* TspImagesMenuItems::Add() {
  FItems.push_back(std::make_unique<TspImagesMenuItem>(this));
  return FItems.back().get();
}

int TspImagesMenuItems::IndexOf(const TspImagesMenuItem* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return static_cast<int>(i);
  return -1;
}

void TspImagesMenuItems::Delete(int index) {
  if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

// ---------------------------------------------------------------------------
// TspSkinImagesMenuPopupWindow

TspSkinImagesMenuPopupWindow::TspSkinImagesMenuPopupWindow(TspSkinImagesMenu* owner)
    : TCustomControl(nullptr), ImagesMenu(owner) {
  FVisible = false;
  // The window keeps the mouse itself for as long as it is open.
  ControlStyle = (ControlStyle & ~csCaptureMouse) | csReplicatable;
}

TspSkinImagesMenuPopupWindow::~TspSkinImagesMenuPopupWindow() {
  ReleaseMenuHook();
  if (HandleAllocated() && GetCapture() == HandleIfAllocated()) ReleaseCapture();
}

void TspSkinImagesMenuPopupWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_TOOLWINDOW;
  params.WindowClassStyle |= CS_SAVEBITS;
  params.WinClassName = u"TspSkinImagesMenuPopupWindow";
  if (IsWindowsXPOrLater()) {
    params.WindowClassStyle |= CS_DROPSHADOW;
    params.WinClassName = u"TspSkinImagesMenuPopupWindowShadow";
  }
  params.WndParent = Application ? Application->Handle() : nullptr;
}

bool TspSkinImagesMenuPopupWindow::SkinUsable() const {
  TspSkinData* sd = ImagesMenu->SkinData();
  return sd && !sd->Empty && sd->PopupWindow && sd->PopupWindow->WindowPictureIndex != -1 &&
         SkinPicture(sd->PopupWindow->WindowPictureIndex);
}

const TspPicture* TspSkinImagesMenuPopupWindow::SkinPicture(int index) const {
  TspSkinData* sd = ImagesMenu->SkinData();
  if (!sd || index < 0 || index >= static_cast<int>(sd->FActivePictures.size())) return nullptr;
  const TspPicture& p = sd->FActivePictures[index];
  return p.Empty() ? nullptr : &p;
}

void TspSkinImagesMenuPopupWindow::CalcItemRects() {
  TCustomImageList* images = ImagesMenu->Images();
  int iw = images ? images->Width() : 0, ih = images ? images->Height() : 0;
  int cols = ImagesMenu->ColumnsCount();
  int rowW = (iw + 10) * cols;
  int l = 5, t = 5;
  if (FSkinSupport) {
    l = ImagesMenu->SkinData()->PopupWindow->ItemsRect.Left;
    t = ImagesMenu->SkinData()->PopupWindow->ItemsRect.Top;
  }
  int headerH = -1;
  if (TspSkinData* sd = ImagesMenu->SkinData(); sd && !sd->Empty) {
    int li = sd->GetControlIndex("label");
    if (li >= 0)
      if (auto* le = dynamic_cast<TspDataSkinLabelControl*>(sd->CtrlList[li].get()))
        headerH = le->SkinRect.Bottom - le->SkinRect.Top;
  }
  int x = l, y = t;
  TspImagesMenuItems* items = ImagesMenu->ImagesItems();
  for (int i = 0; i < items->Count(); ++i) {
    TspImagesMenuItem* it = items->Items(i);
    if (it->Button || it->Header) {
      if (x != l) {
        x = l;
        y += ih + 11;
      }
      if (it->Header && headerH >= 0) {
        it->ItemRect = RECT{l, y, l + rowW, y + headerH};
        y += headerH + 1;
      } else {
        it->ItemRect = RECT{l, y, l + rowW, y + ih + 10};
        y += ih + 11;
      }
    } else {
      it->ItemRect = RECT{x, y, x + iw + 10, y + ih + 10};
      x += iw + 10;
      if (x + iw + 10 > l + rowW) {
        x = l;
        y += ih + 11;
      }
    }
  }
}

void TspSkinImagesMenuPopupWindow::CalcWindowSize(int& width, int& height) {
  FSkinSupport = SkinUsable();
  CalcItemRects();
  TspImagesMenuItems* items = ImagesMenu->ImagesItems();
  TCustomImageList* images = ImagesMenu->Images();
  int rowW = ((images ? images->Width() : 0) + 10) * ImagesMenu->ColumnsCount();
  int itemsH = items->Count() > 0 ? items->Items(items->Count() - 1)->ItemRect.bottom - items->Items(0)->ItemRect.top
                                  : 0;
  if (FSkinSupport) {
    const TspDataSkinPopupWindow& e = *ImagesMenu->SkinData()->PopupWindow;
    WindowPicture = SkinPicture(e.WindowPictureIndex);
    MaskPicture = SkinPicture(e.MaskPictureIndex);
    int pw = WindowPicture->Width, ph = WindowPicture->Height;
    width = pw - (e.ItemsRect.Right - e.ItemsRect.Left) + rowW;
    height = ph - (e.ItemsRect.Bottom - e.ItemsRect.Top) + itemsH;
    NewLTPoint = ToPOINT(e.LTPoint);
    NewRTPoint = POINT{width - (pw - e.RTPoint.X), e.RTPoint.Y};
    NewLBPoint = POINT{e.LBPoint.X, height - (ph - e.LBPoint.Y)};
    NewRBPoint = POINT{width - (pw - e.RBPoint.X), height - (ph - e.RBPoint.Y)};
    NewItemsRect = RECT{e.ItemsRect.Left, e.ItemsRect.Top, width - (pw - e.ItemsRect.Right),
                        height - (ph - e.ItemsRect.Bottom)};
  } else {
    WindowPicture = MaskPicture = nullptr;
    width = rowW + 10;
    height = itemsH + 10;
  }
}

void TspSkinImagesMenuPopupWindow::Show(const RECT& popupRect) {
  int w = 0, h = 0;
  CalcWindowSize(w, h);
  HWND handle = Handle();
  SetBounds(popupRect.left, popupRect.bottom, w, h);
  if (FSkinSupport && MaskPicture) {
    const TspDataSkinPopupWindow& e = *ImagesMenu->SkinData()->PopupWindow;
    HRGN rgn = NinePartRegionFromMask(ImageSourceOf(MaskPicture), ToPOINT(e.LTPoint), ToPOINT(e.RTPoint),
                                      ToPOINT(e.LBPoint), ToPOINT(e.RBPoint), ToRECT(e.ItemsRect), NewLTPoint,
                                      NewRTPoint, NewLBPoint, NewRBPoint, NewItemsRect, w, h);
    // The window owns its region and frees the old one.
    if (rgn) SetWindowRgn(handle, rgn, TRUE);
    FRgn = rgn;
  } else if (FRgn) {
    SetWindowRgn(handle, nullptr, TRUE);
    FRgn = nullptr;
  }

  // Keep it on the monitor: above the anchor when it would pass the bottom.
  auto* owner = dynamic_cast<TWinControl*>(ImagesMenu->Owner());
  const TRect area = spPopupWorkArea(owner ? owner->HandleIfAllocated() : nullptr);
  int left = popupRect.left, top = popupRect.bottom;
  if (top + h > area.Bottom) top = popupRect.top - h;
  if (left + w > area.Right) left = area.Right - w;
  left = std::max(left, static_cast<int>(area.Left));
  top = std::max(top, static_cast<int>(area.Top));
  SetBounds(left, top, w, h);

  bool fade = ImagesMenu->AlphaBlend && ImagesMenu->AlphaBlendAnimation && IsWindows2000OrLater();
  if (ImagesMenu->AlphaBlend && IsWindows2000OrLater()) {
    SetWindowLongW(handle, GWL_EXSTYLE, GetWindowLongW(handle, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowAlphaValue(handle, fade ? 0 : ImagesMenu->AlphaBlendValue);
  }
  SetWindowPos(handle, HWND_TOPMOST, left, top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  FVisible = true;
  if (fade) {
    if (Application) Application->ProcessMessages();
    // The messages may have closed the grid: then there is nothing to fade.
    if (ImagesMenu->FPopupWindow != this || !IsWindow(handle)) return;
    int target = ImagesMenu->AlphaBlendValue;
    int step = std::max(1, target / 15);
    int value = 0;
    double last = FineClockMs();
    while (value < target) {
      double now = FineClockMs();
      if (now - last > 5) {
        last = now;
        value = std::min(value + step, target);
        SetWindowAlphaValue(handle, static_cast<uint8_t>(value));
      } else {
        Sleep(1);
      }
    }
  }
  if (Application && !FHookId)
    FHookId = Application->AddMessageHook([this](MSG& msg, bool& handled) { AppMessage(msg, handled); });
  SetCapture(handle);
}

void TspSkinImagesMenuPopupWindow::ReleaseMenuHook() {
  if (FHookId && Application) Application->RemoveMessageHook(FHookId);
  FHookId = 0;
}

void TspSkinImagesMenuPopupWindow::HideItemHint() {
  if (ImagesMenu->ShowHints && ImagesMenu->SkinHint()) ImagesMenu->SkinHint()->HideHint();
}

void TspSkinImagesMenuPopupWindow::Hide(bool processEvents) {
  HideItemHint();
  if (HandleAllocated())
    SetWindowPos(HandleIfAllocated(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FVisible = false;
  ReleaseMenuHook();
  if (HandleAllocated() && GetCapture() == HandleIfAllocated()) ReleaseCapture();
  ImagesMenu->ProcessEvents(processEvents);
}

void TspSkinImagesMenuPopupWindow::AppMessage(MSG& msg, bool& handled) {
  if (!FHookId) return;
  switch (msg.message) {
    case WM_KEYDOWN:
      ProcessKey(static_cast<WORD>(msg.wParam));
      handled = true;
      break;
    // The grid takes its own left presses; the system keys end it as well.
    case WM_LBUTTONDOWN:
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
      Hide(false);
      break;
    default:
      if (IsMenuCloseMessage(msg.message)) Hide(false);
      break;
  }
}

void TspSkinImagesMenuPopupWindow::ProcessKey(WORD key) {
  TspImagesMenuItems* items = ImagesMenu->ImagesItems();
  int n = items->Count();
  auto header = [&](int i) { return items->Items(i)->Header; };
  int first = (n >= 2 && header(0)) ? 1 : 0;
  int cur = MouseInItem;
  int next = cur;
  switch (key) {
    case VK_RETURN:
    case VK_SPACE:
      if (MouseInItem != -1) ImagesMenu->ItemIndex = MouseInItem;
      Hide(true);
      return;
    case VK_ESCAPE:
      Hide(false);
      return;
    case VK_LEFT:
      if (n == 0) return;
      if (cur < 0 || cur >= n || cur == first) {
        next = n - 1;
      } else {
        next = n - 1;
        for (int i = cur - 1; i >= 0; --i)
          if (!header(i)) {
            next = i;
            break;
          }
      }
      break;
    case VK_RIGHT:
      if (n == 0) return;
      if (cur < 0 || cur >= n - 1) {
        next = first;
      } else {
        next = first;
        for (int i = cur + 1; i < n; ++i)
          if (!header(i)) {
            next = i;
            break;
          }
      }
      break;
    case VK_UP:
      if (n == 0) return;
      if (cur < 0 || cur >= n) {
        next = n - 1;
      } else {
        const RECT& cr = items->Items(cur)->ItemRect;
        for (int i = cur - 1; i >= 0; --i) {
          const TspImagesMenuItem* it = items->Items(i);
          if (it->Header) continue;
          if ((it->ItemRect.top < cr.top && it->ItemRect.left == cr.left) || it->Button) {
            next = i;
            break;
          }
        }
      }
      break;
    case VK_DOWN:
      if (n == 0) return;
      if (cur < 0 || cur >= n) {
        next = first;
      } else {
        const RECT& cr = items->Items(cur)->ItemRect;
        for (int i = cur + 1; i < n; ++i) {
          const TspImagesMenuItem* it = items->Items(i);
          if (it->Header) continue;
          if ((it->ItemRect.top > cr.top && it->ItemRect.left == cr.left) || it->Button) {
            next = i;
            break;
          }
        }
      }
      break;
    default:
      return;
  }
  MouseInItem = next;
  Repaint();
}

int TspSkinImagesMenuPopupWindow::ItemAt(int x, int y) const {
  TspImagesMenuItems* items = ImagesMenu->ImagesItems();
  POINT p{x, y};
  for (int i = 0; i < items->Count(); ++i) {
    const TspImagesMenuItem* it = items->Items(i);
    if (!it->Header && PtInRect(&it->ItemRect, p)) return i;
  }
  return -1;
}

void TspSkinImagesMenuPopupWindow::TestMouseItem(int x, int y) {
  MouseInItem = ItemAt(x, y);
  TspSkinHint* hint = ImagesMenu->SkinHint();
  if (hint && MouseInItem == -1) hint->HideHint();
  if (MouseInItem != OldMouseInItem) {
    OldMouseInItem = MouseInItem;
    Repaint();
    if (ImagesMenu->ShowHints && MouseInItem != -1 && hint) {
      hint->HideHint();
      const std::string& text = ImagesMenu->ImagesItems()->Items(MouseInItem)->Hint;
      if (!text.empty()) hint->ActivateHint2(text);
    }
  }
}

void TspSkinImagesMenuPopupWindow::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  TestMouseItem(x, y);
}

void TspSkinImagesMenuPopupWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  HideItemHint();
  FDown = true;
  FItemDown = ItemAt(x, y) != -1;
  Repaint();
}

void TspSkinImagesMenuPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  int item = ItemAt(x, y);
  if (FDown && item != -1) {
    ImagesMenu->ItemIndex = item;
    Hide(true);
    return;
  }
  HWND h = Handle();
  ReleaseCapture();
  SetCapture(h);
}

void TspSkinImagesMenuPopupWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      return;
    case CM_MOUSELEAVE:
      HideItemHint();
      MouseInItem = OldMouseInItem = -1;
      Repaint();
      return;
    case CM_MOUSEENTER:
      return;
    default:
      break;
  }
  HWND self = HandleIfAllocated();
  TCustomControl::WndProc(m);
  if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && FVisible && ImagesMenu->FPopupWindow == this) {
    // The window holds the mouse: a press anywhere else lands here.
    POINT p;
    GetCursorPos(&p);
    if (WindowFromPoint(p) != self) Hide(false);
  }
}

void TspSkinImagesMenuPopupWindow::Paint() {
  int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  FSkinSupport = SkinUsable();
  TspPaintBuffer b(w, h);
  if (FSkinSupport) {
    const TspDataSkinPopupWindow& e = *ImagesMenu->SkinData()->PopupWindow;
    const TspPicture* pic = SkinPicture(e.WindowPictureIndex);
    TspNinePartSpec n = spElementNinePart(e, RECT{0, 0, pic->Width, pic->Height}, e.ItemsRect);
    n.NewLT = NewLTPoint;
    n.NewRT = NewRTPoint;
    n.NewLB = NewLBPoint;
    n.NewRB = NewRBPoint;
    n.NewClRect = NewItemsRect;
    DrawNinePart(b, ImageSourceOf(pic), n);
  } else {
    b.Fill(b.ClientRect(), GetSysColor(COLOR_WINDOW));
    b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  }
  DrawItems(b, MouseInItem, ImagesMenu->ShowSelectedItem ? ImagesMenu->ItemIndex : -1);
  b.DrawTo(PaintDC(), 0, 0);
}

void TspSkinImagesMenuPopupWindow::DrawItems(TspPaintBuffer& b, int activeIndex, int selectedIndex) {
  TspImagesMenuItems* items = ImagesMenu->ImagesItems();
  TCustomImageList* images = ImagesMenu->Images();
  for (int i = 0; i < items->Count(); ++i) {
    TspImagesMenuItem* it = items->Items(i);
    RECT r = it->ItemRect;
    if (it->Header) {
      DrawGroupHeader(b, it->Caption(), r);
      continue;
    }
    bool selected = i == selectedIndex && !FItemDown;
    bool active = i == activeIndex;
    if (selected)
      DrawItemFrame(b, r, true);
    else if (active)
      DrawItemFrame(b, r, FItemDown);
    int captionLeft = r.left;
    if (images && it->ImageIndex() >= 0 && it->ImageIndex() < images->Count()) {
      images->Draw(b.Canvas(), r.left + 5, r.top + 5, it->ImageIndex(), true);
      captionLeft = r.left + images->Width() + 5;
    }
    if (it->Button && !it->Caption().empty()) {
      bool down = selected || (active && FItemDown);
      DrawItemCaption(b, it->Caption(), RECT{captionLeft, r.top, r.right, r.bottom}, down, active && !FItemDown);
    }
  }
}

namespace {

const TspDataSkinButtonControl* ButtonElement(TspSkinData* sd) {
  if (!sd || sd->Empty) return nullptr;
  int i = sd->GetControlIndex("menuitembutton");
  if (i < 0) i = sd->GetControlIndex("resizebutton");
  if (i < 0) return nullptr;
  return dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[i].get());
}

}  // namespace

void TspSkinImagesMenuPopupWindow::DrawItemFrame(TspPaintBuffer& b, const RECT& r, bool pressed) {
  int w = RW(r), h = RH(r);
  if (w <= 0 || h <= 0) return;
  TspPaintBuffer cell(w, h);
  const TspDataSkinButtonControl* e = FSkinSupport ? ButtonElement(ImagesMenu->SkinData()) : nullptr;
  const TspPicture* pic = e ? SkinPicture(e->PictureIndex) : nullptr;
  if (e && pic) {
    TspRect src = pressed && !RectEmpty(e->DownSkinRect) ? e->DownSkinRect : e->ActiveSkinRect;
    if (RectEmpty(src)) src = e->SkinRect;
    int dx = w - (e->SkinRect.Right - e->SkinRect.Left), dy = h - (e->SkinRect.Bottom - e->SkinRect.Top);
    TspNinePartSpec n = spElementNinePart(*e, ToRECT(src), e->ClRect);
    n.NewLT = n.LT;
    n.NewRT = POINT{e->RTPoint.X + dx, e->RTPoint.Y};
    n.NewLB = POINT{e->LBPoint.X, e->LBPoint.Y + dy};
    n.NewRB = POINT{e->RBPoint.X + dx, e->RBPoint.Y + dy};
    n.NewClRect = RECT{e->ClRect.Left, e->ClRect.Top, e->ClRect.Right + dx, e->ClRect.Bottom + dy};
    DrawNinePart(cell, ImageSourceOf(pic), n);
  } else {
    cell.Fill(cell.ClientRect(), pressed ? RGB(133, 147, 181) : RGB(182, 189, 210));
    cell.Frame(cell.ClientRect(), RGB(0, 0, 128));
  }
  BitBlt(b.DC(), r.left, r.top, w, h, cell.DC(), 0, 0, SRCCOPY);
}

void TspSkinImagesMenuPopupWindow::DrawItemCaption(TspPaintBuffer& b, const std::string& text, RECT r, bool down,
                                                   bool active) {
  TspSkinData* sd = ImagesMenu->SkinData();
  const TspDataSkinButtonControl* e = FSkinSupport ? ButtonElement(sd) : nullptr;
  const TspDataSkinMenuItem* mi = nullptr;
  if (e) {
    int oi = sd->GetIndex("menuitem");
    if (oi < 0) oi = sd->GetIndex("MENUITEM");
    if (oi >= 0) mi = dynamic_cast<TspDataSkinMenuItem*>(sd->ObjectList[oi].get());
  }
  TFont font;
  COLORREF color;
  if (e && mi) {
    if (ImagesMenu->UseSkinFont) {
      font.SetName(e->FontName);
      font.SetHeight(e->FontHeight);
      font.SetStyle(e->FontStyle);
    } else {
      font.Assign(ImagesMenu->DefaultFont());
    }
    font.SetCharset(sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : ImagesMenu->DefaultFont()->Charset());
    color = ToRGB(down ? e->DownFontColor : active ? e->ActiveFontColor : mi->FontColor);
  } else {
    font.Assign(ImagesMenu->DefaultFont());
    color = GetSysColor(COLOR_WINDOWTEXT);
  }
  HDC dc = b.DC();
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font.Handle()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  std::u16string t = UTF8ToUTF16(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, W(t), static_cast<int>(t.size()), &size);
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (size.cx <= RW(r) ? DT_CENTER : DT_LEFT);
  DrawTextW(dc, W(t), static_cast<int>(t.size()), &r, flags);
  SelectObject(dc, old);
}

void TspSkinImagesMenuPopupWindow::DrawGroupHeader(TspPaintBuffer& b, const std::string& text, const RECT& r) {
  TspSkinData* sd = ImagesMenu->SkinData();
  const TspDataSkinLabelControl* le = nullptr;
  if (sd && !sd->Empty) {
    int li = sd->GetControlIndex("label");
    if (li >= 0) le = dynamic_cast<TspDataSkinLabelControl*>(sd->CtrlList[li].get());
  }
  const TspPicture* pic = le ? SkinPicture(le->PictureIndex) : nullptr;
  std::u16string t = UTF8ToUTF16(text);
  if (le && pic) {
    int sw = le->SkinRect.Right - le->SkinRect.Left, sh = le->SkinRect.Bottom - le->SkinRect.Top;
    int w = RW(r);
    if (w <= 0 || sh <= 0) return;
    TspPaintBuffer strip(w, sh);
    DrawHorzThreePart(strip, ImageSourceOf(pic), ToRECT(le->SkinRect), le->LTPoint.X, sw - le->RTPoint.X,
                      le->StretchEffect);
    TFont font;
    font.SetName(le->FontName);
    font.SetHeight(le->FontHeight);
    font.SetStyle(le->FontStyle);
    HDC dc = strip.DC();
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font.Handle()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToRGB(le->FontColor));
    RECT tr{le->ClRect.Left, le->ClRect.Top, w - (sw - le->ClRect.Right), sh};
    DrawTextW(dc, W(t), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    BitBlt(b.DC(), r.left, r.top, w, std::min(sh, RH(r)), dc, 0, 0, SRCCOPY);
  } else {
    HDC dc = b.DC();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT tr = r;
    DrawTextW(dc, W(t), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  }
}

// ---------------------------------------------------------------------------
// TspSkinImagesMenu

TspSkinImagesMenu::TspSkinImagesMenu(TComponent* owner) : TComponent(owner) {}

TspSkinImagesMenu::~TspSkinImagesMenu() {
  FReleaseTimer.Stop();
  TspSkinImagesMenuPopupWindow* w = FPopupWindow;
  FPopupWindow = nullptr;
  delete w;
  FRetired.reset();
}

TspSkinHint* TspSkinImagesMenu::SkinHint() const { return FSkinHint; }

void TspSkinImagesMenu::SetSkinHint(TspSkinHint* value) { FSkinHint.Set(value); }

void TspSkinImagesMenu::SetColumnsCount(int value) {
  if (value >= 1 && value <= 50) FColumnsCount = value;
}

TspImagesMenuItem* TspSkinImagesMenu::SelectedItem() const {
  if (ItemIndex >= 0 && ItemIndex < FImagesItems.Count()) return FImagesItems.Items(ItemIndex);
  return nullptr;
}

bool TspSkinImagesMenu::SelectedItemContent(int& imageIndex, std::string& caption) const {
  TspImagesMenuItem* item = SelectedItem();
  if (!item) return false;
  imageIndex = item->ImageIndex();
  caption = item->Caption();
  return true;
}

void TspSkinImagesMenu::Popup(int x, int y) { PopupFromRect(RECT{x, y, x, y}); }

void TspSkinImagesMenu::PopupFromRect(const RECT& r) {
  if (FPopupWindow) FPopupWindow->Hide(false);
  FreeRetired();
  if (OnMenuPopup) OnMenuPopup(this);
  // Without pictures, or without a single item to lay out, there is no grid.
  if (!FImages || FImages->Count() == 0 || FImagesItems.Count() == 0) return;
  FOldItemIndex = ItemIndex;
  FPopupWindow = new TspSkinImagesMenuPopupWindow(this);
  FPopupWindow->Show(r);
}

void TspSkinImagesMenu::Hide() {
  if (FPopupWindow) FPopupWindow->Hide(false);
}

void TspSkinImagesMenu::SetInternalEvent(TComponentRef<TComponent>& owner, TNotifyEvent& slot, TComponent* client,
                                         TNotifyEvent event) {
  if (!event) {
    // Another control's event stays: a control lets go only of its own.
    if (owner.Get() != client) return;
    owner.Set(nullptr);
    slot = nullptr;
    return;
  }
  owner.Set(client);
  slot = std::move(event);
}

void TspSkinImagesMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  // A control that goes takes its events along.
  if (component == FInternalChangeClient.Get()) OnInternalChange = nullptr;
  if (component == FInternalCloseClient.Get()) OnInternalMenuClose = nullptr;
}

void TspSkinImagesMenu::FreeRetired() {
  FReleaseTimer.Stop();
  FRetired.reset();
}

void TspSkinImagesMenu::ProcessEvents(bool processEvents) {
  if (!FPopupWindow) return;
  // The window may still be inside its own handler: free it once the
  // message loop has the control again.
  FRetired.reset(FPopupWindow);
  FPopupWindow = nullptr;
  FReleaseTimer.Start(0, [this] { FreeRetired(); });
  if (OnInternalMenuClose) OnInternalMenuClose(this);
  if (OnMenuClose) OnMenuClose(this);
  if (processEvents && ItemIndex != -1) {
    if (TspImagesMenuItem* item = SelectedItem())
      if (item->OnClick) item->OnClick(this);
    if (OnItemClick) OnItemClick(this);
    if (ItemIndex != FOldItemIndex) {
      if (OnInternalChange) OnInternalChange(this);
      if (OnChange) OnChange(this);
    }
  }
}
