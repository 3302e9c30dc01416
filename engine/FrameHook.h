// Frame-hook modules: libraries named by the "-vhook" option whose Process
// entry sees every decoded picture of a task before it is encoded. A
// module is loaded once per process however many tasks use it; each use has
// its own entry and context.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}

extern "C" {
using TFrameHookConfigureFn = int (*)(void** ctx, int argc, char* argv[]);
using TFrameHookProcessFn = void (*)(void* ctx, void* picture, int pixFmt, int width, int height, int64_t pts);
using TFrameHookReleaseFn = void (*)(void* ctx);
}

struct TFrameHookEntry {
  TFrameHookEntry* next;
  TFrameHookConfigureFn Configure;
  TFrameHookProcessFn Process;
  TFrameHookReleaseFn Release;
  void* ctx;
};

// argv[0] names the module, the rest are its arguments. 0, or a negative
// library error code (with the reason logged).
int FrameHookAdd(TFrameHookEntry*& first, int argc, char* argv[]);
// Every module of the chain in order; they change the picture in place.
// `picture` starts with the plane pointers and line sizes.
void FrameHookProcess(TFrameHookEntry* first, void* picture, AVPixelFormat pixFmt, int width, int height,
                      int64_t pts);
// Releases and frees the chain; the modules stay loaded.
void FrameHookRelease(TFrameHookEntry*& first);
