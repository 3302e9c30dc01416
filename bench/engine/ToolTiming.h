// The reference tools' side of the engine benchmarks.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "engine/Fixtures.h"

// Median time of the tool's work, its process start left out: a preloaded
// timer measures from the end of its start-up (libraries loaded) to its exit.
inline double ToolMs(const std::string& command, int runs) {
  const std::string log = fixtures::Folder() + "/tool_times.txt";
  std::remove(log.c_str());
  fixtures::Run("i=0; while [ $i -lt " + std::to_string(runs) + " ]; do TESS_TOOL_TIME='" + log +
                "' LD_PRELOAD='" TESS_TOOL_TIMER "' " + command + " > /dev/null 2>&1; i=$((i+1)); done");
  std::vector<double> times;
  std::istringstream in(fixtures::ReadAll(log));
  double t;
  while (in >> t) times.push_back(t);
  return Median(times);
}
