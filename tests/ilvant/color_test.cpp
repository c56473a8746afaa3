// Grey conversions and the RGB / HSL split and combine through the module's
// exported interface.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ilvant_color_rig.h"

namespace {

using color_rig::Bgra;
using color_rig::Colour;
using color_rig::FrameBuffer;
using color_rig::Grey;
using color_rig::MethodRun;
using color_rig::Px;
using color_rig::Quad;

struct GreyCase {
  uint8_t r, g, b;
  uint8_t luma, average;
};

// luma = (77 R + 150 G + 29 B) >> 8, average = (R + G + B) / 3, worked by hand.
const GreyCase kGreys[] = {
    {255, 255, 255, 255, 255}, {255, 0, 0, 76, 85}, {0, 255, 0, 149, 85}, {0, 0, 255, 28, 85},
    {10, 20, 30, 18, 20},      {0, 0, 0, 0, 0},     {1, 1, 0, 0, 0},      {200, 100, 50, 124, 116},
};

TEST(ColorToMonochrome, LumaAndAverageOfColourFrames) {
  constexpr int n = sizeof kGreys / sizeof kGreys[0];
  for (int bpp : {24, 32}) {
    for (const char* id : {"color_to_monochrome", "color_to_monochrome_avg"}) {
      SCOPED_TRACE(testing::Message() << id << " " << bpp);
      const bool avg = std::string(id) == "color_to_monochrome_avg";
      // Odd width: rows carry padding at both depths.
      MethodRun run(id);
      run.ctx.setFrame(u"Input frame", Colour(n, 3, bpp, [](int x, int) {
                         return Bgra{kGreys[x].b, kGreys[x].g, kGreys[x].r, 7};
                       }));
      ASSERT_TRUE(run().ok);
      const FrameBuffer* out = run.ctx.frame(u"Output frame");
      ASSERT_NE(out, nullptr);
      ASSERT_EQ(out->bpp(), 8);
      ASSERT_EQ(out->width(), n);
      ASSERT_EQ(out->depth(), 3);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < n; ++x) EXPECT_EQ(out->pixel(x, y)[0], avg ? kGreys[x].average : kGreys[x].luma) << x;
    }
  }
}

TEST(ColorToMonochrome, GreyInputIsCopiedWhole) {
  const FrameBuffer in = color_rig::Pattern(5, 4, 8, 1);
  for (const char* id : {"color_to_monochrome", "color_to_monochrome_avg"}) {
    MethodRun run(id);
    run.ctx.setFrame(u"Input frame", in);
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.frame(u"Output frame")->bytes(), in.bytes()) << id;
  }
}

TEST(MonochromeToColor, EachDepth) {
  MethodRun grey("monochrome_to_color");
  grey.ctx.setFrame(u"Input frame", Grey(3, 2, [](int x, int y) { return 10 * x + y; }));
  ASSERT_TRUE(grey().ok);
  const FrameBuffer* out = grey.ctx.frame(u"Output frame");
  ASSERT_EQ(out->bpp(), 32);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const uint8_t* p = out->pixel(x, y);
      const int v = 10 * x + y;
      EXPECT_EQ(Px(p), (Quad{v, v, v, 255}));
    }
  }

  MethodRun rgb("monochrome_to_color");
  rgb.ctx.setFrame(u"Input frame", Colour(3, 2, 24, [](int x, int y) { return Bgra{uint8_t(x), uint8_t(y), 99, 0}; }));
  ASSERT_TRUE(rgb().ok);
  out = rgb.ctx.frame(u"Output frame");
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const uint8_t* p = out->pixel(x, y);
      EXPECT_EQ(Px(p), (Quad{x, y, 99, 255}));
    }
  }

  const FrameBuffer in32 = color_rig::Pattern(3, 2, 32, 2);
  MethodRun copy("monochrome_to_color");
  copy.ctx.setFrame(u"Input frame", in32);
  ASSERT_TRUE(copy().ok);
  EXPECT_EQ(copy.ctx.frame(u"Output frame")->bytes(), in32.bytes());
}

const char16_t* const kRgbOut[] = {u"Output red frame", u"Output green frame", u"Output blue frame",
                                   u"Output mask frame"};
