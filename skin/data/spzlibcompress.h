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
#include <memory>
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
// The level zlib takes for it.
int ZlibLevel(TCompressionLevel level);

// Largest payload a stored skin may inflate to (ours is a few MB): the
// skin's pixels as 32-bit BMP data, and room for the description text.
constexpr size_t spMaxSkinPayload = size_t(4 * spMaxSkinPixels) + (size_t(8) << 20);

// One complete zlib stream of the bytes.
std::vector<uint8_t> CompressBytes(const uint8_t* data, size_t size, TCompressionLevel level = TCompressionLevel::clMax);
// Inflates one zlib stream, stopping at its end; bytes after it are ignored.
// A truncated or damaged stream, or one larger than maxSize, raises.
std::vector<uint8_t> DecompressBytes(const uint8_t* data, size_t size, size_t maxSize = spMaxSkinPayload);

// Stored skins and skin lists are components in the program, so that a
// skin data component that refers to one hears when it goes away. The host
// build (tests, fuzzers) has no component framework and uses them alone.
#ifdef TESS_NATIVE
class TComponent;
class TspSkinComponent {
public:
  explicit TspSkinComponent(TComponent*) {}
  virtual ~TspSkinComponent() = default;
  TspSkinComponent(const TspSkinComponent&) = delete;
  TspSkinComponent& operator=(const TspSkinComponent&) = delete;
};
#else
#include "framework/Classes.h"
using TspSkinComponent = TComponent;
#endif

class TspCompressedStoredSkin : public TspSkinComponent {
public:
  explicit TspCompressedStoredSkin(TComponent* AOwner = nullptr) : TspSkinComponent(AOwner) {}
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

class TspCompressedSkinList;

// One skin of a skin list: a stored skin it owns and the texts about it.
class TspSkinListItem {
public:
  TspSkinListItem(TspCompressedSkinList* list, int32_t index);
  TspCompressedStoredSkin* Skin() const { return FSkin.get(); }
  TspCompressedSkinList* SkinList() const { return FSkinList; }
  std::string Description, FileName, CompressedFileName;
  // "spSkin<index at creation>"; also what the item shows as its name.
  std::string Name;
  std::string DisplayName() const { return Name; }

private:
  TspCompressedSkinList* FSkinList;
  std::unique_ptr<TspCompressedStoredSkin> FSkin;
};

// The items of a skin list, in order.
class TspSkinListItems {
public:
  explicit TspSkinListItems(TspCompressedSkinList* owner) : FSkinList(owner) {}
  int32_t Count() const { return int32_t(FItems.size()); }
  // nullptr outside 0 .. Count-1.
  TspSkinListItem* Items(int32_t index) const;
  TspSkinListItem* Add();
  void Delete(int32_t index);
  void Clear() { FItems.clear(); }
  // Makes this a copy of source: as many items, each with the same texts
  // and a copy of the same packed skin.
  void Assign(const TspSkinListItems& source);

private:
  TspCompressedSkinList* FSkinList;
  std::vector<std::unique_ptr<TspSkinListItem>> FItems;
};

// Several packed skins in one component; a skin data component loads one
// of them by number (its SkinList and SkinIndex).
class TspCompressedSkinList : public TspSkinComponent {
public:
  explicit TspCompressedSkinList(TComponent* AOwner = nullptr) : TspSkinComponent(AOwner), FSkins(this) {}
  TspSkinListItems& Skins() { return FSkins; }
  const TspSkinListItems& Skins() const { return FSkins; }
  void SetSkins(const TspSkinListItems& value) { FSkins.Assign(value); }

private:
  TspSkinListItems FSkins;
};

// The payload of a skin model (version 2).
std::vector<uint8_t> spBuildSkinPayload(const TspSkinModel& skin);
// Reads a payload into a fresh model. False (model untouched) for a version
// above 3; raises EDecompressionError or the readers' errors on bad data.
bool spReadSkinPayload(const std::vector<uint8_t>& payload, TspSkinModel& skin);
// Stored skin -> fresh model: inflate and read. False for a version above 3
// or an empty stored skin.
bool spLoadCompressedSkin(const TspCompressedStoredSkin& stored, TspSkinModel& skin);
