// Small kinds of the skinned panel: one the application paints into, the
// group box, and the status bar with its size grip.
#pragma once

#include <functional>

#include "skin/controls/SkinPanel.h"

// (DC of the image being built, the panel's client area).
using TspPaintPanelEvent = std::function<void(HDC dc, const RECT& r)>;

class TspSkinPaintPanel : public TspSkinPanel {
public:
  explicit TspSkinPaintPanel(TComponent* owner) : TspSkinPanel(owner) { FForceBackground = false; }
  TspPaintPanelEvent OnPanelPaint;

protected:
  void PaintPanelContent(TspPaintBuffer& b) override {
    if (!OnPanelPaint) return;
    RECT r;
    GetSkinClientRect(r);
    OnPanelPaint(b.DC(), r);
  }
};

class TspSkinGroupBox : public TspSkinPanel {
public:
  explicit TspSkinGroupBox(TComponent* owner);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool value);

protected:
  void GetSkinData() override;
};

class TspSkinStatusBar : public TspSkinPanel {
  using Base = TspSkinPanel;

public:
  explicit TspSkinStatusBar(TComponent* owner);

  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  // Off while the window is maximized.
  bool ShowGrip() const { return FShowGrip; }
  void SetShowGrip(bool value);
  void SetSkinData(TspSkinData* value) override;
  // Where the grip lies, in client coordinates.
  RECT GripRect();

  void WndProc(TMessage& message) override;

protected:
  void GetSkinData() override;
  void AdjustClientRect(RECT& rect) override;
  void PaintDefaultImage(TspPaintBuffer& b) override;
  void PaintSkinImage(TspPaintBuffer& b) override;

private:
  bool GripActive() const { return FSizeGrip && FShowGrip; }
  void DrawGripLines(TspPaintBuffer& b, COLORREF dark, COLORREF light);

  bool FSizeGrip = false, FShowGrip = true;
  RECT FGripperRect{};
  bool FGripperTransparent = false;
  COLORREF FGripperTransparentColor = 0xFF00FF;
};
