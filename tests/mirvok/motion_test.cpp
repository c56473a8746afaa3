// The motion detectors through their exports: the running background, the
// moving pixels inside the region and the mask, the flag output, the
// re-uploads by change stamp, and method 6's output picture.
#include <cmath>
#include <optional>

#include "mirvok_rig.h"

namespace {

using namespace mirvok_test;
using module_test::MethodRun;
using talvix::FrameBuffer;

constexpr const char* kDetect = "gpu_motion_detection";
constexpr const char* kFilter = "gpu_motion_detection_filter";

struct Square {
  int x, y, side;
  uint8_t value;
};

// A grey 8-bit scene with an optional bright square.
FrameBuffer Scene(int w, int h, uint8_t grey, std::optional<Square> sq = std::nullopt) {
  FrameBuffer f = FrameBuffer::make(w, h, 8, grey);
  if (sq) {
    for (int y = sq->y; y < sq->y + sq->side; ++y)
      for (int x = sq->x; x < sq->x + sq->side; ++x) f.pixel(x, y)[0] = sq->value;
  }
  return f;
}

// One detector object and its run context; the mask and the external
// background inputs are not connected unless the test gives them.
struct Detector {
  explicit Detector(const char* id, bool mask = false, bool external = false)
      : filter(std::string(id) == kFilter), run(kModule, id) {
    if (!mask) run.ctx.setUnnamed(u"mask frame");
    if (!external) run.ctx.setUnnamed(u"external background frame");
  }
  // Method 6 draws moving pixels red on black.
  void binaryRed() {
    run.ctx.setFlags(u"dichromatic output picture only", {true});
    run.ctx.setColors(u"color", {{1, 0, 0, 0}});
  }
  // Runs one frame; answers the "motion detected" output (false for method 6).
  bool operator()(FrameBuffer f, double ratio, double threshold) {
    run.ctx.setFrame(u"input frame", std::move(f));
    run.ctx.setNumbers(u"background update ratio", {ratio});
    run.ctx.setNumbers(u"threshold", {threshold});
    const auto r = run();
    EXPECT_TRUE(r.ok) << Utf8(r.error);
    if (filter) return false;
    const auto flags = run.ctx.flags(u"motion detected");
    return !flags.empty() && flags[0];
  }
  const FrameBuffer& out() const { return *run.ctx.frame(u"output frame"); }
  bool filter;
  MethodRun run;
};

// Method 6 in binary mode with red as the colour: whether a pixel moved.
bool Moved(const FrameBuffer& out, int x, int y) { return Channel(out, x, y, 0) == 255; }

// Runs `before` frames of value v at the ratio, then probes with a frame of
// value v at ratio 0: whether it differs from the background by more than t.
bool Probe(const char* id, double v, double ratio, int before, double t) {
  Detector d(id);
  if (d.filter) d.binaryRed();
  const auto frame = [&] { return Scene(7, 5, static_cast<uint8_t>(std::lround(v * 255))); };
  for (int i = 0; i < before; ++i) d(frame(), ratio, 1);
  const bool flag = d(frame(), 0, t);
  return std::string(id) == kFilter ? Moved(d.out(), 3, 2) : flag;
}

// The background starts at mid-grey: a frame moves when it is farther from
// 0.5 than the threshold.
TEST(MirvokMotion, BackgroundStartsMidGrey) {
  REQUIRE_GL();
  const struct Case {
    uint8_t value;
    bool moves;
  } cases[] = {{128, false}, {230, true}, {20, true}, {180, false}, {60, false}};
  for (const char* id : {kDetect, kFilter}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(id) + " value " + std::to_string(k.value));
      EXPECT_EQ(Probe(id, k.value / 255.0, 0, 0, 0.3), k.moves);
    }
  }
}

