#include "support/gtest.h"

#include <string>
#include <vector>

#include "skin/data/spzlibstreams.h"

namespace {

std::vector<uint8_t> Sample(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 7) ^ (i >> 5));
  return v;
}

TEST(ZlibStreams, WrittenAndReadBack) {
  std::vector<uint8_t> data = Sample(50000);
  TMemoryStream packed;
  int progress = 0;
  {
    TCompressionStream z(TCompressionLevel::clMax, &packed);
    z.OnProgress = [&](TObject*) { ++progress; };
    z.Write(data.data(), 20000);
    EXPECT_EQ(z.Seek(0, soCurrent), 20000);
    z.Write(data.data() + 20000, data.size() - 20000);
    EXPECT_GT(z.CompressionRate(), 0.0f);
    EXPECT_THROW(z.Seek(10, soBeginning), ECompressionError);
    uint8_t b;
    try {
      z.Read(&b, 1);
      FAIL();
    } catch (const ECompressionError& e) {
      EXPECT_STREQ(e.what(), "Invalid stream operation");
    }
  }
  packed.SetPosition(0);
  TDecompressionStream unz(&packed);
  std::vector<uint8_t> back;
  uint8_t buf[4096];
  size_t got;
  while ((got = unz.Read(buf, sizeof buf)) > 0) back.insert(back.end(), buf, buf + got);
  EXPECT_EQ(back, data);
  EXPECT_EQ(unz.Read(buf, sizeof buf), 0u);
  EXPECT_THROW(unz.Write(buf, 1), EDecompressionError);
  EXPECT_THROW(unz.Seek(-1, soCurrent), EDecompressionError);
  EXPECT_THROW(unz.Seek(0, soEnd), EDecompressionError);
  EXPECT_EQ(unz.Seek(0, soBeginning), 0);
  EXPECT_EQ(unz.Seek(100, soCurrent), 100);
  EXPECT_EQ(unz.Read(buf, 1), 1u);
  EXPECT_EQ(buf[0], data[100]);
}

TEST(ZlibStreams, HelpersAndTrailingBytes) {
  std::vector<uint8_t> data = Sample(10000);
  TMemoryStream source, packed, out;
  source.Write(data.data(), data.size());
  CompressMemoryStream(&source, &packed);
  uint8_t junk[3] = {1, 2, 3};
  packed.Write(junk, 3);   // bytes after the zlib stream are not read as data
  DecompressStream(&out, &packed);
  out.SetPosition(0);
  EXPECT_EQ(out.ReadRest(), data);

  TMemoryStream needsDictionary;
  const uint8_t dict[] = {0x78, 0x3F, 0, 0, 0, 1, 0x63, 0x64, 0x62};
  needsDictionary.Write(dict, sizeof dict);
  TMemoryStream sink0;
  EXPECT_THROW(DecompressStream(&sink0, &needsDictionary), EDecompressionError);

  TMemoryStream broken;
  broken.Write(data.data(), 100);
  TMemoryStream sink;
  EXPECT_THROW(DecompressStream(&sink, &broken), EDecompressionError);
}

}  // namespace
