// The whole run through the exports: each channel's spectrum against a DFT
// computed here.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <random>
#include <vector>

#include "gl_test_util.h"
#include "module_run.h"

namespace {

using module_test::MethodRun;
using talvix::FrameBuffer;
using Plane = std::vector<std::complex<double>>;

const std::string kProbe = VISION_BINARY_DIR "/gpu-fixtures/yorvin-probe/yorvin_probe.so";

// Two-dimensional DFT, e^(-i), rows then columns; x is the column, y the memory row.
Plane Dft(const Plane& in, int n) {
  Plane rows(in.size()), out(in.size());
  for (int y = 0; y < n; ++y)
    for (int u = 0; u < n; ++u) {
      std::complex<double> s = 0;
      for (int x = 0; x < n; ++x) s += in[y * n + x] * std::polar(1.0, -2 * M_PI * u * x / n);
      rows[y * n + u] = s;
    }
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v) {
      std::complex<double> s = 0;
      for (int y = 0; y < n; ++y) s += rows[y * n + u] * std::polar(1.0, -2 * M_PI * v * y / n);
      out[v * n + u] = s;
    }
  return out;
}

// Output channel c at (u, v) expected: |DFT| / N clipped to 1, in grey levels.
void ExpectSpectrum(const FrameBuffer& src, const FrameBuffer& out) {
  const int n = src.width();
  Plane r(n * n), g(n * n), ba(n * n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint8_t* p = src.pixel(x, y);
      const double R = (src.bpp() == 8 ? p[0] : p[2]) / 255.0, G = (src.bpp() == 8 ? p[0] : p[1]) / 255.0;
      const double B = p[0] / 255.0, A = src.bpp() == 32 ? p[3] / 255.0 : 1.0;
      r[y * n + x] = R, g[y * n + x] = G, ba[y * n + x] = {B, A};
    }
  const Plane spectra[3] = {Dft(r, n), Dft(g, n), Dft(ba, n)};
  int bad = 0;
  for (int v = 0; v < n; ++v)
    for (int u = 0; u < n; ++u)
      for (int c = 0; c < 3; ++c) {
        const double e = std::round(std::min(1.0, std::abs(spectra[c][v * n + u]) / n) * 255);
        const int got = out.pixel(u, v)[2 - c];
        if (std::abs(got - e) > 2 && bad++ < 6) ADD_FAILURE() << "(" << u << ", " << v << ") channel " << c << ": " << got << " expected " << e;
      }
  EXPECT_EQ(bad, 0);
}

using Fill = std::function<void(FrameBuffer&, int x, int y, std::mt19937&)>;

FrameBuffer Make(int n, int bpp, const Fill& fill) {
  FrameBuffer f = FrameBuffer::make(n, n, bpp, 0);
  std::mt19937 rng(3);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) fill(f, x, y, rng);
  return f;
}

void Set(FrameBuffer& f, int x, int y, int r, int g, int b, int a = 255) {
  uint8_t* p = f.pixel(x, y);
  if (f.bpp() == 8) {
    p[0] = static_cast<uint8_t>(r);
    return;
  }
  p[0] = static_cast<uint8_t>(b), p[1] = static_cast<uint8_t>(g), p[2] = static_cast<uint8_t>(r), p[3] = static_cast<uint8_t>(a);
}

TEST(YorvinFft, SpectraAgainstDft) {
  REQUIRE_GL();
  const struct Case {
    const char* name;
    Fill fill;
  } cases[] = {
      {"impulse", [](FrameBuffer& f, int x, int y, std::mt19937&) {
         if (x == 3 && y == 5) Set(f, x, y, 255, 128, 64);
       }},
      {"constant", [](FrameBuffer& f, int x, int y, std::mt19937&) { Set(f, x, y, 3, 2, 1); }},
      {"cosines", [](FrameBuffer& f, int x, int y, std::mt19937&) {
         const int n = f.width();
         const double a = 0.5 + 0.04 * std::cos(2 * M_PI * 3 * x / n), b = 0.5 + 0.04 * std::cos(2 * M_PI * (x + 2 * y) / n);
         Set(f, x, y, static_cast<int>(std::lround(a * 255)), static_cast<int>(std::lround(b * 255)), 128);
       }},
      {"noise", [](FrameBuffer& f, int x, int y, std::mt19937& rng) {
         Set(f, x, y, static_cast<int>(rng() % 40), static_cast<int>(rng() % 40), static_cast<int>(rng() % 40),
             200 + static_cast<int>(rng() % 40));
       }},
  };
  for (int n : {16, 64}) {
    for (int bpp : {8, 32}) {
      for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.name) + " " + std::to_string(n) + " bpp " + std::to_string(bpp));
        MethodRun run("yorvin", "gpu_fast_fourier_transform_2D");
        const FrameBuffer src = Make(n, bpp, k.fill);
        run.ctx.setFrame(u"input frame", src);
        const auto r = run();
        ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
        ExpectSpectrum(src, *run.ctx.frame(u"output frame"));
      }
    }
  }
}

