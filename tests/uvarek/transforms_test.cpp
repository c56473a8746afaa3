// The transforms of drawn scan lines against references written here: a
// naive double DFT with the e^(+i) sign and the DCT-II summed over N.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "module_run.h"

namespace {

using module_test::CallsOf;
using module_test::MethodRun;
using talvix::FrameBuffer;
using talvix::ToUtf8;

constexpr double kPi = 3.14159265358979323846;
const char* kIds[] = {"discrete_cosine_transform_1D", "discrete_fourier_transform_1D", "fast_fourier_transform_1D"};

// A grey frame whose column x holds line[x] on every row (plus rowStep x row).
FrameBuffer Columns(const std::vector<double>& line, int rows = 1, int rowStep = 0) {
  FrameBuffer f = FrameBuffer::make(static_cast<int>(line.size()), rows, 8);
  for (int y = 0; y < rows; ++y)
    for (size_t x = 0; x < line.size(); ++x) *f.pixel(static_cast<int>(x), y) = static_cast<uint8_t>(line[x] + rowStep * y);
  return f;
}

std::vector<double> Signal(int n, unsigned seed = 1) {
  std::vector<double> v(n);
  unsigned s = seed;
  for (int x = 0; x < n; ++x) {
    s = s * 1103515245u + 12345u;
    v[x] = std::round(110 + 50 * std::cos(2 * kPi * 3 * x / n) + 30 * std::sin(2 * kPi * 5 * x / n) + (s >> 16) % 9);
  }
  return v;
}

struct Spectrum {
  std::vector<double> amplitude, phase;
};

Spectrum NaiveDft(const std::vector<double>& x, size_t m) {  // x padded with zeros to m
  Spectrum s;
  for (size_t k = 0; k < m / 2 + 1; ++k) {
    double re = 0, im = 0;
    for (size_t j = 0; j < x.size(); ++j) re += x[j] * std::cos(2 * kPi * k * j / m), im += x[j] * std::sin(2 * kPi * k * j / m);
    s.amplitude.push_back(std::hypot(re, im) / m);
    s.phase.push_back(re == 0 ? 0 : std::atan(im / re));
  }
  return s;
}

std::vector<double> NaiveDct(const std::vector<double>& x) {
  const size_t n = x.size();
  std::vector<double> c(n);
  for (size_t k = 0; k < n; ++k) {
    for (size_t j = 0; j < n; ++j) c[k] += std::cos(kPi * k * (j + 0.5) / n) * x[j];
    c[k] /= n;
  }
  return c;
}

struct Result {
  talvix::RunResult run;
  std::vector<double> amplitude, phase;
  double maximum = 0, sum = 0;
  std::vector<std::u16string> warnings;
  std::vector<talvix::DrawCall> draws;
};

Result Transform(int kind, const FrameBuffer& f, double begin, double end, std::vector<double> extra = {},
                 std::function<void(talvix::RunContext&)> more = {}) {
  MethodRun run("uvarek", kIds[kind]);
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setNumbers(u"Spectrum begin", {begin});
  run.ctx.setNumbers(u"Spectrum end", {end});
  run.ctx.setFlags(u"Show results", {false});
  if (!extra.empty()) run.ctx.setNumbers(u"Window type", extra);
  if (more) more(run.ctx);
  Result r;
  r.run = run();
  r.amplitude = run.ctx.numbers(u"Amplitude spectrum");
  if (kind != 0) r.phase = run.ctx.numbers(u"Phase spectrum");
  const auto mx = run.ctx.numbers(u"Maximal coefficient"), sm = run.ctx.numbers(u"Coefficients sum");
  r.maximum = mx.empty() ? NAN : mx[0];
  r.sum = sm.empty() ? NAN : sm[0];
  r.warnings = run.ctx.warnings();
  r.draws = run.ctx.drawList();
  return r;
}

void ExpectPhase(double got, double want, double amplitude) {
  if (amplitude < 1e-3) return;  // the phase of a vanishing coefficient is noise
  double d = std::fabs(got - want);
  d = std::min(d, std::fabs(d - kPi));  // atan folds by pi at the boundary
  EXPECT_LT(d, 2e-3);
}

TEST(Uvarek, DctAndDftOfAKnownLine) {
  const std::vector<double> x = Signal(64);
  const FrameBuffer f = Columns(x);
  const std::vector<double> dct = NaiveDct(x);
  const Result c = Transform(0, f, 0, 63);
  ASSERT_TRUE(c.run.ok) << ToUtf8(c.run.error);
  ASSERT_EQ(c.amplitude.size(), 64u);
  double max = -1e30, sum = 0;
  for (int k = 0; k < 64; ++k) {
    EXPECT_NEAR(c.amplitude[k], dct[k], 2e-3 * std::max(1.0, std::fabs(dct[k]))) << k;
    max = std::max(max, dct[k]), sum += std::fabs(dct[k]);
  }
  EXPECT_NEAR(c.maximum, max, 1e-2);
  EXPECT_NEAR(c.sum, sum, 1e-2 * sum);

  const Spectrum s = NaiveDft(x, 64);
  const Result d = Transform(1, f, 2, 31);
  ASSERT_TRUE(d.run.ok) << ToUtf8(d.run.error);
  ASSERT_EQ(d.amplitude.size(), 30u);  // indexed by k - begin
  for (int k = 2; k <= 31; ++k) {
    EXPECT_NEAR(d.amplitude[k - 2], s.amplitude[k], 2e-3) << k;
    ExpectPhase(d.phase[k - 2], s.phase[k], s.amplitude[k]);
  }
}

TEST(Uvarek, FftOfEveryPowerOfTwo) {
  for (int m = 2; m <= 1024; m *= 2) {
    SCOPED_TRACE(m);
    const std::vector<double> x = Signal(m, m);
    const Spectrum s = NaiveDft(x, m);
    const Result r = Transform(2, Columns(x), 0, m);
    ASSERT_TRUE(r.run.ok) << ToUtf8(r.run.error);
    ASSERT_EQ(r.amplitude.size(), static_cast<size_t>(m / 2));  // indexed by k
    const int last = static_cast<int>((m - 1) * 0.5);
    for (int k = 0; k <= last; ++k) {
      EXPECT_NEAR(r.amplitude[k], s.amplitude[k], 1e-3 * (1 + s.amplitude[k])) << k;
      ExpectPhase(r.phase[k], s.phase[k], s.amplitude[k]);
    }
  }
}

TEST(Uvarek, HundredSamplesPadTo128) {
  const std::vector<double> x = Signal(100);
  const Spectrum s = NaiveDft(x, 128);
  const Result r = Transform(2, Columns(x), 10, 1000);
  ASSERT_TRUE(r.run.ok) << ToUtf8(r.run.error);
  ASSERT_EQ(r.amplitude.size(), 64u);
  for (int k = 0; k < 64; ++k) {
    if (k < 10 || k > 49) {
      EXPECT_EQ(r.amplitude[k], 0) << k;  // outside the band, the end held at 49
    } else {
      EXPECT_NEAR(r.amplitude[k], s.amplitude[k], 1e-3 * (1 + s.amplitude[k])) << k;
    }
  }
}

// Each window weights the line: on a constant line, DCT coefficient 0 is the
// window's mean times the value.
TEST(Uvarek, Windows) {
  const int n = 50;
  const std::vector<double> x(n, 100);
  auto w = [&](int type, int i) -> double {
    const double p = n - 1;
    switch (type) {
      case 1: return (1 - std::cos(2 * kPi * i / p)) * 0.5;
      case 2: return 0.54 - 0.46 * std::cos(2 * kPi * i / p);
      case 3: return 0.42 - 0.5 * std::cos(2 * kPi * i / p) + 0.08 * std::cos(4 * kPi * i / p);
      case 4:
        return 0.35875 - 0.48829 * std::cos(2 * kPi * i / p) + 0.14128 * std::cos(4 * kPi * i / p) -
               0.01168 * std::cos(6 * kPi * i / p);
      case 5: return (n * 0.5 - std::fabs(i - (n - 1) * 0.5)) * (2.0 / n);
      default: return 1;
    }
  };
  for (int type : {0, 1, 2, 3, 4, 5, 7, -1}) {
    SCOPED_TRACE(type);
    double mean = 0;
    for (int i = 0; i < n; ++i) mean += w(type, i) / n;
    const Result r = Transform(0, Columns(x), 0, 10, {double(type)});
    ASSERT_TRUE(r.run.ok);
    EXPECT_NEAR(r.amplitude[0], 100 * mean, 1e-3);
    EXPECT_EQ(r.warnings.size(), type == 7 ? 1u : 0u);
    if (type == 7) {
      EXPECT_EQ(r.warnings[0], u"Not acceptable value of the parameter Window type (7.000000). It will be used new value 0.000000.");
    }
  }
}

TEST(Uvarek, BandRule) {
  struct Case {
    int kind, width;
    double begin, end;
    int first, last;  // the band computed
  };
  const Case cases[] = {
      {1, 100, 5, 5, 5, 6},       // end moves up
      {1, 12, 5, 5, 4, 5},        // above a quarter of the line: begin moves down
      {0, 100, 5, 5, 5, 6},
      {1, 100, 0, 1000, 0, 49},   // end held at the limit
      {0, 100, 3, 1000, 3, 99},
      {1, 100, 1000, 0, 49, 49},  // a begin past the limit is held too
      {0, 100, 1000, 1000, 98, 99},
      {1, 100, -4, 3, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " " << c.width << " " << c.begin << " " << c.end);
    const std::vector<double> x = Signal(c.width);
    const Result r = Transform(c.kind, Columns(x), c.begin, c.end);
    ASSERT_TRUE(r.run.ok) << ToUtf8(r.run.error);
    ASSERT_EQ(r.amplitude.size(), static_cast<size_t>(c.last - c.first + 1));
    const double want = c.kind == 0 ? NaiveDct(x)[c.first] : NaiveDft(x, c.width).amplitude[c.first];
    EXPECT_NEAR(r.amplitude[0], want, 2e-3 * (1 + std::fabs(want)));
  }
  MethodRun narrow("uvarek", kIds[2]);
  narrow.ctx.setFrame(u"Input frame", Columns(Signal(40)));
  narrow.ctx.setRegions(u"Region", {{20, 0.5, 1.5, 1, 0}});
  const auto r = narrow();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Pixels undefined");
}

TEST(Uvarek, AveragedLinesAndLineCounts) {
  const std::vector<double> x = Signal(32);
  const FrameBuffer f = Columns(x, 3, 10);  // rows x, x + 10, x + 20
  std::vector<double> mean = x;
  for (double& v : mean) v += 10;
  const Result three = Transform(0, f, 0, 31, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {3}); });
  ASSERT_TRUE(three.run.ok);
  const std::vector<double> dct = NaiveDct(mean);
  for (int k = 0; k < 32; ++k) EXPECT_NEAR(three.amplitude[k], dct[k], 2e-3 * (1 + std::fabs(dct[k]))) << k;

  const Result none = Transform(1, f, 0, 15, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {0}); });
  ASSERT_TRUE(none.run.ok);
  for (double a : none.amplitude) EXPECT_EQ(a, 0);
  EXPECT_EQ(none.sum, 0);
  EXPECT_EQ(none.maximum, 0);

  const Result negative = Transform(1, f, 0, 15, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {-2}); });
  ASSERT_TRUE(negative.run.ok);
  ASSERT_EQ(negative.warnings.size(), 1u);
  EXPECT_EQ(negative.warnings[0],
            u"Not acceptable value of the parameter Number of scanlines (-2). It will be used new value 0.");
  EXPECT_EQ(negative.sum, 0);
}

