// Gauge: a progress bar with an optional text and percentage.
#pragma once

#include <functional>
#include <string>

#include "skin/controls/SkinRangeControls.h"
#include "skin/controls/SkinTimer.h"

// (canvas, progress area, filled part); when assigned it replaces the
// drawing of the filled part and of the text.
using TspGaugePaintEvent = std::function<void(TCanvas* canvas, const RECT& progressArea, const RECT& progressRect)>;

class TspSkinGauge : public TspSkinValueControl {
  using Base = TspSkinValueControl;

public:
  explicit TspSkinGauge(TComponent* owner);
  ~TspSkinGauge() override;

  const std::string& ProgressText() const { return FProgressText; }
  void SetProgressText(const std::string& value);
  bool ShowProgressText() const { return FShowProgressText; }
  void SetShowProgressText(bool value);
  bool ShowPercent() const { return FShowPercent; }
  void SetShowPercent(bool value);
  // Off: the skin picture is built at the size the element fits to and
  // stretched over the control, which keeps its own size and no mask.
  bool UseSkinSize = true;
  bool TextAlphaBlend() const { return FTextAlphaBlend; }
  void SetTextAlphaBlend(bool value);
  int TextAlphaBlendValue() const { return FTextAlphaBlendValue; }
  void SetTextAlphaBlendValue(int value);

  // Milliseconds of plain progress between two runs of the animation;
  // negative values are refused, and a running animation keeps its pause.
  int ProgressAnimationPause() const { return FProgressAnimationPause; }
  void SetProgressAnimationPause(int value) {
    if (value >= 0) FProgressAnimationPause = value;
  }
  // The skin's frames run over the filled part, pause, and run again.
  void StartProgressAnimation();
  void StopProgressAnimation();
  void StartInternalAnimation();
  void StopInternalAnimation();
  // 1-based frame on show, 0 for the plain filled part.
  int AnimationFrame() const { return FAnimationFrame; }
  bool AnimationRunning() const { return FAnimationStarted; }

  TspGaugePaintEvent OnGaugePaint;

  // The filled part of `r` for the present value.
  RECT CalcProgressRect(const RECT& r) const;
  // Whole percent of the range, rounded down.
  int Percent() const;
  // The text the gauge shows.
  std::string Text() const;

  void WndProc(TMessage& message) override;
  void ChangeSkinData() override;

protected:
  void ValueChanged() override { Invalidate(); }
  void GetSkinData() override;
  void CalcSkinSize(int& width, int& height) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;
  void Paint() override;

private:
  void DrawText(TspPaintBuffer& b, const TspFontDesc& font);
  TspFontDesc SkinTextFont() const;
  // The text, with its opacity when TextAlphaBlend asks for one.
  void DrawBlendedText(TspPaintBuffer& b, const TspFontDesc& font);
  void AnimationTick();
  RECT AnimationFrameRect(int n) const;
  // The filled part's middle comes from an animation frame now.
  bool AnimatingFrame() const {
    return FFrameTimer.Active() && FAnimationFrame != 0 && FAnimationCountFrames != 0;
  }

  bool FGaugeElement = false;
  RECT FProgressArea{}, FNewProgressArea{}, FProgressRect{};
  SIZE FFittedSize{};  // the element's own fit of the size asked for
  int FBeginOffset = 0, FEndOffset = 0;
  bool FProgressStretch = false;
  TspFontDesc FSkinFont;
  COLORREF FSkinFontColor = 0;
  RECT FAnimationSkinRect{};
  int FAnimationCountFrames = 0, FAnimationInterval = 0;

  bool FTextAlphaBlend = false;
  int FTextAlphaBlendValue = 200;
  int FProgressAnimationPause = 1000;
  int FRunningPause = 1000;
  int FAnimationFrame = 0;
  bool FAnimationStarted = false;
  TspTimer FPauseTimer, FFrameTimer;

  std::string FProgressText;
  bool FShowProgressText = false, FShowPercent = false;
};
