// The edge detector: the whole pipeline against a reference written from its
// definition, and the suppression cases.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "convolution_reference.h"
#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;
using jorvel_test::Pattern;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

// The whole detector, per pixel, from its definition.
FrameBuffer RefEdge(const FrameBuffer& in, float s, int t) {
  const int w = in.width(), d = in.depth();
  const int r = static_cast<int>(std::min(10.0, s * 3.35 + 0.33)), n = 2 * r + 1;
  std::vector<float> g(n), dk(n);
  for (int i = 0; i < n; ++i) {
    const int x = i - r;
    g[i] = static_cast<float>(std::exp(x * x / (-2.0 * s * s)));
    dk[i] = static_cast<float>((-x / (2.0 * s * s)) * g[i]);
  }
  g = jorvel_test::Normalised(g);
  const FrameBuffer rows = jorvel_test::RefPass(in, g, true), cols = jorvel_test::RefPass(in, g, false);
  auto grey = [](const FrameBuffer& f, int x, int y) {
    const uint8_t* p = f.pixel(x, y);
    return static_cast<float>(f.bpp() == 8 ? p[0] : (p[0] + p[1] + p[2]) / 3);
  };
  std::vector<float> gx(w * d), gy(w * d), m(w * d);
  for (int y = 0; y < d; ++y) {
    for (int x = 0; x < w; ++x) {
      float sx = 0, sy = 0;
      for (int k = 0; k < n; ++k) {
        const int xx = x - r + k, yy = y + r - k;
        if (xx >= 0 && xx < w) sx += dk[k] * grey(rows, xx, y);
        if (yy >= 0 && yy < d) sy += dk[k] * grey(cols, x, yy);
      }
      gx[y * w + x] = sx;
      gy[y * w + x] = sy;
      m[y * w + x] = static_cast<float>(std::sqrt(static_cast<double>(sx * sx + sy * sy)));
    }
  }
  FrameBuffer out = FrameBuffer::make(w, d, 8);
  auto M = [&](int x, int y) { return m[y * w + x]; };
  for (int y = 1; y < d - 1; ++y) {
    for (int x = 1; x < w - 1; ++x) {
      const float ax = std::fabs(gx[y * w + x]), ay = std::fabs(gy[y * w + x]);
      if (ax < 0.01 && ay < 0.01) continue;
      const bool same = gx[y * w + x] * gy[y * w + x] > 0;
      float tt, a, b, c, dd;
      if (ay > ax) {
        tt = ax / ay, a = M(x, y + 1), b = M(x, y - 1);
        c = same ? M(x + 1, y + 1) : M(x - 1, y + 1);
        dd = same ? M(x - 1, y - 1) : M(x + 1, y - 1);
      } else {
        tt = ay / ax, a = M(x + 1, y), b = M(x - 1, y);
        c = same ? M(x + 1, y + 1) : M(x + 1, y - 1);
        dd = same ? M(x - 1, y - 1) : M(x - 1, y + 1);
      }
      const float p1 = (1 - tt) * a + tt * c, p2 = (1 - tt) * b + tt * dd, mm = M(x, y);
      out.pixel(x, y)[0] = mm > p1 && mm > p2 && mm * 20 > t ? 255 : 0;
    }
  }
  return out;
}

FrameBuffer RunEdge(Filter& f, const FrameBuffer& in, double s, double t) {
  f.input(in);
  f.number(u"Standard deviation", s);
  f.number(u"Threshold", t);
  const talvix::RunResult r = f.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? f.out() : FrameBuffer{};
}

// A blurred picture with edges in every direction.
FrameBuffer Scene(int w, int d, int bpp, uint32_t seed) {
  const FrameBuffer noise = Pattern(w, d, bpp, seed);
  FrameBuffer f = jorvel_test::Fill(w, d, bpp, [&](int x, int y) {
    const int cx = x - w / 2, cy = y - d / 3;
    const int disc = cx * cx + cy * cy < (w * w) / 16 ? 150 : 40;
    return disc + (x > 2 * w / 3 ? 60 : 0) + noise.pixel(x, y)[0] % 9;
  });
  return f;
}

