// The two exported sub-pixel line scans: hand-computed cases, then a
// sample-by-sample comparison with a plain reference of the fixed-point
// formulas on small fixtures.
#include "frame/subpixel_scan.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "talvix.h"
#include "talvix/host.hpp"
#include "test_frames.h"

namespace {

using talvix::FrameBuffer;

struct Sample {
  float x, y;
  unsigned value;
  bool operator==(const Sample&) const = default;
};

void PrintTo(const Sample& s, std::ostream* os) { *os << "(" << s.x << ", " << s.y << ": " << s.value << ")"; }

struct Collector {
  std::vector<Sample> samples;
  size_t stopAfter = SIZE_MAX;  // answer false at this many samples
};

bool Collect(void* user, float x, float y, unsigned value) {
  auto* c = static_cast<Collector*>(user);
  c->samples.push_back({x, y, value});
  return c->samples.size() < c->stopAfter;
}

using ScanFn = void (*)(const Frame*, const TRectangularRegion*, const TLine*, int, void*, int, SubPixelCallback);

std::vector<Sample> ScanAll(ScanFn scan, const FrameBuffer& f, const TRectangularRegion* region, TLine line, int mode,
                            int bits, size_t stopAfter = SIZE_MAX) {
  Collector c;
  c.stopAfter = stopAfter;
  scan(f.frame(), region, &line, mode, &c, bits, Collect);
  return c.samples;
}

using test_frames::Pattern;

void Put32(FrameBuffer& f, int x, int y, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255) {
  uint8_t* p = f.pixel(x, y);
  p[0] = b, p[1] = g, p[2] = r, p[3] = a;
}

// ---- Reference: the fixed-point walk written out from the formulas ----------

// Value of per-channel results (B, G, R, A order; one entry at 8 bpp) in a mode.
unsigned Pack(int mode, const std::array<int64_t, 4>& ch, int bytes) {
  if (bytes == 1) return mode == 0 ? static_cast<unsigned>(ch[0] * 65793) : static_cast<unsigned>(ch[0]);
  switch (mode) {
    case 0:
      return static_cast<unsigned>((ch[0] & 255) | (ch[1] & 255) << 8 | (ch[2] & 255) << 16 | (ch[3] & 255) << 24);
    case 1:
      return static_cast<unsigned>((ch[2] + ch[1] + ch[0]) / 3);
    case 2:
      return static_cast<unsigned>(ch[2]);
    case 3:
      return static_cast<unsigned>(ch[1]);
    default:
      return static_cast<unsigned>(ch[0]);
  }
}

int64_t Kernel(const FrameBuffer& f, int x, int y, int c) {
  int64_t s = 0;
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i) s += (i == 0 && j == 0 ? 12 : -1) * int64_t{f.pixel(x + i, y + j)[c]};
  return s;
}

std::vector<Sample> Reference(const FrameBuffer& f, const TRectangularRegion* region, TLine line, int mode, int p,
                              bool sharpen) {
  std::vector<Sample> out;
  const int bytes = f.bpp() / 8;
  if (bytes == 4 && (mode < 0 || mode > 4)) return out;
  float s = 0, c = 1;
  if (region) {
    const float a = static_cast<float>(region->angle * 0.017453292519943295);
    s = std::sin(a), c = std::cos(a);
  }
  const float dx = static_cast<float>(line.x1 - line.x0), dy = static_cast<float>(line.y1 - line.y0);
  const long n = std::lround(std::sqrt(dx * dx + dy * dy));
  const int64_t scale = int64_t{1} << p;
  const float stepX = static_cast<float>(scale) / static_cast<float>(n) * dx;
  const float stepY = static_cast<float>(scale) / static_cast<float>(n) * dy;
  float fx = static_cast<float>(scale * line.x0), fy = static_cast<float>(scale * line.y0);
  const int W = f.width(), H = f.depth(), margin = sharpen ? 3 : 2;
  for (long i = 0; i < n; ++i, fx += stepX, fy += stepY) {
    const int64_t ix = std::lround(fx), iy = std::lround(fy);
    const int px = static_cast<int>(ix >> p), py = static_cast<int>(iy >> p);
    const int64_t fracX = ix - (int64_t{px} << p), fracY = iy - (int64_t{py} << p);
    const bool onFrame = px >= 0 && px < W && py >= 0 && py < H;
    const bool band = px >= 1 && px <= W - margin && py >= 1 && py <= H - margin;
    const bool in = PixelInRectangularRegion(f.frame(), region, TPoint{double(px), double(py)}, s, c);
    std::array<int64_t, 4> ch{};
    if (in && band) {
      for (int k = 0; k < bytes; ++k) {
        int64_t acc = 0;
        for (int cy = 0; cy <= 1; ++cy)
          for (int cx = 0; cx <= 1; ++cx) {
            const int64_t w = (cx ? fracX : scale - fracX) * (cy ? fracY : scale - fracY);
            acc += w * (sharpen ? Kernel(f, px + cx, py + cy, k) : f.pixel(px + cx, py + cy)[k]);
          }
        ch[k] = sharpen ? (acc < 0 ? 0 : acc >> (2 * p + 2)) : acc >> (2 * p);
      }
      out.push_back({fx / static_cast<float>(scale), fy / static_cast<float>(scale), Pack(mode, ch, bytes)});
    } else if (onFrame && !band) {
      for (int k = 0; k < bytes; ++k) ch[k] = f.pixel(px, py)[k];
      out.push_back({float(px), float(py), Pack(mode, ch, bytes)});
    }
  }
  return out;
}

