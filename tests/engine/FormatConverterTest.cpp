#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/AVUtilStubs.h"
#include "engine/FormatConverter.h"
#include "engine/SwScaleStubs.h"

namespace {

class FormatConverterTest : public TEngineTest {
protected:
  void TearDown() override {
    for (AVFrame*& f : frames) ff::av_frame_free(&f);
    TEngineTest::TearDown();
  }
  AVFrame* NewFrame(AVPixelFormat format, int w, int h) {
    AVFrame* f = ff::av_frame_alloc();
    f->format = format;
    f->width = w;
    f->height = h;
    EXPECT_GE(ff::av_frame_get_buffer(f, 32), 0);
    frames.push_back(f);
    return f;
  }
  // Smooth gradients, so that a plain BT.601 formula predicts every pixel.
  // `span` is the width of the chroma ranges around grey.
  AVFrame* YuvFrame(int w, int h, int span = 128) {
    AVFrame* f = NewFrame(AV_PIX_FMT_YUV420P, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(16 + x * 219 / (w - 1));
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w / 2; ++x) {
        f->data[1][y * f->linesize[1] + x] = static_cast<uint8_t>(128 - span / 2 + y * span / (h / 2));
        f->data[2][y * f->linesize[2] + x] = static_cast<uint8_t>(128 + span / 2 - x * span / (w / 2));
      }
    return f;
  }
  static TAVPicture* Picture(AVFrame* f) { return reinterpret_cast<TAVPicture*>(f); }
  std::vector<AVFrame*> frames;
};

int Clamp(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(std::lround(v)); }

TEST_F(FormatConverterTest, Yuv420pFrameBecomesA24BitBitmapMatchingTheReference) {
  const int w = 320, h = 240;
  AVFrame* yuv = YuvFrame(w, h);
  TFormatConverter conv;
  ASSERT_TRUE(conv.PictureToRGB(Picture(yuv), AV_PIX_FMT_YUV420P, true, h, w)) << conv.LastErrMsg();
  TBitmap* bmp = conv.Bitmap();
  ASSERT_EQ(w, bmp->Width());
  ASSERT_EQ(h, bmp->Height());
  EXPECT_EQ(pf24bit, bmp->PixelFormat());
  EXPECT_EQ(conv.RGBPicture(), conv.RGBPictureRef());
  EXPECT_EQ(w, conv.DIB()->bmWidth);
  EXPECT_EQ(24, conv.DIB()->bmBitsPixel);

  // Reference: the ffmpeg tool converting the same frame in a process of
  // its own (same library, nothing of ours in between).
  TScratchFolder folder;
  {
    std::ofstream raw(folder.Unix() + "/in.yuv", std::ios::binary);
    for (int p = 0; p < 3; ++p)
      for (int y = 0; y < (p ? h / 2 : h); ++y)
        raw.write(reinterpret_cast<const char*>(yuv->data[p] + y * yuv->linesize[p]), p ? w / 2 : w);
  }
  const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt yuv420p -s 320x240 -i '" + folder.Unix() +
                              "/in.yuv' -sws_flags bicubic -pix_fmt bgr24 -f rawvideo '" + folder.Unix() +
                              "/ref.bgr'";
  ASSERT_EQ(0, system(command.c_str())) << command;
  std::ifstream refFile(folder.Unix() + "/ref.bgr", std::ios::binary);
  std::vector<uint8_t> ref((std::istreambuf_iterator<char>(refFile)), std::istreambuf_iterator<char>());
  ASSERT_EQ(static_cast<size_t>(w) * 3 * h, ref.size());
  int differing = 0, offFormula = 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bmp->ScanLine(y);
    if (std::memcmp(row, &ref[static_cast<size_t>(y) * w * 3], static_cast<size_t>(w) * 3) != 0) ++differing;
    // Independent check of colours and orientation: BT.601, limited range.
    for (int x = 2; x < w - 2; x += 7) {
      const double Y = yuv->data[0][y * yuv->linesize[0] + x] - 16.0;
      const double U = yuv->data[1][(y / 2) * yuv->linesize[1] + x / 2] - 128.0;
      const double V = yuv->data[2][(y / 2) * yuv->linesize[2] + x / 2] - 128.0;
      const int r = Clamp(1.164 * Y + 1.596 * V), g = Clamp(1.164 * Y - 0.392 * U - 0.813 * V),
                b = Clamp(1.164 * Y + 2.017 * U);
      const uint8_t* p = row + x * 3;
      if (std::abs(p[0] - b) > 6 || std::abs(p[1] - g) > 6 || std::abs(p[2] - r) > 6) ++offFormula;
    }
  }
  EXPECT_EQ(0, differing) << "rows differing from the reference conversion";
  EXPECT_EQ(0, offFormula) << "pixels far from the BT.601 colours";
}

