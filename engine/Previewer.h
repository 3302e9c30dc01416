// The small floating window that shows a task's pictures while it converts.
//
// No Win32 types here: the media code that owns a previewer never sees
// windows.h. The window lives on the GUI thread; PaintFrame may be called
// from a worker and waits there until the picture is on the screen.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/Classes.h"

class TBitmap;

class TPreviewer : public TObject {
public:
  TPreviewer();
  // Gives the application its message handler back and frees the window
  // (on the GUI thread, whichever thread lets the previewer go).
  ~TPreviewer() override;
  TPreviewer(const TPreviewer&) = delete;
  TPreviewer& operator=(const TPreviewer&) = delete;

  // Shows `bitmap` with `pts` (microseconds) as the caption; the window is
  // made by the first call. False once the user has closed the window:
  // nothing is shown from then on.
  bool PaintFrame(TBitmap* bitmap, int frameNumber, int64_t pts);

  bool Closed() const { return FClosed; }
  int FrameNumber() const { return FFrameNumber; }
  // The preview window (an HWND), null before the first picture.
  void* FormHandle() const { return FFormHandle; }

private:
  struct TWindow;
  void Paint();
  void Release();

  std::unique_ptr<TWindow> FWindow;  // the form and the handler it replaced
  void* FFormHandle = nullptr;
  std::atomic<bool> FClosed{false};
  TBitmap* FBitmap = nullptr;
  int FFrameNumber = 0;
  int64_t FPTS = 0;
};
