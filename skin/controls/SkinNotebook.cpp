#include "skin/controls/SkinNotebook.h"

#include "framework/Forms.h"

TspSkinPage::TspSkinPage(TComponent* owner) : TspSkinPanel(owner) {
  SetVisible(false);
  SetAlign(alClient);
  SetBorderStyle(bvNone);
}

TspSkinNotebook::TspSkinNotebook(TComponent* owner) : Base(owner) {
  ControlStyle &= ~(csAcceptsControls | csCaptureMouse | csClickEvents);
  SetBounds(Left(), Top(), 150, 150);
  AddPage("Default");
}

TspSkinPage* TspSkinNotebook::NewPage(const std::string& caption) {
  auto* p = new TspSkinPage(this);
  p->SetParent(this);
  p->SetCaption(caption);
  return p;
}

int TspSkinNotebook::AddPage(const std::string& caption) {
  FPageList.push_back(NewPage(caption));
  int index = PageCount() - 1;
  ShowPage(index);
  return index;
}

void TspSkinNotebook::InsertPage(int index, const std::string& caption) {
  index = std::max(0, std::min(index, PageCount()));
  FPageList.insert(FPageList.begin() + index, NewPage(caption));
  ShowPage(index);
}

void TspSkinNotebook::DeletePage(int index) {
  if (index < 0 || index >= PageCount()) return;
  TspSkinPage* p = FPageList[index];
  FPageList.erase(FPageList.begin() + index);
  delete p;
  // The shown page may be the one deleted: show by object, even when the
  // number stays the same.
  ShowPage(PageCount() > 0 ? 0 : -1);
}

void TspSkinNotebook::ClearPages() {
  std::vector<TspSkinPage*> pages;
  pages.swap(FPageList);
  for (TspSkinPage* p : pages) delete p;
  FPageIndex = -1;
}

void TspSkinNotebook::MovePage(int curIndex, int newIndex) {
  if (curIndex == newIndex || curIndex < 0 || newIndex < 0 || curIndex >= PageCount() || newIndex >= PageCount())
    return;
  std::swap(FPageList[curIndex], FPageList[newIndex]);
  ShowPage(FPageIndex);
}

void TspSkinNotebook::SetPageCaption(int index, const std::string& caption) {
  if (index >= 0 && index < PageCount()) FPageList[index]->SetCaption(caption);
}

std::string TspSkinNotebook::ActivePage() const {
  if (FPageIndex < 0 || FPageIndex >= PageCount()) return "";
  return FPageList[FPageIndex]->Caption();
}

void TspSkinNotebook::SetActivePage(const std::string& caption) {
  for (int i = 0; i < PageCount(); ++i)
    if (FPageList[i]->Caption() == caption) {
      SetPageIndex(i);
      return;
    }
}

void TspSkinNotebook::SetPageIndex(int value) {
  if (value == FPageIndex || value < 0 || value >= PageCount()) return;
  ShowPage(value);
}

void TspSkinNotebook::ShowPage(int index) {
  if (index < 0 || index >= PageCount()) {
    for (TspSkinPage* p : FPageList) p->SetVisible(false);
    FPageIndex = -1;
    return;
  }
  TCustomForm* form = GetParentForm();
  bool focusInside = false;
  if (form && HandleAllocated()) {
    HWND focus = GetFocus();
    focusInside = focus && (focus == HandleIfAllocated() || IsChild(HandleIfAllocated(), focus));
    if (focusInside && focus != HandleIfAllocated()) form->SetActiveControl(this);
  }
  TspSkinPage* page = FPageList[index];
  page->SetSkinData(FSD);
  page->SetAlign(alClient);
  page->SetVisible(true);
  page->BringToFront();
  // Every other page is hidden: after an edit of the list the old number
  // may name a different page.
  for (TspSkinPage* p : FPageList)
    if (p != page) p->SetVisible(false);
  FPageIndex = index;
  if (focusInside) {
    std::vector<TWinControl*> order;
    page->GetTabOrderList(order);
    for (TWinControl* c : order)
      if (c->CanFocus()) {
        form->SetActiveControl(c);
        break;
      }
  }
  if (OnPageChanged) OnPageChanged(this);
}
