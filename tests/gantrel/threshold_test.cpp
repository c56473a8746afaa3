// The thresholding methods: the level rules on drawn histograms, the crop box
// and the five ways of writing the output, against references in the test.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <functional>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

talvix::FrameBuffer Grey(int w, int d, const std::function<int(int, int)>& v) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) *f.pixel(x, y) = static_cast<uint8_t>(v(x, y));
  return f;
}

// A frame whose histogram holds count[i] pixels of value i.
talvix::FrameBuffer FromHistogram(const std::vector<int>& count) {
  int total = 0;
  for (int c : count) total += c;
  std::vector<int> values;
  for (int i = 0; i < 256 && i < static_cast<int>(count.size()); ++i)
    for (int k = 0; k < count[i]; ++k) values.push_back(i);
  const int w = 64, d = (total + w - 1) / w;
  return Grey(w, d, [&](int x, int y) {
    const size_t k = static_cast<size_t>(y) * w + x;
    return k < values.size() ? values[k] : values.back();
  });
}

double Level(MethodRun& run) { return run.ctx.numbers(u"Threshold").at(0) * 255; }

bool AllLight(const talvix::FrameBuffer& f) {
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x)
      if (*f.pixel(x, y) != 255) return false;
  return true;
}

TEST(Threshold, RateTable) {
  // Values 10 (40 pixels), 50 (40), 90 (48).
  std::vector<int> h(256, 0);
  h[10] = 40, h[50] = 40, h[90] = 48;
  struct Case {
    double rate;
    double level;
    size_t warnings;
  } cases[] = {{0.5, 50, 0}, {1, 90, 0}, {1.5, 90, 1}, {-0.2, -1, 0}, {0.2, 10, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    MethodRun run("get_threshold");
    run.ctx.setFrame(u"Input frame", FromHistogram(h));
    run.ctx.setNumbers(u"Requested rate of black pixels", {c.rate});
    ASSERT_TRUE(run().ok);
    EXPECT_NEAR(Level(run), c.level, 1e-9);
    EXPECT_EQ(run.ctx.warnings().size(), c.warnings);
    if (c.level < 0) {
      EXPECT_TRUE(AllLight(*run.ctx.frame(u"Output frame")));
    }
  }
  MethodRun zero("get_threshold");
  zero.ctx.setFrame(u"Input frame", FromHistogram(h));
  zero.ctx.setNumbers(u"Requested rate of black pixels", {0});
  ASSERT_TRUE(zero().ok);
  EXPECT_EQ(zero.ctx.numbers(u"Threshold"), std::vector<double>{0});
  EXPECT_TRUE(zero.ctx.outputFrameNames().empty());

  MethodRun flat("get_threshold");
  flat.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(9, 9, 8, 10));
  flat.ctx.setNumbers(u"Requested rate of black pixels", {0.5});
  ASSERT_TRUE(flat().ok);
  EXPECT_NEAR(Level(flat), 10, 1e-9);
  EXPECT_TRUE(AllLight(*flat.ctx.frame(u"Output frame"))) << "10 is not below 10";

  MethodRun none("get_threshold");
  none.ctx.setFrame(u"Input frame", FromHistogram(h));
  EXPECT_EQ(Utf8(none().error), "error: Cannot get requasted rate of black pixels");
}

// Otsu's level, computed here: the last bin of the dark class that maximises
// the between-class variance (double precision; the frames have no ties).
int Otsu(const std::vector<int>& h) {
  double total = 0, sum = 0;
  for (int i = 0; i < 256; ++i) total += h[i], sum += i * double(h[i]);
  double w0 = 0, s0 = 0, best = -1;
  int level = 0;
  for (int t = 0; t < 255; ++t) {
    w0 += h[t], s0 += t * double(h[t]);
    if (w0 == 0 || w0 == total) continue;
    const double m0 = s0 / w0, m1 = (sum - s0) / (total - w0);
    const double v = w0 * (total - w0) * (m0 - m1) * (m0 - m1);
    if (v > best) best = v, level = t;
  }
  return level;
}

