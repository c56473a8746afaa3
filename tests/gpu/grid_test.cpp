// The grid and plane arithmetic of the OpenGL layer, without GL.
#include "gpu/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "gpu/gl_toolkit.h"

namespace {

using Points = std::set<std::pair<int, int>>;

Points Collect(const std::function<void(const gpu::GridSink&)>& emit) {
  Points p;
  emit([&](int c, int r) { EXPECT_TRUE(p.insert({c, r}).second) << "emitted twice: " << c << "," << r; });
  return p;
}

std::vector<int> RowColumns(int x, int width, int step) {
  std::vector<int> cols;
  gpu::EmitGridRow(x, 7, width, step, 100, 100, [&](int c, int r) {
    EXPECT_EQ(r, 7);
    cols.push_back(c);
  });
  return cols;
}

TEST(Grid, RowColumns) {
  struct Case {
    int x, width, step;
    std::vector<int> columns;
  };
  const Case cases[] = {
      {3, 10, 4, {4, 8, 12}},  // the next multiple above x, up to and including x + width
      {4, 8, 4, {4, 8, 12}},
      {2, 3, 1, {2, 3, 4, 5}},
      {4, 0, 4, {}},
      {-3, 10, 4, {4}},  // a truncating remainder: the first column skips 0
      {-5, 10, 4, {0, 4}},
      {-8, 9, 4, {-8, -4, 0}},
      {5, 10, 0, {}},  // a step below 1 emits nothing
      {5, 10, -2, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RowColumns(c.x, c.width, c.step), c.columns) << c.x << " " << c.width << " " << c.step;
  }
}

TEST(Grid, RectIsClippedToTheFrame) {
  const Points p = Collect([](const gpu::GridSink& s) { gpu::EmitGridRect(-5, -5, 30, 30, 4, 4, 20, 16, s); });
  Points expected;
  for (int r : {0, 4, 8, 12}) {
    for (int c : {0, 4, 8, 12, 16, 20}) expected.insert({c, r});
  }
  EXPECT_EQ(p, expected);
  EXPECT_TRUE(Collect([](const gpu::GridSink& s) { gpu::EmitGridRect(3, 3, 10, 10, 0, 4, 20, 16, s); }).empty());
  // Rows start at the first multiple at or above y and stay below y + height.
  const Points q = Collect([](const gpu::GridSink& s) { gpu::EmitGridRect(5, 5, 6, 7, 3, 3, 40, 40, s); });
  EXPECT_EQ(q, (Points{{6, 6}, {9, 6}, {6, 9}, {9, 9}}));
}

// What lies left of or below the frame is cut off, not moved onto the frame.
TEST(Grid, RectLeftOfOrBelowTheFrameIsCut) {
  struct Case {
    int x, y, w, h;
    Points expected;
  };
  const Case cases[] = {
      {-10, 2, 18, 5, {{0, 4}, {4, 4}, {8, 4}}},
      {2, -10, 3, 17, {{4, 0}, {4, 4}}},
      {-40, 0, 30, 10, {}},  // wholly left
      {0, -40, 10, 30, {}},  // wholly below
      {-40, -40, 30, 30, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Collect([&](const gpu::GridSink& s) { gpu::EmitGridRect(c.x, c.y, c.w, c.h, 4, 4, 20, 16, s); }),
              c.expected)
        << c.x << "," << c.y << " " << c.w << "x" << c.h;
  }
  // The same through an unrotated region.
  const TRectangularRegion left{-25, 8, 30, 10, 0};
  EXPECT_TRUE(Collect([&](const gpu::GridSink& s) { gpu::EmitRegionGrid(&left, 4, 4, 20, 16, s); }).empty());
}

TEST(Grid, UnrotatedRegionEqualsTheRect) {
  const TRectangularRegion regions[] = {
      {20, 15, 16, 10, 0}, {10.5, 9.5, 7, 5, 0}, {0, 0, 30, 30, 0}, {60, 40, 200, 200, 0}, {33, 21, 1, 1, 0}};
  for (const TRectangularRegion& g : regions) {
    for (int step : {1, 3, 4}) {
      const int left = static_cast<int>(std::round(g.cx - g.width / 2)), right = static_cast<int>(std::round(g.cx + g.width / 2));
      const int bottom = static_cast<int>(std::round(g.cy - g.height / 2)), top = static_cast<int>(std::round(g.cy + g.height / 2));
      const Points a = Collect([&](const gpu::GridSink& s) { gpu::EmitRegionGrid(&g, step, step, 64, 48, s); });
      const Points b =
          Collect([&](const gpu::GridSink& s) { gpu::EmitGridRect(left, bottom, right - left, top - bottom, step, step, 64, 48, s); });
      EXPECT_EQ(a, b) << g.cx << "," << g.cy << " step " << step;
    }
  }
  EXPECT_EQ(Collect([](const gpu::GridSink& s) { gpu::EmitRegionGrid(nullptr, 5, 5, 64, 48, s); }),
            Collect([](const gpu::GridSink& s) { gpu::EmitGridRect(0, 0, 64, 48, 5, 5, 64, 48, s); }));
}

// Signed distance of a pixel centre from the rotated rectangle's border
// (positive inside).
double Inside(const TRectangularRegion& g, double x, double y) {
  const double a = g.angle * M_PI / 180;
  const double u = (x - g.cx) * std::cos(a) + (y - g.cy) * std::sin(a);
  const double v = -(x - g.cx) * std::sin(a) + (y - g.cy) * std::cos(a);
  return std::min(g.width / 2 - std::abs(u), g.height / 2 - std::abs(v));
}

TEST(Grid, RotatedRegionAgainstPointInRectangle) {
  const int W = 80, H = 60;
  const TRectangularRegion regions[] = {
      {40, 30, 40, 20, 30}, {40, 30, 40, 20, -60}, {10, 50, 50, 30, 45}, {75, 5, 30, 30, 20}, {40, 30, 300, 300, 33}};
  for (const TRectangularRegion& g : regions) {
    for (int step : {1, 2, 5}) {
      SCOPED_TRACE(std::to_string(g.angle) + " step " + std::to_string(step));
      Points in;
      for (auto [c, r] : Collect([&](const gpu::GridSink& s) { gpu::EmitRegionGrid(&g, step, step, W, H, s); })) {
        if (c >= 0 && c < W && r >= 0 && r < H) in.insert({c, r});
      }
      for (int r = 0; r < H; r += step) {
        for (int c = 0; c < W; c += step) {
          const double d = Inside(g, c, r);
          // Rounded corners and edges, and rows reaching one column past
          // their right edge, blur the border by up to two pixels.
          if (d > 1.5) {
            EXPECT_TRUE(in.count({c, r})) << "missing " << c << "," << r;
          } else if (d < -2.5) {
            EXPECT_FALSE(in.count({c, r})) << "outside " << c << "," << r;
          }
        }
      }
      for (auto [c, r] : in) EXPECT_TRUE(c % step == 0 && r % step == 0) << "off the grid " << c << "," << r;
    }
  }
}

TEST(Grid, FarOutRegionsStayBounded) {
  const int W = 64, H = 48;
  // Far away: nothing in the frame; huge around the frame: every grid point.
  const TRectangularRegion far{1e12, -3e11, 50, 50, 30};
  const TRectangularRegion huge{32, 24, 4e9, 4e9, 30};
  const TRectangularRegion nan{NAN, 10, 10, 10, 0};
  size_t n = 0;
  gpu::EmitRegionGrid(&far, 4, 4, W, H, [&](int, int) { ++n; });
  gpu::EmitRegionGrid(&nan, 4, 4, W, H, [&](int, int) { ++n; });
  EXPECT_EQ(n, 0u);
  Points in;
  for (auto [c, r] : Collect([&](const gpu::GridSink& s) { gpu::EmitRegionGrid(&huge, 4, 4, W, H, s); })) {
    if (c >= 0 && c < W && r >= 0 && r < H) in.insert({c, r});
  }
  EXPECT_EQ(in.size(), static_cast<size_t>((W / 4) * (H / 4)));
}

TEST(Grid, RegionQuadCorners) {
  struct Case {
    TRectangularRegion g;
    int w, h;
    gpu::PlanePoint corners[4];
  };
  const Case cases[] = {
      {{160, 120, 64, 32, 0}, 320, 240, {{-32, -16}, {32, -16}, {32, 16}, {-32, 16}}},
      {{160, 120, 64, 32, 90}, 320, 240, {{16, -32}, {16, 32}, {-16, 32}, {-16, -32}}},
      {{32, 24, 64, 48, 0}, 64, 48, {{-160, -120}, {160, -120}, {160, 120}, {-160, 120}}},
  };
  for (const Case& c : cases) {
    gpu::PlanePoint p[4];
    gpu::RegionQuadCorners(c.g, c.w, c.h, p);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(p[i].x, c.corners[i].x, 1e-3) << c.g.angle << " corner " << i;
      EXPECT_NEAR(p[i].y, c.corners[i].y, 1e-3) << c.g.angle << " corner " << i;
    }
  }
  const gpu::PlanePoint centre = gpu::PixelCentre(0, 0, 320, 240);
  EXPECT_FLOAT_EQ(centre.x, -159.5f);
  EXPECT_FLOAT_EQ(centre.y, -119.5f);
}

TEST(Toolkit, RepackRows) {
  for (int width : {4, 5, 7}) {
    const int height = 3, stride = (width + 3) & ~3;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height, 0xEE);
    for (int r = 0; r < height; ++r) {
      for (int c = 0; c < width; ++c) frame[r * stride + c] = static_cast<uint8_t>(r * 16 + c);
    }
    gpu::CGLToolkit t;
    const bool repacked = t.RepackRows(width, height, frame.data());
    EXPECT_EQ(repacked, width % 4 != 0) << width;
    if (!repacked) continue;
    for (int r = 0; r < height; ++r) {
      for (int c = 0; c < width; ++c) EXPECT_EQ(t.repack()[r * width + c], r * 16 + c) << width;
    }
  }
}

}  // namespace
