// Pixel functions, mark-frame tests and single tracing steps of CBorderDetection.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "border_fixtures.h"

namespace {

using talvix::FrameBuffer;
using CBD = CBorderDetection;

// Neighbour order W, NW, N, NE, E, SE, S, SW.
constexpr int kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};

TEST(BorderPixels, GetPixelValueReadsGreyInsideAndMinusOneElsewhere) {
  FrameBuffer f8 = FrameBuffer::make(5, 4, 8, 0);  // stride 8: padding after each row
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) *f8.pixel(x, y) = static_cast<uint8_t>(10 * y + x);
  FrameBuffer f32 = FrameBuffer::make(3, 3, 32, 0);
  uint8_t* p = f32.pixel(2, 1);
  p[0] = 10, p[1] = 20, p[2] = 31, p[3] = 200;  // (10 + 20 + 31) / 3 = 20, alpha ignored
  FrameBuffer f24 = FrameBuffer::make(3, 2, 24, 0);  // stride 12: padding after each row
  uint8_t* q = f24.pixel(2, 1);
  q[0] = 10, q[1] = 20, q[2] = 31;  // as the 32 bpp pixel, three bytes apart

  struct Case {
    const Frame* frame;
    int x, y, want;
  } cases[] = {
      {f8.frame(), 0, 0, 0},   {f8.frame(), 4, 0, 4},   {f8.frame(), 0, 1, 10},  {f8.frame(), 4, 3, 34},
      {f8.frame(), -1, 0, -1}, {f8.frame(), 5, 0, -1},  {f8.frame(), 0, -1, -1}, {f8.frame(), 0, 4, -1},
      {f32.frame(), 2, 1, 20}, {f32.frame(), 3, 1, -1}, {f24.frame(), 2, 1, 20}, {f24.frame(), 1, 1, 0},
      {f24.frame(), 3, 1, -1}, {nullptr, 0, 0, -1},
  };
  for (const Case& c : cases) {
    int v = 12345;
    CBD::GetPixelValue(c.frame, c.x, c.y, &v);
    EXPECT_EQ(v, c.want) << "(" << c.x << ", " << c.y << ")";
  }
}

TEST(BorderPixels, GetSurroundedPixelValuesGivesMinusOneOffTheFrame) {
  FrameBuffer f = FrameBuffer::make(3, 3, 8, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) *f.pixel(x, y) = static_cast<uint8_t>(1 + x + 3 * y);
  int inner[8];
  CBD::GetSurroundedPixelValues(f.frame(), 1, 1, inner);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(inner[k], 1 + (1 + kDx[k]) + 3 * (1 + kDy[k])) << k;
  int corner[8];
  CBD::GetSurroundedPixelValues(f.frame(), 0, 0, corner);
  const int want[8] = {-1, -1, -1, -1, 2, 5, 4, -1};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(corner[k], want[k]) << k;
}

TEST(BorderPixels, AddPixelValueWritesInsideOnly) {
  FrameBuffer f8 = FrameBuffer::make(3, 2, 8, 7);
  CBD::AddPixelValue(f8.frame(), 2, 1, 0x1234);
  EXPECT_EQ(*f8.pixel(2, 1), 0x34);
  FrameBuffer f32 = FrameBuffer::make(2, 2, 32, 7);
  CBD::AddPixelValue(f32.frame(), 1, 0, 0xAABBCCDDu);
  uint32_t v = 0;
  std::memcpy(&v, f32.pixel(1, 0), 4);
  EXPECT_EQ(v, 0xAABBCCDDu);
  // 24 bpp: B, G, R from the low three bytes; the neighbours keep theirs.
  FrameBuffer f24 = FrameBuffer::make(2, 2, 24, 7);
  CBD::AddPixelValue(f24.frame(), 0, 1, 0xAABBCCDDu);
  const uint8_t* p = f24.pixel(0, 1);
  EXPECT_EQ(std::vector<uint8_t>(p, p + 6), (std::vector<uint8_t>{0xDD, 0xCC, 0xBB, 7, 7, 7}));

  for (FrameBuffer* f : {&f8, &f32, &f24}) {
    const std::vector<uint8_t> before = f->bytes();
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {f->width(), 0}, {0, f->depth()}})
      CBD::AddPixelValue(f->frame(), x, y, 0);
    EXPECT_EQ(f->bytes(), before);
  }
}

