#include "support/gtest.h"

#include <windows.h>

#include "framework/SysUtils.h"

namespace {

TEST(Utf, RoundTripsAndReplacesInvalidInput) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"Tessavane", u"Tessavane"},
      {"Canci\xC3\xB3n \xE2\x9C\x93", u"Canci\u00F3n \u2713"},
      {"\xF0\x9F\x8E\xAC", u"\U0001F3AC"},  // outside the BMP: a surrogate pair
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.utf16, UTF8ToUTF16(c.utf8));
    EXPECT_EQ(c.utf8, UTF16ToUTF8(c.utf16));
  }
  struct Bad {
    std::string utf8;
    std::u16string utf16;
  } bad[] = {
      {"a\xFF" "b", u"a\uFFFDb"},           // never a lead byte
      {"\xC3", u"\uFFFD"},                   // truncated sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const auto& c : bad) EXPECT_EQ(c.utf16, UTF8ToUTF16(c.utf8)) << c.utf8;
  EXPECT_EQ("\xEF\xBF\xBD", UTF16ToUTF8(std::u16string(1, char16_t(0xD800))));
}

TEST(Paths, SplitLikeTheFileDialogsDo) {
  struct Case {
    const char* name;
    const char* path;
    const char* file;
    const char* ext;
  } cases[] = {
      {"C:\\Videos\\clip.part1.mp4", "C:\\Videos\\", "clip.part1.mp4", ".mp4"},
      {"clip", "", "clip", ""},
      {"C:\\dir.d\\noext", "C:\\dir.d\\", "noext", ""},
      {"/tmp/a.b/c.mkv", "/tmp/a.b/", "c.mkv", ".mkv"},
      {"D:", "D:", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.path, ExtractFilePath(c.name)) << c.name;
    EXPECT_EQ(c.file, ExtractFileName(c.name)) << c.name;
    EXPECT_EQ(c.ext, ExtractFileExt(c.name)) << c.name;
  }
  EXPECT_EQ("C:\\a\\", IncludeTrailingPathDelimiter("C:\\a"));
  EXPECT_EQ("C:\\a\\", IncludeTrailingPathDelimiter("C:\\a\\"));
}

TEST(Paths, MapBetweenWindowsAndNativeNames) {
  std::string exe = ExeFolder();
  ASSERT_FALSE(exe.empty());
  std::string native = ToNativePath(exe + "x y\xC3\xB1.mp4");
  ASSERT_FALSE(native.empty());
  EXPECT_EQ('/', native[0]);
  EXPECT_NE(std::string::npos, native.find("x y\xC3\xB1.mp4"));
  // Native names pass through, and map back to a drive path.
  EXPECT_EQ(native, ToNativePath(native));
  std::string back = FromNativePath(native);
  EXPECT_EQ(':', back.at(1));
  EXPECT_EQ(native, ToNativePath(back));
}

TEST(Folders, ForceDirectoriesMakesTheWholeChain) {
  char16_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, reinterpret_cast<LPWSTR>(tmp));
  std::string base = UTF16ToUTF8(tmp) + "tess-folders-" + std::to_string(GetCurrentProcessId());
  std::string deep = base + "\\Brenlowe\\Tessavane\\Output";
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + "\\"));  // already there
  EXPECT_FALSE(FileExists(deep));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(deep).c_str()));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(base + "\\Brenlowe\\Tessavane").c_str()));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(base + "\\Brenlowe").c_str()));
  RemoveDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(base).c_str()));
}

TEST(Boundaries, RunGuardedReportsInsteadOfThrowing) {
  std::string reported;
  SetExceptionReporter([&](const std::string& m) { reported = m; });
  EXPECT_FALSE(RunGuarded([] { throw Exception("lost file"); }));
  EXPECT_TRUE(RunGuarded([] {}));
  SetExceptionReporter(nullptr);
  EXPECT_EQ("lost file", reported);
}

}  // namespace
