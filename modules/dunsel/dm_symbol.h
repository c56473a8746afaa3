// ECC 200 symbol sizes and the record of one located Data Matrix symbol.
#pragma once

#include <array>

#include "talvix_types.h"

namespace dunsel {

struct DmSize {
  int rows, cols;         // modules, finder and clock borders included
  int totalCodewords;
  int ecCodewords;
  int regionsAcross, regionsDown;
  int blocks;             // interleaved Reed-Solomon blocks
  int dataCodewords() const { return totalCodewords - ecCodewords; }
};

// The size with these module counts (rows, columns), or null: equal counts
// select a square, unequal ones one of the six rectangles.
const DmSize* FindSymbolSize(int rows, int cols);

// Every ECC 200 size, squares first.
const DmSize* SymbolSizes(int* count);

constexpr int kMaxClockPoints = 150;

// One finder L with what refinement and the clock tracks made of it. Corner 0
// is the vertex of the L, corner 3 the far corner; the first clock track runs
// from corner 2 to corner 3 and holds one point per module column, the second
// from corner 1 to corner 3 and holds one point per module row, both counted
// from the finder.
struct SymbolCandidate {
  int horizontalLeg = -1, verticalLeg = -1;
  int orientation = 0;
  float axisX = 0, axisY = 0;
  TRectangularRegion region{};
  double clockSides[8] = {};  // first side x0, y0, x1, y1, then the second
  bool valid = false;
  float cornerX[4] = {}, cornerY[4] = {};
  int modules1 = 0, modules2 = 0;  // along the first and the second track
  int darkWidth = 0, lightWidth = 0;
  int outline[8] = {};
  std::array<float, kMaxClockPoints> columnX{}, columnY{};  // first track
  std::array<float, kMaxClockPoints> rowX{}, rowY{};        // second track
  int columnPoints = 0, rowPoints = 0;
};

}  // namespace dunsel
