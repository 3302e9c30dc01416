#include <windows.h>

#include "app/editing/crop.h"

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
#include "engine/ProgramFilters.h"
#include "framework/ExtCtrls.h"
#include "framework/SysUtils.h"
#include "player/FFPlay.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinSpin.h"
#include "skin/controls/SkinTabs.h"
#include "skin/controls/SkinTrackBar.h"
#include "skin/dialogs/spDialogs.h"
#include "skin/dialogs/spFileDialogs.h"

int EditSourceWidth = 0, EditSourceHeight = 0, EditDvdDisplayHeight = 0;
int EditPictureLeft = 0, EditPictureTop = 0, EditPictureRight = 0, EditPictureBottom = 0;
int EditPlayerState = psStop;
bool EditHandleDragging = false;
int EditHandleDownX = 0, EditHandleDownY = 0;
bool EditSuppressChange = false, EditTrackDragging = false, EditApplyItemOnOpen = false;

TCropForm* CropForm = nullptr;

namespace {

constexpr UINT kFirstPictureMessage = WM_APP + 0x41;
constexpr TCursor kSizeNESW = -6, kSizeNWSE = -8;
std::string FloatToStr(double v) {
  char t[32];
  std::snprintf(t, sizeof t, "%g", v);
  return t;
}
int R(double v) { return static_cast<int>(RoundHalfEven(static_cast<long double>(v))); }

template <class T>
T* Make(TCropForm* form, TWinControl* parent, const char* name, int x, int y, int w, int h) {
  auto* c = new T(form);
  c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(x, y, w, h);
  return c;
}

TspSkinStdLabel* Label(TCropForm* f, TWinControl* p, const char* name, int x, int y, const std::string& text) {
  auto* l = Make<TspSkinStdLabel>(f, p, name, x, y, 110, 16);
  l->SetCaption(text);
  return l;
}

TspSkinSpinEdit* Spin(TCropForm* f, TWinControl* p, const char* name, int x, int y, int max, int value) {
  auto* s = Make<TspSkinSpinEdit>(f, p, name, x, y, 70, 20);
  s->SetValueType(vtInteger);
  s->SetMinValue(0);
  s->SetMaxValue(max);
  s->Increment = 1;
  s->SimpleSetValue(value);
  return s;
}

TspSkinTrackBar* Bar(TCropForm* f, TWinControl* p, const char* name, int x, int y) {
  auto* b = Make<TspSkinTrackBar>(f, p, name, x, y, 200, 20);
  b->SetMinValue(-100);
  b->SetMaxValue(100);
  b->SetValue(0);
  return b;
}

TspSkinCheckRadioBox* Check(TCropForm* f, TWinControl* p, const char* name, int x, int y, const std::string& t) {
  auto* c = Make<TspSkinCheckRadioBox>(f, p, name, x, y, 140, 20);
  c->SetCaption(t);
  return c;
}

}  // namespace

TDisplayGeometry DisplayGeometry(int sw, int sh, int pw, int ph, double aspect) {
  TDisplayGeometry g;
  if (sw <= 0 || sh <= 0 || pw <= 0 || ph <= 0) return g;
  const double srcRatio = static_cast<double>(sw) / sh;
  g.f = aspect != 0 ? aspect / srcRatio : 1.0;
  if (pw > sw * (static_cast<double>(ph) / sh) * g.f) {
    g.fillsHeight = true;
    g.s = static_cast<double>(ph) / sh;
    double b;
    if (aspect == -1) {
      b = std::nearbyint(sh * static_cast<double>(pw) / ph);
      g.f = (static_cast<double>(pw) / ph) / srcRatio;
    } else if (aspect > 1) {
      b = R(sh * aspect);
    } else {
      b = sw;
    }
    g.mx = pw - b * g.s;
  } else {
    g.fillsHeight = false;
    g.s = static_cast<double>(pw) / sw;
    const double b = aspect > 1 ? R(sw / aspect) : sh;
    g.my = ph - b * g.s;
  }
  return g;
}

void DisplayPoint(const TDisplayGeometry& g, double x, double y, int& px, int& py) {
  if (g.fillsHeight) {
    px = R(x * g.s * g.f + g.mx / 2);
    py = R(y * g.s);
  } else {
    px = R(x * g.s);
    py = R(y * g.s / g.f + g.my / 2);
  }
}

