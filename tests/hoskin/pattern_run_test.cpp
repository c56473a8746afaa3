// The unlisted pattern method through the exports on the host's context: it
// finds square patterns of blobs and only draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "datamatrix_render.h"
#include "gl_test_util.h"
#include "module_run.h"

namespace {

using talvix::FrameBuffer;
using talvix::RequestAnswer;

constexpr int kPatternMethod = 1;

// Method 1 is not in the catalogue: its instance is made by index.
struct PatternRun {
  explicit PatternRun(talvix::Inspection* inspection = nullptr)
      : mod(module_test::Load("hoskin")),
        ctx(mod, kPatternMethod, inspection),
        handle(mod.create(kPatternMethod)) {}
  ~PatternRun() { mod.destroy(handle); }
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(handle, errLen); }
  talvix::Module& mod;
  talvix::RunContext ctx;
  intptr_t handle;
};

const dunsel_test::DmMatrix& Symbol() {
  static const dunsel_test::DmMatrix m = dunsel_test::ZintDataMatrix("Pattern finder 8", {.size = 8});  // 24 x 24
  return m;
}

FrameBuffer To32(const FrameBuffer& grey) {
  FrameBuffer out = FrameBuffer::make(grey.width(), grey.depth(), 32, 0);
  for (int y = 0; y < grey.depth(); ++y) {
    for (int x = 0; x < grey.width(); ++x) {
      uint8_t* p = out.pixel(x, y);
      p[0] = p[1] = p[2] = grey.pixel(x, y)[0];
    }
  }
  return out;
}

struct Placed {
  int width = 320, depth = 240;
  double module = 4, angle = 0, cx = 160, cy = 120;  // centre as displayed
  FrameBuffer frame(bool blank = false) const {
    dunsel_test::DmRender r;
    r.width = width, r.depth = depth, r.module = module, r.angle = angle, r.cx = cx, r.cy = cy, r.noise = 3;
    return dunsel_test::StorePicture(dunsel_test::DrawPicture(blank ? std::vector<dunsel_test::DmPlaced>{}
                                                                    : std::vector<dunsel_test::DmPlaced>{{&Symbol(), r}},
                                                              r),
                                     r);
  }
  // Centre in memory rows (the frame is stored bottom-up) and the reach of
  // the symbol from it.
  double memoryY() const { return depth - 1 - cy; }
  double reach() const { return Symbol().cols * module / std::sqrt(2.0); }
};

std::vector<talvix::DrawCall> Lines(const talvix::RunContext& ctx) {
  return module_test::CallsOf(ctx.drawList(), "DrawLine");
}

// Every end of every line lies within the symbol's reach and a cell or two.
void ExpectLinesOnTheSymbol(const std::vector<talvix::DrawCall>& lines, const Placed& p, const std::string& name) {
  for (const talvix::DrawCall& l : lines) {
    for (int e = 0; e < 2; ++e) {
      const double d = std::hypot(l.args[2 * e] - p.cx, l.args[2 * e + 1] - p.memoryY());
      EXPECT_LT(d, p.reach() + 30) << name;
    }
  }
}

class PatternMethod : public testing::Test {
 protected:
  void SetUp() override { REQUIRE_GL(); }
};

TEST_F(PatternMethod, FindsTheSymbolInEveryFrameKind) {
  struct Case {
    const char* name;
    Placed at;
    bool colour;
  };
  const Case cases[] = {
      {"8-bit upright", {}, false},
      {"32-bit upright", {}, true},
      {"8-bit odd width, off centre", {.width = 331, .depth = 250, .cx = 110, .cy = 90}, false},
      {"8-bit turned 30 degrees", {.angle = 30}, false},
      {"32-bit larger modules", {.width = 400, .depth = 300, .module = 6, .cx = 200, .cy = 150}, true},
  };
  for (const Case& c : cases) {
    PatternRun run;
    const FrameBuffer grey = c.at.frame();
    run.ctx.setFrame(u"input frame", c.colour ? To32(grey) : grey);
    run.ctx.setNumbers(u"content of drawings into the picture", {2});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << c.name << ": " << talvix::ToUtf8(r.error);
    const auto lines = Lines(run.ctx);
    // At least one region: its hull (three or more edges) and its box.
    EXPECT_GE(lines.size(), 7u) << c.name;
    ExpectLinesOnTheSymbol(lines, c.at, c.name);
    EXPECT_EQ(run.ctx.drawList().size(), lines.size()) << c.name;
  }
}

TEST_F(PatternMethod, ABlankFrameHasNoRegion) {
  PatternRun run;
  run.ctx.setFrame(u"input frame", Placed{}.frame(true));
  run.ctx.setNumbers(u"content of drawings into the picture", {2});
  ASSERT_TRUE(run().ok);
  EXPECT_TRUE(run.ctx.drawList().empty());
}

