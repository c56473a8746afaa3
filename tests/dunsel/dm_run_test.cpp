// The Data Matrix reader through the exported interface, on zint symbols
// drawn at test time: sizes, module sizes, turns, polarities, blur and noise,
// the mirror image, several symbols, damage, the frame edge, its inputs,
// outputs, failures and drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "datamatrix_render.h"
#include "dm_grid.h"
#include "dunsel_symbols.h"

namespace {

using dunsel_test::DmMatrix;
using dunsel_test::DmOptions;
using dunsel_test::DmRender;
using dunsel_test::Reader;
using dunsel_test::Utf8;

struct DmRun {
  Reader reader{"datamatrix"};
  talvix::RunContext ctx{Reader::Module(), reader.index()};
  talvix::RunResult last;

  explicit DmRun(talvix::FrameBuffer f) { ctx.setFrame(u"Input frame", std::move(f)); }
  bool go() {
    last = reader.run(ctx);
    return last.ok;
  }
  std::string text() const {
    const auto s = ctx.strings(u"Result string");
    return s.empty() ? "<none>" : Utf8(s[0]);
  }
  double number(const char16_t* name) const {
    const auto v = ctx.numbers(name);
    return v.empty() ? -1 : v[0];
  }
  std::string error() const { return Utf8(last.error); }
};

// A frame big enough for the symbol at any turn, with the symbol centred.
DmRender Around(const DmMatrix& m, double module, double angle = 0) {
  DmRender r;
  r.module = module;
  r.angle = angle;
  r.width = static_cast<int>(std::hypot(m.cols, m.rows) * module) + 48;
  r.depth = r.width;
  return r;
}

std::string Read(const talvix::FrameBuffer& f, bool negative = false) {
  DmRun run(f);
  if (negative) run.ctx.setFlags(u"Negative", {true});
  return run.go() ? run.text() : "<" + run.error() + ">";
}

const std::string kText = "AB12";

TEST(DataMatrixRun, EverySizeReads) {
  for (int version = 1; version <= 30; ++version) {
    const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = version});
    EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, Around(m, 5))), kText) << m.rows << "x" << m.cols;
  }
}

// Symbols larger than their data: the encodation ends, pads follow, and the
// text is exactly what was encoded.
TEST(DataMatrixRun, EachEncodationReadsExactlyBeforeThePadding) {
  struct Case {
    const char* what;
    std::string data;
    int version;
    int latch;  // the encodation's latch codeword, which zint must have used
  };
  const Case cases[] = {
      {"EDIFACT", "3;4:5<6=", 4, 240},
      {"EDIFACT after ASCII", "58r K:.6GIF5", 16, 240},
      {"EDIFACT, a longer text", "EDIFACT=:;<>?", 9, 240},
      {"C40", "HELLO WORLD 123", 8, 230},
      {"Text", "hello world abc", 8, 239},
      {"X12", "ABC*>DEF\rGHI", 8, 238},
      {"Base 256", "\xe9\xe8\xe0\xff\x80\x81\x90", 8, 231},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DmMatrix m = dunsel_test::ZintDataMatrix(c.data, DmOptions{.size = c.version});
    const std::vector<uint8_t> cw = dunsel_test::DrawnCodewords(m);
    ASSERT_NE(std::find(cw.begin(), cw.end(), c.latch), cw.end()) << "the encoder took another way";
    ASSERT_NE(std::find(cw.begin(), cw.end(), 129), cw.end()) << "no padding";
    std::u16string text;
    for (unsigned char ch : c.data) text.push_back(ch);
    EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, Around(m, 5))), Utf8(text));
  }
}

