#include "app/main/ProfileFiles.h"

#include <algorithm>

namespace {

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= n) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Windows-1252 0x80..0x9F; unassigned bytes map to themselves as C1 controls.
const uint16_t kCp1252High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool StartsWithBom(const std::string& s) { return s.compare(0, 3, "\xEF\xBB\xBF") == 0; }

void SplitLines(const std::string& text, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0;
  const size_t n = text.size();
  while (start < n) {
    size_t i = start;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    lines.push_back(text.substr(start, i - start));
    if (i < n && text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// Values may carry quotes, ampersands, angle brackets, equals signs and
// line breaks: they are stored as entities so that a quote cannot end the
// value early, a value ending in `name=` cannot pass for the attribute that
// follows it, a closing tag inside a title cannot end the rows and a line
// break cannot split a row. Plain text that merely looks like another entity is left
// alone.
std::string EncodeValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '&') out += "&amp;";
    else if (c == '"') out += "&quot;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '=') out += "&#61;";
    else if (c == '\r') out += "&#13;";
    else if (c == '\n') out += "&#10;";
    else if (c == '\t') out += "&#9;";
    else out += c;
  }
  return out;
}

std::string DecodeValue(const std::string& value) {
  if (value.find('&') == std::string::npos) return value;
  static const std::pair<const char*, char> kEntities[] = {{"&quot;", '"'}, {"&amp;", '&'},   {"&lt;", '<'},
                                                           {"&gt;", '>'},   {"&#13;", '\r'}, {"&#10;", '\n'},
                                                           {"&#9;", '\t'},   {"&#61;", '='}};
  std::string out;
  for (size_t i = 0; i < value.size();) {
    bool matched = false;
    for (const auto& [entity, c] : kEntities) {
      const size_t n = std::char_traits<char>::length(entity);
      if (value.compare(i, n, entity) == 0) {
        out += c;
        i += n;
        matched = true;
        break;
      }
    }
    if (!matched) out += value[i++];
  }
  return out;
}

bool ParseInt(const std::string& text, int& value) {
  const std::string t = Trim(text);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i == t.size() || t.size() - i > 9) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') return false;
  value = std::stoi(t);
  return true;
}

}  // namespace

bool DecodeTextLines(const std::string& bytes, std::vector<std::string>& lines) {
  lines.clear();
  const std::string text = StartsWithBom(bytes) ? bytes.substr(3) : bytes;
  if (!ValidUtf8(text)) return false;
  SplitLines(text, lines);
  return true;
}

std::string DecodeCodePageText(const std::string& bytes) {
  if (StartsWithBom(bytes)) return bytes.substr(3);
  if (ValidUtf8(bytes)) return bytes;
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0xA0) AppendUtf8(out, kCp1252High[c - 0x80]);
    else AppendUtf8(out, c);
  }
  return out;
}

std::string AttributeValue(const std::string& line, const std::string& name, size_t from,
                           size_t* end) {
  if (end) *end = std::string::npos;
  const std::string key = name + "=\"";
  const size_t at = line.find(key, from);
  if (at == std::string::npos) return std::string();
  const size_t start = at + key.size();
  const size_t close = line.find('"', start);
  if (close == std::string::npos) return std::string();
  if (end) *end = close;
  return line.substr(start, close - start);
}

void ParseFormatRow(const std::string& row, TFormat& f) {
  auto value = [&](const char* name) { return DecodeValue(AttributeValue(row, name)); };
  f.Category = value("id");
  f.Title = value("name");
  f.Description = value("description");
  f.Icon = value("icon");
  f.FormatExt = value("format_ext");
  f.IsAudioFormat = value("audio_format");
  f.VideoCodecName = value("video_codec_name");
  f.Width = value("width");
  f.Height = value("height");
  f.KeepOriFrameRate = value("keep_ori_frame_rate");
  f.FrameRate = value(" frame_rate");
  f.VideoBitRate = value("video_bitrate");
  f.AudioCodecName = value("audio_codec_name");
  f.SampleRate = value("sample_rate");
  f.Channel = value("channel");
  f.AudioBitRate = value("audio_bitrate");
  f.ExtraParam = value("extra_param");
  f.VideoCodecs = value("video_codecs");
  f.Resolutions = value("resolutions");
  f.FrameRates = value("frame_rates");
  f.VideoBitRates = value("video_bitrates");
  f.AudioCodecs = value("audio_codecs");
  f.SampleRates = value("sample_rates");
  f.Channels = value("channels");
  f.AudioBitRates = value("audio_bitrates");
}

