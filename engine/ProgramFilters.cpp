#include "engine/ProgramFilters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <cerrno>
#include <climits>
#include <cmath>
#include <mutex>
#include <set>

#include "engine/TextUtils.h"

namespace {

int Clamp100(int v) { return std::min(100, std::max(-100, v)); }

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

template <class... A>
std::string Format(const char* format, A... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// A whole decimal number within `lo`..`hi`; the reason when it is not.
bool ToNumber(const std::string& field, long long lo, long long hi, long long& value, std::string& error) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(field.c_str(), &end, 10);
  if (field.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
    error = "'" + field + "' is not a valid integer value";
    return false;
  }
  value = v;
  return true;
}

std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}
std::set<int32_t*>& Registry() {
  static std::set<int32_t*> r;
  return r;
}
bool Registered(int32_t* p) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  return Registry().count(p) > 0;
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return buf;
}

const char* kEqFormats = "format=yuv420p|yuv422p|yuv444p|yuv410p|yuv411p|yuv440p|yuvj420p|yuvj422p|yuvj444p|yuvj440p";

std::string LumaExpression(int brightness, int contrast) {
  // Both at nought the filter leaves the picture alone (the formula would
  // lower every sample by one).
  if (brightness == 0 && contrast == 0) return "val";
  const TEqCoefficients k = EqCoefficients(brightness, contrast);
  return "max(min(floor(val*" + std::to_string(k.K) + "/65536)+" + std::to_string(k.B) + ",255),0)";
}
std::string HueAngle(int hue) { return Number(hue * 180.0 / 100.0); }
std::string Saturation(int saturation) { return Number((saturation + 100) / 100.0); }

const char* FirstName(bool hue) { return hue ? "hue" : "brightness"; }
const char* SecondName(bool hue) { return hue ? "saturation" : "contrast"; }

// Holds a value at -100..100 where it lives, with the filter's message.
int ClampValue(int32_t* address, int& own, const char* name, std::vector<TFilterMessage>& messages, bool& clamped) {
  const int v = address ? *address : own;
  const int c = Clamp100(v);
  clamped = c != v;
  if (clamped) {
    messages.push_back({kFilterLogError, Format("Invalid %s value %d, force to %d\n", name, v, c)});
    if (address)
      *address = c;
    else
      own = c;
  }
  return c;
}

struct TTranslateState {
  int Instances = 0;
  TFilterTranslation* Result;
};

