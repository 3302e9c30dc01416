#include "engine/FFBaseComponent.h"

#include <fstream>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

static_assert(AVSEEK_FLAG_BACKWARD == 1 && AVSEEK_FLAG_BYTE == 2 && AVSEEK_FLAG_ANY == 4 &&
                  AVSEEK_FLAG_FRAME == 8,
              "seek flags map bit for bit");

int SeekFlagsToAV(TSeekFlags flags) { return static_cast<int>(flags & 0xF); }

static bool ReadTracer() {
  // The kernel names the process that traces us; any failure counts as
  // "not attached".
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 10, "TracerPid:") == 0) {
      try {
        return std::stol(line.substr(10)) != 0;
      } catch (...) {
        return false;
      }
    }
  }
  return false;
}

bool DebuggerAttached() {
  static const bool attached = ReadTracer();
  return attached;
}

TFFBaseComponent::TFFBaseComponent(TComponent* owner) : TComponent(owner) {
  // Stepping through code in a debugger must not abort I/O.
  ReadTimeout = DebuggerAttached() ? 0 : 30000;
  WriteTimeout = ReadTimeout;
}
