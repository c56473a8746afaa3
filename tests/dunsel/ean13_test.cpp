// EAN-13 through the exported interface on zint symbols rendered into
// frames: every first digit, module widths, polarities, turns, blur and
// noise, single-element faults, the check digit and the module total.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dunsel_symbols.h"

namespace {

using dunsel_test::FromRuns;
using dunsel_test::Reader;
using dunsel_test::Render;
using dunsel_test::RenderRow;
using dunsel_test::Runs;
using dunsel_test::Utf8;

// The element widths of L digits; R characters have the same widths
// beginning with a bar.
const int kL[10][4] = {{3, 2, 1, 1}, {2, 2, 2, 1}, {2, 1, 2, 2}, {1, 4, 1, 1}, {1, 1, 3, 2},
                       {1, 2, 3, 1}, {1, 1, 1, 4}, {1, 3, 1, 2}, {1, 2, 1, 3}, {3, 1, 1, 2}};

std::vector<int> Ean(const std::string& twelve) { return dunsel_test::ZintRow(BARCODE_EANX, twelve); }

struct Read {
  bool ok;
  std::string text;
  std::string error;
};

Read ReadEan(const talvix::FrameBuffer& f, int lines = 20, std::vector<double> angles = {0.0}) {
  Reader reader("barcode_EAN13");
  talvix::RunContext ctx(Reader::Module(), reader.index());
  ctx.setFrame(u"Input frame", f);
  ctx.setNumbers(u"Scanline number", {double(lines)});
  ctx.setNumbers(u"Scanline angles", angles);
  const talvix::RunResult r = reader.run(ctx);
  const auto out = ctx.strings(u"Result string");
  return {r.ok, out.empty() ? std::string() : Utf8(out[0]), Utf8(r.error)};
}

// The element index of the first element of character c (0 to 11) in
// reading order from the start guard.
int CharacterElement(int c) { return c < 6 ? 3 + 4 * c : 32 + 4 * (c - 6); }

TEST(Ean13, ZintSymbolHasTheStandardLayout) {
  const std::vector<int> bits = Ean("590123412345");
  ASSERT_EQ(bits.size(), 95u);
  EXPECT_EQ(Runs(bits).size(), 59u);
}

TEST(Ean13, ReadsEveryFirstDigitAtSeveralModuleWidthsInBothPolarities) {
  const std::string bodies[] = {"012345678901", "123456789012", "290123456789", "312345098765", "400638133393",
                                "590123412345", "614141000415", "712345678901", "850006000012", "978020137962"};
  for (const std::string& body : bodies) {
    const std::vector<int> bits = Ean(body);
    std::string expected = body;
    int sum = 0;
    for (int p = 0; p < 12; ++p) sum += (body[p] - '0') * (p % 2 ? 3 : 1);
    expected += char('0' + (10 - sum % 10) % 10);
    for (double module : {2.0, 3.0, 4.0}) {
      // Both polarities at every width, each symbol in one of them.
      for (bool white : {(body[0] + int(module)) % 2 == 0}) {
        SCOPED_TRACE(body + " module " + std::to_string(module) + (white ? " white" : " black"));
        Render r;
        r.module = module;
        r.width = static_cast<int>(module * 95) + 60;
        r.whiteBars = white;
        talvix::FrameBuffer f = RenderRow(bits, r);
        Reader reader("barcode_EAN13");
        talvix::RunContext ctx(Reader::Module(), reader.index());
        ctx.setFrame(u"Input frame", f);
        ctx.setNumbers(u"Scanline number", {10});
        ctx.setNumbers(u"Scanline angles", {0});
        ctx.setFlags(u"Barcode color ( true - white bars, false - black bars )", {white});
        const talvix::RunResult res = reader.run(ctx);
        EXPECT_TRUE(res.ok) << Utf8(res.error);
        ASSERT_EQ(ctx.strings(u"Result string").size(), 1u);
        EXPECT_EQ(Utf8(ctx.strings(u"Result string")[0]), expected);
      }
    }
  }
}

// A symbol turned by `angle` degrees, blurred and noisy.
Render Distorted(double angle, double blur, double noise) {
  Render r;
  r.angle = angle;
  r.blur = blur;
  r.noise = noise;
  return r;
}

TEST(Ean13, ReadsTurnedBlurredAndNoisySymbols) {
  const std::vector<int> bits = Ean("400638133393");
  struct Case {
    double angle, blur, noise, module;
  };
  const Case cases[] = {{3, 0, 0, 3}, {-5, 0, 0, 3}, {0, 1, 0, 3},  {0, 0, 6, 3},
                        {4, 1, 4, 3}, {0, 1, 3, 2},  {-2, 1, 6, 4}, {180, 0, 0, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle << " blur " << c.blur << " noise " << c.noise);
    Render r = Distorted(c.angle, c.blur, c.noise);
    r.module = c.module;
    const Read got = ReadEan(RenderRow(bits, r), 20, {0.0});
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, "4006381333931");
  }
}

