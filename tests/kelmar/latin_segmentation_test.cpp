// The Latin reader's inputs, letter segmentation, line statistics and mark
// shapes: through the module, and on the reader's segmentation entry.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "kelmar_rig.h"
#include "latin_fixtures.h"

namespace {

using kelmar::CMatchLatinOCR;
using kelmar_test::Blank;
using kelmar_test::Box;
using kelmar_test::CleanLine;
using kelmar_test::Instance;
using kelmar_test::Segmented;

constexpr int kLatin = 2;

// ---------------------------------------------------------------- inputs

TEST(LatinInputs, CorrectionsAndWarnings) {
  const talvix::FrameBuffer line = CleanLine(400, 90, "Kolo 42", 48);
  struct Case {
    const char* what;
    std::vector<double> threshold, selection;
    std::vector<std::u16string> warnings;
  } cases[] = {
      {"threshold above one", {1.5}, {}, {u"Not acceptable value of the parameter Threshold (1.500000). It will be used new value 0.996000."}},
      {"negative threshold", {-0.1}, {}, {u"Not acceptable value of the parameter Threshold (-0.100000). It will be used new value 0.004000."}},
      {"selection 13", {0.5}, {13}, {u"Not acceptable value of the parameter Selection of characters (13). It will be used new value 0."}},
      {"selection 8", {0.5}, {8}, {}},
      {"selection 12", {0.5}, {12}, {}},
      {"arrays", {0.5, 0.6}, {1, 2},
       {u"Only the first element of the array would be evaluated in the input data object Threshold",
        u"Only the first element of the array would be evaluated in the input data object Selection of characters"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Instance inst(kLatin);
    inst.ctx.setFrame(u"Input frame", line);
    inst.ctx.setNumbers(u"Threshold", c.threshold);
    if (!c.selection.empty()) inst.ctx.setNumbers(u"Selection of characters", c.selection);
    inst.run();
    EXPECT_EQ(inst.ctx.warnings(), c.warnings);
  }
}

TEST(LatinInputs, Failures) {
  {
    Instance inst(kLatin);
    const talvix::RunResult r = inst.run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get input frame");
  }
  // A uniform region: without a threshold the automatic one gives up, with
  // one no letter is found.
  for (const std::vector<double>& threshold : {std::vector<double>{}, std::vector<double>{0.5}}) {
    Instance inst(kLatin);
    inst.ctx.setFrame(u"Input frame", Blank(200, 80, 200));
    if (!threshold.empty()) inst.ctx.setNumbers(u"Threshold", threshold);
    const talvix::RunResult r = inst.run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"No letters segmented in the frame");
  }
}

TEST(LatinInputs, OutputFrameHoldsTheLettersOfTheRegion) {
  talvix::FrameBuffer f = Blank(120, 60);
  Box(f, 30, 20, 39, 39);
  Instance inst(kLatin);
  inst.ctx.setFrame(u"Input frame", f);
  inst.ctx.setRegions(u"Region", {{60, 30, 100, 50, 0}});
  inst.ctx.setNumbers(u"Threshold", {0.5});
  inst.run();
  const talvix::FrameBuffer* out = inst.ctx.frame(u"Output frame");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->width(), 102);
  ASSERT_EQ(out->depth(), 52);
  int black = 0;
  for (int y = 0; y < out->depth(); ++y)
    for (int x = 0; x < out->width(); ++x) {
      const uint8_t* p = out->pixel(x, y);
      if (p[0] == 0) {
        ++black;
        // The region's left edge is frame column 10, its lowest row frame row 5.
        EXPECT_TRUE(x >= 20 && x <= 29 && y >= 15 && y <= 34) << x << "," << y;
      } else {
        EXPECT_EQ(p[0] + p[1] + p[2] + p[3], 4 * 255);
      }
    }
  EXPECT_EQ(black, 200);
}

// ---------------------------------------------------------- segmentation

struct OracleBox {
  int left, top, right, bottom;
  bool operator==(const OracleBox&) const = default;
};

// Plain 4-connected labelling of the ink (byte 0) of a two-level frame; the
// components wholly inside the turned region with at least two pixels, in the
// order a row-by-row scan meets them, with their boxes in region axes.
std::vector<OracleBox> OracleLetters(const talvix::FrameBuffer& f, const TRectangularRegion& g) {
  const int w = f.width(), h = f.depth();
  std::vector<int> label(static_cast<size_t>(w) * h, 0);
  std::vector<OracleBox> out;
  const float s = static_cast<float>(std::sin(g.angle * M_PI / 180)), c = static_cast<float>(std::cos(g.angle * M_PI / 180));
  const float cx = static_cast<float>(g.cx), cy = static_cast<float>(g.cy);
  const float hw = static_cast<float>(g.width) / 2, hh = static_cast<float>(g.height) / 2;
  int next = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (f.pixel(x, y)[0] != 0 || label[y * w + x]) continue;
      ++next;
      std::vector<std::pair<int, int>> todo{{x, y}}, all;
      label[y * w + x] = next;
      while (!todo.empty()) {
        auto [px, py] = todo.back();
        todo.pop_back();
        all.push_back({px, py});
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = px + dx, ny = py + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h || f.pixel(nx, ny)[0] != 0 || label[ny * w + nx]) continue;
          label[ny * w + nx] = next;
          todo.push_back({nx, ny});
        }
      }
      if (all.size() < 2) continue;
      float minU = 1e9f, minV = 1e9f, maxU = -1e9f, maxV = -1e9f;
      bool inside = true;
      for (auto [px, py] : all) {
        const float dx = px - cx, dy = py - cy;
        const float u = c * dx + s * dy, v = c * dy - s * dx;
        if (std::fabs(u) > hw || std::fabs(v) > hh) inside = false;
        minU = std::min(minU, u + hw);
        maxU = std::max(maxU, u + hw);
        minV = std::min(minV, v + hh);
        maxV = std::max(maxV, v + hh);
      }
      if (inside)
        out.push_back({static_cast<int>(minU + 0.5f), static_cast<int>(minV + 0.5f), static_cast<int>(maxU + 0.5f),
                       static_cast<int>(maxV + 0.5f)});
    }
  return out;
}