TEST(DataMatrixRun, TextsWithNulComeBackWhole) {
  struct Case {
    const char* what;
    std::string data;
    int latch;  // 0: ASCII
  };
  const Case cases[] = {
      {"ASCII", std::string("AB\0CD", 5), 0},
      {"Base 256, NUL first", std::string("\0\1\2\xe9\xe8\xe0\xff\x80\x81", 9), 231},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DmMatrix m = dunsel_test::ZintDataMatrix(c.data, DmOptions{.size = 8});
    if (c.latch != 0) {
      const std::vector<uint8_t> cw = dunsel_test::DrawnCodewords(m);
      ASSERT_NE(std::find(cw.begin(), cw.end(), c.latch), cw.end()) << "the encoder took another way";
    }
    std::u16string text;
    for (unsigned char ch : c.data) text.push_back(ch);
    DmRun run(dunsel_test::RenderDataMatrix(m, Around(m, 5)));
    ASSERT_TRUE(run.go()) << run.error();
    EXPECT_EQ(run.ctx.strings(u"Result string").at(0), text);
  }
}

TEST(DataMatrixRun, ModuleSizesTurnsAndPolarities) {
  struct Case {
    int version;
    double module, angle;
    bool negative;
  };
  const Case cases[] = {
      {8, 4, 0, false},   {8, 5, 0, false},   {8, 7, 0, false},    {8, 8, 0, false},   {16, 3, 0, false},
      {4, 6, 90, false},  {4, 6, 180, false}, {4, 6, 270, false},  {8, 5, 90, true},   {8, 5, 180, true},
      {12, 4, 0, true},   {25, 6, 0, false},  {25, 6, 90, false},  {28, 5, 180, false}, {28, 5, 270, true},
      {8, 6, 4, false},   {8, 6, 356, false},
  };
  for (const Case& c : cases) {
    const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = c.version});
    DmRender r = Around(m, c.module, c.angle);
    r.negative = c.negative;
    EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, r), c.negative), kText)
        << m.rows << "x" << m.cols << " at " << c.module << " px, " << c.angle << " deg" << (c.negative ? ", negative" : "");
  }
}

TEST(DataMatrixRun, TurnsThroughAWholeTurn) {
  // 16 x 16 at 6 px. Some turns are missed (here 150, 220 and 240 degrees):
  // the clock tracks run along the staircase of a turned edge.
  const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 4});
  for (double angle : {10, 20, 30, 40, 50, 60, 70, 80, 100, 110, 120, 170, 190, 200, 260, 280, 300, 320, 340, 350}) {
    EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, Around(m, 6, angle))), kText) << angle << " deg";
  }
}

TEST(DataMatrixRun, BlurAndNoise) {
  const DmMatrix m = dunsel_test::ZintDataMatrix("Blurred 0123456789", DmOptions{.size = 8});
  struct Case {
    double blur, noise;
  };
  for (const Case c : {Case{1, 0}, Case{0, 6}, Case{1, 8}}) {
    DmRender r = Around(m, 6);
    r.blur = c.blur;
    r.noise = c.noise;
    EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, r)), "Blurred 0123456789") << c.blur << " " << c.noise;
  }
}

TEST(DataMatrixRun, ExactlyOneOfASymbolAndItsMirrorImageReads) {
  for (int version : {2, 8, 25}) {
    const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = version});
    const DmMatrix mirror = dunsel_test::Mirrored(m);
    for (double angle : {0.0, 90.0, 180.0}) {
      EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(m, Around(m, 6, angle))), kText) << version << " " << angle;
      EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(mirror, Around(m, 6, angle))), "<Data matrix not found>")
          << version << " " << angle;
    }
  }
}

