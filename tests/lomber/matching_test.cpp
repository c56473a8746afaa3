// color_match_average and color_match_dominant through the exported
// interface: coloured rectangles on grey, the pattern cut from one of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "cpu_time.h"
#include "lomber_rig.h"

#ifdef LOMBER_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using lomber_test::Bgra;
using lomber_test::Colour;
using lomber_test::Step;
using talvix::FrameBuffer;

constexpr Bgra kGrey{128, 128, 128, 255};
constexpr Bgra kRed{30, 30, 200, 255};
constexpr Bgra kBlue{200, 60, 20, 255};

struct Box {
  int x0, y0, x1, y1;  // inclusive
  Bgra c;
};

FrameBuffer Boxes(int w, int d, const std::vector<Box>& boxes) {
  return Colour(w, d, [&](int x, int y) {
    Bgra c = kGrey;
    for (const Box& b : boxes)
      if (x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1) c = b.c;
    return c;
  });
}

FrameBuffer Solid(int w, int d, Bgra c) {
  return Colour(w, d, [c](int, int) { return c; });
}

// minX, minY, maxX, maxY, centroid x, centroid y.
using Found = std::tuple<int, int, int, int, int, int>;

// The regions a match must report: 4-connected components of the pixels
// equal to `c` inside [rx0, rx1] x [ry0, ry1], kept by the size rules.
std::set<Found> Expected(const FrameBuffer& f, Bgra c, int rx0, int ry0, int rx1, int ry1, double pw, double ph,
                         int patternPixels) {
  std::set<Found> out;
#ifdef LOMBER_HAVE_OPENCV
  cv::Mat mask(f.depth(), f.width(), CV_8U, cv::Scalar(0));
  for (int y = ry0; y <= ry1; ++y)
    for (int x = rx0; x <= rx1; ++x) mask.at<uint8_t>(y, x) = std::memcmp(f.pixel(x, y), &c, 4) == 0;
  cv::Mat labels, stats, centroids;
  const int n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 4, CV_32S);
  for (int i = 1; i < n; ++i) {
    const int x0 = stats.at<int>(i, cv::CC_STAT_LEFT), y0 = stats.at<int>(i, cv::CC_STAT_TOP);
    const int w = stats.at<int>(i, cv::CC_STAT_WIDTH), h = stats.at<int>(i, cv::CC_STAT_HEIGHT);
    const int area = stats.at<int>(i, cv::CC_STAT_AREA);
    if (w - 1 < pw * 0.5 || h - 1 < ph * 0.5 || area * 3 < patternPixels) continue;
    long long sx = 0, sy = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x)
        if (labels.at<int>(y, x) == i) sx += x, sy += y;
    out.insert({x0, y0, x0 + w - 1, y0 + h - 1, static_cast<int>(sx / area), static_cast<int>(sy / area)});
  }
#endif
  return out;
}

// The regions a run reported, from its Center output and its drawn boxes.
std::set<Found> Reported(const talvix::RunContext& ctx) {
  std::set<Found> out;
  const std::vector<TPoint> centres = ctx.points(u"Center");
  // Each result draws its box, then the pattern's rectangle at its centroid.
  std::vector<talvix::DrawCall> boxes;
  bool first = true;
  for (const talvix::DrawCall& d : ctx.drawList()) {
    if (d.fn != "DrawRectangle") continue;
    if (first) boxes.push_back(d);
    first = !first;
  }
  EXPECT_EQ(boxes.size(), centres.size());
  for (size_t k = 0; k < std::min(boxes.size(), centres.size()); ++k) {
    const auto& a = boxes[k].args;  // cx, cy, w, h, angle, thickness
    const int w = static_cast<int>(a[2]), h = static_cast<int>(a[3]);
    const int x0 = static_cast<int>(a[0]) - w / 2, y0 = static_cast<int>(a[1]) - h / 2;
    out.insert({x0, y0, x0 + w, y0 + h, static_cast<int>(centres[k].x), static_cast<int>(centres[k].y)});
  }
  return out;
}

const std::vector<Box> kScene = {
    {10, 10, 39, 29, kRed},   // found
    {60, 5, 99, 44, kRed},    // found
    {120, 60, 127, 67, kRed},  // under half the pattern: rejected
    {20, 70, 59, 109, kBlue},  // another colour
    {140, 80, 179, 119, kRed},  // found; an L with the next
    {140, 120, 149, 139, kRed},
};

