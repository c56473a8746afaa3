// Object detection by threshold, colour and texture, and gap filling, on
// drawn frames, checked against a plain 4-connected labelling in the test.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

talvix::FrameBuffer Grey(int w, int d, const std::function<int(int, int)>& value) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) *f.pixel(x, y) = static_cast<uint8_t>(value(x, y));
  return f;
}

struct Expected {
  int area = 0;
  int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
  double cx = 0, cy = 0;
  std::vector<std::pair<int, int>> pixels;
};

// 4-connected components of the pixels where in(x, y), in the order of their
// first pixel row by row, with centroids weighted by weight(x, y).
std::vector<Expected> Components(int w, int d, const std::function<bool(int, int)>& in,
                                 const std::function<double(int, int)>& weight) {
  std::vector<int> seen(static_cast<size_t>(w) * d, 0);
  std::vector<Expected> out;
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      if (seen[y * w + x] || !in(x, y)) continue;
      Expected e;
      double sw = 0, sx = 0, sy = 0;
      std::vector<std::pair<int, int>> todo{{x, y}};
      seen[y * w + x] = 1;
      while (!todo.empty()) {
        const auto [px, py] = todo.back();
        todo.pop_back();
        e.pixels.push_back({px, py});
        ++e.area;
        e.minX = std::min(e.minX, px);
        e.maxX = std::max(e.maxX, px);
        e.minY = std::min(e.minY, py);
        e.maxY = std::max(e.maxY, py);
        const double wt = weight(px, py);
        sw += wt;
        sx += wt * px;
        sy += wt * py;
        for (const auto& [nx, ny] : {std::pair{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}}) {
          if (nx < 0 || ny < 0 || nx >= w || ny >= d || seen[ny * w + nx] || !in(nx, ny)) continue;
          seen[ny * w + nx] = 1;
          todo.push_back({nx, ny});
        }
      }
      e.cx = sx / sw;
      e.cy = sy / sw;
      out.push_back(std::move(e));
    }
  return out;
}

double Character(const Expected& e, double cx, double cy) {
  double s = 0;
  for (const auto& [x, y] : e.pixels) s += (x - cx) * (x - cx) + (y - cy) * (y - cy);
  const double n = e.area;
  return n > 1 ? std::max(0.0, (s / n / (n - 1) - 0.1592) * 10) : 0.0;
}

// The run's objects against the expected ones, in order.
void ExpectObjects(const MethodRun& run, const std::vector<Expected>& expected, bool boxes = true) {
  const auto centroids = run.ctx.points(u"Centroid");
  const std::u16string sizeName = run.index == 26 ? u"Size of gap" : u"Size of object";
  const auto sizes = run.ctx.numbers(sizeName);
  const auto characters =
      run.ctx.numbers(run.index == 26 ? u"Character of gap distribution" : u"Character of object distribution");
  const auto countOut = run.ctx.numbers(run.index == 26 ? u"Number of gaps detected" : u"Number of objects detected");
  EXPECT_EQ(countOut, std::vector<double>{double(expected.size())});
  ASSERT_EQ(centroids.size(), expected.size());
  ASSERT_EQ(sizes.size(), expected.size());
  ASSERT_EQ(characters.size(), expected.size());
  const auto regions = boxes ? run.ctx.rectangles(u"Object bounding box") : std::vector<TRectangle>{};
  if (boxes) {
    ASSERT_EQ(regions.size(), expected.size());
  }
  for (size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(k);
    const Expected& e = expected[k];
    EXPECT_EQ(sizes[k], e.area);
    EXPECT_NEAR(centroids[k].x, e.cx, 1e-4);
    EXPECT_NEAR(centroids[k].y, e.cy, 1e-4);
    EXPECT_NEAR(characters[k], Character(e, centroids[k].x, centroids[k].y), 1e-4);
    if (!boxes) continue;
    EXPECT_EQ(regions[k].cx, (e.minX + e.maxX) / 2.0);
    EXPECT_EQ(regions[k].cy, (e.minY + e.maxY) / 2.0);
    EXPECT_EQ(regions[k].width, e.maxX - e.minX + 1);
    EXPECT_EQ(regions[k].height, e.maxY - e.minY + 1);
  }
}

// A disc of radius 10 whose grey values rise to the right, a 20 x 10
// rectangle, and a single pixel at the level itself (in no object).
int Scene(int x, int y, bool inverted) {
  int v = 200;
  if (std::hypot(x - 30, y - 40) <= 10) v = 20 + (x - 20);
  if (x >= 70 && x < 90 && y >= 60 && y < 70) v = 80;
  if (inverted) v = 255 - v;
  return x == 100 && y == 20 ? 127 : v;
}

