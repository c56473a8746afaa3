// Drawing records of every selvor method, against tables written here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "module_run.h"
#include "text_buffer.h"

namespace {

using module_test::CallsOf;
using module_test::MethodRun;
using talvix::DrawCall;
using talvix::ToUtf8;

const TColor kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1};

// One call: its kind, its numbers (a prefix of the record's) and its text.
struct Want {
  std::string fn;
  std::vector<double> args;
  std::u16string text = {};
};

void ExpectCalls(const std::vector<DrawCall>& got, const std::vector<Want>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].fn, want[i].fn);
    ASSERT_GE(got[i].args.size(), want[i].args.size());
    for (size_t k = 0; k < want[i].args.size(); ++k) EXPECT_NEAR(got[i].args[k], want[i].args[k], 1e-4) << k;
    EXPECT_EQ(got[i].text, want[i].text);
  }
}

struct Drawn {
  talvix::Inspection ins;
  std::unique_ptr<MethodRun> run;
  explicit Drawn(const std::string& id) {
    ins.setDrawThickness(1, 3);
    run = std::make_unique<MethodRun>("selvor", id, &ins);
  }
  talvix::RunContext& ctx() { return run->ctx; }
};

TEST(Selvor, ShapesWithLabels) {
  {
    Drawn d("draw_point");
    d.ins.setCoordinateSystem({10, 0, 0});
    d.ctx().setPoints(u"Point", {{1, 2}, {3, 4}, {15.045, 6}});
    d.ctx().setColors(u"Draw color", {kRed, kBlue});
    ASSERT_TRUE((*d.run)().ok);
    const auto& list = d.ctx().drawList();
    ExpectCalls(list, {{"DrawCircle", {1, 2, 2, 4}}, {"DrawString", {50, -29, 12, 0, 0}, u"[-9.00, 2.00]"},
                       {"DrawCircle", {3, 4, 2, 4}}, {"DrawString", {50, -27, 14}, u"[-7.00, 4.00]"},
                       {"DrawCircle", {15.045, 6, 2, 4}}, {"DrawString", {50, -14.955, 16}, u"[5.05, 6.00]"}});
    EXPECT_EQ(list[0].color.R, 1);
    EXPECT_EQ(list[2].color.B, 1);
    EXPECT_EQ(list[4].color.B, 1);  // the shorter colour array repeats its last
  }
  {
    Drawn d("draw_line");
    d.ctx().setLines(u"Line", {{0, 0, 10, 20}});
    d.ctx().setColors(u"Draw color", {kRed});
    d.ctx().setFlags(u"Write also the appropriate coordinates", {false});
    ASSERT_TRUE((*d.run)().ok);
    ExpectCalls(d.ctx().drawList(), {{"DrawLine", {0, 0, 10, 20, 3}}});
  }
  {
    Drawn d("draw_circle");
    d.ctx().setRings(u"Circle", {{5, 6, 7, 99, 0, 0}});
    d.ctx().setColors(u"Draw color", {kRed});
    ASSERT_TRUE((*d.run)().ok);
    ExpectCalls(d.ctx().drawList(),
                {{"DrawCircle", {5, 6, 7, 2}}, {"DrawString", {63, -25, 6}, u"x = 5.00, y = 6.00, r = 7.00"}});
  }
  {
    Drawn d("draw_ring");
    d.ctx().setRings(u"Ring", {{5, 6, 7, 9, 10, 200}});
    d.ctx().setColors(u"Draw color", {kRed});
    ASSERT_TRUE((*d.run)().ok);
    ExpectCalls(d.ctx().drawList(), {{"DrawRing", {5, 6, 7, 9, 10, 200, 3}},
                                     {"DrawString", {63, -35, 6}, u"x = 5.00, y = 6.00, r1 = 7.00, r2 = 9.00"},
                                     {"DrawString", {50, -35, -14}, u"angle1 = 10.00, angle2 = 200.00"}});
  }
  {
    Drawn d("draw_coordinate_system");
    d.ins.setCoordinateSystem({50, 50, 45});  // labels show the record as read
    d.ctx().setCoordinateSystems(u"Coordinate system", {{20, 30, 90}});
    d.ctx().setColors(u"Draw color", {kRed});
    ASSERT_TRUE((*d.run)().ok);
    ExpectCalls(d.ctx().drawList(), {{"DrawCircle", {20, 30, 2, 4}},
                                     {"DrawArrow", {20, 30, 20, 130, 3}},
                                     {"DrawArrow", {20, 30, -80, 30, 3}},
                                     {"DrawString", {63, -10, 30}, u"x = 20.00, y = 30.00, angle = 90.00"}});
  }
}

