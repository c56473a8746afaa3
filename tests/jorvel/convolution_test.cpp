// Blur, gaussian, mean, the Laplacian high-boost kernels and the user
// kernels against per-pixel references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convolution_reference.h"
#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;
using jorvel_test::Pattern;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

struct Shape {
  int w, d, bpp;
};
// Odd widths give padded rows; widths below the kernel have no interior.
const Shape kShapes[] = {{7, 5, 8}, {1, 3, 8}, {2, 2, 8}, {13, 6, 24}, {5, 4, 24}, {9, 7, 32}, {3, 1, 32}, {37, 11, 8}};

FrameBuffer RunWith(const std::string& id, const FrameBuffer& in, const std::vector<std::pair<std::u16string, std::vector<double>>>& numbers) {
  Filter f(id);
  f.input(in);
  for (const auto& [name, v] : numbers) f.ctx.setNumbers(name, v);
  const talvix::RunResult r = f.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? f.out() : FrameBuffer{};
}

std::vector<float> BlurKernel(int r, float p) {
  const int n = 2 * r + 1;
  std::vector<float> k(n * n, 1.0f);
  k[r * n + r] = static_cast<float>(static_cast<double>(static_cast<float>(n * n - 1) * p) / (1.0 - p));
  return k;
}

TEST(JorvelConvolution, TwoDimensionalKernelsMatchTheReference) {
  struct Case {
    std::string id;
    std::vector<std::pair<std::u16string, std::vector<double>>> numbers;
    std::vector<float> kernel;
    int kh, kw;
    bool normalise;
  };
  const std::vector<float> asym = {1, -2, 3, 0.5f, 4, -1, 2, 0, -3};
  std::vector<double> asymD(asym.begin(), asym.end());
  std::vector<float> k35(15);
  for (int i = 0; i < 15; ++i) k35[i] = static_cast<float>((i * 7) % 5) - 1.5f;
  std::vector<float> k55(25);
  for (int i = 0; i < 25; ++i) k55[i] = static_cast<float>((i * 3) % 7) * 0.25f - 0.5f;
  const std::vector<Case> cases = {
      {"blur", {}, BlurKernel(1, 0.5f), 3, 3, true},
      {"blur", {{u"Kernel radius", {3}}, {u"Pass-through rating", {0.2}}}, BlurKernel(3, 0.2f), 7, 7, true},
      {"blur", {{u"Pass-through rating", {0}}}, BlurKernel(1, 0.0f), 3, 3, true},
      {"laplacian_high_boost_1", {{u"High-boost coefficient", {1.5}}}, {1, -2, 1, -2, 5.5f, -2, 1, -2, 1}, 3, 3, false},
      {"laplacian_high_boost_2", {}, {0, -1, 0, -1, 4, -1, 0, -1, 0}, 3, 3, false},
      {"laplacian_high_boost_3", {{u"High-boost coefficient", {-0.25}}}, {-1, -1, -1, -1, 7.75f, -1, -1, -1, -1}, 3, 3, false},
      {"kernel_3x3", {{u"Kernel source", asymD}}, asym, 3, 3, false},
      {"kernel_5x5", {{u"Kernel source", std::vector<double>(k55.begin(), k55.end())}}, k55, 5, 5, false},
      {"kernel",
       {{u"Kernel width", {3}}, {u"Kernel height", {5}}, {u"Kernel source", std::vector<double>(k35.begin(), k35.end())}},
       k35, 5, 3, false},
      {"kernel", {{u"Kernel width", {5}}, {u"Kernel height", {1}}, {u"Kernel source", {1, 2, 3, 2, 1}}}, {1, 2, 3, 2, 1}, 1, 5, false},
      {"kernel", {{u"Kernel width", {1}}, {u"Kernel height", {5}}, {u"Kernel source", {0.1, 0.2, 0.3, 0.2, 0.15}}},
       {0.1f, 0.2f, 0.3f, 0.2f, 0.15f}, 5, 1, false},
  };
  for (const Case& c : cases) {
    for (const Shape& s : kShapes) {
      SCOPED_TRACE(testing::Message() << c.id << " " << c.kh << "x" << c.kw << " on " << s.w << "x" << s.d << "x" << s.bpp);
      const FrameBuffer in = Pattern(s.w, s.d, s.bpp, 7);
      const FrameBuffer out = RunWith(c.id, in, c.numbers);
      ASSERT_FALSE(out.empty());
      EXPECT_EQ(Pixels(out), Pixels(jorvel_test::RefKernel(in, c.kernel, c.kh, c.kw, c.normalise)));
    }
  }
}

