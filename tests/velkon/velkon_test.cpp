// The inscribed and enclosing circles through the exports, on the host's
// OpenGL context, against brute-force references of the same definitions;
// the pick of a radius map on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "gl_test_util.h"
#include "incircle.h"
#include "module_run.h"
#include "talvix/host.hpp"

namespace {

using module_test::MethodRun;
using talvix::FrameBuffer;

TEST(VelkonPick, RowOrderTiesZerosAndNegatives) {
  struct Case {
    const char* what;
    std::vector<float> radii;  // 3 x 2, rows from 0
    bool largest;
    velkon::CirclePick want;
  } cases[] = {
      {"largest, tie keeps the earlier pixel", {0, 2, 0, 2, 1, 0}, true, {1, 0, 2}},
      {"smallest ignores zeros", {0, 3, 0, 0, 2.5f, 4}, false, {1, 1, 2.5f}},
      {"smallest, tie in a row keeps the lower column", {0, 0, 0, 1, 1, 0}, false, {0, 1, 1}},
      {"no circle: largest", {0, 0, 0, 0, 0, 0}, true, {0, 0, 0}},
      {"no circle: smallest", {0, 0, 0, 0, 0, 0}, false, {0, 0, 1e38f}},
      {"a negative radius wins the smallest", {0, 2, -1, 0, 0, 0}, false, {2, 0, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const velkon::CirclePick p = velkon::PickCircle(c.radii.data(), 3, 2, c.largest);
    EXPECT_EQ(p.x, c.want.x);
    EXPECT_EQ(p.y, c.want.y);
    EXPECT_EQ(p.r, c.want.r);
  }
}

using Shape = std::function<bool(int, int)>;

FrameBuffer Scene(int w, int h, int bpp, const Shape& inside, uint8_t grey = 255) {
  FrameBuffer f = FrameBuffer::make(w, h, bpp, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (inside(x, y))
        for (int c = 0; c < std::min(bpp / 8, 3); ++c) f.pixel(x, y)[c] = grey;
  return f;
}

// The radius maps by their definitions: the distance from an object pixel to
// the nearest pixel outside it (beyond the frame counts as outside), and from
// any pixel to the farthest object pixel.
velkon::CirclePick Reference(int w, int h, const Shape& inside, bool incircle) {
  std::vector<float> radii(static_cast<size_t>(w) * h, 0.f);
  const auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && inside(x, y); };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double best = incircle ? 1e30 : -1;
      if (incircle && !in(x, y)) continue;
      for (int v = -h - 1; v <= 2 * h; ++v) {
        for (int u = -w - 1; u <= 2 * w; ++u) {
          const double d = double(u - x) * (u - x) + double(v - y) * (v - y);
          if (incircle && !in(u, v)) best = std::min(best, d);
          if (!incircle && in(u, v)) best = std::max(best, d);
        }
      }
      radii[size_t(y) * w + x] = best < 0 ? 0.f : float(std::sqrt(best));
    }
  }
  return velkon::PickCircle(radii.data(), w, h, incircle);
}

struct Found {
  talvix::RunResult result;
  double x, y, r;
  size_t circles;
};

Found RunOn(MethodRun& run, const FrameBuffer& f) {
  run.ctx.setFrame(u"input frame", f);
  Found out{run(), 0, 0, 0, 0};
  const auto number = [&](const char16_t* n) {
    const auto v = run.ctx.numbers(n);
    return v.empty() ? -1.0 : v[0];
  };
  out.x = number(u"X coordinate of the found circle center");
  out.y = number(u"Y coordinate of the found circle center");
  out.r = number(u"radius of the found circle");
  out.circles = module_test::CallsOf(run.ctx.drawList(), "DrawCircle").size();
  return out;
}

TEST(VelkonGpu, CirclesOfShapesMatchTheirDefinitions) {
  REQUIRE_GL();
  constexpr int kW = 29, kH = 23;
  struct Case {
    const char* what;
    Shape inside;
  } cases[] = {
      {"disc", [](int x, int y) { return (x - 13) * (x - 13) + (y - 11) * (y - 11) <= 36; }},
      {"rectangle", [](int x, int y) { return x >= 4 && x <= 20 && y >= 6 && y <= 15; }},
      {"ring", [](int x, int y) {
         const int d = (x - 14) * (x - 14) + (y - 11) * (y - 11);
         return d <= 81 && d > 16;
       }},
  };
  for (const Case& c : cases) {
    for (int method : {0, 1}) {
      const velkon::CirclePick want = Reference(kW, kH, c.inside, method == 0);
      for (int bpp : {8, 32}) {
        SCOPED_TRACE(testing::Message() << c.what << ", method " << method << ", " << bpp << " bpp");
        MethodRun run("velkon", method == 0 ? "gpu_incircle" : "gpu_outcircle");
        const Found f = RunOn(run, Scene(kW, kH, bpp, c.inside));
        ASSERT_TRUE(f.result.ok) << talvix::ToUtf8(f.result.error);
        EXPECT_EQ(f.x, want.x);
        EXPECT_EQ(f.y, want.y);
        EXPECT_NEAR(f.r, want.r, 1e-4);
        EXPECT_EQ(f.circles, 1u);
        EXPECT_EQ(module_test::CallsOf(run.ctx.drawList(), "DrawLine").size(), 2u);
      }
    }
  }
}

TEST(VelkonGpu, NoObjectThresholdAndLimit) {
  REQUIRE_GL();
  const Shape disc = [](int x, int y) { return (x - 10) * (x - 10) + (y - 9) * (y - 9) <= 25; };
  const FrameBuffer dim = Scene(21, 19, 8, disc, 100);  // grey 0.39
  {
    // Without an object nothing is found or drawn: the inscribed circle is
    // of radius 0; an enclosing circle of nothing is refused, its outputs 0.
    MethodRun in("velkon", "gpu_incircle");
    const Found a = RunOn(in, dim);
    EXPECT_TRUE(a.result.ok);
    EXPECT_EQ(a.r, 0.0);
    EXPECT_EQ(a.circles, 0u);
  }
  const std::u16string noEnclosing =
      u"error: No enclosing circle was found: no pixel reaches the threshold, or every circle exceeds the size limit";
  struct Outcircle {
    const char* what;
    FrameBuffer frame;
    double limit;  // < 0: not set
  } outs[] = {
      {"no object", dim, -1},
      {"every circle past the limit", Scene(21, 19, 8, disc), 2},
  };
  for (const Outcircle& c : outs) {
    SCOPED_TRACE(c.what);
    MethodRun out("velkon", "gpu_outcircle");
    if (c.limit >= 0) out.ctx.setNumbers(u"size limit", {c.limit});
    const Found b = RunOn(out, c.frame);
    EXPECT_FALSE(b.result.ok);
    EXPECT_EQ(b.result.error, noEnclosing);
    EXPECT_EQ(b.r, 0.0);
    EXPECT_EQ(b.x, 0.0);
    EXPECT_EQ(b.y, 0.0);
    EXPECT_EQ(b.circles, 0u);
  }
  {
    // A limit that a circle meets still finds it.
    MethodRun out("velkon", "gpu_outcircle");
    out.ctx.setNumbers(u"size limit", {6});
    const Found b = RunOn(out, Scene(21, 19, 8, disc));
    EXPECT_TRUE(b.result.ok) << talvix::ToUtf8(b.result.error);
    EXPECT_EQ(b.x, 10.0);
    EXPECT_EQ(b.y, 9.0);
    EXPECT_EQ(b.r, 5.0);
  }
  {
    // A threshold of -0.3 is used as 0.3: the dim disc is an object.
    MethodRun in("velkon", "gpu_incircle");
    in.ctx.setNumbers(u"threshold", {-0.3});
    const Found a = RunOn(in, dim);
    const velkon::CirclePick want = Reference(21, 19, disc, true);
    EXPECT_EQ(a.x, want.x);
    EXPECT_EQ(a.y, want.y);
    EXPECT_NEAR(a.r, want.r, 1e-4);
    EXPECT_TRUE(in.ctx.warnings().empty());
  }
  {
    // Above 1 becomes 1, with the warning; a limit zeroes larger radii.
    MethodRun in("velkon", "gpu_incircle");
    in.ctx.setNumbers(u"threshold", {1.5});
    in.ctx.setNumbers(u"size limit", {2.5});
    const Found a = RunOn(in, Scene(21, 19, 8, disc));
    EXPECT_EQ(in.ctx.warnings().size(), 1u);
    EXPECT_GT(a.r, 0.0);
    EXPECT_LE(a.r, 2.5);
  }
}

TEST(VelkonGpu, RegionAndANewFrameSize) {
  REQUIRE_GL();
  // A large and a small disc; the region holds the small one only.
  const Shape two = [](int x, int y) {
    return (x - 10) * (x - 10) + (y - 10) * (y - 10) <= 64 || (x - 28) * (x - 28) + (y - 10) * (y - 10) <= 9;
  };
  MethodRun in("velkon", "gpu_incircle");
  Found a = RunOn(in, Scene(36, 21, 8, two));
  EXPECT_EQ(a.x, 10.0);
  in.ctx.setRegions(u"region for finding", {TRectangularRegion{28, 10, 9, 9, 0}});
  a = RunOn(in, Scene(36, 21, 8, two));
  EXPECT_EQ(a.x, 28.0);
  EXPECT_EQ(a.y, 10.0);
  EXPECT_NEAR(a.r, std::sqrt(10.0), 1e-4);  // (31, 11) is the nearest pixel off the small disc
  // The next frame is larger: the radius texture and target follow it.
  in.ctx.setRegions(u"region for finding", {});
  const Shape far = [](int x, int y) { return (x - 40) * (x - 40) + (y - 25) * (y - 25) <= 16; };
  a = RunOn(in, Scene(50, 31, 8, far));
  EXPECT_EQ(a.x, 40.0);
  EXPECT_EQ(a.y, 25.0);
  EXPECT_NEAR(a.r, std::sqrt(17.0), 1e-4);
}

}  // namespace