TEST_F(FormatConverterTest, PicturesInTheBitmapLayoutAreUsedDirectly) {
  std::vector<uint8_t> pixels(1924 * 480 + 64);
  const struct {
    int width;
    int linesize;
    bool direct;
  } cases[] = {{640, 1920, true}, {641, 1924, false}, {640, 1924, false}};
  for (const auto& c : cases) {
    TFormatConverter conv;
    TAVPicture pic{};
    pic.data[0] = pixels.data();
    pic.linesize[0] = c.linesize;
    ASSERT_TRUE(conv.PictureToRGB(&pic, AV_PIX_FMT_BGR24, false, 480, c.width)) << conv.LastErrMsg();
    EXPECT_EQ(c.direct, conv.RGBPictureRef() == &pic) << c.width << "/" << c.linesize;
    EXPECT_EQ(c.direct ? 0 : c.width * 3 * 480, conv.RGBBufSize());
  }
}

TEST_F(FormatConverterTest, BufferGrowsButNeverShrinks) {
  TFormatConverter conv;
  ASSERT_TRUE(conv.PictureToRGB(Picture(YuvFrame(320, 240)), AV_PIX_FMT_YUV420P, true, 240, 320));
  EXPECT_EQ(320 * 240 * 3, conv.RGBBufSize());
  ASSERT_TRUE(conv.PictureToRGB(Picture(YuvFrame(640, 480)), AV_PIX_FMT_YUV420P, true, 480, 640));
  EXPECT_EQ(640 * 480 * 3, conv.RGBBufSize());
  ASSERT_TRUE(conv.PictureToRGB(Picture(YuvFrame(320, 240)), AV_PIX_FMT_YUV420P, true, 240, 320));
  EXPECT_EQ(640 * 480 * 3, conv.RGBBufSize());
  EXPECT_EQ(320, conv.Bitmap()->Width());
}

// The scaler contexts the converter holds, counted at the library's entry
// points: a context handed back to sws_getCachedContext and replaced, or
// given to sws_freeContext, is gone.
std::set<SwsContext*> gLiveScalers;
decltype(ff::sws_getCachedContext) gRealCached = nullptr;
decltype(ff::sws_freeContext) gRealFree = nullptr;

SwsContext* CountedCachedContext(SwsContext* old, int sw, int sh, AVPixelFormat sf, int dw, int dh, AVPixelFormat df,
                                 int flags, SwsFilter* a, SwsFilter* b, const double* p) {
  SwsContext* ctx = gRealCached(old, sw, sh, sf, dw, dh, df, flags, a, b, p);
  if (old && ctx != old) gLiveScalers.erase(old);
  if (ctx) gLiveScalers.insert(ctx);
  return ctx;
}
void CountedFreeContext(SwsContext* ctx) {
  gLiveScalers.erase(ctx);
  gRealFree(ctx);
}

// Conversions that fail (no picture, no size) between good ones leave no
// scaler behind once the converter is gone.
TEST_F(FormatConverterTest, FailedConversionsKeepNoScalerAlive) {
  gRealCached = ff::sws_getCachedContext;
  gRealFree = ff::sws_freeContext;
  ff::sws_getCachedContext = &CountedCachedContext;
  ff::sws_freeContext = &CountedFreeContext;
  gLiveScalers.clear();
  {
    TFormatConverter conv;
    AVFrame* f = YuvFrame(320, 240);
    ASSERT_TRUE(conv.PictureToRGB(Picture(f), AV_PIX_FMT_YUV420P, true, 240, 320));
    EXPECT_EQ(gLiveScalers.size(), 1u);
    EXPECT_FALSE(conv.PictureToRGB(nullptr, AV_PIX_FMT_YUV420P, true, 240, 320));
    EXPECT_EQ(conv.LastErrMsg(), "Cannot initialize the toRGB conversion context");
    EXPECT_FALSE(conv.PictureToRGB(Picture(f), AV_PIX_FMT_YUV420P, true, 0, 320));
    // The next good picture works as before.
    ASSERT_TRUE(conv.PictureToRGB(Picture(f), AV_PIX_FMT_YUV420P, true, 240, 320));
    EXPECT_EQ(gLiveScalers.size(), 1u);
    EXPECT_FALSE(conv.PictureToRGB(nullptr, AV_PIX_FMT_YUV420P, true, 240, 320));
  }
  EXPECT_TRUE(gLiveScalers.empty()) << gLiveScalers.size() << " scaler context(s) leaked";
  ff::sws_getCachedContext = gRealCached;
  ff::sws_freeContext = gRealFree;
}

