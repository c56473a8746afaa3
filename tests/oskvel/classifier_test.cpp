// The particle classifier through the exported interface: drawn shapes in a
// pattern frame become classes, shifted and shuffled copies take them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cpu_time.h"
#include "talvix/host.hpp"
#include "blur.h"
#include "text_buffer.h"

namespace {

using talvix::FrameBuffer;

talvix::Module& Oskvel() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("oskvel", &error);
    if (!loaded) ADD_FAILURE() << "cannot load oskvel: " << error;
    return loaded;
  }();
  return *m;
}

struct Classifier {
  explicit Classifier(int index = 0) : handle(Oskvel().create(index)), ctx(Oskvel(), index) {}
  ~Classifier() { Oskvel().destroy(handle); }
  talvix::RunResult operator()() { return ctx.run(handle); }
  intptr_t handle;
  talvix::RunContext ctx;
};

enum Shape { kDisc, kSquare, kTriangle, kBar, kWasher, kOffWasher, kTurnedTriangle, kTurnedBar };

bool Inside(Shape s, int x, int y) {
  switch (s) {
    case kDisc:
      return (x - 15) * (x - 15) + (y - 15) * (y - 15) <= 13 * 13;
    case kSquare:
      return x >= 3 && x <= 26 && y >= 3 && y <= 26;
    case kTriangle:
      return y >= 2 && y <= 28 && std::abs(2 * (x - 15)) <= (y - 2);
    case kBar:
      return x >= 1 && x <= 29 && y >= 10 && y <= 20;
    // Square plates of a 41 x 41 cell with a round hole, concentric or not.
    case kWasher:
      return x >= 2 && x <= 38 && y >= 2 && y <= 38 && (x - 20) * (x - 20) + (y - 20) * (y - 20) > 81;
    case kOffWasher:
      return x >= 2 && x <= 38 && y >= 2 && y <= 38 && (x - 14) * (x - 14) + (y - 23) * (y - 23) > 64;
    // A quarter turn of the shape.
    case kTurnedTriangle:
      return Inside(kTriangle, y, 30 - x);
    case kTurnedBar:
      return Inside(kBar, y, 30 - x);
  }
  return false;
}

struct Placed {
  Shape shape;
  int x, y;  // corner of the shape's cell (41 x 41 for the plates, else 31 x 31)
};

// Bright shapes (grey 220) on a dark ground (30), 8 or 32 bits per pixel.
FrameBuffer Scene(int w, int d, int bpp, const std::vector<Placed>& shapes) {
  FrameBuffer f = FrameBuffer::make(w, d, bpp, 30);
  for (const Placed& p : shapes) {
    for (int y = 0; y < 41; ++y) {
      for (int x = 0; x < 41; ++x) {
        if (!Inside(p.shape, x, y)) continue;
        uint8_t* px = f.pixel(p.x + x, p.y + y);
        for (int c = 0; c < std::min(bpp / 8, 3); ++c) px[c] = 220;
      }
    }
  }
  return f;
}

// Line counts for both frames; the shapes are bright objects.
void SetCounts(talvix::RunContext& ctx, double lines = 60) {
  for (const char16_t* n : {u"Horizontal template scanline number", u"Vertical template scanline number",
                            u"Horizontal camera scanline number", u"Vertical camera scanline number"})
    ctx.setNumbers(n, {lines});
  ctx.setFlags(u"Object color", {true});
}

const std::vector<Placed> kPattern = {{kDisc, 20, 20}, {kSquare, 80, 20}, {kTriangle, 20, 90}, {kBar, 80, 90}};

struct Result {
  int cls;
  TRectangle rect;
};

std::vector<Result> Results(const talvix::RunContext& ctx) {
  const auto classes = ctx.numbers(u"Result classes");
  const auto rects = ctx.rectangles(u"Result rectangles");
  EXPECT_EQ(classes.size(), rects.size());
  std::vector<Result> out;
  for (size_t i = 0; i < std::min(classes.size(), rects.size()); ++i) out.push_back({int(classes[i]), rects[i]});
  return out;
}

