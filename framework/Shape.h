// A windowless rectangle outlined with a pen and filled with a brush (a
// clear brush leaves the inside unpainted).
#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"

class TShape : public TGraphicControl {
public:
  explicit TShape(TComponent* owner);

  TPen* Pen() { return &FPen; }
  TBrush* Brush() { return &FBrush; }

protected:
  void Paint() override;

private:
  TPen FPen;
  TBrush FBrush;
};
