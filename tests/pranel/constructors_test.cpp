// Constructors of data objects through the exported interface.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "module_run.h"
#include "text_buffer.h"

namespace {

using module_test::MethodRun;
using talvix::ToUtf8;

const std::u16string kNoInput = u"error: Cannot get input parameter ";
const std::u16string kNoTransform = u"error: Cannot transform coordinate system";
constexpr double kPi = 3.14159265358979323846;

// The run's coordinate system: origin (10, 20), turned by 30 degrees.
constexpr TCoordinateSystem kTurned{10, 20, 30};

TPoint ToFrame(double x, double y) {
  const double c = std::cos(kTurned.angle * kPi / 180), s = std::sin(kTurned.angle * kPi / 180);
  return {kTurned.x + c * x - s * y, kTurned.y + s * x + c * y};
}

struct Fixture {
  explicit Fixture(const std::string& id) : run("pranel", id, &ins) { ins.setCoordinateSystem(kTurned); }
  talvix::Inspection ins;
  MethodRun run;
};

TEST(Pranel, PointsByTheArrayRuleAndTransformFlags) {
  struct Case {
    const char* name;
    std::vector<double> xs, ys;
    std::vector<bool> xFlags, yFlags;
    std::vector<TPoint> want;  // empty: fails
    std::u16string error = {};
  };
  const Case cases[] = {
      {"three_x_one_y_in_frame", {1, 2, 3}, {7}, {true, true, true}, {true}, {{1, 7}, {2, 7}, {3, 7}}},
      {"clear_flags_transformed", {5}, {-4}, {}, {}, {ToFrame(5, -4)}},
      {"mixed_per_element", {5, 6}, {-4, 1}, {true, false}, {true, false}, {{5, -4}, ToFrame(6, 1)}},
      {"flags_differ", {5}, {-4}, {true}, {false}, {}, kNoTransform},
      {"empty_y_gives_0", {2}, {}, {true}, {}, {}, kNoTransform},
      {"both_empty", {}, {}, {}, {}, {}, kNoInput},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f("create_point");
    f.run.ctx.setNumbers(u"X coordinate", c.xs);
    f.run.ctx.setNumbers(u"Y coordinate", c.ys);
    if (!c.xFlags.empty()) f.run.ctx.setTransformFlags(u"X coordinate", c.xFlags);
    if (!c.yFlags.empty()) f.run.ctx.setTransformFlags(u"Y coordinate", c.yFlags);
    const auto r = f.run();
    if (c.want.empty()) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, c.error);
      continue;
    }
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    const auto got = f.run.ctx.points(u"Output point");
    ASSERT_EQ(got.size(), c.want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].x, c.want[i].x, 1e-9);
      EXPECT_NEAR(got[i].y, c.want[i].y, 1e-9);
    }
  }
}

TEST(Pranel, AnglesAreCarriedOverAndBroughtIntoOneTurn) {
  {
    Fixture f("create_coordinate_system");  // Angle unconnected: 0, transformed
    f.run.ctx.setNumbers(u"X coordinate", {1});
    f.run.ctx.setNumbers(u"Y coordinate", {2});
    f.run.ctx.setTransformFlags(u"X coordinate", {true});
    f.run.ctx.setTransformFlags(u"Y coordinate", {true});
    ASSERT_TRUE(f.run().ok);
    const auto cs = f.run.ctx.coordinateSystems(u"Output coordinate system").at(0);
    EXPECT_EQ(cs.x, 1);
    EXPECT_NEAR(cs.angle, 30, 1e-9);
  }
  {
    Fixture f("create_coordinate_system_2points");
    f.run.ctx.setNumbers(u"X coordinate 1", {3});
    f.run.ctx.setNumbers(u"Y coordinate 1", {4});
    f.run.ctx.setNumbers(u"X coordinate 2", {3});
    f.run.ctx.setNumbers(u"Y coordinate 2", {-6});
    for (auto n : {u"X coordinate 1", u"Y coordinate 1", u"X coordinate 2", u"Y coordinate 2"})
      f.run.ctx.setTransformFlags(n, {true});
    ASSERT_TRUE(f.run().ok);
    const auto cs = f.run.ctx.coordinateSystems(u"Output coordinate system").at(0);
    EXPECT_NEAR(cs.angle, 270, 1e-9);  // straight down, normalised
    EXPECT_EQ(cs.x, 3);
  }
  {
    Fixture f("create_ring");
    f.run.ctx.setNumbers(u"X coordinate", {0});
    f.run.ctx.setNumbers(u"Y coordinate", {0});
    f.run.ctx.setNumbers(u"Inner radius", {5});
    f.run.ctx.setNumbers(u"Outer radius", {9});
    f.run.ctx.setNumbers(u"Starting angle", {-90, 0});
    f.run.ctx.setNumbers(u"Ending angle", {720 + 45, 360});
    f.run.ctx.setTransformFlags(u"Starting angle", {true, true});
    f.run.ctx.setTransformFlags(u"Ending angle", {true, false});
    ASSERT_TRUE(f.run().ok);
    const auto rings = f.run.ctx.rings(u"Output ring");
    ASSERT_EQ(rings.size(), 2u);
    EXPECT_NEAR(rings[0].a1, 270, 1e-9);
    EXPECT_NEAR(rings[0].a2, 45, 1e-9);
    EXPECT_EQ(rings[0].r1, 5);
    EXPECT_EQ(rings[1].r2, 9);
    EXPECT_NEAR(rings[1].a2, 30, 1e-9);  // 360 carried over by 30
  }
  {
    // A full ring ending at 360 is normalised to 0: the host reads a sweep of
    // 0 as a full turn.
    MethodRun run("pranel", "create_ring_region");
    for (auto n : {u"X coordinate", u"Y coordinate", u"Inner radius", u"Outer radius", u"Starting angle"})
      run.ctx.setNumbers(n, {0});
    run.ctx.setNumbers(u"Ending angle", {360});
    ASSERT_TRUE(run().ok);
    const TRing r = run.ctx.rings(u"Output ring region").at(0);
    EXPECT_EQ(r.a1, 0);
    EXPECT_EQ(r.a2, 0);
  }
}

