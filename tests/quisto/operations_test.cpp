// Geometry operations on points and lines, through the exported interface.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "module_run.h"

namespace {

using module_test::CallsOf;
using module_test::MethodRun;
using talvix::ToUtf8;

constexpr double kPi = 3.14159265358979323846;
const std::u16string kNoCross = u"Cross point does not exist for this couple of lines";

TLine Dir(double degrees) { return {0, 0, std::cos(degrees * kPi / 180), std::sin(degrees * kPi / 180)}; }

struct PairCase {
  std::string name;
  std::string id;
  std::vector<TLine> l1, l2;  // lines (or points as x0, y0) of the two inputs
  std::vector<double> expected;  // x, y per element, or one number per element
  std::u16string error = {};     // empty: success
};

void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }

class Operations : public ::testing::TestWithParam<PairCase> {};

std::vector<TPoint> AsPoints(const std::vector<TLine>& v) {
  std::vector<TPoint> p;
  for (const TLine& l : v) p.push_back({l.x0, l.y0});
  return p;
}

// The method's first two inputs, points or lines, from the two lists.
void SetFirstTwo(MethodRun& run, const std::vector<TLine>& first, const std::vector<TLine>& second) {
  const auto& in = run.mod.catalogue().methods[run.index].inputs;
  for (size_t k = 0; k < 2 && k < in.size(); ++k) {
    const std::vector<TLine>& v = k == 0 ? first : second;
    if (in[k].type == ptPoint) run.ctx.setPoints(in[k].name, AsPoints(v));
    if (in[k].type == ptLine) run.ctx.setLines(in[k].name, v);
  }
}

TEST_P(Operations, ClosedForms) {
  const PairCase& c = GetParam();
  MethodRun run("quisto", c.id);
  const auto& in = run.mod.catalogue().methods[run.index].inputs;
  const auto& outName = run.mod.catalogue().methods[run.index].outputs[0].name;
  const bool pointIn0 = in[0].type == ptPoint;
  if (pointIn0) {
    run.ctx.setPoints(in[0].name, AsPoints(c.l1));
  } else {
    run.ctx.setLines(in[0].name, c.l1);
  }
  if (in.size() > 1 && in[1].type == ptLine) run.ctx.setLines(in[1].name, c.l2);
  if (in.size() > 1 && in[1].type == ptPoint) run.ctx.setPoints(in[1].name, AsPoints(c.l2));
  const talvix::RunResult r = run();
  if (!c.error.empty()) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    return;
  }
  ASSERT_TRUE(r.ok) << ToUtf8(r.error);
  std::vector<double> got;
  if (run.ctx.typeOf(outName) == ptPoint) {
    for (const TPoint& p : run.ctx.points(outName)) got.insert(got.end(), {p.x, p.y});
  } else {
    got = run.ctx.numbers(outName);
  }
  ASSERT_EQ(got.size(), c.expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.expected[i], 1e-9) << i;
}

const double kSqrt2 = std::sqrt(2.0);

