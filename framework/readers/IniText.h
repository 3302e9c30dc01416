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
bool IniStrToInt(std::string_view text, int32_t& value);

class TIniData {
public:
  // Positions of section names by their case-folded hash (open
  // addressing): a lookup folds and hashes the name once and allocates
  // nothing. A short list goes without one and is searched in order.
  struct TNameIndex {
    struct TSlot {
      uint32_t Hash;
      uint32_t Position;  // 1-based; 0 marks a free slot
    };
    std::vector<TSlot> Slots;  // empty, or a power of two long and at most half full
    size_t Count = 0;
    void Clear() {
      Slots.clear();
      Count = 0;
    }
  };
  // Keys of all sections in one table by the folded hash of their name and
  // section: one table per ini instead of one per section.
  struct TKeyIndex {
    struct TSlot {
      uint32_t Hash;
      uint32_t Section;   // position of the section
      uint32_t Position;  // 1-based in the section's keys; 0 marks a free slot
    };
    std::unique_ptr<TSlot[]> Slots;  // Size long: none, or a power of two and at most half full
    size_t Size = 0;
    size_t Count = 0;
    void Clear() {
      Slots.reset();
      Size = Count = 0;
    }
    // size free slots
    void Reset(size_t size) {
      Slots.reset(new TSlot[size]());
      Size = size;
      Count = 0;
    }
  };
  struct TKey {
    std::string_view Name;  // in the ini's name blocks
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TKey> Keys;
    uint32_t Position = 0;  // in the list of sections
  };

  TIniData() = default;
  explicit TIniData(const std::string& text) { Parse(text); }
  TIniData(TIniData&& o) noexcept
      : FSections(std::move(o.FSections)), FIndex(std::move(o.FIndex)), FKeyIndex(std::move(o.FKeyIndex)),
        FLastSection(o.FLastSection.load()), FNameBlocks(std::move(o.FNameBlocks)), FNameNext(o.FNameNext),
        FNameRoom(o.FNameRoom) {
    o.Clear();
  }
  TIniData& operator=(TIniData&& o) noexcept {
    if (this != &o) {
      FSections = std::move(o.FSections);
      FIndex = std::move(o.FIndex);
      FKeyIndex = std::move(o.FKeyIndex);
      FLastSection = o.FLastSection.load();
      FNameBlocks = std::move(o.FNameBlocks);
      FNameNext = o.FNameNext;
      FNameRoom = o.FNameRoom;
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

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view name) const;
  // Null when missing; valid until the ini changes.
  const std::string* Find(std::string_view section, std::string_view name) const;
  void Write(std::string_view section, std::string_view name, std::string value);

  // Typed access: a missing key gives def; a present one is used as stored
  // (an empty value is ""), and integer text that IniStrToInt refuses gives def.
  std::string ReadString(std::string_view section, std::string_view name, std::string_view def) const;
  int32_t ReadInteger(std::string_view section, std::string_view name, int32_t def) const;
  void WriteString(std::string_view section, std::string_view name, std::string value) {
    Write(section, name, std::move(value));
  }
  void WriteInteger(std::string_view section, std::string_view name, int32_t value);
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view name);
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;
  // name=value lines of one section
  std::vector<std::string> SectionLines(std::string_view section) const;
  size_t SectionCount() const { return FSections.size(); }

private:
  TSection* FindSection(std::string_view section);
  const TSection* FindSection(std::string_view section) const;
  TSection& AddSection(std::string_view name);
  // After sections went: positions and both indexes anew.
  void Reindex();
  size_t FindKey(const TSection& s, std::string_view name) const;
  void AddKey(TSection& s, std::string_view name, std::string value);
  void IndexKey(const TSection& s, size_t position);
  void ReindexKeys(size_t expected);
  std::string_view StoreName(std::string_view name);

  std::vector<std::unique_ptr<TSection>> FSections;
  TNameIndex FIndex;
  TKeyIndex FKeyIndex;
  // Of the last FindSection; cleared when sections go. Readers of a shared
  // const ini may set it at the same time, so it is atomic.
  std::atomic<TSection*> FLastSection{nullptr};
  // Key names, packed one after another into blocks that live as long as
  // the ini: most names are too long for a string's own room, and a key
  // then needed a block of its own.
  std::vector<std::unique_ptr<char[]>> FNameBlocks;
  char* FNameNext = nullptr;
  size_t FNameRoom = 0;
};