TEST(BorderPixels, CountEdgeContrastTable) {
  FrameBuffer vstep = FrameBuffer::make(5, 5, 8, 0);
  border_test::Box(vstep, 3, 0, 4, 4, 255);  // columns 0..2 dark, 3..4 bright
  FrameBuffer hstep = FrameBuffer::make(5, 5, 8, 0);
  border_test::Box(hstep, 0, 2, 4, 4, 100);  // memory rows 2..4 at 100
  FrameBuffer dot = FrameBuffer::make(5, 5, 8, 0);
  *dot.pixel(3, 3) = 255;
  FrameBuffer flat = FrameBuffer::make(5, 5, 8, 77);
  FrameBuffer colour = FrameBuffer::make(4, 4, 32, 0);
  border_test::Box(colour, 2, 0, 3, 3, 255);  // grey (255 * 3) / 3 at x >= 2
  FrameBuffer colour24 = FrameBuffer::make(4, 4, 24, 0);
  border_test::Box(colour24, 2, 0, 3, 3, 255);

  struct Case {
    const char* what;
    const Frame* frame;
    int x, y;
    bool ok;
    int want;
  } cases[] = {
      {"vertical step: diagonal pair wins", vstep.frame(), 2, 2, true, 360},
      {"next to the step", vstep.frame(), 1, 2, true, 0},
      {"horizontal step", hstep.frame(), 2, 2, true, 141},
      {"single pixel, diagonal", dot.frame(), 2, 2, true, 255},
      {"single pixel, axis", dot.frame(), 3, 2, true, 255},
      {"flat", flat.frame(), 2, 2, true, 0},
      {"32 bpp grey", colour.frame(), 1, 1, true, 360},
      {"first row", vstep.frame(), 2, 0, false, -1},
      {"first column", vstep.frame(), 0, 2, false, -1},
      {"last row", vstep.frame(), 2, 4, false, -1},
      {"last column", vstep.frame(), 4, 2, false, -1},
      {"outside", vstep.frame(), 9, 9, false, -1},
      {"24 bpp grey", colour24.frame(), 1, 1, true, 360},
      {"24 bpp, last column", colour24.frame(), 3, 1, false, -1},
  };
  for (const Case& c : cases) {
    int contrast = 999;
    EXPECT_EQ(CBD::CountEdgeContrast(c.frame, c.x, c.y, &contrast), c.ok) << c.what;
    EXPECT_EQ(contrast, c.want) << c.what;
  }
}

// The contrast read pixel by pixel through GetPixelValue, each root apart.
int PlainContrast(const Frame* f, int x, int y) {
  const auto g = [&](int dx, int dy) {
    int v = 0;
    CBD::GetPixelValue(f, x + dx, y + dy, &v);
    return v;
  };
  const int ax = g(-1, 0) - g(1, 0), ay = g(0, 1) - g(0, -1);
  const int b1 = g(1, -1) - g(-1, 1), b2 = g(1, 1) - g(-1, -1);
  const int a = static_cast<int>(std::sqrt(static_cast<float>(ax * ax + ay * ay)));
  const int b = static_cast<int>(std::sqrt(static_cast<float>(b1 * b1 + b2 * b2)));
  return a > b ? a : b;
}

