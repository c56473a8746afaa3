// The elements of a drawn plate, taken through the border tracer as the
// pattern of geometric matching is.
#include <gtest/gtest.h>

#include <cmath>

#include "forvik_run.h"
#include "shapes_main.h"

namespace {

using forvik::ElementSet;
using forvik_test::Grey;

struct Tracer : forvik::CShapesMain {
  bool Run(const frame::RunArgs&) override { return false; }
};

TEST(PatternFeatures, ReducedCornerIndex) {
  const std::pair<int, int> cases[] = {{-1, -1}, {3, 3}, {14, 14}, {15, 14}, {30, 14}, {31, 15}, {40, 20}};
  for (const auto& [last, reduced] : cases) EXPECT_EQ(forvik::ReducedCornerLast(last), reduced) << last;
}

// A light plate with two round holes: four corners, two circles.
TEST(PatternFeatures, DrawnPlateWithHoles) {
  const double holes[][2] = {{90.4, 100.3}, {170.6, 99.7}};
  const talvix::FrameBuffer plate = Grey(260, 200, [&](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const double px = x + (sx + 0.5) / 4 - 0.5, py = y + (sy + 0.5) / 4 - 0.5;
        bool in = px >= 40 && px < 220 && py >= 40 && py < 160;
        for (const auto& h : holes) in = in && std::hypot(px - h[0], py - h[1]) > 16;
        hits += in;
      }
    return (210 * hits + 40 * (16 - hits)) / 16;
  });
  Tracer tracer;
  Tracer::Borders borders;
  ASSERT_TRUE(tracer.FindBorders(plate.frame(), nullptr, nullptr, 72, 20, 0, false, &borders));
  // A tight quality, as a clean drawing allows: a loose one also takes the
  // plate's corners for small arcs.
  ElementSet pattern;
  int cornerLast = -2;
  ASSERT_TRUE(tracer.ExtractPatternFeatures(borders, 200, 0.4f, 0.4f, 0.15f, pattern, &cornerLast));

  ASSERT_EQ(cornerLast, 3);
  ASSERT_EQ(pattern.corners.size(), 4u);
  const double corners[][2] = {{40, 40}, {219, 40}, {219, 159}, {40, 159}};
  for (const auto& k : corners) {
    const auto near = std::count_if(pattern.corners.begin(), pattern.corners.end(), [&](const forvik::ContourCorner& c) {
      return std::hypot(c.x - k[0], c.y - k[1]) < 2.0;
    });
    EXPECT_EQ(near, 1) << "corner " << k[0] << ", " << k[1];
  }
  for (const forvik::ContourCorner& c : pattern.corners) {
    ASSERT_LT(static_cast<size_t>(c.secondSegment), pattern.segments.size());
    EXPECT_NEAR(c.weight, pattern.segments[c.firstSegment].length * pattern.segments[c.secondSegment].length, 1e-6);
  }
  ASSERT_EQ(pattern.circles.size(), 2u);
  for (const auto& h : holes) {
    const auto near = std::count_if(pattern.circles.begin(), pattern.circles.end(), [&](const forvik::CircleCandidate& c) {
      return std::hypot(c.x - h[0], c.y - h[1]) < 1.0 && std::abs(c.radius - 16) < 1.5;
    });
    EXPECT_EQ(near, 1) << "hole " << h[0] << ", " << h[1];
  }
  // Six elements: every triple, plus copies of the nearly isosceles ones.
  EXPECT_GE(pattern.features.size(), 20u);

  // A loose quality takes the anti-aliased plate corners for small arcs too;
  // an arc left open where a trace ends never merges with a circle elsewhere
  // on the contour, so every circle sits at a hole or a corner.
  tracer.FindBorders(plate.frame(), nullptr, nullptr, 72, 20, 0, false, &borders);
  ASSERT_TRUE(tracer.ExtractPatternFeatures(borders, 200, 1.0f, 1.0f, 0.15f, pattern, &cornerLast));
  for (const forvik::CircleCandidate& c : pattern.circles) {
    const bool atHole = std::any_of(std::begin(holes), std::end(holes),
                                    [&](const auto& h) { return std::hypot(c.x - h[0], c.y - h[1]) < 1.0; });
    const bool atCorner = std::any_of(std::begin(corners), std::end(corners),
                                      [&](const auto& k) { return std::hypot(c.x - k[0], c.y - k[1]) < 15; });
    EXPECT_TRUE(atHole || atCorner) << c.x << ", " << c.y << " r " << c.radius;
  }
}

}  // namespace
