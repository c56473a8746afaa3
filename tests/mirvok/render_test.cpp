// The run sequence and render frame, through the module built beside probe
// shaders: the HSL pass inverts, the denoise pass adds one grey level.
#include <cmath>

#include "mirvok_rig.h"

namespace {

using namespace mirvok_test;
using module_test::MethodRun;

struct Inside {
  int state;  // 1 inside, -1 outside, 0 on the border (not checked)
};

// Where a pixel centre lies against a rotated rectangle, with a margin.
int Where(const TRectangularRegion& r, int x, int y) {
  const double a = r.angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
  const double dx = x + 0.5 - r.cx, dy = y + 0.5 - r.cy;
  const double u = std::abs(dx * c + dy * s), v = std::abs(-dx * s + dy * c);
  if (u < r.width / 2 - 1 && v < r.height / 2 - 1) return 1;
  if (u > r.width / 2 + 1 || v > r.height / 2 + 1) return -1;
  return 0;
}

TEST(MirvokRender, FilterConfinedToRegionCopyOutside) {
  REQUIRE_GL();
  const TRectangularRegion square{10, 7, 10, 6, 0}, turned{11, 8, 12, 7, 30};
  const struct Case {
    const char* name;
    const TRectangularRegion* region;
    int copy;  // -1 missing, else the flag
  } cases[] = {
      {"no region", nullptr, -1},
      {"no region, copy off", nullptr, 0},
      {"region, copy missing", &square, -1},
      {"region, copy on", &square, 1},
      {"region, copy off", &square, 0},
      {"turned region", &turned, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    for (int bpp : {8, 32}) {
      MethodRun run(kProbe, "gpu_HSL_filter");
      const auto src = RandomFrame(21, 15, bpp, 7);
      run.ctx.setFrame(u"input frame", src);
      if (k.region) run.ctx.setRegions(u"activity region", {*k.region});
      if (k.copy >= 0) run.ctx.setFlags(u"copy region neighborhood into the image", {k.copy == 1});
      const auto r = run();
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      const auto* out = run.ctx.frame(u"output frame");
      ASSERT_NE(out, nullptr);
      const Picture in = ToPicture(src);
      int inside = 0, outside = 0;
      for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 21; ++x) {
          const int where = k.region ? Where(*k.region, x, y) : 1;
          if (where == 0) continue;
          (where > 0 ? inside : outside)++;
          for (int c = 0; c < 3; ++c) {
            const int s = static_cast<int>(std::lround(in.at(x, y, c) * 255));
            const int expected = where > 0 ? 255 - s : (k.copy != 0 ? s : 0);
            ASSERT_EQ(Channel(*out, x, y, c), expected) << "bpp " << bpp << " at (" << x << ", " << y << ")";
          }
        }
      }
      EXPECT_GT(inside, 0);
      if (k.region) {
        EXPECT_GT(outside, 0);
      }
    }
  }
}