TEST_F(FormatConverterTest, OddWidthRowsCopyIntoPaddedBitmapRows) {
  const int w = 854, h = 480;
  TFormatConverter conv;
  ASSERT_TRUE(conv.PictureToRGB(Picture(YuvFrame(w, h)), AV_PIX_FMT_YUV420P, true, h, w));
  EXPECT_EQ(2564, conv.Bitmap()->RowBytes());
  EXPECT_EQ(2562, conv.RGBPicture()->linesize[0]);
  for (int y : {0, 1, 239, 479}) {
    const uint8_t* src = conv.RGBPicture()->data[0] + y * 2562;
    EXPECT_EQ(0, std::memcmp(conv.Bitmap()->ScanLine(y), src, 2562)) << y;
  }
}

TEST_F(FormatConverterTest, DepthsAndTheirColours) {
  TFormatConverter conv;
  try {
    conv.SetBitsPixel(12);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ("Invalid BitsPixel 12", e.Message());
  }
  EXPECT_EQ(24, conv.BitsPixel());
  EXPECT_THROW(conv.SetBMPPixFmt(pf1bit), Exception);
  EXPECT_EQ(pf24bit, conv.BMPPixFmt());
  // 15 gives 16 bits per pixel, so asking for 16 afterwards changes nothing.
  conv.SetBitsPixel(15);
  conv.SetBitsPixel(16);
  EXPECT_EQ(pf15bit, conv.BMPPixFmt());
  conv.SetBitsPixel(15);
  EXPECT_EQ(pf15bit, conv.BMPPixFmt());

  // A red picture stays red at every depth (16-bit DIBs keep blue low).
  AVFrame* red = NewFrame(AV_PIX_FMT_BGR24, 64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = red->data[0] + y * red->linesize[0] + x * 3;
      p[0] = 0, p[1] = 0, p[2] = 255;
    }
  const struct {
    int bits;
    TPixelFormat format;
    int bitsPixel;
  } cases[] = {{8, pf8bit, 8}, {15, pf15bit, 16}, {16, pf16bit, 16}, {24, pf24bit, 24}, {32, pf32bit, 32}};
  for (const auto& c : cases) {
    TFormatConverter conv;
    conv.SetBitsPixel(c.bits);
    EXPECT_EQ(c.format, conv.BMPPixFmt());
    EXPECT_EQ(c.bitsPixel, conv.BitsPixel());
    ASSERT_TRUE(conv.PictureToRGB(Picture(red), AV_PIX_FMT_BGR24, true, 32, 64)) << c.bits;
    const uint32_t argb = conv.Bitmap()->PixelView().PixelARGB(10, 10);
    EXPECT_GE((argb >> 16) & 0xFF, 0xE0u) << c.bits << " " << std::hex << argb;
    EXPECT_LE(argb & 0xFF, 0x20u) << c.bits << " " << std::hex << argb;
    EXPECT_LE((argb >> 8) & 0xFF, 0x20u) << c.bits << " " << std::hex << argb;
  }
}

TEST_F(FormatConverterTest, HookRoundTripCarriesTheDrawingBack) {
  const int w = 320, h = 240;
  // Colours well inside the RGB cube: clipping would dominate otherwise.
  AVFrame* yuv = YuvFrame(w, h, 40);
  AVFrame* original = NewFrame(AV_PIX_FMT_YUV420P, w, h);
  ff::av_frame_copy(original, yuv);
  TFormatConverter conv;
  EXPECT_THROW(conv.RGBToBitmap(), Exception);
  ASSERT_TRUE(conv.PictureToRGB(Picture(yuv), AV_PIX_FMT_YUV420P, true, h, w));
  // Draw a white square at the top left, as a hook handler would.
  for (int y = 0; y < 16; ++y) std::memset(conv.Bitmap()->ScanLine(y), 255, 16 * 3);
  conv.BitmapToRGB();
  ASSERT_TRUE(conv.RGBToPicture(Picture(yuv), AV_PIX_FMT_YUV420P, h, w)) << conv.LastErrMsg();
  EXPECT_GE(yuv->data[0][4 * yuv->linesize[0] + 4], 230);
  // Elsewhere the picture survives the trip: PSNR of the luma well above 40 dB.
  double se = 0;
  int n = 0;
  for (int y = 32; y < h; ++y)
    for (int x = 32; x < w; ++x, ++n) {
      const double d = yuv->data[0][y * yuv->linesize[0] + x] - original->data[0][y * original->linesize[0] + x];
      se += d * d;
    }
  const double psnr = se == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (se / n));
  EXPECT_GT(psnr, 40.0);
}