// Numbers past the int range or not numbers at all are corrected before any
// conversion and warned: the line count to 0..65536, the window type to
// rectangular.
TEST(Uvarek, HugeAndNonFiniteNumbersAreCorrectedAndWarned) {
  const std::vector<double> x = Signal(32);
  const FrameBuffer f = Columns(x, 3, 10);
  const Result most = Transform(0, f, 0, 31, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {65536}); });
  const Result one = Transform(0, f, 0, 31, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {1}); });
  const Result none = Transform(0, f, 0, 31, {}, [](auto& c) { c.setNumbers(u"Number of scanlines", {0}); });
  ASSERT_TRUE(most.run.ok && one.run.ok && none.run.ok);
  EXPECT_TRUE(most.warnings.empty());
  const double inf = INFINITY;
  const struct Case {
    const char16_t* input;
    double value;
    const Result* same;         // the run it must equal
    const char16_t* warning;    // null: none
  } cases[] = {
      {u"Number of scanlines", 3e9, &most,
       u"Not acceptable value of the parameter Number of scanlines (3000000000.000000). It will be used new value "
       u"65536.000000."},
      {u"Number of scanlines", 1e300, &most,
       u"Not acceptable value of the parameter Number of scanlines (inf). It will be used new value 65536.000000."},
      {u"Number of scanlines", inf, &most,
       u"Not acceptable value of the parameter Number of scanlines (inf). It will be used new value 65536.000000."},
      {u"Number of scanlines", 65537, &most,
       u"Not acceptable value of the parameter Number of scanlines (65537). It will be used new value 65536."},
      {u"Number of scanlines", NAN, &one,
       u"Not acceptable value of the parameter Number of scanlines (nan). It will be used new value 1.000000."},
      {u"Number of scanlines", -1e300, &none,
       u"Not acceptable value of the parameter Number of scanlines (-inf). It will be used new value 0.000000."},
      {u"Window type", 1e10, &one,
       u"Not acceptable value of the parameter Window type (10000000000.000000). It will be used new value 0.000000."},
      {u"Window type", NAN, &one,
       u"Not acceptable value of the parameter Window type (nan). It will be used new value 0.000000."},
      {u"Window type", -1e10, &one, nullptr},  // below the options: rectangular, as any negative type
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.input) + " " + std::to_string(c.value));
    const Result r = Transform(0, f, 0, 31, {}, [&](auto& ctx) { ctx.setNumbers(c.input, {c.value}); });
    ASSERT_TRUE(r.run.ok) << ToUtf8(r.run.error);
    EXPECT_EQ(r.amplitude, c.same->amplitude);
    if (c.warning) {
      ASSERT_EQ(r.warnings.size(), 1u);
      EXPECT_EQ(ToUtf8(r.warnings[0]), ToUtf8(c.warning));
    } else {
      EXPECT_TRUE(r.warnings.empty());
    }
  }
  // Band limits past the int range are held within the spectrum.
  const Result wide = Transform(1, f, -1e300, 1e300);
  ASSERT_TRUE(wide.run.ok);
  EXPECT_EQ(wide.amplitude.size(), 16u);
  const Result past = Transform(1, f, 1e300, -1e300);
  ASSERT_TRUE(past.run.ok);
  EXPECT_EQ(past.amplitude.size(), 1u);
}