TCropForm::TCropForm(TComponent* owner) : TForm(owner) {
  SetName("CropForm");
  SetCaption("Edit");
  SetBounds(0, 0, 719, 514);
  lblOriginal = Label(this, this, "lblOriginal", 15, 8, "Original Preview");
  lblOutput = Label(this, this, "lblOutput", 372, 8, "Output Preview");
  panPreview1 = Make<TPreviewPanel>(this, this, "panPreview1", 15, 27, 319, 222);
  lnleft = Make<TPreviewPanel>(this, panPreview1, "lnleft", 0, 0, 1, 10);
  lntop = Make<TPreviewPanel>(this, panPreview1, "lntop", 0, 0, 10, 1);
  lnright = Make<TPreviewPanel>(this, panPreview1, "lnright", 0, 0, 1, 10);
  lnBottom = Make<TPreviewPanel>(this, panPreview1, "lnBottom", 0, 0, 10, 1);
  for (TPreviewPanel* l : {lnleft, lntop, lnright, lnBottom}) l->SetColor(RGB(255, 255, 255));
  const char* names[8] = {"szLeftTop",      "szRightBottom", "szLeftBottom", "szRightTop",
                          "szTopMiddle",    "szBottomMiddle", "szLeftMiddle", "szRightMiddle"};
  const TCursor cursors[8] = {kSizeNWSE, kSizeNWSE, kSizeNESW, kSizeNESW, crSizeNS, crSizeNS, crSizeWE, crSizeWE};
  TPreviewPanel* handles[8];
  for (int k = 0; k < 8; ++k) {
    handles[k] = Make<TPreviewPanel>(this, panPreview1, names[k], 0, 0, 8, 9);
    handles[k]->SetColor(RGB(255, 255, 255));
    handles[k]->SetCursor(cursors[k]);
    handles[k]->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      szMouseDown(s, b, sh, x, y);
    };
    handles[k]->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      szMouseUp(s, b, sh, x, y);
    };
    handles[k]->OnMouseMove = [this, k](TObject*, TShiftState, int x, int y) { szMouseMove(k, x, y); };
  }
  szLeftTop = handles[0];
  szRightBottom = handles[1];
  szLeftBottom = handles[2];
  szRightTop = handles[3];
  szTopMiddle = handles[4];
  szBottomMiddle = handles[5];
  szLeftMiddle = handles[6];
  szRightMiddle = handles[7];
  Panel1 = Make<TPreviewPanel>(this, this, "Panel1", 372, 27, 319, 222);
  Panel2 = Make<TPreviewPanel>(this, Panel1, "Panel2", 0, 0, 319, 222);
  panPreview2 = Make<TPreviewPanel>(this, Panel2, "panPreview2", 0, 0, 319, 222);

  PlayButton = Make<TspSkinButton>(this, this, "PlayButton", 15, 279, 25, 25);
  PauseButton = Make<TspSkinButton>(this, this, "PauseButton", 43, 279, 25, 25);
  StopButton = Make<TspSkinButton>(this, this, "StopButton", 71, 279, 25, 25);
  PlayButton->SetImageIndex(0);
  PauseButton->SetImageIndex(1);
  StopButton->SetImageIndex(2);
  videotrackbar = Make<TspSkinTrackBar>(this, this, "videotrackbar", 121, 282, 440, 20);
  videotrackbar->SetMinValue(0);
  videotrackbar->SetMaxValue(440);
  videotrackbar->SetValue(0);
  VolumeImg = Make<TImage>(this, this, "VolumeImg", 575, 284, 16, 16);
  VolumeTrackBar = Make<TspSkinTrackBar>(this, this, "VolumeTrackBar", 595, 282, 96, 20);
  VolumeTrackBar->SetMinValue(0);
  VolumeTrackBar->SetMaxValue(128);
  VolumeTrackBar->SetValue(128);

  spSkinPageControl1 = Make<TspSkinPageControl>(this, this, "spSkinPageControl1", 15, 312, 676, 120);
  tabCrop = Make<TspSkinTabSheet>(this, spSkinPageControl1, "tabCrop", 0, 0, 670, 95);
  tabCrop->SetPageControl(spSkinPageControl1);
  tabCrop->SetCaption("Crop");
  tabAdjust = Make<TspSkinTabSheet>(this, spSkinPageControl1, "tabAdjust", 0, 0, 670, 95);
  tabAdjust->SetPageControl(spSkinPageControl1);
  tabAdjust->SetCaption("Adjust");
  tabOverlay = Make<TspSkinTabSheet>(this, spSkinPageControl1, "tabOverlay", 0, 0, 670, 95);
  tabOverlay->SetPageControl(spSkinPageControl1);
  tabOverlay->SetCaption("Overlay");

  lblAspect = Label(this, tabCrop, "lblAspect", 10, 10, "Aspect:");
  cmbAspectRatio = Make<TspSkinComboBox>(this, tabCrop, "cmbAspectRatio", 120, 8, 130, 20);
  cmbAspectRatio->SetStyle(spcbFixedStyle);
  for (const char* a : {"Keep Original", "Full Screen", "4:3", "16:9"}) cmbAspectRatio->Items()->Add(a);
  cmbAspectRatio->SetItemIndex(0);
  chFlipVertical = Check(this, tabCrop, "chFlipVertical", 10, 40, "Flip video vertically");
  lblLeft = Label(this, tabCrop, "lblLeft", 280, 10, "Crop area left:");
  edLeft = Spin(this, tabCrop, "edLeft", 390, 8, 5000, 0);
  lblTop = Label(this, tabCrop, "lblTop", 280, 40, "Crop area top:");
  edTop = Spin(this, tabCrop, "edTop", 390, 38, 5000, 0);
  lblWidth = Label(this, tabCrop, "lblWidth", 470, 10, "Crop area width:");
  edWidth = Spin(this, tabCrop, "edWidth", 585, 8, 5000, 0);
  lblHeight = Label(this, tabCrop, "lblHeight", 470, 40, "Crop area height:");
  edHeight = Spin(this, tabCrop, "edHeight", 585, 38, 5000, 0);

  chBrightness = Check(this, tabAdjust, "chBrightness", 10, 8, "Brightness:");
  tbBrightness = Bar(this, tabAdjust, "tbBrightness", 120, 8);
  chContrast = Check(this, tabAdjust, "chContrast", 10, 34, "Contrast:");
  tbContrast = Bar(this, tabAdjust, "tbContrast", 120, 34);
  chSaturation = Check(this, tabAdjust, "chSaturation", 340, 8, "Saturation:");
  tbSaturation = Bar(this, tabAdjust, "tbSaturation", 450, 8);
  chHue = Check(this, tabAdjust, "chHue", 340, 34, "Hue:");
  tbHue = Bar(this, tabAdjust, "tbHue", 450, 34);
  lblVolume = Label(this, tabAdjust, "lblVolume", 10, 64, "Volume (%):");
  spinVolume = Spin(this, tabAdjust, "spinVolume", 120, 62, 5000, 100);
  chDeinterlace = Check(this, tabAdjust, "chDeinterlace", 340, 62, "Deinterlace");

  chPictureOverlay = Check(this, tabOverlay, "chPictureOverlay", 10, 8, "Picture");
  edPictureOverlay = Make<TspSkinFileEdit>(this, tabOverlay, "edPictureOverlay", 120, 8, 250, 20);
  edPictureOverlay->SetReadOnly(true);
  edPictureOverlay->SetFilter("Image files|*.jpg;*.png;*.bmp");
  spSkinFontDialog1 = new TspSkinFontDialog(this);
  spSkinFontDialog1->SetName("spSkinFontDialog1");
  btnPictureOverlay = Make<TspSkinSpeedButton>(this, tabOverlay, "btnPictureOverlay", 372, 8, 22, 20);
  btnPictureOverlay->SetCaption("...");
  lblPictureX = Label(this, tabOverlay, "lblPictureX", 400, 10, "X - offset:");
  PictureOverlayX = Spin(this, tabOverlay, "PictureOverlayX", 470, 8, 5000, 0);
  lblPictureY = Label(this, tabOverlay, "lblPictureY", 545, 10, "Y - offset:");
  PictureOverlayY = Spin(this, tabOverlay, "PictureOverlayY", 600, 8, 5000, 0);
  chText = Check(this, tabOverlay, "chText", 10, 40, "Text");
  edTextOverlay = Make<TspSkinEdit>(this, tabOverlay, "edTextOverlay", 120, 40, 250, 20);
  btnEditFont = Make<TspSkinSpeedButton>(this, tabOverlay, "btnEditFont", 372, 40, 22, 20);
  btnEditFont->SetCaption("F");
  lblTextX = Label(this, tabOverlay, "lblTextX", 400, 42, "X - offset:");
  TextOverlayX = Spin(this, tabOverlay, "TextOverlayX", 470, 40, 5000, 0);
  lblTextY = Label(this, tabOverlay, "lblTextY", 545, 42, "Y - offset:");
  TextOverlayY = Spin(this, tabOverlay, "TextOverlayY", 600, 40, 5000, 0);

  spSkinButton2 = Make<TspSkinButton>(this, this, "spSkinButton2", 15, 440, 90, 25);
  spSkinButton2->SetCaption("Reset All");
  spSkinButton1 = Make<TspSkinButton>(this, this, "spSkinButton1", 409, 440, 90, 25);
  spSkinButton1->SetCaption("Apply");
  spSkinButton4 = Make<TspSkinButton>(this, this, "spSkinButton4", 505, 440, 90, 25);
  spSkinButton4->SetCaption("OK");
  spSkinButton5 = Make<TspSkinButton>(this, this, "spSkinButton5", 601, 440, 90, 25);
  spSkinButton5->SetCaption("Cancel");

  VIDavaza1 = new TVIDavaza(this);
  VIDavaza1->SetName("VIDavaza1");
  VIDavaza2 = new TVIDavaza(this);
  VIDavaza2->SetName("VIDavaza2");
  VIDavaza2->Mute = true;
  VIDavaza2->VideoHook = true;

  // Handlers.
  WirePreviewButtons(this, PlayButton, PauseButton, StopButton);
  WirePositionBar(videotrackbar, this, &TCropForm::videotrackbarStartDragButton, &TCropForm::videotrackbarLastChange);
  VolumeTrackBar->OnChange = [this](TObject* s) { VolumeTrackBarChange(s); };
  cmbAspectRatio->OnChange = [this](TObject* s) { cmbAspectRatioChange(s); };
  for (TspSkinSpinEdit* e : {edTop, edLeft, edHeight, edWidth, PictureOverlayX, PictureOverlayY, TextOverlayX,
                             TextOverlayY})
    e->OnChange = [this](TObject* s) { edLeftChange(s); };
  tbBrightness->OnChange = [this](TObject* s) { tbBrightnessChange(s); };
  tbContrast->OnChange = [this](TObject* s) { tbContrastChange(s); };
  tbSaturation->OnChange = [this](TObject* s) { tbSaturationChange(s); };
  tbHue->OnChange = [this](TObject* s) { tbHueChange(s); };
  for (TspSkinTrackBar* b : {tbBrightness, tbContrast, tbSaturation, tbHue})
    b->OnStartDragButton = [this](TObject* s) { tbStartDragButton(s); };
  chBrightness->OnClick = [this](TObject* s) { chBrightnessClick(s); };
  chPictureOverlay->OnClick = [this](TObject* s) { chBrightnessClick(s); };
  chText->OnClick = [this](TObject* s) { chBrightnessClick(s); };
  chContrast->OnClick = [this](TObject* s) { chContrastClick(s); };
  chSaturation->OnClick = [this](TObject* s) { chSaturationClick(s); };
  chHue->OnClick = [this](TObject* s) { chHueClick(s); };
  chDeinterlace->OnClick = [this](TObject* s) { chDeinterlaceClick(s); };
  chFlipVertical->OnClick = [this](TObject* s) { chFlipVerticalClick(s); };
  edPictureOverlay->OnChange = [this](TObject* s) { edPictureOverlayChange(s); };
  edTextOverlay->OnKeyPress = [this](TObject* s, char16_t& k) { edTextOverlayKeyPress(s, k); };
  edTextOverlay->OnChange = [this](TObject*) { PublishOverlay(); };
  btnEditFont->OnClick = [this](TObject* s) { btnEditFontClick(s); };
  btnPictureOverlay->OnClick = [this](TObject* s) { btnPictureOverlayClick(s); };
  spSkinButton2->OnClick = [this](TObject* s) { spSkinButton2Click(s); };
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  spSkinButton4->OnClick = [this](TObject* s) { spSkinButton4Click(s); };
  spSkinButton5->OnClick = [this](TObject* s) { spSkinButton5Click(s); };
  WirePlayerReports(VIDavaza1, this, &TCropForm::VIDavaza1FileOpen, &TCropForm::VIDavaza1Position,
                    &TCropForm::VIDavaza1State);
  VIDavaza2->OnState = [this](TObject* s, TPlayState st) { VIDavaza2State(s, st); };
  VIDavaza2->OnFileOpen = [this](TObject*, const int64_t, int, int, int& sw, int& sh) {
    sw = panPreview2->Width();
    sh = panPreview2->Height();
  };
  VIDavaza2->OnVideoHook = [this](TObject* s, TBitmap* b, const int64_t pts, bool& u) {
    VIDavaza2VideoHook(s, b, pts, u);
  };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

  FormCreate(this);
}

