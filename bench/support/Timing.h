#pragma once
// Timing helpers for benchmarks that run several writers in turn within one iteration:
// the thread's CPU clock leaves out what other processes on a shared machine take.
#include <algorithm>
#include <ctime>
#include <vector>

namespace benchsupport {

inline double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double Min(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

}  // namespace benchsupport