TEST(Uvarek, NegativeDctBandHasANegativeMaximum) {
  const int n = 64;
  std::vector<double> x(n);
  for (int j = 0; j < n; ++j) x[j] = std::round(120 - 40 * std::cos(kPi * (j + 0.5) / n) - 40 * std::cos(kPi * 2 * (j + 0.5) / n));
  const Result r = Transform(0, Columns(x), 1, 2);
  ASSERT_TRUE(r.run.ok);
  EXPECT_LT(r.amplitude[0], -15);
  EXPECT_LT(r.amplitude[1], -15);
  EXPECT_EQ(r.maximum, std::max(r.amplitude[0], r.amplitude[1]));
  EXPECT_NEAR(r.sum, -r.amplitude[0] - r.amplitude[1], 1e-3);
}

// More lines than rows repeat rows: each line the host lays counts in the
// average, which divides by every line asked for, and nothing is warned.
TEST(Uvarek, OverSampledRegionsAverageEveryLine) {
  const std::vector<double> x = Signal(32);
  const struct Case {
    int rows, lines;
  } cases[] = {{3, 7}, {3, 100}, {2, 5}, {1, 4}, {5, 3}, {5, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lines << " lines on " << c.rows << " rows");
    MethodRun run("uvarek", kIds[0]);
    run.ctx.setFrame(u"Input frame", Columns(x, c.rows, 10));
    run.ctx.setNumbers(u"Number of scanlines", {double(c.lines)});
    run.ctx.setNumbers(u"Spectrum end", {31});
    ASSERT_TRUE(run().ok);
    EXPECT_TRUE(run.ctx.warnings().empty());
    // The scan lines are drawn between the region and the chart's frame.
    const auto& list = run.ctx.drawList();
    ASSERT_EQ(list[0].fn, "DrawRectangle");
    int laid = 0;
    double rows = 0;
    for (size_t i = 1; i < list.size() && list[i].fn == "DrawLine"; ++i, ++laid) {
      ASSERT_EQ(list[i].args[1], list[i].args[3]);
      rows += list[i].args[1];
    }
    EXPECT_GE(laid, std::min(c.lines, c.rows));
    std::vector<double> mean = x;
    for (double& v : mean) v = (v * laid + 10 * rows) / c.lines;
    const std::vector<double> want = NaiveDct(mean);
    const auto got = run.ctx.numbers(u"Amplitude spectrum");
    ASSERT_EQ(got.size(), 32u);
    for (int k = 0; k < 32; ++k) EXPECT_NEAR(got[k], want[k], 2e-3 * (1 + std::fabs(want[k]))) << k;
  }
}

