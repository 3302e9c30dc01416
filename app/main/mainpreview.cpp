// The main window's preview player and snapshots.
#include "app/main/main.h"
#include "app/main/MainParts.h"
#include "skin/data/sppngimagelist.h"

#include <shellapi.h>

#include <memory>

#include "app/editing/PreviewWiring.h"
#include "app/editing/crop.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ErrorReport.h"
#include "app/main/MainSetup.h"
#include "app/main/OptionText.h"
#include "engine/FFLog.h"
#include "framework/ExtCtrls.h"
#include "framework/Jpeg.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "player/FFPlay.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinTrackBar.h"
#include "skin/dialogs/spFileDialogs.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/SkinMenus.h"

using namespace mainparts;

namespace {

// A player button shows picture `index` of the player pictures.
void GlyphFrom(TspSkinSpeedButton* button, TspPngImageList* pictures, int index) {
  if (!pictures || index >= pictures->Count()) return;
  button->SetImageList(pictures);
  button->SetImageIndex(index);
}

}  // namespace

void TMainForm::BuildPreview() {
  // The preview pane: the picture on top, the position bar under it and
  // the buttons, the time and the volume at the bottom.
  spSkinExPanel1->SetHeight(150);
  spSkinExPanel2->SetTop(150);
  spSkinExPanel2->SetHeight(spSkinPanel1->Height() - 150);
  ParamGrid->SetHeight(spSkinExPanel2->Height() - 24);
  panPreview->SetBounds(4, 20, 232, 90);
  panPreview->SetColor(0);
  imgPlayerAreaView = Make<TImage>(this, panPreview, "imgPlayerArea");
  imgPlayerAreaView->SetBounds(0, 0, panPreview->Width(), panPreview->Height());
  imgPlayerAreaView->Stretch = true;
  VideoTrackBar = Make<TspSkinTrackBar>(this, spSkinExPanel1, "VideoTrackBar");
  VideoTrackBar->SetBounds(4, 111, 232, 14);
  VideoTrackBar->SetMinValue(0);
  VideoTrackBar->SetMaxValue(1000);
  VideoTrackBar->SetValue(0);
  PlayButton = Make<TspSkinSpeedButton>(this, spSkinExPanel1, "PlayButton");
  PlayButton->SetBounds(4, 126, 22, 22);
  PauseButton = Make<TspSkinSpeedButton>(this, spSkinExPanel1, "PauseButton");
  PauseButton->SetBounds(4, 126, 22, 22);
  PauseButton->SetVisible(false);
  StopButton = Make<TspSkinSpeedButton>(this, spSkinExPanel1, "StopButton");
  StopButton->SetBounds(28, 126, 22, 22);
  SnapshotButton = Make<TspSkinMenuSpeedButton>(this, spSkinExPanel1, "SnapshotButton");
  SnapshotButton->SetBounds(52, 126, 34, 22);
  SnapshotButton->SetSkinPopupMenu(SnapshotMenu);
  SnapshotButton->SetTrackButtonMode(true);  // the arrow opens the menu, the rest snaps
  lblPlayTime = Make<TspSkinStdLabel>(this, spSkinExPanel1, "lblPlayTime");
  lblPlayTime->SetBounds(89, 129, 108, 16);
  lblPlayTime->SetCaption("00:00:00 / 00:00:00");
  // The time in the grid's own font, dark on the panel.
  lblPlayTime->UseSkinFont = false;
  lblPlayTime->UseSkinColor = false;
  lblPlayTime->Font.Name = "Microsoft Sans Serif";
  lblPlayTime->Font.Height = -11;
  lblPlayTime->Font.Color = 0;
  VolumeTrackBar = Make<TspSkinTrackBar>(this, spSkinExPanel1, "VolumeTrackBar");
  VolumeTrackBar->SetBounds(198, 130, 38, 14);
  VolumeTrackBar->SetMinValue(0);
  VolumeTrackBar->SetMaxValue(128);
  VolumeTrackBar->SetValue(128);
  PlayButton->Hint = "Play";
  PauseButton->Hint = "Pause";
  StopButton->Hint = "Stop";
  SnapshotButton->Hint = "Snapshot";

  // The snapshot format: two radio items under "Change Snapshot Format".
  Item12->SetCaption("Snapshot");
  JPEG1 = AddItem(ChangeSnapshotFormat1, this, "JPEG1", "JPEG");
  BMP1 = AddItem(ChangeSnapshotFormat1, this, "BMP1", "BMP");
  for (TMenuItem* m : {JPEG1, BMP1}) {
    m->RadioItem = true;
    m->GroupIndex = 1;
  }
  JPEG1->SetChecked(true);
  spSkinSelectDirectoryDialog1 = new TspSkinSelectDirectoryDialog(this);
  spSkinSelectDirectoryDialog1->SetName("spSkinSelectDirectoryDialog1");

  VIDavaza = new TVIDavaza(this);
  VIDavaza->SetName("VIDavaza");
  ZIVoveva = new TZIVoveva(this);
  ZIVoveva->SetName("ZIVoveva");

  WirePreviewButtons(this, PlayButton, PauseButton, StopButton);
  SnapshotButton->OnClick = [this](TObject* s) { SnapshotButtonClick(s); };
  Item12->OnClick = [this](TObject* s) { SnapshotButtonClick(s); };
  Item22->OnClick = [this](TObject* s) { Item22Click(s); };
  Item32->OnClick = [this](TObject* s) { Item32Click(s); };
  JPEG1->OnClick = [this](TObject* s) { JPEG1Click(s); };
  BMP1->OnClick = [this](TObject* s) { BMP1Click(s); };
  WirePositionBar(VideoTrackBar, this, &TMainForm::VideoTrackBarStartDragButton,
                  &TMainForm::VideoTrackBarLastChange);
  VolumeTrackBar->OnChange = [this](TObject* s) { VolumeTrackBarChange(s); };
  WirePlayerReports(VIDavaza, this, &TMainForm::VIDavazaFileOpen, &TMainForm::VIDavazaPosition,
                    &TMainForm::VIDavazaState);
  ZIVoveva->OnLog = [this](TObject* s, unsigned long thread, TLogLevel level, const std::string& message) {
    ZIVovevaLog(s, thread, static_cast<int>(level), message);
  };

}

