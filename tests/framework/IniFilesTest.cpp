#include "support/gtest.h"

#include <windows.h>

#include "framework/IniFiles.h"
#include "framework/ShellFolders.h"

namespace {

std::string TempIni() { return GetTempFolder() + "tess-settings.ini"; }
void Remove(const std::string& name) { DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str())); }
std::string FileText(const std::string& name) {
  std::vector<uint8_t> b = ReadFileBytes(name);
  return std::string(b.begin(), b.end());
}

TEST(TMemIniFile, RoundTripsThroughTheFile) {
  std::string name = TempIni();
  Remove(name);
  {
    TMemIniFile ini(name);
    ini.WriteString("Main", "Title", "Caf\xC3\xA9");
    ini.WriteInteger("Main", "Count", -42);
    ini.WriteBool("Main", "On", true);
    ini.WriteString("Main", "Empty", "");
    ini.WriteString("Gone", "x", "1");
    ini.EraseSection("Gone");
    EXPECT_FALSE(FileExists(name));  // nothing written before UpdateFile
    ini.UpdateFile();
  }
  // The ANSI code page, CR LF.
  EXPECT_EQ(FileText(name), "[Main]\r\nTitle=Caf\xE9\r\nCount=-42\r\nOn=1\r\nEmpty=\r\n");
  TMemIniFile ini(name);
  EXPECT_EQ(ini.ReadString("main", "title", "?"), "Caf\xC3\xA9");
  EXPECT_EQ(ini.ReadInteger("Main", "Count", 0), -42);
  EXPECT_TRUE(ini.ReadBool("Main", "On", false));
  EXPECT_TRUE(ini.ValueExists("Main", "Empty"));
  EXPECT_EQ(ini.ReadString("Main", "Empty", "default"), "");
  EXPECT_EQ(ini.ReadString("Main", "Missing", "default"), "default");
  EXPECT_FALSE(ini.SectionExists("Gone"));
  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  ini.ReadSection("Main", &keys);
  ini.ReadSectionValues("Main", &values);
  EXPECT_EQ(sections.CommaText(), "Main");
  EXPECT_EQ(keys.CommaText(), "Title,Count,On,Empty");
  EXPECT_EQ(values.Values("Count"), "-42");
  Remove(name);
}

TEST(TCustomIniFile, ReadsNumbersStrictly) {
  TMemIniFile ini;
  TStringList lines;
  lines.SetText("[N]\na=12\nb=$1F\nc=0x10\nd=12abc\ne=\nf=99999999999\ng=$FFFFFFFF\nh= -7 \nbool0=0\nboolx=yes\n");
  ini.SetStrings(&lines);
  struct Case {
    const char* key;
    int expected;
  } cases[] = {{"a", 12}, {"b", 31}, {"c", 16}, {"d", -1}, {"e", -1}, {"f", -1}, {"g", -1}, {"h", -7}, {"zz", -1}};
  for (const Case& c : cases) EXPECT_EQ(ini.ReadInteger("N", c.key, -1), c.expected) << c.key;
  EXPECT_FALSE(ini.ReadBool("N", "bool0", true));
  EXPECT_TRUE(ini.ReadBool("N", "boolx", true));   // not a number: the default
  EXPECT_FALSE(ini.ReadBool("N", "boolx", false));
  TStringList back;
  ini.GetStrings(&back);
  EXPECT_EQ(back[0], "[N]");
}

TEST(TIniFile, WritesThroughAtOnce) {
  std::string name = TempIni();
  Remove(name);
  {
    TIniFile ini(name);
    ini.WriteInteger("S", "k", 5);
    EXPECT_EQ(TMemIniFile(name).ReadInteger("S", "k", 0), 5);
    ini.DeleteKey("S", "k");
    EXPECT_FALSE(TMemIniFile(name).ValueExists("S", "k"));
    ini.EraseSection("S");
    EXPECT_FALSE(TMemIniFile(name).SectionExists("S"));
  }
  Remove(name);
}

TEST(TMemIniFile, BrokenFilesRaiseTheFrameworkError) {
  std::string name = TempIni();
  struct Case {
    std::string bytes;
    const char* message;
  } cases[] = {
      {std::string("\xFF\xFE[\0a", 5), "ends inside a character"},
      {std::string("[a]\r\nb=\0\r\n", 10), "NUL byte"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(name, c.bytes.data(), c.bytes.size());
    try {
      TMemIniFile ini(name);
      ADD_FAILURE();
    } catch (const EIniFileException& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // UTF-16 and UTF-8 files with a BOM read fine.
  std::string wide("\xFF\xFE[\0a\0]\0\n\0k\0=\0v\0", 16);
  WriteFileBytes(name, wide.data(), wide.size());
  EXPECT_EQ(TMemIniFile(name).ReadString("a", "k", ""), "v");
  Remove(name);
}

}  // namespace
