// Every method that reads its frame through border detection answers a
// 24-bit frame as its 8- and 32-bit twins (the circle search by threshold,
// whose answer follows thread timing, reads through the host's scans only).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "forvik_run.h"

namespace {

using forvik_test::AtDepth;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

// Light disc, light annulus and a light bar with a slanted side on a dark
// ground, 4x4 supersampled.
FrameBuffer Scene() {
  return forvik_test::Grey(320, 240, [](int x, int y) {
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const double px = x + (sx + 0.5) / 4 - 0.5, py = y + (sy + 0.5) / 4 - 0.5;
        const double disc = std::hypot(px - 70, py - 120), ring = std::hypot(px - 190, py - 120);
        const bool bar = px >= 262 && px < 300 + (py - 40) * 0.1 && py >= 40 && py < 200;
        hits += disc <= 40 || (ring >= 22 && ring <= 48) || bar;
      }
    return (200 * hits + 35 * (16 - hits)) / 16;
  });
}

// Every output of the run, as text, after its result and error.
std::string Answer(MethodRun& run, const talvix::RunResult& r) {
  std::string out = (r.ok ? "true " : "false ") + talvix::ToUtf8(r.error);
  std::vector<talvix::ParamInfo> inputs, outputs;
  forvik_test::Forvik().readParameters(run.index, &inputs, &outputs);
  const auto add = [&](const std::vector<double>& v) {
    for (double d : v) out += " " + std::to_string(d);
  };
  for (const talvix::ParamInfo& o : outputs) {
    out += " | " + talvix::ToUtf8(o.name) + ":";
    if (o.type == ptNumber) add(run.ctx.numbers(o.name));
    if (o.type == ptLine)
      for (const TLine& l : run.ctx.lines(o.name)) add({l.x0, l.y0, l.x1, l.y1});
    if (o.type == ptRing)
      for (const TRing& g : run.ctx.rings(o.name)) add({g.cx, g.cy, g.r1, g.r2, g.a1, g.a2});
  }
  return out;
}

TEST(Depths, TwentyFourBitFramesAnswerAsTheirTwins) {
  const FrameBuffer grey = Scene();
  struct Case {
    const char* id;
    std::vector<std::pair<std::u16string, double>> numbers;
  } cases[] = {
      {"line_detection_by_contour", {}},
      {"circle_detection_by_contour", {}},
      {"ring_detection_by_contour", {}},
      {"inner_caliper", {{u"Horizontal scanline number", 20}}},
      {"outer_caliper", {{u"Horizontal scanline number", 20}}},
      {"line_detection_by_threshold", {}},
  };
  for (const Case& c : cases) {
    std::string answers[3];
    int k = 0;
    for (int bpp : {8, 24, 32}) {
      SCOPED_TRACE(std::string(c.id) + " at " + std::to_string(bpp) + " bits");
      MethodRun run(c.id);
      run.ctx.setFrame(u"Input frame", AtDepth(grey, bpp));
      for (const auto& [name, value] : c.numbers) run.ctx.setNumbers(name, {value});
      talvix::RunResult r;
      EXPECT_LT(test_cost::CpuSecondsOf([&] { r = run(); }), 30.0);
      EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      answers[k++] = Answer(run, r);
    }
    EXPECT_EQ(answers[1], answers[0]) << c.id;
    EXPECT_EQ(answers[1], answers[2]) << c.id;
  }
}

}  // namespace
