#include "engine/ProgramFilters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/TextUtils.h"

namespace {

int Clamp100(int v) { return std::min(100, std::max(-100, v)); }

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// An empty field keeps 0; a field that is no number leaves the filter
// unchanged, so the library reports the chain as invalid.
bool ToInt(const std::string& field, int& value) {
  if (field.empty()) return true;
  char* end = nullptr;
  const long v = std::strtol(field.c_str(), &end, 10);
  if (*end != '\0') return false;
  value = static_cast<int>(std::max(-1000000L, std::min(1000000L, v)));
  return true;
}

// The two values of an equaliser argument text ("a:b[:addrA[:addrB]]").
bool ParsePair(std::string args, int& first, int& second) {
  first = second = 0;
  std::string f1, f2;
  SplitAtDelimiter(args, ":", true, f1);
  SplitAtDelimiter(args, ":", true, f2);
  return ToInt(Trim(f1), first) && ToInt(Trim(f2), second);
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return buf;
}

std::string Rewrite(const std::string& name, const std::string& args, bool& done) {
  done = false;
  int a = 0, b = 0;
  if (name != "nativeeq" && name != "nativehue") return "";
  if (!ParsePair(args, a, b)) return "";
  a = Clamp100(a);
  b = Clamp100(b);
  done = true;
  if (a == 0 && b == 0) return "null";
  if (name == "nativeeq") {
    const TEqCoefficients k = EqCoefficients(a, b);
    return "format=yuv420p|yuv422p|yuv444p|yuv410p|yuv411p|yuv440p|yuvj420p|yuvj422p|yuvj444p|yuvj440p,"
           "lutyuv=y='max(min(floor(val*" + std::to_string(k.K) + "/65536)+" + std::to_string(k.B) + ",255),0)'";
  }
  return "hue=h=" + Number(a * 180.0 / 100.0) + ":s=" + Number((b + 100) / 100.0);
}

// One filter of the chain, with its labels kept around the rewritten text.
std::string RewriteSegment(const std::string& segment) {
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
  const std::string text = Rewrite(name, args, done);
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

std::string TranslateProgramFilters(const std::string& chain) {
  if (chain.find("native") == std::string::npos) return chain;
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
      out += RewriteSegment(segment);
      out += c;
      segment.clear();
      continue;
    }
    segment += c;
  }
  out += RewriteSegment(segment);
  return out;
}
