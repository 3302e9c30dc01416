// Two skinned edits: the track edit (an integer in a range, with a button
// that drops down a skinned track bar) and the time edit (hours, minutes,
// seconds and milliseconds through an edit mask, with a digit filter that
// refuses impossible times and stepping of the field under the caret).
#pragma once

#include <string>

#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinSpin.h"
#include "skin/controls/SkinTrackBar.h"

enum TspTrackBarPopupKind { tbpRight, tbpLeft };

class TspSkinTrackEdit;

// The drop-down bar: a top-level tool window that never takes activation.
class TspSkinPopupTrackBar : public TspSkinTrackBar {
public:
  explicit TspSkinPopupTrackBar(TComponent* owner);
  TspSkinTrackEdit* TrackEdit = nullptr;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
};

class TspSkinTrackEdit : public TspSkinCustomEdit {
public:
  explicit TspSkinTrackEdit(TComponent* owner);
  ~TspSkinTrackEdit() override;

  int Value() const { return FValue; }
  void SetValue(int value);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value) { FMinValue = value; }
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value) { FMaxValue = value; }
  int Increment = 1;
  bool SupportUpDownKeys = true;
  TspTrackBarPopupKind PopupKind = tbpRight;
  int TrackBarWidth = 0;
  std::string TrackBarSkinDataName = "htrackbar";
  bool TrackBarAlphaBlend = false;
  int TrackBarAlphaBlendValue = 0;
  bool TrackBarAlphaBlendAnimation = false;
  bool JumpWhenClick() const;
  void SetJumpWhenClick(bool value);

  static bool IsNumText(const std::string& text);
  bool IsValidChar(char16_t ch) const;
  void ButtonClick();
  void ShowPopup();
  void HidePopup();
  TspSkinPopupTrackBar* PopupTrackBar() const { return FPopupTrackBar; }
  bool PopupShown() const;

  void WndProc(TMessage& message) override;

protected:
  void Change() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char16_t& key) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  int ClampValue(int64_t value) const;
  void SetTextFromValue();

  int FMinValue = 0, FMaxValue = 100, FValue = 0;
  bool StopCheck = false, FromEdit = false;
  TspSkinPopupTrackBar* FPopupTrackBar = nullptr;
};

class TspSkinTimeEdit : public TspSkinMaskEdit {
public:
  explicit TspSkinTimeEdit(TComponent* owner);
  ~TspSkinTimeEdit() override;

  bool ShowSec() const { return FShowSec; }
  void SetShowSec(bool value);
  bool ShowMSec() const { return FShowMSec; }
  void SetShowMSec(bool value);
  bool ShowUpDown() const { return FShowUpDown; }
  void SetShowUpDown(bool value);
  TspSkinIntUpDown* UpDown() const { return FUpDown; }

  std::string Time() const { return Text(); }
  void SetTime(const std::string& value);
  int Milliseconds() const;
  void SetMilliseconds(int value);
  void DecodeTime(int& hour, int& min, int& sec, int& msec) const;
  void EncodeTime(int hour, int min, int sec, int msec);
  static bool IsValidTime(int hour, int min, int sec, int msec);

  // The key filter, installed as the edit's OnKeyPress.
  void TimeKeyPress(TObject* sender, char16_t& key);
  void StepUp();
  void StepDown();

  void ValidateEdit() override;
  void ChangeSkinData() override;
  void SetBounds(int left, int top, int width, int height) override;

protected:
  bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) override;
  void Step(int delta);
  void CreateUpDown();
  void RemoveUpDown();
  void AdjustUpDown();
  // The zero text of the present format.
  std::string ZeroText() const;

  TspSkinIntUpDown* FUpDown = nullptr;
  bool FShowMSec = false, FShowSec = true, FShowUpDown = false;
};
