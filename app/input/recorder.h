// The recorder window: records the desktop, a rectangle of it or the webcam,
// optionally with sound from the wave input, into an MP4 file in the Temp
// folder. The main window shows it modally (ShowRecorder), forwards its two
// global hot keys here and hands the finished file to the loading dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Forms.h"

class TFFEncoder;
class TObject;
class TTimer;
class TBitmap;
class TspSkinStdLabel;
class TspSkinComboBox;
class TspSkinCheckRadioBox;
class TspSkinButton;
class TspSkinPanel;
struct TTerminateInfo;

// 0 idle, 1 recording, 2 paused.
extern int RecorderState;

// The recording's file name for the loading dialog; empty when nothing was
// recorded.
const std::string& RecorderFileToLoad();
void SetRecorderFileToLoad(const std::string& name);

// Set by the main window when its hot keys could not be registered: the
// recorder then hides the hot key hints.
void SetRecorderHotKeysFailed(bool failed);
bool RecorderHotKeysFailed();

// Shows the recorder modally after clearing the file name; returns the
// recording's file name (empty when nothing was recorded).
std::string ShowRecorder(TComponent* owner);

// The hot key actions: pause/resume (Ctrl+Alt+P) and stop (Ctrl+Alt+D). They
// act on the recorder window that is open, and do nothing without one.
void RecorderHotKeyPauseResume();
void RecorderHotKeyStop();

// Where error texts of a refused capture input go (the main window's skinned
// message box by default); tests replace it.
extern std::function<void(const std::string& text)> RecorderErrorBox;

// ---- option texts -----------------------------------------------------------

struct TRecordRegion {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The capture input's options for source 0 (full screen), 1 (part of the
// screen) or 2 (webcam).
std::string RecorderInputOptions(int source, const TRecordRegion& region, bool captureCursor);
// The encoder's output options. The desktop sizes are made even; the webcam
// keeps its driver's size (its picture is not stretched to a desktop
// rectangle).
std::string RecorderOutputOptions(int source, const TRecordRegion& region, bool withSound);
// "[Year]-[Month]-[Day], [Hour]_[Minute]_[Second]" and the like with the
// placeholders (any case) replaced by the date's values: the year in four
// digits, the others in at least two.
std::string ExpandRecordTemplate(const std::string& text, int year, int month, int day, int hour,
                                 int minute, int second);
// The recording's full name in `tempFolder` for that time.
std::string RecordingFileName(const std::string& tempFolder, int year, int month, int day, int hour,
                              int minute, int second);

// ---- the window -------------------------------------------------------------

// Two pictures side by side, shown in turn.
class TRecAnimation : public TGraphicControl {
public:
  explicit TRecAnimation(TComponent* owner);
  ~TRecAnimation() override;
  void LoadFromFile(const std::string& fileName);
  bool Active() const;
  void SetActive(bool value);
  int Frame() const { return FFrame; }
  void NextFrame();

protected:
  void Paint() override;

private:
  std::unique_ptr<TBitmap> FBitmap;
  TTimer* FTimer;
  int FFrame = 0;
};

class TRecForm : public TForm {
public:
  explicit TRecForm(TComponent* owner);
  ~TRecForm() override;

  TspSkinStdLabel* spSkinStdLabel1;
  TspSkinComboBox* spSkinComboBox1;
  TspSkinStdLabel* spSkinStdLabel5;
  TspSkinStdLabel* spSkinStdLabel17;
  TspSkinCheckRadioBox* chCaptureCursor;
  TspSkinCheckRadioBox* ochRecordAudio;
  TspSkinCheckRadioBox* chHideWindow;
  TspSkinButton* btRecord;
  TspSkinButton* spSkinButton1;
  TspSkinButton* btPause;
  TspSkinPanel* spSkinPanel1;
  TspSkinStdLabel* spSkinStdLabel2;
  TRecAnimation* Animation;
  TspSkinButton* btStop;
  TFFEncoder* MediaEncoder;

  // The sound input's pause flag: 0 records, 1 discards. Read by the
  // capture thread through its registered address.
  int32_t FWavePauseFlag = 0;

  int Source() const { return FSource; }
  bool RecordAudio() const { return FRecordAudio; }
  int SavedClientHeight() const { return FSavedClientHeight; }
  // The last start's option texts (empty before a start got that far).
  const std::string& LastInputOptions() const { return FLastInputOptions; }
  const std::string& LastOutputOptions() const { return FLastOutputOptions; }
  // Where the media libraries are loaded from; the program's "LibAV".
  std::string LibraryFolder;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void spSkinComboBox1Change(TObject* sender);
  void ochRecordAudioClick(TObject* sender);
  void chHideWindowClick(TObject* sender);
  void btRecordClick(TObject* sender);
  void btPauseClick(TObject* sender);
  void btStopClick(TObject* sender);
  // Ends the sound and picture capture before the encoder stops.
  void EndCapture();
  void spSkinButton1Click(TObject* sender);
  void MediaEncoderTerminate(TObject* sender, const TTerminateInfo& info);

  // Hot key 1 and 2 of the main window.
  void HotKeyPauseResume();
  void HotKeyStop();

protected:
  const char16_t* WindowClassName() const override { return u"TRecForm"; }

private:
  void StartRecording();
  void FailedStart();
  void EndRecording();
  int FSource = 0;
  bool FRecordAudio = false;
  int FSavedClientHeight = 0;
  std::string FLastInputOptions, FLastOutputOptions;
};

// The recorder that is open, or nullptr.
extern TRecForm* RecForm;
