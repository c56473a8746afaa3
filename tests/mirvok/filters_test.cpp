// The real filter shaders against references computed here from the same
// definitions (see the module's README), on small frames of odd width.
#include <algorithm>
#include <cmath>
#include <functional>

#include "mirvok_rig.h"

namespace {

using namespace mirvok_test;
using module_test::MethodRun;
using Setup = std::function<void(talvix::RunContext&)>;

talvix::FrameBuffer RunFilter(const std::string& id, const talvix::FrameBuffer& src, const Setup& setup) {
  MethodRun run(kModule, id);
  run.ctx.setFrame(u"input frame", src);
  setup(run.ctx);
  const auto r = run();
  EXPECT_TRUE(r.ok) << Utf8(r.error);
  const auto* out = run.ctx.frame(u"output frame");
  return out ? *out : talvix::FrameBuffer{};
}

// ---- HSL ----------------------------------------------------------------------

struct Hsl {
  double h, s, l;
};

// Hue in degrees (0..360), saturation, lightness.
Hsl ToHsl(double r, double g, double b) {
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), chroma = mx - mn, l = (mx + mn) / 2;
  if (!(l > 0 && chroma > 0)) return {0, 0, l};
  const double s = l <= 0.5 ? chroma / (mx + mn) : chroma / (2 - mx - mn);
  double h;
  if (mx == r) {
    h = std::fmod((g - b) / chroma + 6, 6);
  } else if (mx == g) {
    h = (b - r) / chroma + 2;
  } else {
    h = (r - g) / chroma + 4;
  }
  return {60 * h, s, l};
}

// A fully saturated colour of lightness 0.5 and the given hue.
talvix::FrameBuffer HueRow(const std::vector<double>& hues) {
  auto f = talvix::FrameBuffer::make(static_cast<int>(hues.size()), 1, 32, 0);
  for (size_t i = 0; i < hues.size(); ++i) {
    const double h = std::fmod(hues[i] + 720, 360) / 60;
    const double x = 1 - std::abs(std::fmod(h, 2) - 1);
    const double rgb[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
    const double* c = rgb[static_cast<int>(h) % 6];
    uint8_t* p = f.pixel(static_cast<int>(i), 0);
    for (int k = 0; k < 3; ++k) p[2 - k] = static_cast<uint8_t>(std::lround(c[k] * 255));
  }
  return f;
}

// The reference colour's hue decides which hues pass, in each of the six
// cases of the hue formula and across 0/360.
TEST(MirvokFilters, HslReferenceHueInEveryBranch) {
  REQUIRE_GL();
  const TColor refs[] = {
      {1, 0, 0, 0},      {1, 0.3, 0, 0},  {0.9, 0.1, 0.4, 0}, {0.7, 1, 0.2, 0},
      {0.2, 0.9, 0.5, 0}, {0.1, 0.6, 1, 0}, {0.5, 0.3, 0.9, 0}, {0.55, 0.45, 0.5, 0},
  };
  const double offsets[] = {-9, -4, -1.5, 1.5, 4, 9};
  for (const TColor& c : refs) {
    const double hue = ToHsl(c.R, c.G, c.B).h;
    SCOPED_TRACE(hue);
    std::vector<double> hues;
    for (double o : offsets) hues.push_back(hue + o);
    const auto out = RunFilter("gpu_HSL_filter", HueRow(hues), [&](talvix::RunContext& ctx) {
      ctx.setColors(u"color", {c});
      ctx.setNumbers(u"color tolerance", {5});
      ctx.setColors(u"foreground color", {{1, 1, 1, 0}});
      ctx.setColors(u"background color", {{0, 0, 0, 0}});
    });
    for (size_t i = 0; i < hues.size(); ++i) {
      EXPECT_EQ(Channel(out, static_cast<int>(i), 0, 1), std::abs(offsets[i]) < 5 ? 255 : 0) << "offset " << offsets[i];
    }
  }
}

TEST(MirvokFilters, HslAgainstReference) {
  REQUIRE_GL();
  const TColor none{-2, 0, 0, 0};
  const struct Case {
    const char* name;
    TColor color;  // R -2: input missing
    double tolerance, minL, maxL, minS, maxS;
    TColor fg, bg;  // R -2: input missing
  } cases[] = {
      {"colours given", {0.9, 0.3, 0.1, 0}, 40, 0, 1, 0, 1, {0, 1, 0, 0}, {0, 0, 1, 0}},
      {"nothing given, bounds", none, 60, 0.2, 0.8, 0.3, 1, none, none},
      {"foreground only", {0.2, 0.5, 0.9, 0}, 90, 0, 1, 0, 0.7, {1, 1, 0, 0}, none},
  };
  for (const Case& k : cases) {
    for (int bpp : {8, 32}) {
      SCOPED_TRACE(std::string(k.name) + (bpp == 8 ? " 8-bit" : " 32-bit"));
      const auto src = RandomFrame(13, 7, bpp, 11);
      const auto out = RunFilter("gpu_HSL_filter", src, [&](talvix::RunContext& ctx) {
        if (k.color.R > -2) ctx.setColors(u"color", {k.color});
        ctx.setNumbers(u"color tolerance", {k.tolerance});
        ctx.setNumbers(u"minimal lightness", {k.minL});
        ctx.setNumbers(u"maximal lightness", {k.maxL});
        ctx.setNumbers(u"minimal saturation", {k.minS});
        ctx.setNumbers(u"maximal saturation", {k.maxS});
        if (k.fg.R > -2) ctx.setColors(u"foreground color", {k.fg});
        if (k.bg.R > -2) ctx.setColors(u"background color", {k.bg});
      });
      const double refHue = k.color.R > -2 ? ToHsl(k.color.R, k.color.G, k.color.B).h : 0;
      const Picture in = ToPicture(src);
      Picture ref(13, 7);
      std::vector<bool> skip(13 * 7, false);
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
          const Hsl p = ToHsl(in.at(x, y, 0), in.at(x, y, 1), in.at(x, y, 2));
          double d = std::abs(p.h - refHue);
          d = std::min(d, 360 - d);
          const bool keep = d <= k.tolerance && p.l >= k.minL && p.l <= k.maxL && p.s >= k.minS && p.s <= k.maxS;
          // Too close to call against a bound; bounds 0 and 1 are met exactly (grey has saturation 0).
          const double margins[][2] = {
              {d, k.tolerance}, {p.l, k.minL}, {p.l, k.maxL}, {p.s, k.minS}, {p.s, k.maxS}};
          for (const auto& m : margins) {
            const bool exact = m[1] == 0 || m[1] == 1;
            skip[y * 13 + x] = skip[y * 13 + x] || (!exact && std::abs(m[0] - m[1]) < 1e-3);
          }
          for (int c = 0; c < 3; ++c) {
            const double fg[3] = {k.fg.R, k.fg.G, k.fg.B}, bg[3] = {k.bg.R, k.bg.G, k.bg.B};
            ref.at(x, y, c) = keep ? (k.fg.R > -2 ? fg[c] : in.at(x, y, c)) : (k.bg.R > -2 ? bg[c] : p.l);
          }
        }
      }
      ExpectNear(out, ref, 1, &skip);
    }
  }
}

