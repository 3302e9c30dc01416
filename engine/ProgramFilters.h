// The program's own picture filters ("nativeeq": brightness and contrast of
// the luma plane, "nativehue": hue and saturation of the chroma planes) are
// not filters of the library; a filter chain naming them is rewritten into
// library filters that give the same pixels before the graph is built.
#pragma once

#include <cstdint>
#include <string>

// Luma: every sample p becomes ((p * K) >> 16) + B, limited to 0..255.
struct TEqCoefficients {
  int K;
  int B;
};
TEqCoefficients EqCoefficients(int brightness, int contrast);
uint8_t EqSample(uint8_t p, int brightness, int contrast);

// The chain with every "nativeeq"/"nativehue" replaced; other filters,
// labels, quoting and separators stay as written.
std::string TranslateProgramFilters(const std::string& chain);
