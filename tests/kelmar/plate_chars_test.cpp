// Reading the characters of a found plate: boxes on binary plate images drawn
// in the test, and the reader's scans, rules and decision on small fixtures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "modules/kelmar/plate/char_box.h"
#include "modules/kelmar/plate/char_rules.h"
#include "plate_glyphs.h"
#include "talvix/host.hpp"

namespace {

using kelmar::plate::BoxReading;
using kelmar::plate::Cls;
using kelmar::plate::kPlateAlphabet;
using kelmar::plate::kPlateClasses;
using kelmar::plate::PlateAngles;
using kelmar::plate::PlateCharacterBox;
using kelmar::plate::Profile;
using kelmar_test::GlyphMask;

std::string Utf8(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// A binary plate image (ground 255, ink 0) with the given characters on one
// baseline, slanted by `slant` degrees, and their boxes as the plate search
// makes them: the extremes of each body along the plate and slant axes,
// umlaut boxes raised to the height of "H".
struct PlateFixture {
  talvix::FrameBuffer image;
  std::vector<PlateCharacterBox> boxes;
  PlateAngles angles;
};

PlateFixture DrawPlate(const char* face, std::u16string_view text, double slant, double size = 76) {
  const double s = std::sin(slant * M_PI / 180), c = std::cos(slant * M_PI / 180), tn = s / c;
  std::vector<GlyphMask> glyphs, bodies;
  int width = 30, tallest = 0;
  for (char16_t ch : text) {
    GlyphMask body;
    glyphs.push_back(kelmar_test::RenderPlateGlyph(face, size, ch, &body));
    bodies.push_back(body);
    width += glyphs.back().w + 22;
    tallest = std::max(tallest, glyphs.back().h);
  }
  const int baseY = 16;
  PlateFixture f;
  f.image = talvix::FrameBuffer::make(width, baseY + tallest + 16, 8, 255);
  f.angles = {0.0f, 1.0f, static_cast<float>(s), static_cast<float>(c)};

  // Extremes of the pixels along the plate (u) and slant (v) axes.
  struct Extent {
    double u0 = 1e9, u1 = -1e9, v0 = 1e9, v1 = -1e9;
    void take(int X, int Y, double tn, double c) {
      const double u = X + tn * Y, v = Y / c;
      u0 = std::min(u0, u), u1 = std::max(u1, u), v0 = std::min(v0, v), v1 = std::max(v1, v);
    }
  };
  auto paint = [&](const GlyphMask& g, int x0, Extent* e) {
    for (int my = 0; my < g.h; ++my) {
      const int Y = baseY - g.base + my;
      const int shift = static_cast<int>(std::lround(-tn * (Y - baseY)));
      for (int mx = 0; mx < g.w; ++mx) {
        if (!g.at(mx, my)) continue;
        const int X = x0 + mx + shift;
        f.image.pixel(X, Y)[0] = 0;
        if (e) e->take(X, Y, tn, c);
      }
    }
  };
  const GlyphMask h = kelmar_test::RenderPlateGlyph(face, size, u'H');
  int x0 = 20;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    Extent e;
    paint(glyphs[i], x0, nullptr);
    // The body alone is the character's blob; umlaut dots are blobs of their own.
    for (int my = 0; my < bodies[i].h; ++my) {
      const int Y = baseY - bodies[i].base + my;
      const int shift = static_cast<int>(std::lround(-tn * (Y - baseY)));
      for (int mx = 0; mx < bodies[i].w; ++mx)
        if (bodies[i].at(mx, my)) e.take(x0 + mx + shift, Y, tn, c);
    }
    PlateCharacterBox b;
    b.width = std::trunc(e.u1 - e.u0 + 1);
    b.height = std::trunc(e.v1 - e.v0 + 1);
    if (b.height < 0.88 * h.h / c) {
      b.height = std::trunc((h.h - 1) / c + 1);
      b.heightRaised = 1;
    }
    b.x = static_cast<float>(e.u0 - e.v0 * s);
    b.y = static_cast<float>(e.v0 * c);
    f.boxes.push_back(b);
    x0 += glyphs[i].w + 22;
  }
  return f;
}

std::u16string Read(PlateFixture& f, std::vector<int32_t>* scores = nullptr) {
  std::vector<int32_t> local;
  std::vector<int32_t>& sc = scores ? *scores : local;
  sc.assign(f.boxes.size() * kPlateClasses, 0);
  kelmar::plate::ReadPlateCharacters(f.image.frame(), 0, 0, f.angles, f.boxes.data(),
                                     static_cast<int>(f.boxes.size()), sc.data());
  std::u16string out;
  for (const auto& b : f.boxes) out += b.text;
  return out;
}

constexpr std::u16string_view kAlphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜ";

// What the reader makes of every character, per face and slant. Reviewed:
// a change here is a change of the reader's rules or of the fixtures. The
// round "O" ties with "0" and reads "0"; a tie elsewhere reads "?". `once`
// marks the boxes read by a single lowest count ("1"), which alone set the
// read-once byte.
struct AlphabetCase {
  const char* face;
  double slant;
  std::u16string_view reading;
  std::string_view once;
};

TEST(PlateCharacters, AlphabetReadsAsReviewed) {
  const AlphabetCase cases[] = {
      {"DejaVu Sans Condensed", 0, u"0123456789ABCDEFGHIIKLMN0P0RSTUVWXYZAÖÖ",
       ".11111111111111111111111.11111111111111"},
      {"DejaVu Sans Condensed", 5, u"0123456789ABCDEFGHIIKLMN0P?RSTUVWXYZAÖÖ",
       ".11111111111111111111111.1.111111111111"},
      {"Nimbus Sans Narrow", 0, u"0123456789ABCDEFGHIJKLMN0P0RSTUVWXYZAÖÖ",
       ".11111111111111111111111.11111111111111"},
      {"Nimbus Sans Narrow", 5, u"0123456789ABCDEFGHIJKL?N0PQRSTUVWXYZAÖÖ",
       ".111111111111111111111.1.11111111111111"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.face << ", slant " << c.slant);
    PlateFixture f = DrawPlate(c.face, kAlphabet, c.slant);
    EXPECT_EQ(Utf8(Read(f)), Utf8(c.reading));
    std::string once;
    for (const auto& b : f.boxes) once += b.readOnce ? '1' : '.';
    EXPECT_EQ(once, c.once);
  }
}

TEST(PlateCharacters, BoxCornersMoveToPlateImageCoordinates) {
  PlateFixture f = DrawPlate(kelmar_test::kPlateFaces[0], u"7", 0);
  const PlateCharacterBox before = f.boxes[0];
  f.boxes[0].x += 300;
  f.boxes[0].y += 40;
  std::vector<int32_t> scores(kPlateClasses, 0);
  kelmar::plate::ReadPlateCharacters(f.image.frame(), 300, 40, f.angles, f.boxes.data(), 1, scores.data());
  EXPECT_EQ(f.boxes[0].x, before.x);
  EXPECT_EQ(f.boxes[0].y, before.y);
  EXPECT_EQ(f.boxes[0].text, u'7');
}

TEST(PlateCharacters, DecisionTakesTheSingleLowestOrSettlesZeroAgainstO) {
  struct Case {
    std::u16string_view lowered;  // characters at 1 point, the rest at 5
    std::u16string_view nearby;   // characters at 2 points
    char16_t reading;
    bool unique;
  };
  const Case cases[] = {
      {u"A", u"", u'A', true},
      {u"AB", u"", u'?', false},
      {u"0O", u"", u'0', false},
      {u"0D", u"O", u'0', false},
      {u"OQ", u"0", u'0', false},
      {u"0D", u"", u'?', false},
      {u"0", u"O", u'0', true},
  };
  for (const auto& c : cases) {
    int32_t row[kPlateClasses];
    std::fill(std::begin(row), std::end(row), 5);
    for (char16_t ch : c.lowered) row[kelmar::plate::ClassOf(ch)] = 1;
    for (char16_t ch : c.nearby) row[kelmar::plate::ClassOf(ch)] = 2;
    bool unique = !c.unique;
    EXPECT_EQ(kPlateAlphabet[kelmar::plate::DecideCharacter(row, &unique)], c.reading) << Utf8(c.lowered);
    EXPECT_EQ(unique, c.unique) << Utf8(c.lowered);
  }
}

// A reading of one box on a blank image, with profiles set by the test.
BoxReading Blank(talvix::FrameBuffer& image, std::vector<int32_t>& row, double w, double h) {
  row.assign(kPlateClasses, 0);
  BoxReading r;
  r.box = {image.frame(), 5, 5, w, h, 1, 0, 0, 1};
  r.scores = {row.data()};
  r.w = w;
  r.h = h;
  r.t = 0.08 * w;
  return r;
}

void SetProfile(Profile& p, std::initializer_list<int> values) {
  p = Profile{};
  for (int v : values) p.push(v);
  p.finish();
}

TEST(PlateCharacters, BoxShapeRules) {
  struct Case {
    double w, h;
    bool raised;
    int a, one, w_, u, uu;  // points of A, 1, W, U, Ü
  };
  const Case cases[] = {
      {20, 30, false, 0, 0, 0, 0, 3},  // an unraised box: Ü loses whatever it shows
      {20, 30, true, 0, 0, 0, 3, 0},
      {10, 30, false, 0, 0, 1, 0, 3},  // twice as high as wide: not W
      {10, 40, false, 0, 0, 1, 0, 3},
      {10, 41, false, 1, 0, 2, 1, 4},  // over 4:1: everything but 1 and I
      {8, 41, true, 3, 0, 4, 6, 3},    // over 5:1: three points
  };
  talvix::FrameBuffer image = talvix::FrameBuffer::make(8, 8, 8, 255);
  for (const auto& c : cases) {
    std::vector<int32_t> row;
    BoxReading r = Blank(image, row, c.w, c.h);
    r.heightRaised = c.raised;
    kelmar::plate::ApplyBoxRules(r);
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << (c.raised ? " raised" : ""));
    EXPECT_EQ(row[Cls(u'A')], c.a);
    EXPECT_EQ(row[Cls(u'1')], c.one);
    EXPECT_EQ(row[Cls(u'I')], c.one);
    EXPECT_EQ(row[Cls(u'W')], c.w_);
    EXPECT_EQ(row[Cls(u'U')], c.u);
    EXPECT_EQ(row[Cls(u'Ü')], c.uu);
  }
}

