// Huge scan-line counts: every method that lays lines across a region or
// spokes round a ring answers promptly; across a region with what the count
// bounded to 65536 lines gives, while a thin region over-sampled by an
// ordinary count keeps every line (the spokes' own bound is tested with the
// radial methods). Huge object lengths answer as a length
// longer than any line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "cpu_time.h"
#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

talvix::FrameBuffer BrightDisc() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(100, 100, 8, 30);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (std::hypot(x - 50, y - 50) <= 20) *f.pixel(x, y) = 220;
  return f;
}

struct Outcome {
  bool ok;
  std::string error;
  std::vector<double> points;  // x, y of each point
  std::vector<double> lines;   // x0, y0, x1, y1 of each line
};


TEST(LineCount, HugeCountIsBoundedFarPastOrdinaryCounts) {
  struct Case {
    const char* method;
    const char16_t* pointsOut;
    const char16_t* lineOut;  // null: none
    double bounded;           // the count a huge request is held to
  } cases[] = {
      {"edge_profile_by_threshold", u"Position of points", nullptr, 65536},
      {"edge_profile_by_contour", u"Position of points", nullptr, 65536},
      {"straight_edge_detection_by_threshold", nullptr, u"Detected edge", 65536},
      {"line_edge_detection_by_contour", u"Used points", u"Detected edge", 65536},
      {"best_line_edge_detection_by_threshold", u"Detected points", u"Detected edge", 65536},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    const auto runWith = [&](double count) {
      MethodRun run(c.method);
      run.ctx.setFrame(u"Input frame", BrightDisc());
      run.ctx.setRegions(u"Region", {{45, 50, 50, 10, 0}});
      run.ctx.setNumbers(u"Number of horizontal scan lines", {count});
      run.ctx.setFlags(u"Negative", {true});
      const talvix::RunResult r = run();
      Outcome o{r.ok, Utf8(r.error), {}, {}};
      if (c.pointsOut)
        for (const TPoint& p : run.ctx.points(c.pointsOut)) o.points.insert(o.points.end(), {p.x, p.y});
      if (c.lineOut)
        for (const TLine& l : run.ctx.lines(c.lineOut)) o.lines.insert(o.lines.end(), {l.x0, l.y0, l.x1, l.y1});
      return o;
    };
    Outcome huge;
    EXPECT_LT(test_cost::CpuSecondsOf([&] { huge = runWith(1e300); }), 30.0);
    const Outcome bounded = runWith(c.bounded);
    ASSERT_TRUE(bounded.ok) << bounded.error;
    EXPECT_EQ(huge.ok, bounded.ok);
    EXPECT_EQ(huge.error, bounded.error);
    EXPECT_EQ(huge.points, bounded.points);
    EXPECT_EQ(huge.lines, bounded.lines);
  }
}

// A count held to the bound is warned, in the integer form while the count
// has one; a count within the bound is laid as asked, without a warning. No
// more lines are laid than the bound: at most one point per line.
TEST(LineCount, CountsHeldToTheBoundAreWarned) {
  const struct {
    const char* method;
    const char16_t* pointsOut;  // one point at most per line; null: none
  } methods[] = {
      {"edge_profile_by_threshold", u"Position of points"},
      {"edge_profile_by_contour", u"Position of points"},
      {"straight_edge_detection_by_threshold", nullptr},
      {"straight_edge_detection_by_contour", nullptr},
      {"line_edge_detection_by_threshold", u"Used points"},
      {"line_edge_detection_by_contour", u"Used points"},
      {"best_line_edge_detection_by_threshold", u"Detected points"},
      {"best_line_edge_detection_by_contour", u"Detected points"},
  };
  const std::u16string prefix = u"Not acceptable value of the parameter Number of horizontal scan lines (";
  const struct {
    double asked;
    std::u16string warning;  // empty: none
  } counts[] = {
      {65536, u""},
      {65537, prefix + u"65537). It will be used new value 65536."},
      {3e9, prefix + u"3000000000.000000). It will be used new value 65536.000000."},
  };
  for (const auto& m : methods) {
    for (const auto& c : counts) {
      SCOPED_TRACE(testing::Message() << m.method << " " << c.asked);
      MethodRun run(m.method);
      run.ctx.setFrame(u"Input frame", BrightDisc());
      run.ctx.setRegions(u"Region", {{45, 50, 50, 10, 0}});
      run.ctx.setNumbers(u"Number of horizontal scan lines", {c.asked});
      run.ctx.setFlags(u"Negative", {true});
      run();
      EXPECT_EQ(run.ctx.warnings(),
                c.warning.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{c.warning});
      if (m.pointsOut) {
        EXPECT_LE(run.ctx.points(m.pointsOut).size(), 65536u);
      }
    }
  }
}