// After n runs the background is 0.5 mixed n times toward the frame; method
// 5 keeps it in bytes, method 6 in floats.
TEST(MirvokMotion, BackgroundFollowsTheMix) {
  REQUIRE_GL();
  const struct Case {
    double v, ratio;
    int runs;
  } cases[] = {{1.0, 0.1, 5}, {0.0, 0.3, 3}, {0.8, 0.6, 2}};
  for (const char* id : {kDetect, kFilter}) {
    const bool bytes = std::string(id) == kDetect;
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(id) + " v " + std::to_string(k.v) + " ratio " + std::to_string(k.ratio));
      double b = 0.5;
      for (int i = 0; i < k.runs; ++i) {
        b += k.ratio * (k.v - b);
        if (bytes) b = std::round(b * 255) / 255;
      }
      const double gap = std::abs(k.v - b), delta = (bytes ? 2.5 : 0.5) / 255;
      EXPECT_TRUE(Probe(id, k.v, k.ratio, k.runs, gap - delta));
      EXPECT_FALSE(Probe(id, k.v, k.ratio, k.runs, gap + delta));
    }
  }
}

// Pixels of the output picture that differ from the source.
std::vector<bool> Changed(const FrameBuffer& out, const FrameBuffer& src) {
  std::vector<bool> c(static_cast<size_t>(src.width()) * src.depth());
  for (int y = 0; y < src.depth(); ++y)
    for (int x = 0; x < src.width(); ++x)
      c[y * src.width() + x] = Channel(out, x, y, 0) != src.pixel(x, y)[0] || Channel(out, x, y, 1) != src.pixel(x, y)[0];
  return c;
}

// Inside a square, at least one pixel in from its border; far: two pixels
// away from it.
bool Inner(const Square& s, int x, int y) { return x > s.x && x < s.x + s.side - 1 && y > s.y && y < s.y + s.side - 1; }
bool Far(const Square& s, int x, int y) {
  return x < s.x - 2 || x > s.x + s.side + 1 || y < s.y - 2 || y > s.y + s.side + 1;
}

// A static scene gives no motion; the square moved between runs gives motion
// where it was and where it is, within the mask's white and the region.
TEST(MirvokMotion, MovedSquareInsideMaskAndRegion) {
  REQUIRE_GL();
  const Square a{2, 2, 5, 220}, b{11, 5, 5, 220};
  FrameBuffer halfWhite = Scene(18, 12, 0);
  for (int y = 0; y < 12; ++y)
    for (int x = 9; x < 18; ++x) halfWhite.pixel(x, y)[0] = 255;
  const TRectangularRegion aroundB{13.5, 7.5, 9, 9, 0}, between{9, 10, 3, 3, 0};
  const struct Case {
    const char* name;
    std::optional<FrameBuffer> mask;
    std::optional<TRectangularRegion> region;
    bool atA, atB;
  } cases[] = {
      {"whole frame", std::nullopt, std::nullopt, true, true},
      {"black mask", Scene(18, 12, 0), std::nullopt, false, false},
      {"right half of the mask", halfWhite, std::nullopt, false, true},
      {"region around the new place", std::nullopt, aroundB, false, true},
      {"region between", std::nullopt, between, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Detector d(kDetect, k.mask.has_value());
    d.run.ctx.setNumbers(u"highlight intensity", {1});
    if (k.mask) d.run.ctx.setFrame(u"mask frame", *k.mask);
    if (k.region) d.run.ctx.setRegions(u"activity region", {*k.region});
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(d(Scene(18, 12, 30, a), 0.5, 0.2)) << "static run " << i;
    const FrameBuffer moved = Scene(18, 12, 30, b);
    EXPECT_EQ(d(moved, 0.5, 0.2), k.atA || k.atB);
    const auto changed = Changed(d.out(), moved);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 18; ++x) {
        const bool c = changed[y * 18 + x];
        if (Inner(a, x, y)) {
          EXPECT_EQ(c, k.atA) << x << ", " << y;
        } else if (Inner(b, x, y)) {
          EXPECT_EQ(c, k.atB) << x << ", " << y;
        } else if (Far(a, x, y) && Far(b, x, y)) {
          EXPECT_FALSE(c) << x << ", " << y;
        }
      }
    }
    // The flag is the run's own: a static frame again reports none.
    d(moved, 0.5, 0.2);
    EXPECT_FALSE(d(moved, 0.5, 0.2));
  }
}

