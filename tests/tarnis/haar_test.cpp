// The Haar gradient picture of "gpu_haar": every mode against the CPU
// reference, the corrected inputs, the region and its copy flag, frame sizes
// and the request sequence.
#include <cmath>

#include "haar_rig.h"

namespace {

using namespace tarnis_test;

bool Vertical(int x, int) { return x >= 11; }
bool Horizontal(int, int y) { return y >= 8; }
bool Diagonal(int x, int y) { return x + y >= 20; }
bool Slanted(int x, int y) { return 2 * x - y >= 14; }

struct Edge {
  const char* name;
  bool (*inside)(int, int);
  double size;
};
const Edge kEdges[] = {
    {"vertical", Vertical, 5}, {"horizontal", Horizontal, 8}, {"diagonal", Diagonal, 3}, {"slanted", Slanted, 6.5}};

TEST(TarnisPicture, EveryModeMatchesTheIntegralReference) {
  REQUIRE_GL();
  for (const Edge& e : kEdges) {
    // 23 columns: 8-bit rows are padded and must be read tight.
    for (int bpp : {8, 32}) {
      MethodRun run(kModule, kMethod);
      const auto src = EdgeFrame(23, 17, bpp, e.inside);
      run.ctx.setFrame(u"input frame", src);
      run.ctx.setNumbers(u"filter window size", {e.size});
      for (int mode = 0; mode <= 5; ++mode) {
        for (bool negative : {false, true}) {
          SCOPED_TRACE(std::string(e.name) + " bpp " + std::to_string(bpp) + " mode " + std::to_string(mode) +
                       (negative ? " negative" : ""));
          run.ctx.setNumbers(u"filter mode", {static_cast<double>(mode)});
          run.ctx.setFlags(u"inverse output image", {negative});
          const auto r = run();
          ASSERT_TRUE(r.ok) << Utf8(r.error);
          EXPECT_TRUE(run.ctx.warnings().empty());
          ExpectGradientPicture(run.ctx.picture(), src, e.size, mode, negative, [](int, int) { return true; });
        }
      }
    }
  }
}

TEST(TarnisPicture, DefaultsAreWindowFiveAndAngleOverPi) {
  REQUIRE_GL();
  MethodRun run(kModule, kMethod);
  const auto src = EdgeFrame(20, 16, 32, Diagonal);
  run.ctx.setFrame(u"input frame", src);
  const auto r = run();
  ASSERT_TRUE(r.ok) << Utf8(r.error);
  ExpectGradientPicture(run.ctx.picture(), src, 5, 0, false, [](int, int) { return true; });
}

// On a large bright frame the single-precision integral leaves a tiny dy of
// either sign along a vertical edge; it must not flip the angle between the
// two ends of the range. Both edge polarities, each angle mode, no wrap allowed.
TEST(TarnisPicture, VerticalEdgesKeepOneAngleOnLargeFrames) {
  REQUIRE_GL();
  const int w = 1024, h = 768;
  // Stripes of 64 columns: rising edges at 64, 192, ..., falling at 128, 256, ...
  const auto src = EdgeFrame(w, h, 8, [](int x, int) { return (x / 64) % 2 == 1; });
  const struct Case {
    int mode;
    int rising, falling;  // expected grey: angle 0, angle pi
  } cases[] = {{0, 0, 0}, {1, 0, 128}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    MethodRun run(kModule, kMethod);
    run.ctx.setFrame(u"input frame", src);
    run.ctx.setNumbers(u"filter mode", {static_cast<double>(k.mode)});
    const auto r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    int bad = 0;
    for (int y = 8; y < h - 8; ++y) {
      for (int x = 64; x + 1 < w; x += 64) {
        const int want = (x / 64) % 2 == 1 ? k.rising : k.falling;
        for (int col : {x - 1, x}) {  // both columns beside the edge
          const int got = Channel(run.ctx.picture(), col, y, 0);
          if (std::abs(got - want) > 2 && bad++ < 8) {
            ADD_FAILURE() << "pixel (" << col << ", " << y << "): " << got << " expected " << want;
          }
        }
      }
    }
    EXPECT_EQ(bad, 0);
  }
}

TEST(TarnisInputs, OutOfRangeValuesAreCorrectedAndReported) {
  REQUIRE_GL();
  const struct Case {
    const char* name;
    double size, mode;
    double usedSize;
    int usedMode;
    const char16_t* warning;  // null: none
  } cases[] = {
      {"mode above the options", 5, 7, 5, 5,
       u"Not acceptable value of the parameter filter mode (7). It will be used new value 5."},
      {"negative mode", 5, -2, 5, 0,
       u"Not acceptable value of the parameter filter mode (-2). It will be used new value 0."},
      {"fractional mode truncated", 5, 3.9, 5, 3, nullptr},
      {"window below 1", 0.5, 2, 1, 2,
       u"Not acceptable value of the parameter filter window size (0). It will be used new value 1."},
      {"window above 240", 300.7, 3, 240, 3,
       u"Not acceptable value of the parameter filter window size (300). It will be used new value 240."},
  };
  const auto src = EdgeFrame(21, 15, 8, Slanted);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    MethodRun run(kModule, kMethod);
    run.ctx.setFrame(u"input frame", src);
    run.ctx.setNumbers(u"filter window size", {k.size});
    run.ctx.setNumbers(u"filter mode", {k.mode});
    const auto r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    if (k.warning) {
      ASSERT_EQ(run.ctx.warnings().size(), 1u);
      EXPECT_EQ(Utf8(run.ctx.warnings()[0]), Utf8(k.warning));
    } else {
      EXPECT_TRUE(run.ctx.warnings().empty());
    }
    ExpectGradientPicture(run.ctx.picture(), src, k.usedSize, k.usedMode, false, [](int, int) { return true; });
  }
}