// A region far longer than the frame: the frame gives the line's first 320
// samples and zeros follow. The whole band answers promptly, with the
// coefficients a double sum over those samples gives, and with those of the
// direct sums over a narrow band of the same line.
TEST(Uvarek, LinesFarPastTheFrameAnswerPromptly) {
  const int w = 320;
  const std::vector<double> x = Signal(w, 7);
  const FrameBuffer f = Columns(x, 4);
  const auto run = [&](int kind, double width, double begin, double end) {
    return Transform(kind, f, begin, end, {}, [&](talvix::RunContext& c) {
      c.setRegions(u"Region", {{width / 2 - 0.5, 1.5, width, 1, 0}});
    });
  };
  // The coefficient k as the method defines it, in double.
  const auto reference = [&](int kind, double n, double k) {
    double re = 0, im = 0;
    for (int j = 0; j < w; ++j) {
      if (kind == 0) {
        re += std::cos(kPi * k * (j + 0.5) / n) * x[j];
      } else {
        const double turns = std::fmod(k * j, n) / n;
        re += std::cos(2 * kPi * turns) * x[j], im += std::sin(2 * kPi * turns) * x[j];
      }
    }
    return kind == 0 ? re / n : std::hypot(re, im) / n;
  };
  // The whole band, or a million coefficients of it: each element costs the
  // host a call, and that cost is the caller's.
  const struct Case {
    int kind;
    double width, end;
  } cases[] = {{0, 1e6, 1e9}, {1, 1e6, 1e9}, {0, 1e7, 999999}, {1, 1e7, 999999}};
  const auto timed = [](auto&& fn) { return test_cost::CpuSecondsOf(fn); };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << kIds[c.kind] << " " << c.width);
    const double limit = c.kind == 0 ? c.width - 1 : std::floor((c.width - 1) / 2);
    const size_t count = static_cast<size_t>(std::min(c.end, limit)) + 1;
    Result all;
    const double seconds = timed([&] { all = run(c.kind, c.width, 0, c.end); });
    // Against an FFT that writes at least as many elements: the elements'
    // cost is the host's, the sums must add little to it (the direct sums
    // would take hours).
    const double writing = timed([&] { run(2, 2.0 * count, 0, 1e9); });
    EXPECT_LT(seconds, 10 * writing + 2.0);
    ASSERT_TRUE(all.run.ok) << ToUtf8(all.run.error);
    ASSERT_EQ(all.amplitude.size(), count);
    // Amplitudes reach about the samples' sum over the width.
    const double scale = 200 * w / c.width;
    double maximum = -1e30;
    for (double a : all.amplitude) maximum = std::max(maximum, a);
    EXPECT_EQ(all.maximum, maximum);
    for (size_t k = 0; k < count; k += count / 997) {
      EXPECT_NEAR(all.amplitude[k], reference(c.kind, c.width, double(k)), 1e-5 * scale) << k;
    }
    for (double k0 : {0.0, 12345.0, count - 41.0}) {
      const Result narrow = run(c.kind, c.width, k0, k0 + 40);
      ASSERT_TRUE(narrow.run.ok);
      ASSERT_EQ(narrow.amplitude.size(), 41u);
      for (int i = 0; i < 41; ++i) {
        const size_t k = static_cast<size_t>(k0) + i;
        EXPECT_NEAR(all.amplitude[k], narrow.amplitude[i], 1e-4 * scale) << k;
        if (c.kind == 1 && all.amplitude[k] > 1e-2 * scale) ExpectPhase(all.phase[k], narrow.phase[i], 1);
      }
    }
  }
}

