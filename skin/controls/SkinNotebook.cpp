#include "skin/controls/SkinNotebook.h"

#include "framework/Forms.h"

TspSkinPage::TspSkinPage(TComponent* owner) : TspSkinPanel(owner) {
  SetVisible(false);
  SetAlign(alClient);
  SetBorderStyle(bvNone);
}

void TspSkinPage::WndProc(TMessage& m) {
  // The page lets the mouse through to what lies under it.
  if (m.Msg == WM_NCHITTEST) {
    m.Result = HTTRANSPARENT;
    return;
  }
  TspSkinPanel::WndProc(m);
}

TspPageButton::TspPageButton(TComponent* owner, TspSkinNotebook* notebook, int pageIndex)
    : TspSkinSpeedButton(owner), FNoteBook(notebook), FPageIndex(pageIndex) {
  SetNumGlyphs(1);
  SetSpacing(5);
  SetSkinDataName(notebook->ButtonSkinDataName);
}

void TspPageButton::ButtonClick() {
  FNoteBook->SetPageIndex(FPageIndex);
  TspSkinSpeedButton::ButtonClick();
}

TspSkinNotebook::~TspSkinNotebook() { FButtons.clear(); }

void TspSkinNotebook::FreeButtons() {
  std::vector<TspPageButton*> buttons;
  buttons.swap(FButtons);
  for (TspPageButton* b : buttons) delete b;
}

void TspSkinNotebook::BuildButtons() {
  FreeButtons();
  if (FPageList.empty()) return;
  DisableAlign();
  for (int i = 0; i < PageCount(); ++i) {
    auto* b = new TspPageButton(this, this, i);
    FButtons.push_back(b);
    // Below everything, each lower than the last: the bottom stack keeps
    // page order however often it is laid out.
    b->SetBounds(b->Left(), Height() + i * 25, b->Width(), b->Height());
    b->SetAlign(i > FPageIndex ? alBottom : alTop);
    b->SetParent(this);
    b->SetDefaultHeight(25);
    b->SetSkinData(FSD);
    b->SetCaption(FPageList[i]->Caption());
    int image = FPageList[i]->ImageIndex;
    if (image != -1 && FImages && image < FImages->Count()) {
      b->SetImageList(FImages);
      b->SetImageIndex(image);
    } else {
      b->SetImageList(nullptr);
      b->SetImageIndex(-1);
    }
  }
  EnableAlign();
}

void TspSkinNotebook::SetImages(TCustomImageList* value) {
  FImages.Set(value);
  if (FButtonsMode) BuildButtons();
}

void TspSkinNotebook::SetButtonsMode(bool value) {
  FButtonsMode = value;
  if (value)
    BuildButtons();
  else
    FreeButtons();
}

void TspSkinNotebook::UpdateButton(int pageIndex, const std::string& caption) {
  for (TspPageButton* b : FButtons)
    if (b->PageIndex() == pageIndex) {
      b->SetCaption(caption);
      b->SetImageList(FImages);
      if (pageIndex >= 0 && pageIndex < PageCount()) b->SetImageIndex(FPageList[pageIndex]->ImageIndex);
      b->Repaint();
    }
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
  if (FButtonsMode) BuildButtons();
  return index;
}

void TspSkinNotebook::InsertPage(int index, const std::string& caption) {
  index = std::max(0, std::min(index, PageCount()));
  FPageList.insert(FPageList.begin() + index, NewPage(caption));
  ShowPage(index);
  if (FButtonsMode) BuildButtons();
}

void TspSkinNotebook::DeletePage(int index) {
  if (index < 0 || index >= PageCount()) return;
  TspSkinPage* p = FPageList[index];
  FPageList.erase(FPageList.begin() + index);
  delete p;
  // The shown page may be the one deleted: show by object, even when the
  // number stays the same.
  ShowPage(PageCount() > 0 ? 0 : -1);
  if (FButtonsMode) BuildButtons();
}

void TspSkinNotebook::ClearPages() {
  std::vector<TspSkinPage*> pages;
  pages.swap(FPageList);
  for (TspSkinPage* p : pages) delete p;
  FPageIndex = -1;
  if (FButtonsMode) BuildButtons();
}

void TspSkinNotebook::MovePage(int curIndex, int newIndex) {
  if (curIndex == newIndex || curIndex < 0 || newIndex < 0 || curIndex >= PageCount() || newIndex >= PageCount())
    return;
  std::swap(FPageList[curIndex], FPageList[newIndex]);
  ShowPage(FPageIndex);
  if (FButtonsMode) BuildButtons();
}

void TspSkinNotebook::SetPageCaption(int index, const std::string& caption) {
  if (index < 0 || index >= PageCount()) return;
  FPageList[index]->SetCaption(caption);
  if (FButtonsMode) UpdateButton(index, caption);
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

void TspSkinNotebook::ShowControl(TControl* control) {
  for (int i = 0; i < PageCount(); ++i)
    if (FPageList[i] == control) {
      SetPageIndex(i);
      return;
    }
  Base::ShowControl(control);
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
  if (FButtonsMode) {
    // Buttons of the pages after the shown one go to the bottom, the others
    // to the top, in an order that keeps each stack in page order.
    for (int i = static_cast<int>(FButtons.size()) - 1; i >= 0; --i)
      if (FButtons[i]->PageIndex() > index && FButtons[i]->Align() != alBottom) FButtons[i]->SetAlign(alBottom);
    for (TspPageButton* b : FButtons)
      if (b->PageIndex() <= index && b->Align() != alTop) b->SetAlign(alTop);
  }
  if (OnPageChanged) OnPageChanged(this);
}
