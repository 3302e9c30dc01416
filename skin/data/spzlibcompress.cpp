#include "skin/data/spzlibcompress.h"

#include <cstring>

#include <zlib.h>

#include "framework/readers/Errors.h"

int ZlibLevel(TCompressionLevel l) {
  switch (l) {
    case TCompressionLevel::clNone: return 0;
    case TCompressionLevel::clFastest: return 1;
    case TCompressionLevel::clDefault: return -1;
    default: return 9;
  }
}

std::vector<uint8_t> CompressBytes(const uint8_t* data, size_t size, TCompressionLevel level) {
  z_stream z{};
  if (deflateInit(&z, ZlibLevel(level)) < 0) throw ECompressionError("error");
  std::vector<uint8_t> out;
  uint8_t buf[8192];
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = deflate(&z, Z_FINISH);
    if (rc < 0 && rc != Z_BUF_ERROR) {
      deflateEnd(&z);
      throw ECompressionError("error");
    }
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (rc != Z_STREAM_END);
  deflateEnd(&z);
  return out;
}

std::vector<uint8_t> DecompressBytes(const uint8_t* data, size_t size, size_t maxSize) {
  z_stream z{};
  if (inflateInit(&z) < 0) throw EDecompressionError("compression error");
  std::vector<uint8_t> out;
  uint8_t buf[8192];
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  for (;;) {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    int rc = inflate(&z, Z_NO_FLUSH);
    size_t got = sizeof buf - z.avail_out;
    // A stream that asks for a preset dictionary cannot be ours, and zlib
    // says so with a positive code: waiting for progress would never end.
    if (rc == Z_NEED_DICT || (rc < 0 && !(rc == Z_BUF_ERROR && got > 0))) {
      inflateEnd(&z);
      throw EDecompressionError("compression error");
    }
    if (out.size() + got > maxSize) {
      inflateEnd(&z);
      throw EDecompressionError("compression error");
    }
    out.insert(out.end(), buf, buf + got);
    if (rc == Z_STREAM_END) break;
    if (got == 0 && z.avail_in == 0) {  // input ended before the stream did
      inflateEnd(&z);
      throw EDecompressionError("compression error");
    }
  }
  inflateEnd(&z);
  return out;
}

// ---------------------------------------------------------------- payload

namespace {
class PayloadWriter {
public:
  std::vector<uint8_t> bytes;
  void Int(int32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(v) >> (8 * i)));
  }
  void Picture(const TspPicture& p) {
    std::vector<uint8_t> bmp = spEncodeBmp(p);
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
  }
  void Flagged(const TspPicture& p) {
    bytes.push_back(p.Empty() ? 1 : 0);
    if (!p.Empty()) Picture(p);
  }
};

class PayloadReader {
public:
  PayloadReader(const std::vector<uint8_t>& b) : d(b) {}
  const std::vector<uint8_t>& d;
  size_t pos = 0;
  TspPixelBudget budget;
  [[noreturn]] static void Corrupt() { throw EDecompressionError("compression error"); }
  size_t Left() const { return d.size() - pos; }
  int32_t Int() {
    if (Left() < 4) Corrupt();
    uint32_t v = d[pos] | (d[pos + 1] << 8) | (d[pos + 2] << 16) | (uint32_t(d[pos + 3]) << 24);
    pos += 4;
    return int32_t(v);
  }
  TspPicture Picture() {
    if (Left() == 0) Corrupt();
    size_t len;
    try {
      len = spBmpImageLength(d.data() + pos, Left());
    } catch (const EspInvalidGraphic&) {
      Corrupt();
    }
    TspPicture p = spDecodeBmp(d.data() + pos, len, &budget);
    pos += len;
    return p;
  }
  TspPicture Flagged() {
    if (Left() < 1) Corrupt();
    uint8_t flag = d[pos++];
    if (flag > 1) Corrupt();
    return flag == 1 ? TspPicture() : Picture();
  }
};

// 26 bytes is the smallest BMP file image there is.
constexpr size_t kMinBmp = 14 + 12;

// The description text: a byte-order mark picks UTF-8 or UTF-16, else the
// bytes are UTF-8 or the 8-bit code page. Text the ini reader refuses (a
// NUL byte, a broken UTF-16 length) makes the block corrupt.
TIniData PayloadIni(const uint8_t* p, size_t n) {
  try {
    return TIniData(spDecodeSkinText(p, n));
  } catch (const EReadError&) {
    PayloadReader::Corrupt();
  }
}
}  // namespace

std::vector<uint8_t> spBuildSkinPayload(const TspSkinModel& skin) {
  PayloadWriter w;
  w.Int(2);
  w.Flagged(skin.FPicture);
  w.Flagged(skin.FInActivePicture);
  w.Flagged(skin.FMask);
  w.Flagged(skin.FRollUpPicture);
  w.Flagged(skin.FRollUpMask);
  w.Int(int32_t(skin.FActivePictures.size()));
  for (const TspPicture& p : skin.FActivePictures) w.Picture(p);
  TIniData ini;
  skin.SaveToCustomIniFile(ini);
  std::string text = ini.Format();
  w.bytes.insert(w.bytes.end(), text.begin(), text.end());
  return w.bytes;
}

