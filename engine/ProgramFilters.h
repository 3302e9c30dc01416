// The program's own picture filters ("nativeeq": brightness and contrast of
// the luma plane, "nativehue": hue and saturation of the chroma planes,
// "rotate": turning by whole degrees) are not filters of the library; a
// filter chain naming them is rewritten into library filters that give the
// same pixels before the graph is built. Values that the program changes
// while a picture runs (the Edit dialog's sliders) are read from registered
// addresses before each picture and handed to the graph as filter commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Luma: every sample p becomes ((p * K) >> 16) + B, limited to 0..255.
struct TEqCoefficients {
  int K;
  int B;
};
TEqCoefficients EqCoefficients(int brightness, int contrast);
uint8_t EqSample(uint8_t p, int brightness, int contrast);

// Chroma: the integer rotation of (U - 128, V - 128) by the hue angle,
// scaled by the saturation; the result for one sample pair.
void HueSample(uint8_t u, uint8_t v, int hue, int saturation, uint8_t& outU, uint8_t& outV);

// Output size of "rotate" by `degrees` for a width x height picture.
void RotatedSize(int width, int height, int degrees, int& outWidth, int& outHeight);

// Addresses of 32-bit values the program lets filter text name. Only a
// registered address is read or written; any other fails the filter.
void RegisterLiveParameter(int32_t* address);
void UnregisterLiveParameter(int32_t* address);
bool LiveParameterRegistered(int32_t* address);

// Library log levels of the filter messages.
constexpr int kFilterLogError = 16;
constexpr int kFilterLogDebug = 48;

struct TFilterMessage {
  int Level;
  std::string Text;  // with its line end
};

// One equaliser of a chain whose values live at program addresses.
struct TLiveFilter {
  bool Hue = false;     // "nativehue"; otherwise "nativeeq"
  std::string Target;   // the library filter's instance name for commands
  int32_t* First = nullptr;   // brightness or hue; nullptr: fixed
  int32_t* Second = nullptr;  // contrast or saturation; nullptr: fixed
  int OwnFirst = 0, OwnSecond = 0;
  int LastFirst = 0, LastSecond = 0;
};

struct TFilterCommand {
  std::string Target, Command, Argument;
};

struct TFilterTranslation {
  bool Ok = true;        // false: a program filter refused its arguments
  std::string Chain;     // the library's chain
  std::vector<TLiveFilter> Live;
  std::vector<TFilterMessage> Messages;  // to be logged, in order
};

TFilterTranslation TranslateFilterChain(const std::string& chain);

// The chain with every program filter replaced; other filters, labels,
// quoting and separators stay as written. A chain that a program filter
// refuses comes back unchanged.
std::string TranslateProgramFilters(const std::string& chain);

// Reads a live filter's values (clamping them in place, with the messages of
// a value out of range); when they changed, the commands that give the
// graph the new values.
std::vector<TFilterCommand> PollLiveFilter(TLiveFilter& filter, std::vector<TFilterMessage>& messages);
