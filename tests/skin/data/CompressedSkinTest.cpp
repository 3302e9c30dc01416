#include <gtest/gtest.h>

#include "skin/data/spzlibcompress.h"

namespace {

TspSkinModel LoadFolder(const std::string& folder) {
  TIniData ini;
  EXPECT_TRUE(spLoadIniFile(folder + "/skin.ini", ini));
  TspSkinModel m;
  m.ReadSkin(ini, [&](const std::string& n) { return spLoadPictureFile(folder + "/" + n, n); });
  return m;
}

void ExpectSameSkin(const TspSkinModel& a, const TspSkinModel& b) {
  EXPECT_TRUE(a.FPicture == b.FPicture);
  EXPECT_TRUE(a.FInActivePicture == b.FInActivePicture);
  EXPECT_TRUE(a.FMask == b.FMask);
  ASSERT_EQ(a.FActivePictures.size(), b.FActivePictures.size());
  for (size_t i = 0; i < a.FActivePictures.size(); ++i) EXPECT_TRUE(a.FActivePictures[i] == b.FActivePictures[i]) << i;
  EXPECT_EQ(a.FActivePicturesNames, b.FActivePicturesNames);
  // A packed skin carries no cursor files, so it names none.
  EXPECT_TRUE(b.FCursorsNames.empty());
  TIniData ia, ib;
  a.SaveToCustomIniFile(ia);
  b.SaveToCustomIniFile(ib);
  ia.EraseSection("CURSORS");
  ib.EraseSection("CURSORS");
  EXPECT_EQ(ia.Format(), ib.Format());
}

// The stored skin written as a container, read back and loaded.
void LoadThroughContainer(const TspCompressedStoredSkin& stored, TspSkinModel& back) {
  ASSERT_FALSE(stored.Empty());
  std::vector<uint8_t> container = stored.SaveToCompressStream();
  TspCompressedStoredSkin reread;
  reread.LoadFromCompressStream(container.data(), container.size());
  ASSERT_TRUE(spLoadCompressedSkin(reread, back));
}

TEST(CompressedSkin, PackedSkinReadsBackEqual) {
  TspSkinModel skin = LoadFolder(TESS_FULL_SKIN_DIR);
  TspCompressedStoredSkin stored;
  stored.LoadFromSkinData(skin);
  TspSkinModel back;
  ASSERT_NO_FATAL_FAILURE(LoadThroughContainer(stored, back));
  ExpectSameSkin(skin, back);
  EXPECT_FALSE(back.Empty);
}

TEST(CompressedSkin, PackingAFolderNeedsBmpPictures) {
  TspCompressedStoredSkin stored;
  EXPECT_THROW(stored.LoadFromIniFile(TESS_TEST_SKIN_DIR "/skin.ini"), EspInvalidGraphic);   // grey.jpg
  EXPECT_TRUE(stored.Empty());
}

TEST(CompressedSkin, ProgramSkinFolderPacksAndReadsBackEqual) {
  const TspSkinModel folder = LoadFolder(TESS_FULL_SKIN_DIR);
  ASSERT_FALSE(folder.FCursorsNames.empty());
  TspCompressedStoredSkin stored;
  stored.LoadFromIniFile(TESS_FULL_SKIN_DIR "/skin.ini");
  TspSkinModel back;
  ASSERT_NO_FATAL_FAILURE(LoadThroughContainer(stored, back));
  ExpectSameSkin(folder, back);
}

TEST(CompressedSkin, EmptyStoredSkinWritesTheHeaderOnly) {
  TspCompressedStoredSkin stored;
  std::vector<uint8_t> c = stored.SaveToCompressStream();
  EXPECT_EQ(c, (std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0}));
  TspCompressedStoredSkin back;
  back.LoadFromCompressStream(c.data(), c.size());
  EXPECT_TRUE(back.Empty());
  EXPECT_FALSE(stored.SaveToCompressFile("/nonexistent-folder/never.skn"));
}