TEST(Objects, ByThreshold) {
  for (bool negative : {false, true}) {
    SCOPED_TRACE(negative ? "Negative" : "dark objects");
    const auto value = [negative](int x, int y) { return Scene(x, y, negative); };
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(120, 100, value));
    run.ctx.setNumbers(u"Threshold", {0.5});
    run.ctx.setFlags(u"Negative", {negative});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    const auto expected = Components(
        120, 100, [&](int x, int y) { return negative ? value(x, y) > 127 : value(x, y) < 127; },
        [&](int x, int y) { return std::abs(value(x, y) - 127); });
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(expected[1].area, 200);
    ExpectObjects(run, expected);
    EXPECT_LT(run.ctx.numbers(u"Character of object distribution")[0], 0.05) << "a disc";
  }
}

TEST(Objects, MinimumSizeAndFailures) {
  const auto square = [](int x, int y) { return x >= 10 && x < 20 && y >= 10 && y < 20 ? 0 : 255; };
  for (double minimum : {100.0, 101.0}) {
    SCOPED_TRACE(minimum);
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(40, 40, square));
    run.ctx.setNumbers(u"Minimum number of pixels", {minimum});
    const talvix::RunResult r = run();
    EXPECT_EQ(r.ok, minimum == 100);
    EXPECT_EQ(run.ctx.numbers(u"Number of objects detected"), std::vector<double>{minimum == 100 ? 1.0 : 0.0});
    if (!r.ok) {
      EXPECT_EQ(Utf8(r.error), "No spots found");
    }
  }
  {
    SCOPED_TRACE("an empty region array");
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(40, 40, square));
    run.ctx.setEmpty(u"Region");
    EXPECT_EQ(Utf8(run().error), "No spots found");
    EXPECT_EQ(run.ctx.numbers(u"Number of objects detected"), std::vector<double>{0});
  }
  struct Failure {
    const char* method;
    int bpp;
    double borderMode;
    const char* text;
  } failures[] = {
      {"object_detection_by_threshold", 24, 1, "error: Input frame must have 8 or 32 bits per pixel"},
      {"object_detection_by_texture", 24, 1, "error: Input frame must have 8 or 32 bits per pixel"},
      {"fill_gaps", 24, 1, "error: Input frame must have 8 or 32 bits per pixel"},
      {"object_detection_by_color", 8, 1, "error: Frame must have 32-bit color depth (32 bits per pixel)"},
      {"object_detection_by_color", 32, 1, "error: Cannot get input color"},
      {"object_detection_by_threshold", 8, 3, "error: Cannot get parameter for object detection"},
      {"object_detection_by_threshold", 8, -1, "error: Cannot get parameter for object detection"},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(testing::Message() << f.method << " " << f.bpp << " " << f.borderMode);
    MethodRun run(f.method);
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(20, 20, f.bpp));
    run.ctx.setNumbers(u"Objects on the border of region", {f.borderMode});
    EXPECT_EQ(Utf8(run().error), f.text);
  }
  MethodRun noFrame("fill_gaps");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
}

// Region x, y in [30, 70]: one rectangle inside, one cut by the region's
// right edge, one on the frame's left edge outside the region.
int Cut(int x, int y) {
  if (x >= 35 && x < 45 && y >= 35 && y < 45) return 0;
  if (x >= 60 && x < 90 && y >= 40 && y < 60) return 0;
  if (x < 10 && y >= 80 && y < 90) return 0;
  return 255;
}

TEST(Objects, BorderModes) {
  struct Case {
    bool region;
    int mode;  // < 0: absent
    std::vector<int> areas;
  } cases[] = {
      {true, 0, {100}},
      {true, 1, {100, 11 * 20}},  // the part inside the closed region, x 60..70
      {true, 2, {100, 600}},
      {false, 0, {100, 600}},  // the object on the frame's edge is dropped
      {false, 1, {100, 600, 100}},
      {false, 2, {100, 600, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "region " << c.region << " mode " << c.mode);
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(120, 100, Cut));
    if (c.region) run.ctx.setRegions(u"Region", {{50, 50, 40, 40, 0}});
    run.ctx.setNumbers(u"Objects on the border of region", {double(c.mode)});
    run.ctx.setNumbers(u"Minimum number of pixels", {50});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    std::vector<int> areas;
    for (double n : run.ctx.numbers(u"Size of object")) areas.push_back(static_cast<int>(n));
    EXPECT_EQ(areas, c.areas);
  }
  {
    SCOPED_TRACE("the mode persists when absent; a new object starts with 1");
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(120, 100, Cut));
    run.ctx.setNumbers(u"Minimum number of pixels", {50});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Size of object").size(), 3u);
    run.ctx.setNumbers(u"Objects on the border of region", {0});
    ASSERT_TRUE(run().ok);
    run.ctx.setUnnamed(u"Objects on the border of region");
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Size of object").size(), 2u);
  }
}