// The class found at the cell whose corner is (x, y), -1 for none.
int ClassAt(const std::vector<Result>& r, int x, int y) {
  for (const Result& e : r)
    if (e.rect.cx > x && e.rect.cx < x + 31 && e.rect.cy > y && e.rect.cy < y + 31) return e.cls;
  return -1;
}

TEST(Classifier, ShiftedAndShuffledShapesKeepTheirClasses) {
  for (int bpp : {8, 32}) {
    SCOPED_TRACE(bpp);
    const FrameBuffer pattern = Scene(160, 150, bpp, kPattern);
    Classifier own;
    own.ctx.setFrame(u"Input frame", pattern);
    own.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(own.ctx);
    // Equal features give distance 0: only that passes so small a limit.
    own.ctx.setNumbers(u"Maximal number of found patterns", {1e-9});
    const talvix::RunResult r = own();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    const std::vector<Result> mine = Results(own.ctx);
    ASSERT_EQ(mine.size(), 4u);
    std::vector<int> cls;
    for (const Placed& p : kPattern) cls.push_back(ClassAt(mine, p.x, p.y));
    EXPECT_EQ(std::set<int>(cls.begin(), cls.end()), (std::set<int>{1, 2, 3, 4}));

    // The shapes moved by whole pixels and in another order.
    const std::vector<Placed> moved = {{kTriangle, 131, 101}, {kSquare, 70, 140}, {kDisc, 150, 30}, {kBar, 10, 40}};
    Classifier shifted;
    shifted.ctx.setFrame(u"Input frame", Scene(220, 190, bpp, moved));
    shifted.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(shifted.ctx);
    const talvix::RunResult rs = shifted();
    ASSERT_TRUE(rs.ok) << talvix::ToUtf8(rs.error);
    const std::vector<Result> theirs = Results(shifted.ctx);
    ASSERT_EQ(theirs.size(), moved.size());
    for (const Placed& m : moved) {
      size_t k = 0;
      while (kPattern[k].shape != m.shape) ++k;
      EXPECT_EQ(ClassAt(theirs, m.x, m.y), cls[k]) << "shape " << m.shape;
    }
    EXPECT_EQ(shifted.ctx.numbers(u"Result number"), std::vector<double>{double(moved.size())});
  }
}

// Runs on one object keep its mark frame: what one run traced must not stay
// behind for the next frame, whose shapes lie where the last ones were.
TEST(Classifier, EachRunAnswersAsAFreshObjectDoes) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  const std::vector<std::vector<Placed>> inputs = {
      {{kTriangle, 131, 101}, {kSquare, 70, 140}, {kDisc, 150, 30}, {kBar, 10, 40}},
      {{kSquare, 133, 99}, {kBar, 72, 141}, {kTriangle, 148, 31}, {kDisc, 12, 38}},
      {{kDisc, 131, 101}, {kTriangle, 70, 140}}};
  const auto flat = [](const talvix::RunContext& ctx) {
    std::vector<double> out;
    for (const Result& e : Results(ctx)) out.insert(out.end(), {double(e.cls), e.rect.cx, e.rect.cy, e.rect.width});
    return out;
  };
  Classifier kept;
  kept.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(kept.ctx);
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    const FrameBuffer input = Scene(220, 190, 8, inputs[i]);
    kept.ctx.setFrame(u"Input frame", input);
    ASSERT_TRUE(kept().ok);
    Classifier fresh;
    fresh.ctx.setFrame(u"Pattern frame", pattern);
    fresh.ctx.setFrame(u"Input frame", input);
    SetCounts(fresh.ctx);
    ASSERT_TRUE(fresh().ok);
    EXPECT_EQ(Results(fresh.ctx).size(), inputs[i].size());
    EXPECT_EQ(flat(kept.ctx), flat(fresh.ctx));
  }
}