// ---- Grey levels and local thresholding ---------------------------------------

struct GreyParams {
  const char* name;
  int levels;
  double threshold = 0.5;
  int area = 15;
  double sensitivity = 0.05;
  bool negative = false;
  double red = 0, green = 0, blue = 0;
};

TEST(MirvokFilters, GrayscaleAgainstReference) {
  REQUIRE_GL();
  const GreyParams cases[] = {
      {"global threshold", 0, 0.45},
      {"local brightness", 1},
      {"small area, negative", 1, 0.5, 6, 0.0, true},
      {"wide area", 1, 0.5, 50, 0.1},
      {"five levels", 5},
      {"256 levels", 256},
      {"colour sensitivities", 0, 0.5, 15, 0.05, false, 1.0, 0.0, -1.5},
  };
  for (const GreyParams& k : cases) {
    for (int bpp : {8, 32}) {
      SCOPED_TRACE(std::string(k.name) + (bpp == 8 ? " 8-bit" : " 32-bit"));
      const int w = 13, h = 9;
      const auto src = RandomFrame(w, h, bpp, 5, 2);
      const auto out = RunFilter("gpu_grayscale_filter", src, [&](talvix::RunContext& ctx) {
        ctx.setNumbers(u"threshold mode og number of gray levels", {static_cast<double>(k.levels)});
        ctx.setNumbers(u"threshold", {k.threshold});
        ctx.setNumbers(u"side of the picture area for local brightness", {static_cast<double>(k.area)});
        ctx.setNumbers(u"sensitivity", {k.sensitivity});
        ctx.setFlags(u"negative", {k.negative});
        ctx.setNumbers(u"sensitivity for red color", {k.red});
        ctx.setNumbers(u"sensitivity for green color", {k.green});
        ctx.setNumbers(u"sensitivity for blue color", {k.blue});
      });
      const Picture in = ToPicture(src);
      auto grey = [&](int x, int y) {
        const double v = in.edge(x, y, 0) * 0.299 * (1 + k.red) + in.edge(x, y, 1) * 0.587 * (1 + k.green) +
                         in.edge(x, y, 2) * 0.114 * (1 + k.blue);
        return std::clamp(v, 0.0, 1.0);
      };
      Picture ref(w, h);
      std::vector<bool> skip(w * h, false);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const double g = grey(x, y);
          double v, margin;
          if (k.levels == 0) {
            v = g >= k.threshold;
            margin = g - k.threshold;
          } else if (k.levels == 1) {
            const int spacing = std::max(k.area / 4, 1);
            double sum = 0;
            for (int j = -2; j <= 2; ++j)
              for (int i = -2; i <= 2; ++i) sum += grey(x + i * spacing, y + j * spacing);
            const double t = sum / 25 - k.sensitivity;
            v = g >= t;
            margin = g - t;
          } else {
            const double n = k.levels;
            v = std::min(std::floor(g * n), n - 1) / (n - 1);
            margin = g * n - std::round(g * n);
          }
          skip[y * w + x] = std::abs(margin) < 1e-4;
          if (k.negative) v = 1 - v;
          for (int c = 0; c < 3; ++c) ref.at(x, y, c) = v;
        }
      }
      ExpectNear(out, ref, 1, &skip);
    }
  }
}

