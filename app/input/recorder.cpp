#include <windows.h>

#include "app/input/recorder.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/input/FreeHandWnd.h"
#include "app/input/ScreenCapture.h"
#include "app/input/VfwCapture.h"
#include "app/input/WaveCapture.h"
#include "app/main/AppData.h"
#include "app/main/ErrorReport.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "engine/MyUtils.h"
#include "engine/ProgramFilters.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanel.h"
#include "skin/dialogs/spMessages.h"

int RecorderState = 0;
TRecForm* RecForm = nullptr;

namespace {

// The sound input hands its sound on a buffer at a time: 32 ms at 8000 Hz in
// two 16-bit channels. What the device holds when the recording stops is
// lost, so a small buffer keeps the sound as long as the picture.
constexpr int kWaveBufferBytes = 1024;

std::string gFileToLoad;
bool gHotKeysFailed = false;

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string ReplaceAllNoCase(const std::string& text, const std::string& what, const std::string& with) {
  std::string lower = text, key = what;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t at = lower.find(key, pos);
    if (at == std::string::npos) break;
    out += text.substr(pos, at - pos) + with;
    pos = at + key.size();
  }
  return out + text.substr(pos);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// Half a size rounded to the even integer, as the window is centred.
int HalfRounded(int v) { return static_cast<int>(std::nearbyint(v / 2.0)); }

void SetClientHeightOf(TForm* form, int h) {
  form->SetHeight(form->Height() - form->ClientHeight() + h);
}

void DefaultErrorBox(const std::string& text) {
  TspSkinMessage box(nullptr);
  box.MessageDlg(text, mtError, MsgDlgButtons({mbOK}), 0);
}

TspSkinStdLabel* MakeLabel(TRecForm* f, TWinControl* parent, const char* name, int x, int y, int w,
                           const std::string& caption) {
  auto* l = new TspSkinStdLabel(f);
  l->SetName(name);
  l->SetParent(parent);
  l->SetBounds(x, y, w, 16);
  l->SetCaption(caption);
  return l;
}

TspSkinCheckRadioBox* MakeCheck(TRecForm* f, const char* name, int y, const std::string& caption, bool checked) {
  auto* c = new TspSkinCheckRadioBox(f);
  c->SetName(name);
  c->SetParent(f);
  c->SetBounds(20, y, 300, 20);
  c->SetCaption(caption);
  c->SetChecked(checked);
  return c;
}

TspSkinButton* MakeButton(TRecForm* f, TWinControl* parent, const char* name, int x, int y,
                          const std::string& caption) {
  auto* b = new TspSkinButton(f);
  b->SetName(name);
  b->SetParent(parent);
  b->SetBounds(x, y, 90, 25);
  b->SetCaption(caption);
  return b;
}
}  // namespace

std::function<void(const std::string& text)> RecorderErrorBox = DefaultErrorBox;

const std::string& RecorderFileToLoad() { return gFileToLoad; }
void SetRecorderFileToLoad(const std::string& name) { gFileToLoad = name; }
void SetRecorderHotKeysFailed(bool failed) { gHotKeysFailed = failed; }
bool RecorderHotKeysFailed() { return gHotKeysFailed; }

std::string ShowRecorder(TComponent* owner) {
  gFileToLoad.clear();
  if (RecForm) {
    // The program's own recorder window, made at start-up.
    RecForm->ShowModal();
  } else {
    TRecForm form(owner);
    form.ShowModal();
  }
  return gFileToLoad;
}

void RecorderHotKeyPauseResume() {
  if (RecForm) RecForm->HotKeyPauseResume();
}
void RecorderHotKeyStop() {
  if (RecForm) RecForm->HotKeyStop();
}

// ---- option texts -----------------------------------------------------------

