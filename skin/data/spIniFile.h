// The skin's description file held in memory: sections of key = value lines.
//
// Platform-neutral (no windows.h): the skin readers, the packer and the
// fuzzers share it. Section and key names compare without regard to ASCII
// case; the first of two equal keys wins, as the platform's ini access does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TspMemIni {
public:
  TspMemIni() = default;
  explicit TspMemIni(const std::string& text) { SetText(text); }

  // Replaces the content by the parsed text: "[name]" lines open a section,
  // "key=value" lines fill it, blanks around names and values are dropped,
  // lines starting with ';' and lines without '=' are ignored.
  void SetText(const std::string& text);
  // The whole content as text, CR LF line ends, sections in creation order.
  std::string GetText() const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // The stored text, or def when the key is missing (a present empty value is "").
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // A present key that is no integer gives def.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  // Sets the first key of that name, or appends it (and the section) when missing.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void EraseSection(const std::string& section);
  std::vector<std::string> Sections() const;
  void Clear();

  bool LoadFromFile(const std::string& nativePath);   // false when it cannot be read
  bool SaveToFile(const std::string& nativePath) const;

private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> lines;
    std::unordered_map<std::string, size_t> index;   // folded key -> first line
  };
  Section* Find(const std::string& section);
  const Section* Find(const std::string& section) const;

  std::vector<std::unique_ptr<Section>> FSections;
  std::unordered_map<std::string, Section*> FIndex;   // folded name -> section
};

std::string spLowerAscii(std::string s);
// Strict integer text: optional sign and decimal digits, or "$"/"0x"/"0X" and
// up to eight hex digits (read as the 32-bit pattern). False on anything else.
bool spTryStrToInt(const std::string& s, int32_t& value);
