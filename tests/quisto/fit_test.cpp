// Line and circle fits against references written here from their formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "module_run.h"

namespace {

using module_test::MethodRun;
using talvix::ToUtf8;

const std::u16string kNotEnough = u"error: There are not enough proper input points for this calculation";

// Least squares of y on x (or x on y), in double.
struct Fit {
  double k, q;
};
Fit LeastSquares(const std::vector<TPoint>& p, bool xOnY) {
  double mx = 0, my = 0;
  for (const TPoint& t : p) mx += t.x, my += t.y;
  mx /= p.size(), my /= p.size();
  double sab = 0, sbb = 0;
  for (const TPoint& t : p) {
    const double a = xOnY ? t.x - mx : t.y - my, b = xOnY ? t.y - my : t.x - mx;
    sab += a * b, sbb += b * b;
  }
  const double k = sab / sbb;
  return {k, xOnY ? mx - k * my : my - k * mx};
}

TLine FitLine(const std::vector<TPoint>& pts, talvix::RunResult* r = nullptr) {
  MethodRun run("quisto", "fit_line");
  run.ctx.setPoints(u"Input points", pts);
  const auto res = run();
  if (r) *r = res;
  if (!res.ok) return {};
  return run.ctx.lines(u"Output line").at(0);
}

std::vector<TPoint> NoisyLine(double x0, double y0, double dx, double dy, int n, double noise, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0, noise);
  std::vector<TPoint> p;
  for (int i = 0; i < n; ++i) p.push_back({x0 + dx * i + g(rng), y0 + dy * i + g(rng)});
  return p;
}

struct LineCase {
  const char* name;
  std::vector<TPoint> pts;
  bool xOnY;
};

TEST(FitLine, AgainstLeastSquares) {
  const LineCase cases[] = {
      {"flat", NoisyLine(0, 5, 1.0, 0.3, 40, 0.5, 1), false},
      {"steep", NoisyLine(3, 0, 0.2, 1.0, 40, 0.5, 2), true},
      {"negative", NoisyLine(-80, -20, 1.5, -0.7, 60, 0.8, 3), false},
      {"far_from_origin", NoisyLine(5000, 7000, 0.5, 1.3, 200, 0.4, 4), true},
      {"far_flat", NoisyLine(-6000, 4000, 1.1, 0.2, 300, 0.3, 5), false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TPoint> pts;  // as the module sees them: single precision
    for (const TPoint& t : c.pts) pts.push_back({static_cast<float>(t.x), static_cast<float>(t.y)});
    const Fit f = LeastSquares(pts, c.xOnY);
    double lo = 1e30, hi = -1e30;
    for (const TPoint& t : pts) lo = std::min(lo, c.xOnY ? t.y : t.x), hi = std::max(hi, c.xOnY ? t.y : t.x);
    const TLine l = FitLine(c.pts);
    const double e0 = std::trunc(lo), e1 = std::trunc(hi);
    const double tol = 1e-5 * std::max(1.0, std::fabs(f.k * e1 + f.q));
    if (c.xOnY) {
      EXPECT_EQ(l.y0, e0);
      EXPECT_EQ(l.y1, e1);
      EXPECT_NEAR(l.x0, f.k * e0 + f.q, tol);
      EXPECT_NEAR(l.x1, f.k * e1 + f.q, tol);
    } else {
      EXPECT_EQ(l.x0, e0);
      EXPECT_EQ(l.x1, e1);
      EXPECT_NEAR(l.y0, f.k * e0 + f.q, tol);
      EXPECT_NEAR(l.y1, f.k * e1 + f.q, tol);
    }
  }
}

TEST(FitLine, DegenerateInputs) {
  talvix::RunResult r;
  FitLine({{3, 3}}, &r);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, kNotEnough);
  FitLine({{3, 3}, {3, 3}, {3, 3}}, &r);  // coinciding points have no direction
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, kNotEnough);
  const TLine vertical = FitLine({{2, 0}, {2, 5}, {2, 9}}, &r);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(vertical.x0, 2);
  EXPECT_EQ(vertical.x1, 2);
  EXPECT_EQ(vertical.y1, 9);
}

