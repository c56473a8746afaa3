// Scans run from many threads on one frame give what a single thread gets.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "scan_test_util.hpp"

using scantest::Patterned;
using scantest::Recorder;

namespace {

// One worker's share: a region scan, every scan line of a turned region,
// a ring and grid points; the checksum covers order and values.
uint64_t Work(const Frame* f, int seed) {
  uint64_t sum = 0;
  auto mix = [&sum](int x, int y, unsigned v) { sum = sum * 1000003 + (uint64_t(x) << 40) + (uint64_t(y) << 20) + v; };
  TRectangularRegion region{60.5, 45.25, 70, 40, 17.0 + seed};
  Recorder r;
  ScanRectangularRegion(f, &region, 1, &r, Recorder::Cb);
  for (int i = 0; i < 40; ++i) {
    int e[4];
    if (!GetScanRectangularRegionLine(f, &region, 40, i, seed % 2 ? 90 : 0, &e[0], &e[1], &e[2], &e[3])) continue;
    TLine line{double(e[0]), double(e[1]), double(e[2]), double(e[3])};
    ScanLine(f, &region, &line, 0, &r, Recorder::Cb);
  }
  TRing ring{60, 45, 30, 0, double(seed), seed + 200.0};
  ScanRing(f, &ring, 1, &r, 1, Recorder::Cb);
  for (int k = 0; k < 12; ++k) {
    int x, y;
    unsigned v;
    if (GetScanPoints(f, &region, 4, 3, k, 1, 0, &x, &y, &v)) mix(x, y, v);
  }
  for (const auto& s : r.got) mix(s.x, s.y, s.v);
  return sum;
}

TEST(ScanThreads, EightThreadsMatchOne) {
  talvix::FrameBuffer f = Patterned(120, 90, 32);
  constexpr int kThreads = 8;
  std::vector<uint64_t> want(kThreads), got(kThreads);
  for (int t = 0; t < kThreads; ++t) want[t] = Work(f.frame(), t);
  for (int round = 0; round < 5; ++round) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { got[t] = Work(f.frame(), t); });
    for (auto& th : threads) th.join();
    EXPECT_EQ(got, want);
  }
}

}  // namespace
