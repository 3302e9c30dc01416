// The skinned frame at 1024 x 768 against plain Win32 work of the same size:
// painting the frame into a DIB against one BitBlt of the whole window,
// the live-resize step (frame layout and the region from the mask
// stripes) against setting a rectangular region, and a hit test on a
// masked edge against an empty message. Prints times and ratios.
#include <windows.h>

#include <cstdio>

#include "BenchUtil.h"
#include "framework/Forms.h"
#include "tests/support/Dib.h"
#include "skin/frame/DynamicSkinForm.h"
#include "support/Dib.h"
#include "support/SkinParts.h"

namespace {


// A frame of 200 x 120 with a 30-pixel caption, rounded-off corners in
// the mask and a caption with four buttons.
void BuildSkin(TspSkinData& d) {
  TspPicture frame = SolidPicture(200, 120, 0x404040);
  FillPicture(frame, 0, 0, 200, 30, 0x2040A0);
  d.FPicture = frame;
  TspPicture mask = SolidPicture(200, 120, 0);
  for (int i = 0; i < 6; ++i) {
    FillPicture(mask, 0, i, 6 - i, i + 1, 0xFFFFFF);
    FillPicture(mask, 194 + i, i, 200, i + 1, 0xFFFFFF);
  }
  d.FMask = mask;
  NineCorners(&d, 40, 30, 160, 110);
  d.ClRect = TspRect{5, 30, 195, 115};
  d.CaptionRect = TspRect{5, 5, 195, 25};
  d.MaskRectArea = TspRect{6, 6, 194, 114};
  HitTestCorners(&d, 10, 10, 190, 110);
  d.BorderW = 4;
  d.ButtonsOffset = 2;
  TspPicture looks = SolidPicture(60, 15, 0xC00000);
  d.FActivePictures.push_back(looks);
  auto caption = std::make_unique<TspDataSkinCaption>("caption");
  caption->SkinRect = TspRect{10, 5, 170, 25};
  caption->TextRct = TspRect{0, 0, 160, 20};
  d.ObjectList.push_back(std::move(caption));
  const TStdCommand commands[] = {cmClose, cmMaximize, cmMinimize, cmRollUp};
  for (int i = 0; i < 4; ++i) {
    auto b = std::make_unique<TspDataSkinStdButton>("button" + std::to_string(i));
    b->Command = commands[i];
    b->SkinRectInAPicture = true;
    b->ActivePictureIndex = 0;
    b->SkinRect = TspRect{i * 15, 0, i * 15 + 15, 15};
    d.ObjectList.push_back(std::move(b));
  }
  d.Empty = false;
}

void Report(const char* what, double ours, double reference) {
  std::printf("%-40s ours %8.3f ms  reference %8.3f ms  ratio %6.2fx\n", what, ours * 1e3, reference * 1e3,
              ours / reference);
}

}  // namespace

int main() {
  TApplication app;
  const int W = 1024, H = 768;
  TspSkinData skin(nullptr);
  BuildSkin(skin);
  TForm* form = new TForm(nullptr);
  form->SetBounds(0, 0, W, H);
  auto* sf = new TspDynamicSkinForm(form);
  sf->SetSkinData(&skin);
  HWND h = form->Handle();
  SendMessageW(h, WM_ACTIVATE, WA_ACTIVE, 0);

  Dib target(W, H), source(W, H);
  const double paint = MedianSeconds([&] { SendMessageW(h, SP_PAINTFRAMETODC, WPARAM(target.dc), SP_PAINTFRAMEKEY); });
  const double blit = MedianSeconds([&] {
    BitBlt(target.dc, 0, 0, W, H, source.dc, 0, 0, SRCCOPY);
    GdiFlush();
  });
  Report("frame repaint (skin, 1024x768)", paint, blit);
  {
    TBitmap l, t, rr, b;
    TBitmap* pic = skin.Picture();
    const double strips = MedianSeconds([&] {
      CreateBorderImages(ToTPoint(skin.LTPoint), ToTPoint(skin.RTPoint), ToTPoint(skin.LBPoint),
                         ToTPoint(skin.RBPoint), ToTRect(skin.ClRect), sf->NewLTPoint, sf->NewRTPoint, sf->NewLBPoint,
                         sf->NewRBPoint, sf->NewClRect, &l, &t, &rr, &b, pic, TRect{0, 0, 200, 120}, W, H, false,
                         false, false, false);
    });
    Report("  of which the border strips", strips, blit);
    TCanvas c;
    c.SetHandle(target.dc);
    const double objects = MedianSeconds([&] {
      for (auto& o : sf->ObjectList) o->Draw(&c, false);
    });
    c.SetHandle(nullptr);
    Report("  of which the objects", objects, blit);
    const double layout = MedianSeconds([&] {
      sf->CalcRects();
      sf->CalcObjectRects();
    });
    Report("  of which the layout", layout, blit);
  }

  delete form;
  form = new TForm(nullptr);
  form->SetBounds(0, 0, W, H);
  auto* plain = new TspDynamicSkinForm(form);
  (void)plain;
  h = form->Handle();
  const double def = MedianSeconds([&] { SendMessageW(h, SP_PAINTFRAMETODC, WPARAM(target.dc), SP_PAINTFRAMEKEY); });
  Report("frame repaint (default, 1024x768)", def, blit);
  delete form;

  form = new TForm(nullptr);
  form->SetBounds(0, 0, W, H);
  sf = new TspDynamicSkinForm(form);
  sf->SetSkinData(&skin);
  h = form->Handle();
  int step = 0;
  const double resize = MedianSeconds([&] {
    sf->FFormWidth = W - (++step % 2);
    sf->FFormHeight = H;
    sf->UpdateFrameSize(true);
  });
  const double region = MedianSeconds([&] { SetWindowRgn(h, CreateRectRgn(0, 0, W - (++step % 2), H), TRUE); });
  Report("live-resize step (layout + mask region)", resize, region);

  RECT r;
  GetWindowRect(h, &r);
  const LPARAM edge = MAKELPARAM(r.left + 1, r.top + 3);
  const double hit = MedianSeconds([&] {
    for (int i = 0; i < 1000; ++i) SendMessageW(h, WM_NCHITTEST, 0, edge);
  });
  const double null = MedianSeconds([&] {
    for (int i = 0; i < 1000; ++i) SendMessageW(h, WM_NULL, 0, 0);
  });
  Report("hit test on a masked edge (x1000)", hit, null);
  delete form;
  return 0;
}
