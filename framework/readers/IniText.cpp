#include "framework/readers/IniText.h"

#include <algorithm>
#include <charconv>
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

// Lists up to this long are searched in order; longer ones get an index.
constexpr size_t kUnindexedNames = 8;

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

// Position (0-based) of the first of count names equal to name; npos when
// absent.
template <class NameAt>
TESS_NO_COVERAGE size_t NameFind(const TIniData::TNameIndex& index, size_t count, std::string_view name,
                                 NameAt nameAt) {
  if (!index.Slots.empty()) return IndexFind(index, name, nameAt);
  for (size_t i = 0; i < count; ++i)
    if (SameFolded(nameAt(i), name)) return i;
  return std::string::npos;
}

// Indexes the first occurrence of each of count names, when there are
// enough of them to need an index.
template <class NameAt>
void IndexNames(TIniData::TNameIndex& index, size_t count, NameAt nameAt) {
  index.Clear();
  if (count <= kUnindexedNames) return;
  size_t size = 16;
  while (size < count * 2) size *= 2;
  index.Slots.assign(size, TIniData::TNameIndex::TSlot{0, 0});
  for (size_t i = 0; i < count; ++i)
    if (IndexFind(index, nameAt(i), nameAt) == std::string::npos) IndexAdd(index, nameAt(i), i);
}

// After a new name was appended as item count - 1.
template <class NameAt>
void NameAppended(TIniData::TNameIndex& index, size_t count, NameAt nameAt) {
  if (!index.Slots.empty())
    IndexAdd(index, nameAt(count - 1), count - 1);
  else if (count > kUnindexedNames)
    IndexNames(index, count, nameAt);
}

// The key table's hash: the folded name's, mixed with the section's position.
TESS_NO_COVERAGE uint32_t KeyHash(uint32_t section, std::string_view name) {
  return FoldedHash(name) ^ ((section + 1) * 0x9E3779B1u);
}

TESS_NO_COVERAGE void KeyPlace(TIniData::TKeyIndex& index, TIniData::TKeyIndex::TSlot slot) {
  TIniData::TKeyIndex::TSlot* slots = index.Slots.get();
  const size_t mask = index.Size - 1;
  for (size_t i = slot.Hash & mask;; i = (i + 1) & mask)
    if (!slots[i].Position) {
      slots[i] = slot;
      return;
    }
}

TESS_NO_COVERAGE size_t CountByte(const std::string& text, char c) {
  size_t n = 0;
  for (char t : text) n += t == c;
  return n;
}

TESS_NO_COVERAGE size_t LineEnd(const std::string& text, size_t pos) {
  const char* p = text.data();
  for (size_t n = text.size(); pos < n; ++pos)
    if (p[pos] == '\r' || p[pos] == '\n') return pos;
  return text.size();
}
}  // namespace

std::string AsciiLower(const std::string& s) {
  std::string r;
  FoldInto(s, r);
  return r;
}

bool SameTextAscii(const std::string& a, const std::string& b) { return SameFolded(a, b); }


bool IniStrToInt(std::string_view s, int32_t& value) {
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
  FKeyIndex.Clear();
  FNameBlocks.clear();
  FNameNext = nullptr;
  FNameRoom = 0;
}

std::string_view TIniData::StoreName(std::string_view name) {
  constexpr size_t kBlock = 4096;
  if (name.empty()) return {};
  if (name.size() > FNameRoom) {
    // A name longer than a block gets a block of its own and the open
    // block stays open; otherwise a new block opens.
    const size_t size = std::max(kBlock, name.size());
    FNameBlocks.push_back(std::make_unique<char[]>(size));
    char* block = FNameBlocks.back().get();
    if (size > kBlock) {
      std::copy(name.begin(), name.end(), block);
      return std::string_view(block, name.size());
    }
    FNameNext = block;
    FNameRoom = size;
  }
  char* at = FNameNext;
  std::copy(name.begin(), name.end(), at);
  FNameNext += name.size();
  FNameRoom -= name.size();
  return std::string_view(at, name.size());
}

