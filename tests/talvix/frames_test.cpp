// Frame layout, output frames, the shared overlay and input stamps.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>

#include "talvix/host.hpp"
#include "talvix_fake_context.h"

using talvix::FrameBuffer;
using talvix::RunContext;
using testing_support::kNameHi;
using testing_support::Param;

namespace {

TEST(FrameLayout, StrideAndSizesForEveryDepth) {
  struct Case {
    int bpp;
    int strides[5];  // w = 1..5
  };
  const Case cases[] = {{8, {4, 4, 4, 4, 8}}, {24, {4, 8, 12, 12, 16}}, {32, {4, 8, 12, 16, 20}}};
  for (const Case& c : cases) {
    for (int w = 1; w <= 5; ++w) {
      SCOPED_TRACE(testing::Message() << "bpp " << c.bpp << " w " << w);
      const int d = 3, stride = c.strides[w - 1];
      EXPECT_EQ(talvix::Stride(w, c.bpp), stride);
      EXPECT_EQ(GetFrameSizeParam(w, d, c.bpp), 40 + stride * d);
      std::vector<uint8_t> mem(GetFrameSizeParam(w, d, c.bpp), 0xEE);
      InitFrameDIB(mem.data(), w, d, c.bpp);
      auto* f = reinterpret_cast<Frame*>(mem.data());
      EXPECT_EQ(f->biSize, 40u);
      EXPECT_EQ(f->biPlanes, 1);
      EXPECT_EQ(f->biCompression, 0u);
      EXPECT_EQ(f->biSizeImage, static_cast<uint32_t>(stride * d));
      EXPECT_EQ(GetFrameWidth(f), w);
      EXPECT_EQ(GetFrameDepth(f), d);
      EXPECT_EQ(GetFrameBPP(f), c.bpp);
      EXPECT_EQ(GetFrameSize(f), 40 + stride * d);
      EXPECT_EQ(GetFrameDataSize(f), stride * d);
      EXPECT_EQ(GetFrameDataAddr(f), mem.data() + 40);
      EXPECT_EQ(mem[40], 0xEE) << "pixels untouched";
      FrameBuffer fb = FrameBuffer::make(w, d, c.bpp);
      EXPECT_EQ(fb.bytes().size(), mem.size());
      EXPECT_EQ(fb.stride(), stride);
      EXPECT_EQ(fb.row(1), fb.bytes().data() + 40 + stride);
    }
  }
}

TEST(FrameLayout, NullAndOversizedFrames) {
  EXPECT_EQ(GetFrameWidth(nullptr), 0);
  EXPECT_EQ(GetFrameDepth(nullptr), 0);
  EXPECT_EQ(GetFrameSize(nullptr), 0);
  EXPECT_EQ(GetFrameDataAddr(nullptr), nullptr);
  EXPECT_EQ(GetFrameSizeParam(0, 5, 8), 0);
  EXPECT_EQ(GetFrameSizeParam(100000, 100000, 32), 0) << "does not fit an int";
  // Rows of 2^31 pixels times 2^31 rows overflow even 64-bit arithmetic.
  EXPECT_EQ(GetFrameSizeParam(INT_MAX, INT_MAX, 32), 0);
  BitmapInfoHeader wild{40, INT_MAX, INT_MAX, 1, 32, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(GetFrameSize(&wild), 0);
  EXPECT_EQ(GetFrameDataSize(&wild), 0);
  wild.biHeight = INT_MIN;  // top-down: rows are |biHeight|
  EXPECT_EQ(GetFrameSize(&wild), 0);
}

TEST(FrameBuffers, OpaqueAlphaAtThirtyTwoBits) {
  FrameBuffer opaque = FrameBuffer::make(3, 2, 32, 7);
  FrameBuffer clear = FrameBuffer::make(3, 2, 32, 7, false);
  EXPECT_EQ(opaque.pixel(2, 1)[0], 7);
  EXPECT_EQ(opaque.pixel(2, 1)[3], 255);
  EXPECT_EQ(clear.pixel(2, 1)[3], 7);
  FrameBuffer copy = FrameBuffer::copyOf(opaque.frame());
  EXPECT_EQ(copy.bytes(), opaque.bytes());
}

class OutputFrames : public testing::Test {
 protected:
  RunContext ctx{{Param(ptFrame, u"Input frame")}, {Param(ptFrame, u"Output frame")}};
  void* c = ctx.hostContext();
};

TEST_F(OutputFrames, SameGeometryKeepsContentsOtherGeometryReplaces) {
  Frame* f = nullptr;
  ASSERT_TRUE(GetOutputFrame(c, kNameHi, u"Output frame", &f, 5, 4, 24));
  EXPECT_EQ(GetFrameWidth(f), 5);
  EXPECT_EQ(GetFrameBPP(f), 24);
  const uint8_t* px = GetFrameDataAddr(f);
  for (int i = 0; i < GetFrameDataSize(f); ++i) ASSERT_EQ(px[i], 0);
  GetFrameDataAddr(f)[0] = 42;
  Frame* again = nullptr;
  ASSERT_TRUE(GetOutputFrame(c, kNameHi, u"Output frame", &again, 5, 4, 24));
  EXPECT_EQ(again, f);
  EXPECT_EQ(GetFrameDataAddr(again)[0], 42);
  ASSERT_TRUE(GetOutputFrame(c, kNameHi, u"Output frame", &again, 5, 4, 32));
  EXPECT_EQ(GetFrameBPP(again), 32);
  EXPECT_EQ(GetFrameDataAddr(again)[0], 0);
  EXPECT_EQ(GetFrameDataAddr(f)[0], 42) << "a replaced frame stays readable until the run ends";
  ASSERT_TRUE(GetOutputFrame(c, kNameHi, u"not in the catalogue", &f, 1, 1, 8));
  ASSERT_NE(ctx.frame(u"Output frame"), nullptr);
  EXPECT_EQ(ctx.frame(u"Output frame")->bpp(), 32);
  EXPECT_EQ(ctx.outputFrameNames(), (std::vector<std::u16string>{u"Output frame", u"not in the catalogue"}));
  ctx.beginRun();
  EXPECT_EQ(ctx.frame(u"Output frame"), nullptr) << "a run starts without output frames";
}

TEST_F(OutputFrames, InvalidRequestsFail) {
  struct Case {
    int w, d, bpp;
  };
  const Case cases[] = {{0, 4, 8}, {4, 0, 8}, {-1, 4, 32},        {4, 4, 16},
                        {4, 4, 0}, {4, 4, 1}, {40000, 20000, 32}, {INT_MAX, INT_MAX, 32}};
  for (const Case& k : cases) {
    Frame* f = nullptr;
    EXPECT_FALSE(GetOutputFrame(c, kNameHi, u"Output frame", &f, k.w, k.d, k.bpp)) << k.w << "x" << k.d << "x" << k.bpp;
    EXPECT_EQ(f, nullptr);
  }
}

TEST_F(OutputFrames, FillOptionAndOverlaySharedByTheInspection) {
  ctx.fillNewFrames(0xCD);
  Frame* f = nullptr;
  ASSERT_TRUE(GetOutputFrame(c, kNameHi, u"Output frame", &f, 2, 2, 8));
  EXPECT_EQ(GetFrameDataAddr(f)[0], 0xCD);

  talvix::Inspection inspection;
  RunContext a({}, {}, &inspection), b({}, {}, &inspection);
  Frame* overlay = nullptr;
  ASSERT_TRUE(GetOutputFrame(a.hostContext(), kNameHi, u"overlay", &overlay, 6, 3, 32));
  GetFrameDataAddr(overlay)[5] = 99;
  Frame* seen = nullptr;
  ASSERT_TRUE(GetOutputFrame(b.hostContext(), kNameHi, u"overlay", &seen, 6, 3, 32));
  EXPECT_EQ(seen, overlay);
  EXPECT_EQ(GetFrameDataAddr(seen)[5], 99);
  b.beginRun();
  EXPECT_EQ(inspection.overlay().bytes()[40 + 5], 99) << "the overlay outlives a run";
  EXPECT_EQ(a.overlay().frame(), overlay);
  EXPECT_TRUE(a.outputFrameNames().empty());
}

TEST_F(OutputFrames, InputFramesAndStamps) {
  Frame* f = nullptr;
  int32_t stamp = 0;
  EXPECT_FALSE(GetInputFrame(c, kNameHi, u"Input frame", &f));
  EXPECT_FALSE(GetInputFrameTimestamp(c, kNameHi, u"Input frame", &f, &stamp));
  std::set<int32_t> seen;
  ctx.setFrame(u"Input frame", FrameBuffer::make(4, 4, 8, 1));
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(GetInputFrameTimestamp(c, kNameHi, u"Input frame", &f, &stamp));
    EXPECT_NE(stamp, 0);
    EXPECT_NE(stamp, -1);
    EXPECT_TRUE(seen.insert(stamp).second) << "a new stamp after each change";
    int32_t again = 0;
    Frame* same = nullptr;
    ASSERT_TRUE(GetInputFrameTimestamp(c, kNameHi, u"Input frame", &same, &again));
    EXPECT_EQ(again, stamp) << "stable while unchanged";
    ASSERT_TRUE(GetInputFrame(c, kNameHi, u"Input frame", &same));
    EXPECT_EQ(same, f);
    if (round == 0) ctx.touch(u"Input frame");
    if (round == 1) ctx.setFrame(u"Input frame", FrameBuffer::make(4, 4, 8, 2));
  }
  EXPECT_EQ(GetFrameDataAddr(f)[0], 2);
  EXPECT_FALSE(GetInputFrame(c, kNameHi, u"Output frame", &f)) << "outputs are not input frames";
}

}  // namespace