// A huge line count arrives as INT_MAX: past one line per pixel across the
// frame it is bounded, so it answers at once and as the bounded count does.
TEST(Classifier, HugeLineCountsAreBoundedByTheFrame) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  std::vector<std::vector<double>> found;
  for (double lines : {161.0, 1e300}) {
    Classifier c;
    c.ctx.setFrame(u"Input frame", pattern);
    c.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(c.ctx, lines);
    const talvix::RunResult r = c();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    std::vector<double> flat;
    for (const Result& e : Results(c.ctx)) flat.insert(flat.end(), {double(e.cls), e.rect.cx, e.rect.cy});
    found.push_back(flat);
  }
  EXPECT_FALSE(found[0].empty());
  EXPECT_EQ(found[0], found[1]);
}

// The class of the pattern shape `s` in a pattern laid out as `pattern`.
// The classes a pattern frame gives when classified against itself.
std::vector<Result> OwnClasses(const FrameBuffer& pattern) {
  Classifier own;
  own.ctx.setFrame(u"Input frame", pattern);
  own.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(own.ctx);
  return own().ok ? Results(own.ctx) : std::vector<Result>{};
}

int ClassOf(const std::vector<Result>& own, const std::vector<Placed>& pattern, Shape s) {
  for (const Placed& p : pattern)
    if (p.shape == s) return ClassAt(own, p.x, p.y);
  return -1;
}

TEST(Classifier, TurnedShapesAndPlatesWithHolesKeepTheirClasses) {
  const std::vector<Placed> layout = {{kDisc, 10, 10},   {kSquare, 60, 10}, {kTriangle, 110, 10},
                                      {kBar, 10, 70},    {kWasher, 60, 60}, {kOffWasher, 120, 60}};
  const FrameBuffer pattern = Scene(180, 120, 8, layout);
  Classifier own;
  own.ctx.setFrame(u"Input frame", pattern);
  own.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(own.ctx, 120);
  own.ctx.setNumbers(u"Maximal number of found patterns", {1e-9});
  ASSERT_TRUE(own().ok);
  const std::vector<Result> classes = Results(own.ctx);
  ASSERT_EQ(classes.size(), layout.size());

  const std::vector<Placed> moved = {
      {kOffWasher, 15, 20}, {kTurnedTriangle, 80, 30}, {kWasher, 130, 75}, {kTurnedBar, 60, 100}};
  const Shape original[] = {kOffWasher, kTriangle, kWasher, kBar};
  Classifier c;
  c.ctx.setFrame(u"Input frame", Scene(190, 150, 8, moved));
  c.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(c.ctx, 120);
  c.ctx.setNumbers(u"Maximal number of found patterns", {0.2});
  const talvix::RunResult r = c();
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const std::vector<Result> found = Results(c.ctx);
  for (size_t i = 0; i < moved.size(); ++i)
    EXPECT_EQ(ClassAt(found, moved[i].x, moved[i].y), ClassOf(classes, layout, original[i])) << "shape " << i;
}

// Five shapes turned about their centre and drawn 4 x 4 supersampled, so
// that their edges are grey as a camera's are.
enum TurnedShape { kRound, kOval, kBlock, kWedge, kStrip };

bool InsideTurned(TurnedShape s, double u, double v) {
  switch (s) {
    case kRound:
      return u * u + v * v <= 16.0 * 16.0;
    case kOval:
      return (u / 22) * (u / 22) + (v / 11) * (v / 11) <= 1;
    case kBlock:
      return std::abs(u) <= 15 && std::abs(v) <= 15;
    case kWedge:  // apex up at v = -20, base at v = 12, half base 17
      return v >= -20 && v <= 12 && std::abs(u) <= 17 * (v + 20) / 32;
    case kStrip:
      return std::abs(u) <= 22 && std::abs(v) <= 6;
  }
  return false;
}

struct Turned {
  TurnedShape shape;
  double deg;
};