std::vector<uint8_t> Payload(int32_t version, bool withInactive, bool withRollUp) {
  TspPicture p;
  p.SetSize(2, 2, 0xFF102030);
  std::vector<uint8_t> bmp = spEncodeBmp(p);
  std::vector<uint8_t> v;
  auto i32 = [&](int32_t x) { for (int i = 0; i < 4; ++i) v.push_back(uint8_t(uint32_t(x) >> (8 * i))); };
  auto flagged = [&]() { v.push_back(0); v.insert(v.end(), bmp.begin(), bmp.end()); };
  i32(version);
  flagged();                       // window picture
  if (withInactive) flagged();
  v.push_back(1);                  // no mask
  if (withRollUp) { flagged(); flagged(); }
  i32(1);
  v.insert(v.end(), bmp.begin(), bmp.end());
  std::string text = "[VERSION]\r\nskinname=v\r\n[PICTURES]\r\nactivepicturescount=1\r\n0=a.bmp\r\n[FORMINFO]\r\n"
                     "[SKINOBJECTS]\r\n[SKINCONTROLS]\r\ncount=1\r\n0=b:button\r\n";
  v.insert(v.end(), text.begin(), text.end());
  return v;
}

TEST(CompressedSkin, PayloadVersions) {
  struct Case { int32_t version; bool inactive, rollUp; } cases[] = {
      {-5, false, false}, {0, false, false}, {1, false, true}, {2, true, true}, {3, true, false}};
  for (const Case& c : cases) {
    TspSkinModel m;
    ASSERT_TRUE(spReadSkinPayload(Payload(c.version, c.inactive, c.rollUp), m)) << c.version;
    EXPECT_FALSE(m.FPicture.Empty());
    EXPECT_EQ(m.FInActivePicture.Empty(), !c.inactive) << c.version;
    EXPECT_EQ(m.FRollUpPicture.Empty(), !c.rollUp) << c.version;
    EXPECT_EQ(m.FActivePictures.size(), 1u);
    EXPECT_EQ(m.SkinName, "v");
    EXPECT_EQ(m.GetControlIndex("b"), 0);
  }
  TspSkinModel m;
  m.SkinName = "before";
  EXPECT_FALSE(spReadSkinPayload(Payload(4, true, false), m));
  EXPECT_EQ(m.SkinName, "before");
}

TEST(CompressedSkin, DamagedBlocksRaiseTheDefinedError) {
  TspSkinModel skin = LoadFolder(TESS_TEST_SKIN_DIR);
  TspCompressedStoredSkin stored;
  stored.LoadFromSkinData(skin);
  std::vector<uint8_t> good = stored.SaveToCompressStream();
  auto loadContainer = [](std::vector<uint8_t> c) {
    TspCompressedStoredSkin s;
    s.LoadFromCompressStream(c.data(), c.size());
    TspSkinModel m;
    spLoadCompressedSkin(s, m);
  };
  EXPECT_NO_THROW(loadContainer(good));
  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({2, 0, 0});                                               // short header
  bad.push_back(std::vector<uint8_t>(good.begin(), good.end() - 10));   // truncated data, L too big
  { auto c = good; c[4] = 0xFF; c[5] = 0xFF; c[6] = 0xFF; c[7] = 0xFF; bad.push_back(c); }   // L = -1
  { auto c = good; c[20] ^= 0x55; bad.push_back(c); }                    // damaged deflate data
  { auto c = good; c[c.size() - 1] ^= 1; bad.push_back(c); }             // bad Adler-32
  { auto c = good; uint32_t l = uint32_t(c.size() - 8 - 30);            // stream cut short, L consistent
    c.resize(c.size() - 30); c[4] = uint8_t(l); c[5] = uint8_t(l >> 8); c[6] = uint8_t(l >> 16); c[7] = 0;
    bad.push_back(c); }
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_THROW(loadContainer(bad[i]), EDecompressionError) << i;

  // Payloads whose fields lie: each must raise, never read past the end.
  std::vector<uint8_t> p = Payload(2, true, true);
  std::vector<std::vector<uint8_t>> badPayloads;
  badPayloads.push_back({2, 0});                                          // short version
  { auto q = p; q[4] = 7; badPayloads.push_back(q); }                     // flag neither 0 nor 1
  { auto q = p; q[4 + 1 + 2] = 0xFF; q[4 + 1 + 3] = 0x7F; badPayloads.push_back(q); }   // BMP size past the end
  { auto q = std::vector<uint8_t>(p.begin(), p.begin() + 40); badPayloads.push_back(q); }
  for (size_t i = 0; i < badPayloads.size(); ++i) {
    TspSkinModel m;
    EXPECT_THROW(spReadSkinPayload(badPayloads[i], m), EDecompressionError) << i;
  }
  // A count far beyond the bytes left, and names that do not match the pictures.
  {
    std::vector<uint8_t> q = Payload(0, false, false);
    size_t countAt = 4 + 1 + 70 + 1;   // version, flagged 2x2 window picture, mask flag
    ASSERT_EQ(q[countAt], 1);
    q[countAt] = 0xFF; q[countAt + 1] = 0xFF; q[countAt + 2] = 0xFF; q[countAt + 3] = 0x7F;
    TspSkinModel m;
    EXPECT_THROW(spReadSkinPayload(q, m), EDecompressionError);
  }
  {
    std::vector<uint8_t> q = Payload(0, false, false);
    std::string text(q.begin(), q.end());
    size_t at = text.find("activepicturescount=1");
    text.replace(at, 21, "activepicturescount=3\r\n2=more.bmp");
    q.assign(text.begin(), text.end());
    TspSkinModel m;
    EXPECT_THROW(spReadSkinPayload(q, m), EDecompressionError);
  }
  EXPECT_THROW(DecompressBytes(nullptr, 0), EDecompressionError);
  // A zlib header that asks for a preset dictionary (found by the fuzzer:
  // the read loop waited for progress that never came).
  const uint8_t dict[] = {0x78, 0x3F, 0, 0, 0, 1, 0x63, 0x64, 0x62};
  EXPECT_THROW(DecompressBytes(dict, sizeof dict), EDecompressionError);
}

