#include "skin/data/SPLayerFade.h"

#include <algorithm>

void TspLayerFade::Start(int Target) {
  FEnd = std::min(std::max(Target, 0), 255);
  FStep = FEnd > 0 ? std::max(1, FEnd / 10) : 0;
  FBegin = 0;
  FRunning = true;
}

int TspLayerFade::Tick() {
  if (!FRunning) return FBegin;
  FBegin = std::min(FBegin + FStep, FEnd);
  if (FBegin == FEnd) FRunning = false;
  return FBegin;
}
