// Frame objects that hold a value or play pictures: track bar, switch,
// gauge, frame-strip gauge and regulator (knob or slider), animation,
// text label and picture-symbol label. The owner makes them from the skin's
// object list and reaches them by name.
#pragma once

#include <string>
#include <vector>

#include "skin/frame/SkinFrameObjects.h"

enum TSwitchState { swsOn, swsOff };

// The value maths, shared by the objects and kept apart so that it can be
// checked on its own. [v] is rounding to the nearest integer, halves to the
// even neighbour.
namespace spvalue {
// Thumb centre for Value on the path Begin..End (a vertical path runs from
// Begin at the bottom up to End). An empty range puts the thumb at Begin.
TPoint TrackBarPos(TTrackKind Kind, TPoint Begin, TPoint End, int Min, int Max, int Value);
// The value for a thumb centre; a path of length 0 gives Min.
int TrackBarValue(TTrackKind Kind, TPoint Begin, TPoint End, int Min, int Max, TPoint Pos);
TTrackKind TrackKindOf(TPoint Begin, TPoint End);
// Fill position of a gauge of W x H; an empty range shows the empty gauge.
TPoint GaugeFill(TGaugeKind Kind, int W, int H, int Min, int Max, int Value);
// The 1-based strip frame showing Value, kept within 1..Count.
int FrameForValue(int Count, int Min, int Max, int Value);
// Whole degrees 0..359 of (X, Y) around the centre of W x H: 0 straight
// down, growing clockwise; the centre itself is 0.
int PointToAngle(int X, int Y, int W, int H);
}  // namespace spvalue

class TspSkinTrackBarObject : public TspActiveSkinObject {
public:
  TspSkinTrackBarObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  TPoint FButtonPos, FOldButtonPos;
  int FValue = 0;
  bool MoveActive = false;
  TPoint FOldMPoint;
  TTrackKind TrackKind = tkHorizontal;
  TRect ButtonRect, ActiveButtonRect;
  TPoint BeginPoint, EndPoint;
  int MinValue = 0, MaxValue = 0;
  bool MouseDownChangeValue = false;
  bool ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;

  int Value() const { return FValue; }
  void SetValue(int AValue);
  void SimplySetValue(int AValue);
  void SetButtonPos(TPoint P);
  TRect ThumbRect(TPoint P) const;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseMove(int X, int Y) override;
};

class TspSkinSwitchObject : public TspActiveSkinObject {
public:
  using TspActiveSkinObject::TspActiveSkinObject;
  TSwitchState FState = swsOff;
  TSwitchState State() const { return FState; }
  void SetState(TSwitchState Value);
  void SimpleSetState(TSwitchState Value);
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
};

class TspSkinGaugeObject : public TspActiveSkinObject {
public:
  TspSkinGaugeObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  TPoint FProgressPos, FOldProgressPos;
  int FValue = 0, MinValue = 0, MaxValue = 0;
  TGaugeKind Kind = gkHorizontal;
  void SimplySetValue(int AValue);
  void SetValue(int AValue);
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;
};

class TspSkinFrameObject : public TspActiveSkinObject {
public:
  using TspActiveSkinObject::TspActiveSkinObject;
  int FFrame = 1;
  int FrameW = 0, FrameH = 0;
  int CountFrames = 0;
  TFramesPlacement FramesPlacement = fpHorizontal;
  void SetFrame(int Value);
  // The picture rectangle of strip frame F (clamped to the strip).
  TRect FrameRect(int F) const;
  void Draw(TCanvas* Cnvs, bool UpDate) override;

protected:
  void InitFrames(int ACount, TFramesPlacement APlacement);
};

class TspSkinFrameGaugeObject : public TspSkinFrameObject {
public:
  TspSkinFrameGaugeObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  int FValue = 0, MinValue = 0, MaxValue = 0;
  void SetValue(int AValue);
  void SimplySetValue(int AValue);
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;
};

class TspSkinFrameRegulatorObject : public TspSkinFrameObject {
public:
  TspSkinFrameRegulatorObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  int FPixInc = 0, FValInc = 0;
  bool FDown = false;
  int StartV = 0, CurV = 0, TempValue = 0, OldCurV = 0;
  int FValue = 0, MinValue = 0, MaxValue = 0;
  TRegulatorKind Kind = rkRound;
  void SetValue(int AValue);
  void SimplySetValue(int AValue);
  void CalcRoundValue();
  void CalcLinearValue();
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseMove(int X, int Y) override;

private:
  int Coordinate(int x, int y) const;
};

class TspSkinAnimateObject : public TspActiveSkinObject {
public:
  TspSkinAnimateObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  bool FMenuTracking = false;
  int FFrame = 1;
  int FInc = 25;
  int TimerInterval = 25;
  TMenuItem* MenuItem = nullptr;
  bool FDown = false, FPopupUp = false;
  int CountFrames = 1;
  bool Cycle = false, ButtonStyle = false, Increment = true;
  TStdCommand Command = cmDefault;
  TRect DownSkinRect, RestoreRect, RestoreActiveRect, RestoreInActiveRect, RestoreDownRect;
  std::string RestoreHint, FTempHint;

  void Start();
  void Stop();
  void ChangeFrame();
  int Frame() const { return FFrame; }
  void SetFrame(int Value);
  bool RestoreLookApplies() const;
  void DoCommand();
  void TrackMenu();
  // The animation tick wants this object (running and not shown pressed).
  bool Ticking() const;

  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void DblClick() override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

private:
  void Reset();
  void Animate();
};

class TspSkinLabelObject : public TspActiveSkinObject {
public:
  TspSkinLabelObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  std::string FTextValue, FontName;
  TFontStyles FontStyle = 0;
  int FontHeight = 14;
  TColor FontColor = 0, ActiveFontColor = 0;
  TAlignment Alignment = taLeftJustify;
  void SetTextValue(const std::string& AValue, bool AUpDate);
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseEnter() override;
  void MouseLeave() override;

private:
  void MakeImage(TBitmap* B, bool AActive);
};

class TspSkinBitLabelObject : public TspActiveSkinObject {
public:
  TspSkinBitLabelObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
  std::string FTextValue;
  int SymbolWidth = 0, SymbolHeight = 0;
  std::vector<std::string> Symbols;
  bool Transparent = false;
  TColor TransparentColor = 0;
  void SetTextValue(const std::string& AValue, bool AUpDate);
  // Line and column of the character's picture; false when absent.
  bool FindSymbol(char C, int& Row, int& Col) const;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
};

// The object for a value, animation or label record of the skin, or null.
std::unique_ptr<TspActiveSkinObject> CreateValueObject(TspDynamicSkinForm* AParent, const TspDataSkinObject* AData);