TEST(JorvelConvolution, KernelRowZeroReadsTheNextStoredRow) {
  // Only row 0, centre column is 1: output row y is input row y + 1.
  const FrameBuffer in = jorvel_test::Fill(4, 3, 8, [](int x, int y) { return 10 * y + x; });
  const FrameBuffer out = RunWith("kernel_3x3", in, {{u"Kernel source", {0, 1, 0, 0, 0, 0, 0, 0, 0}}});
  ASSERT_FALSE(out.empty());
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(out.pixel(x, 0)[0], 10 + x);
    EXPECT_EQ(out.pixel(x, 1)[0], 20 + x);
    EXPECT_EQ(out.pixel(x, 2)[0], 0) << "the tap falls outside";
  }
}

TEST(JorvelConvolution, BorderTapsAndPassThrough) {
  const FrameBuffer flat = jorvel_test::Fill(5, 4, 8, [](int, int) { return 100; });
  // Laplacian 2 with coefficient 0: interior 0, side v, corner 2v held to 255.
  const FrameBuffer lap = RunWith("laplacian_high_boost_2", flat, {});
  ASSERT_FALSE(lap.empty());
  EXPECT_EQ(lap.pixel(2, 2)[0], 0);
  EXPECT_EQ(lap.pixel(2, 0)[0], 100);
  EXPECT_EQ(lap.pixel(0, 2)[0], 100);
  EXPECT_EQ(lap.pixel(0, 0)[0], 200);
  EXPECT_EQ(RunWith("laplacian_high_boost_2", jorvel_test::Fill(5, 4, 8, [](int, int) { return 200; }), {}).pixel(4, 3)[0], 255);

  // Pass-through 1 copies the frame, header and all.
  const FrameBuffer in = Pattern(7, 5, 32, 3);
  const FrameBuffer copy = RunWith("blur", in, {{u"Pass-through rating", {1}}});
  EXPECT_EQ(copy.bytes(), in.bytes());
  // Pass-through 0: a corner is the mean of its three neighbours.
  const FrameBuffer g = jorvel_test::Fill(3, 3, 8, [](int x, int y) { return 1 + x + 3 * y; });
  const FrameBuffer zero = RunWith("blur", g, {{u"Pass-through rating", {0}}});
  EXPECT_EQ(zero.pixel(0, 0)[0], (2 + 4 + 5) / 3);
}

TEST(JorvelConvolution, SeparableFiltersMatchTheReference) {
  for (int r : {0, 1, 3, 10}) {
    for (const Shape& s : kShapes) {
      SCOPED_TRACE(testing::Message() << "radius " << r << " on " << s.w << "x" << s.d << "x" << s.bpp);
      const FrameBuffer in = Pattern(s.w, s.d, s.bpp, 11);
      const FrameBuffer g = RunWith("gaussian", in, {{u"Kernel radius", {double(r)}}});
      EXPECT_EQ(Pixels(g), Pixels(jorvel_test::RefSeparable(in, jorvel_test::GaussianKernel(r))));
      const FrameBuffer m = RunWith("mean", in, {{u"Kernel radius", {double(r)}}});
      EXPECT_EQ(Pixels(m), Pixels(jorvel_test::RefSeparable(in, jorvel_test::Normalised(std::vector<float>(2 * r + 1, 1.0f)))));
    }
  }
}

TEST(JorvelConvolution, KernelDimensions) {
  struct Case {
    std::vector<double> w, h;  // empty: not given
    const char16_t* error;     // null: runs
  };
  const Case cases[] = {
      {{3}, {5}, nullptr},
      {{1}, {1}, nullptr},
      {{3.9}, {1}, nullptr},  // truncated to 3
      {{4}, {3}, u"error: Kernel dimensions must be odd integers"},
      {{3}, {0}, u"error: Kernel dimensions must be odd integers"},
      {{-3}, {3}, u"error: Kernel dimensions must be odd integers"},
      {{}, {3}, u"error: Kernel dimensions must be odd integers"},
      {{1e300}, {3}, u"error: Kernel has too many elements"},
      {{2147483647}, {2147483647}, u"error: Kernel has too many elements"},
      {{65537}, {1}, u"error: Kernel has too many elements"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.w.empty() ? -1 : c.w[0]) << " x " << (c.h.empty() ? -1 : c.h[0]));
    Filter f("kernel");
    f.input(Pattern(6, 4, 8, 1));
    if (!c.w.empty()) f.ctx.setNumbers(u"Kernel width", c.w);
    if (!c.h.empty()) f.ctx.setNumbers(u"Kernel height", c.h);
    f.ctx.setNumbers(u"Kernel source", {1});
    const talvix::RunResult r = f.run();
    EXPECT_EQ(r.ok, c.error == nullptr);
    if (c.error) {
      EXPECT_EQ(r.error, c.error);
    }
  }
  // A source that cannot be named fails with a text naming it.
  Filter f("kernel_3x3");
  f.input(Pattern(6, 4, 8, 1));
  f.ctx.setUnnamed(u"Kernel source");
  const talvix::RunResult r = f.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get any of the elements of the input array Kernel source");
}

