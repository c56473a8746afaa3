// ScanRing sample counts and the full-turn rule; ring-region arcs, spokes and
// membership.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <tuple>

#include "scan_test_util.hpp"

using scantest::Patterned;
using scantest::Recorder;

namespace {

// Angle of a sample about the centre, in [0, 360).
double AngleOf(const scantest::Sample& s, double cx, double cy) {
  double a = std::atan2(s.y - cy, s.x - cx) * 180 / std::numbers::pi;
  return a < 0 ? a + 360 : a;
}

TEST(ScanRing, SampleCounts) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  struct Case {
    const char* name;
    TRing ring;
    int step;
    size_t count;
  } cases[] = {
      // step 2 keeps neighbouring samples on distinct pixels: every sample is delivered
      {"full circle (0, 0)", {50, 40, 10, 0, 0, 0}, 2, 32},  // ceil(2 pi 10 / 2)
      {"full circle (0, 360)", {50, 40, 10, 0, 0, 360}, 2, 32},
      {"full circle (30, 30)", {50, 40, 10, 0, 30, 30}, 2, 32},
      {"full circle (-90, 270)", {50, 40, 10, 0, -90, 270}, 2, 32},
      {"quarter arc", {50, 40, 10, 0, 0, 90}, 2, 8},                // floor(pi/2 10 / 2) + 1
      {"arc across 0", {50, 40, 10, 0, 350, 10}, 2, 2},             // floor(3.49 / 2) + 1
      {"step below 1 counts as 1", {50, 40, 10, 0, 0, 90}, 0, 16},  // floor(15.7) + 1, duplicates dropped below
      {"radius below a half", {50.4, 40.5, 0.3, 0, 0, 0}, 1, 1},
  };
  for (const Case& c : cases) {
    Recorder r;
    ScanRing(f.frame(), &c.ring, 1, &r, c.step, Recorder::Cb);
    if (c.step >= 2 || c.ring.r1 < 0.5) {
      EXPECT_EQ(r.got.size(), c.count) << c.name;
    } else {
      EXPECT_LE(r.got.size(), c.count) << c.name;
      EXPECT_GE(r.got.size(), c.count - 4) << c.name;
    }
    for (size_t k = 1; k < r.got.size(); ++k) EXPECT_FALSE(r.got[k] == r.got[k - 1]) << c.name;
  }
}

TEST(ScanRing, WalksFromA1InIncreasingAngle) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRing full{50, 40, 10, 0, 30, 30};
  Recorder r;
  ScanRing(f.frame(), &full, 1, &r, 1, Recorder::Cb);
  ASSERT_FALSE(r.got.empty());
  EXPECT_EQ(r.got[0].x, 59);  // (50 + 8.66, 40 + 5) snapped
  EXPECT_EQ(r.got[0].y, 45);
  double last = -10;
  for (size_t k = 0; k < r.got.size(); ++k) {
    const auto& s = r.got[k];
    // Offset from a1; snapping may put the first pixels just before a1 and the last just past a full turn.
    double a = std::fmod(AngleOf(s, 50, 40) - 30 + 360, 360);
    if (k < r.got.size() / 2 && a > 180) a -= 360;
    if (k >= r.got.size() / 2 && a < 180) a += 360;
    EXPECT_GE(a, last - 3) << s.x << "," << s.y;
    last = std::max(last, a);
    EXPECT_NEAR(std::hypot(s.x - 50, s.y - 40), 10, 0.71);
  }
  // Quarter arc: both ends included.
  TRing arc{50, 40, 10, 0, 0, 90};
  Recorder q;
  ScanRing(f.frame(), &arc, 1, &q, 2, Recorder::Cb);
  ASSERT_EQ(q.got.size(), 8u);
  EXPECT_EQ(q.points().front(), std::make_pair(60, 40));
  EXPECT_EQ(q.points().back(), std::make_pair(50, 50));
}