// The library text of one program filter; `done` is false for a filter that
// is not the program's.
std::string Rewrite(const std::string& name, const std::string& args, TTranslateState& st, bool& done) {
  done = false;
  TFilterTranslation& out = *st.Result;
  if (name == "rotate") {
    long long angle = 45;
    std::string error;
    const std::string a = Trim(args);
    // The library's own "rotate" takes named options or radians.
    if (a.find_first_of("=:") != std::string::npos) return "";
    done = true;
    if (!a.empty() && !ToNumber(a, INT32_MIN, INT32_MAX, angle, error)) {
      out.Ok = false;
      out.Messages.push_back({kFilterLogError, Format("failed to parsing parameters: %s\n", error.c_str())});
      return "";
    }
    // The sizes of the turned picture, as the filter works them out with
    // its single-precision sine and cosine.
    const double rad = static_cast<double>(angle) * M_PI / 180.0;
    const double sx = static_cast<float>(std::sin(rad)), cx = static_cast<float>(std::cos(rad));
    const std::string S = Number(sx), C = Number(cx);
    const std::string ow = "floor(max(0,iw*(" + C + "))+max(0,-ih*(" + S + "))+max(0,ih*(" + S + "))+max(0,-iw*(" + C + ")))";
    const std::string oh = "floor(max(0,ih*(" + C + "))+max(0,iw*(" + S + "))+max(0,-ih*(" + C + "))+max(0,-iw*(" + S + ")))";
    return "rotate=a=" + Number(rad) + ":ow='" + ow + "':oh='" + oh + "':bilinear=0:c=black,"
           "setsar=sar='if(sar,1/sar,0)'";
  }
  if (name != "nativeeq" && name != "nativehue") return "";
  done = true;
  const bool hue = name == "nativehue";
  std::string rest = args, f1, f2, f3, error;
  SplitAtDelimiter(rest, ":", true, f1);
  SplitAtDelimiter(rest, ":", true, f2);
  SplitAtDelimiter(rest, ":", true, f3);
  f1 = Trim(f1);
  f2 = Trim(f2);
  f3 = Trim(f3);
  const std::string f4 = Trim(rest);
  TLiveFilter live;
  live.Hue = hue;
  long long v = 0;
  bool ok = true;
  if (ok && !f1.empty()) {
    ok = ToNumber(f1, INT32_MIN, INT32_MAX, v, error);
    live.OwnFirst = static_cast<int>(v);
  }
  v = 0;
  if (ok && !f2.empty()) {
    ok = ToNumber(f2, INT32_MIN, INT32_MAX, v, error);
    live.OwnSecond = static_cast<int>(v);
  }
  int32_t* addresses[2] = {nullptr, nullptr};
  const std::string* fields[2] = {&f3, &f4};
  for (int i = 0; i < 2 && ok; ++i) {
    if (fields[i]->empty()) continue;
    v = 0;
    ok = ToNumber(*fields[i], LLONG_MIN, LLONG_MAX, v, error);
    if (!ok || v == 0) continue;
    auto* p = reinterpret_cast<int32_t*>(static_cast<intptr_t>(v));
    // Only values the program made available may be read and written.
    if (!Registered(p)) {
      ok = false;
      error = "'" + *fields[i] + "' is not a live parameter";
      break;
    }
    addresses[i] = p;
  }
  if (!ok) {
    out.Ok = false;
    out.Messages.push_back({kFilterLogError, Format("failed to parsing parameters: %s\n", error.c_str())});
    return "";
  }
  live.First = addresses[0];
  live.Second = addresses[1];
  bool c1 = false, c2 = false;
  const int a = ClampValue(live.First, live.OwnFirst, FirstName(hue), out.Messages, c1);
  const int b = ClampValue(live.Second, live.OwnSecond, SecondName(hue), out.Messages, c2);
  live.LastFirst = a;
  live.LastSecond = b;
  out.Messages.push_back({kFilterLogDebug, Format("%s:%d, %s:%d\n", FirstName(hue), a, SecondName(hue), b)});
  const bool isLive = live.First || live.Second;
  if (!isLive && a == 0 && b == 0) return "null";
  std::string instance;
  if (isLive) {
    live.Target = std::string(hue ? "hue@nhue" : "lutyuv@neq") + std::to_string(++st.Instances);
    instance = live.Target.substr(live.Target.find('@'));
    out.Live.push_back(live);
  }
  // The chroma planes pass as they are (the filter's default would clip them).
  if (!hue)
    return std::string(kEqFormats) + ",lutyuv" + instance + "=y='" + LumaExpression(a, b) + "':u=val:v=val";
  return "hue" + instance + "=h=" + HueAngle(a) + ":s=" + Saturation(b);
}

// One filter of the chain, with its labels kept around the rewritten text.
std::string RewriteSegment(const std::string& segment, TTranslateState& st) {
  size_t b = 0;
  while (b < segment.size()) {
    while (b < segment.size() && (segment[b] == ' ' || segment[b] == '\t' || segment[b] == '\n')) ++b;
    if (b < segment.size() && segment[b] == '[') {
      const size_t close = segment.find(']', b);
      if (close == std::string::npos) return segment;
      b = close + 1;
    } else {
      break;
    }
  }
  size_t e = segment.size();
  for (;;) {
    size_t t = e;
    while (t > b && (segment[t - 1] == ' ' || segment[t - 1] == '\t' || segment[t - 1] == '\n')) --t;
    if (t > b && segment[t - 1] == ']') {
      const size_t open = segment.rfind('[', t - 1);
      if (open == std::string::npos || open < b) return segment;
      e = open;
    } else {
      e = t;
      break;
    }
  }
  const std::string body = segment.substr(b, e - b);
  const size_t eq = body.find('=');
  const std::string name = Trim(body.substr(0, eq));
  const std::string args = eq == std::string::npos ? "" : body.substr(eq + 1);
  bool done = false;
  const std::string text = Rewrite(name, args, st, done);
  if (!done) return segment;
  return segment.substr(0, b) + text + segment.substr(e);
}

}  // namespace

TEqCoefficients EqCoefficients(int brightness, int contrast) {
  TEqCoefficients k;
  k.K = ((contrast + 100) * 65536) / 100;
  k.B = ((brightness + 100) * 511) / 200 - 128 - (k.K >> 9);
  return k;
}