// A region whose edges fall on pixel centres picks the same object at a
// half turn and a hair off a whole or half turn as at 0.
TEST(Objects, RegionTurnsOfNoEffectPickTheSamePixels) {
  const auto block = [](int x, int y) { return x >= 30 && x < 90 && y >= 20 && y < 80 ? 0 : 255; };
  for (const char* method : {"object_detection_by_threshold", "object_detection_by_texture"}) {
    for (int mode : {0, 1, 2}) {
      std::vector<double> reference;
      for (double angle : {0.0, 1e-9, -1e-9, 360.0000001, 180.0, 180.0000001, 359.9999999}) {
        SCOPED_TRACE(testing::Message() << method << " mode " << mode << " angle " << angle);
        MethodRun run(method);
        run.ctx.setFrame(u"Input frame", Grey(120, 100, block));
        run.ctx.setRegions(u"Region", {{60, 50, 20, 30, angle}});
        run.ctx.setNumbers(u"Objects on the border of region", {double(mode)});
        run.ctx.setNumbers(u"Minimum number of pixels", {1});
        run();
        std::vector<double> sizes = run.ctx.numbers(u"Size of object");
        for (const TPoint& p : run.ctx.points(u"Centroid")) {
          sizes.push_back(p.x);
          sizes.push_back(p.y);
        }
        if (angle == 0.0) {
          reference = sizes;
        } else {
          EXPECT_EQ(sizes, reference);
        }
      }
    }
  }
}

talvix::FrameBuffer Colored(int w, int d, const std::function<std::array<int, 3>(int, int)>& rgb) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, 32);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      const auto c = rgb(x, y);
      uint8_t* p = f.pixel(x, y);
      p[0] = static_cast<uint8_t>(c[2]);
      p[1] = static_cast<uint8_t>(c[1]);
      p[2] = static_cast<uint8_t>(c[0]);
      p[3] = 255;
    }
  return f;
}

