// A small catalogue and item table shared by the tests of the format and
// tag windows.
#pragma once

#include "support/gtest.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main/AppData.h"
#include "app/main/ErrorReport.h"
#include "framework/StringList.h"
#include "support/FormatValues.h"


inline std::vector<std::string> Lines(TStringList* list) {
  std::unique_ptr<TStringList> owned(list);
  std::vector<std::string> out;
  for (int i = 0; i < owned->Count(); ++i) out.push_back(owned->Get(i));
  return out;
}

inline TFormat VideoFormat(const std::string& title) {
  TFormat f;
  f.Title = title;
  f.Category = "5";
  f.IsAudioFormat = "0";
  f.Icon = "fmt_mp4";
  f.Description = "H.264 video with AAC sound, for every player.";
  f.Resolutions = "320*240$320*240,640*480$640*480,1920*1080$1920*1080";
  f.FrameRates = "25000$25 fps,30000$30 fps";
  f.VideoCodecs = "libx264$H.264,mpeg4$MPEG-4";
  f.VideoBitRates = "1000000$1000 kbps,2000000$2000 kbps";
  f.SampleRates = "44100$44100 Hz,48000$48000 Hz";
  f.Channels = "1$Mono,2$Stereo";
  f.AudioCodecs = "aac$AAC";
  f.AudioBitRates = "96000$96 kbps,128000$128 kbps,192000$192 kbps";
  SetPlainMp4Values(f);
  return f;
}

inline TFormat AudioFormat(const std::string& title) {
  TFormat f = VideoFormat(title);
  f.Category = "4";
  f.IsAudioFormat = "1";
  f.Icon = "fmt_mp3";
  f.Resolutions = f.FrameRates = f.VideoCodecs = f.VideoBitRates = "";
  f.Width = f.Height = f.FrameRate = f.VideoCodecName = f.VideoBitRate = "";
  f.AudioCodecs = "libmp3lame$MP3";
  f.AudioCodecName = "libmp3lame";
  return f;
}

inline TMediaFile Item(int profile, int format, int seconds) {
  TMediaFile m;
  m.ProfileInd = profile;
  m.FormatInd = format;
  m.TrimmedLength = int64_t(seconds) * 1000000;
  return m;
}

// A catalogue of three categories: video (2 formats), audio (2), and the
// user's own (3), the current format (0, 0), and two items on it.
struct TCatalogueFixture : ::testing::Test {
  std::vector<std::pair<std::string, std::string>> reports;

  void SetUp() override {
    reports.clear();
    Profiles.clear();
    TProfile video{"General Video", "5", "cat_video", {VideoFormat("MP4"), VideoFormat("AVI")}};
    TProfile audio{"Audio", "4", "cat_audio", {AudioFormat("MP3"), AudioFormat("AAC")}};
    TProfile custom{"Custom Profiles", "-1", "menucustom", {VideoFormat("Mine A"), VideoFormat("Mine B"),
                                                             VideoFormat("Mine C")}};
    for (auto& f : custom.Formats) f.Category = "-1";
    Profiles = {video, audio, custom};
    CustomProfileIndex = 2;
    CurrentProfileIndex = RecentProfileIndex = 0;
    CurrentFormatIndex = RecentFormatIndex = 0;
    LastEditedProfileIndex = LastEditedFormatIndex = -1;
    MediaFiles = {Item(0, 0, 60), Item(0, 0, 120)};
    for (size_t i = 0; i < MediaFiles.size(); ++i) RecalcItem(static_cast<int>(i));
    OnReportError = [this](const std::string& text, const std::string& mark) { reports.push_back({text, mark}); };
  }
  void TearDown() override {
    OnReportError = nullptr;
    MediaFiles.clear();
    Profiles.clear();
  }
};

inline bool HistoryHas(const std::string& text) {
  TStringList& h = ActionHistory();
  for (int i = 0; i < h.Count(); ++i)
    if (h.Get(i).find(text) != std::string::npos) return true;
  return false;
}

