// Absurd regions and numbers through the exported interface: a region far
// past the frame, or turned by billions of degrees, runs about as fast as one
// of the frame's size and gives the answer of the region's part in the frame;
// numbers that are not numbers take their defaults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "cpu_time.h"
#include "kelmar_rig.h"
#include "pattern_scene.h"
#include "text_render.h"

namespace {

using kelmar_test::Instance;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// What a run answered: a text, and numbers compared within a pixel (the
// threaded pattern search may settle a pixel apart from run to run).
struct Answer {
  std::string text;
  std::vector<double> values;
};

void ExpectSame(const Answer& a, const Answer& b) {
  EXPECT_EQ(a.text, b.text);
  ASSERT_EQ(a.values.size(), b.values.size());
  for (size_t i = 0; i < a.values.size(); ++i) EXPECT_NEAR(a.values[i], b.values[i], 1.0) << i;
}

// One method on one picture.
struct Method {
  const char* name;
  int index;
  std::function<void(talvix::RunContext&)> prepare;
  std::function<Answer(const talvix::RunContext&)> answer;
};

struct Outcome {
  bool ok;
  std::string error;
  Answer answer;
  double seconds;  // process CPU time of the run
};

Outcome RunWith(const Method& m, const TRectangularRegion& region,
                const std::function<void(talvix::RunContext&)>& extra = {}) {
  Instance inst(m.index);
  m.prepare(inst.ctx);
  inst.ctx.setRegions(u"Region", {region});
  if (extra) extra(inst.ctx);
  talvix::RunResult r;
  const double seconds = test_cost::CpuSecondsOf([&] { r = inst.run(); });
  return {r.ok, talvix::ToUtf8(r.error), r.ok ? m.answer(inst.ctx) : Answer{}, seconds};
}

const talvix::FrameBuffer& TextPicture() {
  static const talvix::FrameBuffer f = [] {
    kelmar_test::TextLayout t;
    t.lines = {"The quick brown fox jumps over", "the lazy dog while five boxing", "wizards jump quickly"};
    t.size = 20;
    t.lineStep = 34;
    t.angle = 8;
    t.x = 30;
    t.y = 60;
    return kelmar_test::RenderText(400, 200, t);
  }();
  return f;
}

kelmar_test::TextLayout Mono(std::vector<std::string> lines) {
  kelmar_test::TextLayout t;
  t.lines = std::move(lines);
  t.size = 28;
  t.lineStep = 28 * 1.8;
  t.x = 12;
  t.y = 28 * 1.4;
  t.family = "DejaVu Sans Mono";
  return t;
}

const talvix::FrameBuffer& Digits() {
  static const talvix::FrameBuffer f = kelmar_test::RenderText(420, 70, Mono({"0123456789"}));
  return f;
}

// Tight around the text, so that the automatic threshold sees ink.
const talvix::FrameBuffer& DigitLine() {
  static const talvix::FrameBuffer f = kelmar_test::RenderText(120, 70, Mono({"31415"}));
  return f;
}

// A short line for the Latin reader, capitals about 24 px high.
const talvix::FrameBuffer& LatinLine() {
  static const talvix::FrameBuffer f = [] {
    kelmar_test::TextLayout t;
    t.lines = {"Read 2047"};
    t.size = 34;
    t.x = 12;
    t.y = 46;
    return kelmar_test::RenderText(220, 70, t);
  }();
  return f;
}

struct PatternScene {
  talvix::FrameBuffer pattern, frame;
};

const PatternScene& Scene(int bpp) {
  static const auto make = [](int bpp) {
    std::vector<std::vector<float>> pc, bc;
    for (int c = 0; c < (bpp == 8 ? 1 : 3); ++c) {
      pc.push_back(kelmar_test::Texture(48, 48, 6, 11 + c));
      bc.push_back(kelmar_test::Texture(400, 300, 9, 101 + c));
    }
    PatternScene s{kelmar_test::FromTextures(48, 48, bpp, pc), kelmar_test::FromTextures(400, 300, bpp, bc)};
    kelmar_test::Paste(s.frame, s.pattern, 220, 140, 0);
    return s;
  };
  static const PatternScene grey = make(8), colour = make(32);
  return bpp == 8 ? grey : colour;
}

std::vector<Method> Methods() {
  const auto ocr = [](int index, const char* name) {
    return Method{name, index,
                  [](talvix::RunContext& c) {
                    c.setFrame(u"Input frame", DigitLine());
                    c.setFrame(u"Pattern frame", Digits());
                    c.setStrings(u"Table of characters", {u"0123456789"});
                  },
                  [](const talvix::RunContext& c) {
                    const auto s = c.strings(u"Output string");
                    return Answer{s.empty() ? std::string("-") : talvix::ToUtf8(s[0]), {}};
                  }};
  };
  const auto pattern = [](int index, const char* name, int bpp) {
    return Method{name, index,
                  [bpp](talvix::RunContext& c) {
                    c.setFrame(u"Input frame", Scene(bpp).frame);
                    c.setFrame(u"Pattern frame", Scene(bpp).pattern);
                  },
                  [](const talvix::RunContext& c) {
                    Answer a;
                    for (const TRectangle& r : c.rectangles(u"Output rectangle"))
                      a.values.insert(a.values.end(), {r.cx, r.cy, r.angle});
                    return a;
                  }};
  };
  return {
      {"latin_optical_character_recognition", 2, [](talvix::RunContext& c) { c.setFrame(u"Input frame", LatinLine()); },
       [](const talvix::RunContext& c) {
         const auto s = c.strings(u"Output string");
         return Answer{s.empty() ? std::string("-") : talvix::ToUtf8(s[0]), {}};
       }},
      {"text_angle", 5, [](talvix::RunContext& c) { c.setFrame(u"Input frame", TextPicture()); },
       [](const talvix::RunContext& c) { return Answer{"", c.numbers(u"Text direction angle")}; }},
      ocr(3, "optical_character_recognition"),
      ocr(4, "simple_optical_character_recognition"),
      pattern(0, "pattern_match_monochrome", 8),
      pattern(1, "pattern_match_color", 32),
  };
}

TEST(HugeRegions, AnswerAsTheirPartInTheFrameInBoundedTime) {
  for (const Method& m : Methods()) {
    Instance probe(m.index);
    m.prepare(probe.ctx);
    const talvix::FrameBuffer* frame = probe.ctx.inputFrame(u"Input frame");
    ASSERT_NE(frame, nullptr);
    const double w = frame->width(), d = frame->depth(), cx = w / 2, cy = d / 2;
    // Each absurd region against a sound one that holds the same pixels.
    const struct {
      TRectangularRegion huge, sound;
    } cases[] = {
        {{cx, cy, 3e9, 3e9, 0}, {cx, cy, w + 2, d + 2, 0}},
        {{cx, cy, 1e12, 1e12, 0}, {cx, cy, w + 2, d + 2, 0}},
        {{cx, cy, 1e12, d + 2, 0}, {cx, cy, w + 2, d + 2, 0}},
        {{cx, cy, kInf, 1e300, 0}, {cx, cy, w + 2, d + 2, 0}},
        // Billions of whole turns and a few degrees: the text stays readable.
        {{cx, cy, w, d, 360.0 * 8333333 + 2}, {cx, cy, w, d, 2}},
        {{cx, cy, w, d, -360.0 * 2777777777777 - 3}, {cx, cy, w, d, -3}},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << m.name << ": " << c.huge.width << " x " << c.huge.height << " at "
                                      << c.huge.angle);
      const Outcome sound = RunWith(m, c.sound), huge = RunWith(m, c.huge);
      ASSERT_TRUE(sound.ok) << sound.error;
      EXPECT_EQ(huge.ok, sound.ok) << huge.error;
      ExpectSame(huge.answer, sound.answer);
      EXPECT_LT(huge.seconds, 10 * sound.seconds + 2.0);
    }
  }
}

