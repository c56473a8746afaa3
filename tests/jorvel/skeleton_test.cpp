// Skeletonisation: the fixtures of its definition, and random blobs against
// a one-thread reference written from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;
using jorvel_test::Pattern;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

// The reference: planes of (w + 2) x (d + 2) with a 255 border.
struct Plane {
  int w, d;
  std::vector<int> v;
  Plane(int w_, int d_) : w(w_), d(d_), v((w_ + 2) * (d_ + 2), 255) {}
  int& at(int r, int x) { return v[r * (w + 2) + x]; }
};

// Ring NW, N, NE, E, SE, S, SW, W as (dr, dx).
const int kRing[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}};

std::vector<uint8_t> RefSkeleton(const FrameBuffer& in, int n, int t) {
  const int w = in.width(), d = in.depth();
  Plane bin(w, d), thin(w, d);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = in.pixel(x, y);
      const int v = in.bpp() == 8 ? p[0] : p[0] + p[1] + p[2];
      bin.at(y + 1, x + 1) = v < (in.bpp() == 8 ? t : 3 * t) ? 0 : 255;
    }
  for (int r = 1; r <= d; ++r)
    for (int x = 1; x <= w; ++x) {
      if (bin.at(r, x) >= t) {
        thin.at(r, x) = 255;
        continue;
      }
      int objects = 0, crossings = 0;
      for (int i = 0; i < 8; ++i) {
        objects += bin.at(r + kRing[i][0], x + kRing[i][1]) < t;
        const int* a = kRing[i];
        const int* b = kRing[(i + 1) % 8];
        crossings += bin.at(r + a[0], x + a[1]) < t && bin.at(r + b[0], x + b[1]) >= t;
      }
      thin.at(r, x) = objects > 2 || crossings >= 2 ? 0 : 255;
    }
  // Steps: (side that must be object, side that must be 255) as ring indexes.
  auto step = [&](int has, int open, auto visit) {
    bool changed = false;
    visit([&](int r, int x) {
      if (thin.at(r, x) != 0) return;
      int objects = 0, transitions = 0;
      for (int i = 0; i < 8; ++i) {
        const int a = thin.at(r + kRing[i][0], x + kRing[i][1]);
        const int b = thin.at(r + kRing[(i + 1) % 8][0], x + kRing[(i + 1) % 8][1]);
        objects += a == 0;
        transitions += a == 0 && b != 0;
      }
      if (objects >= 2 && transitions == 1 && thin.at(r + kRing[has][0], x + kRing[has][1]) == 0 &&
          thin.at(r + kRing[open][0], x + kRing[open][1]) == 255) {
        thin.at(r, x) = 100;
        changed = true;
      }
    });
    return changed;
  };
  for (int it = 1;; ++it) {
    bool changed = step(1, 5, [&](auto f) {
      for (int x = 1; x <= w; ++x)
        for (int r = d; r >= 1; --r) f(r, x);
    });
    changed |= step(3, 7, [&](auto f) {
      for (int r = 1; r <= d; ++r)
        for (int x = 1; x <= w; ++x) f(r, x);
    });
    changed |= step(5, 1, [&](auto f) {
      for (int x = w; x >= 1; --x)
        for (int r = 1; r <= d; ++r) f(r, x);
    });
    changed |= step(7, 3, [&](auto f) {
      for (int r = d; r >= 1; --r)
        for (int x = w; x >= 1; --x) f(r, x);
    });
    for (int& v : thin.v) v = v == 100 ? 255 : v;
    if (!changed || (n > 0 && it >= n)) break;
  }
  for (int r = 1; r <= d; ++r)
    for (int x = 1; x <= w; ++x) {
      if (thin.at(r, x) != 0) continue;
      auto o = [&](int dr, int dx) { return thin.at(r + dr, x + dx) == 0; };
      auto b = [&](int dr, int dx) { return thin.at(r + dr, x + dx) == 255; };
      if ((o(1, 0) && o(0, -1) && b(1, -1) && b(-1, 1)) || (o(1, 0) && o(0, 1) && b(1, 1) && b(-1, -1)) ||
          (o(-1, 0) && o(0, 1) && b(1, -1) && b(-1, 1)) || (o(-1, 0) && o(0, -1) && b(1, 1) && b(-1, -1)))
        thin.at(r, x) = 255;
    }
  std::vector<uint8_t> out;
  for (int r = 1; r <= d; ++r)
    for (int x = 1; x <= w; ++x) out.push_back(static_cast<uint8_t>(thin.at(r, x)));
  return out;
}

