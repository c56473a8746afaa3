// text_angle through the exported interface, on lines of rendered text.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "kelmar_rig.h"
#include "modules/kelmar/ocr/text_angle_choice.h"
#include "text_render.h"

namespace {

using kelmar_test::Instance;
using kelmar_test::RenderText;
using kelmar_test::TextLayout;

TextLayout Paragraph(double angle) {
  TextLayout t;
  t.lines = {"The quick brown fox jumps over", "the lazy dog while five boxing", "wizards jump quickly at dawn",
             "and pack my box with liquor"};
  t.size = 20;
  t.lineStep = 34;
  t.angle = angle;
  t.x = 70;
  t.y = 150;
  return t;
}

double Measure(const talvix::FrameBuffer& f, std::vector<TRectangularRegion> region = {}, bool negative = false,
               std::vector<double> threshold = {}) {
  Instance inst(5);
  inst.ctx.setFrame(u"Input frame", f);
  if (!region.empty()) inst.ctx.setRegions(u"Region", region);
  if (!threshold.empty()) inst.ctx.setNumbers(u"Threshold", threshold);
  inst.ctx.setFlags(u"Negative", {negative});
  const talvix::RunResult r = inst.run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const auto out = inst.ctx.numbers(u"Text direction angle");
  return out.size() == 1 ? out[0] : -1000;
}

double Gap(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return std::min(d, 360 - d);
}

TEST(TextAngle, LinesOfTextAtKnownAngles) {
  const struct {
    double drawn, expected;
  } cases[] = {{-30, 330}, {-10, 350}, {0, 0}, {3, 3}, {10, 10}, {40, 40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drawn);
    const talvix::FrameBuffer f = RenderText(520, 460, Paragraph(c.drawn));
    const double angle = Measure(f, {{260, 230, 300, 150, 0}});
    EXPECT_LE(Gap(angle, c.expected), 1.0) << angle;
    EXPECT_TRUE((angle >= 0 && angle <= 45.5) || (angle >= 315 && angle < 360)) << angle;
  }
}

// Light text on a dark ground with "Negative"; thresholds from the input,
// corrected, or automatic.
TEST(TextAngle, PolarityAndThreshold) {
  talvix::FrameBuffer f = RenderText(520, 460, Paragraph(10));
  talvix::FrameBuffer inverted = f;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) inverted.pixel(x, y)[0] = 255 - f.pixel(x, y)[0];
  const std::vector<TRectangularRegion> region = {{260, 230, 300, 150, 0}};
  EXPECT_LE(Gap(Measure(inverted, region, true), 10), 1.0);
  EXPECT_LE(Gap(Measure(f, region, false, {0.5}), 10), 1.0);

  Instance inst(5);
  inst.ctx.setFrame(u"Input frame", f);
  inst.ctx.setNumbers(u"Threshold", {1.5});
  ASSERT_TRUE(inst.run().ok);
  EXPECT_EQ(inst.ctx.warnings(),
            std::vector<std::u16string>{
                u"Not acceptable value of the parameter Threshold (1.500000). It will be used new value 1.000000."});
}

// The choice over the 91 counts; when no line is clear it walks to 45.5.
TEST(TextAngle, ChoiceRule) {
  const auto choose = [](auto fill) {
    int counts[kelmar::kTrialAngles] = {};
    for (int i = 0; i < kelmar::kTrialAngles; ++i) counts[i] = fill(i - 45);
    return kelmar::ChooseTextAngle(counts);
  };
  EXPECT_EQ(choose([](int) { return 0; }), 45.5);
  EXPECT_EQ(choose([](int a) { return a >= 3 && a <= 5 ? 9 : 2; }), 4);
  EXPECT_EQ(choose([](int a) { return a == -10 ? 9 : 2; }), 350);
  EXPECT_EQ(choose([](int a) { return a == 10 ? 9 : 2; }), 10);
  EXPECT_EQ(choose([](int a) { return a == -45 || a == 45 ? 9 : 2; }), 315) << "the first wins";
}

TEST(TextAngle, ThreadCountsAgree) {
  const talvix::FrameBuffer f = RenderText(520, 460, Paragraph(-10));
  const int before = omp_get_max_threads();
  omp_set_num_threads(1);
  const double one = Measure(f, {{260, 230, 300, 150, 0}});
  omp_set_num_threads(8);
  const double eight = Measure(f, {{260, 230, 300, 150, 0}});
  omp_set_num_threads(before);
  EXPECT_EQ(one, eight);
}

}  // namespace
