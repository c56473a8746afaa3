// The scan-line span: every line or grid column the host puts on the frame
// lies inside it, and huge counts or regions leave a frame-sized span.
#include "frame/scan_span.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "talvix/host.hpp"

namespace {

TEST(ScanSpan, HoldsEveryLineAndColumnThatReachesTheFrame) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(64, 48, 8);
  const Frame* f = fb.frame();
  const TRectangularRegion regions[] = {
      {32, 24, 64, 48, 0},    {10, 5, 200, 300, 0},   {32, 24, 50, 30, 35}, {-40, 24, 100, 20, 0},
      {32, 24, 500, 700, 72}, {60, 40, 30, 90, -120}, {32, 100, 64, 20, 0},
  };
  for (const TRectangularRegion& r : regions)
    for (int count : {1, 7, 40, 333}) {
      SCOPED_TRACE(testing::Message() << r.cx << "," << r.cy << " " << r.width << "x" << r.height << " a" << r.angle
                                      << " n" << count);
      const frame::ScanSpan rows = frame::ScanSpanInFrame(f, &r, count);
      const frame::ScanSpan cols = frame::ScanSpanInFrame(f, &r, count, true);
      // Angle-0 lines number like the rows, angle-90 lines like the columns.
      for (const auto& [span, angle] : {std::pair{rows, 0.0}, std::pair{cols, 90.0}})
        for (int i = 0; i < span.count; ++i) {
          int x0, y0, x1, y1;
          if (!GetScanRectangularRegionLine(f, &r, span.count, i, angle, &x0, &y0, &x1, &y1)) continue;
          EXPECT_GE(i, span.first);
          EXPECT_LE(i, span.last);
        }
      for (int c = 0; c < cols.count; ++c)
        for (int row = 0; row < rows.count; ++row) {
          int x, y;
          unsigned v;
          if (!GetScanPoints(f, &r, cols.count, rows.count, row * cols.count + c, 1, 0, &x, &y, &v)) continue;
          if (x < 0 || x >= 64 || y < 0 || y >= 48) continue;
          EXPECT_GE(c, cols.first);
          EXPECT_LE(c, cols.last);
          EXPECT_GE(row, rows.first);
          EXPECT_LE(row, rows.last);
        }
    }
}

TEST(ScanSpan, HugeCountsAndRegionsGiveFrameSizedSpans) {
  talvix::FrameBuffer fb = talvix::FrameBuffer::make(64, 48, 8);
  const Frame* f = fb.frame();
  struct Case {
    TRectangularRegion r;
    int count;
    double perPixel;
    int wantCount;  // -1: not checked
  };
  const Case cases[] = {
      {{32, 24, 64, 48, 0}, 2147483647, 1, 48},
      {{32, 24, 64, 48, 0}, 2147483647, 4, 192},
      {{32, 24, 1e12, 1e12, 30}, 2147483647, 1, 2147483647},
      {{32, 24, 64, 3e9, 0}, 2147483647, 1, 2147483647},
      {{1e12, 24, 64, 48, 0}, 100, 1, -1},
  };
  for (const Case& c : cases) {
    const frame::ScanSpan s = frame::ScanSpanInFrame(f, &c.r, c.count, false, c.perPixel);
    if (c.wantCount >= 0) {
      EXPECT_EQ(s.count, c.wantCount);
    }
    EXPECT_LE(s.last - s.first + 1, 4 * (64 + 48) * c.perPixel);
  }
  // What the host refuses has no lines.
  const double bad[] = {std::nan(""), HUGE_VAL};
  for (double v : bad) {
    const TRectangularRegion r{32, 24, v, 48, 0};
    const frame::ScanSpan s = frame::ScanSpanInFrame(f, &r, 10);
    EXPECT_LT(s.last, s.first);
  }
  EXPECT_LT(frame::ScanSpanInFrame(nullptr, nullptr, 10).last, 0);
  EXPECT_EQ(frame::ScanSpanInFrame(f, nullptr, 1000).count, 48);
}

}  // namespace
