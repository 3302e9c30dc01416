#include <windows.h>

#include "app/editing/clip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/editing/EditControls.h"
#include "app/editing/EditHost.h"
#include "app/editing/PreviewWiring.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ErrorReport.h"
#include "app/main/MainSetup.h"
#include "app/main/OptionText.h"
#include "framework/ExtCtrls.h"
#include "framework/Shape.h"
#include "framework/SysUtils.h"
#include "player/FFPlay.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinTimeEdit.h"
#include "skin/controls/SkinTrackBar.h"

int64_t ClipTrimStart = 0, ClipTrimEnd = 0, ClipLastPosition = 0;
int ClipPlayerState = psStop;
bool ClipPlayingTrimmed = false, ClipTrackDragging = false, ClipLeftDragging = false, ClipRightDragging = false;
int ClipLeftDownX = 0, ClipRightDownX = 0;
bool ClipPositionBusy = false;

TClipForm* ClipForm = nullptr;


int64_t TimeTextToMicroseconds(const std::string& text) {
  int part[3] = {0, 0, 0};
  int count = 0;
  size_t i = 0;
  std::string s = text;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (i <= s.size() && count < 3) {
    size_t j = i;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    if (j == i || j - i > 2) break;
    part[count++] = std::stoi(s.substr(i, j - i));
    if (j == s.size()) {
      i = j + 1;
      break;
    }
    if (s[j] != ':') break;
    i = j + 1;
  }
  if (count < 2 || i != s.size() + 1 || part[0] > 23 || part[1] > 59 || part[2] > 59)
    throw Exception("'" + text + "' is not a valid time");
  return ((part[0] * 60LL + part[1]) * 60 + part[2]) * 1000000;
}

int ClipTimeToHandleLeft(int64_t t, int64_t duration, int width, int max) {
  if (duration <= 0) return 10;
  return static_cast<int>((t * max / duration) * width / 1000 + 10);
}

int64_t ClipHandleLeftToTime(int left, int64_t duration, int width, int max) {
  if (width <= 0 || max <= 0) return 0;
  const int64_t r = std::llround((left - 10) * 1000.0 / width);
  return r * duration / max;
}

namespace {

TspSkinButton* MakeButton(TClipForm* form, const char* name, int x, int y, int w, int h, const std::string& caption) {
  auto* b = new TspSkinButton(form);
  b->SetName(name);
  b->SetParent(form);
  b->SetBounds(x, y, w, h);
  b->SetCaption(caption);
  return b;
}

TspSkinStdLabel* MakeLabel(TClipForm* form, const char* name, int x, int y, int w, int h, const std::string& caption) {
  auto* l = new TspSkinStdLabel(form);
  l->SetName(name);
  l->SetParent(form);
  l->SetBounds(x, y, w, h);
  l->SetCaption(caption);
  return l;
}

}  // namespace

