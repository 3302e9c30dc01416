// What the capture device tests share.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Threads.h"

// Waits up to a second for a log line that ends with `end` (library lines
// name their source first: "[wavecapture @ 0x...]"); whether one came.
inline bool LoggedLineEnding(const std::vector<std::string>& lines, const std::string& end) {
  auto said = [&] {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.size() >= end.size() && l.compare(l.size() - end.size(), end.size(), end) == 0;
    });
  };
  for (int i = 0; i < 100 && !said(); ++i) WaitForHandles(nullptr, 0, false, 10);
  return said();
}
