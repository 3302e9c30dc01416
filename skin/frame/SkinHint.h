// Skinned tooltips: the component that makes every hint of the program a
// skinned one (with a bold title and a picture for the skinned controls),
// and the hint window it puts in the framework's place.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/Graphics.h"
#include "framework/Hints.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinTimer.h"
#include "skin/data/SkinData.h"

class TspSkinHint;

class TspSkinHintWindow : public THintWindow {
public:
  explicit TspSkinHintWindow(TComponent* owner);
  ~TspSkinHintWindow() override;

  // A plain hint at rect's top-left corner (an extended one when the active
  // hint component holds a title or a picture for it).
  void ActivateHint(const TRect& rect, const std::string& hint) override;
  // A plain hint centred under (or, with top, over) rect.
  void ActivateHintFromRect(const TRect& rect, const std::string& hint, bool top);
  // A hint with a bold title line and a picture beside the text.
  void ActivateHintEx(const TRect& rect, const std::string& hintTitle, const std::string& hint, int imageIndex,
                      TCustomImageList* imageList);

  // The window sizes for a text (the skin element's points follow the size).
  TSize CalcHintSize(const std::string& text);
  TSize CalcHintExSize(const std::string& text, const std::string& title, TCustomImageList* list, int index);
  TRect CalcHintRect(int maxWidth, const std::string& hint) override;

  TRect NewClRect{};
  TPoint NewLTPoint{}, NewRTPoint{}, NewLBPoint{}, NewRBPoint{};
  bool AExtendedStyle = false;
  TspSkinHint* FspHint = nullptr;
  TspSkinData* FSD = nullptr;
  bool OldAlphaBlend = false;
  int OldAlphaBlendValue = 0;
  HRGN Region() const { return FRgn; }
  // The screen copy under the window, for simulated translucency.
  TBitmap* ScreenImage() const { return SI.get(); }

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;

private:
  // The settings of the active hint component; false when there is none.
  bool Prepare(bool extended);
  void SetupFont(TFont* font);
  std::string ReplaceLineSeparators(const std::string& text) const;
  TSize MeasureText(const std::string& text, bool bold = false);
  void FitSkinSize(int& w, int& h, bool extraMargin);
  void Place(TRect r);
  void ApplyAlpha();
  void SetHintRegion();
  void FadeIn();
  void PaintBackground(class TspPaintBuffer& b);
  void PaintPlain(class TspPaintBuffer& b);
  void PaintHintEx(class TspPaintBuffer& b);
  const TspDataSkinHintWindow* Element() const;
  const TspPicture* ElementPicture(int index) const;

  std::unique_ptr<TBitmap> SI;
  HRGN FRgn = nullptr;
  // What the current extended hint shows.
  std::string FTitle;
  TCustomImageList* FImageList = nullptr;
  int FImageIndex = 0;
};

class TspSkinHint : public TComponent {
public:
  explicit TspSkinHint(TComponent* owner);
  ~TspSkinHint() override;

  std::string LineSeparator = "@";
  TFont* DefaultFont() { return &FDefaultFont; }
  void SetDefaultFont(const TFont* font) { FDefaultFont.Assign(font); }
  bool UseSkinFont = true;
  bool AlphaBlendSupport() const { return FAlphaBlendSupport; }
  void SetAlphaBlendSupport(bool value);
  bool AlphaBlend = false;
  uint8_t AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  TspSkinData* SkinData() const { return FSD; }
  void SetSkinData(TspSkinData* value);
  bool Active() const { return FActive; }
  void SetActive(bool value);
  TShowHintEvent OnShowHint;

  void ActivateHint(POINT p, const std::string& hint);
  void ActivateHint2(const std::string& hint);
  void ActivateHint3(const TRect& fromRect, const std::string& hint, bool top);
  void ActivateHintEx(POINT p, const std::string& hintTitle, const std::string& hint, int imageIndex,
                      TCustomImageList* imageList);
  void ActivateHintEx2(const std::string& hintTitle, const std::string& hint, int imageIndex,
                       TCustomImageList* imageList);
  void HideHint();
  bool IsVisible() const;
  // Scan lines from the cursor's hot spot down to the lowest line of its
  // picture, so that a hint placed that far below starts under the cursor.
  int GetCursorHeightMargin() const;

  TspSkinHintWindow* HintWindow() const { return HW; }
  // Whether a show or auto-hide request is pending.
  bool TimerPending() const { return FHintTimer.Active(); }

  // The title and picture of the next or current hint.
  std::string FHintTitle;
  int FHintImageIndex = 0;
  TCustomImageList* FHintImageList = nullptr;
  std::string HintText;

  // The application's hint hook (public so the framework can be driven in tests).
  void AppShowHint(std::string& hintStr, bool& canShow, THintInfo& hintInfo);

  // The first active hint component of the main form, or null.
  static TspSkinHint* FindSkinHint();

private:
  void ShowHintOnTimer();
  void ShowHintExOnTimer();
  void ShowHintFromRectOnTimer();
  void ArmHide();
  POINT CursorBelow() const;

  bool FActive = true;
  TComponentRef<TspSkinData> FSD{this};
  TComponentRef<TspSkinHintWindow> HW{this};
  bool FAlphaBlendSupport = true;
  TFont FDefaultFont;
  TspTimer FHintTimer;
  TRect FromRect{};
  bool Top = false;
};
