#include "skin/data/SPGeometry.h"

#include <cstdlib>

int MulDivRound(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long p = (long long)number * numerator;
  long long q = (std::llabs(p) + std::llabs((long long)denominator) / 2) / std::llabs((long long)denominator);
  if ((p < 0) != (denominator < 0)) q = -q;
  return int(q);
}

uint32_t AverageColorRGB(uint32_t a, uint32_t b) {
  uint32_t r = 0;
  for (int s = 0; s < 24; s += 8) r |= ((((a >> s) & 0xFF) + ((b >> s) & 0xFF)) >> 1) << s;
  return r;
}

uint32_t DarkenColorRGB(uint32_t c, uint8_t percent) {
  uint32_t r = 0;
  for (int s = 0; s < 24; s += 8) {
    const int v = int((c >> s) & 0xFF);
    r |= uint32_t(v - MulDivRound(v, percent, 100)) << s;
  }
  return r;
}

bool IsWindowsXPOrLaterVersion(int major, int minor) { return major > 5 || (major == 5 && minor == 1); }
bool IsWindows2000OrLaterVersion(int major, int minor) {
  return major > 5 || (major == 5 && minor >= 0 && minor <= 2);
}
bool IsWindowsVistaOrLaterVersion(int major, int) { return major >= 6; }
bool IsWindows7Version(int major, int minor) { return major == 6 && minor == 1; }
