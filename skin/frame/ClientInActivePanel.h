// The client-inactive effect: while a form is inactive its client area is
// covered by a snapshot of itself, blurred or faded towards its background.
#pragma once

#include <memory>

#include "skin/controls/SkinPanelKinds.h"
#include "skin/data/speffbmp.h"

enum TspClientInActiveEffect { spieSemiTransparent, spieBlur };

class TspClientInActivePanel : public TspSkinPaintPanel {
public:
  explicit TspClientInActivePanel(TComponent* AOwner);
  ~TspClientInActivePanel() override;
  std::unique_ptr<TspBitmap> Buffer;
  void ShowPanel(TCustomForm* AForm, TspClientInActiveEffect AEffect);
  void HidePanel();

protected:
  void Paint() override;
};
