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
#include "OptionTestTable.h"

namespace {

int Handler(void*, const char* opt, const char* arg) { return arg && arg[0] == '!' ? -22 : 0; }
int Handler2(void*, void*, const char* opt, const char* arg) {
  if (arg && arg[0] == 'x') OptionErrorText() = std::string("handler refused ") + arg;
  return arg && arg[0] == 'x' ? -1 : 0;
}

const std::vector<TOptionDef> kRows = OptionTestTable({
    {"h", ofHasArg, TOptDefUnion(&Handler), "", ""},
    {"g", ofHasArg | ofFunc2, TOptDefUnion(&Handler2), "", ""},
    {"default", ofHasArg, TOptDefUnion(&Handler), "", ""},
});
const TOptionDef* const kTable = kRows.data();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool once = [] {
    UseTestTimeParser();
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

  TOptionTestContext ctx;
  try {
    ParseOptionList(&ctx, argc - 1, argv.data(), halt, kTable, nullptr);
  } catch (const Exception&) {
  }
  FindLogLevelArgument(argc - 1, argv.data(), kTable);
  return 0;
}