// ---- Iterated filters ---------------------------------------------------------

using Pass = std::function<double(const Picture&, int x, int y, int c, bool* unsure)>;

// The passes applied in double; a pixel whose result depends on a comparison
// too close to call (or on such a pixel) is marked in `unsure`.
Picture Iterate(Picture p, int passes, const Pass& pass, std::vector<bool>* unsure) {
  unsure->assign(static_cast<size_t>(p.w) * p.h, false);
  for (int i = 0; i < passes; ++i) {
    Picture next(p.w, p.h);
    std::vector<bool> u(unsure->size(), false);
    for (int y = 0; y < p.h; ++y) {
      for (int x = 0; x < p.w; ++x) {
        bool close = false;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = std::clamp(x + dx, 0, p.w - 1), ny = std::clamp(y + dy, 0, p.h - 1);
            close = close || (*unsure)[ny * p.w + nx];
          }
        for (int c = 0; c < 3; ++c) next.at(x, y, c) = pass(p, x, y, c, &close);
        u[y * p.w + x] = close;
      }
    }
    p = next;
    *unsure = u;
  }
  return p;
}

struct Neighbours {
  double c, e, w, n, s;
  Neighbours(const Picture& p, int x, int y, int k)
      : c(p.edge(x, y, k)), e(p.edge(x + 1, y, k)), w(p.edge(x - 1, y, k)), n(p.edge(x, y + 1, k)),
        s(p.edge(x, y - 1, k)) {}
  double lap() const { return e + w + n + s - 4 * c; }
  double lo() const { return std::min({c, e, w, n, s}); }
  double hi() const { return std::max({c, e, w, n, s}); }
};

// Sign of a Laplacian with the shaders' dead zone; values near its edges are
// too close to call.
double Side(double lap, bool* unsure) {
  if (std::abs(std::abs(lap) - 1e-4) < 5e-5) *unsure = true;
  return lap > 1e-4 ? 1 : lap < -1e-4 ? -1 : 0;
}

double DenoisePass(const Picture& p, int x, int y, int k, bool*) {
  const Neighbours q(p, x, y, k);
  const double ux = (q.e - q.w) / 2, uy = (q.n - q.s) / 2, uxx = q.e - 2 * q.c + q.w, uyy = q.n - 2 * q.c + q.s;
  const double uxy = (p.edge(x + 1, y + 1, k) - p.edge(x - 1, y + 1, k) - p.edge(x + 1, y - 1, k) +
                      p.edge(x - 1, y - 1, k)) / 4;
  const double eps = 1e-4;
  const double num = uxx * uy * uy - 2 * ux * uy * uxy + uyy * ux * ux + eps * (uxx + uyy);
  return q.c + num / (ux * ux + uy * uy + eps) / 6;
}

