// The hover fade of a skin object: the normal look carried `kf` of the way
// to the active one, in the manner `kind` names.
#pragma once

#include "skin/data/SPEffectPixels.h"
#include "skin/data/spSkinValues.h"

inline void MorphTowards(TspEffectPixels& normal, const TspEffectPixels& active, TMorphKind kind, double kf) {
  switch (kind) {
    case mkGradient: normal.MorphGrad(active, kf); break;
    case mkLeftGradient: normal.MorphLeftGrad(active, kf); break;
    case mkRightGradient: normal.MorphRightGrad(active, kf); break;
    case mkLeftSlide: normal.MorphLeftSlide(active, kf); break;
    case mkRightSlide: normal.MorphRightSlide(active, kf); break;
    case mkPush: normal.MorphPush(active, kf); break;
    default: normal.Morph(active, kf); break;
  }
}
