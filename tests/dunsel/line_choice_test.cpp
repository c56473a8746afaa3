// Which text a one-dimensional run reports when its lines disagree: a text
// read on two lines wins over one read on a single line, a lone text stands
// only when no other text was read.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "dunsel_symbols.h"
#include "line_votes.h"
#include "talvix.h"

namespace {

using dunsel::LineKey;
using dunsel::LineVotes;
using dunsel_test::Reader;
using dunsel_test::Render;
using dunsel_test::RenderRow;
using dunsel_test::Utf8;

TEST(LineChoice, TextsReadOnTwoLinesOutweighLoneOnes) {
  struct Read {
    const char16_t* text;
    LineKey line;
  };
  const LineKey a{0, 10, 99, 10}, b{0, 20, 99, 20}, c{0, 30, 99, 30};
  const LineKey aReversed{99, 10, 0, 10};
  struct Case {
    const char* what;
    std::vector<Read> reads;
    std::optional<std::u16string> chosen;
    bool confirmed;
  };
  const Case cases[] = {
      {"nothing read", {}, std::nullopt, false},
      {"a single text", {{u"TRUE", a}}, u"TRUE", false},
      {"a false text once beside the true one twice", {{u"FALSE", a}, {u"TRUE", b}, {u"TRUE", c}}, u"TRUE", true},
      {"the true text twice, then a false one", {{u"TRUE", b}, {u"TRUE", c}, {u"FALSE", a}}, u"TRUE", true},
      {"two texts once each", {{u"FALSE", a}, {u"TRUE", b}}, std::nullopt, false},
      {"one line read twice is one witness", {{u"TRUE", a}, {u"TRUE", a}, {u"FALSE", b}}, std::nullopt, false},
      {"the same line walked the other way", {{u"TRUE", a}, {u"TRUE", aReversed}}, u"TRUE", false},
      {"the first text to reach two lines", {{u"ONE", a}, {u"TWO", a}, {u"TWO", b}, {u"ONE", c}}, u"TWO", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LineVotes votes;
    bool confirmed = false;
    for (const Read& r : c.reads) confirmed |= votes.Add(r.text, r.line, dunsel::LineEnds{}, true);
    EXPECT_EQ(confirmed, c.confirmed);
    const LineVotes::Entry* e = votes.Choice();
    ASSERT_EQ(e != nullptr, c.chosen.has_value());
    if (e) {
      EXPECT_EQ(e->text, *c.chosen);
    }
    EXPECT_EQ(votes.Ambiguous(), !c.reads.empty() && !c.chosen);
  }
}

// A frame that is the darker of two at each pixel.
talvix::FrameBuffer Darker(talvix::FrameBuffer a, const talvix::FrameBuffer& b) {
  for (int y = 0; y < a.depth(); ++y)
    for (int x = 0; x < a.width(); ++x) a.pixel(x, y)[0] = std::min(a.pixel(x, y)[0], b.pixel(x, y)[0]);
  return a;
}

// An upright Code 128 label, and beside it marks that only one scan line of
// the grid, at -20 degrees, reads as another Code 128 symbol: the marks lie
// along that line and are two pixels tall.
talvix::FrameBuffer LabelWithFalseLine(int lines, int falseLine, bool withLabel = true) {
  Render label;
  label.width = 640;
  label.depth = 480;
  label.module = 2;
  label.height = 120;
  label.cx = 330;
  label.cy = 380;
  talvix::FrameBuffer f = withLabel ? RenderRow(dunsel_test::ZintRow(BARCODE_CODE128, "72Npj162"), label)
                                    : talvix::FrameBuffer::make(label.width, label.depth, 8, label.light);
  int x0, y0, x1, y1;
  if (!GetScanRectangularRegionLine(f.frame(), nullptr, lines, falseLine, -20.0, &x0, &y0, &x1, &y1)) return f;
  // Centre the marks at x 180 on the line; display rows run downwards.
  const double x = 180, y = y0 + (y1 - y0) * (x - x0) / double(x1 - x0);
  Render marks = label;
  marks.height = 2;
  marks.angle = 20;
  marks.cx = x;
  marks.cy = label.depth - 1 - y;
  return Darker(std::move(f), RenderRow(dunsel_test::ZintRow(BARCODE_CODE128, "8088"), marks));
}

struct RunOutcome {
  bool ok;
  std::string text, error;
};

RunOutcome ReadCode128(const talvix::FrameBuffer& f, int lines, std::vector<double> angles) {
  Reader reader("barcode_Code128");
  talvix::RunContext ctx(Reader::Module(), reader.index());
  ctx.setFrame(u"Input frame", f);
  ctx.setNumbers(u"Scanline number", {double(lines)});
  ctx.setNumbers(u"Scanline angles", std::move(angles));
  const talvix::RunResult r = reader.run(ctx);
  const auto s = ctx.strings(u"Result string");
  return {r.ok, s.empty() ? "" : Utf8(s[0]), Utf8(r.error)};
}

TEST(LineChoice, ALoneFalseLineDoesNotDecideTheRun) {
  const int lines = 30, falseLine = 14;
  const talvix::FrameBuffer f = LabelWithFalseLine(lines, falseLine);
  // Without the label the marks read as a symbol of their own, the only
  // text of the run.
  {
    const RunOutcome r = ReadCode128(LabelWithFalseLine(lines, falseLine, false), lines, {-20});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "8088");
  }
  const int before = omp_get_max_threads();
  for (int threads : {1, 2, 8}) {
    SCOPED_TRACE(threads);
    omp_set_num_threads(threads);
    // The slanted lines come first, so the false line is read before the
    // label's lines with one thread.
    const RunOutcome r = ReadCode128(f, lines, {-20, 0});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.text, "72Npj162");
  }
  omp_set_num_threads(before);
}

}  // namespace