TEST(DataMatrixRun, SeveralSymbolsDamageAndTheFrameEdge) {
  const DmMatrix first = dunsel_test::ZintDataMatrix("FIRST", DmOptions{.size = 6});
  const DmMatrix second = dunsel_test::ZintDataMatrix("SECOND", DmOptions{.size = 6});
  DmRender frame;
  frame.width = 400;
  frame.depth = 200;
  DmRender a = frame, b = frame;
  a.module = b.module = 6;
  a.cx = 100;
  b.cx = 300;
  a.cy = b.cy = 100;
  const std::string both = Read(dunsel_test::StorePicture(dunsel_test::DrawPicture({{&first, a}, {&second, b}}, frame), frame));
  EXPECT_TRUE(both == "FIRST" || both == "SECOND") << both;

  // Damaged data modules are corrected, and the figure shows it.
  DmMatrix spotted = first;
  for (int r = 7; r < 10; ++r)
    for (int c = 7; c < 10; ++c) spotted.dark[static_cast<size_t>(r) * spotted.cols + c] ^= 1;
  DmRun damaged(dunsel_test::RenderDataMatrix(spotted, Around(spotted, 6)));
  ASSERT_TRUE(damaged.go()) << damaged.error();
  EXPECT_EQ(damaged.text(), "FIRST");
  EXPECT_LT(damaged.number(u"Unused error correction"), 1.0);
  EXPECT_GT(damaged.number(u"Unused error correction"), 0.0);
  // Without its bottom leg there is no L.
  DmMatrix noLeg = first;
  for (int c = 0; c < noLeg.cols; ++c) noLeg.dark[static_cast<size_t>(noLeg.rows - 1) * noLeg.cols + c] = 0;
  EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(noLeg, Around(noLeg, 6))), "<Data matrix not found>");

  // Cut by the frame's right edge.
  DmRender edge = Around(first, 6);
  edge.cx = edge.width - first.cols * 6 / 2 + 6;
  EXPECT_EQ(Read(dunsel_test::RenderDataMatrix(first, edge)), "<Data matrix not found>");
}

TEST(DataMatrixRun, OutputsDescribeTheSymbolRead) {
  struct Case {
    int version;
    double angle;
  };
  for (const Case c : {Case{8, 0}, Case{8, 90}, Case{8, 180}, Case{25, 0}, Case{25, 270}}) {
    const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = c.version});
    const DmRender r = Around(m, 6, c.angle);
    DmRun run(dunsel_test::RenderDataMatrix(m, r));
    SCOPED_TRACE(std::to_string(m.rows) + "x" + std::to_string(m.cols) + " at " + std::to_string(c.angle));
    ASSERT_TRUE(run.go()) << run.error();
    EXPECT_EQ(run.text(), kText);
    EXPECT_DOUBLE_EQ(run.number(u"Unused error correction"), 1.0);
    EXPECT_NEAR(run.number(u"Symbol contrast"), (210 - 40) / 255.0, 0.05);
    // Measured along the clock tracks' outer edge: near 1, not exactly.
    EXPECT_NEAR(run.number(u"White module to black module width ratio"), 1.0, 0.35);
    const auto rect = run.ctx.rectangles(u"Output region");
    ASSERT_EQ(rect.size(), 1u);
    // Memory rows run upwards: the picture's centre is at (w/2, d/2) less
    // half a pixel.
    EXPECT_NEAR(rect[0].cx, r.width / 2.0 - 0.5, 1.0);
    EXPECT_NEAR(rect[0].cy, r.depth / 2.0 - 0.5, 1.0);
    // The sides lie on their last light samples outside the symbol.
    EXPECT_NEAR(rect[0].width, m.cols * 6.0, 2.0);
    EXPECT_NEAR(rect[0].height, m.rows * 6.0, 2.0);
    EXPECT_NEAR(std::remainder(rect[0].angle - c.angle, 360.0), 0.0, 1.0);
  }
}


TEST(DataMatrixRun, ModeAdmitsRectanglesOrSquaresOnly) {
  const DmMatrix square = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 4});
  const DmMatrix rectangle = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 25});
  struct Case {
    double mode;
    bool rectangleRead;
  };
  for (const Case c : {Case{0, true}, Case{1, false}, Case{1.7, false}, Case{2, true}, Case{-1, true}, Case{0.5, true}}) {
    for (const DmMatrix* m : {&square, &rectangle}) {
      DmRun run(dunsel_test::RenderDataMatrix(*m, Around(*m, 6)));
      run.ctx.setNumbers(u"Mode", {c.mode});
      const bool expected = m == &square || c.rectangleRead;
      EXPECT_EQ(run.go(), expected) << "mode " << c.mode << ", " << m->rows << "x" << m->cols;
    }
  }
}

