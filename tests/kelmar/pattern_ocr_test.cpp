// The pattern-trained reader through the exported interface, on text
// rendered in a DejaVu font: the pattern frame shows the characters of the
// table in order.
#include <gtest/gtest.h>
#include <omp.h>

#include <functional>
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

// A region much larger than its few characters (their ink well under 2 % of
// it) reads them with the automatic threshold; a plain region or an empty
// table reads nothing.
TEST(PatternOcr, SparseTextPlainRegionsAndEmptyTable) {
  TextLayout t = Line({"4071"});
  t.x = 115;
  t.y = 110;
  const talvix::FrameBuffer sparse = RenderText(304, 204, t);
  const int before = omp_get_max_threads();
  for (const int method : {3, 4}) {
    for (const int threads : {1, 8}) {
      SCOPED_TRACE(testing::Message() << "method " << method << ", " << threads << " threads");
      omp_set_num_threads(threads);
      const Reading r = Read(method, sparse, Digits(), u"0123456789");
      ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
      EXPECT_EQ(talvix::ToUtf8(r.text), "4071");
    }
    omp_set_num_threads(before);

    SCOPED_TRACE(testing::Message() << "method " << method);
    const Reading plain = Read(method, talvix::FrameBuffer::make(100, 60, 8, 200), Digits(), u"0123456789");
    EXPECT_FALSE(plain.result.ok);
    EXPECT_EQ(plain.result.error, u"No characters found in the image");
    EXPECT_EQ(plain.text, u"");
    const Reading empty = Read(method, sparse, Digits(), u"");
    EXPECT_FALSE(empty.result.ok);
    EXPECT_EQ(empty.result.error, u"error: No chars are defined");
  }
}

// A character of the text read is one 16-bit unit: a table or substitution
// character holding a NUL or half of a surrogate pair is refused, as it would
// end the text early or break it. Characters of the 16-bit plane are read.
TEST(PatternOcr, CharactersThatCannotBeOneUnitAreRefused) {
  const talvix::FrameBuffer input = RenderText(120, 70, Line({"42"}));
  const std::u16string badTable = u"error: Table of characters holds a NUL or a character beyond the 16-bit plane";
  const std::u16string badSubstitution =
      u"error: Substitution character is a NUL or a character beyond the 16-bit plane";
  const struct {
    const char* what;
    std::u16string table, substitution;  // substitution empty: not given
    std::u16string answer;               // the refusal, or the text read
    bool ok;
  } cases[] = {
      {"NUL inside", std::u16string(u"0123\0" u"56789", 10), u"", badTable, false},
      {"NUL at the end", std::u16string(u"0123456789\0", 11), u"", badTable, false},
      {"beyond the 16-bit plane", u"0123\U0001F600456789", u"", badTable, false},
      {"a lone low surrogate", std::u16string(u"0123") + char16_t{0xDC00} + u"56789", u"", badTable, false},
      {"NUL substitution", u"0123456789", std::u16string(1, u'\0'), badSubstitution, false},
      {"substitution beyond the plane", u"0123456789", u"\U0001F600", badSubstitution, false},
      {"16-bit plane characters", u"\u0660\u0661\u0662\u0663\u0664\u0665\u0666\u0667\u0668\u0669", u"\u00bf",
       u"\u0664\u0662", true},
  };
  for (const int method : {3, 4}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "method " << method << ", " << c.what);
      const Reading r = Read(method, input, Digits(), c.table, [&](talvix::RunContext& ctx) {
        if (!c.substitution.empty()) ctx.setStrings(u"Substitution character", {c.substitution});
      });
      EXPECT_EQ(r.result.ok, c.ok);
      EXPECT_EQ(c.ok ? r.text : r.result.error, c.answer);
      if (!c.ok) {
        EXPECT_EQ(r.text, u"");
      }
    }
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