TEST(Pranel, RectanglesAndRegions) {
  for (const std::string id : {"create_rectangle", "create_rectangular_region"}) {
    SCOPED_TRACE(id);
    Fixture f(id);
    f.run.ctx.setNumbers(u"X coordinate", {1, 2});
    f.run.ctx.setNumbers(u"Y coordinate", {1});
    f.run.ctx.setNumbers(u"Width", {40});
    f.run.ctx.setNumbers(u"Height", {20, 25});
    f.run.ctx.setNumbers(u"Angle", {-10});
    const auto r = f.run();
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    const auto got = f.run.ctx.rectangles(id == "create_rectangle" ? u"Output rectangle" : u"Output region");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_NEAR(got[1].cx, ToFrame(2, 1).x, 1e-9);
    EXPECT_EQ(got[1].width, 40);
    EXPECT_EQ(got[1].height, 25);
    EXPECT_NEAR(got[1].angle, 20, 1e-9);
  }
}

TEST(Pranel, FlagsNumbersColoursAndTheirTexts) {
  {
    MethodRun run("pranel", "create_not_flag");
    run.ctx.setFlags(u"Flag", {true, false});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.flags(u"Output flag"), (std::vector<bool>{false, true}));
  }
  {
    MethodRun run("pranel", "create_number");
    run.ctx.setNumbers(u"Number", {1.5, -2, 1e9});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Output number"), (std::vector<double>{1.5, -2, 1e9}));
  }
  {
    MethodRun run("pranel", "create_color");
    run.ctx.setNumbers(u"Red", {1, 0.25});
    run.ctx.setNumbers(u"Green", {0.5});
    run.ctx.setNumbers(u"Blue", {});
    run.ctx.setNumbers(u"Transparency", {1});
    ASSERT_TRUE(run().ok);
    const auto c = run.ctx.colors(u"Output color");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].R, 0.25);
    EXPECT_EQ(c[1].G, 0.5);
    EXPECT_EQ(c[1].B, 0);
    EXPECT_EQ(c[1].A, 1);
  }
  struct Empty {
    std::string id;
    std::u16string input, error;
  };
  const Empty empties[] = {
      {"create_flag", u"Flag", u"error: Cannot get input parameter Flag"},
      {"create_not_flag", u"Flag", u"error: Cannot get input parameter Flag"},
      {"create_number", u"Number", u"error: Cannot get input parameter Number"},
      {"create_string", u"String", u"error: Cannot get input parameter String"},
      {"create_color", u"Red", kNoInput},
      {"create_line", u"X coordinate 1", kNoInput},
  };
  for (const Empty& e : empties) {
    SCOPED_TRACE(e.id);
    MethodRun run("pranel", e.id);
    run.ctx.setEmpty(e.input);
    const auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, e.error);
    // An input the host leaves unconnected is named by the catalogue.
    MethodRun unnamed("pranel", e.id);
    unnamed.ctx.setUnnamed(e.input);
    EXPECT_EQ(unnamed().error, e.error);
  }
}