TEST(Ean13, OneElementAModuleOffReadsExceptInTheSixthCharacterRead) {
  const std::vector<int> runs = Runs(Ean("590123412345"));
  struct Case {
    int character;  // in reading order, 0 to 11
    int element;    // within the character
    bool reads;
  };
  // Widened elements after which the character's own row still matches best
  // (error 1), in characters without an element of 4 modules, whose count
  // would sit on the rounding edge. The sixth character read (index 5) counts twice, so an
  // imperfect match there leaves too few perfect characters.
  const Case cases[] = {{1, 0, true}, {3, 0, true}, {6, 3, true}, {11, 3, true}, {5, 0, false}, {5, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "character " << c.character << " element " << c.element);
    std::vector<int> edited = runs;
    const int e = CharacterElement(c.character) + c.element;
    // Widen one element by a module; its neighbour in the next character
    // keeps its width, so only this character is off.
    edited[e] += 1;
    Render r;
    r.width = 520;
    r.module = 4;
    const Read got = ReadEan(RenderRow(FromRuns(edited), r));
    EXPECT_EQ(got.ok, c.reads) << got.error;
    if (c.reads) {
      EXPECT_EQ(got.text, "5901234123457");
    }
  }
}

// A region one pixel high along the symbol, as a line-scan picture gives:
// its one line has no neighbour inside the region to confirm a lone read.
TEST(Ean13, RegionsAFewPixelsHighAlongTheSymbolRead) {
  const std::vector<int> bits = Ean("400638133393");
  struct Case {
    double height, angle;
    int lines;
    double blur, noise;
  };
  const Case cases[] = {{1, 0, 1, 0, 0}, {1, 0, 3, 0, 0}, {2, 0, 1, 0, 0}, {3, 0, 3, 0, 0},
                        {2, 6, 1, 0, 0}, {1, 0, 1, 1, 3}, {1, 180, 1, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "height " << c.height << " angle " << c.angle << " lines " << c.lines);
    const talvix::FrameBuffer f = RenderRow(bits, Distorted(c.angle, c.blur, c.noise));
    Reader reader("barcode_EAN13");
    talvix::RunContext ctx(Reader::Module(), reader.index());
    ctx.setFrame(u"Input frame", f);
    ctx.setRegions(u"Examination region", {{f.width() / 2.0, f.depth() / 2.0, 380, c.height, c.angle}});
    ctx.setNumbers(u"Scanline number", {double(c.lines)});
    ctx.setNumbers(u"Scanline angles", {0.0});
    const talvix::RunResult got = reader.run(ctx);
    EXPECT_TRUE(got.ok) << Utf8(got.error);
    const auto out = ctx.strings(u"Result string");
    EXPECT_EQ(out.empty() ? std::string() : Utf8(out[0]), "4006381333931");
  }
}

TEST(Ean13, WrongCheckDigitKeepsTheResultString) {
  std::vector<int> runs = Runs(Ean("590123412345"));  // check digit 7
  const int e = CharacterElement(11);
  for (int k = 0; k < 4; ++k) runs[e + k] = kL[3][k];  // check digit 3 instead
  Reader reader("barcode_EAN13");
  talvix::RunContext ctx(Reader::Module(), reader.index());
  ctx.setFrame(u"Input frame", RenderRow(FromRuns(runs), Render{}));
  ctx.setNumbers(u"Scanline number", {20});
  ctx.setNumbers(u"Scanline angles", {0});
  const talvix::RunResult r = reader.run(ctx);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error), "error: Checksum error");
  // The misread text does not reach the result string.
  EXPECT_EQ(Utf8(ctx.strings(u"Result string").at(0)), "");
}

TEST(Ean13, AWrongCheckDigitIsReportedOnlyWhenTwoLinesReadItAlike) {
  // The top half of the bars ends in check digit 3, the bottom half in 4:
  // lines reading different numbers are a misread scan, not a symbol
  // printed with a wrong check digit.
  std::vector<int> runs = Runs(Ean("590123412345"));  // check digit 7
  const int e = CharacterElement(11);
  for (int k = 0; k < 4; ++k) runs[e + k] = kL[3][k];
  const talvix::FrameBuffer three = RenderRow(FromRuns(runs), Render{});
  for (int k = 0; k < 4; ++k) runs[e + k] = kL[4][k];
  talvix::FrameBuffer split = RenderRow(FromRuns(runs), Render{});
  for (int y = split.depth() / 2; y < split.depth(); ++y)
    for (int x = 0; x < split.width(); ++x) split.pixel(x, y)[0] = three.pixel(x, y)[0];
  struct Case {
    const char* what;
    const talvix::FrameBuffer& frame;
    int lines;
    std::string error;
  };
  const Case cases[] = {
      {"one number on many lines", three, 20, "error: Checksum error"},
      {"one line", three, 1, "No barcode was found on the image"},
      {"two numbers, one line each", split, 2, "No barcode was found on the image"},
      {"two numbers, many lines each", split, 20, "error: Checksum error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Read got = ReadEan(c.frame, c.lines);
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.error, c.error);
    EXPECT_EQ(got.text, "");
  }
}