TEST(MirvokRender, OutputsRectangleIsTheRegionWhenAsked) {
  REQUIRE_GL();
  const TRectangularRegion region{9, 6, 8, 5, 15};
  const struct Case {
    const char* name;
    bool region;
    int draw;  // -1 missing
    size_t rectangles;
  } cases[] = {
      {"draw on", true, 1, 1},
      {"draw missing", true, -1, 0},
      {"draw off", true, 0, 0},
      {"no region", false, 1, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    MethodRun run(kProbe, "gpu_denoise_filter");
    run.ctx.setFrame(u"input frame", RandomFrame(17, 11, 32, 3));
    if (k.region) run.ctx.setRegions(u"activity region", {region});
    if (k.draw >= 0) run.ctx.setFlags(u"draw outputs into the image", {k.draw == 1});
    ASSERT_TRUE(run().ok);
    const auto rects = module_test::CallsOf(run.ctx.drawList(), "DrawRectangle");
    ASSERT_EQ(rects.size(), k.rectangles);
    if (!rects.empty()) {
      const std::vector<double> first(rects[0].args.begin(), rects[0].args.begin() + 5);
      EXPECT_EQ(first, (std::vector<double>{region.cx, region.cy, region.width, region.height, region.angle}));
    }
  }
}

// Each pass adds one grey level; the passes read one another's results, the
// last one lands in the host's picture, and only inside the region.
TEST(MirvokRender, IterationsEachReadThePreviousPass) {
  REQUIRE_GL();
  const struct Case {
    double iterations;  // NaN: input missing
    int passes;
    bool warned;
  } cases[] = {
      {NAN, 5, false}, {1, 1, false}, {2, 2, false}, {7.9, 7, false}, {100, 100, false}, {0, 1, true}, {250, 100, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.iterations);
    MethodRun run(kProbe, "gpu_denoise_filter");
    run.ctx.setFrame(u"input frame", talvix::FrameBuffer::make(7, 5, 8, 10));
    if (!std::isnan(k.iterations)) run.ctx.setNumbers(u"number of iterations", {k.iterations});
    ASSERT_TRUE(run().ok);
    const auto* out = run.ctx.frame(u"output frame");
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(Channel(*out, x, y, 1), 10 + k.passes);
    EXPECT_EQ(run.ctx.warnings().size(), k.warned ? 1u : 0u);
  }
}

TEST(MirvokRender, IterationsAfterSizeChangeAndInsideRegion) {
  REQUIRE_GL();
  MethodRun run(kProbe, "gpu_denoise_filter");
  run.ctx.setNumbers(u"number of iterations", {3});
  const TRectangularRegion region{8, 6, 8, 6, 0};
  const int sizes[][2] = {{7, 5}, {16, 12}, {5, 9}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(s[0]);
    run.ctx.setFrame(u"input frame", talvix::FrameBuffer::make(s[0], s[1], 32, 20));
    if (s[0] == 16) {
      run.ctx.setRegions(u"activity region", {region});
    } else {
      run.ctx.setEmpty(u"activity region");
    }
    ASSERT_TRUE(run().ok);
    const auto* out = run.ctx.frame(u"output frame");
    for (int y = 0; y < s[1]; ++y) {
      for (int x = 0; x < s[0]; ++x) {
        const int where = s[0] == 16 ? Where(region, x, y) : 1;
        if (where == 0) continue;
        ASSERT_EQ(Channel(*out, x, y, 0), where > 0 ? 23 : 20) << x << ", " << y;
      }
    }
  }
}

TEST(MirvokRender, RequestsOfARunAndOfTheRelease) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  auto& mod = module_test::Load(kProbe);
  const int index = mod.findMethod("gpu_HSL_filter");

  // Never run: the release asks the host for nothing.
  intptr_t idle = mod.create(index);
  mod.destroy(idle, &inspection);
  EXPECT_TRUE(inspection.requests().empty());

  intptr_t handle = mod.create(index);
  {
    talvix::RunContext ctx(mod, index, &inspection);
    ctx.setFrame(u"input frame", RandomFrame(9, 5, 32, 1));
    ASSERT_TRUE(ctx.run(handle).ok);
    EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_IRE", "*_POF", "*_FRE", "*_URC"}));

    // A refused request: the run goes on to the end, answers false with the
    // host's text, and the picture is still made.
    inspection.clearRequests();
    inspection.setRequestHandler([](const std::u16string& name, void*, int) -> std::optional<talvix::RequestAnswer> {
      if (name == u"*_FRE") return talvix::RequestAnswer{false, u"busy"};
      return std::nullopt;
    });
    const auto r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "busy");
    EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_IRE", "*_POF", "*_FRE", "*_URC"}));
    EXPECT_EQ(Channel(*ctx.frame(u"output frame"), 0, 0, 0), 255 - RandomFrame(9, 5, 32, 1).pixel(0, 0)[2]);
    inspection.setRequestHandler(nullptr);
  }
  inspection.clearRequests();
  mod.destroy(handle, &inspection);
  EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_URC"}));
}

TEST(MirvokRender, MissingFramesEndTheRunBeforeAnyRequest) {
  REQUIRE_GL();
  const struct Case {
    const char* name;
    bool input;
    bool output;
    const char* text;
  } cases[] = {
      {"no input", false, true, "Cannot get source frame"},
      {"no output", true, false, "Unknown target frame"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    talvix::Inspection inspection;
    MethodRun run(kProbe, "gpu_HSL_filter", &inspection);
    if (k.input) run.ctx.setFrame(u"input frame", RandomFrame(5, 5, 8, 2));
    if (!k.output) run.ctx.setUnnamed(u"output frame");
    const auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), k.text);
    EXPECT_TRUE(inspection.requests().empty());
  }
}

// The probe directory has no Grayscale_filter: the set-up fails, the bracket
// is closed, and every later run answers the same text without a request.
TEST(MirvokRender, FailedSetUpIsKeptAndClosesTheBracket) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  auto& mod = module_test::Load(kProbe);
  const int index = mod.findMethod("gpu_grayscale_filter");
  const intptr_t handle = mod.create(index);
  {
    talvix::RunContext ctx(mod, index, &inspection);
    ctx.setFrame(u"input frame", RandomFrame(5, 4, 8, 3));
    auto r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "Error during shader building");
    EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_IRE", "*_URC"}));

    inspection.clearRequests();
    r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "Error during shader building");
    EXPECT_TRUE(inspection.requests().empty());
  }
  // What the failed set-up built is still given back.
  inspection.clearRequests();
  mod.destroy(handle, &inspection);
  EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_URC"}));
}

}  // namespace
