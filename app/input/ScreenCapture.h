// The "screencapture" input of the engine: grabs the screen (the whole
// desktop, a rectangle of it, or one window) with GDI at a fixed frame rate
// and delivers every grab as one packet of raw video. Free of windows.h and
// of the media headers, so both sides of it can include this.
#pragma once

#include <cstdint>

struct TGrabRational {
  int num, den;  // laid out as the media library's rational
};

// The private context of one opened input. The library fills the option
// fields by their byte positions, so the layout is fixed.
struct Twin32_grab {
  const void* class_;
  void* window_handle;  // the window captured; none for the desktop
  void* source_hdc;     // grabbed from (window, client area or screen)
  void* window_hdc;     // memory context compatible with the source
  void* hbmp;           // selected into window_hdc; receives each grab
  TGrabRational time_base;  // one frame's duration
  int64_t time_frame;       // due time of the next frame, in millionths of time_base
  int64_t time_start;       // microseconds at the first grab
  int Started;
  int x_off, y_off;
  int cursor;
  int size;  // bytes of one frame
  int width, height;
  int bpp;
  int client;
  char* input_type_str;
  int capture_flags;
  char* capture_offset;
  char* video_size;
  char* framerate;
  int show_frame;
  void* frame;  // the frame window, when shown
};

// Registers the input with the engine (nothing when it is there already).
// The recorder calls it before every recording; the media libraries must be
// loaded.
void RegisterScreenCapture();