TEST_F(FormatConverterTest, BitmapChangedSeesDrawingOfEveryKindAndNothingElse) {
  const int w = 64, h = 48;
  struct TCase {
    const char* name;
    std::function<void(TBitmap*)> draw;
    bool changed;
  } cases[] = {
      {"nothing", [](TBitmap*) {}, false},
      {"canvas locked, nothing drawn", [](TBitmap* b) { b->Canvas()->Lock(); b->Canvas()->Unlock(); }, false},
      {"last byte of the bottom row", [&](TBitmap* b) { b->ScanLine(h - 1)[w * 3 - 1] ^= 0xFF; }, true},
      {"canvas pixel", [](TBitmap* b) { b->Canvas()->SetPixel(5, 7, b->Canvas()->Pixel(5, 7) ^ 0xFFFFFF); }, true},
      {"canvas fill", [](TBitmap* b) {
         b->Canvas()->Brush()->SetColor(clBlack);
         b->Canvas()->FillRect(TRect{0, 0, 8, 8});
       }, true},
  };
  TFormatConverter conv;
  EXPECT_FALSE(conv.BitmapChanged());  // no picture yet
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(conv.PictureToRGB(Picture(YuvFrame(w, h)), AV_PIX_FMT_YUV420P, true, h, w));
    c.draw(conv.Bitmap());
    EXPECT_EQ(conv.BitmapChanged(), c.changed);
  }
}

// A hook handler that never looks at the bitmap costs no conversion; one
// that reads or draws gets exactly the picture PictureToRGB gives.
TEST_F(FormatConverterTest, OnDemandPicturesConvertOnlyWhenTheBitmapIsUsed) {
  const int w = 64, h = 48;
  AVFrame* yuv = YuvFrame(w, h);
  TFormatConverter eager;
  ASSERT_TRUE(eager.PictureToRGB(Picture(yuv), AV_PIX_FMT_YUV420P, true, h, w));
  const TPixelView want = eager.Bitmap()->PixelView();
  struct TCase {
    const char* name;
    std::function<void(TBitmap*)> use;
    TFormatConverter::TDemandResult result;
  } cases[] = {
      {"size only", [](TBitmap* b) { EXPECT_EQ(b->Width() * b->Height(), 64 * 48); }, TFormatConverter::drUnused},
      {"canvas locked only", [](TBitmap* b) { b->Canvas()->Lock(); b->Canvas()->Unlock(); }, TFormatConverter::drUnused},
      {"scan line", [](TBitmap* b) { b->ScanLine(0); }, TFormatConverter::drConverted},
      {"canvas pixel", [](TBitmap* b) { b->Canvas()->Pixel(1, 1); }, TFormatConverter::drConverted},
      {"pixel view", [](TBitmap* b) { b->PixelView(); }, TFormatConverter::drConverted},
  };
  TFormatConverter conv;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A frame of another picture first, so a stale bitmap would show.
    ASSERT_TRUE(conv.PictureToRGB(Picture(NewFrame(AV_PIX_FMT_YUV420P, w, h)), AV_PIX_FMT_YUV420P, true, h, w));
    conv.Bitmap()->Canvas()->Handle();  // as after a handler drew on an earlier frame
    ASSERT_TRUE(conv.PictureToBitmapOnDemand(Picture(yuv), AV_PIX_FMT_YUV420P, h, w));
    EXPECT_EQ(conv.Bitmap()->Width(), w);
    EXPECT_EQ(conv.Bitmap()->Height(), h);
    c.use(conv.Bitmap());
    EXPECT_EQ(conv.EndOnDemand(), c.result);
    EXPECT_FALSE(conv.Bitmap()->FillPending());
    if (c.result != TFormatConverter::drConverted) continue;
    EXPECT_FALSE(conv.BitmapChanged());
    const TPixelView got = conv.Bitmap()->PixelView();
    for (int y = 0; y < h; ++y) ASSERT_EQ(std::memcmp(got.Row(y), want.Row(y), static_cast<size_t>(w) * 3), 0) << y;
  }
  // A size that is no picture's fails at once, as the eager conversion does.
  EXPECT_FALSE(conv.PictureToBitmapOnDemand(Picture(yuv), AV_PIX_FMT_YUV420P, 0, w));
}

}  // namespace
