#include "engine/OptionParser.h"

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/FFText.h"
#include "framework/SysUtils.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace {

char* PlainStrdup(const char* s) { return ::strdup(s); }
void* PlainRealloc(void* p, size_t size) { return std::realloc(p, size); }
void PlainFree(void* p) { std::free(p); }
int NoParseTime(int64_t*, const char*, int) { return AVERROR(EINVAL); }

const TOptionLibrary kPlainLibrary = {PlainStrdup, PlainRealloc, PlainFree, NoParseTime, nullptr};
TOptionLibrary gLibrary = kPlainLibrary;

template <class... A>
void LogError(const char* format, A... args) {
  if (gLibrary.log) gLibrary.log(nullptr, AV_LOG_ERROR, format, args...);
}

// Fills the "%s" places of `format` in order. Arguments may be any length
// (option text comes from users and files), so no fixed buffer is involved.
std::string Format(const char* format, const char* a, const char* b = nullptr) {
  const char* args[2] = {a ? a : "", b ? b : ""};
  int next = 0;
  std::string r;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's' && next < 2) {
      r += args[next++];
      ++p;
    } else {
      r += *p;
    }
  }
  return r;
}

bool StartsWith(const char* s, const char* prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

void SkipBlanks(const char*& p) {
  while (*p == ' ' || *p == '\t') ++p;
}

// Whole-text integer in the runtime's syntax: blanks, a sign, then decimal
// digits or "$"/"0x" and hexadecimal digits. False on anything else or when
// the value does not fit between lo and hi (hexadecimal up to `hexMax`,
// taken as the bit pattern).
bool ReadInteger(const char* text, int64_t lo, int64_t hi, uint64_t hexMax, int64_t& value) {
  if (!text) return false;
  const char* p = text;
  SkipBlanks(p);
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int base = 10;
  if (*p == '$') {
    base = 16;
    ++p;
  } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  uint64_t magnitude = 0;
  const char* digits = p;
  for (; *p; ++p) {
    int d;
    if (*p >= '0' && *p <= '9')
      d = *p - '0';
    else if (base == 16 && *p >= 'a' && *p <= 'f')
      d = *p - 'a' + 10;
    else if (base == 16 && *p >= 'A' && *p <= 'F')
      d = *p - 'A' + 10;
    else
      return false;
    if (magnitude > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  if (p == digits) return false;
  if (base == 16) {
    if (magnitude > hexMax) return false;
    // The bit pattern of the target width.
    int64_t v = hexMax == UINT32_MAX ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(magnitude)))
                                     : static_cast<int64_t>(magnitude);
    value = negative ? -v : v;
    if (value < lo || value > hi) return false;
    return true;
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(-(lo + 1)) + 1) return false;
    value = magnitude == static_cast<uint64_t>(-(lo + 1)) + 1 ? lo : -static_cast<int64_t>(magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(hi)) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

// Whole-text decimal number: blanks, sign, digits with one ".", an optional
// exponent, blanks. No "inf", "nan" or hexadecimal forms.
bool ReadFloat(const char* text, double& value) {
  if (!text) return false;
  const char* p = text;
  SkipBlanks(p);
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (*p >= '0' && *p <= '9') ++p, digits = true;
  if (*p == '.') {
    ++p;
    while (*p >= '0' && *p <= '9') ++p, digits = true;
  }
  if (!digits) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!(*p >= '0' && *p <= '9')) return false;
    while (*p >= '0' && *p <= '9') ++p;
  }
  const char* end = p;
  SkipBlanks(p);
  if (*p) return false;
  // Whatever locale the process runs in, "." is the separator here.
  if (*start == '+') ++start;
  const std::from_chars_result r = std::from_chars(start, end, value);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

}  // namespace

void SetOptionLibrary(const TOptionLibrary& library) { gLibrary = library; }
void ResetOptionLibrary() { gLibrary = kPlainLibrary; }
const TOptionLibrary& OptionLibrary() { return gLibrary; }