const char16_t* const kRgbIn[] = {u"Input red frame", u"Input green frame", u"Input blue frame", u"Input mask frame"};
const char16_t* const kHslOut[] = {u"Output hue frame", u"Output saturation frame", u"Output lightness frame",
                                   u"Output mask frame"};
const char16_t* const kHslIn[] = {u"Input hue frame", u"Input saturation frame", u"Input lightness frame",
                                  u"Input mask frame"};

TEST(SplitRGB, SplitThenCombineGivesTheInputBack) {
  const FrameBuffer in = color_rig::Pattern(7, 5, 32, 3);
  MethodRun split("split_RGB");
  split.ctx.setFrame(u"Input frame", in);
  ASSERT_TRUE(split().ok);
  const FrameBuffer* planes[4];
  for (int i = 0; i < 4; ++i) {
    planes[i] = split.ctx.frame(kRgbOut[i]);
    ASSERT_NE(planes[i], nullptr);
    ASSERT_EQ(planes[i]->bpp(), 8);
  }
  EXPECT_EQ(planes[0]->pixel(4, 3)[0], in.pixel(4, 3)[2]);  // red
  EXPECT_EQ(planes[2]->pixel(4, 3)[0], in.pixel(4, 3)[0]);  // blue
  EXPECT_EQ(planes[3]->pixel(4, 3)[0], in.pixel(4, 3)[3]);  // alpha

  MethodRun combine("combine_RGB");
  for (int i = 0; i < 4; ++i) combine.ctx.setFrame(kRgbIn[i], *planes[i]);
  ASSERT_TRUE(combine().ok);
  EXPECT_EQ(combine.ctx.frame(u"Output frame")->bytes(), in.bytes());
}

TEST(SplitRGB, TwentyFourBitAndGreyInputs) {
  const FrameBuffer in = color_rig::Pattern(5, 3, 24, 4);
  MethodRun split("split_RGB");
  split.ctx.setFrame(u"Input frame", in);
  ASSERT_TRUE(split().ok);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(split.ctx.frame(kRgbOut[c])->pixel(x, y)[0], in.pixel(x, y)[2 - c]);
      EXPECT_EQ(split.ctx.frame(kRgbOut[3])->pixel(x, y)[0], 255);
    }
  }

  const FrameBuffer grey = color_rig::Pattern(5, 3, 8, 5);
  MethodRun g("split_RGB");
  g.ctx.setFrame(u"Input frame", grey);
  ASSERT_TRUE(g().ok);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(g.ctx.frame(kRgbOut[c])->bytes(), grey.bytes());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(g.ctx.frame(kRgbOut[3])->pixel(x, y)[0], 255);
}

TEST(SplitRGB, MaskIsOptionalThePlanesAreNot) {
  MethodRun noMask("split_RGB");
  noMask.ctx.setFrame(u"Input frame", color_rig::Pattern(4, 4, 32, 6));
  noMask.ctx.setUnnamed(u"Output mask frame");
  EXPECT_TRUE(noMask().ok);

  MethodRun noBlue("split_RGB");
  noBlue.ctx.setFrame(u"Input frame", color_rig::Pattern(4, 4, 32, 6));
  noBlue.ctx.setUnnamed(u"Output blue frame");
  const auto r = noBlue();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get output frame");
}

TEST(CombineRGB, WithoutMaskIsOpaque) {
  MethodRun run("combine_RGB");
  for (int i = 0; i < 3; ++i) run.ctx.setFrame(kRgbIn[i], Grey(3, 2, [i](int x, int y) { return 40 * i + x + y; }));
  ASSERT_TRUE(run().ok);
  const uint8_t* p = run.ctx.frame(u"Output frame")->pixel(2, 1);
  EXPECT_EQ(Px(p), (Quad{83, 43, 3, 255}));
}