uint8_t EqSample(uint8_t p, int brightness, int contrast) {
  const TEqCoefficients k = EqCoefficients(brightness, contrast);
  const int v = ((p * k.K) >> 16) + k.B;
  return static_cast<uint8_t>(std::min(255, std::max(0, v)));
}

void HueSample(uint8_t u, uint8_t v, int hue, int saturation, uint8_t& outU, uint8_t& outV) {
  const long double angle = hue * static_cast<long double>(M_PI) / 100;
  const int64_t S = static_cast<int64_t>(std::floor(std::sin(angle) * 65536 * (saturation + 100) / 100 + 0.5L));
  const int64_t C = static_cast<int64_t>(std::floor(std::cos(angle) * 65536 * (saturation + 100) / 100 + 0.5L));
  const int64_t du = u - 128, dv = v - 128;
  const int64_t nu = (C * du - S * dv + 8421376) >> 16;
  const int64_t nv = (S * du + C * dv + 8421376) >> 16;
  outU = static_cast<uint8_t>(std::min<int64_t>(255, std::max<int64_t>(0, nu)));
  outV = static_cast<uint8_t>(std::min<int64_t>(255, std::max<int64_t>(0, nv)));
}

void RotatedSize(int width, int height, int degrees, int& outWidth, int& outHeight) {
  const double rad = degrees * M_PI / 180.0;
  const float sx = static_cast<float>(std::sin(rad)), cx = static_cast<float>(std::cos(rad));
  const float W = static_cast<float>(width), H = static_cast<float>(height);
  auto term = [](float v) { return std::max(0.0f, v); };
  const float transx = term(H * sx) + term(-W * cx);
  const float transy = term(-H * cx) + term(-W * sx);
  outWidth = static_cast<int>(std::floor(term(W * cx) + term(-H * sx) + transx));
  outHeight = static_cast<int>(std::floor(term(H * cx) + term(W * sx) + transy));
}

void RegisterLiveParameter(int32_t* address) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().insert(address);
}

void UnregisterLiveParameter(int32_t* address) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().erase(address);
}

bool LiveParameterRegistered(int32_t* address) { return Registered(address); }

TFilterTranslation TranslateFilterChain(const std::string& chain) {
  TFilterTranslation result;
  TTranslateState st{0, &result};
  if (chain.find("native") == std::string::npos && chain.find("rotate") == std::string::npos) {
    result.Chain = chain;
    return result;
  }
  std::string out;
  std::string segment;
  bool quoted = false;
  for (size_t i = 0; i < chain.size(); ++i) {
    const char c = chain[i];
    if (c == '\\' && i + 1 < chain.size()) {
      segment += c;
      segment += chain[++i];
      continue;
    }
    if (c == '\'') quoted = !quoted;
    if (!quoted && (c == ',' || c == ';')) {
      out += RewriteSegment(segment, st);
      out += c;
      segment.clear();
      continue;
    }
    segment += c;
  }
  out += RewriteSegment(segment, st);
  result.Chain = out;
  return result;
}

std::string TranslateProgramFilters(const std::string& chain) {
  const TFilterTranslation t = TranslateFilterChain(chain);
  return t.Ok ? t.Chain : chain;
}

std::vector<TFilterCommand> PollLiveFilter(TLiveFilter& f, std::vector<TFilterMessage>& messages) {
  std::vector<TFilterCommand> commands;
  bool c1 = false, c2 = false;
  const int a = ClampValue(f.First, f.OwnFirst, FirstName(f.Hue), messages, c1);
  const int b = ClampValue(f.Second, f.OwnSecond, SecondName(f.Hue), messages, c2);
  // A value just held at its bound counts as seen (no news in the log);
  // the graph still takes it, as it holds the values last handed to it.
  const int seenA = c1 ? a : f.LastFirst, seenB = c2 ? b : f.LastSecond;
  if (a != seenA || b != seenB)
    messages.push_back({kFilterLogDebug, Format("%s:%d, %s:%d\n", FirstName(f.Hue), a, SecondName(f.Hue), b)});
  if (a == f.LastFirst && b == f.LastSecond) return commands;
  if (f.Hue) {
    if (a != f.LastFirst) commands.push_back({f.Target, "h", HueAngle(a)});
    if (b != f.LastSecond) commands.push_back({f.Target, "s", Saturation(b)});
  } else {
    commands.push_back({f.Target, "y", LumaExpression(a, b)});
  }
  f.LastFirst = a;
  f.LastSecond = b;
  return commands;
}