TEST(DataMatrixRun, RegionAngleIsFoldedInTheHostsRecord) {
  const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 8});
  const DmRender r = Around(m, 6);
  struct Case {
    double angle;
    double folded;
    bool swapped;
  };
  const Case cases[] = {{100, 10, true}, {135, 135, false}, {350, 350, false}, {190, 10, false}, {-80, 10, true}};
  for (const Case& c : cases) {
    DmRun run(dunsel_test::RenderDataMatrix(m, r));
    run.ctx.setRegions(u"Examination region", {TRectangularRegion{r.width / 2.0, r.depth / 2.0, 220, 200, c.angle}});
    run.go();
    const auto region = run.ctx.rectangles(u"Examination region");
    ASSERT_EQ(region.size(), 1u);
    EXPECT_DOUBLE_EQ(region[0].angle, c.folded) << c.angle;
    EXPECT_EQ(region[0].width, c.swapped ? 200 : 220) << c.angle;
    EXPECT_EQ(region[0].height, c.swapped ? 220 : 200) << c.angle;
  }
  // The folded region is the one scanned: a turned region over the symbol
  // still reads it.
  DmRun run(dunsel_test::RenderDataMatrix(m, r));
  run.ctx.setRegions(u"Examination region", {TRectangularRegion{r.width / 2.0, r.depth / 2.0, 230, 230, 180}});
  EXPECT_TRUE(run.go()) << run.error();
}

// A region far past the frame costs about what the frame costs, and answers
// the frame's symbol or "not found", never another text. Its lines are
// spread over the whole region, so few or none cross the frame.
TEST(DataMatrixRun, RegionsFarPastTheFrameAreBoundedByIt) {
  const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 8});
  const DmRender r = Around(m, 6);
  const double cx = r.width / 2.0, cy = r.depth / 2.0;
  for (const double side : {1.5 * r.width, 1e7, 3e9, 1e12}) {
    SCOPED_TRACE(side);
    DmRun run(dunsel_test::RenderDataMatrix(m, r));
    run.ctx.setRegions(u"Examination region", {TRectangularRegion{cx, cy, side, side, 0}});
    bool read = false;
    EXPECT_LT(test_cost::CpuSecondsOf([&] { read = run.go(); }), 60.0);
    if (side < r.width * 2) {
      EXPECT_TRUE(read) << run.error();
    }
    EXPECT_EQ(read ? run.text() : run.error(), read ? kText : "Data matrix not found");
  }
}