// A second run of the same object transforms the new frame (the host texture
// it drew from the first time holds the new frame).
TEST(YorvinFft, SecondRunTakesTheNewFrame) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  MethodRun run("yorvin", "gpu_fast_fourier_transform_2D", &inspection);
  for (int i = 0; i < 2; ++i) {
    const FrameBuffer src = Make(16, 32, [i](FrameBuffer& f, int x, int y, std::mt19937& rng) {
      Set(f, x, y, static_cast<int>(rng() % (20 + 30 * i)), i * 10, 5);
    });
    run.ctx.setFrame(u"input frame", src);
    ASSERT_TRUE(run().ok);
    ExpectSpectrum(src, *run.ctx.frame(u"output frame"));
  }
  std::vector<std::string> names;
  std::vector<uint32_t> textures;  // the host's texture name as the later requests of each run carry it
  for (const auto& q : inspection.requests()) {
    names.push_back(talvix::ToUtf8(q.name));
    if (q.name == u"*_POF") textures.push_back(q.block[272] | q.block[273] << 8 | q.block[274] << 16 | q.block[275] << 24);
  }
  ASSERT_EQ(textures.size(), 2u);
  EXPECT_NE(textures[0], 0u);
  EXPECT_EQ(textures[0], textures[1]);
  const std::vector<std::string> one = {"*_LRC", "*_IRE", "*_PT0", "*_POF", "*_FRE", "*_URC"};
  std::vector<std::string> two = one;
  two.insert(two.end(), one.begin(), one.end());
  EXPECT_EQ(names, two);
}

// A 24 x 20 frame is stretched to 32 x 32 and its spectrum back to 24 x 20:
// output pixel (x, y) shows the spectrum texel under its centre. A constant
// frame has only the zero frequency.
TEST(YorvinFft, NonSquareFrameIsStretched) {
  REQUIRE_GL();
  const int w = 24, h = 20, n = 32;
  MethodRun run("yorvin", "gpu_fast_fourier_transform_2D");
  run.ctx.setFrame(u"input frame", FrameBuffer::make(w, h, 8, 100));
  ASSERT_TRUE(run().ok);
  const FrameBuffer& out = *run.ctx.frame(u"output frame");
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool dc = (x + 0.5) * n / w < 1 && (y + 0.5) * n / h < 1;
      for (int c = 0; c < 3; ++c) ASSERT_NEAR(out.pixel(x, y)[c], dc ? 255 : 0, 2) << x << ", " << y;
    }
  }
}

// The first frame fixes an N x N transform from its width alone: one wider
// than the largest transform is refused before any GL work, and leaves the
// instance to set up on a later frame. Narrow but tall frames stay cheap.
TEST(YorvinFft, FramesWiderThanTheLargestTransformAreRefused) {
  REQUIRE_GL();
  const struct {
    int width, depth;
    const char* refusal;  // null: answered
  } cases[] = {
      {4097, 1, "Frame too wide for the transform: width 4097 needs 8192 x 8192, at most 4096 x 4096"},
      {8192, 1, "Frame too wide for the transform: width 8192 needs 8192 x 8192, at most 4096 x 4096"},
      {16384, 2, "Frame too wide for the transform: width 16384 needs 16384 x 16384, at most 4096 x 4096"},
      {1, 8192, nullptr},
      {2, 2, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.depth);
    talvix::Inspection inspection;
    MethodRun run("yorvin", "gpu_fast_fourier_transform_2D", &inspection);
    run.ctx.setFrame(u"input frame", FrameBuffer::make(c.width, c.depth, 8, 100));
    const talvix::RunResult r = run();
    if (c.refusal) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(talvix::ToUtf8(r.error), c.refusal);
      EXPECT_TRUE(inspection.requests().empty());
      // Nothing was set up: a frame of an ordinary width is transformed.
      const FrameBuffer src = Make(8, 32, [](FrameBuffer& f, int x, int y, std::mt19937& rng) {
        Set(f, x, y, static_cast<int>(rng() % 40), x * 5, y * 3);
      });
      run.ctx.setFrame(u"input frame", src);
      ASSERT_TRUE(run().ok);
      ExpectSpectrum(src, *run.ctx.frame(u"output frame"));
    } else {
      ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      const FrameBuffer& out = *run.ctx.frame(u"output frame");
      EXPECT_EQ(out.width(), c.width);
      EXPECT_EQ(out.depth(), c.depth);
    }
  }
}

TEST(YorvinFft, FailedSetUpAndRelease) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  auto& mod = module_test::Load(kProbe);
  // Never run: the release asks for nothing.
  mod.destroy(mod.create(0), &inspection);
  EXPECT_TRUE(inspection.requests().empty());

  const intptr_t handle = mod.create(0);
  {
    talvix::RunContext ctx(mod, 0, &inspection);
    ctx.setFrame(u"input frame", FrameBuffer::make(8, 8, 8, 1));
    auto r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(talvix::ToUtf8(r.error), "Error during shader building");
    inspection.clearRequests();
    r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(talvix::ToUtf8(r.error), "Step is not able to run - see previous errors");
    EXPECT_TRUE(inspection.requests().empty());
  }
  mod.destroy(handle, &inspection);
  std::vector<std::string> names;
  for (const auto& q : inspection.requests()) names.push_back(talvix::ToUtf8(q.name));
  EXPECT_EQ(names, (std::vector<std::string>{"*_LRC", "*_URC"}));
}

}  // namespace
