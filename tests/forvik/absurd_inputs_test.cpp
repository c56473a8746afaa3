// Absurd line counts and regions: the scan methods stay bounded by the frame
// and answer what a frame-sized input answers, or fail with a text.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "cpu_time.h"
#include "forvik_run.h"

namespace {

using forvik_test::Disc;
using forvik_test::Grey;
using forvik_test::MethodRun;
using talvix::RunContext;

constexpr int kW = 200, kD = 150;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

using Setup = std::function<void(RunContext&)>;

Setup Number(const char16_t* name, double v) {
  return [=](RunContext& c) { c.setNumbers(name, {v}); };
}
Setup Numbers(const char16_t* a, double va, const char16_t* b, double vb) {
  return [=](RunContext& c) { c.setNumbers(a, {va}), c.setNumbers(b, {vb}); };
}
Setup Region(const char16_t* name, TRectangularRegion r) {
  return [=](RunContext& c) { c.setRegions(name, {r}); };
}

struct Case {
  const char* method;
  bool disc;  // a bright disc, else a bright right half
  Setup absurd;
  Setup reference;  // a frame-sized input that must answer the same; none: a bounded answer
};

struct Outcome {
  bool ok;
  std::u16string error;
  std::vector<std::vector<double>> values;  // every output, flattened
  double ms;
};

Outcome RunOnce(const Case& c, const Setup& setup) {
  MethodRun run(c.method);
  run.ctx.setFrame(u"Input frame", c.disc ? Disc(kW, kD, 100, 75, 40, 220, 30)
                                          : Grey(kW, kD, [](int x, int) { return x >= 110 ? 220 : 30; }));
  if (setup) setup(run.ctx);
  talvix::RunResult r;
  const double seconds = test_cost::CpuSecondsOf([&] { r = run(); });
  Outcome o{r.ok, r.error, {}, 1000 * seconds};
  for (const talvix::ParamInfo& p : forvik_test::Forvik().catalogue().methods[static_cast<size_t>(run.index)].outputs) {
    std::vector<double> v;
    if (p.type == ptNumber) v = run.ctx.numbers(p.name);
    if (p.type == ptLine)
      for (const TLine& l : run.ctx.lines(p.name)) v.insert(v.end(), {l.x0, l.y0, l.x1, l.y1});
    if (p.type == ptRing)
      for (const TRing& g : run.ctx.rings(p.name)) v.insert(v.end(), {g.cx, g.cy, g.r1, g.r2, g.a1, g.a2});
    o.values.push_back(v);
  }
  return o;
}

TEST(AbsurdInputs, ScanMethodsStayBoundedByTheFrame) {
  const TRectangularRegion tall{100, 75, 120, 3e9, 0}, huge{100, 75, 1e12, 1e12, 30};
  const Case cases[] = {
      {"line_detection_by_threshold", false, Number(u"Number of horizontal scanlines", 1e12),
       Number(u"Number of horizontal scanlines", kD)},
      {"line_detection_by_threshold", false, Number(u"Number of horizontal scanlines", kInf), nullptr},
      {"line_detection_by_threshold", false, Number(u"Number of horizontal scanlines", kNaN),
       Number(u"Number of horizontal scanlines", kD / 4)},
      {"line_detection_by_threshold", false, Region(u"Examination region", tall), nullptr},
      {"line_detection_by_threshold", false, Region(u"Examination region", huge), nullptr},
      {"line_detection_by_contour", false,
       Numbers(u"Number Of Horizontal Scanlines", 3e9, u"Number Of Vertical Scanlines", 1e300),
       Numbers(u"Number Of Horizontal Scanlines", kD, u"Number Of Vertical Scanlines", kW)},
      {"line_detection_by_contour", false, Region(u"Region of examination", huge), nullptr},
      {"circle_detection_by_threshold", true,
       Numbers(u"Number of horizontal scanlines", 1e12, u"Number of vertical scanlines", 1e12),
       Numbers(u"Number of horizontal scanlines", kD, u"Number of vertical scanlines", kW)},
      {"circle_detection_by_threshold", true, Region(u"Region of examination", tall), nullptr},
      {"circle_detection_by_threshold", true, Region(u"Region of examination", huge), nullptr},
      {"circle_detection_by_contour", true, Number(u"Scanline number", 1e12), Number(u"Scanline number", kD)},
      {"circle_detection_by_contour", true, Region(u"Examination region", tall), nullptr},
      {"ring_detection_by_contour", true, Region(u"Region of examination", tall), nullptr},
      {"inner_caliper", true, Number(u"Horizontal scanline number", 1e12), Number(u"Horizontal scanline number", kD)},
      {"inner_caliper", true, Region(u"Examination region", tall), nullptr},
      {"outer_caliper", true, Region(u"Examination region", huge), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    const Outcome frameSized = RunOnce(c, c.reference);
    const Outcome absurd = RunOnce(c, c.absurd);
    EXPECT_LT(absurd.ms, 10 * frameSized.ms + 2000);
    if (c.reference) {
      EXPECT_EQ(absurd.ok, frameSized.ok);
      EXPECT_EQ(absurd.error, frameSized.error);
      EXPECT_EQ(absurd.values, frameSized.values);
    } else if (absurd.ok) {
      for (const auto& v : absurd.values)
        for (double x : v) EXPECT_TRUE(std::isfinite(x));
    } else {
      EXPECT_FALSE(absurd.error.empty());
    }
  }
}

}  // namespace
