// Calipers whose region reaches past the frame: the scan lines are cut to
// the frame, so the ground or object at their ends is read from the frame's
// own pixels and the answer is the one on the frame itself.
#include <gtest/gtest.h>

#include <cmath>

#include "forvik_run.h"

namespace {

using forvik_test::ExpectSameLine;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

constexpr int kW = 200, kD = 160;

struct Answer {
  talvix::RunResult result;
  std::vector<double> widest, narrowest;
  std::vector<TLine> widestLine, narrowestLine;
};

Answer Measure(const char* method, const FrameBuffer& f, const TRectangularRegion* region, int lines) {
  MethodRun run(method);
  run.ctx.setFrame(u"Input frame", f);
  if (region) run.ctx.setRegions(u"Examination region", {*region});
  run.ctx.setNumbers(u"Horizontal scanline number", {static_cast<double>(lines)});
  Answer a;
  a.result = run();
  a.widest = run.ctx.numbers(u"Caliper maximum length");
  a.narrowest = run.ctx.numbers(u"Caliper minimum length");
  a.widestLine = run.ctx.lines(u"Result maximum caliper");
  a.narrowestLine = run.ctx.lines(u"Result minimum caliper");
  return a;
}

// A blob whose width changes from row to row (a disc and a bar beside it),
// dark on light or light on dark; for the inner caliper a channel between
// two walls of changing width, open to the frame's edge on a few rows.
FrameBuffer Scene(bool inner, bool darkObject) {
  const int object = darkObject ? 30 : 220, ground = darkObject ? 220 : 30;
  return forvik_test::Grey(kW, kD, [=](int x, int y) {
    bool in;
    if (inner) {
      const int left = 40 + y / 6, right = 150 + (y * y) % 23;  // the walls
      in = (x < left && (y < 100 || y >= 112)) || x >= right;
    } else {
      in = std::hypot(x - 90.3, y - 80.6) <= 45 || (x >= 120 && x < 170 && y >= 30 && y < 30 + (x - 100));
    }
    return in ? object : ground;
  });
}

// A region one pixel past the frame on every side with one scan line per
// row scans the frame's rows, so every output is the frame's.
TEST(CaliperPastTheFrame, RegionOnePixelPastAnswersAsTheFrame) {
  const TRectangularRegion past{kW / 2.0, kD / 2.0, kW + 2.0, kD + 2.0, 0};
  for (const char* method : {"outer_caliper", "inner_caliper"}) {
    for (const bool darkObject : {true, false}) {
      SCOPED_TRACE(testing::Message() << method << (darkObject ? ", dark object" : ", light object"));
      const bool inner = std::string(method) == "inner_caliper";
      const FrameBuffer f = Scene(inner, darkObject);
      const Answer frame = Measure(method, f, nullptr, kD);
      ASSERT_TRUE(frame.result.ok) << talvix::ToUtf8(frame.result.error);
      ASSERT_NE(frame.widest, frame.narrowest);
      const Answer a = Measure(method, f, &past, kD + 2);
      ASSERT_TRUE(a.result.ok) << talvix::ToUtf8(a.result.error);
      EXPECT_EQ(a.widest, frame.widest);
      EXPECT_EQ(a.narrowest, frame.narrowest);
      ExpectSameLine(a.widestLine.at(0), frame.widestLine.at(0));
      ExpectSameLine(a.narrowestLine.at(0), frame.narrowestLine.at(0));
    }
  }
}

// With the default line count the lines of the larger region lie up to a
// row from the frame's; on a scene whose widths change only every 20 rows
// (the inner caliper's channel open to the left on one band) the widths are
// the frame's, and no end lies off the frame.
TEST(CaliperPastTheFrame, EndsStayOnTheFrame) {
  for (const char* method : {"outer_caliper", "inner_caliper"}) {
    SCOPED_TRACE(method);
    const bool inner = std::string(method) == "inner_caliper";
    const FrameBuffer f = forvik_test::Grey(kW, kD, [=](int x, int y) {
      const int band = y / 20;
      const bool in =
          inner ? (x < 30 + 5 * band && band != 3) || x >= 170 - 3 * band : x >= 60 - 4 * band && x < 130 + 2 * band;
      return in ? 30 : 220;
    });
    const Answer frame = Measure(method, f, nullptr, kD / 8);
    ASSERT_TRUE(frame.result.ok) << talvix::ToUtf8(frame.result.error);
    for (const double margin : {1.0, 6.0}) {
      SCOPED_TRACE(testing::Message() << margin << " px past");
      const TRectangularRegion past{kW / 2.0, kD / 2.0, kW + 2 * margin, kD + 2 * margin, 0};
      const Answer a = Measure(method, f, &past, kD / 8);
      ASSERT_TRUE(a.result.ok) << talvix::ToUtf8(a.result.error);
      EXPECT_EQ(a.widest, frame.widest);
      EXPECT_EQ(a.narrowest, frame.narrowest);
      for (const TLine& l : {a.widestLine.at(0), a.narrowestLine.at(0)}) {
        for (const double x : {l.x0, l.x1}) {
          EXPECT_GE(x, 0);
          EXPECT_LT(x, kW);
        }
      }
    }
  }
}

}  // namespace
