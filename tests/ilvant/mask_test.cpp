// paste_mask and masking through the module's exported interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ilvant_run.h"

using ilvant_test::kCanary;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

// Pixel bytes of a frame, row padding excluded.
std::vector<uint8_t> PixelBytes(const FrameBuffer& f) {
  std::vector<uint8_t> v;
  for (int y = 0; y < f.depth(); ++y) v.insert(v.end(), f.row(y), f.row(y) + f.width() * f.bpp() / 8);
  return v;
}

struct MaskPairing {
  int inBpp, maskBpp;
  std::u16string error;  // empty: success
  bool written;          // false: the output stays as the host made it
};

TEST(PasteMask, DepthPairings) {
  const MaskPairing pairings[] = {
      {32, 8, u"", true},
      {8, 8, u"error: Input frame must be 32 bit/pixel", false},
      {8, 32, u"error: Input frame must be 32 bit/pixel", false},
      {32, 24, u"error: Frame with mask is not monochromatic ", false},
      {32, 32, u"error: Frame with mask is not monochromatic ", false},
      {24, 8, u"error: Frame format not supported (24 bit/pix)", false},
      {24, 32, u"error: Frame format not supported (24 bit/pix)", false},
  };
  for (const MaskPairing& p : pairings) {
    for (int w : {1, 5, 6, 37}) {
      SCOPED_TRACE(std::to_string(p.inBpp) + "/" + std::to_string(p.maskBpp) + " width " + std::to_string(w));
      MethodRun run("paste_mask");
      run.ctx.fillNewFrames(kCanary);
      const FrameBuffer in = Pattern(w, 3, p.inBpp, 1);
      const FrameBuffer mask = Pattern(w, 3, p.maskBpp, 2);
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setFrame(u"Mask frame", mask);
      const auto r = run();
      EXPECT_EQ(r.ok, p.error.empty());
      if (!r.ok) {
        EXPECT_EQ(r.error, p.error);
      }
      // The output is requested before the depths are checked.
      const FrameBuffer& out = run.out();
      ASSERT_EQ(out.bpp(), p.inBpp);
      if (!p.written) {
        EXPECT_EQ(PixelBytes(out), std::vector<uint8_t>(PixelBytes(out).size(), kCanary));
        continue;
      }
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < w; ++x) {
          for (int c = 0; c < 3; ++c) ASSERT_EQ(out.pixel(x, y)[c], in.pixel(x, y)[c]);
          ASSERT_EQ(out.pixel(x, y)[3], mask.pixel(x, y)[0]);
        }
      }
    }
  }
}

TEST(Masking, DepthPairingsAndBackground) {
  const MaskPairing pairings[] = {
      {32, 8, u"", true},
      {8, 8, u"", true},
      {32, 24, u"error: Frame with mask is not monochromatic ", false},
      {32, 32, u"error: Frame with mask is not monochromatic ", false},
      {8, 32, u"error: Frame with mask is not monochromatic ", false},
      {8, 24, u"error: Frame with mask is not monochromatic ", false},
      {24, 8, u"error: Frame format not supported (24 bit/pix)", false},
      {24, 24, u"error: Frame format not supported (24 bit/pix)", false},
  };
  const TColor bg{0.2, 0.5, 0.9, 0.7};
  for (const MaskPairing& p : pairings) {
    for (int w : {1, 5, 6, 37}) {
      SCOPED_TRACE(std::to_string(p.inBpp) + "/" + std::to_string(p.maskBpp) + " width " + std::to_string(w));
      MethodRun run("masking");
      run.ctx.fillNewFrames(kCanary);
      const FrameBuffer in = Pattern(w, 4, p.inBpp, 3);
      FrameBuffer mask = Pattern(w, 4, p.maskBpp, 4);
      if (p.maskBpp == 8) {
        mask.pixel(0, 0)[0] = 127;  // the last value that puts the background
        mask.pixel(0, 1)[0] = 128;  // the first that keeps the input
      }
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setFrame(u"Mask frame", mask);
      run.ctx.setColors(u"Background color", {bg});
      const auto r = run();
      EXPECT_EQ(r.ok, p.error.empty());
      if (!r.ok) {
        EXPECT_EQ(r.error, p.error);
      }
      const FrameBuffer& out = run.out();
      ASSERT_EQ(out.bpp(), p.inBpp);
      if (!p.written) {
        EXPECT_EQ(PixelBytes(out), std::vector<uint8_t>(PixelBytes(out).size(), kCanary));
        continue;
      }
      const int back32[4] = {229, 127, 51, 178};  // trunc(B, G, R, A x 255)
      const int grey = static_cast<int>((bg.R + bg.G + bg.B) * 255.0 / 3.0);
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < w; ++x) {
          const bool keep = mask.pixel(x, y)[0] > 127;
          for (int c = 0; c < p.inBpp / 8; ++c) {
            const int want = keep ? in.pixel(x, y)[c] : (p.inBpp == 8 ? grey : back32[c]);
            ASSERT_EQ(out.pixel(x, y)[c], want) << x << "," << y << " ch " << c;
          }
        }
      }
      EXPECT_EQ(out.pixel(0, 1)[0], in.pixel(0, 1)[0]);
    }
  }
}