TEST(JorvelConvolution, ShortKernelSourceWarnsOnceAndUsesZeros) {
  const FrameBuffer in = Pattern(6, 5, 24, 9);
  Filter f("kernel_3x3");
  f.input(in);
  f.ctx.setNumbers(u"Kernel source", {1, 2, 3, 4});
  ASSERT_TRUE(f.run().ok);
  ASSERT_EQ(f.ctx.warnings().size(), 1u);
  EXPECT_EQ(f.ctx.warnings()[0], u"Cannot get all the elements of the input array. Zero values were used instead.");
  EXPECT_EQ(Pixels(f.out()), Pixels(jorvel_test::RefKernel(in, {1, 2, 3, 4, 0, 0, 0, 0, 0}, 3, 3, false)));
  // A changed source is read again on the next run of the same object.
  f.ctx.setNumbers(u"Kernel source", std::vector<double>(9, 0.0));
  ASSERT_TRUE(f.run().ok);
  EXPECT_TRUE(f.ctx.warnings().empty());
  EXPECT_EQ(Pixels(f.out()), std::vector<uint8_t>(Pixels(in).size(), 0));
}

TEST(JorvelConvolution, ReusedObjectsFollowFrameAndParameterChanges) {
  // Small, then larger, then another depth through one object each.
  const std::vector<Shape> sequence = {{4, 3, 8}, {61, 40, 8}, {61, 40, 32}, {5, 70, 24}, {61, 40, 32}};
  for (const char* id : {"gaussian", "mean", "blur", "kernel"}) {
    Filter f(id);
    int step = 0;
    for (const Shape& s : sequence) {
      SCOPED_TRACE(testing::Message() << id << " step " << step);
      const int r = 1 + step % 3;
      const FrameBuffer in = Pattern(s.w, s.d, s.bpp, 20 + step);
      f.input(in);
      f.numbersIfAny(u"Kernel radius", {double(r)});
      f.numbersIfAny(u"Kernel width", {2.0 * r + 1});
      f.numbersIfAny(u"Kernel height", {1});
      std::vector<double> src(2 * r + 1);
      for (size_t i = 0; i < src.size(); ++i) src[i] = 0.25 * (i + 1);
      f.numbersIfAny(u"Kernel source", src);
      ASSERT_TRUE(f.run().ok);
      const std::string sid = id;
      FrameBuffer ref;
      if (sid == "gaussian") ref = jorvel_test::RefSeparable(in, jorvel_test::GaussianKernel(r));
      if (sid == "mean") ref = jorvel_test::RefSeparable(in, jorvel_test::Normalised(std::vector<float>(2 * r + 1, 1.0f)));
      if (sid == "blur") ref = jorvel_test::RefKernel(in, BlurKernel(r, 0.5f), 2 * r + 1, 2 * r + 1, true);
      if (sid == "kernel") ref = jorvel_test::RefKernel(in, std::vector<float>(src.begin(), src.end()), 1, 2 * r + 1, false);
      EXPECT_EQ(Pixels(f.out()), Pixels(ref));
      ++step;
    }
  }
}

TEST(JorvelConvolution, ThreadCountDoesNotChangeTheResult) {
  for (const char* id : {"blur", "gaussian", "mean", "laplacian_high_boost_1", "kernel_5x5", "edge"}) {
    for (int bpp : {8, 24, 32}) {
      jorvel_test::ExpectThreadsAgree(id, [bpp](Filter& f) {
        f.input(Pattern(311, 203, bpp, 5));
        f.numbersIfAny(u"Kernel radius", {2});
        f.numbersIfAny(u"Kernel source", std::vector<double>(25, 0.04));
      });
    }
  }
}

}  // namespace