// One shape to a 64 x 64 cell, left to right and top to bottom; the object
// grey `object` on the ground grey `ground`.
FrameBuffer TurnedScene(const std::vector<Turned>& shapes, int columns, int object, int ground) {
  const int rows = (static_cast<int>(shapes.size()) + columns - 1) / columns;
  FrameBuffer f = FrameBuffer::make(64 * columns, 64 * rows, 8, static_cast<uint8_t>(ground));
  for (size_t i = 0; i < shapes.size(); ++i) {
    const double cx = 64.0 * (i % columns) + 31.7, cy = 64.0 * (i / columns) + 32.2;
    const double a = shapes[i].deg * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
    for (int y = static_cast<int>(cy) - 30; y <= static_cast<int>(cy) + 30; ++y) {
      for (int x = static_cast<int>(cx) - 30; x <= static_cast<int>(cx) + 30; ++x) {
        int hits = 0;
        for (int k = 0; k < 16; ++k) {
          const double px = x + (k % 4 + 0.5) / 4 - 0.5 - cx, py = y + (k / 4 + 0.5) / 4 - 0.5 - cy;
          hits += InsideTurned(shapes[i].shape, px * c + py * s, -px * s + py * c);
        }
        *f.pixel(x, y) = static_cast<uint8_t>((object * hits + ground * (16 - hits)) / 16);
      }
    }
  }
  return f;
}

// Each shape, bright on dark or dark on bright, at every tenth degree (where
// a fixed probe step from an extreme point lands on ground or on the edge at
// many turns): the particle takes the class of its own upright shape.
TEST(Classifier, EveryShapeIsClassifiedInEitherPolarityAtItsTurn) {
  const std::vector<Turned> upright = {{kRound, 0}, {kOval, 0}, {kBlock, 0}, {kWedge, 0}, {kStrip, 0}};
  std::vector<Turned> turned;
  for (const Turned& u : upright)
    for (int deg = 0; deg < 360; deg += 10) turned.push_back({u.shape, double(deg)});
  for (const bool bright : {true, false}) {
    SCOPED_TRACE(bright ? "bright on dark" : "dark on bright");
    const int object = bright ? 210 : 40, ground = bright ? 40 : 210;
    const FrameBuffer pattern = TurnedScene(upright, 5, object, ground);
    Classifier own;
    own.ctx.setFrame(u"Input frame", pattern);
    own.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(own.ctx, 40);
    own.ctx.setFlags(u"Object color", {bright});
    ASSERT_TRUE(own().ok);
    std::vector<int> classOf(upright.size(), -1);  // by shape
    for (const Result& e : Results(own.ctx)) classOf.at(static_cast<size_t>(e.rect.cx / 64)) = e.cls;

    Classifier c;
    c.ctx.setFrame(u"Input frame", TurnedScene(turned, 6, object, ground));
    c.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(c.ctx, 80);
    c.ctx.setFlags(u"Object color", {bright});
    const talvix::RunResult r = c();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    std::vector<int> found(turned.size(), -1);
    for (const Result& e : Results(c.ctx))
      found.at(static_cast<size_t>(e.rect.cy / 64) * 6 + static_cast<size_t>(e.rect.cx / 64)) = e.cls;
    for (size_t i = 0; i < turned.size(); ++i)
      EXPECT_EQ(found[i], classOf[turned[i].shape]) << "shape " << turned[i].shape << " at " << turned[i].deg;
  }
}