std::string ScrambleBytes(const std::string& bytes) {
  std::string out(bytes.size(), '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    out[i] = static_cast<char>(255 - static_cast<unsigned char>(bytes[i]));
  return out;
}

bool LoadFormatsText(const std::string& bytes, std::vector<std::string>& lines) {
  return DecodeTextLines(ScrambleBytes(bytes), lines);
}

bool ParseCategoryFile(const std::string& bytes, std::vector<TProfile>& profiles, int& menuHeight,
                       int& itemHeight) {
  std::vector<std::string> lines;
  if (!DecodeTextLines(bytes, lines) || lines.size() < 2) return false;
  int height;
  if (!ParseInt(AttributeValue(lines[1], "height"), height)) return false;
  menuHeight = height;
  if (lines[1].find("itemheight=\"") != std::string::npos) {
    const std::string item = AttributeValue(lines[1], "itemheight");
    if (!item.empty()) {
      if (!ParseInt(item, height)) return false;
      itemHeight = height;
    }
  }
  for (size_t i = 3; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.find("</profile>") != std::string::npos) return true;
    if (line.find("<category id=\"") == std::string::npos) continue;
    TProfile profile;
    size_t end = 0;
    profile.ID = AttributeValue(line, "<category id", 0, &end);
    if (end == std::string::npos) end = line.size();
    profile.Title = AttributeValue(line, "title", end, &end);
    if (end == std::string::npos) end = line.size();
    profile.Icon = AttributeValue(line, "icon", end);
    profiles.push_back(std::move(profile));
  }
  return false;  // no </profile>
}

bool FormatValuesAreSafe(const TFormat& f) {
  auto number = [](const std::string& v) { return v.empty() || IsDecimalText(v); };
  auto codec = [](const std::string& v) { return v.empty() || IsCodecName(v); };
  // A size typed without its asterisk is kept as "-1" (the conversion
  // refuses it with its own message).
  auto size = [&](const std::string& v) { return v == "-1" || number(v); };
  return size(f.Width) && size(f.Height) && number(f.FrameRate) && number(f.VideoBitRate) &&
         number(f.SampleRate) && number(f.AudioBitRate) && number(f.Channel) &&
         number(f.IsAudioFormat) && codec(f.VideoCodecName) && codec(f.AudioCodecName);
}

std::vector<std::string> RefusedCustomRows;

bool ParseCustomProfiles(const std::string& bytes, std::vector<TFormat>& formats, std::vector<std::string>* refused) {
  std::vector<std::string> lines;
  SplitLines(DecodeCodePageText(bytes), lines);
  bool ok = true;
  for (size_t i = 3; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.find("</ROWDATA>") != std::string::npos) break;
    if (line.empty()) continue;
    // A row cut short (a truncated file) would make a format with half its
    // values: it is reported instead.
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "/>") != 0) {
      ok = false;
      if (refused) refused->push_back(line);
      continue;
    }
    TFormat format;
    ParseFormatRow(line, format);
    // The ExtraParam of a custom format is passed on as it is: only a copy of
    // a shipped format's own text is acceptable, and codec names and numbers
    // must not carry options.
    if (!FormatValuesAreSafe(format)) {
      ok = false;
      if (refused) refused->push_back(line);
      continue;
    }
    formats.push_back(std::move(format));
  }
  return ok;
}

std::string CustomProfilesText(const std::vector<TFormat>& formats, const std::vector<std::string>& kept) {
  std::string out = "\xEF\xBB\xBF";
  out += "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n";
  out += "<DATAPACKET Version=\"2.0\">\r\n";
  out += "<ROWDATA>\r\n";
  for (const TFormat& f : formats) {
    const std::pair<const char*, const std::string*> attributes[] = {
        {"name", &f.Title},
        {"description", &f.Description},
        {"icon", &f.Icon},
        {"icon_large", &f.Icon},
        {"format_ext", &f.FormatExt},
        {"format_name", nullptr},
        {"audio_format", &f.IsAudioFormat},
        {"video_codec_name", &f.VideoCodecName},
        {"width", &f.Width},
        {"height", &f.Height},
        {"keep_ori_frame_rate", &f.KeepOriFrameRate},
        {"frame_rate", &f.FrameRate},
        {"video_bitrate", &f.VideoBitRate},
        {"audio_codec_name", &f.AudioCodecName},
        {"sample_rate", &f.SampleRate},
        {"channel", &f.Channel},
        {"audio_bitrate", &f.AudioBitRate},
        {"extra_param", &f.ExtraParam},
        {"video_codecs", &f.VideoCodecs},
        {"resolutions", &f.Resolutions},
        {"frame_rates", &f.FrameRates},
        {"video_bitrates", &f.VideoBitRates},
        {"audio_codecs", &f.AudioCodecs},
        {"sample_rates", &f.SampleRates},
        {"channels", &f.Channels},
        {"audio_bitrates", &f.AudioBitRates},
    };
    out += "<ROW id=\"-1\"";
    for (const auto& a : attributes) {
      out += ' ';
      out += a.first;
      out += "=\"";
      if (a.second) out += EncodeValue(*a.second);
      out += '"';
    }
    out += "/>\r\n";
  }
  for (const std::string& row : kept) out += row + "\r\n";
  out += "</ROWDATA>\r\n";
  out += "</DATAPACKET>\r\n";
  return out;
}

