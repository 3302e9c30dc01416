#include "framework/ListBoxes.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/WideText.h"

namespace {

// Case-insensitive order of the sorted list, as the system sorts.
int CompareText(const std::string& a, const std::string& b) {
  std::u16string wa = UTF8ToUTF16(a), wb = UTF8ToUTF16(b);
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, W(wa), static_cast<int>(wa.size()), W(wb),
                         static_cast<int>(wb.size()));
  return r - CSTR_EQUAL;
}

bool StartsWithNoCase(const std::string& item, const std::u16string& prefix) {
  std::u16string w = UTF8ToUTF16(item);
  if (w.size() < prefix.size()) return false;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, W(w), static_cast<int>(prefix.size()), W(prefix),
                        static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

}  // namespace

int FindListPrefix(const TStrings* items, const std::string& text, int start) {
  int n = items ? items->Count() : 0;
  // An empty text matches nothing, as in the system list.
  if (n == 0 || text.empty()) return -1;
  std::u16string prefix = UTF8ToUTF16(text);
  if (start < -1 || start >= n) start = -1;
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    if (StartsWithNoCase(items->Get(i), prefix)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// TListBoxStrings

void TListBoxStrings::CheckIndex(int index, bool allowEnd) const {
  int n = Count();
  if (index < 0 || index > n || (index == n && !allowEnd)) Error("List index out of bounds (%d)", index);
}

const std::string& TListBoxStrings::Get(int index) const {
  CheckIndex(index, false);
  return FItems[static_cast<size_t>(index)].S;
}

TObject* TListBoxStrings::Objects(int index) const {
  CheckIndex(index, false);
  return FItems[static_cast<size_t>(index)].Object;
}

void TListBoxStrings::PutObject(int index, TObject* object) {
  CheckIndex(index, false);
  FItems[static_cast<size_t>(index)].Object = object;
}

void TListBoxStrings::Put(int index, const std::string& s) {
  CheckIndex(index, false);
  TObject* o = FItems[static_cast<size_t>(index)].Object;
  int selected = FListBox->ItemIndex();
  Delete(index);
  InsertObject(index, s, o);
  if (selected == index) FListBox->SetItemIndex(index);
}

int TListBoxStrings::SortedIndex(const std::string& s) const {
  int i = 0;
  while (i < Count() && CompareText(FItems[static_cast<size_t>(i)].S, s) <= 0) ++i;
  return i;
}

int TListBoxStrings::Add(const std::string& s) {
  int index = FListBox->FSorted ? SortedIndex(s) : Count();
  InsertObject(index, s, nullptr);
  return index;
}

void TListBoxStrings::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TListBoxStrings::InsertObject(int index, const std::string& s, TObject* object) {
  // A sorted list decides the place itself.
  if (FListBox->FSorted) index = SortedIndex(s);
  CheckIndex(index, true);
  FItems.insert(FItems.begin() + index, TItem{s, object});
  if (HWND h = FListBox->HandleIfAllocated()) {
    SendMessageW(h, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(W(UTF8ToUTF16(s))));
  } else if (FListBox->FItemIndex >= index) {
    ++FListBox->FItemIndex;
  }
  FListBox->ItemsChanged();
}

void TListBoxStrings::Delete(int index) {
  CheckIndex(index, false);
  FItems.erase(FItems.begin() + index);
  if (HWND h = FListBox->HandleIfAllocated()) {
    SendMessageW(h, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  } else if (FListBox->FItemIndex == index) {
    FListBox->FItemIndex = -1;
  } else if (FListBox->FItemIndex > index) {
    --FListBox->FItemIndex;
  }
  FListBox->ItemsChanged();
}

void TListBoxStrings::Clear() {
  FItems.clear();
  if (HWND h = FListBox->HandleIfAllocated()) SendMessageW(h, LB_RESETCONTENT, 0, 0);
  FListBox->FItemIndex = -1;
  FListBox->FTopIndex = 0;
  FListBox->ItemsChanged();
}

// ---------------------------------------------------------------------------
// TListBox

TListBox::TListBox(TComponent* owner) : TWinControl(owner), FItems(new TListBoxStrings(this)) {
  TabStop = true;
  ControlStyle &= ~(csSetCaption | csDoubleClicks);
  FColor = kSysColorFlag | COLOR_WINDOW;
  SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() {
  FCanvas.SetHandle(nullptr);
  DestroyHandle();
}

void TListBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = u"LISTBOX";
  p.WinClassName = u"TessListBox";
  p.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_BORDER;
  if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
  if (FMultiSelect) p.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FColumns > 0) p.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
}

void TListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = FHandle;
  if (!h) return;
  SendMessageW(h, LB_SETITEMHEIGHT, 0, MAKELPARAM(FItemHeight, 0));
  if (FColumns > 0) SendMessageW(h, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(1, FWidth / FColumns)), 0);
  for (const auto& item : FItems->FItems)
    SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(UTF8ToUTF16(item.S))));
  if (FMultiSelect) {
    for (size_t i = 0; i < FSavedSelection.size() && i < FItems->FItems.size(); ++i)
      if (FSavedSelection[i]) SendMessageW(h, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    if (FItemIndex >= 0) SendMessageW(h, LB_SETCARETINDEX, static_cast<WPARAM>(FItemIndex), 0);
  } else if (FItemIndex >= 0) {
    SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
  }
  SendMessageW(h, LB_SETTOPINDEX, static_cast<WPARAM>(FTopIndex), 0);
  FSavedSelection.clear();
}