INSTANTIATE_TEST_SUITE_P(
    Table, Operations,
    ::testing::Values(
        PairCase{"flat_and_steep", "lines_intersection", {{0, 0, 10, 0}}, {{5, -5, 5, 5}}, {5, 0}},
        PairCase{"steep_and_flat", "lines_intersection", {{5, -5, 5, 5}}, {{0, 0, 10, 0}}, {5, 0}},
        PairCase{"two_flat", "lines_intersection", {{0, 0, 10, 10}}, {{0, 10, 10, 0}}, {5, 5}},
        PairCase{"two_steep", "lines_intersection", {{0, 0, 1, 10}}, {{2, 0, 1, 10}}, {1, 10}},
        PairCase{"steep_crossing_flat_slope", "lines_intersection", {{0, 0, 1, 20}}, {{0, 4, 10, 6}}, {0.2020202020202, 4.04040404040404}},
        PairCase{"slopes_1_00_and_1_04", "lines_intersection", {{0, 0, 10, 10}}, {{0, 1, 10, 11.4}}, {}, kNoCross},
        PairCase{"two_nearly_horizontal", "lines_intersection", {{0, 0, 100, 0.5}}, {{0, 5, 100, 5.9}}, {}, kNoCross},
        PairCase{"mixed_nearly_parallel", "lines_intersection", {{0, 0, 1, 9.9}}, {{0, 0, 0.995, 10}}, {}, kNoCross},
        PairCase{"zero_length_line", "lines_intersection", {{3, 3, 3, 3}}, {{0, 0, 10, 0}}, {}, kNoCross},
        PairCase{"angle_not_reduced", "angle_lines", {Dir(-170)}, {Dir(170)}, {-340}},
        PairCase{"angle_plain", "angle_lines", {Dir(30)}, {Dir(10)}, {20}},
        PairCase{"midpoint", "midpoint", {{1, 2, 5, -6}}, {}, {3, -2}},
        PairCase{"length", "length", {{1, 1, 4, 5}}, {}, {5}},
        PairCase{"distance", "distance", {{1, 1, 0, 0}}, {{-2, 5, 0, 0}}, {5}},
        PairCase{"distance_line", "distance_line", {{0, 0, 0, 0}}, {{-1, 1, 1, -1}}, {0}},
        PairCase{"distance_line_off", "distance_line", {{2, 2, 0, 0}}, {{-1, 1, 1, -1}}, {2 * kSqrt2}},
        PairCase{"distance_zero_length_line", "distance_line", {{4, 5, 0, 0}}, {{1, 1, 1, 1}}, {5}},
        // The shorter input keeps its last element.
        PairCase{"three_against_one", "distance", {{3, 4, 0, 0}, {6, 8, 0, 0}, {0, 1, 0, 0}}, {{0, 0, 0, 0}}, {5, 10, 1}},
        PairCase{"one_against_two_lines", "lines_intersection", {{0, 0, 10, 0}}, {{5, -5, 5, 5}, {7, -1, 7, 1}}, {5, 0, 7, 0}},
        PairCase{"both_empty", "distance", {}, {}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(Operations, EmptyArraysSizeTheOutputAndSucceed) {
  MethodRun run("quisto", "midpoint");
  run.ctx.setLines(u"Input line", {});
  const auto r = run();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(run.ctx.maxIndex(u"Center"), -1);
}

TEST(Operations, UnconnectedInputNamesItselfInTheText) {
  MethodRun run("quisto", "lines_intersection");
  run.ctx.setLines(u"Input line 1", {{0, 0, 1, 1}});
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input line: Input line 2");
}

// An input the host leaves unconnected has no name from the host: the text
// names it by the catalogue.
TEST(Operations, UnnamedInputIsNamedByTheCatalogue) {
  const struct Case {
    const char* id;
    const char16_t* unnamed;
    std::u16string text;
  } cases[] = {
      {"distance", u"Input point 2", u"error: Cannot get input point(s): Input point 2"},
      {"distance", u"Input point 1", u"error: Cannot get input point(s): Input point 1"},
      {"distance_line", u"Input point", u"error: Cannot get input point(s): Input point"},
      {"distance_line", u"Input line", u"error: Cannot get input line: Input line"},
      {"length", u"Input line", u"error: Cannot get input line: Input line"},
      {"angle_lines", u"Input line 2", u"error: Cannot get input line: Input line 2"},
      {"aggregate_points", u"Input points 1", u"error: Cannot get input point(s): Input points 1"},
      {"add_point", u"Input points", u"error: Cannot get input point(s): Input points"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + ToUtf8(c.unnamed));
    MethodRun run("quisto", c.id);
    for (const auto& in : run.mod.catalogue().methods[run.index].inputs) {
      if (in.type == ptPoint) run.ctx.setPoints(in.name, {{1, 2}});
      if (in.type == ptLine) run.ctx.setLines(in.name, {{0, 0, 3, 4}});
    }
    run.ctx.setUnnamed(c.unnamed);
    const auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.text);
  }
}

// Coordinates near the double range: hypot keeps the distances finite where
// squares would overflow; what is still not finite is refused with a text.
TEST(Operations, DistancesOfHugeCoordinates) {
  const double inf = INFINITY;
  const struct Case {
    const char* id;
    std::vector<TLine> first, second;  // points as x0, y0
    double expected;                   // NaN: refused
    std::u16string error = u"error: Cannot calculate a finite distance of these coordinates";
  } cases[] = {
      {"length", {{1e300, 0, -1e300, 0}}, {}, 2e300},
      {"length", {{0, 0, 3e300, 4e300}}, {}, 5e300},
      {"distance", {{-3e300, 0, 0, 0}}, {{0, 4e300, 0, 0}}, 5e300},
      {"distance_line", {{0, 1e300, 0, 0}}, {{-1e300, 0, 1e300, 0}}, 1e300},
      {"distance_line", {{5, 1e300, 0, 0}}, {{0, 0, 0, 1e-300}}, 5},
      {"length", {{-1e308, 0, 1e308, 0}}, {}, NAN},
      {"distance", {{-1e308, 0, 0, 0}}, {{1e308, 0, 0, 0}}, NAN},
      {"distance", {{NAN, 0, 0, 0}}, {{1, 0, 0, 0}}, NAN, u"error: Input is not a finite number: Input point 1"},
      {"distance_line", {{0, 1, 0, 0}}, {{-1.5e308, 0, 1.5e308, 1}}, NAN},
      {"distance_line", {{inf, 1, 0, 0}}, {{0, 0, 1, 0}}, NAN, u"error: Input is not a finite number: Input point"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " expecting " + std::to_string(c.expected));
    MethodRun run("quisto", c.id);
    SetFirstTwo(run, c.first, c.second);
    const auto r = run();
    if (std::isnan(c.expected)) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, c.error);
      continue;
    }
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    const auto got = run.ctx.numbers(run.mod.catalogue().methods[run.index].outputs[0].name);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NEAR(got[0], c.expected, 1e-12 * c.expected);
  }
}

