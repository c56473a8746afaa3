// A Data Matrix symbol drawn upright and the candidate record the location
// would make of it, for the codeword reading tests: corners and clock points
// at the drawn module centres.
#pragma once

#include <vector>

#include "datamatrix_render.h"
#include "dm_codewords.h"

namespace dunsel_test {

struct DrawnGrid {
  talvix::FrameBuffer frame;
  dunsel::SymbolCandidate candidate;
};

// Memory coordinates of module (row from the top, column) of a symbol drawn
// at `module` pixels per module from the displayed point (left, top).
inline DrawnGrid DrawGrid(const DmMatrix& m, int module = 4, bool negative = false) {
  DmRender r;
  r.module = module;
  r.width = (m.cols + 4) * module;
  r.depth = (m.rows + 4) * module;
  r.negative = negative;
  DrawnGrid g{RenderDataMatrix(m, r), {}};
  const int left = 2 * module, top = 2 * module;
  auto x = [&](int c) { return static_cast<float>(left + c * module + module / 2); };
  auto y = [&](int row) { return static_cast<float>(r.depth - 1 - (top + row * module + module / 2)); };
  dunsel::SymbolCandidate& c = g.candidate;
  // Corner 0 the vertex of the L (bottom left as displayed), 1 the end of
  // the bottom leg, 2 the top of the left leg, 3 the far corner.
  const float cx[4] = {x(0), x(m.cols - 1), x(0), x(m.cols - 1)}, cy[4] = {y(m.rows - 1), y(m.rows - 1), y(0), y(0)};
  for (int i = 0; i < 4; ++i) {
    c.cornerX[i] = cx[i];
    c.cornerY[i] = cy[i];
  }
  for (int col = 0; col < m.cols - 1; ++col) {
    c.columnX[col] = x(col);
    c.columnY[col] = y(0);
  }
  for (int row = 0; row < m.rows - 1; ++row) {  // counted from the bottom
    c.rowX[row] = x(m.cols - 1);
    c.rowY[row] = y(m.rows - 1 - row);
  }
  c.columnPoints = m.cols - 1;
  c.rowPoints = m.rows - 1;
  c.modules1 = m.cols;
  c.modules2 = m.rows;
  c.darkWidth = 100;
  c.lightWidth = 90;
  c.valid = true;
  return g;
}

// The codewords of a zint matrix as the reader samples them from the
// drawing; empty when its size is not an ECC 200 size.
inline std::vector<uint8_t> DrawnCodewords(const DmMatrix& m) {
  const dunsel::DmSize* size = dunsel::FindSymbolSize(m.rows, m.cols);
  if (!size) return {};
  DrawnGrid g = DrawGrid(m);
  dunsel::CodewordReader reader;
  std::vector<uint8_t> cw;
  dunsel::CodewordSample sample;
  if (!reader.Read(g.frame.frame(), g.candidate, *size, false, 125, cw, sample)) return {};
  cw.resize(static_cast<size_t>(size->totalCodewords));
  return cw;
}

}  // namespace dunsel_test
