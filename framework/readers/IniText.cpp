#include "framework/readers/IniText.h"

#include <algorithm>
#include <string_view>

#include "framework/readers/Errors.h"

namespace {
// Byte -> its ASCII lower case: folding by table, without a test per byte.
struct TLowerTable {
  unsigned char map[256];
  TLowerTable() {
    for (int c = 0; c < 256; ++c) map[c] = (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : (unsigned char)c;
  }
};
const TLowerTable kLower;

void FoldInto(const std::string& s, std::string& out) {
  out.resize(s.size());
  const unsigned char* from = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0, n = s.size(); i < n; ++i) out[i] = char(kLower.map[from[i]]);
}

// The folded form of a name looked up, kept in one buffer per thread: the
// lookups run for every key of every description.
const std::string& FoldedName(const std::string& s) {
  thread_local std::string buffer;
  FoldInto(s, buffer);
  return buffer;
}
}  // namespace

std::string AsciiLower(const std::string& s) {
  std::string r;
  FoldInto(s, r);
  return r;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (kLower.map[(unsigned char)a[i]] != kLower.map[(unsigned char)b[i]]) return false;
  return true;
}

bool IniStrToInt(const std::string& s, int32_t& value) {
  size_t i = 0;
  if (s.empty()) return false;
  bool hex = false;
  if (s[0] == '$') {
    hex = true;
    i = 1;
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = true;
    i = 2;
  }
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
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    i = 1;
  }
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

namespace {
std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}
}  // namespace

void TIniData::Clear() {
  FSections.clear();
  FIndex.clear();
}

void TIniData::Parse(const std::string& text) {
  Clear();
  if (text.find('\0') != std::string::npos)
    throw EReadError("Invalid ini file: it holds a NUL byte, so it is not text");
  TSection* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = TrimView(std::string_view(text).substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      const std::string name(TrimView(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
      current = FindSection(name);
      if (!current) current = &AddSection(name);
      continue;
    }
    if (!current) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string name(TrimView(line.substr(0, eq)));
    const std::string& folded = FoldedName(name);
    if (current->Index.count(folded)) continue;  // the first occurrence wins
    current->Index.emplace(folded, current->Keys.size());
    current->Keys.push_back({std::move(name), std::string(TrimView(line.substr(eq + 1)))});
  }
}

std::string TIniData::Format() const {
  std::string out;
  for (size_t i = 0; i < FSections.size(); ++i) {
    if (i) out += "\r\n";
    out += "[" + FSections[i]->Name + "]\r\n";
    for (const TKey& k : FSections[i]->Keys) out += k.Name + "=" + k.Value + "\r\n";
  }
  return out;
}

TIniData::TSection* TIniData::FindSection(const std::string& section) {
  auto it = FIndex.find(FoldedName(section));
  return it == FIndex.end() ? nullptr : FSections[it->second].get();
}

const TIniData::TSection* TIniData::FindSection(const std::string& section) const {
  return const_cast<TIniData*>(this)->FindSection(section);
}

TIniData::TSection& TIniData::AddSection(const std::string& name) {
  FIndex[AsciiLower(name)] = FSections.size();
  FSections.push_back(std::make_unique<TSection>());
  FSections.back()->Name = name;
  return *FSections.back();
}

bool TIniData::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TIniData::ValueExists(const std::string& section, const std::string& name) const {
  return Find(section, name) != nullptr;
}

const std::string* TIniData::Find(const std::string& section, const std::string& name) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  auto it = s->Index.find(FoldedName(name));
  return it == s->Index.end() ? nullptr : &s->Keys[it->second].Value;
}

void TIniData::Write(const std::string& section, const std::string& name, const std::string& value) {
  TSection* s = FindSection(section);
  if (!s) s = &AddSection(section);
  const std::string& folded = FoldedName(name);
  auto it = s->Index.find(folded);
  if (it != s->Index.end()) {
    s->Keys[it->second].Value = value;
    return;
  }
  s->Index.emplace(folded, s->Keys.size());
  s->Keys.push_back({name, value});
}

std::string TIniData::ReadString(const std::string& section, const std::string& name,
                                 const std::string& def) const {
  const std::string* v = Find(section, name);
  return v ? *v : def;
}

int32_t TIniData::ReadInteger(const std::string& section, const std::string& name, int32_t def) const {
  const std::string* v = Find(section, name);
  int32_t value;
  return v && IniStrToInt(*v, value) ? value : def;
}

void TIniData::WriteInteger(const std::string& section, const std::string& name, int32_t value) {
  Write(section, name, std::to_string(value));
}

void TIniData::EraseSection(const std::string& section) {
  auto it = FIndex.find(AsciiLower(section));
  if (it == FIndex.end()) return;
  FSections.erase(FSections.begin() + static_cast<ptrdiff_t>(it->second));
  Reindex();
}

void TIniData::DeleteKey(const std::string& section, const std::string& name) {
  TSection* s = FindSection(section);
  if (!s) return;
  auto it = s->Index.find(AsciiLower(name));
  if (it == s->Index.end()) return;
  s->Keys.erase(s->Keys.begin() + static_cast<ptrdiff_t>(it->second));
  s->Index.clear();
  for (size_t i = 0; i < s->Keys.size(); ++i) s->Index.emplace(AsciiLower(s->Keys[i].Name), i);
}

void TIniData::Reindex() {
  FIndex.clear();
  for (size_t i = 0; i < FSections.size(); ++i) FIndex.emplace(AsciiLower(FSections[i]->Name), i);
}

std::vector<std::string> TIniData::SectionNames() const {
  std::vector<std::string> r;
  for (const auto& s : FSections) r.push_back(s->Name);
  return r;
}

std::vector<std::string> TIniData::KeyNames(const std::string& section) const {
  std::vector<std::string> r;
  if (const TSection* s = FindSection(section))
    for (const TKey& k : s->Keys) r.push_back(k.Name);
  return r;
}

std::vector<std::string> TIniData::SectionLines(const std::string& section) const {
  std::vector<std::string> r;
  if (const TSection* s = FindSection(section))
    for (const TKey& k : s->Keys) r.push_back(k.Name + "=" + k.Value);
  return r;
}