// More lines than a thin region has rows is an ordinary request: each line
// asked for is laid and gives its point.
TEST(LineCount, ThinRegionKeepsEveryLineAskedFor) {
  for (const char* method : {"edge_profile_by_threshold", "edge_profile_by_contour"}) {
    SCOPED_TRACE(method);
    MethodRun run(method);
    run.ctx.setFrame(u"Input frame", BrightDisc());
    run.ctx.setRegions(u"Region", {{45, 50, 50, 10, 0}});
    run.ctx.setNumbers(u"Number of horizontal scan lines", {15});
    run.ctx.setFlags(u"Negative", {true});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_EQ(run.ctx.points(u"Position of points").size(), 15u);
    EXPECT_TRUE(run.ctx.warnings().empty());
  }
}

// A region or ring far past the frame with a huge count lays its lines only
// where they reach the frame: a prompt answer, true or with its text. The
// disc inside a ring of any size is found.
TEST(LineCount, RegionsFarPastTheFrameAnswerPromptly) {
  struct Case {
    const char* method;
    bool ring;
  } cases[] = {
      {"get_segment_borders", false},
      {"edge_profile_by_threshold", false},
      {"edge_profile_by_contour", false},
      {"line_edge_detection_by_threshold", false},
      {"radial_edge_detection_by_threshold", true},
      {"radial_edge_detection_by_contour", true},
  };
  const auto timed = [](MethodRun& run, talvix::RunResult* r) {
    return test_cost::CpuSecondsOf([&] { *r = run(); });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    MethodRun run(c.method);
    run.ctx.setFrame(u"Input frame", BrightDisc());
    // A ring lays every spoke asked for up to its own bound: it takes no
    // longer far past the frame than within it.
    double most = 30.0;
    if (c.ring) {
      run.ctx.setRingRegions(u"Ring", {{50, 50, 0, 45, 0, 0}});
      run.ctx.setNumbers(u"Number of scan lines", {3e9});
      talvix::RunResult within;
      most = 10 * timed(run, &within) + 2.0;
      run.ctx.setRingRegions(u"Ring", {{50, 50, 0, 1e12, 0, 0}});
    } else {
      run.ctx.setRegions(u"Region", {{50, 50, 1e12, 1e12, 3e9}});
      run.ctx.setNumbers(u"Number of horizontal scan lines", {3e9});
    }
    talvix::RunResult r;
    EXPECT_LT(timed(run, &r), most);
    if (c.ring) {
      EXPECT_TRUE(r.ok) << Utf8(r.error);
      for (const TPoint& p : run.ctx.points(u"Detected points")) EXPECT_NEAR(std::hypot(p.x - 50, p.y - 50), 20, 2);
    } else if (!r.ok) {
      EXPECT_FALSE(r.error.empty());
    }
  }
}

// A minimum object length past the int range is one no line can hold: the
// same answer as a length longer than the frame, and no overflow on the way.
TEST(LineCount, HugeMinimumLengthAnswersAsOneLongerThanAnyLine) {
  struct Case {
    const char* method;
    bool ring;
  } cases[] = {
      {"edge_profile_by_threshold", false},          {"straight_edge_detection_by_threshold", false},
      {"line_edge_detection_by_threshold", false},   {"best_line_edge_detection_by_threshold", false},
      {"radial_edge_detection_by_threshold", true},
  };
  for (const Case& c : cases) {
    const auto runWith = [&](double length) {
      MethodRun run(c.method);
      run.ctx.setFrame(u"Input frame", BrightDisc());
      if (c.ring) {
        run.ctx.setRingRegions(u"Ring", {{50, 50, 5, 45, 0, 0}});
        run.ctx.setNumbers(u"Number of scan lines", {16});
      } else {
        run.ctx.setRegions(u"Region", {{45, 50, 50, 10, 0}});
        run.ctx.setNumbers(u"Number of horizontal scan lines", {5});
        run.ctx.setFlags(u"Negative", {true});
      }
      run.ctx.setNumbers(u"Minimum length of object", {length});
      const talvix::RunResult r = run();
      return std::pair{r.ok, Utf8(r.error)};
    };
    const auto longerThanAnyLine = runWith(1000);
    for (double length : {3e9, 1e12, 1e300, std::numeric_limits<double>::infinity()}) {
      SCOPED_TRACE(testing::Message() << c.method << " " << length);
      EXPECT_EQ(runWith(length), longerThanAnyLine);
    }
  }
}

}  // namespace
