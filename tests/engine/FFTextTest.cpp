#include "support/gtest.h"

#include <string>

#include "engine/FFText.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/error.h>
}

namespace {

TEST(FormatAVError, TableAndFallback) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {AVERROR(EINVAL), "x: Invalid argument / Invalid data found when processing input"},
      {-99999, "x: Error number -99999 occurred"},
      {AVERROR_EOF, "x: End of file"},
      {AVERROR_OPTION_NOT_FOUND, "x: Option not found"},
      {AVERROR_INVALIDDATA, "x: Invalid data found when processing input"},
      {AVERROR_MUXER_NOT_FOUND, "x: Muxer not found"},
      {AVERROR_EXIT, "x: Immediate exit requested"},
      {AVERROR(ETIMEDOUT), "x: Connection timed out"},
      {AVERROR(ENOENT), "x: No such file or directory"},
      {-10060, "x: Connection timed out"},
      {-41, "x: Error number -41 occurred"},
      {0, "x: Error number 0 occurred"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, FormatAVError("x", c.code)) << c.code;
}

TEST(TimeStampToText, HoursAreNotWrapped) {
  const struct {
    int64_t us;
    const char* text;
  } cases[] = {
      {3723004000LL, "01:02:03.004"},
      {25LL * 3600 * 1000000, "25:00:00.000"},
      {0, "00:00:00.000"},
      {999999, "00:00:00.999"},
      {AV_NOPTS_VALUE, "N/A"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, TimeStampToText(c.us)) << c.us;
  // Far out of range: a text, not a crash.
  EXPECT_FALSE(TimeStampToText(INT64_MAX).empty());
}

TEST(FrameDurationFromRate, UnknownRateIsOneFrameAt25) {
  EXPECT_EQ(33366, FrameDurationFromRate(AVRational{30000, 1001}));
  EXPECT_EQ(40000, FrameDurationFromRate(AVRational{25, 1}));
  EXPECT_EQ(40000, FrameDurationFromRate(AVRational{0, 0}));
  EXPECT_EQ(40000, FrameDurationFromRate(AVRational{30, 0}));
}

TEST(TimeZoneText, SignFollowsTheBias) {
  EXPECT_EQ("UTC", TimeZoneTextForBias(0));
  EXPECT_EQ("UTC-02:00", TimeZoneTextForBias(-120));
  EXPECT_EQ("UTC+05:30", TimeZoneTextForBias(330));
  EXPECT_EQ("UTC-09:30", TimeZoneTextForBias(-570));
}

TEST(TypeTexts, KnownAndUnknown) {
  EXPECT_EQ("Video", MediaTypeText(AVMEDIA_TYPE_VIDEO));
  EXPECT_EQ("Attachment", MediaTypeText(AVMEDIA_TYPE_ATTACHMENT));
  EXPECT_EQ("Unknown", MediaTypeText(-1));
  EXPECT_EQ("Intra", PictureTypeText(AV_PICTURE_TYPE_I));
  EXPECT_EQ("BI type", PictureTypeText(AV_PICTURE_TYPE_BI));
  EXPECT_EQ("Unknown", PictureTypeText(0));
}

}  // namespace
