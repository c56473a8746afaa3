// Shared pieces of the geometry tests of ilvant: thread-count comparisons and
// frame helpers.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <functional>
#include <string>
#include <vector>

#include "ilvant_run.h"

namespace ilvant_geometry {

using talvix::FrameBuffer;

// Runs the method with `threads` OpenMP threads and gives back its output.
inline std::vector<uint8_t> OutputWithThreads(const std::string& id, int threads,
                                              const std::function<void(talvix::RunContext&)>& setup) {
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
  ilvant_test::MethodRun run(id);
  setup(run.ctx);
  const talvix::RunResult r = run();
  omp_set_num_threads(before);
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? run.out().bytes() : std::vector<uint8_t>{};
}

// One thread and eight threads must give the same bytes.
inline void ExpectThreadsAgree(const std::string& id, const std::function<void(talvix::RunContext&)>& setup) {
  const std::vector<uint8_t> one = OutputWithThreads(id, 1, setup);
  const std::vector<uint8_t> eight = OutputWithThreads(id, 8, setup);
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one == eight) << id << ": 1 and 8 threads differ";
}

// A frame of w x d pixels with every colour byte `v` (alpha 255 at 32 bpp).
inline FrameBuffer Constant(int w, int d, int bpp, uint8_t v) { return FrameBuffer::make(w, d, bpp, v); }

// Pixel bytes without the row padding, for whole-frame comparisons.
inline std::vector<uint8_t> Pixels(const FrameBuffer& f) {
  std::vector<uint8_t> out;
  const int n = f.width() * f.bpp() / 8;
  for (int y = 0; y < f.depth(); ++y) out.insert(out.end(), f.row(y), f.row(y) + n);
  return out;
}

inline std::u16string Corrected(const std::u16string& name, int oldValue, int newValue) {
  return u"Not acceptable value of the parameter " + name + u" (" + talvix::ToU16(std::to_string(oldValue)) +
         u"). It will be used new value " + talvix::ToU16(std::to_string(newValue)) + u".";
}

inline std::u16string ArrayWarning(const std::u16string& name) {
  return u"Only the first element of the array would be evaluated in the input data object " + name;
}

}  // namespace ilvant_geometry
