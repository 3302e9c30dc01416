// Gauge: a progress bar with an optional text and percentage.
#pragma once

#include <functional>
#include <string>

#include "skin/controls/SkinControl.h"

// (DC, progress area, filled part); when assigned it replaces the drawing of
// the filled part and of the text.
using TspGaugePaintEvent = std::function<void(HDC dc, const RECT& progressArea, const RECT& progressRect)>;

class TspSkinGauge : public TspSkinCustomControl {
  using Base = TspSkinCustomControl;

public:
  explicit TspSkinGauge(TComponent* owner);

  int Value() const { return FValue; }
  void SetValue(int value);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value);
  bool Vertical() const { return FVertical; }
  void SetVertical(bool value);
  const std::string& ProgressText() const { return FProgressText; }
  void SetProgressText(const std::string& value);
  bool ShowProgressText() const { return FShowProgressText; }
  void SetShowProgressText(bool value);
  bool ShowPercent() const { return FShowPercent; }
  void SetShowPercent(bool value);
  bool UseSkinSize = true;

  TspGaugePaintEvent OnGaugePaint;

  // The filled part of `r` for the present value.
  RECT CalcProgressRect(const RECT& r) const;
  // Whole percent of the range, rounded down.
  int Percent() const;
  // The text the gauge shows.
  std::string Text() const;

  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void CalcSkinSize(int& width, int& height) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;

private:
  void DrawText(TspPaintBuffer& b, const TspFontDesc& font);

  bool FGaugeElement = false;
  RECT FProgressArea{}, FNewProgressArea{}, FProgressRect{};
  int FBeginOffset = 0, FEndOffset = 0;
  bool FProgressStretch = false;
  TspFontDesc FSkinFont;

  int FValue = 50, FMinValue = 0, FMaxValue = 100;
  bool FVertical = false;
  std::string FProgressText;
  bool FShowProgressText = false, FShowPercent = false;
};