namespace {

talvix::FrameBuffer Inverted(talvix::FrameBuffer f) {
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(255 - f.pixel(x, y)[0]);
  return f;
}

// `top` above `bottom` in the picture (memory row 0 is the bottom line).
talvix::FrameBuffer Stacked(const talvix::FrameBuffer& top, const talvix::FrameBuffer& bottom) {
  talvix::FrameBuffer out = talvix::FrameBuffer::make(top.width(), top.depth() + bottom.depth(), 8);
  for (int y = 0; y < out.depth(); ++y) {
    const talvix::FrameBuffer& from = y < bottom.depth() ? bottom : top;
    const int row = y < bottom.depth() ? y : y - bottom.depth();
    for (int x = 0; x < out.width(); ++x) out.pixel(x, y)[0] = from.pixel(x, row)[0];
  }
  return out;
}

using ContextChange = std::function<void(talvix::RunContext&)>;

ContextChange Number(const char16_t* name, double v) {
  return [=](talvix::RunContext& c) { c.setNumbers(name, {v}); };
}

// Spacing, scale, polarity, the frame's edge and the single line's choice,
// each against a 28-pixel pattern of the ten digits.
TEST(PatternOcr, ParametersAndLayouts) {
  const talvix::FrameBuffer twoLines = RenderText(66, 120, Line({"12", "34"}));
  const talvix::FrameBuffer pi = RenderText(120, 70, Line({"31415"}));
  const talvix::FrameBuffer one = RenderText(90, 70, Line({"1"}));
  TextLayout atEdge = Line({"7345"});
  atEdge.x = 0;
  const talvix::FrameBuffer small = RenderText(130, 40, Line({"2718"}, 18));
  const talvix::FrameBuffer tall = RenderText(130, 60, Line({"31415"}));
  const struct {
    const char* what;
    int method;
    talvix::FrameBuffer input, pattern;
    ContextChange setup;
    std::u16string expected;
  } cases[] = {
      {"vertical spacing below the gap between lines", 3, twoLines, Digits(), Number(u"Vertical spacing", 3), u"12 34"},
      // The two lines become one; each column of glyphs is one unknown character.
      {"vertical spacing above the gap between lines", 3, twoLines, Digits(), Number(u"Vertical spacing", 40), u"??"},
      {"horizontal spacing below the gaps between glyphs", 3, pi, Digits(), Number(u"Horizontal spacing", 1), u"31415"},
      {"horizontal spacing above the gaps between glyphs", 3, pi, Digits(), Number(u"Horizontal spacing", 40), u"?"},
      {"horizontal spacing keeps touching glyphs whole", 3, Overlay(one, one, 13), Digits(),
       Number(u"Horizontal spacing", 1), u"?"},
      {"glyphs twice the pattern's height with horizontal spacing", 3, RenderText(260, 130, Line({"31"}, 56)), Digits(),
       Number(u"Horizontal spacing", 1), u"??"},
      {"Scale reads glyphs a third larger", 3, RenderText(200, 100, Line({"31415"}, 38)), Digits(),
       Number(u"Scale", 40), u"31415"},
      {"touching glyphs larger than the pattern",
       3,
       Overlay(RenderText(130, 120, Line({"1"}, 48)), RenderText(130, 120, Line({"4"}, 48)), 22),
       Digits(),
       {},
       u"14"},
      {"Negative reads light glyphs on dark", 3, Inverted(pi), Inverted(Digits()),
       [](talvix::RunContext& c) { c.setFlags(u"Negative", {true}); }, u"31415"},
      // Without it the dark ground is the ink: one box over the whole line.
      {"light glyphs on dark without Negative", 3, Inverted(pi), Inverted(Digits()), {}, u"?"},
      // The search moves samples off the frame: they are not read from it.
      {"a glyph against the frame's edge, the region past it", 3, RenderText(80, 50, atEdge), Digits(),
       [](talvix::RunContext& c) {
         c.setRegions(u"Region", {{30, 20, 100, 70, 0}});
       },
       u"7345"},
      {"single line: the tallest line, not the first", 4, Stacked(small, tall), Digits(), {}, u"31415"},
      {"single line: the first of lines equally tall",
       4,
       Stacked(tall, RenderText(130, 60, Line({"2718"}))),
       Digits(),
       {},
       u"31415"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Reading r = Read(c.method, c.input, c.pattern, u"0123456789", c.setup);
    ASSERT_TRUE(r.result.ok) << talvix::ToUtf8(r.result.error);
    EXPECT_EQ(talvix::ToUtf8(r.text), talvix::ToUtf8(c.expected));
  }
}

// The table is rebuilt when the pattern frame or a parameter that shapes it
// changes, and only then: the pattern's pixels are swapped for the digits in
// the reverse order behind the host's back, so a rebuilt table reads "42" as
// "57".
TEST(PatternOcr, TableRebuiltOnlyWhenItsShapeChanges) {
  const talvix::FrameBuffer input = RenderText(120, 70, Line({"42"}));
  const talvix::FrameBuffer reversed = RenderText(420, 70, Line({"9876543210"}));
  const struct {
    const char* what;
    ContextChange change;
    const char* expected;
  } cases[] = {
      {"Acceptance level", Number(u"Acceptance level", 0.6), "42"},
      {"Scale", Number(u"Scale", 10), "42"},
      {"Threshold", Number(u"Threshold", 0.5), "42"},
      {"Region",
       [](talvix::RunContext& c) {
         c.setRegions(u"Region", {{61, 35, 114, 64, 0}});
       },
       "42"},
      {"a new pattern frame", [](talvix::RunContext& c) { c.touch(u"Pattern frame"); }, "57"},
      {"Pattern threshold", Number(u"Pattern threshold", 0.5), "57"},
      {"Minimal size of charater", Number(u"Minimal size of charater", 12), "57"},
      {"Vertical spacing", Number(u"Vertical spacing", 2), "57"},
      {"Horizontal spacing", Number(u"Horizontal spacing", 1), "57"},
      {"Speed versus quality", Number(u"Speed versus quality", 0.4), "57"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Instance inst(3);
    inst.ctx.setFrame(u"Input frame", input);
    inst.ctx.setFrame(u"Pattern frame", Digits());
    inst.ctx.setRegions(u"Region", {{60, 35, 116, 66, 0}});
    inst.ctx.setStrings(u"Table of characters", {u"0123456789"});
    ASSERT_TRUE(inst.run().ok);
    ASSERT_EQ(talvix::ToUtf8(inst.ctx.strings(u"Output string").at(0)), "42");
    talvix::FrameBuffer& held = const_cast<talvix::FrameBuffer&>(*inst.ctx.inputFrame(u"Pattern frame"));
    for (int y = 0; y < held.depth(); ++y)
      for (int x = 0; x < held.width(); ++x) held.pixel(x, y)[0] = reversed.pixel(x, y)[0];
    c.change(inst.ctx);
    const talvix::RunResult r = inst.run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    EXPECT_EQ(talvix::ToUtf8(inst.ctx.strings(u"Output string").at(0)), c.expected);
  }
}

}  // namespace
