// The DVD plug-in binding against a stand-in plug-in: loading and its
// failures, the information block, the version text and the name tables.
#include "support/gtest.h"

#include <windows.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "app/input/DVDPlugIn.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"

namespace {

std::string StubFolder(const char* kind) { return ExeFolder() + "dvdstub\\" + kind; }

// The stub's own record of its calls: the same file opened again is the
// same instance the binding loaded.
template <class T>
T* StubValue(const char* name) {
  void* handle = dlopen(ToNativePath(StubFolder("full") + "\\dvddec.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
  return handle ? static_cast<T*>(dlsym(handle, name)) : nullptr;
}

}  // namespace

TEST(DVDPlugIn, LoadsOnceAndReadsTitlesThroughTheBlock) {
  // Nothing bound yet: the calls that need the plug-in refuse.
  ASSERT_FALSE(IsDVDPlugInLoaded());
  TDVDTitleInfo info;
  for (auto call : {+[] { GetDVDPlugInVersion(); }, +[] { EnumDVDTitles("D:\\"); },
                    +[] { TDVDTitleInfo i; GetDVDTitleInfo(0, i); }}) {
    try {
      call();
      ADD_FAILURE() << "no error without a plug-in";
    } catch (const Exception& e) {
      EXPECT_EQ("DVD plug-in library is not loaded.", e.Message());
    }
  }

  // A folder without the file: the bare name is tried and fails too.
  const std::string empty = ExeFolder() + "dvdstub";
  EXPECT_FALSE(LoadDVDPlugIn(empty, "init"));
  EXPECT_EQ(0u, GetDVDPlugInError().find("Load library " + IncludeTrailingPathDelimiter(empty) + "dvddec.dll error: "))
      << GetDVDPlugInError();
  // An entry point missing: its name in the text, nothing stays bound.
  EXPECT_FALSE(LoadDVDPlugIn(StubFolder("noversion"), "init"));
  EXPECT_EQ(0u, GetDVDPlugInError().find("Load function DVDGetLibVersion@dvddec.dll error: "))
      << GetDVDPlugInError();
  EXPECT_FALSE(IsDVDPlugInLoaded());

  ASSERT_TRUE(LoadDVDPlugIn(StubFolder("full"), "Tessavane é")) << GetDVDPlugInError();
  EXPECT_TRUE(IsDVDPlugInLoaded());
  ASSERT_TRUE(StubValue<int>("stub_init_calls"));
  EXPECT_EQ(1, *StubValue<int>("stub_init_calls"));
  EXPECT_EQ(UTF8ToAnsi("Tessavane é"), StubValue<char>("stub_init_text"));  // in the system's code page
  // Bound already: neither loaded nor initialised again.
  EXPECT_TRUE(LoadDVDPlugIn(StubFolder("noversion"), "again"));
  EXPECT_EQ(1, *StubValue<int>("stub_init_calls"));

  EXPECT_EQ("1.2.3.4", GetDVDPlugInVersion());
  EXPECT_EQ(3, EnumDVDTitles("D:\\"));
  EXPECT_STREQ("D:\\", StubValue<char>("stub_enum_path"));

  std::memset(&info, 0x77, sizeof info);
  ASSERT_TRUE(GetDVDTitleInfo(0, info));
  EXPECT_EQ(125.5, info.Length);
  EXPECT_EQ("MPEG-2", DVDStreamTypeName(info.VideoType));
  EXPECT_EQ(0xE0, info.VideoID);
  EXPECT_EQ(720, info.Width);
  EXPECT_EQ(576, info.Height);
  EXPECT_EQ("PAL", DVDNormName(info.Norm));  // not written: zero
  EXPECT_EQ("HDTV(16:9)", DVDAspectName(info.Aspect));
  ASSERT_EQ(1, info.AudioCount);
  EXPECT_EQ("AC3", DVDStreamTypeName(info.Audio[0].Type));
  EXPECT_EQ(0x80, info.Audio[0].ID);
  EXPECT_EQ(0, info.Audio[0].SampleRate);  // not written: zero
  EXPECT_EQ("en", DVDText(info.Audio[0].LanguageCode));
  EXPECT_EQ("English", DVDText(info.Audio[0].Language));
  EXPECT_EQ(0x20, info.Subtitles[0].ID);
  EXPECT_EQ(std::string(64, 'x'), DVDText(info.Subtitles[0].Language));  // no zero at its end
  EXPECT_EQ(2, info.ChapterCount);
  EXPECT_EQ(60.25, info.ChapterLength[1]);
  EXPECT_EQ(0.0, info.ChapterLength[2]);
  EXPECT_NE(0, info.IsValid);

  // A failing title leaves nothing of what the plug-in wrote.
  EXPECT_FALSE(GetDVDTitleInfo(1, info));
  const TDVDTitleInfo zero{};
  EXPECT_EQ(0, std::memcmp(&zero, &info, sizeof info));

  // Counts beyond the arrays are held to them.
  ASSERT_TRUE(GetDVDTitleInfo(2, info));
  EXPECT_EQ(DVDMaxAudio, DVDBoundedCount(info.AudioCount, DVDMaxAudio));
  EXPECT_EQ(0, DVDBoundedCount(info.SubtitleCount, DVDMaxSubtitles));
  EXPECT_EQ(DVDMaxChapters, DVDBoundedCount(info.ChapterCount, DVDMaxChapters));
}

TEST(DVDPlugIn, NameTables) {
  struct Case {
    int code;
    const char *type, *aspect, *norm;
  } cases[] = {{0, "Unknown", "TV(4:3)", "PAL"}, {1, "MPEG-1", "HDTV(16:9)", "NTSC"},
               {2, "MPEG-2", "Unknown", "Unknown"}, {3, "MPA", "Unknown", "Unknown"},
               {4, "AC3", "Unknown", "Unknown"},    {5, "DTS", "Unknown", "Unknown"},
               {6, "LPCM", "Unknown", "Unknown"},   {7, "SUB", "Unknown", "Unknown"},
               {8, "Unknown", "Unknown", "Unknown"}, {-1, "Unknown", "Unknown", "Unknown"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.type, DVDStreamTypeName(c.code));
    EXPECT_EQ(c.aspect, DVDAspectName(c.code));
    EXPECT_EQ(c.norm, DVDNormName(c.code));
  }
}

TEST(DVDPlugIn, CDROMDrivesAreAppendedAndCounted) {
  // However many the machine has, the list keeps what it held and gains
  // exactly the drives counted, each a root of a CD-ROM drive.
  TStringList list;
  list.Add("kept");
  const int count = GetCDROMDrives(&list);
  ASSERT_EQ(count + 1, list.Count());
  EXPECT_EQ("kept", list[0]);
  for (int i = 1; i < list.Count(); ++i) {
    EXPECT_EQ(3u, list[i].size());
    EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(list[i]).c_str())));
  }
  EXPECT_EQ(count, GetCDROMDrives(nullptr));
}
