// text_angle through the exported interface, on lines of rendered text.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <random>
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
  // Corrected to 1: every pixel is text, so no line is clear at any angle.
  EXPECT_EQ(inst.run().error, u"Text not found");
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

// `count` dust specks of radius 1 to 3 at `value`, spread over the frame.
void Dust(talvix::FrameBuffer& f, int count, uint8_t value, unsigned seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < count; ++i) {
    const double r = 1 + (rng() % 201) / 100.0;
    const int cx = 10 + rng() % (f.width() - 20), cy = 10 + rng() % (f.depth() - 20);
    for (int y = cy - 3; y <= cy + 3; ++y)
      for (int x = cx - 3; x <= cx + 3; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) f.pixel(x, y)[0] = value;
  }
}

// One short line on a plain ground covers well under 2 % of the frame; with
// "Threshold" unconnected its direction is still found, at any thread count,
// also with a few specks of dust beside it.
TEST(TextAngle, SparseLineOnAPlainGround) {
  const int before = omp_get_max_threads();
  for (const double drawn : {-20.0, 15.0}) {
    TextLayout t;
    t.lines = {"Quick brown fox 4071"};
    t.size = 30;
    t.angle = drawn;
    t.x = 170;
    t.y = 250;
    talvix::FrameBuffer f = RenderText(640, 480, t);
    if (drawn > 0) Dust(f, 12, 0, 5);
    for (const int threads : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << drawn << " degrees, " << threads << " threads");
      omp_set_num_threads(threads);
      EXPECT_LE(Gap(Measure(f), drawn), 1.0);
    }
    EXPECT_LE(Gap(Measure(f, {}, false, {std::nan("")}), drawn), 1.0) << "not a number: automatic";
  }
  omp_set_num_threads(before);
}

// A few specks of dust on a plain ground are no text, dark on light or light
// on dark, whatever the region and the thread count.
TEST(TextAngle, DustSpecksAloneAreNotText) {
  const int before = omp_get_max_threads();
  const struct {
    int count;
    bool light;
    std::vector<TRectangularRegion> region;
  } cases[] = {
      {4, false, {}}, {12, true, {}}, {25, false, {}}, {25, true, {}}, {25, false, {{300, 220, 400, 300, 0}}},
  };
  for (const auto& c : cases) {
    talvix::FrameBuffer f = talvix::FrameBuffer::make(640, 480, 8, c.light ? 40 : 215);
    Dust(f, c.count, c.light ? 230 : 20, 11 + c.count);
    for (const int threads : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << c.count << (c.light ? " light" : " dark") << " specks, " << threads
                                      << " threads");
      omp_set_num_threads(threads);
      Instance inst(5);
      inst.ctx.setFrame(u"Input frame", f);
      if (!c.region.empty()) inst.ctx.setRegions(u"Region", c.region);
      inst.ctx.setFlags(u"Negative", {c.light});
      const talvix::RunResult r = inst.run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"Text not found");
    }
  }
  omp_set_num_threads(before);
}

// Nothing to take a direction from: a plain region, or a threshold that
// puts every line through text at every angle.
TEST(TextAngle, NoTextIsNotFound) {
  const talvix::FrameBuffer text = RenderText(520, 460, Paragraph(10));
  const struct {
    const char* what;
    talvix::FrameBuffer frame;
    std::vector<double> threshold;
  } cases[] = {
      {"plain", talvix::FrameBuffer::make(300, 200, 8, 180), {}},
      {"plain, threshold given", talvix::FrameBuffer::make(300, 200, 8, 180), {0.5}},
      {"every pixel darker than the threshold", text, {1.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Instance inst(5);
    inst.ctx.setFrame(u"Input frame", c.frame);
    if (!c.threshold.empty()) inst.ctx.setNumbers(u"Threshold", c.threshold);
    const talvix::RunResult r = inst.run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"Text not found");
  }
}

}  // namespace