TEST(BorderPixels, CountEdgeContrastAndItsRowsMatchThePlainReadingOnRandomFrames) {
  // Widths that leave row padding; channels of 32 bpp pixels differ;
  // full-range pixels give large sums of squares, faint ones small sums.
  // Whole rows give what single pixels give, -1 on the frame's edges.
  uint32_t seed = 12345;
  const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 24; };
  struct Case {
    int bpp, width;
    unsigned range;
  };
  std::vector<Case> cases;
  for (const int bpp : {8, 24, 32})
    for (const int width : {2, 3, 7, 13})
      for (const unsigned range : {256u, 64u, 8u}) cases.push_back({bpp, width, range});
  for (const Case& c : cases) {
    FrameBuffer f = FrameBuffer::make(c.width, 6, c.bpp, 0);
    for (int y = 0; y < f.depth(); ++y)
      for (int x = 0; x < c.width; ++x)
        for (int b = 0; b < c.bpp / 8; ++b) f.pixel(x, y)[b] = static_cast<uint8_t>(next() % c.range);
    for (int y = -1; y <= f.depth(); ++y) {
      std::vector<int16_t> row(static_cast<size_t>(c.width), 999);
      CBD::CountEdgeContrastRow(f.frame(), y, row.data());
      for (int x = -1; x <= c.width; ++x) {
        const bool inner = x > 0 && y > 0 && x < c.width - 1 && y < f.depth() - 1;
        int contrast = 999;
        ASSERT_EQ(CBD::CountEdgeContrast(f.frame(), x, y, &contrast), inner) << c.bpp << " " << x << "," << y;
        ASSERT_EQ(contrast, inner ? PlainContrast(f.frame(), x, y) : -1) << c.bpp << " " << x << "," << y;
        if (x >= 0 && x < c.width) {
          ASSERT_EQ(row[static_cast<size_t>(x)], contrast) << c.bpp << " " << x << "," << y;
        }
      }
    }
  }
}

TEST(BorderPixels, NeighbourTests) {
  struct Case {
    int x1, y1, x2, y2;
    bool neighbour, neighbourB;
  } cases[] = {
      {3, 3, 4, 3, false, false}, {3, 3, 3, 2, false, false}, {3, 3, 4, 4, true, false},   {3, 3, 3, 3, true, false},
      {3, 3, 5, 3, true, true},   {3, 3, 2, 5, true, true},   {-1, -1, 0, 0, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CBD::NeighbourPixel(c.x1, c.y1, c.x2, c.y2), c.neighbour) << c.x2 << "," << c.y2;
    EXPECT_EQ(CBD::NeighbourPixelB(c.x1, c.y1, c.x2, c.y2), c.neighbourB) << c.x2 << "," << c.y2;
  }
}

// A 7x7 free mark with the given neighbours of (3, 3) labelled 0.
FrameBuffer MarkAround(std::initializer_list<int> labelled) {
  FrameBuffer mark = FrameBuffer::make(7, 7, 8, 255);
  for (int k : labelled) *mark.pixel(3 + kDx[k], 3 + kDy[k]) = 0;
  return mark;
}

enum { W, NW, N, NE, E, SE, S, SW };

TEST(BorderPixels, MarkTestsTable) {
  struct Case {
    std::initializer_list<int> labelled;
    int count;
    bool end, notProjecting;
  } cases[] = {
      {{}, 0, true, true},             // 5*5*5*5 = 625
      {{W}, 1, true, true},            // 4*5*5*5 = 500
      {{W, NW, SW}, 3, false, false},  // 2*4*5*4 = 160; NW top, SW bottom
      {{W, NW}, 2, true, false},       // 3*4*5*5 = 300
      {{W, E}, 2, false, true},        // left and right
      {{N, S}, 2, false, true},        // top and bottom
      {{NW, SE}, 2, false, true},      // both pairs
      {{N, NE}, 2, true, false},       // 5*3*4*5 = 300
      {{W, NW, N, NE, E, SE, S, SW}, 8, false, true},
  };
  for (const Case& c : cases) {
    const FrameBuffer mark = MarkAround(c.labelled);
    int count = -1;
    EXPECT_EQ(CBD::CheckNeighbourPixels(mark.frame(), 3, 3, &count), c.count == 0);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(CBD::CheckBorderEndPxs(mark.frame(), 3, 3), c.end) << c.count;
    EXPECT_EQ(CBD::CheckProjectingPx(mark.frame(), 3, 3), c.notProjecting) << c.count;
  }
}