// Blurred wedges (a Gaussian of sigma 2) whose borders the detection
// traces in pieces: a piece is an open curve, and walked out and back it
// looks like a bar. Each wedge is its own class or nothing, the same on one
// thread and on eight at once.
TEST(Classifier, BlurredWedgesAreNeverTakenForBars) {
  const std::vector<Turned> upright = {{kRound, 0}, {kOval, 0}, {kBlock, 0}, {kWedge, 0}, {kStrip, 0}};
  const FrameBuffer pattern = TurnedScene(upright, 5, 210, 40);
  std::vector<Turned> wedges;
  for (int deg = 0; deg < 360; deg += 10) wedges.push_back({kWedge, double(deg)});
  struct Case {
    int object;  // grey of the wedges on the ground grey 40
    double threshold;
  } cases[] = {{100, 0.06}, {110, 0.07}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.object);
    const FrameBuffer input = oskvel_test::Blurred(TurnedScene(wedges, 6, k.object, 40), 2.0);
    // The pattern's classes (by shape), then the wedges' results.
    const auto classify = [&](std::vector<int>* classOf, std::vector<Result>* found) {
      Classifier c;
      c.ctx.setFrame(u"Input frame", pattern);
      c.ctx.setFrame(u"Pattern frame", pattern);
      SetCounts(c.ctx, 80);
      c.ctx.setNumbers(u"Gradient threshold", {k.threshold});
      c.ctx.setNumbers(u"Maximal number of found patterns", {1e-9});
      if (!c().ok) return;
      classOf->assign(upright.size(), -1);
      for (const Result& e : Results(c.ctx)) classOf->at(static_cast<size_t>(e.rect.cx / 64)) = e.cls;
      c.ctx.setFrame(u"Input frame", input);
      c.ctx.setNumbers(u"Maximal number of found patterns", {1.0});
      if (c().ok) *found = Results(c.ctx);
    };
    std::vector<int> classOf;
    std::vector<Result> alone;
    classify(&classOf, &alone);
    ASSERT_EQ(classOf.size(), upright.size());
    ASSERT_GT(classOf[kWedge], 0);
    ASSERT_GT(classOf[kStrip], 0);
    for (const Result& e : alone) {
      EXPECT_NE(e.cls, classOf[kStrip]) << "a bar at " << e.rect.cx << "," << e.rect.cy;
      EXPECT_EQ(e.cls, classOf[kWedge]) << "at " << e.rect.cx << "," << e.rect.cy;
    }
    // The pieces of most wedges are joined into their outline again.
    EXPECT_GE(alone.size(), 30u);

    std::vector<std::vector<int>> classes(8);
    std::vector<std::vector<Result>> found(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < found.size(); ++t) threads.emplace_back([&, t] { classify(&classes[t], &found[t]); });
    for (std::thread& t : threads) t.join();
    const auto flat = [](const std::vector<Result>& r) {
      std::vector<double> out;
      for (const Result& e : r) out.insert(out.end(), {double(e.cls), e.rect.cx, e.rect.cy, e.rect.width});
      return out;
    };
    for (size_t t = 0; t < found.size(); ++t) {
      EXPECT_EQ(classes[t], classOf) << "thread " << t;
      EXPECT_EQ(flat(found[t]), flat(alone)) << "thread " << t;
    }
  }
}

TEST(Classifier, RingRegionMethod) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  // Ring round (100, 100) from radius 30 to 80: a square inside, a disc
  // outside, a triangle across the outer circle.
  const std::vector<Placed> scene = {{kSquare, 140, 85}, {kDisc, 5, 5}, {kTriangle, 85, 165}};
  const std::vector<Result> classes = OwnClasses(pattern);
  ASSERT_FALSE(classes.empty());

  Classifier c(1);
  c.ctx.setFrame(u"Input frame", Scene(220, 200, 8, scene));
  c.ctx.setFrame(u"Pattern frame", pattern);
  c.ctx.setNumbers(u"Horizontal template scanline number", {60});
  c.ctx.setNumbers(u"Vertical template scanline number", {60});
  c.ctx.setNumbers(u"Scanline number", {50});
  c.ctx.setFlags(u"Object color", {true});
  c.ctx.setRingRegions(u"Examination region", {TRingRegion{100, 100, 30, 80, 0, 0}});
  const talvix::RunResult r = c();
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const std::vector<Result> found = Results(c.ctx);
  EXPECT_EQ(ClassAt(found, 140, 85), ClassOf(classes, kPattern, kSquare));
  EXPECT_EQ(ClassAt(found, 5, 5), -1) << "outside the ring";
  // The triangle's border leaves the ring, so it is not a closed particle.
  EXPECT_EQ(ClassAt(found, 85, 165), -1) << "across the ring's edge";
  EXPECT_EQ(found.size(), 1u);
}