TCropForm::~TCropForm() {
  // The players stop before the values their filters read go away.
  VIDavaza1->Stop(true);
  VIDavaza2->Stop(true);
  for (int32_t* p : {&FBrightness, &FContrast, &FSaturation, &FHue}) UnregisterLiveParameter(p);
  if (CropForm == this) CropForm = nullptr;
  delete OverlayPicture;
  delete OverlayFont;
}

void TCropForm::FormCreate(TObject*) {
  for (TPreviewPanel* p : {panPreview1, Panel1, Panel2, panPreview2}) p->SetColor(0);
  for (int32_t* p : {&FBrightness, &FContrast, &FSaturation, &FHue}) RegisterLiveParameter(p);
  OverlayFont = new TFont();
  OverlayFont->SetColor(RGB(255, 255, 255));
  OverlayFont->SetSize(20);
  const std::string skin = EditSkinFolder();
  if (FileExists(skin + "volume.png")) VolumeImg->Picture()->LoadFromFile(skin + "volume.png");
  SetCaption(Translate("Edit"));
  lblOriginal->SetCaption(Translate("Original Preview"));
  lblOutput->SetCaption(Translate("Output Preview"));
  lblAspect->SetCaption(Translate("Aspect") + ":");
  lblLeft->SetCaption(Translate("Crop area left") + ":");
  lblTop->SetCaption(Translate("Crop area top") + ":");
  lblWidth->SetCaption(Translate("Crop area width") + ":");
  lblHeight->SetCaption(Translate("Crop area height") + ":");
  chFlipVertical->SetCaption(Translate("Flip video vertically"));
  chDeinterlace->SetCaption(Translate("Deinterlace"));
  lblVolume->SetCaption(Translate("Volume") + " (%):");
  chBrightness->SetCaption(Translate("Brightness") + ":");
  chContrast->SetCaption(Translate("Contrast") + ":");
  chSaturation->SetCaption(Translate("Saturation") + ":");
  chHue->SetCaption(Translate("Hue") + ":");
  tabCrop->SetCaption(Translate("Crop"));
  tabAdjust->SetCaption(Translate("Adjust"));
  tabOverlay->SetCaption(Translate("Overlay"));
  chPictureOverlay->SetCaption(Translate("Picture"));
  chText->SetCaption(Translate("Text"));
  for (TspSkinStdLabel* l : {lblPictureX, lblTextX}) l->SetCaption(Translate("X - offset") + ":");
  for (TspSkinStdLabel* l : {lblPictureY, lblTextY}) l->SetCaption(Translate("Y - offset") + ":");
  spSkinButton2->SetCaption(Translate("Reset All"));
  spSkinButton1->SetCaption(Translate("Apply"));
  spSkinButton4->SetCaption(Translate("OK"));
  spSkinButton5->SetCaption(Translate("Cancel"));
  EditSuppressChange = true;
  cmbAspectRatio->Items()->Clear();
  cmbAspectRatio->Items()->Add(Translate("Keep Original"));
  cmbAspectRatio->Items()->Add(Translate("Full Screen"));
  cmbAspectRatio->Items()->Add("4:3");
  cmbAspectRatio->Items()->Add("16:9");
  cmbAspectRatio->SetItemIndex(0);
  EditSuppressChange = false;
  PublishOverlay();
}