TEST(BorderPixels, CheckNeighbourPixelsAnswersFalseWithinOnePixelOfTheFrameEdge) {
  const FrameBuffer mark = FrameBuffer::make(6, 5, 8, 255);
  for (auto [x, y] : {std::pair{0, 2}, {5, 2}, {2, 0}, {2, 4}, {-3, 2}, {2, 9}}) {
    int count = -1;
    EXPECT_FALSE(CBD::CheckNeighbourPixels(mark.frame(), x, y, &count)) << x << "," << y;
    EXPECT_EQ(count, 8);
  }
  int count = -1;
  EXPECT_TRUE(CBD::CheckNeighbourPixels(mark.frame(), 4, 3, &count));
  EXPECT_EQ(count, 0);
  // On the frame edge the side tests see the frame's outside as free.
  EXPECT_TRUE(CBD::CheckBorderEndPxs(mark.frame(), 0, 0));
  EXPECT_TRUE(CBD::CheckProjectingPx(mark.frame(), 5, 4));
}

TEST(BorderPixels, CheckThePossiblePixelsChoosesByScoreThenContrast) {
  // Flat source, free mark: every candidate scores 2 (same grey, no
  // continuation, not enclosed) plus 1 next to the previous direction.
  const FrameBuffer source = FrameBuffer::make(9, 9, 8, 100);
  const FrameBuffer mark = FrameBuffer::make(9, 9, 8, 255);
  int xs[8], ys[8];
  for (int k = 0; k < 8; ++k) xs[k] = 4 + kDx[k], ys[k] = 4 + kDy[k];

  struct Case {
    std::initializer_list<std::pair<int, int>> contrasts;  // (k, contrast)
    int direction, steps, startX, startY;
    bool answer;
    int chosen, endX, endY;
  } cases[] = {
      {{{N, 5}, {W, 5}, {E, 5}}, -1, 0, 4, 4, true, W, 4, 4},  // no direction yet: W and SW get the bonus
      {{{N, 5}, {SW, 5}, {E, 5}}, -1, 0, 4, 4, true, SW, 4, 4},
      {{{N, 5}, {E, 5}, {S, 5}}, NE, 0, 4, 4, true, E, 4, 4},  // N and E both favoured: the later wins the tie
      {{{N, 9}, {E, 5}}, NE, 0, 4, 4, true, N, 4, 4},          // then the larger contrast
      {{{N, 5}, {E, 5}}, SW, 0, 4, 4, true, E, 4, 4},          // no bonus: later k
      {{{E, 5}}, W, 4, 6, 4, false, -2, 5, 4},                 // a candidate next to the start closes
      {{{E, 5}}, W, 3, 6, 4, true, E, 4, 4},                   // but only after more than 3 steps
  };
  for (const Case& c : cases) {
    int contrasts[8] = {};
    for (auto [k, v] : c.contrasts) contrasts[k] = v;
    int direction = c.direction, endX = -1, endY = -1;
    bool closed = false;
    const bool answer = CBD::CheckThePossiblePixels(source.frame(), mark.frame(), &direction, 10, 4, 4, 3, 3, c.steps,
                                                    c.startX, c.startY, &closed, &endX, &endY, contrasts, xs, ys);
    EXPECT_EQ(answer, c.answer);
    if (c.answer) {
      EXPECT_EQ(direction, c.chosen);
    }
    EXPECT_EQ(closed, !c.answer);
    EXPECT_EQ(endX, c.endX);
    EXPECT_EQ(endY, c.endY);
  }
}

