// Element widths to module counts, doubt marks and the bounded corrections.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/decoder.h"

namespace {

using hoskin::CBarcodeDecoder;
using hoskin::SymbolRecord;

CBarcodeDecoder& WithWidths(CBarcodeDecoder& d, const std::vector<float>& w, bool forward = true) {
  d.widths = w;
  d.edgeCount = static_cast<int>(w.size());
  d.forward = forward ? 1 : 0;
  return d;
}

TEST(QuantiseSymbol, CutOffsGiveCountAndDoubt) {
  struct Case {
    float relative;
    int modules;
    uint8_t doubt;
  };
  const Case cases[] = {
      {1.9f, 2, hoskin::kSure},      {1.6f, 2, hoskin::kMayBeLess}, {1.3f, 1, hoskin::kMayBeMore},
      {0.4f, 0, hoskin::kMayBeMore}, {0.6f, 1, hoskin::kSure},      {2.1f, 2, hoskin::kSure},
      {3.5f, 4, hoskin::kMayBeLess}, {1.15f, 1, hoskin::kSure},
  };
  for (const Case& c : cases) {
    // A partner element makes the module exactly 1.
    const int m = static_cast<int>(std::ceil(c.relative)) + 3;
    CBarcodeDecoder d;
    SymbolRecord r;
    ASSERT_TRUE(WithWidths(d, {c.relative, -(m - c.relative)}).QuantiseSymbol(0, 2, m, &r));
    EXPECT_EQ(r.modules[0], c.modules) << c.relative;
    EXPECT_EQ(r.doubt[0], c.doubt) << c.relative;
  }
}

TEST(QuantiseSymbol, DoubtOrderIsNearestToHalfFirstTiesToTheEarlierElement) {
  // Fractions .625, .375 (both .125 from a half), .25, then sure ones; read
  // backwards the same widths give the mirrored element order.
  const std::vector<float> w = {1.625f, -1.375f, 2.25f, -0.75f, 1.0f};
  for (bool forward : {true, false}) {
    CBarcodeDecoder d;
    SymbolRecord r;
    ASSERT_TRUE(WithWidths(d, w, forward).QuantiseSymbol(forward ? 0 : 4, 5, 7, &r));
    ASSERT_EQ(r.lastOrdered, 2);
    const std::vector<int> want = forward ? std::vector<int>{0, 1, 2} : std::vector<int>{3, 4, 2};
    for (int k = 0; k < 3; ++k) EXPECT_EQ(r.order[k], want[k]) << forward << " rank " << k;
    EXPECT_EQ(r.measured[0], forward ? 2 : 1);
  }
}

TEST(QuantiseSymbol, GroupsReachingPastTheWidthsFail) {
  CBarcodeDecoder d;
  SymbolRecord r;
  WithWidths(d, {1, -1, 1, -1});
  EXPECT_FALSE(d.QuantiseSymbol(2, 3, 3, &r));
  EXPECT_FALSE(d.QuantiseSymbol(-1, 3, 3, &r));
  d.forward = 0;
  EXPECT_FALSE(d.QuantiseSymbol(1, 3, 3, &r));
  EXPECT_TRUE(d.QuantiseSymbol(2, 3, 3, &r));
}

TEST(GuardBars, AcceptedAfterCorrectionsRefusedOutsideHalfToOneAndAHalf) {
  struct Case {
    std::vector<float> widths;
    bool accepted;
  };
  const Case cases[] = {
      {{1.0f, -1.0f, 1.0f}, true},
      {{1.2f, -0.8f, 1.0f}, true},   // 0.8 counts 1, sure
      {{1.5f, -0.75f, 0.75f}, true},  // 2 may be 1: corrected
      {{1.4f, -1.4f, 0.2f}, false},  // sums up only with a relative width of 0.2
      {{1.55f, -0.7f, 0.75f}, false},
      {{2.0f, -0.5f, 0.5f}, false},
  };
  for (const Case& c : cases) {
    CBarcodeDecoder d;
    SymbolRecord r;
    WithWidths(d, c.widths);
    const bool ok = d.MeasureSymbol(-1, 0, 3, 3, &r) && d.CheckGuardBars(0, 3, &r);
    EXPECT_EQ(ok, c.accepted) << c.widths[0] << " " << c.widths[1] << " " << c.widths[2];
  }
}

TEST(ResolveDoubts, TriesCorrectionsInDoubtOrderUntilTheTableAccepts) {
  // Measured 2 1 2 1 of 7 modules with the first and last element each maybe
  // one more. Correcting the first gives 3 1 2 1, an even-parity digit: EAN-13
  // takes it at position 0, EAN-8 goes on to 2 1 2 2 (digit 2).
  struct Case {
    int type;
    int value;
    uint8_t modules[4];
  };
  const Case cases[] = {{hoskin::kEan8, 2, {2, 1, 2, 2}}, {hoskin::kEan13, 18, {3, 1, 2, 1}}};
  for (const Case& c : cases) {
    CBarcodeDecoder d;
    SymbolRecord r;
    WithWidths(d, {-2.45f, 1.0f, -2.1f, 1.45f});
    ASSERT_TRUE(d.QuantiseSymbol(0, 4, 7, &r));
    ASSERT_TRUE(d.ResolveDoubts(c.type, 0, 4, 0, 7, &r)) << c.type;
    EXPECT_EQ(r.value, c.value);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(r.modules[j], c.modules[j]) << c.type << " element " << j;
  }
}

TEST(SumWidths, AddsMagnitudesInsideTheArrayOnly) {
  const float w[] = {1.5f, -2.0f, 3.0f, -0.5f};
  EXPECT_FLOAT_EQ(CBarcodeDecoder::SumWidths(4, w, 1, 2), 5.0f);
  EXPECT_FLOAT_EQ(CBarcodeDecoder::SumWidths(4, w, 2, 5), 3.5f);
  EXPECT_FLOAT_EQ(CBarcodeDecoder::SumWidths(4, w, -1, 2), 1.5f);
}

}  // namespace
