// Small text helpers of the media layer that need no platform: file size
// texts, splitting at a delimiter and splitting an option text into words.
// Compiled in the host build too, where they are fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "%.2f GB" / "%.2f MB" / "%.2f KB" above each power of 1024, else "%d Byte".
std::string FormatFileSize(int64_t size);

// part := text before the first delimiter (the whole text when there is
// none); with `remove` the text keeps only what follows the delimiter (and
// is emptied when there was none).
void SplitAtDelimiter(std::string& text, const std::string& delimiter, bool remove,
                      std::string& part);

// Splits an option text into argument words the way a command line is split:
// blanks and tabs separate words, double quotes group, backslashes before a
// quote escape it (2n -> n and a toggle, 2n+1 -> n and a literal quote).
// Pass nullptr for argv and buffer to learn the sizes first: `chars` counts
// the bytes of all words with their terminating zeros, `argc` the words plus
// one (the last slot points to an empty text).
void SplitCommandLine(const char* text, char** argv, char* buffer, int& chars, int& argc);

// The same as a list of words (without the final empty one).
std::vector<std::string> SplitCommandLine(const std::string& text);