bool TCropForm::IsDvdItem() const { return DVDMode; }

std::string TCropForm::ItemName() const {
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(MediaFiles.size())) return "";
  const TMediaFile& item = MediaFiles[ItemIndex];
  if (DVDMode) return DvdTitleAddress(item, HostDvdPath());
  return item.Source;
}

void TCropForm::SetEditValue(TspSkinSpinEdit* edit, int value) {
  // The program's own change must not run the change handler; a change that
  // does not alter the value fires nothing, so the flag is cleared here.
  EditSuppressChange = true;
  edit->SetValue(value);
  EditSuppressChange = false;
}

void TCropForm::UpdateVideoFilters() {
  FHue = 0;
  char text[256];
  std::snprintf(text, sizeof text, "nativeeq=%d:%d:%lld:%lld, nativehue=%d:%d:%lld:%lld", FBrightness, FContrast,
                static_cast<long long>(reinterpret_cast<intptr_t>(&FBrightness)),
                static_cast<long long>(reinterpret_cast<intptr_t>(&FContrast)), 0, FSaturation,
                static_cast<long long>(reinterpret_cast<intptr_t>(&FHue)),
                static_cast<long long>(reinterpret_cast<intptr_t>(&FSaturation)));
  VIDavaza2->SetVideoFilters(text);
}

void TCropForm::FormShow(TObject*) {
  SetBounds(Left(), Top(), Width(), Height() - ClientHeight() + 475);
  FFirstPicture = true;
  videotrackbar->SetMaxValue(videotrackbar->Width());
  EditApplyItemOnOpen = true;
  UpdateVideoFilters();
  OpenVideo(ItemName(), false);
}

void TCropForm::OpenVideo(const std::string& name, bool paused) {
  Panel1->SetColor(0);
  bool opened[2] = {false, false};
  TVIDavaza* players[2] = {VIDavaza1, VIDavaza2};
  TPreviewPanel* hosts[2] = {panPreview1, panPreview2};
  for (int i = 0; i < 2; ++i) {
    TVIDavaza* p = players[i];
    const std::string n = std::to_string(i + 1);
    if (!p->AVLibLoaded() && !p->LoadAVLib(ExeFolder() + "LibAV", false)) {
      ReportError(p->LastErrMsg(), "CLM_VIDavaza" + n + "LoadAVLib");
      AddToHistory("-> " + p->LastErrMsg());
      return;
    }
    if (!p->SDLLibLoaded() && !p->LoadSDLLib(TempFolder, PrepareSdlLibrary(i + 1))) {
      ActionHistory().Add(p->LastErrMsg());
      ReportError(Translate("Error loading SDL library for player") + n, "CLM_SDlLibLoad" + n);
      return;
    }
    (i == 0 ? FScreenControl1 : FScreenControl2) = hosts[i];
    opened[i] = p->Open(name, reinterpret_cast<intptr_t>(hosts[i]->Handle()), true);
    if (!opened[i]) {
      ReportError(p->LastErrMsg(), "CLM_VIDavaza" + n + "Open");
      AddToHistory("-> " + p->LastErrMsg());
    }
  }
  if (paused) return;
  // Both previews start together; a player without a file is not waited for.
  const DWORD until = GetTickCount() + 10000;
  auto ready = [&](int i) { return !opened[i] || players[i]->Paused(); };
  while (!(ready(0) && ready(1)) && GetTickCount() < until) {
    Application->ProcessMessages();
    Sleep(5);
  }
  if (opened[0]) VIDavaza1->Resume();
  if (opened[1]) VIDavaza2->Resume();
}

void TCropForm::PlayButtonClick(TObject*) {
  if (EditPlayerState == psPause) {
    VIDavaza1->Resume();
    VIDavaza2->Resume();
  } else {
    OpenVideo(ItemName(), false);
  }
}

void TCropForm::PauseButtonClick(TObject*) {
  VIDavaza1->Pause();
  VIDavaza2->Pause();
}

void TCropForm::StopButtonClick(TObject*) {
  PlayButton->SetDown(false);
  PauseButton->SetDown(false);
  VIDavaza1->Stop(false);
  VIDavaza2->Stop(false);
  videotrackbar->SetValue(videotrackbar->MaxValue());
  Panel1->SetColor(0);
}

void TCropForm::FormClose(TObject*, TCloseAction&) {
  StopButtonClick(this);
  Panel2->SetBounds(0, 0, panPreview1->Width(), panPreview1->Height());
  panPreview2->SetBounds(0, 0, panPreview1->Width(), panPreview1->Height());
}

void TCropForm::VIDavaza1State(TObject*, int state) {
  EditPlayerState = state;
  if (state == psEnd) StopButtonClick(this);
  if (state == psStop || state == psEnd) panPreview1->Repaint();
}

void TCropForm::VIDavaza2State(TObject*, int state) {
  if (state == psStop || state == psEnd) panPreview2->Repaint();
}

void TCropForm::VIDavaza1Position(TObject*, int64_t p) {
  if (p >= 0 && FDuration > 0 && !IsMouseButtonDown() && !EditTrackDragging)
    videotrackbar->SetValue(static_cast<int>(p * videotrackbar->MaxValue() / FDuration));
}

