// Texts of library values: error codes, times, media and picture types.
// Platform-neutral (compiled in the host build too).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

// printf into a string.
template <class... A>
std::string PrintfText(const char* format, A... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::snprintf(&text[0], text.size() + 1, format, args...);
  return text;
}

// prefix + ": " + the text of `code`, or "Error number %d occurred".
std::string FormatAVError(const std::string& prefix, int code);

// "%.2d:%.2d:%.2d.%.3d" (hours not wrapped); "N/A" for the no-time value.
std::string TimeStampToText(int64_t microseconds);

// Microseconds of one frame; 40000 when the rate is unknown.
int64_t FrameDurationFromRate(AVRational rate);

// "UTC", or "UTC+hh:mm"/"UTC-hh:mm" of the standard time bias (minutes west
// of Greenwich, so a zone east of it shows "-").
std::string TimeZoneText();
std::string TimeZoneTextForBias(int biasMinutes);
// Days to add to UTC for local (standard) time.
double LocalTimeOffset();
// Seconds since 1970-01-01 -> local date-time as days since 1899-12-30.
double UnixTimeToLocal(int64_t seconds);

std::string MediaTypeText(int type);
std::string PictureTypeText(int type);

// A codec tag given as a number ("0x31637661") or as up to four characters
// ("avc1"), the first character in the low byte.
unsigned CodecTagFromText(const char* tag);