TEST(BorderPixels, CandidatesNeverLieOnTheFrameEdgeWhateverTheThreshold) {
  // A ramp gives every inner pixel some contrast; with a negative threshold
  // the unmeasurable edge pixels must still not become candidates.
  FrameBuffer source = FrameBuffer::make(6, 6, 8, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) *source.pixel(x, y) = static_cast<uint8_t>(20 * x + 5 * y);
  const FrameBuffer mark = FrameBuffer::make(6, 6, 8, 255);
  int contrasts[8] = {}, xs[8] = {}, ys[8] = {};
  bool closed = false, collided = false;
  int other = -1, endX = -1, endY = -1;
  EXPECT_TRUE(CBD::CheckSurroundedPixels(source.frame(), mark.frame(), 1, 1, -5, -1, -1, -1, -1, 0, contrasts, xs, ys,
                                         &closed, 1, 1, 0, &collided, &other, &endX, &endY));
  for (int k = 0; k < 8; ++k) {
    if (xs[k] == 0 || ys[k] == 0) {
      EXPECT_EQ(contrasts[k], 0) << k;
    }
  }
  EXPECT_GT(contrasts[E], 0);
}

TEST(BorderPixels, CheckSurroundedPixelsReportsACollision) {
  FrameBuffer source = FrameBuffer::make(7, 7, 8, 0);
  border_test::Box(source, 4, 0, 6, 6, 255);
  FrameBuffer mark = FrameBuffer::make(7, 7, 8, 255);
  *mark.pixel(3, 2) = 1;  // own label: no collision
  *mark.pixel(4, 5) = 9;  // another label, SE of (3, 4) but not next to (3, 3)
  int contrasts[8] = {}, xs[8] = {}, ys[8] = {};
  bool closed = false, collided = false;
  int other = -1, endX = -1, endY = -1;
  EXPECT_TRUE(CBD::CheckSurroundedPixels(source.frame(), mark.frame(), 3, 3, 10, -1, -1, -1, -1, 1, contrasts, xs, ys,
                                         &closed, 3, 3, 0, &collided, &other, &endX, &endY));
  EXPECT_FALSE(collided);
  EXPECT_EQ(contrasts[NE], 360);
  EXPECT_FALSE(CBD::CheckSurroundedPixels(source.frame(), mark.frame(), 3, 4, 10, -1, -1, -1, -1, 1, contrasts, xs, ys,
                                          &closed, 3, 4, 0, &collided, &other, &endX, &endY));
  EXPECT_TRUE(collided);
  EXPECT_EQ(other, 9);
}

// Flat grey 100 with one bright pixel at (7, 2): its 8 neighbours have
// contrast 155, every other inner pixel 0.
FrameBuffer BrightDot(uint8_t current) {
  FrameBuffer f = FrameBuffer::make(10, 8, 8, 100);
  *f.pixel(7, 2) = 255;
  *f.pixel(6, 4) = current;
  return f;
}

TEST(BorderPixels, TestPossibleNextPxScoresGreyContinuationAndEnclosure) {
  // Current pixel (6, 4), candidate (5, 3) NW of it. Of the candidate's
  // neighbours only (6, 2) and (6, 3) have contrast; (6, 3) is a 4-neighbour
  // of the current pixel, so (6, 2) alone can continue the border.
  struct Case {
    const char* what;
    uint8_t current;  // grey of the current pixel; the candidate's is 100
    int threshold, prevX, prevY;
    std::initializer_list<std::pair<int, int>> labelled;  // besides the current pixel
    int score;
  } cases[] = {
      {"all three", 100, 50, 3, 3, {}, 3},
      {"grey difference 71", 171, 50, 3, 3, {}, 3},
      {"grey difference 72", 172, 50, 3, 3, {}, 2},
      {"contrast not above the threshold", 100, 155, 3, 3, {}, 2},
      {"continuation next to the previous pixel", 100, 50, 6, 1, {}, 2},
      {"continuation with 2 labelled neighbours", 100, 50, 3, 3, {{7, 1}, {7, 2}}, 3},
      {"continuation with 3 labelled neighbours", 100, 50, 3, 3, {{7, 1}, {7, 2}, {7, 3}}, 2},
      {"enclosed: W and the current pixel SE", 100, 50, 3, 3, {{4, 3}}, 2},
      {"nothing", 172, 155, 3, 3, {{4, 3}}, 0},
  };
  for (const Case& c : cases) {
    const FrameBuffer source = BrightDot(c.current);
    FrameBuffer mark = FrameBuffer::make(10, 8, 8, 255);
    *mark.pixel(6, 4) = 0;
    for (auto [x, y] : c.labelled) *mark.pixel(x, y) = 0;
    EXPECT_EQ(CBD::TestPossibleNextPx(source.frame(), mark.frame(), 5, 3, c.threshold, 6, 4, c.prevX, c.prevY), c.score)
        << c.what;
  }
}

