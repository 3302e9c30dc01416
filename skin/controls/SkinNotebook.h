// Notebook: pages stacked in one place, one shown at a time.
#pragma once

#include <string>
#include <vector>

#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinPanel.h"

class TspSkinNotebook;

class TspSkinPage : public TspSkinPanel {
public:
  explicit TspSkinPage(TComponent* owner);
  int ImageIndex = -1;
  void WndProc(TMessage& message) override;
};

// The button of one page of a notebook in its outlook-bar look.
class TspPageButton : public TspSkinSpeedButton {
public:
  TspPageButton(TComponent* owner, TspSkinNotebook* notebook, int pageIndex);
  int PageIndex() const { return FPageIndex; }
  void ButtonClick() override;

private:
  TspSkinNotebook* FNoteBook;
  int FPageIndex;
};

class TspSkinNotebook : public TspSkinPanel {
  using Base = TspSkinPanel;

public:
  explicit TspSkinNotebook(TComponent* owner);

  int PageIndex() const { return FPageIndex; }
  void SetPageIndex(int value);
  // Caption of the shown page; "" when none.
  std::string ActivePage() const;
  void SetActivePage(const std::string& caption);
  TNotifyEvent OnPageChanged;
  // Showing one of the pages turns to it.
  void ShowControl(TControl* control) override;

  // The page list, edited like a list of captions.
  int PageCount() const { return static_cast<int>(FPageList.size()); }
  TspSkinPage* Page(int index) const { return FPageList[index]; }
  int AddPage(const std::string& caption);
  void InsertPage(int index, const std::string& caption);
  void DeletePage(int index);
  void ClearPages();
  // Exchanges two pages.
  void MovePage(int curIndex, int newIndex);
  void SetPageCaption(int index, const std::string& caption);

  // One button per page: those up to the shown page at the top, the others
  // at the bottom.
  bool ButtonsMode() const { return FButtonsMode; }
  void SetButtonsMode(bool value);
  std::string ButtonSkinDataName = "toolbutton";
  // Images of the page buttons, by each page's ImageIndex; not owned.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TspPageButton* Button(int index) const { return FButtons[index]; }
  void UpdateButton(int pageIndex, const std::string& caption);
  ~TspSkinNotebook() override;

protected:

private:
  TspSkinPage* NewPage(const std::string& caption);
  void ShowPage(int index);
  void BuildButtons();
  void FreeButtons();

  std::vector<TspSkinPage*> FPageList;
  std::vector<TspPageButton*> FButtons;
  int FPageIndex = -1;
  bool FButtonsMode = false;
  TComponentRef<TCustomImageList> FImages{this};
};
