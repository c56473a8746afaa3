// The pattern-trained reader through the exported interface, on text
// rendered in a DejaVu font: the pattern frame shows the characters of the
// table in order.
#include <gtest/gtest.h>
#include <omp.h>

#include <string>
#include <vector>

#include "kelmar_rig.h"
#include "text_render.h"

namespace {

using kelmar_test::Instance;
using kelmar_test::RenderText;
using kelmar_test::TextLayout;

TextLayout Line(std::vector<std::string> lines, double size = 28) {
  TextLayout t;
  t.lines = std::move(lines);
  t.size = size;
  t.lineStep = size * 1.8;
  t.x = 12;
  t.y = size * 1.4;
  t.family = "DejaVu Sans Mono";
  return t;
}

struct Reading {
  talvix::RunResult result;
  std::u16string text;
  std::vector<std::u16string> warnings;
};

Reading Read(int method, const talvix::FrameBuffer& input, const talvix::FrameBuffer& pattern,
             const std::u16string& table, const std::function<void(talvix::RunContext&)>& extra = {}) {
  Instance inst(method);
  inst.ctx.setFrame(u"Input frame", input);
  inst.ctx.setFrame(u"Pattern frame", pattern);
  inst.ctx.setRegions(u"Region", {{input.width() / 2.0, input.depth() / 2.0, input.width() - 4.0,
                                   input.depth() - 4.0, 0}});
  inst.ctx.setStrings(u"Table of characters", {table});
  if (extra) extra(inst.ctx);
  Reading r{inst.run(), {}, {}};
  const auto out = inst.ctx.strings(u"Output string");
  if (!out.empty()) r.text = out[0];
  r.warnings = inst.ctx.warnings();
  return r;
}

const talvix::FrameBuffer& Digits() {
  static const talvix::FrameBuffer f = RenderText(420, 70, Line({"0123456789"}));
  return f;
}

TEST(PatternOcr, ReadsTextAgainstTheTable) {
  const struct {
    const char* what;
    int method;
    std::vector<std::string> lines;
    std::u16string expected;
  } cases[] = {
      {"one line", 3, {"31415"}, u"31415"},
      {"two lines", 3, {"12", "34"}, u"12 34"},
      {"single-line variant", 4, {"2718"}, u"2718"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Tight around the text, so that the automatic threshold sees ink.
    const talvix::FrameBuffer input = RenderText(30 + 18 * c.lines[0].size(), 20 + 50 * c.lines.size(), Line(c.lines));
    const Reading r = Read(c.method, input, Digits(), u"0123456789");
    ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
    EXPECT_EQ(talvix::ToUtf8(r.text), talvix::ToUtf8(c.expected));
  }
}

}  // namespace

namespace {

// Darkest of two frames, the second moved right by dx.
talvix::FrameBuffer Overlay(const talvix::FrameBuffer& a, const talvix::FrameBuffer& b, int dx) {
  talvix::FrameBuffer out = a;
  for (int y = 0; y < a.depth(); ++y)
    for (int x = dx; x < a.width(); ++x) out.pixel(x, y)[0] = std::min(a.pixel(x, y)[0], b.pixel(x - dx, y)[0]);
  return out;
}

TEST(PatternOcr, UnknownGlyphsTouchingGlyphsAndCorrections) {
  {
    SCOPED_TRACE("a glyph missing from the table");
    const talvix::FrameBuffer input = RenderText(120, 70, Line({"1W2"}));
    const Reading r = Read(3, input, Digits(), u"0123456789",
                           [](talvix::RunContext& c) { c.setNumbers(u"Acceptance level", {0.75}); });
    ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
    EXPECT_EQ(talvix::ToUtf8(r.text), "1?2");
  }
  {
    SCOPED_TRACE("touching 11");
    const talvix::FrameBuffer one = RenderText(90, 70, Line({"1"}));
    const talvix::FrameBuffer input = Overlay(one, one, 13);
    const Reading r = Read(3, input, Digits(), u"0123456789");
    ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
    EXPECT_EQ(talvix::ToUtf8(r.text), "11");
  }
  {
    SCOPED_TRACE("acceptance corrected");
    const talvix::FrameBuffer input = RenderText(120, 70, Line({"42"}));
    for (const auto& [given, text] :
         {std::pair{0.2, u"Not acceptable value of the parameter Acceptance level (0.200000). It will be used new "
                         u"value 0.300000."},
          std::pair{0.99, u"Not acceptable value of the parameter Acceptance level (0.990000). It will be used new "
                          u"value 0.950000."}}) {
      const Reading r = Read(3, input, Digits(), u"0123456789",
                             [&](talvix::RunContext& c) { c.setNumbers(u"Acceptance level", {given}); });
      ASSERT_TRUE(r.result.ok);
      EXPECT_EQ(r.warnings, std::vector<std::u16string>{text});
      if (given < 0.5) {
        EXPECT_EQ(talvix::ToUtf8(r.text), "42");
      }
    }
  }
  {
    SCOPED_TRACE("a uniform region reads nothing");
    const Reading r = Read(3, talvix::FrameBuffer::make(100, 60, 8, 200), Digits(), u"0123456789");
    EXPECT_TRUE(r.result.ok);
    EXPECT_EQ(r.text, u"");
  }
  {
    SCOPED_TRACE("more glyphs than characters");
    const talvix::FrameBuffer input = RenderText(120, 70, Line({"0124"}));
    const Reading r = Read(3, input, Digits(), u"012",
                           [](talvix::RunContext& c) { c.setNumbers(u"Acceptance level", {0.8}); });
    ASSERT_TRUE(r.result.ok);
    EXPECT_EQ(talvix::ToUtf8(r.text), "012?") << "glyphs past the table's characters are never read";
    ASSERT_EQ(r.warnings.size(), 1u);
  }
  {
    SCOPED_TRACE("a 32-bit pattern with alpha 0 is sampled to the end");
    talvix::FrameBuffer wide = talvix::FrameBuffer::make(Digits().width(), Digits().depth(), 32, 0, false);
    for (int y = 0; y < wide.depth(); ++y)
      for (int x = 0; x < wide.width(); ++x)
        for (int c = 0; c < 3; ++c) wide.pixel(x, y)[c] = Digits().pixel(x, y)[0];
    const Reading r = Read(3, RenderText(120, 70, Line({"905"})), wide, u"0123456789");
    ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
    EXPECT_EQ(talvix::ToUtf8(r.text), "905");
  }
  {
    SCOPED_TRACE("failures");
    Instance inst(3);
    EXPECT_EQ(inst.run().error, u"error: Cannot get input frame");
    inst.ctx.setFrame(u"Pattern frame", Digits());
    inst.ctx.setFrame(u"Input frame", Digits());
    EXPECT_EQ(inst.run().error, u"error: Input rectangle region not defined");
    inst.ctx.setRegions(u"Region", {{100, 30, 150, 50, 0}});
    EXPECT_EQ(inst.run().error, u"error: No chars are defined");
    inst.ctx.setStrings(u"Table of characters", {u"0123456789"});
    inst.ctx.setFrame(u"Pattern frame", talvix::FrameBuffer::make(60, 40, 8, 255));
    inst.ctx.setNumbers(u"Pattern threshold", {0.5});
    EXPECT_EQ(inst.run().error, u"error: List of chars not found");
  }
}

TEST(PatternOcr, ThreadCountsAgree) {
  const talvix::FrameBuffer input = RenderText(140, 70, Line({"86420"}));
  const int before = omp_get_max_threads();
  omp_set_num_threads(1);
  const Reading one = Read(3, input, Digits(), u"0123456789");
  omp_set_num_threads(8);
  const Reading eight = Read(3, input, Digits(), u"0123456789");
  omp_set_num_threads(before);
  EXPECT_EQ(one.text, eight.text);
  EXPECT_EQ(talvix::ToUtf8(one.text), "86420");
}

}  // namespace