// Rings far past the frame: only the arcs' parts that can meet the frame are
// walked, so each run finishes about as fast as a ring of the frame's size,
// with the answer of the arcs as the ring spreads them.
TEST(Classifier, RingsFarPastTheFrameAreBoundedByIt) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  const std::vector<Placed> scene = {{kSquare, 140, 85}, {kTriangle, 40, 30}};
  const std::vector<Result> classes = OwnClasses(pattern);
  ASSERT_FALSE(classes.empty());
  const std::set<int> both = {ClassOf(classes, kPattern, kSquare), ClassOf(classes, kPattern, kTriangle)};

  const double far = 1e6;  // a centre this far below the frame sees it straight up
  struct Case {
    const char* name;
    TRingRegion ring;
    double arcs;
    std::set<int> classes;  // empty: no particle in the ring's arcs
  } cases[] = {
      {"the frame's size", {110, 100, 0, 160, 0, 0}, 50, both},
      {"outer radius 1e12", {110, 100, 30, 1e12, 0, 0}, 50, {}},
      {"outer radius 1e12, arcs a huge count", {110, 100, 0, 1e12, 0, 0}, 1e300, {}},
      {"arcs of a million pixels across the frame", {110, 100 + far, far - 100, far + 100, 0, 0}, 50, both},
      {"half of them, the half facing the frame", {110, 100 + far, far - 100, far + 100, 180, 360}, 50, both},
      {"half of them, the half facing away", {110, 100 + far, far - 100, far + 100, 0, 180}, 50, {}},
      {"a half turn across the start angle", {110, 100 + far, far - 100, far + 100, 200, 20}, 50, both},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Classifier c(1);
    c.ctx.setFrame(u"Input frame", Scene(220, 200, 8, scene));
    c.ctx.setFrame(u"Pattern frame", pattern);
    c.ctx.setNumbers(u"Horizontal template scanline number", {60});
    c.ctx.setNumbers(u"Vertical template scanline number", {60});
    c.ctx.setNumbers(u"Scanline number", {k.arcs});
    c.ctx.setFlags(u"Object color", {true});
    c.ctx.setRingRegions(u"Examination region", {k.ring});
    talvix::RunResult r;
    EXPECT_LT(test_cost::CpuSecondsOf([&] { r = c(); }), 20.0);
    if (k.classes.empty()) {
      EXPECT_EQ(r.error, u"No recognized classifiable shape in the source image");
      continue;
    }
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    std::set<int> found;
    for (const Result& e : Results(c.ctx)) found.insert(e.cls);
    EXPECT_EQ(found, k.classes);
  }
}

TEST(Classifier, LimitsAndTies) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  {
    Classifier c;  // limit 0: nothing is below it
    c.ctx.setFrame(u"Input frame", pattern);
    c.ctx.setFrame(u"Pattern frame", pattern);
    SetCounts(c.ctx);
    c.ctx.setNumbers(u"Maximal number of found patterns", {0});
    EXPECT_EQ(c().error, u"No classified shape in the source image");
    EXPECT_EQ(c.ctx.numbers(u"Result number"), std::vector<double>{0.0});
  }
  {
    // Two identical squares are two classes at equal distance: the first wins.
    const FrameBuffer twins = Scene(160, 80, 8, {{kSquare, 20, 20}, {kSquare, 90, 20}});
    Classifier c;
    c.ctx.setFrame(u"Input frame", Scene(160, 80, 8, {{kSquare, 20, 20}}));
    c.ctx.setFrame(u"Pattern frame", twins);
    SetCounts(c.ctx);
    const talvix::RunResult r = c();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    EXPECT_EQ(c.ctx.numbers(u"Result classes"), std::vector<double>{1.0});
  }
  {
    // A 10 x 10 square is too small to be a particle.
    FrameBuffer small = FrameBuffer::make(60, 60, 8, 30);
    for (int y = 20; y < 30; ++y)
      for (int x = 20; x < 30; ++x) *small.pixel(x, y) = 220;
    Classifier c;
    c.ctx.setFrame(u"Input frame", small);
    c.ctx.setFrame(u"Pattern frame", small);
    SetCounts(c.ctx);
    EXPECT_EQ(c().error, u"No detected classifier in the pattern image");
    c.ctx.setFrame(u"Pattern frame", pattern);
    EXPECT_EQ(c().error, u"No recognized classifiable shape in the source image");
  }
}

