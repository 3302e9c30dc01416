#include <windows.h>

#include "app/main/fileinfo.h"

#include <cmath>
#include <cstdio>
#include <exception>

#include "app/main/AppData.h"
#include "app/main/DialogParts.h"
#include "app/main/ErrorReport.h"
#include "engine/FFDecode.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanelKinds.h"
#include "skin/frame/DynamicSkinForm.h"

TFileInfoForm* FileInfoForm = nullptr;

namespace {

std::string LengthText(int64_t t) {
  const int64_t seconds = t < 0 ? 0 : t / 1000000;
  char text[64];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>((seconds / 60) % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string FilePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string BitRateText(int bitRate) {
  if (bitRate <= 0) return Translate("is not preseted");
  return std::to_string(bitRate / 1000) + " Kb";
}

TFileInfoForm::TFileInfoForm(TComponent* owner) : TForm(owner) {
  SetName("FileInfoForm");
  SetCaption("Properties");
  SetBorderStyle(bsDialog);
  SetBounds(0, 0, 360, 410);
  spDynamicSkinForm1 = new TspDynamicSkinForm(this);
  spDynamicSkinForm1->SetName("spDynamicSkinForm1");
  lblFileNameCaption = MakeDialogLabel(this, this, "lblFileNameCaption", 16, 16, "File name:");
  lblFileName = MakeDialogLabel(this, this, "lblFileName", 120, 16, "");
  lblLengthCaption = MakeDialogLabel(this, this, "lblLengthCaption", 16, 40, "Length:");
  lblLength = MakeDialogLabel(this, this, "lblLength", 120, 40, "");
  auto group = [this](const char* name, int top, const char* caption) {
    auto* g = new TspSkinGroupBox(this);
    g->SetName(name);
    g->SetParent(this);
    g->SetBounds(12, top, 330, 120);
    g->SetCaption(caption);
    return g;
  };
  // A line of a group: its caption, and the value label (named without
  // the "Caption") beside it.
  auto line = [this](TspSkinGroupBox* g, const std::string& name, int top, const char* caption,
                     TspSkinStdLabel*& captionLabel, TspSkinStdLabel*& value) {
    captionLabel = MakeDialogLabel(this, g, (name + "Caption").c_str(), 12, top, caption);
    value = MakeDialogLabel(this, g, name.c_str(), 120, top, "");
  };
  grpVideo = group("grpVideo", 70, "Video");
  line(grpVideo, "lblResolution", 30, "Resolution:", lblResolutionCaption, lblResolution);
  line(grpVideo, "lblVideoBitRate", 56, "Bit Rate:", lblVideoBitRateCaption, lblVideoBitRate);
  line(grpVideo, "lblFrameRate", 82, "Frame Rate:", lblFrameRateCaption, lblFrameRate);
  grpAudio = group("grpAudio", 200, "Audio");
  line(grpAudio, "lblSampleRate", 30, "Sample Rate:", lblSampleRateCaption, lblSampleRate);
  line(grpAudio, "lblChannels", 56, "Channels:", lblChannelsCaption, lblChannels);
  line(grpAudio, "lblAudioBitRate", 82, "Bit Rate:", lblAudioBitRateCaption, lblAudioBitRate);
  spSkinButton1 = MakeDialogButton(this, this, "spSkinButton1", 262, 332, 80, 25, "OK");
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  if (DialogSkinData) SetDialogSkinData(this, DialogSkinData);
  FormCreate(this);
}

TFileInfoForm::~TFileInfoForm() {
  if (FileInfoForm == this) FileInfoForm = nullptr;
}

void TFileInfoForm::FormCreate(TObject*) {
  SetCaption(Translate("Properties"));
  lblFileNameCaption->SetCaption(Translate("File name:"));
  lblLengthCaption->SetCaption(Translate("Length") + ":");
  grpVideo->SetCaption(Translate("Video"));
  lblResolutionCaption->SetCaption(Translate("Resolution:"));
  lblVideoBitRateCaption->SetCaption(Translate("Bit Rate:"));
  lblFrameRateCaption->SetCaption(Translate("Frame Rate:"));
  grpAudio->SetCaption(Translate("Audio"));
  lblSampleRateCaption->SetCaption(Translate("Sample Rate:"));
  lblChannelsCaption->SetCaption(Translate("Channels:"));
  lblAudioBitRateCaption->SetCaption(Translate("Bit Rate:"));
  spSkinButton1->SetCaption(Translate("OK"));
}

void TFileInfoForm::FormShow(TObject*) { SetFormClientHeight(this, 370); }

void TFileInfoForm::spSkinButton1Click(TObject*) { ModalResult = mrOk; }

void TFileInfoForm::Fill(TCustomDecoder& decoder, const std::string& fileName) {
  lblFileName->SetCaption(FilePart(fileName));
  lblLength->SetCaption(LengthText(decoder.FileStreamInfo().Duration));
  for (TspSkinStdLabel* l :
       {lblResolution, lblVideoBitRate, lblFrameRate, lblSampleRate, lblChannels, lblAudioBitRate})
    l->SetCaption("");
  for (int i = 0; i < decoder.FStreamCount; ++i) {
    if (decoder.IsVideoStream(i)) {
      TVideoStreamInfo info;
      if (!decoder.GetVideoStreamInfo(i, info)) continue;
      // A stream that does not know its rate has a zero denominator: no
      // division by it.
      if (info.FrameRate.den > 0 && info.FrameRate.num >= 0)
        lblFrameRate->SetCaption(
            std::to_string(std::lround(static_cast<double>(info.FrameRate.num) / info.FrameRate.den)) + " fps");
      else
        lblFrameRate->SetCaption("");
      lblVideoBitRate->SetCaption(BitRateText(info.BitRate));
      lblResolution->SetCaption(std::to_string(info.Width) + "x" + std::to_string(info.Height));
    } else if (decoder.IsAudioStream(i)) {
      TAudioStreamInfo info;
      if (!decoder.GetAudioStreamInfo(i, info)) continue;
      lblChannels->SetCaption(std::to_string(info.Channels) + " channel");
      lblSampleRate->SetCaption(std::to_string(info.SampleRate) + " Hz");
      lblAudioBitRate->SetCaption(BitRateText(info.BitRate));
    }
  }
}

void FileInformation1Click(TCustomDecoder& decoder, int row, const std::function<void()>& showDvdInfo) {
  if (MediaFiles.empty()) return;
  if (DVDMode) {
    if (showDvdInfo) showDvdInfo();
    return;
  }
  if (row < 0 || row >= static_cast<int>(MediaFiles.size())) return;
  const std::string source = MediaFiles[row].Source;
  if (!decoder.LoadFile(source)) {
    ActionHistory().Add("");
    AddToHistory("-> " + Translate("File load error") + ": " + decoder.LastErrMsg());
    ActionHistory().Add("");
    ReportError(Translate("The information for this media is unavailable.") + decoder.LastErrMsg(),
                "CLM_ProbeLoadFile");
    return;
  }
  if (!FileInfoForm) FileInfoForm = new TFileInfoForm(nullptr);
  try {
    FileInfoForm->Fill(decoder, source);
  } catch (const std::exception&) {
    ReportError(Translate("Error writing file info"), "CLM_WriteFileInfo");
  }
  FileInfoForm->ShowModal();
}