TEST_F(PatternMethod, DrawingsFollowTheOptionAndNoOutputIsWritten) {
  struct Case {
    const char* name;
    double content;
    bool drawOutputs;
    bool circles, cells, regions;
  };
  const Case cases[] = {
      {"result only", 0, true, false, false, false},
      {"all debug information", 1, true, true, true, true},
      {"region of the finding", 2, true, false, false, true},
      {"nothing without drawing outputs", 1, false, false, false, false},
  };
  const std::vector<double> radii = {5.4, 9, 12.6, 16.2, 23.4, 30.6, 45, 59.4};  // 0.6 x the keypoint sizes
  for (const Case& c : cases) {
    PatternRun run;
    run.ctx.setFrame(u"input frame", Placed{}.frame());
    run.ctx.setNumbers(u"content of drawings into the picture", {c.content});
    run.ctx.setFlags(u"draw outputs into the picture", {c.drawOutputs});
    ASSERT_TRUE(run().ok) << c.name;
    const auto circles = module_test::CallsOf(run.ctx.drawList(), "DrawCircle");
    const auto cells = module_test::CallsOf(run.ctx.drawList(), "DrawRectangle");
    EXPECT_EQ(!circles.empty(), c.circles) << c.name;
    EXPECT_EQ(!cells.empty(), c.cells) << c.name;
    EXPECT_EQ(!Lines(run.ctx).empty(), c.regions) << c.name;
    for (const talvix::DrawCall& circle : circles) {
      EXPECT_TRUE(std::any_of(radii.begin(), radii.end(), [&](double r) { return std::fabs(r - circle.args[2]) < 1e-4; }))
          << c.name << ": radius " << circle.args[2];
    }
    for (const talvix::DrawCall& cell : cells) {
      EXPECT_EQ(cell.args[2], cell.args[3]) << c.name;  // square cells of the scale's size
      EXPECT_EQ(cell.args[4], 0) << c.name;
    }
    for (const std::u16string& t : run.ctx.strings(u"Result string")) EXPECT_TRUE(t.empty()) << c.name;
    EXPECT_TRUE(run.ctx.numbers(u"Number of codes detected").empty()) << c.name;
  }
}

TEST_F(PatternMethod, CorrectedInputsAreWarnedAbout) {
  PatternRun run;
  run.ctx.setFrame(u"input frame", Placed{}.frame());
  run.ctx.setNumbers(u"features threshold", {250, -300, 1});
  run.ctx.setNumbers(u"content of drawings into the picture", {7});
  ASSERT_TRUE(run().ok);
  const std::vector<std::u16string>& w = run.ctx.warnings();
  const auto mentions = [&](const std::u16string& part) {
    return std::count_if(w.begin(), w.end(), [&](const std::u16string& t) { return t.find(part) != t.npos; });
  };
  EXPECT_EQ(mentions(u"features threshold"), 2);  // 250 and |-300| above 200
  EXPECT_EQ(mentions(u"content of drawings into the picture (7). It will be used new value 2"), 1);
}

TEST_F(PatternMethod, TheScannedRegionBoundsTheSearch) {
  const Placed left{.cx = 90, .cy = 120};
  struct Case {
    const char* name;
    TRectangularRegion region;
    bool found;
  };
  const Case cases[] = {
      {"around the symbol", {90, left.memoryY(), 150, 150, 0}, true},
      {"the other half", {240, 120, 150, 230, 0}, false},
  };
  for (const Case& c : cases) {
    PatternRun run;
    run.ctx.setFrame(u"input frame", left.frame());
    run.ctx.setRegions(u"scanned region", {c.region});
    run.ctx.setNumbers(u"content of drawings into the picture", {2});
    ASSERT_TRUE(run().ok) << c.name;
    const auto rects = module_test::CallsOf(run.ctx.drawList(), "DrawRectangle");
    ASSERT_EQ(rects.size(), 1u) << c.name;  // the scanned region itself
    EXPECT_EQ(rects[0].args[0], c.region.cx) << c.name;
    EXPECT_EQ(!Lines(run.ctx).empty(), c.found) << c.name;
    ExpectLinesOnTheSymbol(Lines(run.ctx), left, c.name);
  }
}

TEST_F(PatternMethod, ARefusedContextDrawsNothingAndTheNextRunSetsUp) {
  talvix::Inspection inspection;
  PatternRun run(&inspection);
  run.ctx.setFrame(u"input frame", Placed{}.frame());
  run.ctx.setNumbers(u"content of drawings into the picture", {2});
  inspection.setRequestHandler([](const std::u16string& n, void*, int) -> std::optional<RequestAnswer> {
    if (n == u"*_LRC") return RequestAnswer{false, u"no context"};
    return std::nullopt;
  });
  EXPECT_FALSE(run().ok);
  EXPECT_TRUE(run.ctx.drawList().empty());
  inspection.setRequestHandler(nullptr);
  run.ctx.touch(u"input frame");
  ASSERT_TRUE(run().ok);
  EXPECT_GE(Lines(run.ctx).size(), 7u);
}

TEST_F(PatternMethod, ANewFrameSizeIsFollowed) {
  talvix::Inspection inspection;
  PatternRun run(&inspection);
  const Placed small{}, large{.width = 480, .depth = 360, .cx = 330, .cy = 250};
  for (const Placed& p : {small, large, small}) {
    inspection.clearDrawList();
    run.ctx.setFrame(u"input frame", p.frame());
    run.ctx.setNumbers(u"content of drawings into the picture", {2});
    ASSERT_TRUE(run().ok);
    const auto lines = Lines(run.ctx);
    EXPECT_GE(lines.size(), 7u) << p.width;
    ExpectLinesOnTheSymbol(lines, p, std::to_string(p.width));
  }
}

}  // namespace
