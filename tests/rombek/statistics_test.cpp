// Noise figures and histograms of regions, against sums formed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "module_run.h"

namespace {

using module_test::CallsOf;
using module_test::MethodRun;
using talvix::FrameBuffer;
using talvix::ToUtf8;

FrameBuffer Noisy(int w, int h, uint32_t seed) {
  FrameBuffer f = FrameBuffer::make(w, h, 8);
  uint32_t s = seed;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s = s * 1664525u + 1013904223u;
      *f.pixel(x, y) = static_cast<uint8_t>(100 + (s >> 24) % 60);
    }
  return f;
}

struct Figures {
  double mean, dev, max, min, snr;
};
Figures Expected(const FrameBuffer& f, int x0, int y0, int x1, int y1) {
  double s = 0, ss = 0, mx = 0, mn = 1e300;
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const double v = *f.pixel(x, y);
      s += v, ss += v * v, mx = std::max(mx, v), mn = std::min(mn, v), ++n;
    }
  const double mean = s / n, dev = std::sqrt(ss / n - mean * mean);
  return {mean, dev, mx, mn, dev == 0 ? 100 : 20 * std::log((mx - mn) / dev)};
}

std::vector<Figures> NoiseRun(MethodRun& run) {
  std::vector<Figures> out;
  const auto m = run.ctx.numbers(u"Mean"), d = run.ctx.numbers(u"Standard deviation"), mx = run.ctx.numbers(u"Maximum"),
             mn = run.ctx.numbers(u"Minimum"), snr = run.ctx.numbers(u"Signal to noise ratio");
  for (size_t i = 0; i < m.size(); ++i) out.push_back({m[i], d[i], mx[i], mn[i], snr[i]});
  return out;
}

void ExpectFigures(const Figures& got, const Figures& want) {
  EXPECT_NEAR(got.mean, want.mean, 1e-9);
  EXPECT_NEAR(got.dev, want.dev, 1e-9);
  EXPECT_EQ(got.max, want.max);
  EXPECT_EQ(got.min, want.min);
  EXPECT_NEAR(got.snr, want.snr, 1e-4);
}

TEST(NoiseMonitor, WholeFrameAndUniformRegion) {
  FrameBuffer f = Noisy(64, 48, 3);
  for (int y = 30; y < 40; ++y)
    for (int x = 40; x < 60; ++x) *f.pixel(x, y) = 77;
  MethodRun run("rombek", "noise_monitor");
  run.ctx.setFrame(u"Input frame", f);
  ASSERT_TRUE(run().ok);
  ExpectFigures(NoiseRun(run).at(0), Expected(f, 0, 0, 64, 48));

  MethodRun uniform("rombek", "noise_monitor");
  uniform.ctx.setFrame(u"Input frame", f);
  uniform.ctx.setRegions(u"Region", {{50, 35, 16, 6, 0}});
  ASSERT_TRUE(uniform().ok);
  const Figures u = NoiseRun(uniform).at(0);
  EXPECT_EQ(u.mean, 77);
  EXPECT_EQ(u.dev, 0);
  EXPECT_EQ(u.snr, 100);
}

// An empty region leaves its text, the loop goes on, the last region answers.
TEST(NoiseMonitor, RegionArrayWithAnEmptyRegion) {
  const FrameBuffer f = Noisy(64, 48, 5);
  MethodRun run("rombek", "noise_monitor");
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setRegions(u"Region", {{10, 10, 8, 8, 0}, {500, 500, 4, 4, 0}, {40, 30, 20, 10, 0}});
  const auto r = run();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, u"Pixels undefined");
  const auto figs = NoiseRun(run);
  ASSERT_EQ(figs.size(), 3u);
  ExpectFigures(figs[0], Expected(f, 6, 6, 14, 14));
  ExpectFigures(figs[2], Expected(f, 30, 25, 50, 35));

  MethodRun last("rombek", "noise_monitor");
  last.ctx.setFrame(u"Input frame", f);
  last.ctx.setRegions(u"Region", {{10, 10, 8, 8, 0}, {500, 500, 4, 4, 0}});
  const auto lr = last();
  EXPECT_FALSE(lr.ok);
  EXPECT_EQ(lr.error, u"Pixels undefined");

  MethodRun none("rombek", "noise_monitor");
  none.ctx.setFrame(u"Input frame", f);
  none.ctx.setRegions(u"Region", {});
  EXPECT_FALSE(none().ok);
}