void TListBox::DestroyWnd() {
  if (FHandle) {
    FItemIndex = ItemIndex();
    FTopIndex = TopIndex();
    FSavedSelection.clear();
    if (FMultiSelect)
      for (int i = 0; i < FItems->Count(); ++i) FSavedSelection.push_back(Selected(i));
  }
  TWinControl::DestroyWnd();
}

void TListBox::Recreate() {
  if (!FHandle) return;
  DestroyHandle();
  if (FParent) Handle();
}

void TListBox::SetItems(const TStrings* value) {
  if (value == FItems.get()) return;
  FItems->Clear();
  if (value)
    for (int i = 0; i < value->Count(); ++i) FItems->InsertObject(FItems->Count(), value->Get(i), value->Objects(i));
}

int TListBox::ItemIndex() const {
  if (!FHandle) return FItemIndex;
  if (FMultiSelect) return static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
  return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int value) {
  if (value < -1 || value >= FItems->Count()) value = -1;
  FItemIndex = value;
  if (!FHandle) return;
  if (FMultiSelect) {
    SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(value), 0);
  } else {
    SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
  }
  // The system draws the changed rows itself; a list that paints itself
  // repaints them its own way.
  if (FOwnPaint) Invalidate();
}

int TListBox::TopIndex() const {
  if (!FHandle) return FTopIndex;
  return static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TListBox::SetTopIndex(int value) {
  FTopIndex = std::max(0, value);
  if (FHandle) {
    SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FTopIndex), 0);
    if (FOwnPaint) Invalidate();
  }
}

void TListBox::SetItemHeight(int value) {
  if (value <= 0 || value > 255) return;
  FItemHeight = value;
  if (FHandle) {
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, MAKELPARAM(value, 0));
    Invalidate();
  }
}

void TListBox::SetSorted(bool value) {
  if (value == FSorted) return;
  FSorted = value;
  if (!value) return;
  // Re-insert in order, keeping the selected item selected.
  int index = ItemIndex();
  std::string selected = index >= 0 ? FItems->Get(index) : std::string();
  auto items = FItems->FItems;
  std::stable_sort(items.begin(), items.end(),
                   [](const TListBoxStrings::TItem& a, const TListBoxStrings::TItem& b) {
                     return CompareText(a.S, b.S) < 0;
                   });
  FItems->Clear();
  for (auto& item : items) FItems->InsertObject(FItems->Count(), item.S, item.Object);
  if (index >= 0) SetItemIndex(FItems->IndexOf(selected));
}

void TListBox::SetStyle(TListBoxStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Recreate();
}

void TListBox::SetMultiSelect(bool value) {
  if (value == FMultiSelect) return;
  FMultiSelect = value;
  Recreate();
}

void TListBox::SetExtendedSelect(bool value) {
  if (value == FExtendedSelect) return;
  FExtendedSelect = value;
  if (FMultiSelect) Recreate();
}

void TListBox::SetColumns(int value) {
  value = std::max(0, value);
  if (value == FColumns) return;
  bool recreate = (value > 0) != (FColumns > 0);
  FColumns = value;
  if (recreate)
    Recreate();
  else if (FHandle && FColumns > 0)
    SendMessageW(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(1, FWidth / FColumns)), 0);
}

