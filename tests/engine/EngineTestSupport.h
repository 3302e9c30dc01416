// Shared pieces of the engine's winelib tests: the media libraries bound
// from the LibAV folder beside the test program, scratch folders, and
// waiting on the GUI thread while workers hand things over.
#pragma once

#include "support/gtest.h"

#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "engine/FFLoad.h"
#include "engine/MyUtils.h"
#include "framework/Threads.h"

inline std::string LibAVFolder() { return ApplicationFolder() + "LibAV"; }

// Binds every library for the test and lets it go afterwards.
class TEngineTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(FLibs.LoadAVLib(LibAVFolder())) << FLibs.LastErrMsg; }
  void TearDown() override { FLibs.UnloadAVLib(); }
  TAVLibUser FLibs{AllLibraries};
};

// A fresh folder under /tmp, removed with its files at the end.
class TScratchFolder {
public:
  TScratchFolder() {
    char pattern[] = "/tmp/tess-engine-XXXXXX";
    FUnix = mkdtemp(pattern) ? pattern : "";
  }
  ~TScratchFolder() {
    if (!FUnix.empty()) system(("rm -rf '" + FUnix + "'").c_str());
  }
  const std::string& Unix() const { return FUnix; }
  std::string Windows() const { return FromNativePath(FUnix); }

private:
  std::string FUnix;
};

// Serves messages (and with them calls into the GUI thread) until `done`
// holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 10000) {
  for (unsigned waited = 0; waited < timeoutMs; waited += 5) {
    if (done()) return true;
    WaitForHandles(nullptr, 0, false, 5);
  }
  return done();
}