std::string& OptionErrorText() {
  thread_local std::string text;
  return text;
}

int ParseInteger(const char* opt, const char* arg) {
  int64_t v;
  if (!ReadInteger(arg, INT32_MIN, INT32_MAX, UINT32_MAX, v))
    throw Exception(Format("Expected integer for %s but found %s", opt, arg));
  return static_cast<int>(v);
}

int64_t ParseInt64(const char* opt, const char* arg) {
  int64_t v;
  if (!ReadInteger(arg, INT64_MIN, INT64_MAX, UINT64_MAX, v))
    throw Exception(Format("Expected int64 for %s but found %s", opt, arg));
  return v;
}

float ParseSingle(const char* opt, const char* arg) {
  double v;
  if (!ReadFloat(arg, v) || std::fabs(v) > FLT_MAX)
    throw Exception(Format("Expected float for %s but found %s", opt, arg));
  return static_cast<float>(v);
}

double ParseDouble(const char* opt, const char* arg) {
  double v;
  if (!ReadFloat(arg, v)) throw Exception(Format("Expected double for %s but found %s", opt, arg));
  return v;
}

int64_t ParseTime(const char* opt, const char* arg, int isDuration) {
  int64_t us = 0;
  if (!arg || gLibrary.parse_time(&us, arg, isDuration) < 0)
    throw Exception("Invalid " + std::string(isDuration ? "duration" : "date") + " specification for " +
                    (opt ? opt : "") + ": " + (arg ? arg : ""));
  return us;
}

void* GrowArray(void* array, size_t elemSize, int& count, int newCount) {
  if (newCount >= INT_MAX / static_cast<int>(elemSize)) throw Exception("Array too big.");
  if (count < newCount) {
    auto* bigger = static_cast<uint8_t*>(gLibrary.realloc(array, static_cast<size_t>(newCount) * elemSize));
    if (!bigger) throw Exception("Could not alloc buffer.");
    std::memset(bigger + static_cast<size_t>(count) * elemSize, 0,
                static_cast<size_t>(newCount - count) * elemSize);
    count = newCount;
    return bigger;
  }
  return array;
}

const TOptionDef* FindOption(const TOptionDef* table, const char* name) {
  const char* colon = std::strchr(name, ':');
  const size_t len = colon ? static_cast<size_t>(colon - name) : std::strlen(name);
  const TOptionDef* po = table;
  for (; po->name; ++po)
    if (std::strlen(po->name) == len && std::strncmp(po->name, name, len) == 0) break;
  return po;
}

