#include "framework/PageControl.h"

#include <algorithm>

#include "framework/SysUtils.h"

namespace {
void InitTabClass() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
  done = true;
}
}  // namespace

// ---------------------------------------------------------------------------
// TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  ControlStyle |= csAcceptsControls;
  FAlign = alClient;
  FVisible = false;
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = u"TessTabSheet";
  p.Style |= WS_CLIPCHILDREN;
}

void TTabSheet::SetPageControl(TPageControl* value) {
  if (value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  SetParent(value);
  if (value) value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& p = FPageControl->FPages;
  auto it = std::find(p.begin(), p.end(), this);
  return it == p.end() ? -1 : static_cast<int>(it - p.begin());
}

int TTabSheet::TabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  int n = 0;
  for (TTabSheet* s : FPageControl->FPages) {
    if (s == this) return n;
    if (s->FTabVisible) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool value) {
  if (value == FTabVisible) return;
  FTabVisible = value;
  if (!FPageControl) return;
  TPageControl* pc = FPageControl;
  if (!value && pc->FActivePage == this) {
    // The next page with a tab takes over, as the user would expect.
    TTabSheet* next = pc->FindNextPage(this, true, true);
    pc->UpdateTabs();
    pc->SetActivePage(next && next != this ? next : nullptr);
  } else {
    pc->UpdateTabs();
  }
}

void TTabSheet::SetCaption(const std::string& value) {
  TControl::SetCaption(value);
  if (FPageControl) FPageControl->UpdateTabs();
}

// ---------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  ControlStyle |= csAcceptsControls;
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* s : std::vector<TTabSheet*>(FPages)) s->FPageControl = nullptr;
  FPages.clear();
}

void TPageControl::CreateParams(TCreateParams& p) {
  InitTabClass();
  TWinControl::CreateParams(p);
  p.SuperClass = u"SysTabControl32";
  p.WinClassName = u"TessPageControl";
  p.Style |= WS_CLIPCHILDREN;
  switch (FTabPosition) {
    case tpBottom: p.Style |= TCS_BOTTOM; break;
    case tpLeft: p.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
    case tpRight: p.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
    default: break;
  }
  if (FMultiLine) p.Style |= TCS_MULTILINE;
  if (FStyle == tsButtons) p.Style |= TCS_BUTTONS;
  if (FStyle == tsFlatButtons) p.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (FTabWidth > 0) p.Style |= TCS_FIXEDWIDTH;
}

void TPageControl::CreateWindowHandle(const TCreateParams& params) {
  TWinControl::CreateWindowHandle(params);
  if (!FHandle) return;
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (FImages) SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages));
  if (FTabHeight > 0 || FTabWidth > 0) SetItemSize(FTabWidth, FTabHeight);
  UpdateTabs();
}

void TPageControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  HandleNeeded();
  ShowActivePage();
}

void TPageControl::UpdateTabs() {
  if (!FHandle) return;
  int sel = FActivePage ? FActivePage->TabIndex() : -1;
  SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
  int n = 0;
  for (TTabSheet* s : FPages) {
    if (!s->FTabVisible) continue;
    std::u16string caption = UTF8ToUTF16(s->Caption());
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = reinterpret_cast<LPWSTR>(&caption[0]);
    item.iImage = TabImage(s);
    SendMessageW(FHandle, TCM_INSERTITEMW, n++, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(FHandle, TCM_SETCURSEL, sel, 0);
  Realign();
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  UpdateTabs();
  if (!FActivePage) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  TTabSheet* next = FActivePage == page ? FindNextPage(page, true, true) : FActivePage;
  FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
  page->FPageControl = nullptr;
  if (next == page) next = nullptr;
  if (FActivePage == page) FActivePage = nullptr;
  UpdateTabs();
  if (next != FActivePage) SetActivePage(next);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool forward, bool checkTabVisible) const {
  int n = PageCount();
  if (n == 0) return nullptr;
  int start = current ? current->PageIndex() : -1;
  if (start < 0) start = forward ? n - 1 : 0;
  int i = start;
  for (int k = 0; k < n; ++k) {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet* s = FPages[static_cast<size_t>(i)];
    if (!checkTabVisible || s->FTabVisible) return s;
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool forward) {
  TTabSheet* next = FindNextPage(FActivePage, forward, true);
  if (next && next != FActivePage) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetActivePage(next);
    Change();
  }
}

void TPageControl::ShowActivePage() {
  for (TTabSheet* s : FPages)
    if (s != FActivePage && s->Visible()) s->SetVisible(false);
  if (FActivePage) {
    Realign();
    FActivePage->SetVisible(true);
    FActivePage->BringToFront();
  }
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->FPageControl != this) return;
  FActivePage = page;
  if (FHandle) SendMessageW(FHandle, TCM_SETCURSEL, page ? page->TabIndex() : -1, 0);
  ShowActivePage();
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[static_cast<size_t>(index)] : nullptr);
}