bool CatalogueHasFormats() {
  for (const auto& p : Profiles)
    if (!p.Formats.empty()) return true;
  return false;
}

TCatalogueResult BuildCatalogue(const TCatalogueFiles& files) {
  TCatalogueResult result;
  Profiles.clear();
  FormatList.clear();
  FormatPlaced.clear();
  CurrentProfileIndex = 0;
  CurrentFormatIndex = 0;

  if (!files.Categories ||
      !ParseCategoryFile(*files.Categories, Profiles, ProfileMenuHeight, ProfileItemHeight))
    ReportError(Translate("Error loading profiles"), "CLM_LoadProfiles");

  TProfile custom;
  custom.Title = Translate("Custom Profiles");
  custom.ID = "-1";
  custom.Icon = "menucustom";
  Profiles.push_back(custom);

  {
    std::vector<std::string> lines;
    size_t rows = 0;
    if (files.Formats && LoadFormatsText(*files.Formats, lines)) {
      for (size_t i = 3; i + 2 < lines.size(); ++i) {
        TFormat format;
        ParseFormatRow(lines[i], format);
        ++rows;
        // The rule of the custom file holds here too: a format the custom
        // file would refuse must not reach the catalogue, or saving a copy
        // of it would write a format that is lost on the next start.
        if (FormatValuesAreSafe(format)) FormatList.push_back(std::move(format));
      }
    }
    // A file that yields no format at all is as broken as one that is
    // missing; one cut short keeps the rows read but is reported.
    const bool complete =
        !lines.empty() && lines.back().find("</DATAPACKET>") != std::string::npos;
    if (rows == 0 || !complete) ReportError(Translate("Error loading formats"), "CLM_LoadFormats");
  }

  RefusedCustomRows.clear();
  if (files.Custom && !ParseCustomProfiles(*files.Custom, FormatList, &RefusedCustomRows)) {
    result.CustomReadFailed = true;
    ReportError(Translate("Error loading custom formats"), "CLM_LoadCustomFormats");
  }

  FormatPlaced.assign(FormatList.size(), false);
  bool currentFound = false;
  for (size_t p = 0; p < Profiles.size(); ++p) {
    for (size_t i = 0; i < FormatList.size(); ++i) {
      if (FormatPlaced[i] || FormatList[i].Category != Profiles[p].ID) continue;
      FormatPlaced[i] = true;
      TFormat copy = FormatList[i];
      copy.AreSettingsChanged = false;
      Profiles[p].Formats.push_back(copy);
      const int f = static_cast<int>(Profiles[p].Formats.size()) - 1;
      if (static_cast<int>(p) == RecentProfileIndex && f == RecentFormatIndex) {
        CurrentProfileIndex = static_cast<int>(p);
        CurrentFormatIndex = f;
        currentFound = true;
      }
      if (static_cast<int>(p) == LastEditedProfileIndex && f == LastEditedFormatIndex) {
        TFormat& target = Profiles[p].Formats.back();
        const TLastEditedValues& v = LastEditedValues;
        auto apply = [](std::string& field, const std::string& value) {
          if (!value.empty()) field = value;
        };
        apply(target.Width, v.Width);
        apply(target.Height, v.Height);
        apply(target.VideoBitRate, v.VideoBitRate);
        apply(target.FrameRate, v.FrameRate);
        apply(target.SampleRate, v.SampleRate);
        apply(target.AudioBitRate, v.AudioBitRate);
        apply(target.Channel, v.Channel);
        apply(target.VideoCodecName, v.VideoCodecName);
        apply(target.AudioCodecName, v.AudioCodecName);
      }
    }
  }
  // Without the remembered format the first existing one is current, so
  // indexes never point past the catalogue.
  if (!currentFound) {
    for (size_t p = 0; p < Profiles.size(); ++p) {
      if (!Profiles[p].Formats.empty()) {
        CurrentProfileIndex = static_cast<int>(p);
        CurrentFormatIndex = 0;
        break;
      }
    }
  }
  CustomProfileIndex = static_cast<int>(Profiles.size()) - 1;
  return result;
}