TEST(CompressedSkin, InflateStopsAtTheEndAndAtTheCap) {
  std::vector<uint8_t> data(100000, 'x');
  std::vector<uint8_t> z = CompressBytes(data.data(), data.size());
  z.push_back(0xAB);   // trailing bytes after the stream are left alone
  EXPECT_EQ(DecompressBytes(z.data(), z.size()), data);
  EXPECT_THROW(DecompressBytes(z.data(), z.size(), 1000), EDecompressionError);
}

TEST(CompressedSkin, SkinListItemsAreNamedByTheirIndexAndCopyWholly) {
  TspCompressedSkinList list;
  EXPECT_EQ(list.Skins().Count(), 0);
  EXPECT_EQ(list.Skins().Items(0), nullptr);
  TspSkinListItem* first = list.Skins().Add();
  TspSkinListItem* second = list.Skins().Add();
  EXPECT_EQ(first->Name, "spSkin0");
  EXPECT_EQ(second->DisplayName(), "spSkin1");
  EXPECT_EQ(first->SkinList(), &list);
  EXPECT_TRUE(first->Skin()->Empty());
  first->Skin()->LoadFromSkinData(LoadFolder(TESS_TEST_SKIN_DIR));
  first->Description = "flat";
  // The name counts the items there were when it was made, not its place.
  list.Skins().Delete(0);
  EXPECT_EQ(list.Skins().Items(0), second);
  EXPECT_EQ(list.Skins().Add()->Name, "spSkin1");
  list.Skins().Delete(5);   // outside: nothing happens
  EXPECT_EQ(list.Skins().Count(), 2);

  TspCompressedSkinList source;
  TspSkinListItem* packed = source.Skins().Add();
  packed->Skin()->LoadFromSkinData(LoadFolder(TESS_TEST_SKIN_DIR));
  packed->Description = "flat";
  packed->Name = "mine";
  source.Skins().Add();
  list.SetSkins(source.Skins());
  ASSERT_EQ(list.Skins().Count(), 2);
  TspSkinListItem* copy = list.Skins().Items(0);
  EXPECT_EQ(copy->Name, "mine");
  EXPECT_EQ(copy->Description, "flat");
  EXPECT_NE(copy->Skin(), packed->Skin());
  EXPECT_EQ(copy->Skin()->CompressedData(), packed->Skin()->CompressedData());
  EXPECT_TRUE(list.Skins().Items(1)->Skin()->Empty());
  TspSkinModel back;
  ASSERT_TRUE(spLoadCompressedSkin(*copy->Skin(), back));
  ExpectSameSkin(LoadFolder(TESS_TEST_SKIN_DIR), back);
}

}  // namespace