TEST(LatinSegmentation, BoxesOfCleanLinesMatchAPlainLabelling) {
  for (double angle : {0.0, 12.0, -25.0}) {
    for (int bpp : {8, 32}) {
      SCOPED_TRACE(testing::Message() << angle << " degrees, " << bpp << " bits");
      const talvix::FrameBuffer line = CleanLine(560, 320, "Zluty kun 0123 AbgQ", 40, angle);
      // The frame's centre, as the text was turned about it.
      const TRectangularRegion region{280, 160, 540, 90, angle};
      const std::vector<OracleBox> expected = OracleLetters(line, region);
      Segmented s(bpp == 8 ? line : kelmar_test::To32(line), region);
      ASSERT_EQ(s.count(), static_cast<int>(expected.size()));
      EXPECT_EQ(s.count(), 16);
      for (int i = 0; i < s.count(); ++i) {
        const kelmar::LetterRecord& r = s.letter(i);
        EXPECT_EQ((OracleBox{r.left, r.top, r.right, r.bottom}), expected[i]) << "letter " << i;
      }
    }
  }
}

TEST(LatinSegmentation, EdgeCases) {
  struct Case {
    const char* what;
    talvix::FrameBuffer frame;
    std::optional<TRectangularRegion> region;
    int threshold;
    bool negative;
    int letters;
  };
  std::vector<Case> cases;
  {
    talvix::FrameBuffer f = Blank(40, 30);
    f.pixel(10, 10)[0] = 0;
    cases.push_back({"one pixel", f, std::nullopt, 128, false, 0});
    f.pixel(11, 10)[0] = 0;
    cases.push_back({"two pixels", f, std::nullopt, 128, false, 1});
  }
  {
    // Inside the clipped box of a region turned 45 degrees, outside the region.
    talvix::FrameBuffer f = Blank(100, 100);
    Box(f, 24, 24, 34, 34);
    cases.push_back({"outside the turned region", f, TRectangularRegion{50, 50, 60, 60, 45}, 128, false, 0});
    Box(f, 48, 48, 52, 52);
    cases.push_back({"inside the turned region", f, TRectangularRegion{50, 50, 60, 60, 45}, 128, false, 1});
  }
  {
    // At 1.2 T a pixel is judged against the local mean (here ink); above, it is ground.
    for (auto [value, letters] : {std::pair{120, 1}, std::pair{121, 0}}) {
      talvix::FrameBuffer f = Blank(40, 30);
      Box(f, 10, 10, 11, 10, static_cast<uint8_t>(value));
      cases.push_back({"near 1.2 T", f, std::nullopt, 100, false, letters});
    }
    // Light text: at 0.8 T the local test makes a pixel ink that the clear
    // case below it leaves as ground.
    for (auto [value, letters] : {std::pair{100, 1}, std::pair{99, 0}}) {
      talvix::FrameBuffer f = Blank(40, 30, 0);
      Box(f, 10, 10, 11, 10, static_cast<uint8_t>(value));
      cases.push_back({"near 0.8 T, negative", f, std::nullopt, 125, true, letters});
    }
  }
  {
    talvix::FrameBuffer f = Blank(12 * 11 + 4, 12 * 10 + 4);
    for (int i = 0; i < 101; ++i) Box(f, 4 + (i % 11) * 12, 4 + (i / 11) * 12, 5 + (i % 11) * 12, 5 + (i / 11) * 12);
    cases.push_back({"101 letters", f, std::nullopt, 128, false, 100});
  }
  {
    // A rake: a bar with 600 teeth, each tooth a run beside the bar, more
    // than a small fixed stack holds. The blob after it is still found.
    talvix::FrameBuffer f = Blank(20, 1220);
    Box(f, 2, 2, 2, 1201);
    for (int y = 2; y <= 1201; y += 2) Box(f, 3, y, 6, y);
    Box(f, 12, 1210, 13, 1211);
    cases.push_back({"a large blob", f, std::nullopt, 128, false, 2});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Segmented s(c.frame, c.region, c.threshold, c.negative);
    EXPECT_EQ(s.count(), c.letters);
  }
}