TEST(BorderPixels, CheckThePossiblePixelsClosesOnACandidateThatScoresNothing) {
  // The candidate NW of (6, 4) scores 0 (see above) and gets no bonus when the
  // previous direction is E; a second candidate with a score wins instead.
  const FrameBuffer source = BrightDot(172);
  FrameBuffer mark = FrameBuffer::make(10, 8, 8, 255);
  *mark.pixel(6, 4) = 0;
  *mark.pixel(4, 3) = 0;
  int xs[8], ys[8];
  for (int k = 0; k < 8; ++k) xs[k] = 6 + kDx[k], ys[k] = 4 + kDy[k];
  for (bool second : {false, true}) {
    int contrasts[8] = {};
    contrasts[NW] = 200;
    if (second) contrasts[E] = 5;
    int direction = E, endX = -1, endY = -1;
    bool closed = false;
    const bool answer = CBD::CheckThePossiblePixels(source.frame(), mark.frame(), &direction, 155, 6, 4, 3, 3, 10, 1, 1,
                                                    &closed, &endX, &endY, contrasts, xs, ys);
    EXPECT_EQ(answer, second);
    EXPECT_EQ(closed, !second);
    EXPECT_EQ(direction, E);
    EXPECT_EQ(endX, second ? 6 : 5);
    EXPECT_EQ(endY, second ? 4 : 3);
  }
}