// The mask is uploaded again only when its change stamp changes.
TEST(MirvokMotion, MaskFollowsItsStamp) {
  REQUIRE_GL();
  const Square a{1, 1, 4, 220}, b{8, 4, 4, 220};
  Detector d(kDetect, true);
  d.run.ctx.setFrame(u"mask frame", Scene(14, 10, 255));
  bool atB = false;
  auto step = [&] {
    atB = !atB;
    return d(Scene(14, 10, 30, atB ? b : a), 0.5, 0.2);
  };
  step();
  EXPECT_TRUE(step());
  // Blackened in place, same stamp: the uploaded white mask stays.
  auto& mask = const_cast<FrameBuffer&>(*d.run.ctx.inputFrame(u"mask frame"));
  std::fill(mask.row(0), mask.row(0) + mask.stride() * mask.depth(), 0);
  EXPECT_TRUE(step());
  d.run.ctx.touch(u"mask frame");
  EXPECT_FALSE(step());
}

// With an external background and the dynamic background off, the running
// background is neither mixed nor compared with.
TEST(MirvokMotion, ExternalBackgroundLeavesTheRunningOneAlone) {
  REQUIRE_GL();
  for (const char* id : {kDetect, kFilter}) {
    SCOPED_TRACE(id);
    Detector d(id, false, true);
    if (d.filter) d.binaryRed();
    d.run.ctx.setFrame(u"external background frame", Scene(7, 5, 51));
    d.run.ctx.setFlags(u"use dynamic background", {false});
    const bool filter = std::string(id) == kFilter;
    for (int i = 0; i < 3; ++i) {
      // 0.9 against the external 0.2: moving; against mid-grey it would not be.
      const bool flag = d(Scene(7, 5, 230), 0.5, 0.5);
      EXPECT_TRUE(filter ? Moved(d.out(), 3, 2) : flag) << i;
    }
    d.run.ctx.setFlags(u"use dynamic background", {true});
    // The running background, still mid-grey, is in use again: 0.9 is 0.4 away.
    const bool flag = d(Scene(7, 5, 230), 0, 0.35);
    EXPECT_TRUE(filter ? Moved(d.out(), 3, 2) : flag);
  }
}