TEST(ScanRing, SkipsOffFrameSamplesAndStops) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRing corner{0, 0, 10, 0, 0, 0};
  Recorder r;
  ScanRing(f.frame(), &corner, 1, &r, 1, Recorder::Cb);
  ASSERT_FALSE(r.got.empty());
  for (const auto& s : r.got) EXPECT_TRUE(s.x >= 0 && s.y >= 0);
  EXPECT_EQ(r.points().front(), std::make_pair(10, 0));
  EXPECT_EQ(r.points().back(), std::make_pair(0, 10));

  Recorder one;
  one.limit = 1;
  TRing circle{50, 40, 10, 0, 0, 0};
  ScanRing(f.frame(), &circle, 1, &one, 1, Recorder::Cb);
  EXPECT_EQ(one.got.size(), 1u);
  Recorder none;
  TRing far{1e6, 1e6, 10, 0, 0, 0};
  ScanRing(f.frame(), &far, 1, &none, 1, Recorder::Cb);
  ScanRing(nullptr, &circle, 1, &none, 1, Recorder::Cb);
  EXPECT_TRUE(none.got.empty());
}

TEST(GetScanRingRegionArc, ConcentricArcs) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  struct Case {
    TRingRegion region;
    bool null;
    int arcs, i;
    TRing want;
  } cases[] = {
      {{50, 40, 20, 10, 0, 0}, false, 5, 0, {50, 40, 11, 11, 0, 0}},  // radii unordered
      {{50, 40, 20, 10, 0, 0}, false, 5, 4, {50, 40, 19, 19, 0, 0}},
      {{50, 40, 10, 20, 30, 120}, false, 1, 0, {50, 40, 15, 15, 30, 120}},
      {{50, 40, 10, 20, 350, 10}, false, 2, 1, {50, 40, 17.5, 17.5, 350, 370}},
      {{50, 40, 10, 20, 0, 360}, false, 2, 0, {50, 40, 12.5, 12.5, 0, 0}},
      {{}, true, 4, 0, {50, 40, 5, 5, 0, 0}},  // centre of the frame, radius 0..40
  };
  for (const Case& c : cases) {
    TRing arc{};
    ASSERT_TRUE(GetScanRingRegionArc(f.frame(), c.null ? nullptr : &c.region, c.arcs, c.i, &arc));
    EXPECT_EQ((std::array<double, 6>{arc.cx, arc.cy, arc.r1, arc.r2, arc.a1, arc.a2}),
              (std::array<double, 6>{c.want.cx, c.want.cy, c.want.r1, c.want.r2, c.want.a1, c.want.a2}));
  }
  TRingRegion r{50, 40, 10, 20, 0, 0};
  for (auto [arcs, i] : {std::pair{0, 0}, std::pair{3, 3}, std::pair{3, -1}}) {
    TRing arc{1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(GetScanRingRegionArc(f.frame(), &r, arcs, i, &arc));
    EXPECT_EQ(arc.cx + arc.cy + arc.r1 + arc.r2 + arc.a1 + arc.a2, 0);
  }
}

TEST(GetScanRingRegionSpoke, InnerToOuter) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  using Ends = std::array<int, 4>;
  struct Case {
    TRingRegion region;
    bool null;
    int count, i;
    Ends want;
  } cases[] = {
      {{50, 40, 20, 10, 0, 0}, false, 4, 0, {60, 40, 70, 40}},
      {{50, 40, 20, 10, 0, 0}, false, 4, 1, {50, 50, 50, 60}},
      {{50, 40, 20, 10, 0, 0}, false, 4, 2, {40, 40, 30, 40}},
      {{50, 40, 20, 10, 0, 0}, false, 4, 3, {50, 30, 50, 20}},
      {{50, 40, 10, 20, 0, 90}, false, 3, 0, {60, 40, 70, 40}},  // both edges of the sweep
      {{50, 40, 10, 20, 0, 90}, false, 3, 2, {50, 50, 50, 60}},
      {{50, 40, 10, 20, 0, 90}, false, 1, 0, {57, 47, 64, 54}},  // the middle angle
      {{}, true, 4, 0, {50, 40, 90, 40}},
  };
  for (const Case& c : cases) {
    Ends e{-1, -1, -1, -1};
    ASSERT_TRUE(
        GetScanRingRegionSpoke(f.frame(), c.null ? nullptr : &c.region, c.count, c.i, &e[0], &e[1], &e[2], &e[3]));
    EXPECT_EQ(e, c.want) << c.count << " " << c.i;
  }
  TRingRegion away{-100, -100, 5, 10, 0, 0};
  TRingRegion r{50, 40, 10, 20, 0, 0};
  for (auto [region, count, i] : {std::tuple{&away, 4, 0}, std::tuple{&r, 0, 0}, std::tuple{&r, 4, 4}}) {
    Ends e{7, 7, 7, 7};
    EXPECT_FALSE(GetScanRingRegionSpoke(f.frame(), region, count, i, &e[0], &e[1], &e[2], &e[3]));
    EXPECT_EQ(e, (Ends{0, 0, 0, 0}));
  }
}

