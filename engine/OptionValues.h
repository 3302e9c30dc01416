// Readers of the small value syntaxes inside option arguments and preset
// texts: aspect ratios, quantiser matrices, rate-control overrides, stream
// identifiers, preset lines and frame-hook words. They see text from users
// and files, hold no library state and never raise: the transcoder turns
// their results into its messages. Platform-neutral and fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "x:y" (both > 0 give x / y, otherwise 0) or a plain number; 0 means the
// text is not a usable aspect ratio.
double ParseAspectText(const char* text);

// 64 comma-separated coefficients. -1 when all were read, otherwise the
// index of the coefficient after which the next comma is missing.
int ParseMatrixText(const char* text, uint16_t dest[64]);

struct TRcOverrideItem {
  int start_frame;
  int end_frame;
  int q;
};
// Items "start,end,q" separated by "/"; false on the first item that does
// not read so.
bool ParseRcOverrideText(const char* text, std::vector<TRcOverrideItem>& items);

enum TStreamIdResult { siOk, siSyntax, siIndexRange, siValueRange };
// "index:value"; index 0..1023, value 0 or more.
TStreamIdResult ParseStreamIdText(const std::string& text, int& index, int& value);

// Preset text: line breaks (CR LF, CR, LF and the six characters "<CRLF>")
// split it; lines are trimmed; empty lines and "#" comments are dropped.
std::vector<std::string> PresetLines(const std::string& text, bool replaceCRLFMarker);
// key before the first "=", value after it; false when either is empty.
bool SplitPresetLine(const std::string& line, std::string& key, std::string& value);

// Words of a -vhook argument: split at "|" when there is one, otherwise at
// blanks; empty words are dropped; at most 64 words.
std::vector<std::string> VideoHookWords(const std::string& text);
