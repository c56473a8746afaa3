// RenderDrawList: recorded calls land on the expected pixels of bottom-up
// frames (memory row y is the picture's y), blended as the host paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "talvix/host.hpp"

// Fontconfig, behind Cairo's text, keeps its configuration for the life of
// the process; that is not a leak of ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace {

using Pixels = std::set<std::pair<int, int>>;
using talvix::DrawCall;
using talvix::FrameBuffer;

constexpr TColor kRed{1, 0, 0, 1};

DrawCall Call(const char* fn, std::vector<double> args, TColor c = kRed, std::u16string text = {}) {
  DrawCall d;
  d.fn = fn;
  d.args = std::move(args);
  d.color = c;
  d.text = std::move(text);
  return d;
}

// Pixels that differ from an untouched black frame.
Pixels Painted(const FrameBuffer& f) {
  Pixels p;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      const uint8_t* q = f.pixel(x, y);
      bool any = false;
      for (int b = 0; b < std::min(3, f.bpp() / 8); ++b) any |= q[b] != 0;
      if (any) p.emplace(x, y);
    }
  return p;
}

Pixels Render(std::vector<DrawCall> calls, int w = 40, int d = 30) {
  FrameBuffer f = FrameBuffer::make(w, d, 32);
  talvix::RenderDrawList(calls, f);
  return Painted(f);
}

Pixels Span(int x0, int y0, int x1, int y1) {
  Pixels p;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) p.emplace(x, y);
  return p;
}

