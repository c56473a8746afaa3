// The matcher's CPU parts: the search plan, the sample points, the
// collection of matches and the list operations it uses.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "collect.h"
#include "plan.h"
#include "sampling.h"

namespace {

using nesbar::SearchPlan;
using nesbar::SearchSettings;

constexpr float kDeg = 0.017453292519943295f;

TEST(SearchPlan, AnglesAndScales) {
  struct Case {
    const char* name;
    SearchSettings s;
    bool search;
    float angleStart;  // degrees
    int angleSteps;
    float scaleStart, stepUnder, stepOver;
    int under, over;
  };
  const std::vector<Case> cases = {
      {"nothing to search", {10, 10, 5, 1, 1, 0.1f}, false, 0, 1, 1, 0, 0, 1, 0},
      {"a zero step searches nothing", {0, 90, 0, 1, 1, 0.1f}, false, 0, 1, 1, 0, 0, 1, 0},
      {"350 to 10", {350, 10, 5, 1, 1, 0.1f}, true, 350, 4, 1, 0, 0, 0, 1},
      {"-10 to 10", {-10, 10, 5, 1, 1, 0.1f}, true, 350, 4, 1, 0, 0, 0, 1},
      {"a whole turn", {0, 360, 5, 1, 1, 0.1f}, true, 0, 72, 1, 0, 0, 0, 1},
      {"-180 to 180", {-180, 180, 10, 1, 1, 0.1f}, true, 180, 36, 1, 0, 0, 0, 1},
      {"a range below the step", {0, 3, 5, 1, 1, 0.1f}, true, 0, 0, 1, 0, 0, 0, 1},
      {"scales under 1", {0, 0, 0, 0.5f, 0.75f, 0.125f}, true, 0, 0, 0.5f, 0.125f, 0, 2, 0},
      {"scales over 1", {0, 0, 0, 1.0f, 1.5f, 0.2f}, true, 0, 0, 1.0f, 0, 0.25f, 0, 2},
      {"scales across 1", {0, 0, 0, 0.5f, 1.5f, 0.25f}, true, 0, 0, 0.5f, 0.25f, 0.25f, 2, 2},
      {"a step above the range", {0, 0, 0, 0.9f, 0.95f, 0.5f}, true, 0, 0, 0.9f, 0, 0, 0, 0},
      // Step counts past the int range saturate rather than overflow.
      {"a vanishing rotation step", {0, 360, 1e-30f, 1, 1, 0.1f}, true, 0, 2147483647, 1, 0, 0, 0, 1},
      {"a vanishing scale step", {0, 0, 0, 1.0f, 2.0f, 1e-30f}, true, 0, 0, 1.0f, 0, 0, 0, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SearchPlan p = nesbar::MakePlan(c.s);
    EXPECT_EQ(p.search, c.search);
    EXPECT_NEAR(p.angleStart, c.angleStart * kDeg, 1e-5);
    EXPECT_EQ(p.angleSteps, c.angleSteps);
    EXPECT_NEAR(p.scaleStart, c.scaleStart, 1e-6);
    EXPECT_NEAR(p.scaleStepUnder, c.stepUnder, 1e-5);
    EXPECT_NEAR(p.scaleStepOver, c.stepOver, 1e-5);
    EXPECT_EQ(p.scaleStepsUnder, c.under);
    EXPECT_EQ(p.scaleStepsOver, c.over);
  }
}

// The range the passes keep to is the one asked for; where the step divides
// it, the coarse angles' span to the bit, as the passes always had.
TEST(SearchPlan, TheRangeAskedFor) {
  struct Case {
    const char* name;
    SearchSettings s;
    bool divides;
    float range;  // degrees
  };
  const Case cases[] = {
      {"-30 to 30 by 5", {-30, 30, 5, 1, 1, 0.1f}, true, 60},
      {"350 to 10 by 5", {350, 10, 5, 1, 1, 0.1f}, true, 20},
      {"-180 to 180 by 10", {-180, 180, 10, 1, 1, 0.1f}, true, 360},
      {"a whole turn by 0.5", {0, 360, 0.5f, 1, 1, 0.1f}, true, 360},
      {"-30 to 30 by 7", {-30, 30, 7, 1, 1, 0.1f}, false, 60},
      {"350 to 20 by 8", {350, 20, 8, 1, 1, 0.1f}, false, 30},
      {"0 to 355 by 7", {0, 355, 7, 1, 1, 0.1f}, false, 355},
      {"a whole turn by 7", {0, 360, 7, 1, 1, 0.1f}, false, 360},
      {"a range below the step", {0, 3, 5, 1, 1, 0.1f}, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SearchPlan p = nesbar::MakePlan(c.s);
    if (c.divides) {
      EXPECT_EQ(p.angleRange, p.angleSteps * p.angleStep);
    }
    EXPECT_NEAR(p.angleRange, c.range * kDeg, 1e-5);
  }
}

// A pattern of w x h pixels at 8 or 32 bits from a grey function.
struct Pattern {
  Pattern(int w, int h, int bpp, int (*grey)(int, int), int alpha = 255) : w(w), h(h), bpp(bpp) {
    stride = (w * bpp + 31) / 32 * 4;
    bytes.assign(static_cast<size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &bytes[static_cast<size_t>(y) * stride + x * (bpp / 8)];
        const int g = grey(x, y);
        if (bpp == 8) {
          p[0] = static_cast<uint8_t>(g);
        } else {
          p[0] = p[1] = p[2] = static_cast<uint8_t>(g);
          p[3] = static_cast<uint8_t>(alpha);
        }
      }
  }
  nesbar::PatternPixels pixels() const { return {w, h, bpp, bytes.data()}; }
  int w, h, bpp, stride;
  std::vector<uint8_t> bytes;
};

TEST(SamplePoints, QuotasRepeatAndTransparency) {
  // Three grey levels in shares 1/2, 1/4, 1/4.
  const Pattern p(40, 40, 8, [](int x, int) { return x < 20 ? 10 : x < 30 ? 100 : 200; });
  const nesbar::PatternStats s = nesbar::ComputePatternStats(p.pixels());
  EXPECT_EQ(s.histogram[10], 800);
  EXPECT_EQ(s.histogram[100], 400);
  const nesbar::SamplePoints a = nesbar::SelectPatternSamplePoints(p.pixels(), s, 256, 300);
  int levels[256] = {};
  for (int i = 0; i < a.count; ++i) {
    int g = 0;
    p.pixels().Grey(static_cast<int>(a.xyz[3 * i]), static_cast<int>(a.xyz[3 * i + 1]), &g);
    ++levels[g];
  }
  // Each level gets its quota, int(count x 256 / 1600), and no more.
  EXPECT_EQ(levels[10], 128);
  EXPECT_EQ(levels[100], 64);
  EXPECT_EQ(levels[200], 64);
  EXPECT_EQ(a.count, 256);
  EXPECT_NEAR(a.mean, (128 * 10 + 64 * 100 + 64 * 200) / 256.0 / 255.0, 1e-5);

  // The same pattern gives the same points.
  const nesbar::SamplePoints b = nesbar::SelectPatternSamplePoints(p.pixels(), s, 256, 300);
  EXPECT_EQ(a.xyz, b.xyz);

  // A large pattern: the quotas do not overflow 32 bits.
  const Pattern big(2000, 1200, 8, [](int x, int y) { return (x + y) % 2 ? 255 : 0; });
  const nesbar::PatternStats bs = nesbar::ComputePatternStats(big.pixels());
  EXPECT_EQ(nesbar::SelectPatternSamplePoints(big.pixels(), bs, 4000, 4000).count, 4000);

  // A transparent 32-bit pattern has no points.
  const Pattern clear(16, 16, 32, [](int x, int) { return x * 10; }, 100);
  const nesbar::PatternStats cs = nesbar::ComputePatternStats(clear.pixels());
  EXPECT_EQ(nesbar::SelectPatternSamplePoints(clear.pixels(), cs, 256, 300).count, 0);

  struct Margin {
    int w, h, m;
  };
  for (const Margin& m : {Margin{64, 64, 6}, Margin{64, 9, 2}, Margin{5, 40, 1}, Margin{3, 3, 2}}) {
    EXPECT_EQ(nesbar::PatternMargin(m.w, m.h), m.m) << m.w << "x" << m.h;
  }
}

// A read-back of w x h pixels with scores at given places.
struct Scores {
  Scores(int w, int h) : w(w), h(h), rgb(static_cast<size_t>(w) * h * 3, 0.0f) {}
  void Put(int x, int y, float score, float angle = 0.0f, float scale = 1.0f) {
    float* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    p[0] = score;
    p[1] = angle;
    p[2] = scale;
  }
  int w, h;
  std::vector<float> rgb;
};

struct Found {
  int x, y;
  float score;
  bool operator==(const Found&) const = default;
};

std::vector<Found> Collect(const Scores& s, int pw, int ph, int max,
                           const nesbar::SearchedAngles& angles = {0, 0, true}) {
  gpu::CList results;
  nesbar::CollectMatches(s.rgb.data(), s.w, s.h, pw, ph, max, angles, results);
  std::vector<Found> out;
  for (gpu::CListElem* e = results.head; e; e = e->next) {
    auto* r = static_cast<nesbar::CResultListElem*>(e);
    out.push_back({static_cast<int>(r->x), static_cast<int>(r->y), static_cast<float>(r->correlation)});
  }
  results.DeleteAll();
  return out;
}

TEST(Collection, OrderSuppressionTiesAndTheMaximum) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, float>> scores;
    int max;
    std::vector<Found> expected;
  };
  // Pattern 20 x 20: neighbours closer than 15 pixels suppress each other.
  const std::vector<Case> cases = {
      {"best first", {{15, 15, 0.85f}, {50, 15, 0.95f}, {15, 50, 0.9f}}, 5, {{50, 15, 0.95f}, {15, 50, 0.9f}, {15, 15, 0.85f}}},
      {"the maximum", {{15, 15, 0.85f}, {50, 15, 0.95f}, {15, 50, 0.9f}}, 1, {{50, 15, 0.95f}}},
      {"a better neighbour replaces", {{15, 15, 0.85f}, {24, 15, 0.9f}}, 5, {{24, 15, 0.9f}}},
      {"a worse neighbour is dropped", {{15, 15, 0.9f}, {15, 24, 0.85f}}, 5, {{15, 15, 0.9f}}},
      {"15 pixels apart both stay", {{15, 15, 0.9f}, {30, 15, 0.85f}}, 5, {{15, 15, 0.9f}, {30, 15, 0.85f}}},
      {"ties keep the first in row order", {{40, 12, 0.9f}, {35, 16, 0.9f}}, 5, {{40, 12, 0.9f}}},
      // The best replaces the only element before the sentinel: it must not
      // land behind the sentinel (and be lost with a maximum of 1).
      {"the best replaces the head", {{50, 50, 0.5f}, {20, 20, 0.8f}, {22, 20, 0.95f}}, 1, {{22, 20, 0.95f}}},
      {"a rounding above 1 is reported as 1", {{15, 15, 1.0000002f}}, 5, {{15, 15, 1.0f}}},
      {"nothing", {}, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scores s(70, 60);  // every rectangle lies on the frame
    for (auto [x, y, score] : c.scores) s.Put(x, y, score);
    EXPECT_EQ(Collect(s, 20, 20, c.max), c.expected);
  }
  // The suppression radius follows the match's scale: at scale 2, 30 pixels.
  Scores scaled(100, 60);
  scaled.Put(30, 30, 0.9f, 0, 2.0f);
  scaled.Put(55, 30, 0.8f, 0, 2.0f);
  EXPECT_EQ(Collect(scaled, 20, 20, 5), (std::vector<Found>{{30, 30, 0.9f}}));
}

// A place whose turned, scaled rectangle lies mostly off the frame was scored
// against the frame's clamped edge: no match, and it suppresses no neighbour
// on the frame. A few percent off the frame still counts. Pattern 20 x 20 on
// a 100 x 80 frame.
TEST(Collection, PlacesOffTheFrame) {
  struct Case {
    const char* name;
    int x, y;
    float angle, scale;  // degrees
    bool kept;
  };
  const Case cases[] = {
      {"inside", 50, 40, 0, 1, true},
      {"touching the left edge", 10, 40, 0, 1, true},  // 0 to 20 on a frame from -0.5
      {"2.5 % past the top", 50, 70, 0, 1, true},
      {"7.5 % past the top", 50, 71, 0, 1, false},
      {"42.5 % past the top", 50, 78, 0, 1, false},
      {"14 % past the right edge at scale 2", 85, 40, 0, 2, false},
      {"turned by 45, a corner 3 % off", 50, 10, 45, 1, true},
      {"turned by 45, a corner 15 % off", 50, 6, 45, 1, false},
      {"turned by 45, on the frame", 50, 15, 45, 1, true},
      {"turned a half turn, 32.5 % past the bottom", 50, 3, 180, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scores s(100, 80);
    s.Put(c.x, c.y, 0.9f, c.angle * kDeg, c.scale);
    const std::vector<Found> alone = Collect(s, 20, 20, 5);
    EXPECT_EQ(alone.size(), c.kept ? 1u : 0u);
    // Better places mostly off the frame within the suppression radius (15
    // pixels) neither suppress this one nor are reported.
    int rivals = 0;
    for (const auto& [rx, ry] : {std::pair{c.x, 79}, std::pair{c.x, 0}, std::pair{0, c.y}, std::pair{99, c.y}}) {
      if (std::hypot(rx - c.x, ry - c.y) >= 15) continue;
      s.Put(rx, ry, 0.95f, 0, 1);
      ++rivals;
    }
    if (rivals > 0) {
      EXPECT_EQ(Collect(s, 20, 20, 5), alone);
    }
  }
  EXPECT_NEAR(nesbar::ShareOnFrame(50, 78, 20, 20, 0, 100, 80), 11.5 / 20, 1e-9);
  EXPECT_NEAR(nesbar::ShareOnFrame(50, 40, 20, 20, 30, 100, 80), 1.0, 1e-9);
}

// Reported angles lie in [0, 360) and within the angles searched, modulo a
// whole turn: the passes' single-precision angles may come out past 2 pi or
// below the start.
TEST(Collection, AnglesWithinTheSearchedTurn) {
  struct Case {
    const char* name;
    nesbar::SearchSettings search;
    float radians;
    bool kept;
    double degrees;
  };
  const Case cases[] = {
      {"22.6 past a whole turn", {0, 360, 5, 1, 1, 0.1f}, (360 + 22.6f) * kDeg, true, 22.6},
      {"below 0 in a whole turn", {0, 360, 5, 1, 1, 0.1f}, -5 * kDeg, true, 355},
      {"-30 to 30: 20", {-30, 30, 5, 1, 1, 0.1f}, (330 + 50) * kDeg, true, 20},
      {"-30 to 30: -30", {-30, 30, 5, 1, 1, 0.1f}, 330 * kDeg, true, 330},
      {"-30 to 30: -32.6", {-30, 30, 5, 1, 1, 0.1f}, 327.4f * kDeg, false, 0},
      {"-30 to 30: 31", {-30, 30, 5, 1, 1, 0.1f}, (360 + 31) * kDeg, false, 0},
      {"350 to 10: 355", {350, 10, 5, 1, 1, 0.1f}, 355 * kDeg, true, 355},
      {"350 to 10: 5 past the turn", {350, 10, 5, 1, 1, 0.1f}, 365 * kDeg, true, 5},
      {"0 to 45: -1", {0, 45, 5, 1, 1, 0.1f}, -1 * kDeg, false, 0},
      // A step that does not divide the range: its end, not the last coarse
      // angle, bounds the angles; and a gap at the end wider than the step
      // does not wrap.
      {"-30 to 30 by 7: 29.7", {-30, 30, 7, 1, 1, 0.1f}, (360 + 29.7f) * kDeg, true, 29.7},
      {"-30 to 30 by 7: 30.5", {-30, 30, 7, 1, 1, 0.1f}, (360 + 30.5f) * kDeg, false, 0},
      {"350 to 20 by 8: 19", {350, 20, 8, 1, 1, 0.1f}, (360 + 19) * kDeg, true, 19},
      {"0 to 355 by 7: 357", {0, 355, 7, 1, 1, 0.1f}, 357 * kDeg, false, 0},
      {"no search: 0", {0, 0, 5, 1, 1, 0.1f}, 0, true, 0},
      {"scales only: 0", {0, 0, 5, 0.8f, 1.2f, 0.1f}, 0, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scores s(60, 60);
    s.Put(30, 30, 0.9f, c.radians, 1);
    gpu::CList results;
    nesbar::CollectMatches(s.rgb.data(), s.w, s.h, 20, 20, 5, nesbar::AnglesOf(nesbar::MakePlan(c.search)), results);
    ASSERT_EQ(results.head != nullptr, c.kept);
    if (c.kept) {
      auto* r = static_cast<nesbar::CResultListElem*>(results.head);
      EXPECT_NEAR(r->angle, c.degrees, 1e-3);
      EXPECT_EQ(r->rectangleAngle, r->angle);
    }
    results.DeleteAll();
  }
}

TEST(ListOperations, SetCurrentAndInsertBeforeCurrent) {
  struct Item : gpu::CListElem {
    explicit Item(int v) : value(v) {}
    int value;
  };
  auto values = [](const gpu::CList& l) {
    std::vector<int> v;
    for (gpu::CListElem* e = l.head; e; e = e->next) v.push_back(static_cast<Item*>(e)->value);
    return v;
  };
  gpu::CList l;
  Item* a = new Item(1);
  Item* b = new Item(2);
  // Without a current element: appended.
  l.current = nullptr;
  l.InsertBeforeCurrent(a);
  EXPECT_EQ(values(l), (std::vector<int>{1}));
  l.SetCurrent(nullptr);
  l.InsertBeforeCurrent(b);
  EXPECT_EQ(values(l), (std::vector<int>{1, 2}));
  EXPECT_EQ(l.tail, b);
  // Before the head, and before an inner element.
  ASSERT_TRUE(l.SetCurrent(a));
  l.InsertBeforeCurrent(new Item(0));
  EXPECT_EQ(values(l), (std::vector<int>{0, 1, 2}));
  ASSERT_TRUE(l.SetCurrent(b));
  Item* c = new Item(5);
  l.InsertBeforeCurrent(c);
  EXPECT_EQ(values(l), (std::vector<int>{0, 1, 5, 2}));
  EXPECT_EQ(l.current, c);
  EXPECT_EQ(l.count, 4);
  l.InsertBeforeCurrent(nullptr);
  EXPECT_EQ(l.count, 4);
  // An element of no list is not found; the cursor ends past the tail.
  Item stranger(9);
  EXPECT_FALSE(l.SetCurrent(&stranger));
  EXPECT_EQ(l.current, nullptr);
  l.DeleteAll();
}

}  // namespace
