// Compressed stored skins: one zlib stream behind a small header, holding
// the pictures as BMP images and the skin.ini text. Platform-neutral.
//
// Container: format (int32, written 2, above 3 refused), L (int32), L bytes
// of zlib data. Payload: version, flagged window pictures (which ones depends
// on the version), N, N BMP images, then the description text. Everything
// read here is untrusted: every length is checked against what is left, the
// inflated size is capped, and a short or damaged block raises
// EDecompressionError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/data/spSkinModel.h"

class EZlibError : public EspSkinError {
public:
  explicit EZlibError(const std::string& m) : EspSkinError(m) {}
};
class ECompressionError : public EZlibError {
public:
  explicit ECompressionError(const std::string& m) : EZlibError(m) {}
};
class EDecompressionError : public EZlibError {
public:
  explicit EDecompressionError(const std::string& m) : EZlibError(m) {}
};

// Scoped: the colour constants clNone and clDefault share the names.
enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

// Largest payload a stored skin may inflate to (ours is a few MB).
constexpr size_t spMaxSkinPayload = size_t(64) << 20;

// One complete zlib stream of the bytes.
std::vector<uint8_t> CompressBytes(const uint8_t* data, size_t size, TCompressionLevel level = TCompressionLevel::clMax);
// Inflates one zlib stream, stopping at its end; bytes after it are ignored.
// A truncated or damaged stream, or one larger than maxSize, raises.
std::vector<uint8_t> DecompressBytes(const uint8_t* data, size_t size, size_t maxSize = spMaxSkinPayload);

class TspCompressedStoredSkin {
public:
  std::string FileName, CompressedFileName, Description;

  bool Empty() const { return FCompressedStream.empty(); }
  const std::vector<uint8_t>& CompressedData() const { return FCompressedStream; }
  void SetCompressedData(std::vector<uint8_t> data) { FCompressedStream = std::move(data); }

  // Packs a skin folder (its skin.ini at nativePath); pictures must be BMP.
  // A file that is no skin description leaves the stored skin unchanged.
  void LoadFromIniFile(const std::string& nativePath);
  void LoadFromSkinData(const TspSkinModel& skin);
  std::vector<uint8_t> DeCompressToStream() const;

  // The container: format 2, L, the zlib data.
  std::vector<uint8_t> SaveToCompressStream() const;
  // Format above 3 leaves the stored skin empty; a length that does not fit
  // what follows empties it and raises EDecompressionError.
  void LoadFromCompressStream(const uint8_t* data, size_t size);
  bool SaveToCompressFile(const std::string& nativePath) const;   // no file when Empty
  void LoadFromCompressFile(const std::string& nativePath);

private:
  std::vector<uint8_t> FCompressedStream;
};

// The payload of a skin model (version 2).
std::vector<uint8_t> spBuildSkinPayload(const TspSkinModel& skin);
// Reads a payload into a fresh model. False (model untouched) for a version
// above 3; raises EDecompressionError or the readers' errors on bad data.
bool spReadSkinPayload(const std::vector<uint8_t>& payload, TspSkinModel& skin);
// Stored skin -> fresh model: inflate and read. False for a version above 3
// or an empty stored skin.
bool spLoadCompressedSkin(const TspCompressedStoredSkin& stored, TspSkinModel& skin);
