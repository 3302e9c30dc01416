#include "engine/OptionValues.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A decimal integer at p (blanks, sign, digits), clamped to int like the C
// runtime's atoi would read it on this platform; `end` after the digits.
bool ReadDecimal(const char* p, long& value, const char*& end) {
  char* stop = nullptr;
  errno = 0;
  long v = std::strtol(p, &stop, 10);
  if (stop == p) return false;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  value = v;
  end = stop;
  return true;
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n\f\v";
  const size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

}  // namespace

double ParseAspectText(const char* text) {
  if (!text) return 0;
  const char* colon = std::strchr(text, ':');
  if (colon) {
    long x = 0, y = 0;
    const char* end = nullptr;
    if (!ReadDecimal(text, x, end)) return 0;
    // The second number is read only when the first ends right at the ":".
    if (end != colon) return 0;
    if (!ReadDecimal(colon + 1, y, end)) return 0;
    return (x > 0 && y > 0) ? static_cast<double>(x) / static_cast<double>(y) : 0;
  }
  char* stop = nullptr;
  const double v = std::strtod(text, &stop);
  if (stop == text || !std::isfinite(v)) return 0;
  return v;
}

int ParseMatrixText(const char* text, uint16_t dest[64]) {
  const char* p = text ? text : "";
  for (int i = 0; i < 64; ++i) {
    dest[i] = static_cast<uint16_t>(std::atoi(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) return i;
    ++p;
  }
  return -1;
}

bool ParseRcOverrideText(const char* text, std::vector<TRcOverrideItem>& items) {
  items.clear();
  const char* p = text ? text : "";
  for (;;) {
    TRcOverrideItem item{};
    const char* end = nullptr;
    long v = 0;
    if (!ReadDecimal(p, v, end) || *end != ',') return false;
    item.start_frame = static_cast<int>(v);
    if (!ReadDecimal(end + 1, v, end) || *end != ',') return false;
    item.end_frame = static_cast<int>(v);
    if (!ReadDecimal(end + 1, v, end)) return false;
    item.q = static_cast<int>(v);
    items.push_back(item);
    const char* slash = std::strchr(end, '/');
    if (!slash) return true;
    p = slash + 1;
  }
}

TStreamIdResult ParseStreamIdText(const std::string& text, int& index, int& value) {
  const size_t colon = text.find(':');
  const std::string a = text.substr(0, colon);
  const std::string b = colon == std::string::npos ? std::string() : text.substr(colon + 1);
  auto whole = [](const std::string& s, int& out) {
    if (s.empty()) return false;
    char* stop = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &stop, 10);
    if (*stop || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
  };
  if (!whole(a, index) || !whole(b, value)) return siSyntax;
  if (index < 0 || index > 1023) return siIndexRange;
  if (value < 0) return siValueRange;
  return siOk;
}

std::vector<std::string> PresetLines(const std::string& text, bool replaceCRLFMarker) {
  std::string t;
  t.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      t += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (replaceCRLFMarker && text.compare(i, 6, "<CRLF>") == 0) {
      t += '\n';
      i += 5;
    } else {
      t += text[i];
    }
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= t.size()) {
    size_t nl = t.find('\n', start);
    if (nl == std::string::npos) nl = t.size();
    const std::string line = Trim(t.substr(start, nl - start));
    if (!line.empty() && line[0] != '#') lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

bool SplitPresetLine(const std::string& line, std::string& key, std::string& value) {
  const size_t eq = line.find('=');
  key = line.substr(0, eq);
  value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
  return !key.empty() && !value.empty();
}

std::vector<std::string> VideoHookWords(const std::string& text) {
  const char* separators = text.find('|') != std::string::npos ? "|" : " ";
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size() && words.size() < 64) {
    const size_t b = text.find_first_not_of(separators, i);
    if (b == std::string::npos) break;
    size_t e = text.find_first_of(separators, b);
    if (e == std::string::npos) e = text.size();
    words.push_back(text.substr(b, e - b));
    i = e;
  }
  return words;
}
