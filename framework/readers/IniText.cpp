#include "framework/readers/IniText.h"

#include <algorithm>
#include <string_view>

#include "framework/readers/Errors.h"

// The name helpers below run for every key of every lookup; coverage
// tracing of their byte loops would cost the fuzzers more than it tells.
#if defined(__clang__)
#define TESS_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define TESS_NO_COVERAGE
#endif

namespace {
// Byte -> its ASCII lower case: folding by table, without a test per byte.
struct TLowerTable {
  unsigned char map[256];
  TLowerTable() {
    for (int c = 0; c < 256; ++c) map[c] = (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : (unsigned char)c;
  }
};
const TLowerTable kLower;

TESS_NO_COVERAGE void FoldInto(const std::string& s, std::string& out) {
  out.resize(s.size());
  const unsigned char* from = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0, n = s.size(); i < n; ++i) out[i] = char(kLower.map[from[i]]);
}

TESS_NO_COVERAGE uint32_t FoldedHash(std::string_view s) {
  uint32_t h = 2166136261u;
  for (unsigned char c : s) h = (h ^ kLower.map[c]) * 16777619u;
  return h;
}

TESS_NO_COVERAGE bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (kLower.map[(unsigned char)a[i]] != kLower.map[(unsigned char)b[i]]) return false;
  return true;
}

// Position (0-based) of name in the index, whose positions name the items
// that nameAt gives; npos when absent.
template <class NameAt>
TESS_NO_COVERAGE size_t IndexFind(const TIniData::TNameIndex& index, std::string_view name, NameAt nameAt) {
  const size_t size = index.Slots.size();
  if (size == 0) return std::string::npos;
  const uint32_t h = FoldedHash(name);
  for (size_t i = h & (size - 1);; i = (i + 1) & (size - 1)) {
    const TIniData::TNameIndex::TSlot& slot = index.Slots[i];
    if (slot.Position == 0) return std::string::npos;
    if (slot.Hash == h && SameFolded(nameAt(slot.Position - 1), name)) return slot.Position - 1;
  }
}

TESS_NO_COVERAGE void IndexPlace(std::vector<TIniData::TNameIndex::TSlot>& slots, TIniData::TNameIndex::TSlot slot) {
  for (size_t i = slot.Hash & (slots.size() - 1);; i = (i + 1) & (slots.size() - 1))
    if (!slots[i].Position) {
      slots[i] = slot;
      return;
    }
}

// Adds the position (0-based) of a name.
void IndexAdd(TIniData::TNameIndex& index, std::string_view name, size_t position) {
  if ((index.Count + 1) * 2 > index.Slots.size()) {
    std::vector<TIniData::TNameIndex::TSlot> old;
    old.swap(index.Slots);
    index.Slots.assign(old.empty() ? 16 : old.size() * 2, TIniData::TNameIndex::TSlot{0, 0});
    for (const auto& o : old)
      if (o.Position) IndexPlace(index.Slots, o);
  }
  IndexPlace(index.Slots, TIniData::TNameIndex::TSlot{FoldedHash(name), uint32_t(position + 1)});
  ++index.Count;
}
}  // namespace

std::string AsciiLower(const std::string& s) {
  std::string r;
  FoldInto(s, r);
  return r;
}

bool SameTextAscii(const std::string& a, const std::string& b) { return SameFolded(a, b); }


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
TESS_NO_COVERAGE std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}
}  // namespace

void TIniData::Clear() {
  FLastSection = nullptr;
  FSections.clear();
  FIndex.Clear();
}

size_t TIniData::FindKey(const TSection& s, std::string_view name) {
  return IndexFind(s.Index, name, [&](size_t i) -> std::string_view { return s.Keys[i].Name; });
}

void TIniData::IndexKeys(TSection& s) {
  s.Index.Clear();
  for (size_t i = 0; i < s.Keys.size(); ++i)
    if (FindKey(s, s.Keys[i].Name) == std::string::npos) IndexAdd(s.Index, s.Keys[i].Name, i);
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
    const std::string_view name = TrimView(line.substr(0, eq));
    if (FindKey(*current, name) != std::string::npos) continue;  // the first occurrence wins
    IndexAdd(current->Index, name, current->Keys.size());
    current->Keys.push_back({std::string(name), std::string(TrimView(line.substr(eq + 1)))});
  }
}

std::string TIniData::Format() const {
  std::string out;
  for (size_t i = 0; i < FSections.size(); ++i) {
    if (i) out += "\r\n";
    out += "[" + FSections[i]->Name + "]\r\n";
    for (const TKey& k : FSections[i]->Keys) {
      out += k.Name;
      out += '=';
      out += k.Value;
      out += "\r\n";
    }
  }
  return out;
}

TIniData::TSection* TIniData::FindSection(const std::string& section) {
  // Readers and writers take one section's keys in a row: the last section
  // found answers the same spelling again without a lookup.
  TSection* last = FLastSection.load(std::memory_order_relaxed);
  if (last && last->Name.size() == section.size() && last->Name == section) return last;
  const size_t at =
      IndexFind(FIndex, section, [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  if (at == std::string::npos) return nullptr;
  FLastSection.store(FSections[at].get(), std::memory_order_relaxed);
  return FSections[at].get();
}

const TIniData::TSection* TIniData::FindSection(const std::string& section) const {
  return const_cast<TIniData*>(this)->FindSection(section);
}

TIniData::TSection& TIniData::AddSection(const std::string& name) {
  IndexAdd(FIndex, name, FSections.size());
  FSections.push_back(std::make_unique<TSection>());
  FSections.back()->Name = name;
  FSections.back()->Keys.reserve(16);
  return *FSections.back();
}

bool TIniData::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TIniData::ValueExists(const std::string& section, const std::string& name) const {
  return Find(section, name) != nullptr;
}

const std::string* TIniData::Find(const std::string& section, const std::string& name) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  const size_t at = FindKey(*s, name);
  return at == std::string::npos ? nullptr : &s->Keys[at].Value;
}

void TIniData::Write(const std::string& section, const std::string& name, const std::string& value) {
  TSection* s = FindSection(section);
  if (!s) s = &AddSection(section);
  const size_t at = FindKey(*s, name);
  if (at != std::string::npos) {
    s->Keys[at].Value = value;
    return;
  }
  IndexAdd(s->Index, name, s->Keys.size());
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
  const size_t at =
      IndexFind(FIndex, section, [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  if (at == std::string::npos) return;
  FLastSection = nullptr;
  FSections.erase(FSections.begin() + static_cast<ptrdiff_t>(at));
  Reindex();
}

void TIniData::DeleteKey(const std::string& section, const std::string& name) {
  TSection* s = FindSection(section);
  if (!s) return;
  const size_t at = FindKey(*s, name);
  if (at == std::string::npos) return;
  s->Keys.erase(s->Keys.begin() + static_cast<ptrdiff_t>(at));
  IndexKeys(*s);
}

void TIniData::Reindex() {
  FIndex.Clear();
  for (size_t i = 0; i < FSections.size(); ++i)
    if (IndexFind(FIndex, FSections[i]->Name, [&](size_t j) -> std::string_view { return FSections[j]->Name; }) ==
        std::string::npos)
      IndexAdd(FIndex, FSections[i]->Name, i);
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
