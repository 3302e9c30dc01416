#include "app/main/OptionText.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>

namespace {

void AddOption(std::string& options, const std::string& option) {
  options += ' ';
  options += option;
}

int ReadInteger(const std::string& text, const char* what) {
  if (!IsDecimalText(text) || text.size() > 9)
    throw EOptionValue(std::string(what) + " is not a number: " + text);
  return std::stoi(text);
}

const std::string& Codec(const std::string& text, const char* what) {
  if (!IsCodecName(text)) throw EOptionValue(std::string(what) + " is not an encoder name: " + text);
  return text;
}

const std::string& Number(const std::string& text, const char* what) {
  if (!IsDecimalText(text)) throw EOptionValue(std::string(what) + " is not a number: " + text);
  return text;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Backslash before every character the filter parser treats specially; the
// picture name passes an option-value level and then the graph level.
std::string EscapeFor(const std::string& text, const char* special) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == ' ' || c == '\t' || std::strchr(special, c)) out += '\\';
    out += c;
  }
  return out;
}

struct TGeometry {
  int PadX = 0, PadY = 0;
};

TGeometry ComputeGeometry(const TMediaFile& item, const std::string& width,
                          const std::string& height) {
  const long long cw = static_cast<long long>(item.SourceWidth) - item.CropLeft - item.CropRight;
  const long long ch = static_cast<long long>(item.SourceHeight) - item.CropTop - item.CropBottom;
  if (!IsDecimalText(width) || !IsDecimalText(height) || width.size() > 9 || height.size() > 9)
    throw EGeometry("the output size is not a number");
  const long long fw = std::stoll(width), fh = std::stoll(height);
  if (cw <= 0 || ch <= 0 || fw <= 0 || fh <= 0) throw EGeometry("empty picture");
  long long h;
  switch (item.AspectRatio) {
    case 1: h = RoundHalfEven(static_cast<long double>(cw) / (static_cast<long double>(fw) / fh)); break;
    case 2: h = RoundHalfEven(cw / 1.3333333333333333334L); break;
    case 3: h = RoundHalfEven(cw / 1.7777777777777777778L); break;
    default: h = ch; break;
  }
  if (h <= 0) throw EGeometry("empty picture");
  TGeometry g;
  if (static_cast<long double>(cw) / h <= static_cast<long double>(fw) / fh) {
    const double scaled = static_cast<double>(cw * fh) / static_cast<double>(h);
    g.PadX = static_cast<int>(
        RoundHalfEven(static_cast<long double>(fw * cw) / (2 * static_cast<long double>(scaled)) -
                      cw * 0.5L));
  } else {
    const double scaled = static_cast<double>(h * fw) / static_cast<double>(cw);
    g.PadY = static_cast<int>(
        RoundHalfEven(static_cast<long double>(fh * h) / (2 * static_cast<long double>(scaled)) -
                      h * 0.5L));
  }
  return g;
}

}  // namespace

int64_t RoundHalfEven(long double value) {
  const int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long double r = std::nearbyintl(value);
  std::fesetround(mode);
  return static_cast<int64_t>(r);
}

void AddVideoFilter(std::string& chain, const std::string& filter) {
  if (filter.empty()) return;
  if (chain.empty()) chain = filter;
  else chain += "," + filter;
}

std::string CropFilter(int sourceWidth, int sourceHeight, int left, int top, int right, int bottom) {
  if (left <= 0 && top <= 0 && right <= 0 && bottom <= 0) return std::string();
  return "crop=" + std::to_string(sourceWidth - left - right) + ":" +
         std::to_string(sourceHeight - top - bottom) + ":" + std::to_string(left) + ":" +
         std::to_string(top);
}

std::string PadFilter(int width, int height, int left, int top, int right, int bottom) {
  if (left <= 0 && top <= 0 && right <= 0 && bottom <= 0) return std::string();
  return "pad=" + std::to_string(width + left + right) + ":" + std::to_string(height + top + bottom) +
         ":" + std::to_string(left) + ":" + std::to_string(top) + ":black";
}

