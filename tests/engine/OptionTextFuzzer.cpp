// Option text from profiles, custom profiles and users reaches the splitter
// and the option parser: neither may crash or leak on any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/OptionParser.h"
#include "engine/TextUtils.h"
#include "framework/SysUtils.h"

namespace {

struct TContext {
  int flag;
  int i;
  int64_t i64;
  float f;
  double d;
  int64_t t;
  char* s;
  TSpecifierOpt* spec;
  int nb_spec;
  TSpecifierOpt* numbers;
  int nb_numbers;
};

int Handler(void*, const char* opt, const char* arg) { return arg && arg[0] == '!' ? -22 : 0; }
int Handler2(void*, void*, const char* opt, const char* arg) {
  if (arg && arg[0] == 'x') OptionErrorText() = std::string("handler refused ") + arg;
  return arg && arg[0] == 'x' ? -1 : 0;
}

int ParseTime(int64_t* result, const char* text, int) {
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end) return -22;
  *result = v;
  return 0;
}

const TOptionDef kTable[] = {
    {"flag", ofBool | ofOffset, TOptDefUnion(offsetof(TContext, flag)), "", ""},
    {"i", ofHasArg | ofInt | ofOffset, TOptDefUnion(offsetof(TContext, i)), "", ""},
    {"l", ofHasArg | ofInt64 | ofOffset, TOptDefUnion(offsetof(TContext, i64)), "", ""},
    {"f", ofHasArg | ofFloat | ofOffset, TOptDefUnion(offsetof(TContext, f)), "", ""},
    {"d", ofHasArg | ofDouble | ofOffset, TOptDefUnion(offsetof(TContext, d)), "", ""},
    {"t", ofHasArg | ofTime | ofOffset, TOptDefUnion(offsetof(TContext, t)), "", ""},
    {"s", ofHasArg | ofString | ofOffset, TOptDefUnion(offsetof(TContext, s)), "", ""},
    {"c", ofHasArg | ofString | ofSpec, TOptDefUnion(offsetof(TContext, spec)), "", ""},
    {"n", ofHasArg | ofInt | ofSpec, TOptDefUnion(offsetof(TContext, numbers)), "", ""},
    {"h", ofHasArg, TOptDefUnion(&Handler), "", ""},
    {"g", ofHasArg | ofFunc2, TOptDefUnion(&Handler2), "", ""},
    {"default", ofHasArg, TOptDefUnion(&Handler), "", ""},
    {nullptr, 0, TOptDefUnion(), nullptr, nullptr},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool once = [] {
    TOptionLibrary lib = OptionLibrary();
    lib.parse_time = ParseTime;
    SetOptionLibrary(lib);
    return true;
  }();
  (void)once;
  if (size == 0) return 0;
  const bool halt = data[0] & 1;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  int chars = 0, argc = 0;
  SplitCommandLine(text.c_str(), nullptr, nullptr, chars, argc);
  std::vector<char*> argv(static_cast<size_t>(argc));
  std::vector<char> buffer(static_cast<size_t>(chars) + 1);
  SplitCommandLine(text.c_str(), argv.data(), buffer.data(), chars, argc);

  TContext ctx{};
  try {
    ParseOptionList(&ctx, argc - 1, argv.data(), halt, kTable, nullptr);
  } catch (const Exception&) {
  }
  FindLogLevelArgument(argc - 1, argv.data(), kTable);
  std::free(ctx.s);
  for (int k = 0; k < ctx.nb_spec; ++k) {
    std::free(ctx.spec[k].specifier);
    std::free(ctx.spec[k].u.str);
  }
  std::free(ctx.spec);
  for (int k = 0; k < ctx.nb_numbers; ++k) std::free(ctx.numbers[k].specifier);
  std::free(ctx.numbers);
  return 0;
}