TEST(Threshold, BetweenClassLevel) {
  std::vector<std::vector<int>> histograms;
  for (int k = 0; k < 4; ++k) {
    std::vector<int> h(256, 0);
    const int a = 40 + 13 * k, b = 170 + 9 * k;
    for (int i = -12; i <= 12; ++i) {
      h[a + i] += 30 - 2 * std::abs(i) + k;
      h[b + i] += 20 - std::abs(i) + 2 * k + (i > 0 ? 3 : 0);
    }
    histograms.push_back(h);
  }
  for (const auto& h : histograms) {
    MethodRun run("bimodal_threshold");
    const talvix::FrameBuffer in = FromHistogram(h);
    run.ctx.setFrame(u"Input frame", in);
    ASSERT_TRUE(run().ok);
    const int level = Otsu(h);
    EXPECT_NEAR(Level(run), level, 1e-9);
    // The level's own bin belongs to the dark class.
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_NE(out, nullptr);
    for (int y = 0; y < in.depth(); ++y)
      for (int x = 0; x < in.width(); ++x)
        ASSERT_EQ(*out->pixel(x, y), *in.pixel(x, y) <= level ? 0 : 255) << x << "," << y;
  }
}

// A two-tone print splits in two: every split between the tones ties, the
// lowest (the dark tone itself) is reported, and the dark tone stays dark on
// every output path. Cropped outputs hold the region's box.
TEST(Threshold, TwoToneSquareStaysDark) {
  const int w = 64, d = 48;
  const TRectangularRegion region{32, 24, 40, 30, 0};
  struct Case {
    const char* what;
    int bpp;
    bool region, crop;
  } cases[] = {
      {"whole frame", 8, false, false},   {"whole frame", 32, false, false}, {"region in place", 8, true, false},
      {"region in place", 32, true, false}, {"region cropped", 8, true, true}, {"region cropped", 32, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what << " " << c.bpp);
    talvix::FrameBuffer in = talvix::FrameBuffer::make(w, d, c.bpp);
    const auto inSquare = [](int x, int y) { return x >= 22 && x < 42 && y >= 14 && y < 34; };
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x)
        for (int k = 0; k < c.bpp / 8; ++k) in.pixel(x, y)[k] = k == 3 ? 255 : inSquare(x, y) ? 50 : 200;
    MethodRun run("bimodal_threshold");
    run.ctx.setFrame(u"Input frame", in);
    if (c.region) run.ctx.setRegions(u"Region", {region});
    run.ctx.setFlags(u"Crop output frame", {c.crop});
    ASSERT_TRUE(run().ok);
    EXPECT_NEAR(Level(run), 50, 1e-9);
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_NE(out, nullptr);
    const int left = c.crop ? 12 : 0, top = c.crop ? 9 : 0;
    int dark = 0, light = 0;
    for (int y = 0; y < out->depth(); ++y)
      for (int x = 0; x < out->width(); ++x) {
        const uint8_t v = out->pixel(x, y)[0];
        ASSERT_EQ(v == 0, inSquare(x + left, y + top)) << x << "," << y;
        (v == 0 ? dark : light) += 1;
      }
    EXPECT_EQ(dark, 400);
    EXPECT_EQ(light, out->width() * out->depth() - 400);
  }
}

TEST(Threshold, FlankRule) {
  MethodRun single("unimodal_threshold");
  single.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(16, 16, 8, 100));
  ASSERT_TRUE(single().ok) << "a single value of 100 passes";
  EXPECT_GE(Level(single), 97);
  EXPECT_LE(Level(single), 105);
  for (int v : {0, 255}) {
    MethodRun run("unimodal_threshold");
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(16, 16, 8, v));
    EXPECT_EQ(Utf8(run().error), "error: Input frame does not have suitable characteristics") << v;
  }
  // One peak with a long flank below it, and its mirror image: the level
  // lies on the long flank.
  std::vector<int> below(256, 0), above(256, 0);
  for (int i = 40; i <= 180; ++i) below[i] = 1 + (i - 40) * (i - 40) / 100;
  for (int i = 181; i <= 190; ++i) below[i] = std::max(1, 197 - (i - 180) * 20);
  for (int i = 0; i < 256; ++i) above[i] = below[255 - i];
  MethodRun low("unimodal_threshold");
  low.ctx.setFrame(u"Input frame", FromHistogram(below));
  ASSERT_TRUE(low().ok);
  EXPECT_LT(Level(low), 178);
  EXPECT_GT(Level(low), 40);
  MethodRun high("unimodal_threshold");
  high.ctx.setFrame(u"Input frame", FromHistogram(above));
  ASSERT_TRUE(high().ok);
  EXPECT_GT(Level(high), 255 - 178);
  EXPECT_LT(Level(high), 255 - 40);
}

// The five ways of writing the output, checked pixel by pixel.
struct PathCase {
  const char* what;
  const char* method;
  bool region, crop;
  int bpp;
};

