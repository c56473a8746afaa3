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

std::vector<Found> Collect(const Scores& s, int pw, int ph, int max) {
  gpu::CList results;
  nesbar::CollectMatches(s.rgb.data(), s.w, s.h, pw, ph, max, results);
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
      {"best first", {{5, 5, 0.85f}, {40, 5, 0.95f}, {5, 40, 0.9f}}, 5, {{40, 5, 0.95f}, {5, 40, 0.9f}, {5, 5, 0.85f}}},
      {"the maximum", {{5, 5, 0.85f}, {40, 5, 0.95f}, {5, 40, 0.9f}}, 1, {{40, 5, 0.95f}}},
      {"a better neighbour replaces", {{5, 5, 0.85f}, {14, 5, 0.9f}}, 5, {{14, 5, 0.9f}}},
      {"a worse neighbour is dropped", {{5, 5, 0.9f}, {5, 14, 0.85f}}, 5, {{5, 5, 0.9f}}},
      {"15 pixels apart both stay", {{5, 5, 0.9f}, {20, 5, 0.85f}}, 5, {{5, 5, 0.9f}, {20, 5, 0.85f}}},
      {"ties keep the first in row order", {{30, 2, 0.9f}, {25, 6, 0.9f}}, 5, {{30, 2, 0.9f}}},
      // The best replaces the only element before the sentinel: it must not
      // land behind the sentinel (and be lost with a maximum of 1).
      {"the best replaces the head", {{40, 40, 0.5f}, {10, 10, 0.8f}, {12, 10, 0.95f}}, 1, {{12, 10, 0.95f}}},
      {"a rounding above 1 is reported as 1", {{5, 5, 1.0000002f}}, 5, {{5, 5, 1.0f}}},
      {"nothing", {}, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scores s(60, 50);
    for (auto [x, y, score] : c.scores) s.Put(x, y, score);
    EXPECT_EQ(Collect(s, 20, 20, c.max), c.expected);
  }
  // The suppression radius follows the match's scale: at scale 2, 30 pixels.
  Scores scaled(80, 20);
  scaled.Put(5, 5, 0.9f, 0, 2.0f);
  scaled.Put(30, 5, 0.8f, 0, 2.0f);
  EXPECT_EQ(Collect(scaled, 20, 20, 5), (std::vector<Found>{{5, 5, 0.9f}}));
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