TEST(Masking, BackgroundWithoutColourOrOutOfRange) {
  struct Case {
    std::vector<TColor> colors;  // empty: not connected
    int bgra[4];
    int grey;
    std::vector<std::u16string> warnings;
  };
  const Case cases[] = {
      // Without a colour the background is transparent black.
      {{}, {0, 0, 0, 0}, 0, {}},
      // Components outside 0..1 are held to it rather than wrapping a byte.
      {{{1.5, -0.2, 2.0, -3.0}}, {255, 0, 255, 0}, 170, {}},
      {{{0.0, 0.0, 1.0, 1.0}, {1, 1, 1, 1}},
       {255, 0, 0, 255},
       85,
       {u"Only the first element of the array would be evaluated in the input data object Background color"}},
  };
  for (const Case& tc : cases) {
    for (int bpp : {8, 32}) {
      MethodRun run("masking");
      const FrameBuffer in = Pattern(3, 2, bpp, 5);
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setFrame(u"Mask frame", FrameBuffer::make(3, 2, 8, 0));
      if (!tc.colors.empty()) run.ctx.setColors(u"Background color", tc.colors);
      ASSERT_TRUE(run().ok);
      for (int c = 0; c < bpp / 8; ++c) EXPECT_EQ(run.out().pixel(2, 1)[c], bpp == 8 ? tc.grey : tc.bgra[c]) << c;
      EXPECT_EQ(run.ctx.warnings(), tc.warnings);
    }
  }
}

TEST(MaskMethods, FailureTexts) {
  struct Case {
    const char* id;
    bool input, mask;
    int maskHeight;
    std::u16string text;
  };
  const Case cases[] = {
      {"paste_mask", false, true, 3, u"error: Cannot get input frame Input frame"},
      {"paste_mask", true, false, 3, u"error: Cannot get input frame Mask frame"},
      {"masking", true, false, 3, u"error: Cannot get input frame Mask frame"},
      {"paste_mask", true, true, 4, u"error: Frames must have the same dimensions"},
      {"masking", true, true, 2, u"error: Frames must have the same dimensions"},
  };
  for (const Case& tc : cases) {
    MethodRun run(tc.id);
    if (tc.input) run.ctx.setFrame(u"Input frame", Pattern(5, 3, 32, 1));
    if (tc.mask) run.ctx.setFrame(u"Mask frame", Pattern(5, tc.maskHeight, 8, 1));
    const auto r = run();
    EXPECT_FALSE(r.ok) << tc.id;
    EXPECT_EQ(r.error, tc.text) << tc.id;
  }
}

}  // namespace
