// A small frame skin built in code, so that every expected number of the
// frame tests can be worked out by hand.
//
// Frame picture 100 x 60: a 30-pixel caption band, 5-pixel borders, corner
// points (20, 30), (80, 30), (20, 50), (80, 50), one colour per border. Its
// mask cuts a 3 x 3 square off both top corners; the mask's sure-inside
// area is (3, 3, 97, 57). Hit-test corners (10, 10), (90, 10), (10, 50),
// (90, 50), sizing band 4. A caption object over (10, 5, 85, 25) and the
// close, maximize, minimize and roll-up buttons (15 x 15 each, their looks
// in active picture 0) laid out from the right end of the caption
// rectangle (5, 5, 95, 25) with 2-pixel gaps.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/frame/DynamicSkinForm.h"
#include "support/Dib.h"

namespace frametest {

// Picture colours (0xRRGGBB).
constexpr uint32_t kTop = 0x2040A0, kLeft = 0x30A030, kRight = 0xA03030, kBottom = 0x808020, kClient = 0x404040;
constexpr uint32_t kInactiveTop = 0x602010;
// Button looks in active picture 0: normal, hot, down of each button, and
// the maximize button's restore look.
constexpr uint32_t kCloseNormal = 0xC00000, kCloseHot = 0xE00000, kCloseDown = 0xF00000;
constexpr uint32_t kMaxNormal = 0x00C000, kMaxRestore = 0x00E000, kMinNormal = 0x0000C0, kRollNormal = 0xC0C000;

inline COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

struct FrameSkin {
  std::unique_ptr<TspSkinData> owned;
  TspSkinData& data;
  // withMask: the cut-corner mask; withInactive: an inactive picture.
  explicit FrameSkin(bool withMask = true, bool withInactive = false);
};

// A form with the dynamic skin form component, its window made: at (l, t),
// w x h, with that border style; frameMode false leaves the non-client area
// to the system.
struct Frame {
  TForm* form = new TForm(nullptr);
  TspDynamicSkinForm* sf;
  explicit Frame(TspSkinData* skin, int l = 100, int t = 100, int w = 300, int h = 200,
                 TFormBorderStyle style = bsSizeable, bool frameMode = true) {
    form->SetBounds(l, t, w, h);
    form->SetBorderStyle(style);
    sf = new TspDynamicSkinForm(form);
    sf->SetSupportNCArea(frameMode);
    if (skin) sf->SetSkinData(skin);
    form->HandleNeeded();
  }
  ~Frame() { delete form; }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  HWND h() { return form->Handle(); }
  RECT Bounds() {
    RECT r;
    GetWindowRect(h(), &r);
    return r;
  }
  // WM_NCHITTEST at a point in window coordinates.
  int Hit(int x, int y) {
    RECT r = Bounds();
    return int(SendMessageW(h(), WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y)));
  }
  LPARAM ScreenPoint(int x, int y) {
    RECT r = Bounds();
    return MAKELPARAM(r.left + x, r.top + y);
  }
  void Activate(bool on) { SendMessageW(h(), WM_ACTIVATE, on ? WA_ACTIVE : WA_INACTIVE, 0); }
  void Erase(Dib& dib) { SendMessageW(h(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dib.dc), 0); }
  int IndexOf(const std::string& name) {
    for (size_t i = 0; i < sf->ObjectList.size(); ++i)
      if (sf->ObjectList[i]->IDName == name) return int(i);
    return -1;
  }
  TspSkinStdButtonObject* Button(const std::string& name) {
    int i = IndexOf(name);
    return i < 0 ? nullptr : dynamic_cast<TspSkinStdButtonObject*>(sf->ObjectList[size_t(i)].get());
  }
};

// A skin data component with nothing loaded.
struct EmptySkin {
  std::unique_ptr<TspSkinData> owned{new TspSkinData(nullptr)};
  TspSkinData& data = *owned;
};

}  // namespace frametest
