// The option context and table the option parser's tests and its fuzzer
// share: a context laid out as the transcoder's (plain fields at offsets, and
// per-stream lists each followed by its count), one table row per kind of
// stored value, and a time parser for the "t" row.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "engine/OptionParser.h"

struct TOptionTestContext {
  int flag = -1;
  int rate = 0;
  int64_t big = 0;
  float quality = 0;
  double ratio = 0;
  int64_t duration = 0;
  char* format = nullptr;
  TSpecifierOpt* codec_names = nullptr;  // texts per stream
  int nb_codec_names = 0;
  TSpecifierOpt* numbers = nullptr;  // integers per stream
  int nb_numbers = 0;

  TOptionTestContext() = default;
  TOptionTestContext(const TOptionTestContext&) = delete;
  TOptionTestContext& operator=(const TOptionTestContext&) = delete;
  // What the parser stored is the context's to free.
  ~TOptionTestContext() {
    std::free(format);
    for (int i = 0; i < nb_codec_names; ++i) {
      std::free(codec_names[i].specifier);
      std::free(codec_names[i].u.str);
    }
    std::free(codec_names);
    for (int i = 0; i < nb_numbers; ++i) std::free(numbers[i].specifier);
    std::free(numbers);
  }
};

// Seconds with an optional fraction, as microseconds; anything else, or a
// value beyond 64 bits, is refused.
inline int ParseTestSeconds(int64_t* result, const char* text, int) {
  char* end = nullptr;
  const double s = std::strtod(text, &end);
  if (end == text || *end || !std::isfinite(s) || std::fabs(s) > 9.2e12) return -22;
  *result = static_cast<int64_t>(s * 1000000);
  return 0;
}

// Makes ParseTestSeconds the parser's time parser.
inline void UseTestTimeParser() {
  TOptionLibrary lib = OptionLibrary();
  lib.parse_time = ParseTestSeconds;
  SetOptionLibrary(lib);
}

// A row per stored kind (each at its field of TOptionTestContext), then
// `handlerRows`, then the row that ends a table.
inline std::vector<TOptionDef> OptionTestTable(std::initializer_list<TOptionDef> handlerRows) {
  std::vector<TOptionDef> table = {
      {"flag", ofBool | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, flag)), "", ""},
      {"ar", ofHasArg | ofInt | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, rate)), "", ""},
      {"big", ofHasArg | ofInt64 | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, big)), "", ""},
      {"q", ofHasArg | ofFloat | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, quality)), "", ""},
      {"ratio", ofHasArg | ofDouble | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, ratio)), "", ""},
      {"t", ofHasArg | ofTime | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, duration)), "", ""},
      {"f", ofHasArg | ofString | ofOffset, TOptDefUnion(offsetof(TOptionTestContext, format)), "", ""},
      {"c", ofHasArg | ofString | ofSpec, TOptDefUnion(offsetof(TOptionTestContext, codec_names)), "", ""},
      {"n", ofHasArg | ofInt | ofSpec, TOptDefUnion(offsetof(TOptionTestContext, numbers)), "", ""},
  };
  table.insert(table.end(), handlerRows);
  table.push_back({nullptr, 0, TOptDefUnion(), nullptr, nullptr});
  return table;
}