// Box mean of a plane of channel values (frame-clipped windows).
std::vector<int> BoxMean(const std::vector<int>& v, int w, int d, int r) {
  std::vector<int> rows(v.size()), out(v.size());
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      int s = 0, n = 0;
      for (int k = std::max(0, x - r); k <= std::min(w - 1, x + r); ++k) s += v[y * w + k], ++n;
      rows[y * w + x] = s / n;
    }
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      int s = 0, n = 0;
      for (int k = std::max(0, y - r); k <= std::min(d - 1, y + r); ++k) s += rows[k * w + x], ++n;
      out[y * w + x] = s / n;
    }
  return out;
}

// The local rule, computed here: src the pixel, mean the box means of its
// channels; a region makes the colour mean a real number.
bool LocalDark(const uint8_t* src, const int* mean, int bpp, bool region, int level, float sensitivity) {
  float v, lm;
  if (bpp == 8) {
    v = src[0];
    lm = static_cast<float>(mean[0] * level * 2 / 255.0);
  } else {
    v = static_cast<float>(int((src[0] + src[1] + src[2]) / 3.0));
    const int sum = mean[0] + mean[1] + mean[2];
    lm = region ? static_cast<float>(sum * level * 2 / 765.0) : static_cast<float>(sum * level * 2 / 765);
  }
  const float dist = std::fabs(v - lm);
  return (dist < sensitivity && v < level) || (dist >= sensitivity && lm > v);
}

TEST(Threshold, OutputPaths) {
  const int w = 60, d = 40, level = 127, r = 2;  // "Threshold" 0.5, "Area" 5
  const float sensitivity = 12.25f;  // "Sensitivity" absent
  const TRectangularRegion region{30.5, 20.5, 30, 16, 30};
  const PathCase cases[] = {
      {"whole frame", "simple_threshold_region", false, false, 8},
      {"whole frame", "simple_threshold_region", false, false, 32},
      {"whole frame, local", "local_threshold", false, false, 8},
      {"whole frame, local", "local_threshold", false, false, 32},
      {"region in place", "simple_threshold_region", true, false, 8},
      {"region in place", "simple_threshold_region", true, false, 32},
      {"region in place, local", "local_threshold", true, false, 8},
      {"region cropped", "simple_threshold_region", true, true, 32},
      {"region cropped, local", "local_threshold", true, true, 8},
      {"region cropped, local", "local_threshold", true, true, 32},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what << " " << c.bpp);
    talvix::FrameBuffer in = talvix::FrameBuffer::make(w, d, c.bpp);
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x)
        for (int k = 0; k < c.bpp / 8; ++k) in.pixel(x, y)[k] = static_cast<uint8_t>((x * 37 + y * 11 + k * 50) % 256);
    MethodRun run(c.method);
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setNumbers(u"Threshold", {0.5});
    if (run.index == 22) run.ctx.setNumbers(u"Area", {5});
    if (c.region) run.ctx.setRegions(u"Region", {region});
    run.ctx.setFlags(u"Crop output frame", {c.crop});
    ASSERT_TRUE(run().ok);
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_NE(out, nullptr);

    // The box the output covers, in input coordinates.
    int left = 0, top = 0, right = w - 1, bottom = d - 1;
    if (c.region && (c.crop || run.index == 22)) {
      const double t = static_cast<float>(region.angle * M_PI / 180);
      const double cs = std::cos(static_cast<float>(t)), sn = std::sin(static_cast<float>(t));
      const double hw = region.width / 2, hh = region.height / 2;
      left = std::max(0, int(region.cx - hw * cs - hh * sn));
      right = std::min(w - 1, int(region.cx + hw * cs + hh * sn));
      top = std::max(0, int(region.cy - hw * sn - hh * cs));
      bottom = std::min(d - 1, int(region.cy + hw * sn + hh * cs));
    }
    if (c.crop) {
      ASSERT_EQ(out->width(), right - left + 1);
      ASSERT_EQ(out->depth(), bottom - top + 1);
    }
    const int bw = right - left + 1, bd = bottom - top + 1, channels = c.bpp == 8 ? 1 : 3;
    std::vector<std::vector<int>> mean(channels);
    for (int k = 0; k < channels; ++k) {
      std::vector<int> plane(static_cast<size_t>(bw) * bd);
      for (int y = 0; y < bd; ++y)
        for (int x = 0; x < bw; ++x) plane[y * bw + x] = in.pixel(left + x, top + y)[k];
      mean[k] = BoxMean(plane, bw, bd, r);
    }
    for (int y = 0; y < d; ++y) {
      for (int x = 0; x < w; ++x) {
        if (c.crop && (x < left || x > right || y < top || y > bottom)) continue;
        const uint8_t* src = in.pixel(x, y);
        const uint8_t* got = c.crop ? out->pixel(x - left, y - top) : out->pixel(x, y);
        const bool inside = !c.region || PixelInRectangularRegion(in.frame(), &region, TPoint{double(x), double(y)}, 0, 0);
        if (!inside) {
          for (int k = 0; k < c.bpp / 8; ++k) ASSERT_EQ(got[k], src[k]) << x << "," << y << " kept";
          continue;
        }
        bool dark;
        if (run.index == 18) {
          dark = c.bpp == 8 ? src[0] < level : src[0] + src[1] + src[2] < 3 * level;
        } else {
          const int at = (y - top) * bw + (x - left);
          int m[3] = {};
          for (int k = 0; k < channels; ++k) m[k] = mean[k][at];
          dark = LocalDark(src, m, c.bpp, c.region, level, sensitivity);
        }
        ASSERT_EQ(got[0], dark ? 0 : 255) << x << "," << y;
        if (c.bpp == 32) {
          ASSERT_EQ(got[1], got[0]);
          ASSERT_EQ(got[2], got[0]);
          ASSERT_EQ(got[3], 255);
        }
      }
    }
  }
}