TClipForm::TClipForm(TComponent* owner) : TForm(owner) {
  SetName("ClipForm");
  SetCaption("Trim");
  SetBounds(0, 0, 510, 506);
  panPreview = new TPreviewPanel(this);
  panPreview->SetName("panPreview");
  panPreview->SetParent(this);
  panPreview->SetBounds(19, 20, 464, 271);

  videotrackbar2 = new TspSkinTrackBar(this);
  videotrackbar2->SetName("videotrackbar2");
  videotrackbar2->SetParent(this);
  videotrackbar2->SetBounds(19, 305, 464, 20);
  videotrackbar2->SetMinValue(0);
  videotrackbar2->SetMaxValue(1000);
  videotrackbar2->SetValue(0);

  imgTrimLeft = new TImage(this);
  imgTrimLeft->SetName("imgTrimLeft");
  imgTrimLeft->SetParent(this);
  imgTrimLeft->SetBounds(11, 327, 12, 12);
  imgTrimRight = new TImage(this);
  imgTrimRight->SetName("imgTrimRight");
  imgTrimRight->SetParent(this);
  imgTrimRight->SetBounds(473, 327, 12, 12);
  TrimmedTimeLine = new TShape(this);
  TrimmedTimeLine->SetName("TrimmedTimeLine");
  TrimmedTimeLine->SetParent(this);
  TrimmedTimeLine->SetBounds(23, 327, 450, 1);

  PlayButton = MakeButton(this, "PlayButton", 19, 348, 25, 25, "");
  PauseButton = MakeButton(this, "PauseButton", 47, 348, 25, 25, "");
  StopButton = MakeButton(this, "StopButton", 75, 348, 25, 25, "");
  PlayButton->SetImageIndex(0);
  PauseButton->SetImageIndex(1);
  StopButton->SetImageIndex(2);
  spSkinButton1 = MakeButton(this, "spSkinButton1", 113, 348, 25, 25, "");
  spSkinButton3 = MakeButton(this, "spSkinButton3", 141, 348, 25, 25, "");
  spSkinButton2 = MakeButton(this, "spSkinButton2", 169, 348, 25, 25, "");
  spSkinButton1->SetImageIndex(4);
  spSkinButton3->SetImageIndex(5);
  spSkinButton2->SetImageIndex(6);

  lblPlayTimeCaption = MakeLabel(this, "lblPlayTimeCaption", 240, 352, 70, 16, "Play time:");
  lblPlayTime = MakeLabel(this, "lblPlayTime", 313, 348, 170, 22, "00:00:00 / 00:00:00");
  lblPlayTime->Alignment = taCenter;
  lblStart = MakeLabel(this, "lblStart", 19, 392, 110, 16, "Set start time:");
  lblEnd = MakeLabel(this, "lblEnd", 253, 392, 110, 16, "Set end time:");

  TimeStart = new TspSkinTimeEdit(this);
  TimeStart->SetName("TimeStart");
  TimeStart->SetParent(this);
  TimeStart->SetBounds(130, 389, 80, 22);
  TimeStart->SetShowSec(true);
  TimeStart->SetTime("00:00:00");
  TimeEnd = new TspSkinTimeEdit(this);
  TimeEnd->SetName("TimeEnd");
  TimeEnd->SetParent(this);
  TimeEnd->SetBounds(364, 389, 80, 22);
  TimeEnd->SetShowSec(true);
  TimeEnd->SetTime("00:00:00");
  spSkinSpeedButton1 = new TspSkinSpeedButton(this);
  spSkinSpeedButton1->SetName("spSkinSpeedButton1");
  spSkinSpeedButton1->SetParent(this);
  spSkinSpeedButton1->SetBounds(213, 389, 30, 22);
  spSkinSpeedButton1->SetCaption("OK");
  spSkinSpeedButton2 = new TspSkinSpeedButton(this);
  spSkinSpeedButton2->SetName("spSkinSpeedButton2");
  spSkinSpeedButton2->SetParent(this);
  spSkinSpeedButton2->SetBounds(447, 389, 30, 22);
  spSkinSpeedButton2->SetCaption("OK");

  spSkinButton6 = MakeButton(this, "spSkinButton6", 19, 430, 90, 25, "Reset");
  spSkinButton4 = MakeButton(this, "spSkinButton4", 297, 430, 90, 25, "OK");
  spSkinButton5 = MakeButton(this, "spSkinButton5", 393, 430, 90, 25, "Cancel");

  VIDavaza2 = new TVIDavaza(this);
  VIDavaza2->SetName("VIDavaza2");

  // Handlers.
  WirePreviewButtons(this, PlayButton, PauseButton, StopButton);
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  spSkinButton3->OnClick = [this](TObject* s) { spSkinButton3Click(s); };
  spSkinButton2->OnClick = [this](TObject* s) { spSkinButton2Click(s); };
  spSkinSpeedButton1->OnClick = [this](TObject* s) { spSkinSpeedButton1Click(s); };
  spSkinSpeedButton2->OnClick = [this](TObject* s) { spSkinSpeedButton2Click(s); };
  spSkinButton6->OnClick = [this](TObject* s) { spSkinButton6Click(s); };
  spSkinButton4->OnClick = [this](TObject* s) { spSkinButton4Click(s); };
  spSkinButton5->OnClick = [this](TObject* s) { spSkinButton5Click(s); };
  imgTrimLeft->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    imgTrimLeftMouseDown(s, b, sh, x, y);
  };
  imgTrimLeft->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { imgTrimLeftMouseMove(s, sh, x, y); };
  imgTrimLeft->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    imgTrimLeftMouseUp(s, b, sh, x, y);
  };
  imgTrimRight->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    imgTrimRightMouseDown(s, b, sh, x, y);
  };
  imgTrimRight->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { imgTrimRightMouseMove(s, sh, x, y); };
  imgTrimRight->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    imgTrimRightMouseUp(s, b, sh, x, y);
  };
  WirePositionBar(videotrackbar2, this, &TClipForm::videotrackbar2StartDragButton,
                  &TClipForm::videotrackbar2LastChange);
  WirePlayerReports(VIDavaza2, this, &TClipForm::VIDavaza2FileOpen, &TClipForm::VIDavaza2Position,
                    &TClipForm::VIDavaza2State);
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

  FormCreate(this);
}

