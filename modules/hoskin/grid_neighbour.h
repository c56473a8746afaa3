// The eight neighbours of a grid cell in the order regions grow through
// them: left, right, below, above, below-right, below-left, above-right,
// above-left. Cells are numbered row by row.
#pragma once

namespace hoskin {

// Neighbour k of cell, or -1 past the grid's edge.
inline int GridNeighbour(int cell, int k, int columns, int rows) {
  const int c = cell % columns, r = cell / columns;
  const bool left = c > 0, right = c < columns - 1, below = r < rows - 1, above = r > 0;
  switch (k) {
    case 0:
      return left ? cell - 1 : -1;
    case 1:
      return right ? cell + 1 : -1;
    case 2:
      return below ? cell + columns : -1;
    case 3:
      return above ? cell - columns : -1;
    case 4:
      return below && right ? cell + columns + 1 : -1;
    case 5:
      return below && left ? cell + columns - 1 : -1;
    case 6:
      return above && right ? cell - columns + 1 : -1;
    default:
      return above && left ? cell - columns - 1 : -1;
  }
}

}  // namespace hoskin
