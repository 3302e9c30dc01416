// What the typing-control tests share: a shown form, typing by messages
// and a small skin of edit, button and bar elements.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "support/Controls.h"
#include "support/SkinParts.h"

namespace edit_test {

inline TspRect Block(int i, int w = 20, int h = 20) { return TspRect{i * w, 0, i * w + w, h}; }

// Picture colours are 0xRRGGBB.
inline COLORREF C(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

struct EditSkin {
  std::unique_ptr<TspSkinData> owned{new TspSkinData(nullptr)};
  TspSkinData& data = *owned;
  static constexpr uint32_t kFrame = 0x204060, kClient = 0xE0E0E0, kHot = 0x306090, kComboButton = 0x00C000,
                            kEditButton = 0xC00000, kTab = 0x4080C0, kActiveTab = 0x80C0FF;


  // Picture 0: the edit (0,0,40,20) with a 3-pixel frame and its hot
  // copy at (40,0); the combo button block at (80,0,100,20), the edit
  // button block at (100,0,120,20); tab pieces at (120..160).
  EditSkin(bool withEditButton = false, int editHeight = 20) {
    TspPicture p = SolidPicture(200, 40, 0);
    FillPicture(p, 0, 0, 40, editHeight, kFrame);
    FillPicture(p, 3, 3, 37, editHeight - 3, kClient);
    FillPicture(p, 40, 0, 80, editHeight, kHot);
    FillPicture(p, 43, 3, 77, editHeight - 3, kClient);
    FillPicture(p, 80, 0, 100, 20, kComboButton);
    FillPicture(p, 100, 0, 120, 20, kEditButton);
    FillPicture(p, 120, 0, 140, 20, kTab);
    FillPicture(p, 140, 0, 160, 20, kActiveTab);
    data.FActivePictures.push_back(std::move(p));
    for (const char* name : {"edit", "buttonedit"}) {
      auto e = std::make_unique<TspDataSkinEditControl>(name);
      e->PictureIndex = 0;
      e->SkinRect = TspRect{0, 0, 40, editHeight};
      e->ActiveSkinRect = TspRect{40, 0, 80, editHeight};
      e->LTPoint = TspPoint{3, 3};
      bool withButton = std::string(name) == "buttonedit";
      // The button lies in the right end, which moves with the width.
      e->RTPoint = TspPoint{withButton ? 20 : 37, 3};
      e->LBPoint = TspPoint{3, editHeight - 3};
      e->RBPoint = TspPoint{withButton ? 20 : 37, editHeight - 3};
      e->ClRect = TspRect{3, 3, withButton ? 20 : 37, editHeight - 3};
      e->ButtonRect = TspRect{20, 3, 37, editHeight - 3};
      e->FontHeight = 14;
      e->FontColor = 0x000000;
      e->ActiveFontColor = 0x0000FF;
      e->DisabledFontColor = 0x808080;
      data.CtrlList.push_back(std::move(e));
    }
    auto button = [&](const char* name, int block) {
      auto b = std::make_unique<TspDataSkinButtonControl>(name);
      b->PictureIndex = 0;
      b->SkinRect = TspRect{block, 0, block + 20, 20};
      NinePart(b, 2, 2, 18, 18);
      data.CtrlList.push_back(std::move(b));
    };
    button("combobutton", 80);
    if (withEditButton) button("editbutton", 100);
    data.Empty = false;
  }
};

struct Form {
  TForm form{nullptr};
  Form(int w = 500, int h = 400) {
    form.SetBounds(100, 100, w, h);
    form.Show();
    Application->ProcessMessages();
  }
  template <class T>
  T* Add(int x, int y, int w, int h) {
    T* c = AddControl<T>(&form, &form, x, y, w, h);
    c->HandleNeeded();
    return c;
  }
};

// Typing goes straight to the window procedure, as the message loop would
// deliver it.
inline void Type(HWND h, const std::string& text) {
  for (char ch : text) SendMessageW(h, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch)), 1);
}
// Sets `text`, puts the caret at `caret` and types `keys`; gives the text
// afterwards.
template <class E>
std::string TypeAt(E* e, const std::string& text, int caret, const std::string& keys) {
  e->SetText(text);
  SendMessageW(e->Handle(), EM_SETSEL, caret, caret);
  Type(e->Handle(), keys);
  return e->Text();
}
inline void KeyDown(HWND h, WPARAM key) { SendMessageW(h, WM_KEYDOWN, key, 1); }
inline void Wheel(HWND h, int delta) { SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(0, 0)); }

}  // namespace edit_test
