// A plain panel that fills itself with its colour: the host window of a
// preview player, which paints the picture over it.
#pragma once

#include "framework/Controls.h"

class TPreviewPanel : public TCustomControl {
public:
  explicit TPreviewPanel(TComponent* owner);

protected:
  void Paint() override;
};
