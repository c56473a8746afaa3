// The CI smoke run (bench/smoke.sh sets VISION_BENCH_SMOKE): every benchmark
// once at its smallest size. Benchmarks whose size is not one of their
// arguments read here whether to take their smallest.
#pragma once

#include <cstdlib>

namespace bench {

inline bool SmokeRun() {
  const char* v = std::getenv("VISION_BENCH_SMOKE");
  return v && *v && *v != '0';
}

}  // namespace bench