int ParseOption(void* optctx, const char* opt, const char* arg, const TOptionDef* table, void* owner) {
  int boolValue = 1;
  const TOptionDef* po = FindOption(table, opt);
  bool unrecognised = false;
  if (!po->name && StartsWith(opt, "no")) {
    po = FindOption(table, opt + 2);
    if (po->name && (po->flags & ofBool))
      boolValue = 0;
    else
      unrecognised = true;
  }
  if (!unrecognised && !po->name) po = FindOption(table, "default");
  if (unrecognised || !po->name) {
    OptionErrorText() = Format("Unrecognized option \"%s\"", opt);
    LogError("Unrecognized option \"%s\"\n", opt);
    return AVERROR(EINVAL);
  }
  if ((po->flags & ofHasArg) && !arg) {
    OptionErrorText() = Format("Missing argument for option \"%s\"", opt);
    LogError("Missing argument for option \"%s\"\n", opt);
    return AVERROR(EINVAL);
  }

  void* dst = (po->flags & (ofOffset | ofSpec)) ? static_cast<uint8_t*>(optctx) + po->u.off : po->u.dst_ptr;
  if (po->flags & ofSpec) {
    auto** entries = static_cast<TSpecifierOpt**>(dst);
    int* count = reinterpret_cast<int*>(static_cast<uint8_t*>(dst) + sizeof(TSpecifierOpt*));
    const char* colon = std::strchr(opt, ':');
    *entries = static_cast<TSpecifierOpt*>(GrowArray(*entries, sizeof(TSpecifierOpt), *count, *count + 1));
    TSpecifierOpt& entry = (*entries)[*count - 1];
    entry.specifier = gLibrary.strdup(colon ? colon + 1 : "");
    dst = &entry.u;
  }

  const uint32_t f = po->flags;
  if (f & ofString) {
    char* copy = gLibrary.strdup(arg ? arg : "");
    gLibrary.free(*static_cast<char**>(dst));
    *static_cast<char**>(dst) = copy;
  }
  else if (f & ofBool)
    *static_cast<int*>(dst) = boolValue;
  else if (f & ofInt)
    *static_cast<int*>(dst) = ParseInteger(opt, arg);
  else if (f & ofInt64)
    *static_cast<int64_t*>(dst) = ParseInt64(opt, arg);
  else if (f & ofTime)
    *static_cast<int64_t*>(dst) = ParseTime(opt, arg, 1);
  else if (f & ofFloat)
    *static_cast<float*>(dst) = ParseSingle(opt, arg);
  else if (f & ofDouble)
    *static_cast<double*>(dst) = ParseDouble(opt, arg);
  else if ((f & ofFunc2) ? po->u.func2_arg != nullptr : po->u.func_arg != nullptr) {
    OptionErrorText().clear();
    const int r = (f & ofFunc2) ? po->u.func2_arg(owner, optctx, opt, arg) : po->u.func_arg(owner, opt, arg);
    if (r < 0) {
      std::string& text = OptionErrorText();
      const std::string failed = Format("Failed to set value \"%s\" for option \"%s\"", arg, opt);
      text = text.empty() ? failed : text + "\r\n" + failed;
      LogError("Failed to set value \"%s\" for option \"%s\"\n", arg ? arg : "", opt);
      return r;
    }
  }
  return (f & ofHasArg) ? 1 : 0;
}

int ParseOptionList(void* optctx, int count, char* const* words, bool halt, const TOptionDef* table,
                    void* owner) {
  int i = 0;
  while (i < count) {
    const char* w = words[i];
    ++i;
    if (w[0] == '-' && w[1] != '\0') {
      OptionErrorText().clear();
      const int r = ParseOption(optctx, w + 1, i < count ? words[i] : nullptr, table, owner);
      if (r < 0) {
        if (halt) {
          if (OptionErrorText().empty()) OptionErrorText() = FormatAVError("Failed to parse options", r);
          return r;
        }
        // Not halting: go on with the next word.
        continue;
      }
      i += r;
    } else if (halt) {
      if (w[0] == '\0') {
        OptionErrorText() = "Failed to parse options";
        LogError("Failed to parse options\n");
      } else {
        OptionErrorText() = std::string("Failed to parse options on ") + w;
        LogError("Failed to parse options on %s\n", w);
      }
      return -1;
    } else {
      LogError("Invalid option found while parsing options, ignore\n");
    }
  }
  return 0;
}

int LocateOption(int count, char* const* words, const TOptionDef* table, const char* name) {
  for (int i = 0; i < count; ++i) {
    const char* w = words[i];
    if (w[0] != '-') continue;
    const char* o = w + 1;
    const TOptionDef* po = FindOption(table, o);
    if (!po->name && StartsWith(o, "no")) po = FindOption(table, o + 2);
    if ((!po->name && std::strcmp(o, name) == 0) || (po->name && std::strcmp(po->name, name) == 0))
      return i;
    if (po->name && (po->flags & ofHasArg)) ++i;
  }
  return -1;
}

const char* FindLogLevelArgument(int count, char* const* words, const TOptionDef* table) {
  int idx = LocateOption(count, words, table, "loglevel");
  if (idx < 0) idx = LocateOption(count, words, table, "v");
  if (idx >= 0 && idx + 1 < count) return words[idx + 1];
  return nullptr;
}