TEST(LatinSegmentation, SharesOfOddAndEvenWidths) {
  struct Case {
    int columns[4];  // ink rows per column, from row 0
    float left, right;
  } cases[] = {
      {{4, 2, 2, 0}, 5.0f / 8, 3.0f / 8},   // three columns: the middle one counts half to each side
      {{4, 2, 2, 2}, 6.0f / 10, 4.0f / 10}, // four columns: no middle
      {{3, 3, 1, 0}, 4.5f / 7, 2.5f / 7},
  };
  for (const Case& c : cases) {
    talvix::FrameBuffer f = Blank(30, 30);
    for (int col = 0; col < 4; ++col)
      if (c.columns[col] > 0) Box(f, 10 + col, 10, 10 + col, 9 + c.columns[col]);
    Segmented s(f, std::nullopt);
    ASSERT_EQ(s.count(), 1);
    const kelmar::LetterRecord& r = s.letter(0);
    EXPECT_FLOAT_EQ(r.leftShare, c.left);
    EXPECT_FLOAT_EQ(r.rightShare, c.right);
    EXPECT_FLOAT_EQ(r.leftShare + r.rightShare, 1.0f);
    // Rows: ink from row 0 up, so the larger-row half holds less.
    EXPECT_FLOAT_EQ(r.lowerShare + r.upperShare, 1.0f);
    EXPECT_LT(r.lowerShare, r.upperShare);
  }
}