TEST(Ean13, ARightHalfDrawnWithOtherThanRCharactersGivesNoText) {
  // The digits stay, so the check digit passes; the marked characters of
  // the right half are drawn with the G widths (an L character there has
  // the R widths, as drawn from a bar, or the L widths backwards: the
  // same G widths read from the end).
  struct Case {
    const char* what;
    std::string body;
    std::vector<int> drawnG;  // characters 6 to 11
    double angle;
  };
  const Case cases[] = {
      {"one character", "002394243101", {9}, 0},
      {"digit 1, whose L and G widths differ by two", "978044101498", {6}, 0},
      {"three characters", "590123412345", {6, 8, 10}, 0},
      {"the whole half", "400638133393", {6, 7, 8, 9, 10, 11}, 0},
      {"read from the end", "590123412345", {7}, 180},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int> runs = Runs(Ean(c.body));
    const Read clean = ReadEan(RenderRow(FromRuns(runs), Distorted(c.angle, 0, 0)));
    EXPECT_TRUE(clean.ok) << clean.error;
    for (int ch : c.drawnG) std::reverse(runs.begin() + CharacterElement(ch), runs.begin() + CharacterElement(ch) + 4);
    const Read got = ReadEan(RenderRow(FromRuns(runs), Distorted(c.angle, 0, 0)));
    EXPECT_FALSE(got.ok) << got.text;
    EXPECT_EQ(got.text, "");
  }
}

TEST(Ean13, ModuleTotalMustBeNinetyFourToNinetySix) {
  const std::vector<int> runs = Runs(Ean("590123412345"));
  struct Case {
    std::vector<int> endGuard;  // widths of the three end-guard elements
    bool reads;
  };
  const Case cases[] = {{{1, 1, 1}, true}, {{2, 1, 1}, true}, {{2, 1, 2}, false}, {{3, 1, 3}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.endGuard[0] << c.endGuard[1] << c.endGuard[2]);
    std::vector<int> edited = runs;
    for (int k = 0; k < 3; ++k) edited[56 + k] = c.endGuard[k];
    const Read got = ReadEan(RenderRow(FromRuns(edited), Render{}));
    EXPECT_EQ(got.ok, c.reads) << got.error;
  }
}

TEST(Ean13, MisreadOnOneLineDoesNotBlockAGoodReadOnALaterLine) {
  // Upper symbol: perfectly printed, wrong check digit. Lower symbol: right
  // check digit, one element a module off. One thread reads the lines in
  // order, the faulty symbol's lines first.
  std::vector<int> wrong = Runs(Ean("590123412345"));
  for (int k = 0; k < 4; ++k) wrong[CharacterElement(11) + k] = kL[3][k];
  std::vector<int> good = Runs(Ean("400638133393"));
  good[CharacterElement(11) + 3] += 1;
  Render top, bottom;
  top.width = bottom.width = 640;
  top.depth = bottom.depth = 480;
  top.cy = 120;
  top.height = 100;
  bottom.cy = 360;
  bottom.height = 100;
  talvix::FrameBuffer f = RenderRow(FromRuns(wrong), top);
  const talvix::FrameBuffer g = RenderRow(FromRuns(good), bottom);
  // Stored rows are bottom-up: the displayed top half is the upper rows.
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 640; ++x) f.pixel(x, y)[0] = g.pixel(x, y)[0];
  for (bool topFirst : {true, false}) {
    const int before = omp_get_max_threads();
    omp_set_num_threads(1);
    talvix::FrameBuffer frame = f;
    if (!topFirst) {
      // the same picture upside down: the good symbol's lines come first
      talvix::FrameBuffer flipped = talvix::FrameBuffer::make(640, 480, 8);
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) flipped.pixel(x, y)[0] = f.pixel(x, 479 - y)[0];
      frame = flipped;
    }
    const Read got = ReadEan(frame, 24);
    omp_set_num_threads(before);
    EXPECT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.text, "4006381333931");
  }
}

}  // namespace