// Points past the int range are not proper: refused with the text, by both
// fits, rather than cast to pixel bounds (points that are not finite are
// refused as by every method).
TEST(Fit, PointsPastTheIntRangeAreRefused) {
  const double big[] = {3e9, -1e12, 1e300};
  for (const char* id : {"fit_line", "fit_circle"})
    for (double v : big) {
      SCOPED_TRACE(std::string(id) + " " + std::to_string(v));
      MethodRun run("quisto", id);
      run.ctx.setPoints(u"Input points", {{0, 0}, {10, 5}, {v, 20}, {3, 30}});
      const talvix::RunResult r = run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, kNotEnough);
    }
}

// Pratt's fit in double precision, from the published formulas.
TRing Pratt(const std::vector<TPoint>& p) {
  const double n = p.size();
  double mx = 0, my = 0;
  for (const TPoint& t : p) mx += static_cast<float>(t.x), my += static_cast<float>(t.y);
  mx /= n, my /= n;
  double uu = 0, vv = 0, uv = 0, uz = 0, vz = 0, zz = 0;
  for (const TPoint& t : p) {
    const double u = static_cast<float>(t.x) - mx, v = static_cast<float>(t.y) - my, z = u * u + v * v;
    uu += u * u, vv += v * v, uv += u * v, uz += u * z, vz += v * z, zz += z * z;
  }
  uu /= n, vv /= n, uv /= n, uz /= n, vz /= n, zz /= n;
  const double mz = uu + vv, c = uu * vv - uv * uv;
  const double a2 = 4 * c - 3 * mz * mz - zz;
  const double a1 = zz * mz + 4 * c * mz - uz * uz - vz * vz - mz * mz * mz;
  const double a0 = uz * uz * vv + vz * vz * uu - zz * c - 2 * uz * vz * uv + mz * mz * c;
  double x = 0, yOld = 1e20;
  for (int it = 1; it <= 20; ++it) {
    const double y = a0 + x * (a1 + x * (a2 + 4 * x * x));
    if (std::fabs(y) > std::fabs(yOld)) {
      x = 0;
      break;
    }
    yOld = y;
    const double dy = a1 + x * (2 * a2 + 16 * x * x);
    const double xn = x - y / dy;
    if (std::fabs((xn - x) / xn) < 1e-12) {
      x = xn;
      break;
    }
    x = it == 20 || xn < 0 ? 0 : xn;
  }
  const double det = x * x - x * mz + c;
  const double ca = ((vv - x) * uz - vz * uv) / det / 2, cb = ((uu - x) * vz - uz * uv) / det / 2;
  const double r = std::sqrt(ca * ca + cb * cb + mz + 2 * x);
  return {mx + ca, my + cb, r, r, 0, 360};
}

// The plain algebraic (Kasa) fit, to show where the arcs tell them apart.
TRing Kasa(const std::vector<TPoint>& p) {
  // Solve x^2 + y^2 + D x + E y + F = 0 by least squares (normal equations).
  double m[3][4] = {};
  for (const TPoint& t : p) {
    const double row[3] = {t.x, t.y, 1}, rhs = -(t.x * t.x + t.y * t.y);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      m[i][3] += row[i] * rhs;
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int k = i + 1; k < 3; ++k) {
      const double f = m[k][i] / m[i][i];
      for (int j = i; j < 4; ++j) m[k][j] -= f * m[i][j];
    }
  }
  double s[3];
  for (int i = 2; i >= 0; --i) {
    s[i] = m[i][3];
    for (int j = i + 1; j < 3; ++j) s[i] -= m[i][j] * s[j];
    s[i] /= m[i][i];
  }
  const double cx = -s[0] / 2, cy = -s[1] / 2;
  return {cx, cy, std::sqrt(cx * cx + cy * cy - s[2]), 0, 0, 360};
}

