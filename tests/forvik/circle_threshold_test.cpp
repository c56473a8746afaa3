// Circle detection by threshold: the Pratt fit against a textbook fit, and
// drawn discs found through the module.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "contour/pratt_fit.h"
#include "forvik_run.h"

namespace {

using forvik::CircleCandidate;
using forvik::FitThresholdCircle;
using forvik_test::Calls;
using forvik_test::Disc;
using forvik_test::Grey;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

struct Pts {
  std::vector<float> xs, ys;
};

// Points on an arc from a0 to a1 (radians) with Gaussian radial noise.
Pts Arc(double cx, double cy, double r, double a0, double a1, int n, double noise, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0, noise > 0 ? noise : 1);
  Pts p;
  for (int i = 0; i < n; ++i) {
    const double t = a0 + (a1 - a0) * i / (n - 1);
    const double rr = r + (noise > 0 ? g(rng) : 0);
    p.xs.push_back(static_cast<float>(cx + rr * std::cos(t)));
    p.ys.push_back(static_cast<float>(cy + rr * std::sin(t)));
  }
  return p;
}

// The textbook definition of Pratt's fit: the centre minimising
// sum (d^2 - R^2)^2 / R^2, where for a fixed centre the best R^2 is the root
// mean square of the d^2. Minimised here by Nelder-Mead over the centre.
struct Textbook {
  double x, y, r;
};
Textbook TextbookPratt(const Pts& p) {
  const size_t n = p.xs.size();
  auto cost = [&](double a, double b, double* r2 = nullptr) {
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < n; ++i) {
      const double s = (p.xs[i] - a) * (p.xs[i] - a) + (p.ys[i] - b) * (p.ys[i] - b);
      s1 += s, s2 += s * s;
    }
    if (r2) *r2 = std::sqrt(s2 / n);
    return std::sqrt(s2 / n) - s1 / n;
  };
  double mx = 0, my = 0;
  for (size_t i = 0; i < n; ++i) mx += p.xs[i], my += p.ys[i];
  mx /= n, my /= n;
  struct V {
    double x, y, f;
  };
  std::array<V, 3> s{V{mx, my, 0}, V{mx + 20, my, 0}, V{mx, my + 20, 0}};
  for (V& v : s) v.f = cost(v.x, v.y);
  for (int it = 0; it < 4000; ++it) {
    std::sort(s.begin(), s.end(), [](const V& a, const V& b) { return a.f < b.f; });
    const double cx = (s[0].x + s[1].x) / 2, cy = (s[0].y + s[1].y) / 2;
    const V r{2 * cx - s[2].x, 2 * cy - s[2].y, cost(2 * cx - s[2].x, 2 * cy - s[2].y)};
    if (r.f < s[0].f) {
      const V e{3 * cx - 2 * s[2].x, 3 * cy - 2 * s[2].y, cost(3 * cx - 2 * s[2].x, 3 * cy - 2 * s[2].y)};
      s[2] = e.f < r.f ? e : r;
    } else if (r.f < s[1].f) {
      s[2] = r;
    } else {
      const V c{(cx + s[2].x) / 2, (cy + s[2].y) / 2, cost((cx + s[2].x) / 2, (cy + s[2].y) / 2)};
      if (c.f < s[2].f) {
        s[2] = c;
      } else {
        for (int k = 1; k < 3; ++k) {
          s[k].x = (s[k].x + s[0].x) / 2, s[k].y = (s[k].y + s[0].y) / 2;
          s[k].f = cost(s[k].x, s[k].y);
        }
      }
    }
  }
  std::sort(s.begin(), s.end(), [](const V& a, const V& b) { return a.f < b.f; });
  double r2 = 0;
  cost(s[0].x, s[0].y, &r2);
  return {s[0].x, s[0].y, std::sqrt(r2)};
}