std::string RecorderInputOptions(int source, const TRecordRegion& r, bool captureCursor) {
  const std::string cursor = captureCursor ? "+cursor" : "-cursor";
  const std::string size = std::to_string(r.Width) + "," + std::to_string(r.Height);
  switch (source) {
    case 0:
      return "-f screencapture -input_type desktop -capture_offset 0,0 -s " + size +
             " -r 5 -capture_flags +showframe+client" + cursor;
    case 1:
      return "-f screencapture -input_type desktop -capture_offset " + std::to_string(r.Left) + "," +
             std::to_string(r.Top) + " -s " + size + " -r 5 -capture_flags +showframe+client" + cursor;
    default:
      return "-f vfwcapture -r 15";
  }
}

std::string RecorderOutputOptions(int source, const TRecordRegion& r, bool withSound) {
  const int w = r.Width - (r.Width & 1), h = r.Height - (r.Height & 1);
  std::string text;
  if (source == 0)
    text = "-c:v libx264 -preset ultrafast -tune zerolatency -s " + std::to_string(w) + "x" + std::to_string(h) + " -r 5";
  else
    // The part of the screen is captured at its own (even) size; the webcam
    // keeps its driver's size rather than the last desktop rectangle's.
    text = "-c:v libx264 -preset ultrafast -tune zerolatency -r 5";
  // The installed libraries have no "libfaac"; their own AAC encoder.
  text += withSound ? " -c:a aac -b:a 128k -ar 44100" : " -an";
  return text;
}

std::string ExpandRecordTemplate(const std::string& text, int year, int month, int day, int hour, int minute,
                                 int second) {
  char yy[16];
  std::snprintf(yy, sizeof yy, "%04d", year);
  std::string s = ReplaceAllNoCase(text, "[Year]", yy);
  s = ReplaceAllNoCase(s, "[Month]", TwoDigits(month));
  s = ReplaceAllNoCase(s, "[Day]", TwoDigits(day));
  s = ReplaceAllNoCase(s, "[Hour]", TwoDigits(hour));
  s = ReplaceAllNoCase(s, "[Minute]", TwoDigits(minute));
  s = ReplaceAllNoCase(s, "[Second]", TwoDigits(second));
  return s;
}

std::string RecordingFileName(const std::string& tempFolder, int year, int month, int day, int hour, int minute,
                              int second) {
  return tempFolder + "\\" + Translate("Record ") +
         ExpandRecordTemplate("[Year]-[Month]-[Day], [Hour]_[Minute]_[Second]", year, month, day, hour, minute,
                              second) +
         ".mp4";
}

// ---- animation --------------------------------------------------------------

TRecAnimation::TRecAnimation(TComponent* owner) : TGraphicControl(owner), FBitmap(new TBitmap) {
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(500);
  FTimer->OnTimer = [this](TObject*) { NextFrame(); };
}

TRecAnimation::~TRecAnimation() = default;

void TRecAnimation::LoadFromFile(const std::string& fileName) {
  try {
    FBitmap->LoadFromFile(fileName);
  } catch (...) {
    // Without its picture the panel still says that the webcam records.
  }
  Invalidate();
}

bool TRecAnimation::Active() const { return FTimer->Enabled(); }
void TRecAnimation::SetActive(bool value) {
  FTimer->SetEnabled(value);
  if (!value) FFrame = 0;
  Invalidate();
}

void TRecAnimation::NextFrame() {
  FFrame = 1 - FFrame;
  Invalidate();
}

void TRecAnimation::Paint() {
  const int fw = FBitmap->Width() / 2;
  if (fw <= 0) return;
  const int fh = FBitmap->Height();
  TCanvas canvas;
  canvas.SetHandle(PaintDC());
  canvas.CopyRect(TRect{0, 0, fw, fh}, FBitmap->Canvas(), TRect{FFrame * fw, 0, FFrame * fw + fw, fh});
  canvas.SetHandle(nullptr);
}

// ---- the window -------------------------------------------------------------

