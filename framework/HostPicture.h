// A 32-bit picture kept at the size of a host window and shown in it with
// GDI. Media code draws into the pixels on its own thread and shows the
// changed area; the host's paint message redraws from the same pixels, and a
// size change of the host is announced so the owner can lay its picture out
// again. Free of windows.h so that media code can use it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class THostPicture {
public:
  explicit THostPicture(intptr_t AHandle);
  ~THostPicture();
  THostPicture(const THostPicture&) = delete;
  THostPicture& operator=(const THostPicture&) = delete;

  // The host's client size now; false when the host is gone.
  bool ClientSize(int& AWidth, int& AHeight) const;
  // The client size of any window; false when it is gone.
  static bool WindowClientSize(intptr_t AHandle, int& AWidth, int& AHeight);
  // Clears the picture to black at the new size. Caller holds Lock().
  void SetSize(int AWidth, int AHeight);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Stride() const { return FWidth * 4; }
  uint32_t* Pixels() { return FPixels.empty() ? nullptr : FPixels.data(); }
  // Shows an area of the picture in the host (children of the host are left alone).
  void Show(int x, int y, int w, int h);
  void ShowAll() { Show(0, 0, FWidth, FHeight); }
  std::mutex& Lock() { return FLock; }
  intptr_t Handle() const { return FHandle; }

  // Called on the host's thread when its client size changed.
  std::function<void(int AWidth, int AHeight)> OnResize;
  // Called on the host's thread when a paint found the picture busy being
  // drawn: the drawing thread is to show it all once it is done.
  std::function<void()> OnExpose;

  // While true the host ignores close requests, clicks focus it, and
  // (with HijackCursor) it shows the arrow over its client area.
  bool HijackWndProc = true;
  bool HijackCursor = true;

  // Re-reads the client size of a host with a picture after the owner moved
  // or resized it, announcing a change through OnResize. Host's thread.
  static void UpdatePosition(intptr_t AHandle);

  // Used by the host's window procedure.
  void Paint();
  void Resized(int AWidth, int AHeight);
  intptr_t OldProc() const { return FOldProc; }

private:
  intptr_t FHandle;
  intptr_t FOldProc = 0;
  std::mutex FLock;
  int FWidth = 0, FHeight = 0;
  std::vector<uint32_t> FPixels;
};

// The desktop's icon list window (a fallback host for a picture), 0 when none:
// the grandchild of the program manager window, else the shell's folder view.
intptr_t FindDesktopListView();
// The "FolderView" list inside a visible top window's shell view, 0 when none.
intptr_t FindShellFolderView();