TEST(BorderPixels, CheckSurroundedPixelsClosesOnAnEnclosedNeighbourBeforeAnyCandidate) {
  // Vertical step between columns 4 and 5: contrast 360 in both columns.
  FrameBuffer source = FrameBuffer::make(10, 10, 8, 0);
  border_test::Box(source, 5, 0, 9, 9, 255);
  struct Case {
    const char* what;
    std::initializer_list<std::pair<int, int>> labelled;  // label 1, besides the current pixel (4, 4)
    int prev2X, prev2Y;
    bool closed;
    int endX, endY;
    std::initializer_list<int> candidates;
  } cases[] = {
      // N (4, 3) has 3 labelled neighbours, top and bottom: it closes the
      // border, as no candidate came before it; NE, E, SE, S are candidates.
      {"closes on N", {{4, 2}, {3, 2}}, -1, -1, true, 4, 3, {NE, E, SE, S}},
      // S (4, 5) is enclosed the same way, but candidates came first.
      {"candidates first", {{4, 6}, {3, 6}}, -1, -1, false, -1, -1, {N, NE, E, SE}},
      // E is a 4-neighbour of the second-previous pixel.
      {"next to the second-previous pixel", {}, 6, 4, false, -1, -1, {N, NE, SE, S}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameBuffer mark = FrameBuffer::make(10, 10, 8, 255);
    *mark.pixel(4, 4) = 1;
    for (auto [x, y] : c.labelled) *mark.pixel(x, y) = 1;
    int contrasts[8] = {}, xs[8] = {}, ys[8] = {};
    bool closed = false, collided = false;
    int other = -1, endX = -1, endY = -1;
    EXPECT_TRUE(CBD::CheckSurroundedPixels(source.frame(), mark.frame(), 4, 4, 50, -1, -1, c.prev2X, c.prev2Y, 1,
                                           contrasts, xs, ys, &closed, 4, 4, 0, &collided, &other, &endX, &endY));
    EXPECT_FALSE(collided);
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(endX, c.endX);
    EXPECT_EQ(endY, c.endY);
    int want[8] = {};
    for (int k : c.candidates) want[k] = 360;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(contrasts[k], want[k]) << k;
  }
}

TEST(BorderPixels, ScanBorderTestsProjectionOnTheSecondFrame) {
  // From (4, 4): label 3 at N, NE and E. N is a 4-neighbour of the previous
  // pixel (3, 3); NE projects in the test frame, where its N and NE are
  // labelled (side scores 5 * 3 * 4 * 5 = 300), but not in the mark frame.
  FrameBuffer mark = FrameBuffer::make(9, 9, 8, 255);
  for (auto [x, y] : {std::pair{4, 3}, {5, 3}, {5, 4}}) *mark.pixel(x, y) = 3;
  FrameBuffer projecting = FrameBuffer::make(9, 9, 8, 255);
  for (auto [x, y] : {std::pair{5, 2}, {6, 2}}) *projecting.pixel(x, y) = 3;
  const FrameBuffer free = FrameBuffer::make(9, 9, 8, 255);
  struct Case {
    const char* what;
    const FrameBuffer* test;
    int prevX, prevY;
    int wantX, wantY;
  } cases[] = {
      {"no previous pixel", &free, -1, -1, 4, 3},
      {"skips the 4-neighbour of the previous pixel", &free, 3, 3, 5, 3},
      {"skips the projecting pixel", &projecting, 3, 3, 5, 4},
  };
  CBD bd;
  bd.objectCount = 1;
  for (const Case& c : cases) {
    int prevX = c.prevX, prevY = c.prevY, x = 4, y = 4;
    EXPECT_TRUE(bd.ScanBorder(mark.frame(), c.test->frame(), 3, &prevX, &prevY, &x, &y)) << c.what;
    EXPECT_EQ(x, c.wantX) << c.what;
    EXPECT_EQ(y, c.wantY) << c.what;
    EXPECT_EQ(prevX, 4) << c.what;
    EXPECT_EQ(prevY, 4) << c.what;
  }
}

TEST(BorderPixels, ScanBorderWalksALabelledRunThatTheCallerRelabels) {
  FrameBuffer mark = FrameBuffer::make(10, 8, 8, 255);
  for (int x = 2; x <= 6; ++x) *mark.pixel(x, 5) = 3;
  CBD bd;
  bd.objectCount = 4;
  int prevX = -1, prevY = -1, x = 2, y = 5;
  std::vector<int> walked{x};
  CBD::AddPixelValue(mark.frame(), x, y, 4);
  while (bd.ScanBorder(mark.frame(), mark.frame(), 3, &prevX, &prevY, &x, &y)) {
    walked.push_back(x);
    EXPECT_EQ(y, 5);
    CBD::AddPixelValue(mark.frame(), x, y, 4);
    ASSERT_LE(walked.size(), 10u);
  }
  EXPECT_EQ(walked, (std::vector<int>{2, 3, 4, 5, 6}));
  EXPECT_EQ(prevX, 5);

  // The walk never follows the object count or the free value.
  for (int xx = 2; xx <= 6; ++xx) *mark.pixel(xx, 5) = 4;
  x = 2, prevX = -1;
  EXPECT_FALSE(bd.ScanBorder(mark.frame(), mark.frame(), 4, &prevX, &prevY, &x, &y));
  EXPECT_FALSE(bd.ScanBorder(mark.frame(), mark.frame(), 255, &prevX, &prevY, &x, &y));
  EXPECT_EQ(x, 2);
}

}  // namespace