// Records are built from finite numbers only: a value that is not finite is
// refused with its input's name, whichever element holds it, and a point
// carried past the double range by the run's coordinate system is refused
// as a failed transform. Value copies (numbers) keep what they are given.
TEST(Pranel, NotFiniteNumbersAreRefused) {
  const struct Case {
    const char* id;
    const char16_t* input;
  } cases[] = {
      {"create_coordinate_system", u"Angle"},
      {"create_coordinate_system_2points", u"Y coordinate 2"},
      {"create_rectangle", u"Width"},
      {"create_ring", u"Outer radius"},
      {"create_rectangular_region", u"X coordinate"},
      {"create_ring_region", u"Ending angle"},
      {"create_point", u"Y coordinate"},
      {"create_line", u"X coordinate 2"},
      {"create_color", u"Blue"},
  };
  for (const double bad : {double(NAN), double(INFINITY), -double(INFINITY)}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.id) + " " + ToUtf8(c.input) + " " + std::to_string(bad));
      MethodRun run("pranel", c.id);
      for (const auto& in : run.mod.catalogue().methods[run.index].inputs) {
        run.ctx.setNumbers(in.name, in.name == c.input ? std::vector<double>{0.5, bad} : std::vector<double>{0.25});
      }
      const auto r = run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"error: Input is not a finite number: " + std::u16string(c.input));
    }
  }
  Fixture far("create_point");
  far.run.ctx.setNumbers(u"X coordinate", {1.7e308});
  far.run.ctx.setNumbers(u"Y coordinate", {1.7e308});
  const auto r = far.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, kNoTransform);
  MethodRun number("pranel", "create_number");
  number.ctx.setNumbers(u"Number", {double(INFINITY)});
  ASSERT_TRUE(number().ok);
  EXPECT_EQ(number.ctx.numbers(u"Output number"), std::vector<double>{double(INFINITY)});
}

TEST(Pranel, Strings) {
  MethodRun run("pranel", "create_string");
  const std::vector<std::u16string> texts = {u"", u"plain", u"\u017c\u00f3\u0142w \u2713"};
  run.ctx.setStrings(u"String", texts);
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.strings(u"Output string"), texts);
}

TEST(Pranel, FramesOfOddWidths) {
  struct Case {
    double type;
    int bpp;
    bool fill;
  };
  for (const Case c : {Case{0, 8, true}, Case{0, 8, false}, Case{1, 32, true}, Case{1, 32, false}}) {
    SCOPED_TRACE(c.bpp + 100 * c.fill);
    MethodRun run("pranel", "create_frame");
    run.ctx.fillNewFrames(0xCD);
    run.ctx.setNumbers(u"Width", {5});
    run.ctx.setNumbers(u"Height", {3});
    run.ctx.setNumbers(u"Frame type", {c.type});
    if (c.fill) run.ctx.setColors(u"Fill color", {{1, 0.5, -0.2, 1.5}});
    ASSERT_TRUE(run().ok);
    const talvix::FrameBuffer* f = run.ctx.frame(u"Output frame");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->width(), 5);
    ASSERT_EQ(f->depth(), 3);
    ASSERT_EQ(f->bpp(), c.bpp);
    for (int y = 0; y < 3; ++y) {
      const uint8_t* row = f->row(y);
      if (c.bpp == 8) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(row[x], c.fill ? 127 : 0xCD);  // (1 + 0.5 + 0) x 255 / 3
        for (int x = 5; x < 8; ++x) EXPECT_EQ(row[x], 0xCD) << "padding";
      } else {
        for (int x = 0; x < 5; ++x) {
          const std::vector<uint8_t> px(row + 4 * x, row + 4 * x + 4);
          EXPECT_EQ(px, c.fill ? (std::vector<uint8_t>{0, 127, 255, 255}) : std::vector<uint8_t>(4, 0xCD));
        }
      }
    }
  }
  MethodRun bad("pranel", "create_frame");
  bad.ctx.setNumbers(u"Height", {3});
  const auto r = bad();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input parameter Width");
  MethodRun unnamed("pranel", "create_frame");
  unnamed.ctx.setNumbers(u"Width", {3});
  unnamed.ctx.setUnnamed(u"Height");
  EXPECT_EQ(unnamed().error, u"error: Cannot get input parameter Height");
}