int TListBox::SelCount() const {
  if (!FMultiSelect) return -1;
  if (!FHandle) {
    return static_cast<int>(std::count(FSavedSelection.begin(), FSavedSelection.end(), true));
  }
  return static_cast<int>(SendMessageW(FHandle, LB_GETSELCOUNT, 0, 0));
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= FItems->Count()) return false;
  if (!FHandle) {
    if (FMultiSelect) return static_cast<size_t>(index) < FSavedSelection.size() && FSavedSelection[index];
    return index == FItemIndex;
  }
  return SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= FItems->Count()) return;
  if (!FMultiSelect) {
    if (value)
      SetItemIndex(index);
    else if (ItemIndex() == index)
      SetItemIndex(-1);
    return;
  }
  if (!FHandle) {
    if (FSavedSelection.size() < static_cast<size_t>(FItems->Count())) FSavedSelection.resize(FItems->Count());
    FSavedSelection[index] = value;
    return;
  }
  SendMessageW(FHandle, LB_SETSEL, value ? TRUE : FALSE, static_cast<LPARAM>(index));
  if (FOwnPaint) Invalidate();
}

int TListBox::ItemAtPos(POINT pos, bool existing) const {
  int count = FItems->Count();
  if (FHandle) {
    RECT client;
    GetClientRect(FHandle, &client);
    if (PtInRect(&client, pos)) {
      int top = TopIndex();
      int h = std::max(1, FItemHeight);
      int index;
      if (FColumns > 0) {
        int rows = std::max(1, static_cast<int>(client.bottom) / h);
        int colWidth = std::max(1, static_cast<int>(client.right) / FColumns);
        index = top + (pos.x / colWidth) * rows + pos.y / h;
      } else {
        index = top + pos.y / h;
      }
      if (index >= 0 && index < count) return index;
    }
  }
  return existing ? -1 : count;
}

RECT TListBox::ItemRect(int index) const {
  RECT r{};
  int count = FItems->Count();
  if (FHandle && index >= 0 && (index < count || (index == 0 && count == 0))) {
    if (count > 0) {
      SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    } else {
      GetClientRect(FHandle, &r);
      r.bottom = r.top + FItemHeight;
    }
  } else if (index == count && FHandle) {
    // Just past the last item.
    GetClientRect(FHandle, &r);
    int top = (index - TopIndex()) * FItemHeight;
    r.top = top;
    r.bottom = top + FItemHeight;
  }
  return r;
}

void TListBox::DrawItem(int index, const RECT& r, TOwnerDrawState state) {
  HDC dc = FCanvas.Handle();
  bool selected = (state & odSelected) != 0;
  HBRUSH b = GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  FillRect(dc, &r, b);
  if (index >= 0 && index < FItems->Count()) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT t = r;
    t.left += 2;
    std::u16string s = UTF8ToUTF16(FItems->Get(index));
    DrawTextW(dc, W(s), static_cast<int>(s.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (state & odFocused) DrawFocusRect(dc, &r);
}

void TListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
      if (!FOwnPaint) {
        DefaultHandler(m);
        return;
      }
      break;
    case WM_GETDLGCODE:
      DefaultHandler(m);
      m.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case CN_COMMAND:
      switch (HIWORD(m.WParam)) {
        case LBN_SELCHANGE:
          if (FOwnPaint) Invalidate();
          Click();
          break;
        case LBN_DBLCLK:
          // A control that takes double clicks itself has seen this one.
          if (!(ControlStyle & csDoubleClicks)) DblClick();
          break;
        default:
          break;
      }
      return;
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      TOwnerDrawState state = 0;
      if (d->itemState & ODS_SELECTED) state |= odSelected;
      if (d->itemState & ODS_FOCUS) state |= odFocused;
      if (d->itemState & ODS_DISABLED) state |= odDisabled;
      if (d->itemState & ODS_GRAYED) state |= odGrayed;
      if (d->itemState & ODS_CHECKED) state |= odChecked;
      int saved = SaveDC(d->hDC);
      FCanvas.SetHandle(d->hDC);
      try {
        DrawItem(static_cast<int>(d->itemID), d->rcItem, state);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        RestoreDC(d->hDC, saved);
        throw;
      }
      FCanvas.SetHandle(nullptr);
      RestoreDC(d->hDC, saved);
      m.Result = TRUE;
      return;
    }
    default:
      break;
  }
  TWinControl::WndProc(m);
}