TRecForm::TRecForm(TComponent* owner) : TForm(owner) {
  SetName("RecForm");
  SetCaption("Record Video");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetFormStyle(fsStayOnTop);
  SetBounds(0, 0, 360, 270);
  LibraryFolder = ApplicationFolder() + "LibAV";

  spSkinStdLabel1 = MakeLabel(this, this, "spSkinStdLabel1", 20, 16, 320, "Please choose the source to record:");
  spSkinComboBox1 = new TspSkinComboBox(this);
  spSkinComboBox1->SetName("spSkinComboBox1");
  spSkinComboBox1->SetParent(this);
  spSkinComboBox1->SetBounds(20, 38, 320, 22);
  spSkinComboBox1->SetStyle(spcbFixedStyle);
  spSkinStdLabel5 = MakeLabel(this, this, "spSkinStdLabel5", 20, 70, 320, "Pause/Resume");
  spSkinStdLabel17 = MakeLabel(this, this, "spSkinStdLabel17", 20, 90, 320, "Stop recording");
  chCaptureCursor = MakeCheck(this, "chCaptureCursor", 116, "Capture mouse cursor", true);
  ochRecordAudio = MakeCheck(this, "ochRecordAudio", 140, "Record audio from Wave In", false);
  chHideWindow = MakeCheck(this, "chHideWindow", 164, "Hide window before recording", true);
  chHideWindow->SetVisible(false);
  btRecord = MakeButton(this, this, "btRecord", 150, 190, "Record");
  spSkinButton1 = MakeButton(this, this, "spSkinButton1", 250, 190, "Cancel");
  btPause = MakeButton(this, this, "btPause", 50, 190, "Pause");
  btPause->SetVisible(false);

  spSkinPanel1 = new TspSkinPanel(this);
  spSkinPanel1->SetName("spSkinPanel1");
  spSkinPanel1->SetParent(this);
  spSkinPanel1->SetAlign(alTop);
  spSkinPanel1->SetHeight(5);
  spSkinStdLabel2 = MakeLabel(this, spSkinPanel1, "spSkinStdLabel2", 20, 20, 320, "Video is recording from webcam now...");
  Animation = new TRecAnimation(this);
  Animation->SetName("Animation");
  Animation->SetParent(spSkinPanel1);
  Animation->SetBounds(140, 50, 80, 60);
  btStop = MakeButton(this, spSkinPanel1, "btStop", 135, 150, "Stop");

  MediaEncoder = new TFFEncoder(this);
  MediaEncoder->SetName("MediaEncoder");
  MediaEncoder->OnTerminate = [this](TObject* s, const TTerminateInfo& i) { MediaEncoderTerminate(s, i); };

  spSkinComboBox1->OnChange = [this](TObject* s) { spSkinComboBox1Change(s); };
  ochRecordAudio->OnClick = [this](TObject* s) { ochRecordAudioClick(s); };
  chHideWindow->OnClick = [this](TObject* s) { chHideWindowClick(s); };
  btRecord->OnClick = [this](TObject* s) { btRecordClick(s); };
  btPause->OnClick = [this](TObject* s) { btPauseClick(s); };
  btStop->OnClick = [this](TObject* s) { btStopClick(s); };
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };

  RegisterLiveParameter(&FWavePauseFlag);
  RecForm = this;
  FormCreate(this);
}

TRecForm::~TRecForm() {
  if (RecorderState != 0) MediaEncoder->Stop(true);
  RecorderState = 0;
  UnregisterLiveParameter(&FWavePauseFlag);
  if (RecForm == this) RecForm = nullptr;
}