// A 20 x 20 ink square (area 400) with one ground component inside.
TEST(LatinSegmentation, HolesAndSpecks) {
  struct Case {
    const char* what;
    int w, h;  // ground component inside the square
    bool negative;
    int holes;
    int centre;  // letter-image byte at the component's first pixel
  } cases[] = {
      {"below 1 %: filled", 3, 1, false, 0, 0},
      {"exactly 1 %: left", 2, 2, false, 0, 255},
      {"exactly 1.5 %: no hole", 3, 2, false, 0, 255},
      {"above 1.5 %: hole", 7, 1, false, 1, 255},
      {"large hole", 6, 6, false, 1, 255},
      {"large hole, light on dark", 6, 6, true, 1, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::FrameBuffer f = Blank(40, 40);
    Box(f, 10, 10, 29, 29);
    Box(f, 15, 15, 14 + c.w, 14 + c.h, 255);
    if (c.negative)
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) f.pixel(x, y)[0] = 255 - f.pixel(x, y)[0];
    Segmented s(f, std::nullopt, 128, c.negative);
    ASSERT_EQ(s.count(), 1);
    const kelmar::LetterRecord& r = s.letter(0);
    ASSERT_EQ(r.right - r.left + 1, 20);
    EXPECT_EQ(r.holeCount, c.holes);
    EXPECT_EQ(s.ink(0, 5, 5), c.centre);
    if (c.holes == 1) {
      ASSERT_EQ(r.holes.size(), 3u);
      EXPECT_FLOAT_EQ(r.holes[2], c.w * c.h / 400.0f);
      EXPECT_FLOAT_EQ(r.holes[0], (5 + (c.w - 1) / 2.0f) / 19);
      EXPECT_FLOAT_EQ(r.holes[1], (5 + (c.h - 1) / 2.0f) / 19);
    }
  }
}

TEST(LatinSegmentation, LetterImageOfATurnedRegionIsDeskewed) {
  // An upright 8 x 30 bar turned with the region keeps its size in region axes.
  for (double angle : {0.0, 20.0, -35.0}) {
    SCOPED_TRACE(angle);
    talvix::FrameBuffer f = Blank(120, 120);
    const double a = angle * M_PI / 180;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) {
        const double dx = x - 60, dy = y - 60;
        const double u = std::cos(a) * dx + std::sin(a) * dy, v = std::cos(a) * dy - std::sin(a) * dx;
        if (std::fabs(u) <= 4 && std::fabs(v) <= 15) f.pixel(x, y)[0] = 0;
      }
    Segmented s(f, TRectangularRegion{60, 60, 80, 80, angle});
    ASSERT_EQ(s.count(), 1);
    const kelmar::LetterRecord& r = s.letter(0);
    EXPECT_NEAR(r.right - r.left + 1, 9, 1);
    EXPECT_NEAR(r.bottom - r.top + 1, 31, 1);
    EXPECT_EQ(r.holeCount, 0);
    int inkPixels = 0;
    for (int y = 0; y <= r.bottom - r.top; ++y)
      for (int x = 0; x <= r.right - r.left; ++x) inkPixels += s.ink(0, x, y) == 0;
    EXPECT_GT(inkPixels, 0.8 * (r.right - r.left + 1) * (r.bottom - r.top + 1));
  }
}

// ------------------------------------------------------- line statistics

