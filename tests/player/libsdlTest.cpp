#include "support/gtest.h"

#include "PlayerTestSupport.h"

namespace {

std::string AlreadyText(const std::string& folder, const std::string& file) {
  return IncludeTrailingPathDelimiter(folder) + file + " alreay loaded in another instance.";
}

TEST(SDLBinding, OneFileServesOnePlayerOnly) {
  const std::string folder = CopySDL("SDL_5.dll");
  CopySDL("SDL_6.dll");
  TVIDavaza first(nullptr), second(nullptr);
  ASSERT_TRUE(first.LoadSDLLib(folder, "SDL_5.dll")) << first.LastErrMsg();
  // The same file again through the same player: nothing is reloaded.
  EXPECT_TRUE(first.LoadSDLLib(folder, "SDL_5.dll"));

  struct Case {
    const char* what;
    std::string file;
  } cases[] = {{"same name", "SDL_5.dll"}, {"other letter case", "sdl_5.DLL"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(second.LoadSDLLib(folder, c.file));
    EXPECT_EQ(AlreadyText(folder, c.file), second.LastErrMsg());
    EXPECT_FALSE(second.SDLLibLoaded());
    EXPECT_TRUE(first.SDLLibLoaded());
  }

  // Moving on to another file lets the first one go.
  ASSERT_TRUE(first.LoadSDLLib(folder, "SDL_6.dll")) << first.LastErrMsg();
  EXPECT_TRUE(second.LoadSDLLib(folder, "SDL_5.dll")) << second.LastErrMsg();
  second.UnloadSDLLib();
  first.UnloadSDLLib();
  EXPECT_TRUE(second.LoadSDLLib(folder, "SDL_6.dll")) << second.LastErrMsg();
}

TEST(SDLBinding, FailedLoadsHoldNothing) {
  const std::string libav = ExeFolder() + "LibAV";
  TVIDavaza player(nullptr);
  struct Case {
    const char* what;
    std::string folder, file, prefix;
  } cases[] = {
      {"missing file", FixturePath(""), "nosuch.dll", "Load library " + FixturePath("nosuch.dll") + " error: "},
      {"not SDL", libav, "libavutil.so.57", "Load function SDL_Init@libavutil.so.57 error: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int attempt = 0; attempt < 2; ++attempt) {  // nothing stays registered
      EXPECT_FALSE(player.LoadSDLLib(c.folder, c.file));
      EXPECT_EQ(0u, player.LastErrMsg().find(c.prefix)) << player.LastErrMsg();
      EXPECT_FALSE(player.SDLLibLoaded());
    }
  }
}

}  // namespace