TEST(Combine, InputErrors) {
  struct Case {
    const char* id;
    int bad;     // which input is replaced
    int w, bpp;  // by a frame of this width and depth, or unset when w == 0
    std::u16string error;
  };
  const std::u16string mono = u"error: Combine RGB requires monochrome input frame";
  const std::u16string size = u"error: Combine RGB requires the same size input frames";
  const Case cases[] = {
      {"combine_RGB", 0, 4, 24, mono},
      {"combine_RGB", 2, 4, 32, mono},
      {"combine_RGB", 1, 5, 8, size},
      {"combine_RGB", 3, 5, 8, size},
      {"combine_RGB", 3, 4, 32, mono},
      {"combine_RGB", 1, 0, 0, u"error: Cannot get input frame Input green frame"},
      {"combine_HSL", 0, 4, 32, mono},
      {"combine_HSL", 2, 3, 8, size},
      {"combine_HSL", 2, 0, 0, u"error: Cannot get input frame Input lightness frame"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " input " << c.bad);
    MethodRun run(c.id);
    const bool rgb = std::string(c.id) == "combine_RGB";
    for (int i = 0; i < 4; ++i) {
      const char16_t* name = (rgb ? kRgbIn : kHslIn)[i];
      if (i != c.bad) {
        run.ctx.setFrame(name, FrameBuffer::make(4, 3, 8, 9));
      } else if (c.w) {
        run.ctx.setFrame(name, FrameBuffer::make(c.w, 3, c.bpp, 9));
      }
    }
    const auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
}

struct HslBytes {
  uint8_t r, g, b;
  uint8_t hue, saturation, lightness;
};

// Hue bytes: trunc(degrees x 0.70833); red sits at 360 degrees.
const HslBytes kHslPixels[] = {
    {255, 0, 0, 254, 255, 127}, {0, 255, 0, 84, 255, 127},  {0, 0, 255, 169, 255, 127}, {255, 255, 0, 42, 255, 127},
    {0, 0, 0, 0, 0, 0},         {255, 255, 255, 0, 0, 255}, {128, 128, 128, 0, 0, 128}, {100, 50, 50, 254, 85, 75},
};

TEST(SplitHSL, KnownColours) {
  constexpr int n = sizeof kHslPixels / sizeof kHslPixels[0];
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    MethodRun run("split_HSL");
    run.ctx.setFrame(u"Input frame", Colour(n, 2, bpp, [](int x, int y) {
                       return Bgra{kHslPixels[x].b, kHslPixels[x].g, kHslPixels[x].r, uint8_t(x + 10 * y)};
                     }));
    ASSERT_TRUE(run().ok);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < n; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(run.ctx.frame(kHslOut[0])->pixel(x, y)[0], kHslPixels[x].hue);
        EXPECT_EQ(run.ctx.frame(kHslOut[1])->pixel(x, y)[0], kHslPixels[x].saturation);
        EXPECT_EQ(run.ctx.frame(kHslOut[2])->pixel(x, y)[0], kHslPixels[x].lightness);
        EXPECT_EQ(run.ctx.frame(kHslOut[3])->pixel(x, y)[0], bpp == 32 ? x + 10 * y : 255);
      }
    }
  }
}

TEST(SplitHSL, GreyFrameHasNoHueOrSaturation) {
  // A grey pixel has hue 0 and saturation 0; only the lightness carries it.
  const FrameBuffer grey = Grey(5, 3, [](int x, int y) { return 1 + 40 * x + y; });
  MethodRun run("split_HSL");
  run.ctx.fillNewFrames(0xAB);
  run.ctx.setFrame(u"Input frame", grey);
  ASSERT_TRUE(run().ok);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(run.ctx.frame(kHslOut[0])->pixel(x, y)[0], 0);
      EXPECT_EQ(run.ctx.frame(kHslOut[1])->pixel(x, y)[0], 0);
      EXPECT_EQ(run.ctx.frame(kHslOut[2])->pixel(x, y)[0], grey.pixel(x, y)[0]);
      EXPECT_EQ(run.ctx.frame(kHslOut[3])->pixel(x, y)[0], 255);
    }
  }
}

TEST(CombineHSL, SplitThenCombineKeepsTheColour) {
  const FrameBuffer in = color_rig::Pattern(16, 16, 32, 7);
  MethodRun split("split_HSL");
  split.ctx.setFrame(u"Input frame", in);
  ASSERT_TRUE(split().ok);
  MethodRun combine("combine_HSL");
  for (int i = 0; i < 4; ++i) combine.ctx.setFrame(kHslIn[i], *split.ctx.frame(kHslOut[i]));
  ASSERT_TRUE(combine().ok);
  const FrameBuffer* out = combine.ctx.frame(u"Output frame");
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      // Three truncated bytes (hue in 1.4-degree steps) lose a few levels; a
      // wrong sextant or channel would be far off.
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(out->pixel(x, y)[c], in.pixel(x, y)[c], 8) << x << "," << y;
      EXPECT_EQ(out->pixel(x, y)[3], in.pixel(x, y)[3]);
    }
  }
}

