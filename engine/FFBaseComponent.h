// Common parent of the media components (logger, encoder, decoder, player):
// the library version text and the I/O time-outs handed to the libraries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Classes.h"

enum TSeekFlag { sfBackward, sfByte, sfAny, sfFrame };
using TSeekFlags = unsigned;  // bit (1 << TSeekFlag)
constexpr TSeekFlags SeekFlag(TSeekFlag f) { return 1u << f; }
// The library's seek-flag word (AVSEEK_FLAG_*) of a set: same bits.
int SeekFlagsToAV(TSeekFlags flags);

using TPathFileName = std::string;

struct AVFormatContext;
// Raised after an input is opened and before its streams are probed.
using TBeforeFindStreamInfoEvent = std::function<void(TObject* sender, AVFormatContext* formatContext)>;

class TFFBaseComponent : public TComponent {
public:
  explicit TFFBaseComponent(TComponent* owner);

  std::string About;
  const std::string& Version() const { return FVersion; }
  // Milliseconds; 0 or less disables the time-out.
  int ReadTimeout = 0;
  int WriteTimeout = 0;

private:
  std::string FVersion = "4.5a";
};

// Whether a debugger is attached, decided once per process.
bool DebuggerAttached();