void TCropForm::videotrackbarStartDragButton(TObject*) { EditTrackDragging = true; }

void TCropForm::videotrackbarLastChange(TObject*) {
  if (FTrackChanging || IsMouseButtonDown()) return;
  const int64_t t = static_cast<int64_t>(videotrackbar->Value()) * FDuration / std::max(1, videotrackbar->MaxValue());
  VIDavaza1->Seek(t, 0, false);
  VIDavaza2->Seek(t, 0, false);
  EditTrackDragging = false;
}

double TCropForm::SourceDisplayAspect() { return VIDavaza1->VideoDisplayAspect(); }

void TCropForm::cmbAspectRatioChange(TObject*) {
  switch (cmbAspectRatio->ItemIndex()) {
    case 1: VIDavaza2->SetAspectRatio(-1); break;
    case 2: VIDavaza2->SetAspectRatio(4.0f / 3.0f); break;
    case 3: VIDavaza2->SetAspectRatio(16.0f / 9.0f); break;
    default: VIDavaza2->SetAspectRatio(IsDvdItem() ? static_cast<float>(SourceDisplayAspect()) : 0.0f); break;
  }
  if (EditSuppressChange) {
    EditSuppressChange = false;
    return;
  }
  ValuesToCropArea();
  ValuesToPreviewArea();
}

void TCropForm::edLeftChange(TObject*) {
  PublishOverlay();
  if (EditSuppressChange) {
    EditSuppressChange = false;
    return;
  }
  ValuesToCropArea();
  ValuesToPreviewArea();
}

void TCropForm::PlaceSideHandles() {
  szLeftBottom->SetBounds(szLeftTop->Left(), szRightBottom->Top(), 8, 9);
  szRightTop->SetBounds(szRightBottom->Left(), szLeftTop->Top(), 8, 9);
  szLeftMiddle->SetBounds(szLeftTop->Left(), (szLeftTop->Top() + szLeftBottom->Top()) / 2, 8, 9);
  szRightMiddle->SetBounds(szRightTop->Left(), (szRightTop->Top() + szRightBottom->Top()) / 2, 8, 9);
  szTopMiddle->SetBounds((szLeftTop->Left() + szRightTop->Left()) / 2, szLeftTop->Top(), 8, 9);
  szBottomMiddle->SetBounds((szLeftBottom->Left() + szRightBottom->Left()) / 2, szLeftBottom->Top(), 8, 9);
  lnleft->SetBounds(szLeftTop->Left() + 4, szLeftTop->Top() + 4, 1,
                    std::max(1, szLeftBottom->Top() - szLeftTop->Top()));
  lnright->SetBounds(szRightTop->Left() + 4, szRightTop->Top() + 4, 1,
                     std::max(1, szRightBottom->Top() - szRightTop->Top()));
  lntop->SetBounds(szLeftTop->Left() + 4, szLeftTop->Top() + 4, std::max(1, szRightTop->Left() - szLeftTop->Left()),
                   1);
  lnBottom->SetBounds(szLeftBottom->Left() + 4, szLeftBottom->Top() + 4,
                      std::max(1, szRightBottom->Left() - szLeftBottom->Left()), 1);
}

namespace {
// The displayed height of the source and the factor for vertical values.
void DisplayHeight(int sh, bool dvd, int& shown, double& vScale) {
  shown = sh;
  vScale = 1;
  if (dvd && EditDvdDisplayHeight > 0 && sh > 0) {
    shown = EditDvdDisplayHeight;
    vScale = static_cast<double>(EditDvdDisplayHeight) / sh;
  }
}
}  // namespace

void TCropForm::ValuesToCropArea() {
  try {
    int sh;
    double v;
    DisplayHeight(EditSourceHeight, IsDvdItem(), sh, v);
    const TDisplayGeometry g =
        DisplayGeometry(EditSourceWidth, sh, panPreview1->Width(), panPreview1->Height(), VIDavaza1->AspectRatio());
    if (g.s == 0) return;
    int x0, y0, x1, y1;
    DisplayPoint(g, edLeft->Value(), edTop->Value() * v, x0, y0);
    DisplayPoint(g, edLeft->Value() + edWidth->Value(), (edTop->Value() + edHeight->Value()) * v, x1, y1);
    szLeftTop->SetBounds(x0 - 4, y0 - 4, 8, 9);
    szRightBottom->SetBounds(x1 - 4, y1 - 4, 8, 9);
    PlaceSideHandles();
  } catch (const std::exception&) {
    ReportError(Translate("Error painting Selection Area with edited values.") +
                    " BitmapWidth=" + std::to_string(EditSourceWidth) +
                    "; BitmapHeight=" + std::to_string(EditSourceHeight) +
                    "; AspectRatio=" + FloatToStr(VIDavaza1->AspectRatio()),
                "CLM_ValuesToCropArea");
  }
}

void TCropForm::ValuesToPreviewArea() {
  try {
    int sh;
    double v;
    DisplayHeight(EditSourceHeight, IsDvdItem(), sh, v);
    const int pw = panPreview1->Width(), ph = panPreview1->Height();
    const TDisplayGeometry g = DisplayGeometry(EditSourceWidth, sh, pw, ph, VIDavaza2->AspectRatio());
    if (g.s == 0) return;
    int x0, y0, x1, y1;
    DisplayPoint(g, edLeft->Value(), edTop->Value() * v, x0, y0);
    DisplayPoint(g, edLeft->Value() + edWidth->Value(), (edTop->Value() + edHeight->Value()) * v, x1, y1);
    const double cw = x1 - x0, ch = y1 - y0;
    if (cw <= 0 || ch <= 0) return;
    double bw, bh;
    if (static_cast<double>(pw) / ph >= cw / ch) {
      const int w = R(Panel1->Height() * cw / ch);
      Panel2->SetBounds(R(Panel1->Width() / 2.0 - w / 2.0), 0, w, Panel1->Height());
      bh = ph;
      bw = ph * cw / ch;
    } else {
      const int h = R(Panel1->Width() * ch / cw);
      Panel2->SetBounds(0, R(Panel1->Height() / 2.0 - h / 2.0), Panel1->Width(), h);
      bw = pw;
      bh = pw * ch / cw;
    }
    panPreview2->SetBounds(-R(x0 * bw / cw), -R(y0 * bh / ch), R(pw * bw / cw), R(ph * bh / ch));
    VIDavaza2->UpdateScreenPosition();
  } catch (const std::exception&) {
    ReportError(Translate("Error painting Preview Area with edited values.") +
                    " BitmapWidth=" + std::to_string(EditSourceWidth) +
                    "; BitmapHeight=" + std::to_string(EditSourceHeight) +
                    "; AspectRatio=" + FloatToStr(VIDavaza2->AspectRatio()) +
                    "; panPreview2.Width=" + std::to_string(panPreview2->Width()) +
                    "; panPreview2.Height=" + std::to_string(panPreview2->Height()),
                "CLM_ValuesToPreviewArea");
  }
}

