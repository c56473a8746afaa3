// translate: whole and sub-pixel offsets, the partly covered border rows and
// columns, and uncovered pixels written 0.
#include <gtest/gtest.h>

#include <cstring>

#include "ilvant_geometry.h"

using ilvant_geometry::ArrayWarning;
using ilvant_geometry::Constant;
using ilvant_geometry::ExpectThreadsAgree;
using ilvant_test::kCanary;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

FrameBuffer Translate(const FrameBuffer& in, const TPoint* offset, bool* ok = nullptr) {
  MethodRun run("translate");
  run.ctx.fillNewFrames(kCanary);
  run.ctx.setFrame(u"Input frame", in);
  if (offset) run.ctx.setPoints(u"Offset", {*offset});
  const talvix::RunResult r = run();
  if (ok) *ok = r.ok;
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  return r.ok ? run.out() : FrameBuffer{};
}

// 8-bit columns holding 8 x + 20.
FrameBuffer Ramp(int w, int d) {
  FrameBuffer f = FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(8 * x + 20);
  return f;
}

TEST(Translate, NoOffsetCopiesEveryDepth) {
  const TPoint zero{0, 0};
  for (int bpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(7, 5, bpp, 2);
    EXPECT_EQ(Translate(in, nullptr).bytes(), in.bytes()) << bpp;
    EXPECT_EQ(Translate(in, &zero).bytes(), in.bytes()) << bpp;
  }
}

// Whole offsets move pixels whole; what the shifted frame leaves uncovered is
// written 0, not left as the host made it.
TEST(Translate, WholeOffsetsShiftAndClearTheRest) {
  const TPoint offsets[] = {{3, -2}, {-1, 4}, {0, 1}, {-7, 0}, {1e12, 0}};
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(7, 5, bpp, 3);
    for (const TPoint& o : offsets) {
      const FrameBuffer out = Translate(in, &o);
      const int ox = o.x > 100 ? 100 : static_cast<int>(o.x);
      const int oy = static_cast<int>(o.y);
      const uint8_t zero[4] = {0, 0, 0, 0};
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
          const int sx = x - ox;
          const int sy = y - oy;
          const bool inside = sx >= 0 && sx < 7 && sy >= 0 && sy < 5;
          ASSERT_EQ(0, std::memcmp(out.pixel(x, y), inside ? in.pixel(sx, sy) : zero, bpp / 8))
              << "offset " << o.x << "," << o.y << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(Translate, QuarterPixelAlongARamp) {
  const FrameBuffer in = Ramp(16, 3);
  const TPoint right{0.25, 0};
  const FrameBuffer r = Translate(in, &right);
  const TPoint left{-0.25, 0};
  const FrameBuffer l = Translate(in, &left);
  for (int y = 0; y < 3; ++y) {
    // Column 0 is covered 3/4 by source column 0: 20 x 192 / 256.
    EXPECT_EQ(r.pixel(0, y)[0], 15);
    for (int x = 1; x < 16; ++x) ASSERT_EQ(r.pixel(x, y)[0], 8 * x + 18) << x;
    for (int x = 0; x < 15; ++x) ASSERT_EQ(l.pixel(x, y)[0], 8 * x + 22) << x;
    // The last column is covered 3/4 by source column 15: 140 x 192 / 256.
    EXPECT_EQ(l.pixel(15, y)[0], 105);
  }
}

TEST(Translate, PartlyCoveredBordersAndCorners) {
  struct Case {
    TPoint offset;
    int cornerX, cornerY;  // the pixel covered only in part along both axes
    int value, edge, corner;
  };
  // A constant 200 frame, 6 x 4; an edge covered by half weighs 100, a
  // quarter-covered corner 50. At 1.75 the first column is uncovered and the
  // second covered 1/4.
  const Case cases[] = {
      {{0.5, 0.5}, 0, 0, 200, 100, 50},
      {{-0.5, -0.5}, 5, 3, 200, 100, 50},
      {{0.5, -0.5}, 0, 3, 200, 100, 50},
  };
  for (const Case& c : cases) {
    const FrameBuffer out = Translate(Constant(6, 4, 32, 200), &c.offset);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) {
        const int partial = (x == c.cornerX) + (y == c.cornerY);
        const int want = partial == 2 ? c.corner : partial == 1 ? c.edge : c.value;
        const uint8_t* p = out.pixel(x, y);
        ASSERT_EQ(p[0], want) << c.offset.x << "," << c.offset.y << " at " << x << "," << y;
        ASSERT_EQ(p[2], want);
        ASSERT_EQ(p[3], 255) << "alpha of the source pixel";
      }
    }
  }
  const TPoint far{1.75, 0};
  const FrameBuffer out = Translate(Constant(6, 4, 8, 200), &far);
  EXPECT_EQ(out.pixel(0, 2)[0], 0);
  EXPECT_EQ(out.pixel(1, 2)[0], 50);
  EXPECT_EQ(out.pixel(2, 2)[0], 200);
}

TEST(Translate, ArrayOffsetWarns) {
  MethodRun run("translate");
  run.ctx.setFrame(u"Input frame", Pattern(6, 4, 8, 1));
  run.ctx.setPoints(u"Offset", {{1, 0}, {2, 0}});
  ASSERT_TRUE(run().ok);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(run.ctx.warnings()[0], ArrayWarning(u"Offset"));
}

TEST(Translate, OneAndEightThreadsAgree) {
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(301, 203, bpp, 7);
    for (TPoint o : {TPoint{2.3, -1.7}, TPoint{-5, 9}}) {
      ExpectThreadsAgree("translate", [&](talvix::RunContext& c) {
        c.setFrame(u"Input frame", in);
        c.setPoints(u"Offset", {o});
      });
    }
  }
}

}  // namespace
