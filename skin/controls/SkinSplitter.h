// Bevel with skin line colours, and the splitter bar that resizes its
// aligned neighbour while dragged.
#pragma once

#include <functional>

#include "skin/controls/SkinControl.h"

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TspSkinBevel : public TGraphicControl {
public:
  explicit TspSkinBevel(TComponent* owner);

  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value);
  std::string SkinDataName = "bevel";
  bool DividerMode() const { return FDividerMode; }
  void SetDividerMode(bool value);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);
  COLORREF LightColor, DarkColor;

  void ChangeSkinData();
  void SetBounds(int left, int top, int width, int height) override;

protected:
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  TspSkinDataRef FSD{this};
  int FIndex = -1;
  bool FDividerMode = false;
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

using TSplitterCanResizeEvent = std::function<void(TObject* sender, int& newSize, bool& accept)>;

class TspCustomSplitter : public TspSkinControl {
  using Base = TspSkinControl;

public:
  explicit TspCustomSplitter(TComponent* owner);

  bool AutoSnap = true;
  int MinSize() const { return FMinSize; }
  void SetMinSize(int value) { FMinSize = std::max(1, value); }
  TSplitterCanResizeEvent OnCanResize;
  TNotifyEvent OnMoved;

  // The control being resized; null while not dragging.
  TControl* Sizing() const { return FControl; }
  void WndProc(TMessage& message) override;
  void SetBounds(int left, int top, int width, int height) override;

protected:
  virtual bool CanResize(int& newSize);
  virtual bool CheckCanResize(int& newSize);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void StopSizing();

private:
  TControl* FindControl() const;
  void CalcSplitSize(int x, int y, int& newSize, int& split) const;
  void UpdateControlSize();

  TControl* FControl = nullptr;
  TWinControl* FActiveControl = nullptr;
  TAlign FCursorAlign = alLeft;
  TKeyEvent FOldKeyDown;
  POINT FDownPos{};
  int FMinSize = 30, FMaxSize = 0, FNewSize = 0, FOldSize = -1, FSplit = 0;
};

class TspSkinSplitterEx : public TspCustomSplitter {
  using Base = TspCustomSplitter;

public:
  explicit TspSkinSplitterEx(TComponent* owner);

  int DefaultSize = 10;
  void ChangeSkinData() override;

protected:
  void GetSkinData() override;
  void Paint() override;

private:
  const TspPicture* FSkinPicture = nullptr;
  RECT FSkinRect{}, FGripperRect{};
  POINT FLTPt{}, FRTPt{}, FLBPt{};
  bool FStretchEffect = false, FGripperTransparent = false;
  COLORREF FGripperTransparentColor = 0xFF00FF;
};