TEST(Selvor, RectangleLabelsTurnWithIt) {
  Drawn d("draw_rectangle");
  d.ctx().setRectangles(u"Rectangle", {{100, 50, 80, 60, 30}});
  d.ctx().setColors(u"Draw color", {kRed});
  ASSERT_TRUE((*d.run)().ok);
  const double c = std::cos(30 * 3.14159265358979 / 180), s = 0.5, h = 30;
  std::vector<Want> want = {{"DrawRectangle", {100, 50, 80, 60, 30, 3}}};
  const std::u16string texts[] = {u"x = 100.00, y = 50.00", u"w = 80.00, d = 60.00", u"angle = 30.00"};
  for (int k = 1; k <= 3; ++k) {
    const double v = 30 - 20 * k;
    want.push_back({"DrawString", {50, 100 - c * h - v * s, 50 - s * h + v * c, 0, 30}, texts[k - 1]});
  }
  ExpectCalls(d.ctx().drawList(), want);
}

TEST(Selvor, ShapeErrors) {
  {
    Drawn d("draw_line");
    d.ctx().setLines(u"Line", {{0, 0, 1, 1}, {2, 2, 3, 3}});
    d.ctx().setColors(u"Draw color", {kRed});
    d.ctx().setFlags(u"Write also the appropriate coordinates", {false});
    d.ctx().setUnnamed(u"Line");
    const auto r = (*d.run)();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get input line");
  }
  {
    Drawn d("draw_point");
    d.ctx().setPoints(u"Point", {{1, 1}});
    const auto r = (*d.run)();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get input color");
  }
}

TEST(Selvor, Texts) {
  struct Case {
    std::string id;
    std::u16string input;
    std::function<void(talvix::RunContext&)> set;
    std::vector<std::u16string> texts;
  };
  const Case cases[] = {
      {"draw_number", u"Number", [](auto& c) { c.setNumbers(u"Number", {3.14159, 0.045}); }, {u"v=3.14", u"v=0.05"}},
      {"draw_flag", u"Flag", [](auto& c) { c.setFlags(u"Flag", {true, false}); }, {u"v=true", u"v=false"}},
      {"draw_color", u"Color", [](auto& c) { c.setColors(u"Color", {{1, 0.5, 0, 1}}); },
       {u"v=R = 255; G = 127; B = 0; A = 255"}},
      // Components past the int range saturate; NaN is 0.
      {"draw_color", u"Color",
       [](auto& c) { c.setColors(u"Color", {{std::nan(""), HUGE_VAL, -HUGE_VAL, 1e12}}); },
       {u"v=R = 0; G = 2147483647; B = -2147483648; A = 2147483647"}},
      {"draw_string", u"String", [](auto& c) { c.setStrings(u"String", {u"ab", u""}); }, {u"v=ab", u"v="}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Drawn d(c.id);
    c.set(d.ctx());
    d.ctx().setColors(u"Draw color", {kRed});
    d.ctx().setNumbers(u"Coordinate X", {7});
    d.ctx().setStrings(u"Prefix", {u"v="});
    ASSERT_TRUE((*d.run)().ok);
    const auto list = d.ctx().drawList();
    ASSERT_EQ(list.size(), c.texts.size());
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].text, c.texts[i]);
      EXPECT_EQ(list[i].args[0], 255);
      EXPECT_EQ(list[i].args[1], i == 0 ? 7 : 0);  // X read at i itself, 0 when missing
    }
  }
  Drawn bare("draw_number");  // without a prefix input: the number alone
  bare.ctx().setNumbers(u"Number", {2});
  bare.ctx().setColors(u"Draw color", {kRed});
  ASSERT_TRUE((*bare.run)().ok);
  EXPECT_EQ(bare.ctx().drawList().at(0).text, u"2.00");
}