TEST(NoiseMonitor, DrawingRecord) {
  MethodRun run("rombek", "noise_monitor");
  run.ctx.setFrame(u"Input frame", FrameBuffer::make(20, 10, 8, 9));
  ASSERT_TRUE(run().ok);
  const auto texts = CallsOf(run.ctx.drawList(), "DrawString");
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].text, u"mean = 9.00");
  EXPECT_EQ(texts[1].text, u"STD = 0.00");
  EXPECT_EQ(texts[4].text, u"SNR = 100.00 dB");
  EXPECT_EQ(CallsOf(run.ctx.drawList(), "DrawRectangle").size(), 1u);
}

struct Curves {
  std::vector<double> r, g, b;
};
Curves HistogramOf(const FrameBuffer& f, bool show = false, talvix::RunResult* res = nullptr,
                   std::vector<talvix::DrawCall>* draws = nullptr) {
  MethodRun run("rombek", "histogram");
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setFlags(u"Show results", {show});
  const auto r = run();
  if (res) *res = r;
  if (draws) *draws = run.ctx.drawList();
  return {run.ctx.numbers(u"Red histogram"), run.ctx.numbers(u"Green histogram"), run.ctx.numbers(u"Blue histogram")};
}

TEST(Histogram, GreyGivesThreeEqualCurves) {
  const FrameBuffer f = Noisy(50, 40, 9);
  std::vector<double> counts(256);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) counts[*f.pixel(x, y)] += 1;
  const double top = *std::max_element(counts.begin(), counts.end());
  talvix::RunResult r;
  const Curves c = HistogramOf(f, false, &r);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(c.r.size(), 256u);
  EXPECT_EQ(c.r, c.g);
  EXPECT_EQ(c.r, c.b);
  EXPECT_EQ(*std::max_element(c.r.begin(), c.r.end()), 1);
  for (int i = 0; i < 256; ++i) EXPECT_NEAR(c.r[i], counts[i] / top, 1e-6) << i;
}

TEST(Histogram, ColourDepthsCountEachChannel) {
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    FrameBuffer f = FrameBuffer::make(10, 10, bpp);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        uint8_t* p = f.pixel(x, y);
        p[0] = 5, p[1] = x < 5 ? 60 : 61, p[2] = y < 2 ? 200 : 201;  // B, G, R
      }
    talvix::RunResult r;
    const Curves c = HistogramOf(f, false, &r);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(c.b[5], 1);
    EXPECT_EQ(c.g[60], 0.5);
    EXPECT_EQ(c.g[61], 0.5);
    EXPECT_NEAR(c.r[200], 0.2, 1e-7);
    EXPECT_NEAR(c.r[201], 0.8, 1e-7);
    EXPECT_EQ(c.r[5], 0);
  }
}

TEST(Histogram, DrawsThreeCurvesInTheDrawingRegion) {
  std::vector<talvix::DrawCall> draws;
  HistogramOf(FrameBuffer::make(16, 16, 8, 100), true, nullptr, &draws);
  EXPECT_EQ(CallsOf(draws, "DrawRectangle").size(), 1u);
  const auto lines = CallsOf(draws, "DrawLine");
  ASSERT_EQ(lines.size(), 3u * 255);
  // Bin 100 is the top: the segment from 99 to 100 rises to the region's top edge.
  EXPECT_NEAR(lines[99].args[3], 16, 1e-9);
}

}  // namespace
