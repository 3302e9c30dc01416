// Notebook: pages stacked in one place, one shown at a time.
#pragma once

#include <string>
#include <vector>

#include "skin/controls/SkinPanel.h"

class TspSkinPage : public TspSkinPanel {
public:
  explicit TspSkinPage(TComponent* owner);
  int ImageIndex = -1;
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

private:
  TspSkinPage* NewPage(const std::string& caption);
  void ShowPage(int index);

  std::vector<TspSkinPage*> FPageList;
  int FPageIndex = -1;
};
