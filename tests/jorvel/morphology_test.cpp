// Dilation, erosion, opening and closing against clipped 3 x 3 references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;
using jorvel_test::Pattern;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

int Threshold(double t) { return static_cast<int>(static_cast<float>(t) * 255.0f); }

bool Bright(const FrameBuffer& f, int x, int y, int t) {
  const uint8_t* p = f.pixel(x, y);
  return f.bpp() == 8 ? p[0] > t : p[0] + p[1] + p[2] > 3 * t;
}
bool Dark(const FrameBuffer& f, int x, int y, int t) {
  const uint8_t* p = f.pixel(x, y);
  return f.bpp() == 8 ? p[0] < t : p[0] + p[1] + p[2] < 3 * t;
}

// One pass: `yes` where every pixel of the clipped block passes the test.
FrameBuffer RefPass(const FrameBuffer& in, int t, bool dilate) {
  FrameBuffer out = FrameBuffer::make(in.width(), in.depth(), 8);
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      bool all = true;
      for (int yy = std::max(0, y - 1); yy <= std::min(in.depth() - 1, y + 1); ++yy)
        for (int xx = std::max(0, x - 1); xx <= std::min(in.width() - 1, x + 1); ++xx)
          all = all && (dilate ? Bright(in, xx, yy, t) : Dark(in, xx, yy, t));
      out.pixel(x, y)[0] = dilate ? (all ? 255 : 0) : (all ? 0 : 255);
    }
  }
  return out;
}

FrameBuffer RefRepeat(FrameBuffer f, int t, bool dilate, int k) {
  for (int i = 0; i < k; ++i) f = RefPass(f, t, dilate);
  return f;
}

FrameBuffer RunMorph(const std::string& id, const FrameBuffer& in, int k, double t) {
  Filter f(id);
  f.ctx.fillNewFrames(0xCD);
  f.input(in);
  f.number(u"Times to repeat", k);
  f.number(u"Threshold", t);
  const talvix::RunResult r = f.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? f.out() : FrameBuffer{};
}

struct Shape {
  int w, d, bpp;
};
// 24-bit widths whose rows are padded; frames narrower or lower than the block.
const Shape kShapes[] = {{9, 7, 8}, {5, 6, 24}, {7, 3, 24}, {8, 5, 32}, {1, 4, 8}, {2, 1, 32}, {2, 2, 24}, {1, 1, 8}};

// Blobs of dark and bright with values near the threshold.
FrameBuffer Blobs(int w, int d, int bpp, uint32_t seed) {
  const FrameBuffer noise = Pattern(w, d, bpp, seed);
  FrameBuffer f = Pattern(w, d, bpp, seed + 1);  // keeps random alpha
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < (bpp == 8 ? 1 : 3); ++c)
        f.pixel(x, y)[c] = static_cast<uint8_t>(((x / 3 + y / 2 + seed) % 3 == 0 ? 40 : 200) + noise.pixel(x, y)[0] % 90 - 45);
  return f;
}

TEST(JorvelMorphology, SinglePassesMatchTheReference) {
  for (double t : {0.0, 1.5 / 255, 0.5, 1.0}) {
    for (const Shape& s : kShapes) {
      SCOPED_TRACE(testing::Message() << "t " << t << " on " << s.w << "x" << s.d << "x" << s.bpp);
      const FrameBuffer in = Blobs(s.w, s.d, s.bpp, 3);
      EXPECT_EQ(Pixels(RunMorph("dilation", in, 1, t)), Pixels(RefPass(in, Threshold(t), true)));
      EXPECT_EQ(Pixels(RunMorph("erosion", in, 1, t)), Pixels(RefPass(in, Threshold(t), false)));
    }
  }
}

