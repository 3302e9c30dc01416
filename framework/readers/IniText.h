// The text form of ini files: sections in brackets, name=value lines, ';'
// comment lines. Names compare without regard to ASCII case; the first
// occurrence of a section or key wins; the order of writing is kept.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ASCII case folding, as names in ini files and the registry are compared.
std::string AsciiLower(const std::string& s);
bool SameTextAscii(const std::string& a, const std::string& b);

// Integer text of ini values: an optional sign and decimal digits, or "$",
// "0x" or "0X" and at most eight hexadecimal digits read as the 32-bit
// pattern (so "$FFFFFFFF" is -1; hexadecimal takes no sign). Nothing else,
// not even blanks, is accepted; false leaves value alone.
bool IniStrToInt(const std::string& text, int32_t& value);

class TIniData {
public:
  // Positions of names in a list by their case-folded hash (open
  // addressing): a lookup folds and hashes the name once and allocates
  // nothing.
  struct TNameIndex {
    struct TSlot {
      uint32_t Hash;
      uint32_t Position;  // 1-based; 0 marks a free slot
    };
    std::vector<TSlot> Slots;  // a power of two long, at most half full
    size_t Count = 0;
    void Clear() {
      Slots.clear();
      Count = 0;
    }
  };
  struct TKey {
    std::string Name;
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TKey> Keys;
    TNameIndex Index;  // folded name -> first key
  };

  TIniData() = default;
  explicit TIniData(const std::string& text) { Parse(text); }
  TIniData(TIniData&& o) noexcept
      : FSections(std::move(o.FSections)), FIndex(std::move(o.FIndex)), FLastSection(o.FLastSection.load()) {
    o.Clear();
  }
  TIniData& operator=(TIniData&& o) noexcept {
    if (this != &o) {
      FSections = std::move(o.FSections);
      FIndex = std::move(o.FIndex);
      FLastSection = o.FLastSection.load();
      o.Clear();
    }
    return *this;
  }

  // Text -> sections. Blanks around names and values are dropped; lines
  // outside any section and lines without '=' are ignored; a NUL byte in
  // the text raises EReadError (no ini file of ours carries one).
  void Parse(const std::string& text);
  // CRLF lines, one blank line between sections.
  std::string Format() const;
  void Clear();

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& name) const;
  // Null when missing.
  const std::string* Find(const std::string& section, const std::string& name) const;
  void Write(const std::string& section, const std::string& name, const std::string& value);

  // Typed access: a missing key gives def; a present one is used as stored
  // (an empty value is ""), and integer text that IniStrToInt refuses gives def.
  std::string ReadString(const std::string& section, const std::string& name, const std::string& def) const;
  int32_t ReadInteger(const std::string& section, const std::string& name, int32_t def) const;
  void WriteString(const std::string& section, const std::string& name, const std::string& value) {
    Write(section, name, value);
  }
  void WriteInteger(const std::string& section, const std::string& name, int32_t value);
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& name);
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(const std::string& section) const;
  // name=value lines of one section
  std::vector<std::string> SectionLines(const std::string& section) const;
  size_t SectionCount() const { return FSections.size(); }

private:
  TSection* FindSection(const std::string& section);
  const TSection* FindSection(const std::string& section) const;
  TSection& AddSection(const std::string& name);
  void Reindex();
  static size_t FindKey(const TSection& s, std::string_view name);
  static void IndexKeys(TSection& s);

  std::vector<std::unique_ptr<TSection>> FSections;
  TNameIndex FIndex;
  // Of the last FindSection; cleared when sections go. Readers of a shared
  // const ini may set it at the same time, so it is atomic.
  std::atomic<TSection*> FLastSection{nullptr};
};