TClipForm::~TClipForm() {
  if (ClipForm == this) ClipForm = nullptr;
}

void TClipForm::FormCreate(TObject*) {
  panPreview->SetColor(0);
  const std::string skin = EditSkinFolder();
  if (FileExists(skin + "trim_left.bmp")) imgTrimLeft->Picture()->LoadFromFile(skin + "trim_left.bmp");
  if (FileExists(skin + "trim_right.bmp")) imgTrimRight->Picture()->LoadFromFile(skin + "trim_right.bmp");
  SetCaption(Translate("Trim"));
  lblPlayTimeCaption->SetCaption(Translate("Play time:"));
  lblStart->SetCaption(Translate("Set start time:"));
  lblEnd->SetCaption(Translate("Set end time:"));
  spSkinSpeedButton1->SetCaption(Translate("OK"));
  spSkinSpeedButton2->SetCaption(Translate("OK"));
  spSkinButton6->SetCaption(Translate("Reset"));
  spSkinButton4->SetCaption(Translate("OK"));
  spSkinButton5->SetCaption(Translate("Cancel"));
  PlayButton->Hint = Translate("Play file");
  PauseButton->Hint = Translate("Pause");
  StopButton->Hint = Translate("Stop");
  spSkinButton1->Hint = Translate("Set start");
  spSkinButton3->Hint = Translate("Set end");
  spSkinButton2->Hint = Translate("Play trimmed part");
  for (TControl* c : std::initializer_list<TControl*>{PlayButton, PauseButton, StopButton, spSkinButton1,
                                                       spSkinButton3, spSkinButton2})
    c->ShowHint = true;
  TrimmedTimeLine->Pen()->SetColor(RGB(60, 138, 191));
  TrimmedTimeLine->Brush()->SetColor(RGB(60, 138, 191));
}

std::string TClipForm::ItemName() const {
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(MediaFiles.size())) return "";
  const TMediaFile& item = MediaFiles[ItemIndex];
  if (DVDMode) return DvdTitleAddress(item, HostDvdPath());
  return item.Source;
}

void TClipForm::SetClipTrimStart(int64_t t) {
  ClipTrimStart = t;
  TimeStart->SetTime(FormatMicroseconds(t));
}

void TClipForm::SetClipTrimEnd(int64_t t) {
  ClipTrimEnd = t;
  TimeEnd->SetTime(FormatMicroseconds(t));
}

void TClipForm::PlaceTrimmedTimeLine() {
  const int left = imgTrimLeft->Left() + imgTrimLeft->Width() / 2 + 6;
  const int width = imgTrimRight->Left() + imgTrimLeft->Width() / 2 - left - 6;
  TrimmedTimeLine->SetBounds(left, imgTrimLeft->Top(), std::max(0, width), TrimmedTimeLine->Height());
}

void TClipForm::ResetHandles() {
  imgTrimLeft->SetLeft(10);
  imgTrimRight->SetLeft(videotrackbar2->Width() + 10);
}

void TClipForm::PlaceHandlesFromRange() {
  // Without a known length the handles cannot be placed by time; they keep
  // their reset places rather than dividing by zero.
  if (FDuration <= 0) {
    ResetHandles();
    return;
  }
  const int w = videotrackbar2->Width(), m = videotrackbar2->MaxValue();
  imgTrimLeft->SetLeft(ClipTimeToHandleLeft(ClipTrimStart, FDuration, w, m));
  imgTrimRight->SetLeft(ClipTimeToHandleLeft(ClipTrimEnd, FDuration, w, m));
  if (ClipTrimStart >= ClipTrimEnd) {
    imgTrimLeft->SetLeft(imgTrimRight->Left());
    imgTrimRight->SetLeft(imgTrimRight->Left() + 11);
  }
}

