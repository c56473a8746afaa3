// One scan line's measurement on small frames: samplers, extrema, widths.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "barcode_rows.h"
#include "decoder/decoder.h"
#include "gpu/feature.h"

namespace {

using hoskin::CBarcodeDecoder;
using talvix::FrameBuffer;

struct WidthCase {
  const char* name;
  const char* dump;
  double module;
  bool blur;
  int noise;
  bool reversed;
};

void PrintTo(const WidthCase& c, std::ostream* os) { *os << c.name; }

class MeasuredWidths : public testing::TestWithParam<WidthCase> {};

TEST_P(MeasuredWidths, MatchTheSymbolsElementsWithinAFractionOfAModule) {
  const WidthCase& c = GetParam();
  const std::vector<int> runs = barcode_rows::Runs(c.dump);
  FrameBuffer f = barcode_rows::ProfileFrame(barcode_rows::Profile(runs, {c.module, c.blur, c.noise}));
  CBarcodeDecoder d;
  d.SetFrame(f.frame(), nullptr);
  const double last = f.width() - 1;
  d.segmentInUse = c.reversed ? hoskin::Segment{last, 2.5, 0, 2.5} : hoskin::Segment{0, 2.5, last, 2.5};
  ASSERT_TRUE(d.MeasureLine());
  ASSERT_EQ(d.edgeCount, static_cast<int>(runs.size()));
  const std::vector<float> expected = barcode_rows::Widths(runs, c.module, c.reversed);
  // The quiet zones at both ends are cut by the profile's ends.
  for (int k = 1; k + 1 < d.edgeCount; ++k) {
    EXPECT_NEAR(d.widths[k], expected[k], 0.5 * c.module) << "element " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ZintRows, MeasuredWidths,
    testing::Values(WidthCase{"ean13_1_7", barcode_rows::kEan13, 1.7, false, 0, false},
                    WidthCase{"ean13_2_3_blur", barcode_rows::kEan13, 2.3, true, 0, false},
                    WidthCase{"ean13_3_1_noise_reversed", barcode_rows::kEan13, 3.1, true, 8, true},
                    WidthCase{"ean13_4_reversed", barcode_rows::kEan13, 4.0, false, 0, true},
                    WidthCase{"code128_1_7_reversed", barcode_rows::kCode128, 1.7, false, 0, true},
                    WidthCase{"code128_2_6_blur_noise", barcode_rows::kCode128, 2.6, true, 6, false},
                    WidthCase{"code128_4_blur_reversed", barcode_rows::kCode128, 4.0, true, 0, true}),
    [](const testing::TestParamInfo<WidthCase>& i) { return std::string(i.param.name); });

// Profiles set straight into the decoder.
CBarcodeDecoder& WithProfile(CBarcodeDecoder& d, const std::vector<uint8_t>& p) {
  d.profile = p;
  d.AllocEdgeArrays();
  return d;
}

std::vector<uint8_t> Plateaus(const std::vector<int>& levels, int width) {
  std::vector<uint8_t> p;
  for (int v : levels) p.insert(p.end(), width, static_cast<uint8_t>(v));
  return p;
}

TEST(FindExtrema, ThresholdFollowsTheLastSevenExtremaSoWeakerContrastLaterIsFound) {
  // Full contrast first, then 60 grey levels, then 12: the first threshold
  // (21) would miss the last stretch.
  std::vector<int> levels = {255, 0};
  for (int i = 0; i < 8; ++i) levels.push_back(i % 2 ? 100 : 160);
  for (int i = 0; i < 11; ++i) levels.push_back(i % 2 ? 124 : 136);
  CBarcodeDecoder d;
  WithProfile(d, Plateaus(levels, 5)).FindExtrema();
  ASSERT_EQ(d.edgeCount, static_cast<int>(levels.size()));
  for (int k = 0; k < d.edgeCount; ++k) EXPECT_EQ(d.extrema[k], 5 * k + 2) << "plateau middle " << k;
}

TEST(MeasureLine, FlatOrShortProfilesGiveNoLine) {
  const std::vector<uint8_t> flat(200, 128);
  for (const auto& [name, profile] : {std::pair{"flat", flat}, std::pair{"short", std::vector<uint8_t>(23, 0)}}) {
    FrameBuffer f = barcode_rows::ProfileFrame(profile);
    CBarcodeDecoder d;
    d.SetFrame(f.frame(), nullptr);
    d.segmentInUse = {0, 2, static_cast<double>(f.width() - 1), 2};
    EXPECT_FALSE(d.MeasureLine()) << name;
    EXPECT_LT(d.edgeCount, 24) << name;
  }
}

TEST(MeasureWidths, StaysInsideTheExtremaWhenNoneLiesInTheSecondHalf) {
  // Alternating extrema only in the first half, then a long ramp without any.
  std::vector<uint8_t> p = Plateaus({200, 40, 200, 40, 200, 40}, 4);
  for (int i = 0; i < 60; ++i) p.push_back(static_cast<uint8_t>(40 + i / 30));
  CBarcodeDecoder d;
  WithProfile(d, p);
  d.edgeCount = 6;
  for (int k = 0; k < 6; ++k) d.extrema[k] = 4 * k + 1;
  d.MeasureWidths();
  // The last extremum decides: dark (40), so the light ones are negative.
  for (int k = 0; k < 6; ++k) EXPECT_EQ(d.widths[k] < 0, k % 2 == 0) << k;
}

// --- samplers

// Frames whose pixels differ everywhere: grey g(x, y) = 10 y + x + 1 (8-bit),
// colour pixels with B, G, R chosen to give the same kind of spread.
FrameBuffer Numbered(int w, int h, int bpp) {
  FrameBuffer f = FrameBuffer::make(w, h, bpp, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = f.pixel(x, y);
      const uint8_t v = static_cast<uint8_t>(10 * y + x + 1);
      if (bpp == 8) {
        p[0] = v;
      } else {
        p[0] = static_cast<uint8_t>(v + 1), p[1] = v, p[2] = static_cast<uint8_t>(v + 2);
      }
    }
  }
  return f;
}

int GreyOf(const FrameBuffer& f, int x, int y) {
  const uint8_t* p = f.pixel(x, y);
  return f.bpp() == 8 ? p[0] : (150 * p[1] + 77 * p[2] + 29 * p[0]) >> 8;
}

struct SamplerCase {
  int bpp, mode;
  double x, y;
  enum Expect { kPixel, kPlus, kZero } expect;
};

TEST(SampleGrey, ReadsEachDepthWithItsOwnRowsAndFallsBackNearTheEdges) {
  // Width 5 pads 8 and 24-bit rows.
  const SamplerCase cases[] = {
      {8, 0, 3.9, 2.2, SamplerCase::kPixel},   {24, 0, 1, 3, SamplerCase::kPixel},
      {32, 0, 4, 4, SamplerCase::kPixel},      {8, 0, 5, 1, SamplerCase::kZero},
      {24, 0, -1.5, 1, SamplerCase::kZero},    {32, 0, 1, 6, SamplerCase::kZero},
      {8, 1, 2, 1, SamplerCase::kPlus},        {24, 1, 3.5, 3.5, SamplerCase::kPlus},
      {32, 1, 3, 4, SamplerCase::kPlus},       {8, 1, 1, 2, SamplerCase::kPixel},
      {24, 1, 4, 2, SamplerCase::kPixel},      {32, 1, 2, 0, SamplerCase::kPixel},
      {32, 1, 2, 5, SamplerCase::kPixel},      {8, 1, 2, -3, SamplerCase::kZero},
  };
  for (const SamplerCase& c : cases) {
    FrameBuffer f = Numbered(5, 6, c.bpp);
    const uint8_t got = hoskin::SampleGrey(c.mode, nullptr, f.row(0), 5, 6, c.bpp, f.stride(), c.x, c.y);
    const int x = static_cast<int>(c.x), y = static_cast<int>(c.y);
    int want = 0;
    if (c.expect == SamplerCase::kPixel) want = GreyOf(f, x, y);
    if (c.expect == SamplerCase::kPlus) {
      const double halves = GreyOf(f, x - 1, y) / 2.0 + GreyOf(f, x + 1, y) / 2.0 + GreyOf(f, x, y - 1) / 2.0 +
                            GreyOf(f, x, y + 1) / 2.0;
      want = static_cast<int>((GreyOf(f, x, y) + halves) / 3);
    }
    EXPECT_EQ(got, want) << c.bpp << " bpp, mode " << c.mode << " at " << c.x << ", " << c.y;
  }
}

TEST(SampleGrey, PlusMeanHalvesTheNeighboursBeforeSumming) {
  // Odd neighbours: integer halving would lose 2 in the sum of halves.
  FrameBuffer f = FrameBuffer::make(5, 3, 8, 0);
  f.pixel(2, 1)[0] = 100;
  f.pixel(1, 1)[0] = f.pixel(3, 1)[0] = f.pixel(2, 0)[0] = f.pixel(2, 2)[0] = 1;
  EXPECT_EQ(hoskin::SampleGrey(1, nullptr, f.row(0), 5, 3, 8, f.stride(), 2, 1), 34);  // (100 + 2) / 3
}

TEST(SampleGrey, BoxMeanNeedsTwoRowsAndColumnsBehindThePoint) {
  FrameBuffer f = FrameBuffer::make(6, 6, 8, 0);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(y < 3 ? 90 : 180);
  }
  gpu::CFeature integral;
  integral.width = 6;
  integral.height = 6;
  integral.integral = std::make_unique<float[]>(36);
  ASSERT_TRUE(gpu::ComputeIntegralImage(6, 6, 8, f.row(0), f.stride(), integral.integral.get()));
  const auto at = [&](double x, double y) {
    return hoskin::SampleGrey(2, &integral, f.row(0), 6, 6, 8, f.stride(), x, y);
  };
  EXPECT_NEAR(at(2, 3), (90 * 3 + 180 * 6) / 9, 1);  // rows 2..4
  EXPECT_NEAR(at(3, 2), (90 * 6 + 180 * 3) / 9, 1);  // rows 1..3
  EXPECT_EQ(at(2, 1), 90);                           // the pixel: no row below 0 to subtract
  EXPECT_EQ(at(1, 3), 180);
}

