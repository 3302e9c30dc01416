// Timing helpers of the hand-run benchmarks: the median of several runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

// The middle value (0 for none).
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

inline double MedianSeconds(const std::function<void()>& work, int runs = 15) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto a = std::chrono::steady_clock::now();
    work();
    t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count());
  }
  return Median(t);
}

// The same in milliseconds.
inline double MedianMs(int runs, const std::function<void()>& work) { return MedianSeconds(work, runs) * 1e3; }

inline void ReportPair(const char* what, double pixels, double ours, double reference) {
  std::printf("%-34s ours %9.1f Mpixel/s (%8.3f ms)  reference %9.1f Mpixel/s (%8.3f ms)  ratio %6.2fx\n", what,
              pixels / ours / 1e6, ours * 1e3, pixels / reference / 1e6, reference * 1e3, reference / ours);
}