void TMainForm::PreparePreviewPictures() {
  GlyphFrom(PlayButton, PlayerImages, 0);
  GlyphFrom(PauseButton, PlayerImages, 1);
  GlyphFrom(StopButton, PlayerImages, 2);
  GlyphFrom(SnapshotButton, PlayerImages, 3);
  const std::string placeholder = SkinFolder + "\\preview.bmp";
  if (FileExists(placeholder)) {
    try {
      imgPlayerArea.LoadFromFile(placeholder);
      imgPlayerAreaView->Picture()->Assign(&imgPlayerArea);
    } catch (const std::exception&) {
    }
  }
  imgPlayerAreaView->SetVisible(imgPlayerAreaView->Picture()->Graphic() != nullptr);
}

bool TMainForm::OpenVideo(const std::string& fileName) {
  if (!VIDavaza->AVLibLoaded() && !VIDavaza->LoadAVLib(ProgramFolder() + "\\LibAV", false)) {
    AddToHistory("-> " + VIDavaza->LastErrMsg());
    ReportError(VIDavaza->LastErrMsg(), "CLM_LoadAVLib");
    return false;
  }
  if (!VIDavaza->SDLLibLoaded() && !VIDavaza->LoadSDLLib(TempFolder, PrepareSdlLibrary(0))) {
    ActionHistory().Add(VIDavaza->LastErrMsg());
    ReportError(Translate("Error loading SDL library"), "CLM_SDlLibLoad");
    return false;
  }
  FScreenControl = panPreview;
  if (VIDavaza->Open(fileName, reinterpret_cast<intptr_t>(panPreview->Handle()), false)) {
    PauseButton->SetVisible(true);
    return true;
  }
  AddToHistory("-> " + VIDavaza->LastErrMsg());
  ReportError(VIDavaza->LastErrMsg(), "CLM_VIDavazaOpen");
  // Nothing plays: the placeholder comes back.
  PauseButton->SetVisible(false);
  if (imgPlayerAreaView->Picture()->Graphic()) imgPlayerAreaView->SetVisible(true);
  return false;
}

void TMainForm::PlayButtonClick(TObject*) {
  AddToHistory("-> Preview Player Play is clicked.");
  const int row = sgList->Row();
  if (row < 1 || row > static_cast<int>(MediaFiles.size())) return;
  const TMediaFile& item = MediaFiles[row - 1];
  PauseButton->SetVisible(true);
  imgPlayerAreaView->SetVisible(false);
  if (PreviewState == psPause) {
    VIDavaza->Resume();
    return;
  }
  if (DVDMode) {
    OpenVideo(DvdTitleAddress(item, FDVDPath));
  } else if (FileExists(item.Source)) {
    OpenVideo(item.Source);
  } else {
    PauseButton->SetVisible(false);
  }
}

void TMainForm::PauseButtonClick(TObject*) {
  AddToHistory("-> Preview Player Pause is clicked.");
  VIDavaza->TogglePause();
  PauseButton->SetVisible(false);
}

void TMainForm::StopButtonClick(TObject*) {
  if (PlayButton->Down()) PlayButton->SetDown(false);
  if (PauseButton->Down()) PauseButton->SetDown(false);
  VIDavaza->Stop(true);
  // Play after Stop opens the file again even before the player's own
  // report of the stop arrives.
  PreviewState = psStop;
  VideoTrackBar->SetValue(0);
  panPreview->Repaint();
  if (imgPlayerAreaView->Picture()->Graphic()) imgPlayerAreaView->SetVisible(true);
  PauseButton->SetVisible(false);
  const std::string d = FormatMicroseconds(FDuration);
  lblPlayTime->SetCaption(d + " / " + d);
}