// One image row from a pattern: '#' ink 0, '=' exactly the threshold 125,
// anything else ground 255.
talvix::FrameBuffer Row(std::string_view pattern) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(static_cast<int>(pattern.size()), 1, 8, 255);
  for (size_t x = 0; x < pattern.size(); ++x)
    f.pixel(static_cast<int>(x), 0)[0] = pattern[x] == '#' ? 0 : pattern[x] == '=' ? 125 : 255;
  return f;
}

TEST(PlateCharacterScans, RunScanStopsAfterTheFirstDarkRun) {
  struct Case {
    std::string_view row;
    int leading, total;
  };
  const Case cases[] = {
      {"......", 6, 6},  // no ink: the whole line, its length plus one
      {"..##..", 3, 5},
      {"##....", 1, 3},
      {"..####", 3, 6},
      {"..=#=.", 4, 6},  // the threshold itself is neither ink nor ground
  };
  for (const auto& c : cases) {
    talvix::FrameBuffer f = Row(c.row);
    const auto counts = kelmar::plate::RunScan(f.frame(), 0, 0, f.width() - 1, 0);
    EXPECT_EQ(counts.leading, c.leading) << c.row;
    EXPECT_EQ(counts.total, c.total) << c.row;
  }
}

TEST(PlateCharacterScans, CrossingScanCountsStrokesEntered) {
  struct Case {
    std::string_view row;
    int start, entries;
  };
  const Case cases[] = {
      {"....####....####....", 0, 2},
      {"####....####", 0, 1},         // begins inside a stroke
      {"..####.####..", 0, 1},        // a one-pixel gap starts no new stroke
      {"..####..####..", 0, 2},
      {".#.#.#.", 0, 0},              // a stroke needs two dark pixels in a row
      {"....####....", 1, 2},         // counted on from the caller's start
  };
  for (const auto& c : cases) {
    talvix::FrameBuffer f = Row(c.row);
    EXPECT_EQ(kelmar::plate::CrossingScan(f.frame(), 0, 0, f.width() - 1, 0, kelmar::plate::kRight, c.start),
              c.entries)
        << c.row;
  }
}