TEST(PixelInRingRegion, AnnulusAndSweepInclusive) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  TRingRegion quarter{50, 40, 20, 10, 0, 90};
  TRingRegion full{50, 40, 20, 10, 0, 360};
  struct Case {
    const TRingRegion* region;
    TPoint p;
    bool in;
  } cases[] = {
      {&quarter, {65, 40}, true},  {&quarter, {50, 55}, true},  {&quarter, {60, 50}, true}, {&quarter, {40, 45}, false},
      {&quarter, {55, 40}, false}, {&quarter, {71, 40}, false}, {&quarter, {60, 40}, true}, {&quarter, {70, 40}, true},
      {&full, {40, 45}, true},     {&full, {50, 40}, false},    {nullptr, {99, 79}, true},  {nullptr, {100, 0}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(PixelInRingRegion(f.frame(), c.region, c.p), c.in) << c.p.x << "," << c.p.y;
}

// A span of a full turn or more, either way, is the whole ring: the scan,
// the arcs, the spokes and membership all answer as for a sweep of 0.
TEST(RingSpans, AFullTurnOrMoreIsTheWholeRing) {
  talvix::FrameBuffer f = Patterned(100, 80, 8);
  const auto answers = [&](double a1, double a2) {
    std::vector<int> out;
    const TRing ring{50, 40, 15, 0, a1, a2};
    Recorder r;
    ScanRing(f.frame(), &ring, 1, &r, 1, Recorder::Cb);
    for (const auto& s : r.got) out.insert(out.end(), {s.x, s.y});
    const TRingRegion region{50, 40, 8, 20, a1, a2};
    TRing arc{};
    GetScanRingRegionArc(f.frame(), &region, 3, 1, &arc);
    out.push_back(static_cast<int>(std::fmod(arc.a2 - arc.a1, 360.0)));
    for (int i = 0; i < 6; ++i) {
      int e[4] = {};
      GetScanRingRegionSpoke(f.frame(), &region, 6, i, &e[0], &e[1], &e[2], &e[3]);
      out.insert(out.end(), e, e + 4);
    }
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) out.push_back(PixelInRingRegion(f.frame(), &region, {double(x), double(y)}));
    return out;
  };
  const std::vector<int> whole = answers(30, 30);
  const std::pair<double, double> spans[] = {{0, 360},  {0, 720},    {0, 720.5}, {30, 390},
                                             {30, 1e6}, {0, -720.5}, {400, 30}};
  for (auto [a1, a2] : spans) {
    const std::vector<int> got = answers(a1, a2);
    // The spokes start at a1: compare those of a start of 30 (mod 360) only.
    if (std::fmod(a1, 360.0) == 30) {
      EXPECT_EQ(got, whole) << a1 << " to " << a2;
    } else {
      EXPECT_EQ(got, answers(a1, a1)) << a1 << " to " << a2;
    }
  }
  // Just short of a full turn stays an arc.
  EXPECT_NE(answers(30, 389.5), whole);
}

}  // namespace
