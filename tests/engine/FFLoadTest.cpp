#include <dlfcn.h>
#include <sys/stat.h>

#include <fstream>

#include "EngineTestSupport.h"
#include "engine/AVCodecStubs.h"
#include "engine/AVDeviceStubs.h"
#include "engine/AVFilterStubs.h"
#include "engine/AVUtilStubs.h"
#include "engine/MyUtilStubs.h"

namespace {

bool InProcess(const char* file) {
  void* h = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
}

void ExpectNothingBound() {
  for (int i = 0; i < LibraryCount; ++i) {
    const auto l = static_cast<TLibrary>(i);
    EXPECT_FALSE(FFLoader().Loaded(l)) << LibraryFileName(l);
    EXPECT_EQ(nullptr, FFLoader().Handle(l)) << LibraryFileName(l);
    EXPECT_EQ(0, FFLoader().Holders(l)) << LibraryFileName(l);
  }
  EXPECT_EQ(nullptr, ff::avcodec_open2);
  EXPECT_EQ(nullptr, ff::fopen);
}

TEST(FFLoad, FileNamesOfTheInstalledRelease) {
  const char* names[] = {"libavcodec.so.59", "libavdevice.so.59", "libavfilter.so.8", "libavformat.so.59",
                         "libavutil.so.57",  "libswresample.so.4", "libswscale.so.6",  "libc.so.6"};
  for (int i = 0; i < LibraryCount; ++i) EXPECT_EQ(names[i], LibraryFileName(static_cast<TLibrary>(i)));
}

TEST(FFLoad, DecoderSetLeavesDeviceAndFilterOutAndTheEncoderAddsThem) {
  ExpectNothingBound();
  TAVLibUser decoder(DecoderLibraries), encoder(EncoderLibraries);
  ASSERT_TRUE(decoder.LoadAVLib(LibAVFolder())) << decoder.LastErrMsg;
  EXPECT_TRUE(decoder.AVLibLoaded());
  EXPECT_FALSE(encoder.AVLibLoaded());
  EXPECT_FALSE(FFLoader().Loaded(avDevice));
  EXPECT_FALSE(FFLoader().Loaded(avFilter));
  EXPECT_FALSE(InProcess("libavdevice.so.59"));
  EXPECT_FALSE(InProcess("libavfilter.so.8"));
  EXPECT_EQ(nullptr, ff::avdevice_register_all);
  EXPECT_NE(nullptr, ff::avcodec_open2);
  EXPECT_NE(nullptr, ff::fopen);
  try {
    decoder.CheckLibAV();
    encoder.CheckLibAV();
    ADD_FAILURE() << "the encoder's set is not complete";
  } catch (const Exception& e) {
    EXPECT_EQ("Library avdevice not loaded.", e.Message());
  }

  TModuleHandle codec = FFLoader().Handle(avCodec);
  auto* open2 = ff::avcodec_open2;
  ASSERT_TRUE(encoder.LoadAVLib(LibAVFolder())) << encoder.LastErrMsg;
  EXPECT_TRUE(FFLoader().Loaded(avDevice));
  EXPECT_TRUE(FFLoader().Loaded(avFilter));
  EXPECT_NE(nullptr, ff::avfilter_graph_alloc);
  // The decoder's libraries were not loaded or bound again.
  EXPECT_EQ(codec, FFLoader().Handle(avCodec));
  EXPECT_EQ(open2, ff::avcodec_open2);
  EXPECT_EQ(2, FFLoader().Holders(avCodec));
  EXPECT_EQ(1, FFLoader().Holders(avFilter));

  // Bound from the folder beside the program.
  Dl_info info{};
  ASSERT_NE(0, dladdr(reinterpret_cast<void*>(ff::avdevice_register_all), &info));
  struct stat fromFolder, bound;
  ASSERT_EQ(0, stat((ToNativePath(LibAVFolder()) + "/libavdevice.so.59").c_str(), &fromFolder));
  ASSERT_EQ(0, stat(info.dli_fname, &bound));
  EXPECT_EQ(fromFolder.st_ino, bound.st_ino);

  // Letting the decoder go keeps what the encoder still uses.
  decoder.UnloadAVLib();
  EXPECT_TRUE(encoder.AVLibLoaded());
  EXPECT_NE(nullptr, ff::avcodec_open2);
  encoder.UnloadAVLib();
  encoder.UnloadAVLib();
  decoder.UnloadAVLib();
  ExpectNothingBound();
}

TEST(FFLoad, MissingBrokenOrForeignLibraryFailsNamingItAndBindsNothing) {
  const std::string system = ToNativePath(LibAVFolder());
  struct Case {
    const char* what;
    std::function<void(const std::string& folder)> make;
    std::string expectedStart;
    std::string expectedText;
  };
  const Case cases[] = {
      {"missing", [](const std::string&) {}, "\\libswscale.so.6 error: ", "No such file or directory"},
      {"broken",
       [](const std::string& folder) { std::ofstream(folder + "/libswscale.so.6") << "not a library"; },
       "\\libswscale.so.6 error: ", "libswscale.so.6"},
      {"foreign",
       [&](const std::string& folder) {
         ASSERT_EQ(0, symlink((system + "/libswresample.so.4").c_str(), (folder + "/libswscale.so.6").c_str()));
       },
       "", "Load function sws_freeContext@libswscale.so.6 error: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TScratchFolder folder;
    for (int i = 0; i < LibraryCount; ++i) {
      const auto l = static_cast<TLibrary>(i);
      if (l == swScale || l == myUtil) continue;
      const std::string file = LibraryFileName(l);
      ASSERT_EQ(0, symlink((system + "/" + file).c_str(), (folder.Unix() + "/" + file).c_str()));
    }
    c.make(folder.Unix());
    TAVLibUser encoder(EncoderLibraries);
    EXPECT_FALSE(encoder.LoadAVLib(folder.Windows()));
    if (!c.expectedStart.empty()) {
      const std::string start = "Load library " + folder.Windows() + c.expectedStart;
      EXPECT_EQ(start, encoder.LastErrMsg.substr(0, start.size()));
    }
    EXPECT_NE(std::string::npos, encoder.LastErrMsg.find(c.expectedText)) << encoder.LastErrMsg;
    EXPECT_FALSE(encoder.AVLibLoaded());
    encoder.UnloadAVLib();
    ExpectNothingBound();
  }
}

TEST(FFLoad, FailureKeepsWhatOthersHold) {
  TAVLibUser decoder(DecoderLibraries);
  ASSERT_TRUE(decoder.LoadAVLib(LibAVFolder())) << decoder.LastErrMsg;
  TScratchFolder empty;
  TAVLibUser encoder(EncoderLibraries);
  EXPECT_FALSE(encoder.LoadAVLib(empty.Windows()));
  const std::string start = "Load library " + empty.Windows() + "\\libavdevice.so.59 error: ";
  EXPECT_EQ(start, encoder.LastErrMsg.substr(0, start.size()));
  EXPECT_TRUE(decoder.AVLibLoaded());
  EXPECT_FALSE(FFLoader().Loaded(avDevice));
  decoder.UnloadAVLib();
  ExpectNothingBound();
}

TEST(FFLoad, EmptySetsAreRefused) {
  EXPECT_THROW(FFLoader().Load(TLibraries{0}), Exception);
  EXPECT_THROW(FFLoader().Loaded(TLibraries{0}), Exception);
  EXPECT_THROW(FFLoader().Unload(TLibraries{0}), Exception);
  // Unloading what was never loaded does nothing.
  FFLoader().Unload(avFilter);
  ExpectNothingBound();
}

TEST(FFLoad, LoadingALoadedLibraryAgainIsQuiet) {
  FFLoader().LibraryPath = LibAVFolder();
  ASSERT_TRUE(FFLoader().Load(LibrarySet(avUtil) | LibrarySet(myUtil))) << FFLoader().LastErrMsg();
  auto* log = ff::av_log;
  TModuleHandle h = FFLoader().Handle(avUtil);
  FFLoader().LibraryPath = "C:\\nowhere";
  EXPECT_TRUE(FFLoader().Load(avUtil));
  EXPECT_EQ(h, FFLoader().Handle(avUtil));
  EXPECT_EQ(log, ff::av_log);
  FFLoader().Unload(AllLibraries);
  ExpectNothingBound();
}

TEST(LoadFunction, OptionalAndRequiredEntries) {
  std::string error;
  TModuleHandle libc = LoadLibraryFromFolder("", "libc.so.6", error);
  ASSERT_NE(nullptr, libc) << error;
  int (*missing)(void) = reinterpret_cast<int (*)(void)>(1);
  LoadFunction("libc.so.6", libc, "no_such_function_here", true, missing);
  EXPECT_EQ(nullptr, missing);
  try {
    LoadFunction("libc.so.6", libc, "no_such_function_here", false, missing);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(0u, e.Message().find("Load function no_such_function_here@libc.so.6 error: ")) << e.Message();
  }
  FreeLibraryHandle(libc);
  // A folder that does not hold the file: the system's search.
  TModuleHandle again = LoadLibraryFromFolder("C:\\nowhere", "libc.so.6", error);
  EXPECT_NE(nullptr, again);
  FreeLibraryHandle(again);
}

}  // namespace