TEST(MirvokFilters, IteratedFiltersAgainstReference) {
  REQUIRE_GL();
  const double intensity = 0.7;
  const struct Case {
    const char* id;
    Pass pass;
  } filters[] = {
      {"gpu_denoise_filter", DenoisePass},
      {"gpu_shock_sharpness_filter",
       [&](const Picture& p, int x, int y, int k, bool* unsure) {
         const Neighbours q(p, x, y, k);
         const double grad = std::hypot((q.e - q.w) / 2, (q.n - q.s) / 2);
         return std::clamp(q.c - intensity * Side(q.lap(), unsure) * grad, q.lo(), q.hi());
       }},
      {"gpu_shock_morphologic_filter",
       [&](const Picture& p, int x, int y, int k, bool* unsure) {
         const Neighbours q(p, x, y, k);
         const double side = Side(q.lap(), unsure);
         const double target = side < 0 ? q.hi() : side > 0 ? q.lo() : q.c;
         return q.c + (target - q.c) * intensity;
       }},
  };
  for (const Case& f : filters) {
    for (int passes : {1, 3}) {
      for (int bpp : {8, 32}) {
        SCOPED_TRACE(std::string(f.id) + " passes " + std::to_string(passes) + " bpp " + std::to_string(bpp));
        const auto src = RandomFrame(11, 9, bpp, 17, 1);
        const auto out = RunFilter(f.id, src, [&](talvix::RunContext& ctx) {
          ctx.setNumbers(u"number of iterations", {static_cast<double>(passes)});
          if (std::string(f.id) != "gpu_denoise_filter") ctx.setNumbers(u"intensity", {intensity});
        });
        std::vector<bool> unsure;
        const Picture ref = Iterate(ToPicture(src), passes, f.pass, &unsure);
        ExpectNear(out, ref, 1, &unsure);
      }
    }
  }
}

// ---- Corrections --------------------------------------------------------------

TEST(MirvokFilters, CorrectionsAreWarned) {
  REQUIRE_GL();
  const struct Case {
    const char* id;
    std::u16string input;
    double value;
    std::string warning;
  } cases[] = {
      {"gpu_grayscale_filter", u"threshold mode og number of gray levels", 300,
       "Not acceptable value of the parameter threshold mode og number of gray levels (300). It will be used new "
       "value 256."},
      {"gpu_grayscale_filter", u"threshold mode og number of gray levels", -3,
       "Not acceptable value of the parameter threshold mode og number of gray levels (-3). It will be used new "
       "value 0."},
      {"gpu_grayscale_filter", u"threshold", 1.5,
       "Not acceptable value of the parameter threshold (1.500000). It will be used new value 1.000000."},
      {"gpu_grayscale_filter", u"side of the picture area for local brightness", 1,
       "Not acceptable value of the parameter side of the picture area for local brightness (1). It will be used "
       "new value 2."},
      {"gpu_grayscale_filter", u"sensitivity", 0.5,
       "Not acceptable value of the parameter sensitivity (0.500000). It will be used new value 0.300000."},
      {"gpu_grayscale_filter", u"sensitivity for blue color", -3,
       "Not acceptable value of the parameter sensitivity for blue color (-3.000000). It will be used new value "
       "-2.000000."},
      {"gpu_denoise_filter", u"number of iterations", 101,
       "Not acceptable value of the parameter number of iterations (101). It will be used new value 100."},
      {"gpu_shock_sharpness_filter", u"intensity", -0.25,
       "Not acceptable value of the parameter intensity (-0.250000). It will be used new value 0.000000."},
      {"gpu_shock_morphologic_filter", u"number of iterations", 0.5,
       "Not acceptable value of the parameter number of iterations (0). It will be used new value 1."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.warning);
    MethodRun run(kModule, k.id);
    run.ctx.setFrame(u"input frame", RandomFrame(5, 3, 8, 1));
    run.ctx.setNumbers(k.input, {k.value});
    ASSERT_TRUE(run().ok);
    ASSERT_EQ(run.ctx.warnings().size(), 1u);
    EXPECT_EQ(Utf8(run.ctx.warnings()[0]), k.warning);
  }
}

// The array warning follows the region and every parameter of the warning
// classes, and no parameter of the HSL filter.
TEST(MirvokFilters, ArrayInputsAreWarnedOutsideTheHslFilter) {
  REQUIRE_GL();
  for (const char* id : {"gpu_denoise_filter", "gpu_HSL_filter"}) {
    SCOPED_TRACE(id);
    MethodRun run(kModule, id);
    run.ctx.setFrame(u"input frame", RandomFrame(5, 3, 32, 1));
    run.ctx.setRegions(u"activity region", {{2, 1, 2, 2, 0}, {1, 1, 1, 1, 0}});
    run.ctx.setFlags(u"copy region neighborhood into the image", {true, false});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.warnings().size(), std::string(id) == "gpu_HSL_filter" ? 0u : 2u);
  }
}

}  // namespace