TEST(SampleSegment, WalksRowsColumnsOrTheLineFromItsStart) {
  FrameBuffer f = Numbered(12, 12, 8);
  CBarcodeDecoder d;
  d.SetFrame(f.frame(), nullptr);
  struct Case {
    hoskin::Segment s;
    std::vector<std::pair<double, double>> points;  // where the samples come from
    int mode;
  };
  const Case cases[] = {
      {{3.7, 8.2, 3.2, 5.6}, {{3, 8}, {3, 7}, {3, 6}}, 0},          // up a column
      {{2.5, 4.9, 5.9, 4.1}, {{2, 4}, {3, 4}, {4, 4}, {5, 4}}, 0},  // along a row
      {{2, 2, 5, 6}, {{2, 2}, {2.6, 2.8}, {3.2, 3.6}, {3.8, 4.4}, {4.4, 5.2}, {5, 6}}, 1},
      {{20, 2, 30, 3}, {}, 0},  // outside: zeros
  };
  for (const Case& c : cases) {
    d.segmentInUse = c.s;
    d.SampleSegment(1);
    if (c.points.empty()) {
      ASSERT_EQ(d.profile.size(), 11u);
      for (uint8_t v : d.profile) EXPECT_EQ(v, 0);
      continue;
    }
    ASSERT_EQ(d.profile.size(), c.points.size()) << c.s.x0;
    for (size_t k = 0; k < c.points.size(); ++k) {
      const auto [x, y] = c.points[k];
      EXPECT_EQ(d.profile[k], hoskin::SampleGrey(c.mode, nullptr, f.row(0), 12, 12, 8, f.stride(), x, y))
          << c.s.x0 << " sample " << k;
    }
    EXPECT_EQ(d.extrema.size(), d.profile.size());
  }
}

}  // namespace