void TCropForm::CurrentPictureSize(int& width, int& height) {
  TBitmap* b = VIDavaza1->CurrentFrame();
  width = b ? b->Width() : 0;
  height = b ? b->Height() : 0;
}

void TCropForm::CropAreaToEdits(bool reset, bool) {
  int sw = 0, sh0 = 0;
  CurrentPictureSize(sw, sh0);
  if (sw <= 0 || sh0 <= 0) return;
  try {
    int sh;
    double v;
    DisplayHeight(sh0, IsDvdItem(), sh, v);
    const TDisplayGeometry g =
        DisplayGeometry(sw, sh, panPreview1->Width(), panPreview1->Height(), VIDavaza1->AspectRatio());
    if (g.s != 0 && g.f != 0) {
      const double mx = g.fillsHeight ? g.mx : 0, my = g.fillsHeight ? 0 : g.my;
      const int left = R((szLeftTop->Left() + 4 - mx / 2) / (g.s * g.f));
      const int top = R((szLeftTop->Top() + 4 - my / 2) / (g.s / g.f) / v);
      const int right = R((szRightBottom->Left() + 4 - mx / 2) / (g.s * g.f));
      const int bottom = R((szRightBottom->Top() + 4 - my / 2) / (g.s / g.f) / v);
      SetEditValue(edLeft, left);
      SetEditValue(edTop, top);
      SetEditValue(edWidth, right - left);
      SetEditValue(edHeight, bottom - top);
    }
  } catch (const std::exception&) {
    ReportError(Translate("Error painting Selection Area.") + " BitmapWidth=" + std::to_string(EditSourceWidth) +
                    "; BitmapHeight=" + std::to_string(EditSourceHeight) +
                    "; AspectRatio=" + FloatToStr(VIDavaza1->AspectRatio()),
                "CLM_PaintCropArea");
  }
  if (!reset) return;
  SetEditValue(edLeft, 0);
  SetEditValue(edTop, 0);
  SetEditValue(edWidth, sw);
  SetEditValue(edHeight, sh0);
  for (TspSkinTrackBar* b : {tbBrightness, tbContrast, tbSaturation, tbHue}) b->SetValue(0);
  chPictureOverlay->SetChecked(false);
  edPictureOverlay->SetText("");
  SetEditValue(PictureOverlayX, 0);
  SetEditValue(PictureOverlayY, 0);
  chText->SetChecked(false);
  edTextOverlay->SetText("");
  SetEditValue(TextOverlayX, 0);
  SetEditValue(TextOverlayY, 0);
  ValuesToCropArea();
  EditSuppressChange = true;
  cmbAspectRatio->SetItemIndex(0);
  EditSuppressChange = false;
  cmbAspectRatioChange(this);
  ValuesToPreviewArea();
  PublishOverlay();
}

void TCropForm::ConstrainCropHandles(int kind) {
  TPreviewPanel* h[8] = {szLeftTop, szRightBottom, szLeftBottom, szRightTop,
                         szTopMiddle, szBottomMiddle, szLeftMiddle, szRightMiddle};
  TPreviewPanel* moved = h[kind];
  int x = moved->Left() + 4, y = moved->Top() + 4;
  const bool movesX = kind < 4 || kind >= 6, movesY = kind < 6;
  // 1. Centre inside the picture.
  if (movesX) x = std::min(std::max(x, EditPictureLeft), EditPictureRight);
  if (movesY) y = std::min(std::max(y, EditPictureTop), EditPictureBottom);
  // 2. At least 8 pixels from the other side.
  const bool isLeft = kind == 0 || kind == 2 || kind == 6;
  const bool isTop = kind == 0 || kind == 3 || kind == 4;
  if (movesX) {
    if (isLeft)
      x = std::min(x, szRightTop->Left() + 4 - 8);
    else
      x = std::max(x, szLeftTop->Left() + 4 + 8);
  }
  if (movesY) {
    if (isTop)
      y = std::min(y, szLeftBottom->Top() + 4 - 8);
    else
      y = std::max(y, szLeftTop->Top() + 4 + 8);
  }
  // 3. The edges the handle moves follow it.
  if (movesX) {
    if (isLeft)
      szLeftTop->SetLeft(x - 4), szLeftBottom->SetLeft(x - 4);
    else
      szRightTop->SetLeft(x - 4), szRightBottom->SetLeft(x - 4);
  }
  if (movesY) {
    if (isTop)
      szLeftTop->SetTop(y - 4), szRightTop->SetTop(y - 4);
    else
      szLeftBottom->SetTop(y - 4), szRightBottom->SetTop(y - 4);
  }
  // 4. Middles and lines.
  PlaceSideHandles();
  // 5. Back into the edits and the output preview.
  CropAreaToEdits(false, false);
  ValuesToPreviewArea();
  panPreview1->Repaint();
  panPreview2->Repaint();
}

void TCropForm::szMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  if (EditPlayerState == psStop) return;
  EditHandleDownX = x;
  EditHandleDownY = y;
  EditHandleDragging = true;
}

void TCropForm::szMouseUp(TObject*, TMouseButton, TShiftState, int, int) { EditHandleDragging = false; }

void TCropForm::szMouseMove(int kind, int x, int y) {
  if (!EditHandleDragging) return;
  TPreviewPanel* h[8] = {szLeftTop, szRightBottom, szLeftBottom, szRightTop,
                         szTopMiddle, szBottomMiddle, szLeftMiddle, szRightMiddle};
  TPreviewPanel* opposite[8] = {szRightBottom, szLeftTop, szRightTop, szLeftBottom,
                                szBottomMiddle, szTopMiddle, szRightMiddle, szLeftMiddle};
  TPreviewPanel* me = h[kind];
  TPreviewPanel* op = opposite[kind];
  const bool movesX = kind < 4 || kind >= 6, movesY = kind < 6;
  const int nl = movesX ? me->Left() + x - EditHandleDownX : me->Left();
  const int nt = movesY ? me->Top() + y - EditHandleDownY : me->Top();
  const bool isLeft = kind == 0 || kind == 2 || kind == 6;
  const bool isTop = kind == 0 || kind == 3 || kind == 4;
  if (movesX && (isLeft ? nl >= op->Left() : nl <= op->Left())) return;
  if (movesY && (isTop ? nt >= op->Top() : nt <= op->Top())) return;
  me->SetBounds(nl, nt, me->Width(), me->Height());
  ConstrainCropHandles(kind);
}

