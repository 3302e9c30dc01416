// A simple geometric shape: a rectangle drawn with a pen and filled with a
// brush (lines are one-pixel-high rectangles).
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