// One object over runs of changing width, count and window gives what a new
// object gives.
TEST(Uvarek, BuffersFollowTheRuns) {
  struct Step {
    int width, count, window;
  };
  const Step steps[] = {{64, 1, 0}, {32, 2, 1}, {100, 1, 3}, {100, 3, 3}, {64, 1, 2}};
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kind);
    MethodRun kept("uvarek", kIds[kind]);
    for (const Step& s : steps) {
      const FrameBuffer f = Columns(Signal(s.width, s.width), 3, 5);
      auto set = [&](talvix::RunContext& c) {
        c.setFrame(u"Input frame", f);
        c.setNumbers(u"Spectrum begin", {1});
        c.setNumbers(u"Spectrum end", {20});
        c.setNumbers(u"Number of scanlines", {double(s.count)});
        c.setNumbers(u"Window type", {double(s.window)});
        c.setFlags(u"Show results", {false});
      };
      set(kept.ctx);
      ASSERT_TRUE(kept().ok);
      MethodRun fresh("uvarek", kIds[kind]);
      set(fresh.ctx);
      ASSERT_TRUE(fresh().ok);
      EXPECT_EQ(kept.ctx.numbers(u"Amplitude spectrum"), fresh.ctx.numbers(u"Amplitude spectrum"));
    }
  }
}