// ---- adjustments ------------------------------------------------------------

void TCropForm::tbBrightnessChange(TObject*) { FBrightness = tbBrightness->Value(); }
void TCropForm::tbContrastChange(TObject*) { FContrast = tbContrast->Value(); }
void TCropForm::tbSaturationChange(TObject*) { FSaturation = tbSaturation->Value(); }
void TCropForm::tbHueChange(TObject*) { FHue = tbHue->Value(); }

void TCropForm::tbStartDragButton(TObject* sender) {
  if (sender == tbBrightness) chBrightness->SetChecked(true);
  if (sender == tbContrast) chContrast->SetChecked(true);
  if (sender == tbSaturation) chSaturation->SetChecked(true);
  if (sender == tbHue) chHue->SetChecked(true);
  if (EditPlayerState == psPause) {
    PlayButton->SetDown(true);
    PlayButtonClick(this);
  }
}

void TCropForm::chBrightnessClick(TObject*) {
  if (!chBrightness->Checked()) tbBrightness->SetValue(0);
  PublishOverlay();
}
void TCropForm::chContrastClick(TObject*) {
  if (!chContrast->Checked()) tbContrast->SetValue(0);
}
void TCropForm::chSaturationClick(TObject*) {
  if (!chSaturation->Checked()) tbSaturation->SetValue(0);
}
void TCropForm::chHueClick(TObject*) {
  if (!chHue->Checked()) tbHue->SetValue(0);
}
void TCropForm::chDeinterlaceClick(TObject*) { VIDavaza2->SetDeinterlace(chDeinterlace->Checked()); }

void TCropForm::chFlipVerticalClick(TObject*) {
  // Loading the item sets the box too; that must not clear what it loads.
  if (chFlipVertical->Checked() && !FLoadingItem) CropAreaToEdits(true, false);
  VIDavaza2->SetVerticalFlip(chFlipVertical->Checked());
}

void TCropForm::VolumeTrackBarChange(TObject*) {
  const int v = VolumeTrackBar->Value();
  VIDavaza1->AudioVolume = v;
  HostSetPreviewVolume(v);
}

// ---- overlays ---------------------------------------------------------------

void TCropForm::edPictureOverlayChange(TObject*) {
  if (!OverlayPicture) OverlayPicture = new TPicture();
  const std::string name = edPictureOverlay->Text();
  if (!name.empty() && FileExists(name)) {
    try {
      OverlayPicture->LoadFromFile(name);
      chPictureOverlay->SetChecked(true);
    } catch (const std::exception&) {
      // Not a picture the program reads: the previous one stays.
    }
  }
  PublishOverlay();
}

void TCropForm::edTextOverlayKeyPress(TObject*, char16_t&) {
  if (!chText->Checked()) chText->SetChecked(true);
}

void TCropForm::btnEditFontClick(TObject*) {
  if (HostExecuteFontDialog(OverlayFont)) PublishOverlay();
}

void TCropForm::btnPictureOverlayClick(TObject*) {
  std::string name = edPictureOverlay->Text();
  if (HostChooseOverlayPicture(name)) edPictureOverlay->SetText(name);
}

void TCropForm::PublishOverlay() {
  auto s = std::make_shared<TOverlaySnapshot>();
  s->Picture = chPictureOverlay->Checked() && OverlayPicture && OverlayPicture->Graphic();
  if (s->Picture) {
    s->PictureImage = std::make_shared<TPicture>();
    s->PictureImage->Assign(OverlayPicture);
  }
  s->PictureX = static_cast<int>(PictureOverlayX->Value());
  s->PictureY = static_cast<int>(PictureOverlayY->Value());
  s->Text = chText->Checked();
  s->TextValue = edTextOverlay->Text();
  s->Font = std::make_shared<TFont>();
  if (OverlayFont) s->Font->Assign(OverlayFont);
  s->TextX = static_cast<int>(TextOverlayX->Value());
  s->TextY = static_cast<int>(TextOverlayY->Value());
  std::lock_guard<std::mutex> lock(FOverlayLock);
  FOverlay = s;
}

std::shared_ptr<const TOverlaySnapshot> TCropForm::Overlay() const {
  std::lock_guard<std::mutex> lock(FOverlayLock);
  return FOverlay;
}

void TCropForm::VIDavaza2VideoHook(TObject*, TBitmap* bitmap, int64_t, bool&) {
  // Runs on the player's picture thread: it reads only the published
  // settings, and the one-time panel change is posted to the window.
  if (FFirstPicture.exchange(false) && HandleAllocated()) PostMessageW(Handle(), kFirstPictureMessage, 0, 0);
  const std::shared_ptr<const TOverlaySnapshot> s = Overlay();
  if (!s || !bitmap) return;
  if (s->Picture && s->PictureImage && s->PictureImage->Graphic())
    bitmap->Canvas()->Draw(s->PictureX, s->PictureY, s->PictureImage->Graphic());
  if (s->Text && s->Font) {
    bitmap->Canvas()->Font()->Assign(s->Font.get());
    bitmap->Canvas()->Brush()->SetStyle(bsClear);
    bitmap->Canvas()->TextOut(s->TextX, s->TextY, s->TextValue);
  }
}

void TCropForm::WndProc(TMessage& message) {
  if (message.Msg == kFirstPictureMessage) {
    panPreview2->SetBounds(panPreview2->Left(), panPreview2->Top(), panPreview2->Width() - 1,
                           panPreview2->Height() - 1);
    return;
  }
  TForm::WndProc(message);
}

// ---- loading and writing the item ------------------------------------------