constexpr ScanFn kPlain = ScanLineSubPixelPrecision;
constexpr ScanFn kSharp = ScanLineSubPixelPrecisionWithSharpening;

// ---- Hand-computed cases ----------------------------------------------------

TEST(SubPixelScan, ShortLineGivesNoSample) {
  const FrameBuffer f = Pattern(16, 16, 8, 1);
  for (ScanFn scan : {kPlain, kSharp}) EXPECT_TRUE(ScanAll(scan, f, nullptr, {5, 5, 5.4, 5}, 1, 8).empty());
}

TEST(SubPixelScan, HalfPixelStepsAverageNeighboursRoundedDown) {
  FrameBuffer f = FrameBuffer::make(32, 32, 8);
  for (int x = 0; x < 32; ++x) f.pixel(x, 20)[0] = static_cast<uint8_t>(7 * x + (x % 2));
  const auto got = ScanAll(kPlain, f, nullptr, {10.5, 20, 20.5, 20}, 1, 8);
  ASSERT_EQ(got.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const int x = 10 + i;
    const unsigned mean = (f.pixel(x, 20)[0] + f.pixel(x + 1, 20)[0]) / 2u;
    EXPECT_EQ(got[i], (Sample{x + 0.5f, 20.0f, mean})) << i;
  }
}

TEST(SubPixelScan, SampleOnPixelGivesThatPixel) {
  const FrameBuffer f = Pattern(16, 16, 8, 2);
  const auto got = ScanAll(kPlain, f, nullptr, {3, 7, 8, 7}, 1, 4);
  ASSERT_EQ(got.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], (Sample{3.0f + i, 7.0f, f.pixel(3 + i, 7)[0]}));
}

TEST(SubPixelScan, FalseFromCallbackStopsAtOnce) {
  const FrameBuffer f = Pattern(16, 16, 32, 3);
  for (ScanFn scan : {kPlain, kSharp}) {
    EXPECT_EQ(ScanAll(scan, f, nullptr, {2, 2, 12, 12}, 1, 8, 1).size(), 1u);
    EXPECT_EQ(ScanAll(scan, f, nullptr, {2, 2, 12, 12}, 1, 8, 3).size(), 3u);
  }
}

TEST(SubPixelScan, ModeZeroAndUnknownModes) {
  const FrameBuffer grey = FrameBuffer::make(8, 8, 8, 40);
  const FrameBuffer colour = FrameBuffer::make(8, 8, 32, 40);
  for (ScanFn scan : {kPlain, kSharp}) {
    // Interior and border samples alike.
    for (const Sample& s : ScanAll(scan, grey, nullptr, {0, 3.25, 7.5, 3.25}, 0, 8)) EXPECT_EQ(s.value, 40u * 65793u);
    for (const Sample& s : ScanAll(scan, grey, nullptr, {0, 3.25, 7.5, 3.25}, 5, 8)) EXPECT_EQ(s.value, 40u);
    EXPECT_EQ(ScanAll(scan, grey, nullptr, {0, 3.25, 7.5, 3.25}, 0, 8).size(), 8u);
    EXPECT_TRUE(ScanAll(scan, colour, nullptr, {0, 3.25, 7.5, 3.25}, 5, 8).empty());
    EXPECT_TRUE(ScanAll(scan, colour, nullptr, {0, 3.25, 7.5, 3.25}, -1, 8).empty());
  }
}