TEST(RenderDrawList, LinesLandOnMemoryRows) {
  EXPECT_EQ(Render({Call("DrawLine", {5, 10, 20, 10, 1})}), Span(5, 10, 20, 10));
  EXPECT_EQ(Render({Call("DrawLine", {3, 2, 3, 8, 1})}), Span(3, 2, 3, 8));
  EXPECT_EQ(Render({Call("DrawLine", {5, 10, 20, 10, 3})}), Span(4, 9, 21, 11));  // thickness 3, square ends
  EXPECT_EQ(Render({Call("DrawLine", {2, 2, 6, 6, 0.2})}),                        // thinner than 1 counts as 1
            (Pixels{{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}));
}

TEST(RenderDrawList, ColoursBlendWithAlphaAndBecomeOpaque) {
  FrameBuffer f = FrameBuffer::make(10, 10, 32, 0, false);  // transparent, as a fresh overlay
  talvix::RenderDrawList({Call("DrawLine", {1, 1, 8, 1, 1}, TColor{0.2, 1, 0.5, 1}),
                          Call("DrawLine", {1, 3, 8, 3, 1}, TColor{1, 1, 1, 0.5})},
                         f);
  const uint8_t* p = f.pixel(4, 1);
  EXPECT_EQ(p[0], 128);  // B
  EXPECT_EQ(p[1], 255);  // G
  EXPECT_EQ(p[2], 51);   // R
  EXPECT_EQ(p[3], 255);
  const uint8_t* h = f.pixel(4, 3);
  EXPECT_EQ(h[0], 128);
  EXPECT_EQ(h[3], 255);
  EXPECT_EQ(f.pixel(4, 2)[3], 0);  // untouched

  FrameBuffer g = FrameBuffer::make(10, 10, 8);
  talvix::RenderDrawList({Call("DrawLine", {1, 1, 8, 1, 1}, TColor{1, 0.5, 0, 1})}, g.frame());
  EXPECT_EQ(g.pixel(4, 1)[0], 128);  // (255 + 127.5 + 0) / 3
  EXPECT_EQ(g.pixel(4, 2)[0], 0);
}

TEST(RenderDrawList, RectanglesAndBoxes) {
  Pixels outline;
  for (int x = 15; x <= 25; ++x) outline.insert({{x, 12}, {x, 18}});
  for (int y = 12; y <= 18; ++y) outline.insert({{15, y}, {25, y}});
  EXPECT_EQ(Render({Call("DrawRectangle", {20, 15, 10, 6, 0, 1})}), outline);
  // A quarter turn swaps the sides about the centre.
  Pixels turned;
  for (int x = 17; x <= 23; ++x) turned.insert({{x, 10}, {x, 20}});
  for (int y = 10; y <= 20; ++y) turned.insert({{17, y}, {23, y}});
  EXPECT_EQ(Render({Call("DrawRectangle", {20, 15, 10, 6, 90, 1})}), turned);
  EXPECT_EQ(Render({Call("DrawBoxFill", {2, 3, 4, 2})}), Span(2, 3, 5, 4));
  EXPECT_EQ(Render({Call("DrawPolygon4", {5, 5, 9, 5, 9, 8, 5, 8, 1})}),
            Render({Call("DrawRectangle", {7, 6.5, 4, 3, 0, 1})}));
}

TEST(RenderDrawList, Circles) {
  Pixels c = Render({Call("DrawCircle", {20, 15, 8, 1})});
  EXPECT_GT(c.size(), 30u);
  for (auto [x, y] : c) EXPECT_NEAR(std::hypot(x - 20, y - 15), 8, 1.0) << x << "," << y;
  for (auto p : {std::pair{28, 15}, std::pair{12, 15}, std::pair{20, 23}, std::pair{20, 7}}) EXPECT_TRUE(c.count(p));
  // A ring's arcs over the sweep only: a quarter from 0 to 90 stays in x, y >= centre.
  Pixels ring = Render({Call("DrawRing", {20, 15, 5, 10, 0, 90, 1})});
  EXPECT_TRUE(ring.count({30, 15}) && ring.count({25, 15}) && ring.count({20, 25}));
  for (auto [x, y] : ring) EXPECT_TRUE(x >= 19 && y >= 14) << x << "," << y;
}

TEST(RenderDrawList, TextStandsUprightInItsBox) {
  // "T": the bar is at the top of the picture, i.e. at the larger rows.
  Pixels t = Render({Call("DrawString", {0, 5, 5, 0, 0}, kRed, u"T")});
  ASSERT_FALSE(t.empty());
  std::map<int, int> perRow;
  for (auto [x, y] : t) {
    EXPECT_TRUE(x >= 5 && x < 13 && y >= 5 && y < 21) << x << "," << y;  // the 8 x 16 box
    ++perRow[y];
  }
  auto widest = std::max_element(perRow.begin(), perRow.end(), [](auto a, auto b) { return a.second < b.second; });
  EXPECT_GT(widest->first, 12);
  // Turned by 90 about the lower-left corner: the box lies left of it.
  for (auto [x, y] : Render({Call("DrawString", {0, 20, 5, 0, 90}, kRed, u"T")}))
    EXPECT_TRUE(x <= 20 && x >= 4 && y >= 5 && y <= 13) << x << "," << y;
}

TEST(RenderDrawList, DirectionsAndDimensions) {
  Pixels arrow = Render({Call("DrawArrow", {5, 15, 30, 15, 1})});
  EXPECT_TRUE(arrow.count({5, 15}) && arrow.count({30, 15}));
  EXPECT_TRUE(arrow.count({27, 17}) || arrow.count({26, 17}));  // a head stroke above the shaft
  EXPECT_TRUE(arrow.count({27, 13}) || arrow.count({26, 13}));

  Pixels dim = Render({Call("DrawDimension", {5, 15, 30, 15, -1, 0, 1})});
  EXPECT_TRUE(dim.count({5, 20}) && dim.count({5, 10}) && dim.count({30, 20}));  // ticks across both ends

  FrameBuffer f = FrameBuffer::make(40, 30, 32);
  DrawCall under = Call("DrawDirectionUnderpainted", {5, 15, 30, 15, -1, 0, 1});
  under.under = TColor{0, 0, 1, 1};
  talvix::RenderDrawList({under}, f);
  EXPECT_EQ(f.pixel(15, 15)[2], 255);  // red line over
  EXPECT_EQ(f.pixel(15, 16)[0], 255);  // blue underneath, one pixel wider each side
  EXPECT_EQ(f.pixel(15, 14)[0], 255);
  EXPECT_EQ(f.pixel(15, 16)[2], 0);

  Pixels plain = Render({Call("DrawDirection", {5, 5, 10, 5, -1, 0, 1})});
  Pixels labelled = Render({Call("DrawDirection", {5, 5, 10, 5, 1, 0, 1}, kRed, u"OK")});
  EXPECT_GT(labelled.size(), plain.size());
}

TEST(RenderDrawList, IgnoresWhatItCannotPaint) {
  EXPECT_TRUE(Render({Call("DrawLine", {1, 2}), Call("Unknown", {1, 2, 3, 4, 5})}).empty());
  // A call with a NaN is skipped; the ones after it still paint.
  EXPECT_EQ(Render({Call("DrawCircle", {NAN, 5, 3, 1}), Call("DrawLine", {1, 1, 3, 1, 1})}), Span(1, 1, 3, 1));
  talvix::RenderDrawList({Call("DrawLine", {1, 1, 5, 5, 1})}, static_cast<Frame*>(nullptr));
  // Far outside the frame: nothing, and no fault.
  EXPECT_TRUE(Render({Call("DrawLine", {-1e6, -5, -1e5, -5, 1}), Call("DrawCircle", {1e7, 1e7, 3, 1})}).empty());
}

}  // namespace
