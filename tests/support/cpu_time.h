// Bounds on a run's cost that hold however busy the machine is.
#pragma once

#include <ctime>

namespace test_cost {

// CPU seconds this process has used, every thread counted. Unlike the wall
// clock it does not grow while other processes hold the cores, so a bound on
// it tells bounded work from minutes or days on a loaded CI machine too.
inline double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Process CPU seconds that f() takes.
template <class F>
double CpuSecondsOf(F&& f) {
  const double start = ProcessCpuSeconds();
  f();
  return ProcessCpuSeconds() - start;
}

// A stopwatch over process CPU time, for a span of statements.
class CpuStopwatch {
 public:
  double seconds() const { return ProcessCpuSeconds() - start_; }

 private:
  double start_ = ProcessCpuSeconds();
};

}  // namespace test_cost
