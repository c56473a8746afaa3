// The joining of split traces, on mark frames drawn here with the end points
// set as the detection would leave them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "joins.h"
#include "talvix/host.hpp"

namespace {

using oskvel::TracePiece;
using talvix::FrameBuffer;

struct P {
  int x, y;
};

// One traced piece: a polyline under a label. An open piece's ends are its
// first and last points; a closed one (its last point beside its first)
// reports its first point twice, as the detection does.
struct Piece {
  int label;
  std::vector<P> line;
  bool small;
};

struct Expect {
  P at;
  int label;  // 255: free
};

struct Case {
  const char* what;
  std::vector<Piece> pieces;
  std::vector<int> root;  // per label 0..n-1
  std::vector<Expect> pixels;
};

void DrawLine(FrameBuffer& f, P a, P b, int label, TracePiece* box) {
  const int n = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
  for (int k = 0; k <= n; ++k) {
    const int x = a.x + static_cast<int>(std::lround(n ? double(k) * (b.x - a.x) / n : 0.0));
    const int y = a.y + static_cast<int>(std::lround(n ? double(k) * (b.y - a.y) / n : 0.0));
    *f.pixel(x, y) = static_cast<uint8_t>(label);
    box->minX = std::min(box->minX, x), box->maxX = std::max(box->maxX, x);
    box->minY = std::min(box->minY, y), box->maxY = std::max(box->maxY, y);
  }
}

bool Closed(const std::vector<P>& line) {
  return std::abs(line.front().x - line.back().x) <= 1 && std::abs(line.front().y - line.back().y) <= 1;
}

TEST(JoinTraces, JoinsThePiecesOfOneBorder) {
  // A 20 x 20 square outline from (10, 10) to (30, 30), cut in various ways.
  const Case cases[] = {
      {"one piece, ends 5 apart: bridged",
       {{0, {{10, 10}, {10, 30}, {30, 30}, {30, 10}, {15, 10}}, false}},
       {0},
       {{{11, 10}, 0}, {{14, 10}, 0}}},
      {"one piece, ends 12 apart: left open",
       {{0, {{10, 10}, {10, 30}, {30, 30}, {30, 10}, {22, 10}}, false}},
       {0},
       {{{11, 10}, 255}, {{21, 10}, 255}}},
      {"two pieces whose ends meet at both gaps: one label",
       {{1, {{10, 10}, {10, 30}, {18, 30}}, false}, {2, {{21, 30}, {30, 30}, {30, 10}, {13, 10}}, false}},
       {0, 1, 1},
       {{{19, 30}, 1}, {{20, 30}, 1}, {{11, 10}, 1}, {{12, 10}, 1}, {{30, 20}, 1}, {{25, 30}, 1}}},
      {"an end joins the nearer of two free ends",
       {{0, {{10, 10}, {10, 30}, {17, 30}}, false},
        {1, {{20, 30}, {30, 30}, {30, 10}, {12, 10}}, false},
        {2, {{23, 33}, {23, 45}, {40, 45}}, false}},
       {0, 0, 2},
       {{{18, 30}, 0}, {{19, 30}, 0}, {{11, 10}, 0}, {{23, 40}, 2}, {{22, 32}, 255}}},
      {"a gap across a scrap: the scrap joins",
       {{0, {{10, 10}, {10, 30}, {30, 30}, {30, 10}, {18, 10}}, false},
        {1, {{13, 9}, {15, 9}, {15, 11}, {13, 11}, {13, 10}}, true}},
       {0, 0},
       {{{11, 10}, 0}, {{13, 9}, 0}, {{15, 11}, 0}, {{17, 10}, 0}}},
      {"an end beside another closed particle: apart",
       {{0, {{10, 10}, {10, 30}, {30, 30}, {30, 14}}, false},
        {1, {{33, 10}, {40, 10}, {40, 20}, {33, 20}, {33, 11}}, false}},
       {0, 1},
       {{{33, 15}, 1}, {{31, 14}, 255}, {{32, 14}, 255}}},
      {"two pieces 9 apart at each gap: apart",
       {{0, {{10, 10}, {10, 30}, {14, 30}}, false}, {1, {{23, 30}, {30, 30}, {30, 10}, {19, 10}}, false}},
       {0, 1},
       {{{18, 30}, 255}, {{15, 10}, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameBuffer mark = FrameBuffer::make(50, 50, 8, CBorderDetection::kFree);
    std::vector<TracePiece> pieces(c.root.size());
    std::vector<BorderEndPoint> ends;
    for (const Piece& p : c.pieces) {
      TracePiece& t = pieces[static_cast<size_t>(p.label)];
      t = {static_cast<int>(p.line.size()) * 10, p.small, 1000, 1000, -1, -1};
      for (size_t i = 0; i + 1 < p.line.size(); ++i) DrawLine(mark, p.line[i], p.line[i + 1], p.label, &t);
      const P last = Closed(p.line) ? p.line.front() : p.line.back();
      ends.push_back({float(p.line.front().x), float(p.line.front().y), p.label, -1});
      ends.push_back({float(last.x), float(last.y), p.label, -1});
    }
    const std::vector<int> root = oskvel::JoinTraces(mark.frame(), ends.data(), int(ends.size()) - 1, pieces);
    EXPECT_EQ(root, c.root);
    for (const Expect& e : c.pixels) EXPECT_EQ(*mark.pixel(e.at.x, e.at.y), e.label) << e.at.x << "," << e.at.y;
    // No pixel keeps a label that joined another.
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x) {
        const int v = *mark.pixel(x, y);
        if (v < int(root.size())) {
          EXPECT_EQ(root[size_t(v)], v) << x << "," << y;
        }
      }
  }
}

}  // namespace
