// Skins are files users download: small hostile ones must load or be refused
// with a skin error, and either way take little memory and little work. The
// allocations of this program are counted (peak bytes and calls) while each
// skin loads, as the program loads a folder or a compressed skin.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "skin/data/spzlibcompress.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<int64_t> gNow{0}, gPeak{0}, gCalls{0};

void* Counted(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  if (gCounting) {
    int64_t now = gNow += int64_t(malloc_usable_size(p));
    ++gCalls;
    for (int64_t peak = gPeak; now > peak && !gPeak.compare_exchange_weak(peak, now);) {
    }
  }
  return p;
}

void Uncounted(void* p) {
  if (!p) return;
  if (gCounting) gNow -= int64_t(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(size_t size) { return Counted(size); }
void* operator new[](size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, size_t) noexcept { Uncounted(p); }

namespace {

const char* kSections = "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n";

std::string Repeat(const std::string& pattern, int times, int from = 0) {
  std::string s;
  for (int i = from; i < from + times; ++i) {
    std::string line = pattern;
    size_t at;
    while ((at = line.find("%d")) != std::string::npos) line.replace(at, 2, std::to_string(i));
    s += line;
  }
  return s;
}

// A small grey JPEG whose frame header then claims side x side pixels.
std::vector<uint8_t> JpegClaiming(int side) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  unsigned char row[8] = {128, 128, 128, 128, 128, 128, 128, 128};
  while (c.next_scanline < 8) {
    JSAMPROW r = row;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  for (size_t i = 0; i + 8 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = uint8_t(side >> 8), bytes[i + 6] = uint8_t(side);
      bytes[i + 7] = uint8_t(side >> 8), bytes[i + 8] = uint8_t(side);
      break;
    }
  return bytes;
}

// A 1-bit BMP file of side x side pixels, all of colour 0: 1/32 of a byte
// per pixel on disk, and it packs to almost nothing.
std::vector<uint8_t> OneBitBmp(int side) {
  const uint32_t rowBytes = uint32_t((side + 31) / 32 * 4);
  const uint32_t offBits = 14 + 40 + 8;
  const uint32_t fileSize = offBits + rowBytes * uint32_t(side);
  std::vector<uint8_t> b(fileSize, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, fileSize);
  put32(10, offBits);
  put32(14, 40);
  put32(18, uint32_t(side));
  put32(22, uint32_t(side));
  b[26] = 1;
  b[28] = 1;
  b[58] = b[59] = b[60] = 0xFF;  // colour 1 white, colour 0 black
  return b;
}

// A compressed stored skin whose payload carries the given window picture
// and a description text.
std::vector<uint8_t> PackedSkin(const std::vector<uint8_t>& windowBmp) {
  std::vector<uint8_t> payload = {2, 0, 0, 0, 0};  // version 2, window picture present
  payload.insert(payload.end(), windowBmp.begin(), windowBmp.end());
  for (int i = 0; i < 4; ++i) payload.push_back(1);  // no inactive, mask, roll-up pictures
  for (int i = 0; i < 4; ++i) payload.push_back(0);  // no active pictures
  std::string text = kSections;
  payload.insert(payload.end(), text.begin(), text.end());
  std::vector<uint8_t> packed = CompressBytes(payload.data(), payload.size());
  std::vector<uint8_t> file = {2, 0, 0, 0};
  uint32_t n = uint32_t(packed.size());
  for (int i = 0; i < 4; ++i) file.push_back(uint8_t(n >> (8 * i)));
  file.insert(file.end(), packed.begin(), packed.end());
  return file;
}

struct HostileCase {
  const char* what;
  std::string text;                  // skin.ini of a folder skin; empty for a compressed skin
  std::vector<uint8_t> picture;      // "p.jpg" beside skin.ini, or the compressed skin file
  bool loads;                        // else refused with a skin error
  size_t mostEntries;                // areas + cursors + pictures + objects + controls when it loads
};

struct Cost {
  int64_t peak, calls;
};

std::string gFolder;

Cost Load(const HostileCase& c, TspSkinModel& m, std::string& error) {
  std::string folder = gFolder + "/";
  FILE* f = std::fopen((folder + (c.text.empty() ? "skin.skn" : "p.jpg")).c_str(), "wb");
  std::fwrite(c.picture.data(), 1, c.picture.size(), f);
  std::fclose(f);
  f = std::fopen((folder + "skin.ini").c_str(), "wb");
  std::fwrite(c.text.data(), 1, c.text.size(), f);
  std::fclose(f);
  gNow = gPeak = gCalls = 0;
  gCounting = true;
  try {
    if (c.text.empty()) {
      TspCompressedStoredSkin s;
      s.LoadFromCompressFile(folder + "skin.skn");
      spLoadCompressedSkin(s, m);
    } else {
      TIniData ini;
      spLoadIniFile(folder + "skin.ini", ini);
      TspPixelBudget pixels;
      m.ReadSkin(ini, [&](const std::string& n) { return spLoadPictureFile(folder + n, n, &pixels); });
    }
  } catch (const EspSkinError& e) {
    error = e.what();
  }
  gCounting = false;
  return {gPeak, gCalls};
}

TEST(HostileSkin, LoadsOrIsRefusedInLittleMemoryAndWork) {
  char dir[] = "/tmp/hostile-skin-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  gFolder = dir;
  const std::string lines65535 = "symbolsline65535=x\n";
  const HostileCase cases[] = {
      {"areas counted far past their entries", std::string(kSections) + "[SKINAREAS]\ncount=65536\n", {}, true, 0},
      {"areas with one entry at the far end",
       std::string(kSections) + "[SKINAREAS]\ncount=65536\n3=a:0,0,1,1\n", {}, true, 4},
      {"a list count past the cap", std::string(kSections) + "[SKINAREAS]\ncount=65537\n", {}, false, 0},
      {"objects and controls counted far past their entries",
       "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\ncount=65536\n7=c:caption\n"
       "[SKINCONTROLS]\ncount=65536\n",
       {}, true, 1},
      {"cursors counted far past their names",
       std::string(kSections) + "[CURSORS]\ncursorscount=65536\n", {}, true, 0},
      {"pictures counted far past their names",
       "[VERSION]\n[PICTURES]\nactivepicturescount=65536\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n", {}, true,
       0},
      {"many entries naming one section with a long line count",
       "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\ncount=64\n" +
           Repeat("%d=b:bitlabel\n", 64) + "[b]\nsymbolslinecount=65536\n",
       {}, true, 64},
      {"many entries naming one section whose lines reach the cap",
       "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\ncount=64\n" +
           Repeat("%d=b:bitlabel\n", 64) + "[b]\nsymbolslinecount=65536\n" + lines65535,
       {}, false, 0},
      {"a small JPEG claiming 16384 x 16384 pixels",
       "[VERSION]\n[PICTURES]\npicture=p.jpg\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n", JpegClaiming(16384),
       false, 0},
      {"a small JPEG claiming 4096 x 4096 pixels",
       "[VERSION]\n[PICTURES]\npicture=p.jpg\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n", JpegClaiming(4096),
       false, 0},
      {"a compressed skin unpacking to 64 M pixels", "", PackedSkin(OneBitBmp(8192)), false, 0},
      {"a compressed skin unpacking to 256 M pixels", "", PackedSkin(OneBitBmp(16384)), false, 0},
  };
  for (const HostileCase& c : cases) {
    TspSkinModel m;
    std::string error;
    Cost cost = Load(c, m, error);
    EXPECT_LT(cost.peak, int64_t(64) << 20) << c.what;
    EXPECT_LT(cost.calls, 200000) << c.what;
    if (c.loads) {
      EXPECT_EQ(error, "") << c.what;
      size_t entries = m.AreaList.size() + m.FCursorsNames.size() + m.FActivePicturesNames.size() +
                       m.ObjectList.size() + m.CtrlList.size();
      EXPECT_LE(entries, c.mostEntries) << c.what;
    } else {
      EXPECT_NE(error, "") << c.what;
    }
  }
  for (const char* name : {"skin.ini", "p.jpg", "skin.skn"}) std::remove((gFolder + "/" + name).c_str());
  rmdir(dir);
}

// Entries that name one section share what it says, whichever was read.
TEST(HostileSkin, EntriesSharingASectionReadTheSame) {
  TspSkinModel m;
  m.ReadSkin(TIniData(std::string("[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\ncount=3\n"
                                  "0=b:bitlabel\n1=B:bitlabel\n2=b:panel\n"
                                  "[b]\nsymbolslinecount=2\nsymbolsline0=x\nsymbolsline1=y\nskinrect=1,2,3,4\n")),
             [](const std::string&) { return TspPicture(); });
  ASSERT_EQ(m.CtrlList.size(), 3u);
  EXPECT_EQ(m.CtrlList[1]->IDName, "B");
  EXPECT_STREQ(m.CtrlList[1]->ClassName(), "TspDataSkinBitLabelControl");
  EXPECT_STREQ(m.CtrlList[2]->ClassName(), "TspDataSkinPanelControl");
  for (auto& c : m.CtrlList) EXPECT_EQ(c->SkinRect, TspRect(1, 2, 3, 4)) << c->IDName;
  TIniData a, b;
  m.CtrlList[0]->SaveToFile(a);
  m.CtrlList[1]->SaveToFile(b);
  EXPECT_EQ(a.SectionLines("b"), b.SectionLines("B"));
  EXPECT_EQ(a.ReadString("b", "symbolsline1", ""), "y");
}

}  // namespace
