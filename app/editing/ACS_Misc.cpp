#include "app/editing/ACS_Misc.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "app/editing/ACS_Classes.h"
#include "app/editing/taglib.h"

namespace {

std::string LowerExt(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool Supported(const std::string& ext) {
  for (const char* e : {".mp3", ".wma", ".m4a", ".flac", ".wv", ".ogg"})
    if (ext == e) return true;
  return false;
}

// A tag number from its text: false for anything but a whole number >= 0.
bool TagNumber(const std::string& text, unsigned& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < 0 || v > 0x7FFFFFFFL) return false;
  value = static_cast<unsigned>(v);
  return true;
}

// The library's file object, freed whatever happens.
struct TTagFile {
  TagLib_File* file;
  explicit TTagFile(const std::string& fileName)
      : file(tl::taglib_file_new ? tl::taglib_file_new(ToNativePath(fileName).c_str()) : nullptr) {}
  ~TTagFile() {
    if (file && tl::taglib_file_free) tl::taglib_file_free(file);
  }
  TTagFile(const TTagFile&) = delete;
  TTagFile& operator=(const TTagFile&) = delete;
  bool Valid() const { return file && tl::taglib_file_is_valid && tl::taglib_file_is_valid(file) != 0; }
};

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

}  // namespace

void TTagEditor::SetFileName(const std::string& value) {
  FFileName = value;
  if (ComponentState() & csDesigning) return;
  LoadTagLibrary();
  if (!TagLibraryLoaded()) throw EAuException(std::string(TagLibraryName) + " could not be loaded");
  Title.clear();
  Album.clear();
  Artist.clear();
  Genre.clear();
  Year.clear();
  Track.clear();
  FDuration = 0;
  FBitrate = 0;
  FValid = false;
  if (value.empty()) return;
  FValid = Supported(LowerExt(value));
  if (!FValid) return;
  if (tl::taglib_id3v2_set_default_text_encoding) tl::taglib_id3v2_set_default_text_encoding(TagLib_ID3v2_UTF16);
  TTagFile f(value);
  FValid = f.Valid();
  if (!FValid) return;
  const TagLib_AudioProperties* props = tl::taglib_file_audioproperties(f.file);
  TagLib_Tag* tag = tl::taglib_file_tag(f.file);
  if (tag) {
    Title = Text(tl::taglib_tag_title(tag));
    Album = Text(tl::taglib_tag_album(tag));
    Artist = Text(tl::taglib_tag_artist(tag));
    Genre = Text(tl::taglib_tag_genre(tag));
    Year = std::to_string(tl::taglib_tag_year(tag));
    Track = std::to_string(tl::taglib_tag_track(tag));
  }
  if (props) {
    FDuration = static_cast<uint32_t>(tl::taglib_audioproperties_length(props));
    FBitrate = static_cast<uint32_t>(tl::taglib_audioproperties_bitrate(props));
  }
  if (tl::taglib_tag_free_strings) tl::taglib_tag_free_strings();
}

void TTagEditor::Save() {
  if (FFileName.empty() || LowerExt(FFileName) == ".wma") return;
  LoadTagLibrary();
  if (!TagLibraryLoaded()) throw EAuException(std::string(TagLibraryName) + " could not be loaded");
  if (tl::taglib_id3v2_set_default_text_encoding) tl::taglib_id3v2_set_default_text_encoding(TagLib_ID3v2_UTF16);
  TTagFile f(FFileName);
  if (!f.Valid()) return;
  TagLib_Tag* tag = tl::taglib_file_tag(f.file);
  if (!tag) return;
  tl::taglib_tag_set_title(tag, Title.c_str());
  tl::taglib_tag_set_artist(tag, Artist.c_str());
  tl::taglib_tag_set_album(tag, Album.c_str());
  tl::taglib_tag_set_genre(tag, Genre.c_str());
  unsigned number = 0;
  if (TagNumber(Year, number)) tl::taglib_tag_set_year(tag, number);
  if (TagNumber(Track, number)) tl::taglib_tag_set_track(tag, number);
  // The file object goes in every case; only then is a refusal reported.
  if (!tl::taglib_file_save(f.file)) throw EAuException("Failed to save tags");
}