TESS_NO_COVERAGE size_t TIniData::FindKey(const TSection& s, std::string_view name) const {
  const TKeyIndex::TSlot* slots = FKeyIndex.Slots.get();
  const size_t size = FKeyIndex.Size;
  if (size == 0) return std::string::npos;
  const uint32_t h = KeyHash(s.Position, name);
  for (size_t i = h & (size - 1);; i = (i + 1) & (size - 1)) {
    const TKeyIndex::TSlot& slot = slots[i];
    if (slot.Position == 0) return std::string::npos;
    if (slot.Hash == h && slot.Section == s.Position && SameFolded(s.Keys[slot.Position - 1].Name, name))
      return slot.Position - 1;
  }
}

void TIniData::IndexKey(const TSection& s, size_t position) {
  if ((FKeyIndex.Count + 1) * 2 > FKeyIndex.Size) {
    const std::unique_ptr<TKeyIndex::TSlot[]> old = std::move(FKeyIndex.Slots);
    const size_t oldSize = FKeyIndex.Size, count = FKeyIndex.Count;
    FKeyIndex.Reset(oldSize ? oldSize * 2 : 256);
    for (size_t i = 0; i < oldSize; ++i)
      if (old[i].Position) KeyPlace(FKeyIndex, old[i]);
    FKeyIndex.Count = count;
  }
  KeyPlace(FKeyIndex,
           TKeyIndex::TSlot{KeyHash(s.Position, s.Keys[position].Name), s.Position, uint32_t(position + 1)});
  ++FKeyIndex.Count;
}

// A table with room for expected keys, and the first occurrence of each
// key of every section in it.
void TIniData::ReindexKeys(size_t expected) {
  size_t size = 64;
  while (size < expected * 2) size *= 2;
  FKeyIndex.Reset(size);
  for (const auto& s : FSections)
    for (size_t i = 0; i < s->Keys.size(); ++i)
      if (FindKey(*s, s->Keys[i].Name) == std::string::npos) IndexKey(*s, i);
}

void TIniData::AddKey(TSection& s, std::string_view name, std::string value) {
  s.Keys.push_back({StoreName(name), std::move(value)});
  IndexKey(s, s.Keys.size() - 1);
}

void TIniData::Parse(const std::string& text) {
  Clear();
  if (text.find('\0') != std::string::npos)
    throw EReadError("Invalid ini file: it holds a NUL byte, so it is not text");
  ReindexKeys(CountByte(text, '='));
  TSection* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = LineEnd(text, pos);
    const std::string_view line = TrimView(std::string_view(text).substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      const std::string_view name = TrimView(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      current = FindSection(name);
      if (!current) current = &AddSection(name);
      continue;
    }
    if (!current) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view name = TrimView(line.substr(0, eq));
    if (FindKey(*current, name) != std::string::npos) continue;  // the first occurrence wins
    AddKey(*current, name, std::string(TrimView(line.substr(eq + 1))));
  }
}

std::string TIniData::Format() const {
  size_t size = 0;
  for (const auto& s : FSections) {
    size += s->Name.size() + 6;
    for (const TKey& k : s->Keys) size += k.Name.size() + k.Value.size() + 3;
  }
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < FSections.size(); ++i) {
    if (i) out += "\r\n";
    out += '[';
    out += FSections[i]->Name;
    out += "]\r\n";
    for (const TKey& k : FSections[i]->Keys) {
      out += k.Name;
      out += '=';
      out += k.Value;
      out += "\r\n";
    }
  }
  return out;
}

