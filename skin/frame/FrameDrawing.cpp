#include "skin/frame/FrameDrawing.h"

#include "framework/Forms.h"
#include "skin/data/SPUtils.h"

TRect spPopupWorkArea(HWND fallback) {
  TRect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND active = GetActiveWindow();
  TWinControl* activeForm = active ? TWinControl::FindControl(active) : nullptr;
  if (dynamic_cast<TCustomForm*>(activeForm))
    GetMonitorArea(active, true, area);
  else if (Application && Application->MainForm() && Application->MainForm()->Showing())
    GetMonitorArea(Application->MainForm()->Handle(), true, area);
  else if (fallback)
    GetMonitorArea(fallback, true, area);
  return area;
}
