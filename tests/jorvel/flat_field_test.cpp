// Flat-field correction by a white calibration frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

const std::u16string kWhite = u"White calibration frame";

FrameBuffer RunFlat(Filter& f, const FrameBuffer& in, const FrameBuffer& white) {
  f.input(in);
  f.ctx.setFrame(kWhite, white);
  const talvix::RunResult r = f.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? f.out() : FrameBuffer{};
}

TEST(JorvelFlatField, GreyCases) {
  // A white frame with zeros among its values; inputs with zeros too. The
  // wider frame runs whole vectors and a remainder.
  for (const int w : {5, 77}) {
    SCOPED_TRACE(w);
    const int d = 3;
    const FrameBuffer white =
        jorvel_test::Fill(w, d, 8, [](int x, int y) { return (x + y) % 4 == 0 ? 0 : (40 * (x + 1) + y) % 256; });
    const FrameBuffer in = jorvel_test::Fill(
        w, d, 8, [](int x, int y) { return (x * 7 + y * 3) % 5 == 0 ? 0 : (50 * y + 30 * x + 5) % 256; });
    float sum = 0;
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x) sum += white.pixel(x, y)[0];
    const float mean = sum / static_cast<float>(w * d);
    Filter f("flat_field");
    const FrameBuffer out = RunFlat(f, in, white);
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = in.pixel(x, y)[0], wv = white.pixel(x, y)[0];
        const float q = v == 0 || wv == 0 ? 0 : static_cast<float>(v) * mean / static_cast<float>(wv);
        EXPECT_EQ(out.pixel(x, y)[0], q > 255 ? 255 : static_cast<int>(q)) << x << "," << y;
      }
  }
  // The cases of the definition with a uniform white of 128.
  const FrameBuffer flat = jorvel_test::Fill(3, 1, 8, [](int, int) { return 128; });
  Filter g("flat_field");
  const FrameBuffer same = RunFlat(g, jorvel_test::Fill(3, 1, 8, [](int x, int) { return x == 0 ? 64 : x == 1 ? 0 : 255; }), flat);
  EXPECT_EQ(same.pixel(0, 0)[0], 64);
  EXPECT_EQ(same.pixel(1, 0)[0], 0);
  EXPECT_EQ(same.pixel(2, 0)[0], 255);
}

TEST(JorvelFlatField, ColourCases) {
  // Uniform white with black pixels (which copy the input), and a wider
  // patterned white that runs whole vectors and a remainder.
  FrameBuffer uniform = jorvel_test::Fill(2, 2, 32, [](int, int) { return 100; });
  std::fill_n(uniform.pixel(1, 1), 3, 0);
  FrameBuffer patterned = jorvel_test::Pattern(45, 3, 32, 9);
  for (int x = 0; x < 45; x += 7) std::fill_n(patterned.pixel(x, x % 3), 3, 0);
  for (const FrameBuffer* white : {&uniform, &patterned}) {
    const int w = white->width(), d = white->depth();
    SCOPED_TRACE(w);
    const FrameBuffer in = jorvel_test::Pattern(w, d, 32, 4);
    Filter f("flat_field");
    const FrameBuffer out = RunFlat(f, in, *white);
    int64_t total = 0;
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x) total += white->pixel(x, y)[0] + white->pixel(x, y)[1] + white->pixel(x, y)[2];
    const float mean = static_cast<float>(total) / 3.0f / static_cast<float>(w * d);
    for (int y = 0; y < d; ++y)
      for (int x = 0; x < w; ++x) {
        const int s = white->pixel(x, y)[0] + white->pixel(x, y)[1] + white->pixel(x, y)[2];
        for (int c = 0; c < 4; ++c) {
          int want = in.pixel(x, y)[c];
          if (s != 0 && c < 3) {
            const float q = static_cast<float>(3 * in.pixel(x, y)[c]) * mean / static_cast<float>(s);
            want = q > 255 ? 255 : static_cast<int>(q);
          }
          EXPECT_EQ(out.pixel(x, y)[c], want) << x << "," << y << " channel " << c;
        }
      }
  }
}

TEST(JorvelFlatField, WhiteMeanIsKeptByStampAndSummedExactly) {
  FrameBuffer white = jorvel_test::Fill(6, 4, 8, [](int, int) { return 100; });
  const FrameBuffer in = jorvel_test::Fill(6, 4, 8, [](int, int) { return 50; });
  Filter f("flat_field");
  EXPECT_EQ(RunFlat(f, in, white).pixel(0, 0)[0], 50);
  // The white pixels change under the same stamp: the kept mean (100) is used.
  FrameBuffer* held = const_cast<FrameBuffer*>(f.ctx.inputFrame(kWhite));
  ASSERT_NE(held, nullptr);
  for (int y = 0; y < 4; ++y) std::fill_n(held->row(y), 6, 200);
  f.input(in);
  ASSERT_TRUE(f.run().ok);
  EXPECT_EQ(f.out().pixel(0, 0)[0], 25) << "50 * 100 / 200";
  // A new stamp computes the mean again.
  f.ctx.touch(kWhite);
  ASSERT_TRUE(f.run().ok);
  EXPECT_EQ(f.out().pixel(0, 0)[0], 50);

  // A frame whose sum passes 2^24 keeps its exact mean (251 everywhere).
  const FrameBuffer big = jorvel_test::Fill(400, 300, 8, [](int, int) { return 251; });
  Filter g("flat_field");
  EXPECT_EQ(Pixels(RunFlat(g, big, big)), Pixels(big));
}

TEST(JorvelFlatField, Refusals) {
  struct Case {
    FrameBuffer in, white;
    const char16_t* error;
  };
  const FrameBuffer a8 = jorvel_test::Pattern(5, 4, 8, 1);
  const Case cases[] = {
      {a8, jorvel_test::Pattern(6, 4, 8, 1), u"error: Frame and pattern must be of the same size and type"},
      {a8, jorvel_test::Pattern(5, 3, 8, 1), u"error: Frame and pattern must be of the same size and type"},
      {a8, jorvel_test::Pattern(5, 4, 32, 1), u"error: Frame and pattern must be of the same size and type"},
      {jorvel_test::Pattern(5, 4, 24, 1), jorvel_test::Pattern(5, 4, 24, 2), u"error: Frame must have 8 or 32 bits per pixel"},
  };
  for (const Case& c : cases) {
    Filter f("flat_field");
    f.input(c.in);
    f.ctx.setFrame(kWhite, c.white);
    const talvix::RunResult r = f.run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
  Filter f("flat_field");
  f.input(a8);
  const talvix::RunResult r = f.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame");
}

TEST(JorvelFlatField, ThreadCountDoesNotChangeTheResult) {
  for (int bpp : {8, 32}) {
    jorvel_test::ExpectThreadsAgree("flat_field", [bpp](Filter& f) {
      f.input(jorvel_test::Pattern(301, 211, bpp, 1));
      f.ctx.setFrame(kWhite, jorvel_test::Pattern(301, 211, bpp, 2));
    });
  }
}

}  // namespace