std::vector<uint8_t> RunSkeleton(Filter& f, const FrameBuffer& in, double n, double t) {
  f.input(in);
  f.number(u"Maximum number of iterations", n);
  f.number(u"Threshold", t);
  const talvix::RunResult r = f.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? Pixels(f.out()) : std::vector<uint8_t>{};
}

// Dark blobs (value 20) on 230, random but fixed.
FrameBuffer Blobs(int w, int d, int bpp, uint32_t seed) {
  const FrameBuffer noise = Pattern(w, d, 8, seed);
  return jorvel_test::Fill(w, d, bpp, [&](int x, int y) {
    const int cx = (x * 7 + seed) % 23 - 11, cy = (y * 5 + seed) % 19 - 9;
    return cx * cx + cy * cy < 70 || noise.pixel(x, y)[0] < 40 ? 20 : 230;
  });
}

int Dark(const std::vector<uint8_t>& v) {
  int n = 0;
  for (uint8_t p : v) n += p == 0;
  return n;
}

TEST(JorvelSkeleton, Fixtures) {
  Filter f("skeletonization");
  // A single dark pixel vanishes.
  const std::vector<uint8_t> dot = RunSkeleton(f, jorvel_test::Fill(5, 5, 8, [](int x, int y) { return x == 2 && y == 2 ? 0 : 255; }), 0, 0.5);
  EXPECT_EQ(dot, std::vector<uint8_t>(25, 255));
  // A line one pixel wide loses its two ends and is then stable.
  const FrameBuffer line = jorvel_test::Fill(9, 3, 8, [](int x, int y) { return y == 1 && x >= 1 && x <= 7 ? 0 : 255; });
  const std::vector<uint8_t> thin = RunSkeleton(f, line, 0, 0.5);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(thin[9 + x], x >= 2 && x <= 6 ? 0 : 255) << x;
  EXPECT_EQ(Dark(thin), 5);
  // A filled rectangle: one iteration keeps more than running to the end.
  const FrameBuffer block = jorvel_test::Fill(16, 12, 32, [](int x, int y) { return x > 1 && x < 14 && y > 1 && y < 10 ? 10 : 240; });
  const int once = Dark(RunSkeleton(f, block, 1, 0.5)), all = Dark(RunSkeleton(f, block, 0, 0.5));
  EXPECT_GT(once, all);
  EXPECT_GT(all, 0);
  // Threshold 0: nothing is below it.
  EXPECT_EQ(RunSkeleton(f, block, 0, 0), std::vector<uint8_t>(16 * 12, 255));
}

TEST(JorvelSkeleton, RandomBlobsMatchTheReference) {
  struct Case {
    int w, d, bpp, n;
    double t;
  };
  const Case cases[] = {{40, 30, 8, 0, 0.5}, {37, 41, 24, 20, 0.4}, {64, 48, 32, 3, 0.5},
                        {1, 9, 8, 0, 0.5},   {9, 1, 32, 0, 0.5},    {2, 2, 8, 0, 0.9}};
  Filter f("skeletonization");  // one object through every size
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.d << "x" << c.bpp << " n " << c.n);
    const FrameBuffer in = Blobs(c.w, c.d, c.bpp, c.w + c.d);
    const int t = static_cast<int>(static_cast<float>(c.t) * 255.0f);
    EXPECT_EQ(RunSkeleton(f, in, c.n, c.t), RefSkeleton(in, c.n, t));
  }
}

TEST(JorvelSkeleton, ThresholdBoundsAndThreads) {
  struct Case {
    double t;
    const char16_t* warning;
  };
  const Case cases[] = {
      {1.0, nullptr},
      {1.003, nullptr},  // 255.76 truncates to 255
      {1.5, u"Not acceptable value of the parameter Threshold (1.500000). It will be used new value 1.000000."},
      {-0.5, u"Not acceptable value of the parameter Threshold (-0.500000). It will be used new value 0.000000."},
      {-0.002, nullptr},  // -0.51 truncates to 0
  };
  for (const Case& c : cases) {
    Filter f("skeletonization");
    RunSkeleton(f, Blobs(10, 10, 8, 1), 0, c.t);
    if (c.warning) {
      EXPECT_EQ(f.ctx.warnings(), std::vector<std::u16string>{c.warning}) << c.t;
    } else {
      EXPECT_TRUE(f.ctx.warnings().empty()) << c.t;
    }
  }
  for (int bpp : {8, 32}) {
    jorvel_test::ExpectThreadsAgree("skeletonization", [bpp](Filter& f) { f.input(Blobs(300, 220, bpp, 4)); });
  }
}

}  // namespace