void TMainForm::StopPreview() {
  if (!VIDavaza) return;
  if (PreviewState == psPlay || PreviewState == psPause || PreviewState == psResume || PreviewState == psStep)
    StopButtonClick(this);
}

void TMainForm::VIDavazaFileOpen(TObject*, int64_t duration, int, int, int& screenWidth, int& screenHeight) {
  FDuration = duration;
  PreviewScreenSize(FScreenControl, screenWidth, screenHeight);
}

void TMainForm::VIDavazaPosition(TObject*, int64_t pts) {
  if (pts >= 0 && FDuration > 0 && !IsMouseButtonDown() && !TrackBarDragging)
    VideoTrackBar->SetValue(static_cast<int>(pts * 1000 / FDuration));
  if (pts > 0) lblPlayTime->SetCaption(FormatMicroseconds(pts) + " / " + FormatMicroseconds(FDuration));
}

void TMainForm::VIDavazaState(TObject*, int state) {
  PreviewState = state;
  if (state == psEnd) StopButtonClick(this);
}

void TMainForm::VideoTrackBarStartDragButton(TObject*) { TrackBarDragging = true; }

void TMainForm::VideoTrackBarLastChange(TObject*) {
  if (IsMouseButtonDown()) return;
  VIDavaza->Seek(FDuration * static_cast<int64_t>(VideoTrackBar->Value()) / 1000, 0, false);
  TrackBarDragging = false;
}

void TMainForm::VolumeTrackBarChange(TObject*) {
  const int volume = VolumeTrackBar->Value();
  VIDavaza->AudioVolume = volume;
  if (CropForm) {
    CropForm->VIDavaza1->AudioVolume = volume;
    if (CropForm->VolumeTrackBar->Value() != volume) CropForm->VolumeTrackBar->SetValue(volume);
  }
}

int TMainForm::PreviewVolume() { return VolumeTrackBar ? VolumeTrackBar->Value() : 128; }

void TMainForm::SetPreviewVolume(int volume) {
  if (!VolumeTrackBar) return;
  // Setting the bar runs VolumeTrackBarChange, which reaches both players.
  VolumeTrackBar->SetValue(volume);
  VIDavaza->AudioVolume = VolumeTrackBar->Value();
}

void TMainForm::SnapshotButtonClick(TObject*) {
  TBitmap* frame = VIDavaza->CurrentFrame();
  if (!frame || frame->Width() == 0) return;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(frame);
  if (bitmap->Width() == 0) return;
  const int row = sgList->Row();
  const std::string title =
      row >= 1 && row <= static_cast<int>(MediaFiles.size()) ? MediaFiles[row - 1].DestinationTitle : std::string();
  try {
    if (!SnapshotAsBMP) {
      TJPEGImage jpeg;
      jpeg.Assign(bitmap.get());
      jpeg.SaveToFile(SnapshotFolder + "\\" + title + "_" + std::to_string(JpegSnapshotCounter) + ".jpg");
      ++JpegSnapshotCounter;
    } else {
      bitmap->SaveToFile(SnapshotFolder + "\\" + title + "_" + std::to_string(BmpSnapshotCounter) + ".bmp");
      ++BmpSnapshotCounter;
    }
  } catch (const std::exception&) {
    SkinMessage->MessageDlg(
        Translate("Cannot take snapshot.") + "\r\n" + Translate("Make sure Snapshot Folder is available."), mtError,
        MsgDlgButtons({mbOK}), 0);
  }
}

void TMainForm::Item22Click(TObject*) {
  if (OnShellOpen) {
    OnShellOpen(SnapshotFolder);
    return;
  }
  ShellExecuteW(Handle(), W(u"open"), W(UTF8ToUTF16(SnapshotFolder)), nullptr, nullptr,
                SW_SHOWNORMAL);
}

void TMainForm::Item32Click(TObject*) {
  spSkinSelectDirectoryDialog1->SetSkinData(spSkinData1);
  spSkinSelectDirectoryDialog1->SetCtrlSkinData(spSkinData1);
  spSkinSelectDirectoryDialog1->Directory = SnapshotFolder;
  if (spSkinSelectDirectoryDialog1->Execute()) SnapshotFolder = spSkinSelectDirectoryDialog1->Directory;
}

void TMainForm::JPEG1Click(TObject*) {
  SnapshotAsBMP = false;
  JPEG1->SetChecked(true);
  BMP1->SetChecked(false);
}

void TMainForm::BMP1Click(TObject*) {
  SnapshotAsBMP = true;
  BMP1->SetChecked(true);
  JPEG1->SetChecked(false);
}

void TMainForm::ZIVovevaLog(TObject*, unsigned long threadID, int level, const std::string& message) {
  EngineLog.push_back("#" + std::to_string(threadID) + "." + std::to_string(level) + ": " + message);
}
