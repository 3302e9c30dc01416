// Helpers of the media layer that work on library values: option sets and
// stream specifiers, texts of codecs and times, reading a file into a
// library buffer, and the registries of the program's own input formats and
// filters. All library calls go through the binding (ff::).
#pragma once

#include <cstdint>
#include <string>

#include "engine/FFText.h"
#include "engine/OptionParser.h"
#include "engine/TextUtils.h"

struct AVFilterContext;
struct AVFilterGraph;

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libswscale/swscale.h>
}

// The option sets of one transcoder, decoder or player: scaler options,
// container options and codec options (keys may carry ":" + a specifier).
struct TFFOptions {
  SwsContext* sws_opts = nullptr;
  AVDictionary* format_opts = nullptr;
  AVDictionary* codec_opts = nullptr;
};
void InitFFOptions(TFFOptions& options, int swsFlags);
void UninitFFOptions(TFFOptions& options);

// Catch-all for options no table row knows: codec, container or scaler
// option of the libraries. 0, or a negative code with the option error text.
int OptDefault(TFFOptions& options, const char* opt, const char* arg);

// 1 the stream matches, 0 it does not, AVERROR(EINVAL) invalid specifier.
int CheckStreamSpecifier(AVFormatContext* s, AVStream* st, const char* spec);
// The codec options that apply to this stream and codec (caller frees);
// nullptr when codec is nullptr or a specifier is invalid.
AVDictionary* FilterCodecOpts(AVDictionary* opts, const AVCodec* codec, AVFormatContext* s, AVStream* st);
// One FilterCodecOpts result per stream (av_free the array, av_dict_free each).
AVDictionary** SetupFindStreamInfoOpts(AVFormatContext* s, AVDictionary* codecOpts);

std::string StreamTimeToText(AVRational timeBase, int64_t ts);
std::string CodecNameText(const AVCodecContext* ctx, bool encoder);
std::string DictValue(const AVDictionary* dict, const char* key, const std::string& defaultValue);
const char* ClassItemName(void* context);

// Reads a whole file (a Windows or Unix path) into an av_malloc buffer with
// a zero byte appended; size counts that byte. 0, or a library error code.
int ReadFile(const std::string& fileName, uint8_t*& buffer, int& size);

// The program's own input formats (screen, sound, webcam capture): the
// library can no longer take outside formats, so "-f name" looks here first.
void RegisterInputFormatOnce(const AVInputFormat* format);
const AVInputFormat* FindProgramInputFormat(const char* name);

// The program's own picture filters by name; the filter text translator
// turns them into library filters.
void RegisterFilterOnce(const char* name);
bool ProgramFilterRegistered(const char* name);

// Parses the library filter chain `chain` into `graph`, fed by `source`'s
// output (the chain's "in") and feeding `sink` (its "out"); the library's
// result.
int ParseFilterChainBetween(AVFilterGraph* graph, const std::string& chain, AVFilterContext* source,
                            AVFilterContext* sink);
