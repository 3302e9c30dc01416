// The catalogue files come from the program folder and the user's profile
// folder: any bytes must build a usable catalogue, and every format that
// comes out either builds option text the splitter cannot break apart or is
// refused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/main/OptionText.h"
#include "app/main/ProfileFiles.h"
#include "engine/TextUtils.h"

namespace {

// The fields the custom file keeps.
bool SameSavedFields(const TFormat& a, const TFormat& b) {
  const std::string TFormat::*fields[] = {
      &TFormat::Category,    &TFormat::Title,         &TFormat::Description,    &TFormat::Icon,
      &TFormat::FormatExt,   &TFormat::IsAudioFormat, &TFormat::VideoCodecName, &TFormat::Width,
      &TFormat::Height,      &TFormat::KeepOriFrameRate, &TFormat::FrameRate,   &TFormat::VideoBitRate,
      &TFormat::AudioCodecName, &TFormat::SampleRate, &TFormat::Channel,        &TFormat::AudioBitRate,
      &TFormat::ExtraParam,  &TFormat::VideoCodecs,   &TFormat::Resolutions,    &TFormat::FrameRates,
      &TFormat::VideoBitRates, &TFormat::AudioCodecs, &TFormat::SampleRates,    &TFormat::Channels,
      &TFormat::AudioBitRates};
  for (auto field : fields)
    if (a.*field != b.*field) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Three files separated by a marker line; the formats part is scrambled
  // here so the fuzzer works on readable text.
  const std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; parts.size() < 2 && (at = all.find("\n@@\n", start)) != std::string::npos;
       start = at + 4)
    parts.push_back(all.substr(start, at - start));
  parts.push_back(all.substr(start));
  while (parts.size() < 3) parts.emplace_back();

  OnReportError = [](const std::string&, const std::string&) {};
  BuildCatalogue({parts[0], ScrambleBytes(parts[1]), parts[2]});
  if (Profiles.empty() || Profiles.back().ID != "-1") __builtin_trap();
  const int formats = static_cast<int>(Profiles[CurrentProfileIndex].Formats.size());
  if (CurrentFormatIndex != 0 && CurrentFormatIndex >= formats) __builtin_trap();

  TMediaFile item;
  item.SourceWidth = 320;
  item.SourceHeight = 240;
  item.TimeEnd = 1000000;
  item.AspectRatio = static_cast<int>(size % 4);
  TTaskContext context;
  for (const TProfile& p : Profiles) {
    for (const TFormat& f : p.Formats) {
      try {
        const TTaskOptions t = BuildTaskOptions(item, f, context);
        // Only ExtraParam is taken as it is; without it, the words must be
        // pairs of an option and its value.
        if (f.ExtraParam.empty()) {
          const std::vector<std::string> words = SplitCommandLine(t.OutputOptions);
          for (size_t i = 0; i < words.size(); i += 2)
            if (words[i].empty() || words[i][0] != '-') __builtin_trap();
        }
      } catch (const Exception&) {
      } catch (const std::out_of_range&) {
        __builtin_trap();  // refusals must be our own exceptions
      }
    }
  }
  // What the writer makes, the reader reads back the same, round after
  // round: every custom format, every field, in its place.
  std::vector<TFormat> custom = Profiles.back().Formats;
  for (int round = 0; round < 2; ++round) {
    std::vector<TFormat> loaded;
    if (!ParseCustomProfiles(CustomProfilesText(custom), loaded)) __builtin_trap();
    if (loaded.size() != custom.size()) __builtin_trap();
    for (size_t i = 0; i < loaded.size(); ++i)
      if (!SameSavedFields(loaded[i], custom[i])) __builtin_trap();
    custom = loaded;
  }
  return 0;
}