TEST(PrattFit, AgreesWithTextbookFit) {
  constexpr double kPi = std::numbers::pi;
  struct Case {
    const char* name;
    Pts points;
    double centreTol;
  } cases[] = {
      {"exact full circle", Arc(100.2, 80.7, 37.3, 0, 2 * kPi * 71 / 72, 72, 0, 1), 1e-3},
      {"exact small circle", Arc(12.5, 40.25, 6, 0, 2 * kPi * 71 / 72, 72, 0, 1), 1e-3},
      {"noisy 240 degree arc", Arc(300, 200, 50, 0.3, 0.3 + 4 * kPi / 3, 72, 0.6, 2), 2e-3},
      {"noisy half circle", Arc(-40, 500, 120, kPi / 4 - kPi / 2, kPi / 4 + kPi / 2, 72, 1.0, 3), 2e-3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CircleCandidate got;
    ASSERT_TRUE(FitThresholdCircle(c.points.xs.data(), c.points.ys.data(), 71, 5.2f, &got));
    const Textbook want = TextbookPratt(c.points);
    EXPECT_NEAR(got.x, want.x, c.centreTol * want.r);
    EXPECT_NEAR(got.y, want.y, c.centreTol * want.r);
    EXPECT_NEAR(got.radius, want.r, c.centreTol * want.r);
    EXPECT_EQ(got.score, 0);
    EXPECT_LE(got.quality, 1.0f);
  }
}

TEST(PrattFit, AcceptanceRules) {
  constexpr double kPi = std::numbers::pi;
  CircleCandidate c;
  const Pts exact = Arc(50, 50, 30, 0, 2 * kPi * 71 / 72, 72, 0, 1);
  ASSERT_TRUE(FitThresholdCircle(exact.xs.data(), exact.ys.data(), 71, 1.2f, &c));
  EXPECT_FLOAT_EQ(c.quality, 1.0f) << "quality is capped at 1";

  Pts line;
  for (int i = 0; i < 72; ++i) line.xs.push_back(10.0f + i), line.ys.push_back(20.0f + 0.5f * i);
  EXPECT_FALSE(FitThresholdCircle(line.xs.data(), line.ys.data(), 71, 5.2f, &c)) << "collinear points";

  Pts same(exact);
  std::fill(same.xs.begin(), same.xs.end(), 7.0f);
  std::fill(same.ys.begin(), same.ys.end(), 9.0f);
  EXPECT_FALSE(FitThresholdCircle(same.xs.data(), same.ys.data(), 71, 5.2f, &c)) << "one point repeated";

  // A quarter arc: its centre lies further than R/2 from the points' mean.
  const Pts quarter = Arc(50, 50, 30, -kPi / 4, kPi / 4, 72, 0, 1);
  EXPECT_FALSE(FitThresholdCircle(quarter.xs.data(), quarter.ys.data(), 71, 5.2f, &c));

  // RMS error 1 px on R = 26: stands only when 1 < tolerance.
  Pts bumpy = Arc(100, 100, 26, 0, 2 * kPi * 71 / 72, 72, 0, 1);
  for (int i = 0; i < 72; ++i) {
    const float s = i % 2 ? 1.0f : -1.0f, t = static_cast<float>(2 * kPi * i / 72);
    bumpy.xs[i] += s * std::cos(t), bumpy.ys[i] += s * std::sin(t);
  }
  EXPECT_FALSE(FitThresholdCircle(bumpy.xs.data(), bumpy.ys.data(), 71, 0.9f, &c));
  ASSERT_TRUE(FitThresholdCircle(bumpy.xs.data(), bumpy.ys.data(), 71, 1.2f, &c));
  EXPECT_NEAR(c.quality, 1 - (1.0 - 0.2) / 5, 0.02);
}

struct Found {
  talvix::RunResult result;
  std::vector<TRing> circles;
  std::vector<double> quality;
  std::vector<double> count;
};

Found Detect(MethodRun& run, const FrameBuffer& f, int lines, bool colour) {
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setNumbers(u"Number of horizontal scanlines", {static_cast<double>(lines)});
  run.ctx.setNumbers(u"Number of vertical scanlines", {static_cast<double>(lines)});
  run.ctx.setNumbers(u"Threshold level", {0.5});
  run.ctx.setFlags(u"Color flag", {colour});
  Found out;
  out.result = run();
  out.circles = run.ctx.rings(u"Circles");
  out.quality = run.ctx.numbers(u"Circle quality");
  out.count = run.ctx.numbers(u"Number of found circles");
  return out;
}

TEST(CircleByThreshold, DiscInBothPolarities) {
  for (const bool colour : {false, true}) {
    SCOPED_TRACE(colour ? "light disc, colour flag on" : "dark disc, colour flag off");
    MethodRun run("circle_detection_by_threshold");
    const FrameBuffer f = Disc(160, 140, 80.4, 69.7, 30, colour ? 210 : 40, colour ? 40 : 210);
    const Found found = Detect(run, f, 10, colour);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    ASSERT_EQ(found.count, std::vector<double>{1});
    ASSERT_EQ(found.circles.size(), 1u);
    const TRing& c = found.circles[0];
    EXPECT_NEAR(c.cx, 80.4, 0.5);
    EXPECT_NEAR(c.cy, 69.7, 0.5);
    // Rays stop on the first pixel past the edge: half a pixel out.
    EXPECT_NEAR(c.r1, 30.5, 0.8);
    EXPECT_EQ(c.r2, c.r1);
    ASSERT_EQ(found.quality.size(), 1u);
    EXPECT_GT(found.quality[0], 0.95);
    // The wrong polarity finds nothing.
    const Found wrong = Detect(run, f, 10, !colour);
    EXPECT_FALSE(wrong.result.ok);
    EXPECT_EQ(wrong.result.error, u"There are no detected circles");
  }
}

// One seed (a 1 x 1 grid sits at the frame's centre) at a given distance
// inside a disc's edge, and shapes that are not circles.
TEST(CircleByThreshold, SeedAndShapeRejections) {
  auto ellipse = [](double a, double b) {
    return Grey(200, 200, [=](int x, int y) {
      const double u = (x - 100.3) / a, v = (y - 100.2) / b;
      return u * u + v * v <= 1 ? 40 : 210;
    });
  };
  int sx = 0, sy = 0;
  unsigned v = 0;
  const FrameBuffer blank = FrameBuffer::make(200, 200, 8);
  ASSERT_TRUE(GetScanPoints(blank.frame(), nullptr, 1, 1, 0, 1, 0, &sx, &sy, &v));
  struct Case {
    const char* name;
    FrameBuffer frame;
    bool found;
  } cases[] = {
      {"seed 8 px inside the edge", Disc(200, 200, sx - 30, sy, 38, 40, 210), true},
      {"seed 1 px inside the edge", Disc(200, 200, sx - 30, sy, 30.6, 40, 210), false},
      {"circle", ellipse(30, 30), true},
      {"2:1 ellipse", ellipse(50, 25), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MethodRun run("circle_detection_by_threshold");
    const Found found = Detect(run, c.frame, 1, false);
    EXPECT_EQ(found.result.ok, c.found) << talvix::ToUtf8(found.result.error);
  }
}

struct Truth {
  double x, y, r;
};
const Truth kDiscs[] = {{60.3, 60.6, 35}, {190.5, 70.2, 22}, {300.7, 90.4, 45},
                        {100.2, 210.8, 28}, {240.6, 220.3, 40}, {340.1, 240.5, 15}};

FrameBuffer Discs() {
  return Grey(400, 300, [](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx)
        for (const Truth& t : kDiscs)
          if (std::hypot(x + (sx + 0.5) / 4 - 0.5 - t.x, y + (sy + 0.5) / 4 - 0.5 - t.y) <= t.r) {
            ++hits;
            break;
          }
    return (40 * hits + 210 * (16 - hits)) / 16;
  });
}

// Each drawn disc matched by exactly one found circle.
void ExpectDiscs(const std::vector<TRing>& found) {
  ASSERT_EQ(found.size(), std::size(kDiscs));
  for (const Truth& t : kDiscs) {
    SCOPED_TRACE(testing::Message() << "disc at " << t.x << ", " << t.y);
    const auto hits = std::count_if(found.begin(), found.end(), [&](const TRing& c) {
      return std::hypot(c.cx - t.x, c.cy - t.y) < 0.6 && std::abs(c.r1 - t.r - 0.5) < 1.0;
    });
    EXPECT_EQ(hits, 1);
  }
}

// The same set, order aside, whatever the team size; a team larger than
// the processor count must not write past the per-thread storage.
TEST(CircleByThreshold, SeveralDiscsWithAnyTeamSize) {
  const FrameBuffer f = Discs();
  const int procs = omp_get_num_procs();
  const int saved = omp_get_max_threads();
  MethodRun run("circle_detection_by_threshold");
  for (const int team : {1, 4, 3 * procs}) {
    SCOPED_TRACE(testing::Message() << team << " threads");
    omp_set_num_threads(team);
    const Found found = Detect(run, f, 24, false);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    EXPECT_EQ(found.count, std::vector<double>{static_cast<double>(std::size(kDiscs))});
    EXPECT_EQ(found.quality.size(), std::size(kDiscs));
    ExpectDiscs(found.circles);
  }
  omp_set_num_threads(saved);
}

// Noisy discs and slightly oval blobs, some touching, under a dense grid:
// seeds in one blob fit circles that differ a little, so which seed of a
// blob settles first shows in the answer.
FrameBuffer Blobs() {
  struct Blob {
    double x, y, rx, ry;
  };
  const Blob blobs[] = {{70.3, 60.8, 38, 33},   {150.6, 62.1, 30, 30},  {250.2, 80.7, 52, 44},  {340.5, 70.4, 26, 31},
                        {80.9, 190.2, 45, 45},  {168.4, 200.6, 40, 36}, {262.7, 215.3, 35, 35}, {345.1, 200.8, 30, 24},
                        {207.3, 140.2, 18, 18}, {120.5, 128.4, 14, 16}};
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0, 12);
  std::vector<int> grey(400 * 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      bool in = false;
      for (const Blob& b : blobs) in = in || std::hypot((x - b.x) / b.rx, (y - b.y) / b.ry) <= 1;
      grey[static_cast<size_t>(y) * 400 + x] = std::clamp(static_cast<int>((in ? 60 : 190) + noise(rng)), 0, 255);
    }
  return Grey(400, 300, [&](int x, int y) { return grey[static_cast<size_t>(y) * 400 + x]; });
}