TEST(LatinLineStatistics, GroupsOfClasses) {
  // One letter 10 wide, 20 high, top at region row 5.
  talvix::FrameBuffer f = Blank(40, 40);
  Box(f, 10, 5, 19, 24);
  Segmented s(f, std::nullopt);
  ASSERT_EQ(s.count(), 1);
  struct Case {
    int cls;
    float capital, small, tall;  // the mean each group holds after one update, 0 untouched
    bool top;                    // meanTop takes the letter's top
  } cases[] = {
      {0, 20, 0, 0, true},     {35, 20, 0, 0, true},    {36, 20, 0, 0, true},  {98, 20, 0, 0, true},
      {26, 0, 0, 0, false},    {39, 0, 0, 0, false},    {43, 0, 0, 0, false},  {62, 0, 0, 0, false},
      {101, 0, 0, 0, false},   {69, 16, 0, 0, true},    {96, 16, 0, 0, true},  {42, 0, 20, 0, true},
      {99, 0, 20, 0, true},    {126, 0, 20, 0, true},   {44, 0, 0, 20, true},  {97, 0, 0, 20, true},
      {49, 0, 0, 20, false},   {113, 0, 0, 20, false},  {84, 0, 0, 0, false},  {67, 0, 0, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cls);
    s.reader.ClearLineStatistics();
    s.reader.UpdateLineMetrics(0, c.cls);
    const kelmar::LineStatistics& st = s.reader.lineStatistics();
    EXPECT_FLOAT_EQ(st.capitalHeight, c.capital);
    EXPECT_EQ(st.capitalCount, c.capital > 0);
    EXPECT_FLOAT_EQ(st.smallLetterHeight, c.small);
    EXPECT_EQ(st.smallLetterCount, c.small > 0);
    EXPECT_FLOAT_EQ(st.tallSmallLetterHeight, c.tall);
    EXPECT_EQ(st.tallSmallLetterCount, c.tall > 0);
    EXPECT_EQ(st.meanTopCount, c.top ? 1 : 0);
    EXPECT_FLOAT_EQ(st.meanTop, c.top ? 5.0f : 0.0f);
  }
  // Running means: a capital read with its mark counts 0.8 of its height.
  s.reader.ClearLineStatistics();
  s.reader.UpdateLineMetrics(0, 10);
  s.reader.UpdateLineMetrics(0, 69);
  EXPECT_FLOAT_EQ(s.reader.lineStatistics().capitalHeight, 18.0f);
  EXPECT_EQ(s.reader.lineStatistics().capitalCount, 2);
}

// ------------------------------------------------------------ mark shapes

TEST(LatinMarks, ShapesOfDrawnMarks) {
  using Draw = void (*)(talvix::FrameBuffer&);
  const struct {
    const char* what;
    Draw draw;
    CMatchLatinOCR::MarkKind kind;
  } cases[] = {
      // Rows grow away from the baseline: the acute rises to the right.
      {"acute", [](talvix::FrameBuffer& f) { for (int r = 0; r < 12; ++r) Box(f, 10 + r, 10 + r, 13 + r, 10 + r); },
       CMatchLatinOCR::kAcute},
      {"mirrored", [](talvix::FrameBuffer& f) { for (int r = 0; r < 12; ++r) Box(f, 21 - r, 10 + r, 24 - r, 10 + r); },
       CMatchLatinOCR::kDot},
      {"caron",
       [](talvix::FrameBuffer& f) {
         for (int r = 0; r < 10; ++r) {
           Box(f, 20 - r, 10 + r, 21 - r, 10 + r);
           Box(f, 20 + r, 10 + r, 21 + r, 10 + r);
         }
       },
       CMatchLatinOCR::kCaron},
      {"ring",
       [](talvix::FrameBuffer& f) {
         for (int y = 0; y < 40; ++y)
           for (int x = 0; x < 40; ++x) {
             const double d = std::hypot(x - 20, y - 20);
             if (d >= 4 && d <= 7) f.pixel(x, y)[0] = 0;
           }
       },
       CMatchLatinOCR::kRing},
      {"dot", [](talvix::FrameBuffer& f) { Box(f, 18, 18, 22, 21); }, CMatchLatinOCR::kDot},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::FrameBuffer f = Blank(40, 40);
    c.draw(f);
    Segmented s(f, std::nullopt);
    ASSERT_EQ(s.count(), 1);
    EXPECT_EQ(s.reader.ClassifyMark(0), c.kind);
  }
}

}  // namespace
