// Putting controls on a test form.
#pragma once

#include "framework/Controls.h"

// A new control of kind T owned by `owner` (which frees it), on `parent` at
// (x, y), w x h.
template <class T>
T* AddControl(TComponent* owner, TWinControl* parent, int x, int y, int w, int h) {
  auto* c = new T(owner);
  c->SetParent(parent);
  c->SetBounds(x, y, w, h);
  return c;
}
