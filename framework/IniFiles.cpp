#include "framework/IniFiles.h"

#include "framework/readers/TextDecoding.h"

std::string TCustomIniFile::ReadString(const std::string& section, const std::string& name,
                                       const std::string& defaultValue) const {
  const std::string* v = FData.Find(section, name);
  return v ? *v : defaultValue;
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& name, int defaultValue) const {
  return FData.ReadInteger(section, name, defaultValue);
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& name, bool defaultValue) const {
  const std::string* v = FData.Find(section, name);
  int32_t value;
  return v && IniStrToInt(*v, value) ? value != 0 : defaultValue;
}

void TCustomIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value) {
  FData.Write(section, name, value);
  Changed();
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& name, int value) {
  WriteString(section, name, std::to_string(value));
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& name, bool value) {
  WriteString(section, name, value ? "1" : "0");
}

void TCustomIniFile::ReadSections(TStrings* strings) const {
  strings->BeginUpdate();
  strings->Clear();
  for (const std::string& s : FData.SectionNames()) strings->Add(s);
  strings->EndUpdate();
}

void TCustomIniFile::ReadSection(const std::string& section, TStrings* strings) const {
  strings->BeginUpdate();
  strings->Clear();
  for (const std::string& s : FData.KeyNames(section)) strings->Add(s);
  strings->EndUpdate();
}

void TCustomIniFile::ReadSectionValues(const std::string& section, TStrings* strings) const {
  strings->BeginUpdate();
  strings->Clear();
  for (const std::string& s : FData.SectionLines(section)) strings->Add(s);
  strings->EndUpdate();
}

void TCustomIniFile::EraseSection(const std::string& section) {
  FData.EraseSection(section);
  Changed();
}

void TCustomIniFile::DeleteKey(const std::string& section, const std::string& name) {
  FData.DeleteKey(section, name);
  Changed();
}

TMemIniFile::TMemIniFile(const std::string& fileName) : TCustomIniFile(fileName) {
  if (fileName.empty() || !FileExists(fileName)) return;
  std::vector<uint8_t> bytes = ReadFileBytes(fileName);
  TTextEncoding detected;
  std::string text;
  try {
    text = DecodeText(bytes.data(), bytes.size(), &detected, AnsiToUTF8);
    FData.Parse(text);
  } catch (const Exception& e) {
    throw EIniFileException("Cannot read \"" + fileName + "\": " + e.Message());
  }
  // Written back the way it came, unless it came as UTF-16.
  if (detected == TTextEncoding::UTF8 && bytes.size() >= 3 && bytes[0] == 0xEF) Encoding = TTextEncoding::UTF8;
}

void TMemIniFile::GetStrings(TStrings* lines) const { lines->SetText(FData.Format()); }

void TMemIniFile::SetStrings(const TStrings* lines) { FData.Parse(lines->Text()); }

void TMemIniFile::UpdateFile() {
  if (FFileName.empty()) return;
  std::string bytes = EncodeText(FData.Format(), Encoding, Encoding == TTextEncoding::UTF8, UTF8ToAnsi);
  WriteFileBytes(FFileName, bytes.data(), bytes.size());
}
