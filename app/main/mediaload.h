// The loading dialog: probes the queued files one by one with the engine's
// decoder, appends a row with its thumbnail and estimate for every readable
// one, refuses the others with a message, and closes itself.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Forms.h"

class TspSkinStdLabel;
class TspSkinGauge;
class TspSkinButton;
class TspSkinMessage;
class TFFDecoder;
class TFont;

class TLoadForm : public TForm {
public:
  explicit TLoadForm(TComponent* owner);

  TspSkinStdLabel* VideoTitleLabel = nullptr;
  TspSkinGauge* Gauge = nullptr;
  TspSkinButton* CancelButton = nullptr;
  TspSkinMessage* SkinMessage = nullptr;
  // Set once the work of this showing has started; the caller clears it
  // after ShowModal returns.
  bool IsShown = false;

  void FormShow(TObject* sender);
  void FormActivate(TObject* sender);
  void CancelButtonClick(TObject* sender);

  void WndProc(TMessage& message) override;

protected:
  const char16_t* WindowClassName() const override { return u"TLoadForm"; }

private:
  void LoadFiles();
  void LoadDVDTitles();
};

// The 50 x 37 box a picture of that size fills in a thumbnail, centred on
// (25, 18).
struct TThumbnailBox {
  int Left, Top, Width, Height;
};
TThumbnailBox ThumbnailBox(int sourceWidth, int sourceHeight);

// Draws the picture of the decoder's open file at the middle of `length`
// into a new thumbnail; returns its index in Thumbnails.
int MakeThumbnail(TFFDecoder* decoder, int stream, int sourceWidth, int sourceHeight, int64_t length);

// The overlay font new rows copy (the edit window's font).
extern TFont* OverlayFont;

extern TLoadForm* LoadForm;