TEST(ColorMatchAverage, FindsTheComponentsOfThePatternColour) {
  const FrameBuffer in = Boxes(200, 150, kScene);
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    Step step("color_match_average");
    step.ctx.setFrame(u"InputFrame", in);
    step.ctx.setFrame(u"Pattern frame", Solid(20, 20, kRed));
    step.ctx.setNumbers(u"Method", {static_cast<double>(mode)});
    const talvix::RunResult r = step();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
#ifdef LOMBER_HAVE_OPENCV
    // A uniform pattern has no spread: only its exact colour matches (in
    // modes 0 and 1, its exact hue direction; grey and blue are apart).
    const std::set<Found> want = Expected(in, kRed, 0, 0, 199, 149, 20, 20, 400);
    ASSERT_EQ(want.size(), 3u);
    EXPECT_EQ(Reported(step.ctx), want);
    EXPECT_EQ(step.ctx.numbers(u"Count"), std::vector<double>{3.0});
#endif
  }
}

TEST(ColorMatchAverage, RegionLimitsTheSearch) {
  const FrameBuffer in = Boxes(200, 150, kScene);
  Step step("color_match_average");
  step.ctx.setFrame(u"InputFrame", in);
  step.ctx.setFrame(u"Pattern frame", Solid(20, 20, kRed));
  step.ctx.setNumbers(u"Method", {2});
  // x 50..169, y 0..99: the first box lies outside, the L-shaped pair is cut
  // to its upper part.
  step.ctx.setRegions(u"Region", {TRectangularRegion{110.0, 50.0, 120.0, 100.0, 0.0}});
  ASSERT_TRUE(step().ok);
#ifdef LOMBER_HAVE_OPENCV
  const std::set<Found> want = Expected(in, kRed, 50, 0, 169, 99, 20, 20, 400);
  ASSERT_EQ(want.size(), 2u);
  EXPECT_EQ(Reported(step.ctx), want);
#endif
}

TEST(ColorMatchAverage, OverlayHoldsTheGrownPixels) {
  const FrameBuffer in = Boxes(200, 150, kScene);
  Step step("color_match_average");
  step.ctx.setFrame(u"InputFrame", in);
  step.ctx.setFrame(u"Pattern frame", Solid(20, 20, kRed));
  step.ctx.setNumbers(u"Method", {2});
  step.ctx.setFlags(u"Overlay", {true});
  step.ctx.setFlags(u"Show results", {false});
  ASSERT_TRUE(step().ok);
  EXPECT_TRUE(step.ctx.drawList().empty());
  const FrameBuffer& ov = step.ctx.overlay();
  ASSERT_EQ(ov.width(), 200);
  for (const auto& [x, y, red] : std::vector<std::tuple<int, int, bool>>{
           {10, 10, true}, {99, 44, true}, {145, 130, true}, {0, 0, false}, {30, 80, false}, {5, 140, false}}) {
    const uint8_t* p = ov.pixel(x, y);
    if (red) {
      EXPECT_EQ(std::memcmp(p, &kRed, 4), 0) << x << "," << y;
    } else {
      EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0) << x << "," << y;
    }
  }
}