// Where a pixel centre lies against a rotated rectangle, with a margin:
// 1 inside, -1 outside, 0 on the border (not checked).
int Where(const TRectangularRegion& r, int x, int y) {
  const double a = r.angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
  const double dx = x + 0.5 - r.cx, dy = y + 0.5 - r.cy;
  const double u = std::abs(dx * c + dy * s), v = std::abs(-dx * s + dy * c);
  if (u < r.width / 2 - 1 && v < r.height / 2 - 1) return 1;
  if (u > r.width / 2 + 1 || v > r.height / 2 + 1) return -1;
  return 0;
}

TEST(TarnisRegion, GradientInsideSourceOrBlackOutside) {
  REQUIRE_GL();
  const TRectangularRegion square{12, 9, 12, 8, 0}, turned{11, 8, 12, 7, 30};
  const struct Case {
    const char* name;
    const TRectangularRegion* region;
    int copy;  // -1 missing, else the flag
  } cases[] = {
      {"no region, copy on", nullptr, 1},
      {"region, copy missing", &square, -1},
      {"region, copy on", &square, 1},
      {"turned region, copy on", &turned, 1},
      {"turned region, copy off", &turned, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    for (int bpp : {8, 32}) {
      MethodRun run(kModule, kMethod);
      const auto src = EdgeFrame(23, 17, bpp, Diagonal);
      run.ctx.setFrame(u"input frame", src);
      run.ctx.setNumbers(u"filter mode", {2});
      if (k.region) run.ctx.setRegions(u"scanned region", {*k.region});
      if (k.copy >= 0) run.ctx.setFlags(u"copy region neighborhood into the image", {k.copy == 1});
      const auto r = run();
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      const auto& picture = run.ctx.picture();
      auto where = [&](int x, int y) { return k.region ? Where(*k.region, x, y) : 1; };
      ExpectGradientPicture(picture, src, 5, 2, false, [&](int x, int y) { return where(x, y) > 0; });
      int outside = 0;
      for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 23; ++x) {
          if (where(x, y) >= 0) continue;
          ++outside;
          const int expected = k.copy == 1 ? src.pixel(x, y)[0] : 0;
          for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(Channel(picture, x, y, c), expected) << "bpp " << bpp << " at (" << x << ", " << y << ")";
          }
        }
      }
      EXPECT_EQ(outside > 0, k.region != nullptr);
      const auto rects = module_test::CallsOf(run.ctx.drawList(), "DrawRectangle");
      ASSERT_EQ(rects.size(), k.region ? 1u : 0u);
    }
  }
}

TEST(TarnisSequence, NewFrameSizesAreSetUpAgain) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  auto& mod = module_test::Load(kModule);
  const int index = mod.findMethod(kMethod);
  const intptr_t handle = mod.create(index);
  {
    talvix::RunContext ctx(mod, index, &inspection);
    // Larger, smaller, and a different depth of the first size.
    const struct {
      int w, h, bpp;
    } frames[] = {{18, 14, 32}, {31, 22, 8}, {13, 9, 32}, {18, 14, 8}};
    for (const auto& f : frames) {
      SCOPED_TRACE(std::to_string(f.w) + "x" + std::to_string(f.h) + " bpp " + std::to_string(f.bpp));
      const auto src = EdgeFrame(f.w, f.h, f.bpp, Diagonal);
      ctx.setFrame(u"input frame", src);
      ctx.setNumbers(u"filter mode", {4});
      // The copied neighbourhood shows whether the source texture has the
      // new size and content.
      const TRectangularRegion region{f.w / 2.0, f.h / 2.0, f.w / 2.0, f.h / 2.0, 0};
      ctx.setRegions(u"scanned region", {region});
      ctx.setFlags(u"copy region neighborhood into the image", {true});
      inspection.clearRequests();
      const auto r = ctx.run(handle);
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      const auto& picture = ctx.picture();
      ExpectGradientPicture(picture, src, 5, 4, false, [&](int x, int y) { return Where(region, x, y) > 0; });
      for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
          if (Where(region, x, y) < 0) {
            ASSERT_EQ(Channel(picture, x, y, 1), src.pixel(x, y)[0]) << x << ", " << y;
          }
        }
      }
      EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_IRE", "*_POF", "*_FRE", "*_URC"}));
    }

    // A refused request: the sequence goes on to the end and the run answers
    // false with the host's text.
    inspection.clearRequests();
    inspection.setRequestHandler([](const std::u16string& name, void*, int) -> std::optional<talvix::RequestAnswer> {
      if (name == u"*_URC") return talvix::RequestAnswer{false, u"busy"};
      return std::nullopt;
    });
    const auto r = ctx.run(handle);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "busy");
    EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_IRE", "*_POF", "*_FRE", "*_URC"}));
    inspection.setRequestHandler(nullptr);
  }
  // The release lends the context once more to delete the objects.
  inspection.clearRequests();
  mod.destroy(handle, &inspection);
  EXPECT_EQ(RequestNames(inspection), (std::vector<std::string>{"*_LRC", "*_URC"}));
}

TEST(TarnisSequence, MissingFrameFailsBeforeAnyRequest) {
  talvix::Inspection inspection;
  MethodRun run(kModule, kMethod, &inspection);
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error), "Cannot get source frame");
  EXPECT_TRUE(inspection.requests().empty());
}

}  // namespace
