// Spokes, region lines and lines far longer than the coordinate bound keep
// their direction: the pixels they walk in the frame are those of the same
// line of an ordinary length.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "scan_test_util.hpp"

using scantest::Recorder;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Ends {
  bool ok;
  TLine line;
};

TEST(LongLines, KeepTheirDirection) {
  const talvix::FrameBuffer f = scantest::Patterned(320, 240, 8);
  const Frame* frame = f.frame();
  const auto spoke = [frame](TRingRegion ring, int count, int i) {
    int e[4] = {};
    const bool ok = GetScanRingRegionSpoke(frame, &ring, count, i, &e[0], &e[1], &e[2], &e[3]);
    return Ends{ok, {double(e[0]), double(e[1]), double(e[2]), double(e[3])}};
  };
  const auto regionLine = [frame](TRectangularRegion region, int count, int i) {
    int e[4] = {};
    const bool ok = GetScanRectangularRegionLine(frame, &region, count, i, 0, &e[0], &e[1], &e[2], &e[3]);
    return Ends{ok, {double(e[0]), double(e[1]), double(e[2]), double(e[3])}};
  };
  const auto ray = [](double x, double y, double deg, double from, double to) {
    const double c = std::cos(deg * kPi / 180), s = std::sin(deg * kPi / 180);
    return TLine{x + from * c, y + from * s, x + to * c, y + to * s};
  };
  struct Case {
    std::string name;
    std::function<Ends()> line;  // the long line as the host hands it over
    TLine ordinary;              // the same line, 2000 px long
  };
  std::vector<Case> cases;
  // Every spoke of a ring of outer radius 3e9 centred on the frame.
  for (int i = 0; i < 16; ++i) {
    cases.push_back({"spoke " + std::to_string(i) + " of 16", [=] { return spoke({160, 120, 0, 3e9, 0, 0}, 16, i); },
                     ray(160, 120, i * 22.5, 0, 2000)});
  }
  // A spoke from a centre 1.4e9 away that crosses the frame's middle.
  cases.push_back({"spoke from far away", [=] { return spoke({160 - 1e9, 120 - 1e9, 0, 3e9, 0, 0}, 8, 1); },
                   ray(160, 120, 45, -1000, 1000)});
  cases.push_back({"region 3e9 long at 30 degrees", [=] { return regionLine({160, 120, 3e9, 4, 30}, 1, 0); },
                   ray(160, 120, 30, -1000, 1000)});
  cases.push_back({"region 3e9 long at -70 degrees", [=] { return regionLine({100, 60, 3e9, 4, -70}, 1, 0); },
                   ray(100, 60, -70, -1000, 1000)});
  cases.push_back({"line to 3e9 at 30 degrees", [=] { return Ends{true, ray(10, 10, 30, 0, 3e9)}; },
                   ray(10, 10, 30, 0, 2000)});
  // Ends 1e15 away still place the line within a tenth of a pixel.
  cases.push_back({"line through the frame from 1e15 away", [=] { return Ends{true, ray(150, 100, -20, -1e15, 1e15)}; },
                   ray(150, 100, -20, -1000, 1000)});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Ends e = c.line();
    ASSERT_TRUE(e.ok);
    Recorder got, want;
    ScanLine(frame, nullptr, &e.line, 1, &got, Recorder::Cb);
    ScanLine(frame, nullptr, &c.ordinary, 1, &want, Recorder::Cb);
    ASSERT_GT(want.got.size(), 100u);
    EXPECT_NEAR(double(got.got.size()), double(want.got.size()), 1.0);
    // Within a pixel of the ordinary line throughout, in its order.
    const double dx = c.ordinary.x1 - c.ordinary.x0, dy = c.ordinary.y1 - c.ordinary.y0, len = std::hypot(dx, dy);
    double along = -1e300;
    for (const scantest::Sample& s : got.got) {
      EXPECT_LE(std::fabs((s.x - c.ordinary.x0) * dy - (s.y - c.ordinary.y0) * dx) / len, 1.0)
          << s.x << "," << s.y;
      const double t = ((s.x - c.ordinary.x0) * dx + (s.y - c.ordinary.y0) * dy) / len;
      EXPECT_GT(t, along);
      along = t;
    }
  }
}

}  // namespace
