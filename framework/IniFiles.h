// Ini files held in memory. TMemIniFile writes the file only on UpdateFile;
// TIniFile writes it after every change, as the system's own ini functions
// do, but reads through the same parser (so an empty value can be told
// from a missing one).
#pragma once

#include <string>

#include "framework/Classes.h"
#include "framework/StringList.h"
#include "framework/readers/IniText.h"

class EIniFileException : public Exception {
public:
  explicit EIniFileException(const std::string& message) : Exception(message) {}
};

class TCustomIniFile : public TObject {
public:
  explicit TCustomIniFile(const std::string& fileName) : FFileName(fileName) {}
  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& defaultValue) const;
  // Decimal or hexadecimal ($1F, 0x1F), as IniStrToInt reads it; anything
  // else gives the default.
  int ReadInteger(const std::string& section, const std::string& name, int defaultValue) const;
  // "0" is false, any other number true; else the default.
  bool ReadBool(const std::string& section, const std::string& name, bool defaultValue) const;
  void WriteString(const std::string& section, const std::string& name, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& name, int value);
  void WriteBool(const std::string& section, const std::string& name, bool value);

  bool SectionExists(const std::string& section) const { return FData.SectionExists(section); }
  bool ValueExists(const std::string& section, const std::string& name) const {
    return FData.ValueExists(section, name);
  }
  void ReadSections(TStrings* strings) const;
  void ReadSection(const std::string& section, TStrings* strings) const;        // key names
  void ReadSectionValues(const std::string& section, TStrings* strings) const;  // name=value
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& name);

  virtual void UpdateFile() = 0;

  // The parsed content, for readers that work on it directly (the skin
  // model reads and writes skin.ini through it); call DataChanged after
  // writing through it so that a write-through file is written.
  TIniData& Data() { return FData; }
  const TIniData& Data() const { return FData; }
  void DataChanged() { Changed(); }

protected:
  virtual void Changed() {}
  TIniData FData;
  std::string FFileName;
};

class TMemIniFile : public TCustomIniFile {
public:
  // Reads the file when it exists (any encoding TStrings reads); an empty
  // name gives an empty ini that only GetStrings/UpdateFile can use.
  explicit TMemIniFile(const std::string& fileName = "");
  void GetStrings(TStrings* lines) const;
  void SetStrings(const TStrings* lines);
  // The whole content as ini text (CR LF lines) and back; SetText replaces
  // everything and raises EReadError for text with a NUL byte.
  std::string GetText() const { return FData.Format(); }
  void SetText(const std::string& text) { FData.Parse(text); }
  void Clear() { FData.Clear(); }
  // Writes the whole file in the ANSI code page (or UTF-8, see Encoding), CR LF.
  void UpdateFile() override;
  TTextEncoding Encoding = TTextEncoding::Ansi;
};

class TIniFile : public TMemIniFile {
public:
  explicit TIniFile(const std::string& fileName) : TMemIniFile(fileName) {}

protected:
  void Changed() override { UpdateFile(); }
};