TEST(SubPixelScan, FlatAreaKeepsItsGreyInEveryMode) {
  FrameBuffer f = FrameBuffer::make(12, 12, 32);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) Put32(f, x, y, 10, 20, 31, 200);
  const unsigned expected[] = {200u << 24 | 31u << 16 | 20u << 8 | 10u, 20, 31, 20, 10};
  for (ScanFn scan : {kPlain, kSharp})
    for (int mode = 0; mode <= 4; ++mode) {
      const auto got = ScanAll(scan, f, nullptr, {1.3, 2.7, 10.1, 9.9}, mode, 6);
      ASSERT_FALSE(got.empty());
      for (const Sample& s : got) EXPECT_EQ(s.value, expected[mode]) << "mode " << mode;
    }
}

TEST(SubPixelScan, BorderSamplesAreRawAtIntegerPositionsAndBypassTheRegion) {
  FrameBuffer f = Pattern(10, 10, 32, 4);
  Put32(f, 0, 5, 10, 20, 30, 77);
  // The region holds columns 3..6 only; the first sample lies on column 0.
  const TRectangularRegion region{5, 5, 4, 10, 0};
  const unsigned expected[] = {77u << 24 | 30u << 16 | 20u << 8 | 10u, 20, 30, 20, 10};
  for (ScanFn scan : {kPlain, kSharp})
    for (int mode = 0; mode <= 4; ++mode) {
      const auto got = ScanAll(scan, f, &region, {0.25, 5.25, 9.25, 5.25}, mode, 8);
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got.front(), (Sample{0.0f, 5.0f, expected[mode]})) << "mode " << mode;
    }
}

TEST(SubPixelScan, RegionCutsTheLineInTheInterior) {
  const FrameBuffer f = Pattern(16, 12, 8, 5);
  const TRectangularRegion region{8, 6, 6, 20, 0};  // columns 5..10
  for (ScanFn scan : {kPlain, kSharp}) {
    const int lastInner = scan == kPlain ? 14 : 13;
    std::vector<float> xs;
    for (const Sample& s : ScanAll(scan, f, &region, {-3.5, 4.5, 19.5, 4.5}, 1, 8)) xs.push_back(s.x);
    // Outside the frame: skipped; interior outside the region: skipped;
    // the border band: raw at integer positions.
    std::vector<float> expected{0.0f};
    for (int x = 5; x <= 10; ++x) expected.push_back(x + 0.5f);
    for (int x = lastInner + 1; x <= 15; ++x) expected.push_back(float(x));
    EXPECT_EQ(xs, expected);
  }
}

TEST(SubPixelScan, SharpenedValuesAreFlooredAtZeroAndNotCappedAt255) {
  FrameBuffer f = FrameBuffer::make(9, 9, 8, 0);
  f.pixel(4, 4)[0] = 255;  // a bright dot on black
  // On the dot: 12 * 255 = 3060, / 4 = 765. Next to it: -255, floored at 0.
  EXPECT_EQ(ScanAll(kSharp, f, nullptr, {4, 4, 5, 4}, 1, 8).at(0).value, 765u);
  EXPECT_EQ(ScanAll(kSharp, f, nullptr, {3, 3, 4, 3}, 1, 8).at(0).value, 0u);
  // Mode 0 on 8 bits multiplies the unclamped value.
  EXPECT_EQ(ScanAll(kSharp, f, nullptr, {4, 4, 5, 4}, 0, 8).at(0).value, 765u * 65793u);
  // A 32-bit channel contributes its low 8 bits to the packed value (G: 12 * 1 / 4).
  FrameBuffer c = FrameBuffer::make(9, 9, 32, 0);
  Put32(c, 4, 4, 255, 1, 0, 0);
  EXPECT_EQ(ScanAll(kSharp, c, nullptr, {4, 4, 5, 4}, 0, 8).at(0).value, (765u & 255) | 3u << 8);
  EXPECT_EQ(ScanAll(kSharp, c, nullptr, {4, 4, 5, 4}, 4, 8).at(0).value, 765u);
}

TEST(SubPixelScan, FramesOfOtherDepthsAreNotScanned) {
  const FrameBuffer f = FrameBuffer::make(8, 8, 24, 90);
  for (ScanFn scan : {kPlain, kSharp}) EXPECT_TRUE(ScanAll(scan, f, nullptr, {0, 0, 7, 7}, 1, 8).empty());
}

// ---- Against the reference --------------------------------------------------

struct Fixture {
  int w, h, bpp;
};