TEST(HugeRegions, RegionsWithoutANumberFindNothingPromptly) {
  for (const Method& m : Methods()) {
    if (m.index == 5) continue;  // text_angle answers some angle for any region
    for (const TRectangularRegion& r : {TRectangularRegion{kNaN, 10, 50, 50, 0}, TRectangularRegion{10, 10, kNaN, 50, 0},
                                        TRectangularRegion{10, 10, 50, 50, kInf}, TRectangularRegion{1e12, 1e12, 50, 50, 0}}) {
      SCOPED_TRACE(testing::Message() << m.name << ": " << r.cx << ", " << r.cy << ", " << r.width << " at "
                                      << r.angle);
      const Outcome o = RunWith(m, r);
      EXPECT_LT(o.seconds, 30.0);
      // Nothing read or found.
      EXPECT_TRUE(!o.ok || (o.answer.text.empty() && o.answer.values.empty())) << o.answer.text;
    }
  }
}

TEST(HugeRegions, PatternNumbersWithoutANumberTakeTheirDefaults) {
  // Each input with its bounds.
  const struct {
    std::u16string input;
    double lo, hi;
  } inputs[] = {{u"Allowed rotation", 0, 180},
                {u"Speed versus quality", 0, 1},
                {u"Minimal matching score", 0.5, 1},
                {u"Maximum number of pattern occurancies", 1, 50}};
  for (const Method& m : Methods()) {
    if (m.index > 1) continue;
    const TRectangularRegion whole{200, 150, 400, 300, 0};
    const Outcome defaults = RunWith(m, whole);
    ASSERT_TRUE(defaults.ok) << defaults.error;
    for (const auto& in : inputs) {
      const auto with = [&](double v) {
        return RunWith(m, whole, [&](talvix::RunContext& c) { c.setNumbers(in.input, {v}); });
      };
      SCOPED_TRACE(testing::Message() << m.name << ": " << talvix::ToUtf8(in.input));
      const Outcome nan = with(kNaN);
      ASSERT_TRUE(nan.ok) << nan.error;
      ExpectSame(nan.answer, defaults.answer);
      EXPECT_LT(nan.seconds, 10 * defaults.seconds + 2.0);
      // Far out of range: converted without overflow and answered as the
      // bound it is corrected to (a rotation of 180 searches longer).
      for (const auto& [v, bound] : {std::pair{1e300, in.hi}, std::pair{-1e300, in.lo}}) {
        SCOPED_TRACE(v);
        const Outcome far = with(v), atBound = with(bound);
        EXPECT_EQ(far.ok, atBound.ok) << far.error;
        EXPECT_EQ(far.error, atBound.error);
        ExpectSame(far.answer, atBound.answer);
        EXPECT_LT(far.seconds, 10 * atBound.seconds + 2.0);
      }
    }
  }
}

}  // namespace