TEST(Classifier, PatternCacheFollowsItsKeys) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  Classifier c;
  c.ctx.setFrame(u"Input frame", pattern);
  c.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(c.ctx);
  ASSERT_TRUE(c().ok);
  // Blank the pattern in place: its stamp stays, so only a key change shows it.
  FrameBuffer& held = const_cast<FrameBuffer&>(*c.ctx.inputFrame(u"Pattern frame"));
  for (int y = 0; y < held.depth(); ++y) std::fill(held.row(y), held.row(y) + held.stride(), 30);
  c.ctx.setNumbers(u"Horizontal camera scanline number", {50});
  c.ctx.setNumbers(u"Vertical camera scanline number", {50});
  EXPECT_TRUE(c().ok) << "camera counts keep the classes";
  c.ctx.setFlags(u"Object color", {false});
  EXPECT_EQ(c().error, u"No detected classifier in the pattern image") << "the object colour rebuilds them";

  Classifier t;
  t.ctx.setFrame(u"Input frame", pattern);
  t.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(t.ctx);
  ASSERT_TRUE(t().ok);
  FrameBuffer& held2 = const_cast<FrameBuffer&>(*t.ctx.inputFrame(u"Pattern frame"));
  for (int y = 0; y < held2.depth(); ++y) std::fill(held2.row(y), held2.row(y) + held2.stride(), 30);
  t.ctx.setNumbers(u"Gradient threshold", {0.25});
  EXPECT_EQ(t().error, u"No detected classifier in the pattern image") << "the threshold rebuilds them";
}

TEST(Classifier, ShowPatternCopiesThePatternAndDrawsItsClasses) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  Classifier c;
  c.ctx.setFrame(u"Input frame", Scene(100, 100, 8, {}));
  c.ctx.setFrame(u"Pattern frame", pattern);
  SetCounts(c.ctx);
  c.ctx.setFlags(u"Show results", {true});
  c.ctx.setFlags(u"Showing the pattern frame as output frame (true)", {true});
  ASSERT_TRUE(c().ok);
  const FrameBuffer* out = c.ctx.frame(u"Output frame");
  ASSERT_NE(out, nullptr);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 160; ++x) ASSERT_EQ(*out->pixel(x, y), *pattern.pixel(x, y)) << x << "," << y;
  int rects = 0, texts = 0;
  for (const auto& d : c.ctx.drawList()) rects += d.fn == "DrawRectangle", texts += d.fn == "DrawString";
  EXPECT_EQ(rects, 4);
  EXPECT_EQ(texts, 4);
  EXPECT_TRUE(c.ctx.numbers(u"Result classes").empty());

  c.ctx.setUnnamed(u"Output frame");
  EXPECT_EQ(c().error, u"error: Cannot get output frame");
}

TEST(Classifier, FailureTexts) {
  const FrameBuffer pattern = Scene(160, 150, 8, kPattern);
  struct Case {
    const char* name;
    std::function<void(talvix::RunContext&)> setup;
    std::u16string error;
  };
  const Case cases[] = {
      {"no input", [&](talvix::RunContext& c) { c.setFrame(u"Pattern frame", pattern); }, u"Cannot get source frame"},
      {"no pattern", [&](talvix::RunContext& c) { c.setFrame(u"Input frame", pattern); }, u"Cannot get pattern frame"},
      {"24 bits",
       [&](talvix::RunContext& c) {
         c.setFrame(u"Input frame", FrameBuffer::make(40, 40, 24, 100));
         c.setFrame(u"Pattern frame", pattern);
       },
       u"error: Frames of 8 or 32 bits per pixel are needed"},
      {"empty pattern",
       [&](talvix::RunContext& c) {
         c.setFrame(u"Input frame", pattern);
         c.setFrame(u"Pattern frame", Scene(60, 60, 8, {}));
       },
       u"No detected classifier in the pattern image"},
      {"dark objects wanted",
       [&](talvix::RunContext& c) {
         c.setFrame(u"Input frame", pattern);
         c.setFrame(u"Pattern frame", pattern);
         c.setFlags(u"Object color", {false});
       },
       u"No detected classifier in the pattern image"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Classifier c;
    SetCounts(c.ctx);
    k.setup(c.ctx);
    const talvix::RunResult r = c();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, k.error);
  }
  talvix::RunContext ctx(Oskvel(), 0);
  const talvix::RunResult null = ctx.run(0);
  EXPECT_FALSE(null.ok);
  EXPECT_TRUE(null.error.empty()) << "a null handle answers false without a text";
}