int TPageControl::TabIndex() const {
  if (FHandle) return static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
  return FActivePage ? FActivePage->TabIndex() : -1;
}

void TPageControl::SetTabIndex(int index) {
  for (TTabSheet* s : FPages)
    if (s->TabIndex() == index && index >= 0) {
      SetActivePage(s);
      return;
    }
}

void TPageControl::SetTabPosition(TTabPosition value) {
  if (value == FTabPosition) return;
  FTabPosition = value;
  RecreateWnd();
}

void TPageControl::SetMultiLine(bool value) {
  if (value == FMultiLine) return;
  FMultiLine = value;
  RecreateWnd();
}

void TPageControl::SetStyle(TTabStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  RecreateWnd();
}

void TPageControl::SetItemSize(int width, int height) {
  if (FHandle) SendMessageW(FHandle, TCM_SETITEMSIZE, 0, MAKELPARAM(width, height));
  Realign();
}

void TPageControl::SetTabHeight(int value) {
  if (value == FTabHeight) return;
  FTabHeight = std::max(0, value);
  SetItemSize(FTabWidth, FTabHeight);
}

void TPageControl::SetTabWidth(int value) {
  if (value == FTabWidth) return;
  bool styleChange = (FTabWidth > 0) != (value > 0);
  FTabWidth = std::max(0, value);
  if (styleChange)
    RecreateWnd();
  else
    SetItemSize(FTabWidth, FTabHeight);
}

void TPageControl::SetImagesHandle(HIMAGELIST images) {
  FImages = images;
  if (FHandle) SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  Realign();
}

RECT TPageControl::TabRect(int index) {
  RECT r{};
  if (HWND h = Handle()) {
    TMessage m{TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r), 0};
    WindowProc(m);
    if (!m.Result) r = RECT{};
  }
  return r;
}

RECT TPageControl::DisplayRect() {
  RECT r = ClientRect();
  if (FHandle) Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TPageControl::AdjustClientRect(RECT& rect) {
  if (FHandle) {
    rect = ClientRect();
    Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  }
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::ShowControl(TControl* control) {
  for (TTabSheet* s : FPages)
    if (s == control || s->ContainsControl(control)) {
      if (s->FTabVisible) SetActivePage(s);
      break;
    }
  TWinControl::ShowControl(control);
}

void TPageControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (hdr->code == TCN_SELCHANGING) {
        bool allow = true;
        if (OnChanging) OnChanging(this, allow);
        m.Result = allow ? FALSE : TRUE;
        return;
      }
      if (hdr->code == TCN_SELCHANGE) {
        int sel = static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
        for (TTabSheet* s : FPages)
          if (s->TabIndex() == sel) {
            FActivePage = s;
            break;
          }
        ShowActivePage();
        Change();
        return;
      }
      break;
    }
    case WM_SIZE:
      TWinControl::WndProc(m);
      Realign();
      return;
    // The system control paints itself and its background.
    case WM_PAINT:
    case WM_PRINTCLIENT:
    case WM_ERASEBKGND:
      DefaultHandler(m);
      return;
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS;
      return;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