// Method 6's picture: inside the region the colour on moving pixels and the
// frame (or black) on the others; outside it the frame or the colour.
TEST(MirvokMotion, FilterPictureInsideAndOutsideTheRegion) {
  REQUIRE_GL();
  const uint8_t columns[] = {10, 128, 240, 100, 20, 128, 250, 60, 128};
  FrameBuffer src = FrameBuffer::make(9, 6, 8, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) src.pixel(x, y)[0] = columns[x];
  const TRectangularRegion region{4.5, 3, 9, 4, 0};  // rows 1..4 inside, 0 and 5 outside
  const struct Case {
    const char* name;
    std::optional<TColor> color;
    bool binary, copy;
  } cases[] = {
      {"white, frame outside", std::nullopt, false, true},
      {"white outside", std::nullopt, true, false},
      {"blue, binary", TColor{0, 0, 1, 0}, true, false},
      {"blue, frame kept", TColor{0, 0, 1, 0}, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Detector d(kFilter);
    d.run.ctx.setRegions(u"activity region", {region});
    if (k.color) d.run.ctx.setColors(u"color", {*k.color});
    d.run.ctx.setFlags(u"dichromatic output picture only", {k.binary});
    d.run.ctx.setFlags(u"copy region neighborhood into the image", {k.copy});
    d(src, 0, 0.3);
    const double color[3] = {k.color ? k.color->R : 1, k.color ? k.color->G : 1, k.color ? k.color->B : 1};
    for (int y : {0, 2, 5}) {
      for (int x = 0; x < 9; ++x) {
        const int v = columns[x];
        const bool moving = std::abs(v / 255.0 - 0.5) > 0.3;
        for (int c = 0; c < 3; ++c) {
          const int paint = static_cast<int>(color[c] * 255);
          int expected;
          if (y == 2) {
            expected = moving ? paint : (k.binary ? 0 : v);
          } else {
            expected = k.copy ? v : paint;
          }
          EXPECT_EQ(Channel(d.out(), x, y, c), expected) << x << ", " << y << " channel " << c;
        }
      }
    }
  }
}

// Auxiliary textures follow the frame size: each new size starts from a
// mid-grey background of that size (the previous size's background, taken
// over by the frame, would hide the motion).
TEST(MirvokMotion, NewFrameSize) {
  REQUIRE_GL();
  for (const char* id : {kDetect, kFilter}) {
    SCOPED_TRACE(id);
    Detector d(id);
    if (d.filter) d.binaryRed();
    const int sizes[][2] = {{8, 6}, {21, 13}, {5, 4}};
    for (const auto& s : sizes) {
      for (double ratio : {0.0, 1.0}) {
        // Ratio 0 keeps the fresh mid-grey background; ratio 1 takes the frame over.
        const bool moves = ratio == 0;
        const bool flag = d(Scene(s[0], s[1], 230), ratio, 0.3);
        if (!d.filter) {
          EXPECT_EQ(flag, moves) << s[0];
          continue;
        }
        for (int y = 0; y < s[1]; ++y)
          for (int x = 0; x < s[0]; ++x) ASSERT_EQ(Moved(d.out(), x, y), moves) << s[0] << ": " << x << ", " << y;
      }
    }
  }
}

TEST(MirvokMotion, InputsCorrectedAndMissingFrames) {
  REQUIRE_GL();
  const struct Case {
    const char* id;
    std::u16string input;
    double value;
    std::string warning;
  } corrections[] = {
      {kDetect, u"background update ratio", 1.5,
       "Not acceptable value of the parameter background update ratio (1.500000). It will be used new value "
       "1.000000."},
      {kFilter, u"threshold", -0.5,
       "Not acceptable value of the parameter threshold (-0.500000). It will be used new value 0.000000."},
      {kDetect, u"highlight intensity", 2,
       "Not acceptable value of the parameter highlight intensity (2.000000). It will be used new value 1.000000."},
  };
  for (const auto& k : corrections) {
    SCOPED_TRACE(k.warning);
    Detector d(k.id);
    d.run.ctx.setFrame(u"input frame", Scene(5, 3, 9));
    d.run.ctx.setNumbers(k.input, {k.value});
    ASSERT_TRUE(d.run().ok);
    ASSERT_EQ(d.run.ctx.warnings().size(), 1u);
    EXPECT_EQ(Utf8(d.run.ctx.warnings()[0]), k.warning);
  }
  const struct Missing {
    const char16_t* input;
    const char* text;
  } missing[] = {{u"mask frame", "Cannot get mask frame"},
                 {u"external background frame", "Cannot get external background frame"}};
  for (const char* id : {kDetect, kFilter}) {
    for (const auto& m : missing) {
      SCOPED_TRACE(m.text);
      talvix::Inspection inspection;
      MethodRun run(kModule, id, &inspection);
      run.ctx.setFrame(u"input frame", Scene(5, 3, 9));
      if (std::u16string(m.input) == u"external background frame") run.ctx.setUnnamed(u"mask frame");
      const auto r = run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(Utf8(r.error), m.text);
      EXPECT_TRUE(inspection.requests().empty());
    }
  }
}

}  // namespace