// A coordinate that is not finite is refused with the name of its input,
// by every method, whichever element holds it; finite coordinates whose
// result leaves the double (or, for the mass centre, the single) range are
// refused too rather than answered as infinities.
TEST(Operations, NotFiniteCoordinatesAreRefused) {
  const struct Case {
    const char* id;
    const char16_t* input;  // the input holding the bad value
    int element;
  } cases[] = {
      {"midpoint", u"Input line", 0},
      {"length", u"Input line", 1},
      {"distance", u"Input point 2", 0},
      {"distance_line", u"Input line", 0},
      {"lines_intersection", u"Input line 1", 0},
      {"lines_intersection", u"Input line 2", 1},
      {"angle_lines", u"Input line 2", 0},
      {"aggregate_points", u"Input points 1", 1},
      {"aggregate_points", u"Input points 2", 0},
      {"add_point", u"Input points", 1},
      {"add_point", u"Coordinate X", 0},
      {"add_point", u"Coordinate Y", 1},
      {"mass_center", u"Input points", 2},
      {"fit_line", u"Input points", 1},
      {"fit_circle", u"Input points", 2},
  };
  for (const double bad : {double(NAN), double(INFINITY), -double(INFINITY)}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.id) + " " + ToUtf8(c.input) + " " + std::to_string(bad));
      MethodRun run("quisto", c.id);
      for (const auto& in : run.mod.catalogue().methods[run.index].inputs) {
        const bool poisoned = in.name == c.input;
        if (in.type == ptPoint) {
          std::vector<TPoint> v = {{1, 2}, {7, 3}, {2, 9}};
          if (poisoned) v[c.element].y = bad;
          run.ctx.setPoints(in.name, v);
        } else if (in.type == ptLine) {
          // Lines of the second input cross those of the first.
          std::vector<TLine> v = in.name.ends_with(u"2") ? std::vector<TLine>{{0, 4, 3, 0}, {0, 0, 9, 1}}
                                                         : std::vector<TLine>{{0, 0, 3, 4}, {5, 0, 1, 9}};
          if (poisoned) v[c.element].x1 = bad;
          run.ctx.setLines(in.name, v);
        } else if (in.type == ptNumber) {
          std::vector<double> v = {4, 6};
          if (poisoned) v[c.element] = bad;
          run.ctx.setNumbers(in.name, v);
        }
      }
      talvix::RunResult r;
      EXPECT_LT(test_cost::CpuSecondsOf([&] { r = run(); }), 10.0);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"error: Input is not a finite number: " + std::u16string(c.input));
    }
  }
  const struct Huge {
    const char* id;
    std::vector<TLine> first, second;  // points as x0, y0
    std::u16string error;
  } huge[] = {
      {"lines_intersection", {{0, 1e308, 1, 1e308}}, {{0, -1e308, 1e300, -1e308 + 1e300}},
       u"error: Cannot calculate a finite cross point of these lines"},
      {"mass_center", {{1e39, 0, 0, 0}, {0, 0, 0, 0}}, {},
       u"error: Input coordinates lie beyond the single precision range: Input points"},
  };
  for (const Huge& c : huge) {
    SCOPED_TRACE(c.id);
    MethodRun run("quisto", c.id);
    SetFirstTwo(run, c.first, c.second);
    const auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
  // The midpoint of ends near the double range stays finite.
  MethodRun mid("quisto", "midpoint");
  mid.ctx.setLines(u"Input line", {{1.5e308, -1.5e308, 1.7e308, -1.7e308}});
  ASSERT_TRUE(mid().ok);
  const auto c = mid.ctx.points(u"Center");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_DOUBLE_EQ(c[0].x, 1.6e308);
  EXPECT_DOUBLE_EQ(c[0].y, -1.6e308);
}