TEST(DataMatrixRun, FailuresAnswerFalseWithTheirTexts) {
  const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 8});
  const talvix::FrameBuffer good = dunsel_test::RenderDataMatrix(m, Around(m, 6));
  {
    Reader reader{"datamatrix"};
    talvix::RunContext ctx{Reader::Module(), reader.index()};
    EXPECT_EQ(Utf8(reader.run(ctx).error), "error: Cannot get source frame");
  }
  {
    talvix::FrameBuffer rgb = talvix::FrameBuffer::make(good.width(), good.depth(), 24);
    for (int y = 0; y < good.depth(); ++y)
      for (int x = 0; x < good.width(); ++x)
        for (int k = 0; k < 3; ++k) rgb.pixel(x, y)[k] = good.pixel(x, y)[0];
    DmRun run(rgb);
    EXPECT_FALSE(run.go());
    EXPECT_EQ(run.error(), "Data matrix not found");
  }
  {
    // Under 21 px across the horizontal lines: fewer than three lines, no
    // segment.
    DmRun run(good);
    run.ctx.setRegions(u"Examination region",
                       {TRectangularRegion{good.width() / 2.0, good.depth() / 2.0, 220, 20, 0}});
    EXPECT_FALSE(run.go());
    EXPECT_EQ(run.error(), "Data matrix not found");
  }
  {
    talvix::FrameBuffer argb = talvix::FrameBuffer::make(good.width(), good.depth(), 32);
    for (int y = 0; y < good.depth(); ++y)
      for (int x = 0; x < good.width(); ++x)
        for (int k = 0; k < 3; ++k) argb.pixel(x, y)[k] = good.pixel(x, y)[0];
    EXPECT_EQ(Read(argb), kText);
  }
  {
    DmRun run(good);
    run.ctx.setUnnamed(u"Result string");
    EXPECT_TRUE(run.go()) << "an output without a name is skipped";
  }
  // An output whose storage is of another type cannot be had.
  const std::vector<talvix::ParamInfo> inputs = {
      {1, u"Input frame", u""}, {3, u"Examination region", u""}, {12, u"Negative", u""},
      {12, u"Show results", u""}, {10, u"Mode", u""}};
  const std::vector<std::u16string> outputs = {u"Result string", u"Unused error correction", u"Symbol contrast",
                                               u"White module to black module width ratio", u"Output region"};
  const int types[] = {11, 10, 10, 10, 5};
  for (size_t k = 0; k < outputs.size(); ++k) {
    std::vector<talvix::ParamInfo> out;
    for (size_t j = 0; j < outputs.size(); ++j) out.push_back({j == k ? 12 : types[j], outputs[j], u""});
    talvix::RunContext ctx{inputs, out};
    ctx.setFrame(u"Input frame", good);
    talvix::Module& module = Reader::Module();
    const intptr_t handle = module.create(module.findMethod("datamatrix"));
    ctx.beginRun();
    const talvix::RunContext::ParamList in = ctx.inputList(), outList = ctx.outputList();
    std::u16string errBuf(256, u'\0');
    const bool ok = module.exports().RunMethod(handle, ctx.hostContext(), in.list, in.names, outList.list,
                                               outList.names, 255, errBuf.data());
    module.destroy(handle);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Utf8(errBuf.c_str()), k == 0 ? "error: There is no defined string for the result"
                                     : "error: Cannot get output parameter" + Utf8(outputs[k]));
    if (k > 0) {
      const auto s = ctx.strings(u"Result string");
      ASSERT_EQ(s.size(), 1u);
      EXPECT_EQ(Utf8(s[0]), kText) << "earlier outputs stay written";
    }
  }
}

TEST(DataMatrixRun, DrawingByLevel) {
  const DmMatrix m = dunsel_test::ZintDataMatrix(kText, DmOptions{.size = 8});
  const talvix::FrameBuffer good = dunsel_test::RenderDataMatrix(m, Around(m, 6));
  struct Case {
    bool show;
    int level;
    int lines, strings;
  };
  for (const Case c : {Case{false, 2, 0, 0}, Case{true, 0, 4, 0}, Case{true, 1, 4, 1}, Case{true, 2, 4, 2}}) {
    DmRun run(good);
    run.ctx.setFlags(u"Show results", {c.show});
    run.ctx.inspection().setDrawingLevel(c.level);
    ASSERT_TRUE(run.go());
    int lines = 0, strings = 0;
    std::vector<std::string> texts;
    for (const talvix::DrawCall& d : run.ctx.drawList()) {
      lines += d.fn == "DrawLine";
      if (d.fn == "DrawString") {
        ++strings;
        texts.push_back(Utf8(d.text));
      }
    }
    EXPECT_EQ(lines, c.lines) << c.show << " " << c.level;
    EXPECT_EQ(strings, c.strings) << c.show << " " << c.level;
    if (strings >= 1) {
      EXPECT_EQ(texts[0], "(24,24)");
    }
    if (strings >= 2) {
      EXPECT_EQ(texts[1], kText);
    }
  }
}

}  // namespace
