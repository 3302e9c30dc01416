// A 32-bit top-down DIB to paint controls into and read pixels back.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>

struct Dib {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  int w, h;
  BITMAPINFO bi = {};
  Dib(int width, int height) : w(width), h(height) {
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    void* p = nullptr;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    old = SelectObject(dc, bmp);
    std::fill(bits, bits + w * h, 0x123456u);
  }
  ~Dib() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  // Copies what the screen shows from (left, top) on; what lies beyond the
  // screen reads black.
  void FromScreen(int left, int top) {
    std::fill(bits, bits + w * h, 0u);
    HDC screen = GetDC(nullptr);
    BitBlt(dc, 0, 0, w, h, screen, left, top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    uint32_t v = bits[y * w + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // True when `c` lies within `tolerance` of `want` in every channel.
  static bool Near(COLORREF c, COLORREF want, int tolerance = 1) {
    return std::abs(GetRValue(c) - GetRValue(want)) <= tolerance &&
           std::abs(GetGValue(c) - GetGValue(want)) <= tolerance &&
           std::abs(GetBValue(c) - GetBValue(want)) <= tolerance;
  }
};
