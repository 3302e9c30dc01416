// The DVD plug-in the program loads from its library folder: the four entry
// points the program binds, filling its 3960-byte title block, and the title
// stream entry points the engine binds to open "opendvd:" addresses.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "DVDTitles.h"
#include "app/input/DVDPlugIn.h"  // the title block the program reads

namespace {

std::mutex lock;
std::unique_ptr<dvd::TDisc> disc;

template <size_t N>
void CopyText(char (&to)[N], const std::string& from) {
  std::memset(to, 0, N);
  std::memcpy(to, from.data(), std::min(N, from.size()));
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t DVDInitialize(const char*) { return 1; }

__attribute__((visibility("default"))) int32_t DVDGetLibVersion() { return 0x01000000; }

__attribute__((visibility("default"))) int32_t DVDEnumTitle(const char* path) {
  std::lock_guard<std::mutex> guard(lock);
  disc = path ? dvd::TDisc::Open(path) : nullptr;
  return disc ? disc->TitleCount() : 0;
}

__attribute__((visibility("default"))) int32_t DVDGetTitle(int32_t index, void* block) {
  std::lock_guard<std::mutex> guard(lock);
  if (!disc || !block) return 0;
  dvd::TTitleFacts f;
  if (!disc->Title(index + 1, f)) return 0;
  TDVDTitleInfo& b = *static_cast<TDVDTitleInfo*>(block);
  std::memset(&b, 0, sizeof b);
  b.Length = f.length;
  b.VideoType = f.videoType;
  b.VideoID = f.videoID;
  b.Width = f.width;
  b.Height = f.height;
  b.Norm = f.norm;
  b.Aspect = f.aspect;
  for (const auto& a : f.audio) {
    if (b.AudioCount == 8) break;
    TDVDAudioInfo& to = b.Audio[b.AudioCount++];
    to.Type = a.type;
    to.ID = a.id;
    to.SampleRate = a.sampleRate;
    to.Channels = a.channels;
    CopyText(to.LanguageCode, a.code);
    CopyText(to.Language, a.language);
  }
  for (const auto& s : f.subtitles) {
    if (b.SubtitleCount == 32) break;
    TDVDSubtitleInfo& to = b.Subtitles[b.SubtitleCount++];
    to.Type = s.type;
    to.ID = s.id;
    CopyText(to.LanguageCode, s.code);
    CopyText(to.Language, s.language);
  }
  for (double c : f.chapters) {
    if (b.ChapterCount == 100) break;
    b.ChapterLength[b.ChapterCount++] = c;
  }
  b.IsValid = f.valid ? 1 : 0;
  return 1;
}

// Title streams for the engine: open returns a handle or null with the
// reason in `error` (up to errorSize bytes).
__attribute__((visibility("default"))) void* DVDOpenTitleStream(const char* path, int32_t title, int32_t fromChapter,
                                                                int32_t toChapter, int32_t audioID,
                                                                int32_t subtitleID, char* error, int32_t errorSize) {
  std::string why;
  auto s = dvd::TTitleStream::Open(path ? path : "", title, fromChapter, toChapter, audioID, subtitleID, &why);
  if (!s && error && errorSize > 0) {
    std::strncpy(error, why.c_str(), static_cast<size_t>(errorSize) - 1);
    error[errorSize - 1] = 0;
  }
  return s.release();
}

__attribute__((visibility("default"))) int32_t DVDReadTitleStream(void* stream, uint8_t* buf, int32_t size) {
  return static_cast<dvd::TTitleStream*>(stream)->Read(buf, size);
}

__attribute__((visibility("default"))) int64_t DVDSeekTitleStream(void* stream, int64_t position) {
  return static_cast<dvd::TTitleStream*>(stream)->Seek(position);
}

__attribute__((visibility("default"))) int64_t DVDTitleStreamSize(void* stream) {
  return static_cast<dvd::TTitleStream*>(stream)->Size();
}

__attribute__((visibility("default"))) void DVDCloseTitleStream(void* stream) {
  delete static_cast<dvd::TTitleStream*>(stream);
}
}
