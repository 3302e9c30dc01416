#include "FrameTestSkin.h"

#include "support/SkinParts.h"

namespace frametest {

namespace {



std::unique_ptr<TspDataSkinStdButton> Button(const char* name, TStdCommand command, int block) {
  auto b = std::make_unique<TspDataSkinStdButton>(name);
  b->Command = command;
  b->SkinRectInAPicture = true;
  b->ActivePictureIndex = 0;
  b->SkinRect = TspRect{block * 15, 0, block * 15 + 15, 15};
  return b;
}

}  // namespace

FrameSkin::FrameSkin(bool withMask, bool withInactive) : owned(new TspSkinData(nullptr)), data(*owned) {
  TspPicture frame = SolidPicture(100, 60, kClient);
  FillPicture(frame, 0, 0, 100, 30, kTop);
  FillPicture(frame, 0, 30, 5, 55, kLeft);
  FillPicture(frame, 95, 30, 100, 55, kRight);
  FillPicture(frame, 0, 55, 100, 60, kBottom);
  data.FPicture = frame;
  if (withInactive) {
    TspPicture inactive = frame;
    FillPicture(inactive, 0, 0, 100, 30, kInactiveTop);
    data.FInActivePicture = inactive;
  }
  if (withMask) {
    TspPicture mask = SolidPicture(100, 60, 0x000000);
    FillPicture(mask, 0, 0, 3, 3, 0xFFFFFF);
    FillPicture(mask, 97, 0, 100, 3, 0xFFFFFF);
    data.FMask = mask;
  }
  NineCorners(&data, 20, 30, 80, 50);
  data.ClRect = TspRect{5, 30, 95, 55};
  data.CaptionRect = TspRect{5, 5, 95, 25};
  data.ButtonsOffset = 2;
  data.MaskRectArea = TspRect{3, 3, 97, 57};
  HitTestCorners(&data, 10, 10, 90, 50);
  data.BorderW = 4;

  // Active picture 0: the button looks, 15 x 15 blocks side by side.
  TspPicture looks = SolidPicture(150, 15, 0);
  const uint32_t blocks[] = {kCloseNormal, kCloseHot, kCloseDown, kMaxNormal, kMaxRestore, kMinNormal, kRollNormal};
  for (int i = 0; i < 7; ++i) FillPicture(looks, i * 15, 0, i * 15 + 15, 15, blocks[i]);
  data.FActivePictures.push_back(std::move(looks));
  // Active picture 1: a 2 x 1 object mask, black then (1, 0, 0).
  TspPicture objectMask = SolidPicture(2, 1, 0x000000);
  objectMask.Pixels[1] = 0x000001;
  data.FActivePictures.push_back(std::move(objectMask));

  auto caption = std::make_unique<TspDataSkinCaption>("caption");
  caption->SkinRect = TspRect{10, 5, 85, 25};
  caption->TextRct = TspRect{0, 0, 75, 20};
  caption->DefaultCaption = true;
  data.ObjectList.push_back(std::move(caption));
  auto close = Button("closebutton", cmClose, 0);
  close->ActiveSkinRect = TspRect{15, 0, 30, 15};
  close->DownRect = TspRect{30, 0, 45, 15};
  data.ObjectList.push_back(std::move(close));
  auto max = Button("maxbutton", cmMaximize, 3);
  max->RestoreRect = TspRect{60, 0, 75, 15};
  data.ObjectList.push_back(std::move(max));
  data.ObjectList.push_back(Button("minbutton", cmMinimize, 5));
  data.ObjectList.push_back(Button("rollupbutton", cmRollUp, 6));
  // Records of the menus make no frame objects.
  data.ObjectList.push_back(std::make_unique<TspDataSkinMainMenuItem>("MAINMENUITEM"));
  data.ObjectList.push_back(std::make_unique<TspDataSkinMenuItem>("MENUITEM"));
  data.Empty = false;
}

}  // namespace frametest