// Windows against frames of every shape: wider than the frame, without a
// full window, radius 0 and 50, odd widths, frames split over threads, and
// near-white frames whose window sums are the largest.
TEST(Threshold, LocalWindows) {
  struct Case {
    int w, d;
    double area;
  } cases[] = {{1, 1, 21}, {5, 3, 100}, {61, 7, 101}, {130, 70, 100}, {33, 57, 0}, {203, 181, 21}, {97, 350, 64}};
  const int level = 153;  // "Threshold" 0.6
  for (const Case& c : cases) {
    for (int bpp : {8, 32}) {
      for (bool white : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.d << " area " << c.area << " " << bpp << " white " << white);
        talvix::FrameBuffer in = talvix::FrameBuffer::make(c.w, c.d, bpp);
        for (int y = 0; y < c.d; ++y)
          for (int x = 0; x < c.w; ++x)
            for (int k = 0; k < bpp / 8; ++k) {
              const int v = (x * 73 + y * 151 + k * 29 + x * y) % 256;
              in.pixel(x, y)[k] = static_cast<uint8_t>(white ? 255 - v % 3 : v);
            }
        MethodRun run("local_threshold");
        run.ctx.setFrame(u"Input frame", in);
        run.ctx.setNumbers(u"Threshold", {0.6});
        run.ctx.setNumbers(u"Area", {c.area});
        run.ctx.setNumbers(u"Sensitivity", {0.02});
        ASSERT_TRUE(run().ok);
        const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
        ASSERT_NE(out, nullptr);
        const int r = std::min(50, int(c.area * 0.5)), channels = bpp == 8 ? 1 : 3;
        std::vector<std::vector<int>> mean(channels);
        for (int k = 0; k < channels; ++k) {
          std::vector<int> plane(static_cast<size_t>(c.w) * c.d);
          for (int y = 0; y < c.d; ++y)
            for (int x = 0; x < c.w; ++x) plane[y * c.w + x] = in.pixel(x, y)[k];
          mean[k] = BoxMean(plane, c.w, c.d, r);
        }
        for (int y = 0; y < c.d; ++y)
          for (int x = 0; x < c.w; ++x) {
            int m[3] = {};
            for (int k = 0; k < channels; ++k) m[k] = mean[k][y * c.w + x];
            const bool dark = LocalDark(in.pixel(x, y), m, bpp, false, level, static_cast<float>(0.02 * 255));
            ASSERT_EQ(out->pixel(x, y)[0], dark ? 0 : 255) << x << "," << y;
            if (bpp == 32) {
              ASSERT_EQ(out->pixel(x, y)[3], 255);
            }
          }
      }
    }
  }
}

// The histogram rules count every pixel of a whole frame once: the dark
// pixels sit in the last column and the first row, where a miscount shows.
TEST(Threshold, WholeFrameHistogram) {
  struct Case {
    int w, d, bpp;
  } cases[] = {{7, 5, 8}, {7, 5, 32}, {203, 181, 8}, {203, 181, 32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.d << " " << c.bpp);
    talvix::FrameBuffer in = talvix::FrameBuffer::make(c.w, c.d, c.bpp);
    for (int y = 0; y < c.d; ++y)
      for (int x = 0; x < c.w; ++x) {
        const int v = x == c.w - 1 ? 10 : y == 0 ? 60 : 200;
        for (int k = 0; k < 3 && k < c.bpp / 8; ++k) in.pixel(x, y)[k] = static_cast<uint8_t>(c.bpp == 8 ? v : v - 1 + k);
      }
    const double total = double(c.w) * c.d;
    const double rates[][2] = {{(c.d - 0.5) / total, 10}, {(c.d + c.w - 1.5) / total, 60}, {1, 200}};
    for (const auto& [rate, level] : rates) {
      MethodRun run("get_threshold");
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setNumbers(u"Requested rate of black pixels", {rate});
      ASSERT_TRUE(run().ok);
      EXPECT_NEAR(Level(run), level, 1e-9) << rate;
    }
  }
}

