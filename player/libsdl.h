// Run-time binding of SDL. Every player plays through a privately loaded
// copy of the SDL library file: SDL keeps its state (event queue, audio
// device, hints) per loaded file, so two players that run at once need two
// files. The process-wide registry refuses to hand one file to two loaders.
//
// SDL's headers serve for types only; nothing here is linked against SDL.
#pragma once

#include <string>

#include <SDL2/SDL.h>

#include "engine/FFBaseComponent.h"  // TPathFileName
#include "framework/Threads.h"

// The SDL entry points the player uses, in binding order.
#define TESS_SDL_FUNCTIONS(X) \
  X(SDL_Init)                 \
  X(SDL_Quit)                 \
  X(SDL_SetHint)              \
  X(SDL_GetError)             \
  X(SDL_OpenAudioDevice)      \
  X(SDL_PauseAudioDevice)     \
  X(SDL_CloseAudioDevice)     \
  X(SDL_MixAudioFormat)       \
  X(SDL_GetCurrentAudioDriver) \
  X(SDL_WaitEvent)            \
  X(SDL_PeepEvents)           \
  X(SDL_PushEvent)            \
  X(SDL_CreateMutex)          \
  X(SDL_LockMutex)            \
  X(SDL_UnlockMutex)          \
  X(SDL_DestroyMutex)         \
  X(SDL_CreateCond)           \
  X(SDL_DestroyCond)          \
  X(SDL_CondSignal)           \
  X(SDL_CondWait)

// One set of entry points: the loader fills one, each player keeps a copy.
struct TSDLEntries {
#define TESS_SDL_FIELD(name) decltype(&::name) name = nullptr;
  TESS_SDL_FUNCTIONS(TESS_SDL_FIELD)
#undef TESS_SDL_FIELD
};

class TSDLLoader : public TObject {
public:
  TSDLLoader() = default;
  ~TSDLLoader() override;

  // Loads AFile from the folder APath (Windows paths). False with
  // LastErrMsg when the file is held by another loader, cannot be loaded or
  // lacks an entry point; the loader then holds nothing.
  bool Load(const TPathFileName& APath, const TPathFileName& AFile);
  bool Loaded() const { return FHandle != nullptr && FFixuped; }
  void Unload();

  const TSDLEntries& Entries() const { return FEntries; }
  const TPathFileName& LibFile() const { return FLibFile; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }

private:
  void Release();  // caller holds SDLLock

  TPathFileName FLibFile;
  void* FHandle = nullptr;
  bool FFixuped = false;
  std::string FLastErrMsg;
  TSDLEntries FEntries;
};

// Guards the registry of loaded files, every load and unload, and the
// players' SDL start-up, so two players never interleave those steps.
TCriticalSection& SDLLock();
