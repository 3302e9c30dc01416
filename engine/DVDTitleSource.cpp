#include "engine/DVDTitleSource.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "engine/AVFormatStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/FFLoad.h"
#include "engine/MyUtils.h"
#include "engine/UnicodeProtocol.h"

namespace {

constexpr const char* Scheme = "opendvd:";
constexpr const char* PlugInFile = "dvddec.dll";
constexpr int IOBufferSize = 32768;

// The plug-in's title stream entry points, bound once per process on first use.
struct TStreamEntries {
  void* (*open)(const char*, int32_t, int32_t, int32_t, int32_t, int32_t, char*, int32_t) = nullptr;
  int32_t (*read)(void*, uint8_t*, int32_t) = nullptr;
  int64_t (*seek)(void*, int64_t) = nullptr;
  int64_t (*size)(void*) = nullptr;
  void (*close)(void*) = nullptr;
  TModuleHandle handle = nullptr;
};

std::mutex entriesLock;
TStreamEntries entries;

bool BindEntries(std::string& error) {
  std::lock_guard<std::mutex> guard(entriesLock);
  if (entries.handle) return true;
  TModuleHandle h = LoadLibraryFromFolder(FFLoader().LibraryPath, PlugInFile, error);
  if (!h) {
    error = std::string("Load library ") + PlugInFile + " error: " + error;
    return false;
  }
  try {
    TStreamEntries e;
    LoadFunction(PlugInFile, h, "DVDOpenTitleStream", false, e.open);
    LoadFunction(PlugInFile, h, "DVDReadTitleStream", false, e.read);
    LoadFunction(PlugInFile, h, "DVDSeekTitleStream", false, e.seek);
    LoadFunction(PlugInFile, h, "DVDTitleStreamSize", false, e.size);
    LoadFunction(PlugInFile, h, "DVDCloseTitleStream", false, e.close);
    e.handle = h;
    entries = e;
  } catch (const std::exception& x) {
    error = x.what();
    FreeLibraryHandle(h);
    return false;
  }
  return true;
}

struct TOpenTitle {
  void* stream = nullptr;
  AVIOContext* io = nullptr;
};

std::mutex openLock;
std::map<AVFormatContext*, TOpenTitle> openTitles;

int ReadPacket(void* opaque, uint8_t* buf, int size) {
  const int32_t n = entries.read(opaque, buf, size);
  return n > 0 ? n : (n == 0 ? AVERROR_EOF : AVERROR(EIO));
}

int64_t SeekStream(void* opaque, int64_t offset, int whence) {
  const int64_t size = entries.size(opaque);
  if (whence & AVSEEK_SIZE) return size;
  whence &= ~AVSEEK_FORCE;
  if (whence == SEEK_END) offset += size;
  // SEEK_CUR is never asked of a stream with a seek function; refuse it.
  else if (whence != SEEK_SET) return AVERROR(EINVAL);
  const int64_t r = entries.seek(opaque, offset);
  return r < 0 ? AVERROR(EINVAL) : r;
}

void FreeTitle(TOpenTitle& t) {
  if (t.io) {
    ff::av_freep(&t.io->buffer);
    ff::avio_context_free(&t.io);
  }
  if (t.stream) entries.close(t.stream);
  t = TOpenTitle();
}

int IntValue(const std::string& text, bool& ok) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  ok = ok && !text.empty() && end && *end == 0;
  return static_cast<int>(v);
}

}  // namespace

bool IsDvdTitleAddress(const std::string& name) { return name.compare(0, std::strlen(Scheme), Scheme) == 0; }

bool ParseDvdTitleAddress(const std::string& name, TDvdTitleAddress& address) {
  address = TDvdTitleAddress();
  if (!IsDvdTitleAddress(name)) return false;
  const std::string rest = name.substr(std::strlen(Scheme));
  // The folder may hold anything but the bar that ends it.
  const size_t bar = rest.rfind('|');
  if (bar == std::string::npos) return false;
  address.folder = rest.substr(0, bar);
  bool ok = !address.folder.empty();
  bool titleSeen = false;
  size_t at = bar + 1;
  while (at <= rest.size()) {
    size_t comma = rest.find(',', at);
    if (comma == std::string::npos) comma = rest.size();
    const std::string item = rest.substr(at, comma - at);
    const size_t eq = item.find('=');
    if (eq != std::string::npos) {
      const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
      int* field = key == "Title"          ? &address.title
                   : key == "FromChapter"  ? &address.fromChapter
                   : key == "ToChapter"    ? &address.toChapter
                   : key == "AudioID"      ? &address.audioID
                   : key == "SubtitleID"   ? &address.subtitleID
                   : key == "AudioChannels" ? &address.audioChannels
                   : key == "Deinterlace"  ? &address.deinterlace
                                           : nullptr;
      if (field) *field = IntValue(value, ok);
      titleSeen = titleSeen || key == "Title";
    }
    at = comma + 1;
  }
  return ok && titleSeen && address.title >= 1;
}

int OpenMediaInput(AVFormatContext** ctx, const std::string& name, const AVInputFormat* format,
                   AVDictionary** options) {
  if (!IsDvdTitleAddress(name)) return ff::avformat_open_input(ctx, name.c_str(), format, options);

  // Every failure path frees the caller's context, as the library does.
  auto fail = [&](int err, const std::string& why) {
    ff::av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", name.c_str(), why.c_str());
    ff::avformat_free_context(*ctx);
    *ctx = nullptr;
    return err;
  };
  TDvdTitleAddress a;
  if (!ParseDvdTitleAddress(name, a)) return fail(AVERROR(EINVAL), "not a DVD title address");
  std::string error;
  if (!BindEntries(error)) return fail(AVERROR(ENOSYS), error);
  const std::string folder = MediaFileName(a.folder);
  if (folder.empty()) return fail(AVERROR(ENOENT), "the DVD folder cannot be reached");

  char why[256] = {};
  TOpenTitle t;
  t.stream = entries.open(folder.c_str(), a.title, a.fromChapter, a.toChapter, a.audioID, a.subtitleID, why,
                          sizeof why);
  if (!t.stream) return fail(AVERROR(ENOENT), why);
  auto* buffer = static_cast<uint8_t*>(ff::av_malloc(IOBufferSize));
  t.io = buffer ? ff::avio_alloc_context(buffer, IOBufferSize, 0, t.stream, ReadPacket, nullptr, SeekStream)
                : nullptr;
  if (!t.io) {
    ff::av_freep(&buffer);
    FreeTitle(t);
    return fail(AVERROR(ENOMEM), "out of memory");
  }
  (*ctx)->pb = t.io;
  (*ctx)->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (!format) format = ff::av_find_input_format("mpeg");
  AVFormatContext* opened = *ctx;
  const int r = ff::avformat_open_input(ctx, name.c_str(), format, options);
  if (r < 0) {
    // The library freed the context but leaves a caller's own I/O alone.
    FreeTitle(t);
    return r;
  }
  std::lock_guard<std::mutex> guard(openLock);
  openTitles[opened] = t;
  return r;
}

void CloseMediaInput(AVFormatContext** ctx) {
  if (!ctx || !*ctx) return;
  TOpenTitle t;
  {
    std::lock_guard<std::mutex> guard(openLock);
    auto it = openTitles.find(*ctx);
    if (it != openTitles.end()) {
      t = it->second;
      openTitles.erase(it);
    }
  }
  ff::avformat_close_input(ctx);
  FreeTitle(t);
}