TEST(PlateCharacterProfiles, RowsWithoutInkAreKeptOnlyInTheMiddle) {
  talvix::FrameBuffer image = talvix::FrameBuffer::make(60, 60, 8, 255);
  kelmar::plate::BoxFrame box{image.frame(), 10, 10, 20, 25, 1, 0, 0, 1};
  kelmar::plate::BoxProfiles prof;
  kelmar::plate::MeasureProfiles(box, prof);
  // Rows at 0.06, 0.10, ...: those strictly between 0.13 and 0.87, 0.14 to 0.86.
  EXPECT_EQ(prof.left.n, 19);
  EXPECT_EQ(prof.right.n, 19);
  // Columns without ink span more than the height and are never kept.
  EXPECT_EQ(prof.bottom.n, 0);
  EXPECT_EQ(prof.top.n, 0);

  // One ink column at the box's left edge: every row stops there.
  for (int y = 0; y < 60; ++y) image.pixel(10, y)[0] = 0;
  kelmar::plate::MeasureProfiles(box, prof);
  EXPECT_EQ(prof.left.n, 23);  // 0.06 to 0.94
  EXPECT_EQ(prof.left.range, 0);
}

TEST(PlateCharacterStages, TwoAgainstZByTheSlopeDifference) {
  // Steps 3 and 4 leave "2" and "Z" a point each; r[7] sets the slope
  // difference x with w = 20: x >= 3 gives "Z", x <= 1 gives "2".
  struct Case {
    int r7;
    int two, z;
  };
  const Case cases[] = {{1, 2, 1}, {2, 1, 1}, {4, 1, 2}};
  talvix::FrameBuffer image = talvix::FrameBuffer::make(40, 45, 8, 255);
  for (const auto& c : cases) {
    std::vector<int32_t> row;
    BoxReading r = Blank(image, row, 20, 30);
    SetProfile(r.prof.right, {3, 3, 3, 0, 5, 0, 1, c.r7, 6});
    kelmar::plate::Stage2Z(r, 0);
    EXPECT_EQ(row[Cls(u'2')], c.two) << "x = " << c.r7;
    EXPECT_EQ(row[Cls(u'Z')], c.z) << "x = " << c.r7;
  }
}