TEST(Operations, AddPointWarnsOnceAndAppendsTheShorterCount) {
  MethodRun run("quisto", "add_point");
  run.ctx.setPoints(u"Input points", {{1, 1}, {2, 2}});
  run.ctx.setNumbers(u"Coordinate X", {10, 20, 30});
  run.ctx.setNumbers(u"Coordinate Y", {-1, -2});
  const auto r = run();
  ASSERT_TRUE(r.ok) << ToUtf8(r.error);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(run.ctx.warnings()[0], u"Two input arrays (Coordinate X and Coordinate Y) have different number of elements.");
  const auto pts = run.ctx.points(u"Output group of points");
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[2].x, 10);
  EXPECT_EQ(pts[3].y, -2);
  EXPECT_EQ(run.ctx.numbers(u"Number of points in the output group"), std::vector<double>{4});
}

// Without coordinates to add, the group is the input and its count is
// written all the same.
TEST(Operations, AddPointWithoutCoordinatesCountsTheInput) {
  for (const char16_t* left : {u"Coordinate X", u"Coordinate Y"}) {
    MethodRun run("quisto", "add_point");
    run.ctx.setPoints(u"Input points", {{1, 1}, {2, 2}});
    run.ctx.setNumbers(u"Coordinate X", {10});
    run.ctx.setNumbers(u"Coordinate Y", {-1});
    run.ctx.setUnnamedInput(left);
    const auto r = run();
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    EXPECT_EQ(run.ctx.points(u"Output group of points").size(), 2u);
    EXPECT_EQ(run.ctx.numbers(u"Number of points in the output group"), std::vector<double>{2});
  }
}

TEST(Operations, AggregateJoinsBothGroups) {
  MethodRun run("quisto", "aggregate_points");
  run.ctx.setPoints(u"Input points 1", {{1, 1}});
  run.ctx.setPoints(u"Input points 2", {{2, 2}, {3, 3}});
  ASSERT_TRUE(run().ok);
  const auto pts = run.ctx.points(u"Output group of points");
  ASSERT_EQ(pts.size(), 3u);
  EXPECT_EQ(pts[2].x, 3);
  EXPECT_EQ(run.ctx.numbers(u"Number of points in the output group"), std::vector<double>{3});
}