TEST(Objects, ByColor) {
  // Patches at x 10..29, 40..59, 70..89 and 100..119 on rows 10..29.
  const auto patches = [](std::array<int, 3> a, std::array<int, 3> b, std::array<int, 3> c, std::array<int, 3> d) {
    return [=](int x, int y) -> std::array<int, 3> {
      if (y < 10 || y >= 30) return {128, 128, 128};
      if (x >= 10 && x < 30) return a;
      if (x >= 40 && x < 60) return b;
      if (x >= 70 && x < 90) return c;
      if (x >= 100 && x < 120) return d;
      return {128, 128, 128};
    };
  };
  struct Case {
    const char* what;
    std::function<std::array<int, 3>(int, int)> scene;
    TColor find;
    std::vector<double> centroidX;
  } cases[] = {
      {"hue 355 with tolerance 10 wraps through 0",
       patches({255, 0, 21}, {255, 21, 0}, {0, 255, 0}, {255, 64, 0}), {1, 0, 21 / 255.0, 1}, {19.5, 49.5}},
      {"grey target (200, 200, 202)", patches({201, 200, 199}, {230, 230, 230}, {210, 190, 200}, {190, 190, 192}),
       {200 / 255.0, 200 / 255.0, 202 / 255.0, 1}, {19.5, 109.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run("object_detection_by_color");
    run.ctx.setFrame(u"Input frame", Colored(130, 40, c.scene));
    run.ctx.setColors(u"Color to find", {c.find});
    run.ctx.setNumbers(u"Color tolerance", {10});
    run.ctx.setNumbers(u"Brightness tolerance", {0.25});
    run.ctx.setNumbers(u"Saturation tolerance", {0.25});
    run.ctx.setNumbers(u"Minimum number of pixels", {50});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    std::vector<double> xs;
    for (const TPoint& p : run.ctx.points(u"Centroid")) {
      xs.push_back(p.x);
      EXPECT_EQ(p.y, 19.5);
    }
    EXPECT_EQ(xs, c.centroidX);
    for (double n : run.ctx.numbers(u"Size of object")) EXPECT_EQ(n, 400);
    EXPECT_TRUE(run.ctx.warnings().empty());
  }
}

TEST(Objects, ByTexture) {
  // A checkered patch at x 40..59, y 30..49 on a flat ground: every pixel
  // whose 5 x 5 block reaches the patch varies.
  const auto scene = [](int x, int y) {
    if (x >= 40 && x < 60 && y >= 30 && y < 50) return (x + y) % 2 ? 100 : 160;
    return 128;
  };
  MethodRun run("object_detection_by_texture");
  run.ctx.setFrame(u"Input frame", Grey(100, 80, scene));
  run.ctx.setNumbers(u"Deviation", {0.02});
  ASSERT_TRUE(run().ok);
  const auto expected = Components(
      100, 80, [](int x, int y) { return x >= 38 && x < 62 && y >= 28 && y < 52; }, [](int, int) { return 1.0; });
  ExpectObjects(run, expected);
  EXPECT_TRUE(run.ctx.warnings().empty());

  MethodRun corrected("object_detection_by_texture");
  corrected.ctx.setFrame(u"Input frame", Grey(100, 80, scene));
  corrected.ctx.setNumbers(u"Deviation", {0.6});
  corrected.ctx.setNumbers(u"Minimum number of pixels", {0});
  EXPECT_EQ(Utf8(corrected().error), "No spots found") << "held to 127.5: no block varies that much";
  const auto& warnings = corrected.ctx.warnings();
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(Utf8(warnings[0]), "Not acceptable value of the parameter Deviation (0.600000). It will be used new value 0.500000.");
  EXPECT_EQ(Utf8(warnings[1]), "Not acceptable value of the parameter Minimum number of pixels (0). It will be used new value 1.");
}

TEST(Objects, FillGaps) {
  // Light holes in a dark ground: 7 x 7, 10 x 10 and 10 x 11 pixels, and a
  // ring 4 pixels wide around a light inside of 10 x 10 that a break joins
  // to the light outside.
  for (bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "broken ring" : "closed ring");
    const auto scene = [broken](int x, int y) {
      if (y >= 5 && y < 12 && x >= 5 && x < 12) return 220;
      if (y >= 5 && y < 15 && x >= 20 && x < 30) return 220;
      if (y >= 5 && y < 16 && x >= 40 && x < 50) return 220;
      if (x >= 60 && y >= 20) {
        const bool ring = x >= 64 && x < 82 && y >= 24 && y < 42 && !(x >= 68 && x < 78 && y >= 28 && y < 38);
        const bool gap = broken && x >= 68 && x < 78 && y >= 38 && y < 42;
        return ring && !gap ? 20 : 220;
      }
      return 20;
    };
    MethodRun run("fill_gaps");
    run.ctx.setFrame(u"Input frame", Grey(100, 60, scene));
    run.ctx.setColors(u"Filling color", {{0, 1, 0, 1}});
    ASSERT_TRUE(run().ok);
    std::vector<Expected> expected = Components(
        100, 60, [&](int x, int y) { return scene(x, y) > 127; },
        [&](int x, int y) { return std::abs(scene(x, y) - 127); });
    expected.erase(std::remove_if(expected.begin(), expected.end(), [](const Expected& e) { return e.area > 100; }),
                   expected.end());
    ASSERT_EQ(expected.size(), broken ? 2u : 3u);
    ExpectObjects(run, expected, false);
    // Gaps are painted with the filling colour, everything else is the input.
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_TRUE(out);
    std::vector<int> painted(100 * 60, 0);
    for (const Expected& e : expected)
      for (const auto& [x, y] : e.pixels) painted[y * 100 + x] = 1;
    int wrong = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 100; ++x) {
        const uint8_t* p = out->pixel(x, y);
        const int g = scene(x, y);
        const bool ok = painted[y * 100 + x] ? p[0] == 0 && p[1] == 255 && p[2] == 0
                                             : p[0] == g && p[1] == g && p[2] == g && p[3] == 255;
        wrong += ok ? 0 : 1;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(Objects, StackAndLabelLimits) {
  {
    SCOPED_TRACE("a comb whose fill needs more than 65,536 stack entries");
    // Full columns at even x, every other row at odd x: each full column
    // pushes the separate pixels of both neighbouring columns.
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(400, 500, [](int x, int y) { return x % 2 == 0 || y % 2 == 0 ? 0 : 255; }));
    EXPECT_EQ(Utf8(run().error), "error: Found object is too complicated");
  }
  {
    SCOPED_TRACE("more than 65,535 seeds in one pass");
    // 65,535 lone dark pixels (each its own seed, dropped as too small), then
    // a 50 x 30 rectangle: the 65,536th seed, whose label a 16-bit label
    // would wrap to "unlabelled".
    std::vector<uint8_t> lone(400 * 400, 0);
    for (int i = 0, n = 0; n < 65535; ++i) {
      const int x = i % 400, y = i / 400;
      if ((x + y) % 2 == 0) {
        lone[i] = 1;
        ++n;
      }
    }
    const auto scene = [&lone](int x, int y) {
      if (lone[y * 400 + x]) return 0;
      return x >= 100 && x < 150 && y >= 350 && y < 380 ? 0 : 255;
    };
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(400, 400, scene));
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_EQ(run.ctx.numbers(u"Size of object"), std::vector<double>{1500});
    ASSERT_EQ(run.ctx.points(u"Centroid").size(), 1u);
    EXPECT_EQ(run.ctx.points(u"Centroid")[0].x, 124.5);
    EXPECT_EQ(run.ctx.points(u"Centroid")[0].y, 364.5);
  }
}

TEST(Objects, ThreadsAgree) {
  // Large objects, so that the pass over each one is split between threads.
  const auto scene = [](int x, int y) {
    if (std::hypot(x - 150, y - 150) <= 120) return 40 + (x + 3 * y) % 50;
    if (x >= 300 && x < 480 && y >= 20 && y < 280) return 60;
    return 220;
  };
  const talvix::FrameBuffer in = Grey(500, 300, scene);
  const int before = omp_get_max_threads();
  std::vector<std::vector<TPoint>> centroids;
  std::vector<std::vector<double>> sizes, characters;
  for (int threads : {1, 8}) {
    omp_set_num_threads(threads);
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", in);
    ASSERT_TRUE(run().ok);
    centroids.push_back(run.ctx.points(u"Centroid"));
    sizes.push_back(run.ctx.numbers(u"Size of object"));
    characters.push_back(run.ctx.numbers(u"Character of object distribution"));
  }
  omp_set_num_threads(before);
  ASSERT_EQ(sizes[0].size(), 2u);
  EXPECT_EQ(sizes[0], sizes[1]);
  for (size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(centroids[0][k].x, centroids[1][k].x);
    EXPECT_EQ(centroids[0][k].y, centroids[1][k].y);
    EXPECT_NEAR(characters[0][k], characters[1][k], 1e-5);
  }
}

TEST(Objects, PaintedFrames) {
  // One dark 10 x 10 square at x, y 10..19; the ground is 200.
  const auto scene = [](int x, int y) { return x >= 10 && x < 20 && y >= 10 && y < 20 ? 50 : 200; };
  struct Case {
    const char* what;
    bool colors, show;
    int drawingLevel;
    int overlayPixels;  // painted in the role-1 colour
  } cases[] = {
      {"input copied, objects shown", false, true, 1, 100},
      {"object and background colours", true, true, 1, 100},
      {"drawing level 0: nothing in the overlay", false, true, 0, 0},
      {"not shown", true, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run("object_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Grey(40, 30, scene));
    run.ctx.setNumbers(u"Minimum number of pixels", {1});
    run.ctx.setFlags(u"Show results", {c.show});
    run.ctx.inspection().setDrawingLevel(c.drawingLevel);
    run.ctx.inspection().setDrawColor(1, {1, 0, 0, 1});
    if (c.colors) {
      run.ctx.setColors(u"Requested color of object", {{0, 0, 1, 1}});
      run.ctx.setColors(u"Requested color of background", {{1, 1, 1, 1}});
    }
    ASSERT_TRUE(run().ok);
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_TRUE(out);
    int wrong = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint8_t* p = out->pixel(x, y);
        const bool inside = scene(x, y) == 50;
        // Blue objects on white, or the input's grey.
        const int b = c.colors ? 255 : scene(x, y);
        const int g = c.colors ? (inside ? 0 : 255) : scene(x, y);
        wrong += p[0] == b && p[1] == g && p[2] == g && p[3] == 255 ? 0 : 1;
      }
    EXPECT_EQ(wrong, 0);
    int painted = 0;
    const talvix::FrameBuffer& overlay = run.ctx.overlay();
    for (int y = 0; !overlay.empty() && y < overlay.depth(); ++y)
      for (int x = 0; x < overlay.width(); ++x) {
        const uint8_t* p = overlay.pixel(x, y);
        painted += p[0] == 0 && p[1] == 0 && p[2] == 255 && p[3] == 255 ? 1 : 0;
      }
    EXPECT_EQ(painted, c.overlayPixels);
  }
}

}  // namespace