// Every team size answers as one thread does, run after run: the same
// circles, qualities and order.
TEST(CircleByThreshold, EveryTeamGivesTheOneThreadAnswer) {
  const FrameBuffer f = Blobs();
  const int saved = omp_get_max_threads();
  MethodRun run("circle_detection_by_threshold");
  omp_set_num_threads(1);
  const Found one = Detect(run, f, 48, false);
  ASSERT_TRUE(one.result.ok) << talvix::ToUtf8(one.result.error);
  ASSERT_GE(one.circles.size(), 6u);
  for (const int team : {1, 2, 8, 16}) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(testing::Message() << team << " threads, run " << round);
      omp_set_num_threads(team);
      const Found found = Detect(run, f, 48, false);
      ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
      EXPECT_EQ(found.count, one.count);
      EXPECT_EQ(found.quality, one.quality);
      ASSERT_EQ(found.circles.size(), one.circles.size());
      for (size_t i = 0; i < one.circles.size(); ++i) {
        EXPECT_EQ(found.circles[i].cx, one.circles[i].cx) << "circle " << i;
        EXPECT_EQ(found.circles[i].cy, one.circles[i].cy) << "circle " << i;
        EXPECT_EQ(found.circles[i].r1, one.circles[i].r1) << "circle " << i;
      }
    }
  }
  omp_set_num_threads(saved);
}