void TClipForm::FormShow(TObject*) {
  SetBounds(Left(), Top(), Width(), Height() - ClientHeight() + 467);
  SetActiveControl(spSkinButton4);
  if (ItemIndex >= 0 && ItemIndex < static_cast<int>(MediaFiles.size())) {
    SetClipTrimStart(MediaFiles[ItemIndex].TimeStart);
    SetClipTrimEnd(MediaFiles[ItemIndex].TimeEnd);
  }
  ClipPlayingTrimmed = false;
  PlayButtonClick(this);
  PlaceHandlesFromRange();
  PlaceTrimmedTimeLine();
}

void TClipForm::OpenFile(const std::string& name) {
  VIDavaza2->AudioVolume = HostPreviewVolume();
  if (!VIDavaza2->AVLibLoaded()) {
    // The player binds its own SDL copy below, so the libraries are loaded
    // without their automatic SDL.
    if (!VIDavaza2->LoadAVLib(ExeFolder() + "LibAV", false)) {
      ReportError(Translate("Error Loading AV Lib") + ": " + VIDavaza2->LastErrMsg(), "CLM_VIDavaza2LoadAVLib");
      AddToHistory("-> " + VIDavaza2->LastErrMsg());
      return;
    }
  }
  if (!VIDavaza2->SDLLibLoaded()) {
    if (!VIDavaza2->LoadSDLLib(TempFolder, PrepareSdlLibrary(3))) {
      ActionHistory().Add(VIDavaza2->LastErrMsg());
      ReportError(Translate("Error loading SDL library"), "CLM_SDlLibLoad");
      return;
    }
  }
  FScreenControl = panPreview;
  if (!VIDavaza2->Open(name, reinterpret_cast<intptr_t>(panPreview->Handle()), false)) {
    ReportError(Translate("Error open file") + ": " + VIDavaza2->LastErrMsg(), "CLM_VIDavaza2Open");
    AddToHistory("-> " + VIDavaza2->LastErrMsg());
  }
}

void TClipForm::VIDavaza2FileOpen(TObject*, int64_t duration, int, int, int& screenWidth, int& screenHeight) {
  PreviewScreenSize(FScreenControl, screenWidth, screenHeight);
  FDuration = duration;
}

void TClipForm::VIDavaza2Position(TObject*, int64_t p) {
  if (ClipPositionBusy) return;
  ClipPositionBusy = true;
  if (p >= 0 && FDuration > 0 && !ClipTrackDragging)
    videotrackbar2->SetValue(static_cast<int>(p * videotrackbar2->MaxValue() / FDuration));
  if (p > 0) {
    lblPlayTime->SetCaption(FormatMicroseconds(p) + " / " + FormatMicroseconds(FDuration));
    ClipLastPosition = p;
  }
  if (ClipPlayingTrimmed && p >= ClipTrimEnd) VIDavaza2->Seek(ClipTrimStart, 0, true);
  ClipPositionBusy = false;
}

void TClipForm::VIDavaza2State(TObject*, int state) {
  ClipPlayerState = state;
  if (state == psEnd) StopButtonClick(this);
}

void TClipForm::PlayButtonClick(TObject*) {
  ClipPlayingTrimmed = false;
  if (ClipPlayerState == psPause)
    VIDavaza2->Resume();
  else
    OpenFile(ItemName());
}

void TClipForm::PauseButtonClick(TObject*) {
  ClipPlayingTrimmed = false;
  VIDavaza2->TogglePause();
}

void TClipForm::StopButtonClick(TObject*) {
  ClipPlayingTrimmed = false;
  PlayButton->SetDown(false);
  PauseButton->SetDown(false);
  spSkinButton2->SetDown(false);
  VIDavaza2->Stop(true);
  videotrackbar2->SetValue(videotrackbar2->MaxValue());
  panPreview->Repaint();
  lblPlayTime->SetCaption(FormatMicroseconds(FDuration) + " / " + FormatMicroseconds(FDuration));
}