std::string WatermarkFilter(int x, int y, const std::string& pictureName, const std::string& chain) {
  std::string name = EscapeFor(EscapeFor(pictureName, "':"), "'[],;");
  // The picture reader takes a name with "%d" in it for a numbered series
  // and then finds no such files; the name is always one file.
  if (pictureName.find('%') != std::string::npos) name += ":format_opts=pattern_type=none";
  std::string graph = "movie=" + name + " [watermark]; [in] [watermark] overlay=" +
                      std::to_string(x) + ":" + std::to_string(y);
  if (!chain.empty()) graph += ", " + chain;
  return graph + " [out]";
}

std::string QuoteOptionWord(const std::string& text) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

std::string UniqueOutputName(const std::string& stem, const std::string& ext, const std::vector<std::string>& taken) {
  auto key = [](std::string name) {
    for (char& c : name) {
      if (c == '/') c = '\\';
      else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
  };
  std::vector<std::string> keys;
  keys.reserve(taken.size());
  for (const std::string& t : taken) keys.push_back(key(t));
  std::string name = stem + ext;
  for (int n = 2; std::find(keys.begin(), keys.end(), key(name)) != keys.end(); ++n)
    name = stem + " (" + std::to_string(n) + ")" + ext;
  return name;
}

int ChosenAudioStreamNumber(const TMediaFile& item) {
  if (item.AudioTrackIndex < 0 || item.AudioTrackIndex >= static_cast<int>(item.AudioTracks.size()))
    return 0;
  const std::string& entry = item.AudioTracks[item.AudioTrackIndex];
  const size_t hash = entry.find('#');
  if (hash == std::string::npos) return 0;
  const std::string number = entry.substr(hash + 1);
  if (!IsDecimalText(number) || number.size() > 9) return 0;
  return std::stoi(number);
}

std::string DvdTitleAddress(const TMediaFile& item, const std::string& dvdPath) {
  const TDVDTitle empty;
  const TDVDTitle& t = item.DVDTitleInfo ? *item.DVDTitleInfo : empty;
  // The title the row was loaded from, not the row's place: a title whose
  // information cannot be read gets no row, and rows can be moved, so the
  // place would name another title of the disc.
  return "opendvd:" + dvdPath + "|Title=" + std::to_string(static_cast<int64_t>(t.Title) + 1) +
         ",FromChapter=" + std::to_string(t.FromChapter) + ",ToChapter=" +
         std::to_string(t.ToChapter) + ",AudioID=" + std::to_string(t.AudioID) +
         ",SubtitleID=" + std::to_string(t.SubtitleID) + ",AudioChannels=" +
         std::to_string(t.AudioChannels) + ",Deinterlace=" + (t.Deinterlace ? "1" : "0");
}

bool CheckedDvdTitleAddresses(std::vector<std::string>& list, const std::string& dvdPath) {
  list.clear();
  for (const auto& item : MediaFiles)
    if (item.Checked) list.push_back(DvdTitleAddress(item, dvdPath));
  return !list.empty();
}

TTaskOptions BuildTaskOptions(const TMediaFile& item, const TFormat& f, const TTaskContext& c) {
  TTaskOptions t;
  const std::string i = std::to_string(c.Row + 1);
  const bool dvd = item.DVDTitleInfo != nullptr;

  // 1-3: names and hooks.
  if (c.Phase2) t.InputFileName = c.TempFolder + "\\vid" + i + f.FormatExt;
  else if (dvd) t.InputFileName = DvdTitleAddress(item, c.DVDPath);
  else t.InputFileName = item.Source;
  t.VideoOutputHook = true;
  t.VideoInputHook = item.TextOverlay;
  if (!c.Joining) t.OutputFileName = c.OutputFolder + "\\" + item.DestinationTitle + f.FormatExt;
  else if (!c.Phase2) t.OutputFileName = c.TempFolder + "\\vid" + i + f.FormatExt;

  std::string& out = t.OutputOptions;
  const int tracks = static_cast<int>(item.AudioTracks.size());
  const int subtitles = static_cast<int>(item.Subtitles.size());
  // 4: stream maps (a subtitle choice only forces them).
  if (!c.Phase2 && !dvd &&
      ((item.AudioTrackIndex >= 1 && item.AudioTrackIndex + 1 < tracks) ||
       (item.SubtitleIndex >= 1 && item.SubtitleIndex + 1 < subtitles))) {
    AddOption(out, "-map 0:0");
    AddOption(out, "-map 0:" + std::to_string(ChosenAudioStreamNumber(item)));
  }
  // 5: the last audio entry means no audio.
  if (!c.Phase2 && !c.Joining && !dvd && tracks > 0 && item.AudioTrackIndex + 1 == tracks)
    AddOption(out, "-an");
  // 6: shipped extra options as they are.
  if (!f.ExtraParam.empty()) AddOption(out, f.ExtraParam);
  // 7: audio.
  AddOption(out, "-c:a " + Codec(f.AudioCodecName, "audio encoder"));
  AddOption(out, "-ac " + Number(f.Channel, "channel count"));
  AddOption(out, "-ar " + Number(f.SampleRate, "sample rate"));
  AddOption(out, "-b:a " + Number(f.AudioBitRate, "audio bit rate"));

  const int audioFormat = ReadInteger(f.IsAudioFormat, "format kind");
  // A source without pictures gives an output of its sound only, in the
  // format's container: there is no picture to encode, scale or pad. The
  // joining task's options serve parts that may have pictures.
  const bool soundOnly = item.isSourceAudioFormat && !c.Phase2;
  if (audioFormat != 1 && !soundOnly) {
    AddOption(out, "-c:v " + Codec(f.VideoCodecName, "video encoder"));
    const int frameRate = ReadInteger(f.FrameRate, "frame rate");
    AddOption(out, "-r " + std::to_string(RoundHalfEven(frameRate / 1000.0L)));
    AddOption(out, "-b:v " + Number(f.VideoBitRate, "video bit rate"));
    if (Lower(f.Title).find("divx") != std::string::npos)
      AddOption(out, "-c:v mpeg4 -tag:v DIVX -vstrict unofficial");

    std::string chain;
    if (!c.Phase2) {
      if (item.Brightness != 0 || item.Contrast != 0)
        AddVideoFilter(chain, "nativeeq=" + std::to_string(item.Brightness) + ":" +
                                  std::to_string(item.Contrast));
      if (item.Saturation != 0)
        AddVideoFilter(chain, "nativehue=0:" + std::to_string(item.Saturation));
      if (item.Deinterlace) AddVideoFilter(chain, "yadif");
    }
    // The joining task works on parts that already carry the volume change,
    // the flip and the overlay: repeating them would double the volume and
    // turn the picture back.
    if (item.Volume != 100 && !c.Phase2)
      AddOption(out, "-vol " + std::to_string(RoundHalfEven(item.Volume * 256.0L / 100)));

    switch (item.AspectRatio) {
      case 1: AddOption(out, "-aspect -1"); break;
      case 2: AddOption(out, "-aspect 4:3"); break;
      case 3: AddOption(out, "-aspect 16:9"); break;
      default: break;
    }
    if (!c.Phase2) {
      const TGeometry g = ComputeGeometry(item, f.Width, f.Height);
      const int cw = item.SourceWidth - item.CropLeft - item.CropRight;
      const int ch = item.SourceHeight - item.CropTop - item.CropBottom;
      AddVideoFilter(chain, CropFilter(item.SourceWidth, item.SourceHeight, item.CropLeft,
                                       item.CropTop, item.CropRight, item.CropBottom));
      AddVideoFilter(chain, PadFilter(cw, ch, g.PadX, g.PadY, g.PadX, g.PadY));
    }
    if (item.FlipVertical && !c.Phase2) AddVideoFilter(chain, "vflip");
    AddVideoFilter(chain, "scale=" + Number(f.Width, "width") + ":" + Number(f.Height, "height"));
    if (item.PictureOverlay && !c.Phase2 && !c.OverlayPictureName.empty())
      chain = WatermarkFilter(item.OverlayPictureX, item.OverlayPictureY, c.OverlayPictureName, chain);
    AddOption(out, "-vf " + QuoteOptionWord(chain));
  } else if (audioFormat == 1) {
    t.InputOptions += " -vn";
  }

  // 10: trim. A length that is unknown or zero must not cut the output to nothing.
  if (!c.Phase2) {
    t.InputOptions += " -ss_microsecond " + std::to_string(item.TimeStart);
    if (item.TimeEnd > item.TimeStart)
      AddOption(out, "-t_microsecond " + std::to_string(item.TimeEnd - item.TimeStart));
  }
  return t;
}
