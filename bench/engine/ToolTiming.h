// The reference tools' side of the engine benchmarks.
#pragma once

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "engine/Fixtures.h"

// The tool runs' start and exit times from a timer log (see ToolTimer.c).
struct TToolSpan {
  double start, end;
};

inline std::vector<TToolSpan> ToolSpans(const std::string& log) {
  std::vector<TToolSpan> spans;
  std::istringstream in(fixtures::ReadAll(log));
  TToolSpan s{};
  while (in >> s.start >> s.end) spans.push_back(s);
  return spans;
}

inline std::string ToolTimed(const std::string& log, const std::string& command) {
  return "TESS_TOOL_TIME='" + log + "' LD_PRELOAD='" TESS_TOOL_TIMER "' " + command + " > /dev/null 2>&1";
}

// Median time of the tool's work, its process start left out: a preloaded
// timer measures from the end of its start-up (libraries loaded) to its exit.
inline double ToolMs(const std::string& command, int runs) {
  const std::string log = fixtures::Folder() + "/tool_times.txt";
  std::remove(log.c_str());
  fixtures::Run("i=0; while [ $i -lt " + std::to_string(runs) + " ]; do " + ToolTimed(log, command) +
                "; i=$((i+1)); done");
  std::vector<double> times;
  for (const TToolSpan& s : ToolSpans(log)) times.push_back(s.end - s.start);
  return Median(times);
}

// The time of several tool runs at once, each command started at the same
// moment: from the first run's end of start-up to the last run's exit, so
// that their process starts are left out as in ToolMs.
inline double ToolParallelSpanMs(const std::vector<std::string>& commands) {
  const std::string log = fixtures::Folder() + "/tool_times_parallel.txt";
  std::remove(log.c_str());
  std::string script;
  for (const std::string& c : commands) script += ToolTimed(log, c) + " & ";
  fixtures::Run(script + "wait");
  const std::vector<TToolSpan> spans = ToolSpans(log);
  if (spans.size() != commands.size()) return 0;
  double first = spans[0].start, last = spans[0].end;
  for (const TToolSpan& s : spans) {
    first = std::min(first, s.start);
    last = std::max(last, s.end);
  }
  return last - first;
}