void TClipForm::spSkinButton2Click(TObject*) {
  ClipPlayingTrimmed = true;
  switch (ClipPlayerState) {
    case psPause:
      VIDavaza2->Resume();
      break;
    case psPlay:
    case psResume:
      VIDavaza2->Seek(ClipTrimStart, 0, false);
      break;
    case psStop:
    case psEnd:
      OpenFile(ItemName());
      VIDavaza2->Seek(ClipTrimStart, 0, false);
      break;
    default:
      break;
  }
}

void TClipForm::spSkinButton1Click(TObject*) {
  SetClipTrimStart(ClipLastPosition);
  imgTrimLeft->SetLeft(videotrackbar2->Width() * videotrackbar2->Value() / 1000 + 10);
  PlaceTrimmedTimeLine();
  if (ClipTrimStart >= ClipTrimEnd) {
    SetClipTrimEnd(ClipLastPosition);
    imgTrimRight->SetLeft(imgTrimLeft->Left());
    imgTrimLeft->SetLeft(imgTrimLeft->Left() - 11);
    TrimmedTimeLine->SetWidth(0);
  }
}

void TClipForm::spSkinButton3Click(TObject*) {
  SetClipTrimEnd(ClipLastPosition);
  imgTrimRight->SetLeft(videotrackbar2->Width() * videotrackbar2->Value() / 1000 + 10);
  PlaceTrimmedTimeLine();
  if (ClipTrimStart >= ClipTrimEnd) {
    SetClipTrimStart(ClipLastPosition);
    imgTrimLeft->SetLeft(imgTrimRight->Left());
    imgTrimRight->SetLeft(imgTrimRight->Left() + 11);
    TrimmedTimeLine->SetWidth(0);
  }
}

void TClipForm::spSkinSpeedButton1Click(TObject*) {
  int64_t t = TimeTextToMicroseconds(TimeStart->Time());
  // A typed time beyond the file would trim to nothing.
  if (FDuration > 0) t = std::min(t, FDuration);
  ClipTrimStart = t;
  if (FDuration > 0) {
    imgTrimLeft->SetLeft(ClipTimeToHandleLeft(ClipTrimStart, FDuration, videotrackbar2->Width(),
                                              videotrackbar2->MaxValue()));
    if (ClipTrimStart >= ClipTrimEnd) {
      SetClipTrimEnd(ClipTrimStart);
      imgTrimRight->SetLeft(imgTrimLeft->Left());
      imgTrimLeft->SetLeft(imgTrimLeft->Left() - 11);
    }
  } else if (ClipTrimStart >= ClipTrimEnd) {
    SetClipTrimEnd(ClipTrimStart);
  }
  SetClipTrimStart(ClipTrimStart);
  PlaceTrimmedTimeLine();
}

void TClipForm::spSkinSpeedButton2Click(TObject*) {
  int64_t t = TimeTextToMicroseconds(TimeEnd->Time());
  if (FDuration > 0) t = std::min(t, FDuration);
  ClipTrimEnd = t;
  if (FDuration > 0) {
    imgTrimRight->SetLeft(ClipTimeToHandleLeft(ClipTrimEnd, FDuration, videotrackbar2->Width(),
                                               videotrackbar2->MaxValue()));
    if (ClipTrimStart >= ClipTrimEnd) {
      SetClipTrimStart(ClipTrimEnd);
      imgTrimLeft->SetLeft(imgTrimRight->Left());
      imgTrimRight->SetLeft(imgTrimRight->Left() + 11);
    }
  } else if (ClipTrimStart >= ClipTrimEnd) {
    SetClipTrimStart(ClipTrimEnd);
  }
  SetClipTrimEnd(ClipTrimEnd);
  PlaceTrimmedTimeLine();
}

void TClipForm::spSkinButton6Click(TObject*) {
  ResetHandles();
  imgTrimLeft->SetTop(videotrackbar2->Top() + videotrackbar2->Height());
  imgTrimRight->SetTop(videotrackbar2->Top() + videotrackbar2->Height());
  PlaceTrimmedTimeLine();
  videotrackbar2->SetValue(0);
  SetClipTrimStart(0);
  SetClipTrimEnd(FDuration);
}

