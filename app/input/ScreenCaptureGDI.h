// The GDI side of the screen capture input, reached from the media side
// through this header alone. Failures are told through `log` with the
// library's log levels (16 error, 24 warning, 32 information, 48 debug);
// results are 0 or a negative errno value.
#pragma once

#include <cstdint>

#include "app/input/ScreenCapture.h"

using TGrabLog = void (*)(void* context, int level, const char* text);

// The top-level window with this title (UTF-8); false when there is none.
bool GrabFindWindowByTitle(const char* title, void*& window);
// Source context, size, memory context and bitmap (`size` and `bpp` set).
// On failure everything made so far is released again.
int GrabOpenSource(Twin32_grab* s, TGrabLog log, void* logContext);
// One grab into `dst` (`size` bytes): the pixels, then the pointer when asked.
int GrabFrame(Twin32_grab* s, uint8_t* dst, TGrabLog log, void* logContext);
void GrabCloseSource(Twin32_grab* s);

// The flashing frame around the captured rectangle: made on the calling
// (GUI) thread, it keeps what it needs of `s`, so it may outlive it.
void* GrabShowFrame(const Twin32_grab* s);
// From then on the frame flashes.
void GrabFrameStarted(void* frame);
// Stops the frame's thread and leaves the window's end to the GUI thread.
void GrabReleaseFrame(void* frame);

void GrabSleep(int ms);
