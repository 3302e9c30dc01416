// The Properties window: a file's length and its video and audio facts.
#pragma once

#include <functional>
#include <string>

#include "framework/Forms.h"

class TCustomDecoder;
class TspDynamicSkinForm;
class TspSkinStdLabel;
class TspSkinGroupBox;
class TspSkinButton;

class TFileInfoForm : public TForm {
public:
  explicit TFileInfoForm(TComponent* owner);
  ~TFileInfoForm() override;

  TspDynamicSkinForm* spDynamicSkinForm1;
  TspSkinStdLabel *lblFileNameCaption, *lblFileName, *lblLengthCaption, *lblLength;
  TspSkinGroupBox *grpVideo, *grpAudio;
  TspSkinStdLabel *lblResolutionCaption, *lblResolution, *lblVideoBitRateCaption, *lblVideoBitRate,
      *lblFrameRateCaption, *lblFrameRate;
  TspSkinStdLabel *lblSampleRateCaption, *lblSampleRate, *lblChannelsCaption, *lblChannels,
      *lblAudioBitRateCaption, *lblAudioBitRate;
  TspSkinButton* spSkinButton1;

  // Fills the labels from a decoder that has the file loaded.
  void Fill(TCustomDecoder& decoder, const std::string& fileName);

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void spSkinButton1Click(TObject* sender);

protected:
  const char16_t* WindowClassName() const override { return u"TFileInfoForm"; }
};

extern TFileInfoForm* FileInfoForm;

// A bit rate as the window shows it: kilobits, or "is not preseted" when
// the file does not tell.
std::string BitRateText(int bitRate);

// The main window's "Properties" command for item `row` (the selected row
// − 1) with the encoder's decoder: in DVD mode `showDvdInfo` runs instead;
// nothing happens with an empty table.
void FileInformation1Click(TCustomDecoder& decoder, int row, const std::function<void()>& showDvdInfo);