void TClipForm::spSkinButton4Click(TObject*) {
  // An empty range would convert nothing (or, without an end, everything
  // after the start): keep the dialog open instead of storing it.
  if (ClipTrimEnd <= ClipTrimStart) {
    HostShowMessage(Translate("The end time must be after the start time."));
    return;
  }
  if (ItemIndex >= 0 && ItemIndex < static_cast<int>(MediaFiles.size())) {
    TMediaFile& item = MediaFiles[ItemIndex];
    item.TimeStart = ClipTrimStart;
    item.TimeEnd = ClipTrimEnd;
    item.TrimmedLength = ClipTrimEnd - ClipTrimStart;
    RecalcItem(ItemIndex);
    HostRepaintGrid();
  }
  ModalResult = mrOk;
  Close();
}

void TClipForm::spSkinButton5Click(TObject*) {
  ModalResult = mrCancel;
  Close();
}

void TClipForm::FormClose(TObject*, TCloseAction&) {
  ClipPlayingTrimmed = false;
  StopButtonClick(this);
}

void TClipForm::imgTrimLeftMouseDown(TObject*, TMouseButton, TShiftState, int x, int) {
  ClipPlayingTrimmed = false;
  ClipLeftDragging = true;
  ClipLeftDownX = x;
  VIDavaza2->Pause();
}

void TClipForm::imgTrimLeftMouseMove(TObject*, TShiftState, int x, int) {
  if (!ClipLeftDragging) return;
  const int left = imgTrimLeft->Left() + x - ClipLeftDownX;
  if (left > 10 && left < videotrackbar2->Width() + 10 && left < imgTrimRight->Left()) {
    imgTrimLeft->SetLeft(left);
    PlaceTrimmedTimeLine();
  }
}

void TClipForm::imgTrimLeftMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  ClipLeftDragging = false;
  const int64_t t =
      ClipHandleLeftToTime(imgTrimLeft->Left(), FDuration, videotrackbar2->Width(), videotrackbar2->MaxValue());
  VIDavaza2->Seek(t, 0, true);
  SetClipTrimStart(t);
  if (VIDavaza2->Paused()) VIDavaza2->Resume();
}

void TClipForm::imgTrimRightMouseDown(TObject*, TMouseButton, TShiftState, int x, int) {
  ClipPlayingTrimmed = false;
  ClipRightDragging = true;
  ClipRightDownX = x;
  VIDavaza2->Pause();
}

void TClipForm::imgTrimRightMouseMove(TObject*, TShiftState, int x, int) {
  if (!ClipRightDragging) return;
  const int left = imgTrimRight->Left() + x - ClipRightDownX;
  if (left > 10 && left < videotrackbar2->Width() + 10 && left > imgTrimLeft->Left()) {
    imgTrimRight->SetLeft(left);
    PlaceTrimmedTimeLine();
  }
}

void TClipForm::imgTrimRightMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  ClipRightDragging = false;
  const int64_t t =
      ClipHandleLeftToTime(imgTrimRight->Left(), FDuration, videotrackbar2->Width(), videotrackbar2->MaxValue());
  VIDavaza2->Seek(t, 0, true);
  SetClipTrimEnd(t);
  if (VIDavaza2->Paused()) VIDavaza2->Resume();
}

void TClipForm::videotrackbar2StartDragButton(TObject*) {
  ClipPlayingTrimmed = false;
  ClipTrackDragging = true;
}

void TClipForm::videotrackbar2LastChange(TObject*) {
  if (FTrackChanging || IsMouseButtonDown()) return;
  VIDavaza2->Seek(static_cast<int64_t>(videotrackbar2->Value()) * FDuration / videotrackbar2->MaxValue(), 0,
                  false);
  ClipTrackDragging = false;
}

int ShowTrimDialog(int row) {
  if (MediaFiles.empty() || row < 0 || row >= static_cast<int>(MediaFiles.size())) return mrNone;
  if (!ClipForm) ClipForm = new TClipForm(Application);
  ClipForm->ItemIndex = row;
  return ClipForm->ShowModal();
}
