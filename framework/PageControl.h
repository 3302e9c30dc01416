// The page control over the system tab control, and its pages. The system
// control keeps the tab rows, hit testing, selection and tab scrolling; the
// pages are framework windows placed in the rectangle the control reports
// for TCM_ADJUSTRECT (asked through the control's own window procedure, so
// that a subclass that changes the answer also moves the pages).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TPageControl;

class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool value);
  // Place among all pages, and among the pages whose tab shows (-1 none).
  int PageIndex() const;
  int TabIndex() const;
  int ImageIndex = -1;
  void SetCaption(const std::string& value);

protected:
  void CreateParams(TCreateParams& params) override;

  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;

  friend class TPageControl;
};

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int index) const { return FPages[static_cast<size_t>(index)]; }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
  void SetActivePageIndex(int index);
  // The selected tab among the visible ones (-1 none).
  int TabIndex() const;
  void SetTabIndex(int index);
  // The next page after (or before) `current` in page order, wrapping; null
  // when there is none.
  TTabSheet* FindNextPage(TTabSheet* current, bool forward, bool checkTabVisible) const;
  void SelectNextPage(bool forward);

  TTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value);
  TTabStyle Style() const { return FStyle; }
  void SetStyle(TTabStyle value);
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int value);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);
  // The image list the system control reserves room for in each tab.
  void SetImagesHandle(HIMAGELIST images);
  HIMAGELIST ImagesHandle() const { return FImages; }

  // The item rectangle of visible tab `index`, as the control reports it.
  RECT TabRect(int index);
  // The page area for the present size.
  RECT DisplayRect();
  // TCM_SETITEMSIZE with the given width and height.
  void SetItemSize(int width, int height);

  TNotifyEvent OnChange;
  std::function<void(TObject* sender, bool& allowChange)> OnChanging;

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void AdjustClientRect(RECT& rect) override;
  virtual void Change();
  void ShowControl(TControl* control) override;
  // The system control's items again from the visible pages.
  void UpdateTabs();
  // The image a page's tab asks the system control to reserve room for.
  virtual int TabImage(const TTabSheet* page) const { return page->ImageIndex; }
  void RecreateWnd();

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TTabPosition FTabPosition = tpTop;
  bool FMultiLine = false;
  TTabStyle FStyle = tsTabs;
  int FTabHeight = 0, FTabWidth = 0;
  HIMAGELIST FImages = nullptr;

private:
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void ShowActivePage();
  friend class TTabSheet;
};