bool spReadSkinPayload(const std::vector<uint8_t>& payload, TspSkinModel& skin) {
  PayloadReader r(payload);
  int32_t version = r.Int();
  if (version > 3) return false;
  skin.ClearAll();
  skin.FPicture = r.Flagged();
  if (version == 2 || version == 3) skin.FInActivePicture = r.Flagged();
  skin.FMask = r.Flagged();
  if (version == 1 || version == 2) {
    skin.FRollUpPicture = r.Flagged();
    skin.FRollUpMask = r.Flagged();
  }
  int32_t n = r.Int();
  if (n > 0 && size_t(n) > r.Left() / kMinBmp) PayloadReader::Corrupt();
  for (int32_t i = 0; i < n; ++i) skin.FActivePictures.push_back(r.Picture());
  TIniData ini = PayloadIni(payload.data() + r.pos, r.Left());
  skin.ReadDescription(ini, true);
  // Picture indexes count in both lists; a text that names other pictures
  // than the block carries would index past them.
  if (skin.FActivePicturesNames.size() != skin.FActivePictures.size()) PayloadReader::Corrupt();
  skin.Empty = false;
  return true;
}

bool spLoadCompressedSkin(const TspCompressedStoredSkin& stored, TspSkinModel& skin) {
  if (stored.Empty()) return false;
  return spReadSkinPayload(stored.DeCompressToStream(), skin);
}

// ---------------------------------------------------------------- stored skin

void TspCompressedStoredSkin::LoadFromIniFile(const std::string& nativePath) {
  std::vector<uint8_t> raw;
  if (!spReadFileBytes(nativePath, raw)) throw EspSkinError("Cannot open file \"" + nativePath + "\"");
  TIniData ini(spDecodeSkinText(raw.data(), raw.size()));
  if (!IsSkinIniFile(ini)) return;
  std::string folder = nativePath.substr(0, nativePath.find_last_of("/\\") + 1);
  TspPixelBudget budget;
  auto bmp = [&](const std::string& name) {
    if (name.empty()) return TspPicture();
    std::vector<uint8_t> b;
    if (!spReadFileBytes(folder + name, b)) throw EspInvalidGraphic("Cannot open file \"" + name + "\"");
    return spDecodeBmp(b.data(), b.size(), &budget);
  };
  PayloadWriter w;
  w.Int(2);
  for (const char* key : {"picture", "inactivepicture", "mask", "rolluppicture", "rollupmask"})
    w.Flagged(bmp(ini.ReadString("PICTURES", key, "")));
  std::vector<std::string> names;
  ReadIndexedListValue(ini, "PICTURES", "activepictures", names);
  w.Int(int32_t(names.size()));
  for (const std::string& n : names) w.Picture(bmp(n));
  // The description travels exactly as the file holds it.
  w.bytes.insert(w.bytes.end(), raw.begin(), raw.end());
  FCompressedStream = CompressBytes(w.bytes.data(), w.bytes.size(), TCompressionLevel::clMax);
  FileName = nativePath;
}

void TspCompressedStoredSkin::LoadFromSkinData(const TspSkinModel& skin) {
  FCompressedStream.clear();
  std::vector<uint8_t> payload = spBuildSkinPayload(skin);
  FCompressedStream = CompressBytes(payload.data(), payload.size(), TCompressionLevel::clMax);
}

std::vector<uint8_t> TspCompressedStoredSkin::DeCompressToStream() const {
  return DecompressBytes(FCompressedStream.data(), FCompressedStream.size());
}

std::vector<uint8_t> TspCompressedStoredSkin::SaveToCompressStream() const {
  PayloadWriter w;
  w.Int(2);
  w.Int(int32_t(FCompressedStream.size()));
  w.bytes.insert(w.bytes.end(), FCompressedStream.begin(), FCompressedStream.end());
  return w.bytes;
}

void TspCompressedStoredSkin::LoadFromCompressStream(const uint8_t* data, size_t size) {
  FCompressedStream.clear();
  auto rd = [&](size_t at) {
    return int32_t(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (uint32_t(data[at + 3]) << 24));
  };
  if (size < 4) throw EDecompressionError("compression error");
  if (rd(0) > 3) return;
  if (size < 8) throw EDecompressionError("compression error");
  int32_t len = rd(4);
  if (len < 0 || size_t(len) > size - 8) throw EDecompressionError("compression error");
  FCompressedStream.assign(data + 8, data + 8 + len);
}

bool TspCompressedStoredSkin::SaveToCompressFile(const std::string& nativePath) const {
  if (Empty()) return false;
  return spWriteFileBytes(nativePath, SaveToCompressStream());
}

void TspCompressedStoredSkin::LoadFromCompressFile(const std::string& nativePath) {
  FCompressedStream.clear();
  std::vector<uint8_t> b;
  if (!spReadFileBytes(nativePath, b)) throw EspSkinError("Cannot open file \"" + nativePath + "\"");
  LoadFromCompressStream(b.data(), b.size());
  CompressedFileName = nativePath;
}

// ---------------------------------------------------------------- skin list

TspSkinListItem::TspSkinListItem(TspCompressedSkinList* list, int32_t index)
    : Name("spSkin" + std::to_string(index)), FSkinList(list), FSkin(new TspCompressedStoredSkin()) {}

TspSkinListItem* TspSkinListItems::Items(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FItems[size_t(index)].get();
}

TspSkinListItem* TspSkinListItems::Add() {
  FItems.push_back(std::make_unique<TspSkinListItem>(FSkinList, Count()));
  return FItems.back().get();
}

void TspSkinListItems::Delete(int32_t index) {
  if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

void TspSkinListItems::Assign(const TspSkinListItems& source) {
  if (&source == this) return;
  Clear();
  for (const auto& from : source.FItems) {
    TspSkinListItem* to = Add();
    to->Description = from->Description;
    to->FileName = from->FileName;
    to->CompressedFileName = from->CompressedFileName;
    to->Name = from->Name;
    TspCompressedStoredSkin* s = to->Skin();
    const TspCompressedStoredSkin* f = from->Skin();
    s->FileName = f->FileName;
    s->CompressedFileName = f->CompressedFileName;
    s->Description = f->Description;
    s->SetCompressedData(f->CompressedData());
  }
}
