// Quick buttons: small image buttons at the left end of a skinned caption.
// The caption object lays them out, draws them and feeds them the mouse.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"

class TspDynamicSkinForm;
class TspSkinPopupMenu;
class TspQuickButtonItems;

class TspQuickButtonItem {
public:
  explicit TspQuickButtonItem(TspQuickButtonItems* ACollection) : FCollection(ACollection) {}
  virtual ~TspQuickButtonItem() = default;

  // From another quick button: the image, hint and flags, never the events.
  virtual void Assign(const TspQuickButtonItem& Source);
  int ImageIndex() const { return FImageIndex; }
  virtual void SetImageIndex(int Value);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);

  std::string Hint;
  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TspSkinPopupMenu* FPopupMenu = nullptr;  // not owned
  TRect ItemRect;
  bool Active = false, Down = false;

private:
  void Changed();
  TspQuickButtonItems* FCollection;
  int FImageIndex = -1;
  bool FEnabled = true, FVisible = true;
};

class TspQuickButtonItems {
public:
  explicit TspQuickButtonItems(TspDynamicSkinForm* ADSF) : DSF(ADSF) {}
  TspDynamicSkinForm* DSF;
  TspDynamicSkinForm* Owner() const { return DSF; }

  int Count() const { return int(FItems.size()); }
  // Null outside the list.
  TspQuickButtonItem* Items(int Index) const;
  TspQuickButtonItem* Add();
  TspQuickButtonItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  void Assign(const TspQuickButtonItems& Source);
  // Any change of an item or of the list redraws the frame.
  void Update(TspQuickButtonItem* Item);

private:
  std::vector<std::unique_ptr<TspQuickButtonItem>> FItems;
};