TEST(Uvarek, DrawingInATurnedRegion) {
  MethodRun run("uvarek", kIds[2]);
  run.ctx.setFrame(u"Input frame", Columns(Signal(200), 120));
  run.ctx.setRegions(u"Region", {{100, 60, 80, 20, 30}});
  run.ctx.setRegions(u"Drawing region", {{100, 60, 84, 42, 30}});
  run.ctx.setNumbers(u"Number of scanlines", {2});
  run.ctx.setNumbers(u"Spectrum end", {10});
  ASSERT_TRUE(run().ok);
  const auto& list = run.ctx.drawList();
  const auto rects = CallsOf(list, "DrawRectangle");
  ASSERT_EQ(rects.size(), 3u);  // the scan region and two chart frames
  EXPECT_EQ(std::vector<double>(rects[0].args.begin(), rects[0].args.begin() + 5),
            (std::vector<double>{100, 60, 80, 20, 30}));
  const double c = std::cos(30 * kPi / 180), s = std::sin(30 * kPi / 180);
  const double up = 4.5 * 42 / 21, down = -6.5 * 42 / 21;
  EXPECT_NEAR(rects[1].args[0], 100 - s * up, 1e-3);
  EXPECT_NEAR(rects[1].args[1], 60 + c * up, 1e-3);
  EXPECT_NEAR(rects[1].args[3], 12 * 42 / 21.0, 1e-9);
  EXPECT_EQ(rects[1].args[4], 30);
  EXPECT_NEAR(rects[2].args[0], 100 - s * down, 1e-3);
  EXPECT_NEAR(rects[2].args[1], 60 + c * down, 1e-3);
  // The scan lines, then one bar per index of the band in each chart.
  const size_t lines = CallsOf(list, "DrawLine").size();
  EXPECT_GE(lines, 2u + 2 * 11);
  EXPECT_LE(lines, 2u + 2 * 11 + 1);  // a phase baseline when phases go negative
  const auto texts = CallsOf(list, "DrawString");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.substr(0, 6), u"max = ");
  EXPECT_EQ(texts[0].args[4], 30);
}

TEST(Uvarek, OneAndEightThreadsAgree) {
  const std::vector<double> x = Signal(8192, 3);
  const FrameBuffer f = Columns(x);
  const int before = omp_get_max_threads();
  omp_set_num_threads(1);
  const Result one = Transform(2, f, 0, 4000);
  omp_set_num_threads(8);
  const Result eight = Transform(2, f, 0, 4000);
  omp_set_num_threads(before);
  ASSERT_TRUE(one.run.ok);
  EXPECT_EQ(one.amplitude, eight.amplitude);
  EXPECT_EQ(one.phase, eight.phase);
}

TEST(Uvarek, NoFrame) {
  MethodRun run("uvarek", kIds[1]);
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Cannot get source frame");
}

}  // namespace