const TLine kLines[] = {
    {1.5, 3.25, 11.75, 3.25},  // horizontal
    {4.125, 0, 4.125, 9},      // vertical from the bottom border
    {0, 0, 12, 8},             // diagonal from a corner
    {11.9, 7.6, 0.3, 1.1},     // reversed, shallow
    {-4, -2.5, 17, 12.5},      // enters and leaves the frame
    {12.7, -3, 0.2, 11.4},     // steep, crossing every band
    {6.49, 4.51, 6.51, 4.49},  // shorter than half a pixel
};

TEST(SubPixelScan, MatchesReferenceBitForBit) {
  const Fixture fixtures[] = {{13, 9, 8}, {11, 8, 32}, {3, 3, 8}, {4, 5, 32}, {5, 2, 8}};
  const TRectangularRegion cut{6, 4, 5, 30, 0};
  const TRectangularRegion turned{6, 4, 8, 3, 30};
  const TRectangularRegion* regions[] = {nullptr, &cut, &turned};
  int compared = 0;
  for (const Fixture& fx : fixtures) {
    const FrameBuffer f = Pattern(fx.w, fx.h, fx.bpp, fx.w * 31 + fx.bpp);
    for (const TRectangularRegion* region : regions)
      for (const TLine& line : kLines)
        for (int bits : {0, 1, 4, 8, 12})
          for (int mode = 0; mode <= 5; ++mode)
            for (bool sharpen : {false, true}) {
              SCOPED_TRACE(testing::Message() << fx.w << "x" << fx.h << "x" << fx.bpp << " region "
                                              << (region ? region->angle : -1) << " line " << line.x0 << "," << line.y0
                                              << " bits " << bits << " mode " << mode << " sharpen " << sharpen);
              const auto want = Reference(f, region, line, mode, bits, sharpen);
              ASSERT_EQ(ScanAll(sharpen ? kSharp : kPlain, f, region, line, mode, bits), want);
              compared += static_cast<int>(want.size());
            }
  }
  EXPECT_GT(compared, 1000);
}

// The weighted sums exceed 32 bits from 10 (sharpened) and 13 (plain) fraction bits.
TEST(SubPixelScan, ManyFractionBitsDoNotOverflow) {
  const FrameBuffer flat = FrameBuffer::make(12, 12, 8, 250);
  const FrameBuffer busy = Pattern(12, 12, 32, 6);
  const TLine line{1.37, 2.71, 10.13, 9.29};
  for (int bits : {10, 13, 15, 20, 24}) {
    SCOPED_TRACE(bits);
    for (ScanFn scan : {kPlain, kSharp}) {
      const auto got = ScanAll(scan, flat, nullptr, line, 1, bits);
      ASSERT_EQ(got.size(), 11u);
      for (const Sample& s : got) EXPECT_EQ(s.value, 250u);
    }
    for (int mode = 0; mode <= 4; ++mode) {
      EXPECT_EQ(ScanAll(kPlain, busy, nullptr, line, mode, bits), Reference(busy, nullptr, line, mode, bits, false));
      EXPECT_EQ(ScanAll(kSharp, busy, nullptr, line, mode, bits), Reference(busy, nullptr, line, mode, bits, true));
    }
  }
}

TEST(SubPixelScan, UnsupportedFractionBitsScanNothing) {
  const FrameBuffer f = Pattern(12, 12, 8, 7);
  for (ScanFn scan : {kPlain, kSharp})
    for (int bits : {-1, kMaxSubPixelPrecisionBits + 1, 40})
      EXPECT_TRUE(ScanAll(scan, f, nullptr, {1, 1, 10, 10}, 1, bits).empty()) << bits;
}

// Modules carry the frame whole, so the scans are visible in each of them.
TEST(SubPixelScan, ExportedByModules) {
  std::string error;
  auto module = talvix::Module::open("ilvant", &error);
  ASSERT_TRUE(module) << error;
  const FrameBuffer f = Pattern(12, 10, 32, 8);
  const TLine line{0.5, 1.5, 11, 8.25};
  for (auto [name, local] :
       {std::pair{"ScanLineSubPixelPrecision", kPlain}, std::pair{"ScanLineSubPixelPrecisionWithSharpening", kSharp}}) {
    const auto exported = reinterpret_cast<ScanFn>(dlsym(module->handle(), name));
    ASSERT_NE(exported, nullptr) << name;
    EXPECT_EQ(ScanAll(exported, f, nullptr, line, 1, 8), ScanAll(local, f, nullptr, line, 1, 8)) << name;
  }
}

}  // namespace