TIniData::TSection* TIniData::FindSection(std::string_view section) {
  // Readers and writers take one section's keys in a row: the last section
  // found answers the same spelling again without a lookup.
  TSection* last = FLastSection.load(std::memory_order_relaxed);
  if (last && last->Name.size() == section.size() && std::string_view(last->Name) == section) return last;
  const size_t at = NameFind(FIndex, FSections.size(), section,
                             [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  if (at == std::string::npos) return nullptr;
  FLastSection.store(FSections[at].get(), std::memory_order_relaxed);
  return FSections[at].get();
}

const TIniData::TSection* TIniData::FindSection(std::string_view section) const {
  return const_cast<TIniData*>(this)->FindSection(section);
}

TIniData::TSection& TIniData::AddSection(std::string_view name) {
  FSections.push_back(std::make_unique<TSection>());
  FSections.back()->Name = std::string(name);
  FSections.back()->Keys.reserve(32);
  FSections.back()->Position = uint32_t(FSections.size() - 1);
  NameAppended(FIndex, FSections.size(), [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  return *FSections.back();
}

bool TIniData::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniData::ValueExists(std::string_view section, std::string_view name) const {
  return Find(section, name) != nullptr;
}

const std::string* TIniData::Find(std::string_view section, std::string_view name) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  const size_t at = FindKey(*s, name);
  return at == std::string::npos ? nullptr : &s->Keys[at].Value;
}

void TIniData::Write(std::string_view section, std::string_view name, std::string value) {
  TSection* s = FindSection(section);
  if (!s) s = &AddSection(section);
  const size_t at = FindKey(*s, name);
  if (at != std::string::npos)
    s->Keys[at].Value = std::move(value);
  else
    AddKey(*s, name, std::move(value));
}

std::string TIniData::ReadString(std::string_view section, std::string_view name, std::string_view def) const {
  const std::string* v = Find(section, name);
  return v ? *v : std::string(def);
}

int32_t TIniData::ReadInteger(std::string_view section, std::string_view name, int32_t def) const {
  const std::string* v = Find(section, name);
  int32_t value;
  return v && IniStrToInt(*v, value) ? value : def;
}

void TIniData::WriteInteger(std::string_view section, std::string_view name, int32_t value) {
  char text[16];
  const auto r = std::to_chars(text, text + sizeof text, value);
  Write(section, name, std::string(text, r.ptr));
}

void TIniData::EraseSection(std::string_view section) {
  const size_t at = NameFind(FIndex, FSections.size(), section,
                             [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  if (at == std::string::npos) return;
  FLastSection = nullptr;
  FSections.erase(FSections.begin() + static_cast<ptrdiff_t>(at));
  Reindex();
}

void TIniData::DeleteKey(std::string_view section, std::string_view name) {
  TSection* s = FindSection(section);
  if (!s) return;
  const size_t at = FindKey(*s, name);
  if (at == std::string::npos) return;
  s->Keys.erase(s->Keys.begin() + static_cast<ptrdiff_t>(at));
  ReindexKeys(FKeyIndex.Count);
}

void TIniData::Reindex() {
  for (size_t i = 0; i < FSections.size(); ++i) FSections[i]->Position = uint32_t(i);
  IndexNames(FIndex, FSections.size(), [&](size_t i) -> std::string_view { return FSections[i]->Name; });
  ReindexKeys(FKeyIndex.Count);
}

std::vector<std::string> TIniData::SectionNames() const {
  std::vector<std::string> r;
  for (const auto& s : FSections) r.push_back(s->Name);
  return r;
}

std::vector<std::string> TIniData::KeyNames(std::string_view section) const {
  std::vector<std::string> r;
  if (const TSection* s = FindSection(section))
    for (const TKey& k : s->Keys) r.emplace_back(k.Name);
  return r;
}

std::vector<std::string> TIniData::SectionLines(std::string_view section) const {
  std::vector<std::string> r;
  if (const TSection* s = FindSection(section))
    for (const TKey& k : s->Keys) r.push_back(std::string(k.Name) + "=" + k.Value);
  return r;
}