TEST(Operations, MassCenterNeedsAPoint) {
  MethodRun run("quisto", "mass_center");
  run.ctx.setPoints(u"Input points", {});
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: There are not enough proper input points for this calculation");
  MethodRun two("quisto", "mass_center");
  two.ctx.setPoints(u"Input points", {{0, 0}, {2, 4}, {4, -1}});
  ASSERT_TRUE(two().ok);
  EXPECT_EQ(two.ctx.points(u"Center")[0].x, 2);
  EXPECT_EQ(two.ctx.points(u"Center")[0].y, 1);
}

// The drawing records: input geometry in role 0, results in role 1, the
// coordinates as text in the run's coordinate system.
TEST(Operations, DrawingRecords) {
  talvix::Inspection ins;
  ins.setDrawColor(0, {1, 0, 0, 1});
  ins.setDrawColor(1, {0, 1, 0, 1});
  ins.setCoordinateSystem({10, 20, 0});
  {
    MethodRun run("quisto", "midpoint", &ins);
    run.ctx.setLines(u"Input line", {{0, 0, 10, 20}});
    ASSERT_TRUE(run().ok);
    const auto& list = run.ctx.drawList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].fn, "DrawCircle");
    EXPECT_EQ(list[0].args[0], 5);
    EXPECT_EQ(list[0].args[2], 2.0);
    EXPECT_EQ(list[0].color.G, 1);
    EXPECT_EQ(list[1].fn, "DrawLine");
    EXPECT_EQ(list[1].color.R, 1);
    EXPECT_EQ(list[2].fn, "DrawString");
    EXPECT_EQ(list[2].text, u"[-5.00, -10.00]");
    EXPECT_EQ(list[2].args[1], 5 - 30);
  }
  ins.clearDrawList();
  {
    MethodRun run("quisto", "length", &ins);
    run.ctx.setLines(u"Input line", {{0, 0, 3, 4}});
    run.ctx.setFlags(u"Show results", {true});
    ASSERT_TRUE(run().ok);
    const auto dims = CallsOf(run.ctx.drawList(), "DrawDimension");
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_EQ(dims[0].text, u"5.00");
  }
  ins.clearDrawList();
  {
    MethodRun run("quisto", "distance", &ins);
    run.ctx.setPoints(u"Input point 1", {{0, 0}});
    run.ctx.setPoints(u"Input point 2", {{0, 1}});
    run.ctx.setFlags(u"Show results", {false});
    ASSERT_TRUE(run().ok);
    EXPECT_TRUE(run.ctx.drawList().empty());
  }
  ins.setDrawingLevel(0);
  {
    MethodRun run("quisto", "lines_intersection", &ins);
    run.ctx.setLines(u"Input line 1", {{0, 0, 10, 0}});
    run.ctx.setLines(u"Input line 2", {{5, -5, 5, 5}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(CallsOf(run.ctx.drawList(), "DrawLine").size(), 2u);
    EXPECT_TRUE(CallsOf(run.ctx.drawList(), "DrawString").empty());  // no texts at level 0
  }
  ins.clearDrawList();
  ins.setDrawingLevel(2);
  {
    MethodRun run("quisto", "mass_center", &ins);
    run.ctx.setPoints(u"Input points", {{0, 0}, {2, 2}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(CallsOf(run.ctx.drawList(), "DrawCircle").size(), 3u);  // two points and the centre
  }
}

TEST(Operations, HandleThatIsNoInstanceIsRefused) {
  talvix::Module& m = module_test::Load("quisto");
  talvix::RunContext ctx(m, 8);
  ctx.setPoints(u"Input points", {{0, 0}, {1, 1}});
  const auto r = ctx.run(12345);
  EXPECT_FALSE(r.ok);
  m.exports().DoneMethod(12345);  // ignored, not freed
  const intptr_t fit = m.create(8);
  m.destroy(fit);
  EXPECT_FALSE(ctx.run(fit).ok);  // a released fit is no instance either
}

}  // namespace
