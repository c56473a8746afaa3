// The bar/space classification of one scan line and the sub-sample element
// widths, on hand-made profiles.
#include "bar_runs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using dunsel::ElementWalker;
using dunsel::ExtractBarRuns;
using dunsel::SampleSlot;

SampleSlot Profile(const std::vector<int>& values) {
  SampleSlot s;
  s.Resize(static_cast<int>(values.size()) + 4);
  for (size_t i = 0; i < values.size(); ++i) s.sampleValues[i] = values[i];
  s.count = static_cast<int>(values.size());
  return s;
}

// 'B' for a bar sample, '.' for a space sample.
std::string Classes(const SampleSlot& s) {
  std::string out;
  for (int i = 0; i < s.count; ++i) out += s.barSpace[i] == 0 ? 'B' : '.';
  return out;
}

TEST(BarRuns, ClassifiesProfiles) {
  struct Case {
    const char* what;
    std::vector<int> values;
    bool whiteBars;
    std::string first, refined;  // after the first pass and after refinement
  };
  const Case cases[] = {
      {"clean square wave",
       {200, 200, 200, 40, 40, 40, 200, 200, 200, 40, 40, 40, 200, 200, 200},
       false,
       "...BBB...BBB...",
       "...BBB...BBB..."},
      // After the last extremum a flat tail sits on its threshold and is a
      // space in either polarity.
      {"white bars",
       {200, 200, 200, 40, 40, 40, 200, 200, 200, 40, 40, 40, 200, 200, 200},
       true,
       "BBB...BBB...B..",
       "BBB...BBB...B.."},
      // A shallow dip between two spaces pairs in the first pass only: the
      // refinement asks a dark extremum to lie near the darkest value.
      {"shallow dip",
       {200, 200, 40, 40, 200, 200, 160, 160, 200, 200, 40, 40, 200, 200},
       false,
       "..BB..BB..BB..",
       "..BB......BB.."},
      // Values equal to the threshold take the class opposite to the
      // sample before them.
      {"plateau at the threshold", {200, 200, 120, 40, 40, 120, 120, 200, 200, 200}, false, "..BBB.B...", "..BBB.B..."},
      {"three samples", {200, 40, 200}, false, "BB.", "BB."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleSlot s = Profile(c.values);
    ExtractBarRuns(s, s.count, c.whiteBars, false);
    EXPECT_EQ(Classes(s), c.first);
    ExtractBarRuns(s, s.count, c.whiteBars, true);
    EXPECT_EQ(Classes(s), c.refined);
  }
}

TEST(BarRuns, ThresholdsLieHalfwayBetweenPairedExtrema) {
  SampleSlot s = Profile({200, 200, 40, 40, 200, 200, 160, 160, 200, 200, 40, 40, 200, 200});
  ExtractBarRuns(s, s.count, false, false);
  // (40, 200) gives 120; the shallow pair (160, 200) gives 180.
  const std::vector<int> expected = {120, 120, 120, 120, 120, 180, 180, 180, 180, 120, 120, 120, 120, 120};
  EXPECT_EQ(std::vector<int>(s.sampleThreshold.begin(), s.sampleThreshold.begin() + s.count), expected);
}

TEST(BarRuns, ElementWidthsCrossTheThresholdBetweenSamples) {
  struct Case {
    const char* what;
    std::vector<int> values;
    int start;
    std::vector<float> widths;
  };
  const Case cases[] = {
      // The crossing between 200 and 40 at 120 lies halfway.
      {"square wave", {200, 200, 200, 40, 40, 40, 200, 200, 200, 40, 40, 40, 200, 200, 200}, 3, {3.0f, 3.0f, 3.0f}},
      // A class change between two equal samples crosses halfway instead
      // of dividing by their zero difference.
      {"plateau at the threshold", {200, 200, 120, 40, 40, 120, 120, 200, 200, 200}, 2, {3.0f, 0.5f, 0.5f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleSlot s = Profile(c.values);
    ExtractBarRuns(s, s.count, false, false);
    ElementWalker walk(s, s.count, c.start, +1);
    std::vector<float> widths;
    float w;
    while (walk.Next(&w)) widths.push_back(w);
    ASSERT_EQ(widths.size(), c.widths.size());
    for (size_t i = 0; i < widths.size(); ++i) {
      EXPECT_TRUE(std::isfinite(widths[i]));
      EXPECT_NEAR(widths[i], c.widths[i], 1e-6) << "element " << i;
    }
  }
}

}  // namespace