void TRecForm::FormCreate(TObject*) {
  SetCaption(Translate("Record Video"));
  spSkinStdLabel1->SetCaption(Translate("Please choose the source to record:"));
  spSkinStdLabel2->SetCaption(Translate("Video is recording from webcam now..."));
  spSkinStdLabel5->SetCaption(Translate("Pause/Resume") + ": Ctrl+Alt+P");
  spSkinStdLabel17->SetCaption(Translate("Stop recording") + ": Ctrl+Alt+D");
  chCaptureCursor->SetCaption(Translate("Capture mouse cursor"));
  ochRecordAudio->SetCaption(Translate("Record audio from Wave In"));
  chHideWindow->SetCaption(Translate("Hide window before recording"));
  btRecord->SetCaption(Translate("Record"));
  spSkinButton1->SetCaption(Translate("Cancel"));
  btPause->SetCaption(Translate("Pause"));
  btStop->SetCaption(Translate("Stop"));
  TStrings* items = spSkinComboBox1->Items();
  items->Clear();
  items->Add(Translate("Desktop (full screen)"));
  items->Add(Translate("Desktop (part of screen)"));
  items->Add(Translate("Webcam"));
  spSkinComboBox1->SetItemIndex(0);
  Animation->LoadFromFile(SkinFolder + "\\webcam.bmp");
  ResetCaptureRegion();
  FSavedClientHeight = ClientHeight();
}

void TRecForm::FormShow(TObject*) {
  SetBounds(HalfRounded(ScreenWidth()) - HalfRounded(Width()), HalfRounded(ScreenHeight()) - HalfRounded(Height()),
            Width(), Height());
  SetCaption(Translate("Record Video"));
  spSkinPanel1->SetHeight(0);
  Animation->SetActive(false);
  SetClientHeightOf(this, 230);
  btStop->SetEnabled(true);
  if (gHotKeysFailed) {
    spSkinStdLabel5->SetVisible(false);
    spSkinStdLabel17->SetVisible(false);
  }
}

void TRecForm::spSkinComboBox1Change(TObject*) {
  const int i = spSkinComboBox1->ItemIndex();
  if (i >= 0 && i <= 2) FSource = i;
}

void TRecForm::ochRecordAudioClick(TObject*) { FRecordAudio = ochRecordAudio->Checked(); }

void TRecForm::chHideWindowClick(TObject*) {}

void TRecForm::btRecordClick(TObject*) {
  if (RecorderState == 2) {
    btPause->SetEnabled(true);
    RecorderState = 1;
    FWavePauseFlag = 0;
    MediaEncoder->Resume();
    return;
  }
  if (RecorderState != 0) return;  // already recording: a second start would clear the running task
  StartRecording();
}

// A start that failed after the window changed for the recording: the
// application comes back and the webcam view is put away, so the user can
// try again or cancel.
void TRecForm::FailedStart() {
  if (Application && Application->Minimized()) Application->Restore();
  spSkinPanel1->SetHeight(0);
  Animation->SetActive(false);
  btStop->SetEnabled(true);
  gFileToLoad.clear();
}