TEST(ColorMatchAverage, FailuresAndTheirTexts) {
  const FrameBuffer in = Boxes(200, 150, kScene);
  struct Case {
    const char* name;
    std::function<void(talvix::RunContext&)> setup;
    std::u16string error;
  };
  const Case cases[] = {
      {"no pattern", [](talvix::RunContext&) {}, u"Error: Pattern frame is undefined"},
      {"grey pattern frame",
       [](talvix::RunContext& c) { c.setFrame(u"Pattern frame", FrameBuffer::make(4, 4, 8)); },
       u"Error: Image format not supported"},
      {"method 3",
       [](talvix::RunContext& c) {
         c.setFrame(u"Pattern frame", Solid(20, 20, kRed));
         c.setNumbers(u"Method", {3});
       },
       u"Error: Incorrect parameter value"},
      {"pattern dimension 0",
       [](talvix::RunContext& c) {
         c.setFrame(u"Pattern frame", Solid(20, 20, kRed));
         c.setNumbers(u"Pattern dimension (pixels)", {0});
       },
       u"Error: Region is out of image or it has bad dimensions"},
      {"pattern taller than four frames",
       [](talvix::RunContext& c) {
         c.setFrame(u"Pattern frame", Solid(20, 20, kRed));
         c.setNumbers(u"Pattern dimension (pixels)", {601});
       },
       u"Error: Region is out of image or it has bad dimensions"},
      {"regions too small",
       [](talvix::RunContext& c) {
         c.setFrame(u"Pattern frame", Solid(20, 20, kRed));
         c.setNumbers(u"Pattern dimension (pixels)", {90});
       },
       u"Color not found"},
      {"absent colour",
       [](talvix::RunContext& c) { c.setFrame(u"Pattern frame", Solid(20, 20, Bgra{0, 255, 0, 255})); },
       u"Color not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Step step("color_match_average");
    step.ctx.setFrame(u"InputFrame", in);
    c.setup(step.ctx);
    const talvix::RunResult r = step();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
}

TEST(ColorMatchAverage, CombOverflowsTheSeedStack) {
  // A spine column with 4,200 teeth to its right: walking the spine pushes one
  // seed per tooth.
  const FrameBuffer in = Colour(8, 8400, [](int x, int y) { return x == 0 || y % 2 == 0 ? kRed : kGrey; });
  Step step("color_match_average");
  step.ctx.setFrame(u"InputFrame", in);
  step.ctx.setFrame(u"Pattern frame", Solid(4, 4, kRed));
  step.ctx.setNumbers(u"Method", {2});
  const talvix::RunResult r = step();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Error: Inspected color region is too complex for analysis. Change parameters for matching");
}

TEST(ColorMatchDominant, FindsRegionsInTheHueWindow) {
  // Two shades of orange and a blue box; the pattern holds both oranges.
  const Bgra orange1{0, 128, 255, 255}, orange2{10, 140, 250, 255};
  const FrameBuffer in = Boxes(200, 150, {{10, 10, 49, 49, orange1}, {100, 20, 139, 69, orange2}, {20, 90, 79, 129, kBlue}});
  const FrameBuffer pattern = Colour(20, 20, [&](int x, int) { return x < 10 ? orange1 : orange2; });
  Step step("color_match_dominant");
  step.ctx.setFrame(u"InputFrame", in);
  step.ctx.setFrame(u"Pattern frame", pattern);
  step.ctx.setNumbers(u"Lightness Tolerance", {0.1});
  step.ctx.setNumbers(u"Saturation Tolerance", {0.1});
  const talvix::RunResult r = step();
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  EXPECT_EQ(step.ctx.numbers(u"Count"), std::vector<double>{2.0});
  std::vector<TPoint> c = step.ctx.points(u"Center");
  ASSERT_EQ(c.size(), 2u);
  std::sort(c.begin(), c.end(), [](const TPoint& a, const TPoint& b) { return a.x < b.x; });
  EXPECT_EQ(c[0].x, 29);
  EXPECT_EQ(c[0].y, 29);
  EXPECT_EQ(c[1].x, 119);
  EXPECT_EQ(c[1].y, 44);
}

}  // namespace

namespace {

// A region far past the frame finishes about as fast as the frame-sized one;
// a frame-wide region of any height finds what the frame-sized one finds.
TEST(ColorMatch, RegionsFarPastTheFrameStayBounded) {
  const FrameBuffer in = Boxes(200, 150, kScene);
  const TRectangularRegion frameSized{100, 75, 200, 150, 0};
  struct Case {
    const char* method;
    TRectangularRegion region;
    bool sameAsFrame;
  };
  const Case cases[] = {
      {"color_match_average", {100, 75, 200, 3e9, 0}, true},
      {"color_match_dominant", {100, 75, 200, 3e9, 0}, true},
      {"color_match_average", {100, 75, 1e12, 1e12, 20}, false},
      {"color_match_dominant", {100, 75, 1e300, 1e300, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    auto run = [&](const TRectangularRegion& r, double* ms) {
      auto step = std::make_unique<Step>(c.method);
      step->ctx.setFrame(u"InputFrame", in);
      step->ctx.setFrame(u"Pattern frame", Solid(20, 20, kRed));
      step->ctx.setRegions(u"Region", {r});
      talvix::RunResult res;
      *ms = 1000 * test_cost::CpuSecondsOf([&] { res = (*step)(); });
      return std::make_pair(res, std::move(step));
    };
    double refMs = 0, ms = 0;
    const auto [ref, refStep] = run(frameSized, &refMs);
    const auto [res, step] = run(c.region, &ms);
    EXPECT_LT(ms, 10 * refMs + 2000);
    ASSERT_TRUE(ref.ok);
    if (c.sameAsFrame) {
      ASSERT_TRUE(res.ok) << talvix::ToUtf8(res.error);
      EXPECT_EQ(step->ctx.numbers(u"Count"), refStep->ctx.numbers(u"Count"));
      EXPECT_EQ(Reported(step->ctx), Reported(refStep->ctx));
    } else if (!res.ok) {
      EXPECT_FALSE(res.error.empty());
    }
  }
}

}  // namespace