TEST(JorvelEdge, MatchesTheReference) {
  struct Case {
    int w, d, bpp;
    double s, t;
  };
  const Case cases[] = {{40, 30, 8, 1.0, 0.5}, {33, 21, 32, 1.0, 0.2}, {31, 17, 24, 0.6, 0.5}, {50, 40, 8, 2.5, 0.1},
                        {9, 7, 8, 1.0, 0.0},   {64, 48, 32, 4.0, 0.9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.d << "x" << c.bpp << " s " << c.s << " t " << c.t);
    Filter f("edge");
    const FrameBuffer in = Scene(c.w, c.d, c.bpp, 3);
    const FrameBuffer out = RunEdge(f, in, c.s, c.t);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.bpp(), 8);
    EXPECT_EQ(Pixels(out), Pixels(RefEdge(in, static_cast<float>(c.s), static_cast<int>(static_cast<float>(c.t) * 255.0f))));
  }
}

TEST(JorvelEdge, SuppressionCases) {
  Filter f("edge");
  // A vertical step gives one marked column in the rows whose smoothing
  // window lies inside the frame; the outermost rows are 0.
  const FrameBuffer step = RunEdge(f, jorvel_test::Fill(12, 12, 8, [](int x, int) { return x < 6 ? 20 : 220; }), 1, 0.5);
  for (int y : {0, 3, 4, 7, 8, 11}) {
    int marked = 0;
    for (int x = 0; x < 12; ++x) marked += step.pixel(x, y)[0] == 255;
    EXPECT_EQ(marked, y == 0 || y == 11 ? 0 : 1) << "row " << y;
  }
  // A flat frame, a threshold no magnitude reaches, and frames too thin for a
  // neighbourhood are all 0 (the border included).
  const FrameBuffer flat = RunEdge(f, jorvel_test::Fill(9, 9, 8, [](int, int) { return 77; }), 1, 0.5);
  EXPECT_EQ(Pixels(flat), std::vector<uint8_t>(81, 0));
  const FrameBuffer high = RunEdge(f, jorvel_test::Fill(12, 6, 8, [](int x, int) { return x < 6 ? 100 : 110; }), 1, 1);
  EXPECT_EQ(Pixels(high), std::vector<uint8_t>(72, 0));
  Filter thin("edge");
  thin.ctx.fillNewFrames(0xCD);
  for (auto [w, d] : {std::pair{2, 7}, std::pair{7, 2}, std::pair{1, 1}}) {
    const FrameBuffer out = RunEdge(thin, Pattern(w, d, 8, 4), 1, 0);
    EXPECT_EQ(Pixels(out), std::vector<uint8_t>(w * d, 0)) << w << "x" << d;
  }
}

TEST(JorvelEdge, DeviationCorrectionsAndFrameChanges) {
  struct Case {
    double s;
    const char16_t* warning;  // null: none
  };
  const Case cases[] = {
      {1.0, nullptr},
      {0.0, u"Not acceptable value of the parameter Standard deviation (0.000000). It will be used new value 0.010000."},
      {-2.0, u"Not acceptable value of the parameter Standard deviation (-2.000000). It will be used new value 0.010000."},
      {NAN, u"Not acceptable value of the parameter Standard deviation (nan). It will be used new value 0.010000."},
      {1e30, nullptr},
  };
  Filter f("edge");
  int step = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    // The frame grows and shrinks through one object.
    const int w = 10 + 23 * (step % 2), d = 8 + 17 * (step % 2);
    const FrameBuffer in = Scene(w, d, step == 2 ? 32 : 8, step);
    const FrameBuffer out = RunEdge(f, in, c.s, 0.3);
    ASSERT_FALSE(out.empty());
    if (c.warning) {
      ASSERT_EQ(f.ctx.warnings().size(), 1u);
      EXPECT_EQ(f.ctx.warnings()[0], c.warning);
      EXPECT_EQ(Pixels(out), std::vector<uint8_t>(w * d, 0)) << "a tiny deviation has no derivative";
    } else {
      EXPECT_TRUE(f.ctx.warnings().empty());
      EXPECT_EQ(Pixels(out), Pixels(RefEdge(in, static_cast<float>(c.s), static_cast<int>(0.3f * 255.0f))));
    }
    ++step;
  }
}

}  // namespace
