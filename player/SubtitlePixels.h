// Bitmap subtitle pixels: palette colours from ARGB to A-Y-Cb-Cr (alpha in
// the high byte, then Y, Cb, Cr), and the blend of one palette rectangle
// into a planar 4:2:0 picture.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
}

uint32_t RGBAToAYUV(uint32_t argb);
void BlendSubrect(uint8_t* const planes[3], const int linesizes[3], const AVSubtitleRect* rect, int imgw,
                  int imgh);
