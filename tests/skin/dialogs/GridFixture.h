// Shared pieces of the grid tests: a shown form holding a string grid, the
// scripted messages that stand for the mouse and keys, and a small skin
// with a "grid" element built in code.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinElements.h"
#include "skin/dialogs/SkinGrids.h"
#include "support/SkinParts.h"

namespace gridtest {

// Picture colours (0xRRGGBB) of the test skin's cell pictures.
constexpr uint32_t kFixedPicture = 0x336699;
constexpr uint32_t kSelectPicture = 0x993333;
constexpr uint32_t kFocusPicture = 0x339933;
constexpr COLORREF kSkinBG = RGB(0x20, 0x30, 0x40);
constexpr COLORREF kSkinLines = RGB(0xAA, 0x00, 0xAA);

inline COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

struct GridSkin {
  std::unique_ptr<TspSkinData> data{new TspSkinData(nullptr)};
  TspDataSkinGridControl* grid = nullptr;

  explicit GridSkin(int cellHeight = 20, bool emptyFixed = false) {
    TspPicture p = SolidPicture(90, cellHeight, 0);
    auto fill = [&](int l, int r, uint32_t c) {
      for (int y = 0; y < cellHeight; ++y)
        for (int x = l; x < r; ++x) p.Pixels[size_t(y) * p.Width + x] = c;
    };
    fill(0, 30, kFixedPicture);
    fill(30, 60, kSelectPicture);
    fill(60, 90, kFocusPicture);
    data->FActivePictures.push_back(std::move(p));
    auto e = std::make_unique<TspDataSkinGridControl>("grid");
    e->PictureIndex = 0;
    if (!emptyFixed) e->FixedCellRect = TspRect{0, 0, 30, cellHeight};
    e->SelectCellRect = TspRect{30, 0, 60, cellHeight};
    e->FocusCellRect = TspRect{60, 0, 90, cellHeight};
    e->FixedCellLeftOffset = e->FixedCellRightOffset = 2;
    e->CellLeftOffset = e->CellRightOffset = 2;
    e->FixedCellTextRect = TspRect{2, 2, 28, cellHeight - 2};
    e->CellTextRect = TspRect{2, 2, 28, cellHeight - 2};
    e->BGColor = static_cast<int32_t>(kSkinBG);
    e->LinesColor = static_cast<int32_t>(kSkinLines);
    grid = e.get();
    data->CtrlList.push_back(std::move(e));
    data->Empty = false;
  }
};

// A form far from other test windows, shown and active.
struct GridHost {
  TForm form{nullptr};
  explicit GridHost(int width = 700, int height = 500) {
    form.SetBounds(40, 40, width, height);
  }
  void Show() {
    form.Show();
    SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(form.Handle());
    Application->ProcessMessages();
  }
};

inline void Click(TWinControl* c, int x, int y, WPARAM keys = 0) {
  SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageW(c->Handle(), WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

inline void Drag(TWinControl* c, int x0, int y0, int x1, int y1) {
  SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((x0 + x1) / 2, (y0 + y1) / 2));
  SendMessageW(c->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x1, y1));
  SendMessageW(c->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
}

inline void Wheel(TWinControl* c, int notches) {
  RECT r;
  GetWindowRect(c->Handle(), &r);
  SendMessageW(c->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(notches * WHEEL_DELTA))),
               MAKELPARAM(r.left + 5, r.top + 5));
}

inline void Key(TWinControl* c, WORD vk) {
  SendMessageW(c->Handle(), WM_KEYDOWN, vk, 1);
  SendMessageW(c->Handle(), WM_KEYUP, vk, 1 | (1u << 30) | (1u << 31));
}

// A key pressed with Ctrl or Shift held, through the real key state.
inline void KeyWith(TWinControl* c, WORD modifier, WORD vk) {
  BYTE state[256];
  GetKeyboardState(state);
  BYTE saved = state[modifier];
  state[modifier] = 0x80;
  SetKeyboardState(state);
  Key(c, vk);
  state[modifier] = saved;
  SetKeyboardState(state);
}

}  // namespace gridtest