void TRecForm::StartRecording() {
  if (FSource == 2) {
    spSkinPanel1->SetHeight(ClientHeight());
    Animation->SetActive(true);
    btStop->SetEnabled(false);
  } else if (Application) {
    Application->Minimize();
  }
  ChooseCaptureRegion(FSource);

  if (!MediaEncoder->AVLibLoaded() && !MediaEncoder->LoadAVLib(LibraryFolder)) {
    AddToHistory("-> " + Translate("Cannot load libraries."));
    FailedStart();
    ReportError(MediaEncoder->LastErrMsg(), "CLM_LoadAVLib");
    return;
  }
  RegisterScreenCapture();
  RegisterWaveCapture();
  RegisterVfwCapture();
  MediaEncoder->ClearTasks();

  SYSTEMTIME t;
  GetLocalTime(&t);
  gFileToLoad = RecordingFileName(TempFolder, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);

  TRecordRegion region{CaptureRegion.Left, CaptureRegion.Top, CaptureRegion.Width, CaptureRegion.Height};
  FLastInputOptions = RecorderInputOptions(FSource, region, chCaptureCursor->Checked());
  const int task = MediaEncoder->AddTask("", FLastInputOptions);
  if (task < 0) {
    AddToHistory("");
    FailedStart();
    RecorderErrorBox(MediaEncoder->LastErrMsg());
    AddToHistory("");
    Close();
    return;
  }
  if (FRecordAudio) {
    FWavePauseFlag = 0;
    const std::string opts = "-f wavecapture -pause_pointer " +
                             std::to_string(reinterpret_cast<intptr_t>(&FWavePauseFlag)) + " -ar " + "8000" +
                             " -ac " + "2" + " -sample_fmt s16" + " -bufsize " + std::to_string(kWaveBufferBytes);
    if (MediaEncoder->AddInput(task, "-1", opts) < 0) {
      AddToHistory("");
      const std::string msg = MediaEncoder->LastErrMsg();
      // The half-built task would keep its capture (and the capture frame on
      // the screen) until the next start.
      MediaEncoder->ClearTasks();
      FailedStart();
      ReportError(Translate("File open error") + ": " + msg, "CLM_FileOpen");
      AddToHistory("");
      return;
    }
    AddToHistory("");
    if (TFFDecoder* d = MediaEncoder->TaskInputDecoder(task, 1)) AddToHistory(d->FileInfoText());
  }
  FLastOutputOptions = RecorderOutputOptions(FSource, region, FRecordAudio);
  if (MediaEncoder->SetOutput(task, gFileToLoad, FLastOutputOptions) < 0) {
    const std::string msg = MediaEncoder->LastErrMsg();
    MediaEncoder->RemoveTask(task);
    AddToHistory("");
    FailedStart();
    ReportError(Translate("Cannot set output file") + msg, "CLM_SetoutputRecord");
    AddToHistory("");
    return;
  }
  RecorderState = 1;
  btStop->SetEnabled(true);
  btRecord->SetEnabled(false);
  MediaEncoder->Start(1);
}

void TRecForm::btPauseClick(TObject* sender) {
  if (RecorderState == 1) {
    btPause->SetEnabled(true);
    MediaEncoder->Pause();
    RecorderState = 2;
    FWavePauseFlag = 1;
  } else if (RecorderState == 2) {
    btRecordClick(sender);
  }
}

// The sound stops being kept at once and the picture awaited now is not
// taken, so that both tracks end at the same moment.
void TRecForm::EndCapture() { FWavePauseFlag = 1; }

void TRecForm::btStopClick(TObject*) {
  EndCapture();
  MediaEncoder->Stop(false);
}

void TRecForm::spSkinButton1Click(TObject*) {
  if (RecorderState == 1 || RecorderState == 2) {
    EndCapture();
    MediaEncoder->Stop(true);
  } else {
    Close();
  }
}

void TRecForm::HotKeyPauseResume() {
  if (RecorderState == 1) {
    MediaEncoder->Pause();
    RecorderState = 2;
    FWavePauseFlag = 1;
  } else if (RecorderState == 2) {
    btRecordClick(this);
  }
}

void TRecForm::HotKeyStop() {
  if (RecorderState == 0) return;
  EndCapture();
  MediaEncoder->Stop(true);
}

void TRecForm::MediaEncoderTerminate(TObject*, const TTerminateInfo& info) {
  if (info.Finished) {
    EndRecording();
  } else if (info.Exception) {
    ReportError(Translate("Recording terminated with exception") + ": " + info.ExceptionMsg,
                "CLM_MediaEncoderException");
    EndRecording();
  }
}

void TRecForm::EndRecording() {
  RecorderState = 0;
  FWavePauseFlag = 0;
  if (Application) Application->Restore();
  if (HWND h = HandleIfAllocated()) {
    BringWindowToTop(h);
    SetForegroundWindow(h);
    PostMessageW(h, WM_CLOSE, 0, 0);
  }
  btRecord->SetEnabled(true);
}
