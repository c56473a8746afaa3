// Ring detection: the pairing of circle candidates, and drawn annuli found
// through the module.
#include <gtest/gtest.h>

#include <cmath>

#include "contour/rings.h"
#include "forvik_run.h"

namespace {

using forvik::CircleCandidate;
using forvik::PairRings;
using forvik::RingPair;
using forvik_test::Calls;
using forvik_test::Grey;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

TEST(RingPairing, Table) {
  struct Case {
    const char* name;
    std::vector<CircleCandidate> circles;  // in score order
    std::vector<std::pair<float, float>> rings;  // outer, inner
  } cases[] = {
      {"outer scores higher", {{100, 100, 40, 0, 900}, {100, 100, 20, 0, 500}}, {{40, 20}}},
      {"inner scores higher", {{100, 100, 20, 0, 900}, {100, 100, 40, 0, 500}}, {{40, 20}}},
      {"three concentric", {{50, 50, 40, 0, 900}, {50, 50, 30, 0, 800}, {50, 50, 20, 0, 700}},
       {{40, 30}, {40, 20}, {30, 20}}},
      {"equal radii", {{50, 50, 30, 0, 900}, {50, 50, 30, 0, 800}}, {}},
      {"centres 4.0 apart at radius 40", {{50, 50, 40, 0, 900}, {54, 50, 20, 0, 800}}, {}},
      {"centres 3.9 apart at radius 40", {{50, 50, 40, 0, 900}, {50, 53.9f, 20, 0, 800}}, {{40, 20}}},
      {"far apart", {{50, 50, 40, 0, 900}, {150, 50, 20, 0, 800}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<RingPair> got = PairRings(c.circles, static_cast<int>(c.circles.size()) - 1);
    ASSERT_EQ(got.size(), c.rings.size());
    for (size_t k = 0; k < got.size(); ++k) {
      EXPECT_FLOAT_EQ(got[k].outer, c.rings[k].first);
      EXPECT_FLOAT_EQ(got[k].inner, c.rings[k].second);
      const CircleCandidate& o = c.circles[static_cast<size_t>(got[k].outerIndex)];
      const CircleCandidate& i = c.circles[static_cast<size_t>(got[k].innerIndex)];
      EXPECT_FLOAT_EQ(got[k].x, (o.x + i.x) / 2);
      EXPECT_FLOAT_EQ(got[k].y, (o.y + i.y) / 2);
    }
  }
}

// A dark annulus between radii ri and ro (4x4 supersampled) on light.
FrameBuffer Annulus(double cx, double cy, double ro, double ri) {
  return Grey(200, 180, [=](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const double d = std::hypot(x + (sx + 0.5) / 4 - 0.5 - cx, y + (sy + 0.5) / 4 - 0.5 - cy);
        hits += d <= ro && d > ri ? 1 : 0;
      }
    return (40 * hits + 210 * (16 - hits)) / 16;
  });
}

struct Found {
  talvix::RunResult result;
  std::vector<TRing> rings;
  std::vector<double> count;
};

Found Detect(MethodRun& run, const FrameBuffer& f) {
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setNumbers(u"Scanline number", {40});
  Found out;
  out.result = run();
  out.rings = run.ctx.rings(u"Result rings");
  out.count = run.ctx.numbers(u"Number of results");
  return out;
}

TEST(RingByContour, DrawnAnnuli) {
  {
    MethodRun run("ring_detection_by_contour");
    const Found found = Detect(run, Annulus(100.4, 90.3, 40, 20));
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    ASSERT_EQ(found.count, std::vector<double>{1});
    ASSERT_EQ(found.rings.size(), 1u);
    EXPECT_NEAR(found.rings[0].cx, 100.4, 0.6);
    EXPECT_NEAR(found.rings[0].cy, 90.3, 0.6);
    EXPECT_NEAR(found.rings[0].r1, 40, 1.0);
    EXPECT_NEAR(found.rings[0].r2, 20, 1.0);
  }
  struct Case {
    const char* name;
    FrameBuffer frame;
  } none[] = {
      {"radii 40 and 35 merge into one circle", Annulus(100.4, 90.3, 40, 35)},
      {"a plain disc", Annulus(100.4, 90.3, 40, 0)},
      {"blank", FrameBuffer::make(200, 180, 8, 200)},
  };
  for (const Case& c : none) {
    SCOPED_TRACE(c.name);
    MethodRun run("ring_detection_by_contour");
    const Found found = Detect(run, c.frame);
    EXPECT_FALSE(found.result.ok);
    EXPECT_EQ(found.result.error, u"There are no detected rings");
    EXPECT_TRUE(found.count.empty());
    EXPECT_TRUE(found.rings.empty());
  }
}

TEST(RingByContour, Drawing) {
  for (const int level : {1, 2}) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    talvix::Inspection inspection;
    inspection.setDrawingLevel(level);
    MethodRun run("ring_detection_by_contour", &inspection);
    const Found found = Detect(run, Annulus(100.4, 90.3, 40, 20));
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    EXPECT_EQ(Calls(run.ctx, "DrawCircle").size(), 2u);
    EXPECT_EQ(Calls(run.ctx, "DrawLine").size(), 4u) << "a two-line cross per circle";
    const auto arrows = Calls(run.ctx, "DrawArrow");
    ASSERT_EQ(arrows.size(), 2u);
    // Outer radius to the right, inner radius downwards (larger rows).
    EXPECT_GT(arrows[0].args[2], arrows[0].args[0]);
    EXPECT_DOUBLE_EQ(arrows[0].args[3], arrows[0].args[1]);
    EXPECT_DOUBLE_EQ(arrows[1].args[2], arrows[1].args[0]);
    EXPECT_GT(arrows[1].args[3], arrows[1].args[1]);
    EXPECT_EQ(Calls(run.ctx, "DrawString").size(), level == 2 ? 3u : 2u);
  }
}

}  // namespace