TEST(PlateCharacterStages, HMNWindowAndDeviations) {
  struct Case {
    const char* what;
    std::initializer_list<int> bottom, top;
    int h, w;  // points of H and W
  };
  const Case cases[] = {
      // No value of q[2 .. Nb-3] reaches half the range: the window is the
      // single index Nb - 2, and steps 6 and 8 both give "W" a point.
      {"collapsed window", {9, 9, 1, 0, 1, 6, 9, 9}, {}, 0, 3},
      {"valley", {9, 9, 8, 2, 0, 8, 9, 9}, {}, 0, 1},
      // su over one value is not a number: sm stays su, "M N W" get the point
      // although sb is large.
      {"one top value", {0, 0, 0, 0, 0, 20, 0, 0, 0}, {0, 5, 15, 5, 0}, 0, 3},
      {"two top values", {0, 0, 0, 0, 0, 20, 0, 0, 0}, {0, 5, 15, 15, 15, 5, 5, 5, 0}, 2, 2},
  };
  talvix::FrameBuffer image = talvix::FrameBuffer::make(40, 45, 8, 255);
  for (const auto& c : cases) {
    std::vector<int32_t> row;
    BoxReading r = Blank(image, row, 20, 30);
    SetProfile(r.prof.bottom, c.bottom);
    SetProfile(r.prof.top, c.top);
    kelmar::plate::StageHMN(r, 0);
    EXPECT_EQ(row[Cls(u'H')], c.h) << c.what;
    EXPECT_EQ(row[Cls(u'W')], c.w) << c.what;
  }
}

TEST(PlateCharacterStages, OneIJAgainstThree) {
  struct Case {
    const char* what;
    std::initializer_list<int> left;
    int one, three, j;
  };
  const Case cases[] = {
      {"N <= 3: no values", {0, 3, 1, 2}, 0, 1, 0},
      {"one value each", {0, 0, 1, 1, 1, 1, 1, 1, 10, 0, 0}, 0, 1, 0},
      {"spread", {0, 0, 10, 0, 10, 0, 10, 0, 10, 0, 10}, 1, 0, 1},
  };
  talvix::FrameBuffer image = talvix::FrameBuffer::make(8, 8, 8, 255);
  for (const auto& c : cases) {
    std::vector<int32_t> row;
    BoxReading r = Blank(image, row, 10, 30);
    SetProfile(r.prof.left, c.left);
    kelmar::plate::Stage1IJ3(r);
    EXPECT_EQ(row[Cls(u'1')], c.one) << c.what;
    EXPECT_EQ(row[Cls(u'3')], c.three) << c.what;
    EXPECT_EQ(row[Cls(u'J')], c.j) << c.what;
    EXPECT_EQ(row[Cls(u'I')], c.j) << c.what;
  }
}

TEST(PlateCharacters, BoxesOfAFewPixelsReadWithoutFault) {
  // Profiles of none to a handful of values: every fixed index a rule names
  // lies outside them, and boxes reach past the image.
  talvix::FrameBuffer image = talvix::FrameBuffer::make(13, 11, 8, 255);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x)
      if ((x * 7 + y * 3) % 5 < 2) image.pixel(x, y)[0] = 0;
  std::vector<PlateCharacterBox> boxes;
  for (int w = 1; w <= 5; ++w)
    for (int h = 1; h <= 6; ++h)
      for (float x : {-2.0f, 0.0f, 9.0f})
        boxes.push_back({x, static_cast<float>(h - 3), static_cast<float>(w), static_cast<float>(h), 0, 0,
                         static_cast<uint8_t>(h % 2)});
  std::vector<int32_t> scores(boxes.size() * kPlateClasses, 0);
  const PlateAngles slanted{0.05f, 0.99875f, 0.087f, 0.9962f};
  kelmar::plate::ReadPlateCharacters(image.frame(), 0, 0, slanted, boxes.data(), static_cast<int>(boxes.size()),
                                     scores.data());
  for (const auto& b : boxes) EXPECT_NE(std::u16string_view(kPlateAlphabet).find(b.text), std::u16string_view::npos);
}

}  // namespace
