#include "engine/FFText.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/AVErrorTable.h"

std::string FormatAVError(const std::string& prefix, int code) {
  for (const TAVErrorRow& row : kAVErrorRows)
    if (row.code == code) return prefix + ": " + row.text;
  char buf[64];
  std::snprintf(buf, sizeof buf, "Error number %d occurred", code);
  return prefix + ": " + buf;
}

std::string TimeStampToText(int64_t t) {
  if (t == INT64_MIN) return "N/A";
  // Whole seconds are a 32-bit count; the media layer's arithmetic wraps.
  const int32_t s = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(t / 1000000)));
  const int32_t ms = static_cast<int32_t>(((t % 1000000) * 1000) / 1000000);
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d.%.3d", s / 3600, (s / 60) % 60, s % 60, ms);
  return buf;
}

int64_t FrameDurationFromRate(AVRational rate) {
  if (rate.num == 0 || rate.den == 0) return 40000;
  return int64_t{1000000} * rate.den / rate.num;
}

std::string TimeZoneTextForBias(int bias) {
  if (bias == 0) return "UTC";
  const int a = bias < 0 ? -bias : bias;
  char buf[32];
  std::snprintf(buf, sizeof buf, "UTC%s%.2d:%.2d", bias < 0 ? "-" : "+", a / 60, a % 60);
  return buf;
}

static int StandardBiasMinutes() {
  tzset();
  // `timezone` is the standard (not daylight) offset in seconds west of UTC.
  return static_cast<int>(timezone / 60);
}

std::string TimeZoneText() { return TimeZoneTextForBias(StandardBiasMinutes()); }

double LocalTimeOffset() { return -StandardBiasMinutes() / 1440.0; }

double UnixTimeToLocal(int64_t seconds) {
  return LocalTimeOffset() + static_cast<double>(seconds) / 86400.0 + 25569.0;
}

std::string MediaTypeText(int type) {
  switch (type) {
    case 0: return "Video";
    case 1: return "Audio";
    case 2: return "Data";
    case 3: return "Subtitle";
    case 4: return "Attachment";
    default: return "Unknown";
  }
}

std::string PictureTypeText(int type) {
  switch (type) {
    case 1: return "Intra";
    case 2: return "Predicted";
    case 3: return "Bi-dir predicted";
    case 4: return "S(GMC)-VOP MPEG4";
    case 5: return "Switching Intra";
    case 6: return "Switching Predicted";
    case 7: return "BI type";
    default: return "Unknown";
  }
}

unsigned CodecTagFromText(const char* tag) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(tag, &end, 0);
  if (*tag && !*end) return static_cast<unsigned>(v);
  unsigned t = 0;
  for (int i = 0; i < 4 && tag[i]; ++i) t |= static_cast<unsigned>(static_cast<unsigned char>(tag[i])) << (8 * i);
  return t;
}