// A fill component that is not a number counts as 0, as the colour
// comparisons take it, in the grey and in the colour frame.
TEST(Pranel, FillComponentsThatAreNotNumbersCountAsZero) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const struct {
    TColor fill;
    uint8_t grey;
    std::vector<uint8_t> bgra;
  } cases[] = {
      {{0.5, kNaN, 0.5, 1}, 85, {127, 0, 127, 255}},  // (0.5 + 0 + 0.5) x 255 / 3
      {{kNaN, kNaN, kNaN, kNaN}, 0, {0, 0, 0, 0}},
      {{1, 1, kNaN, 1}, 170, {0, 255, 255, 255}},
  };
  for (const auto& c : cases) {
    for (int type : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.fill.R << ", " << c.fill.G << ", " << c.fill.B << " type " << type);
      MethodRun run("pranel", "create_frame");
      run.ctx.setNumbers(u"Width", {3});
      run.ctx.setNumbers(u"Height", {2});
      run.ctx.setNumbers(u"Frame type", {double(type)});
      run.ctx.setColors(u"Fill color", {c.fill});
      ASSERT_TRUE(run().ok);
      const talvix::FrameBuffer* f = run.ctx.frame(u"Output frame");
      ASSERT_NE(f, nullptr);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
          const uint8_t* p = f->pixel(x, y);
          if (type == 0) {
            EXPECT_EQ(p[0], c.grey);
          } else {
            EXPECT_EQ(std::vector<uint8_t>(p, p + 4), c.bgra);
          }
        }
    }
  }
}

// Sizes and types past the int range are converted without overflow: the
// host refuses a frame it cannot make, and any type but 0 is 32-bit.
TEST(Pranel, FramesOfAbsurdSizesAndTypes) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double width, height, type;
    int bpp;  // 0: refused
  };
  for (const Case c : {Case{3e9, 3, 1, 0}, Case{5, -3e9, 1, 0}, Case{1e300, 1e300, 0, 0}, Case{kNaN, 3, 1, 0},
                       Case{5, 3, 3e9, 32}, Case{5, 3, -1e300, 32}}) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " type " << c.type);
    MethodRun run("pranel", "create_frame");
    run.ctx.setNumbers(u"Width", {c.width});
    run.ctx.setNumbers(u"Height", {c.height});
    run.ctx.setNumbers(u"Frame type", {c.type});
    const auto r = run();
    const talvix::FrameBuffer* f = run.ctx.frame(u"Output frame");
    if (c.bpp == 0) {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"error: Cannot write to output parameter Output frame");
      continue;
    }
    ASSERT_TRUE(r.ok);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->bpp(), c.bpp);
  }
}

TEST(Pranel, Catalogue) {
  talvix::Module& m = module_test::Load("pranel");
  const auto& cat = m.catalogue();
  ASSERT_EQ(cat.methods.size(), 14u);
  const std::vector<std::pair<std::u16string, int>> ids = {
      {u"create_coordinate_system", 1022}, {u"create_coordinate_system_2points", 1030}, {u"create_rectangle", 1026},
      {u"create_ring", 1028},              {u"create_rectangular_region", 1023},        {u"create_ring_region", 1024},
      {u"create_point", 1025},             {u"create_line", 1027},                      {u"create_flag", 1031},
      {u"create_not_flag", 1034},          {u"create_color", 1029},                     {u"create_number", 1032},
      {u"create_string", 1033},            {u"create_frame", 1035}};
  for (size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(cat.methods[i].id, ids[i].first);
    EXPECT_EQ(talvix::IconResource(cat.methods[i].icon)->number, ids[i].second);
    EXPECT_EQ(cat.methods[i].outputs.size(), 1u);
  }
  EXPECT_EQ(cat.methods[2].inputs[4].properties, u"Default=0");
  EXPECT_EQ(cat.methods[10].inputs[3].properties, u"EditType=Slider;Min=0;Max=1");
  EXPECT_EQ(cat.methods[13].inputs[2].properties, u"Default=1;Options=0: 'Monochrome (8 bit)', 1: 'Color (32 bit)'");
  EXPECT_EQ(cat.methods[13].inputs[3].type, ptColor);
  testing_support::TextBuffer name(63);
  int id = 0;
  HostIcon icon = nullptr;
  ASSERT_TRUE(m.exports().EnumerateMethodsCategories(13, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(name.text(), u"Data objects");
  EXPECT_EQ(id, 1);
  EXPECT_EQ(talvix::IconResource(icon)->number, 1021);
  EXPECT_FALSE(m.exports().EnumerateMethodsCategories(14, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_FALSE(m.exports().EnumerateMethodsCategories(0, 0, 1, name.hi(), name.data(), &id, &icon));
  talvix::RunContext ctx(m, 0);
  EXPECT_TRUE(ctx.run(14).ok);  // past the last method: nothing, true
}

}  // namespace
