// A 4-connected flood fill by vertical spans, shared by the letter and hole
// segmentation here and by the plate blobs. The stack grows as it needs: a
// large blob (a frame border, a logo) is filled whole instead of ending the
// segmentation.
#pragma once

#include <vector>

namespace kelmar {

struct FillPoint {
  int x, y;
};

// Columns x0..x1-1, rows y0..y1-1.
struct FillBounds {
  int x0, y0, x1, y1;
};

// Fills the component of (x, y) inside `b`, which must hold (x, y).
// open(x, y): not labelled yet; ink(x, y): of the kind being filled;
// fill(x, y): labels the pixel. Each popped point starts a span at the top of
// its run of open ink pixels (smallest row) and fills down; a neighbour
// column is pushed once per run of ink beside the span.
template <class Open, class Ink, class Fill>
void SpanFill(int x, int y, const FillBounds& b, std::vector<FillPoint>& stack, Open&& open, Ink&& ink,
              Fill&& fill) {
  stack.clear();
  stack.push_back({x, y});
  while (!stack.empty()) {
    const FillPoint p = stack.back();
    stack.pop_back();
    int r = p.y;
    while (r >= b.y0 && open(p.x, r) && ink(p.x, r)) --r;
    ++r;
    bool leftRun = false, rightRun = false;
    for (; r < b.y1 && open(p.x, r) && ink(p.x, r); ++r) {
      fill(p.x, r);
      if (p.x > b.x0) {
        const int n = p.x - 1;
        if (!leftRun) {
          if (open(n, r) && ink(n, r)) {
            stack.push_back({n, r});
            leftRun = true;
          }
        } else if (!ink(n, r)) {
          leftRun = false;
        }
      }
      if (p.x < b.x1 - 1) {
        const int n = p.x + 1;
        if (!rightRun) {
          if (open(n, r) && ink(n, r)) {
            stack.push_back({n, r});
            rightRun = true;
          }
        } else if (!ink(n, r)) {
          rightRun = false;
        }
      }
    }
  }
}

}  // namespace kelmar