TEST(CircleByThreshold, DrawingAndCorrectedQuality) {
  talvix::Inspection inspection;
  inspection.setDrawingLevel(2);
  MethodRun run("circle_detection_by_threshold", &inspection);
  run.ctx.setNumbers(u"Circle quality", {1.5});
  const Found found = Detect(run, Disc(160, 140, 80.5, 70.5, 30, 40, 210), 10, false);
  ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_NE(talvix::ToUtf8(run.ctx.warnings()[0]).find("0.8"), std::string::npos)
      << talvix::ToUtf8(run.ctx.warnings()[0]);
  const TRing c = found.circles.at(0);
  const auto circles = Calls(run.ctx, "DrawCircle");
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_DOUBLE_EQ(circles[0].args[2], c.r1);
  EXPECT_EQ(Calls(run.ctx, "DrawLine").size(), 4u);
  EXPECT_EQ(Calls(run.ctx, "DrawArrow").size(), 1u);
  EXPECT_EQ(Calls(run.ctx, "DrawString").size(), 2u);

  run.ctx.setFlags(u"Show results", {false});
  inspection.clearDrawList();
  ASSERT_TRUE(run().ok);
  EXPECT_TRUE(run.ctx.drawList().empty());
}

TEST(CircleByThreshold, MissingFrameAndBlankFrame) {
  MethodRun run("circle_detection_by_threshold");
  talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get source frame");
  const Found blank = Detect(run, FrameBuffer::make(100, 80, 8, 200), 10, false);
  EXPECT_FALSE(blank.result.ok);
  EXPECT_EQ(blank.result.error, u"There are no detected circles");
  EXPECT_TRUE(blank.count.empty());
}

}  // namespace
