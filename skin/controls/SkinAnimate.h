// A control showing one frame of a picture strip, and the animation that
// steps through the frames on a timer.
#pragma once

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinTimer.h"

class TspFrameSkinControl : public TspSkinControl {
  using Base = TspSkinControl;

public:
  explicit TspFrameSkinControl(TComponent* owner);
  ~TspFrameSkinControl() override;

  // Strip used without a skin element, and its window mask (black inside).
  const TspPicture& DefaultImage() const { return FDefaultImage; }
  void SetDefaultImage(const TspPicture& value);
  void SetDefaultMask(const TspPicture& value);
  int DefaultFramesCount() const { return FDefaultFramesCount; }
  void SetDefaultFramesCount(int value);
  TFramesPlacement DefaultFramesPlacement() const { return FDefaultFramesPlacement; }
  void SetDefaultFramesPlacement(TFramesPlacement value);

  // 1-based frame shown.
  int Frame() const { return FFrame; }
  void SetFrame(int value);
  int FramesCount() const { return FFramesCount; }
  int FrameW() const { return FFrameW; }
  int FrameH() const { return FFrameH; }

  void SetBounds(int left, int top, int width, int height) override;
  void ChangeSkinData() override;

protected:
  virtual void CalcDefaultFrameSize();
  bool HasStrip() const { return FIndex != -1 || !FDefaultImage.Empty(); }
  void GetSkinData() override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void UpdateRegion();

  int FFrame = 1;

private:
  TspPicture FDefaultImage, FDefaultMask;
  int FDefaultFramesCount = 1;
  TFramesPlacement FDefaultFramesPlacement = fpHorizontal;
  int FFramesCount = 1;
  TFramesPlacement FFramesPlacement = fpHorizontal;
  int FFrameW = 0, FFrameH = 0;
  RECT FSkinRect{};
  const TspPicture* FPicture = nullptr;
  const TspPicture* FMaskPicture = nullptr;
  HRGN FRgn = nullptr;
};

class TspSkinAnimate : public TspFrameSkinControl {
  using Base = TspFrameSkinControl;

public:
  explicit TspSkinAnimate(TComponent* owner);

  bool Active() const { return FActive; }
  void SetActive(bool value);
  bool CycleMode = false;
  bool ButtonMode = false;
  unsigned TimerInterval = 50;
  TNotifyEvent OnStart, OnStop;

  void Start();
  void Stop();
  bool Running() const { return FTimer.Active(); }
  void WndProc(TMessage& message) override;

private:
  void Tick();

  TspTimer FTimer;
  bool FActive = false, FMouseIn = false;
};
