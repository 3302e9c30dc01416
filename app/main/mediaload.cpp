#include "app/main/mediaload.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/input/DVDPlugIn.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ErrorReport.h"
#include "app/main/OptionText.h"
#include "app/main/dvdinfo.h"
#include "app/main/main.h"
#include "engine/FFDecode.h"
#include "engine/FFEncode.h"
#include "framework/Graphics.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "framework/StringList.h"
#include "skin/dialogs/spMessages.h"

TLoadForm* LoadForm = nullptr;
TFont* OverlayFont = nullptr;

namespace {

constexpr UINT WM_LOADWORK = WM_APP + 0x121;

// Rounds halves to the even neighbour.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// The DVD plug-in's information blocks of the rows; they go when the table
// is rebuilt from another DVD.
std::vector<std::unique_ptr<TDVDTitleInfo>> TitleBlocks;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TThumbnailBox ThumbnailBox(int sourceWidth, int sourceHeight) {
  int width, height;
  const long double ratio = static_cast<long double>(sourceWidth) / sourceHeight;
  if (ratio <= 50.0L / 37.0L) {
    height = 37;
    width = RoundEven(static_cast<double>(ratio * 37));
  } else {
    width = 50;
    height = RoundEven(static_cast<double>(static_cast<long double>(sourceHeight) / sourceWidth * 50));
  }
  return TThumbnailBox{25 - RoundEven(width / 2.0), 18 - RoundEven(height / 2.0), width, height};
}

int MakeThumbnail(TFFDecoder* decoder, int stream, int sourceWidth, int sourceHeight, int64_t length) {
  TBitmap work;
  work.SetSize(sourceWidth, sourceHeight);
  decoder->Seek(static_cast<int64_t>(std::llround(length * 0.5)));
  const int index = static_cast<int>(Thumbnails.size());
  auto thumb = std::make_unique<TBitmap>();
  thumb->SetSize(50, 37);
  thumb->Canvas()->Brush()->SetStyle(bsSolid);
  thumb->Canvas()->Brush()->SetColor(0);
  thumb->Canvas()->FillRect(TRect{0, 0, 50, 37});
  const TThumbnailBox box = ThumbnailBox(sourceWidth, sourceHeight);
  if (decoder->Decode(stream)) {
    decoder->DecodeNextKeyFrame(stream);
    if (decoder->CopyToBitmap(&work)) {
      SetStretchBltMode(thumb->Canvas()->Handle(), HALFTONE);
      StretchBlt(thumb->Canvas()->Handle(), box.Left, box.Top, box.Width, box.Height, work.Canvas()->Handle(), 0,
                 0, sourceWidth, sourceHeight, SRCCOPY);
    }
  }
  Thumbnails.push_back(std::move(thumb));
  return index;
}

TLoadForm::TLoadForm(TComponent* owner) : TForm(owner) {
  SetName("LoadForm");
  SetBounds(0, 0, 420, 160);
  VideoTitleLabel = new TspSkinStdLabel(this);
  VideoTitleLabel->SetName("VideoTitleLabel");
  VideoTitleLabel->SetParent(this);
  VideoTitleLabel->SetBounds(12, 12, 390, 20);
  Gauge = new TspSkinGauge(this);
  Gauge->SetName("Gauge");
  Gauge->SetParent(this);
  Gauge->SetBounds(12, 40, 390, 20);
  Gauge->SetMinValue(0);
  Gauge->SetMaxValue(100);
  CancelButton = new TspSkinButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetBounds(165, 80, 90, 28);
  CancelButton->OnClick = [this](TObject* s) { CancelButtonClick(s); };
  SkinMessage = new TspSkinMessage(this);
  SkinMessage->SetName("SkinMessage");
  OnShow = [this](TObject* s) { FormShow(s); };

  SetCaption(Translate("Loading Files"));
  VideoTitleLabel->SetCaption(Translate("Loading..."));
  CancelButton->SetCaption(Translate("Cancel"));
  IsShown = false;
}

void TLoadForm::FormShow(TObject*) {
  Gauge->SetValue(0);
  VideoTitleLabel->SetCaption("");
  Handle();
  SetBounds(Left(), Top(), Width(), 125 + Height() - ClientHeight());
  // Centred on the main window.
  if (MainForm && MainForm->HandleAllocated()) {
    RECT r{};
    GetWindowRect(MainForm->Handle(), &r);
    SetBounds(r.left + (r.right - r.left - Width()) / 2, r.top + (r.bottom - r.top - Height()) / 2, Width(),
              Height());
  }
  // The work starts once the dialog is up, whether or not the window
  // manager activates it.
  PostMessageW(Handle(), WM_LOADWORK, 0, 0);
}

void TLoadForm::WndProc(TMessage& m) {
  if (m.Msg == WM_LOADWORK) {
    FormActivate(this);
    m.Result = 0;
    return;
  }
  TForm::WndProc(m);
  if (m.Msg == WM_ACTIVATE && LOWORD(m.WParam) != WA_INACTIVE) FormActivate(this);
}

void TLoadForm::CancelButtonClick(TObject*) { CancelButton->Tag = 1; }

void TLoadForm::FormActivate(TObject*) {
  if (IsShown || !Modal()) return;
  IsShown = true;
  try {
    if (DVDMode)
      LoadDVDTitles();
    else
      LoadFiles();
  } catch (...) {
    CancelButton->Tag = 0;
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
    throw;
  }
  CancelButton->Tag = 0;
  PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TLoadForm::LoadFiles() {
  if (!MainForm || !MainForm->MediaEncoder) return;
  TFFDecoder* decoder = MainForm->MediaEncoder->Decoder();
  if (!decoder) return;
  int count = static_cast<int>(MainForm->DialogFiles.size());
  if (!FileToLoad.empty()) count = 1;
  if (!MainForm->FilesToLoad.empty()) count = static_cast<int>(MainForm->FilesToLoad.size());
  for (int i = 1; i <= count; ++i) {
    if (Application) Application->ProcessMessages();
    if (CancelButton->Tag == 1) break;
    std::string name;
    if (!FileToLoad.empty())
      name = FileToLoad;
    else if (!MainForm->FilesToLoad.empty())
      name = MainForm->FilesToLoad[i - 1];
    else
      name = MainForm->DialogFiles[i - 1];
    FileToLoad.clear();
    VideoTitleLabel->SetCaption(Translate("Loading") + " " + name);
    Gauge->SetValue(100 / count * i);
    Repaint();

    if (!decoder->LoadFile(name)) {
      AddToHistory("");
      AddToHistory("-> " + Translate("File load error") + ": " + decoder->LastErrMsg());
      AddToHistory("");
      SkinMessage->MessageDlg(Translate("File") + " " + FileNamePart(name) + " " +
                                  Translate("is not a valid media file or its format is not supported."),
                              mtInformation, MsgDlgButtons({mbOK}), 0);
      continue;
    }
    MediaFiles.emplace_back();
    const int row = static_cast<int>(MediaFiles.size()) - 1;
    TMediaFile& item = MediaFiles.back();
    item.Source = name;
    AddToHistory("-> File added: " + item.Source);
    item.SourceTitleExt = FileNamePart(name);
    const size_t dot = item.SourceTitleExt.rfind('.');
    item.DestinationTitle = dot == std::string::npos ? item.SourceTitleExt : item.SourceTitleExt.substr(0, dot);
    if (MainForm->JoinAllVideos) item.DestinationTitle = "All Media Joined in One";
    item.Status = Translate("Ready");
    item.StatusS = -1.0f;
    const int64_t duration = decoder->FileStreamInfo().Duration;
    item.TrimmedLength = duration > 0 ? duration : 0;
    int videoIndex = -1;
    for (int s = 0; s < decoder->FStreamCount; ++s) {
      if (decoder->IsAudioStream(s)) {
        char text[32];
        std::snprintf(text, sizeof text, " #%d", s);
        item.AudioTracks.push_back(Translate("Audio Track") + text);
      } else if (decoder->IsVideoStream(s) && !decoder->IsSubtitleStream(s)) {
        videoIndex = s;
      }
    }
    if (videoIndex < 0) {
      item.isSourceAudioFormat = true;
    } else {
      item.isSourceAudioFormat = false;
      TVideoStreamInfo info;
      if (decoder->GetVideoStreamInfo(videoIndex, info)) {
        item.SourceWidth = std::max(0, info.Width);
        item.SourceHeight = std::max(0, info.Height);
      }
    }
    item.AudioTracks.push_back(Translate("Disable audio"));
    item.AudioTrackIndex = 0;
    item.Subtitles.push_back(Translate("Not available"));
    item.SubtitleIndex = 0;
    item.TimeStart = 0;
    item.TimeEnd = item.TrimmedLength;
    item.ProfileInd = CurrentProfileIndex;
    item.FormatInd = CurrentFormatIndex;
    item.Checked = true;
    item.VideoThumbnailIndex = -1;
    item.OverlayTextFont = new TFont();
    item.Volume = 100;
    if (OverlayFont) CopyFont(OverlayFont, item.OverlayTextFont);
    MainForm->UpdateRowCount();
    if (item.SourceWidth >= 1 && item.SourceHeight >= 1) {
      item.VideoThumbnailIndex =
          MakeThumbnail(decoder, videoIndex, item.SourceWidth, item.SourceHeight, item.TrimmedLength);
      RecalcItem(row);
    }
    decoder->CloseFile();
    if (MediaFiles[row].isSourceAudioFormat) RecalcItem(row);
  }
}

void TLoadForm::LoadDVDTitles() {
  if (!MainForm || !MainForm->MediaEncoder) return;
  TFFDecoder* decoder = MainForm->MediaEncoder->Decoder();
  // The information text goes to the DVD Info window's memo, also when a
  // title's reading throws.
  std::vector<std::string>& info = MainForm->DVDInfoLines;
  ++MainForm->FChanging;
  struct Lower {
    std::vector<std::string>& info;
    ~Lower() {
      if (DVDInfoForm) {
        TStrings* lines = DVDInfoForm->Memo1->Lines();
        lines->BeginUpdate();
        lines->Clear();
        for (const std::string& l : info) lines->Add(l);
        lines->EndUpdate();
      }
      if (MainForm) --MainForm->FChanging;
    }
  } lower{info};
  MainForm->ClearRows();
  Thumbnails.clear();
  TitleBlocks.clear();
  info.clear();
  info.push_back(Format("There are %d title(s) in %s", DVDTitleCount, MainForm->theDVDPath.c_str()));
  for (int i = 0; i < DVDTitleCount && CancelButton->Tag != 1; ++i) {
    auto block = std::make_unique<TDVDTitleInfo>();
    if (!GetDVDTitleInfo(i, *block)) {
      AddToHistory(Format("-> Calling DVDGetTitle(#%d) failed.", i));
      continue;
    }
    auto* title = new TDVDTitle;
    title->Info = block.get();
    title->Title = i;
    title->FromChapter = 1;
    title->ToChapter = block->ChapterCount;
    title->AudioID = block->AudioCount >= 1 ? block->Audio[0].ID : 0;
    title->SubtitleID = block->SubtitleCount >= 1 ? block->Subtitles[0].ID : 0;
    title->AudioChannels = 2;
    title->Deinterlace = 0;
    const TDVDTitleInfo& t = *block;
    TitleBlocks.push_back(std::move(block));

    if (Application) Application->ProcessMessages();
    MediaFiles.emplace_back();
    const int row = static_cast<int>(MediaFiles.size()) - 1;
    TMediaFile& item = MediaFiles.back();
    item.Checked = false;
    item.TrimmedLength = std::llround(t.Length * 1000000.0);
    item.TimeStart = 0;
    item.TimeEnd = item.TrimmedLength;
    item.SourceWidth = t.Width;
    item.SourceHeight = t.Height;
    item.OverlayTextFont = new TFont();
    if (OverlayFont) CopyFont(OverlayFont, item.OverlayTextFont);
    item.Volume = 100;
    item.ProfileInd = CurrentProfileIndex;
    item.FormatInd = CurrentFormatIndex;
    item.DestinationTitle = Translate("Title") + std::to_string(i + 1);
    item.Source = item.DestinationTitle;
    MainForm->UpdateRowCount();

    VideoTitleLabel->SetCaption(Translate("Loading") + " " + item.DestinationTitle);
    Gauge->SetValue(DVDTitleCount > 0 ? row * (100 / DVDTitleCount) : 0);
    Repaint();

    item.VideoThumbnailIndex = -1;
    item.Status = Translate("Ready");
    item.StatusS = -1.0f;
    RecalcItem(row);
    item.DVDTitleInfo = title;
    // A title the decoder cannot open keeps its row, without a picture.
    if (decoder && item.SourceWidth >= 1 && item.SourceHeight >= 1 &&
        decoder->LoadFile(DvdTitleAddress(item, MainForm->theDVDPath)))
      item.VideoThumbnailIndex = MakeThumbnail(decoder, 0, item.SourceWidth, item.SourceHeight, item.TrimmedLength);

    info.push_back(Format("Title #%d Length: %f", i + 1, t.Length));
    info.push_back(Format("  Video Type[%s], ID[0x%x], Frame Size[%dx%d], Norm[%s], Aspect[%s]",
                          DVDStreamTypeName(t.VideoType).c_str(), t.VideoID, t.Width, t.Height,
                          DVDNormName(t.Norm).c_str(), DVDAspectName(t.Aspect).c_str()));
    info.push_back(Format("  AudioCount: %d", t.AudioCount));
    for (int k = 0; k < DVDBoundedCount(t.AudioCount, DVDMaxAudio); ++k) {
      const TDVDAudioInfo& a = t.Audio[k];
      info.push_back(Format("    Audio #%d Type[%s], ID[0x%x], SampleRate[%d], Channels[%d], Language[%s, %s]", k,
                            DVDStreamTypeName(a.Type).c_str(), a.ID, a.SampleRate, a.Channels,
                            DVDText(a.LanguageCode).c_str(), DVDText(a.Language).c_str()));
    }
    info.push_back(Format("  SubtitleCount: %d", t.SubtitleCount));
    for (int k = 0; k < DVDBoundedCount(t.SubtitleCount, DVDMaxSubtitles); ++k) {
      const TDVDSubtitleInfo& st = t.Subtitles[k];
      info.push_back(Format("    Subtitle #%d Type[%s], ID[0x%x], Language[%s, %s]", k,
                            DVDStreamTypeName(st.Type).c_str(), st.ID, DVDText(st.LanguageCode).c_str(),
                            DVDText(st.Language).c_str()));
    }
    info.push_back(Format("  ChapterCount: %d", t.ChapterCount));
    if (t.ChapterCount < DVDMaxChapters)
      for (int k = 0; k < DVDBoundedCount(t.ChapterCount, DVDMaxChapters); ++k)
        info.push_back(Format("    Chapter #%d Length: %f", k + 1, t.ChapterLength[k]));
    info.push_back(t.IsValid ? "  IsValid: True" : "  IsValid: False");
  }
}