TEST(JorvelMorphology, PixelsAtTheThreshold) {
  const double t = 100.5 / 255;  // T = 100
  struct Case {
    int bpp;
    uint8_t b, g, r, a;
    bool darkForDilation, brightForErosion;
  };
  const Case cases[] = {
      {8, 100, 0, 0, 0, true, true},       // at T: dark for dilation, bright for erosion
      {8, 101, 0, 0, 0, false, true},
      {8, 99, 0, 0, 0, true, false},
      {32, 101, 100, 100, 0, false, true},   // 3T + 1, any fourth byte
      {32, 101, 100, 100, 255, false, true},
      {32, 100, 100, 100, 7, true, true},    // 3T
      {24, 0, 150, 151, 0, false, true},
      {24, 0, 150, 149, 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " " << int(c.b) << "," << int(c.g) << "," << int(c.r) << "," << int(c.a));
    // The pixel in the middle of a 5x5 field of the opposite kind.
    FrameBuffer bright = jorvel_test::Fill(5, 5, c.bpp, [](int, int) { return 250; });
    FrameBuffer dark = jorvel_test::Fill(5, 5, c.bpp, [](int, int) { return 5; });
    for (FrameBuffer* f : {&bright, &dark}) {
      uint8_t* p = f->pixel(2, 2);
      p[0] = c.b;
      if (c.bpp > 8) p[1] = c.g, p[2] = c.r;
      if (c.bpp == 32) p[3] = c.a;
    }
    EXPECT_EQ(RunMorph("dilation", bright, 1, t).pixel(1, 1)[0], c.darkForDilation ? 0 : 255);
    EXPECT_EQ(RunMorph("erosion", dark, 1, t).pixel(1, 1)[0], c.brightForErosion ? 255 : 0);
  }
}

TEST(JorvelMorphology, RepetitionsOpeningAndClosing) {
  const double t = 0.5;
  const int T = Threshold(t);
  for (const Shape& s : {Shape{23, 17, 8}, Shape{13, 11, 24}, Shape{16, 9, 32}}) {
    const FrameBuffer in = Blobs(s.w, s.d, s.bpp, 9);
    for (int k : {1, 2, 3, 4, 7, 10}) {
      SCOPED_TRACE(testing::Message() << k << " times on " << s.bpp << " bits");
      EXPECT_EQ(Pixels(RunMorph("dilation", in, k, t)), Pixels(RefRepeat(in, T, true, k)));
      EXPECT_EQ(Pixels(RunMorph("erosion", in, k, t)), Pixels(RefRepeat(in, T, false, k)));
      const FrameBuffer opened = RefRepeat(RefRepeat(in, T, false, k), T, true, k);
      const FrameBuffer closed = RefRepeat(RefRepeat(in, T, true, k), T, false, k);
      EXPECT_EQ(Pixels(RunMorph("opening", in, k, t)), Pixels(opened));
      EXPECT_EQ(Pixels(RunMorph("closing", in, k, t)), Pixels(closed));
    }
  }
  // One object through growing and shrinking frames.
  Filter f("closing");
  for (const Shape& s : {Shape{4, 3, 8}, Shape{40, 33, 32}, Shape{5, 60, 24}}) {
    const FrameBuffer in = Blobs(s.w, s.d, s.bpp, 5);
    f.input(in);
    f.number(u"Times to repeat", 3);
    ASSERT_TRUE(f.run().ok);
    EXPECT_EQ(Pixels(f.out()), Pixels(RefRepeat(RefRepeat(in, T, true, 3), T, false, 3)));
  }
}

TEST(JorvelMorphology, RepeatCountsAndDepths) {
  // Counts are corrected into their ranges.
  Filter open("opening");
  open.input(Blobs(8, 8, 8, 1));
  open.number(u"Times to repeat", 0);
  ASSERT_TRUE(open.run().ok);
  EXPECT_EQ(open.ctx.warnings(), std::vector<std::u16string>{
                                     u"Not acceptable value of the parameter Times to repeat (0). It will be used new value 1."});
  Filter dil("dilation");
  dil.input(Blobs(8, 8, 8, 1));
  dil.number(u"Times to repeat", 11);
  ASSERT_TRUE(dil.run().ok);
  EXPECT_EQ(Pixels(dil.out()), Pixels(RefRepeat(Blobs(8, 8, 8, 1), 127, true, 10)));
  // A frame of another depth is refused with a text.
  for (const char* id : {"dilation", "erosion", "opening", "closing"}) {
    Filter f(id);
    FrameBuffer odd = FrameBuffer::make(8, 4, 8);
    odd.bytes()[14] = 16;  // bits per pixel in the header
    f.input(odd);
    const talvix::RunResult r = f.run();
    EXPECT_FALSE(r.ok) << id;
    EXPECT_EQ(r.error, u"error: Frame must have 8, 24 or 32 bits per pixel");
  }
}

TEST(JorvelMorphology, ThreadCountDoesNotChangeTheResult) {
  for (const char* id : {"dilation", "erosion", "opening", "closing"}) {
    for (int bpp : {8, 24, 32}) {
      jorvel_test::ExpectThreadsAgree(id, [bpp](Filter& f) {
        f.input(Blobs(311, 203, bpp, 2));
        f.number(u"Times to repeat", 3);
      });
    }
  }
}

}  // namespace
