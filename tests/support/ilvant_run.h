// Running ilvant methods through the module's exported interface, and frames
// with reproducible contents for them.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "modules/ilvant/frame_access.h"
#include "module_run.h"
#include "talvix/host.hpp"
#include "test_frames.h"

namespace ilvant_test {

// The module, loaded once per test process.
inline talvix::Module& Ilvant() { return module_test::Load("ilvant"); }

// One run context for a method by id; the handle of a stateless method is its index.
struct MethodRun {
  explicit MethodRun(const std::string& id) : index(Ilvant().findMethod(id)), ctx(Ilvant(), index) {}
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(Ilvant().create(index), errLen); }
  const talvix::FrameBuffer& out() const {
    const talvix::FrameBuffer* f = ctx.frame(u"Output frame");
    if (!f) throw std::runtime_error("no output frame");
    return *f;
  }
  int index;
  talvix::RunContext ctx;
};

using test_frames::Pattern;

// A grey frame whose memory row y, column x holds f(x, y).
template <class F>
talvix::FrameBuffer Grey(int w, int d, F f) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) fb.pixel(x, y)[0] = static_cast<uint8_t>(f(x, y));
  return fb;
}

// Every output frame's bytes after one run with the given thread count.
inline std::vector<std::vector<uint8_t>> OutputsWithThreads(const std::string& id, int threads,
                                                            const std::function<void(talvix::RunContext&)>& setup) {
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
  MethodRun run(id);
  setup(run.ctx);
  const talvix::RunResult r = run();
  omp_set_num_threads(before);
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  std::vector<std::vector<uint8_t>> out;
  for (const std::u16string& name : run.ctx.outputFrameNames()) out.push_back(run.ctx.frame(name)->bytes());
  return out;
}

// One thread and eight threads must write identical bytes.
// Frames at least this large are split over the threads; smaller ones run on
// one, where a thread test could not fail.
inline constexpr int kSplitWidth = 301, kSplitDepth = 131;
static_assert(static_cast<long>(kSplitWidth) * kSplitDepth >= ilvant::kParallelPixels);

inline void ExpectThreadsAgree(const std::string& id, const std::function<void(talvix::RunContext&)>& setup) {
  SCOPED_TRACE(id);
  const auto one = OutputsWithThreads(id, 1, setup);
  const auto eight = OutputsWithThreads(id, 8, setup);
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one == eight) << id << ": 1 and 8 threads differ";
}

// The canary that the host writes into new output frames in these tests.
inline constexpr uint8_t kCanary = 0xCD;

}  // namespace ilvant_test