TEST(Classifier, Catalogue) {
  const talvix::Catalogue& c = Oskvel().catalogue();
  ASSERT_EQ(c.methods.size(), 2u);
  EXPECT_EQ(c.methods[0].id, u"classifier_in_rectangular_region");
  EXPECT_EQ(c.methods[0].description, u"Classification by qualifiers in rectangular region");
  EXPECT_EQ(c.methods[1].id, u"classifier_in_ring_region");
  EXPECT_EQ(c.methods[1].description, u"Classification by qualifiers in ring region");
  const std::vector<std::pair<int, std::u16string>> rectIn = {{1, u"Input frame"},
                                                               {1, u"Pattern frame"},
                                                               {3, u"Examination region"},
                                                               {10, u"Horizontal template scanline number"},
                                                               {10, u"Vertical template scanline number"},
                                                               {10, u"Horizontal camera scanline number"},
                                                               {10, u"Vertical camera scanline number"},
                                                               {10, u"Gradient threshold"},
                                                               {10, u"Maximal number of found patterns"},
                                                               {12, u"Object color"},
                                                               {12, u"Show results"},
                                                               {12, u"Showing the pattern frame as output frame (true)"}};
  ASSERT_EQ(c.methods[0].inputs.size(), rectIn.size());
  for (size_t i = 0; i < rectIn.size(); ++i) {
    EXPECT_EQ(c.methods[0].inputs[i].type, rectIn[i].first);
    EXPECT_EQ(c.methods[0].inputs[i].name, rectIn[i].second);
  }
  EXPECT_EQ(c.methods[0].inputs[2].properties, u"EditType=ScanRectRegion");
  EXPECT_EQ(c.methods[0].inputs[7].properties, u"Min=0;Max=1;Default=0.2;Step=0.01");
  EXPECT_EQ(c.methods[1].inputs.size(), 11u);
  EXPECT_EQ(c.methods[1].inputs[2].type, 4);
  EXPECT_EQ(c.methods[1].inputs[5].name, u"Scanline number");
  EXPECT_EQ(c.methods[1].inputs[6].properties, u"Min=0;Max=1;Default=0.5;Step=0.01");
  for (const auto& m : c.methods) {
    ASSERT_EQ(m.outputs.size(), 4u);
    EXPECT_EQ(m.outputs[0].name, u"Result number");
    EXPECT_EQ(m.outputs[1].name, u"Result classes");
    EXPECT_EQ(m.outputs[2].type, 5);
    EXPECT_EQ(m.outputs[3].name, u"Output frame");
  }
  const auto& fn = Oskvel().exports();
  testing_support::TextBuffer name(63);
  int id = 0;
  HostIcon icon = nullptr;
  ASSERT_TRUE(fn.EnumerateMethodsCategories(1, 0, 0, 63, name.data(), &id, &icon));
  EXPECT_EQ(name.text(), u"Particle classification");
  EXPECT_EQ(id, 19);
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 0, 1, 63, name.data(), &id, &icon));
  EXPECT_FALSE(fn.EnumerateMethodsCategories(0, 1, 0, 63, name.data(), &id, &icon));
  EXPECT_EQ(fn.InitMethod(2), -1);
}

}  // namespace