// A host string whose characters run on without a NUL: only its length is read.
TEST(Selvor, StringWithoutTerminator) {
  Drawn d("draw_string");
  d.ctx().setStrings(u"String", {u"abcdef"});
  d.ctx().setColors(u"Draw color", {kRed});
  d.ctx().beginRun();
  HostString* s = nullptr;
  ASSERT_TRUE(GetString(d.ctx().hostContext(), 63, u"String", 0, &s));
  (*s)->length = 3;  // "abc" followed by more characters, no NUL after it
  const auto r = d.ctx().run(d.run->handle);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(d.ctx().drawList().at(0).text, u"abc");
}

TEST(Selvor, ColorBoxDefaults) {
  Drawn d("draw_color_box");
  d.ctx().setColors(u"Color", {kRed, kBlue});
  d.ctx().setNumbers(u"Width W", {10, 20});
  ASSERT_TRUE((*d.run)().ok);
  ExpectCalls(d.ctx().drawList(), {{"DrawBoxFill", {0, 50, 10, 50}}, {"DrawBoxFill", {0, 50, 20, 50}}});
}

TEST(Selvor, DrawToFrame) {
  talvix::Inspection ins;
  talvix::FrameBuffer picture = talvix::FrameBuffer::make(40, 30, 32, 20);
  {
    MethodRun box("selvor", "draw_color_box", &ins);
    box.ctx.setColors(u"Color", {{1, 1, 1, 1}});
    box.ctx.setNumbers(u"Coordinate X", {10});
    box.ctx.setNumbers(u"Coordinate Y", {5});
    box.ctx.setNumbers(u"Width W", {20});
    box.ctx.setNumbers(u"Depth D", {10});
    ASSERT_TRUE(box().ok);
  }
  for (bool clear : {false, true}) {
    SCOPED_TRACE(clear);
    MethodRun run("selvor", "draw_to_frame", &ins);
    run.ctx.setFrame(u"Input frame", picture);
    run.ctx.setFlags(u"Clear used draw steps", {clear});
    ASSERT_TRUE(run().ok);
    const talvix::FrameBuffer* out = run.ctx.frame(u"Input frame");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->pixel(35, 25)[0], 20);  // the input's pixels outside the box
    EXPECT_EQ(out->pixel(15, 8)[0], 255);  // the box from the earlier run
    EXPECT_EQ(ins.drawList().size(), clear ? 0u : 1u);
  }
  {
    MethodRun again("selvor", "draw_color_box", &ins);
    again.ctx.setColors(u"Color", {{1, 1, 1, 1}});
    ASSERT_TRUE(again().ok);
  }
  MethodRun none("selvor", "draw_to_frame", &ins);  // no frame: fails and keeps the steps
  const auto r = none();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame");
  EXPECT_EQ(ins.drawList().size(), 1u);
}

TEST(Selvor, Catalogue) {
  talvix::Module& m = module_test::Load("selvor");
  const auto& cat = m.catalogue();
  ASSERT_EQ(cat.methods.size(), 12u);
  const char16_t* ids[] = {u"draw_point",  u"draw_line",  u"draw_rectangle", u"draw_circle",
                           u"draw_ring",   u"draw_coordinate_system", u"draw_string", u"draw_number",
                           u"draw_flag",   u"draw_color", u"draw_color_box", u"draw_to_frame"};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(cat.methods[i].id, ids[i]);
    EXPECT_EQ(talvix::IconResource(cat.methods[i].icon)->number, 1002 + i);
    EXPECT_TRUE(cat.methods[i].outputs.empty());
  }
  EXPECT_EQ(cat.methods[0].inputs[2].properties, u"Default=true");
  EXPECT_TRUE(cat.methods[6].inputs[4].properties.empty());
  EXPECT_EQ(cat.methods[10].inputs[4].name, u"Depth D");
  EXPECT_EQ(cat.methods[11].inputs[1].name, u"Clear used draw steps");
  testing_support::TextBuffer name(63);
  int id = 0;
  HostIcon icon = nullptr;
  ASSERT_TRUE(m.exports().EnumerateMethodsCategories(11, 0, 0, name.hi(), name.data(), &id, &icon));
  EXPECT_EQ(name.text(), u"Drawing");
  EXPECT_EQ(id, 21);
  EXPECT_EQ(talvix::IconResource(icon)->number, 1001);
  EXPECT_FALSE(m.exports().EnumerateMethodsCategories(0, 1, 0, name.hi(), name.data(), &id, &icon));
}

}  // namespace
