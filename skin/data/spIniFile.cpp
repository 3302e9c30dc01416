#include "skin/data/spIniFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

std::string spLowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

static std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (unsigned char)s[b] <= ' ') ++b;
  while (e > b && (unsigned char)s[e - 1] <= ' ') --e;
  return s.substr(b, e - b);
}

bool spTryStrToInt(const std::string& s, int32_t& value) {
  size_t i = 0;
  if (s.empty()) return false;
  bool hex = false;
  if (s[0] == '$') { hex = true; i = 1; }
  else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) { hex = true; i = 2; }
  if (hex) {
    if (i >= s.size() || s.size() - i > 8) return false;
    uint32_t v = 0;
    for (; i < s.size(); ++i) {
      char c = s[i];
      int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + uint32_t(d);
    }
    value = int32_t(v);
    return true;
  }
  bool neg = false;
  if (s[0] == '-' || s[0] == '+') { neg = s[0] == '-'; i = 1; }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (neg) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  value = int32_t(v);
  return true;
}

void TspMemIni::Clear() {
  FSections.clear();
  FIndex.clear();
}

void TspMemIni::SetText(const std::string& text) {
  Clear();
  Section* current = nullptr;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = Find(name);
      if (!current) {
        FSections.push_back(std::make_unique<Section>());
        current = FSections.back().get();
        current->name = name;
        FIndex.emplace(spLowerAscii(name), current);
      }
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos || !current) continue;
    std::string key = Trim(line.substr(0, eq));
    current->lines.emplace_back(key, Trim(line.substr(eq + 1)));
    current->index.emplace(spLowerAscii(key), current->lines.size() - 1);
  }
}

std::string TspMemIni::GetText() const {
  std::string out;
  for (const auto& s : FSections) {
    out += "[" + s->name + "]\r\n";
    for (const auto& kv : s->lines) out += kv.first + "=" + kv.second + "\r\n";
    out += "\r\n";
  }
  return out;
}

TspMemIni::Section* TspMemIni::Find(const std::string& section) {
  auto it = FIndex.find(spLowerAscii(section));
  return it == FIndex.end() ? nullptr : it->second;
}

const TspMemIni::Section* TspMemIni::Find(const std::string& section) const {
  auto it = FIndex.find(spLowerAscii(section));
  return it == FIndex.end() ? nullptr : it->second;
}

bool TspMemIni::SectionExists(const std::string& section) const { return Find(section) != nullptr; }

bool TspMemIni::ValueExists(const std::string& section, const std::string& key) const {
  const Section* s = Find(section);
  return s && s->index.count(spLowerAscii(key));
}

std::string TspMemIni::ReadString(const std::string& section, const std::string& key,
                                  const std::string& def) const {
  const Section* s = Find(section);
  if (!s) return def;
  auto it = s->index.find(spLowerAscii(key));
  return it == s->index.end() ? def : s->lines[it->second].second;
}

int32_t TspMemIni::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
  const Section* s = Find(section);
  if (!s) return def;
  auto it = s->index.find(spLowerAscii(key));
  if (it == s->index.end()) return def;
  int32_t v;
  return spTryStrToInt(s->lines[it->second].second, v) ? v : def;
}

void TspMemIni::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = Find(section);
  if (!s) {
    FSections.push_back(std::make_unique<Section>());
    s = FSections.back().get();
    s->name = section;
    FIndex.emplace(spLowerAscii(section), s);
  }
  std::string folded = spLowerAscii(key);
  auto it = s->index.find(folded);
  if (it != s->index.end()) {
    s->lines[it->second].second = value;
  } else {
    s->lines.emplace_back(key, value);
    s->index.emplace(folded, s->lines.size() - 1);
  }
}

void TspMemIni::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TspMemIni::EraseSection(const std::string& section) {
  auto it = FIndex.find(spLowerAscii(section));
  if (it == FIndex.end()) return;
  Section* s = it->second;
  FIndex.erase(it);
  for (auto i = FSections.begin(); i != FSections.end(); ++i)
    if (i->get() == s) {
      FSections.erase(i);
      break;
    }
}

std::vector<std::string> TspMemIni::Sections() const {
  std::vector<std::string> names;
  for (const auto& s : FSections) names.push_back(s->name);
  return names;
}

bool TspMemIni::LoadFromFile(const std::string& nativePath) {
  std::ifstream f(nativePath, std::ios::binary);
  if (!f) return false;
  std::ostringstream ss;
  ss << f.rdbuf();
  SetText(ss.str());
  return true;
}

bool TspMemIni::SaveToFile(const std::string& nativePath) const {
  std::ofstream f(nativePath, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  std::string t = GetText();
  f.write(t.data(), std::streamsize(t.size()));
  return bool(f);
}