TEST(CombineHSL, OneColourPerSextant) {
  // Hue bytes x 1.4118 degrees land in sextants 0..6 (255 is just past 360);
  // bytes worked out from the conversion formulas with truncation.
  struct Case {
    uint8_t hue, saturation, lightness;
    Quad bgr;
  };
  const Case cases[] = {
      {20, 255, 127, {0, 119, 254}}, {60, 200, 100, {21, 178, 113}},  {100, 128, 180, {168, 217, 142}},
      {150, 255, 64, {128, 60, 0}},  {200, 90, 200, {219, 180, 207}}, {240, 255, 127, {89, 0, 254}},
      {255, 255, 127, {0, 0, 254}},
  };
  constexpr int n = sizeof cases / sizeof cases[0];
  MethodRun run("combine_HSL");
  run.ctx.setFrame(kHslIn[0], Grey(n, 1, [&](int x, int) { return cases[x].hue; }));
  run.ctx.setFrame(kHslIn[1], Grey(n, 1, [&](int x, int) { return cases[x].saturation; }));
  run.ctx.setFrame(kHslIn[2], Grey(n, 1, [&](int x, int) { return cases[x].lightness; }));
  run.ctx.setFrame(kHslIn[3], Grey(n, 1, [](int x, int) { return 50 + x; }));
  ASSERT_TRUE(run().ok);
  for (int x = 0; x < n; ++x) {
    const Quad& e = cases[x].bgr;
    EXPECT_EQ(Px(run.ctx.frame(u"Output frame")->pixel(x, 0)), (Quad{e[0], e[1], e[2], 50 + x})) << x;
  }
}

TEST(CombineHSL, WithoutMaskAlphaIsZero) {
  struct Case {
    uint8_t hue, saturation, lightness;
    Bgra expected;
  };
  const Case cases[] = {
      {0, 255, 0, {0, 0, 0, 0}},        // black at any hue
      {0, 0, 255, {255, 255, 255, 0}},  // white
      {120, 0, 255, {255, 255, 255, 0}},
      {255, 255, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    MethodRun run("combine_HSL");
    run.ctx.setFrame(kHslIn[0], Grey(2, 1, [&](int, int) { return c.hue; }));
    run.ctx.setFrame(kHslIn[1], Grey(2, 1, [&](int, int) { return c.saturation; }));
    run.ctx.setFrame(kHslIn[2], Grey(2, 1, [&](int, int) { return c.lightness; }));
    ASSERT_TRUE(run().ok);
    const uint8_t* p = run.ctx.frame(u"Output frame")->pixel(1, 0);
    EXPECT_EQ(Px(p), (Quad{c.expected.b, c.expected.g, c.expected.r, 0}));
  }
}

TEST(ColorMethods, MissingInputFrame) {
  for (const char* id :
       {"color_to_monochrome", "color_to_monochrome_avg", "monochrome_to_color", "split_RGB", "split_HSL"}) {
    MethodRun run(id);
    const auto r = run();
    EXPECT_FALSE(r.ok) << id;
    EXPECT_EQ(r.error, u"error: Cannot get input frame Input frame") << id;
  }
}

TEST(ColorMethods, SameBytesWithOneAndEightThreads) {
  const FrameBuffer c32 = color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, 32, 8);
  const FrameBuffer c24 = color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, 24, 9);
  const FrameBuffer g8 = color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, 8, 10);
  for (const char* id :
       {"color_to_monochrome", "color_to_monochrome_avg", "monochrome_to_color", "split_RGB", "split_HSL"}) {
    for (const FrameBuffer* f : {&c32, &c24, &g8}) {
      ilvant_test::ExpectThreadsAgree(id, [&](talvix::RunContext& ctx) { ctx.setFrame(u"Input frame", *f); });
    }
  }
  for (const char* id : {"combine_RGB", "combine_HSL"}) {
    const bool rgb = std::string(id) == "combine_RGB";
    ilvant_test::ExpectThreadsAgree(id, [&](talvix::RunContext& ctx) {
      for (int i = 0; i < 4; ++i) ctx.setFrame((rgb ? kRgbIn : kHslIn)[i], color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, 8, 20 + i));
    });
  }
}

}  // namespace