TEST(Threshold, CropBoxes) {
  struct Case {
    TRectangularRegion region;
    int w, d;  // expected output size; 0: "Region is defined out of frame"
  } cases[] = {
      {{50, 40, 20, 10, 0}, 21, 11},
      {{50, 40, 20, 10, 90}, 10, 20},  // the sine and cosine in single precision, then truncated
      {{50, 40, 20, 10, 180}, 21, 11},  // a half turn is the same box
      {{50, 40, 20, 10, 1e-9}, 21, 11},  // and so are tiny turns off it
      {{50, 40, 20, 10, 360.0000001}, 21, 11},
      {{50, 40, 20, 10, -1e-9}, 21, 11},
      {{50, 40, 20, 10, 90.0000001}, 10, 20},
      {{3, 40, 20, 10, 0}, 14, 11},     // cut at the left border
      {{300, 40, 20, 10, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.region.cx << " " << c.region.angle);
    for (const char* id : {"simple_threshold_region", "local_threshold"}) {
      MethodRun run(id);
      run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(100, 80, 8, 90));
      run.ctx.setRegions(u"Region", {c.region});
      const talvix::RunResult r = run();
      if (c.w == 0) {
        EXPECT_EQ(Utf8(r.error), "error: Region is defined out of frame");
        continue;
      }
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(out->width(), c.w);
      EXPECT_EQ(out->depth(), c.d);
    }
  }
}

TEST(Threshold, CorrectionsAndFailures) {
  MethodRun area("local_threshold");
  area.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(10, 10, 8, 90));
  area.ctx.setNumbers(u"Area", {200});
  ASSERT_TRUE(area().ok);
  ASSERT_EQ(area.ctx.warnings().size(), 1u);
  EXPECT_EQ(Utf8(area.ctx.warnings()[0]),
            "Not acceptable value of the parameter Area (100). It will be used new value 100.");

  for (const char* id : {"get_threshold", "bimodal_threshold", "unimodal_threshold"}) {
    MethodRun run(id);
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(10, 10, 8, 90));
    run.ctx.setRegions(u"Region", {{500, 500, 10, 10, 0}});
    if (run.index == 19) run.ctx.setNumbers(u"Requested rate of black pixels", {0.5});
    EXPECT_EQ(Utf8(run().error), "error: Bad defined input region") << id;
  }
  MethodRun copy("simple_threshold_region");
  const talvix::FrameBuffer in = Grey(10, 10, [](int x, int y) { return x * 20 + y; });
  copy.ctx.setFrame(u"Input frame", in);
  copy.ctx.setRegions(u"Region", {{500, 500, 10, 10, 0}});
  copy.ctx.setFlags(u"Crop output frame", {false});
  ASSERT_TRUE(copy().ok);
  EXPECT_EQ(copy.ctx.frame(u"Output frame")->bytes(), in.bytes());

  MethodRun wide("simple_threshold_region");
  wide.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(10, 10, 24, 90));
  const talvix::RunResult r = wide();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error).rfind("error: ", 0), 0u);
}

TEST(Threshold, ThreadsAgree) {
  const talvix::FrameBuffer in = Grey(400, 300, [](int x, int y) { return (x * x + 7 * y) % 256; });
  for (const char* id : {"local_threshold", "simple_threshold_region", "bimodal_threshold"}) {
    std::vector<std::vector<uint8_t>> outs;
    const int before = omp_get_max_threads();
    for (int threads : {1, 8}) {
      omp_set_num_threads(threads);
      MethodRun run(id);
      run.ctx.setFrame(u"Input frame", in);
      if (run.index == 22) run.ctx.setNumbers(u"Area", {21});
      ASSERT_TRUE(run().ok);
      outs.push_back(run.ctx.frame(u"Output frame")->bytes());
    }
    omp_set_num_threads(before);
    EXPECT_EQ(outs[0], outs[1]) << id;
  }
}

}  // namespace