std::vector<TPoint> Arc(double cx, double cy, double r, double from, double to, int n, double noise, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0, noise);
  std::vector<TPoint> p;
  for (int i = 0; i < n; ++i) {
    const double a = from + (to - from) * i / (n - 1);
    p.push_back({cx + r * std::cos(a) + (noise > 0 ? g(rng) : 0), cy + r * std::sin(a) + (noise > 0 ? g(rng) : 0)});
  }
  return p;
}

TEST(FitCircle, AgainstPratt) {
  struct Case {
    const char* name;
    std::vector<TPoint> pts;
    bool differsFromKasa;
  };
  const Case cases[] = {
      {"three_exact", {{10, 0}, {0, 10}, {-10, 0}}, false},
      {"exact_circle", Arc(120, -40, 35, 0, 6.28, 100, 0, 0), false},
      {"noisy_circle", Arc(300, 200, 80, 0, 6.2, 200, 1.5, 7), false},
      {"short_noisy_arc", Arc(50, 60, 100, 0.2, 0.9, 60, 1.0, 8), true},
      {"short_arc_far", Arc(2000, 1500, 300, 2.0, 2.6, 80, 2.0, 9), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MethodRun run("quisto", "fit_circle");
    run.ctx.setPoints(u"Input points", c.pts);
    const auto r = run();
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    const TRing got = run.ctx.rings(u"Output circle").at(0);
    const TRing want = Pratt(c.pts);
    const double tol = 1e-6 * std::max(1.0, want.r1) + 1e-6;
    EXPECT_NEAR(got.cx, want.cx, tol * 10);
    EXPECT_NEAR(got.cy, want.cy, tol * 10);
    EXPECT_NEAR(got.r1, want.r1, tol * 10);
    EXPECT_EQ(got.r2, got.r1);
    EXPECT_EQ(got.a1, 0);
    EXPECT_EQ(got.a2, 360);
    if (c.differsFromKasa) {
      EXPECT_GT(std::fabs(Kasa(c.pts).r1 - got.r1), 0.1);
    }
    EXPECT_EQ(run.ctx.maxIndex(u"Output circle"), 0);
  }
  MethodRun exact("quisto", "fit_circle");
  exact.ctx.setPoints(u"Input points", {{10, 0}, {0, 10}, {-10, 0}});
  ASSERT_TRUE(exact().ok);
  const TRing c = exact.ctx.rings(u"Output circle").at(0);
  EXPECT_NEAR(c.cx, 0, 1e-9);
  EXPECT_NEAR(c.cy, 0, 1e-9);
  EXPECT_NEAR(c.r1, 10, 1e-9);
}

TEST(FitCircle, TwoPointsAreNotEnough) {
  MethodRun run("quisto", "fit_circle");
  run.ctx.setPoints(u"Input points", {{0, 0}, {1, 1}});
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, kNotEnough);
}

TEST(FitCircle, DrawsCircleArrowAndRadius) {
  talvix::Inspection ins;
  ins.setDrawingLevel(2);
  MethodRun run("quisto", "fit_circle", &ins);
  run.ctx.setPoints(u"Input points", {{10, 0}, {0, 10}, {-10, 0}});
  ASSERT_TRUE(run().ok);
  std::vector<std::string> kinds;
  for (const auto& c : run.ctx.drawList()) kinds.push_back(c.fn);
  EXPECT_EQ(kinds, (std::vector<std::string>{"DrawCircle", "DrawCircle", "DrawCircle", "DrawCircle", "DrawArrow",
                                             "DrawString"}));
  const auto& text = run.ctx.drawList().back();
  EXPECT_EQ(text.text, u"10.0");
  EXPECT_NEAR(text.args[1], 10 / 2.0 - 10, 1e-9);
}

// The work arrays follow the point count from run to run.
TEST(FitCircle, RunsAgainWithOtherCounts) {
  MethodRun run("quisto", "fit_circle");
  for (int n : {100, 3, 40}) {
    run.ctx.setPoints(u"Input points", Arc(0, 0, 5, 0, 6, n, 0, 0));
    ASSERT_TRUE(run().ok);
    EXPECT_NEAR(run.ctx.rings(u"Output circle").at(0).r1, 5, 1e-4);
  }
}

}  // namespace