void TCropForm::VIDavaza1FileOpen(TObject*, int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                                  int& screenHeight) {
  if (FScreenControl1) {
    screenWidth = FScreenControl1->Width();
    screenHeight = FScreenControl1->Height();
  }
  FDuration = duration;
  if (!EditApplyItemOnOpen) return;
  EditApplyItemOnOpen = false;
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[ItemIndex];
  FLoadingItem = true;
  VIDavaza1->AudioVolume = HostPreviewVolume();
  EditSourceWidth = frameWidth;
  EditSourceHeight = frameHeight;
  if (IsDvdItem()) {
    const double a = SourceDisplayAspect();
    if (a > 0) EditDvdDisplayHeight = R(frameWidth / a);
  }
  for (TspSkinSpinEdit* e : {edTop, edHeight}) e->SetMaxValue(frameHeight);
  for (TspSkinSpinEdit* e : {edLeft, edWidth}) e->SetMaxValue(frameWidth);
  const std::pair<TspSkinCheckRadioBox*, TspSkinTrackBar*> adj[4] = {
      {chBrightness, tbBrightness}, {chContrast, tbContrast}, {chSaturation, tbSaturation}, {chHue, tbHue}};
  const int values[4] = {item.Brightness, item.Contrast, item.Saturation, item.Hue};
  // The flip box first: the adjustments set after it must survive.
  chFlipVertical->SetChecked(item.FlipVertical);
  for (int i = 0; i < 4; ++i) {
    adj[i].first->SetChecked(values[i] != 0);
    adj[i].second->SetValue(values[i]);
  }
  if (IsDvdItem())
    chDeinterlace->SetChecked(item.DVDTitleInfo ? item.DVDTitleInfo->Deinterlace != 0 : item.Deinterlace);
  else
    chDeinterlace->SetChecked(item.Deinterlace);
  SetEditValue(spinVolume, item.Volume);
  chPictureOverlay->SetChecked(item.PictureOverlay);
  edPictureOverlay->SetText(item.OverlayPicturePath);
  chPictureOverlay->SetChecked(item.PictureOverlay);
  SetEditValue(PictureOverlayX, item.OverlayPictureX);
  SetEditValue(PictureOverlayY, item.OverlayPictureY);
  chText->SetChecked(item.TextOverlay);
  edTextOverlay->SetText(item.OverlayText);
  if (item.OverlayTextFont) OverlayFont->Assign(item.OverlayTextFont);
  SetEditValue(TextOverlayX, item.OverlayTextX);
  SetEditValue(TextOverlayY, item.OverlayTextY);
  if (item.CropLeft == 0 && item.CropTop == 0 && item.CropRight == 0 && item.CropBottom == 0) {
    SetEditValue(edLeft, 0);
    SetEditValue(edTop, 0);
    SetEditValue(edWidth, frameWidth);
    SetEditValue(edHeight, frameHeight);
  } else {
    SetEditValue(edLeft, item.CropLeft);
    SetEditValue(edTop, item.CropTop);
    SetEditValue(edWidth, frameWidth - item.CropRight - item.CropLeft);
    SetEditValue(edHeight, frameHeight - item.CropBottom - item.CropTop);
  }
  EditSuppressChange = true;
  cmbAspectRatio->SetItemIndex(std::min(std::max(item.AspectRatio, 0), 3));
  EditSuppressChange = false;
  cmbAspectRatioChange(this);
  FLoadingItem = false;
  // The picture rectangle of the source preview.
  const double pw = panPreview1->Width(), ph = panPreview1->Height();
  const double sw = frameWidth;
  const double sh = IsDvdItem() && EditDvdDisplayHeight > 0 ? EditDvdDisplayHeight : frameHeight;
  if (sw > 0 && sh > 0) {
    if (pw > sw * (ph / sh)) {
      EditPictureLeft = R((pw - sw * ph / sh) / 2);
      EditPictureTop = 0;
      EditPictureRight = R(EditPictureLeft + sw * ph / sh);
      EditPictureBottom = R(sh * ph / sh);
    } else {
      EditPictureLeft = 0;
      EditPictureTop = R((ph - sh * pw / sw) / 2);
      EditPictureRight = R(sw * pw / sw);
      EditPictureBottom = R(EditPictureTop + sh * pw / sw);
    }
  }
  PublishOverlay();
}

void TCropForm::spSkinButton2Click(TObject*) { CropAreaToEdits(true, false); }

void TCropForm::spSkinButton1Click(TObject*) {
  if (ItemIndex < 0 || ItemIndex >= static_cast<int>(MediaFiles.size())) return;
  // Until the source has opened this time the controls still hold another
  // showing's values (and the frame size another file's): nothing to write.
  if (EditApplyItemOnOpen) return;
  try {
    TMediaFile& item = MediaFiles[ItemIndex];
    // Typed values can reach past the frame; the margins stay non-negative.
    const int left = std::min(R(edLeft->Value()), EditSourceWidth);
    const int top = std::min(R(edTop->Value()), EditSourceHeight);
    const int width = std::min(R(edWidth->Value()), EditSourceWidth - left);
    const int height = std::min(R(edHeight->Value()), EditSourceHeight - top);
    item.CropLeft = left;
    item.CropTop = top;
    item.CropRight = EditSourceWidth - width - left;
    item.CropBottom = EditSourceHeight - height - top;
    item.AspectRatio = std::max(0, cmbAspectRatio->ItemIndex());
    item.Brightness = tbBrightness->Value();
    item.Saturation = tbSaturation->Value();
    item.Contrast = tbContrast->Value();
    item.Hue = tbHue->Value();
    item.PictureOverlay = chPictureOverlay->Checked();
    item.OverlayPicturePath = edPictureOverlay->Text();
    item.OverlayPictureX = R(PictureOverlayX->Value());
    item.OverlayPictureY = R(PictureOverlayY->Value());
    item.TextOverlay = chText->Checked();
    item.OverlayText = edTextOverlay->Text();
    item.OverlayTextX = R(TextOverlayX->Value());
    item.OverlayTextY = R(TextOverlayY->Value());
    item.FlipVertical = chFlipVertical->Checked();
    if (IsDvdItem() && item.DVDTitleInfo) item.DVDTitleInfo->Deinterlace = chDeinterlace->Checked() ? 1 : 0;
    item.Deinterlace = chDeinterlace->Checked();
    item.Volume = R(spinVolume->Value());
    if (!item.OverlayTextFont) item.OverlayTextFont = new TFont();
    item.OverlayTextFont->Assign(OverlayFont);
  } catch (const std::exception&) {
    ReportError(Translate("Error setting cropped area"), "CLM_CropSet");
  }
}

void TCropForm::spSkinButton4Click(TObject* sender) {
  spSkinButton1Click(sender);
  ModalResult = mrOk;
  Close();
}

void TCropForm::spSkinButton5Click(TObject*) {
  ModalResult = mrCancel;
  Close();
}

int ShowEditDialog(int row) {
  if (row < 0 || row >= static_cast<int>(MediaFiles.size())) return mrNone;
  if (MediaFiles[row].isSourceAudioFormat) {
    HostShowMessage(Translate("Can't edit audio formats. You can click \"Trim\" button."));
    return mrNone;
  }
  if (!CropForm) CropForm = new TCropForm(Application);
  CropForm->ItemIndex = row;
  return CropForm->ShowModal();
}
