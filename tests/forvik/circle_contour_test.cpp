// Circle detection by contour on drawn discs.
#include <gtest/gtest.h>

#include <cmath>

#include "forvik_run.h"

namespace {

using forvik_test::Calls;
using forvik_test::Disc;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

struct Found {
  talvix::RunResult result;
  std::vector<TRing> rings;
  std::vector<double> count;
};

Found Detect(const FrameBuffer& f, bool arcs = true, double lines = 40, talvix::Inspection* inspection = nullptr,
             MethodRun* reuse = nullptr) {
  MethodRun own("circle_detection_by_contour", inspection);
  MethodRun& run = reuse ? *reuse : own;
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setNumbers(u"Scanline number", {lines});
  run.ctx.setFlags(u"Arcs [true - all arcs; false - only circles]", {arcs});
  Found out;
  out.result = run();
  out.rings = run.ctx.rings(u"Result circles");
  out.count = run.ctx.numbers(u"Results number");
  return out;
}

// One disc per level's radius range, at sub-pixel centres, dark on light and
// light on dark; one instance serves all, so frame sizes change between runs.
TEST(CircleByContour, DiscsOfEveryLevel) {
  struct Case {
    int w, d;
    double cx, cy, r;
  } cases[] = {
      {120, 100, 50.3, 48.6, 10},    // 4-list
      {160, 140, 80.5, 70.25, 30},   // 8-list
      {300, 260, 150.7, 130.4, 60},  // 16-list
      {400, 400, 200.2, 199.6, 130}, // 32-list
  };
  MethodRun run("circle_detection_by_contour");
  for (const Case& c : cases) {
    for (bool dark : {true, false}) {
      SCOPED_TRACE(testing::Message() << "r " << c.r << (dark ? " dark" : " light"));
      const FrameBuffer f = Disc(c.w, c.d, c.cx, c.cy, c.r, dark ? 40 : 210, dark ? 210 : 40);
      const Found found = Detect(f, true, 40, nullptr, &run);
      ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
      ASSERT_EQ(found.count, std::vector<double>{1});
      ASSERT_EQ(found.rings.size(), 1u);
      const TRing& ring = found.rings[0];
      EXPECT_NEAR(ring.cx, c.cx, 0.6);
      EXPECT_NEAR(ring.cy, c.cy, 0.6);
      EXPECT_NEAR(ring.r1, c.r, 1.0);
      EXPECT_EQ(ring.r2, 0);
    }
  }
}

// A disc with a square bite out of it: an arc, found only with arcs on.
TEST(CircleByContour, PartialArcNeedsArcsOn) {
  FrameBuffer f = Disc(160, 140, 80.5, 70.5, 30, 40, 210);
  for (int y = 60; y < 82; ++y)
    for (int x = 95; x < 115; ++x) f.pixel(x, y)[0] = 210;
  const Found on = Detect(f, true);
  ASSERT_TRUE(on.result.ok) << talvix::ToUtf8(on.result.error);
  EXPECT_NEAR(on.rings.at(0).cx, 80.5, 1.0);
  EXPECT_NEAR(on.rings.at(0).r1, 30, 1.0);
  const Found off = Detect(f, false);
  EXPECT_FALSE(off.result.ok);
  EXPECT_EQ(off.result.error, u"There are no detected circles or arcs");
}

TEST(CircleByContour, BlankFrameFailsWithoutOutputs) {
  const Found found = Detect(FrameBuffer::make(100, 80, 8, 128));
  EXPECT_FALSE(found.result.ok);
  EXPECT_EQ(found.result.error, u"There are no detected circles or arcs");
  EXPECT_TRUE(found.count.empty());
}

// The radius label turns left near the right border; the centre label moves
// above the circle near the bottom.
TEST(CircleByContour, LabelPlacement) {
  struct Case {
    const char* name;
    double cx, cy;
    bool arrowLeft;
  } cases[] = {{"middle", 80.5, 70.5, false}, {"right border", 166.5, 70.5, true}, {"bottom", 80.5, 31.5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    talvix::Inspection inspection;
    inspection.setDrawingLevel(2);
    const FrameBuffer f = Disc(200, 140, c.cx, c.cy, 30, 40, 210);
    MethodRun run("circle_detection_by_contour", &inspection);
    const Found found = Detect(f, true, 40, &inspection, &run);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    const TRing ring = found.rings.at(0);
    ASSERT_EQ(Calls(run.ctx, "DrawCircle").size(), 1u);
    EXPECT_EQ(Calls(run.ctx, "DrawLine").size(), 4u) << "centre cross";
    const auto arrows = Calls(run.ctx, "DrawArrow");
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_DOUBLE_EQ(arrows[0].args[2], c.arrowLeft ? ring.cx - ring.r1 : ring.cx + ring.r1);
    const auto texts = Calls(run.ctx, "DrawString");
    ASSERT_EQ(texts.size(), 2u);
    char radius[32];
    std::snprintf(radius, sizeof radius, "%.2f", ring.r1);
    EXPECT_EQ(talvix::ToUtf8(texts[0].text), radius);
    // Text boxes are 8 px a character and 16 px deep.
    const double w = 8.0 * texts[0].text.size();
    const double X = c.arrowLeft ? ring.cx - ring.r1 - 16 - w : static_cast<int>(ring.cx + ring.r1 + 16);
    EXPECT_DOUBLE_EQ(texts[0].args[1], X);
    // The centre label is wider than the radius: above the circle, or below
    // it where that would leave the frame.
    const double below = static_cast<int>(ring.cy - ring.r1 - 32);
    EXPECT_DOUBLE_EQ(texts[1].args[2], below > 0 ? below : ring.cy + ring.r1 + 16);
  }
}

}  // namespace
