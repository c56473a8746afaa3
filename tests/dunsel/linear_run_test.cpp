// The run of the one-dimensional readers through the exported interface:
// its failures, the inputs that shape the scan (line and angle counts, the
// region's angle), buffers across runs, thread counts and drawing.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "dunsel_symbols.h"

namespace {

using dunsel_test::Reader;
using dunsel_test::Render;
using dunsel_test::RenderRow;
using dunsel_test::Utf8;

const std::string kDigits = "4006381333931";

std::vector<int> Symbol() { return dunsel_test::ZintRow(BARCODE_EANX, kDigits.substr(0, 12)); }

struct EanRun {
  Reader reader{"barcode_EAN13"};
  talvix::RunContext ctx{Reader::Module(), reader.index()};
  talvix::RunResult last;

  EanRun& frame(talvix::FrameBuffer f) {
    ctx.setFrame(u"Input frame", std::move(f));
    return *this;
  }
  EanRun& lines(double n) {
    ctx.setNumbers(u"Scanline number", {n});
    return *this;
  }
  EanRun& angles(std::vector<double> a) {
    ctx.setNumbers(u"Scanline angles", std::move(a));
    return *this;
  }
  bool go() {
    last = reader.run(ctx);
    return last.ok;
  }
  std::string text() const {
    const auto s = ctx.strings(u"Result string");
    return s.empty() ? "<none>" : Utf8(s[0]);
  }
  std::string error() const { return Utf8(last.error); }
};

TEST(LinearRun, FailuresAnswerFalseWithTheirTexts) {
  const talvix::FrameBuffer good = RenderRow(Symbol(), Render{});
  {
    EanRun r;
    r.lines(10).angles({0});
    EXPECT_FALSE(r.go());
    EXPECT_EQ(r.error(), "error: Cannot get source frame");
  }
  {
    EanRun r;
    r.frame(good).lines(10).angles({0});
    r.ctx.setUnnamed(u"Result string");
    EXPECT_FALSE(r.go());
    EXPECT_EQ(r.error(), "error: There is no defined string for the result");
  }
  struct Case {
    const char* what;
    talvix::FrameBuffer frame;
    double lines;
  };
  talvix::FrameBuffer rgb = talvix::FrameBuffer::make(good.width(), good.depth(), 24);
  for (int y = 0; y < good.depth(); ++y)
    for (int x = 0; x < good.width(); ++x)
      for (int c = 0; c < 3; ++c) rgb.pixel(x, y)[c] = good.pixel(x, y)[0];
  const Case cases[] = {
      {"24-bit frame", rgb, 10},
      {"no scan line", good, 0},
      {"negative line count", good, -3},
      {"blank frame", talvix::FrameBuffer::make(200, 50, 8, 200), 10},
      {"frame of one column: lines of under three samples", talvix::FrameBuffer::make(1, 50, 8, 200), 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EanRun r;
    r.frame(c.frame).lines(c.lines).angles({0});
    EXPECT_FALSE(r.go());
    EXPECT_EQ(r.error(), "No barcode was found on the image");
    EXPECT_EQ(r.text(), "");
  }
}

TEST(LinearRun, ReadsThirtyTwoBitFrames) {
  const talvix::FrameBuffer grey = RenderRow(Symbol(), Render{});
  talvix::FrameBuffer f = talvix::FrameBuffer::make(grey.width(), grey.depth(), 32);
  for (int y = 0; y < grey.depth(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      for (int c = 0; c < 3; ++c) f.pixel(x, y)[c] = grey.pixel(x, y)[0];
  EanRun r;
  r.frame(f).lines(10).angles({0});
  EXPECT_TRUE(r.go()) << r.error();
  EXPECT_EQ(r.text(), kDigits);
}

TEST(LinearRun, CountsThatCannotBeUsedAreCorrectedWithAWarning) {
  const talvix::FrameBuffer f = RenderRow(Symbol(), Render{});
  struct Case {
    const char* what;
    double lines, angleNumber;
    bool reads;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"NaN lines", nan, 0, true},    // one line through the middle
      {"1e12 lines", 1e12, 0, true},  // at most a line per pixel across the frame
      {"huge angle number", 10, 1e12, true},
      {"infinite angle number", 10, inf, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EanRun r;
    r.frame(f).lines(c.lines).angles({0});
    r.ctx.setNumbers(u"Angle number", {c.angleNumber});
    EXPECT_EQ(r.go(), c.reads) << r.error();
    ASSERT_FALSE(r.ctx.warnings().empty());
    EXPECT_NE(Utf8(r.ctx.warnings()[0]).find("Not acceptable value of the parameter"), std::string::npos);
  }
}

// A region far larger than the frame, or counts far past the region's
// pixels, cost about what the frame itself costs: only the frame's part of a
// line is walked, and lines or angles that would repeat others are not
// scanned.
TEST(LinearRun, HugeRegionsAndCountsCostAboutWhatTheFrameCosts) {
  const talvix::FrameBuffer f = RenderRow(Symbol(), Render{});
  const TRectangularRegion frameSized{f.width() / 2.0, f.depth() / 2.0, double(f.width()), double(f.depth()), 0};
  struct Case {
    const char* what;
    TRectangularRegion region;
    double lines, angleNumber;
  };
  const Case cases[] = {
      {"the frame's region", frameSized, 3, 0},
      {"a region of 1e12 pixels", {f.width() / 2.0, f.depth() / 2.0, 1e12, 1e12, 0}, 3, 0},
      {"a region of 1e12 pixels, turned", {f.width() / 2.0, f.depth() / 2.0, 1e12, 1e12, 180}, 3, 0},
      {"1e12 lines and angles", frameSized, 1e12, 1e12},
  };
  double first = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EanRun r;
    r.frame(f).lines(c.lines).angles({0});
    r.ctx.setRegions(u"Examination region", {c.region});
    r.ctx.setNumbers(u"Angle number", {c.angleNumber});
    bool read = false;
    const double seconds = test_cost::CpuSecondsOf([&] { read = r.go(); });
    EXPECT_TRUE(read) << r.error();
    EXPECT_EQ(r.text(), kDigits);
    if (&c == cases) first = seconds;
    EXPECT_LT(seconds, 20 * first + 2.0);
  }
}

TEST(LinearRun, AngleNumberAddsAnglesOfZero) {
  // Bars too short for a line at 30 degrees to cross the whole symbol.
  Render flat;
  flat.height = 40;
  const talvix::FrameBuffer f = RenderRow(Symbol(), flat);
  struct Case {
    double angleNumber;
    bool reads;
  };
  for (const Case c : {Case{0, false}, Case{1, false}, Case{3, true}}) {
    SCOPED_TRACE(c.angleNumber);
    EanRun r;
    r.frame(f).lines(10).angles({30});
    r.ctx.setNumbers(u"Angle number", {c.angleNumber});
    EXPECT_EQ(r.go(), c.reads) << r.error();
    EXPECT_TRUE(r.ctx.warnings().empty());
  }
}

TEST(LinearRun, RegionAngleIsBroughtIntoOneTurnAndWrittenBack) {
  Render turned;
  turned.width = 640;
  turned.depth = 480;
  turned.angle = -10;  // the picture turned back is +10 in stored rows
  turned.height = 50;
  const talvix::FrameBuffer f = RenderRow(Symbol(), turned);
  for (double angle : {370.0, 10.0, -350.0}) {
    SCOPED_TRACE(angle);
    EanRun r;
    r.frame(f).lines(10).angles({0});
    r.ctx.setRegions(u"Examination region", {{320, 240, 400, 80, angle}});
    EXPECT_TRUE(r.go()) << r.error();
    EXPECT_EQ(r.text(), kDigits);
    EXPECT_NEAR(r.ctx.rectangles(u"Examination region").at(0).angle, 10.0, 1e-9);
  }
}

TEST(LinearRun, OneObjectReadsAFrameTwiceAsWideAsItsFirst) {
  EanRun r;
  Render narrow;
  narrow.width = 320;
  r.frame(RenderRow(Symbol(), narrow)).lines(5).angles({0});
  ASSERT_TRUE(r.go()) << r.error();
  Render wide;
  wide.width = 1280;
  wide.module = 8;
  r.frame(RenderRow(Symbol(), wide));
  ASSERT_TRUE(r.go()) << r.error();
  EXPECT_EQ(r.text(), kDigits);
}

TEST(LinearRun, ThreadCountsAgree) {
  Render r;
  r.width = 640;
  r.depth = 480;
  r.angle = 4;
  r.noise = 4;
  r.blur = 1;
  const talvix::FrameBuffer f = RenderRow(Symbol(), r);
  std::vector<std::string> texts;
  std::vector<size_t> draws;
  const int before = omp_get_max_threads();
  for (int threads : {1, 2, 8}) {
    omp_set_num_threads(threads);
    EanRun run;
    run.frame(f).lines(40).angles({0, 90});
    EXPECT_TRUE(run.go()) << threads << ": " << run.error();
    texts.push_back(run.text());
    draws.push_back(run.ctx.drawList().size());
  }
  omp_set_num_threads(before);
  EXPECT_EQ(texts, std::vector<std::string>(3, kDigits));
  EXPECT_EQ(draws, std::vector<size_t>(3, 1u)) << "one mark, whatever the thread count";
}

TEST(LinearRun, MarksTheSymbolByDrawingLevelAndDirection) {
  struct Case {
    int level;
    double angle;
    bool show;
    const char* fn;
    int textLen;
  };
  const Case cases[] = {{0, 0, true, "DrawLine", 0},
                        {1, 0, true, "DrawDirection", -1},
                        {2, 0, true, "DrawDirection", 13},
                        {2, 180, true, "DrawDirection", 13},
                        {2, 0, false, nullptr, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "level " << c.level << " angle " << c.angle);
    Render rr;
    rr.angle = c.angle;
    EanRun r;
    r.frame(RenderRow(Symbol(), rr)).lines(5).angles({0});
    r.ctx.setFlags(u"Show results", {c.show});
    r.ctx.inspection().setDrawingLevel(c.level);
    ASSERT_TRUE(r.go()) << r.error();
    const auto& draws = r.ctx.drawList();
    if (!c.fn) {
      EXPECT_TRUE(draws.empty());
      continue;
    }
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].fn, c.fn);
    const std::vector<double>& a = draws[0].args;
    // The mark runs across the symbol from its start guard to its end guard:
    // left to right in the picture, or right to left when turned over.
    const double span = a[2] - a[0];
    EXPECT_NEAR(std::abs(span), 95 * 3, 8);
    EXPECT_EQ(span > 0, c.angle == 0);
    if (c.fn == std::string("DrawDirection")) {
      EXPECT_EQ(a[4], c.textLen);
      EXPECT_EQ(Utf8(draws[0].text), c.textLen < 0 ? "" : kDigits);
    }
  }
}

}  // namespace

namespace {

// Runs use two threads unless a test asks for others: the merge is shared
// by threads either way, and wider teams only slow a loaded machine.
const bool kTwoThreads = [] {
  omp_set_num_threads(2);
  return true;
}();

}  // namespace
